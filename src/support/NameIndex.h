// CNameIndex: finds positions in a list by name, for a list that keeps the
// names itself. The table is a flat power-of-two array of {hash, first
// position} slots, probed linearly and grown past 5/8 full; it copies no
// name: a slot's name is read from the owner's list at its position, which
// the owner passes as `nameAt(pos)`. Positions recorded under one name are
// chained in the order they were added (list order when the owner adds them
// ascending), so a "first match in the list" search visits only the
// same-named entries, in order. An ignore-case index folds 'A'-'Z' when it
// hashes and compares, as EqualsNoCase does.
#pragma once
#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

#include "support/Str.h"

class CNameIndex {
public:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    explicit CNameIndex(bool ignoreCase = false) : m_bIgnoreCase(ignoreCase) {}

    // Number of distinct names recorded.
    uint32_t GetNameCount() const { return m_nNames; }

    // First position recorded under `name`, or kNone.
    template <class NameAt>
    uint32_t Find(std::string_view name, const NameAt& nameAt) const {
        if (m_Slots.empty()) return kNone;
        return m_Slots[Probe(name, Hash(name), nameAt)].m_nFirst;
    }

    // FNV-1a over 64 bits, folded to 32 (letters folded when ignoring case).
    // Under h * 33 + c, "ar" and "c0" collide and so does every string of
    // such pairs: a script could make thousands of names share one slot and
    // every lookup walk them all. Here colliding names take a search.
    static uint32_t HashOf(std::string_view name, bool ignoreCase) {
        uint64_t h = 0xCBF29CE484222325ull;
        if (ignoreCase)
            for (char c : name) h = (h ^ uint8_t(FoldCase(c))) * 0x100000001B3ull;
        else
            for (char c : name) h = (h ^ uint8_t(c)) * 0x100000001B3ull;
        return uint32_t(h ^ (h >> 32));
    }

    // The position recorded after `pos` under the same name, or kNone.
    uint32_t Next(uint32_t pos) const { return pos < m_Next.size() ? m_Next[pos] : kNone; }

    // Records `pos` under `name`, after the positions already there. Returns
    // the first position under that name: `pos` when the name is new.
    template <class NameAt>
    uint32_t Add(std::string_view name, uint32_t pos, const NameAt& nameAt) {
        SSlot& slot = SlotFor(name, nameAt);
        if (slot.m_nFirst == kNone) return Fill(slot, pos);
        Chain(slot.m_nFirst, pos);
        return slot.m_nFirst;
    }

    // Records `pos` only when no position has that name yet. Returns the
    // first position under that name: `pos` when it was recorded.
    template <class NameAt>
    uint32_t AddUnique(std::string_view name, uint32_t pos, const NameAt& nameAt) {
        SSlot& slot = SlotFor(name, nameAt);
        return slot.m_nFirst == kNone ? Fill(slot, pos) : slot.m_nFirst;
    }

private:
    struct SSlot {
        uint32_t m_nHash = 0;
        uint32_t m_nFirst = kNone;  // kNone: the slot is free
    };

    uint32_t Hash(std::string_view name) const { return HashOf(name, m_bIgnoreCase); }

    // Multiplying spreads names that differ in their last letters only
    // (f1, f2, ...) over the whole table before the top bits pick the slot.
    uint32_t Home(uint32_t hash) const { return (hash * 0x9E3779B1u) >> m_nShift; }

    template <class NameAt>
    bool Matches(const SSlot& slot, std::string_view name, uint32_t hash, const NameAt& nameAt) const {
        if (slot.m_nHash != hash) return false;
        std::string_view held = nameAt(slot.m_nFirst);
        return m_bIgnoreCase ? EqualsNoCase(held, name) : held == name;
    }

    // The slot holding `name`, or the free slot where it would go.
    template <class NameAt>
    uint32_t Probe(std::string_view name, uint32_t hash, const NameAt& nameAt) const {
        const uint32_t mask = uint32_t(m_Slots.size() - 1);
        uint32_t i = Home(hash);
        while (m_Slots[i].m_nFirst != kNone && !Matches(m_Slots[i], name, hash, nameAt)) i = (i + 1) & mask;
        return i;
    }

    template <class NameAt>
    SSlot& SlotFor(std::string_view name, const NameAt& nameAt) {
        if ((m_nNames + 1) * 8 > m_Slots.size() * 5) Grow();
        const uint32_t hash = Hash(name);
        SSlot& slot = m_Slots[Probe(name, hash, nameAt)];
        if (slot.m_nFirst == kNone) slot.m_nHash = hash;
        return slot;
    }

    uint32_t Fill(SSlot& slot, uint32_t pos) {
        slot.m_nFirst = pos;
        ++m_nNames;
        return pos;
    }

    // Appends `pos` at the end of the chain that starts at `first`.
    void Chain(uint32_t first, uint32_t pos) {
        uint32_t last = first;
        while (Next(last) != kNone) last = Next(last);
        const size_t needed = size_t(last > pos ? last : pos) + 1;
        if (m_Next.size() < needed) m_Next.resize(needed, kNone);
        m_Next[last] = pos;
    }

    // Doubles the table (8 slots at first) and puts every slot back by its
    // stored hash; no name is read.
    void Grow() {
        std::vector<SSlot> old(m_Slots.empty() ? 8 : m_Slots.size() * 2);
        old.swap(m_Slots);
        m_nShift = uint32_t(32 - std::countr_zero(uint32_t(m_Slots.size())));
        const uint32_t mask = uint32_t(m_Slots.size() - 1);
        for (const SSlot& s : old) {
            if (s.m_nFirst == kNone) continue;
            uint32_t i = Home(s.m_nHash);
            while (m_Slots[i].m_nFirst != kNone) i = (i + 1) & mask;
            m_Slots[i] = s;
        }
    }

    std::vector<SSlot> m_Slots;
    // Next position under the same name, for positions that have one; empty
    // while no name is recorded twice.
    std::vector<uint32_t> m_Next;
    uint32_t m_nNames = 0;
    uint32_t m_nShift = 32;
    bool m_bIgnoreCase;
};
