// IA-32 encoder. Every instruction form is one row of a constant table; a
// group of instruction ids (bits 8-14 of the id) owns one list of forms per
// operand count, tried in order until the operands fit. Only the forms the
// generated code uses are here: 32-bit registers, dword [base + disp]
// memory, 32-bit immediates and addresses (8-bit where an ALU form has one),
// and the rel32 branches that fixups fill.
//
// The tries are made once, at compile time: for every listed instruction and
// every pair of operand shapes, the first form that fits is worked out into
// a ready encoding (opcode with the member applied, layout, /digit,
// immediate size). Emitting is then one lookup and the bytes, written in
// place at the end of the code buffer.
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
#include <string>

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

// An operand's shape is worked out when it is made (see Operand.h); the
// forms are chosen by the patterns each shape fits.
using EShape = COperand::EShape;
using enum COperand::EShape;

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

// ---- the listed instructions ----

struct SListed {
    uint16_t m_nId;
    const char* m_szMnemonic;
};
constexpr SListed kListed[] = {
#define INSTR(name, id, mnemonic) {id, mnemonic},
#include "codegen/Instructions.def"
#undef INSTR
};
constexpr size_t kListedCount = std::size(kListed);

// kListedIndex[id & 0x7FFF] (group and member): the id's row in kListed, or
// kUnlisted when the id is not listed (only listed ids are encoded). Every
// id has a slot, so finding one takes no range checks; and kUnlisted has a
// row of encodings that fit nothing, so an unlisted id needs no test of
// its own.
constexpr size_t kUnlisted = kListedCount;
static_assert(kUnlisted <= 0xFF);
using CListedIndex = std::array<uint8_t, 0x8000>;

constexpr CListedIndex MakeListedIndex() {
    CListedIndex index{};
    index.fill(uint8_t(kUnlisted));
    for (size_t i = 0; i < kListedCount; ++i) index[kListed[i].m_nId & 0x7FFF] = uint8_t(i);
    return index;
}
constexpr CListedIndex kListedIndex = MakeListedIndex();

size_t ListedIndex(uint16_t id) { return kListedIndex[id & 0x7FFF]; }

// ---- ready encodings ----

// One form with its group member applied: everything the bytes need but
// the operands themselves.
struct SEncoding {
    uint8_t m_nPrefix;   // the first of two opcode bytes, else 0
    uint8_t m_nOpcode;
    bool m_bPlusReg;     // the opcode adds operand 1's register number
    bool m_bModRM;
    bool m_bRmIsB;       // ModRM's rm is operand 2 (else operand 1)
    bool m_bRegIsDigit;  // ModRM's reg is the /digit (else the other operand)
    uint8_t m_nDigit;    // the /digit already in the reg field's place (bits 3-5)
    uint8_t m_nImm;      // immediate bytes
    bool m_bFits;        // false: no form takes these operands
};

constexpr SEncoding Prepare(const SGroup& g, int member, const SForm& form) {
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
    const ELayout l = form.m_nLayout;
    return SEncoding{uint8_t(form.m_nOpcodes == 2 ? form.m_Op[0] : 0),
                     last,
                     l == lPlusReg,
                     l == lDigit || l == lRmReg || l == lRegRm,
                     l == lRegRm,
                     l == lDigit,
                     uint8_t((digit & 7) << 3),
                     form.m_nImm,
                     true};
}

// The first form, in table order, that both shapes fit; the operand count
// follows from the shapes (a second operand without a first fits nothing).
constexpr SEncoding FirstFit(uint16_t id, EShape a, EShape b) {
    const int count = b == sNone ? (a == sNone ? 0 : 1) : a == sNone ? -1 : 2;
    if (count < 0) return SEncoding{};
    const SGroup& g = kGroups[size_t(CInstr::Group(id))];
    for (const SForm& form : g.m_Forms[count])
        if ((PatternsOf(a) >> form.m_a & 1) && (PatternsOf(b) >> form.m_b & 1))
            return Prepare(g, CInstr::Member(id), form);
    return SEncoding{};
}

// Spelled through the class: clang 14 does not find an enumerator brought in
// by `using enum` inside a constant expression here.
constexpr size_t kShapeCount = COperand::kShapes;
// One row more than listed: the unlisted ids' row, where nothing fits.
using CEncodings = std::array<std::array<std::array<SEncoding, kShapeCount>, kShapeCount>, kListedCount + 1>;

constexpr CEncodings MakeEncodings() {
    CEncodings all{};
    for (size_t i = 0; i < kListedCount; ++i)
        for (size_t a = 0; a < kShapeCount; ++a)
            for (size_t b = 0; b < kShapeCount; ++b) all[i][a][b] = FirstFit(kListed[i].m_nId, EShape(a), EShape(b));
    return all;
}
constexpr CEncodings kEncodings = MakeEncodings();

// ---- byte assembly ----

// ModRM (+ SIB + displacement) for the reg field `reg` (in place, bits 3-5)
// and the register or memory operand `rm`. Four displacement bytes are
// always stored and only as many kept as the mod says.
uint8_t* PutModRM(uint8_t* p, uint32_t reg, const COperand& rm) {
    const uint32_t base = RegisterNumber(rm.m_nRegister);
    if (rm.m_nKind == COperand::eRegister) {
        *p++ = uint8_t(0xC0 | reg | base);
        return p;
    }
    const int32_t disp = rm.m_nValue;
    // EBP as a base has no mod-00 form, so even displacement 0 takes a byte.
    const int size = disp == 0 && base != RegisterNumber(eEBP) ? 0 : COperand::FitsByte(disp) ? 1 : 4;
    *p++ = uint8_t((size == 0 ? 0x00 : size == 1 ? 0x40 : 0x80) | reg | base);
    if (base == RegisterNumber(eESP)) *p++ = 0x24;  // rm 100 means "SIB follows": ESP alone
    PutLe32(p, uint32_t(disp));
    return p + size;
}

// Writes the instruction at p (kRoom bytes available); returns its end.
uint8_t* Assemble(uint8_t* p, const SEncoding& e, const COperand& a, const COperand& b) {
    if (e.m_nPrefix) *p++ = e.m_nPrefix;
    *p++ = uint8_t(e.m_nOpcode + (e.m_bPlusReg ? RegisterNumber(a.m_nRegister) : 0));
    if (e.m_bModRM) {
        const COperand& rm = e.m_bRmIsB ? b : a;
        const COperand& reg = e.m_bRmIsB ? a : b;
        p = PutModRM(p, e.m_bRegIsDigit ? e.m_nDigit : uint32_t(RegisterNumber(reg.m_nRegister)) << 3, rm);
    }
    // The immediate is always the last operand.
    PutLe32(p, uint32_t(b.m_nKind == COperand::eNone ? a.m_nValue : b.m_nValue));
    return p + e.m_nImm;
}

}  // namespace

const char* CInstr::Mnemonic(uint16_t id) {
    const size_t i = ListedIndex(id);
    return i == kUnlisted ? nullptr : kListed[i].m_szMnemonic;
}

bool CCodeGen::Emit(uint16_t id, COperand a, COperand b) {
    if (!Emitting()) return false;
    const SEncoding* e = &kEncodings[ListedIndex(id)][a.m_nShape][b.m_nShape];
    if (!e->m_bFits) [[unlikely]]
        return FailNoEncoding(id);
    if (!m_Code.HasRoom()) [[unlikely]]
        return GrowAndEmit(id, a, b);
    m_Code.End(Assemble(m_Code.Tail(), *e, a, b));
    return true;
}

// Out of line, so that Emit's usual path calls nothing and saves fewer registers.
[[gnu::noinline]] bool CCodeGen::GrowAndEmit(uint16_t id, COperand a, COperand b) {
    m_Code.Room();
    return Emit(id, a, b);
}

// Out of line: building the message would otherwise weigh on every Emit.
bool CCodeGen::FailNoEncoding(uint16_t id) {
    const char* name = CInstr::Mnemonic(id);
    Fail(std::string("no encoding for ") + (name ? name : "an unlisted instruction") + " with these operands");
    return false;
}
