// The states by which one family of grammar states enters another, and the
// shared state that closes a construct. Every other state is private to its
// family's files. An entry state is made current with its first token given
// back (or, for the bodies, with the token that should be "{"), and returns
// with PopState to the state its caller pushed.
#pragma once

class CCompiler;

// --- declarations -------------------------------------------------------------
// Variable declarations at the start of a body or in the class block; returns
// at the first token that starts no declaration.
void Declaration1(CCompiler& c);
// A parameter list, entered with the token after "("; returns with the first
// token that starts no parameter given back.
void ArgDeclaration1(CCompiler& c);
// Functions of the class body, one after another; returns at the first token
// that is not "function".
void xFunction1(CCompiler& c);

// --- bodies, statements, expressions -------------------------------------------
// The body of a state or an event handler, and of a function with an enum
// button: declarations first, then statements.
void EventBlock1(CCompiler& c);
// The body of a command handler or of any other function: declarations may
// also stand after every second statement.
void CommandBlock1(CCompiler& c);
// One statement.
void Instruction1(CCompiler& c);
// One expression, hung below the cursor as a CToken::eHardStop root; returns
// to the pushed state with the ending token given back.
void Expression1(CCompiler& c);

// --- shared -------------------------------------------------------------------
// Any token after the last part of a class head or an if, while or for
// statement: give it back, leave the construct's node, return.
void LeaveConstruct(CCompiler& c);
