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

Bytes Encode(const std::function<void(CCodeGen&)>& emit) {
    CCodeGen g;
    emit(g);
    return Bytes(g.m_Code.begin(), g.m_Code.end());
}

COperand Imm(int32_t v) { return COperand(v, false); }
COperand Addr(int32_t v) { return COperand(v, true); }
COperand Mem(uint8_t base, int32_t disp, uint8_t size = 4) {
    return COperand(base, eNoRegister, 1, disp, size, false);
}
COperand Wide(uint8_t base, int32_t disp) { return COperand(base, eNoRegister, 1, disp, 4, true); }
COperand Sib(uint8_t base, uint8_t index, uint8_t scale, int32_t disp) {
    return COperand(base, index, scale, disp, 4, false);
}

struct SCase {
    const char* m_szName;
    std::function<void(CCodeGen&)> m_Emit;
    Bytes m_Expected;
};

void Check(const std::vector<SCase>& cases) {
    for (const SCase& c : cases) EXPECT_EQ(Encode(c.m_Emit), c.m_Expected) << c.m_szName;
}

}  // namespace

TEST(Encoder, AluFormsAndImmediateLimits) {
    using I = CInstr;
    Check({
        {"cmp eax,5", [](CCodeGen& g) { g.Emit(I::eCmp, eEAX, Imm(5)); }, {0x3D, 5, 0, 0, 0}},
        {"sub esp,8", [](CCodeGen& g) { g.Emit(I::eSub, eESP, Imm(8)); }, {0x83, 0xEC, 8}},
        {"xor eax,eax", [](CCodeGen& g) { g.Emit(I::eXor, eEAX, eEAX); }, {0x31, 0xC0}},
        {"add eax,[esi+8]", [](CCodeGen& g) { g.Emit(I::eAdd, eEAX, Mem(eESI, 8)); },
         {0x03, 0x46, 8}},
        {"add ecx,127", [](CCodeGen& g) { g.Emit(I::eAdd, eECX, Imm(127)); }, {0x83, 0xC1, 0x7F}},
        {"add ecx,128", [](CCodeGen& g) { g.Emit(I::eAdd, eECX, Imm(128)); },
         {0x81, 0xC1, 0x80, 0, 0, 0}},
        {"add ecx,-128", [](CCodeGen& g) { g.Emit(I::eAdd, eECX, Imm(-128)); }, {0x83, 0xC1, 0x80}},
        {"add ecx,-129", [](CCodeGen& g) { g.Emit(I::eAdd, eECX, Imm(-129)); },
         {0x81, 0xC1, 0x7F, 0xFF, 0xFF, 0xFF}},
        {"add eax,127", [](CCodeGen& g) { g.Emit(I::eAdd, eEAX, Imm(127)); }, {0x05, 0x7F, 0, 0, 0}},
        {"add eax,128", [](CCodeGen& g) { g.Emit(I::eAdd, eEAX, Imm(128)); }, {0x05, 0x80, 0, 0, 0}},
        {"and eax,-1", [](CCodeGen& g) { g.Emit(I::eAnd, eEAX, Imm(-1)); },
         {0x25, 0xFF, 0xFF, 0xFF, 0xFF}},
        // An address is always 32-bit, even when it would fit a byte.
        {"cmp ecx,addr 1", [](CCodeGen& g) { g.Emit(I::eCmp, eECX, Addr(1)); },
         {0x81, 0xF9, 1, 0, 0, 0}},
        {"or al,5", [](CCodeGen& g) { g.Emit(I::eOr, eAL, Imm(5)); }, {0x0C, 5}},
        {"sub ax,300", [](CCodeGen& g) { g.Emit(I::eSub, eAX, Imm(300)); }, {0x66, 0x2D, 0x2C, 1}},
        {"cmp cx,5", [](CCodeGen& g) { g.Emit(I::eCmp, eCX, Imm(5)); }, {0x66, 0x83, 0xF9, 5}},
        {"cmp cx,300", [](CCodeGen& g) { g.Emit(I::eCmp, eCX, Imm(300)); },
         {0x66, 0x81, 0xF9, 0x2C, 1}},
        {"add dl,bl", [](CCodeGen& g) { g.Emit(I::eAdd, eDL, eBL); }, {0x00, 0xDA}},
        {"add [ebp-4],eax", [](CCodeGen& g) { g.Emit(I::eAdd, Mem(eEBP, -4), eEAX); },
         {0x01, 0x45, 0xFC}},
        {"sub dword [esi+4],1", [](CCodeGen& g) { g.Emit(I::eSub, Mem(eESI, 4), Imm(1)); },
         {0x83, 0x6E, 4, 1}},
        {"xor cx,[eax] word", [](CCodeGen& g) { g.Emit(I::eXor, eCX, Mem(eEAX, 0, 2)); },
         {0x66, 0x33, 0x08}},
    });
}

TEST(Encoder, ModRmDisplacementsAndBaseRules) {
    using I = CInstr;
    Check({
        {"[ebp-128]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Mem(eEBP, -128)); }, {0x8B, 0x45, 0x80}},
        {"[ebp-129]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Mem(eEBP, -129)); },
         {0x8B, 0x85, 0x7F, 0xFF, 0xFF, 0xFF}},
        {"[ebp+127]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Mem(eEBP, 127)); }, {0x8B, 0x45, 0x7F}},
        {"[ebp+128]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Mem(eEBP, 128)); },
         {0x8B, 0x85, 0x80, 0, 0, 0}},
        {"[ebp] takes disp8 0", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Mem(eEBP, 0)); },
         {0x8B, 0x45, 0x00}},
        {"[esi] takes none", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Mem(eESI, 0)); }, {0x8B, 0x06}},
        {"[esp]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Mem(eESP, 0)); }, {0x8B, 0x04, 0x24}},
        {"[esp+8]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Mem(eESP, 8)); },
         {0x8B, 0x44, 0x24, 8}},
        {"[esp+200]", [](CCodeGen& g) { g.Emit(I::eMov, eECX, Mem(eESP, 200)); },
         {0x8B, 0x8C, 0x24, 200, 0, 0, 0}},
        {"wide [esi+8]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Wide(eESI, 8)); },
         {0x8B, 0x86, 8, 0, 0, 0}},
        {"wide [esi]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Wide(eESI, 0)); },
         {0x8B, 0x86, 0, 0, 0, 0}},
        {"[eax+ecx*4+8]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Sib(eEAX, eECX, 4, 8)); },
         {0x8B, 0x44, 0x88, 8}},
        {"[ebp+ecx*2]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Sib(eEBP, eECX, 2, 0)); },
         {0x8B, 0x44, 0x4D, 0}},
        {"[ebx+esi*8]", [](CCodeGen& g) { g.Emit(I::eMov, eEDX, Sib(eEBX, eESI, 8, 0)); },
         {0x8B, 0x14, 0xF3}},
        {"[ecx*4+16]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Sib(eNoRegister, eECX, 4, 16)); },
         {0x8B, 0x04, 0x8D, 16, 0, 0, 0}},
        // A lone index at scale 1 becomes the base.
        {"[edx*1+4]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Sib(eNoRegister, eEDX, 1, 4)); },
         {0x8B, 0x42, 4}},
        {"[0x1234] absolute", [](CCodeGen& g) { g.Emit(I::eAdd, eECX, Mem(eNoRegister, 0x1234)); },
         {0x03, 0x0D, 0x34, 0x12, 0, 0}},
    });
}

TEST(Encoder, MovLeaAndMoffs) {
    using I = CInstr;
    Check({
        {"mov ebp,esp", [](CCodeGen& g) { g.Emit(I::eMov, eEBP, eESP); }, {0x89, 0xE5}},
        {"mov eax,5", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Imm(5)); }, {0xB8, 5, 0, 0, 0}},
        {"mov edi,addr", [](CCodeGen& g) { g.Emit(I::eMov, eEDI, Addr(0x100)); },
         {0xBF, 0, 1, 0, 0}},
        {"mov cl,7", [](CCodeGen& g) { g.Emit(I::eMov, eCL, Imm(7)); }, {0xB1, 7}},
        {"mov dx,-2", [](CCodeGen& g) { g.Emit(I::eMov, eDX, Imm(-2)); }, {0x66, 0xBA, 0xFE, 0xFF}},
        {"mov [ebp-4],7", [](CCodeGen& g) { g.Emit(I::eMov, Mem(eEBP, -4), Imm(7)); },
         {0xC7, 0x45, 0xFC, 7, 0, 0, 0}},
        {"mov byte [eax],1", [](CCodeGen& g) { g.Emit(I::eMov, Mem(eEAX, 0, 1), Imm(1)); },
         {0xC6, 0x00, 1}},
        {"mov [esi+8],eax", [](CCodeGen& g) { g.Emit(I::eMov, Mem(eESI, 8), eEAX); },
         {0x89, 0x46, 8}},
        {"mov [eax],cl", [](CCodeGen& g) { g.Emit(I::eMov, Mem(eEAX, 0, 1), eCL); }, {0x88, 0x08}},
        {"mov cl,[esi]", [](CCodeGen& g) { g.Emit(I::eMov, eCL, Mem(eESI, 0, 1)); }, {0x8A, 0x0E}},
        {"mov eax,[0x1234]", [](CCodeGen& g) { g.Emit(I::eMov, eEAX, Mem(eNoRegister, 0x1234)); },
         {0xA1, 0x34, 0x12, 0, 0}},
        {"mov [0x1234],al", [](CCodeGen& g) { g.Emit(I::eMov, Mem(eNoRegister, 0x1234, 1), eAL); },
         {0xA2, 0x34, 0x12, 0, 0}},
        {"lea eax,[ebp-4]", [](CCodeGen& g) { g.Emit(I::eLea, eEAX, Mem(eEBP, -4)); },
         {0x8D, 0x45, 0xFC}},
        {"lea esi,[esi+0x200]", [](CCodeGen& g) { g.Emit(I::eLea, eESI, Mem(eESI, 0x200)); },
         {0x8D, 0xB6, 0, 2, 0, 0}},
    });
}

TEST(Encoder, OneOperandAndZeroOperandForms) {
    using I = CInstr;
    Check({
        {"inc eax", [](CCodeGen& g) { g.Emit(I::eInc, eEAX); }, {0x40}},
        {"dec edi", [](CCodeGen& g) { g.Emit(I::eDec, eEDI); }, {0x4F}},
        {"inc cx", [](CCodeGen& g) { g.Emit(I::eInc, eCX); }, {0x66, 0x41}},
        {"inc al", [](CCodeGen& g) { g.Emit(I::eInc, eAL); }, {0xFE, 0xC0}},
        {"dec dword [esi+4]", [](CCodeGen& g) { g.Emit(I::eDec, Mem(eESI, 4)); }, {0xFF, 0x4E, 4}},
        {"not eax", [](CCodeGen& g) { g.Emit(I::eNot, eEAX); }, {0xF7, 0xD0}},
        {"neg eax", [](CCodeGen& g) { g.Emit(I::eNeg, eEAX); }, {0xF7, 0xD8}},
        {"mul ecx", [](CCodeGen& g) { g.Emit(I::eMul, eECX); }, {0xF7, 0xE1}},
        {"div bl", [](CCodeGen& g) { g.Emit(I::eDiv, eBL); }, {0xF6, 0xF3}},
        {"idiv ecx", [](CCodeGen& g) { g.Emit(I::eIdiv, eECX); }, {0xF7, 0xF9}},
        {"idiv [ebp+12]", [](CCodeGen& g) { g.Emit(I::eIdiv, Mem(eEBP, 12)); }, {0xF7, 0x7D, 12}},
        {"imul edx", [](CCodeGen& g) { g.Emit(I::eImul, eEDX); }, {0xF7, 0xEA}},
        {"imul [esi+8]", [](CCodeGen& g) { g.Emit(I::eImul, Mem(eESI, 8)); }, {0xF7, 0x6E, 8}},
        {"cdq", [](CCodeGen& g) { g.Emit(I::eCdq); }, {0x99}},
        {"push eax", [](CCodeGen& g) { g.Emit(I::ePush, eEAX); }, {0x50}},
        {"push ebp", [](CCodeGen& g) { g.Emit(I::ePush, eEBP); }, {0x55}},
        {"push cx", [](CCodeGen& g) { g.Emit(I::ePush, eCX); }, {0x66, 0x51}},
        {"push [esi+4]", [](CCodeGen& g) { g.Emit(I::ePush, Mem(eESI, 4)); }, {0xFF, 0x76, 4}},
        {"pop edi", [](CCodeGen& g) { g.Emit(I::ePop, eEDI); }, {0x5F}},
        {"pop [eax]", [](CCodeGen& g) { g.Emit(I::ePop, Mem(eEAX, 0)); }, {0x8F, 0x00}},
        {"ret 0", [](CCodeGen& g) { g.Emit(I::eRet, Imm(0)); }, {0xC3}},
        {"ret 4", [](CCodeGen& g) { g.Emit(I::eRet, Imm(4)); }, {0xC2, 4, 0}},
        {"ret (none)", [](CCodeGen& g) { g.Emit(I::eRet); }, {0xC3}},
        // The two-operand entry with an empty second operand takes the
        // one-operand path.
        {"push via 2-op", [](CCodeGen& g) { g.Emit(I::ePush, COperand(eEDX), COperand()); }, {0x52}},
    });
}

TEST(Encoder, BranchesTakeShortOr32BitForms) {
    using I = CInstr;
    Check({
        {"je addr", [](CCodeGen& g) { g.Emit(I::eJe, Addr(0)); }, {0x0F, 0x84, 0, 0, 0, 0}},
        {"jg addr", [](CCodeGen& g) { g.Emit(I::eJg, Addr(0)); }, {0x0F, 0x8F, 0, 0, 0, 0}},
        {"jmp addr", [](CCodeGen& g) { g.Emit(I::eJmp, Addr(0)); }, {0xE9, 0, 0, 0, 0}},
        {"call addr", [](CCodeGen& g) { g.Emit(I::eCall, Addr(0)); }, {0xE8, 0, 0, 0, 0}},
        {"jl short", [](CCodeGen& g) { g.Emit(I::eJl, Imm(-2)); }, {0x7C, 0xFE}},
        {"jmp short", [](CCodeGen& g) { g.Emit(I::eJmp, Imm(5)); }, {0xEB, 5}},
        // No 16-bit relative forms: they would truncate EIP.
        {"jne 300", [](CCodeGen& g) { g.Emit(I::eJne, Imm(300)); }, {0x0F, 0x85, 0x2C, 1, 0, 0}},
        {"jmp 300", [](CCodeGen& g) { g.Emit(I::eJmp, Imm(300)); }, {0xE9, 0x2C, 1, 0, 0}},
        {"call 5", [](CCodeGen& g) { g.Emit(I::eCall, Imm(5)); }, {0xE8, 5, 0, 0, 0}},
        {"call ecx", [](CCodeGen& g) { g.Emit(I::eCall, eECX); }, {0xFF, 0xD1}},
        {"jmp [eax+4]", [](CCodeGen& g) { g.Emit(I::eJmp, Mem(eEAX, 4)); }, {0xFF, 0x60, 4}},
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

TEST(Operand, ConstructorsAndIndexRule) {
    const COperand r(eCX);
    EXPECT_EQ(r.m_nKind, COperand::eRegister);
    EXPECT_EQ(r.m_nSize, 2);
    EXPECT_EQ(COperand(7, false).m_nKind, COperand::eImmediate);
    EXPECT_EQ(COperand(7, true).m_nKind, COperand::eAddress);

    const COperand lone(eNoRegister, eEDX, 1, 4, 4, true);
    EXPECT_EQ(lone.m_nKind, COperand::eMemoryAddress);
    EXPECT_EQ(lone.m_nRegister, eEDX);
    EXPECT_EQ(lone.m_nIndex, eNoRegister);
    // Scaled, the index stays an index.
    const COperand scaled(eNoRegister, eEDX, 2, 4, 4, false);
    EXPECT_EQ(scaled.m_nRegister, eNoRegister);
    EXPECT_EQ(scaled.m_nIndex, eEDX);
}
