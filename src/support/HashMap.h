// Hashed maps. String keys hash and compare without regard to letter case
// ('A'-'Z' only), so two spellings of one name are one key; GUID keys hash
// their 16 bytes in memory order. Both stand on std::unordered_map.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "support/Str.h"

struct CNoCaseHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return HashNoCase(s); }
};
struct CNoCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return EqualsNoCase(a, b); }
};

template <class V>
using CHashMap = std::unordered_map<std::string, V, CNoCaseHash, CNoCaseEqual>;

using CGuidBytes = std::array<uint8_t, 16>;
struct CGuidHash {
    size_t operator()(const CGuidBytes& g) const {
        uint32_t h = 0;
        for (uint8_t b : g) h = h * 33 + b;
        return h;
    }
};
template <class V>
using CGuidMap = std::unordered_map<CGuidBytes, V, CGuidHash>;
