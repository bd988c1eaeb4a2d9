// Shared by the libFuzzer targets. Every reader under test takes a path, so
// each input is written into a private scratch directory first; that
// directory is also the current directory, which is where a script's
// includes are looked for. The compiler's printed messages go to /dev/null
// so that libFuzzer's own report stays readable.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Creates the scratch directory (removed at exit), enters it, silences stdout.
void FuzzEnterScratch();
void FuzzWrite(const std::string& name, std::string_view bytes);
void FuzzRemove(const std::string& name);
bool FuzzExists(const std::string& name);
// An absolute path inside the scratch directory.
std::string FuzzPath(const std::string& name);

inline std::string_view AsText(const uint8_t* data, size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}
