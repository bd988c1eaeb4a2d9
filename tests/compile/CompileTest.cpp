// The entry point on scripts held in memory: where a script's constants
// stand among the built-in ones, what one compilation leaves for the next
// (nothing), includes read through the file provider, the files read, and
// where the tree listing stands among the diagnostics.
#include <gtest/gtest.h>

#include "compile/Compile.h"

namespace {

class CompileTest : public ::testing::Test {
protected:
    // Compiles /mem/NAME from memory; lib.h may be set by the test.
    CCompileResult Run(const std::string& text, const std::string& name = "main.oc") {
        m_Files.Set("/mem/" + name, text);
        m_Options.m_strDirectory = "/mem";
        m_Options.m_pFiles = &m_Files;
        return Compile(name, m_Options, GetBuiltinLibrary());
    }
    // The error message of a failed compilation.
    std::string Error(const std::string& text) {
        CCompileResult r = Run(text);
        EXPECT_EQ(r.m_nStatus, ECompileStatus::eErrors);
        return r.m_Diagnostics.empty() ? "" : FormatText(r.m_Diagnostics.back());
    }
    // The tree listing of state S of an accepted builder script whose body is
    // `x = NAME;`, cut down to the value assigned.
    std::string ValueOf(const std::string& consts, const std::string& name) {
        m_Options.m_bTree = true;
        CCompileResult r = Run("builder \"B\" { consts { " + consts + " } int x; state S { x = " + name + "; } }");
        EXPECT_EQ(r.m_nStatus, ECompileStatus::eAccepted) << (r.m_Diagnostics.empty() ? "" : r.m_Diagnostics[0].message);
        size_t at = r.m_strTree.find("Number ");
        return at == std::string::npos ? "" : r.m_strTree.substr(at + 7, r.m_strTree.find('\n', at) - at - 7);
    }

    CMemoryFiles m_Files;
    CCompileOptions m_Options;
};

// builder's own list has buildWall; findTargetWaterUnit (1) comes from a
// parent. A script constant may hide the parent's, never the base class's
// own, and lasts only for its compilation.
TEST_F(CompileTest, ScriptConstantsStandBetweenTheBaseClassAndItsParents) {
    m_Options.m_bWarnings = false;
    EXPECT_EQ(ValueOf("findTargetWaterUnit = 9;", "findTargetWaterUnit"), "9");
    EXPECT_EQ(ValueOf("Q = 5;", "findTargetWaterUnit"), "1");
    EXPECT_EQ(ValueOf("Q = 5;", "buildWall"), "2");
    EXPECT_EQ(ValueOf("Q = 5; R = 4294967295;", "R"), "-1");
    EXPECT_EQ(Error("builder \"B\" {\nconsts {\nbuildWall = 9; } }"),
              "/mem/main.oc(3) : error C0000: constant already defined\n");
    EXPECT_EQ(Error("builder \"B\" {\nconsts { Q = 1;\nQ = 2; } }"),
              "/mem/main.oc(3) : error C0000: constant already defined\n");
    // A constant of another script's class is no concern of this one.
    EXPECT_EQ(Error("unit \"U\" { int x; state S {\nx = Q; } }"),
              "/mem/main.oc(2) : error C0000: Unknown variable, function or constants\n");
}

TEST_F(CompileTest, IncludesComeFromTheFileProviderAndAreListed) {
    m_Files.Set("/mem/lib.h", "int shared;");
    CCompileResult r = Run("unit \"U\" {\ninclude \"lib.h\"\nstate S { shared = 1; } }");
    ASSERT_EQ(r.m_nStatus, ECompileStatus::eAccepted);
    EXPECT_EQ(r.m_Files, (std::vector<std::string>{"/mem/main.oc", "/mem/lib.h"}));
    ASSERT_TRUE(r.m_pUnit);
    EXPECT_GT(r.m_pUnit->GetCodeSize(), 0u);
    EXPECT_EQ(r.m_strClassName, "U");
    EXPECT_EQ(r.m_pBaseClass, GetBuiltinLibrary().FindClass("unit"));

    r = Run("unit \"U\" {\ninclude \"missing.h\"\n}");
    ASSERT_EQ(r.m_Diagnostics.size(), 2u);  // the warning for "U", then the error
    EXPECT_EQ(FormatText(r.m_Diagnostics[1]), "/mem/missing.h(2) : error C0101: File not found 'missing.h'\n");
    ASSERT_EQ(r.m_Diagnostics[1].includes.size(), 1u);
    EXPECT_EQ(r.m_Diagnostics[1].includes[0].file, "/mem/main.oc");
    EXPECT_FALSE(r.m_pUnit);

    r = Run("", "absent.oc");
    m_Options.m_pFiles = nullptr;
    EXPECT_EQ(Compile("absent.oc", m_Options, GetBuiltinLibrary()).m_Files, std::vector<std::string>{});
}

// Warnings of the parse come before the tree; the translation table is the
// caller's and only read.
TEST_F(CompileTest, TreeStandsAfterTheWarningsOfTheParse) {
    CTranslations translations;
    translations.emplace("known", "bekannt");
    m_Options.m_pTranslations = &translations;
    m_Options.m_bTree = true;
    CCompileResult r = Run("unit \"KNOWN\" { state S { Trace(\"new\"); Trace(\"42\"); } }");
    ASSERT_EQ(r.m_nStatus, ECompileStatus::eAccepted);
    ASSERT_EQ(r.m_Diagnostics.size(), 1u);
    EXPECT_EQ(r.m_Diagnostics[0].message, "Unknown string to translate 'new'");
    EXPECT_EQ(r.m_nTreeAt, 1u);
    EXPECT_EQ(r.m_strTree.rfind("Root\n", 0), 0u);
    EXPECT_EQ(translations.size(), 1u);
}

}  // namespace
