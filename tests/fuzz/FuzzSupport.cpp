// Scratch directory and file helpers for the fuzz targets (see FuzzSupport.h).
#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

fs::path g_scratch;

void RemoveScratch() {
    std::error_code ec;
    fs::remove_all(g_scratch, ec);
}

}  // namespace

void FuzzEnterScratch() {
    fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "orvel_fuzz_XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    g_scratch = pattern;
    fs::current_path(g_scratch);
    std::atexit(RemoveScratch);
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
}

void FuzzWrite(const std::string& name, std::string_view bytes) {
    std::ofstream f(g_scratch / name, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

void FuzzRemove(const std::string& name) {
    std::error_code ec;
    fs::remove(g_scratch / name, ec);
}

bool FuzzExists(const std::string& name) { return fs::exists(g_scratch / name); }

std::string FuzzPath(const std::string& name) { return (g_scratch / name).string(); }
