#include "codegen/FunctionBodies.h"

#include <utility>

namespace {

constexpr size_t kFirstSize = 64;

}  // namespace

// Records are at least 8-byte aligned, so the low bits say nothing; the
// multiplication spreads the rest over the whole table.
size_t CFunctionBodies::Home(const CFunction* f) const {
    const uint64_t key = uint64_t(reinterpret_cast<uintptr_t>(f)) >> 3;
    return size_t((key * 0x9E3779B97F4A7C15ull) >> 32) & (m_Entries.size() - 1);
}

CLabel* CFunctionBodies::Find(const CFunction* f) const {
    if (m_Entries.empty()) return nullptr;
    const size_t mask = m_Entries.size() - 1;
    for (size_t i = Home(f);; i = (i + 1) & mask) {
        const SEntry& e = m_Entries[i];
        if (e.m_pFunction == f) return e.m_pLabel.Get();
        if (!e.m_pFunction) return nullptr;
    }
}

CFunctionBodies::SEntry& CFunctionBodies::EntryOf(const CFunction* f) {
    const size_t mask = m_Entries.size() - 1;
    for (size_t i = Home(f);; i = (i + 1) & mask) {
        SEntry& e = m_Entries[i];
        if (e.m_pFunction == f || !e.m_pFunction) return e;
    }
}

CLabel* CFunctionBodies::Add(const CFunction* f) {
    if (2 * (m_nCount + 1) > m_Entries.size()) Grow();
    SEntry& e = EntryOf(f);
    if (!e.m_pFunction) ++m_nCount;
    e.m_pFunction = f;
    e.m_pLabel = MakeRef<CLabel>();
    return e.m_pLabel.Get();
}

void CFunctionBodies::Grow() {
    std::vector<SEntry> old(m_Entries.empty() ? kFirstSize : 2 * m_Entries.size());
    old.swap(m_Entries);
    for (SEntry& e : old)
        if (e.m_pFunction) EntryOf(e.m_pFunction) = std::move(e);
}
