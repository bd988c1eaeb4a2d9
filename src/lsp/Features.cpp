// What every feature shares: ranges of tokens in the negotiated encoding,
// the lookup of the index's names by token, and the texts of other files.
#include "lsp/Features.h"

#include <fstream>
#include <sstream>

#include "lsp/Uri.h"

CFeatureContext::CFeatureContext(const SFeatureInput& in)
    : input(in), tokens(in.text), index(in.analysis ? in.analysis->index.get() : nullptr) {}

Json CFeatureContext::Range(size_t begin, size_t end) const {
    SPosition a = tokens.GetLines().ToPosition(begin, input.encoding);
    SPosition b = tokens.GetLines().ToPosition(end, input.encoding);
    return Json{{"start", {{"line", a.line}, {"character", a.character}}},
                {"end", {{"line", b.line}, {"character", b.character}}}};
}

Json CFeatureContext::Range(const SDocToken& token) const { return Range(token.offset, token.offset + token.length); }

const SSymbolRef* CFeatureContext::RefAt(const SDocToken& token) const {
    return index ? index->FindRef(input.path, token.line, token.column) : nullptr;
}

const std::string& CFileTexts::Text(const std::string& path) {
    if (m_pAnalysis) {
        auto open = m_pAnalysis->texts.find(path);
        if (open != m_pAnalysis->texts.end()) return open->second;
    }
    auto it = m_Disk.find(path);
    if (it == m_Disk.end()) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        if (in) text << in.rdbuf();
        it = m_Disk.emplace(path, in ? text.str() : std::string()).first;
    }
    return it->second;
}

const CLineIndex& CFileTexts::Lines(const std::string& path) {
    std::unique_ptr<CLineIndex>& lines = m_Lines[path];
    if (!lines) lines = std::make_unique<CLineIndex>(Text(path));
    return *lines;
}

std::string CFileTexts::Uri(const std::string& path) const {
    if (m_pUris)
        if (auto it = m_pUris->find(path); it != m_pUris->end()) return it->second;
    return PathToUri(path);
}
