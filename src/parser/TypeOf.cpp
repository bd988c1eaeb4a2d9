// The typing rules, one small function per family of operators, chosen by a
// table keyed by node kind. Kinds without an entry keep the type they were
// given when made (variables, constants) or have none. "int" means kind 1, so
// the null type counts as int.
#include "parser/TypeOf.h"

#include <array>
#include <vector>

#include "semantic/Function.h"

namespace {

// A rule sees the node and the types already computed for slots 0 and 1.
using CRule = CType* (*)(CNode* node, CType* l, CType* r);

bool IsInt(const CType* t) { return t && t->IsKind(CType::eInt); }
bool IsClass(const CType* t) { return t && t->IsKind(CType::eClass); }
bool IsCond(const CType* t) { return t && t->IsKind(CType::eCondition); }
bool IsAssignable(const CNode* n) {
    return n && (n->GetKind() == CToken::eText || n->GetKind() == CToken::eBrackets);
}

// Int and condition results carry nothing of their own and nothing changes
// them later, so every node of one kind shares a record.
CType* Fresh(uint32_t kind) { return CType::GetShared(kind); }

// a[i]
CType* Index(CNode* n, CType* l, CType* r) {
    return l && l->IsArray() && IsInt(r) ? l->GetElement() : nullptr;
}

// !x ~x +x -x: any typed operand.
CType* Unary(CNode* n, CType* l, CType* r) { return l ? Fresh(CType::eInt) : nullptr; }

// a + b and the other arithmetic and bit operators.
CType* Arithmetic(CNode* n, CType* l, CType* r) {
    return IsInt(l) && IsInt(r) ? l : nullptr;
}

// ++x --x on a name or an element.
CType* Step(CNode* n, CType* l, CType* r) {
    return IsAssignable(n->GetChild(0)) && IsInt(l) ? l : nullptr;
}

CType* Ordering(CNode* n, CType* l, CType* r) {
    return IsInt(l) && IsInt(r) ? Fresh(CType::eCondition) : nullptr;
}

// == and != also compare references, with each other or with null.
CType* Equality(CNode* n, CType* l, CType* r) {
    if (IsInt(l) && IsInt(r)) return Fresh(CType::eCondition);
    bool refs = (IsClass(l) || CType::IsNull(l)) && (IsClass(r) || CType::IsNull(r));
    if (refs && (!IsClass(l) || !IsClass(r) || CType::IsSame(l, r))) return Fresh(CType::eCondition);
    return nullptr;
}

CType* Logical(CNode* n, CType* l, CType* r) {
    return (IsInt(l) || IsCond(l)) && (IsInt(r) || IsCond(r)) ? Fresh(CType::eCondition) : nullptr;
}

CType* Assign(CNode* n, CType* l, CType* r) {
    if (!IsAssignable(n->GetChild(0))) return nullptr;
    if (IsInt(l) && IsInt(r)) return l;
    if (IsClass(l) && IsClass(r) && CType::IsSame(l, r)) return l;
    if (IsClass(l) && CType::IsNull(r)) return l;
    return nullptr;
}

CType* Call(CNode* n, CType* l, CType* r) {
    const CFunction* f = static_cast<CCallNode*>(n)->m_pFunction.Get();
    return f ? f->m_pResult.Get() : nullptr;
}

struct CRuleEntry {
    int32_t m_nKind;
    CRule m_pfnRule;
};

constexpr CRuleEntry kRules[] = {
    {CToken::eBrackets, Index},
    {CToken::eLogicalNot, Unary},   {CToken::eBitNot, Unary},
    {CToken::ePlusUnary, Unary},    {CToken::eMinusUnary, Unary},
    {CToken::ePlus, Arithmetic},    {CToken::eMinus, Arithmetic},
    {CToken::eMultiply, Arithmetic}, {CToken::eDivide, Arithmetic},
    {CToken::eModulus, Arithmetic}, {CToken::eBitAnd, Arithmetic},
    {CToken::eBitXor, Arithmetic},  {CToken::eBitOr, Arithmetic},
    {CToken::ePlusPlus, Step},      {CToken::eMinusMinus, Step},
    {CToken::eLT, Ordering},        {CToken::eLE, Ordering},
    {CToken::eGT, Ordering},        {CToken::eGE, Ordering},
    {CToken::eEQ, Equality},        {CToken::eNE, Equality},
    {CToken::eLogicalAnd, Logical}, {CToken::eLogicalOr, Logical},
    {CToken::eAssign, Assign},
    {CToken::eFunctionName, Call},
};

constexpr std::array<CRule, CToken::eKindCount> MakeRuleTable() {
    std::array<CRule, CToken::eKindCount> table{};
    for (const CRuleEntry& e : kRules) table[size_t(e.m_nKind)] = e.m_pfnRule;
    return table;
}

constexpr std::array<CRule, CToken::eKindCount> kRuleByKind = MakeRuleTable();


CRule RuleOf(const CNode* n) {
    int32_t kind = n->GetKind();
    return kind >= 0 && kind < CToken::eKindCount ? kRuleByKind[size_t(kind)] : nullptr;
}

CType* TypeAt(const CNode* n, size_t slot) {
    const CNode* c = n->GetChild(slot);
    return c ? c->m_pType.Get() : nullptr;
}

// Deep trees: the untyped nodes are listed parent before child, then typed
// in the reverse order, children first, so no depth recurses natively.
CType* TypeByList(CNode* node) {
    std::vector<CNode*> order;
    std::vector<CNode*> pending{node};
    while (!pending.empty()) {
        CNode* n = pending.back();
        pending.pop_back();
        if (!n || n->m_pType || !RuleOf(n)) continue;
        order.push_back(n);
        if (n->GetKind() == CToken::eFunctionName) continue;
        pending.push_back(n->GetChild(0));
        pending.push_back(n->GetChild(1));
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        CNode* n = *it;
        n->m_pType = RuleOf(n)(n, TypeAt(n, 0), TypeAt(n, 1));
    }
    return node->m_pType.Get();
}

// Most expressions are a few levels deep: typed by recursion, children
// first, down to kShallowLevels; a deeper part goes through the list.
constexpr int kShallowLevels = 32;

CType* TypeShallow(CNode* n, int level);

// A child's type, typed first when it has none; a leaf costs no call.
CType* TypeChild(CNode* n, size_t slot, int level) {
    CNode* c = n->GetChild(slot);
    if (!c) return nullptr;
    return c->m_pType ? c->m_pType.Get() : TypeShallow(c, level + 1);
}

CType* TypeShallow(CNode* n, int level) {
    if (n->m_pType) return n->m_pType.Get();
    CRule rule = RuleOf(n);
    if (!rule) return nullptr;
    if (level == kShallowLevels) return TypeByList(n);
    if (n->GetKind() == CToken::eFunctionName) {
        n->m_pType = rule(n, TypeAt(n, 0), TypeAt(n, 1));
    } else {
        CType* l = TypeChild(n, 0, level);
        n->m_pType = rule(n, l, TypeChild(n, 1, level));
    }
    return n->m_pType.Get();
}

}  // namespace

// Expressions may nest a million levels, so only the first levels are
// typed by recursion. A node already typed is not revisited.
CType* TypeOf(CNode* node) { return node ? TypeShallow(node, 0) : nullptr; }
