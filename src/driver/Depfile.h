// Make-style dependency files beside the object files, and the check that
// lets a batch build skip a script whose object file is newer than every
// file it was built from.
#pragma once
#include <string>
#include <vector>

// OBJECT with its extension replaced by ".d".
std::string DepfilePathFor(const std::string& object);

// "OBJECT: DEP DEP ..." followed by an empty rule for each included file, so
// that make does not stop when one of them is deleted. Written through a
// temporary file; false when it could not be written.
bool WriteDepfile(const std::string& path, const std::string& object,
                  const std::vector<std::string>& dependencies);

// The target and prerequisites of the first rule; false for a file that
// cannot be read or holds no rule.
bool ReadDepfile(const std::string& path, std::string& target, std::vector<std::string>& dependencies);

// True when the object and its depfile exist, the depfile names this object,
// and the object is strictly newer than each dependency (all of which exist).
bool IsUpToDate(const std::string& object, const std::string& depfile);
