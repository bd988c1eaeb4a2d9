// Enum variables, class members only. Each enum variable gets a fresh int
// type that carries its items (value, caption, description). The list always
// ends with the item introduced by "multi" ":", stored like the others; after
// the closing "}" the declaration loop goes on at once (no ";").
#include "parser/DeclarationsGrammar.h"
#include "parser/Resolve.h"

using namespace decl;

namespace {

// Appends an item captioned by the current Text token; false after an error.
bool AddItem(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eQuotedString)) return Check(c, eErrExpectedQuotedString);
    c.m_pEnumType->AddEnumItem(TokenText(c));
    return true;
}

// [ "item" Number ]: the keyword, or the token given back to `description`.
void ItemStep(CCompiler& c, StateFn value, StateFn description) {
    if (c.m_Scanner.Is(CToken::eItem)) {
        c.m_pfnState = value;
        return;
    }
    c.m_Scanner.UngetToken();
    c.m_pfnState = description;
}

// "item" Number
void ItemValueStep(CCompiler& c, StateFn description) {
    if (!c.m_Scanner.Is(CToken::eNumber)) return c.SetError(eErrExpectedValue);
    c.m_pEnumType->SetLastItemValue(TokenValue(c));
    c.m_pfnState = description;
}

// [ "description" Text ]: the keyword, or the token given back to `after`.
void DescriptionStep(CCompiler& c, StateFn text, StateFn after) {
    if (c.m_Scanner.Is(CToken::eDescription)) {
        c.m_pfnState = text;
        return;
    }
    c.m_Scanner.UngetToken();
    c.m_pfnState = after;
}

// "description" Text
void DescriptionTextStep(CCompiler& c, StateFn after) {
    if (!c.m_Scanner.Is(CToken::eQuotedString)) return c.SetError(eErrExpectedQuotedString);
    c.m_pEnumType->SetLastItemDescription(TokenText(c));
    c.m_pfnState = after;
}

}  // namespace

// EnumDeclaration = "enum" Name "{" { EnumItem "," } "multi" ":" EnumItem "}"
void Enum1(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eEnum)) return c.SetError(eErrInternal);
    c.m_pfnState = Enum2;
}

// "enum" Name: a class member with a fresh int type.
void Enum2(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eText)) return c.SetError(eErrExpectedVariableName);
    CBlockNode* block = CurrentBlock(c);
    if (!block) return c.SetError(eErrInternal);
    if (!Check(c, DeclareEnum(block, TokenText(c), c.m_pEnumType))) return;
    c.m_pfnState = Enum3;
}

// Name "{"
void Enum3(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    c.m_pfnState = Enum4;
}

// { EnumItem "," } "multi"; EnumItem = Text [ "item" Number ] [ "description" Text ]
void Enum4(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eMulti)) {
        c.m_pfnState = Enum4b;
        return;
    }
    if (AddItem(c)) c.m_pfnState = Enum9;
}

// Text [ "item" Number ]
void Enum9(CCompiler& c) { ItemStep(c, EnumItemValue, EnumDescription); }

// "item" Number
void EnumItemValue(CCompiler& c) { ItemValueStep(c, EnumDescription); }

// [ "description" Text ]
void EnumDescription(CCompiler& c) { DescriptionStep(c, EnumDescriptionText, Enum5); }

// "description" Text
void EnumDescriptionText(CCompiler& c) { DescriptionTextStep(c, Enum5); }

// EnumItem ","
void Enum5(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eComma)) return c.SetError(eErrExpectedCloseBrace);
    c.m_pfnState = Enum4;
}

// "multi" ":"
void Enum4b(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eColon)) return c.SetError(eErrExpectedColon);
    c.m_pfnState = Enum7;
}

// "multi" ":" EnumItem
void Enum7(CCompiler& c) {
    if (AddItem(c)) c.m_pfnState = EnumLastItem;
}

// The last item's [ "item" Number ]
void EnumLastItem(CCompiler& c) { ItemStep(c, EnumLastItemValue, EnumLastDescription); }

// The last item's "item" Number
void EnumLastItemValue(CCompiler& c) { ItemValueStep(c, EnumLastDescription); }

// The last item's [ "description" Text ]
void EnumLastDescription(CCompiler& c) { DescriptionStep(c, EnumLastDescriptionText, Enum8); }

// The last item's "description" Text
void EnumLastDescriptionText(CCompiler& c) { DescriptionTextStep(c, Enum8); }

// EnumItem "}": the declaration loop goes on.
void Enum8(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eBracesRight)) return c.SetError(eErrExpectedCloseBrace);
    c.m_pfnState = Declaration1;
}
