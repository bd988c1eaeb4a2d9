// Dependency files: what is written reads back, make's escapes for blanks,
// '#' and '$', and the up-to-date rule with its refusals. A missing depfile
// or header is run through the binary by the workflow tests.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver/Depfile.h"

namespace fs = std::filesystem;

namespace {

class Depfile : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orvelc-depfile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string P(const char* name) { return (dir / name).string(); }
    void Touch(const char* name, int secondsFromNow) {
        std::ofstream(dir / name, std::ios::app).flush();
        fs::last_write_time(dir / name, fs::file_time_type::clock::now() + std::chrono::seconds(secondsFromNow));
    }
    static std::string Read(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(Depfile, PathBesideTheObject) {
    EXPECT_EQ("out/a.d", DepfilePathFor("out/a.obj"));
    EXPECT_EQ("out/a.b.d", DepfilePathFor("out/a.b.obj"));
    EXPECT_EQ("out/a.d", DepfilePathFor("out/a"));
}

TEST_F(Depfile, WritesMakeSyntaxAndReadsItBack) {
    std::vector<std::string> deps = {"/src/main.oc", "/my dir/common.h", "/odd/#hash$cash.h"};
    ASSERT_TRUE(WriteDepfile(P("a.d"), "out/a.obj", deps));
    EXPECT_EQ("out/a.obj: \\\n  /src/main.oc \\\n  /my\\ dir/common.h \\\n  /odd/\\#hash$$cash.h\n"
              "\n/my\\ dir/common.h:\n\n/odd/\\#hash$$cash.h:\n",
              Read(P("a.d")));
    std::string target;
    std::vector<std::string> back;
    ASSERT_TRUE(ReadDepfile(P("a.d"), target, back));
    EXPECT_EQ("out/a.obj", target);
    EXPECT_EQ(deps, back);
    // No temporary file is left behind.
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    EXPECT_FALSE(WriteDepfile(P("missing-dir/a.d"), "a.obj", {"a.oc"}));
}

TEST_F(Depfile, ReadsRulesWrittenByOthers) {
    std::ofstream(P("x.d")) << "\r\nC:\\out\\x.obj: C:\\src\\x.oc \\\r\n   C:\\inc\\y.h\r\n\r\nC:\\inc\\y.h:\r\n";
    std::string target;
    std::vector<std::string> deps;
    ASSERT_TRUE(ReadDepfile(P("x.d"), target, deps));
    EXPECT_EQ("C:\\out\\x.obj", target);
    EXPECT_EQ((std::vector<std::string>{"C:\\src\\x.oc", "C:\\inc\\y.h"}), deps);
}

TEST_F(Depfile, RefusesWhatIsNoRule) {
    std::string target;
    std::vector<std::string> deps;
    EXPECT_FALSE(ReadDepfile(P("none.d"), target, deps));
    std::ofstream(P("empty.d")) << "\n\n";
    EXPECT_FALSE(ReadDepfile(P("empty.d"), target, deps));
    std::ofstream(P("two.d")) << "a b: c\n";
    EXPECT_FALSE(ReadDepfile(P("two.d"), target, deps));
}

TEST_F(Depfile, UpToDateOnlyWhenNewerThanEveryDependency) {
    Touch("main.oc", -100);
    Touch("common.h", -100);
    Touch("a.obj", -10);
    ASSERT_TRUE(WriteDepfile(P("a.d"), P("a.obj"), {P("main.oc"), P("common.h")}));
    EXPECT_TRUE(IsUpToDate(P("a.obj"), P("a.d")));

    Touch("common.h", -10);  // as old as the object: not clearly older
    EXPECT_FALSE(IsUpToDate(P("a.obj"), P("a.d")));
    Touch("common.h", -100);
    Touch("main.oc", 5);
    EXPECT_FALSE(IsUpToDate(P("a.obj"), P("a.d")));
    Touch("main.oc", -100);
    ASSERT_TRUE(IsUpToDate(P("a.obj"), P("a.d")));

    EXPECT_FALSE(IsUpToDate(P("b.obj"), P("a.d"))) << "the depfile names another object";
    fs::remove(dir / "a.obj");
    EXPECT_FALSE(IsUpToDate(P("a.obj"), P("a.d")));
}

}  // namespace
