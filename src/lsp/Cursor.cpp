// A name is letters, digits and "_" as the scanner reads one; a word that
// starts with a digit is a number. The stop place is in the compiler's
// terms: the file (compared after NormalizePath), the line and the byte
// column.
#include "lsp/Cursor.h"

#include <algorithm>
#include <memory>

#include "compile/Paths.h"
#include "lexer/Token.h"
#include "parser/Compiler.h"

namespace {

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool InComment(const CDocumentTokens& tokens, size_t offset) {
    for (const SComment& c : tokens.GetComments())
        if (c.begin < offset && (offset < c.end || (!c.block && offset == c.end))) return true;
    return false;
}

}  // namespace

SCursorText ReadCursor(const CDocumentTokens& tokens, const std::string& text, size_t offset) {
    SCursorText at;
    at.offset = std::min(offset, text.size());
    at.wordStart = at.offset;
    while (at.wordStart > 0 && IsNameChar(text[at.wordStart - 1])) --at.wordStart;
    at.prefix = text.substr(at.wordStart, at.offset - at.wordStart);
    if (!at.prefix.empty() && at.prefix[0] >= '0' && at.prefix[0] <= '9') at.inert = true;
    if (InComment(tokens, at.offset)) at.inert = true;
    const std::vector<SDocToken>& all = tokens.GetTokens();
    auto after = std::lower_bound(all.begin(), all.end(), at.wordStart,
                                  [](const SDocToken& t, size_t offset) { return t.offset < offset; });
    if (after == all.begin()) return at;
    const SDocToken& before = *(after - 1);
    // A token that reaches past the start of the word holds the cursor.
    if (before.offset + before.length > at.wordStart && before.kind == CToken::eQuotedString) at.inert = true;
    at.previous = before.kind;
    return at;
}

namespace {

// Blanks the line of the last error before the stop (up to the stop on its
// own line), keeping every other byte where it was; false when there is no
// such line in an open document, or it is blank already.
bool BlankLastError(SCutSource& source, const std::vector<CDiagnostic>& errors, const CStopAt& stop) {
    auto error = std::find_if(errors.rbegin(), errors.rend(),
                              [](const CDiagnostic& d) { return std::string(d.severity) == "error" && d.line > 0; });
    if (error == errors.rend()) return false;
    std::string file = NormalizePath(error->file);
    auto text = source.texts.find(file);
    if (text == source.texts.end()) return false;
    CLineIndex lines(text->second);
    size_t begin = lines.LineStart(error->line - 1);
    size_t end = begin + lines.GetLine(error->line - 1).size();
    if (file == NormalizePath(stop.m_strFile) && error->line == stop.m_nLine)
        end = std::min(end, begin + size_t(stop.m_nColumn - 1));
    bool blanked = false;
    for (size_t i = begin; i < end; ++i)
        if (text->second[i] != ' ' && text->second[i] != '\t') text->second[i] = ' ', blanked = true;
    return blanked;
}

}  // namespace

// An error earlier in the member that holds the cursor makes the parser
// skip the rest of that member, so the cut would stand nowhere in it: the
// line of that error is blanked and the parse run again, a few times at
// most; the last run is taken as it stands.
bool CutAtCursor(const SFeatureInput& input, const CDocumentTokens& tokens, const SCursorText& cursor,
                 const std::function<void(const CCompiler&)>& stopped) {
    constexpr int kMaxBlanked = 3;
    SPosition p = tokens.GetLines().ToPosition(cursor.wordStart, EPositionEncoding::eUtf8);
    CStopAt stop{input.path, p.line + 1, p.character + 1};
    std::unique_ptr<SCutSource> mended;  // copied only when a line is blanked
    for (int attempt = 0;; ++attempt) {
        bool last = attempt == kMaxBlanked, recovering = false;
        std::vector<CDiagnostic> errors;
        bool reached = ParseToCursor(mended ? *mended : input.cut, stop, [&](const CCompiler& c) {
            if (!last && c.IsRecovering())
                recovering = true;
            else
                stopped(c);
        }, &errors);
        if (!recovering) return reached;
        if (!mended) mended = std::make_unique<SCutSource>(input.cut);
        if (!BlankLastError(*mended, errors, stop)) attempt = kMaxBlanked - 1;
    }
}

bool InExpression(const CNode* node) {
    return node && (node->GetKind() == CToken::eHardStop ||
                    node->FindAncestor(CToken::eHardStop, {CToken::eBlockInstruction}) != nullptr);
}
