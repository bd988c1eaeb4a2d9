// CToken: one source token, and the kind enumeration that is also the node
// kind of the syntax tree. Kinds and their four expression properties come
// from TokenKinds.def so that the numbering and the tables cannot drift apart.
#pragma once
#include <cstdint>

class CToken {
public:
    enum EKind : int32_t {
#define TOKEN(name, role, priority, alternate, assoc) name,
#include "lexer/TokenKinds.def"
#undef TOKEN
        eKindCount
    };

    // Role of a kind in an expression.
    enum ERole : int32_t {
        eRoleNone = 0,
        eRoleBinary = 1,
        eRolePrefix = 2,
        eRoleSuffix = 3,
        eRoleConstant = 4,
        eRoleOpen = 5,
        eRoleClose = 6,
        eRoleFunction = 8,
        eRoleName = 9,
        eRoleDot = 10,
        eRoleOpenBracket = 11,
        eRoleCloseBracket = 12,
    };

    static constexpr int kMaxText = 255;

    int32_t m_nKind = eInvalid;
    // At most kMaxText characters, zero-terminated; the scanner owns the
    // storage and reuses it a few tokens later, so keep a copy, not the pointer.
    const char* m_szText = "";
    int32_t m_nValue = 0;
    int32_t m_nLine = 0;
    int32_t m_nColumn = 0;

    const char* GetText() const;

    // The properties of a kind; 0 for a number outside the enumeration.
    // Inline: the parser asks for them at every token.
    static int32_t GetRole(int32_t kind) { return Properties(kind).m_nRole; }
    static int32_t GetPriority(int32_t kind) { return Properties(kind).m_nPriority; }
    static int32_t GetAlternate(int32_t kind) { return Properties(kind).m_nAlternate; }
    static int32_t GetAssociativity(int32_t kind) { return Properties(kind).m_nAssociativity; }
    // "CToken::eSemicolon" and so on; "" for a number outside the enumeration.
    static const char* GetKindName(int32_t kind);

private:
    struct SProperties {
        int32_t m_nRole, m_nPriority, m_nAlternate, m_nAssociativity;
    };
    // The property rows of TokenKinds.def, in kind order.
    static constexpr SProperties kProperties[] = {
#define TOKEN(name, role, priority, alternate, assoc) {role, priority, alternate, assoc},
#include "lexer/TokenKinds.def"
#undef TOKEN
    };
    static_assert(sizeof kProperties / sizeof kProperties[0] == eKindCount);
    static constexpr SProperties kNoProperties{};
    static const SProperties& Properties(int32_t kind) {
        return kind >= 0 && kind < eKindCount ? kProperties[kind] : kNoProperties;
    }
};
