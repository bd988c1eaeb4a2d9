// The states section. A state is entered in the compiler's state table the
// first time it is declared or defined, so states are numbered in that order;
// a declaration ("state Name;") leaves no node behind, a definition keeps its
// state node with the body below it. The section also takes functions, so
// states and functions may alternate without another cycle of the body.
#include "parser/DeclarationsGrammar.h"

using namespace decl;

// StateDeclaration = "state" Name ( ";" | Body )
void State1(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eState)) {
        c.m_pfnState = State2;
        return;
    }
    if (TakeFunction(c, State1)) return;
    c.m_Scanner.UngetToken();
    c.PopState();
}

// "state" Name
void State2(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eText)) return c.SetError(eErrExpectedStateName);
    int32_t index = c.m_States.FindOrAdd(TokenText(c));
    AttachAndEnter(c, new CStateNode(index));
    c.m_pfnState = State3;
}

// Name ";" declares; Name Body defines, once.
void State3(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eSemicolon)) {
        LeaveNode(c);
        c.m_pNode->DropLastChild();
        c.m_pfnState = State1;
        return;
    }
    CStateNode* node = dynamic_cast<CStateNode*>(c.m_pNode.Get());
    if (!node) return c.SetError(eErrInternal);
    CStateEntry& entry = c.m_States[size_t(node->m_nStateIndex)];
    if (entry.m_bDefined) return c.SetError(eErrStateDefined);
    entry.m_bDefined = 1;
    c.m_Scanner.UngetToken();
    c.PushState(State4);
    c.m_pfnState = EventBlock1;
}

// After the body: back to the class block.
void State4(CCompiler& c) {
    c.m_Scanner.UngetToken();
    LeaveNode(c);
    c.m_pfnState = State1;
}
