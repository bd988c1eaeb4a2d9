// Everything the compiler prints besides the banner and the summary line goes
// through these functions, so each message has exactly one format. A
// diagnostic is built once and rendered either as the classic text line or,
// for editors and build tools, as one JSON object a line.
#pragma once
#include <string>
#include <vector>

// The catalogue message of a parser error code.
const char* GetErrorText(int code);

enum class EDiagnosticFormat { eText, eJson };

struct CIncludeSite {
    std::string file;  // the file that holds the include
    int line = 0;      // line of its file name
};

struct CDiagnostic {
    std::string file;
    int line = 0;
    int column = 0;                     // 0: not known
    const char* severity = "error";     // "error" or "warning"
    std::string code = "C0000";
    std::string message;
    std::vector<CIncludeSite> includes; // outermost first; empty for the main file
    std::vector<std::string> searched;  // include directories tried in vain
};

// "PATH(LINE) : SEVERITY CODE: MESSAGE" plus one line per directory searched,
// or one JSON object; written to standard output.
void Report(const CDiagnostic& d, EDiagnosticFormat format);
std::string FormatText(const CDiagnostic& d);
std::string FormatJson(const CDiagnostic& d);

CDiagnostic ParserError(const std::string& path, int line, const char* text);
CDiagnostic FileError(const std::string& path, int line, const char* text, const std::string& arg);
CDiagnostic TranslationWarning(const std::string& path, int line, const std::string& text);
// The one line printed for a fault inside the compiler itself (exit code 3).
CDiagnostic InternalFault(const std::string& path);

// The classic text forms, for callers that only ever print text.
// "PATH(LINE) : error C0000: TEXT" - a parser error.
void PrintParserError(const std::string& path, int line, const char* text);
// "PATH(LINE) : error C0101: TEXT 'ARG'" - file and include errors.
void PrintFileError(const std::string& path, int line, const char* text, const std::string& arg);
// "PATH(LINE) : warning C0101: Unknown string to translate 'TEXT'".
void PrintTranslationWarning(const std::string& path, int line, const std::string& text);
