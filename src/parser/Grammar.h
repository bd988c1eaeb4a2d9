// Small steps shared by the grammar states: looking at the current token,
// giving it back, and moving the tree cursor.
#pragma once
#include "parser/Compiler.h"

namespace grammar {

// Error codes the grammar records (messages in the driver's catalogue).
enum ECode : int32_t {
    eDualOperator = 1,
    ePrefixOperator = 2,
    eUnpairedParen = 3,
    eInvalidType = 4,
    eNoSuitableFunction = 6,
    eCommaWithoutFunction = 7,
    eUnknownName = 8,
    eUnknownMember = 9,
    eExpectedBraceLeft = 15,
    eExpectedBraceRight = 16,
    eDoWithoutWhile = 19,
    eExpectedSemicolon = 20,
    eExpectedParenLeft = 21,
    eExpectedParenRight = 22,
    eExpectedObject = 23,
    eIllegalBreak = 25,
    eIllegalContinue = 26,
    eUnexpectedBrace = 27,
    eUnknownState = 28,
    eExpectedDelay = 33,
    eUnexpectedParen = 42,
    eNotDotCallable = 43,
    eInternal = 61,
    eExpectedBracketRight = 62,
    eNestingTooDeep = 63,
};

// Return states deeper than this are refused, so that nothing after the
// parser recurses deeper than a fixed bound.
constexpr size_t kMaxNesting = 2048;
// Expression trees deeper than this are refused for the same reason.
constexpr size_t kMaxExpressionDepth = 1024;

inline bool Is(CCompiler& c, int32_t kind) { return c.m_Scanner.Is(kind) != 0; }
inline void GiveBack(CCompiler& c) { c.m_Scanner.UngetToken(); }
inline void Go(CCompiler& c, StateFn next) { c.m_pfnState = next; }
// Pushes the state to come back to and enters a sub-construct.
inline void Call(CCompiler& c, StateFn sub, StateFn back) {
    c.PushState(back);
    c.m_pfnState = sub;
}
inline void Attach(CCompiler& c, CNode* node) { c.m_pNode->AddChild(node, -1); }
inline void Enter(CCompiler& c, CNode* node) {
    c.m_pNode->AddChild(node, -1);
    c.m_pNode = node;
}
inline void Leave(CCompiler& c) { c.m_pNode = c.m_pNode->GetParent(); }
inline void LeaveAndReturn(CCompiler& c) {
    Leave(c);
    c.PopState();
}

}  // namespace grammar
