// Folding ranges: bodies and blocks (the closing line stays visible), block
// comments, runs of line comments and of includes.
#include <gtest/gtest.h>

#include "LspHarness.h"
#include "lsp/Uri.h"

namespace {

TEST(FoldingRanges, BodiesCommentsAndIncludes) {
    CScratch dir;
    CLspHarness h;
    h.Initialize({{"rootUri", PathToUri(dir.Path())}});
    std::string text =
        "// one\n"             // 0
        "// two\n"             // 1
        "unit \"U\"\n"         // 2
        "{\n"                  // 3
        "    include \"a.h\"\n"  // 4
        "    include \"b.h\"\n"  // 5
        "    /* a\n"           // 6
        "       b */\n"        // 7
        "    state S\n"        // 8
        "    {\n"              // 9
        "        if (1) { }\n"  // 10: one line, no fold
        "        return S; // trailing\n"  // 11
        "        // alone\n"   // 12
        "    }\n"              // 13
        "}\n";                 // 14
    std::string uri = h.Open(dir.File("u.oc"), text);
    Json ranges = h.Request("textDocument/foldingRange", {{"textDocument", {{"uri", uri}}}})["result"];
    Json expected = Json::array({
        {{"startLine", 3}, {"endLine", 13}},
        {{"startLine", 9}, {"endLine", 12}},
        {{"startLine", 0}, {"endLine", 1}, {"kind", "comment"}},
        {{"startLine", 6}, {"endLine", 7}, {"kind", "comment"}},
        {{"startLine", 4}, {"endLine", 5}, {"kind", "imports"}},
    });
    EXPECT_EQ(ranges, expected);
}

}  // namespace
