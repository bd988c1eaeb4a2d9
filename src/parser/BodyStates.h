// Entry states of the bodies, statements and expressions. The declarations
// grammar hands bodies over to these; statements hand expressions to
// Expression1, which hangs one CToken::eHardStop root below the current node.
#pragma once

class CCompiler;

// Bodies of states and event handlers; of functions with an enum button;
// of command handlers and other functions.
void EventBlock1(CCompiler& c);
void FunctionBlock1(CCompiler& c);
void CommandBlock1(CCompiler& c);
// One statement.
void Instruction1(CCompiler& c);
// One expression; returns to the pushed state with the ending token given back.
void Expression1(CCompiler& c);
