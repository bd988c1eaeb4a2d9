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

class Batch : public ::testing::Test {
protected:
    fs::path dir;
    fs::path old;
    void SetUp() override {
        dir = fs::temp_directory_path() / ("orvelc-batch-" + std::string(::testing::UnitTest::GetInstance()
                                                                               ->current_test_info()
                                                                               ->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        old = fs::current_path();
        fs::current_path(dir);  // inputs are relative to the current directory
    }
    void TearDown() override {
        fs::current_path(old);
        fs::remove_all(dir);
    }
    static void Put(const fs::path& p, const std::string& text = "x") {
        if (p.has_parent_path()) fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }
    static std::vector<std::string> Sources(const std::vector<CBatchEntry>& entries) {
        std::vector<std::string> s;
        for (auto& e : entries) s.push_back(e.source);
        return s;
    }
    static std::vector<std::string> Objects(const std::vector<CBatchEntry>& entries) {
        std::vector<std::string> s;
        for (auto& e : entries) s.push_back(e.object);
        return s;
    }
};

TEST_F(Batch, DirectoriesAreSearchedInNameOrderAndMirrored) {
    for (const char* p : {"src/z.oc", "src/a.oc", "src/m/b.oc", "src/m/B.OC", "src/m/c.txt", "src/m/oc", "src/x.oc.bak"})
        Put(p);
    WorkflowOptions o;
    o.outDir = "out";
    o.inputs = {"src"};
    std::vector<CBatchEntry> entries;
    CDiagnostic error;
    ASSERT_TRUE(CollectBatch(o, entries, error)) << error.message;
    EXPECT_EQ((std::vector<std::string>{"src/a.oc", "src/m/B.OC", "src/m/b.oc", "src/z.oc"}), Sources(entries));
    EXPECT_EQ((std::vector<std::string>{"out/a.obj", "out/m/B.obj", "out/m/b.obj", "out/z.obj"}), Objects(entries));
}

TEST_F(Batch, ArgumentsKeepTheirOrderAndListsExpandInPlace) {
    Put("b.oc");
    Put("a.oc");
    Put("lib/one.ocs");
    Put("lib/two.oc");
    Put("list.txt", "# campaign\n\n  lib/two.oc  \r\nlib\nmissing.oc\n");
    WorkflowOptions o;
    o.outDir = "out";
    o.ext = ".ocs";
    o.objExt = ".bin";
    o.inputs = {"b.oc", "@list.txt", "a.oc"};
    std::vector<CBatchEntry> entries;
    CDiagnostic error;
    ASSERT_TRUE(CollectBatch(o, entries, error)) << error.message;
    EXPECT_EQ((std::vector<std::string>{"b.oc", "lib/two.oc", "lib/one.ocs", "missing.oc", "a.oc"}), Sources(entries));
    EXPECT_EQ((std::vector<std::string>{"out/b.bin", "out/two.bin", "out/one.bin", "out/missing.bin", "out/a.bin"}),
              Objects(entries));
}

TEST_F(Batch, TheSameScriptTwiceIsCompiledOnce) {
    Put("a.oc");
    WorkflowOptions o;
    o.outDir = "out";
    o.inputs = {"a.oc", "./a.oc", (dir / "a.oc").string(), "sub/../a.oc", "."};
    std::vector<CBatchEntry> entries;
    CDiagnostic error;
    ASSERT_TRUE(CollectBatch(o, entries, error)) << error.message;
    EXPECT_EQ((std::vector<std::string>{"a.oc"}), Sources(entries));
}

TEST_F(Batch, TwoScriptsForOneObjectAreRefused) {
    Put("a/x.oc");
    Put("b/x.oc");
    WorkflowOptions o;
    o.outDir = "out";
    o.inputs = {"a/x.oc", "b/x.oc"};
    std::vector<CBatchEntry> entries;
    CDiagnostic error;
    EXPECT_FALSE(CollectBatch(o, entries, error));
    EXPECT_EQ((dir / "b/x.oc").string(), error.file);
    EXPECT_EQ("Output file 'out/x.obj' is written for 'a/x.oc' already", error.message);
    // Checking writes nothing, so nothing collides.
    o.check = true;
    entries.clear();
    EXPECT_TRUE(CollectBatch(o, entries, error));
    EXPECT_EQ(2u, entries.size());
}

TEST_F(Batch, OutputsNeverReplaceScriptsOrEachOther) {
    Put("a.oc");
    Put("b.oc");
    WorkflowOptions o;
    o.outDir = ".";
    o.objExt = ".oc";
    o.inputs = {"a.oc"};
    std::vector<CBatchEntry> entries;
    CDiagnostic error;
    EXPECT_FALSE(CollectBatch(o, entries, error));
    EXPECT_EQ("Output file './a.oc' would replace the script 'a.oc'", error.message);

    // A script that sits where another script's object file goes.
    o.outDir = "out";
    o.objExt = ".obj";
    o.inputs = {"b.oc", "out/b.obj"};
    Put("out/b.obj");
    entries.clear();
    EXPECT_FALSE(CollectBatch(o, entries, error));
    EXPECT_EQ((dir / "b.oc").string(), error.file);
    EXPECT_EQ("Output file 'out/b.obj' would replace the script 'out/b.obj'", error.message);

    // With depfiles, an object file ending in .d would be its own depfile.
    o.inputs = {"a.oc"};
    o.objExt = ".d";
    o.depfile = true;
    entries.clear();
    EXPECT_FALSE(CollectBatch(o, entries, error));
    EXPECT_EQ("Output file 'out/a.d' is written for 'a.oc' already", error.message);
}

TEST_F(Batch, MissingListStopsTheBatch) {
    WorkflowOptions o;
    o.outDir = "out";
    o.inputs = {"@nothere.txt"};
    std::vector<CBatchEntry> entries;
    CDiagnostic error;
    EXPECT_FALSE(CollectBatch(o, entries, error));
    EXPECT_EQ("File not found '@nothere.txt'", error.message);
    EXPECT_EQ((dir / "nothere.txt").string(), error.file);
}

TEST_F(Batch, ListEntriesAreNotListsThemselves) {
    Put("list.txt", "@other.txt\n");
    WorkflowOptions o;
    o.check = true;
    o.inputs = {"@list.txt"};
    std::vector<CBatchEntry> entries;
    CDiagnostic error;
    ASSERT_TRUE(CollectBatch(o, entries, error));
    EXPECT_EQ((std::vector<std::string>{"@other.txt"}), Sources(entries));
}

}  // namespace
