// The command line of the modder workflow: include directories, batch and
// parallel builds, incremental builds, check mode and JSON diagnostics. The
// classic form keeps its own reader in Entry.cpp; this one is used only when
// an argument is one of the options below, all of which begin with "--" or
// are "-I" or "-j", so a classic caller's paths never reach it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "driver/Diagnostics.h"

struct WorkflowOptions {
    bool warnings = true;
    bool guidGiven = false;
    uint8_t guid[16] = {};
    bool printTree = false;
    std::vector<std::string> includeDirs;  // -I in order, then ORVELC_INCLUDE
    std::string outDir;                    // batch mode when not empty
    std::string ext = ".oc";
    std::string objExt = ".obj";
    int jobs = 0;                          // 0: one per core
    bool depfile = false;
    bool force = false;
    bool check = false;
    bool help = false;
    bool version = false;
    EDiagnosticFormat format = EDiagnosticFormat::eText;
    std::vector<std::string> inputs;       // sources, directories, @lists

    bool IsBatch() const { return !outDir.empty() || check; }
};

// True when some argument asks for the workflow reader.
bool UsesWorkflowOptions(int argc, char** argv);

// Reads argv[1..]; on a mistake returns false with error set to a short
// reason, or with guidError set for a "-g" text that is not a GUID (the
// caller prints the classic "Invalid guid" line).
struct OptionsError {
    std::string reason;
    bool badGuid = false;
    std::string guidText;
    std::string guidNext;  // the argument after the GUID text, "(null)" if none
};
bool ParseWorkflowOptions(int argc, char** argv, WorkflowOptions& options, OptionsError& error);

// The directories of a path list such as ORVELC_INCLUDE (':' separated on
// POSIX, ';' on Windows); empty entries are dropped.
std::vector<std::string> SplitPathList(const std::string& list);

// The 8-4-4-4-12 GUID text into memory layout; all eleven fields must be read.
bool ParseGuid(const char* text, uint8_t guid[16]);
