// The answers to the editor's questions about one document. Each works on a
// snapshot of the document's text and the analysis that covers it (the
// document's own, or that of the open document that includes it), so the
// answers agree with what the compiler saw. An analysis may be missing (the
// document is not open): every answer is then the empty one.
#pragma once
#include <map>
#include <memory>
#include <stdexcept>
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
    // The open documents' URIs by path, for answers that name other files.
    std::map<std::string, std::string> uris;
    // For the features that parse up to the cursor themselves.
    SCutSource cut;
};

// A request the feature declines, with the message the editor shows.
struct SRefusal : std::runtime_error {
    SRefusal(int code, const std::string& message) : std::runtime_error(message), code(code) {}
    int code;
};

// The texts of the files an answer names: the open documents the analysis
// read, else the file on disk, read once.
class CFileTexts {
public:
    explicit CFileTexts(const SAnalysis* analysis, const std::map<std::string, std::string>* uris = nullptr)
        : m_pAnalysis(analysis), m_pUris(uris) {}
    // "" for a file that cannot be read.
    const std::string& Text(const std::string& path);
    const CLineIndex& Lines(const std::string& path);
    // The editor's URI for an open document, else the file's.
    std::string Uri(const std::string& path) const;

private:
    const SAnalysis* m_pAnalysis;
    const std::map<std::string, std::string>* m_pUris;
    std::map<std::string, std::string> m_Disk;
    std::map<std::string, std::unique_ptr<CLineIndex>> m_Lines;
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
Json Completion(const SFeatureInput& input, SPosition position);
Json SignatureHelp(const SFeatureInput& input, SPosition position);
Json Definition(const SFeatureInput& input, SPosition position);
Json References(const SFeatureInput& input, SPosition position, bool withDeclarations);
// Both refuse a built-in name (SRefusal) rather than answer nothing.
Json PrepareRename(const SFeatureInput& input, SPosition position);
Json Rename(const SFeatureInput& input, SPosition position, const std::string& newName);
Json DocumentSymbols(const SFeatureInput& input);
Json SemanticTokens(const SFeatureInput& input);
Json FoldingRanges(const SFeatureInput& input);
// The token types and modifiers SemanticTokens numbers.
Json SemanticTokensLegend();
