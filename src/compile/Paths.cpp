#include "compile/Paths.h"

#include "platform/Platform.h"

std::string JoinWithCurrentDirectory(const std::string& name) {
    std::string native = platform::NativePath(name);
    std::string path;
    if (platform::IsAbsolutePath(native)) {
        path = native;
    } else {
        path = platform::CurrentDirectory();
        if (path.empty() || path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
        path += native;
    }
    return path.size() >= platform::kMaxPath ? std::string() : path;
}
