// Hover: a name the parse resolved is described from the index (a script
// symbol with its declaration and type, a built-in member from the
// reference); a name it never reached (after an error) from the word alone,
// looked up in the base class's chain; a class name from the reference.
#include <string_view>

#include "builtins/Reference.h"
#include "lexer/Token.h"
#include "lsp/Features.h"

namespace {

std::string Fenced(const std::string& code) { return "```orvel\n" + code + "\n```\n"; }

const char* KindWord(ESymbolKind kind) {
    switch (kind) {
    case ESymbolKind::eState: return "state";
    case ESymbolKind::eEvent: return "event";
    case ESymbolKind::eCommand: return "command";
    case ESymbolKind::eFunction: return "function";
    case ESymbolKind::eEnum: return "enum";
    default: return "";
    }
}

class CHoverWriter {
public:
    explicit CHoverWriter(const CSymbolIndex& index) : m_Index(index), m_Symbols(index.GetSymbols()) {}

    std::string Script(int symbol) const;
    std::string Builtin(const SSymbolRef& ref) const;
    std::string Word(const std::string& word) const;

private:
    std::string Parameters(int routine) const;
    std::string Items(int enumSymbol) const;
    std::string Owner(int symbol) const;

    const CSymbolIndex& m_Index;
    const std::vector<SSymbol>& m_Symbols;
};

std::string CHoverWriter::Parameters(int routine) const {
    std::string text;
    for (const SSymbol& s : m_Symbols)
        if (s.kind == ESymbolKind::eParam && s.container == routine)
            text += (text.empty() ? "" : ", ") + s.type + " " + s.name;
    return "(" + text + ")";
}

std::string CHoverWriter::Items(int enumSymbol) const {
    std::string text;
    for (const SSymbol& s : m_Symbols)
        if (s.kind == ESymbolKind::eEnumItem && s.container == enumSymbol)
            text += "- \"" + s.name + "\"" + (s.hasValue ? " = " + std::to_string(s.value) : "") + "\n";
    return text;
}

// "of `event OnHit`": the routine that holds a parameter or local.
std::string CHoverWriter::Owner(int symbol) const {
    int owner = m_Symbols[size_t(symbol)].container;
    if (owner < 0) return std::string();
    const SSymbol& o = m_Symbols[size_t(owner)];
    return std::string(" of `") + KindWord(o.kind) + " " + o.name + "`";
}

std::string CHoverWriter::Script(int symbol) const {
    const SSymbol& s = m_Symbols[size_t(symbol)];
    EBuiltinClass base = m_Index.GetBaseClass();
    switch (s.kind) {
    case ESymbolKind::eClass:
        return Fenced(s.type + " \"" + s.name + "\"") + "the script's class\n\n" +
               (base == EBuiltinClass::eNone ? "" : RenderClassHover(base));
    case ESymbolKind::eMember: return Fenced(s.type + " " + s.name) + "class variable\n";
    case ESymbolKind::eLocal: return Fenced(s.type + " " + s.name) + "local variable" + Owner(symbol) + "\n";
    case ESymbolKind::eParam: return Fenced(s.type + " " + s.name) + "parameter" + Owner(symbol) + "\n";
    case ESymbolKind::eEnum: return Fenced("enum " + s.name) + "enum variable; its items:\n\n" + Items(symbol);
    case ESymbolKind::eEnumItem:
        return Fenced("\"" + s.name + "\"" + (s.hasValue ? " item " + std::to_string(s.value) : "")) +
               "item of enum `" + (s.container >= 0 ? m_Symbols[size_t(s.container)].name : "") + "`" +
               (s.hasValue ? "" : " without a value (-1)") + "\n";
    case ESymbolKind::eConstant:
        return Fenced("const " + s.name + " = " + std::to_string(s.value)) + "constant of the script\n";
    case ESymbolKind::eState:
        return Fenced("state " + s.name) + "state " + std::to_string(m_Index.StateIndex(s.name)) + "\n";
    case ESymbolKind::eEvent:
        return Fenced("event " + s.name + Parameters(symbol)) + "\nhandles\n\n" + RenderEventHover(base, s.name);
    case ESymbolKind::eCommand:
        return Fenced("command " + s.name + Parameters(symbol)) + "\nhandles\n\n" + RenderCommandHover(base, s.name);
    case ESymbolKind::eFunction: return Fenced("function int " + s.name + Parameters(symbol)) + "function of the script\n";
    }
    return std::string();
}

std::string CHoverWriter::Builtin(const SSymbolRef& ref) const {
    if (ref.builtinClass == EBuiltinClass::eNone) return std::string();
    if (ref.kind == ESymbolKind::eFunction) return RenderFunctionHover(ref.builtinClass, ref.name);
    if (ref.kind == ESymbolKind::eConstant) return RenderConstantHover(ref.builtinClass, ref.name);
    return std::string();
}

// A word the parse never resolved: the base class's members by name.
std::string CHoverWriter::Word(const std::string& word) const {
    EBuiltinClass base = m_Index.GetBaseClass();
    if (base == EBuiltinClass::eNone) return std::string();
    for (auto render : {RenderFunctionHover, RenderConstantHover, RenderEventHover, RenderCommandHover}) {
        std::string text = render(base, word);
        if (!text.empty()) return text;
    }
    return std::string();
}

std::string HoverText(const CFeatureContext& context, const SDocToken& token) {
    if (token.kind != CToken::eText && token.kind != CToken::eQuotedString) return std::string();
    const SSymbolRef* ref = context.RefAt(token);
    if (ref && context.index) {
        CHoverWriter writer(*context.index);
        return ref->symbol >= 0 ? writer.Script(ref->symbol) : writer.Builtin(*ref);
    }
    if (token.kind != CToken::eText) return std::string();
    std::string word = context.input.text.substr(token.offset, token.length);
    EBuiltinClass cls = FindReferenceClass(word);
    if (cls != EBuiltinClass::eNone && cls != EBuiltinClass::eRoot) return RenderClassHover(cls);
    return context.index ? CHoverWriter(*context.index).Word(word) : std::string();
}

}  // namespace

Json Hover(const SFeatureInput& input, SPosition position) {
    CFeatureContext context(input);
    int i = context.tokens.TokenAt(context.tokens.GetLines().ToOffset(position, input.encoding));
    if (i < 0) return nullptr;
    const SDocToken& token = context.tokens.GetTokens()[size_t(i)];
    std::string text = HoverText(context, token);
    if (text.empty()) return nullptr;
    return Json{{"contents", {{"kind", "markdown"}, {"value", text}}}, {"range", context.Range(token)}};
}
