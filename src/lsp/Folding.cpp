// Folding ranges: every brace pair over more than one line (the closing
// line stays visible), every block comment and run of line comments over
// more than one line, and every run of include lines.
#include "lexer/Token.h"
#include "lsp/Features.h"

namespace {

Json Fold(int start, int end, const char* kind = nullptr) {
    Json range{{"startLine", start}, {"endLine", end}};
    if (kind) range["kind"] = kind;
    return range;
}

int LineOf(const CLineIndex& lines, size_t offset) { return lines.ToPosition(offset, EPositionEncoding::eUtf8).line; }

// A comment with nothing but blanks before it on its line.
bool StartsLine(const std::string& text, const CLineIndex& lines, size_t offset) {
    for (size_t i = lines.LineStart(LineOf(lines, offset)); i < offset; ++i)
        if (text[i] != ' ' && text[i] != '\t') return false;
    return true;
}

void AddBraces(const CDocumentTokens& tokens, Json& out) {
    const std::vector<SDocToken>& all = tokens.GetTokens();
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].kind != CToken::eBracesLeft || all[i].match < 0) continue;
        int start = all[i].line - 1;
        int end = all[size_t(all[i].match)].line - 2;
        if (end > start) out.push_back(Fold(start, end));
    }
}

void AddComments(const std::string& text, const CDocumentTokens& tokens, Json& out) {
    const CLineIndex& lines = tokens.GetLines();
    int runStart = -1, runEnd = -1;
    auto closeRun = [&] {
        if (runEnd > runStart) out.push_back(Fold(runStart, runEnd, "comment"));
        runStart = runEnd = -1;
    };
    for (const SComment& c : tokens.GetComments()) {
        int first = LineOf(lines, c.begin), last = LineOf(lines, c.end > c.begin ? c.end - 1 : c.begin);
        if (c.block) {
            closeRun();
            if (last > first) out.push_back(Fold(first, last, "comment"));
            continue;
        }
        if (!StartsLine(text, lines, c.begin)) {
            closeRun();
        } else if (runStart >= 0 && first == runEnd + 1) {
            runEnd = first;
        } else {
            closeRun();
            runStart = runEnd = first;
        }
    }
    closeRun();
}

void AddIncludes(const CDocumentTokens& tokens, Json& out) {
    int runStart = -1, runEnd = -1;
    for (const SDocToken& t : tokens.GetTokens()) {
        if (t.kind != CToken::eInclude) continue;
        int line = t.line - 1;
        if (runStart >= 0 && line <= runEnd + 1) {
            runEnd = line;
            continue;
        }
        if (runEnd > runStart) out.push_back(Fold(runStart, runEnd, "imports"));
        runStart = runEnd = line;
    }
    if (runEnd > runStart) out.push_back(Fold(runStart, runEnd, "imports"));
}

}  // namespace

Json FoldingRanges(const SFeatureInput& input) {
    CDocumentTokens tokens(input.text);
    Json out = Json::array();
    AddBraces(tokens, out);
    AddComments(input.text, tokens, out);
    AddIncludes(tokens, out);
    return out;
}
