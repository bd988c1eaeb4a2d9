#include "CliSupport.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    std::string tmpl = (fs::temp_directory_path() / "orvelc-cli-XXXXXX").string();
    path = mkdtemp(tmpl.data());
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path, ec);
}

RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args, const std::string& cwd,
                     long fileLimit) {
    int pipefd[2];
    RunResult r;
    if (pipe(pipefd) != 0) return r;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipefd[1], 1);
        close(pipefd[0]);
        close(pipefd[1]);
        if (fileLimit > 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit lim{rlim_t(fileLimit), rlim_t(fileLimit)};
            setrlimit(RLIMIT_FSIZE, &lim);
        }
        if (chdir(cwd.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(exe.c_str()));
        for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    close(pipefd[1]);
    char buf[4096];
    ssize_t n;
    while ((n = read(pipefd[0], buf, sizeof buf)) > 0) r.out.append(buf, size_t(n));
    close(pipefd[0]);
    int st = 0;
    rusage use{};
    wait4(pid, &st, 0, &use);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    r.peakKb = use.ru_maxrss;
    return r;
}

std::string ReadFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void WriteFile(const fs::path& p, const std::string& data) {
    std::ofstream f(p, std::ios::binary);
    f << data;
}

std::vector<std::string> SplitArgs(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream ss(line);
    std::string a;
    while (ss >> a) out.push_back(a == "''" ? std::string() : a);
    return out;
}

bool ParseExpected(const std::string& text, int& status, std::string& out) {
    size_t nl = text.find('\n');
    if (text.rfind("exit ", 0) != 0 || nl == std::string::npos) return false;
    status = std::atoi(text.c_str() + 5);
    out = text.substr(nl + 1);
    return true;
}

static void PutDword(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
}

void WriteLanguageFile(const fs::path& from, const fs::path& to) {
    std::istringstream in(ReadFile(from));
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        if (tab != std::string::npos) pairs.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    std::string data = "LAN";
    data += '\0';
    PutDword(data, 1);
    PutDword(data, uint32_t(pairs.size()));
    for (auto& [k, v] : pairs) {
        PutDword(data, uint32_t(k.size()));
        data += k;
        PutDword(data, uint32_t(v.size()));
        data += v;
    }
    WriteFile(to, data);
}

std::string Placeholders::Apply(std::string s) const {
    auto replace = [&s](const std::string& from, const std::string& to) {
        for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size())
            s.replace(at, from.size(), to);
    };
    replace("{DIR}", dir);
    replace("{TMP}", tmp);
    replace("{EXE}", exe);
    replace("{OUT}", tmp + "/out.obj");
    return s;
}

std::vector<std::string> DefaultArgs(const CliCase& c, const std::string& output) {
    return {"-w-", c.source, output};
}

bool TakeBanner(std::string& out, const std::string& lineEnd) {
    std::string banner = kBanner;
    for (size_t at = 0; (at = banner.find('\n', at)) != std::string::npos; at += lineEnd.size())
        banner.replace(at, 1, lineEnd);
    if (out.compare(0, banner.size(), banner) != 0) return false;
    out.erase(0, banner.size());
    return true;
}

std::vector<CliCase> FindCases(const fs::path& root) {
    std::vector<CliCase> cases;
    if (!fs::exists(root)) return cases;
    for (auto& e : fs::recursive_directory_iterator(root)) {
        fs::path p = e.path();
        if (e.is_directory() && fs::exists(p / "expected")) {
            const bool hasArgs = fs::exists(p / "args");
            cases.push_back({fs::relative(p, root).string(), p, p / "expected", hasArgs ? p / "args" : fs::path(),
                             hasArgs ? "" : "main.oc"});
        } else if (e.is_regular_file() && p.extension() == ".oc") {
            fs::path out = p;
            out.replace_extension(".out");
            if (fs::exists(out))
                cases.push_back({fs::relative(p, root).replace_extension().string(), p.parent_path(),
                                 out, fs::path(), p.filename().string()});
        }
    }
    std::sort(cases.begin(), cases.end(), [](auto& a, auto& b) { return a.name < b.name; });
    return cases;
}
