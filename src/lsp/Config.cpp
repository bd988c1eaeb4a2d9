// Relative include directories stay relative: the compiler joins them with
// the directory, as it joins -I directories with its current directory.
// A directory that does not exist is kept (it may appear later) but warned
// about, since a misspelt one is the usual reason an include is not found.
#include "lsp/Config.h"

#include <fstream>
#include <sstream>

#include "compile/Paths.h"
#include "platform/Platform.h"
#include "support/Files.h"

namespace {

void AddIncludeDir(const std::string& dir, const std::string& from, SServerConfig& config,
                   std::vector<std::string>& warnings) {
    std::string joined = JoinWithDirectory(config.directory, dir);
    if (!config.directory.empty() && !platform::IsDirectory(joined))
        warnings.push_back(from + ": include directory '" + dir + "' does not exist");
    config.includeDirs.push_back(dir);
}

// The text of a file, or false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    if (!(in && out << in.rdbuf())) return false;
    text = out.str();
    return true;
}

}  // namespace

void ApplyConfig(const Json& object, const std::string& from, SServerConfig& config,
                 std::vector<std::string>& warnings) {
    if (object.is_null()) return;
    if (!object.is_object()) {
        warnings.push_back(from + ": expected an object");
        return;
    }
    for (const auto& [key, value] : object.items()) {
        if (key == "includeDirs" && value.is_array()) {
            for (const Json& dir : value) {
                if (dir.is_string())
                    AddIncludeDir(dir.get<std::string>(), from, config, warnings);
                else
                    warnings.push_back(from + ": includeDirs holds something that is not a string");
            }
        } else if (key == "warnings" && value.is_boolean()) {
            config.warnings = value.get<bool>();
        } else if (key == "includeDirs" || key == "warnings") {
            warnings.push_back(from + ": " + key + (key == "warnings" ? " must be true or false"
                                                                          : " must be a list of directories"));
        } else {
            warnings.push_back(from + ": unknown key '" + key + "'");
        }
    }
}

SServerConfig LoadConfig(const std::string& directory, const Json& initializationOptions,
                         const std::string& environmentIncludes, std::vector<std::string>& warnings) {
    SServerConfig config;
    config.directory = directory;
    ApplyConfig(initializationOptions, "initialization options", config, warnings);
    if (!directory.empty()) {
        std::string path = JoinWithDirectory(directory, kConfigFileName);
        std::string text;
        if (PlatformFiles().Exists(path)) {
            Json object = ReadWholeFile(path, text) ? Json::parse(text, nullptr, false) : Json();
            if (object.is_discarded() || object.is_null())
                warnings.push_back(path + ": not readable as JSON; the defaults are used");
            else
                ApplyConfig(object, path, config, warnings);
        }
    }
    for (const std::string& dir : SplitPathList(environmentIncludes)) config.includeDirs.push_back(dir);
    return config;
}
