// The command line, read by one reader in either of its two forms. The
// classic form takes its options (-w-, -w+, -d, -g GUID, --tree; letter case
// ignored) before exactly two file names, and the first other argument ends
// the options. The workflow form adds include directories, batch and
// parallel builds, incremental builds, check mode, all errors, and JSON or
// pretty diagnostics; it is chosen when an argument is one of its own
// options, all of which begin with "--" or are "-I" or "-j", so a classic
// caller's paths never switch to it.
// --reference [CLASS] prints the built-in reference and compiles nothing.
// There options may stand anywhere and "--" ends them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "compile/Diagnostics.h"
#include "compile/Paths.h"

struct CommandLine {
    bool workflow = false;                 // some argument is a workflow option
    bool warnings = true;
    bool guidGiven = false;
    uint8_t guid[16] = {};
    bool printTree = false;
    std::vector<std::string> includeDirs;  // -I in order, then ORVELC_INCLUDE's
    std::string outDir;                    // batch mode when not empty
    std::string ext = ".oc";
    std::string objExt = ".obj";
    int jobs = 0;                          // 0: one per core
    bool depfile = false;
    bool force = false;
    bool check = false;
    bool allErrors = false;                // go on after an error at the next member
    int maxErrors = kMaxErrors;            // with allErrors; 0: no limit
    bool colour = false;                   // pretty diagnostics in colour (decided by the caller)
    bool help = false;
    bool version = false;
    bool reference = false;                // --reference [CLASS]: print the built-in reference
    std::string referenceClass;            // empty: every class
    EDiagnosticFormat format = EDiagnosticFormat::eText;
    std::vector<std::string> inputs;       // sources, directories, @lists

    bool IsBatch() const { return !outDir.empty() || check; }
};

// True when some argument asks for the workflow form.
bool UsesWorkflowOptions(int argc, char** argv);

// Reads argv[1..] in the form its arguments ask for; on a mistake returns
// false with error set to a short reason (none in the classic form), or
// with badGuid set for a "-g" text that is not a GUID.
struct OptionsError {
    std::string reason;
    bool badGuid = false;
    std::string guidText;
    std::string guidNext;  // the argument after the GUID text, "(null)" if none
};
bool ParseCommandLine(int argc, char** argv, CommandLine& line, OptionsError& error);

// The one message for a mistake on the command line: the "Invalid guid"
// line, or "Invalid parameters" with the reason if there is one.
CDiagnostic CommandLineError(const OptionsError& error);

// The 8-4-4-4-12 GUID text into memory layout; all eleven fields must be read.
bool ParseGuid(const char* text, uint8_t guid[16]);
