// Entry states of the declarations grammar used from outside it.
#pragma once

class CCompiler;

// Variable declarations at the start of a body or in the class block; returns
// at the first token that starts no declaration.
void Declaration1(CCompiler& c);
// A parameter list, entered with the token after "("; returns with the first
// token that starts no parameter given back.
void ArgDeclaration1(CCompiler& c);
// Functions of the class body, one after another; returns at the first token
// that is not "function".
void xFunction1(CCompiler& c);
