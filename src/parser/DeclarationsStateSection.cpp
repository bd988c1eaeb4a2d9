// The states section of the class body. A state is entered in the compiler's
// state table the first time it is declared or defined, so states are
// numbered in that order; a declaration ("state Name;") leaves no node behind,
// a definition keeps its state node with the body below it. The section also
// takes functions, so states and functions may alternate without another
// cycle of the body.
#include "parser/DeclarationsGrammar.h"
#include "parser/Observe.h"

using namespace grammar;

// StateDeclaration = "state" Name ( ";" | Body )
void State1(CCompiler& c) { SectionMember(c, CToken::eState, State2, State1); }

// "state" Name
void State2(CCompiler& c) {
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedStateName);
    NoteDeclaration(c, ESymbolKind::eState);
    int32_t index = c.m_States.FindOrAdd(TokenText(c));
    Enter(c, new CStateNode(index));
    Go(c, State3);
}

// Name ";" declares; Name Body defines, once.
void State3(CCompiler& c) {
    if (Is(c, CToken::eSemicolon)) {
        Leave(c);
        c.m_pNode->DropLastChild();
        return Go(c, State1);
    }
    CStateNode* node = dynamic_cast<CStateNode*>(c.m_pNode.Get());
    if (!node) return c.SetError(eErrInternal);
    CStateEntry& entry = c.m_States[size_t(node->m_nStateIndex)];
    if (entry.m_bDefined) return c.SetError(eErrStateDefined);
    entry.m_bDefined = 1;
    GiveBack(c);
    Call(c, EventBlock1, State4);
}

// Name Body, then the next member of the section.
void State4(CCompiler& c) { NextMember(c, State1); }
