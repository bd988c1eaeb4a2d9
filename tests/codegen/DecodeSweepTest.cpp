// A generated sweep over every listed instruction with every register, base,
// displacement and immediate its forms take: each emitted instruction is
// decoded by an independent disassembler, which must see exactly one
// instruction covering all bytes, with the intended mnemonic and operands.
#include <gtest/gtest.h>

#if ORVEL_HAVE_CAPSTONE
#include <capstone/capstone.h>

#include <cstdio>
#include <string>
#include <vector>

#include "codegen/CodeGen.h"

namespace {

constexpr uint64_t kAddress = 0x10000;

const ERegister kRegs[] = {eEAX, eECX, eEDX, eEBX, eESP, eEBP, eESI, eEDI};
const int32_t kImms[] = {0, 1, -1, 5, 127, 128, -128, -129, 255, 32767, -32768, 32768, 0x12345678};
const int32_t kDisps[] = {0, 1, -1, 127, 128, -128, -129, 0x1000, -0x12345};
const uint16_t kAluIds[] = {CInstr::eAdd, CInstr::eOr, CInstr::eAnd, CInstr::eSub, CInstr::eXor, CInstr::eCmp};
const uint16_t kJccIds[] = {CInstr::eJe, CInstr::eJne, CInstr::eJl, CInstr::eJge, CInstr::eJle, CInstr::eJg};

x86_reg CsReg(uint8_t code) {
    static const x86_reg r32[] = {X86_REG_EAX, X86_REG_ECX, X86_REG_EDX, X86_REG_EBX,
                                  X86_REG_ESP, X86_REG_EBP, X86_REG_ESI, X86_REG_EDI};
    return r32[RegisterNumber(code)];
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
        const COperand none;
        if (!g.Emit(c.m_nId, c.m_Ops.size() > 0 ? c.m_Ops[0] : none, c.m_Ops.size() > 1 ? c.m_Ops[1] : none))
            return "nothing encoded: " + g.GetFailure();
        const size_t size = g.m_Code.GetSize();
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
            if ((uint64_t(got.imm) & 0xFFFFFFFF) != v) return "immediate value";
            return "";
        }
        if (got.type != X86_OP_MEM) return "not memory";
        if (got.mem.base != CsReg(want.m_nRegister)) return "base";
        if (got.mem.index != X86_REG_INVALID) return "index";
        if (got.mem.disp != int64_t(want.m_nValue) &&
            uint32_t(got.mem.disp) != uint32_t(want.m_nValue))
            return "displacement";
        if (got.size != 4 && insn.id != X86_INS_LEA) return "access size";
        return "";
    }

    csh m_h = 0;
    bool m_bOpen = false;
};

COperand R(ERegister r) { return COperand(r); }
COperand Imm(int32_t v) { return COperand::Imm(v); }
COperand Addr(int32_t v) { return COperand::Address(v); }

// Memory operands: every base with every displacement.
std::vector<COperand> Memories() {
    std::vector<COperand> out;
    for (ERegister base : kRegs)
        for (int32_t d : kDisps) out.push_back(COperand::Dword(base, d));
    return out;
}

std::vector<SCase> AluAndMovCases() {
    std::vector<SCase> cases;
    const std::vector<COperand> mems = Memories();
    auto add = [&](uint16_t id) {
        const char* mnem = CInstr::Mnemonic(id);
        for (ERegister a : kRegs) {
            for (ERegister b : kRegs) cases.push_back({id, mnem, {R(a), R(b)}});
            for (int32_t v : kImms) cases.push_back({id, mnem, {R(a), Imm(v)}});
            cases.push_back({id, mnem, {R(a), Addr(0x1234)}});
            for (const COperand& m : mems) {
                cases.push_back({id, mnem, {R(a), m}});
                cases.push_back({id, mnem, {m, R(a)}});
            }
        }
    };
    for (uint16_t id : kAluIds) add(id);
    add(CInstr::eMov);
    return cases;
}

std::vector<SCase> OtherCases() {
    std::vector<SCase> cases;
    const std::vector<COperand> mems = Memories();
    for (ERegister r : kRegs)
        for (const COperand& m : mems) cases.push_back({CInstr::eLea, "lea", {R(r), m}});
    for (uint16_t id : {CInstr::eInc, CInstr::eDec, CInstr::ePush, CInstr::ePop})
        for (ERegister r : kRegs) cases.push_back({id, CInstr::Mnemonic(id), {R(r)}});
    for (uint16_t id : {CInstr::eNot, CInstr::eNeg, CInstr::eIdiv, CInstr::eImul}) {
        for (ERegister r : kRegs) cases.push_back({id, CInstr::Mnemonic(id), {R(r)}});
        for (const COperand& m : mems) cases.push_back({id, CInstr::Mnemonic(id), {m}});
    }
    for (uint16_t id : kJccIds)
        for (int32_t v : {0, 5, -2, 300, -70000}) cases.push_back({id, CInstr::Mnemonic(id), {Imm(v)}, true});
    for (uint16_t id : {CInstr::eJmp, CInstr::eCall})
        for (int32_t v : {0, 5, -1000}) cases.push_back({id, CInstr::Mnemonic(id), {Addr(v)}, true});
    for (int32_t v : {4, 8, 12, 0x7FFF}) cases.push_back({CInstr::eRet, "ret", {Imm(v)}});
    cases.push_back({CInstr::eCdq, "cdq", {}});
    cases.push_back({CInstr::eInt3, "int3", {}});
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
