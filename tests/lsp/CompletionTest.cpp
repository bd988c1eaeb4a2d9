// Completion with "@" marking the cursor. One whole script holds the places
// where the parser's state decides what may come (a member, a statement, an
// operand, after a dot, a handler's head, a state, a type); the cursor
// stands before text that follows, which must not matter. Short scripts
// that end at the cursor check code that is still being written.
#include <gtest/gtest.h>

#include <set>

#include "LspHarness.h"
#include "lsp/Uri.h"

namespace {

const char* const kScript =
    "unit \"Guard\"\n"
    "{\n"
    "    consts\n"
    "    {\n"
    "        limit = 3;\n"
    "    }\n"
    "    @int alarms;\n"                                  // 0: member
    "    unit target;\n"
    "    enum mode\n"
    "    {\n"
    "        \"Calm\",\n"
    "        multi: \"Alert\"\n"
    "    }\n"
    "    state Idle;\n"
    "    state Later;\n"
    "    state Watch\n"
    "    {\n"
    "        return @Idle;\n"                             // 1: any state
    "    }\n"
    "    state @Idle\n"                                   // 2: a declared state to define
    "    {\n"
    "        @alarms = 1;\n"                              // 3: statement in a state body
    "    }\n"
    "    function int Twice(int n)\n"
    "    {\n"
    "        return n * 2;\n"
    "    }\n"
    "    event @OnHit()\n"                                // 4: events
    "    {\n"
    "        int hits;\n"
    "        hits = hits + @limit;\n"                     // 5: operand
    "        alarms = target.@GetIFF();\n"                // 6: after a dot
    "        while (hits > 0) { @hits = hits - 1; }\n"    // 7: statement in a loop
    "        state @Watch;\n"                             // 8: defined states
    "        return Tw@ice(hits);\n"                      // 9: a prefix
    "    }\n"
    "    event OnTransported(@int how)\n"                 // 10: a parameter's type
    "    {\n"
    "        return @how;\n"                              // 11: operand after return in an event
    "    }\n"
    "    event @OnCheckRecycleUnit()\n"                   // 12: events, two handled
    "    {\n"
    "        return 0;\n"
    "    }\n"
    "    command @Stop()\n"                               // 13: commands
    "    {\n"
    "    }\n"
    "    state Later\n"
    "    {\n"
    "    }\n"
    "}\n";

class CompletionTest : public ::testing::Test {
protected:
    void SetUp() override { h.Initialize({{"rootUri", PathToUri(dir.Path())}}); }

    std::string Open(const std::string& text) {
        marked = Mark(text);
        uri = h.Open(dir.File("g.oc"), marked.text);
        h.WaitForDiagnostics(uri);
        return uri;
    }
    Json Result(size_t mark) { return h.AskAt("textDocument/completion", uri, marked.marks.at(mark))["result"]; }
    std::set<std::string> Labels(size_t mark) {
        std::set<std::string> labels;
        Json result = Result(mark);
        for (const Json& item : result["items"]) labels.insert(item["label"].get<std::string>());
        return labels;
    }
    Json Item(size_t mark, const std::string& label) {
        Json result = Result(mark);
        for (const Json& item : result["items"])
            if (item["label"] == label) return item;
        return nullptr;
    }

    CScratch dir;
    CLspHarness h;
    SMarked marked;
    std::string uri;
};

bool Has(const std::set<std::string>& labels, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (!labels.count(n)) return false;
    return true;
}

bool HasNone(const std::set<std::string>& labels, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (labels.count(n)) return false;
    return true;
}

TEST_F(CompletionTest, OperandsAreTheNamesVisibleThereInLookupOrder) {
    Open(kScript);
    std::set<std::string> operand = Labels(5);
    EXPECT_TRUE(Has(operand, {"hits", "alarms", "target", "mode", "limit", "Twice", "GetIFF", "CallStopMoving",
                              "Trace", "Idle", "Watch", "Later", "buildingMine"}));
    // Keywords, locals of other routines and the compiler's own names are not operands.
    EXPECT_TRUE(HasNone(operand, {"if", "n", "how", "$State", "$AddRef", "int"}));
    EXPECT_TRUE(HasNone(Labels(11), {"hits"}));
    EXPECT_TRUE(Has(Labels(11), {"how", "alarms"}));

    Json local = Item(5, "hits");
    EXPECT_EQ(local["detail"], "int hits");
    EXPECT_EQ(local["kind"], 6);
    EXPECT_EQ(Item(5, "target")["detail"], "unit target");
    EXPECT_EQ(Item(5, "mode")["detail"], "enum mode");
    EXPECT_EQ(Item(5, "limit")["detail"], "const limit = 3");
    EXPECT_EQ(Item(5, "Twice")["detail"], "int Twice(int)");
    EXPECT_EQ(Item(5, "Trace")["detail"], "int Trace(string) (+1 overload)");
    EXPECT_EQ(Item(5, "Watch")["detail"], "state 2");
    // Nearer names sort first: the local before the class variable before built-ins.
    EXPECT_LT(local["sortText"], Item(5, "alarms")["sortText"]);
    EXPECT_LT(Item(5, "alarms")["sortText"], Item(5, "GetIFF")["sortText"]);
}

TEST_F(CompletionTest, StatementStartsOfferKeywordsAndLoopsBreak) {
    Open(kScript);
    std::set<std::string> inState = Labels(3);
    EXPECT_TRUE(Has(inState, {"if", "while", "for", "do", "return", "state", "assert", "verify", "alarms"}));
    // Twice is declared further down: not yet a name there.
    EXPECT_TRUE(HasNone(inState, {"break", "continue", "else", "event", "Twice"}));
    EXPECT_TRUE(Has(Labels(7), {"break", "continue", "hits"}));
}

TEST_F(CompletionTest, AfterADotOnlyTheMembersLegalThere) {
    Open(kScript);
    std::set<std::string> members = Labels(6);
    EXPECT_TRUE(Has(members, {"GetIFF", "IsBuilding"}));
    // CallStopMoving may not follow a dot; names of the script never do.
    EXPECT_TRUE(HasNone(members, {"CallStopMoving", "hits", "alarms", "Twice", "limit", "if"}));
    EXPECT_EQ(Item(6, "GetIFF")["kind"], 2);
}

TEST_F(CompletionTest, StatesWhereAStateIsNamed) {
    Open(kScript);
    EXPECT_EQ(Labels(1), (std::set<std::string>{"Idle", "Later", "Watch"}));
    // A state change needs a state whose body came before.
    EXPECT_EQ(Labels(8), (std::set<std::string>{"Idle", "Watch"}));
    // Defining a state: those declared and not defined yet.
    EXPECT_EQ(Labels(2), (std::set<std::string>{"Idle", "Later"}));
}

TEST_F(CompletionTest, HandlerHeadsOfferWhatIsNotHandledWithItsParameters) {
    Open(kScript);
    std::set<std::string> first = Labels(4);
    EXPECT_TRUE(Has(first, {"OnHit", "OnCannonFoundTarget", "OnTransported", "CheckFreeSupplier"}));
    EXPECT_TRUE(HasNone(first, {"Stop", "GetIFF"}));
    std::set<std::string> later = Labels(12);
    EXPECT_TRUE(HasNone(later, {"OnHit", "OnTransported"}));
    EXPECT_TRUE(Has(later, {"OnCheckRecycleUnit", "OnCannonFoundTarget"}));

    Json event = Item(12, "OnCannonFoundTarget");
    EXPECT_EQ(event["insertText"], "OnCannonFoundTarget(int ${1:value}, unit ${2:aUnit})");
    EXPECT_EQ(event["insertTextFormat"], 2);
    EXPECT_EQ(event["labelDetails"]["detail"], "(int, unit)");
    EXPECT_EQ(event["kind"], 23);

    std::set<std::string> commands = Labels(13);
    EXPECT_TRUE(Has(commands, {"Stop", "Initialize", "Attack"}));
    EXPECT_TRUE(HasNone(commands, {"$Destructor", "OnHit"}));
    EXPECT_EQ(Item(13, "Move")["insertText"], "Move(int ${1:value}, int ${2:value2}, int ${3:value3})");
}

TEST_F(CompletionTest, MembersTypesAndPrefixes) {
    Open(kScript);
    std::set<std::string> member = Labels(0);
    EXPECT_TRUE(Has(member, {"int", "enum", "state", "event", "command", "function", "unit", "tank", "player"}));
    EXPECT_TRUE(HasNone(member, {"if", "alarms", "string", "consts"}));
    std::set<std::string> type = Labels(10);
    EXPECT_TRUE(Has(type, {"int", "string", "unit", "mission"}));
    EXPECT_TRUE(HasNone(type, {"enum", "alarms"}));

    // "Tw": only names holding T then w, and the list is asked for again as the word grows.
    Json typed = Result(9);
    EXPECT_TRUE(typed["isIncomplete"].get<bool>());
    std::set<std::string> labels;
    for (const Json& item : typed["items"]) labels.insert(item["label"].get<std::string>());
    EXPECT_TRUE(Has(labels, {"Twice"}));
    EXPECT_TRUE(HasNone(labels, {"hits", "GetIFF"}));
    EXPECT_FALSE(Result(5)["isIncomplete"].get<bool>());
}

TEST_F(CompletionTest, CodeStillBeingWritten) {
    // The file ends at the cursor, inside an open body and an open call.
    Open("unit \"U\"\n{\n    int count;\n    event OnHit()\n    {\n        int n;\n        Trace(n + co@");
    EXPECT_TRUE(Has(Labels(0), {"count", "CallStopMoving"}));
    Open("unit \"U\"\n{\n    unit other;\n    event OnHit()\n    {\n        other.@");
    EXPECT_TRUE(Has(Labels(0), {"GetIFF"}));
    EXPECT_TRUE(HasNone(Labels(0), {"CallStopMoving"}));
    Open("unit \"U\"\n{\n    event @");
    EXPECT_TRUE(Has(Labels(0), {"OnHit"}));
    Open("@");
    EXPECT_TRUE(Has(Labels(0), {"unit", "mission", "campaign"}));
    // A broken statement earlier in the same handler: the rest of the handler
    // is skipped, its parameters and locals are still offered.
    Open("unit \"U\"\n{\n    event OnCannonLowAmmo(int left)\n    {\n        int spare;\n        spare = (;\n"
         "        @");
    EXPECT_TRUE(Has(Labels(0), {"left", "spare", "if", "GetIFF"}));
}

TEST_F(CompletionTest, NothingInCommentsStringsAndNumbers) {
    Open("unit \"U\"\n{\n    // a comment @\n    event OnHit()\n    {\n        Trace(\"te@xt\");\n"
         "        /* bl@ock */\n        return 1@2;\n    }\n}\n");
    for (size_t mark = 0; mark < 4; ++mark) EXPECT_TRUE(Result(mark)["items"].empty()) << mark;
}

}  // namespace
