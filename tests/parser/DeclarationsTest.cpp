// The declarations grammar run on real sources through the engine, checking
// what the command-line cases cannot see: the shape of the tree, the
// variables with their kinds and types, enum items, command attributes,
// handler binding, the state table and the script constants. The last tests
// feed many token sequences into a class body and require every parse to
// end: the class body cycle must never spin.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "builtins/BuiltinLibrary.h"
#include "parser/Compiler.h"

namespace {

class DeclarationsTest : public ::testing::Test {
protected:
    // Parses `text` as the driver does (without includes); false when the
    // machine did not finish within `maxSteps`.
    static bool Parse(CCompiler& c, const std::string& text, int maxSteps = 100000) {
        static int files = 0;
        std::string path = ::testing::TempDir() + "declarations_" + std::to_string(getpid()) + "_" + std::to_string(files++) + ".oc";
        std::ofstream(path, std::ios::binary) << text;
        if (!c.m_Scanner.Open(path)) return false;
        c.Begin();
        for (int step = 0; step < maxSteps && !c.IsFinished(); ++step) {
            c.m_Scanner.NextToken();
            c.RunState();
        }
        return c.IsFinished();
    }
    bool Parse(const std::string& text) { return Parse(c, text); }

    // Parses a source that must be accepted.
    void Accept(const std::string& text) {
        ASSERT_TRUE(Parse(text));
        ASSERT_EQ(c.m_nError, 0) << "line " << c.m_Scanner.GetToken().m_nLine;
        ASSERT_EQ(c.m_pfnState, &End);
    }

    CClassNode* Class() const { return dynamic_cast<CClassNode*>(c.m_pRoot->GetChild(0)); }
    CBlockNode* ClassBlock() const { return dynamic_cast<CBlockNode*>(Class()->GetChild(0)); }
    CNode* Member(size_t i) const { return ClassBlock()->GetChild(i); }
    CVariable* ClassVariable(const char* name) const { return ClassBlock()->PeekScope()->Find(name); }

    CCompiler c;
};

TEST_F(DeclarationsTest, TreeHoldsClassBlockAndMembersInSourceOrder) {
    Accept(R"(tank "Patrol" { int nStep; state Waiting; state Moving { } event OnHit() { return 0; }
    function int Step() { return nStep; } state Waiting { } command Stop() { } })");
    EXPECT_EQ(c.m_pNode.Get(), c.m_pRoot.Get());
    EXPECT_EQ(c.m_strClassName, "Patrol");
    ASSERT_EQ(c.m_pRoot->GetChildCount(), 1u);
    CClassNode* cls = Class();
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->m_strName, "tank");
    EXPECT_EQ(cls->m_pBaseClass.Get(), GetBuiltinLibrary().FindClass("tank"));
    EXPECT_EQ(c.m_pBaseClass.Get(), GetBuiltinLibrary().FindClass("tank"));
    EXPECT_EQ(cls->m_EventHandlers.GetSize(), GetBuiltinLibrary().FindClass("tank")->GetEventCount());
    EXPECT_EQ(cls->m_CommandHandlers.GetSize(), GetBuiltinLibrary().FindClass("tank")->GetCommandCount());
    ASSERT_EQ(cls->GetChildCount(), 1u);

    // The declaration "state Waiting;" leaves no node behind.
    std::vector<int32_t> kinds;
    for (size_t i = 0; i < ClassBlock()->GetChildCount(); ++i) kinds.push_back(Member(i)->GetKind());
    EXPECT_EQ(kinds, (std::vector<int32_t>{CToken::eState, CToken::eEvent, CToken::eFunction,
                                           CToken::eState, CToken::eCommand}));
    for (size_t i = 0; i < kinds.size(); ++i) {
        ASSERT_EQ(Member(i)->GetChildCount(), 1u) << i;
        EXPECT_EQ(Member(i)->GetChild(0)->GetKind(), CToken::eBlockInstruction) << i;
    }

    // States are numbered by first appearance, the declaration included.
    ASSERT_EQ(c.m_States.GetSize(), 2u);
    EXPECT_EQ(c.m_States[0].m_strName, "Waiting");
    EXPECT_EQ(c.m_States[1].m_strName, "Moving");
    EXPECT_EQ(c.m_States[0].m_bDefined, 1u);
    EXPECT_EQ(dynamic_cast<CStateNode*>(Member(0))->m_nStateIndex, 1);
    EXPECT_EQ(dynamic_cast<CStateNode*>(Member(3))->m_nStateIndex, 0);

    // Handlers are bound by index; the function is on the class node's list.
    CEventNode* onHit = dynamic_cast<CEventNode*>(Member(1));
    EXPECT_EQ(onHit->m_nEventIndex, 0);
    EXPECT_EQ(cls->m_EventHandlers[0].Get(), onHit);
    CCommandNode* stop = dynamic_cast<CCommandNode*>(Member(4));
    EXPECT_EQ(stop->m_nCommandIndex, 5);
    EXPECT_EQ(cls->m_CommandHandlers[5].Get(), stop);
    ASSERT_EQ(cls->m_Functions.GetSize(), 1u);
    EXPECT_EQ(cls->m_Functions[0].Get(), Member(2));
}

TEST_F(DeclarationsTest, ClassBlockStartsWithStateAndLoopThenMembersWithTheirTypes) {
    Accept(R"(unit "Roster" { int a[], b; platoon p1, p2; enum eMode { multi: "Any" } state Idle { int
    nLocal, anLocal[]; unit uLocal; } })");
    CVariableList* scope = ClassBlock()->PeekScope();
    ASSERT_NE(scope, nullptr);
    std::vector<std::string> names;
    for (size_t i = 0; i < scope->GetSize(); ++i) {
        names.push_back(scope->Get(i)->GetName());
        EXPECT_EQ(scope->Get(i)->m_nKind, uint32_t(CVariable::eMember)) << names.back();
    }
    EXPECT_EQ(names, (std::vector<std::string>{"$State", "$Loop", "a", "b", "p1", "p2", "eMode"}));
    EXPECT_EQ(scope->Get(0)->m_bInUse, 1u);
    EXPECT_EQ(scope->Get(1)->m_bInUse, 0u);
    EXPECT_EQ(ClassVariable("$State")->GetType(), CType::GetShared(CType::eInt));
    EXPECT_EQ(ClassVariable("a")->GetType(), GetBuiltinLibrary().GetArrayType());
    EXPECT_EQ(ClassVariable("b")->GetType(), CType::GetShared(CType::eInt));
    EXPECT_EQ(ClassVariable("p2")->GetType(), GetBuiltinLibrary().FindClass("platoon"));
    // An enum variable has a fresh int type of its own.
    CType* mode = ClassVariable("eMode")->GetType();
    EXPECT_NE(mode, CType::GetShared(CType::eInt));
    EXPECT_TRUE(mode->IsKind(CType::eInt));

    CBlockNode* body = dynamic_cast<CBlockNode*>(Member(0)->GetChild(0));
    ASSERT_NE(body, nullptr);
    CVariableList* locals = body->PeekScope();
    ASSERT_NE(locals, nullptr);
    ASSERT_EQ(locals->GetSize(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(locals->Get(i)->m_nKind, uint32_t(CVariable::eLocal));
    EXPECT_EQ(locals->Find("anLocal")->GetType(), GetBuiltinLibrary().GetArrayType());
    EXPECT_EQ(locals->Find("uLocal")->GetType(), GetBuiltinLibrary().FindClass("unit"));
}

TEST_F(DeclarationsTest, EnumItemsKeepValuesCaptionsDescriptionsAndEndWithTheMultiItem) {
    Accept(R"(platoon "Convoy" { enum eFormation { "Column", "Line" item 2, "Wedge" description
    "Arrow head", "Box" item 4 description "Closed square", multi: "Mixed" item 9 description
    "Each its own" } enum eOther { multi: "All" } })");
    const CDynArray<CEnumItem>& items = ClassVariable("eFormation")->GetType()->m_EnumItems;
    ASSERT_EQ(items.GetSize(), 5u);
    const struct {
        int32_t value;
        const char* caption;
        const char* description;
    } want[] = {{-1, "Column", ""}, {2, "Line", ""}, {-1, "Wedge", "Arrow head"},
                {4, "Box", "Closed square"}, {9, "Mixed", "Each its own"}};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(items[i].m_nValue, want[i].value) << i;
        EXPECT_EQ(items[i].m_strCaption, want[i].caption) << i;
        EXPECT_EQ(items[i].m_strDescription, want[i].description) << i;
    }
    CType* other = ClassVariable("eOther")->GetType();
    ASSERT_EQ(other->m_EnumItems.GetSize(), 1u);
    EXPECT_EQ(other->m_EnumItems[0].m_strCaption, "All");
    EXPECT_EQ(other->m_EnumItems[0].m_nValue, -1);
}

TEST_F(DeclarationsTest, CommandAttributesAreRecordedInAnyOrderAndDefaultsStay) {
    Accept(R"(unit "Commander" { enum eLights { "Off", multi: "Some" } command Stop() advanced item 3
    hidden hotkey priority 255 description "Halt" button "Stop" { } command SetLights(int nMode)
    button eLights priority 0 { } command Land() { } })");
    CCommandNode* stop = dynamic_cast<CCommandNode*>(Member(0));
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->m_strButton, "Stop");
    EXPECT_EQ(stop->m_strDescription, "Halt");
    EXPECT_EQ(stop->m_nCommandPriority, 255);
    EXPECT_EQ(stop->m_nItem, 3);
    EXPECT_EQ(stop->m_nAttributes, uint32_t(CCommandNode::eHotkey | CCommandNode::eHidden | CCommandNode::eAdvanced));
    EXPECT_EQ(stop->m_nDefined, 0x7Fu);
    EXPECT_EQ(stop->m_pButtonEnum.Get(), nullptr);

    CCommandNode* lights = dynamic_cast<CCommandNode*>(Member(1));
    EXPECT_EQ(lights->m_pButtonEnum.Get(), ClassVariable("eLights"));
    EXPECT_EQ(lights->m_strButton, "");
    EXPECT_EQ(lights->m_nCommandPriority, 0);
    EXPECT_EQ(lights->m_nAttributes, 0u);
    EXPECT_EQ(lights->m_nDefined, uint32_t(CCommandNode::eDefButton | CCommandNode::eDefPriority));
    ASSERT_NE(lights->m_pParams.Get(), nullptr);
    EXPECT_EQ(lights->m_pParams->Get(0)->m_nKind, uint32_t(CVariable::eParam));

    CCommandNode* land = dynamic_cast<CCommandNode*>(Member(2));
    EXPECT_EQ(land->m_nItem, -1);
    EXPECT_EQ(land->m_nCommandPriority, 128);
    EXPECT_EQ(land->m_nAttributes, 0u);
    EXPECT_EQ(land->m_nDefined, 0u);
    EXPECT_EQ(land->m_nCommandIndex, 6);
}

TEST_F(DeclarationsTest, ParametersTakeTheirTypesAndATrailingComma) {
    Accept(R"(mission "Canyon" { function int Take(int nCount, string strName, player pOwner,) { return
    nCount; } function int Take(int nCount) { return nCount; } event Artefact(int nNumber,
    player pFinder,) { return 1; } })");
    CFunctionNode* take = dynamic_cast<CFunctionNode*>(Member(0));
    ASSERT_NE(take, nullptr);
    CVariableList* params = take->m_pParams.Get();
    ASSERT_NE(params, nullptr);
    ASSERT_EQ(params->GetSize(), 3u);
    EXPECT_EQ(params->Get(0)->GetType(), CType::GetShared(CType::eInt));
    EXPECT_EQ(params->Get(1)->GetType(), CType::GetShared(CType::eString));
    EXPECT_EQ(params->Get(2)->GetType(), GetBuiltinLibrary().FindClass("player"));
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(params->Get(i)->m_nKind, uint32_t(CVariable::eParam));

    // Overloads are separate entries; their records are script functions.
    ASSERT_EQ(Class()->m_Functions.GetSize(), 2u);
    CFunction* record = Class()->m_Functions[1]->GetFunction();
    EXPECT_EQ(record->m_bScript, 1u);
    EXPECT_EQ(record->GetParamCount(), 1u);

    CEventNode* artefact = dynamic_cast<CEventNode*>(Member(2));
    EXPECT_EQ(artefact->m_pParams->GetSize(), 2u);
    EXPECT_EQ(artefact->m_nEventIndex, 10);
}

TEST_F(DeclarationsTest, ScriptConstantsGoToTheClassNodeAndLeaveTheLibraryAlone) {
    CType* saboteur = GetBuiltinLibrary().FindClass("saboteur");
    size_t before = saboteur->m_Constants.GetSize();
    Accept(R"(saboteur "Spy" { consts { findEnemyUnit = 77; SPY_DECLARATIONS_RANGE = 4294967295; } })");
    const CConstantList& own = Class()->m_Constants;
    ASSERT_EQ(own.GetSize(), 2u);
    EXPECT_EQ(own[0].m_strName, "findEnemyUnit");
    EXPECT_EQ(own[0].m_nValue, 77);
    EXPECT_EQ(own[1].m_nValue, -1);
    EXPECT_EQ(saboteur->m_Constants.GetSize(), before);
    EXPECT_EQ(saboteur->m_Constants.Find("SPY_DECLARATIONS_RANGE"), nullptr);
}

TEST_F(DeclarationsTest, ErrorsStopAtTheOffendingTokenWithNothingAdded) {
    ASSERT_TRUE(Parse("unit \"Guard\"\n{\n    int nX, nY, nX;\n}\n"));
    EXPECT_EQ(c.m_nError, 17);
    EXPECT_EQ(c.m_Scanner.GetToken().m_nLine, 3);
    EXPECT_STREQ(c.m_Scanner.GetToken().m_szText, "nX");
    // nY was declared at its ","; the second nX never was.
    EXPECT_EQ(ClassBlock()->PeekScope()->GetSize(), 4u);
}

// Without a class head the parse still ends, with no class, which the driver
// reports as "Expected class name"; a byte-order mark is no class head either.
TEST_F(DeclarationsTest, ASourceWithoutAClassHeadEndsWithoutAClass) {
    for (const char* text : {"", "// only a comment\n", "\xEF\xBB\xBF"}) {
        CCompiler fresh;
        ASSERT_TRUE(Parse(fresh, text)) << text;
        EXPECT_EQ(fresh.m_pfnState, &End);
        EXPECT_EQ(fresh.m_pBaseClass.Get(), nullptr);
        EXPECT_EQ(fresh.m_pRoot->GetChildCount(), 0u);
    }
    Accept("\xEF\xBB\xBFunit \"X\" { }");
    EXPECT_EQ(c.m_strClassName, "X");
}

// Token spellings that may stand in a class body, members or not.
const char* const kVocabulary[] = {
    "int", "string", "enum", "state", "event", "function", "command", "consts", "unit", "platoon",
    "Foo", "OnHit", "Stop", "Idle", "multi", "item", "description", "button", "priority", "hotkey",
    "hidden", "advanced", "return", "if", "null", "\"Text\"", "5", "300", "{", "}", "(", ")", "[",
    "]", ";", ",", ":", "=", "-", ".", "$", "?",
};

TEST_F(DeclarationsTest, EveryTokenInAClassBodyEndsTheParse) {
    for (const char* token : kVocabulary) {
        for (const std::string& form : {std::string("unit \"X\"\n{\n    ") + token + "\n}\n",
                                        std::string("unit \"X\"\n{\n    int a;\n    ") + token + "\n",
                                        std::string("unit \"X\"\n{\n    state S\n    {\n    }\n    ") + token + " ;\n}\n"}) {
            CCompiler fresh;
            ASSERT_TRUE(Parse(fresh, form, 1000)) << form;
        }
    }
}

// Whole members, so that random sequences get past the first member.
const char* const kMembers[] = {
    "int a ;", "int b [ ] , c ;", "unit u ;", "enum e { \"x\" item 1 , multi : \"y\" }",
    "state S ;", "state T { }", "event OnHit ( ) { }", "function int F ( int p , ) { }",
    "command Stop ( ) hidden { }", "command Land ( ) button \"L\" priority 3 { }",
};

// Random sequences of members and single tokens inside an open class body:
// each step takes a token or hands it to a state that takes it, so a parse
// needs a bounded number of steps per token.
TEST_F(DeclarationsTest, RandomTokenSequencesInAClassBodyAlwaysEnd) {
    std::mt19937 random(20261206);
    const size_t tokens = sizeof kVocabulary / sizeof kVocabulary[0];
    const size_t members = sizeof kMembers / sizeof kMembers[0];
    for (int round = 0; round < 300; ++round) {
        size_t length = 1 + random() % 12;
        std::string text = "unit \"X\"\n{\n";
        for (size_t i = 0; i < length; ++i)
            text += std::string(random() % 3 ? kMembers[random() % members] : kVocabulary[random() % tokens]) + "\n";
        CCompiler fresh;
        ASSERT_TRUE(Parse(fresh, text, int(length * 1000))) << text;
    }
}

}  // namespace
