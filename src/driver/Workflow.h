// The modder workflow's batch: scripts into an output directory, in
// parallel and incrementally, and the texts of --help and --version.
#pragma once
#include <string>
#include <vector>

#include "compile/Compile.h"
#include "driver/Options.h"

// A script of a batch: the path to compile, the object file it gives.
struct CBatchEntry {
    std::string source;
    std::string object;
};

// Expands the inputs (files, directories searched for `ext`, @lists) into
// entries in argument order. False with the diagnostic set when a list file
// cannot be read or two scripts would write the same object file.
bool CollectBatch(const CommandLine& options, std::vector<CBatchEntry>& entries, CDiagnostic& error);

// Compiles the batch the command line names; returns the exit status.
int RunBatch(const CommandLine& options, const CTranslations& translations);

// The texts of --help and --version.
const char* UsageText();
const char* VersionText();
