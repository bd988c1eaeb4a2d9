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
    // What the encoder needs to choose a form, worked out when the operand
    // is made (where the register and often the value are constants). An
    // address is always 32 bits wide, so a fixup can fill it; an immediate
    // takes the narrowest range its value fits; a register code that names
    // no 32-bit register, alone or as a base, fits no form.
    enum EShape : uint8_t { sNone, sEax, sReg, sMem, sZero, sImm8, sImm16, sImm32, sAddress, sBad, kShapes };

    COperand() = default;
    explicit COperand(ERegister reg)
        : m_nKind(eRegister), m_nShape(!IsRegister32(reg) ? sBad : reg == eEAX ? sEax : sReg), m_nRegister(reg) {}

    static COperand Imm(int32_t value) { return COperand(eImmediate, ImmediateShape(value), 0, value); }
    static COperand Address(int32_t value) { return COperand(eAddress, sAddress, 0, value); }
    // dword [base + displacement]
    static COperand Dword(ERegister base, int32_t displacement) {
        return COperand(eMemory, IsRegister32(base) ? sMem : sBad, base, displacement);
    }

    static constexpr bool FitsByte(int32_t v) { return uint32_t(v) + 128 < 256; }
    static constexpr bool FitsWord(int32_t v) { return uint32_t(v) + 32768 < 65536; }

    bool IsNone() const { return m_nKind == eNone; }
    bool IsRegister() const { return m_nKind == eRegister; }
    bool IsImmediate() const { return m_nKind == eImmediate || m_nKind == eAddress; }
    bool IsMemory() const { return m_nKind == eMemory; }

    // Set only by the constructors above, so the shape always matches.
    EKind m_nKind = eNone;
    EShape m_nShape = sNone;
    uint8_t m_nRegister = 0;  // the register (kind 1) or the base (kind 4)
    int32_t m_nValue = 0;     // the immediate or the displacement

private:
    static constexpr EShape ImmediateShape(int32_t v) {
        return v == 0 ? sZero : FitsByte(v) ? sImm8 : FitsWord(v) ? sImm16 : sImm32;
    }
    COperand(EKind kind, EShape shape, uint8_t reg, int32_t value)
        : m_nKind(kind), m_nShape(shape), m_nRegister(reg), m_nValue(value) {}
};
