// The parser engine driven as the driver does: one token fetched per step,
// the current state run on it, until End or Error.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "builtins/BuiltinLibrary.h"
#include "parser/Compiler.h"
#include "semantic/Library.h"

namespace {

// Writes `text` to a file of its own for the scanner.
std::string TempSource(const std::string& name, const std::string& text) {
    std::string path = ::testing::TempDir() + "engine_" + name + ".ocs";
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

TEST(EngineTest, AnEmptySourceReachesEndWithABareRoot) {
    CCompiler c;
    EXPECT_EQ(c.m_bWarnings, 1);
    RunSource(c, TempSource("empty", "// nothing but a comment\n"));
    EXPECT_EQ(c.m_pfnState, &End);
    EXPECT_EQ(c.m_nError, 0);
    ASSERT_NE(c.m_pRoot.Get(), nullptr);
    EXPECT_EQ(c.m_pRoot->GetKind(), CToken::eRoot);
    EXPECT_EQ(c.m_pRoot->GetChildCount(), 0u);
    EXPECT_EQ(c.m_pNode.Get(), c.m_pRoot.Get());
    // The driver's CheckEndOfFile is left on the stack; it is never emptied.
    ASSERT_EQ(c.m_ReturnStates.GetSize(), 1u);
    EXPECT_EQ(c.m_ReturnStates[0], &CheckEndOfFile);
}

// The class head needs the built-in classes; the library is built once per run.
void NeedLibrary() {
    if (!g_builtinClasses.GetSize()) BuildBuiltinLibrary();
}

TEST(EngineTest, ExtraTokensAreAnErrorUnlessAStateIsUndefined) {
    NeedLibrary();
    CCompiler c;
    RunSource(c, TempSource("extra", "unit \"Guard\" {\n}\n\nfoo bar"));
    EXPECT_EQ(c.m_pfnState, &Error);
    EXPECT_EQ(c.m_nError, 24);
    EXPECT_EQ(c.m_Scanner.GetToken().m_nLine, 4);
    EXPECT_EQ(c.m_pNode.Get(), c.m_pRoot.Get());

    // The undefined-state check replaces the end-of-file outcome.
    CCompiler undefined;
    RunSource(undefined, TempSource("undefined", "unit \"Guard\" { state Walk; } foo"));
    EXPECT_EQ(undefined.m_nError, 31);

    CCompiler atEnd;
    RunSource(atEnd, TempSource("undefined2", "unit \"Guard\" {\n state Walk;\n}\n"));
    EXPECT_EQ(atEnd.m_pfnState, &Error);
    EXPECT_EQ(atEnd.m_nError, 31);
    EXPECT_EQ(atEnd.m_Scanner.GetToken().m_nKind, CToken::eEndOfFile);

    CCompiler complete;
    RunSource(complete, TempSource("complete", "unit \"Guard\" {\n state Walk;\n state Walk { }\n}\n"));
    EXPECT_EQ(complete.m_pfnState, &End);
    EXPECT_EQ(complete.m_pRoot->GetChildCount(), 1u);
}

// States for driving the engine by hand: they record what they saw.
std::string g_trace;
void Mark(CCompiler& c) { g_trace += "A"; c.PopState(); }
void Other(CCompiler& c) { g_trace += "B"; c.PopState(); }
void Recorder(CCompiler& c) {
    g_trace += std::string("[") + c.m_Scanner.GetToken().m_szText + "]";
    c.m_pfnState = End;
}
void GiveBackAndReturn(CCompiler& c) {
    g_trace += std::string("<") + c.m_Scanner.GetToken().m_szText + ">";
    c.m_Scanner.UngetToken();
    c.PopState();
}

TEST(EngineTest, ReturnStatesResumeInReverseOrderAndAnEmptyStackIsInternal) {
    g_trace.clear();
    CCompiler c;
    c.PushState(Mark);
    c.PushState(Other);
    c.PopState();
    c.RunState();  // Other pops to Mark
    c.RunState();  // Mark pops an empty stack
    EXPECT_EQ(g_trace, "BA");
    EXPECT_EQ(c.m_nError, 61);
    EXPECT_TRUE(c.IsFinished());
    EXPECT_EQ(c.m_pfnState, &Error);

    CCompiler d;
    d.SetError(17);
    EXPECT_EQ(d.m_nError, 17);
    EXPECT_TRUE(d.IsFinished());
    d.m_pfnState = End;
    EXPECT_TRUE(d.IsFinished());
    d.m_pfnState = Mark;
    EXPECT_FALSE(d.IsFinished());
}

TEST(EngineTest, AGivenBackTokenReachesTheContainingState) {
    g_trace.clear();
    CCompiler c;
    ASSERT_TRUE(c.m_Scanner.Open(TempSource("giveback", "alpha beta")));
    c.PushState(Recorder);
    c.m_pfnState = GiveBackAndReturn;
    while (!c.IsFinished()) {
        c.m_Scanner.NextToken();
        c.RunState();
    }
    EXPECT_EQ(g_trace, "<alpha>[alpha]");
}

}  // namespace
