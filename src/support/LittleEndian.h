// Little-endian words in byte buffers: every number in an object file, a
// stream header or a machine instruction is stored low byte first, whatever
// the host's own order. Reading and writing byte by byte also keeps the
// access free of alignment rules, since words often follow strings.
#pragma once
#include <cstddef>
#include <cstdint>

// The low `count` bytes of value (at most 4), low byte first.
inline void PutLe(uint8_t* at, uint32_t value, size_t count) {
    for (size_t i = 0; i < count; ++i) at[i] = uint8_t(value >> (8 * i));
}

// Written out byte by byte, so that the compiler sees one four-byte store
// even where it would keep PutLe's loop (as in a loop of its own).
inline void PutLe32(uint8_t* at, uint32_t value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
    at[2] = uint8_t(value >> 16);
    at[3] = uint8_t(value >> 24);
}

inline uint32_t GetLe32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 |
           uint32_t(at[3]) << 24;
}
