// The error catalogue and the rendered forms of diagnostics. Codes are never
// printed from the catalogue: parser errors always show C0000, file errors
// C0101. The JSON form carries the same fields, one object a line, so an
// editor never has to parse the text form.
#include "compile/Diagnostics.h"

#include <cstdio>

namespace {

struct ErrorEntry {
    int code;
    const char* text;
};

constexpr ErrorEntry kErrors[] = {
#define ERROR(name, code, text) {code, text},
#include "parser/Errors.def"
#undef ERROR
};

void AppendJsonString(std::string& out, const std::string& s) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (unsigned char ch : s) {
        switch (ch) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            // Script text is narrow and may hold any byte; bytes above 127
            // are not valid UTF-8 on their own, so they are escaped as the
            // Latin-1 characters they stand for.
            if (ch < 0x20 || ch >= 0x7f) {
                out += "\\u00";
                out += kHex[ch >> 4];
                out += kHex[ch & 15];
            } else {
                out += char(ch);
            }
        }
    }
    out += '"';
}

void AppendField(std::string& out, const char* name, const std::string& value) {
    out += '"';
    out += name;
    out += "\":";
    AppendJsonString(out, value);
}

void AppendNumber(std::string& out, const char* name, int value) {
    out += ",\"";
    out += name;
    out += "\":" + std::to_string(value);
}

void AppendStrings(std::string& out, const char* name, const std::vector<std::string>& values) {
    if (values.empty()) return;
    out += ",\"";
    out += name;
    out += "\":[";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) out += ',';
        AppendJsonString(out, values[i]);
    }
    out += ']';
}

void AppendNotes(std::string& out, const std::vector<CDiagnosticNote>& notes) {
    if (notes.empty()) return;
    out += ",\"notes\":[";
    for (size_t i = 0; i < notes.size(); ++i) {
        const CDiagnosticNote& n = notes[i];
        out += i ? ",{" : "{";
        AppendField(out, "message", n.message);
        if (!n.file.empty()) {
            out += ',';
            AppendField(out, "file", n.file);
            AppendNumber(out, "line", n.line);
            if (n.column > 0) AppendNumber(out, "column", n.column);
        }
        out += '}';
    }
    out += ']';
}

}  // namespace

const char* GetErrorText(int code) {
    for (const ErrorEntry& e : kErrors)
        if (e.code == code && e.text) return e.text;
    return "Internal compiler error";
}

std::string FormatText(const CDiagnostic& d) {
    if (d.commandLine) return d.message + "\n";
    std::string out = d.file + "(" + std::to_string(d.line) + ") : " + d.severity + " " + d.code +
                      ": " + d.message + "\n";
    for (const std::string& path : d.searched) out += "    searched '" + path + "'\n";
    return out;
}

std::string FormatJson(const CDiagnostic& d) {
    std::string out = "{";
    AppendField(out, "file", d.file);
    AppendNumber(out, "line", d.line);
    if (d.column > 0) AppendNumber(out, "column", d.column);
    if (d.endColumn > 0) AppendNumber(out, "endColumn", d.endColumn);
    out += ',';
    AppendField(out, "severity", d.severity);
    out += ',';
    AppendField(out, "code", d.code);
    if (!d.name.empty()) {
        out += ',';
        AppendField(out, "name", d.name);
    }
    out += ',';
    AppendField(out, "message", d.message);
    out += ",\"includes\":[";
    for (size_t i = 0; i < d.includes.size(); ++i) {
        out += i ? ",{" : "{";
        AppendField(out, "file", d.includes[i].file);
        out += ",\"line\":" + std::to_string(d.includes[i].line) + "}";
    }
    out += ']';
    AppendStrings(out, "searched", d.searched);
    AppendStrings(out, "suggestions", d.suggestions);
    AppendNotes(out, d.notes);
    out += "}\n";
    return out;
}

std::string Format(const CDiagnostic& d, EDiagnosticFormat format) {
    return format == EDiagnosticFormat::eJson ? FormatJson(d) : FormatText(d);
}

void Report(const CDiagnostic& d, EDiagnosticFormat format) {
    std::string line = Format(d, format);
    std::fwrite(line.data(), 1, line.size(), stdout);
}

CDiagnostic ParserError(const std::string& path, int line, const char* text) {
    CDiagnostic d;
    d.file = path;
    d.line = line;
    d.message = text;
    return d;
}

CDiagnostic FileError(const std::string& path, int line, const char* text, const std::string& arg) {
    CDiagnostic d;
    d.file = path;
    d.line = line;
    d.code = "C0101";
    d.message = std::string(text) + " '" + arg + "'";
    return d;
}

CDiagnostic TranslationWarning(const std::string& path, int line, const std::string& text) {
    CDiagnostic d;
    d.file = path;
    d.line = line;
    d.severity = "warning";
    d.code = "C0101";
    d.message = "Unknown string to translate '" + text + "'";
    return d;
}

CDiagnostic InternalFault(const std::string& path) { return ParserError(path, 0, GetErrorText(0)); }
