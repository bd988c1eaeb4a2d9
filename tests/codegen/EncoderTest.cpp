// Exact bytes of the instruction forms, chosen where the encoding changes:
// the accumulator and short-immediate forms, displacement sizes and the EBP
// and ESP base rules; and instructions that have no form, which must stop
// generation with an internal error instead of leaving a hole in the code.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "codegen/CodeGen.h"

namespace {

using Bytes = std::vector<uint8_t>;
using I = CInstr;

COperand Imm(int32_t v) { return COperand::Imm(v); }
COperand Addr(int32_t v) { return COperand::Address(v); }
COperand Mem(ERegister base, int32_t disp) { return COperand::Dword(base, disp); }
COperand R(ERegister r) { return COperand(r); }

struct SCase {
    uint16_t m_nId;
    COperand m_A, m_B;
    Bytes m_Expected;
};

void Check(const std::vector<SCase>& cases) {
    for (size_t i = 0; i < cases.size(); ++i) {
        const SCase& c = cases[i];
        CCodeGen g;
        EXPECT_TRUE(g.Emit(c.m_nId, c.m_A, c.m_B)) << "case " << i << ": " << g.GetFailure();
        EXPECT_EQ(Bytes(g.m_Code.begin(), g.m_Code.end()), c.m_Expected) << "case " << i << ", id " << c.m_nId;
    }
}

}  // namespace

TEST(Encoder, AluFormsAndImmediateLimits) {
    Check({
        {I::eCmp, R(eEAX), Imm(5), {0x3D, 5, 0, 0, 0}},
        {I::eSub, R(eESP), Imm(8), {0x83, 0xEC, 8}},
        {I::eXor, R(eEAX), R(eEAX), {0x31, 0xC0}},
        {I::eAnd, R(eEAX), R(eEAX), {0x21, 0xC0}},
        {I::eAdd, R(eEAX), Mem(eESI, 8), {0x03, 0x46, 8}},
        {I::eOr, R(eEAX), Mem(eEBP, -4), {0x0B, 0x45, 0xFC}},
        {I::eSub, R(eEDI), Imm(127), {0x83, 0xEF, 0x7F}},
        {I::eSub, R(eESP), Imm(128), {0x81, 0xEC, 0x80, 0, 0, 0}},
        {I::eSub, R(eEDI), Imm(-128), {0x83, 0xEF, 0x80}},
        {I::eSub, R(eEDI), Imm(-129), {0x81, 0xEF, 0x7F, 0xFF, 0xFF, 0xFF}},
        // EAX takes its short opcode with a full immediate, even for a byte value.
        {I::eAdd, R(eEAX), Imm(127), {0x05, 0x7F, 0, 0, 0}},
        {I::eXor, R(eEAX), Imm(-1), {0x35, 0xFF, 0xFF, 0xFF, 0xFF}},
        // An address is always 32-bit, even when it would fit a byte.
        {I::eCmp, R(eECX), Addr(1), {0x81, 0xF9, 1, 0, 0, 0}},
        {I::eCmp, R(eEAX), Addr(3), {0x3D, 3, 0, 0, 0}},
    });
}

TEST(Encoder, ModRmDisplacementsAndBaseRules) {
    Check({
        {I::eMov, R(eEAX), Mem(eEBP, -128), {0x8B, 0x45, 0x80}},
        {I::eMov, R(eEAX), Mem(eEBP, -129), {0x8B, 0x85, 0x7F, 0xFF, 0xFF, 0xFF}},
        {I::eMov, R(eEAX), Mem(eEBP, 127), {0x8B, 0x45, 0x7F}},
        {I::eMov, R(eEAX), Mem(eEBP, 128), {0x8B, 0x85, 0x80, 0, 0, 0}},
        // EBP as a base has no form without a displacement.
        {I::eMov, R(eEAX), Mem(eEBP, 0), {0x8B, 0x45, 0x00}},
        {I::eMov, R(eEAX), Mem(eESI, 0), {0x8B, 0x06}},
        // ESP as a base needs the SIB byte.
        {I::eMov, R(eEAX), Mem(eESP, 0), {0x8B, 0x04, 0x24}},
        {I::eMov, R(eEAX), Mem(eESP, 8), {0x8B, 0x44, 0x24, 8}},
        {I::eMov, R(eECX), Mem(eESP, 200), {0x8B, 0x8C, 0x24, 200, 0, 0, 0}},
        {I::eMov, Mem(eECX, 12), R(eEAX), {0x89, 0x41, 0x0C}},
        {I::eLea, R(eEAX), Mem(eEBP, -4), {0x8D, 0x45, 0xFC}},
        {I::eLea, R(eEAX), Mem(eESI, 0x200), {0x8D, 0x86, 0, 2, 0, 0}},
    });
}

TEST(Encoder, MovOneOperandAndBranchForms) {
    Check({
        {I::eMov, R(eEBP), R(eESP), {0x89, 0xE5}},
        {I::eMov, R(eEAX), Imm(5), {0xB8, 5, 0, 0, 0}},
        {I::eMov, R(eEDX), Addr(0x100), {0xBA, 0, 1, 0, 0}},
        {I::eInc, R(eEAX), {}, {0x40}},
        {I::eDec, R(eEDI), {}, {0x4F}},
        {I::eNot, R(eEAX), {}, {0xF7, 0xD0}},
        {I::eNeg, R(eEAX), {}, {0xF7, 0xD8}},
        {I::eIdiv, R(eECX), {}, {0xF7, 0xF9}},
        {I::eIdiv, Mem(eEBP, 12), {}, {0xF7, 0x7D, 12}},
        {I::eImul, R(eEDX), {}, {0xF7, 0xEA}},
        {I::eImul, Mem(eESI, 8), {}, {0xF7, 0x6E, 8}},
        {I::eCdq, {}, {}, {0x99}},
        {I::eInt3, {}, {}, {0xCC}},
        {I::ePush, R(eEBP), {}, {0x55}},
        {I::ePop, R(eEDI), {}, {0x5F}},
        {I::eRet, Imm(0), {}, {0xC3}},
        {I::eRet, Imm(4), {}, {0xC2, 4, 0}},
        // Branches always carry a rel32, so positions never depend on distances.
        {I::eJe, Addr(0), {}, {0x0F, 0x84, 0, 0, 0, 0}},
        {I::eJg, Imm(-2), {}, {0x0F, 0x8F, 0xFE, 0xFF, 0xFF, 0xFF}},
        {I::eJmp, Addr(0), {}, {0xE9, 0, 0, 0, 0}},
        {I::eCall, Addr(0), {}, {0xE8, 0, 0, 0, 0}},
    });
}

// Every instruction without a form is an internal error: nothing is
// appended, the reason is kept, and nothing later is added either.
TEST(Encoder, InstructionsWithoutAFormFailGeneration) {
    const std::vector<std::pair<const char*, std::function<bool(CCodeGen&)>>> cases = {
        {"lea from register", [](CCodeGen& g) { return g.Emit(I::eLea, eEAX, eECX); }},
        {"mov into immediate", [](CCodeGen& g) { return g.Emit(I::eMov, Imm(1), eEAX); }},
        {"mov immediate to memory", [](CCodeGen& g) { return g.Emit(I::eMov, Mem(eESI, 0), Imm(1)); }},
        {"push immediate", [](CCodeGen& g) { return g.Emit(I::ePush, Imm(1)); }},
        {"ret address", [](CCodeGen& g) { return g.Emit(I::eRet, Addr(4)); }},
        {"ret without operand", [](CCodeGen& g) { return g.Emit(I::eRet); }},
        {"call through a register", [](CCodeGen& g) { return g.Emit(I::eCall, eECX); }},
        {"bad register code", [](CCodeGen& g) { return g.Emit(I::ePush, COperand(ERegister(0x48))); }},
        {"memory on a bad base", [](CCodeGen& g) { return g.Emit(I::eMov, eEAX, Mem(ERegister(0x30), 4)); }},
        {"unlisted member of a group", [](CCodeGen& g) { return g.Emit(0x0302, eEAX, Imm(1)); }},  // adc
        {"unlisted group", [](CCodeGen& g) { return g.Emit(0x2700, eEAX); }},
        {"group past the tables", [](CCodeGen& g) { return g.Emit(0x7F00, eEAX); }},
        {"unlisted with memory and immediate", [](CCodeGen& g) { return g.Emit(0x2700, Mem(eESI, 4), Imm(300)); }},
        {"cdq with operand", [](CCodeGen& g) { return g.Emit(I::eCdq, eEAX); }},
        {"no first operand", [](CCodeGen& g) { return g.Emit(I::eAdd, COperand(), eEAX); }},
    };
    for (const auto& [name, emit] : cases) {
        CCodeGen g;
        g.Emit(I::eCdq);
        EXPECT_FALSE(emit(g)) << name;
        EXPECT_TRUE(g.HasFailed()) << name;
        EXPECT_NE(g.GetFailure().find("no encoding for"), std::string::npos) << name;
        EXPECT_FALSE(g.Emit(I::eCdq)) << name;
        EXPECT_EQ(g.GetCodeSize(), 1u) << name;
    }
    // Unlisted ids share one row of the table: it names no instruction.
    EXPECT_EQ(CInstr::Mnemonic(0x2700), nullptr);
    EXPECT_EQ(CInstr::Mnemonic(0x0302), nullptr);
    EXPECT_STREQ(CInstr::Mnemonic(I::eCdq), "cdq");
}
