// A routine built from the instruction sequences goes through the whole life
// of a unit: jumps resolved, saved, loaded, bound at fixed addresses, then
// disassembled. Every branch, the built-in call and the string address must
// point where they should at the bound addresses.
#include <gtest/gtest.h>

#if ORVEL_HAVE_CAPSTONE
#include <capstone/capstone.h>

#include <filesystem>
#include <string>
#include <vector>

#include "codegen/CodeGen.h"
#include "lexer/Token.h"
#include "platform/Platform.h"
#include "support/Stream.h"

TEST(BindDecode, BranchesCallsAndDataAddressesAfterBinding) {
    CCodeGen g;
    g.SetPass(1);
    CRefPtr<CLabelList> block;
    CLabel* top = g.NewLabel(block);
    CLabel* done = g.NewLabel(block);
    CLabel* ret = g.NewLabel(block);
    int32_t index = -1;
    CConstRef text;
    text.m_nKind = CConstRef::eString;
    text.m_strText = "hello";
    text.m_pDataIndex = &index;
    g.AppendDword(42);  // the string lands at data offset 4

    g.SetState(0, g.GetCodeSize());
    g.EmitPrologue(4, true, false);
    g.PlaceLabel(top);
    const uint32_t topAt = g.GetCodeSize();
    g.EmitLoad(CNameRef{CVarSlot{CVarSlot::eLocal, 0}, false, {}});
    g.EmitCmpConst(CConstRef{CConstRef::eInteger, 10, {}, nullptr});
    g.EmitJcc(CToken::eGE, done, true, false);
    g.EmitLoadConst(text);
    g.EmitPushEax();
    g.EmitCallBuiltin(3);
    g.EmitLoopGuard(ret);
    g.EmitJmp(top);
    g.PlaceLabel(done);
    const uint32_t doneAt = g.GetCodeSize();
    g.EmitLoadInt(20);
    g.PlaceLabel(ret);
    const uint32_t retAt = g.GetCodeSize();
    g.EmitEpilogue(4, 4, true, false);
    ASSERT_EQ(g.ResolveJumps(), 0u);

    const std::string path = (std::filesystem::temp_directory_path() /
                              ("orvel_bind_" + std::to_string(platform::ProcessId()) + ".obj"))
                                 .string();
    const uint8_t guid[16] = {};
    ASSERT_TRUE(g.Save(path, "Loop", 2, guid));
    CCodeGen unit;
    {
        CFileStream s;
        s.Open(path, CStream::eRead | (6 << CStream::eLevelShift));
        ASSERT_TRUE(unit.Load(s));
    }
    std::filesystem::remove(path);

    const uint32_t code = 0x00401000, data = 0x00600000, builtin3 = 0x10002000;
    const uint32_t builtins[4] = {0x10000000, 0x10000010, 0x10000020, builtin3};
    ASSERT_TRUE(unit.Bind(code, data, builtins, 4));
    EXPECT_EQ(unit.m_States[0], code);

    csh h;
    ASSERT_EQ(cs_open(CS_ARCH_X86, CS_MODE_32, &h), CS_ERR_OK);
    cs_option(h, CS_OPT_DETAIL, CS_OPT_ON);
    cs_insn* insn = nullptr;
    const size_t n = cs_disasm(h, unit.m_Code.GetData(), unit.m_Code.GetSize(), code, 0, &insn);
    size_t bytes = 0;
    std::vector<std::pair<std::string, int64_t>> seen;  // mnemonic, immediate of interest
    for (size_t i = 0; i < n; ++i) {
        bytes += insn[i].size;
        const cs_x86& x = insn[i].detail->x86;
        const std::string m = insn[i].mnemonic;
        const bool interesting = m == "jge" || m == "je" || m == "jmp" || m == "call" ||
                                 (m == "mov" && x.op_count == 2 && x.operands[1].type == X86_OP_IMM);
        if (interesting) seen.emplace_back(m, x.operands[x.op_count - 1].imm);
    }
    cs_free(insn, n);
    cs_close(&h);
    EXPECT_EQ(bytes, unit.m_Code.GetSize());  // the whole routine decodes

    const std::vector<std::pair<std::string, int64_t>> want = {
        {"jge", code + doneAt},  {"mov", data + 4},     {"call", builtin3},
        {"je", code + retAt},    {"jmp", code + topAt}, {"mov", 20},
    };
    EXPECT_EQ(seen, want);
}

#else
TEST(BindDecode, NeedsCapstone) { GTEST_SKIP() << "built without the disassembler"; }
#endif
