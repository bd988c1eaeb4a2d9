// The state table: ordered entries with an exact-name index.
#include "semantic/States.h"

int32_t CStatesTable::Find(const CStr& name) const {
    const uint32_t pos = m_Index.Find(name, [this](uint32_t i) { return NameAt(i); });
    return pos == CNameIndex::kNone ? -1 : int32_t(pos);
}

int32_t CStatesTable::FindOrAdd(const CStr& name) {
    const uint32_t pos = uint32_t(m_Entries.GetSize());
    const uint32_t first = m_Index.AddUnique(name, pos, [this](uint32_t i) { return NameAt(i); });
    if (first == pos) m_Entries.Add(CStateEntry{name, 0});
    return int32_t(first);
}

int32_t CStatesTable::FirstUndefined() const {
    for (size_t i = 0; i < m_Entries.GetSize(); ++i)
        if (!m_Entries[i].m_bDefined) return int32_t(i);
    return -1;
}
