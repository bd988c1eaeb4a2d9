// Strings. CStr is the standard string: copies are independent values, which is
// what the compiler observes of a shared copy-on-write string. Names that the
// language compares without regard to letter case fold 'A'-'Z' only, never
// the bytes above 127, so these helpers do not use the locale.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

using CStr = std::string;

inline char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

// h = h * 33 + fold(c), 32-bit.
inline uint32_t HashNoCase(std::string_view s) {
    uint32_t h = 0;
    for (char c : s) h = h * 33 + uint8_t(FoldCase(c));
    return h;
}
