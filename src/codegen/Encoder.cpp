// IA-32 encoder. Every instruction form is one row of a constant table; a
// group of instruction ids (bits 8-14 of the id) owns one list of forms per
// operand count, tried in order until the operands fit. Only the forms the
// generated code uses are here: 32-bit registers, dword [base + disp]
// memory, 32-bit immediates and addresses (8-bit where an ALU form has one),
// and the rel32 branches that fixups fill. An instruction is assembled into a
// small local buffer and appended only when complete.
//
// Layout of one instruction as built here:
//
//   opcode(1-2) [ModRM [SIB] [disp8|disp32]] [imm8|imm16|imm32]
//
//   ModRM:  mod(2) reg(3) rm(3)      SIB: scale(2) index(3) base(3)
//
// The group member adjusts a form in one of three ways (see EMemberRule):
// the ALU and INC/DEC groups add 8*n to the opcode and use n as the /digit,
// Jcc adds the condition code to the opcode, and NOT..IDIV map n to a digit.
#include <array>
#include <span>

#include "codegen/CodeGen.h"
#include "support/LittleEndian.h"

namespace {

// What an operand must be for a form to fit.
enum EPattern : uint8_t {
    pNone,
    pEax,
    pR32,
    pRM32,      // a 32-bit register or dword memory
    pM,         // memory only (LEA)
    pImm8, pImm16, pImm32, pImmZero,
};

// How the operands follow the opcode.
enum ELayout : uint8_t {
    lPlain,     // opcode, then the immediate if any
    lPlusReg,   // opcode + register number of operand 1
    lDigit,     // ModRM: reg = /digit, rm = operand 1
    lRmReg,     // ModRM: rm = operand 1, reg = operand 2
    lRegRm,     // ModRM: reg = operand 1, rm = operand 2
};

struct SForm {
    EPattern m_a, m_b;
    uint8_t m_nOpcodes;  // 1 or 2 opcode bytes
    uint8_t m_Op[2];
    ELayout m_nLayout;
    uint8_t m_nDigit;    // /digit for lDigit when the group does not set it
    uint8_t m_nImm;      // immediate bytes after everything else (0, 1, 2, 4)
};

constexpr SForm F(EPattern a, EPattern b, uint8_t op, ELayout l, uint8_t digit = 0,
                  uint8_t imm = 0) {
    return SForm{a, b, 1, {op, 0}, l, digit, imm};
}

// ---- form tables, in the order they are tried ----

// ADD OR AND SUB XOR CMP: opcode + 8n, /n. EAX takes its short opcode for
// every immediate, before the sign-extended byte form.
constexpr SForm kAlu2[] = {
    F(pEax, pImm32, 0x05, lPlain, 0, 4),
    F(pRM32, pImm8, 0x83, lDigit, 0, 1),
    F(pRM32, pImm32, 0x81, lDigit, 0, 4),
    F(pRM32, pR32, 0x01, lRmReg),
    F(pR32, pRM32, 0x03, lRegRm),
};

constexpr SForm kMov2[] = {
    F(pR32, pImm32, 0xB8, lPlusReg, 0, 4),
    F(pRM32, pR32, 0x89, lRmReg),
    F(pR32, pRM32, 0x8B, lRegRm),
};

constexpr SForm kLea2[] = {F(pR32, pM, 0x8D, lRegRm)};
constexpr SForm kIncDec1[] = {F(pR32, pNone, 0x40, lPlusReg)};
// NOT NEG IDIV, and one-operand IMUL with its fixed /5.
constexpr SForm kUnary1[] = {F(pRM32, pNone, 0xF7, lDigit)};
constexpr SForm kImul1[] = {F(pRM32, pNone, 0xF7, lDigit, 5)};
constexpr SForm kCdq0[] = {F(pNone, pNone, 0x99, lPlain)};
constexpr SForm kInt30[] = {F(pNone, pNone, 0xCC, lPlain)};

// Branches always take rel32 forms: positions must not depend on distances.
constexpr SForm kJcc1[] = {SForm{pImm32, pNone, 2, {0x0F, 0x80}, lPlain, 0, 4}};
constexpr SForm kJmp1[] = {F(pImm32, pNone, 0xE9, lPlain, 0, 4)};
constexpr SForm kCall1[] = {F(pImm32, pNone, 0xE8, lPlain, 0, 4)};
constexpr SForm kPush1[] = {F(pR32, pNone, 0x50, lPlusReg)};
constexpr SForm kPop1[] = {F(pR32, pNone, 0x58, lPlusReg)};
constexpr SForm kRet1[] = {
    F(pImmZero, pNone, 0xC3, lPlain),
    F(pImm16, pNone, 0xC2, lPlain, 0, 2),
};

// ---- groups ----

enum EMemberRule : uint8_t {
    rFixed,    // one member
    rAlu,      // opcode + 8n, /n
    rCond,     // opcode + n
    rDigitMap, // /kUnaryDigits[n]
};
constexpr uint8_t kUnaryDigits[] = {2, 3, 4, 6, 7};  // NOT NEG MUL DIV IDIV

struct SGroup {
    EMemberRule m_nRule;
    std::span<const SForm> m_Forms[3];  // by operand count 0, 1, 2
};

constexpr std::array<SGroup, CInstr::kGroupCount> MakeGroups() {
    std::array<SGroup, CInstr::kGroupCount> g{};
    g[0x01] = {rFixed, {kCdq0, {}, {}}};
    g[0x03] = {rAlu, {{}, {}, kAlu2}};
    g[0x06] = {rFixed, {{}, {}, kLea2}};
    g[0x09] = {rAlu, {{}, kIncDec1, {}}};
    g[0x0A] = {rDigitMap, {{}, kUnary1, {}}};
    g[0x0D] = {rFixed, {{}, kImul1, {}}};
    g[0x11] = {rCond, {{}, kJcc1, {}}};
    g[0x13] = {rFixed, {{}, kCall1, {}}};
    g[0x14] = {rFixed, {{}, kJmp1, {}}};
    g[0x16] = {rFixed, {{}, {}, kMov2}};
    g[0x18] = {rFixed, {{}, kPop1, {}}};
    g[0x19] = {rFixed, {{}, kPush1, {}}};
    g[0x1B] = {rFixed, {{}, kRet1, {}}};
    g[0x1C] = {rFixed, {kInt30, {}, {}}};
    return g;
}
constexpr std::array<SGroup, CInstr::kGroupCount> kGroups = MakeGroups();

// ---- operand shapes ----

// What matters of an operand for choosing a form. An address is always
// 32 bits wide, so a fixup can fill it; an immediate takes the narrowest
// range its value fits.
enum EShape : uint8_t { sNone, sEax, sReg, sMem, sZero, sImm8, sImm16, sImm32, sAddress, sBad, kShapes };

inline EShape ShapeOf(const COperand& o) {
    switch (o.m_nKind) {
    case COperand::eNone: return sNone;
    case COperand::eRegister:
        if (!IsRegister32(o.m_nRegister)) return sBad;
        return o.m_nRegister == eEAX ? sEax : sReg;
    case COperand::eMemory: return sMem;
    case COperand::eImmediate:
        if (o.m_nValue == 0) return sZero;
        if (o.m_nValue >= -128 && o.m_nValue <= 127) return sImm8;
        return o.m_nValue >= -32768 && o.m_nValue <= 32767 ? sImm16 : sImm32;
    case COperand::eAddress: return sAddress;
    }
    return sBad;
}

// The patterns a shape fits, as bits (1 << EPattern).
constexpr uint32_t PatternsOf(EShape shape) {
    auto bit = [](EPattern p) { return 1u << p; };
    switch (shape) {
    case sNone: return bit(pNone);
    case sEax: return bit(pEax) | bit(pR32) | bit(pRM32);
    case sReg: return bit(pR32) | bit(pRM32);
    case sMem: return bit(pRM32) | bit(pM);
    case sZero: return bit(pImmZero) | bit(pImm8) | bit(pImm16) | bit(pImm32);
    case sImm8: return bit(pImm8) | bit(pImm16) | bit(pImm32);
    case sImm16: return bit(pImm16) | bit(pImm32);
    case sImm32:
    case sAddress: return bit(pImm32);
    default: return 0;
    }
}

// ---- byte assembly ----

class CInstrBytes {
public:
    void Byte(uint32_t b) { m_Bytes[m_nSize++] = uint8_t(b); }
    // All four bytes are written, as one store, and only `count` of them
    // kept: the buffer has room for them past the longest instruction.
    void Bytes(uint32_t v, int count) {
        PutLe32(m_Bytes + m_nSize, v);
        m_nSize += count;
    }
    const uint8_t* Data() const { return m_Bytes; }
    int Size() const { return m_nSize; }

private:
    uint8_t m_Bytes[16];  // written before read: m_nSize says how far (at most 12)
    int m_nSize = 0;
};

// EBP as a base has no mod-00 form, so even displacement 0 takes a byte.
int DispBytes(const COperand& m) {
    if (m.m_nValue == 0 && m.m_nRegister != eEBP) return 0;
    return (m.m_nValue >= -128 && m.m_nValue <= 127) ? 1 : 4;
}

// ModRM (+ SIB + displacement) for reg field `reg` and operand `rm`.
bool EncodeModRM(CInstrBytes& out, uint32_t reg, const COperand& rm) {
    reg &= 7;
    if (rm.IsRegister()) {
        out.Byte(0xC0 | reg << 3 | RegisterNumber(rm.m_nRegister));
        return true;
    }
    if (!rm.IsMemory() || !IsRegister32(rm.m_nRegister)) return false;
    const int disp = DispBytes(rm);
    const uint32_t mod = disp == 0 ? 0 : disp == 1 ? 1 : 2;
    const uint32_t base = RegisterNumber(rm.m_nRegister);
    out.Byte(mod << 6 | reg << 3 | base);
    if (rm.m_nRegister == eESP) out.Byte(0x24);  // rm 100 means "SIB follows": ESP alone
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
    }
    if (form.m_nImm) {
        const COperand& imm = b.IsNone() ? a : b;
        out.Bytes(uint32_t(imm.m_nValue), form.m_nImm);
    }
    return true;
}

struct SListed {
    uint16_t m_nId;
    const char* m_szMnemonic;
};
constexpr SListed kListed[] = {
#define INSTR(name, id, mnemonic) {id, mnemonic},
#include "codegen/Instructions.def"
#undef INSTR
};

// Bit n of kListedMembers[g]: the id with group g and member n is listed.
// Every instruction passes this test, so it is one lookup, not a search.
constexpr std::array<uint32_t, CInstr::kGroupCount> MakeListedMembers() {
    std::array<uint32_t, CInstr::kGroupCount> members{};
    for (const SListed& l : kListed) members[size_t(CInstr::Group(l.m_nId))] |= 1u << CInstr::Member(l.m_nId);
    return members;
}
constexpr std::array<uint32_t, CInstr::kGroupCount> kListedMembers = MakeListedMembers();
static_assert([] {
    for (const SListed& l : kListed)
        if (CInstr::Member(l.m_nId) >= 32) return false;
    return true;
}());

bool IsListed(uint16_t id) {
    const size_t group = size_t(CInstr::Group(id));
    return group < kListedMembers.size() && CInstr::Member(id) < 32 && (kListedMembers[group] >> CInstr::Member(id) & 1);
}

// kFirstForm[group][count][shape a][shape b]: the first form of the group,
// in table order, that both operands fit (its index), or -1. Worked out
// once, so choosing a form is one lookup.
using CFormChoice = std::array<std::array<std::array<std::array<int8_t, kShapes>, kShapes>, 3>, CInstr::kGroupCount>;

constexpr CFormChoice MakeFormChoice() {
    CFormChoice choice{};
    for (size_t g = 0; g < kGroups.size(); ++g)
        for (size_t count = 0; count < 3; ++count)
            for (size_t a = 0; a < kShapes; ++a)
                for (size_t b = 0; b < kShapes; ++b) {
                    int8_t first = -1;
                    const auto& forms = kGroups[g].m_Forms[count];
                    for (size_t f = forms.size(); f-- > 0;)
                        if ((PatternsOf(EShape(a)) >> forms[f].m_a & 1) && (PatternsOf(EShape(b)) >> forms[f].m_b & 1))
                            first = int8_t(f);
                    choice[g][count][a][b] = first;
                }
    return choice;
}
constexpr CFormChoice kFirstForm = MakeFormChoice();

// The bytes of one instruction, or false when no form of its group fits.
bool Encode(CInstrBytes& out, uint16_t id, const COperand& a, const COperand& b) {
    if (!IsListed(id)) return false;
    const EShape shapeA = ShapeOf(a), shapeB = ShapeOf(b);
    const int count = shapeB == sNone ? (shapeA == sNone ? 0 : 1) : shapeA == sNone ? -1 : 2;
    if (count < 0) return false;
    const size_t group = size_t(CInstr::Group(id));
    const int8_t form = kFirstForm[group][size_t(count)][shapeA][shapeB];
    if (form < 0) return false;
    const SGroup& g = kGroups[group];
    return EncodeForm(out, g, CInstr::Member(id), g.m_Forms[count][size_t(form)], a, b);
}

}  // namespace

const char* CInstr::Mnemonic(uint16_t id) {
    for (const SListed& l : kListed)
        if (l.m_nId == id) return l.m_szMnemonic;
    return nullptr;
}

bool CCodeGen::Emit(uint16_t id, const COperand& a, const COperand& b) {
    if (!Emitting()) return false;
    CInstrBytes bytes;
    if (!Encode(bytes, id, a, b)) {
        const char* name = CInstr::Mnemonic(id);
        Fail(std::string("no encoding for ") + (name ? name : "an unlisted instruction") +
             " with these operands");
        return false;
    }
    m_Code.Append(bytes.Data(), size_t(bytes.Size()));
    return true;
}
