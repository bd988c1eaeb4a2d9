// The consts section, allowed only right after the class body's "{". A script
// constant goes to the script's class node and may hide a constant of a
// parent of the base class, never one of the base class's own; it is added
// with value 0 at its name and gets its value at the number, so a repeated
// name is caught at the name.
#include "parser/DeclarationsGrammar.h"
#include "parser/Resolve.h"

using namespace decl;

// Consts = "consts" "{" { Name "=" Number ";" } "}"
void Consts1(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eConsts)) {
        c.m_pfnState = Consts2;
        return;
    }
    c.m_Scanner.UngetToken();
    c.PopState();
}

// "consts" "{"
void Consts2(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    c.m_pfnState = Consts3;
}

// { Name ... } "}"
void Consts3(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eBracesRight)) return c.PopState();
    if (!c.m_Scanner.Is(CToken::eText)) return c.SetError(eErrExpectedConstantName);
    if (!Check(c, DeclareConstant(c.m_pNode.Get(), c.m_pBaseClass.Get(), TokenText(c)))) return;
    c.m_pfnState = Consts4;
}

// Name "="
void Consts4(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eAssign)) return c.SetError(eErrExpectedAssign);
    c.m_pfnState = Consts5;
}

// "=" Number: a single number token, no sign and no expression.
void Consts5(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eNumber)) return c.SetError(eErrExpectedValue);
    SetConstantValue(c.m_pNode.Get(), TokenValue(c));
    c.m_pfnState = Consts6;
}

// Number ";"
void Consts6(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    c.m_pfnState = Consts3;
}
