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
using CRule = CRefPtr<CType> (*)(CNode* node, CType* l, CType* r);

bool IsInt(const CType* t) { return t && t->IsKind(CType::eInt); }
bool IsClass(const CType* t) { return t && t->IsKind(CType::eClass); }
bool IsCond(const CType* t) { return t && t->IsKind(CType::eCondition); }
bool IsAssignable(const CNode* n) {
    return n && (n->GetKind() == CToken::eText || n->GetKind() == CToken::eBrackets);
}

// Int and condition results carry nothing of their own and nothing changes
// them later, so every node of one kind shares a record.
CRefPtr<CType> Fresh(uint32_t kind) { return CType::GetShared(kind); }

// a[i]
CRefPtr<CType> Index(CNode* n, CType* l, CType* r) {
    return l && l->IsArray() && IsInt(r) ? l->GetElement() : nullptr;
}

// !x ~x +x -x: any typed operand.
CRefPtr<CType> Unary(CNode* n, CType* l, CType* r) { return l ? Fresh(CType::eInt) : nullptr; }

// a + b and the other arithmetic and bit operators.
CRefPtr<CType> Arithmetic(CNode* n, CType* l, CType* r) {
    return IsInt(l) && IsInt(r) ? l : nullptr;
}

// ++x --x on a name or an element.
CRefPtr<CType> Step(CNode* n, CType* l, CType* r) {
    return IsAssignable(n->GetChild(0)) && IsInt(l) ? l : nullptr;
}

CRefPtr<CType> Ordering(CNode* n, CType* l, CType* r) {
    return IsInt(l) && IsInt(r) ? Fresh(CType::eCondition) : nullptr;
}

// == and != also compare references, with each other or with null.
CRefPtr<CType> Equality(CNode* n, CType* l, CType* r) {
    if (IsInt(l) && IsInt(r)) return Fresh(CType::eCondition);
    bool refs = (IsClass(l) || CType::IsNull(l)) && (IsClass(r) || CType::IsNull(r));
    if (refs && (!IsClass(l) || !IsClass(r) || CType::IsSame(l, r))) return Fresh(CType::eCondition);
    return nullptr;
}

CRefPtr<CType> Logical(CNode* n, CType* l, CType* r) {
    return (IsInt(l) || IsCond(l)) && (IsInt(r) || IsCond(r)) ? Fresh(CType::eCondition) : nullptr;
}

CRefPtr<CType> Assign(CNode* n, CType* l, CType* r) {
    if (!IsAssignable(n->GetChild(0))) return nullptr;
    if (IsInt(l) && IsInt(r)) return l;
    if (IsClass(l) && IsClass(r) && CType::IsSame(l, r)) return l;
    if (IsClass(l) && CType::IsNull(r)) return l;
    return nullptr;
}

CRefPtr<CType> Call(CNode* n, CType* l, CType* r) {
    const CFunction* f = static_cast<CCallNode*>(n)->m_pFunction.Get();
    return f ? f->m_pResult : nullptr;
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

CType* TypeShallow(CNode* n, int level) {
    if (!n || n->m_pType) return n ? n->m_pType.Get() : nullptr;
    CRule rule = RuleOf(n);
    if (!rule) return nullptr;
    if (level == kShallowLevels) return TypeByList(n);
    if (n->GetKind() != CToken::eFunctionName) {
        TypeShallow(n->GetChild(0), level + 1);
        TypeShallow(n->GetChild(1), level + 1);
    }
    n->m_pType = rule(n, TypeAt(n, 0), TypeAt(n, 1));
    return n->m_pType.Get();
}

}  // namespace

// Expressions may nest a million levels, so only the first levels are
// typed by recursion. A node already typed is not revisited.
CType* TypeOf(CNode* node) { return TypeShallow(node, 0); }
