// The modder workflow: one script with the new options, or a batch of
// scripts into an output directory, in parallel and incrementally.
#pragma once
#include <string>
#include <vector>

#include "driver/Options.h"

// A script of a batch: the path to compile, the object file it gives.
struct CBatchEntry {
    std::string source;
    std::string object;
};

// Expands the inputs (files, directories searched for `ext`, @lists) into
// entries in argument order. False with the diagnostic set when a list file
// cannot be read or two scripts would write the same object file.
bool CollectBatch(const WorkflowOptions& options, std::vector<CBatchEntry>& entries, CDiagnostic& error);

// The whole run for a command line that uses the workflow options; returns
// the exit status.
int RunWorkflow(int argc, char** argv);

// The texts of --help and --version.
const char* UsageText();
const char* VersionText();
