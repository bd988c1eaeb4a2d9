// The one set of small steps every grammar state is written with: looking at
// the current token, giving it back, choosing the next state, and moving the
// tree cursor. A state that gives its token back does so exactly once, and
// the containing state sees that same token at the next step; diagnostics
// depend on where each give-back stands, so the helpers never add one.
#pragma once
#include <array>
#include <initializer_list>

#include "parser/Compiler.h"
#include "parser/Errors.h"

namespace grammar {

// --- dispatch by token kind ---------------------------------------------------
// A state for some kinds, as a table by kind (null for the kinds not listed),
// so that choosing among them costs one look-up.
struct SKindState {
    int32_t m_nKind;
    StateFn m_pfnState;
};
using CStatesByKind = std::array<StateFn, CToken::eKindCount>;

constexpr CStatesByKind StatesByKind(std::initializer_list<SKindState> rows) {
    CStatesByKind states{};
    for (const SKindState& row : rows) states[size_t(row.m_nKind)] = row.m_pfnState;
    return states;
}

// Real nesting deeper than this is refused with "Nesting too deep": within
// one expression open "(" and "[", prefix operators and assignments. Chains
// that only grow longer (a + b + ..., x == 1 || ..., else if ...) are not
// nesting and have no bound.
constexpr size_t kMaxNesting = 10000;
// Within one body a statement that holds another counts one level, and so
// does a block: "if (...) { ... }" counts two, and nests kMaxNesting deep.
constexpr size_t kMaxStatementNesting = 2 * kMaxNesting;

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
// Where searches for the routine, its scopes and the class start: the
// statement of the body that holds the cursor. Nested blocks declare nothing,
// so from there a search meets all that it would meet from the cursor,
// without climbing through the nesting or an else-if chain on the way.
inline CNode* ContextNode(const CCompiler& c) {
    size_t n = c.m_pBody ? c.m_pBody->GetChildCount() : 0;
    CNode* statement = n ? c.m_pBody->GetChild(n - 1) : nullptr;
    return statement ? statement : c.m_pNode.Get();
}
inline void LeaveAndReturn(CCompiler& c) {
    Leave(c);
    c.PopState();
}

}  // namespace grammar

