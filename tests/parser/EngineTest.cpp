// The parser engine driven as the driver does: one token fetched per step,
// the current state run on it, until End or Error.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <sstream>
#include <fstream>
#include <string>

#include "builtins/BuiltinLibrary.h"
#include "parser/Compiler.h"

namespace {

// Writes `text` to a file of its own for the scanner.
std::string TempSource(const std::string& name, const std::string& text) {
    std::string path = ::testing::TempDir() + "engine_" + std::to_string(getpid()) + "_" + name + ".ocs";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

void RunSource(CCompiler& c, const std::string& path, int maxSteps = 1000) {
    ASSERT_TRUE(c.m_Scanner.Open(path));
    c.Begin();
    for (int step = 0; step < maxSteps && !c.IsFinished(); ++step) {
        c.m_Scanner.NextToken();
        c.RunState();
    }
    ASSERT_TRUE(c.IsFinished());
}

// A grammar whose pushes and pops did not match would otherwise read below
// the stack.
TEST(EngineTest, PopStateOnAnEmptyStackIsAnInternalError) {
    CCompiler c;
    c.PopState();
    EXPECT_EQ(c.m_nError, 61);
    EXPECT_EQ(c.m_pfnState, &Error);
}

// The class head needs the built-in classes; the library is built once per run.
void NeedLibrary() { GetBuiltinLibrary(); }

// The driver stops on the finished flag alone: an error sets it, a recovery
// clears it until the parse reaches its end, and a new parse starts without it.
TEST(EngineTest, FinishedFollowsTheParseThroughARecovery) {
    NeedLibrary();
    CCompiler c;
    c.m_bRecover = true;
    RunSource(c, TempSource("recover", "unit \"A\"\n{\n int a\n int b;\n int d;\n}\n"));
    ASSERT_EQ(c.m_pfnState, &Error);
    ASSERT_TRUE(c.Recover());
    EXPECT_FALSE(c.IsFinished());
    for (int step = 0; step < 1000 && !c.IsFinished(); ++step) {
        c.m_Scanner.NextToken();
        c.RunState();
    }
    EXPECT_TRUE(c.IsFinished());
    EXPECT_EQ(c.m_pfnState, &End) << c.m_nError;
    c.Begin();
    EXPECT_FALSE(c.IsFinished());
}

// A script whose class block grows with n: n variables, n states declared
// and then defined, n functions, each calling the previous one by a name in
// other letter case. Returns the processor time of the parse.
double ParseGrowingScript(int n, CCompiler& c) {
    std::ostringstream src;
    src << "unit \"Big\" {\n int v0";
    for (int i = 1; i < n; ++i) src << ", v" << i;
    src << ";\n";
    for (int i = 0; i < n; ++i) src << " state S" << i << ";\n";
    for (int i = 0; i < n; ++i) src << " state S" << i << " { }\n";
    for (int i = 0; i < n; ++i)
        src << " function int F" << i << "(int x) { return f" << (i ? i - 1 : 0) << "(x) + v" << i << "; }\n";
    src << "}\n";
    std::string path = TempSource("big" + std::to_string(n), src.str());
    std::clock_t start = std::clock();
    RunSource(c, path, 100 * n + 100);
    return double(std::clock() - start) / CLOCKS_PER_SEC;
}

// Four times the script may cost about four times as much, never sixteen.
TEST(EngineTest, ParsingGrowsLinearlyWithFunctionsStatesAndVariables) {
    NeedLibrary();
    CCompiler small;
    double tSmall = ParseGrowingScript(5000, small);
    CCompiler large;
    double tLarge = ParseGrowingScript(20000, large);
    ASSERT_EQ(large.m_pfnState, &End) << large.m_nError;
    EXPECT_EQ(large.m_States.GetSize(), 20000u);
    auto* cls = dynamic_cast<CClassNode*>(large.m_pRoot->GetChild(0));
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->m_Functions.GetSize(), 20000u);
    EXPECT_LT(tLarge, 10 * tSmall + 0.5) << tSmall << " s for 5000, " << tLarge << " s for 20000";
}

}  // namespace
