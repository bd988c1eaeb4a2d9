// Compilations as values: every script of the command-line corpus compiled
// in one process through the entry point, in forward order, in reverse order
// and on two threads at once, gives each time exactly the object file and
// the messages that the orvelc binary gives for it alone; so does every
// routine translated on the second thread as soon as it closes; with all
// errors, the same first message. Any state that one
// compilation left behind for the next (a constant in the shared library, a
// pooled record, a cached type) would show up as a difference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "compile/Compile.h"
#include "objfile/ObjectFile.h"

namespace fs = std::filesystem;

namespace {

// 01234567-89AB-CDEF-0123-456789ABCDEF in memory layout.
constexpr char kGuidText[] = "01234567-89AB-CDEF-0123-456789ABCDEF";
constexpr uint8_t kGuid[16] = {0x67, 0x45, 0x23, 0x01, 0xAB, 0x89, 0xEF, 0xCD,
                               0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
constexpr char kSummary[] = "    0 error(s), 0 warning(s)\n";

struct SOutcome {
    std::string m_strText;    // the diagnostics, as the text form prints them
    std::string m_strObject;  // the object file's bytes; empty when none was written
};

struct SScript {
    fs::path m_Dir;
    std::string m_strName;
    SOutcome m_Expected;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

fs::path Scratch(const std::string& name) {
    return fs::temp_directory_path() / ("orvelc-corpus-" + std::to_string(getpid()) + "-" + name);
}

// What the binary prints besides the banner and the summary, and writes.
SOutcome RunBinary(const SScript& s) {
    fs::path out = Scratch("cli.obj");
    fs::remove(out);
    std::string command = "cd '" + s.m_Dir.string() + "' && '" ORVELC_BINARY "' -w- -g " +
                          std::string(kGuidText) + " '" + s.m_strName + "' '" + out.string() + "'";
    SOutcome o;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) o.m_strText.append(buffer, n);
        pclose(p);
    }
    for (int banner = 0; banner < 2; ++banner) o.m_strText.erase(0, o.m_strText.find('\n') + 1);
    if (o.m_strText.size() >= sizeof kSummary - 1 &&
        o.m_strText.compare(o.m_strText.size() - (sizeof kSummary - 1), std::string::npos, kSummary) == 0)
        o.m_strText.resize(o.m_strText.size() - (sizeof kSummary - 1));
    if (fs::exists(out)) o.m_strObject = ReadAll(out);
    return o;
}

SOutcome CompileHere(const SScript& s, const std::string& scratchName, bool allErrors = false,
                     size_t batchRoutines = 0) {
    CCompileOptions options;
    options.m_bWarnings = false;
    options.m_bAllErrors = allErrors;
    options.m_nBatchRoutines = batchRoutines;
    options.m_strDirectory = s.m_Dir.string();
    CCompileResult r = Compile(s.m_strName, options, GetBuiltinLibrary());
    SOutcome o;
    for (const CDiagnostic& d : r.m_Diagnostics) o.m_strText += FormatText(d);
    if (r.m_nStatus != ECompileStatus::eAccepted) return o;
    fs::path out = Scratch(scratchName);
    if (SaveUnit(*r.m_pUnit, out.string(), r.m_strClassName, r.m_pBaseClass->m_nClassNumber, kGuid))
        o.m_strObject = ReadAll(out);
    fs::remove(out);
    return o;
}

const std::vector<SScript>& Corpus() {
    static const std::vector<SScript> s_Corpus = [] {
        std::vector<SScript> scripts;
        for (const auto& e : fs::recursive_directory_iterator(fs::path(ORVEL_TEST_DATA) / "cases"))
            if (e.is_regular_file() && e.path().extension() == ".oc")
                scripts.push_back({e.path().parent_path(), e.path().filename().string(), {}});
        std::sort(scripts.begin(), scripts.end(), [](const SScript& a, const SScript& b) {
            return a.m_Dir / a.m_strName < b.m_Dir / b.m_strName;
        });
        for (SScript& s : scripts) s.m_Expected = RunBinary(s);
        return scripts;
    }();
    return s_Corpus;
}

// Compiles the scripts at `order` and checks each against the binary.
void CompileInOrder(const std::vector<size_t>& order, const std::string& scratchName, std::vector<std::string>& faults,
                    size_t batchRoutines = 0) {
    const std::vector<SScript>& corpus = Corpus();
    for (size_t i : order) {
        SOutcome got = CompileHere(corpus[i], scratchName, false, batchRoutines);
        const SOutcome& want = corpus[i].m_Expected;
        if (got.m_strText != want.m_strText || got.m_strObject != want.m_strObject)
            faults.push_back((corpus[i].m_Dir / corpus[i].m_strName).string() + ": got\n" + got.m_strText +
                             "wanted\n" + want.m_strText + (got.m_strObject == want.m_strObject ? "" : "object differs\n"));
    }
}

std::vector<size_t> Indexes() {
    std::vector<size_t> order(Corpus().size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    return order;
}

TEST(Corpus, ScriptsOfTheCommandLineCasesAreMany) {
    size_t objects = 0;
    for (const SScript& s : Corpus()) objects += !s.m_Expected.m_strObject.empty();
    EXPECT_GT(Corpus().size(), 250u);
    EXPECT_GT(objects, 50u);  // enough accepted scripts to compare bytes
}

TEST(Corpus, ForwardThenReverseInOneProcess) {
    std::vector<std::string> faults;
    std::vector<size_t> order = Indexes();
    CompileInOrder(order, "forward.obj", faults);
    std::reverse(order.begin(), order.end());
    CompileInOrder(order, "reverse.obj", faults);
    for (const std::string& f : faults) ADD_FAILURE() << f;
}

// Routines handed to the translating thread one or two at a time, while
// the parse goes on, make the unit a single thread makes.
TEST(Corpus, RoutinesTranslatedOnTheSecondThread) {
    std::vector<std::string> faults;
    CompileInOrder(Indexes(), "one-by-one.obj", faults, 1);
    CompileInOrder(Indexes(), "two-by-two.obj", faults, 2);
    for (const std::string& f : faults) ADD_FAILURE() << f;
}

// Going on after an error changes nothing before it: the first error is the
// one the classic command line reports, and an accepted script gives the
// same object file, though every routine before the error went to the
// translating thread.
TEST(Corpus, AllErrorsStartWithTheClassicError) {
    for (const SScript& s : Corpus()) {
        SOutcome got = CompileHere(s, "all-errors.obj", true, 1);
        const SOutcome& want = s.m_Expected;
        std::string where = (s.m_Dir / s.m_strName).string();
        EXPECT_EQ(want.m_strText, got.m_strText.substr(0, want.m_strText.size())) << where;
        EXPECT_EQ(want.m_strText.empty(), got.m_strText.empty()) << where;
        EXPECT_TRUE(got.m_strObject == want.m_strObject) << where;
    }
}

TEST(Corpus, TwoThreadsAtOnce) {
    std::vector<size_t> order = Indexes();
    std::vector<size_t> reversed(order.rbegin(), order.rend());
    std::vector<std::string> faultsA, faultsB;
    std::thread a([&] { CompileInOrder(order, "thread-a.obj", faultsA); });
    std::thread b([&] { CompileInOrder(reversed, "thread-b.obj", faultsB); });
    a.join();
    b.join();
    for (const std::string& f : faultsA) ADD_FAILURE() << f;
    for (const std::string& f : faultsB) ADD_FAILURE() << f;
}

}  // namespace
