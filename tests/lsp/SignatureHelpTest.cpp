// Signature help with "@" marking the cursor: the overloads of built-in and
// script functions, the argument the cursor is in, nested calls, overloads
// the arguments before the cursor rule out, and the family of 126 overloads
// folded into the shortest and one line for the rest.
#include <gtest/gtest.h>

#include "LspHarness.h"
#include "lsp/Uri.h"

namespace {

class SignatureHelpTest : public ::testing::Test {
protected:
    void SetUp() override { h.Initialize({{"rootUri", PathToUri(dir.Path())}}); }

    void Open(const std::string& text) {
        marked = Mark(text);
        uri = h.Open(dir.File("s.oc"), marked.text);
        h.WaitForDiagnostics(uri);
    }
    Json Help(size_t mark) { return h.AskAt("textDocument/signatureHelp", uri, marked.marks.at(mark))["result"]; }
    static std::vector<std::string> Labels(const Json& help) {
        std::vector<std::string> out;
        for (const Json& s : help["signatures"]) out.push_back(s["label"].get<std::string>());
        return out;
    }

    CScratch dir;
    CLspHarness h;
    SMarked marked;
    std::string uri;
};

TEST_F(SignatureHelpTest, BuiltInAndScriptOverloadsWithTheActiveArgument) {
    Open("mission \"M\"\n{\n"
         "    function int Area(int w, int h)\n    {\n        return w * h;\n    }\n"
         "    function int Area(string name)\n    {\n        return 0;\n    }\n"
         "    event Timer0()\n    {\n"
         "        SetTimer(@0, Area(2, @3));\n"
         "        Trace(Rand(@5));\n"
         "        Trace(@1);\n"
         "        area(@\"x\");\n"
         "    }\n}\n");
    Json timer = Help(0);
    EXPECT_EQ(Labels(timer), (std::vector<std::string>{"void SetTimer(int, int)"}));
    EXPECT_EQ(timer["activeParameter"], 0);
    EXPECT_EQ(timer["signatures"][0]["parameters"][1]["label"], Json::array({19, 22}));

    // Inside the inner call, its second argument; only the overload with two
    // parameters takes a second one, and the parameters have their names.
    Json area = Help(1);
    EXPECT_EQ(Labels(area), (std::vector<std::string>{"int Area(int w, int h)"}));
    EXPECT_EQ(area["activeParameter"], 1);
    EXPECT_EQ(area["signatures"][0]["documentation"], "function of the script");

    EXPECT_EQ(Labels(Help(2)), (std::vector<std::string>{"int Rand(int)"}));
    std::vector<std::string> trace = Labels(Help(3));
    EXPECT_EQ(trace.size(), 2u);
    EXPECT_NE(std::find(trace.begin(), trace.end(), "int Trace(string)"), trace.end());
    // A script function's name in another letter case.
    EXPECT_EQ(Labels(Help(4)), (std::vector<std::string>{"int Area(int w, int h)", "int Area(string name)"}));
}

TEST_F(SignatureHelpTest, AHundredAndTwentySixOverloadsShowTheShortestThatFit) {
    Open("mission \"M\"\n{\n    event Timer0()\n    {\n"
         "        SetConsoleText(@1, \"a\", @7, @\"b\");\n    }\n}\n");
    // Nothing typed yet: the shortest, then one line for the rest.
    Json start = Help(0);
    EXPECT_EQ(Labels(start), (std::vector<std::string>{"void SetConsoleText(int, string)",
                                                       "void SetConsoleText(int, ...)"}));
    EXPECT_EQ(start["signatures"][1]["documentation"], "126 more overloads take more parameters");
    // The third argument: two with one trailing parameter; the summary
    // carries the parameters up to the cursor's.
    Json third = Help(1);
    EXPECT_EQ(third["activeParameter"], 2);
    EXPECT_EQ(Labels(third), (std::vector<std::string>{"void SetConsoleText(int, string, int)",
                                                       "void SetConsoleText(int, string, string)",
                                                       "void SetConsoleText(int, string, int, ...)"}));
    EXPECT_EQ(third["signatures"][2]["documentation"], "124 more overloads take more parameters");
    // After an int third argument only those with an int there remain.
    Json fourth = Help(2);
    EXPECT_EQ(fourth["activeParameter"], 3);
    EXPECT_EQ(Labels(fourth), (std::vector<std::string>{"void SetConsoleText(int, string, int, int)",
                                                        "void SetConsoleText(int, string, int, string)",
                                                        "void SetConsoleText(int, string, int, int, ...)"}));
    EXPECT_EQ(fourth["signatures"][2]["documentation"], "60 more overloads take more parameters");
}

// Broken lines before the call in the same handler do not hide it.
TEST_F(SignatureHelpTest, AfterBrokenLinesInTheSameHandler) {
    Open("mission \"M\"\n{\n    event Timer0()\n    {\n        int k;\n        Trace();\n        k = (3 + ;\n"
         "        Trace(Rand(@\"x\"));\n    }\n}\n");
    EXPECT_EQ(Labels(Help(0)), (std::vector<std::string>{"int Rand(int)"}));
}

TEST_F(SignatureHelpTest, NoCallNoHelp) {
    Open("unit \"U\"\n{\n    int x;\n    event OnHit()\n    {\n        x = (1 + @2);\n        @x = 3;\n"
         "        Trace(x)@;\n        return 0;\n    }\n}\n");
    for (size_t mark = 0; mark < 3; ++mark) EXPECT_TRUE(Help(mark).is_null()) << mark;
}

}  // namespace
