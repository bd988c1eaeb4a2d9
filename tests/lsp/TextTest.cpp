// Positions, URIs and the server's configuration: the small conversions
// that every feature's ranges and every include search depend on.
#include <gtest/gtest.h>

#include "LspHarness.h"
#include "lsp/Config.h"
#include "lsp/Text.h"
#include "lsp/Uri.h"

namespace {

TEST(Positions, Utf16AndUtf8ColumnsAndLineEnds) {
    // "é" is 2 bytes, "𝄞" 4 bytes and 2 UTF-16 units; CR LF, LF and CR end lines.
    std::string text = "aé𝄞b\r\nx\ry\n";
    CLineIndex lines(text);
    EXPECT_EQ(lines.GetLineCount(), 4);
    EXPECT_EQ(lines.GetLine(0), "aé𝄞b");
    EXPECT_EQ(lines.GetLine(2), "y");
    EXPECT_EQ(lines.ToOffset({0, 4}, EPositionEncoding::eUtf16), 7u);  // before "b"
    EXPECT_EQ(lines.ToOffset({0, 7}, EPositionEncoding::eUtf8), 7u);
    EXPECT_EQ(lines.ToOffset({0, 99}, EPositionEncoding::eUtf16), 8u);  // clamped to the line
    EXPECT_EQ(lines.ToOffset({2, 0}, EPositionEncoding::eUtf16), 12u);
    EXPECT_EQ(lines.ToPosition(7, EPositionEncoding::eUtf16).character, 4);
    EXPECT_EQ(lines.FromCompiler(1, 8, EPositionEncoding::eUtf16).character, 4);
    EXPECT_EQ(lines.FromCompiler(3, 1, EPositionEncoding::eUtf16).line, 2);
    // A stray byte is one unit, so every offset maps somewhere and back.
    EXPECT_EQ(CountUnits("a\xff" "b", EPositionEncoding::eUtf16), 3);

    std::string edit = "int a;\nint b;\n";
    ReplaceRange(edit, {0, 4}, {1, 5}, "c", EPositionEncoding::eUtf16);
    EXPECT_EQ(edit, "int c;\n");
}

TEST(Uris, FilePathsRoundTripWithEscapes) {
#ifndef _WIN32
    EXPECT_EQ(UriToPath("file:///home/a%20b/x%23.oc"), "/home/a b/x#.oc");
    EXPECT_EQ(PathToUri("/home/a b/x#.oc"), "file:///home/a%20b/x%23.oc");
    EXPECT_EQ(UriToPath(PathToUri("/w/ü.oc")), "/w/ü.oc");
    EXPECT_EQ(NormalizePath("/w/./lib/../x.h"), "/w/x.h");
    EXPECT_EQ(NormalizePath("/w//lib/"), "/w/lib");
#endif
    EXPECT_EQ(UriToPath("untitled:Untitled-1"), "");
}

TEST(Configuration, LayersAndWarnings) {
    CScratch dir;
    dir.Write("lib/x.h", "");
    std::vector<std::string> warnings;
    SServerConfig c = LoadConfig(dir.Path(), {{"includeDirs", {"lib"}}, {"warnings", true}}, "/env1:/env2", warnings);
    dir.Write("orvelc.json", "{\"includeDirs\": [\"nowhere\", 5], \"warnings\": \"yes\", \"colour\": 1}");
    SServerConfig d = LoadConfig(dir.Path(), nullptr, "", warnings);
    EXPECT_EQ(c.includeDirs, (std::vector<std::string>{"lib", "/env1", "/env2"}));
    EXPECT_TRUE(c.warnings);
    EXPECT_EQ(d.includeDirs, std::vector<std::string>{"nowhere"});
    EXPECT_FALSE(d.warnings);
    std::string json = dir.File("orvelc.json");
    EXPECT_EQ(warnings, (std::vector<std::string>{
                            json + ": unknown key 'colour'",
                            json + ": include directory 'nowhere' does not exist",
                            json + ": includeDirs holds something that is not a string",
                            json + ": warnings must be true or false",
                        }));
    dir.Write("orvelc.json", "{ broken");
    warnings.clear();
    LoadConfig(dir.Path(), nullptr, "", warnings);
    EXPECT_EQ(warnings, std::vector<std::string>{json + ": not readable as JSON; the defaults are used"});
}

// The include search of the compiler with the configured directories; a
// configuration that cannot be read is a warning in the editor, never a crash.
TEST(Configuration, TheServerSearchesConfiguredDirectoriesAndWarnsAboutBadFiles) {
    CScratch dir;
    dir.Write("shared/common.h", "int counter;\n");
    dir.Write("orvelc.json", "{\"includeDirs\": [\"shared\"]}");
    CLspHarness h;
    h.Initialize({{"rootUri", PathToUri(dir.Path())}});
    std::string uri = h.Open(dir.File("a.oc"),
                             "unit \"A\"\n{\n    include \"common.h\"\n    state S { counter = 1; return S; }\n}\n");
    EXPECT_TRUE(h.WaitForDiagnostics(uri)["diagnostics"].empty());

    dir.Write("orvelc.json", "{\"includeDirs\": ");
    h.Notify("workspace/didChangeWatchedFiles",
             {{"changes", Json::array({{{"uri", PathToUri(dir.File("orvelc.json"))}, {"type", 2}}})}});
    Json shown = h.WaitFor("window/showMessage");
    ASSERT_FALSE(shown.is_null());
    EXPECT_EQ(shown["params"]["type"], 2);
    EXPECT_NE(shown["params"]["message"].get<std::string>().find("not readable as JSON"), std::string::npos);
    Json d = h.WaitForDiagnostics(uri);
    ASSERT_EQ(d["diagnostics"].size(), 1u);
    EXPECT_EQ(d["diagnostics"][0]["message"], "File not found 'common.h'");
}

}  // namespace
