// Rename with "@" marking the cursor: every place the compiler bound to the
// symbol changes, in this file and in the files it includes; the text
// between the quotes of an enum item; and the refusals, each with its
// message: a built-in, a handler's name, a new name that is not a name or
// that is taken in the same scope.
#include <gtest/gtest.h>

#include "LspHarness.h"
#include "lsp/Uri.h"

namespace {

const char* const kScript =
    "unit \"Guard\"\n"
    "{\n"
    "    include \"common.h\"\n"
    "    enum mode\n"
    "    {\n"
    "        \"Ca@lm\",\n"                                // 0
    "        multi: \"Alert\"\n"
    "    }\n"
    "    state Idle;\n"
    "    state Idle\n"
    "    {\n"
    "        return Id@le;\n"                             // 1
    "    }\n"
    "    event On@Hit()\n"                                // 2
    "    {\n"
    "        int hits, other;\n"
    "        hits = Cl@amp(h@its) + other;\n"             // 3 4
    "        Tr@ace(hits);\n"                             // 5
    "        return 0;\n"
    "    }\n"
    "}\n";

Json Edit(int line, int from, int to, const std::string& text) {
    return Json{{"range", {{"start", {{"line", line}, {"character", from}}}, {"end", {{"line", line}, {"character", to}}}}},
                {"newText", text}};
}

class RenameTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("common.h", "    function int Clamp(int v)\n    {\n        return v;\n    }\n");
        h.Initialize({{"rootUri", PathToUri(dir.Path())}});
        marked = Mark(kScript);
        uri = h.Open(dir.File("guard.oc"), marked.text);
        EXPECT_EQ(h.WaitForDiagnostics(uri)["diagnostics"], Json::array());
    }
    Json Rename(size_t mark, const std::string& name) {
        return h.AskAt("textDocument/rename", uri, marked.marks.at(mark), {{"newName", name}});
    }
    std::string Refusal(size_t mark, const std::string& name) {
        Json r = Rename(mark, name);
        EXPECT_EQ(r["error"]["code"], -32803) << r.dump();
        return r["error"].value("message", "");
    }

    CScratch dir;
    CLspHarness h;
    SMarked marked;
    std::string uri;
};

TEST_F(RenameTest, EveryPlaceOfTheSymbolChanges) {
    EXPECT_EQ(Rename(4, "count")["result"]["changes"],
              Json({{uri, {Edit(15, 12, 16, "count"), Edit(16, 8, 12, "count"), Edit(16, 21, 25, "count"),
                           Edit(17, 14, 18, "count")}}}));
    // The declaration, the definition and the use of a state.
    EXPECT_EQ(Rename(1, "Resting")["result"]["changes"],
              Json({{uri, {Edit(8, 10, 14, "Resting"), Edit(9, 10, 14, "Resting"), Edit(11, 15, 19, "Resting")}}}));
    // A function the included file declares changes there too.
    EXPECT_EQ(Rename(3, "Bound")["result"]["changes"],
              Json({{PathToUri(dir.File("common.h")), {Edit(0, 17, 22, "Bound")}}, {uri, {Edit(16, 15, 20, "Bound")}}}));
    // An enum item's caption, between its quotes.
    EXPECT_EQ(Rename(0, "Quiet mode")["result"]["changes"], Json({{uri, {Edit(5, 9, 13, "Quiet mode")}}}));
}

TEST_F(RenameTest, RefusalsSayWhy) {
    EXPECT_EQ(Refusal(5, "Log"), "'Trace' is a built-in function of class 'unit'; only the script's own names can be renamed");
    EXPECT_EQ(Refusal(2, "OnStruck"), "'OnHit' handles the built-in event of that name; a handler's name cannot change");
    EXPECT_EQ(Refusal(4, "while"), "'while' is not a name (a keyword, or not only letters, digits and '_')");
    EXPECT_EQ(Refusal(4, "2x"), "'2x' is not a name (a keyword, or not only letters, digits and '_')");
    EXPECT_EQ(Refusal(4, "tank"), "'tank' names a built-in class");
    EXPECT_EQ(Refusal(4, "other"), "'other' is already declared there");
    EXPECT_EQ(Refusal(0, "Al\"ert"), "an enum item's caption cannot hold quotes, backslashes or line ends");
    EXPECT_EQ(Refusal(0, "Alert"), "'Alert' is already declared there");
}

TEST_F(RenameTest, PrepareRenameGivesTheRangeOrTheRefusal) {
    Json ok = h.AskAt("textDocument/prepareRename", uri, marked.marks[4])["result"];
    EXPECT_EQ(ok, Json({{"range", Edit(16, 21, 25, "")["range"]}, {"placeholder", "hits"}}));
    Json builtin = h.AskAt("textDocument/prepareRename", uri, marked.marks[5]);
    EXPECT_EQ(builtin["error"]["code"], -32803);
    // Not on a name: nothing to rename, and no error.
    Json blank = h.AskAt("textDocument/prepareRename", uri, {1, 0});
    EXPECT_TRUE(blank.contains("result") && blank["result"].is_null());
}

}  // namespace
