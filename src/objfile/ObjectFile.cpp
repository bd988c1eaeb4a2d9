// The object file: one compiled unit behind a container header, its body a
// single deflate stream holding, in order,
//
//   magic "OCO\0" | version | data size | data block | relocations |
//   external calls | states | commands | events | code
//
// every table written as a u32 count followed by its elements (little-endian
// words; the data block and the code as bytes). Writing goes to a temporary
// file that replaces the target only when complete. Reading trusts nothing:
// a count is checked against what the stream can still hold before anything
// is allocated, and a body that ends early or runs on is refused. Binding validates
// every position before it patches anything.
#include <algorithm>
#include <string>
#include <vector>

#include "objfile/ObjectFile.h"

#include "codegen/CodeGen.h"
#include "platform/Platform.h"
#include "support/LittleEndian.h"
#include "support/Stream.h"

namespace {

constexpr uint32_t kMagic = 0x004F434F;  // "OCO\0"
constexpr uint32_t kVersion = 0x00010000;
constexpr int kLevel = 6;
constexpr bool kCompressBody = true;  // the header stays plain, the body is deflated

// ---- writing ----

template <class T, class F>
void WriteTable(CStream& s, const CDynArray<T>& table, F writeElement) {
    s.WriteDword(uint32_t(table.GetSize()));
    for (const T& e : table) writeElement(e);
}

// The data block (a CDynArray) or the code (a CCodeBuffer).
template <class TBytes>
void WriteBytesTable(CStream& s, const TBytes& bytes) {
    s.WriteDword(uint32_t(bytes.GetSize()));
    s.WriteBytes(bytes.GetData(), bytes.GetSize());
}

// ---- reading ----

// The most bytes a stream can still deliver. deflate never expands by more
// than 1032:1, so a compressed count is bounded by the compressed bytes left
// (plus what already sits in the stream's two buffers and zlib's window).
uint64_t MostBytesLeft(const CStream& s) {
    const uint64_t raw = uint64_t(std::max<int64_t>(s.Remaining(), 0));
    const uint64_t buffers = 2 * CStream::kBufferSize;
    if (s.GetMode() & CStream::eLevelMask) return (raw + buffers) * 1032 + 65536;
    return raw + buffers;
}

bool ReadU32(CStream& s, uint32_t& v) {
    uint8_t b[4];
    if (s.ReadBytes(b, 4) != 4) return false;
    v = GetLe32(b);
    return true;
}

// Reads count elements of elemBytes each. The buffer grows only as data
// actually arrives, so even a count that passes the bound cannot make it
// allocate much more than the body really holds.
bool ReadRaw(CStream& s, uint32_t count, size_t elemBytes, std::vector<uint8_t>& out) {
    const uint64_t total = uint64_t(count) * elemBytes;
    out.clear();
    if (total > MostBytesLeft(s)) return false;
    constexpr size_t kChunk = 64 * 1024;
    while (out.size() < total) {
        const size_t want = size_t(std::min<uint64_t>(kChunk, total - out.size()));
        const size_t at = out.size();
        out.resize(at + want);
        if (s.ReadBytes(out.data() + at, want) != want) return false;
    }
    return true;
}

template <class TBytes>
bool ReadBytesTable(CStream& s, TBytes& table) {
    uint32_t count;
    std::vector<uint8_t> raw;
    if (!ReadU32(s, count) || !ReadRaw(s, count, 1, raw)) return false;
    table.SetSize(raw.size());
    std::copy(raw.begin(), raw.end(), table.begin());
    return true;
}

// A table of records made of `words` u32 each; build turns one record's
// words into an element.
template <class T, class F>
bool ReadWordTable(CStream& s, CDynArray<T>& table, size_t words, F build) {
    uint32_t count;
    std::vector<uint8_t> raw;
    if (!ReadU32(s, count) || !ReadRaw(s, count, 4 * words, raw)) return false;
    table.SetSize(count);
    uint32_t w[5];
    for (size_t i = 0; i < count; ++i) {
        for (size_t k = 0; k < words; ++k) w[k] = GetLe32(raw.data() + (i * words + k) * 4);
        table[i] = build(w);
    }
    return true;
}

// The body ends with the code: anything after it, or a compressed stream
// that the stream layer reports as broken, means the file is not one body.
bool AtEnd(CStream& s) {
    return s.ReadByte() < 0 && s.GetState() != CStream::eError;
}

// ---- binding ----

bool Inside(uint32_t position, size_t bytes, size_t codeSize) {
    return uint64_t(position) + bytes <= codeSize;
}

// Empties every table and the code.
void Clear(CCodeGen& u) {
    u.m_Code.SetSize(0);
    u.m_JumpFixups.SetSize(0);
    u.m_Data.SetSize(0);
    u.m_ExternalCalls.SetSize(0);
    u.m_Relocations.SetSize(0);
    u.m_Commands.SetSize(0);
    u.m_Events.SetSize(0);
    u.m_States.SetSize(0);
    u.m_nDataSize = 0;
}

}  // namespace

bool SaveUnit(const CCodeGen& u, const std::string& path, const std::string& className,
              int32_t classNumber, const uint8_t identifier[16]) {
    const std::string temp = path + "." + std::to_string(platform::ProcessId()) + ".tmp";
    bool written;
    {
        CFileStream s;
        s.Open(temp, CStream::eWrite | (kLevel << CStream::eLevelShift));
        s.WriteHeader(identifier, className, classNumber, kCompressBody);
        s.WriteDword(kMagic);
        s.WriteDword(kVersion);
        s.WriteDword(u.m_nDataSize);
        WriteBytesTable(s, u.m_Data);
        WriteTable(s, u.m_Relocations, [&](uint32_t p) { s.WriteDword(p); });
        WriteTable(s, u.m_ExternalCalls, [&](const CCodeGen::SExternalCall& c) {
            s.WriteDword(c.m_nPosition);
            s.WriteDword(c.m_nBuiltin);
        });
        WriteTable(s, u.m_States, [&](uint32_t p) { s.WriteDword(p); });
        WriteTable(s, u.m_Commands, [&](const CCodeGen::SCommandEntry& c) {
            s.WriteDword(c.m_nPosition);
            s.WriteDword(c.m_nDescriptor);
            for (uint32_t w : c.m_nReserved) s.WriteDword(w);
        });
        WriteTable(s, u.m_Events, [&](uint32_t p) { s.WriteDword(p); });
        WriteBytesTable(s, u.m_Code);
        s.Close();
        written = s.IsGood();
    }
    if (written && platform::RenameFile(temp, path)) return true;
    platform::RemoveFile(temp);
    return false;
}

bool LoadUnit(CStream& s, CCodeGen& u) {
    using SExternalCall = CCodeGen::SExternalCall;
    using SCommandEntry = CCodeGen::SCommandEntry;
    Clear(u);
    uint32_t magic, version;
    const bool ok =
        ReadU32(s, magic) && magic == kMagic && ReadU32(s, version) && version == kVersion &&
        ReadU32(s, u.m_nDataSize) && ReadBytesTable(s, u.m_Data) &&
        ReadWordTable(s, u.m_Relocations, 1, [](const uint32_t* w) { return w[0]; }) &&
        ReadWordTable(s, u.m_ExternalCalls, 2,
                      [](const uint32_t* w) { return SExternalCall{w[0], w[1]}; }) &&
        ReadWordTable(s, u.m_States, 1, [](const uint32_t* w) { return w[0]; }) &&
        ReadWordTable(s, u.m_Commands, 5,
                      [](const uint32_t* w) {
                          return SCommandEntry{w[0], w[1], {w[2], w[3], w[4]}};
                      }) &&
        ReadWordTable(s, u.m_Events, 1, [](const uint32_t* w) { return w[0]; }) &&
        ReadBytesTable(s, u.m_Code) && AtEnd(s);
    if (!ok) Clear(u);
    return ok;
}

bool BindUnit(CCodeGen& u, uint32_t codeAddress, uint32_t dataAddress, const uint32_t* builtins,
              size_t builtinCount) {
    const size_t size = u.m_Code.GetSize();
    for (const CCodeGen::SExternalCall& c : u.m_ExternalCalls)
        if (!Inside(c.m_nPosition, 4, size) || !builtins || c.m_nBuiltin >= builtinCount)
            return false;
    for (uint32_t p : u.m_Relocations)
        if (!Inside(p, 4, size)) return false;
    for (const CCodeGen::SCommandEntry& c : u.m_Commands)
        if (c.m_nPosition && !Inside(c.m_nPosition, 1, size)) return false;
    for (uint32_t p : u.m_Events)
        if (p && !Inside(p, 1, size)) return false;
    for (uint32_t p : u.m_States)
        if (p && !Inside(p, 1, size)) return false;

    uint8_t* code = u.m_Code.GetData();
    for (const CCodeGen::SExternalCall& c : u.m_ExternalCalls)
        PutLe32(code + c.m_nPosition, builtins[c.m_nBuiltin] - (codeAddress + c.m_nPosition) - 4);
    for (uint32_t p : u.m_Relocations) PutLe32(code + p, GetLe32(code + p) + dataAddress);
    // An entry of 0 means "no routine" for commands and events; a state
    // routine may legitimately start at 0.
    for (CCodeGen::SCommandEntry& c : u.m_Commands)
        if (c.m_nPosition) c.m_nPosition += codeAddress;
    for (uint32_t& p : u.m_Events)
        if (p) p += codeAddress;
    for (uint32_t& p : u.m_States) p += codeAddress;
    return true;
}
