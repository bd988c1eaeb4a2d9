// Semantic tokens: keywords, numbers and strings as the scanner reads them;
// names as the parse resolved them (a local, a parameter, a class variable,
// a state, a script or built-in function ...). A name the parse never
// reached stays unmarked unless it names a built-in class, so the editor's
// grammar colours it as before. Tokens are encoded relative to the one
// before, as the protocol asks.
#include "builtins/Reference.h"
#include "lexer/Token.h"
#include "lsp/Features.h"

namespace {

// Legend order; the numbers below index it.
constexpr const char* kTypes[] = {"class",    "enum",     "enumMember", "event",    "function", "method",
                                  "parameter", "property", "variable",   "keyword",  "number",   "string"};
enum ETokenType { eClass, eEnum, eEnumMember, eEvent, eFunctionType, eMethod, eParameter, eProperty, eVariable,
                  eKeyword, eNumberType, eStringType, eNone = -1 };

constexpr const char* kModifiers[] = {"declaration", "readonly", "defaultLibrary"};
constexpr int kDeclaration = 1, kReadonly = 2, kDefaultLibrary = 4;

struct SClass {
    int type = eNone;
    int modifiers = 0;
};

SClass OfRef(const SSymbolRef& ref) {
    int builtin = ref.symbol < 0 ? kDefaultLibrary : 0;
    int declaration = ref.declaration ? kDeclaration : 0;
    switch (ref.kind) {
    case ESymbolKind::eMember: return {eProperty, declaration};
    case ESymbolKind::eLocal: return {eVariable, declaration};
    case ESymbolKind::eParam: return {eParameter, declaration};
    case ESymbolKind::eEnum: return {eEnum, declaration};
    case ESymbolKind::eEnumItem: return {eEnumMember, declaration};
    case ESymbolKind::eConstant: return {eVariable, declaration | kReadonly | builtin};
    case ESymbolKind::eState: return {eEnumMember, declaration};
    case ESymbolKind::eEvent: return {eEvent, declaration};
    case ESymbolKind::eCommand: return {eMethod, declaration};
    case ESymbolKind::eFunction: return {ref.afterDot ? eMethod : eFunctionType, declaration | builtin};
    case ESymbolKind::eClass: return {};
    }
    return {};
}

SClass Classify(const CFeatureContext& context, const SDocToken& token) {
    switch (token.kind) {
    case CToken::eNumber: return {eNumberType};
    case CToken::eQuotedString: return {eStringType};
    case CToken::eText: break;
    default:
        return token.kind >= CToken::eEvent && token.kind <= CToken::eInclude ? SClass{eKeyword} : SClass{};
    }
    if (const SSymbolRef* ref = context.RefAt(token)) return OfRef(*ref);
    EBuiltinClass cls = FindReferenceClass(context.input.text.substr(token.offset, token.length));
    if (cls != EBuiltinClass::eNone && cls != EBuiltinClass::eRoot) return {eClass, kDefaultLibrary};
    return {};
}

}  // namespace

Json SemanticTokensLegend() { return Json{{"tokenTypes", kTypes}, {"tokenModifiers", kModifiers}}; }

Json SemanticTokens(const SFeatureInput& input) {
    CFeatureContext context(input);
    const CLineIndex& lines = context.tokens.GetLines();
    std::vector<int> data;
    SPosition previous;
    for (const SDocToken& token : context.tokens.GetTokens()) {
        SClass c = Classify(context, token);
        if (c.type == eNone || token.length == 0) continue;
        SPosition at = lines.ToPosition(token.offset, input.encoding);
        int length = CountUnits(std::string_view(input.text).substr(token.offset, token.length), input.encoding);
        data.insert(data.end(), {at.line - previous.line, at.line == previous.line ? at.character - previous.character
                                                                                   : at.character,
                                 length, c.type, c.modifiers});
        previous = at;
    }
    return Json{{"data", data}};
}
