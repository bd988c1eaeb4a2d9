// The Win32 half of the platform layer checked where it runs, under Wine:
// the contracts tests/platform checks on Linux, without GoogleTest (there is
// no MinGW build of it). Prints one line per failed check and exits 1 on any.
//   orvel_platform_check.exe              the checks
//   orvel_platform_check.exe null|stack|abort
//                                         faults on purpose; must print the
//                                         prepared line and exit 3
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "platform/Platform.h"

namespace {

int s_nFailed = 0;

void Check(bool ok, const char* what) {
    if (ok) return;
    ++s_nFailed;
    std::printf("FAILED: %s\n", what);
}

void CheckPaths() {
    Check(platform::kPathSeparator == '\\', "backslash separator");
    Check(platform::IsAbsolutePath("C:\\work\\a.oc") && platform::IsAbsolutePath("\\work\\a.oc") &&
              !platform::IsAbsolutePath("work\\a.oc"),
          "absolute paths: drive letter or leading backslash");
    Check(platform::NativePath("lib/x.h") == "lib/x.h", "paths kept as written");
    std::string cwd = platform::CurrentDirectory();
    Check(cwd.size() > 2 && cwd[1] == ':', "current directory with a drive letter");
    std::string exe = platform::ExecutablePath();
    Check(exe.size() > 4 && exe.compare(exe.size() - 4, 4, ".exe") == 0 && platform::IsAbsolutePath(exe),
          "executable path");
}

std::string Slurp(const std::string& path) {
    std::string text;
    platform::FileHandle f = platform::OpenFile(path, platform::OpenFor::Read);
    if (f == platform::kInvalidFile) return "<unopenable>";
    char buf[64];
    for (long n; (n = platform::ReadFile(f, buf, sizeof buf)) > 0;) text.append(buf, size_t(n));
    platform::CloseFile(f);
    return text;
}

void Put(const std::string& path, const char* text, platform::OpenFor how) {
    platform::FileHandle f = platform::OpenFile(path, how);
    platform::WriteFile(f, text, std::strlen(text));
    platform::CloseFile(f);
}

void CheckFiles() {
    // Run in a scratch folder: the folder made here is left to its owner.
    const std::string dir = platform::CurrentDirectory() + "\\orvel-check-" + std::to_string(platform::ProcessId());
    Check(platform::CreateDirectory(dir) && !platform::CreateDirectory(dir) && platform::IsDirectory(dir),
          "create directory once");
    const std::string a = dir + "\\a.bin", b = dir + "\\b.bin";
    Put(a, "abcdef", platform::OpenFor::WriteReplace);
    Put(a, "XY", platform::OpenFor::WriteKeep);
    Check(Slurp(a) == "XYcdef", "write keeping the file");
    platform::FileHandle f = platform::OpenFile(a, platform::OpenFor::Read);
    char buf[8] = {};
    Check(platform::FileSize(f) == 6 && platform::SeekFile(f, 4, 0) == 4 &&
              platform::ReadFile(f, buf, sizeof buf) == 2 && std::strcmp(buf, "ef") == 0 &&
              platform::ReadFile(f, buf, sizeof buf) == 0,
          "size, seek, read to the end");
    platform::CloseFile(f);
    Check(platform::OpenFile(dir, platform::OpenFor::Read) == platform::kInvalidFile, "a directory does not open");
    Put(b, "new", platform::OpenFor::WriteReplace);
    Check(platform::RenameFile(b, a) && Slurp(a) == "new" && Slurp(b) == "<unopenable>", "rename replaces");
    Check(platform::RemoveFile(a) && !platform::RemoveFile(a), "remove once");
}

void CheckGuids() {
    std::set<std::string> seen;
    bool version4 = true;
    for (int i = 0; i < 64; ++i) {
        uint8_t g[16];
        platform::NewGuid(g);
        version4 = version4 && (g[7] & 0xF0) == 0x40 && (g[8] & 0xC0) == 0x80;
        seen.insert(std::string(reinterpret_cast<char*>(g), 16));
    }
    Check(version4 && seen.size() == 64, "fresh version-4 GUIDs");
}

void CheckCapture() {
    platform::OutputCapture c;
    bool begun = platform::BeginCapture(c);
    std::printf("one\n");
    std::fputs("two\n", stdout);
    std::string text = platform::EndCapture(c);
    Check(begun && text == "one\ntwo\n", "captured output with plain line feeds");
}

void CheckJobs() {
    std::string seen;
    platform::RunJobs(
        3, 2,
        [](size_t i) {
            std::printf("job %d\n", int(i));
            return int(i);
        },
        [&](size_t i, const platform::JobOutcome& o) {
            seen += std::to_string(i) + ":" + o.output + ":" + std::to_string(o.status) + ";";
        });
    Check(seen == "0:job 0\n:0;1:job 1\n:1;2:job 2\n:2;", "jobs reported in order with their output");
}

int Recurse(volatile int* p, int n);

// Some 15 MB of frames, where a Windows thread gets 1 MB unless it asks.
void CheckNewStack() {
    volatile int x = 7;
    bool returned = false;
    auto work = [&] {
        Recurse(&x, 50000);
        returned = true;
    };
    Check(platform::RunOnNewStack(32 << 20, work) && returned, "work on a new stack of the size asked for");
}

void OnFault() {
    static const char line[] = "orvelc(0) : error C0000: Internal compiler error\n";
    platform::WriteOutput(line, sizeof line - 1);
    platform::ExitNow(3);
}

// Called through a volatile pointer, so the compiler cannot turn the
// recursion into a loop: every call takes a real frame.
int Recurse(volatile int* p, int n);
int (*volatile s_pfnRecurse)(volatile int*, int) = Recurse;
int Recurse(volatile int* p, int n) {
    volatile int frame[64];
    frame[0] = *p;
    return n == 0 ? frame[0] : s_pfnRecurse(frame, n - 1) + frame[1];
}

int Fault(const std::string& kind) {
    platform::InstallFaultHandler(OnFault);
    volatile int one = 1;
    if (kind == "null") return *static_cast<volatile int*>(nullptr);
    if (kind == "stack") return Recurse(&one, 1 << 30);
    if (kind == "abort") std::abort();
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2) return Fault(argv[1]);
    CheckPaths();
    CheckFiles();
    CheckGuids();
    CheckCapture();
    CheckJobs();
    CheckNewStack();
    std::printf("platform checks: %d failed\n", s_nFailed);
    return s_nFailed ? 1 : 0;
}
