// The two programs as a person runs them: whole output lines and exit
// statuses of orvelc-dump and orvelc-run on real compiled scripts.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct SOutput {
    int status = -1;
    std::string out;
};

SOutput Shell(const std::string& command) {
    SOutput r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Per process, so concurrent runs from several build trees never share a file.
// The files are removed when the program ends.
struct STempFiles {
    std::vector<std::string> paths;
    ~STempFiles() {
        for (const std::string& p : paths) std::remove(p.c_str());
    }
} g_TempFiles;

std::string Temp(const std::string& name) {
    std::string path = testing::TempDir() + "tools_" + std::to_string(getpid()) + "_" + name;
    g_TempFiles.paths.push_back(path);
    return path;
}

std::string WriteScript(const std::string& name, const std::string& text) {
    const std::string path = Temp(name + ".oc");
    std::ofstream(path) << text;
    return path;
}

std::string Compile(const std::string& source, const std::string& name) {
    const std::string object = Temp(name + ".obj");
    const SOutput r = Shell(std::string(ORVELC_BINARY) + " -g 01234567-89AB-CDEF-0123-456789ABCDEF " + source +
                          " " + object + " 2>&1");
    EXPECT_EQ(r.status, 0) << r.out;
    return object;
}

const char* const kScript = R"(unit "Watch"
{
    enum mode { "Slow" item 1 description "Go slowly", multi: "Fast" item 2 }
    int hits;
    unit last;
    function int Twice(int n) { return n * 2; }
    state Idle { Trace("idle"); hits = Twice(5); return Idle, 10; }
    event OnHit() { hits = hits + 1; last = GetAttacker(); return 0; }
    command Stop() button mode hotkey priority 7 { Trace("stop"); }
}
)";

bool Has(const std::string& text, const std::string& line) {
    return text.find(line) != std::string::npos;
}

TEST(Tools, DumpShowsHeaderTablesAndLabelledCode) {
    const std::string object = Compile(WriteScript("watch", kScript), "watch");
    const SOutput r = Shell(std::string(ORVELC_DUMP) + " " + object + " 2>&1");
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* line : {
             "script name: \"Watch\"\n", "base class: 1 (unit)\n", "guid: 01234567-89AB-CDEF-0123-456789ABCDEF\n",
             "data size: 20 bytes (5 class variables)\n", "string \"idle\"\n", "string \"Go slowly\"\n",
             "#13   root: int Trace(string)\n", "#71   unit: unit GetAttacker()\n",
             "  0    code+0016\n", "  0    $Destructor", "  1    $Serialize", "  5    Stop",
             "descriptor at data+", ": 2 item(s), enum slot 8, priority 7, attributes hotkey\n",
             "item 1 caption \"Slow\" description \"Go slowly\"\n", "item 2 caption \"Fast\" description \"\"\n",
             "  0    OnHit", "\nfunction@0000:\n", "\nstate 0:\n", "\nevent OnHit:\n", "\ncommand Stop:\n",
             "\n$Destructor:\n", "\n$Serialize:\n", "  ; function@0000\n", "  ; root.Trace\n", "; unit.$Release\n",
             "\"idle\"\n"})
        EXPECT_TRUE(Has(r.out, line)) << "missing: " << line << "\n" << r.out;
}

TEST(Tools, DumpRefusesWhatIsNotAnObjectFile) {
    const std::string text = WriteScript("text", "unit \"X\" { }\n");
    const std::string object = Compile(WriteScript("cut", kScript), "cut");
    std::ifstream in(object, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    std::ofstream(Temp("cut.obj"), std::ios::binary) << bytes.substr(0, bytes.size() - 9);
    struct {
        std::string path, message;
    } cases[] = {
        {text, "not an object file (no container header)"},
        {Temp("cut.obj"), "not an object file (body damaged, truncated or of another version)"},
        {Temp("missing.obj"), "cannot open the file"},
    };
    for (const auto& c : cases) {
        const SOutput r = Shell(std::string(ORVELC_DUMP) + " " + c.path + " 2>&1");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "orvelc-dump: " + c.path + ": " + c.message + "\n");
    }
}

TEST(Tools, RunPrintsTraceResultAndVariables) {
    const std::string source = WriteScript("run", kScript);
    SOutput r = Shell(std::string(ORVELC_RUN) + " --set hits=4 --return GetAttacker=0x700 " + source + " OnHit 2>&1");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out,
              "running event OnHit\n"
              "calls:\n"
              "  1. GetAttacker() on 0x6A000000 -> 1792\n"
              "  2. $AddRef(1792) -> 0  [0x00000700 count 1]\n"
              "  3. $Release(0) -> 0\n"
              "eax: 0 (0x00000000)\n"
              "variables:\n"
              "  $State           = 0\n"
              "  $Loop            = 10000\n"
              "  mode             = 0\n"
              "  hits             = 5\n"
              "  last             = 1792\n");
    const std::string object = Compile(source, "run");
    r = Shell(std::string(ORVELC_RUN) + " " + object + " 0 2>&1");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "  1. Trace(\"idle\") -> 0\neax: 10 (0x0000000A)\n")) << r.out;
    // From an object file, handlers are still named through the base class in its header.
    r = Shell(std::string(ORVELC_RUN) + " --set @12=1 " + object + " OnHit 2>&1");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "running event OnHit\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "  @12              = 2\n")) << r.out;
}

TEST(Tools, RunFailsClearly) {
    const std::string spin = WriteScript("spin", "unit \"S\" { int n; state A { while (1) n = n + 1; } }\n");
    const std::string source = WriteScript("fail", kScript);
    struct {
        std::string args, last;
    } cases[] = {
        {"--loop 1000000 --steps 5000 " + spin + " A",
         "orvelc-run: error: step limit of 5000 instructions reached (runaway loop?) at code+0x"},
        {source + " Nothing", "orvelc-run: error: no state, event or command is called Nothing\n"},
        {source + " OnHit 1", "orvelc-run: error: the unit has no handler OnHit taking 1 argument(s)\n"},
        {"--set nobody=1 " + source + " OnHit", "orvelc-run: error: no class variable nobody\n"},
        {source + " OnHit x", "orvelc-run: error: argument 'x' is not a number\n"},
        {"--bogus 1 " + source + " OnHit", "orvelc-run: error: unknown option --bogus\n"},
    };
    for (const auto& c : cases) {
        const SOutput r = Shell(std::string(ORVELC_RUN) + " " + c.args + " 2>&1");
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_TRUE(Has(r.out, c.last)) << c.args << "\n" << r.out;
    }
}

}  // namespace
