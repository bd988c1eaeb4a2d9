// Paths as the compiler builds them: the platform's separator, and the
// platform's limit on their length.
#include "compile/Paths.h"

#include "platform/Platform.h"

std::string JoinWithDirectory(const std::string& directory, const std::string& name) {
    std::string native = platform::NativePath(name);
    std::string path;
    if (platform::IsAbsolutePath(native)) {
        path = native;
    } else {
        path = directory.empty() ? platform::CurrentDirectory() : directory;
        if (path.empty() || path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
        path += native;
    }
    return path.size() >= platform::kMaxPath ? std::string() : path;
}

std::string JoinWithCurrentDirectory(const std::string& name) { return JoinWithDirectory(std::string(), name); }
