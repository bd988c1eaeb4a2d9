// The error catalogue and the printed forms of diagnostics. Codes are never
// printed: parser errors always show C0000, file errors C0101.
#include "driver/Diagnostics.h"

#include <cstdio>

namespace {

struct ErrorEntry {
    int code;
    const char* text;
};

constexpr ErrorEntry kErrors[] = {
#define ERROR(code, text) {code, text},
#include "driver/Errors.def"
#undef ERROR
};

}  // namespace

const char* GetErrorText(int code) {
    for (const ErrorEntry& e : kErrors)
        if (e.code == code) return e.text;
    return "Internal compiler error";
}

void PrintParserError(const std::string& path, int line, const char* text) {
    std::printf("%s(%d) : error C0000: %s\n", path.c_str(), line, text);
}

void PrintFileError(const std::string& path, int line, const char* text, const std::string& arg) {
    std::printf("%s(%d) : error C0101: %s '%s'\n", path.c_str(), line, text, arg.c_str());
}

void PrintTranslationWarning(const std::string& path, int line, const std::string& text) {
    std::printf("%s(%d) : warning C0101: %s '%s'\n", path.c_str(), line,
                "Unknown string to translate", text.c_str());
}
