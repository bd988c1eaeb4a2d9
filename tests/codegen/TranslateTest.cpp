// Whole scripts translated to machine code: exact bytes for the routines
// whose frames are fixed, the command descriptors in the data block, the
// tables of every nameable class, and a tree the generator cannot translate.
#include <gtest/gtest.h>
#include <unistd.h>

#include <capstone/capstone.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "builtins/BuiltinLibrary.h"
#include "codegen/CodeGen.h"
#include "codegen/Translate.h"
#include "parser/Compiler.h"

namespace {

using Bytes = std::vector<uint8_t>;

class TranslateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GetBuiltinLibrary(); }

    // Parses a script; fails the test on a parse error.
    void Parse(const std::string& source) {
        static int files = 0;
        std::string path = ::testing::TempDir() + "translate_" + std::to_string(getpid()) + "_" + std::to_string(files++) + ".oc";
        std::ofstream(path, std::ios::binary) << source;
        c = std::make_unique<CCompiler>();
        c->m_Scanner.Open(path);
        c->Begin();
        while (!c->IsFinished()) {
            c->m_Scanner.NextToken();
            c->RunState();
        }
        ASSERT_EQ(0, c->m_nError) << "line " << c->m_Scanner.GetToken().m_nLine;
        gen = std::make_unique<CCodeGen>();
    }
    // Parses and translates a script; fails the test on any error.
    void Compile(const std::string& source) {
        Parse(source);
        ASSERT_TRUE(GenerateUnit(c->m_pRoot.Get(), *gen)) << gen->GetFailure();
    }

    Bytes Code(uint32_t from, uint32_t to) const {
        return Bytes(gen->m_Code.GetData() + from, gen->m_Code.GetData() + to);
    }
    uint32_t StateStart(size_t i) const { return gen->m_States[i]; }
    uint32_t CommandStart(size_t i) const { return gen->m_Commands[i].m_nPosition; }

    // The instructions from `from` up to `to`, one "mnemonic operands" each.
    std::vector<std::string> Disassemble(uint32_t from, uint32_t to) const {
        csh h;
        std::vector<std::string> out;
        if (cs_open(CS_ARCH_X86, CS_MODE_32, &h) != CS_ERR_OK) return out;
        cs_insn* insn = nullptr;
        size_t n = cs_disasm(h, gen->m_Code.GetData() + from, to - from, from, 0, &insn);
        for (size_t i = 0; i < n; ++i) {
            std::string s = insn[i].mnemonic;
            if (insn[i].op_str[0]) s += std::string(" ") + insn[i].op_str;
            out.push_back(s);
        }
        cs_free(insn, n);
        cs_close(&h);
        return out;
    }
    // The instructions of state i (up to the next routine or the end).
    std::vector<std::string> State(size_t i) const {
        uint32_t to = gen->GetCodeSize();
        for (uint32_t p : gen->m_States)
            if (p > StateStart(i) && p < to) to = p;
        for (auto& e : gen->m_Commands)
            if (e.m_nPosition > StateStart(i) && e.m_nPosition < to) to = e.m_nPosition;
        return Disassemble(StateStart(i), to);
    }
    // The body of state i between its prologue and its "mov eax, 0x14".
    std::vector<std::string> StateBody(size_t i) const {
        std::vector<std::string> all = State(i);
        size_t first = 0;
        for (size_t k = 0; k < all.size(); ++k)
            if (all[k] == "mov edi, dword ptr [esi + 4]") first = k + 1;
        if (first < all.size() && all[first] == "xor eax, eax") first += 1;
        while (first < all.size() && all[first].rfind("mov dword ptr [ebp - ", 0) == 0) ++first;
        size_t last = all.size();
        for (size_t k = all.size(); k-- > 0;)
            if (all[k] == "mov eax, 0x14") { last = k; break; }
        return std::vector<std::string>(all.begin() + long(first), all.begin() + long(last));
    }

    std::unique_ptr<CCompiler> c;
    std::unique_ptr<CCodeGen> gen;
};

const Bytes kStatePrologue = {0x55, 0x89, 0xE5, 0x56, 0x53, 0x51, 0x8B, 0x75,
                              0x08, 0x8B, 0x5E, 0xF4, 0x57, 0x8B, 0x7E, 0x04};
const Bytes kStateEnd = {0xB8, 0x14, 0x00, 0x00, 0x00, 0x5F, 0x59, 0x5B, 0x5E, 0x5D, 0xC2, 0x04, 0x00};

TEST_F(TranslateTest, FramesOfStatesAndTheAddedRoutines) {
    Compile("unit \"T\"\n{\n state A\n {\n }\n state B\n {\n int i;\n }\n}\n");
    Bytes a = Code(StateStart(0), StateStart(1));
    Bytes want = kStatePrologue;
    want.insert(want.end(), kStateEnd.begin(), kStateEnd.end());
    EXPECT_EQ(want, a);

    Bytes b = Code(StateStart(1), CommandStart(0));
    Bytes wantB = {0x55, 0x89, 0xE5, 0x83, 0xEC, 0x04, 0x56, 0x53, 0x51, 0x8B, 0x75, 0x08,
                   0x8B, 0x5E, 0xF4, 0x57, 0x8B, 0x7E, 0x04, 0x31, 0xC0, 0x89, 0x45, 0xFC,
                   0xB8, 0x14, 0x00, 0x00, 0x00, 0x5F, 0x59, 0x5B, 0x5E, 0x89, 0xEC, 0x5D, 0xC2, 0x04, 0x00};
    EXPECT_EQ(wantB, b);

    Bytes destructor = Code(CommandStart(0), CommandStart(1));
    EXPECT_EQ((Bytes{0x55, 0x89, 0xE5, 0x56, 0x53, 0x51, 0x8B, 0x75, 0x08, 0x8B, 0x5E, 0xF4, 0x59, 0x5B,
                     0x5E, 0x5D, 0xC2, 0x04, 0x00}),
              destructor);
    // $Serialize hands both class variables ($State, $Loop) to $SerializeInt by address.
    auto serialize = Disassemble(CommandStart(1), gen->GetCodeSize());
    ASSERT_EQ(18u, serialize.size());
    EXPECT_EQ("lea eax, [esi]", serialize[7]);
    EXPECT_EQ("push eax", serialize[8]);
    EXPECT_EQ("lea eax, [esi + 4]", serialize[10]);
    EXPECT_EQ(2u, gen->m_ExternalCalls.GetSize());
    EXPECT_EQ(2u, gen->m_States.GetSize());
    EXPECT_EQ(8u, gen->m_nDataSize);
}

TEST_F(TranslateTest, CommandDescriptorWithDefaultsAndWithAnEnumButton) {
    Compile("unit \"T\"\n{\n enum mode\n {\n \"Guard\" item 5 description \"stay\",\n multi: \"Roam\"\n }\n"
            " command Stop() button \"Halt\" description \"now\"\n {\n return;\n }\n"
            " command SetAttackMode(int m) button mode priority 7 hidden advanced\n {\n return;\n }\n}\n");
    const uint8_t* data = gen->m_Data.GetData();
    auto word = [&](uint32_t at) {  // descriptors follow strings, so words are unaligned
        uint32_t w;
        std::memcpy(&w, data + at, 4);
        return w;
    };
    auto text = [&](uint32_t at) { return std::string(reinterpret_cast<const char*>(data + at)); };
    uint32_t stop = gen->m_Commands[5].m_nDescriptor;
    EXPECT_EQ(0xFFFFFFFFu, word(0));
    EXPECT_EQ("Halt", text(4));
    EXPECT_EQ("now", text(9));
    EXPECT_EQ(13u, stop);
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 128, 0, 0, 4, 9}),
              (std::vector<uint32_t>{word(stop), word(stop + 4), word(stop + 8), word(stop + 12),
                                     word(stop + 16), word(stop + 20), word(stop + 24)}));
    uint32_t modeDesc = gen->m_Commands[52].m_nDescriptor;
    EXPECT_EQ(1u, word(modeDesc));       // two items
    EXPECT_EQ(8u, word(modeDesc + 4));   // slot of the enum variable after $State, $Loop
    EXPECT_EQ(7u, word(modeDesc + 8));
    EXPECT_EQ(6u, word(modeDesc + 12));  // hidden | advanced
    EXPECT_EQ(5u, word(word(modeDesc + 16)));
    EXPECT_EQ("Guard", text(word(modeDesc + 20)));
    EXPECT_EQ("stay", text(word(modeDesc + 24)));
    EXPECT_EQ(0xFFFFFFFFu, word(word(modeDesc + 28)));
    EXPECT_EQ("Roam", text(word(modeDesc + 32)));
    EXPECT_EQ("", text(word(modeDesc + 36)));
}

const char* kVars = "unit \"T\"\n{\n int a, b, c, d, x;\n int arr[];\n unit u, v;\n";

// What these scripts do when run (branches, loops and the budget, left-to-right
// operands, reference counting, indexing, calls, a handler as the first
// routine) is checked on the emulated processor by the end-to-end tests. Here:
// the shape that running cannot show.
TEST_F(TranslateTest, AFrameOnlyWhereATemporaryIsNeededAndOneTemporaryReused) {
    Compile(std::string(kVars) + " state S\n {\n x = a + b + c;\n }\n state M\n {\n x = a * (b + c);\n }\n"
            " state P\n {\n x = (a + b) * (c + d);\n }\n}\n");
    EXPECT_EQ("push esi", State(0)[2]);
    EXPECT_EQ("sub esp, 4", State(1)[2]);
    EXPECT_EQ("sub esp, 4", State(2)[2]);
}

// Temporaries held at once get slots of their own; once all are free, the
// lowest is lent first.
TEST_F(TranslateTest, TemporariesNestedAtOnceThenTheLowestLentAgain) {
    Compile(std::string(kVars) + " state S\n {\n x = a * (b + c * (d + a));\n x = a - (b - c);\n }\n}\n");
    EXPECT_EQ("sub esp, 0xc", State(0)[2]);
    std::vector<std::string> stores;
    for (const std::string& i : StateBody(0))
        if (i.rfind("mov dword ptr [ebp - ", 0) == 0 && i.find("], eax") != std::string::npos) stores.push_back(i);
    EXPECT_EQ((std::vector<std::string>{"mov dword ptr [ebp - 4], eax", "mov dword ptr [ebp - 8], eax",
                                        "mov dword ptr [ebp - 0xc], eax", "mov dword ptr [ebp - 4], eax"}),
              stores);
}

// A right operand that nests the same operator twice is rewritten until it
// is a name: no temporary, and the operands in the rewritten order.
TEST_F(TranslateTest, ANestedChainOfOneOperatorIsRewrittenUntilItsRightOperandIsAName) {
    Compile(std::string(kVars) + " state S\n {\n x = a + (b + (c + d));\n }\n}\n");
    EXPECT_EQ("push esi", State(0)[2]);
    EXPECT_EQ((std::vector<std::string>{"mov eax, dword ptr [esi + 0xc]", "add eax, dword ptr [esi + 0x10]",
                                        "add eax, dword ptr [esi + 8]", "add eax, dword ptr [esi + 0x14]",
                                        "mov dword ptr [esi + 0x18], eax"}),
              StateBody(0));
}

// Wherever a chain nests on its right (under another operator, in an
// argument, a condition, an index, a loop step, a state's delay, a
// function's result), it is rewritten before it is translated, so no
// routine of the unit needs a temporary.
TEST_F(TranslateTest, NestedChainsAreRewrittenWhereverTheyStand) {
    Compile(std::string(kVars) + " function int F(int n)\n {\n return n + (n + (n + n));\n }\n"
            " state S\n {\n x = (a + (b + c)) - d;\n x = F(a * (b * c));\n"
            " if ((a | (b | c)) < x) x = 1;\n arr[a ^ (b ^ c)] = 1;\n x = -(a + (b + c));\n"
            " while (a & (b & c)) ++x;\n for (x = 0; x < 3; x = a + (b + c)) ++a;\n"
            " return S, 5;\n }\n}\n");
    for (const std::string& i : Disassemble(0, gen->GetCodeSize())) EXPECT_NE(0u, i.rfind("sub esp", 0)) << i;
    const std::vector<std::string> body = StateBody(0);
    EXPECT_EQ((std::vector<std::string>{"mov eax, dword ptr [esi + 0xc]", "add eax, dword ptr [esi + 8]",
                                        "add eax, dword ptr [esi + 0x10]", "sub eax, dword ptr [esi + 0x14]"}),
              std::vector<std::string>(body.begin(), body.begin() + 4));
}

// Statements after a break or return produce no code and leave the tree,
// even one the generator could not translate; those before are kept.
TEST_F(TranslateTest, StatementsAfterBreakOrReturnAreDropped) {
    const std::string plain = std::string(kVars) + " state S\n {\n while (a) { x = 1; break; }\n x = 2;\n return;\n }\n}\n";
    Compile(plain);
    const Bytes want = Code(0, gen->GetCodeSize());
    Parse(std::string(kVars) + " state S\n {\n while (a) { x = 1; break; x = 3; ++a; }\n x = 2;\n return;\n"
          " x = 4;\n { ++b; }\n }\n}\n");
    CNode* block = c->m_pRoot->GetChild(0)->GetChild(0)->GetChild(0)->GetChild(0);
    ASSERT_EQ(CToken::eBlockInstruction, block->GetKind());
    ASSERT_EQ(5u, block->GetChildCount());
    CRefPtr<CNode> foreign = MakeRef<CNode>(CToken::eSwitch);
    block->AddChild(foreign.Get());
    ASSERT_TRUE(GenerateUnit(c->m_pRoot.Get(), *gen)) << gen->GetFailure();
    EXPECT_EQ(want, Code(0, gen->GetCodeSize()));
    EXPECT_EQ(3u, block->GetChildCount());
    CNode* loopBody = block->GetChild(0)->GetChild(1);
    ASSERT_EQ(CToken::eBlockInstruction, loopBody->GetKind());
    EXPECT_EQ(2u, loopBody->GetChildCount());
}

// Labels are used again from routine to routine: a routine's code comes out
// the same whether it is first or follows routines that needed more labels,
// and its call still reaches the function translated just before it.
TEST_F(TranslateTest, ARoutineIsTheSameWhateverRoutinesCameBeforeIt) {
    const std::string later = " function int F(int n) { if (n) return 1; return 2; }\n"
                              " state B\n {\n if (a) x = F(1); else if (b) x = 2;\n"
                              " while (c) { if (d) break; }\n }\n}\n";
    Compile(std::string(kVars) + later);
    const Bytes alone = Code(0, CommandStart(0));
    const uint32_t lengthOfF = StateStart(0);
    Compile(std::string(kVars) + " state A\n {\n if (a) x = 1; else if (b) x = 2; else if (c) x = 3;\n"
            " else if (d) { while (a) { do { x = 4; } while (b); } }\n }\n" + later);
    ASSERT_EQ(2u, gen->m_States.GetSize());
    const uint32_t function = StateStart(1) - lengthOfF;  // F follows A and comes before B
    EXPECT_EQ(alone, Code(function, CommandStart(0)));
    std::vector<std::string> b = State(1);
    const auto call = std::find_if(b.begin(), b.end(), [](const std::string& i) { return i.rfind("call", 0) == 0; });
    ASSERT_NE(b.end(), call);
    char target[32];
    std::snprintf(target, sizeof target, "call 0x%x", function);
    EXPECT_EQ(target, *call);
}

// Each of many functions calls itself and the one before it (the first
// calls itself twice); every call reaches the start of the function it names.
TEST_F(TranslateTest, CallsReachTheirFunctionsAmongMany) {
    const size_t count = 300;
    std::string source = kVars;
    for (size_t i = 0; i < count; ++i) {
        const std::string self = "F" + std::to_string(i), before = "F" + std::to_string(i ? i - 1 : 0);
        source += " function int " + self + "(int n)\n {\n if (n) return " + self + "(n - 1) + " + before +
                  "(n);\n return n;\n }\n";
    }
    Compile(source + " state S\n {\n x = F" + std::to_string(count - 1) + "(3);\n }\n}\n");
    const uint32_t length = StateStart(0) / count;  // the functions' code is alike
    ASSERT_EQ(0u, StateStart(0) % count);
    std::vector<std::string> want, calls;
    auto call = [](uint32_t to) {
        char text[32];
        std::snprintf(text, sizeof text, "call %#x", to);  // as the disassembler writes 0
        return std::string(text);
    };
    for (uint32_t i = 0; i < count; ++i) {
        want.push_back(call(i * length));
        want.push_back(call((i ? i - 1 : 0) * length));
    }
    want.push_back(call((count - 1) * length));
    for (const std::string& i : Disassemble(0, CommandStart(0)))
        if (i.rfind("call", 0) == 0) calls.push_back(i);
    EXPECT_EQ(want, calls);
}

TEST_F(TranslateTest, AMissionReferenceIsStoredWithoutCounting) {
    Compile(std::string(kVars) + " mission m;\n state M\n {\n m = null;\n }\n}\n");
    EXPECT_EQ((std::vector<std::string>{"mov eax, 0", "mov dword ptr [esi + 0x28], eax"}), StateBody(0));
}

TEST_F(TranslateTest, EveryNameableClassCompilesWithItsTables) {
    const char* classes[] = {"unit", "unitex", "platoon", "campaign", "mission", "player", "sapper",
                             "supplier", "civil", "tank", "repairer", "builder", "aircraft",
                             "civilaircraft", "punit", "transporter", "movingbuilding", "saboteur",
                             "tutorial"};
    for (const char* name : classes) {
        Compile(std::string(name) + " \"X\"\n{\n " + name + " self;\n state A;\n state B\n {\n return A;\n }\n"
                " state A\n {\n self = null;\n }\n}\n");
        CType* base = c->m_pBaseClass.Get();
        EXPECT_EQ(base->GetCommandCount(), gen->m_Commands.GetSize()) << name;
        EXPECT_EQ(base->GetEventCount(), gen->m_Events.GetSize()) << name;
        ASSERT_EQ(2u, gen->m_States.GetSize()) << name;
        EXPECT_LT(gen->m_States[1], gen->m_States[0]) << name;  // B's body comes first, A is state 0
        EXPECT_NE(0u, gen->m_Commands[1].m_nPosition) << name;
    }
}

// A node kind the generator has no translation for ends generation with an
// internal error and no unit, whichever statement or expression holds it;
// it is never dropped silently nor turned into some other code.
TEST_F(TranslateTest, AnUnknownNodeKindFailsGeneration) {
    const char* source = "unit \"T\"\n{\n int a;\n state S\n {\n a = 1;\n }\n}\n";
    for (int32_t kind : {CToken::eSwitch, CToken::eShiftLeft, CToken::eParentheses, CToken::eDummy}) {
        Parse(source);
        CNode* assign = c->m_pRoot->GetChild(0)->GetChild(0)->GetChild(0)->GetChild(0)->GetChild(0)->GetChild(0);
        ASSERT_EQ(CToken::eAssign, assign->GetKind());
        CRefPtr<CNode> foreign = MakeRef<CNode>(kind);
        foreign->AddChild(MakeRef<CConstNode>(CConstValue::MakeInt(7).Get()).Get());
        assign->GetParent()->GetParent()->AddChild(foreign.Get());  // a statement of its own
        EXPECT_FALSE(GenerateUnit(c->m_pRoot.Get(), *gen)) << CToken::GetKindName(kind);
        EXPECT_EQ(std::string("no translation for node kind ") + CToken::GetKindName(kind), gen->GetFailure());
        EXPECT_EQ(8u, gen->GetCodeSize());  // "a = 1;" only: nothing after the failure
    }
}

}  // namespace
