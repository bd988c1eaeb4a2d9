// Scripts compiled one after the other in one process (the batch on systems
// without child processes) must not see each other's constants.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "builtins/BuiltinLibrary.h"
#include "driver/Driver.h"
#include "driver/LibrarySnapshot.h"

namespace fs = std::filesystem;

namespace {

std::string Script(const char* name, int value) {
    return std::string("unit \"S\"\n{\n    consts\n    {\n        ") + name + " = " + std::to_string(value) +
           ";\n    }\n    int v;\n    state Idle;\n    state Idle\n    {\n        v = " + name +
           ";\n        return Idle, 10;\n    }\n}\n";
}

class LibrarySnapshot : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("orvelc-snapshot-" + std::to_string(getpid()));
    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
        BuildBuiltinLibrary();
    }
    void TearDown() override {
        ReleaseBuiltinLibrary();
        fs::remove_all(dir);
    }
    bool Compile(const std::string& name, const std::string& text) {
        std::ofstream((dir / name).string()) << text;
        CompileRequest r;
        r.source = (dir / name).string();
        r.output = (dir / (name + ".obj")).string();
        r.warnings = false;
        r.printSummary = false;
        return CompileScript(r);
    }
};

TEST_F(LibrarySnapshot, RestoreGivesEachScriptThePristineLibrary) {
    CConstantsSnapshot pristine;
    ASSERT_TRUE(Compile("a.oc", Script("Limit", 1)));
    // Without a restore the second script sees the first one's constant.
    EXPECT_FALSE(Compile("b.oc", Script("Limit", 2))) << "constant already defined";
    pristine.Restore();
    ASSERT_TRUE(Compile("b.oc", Script("Limit", 2)));
    pristine.Restore();
    // A new constant in the position the old one held must be found under
    // its own name, and the old name must be gone.
    ASSERT_TRUE(Compile("c.oc", Script("Other", 3)));
    pristine.Restore();
    std::string usesOld = Script("Other", 4);
    usesOld.replace(usesOld.find("v = Other"), 9, "v = Limit");
    EXPECT_FALSE(Compile("d.oc", usesOld));
}

}  // namespace
