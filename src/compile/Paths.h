// How the compiler turns a name from the command line or an include into the
// path it opens and prints: a directory joined with the name, unless the
// name is absolute; and the include directories of a list such as
// ORVELC_INCLUDE, which the command line and the language server both read;
// and one spelling for the many ways to write one path.
#pragma once
#include <string>
#include <vector>

// "" when the result would be longer than the platform allows. An empty
// directory stands for the process's current directory.
std::string JoinWithDirectory(const std::string& directory, const std::string& name);
std::string JoinWithCurrentDirectory(const std::string& name);

// The directories of a path list such as ORVELC_INCLUDE (':' separated on
// POSIX, ';' on Windows); empty entries are dropped.
std::vector<std::string> SplitPathList(const std::string& list);

// The path with "." and "name/.." segments removed, separators unchanged,
// so two spellings of one file compare equal.
std::string NormalizePath(const std::string& path);
