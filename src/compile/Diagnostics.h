// Diagnostics as data: one record per message, which every form renders
// (the classic text line, one JSON object a line, the pretty form for a
// person at a terminal, and the language server's), so each message has
// exactly one meaning. The catalogue of parser error messages lives here
// too. Nothing here prints except Report.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// The catalogue message of a parser error code.
const char* GetErrorText(int code);

// The errors --all-errors reports before it stops, unless told otherwise.
constexpr int kMaxErrors = 100;

enum class EDiagnosticFormat { eText, eJson, ePretty };

struct CIncludeSite {
    std::string file;  // the file that holds the include
    int line = 0;      // line of its file name
};

// A second place that explains a diagnostic ("first defined here").
struct CDiagnosticNote {
    std::string message;
    std::string file;  // empty: no place
    int line = 0;
    int column = 0;
};

struct CDiagnostic {
    std::string file;
    int line = 0;
    int column = 0;                     // 0: not known
    int endColumn = 0;                  // column after the last one marked; 0: not known
    const char* severity = "error";     // "error" or "warning"
    std::string code = "C0000";
    std::string name;                   // the name the error is about, as written; may be empty
    std::string message;
    std::vector<CIncludeSite> includes; // outermost first; empty for the main file
    std::vector<std::string> searched;  // include directories tried in vain
    std::vector<std::string> suggestions;  // replacement texts, best first
    std::vector<CDiagnosticNote> notes;
    bool commandLine = false;           // about the arguments: no file, no line
};

// "PATH(LINE) : SEVERITY CODE: MESSAGE" plus one line per directory
// searched; a message about the command line stands alone.
std::string FormatText(const CDiagnostic& d);
// One JSON object and a line feed; fields without a value are left out.
std::string FormatJson(const CDiagnostic& d);
// "FILE:LINE:COLUMN: SEVERITY: MESSAGE 'NAME'", then `source` (the text of
// that line; "" when not at hand) with the name marked below it, the
// suggestions and the notes; with `colour`, terminal colours.
std::string FormatPretty(const CDiagnostic& d, const std::string& source, bool colour);
// The diagnostic in a form; the pretty form without its source line.
std::string Format(const CDiagnostic& d, EDiagnosticFormat format);
// Writes the formatted diagnostic to standard output.
void Report(const CDiagnostic& d, EDiagnosticFormat format);

// Narrow text as UTF-8. Scripts and paths are narrow text to this compiler,
// their bytes above 127 the Latin-1 characters they stand for; any byte
// string converts, so the result is always valid UTF-8.
std::string Latin1ToUtf8(std::string_view narrow);

CDiagnostic ParserError(const std::string& path, int line, const char* text);
CDiagnostic FileError(const std::string& path, int line, const char* text, const std::string& arg);
CDiagnostic TranslationWarning(const std::string& path, int line, const std::string& text);
// The one line printed for a fault inside the compiler itself (exit code 3).
CDiagnostic InternalFault(const std::string& path);
