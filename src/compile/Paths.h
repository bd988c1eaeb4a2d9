// How the compiler turns a name from the command line or an include into the
// path it opens and prints: the current directory joined with the name,
// unless the name is absolute.
#pragma once
#include <string>

// "" when the result would be longer than the platform allows.
std::string JoinWithCurrentDirectory(const std::string& name);
