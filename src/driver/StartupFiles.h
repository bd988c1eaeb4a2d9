// The two optional files beside the executable: the game's translation table
// (language.lan) and the index of known script names (OrvelCEx.idx). Both
// fill one translation table, which the compilations then only read.
#pragma once
#include <string>

#include "compile/Compile.h"

// The executable's directory joined with name; "" when it cannot be known.
std::string StartupFilePath(const char* name);

// Both files beside the executable, in that order; an index error is
// reported in format.
CTranslations LoadStartupFiles(EDiagnosticFormat format);

// 1 when the file was read, 0 for a missing file or a wrong magic or version.
// A key already present gets the new value.
int LoadTranslations(const std::string& path, CTranslations& into);
// Reports the first name that is already known, then stops.
void LoadScriptIndex(const std::string& path, CTranslations& into,
                     EDiagnosticFormat format = EDiagnosticFormat::eText);
