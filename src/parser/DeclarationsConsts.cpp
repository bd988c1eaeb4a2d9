// The consts section, allowed only right after the class body's "{". A script
// constant goes to the script's class node and may hide a constant of a
// parent of the base class, never one of the base class's own; it is added
// with value 0 at its name and gets its value at the number, so a repeated
// name is caught at the name.
#include "parser/DeclarationsGrammar.h"
#include "parser/Observe.h"
#include "parser/Resolve.h"

using namespace grammar;

// Consts = "consts" "{" { Name "=" Number ";" } "}"
void Consts1(CCompiler& c) {
    if (Is(c, CToken::eConsts)) return Go(c, Consts2);
    GiveBackAndReturn(c);
}

// "consts" "{"
void Consts2(CCompiler& c) {
    if (!Is(c, CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    Go(c, Consts3);
}

// { Name ... } "}"
void Consts3(CCompiler& c) {
    if (Is(c, CToken::eBracesRight)) return c.PopState();
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedConstantName);
    c.m_ClassNames.Clear();
    if (!Check(c, DeclareConstant(c.m_pNode.Get(), c.m_pBaseClass.Get(), TokenText(c)))) return;
    NoteDeclaration(c, ESymbolKind::eConstant);
    Go(c, Consts4);
}

// Name "="
void Consts4(CCompiler& c) {
    if (!Is(c, CToken::eAssign)) return c.SetError(eErrExpectedAssign);
    Go(c, Consts5);
}

// "=" Number: a single number token, no sign and no expression.
void Consts5(CCompiler& c) {
    if (!Is(c, CToken::eNumber)) return c.SetError(eErrExpectedValue);
    c.m_ClassNames.Clear();
    SetConstantValue(c.m_pNode.Get(), TokenValue(c));
    NoteValue(c, TokenValue(c));
    Go(c, Consts6);
}

// Number ";"
void Consts6(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    Go(c, Consts3);
}
