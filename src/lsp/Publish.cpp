// Files outside the editor are read once per conversion, only for the lines
// that need a range; a file that cannot be read gets ranges that start where
// the compiler says and run one character.
#include "lsp/Publish.h"

#include "lsp/Tokens.h"
#include "lsp/Uri.h"

namespace {

Json PositionJson(SPosition p) { return Json{{"line", p.line}, {"character", p.character}}; }

Json RangeJson(SPosition start, SPosition end) {
    return Json{{"start", PositionJson(start)}, {"end", PositionJson(end)}};
}

class CRanges {
public:
    CRanges(const TTextOf& textOf, EPositionEncoding encoding) : m_TextOf(textOf), m_nEncoding(encoding) {}

    // The range of a compiler place: the columns when known, else the token
    // at the column, else the line without its leading blanks.
    Json Range(const std::string& file, int line, int column, int endColumn) {
        if (line < 1) return RangeJson({}, {});
        const std::string* text = m_TextOf(file);
        if (!text) {
            SPosition start{line - 1, std::max(column - 1, 0)};
            return RangeJson(start, {start.line, endColumn > column ? endColumn - 1 : start.character + 1});
        }
        const CLineIndex& lines = Lines(file, *text);
        std::string_view lineText = lines.GetLine(line - 1);
        int from = column, to = endColumn;
        if (from < 1) {
            from = 1;
            while (size_t(from) <= lineText.size() && (lineText[size_t(from - 1)] == ' ' || lineText[size_t(from - 1)] == '\t'))
                ++from;
            to = int(lineText.size()) + 1;
        } else if (to <= from) {
            size_t offset = lines.LineStart(line - 1) + size_t(from - 1);
            to = from + int(std::max<size_t>(TokenLengthAt(*text, offset), 1));
        }
        return RangeJson(lines.FromCompiler(line, from, m_nEncoding), lines.FromCompiler(line, to, m_nEncoding));
    }

private:
    const CLineIndex& Lines(const std::string& file, const std::string& text) {
        auto it = m_Lines.find(file);
        if (it == m_Lines.end()) it = m_Lines.emplace(file, CLineIndex(text)).first;
        return it->second;
    }

    const TTextOf& m_TextOf;
    EPositionEncoding m_nEncoding;
    std::map<std::string, CLineIndex> m_Lines;
};

int Severity(const CDiagnostic& d) {
    std::string_view s = d.severity;
    return s == "error" ? 1 : s == "warning" ? 2 : 3;
}

Json Location(const std::string& uri, Json range) { return Json{{"uri", uri}, {"range", std::move(range)}}; }

Json Related(const std::string& uri, Json range, const std::string& message) {
    return Json{{"location", Location(uri, std::move(range))}, {"message", message}};
}

class CConverter {
public:
    CConverter(const TTextOf& textOf, const TUriOf& uriOf, EPositionEncoding encoding)
        : m_Ranges(textOf, encoding), m_UriOf(uriOf) {}

    Json Convert(const CDiagnostic& d, const std::string& file) {
        Json range = m_Ranges.Range(file, d.line, d.column, d.endColumn);
        Json out{{"range", range}, {"severity", Severity(d)}, {"code", d.code}, {"source", "orvelc"}};
        std::string message = d.message;
        for (const std::string& path : d.searched) message += "\nsearched '" + path + "'";
        out["message"] = message;
        Json data = Json::object();
        if (!d.name.empty()) data["name"] = d.name;
        if (!d.suggestions.empty()) data["suggestions"] = d.suggestions;
        if (!data.empty()) out["data"] = data;
        Json related = Json::array();
        for (const CDiagnosticNote& n : d.notes) {
            if (n.file.empty())
                related.push_back(Related(m_UriOf(file), range, n.message));
            else
                related.push_back(Related(Uri(n.file), m_Ranges.Range(NormalizePath(n.file), n.line, n.column, 0), n.message));
        }
        for (auto it = d.includes.rbegin(); it != d.includes.rend(); ++it)
            related.push_back(Related(Uri(it->file), IncludeRange(*it), "included from here"));
        if (!related.empty()) out["relatedInformation"] = related;
        return out;
    }

    // The error as seen at the include that leads to it, in an outer file.
    Json AtInclude(const CDiagnostic& d, const CIncludeSite& site, const std::string& file) {
        Json range = IncludeRange(site);
        std::string name = file.substr(file.find_last_of("/\\") + 1);
        Json out{{"range", range},
                 {"severity", Severity(d)},
                 {"code", d.code},
                 {"source", "orvelc"},
                 {"message", "in included file '" + name + "': " + d.message}};
        out["relatedInformation"] = Json::array({Related(Uri(file), m_Ranges.Range(file, d.line, d.column, d.endColumn), d.message)});
        return out;
    }

private:
    std::string Uri(const std::string& path) { return m_UriOf(NormalizePath(path)); }
    Json IncludeRange(const CIncludeSite& site) { return m_Ranges.Range(NormalizePath(site.file), site.line, 0, 0); }

    CRanges m_Ranges;
    const TUriOf& m_UriOf;
};

}  // namespace

std::map<std::string, Json> ToLspDiagnostics(const SAnalysis& analysis, const TTextOf& textOf, const TUriOf& uriOf,
                                            EPositionEncoding encoding) {
    std::map<std::string, Json> out;
    for (const std::string& file : analysis.files) out[file] = Json::array();
    CConverter converter(textOf, uriOf, encoding);
    for (const CDiagnostic& d : analysis.diagnostics) {
        if (d.commandLine) continue;
        std::string file = NormalizePath(d.file);
        std::vector<CIncludeSite> outer = d.includes;
        if (analysis.Reads(file) || outer.empty()) {
            out[file].push_back(converter.Convert(d, file));
        } else {
            // A file that could not be opened has no place of its own: its
            // line and column are those of the include that named it.
            CDiagnostic atInclude = d;
            atInclude.includes.pop_back();
            std::string includer = NormalizePath(outer.back().file);
            out[includer].push_back(converter.Convert(atInclude, includer));
            outer.pop_back();
        }
        if (Severity(d) != 1) continue;
        for (const CIncludeSite& site : outer)
            out[NormalizePath(site.file)].push_back(converter.AtInclude(d, site, file));
    }
    return out;
}
