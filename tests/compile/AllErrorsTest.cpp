// Going on after errors, in process: the limit of 100 errors, what a name's
// suggestions are drawn from, and that recovery never changes the first
// error nor fails to end, whatever line of a good script is cut or lost.
// The exact errors of broken scripts are pinned by the command-line corpus
// (cases/allerrors), each checked against the classic compiler on a mended
// copy.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "compile/Compile.h"

namespace fs = std::filesystem;

namespace {

class AllErrors : public ::testing::Test {
protected:
    CCompileResult Run(const std::string& text, bool allErrors = true) {
        m_Files.Set("/mem/main.oc", text);
        CCompileOptions options;
        options.m_bWarnings = false;
        options.m_bAllErrors = allErrors;
        options.m_strDirectory = "/mem";
        options.m_pFiles = &m_Files;
        return Compile("main.oc", options, GetBuiltinLibrary());
    }
    static std::string Messages(const CCompileResult& r) {
        std::string s;
        for (const CDiagnostic& d : r.m_Diagnostics) s += std::to_string(d.line) + " " + d.message + "\n";
        return s;
    }
    CMemoryFiles m_Files;
};

TEST_F(AllErrors, StopsAfterAHundredWithOneLineSayingSo) {
    std::string script = "unit \"Many\"\n{\n";
    for (int i = 0; i < 150; ++i) script += "state S" + std::to_string(i) + " { x = 1; }\n";
    script += "}\n";
    CCompileResult r = Run(script);
    ASSERT_EQ(101u, r.m_Diagnostics.size());
    EXPECT_EQ("Unknown variable, function or constants", r.m_Diagnostics[99].message);
    EXPECT_EQ(102, r.m_Diagnostics[99].line);
    EXPECT_EQ("Too many errors", r.m_Diagnostics[100].message);
    EXPECT_EQ(103, r.m_Diagnostics[100].line);
    EXPECT_TRUE(r.m_Diagnostics[100].name.empty());
    EXPECT_EQ(ECompileStatus::eErrors, r.m_nStatus);
    EXPECT_FALSE(r.m_pUnit);
}

// Suggestions come from what the lookup would find at that point: not the
// locals of another routine, never the compiler's own "$" names, script
// functions whatever their letter case.
TEST_F(AllErrors, SuggestionsAreWhatIsVisibleThere) {
    CCompileResult r = Run(
        "unit \"Scope\"\n{\n"
        "    int total;\n"
        "    function int Other(int amount) { int tally; tally = amount; return tally; }\n"
        "    function int Sum(int amount)\n"
        "    {\n"
        "        int totals;\n"
        "        return totl + amont + tallly + State + othre();\n"
        "    }\n"
        "    state Idle { return Idle; }\n"
        "}\n");
    ASSERT_EQ(1u, r.m_Diagnostics.size()) << Messages(r);
    const CDiagnostic& d = r.m_Diagnostics[0];
    EXPECT_EQ("totl", d.name);
    EXPECT_EQ(16, d.column);
    EXPECT_EQ(20, d.endColumn);
    EXPECT_EQ((std::vector<std::string>{"total"}), d.suggestions);
    for (auto [name, want] : std::initializer_list<std::pair<const char*, std::vector<std::string>>>{
             {"amont", {"amount"}}, {"tallly", {}}, {"State", {}}, {"othre", {"Other"}}, {"Idel", {"Idle"}}}) {
        std::string script = "unit \"Scope\"\n{\n    int total;\n"
                             "    function int Other(int amount) { int tally; tally = amount; return tally; }\n"
                             "    state Idle { return Idle; }\n"
                             "    function int Sum(int amount) { return " + std::string(name) + "; }\n}\n";
        CCompileResult one = Run(script);
        ASSERT_EQ(1u, one.m_Diagnostics.size()) << name;
        EXPECT_EQ(name, one.m_Diagnostics[0].name);
        EXPECT_EQ(want, one.m_Diagnostics[0].suggestions) << name;
    }
}

std::vector<std::string> LinesOf(const fs::path& p) {
    std::ifstream in(p);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Join(const std::vector<std::string>& lines, size_t skip, size_t end) {
    std::string s;
    for (size_t i = 0; i < end && i < lines.size(); ++i)
        if (i != skip) s += lines[i] + "\n";
    return s;
}

// Every line of the examples lost, and every example cut after each line:
// the first error is the classic one, and the run ends within the limit.
TEST_F(AllErrors, DamagedExamplesKeepTheClassicFirstError) {
    size_t damaged = 0;
    for (const auto& e : fs::directory_iterator(fs::path(ORVEL_TEST_DATA) / ".." / ".." / "examples")) {
        if (e.path().extension() != ".oc") continue;
        std::vector<std::string> lines = LinesOf(e.path());
        for (size_t i = 0; i < lines.size(); ++i)
            for (const std::string& text : {Join(lines, i, lines.size()), Join(lines, lines.size(), i)}) {
                CCompileResult classic = Run(text, false);
                CCompileResult all = Run(text);
                ASSERT_LE(all.m_Diagnostics.size(), 101u);
                ASSERT_EQ(classic.m_Diagnostics.empty(), all.m_Diagnostics.empty()) << text;
                if (classic.m_Diagnostics.empty()) continue;
                ++damaged;
                EXPECT_EQ(FormatText(classic.m_Diagnostics[0]), FormatText(all.m_Diagnostics[0])) << text;
            }
    }
    EXPECT_GT(damaged, 100u);
}

}  // namespace
