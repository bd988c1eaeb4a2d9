// The parser engine: the return stack, error recording, the first state and
// the check at the end of the source.
#include "parser/Compiler.h"
#include "parser/Errors.h"

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

// Gives the first token back, makes the root, and enters the class head.
void xStart(CCompiler& c) {
    c.m_Scanner.UngetToken();
    c.m_pRoot = MakeRef<CNode>(CToken::eRoot);
    c.m_pNode = c.m_pRoot;
    c.PushState(CheckEndOfFile);
    c.m_pfnState = Class1;
}

// Source = [ class ] end of file; every state referred to must be defined.
// The undefined-state check replaces the outcome of the end-of-file check.
void CheckEndOfFile(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eEndOfFile))
        c.m_pfnState = End;
    else
        c.SetError(eErrExpectedEndOfFile);
    if (c.m_States.FirstUndefined() >= 0) c.SetError(eErrUndefinedState);
}
