// The entry routine. The classic command line (banner, start-up files,
// options, one compilation) is read here exactly as it always was; a command
// line that uses any of the workflow options goes to RunWorkflow instead.
// Exit status 0 means the object file was written, 3 a fault inside the
// compiler, every other failure is 1.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "builtins/BuiltinLibrary.h"
#include "driver/Driver.h"
#include "driver/Options.h"
#include "driver/Paths.h"
#include "driver/Process.h"
#include "driver/StartupFiles.h"
#include "driver/Workflow.h"
#include "platform/Platform.h"

namespace {

bool IsOption(const char* arg, const char* option) {
    return std::strlen(arg) == std::strlen(option) && EqualsNoCase(arg, option);
}

int ClassicMain(int argc, char** argv) {
    std::fputs("----------------- Orvel C Compiler v0.002 -----------------\n", stdout);
    std::fputs("Compiling...\n", stdout);
    LoadTranslations(StartupFilePath("language.lan"));
    BuildBuiltinLibrary();
    LoadScriptIndex(StartupFilePath("OrvelCEx.idx"));

    CompileRequest request;
    platform::NewGuid(request.guid);
    // The include search needs no new option: with the variable unset the
    // classic form behaves exactly as it always did.
    if (const char* dirs = std::getenv("ORVELC_INCLUDE")) request.includeDirs = SplitPathList(dirs);
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
        std::string path = JoinWithCurrentDirectory(request.source);
        SetFaultLine(FormatText(InternalFault(path.empty() ? request.source : path)));
        InjectFaultFor(request.source);
        status = CompileScript(request) ? 0 : 1;
    }
    ReleaseBuiltinLibrary();
    std::fflush(stdout);
    return status;
}

}  // namespace

int OrvelcMain(int argc, char** argv) {
    InstallFaultGuard();
    SetFaultLine(FormatText(InternalFault("orvelc")));
    try {
        return UsesWorkflowOptions(argc, argv) ? RunWorkflow(argc, argv) : ClassicMain(argc, argv);
    } catch (const std::exception&) {
        // Out of memory and the like: the line prepared for the current
        // script, never an uncaught exception.
        std::fflush(stdout);
        PrintFaultLine();
        return 3;
    }
}
