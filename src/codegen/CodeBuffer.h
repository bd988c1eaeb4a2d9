// The unit's code bytes. Its storage always runs at least kRoom bytes past
// the end, so the encoder writes a whole instruction in place after one
// check, with no copy and no per-byte bookkeeping; it may even store whole
// words that reach past the instruction, since bytes past the end are
// scratch. Every byte below GetSize() was either written by the encoder or
// zeroed by SetSize, so scratch never shows through.
//
// The storage starts at 4096 bytes and doubles when it runs out; it is
// not zeroed ahead of use, so untouched pages cost nothing. It grows by
// realloc, which can extend a large block where it lies (on Linux by
// remapping its pages) instead of copying the code written so far.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

class CCodeBuffer {
public:
    // The longest instruction (12 bytes) plus a four-byte store past it.
    static constexpr size_t kRoom = 16;

    size_t GetSize() const { return m_nSize; }
    uint8_t* GetData() { return m_pBytes.get(); }
    const uint8_t* GetData() const { return m_pBytes.get(); }
    uint8_t& operator[](size_t i) { return m_pBytes.get()[i]; }
    const uint8_t& operator[](size_t i) const { return m_pBytes.get()[i]; }
    uint8_t* begin() { return GetData(); }
    uint8_t* end() { return GetData() + m_nSize; }
    const uint8_t* begin() const { return GetData(); }
    const uint8_t* end() const { return GetData() + m_nSize; }

    // Bytes added by growing are 0.
    void SetSize(size_t size) {
        Reserve(size);
        if (size > m_nSize) std::memset(GetData() + m_nSize, 0, size - m_nSize);
        m_nSize = size;
    }
    void Add(uint8_t b) { *Room() = b; m_nSize += 1; }

    // Where the next instruction goes: kRoom bytes (or `count`) may be
    // written there. End(p) then makes p the new end.
    uint8_t* Room(size_t count = kRoom) {
        if (m_nCapacity - m_nSize < count) [[unlikely]]
            Reserve(m_nSize + count);
        return GetData() + m_nSize;
    }
    void End(const uint8_t* p) { m_nSize = size_t(p - GetData()); }
    // Room() split in two for a caller that handles the growth itself:
    // whether kRoom bytes are there, and where they start.
    bool HasRoom() const { return m_nCapacity - m_nSize >= kRoom; }
    uint8_t* Tail() { return GetData() + m_nSize; }

private:
    // Storage for `size` bytes and kRoom beyond them. Out of line (in
    // CodeGen.cpp), so the encoder's fast path stays small.
    void Reserve(size_t size);

    struct SFree {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t, SFree> m_pBytes;
    size_t m_nSize = 0;
    size_t m_nCapacity = 0;
};
