// What the server compiles with besides the documents: the directory that
// stands for the compiler's current directory (the workspace folder), the
// include directories, and whether strings without translation warn. The
// include directories come from the client's initialization options, then
// orvelc.json in the workspace folder, then ORVELC_INCLUDE, in that order,
// as -I directories come before the variable's on a command line.
//
// A configuration that cannot be read or has the wrong shape never stops
// the server: what can be used is used, and each problem becomes one
// warning for the editor.
#pragma once
#include <string>
#include <vector>

#include "lsp/Protocol.h"

constexpr const char* kConfigFileName = "orvelc.json";

struct SServerConfig {
    std::string directory;  // "" when no folder is open: each document's own
    std::vector<std::string> includeDirs;
    // Without the game's translation table every quoted string would warn, so
    // the editor asks for these warnings only when told to.
    bool warnings = false;
};

// Reads the keys of one configuration object ("includeDirs": [..],
// "warnings": bool) into config; `from` names the source in warnings.
void ApplyConfig(const Json& object, const std::string& from, SServerConfig& config,
                 std::vector<std::string>& warnings);

// The whole configuration of a workspace: initialization options, the
// workspace's orvelc.json, then the environment's include list (may be "").
SServerConfig LoadConfig(const std::string& directory, const Json& initializationOptions,
                         const std::string& environmentIncludes, std::vector<std::string>& warnings);
