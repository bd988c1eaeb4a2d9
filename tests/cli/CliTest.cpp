// Runs the real orvelc on every case under tests/data/cases and compares its
// standard output and exit status.
//
// A case is either
//   NAME.oc with NAME.out beside it, or
//   a directory holding "expected" (and optionally "args", "main.oc",
//   "language.lan.txt", "OrvelCEx.idx" and any scripts).
// A case without "args" runs as "-w- NAME.oc {OUT}" (or "-w- main.oc {OUT}"):
// its output must start with the banner, and the expected text holds what
// follows it. "args" holds one line of arguments; such a case's expected text
// is its whole output, banner and translation warnings included.
// The expected text starts with a line "exit N". In it {DIR} stands for the
// case's folder (the compiler's current directory), {TMP} for the scratch
// folder, {EXE} for the folder of the binary; "args" takes the same
// placeholders plus {OUT} (= {TMP}/out.obj).
// language.lan.txt holds "key<TAB>value" lines and becomes language.lan;
// language.lan.bin is copied as it is (for damaged files).
// A case with exit 0 must leave an object file, any other none.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace fs = std::filesystem;

// A failing case is named, not dumped byte by byte (found by argument lookup).
static void PrintTo(const CliCase& c, std::ostream* os) { *os << c.name; }

namespace {

class Cli : public ::testing::TestWithParam<CliCase> {};

TEST_P(Cli, OutputAndStatus) {
    const CliCase& c = GetParam();
    ScratchDir tmp;
    fs::path bin = tmp.path / "bin";
    fs::create_directories(bin);
    fs::copy_file(ORVELC_BINARY, bin / "orvelc");
    fs::permissions(bin / "orvelc", fs::perms::owner_all);
    if (fs::exists(c.dir / "language.lan.txt"))
        WriteLanguageFile(c.dir / "language.lan.txt", bin / "language.lan");
    if (fs::exists(c.dir / "language.lan.bin")) fs::copy_file(c.dir / "language.lan.bin", bin / "language.lan");
    if (fs::exists(c.dir / "OrvelCEx.idx")) fs::copy_file(c.dir / "OrvelCEx.idx", bin / "OrvelCEx.idx");

    Placeholders ph{c.dir.string(), tmp.path.string(), bin.string()};
    std::vector<std::string> args =
        c.IsDefault() ? DefaultArgs(c, (tmp.path / "out.obj").string()) : SplitArgs(ph.Apply(ReadFile(c.args)));
    RunResult r = RunProgram((bin / "orvelc").string(), args, c.dir.string());

    std::string expected = ph.Apply(ReadFile(c.expected));
    int wantStatus = -1;
    std::string wantOut;
    ASSERT_TRUE(ParseExpected(expected, wantStatus, wantOut)) << "first line must be 'exit N'";
    std::string out = r.out;
    if (c.IsDefault()) {
        ASSERT_TRUE(TakeBanner(out)) << "no banner first in\n" << r.out;
    }
    EXPECT_EQ(wantOut, out);
    EXPECT_EQ(wantStatus, r.status);
    bool wroteObject = fs::exists(tmp.path / "out.obj");
    bool writesOut = c.IsDefault() || ReadFile(c.args).find("{OUT}") != std::string::npos;
    if (writesOut) {
        EXPECT_EQ(wantStatus == 0, wroteObject);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Cli, ::testing::ValuesIn(FindCases(fs::path(ORVEL_TEST_DATA) / "cases")),
                         [](const ::testing::TestParamInfo<CliCase>& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

}  // namespace
