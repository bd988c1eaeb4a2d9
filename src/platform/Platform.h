// The operating-system services the compiler uses, and nothing else: files,
// directories, the current and executable directories, a random GUID, and a
// thread with a stack of a chosen size.
// Every other folder reaches the system only through this header.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
constexpr size_t kMaxPath = 260;
#else
constexpr char kPathSeparator = '/';
constexpr size_t kMaxPath = 4096;
#endif

// An open file; kInvalidFile when opening failed.
using FileHandle = intptr_t;
constexpr FileHandle kInvalidFile = -1;

enum class OpenFor { Read, WriteReplace, WriteKeep };

FileHandle OpenFile(const std::string& path, OpenFor how);
// Bytes read (0 at the end), or -1 on a failed read.
long ReadFile(FileHandle f, void* buffer, size_t count);
// Bytes written, or -1.
long WriteFile(FileHandle f, const void* buffer, size_t count);
// New position, or -1. origin: 0 start, 1 current, 2 end.
int64_t SeekFile(FileHandle f, int64_t offset, int origin);
int64_t FileSize(FileHandle f);
void CloseFile(FileHandle f);

bool CreateDirectory(const std::string& path);
bool IsDirectory(const std::string& path);
bool RemoveFile(const std::string& path);
// Replaces `to` by `from` in one step where the system allows it.
bool RenameFile(const std::string& from, const std::string& to);

// The current directory, or "" when it cannot be read.
std::string CurrentDirectory();
// The full path of the running executable, or "" when unknown.
std::string ExecutablePath();

// True when the path names the root of the file system or a drive.
bool IsAbsolutePath(const std::string& path);
// The path as the system wants it: on POSIX a backslash is a separator too.
std::string NativePath(const std::string& path);

// 16 bytes of a fresh version-4 GUID in memory layout (Data1..Data4).
void NewGuid(uint8_t out[16]);

// Process id, used to name temporary files uniquely.
long ProcessId();

// True when standard output is a terminal that shows colours (on Windows,
// a console that takes escape sequences, which this asks it to).
bool OutputShowsColour();

// Standard output redirected to a temporary file between BeginCapture and
// EndCapture, which restores it and returns the text written meanwhile with
// plain line feeds. Lets jobs that run one after another in this process
// have their output collected like a child's. Captures do not nest.
struct OutputCapture {
    int saved = -1;  // the original standard output
    int file = -1;   // the temporary file
};
bool BeginCapture(OutputCapture& capture);
std::string EndCapture(OutputCapture& capture);

// The outcome of one job run by RunJobs.
struct JobOutcome {
    std::string output;    // what the job printed to standard output
    int status = 0;        // its exit status
    bool crashed = false;  // ended by a fault, or could not be started
};
// Runs job(i) for every i below count, at most `parallel` at a time, with
// standard output captured; done(i, outcome) runs in this process in index
// order as soon as job i and all before it have ended. On POSIX each job
// runs in a child process; elsewhere one after another in this process.
void RunJobs(size_t count, int parallel, const std::function<int(size_t)>& job,
             const std::function<void(size_t, const JobOutcome&)>& done);

// Runs work() on a new thread whose stack reserves `bytes`, and returns once
// it has ended: a walk that nests deeper than the caller's stack allows
// (1 MB on a Windows main thread) goes on there. False when no thread could
// be started; work() has then not run.
bool RunOnNewStack(size_t bytes, const std::function<void()>& work);

// From now on a crash (bad memory access, stack overflow, illegal
// instruction, arithmetic fault, abort) calls onFault on a stack of its own.
// onFault may only write prepared text with WriteOutput and end with ExitNow.
void InstallFaultHandler(void (*onFault)());
// Standard input and output pass every byte unchanged (no CR LF
// translation on Windows), as a protocol framed by byte counts needs.
void UseBinaryStandardStreams();

// Unbuffered write to standard output, safe inside onFault.
void WriteOutput(const void* data, size_t size);
[[noreturn]] void ExitNow(int status);

}  // namespace platform
