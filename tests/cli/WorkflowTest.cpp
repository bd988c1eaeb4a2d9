// The workflow command line end to end, where a fixed expected output is not
// enough: parallel and sequential batches must give the same objects and the
// same blocks, long blocks must not interleave, depfiles must make rebuilds
// incremental, ORVELC_INCLUDE must be searched after -I, and a fault must end
// in one line and status 3.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace fs = std::filesystem;

namespace {

const char* const kGood = "unit \"Good\"\n{\n    int v;\n    state Idle;\n    state Idle { v = v + 1; return Idle, 10; }\n}\n";
const char* const kBad = "unit \"Bad\"\n{\n    state Idle { break; }\n}\n";
// Two scripts of the same class that declare the same constant: compiled
// in one address space, the second would find the first one's constant.
const char* const kWithConst =
    "unit \"Const\"\n{\n    consts { Limit = 7; }\n    int v;\n    state Idle;\n    state Idle { v = Limit; return Idle, 10; }\n}\n";

const char* const kIncluder = R"(unit "Inc"
{
    include "common.h"
    int v;
    state Idle;
    state Idle
    {
        v = Shared;
        return Idle, 10;
    }
}
)";

const char* const kCommon = "consts\n{\n    Shared = 3;\n}\n";

void Put(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    WriteFile(p, text);
}

// Offset of the 16 identifier bytes in an object file's header.
size_t GuidOffset(const std::string& obj) {
    if (obj.size() < 4) return std::string::npos;
    uint8_t flags = uint8_t(obj[3]);
    size_t at = 4;
    if (flags & 8) at += 1 + uint8_t(obj[4]);
    if (flags & 16) at += 4;
    return at + 16 <= obj.size() ? at : std::string::npos;
}

std::string GuidText(const std::string& g) {
    auto b = [&](int i) { return unsigned(uint8_t(g[size_t(i)])); };
    char text[40];
    std::snprintf(text, sizeof text, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24, b(4) | b(5) << 8, b(6) | b(7) << 8, b(8), b(9),
                  b(10), b(11), b(12), b(13), b(14), b(15));
    return text;
}

std::map<std::string, std::string> ReadTree(const fs::path& dir) {
    std::map<std::string, std::string> files;
    if (!fs::exists(dir)) return files;
    for (auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) files[fs::relative(e.path(), dir).string()] = ReadFile(e.path());
    return files;
}

class Workflow : public ::testing::Test {
protected:
    ScratchDir tmp;
    fs::path work = tmp.path / "work";

    void SetUp() override {
        fs::create_directories(work);
        fs::create_directories(tmp.path / "bin");
        fs::copy_file(ORVELC_BINARY, tmp.path / "bin" / "orvelc");
        fs::permissions(tmp.path / "bin" / "orvelc", fs::perms::owner_all);
    }
    void TearDown() override {
        unsetenv("ORVELC_INCLUDE");
        unsetenv("ORVELC_FAULT_INJECT");
    }
    RunResult Run(const std::vector<std::string>& args) {
        return RunProgram((tmp.path / "bin" / "orvelc").string(), args, work.string());
    }
    // A campaign with every kind of input: good and bad scripts, scripts
    // that need -I, a directory with subfolders, a list file, a missing file.
    std::vector<std::string> WriteCampaign() {
        Put(work / "good.oc", kGood);
        Put(work / "bad.oc", kBad);
        Put(work / "const1.oc", kWithConst);
        Put(work / "const2.oc", kWithConst);
        Put(work / "inc.oc", kIncluder);
        Put(work / "headers" / "common.h", kCommon);
        Put(work / "units" / "a.oc", kGood);
        Put(work / "units" / "deep" / "b.oc", kWithConst);
        Put(work / "units" / "deep" / "c.oc", kBad);
        Put(work / "units" / "readme.txt", "not a script");
        Put(work / "listed" / "one.oc", kIncluder);
        Put(work / "listed" / "two.oc", kGood);
        Put(work / "campaign.lst", "# listed scripts\nlisted/one.oc\n\nlisted/two.oc\n");
        return {"-I", "headers", "good.oc", "bad.oc", "const1.oc", "const2.oc", "inc.oc",
                "units", "@campaign.lst", "missing.oc"};
    }
};

TEST_F(Workflow, ParallelAndSequentialBatchesAgree) {
    std::vector<std::string> inputs = WriteCampaign();
    auto batch = [&](const std::string& jobs, const std::string& out) {
        std::vector<std::string> args = {"-j", jobs, "--out-dir", (tmp.path / out).string()};
        args.insert(args.end(), inputs.begin(), inputs.end());
        return Run(args);
    };
    RunResult one = batch("1", "out1");
    RunResult four = batch("4", "out4");
    EXPECT_EQ(1, one.status);
    EXPECT_EQ(1, four.status);
    EXPECT_EQ(one.out, four.out);
    EXPECT_NE(std::string::npos, one.out.find("\n8 compiled, 3 failed\n")) << one.out;
    // Both scripts with the constant compile: each had a library of its own.
    EXPECT_EQ(std::string::npos, one.out.find("constant already defined")) << one.out;

    std::map<std::string, std::string> a = ReadTree(tmp.path / "out1");
    std::map<std::string, std::string> b = ReadTree(tmp.path / "out4");
    std::set<std::string> names;
    for (auto& [name, data] : a) names.insert(name);
    EXPECT_EQ((std::set<std::string>{"good.obj", "const1.obj", "const2.obj", "inc.obj", "a.obj",
                                     "deep/b.obj", "one.obj", "two.obj"}),
              names);
    ASSERT_EQ(a.size(), b.size());
    std::set<std::string> guids;
    for (auto& [name, data] : a) {
        std::string other = b[name];
        size_t at = GuidOffset(data);
        ASSERT_NE(std::string::npos, at) << name;
        ASSERT_EQ(data.size(), other.size()) << name;
        EXPECT_EQ(data.substr(0, at), other.substr(0, at)) << name;
        EXPECT_EQ(data.substr(at + 16), other.substr(at + 16)) << name;
        guids.insert(data.substr(at, 16));
        guids.insert(other.substr(at, 16));
    }
    EXPECT_EQ(2 * a.size(), guids.size()) << "every object has its own identifier";
}

TEST_F(Workflow, BatchObjectEqualsClassicCompileWithItsGuid) {
    Put(work / "headers" / "common.h", kCommon);
    Put(work / "inc.oc", kIncluder);
    RunResult batch = Run({"-I", "headers", "--out-dir", "out", "inc.oc"});
    ASSERT_EQ(0, batch.status) << batch.out;
    std::string obj = ReadFile(work / "out" / "inc.obj");
    size_t at = GuidOffset(obj);
    ASSERT_NE(std::string::npos, at);
    // The classic form has no -I, so the header sits beside the script.
    Put(work / "common.h", kCommon);
    RunResult classic = Run({"-g", GuidText(obj.substr(at, 16)), "inc.oc", "classic.obj"});
    ASSERT_EQ(0, classic.status) << classic.out;
    EXPECT_EQ(obj, ReadFile(work / "classic.obj"));
}

TEST_F(Workflow, LongBlocksDoNotInterleaveAndKeepArgumentOrder) {
    // Each script warns about thousands of strings, far more than a pipe
    // holds, so the children really do run at the same time.
    std::vector<std::string> args = {"-j", "4", "--out-dir", "out"};
    for (int f = 0; f < 6; ++f) {
        std::string script = "unit \"U" + std::to_string(f) + "\"\n{\n"
                             "    function int Say(string t)\n    {\n        return 0;\n    }\n"
                             "    state Idle;\n    state Idle\n    {\n";
        for (int i = 0; i < 1500; ++i) script += "        Say(\"text" + std::to_string(i) + "\");\n";
        script += "        return Idle, 10;\n    }\n}\n";
        std::string name = "s" + std::to_string(5 - f) + ".oc";  // argument order is not name order
        Put(work / name, script);
        args.push_back(name);
    }
    RunResult r = Run(args);
    ASSERT_EQ(0, r.status) << r.out.substr(0, 2000);
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_GE(lines.size(), 3u);
    size_t i = 2;
    for (int f = 0; f < 6; ++f) {
        std::string name = "s" + std::to_string(5 - f) + ".oc";
        ASSERT_EQ(name, lines[i]) << "block " << f;
        ++i;
        std::string prefix = (work / name).string() + "(";
        int warnings = 0;
        for (; i < lines.size() && lines[i].rfind(prefix, 0) == 0; ++i) ++warnings;
        EXPECT_EQ(1501, warnings) << name;
        ASSERT_LT(i, lines.size());
        EXPECT_EQ("    0 error(s), 0 warning(s)", lines[i++]);
    }
    ASSERT_EQ(i + 1, lines.size());
    EXPECT_EQ("6 compiled, 0 failed", lines[i]);
}

TEST_F(Workflow, DepfileListsSourceAndEveryInclude) {
    Put(work / "my headers" / "common.h", "include \"more.h\"\n" + std::string(kCommon));
    Put(work / "my headers" / "more.h", "");
    Put(work / "inc.oc", kIncluder);
    RunResult r = Run({"--depfile", "-I", "my headers", "--out-dir", "out", "inc.oc"});
    ASSERT_EQ(0, r.status) << r.out;
    std::string dir = work.string();
    EXPECT_EQ("out/inc.obj: \\\n  " + dir + "/inc.oc \\\n  " + dir + "/my\\ headers/common.h \\\n  " + dir +
                  "/my\\ headers/more.h\n\n" + dir + "/my\\ headers/common.h:\n\n" + dir +
                  "/my\\ headers/more.h:\n",
              ReadFile(work / "out" / "inc.d"));

    // The single-script form writes one beside its output as well.
    RunResult single = Run({"--depfile", "-I", "my headers", "inc.oc", "single.obj"});
    ASSERT_EQ(0, single.status) << single.out;
    EXPECT_EQ(0u, ReadFile(work / "single.d").find("single.obj: \\\n  " + dir + "/inc.oc \\\n"));
}

TEST_F(Workflow, DepfilesSkipUpToDateScripts) {
    Put(work / "headers" / "common.h", kCommon);
    Put(work / "inc.oc", kIncluder);
    Put(work / "good.oc", kGood);
    std::vector<std::string> args = {"-w-", "--depfile", "-I", "headers", "--out-dir", "out", "inc.oc", "good.oc"};
    auto age = [&](const fs::path& p, int seconds) {
        fs::last_write_time(p, fs::file_time_type::clock::now() + std::chrono::seconds(seconds));
    };
    auto ageSources = [&] {
        for (auto p : {work / "inc.oc", work / "good.oc", work / "headers" / "common.h"}) age(p, -100);
    };
    ASSERT_EQ(0, Run(args).status);
    // Sources written long ago, objects just now: both are up to date.
    ageSources();
    RunResult again = Run(args);
    EXPECT_EQ(0, again.status);
    EXPECT_NE(std::string::npos, again.out.find("inc.oc\n    up to date\ngood.oc\n    up to date\n"
                                                "0 compiled, 0 failed, 2 up to date\n"))
        << again.out;

    // A changed header rebuilds only the script that includes it.
    age(work / "headers" / "common.h", 100);
    RunResult changed = Run(args);
    EXPECT_NE(std::string::npos, changed.out.find("inc.oc\n    0 error(s), 0 warning(s)\ngood.oc\n    up to date\n"
                                                  "1 compiled, 0 failed, 1 up to date\n"))
        << changed.out;

    // --force rebuilds everything.
    ageSources();
    EXPECT_NE(std::string::npos, Run(args).out.find("0 compiled, 0 failed, 2 up to date\n"));
    std::vector<std::string> forced = args;
    forced.push_back("--force");
    EXPECT_NE(std::string::npos, Run(forced).out.find("\n2 compiled, 0 failed\n"));

    // Without its depfile a script is never taken as up to date.
    ageSources();
    fs::remove(work / "out" / "good.d");
    EXPECT_NE(std::string::npos, Run(args).out.find("1 compiled, 0 failed, 1 up to date\n"));

    // A header that disappeared makes the script fail, not look up to date,
    // and it keeps failing until the header is back.
    for (auto p : {work / "inc.oc", work / "good.oc"}) age(p, -100);
    fs::remove(work / "headers" / "common.h");
    for (int run = 0; run < 2; ++run) {
        RunResult gone = Run(args);
        EXPECT_EQ(1, gone.status);
        EXPECT_NE(std::string::npos, gone.out.find("File not found 'common.h'")) << gone.out;
    }
}

TEST_F(Workflow, IncludeEnvironmentComesAfterCommandLineDirectories) {
    Put(work / "inc.oc", kIncluder);
    setenv("ORVELC_INCLUDE", "env1::env2", 1);
    RunResult r = Run({"-I", "cmd", "inc.oc", "out.obj"});
    std::string dir = work.string();
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.out.find(dir + "/common.h(3) : error C0101: File not found 'common.h'\n"
                                                  "    searched '" + dir + "/cmd/common.h'\n"
                                                  "    searched '" + dir + "/env1/common.h'\n"
                                                  "    searched '" + dir + "/env2/common.h'\n"))
        << r.out;

    Put(work / "env2" / "common.h", kCommon);
    EXPECT_EQ(0, Run({"-I", "cmd", "inc.oc", "out.obj"}).status);
    EXPECT_EQ(0, Run({"--check", "inc.oc"}).status);
    // The classic command line is served too, and its output stays classic.
    RunResult with = Run({"-w-", "inc.oc", "out.obj"});
    EXPECT_EQ(0, with.status);
    EXPECT_EQ(std::string(kBanner) + "    0 error(s), 0 warning(s)\n", with.out);
    // Without the variable the header is not found, and the classic form
    // lists no searched directories.
    unsetenv("ORVELC_INCLUDE");
    RunResult without = Run({"-w-", "inc.oc", "out.obj"});
    EXPECT_EQ(1, without.status);
    EXPECT_EQ(std::string::npos, without.out.find("searched")) << without.out;
}

TEST_F(Workflow, FaultIsOneLineAndStatusThree) {
    Put(work / "good.oc", kGood);
    Put(work / "crash.oc", kGood);
    setenv("ORVELC_FAULT_INJECT", "crash.oc", 1);
    std::string line = work.string() + "/crash.oc(0) : error C0000: Internal compiler error\n";

    RunResult classic = Run({"-w-", "crash.oc", "out.obj"});
    EXPECT_EQ(3, classic.status);
    EXPECT_EQ(kBanner + line, classic.out);
    EXPECT_FALSE(fs::exists(work / "out.obj"));

    RunResult batch = Run({"-w-", "-j", "2", "--out-dir", "out", "good.oc", "crash.oc", "good.oc"});
    EXPECT_EQ(3, batch.status);
    EXPECT_NE(std::string::npos, batch.out.find("good.oc\n    0 error(s), 0 warning(s)\ncrash.oc\n" + line +
                                                "1 compiled, 1 failed\n"))
        << batch.out;
    EXPECT_TRUE(fs::exists(work / "out" / "good.obj"));

    // A child killed outright cannot say anything; the batch says it for it.
    setenv("ORVELC_FAULT_INJECT", "!crash.oc", 1);
    RunResult killed = Run({"-w-", "-j", "2", "--out-dir", "out", "good.oc", "crash.oc"});
    EXPECT_EQ(3, killed.status);
    EXPECT_NE(std::string::npos, killed.out.find("crash.oc\n" + line + "1 compiled, 1 failed\n")) << killed.out;
    setenv("ORVELC_FAULT_INJECT", "crash.oc", 1);

    RunResult json = Run({"--diagnostics=json", "--check", "crash.oc"});
    EXPECT_EQ(3, json.status);
    EXPECT_EQ("{\"file\":\"" + work.string() +
                  "/crash.oc\",\"line\":0,\"severity\":\"error\",\"code\":\"C0000\","
                  "\"message\":\"Internal compiler error\",\"includes\":[]}\n",
              json.out);
}

TEST_F(Workflow, UnwritableOutputDirectoryFailsEachScript) {
    Put(work / "good.oc", kGood);
    Put(work / "taken", "a file where the directory should be");
    RunResult r = Run({"-w-", "--out-dir", "taken", "good.oc"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.out.find("good.oc\ntaken/good.obj(0) : error C0101: Cannot write 'taken/good.obj'\n"
                                            "0 compiled, 1 failed\n"))
        << r.out;
}

}  // namespace
