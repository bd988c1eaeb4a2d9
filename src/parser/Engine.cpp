// The parser engine: the return stack, error recording, the first state and
// the check at the end of the source.
#include "parser/Compiler.h"
#include "parser/Errors.h"
#include "parser/Grammar.h"

using namespace grammar;

// The sentinels: recognised by identity, never run.
void End(CCompiler&) {}
void Error(CCompiler&) {}

void CCompiler::Begin() {
    PushState(CheckEndOfFile);
    m_pfnState = xStart;
}

bool CCompiler::IsFinished() const { return m_pfnState == End || m_pfnState == Error; }

void CCompiler::PushState(StateFn state) { m_ReturnStates.Add(state); }

void CCompiler::PopState() {
    size_t n = m_ReturnStates.GetSize();
    if (!n) {
        SetError(eErrInternal);
        return;
    }
    m_pfnState = m_ReturnStates[n - 1];
    m_ReturnStates.SetSize(n - 1);
}

void CCompiler::SetError(int32_t code) {
    m_nError = code;
    m_pfnState = Error;
}

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
        Go(c, End);
    else
        c.SetError(eErrExpectedEndOfFile);
    if (c.m_States.FirstUndefined() >= 0) c.SetError(eErrUndefinedState);
}
