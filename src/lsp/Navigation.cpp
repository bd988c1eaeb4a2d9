// Go to definition, references and rename, all from the symbol index of the
// last compilation: every name the parse declared or resolved points to its
// symbol, so the places of a symbol are exactly the names the compiler bound
// to it (a call to the overload its arguments chose, a script function
// written in another letter case, a state named before its body). Built-in
// names have no declaration in the script: definition gives nothing, and
// rename refuses with a message that says why. Places come from the
// compiler (line, byte column); their ranges are measured in the text of
// their file, an open document or the file on disk.
#include <algorithm>

#include "lexer/Token.h"
#include "lsp/Features.h"
#include "lsp/Uri.h"

namespace {

// Quoted names (the class's, enum items) are edited between their quotes.
bool IsQuoted(ESymbolKind kind) { return kind == ESymbolKind::eClass || kind == ESymbolKind::eEnumItem; }

class CPlaces {
public:
    CPlaces(const SFeatureInput& input) : m_Files(input.analysis.get(), &input.uris), m_nEncoding(input.encoding) {}

    // The name at a compiler place, without the quotes of a quoted one.
    Json Range(const std::string& file, int line, int column, bool inner) {
        const std::string& text = m_Files.Text(file);
        const CLineIndex& lines = m_Files.Lines(file);
        size_t begin = std::min(lines.LineStart(line - 1) + size_t(std::max(column, 1) - 1), text.size());
        size_t end = begin + TokenLengthAt(text, begin);
        if (inner && end - begin >= 2 && text[begin] == '"') ++begin, end -= text[end - 1] == '"' ? 1 : 0;
        SPosition a = lines.ToPosition(begin, m_nEncoding);
        SPosition b = lines.ToPosition(end, m_nEncoding);
        return Json{{"start", {{"line", a.line}, {"character", a.character}}},
                    {"end", {{"line", b.line}, {"character", b.character}}}};
    }
    Json Location(const std::string& file, const Json& range) { return Json{{"uri", m_Files.Uri(file)}, {"range", range}}; }
    std::string Uri(const std::string& file) const { return m_Files.Uri(file); }

private:
    CFileTexts m_Files;
    EPositionEncoding m_nEncoding;
};

// The name under the cursor as the index knows it, or null.
const SSymbolRef* RefAtCursor(const CFeatureContext& context, SPosition position, const SDocToken** token = nullptr) {
    int i = context.tokens.TokenAt(context.tokens.GetLines().ToOffset(position, context.input.encoding));
    if (i < 0) return nullptr;
    if (token) *token = &context.tokens.GetTokens()[size_t(i)];
    return context.RefAt(context.tokens.GetTokens()[size_t(i)]);
}

// Every name bound to the same symbol as `ref` (a built-in: the uses of the
// same member), file by file in text order.
template <class Visit>
void ForEachPlace(const CSymbolIndex& index, const SSymbolRef& ref, Visit visit) {
    for (const auto& [file, refs] : index.GetAllRefs())
        for (const SSymbolRef& r : refs) {
            bool same = ref.symbol >= 0 ? r.symbol == ref.symbol
                                        : r.symbol < 0 && r.kind == ref.kind && r.name == ref.name;
            if (same) visit(file, r);
        }
}

// The file an include line names: the one the compilation read under that name.
std::string IncludedFile(const SAnalysis& analysis, std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    std::string want = NormalizePath(name);
    for (size_t i = 1; i < analysis.files.size(); ++i) {
        std::string f = analysis.files[i];
        std::replace(f.begin(), f.end(), '\\', '/');
        if (f == want || (f.size() > want.size() && f.compare(f.size() - want.size(), want.size(), want) == 0 &&
                          f[f.size() - want.size() - 1] == '/'))
            return analysis.files[i];
    }
    return std::string();
}

const char* BuiltinWord(ESymbolKind kind) {
    switch (kind) {
    case ESymbolKind::eFunction: return "function";
    case ESymbolKind::eConstant: return "constant";
    default: return "name";
    }
}

// Why a name cannot be renamed; "" when it can.
std::string RenameRefusal(const CSymbolIndex& index, const SSymbolRef& ref) {
    if (ref.symbol < 0) {
        const CType* cls =
            ref.builtinClass == EBuiltinClass::eNone ? nullptr : GetBuiltinLibrary().GetClass(ref.builtinClass);
        std::string owner = cls && !cls->GetName().empty() ? cls->GetName() : "root";
        return "'" + ref.name + "' is a built-in " + BuiltinWord(ref.kind) + " of class '" + owner +
               "'; only the script's own names can be renamed";
    }
    const SSymbol& s = index.GetSymbols()[size_t(ref.symbol)];
    switch (s.kind) {
    case ESymbolKind::eEvent:
    case ESymbolKind::eCommand:
        return "'" + s.name + "' handles the built-in " + (s.kind == ESymbolKind::eEvent ? "event" : "command") +
               " of that name; a handler's name cannot change";
    case ESymbolKind::eClass: return "the script's name is the quoted text of its head; edit it there";
    default: return std::string();
    }
}

bool IsVariable(ESymbolKind k) {
    return k == ESymbolKind::eMember || k == ESymbolKind::eLocal || k == ESymbolKind::eParam || k == ESymbolKind::eEnum;
}

// Names that would collide: another variable of the same scope, another
// constant, state or script function.
bool Collides(const SSymbol& a, const SSymbol& b, const std::string& name) {
    if (IsVariable(a.kind)) return IsVariable(b.kind) && b.container == a.container && b.name == name;
    if (a.kind == ESymbolKind::eFunction) return b.kind == a.kind && EqualsNoCase(b.name, name);
    if (a.kind == ESymbolKind::eEnumItem) return b.kind == a.kind && b.container == a.container && b.name == name;
    return b.kind == a.kind && b.name == name;
}

// Why `name` cannot be the new name of `symbol`; "" when it can.
std::string NameRefusal(const CSymbolIndex& index, int symbol, const std::string& name) {
    const SSymbol& s = index.GetSymbols()[size_t(symbol)];
    if (s.kind == ESymbolKind::eEnumItem) {
        if (name.find_first_of("\"\\\r\n") != std::string::npos)
            return "an enum item's caption cannot hold quotes, backslashes or line ends";
    } else {
        CDocumentTokens tokens(name);
        const auto& t = tokens.GetTokens();
        if (t.size() != 1 || t[0].kind != CToken::eText || t[0].length != name.size())
            return "'" + name + "' is not a name (a keyword, or not only letters, digits and '_')";
        if (GetBuiltinLibrary().FindClass(name)) return "'" + name + "' names a built-in class";
    }
    for (size_t i = 0; i < index.GetSymbols().size(); ++i)
        if (int(i) != symbol && Collides(s, index.GetSymbols()[i], name))
            return "'" + name + "' is already declared there";
    return std::string();
}

}  // namespace

Json Definition(const SFeatureInput& input, SPosition position) {
    CFeatureContext context(input);
    const SDocToken* token = nullptr;
    const SSymbolRef* ref = RefAtCursor(context, position, &token);
    CPlaces places(input);
    if (!ref && token && token->kind == CToken::eQuotedString && input.analysis) {
        size_t i = size_t(token - context.tokens.GetTokens().data());
        if (i == 0 || context.tokens.GetTokens()[i - 1].kind != CToken::eInclude) return nullptr;
        std::string file = IncludedFile(*input.analysis, input.text.substr(token->offset + 1, token->length - 2));
        if (file.empty()) return nullptr;
        return places.Location(file, Json{{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 0}, {"character", 0}}}});
    }
    if (!ref || ref->symbol < 0) return nullptr;
    const SSymbol& s = context.index->GetSymbols()[size_t(ref->symbol)];
    return places.Location(s.file, places.Range(s.file, s.line, s.column, IsQuoted(s.kind)));
}

Json References(const SFeatureInput& input, SPosition position, bool withDeclarations) {
    CFeatureContext context(input);
    const SSymbolRef* ref = RefAtCursor(context, position);
    if (!ref) return nullptr;
    CPlaces places(input);
    Json out = Json::array();
    ForEachPlace(*context.index, *ref, [&](const std::string& file, const SSymbolRef& r) {
        if (withDeclarations || !r.declaration)
            out.push_back(places.Location(file, places.Range(file, r.line, r.column, IsQuoted(r.kind))));
    });
    return out;
}

Json PrepareRename(const SFeatureInput& input, SPosition position) {
    CFeatureContext context(input);
    const SSymbolRef* ref = RefAtCursor(context, position);
    if (!ref) return nullptr;
    std::string refusal = RenameRefusal(*context.index, *ref);
    if (!refusal.empty()) throw SRefusal(rpc::kRequestFailed, refusal);
    const SSymbol& s = context.index->GetSymbols()[size_t(ref->symbol)];
    return Json{{"range", CPlaces(input).Range(input.path, ref->line, ref->column, IsQuoted(s.kind))},
                {"placeholder", s.name}};
}

Json Rename(const SFeatureInput& input, SPosition position, const std::string& newName) {
    CFeatureContext context(input);
    const SSymbolRef* ref = RefAtCursor(context, position);
    if (!ref) throw SRefusal(rpc::kRequestFailed, "there is no name of the script here to rename");
    std::string refusal = RenameRefusal(*context.index, *ref);
    if (refusal.empty()) refusal = NameRefusal(*context.index, ref->symbol, newName);
    if (!refusal.empty()) throw SRefusal(rpc::kRequestFailed, refusal);
    CPlaces places(input);
    Json changes = Json::object();
    ForEachPlace(*context.index, *ref, [&](const std::string& file, const SSymbolRef& r) {
        Json& edits = changes[places.Uri(file)];
        edits.push_back({{"range", places.Range(file, r.line, r.column, IsQuoted(r.kind))}, {"newText", newName}});
    });
    return Json{{"changes", std::move(changes)}};
}
