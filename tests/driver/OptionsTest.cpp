// The workflow command line: which arguments switch to it, how values are
// taken, and which combinations are refused before anything is compiled.
#include <gtest/gtest.h>

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

bool Parse(std::vector<std::string> args, CommandLine& o, OptionsError& e) {
    Argv a(std::move(args));
    return ParseCommandLine(a.argc(), a.argv(), o, e);
}

// Unknown options stay file names in the classic form, -I and -j are
// matched exactly, and any new option switches to the workflow.
TEST(WorkflowOptions, WhichCommandLinesSwitch) {
    EXPECT_FALSE(Uses({}));
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"-w-", "-d", "-g", "12345678-9abc-def0-1234-56789abcdef0", "a.oc", "b.obj"},
             {"--tree", "a.oc", "b.obj"}, {"--frobnicate", "a.oc"}, {"-i", "a.oc", "b.obj"}, {"-jobs", "a.oc"},
             {"--checked", "a.oc"}})
        EXPECT_FALSE(Uses(args)) << args[0];
    for (const char* arg : {"-I", "-j", "-j8", "--out-dir", "--out-dir=x", "--ext=.s", "--obj-ext", "--diagnostics=json",
                            "--diagnostics=pretty", "--depfile", "--force", "--check", "--all-errors",
                            "--max-errors=5", "--help", "--version"})
        EXPECT_TRUE(Uses({"a.oc", arg, "b.obj"})) << arg;
}

// Values after '=' or as the next argument; classic options in any case
// and between the file names.
TEST(WorkflowOptions, ValuesAndClassicOptionsAnywhere) {
    CommandLine o;
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

    CommandLine c;
    ASSERT_TRUE(Parse({"a.oc", "-W-", "-j", "2", "-D", "b.obj", "-G", "00000001-0002-0003-0405-060708090a0b"}, c, e));
    EXPECT_FALSE(c.warnings);
    EXPECT_TRUE(c.guidGiven);
    EXPECT_EQ(1, c.guid[0]);
    EXPECT_EQ(2, c.guid[4]);
    EXPECT_EQ(11, c.guid[15]);
    EXPECT_EQ((std::vector<std::string>{"a.oc", "b.obj"}), c.inputs);
    EXPECT_FALSE(c.IsBatch());

    CommandLine d;
    ASSERT_TRUE(Parse({"--all-errors", "--max-errors", "0", "--diagnostics=pretty", "a.oc", "b.obj"}, d, e));
    EXPECT_TRUE(d.allErrors);
    EXPECT_EQ(0, d.maxErrors);
    EXPECT_EQ(EDiagnosticFormat::ePretty, d.format);
    EXPECT_FALSE(d.colour);  // the caller decides, knowing where output goes
    CommandLine n;
    ASSERT_TRUE(Parse({"--check", "a.oc"}, n, e));
    EXPECT_FALSE(n.allErrors);
    EXPECT_EQ(100, n.maxErrors);

    // --version needs nothing else, not even the scripts --out-dir asks for.
    CommandLine v;
    EXPECT_TRUE(Parse({"--out-dir", "o", "--version"}, v, e));
    EXPECT_TRUE(v.version);
}

// The command-line cases show the whole message for -j 0, -j many, a
// missing -I value, an unknown format and a lone script; these are the rest.
TEST(WorkflowOptions, MistakesAreRefused) {
    struct Case {
        std::vector<std::string> args;
        const char* reason;
    } cases[] = {
        {{"-j"}, "-j needs"},
        {{"--out-dir"}, "--out-dir needs"},
        {{"--out-dir="}, "--out-dir needs"},
        {{"--ext=", "--check", "a"}, "--ext needs"},
        {{"--check", "-q", "a"}, "unknown option '-q'"},
        {{"-I", "inc", "a.oc", "b.obj", "c.obj"}, "expected SOURCE OUTPUT"},
        {{"--out-dir", "o"}, "no scripts"},
        {{"--check"}, "no scripts"},
        {{"--max-errors", "-1", "--check", "a"}, "--max-errors needs a number"},
        {{"--max-errors=10000", "--check", "a"}, "--max-errors needs a number"},
        {{"--check", "a", "--max-errors"}, "--max-errors needs a value"},
        {{"--out-dir", "o", "-g", "12345678-9abc-def0-1234-56789abcdef0", "a.oc"}, "-g names a single script"},
    };
    for (const Case& c : cases) {
        CommandLine o;
        OptionsError e;
        EXPECT_FALSE(Parse(c.args, o, e)) << c.args[0];
        EXPECT_NE(std::string::npos, e.reason.find(c.reason)) << e.reason;
    }
    // A bad identifier as the last argument has no next one to name.
    CommandLine o;
    OptionsError last;
    EXPECT_FALSE(Parse({"-j", "2", "-g", "{x}"}, o, last));
    EXPECT_TRUE(last.badGuid);
    EXPECT_EQ("(null)", last.guidNext);
}

// The classic form: options only before the files, the first other
// argument ends them, "-g" counts only with a value after it, and the
// include variable is read in both forms.
TEST(ClassicOptions, FirstOtherArgumentEndsTheOptions) {
    CommandLine o;
    OptionsError e;
    EXPECT_FALSE(Parse({"-W-", "--tree", "a.oc", "-w+", "b"}, o, e));
    EXPECT_EQ(e.reason, "");
    EXPECT_FALSE(o.workflow);
    EXPECT_FALSE(o.warnings);
    EXPECT_TRUE(o.printTree);
    EXPECT_EQ((std::vector<std::string>{"a.oc", "-w+", "b"}), o.inputs);

    EXPECT_EQ(CommandLineError(e).message, "Invalid parameters");
    CommandLine lastG;
    EXPECT_TRUE(Parse({"-w-", "a.oc", "-g"}, lastG, e));
    EXPECT_EQ((std::vector<std::string>{"a.oc", "-g"}), lastG.inputs);  // a.oc is compiled into -g
    CommandLine onlyG;
    EXPECT_FALSE(Parse({"-w-", "-g"}, onlyG, e));
    EXPECT_EQ((std::vector<std::string>{"-g"}), onlyG.inputs);

    CommandLine badGuid;
    OptionsError g;
    EXPECT_FALSE(Parse({"-d", "-g", "{1}", "a.oc", "b"}, badGuid, g));
    EXPECT_EQ(FormatText(CommandLineError(g)), "a.oc(0) : error C0000: Invalid guid {1}\n");

    ::setenv("ORVELC_INCLUDE", "x::y", 1);
    CommandLine classic, workflow;
    EXPECT_TRUE(Parse({"a.oc", "b"}, classic, e));
    EXPECT_TRUE(Parse({"-I", "w", "a.oc", "b"}, workflow, e));
    ::unsetenv("ORVELC_INCLUDE");
    EXPECT_EQ((std::vector<std::string>{"x", "y"}), classic.includeDirs);
    EXPECT_EQ((std::vector<std::string>{"w", "x", "y"}), workflow.includeDirs);
}

TEST(WorkflowOptions, PathListsDropEmptyEntries) {
    EXPECT_EQ((std::vector<std::string>{}), SplitPathList(""));
    EXPECT_EQ((std::vector<std::string>{"a"}), SplitPathList("a"));
    EXPECT_EQ((std::vector<std::string>{"a", "b c", "/d"}), SplitPathList("::a::b c:/d:"));
}

}  // namespace

// --reference takes at most one class, after "=" or as the one input.
TEST(ReferenceOption, TakesOneClassOrNone) {
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"--reference"}, {"--reference", "unit"}, {"unit", "--reference"}, {"--reference=unit"}}) {
        CommandLine o;
        OptionsError e;
        ASSERT_TRUE(Parse(args, o, e)) << args[0] << ": " << e.reason;
        EXPECT_TRUE(o.reference);
        EXPECT_EQ(o.referenceClass, args.size() == 1 && args[0] == "--reference" ? "" : "unit");
    }
    CommandLine o;
    OptionsError e;
    EXPECT_FALSE(Parse({"--reference=unit", "tank"}, o, e));
    EXPECT_EQ(e.reason, "--reference takes at most one class");
}
