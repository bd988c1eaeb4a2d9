// The error catalogue and the rendered forms of diagnostics. Codes are never
// printed from the catalogue: parser errors always show C0000, file errors
// C0101. The JSON form carries the same fields, one object a line, so an
// editor never has to parse the text form; it is written by nlohmann-json,
// as the language server's messages are, with narrow text turned into UTF-8
// first so that no byte of a script can make it fail.
#include "compile/Diagnostics.h"

#include <cstdio>
#include <nlohmann/json.hpp>

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

using Json = nlohmann::ordered_json;

Json Text(const std::string& narrow) { return Json(Latin1ToUtf8(narrow)); }

// Fields in a fixed order, each optional one left out while empty.
Json ToJson(const CDiagnostic& d) {
    Json j;
    j["file"] = Text(d.file);
    j["line"] = d.line;
    if (d.column > 0) j["column"] = d.column;
    if (d.endColumn > 0) j["endColumn"] = d.endColumn;
    j["severity"] = d.severity;
    j["code"] = d.code;
    if (!d.name.empty()) j["name"] = Text(d.name);
    j["message"] = Text(d.message);
    j["includes"] = Json::array();
    for (const CIncludeSite& site : d.includes) j["includes"].push_back({{"file", Text(site.file)}, {"line", site.line}});
    for (const std::string& path : d.searched) j["searched"].push_back(Text(path));
    for (const std::string& s : d.suggestions) j["suggestions"].push_back(Text(s));
    for (const CDiagnosticNote& n : d.notes) {
        Json note = {{"message", Text(n.message)}};
        if (!n.file.empty()) {
            note["file"] = Text(n.file);
            note["line"] = n.line;
            if (n.column > 0) note["column"] = n.column;
        }
        j["notes"].push_back(std::move(note));
    }
    return j;
}

// --- the pretty form ----------------------------------------------------------

struct SPalette {
    const char* bold = "";
    const char* severity = "";
    const char* note = "";
    const char* marker = "";
    const char* reset = "";
};

SPalette Palette(const CDiagnostic& d, bool colour) {
    if (!colour) return {};
    bool error = std::string_view(d.severity) == "error";
    return {"\033[1m", error ? "\033[1;31m" : "\033[1;35m", "\033[1;36m", "\033[1;32m", "\033[0m"};
}

// "FILE:LINE:COLUMN" with the parts that are known.
std::string Place(const std::string& file, int line, int column) {
    std::string s = file;
    if (line > 0) s += ":" + std::to_string(line);
    if (line > 0 && column > 0) s += ":" + std::to_string(column);
    return s;
}

// Blanks up to the column (tabs kept, so the marker lines up in any
// terminal), then "^" and a "~" under each further column of the name.
std::string Marker(const std::string& source, int column, int endColumn) {
    std::string s;
    for (int i = 0; i + 1 < column; ++i) s += size_t(i) < source.size() && source[size_t(i)] == '\t' ? '\t' : ' ';
    s += '^';
    for (int i = column + 1; i < endColumn; ++i) s += '~';
    return s;
}

// "'a'", "'a' or 'b'", "'a', 'b' or 'c'".
std::string Alternatives(const std::vector<std::string>& names) {
    std::string s;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i) s += i + 1 == names.size() ? " or " : ", ";
        s += "'" + names[i] + "'";
    }
    return s;
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
    return ToJson(d).dump(-1, ' ', true, Json::error_handler_t::replace) + "\n";
}

std::string FormatPretty(const CDiagnostic& d, const std::string& source, bool colour) {
    SPalette p = Palette(d, colour);
    std::string out;
    for (size_t i = d.includes.size(); i-- > 0;)
        out += "In file included from " + Place(d.includes[i].file, d.includes[i].line, 0) + ":\n";
    if (!d.commandLine) out += p.bold + Place(d.file, d.line, d.column) + ":" + p.reset + " ";
    out += std::string(p.severity) + d.severity + ":" + p.reset + " " + p.bold + d.message;
    if (!d.name.empty()) out += " '" + d.name + "'";
    out += std::string(p.reset) + "\n";
    for (const std::string& path : d.searched) out += "    searched '" + path + "'\n";
    if (!source.empty() && d.column > 0) {
        out += source + "\n";
        out += std::string(p.marker) + Marker(source, d.column, d.endColumn) + p.reset + "\n";
    }
    if (!d.suggestions.empty()) out += "did you mean " + Alternatives(d.suggestions) + "?\n";
    for (const CDiagnosticNote& n : d.notes) {
        if (!n.file.empty()) out += std::string(p.bold) + Place(n.file, n.line, n.column) + ":" + p.reset + " ";
        out += std::string(p.note) + "note:" + p.reset + " " + n.message + "\n";
    }
    return out;
}

std::string Format(const CDiagnostic& d, EDiagnosticFormat format) {
    switch (format) {
    case EDiagnosticFormat::eJson: return FormatJson(d);
    case EDiagnosticFormat::ePretty: return FormatPretty(d, "", false);
    default: return FormatText(d);
    }
}

void Report(const CDiagnostic& d, EDiagnosticFormat format) {
    std::string line = Format(d, format);
    std::fwrite(line.data(), 1, line.size(), stdout);
}

std::string Latin1ToUtf8(std::string_view narrow) {
    std::string out;
    out.reserve(narrow.size());
    for (unsigned char ch : narrow) {
        if (ch < 0x80) {
            out += char(ch);
        } else {
            out += char(0xC0 | ch >> 6);
            out += char(0x80 | (ch & 0x3F));
        }
    }
    return out;
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
