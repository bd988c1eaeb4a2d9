// Labels, jump fixups and the instruction sequences the translation is made
// of: exact bytes for the sequences and routine frames whose bytes are fixed,
// the bookkeeping they leave (fixups, relocations, external calls, data),
// silence after a failure, and internal errors for what has no code.
#include <gtest/gtest.h>

#include <vector>

#include "codegen/CodeGen.h"
#include "lexer/Token.h"
#include "support/LittleEndian.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes CodeOf(const CCodeGen& g) { return Bytes(g.m_Code.begin(), g.m_Code.end()); }

int32_t Rel32At(const CCodeGen& g, uint32_t p) { return int32_t(GetLe32(g.m_Code.GetData() + p)); }

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

}  // namespace

TEST(Labels, ForwardAndBackward) {
    CCodeGen g;
    CRefPtr<CLabel> top = MakeRef<CLabel>(), end = MakeRef<CLabel>();
    g.Emit(CInstr::eCdq);            // 0
    g.PlaceLabel(top.Get());         // 1
    g.EmitJmp(end.Get());            // 1..5, rel32 at 2
    g.EmitJcc(CToken::eEQ, top.Get(), EJump::eIfTrue, EOrder::eAsWritten);  // 6..11, rel32 at 8
    g.Emit(CInstr::eCdq);            // 12
    g.PlaceLabel(end.Get());         // 13
    ASSERT_EQ(g.m_JumpFixups.GetSize(), 2u);
    g.ResolveJumps();
    EXPECT_FALSE(g.HasFailed());
    EXPECT_EQ(Rel32At(g, 2), 13 - 6);
    EXPECT_EQ(Rel32At(g, 8), 1 - 12);
    EXPECT_EQ(g.m_JumpFixups.GetSize(), 0u);
}

// A label at position 0 is placed; one never placed (a call to a function
// not yet translated, or a lost label) is an internal error.
TEST(Labels, PlacementAtZeroAndNeverPlaced) {
    CCodeGen g;
    CRefPtr<CLabel> a = MakeRef<CLabel>();
    EXPECT_FALSE(a->IsPlaced());
    g.PlaceLabel(a.Get());
    EXPECT_TRUE(a->IsPlaced());
    g.EmitCallLabel(a.Get());
    g.ResolveJumps();
    EXPECT_FALSE(g.HasFailed());
    EXPECT_EQ(Rel32At(g, 1), -5);

    for (CRefPtr<CLabel> lost : {MakeRef<CLabel>(), CRefPtr<CLabel>()}) {
        CCodeGen h;
        h.EmitCallLabel(lost.Get());
        h.ResolveJumps();
        EXPECT_TRUE(h.HasFailed());
        EXPECT_EQ(h.GetFailure(), "a jump to a label that was never placed");
    }
}

// A body emitted before its prologue: the prologue moves in front, and every
// position recorded for either part moves with its code, so the jumps, the
// relocations and the built-in calls still find their bytes.
TEST(Labels, PrologueMovedInFrontOfItsBody) {
    CCodeGen g;
    CRefPtr<CLabel> before = MakeRef<CLabel>(), top = MakeRef<CLabel>();
    int32_t index = -1;
    g.Emit(CInstr::eCdq);                                  // an earlier routine: 0
    g.PlaceLabel(before.Get());                            // 1, stays
    const CCodeGen::SMark start = g.Mark();
    g.PlaceLabel(top.Get());                               // body from 1
    g.EmitLoadConst(Text("abc", &index));                  // 1..5, relocation at 2
    g.EmitCallBuiltin(7);                                  // 6..10, call at 7
    g.EmitJmp(top.Get());                                  // 11..15, fixup at 12
    g.EmitCallLabel(before.Get());                         // 16..20, fixup at 17
    const CCodeGen::SMark end = g.Mark();
    g.EmitPrologue(SFrame{SFrame::eFunction, 4, 0});       // 21..: 55 89 E5 83 EC 04 31 C0 89 45 FC
    const uint32_t moved = g.MoveInFront(start, end);
    ASSERT_EQ(moved, 11u);
    top->m_nPosition += moved;
    g.ResolveJumps();
    ASSERT_FALSE(g.HasFailed());
    const Bytes prologue{0x55, 0x89, 0xE5, 0x83, 0xEC, 0x04, 0x31, 0xC0, 0x89, 0x45, 0xFC};
    EXPECT_EQ(Bytes(g.m_Code.begin() + 1, g.m_Code.begin() + 12), prologue);
    EXPECT_EQ(g.m_Code[12], 0xB8);  // the body's first byte
    EXPECT_EQ(g.m_Relocations[0], 13u);
    EXPECT_EQ(g.m_ExternalCalls[0].m_nPosition, 18u);
    EXPECT_EQ(Rel32At(g, 23), 12 - 27);  // jmp top
    EXPECT_EQ(Rel32At(g, 28), 1 - 32);   // call before
    EXPECT_EQ(g.GetCodeSize(), 32u);
}

TEST(Sequences, SilentAfterAFailure) {
    CCodeGen g;
    CRefPtr<CLabel> l = MakeRef<CLabel>();
    int32_t index = -1;
    g.Fail("stop");
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
    g.EmitJcc(CToken::eLT, l.Get(), EJump::eIfTrue, EOrder::eAsWritten);
    g.EmitJmp(l.Get());
    g.EmitTestJump(l.Get(), EJump::eIfTrue);
    g.EmitCallLabel(l.Get());
    g.EmitCallBuiltin(7);
    g.EmitLoopGuard(l.Get());
    g.EmitPrologue(SFrame{SFrame::eRoutine, 8, 4});
    g.EmitEpilogue(SFrame{SFrame::eRoutine, 8, 4});
    g.EmitBreakpoint();
    g.AppendString("text");
    g.SetState(3, 1);
    g.SetCommand(1, 1, 1);
    g.SetEvent(2, 1);
    EXPECT_EQ(g.GetCodeSize(), 0u);
    EXPECT_EQ(g.m_Data.GetSize(), 0u);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(g.m_JumpFixups.GetSize() + g.m_Relocations.GetSize() + g.m_ExternalCalls.GetSize(), 0u);
    EXPECT_EQ(g.m_States.GetSize() + g.m_Commands.GetSize() + g.m_Events.GetSize(), 0u);
    EXPECT_EQ(g.GetFailure(), "stop");
    EXPECT_FALSE(l->IsPlaced());
}

TEST(Sequences, VariableOperandsByKind) {
    CCodeGen g;
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
    CCodeGen g;
    int32_t first = -1, second = -1;
    g.EmitLoadConst(Text("hi", &first));       // B8 <0>
    g.EmitCmpConst(Text("hi", &first));        // 3D <0>: same constant, no new data
    g.EmitLoadConst(Text("hi", &second));      // B8 <3>: another constant, stored again
    g.EmitBinary(CToken::ePlus, Int(1));       // 05 <1>: an integer, no relocation
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
    };
    for (const SCase& c : cases) {
        CCodeGen a, b, t;
        a.EmitBinary(c.m_nKind, Int(3));
        b.EmitBinary(c.m_nKind, Name(Member(8)));
        t.EmitBinaryTemp(c.m_nKind, Local(0));
        EXPECT_EQ(CodeOf(a), c.m_Const) << "constant, kind " << c.m_nKind;
        EXPECT_EQ(CodeOf(b), c.m_Name) << "name, kind " << c.m_nKind;
        EXPECT_EQ(CodeOf(t), c.m_Temp) << "temporary, kind " << c.m_nKind;
    }
    // A qualified right operand loads its object first.
    CCodeGen q;
    q.EmitBinary(CToken::ePlus, Through(Local(0), 4));
    EXPECT_EQ(CodeOf(q), (Bytes{0x8B, 0x4D, 0xFC, 0x03, 0x41, 0x04}));
}

// What has no code stops generation with its reason, in either pass, and
// leaves no half of a sequence behind.
TEST(Sequences, OperatorsAndConstantsWithoutCodeFail) {
    CRefPtr<CLabel> l = MakeRef<CLabel>();
    const std::vector<std::pair<const char*, void (*)(CCodeGen&, CLabel*)>> cases = {
        {"no arithmetic for CToken::eLT", [](CCodeGen& g, CLabel*) { g.EmitBinary(CToken::eLT, Int(3)); }},
        {"no arithmetic for CToken::eAssign",
         [](CCodeGen& g, CLabel*) { g.EmitBinary(CToken::eAssign, Name(Member(8))); }},
        {"no arithmetic for CToken::eShiftLeft",
         [](CCodeGen& g, CLabel*) { g.EmitBinaryTemp(CToken::eShiftLeft, Local(0)); }},
        {"a constant that is neither an int nor a string",
         [](CCodeGen& g, CLabel*) { g.EmitBinary(CToken::eDivide, CConstRef()); }},
        {"a constant that is neither an int nor a string",
         [](CCodeGen& g, CLabel*) { g.EmitLoadConst(CConstRef()); }},
        {"no unary instruction for CToken::eHash", [](CCodeGen& g, CLabel*) { g.EmitUnary(CToken::eHash); }},
        {"no conditional jump for CToken::ePlus",
         [](CCodeGen& g, CLabel* l) { g.EmitJcc(CToken::ePlus, l, EJump::eIfTrue, EOrder::eAsWritten); }},
    };
    for (const auto& [reason, emit] : cases) {
        CCodeGen g;
        emit(g, l.Get());
        EXPECT_EQ(g.GetFailure(), reason);
        EXPECT_EQ(g.GetCodeSize() + g.m_JumpFixups.GetSize(), 0u) << reason;
    }
}

TEST(Sequences, UnaryAndSmallOnes) {
    CCodeGen g;
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
        CCodeGen g;
        g.EmitJcc(c.m_nRelation, l.Get(), EJump::eIfTrue, EOrder::eAsWritten);
        g.EmitJcc(c.m_nRelation, l.Get(), EJump::eIfFalse, EOrder::eAsWritten);
        g.EmitJcc(c.m_nRelation, l.Get(), EJump::eIfTrue, EOrder::eSwapped);
        ASSERT_EQ(g.GetCodeSize(), 18u);
        EXPECT_EQ(g.m_Code[1], c.m_True) << c.m_nRelation;
        EXPECT_EQ(g.m_Code[7], c.m_False) << c.m_nRelation;
        EXPECT_EQ(g.m_Code[13], c.m_SwappedTrue) << c.m_nRelation;
        ASSERT_EQ(g.m_JumpFixups.GetSize(), 3u);
        EXPECT_EQ(g.m_JumpFixups[2].m_nPosition, 14u);
        EXPECT_EQ(g.m_JumpFixups[2].m_pLabel.Get(), l.Get());
    }
}

TEST(Sequences, TestJumpLoopGuardAndCalls) {
    CCodeGen g;
    CRefPtr<CLabel> l = MakeRef<CLabel>();
    g.EmitTestJump(l.Get(), EJump::eIfTrue);   // 21 C0 0F 85 rel32@4
    g.EmitTestJump(l.Get(), EJump::eIfFalse);  // 21 C0 0F 84 rel32@12
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
    CCodeGen fn;
    fn.EmitPrologue(SFrame{SFrame::eFunction, 0, 8});
    fn.EmitEpilogue(SFrame{SFrame::eFunction, 0, 8});
    fn.EmitEpilogue(SFrame{SFrame::eFunction, 0, 0});
    EXPECT_EQ(CodeOf(fn), (Bytes{0x55, 0x89, 0xE5, 0x5D, 0xC2, 0x08, 0x00, 0x5D, 0xC3}));

    // 200 bytes of locals: SUB takes a 32-bit immediate and the zeroing
    // stores switch to 32-bit displacements past -128.
    CCodeGen big;
    big.EmitPrologue(SFrame{SFrame::eFunction, 200, 0});
    EXPECT_EQ(big.GetCodeSize(), 3u + 6u + 2u + 32u * 3u + 18u * 6u);
    EXPECT_EQ(big.m_Code[3], 0x81);
}

// Frames repeat from routine to routine; each one, in any order and well
// past the code buffer's first growth, is the same bytes as when emitted
// alone, and nothing is added once generation has failed.
TEST(Frames, RepeatedFramesAreTheBytesOfFreshOnes) {
    const SFrame frames[] = {{SFrame::eRoutine, 8, 4},  {SFrame::eFunction, 4, 0}, {SFrame::eRoutine, 8, 4},
                             {SFrame::eFunction, 4, 8}, {SFrame::eAdded, 0, 4},    {SFrame::eRoutine, 0, 4},
                             {SFrame::eFunction, 4, 0}, {SFrame::eFunction, 400, 0}, {SFrame::eRoutine, 12, 8},
                             {SFrame::eFunction, 400, 0}, {SFrame::eAdded, 0, 4}};
    CCodeGen g;
    Bytes want;
    for (int round = 0; round < 8; ++round) {
        for (const SFrame& f : frames) {
            g.EmitPrologue(f);
            g.EmitEpilogue(f);
            CCodeGen alone;
            alone.EmitPrologue(f);
            alone.EmitEpilogue(f);
            const Bytes code = CodeOf(alone);
            want.insert(want.end(), code.begin(), code.end());
        }
    }
    ASSERT_GT(want.size(), 4096u);
    EXPECT_EQ(want, CodeOf(g));

    g.Fail("stop");
    g.EmitPrologue(frames[10]);  // the frame last kept for its kind
    g.EmitEpilogue(frames[10]);
    EXPECT_EQ(want.size(), g.GetCodeSize());
}

// The adapters from semantic records (names, constants, calls) are used for
// every name, constant and call of the translation, run by the end-to-end
// tests; table growth with zero entries is pinned by the object-file layout.
