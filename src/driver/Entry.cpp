// The entry routine: banner, start-up tables, options, one compilation.
// Exit status 0 means the object file was written; every failure is 1.
#include <cstdio>
#include <cstring>
#include <string>

#include "builtins/BuiltinLibrary.h"
#include "driver/Driver.h"
#include "driver/StartupFiles.h"
#include "platform/Platform.h"

namespace {

bool IsOption(const char* arg, const char* option) {
    return std::strlen(arg) == std::strlen(option) && EqualsNoCase(arg, option);
}

// The GUID in 8-4-4-4-12 form; every one of the eleven fields must be read.
bool ParseGuid(const char* text, uint8_t guid[16]) {
    unsigned f[11];
    if (std::sscanf(text, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", &f[0], &f[1], &f[2],
                    &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9], &f[10]) != 11)
        return false;
    for (int i = 0; i < 4; ++i) guid[i] = uint8_t(f[0] >> (8 * i));
    guid[4] = uint8_t(f[1]);
    guid[5] = uint8_t(f[1] >> 8);
    guid[6] = uint8_t(f[2]);
    guid[7] = uint8_t(f[2] >> 8);
    for (int i = 0; i < 8; ++i) guid[8 + i] = uint8_t(f[3 + i]);
    return true;
}

}  // namespace

int OrvelcMain(int argc, char** argv) {
    std::fputs("----------------- Orvel C Compiler v0.002 -----------------\n", stdout);
    std::fputs("Compiling...\n", stdout);
    LoadTranslations(StartupFilePath("language.lan"));
    BuildBuiltinLibrary();
    LoadScriptIndex(StartupFilePath("OrvelCEx.idx"));

    CompileRequest request;
    platform::NewGuid(request.guid);
    int i = 1;
    for (; i < argc; ++i) {
        if (IsOption(argv[i], "-w-")) {
            request.warnings = false;
        } else if (IsOption(argv[i], "-w+")) {
            request.warnings = true;
        } else if (IsOption(argv[i], "-d")) {
        } else if (std::strcmp(argv[i], "--tree") == 0) {
            request.printTree = true;
        } else if (IsOption(argv[i], "-g") && i < argc - 1) {
            if (!ParseGuid(argv[i + 1], request.guid)) {
                std::printf("%s(%d) : error C%04d: Invalid guid %s\n",
                            i + 2 < argc ? argv[i + 2] : "(null)", 0, 0, argv[i + 1]);
                std::fflush(stdout);
                ReleaseBuiltinLibrary();
                return 1;
            }
            ++i;
        } else {
            break;
        }
    }
    int status = 1;
    if (i != argc - 2) {
        std::fputs("Invalid parameters\n", stdout);
    } else {
        request.source = argv[i];
        request.output = argv[i + 1];
        status = CompileScript(request) ? 0 : 1;
    }
    ReleaseBuiltinLibrary();
    std::fflush(stdout);
    return status;
}
