// A generated sweep over instructions, registers, displacements, index forms
// and immediates: every emitted instruction is decoded by an independent
// disassembler, which must see exactly one instruction covering all bytes,
// with the intended mnemonic and operands.
#include <gtest/gtest.h>

#if ORVEL_HAVE_CAPSTONE
#include <capstone/capstone.h>

#include <cstdio>
#include <string>
#include <vector>

#include "codegen/CodeGen.h"

namespace {

constexpr uint64_t kAddress = 0x10000;

const ERegister kRegs32[] = {eEAX, eECX, eEDX, eEBX, eESP, eEBP, eESI, eEDI};
const ERegister kRegs16[] = {eAX, eCX, eDX, eBX, eSP, eBP, eSI, eDI};
const ERegister kRegs8[] = {eAL, eCL, eDL, eBL, eAH, eCH, eDH, eBH};
const int32_t kImms[] = {0, 1, -1, 5, 127, 128, -128, -129, 255, 32767, -32768, 32768, 0x12345678};
const int32_t kDisps[] = {0, 1, -1, 127, 128, -128, -129, 0x1000, -0x12345};
const char* const kAlu[] = {"add", "or", "adc", "sbb", "and", "sub", "xor", "cmp"};
const char* const kUnary[] = {"not", "neg", "mul", "div", "idiv"};
const char* const kCond[] = {"jo", "jno", "jb", "jae", "je", "jne", "jbe", "ja",
                             "js", "jns", "jp", "jnp", "jl", "jge", "jle", "jg"};

x86_reg CsReg(uint8_t code) {
    static const x86_reg r8[] = {X86_REG_AL, X86_REG_CL, X86_REG_DL, X86_REG_BL,
                                 X86_REG_AH, X86_REG_CH, X86_REG_DH, X86_REG_BH};
    static const x86_reg r16[] = {X86_REG_AX, X86_REG_CX, X86_REG_DX, X86_REG_BX,
                                  X86_REG_SP, X86_REG_BP, X86_REG_SI, X86_REG_DI};
    static const x86_reg r32[] = {X86_REG_EAX, X86_REG_ECX, X86_REG_EDX, X86_REG_EBX,
                                  X86_REG_ESP, X86_REG_EBP, X86_REG_ESI, X86_REG_EDI};
    switch (RegisterSize(code)) {
    case 1: return r8[code & 7];
    case 2: return r16[code & 7];
    case 4: return r32[code & 7];
    }
    return X86_REG_INVALID;
}

// One instruction to emit and how it must decode.
struct SCase {
    uint16_t m_nId;
    std::string m_strMnemonic;
    std::vector<COperand> m_Ops;
    bool m_bBranch = false;  // the immediate is relative to the next instruction
};

class CDecoder {
public:
    CDecoder() {
        m_bOpen = cs_open(CS_ARCH_X86, CS_MODE_32, &m_h) == CS_ERR_OK;
        if (m_bOpen) cs_option(m_h, CS_OPT_DETAIL, CS_OPT_ON);
    }
    ~CDecoder() {
        if (m_bOpen) cs_close(&m_h);
    }

    // Empty when it matches, else what differs.
    std::string Check(const SCase& c) {
        CCodeGen g;
        int size = c.m_Ops.empty()       ? g.Emit(c.m_nId)
                   : c.m_Ops.size() == 1 ? g.Emit(c.m_nId, c.m_Ops[0])
                                         : g.Emit(c.m_nId, c.m_Ops[0], c.m_Ops[1]);
        if (size == 0) return "nothing encoded";
        if (size_t(size) != g.m_Code.GetSize()) return "size mismatch";
        cs_insn* insn = nullptr;
        size_t n = cs_disasm(m_h, g.m_Code.GetData(), g.m_Code.GetSize(), kAddress, 0, &insn);
        std::string err;
        if (n != 1) err = "decoded " + std::to_string(n) + " instructions";
        else if (insn[0].size != size_t(size)) err = "decoder used " + std::to_string(insn[0].size) + " bytes";
        else err = Compare(c, insn[0]);
        if (!err.empty()) err += " [" + Hex(g) + (n ? std::string("] got ") + insn[0].mnemonic + " " + insn[0].op_str : "]");
        if (insn) cs_free(insn, n);
        return err;
    }

    bool IsOpen() const { return m_bOpen; }

private:
    static std::string Hex(const CCodeGen& g) {
        std::string s;
        char b[4];
        for (uint8_t v : g.m_Code) {
            std::snprintf(b, sizeof b, "%02X ", v);
            s += b;
        }
        return s;
    }

    static std::string Compare(const SCase& c, const cs_insn& insn) {
        if (c.m_strMnemonic != insn.mnemonic) return "mnemonic";
        const cs_x86& x = insn.detail->x86;
        if (size_t(x.op_count) != c.m_Ops.size()) return "operand count";
        for (size_t i = 0; i < c.m_Ops.size(); ++i) {
            std::string e = CompareOp(c, c.m_Ops[i], x.operands[i], insn, i);
            if (!e.empty()) return "operand " + std::to_string(i) + ": " + e;
        }
        return "";
    }

    static std::string CompareOp(const SCase& c, const COperand& want, const cs_x86_op& got,
                                 const cs_insn& insn, size_t i) {
        if (want.IsRegister()) {
            if (got.type != X86_OP_REG || got.reg != CsReg(want.m_nRegister)) return "register";
            return "";
        }
        if (want.IsImmediate()) {
            if (got.type != X86_OP_IMM) return "not an immediate";
            uint64_t v = uint32_t(want.m_nValue);
            if (c.m_bBranch) v = uint32_t(kAddress + insn.size + int64_t(want.m_nValue));
            // Compare at the width of the instruction's first operand.
            const int width = i > 0 ? c.m_Ops[0].m_nSize : 4;
            const uint64_t mask = width == 1 ? 0xFF : width == 2 ? 0xFFFF : 0xFFFFFFFF;
            if ((uint64_t(got.imm) & mask) != (v & mask)) return "immediate value";
            return "";
        }
        if (got.type != X86_OP_MEM) return "not memory";
        const x86_reg base = want.m_nRegister ? CsReg(want.m_nRegister) : X86_REG_INVALID;
        const x86_reg index = want.m_nIndex ? CsReg(want.m_nIndex) : X86_REG_INVALID;
        if (got.mem.base != base) return "base";
        if (got.mem.index != index) return "index";
        if (want.m_nIndex && got.mem.scale != want.m_nScale) return "scale";
        if (got.mem.disp != int64_t(want.m_nValue) &&
            uint32_t(got.mem.disp) != uint32_t(want.m_nValue))
            return "displacement";
        if (got.size != want.m_nSize && insn.id != X86_INS_LEA) return "access size";
        return "";
    }

    csh m_h = 0;
    bool m_bOpen = false;
};

COperand R(ERegister r) { return COperand(r); }
COperand Imm(int32_t v) { return COperand(v, false); }
COperand Addr(int32_t v) { return COperand(v, true); }

// Memory operands: every base with every displacement (normal and wide),
// and index forms with and without a base.
std::vector<COperand> Memories(uint8_t size) {
    std::vector<COperand> out;
    for (ERegister base : kRegs32)
        for (int32_t d : kDisps) {
            out.emplace_back(base, eNoRegister, 1, d, size, false);
            out.emplace_back(base, eNoRegister, 1, d, size, true);
        }
    const uint8_t bases[] = {eNoRegister, eEAX, eEBP, eESP, eEDI};
    for (uint8_t base : bases)
        for (ERegister index : kRegs32) {
            if (index == eESP) continue;
            for (uint8_t scale : {1, 2, 4, 8})
                for (int32_t d : {0, 8, -200}) out.emplace_back(base, index, scale, d, size, false);
        }
    out.emplace_back(eNoRegister, eNoRegister, 1, 0x4000, size, false);
    return out;
}

bool FitsSigned(int32_t v, int size) {
    return size == 4 || (size == 2 ? v >= -32768 && v <= 32767 : v >= -128 && v <= 127);
}

std::vector<SCase> AluAndMovCases() {
    std::vector<SCase> cases;
    struct SSet {
        const ERegister* m_Regs;
        uint8_t m_nSize;
    };
    const SSet sets[] = {{kRegs32, 4}, {kRegs16, 2}, {kRegs8, 1}};
    auto add = [&](uint16_t id, const char* mnem) {
        for (const SSet& s : sets) {
            const std::vector<COperand> mems = Memories(s.m_nSize);
            for (int a = 0; a < 8; ++a) {
                const ERegister ra = s.m_Regs[a];
                for (int b = 0; b < 8; ++b) cases.push_back({id, mnem, {R(ra), R(s.m_Regs[b])}});
                for (int32_t v : kImms)
                    if (FitsSigned(v, s.m_nSize)) cases.push_back({id, mnem, {R(ra), Imm(v)}});
                if (s.m_nSize == 4) cases.push_back({id, mnem, {R(ra), Addr(0x1234)}});
                for (const COperand& m : mems) {
                    cases.push_back({id, mnem, {R(ra), m}});
                    cases.push_back({id, mnem, {m, R(ra)}});
                }
            }
            for (const COperand& m : mems)
                for (int32_t v : {0, -1, 127, 128, -129})
                    if (FitsSigned(v, s.m_nSize)) cases.push_back({id, mnem, {m, Imm(v)}});
        }
    };
    for (int n = 0; n < 8; ++n) add(uint16_t(CInstr::eAdd + n), kAlu[n]);
    add(CInstr::eMov, "mov");
    return cases;
}

std::vector<SCase> OtherCases() {
    std::vector<SCase> cases;
    const std::vector<COperand> mems32 = Memories(4), mems16 = Memories(2), mems8 = Memories(1);
    for (ERegister r : kRegs32)
        for (const COperand& m : mems32) cases.push_back({CInstr::eLea, "lea", {R(r), m}});
    auto oneOperand = [&](uint16_t id, const char* mnem, bool bytes) {
        for (int i = 0; i < 8; ++i) {
            cases.push_back({id, mnem, {R(kRegs32[i])}});
            cases.push_back({id, mnem, {R(kRegs16[i])}});
            if (bytes) cases.push_back({id, mnem, {R(kRegs8[i])}});
        }
        for (const COperand& m : mems32) cases.push_back({id, mnem, {m}});
        for (const COperand& m : mems16) cases.push_back({id, mnem, {m}});
        if (bytes)
            for (const COperand& m : mems8) cases.push_back({id, mnem, {m}});
    };
    oneOperand(CInstr::eInc, "inc", true);
    oneOperand(CInstr::eDec, "dec", true);
    for (int n = 0; n < 5; ++n) oneOperand(uint16_t(CInstr::eNot + n), kUnary[n], true);
    oneOperand(CInstr::eImul, "imul", true);
    oneOperand(CInstr::ePush, "push", false);
    oneOperand(CInstr::ePop, "pop", false);
    for (int c = 0; c < 16; ++c)
        for (int32_t v : {0, 5, -2, 127, -128, 128, -129, 300, -70000})
            cases.push_back({uint16_t(CInstr::eJcc + c), kCond[c], {Imm(v)}, true});
    for (int c = 0; c < 16; ++c)
        cases.push_back({uint16_t(CInstr::eJcc + c), kCond[c], {Addr(0)}, true});
    for (int32_t v : {0, 5, -128, 300}) {
        cases.push_back({CInstr::eJmp, "jmp", {Imm(v)}, true});
        cases.push_back({CInstr::eCall, "call", {Imm(v)}, true});
    }
    cases.push_back({CInstr::eJmp, "jmp", {Addr(-1000)}, true});
    cases.push_back({CInstr::eCall, "call", {Addr(0)}, true});
    for (ERegister r : kRegs32) {
        cases.push_back({CInstr::eJmp, "jmp", {R(r)}});
        cases.push_back({CInstr::eCall, "call", {R(r)}});
    }
    for (const COperand& m : mems32) {
        cases.push_back({CInstr::eJmp, "jmp", {m}});
        cases.push_back({CInstr::eCall, "call", {m}});
    }
    for (int32_t v : {4, 8, 12, 0x7FFF}) cases.push_back({CInstr::eRet, "ret", {Imm(v)}});
    cases.push_back({CInstr::eCdq, "cdq", {}});
    return cases;
}

void RunSweep(const std::vector<SCase>& cases) {
    CDecoder d;
    ASSERT_TRUE(d.IsOpen());
    int failures = 0;
    for (const SCase& c : cases) {
        std::string err = d.Check(c);
        if (!err.empty() && ++failures <= 20)
            ADD_FAILURE() << c.m_strMnemonic << " with " << c.m_Ops.size() << " operands: " << err;
    }
    EXPECT_EQ(failures, 0) << "of " << cases.size() << " cases";
}

}  // namespace

TEST(DecodeSweep, AluAndMov) { RunSweep(AluAndMovCases()); }

TEST(DecodeSweep, LeaUnaryStackBranches) { RunSweep(OtherCases()); }

#else
TEST(DecodeSweep, NeedsCapstone) { GTEST_SKIP() << "built without the disassembler"; }
#endif
