// The workflow command line: which arguments switch to it, how values are
// taken, and which combinations are refused before anything is compiled.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "driver/Options.h"

namespace {

struct Argv {
    explicit Argv(std::vector<std::string> a) : args(std::move(a)) {
        args.insert(args.begin(), "orvelc");
        for (std::string& s : args) ptrs.push_back(s.data());
    }
    int argc() const { return int(ptrs.size()); }
    char** argv() { return ptrs.data(); }
    std::vector<std::string> args;
    std::vector<char*> ptrs;
};

bool Uses(std::vector<std::string> args) {
    Argv a(std::move(args));
    return UsesWorkflowOptions(a.argc(), a.argv());
}

bool Parse(std::vector<std::string> args, WorkflowOptions& o, OptionsError& e) {
    Argv a(std::move(args));
    return ParseWorkflowOptions(a.argc(), a.argv(), o, e);
}

TEST(WorkflowOptions, ClassicCommandLinesStayClassic) {
    EXPECT_FALSE(Uses({}));
    EXPECT_FALSE(Uses({"-w-", "-d", "-g", "12345678-9abc-def0-1234-56789abcdef0", "a.oc", "b.obj"}));
    EXPECT_FALSE(Uses({"--tree", "a.oc", "b.obj"}));
    EXPECT_FALSE(Uses({"--frobnicate", "a.oc"}));  // unknown: a file name, as always
    EXPECT_FALSE(Uses({"-i", "a.oc", "b.obj"}));   // -I is matched exactly
    EXPECT_FALSE(Uses({"-jobs", "a.oc"}));
    EXPECT_FALSE(Uses({"--checked", "a.oc"}));
}

TEST(WorkflowOptions, AnyNewOptionSwitches) {
    for (const char* arg : {"-I", "-j", "-j8", "--out-dir", "--out-dir=x", "--ext=.s", "--obj-ext", "--diagnostics=json",
                            "--depfile", "--force", "--check", "--help", "--version"})
        EXPECT_TRUE(Uses({"a.oc", arg, "b.obj"})) << arg;
}

TEST(WorkflowOptions, ValuesAfterEqualsOrAsNextArgument) {
    WorkflowOptions o;
    OptionsError e;
    ASSERT_TRUE(Parse({"--out-dir=out", "--ext", "ocs", "--obj-ext=.bin", "-j3", "-I", "a", "-I", "b", "x.ocs"}, o, e))
        << e.reason;
    EXPECT_EQ("out", o.outDir);
    EXPECT_EQ(".ocs", o.ext);
    EXPECT_EQ(".bin", o.objExt);
    EXPECT_EQ(3, o.jobs);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), o.includeDirs);
    EXPECT_EQ((std::vector<std::string>{"x.ocs"}), o.inputs);
    EXPECT_TRUE(o.IsBatch());
}

TEST(WorkflowOptions, ClassicOptionsKeepTheirMeaningAnywhere) {
    WorkflowOptions o;
    OptionsError e;
    ASSERT_TRUE(Parse({"a.oc", "-W-", "-j", "2", "-D", "b.obj", "-G", "00000001-0002-0003-0405-060708090a0b"}, o, e));
    EXPECT_FALSE(o.warnings);
    EXPECT_TRUE(o.guidGiven);
    EXPECT_EQ(1, o.guid[0]);
    EXPECT_EQ(2, o.guid[4]);
    EXPECT_EQ(11, o.guid[15]);
    EXPECT_EQ((std::vector<std::string>{"a.oc", "b.obj"}), o.inputs);
    EXPECT_FALSE(o.IsBatch());
}

TEST(WorkflowOptions, DoubleDashEndsOptions) {
    WorkflowOptions o;
    OptionsError e;
    ASSERT_TRUE(Parse({"--check", "--", "-w-", "--force"}, o, e));
    EXPECT_TRUE(o.warnings);
    EXPECT_FALSE(o.force);
    EXPECT_EQ((std::vector<std::string>{"-w-", "--force"}), o.inputs);
}

TEST(WorkflowOptions, MistakesAreRefused) {
    struct Case {
        std::vector<std::string> args;
        const char* reason;
    } cases[] = {
        {{"-j", "0", "a", "b"}, "-j needs"},
        {{"-j", "x", "a", "b"}, "-j needs"},
        {{"-j"}, "-j needs"},
        {{"a", "b", "-I"}, "-I needs"},
        {{"--out-dir"}, "--out-dir needs"},
        {{"--out-dir="}, "--out-dir needs"},
        {{"--ext=", "--check", "a"}, "--ext needs"},
        {{"--diagnostics=xml", "a", "b"}, "json or text"},
        {{"--check", "-q", "a"}, "unknown option '-q'"},
        {{"-I", "inc", "a.oc"}, "expected SOURCE OUTPUT"},
        {{"-I", "inc", "a.oc", "b.obj", "c.obj"}, "expected SOURCE OUTPUT"},
        {{"--out-dir", "o"}, "no scripts"},
        {{"--check"}, "no scripts"},
        {{"--out-dir", "o", "-g", "12345678-9abc-def0-1234-56789abcdef0", "a.oc"}, "-g names a single script"},
    };
    for (const Case& c : cases) {
        WorkflowOptions o;
        OptionsError e;
        EXPECT_FALSE(Parse(c.args, o, e)) << c.args[0];
        EXPECT_NE(std::string::npos, e.reason.find(c.reason)) << e.reason;
    }
}

TEST(WorkflowOptions, BadGuidIsReportedLikeTheClassicForm) {
    WorkflowOptions o;
    OptionsError e;
    EXPECT_FALSE(Parse({"-j", "2", "-g", "{x}", "a.oc", "b.obj"}, o, e));
    EXPECT_TRUE(e.badGuid);
    EXPECT_EQ("{x}", e.guidText);
    EXPECT_EQ("a.oc", e.guidNext);
    OptionsError last;
    EXPECT_FALSE(Parse({"-j", "2", "-g", "{x}"}, o, last));
    EXPECT_EQ("(null)", last.guidNext);
}

TEST(WorkflowOptions, HelpAndVersionNeedNothingElse) {
    WorkflowOptions o;
    OptionsError e;
    EXPECT_TRUE(Parse({"--help"}, o, e));
    EXPECT_TRUE(o.help);
    WorkflowOptions v;
    EXPECT_TRUE(Parse({"--out-dir", "o", "--version"}, v, e));
    EXPECT_TRUE(v.version);
}

TEST(WorkflowOptions, IncludeVariableComesAfterCommandLine) {
    setenv("ORVELC_INCLUDE", "e1:e2", 1);
    WorkflowOptions o;
    OptionsError e;
    bool ok = Parse({"-I", "c", "a.oc", "b.obj"}, o, e);
    unsetenv("ORVELC_INCLUDE");
    ASSERT_TRUE(ok);
    EXPECT_EQ((std::vector<std::string>{"c", "e1", "e2"}), o.includeDirs);
}

TEST(WorkflowOptions, PathListsDropEmptyEntries) {
    EXPECT_EQ((std::vector<std::string>{}), SplitPathList(""));
    EXPECT_EQ((std::vector<std::string>{"a"}), SplitPathList("a"));
    EXPECT_EQ((std::vector<std::string>{"a", "b c", "/d"}), SplitPathList("::a::b c:/d:"));
}

TEST(WorkflowOptions, DefaultJobsIsAtLeastOne) {
    WorkflowOptions o;
    OptionsError e;
    ASSERT_TRUE(Parse({"--check", "a.oc"}, o, e));
    EXPECT_GE(o.jobs, 1);
}

}  // namespace
