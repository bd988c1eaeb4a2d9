// Labels, jump fixups and the instruction sequences the translation is made
// of: exact bytes for the sequences and routine frames whose bytes are fixed,
// the bookkeeping they leave (fixups, relocations, external calls, data), and
// silence in the layout pass.
#include <gtest/gtest.h>

#include <vector>

#include "codegen/CodeGen.h"
#include "lexer/Token.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes CodeOf(const CCodeGen& g) { return Bytes(g.m_Code.begin(), g.m_Code.end()); }

int32_t Rel32At(const CCodeGen& g, uint32_t p) {
    return int32_t(uint32_t(g.m_Code[p]) | uint32_t(g.m_Code[p + 1]) << 8 |
                   uint32_t(g.m_Code[p + 2]) << 16 | uint32_t(g.m_Code[p + 3]) << 24);
}

CVarSlot Member(int32_t slot) { return CVarSlot{CVarSlot::eMember, slot}; }
CVarSlot Param(int32_t slot) { return CVarSlot{CVarSlot::eParam, slot}; }
CVarSlot Local(int32_t slot) { return CVarSlot{CVarSlot::eLocal, slot}; }
CNameRef Name(CVarSlot v) { return CNameRef{v, false, {}}; }
CNameRef Through(CVarSlot object, int32_t slot) { return CNameRef{Member(slot), true, object}; }

CConstRef Int(int32_t v) {
    CConstRef c;
    c.m_nKind = CConstRef::eInteger;
    c.m_nValue = v;
    return c;
}
CConstRef Text(std::string_view s, int32_t* index) {
    CConstRef c;
    c.m_nKind = CConstRef::eString;
    c.m_strText = s;
    c.m_pDataIndex = index;
    return c;
}

CCodeGen Pass1() {
    CCodeGen g;
    g.SetPass(1);
    return g;
}

}  // namespace

TEST(Labels, ForwardBackwardAndNeverPlaced) {
    CCodeGen g;
    g.SetPass(1);
    CRefPtr<CLabelList> block;
    CLabel* top = g.NewLabel(block);
    CLabel* end = g.NewLabel(block);
    CLabel* lost = g.NewLabel(block);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->GetSize(), 3u);
    EXPECT_EQ(lost->m_nNumber, 2u);

    g.Emit(CInstr::eCdq);       // 0
    g.PlaceLabel(top);          // 1
    g.EmitJmp(end);             // 1..5, rel32 at 2
    g.EmitJcc(CToken::eEQ, top, true, false);  // 6..11, rel32 at 8
    g.EmitJmp(lost);            // 12..16, rel32 at 13
    g.Emit(CInstr::eCdq);       // 17
    g.PlaceLabel(end);          // 18
    ASSERT_EQ(g.m_JumpFixups.GetSize(), 3u);

    EXPECT_EQ(g.ResolveJumps(), 1u);  // only `lost` was never placed
    EXPECT_EQ(Rel32At(g, 2), 18 - 6);
    EXPECT_EQ(Rel32At(g, 8), 1 - 12);
    EXPECT_EQ(Rel32At(g, 13), -(13 + 4));  // lands on position 0
    EXPECT_EQ(g.m_JumpFixups.GetSize(), 0u);
}

TEST(Labels, PlacementAtZeroAndPassZero) {
    CCodeGen g;
    CRefPtr<CLabelList> block;
    CLabel* a = g.NewLabel(block);
    g.PlaceLabel(a);  // pass 0: not placed
    EXPECT_FALSE(a->IsPlaced());
    g.SetPass(1);
    g.PlaceLabel(a);  // position 0 is a real position
    EXPECT_TRUE(a->IsPlaced());
    g.EmitCallLabel(a);
    g.EmitCallLabel(nullptr);  // a function not yet translated
    EXPECT_EQ(g.ResolveJumps(), 1u);
    EXPECT_EQ(Rel32At(g, 1), -5);
}

TEST(Sequences, SilentInLayoutPass) {
    CCodeGen g;
    CRefPtr<CLabelList> block;
    CLabel* l = g.NewLabel(block);
    int32_t index = -1;
    g.LoadObject(Member(8));
    g.EmitLoad(Through(Param(0), 4));
    g.EmitStore(Name(Local(0)));
    g.EmitLoadVar(Member(0));
    g.EmitStoreVar(Member(0));
    g.EmitLoadAddress(Local(4));
    g.EmitLoadConst(Text("abc", &index));
    g.EmitLoadInt(20);
    g.EmitCmpConst(Int(1));
    g.EmitCmp(Name(Local(0)));
    g.EmitCmpVar(Local(0));
    g.EmitZeroEax();
    g.EmitPushEax();
    g.EmitPopEax();
    g.EmitPushObject();
    g.EmitUnary(CToken::eBitNot);
    g.EmitBinary(CToken::eDivide, Int(3));
    g.EmitBinary(CToken::eModulus, Name(Local(0)));
    g.EmitBinaryTemp(CToken::eMinus, Local(0));
    g.EmitJcc(CToken::eLT, l, true, false);
    g.EmitJmp(l);
    g.EmitTestJump(l, true);
    g.EmitCallLabel(l);
    g.EmitCallBuiltin(7);
    g.EmitLoopGuard(l);
    g.EmitPrologue(8, true, false);
    g.EmitEpilogue(4, 8, true, false);
    EXPECT_EQ(g.GetCodeSize(), 0u);
    EXPECT_EQ(g.m_Data.GetSize(), 0u);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(g.m_JumpFixups.GetSize() + g.m_Relocations.GetSize() + g.m_ExternalCalls.GetSize(),
              0u);
}

TEST(Sequences, VariableOperandsByKind) {
    CCodeGen g = Pass1();
    g.EmitLoad(Name(Member(8)));          // mov eax,[esi+8]
    g.EmitLoad(Name(Param(4)));           // mov eax,[ebp+12]
    g.EmitLoad(Name(Local(0)));           // mov eax,[ebp-4]
    g.EmitStore(Through(Local(4), 12));   // mov ecx,[ebp-8]; mov [ecx+12],eax
    g.EmitLoadAddress(Local(200));        // lea eax,[ebp-204]
    g.EmitCmp(Through(Param(0), 0));      // mov ecx,[ebp+8]; cmp eax,[ecx]
    EXPECT_EQ(CodeOf(g), (Bytes{0x8B, 0x46, 0x08, 0x8B, 0x45, 0x0C, 0x8B, 0x45, 0xFC,
                                0x8B, 0x4D, 0xF8, 0x89, 0x41, 0x0C,
                                0x8D, 0x85, 0x34, 0xFF, 0xFF, 0xFF,
                                0x8B, 0x4D, 0x08, 0x3B, 0x01}));
}

TEST(Sequences, StringConstantsStoredOncePerConstantAndRelocated) {
    CCodeGen g = Pass1();
    int32_t first = -1, second = -1;
    g.EmitLoadConst(Text("hi", &first));       // B8 <0>
    g.EmitCmpConst(Text("hi", &first));        // 3D <0>: same constant, no new data
    g.EmitLoadConst(Text("hi", &second));      // B8 <3>: another constant, stored again
    g.EmitBinary(CToken::ePlus, Int(1));       // 05 <1>: an integer, no relocation
    g.EmitLoadConst(CConstRef());              // neither int nor string: nothing
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 3);
    EXPECT_EQ(Bytes(g.m_Data.begin(), g.m_Data.end()), (Bytes{'h', 'i', 0, 'h', 'i', 0}));
    EXPECT_EQ(CodeOf(g), (Bytes{0xB8, 0, 0, 0, 0, 0x3D, 0, 0, 0, 0, 0xB8, 3, 0, 0, 0, 0x05, 1, 0, 0, 0}));
    ASSERT_EQ(g.m_Relocations.GetSize(), 3u);
    EXPECT_EQ(g.m_Relocations[0], 1u);
    EXPECT_EQ(g.m_Relocations[1], 6u);
    EXPECT_EQ(g.m_Relocations[2], 11u);
}

TEST(Sequences, ArithmeticByRightOperand) {
    struct SCase {
        int32_t m_nKind;
        Bytes m_Const, m_Name, m_Temp;
    };
    // constant 3 (EAX always takes the accumulator form); name [esi+8];
    // temporary [ebp-4]
    const SCase cases[] = {
        {CToken::ePlus, {0x05, 3, 0, 0, 0}, {0x03, 0x46, 8}, {0x03, 0x45, 0xFC}},
        {CToken::eMinus, {0x2D, 3, 0, 0, 0}, {0x2B, 0x46, 8}, {0x2B, 0x45, 0xFC, 0xF7, 0xD8}},
        {CToken::eMultiply, {0xBA, 3, 0, 0, 0, 0xF7, 0xEA}, {0xF7, 0x6E, 8}, {0xF7, 0x6D, 0xFC}},
        {CToken::eDivide, {0x99, 0xB9, 3, 0, 0, 0, 0xF7, 0xF9}, {0x99, 0xF7, 0x7E, 8},
         {0x89, 0xC2, 0x8B, 0x45, 0xFC, 0x89, 0xD1, 0x99, 0xF7, 0xF9}},
        {CToken::eModulus, {0x99, 0xB9, 3, 0, 0, 0, 0xF7, 0xF9, 0x89, 0xD0},
         {0x99, 0xF7, 0x7E, 8, 0x89, 0xD0},
         {0x89, 0xC2, 0x8B, 0x45, 0xFC, 0x89, 0xD1, 0x99, 0xF7, 0xF9, 0x89, 0xD0}},
        {CToken::eBitAnd, {0x25, 3, 0, 0, 0}, {0x23, 0x46, 8}, {0x23, 0x45, 0xFC}},
        {CToken::eBitXor, {0x35, 3, 0, 0, 0}, {0x33, 0x46, 8}, {0x33, 0x45, 0xFC}},
        {CToken::eBitOr, {0x0D, 3, 0, 0, 0}, {0x0B, 0x46, 8}, {0x0B, 0x45, 0xFC}},
        {CToken::eLT, {}, {}, {}},  // not arithmetic: nothing
    };
    for (const SCase& c : cases) {
        CCodeGen a = Pass1(), b = Pass1(), t = Pass1();
        a.EmitBinary(c.m_nKind, Int(3));
        b.EmitBinary(c.m_nKind, Name(Member(8)));
        t.EmitBinaryTemp(c.m_nKind, Local(0));
        EXPECT_EQ(CodeOf(a), c.m_Const) << "constant, kind " << c.m_nKind;
        EXPECT_EQ(CodeOf(b), c.m_Name) << "name, kind " << c.m_nKind;
        EXPECT_EQ(CodeOf(t), c.m_Temp) << "temporary, kind " << c.m_nKind;
    }
    // A qualified right operand loads its object first.
    CCodeGen q = Pass1();
    q.EmitBinary(CToken::ePlus, Through(Local(0), 4));
    EXPECT_EQ(CodeOf(q), (Bytes{0x8B, 0x4D, 0xFC, 0x03, 0x41, 0x04}));
    CCodeGen none = Pass1();
    none.EmitBinary(CToken::eAssign, Through(Local(0), 4));
    none.EmitBinary(CToken::eMultiply, CConstRef());  // a constant with no operand form
    none.EmitBinary(CToken::eDivide, CConstRef());
    EXPECT_EQ(none.GetCodeSize(), 0u);
}

TEST(Sequences, UnaryAndSmallOnes) {
    CCodeGen g = Pass1();
    g.EmitUnary(CToken::eBitNot);
    g.EmitUnary(CToken::eMinusUnary);
    g.EmitUnary(CToken::ePlusPlus);
    g.EmitUnary(CToken::eMinusMinus);
    g.EmitUnary(CToken::ePlusUnary);  // nothing
    g.EmitZeroEax();
    g.EmitPushEax();
    g.EmitPopEax();
    g.EmitPushObject();
    g.EmitLoadInt(20);
    EXPECT_EQ(CodeOf(g), (Bytes{0xF7, 0xD0, 0xF7, 0xD8, 0x40, 0x48, 0x31, 0xC0, 0x50, 0x58, 0x53,
                                0xB8, 20, 0, 0, 0}));
}

TEST(Sequences, ConditionalJumpsBySenseAndSwap) {
    struct SCase {
        int32_t m_nRelation;
        uint8_t m_True, m_False, m_SwappedTrue;
    };
    const SCase cases[] = {
        {CToken::eLT, 0x8C, 0x8D, 0x8F}, {CToken::eLE, 0x8E, 0x8F, 0x8D},
        {CToken::eGT, 0x8F, 0x8E, 0x8C}, {CToken::eGE, 0x8D, 0x8C, 0x8E},
        {CToken::eEQ, 0x84, 0x85, 0x84}, {CToken::eNE, 0x85, 0x84, 0x85},
    };
    CRefPtr<CLabel> l = MakeRef<CLabel>();
    for (const SCase& c : cases) {
        CCodeGen g = Pass1();
        g.EmitJcc(c.m_nRelation, l.Get(), true, false);
        g.EmitJcc(c.m_nRelation, l.Get(), false, false);
        g.EmitJcc(c.m_nRelation, l.Get(), true, true);
        ASSERT_EQ(g.GetCodeSize(), 18u);
        EXPECT_EQ(g.m_Code[1], c.m_True) << c.m_nRelation;
        EXPECT_EQ(g.m_Code[7], c.m_False) << c.m_nRelation;
        EXPECT_EQ(g.m_Code[13], c.m_SwappedTrue) << c.m_nRelation;
        ASSERT_EQ(g.m_JumpFixups.GetSize(), 3u);
        EXPECT_EQ(g.m_JumpFixups[2].m_nPosition, 14u);
        EXPECT_EQ(g.m_JumpFixups[2].m_pLabel.Get(), l.Get());
    }
    CCodeGen other = Pass1();
    other.EmitJcc(CToken::ePlus, l.Get(), true, false);
    EXPECT_EQ(other.GetCodeSize(), 0u);
    EXPECT_EQ(other.m_JumpFixups.GetSize(), 0u);
}

TEST(Sequences, TestJumpLoopGuardAndCalls) {
    CCodeGen g = Pass1();
    CRefPtr<CLabel> l = MakeRef<CLabel>();
    g.EmitTestJump(l.Get(), true);    // 21 C0 0F 85 rel32@4
    g.EmitTestJump(l.Get(), false);   // 21 C0 0F 84 rel32@12
    g.EmitLoopGuard(l.Get());         // 83 EF 01 0F 84 rel32@21
    g.EmitCallBuiltin(1234);          // E8 rel32@26
    EXPECT_EQ(CodeOf(g), (Bytes{0x21, 0xC0, 0x0F, 0x85, 0, 0, 0, 0, 0x21, 0xC0, 0x0F, 0x84, 0, 0, 0, 0,
                                0x83, 0xEF, 0x01, 0x0F, 0x84, 0, 0, 0, 0, 0xE8, 0, 0, 0, 0}));
    ASSERT_EQ(g.m_JumpFixups.GetSize(), 3u);
    EXPECT_EQ(g.m_JumpFixups[0].m_nPosition, 4u);
    EXPECT_EQ(g.m_JumpFixups[1].m_nPosition, 12u);
    EXPECT_EQ(g.m_JumpFixups[2].m_nPosition, 21u);
    ASSERT_EQ(g.m_ExternalCalls.GetSize(), 1u);
    EXPECT_EQ(g.m_ExternalCalls[0].m_nPosition, 26u);
    EXPECT_EQ(g.m_ExternalCalls[0].m_nBuiltin, 1234u);
}

// State, local-variable and destructor frames are checked byte for byte in
// whole routines by the translation tests.
TEST(Frames, FunctionFramesAndLargeLocals) {
    CCodeGen fn = Pass1();
    fn.EmitPrologue(0, true, true);
    fn.EmitEpilogue(8, 0, true, true);
    fn.EmitEpilogue(0, 0, true, true);
    EXPECT_EQ(CodeOf(fn), (Bytes{0x55, 0x89, 0xE5, 0x5D, 0xC2, 0x08, 0x00, 0x5D, 0xC3}));

    // 200 bytes of locals: SUB takes a 32-bit immediate and the zeroing
    // stores switch to 32-bit displacements past -128.
    CCodeGen big = Pass1();
    big.EmitPrologue(200, false, true);
    EXPECT_EQ(big.GetCodeSize(), 3u + 6u + 2u + 32u * 3u + 18u * 6u);
    EXPECT_EQ(big.m_Code[3], 0x81);
}

// The adapters from semantic records (names, constants, calls) are used for
// every name, constant and call of the translation, run by the end-to-end
// tests; table growth with zero entries is pinned by the object-file layout.
