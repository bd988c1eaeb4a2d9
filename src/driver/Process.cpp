// Process control for batch builds and the fault guard. This is the one
// driver file that talks to the operating system directly (fork, pipes,
// signals); on Windows the batch runs its jobs one after the other in the
// compiler's own process, each with its output captured, and faults are
// not caught.
#include "driver/Process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Platform.h"

#ifndef _WIN32
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

constexpr size_t kMaxFaultLine = 8192;
char s_FaultLine[kMaxFaultLine];
size_t s_nFaultLine = 0;

#ifndef _WIN32

extern "C" void OnFault(int) {
    // Only async-signal-safe calls here: the line was formatted in advance.
    ssize_t ignored = write(1, s_FaultLine, s_nFaultLine);
    (void)ignored;
    _exit(3);
}

struct CChild {
    pid_t pid = -1;
    int fd = -1;
    size_t index = 0;
};

// Starts job `index` in a child whose standard output is a pipe to us.
bool StartChild(size_t index, const std::function<int(size_t)>& job, const std::vector<CChild>& running,
                CChild& child) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    std::fflush(stdout);  // or the child would print our buffered text again
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        close(fds[0]);
        for (const CChild& other : running) close(other.fd);
        dup2(fds[1], 1);
        close(fds[1]);
        int status = job(index);
        std::fflush(stdout);
        _exit(status);
    }
    close(fds[1]);
    child = {pid, fds[0], index};
    return true;
}

void FinishChild(const CChild& child, CJobOutcome& outcome) {
    close(child.fd);
    int status = 0;
    while (waitpid(child.pid, &status, 0) < 0) {
    }
    if (WIFEXITED(status)) {
        outcome.status = WEXITSTATUS(status);
    } else {
        outcome.crashed = true;
        outcome.status = 3;
    }
}

#endif

}  // namespace

#ifndef _WIN32

void RunJobs(size_t count, int parallel, const std::function<int(size_t)>& job,
             const std::function<void(size_t, const CJobOutcome&)>& done) {
    std::vector<CJobOutcome> outcomes(count);
    std::vector<bool> finished(count, false);
    std::vector<CChild> running;
    size_t next = 0, emitted = 0;
    while (emitted < count) {
        while (running.size() < size_t(parallel) && next < count) {
            CChild child;
            if (StartChild(next, job, running, child)) {
                running.push_back(child);
            } else if (running.empty()) {
                outcomes[next].crashed = true;
                outcomes[next].status = 3;
                finished[next] = true;
            } else {
                break;  // try again when a running child has ended
            }
            ++next;
        }
        if (!running.empty()) {
            std::vector<pollfd> fds;
            for (const CChild& c : running) fds.push_back({c.fd, POLLIN, 0});
            if (poll(fds.data(), fds.size(), -1) > 0) {
                for (size_t k = fds.size(); k-- > 0;) {
                    if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                    CChild c = running[k];
                    char buffer[65536];
                    ssize_t n = read(c.fd, buffer, sizeof buffer);
                    if (n > 0) {
                        outcomes[c.index].output.append(buffer, size_t(n));
                        continue;
                    }
                    if (n < 0 && errno == EINTR) continue;
                    FinishChild(c, outcomes[c.index]);
                    finished[c.index] = true;
                    running.erase(running.begin() + long(k));
                }
            }
        }
        for (; emitted < count && finished[emitted]; ++emitted) {
            done(emitted, outcomes[emitted]);
            outcomes[emitted] = CJobOutcome();
        }
    }
}

void InstallFaultGuard() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // The handler needs a stack of its own to report a stack overflow.
    static std::vector<char> altStack(1 << 16);
    stack_t ss{};
    ss.ss_sp = altStack.data();
    ss.ss_size = altStack.size();
    sigaltstack(&ss, nullptr);
    struct sigaction sa {};
    sa.sa_handler = OnFault;
    sa.sa_flags = SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(sig, &sa, nullptr);
}

bool JobsRunInChildren() { return true; }

#else

bool JobsRunInChildren() { return false; }

void RunJobs(size_t count, int, const std::function<int(size_t)>& job,
             const std::function<void(size_t, const CJobOutcome&)>& done) {
    for (size_t i = 0; i < count; ++i) {
        CJobOutcome outcome;
        platform::OutputCapture capture;
        bool captured = platform::BeginCapture(capture);
        outcome.status = job(i);
        if (captured) outcome.output = platform::EndCapture(capture);
        done(i, outcome);
    }
}

void InstallFaultGuard() { std::setvbuf(stdout, nullptr, _IOLBF, 0); }

#endif

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
#ifndef _WIN32
    if (uncatchable) kill(getpid(), SIGKILL);
#endif
    std::raise(SIGSEGV);
}
