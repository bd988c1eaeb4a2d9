// The two optional files beside the executable: the game's translation table
// (language.lan) and the index of known script names (OrvelCEx.idx). Both
// fill the one translation dictionary that the string warning consults.
#pragma once
#include <string>

#include "driver/Diagnostics.h"
#include "support/HashMap.h"

// Keys ignore letter case; setting a present key replaces its value.
extern CHashMap<CStr> g_Translations;

// The executable's directory joined with name; "" when it cannot be known.
std::string StartupFilePath(const char* name);

// 1 when the file was read, 0 for a missing file or a wrong magic or version.
int LoadTranslations(const std::string& path);
// Prints one message for the first name that is already known, then stops.
void LoadScriptIndex(const std::string& path, EDiagnosticFormat format = EDiagnosticFormat::eText);

bool IsTranslated(const std::string& key);
void SetTranslation(const std::string& key, const std::string& value);
