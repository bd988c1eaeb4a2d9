// Document symbols: the class with its members in text order, each with the
// range of its whole declaration and the range of its name; an included file
// outlines its own declarations.
#include <gtest/gtest.h>

#include "LspHarness.h"
#include "lsp/Uri.h"

namespace {

Json Range(int l1, int c1, int l2, int c2) {
    return {{"start", {{"line", l1}, {"character", c1}}}, {"end", {{"line", l2}, {"character", c2}}}};
}

// name, kind and detail of each symbol, children indented below.
std::string Outline(const Json& symbols, const std::string& indent = "") {
    std::string out;
    for (const Json& s : symbols) {
        out += indent + s["name"].get<std::string>() + " " + std::to_string(s["kind"].get<int>());
        if (s.contains("detail")) out += " " + s["detail"].get<std::string>();
        out += "\n";
        if (s.contains("children")) out += Outline(s["children"], indent + "  ");
    }
    return out;
}

TEST(DocumentSymbols, TheClassWithItsMembers) {
    CScratch dir;
    dir.Write("lib.h", "    function int Helper(int a, string b)\n    {\n        return a;\n    }\n");
    CLspHarness h;
    h.Initialize({{"rootUri", PathToUri(dir.Path())}});
    std::string text =
        "unit \"Guard\"\n"
        "{\n"
        "    consts { limit = 3; }\n"
        "    int alarms, other[];\n"
        "    enum mode { \"A\" item 1, multi: \"B\" }\n"
        "    state Idle;\n"
        "    state Idle\n"
        "    {\n"
        "        int local;\n"
        "        return Idle, 50;\n"
        "    }\n"
        "    event OnHit() { return 0; }\n"
        "    include \"lib.h\"\n"
        "    command Stop() button \"Stop\" { }\n"
        "}\n";
    std::string uri = h.Open(dir.File("g.oc"), text);
    h.WaitForDiagnostics(uri);
    Json symbols = h.Request("textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}})["result"];
    EXPECT_EQ(Outline(symbols),
              "Guard 5 unit\n"
              "  limit 14 = 3\n"
              "  alarms 8 int\n"
              "  other 8 int[]\n"
              "  mode 10 enum\n"
              "    A 22 = 1\n"
              "    B 22\n"
              "  Idle 2\n"
              "  OnHit 24 ()\n"
              "  Stop 6 ()\n");
    Json guard = symbols[0];
    EXPECT_EQ(guard["range"], Range(0, 0, 14, 1));
    EXPECT_EQ(guard["selectionRange"], Range(0, 5, 0, 12));
    Json idle = guard["children"][4];
    EXPECT_EQ(idle["range"], Range(6, 4, 10, 5));  // the definition, keyword to closing brace
    EXPECT_EQ(idle["selectionRange"], Range(6, 10, 6, 14));
    EXPECT_EQ(guard["children"][3]["range"], Range(4, 4, 4, 40));
    EXPECT_EQ(guard["children"][0]["range"], Range(2, 13, 2, 23));

    std::string lib = h.Open(dir.File("lib.h"), "    function int Helper(int a, string b)\n    {\n        return a;\n    }\n");
    h.WaitForDiagnostics(uri);
    Json own = h.Request("textDocument/documentSymbol", {{"textDocument", {{"uri", lib}}}})["result"];
    EXPECT_EQ(Outline(own), "Helper 12 (int a, string b)\n");
    EXPECT_EQ(own[0]["range"], Range(0, 4, 3, 5));
}

}  // namespace
