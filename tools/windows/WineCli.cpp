// Runs the command-line corpus (tests/data/cases) against the Windows build
// of orvelc under Wine, as a Windows user would run it: every path on the
// command line and in the expected output is a Windows path (Z:\work\...),
// and the expected text is turned into what a Windows console program
// prints, lines ending in CR LF.
//
// Each case is judged as the Linux CLI test judges it (output, with the
// banner checked apart for a default case; exit status; object file written
// or not), and every object file the Windows
// build writes is compared with the one the Linux build writes for the same
// arguments: byte for byte when the runner chose the GUID (cases with the
// default arguments get "-g" with a fixed GUID on both sides), otherwise byte
// for byte apart from the 16 GUID bytes of the container header.
//
// Path translation in expected texts: a placeholder ({DIR}, {TMP}, {EXE},
// {OUT}) becomes the Windows form of its folder, and the path that follows
// it up to a blank, "(", quote or line end gets backslashes. The Windows
// build keeps a forward slash that a script wrote (it prints paths as
// built), so a case whose expected text needs that keeps its Windows text in
// "expected.windows" (or NAME.out.windows) beside the usual one, or in
// --expected DIR as CASE-NAME.expected; there the placeholders are replaced
// and nothing else changes.
//
//   orvelc-wine-cli --exe build-windows/orvelc.exe --linux build/orvelc
//                   --cases tests/data/cases [--cases DIR...] [--expected DIR]
//                   [--wine LOADER] [--filter TEXT] [-v]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kFixedGuid = "0badc0de-1234-5678-9abc-def012345678";

struct Options {
    fs::path exe, linux, wine, overrides;
    std::vector<fs::path> cases;
    std::string filter;
    bool verbose = false;
};

// Wine maps the Unix root to drive Z:.
std::string WindowsPath(const fs::path& unixPath) {
    std::string s = fs::absolute(unixPath).lexically_normal().string();
    if (s.size() > 1 && s.back() == '/') s.pop_back();
    std::replace(s.begin(), s.end(), '/', '\\');
    return "Z:" + s;
}

bool EndsPath(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '(' || c == '\'' || c == '"' || c == ',';
}

// Placeholders become Windows folders; the path after each one gets
// backslashes. On a JSON line ("{" first) a backslash is written escaped.
std::string ApplyWindows(std::string s, const std::string& dir, const std::string& tmp,
                         const std::string& exe, bool slashes = true) {
    const std::pair<std::string, std::string> table[] = {
        {"{DIR}", dir}, {"{TMP}", tmp}, {"{EXE}", exe}, {"{OUT}", tmp + "\\out.obj"}};
    for (auto& [from, folder] : table) {
        for (size_t at = 0; (at = s.find(from, at)) != std::string::npos;) {
            size_t lineStart = s.rfind('\n', at);
            lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
            const bool json = s.compare(lineStart, 2, "{\"") == 0;
            const std::string separator = json ? "\\\\" : "\\";
            std::string to = folder;
            if (json)
                for (size_t k = 0; (k = to.find('\\', k)) != std::string::npos; k += 2) to.insert(k, 1, '\\');
            s.replace(at, from.size(), to);
            at += to.size();
            for (; slashes && at < s.size() && !EndsPath(s[at]); ++at) {
                if (s[at] != '/') continue;
                s.replace(at, 1, separator);
                at += separator.size() - 1;
            }
        }
    }
    return s;
}

std::string WithCrLf(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Offset of the 16 GUID bytes in an object file's container header, or -1.
long GuidOffset(const std::string& obj) {
    enum { eName = 8, eNumber = 16, eId = 32 };
    if (obj.size() < 4 || obj.compare(0, 3, "\xFF\xA1\xD0") != 0) return -1;
    uint8_t flags = uint8_t(obj[3]);
    if (!(flags & eId)) return -1;
    size_t at = 4;
    if (flags & eName) at += 1 + (at < obj.size() ? uint8_t(obj[at]) : 0);
    if (flags & eNumber) at += 4;
    return at + 16 <= obj.size() ? long(at) : -1;
}

// Empty when the two object files agree (apart from the GUID unless exact).
std::string CompareObjects(const fs::path& windows, const fs::path& linux, bool exact) {
    std::string w = ReadFile(windows), l = ReadFile(linux);
    if (w.size() != l.size())
        return "object size " + std::to_string(w.size()) + " (Windows) vs " + std::to_string(l.size()) +
               " (Linux)";
    if (!exact) {
        long g = GuidOffset(w);
        if (g < 0 || g != GuidOffset(l)) return "object headers differ";
        // Where the Windows build made the GUID itself, it must be a version-4 one.
        if ((uint8_t(w[g + 7]) & 0xF0) != 0x40 || (uint8_t(w[g + 8]) & 0xC0) != 0x80)
            if (w.compare(g, 16, l, g, 16) != 0) return "the Windows GUID is not a version-4 GUID";
        std::fill_n(w.begin() + g, 16, '\0');
        std::fill_n(l.begin() + g, 16, '\0');
    }
    auto diff = std::mismatch(w.begin(), w.end(), l.begin());
    if (diff.first == w.end()) return "";
    return "objects differ from byte " + std::to_string(diff.first - w.begin());
}

void CopyStartupFiles(const CliCase& c, const fs::path& bin) {
    if (fs::exists(c.dir / "language.lan.txt"))
        WriteLanguageFile(c.dir / "language.lan.txt", bin / "language.lan");
    if (fs::exists(c.dir / "OrvelCEx.idx")) fs::copy_file(c.dir / "OrvelCEx.idx", bin / "OrvelCEx.idx");
}

// The case's arguments; default ones get the fixed GUID so objects match exactly.
std::vector<std::string> CaseArgs(const CliCase& c, const std::string& argsText, const std::string& out) {
    if (!c.IsDefault()) return SplitArgs(argsText);
    std::vector<std::string> args = {"-g", kFixedGuid};
    for (std::string& a : DefaultArgs(c, out)) args.push_back(a);
    return args;
}

// The output the expected text describes: all of it, or what follows the
// banner for a default case; false when a default case printed no banner.
bool ComparedOutput(const CliCase& c, std::string& out, const std::string& lineEnd) {
    return !c.IsDefault() || TakeBanner(out, lineEnd);
}

// The Windows text of a case when it has one: beside the case, or in the
// runner's own folder of texts under the case's name. It is taken as written.
fs::path WindowsExpectedFile(const Options& o, const CliCase& c) {
    fs::path beside = c.expected;
    beside += ".windows";
    if (fs::exists(beside) || o.overrides.empty()) return beside;
    return o.overrides / (c.name + ".expected");
}

// The Linux build runs the case in the scratch folder tmp with the same
// arguments as the Windows build; ph receives the case's placeholders.
RunResult RunLinux(const Options& o, const CliCase& c, const fs::path& tmp, Placeholders& ph) {
    fs::path bin = tmp / "bin";
    fs::create_directories(bin);
    fs::copy_file(o.linux, bin / "orvelc");
    CopyStartupFiles(c, bin);
    ph = {c.dir.string(), tmp.string(), bin.string()};
    std::vector<std::string> args =
        CaseArgs(c, c.IsDefault() ? "" : ph.Apply(ReadFile(c.args)), (tmp / "out.obj").string());
    return RunProgram((bin / "orvelc").string(), args, c.dir.string());
}

// The Linux build's object file compared with the Windows one; "" or a failure.
std::string CheckObject(const Options& o, const CliCase& c, const fs::path& windowsObj) {
    ScratchDir tmp;
    Placeholders ph;
    RunResult r = RunLinux(o, c, tmp.path, ph);
    if (!fs::exists(tmp.path / "out.obj"))
        return "the Linux build wrote no object file (exit " + std::to_string(r.status) + ")";
    return CompareObjects(windowsObj, tmp.path / "out.obj", c.IsDefault());
}

// Whether the Linux build passes the case as the Linux CLI test runs it; a
// case that fails there too is not a Windows problem.
bool PassesOnLinux(const Options& o, const CliCase& c) {
    ScratchDir tmp;
    Placeholders ph;
    RunResult r = RunLinux(o, c, tmp.path, ph);
    int wantStatus = -1;
    std::string wantOut;
    return ParseExpected(ph.Apply(ReadFile(c.expected)), wantStatus, wantOut) &&
           ComparedOutput(c, r.out, "\n") && r.out == wantOut && r.status == wantStatus;
}

// Runs one case; returns "" when it passes, else what went wrong. Counts
// the object files it compared.
std::string RunCase(const Options& o, const CliCase& c, int& objects) {
    ScratchDir tmp;
    fs::path bin = tmp.path / "bin";
    fs::create_directories(bin);
    fs::copy_file(o.exe, bin / "orvelc.exe");
    CopyStartupFiles(c, bin);

    const std::string dir = WindowsPath(c.dir), scratch = WindowsPath(tmp.path), exe = WindowsPath(bin);
    std::string argsText = c.IsDefault() ? "" : ApplyWindows(ReadFile(c.args), dir, scratch, exe);
    std::vector<std::string> args = CaseArgs(c, argsText, scratch + "\\out.obj");
    args.insert(args.begin(), exe + "\\orvelc.exe");
    RunResult r = RunProgram(o.wine.string(), args, c.dir.string());

    int wantStatus = -1;
    std::string wantOut;
    const fs::path own = WindowsExpectedFile(o, c);
    const bool hasOwn = fs::exists(own);
    if (!ParseExpected(ApplyWindows(ReadFile(hasOwn ? own : c.expected), dir, scratch, exe, !hasOwn),
                       wantStatus, wantOut))
        return "expected file does not start with 'exit N'";
    wantOut = WithCrLf(wantOut);
    std::string problem, got = r.out;
    if (!ComparedOutput(c, got, "\r\n")) problem += "the output does not start with the banner\n";
    else if (got != wantOut) problem += "output differs\n--- expected\n" + wantOut + "--- got\n" + got;
    if (r.status != wantStatus)
        problem += "exit status " + std::to_string(r.status) + ", expected " + std::to_string(wantStatus) + "\n";
    const fs::path obj = tmp.path / "out.obj";
    if (c.IsDefault() && (wantStatus == 0) != fs::exists(obj))
        problem += fs::exists(obj) ? "an object file was written\n" : "no object file was written\n";
    if (problem.empty() && fs::exists(obj)) {
        ++objects;
        std::string objProblem = CheckObject(o, c, obj);
        if (!objProblem.empty()) problem += objProblem + "\n";
    }
    return problem;
}

fs::path FindWine() {
    if (const char* w = std::getenv("WINE")) return w;
    for (const char* p : {"/usr/lib/wine/wine64", "/usr/bin/wine64", "/usr/bin/wine"})
        if (fs::exists(p)) return p;
    return "wine";
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "-v") o.verbose = true;
        else if (a == "--exe" && hasValue) o.exe = argv[++i];
        else if (a == "--linux" && hasValue) o.linux = argv[++i];
        else if (a == "--cases" && hasValue) o.cases.push_back(argv[++i]);
        else if (a == "--wine" && hasValue) o.wine = argv[++i];
        else if (a == "--filter" && hasValue) o.filter = argv[++i];
        else if (a == "--expected" && hasValue) o.overrides = argv[++i];
        else return false;
    }
    if (o.wine.empty()) o.wine = FindWine();
    return !o.exe.empty() && !o.linux.empty() && !o.cases.empty();
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: orvelc-wine-cli --exe ORVELC.EXE --linux ORVELC --cases DIR... "
                     "[--expected DIR] [--wine LOADER] [--filter TEXT] [-v]\n");
        return 2;
    }
    o.exe = fs::absolute(o.exe);
    o.linux = fs::absolute(o.linux);
    // Wine's own chatter and its first-start dialogs stay out of the output.
    if (!std::getenv("WINEPREFIX")) setenv("WINEPREFIX", (o.exe.parent_path() / "wine").c_str(), 1);
    setenv("WINEDEBUG", "-all", 0);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 0);

    auto start = std::chrono::steady_clock::now();
    RunResult warm = RunProgram(o.wine.string(), {WindowsPath(o.exe)}, fs::current_path().string());
    if (warm.out.find("Orvel C Compiler") == std::string::npos) {
        std::fprintf(stderr, "%s cannot run %s (status %d)\n", o.wine.c_str(), o.exe.c_str(), warm.status);
        return 1;
    }
    std::printf("wine started in %.1f s\n", Seconds(start));

    start = std::chrono::steady_clock::now();
    int passed = 0, failed = 0, objects = 0;
    std::vector<CliCase> cases;
    for (const fs::path& root : o.cases) {
        fs::path r = fs::absolute(root).lexically_normal();
        if (!r.has_filename()) r = r.parent_path();
        for (CliCase& c : FindCases(r)) {
            c.name = r.parent_path().filename().string() + "/" + c.name;
            if (c.name.find(o.filter) != std::string::npos) cases.push_back(c);
        }
    }
    for (const CliCase& c : cases) {
        std::string problem = RunCase(o, c, objects);
        if (problem.empty()) {
            ++passed;
            if (o.verbose) std::printf("ok   %s\n", c.name.c_str());
        } else {
            ++failed;
            const char* where = PassesOnLinux(o, c) ? "only under Wine" : "on Linux too";
            std::printf("FAIL %s (%s)\n%s\n", c.name.c_str(), where, problem.c_str());
        }
        std::fflush(stdout);
    }
    std::printf("corpus under wine in %.1f s; %d object files compared with the Linux build's\n",
                Seconds(start), objects);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
