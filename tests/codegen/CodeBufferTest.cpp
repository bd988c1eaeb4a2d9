// The code buffer where the encoder writes in place: growth exactly at the
// point where an instruction no longer has its room, a routine much longer
// than the first block, reuse after the code is emptied, and the scratch
// bytes past the end, which must never show through a later SetSize or a
// prologue moved in front of its body.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "codegen/CodeGen.h"

namespace {

using Bytes = std::vector<uint8_t>;

// mov eax, [ebp-129]: six bytes, the longest load, with a four-byte
// displacement that the encoder stores whole.
const Bytes kLoad{0x8B, 0x85, 0x7F, 0xFF, 0xFF, 0xFF};

void EmitLoad(CCodeGen& g) { g.Emit(CInstr::eMov, eEAX, COperand::Dword(eEBP, -129)); }

bool AllLoads(const CCodeGen& g, size_t from, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (!std::equal(kLoad.begin(), kLoad.end(), g.m_Code.begin() + from + i * kLoad.size())) return false;
    return true;
}

}  // namespace

// Every size around the first block's end: the instruction that crosses it
// grows the buffer and lands whole, and the bytes before it survive the move.
TEST(CodeBuffer, GrowthAtEveryOffsetAroundTheFirstBlock) {
    for (size_t lead = 4096 - 24; lead <= 4096; ++lead) {
        CCodeGen g;
        for (size_t i = 0; i < lead; ++i) g.Emit(CInstr::eCdq);
        for (int i = 0; i < 4; ++i) EmitLoad(g);
        ASSERT_EQ(g.GetCodeSize(), lead + 4 * kLoad.size()) << lead;
        EXPECT_EQ(g.m_Code[lead - 1], 0x99) << lead;
        EXPECT_TRUE(AllLoads(g, lead, 4)) << lead;
    }
}

// A routine far longer than the first block (many doublings), then emptied
// and used again: the old bytes are gone and the new ones are exact.
TEST(CodeBuffer, LongRoutineAndReuseAfterReset) {
    CCodeGen g;
    const size_t n = 200000;
    for (size_t i = 0; i < n; ++i) EmitLoad(g);
    ASSERT_EQ(g.GetCodeSize(), n * kLoad.size());
    EXPECT_TRUE(AllLoads(g, 0, n));

    g.m_Code.SetSize(0);
    EXPECT_EQ(g.GetCodeSize(), 0u);
    g.Emit(CInstr::eRet, COperand::Imm(4));
    EXPECT_EQ(Bytes(g.m_Code.begin(), g.m_Code.end()), (Bytes{0xC2, 4, 0}));
}

// The encoder stores four bytes where it keeps fewer; growing the size by
// hand must show zeros there, not the rest of that store.
TEST(CodeBuffer, GrownBytesAreZeroNotScratch) {
    CCodeGen g;
    g.Emit(CInstr::eRet, COperand::Imm(-1));  // C2 FF FF, and FF FF stored past the end
    g.m_Code.SetSize(1);
    g.m_Code.SetSize(8);
    EXPECT_EQ(Bytes(g.m_Code.begin(), g.m_Code.end()), (Bytes{0xC2, 0, 0, 0, 0, 0, 0, 0}));
    g.m_Code.Add(0xCC);
    EXPECT_EQ(g.GetCodeSize(), 9u);
    EXPECT_EQ(g.m_Code[8], 0xCC);
}

// A prologue longer than the room past the end (many locals to zero) moves
// in front of its body whole, and the body follows it unchanged.
TEST(CodeBuffer, LongPrologueMovedInFront) {
    CCodeGen g;
    g.Emit(CInstr::eCdq);
    const CCodeGen::SMark start = g.Mark();
    for (int i = 0; i < 700; ++i) EmitLoad(g);  // the body crosses the first block
    const CCodeGen::SMark end = g.Mark();
    g.EmitPrologue(SFrame{SFrame::eFunction, 4 * 2000, 0});
    const uint32_t prologue = g.GetCodeSize() - end.m_nCode;
    ASSERT_GT(prologue, 2000u * 3);
    const Bytes front(g.m_Code.begin() + end.m_nCode, g.m_Code.end());
    ASSERT_EQ(g.MoveInFront(start, end), prologue);
    EXPECT_EQ(g.m_Code[0], 0x99);
    EXPECT_EQ(Bytes(g.m_Code.begin() + 1, g.m_Code.begin() + 1 + prologue), front);
    EXPECT_TRUE(AllLoads(g, 1 + prologue, 700));
    EXPECT_EQ(g.GetCodeSize(), 1 + prologue + 700 * kLoad.size());
}
