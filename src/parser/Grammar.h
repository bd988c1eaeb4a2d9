// The one set of small steps every grammar state is written with: looking at
// the current token, giving it back, choosing the next state, and moving the
// tree cursor. A state that gives its token back does so exactly once, and
// the containing state sees that same token at the next step; diagnostics
// depend on where each give-back stands, so the helpers never add one.
#pragma once
#include "parser/Compiler.h"
#include "parser/Errors.h"

namespace grammar {

// Return states deeper than this are refused, so that nothing after the
// parser recurses deeper than a fixed bound.
constexpr size_t kMaxNesting = 2048;
// Expression trees deeper than this are refused for the same reason.
constexpr size_t kMaxExpressionDepth = 1024;

// --- the current token ------------------------------------------------------
inline bool Is(const CCompiler& c, int32_t kind) { return c.m_Scanner.Is(kind) != 0; }
inline const char* TokenText(const CCompiler& c) { return c.m_Scanner.GetToken().m_szText; }
inline int32_t TokenValue(const CCompiler& c) { return c.m_Scanner.GetToken().m_nValue; }
inline void GiveBack(CCompiler& c) { c.m_Scanner.UngetToken(); }

// --- the next state ---------------------------------------------------------
inline void Go(CCompiler& c, StateFn next) { c.m_pfnState = next; }
// Pushes the state to come back to and enters a sub-construct.
inline void Call(CCompiler& c, StateFn sub, StateFn back) {
    c.PushState(back);
    c.m_pfnState = sub;
}
// Leaves the token to the construct that holds this one.
inline void GiveBackAndReturn(CCompiler& c) {
    GiveBack(c);
    c.PopState();
}
// Records `error` unless it is 0; true when it was 0.
inline bool Check(CCompiler& c, int32_t error) {
    if (error) c.SetError(error);
    return !error;
}

// --- the tree cursor --------------------------------------------------------
inline void Attach(CCompiler& c, CNode* node) { c.m_pNode->AddChild(node, -1); }
// Attaches `node` below the cursor and makes it the cursor.
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

