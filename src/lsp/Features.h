// The answers to the editor's questions about one document. Each works on a
// snapshot of the document's text and the analysis that covers it (the
// document's own, or that of the open document that includes it), so the
// answers agree with what the compiler saw. An analysis may be missing (the
// document is not open): every answer is then the empty one.
#pragma once
#include <memory>
#include <string>

#include "builtins/BuiltinLibrary.h"
#include "lsp/Analysis.h"
#include "lsp/Protocol.h"
#include "lsp/Text.h"
#include "lsp/Tokens.h"

struct SFeatureInput {
    std::string path;  // normalized
    std::string text;
    std::shared_ptr<const SAnalysis> analysis;
    EPositionEncoding encoding = EPositionEncoding::eUtf16;
};

// The symbols of the document's text and the index's names in this file.
class CFeatureContext {
public:
    explicit CFeatureContext(const SFeatureInput& input);

    const SFeatureInput& input;
    const CDocumentTokens tokens;
    const CSymbolIndex* index;  // null without an analysis

    Json Range(const SDocToken& token) const;
    Json Range(size_t begin, size_t end) const;
    // The index's name at a token of this file, or null.
    const SSymbolRef* RefAt(const SDocToken& token) const;
};

Json Hover(const SFeatureInput& input, SPosition position);
Json DocumentSymbols(const SFeatureInput& input);
Json SemanticTokens(const SFeatureInput& input);
Json FoldingRanges(const SFeatureInput& input);
// The token types and modifiers SemanticTokens numbers.
Json SemanticTokensLegend();
