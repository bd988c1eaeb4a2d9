// The parser engine: the return stack, error recording, the first state,
// the check at the end of the source, and recovery after an error in the
// class body. Recovery skips tokens to the next member at the body's own
// level (braces counted, so a member's body is skipped whole) and resumes
// the body's cycle there; what the broken member declared before its error
// stays declared, as it would in the mended script.
#include "parser/Compiler.h"
#include "parser/DeclarationsGrammar.h"
#include "parser/Errors.h"
#include "parser/Grammar.h"

using namespace grammar;

// The sentinels: recognised by identity, never run.
void End(CCompiler&) {}
void Error(CCompiler&) {}

void CCompiler::Begin() {
    PushState(CheckEndOfFile);
    m_pfnState = xStart;
    m_bFinished = false;
}

void CCompiler::SetError(int32_t code) {
    m_nError = code;
    m_pfnState = Error;
    m_bFinished = true;
}

CNamePlace CCompiler::TokenPlace() const {
    const CToken& t = m_Scanner.GetToken();
    return CNamePlace{t.m_szText, t.m_nLine, t.m_nColumn};
}

void CCompiler::SetNameError(int32_t code, CNameFault fault) {
    m_NameFault = std::move(fault);
    SetError(code);
}

CTokenKey CTokenKey::Of(const CScanner& scanner) {
    const CToken& t = scanner.GetToken();
    return CTokenKey{scanner.GetDepth(), t.m_nLine, t.m_nColumn, t.m_nKind};
}

// Parentheses never span a brace in this language, so a brace ends any
// parenthesis a broken head left open.
void CNestingTracker::See(const CScanner& scanner) {
    CTokenKey key = CTokenKey::Of(scanner);
    if (key == m_Last) return;
    m_nPrevious = m_Last.m_nKind;
    m_Last = key;
    m_nBraces = m_nBracesAfter;
    m_nParens = m_nParensAfter;
    switch (key.m_nKind) {
    case CToken::eBracesLeft: ++m_nBracesAfter, m_nParensAfter = 0; break;
    case CToken::eBracesRight: --m_nBracesAfter, m_nParensAfter = 0; break;
    case CToken::eParenthesesLeft: ++m_nParensAfter; break;
    case CToken::eParenthesesRight: m_nParensAfter = m_nParensAfter > 0 ? m_nParensAfter - 1 : 0; break;
    default: break;
    }
}

namespace {

// Only the class body holds these; met deeper, they mean that a body was
// left open, and the member starts all the same.
bool StartsHandlerOrFunction(const CCompiler& c) {
    return Is(c, CToken::eEvent) || Is(c, CToken::eCommand) || Is(c, CToken::eFunction);
}

// Where the body's cycle may take up again, at the body's own level: a
// keyword that only starts a member, the body's "}", or any token after a
// ";" or "}" that ended the broken member. "int" and class names also stand
// inside heads and bodies, so they count as a start only after such an end,
// or as the token of an error that left no member half read.
bool ResumesBody(const CCompiler& c, bool errorToken) {
    const CNestingTracker& n = c.m_Nesting;
    if (n.m_nBraces != 1 || n.m_nParens != 0) return false;
    if (Is(c, CToken::eBracesRight) || Is(c, CToken::eState) || Is(c, CToken::eEnum) || StartsHandlerOrFunction(c))
        return true;
    if (errorToken) return c.m_bBetweenMembers && StartsMember(c);
    return n.m_nPrevious == CToken::eSemicolon || n.m_nPrevious == CToken::eBracesRight;
}

// Skips the rest of a broken member. The token of the error may itself be
// where the body goes on, once. A file that ends first is cut off inside a
// body; a handler or function met inside a body means its "}" is missing.
void SkipToMember(CCompiler& c) {
    if (Is(c, CToken::eEndOfFile)) return c.SetError(eErrExpectedCloseBrace);
    if (c.m_Nesting.m_nBraces > 1 && StartsHandlerOrFunction(c)) c.m_Nesting.Reset(1);
    CTokenKey key = CTokenKey::Of(c.m_Scanner);
    if (!ResumesBody(c, key == c.m_ErrorToken) || key == c.m_Resumed) return;
    c.m_Resumed = key;
    GiveBack(c);
    Go(c, ClassBlock1b);
}

}  // namespace

bool CCompiler::Recover() {
    if (!m_pClassBlock || m_Scanner.Is(CToken::eEndOfFile)) return false;
    m_ErrorToken = CTokenKey::Of(m_Scanner);
    m_bBetweenMembers = m_pNode == m_pClassBlock;
    m_nError = 0;
    m_NameFault = CNameFault();
    m_OpenCalls.clear();
    m_Names.Clear();
    m_ClassNames.Clear();
    m_ReturnStates.resize(m_nClassBodyStack);
    m_pNode = m_pClassBlock;
    GiveBack(*this);
    m_pfnState = SkipToMember;
    m_bFinished = false;
    return true;
}

bool CCompiler::IsRecovering() const { return m_pfnState == SkipToMember; }

// Source = [ ClassName Text ClassBody ] end of file: the root, then the
// class head with the first token given back.
void xStart(CCompiler& c) {
    GiveBack(c);
    c.m_pRoot = MakeRef<CNode>(CToken::eRoot);
    c.m_pNode = c.m_pRoot;
    Call(c, Class1, CheckEndOfFile);
}

// Source = [ class ] end of file; every state referred to must be defined.
// The undefined-state check replaces the outcome of the end-of-file check.
void CheckEndOfFile(CCompiler& c) {
    if (Is(c, CToken::eEndOfFile))
        c.Finish();
    else
        c.SetError(eErrExpectedEndOfFile);
    if (c.m_States.FirstUndefined() >= 0) c.SetError(eErrUndefinedState);
}
