// Semantic tokens: each token's type and modifiers as the legend numbers
// them, decoded from the relative encoding.
#include <gtest/gtest.h>

#include "LspHarness.h"
#include "lsp/Uri.h"

namespace {

// "line:char text type[+modifier...]" per token, from the encoded data.
std::vector<std::string> Decode(const Json& data, const Json& legend, const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    std::vector<std::string> out;
    int line = 0, character = 0;
    for (size_t i = 0; i + 5 <= data.size(); i += 5) {
        int dl = data[i], dc = data[i + 1], length = data[i + 2], type = data[i + 3], mods = data[i + 4];
        character = dl ? dc : character + dc;
        line += dl;
        std::string item = std::to_string(line) + ":" + std::to_string(character) + " " +
                           lines[size_t(line)].substr(size_t(character), size_t(length)) + " " +
                           legend["tokenTypes"][size_t(type)].get<std::string>();
        for (size_t bit = 0; bit < legend["tokenModifiers"].size(); ++bit)
            if (mods & (1 << bit)) item += "+" + legend["tokenModifiers"][bit].get<std::string>();
        out.push_back(item);
    }
    return out;
}

TEST(SemanticTokens, NamesAreClassifiedAsTheParseResolvedThem) {
    CScratch dir;
    CLspHarness h;
    Json init = h.Initialize({{"rootUri", PathToUri(dir.Path())}});
    Json legend = init["result"]["capabilities"]["semanticTokensProvider"]["legend"];
    std::string text =
        "unit \"U\"\n"
        "{\n"
        "    int n;\n"
        "    unit other;\n"
        "    state S { return S; }\n"
        "    event OnHit()\n"
        "    {\n"
        "        int k;\n"
        "        k = other.GetIFF() + Rand(n) + buildingMine;\n"
        "        return 0;\n"
        "    }\n"
        "}\n";
    std::string uri = h.Open(dir.File("u.oc"), text);
    h.WaitForDiagnostics(uri);
    Json data = h.Request("textDocument/semanticTokens/full", {{"textDocument", {{"uri", uri}}}})["result"]["data"];
    std::vector<std::string> expected = {
        "0:0 unit class+defaultLibrary",
        "0:5 \"U\" string",
        "2:4 int keyword",
        "2:8 n property+declaration",
        "3:4 unit class+defaultLibrary",
        "3:9 other property+declaration",
        "4:4 state keyword",
        "4:10 S enumMember+declaration",
        "4:14 return keyword",
        "4:21 S enumMember",
        "5:4 event keyword",
        "5:10 OnHit event+declaration",
        "7:8 int keyword",
        "7:12 k variable+declaration",
        "8:8 k variable",
        "8:12 other property",
        "8:18 GetIFF method+defaultLibrary",
        "8:29 Rand function+defaultLibrary",
        "8:34 n property",
        "8:39 buildingMine variable+readonly+defaultLibrary",
        "9:8 return keyword",
        "9:15 0 number",
    };
    EXPECT_EQ(Decode(data, legend, text), expected);
}

}  // namespace
