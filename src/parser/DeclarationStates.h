// Entry states of the declarations grammar used from outside it.
#pragma once

class CCompiler;

// Variable declarations at the start of a body or in the class block; returns
// at the first token that starts no declaration.
void Declaration1(CCompiler& c);
