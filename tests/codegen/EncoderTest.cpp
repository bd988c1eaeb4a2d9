// Exact bytes of the instruction forms, chosen where the encoding changes:
// accumulator and short-immediate forms, displacement sizes, the EBP and ESP
// base rules, index registers, size prefixes, and operands that have no form.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "codegen/CodeGen.h"

namespace {

using Bytes = std::vector<uint8_t>;

COperand Imm(int32_t v) { return COperand(v, false); }
COperand Addr(int32_t v) { return COperand(v, true); }
COperand Mem(uint8_t base, int32_t disp, uint8_t size = 4) {
    return COperand(base, eNoRegister, 1, disp, size, false);
}
COperand Wide(uint8_t base, int32_t disp) { return COperand(base, eNoRegister, 1, disp, 4, true); }
COperand Sib(uint8_t base, uint8_t index, uint8_t scale, int32_t disp) {
    return COperand(base, index, scale, disp, 4, false);
}

COperand R(ERegister r) { return COperand(r); }

// One instruction and its bytes; an empty operand ends the list, so each
// case goes through the entry point of its operand count.
struct SCase {
    uint16_t m_nId;
    COperand m_A, m_B;
    Bytes m_Expected;
};

void Check(const std::vector<SCase>& cases) {
    for (size_t i = 0; i < cases.size(); ++i) {
        const SCase& c = cases[i];
        CCodeGen g;
        if (c.m_A.IsNone()) g.Emit(c.m_nId);
        else if (c.m_B.IsNone()) g.Emit(c.m_nId, c.m_A);
        else g.Emit(c.m_nId, c.m_A, c.m_B);
        EXPECT_EQ(Bytes(g.m_Code.begin(), g.m_Code.end()), c.m_Expected) << "case " << i << ", id " << c.m_nId;
    }
}

}  // namespace

TEST(Encoder, AluFormsAndImmediateLimits) {
    using I = CInstr;
    Check({
        {I::eCmp, R(eEAX), Imm(5), {0x3D, 5, 0, 0, 0}},
        {I::eSub, R(eESP), Imm(8), {0x83, 0xEC, 8}},
        {I::eXor, R(eEAX), R(eEAX), {0x31, 0xC0}},
        {I::eAdd, R(eEAX), Mem(eESI, 8), {0x03, 0x46, 8}},
        {I::eAdd, R(eECX), Imm(127), {0x83, 0xC1, 0x7F}},
        {I::eAdd, R(eECX), Imm(128), {0x81, 0xC1, 0x80, 0, 0, 0}},
        {I::eAdd, R(eECX), Imm(-128), {0x83, 0xC1, 0x80}},
        {I::eAdd, R(eECX), Imm(-129), {0x81, 0xC1, 0x7F, 0xFF, 0xFF, 0xFF}},
        {I::eAdd, R(eEAX), Imm(127), {0x05, 0x7F, 0, 0, 0}},
        {I::eAdd, R(eEAX), Imm(128), {0x05, 0x80, 0, 0, 0}},
        {I::eAnd, R(eEAX), Imm(-1), {0x25, 0xFF, 0xFF, 0xFF, 0xFF}},
        // An address is always 32-bit, even when it would fit a byte.
        {I::eCmp, R(eECX), Addr(1), {0x81, 0xF9, 1, 0, 0, 0}},
        {I::eOr, R(eAL), Imm(5), {0x0C, 5}},
        {I::eSub, R(eAX), Imm(300), {0x66, 0x2D, 0x2C, 1}},
        {I::eCmp, R(eCX), Imm(5), {0x66, 0x83, 0xF9, 5}},
        {I::eCmp, R(eCX), Imm(300), {0x66, 0x81, 0xF9, 0x2C, 1}},
        {I::eAdd, R(eDL), R(eBL), {0x00, 0xDA}},
        {I::eAdd, Mem(eEBP, -4), R(eEAX), {0x01, 0x45, 0xFC}},
        {I::eSub, Mem(eESI, 4), Imm(1), {0x83, 0x6E, 4, 1}},
        {I::eXor, R(eCX), Mem(eEAX, 0, 2), {0x66, 0x33, 0x08}},
    });
}

TEST(Encoder, ModRmDisplacementsAndBaseRules) {
    using I = CInstr;
    Check({
        {I::eMov, R(eEAX), Mem(eEBP, -128), {0x8B, 0x45, 0x80}},
        {I::eMov, R(eEAX), Mem(eEBP, -129), {0x8B, 0x85, 0x7F, 0xFF, 0xFF, 0xFF}},
        {I::eMov, R(eEAX), Mem(eEBP, 127), {0x8B, 0x45, 0x7F}},
        {I::eMov, R(eEAX), Mem(eEBP, 128), {0x8B, 0x85, 0x80, 0, 0, 0}},
        {I::eMov, R(eEAX), Mem(eEBP, 0), {0x8B, 0x45, 0x00}},
        {I::eMov, R(eEAX), Mem(eESI, 0), {0x8B, 0x06}},
        {I::eMov, R(eEAX), Mem(eESP, 0), {0x8B, 0x04, 0x24}},
        {I::eMov, R(eEAX), Mem(eESP, 8), {0x8B, 0x44, 0x24, 8}},
        {I::eMov, R(eECX), Mem(eESP, 200), {0x8B, 0x8C, 0x24, 200, 0, 0, 0}},
        {I::eMov, R(eEAX), Wide(eESI, 8), {0x8B, 0x86, 8, 0, 0, 0}},
        {I::eMov, R(eEAX), Wide(eESI, 0), {0x8B, 0x86, 0, 0, 0, 0}},
        {I::eMov, R(eEAX), Sib(eEAX, eECX, 4, 8), {0x8B, 0x44, 0x88, 8}},
        {I::eMov, R(eEAX), Sib(eEBP, eECX, 2, 0), {0x8B, 0x44, 0x4D, 0}},
        {I::eMov, R(eEDX), Sib(eEBX, eESI, 8, 0), {0x8B, 0x14, 0xF3}},
        {I::eMov, R(eEAX), Sib(eNoRegister, eECX, 4, 16), {0x8B, 0x04, 0x8D, 16, 0, 0, 0}},
        // A lone index at scale 1 becomes the base.
        {I::eMov, R(eEAX), Sib(eNoRegister, eEDX, 1, 4), {0x8B, 0x42, 4}},
        {I::eAdd, R(eECX), Mem(eNoRegister, 0x1234), {0x03, 0x0D, 0x34, 0x12, 0, 0}},
    });
}

TEST(Encoder, MovLeaAndMoffs) {
    using I = CInstr;
    Check({
        {I::eMov, R(eEBP), R(eESP), {0x89, 0xE5}},
        {I::eMov, R(eEAX), Imm(5), {0xB8, 5, 0, 0, 0}},
        {I::eMov, R(eEDI), Addr(0x100), {0xBF, 0, 1, 0, 0}},
        {I::eMov, R(eCL), Imm(7), {0xB1, 7}},
        {I::eMov, R(eDX), Imm(-2), {0x66, 0xBA, 0xFE, 0xFF}},
        {I::eMov, Mem(eEBP, -4), Imm(7), {0xC7, 0x45, 0xFC, 7, 0, 0, 0}},
        {I::eMov, Mem(eEAX, 0, 1), Imm(1), {0xC6, 0x00, 1}},
        {I::eMov, Mem(eESI, 8), R(eEAX), {0x89, 0x46, 8}},
        {I::eMov, Mem(eEAX, 0, 1), R(eCL), {0x88, 0x08}},
        {I::eMov, R(eCL), Mem(eESI, 0, 1), {0x8A, 0x0E}},
        {I::eMov, R(eEAX), Mem(eNoRegister, 0x1234), {0xA1, 0x34, 0x12, 0, 0}},
        {I::eMov, Mem(eNoRegister, 0x1234, 1), R(eAL), {0xA2, 0x34, 0x12, 0, 0}},
        {I::eLea, R(eEAX), Mem(eEBP, -4), {0x8D, 0x45, 0xFC}},
        {I::eLea, R(eESI), Mem(eESI, 0x200), {0x8D, 0xB6, 0, 2, 0, 0}},
    });
}

TEST(Encoder, OneOperandAndZeroOperandForms) {
    using I = CInstr;
    Check({
        {I::eInc, R(eEAX), {}, {0x40}},
        {I::eDec, R(eEDI), {}, {0x4F}},
        {I::eInc, R(eCX), {}, {0x66, 0x41}},
        {I::eInc, R(eAL), {}, {0xFE, 0xC0}},
        {I::eDec, Mem(eESI, 4), {}, {0xFF, 0x4E, 4}},
        {I::eNot, R(eEAX), {}, {0xF7, 0xD0}},
        {I::eNeg, R(eEAX), {}, {0xF7, 0xD8}},
        {I::eMul, R(eECX), {}, {0xF7, 0xE1}},
        {I::eDiv, R(eBL), {}, {0xF6, 0xF3}},
        {I::eIdiv, R(eECX), {}, {0xF7, 0xF9}},
        {I::eIdiv, Mem(eEBP, 12), {}, {0xF7, 0x7D, 12}},
        {I::eImul, R(eEDX), {}, {0xF7, 0xEA}},
        {I::eImul, Mem(eESI, 8), {}, {0xF7, 0x6E, 8}},
        {I::eCdq, {}, {}, {0x99}},
        {I::ePush, R(eEAX), {}, {0x50}},
        {I::ePush, R(eEBP), {}, {0x55}},
        {I::ePush, R(eCX), {}, {0x66, 0x51}},
        {I::ePush, Mem(eESI, 4), {}, {0xFF, 0x76, 4}},
        {I::ePop, R(eEDI), {}, {0x5F}},
        {I::ePop, Mem(eEAX, 0), {}, {0x8F, 0x00}},
        {I::eRet, Imm(0), {}, {0xC3}},
        {I::eRet, Imm(4), {}, {0xC2, 4, 0}},
        {I::eRet, {}, {}, {0xC3}},
    });
    // The two-operand entry with an empty second operand takes the one-operand path.
    CCodeGen g;
    EXPECT_EQ(g.Emit(I::ePush, COperand(eEDX), COperand()), 1);
    EXPECT_EQ(g.m_Code[0], 0x52);
}

TEST(Encoder, BranchesTakeShortOr32BitForms) {
    using I = CInstr;
    Check({
        {I::eJe, Addr(0), {}, {0x0F, 0x84, 0, 0, 0, 0}},
        {I::eJg, Addr(0), {}, {0x0F, 0x8F, 0, 0, 0, 0}},
        {I::eJmp, Addr(0), {}, {0xE9, 0, 0, 0, 0}},
        {I::eCall, Addr(0), {}, {0xE8, 0, 0, 0, 0}},
        {I::eJl, Imm(-2), {}, {0x7C, 0xFE}},
        {I::eJmp, Imm(5), {}, {0xEB, 5}},
        // No 16-bit relative forms: they would truncate EIP.
        {I::eJne, Imm(300), {}, {0x0F, 0x85, 0x2C, 1, 0, 0}},
        {I::eJmp, Imm(300), {}, {0xE9, 0x2C, 1, 0, 0}},
        {I::eCall, Imm(5), {}, {0xE8, 5, 0, 0, 0}},
        {I::eCall, R(eECX), {}, {0xFF, 0xD1}},
        {I::eJmp, Mem(eEAX, 4), {}, {0xFF, 0x60, 4}},
    });
}

TEST(Encoder, OperandsWithoutAFormEncodeNothing) {
    using I = CInstr;
    const std::vector<std::pair<const char*, std::function<int(CCodeGen&)>>> cases = {
        {"lea from register", [](CCodeGen& g) { return g.Emit(I::eLea, eEAX, eECX); }},
        {"mov into immediate", [](CCodeGen& g) { return g.Emit(I::eMov, Imm(1), eEAX); }},
        {"mixed sizes", [](CCodeGen& g) { return g.Emit(I::eMov, eEAX, eCX); }},
        {"push immediate", [](CCodeGen& g) { return g.Emit(I::ePush, Imm(1)); }},
        {"ret address", [](CCodeGen& g) { return g.Emit(I::eRet, Addr(4)); }},
        {"esp as index", [](CCodeGen& g) { return g.Emit(I::eMov, eEAX, Sib(eEAX, eESP, 2, 0)); }},
        {"bad scale", [](CCodeGen& g) { return g.Emit(I::eMov, eEAX, Sib(eEAX, eECX, 3, 0)); }},
        {"16-bit base", [](CCodeGen& g) { return g.Emit(I::eMov, eEAX, Mem(eBX, 0)); }},
        {"byte immediate too big", [](CCodeGen& g) { return g.Emit(I::eAdd, eCL, Imm(200)); }},
        {"unknown group", [](CCodeGen& g) { return g.Emit(0x2700, eEAX); }},
        {"group past the tables", [](CCodeGen& g) { return g.Emit(0x7F00, eEAX); }},
        {"member without encoder", [](CCodeGen& g) { return g.Emit(0x0600, eEAX, Mem(eEAX, 0)); }},
        {"jcc member 16", [](CCodeGen& g) { return g.Emit(0x1110, Addr(0)); }},
        {"cdq with operand", [](CCodeGen& g) { return g.Emit(I::eCdq, eEAX); }},
        {"no first operand", [](CCodeGen& g) { return g.Emit(I::eAdd, COperand(), eEAX); }},
        {"bad register code", [](CCodeGen& g) { return g.Emit(I::ePush, COperand(ERegister(0x48))); }},
    };
    for (const auto& [name, emit] : cases) {
        CCodeGen g;
        g.Emit(CInstr::eCdq);
        EXPECT_EQ(emit(g), 0) << name;
        EXPECT_EQ(g.GetCodeSize(), 1u) << name;
    }
}
