// One operand of one IA-32 instruction, and the register codes.
//
// The generated code computes in 32-bit registers and dword memory only, so
// every register code has the size class 4 in its high nibble and the
// hardware register number in its low three bits:
//
//     7   4 3 2   0
//    +-----+-+-----+
//    |0100 |0| reg |     0x40 EAX, 0x41 ECX ... 0x44 ESP, 0x45 EBP ...
//    +-----+-+-----+
//
// A memory operand is always dword [base + displacement]; the encoder has
// no forms for anything else because nothing else is ever generated.
#pragma once
#include <cstdint>

enum ERegister : uint8_t { eEAX = 0x40, eECX, eEDX, eEBX, eESP, eEBP, eESI, eEDI };

constexpr bool IsRegister32(uint8_t code) { return (code & 0xF8) == 0x40; }
constexpr uint8_t RegisterNumber(uint8_t code) { return code & 7; }

class COperand {
public:
    enum EKind : uint8_t {
        eNone = 0,
        eRegister = 1,
        eImmediate = 2,
        eAddress = 3,  // a code or data address: always 32-bit, so a fixup can fill it
        eMemory = 4,
    };

    COperand() = default;
    explicit COperand(ERegister reg) : m_nKind(eRegister), m_nRegister(reg) {}

    static COperand Imm(int32_t value) { return COperand(eImmediate, 0, value); }
    static COperand Address(int32_t value) { return COperand(eAddress, 0, value); }
    // dword [base + displacement]
    static COperand Dword(ERegister base, int32_t displacement) {
        return COperand(eMemory, base, displacement);
    }

    bool IsNone() const { return m_nKind == eNone; }
    bool IsRegister() const { return m_nKind == eRegister; }
    bool IsImmediate() const { return m_nKind == eImmediate || m_nKind == eAddress; }
    bool IsMemory() const { return m_nKind == eMemory; }

    EKind m_nKind = eNone;
    uint8_t m_nRegister = 0;  // the register (kind 1) or the base (kind 4)
    int32_t m_nValue = 0;     // the immediate or the displacement

private:
    COperand(EKind kind, uint8_t reg, int32_t value)
        : m_nKind(kind), m_nRegister(reg), m_nValue(value) {}
};
