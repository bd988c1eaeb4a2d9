// CNameCache: what the names of one routine body resolved to, so that a name
// used again is found by one hash probe instead of a walk over the scopes
// and the class model. Within a body a name resolves alike wherever it
// stands (nested blocks declare nothing) until the body declares another
// variable, so the parser clears the cache when a body opens or closes and
// after every declaration. Only successes are kept: a name that failed goes
// the whole way again, and what a hit makes is the node the whole way
// would have made. The table is fixed; once it is three quarters full,
// further names are simply not kept.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "parser/Node.h"
#include "support/Str.h"

class CNameCache {
public:
    // The hash of a zero-terminated name; `size` receives its length.
    static uint32_t Hash(const char* text, size_t& size) {
        uint32_t h = 2166136261u;
        const char* p = text;
        for (; *p; ++p) h = (h ^ uint8_t(*p)) * 16777619u;
        size = size_t(p - text);
        return h;
    }

    // A fresh node for `name` as it resolved before, or null when it is not
    // kept.
    CRefPtr<CNode> MakeNode(std::string_view name, uint32_t hash) const {
        const SEntry* e = m_nUsed ? Find(name, hash) : nullptr;
        return e ? Make(*e) : nullptr;
    }
    // Keeps what `node` (just made by the whole resolution) says about `name`.
    void Add(std::string_view name, uint32_t hash, CNode* node);
    void Clear() { ++m_nGeneration, m_nUsed = 0, m_nFolded = 0; }
    // Clears the cache when it holds `name` in any letter case: a script
    // function of that name now comes before what it resolved to.
    void ForgetNoCase(std::string_view name);
    size_t GetSize() const { return m_nUsed; }

private:
    static constexpr size_t kSlots = 64;
    static constexpr size_t kMaxUsed = kSlots * 3 / 4;
    enum class EKind : uint8_t { eVariable, eConstant, eCall };

    struct SEntry {
        uint32_t m_nGeneration = 0;  // current only when equal to the cache's
        uint32_t m_nHash = 0;
        uint32_t m_nSize = 0;
        EKind m_nKind = EKind::eVariable;
        int32_t m_nValue = 0;  // a constant's value; for a call, its own flag
        void* m_pTarget = nullptr;  // the variable or the function
        CStr m_strName;
    };

    // Names are short: compared here byte by byte once the hash agrees.
    const SEntry* Find(std::string_view name, uint32_t hash) const {
        for (size_t i = hash;; ++i) {
            const SEntry& e = m_Slots[i & (kSlots - 1)];
            if (e.m_nGeneration != m_nGeneration) return nullptr;
            if (e.m_nHash == hash && e.m_nSize == name.size() && Equal(e.m_strName.data(), name)) return &e;
        }
    }
    // One bit per kept name, the same for every letter case of it, so that
    // ForgetNoCase walks the slots only when a kept name could match.
    static uint64_t FoldedBit(std::string_view name) {
        const size_t last = name.empty() ? 0 : uint8_t(FoldCase(name.back()));
        return uint64_t(1) << ((name.size() * 7 + last) & 63);
    }
    static bool Equal(const char* kept, std::string_view name) {
        for (char ch : name)
            if (*kept++ != ch) return false;
        return true;
    }
    static CRefPtr<CNode> Make(const SEntry& e);

    std::array<SEntry, kSlots> m_Slots;
    uint32_t m_nGeneration = 1;
    size_t m_nUsed = 0;
    uint64_t m_nFolded = 0;  // FoldedBit of every kept name
};
