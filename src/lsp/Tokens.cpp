// The scanner runs over the text as the only frame of an in-memory file; an
// include is a token like any other here, since only the compile flow
// follows it. Between two tokens the scanner skips only blanks and comments,
// so every comment is found in those gaps, where no string can hide one.
#include "lsp/Tokens.h"

#include <algorithm>
#include <cstring>

#include "lexer/Scanner.h"

namespace {

constexpr const char* kMemoryPath = "<document>";
constexpr const char* kPairs[] = {"==", "<=", ">=", "!=", "&&", "||", "++", "--"};

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

}  // namespace

// A string is only its first part when the scanner joined several.
size_t TokenLengthAt(const std::string& t, size_t offset) {
    if (offset >= t.size()) return 0;
    size_t end = offset + 1;
    if (t[offset] == '"') {
        while (end < t.size() && !IsLineEnd(t[end]) && t[end] != '"') end += t[end] == '\\' ? 2 : 1;
        return std::min(end + 1, t.size()) - offset;
    }
    if (IsWordChar(t[offset])) {
        while (end < t.size() && IsWordChar(t[end])) ++end;
        return end - offset;
    }
    for (const char* pair : kPairs)
        if (t.compare(offset, 2, pair) == 0) return 2;
    return 1;
}

CDocumentTokens::CDocumentTokens(const std::string& text) : m_strText(text), m_Lines(text) {
    Scan();
    MatchBraces();
}

void CDocumentTokens::Scan() {
    CMemoryFiles files;
    files.Set(kMemoryPath, m_strText);
    CScanner scanner;
    scanner.Open(kMemoryPath, files);
    size_t previousEnd = 0;
    for (;;) {
        scanner.NextToken();
        const CToken& t = scanner.GetToken();
        if (t.m_nKind == CToken::eEndOfFile) break;
        int column = t.m_nColumn > 1 ? t.m_nColumn - 1 : 1;
        size_t offset = std::min(m_Lines.LineStart(t.m_nLine - 1) + size_t(column - 1), m_strText.size());
        size_t length = TokenLengthAt(m_strText, offset);
        FindComments(previousEnd, offset);
        m_Tokens.push_back(SDocToken{t.m_nKind, t.m_nLine, column, offset, length});
        previousEnd = std::max(previousEnd, offset + length);
    }
    FindComments(previousEnd, m_strText.size());
}

void CDocumentTokens::FindComments(size_t from, size_t to) {
    const std::string& t = m_strText;
    for (size_t i = from; i + 1 < to;) {
        if (t[i] == '"') {  // the rest of a joined string
            ++i;
            while (i < to && !IsLineEnd(t[i]) && t[i] != '"') i += t[i] == '\\' ? 2 : 1;
            ++i;
        } else if (t[i] == '/' && t[i + 1] == '/') {
            size_t end = i;
            while (end < to && !IsLineEnd(t[end])) ++end;
            m_Comments.push_back(SComment{i, end, false});
            i = end;
        } else if (t[i] == '/' && t[i + 1] == '*') {
            size_t close = t.find("*/", i + 2);
            size_t end = close == std::string::npos ? to : std::min(close + 2, to);
            m_Comments.push_back(SComment{i, end, true});
            i = end;
        } else {
            ++i;
        }
    }
}

void CDocumentTokens::MatchBraces() {
    std::vector<int> open;
    for (int i = 0; i < int(m_Tokens.size()); ++i) {
        if (m_Tokens[size_t(i)].kind == CToken::eBracesLeft) {
            open.push_back(i);
        } else if (m_Tokens[size_t(i)].kind == CToken::eBracesRight && !open.empty()) {
            m_Tokens[size_t(i)].match = open.back();
            m_Tokens[size_t(open.back())].match = i;
            open.pop_back();
        }
    }
}

int CDocumentTokens::TokenAt(size_t offset) const {
    auto after = std::upper_bound(m_Tokens.begin(), m_Tokens.end(), offset,
                                  [](size_t o, const SDocToken& t) { return o < t.offset; });
    // The last token that starts at or before the offset: one that starts
    // there wins over one that merely ends there.
    if (after == m_Tokens.begin()) return -1;
    const SDocToken& t = *(after - 1);
    return offset <= t.offset + t.length ? int(after - m_Tokens.begin()) - 1 : -1;
}

int CDocumentTokens::TokenStartingAt(int line, int column) const {
    if (line < 1) return -1;
    size_t offset = m_Lines.LineStart(line - 1) + size_t(std::max(column, 1) - 1);
    auto at = std::lower_bound(m_Tokens.begin(), m_Tokens.end(), offset,
                               [](const SDocToken& t, size_t o) { return t.offset < o; });
    return at != m_Tokens.end() && at->offset == offset ? int(at - m_Tokens.begin()) : -1;
}
