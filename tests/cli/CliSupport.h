// Helpers for tests that run the real binary: scratch folders, running a
// program with captured output, and building start-up files.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

struct ScratchDir {
    ScratchDir();
    ~ScratchDir();
    std::filesystem::path path;
};

struct RunResult {
    std::string out;
    int status = -1;
    long peakKb = 0;  // peak resident memory of the child
};

// Runs exe in cwd with stdout captured; fileLimit > 0 caps the size of any
// file the child writes (a write past it fails instead of killing it).
RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args, const std::string& cwd,
                     long fileLimit = 0);

std::string ReadFile(const std::filesystem::path& p);
// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string& text);
void WriteFile(const std::filesystem::path& p, const std::string& data);
std::vector<std::string> SplitArgs(const std::string& line);
bool ParseExpected(const std::string& text, int& status, std::string& out);
// Lines "key<TAB>value" become a language.lan file.
void WriteLanguageFile(const std::filesystem::path& from, const std::filesystem::path& to);

// What the classic command line prints before anything else.
inline constexpr const char* kBanner =
    "----------------- Orvel C Compiler v0.002 -----------------\nCompiling...\n";

// One command-line case: a directory holding "expected" (and maybe "args"),
// or NAME.oc with NAME.out beside it. A case without "args" is a default
// case: it runs as "-w- SOURCE OUTPUT" and its expected text leaves out the
// banner, which the runner checks on its own, so that the text holds only
// what the case is about. A case with "args" pins its whole output.
struct CliCase {
    std::string name;
    std::filesystem::path dir;       // current directory of the run
    std::filesystem::path expected;  // expected output file
    std::filesystem::path args;      // empty for a default case
    std::string source;              // the script of a default case

    bool IsDefault() const { return args.empty(); }
};

// The arguments of a default case.
std::vector<std::string> DefaultArgs(const CliCase& c, const std::string& output);
// Removes the banner, with lines ending in lineEnd, from the front of out;
// false when out does not start with it.
bool TakeBanner(std::string& out, const std::string& lineEnd = "\n");

// Every case below root, sorted by name.
std::vector<CliCase> FindCases(const std::filesystem::path& root);

struct Placeholders {
    std::string dir, tmp, exe;
    std::string Apply(std::string s) const;
};
