// The header is parsed here rather than skipped by the stream, because the
// dump shows it and because a file without the container magic must be
// refused instead of being read as a body from its first byte.
#include "UnitFile.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "objfile/ObjectFile.h"
#include "support/LittleEndian.h"
#include "support/Stream.h"

namespace {

constexpr uint8_t kMagic[3] = {0xFF, 0xA1, 0xD0};
constexpr uint8_t kCompressed = 1, kName = 8, kNumber = 16, kId = 32;

bool ParseHeader(const std::vector<uint8_t>& b, SUnitHeader& h, std::string& error) {
    if (b.size() < 4 || b[0] != kMagic[0] || b[1] != kMagic[1] || b[2] != kMagic[2]) {
        error = "not an object file (no container header)";
        return false;
    }
    h.m_nFlags = b[3];
    if (!(h.m_nFlags & kCompressed)) {
        error = "not an object file (body not compressed)";
        return false;
    }
    size_t at = 4;
    auto need = [&](size_t n) { return at + n <= b.size(); };
    if (h.m_nFlags & kName) {
        if (!need(1) || !need(1 + size_t(b[at]))) return error = "truncated header", false;
        h.m_bHasName = true;
        h.m_strName.assign(b.begin() + long(at) + 1, b.begin() + long(at) + 1 + b[at]);
        at += 1 + size_t(b[at]);
    }
    if (h.m_nFlags & kNumber) {
        if (!need(4)) return error = "truncated header", false;
        h.m_bHasNumber = true;
        h.m_nClassNumber = int32_t(GetLe32(b.data() + at));
        at += 4;
    }
    if (h.m_nFlags & kId) {
        if (!need(16)) return error = "truncated header", false;
        for (int i = 0; i < 16; ++i) h.m_Guid[i] = b[at + size_t(i)];
    }
    return true;
}

}  // namespace

bool ReadUnitFile(const std::string& path, SUnitHeader& header, CCodeGen& unit, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open the file";
        return false;
    }
    // The header is at most 4 + 1 + 255 + 4 + 16 bytes.
    std::vector<uint8_t> head(280);
    in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    head.resize(size_t(in.gcount()));
    if (!ParseHeader(head, header, error)) return false;
    CFileStream s;
    if (!s.Open(path, CStream::eRead | (6 << CStream::eLevelShift))) {
        error = "cannot open the file";
        return false;
    }
    if (!LoadUnit(s, unit)) {
        error = "not an object file (body damaged, truncated or of another version)";
        return false;
    }
    return true;
}

std::string FormatGuid(const uint8_t g[16]) {
    char text[40];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  g[3], g[2], g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12],
                  g[13], g[14], g[15]);
    return text;
}
