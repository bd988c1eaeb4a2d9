// Loaders of language.lan and OrvelCEx.idx. Neither trusts its file: counts
// and lengths are checked against the bytes that remain, so a damaged file
// loads what is complete and stops.
#include "driver/StartupFiles.h"

#include <cstdio>

#include "platform/Platform.h"
#include "support/Stream.h"

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

CTranslations LoadStartupFiles(EDiagnosticFormat format) {
    CTranslations translations(17);
    LoadTranslations(StartupFilePath("language.lan"), translations);
    LoadScriptIndex(StartupFilePath("OrvelCEx.idx"), translations, format);
    return translations;
}

int LoadTranslations(const std::string& path, CTranslations& into) {
    CFileStream file;
    if (path.empty() || !file.Open(path, CStream::eRead)) return 0;
    if (file.ReadDword() != kLanMagic || !file.IsGood()) return 0;
    if (file.ReadDword() != kLanVersion || !file.IsGood()) return 0;
    uint32_t count = file.ReadDword();
    std::string key, value;
    // Each pair takes at least 8 bytes, so the loop is bounded by the file.
    for (uint32_t i = 0; i < count && file.IsGood(); ++i) {
        if (!file.ReadString(key) || !file.ReadString(value)) break;
        into.insert_or_assign(key, value);
    }
    return 1;
}

void LoadScriptIndex(const std::string& path, CTranslations& into, EDiagnosticFormat format) {
    CFileStream file;
    if (path.empty() || !file.Open(path, CStream::eRead)) return;
    int32_t line = 0;
    char name[256];
    for (;;) {
        file.ReadLine(name, sizeof name, CStream::eLineBlanks | CStream::eLineComments, &line);
        if (!file.IsGood()) break;
        if (into.count(name)) {
            Report(ParserError(path, line, ("'" + std::string(name) + "' already exists").c_str()), format);
            return;
        }
        into.insert_or_assign(name, name);
    }
}
