// Everything the compiler prints besides the banner and the summary line goes
// through these functions, so each message has exactly one format.
#pragma once
#include <string>

// The catalogue message of a parser error code.
const char* GetErrorText(int code);

// "PATH(LINE) : error C0000: TEXT" - a parser error.
void PrintParserError(const std::string& path, int line, const char* text);
// "PATH(LINE) : error C0101: TEXT 'ARG'" - file and include errors.
void PrintFileError(const std::string& path, int line, const char* text, const std::string& arg);
// "PATH(LINE) : warning C0101: Unknown string to translate 'TEXT'".
void PrintTranslationWarning(const std::string& path, int line, const std::string& text);
