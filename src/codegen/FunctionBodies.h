// The body label of each script function translated so far, found by the
// function's record. Every call to a script function looks one up, so the
// table is one flat array probed in place (open addressing, at most half
// full): a lookup touches one or two neighbouring entries, not a chain of
// separately allocated nodes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codegen/Label.h"
#include "support/RefObject.h"

class CFunction;

class CFunctionBodies {
public:
    // The body label of f, or null while f has none.
    CLabel* Find(const CFunction* f) const;
    // A new body label for f, which replaces any label f had.
    CLabel* Add(const CFunction* f);
    size_t GetSize() const { return m_nCount; }

private:
    struct SEntry {
        const CFunction* m_pFunction = nullptr;  // null: a free entry
        CRefPtr<CLabel> m_pLabel;
    };
    // Where the search for f starts; the table size is a power of two.
    size_t Home(const CFunction* f) const;
    // The entry of f, or the free entry where f would go.
    SEntry& EntryOf(const CFunction* f);
    void Grow();

    std::vector<SEntry> m_Entries;
    size_t m_nCount = 0;
};
