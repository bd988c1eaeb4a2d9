// One operand of one IA-32 instruction, and the register codes.
//
// A register code carries its size class in the high nibble (1, 2 or 4 bytes,
// which is also the operand's access size) and the hardware register number
// in the low three bits:
//
//     7   4 3 2   0
//    +-----+-+-----+
//    |size |0| reg |     0x40 EAX, 0x44 ESP, 0x25 BP, 0x11 CL ...
//    +-----+-+-----+
//
// Code 0 means "no register" for a memory operand's base or index.
#pragma once
#include <cstdint>

enum ERegister : uint8_t {
    eNoRegister = 0,
    eAL = 0x10, eCL, eDL, eBL, eAH, eCH, eDH, eBH,
    eAX = 0x20, eCX, eDX, eBX, eSP, eBP, eSI, eDI,
    eEAX = 0x40, eECX, eEDX, eEBX, eESP, eEBP, eESI, eEDI,
};

// Size class in bytes (1, 2, 4) of a well-formed register code, else 0.
constexpr int RegisterSize(uint8_t code) {
    if (code & 0x08) return 0;
    int size = code >> 4;
    return (size == 1 || size == 2 || size == 4) ? size : 0;
}
constexpr uint8_t RegisterNumber(uint8_t code) { return code & 7; }

class COperand {
public:
    enum EKind : uint8_t {
        eNone = 0,
        eRegister = 1,
        eImmediate = 2,
        eAddress = 3,        // an immediate that is a code or data address: always 32-bit
        eMemory = 4,
        eMemoryAddress = 5,  // memory whose displacement is patched later: always disp32
    };

    COperand() = default;

    explicit COperand(ERegister reg)
        : m_nKind(eRegister), m_nRegister(reg), m_nSize(uint8_t(reg >> 4)) {}

    COperand(int32_t value, bool address)
        : m_nKind(address ? eAddress : eImmediate), m_nValue(value) {}

    // A base-only operand with scale 1 is what the encoder expects, so an
    // index standing alone at scale 1 is turned into the base.
    COperand(uint8_t base, uint8_t index, uint8_t scale, int32_t displacement, uint8_t size,
             bool wide)
        : m_nKind(wide ? eMemoryAddress : eMemory), m_nRegister(base), m_nIndex(index),
          m_nScale(scale), m_nValue(displacement), m_nSize(size) {
        if (scale == 1 && index != eNoRegister && base == eNoRegister) {
            m_nRegister = index;
            m_nIndex = eNoRegister;
        }
    }

    // dword [base + displacement]
    static COperand Dword(ERegister base, int32_t displacement) {
        return COperand(base, eNoRegister, 1, displacement, 4, false);
    }

    bool IsNone() const { return m_nKind == eNone; }
    bool IsRegister() const { return m_nKind == eRegister; }
    bool IsImmediate() const { return m_nKind == eImmediate || m_nKind == eAddress; }
    bool IsMemory() const { return m_nKind == eMemory || m_nKind == eMemoryAddress; }

    EKind m_nKind = eNone;
    uint8_t m_nRegister = eNoRegister;  // register (kind 1) or base (kinds 4, 5)
    uint8_t m_nIndex = eNoRegister;
    uint8_t m_nScale = 1;
    int32_t m_nValue = 0;               // immediate or displacement
    uint8_t m_nSize = 0;                // access size in bytes
};
