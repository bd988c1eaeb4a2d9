// Loaders of language.lan and OrvelCEx.idx. Neither trusts its file: counts
// and lengths are checked against the bytes that remain, so a damaged file
// loads what is complete and stops.
#include "driver/StartupFiles.h"

#include <cstdio>

#include "driver/Diagnostics.h"
#include "platform/Platform.h"
#include "support/Stream.h"

CHashMap<CStr> g_Translations(17);

namespace {

constexpr uint32_t kLanMagic = 0x004E414C;  // "LAN\0"
constexpr uint32_t kLanVersion = 1;

}  // namespace

std::string StartupFilePath(const char* name) {
    std::string exe = platform::ExecutablePath();
    size_t cut = exe.find_last_of(platform::kPathSeparator);
    if (cut == std::string::npos) return std::string();
    return exe.substr(0, cut + 1) + name;
}

bool IsTranslated(const std::string& key) { return g_Translations.count(key) != 0; }

void SetTranslation(const std::string& key, const std::string& value) {
    auto it = g_Translations.find(key);
    if (it != g_Translations.end())
        it->second = value;
    else
        g_Translations.emplace(key, value);
}

int LoadTranslations(const std::string& path) {
    CFileStream file;
    if (path.empty() || !file.Open(path, CStream::eRead)) return 0;
    if (file.ReadDword() != kLanMagic || !file.IsGood()) return 0;
    if (file.ReadDword() != kLanVersion || !file.IsGood()) return 0;
    uint32_t count = file.ReadDword();
    std::string key, value;
    // Each pair takes at least 8 bytes, so the loop is bounded by the file.
    for (uint32_t i = 0; i < count && file.IsGood(); ++i) {
        if (!file.ReadString(key) || !file.ReadString(value)) break;
        SetTranslation(key, value);
    }
    return 1;
}

void LoadScriptIndex(const std::string& path, EDiagnosticFormat format) {
    CFileStream file;
    if (path.empty() || !file.Open(path, CStream::eRead)) return;
    int32_t line = 0;
    char name[256];
    for (;;) {
        file.ReadLine(name, sizeof name, CStream::eLineBlanks | CStream::eLineComments, &line);
        if (!file.IsGood()) break;
        if (IsTranslated(name)) {
            Report(ParserError(path, line, ("'" + std::string(name) + "' already exists").c_str()), format);
            return;
        }
        SetTranslation(name, name);
    }
}
