// Go to definition and references with "@" marking the cursor: locals,
// states, overloads of a script function (each call belongs to the one its
// arguments chose, whatever the letter case of its name), a function that an
// included file declares, the include line itself, and built-ins, which
// have no declaration in the script.
#include <gtest/gtest.h>

#include "LspHarness.h"
#include "lsp/Uri.h"

namespace {

const char* const kCommon =
    "    function int Clamp(int v)\n"
    "    {\n"
    "        return v;\n"
    "    }\n";

const char* const kScript =
    "unit \"Guard\"\n"
    "{\n"
    "    include \"com@mon.h\"\n"                         // 0
    "    int alarms;\n"
    "    state Idle\n"
    "    {\n"
    "        alarms = Cl@amp(alarms) + 1;\n"              // 1
    "        return Id@le, 50;\n"                         // 2
    "    }\n"
    "    function int F(int a)\n"
    "    {\n"
    "        return a;\n"
    "    }\n"
    "    function int F(string s)\n"
    "    {\n"
    "        return 0;\n"
    "    }\n"
    "    event OnHit()\n"
    "    {\n"
    "        int hits;\n"
    "        hits = @F(1) + @f(2) + @F(\"x\") + h@its;\n"  // 3 4 5 6
    "        Tr@ace(hits);\n"                             // 7
    "        Trace(alarms);\n"
    "        return 0;\n"
    "    }\n"
    "}\n";

Json Loc(const std::string& uri, int line, int from, int to) {
    return Json{{"uri", uri},
                {"range", {{"start", {{"line", line}, {"character", from}}}, {"end", {{"line", line}, {"character", to}}}}}};
}

class NavigationTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("lib/common.h", kCommon);
        dir.Write("orvelc.json", R"({"includeDirs": ["lib"]})");
        h.Initialize({{"rootUri", PathToUri(dir.Path())}});
        marked = Mark(kScript);
        uri = h.Open(dir.File("guard.oc"), marked.text);
        EXPECT_EQ(h.WaitForDiagnostics(uri)["diagnostics"], Json::array());
        common = PathToUri(dir.File("lib/common.h"));
    }
    Json Definition(size_t mark) { return h.AskAt("textDocument/definition", uri, marked.marks.at(mark))["result"]; }
    Json References(size_t mark, bool declarations) {
        return h.AskAt("textDocument/references", uri, marked.marks.at(mark),
                       {{"context", {{"includeDeclaration", declarations}}}})["result"];
    }

    CScratch dir;
    CLspHarness h;
    SMarked marked;
    std::string uri, common;
};

TEST_F(NavigationTest, DefinitionsInThisFileAndInIncludes) {
    EXPECT_EQ(Definition(0), Loc(common, 0, 0, 0));
    EXPECT_EQ(Definition(1), Loc(common, 0, 17, 22));
    EXPECT_EQ(Definition(2), Loc(uri, 4, 10, 14));
    EXPECT_EQ(Definition(6), Loc(uri, 19, 12, 16));
    EXPECT_TRUE(Definition(7).is_null());
}

TEST_F(NavigationTest, EachCallGoesToTheOverloadItChose) {
    EXPECT_EQ(Definition(3), Loc(uri, 9, 17, 18));
    EXPECT_EQ(Definition(4), Loc(uri, 9, 17, 18));
    EXPECT_EQ(Definition(5), Loc(uri, 13, 17, 18));
    EXPECT_EQ(References(4, true), Json::array({Loc(uri, 9, 17, 18), Loc(uri, 20, 15, 16), Loc(uri, 20, 22, 23)}));
    EXPECT_EQ(References(5, false), Json::array({Loc(uri, 20, 29, 30)}));
}

TEST_F(NavigationTest, ReferencesOfScriptNamesAndBuiltIns) {
    EXPECT_EQ(References(6, true), Json::array({Loc(uri, 19, 12, 16), Loc(uri, 20, 8, 12), Loc(uri, 20, 38, 42),
                                                Loc(uri, 21, 14, 18)}));
    EXPECT_EQ(References(6, false).size(), 3u);
    EXPECT_EQ(References(1, true), Json::array({Loc(uri, 6, 17, 22), Loc(common, 0, 17, 22)}));
    // A built-in: its uses in the script.
    EXPECT_EQ(References(7, true), Json::array({Loc(uri, 21, 8, 13), Loc(uri, 22, 8, 13)}));
}

}  // namespace
