// The state table: ordered entries with an exact-name index.
#include "semantic/States.h"

int32_t CStatesTable::Find(const CStr& name) const {
    auto it = m_Index.find(name);
    return it == m_Index.end() ? -1 : it->second;
}

int32_t CStatesTable::FindOrAdd(const CStr& name) {
    auto [it, added] = m_Index.emplace(name, int32_t(m_Entries.GetSize()));
    if (added) m_Entries.Add(CStateEntry{name, 0});
    return it->second;
}

int32_t CStatesTable::FirstUndefined() const {
    for (size_t i = 0; i < m_Entries.GetSize(); ++i)
        if (!m_Entries[i].m_bDefined) return int32_t(i);
    return -1;
}
