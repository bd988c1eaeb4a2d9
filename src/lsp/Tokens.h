// The tokens of one document as the compiler's scanner reads them, each with
// its place and length in the text, plus what the scanner skips (comments)
// and which braces pair up. Folding ranges, semantic tokens, document symbol
// ranges and the word under a hover all come from here, so they agree with
// the compiler about where every token is.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lsp/Text.h"

struct SDocToken {
    int32_t kind;
    int line;        // from 1, as the compiler counts
    int column;      // from 1, in bytes
    size_t offset;   // in the text
    size_t length;   // in bytes, on the token's first line
    int match = -1;  // a brace: the index of its partner; -1 when unpaired
};

struct SComment {
    size_t begin;
    size_t end;
    bool block;  // "/* */" rather than "//"
};

// Bytes of the token that starts at offset: a word or number over its
// characters, a string to its closing quote on the same line, an operator
// over its one or two characters.
size_t TokenLengthAt(const std::string& text, size_t offset);

class CDocumentTokens {
public:
    explicit CDocumentTokens(const std::string& text);

    const std::vector<SDocToken>& GetTokens() const { return m_Tokens; }
    const std::vector<SComment>& GetComments() const { return m_Comments; }
    const CLineIndex& GetLines() const { return m_Lines; }
    // The token whose text holds the offset or ends at it; -1 when none.
    int TokenAt(size_t offset) const;
    // The token that starts at this compiler line and column; -1 when none.
    int TokenStartingAt(int line, int column) const;

private:
    void Scan();
    void FindComments(size_t from, size_t to);
    void MatchBraces();

    const std::string& m_strText;
    CLineIndex m_Lines;
    std::vector<SDocToken> m_Tokens;
    std::vector<SComment> m_Comments;
};
