// file: URIs and the paths the compiler opens. Only the file scheme names a
// file; any other URI maps to no path. On Windows "file:///c%3A/x" is
// "c:\x"; elsewhere the path is the URI's path, percent-decoded.
#pragma once
#include <string>

// "" when the URI is not a file URI.
std::string UriToPath(const std::string& uri);
std::string PathToUri(const std::string& path);
// The path with "." and "name/.." segments removed, separators unchanged,
// so two spellings of one file compare equal.
std::string NormalizePath(const std::string& path);
