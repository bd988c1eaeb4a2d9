// The entry routine, as the phases of a run: read the command line (one
// reader for both forms), print the banner, load the start-up files, then
// compile one script or a batch. The classic form keeps its old order, in
// which a mistake on the command line is reported after the start-up files;
// the workflow form answers --help and --version before anything else.
// Exit status 0 means the object file was written, 3 a fault inside the
// compiler, every other failure is 1.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "builtins/Reference.h"
#include "driver/Driver.h"
#include "driver/Process.h"
#include "driver/StartupFiles.h"
#include "driver/Workflow.h"
#include "platform/Platform.h"

namespace {

void PrintBanner(EDiagnosticFormat format) {
    if (format == EDiagnosticFormat::eJson) return;
    std::fputs("----------------- Orvel C Compiler v0.002 -----------------\n", stdout);
    std::fputs("Compiling...\n", stdout);
}

int ReportMistake(const OptionsError& error, EDiagnosticFormat format) {
    Report(CommandLineError(error), format);
    return 1;
}

int RunSingle(const CommandLine& line, const CTranslations& translations) {
    CompileRequest request = MakeRequest(line, line.inputs[0], line.inputs[1], translations);
    request.lastInProcess = true;
    if (line.guidGiven)
        std::copy(line.guid, line.guid + 16, request.guid);
    else
        platform::NewGuid(request.guid);
    return CompileGuarded(request);
}

int RunClassic(const CommandLine& line, const OptionsError* mistake) {
    PrintBanner(EDiagnosticFormat::eText);
    CTranslations translations = LoadStartupFiles(EDiagnosticFormat::eText);
    if (mistake) return ReportMistake(*mistake, EDiagnosticFormat::eText);
    return RunSingle(line, translations);
}

// Colour only for a terminal, and never when NO_COLOR asks for none.
bool WantsColour(EDiagnosticFormat format) {
    const char* noColour = std::getenv("NO_COLOR");
    return format == EDiagnosticFormat::ePretty && platform::OutputShowsColour() && !(noColour && *noColour);
}

// The built-in reference of one class, or of all; nothing is compiled.
int PrintReference(const CommandLine& line) {
    if (line.referenceClass.empty()) return std::fputs(RenderReference().c_str(), stdout), 0;
    EBuiltinClass c = FindReferenceClass(line.referenceClass);
    if (c != EBuiltinClass::eNone) return std::fputs(RenderClassReference(c).c_str(), stdout), 0;
    OptionsError error;
    error.reason = "--reference: no class '" + line.referenceClass + "'";
    return ReportMistake(error, line.format);
}

int RunWorkflow(CommandLine& line, const OptionsError* mistake) {
    if (!mistake && line.help) return std::fputs(UsageText(), stdout), 0;
    if (!mistake && line.version) return std::fputs(VersionText(), stdout), 0;
    if (!mistake && line.reference) return PrintReference(line);
    PrintBanner(line.format);
    if (mistake) return ReportMistake(*mistake, line.format);
    line.colour = WantsColour(line.format);
    CTranslations translations = LoadStartupFiles(line.format);
    return line.IsBatch() ? RunBatch(line, translations) : RunSingle(line, translations);
}

}  // namespace

int OrvelcMain(int argc, char** argv) {
    InstallFaultGuard();
    SetFaultLine(FormatText(InternalFault("orvelc")));
    int status = 1;
    try {
        CommandLine line;
        OptionsError error;
        const OptionsError* mistake = ParseCommandLine(argc, argv, line, error) ? nullptr : &error;
        SetFaultLine(Format(InternalFault("orvelc"), line.format));
        status = line.workflow ? RunWorkflow(line, mistake) : RunClassic(line, mistake);
    } catch (const std::exception&) {
        // Out of memory and the like: the line prepared for the current
        // script, never an uncaught exception.
        std::fflush(stdout);
        PrintFaultLine();
        return 3;
    }
    std::fflush(stdout);
    return status;
}
