// The cursor of completion and signature help: the name being typed there,
// what the text says around it, and the parse cut before that name. The cut
// stops before the first token at or past the start of the name, so what
// follows the cursor never changes the answer, and the half-typed name is
// not read as a name the script lacks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "lsp/Features.h"

struct SCursorText {
    size_t offset = 0;     // the cursor, in bytes
    size_t wordStart = 0;  // where the name being typed starts; the cursor when none is
    std::string prefix;    // the name typed so far
    int32_t previous = -1;  // the kind of the last token before the name; -1 at the start
    bool inert = false;     // in a comment, a string or a number: nothing to offer
};

SCursorText ReadCursor(const CDocumentTokens& tokens, const std::string& text, size_t offset);

// Parses the cut source up to the start of the name being typed and calls
// `stopped` there; false when the parse never got there.
bool CutAtCursor(const SFeatureInput& input, const CDocumentTokens& tokens, const SCursorText& cursor,
                 const std::function<void(const CCompiler&)>& stopped);

// The nodes of an expression are below its CToken::eHardStop root, which
// hangs below a statement or a block.
bool InExpression(const CNode* node);
