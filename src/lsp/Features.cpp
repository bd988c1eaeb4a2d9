// What every feature shares: ranges of tokens in the negotiated encoding and
// the lookup of the index's names by token.
#include "lsp/Features.h"

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
