// Diagnostics: what is published, where, with which range and fields, for
// the open document and the files it includes; open buffers shadow the
// disk; a compilation overtaken by a change is never published.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "LspHarness.h"
#include "lsp/Publish.h"
#include "lsp/Uri.h"
#include "support/Stream.h"

namespace {

const std::string kMain =
    "unit \"A\"\n"
    "{\n"
    "    include \"lib.h\"\n"
    "    event OnHit()\n"
    "    {\n"
    "        Trace(missing);\n"
    "        return 0;\n"
    "    }\n"
    "}\n";

Json Range(int l1, int c1, int l2, int c2) {
    return {{"start", {{"line", l1}, {"character", c1}}}, {"end", {{"line", l2}, {"character", c2}}}};
}

class DiagnosticsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("lib.h", "int counter;\n");
        h.Initialize({{"rootUri", PathToUri(dir.Path())}});
    }
    CScratch dir;
    CLspHarness h;
};

TEST_F(DiagnosticsTest, PublishedAfterOpenChangeAndSaveWithTheTokenRange) {
    std::string uri = h.Open(dir.File("a.oc"), kMain);
    Json d = h.WaitForDiagnostics(uri);
    ASSERT_FALSE(d.is_null());
    EXPECT_EQ(d["version"], 1);
    ASSERT_EQ(d["diagnostics"].size(), 1u);
    Json e = d["diagnostics"][0];
    EXPECT_EQ(e["range"], Range(5, 14, 5, 21));
    EXPECT_EQ(e["severity"], 1);
    EXPECT_EQ(e["code"], "C0000");
    EXPECT_EQ(e["source"], "orvelc");
    EXPECT_EQ(e["message"], "Unknown variable, function or constants");
    // The include's file is published too, clean.
    EXPECT_TRUE(h.WaitForDiagnostics(PathToUri(dir.File("lib.h")))["diagnostics"].empty());

    std::string fixed = kMain;
    fixed.replace(fixed.find("missing"), 7, "counter");
    h.Change(uri, fixed, 2);
    d = h.WaitForDiagnostics(uri);
    EXPECT_EQ(d["version"], 2);
    EXPECT_TRUE(d["diagnostics"].empty());

    h.Notify("textDocument/didSave", {{"textDocument", {{"uri", uri}}}});
    EXPECT_FALSE(h.WaitForDiagnostics(uri).is_null());
}

TEST_F(DiagnosticsTest, IncrementalChangesApplyInUtf16Units) {
    std::string uri = h.Open(dir.File("a.oc"), kMain);
    h.WaitForDiagnostics(uri);
    // "é" before the error is one UTF-16 unit and two bytes.
    h.Notify("textDocument/didChange",
             {{"textDocument", {{"uri", uri}, {"version", 2}}},
              {"contentChanges", Json::array({{{"range", Range(5, 8, 5, 8)}, {"text", "/*é*/"}},
                                              {{"range", Range(5, 19, 5, 26)}, {"text", "counter"}}})}});
    Json d = h.WaitForDiagnostics(uri);
    EXPECT_TRUE(d["diagnostics"].empty()) << d.dump();
    h.Notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", 3}}},
                                        {"contentChanges", Json::array({{{"range", Range(5, 19, 5, 26)},
                                                                         {"text", "nothing"}}})}});
    d = h.WaitForDiagnostics(uri);
    ASSERT_EQ(d["diagnostics"].size(), 1u);
    EXPECT_EQ(d["diagnostics"][0]["range"], Range(5, 19, 5, 26));
}

TEST_F(DiagnosticsTest, AnErrorInAnIncludeIsShownThereAndAtTheInclude) {
    dir.Write("lib.h", "int ;\n");
    std::string uri = h.Open(dir.File("a.oc"), kMain);
    Json lib = h.WaitForDiagnostics(PathToUri(dir.File("lib.h")));
    ASSERT_EQ(lib["diagnostics"].size(), 1u);
    EXPECT_EQ(lib["diagnostics"][0]["message"], "Expected variable name");
    EXPECT_EQ(lib["diagnostics"][0]["range"], Range(0, 4, 0, 5));
    Json related = lib["diagnostics"][0]["relatedInformation"][0];
    EXPECT_EQ(related["message"], "included from here");
    EXPECT_EQ(related["location"]["uri"], uri);
    EXPECT_EQ(related["location"]["range"], Range(2, 4, 2, 19));

    // Every broken member is shown: the include's, then the script's own.
    Json main = h.WaitForDiagnostics(uri);
    ASSERT_EQ(main["diagnostics"].size(), 2u);
    EXPECT_EQ(main["diagnostics"][0]["message"], "in included file 'lib.h': Expected variable name");
    EXPECT_EQ(main["diagnostics"][0]["range"], Range(2, 4, 2, 19));
    EXPECT_EQ(main["diagnostics"][1]["message"], "Unknown variable, function or constants");
}

TEST_F(DiagnosticsTest, AMissingIncludeIsReportedAtItsName) {
    std::string text = kMain;
    text.replace(text.find("lib.h"), 5, "nope.h");
    std::string uri = h.Open(dir.File("a.oc"), text);
    Json d = h.WaitForDiagnostics(uri);
    ASSERT_EQ(d["diagnostics"].size(), 1u);
    EXPECT_EQ(d["diagnostics"][0]["message"], "File not found 'nope.h'");
    EXPECT_EQ(d["diagnostics"][0]["code"], "C0101");
    EXPECT_EQ(d["diagnostics"][0]["range"], Range(2, 12, 2, 20));
}

// The open buffer of the include is compiled, not the file on disk, and the
// include is not compiled on its own as if it were a script.
TEST_F(DiagnosticsTest, OpenIncludesShadowTheDiskAndAreNotCompiledAlone) {
    dir.Write("lib.h", "int ;\n");
    std::string uri = h.Open(dir.File("a.oc"), kMain);
    EXPECT_EQ(h.WaitForDiagnostics(uri)["diagnostics"].size(), 2u);
    EXPECT_EQ(h.WaitForDiagnostics(PathToUri(dir.File("lib.h")))["diagnostics"].size(), 1u);
    std::string lib = h.Open(dir.File("lib.h"), "int counter;\nint other;\n");
    Json d = h.WaitForDiagnostics(uri);
    ASSERT_EQ(d["diagnostics"].size(), 1u);
    EXPECT_EQ(d["diagnostics"][0]["message"], "Unknown variable, function or constants");
    Json libDiagnostics = h.WaitForDiagnostics(lib);
    EXPECT_TRUE(libDiagnostics["diagnostics"].empty()) << libDiagnostics.dump();
    EXPECT_EQ(libDiagnostics["version"], 1);
    // A change to the include compiles the document that includes it.
    h.Change(lib, "int missing;\n", 2);
    EXPECT_TRUE(h.WaitForDiagnostics(uri)["diagnostics"].empty());
    // Closed, the script's diagnostics are withdrawn.
    h.Notify("textDocument/didClose", {{"textDocument", {{"uri", uri}}}});
    EXPECT_TRUE(h.WaitForDiagnostics(uri)["diagnostics"].empty());
}

// Files through the platform, but the first open of gate.h waits until the
// test lets it go, so a compilation can be caught in the middle.
class CGatedFiles : public CFileProvider {
public:
    bool Open(const std::string& path, uint32_t mode, CFileStream& stream) const override {
        if (path.size() >= 6 && path.compare(path.size() - 6, 6, "gate.h") == 0) {
            std::unique_lock<std::mutex> lock(m_Mutex);
            if (!m_bPassed) {
                m_bEntered = true;
                m_Changed.notify_all();
                m_Changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_bReleased; });
                m_bPassed = true;
            }
        }
        return PlatformFiles().Open(path, mode, stream);
    }
    bool Exists(const std::string& path) const override { return PlatformFiles().Exists(path); }

    bool WaitEntered() {
        std::unique_lock<std::mutex> lock(m_Mutex);
        return m_Changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_bEntered; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bReleased = true;
        m_Changed.notify_all();
    }

private:
    mutable std::mutex m_Mutex;
    mutable std::condition_variable m_Changed;
    mutable bool m_bEntered = false, m_bPassed = false;
    bool m_bReleased = false;
};

TEST(StaleCompilations, AChangeDuringACompilationDropsItsResult) {
    CScratch dir;
    dir.Write("gate.h", "int counter;\n");
    CGatedFiles files;
    SServerOptions options;
    options.files = &files;
    CLspHarness h(options);
    h.Initialize({{"rootUri", PathToUri(dir.Path())}});
    std::string text = kMain;
    text.replace(text.find("lib.h"), 5, "gate.h");
    std::string uri = h.Open(dir.File("a.oc"), text);  // version 1: an unknown name
    ASSERT_TRUE(files.WaitEntered());
    std::string fixed = text;
    fixed.replace(fixed.find("missing"), 7, "counter");
    h.Change(uri, fixed, 2);
    files.Release();
    Json d = h.WaitForDiagnostics(uri);
    EXPECT_EQ(d["version"], 2);
    EXPECT_TRUE(d["diagnostics"].empty());
    for (const Json& m : h.TakeAll())
        EXPECT_NE(m["params"].value("version", 0), 1) << "a stale compilation was published: " << m.dump();
}

// Every field of a compiler diagnostic has its place in the protocol's.
TEST(DiagnosticMapping, ColumnsNotesSuggestionsAndNamesAreKept) {
    SAnalysis a;
    a.unit = "/w/a.oc";
    a.files = {"/w/a.oc"};
    a.texts["/w/a.oc"] = "unit \"A\"\n{\n    int countr;\n    xx = countr + 1;\n}\n";
    CDiagnostic d;
    d.file = "/w/a.oc";
    d.line = 4;
    d.column = 10;
    d.endColumn = 16;
    d.code = "C0000";
    d.name = "unknown-name";
    d.message = "Unknown variable, function or constants";
    d.suggestions = {"counter"};
    d.notes = {{"declared here", "/w/a.oc", 3, 9}, {"no place", "", 0, 0}};
    CDiagnostic w = d;
    w.severity = "warning";
    w.column = 0;
    w.endColumn = 0;
    w.notes.clear();
    w.searched = {"/w/lib/x.h"};
    a.diagnostics = {d, w};
    auto textOf = [&](const std::string& p) -> const std::string* {
        auto it = a.texts.find(p);
        return it == a.texts.end() ? nullptr : &it->second;
    };
    auto uriOf = [](const std::string& p) { return "file://" + p; };
    std::map<std::string, Json> out = ToLspDiagnostics(a, textOf, uriOf, EPositionEncoding::eUtf16);
    ASSERT_EQ(out["/w/a.oc"].size(), 2u);
    Json e = out["/w/a.oc"][0];
    EXPECT_EQ(e["range"], Range(3, 9, 3, 15));
    EXPECT_EQ(e["data"]["name"], "unknown-name");
    EXPECT_EQ(e["data"]["suggestions"], Json::array({"counter"}));
    EXPECT_EQ(e["relatedInformation"][0]["message"], "declared here");
    EXPECT_EQ(e["relatedInformation"][0]["location"]["range"], Range(2, 8, 2, 14));
    EXPECT_EQ(e["relatedInformation"][1]["location"]["range"], e["range"]);
    Json warning = out["/w/a.oc"][1];
    EXPECT_EQ(warning["severity"], 2);
    EXPECT_EQ(warning["range"], Range(3, 4, 3, 20));  // no column: the line without its indent
    EXPECT_EQ(warning["message"], "Unknown variable, function or constants\nsearched '/w/lib/x.h'");
}

}  // namespace
