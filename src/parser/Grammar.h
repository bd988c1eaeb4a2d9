// Small steps shared by the grammar states: looking at the current token,
// giving it back, and moving the tree cursor.
#pragma once
#include "parser/Compiler.h"
#include "parser/Errors.h"

namespace grammar {


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
