// Hover over each kind of name, with "@" marking the cursor: built-in
// functions (number, class, global and dot), constants, script variables and
// parameters with their types, enum items with their values, states,
// handlers, class names, and a name the parse never reached.
#include <gtest/gtest.h>

#include "LspHarness.h"
#include "lsp/Uri.h"

namespace {

const char* const kScript =
    "mission \"M\"\n"
    "{\n"
    "    consts\n"
    "    {\n"
    "        goal@One = 7;\n"
    "    }\n"
    "    player en@emy;\n"
    "    enum mo@de\n"
    "    {\n"
    "        \"Fa@st\" item 3,\n"
    "        multi: \"Sl@ow\"\n"
    "    }\n"
    "    state Sta@rt\n"
    "    {\n"
    "        return Start;\n"
    "    }\n"
    "    event Unit@Created(unit created)\n"
    "    {\n"
    "        int n;\n"
    "        n = cre@ated.GetIFF() + en@emy.GetNumberOfUnits() + goal@One + commandUserObj@ect3;\n"
    "        Set@Timer(0, 10);\n"
    "        return 0;\n"
    "    }\n"
    "    command Initi@alize()\n"
    "    {\n"
    "        state St@art;\n"
    "    }\n"
    "    function int Sq@uare(int x)\n"
    "    {\n"
    "        return x * @x + Squ@are(2);\n"
    "    }\n"
    "}\n";

class HoverTest : public ::testing::Test {
protected:
    void SetUp() override {
        marked = Mark(kScript);
        h.Initialize({{"rootUri", PathToUri(dir.Path())}});
        uri = h.Open(dir.File("m.oc"), marked.text);
        h.WaitForDiagnostics(uri);
    }
    std::string At(size_t mark) {
        Json text = h.HoverText(uri, marked.marks.at(mark));
        return text.is_null() ? "(none)" : text.get<std::string>();
    }
    CScratch dir;
    CLspHarness h;
    SMarked marked;
    std::string uri;
};

TEST_F(HoverTest, ScriptSymbolsShowTheirDeclarationAndType) {
    EXPECT_EQ(At(0), "```orvel\nconst goalOne = 7\n```\nconstant of the script\n");
    EXPECT_EQ(At(1), "```orvel\nplayer enemy\n```\nclass variable\n");
    EXPECT_EQ(At(2), "```orvel\nenum mode\n```\nenum variable; its items:\n\n- \"Fast\" = 3\n- \"Slow\"\n");
    EXPECT_EQ(At(3), "```orvel\n\"Fast\" item 3\n```\nitem of enum `mode`\n");
    EXPECT_EQ(At(4), "```orvel\n\"Slow\"\n```\nitem of enum `mode` without a value (-1)\n");
    EXPECT_EQ(At(5), "```orvel\nstate Start\n```\nstate 0\n");
    EXPECT_EQ(At(7), "```orvel\nunit created\n```\nparameter of `event UnitCreated`\n");
    EXPECT_EQ(At(8), At(1));
    EXPECT_EQ(At(9), At(0));
    EXPECT_EQ(At(13), At(5));
    EXPECT_EQ(At(14), "```orvel\nfunction int Square(int x)\n```\nfunction of the script\n");
    EXPECT_EQ(At(15), "```orvel\nint x\n```\nparameter of `function Square`\n");
    EXPECT_EQ(At(16), At(14));
}

TEST_F(HoverTest, HandlersShowTheBuiltInTheyHandle) {
    EXPECT_EQ(At(6), "```orvel\nevent UnitCreated(unit created)\n```\n\nhandles\n\n"
                     "```orvel\nevent int UnitCreated(unit)\n```\n`mission` event 11\n");
    EXPECT_EQ(At(12), "```orvel\ncommand Initialize()\n```\n\nhandles\n\n"
                      "```orvel\ncommand int Initialize()\n```\n`mission` command 2\n");
}

TEST_F(HoverTest, BuiltInsShowNumberClassAndMarks) {
    // After a dot on a player: the player class's overloads, legal after a dot.
    std::string dot = h.HoverText(uri, {19, 40}).get<std::string>();
    EXPECT_EQ(dot.substr(0, dot.find("\n---")),
              "```orvel\nint GetNumberOfUnits()\n```\n`player` function 1223 · legal after a dot\n");
    EXPECT_EQ(At(10), "```orvel\nconst commandUserObject3 = 82\n```\n`mission` constant\n");
    EXPECT_EQ(At(11), "```orvel\nvoid SetTimer(int, int)\n```\n`mission` function 2208 · not legal after a dot\n");
    std::string iff = h.HoverText(uri, {19, 21}).get<std::string>();
    EXPECT_EQ(iff, "```orvel\nint GetIFF()\n```\n`unit` function 162 · legal after a dot\n");
}

TEST(HoverWords, ClassNamesAndNamesAfterAnErrorUseTheReference) {
    CScratch dir;
    CLspHarness h;
    h.Initialize({{"rootUri", PathToUri(dir.Path())}});
    SMarked m = Mark("ta@nk \"T\"\n{\n    event OnHit()\n    {\n        x = ;\n        Ra@nd(3);\n    }\n}\n");
    std::string uri = h.Open(dir.File("t.oc"), m.text);
    EXPECT_EQ(h.WaitForDiagnostics(uri)["diagnostics"].size(), 1u);
    EXPECT_EQ(h.HoverText(uri, m.marks[0]),
              "```orvel\nclass tank : unit\n```\nParent: `unit` · script-class number 2 · functions 172–195 (24)\n");
    EXPECT_EQ(h.HoverText(uri, m.marks[1]), "```orvel\nint Rand(int)\n```\n`root` function 5 · global · not legal after a dot\n");
    EXPECT_TRUE(h.HoverText(uri, {4, 12}).is_null());  // on "="
}

}  // namespace
