// The outline: the class with its variables, enums (and their items),
// constants, states, events, commands and functions, in text order. A
// symbol's range runs from its keyword to the end of its body, found by
// brace matching over the document's tokens, so a half-typed member still
// gets a sensible range. Symbols of an included file are outlined in that
// file; there they stand at the top when their class is elsewhere.
#include "lexer/Token.h"
#include "lsp/Features.h"

namespace {

// The protocol's SymbolKind numbers.
int SymbolKindOf(ESymbolKind kind) {
    switch (kind) {
    case ESymbolKind::eClass: return 5;      // Class
    case ESymbolKind::eMember: return 8;     // Field
    case ESymbolKind::eEnum: return 10;      // Enum
    case ESymbolKind::eEnumItem: return 22;  // EnumMember
    case ESymbolKind::eConstant: return 14;  // Constant
    case ESymbolKind::eState: return 2;      // Module
    case ESymbolKind::eEvent: return 24;     // Event
    case ESymbolKind::eCommand: return 6;    // Method
    case ESymbolKind::eFunction: return 12;  // Function
    default: return 13;                      // Variable
    }
}

bool IsOutlined(ESymbolKind kind) { return kind != ESymbolKind::eParam && kind != ESymbolKind::eLocal; }

bool IsRoutine(ESymbolKind kind) {
    return kind == ESymbolKind::eState || kind == ESymbolKind::eEvent || kind == ESymbolKind::eCommand ||
           kind == ESymbolKind::eFunction;
}

class COutline {
public:
    explicit COutline(const CFeatureContext& context)
        : m_Context(context), m_Tokens(context.tokens.GetTokens()), m_Symbols(context.index->GetSymbols()),
          m_Children(m_Symbols.size()) {
        for (int i = 0; i < int(m_Symbols.size()); ++i)
            if (InThisFile(i) && InThisFile(m_Symbols[size_t(i)].container))
                m_Children[size_t(m_Symbols[size_t(i)].container)].push_back(i);
    }

    Json Build() const;

private:
    bool InThisFile(int symbol) const {
        return symbol >= 0 && m_Symbols[size_t(symbol)].file == m_Context.input.path &&
               IsOutlined(m_Symbols[size_t(symbol)].kind);
    }
    Json Symbol(int symbol) const;
    std::string Detail(int symbol) const;
    // First and last token of the symbol's declaration.
    std::pair<int, int> Extent(const SSymbol& s, int name) const;
    // The end of the body that follows token `from`: the "}" of the first
    // "{", or a ";" that comes first; `from` when neither does.
    int BodyEnd(int from) const;

    const CFeatureContext& m_Context;
    const std::vector<SDocToken>& m_Tokens;
    const std::vector<SSymbol>& m_Symbols;
    std::vector<std::vector<int>> m_Children;
};

int COutline::BodyEnd(int from) const {
    for (int i = from + 1; i < int(m_Tokens.size()); ++i) {
        int32_t kind = m_Tokens[size_t(i)].kind;
        if (kind == CToken::eSemicolon) return i;
        if (kind == CToken::eBracesLeft) return m_Tokens[size_t(i)].match >= 0 ? m_Tokens[size_t(i)].match : i;
        if (kind == CToken::eBracesRight) return i - 1;
    }
    return from;
}

std::pair<int, int> COutline::Extent(const SSymbol& s, int name) const {
    auto kindAt = [&](int i) { return i >= 0 ? m_Tokens[size_t(i)].kind : CToken::eInvalid; };
    switch (s.kind) {
    case ESymbolKind::eClass: return {name > 0 ? name - 1 : name, BodyEnd(name)};
    case ESymbolKind::eEnum:
    case ESymbolKind::eConstant: return {kindAt(name - 1) == CToken::eEnum ? name - 1 : name, BodyEnd(name)};
    default: break;
    }
    if (!IsRoutine(s.kind)) return {name, name};
    int first = name;
    for (int back = 1; back <= 2; ++back) {
        int32_t kind = kindAt(name - back);
        if (kind == CToken::eState || kind == CToken::eEvent || kind == CToken::eCommand || kind == CToken::eFunction)
            first = name - back;
    }
    return {first, BodyEnd(name)};
}

std::string COutline::Detail(int symbol) const {
    const SSymbol& s = m_Symbols[size_t(symbol)];
    if (s.kind == ESymbolKind::eConstant || (s.kind == ESymbolKind::eEnumItem && s.hasValue))
        return "= " + std::to_string(s.value);
    if (!IsRoutine(s.kind)) return s.type;
    std::string params;
    for (int i = symbol + 1; i < int(m_Symbols.size()) && m_Symbols[size_t(i)].container == symbol; ++i)
        if (m_Symbols[size_t(i)].kind == ESymbolKind::eParam)
            params += (params.empty() ? "" : ", ") + m_Symbols[size_t(i)].type + " " + m_Symbols[size_t(i)].name;
    return s.kind == ESymbolKind::eState ? std::string() : "(" + params + ")";
}

Json COutline::Symbol(int symbol) const {
    const SSymbol& s = m_Symbols[size_t(symbol)];
    int name = m_Context.tokens.TokenStartingAt(s.line, s.column);
    if (name < 0) return nullptr;
    auto [first, last] = Extent(s, name);
    const SDocToken& a = m_Tokens[size_t(first)];
    const SDocToken& b = m_Tokens[size_t(last)];
    Json out{{"name", s.name.empty() ? "?" : s.name},
             {"kind", SymbolKindOf(s.kind)},
             {"range", m_Context.Range(a.offset, b.offset + b.length)},
             {"selectionRange", m_Context.Range(m_Tokens[size_t(name)])}};
    std::string detail = Detail(symbol);
    if (!detail.empty()) out["detail"] = detail;
    Json children = Json::array();
    for (int child : m_Children[size_t(symbol)])
        if (Json c = Symbol(child); !c.is_null()) children.push_back(std::move(c));
    if (!children.empty()) out["children"] = std::move(children);
    return out;
}

Json COutline::Build() const {
    Json out = Json::array();
    for (int i = 0; i < int(m_Symbols.size()); ++i)
        if (InThisFile(i) && !InThisFile(m_Symbols[size_t(i)].container))
            if (Json symbol = Symbol(i); !symbol.is_null()) out.push_back(std::move(symbol));
    return out;
}

}  // namespace

Json DocumentSymbols(const SFeatureInput& input) {
    CFeatureContext context(input);
    if (!context.index) return Json::array();
    return COutline(context).Build();
}
