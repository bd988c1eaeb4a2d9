// One compilation as the command line asks for it: compile, print what the
// compilation reports, write the object file and the depfile, print the
// summary line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "compile/Compile.h"
#include "driver/Options.h"

struct CompileRequest {
    std::string source;
    std::string output;
    uint8_t guid[16] = {};
    bool warnings = true;
    bool printTree = false;  // --tree: list the syntax tree after the parse
    bool checkOnly = false;  // generate but write no object file
    bool allErrors = false;  // go on after an error at the next member
    int maxErrors = kMaxErrors;  // with allErrors; 0: no limit
    bool uniqueDiagnostics = false;  // a diagnostic repeated at one place once
    EDiagnosticFormat format = EDiagnosticFormat::eText;
    bool colour = false;     // pretty diagnostics in colour
    std::vector<std::string> includeDirs;      // searched after the current directory
    std::string depfile;                       // written after success when not empty
    const CTranslations* translations = nullptr;
    // The process ends right after this script: what the compile built is
    // left to the operating system instead of being freed piece by piece.
    bool lastInProcess = false;
};

// The request for one script of the command line.
CompileRequest MakeRequest(const CommandLine& line, const std::string& source, const std::string& output,
                           const CTranslations& translations);

// The exit status: 0 when the whole source was accepted and the object file
// was written (or, with checkOnly, would have been); 3 for a fault inside
// the compiler; 1 for anything else.
int CompileScript(const CompileRequest& request);
// CompileScript, with a fault inside the compiler printed as the one
// internal-error line for this script and exit status 3.
int CompileGuarded(const CompileRequest& request);

// Prints the diagnostics and the tree listing of a compilation in the order
// they arose (the pretty form with the source lines they point at); the
// exit status its outcome alone asks for (0, 1 or 3).
int PrintResult(const CCompileResult& result, const CompileRequest& request);
