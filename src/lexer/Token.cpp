// The kind names and the text a diagnostic shows for a token; the property
// table is inline in the header.
#include "lexer/Token.h"

namespace {

constexpr const char* kNames[] = {
#define TOKEN(name, role, priority, alternate, assoc) "CToken::" #name,
#include "lexer/TokenKinds.def"
#undef TOKEN
};
static_assert(sizeof kNames / sizeof kNames[0] == CToken::eKindCount);
static_assert(CToken::eEndOfFile == 132);

}  // namespace

const char* CToken::GetKindName(int32_t kind) { return kind >= 0 && kind < eKindCount ? kNames[kind] : ""; }

const char* CToken::GetText() const {
    switch (m_nKind) {
    case eText:
    case eNumber:
    case eQuotedString:
        return m_szText;
    case eInvalid:
        return "Invalid token";
    default:
        return GetKindName(m_nKind);
    }
}
