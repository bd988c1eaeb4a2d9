// How the compiler turns a name from the command line or an include into the
// path it opens and prints: a directory joined with the name, unless the
// name is absolute.
#pragma once
#include <string>

// "" when the result would be longer than the platform allows. An empty
// directory stands for the process's current directory.
std::string JoinWithDirectory(const std::string& directory, const std::string& name);
std::string JoinWithCurrentDirectory(const std::string& name);
