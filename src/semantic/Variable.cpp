// Scopes: declaration-ordered variable lists with an exact-name index, and
// the temporaries that code generation borrows from them.
#include "semantic/Variable.h"

#include <algorithm>
#include <functional>
#include <string>

CVariable::CVariable(uint32_t kind, CType* type, const CStr& name)
    : m_nKind(kind), m_pType(type), m_strName(name) {}

CVariable* CVariableList::FindIndexed(std::string_view name) const {
    const uint32_t pos = FindIndexedPos(name);
    return pos == CNameIndex::kNone ? nullptr : Get(pos);
}

// The index is built when the list outgrows a scan, then kept up.
CVariable* CVariableList::Append(const CStr& name, CType* type, uint32_t kind) {
    uint32_t pos = uint32_t(m_Variables.GetSize());
    m_Variables.Add(MakeRef<CVariable>(kind, type, name));
    auto nameAt = [this](uint32_t i) { return NameAt(i); };
    if (pos >= kScanLimit && !m_Index.GetNameCount())
        for (uint32_t i = 0; i <= pos; ++i) m_Index.AddUnique(NameAt(i), i, nameAt);
    else if (pos >= kScanLimit)
        m_Index.AddUnique(name, pos, nameAt);
    if (kind == CVariable::eLocal && !name.empty() && name[0] == '$') m_Temporaries.push_back(pos);
    return Get(pos);
}

CVariable* CVariableList::Add(const CStr& name, CType* type, uint32_t kind) {
    if (Find(name)) return nullptr;
    return Append(name, type, kind);
}

CVariable* CVariableList::GetVariable(std::string_view name, uint32_t typeKind) {
    if (!name.empty()) {
        if (CVariable* v = Find(name)) return v;
        return Append(CStr(name), MakeRef<CType>(typeKind).Get(), CVariable::eLocal);
    }
    // Only locals are lent out: "$State" and "$Loop" of a class block are
    // never handed out as scratch space.
    for (uint32_t pos : m_Temporaries)
        if (!Get(pos)->m_bInUse) return Get(pos);
    CStr temp = "$" + std::to_string(m_Variables.GetSize());
    if (CVariable* v = Find(temp)) return v;
    return Append(temp, MakeRef<CType>(typeKind).Get(), CVariable::eLocal);
}

CVariable* CVariableList::AcquireTemporary() {
    CVariable* temp = nullptr;
    if (!m_FreeTemporaries.empty()) {
        temp = Get(m_FreeTemporaries.back());
        m_FreeTemporaries.pop_back();
    } else {
        CStr name = "$" + std::to_string(m_Variables.GetSize());
        temp = Append(name, MakeRef<CType>(CType::eInt).Get(), CVariable::eLocal);
    }
    ++temp->m_bInUse;
    return temp;
}

void CVariableList::ReleaseTemporary(CVariable* temp) {
    if (!temp || !temp->m_bInUse) return;
    if (--temp->m_bInUse) return;
    // Freed at the place of the first variable of its name, when that is it.
    uint32_t pos = 0;
    if (m_Variables.GetSize() > kScanLimit) {
        pos = FindIndexedPos(temp->m_strName);
        if (pos == CNameIndex::kNone) return;
    } else {
        while (pos < m_Variables.GetSize() && Get(pos)->m_strName != temp->m_strName) ++pos;
        if (pos == m_Variables.GetSize()) return;
    }
    if (Get(pos) != temp) return;
    auto at = std::lower_bound(m_FreeTemporaries.begin(), m_FreeTemporaries.end(), pos, std::greater<>());
    if (at == m_FreeTemporaries.end() || *at != pos) m_FreeTemporaries.insert(at, pos);
}

uint32_t CVariableList::GetTotalSize() const {
    uint32_t size = 0;
    for (const CRefPtr<CVariable>& v : m_Variables) size += v->GetType() ? v->GetType()->GetSize() : 0;
    return size;
}
