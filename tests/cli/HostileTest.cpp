// Hostile input against the real binary, for inputs too large to keep as
// files or needing a set-up the case folders cannot express: a million
// open parentheses, braces or nested ifs, a sum of a million terms, a 10 MB
// identifier, include chains past the limit, output paths that cannot be
// written (the earlier object file must survive byte for byte), and
// start-up files that lie about their size. Every run must end with its message and status, leave no object
// file or temporary behind, and stay within a modest peak memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kGuid = "12345678-9abc-def0-0102-030405060708";
// Far above a normal run (a few MB; a few tens under the address sanitizer)
// and far below what a length or count taken on trust would cost.
constexpr long kMaxPeakKb = 400 * 1024;

std::string Repeat(const std::string& s, size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (size_t i = 0; i < n; ++i) out += s;
    return out;
}

std::string StateWith(const std::string& body) {
    return "unit \"Guard\"\n{\n    int a;\n    state Idle\n    {\n" + body + "\n    }\n}\n";
}

std::string Dword(uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
    return s;
}

// Each test gets a scratch folder (the current directory of the run) with
// its own copy of the binary, so that start-up files can be put beside it.
class Hostile : public ::testing::Test {
protected:
    void SetUp() override {
        m_Bin = m_Tmp.path / "bin";
        fs::create_directories(m_Bin);
        fs::copy_file(ORVELC_BINARY, m_Bin / "orvelc");
        fs::permissions(m_Bin / "orvelc", fs::perms::owner_all);
        m_Work = m_Tmp.path / "work";
        fs::create_directories(m_Work);
    }

    RunResult Compile(const std::string& source, const std::string& output = "out.obj", long fileLimit = 0) {
        return Run({"-w-", "-g", kGuid, source, output}, fileLimit);
    }

    RunResult Run(const std::vector<std::string>& args, long fileLimit = 0) {
        return RunProgram((m_Bin / "orvelc").string(), args, m_Work.string(), fileLimit);
    }

    // The run failed with exactly `diagnostics` after the banner, left no
    // object file and no temporary beside it.
    void ExpectRefused(const RunResult& r, const std::string& diagnostics) {
        EXPECT_EQ(kBanner + diagnostics, r.out);
        EXPECT_EQ(1, r.status);
        EXPECT_LT(r.peakKb, kMaxPeakKb);
        EXPECT_FALSE(fs::exists(m_Work / "out.obj"));
        for (auto& e : fs::directory_iterator(m_Work))
            EXPECT_EQ(std::string::npos, e.path().filename().string().find(".tmp")) << e.path();
    }

    std::string Work(const std::string& name) const { return (m_Work / name).string(); }

    ScratchDir m_Tmp;
    fs::path m_Bin, m_Work;
};

TEST_F(Hostile, MillionLevelsOfNestingAreRefusedAtTheBound) {
    struct Case {
        const char* name;
        std::string text;
        std::string diagnostic;
    } cases[] = {
        {"parens", StateWith("        a = " + Repeat("(", 1000000) + "1;"),
         "(6) : error C0000: Nesting too deep\n"},
        {"braces", StateWith(Repeat("{", 1000000)), "(6) : error C0000: Nesting too deep\n"},
        {"ifs", StateWith(Repeat("if (a) ", 1000000) + "a = 1;"),
         "(6) : error C0000: Nesting too deep\n"},
        {"nots", StateWith("        a = " + Repeat("!", 1000000) + "a;"),
         "(6) : error C0000: Nesting too deep\n"},
        {"minus", StateWith("        a = " + Repeat("- ", 1000000) + "a;"),
         "(6) : error C0000: Nesting too deep\n"},
        // Never closed: each would cost time quadratic in its length
        // if the depth were checked only when the expression ends.
        {"brackets", StateWith("        a = " + Repeat("a[", 1000000) + "0;"),
         "(6) : error C0000: Nesting too deep\n"},
        {"calls", StateWith("        a = " + Repeat("Rand(", 1000000) + "0;"),
         "(6) : error C0000: Nesting too deep\n"},
        {"sums", StateWith("        a = " + Repeat("a + (", 1000000) + "0;"),
         "(6) : error C0000: Nesting too deep\n"},
        {"bare_parens", Repeat("(", 1000000), "(1) : error C0000: Expected end of file\n"},
        {"bare_braces", Repeat("{", 1000000), "(1) : error C0000: Expected end of file\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string name = std::string(c.name) + ".oc";
        WriteFile(m_Work / name, c.text);
        ExpectRefused(Compile(name), Work(name) + c.diagnostic);
    }
}

// At the bounds the real binary compiles, on its own main thread: the code
// generator must manage the deepest tree the parser lets through, and the
// longest chains cost no nesting at all.
TEST_F(Hostile, DeepestAcceptedNestingAndLongChainsCompile) {
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"ifs", StateWith(Repeat("if (a) ", 20000) + "a = 1;\n        return Idle;")},
        {"blocks", StateWith(Repeat("{", 20000) + "a = 1;" + Repeat("}", 20000) + "\n        return Idle;")},
        {"parens", StateWith("        a = " + Repeat("(", 9999) + "a + 1" + Repeat(")", 9999) +
                             ";\n        return Idle;")},
        {"differences", StateWith("        a = " + Repeat("a - (", 9999) + "1" + Repeat(")", 9999) +
                                  ";\n        return Idle;")},
        {"sum", StateWith("        a = a" + Repeat(" + a", 1000000) + ";\n        return Idle;")},
        {"else_ifs", StateWith("        " + Repeat("if (a == 1) a = 2; else ", 100000) + "a = 3;\n        return Idle;")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(m_Work / "deep.oc", c.text);
        RunResult r = Compile("deep.oc");
        EXPECT_EQ(std::string(kBanner) + "    0 error(s), 0 warning(s)\n", r.out);
        EXPECT_EQ(0, r.status);
        EXPECT_TRUE(fs::exists(m_Work / "out.obj"));
        fs::remove(m_Work / "out.obj");
    }
}

TEST_F(Hostile, TenMegabyteTokensBecomeOrdinaryErrors) {
    const std::string big = Repeat("abcdefghij", 1024 * 1024);
    struct Case {
        const char* name;
        std::string text;
        std::string diagnostic;
    } cases[] = {
        {"identifier", "unit \"Guard\"\n{\n    int " + big + ";\n}\n",
         "(3) : error C0000: Expected variable name\n"},
        {"string", "unit \"Guard\"\n{\n    state Idle\n    {\n        return Idle, \"" + big + "\";\n    }\n}\n",
         "(5) : error C0000: Expected delay value\n"},
        {"number", StateWith("        a = " + std::string(10 * 1024 * 1024, '7') + ";"),
         "(6) : error C0000: Dual opearator requires exactly 2 parameters\n"},
        {"open_string", "unit \"Guard\"\n{\n    state Idle\n    {\n        return Idle, \"" + big,
         "(5) : error C0000: Expected delay value\n"},
        {"open_comment", "unit \"Guard\"\n{\n    /*" + big, "(2) : error C0000: Expected '}'\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string name = std::string(c.name) + ".oc";
        WriteFile(m_Work / name, c.text);
        ExpectRefused(Compile(name), Work(name) + c.diagnostic);
    }
}

// f0.h includes f1.h and so on; the main file counts as the first level.
TEST_F(Hostile, IncludeChainPastTheLimit) {
    constexpr int kFiles = 300;
    WriteFile(m_Work / "main.oc", "include \"f0.h\"\nunit \"Guard\"\n{\n}\n");
    for (int i = 0; i < kFiles; ++i)
        WriteFile(m_Work / ("f" + std::to_string(i) + ".h"),
                  "// level " + std::to_string(i) + "\ninclude \"f" + std::to_string(i + 1) + ".h\"\n");
    ExpectRefused(Compile("main.oc"),
                  Work("f254.h") + "(2) : error C0101: Include nesting too deep 'f255.h'\n");

    // 255 includes under the main file are allowed.
    WriteFile(m_Work / "f254.h", "// the last level\n");
    RunResult r = Compile("main.oc");
    EXPECT_EQ(std::string(kBanner) + "    0 error(s), 0 warning(s)\n", r.out);
    EXPECT_EQ(0, r.status);
}

class HostileOutput : public Hostile {
protected:
    void SetUp() override {
        Hostile::SetUp();
        WriteFile(m_Work / "guard.oc", "unit \"Guard\"\n{\n    state Idle\n    {\n        return Idle, 50;\n    }\n}\n");
    }
    void ExpectCannotWrite(const RunResult& r, const std::string& output) {
        EXPECT_EQ(kBanner + output + "(0) : error C0101: Cannot write '" + output + "'\n", r.out);
        EXPECT_EQ(1, r.status);
    }
    std::vector<std::string> Listing(const fs::path& dir) {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(HostileOutput, DirectoryThatCannotBeCreated) {
    WriteFile(m_Work / "plain", "a file, not a folder");
    ExpectCannotWrite(Compile("guard.oc", "plain/sub/out.obj"), "plain/sub/out.obj");
    EXPECT_EQ("a file, not a folder", ReadFile(m_Work / "plain"));
    EXPECT_EQ((std::vector<std::string>{"guard.oc", "plain"}), Listing(m_Work));
}

TEST_F(HostileOutput, OutputIsADirectory) {
    fs::create_directories(m_Work / "taken.obj" / "inside");
    ExpectCannotWrite(Compile("guard.oc", "taken.obj"), "taken.obj");
    EXPECT_TRUE(fs::is_directory(m_Work / "taken.obj" / "inside"));
    EXPECT_EQ((std::vector<std::string>{"guard.oc", "taken.obj"}), Listing(m_Work));
}

// A write that fails half way (the file size limit stands in for a full
// disk) leaves the earlier object file exactly as it was.
TEST_F(HostileOutput, FailedWriteKeepsTheEarlierFile) {
    const std::string earlier = "EARLIER OBJECT FILE";
    WriteFile(m_Work / "out.obj", earlier);
    ExpectCannotWrite(Compile("guard.oc", "out.obj", 64), "out.obj");
    EXPECT_EQ(earlier, ReadFile(m_Work / "out.obj"));
    EXPECT_EQ((std::vector<std::string>{"guard.oc", "out.obj"}), Listing(m_Work));

    // A script with an error does not touch it either, and a good run replaces it.
    WriteFile(m_Work / "bad.oc", "unit \"Guard\"\n{\n    int;\n}\n");
    RunResult bad = Compile("bad.oc", "out.obj");
    EXPECT_EQ(1, bad.status);
    EXPECT_EQ(earlier, ReadFile(m_Work / "out.obj"));
    RunResult good = Compile("guard.oc", "out.obj");
    EXPECT_EQ(0, good.status);
    EXPECT_NE(earlier, ReadFile(m_Work / "out.obj"));
    EXPECT_EQ((std::vector<std::string>{"bad.oc", "guard.oc", "out.obj"}), Listing(m_Work));
}

// Start-up files are optional and not trusted: a file that lies loads what
// it really holds, quickly and in little memory, and the compile goes on.
TEST_F(HostileOutput, LyingStartupFilesCostNothing) {
    const std::string pairs = Dword(5) + "Guard" + Dword(5) + "Wache";
    struct Case {
        const char* name;
        std::string lan;
        bool translated;
    } cases[] = {
        {"billion_pairs", "LAN" + std::string(1, '\0') + Dword(1) + Dword(1000000000) + pairs, true},
        {"huge_key", "LAN" + std::string(1, '\0') + Dword(1) + Dword(2) + pairs + Dword(0xFFFFFFFF) + "x", true},
        {"huge_first_key", "LAN" + std::string(1, '\0') + Dword(1) + Dword(1) + Dword(0x7FFFFFFF) + "Guard", false},
        {"binary", std::string(4096, '\xA5'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(m_Bin / "language.lan", c.lan);
        RunResult r = Run({"-g", kGuid, "guard.oc", "out.obj"});
        std::string warning =
            c.translated ? "" : Work("guard.oc") + "(1) : warning C0101: Unknown string to translate 'Guard'\n";
        EXPECT_EQ(kBanner + warning + "    0 error(s), 0 warning(s)\n", r.out);
        EXPECT_EQ(0, r.status);
        EXPECT_LT(r.peakKb, kMaxPeakKb);
        fs::remove(m_Work / "out.obj");
    }
}

TEST_F(HostileOutput, BinaryIndexFileIsBounded) {
    std::string data;
    uint32_t x = 12345;
    for (int i = 0; i < 4 * 1024 * 1024; ++i) {
        x = x * 1103515245 + 12345;
        data += char(x >> 16);
    }
    // A name line longer than the reader's buffer, and no duplicate lines.
    WriteFile(m_Bin / "OrvelCEx.idx", std::string(100000, 'n') + "\n");
    RunResult r = Run({"-w-", "-g", kGuid, "guard.oc", "out.obj"});
    EXPECT_EQ(0, r.status) << r.out;
    EXPECT_LT(r.peakKb, kMaxPeakKb);
    fs::remove(m_Work / "out.obj");

    WriteFile(m_Bin / "OrvelCEx.idx", data);
    r = Run({"-w-", "-g", kGuid, "missing.oc", "out.obj"});
    EXPECT_EQ(1, r.status);
    EXPECT_LT(r.peakKb, kMaxPeakKb);
    EXPECT_NE(std::string::npos, r.out.find("error C0101: File not found 'missing.oc'\n")) << r.out;
    EXPECT_FALSE(fs::exists(m_Work / "out.obj"));
}

}  // namespace
