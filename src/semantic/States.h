// The state table of one compilation: states in the order of their first
// declaration or definition; a state's number is its position. Names are
// matched exactly, through an index.
#pragma once
#include <cstdint>
#include <string_view>

#include "support/DynArray.h"
#include "support/NameIndex.h"
#include "support/Str.h"

struct CStateEntry {
    CStr m_strName;
    uint32_t m_bDefined = 0;
};

class CStatesTable {
public:
    // Index of the state, or -1.
    int32_t Find(const CStr& name) const;
    // Index of the state, appending it undefined when absent.
    int32_t FindOrAdd(const CStr& name);
    size_t GetSize() const { return m_Entries.GetSize(); }
    CStateEntry& operator[](size_t i) { return m_Entries[i]; }
    const CStateEntry& operator[](size_t i) const { return m_Entries[i]; }
    // Index of the first entry still undefined, or -1.
    int32_t FirstUndefined() const;

private:
    std::string_view NameAt(uint32_t i) const { return m_Entries[i].m_strName; }

    CDynArray<CStateEntry> m_Entries;
    CNameIndex m_Index;
};
