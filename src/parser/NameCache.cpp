// The resolution cache of a body: open addressing over a fixed table, where
// a slot of an older generation counts as empty, so clearing costs nothing.
#include "parser/NameCache.h"

CRefPtr<CNode> CNameCache::Make(const SEntry& e) {
    switch (e.m_nKind) {
    case EKind::eVariable: return new CVariableNode(static_cast<CVariable*>(e.m_pTarget));
    case EKind::eConstant: return new CConstNode(CConstValue::MakeInt(e.m_nValue).Get());
    case EKind::eCall: return new CCallNode(static_cast<CFunction*>(e.m_pTarget), nullptr, e.m_nValue);
    }
    return nullptr;
}

// Asked once per script function, and almost always a miss: the folded
// bits turn most of them away without a walk over the slots.
void CNameCache::ForgetNoCase(std::string_view name) {
    if (!(m_nFolded & FoldedBit(name))) return;
    for (const SEntry& e : m_Slots)
        if (e.m_nGeneration == m_nGeneration && EqualsNoCase(e.m_strName, name)) return Clear();
}

void CNameCache::Add(std::string_view name, uint32_t hash, CNode* node) {
    if (m_nUsed >= kMaxUsed || Find(name, hash)) return;
    size_t i = hash;
    while (m_Slots[i & (kSlots - 1)].m_nGeneration == m_nGeneration) ++i;
    SEntry& slot = m_Slots[i & (kSlots - 1)];
    if (CVariableNode* v = NodeAs<CVariableNode>(node)) {
        if (v->m_pObject) return;  // a member after a dot is not a name of the body
        slot.m_nKind = EKind::eVariable;
        slot.m_pTarget = v->m_pVariable;
    } else if (CConstNode* k = NodeAs<CConstNode>(node)) {
        slot.m_nKind = EKind::eConstant;
        slot.m_nValue = k->m_pValue->m_nValue;
    } else if (CCallNode* call = NodeAs<CCallNode>(node)) {
        if (call->m_pObject) return;
        slot.m_nKind = EKind::eCall;
        slot.m_pTarget = call->m_pFunction;
        slot.m_nValue = call->m_bOwn;
    } else {
        return;
    }
    slot.m_nGeneration = m_nGeneration;
    slot.m_nHash = hash;
    slot.m_nSize = uint32_t(name.size());
    slot.m_strName.assign(name);
    m_nFolded |= FoldedBit(name);
    ++m_nUsed;
}
