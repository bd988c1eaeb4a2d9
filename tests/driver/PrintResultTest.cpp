// How the command line renders a compilation's result: the tree listing
// among the diagnostics where the parse ended, and the exit status of each
// outcome, an internal fault included (no script provokes one).
#include <gtest/gtest.h>

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

}  // namespace
