// file: URIs and the paths the compiler opens. Only the file scheme names a
// file; any other URI maps to no path. On Windows "file:///c%3A/x" is
// "c:\x"; elsewhere the path is the URI's path, percent-decoded.
#pragma once
#include <string>

#include "compile/Paths.h"  // NormalizePath

// "" when the URI is not a file URI.
std::string UriToPath(const std::string& uri);
std::string PathToUri(const std::string& path);
