// Helper of `make bench`: writes a unit script of a given length together with
// the equivalent C program (BenchScript.h), and runs a command once to
// report its peak resident memory.
//
//   orvel_bench gen LINES SCRIPT.oc PROGRAM.c   write both sources
//   orvel_bench broken LINES N SCRIPT.oc        the script with N functions
//                                               broken (a misspelt built-in)
//   orvel_bench peak COMMAND [ARGS...]          print peak memory in KiB
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchScript.h"

namespace {

bool WriteFile(const char* path, const std::string& text)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

// programPath may be null: the script alone.
int Generate(long lines, long broken, const char* scriptPath, const char* programPath)
{
    const SBenchSources sources = GenerateBenchSources(lines, broken);
    if (!WriteFile(scriptPath, sources.m_strScript) || (programPath && !WriteFile(programPath, sources.m_strProgram))) {
        std::perror("orvel_bench: cannot write");
        return 1;
    }
    std::printf("%ld %ld\n", sources.m_nScriptLines, sources.m_nProgramLines);
    return 0;
}

// Runs the command with its output discarded; the peak comes from the
// child's own resource usage, so the shell and this tool are not counted.
int Peak(char** argv)
{
    const pid_t pid = fork();
    if (pid < 0)
        return 1;
    if (pid == 0) {
        if (!std::freopen("/dev/null", "w", stdout))
            _exit(127);
        execvp(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) < 0)
        return 1;
    std::printf("%ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int Usage()
{
    std::fprintf(stderr, "usage: orvel_bench gen LINES SCRIPT.oc PROGRAM.c\n"
                         "       orvel_bench broken LINES N SCRIPT.oc\n"
                         "       orvel_bench peak COMMAND [ARGS...]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "gen") == 0) {
        const long lines = std::strtol(argv[2], nullptr, 10);
        return lines > 0 ? Generate(lines, 0, argv[3], argv[4]) : Usage();
    }
    if (argc == 5 && std::strcmp(argv[1], "broken") == 0) {
        const long lines = std::strtol(argv[2], nullptr, 10), broken = std::strtol(argv[3], nullptr, 10);
        return lines > 0 && broken > 0 ? Generate(lines, broken, argv[4], nullptr) : Usage();
    }
    if (argc >= 3 && std::strcmp(argv[1], "peak") == 0)
        return Peak(argv + 2);
    return Usage();
}
