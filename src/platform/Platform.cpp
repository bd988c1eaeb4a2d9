// POSIX and Win32 implementations of the platform layer, chosen at compile time.
#include "platform/Platform.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <process.h>
// <windows.h> maps CreateDirectory to CreateDirectoryA; ours is a function.
#undef CreateDirectory
#else
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/types.h>
#include <unistd.h>
#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif
#endif

namespace platform {

#ifdef _WIN32

FileHandle OpenFile(const std::string& path, OpenFor how) {
    DWORD access = how == OpenFor::Read ? GENERIC_READ : GENERIC_WRITE;
    DWORD share = how == OpenFor::Read ? FILE_SHARE_READ : 0;
    DWORD creation = how == OpenFor::Read        ? OPEN_EXISTING
                     : how == OpenFor::WriteKeep ? OPEN_ALWAYS
                                                 : CREATE_ALWAYS;
    HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, creation,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? kInvalidFile : FileHandle(h);
}

long ReadFile(FileHandle f, void* buffer, size_t count) {
    DWORD got = 0;
    if (!::ReadFile(HANDLE(f), buffer, DWORD(count), &got, nullptr)) return -1;
    return long(got);
}

long WriteFile(FileHandle f, const void* buffer, size_t count) {
    DWORD put = 0;
    if (!::WriteFile(HANDLE(f), buffer, DWORD(count), &put, nullptr)) return -1;
    return long(put);
}

int64_t SeekFile(FileHandle f, int64_t offset, int origin) {
    LARGE_INTEGER dist, pos;
    dist.QuadPart = offset;
    DWORD how = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(HANDLE(f), dist, &pos, how)) return -1;
    return pos.QuadPart;
}

int64_t FileSize(FileHandle f) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(HANDLE(f), &size)) return -1;
    return size.QuadPart;
}

void CloseFile(FileHandle f) { CloseHandle(HANDLE(f)); }

bool CreateDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool IsDirectory(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool RenameFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

std::string CurrentDirectory() {
    char buf[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    return (n == 0 || n > MAX_PATH) ? std::string() : std::string(buf, n);
}

std::string ExecutablePath() {
    char buf[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return (n == 0 || n >= MAX_PATH) ? std::string() : std::string(buf, n);
}

bool IsAbsolutePath(const std::string& path) {
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
    return path.size() >= 2 && path[1] == ':';
}

std::string NativePath(const std::string& path) { return path; }

void NewGuid(uint8_t out[16]) {
    GUID g{};  // stays all zeros should the call fail
    CoCreateGuid(&g);
    std::memcpy(out, &g, 16);
}

long ProcessId() { return long(_getpid()); }

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

bool OutputShowsColour() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(out, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) || SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

// The temporary file lives in the user's temporary folder (the C library's
// tmpfile() would use the root of the drive, often not writable) and goes
// away when closed.
bool BeginCapture(OutputCapture& c) {
    char dir[MAX_PATH + 1], name[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof dir, dir);
    if (n == 0 || n > MAX_PATH || GetTempFileNameA(dir, "orv", 0, name) == 0) return false;
    c.file = _open(name, _O_RDWR | _O_BINARY | _O_TEMPORARY);
    if (c.file < 0) {
        DeleteFileA(name);
        return false;
    }
    std::fflush(stdout);
    c.saved = _dup(_fileno(stdout));
    if (c.saved < 0 || _dup2(c.file, _fileno(stdout)) != 0) {
        if (c.saved >= 0) _close(c.saved);
        _close(c.file);
        c.saved = c.file = -1;
        return false;
    }
    return true;
}

std::string EndCapture(OutputCapture& c) {
    std::string text;
    if (c.file < 0) return text;
    std::fflush(stdout);
    _dup2(c.saved, _fileno(stdout));
    _close(c.saved);
    // The console stream wrote CR LF; the caller prints the text through it again.
    _lseek(c.file, 0, SEEK_SET);
    char buf[4096];
    for (int got; (got = _read(c.file, buf, sizeof buf)) > 0;)
        for (int i = 0; i < got; ++i)
            if (buf[i] != '\r') text += buf[i];
    _close(c.file);
    c.saved = c.file = -1;
    return text;
}

namespace {
DWORD WINAPI RunWork(LPVOID work) {
    (*static_cast<const std::function<void()>*>(work))();
    return 0;
}
}  // namespace

// The size is only reserved; pages are committed as the stack grows.
bool RunOnNewStack(size_t bytes, const std::function<void()>& work) {
    HANDLE thread = CreateThread(nullptr, bytes, RunWork, const_cast<std::function<void()>*>(&work),
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) return false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return true;
}

// No fork here: one job after another, each with its output captured.
void RunJobs(size_t count, int, const std::function<int(size_t)>& job,
             const std::function<void(size_t, const JobOutcome&)>& done) {
    for (size_t i = 0; i < count; ++i) {
        JobOutcome outcome;
        OutputCapture capture;
        const bool captured = BeginCapture(capture);
        outcome.status = job(i);
        if (captured) outcome.output = EndCapture(capture);
        done(i, outcome);
    }
}

namespace {
void (*s_pfnOnFault)() = nullptr;

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS*) {
    s_pfnOnFault();
    return EXCEPTION_EXECUTE_HANDLER;
}

extern "C" void OnAbortSignal(int) { s_pfnOnFault(); }
}  // namespace

void InstallFaultHandler(void (*onFault)()) {
    s_pfnOnFault = onFault;
    // Room on the thread's stack for the handler after a stack overflow.
    ULONG guarantee = 64 * 1024;
    SetThreadStackGuarantee(&guarantee);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(OnUnhandledException);
    std::signal(SIGABRT, OnAbortSignal);
}

// Line ends become CR LF, as the console stream writes them everywhere else.
void WriteOutput(const void* data, size_t size) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const char* p = static_cast<const char*>(data);
    const char* end = p + size;
    DWORD put = 0;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        const char* stop = nl ? nl : end;
        if (stop > p) ::WriteFile(out, p, DWORD(stop - p), &put, nullptr);
        if (nl) ::WriteFile(out, "\r\n", 2, &put, nullptr);
        p = nl ? nl + 1 : end;
    }
}

// Ends at once: after a fault, DLL detach code must not run.
void ExitNow(int status) {
    TerminateProcess(GetCurrentProcess(), UINT(status));
    ExitProcess(UINT(status));  // not reached
}

#else

FileHandle OpenFile(const std::string& path, OpenFor how) {
    int flags = how == OpenFor::Read        ? O_RDONLY
                : how == OpenFor::WriteKeep ? (O_WRONLY | O_CREAT)
                                            : (O_WRONLY | O_CREAT | O_TRUNC);
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) return kInvalidFile;
    struct stat st;
    // A directory opens on POSIX but reads fail; treat it as not openable.
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return kInvalidFile;
    }
    return fd;
}

long ReadFile(FileHandle f, void* buffer, size_t count) {
    return long(::read(int(f), buffer, count));
}

long WriteFile(FileHandle f, const void* buffer, size_t count) {
    return long(::write(int(f), buffer, count));
}

int64_t SeekFile(FileHandle f, int64_t offset, int origin) {
    int how = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
    return int64_t(::lseek(int(f), off_t(offset), how));
}

int64_t FileSize(FileHandle f) {
    struct stat st;
    if (fstat(int(f), &st) != 0) return -1;
    return int64_t(st.st_size);
}

void CloseFile(FileHandle f) { ::close(int(f)); }

bool CreateDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string CurrentDirectory() {
    char buf[kMaxPath + 1];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

std::string ExecutablePath() {
#if defined(__APPLE__)
    char buf[kMaxPath + 1];
    uint32_t size = sizeof buf;
    return _NSGetExecutablePath(buf, &size) == 0 ? std::string(buf) : std::string();
#else
    char buf[kMaxPath + 1];
    ssize_t n = ::readlink("/proc/self/exe", buf, kMaxPath);
    return n > 0 ? std::string(buf, size_t(n)) : std::string();
#endif
}

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string NativePath(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

void NewGuid(uint8_t out[16]) {
    bool ok = false;
    int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ok = ::read(fd, out, 16) == 16;
        ::close(fd);
    }
    if (!ok) {
        // No random source: still distinct per run, though not unpredictable.
        uint64_t seed = uint64_t(::getpid()) * 0x9E3779B97F4A7C15ull ^ uint64_t(time(nullptr));
        for (int i = 0; i < 16; ++i) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            out[i] = uint8_t(seed >> 56);
        }
    }
    // Version 4 in Data3's high nibble (little-endian field), variant 10xx.
    out[7] = uint8_t((out[7] & 0x0F) | 0x40);
    out[8] = uint8_t((out[8] & 0x3F) | 0x80);
}

long ProcessId() { return long(::getpid()); }

bool OutputShowsColour() { return ::isatty(STDOUT_FILENO) != 0; }

bool BeginCapture(OutputCapture& c) {
    FILE* temp = std::tmpfile();
    if (!temp) return false;
    c.file = ::dup(fileno(temp));
    std::fclose(temp);  // the duplicate keeps the unlinked file alive
    std::fflush(stdout);
    c.saved = c.file < 0 ? -1 : ::dup(STDOUT_FILENO);
    if (c.saved < 0 || ::dup2(c.file, STDOUT_FILENO) < 0) {
        if (c.saved >= 0) ::close(c.saved);
        if (c.file >= 0) ::close(c.file);
        c.saved = c.file = -1;
        return false;
    }
    return true;
}

std::string EndCapture(OutputCapture& c) {
    std::string text;
    if (c.file < 0) return text;
    std::fflush(stdout);
    ::dup2(c.saved, STDOUT_FILENO);
    ::close(c.saved);
    ::lseek(c.file, 0, SEEK_SET);
    char buf[4096];
    for (ssize_t got; (got = ::read(c.file, buf, sizeof buf)) > 0;) text.append(buf, size_t(got));
    ::close(c.file);
    c.saved = c.file = -1;
    return text;
}

namespace {

struct Child {
    pid_t pid = -1;
    int fd = -1;
    size_t index = 0;
};

// Starts job `index` in a child whose standard output is a pipe to us.
bool StartChild(size_t index, const std::function<int(size_t)>& job, const std::vector<Child>& running,
                Child& child) {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    std::fflush(stdout);  // or the child would print our buffered text again
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        ::close(fds[0]);
        for (const Child& other : running) ::close(other.fd);
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[1]);
        int status = job(index);
        std::fflush(stdout);
        ::_exit(status);
    }
    ::close(fds[1]);
    child = {pid, fds[0], index};
    return true;
}

void FinishChild(const Child& child, JobOutcome& outcome) {
    ::close(child.fd);
    int status = 0;
    while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        outcome.status = WEXITSTATUS(status);
    } else {
        outcome.crashed = true;
        outcome.status = 3;
    }
}

// Reads what the running children have written; returns the ones that ended.
void CollectOutput(std::vector<Child>& running, std::vector<JobOutcome>& outcomes, std::vector<bool>& finished) {
    std::vector<pollfd> fds;
    for (const Child& c : running) fds.push_back({c.fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), -1) <= 0) return;
    for (size_t k = fds.size(); k-- > 0;) {
        if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        Child c = running[k];
        char buffer[65536];
        ssize_t n = ::read(c.fd, buffer, sizeof buffer);
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

}  // namespace

void RunJobs(size_t count, int parallel, const std::function<int(size_t)>& job,
             const std::function<void(size_t, const JobOutcome&)>& done) {
    std::vector<JobOutcome> outcomes(count);
    std::vector<bool> finished(count, false);
    std::vector<Child> running;
    size_t next = 0, emitted = 0;
    while (emitted < count) {
        while (running.size() < size_t(parallel) && next < count) {
            Child child;
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
        if (!running.empty()) CollectOutput(running, outcomes, finished);
        for (; emitted < count && finished[emitted]; ++emitted) {
            done(emitted, outcomes[emitted]);
            outcomes[emitted] = JobOutcome();
        }
    }
}

namespace {
void* RunWork(void* work) {
    (*static_cast<const std::function<void()>*>(work))();
    return nullptr;
}
}  // namespace

bool RunOnNewStack(size_t bytes, const std::function<void()>& work) {
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return false;
    pthread_t thread;
    const bool started = pthread_attr_setstacksize(&attr, bytes) == 0 &&
                         pthread_create(&thread, &attr, RunWork, const_cast<std::function<void()>*>(&work)) == 0;
    pthread_attr_destroy(&attr);
    if (started) pthread_join(thread, nullptr);
    return started;
}

namespace {
void (*s_pfnOnFault)() = nullptr;

extern "C" void OnFaultSignal(int) { s_pfnOnFault(); }
}  // namespace

void InstallFaultHandler(void (*onFault)()) {
    s_pfnOnFault = onFault;
    // The handler needs a stack of its own to report a stack overflow.
    static std::vector<char> altStack(1 << 16);
    stack_t ss{};
    ss.ss_sp = altStack.data();
    ss.ss_size = altStack.size();
    sigaltstack(&ss, nullptr);
    struct sigaction sa {};
    sa.sa_handler = OnFaultSignal;
    sa.sa_flags = SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(sig, &sa, nullptr);
}

void WriteOutput(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t put = ::write(STDOUT_FILENO, p, size);
        if (put <= 0) return;
        p += put;
        size -= size_t(put);
    }
}

void ExitNow(int status) { ::_exit(status); }

#endif

void UseBinaryStandardStreams() {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

}  // namespace platform
