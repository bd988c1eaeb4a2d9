// Expanding the inputs of a batch: directories searched recursively and in
// a fixed order, list files, duplicates, and object names that collide.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver/Workflow.h"

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

class Batch : public ::testing::Test {
protected:
    fs::path dir;
    fs::path old;
    CommandLine o;
    std::vector<CBatchEntry> entries;
    CDiagnostic error;

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orvelc-batch-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        old = fs::current_path();
        fs::current_path(dir);  // inputs are relative to the current directory
        o.outDir = "out";
    }
    void TearDown() override {
        fs::current_path(old);
        fs::remove_all(dir);
    }
    static void Put(const fs::path& p, const std::string& text = "x") {
        if (p.has_parent_path()) fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }
    bool Collect(const Strings& inputs) {
        o.inputs = inputs;
        entries.clear();
        return CollectBatch(o, entries, error);
    }
    Strings Sources() const {
        Strings s;
        for (auto& e : entries) s.push_back(e.source);
        return s;
    }
    Strings Objects() const {
        Strings s;
        for (auto& e : entries) s.push_back(e.object);
        return s;
    }
};

TEST_F(Batch, DirectoriesAreSearchedInNameOrderAndMirrored) {
    for (const char* p : {"src/z.oc", "src/a.oc", "src/m/b.oc", "src/m/B.OC", "src/m/c.txt", "src/m/oc", "src/x.oc.bak"})
        Put(p);
    ASSERT_TRUE(Collect({"src"})) << error.message;
    EXPECT_EQ((Strings{"src/a.oc", "src/m/B.OC", "src/m/b.oc", "src/z.oc"}), Sources());
    EXPECT_EQ((Strings{"out/a.obj", "out/m/B.obj", "out/m/b.obj", "out/z.obj"}), Objects());
}

// List entries are taken as they are: an '@' inside a list is a file name.
TEST_F(Batch, ArgumentsKeepTheirOrderAndListsExpandInPlace) {
    for (const char* p : {"b.oc", "a.oc", "lib/one.ocs", "lib/two.oc"}) Put(p);
    Put("list.txt", "# campaign\n\n  lib/two.oc  \r\nlib\nmissing.oc\n@other.txt\n");
    o.ext = ".ocs";
    o.objExt = ".bin";
    ASSERT_TRUE(Collect({"b.oc", "@list.txt", "a.oc"})) << error.message;
    EXPECT_EQ((Strings{"b.oc", "lib/two.oc", "lib/one.ocs", "missing.oc", "@other.txt", "a.oc"}), Sources());
    EXPECT_EQ((Strings{"out/b.bin", "out/two.bin", "out/one.bin", "out/missing.bin", "out/@other.bin", "out/a.bin"}),
              Objects());
}

TEST_F(Batch, TheSameScriptTwiceIsCompiledOnce) {
    Put("a.oc");
    ASSERT_TRUE(Collect({"a.oc", "./a.oc", (dir / "a.oc").string(), "sub/../a.oc", "."})) << error.message;
    EXPECT_EQ((Strings{"a.oc"}), Sources());
}

// Two scripts for one object are refused (a command-line case), but checking
// writes nothing, so nothing collides.
TEST_F(Batch, CheckingHasNoObjectsToCollide) {
    Put("a/x.oc");
    Put("b/x.oc");
    o.check = true;
    EXPECT_TRUE(Collect({"a/x.oc", "b/x.oc"}));
    EXPECT_EQ(2u, entries.size());
}

TEST_F(Batch, OutputsNeverReplaceScriptsOrEachOther) {
    // A script that sits where another script's object file goes.
    Put("b.oc");
    Put("out/b.obj");
    EXPECT_FALSE(Collect({"b.oc", "out/b.obj"}));
    EXPECT_EQ((dir / "b.oc").string(), error.file);
    EXPECT_EQ("Output file 'out/b.obj' would replace the script 'out/b.obj'", error.message);

    // With depfiles, an object file ending in .d would be its own depfile.
    Put("a.oc");
    o.objExt = ".d";
    o.depfile = true;
    EXPECT_FALSE(Collect({"a.oc"}));
    EXPECT_EQ("Output file 'out/a.d' is written for 'a.oc' already", error.message);
}

}  // namespace
