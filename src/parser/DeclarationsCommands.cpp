// Command handlers and their attributes. A handler is bound, when its
// parameter list closes, to the base class's command of that name and
// parameter types. Between ")" and the body each attribute may appear once,
// in any order; the keyword is taken by the attribute step and its state
// runs on the next token, checking first that the attribute is not already
// defined. States of attributes without a value give that token back.
#include "parser/DeclarationsGrammar.h"
#include "parser/Observe.h"
#include "parser/Resolve.h"
#include "parser/Suggestions.h"

using namespace grammar;

namespace {

// The keywords in the order the attribute step tests them.
struct SAttributeKeyword {
    int32_t m_nKeyword;
    StateFn m_pfnState;
};
constexpr SAttributeKeyword kAttributeKeywords[] = {
    {CToken::eButton, xCommand6},  {CToken::eDescription, xCommand7}, {CToken::ePriority, xCommand8},
    {CToken::eHotKey, xCommand9},  {CToken::eHidden, xCommand10},     {CToken::eItem, xCommand11},
    {CToken::eAdvanced, xCommand13},
};

// The command node under the cursor, with its `defined` bit still clear;
// null after an error.
CCommandNode* AttributeTarget(CCompiler& c, uint32_t defined, int32_t alreadyDefined) {
    CCommandNode* node = dynamic_cast<CCommandNode*>(c.m_pNode.Get());
    if (!node) return c.SetError(eErrInternal), nullptr;
    if (node->m_nDefined & defined) return c.SetError(alreadyDefined), nullptr;
    node->m_nDefined |= defined;
    return node;
}

// An attribute without a value: sets its bit and hands the token back.
void FlagAttribute(CCompiler& c, uint32_t defined, uint32_t attribute, int32_t alreadyDefined) {
    CCommandNode* node = AttributeTarget(c, defined, alreadyDefined);
    if (!node) return;
    node->m_nAttributes |= attribute;
    GiveBack(c);
    Go(c, xCommand5);
}

}  // namespace

// CommandHandler = "command" Name "(" Parameters ")" { Attribute } Body
void xCommand1(CCompiler& c) { SectionMember(c, CToken::eCommand, xCommand2, xCommand1); }

// "command" Name
void xCommand2(CCompiler& c) {
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedCommandName);
    c.m_HeadName = c.TokenPlace();
    NoteDeclaration(c, ESymbolKind::eCommand);
    Enter(c, new CCommandNode(TokenText(c)));
    Go(c, xCommand3);
}

// Name "(" Parameters
void xCommand3(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesLeft)) return c.SetError(eErrExpectedOpenParen);
    Call(c, ArgDeclaration1, xCommand4);
}

// Parameters ")": bind to the base class's command.
void xCommand4(CCompiler& c) {
    if (!ClosesParameters(c)) return;
    CCommandNode* node = dynamic_cast<CCommandNode*>(c.m_pNode.Get());
    if (!node) return c.SetError(eErrInternal);
    const CType* base = c.m_pBaseClass.Get();
    int32_t error = BindCommandHandler(node, c.m_pBaseClass.Get());
    if (error == eErrUnknownCommand)
        return c.SetNameError(error, HeadFault(c, OfferCommands, CommandCandidates(base, node->m_strName)));
    if (Check(c, error)) Go(c, xCommand5);
}

// { Attribute } Body
void xCommand5(CCompiler& c) {
    for (const SAttributeKeyword& a : kAttributeKeywords)
        if (Is(c, a.m_nKeyword)) return Go(c, a.m_pfnState);
    GiveBack(c);
    Call(c, CommandBlock1, xCommand12);
}

// Attribute = "button" ( Text | Name of an enum variable of the class block )
void xCommand6(CCompiler& c) {
    CCommandNode* node = AttributeTarget(c, CCommandNode::eDefButton, eErrButtonDefined);
    if (!node) return;
    if (Is(c, CToken::eQuotedString)) {
        node->m_strButton = TokenText(c);
    } else if (CVariable* v = TokenEnumVariable(c)) {
        node->m_pButtonEnum = v;
    } else {
        return c.SetError(eErrExpectedButton);
    }
    Go(c, xCommand5);
}

// Attribute = "description" Text
void xCommand7(CCompiler& c) {
    CCommandNode* node = AttributeTarget(c, CCommandNode::eDefDescription, eErrDescriptionDefined);
    if (!node) return;
    if (!Is(c, CToken::eQuotedString)) return c.SetError(eErrExpectedDescription);
    node->m_strDescription = TokenText(c);
    Go(c, xCommand5);
}

// Attribute = "priority" Number, 0 to 255
void xCommand8(CCompiler& c) {
    CCommandNode* node = AttributeTarget(c, CCommandNode::eDefPriority, eErrPriorityDefined);
    if (!node) return;
    if (!Is(c, CToken::eNumber)) return c.SetError(eErrExpectedValue);
    int32_t priority = TokenValue(c);
    if (priority < 0 || priority > 255) return c.SetError(eErrPriorityRange);
    node->m_nCommandPriority = priority;
    Go(c, xCommand5);
}

// Attribute = "hotkey"
void xCommand9(CCompiler& c) {
    FlagAttribute(c, CCommandNode::eDefHotkey, CCommandNode::eHotkey, eErrHotkeyDefined);
}

// Attribute = "hidden"
void xCommand10(CCompiler& c) {
    FlagAttribute(c, CCommandNode::eDefHidden, CCommandNode::eHidden, eErrHiddenDefined);
}

// Attribute = "item" Number (any value)
void xCommand11(CCompiler& c) {
    CCommandNode* node = AttributeTarget(c, CCommandNode::eDefItem, eErrItemDefined);
    if (!node) return;
    if (!Is(c, CToken::eNumber)) return c.SetError(eErrExpectedValue);
    node->m_nItem = TokenValue(c);
    Go(c, xCommand5);
}

// { Attribute } Body, then the next command of the section.
void xCommand12(CCompiler& c) { NextMember(c, xCommand1); }

// Attribute = "advanced"
void xCommand13(CCompiler& c) {
    FlagAttribute(c, CCommandNode::eDefAdvanced, CCommandNode::eAdvanced, eErrAdvancedDefined);
}
