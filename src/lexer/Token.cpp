// The kind property table and the text a diagnostic shows for a token.
#include "lexer/Token.h"

namespace {

struct KindInfo {
    const char* name;
    int32_t role, priority, alternate, associativity;
};

constexpr KindInfo kKinds[] = {
#define TOKEN(name, role, priority, alternate, assoc) \
    {"CToken::" #name, role, priority, alternate, assoc},
#define ePlusUnary CToken::ePlusUnary
#define eMinusUnary CToken::eMinusUnary
#define ePlusPlusSufix CToken::ePlusPlusSufix
#define eMinusMinusSufix CToken::eMinusMinusSufix
#include "lexer/TokenKinds.def"
#undef ePlusUnary
#undef eMinusUnary
#undef ePlusPlusSufix
#undef eMinusMinusSufix
#undef TOKEN
};
static_assert(sizeof kKinds / sizeof kKinds[0] == CToken::eKindCount);
static_assert(CToken::eEndOfFile == 132);

const KindInfo* Info(int32_t kind) {
    return (kind >= 0 && kind < CToken::eKindCount) ? &kKinds[kind] : nullptr;
}

}  // namespace

int32_t CToken::GetRole(int32_t kind) { auto* i = Info(kind); return i ? i->role : 0; }
int32_t CToken::GetPriority(int32_t kind) { auto* i = Info(kind); return i ? i->priority : 0; }
int32_t CToken::GetAlternate(int32_t kind) { auto* i = Info(kind); return i ? i->alternate : 0; }
int32_t CToken::GetAssociativity(int32_t kind) { auto* i = Info(kind); return i ? i->associativity : 0; }
const char* CToken::GetKindName(int32_t kind) { auto* i = Info(kind); return i ? i->name : ""; }

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
