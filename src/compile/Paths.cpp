// Paths as the compiler builds them: the platform's separator, and the
// platform's limit on their length; path lists with the platform's separator.
#include "compile/Paths.h"

#include "platform/Platform.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == platform::kPathSeparator; }

}  // namespace

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

std::vector<std::string> SplitPathList(const std::string& list) {
#ifdef _WIN32
    constexpr char kListSeparator = ';';
#else
    constexpr char kListSeparator = ':';
#endif
    std::vector<std::string> dirs;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(kListSeparator, start);
        if (end == std::string::npos) end = list.size();
        if (end > start) dirs.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return dirs;
}

std::string NormalizePath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part, prefix;
    size_t i = 0;
    while (i < path.size() && IsSeparator(path[i])) prefix += path[i++];
    for (; i <= path.size(); ++i) {
        if (i < path.size() && !IsSeparator(path[i])) {
            part += path[i];
            continue;
        }
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") parts.pop_back();
            else if (prefix.empty()) parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    }
    std::string out = prefix;
    for (size_t k = 0; k < parts.size(); ++k) out += (k ? std::string(1, platform::kPathSeparator) : "") + parts[k];
    return out;
}
