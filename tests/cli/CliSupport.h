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
};

RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args, const std::string& cwd);

std::string ReadFile(const std::filesystem::path& p);
void WriteFile(const std::filesystem::path& p, const std::string& data);
std::vector<std::string> SplitArgs(const std::string& line);
bool ParseExpected(const std::string& text, int& status, std::string& out);
// Lines "key<TAB>value" become a language.lan file.
void WriteLanguageFile(const std::filesystem::path& from, const std::filesystem::path& to);

// One command-line case: a directory holding "expected" (and maybe "args"),
// or NAME.oc with NAME.out beside it.
struct CliCase {
    std::string name;
    std::filesystem::path dir;       // current directory of the run
    std::filesystem::path expected;  // expected output file
    std::filesystem::path args;      // may not exist
    std::string source;              // for single-file cases
};

// Every case below root, sorted by name.
std::vector<CliCase> FindCases(const std::filesystem::path& root);

struct Placeholders {
    std::string dir, tmp, exe;
    std::string Apply(std::string s) const;
};
