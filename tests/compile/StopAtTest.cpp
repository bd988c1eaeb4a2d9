// A parse cut at a stop place, as completion asks for one: it stops before
// the first token at or past the place (whatever follows it), in an included
// file too, after errors it recovered from, and at the end of a stop file
// that ends before the place; the observer hears of it once and no unit is
// made.
#include <gtest/gtest.h>

#include "compile/Compile.h"
#include "parser/Compiler.h"

namespace {

// Where the parse stood: the token it stopped before, its file and the kind
// of the cursor node.
struct SStop {
    std::string token;
    int32_t kind = -1;
    std::string file;
    int line = 0;
    int32_t node = -1;
    int calls = 0;
};

class CStopRecorder : public CSymbolObserver {
public:
    void Declared(const SSymbolSite&, const SSymbolDeclaration&) override {}
    void Recorded(const CVariable&) override {}
    void Valued(int32_t) override {}
    void Used(const SSymbolSite&, const SSymbolUse&) override {}
    void Stopped(const CCompiler& c) override {
        m_Stop.token = c.m_Scanner.GetToken().m_szText;
        m_Stop.kind = c.m_Scanner.GetToken().m_nKind;
        m_Stop.file = c.m_Scanner.GetFileName();
        m_Stop.line = c.m_Scanner.GetToken().m_nLine;
        m_Stop.node = c.m_pNode ? c.m_pNode->GetKind() : -1;
        ++m_Stop.calls;
    }
    SStop m_Stop;
};

class StopAtTest : public ::testing::Test {
protected:
    SStop Run(const std::string& text, CStopAt at) {
        m_Files.Set("/mem/main.oc", text);
        CCompileOptions options;
        options.m_strDirectory = "/mem";
        options.m_pFiles = &m_Files;
        options.m_bAllErrors = true;
        options.m_bWarnings = false;
        options.m_pObserver = &m_Recorder;
        options.m_StopAt = at;
        m_Result = Compile("main.oc", options, GetBuiltinLibrary());
        return m_Recorder.m_Stop;
    }

    CMemoryFiles m_Files;
    CStopRecorder m_Recorder;
    CCompileResult m_Result;
};

const char* const kHead = "unit \"U\"\n{\n    int a;\n    event OnHit()\n    {\n";

TEST_F(StopAtTest, StopsBeforeTheTokenAtThePlaceWhateverFollows) {
    // Line 6 is "        a = 1;": the place is the column of "a".
    SStop s = Run(std::string(kHead) + "        a = 1;\n        return 0;\n    }\n}\n", {"/mem/main.oc", 6, 9});
    EXPECT_EQ(s.calls, 1);
    EXPECT_EQ(s.token, "a");
    EXPECT_EQ(s.line, 6);
    EXPECT_EQ(s.node, CToken::eBlockInstruction);
    EXPECT_TRUE(m_Result.m_bStopped);
    EXPECT_FALSE(m_Result.m_pUnit);
    EXPECT_TRUE(m_Result.m_Diagnostics.empty());
    // A place inside a token stops at the next one.
    EXPECT_EQ(Run(std::string(kHead) + "        a = 1;\n", {"/mem/main.oc", 6, 10}).token, "=");
    SStop garbage = Run(std::string(kHead) + "        a = ) ( } {{ \"", {"/mem/main.oc", 6, 9});
    EXPECT_EQ(garbage.token, "a");
    EXPECT_EQ(garbage.node, s.node);
}

TEST_F(StopAtTest, ErrorsBeforeThePlaceAreRecoveredFrom) {
    SStop s = Run("unit \"U\"\n{\n    int = ;\n    event OnHit()\n    {\n        x = (;\n        a = 1;\n",
                  {"/mem/main.oc", 7, 9});
    EXPECT_EQ(s.token, "a");
    EXPECT_EQ(m_Result.m_Diagnostics.size(), 2u);
    // Past the last token: the end of the file.
    EXPECT_EQ(Run("unit \"U\"\n{\n", {"/mem/main.oc", 40, 1}).kind, CToken::eEndOfFile);
    EXPECT_TRUE(m_Result.m_bStopped);
}

TEST_F(StopAtTest, StopsInsideAnIncludedFileOrAtItsEnd) {
    m_Files.Set("/mem/lib.h", "    int b;\n    int c;\n");
    std::string text = "unit \"U\"\n{\n    include \"lib.h\"\n    int d;\n}\n";
    SStop inside = Run(text, {"/mem/./lib.h", 2, 9});
    EXPECT_EQ(inside.token, "c");
    EXPECT_EQ(inside.file, "/mem/lib.h");
    // The place is past the end of lib.h: the parse stops as lib.h ends.
    SStop after = Run(text, {"/mem/lib.h", 9, 1});
    EXPECT_EQ(after.token, "int");
    EXPECT_EQ(after.file, "/mem/main.oc");
    EXPECT_EQ(after.line, 4);
    // A file the compilation never opens: no stop, and the unit is made.
    m_Recorder.m_Stop = SStop();
    Run(text, {"/mem/other.h", 1, 1});
    EXPECT_EQ(m_Recorder.m_Stop.calls, 0);
    EXPECT_FALSE(m_Result.m_bStopped);
    EXPECT_EQ(m_Result.m_nStatus, ECompileStatus::eAccepted);
}

}  // namespace
