// The platform layer where callers rely on its exact answers: which paths are
// absolute, how separators are mapped, files that must not open, replacing
// renames, and the GUID's version bits. The Windows half runs the same
// contracts end to end under Wine (tools/windows). Jobs in children and a
// plain SIGSEGV are covered through the binary by the workflow tests
// (argument order, long blocks, a killed child, the fault line).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace {

struct Scratch {
    Scratch() {
        path = fs::temp_directory_path() / ("orvelc-platform-" + std::to_string(platform::ProcessId()));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Scratch() { fs::remove_all(path); }
    std::string At(const std::string& name) const { return (path / name).string(); }
    fs::path path;
};

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

TEST(Platform, PathsAsTheSystemSeesThem) {
#ifdef _WIN32
    EXPECT_TRUE(platform::IsAbsolutePath("C:\\work\\a.oc"));
    EXPECT_TRUE(platform::IsAbsolutePath("\\work\\a.oc"));
    EXPECT_FALSE(platform::IsAbsolutePath("work\\a.oc"));
    EXPECT_EQ("lib/x.h", platform::NativePath("lib/x.h"));
#else
    EXPECT_TRUE(platform::IsAbsolutePath("/work/a.oc"));
    EXPECT_FALSE(platform::IsAbsolutePath("work/a.oc"));
    EXPECT_FALSE(platform::IsAbsolutePath(""));
    // Scripts written on Windows name their includes with backslashes.
    EXPECT_EQ("lib/sub/x.h", platform::NativePath("lib\\sub\\x.h"));
    EXPECT_EQ('/', platform::kPathSeparator);
#endif
    EXPECT_EQ(fs::current_path().string(), platform::CurrentDirectory());
    const std::string exe = platform::ExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_TRUE(platform::IsAbsolutePath(exe));
    EXPECT_NE(std::string::npos, fs::path(exe).filename().string().find("test_platform"));
}

TEST(Platform, FilesReadWriteSeekAndRefuseDirectories) {
    Scratch s;
    const std::string file = s.At("a.bin");
    platform::FileHandle f = platform::OpenFile(file, platform::OpenFor::WriteReplace);
    ASSERT_NE(platform::kInvalidFile, f);
    EXPECT_EQ(6, platform::WriteFile(f, "abcdef", 6));
    platform::CloseFile(f);

    // Keeping the file overwrites in place; replacing it truncates.
    f = platform::OpenFile(file, platform::OpenFor::WriteKeep);
    EXPECT_EQ(2, platform::WriteFile(f, "XY", 2));
    platform::CloseFile(f);
    EXPECT_EQ("XYcdef", Slurp(file));

    f = platform::OpenFile(file, platform::OpenFor::Read);
    ASSERT_NE(platform::kInvalidFile, f);
    EXPECT_EQ(6, platform::FileSize(f));
    EXPECT_EQ(4, platform::SeekFile(f, 4, 0));
    char buf[8] = {};
    EXPECT_EQ(2, platform::ReadFile(f, buf, sizeof buf));
    EXPECT_STREQ("ef", buf);
    EXPECT_EQ(0, platform::ReadFile(f, buf, sizeof buf));
    platform::CloseFile(f);

    f = platform::OpenFile(file, platform::OpenFor::WriteReplace);
    platform::CloseFile(f);
    EXPECT_EQ("", Slurp(file));

    EXPECT_EQ(platform::kInvalidFile, platform::OpenFile(s.At("missing"), platform::OpenFor::Read));
    // A directory opens on POSIX but cannot be read; it must look unopenable.
    EXPECT_EQ(platform::kInvalidFile, platform::OpenFile(s.path.string(), platform::OpenFor::Read));
}

TEST(Platform, DirectoriesRenameAndRemove) {
    Scratch s;
    const std::string dir = s.At("sub");
    EXPECT_TRUE(platform::CreateDirectory(dir));
    EXPECT_FALSE(platform::CreateDirectory(dir));
    EXPECT_TRUE(platform::IsDirectory(dir));
    EXPECT_FALSE(platform::IsDirectory(s.At("none")));

    std::ofstream(s.At("new")) << "new";
    std::ofstream(s.At("old")) << "old";
    EXPECT_TRUE(platform::RenameFile(s.At("new"), s.At("old")));
    EXPECT_EQ("new", Slurp(s.At("old")));
    EXPECT_FALSE(fs::exists(s.At("new")));
    EXPECT_TRUE(platform::RemoveFile(s.At("old")));
    EXPECT_FALSE(platform::RemoveFile(s.At("old")));
}

TEST(Platform, GuidsAreFreshVersionFour) {
    std::set<std::string> seen;
    for (int i = 0; i < 64; ++i) {
        uint8_t g[16];
        platform::NewGuid(g);
        EXPECT_EQ(0x40, g[7] & 0xF0);  // Data3's high nibble, little-endian
        EXPECT_EQ(0x80, g[8] & 0xC0);  // variant 10xx
        seen.insert(std::string(reinterpret_cast<char*>(g), 16));
    }
    EXPECT_EQ(64u, seen.size());
}

TEST(Platform, CapturedOutputComesBackInOrderAndStdoutIsRestored) {
    std::printf("before ");  // still buffered: must not end up in the capture
    platform::OutputCapture c;
    ASSERT_TRUE(platform::BeginCapture(c));
    std::printf("one\n");
    std::fputs("two\n", stdout);
    EXPECT_EQ("one\ntwo\n", platform::EndCapture(c));
    EXPECT_EQ("", platform::EndCapture(c));  // a second end has nothing left

    ASSERT_TRUE(platform::BeginCapture(c));
    EXPECT_EQ("", platform::EndCapture(c));

    // Standard output is the original one again: a child capture sees new text only.
    ASSERT_TRUE(platform::BeginCapture(c));
    std::printf("three\n");
    EXPECT_EQ("three\n", platform::EndCapture(c));
    std::printf("\n");
}

namespace {
void OnTestFault() {
    static const char line[] = "orvelc(0) : error C0000: Internal compiler error\n";
    platform::WriteOutput(line, sizeof line - 1);
    platform::ExitNow(3);
}

// Called through a volatile pointer, so the compiler cannot turn the
// recursion into a loop: every call takes a real frame.
int Recurse(volatile int* p, int n);
int (*volatile s_pfnRecurse)(volatile int*, int) = Recurse;
int Recurse(volatile int* p, int n) {
    volatile int frame[64];
    frame[0] = *p;
    return n == 0 ? frame[0] : s_pfnRecurse(frame, n - 1) + frame[1];
}
}  // namespace

// Some 30 MB of frames: far past the 8 MB of a main thread, inside the 64 MB
// asked for; the caller waits for the work.
TEST(Platform, WorkRunsOnANewStackOfTheSizeAskedFor) {
    volatile int x = 7;
    bool returned = false;
    EXPECT_TRUE(platform::RunOnNewStack(64 << 20, [&] {
        Recurse(&x, 100000);
        returned = true;
    }));
    EXPECT_TRUE(returned);
}

// A stack overflow needs the handler's own stack; abort is no memory fault.
TEST(PlatformDeathTest, FaultsEndWithThePreparedLineAndStatus) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto overflow = [] {
        platform::InstallFaultHandler(OnTestFault);
        volatile int x = 1;
        std::exit(Recurse(&x, 1 << 30));
    };
    EXPECT_EXIT(overflow(), ::testing::ExitedWithCode(3), "");
    auto aborted = [] {
        platform::InstallFaultHandler(OnTestFault);
        std::abort();
    };
    EXPECT_EXIT(aborted(), ::testing::ExitedWithCode(3), "");
}

