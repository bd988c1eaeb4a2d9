// Enum variables, class members only. Each enum variable gets a fresh int
// type that carries its items (value, caption, description). The list always
// ends with the item introduced by "multi" ":", stored like the others; after
// the closing "}" the declaration loop goes on at once (no ";").
#include "parser/DeclarationsGrammar.h"
#include "parser/Observe.h"
#include "parser/Resolve.h"

using namespace grammar;

namespace {

// Appends an item captioned by the current Text token; false after an error.
bool AddItem(CCompiler& c) {
    if (!Is(c, CToken::eQuotedString)) return Check(c, eErrExpectedQuotedString);
    c.m_pEnumType->AddEnumItem(TokenText(c));
    NoteDeclaration(c, ESymbolKind::eEnumItem);
    return true;
}

// [ keyword ... ]: the keyword goes on at `taken`; any other token is given
// back to `skipped`.
void OptionalKeyword(CCompiler& c, int32_t keyword, StateFn taken, StateFn skipped) {
    if (Is(c, keyword)) return Go(c, taken);
    GiveBack(c);
    Go(c, skipped);
}

// "item" Number
void ItemValueStep(CCompiler& c, StateFn description) {
    if (!Is(c, CToken::eNumber)) return c.SetError(eErrExpectedValue);
    c.m_pEnumType->SetLastItemValue(TokenValue(c));
    NoteValue(c, TokenValue(c));
    Go(c, description);
}

// "description" Text
void DescriptionTextStep(CCompiler& c, StateFn after) {
    if (!Is(c, CToken::eQuotedString)) return c.SetError(eErrExpectedQuotedString);
    c.m_pEnumType->SetLastItemDescription(TokenText(c));
    Go(c, after);
}

}  // namespace

// EnumDeclaration = "enum" Name "{" { EnumItem "," } "multi" ":" EnumItem "}"
void Enum1(CCompiler& c) {
    if (!Is(c, CToken::eEnum)) return c.SetError(eErrInternal);
    Go(c, Enum2);
}

// "enum" Name: a class member with a fresh int type.
void Enum2(CCompiler& c) {
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedVariableName);
    CBlockNode* block = CurrentBlock(c);
    if (!block) return c.SetError(eErrInternal);
    if (!Check(c, DeclareEnum(block, TokenText(c), c.m_pEnumType))) return;
    NoteVariable(c, ESymbolKind::eEnum, block->PeekScope());
    Go(c, Enum3);
}

// Name "{"
void Enum3(CCompiler& c) {
    if (!Is(c, CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    Go(c, Enum4);
}

// { EnumItem "," } "multi"; EnumItem = Text [ "item" Number ] [ "description" Text ]
void Enum4(CCompiler& c) {
    if (Is(c, CToken::eMulti)) return Go(c, Enum4b);
    if (AddItem(c)) Go(c, Enum9);
}

// Text [ "item" Number ]
void Enum9(CCompiler& c) { OptionalKeyword(c, CToken::eItem, EnumItemValue, EnumDescription); }

// "item" Number
void EnumItemValue(CCompiler& c) { ItemValueStep(c, EnumDescription); }

// [ "description" Text ]
void EnumDescription(CCompiler& c) {
    OptionalKeyword(c, CToken::eDescription, EnumDescriptionText, Enum5);
}

// "description" Text
void EnumDescriptionText(CCompiler& c) { DescriptionTextStep(c, Enum5); }

// EnumItem ","
void Enum5(CCompiler& c) {
    if (!Is(c, CToken::eComma)) return c.SetError(eErrExpectedCloseBrace);
    Go(c, Enum4);
}

// "multi" ":"
void Enum4b(CCompiler& c) {
    if (!Is(c, CToken::eColon)) return c.SetError(eErrExpectedColon);
    Go(c, Enum7);
}

// "multi" ":" EnumItem
void Enum7(CCompiler& c) {
    if (AddItem(c)) Go(c, EnumLastItem);
}

// The last item's [ "item" Number ]
void EnumLastItem(CCompiler& c) {
    OptionalKeyword(c, CToken::eItem, EnumLastItemValue, EnumLastDescription);
}

// The last item's "item" Number
void EnumLastItemValue(CCompiler& c) { ItemValueStep(c, EnumLastDescription); }

// The last item's [ "description" Text ]
void EnumLastDescription(CCompiler& c) {
    OptionalKeyword(c, CToken::eDescription, EnumLastDescriptionText, Enum8);
}

// The last item's "description" Text
void EnumLastDescriptionText(CCompiler& c) { DescriptionTextStep(c, Enum8); }

// EnumItem "}": the declaration loop goes on.
void Enum8(CCompiler& c) {
    if (!Is(c, CToken::eBracesRight)) return c.SetError(eErrExpectedCloseBrace);
    Go(c, Declaration1);
}
