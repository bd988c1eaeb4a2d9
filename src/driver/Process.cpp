// Batch jobs and the fault guard over the platform layer: the jobs of a
// batch run in child processes where the system has them (one after the
// other in this process elsewhere), and a crash prints one prepared line.
#include "driver/Process.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"

namespace {

constexpr size_t kMaxFaultLine = 8192;
char s_FaultLine[kMaxFaultLine];
size_t s_nFaultLine = 0;

// Runs inside a signal handler: only the prepared text, written directly.
void OnFault() {
    platform::WriteOutput(s_FaultLine, s_nFaultLine);
    platform::ExitNow(3);
}

}  // namespace

void RunJobs(size_t count, int parallel, const std::function<int(size_t)>& job,
             const std::function<void(size_t, const CJobOutcome&)>& done) {
    platform::RunJobs(count, parallel, job, [&](size_t i, const platform::JobOutcome& o) {
        done(i, CJobOutcome{o.output, o.status, o.crashed});
    });
}

void InstallFaultGuard() {
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    platform::InstallFaultHandler(OnFault);
}

void SetFaultLine(const std::string& line) {
    s_nFaultLine = std::min(line.size(), kMaxFaultLine);
    std::memcpy(s_FaultLine, line.data(), s_nFaultLine);
}

void PrintFaultLine() {
    std::fwrite(s_FaultLine, 1, s_nFaultLine, stdout);
    std::fflush(stdout);
}

void InjectFaultFor(const std::string& source) {
    const char* pattern = std::getenv("ORVELC_FAULT_INJECT");
    if (!pattern || !*pattern) return;
    // A leading '!' asks for a death no handler sees, as the system's
    // out-of-memory killer would deal it.
    bool uncatchable = pattern[0] == '!';
    if (uncatchable) ++pattern;
    size_t n = std::strlen(pattern);
    if (source.size() < n || source.compare(source.size() - n, n, pattern) != 0) return;
#ifdef SIGKILL
    if (uncatchable) std::raise(SIGKILL);
#endif
    std::raise(SIGSEGV);
}
