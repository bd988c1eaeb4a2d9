// IA-32 encoder. Every instruction form is one row of a constant table; a
// group of instruction ids (bits 8-14 of the id) owns one list of forms per
// operand count, tried in order until the operands fit. An instruction is
// assembled into a small local buffer and appended only when complete, so a
// form that cannot be encoded leaves the code untouched.
//
// Layout of one instruction as built here:
//
//   [66] opcode(1-2) [ModRM [SIB] [disp8|disp32]] [imm8|imm16|imm32]
//
//   ModRM:  mod(2) reg(3) rm(3)      SIB: scale(2) index(3) base(3)
//
// The group member adjusts a form in one of three ways (see EMemberRule):
// the ALU and INC/DEC groups add 8*n to the opcode and use n as the /digit,
// Jcc adds the condition code to the opcode, and NOT..IDIV map n to a digit.
#include <array>
#include <span>

#include "codegen/CodeGen.h"

namespace {

// What an operand must be for a form to fit.
enum EPattern : uint8_t {
    pNone,
    pAcc8, pAcc16, pAcc32,          // AL, AX, EAX
    pR8, pR16, pR32,
    pRM8, pRM16, pRM32,             // register of that size or memory of that access size
    pM, pM16, pM32,                 // memory only (pM: any size, for LEA)
    pMoffs8, pMoffs16, pMoffs32,    // memory with neither base nor index
    pImm8, pImm16, pImm32, pImmZero,
};

// How the operands follow the opcode.
enum ELayout : uint8_t {
    lPlain,     // opcode, then the immediate if any
    lPlusReg,   // opcode + register number of operand 1
    lDigit,     // ModRM: reg = /digit, rm = operand 1
    lRmReg,     // ModRM: rm = operand 1, reg = operand 2
    lRegRm,     // ModRM: reg = operand 1, rm = operand 2
    lMoffsSrc,  // accumulator <- [disp32]: operand 2 is the address
    lMoffsDst,  // [disp32] <- accumulator: operand 1 is the address
};

struct SForm {
    EPattern m_a, m_b;
    bool m_b66;          // 16-bit operand size prefix
    uint8_t m_nOpcodes;  // 1 or 2 opcode bytes
    uint8_t m_Op[2];
    ELayout m_nLayout;
    uint8_t m_nDigit;    // /digit for lDigit when the group does not set it
    uint8_t m_nImm;      // immediate bytes after everything else (0, 1, 2, 4)
};

constexpr SForm F(EPattern a, EPattern b, bool p66, uint8_t op, ELayout l, uint8_t digit = 0,
                  uint8_t imm = 0) {
    return SForm{a, b, p66, 1, {op, 0}, l, digit, imm};
}
constexpr SForm F2(EPattern a, EPattern b, bool p66, uint8_t op0, uint8_t op1, ELayout l,
                   uint8_t imm) {
    return SForm{a, b, p66, 2, {op0, op1}, l, 0, imm};
}

// ---- form tables, in the order they are tried ----

// ADD OR ADC SBB AND SUB XOR CMP: opcode + 8n (non-ModRM-digit forms), /n.
constexpr SForm kAlu2[] = {
    F(pAcc8, pImm8, false, 0x04, lPlain, 0, 1),
    F(pAcc16, pImm16, true, 0x05, lPlain, 0, 2),
    F(pAcc32, pImm32, false, 0x05, lPlain, 0, 4),
    F(pRM8, pImm8, false, 0x80, lDigit, 0, 1),
    F(pRM16, pImm8, true, 0x83, lDigit, 0, 1),
    F(pRM16, pImm16, true, 0x81, lDigit, 0, 2),
    F(pRM32, pImm8, false, 0x83, lDigit, 0, 1),
    F(pRM32, pImm32, false, 0x81, lDigit, 0, 4),
    F(pRM8, pR8, false, 0x00, lRmReg),
    F(pRM16, pR16, true, 0x01, lRmReg),
    F(pRM32, pR32, false, 0x01, lRmReg),
    F(pR8, pRM8, false, 0x02, lRegRm),
    F(pR16, pRM16, true, 0x03, lRegRm),
    F(pR32, pRM32, false, 0x03, lRegRm),
};

constexpr SForm kMov2[] = {
    F(pAcc8, pMoffs8, false, 0xA0, lMoffsSrc),
    F(pAcc16, pMoffs16, true, 0xA1, lMoffsSrc),
    F(pAcc32, pMoffs32, false, 0xA1, lMoffsSrc),
    F(pMoffs8, pAcc8, false, 0xA2, lMoffsDst),
    F(pMoffs16, pAcc16, true, 0xA3, lMoffsDst),
    F(pMoffs32, pAcc32, false, 0xA3, lMoffsDst),
    F(pR8, pImm8, false, 0xB0, lPlusReg, 0, 1),
    F(pR16, pImm16, true, 0xB8, lPlusReg, 0, 2),
    F(pR32, pImm32, false, 0xB8, lPlusReg, 0, 4),
    F(pRM8, pImm8, false, 0xC6, lDigit, 0, 1),
    F(pRM16, pImm16, true, 0xC7, lDigit, 0, 2),
    F(pRM32, pImm32, false, 0xC7, lDigit, 0, 4),
    F(pRM8, pR8, false, 0x88, lRmReg),
    F(pRM16, pR16, true, 0x89, lRmReg),
    F(pRM32, pR32, false, 0x89, lRmReg),
    F(pR8, pRM8, false, 0x8A, lRegRm),
    F(pR16, pRM16, true, 0x8B, lRegRm),
    F(pR32, pRM32, false, 0x8B, lRegRm),
};

constexpr SForm kLea2[] = {
    F(pR32, pM, false, 0x8D, lRegRm),
    F(pR16, pM, true, 0x8D, lRegRm),
};

// INC DEC: 40+r / 48+r, FE /0 / FE /1.
constexpr SForm kIncDec1[] = {
    F(pR16, pNone, true, 0x40, lPlusReg),
    F(pR32, pNone, false, 0x40, lPlusReg),
    F(pRM8, pNone, false, 0xFE, lDigit),
    F(pRM16, pNone, true, 0xFF, lDigit),
    F(pRM32, pNone, false, 0xFF, lDigit),
};

// NOT NEG MUL DIV IDIV, and one-operand IMUL with its fixed /5.
constexpr SForm kUnary1[] = {
    F(pRM8, pNone, false, 0xF6, lDigit),
    F(pRM16, pNone, true, 0xF7, lDigit),
    F(pRM32, pNone, false, 0xF7, lDigit),
};
constexpr SForm kImul1[] = {
    F(pRM8, pNone, false, 0xF6, lDigit, 5),
    F(pRM16, pNone, true, 0xF7, lDigit, 5),
    F(pRM32, pNone, false, 0xF7, lDigit, 5),
};

constexpr SForm kCdq0[] = {F(pNone, pNone, false, 0x99, lPlain)};

// Near branches take no 16-bit forms: with the 66 prefix the processor cuts
// EIP to 16 bits, which is never right in a flat 32-bit image. A relative
// value outside -128..127 therefore takes the rel32 form.
constexpr SForm kJcc1[] = {
    F(pImm8, pNone, false, 0x70, lPlain, 0, 1),
    F2(pImm32, pNone, false, 0x0F, 0x80, lPlain, 4),
};
constexpr SForm kJmp1[] = {
    F(pImm8, pNone, false, 0xEB, lPlain, 0, 1),
    F(pImm32, pNone, false, 0xE9, lPlain, 0, 4),
    F(pRM32, pNone, false, 0xFF, lDigit, 4),
};
constexpr SForm kCall1[] = {
    F(pImm32, pNone, false, 0xE8, lPlain, 0, 4),
    F(pRM32, pNone, false, 0xFF, lDigit, 2),
};

constexpr SForm kPush1[] = {
    F(pM16, pNone, true, 0xFF, lDigit, 6),
    F(pM32, pNone, false, 0xFF, lDigit, 6),
    F(pR16, pNone, true, 0x50, lPlusReg),
    F(pR32, pNone, false, 0x50, lPlusReg),
};
constexpr SForm kPop1[] = {
    F(pM16, pNone, true, 0x8F, lDigit, 0),
    F(pM32, pNone, false, 0x8F, lDigit, 0),
    F(pR16, pNone, true, 0x58, lPlusReg),
    F(pR32, pNone, false, 0x58, lPlusReg),
};

constexpr SForm kRet0[] = {F(pNone, pNone, false, 0xC3, lPlain)};
constexpr SForm kRet1[] = {
    F(pImmZero, pNone, false, 0xC3, lPlain),
    F(pImm16, pNone, false, 0xC2, lPlain, 0, 2),
};

// ---- groups ----

enum EMemberRule : uint8_t {
    rFixed,    // only member m_nMember exists
    rAlu,      // members 0..m_nMember: opcode + 8n, /n
    rCond,     // members 0..m_nMember: opcode + n
    rDigitMap, // members 0..m_nMember: /kUnaryDigits[n]
};
constexpr uint8_t kUnaryDigits[] = {2, 3, 4, 6, 7};  // NOT NEG MUL DIV IDIV

struct SGroup {
    EMemberRule m_nRule;
    uint8_t m_nMember;  // rFixed: the member; otherwise the highest member
    std::span<const SForm> m_Forms[3];  // by operand count 0, 1, 2
};

constexpr std::array<SGroup, CInstr::kGroupCount> MakeGroups() {
    std::array<SGroup, CInstr::kGroupCount> g{};
    g[0x01] = {rFixed, 0x0E, {kCdq0, {}, {}}};
    g[0x03] = {rAlu, 7, {{}, {}, kAlu2}};
    g[0x06] = {rFixed, 4, {{}, {}, kLea2}};
    g[0x09] = {rAlu, 1, {{}, kIncDec1, {}}};
    g[0x0A] = {rDigitMap, 4, {{}, kUnary1, {}}};
    g[0x0D] = {rFixed, 0, {{}, kImul1, {}}};
    g[0x11] = {rCond, 15, {{}, kJcc1, {}}};
    g[0x13] = {rFixed, 0, {{}, kCall1, {}}};
    g[0x14] = {rFixed, 0, {{}, kJmp1, {}}};
    g[0x16] = {rFixed, 0, {{}, {}, kMov2}};
    g[0x18] = {rFixed, 0, {{}, kPop1, {}}};
    g[0x19] = {rFixed, 0, {{}, kPush1, {}}};
    g[0x1B] = {rFixed, 0, {kRet0, kRet1, {}}};
    return g;
}
constexpr std::array<SGroup, CInstr::kGroupCount> kGroups = MakeGroups();

// ---- operand predicates ----

bool IsReg(const COperand& o, int size) {
    return o.IsRegister() && RegisterSize(o.m_nRegister) == size;
}
bool IsMem(const COperand& o, int size) { return o.IsMemory() && o.m_nSize == size; }
bool IsMoffs(const COperand& o, int size) {
    return IsMem(o, size) && o.m_nRegister == eNoRegister && o.m_nIndex == eNoRegister;
}
bool IsAcc(const COperand& o, int size) {
    return IsReg(o, size) && RegisterNumber(o.m_nRegister) == 0;
}
bool IsImm(const COperand& o, int32_t lo, int32_t hi) {
    return o.m_nKind == COperand::eImmediate && o.m_nValue >= lo && o.m_nValue <= hi;
}

bool Fits(EPattern p, const COperand& o) {
    switch (p) {
    case pNone: return o.IsNone();
    case pAcc8: return IsAcc(o, 1);
    case pAcc16: return IsAcc(o, 2);
    case pAcc32: return IsAcc(o, 4);
    case pR8: return IsReg(o, 1);
    case pR16: return IsReg(o, 2);
    case pR32: return IsReg(o, 4);
    case pRM8: return IsReg(o, 1) || IsMem(o, 1);
    case pRM16: return IsReg(o, 2) || IsMem(o, 2);
    case pRM32: return IsReg(o, 4) || IsMem(o, 4);
    case pM: return o.IsMemory();
    case pM16: return IsMem(o, 2);
    case pM32: return IsMem(o, 4);
    case pMoffs8: return IsMoffs(o, 1);
    case pMoffs16: return IsMoffs(o, 2);
    case pMoffs32: return IsMoffs(o, 4);
    case pImm8: return IsImm(o, -128, 127);
    case pImm16: return IsImm(o, -32768, 32767);
    case pImm32: return o.IsImmediate();
    case pImmZero: return IsImm(o, 0, 0);
    }
    return false;
}

// ---- byte assembly ----

class CInstrBytes {
public:
    void Byte(uint32_t b) { m_Bytes[m_nSize++] = uint8_t(b); }
    void Bytes(uint32_t v, int count) {
        for (int i = 0; i < count; ++i) Byte(v >> (8 * i));
    }
    const uint8_t* Data() const { return m_Bytes; }
    int Size() const { return m_nSize; }

private:
    uint8_t m_Bytes[16] = {};
    int m_nSize = 0;
};

int DispBytes(const COperand& m, bool baseIsEbp) {
    if (m.m_nKind == COperand::eMemoryAddress) return 4;
    if (m.m_nValue == 0 && !baseIsEbp) return 0;
    return (m.m_nValue >= -128 && m.m_nValue <= 127) ? 1 : 4;
}

int ModFor(int dispBytes) { return dispBytes == 0 ? 0 : dispBytes == 1 ? 1 : 2; }

bool ScaleBits(uint8_t scale, uint32_t& bits) {
    switch (scale) {
    case 1: bits = 0; return true;
    case 2: bits = 1; return true;
    case 4: bits = 2; return true;
    case 8: bits = 3; return true;
    }
    return false;
}

// ModRM (+ SIB + displacement) for reg field `reg` and operand `rm`.
bool EncodeModRM(CInstrBytes& out, uint32_t reg, const COperand& rm) {
    reg &= 7;
    if (rm.IsRegister()) {
        out.Byte(0xC0 | reg << 3 | RegisterNumber(rm.m_nRegister));
        return true;
    }
    if (!rm.IsMemory()) return false;
    const uint8_t base = rm.m_nRegister, index = rm.m_nIndex;
    if ((base != eNoRegister && RegisterSize(base) != 4) ||
        (index != eNoRegister && (RegisterSize(index) != 4 || index == eESP)))
        return false;

    if (base == eNoRegister && index == eNoRegister) {
        // Absolute [disp32]: mod 00, rm 101.
        out.Byte(0x05 | reg << 3);
        out.Bytes(uint32_t(rm.m_nValue), 4);
        return true;
    }
    if (index == eNoRegister) {
        const uint32_t b = RegisterNumber(base);
        const int disp = DispBytes(rm, base == eEBP);
        if (b == 4) {
            out.Byte(ModFor(disp) << 6 | reg << 3 | 4);
            out.Byte(0x24);
        } else {
            out.Byte(ModFor(disp) << 6 | reg << 3 | b);
        }
        out.Bytes(uint32_t(rm.m_nValue), disp);
        return true;
    }
    uint32_t scale;
    if (!ScaleBits(rm.m_nScale, scale)) return false;
    const uint32_t i = RegisterNumber(index);
    if (base == eNoRegister) {
        // [index*scale + disp32]: SIB base 101 with mod 00.
        out.Byte(reg << 3 | 4);
        out.Byte(scale << 6 | i << 3 | 5);
        out.Bytes(uint32_t(rm.m_nValue), 4);
        return true;
    }
    const int disp = DispBytes(rm, base == eEBP);
    out.Byte(ModFor(disp) << 6 | reg << 3 | 4);
    out.Byte(scale << 6 | i << 3 | RegisterNumber(base));
    out.Bytes(uint32_t(rm.m_nValue), disp);
    return true;
}

// Encodes `form` for member `member` of group `g`; false when it cannot.
bool EncodeForm(CInstrBytes& out, const SGroup& g, int member, const SForm& form,
                const COperand& a, const COperand& b) {
    uint8_t last = form.m_Op[form.m_nOpcodes - 1];
    uint32_t digit = form.m_nDigit;
    switch (g.m_nRule) {
    case rFixed: break;
    case rAlu:
        if (form.m_nLayout == lDigit) digit = uint32_t(member);
        else last = uint8_t(last + 8 * member);
        break;
    case rCond: last = uint8_t(last + member); break;
    case rDigitMap: digit = kUnaryDigits[member]; break;
    }
    if (form.m_b66) out.Byte(0x66);
    if (form.m_nOpcodes == 2) out.Byte(form.m_Op[0]);

    switch (form.m_nLayout) {
    case lPlain: out.Byte(last); break;
    case lPlusReg: out.Byte(last + RegisterNumber(a.m_nRegister)); break;
    case lDigit:
        out.Byte(last);
        if (!EncodeModRM(out, digit, a)) return false;
        break;
    case lRmReg:
        out.Byte(last);
        if (!EncodeModRM(out, b.m_nRegister, a)) return false;
        break;
    case lRegRm:
        out.Byte(last);
        if (!EncodeModRM(out, a.m_nRegister, b)) return false;
        break;
    case lMoffsSrc:
        out.Byte(last);
        out.Bytes(uint32_t(b.m_nValue), 4);
        break;
    case lMoffsDst:
        out.Byte(last);
        out.Bytes(uint32_t(a.m_nValue), 4);
        break;
    }
    if (form.m_nImm) {
        const COperand& imm = b.IsNone() ? a : b;
        out.Bytes(uint32_t(imm.m_nValue), form.m_nImm);
    }
    return true;
}

bool MemberExists(const SGroup& g, int member) {
    return g.m_nRule == rFixed ? member == g.m_nMember : member <= g.m_nMember;
}

}  // namespace

static int EncodeInto(CDynArray<uint8_t>& code, uint16_t id, int count, const COperand& a,
                      const COperand& b) {
    const int group = CInstr::Group(id), member = CInstr::Member(id);
    if (group >= CInstr::kGroupCount) return 0;
    const SGroup& g = kGroups[size_t(group)];
    if (!MemberExists(g, member)) return 0;
    for (const SForm& form : g.m_Forms[count]) {
        if (!Fits(form.m_a, a) || !Fits(form.m_b, b)) continue;
        CInstrBytes bytes;
        if (!EncodeForm(bytes, g, member, form, a, b)) return 0;
        const size_t at = code.GetSize();
        code.SetSize(at + size_t(bytes.Size()));
        for (int i = 0; i < bytes.Size(); ++i) code[at + size_t(i)] = bytes.Data()[i];
        return bytes.Size();
    }
    return 0;
}

int CCodeGen::Emit(uint16_t id) { return EncodeInto(m_Code, id, 0, COperand(), COperand()); }

int CCodeGen::Emit(uint16_t id, const COperand& a) {
    if (a.IsNone()) return Emit(id);
    return EncodeInto(m_Code, id, 1, a, COperand());
}

int CCodeGen::Emit(uint16_t id, const COperand& a, const COperand& b) {
    if (b.IsNone()) return Emit(id, a);
    if (a.IsNone()) return 0;
    return EncodeInto(m_Code, id, 2, a, b);
}
