// The class head. Until the declarations grammar takes over, "Class1" gives
// its token back and returns, so a source without a class head reaches the
// end-of-file check.
#include "parser/Compiler.h"

void Class1(CCompiler& c) {
    c.m_Scanner.UngetToken();
    c.PopState();
}
