// How the command line renders a compilation's result: the tree listing
// among the diagnostics where the parse ended, and the exit status of each
// outcome, an internal fault included (no script provokes one); and that
// the last script of a process, whose result is kept, writes the same object.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "driver/Driver.h"

namespace {

std::string Printed(const CCompileResult& result, EDiagnosticFormat format, int& status) {
    CompileRequest request;
    request.format = format;
    ::testing::internal::CaptureStdout();
    status = PrintResult(result, request);
    return ::testing::internal::GetCapturedStdout();
}

TEST(PrintResult, TreeBetweenTheParseAndLaterDiagnosticsAndStatusPerOutcome) {
    CCompileResult r;
    r.m_Diagnostics = {TranslationWarning("/s.oc", 1, "U"), InternalFault("/s.oc")};
    r.m_strTree = "Root\n";
    r.m_nTreeAt = 1;
    r.m_nStatus = ECompileStatus::eInternal;
    int status = 0;
    EXPECT_EQ(Printed(r, EDiagnosticFormat::eText, status),
              "/s.oc(1) : warning C0101: Unknown string to translate 'U'\nRoot\n"
              "/s.oc(0) : error C0000: Internal compiler error\n");
    EXPECT_EQ(status, 3);

    r.m_Diagnostics.pop_back();
    r.m_nStatus = ECompileStatus::eAccepted;
    EXPECT_EQ(Printed(r, EDiagnosticFormat::eText, status),
              "/s.oc(1) : warning C0101: Unknown string to translate 'U'\nRoot\n");
    EXPECT_EQ(status, 0);

    r.m_strTree.clear();
    r.m_nStatus = ECompileStatus::eErrors;
    r.m_Diagnostics = {FileError("/s.oc", 0, "File not found", "s.oc")};
    r.m_nTreeAt = 0;
    EXPECT_EQ(Printed(r, EDiagnosticFormat::eJson, status),
              "{\"file\":\"/s.oc\",\"line\":0,\"severity\":\"error\",\"code\":\"C0101\","
              "\"message\":\"File not found 's.oc'\",\"includes\":[]}\n");
    EXPECT_EQ(status, 1);
}

// The last script of a process keeps its result alive past the return; the
// object written and the status must be those of an ordinary compile, and a
// second "last" compile replaces the kept result (the sanitizer build would
// report the first one as a leak otherwise).
TEST(CompileScript, TheLastScriptOfAProcessWritesWhatAnyOtherWrites) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() /
                         ("orvelc-last-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(dir);
    std::ofstream(dir / "u.oc") << "unit \"U\"\n{\n    int n;\n    state S { n = n + 1; return S, 10; }\n}\n";
    auto compile = [&](const char* out, bool last) {
        CompileRequest request;
        request.source = (dir / "u.oc").string();
        request.output = (dir / out).string();
        request.lastInProcess = last;
        ::testing::internal::CaptureStdout();
        int status = CompileScript(request);
        ::testing::internal::GetCapturedStdout();
        std::ifstream in(dir / out, std::ios::binary);
        return std::make_pair(status, std::string(std::istreambuf_iterator<char>(in), {}));
    };
    const auto plain = compile("plain.obj", false);
    ASSERT_EQ(plain.first, 0);
    EXPECT_FALSE(plain.second.empty());
    EXPECT_EQ(compile("last1.obj", true), plain);
    EXPECT_EQ(compile("last2.obj", true), plain);
    fs::remove_all(dir);
}

}  // namespace
