// Command handlers and their attributes. A handler is bound, when its
// parameter list closes, to the base class's command of that name and
// parameter types. Between ")" and the body each attribute may appear once,
// in any order; the keyword is taken by the attribute step and its state
// runs on the next token, checking first that the attribute is not already
// defined. States of attributes without a value give that token back.
#include "parser/DeclarationsGrammar.h"
#include "parser/Resolve.h"

using namespace decl;

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
    c.m_Scanner.UngetToken();
    c.m_pfnState = xCommand5;
}

}  // namespace

// CommandHandler = "command" Name "(" Parameters ")" { Attribute } Body
void xCommand1(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eCommand)) {
        c.m_pfnState = xCommand2;
        return;
    }
    if (TakeFunction(c, xCommand1)) return;
    c.m_Scanner.UngetToken();
    c.PopState();
}

// "command" Name
void xCommand2(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eText)) return c.SetError(eErrExpectedCommandName);
    AttachAndEnter(c, new CCommandNode(TokenText(c)));
    c.m_pfnState = xCommand3;
}

// Name "("
void xCommand3(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eParenthesesLeft)) return c.SetError(eErrExpectedOpenParen);
    c.PushState(xCommand4);
    c.m_pfnState = ArgDeclaration1;
}

// Parameters ")": bind to the base class's command.
void xCommand4(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eParenthesesRight)) return c.SetError(eErrExpectedCloseParen);
    CCommandNode* node = dynamic_cast<CCommandNode*>(c.m_pNode.Get());
    if (!node) return c.SetError(eErrInternal);
    if (Check(c, BindCommandHandler(node, c.m_pBaseClass.Get()))) c.m_pfnState = xCommand5;
}

// { Attribute } Body
void xCommand5(CCompiler& c) {
    for (const SAttributeKeyword& a : kAttributeKeywords)
        if (c.m_Scanner.Is(a.m_nKeyword)) {
            c.m_pfnState = a.m_pfnState;
            return;
        }
    c.m_Scanner.UngetToken();
    c.PushState(xCommand12);
    c.m_pfnState = CommandBlock1;
}

// "button" ( Text | Name of an enum variable of the class block )
void xCommand6(CCompiler& c) {
    CCommandNode* node = AttributeTarget(c, CCommandNode::eDefButton, eErrButtonDefined);
    if (!node) return;
    if (c.m_Scanner.Is(CToken::eQuotedString)) {
        node->m_strButton = TokenText(c);
    } else if (CVariable* v = TokenEnumVariable(c)) {
        node->m_pButtonEnum = v;
    } else {
        return c.SetError(eErrExpectedButton);
    }
    c.m_pfnState = xCommand5;
}

// "description" Text
void xCommand7(CCompiler& c) {
    CCommandNode* node = AttributeTarget(c, CCommandNode::eDefDescription, eErrDescriptionDefined);
    if (!node) return;
    if (!c.m_Scanner.Is(CToken::eQuotedString)) return c.SetError(eErrExpectedDescription);
    node->m_strDescription = TokenText(c);
    c.m_pfnState = xCommand5;
}

// "priority" Number, 0 to 255
void xCommand8(CCompiler& c) {
    CCommandNode* node = AttributeTarget(c, CCommandNode::eDefPriority, eErrPriorityDefined);
    if (!node) return;
    if (!c.m_Scanner.Is(CToken::eNumber)) return c.SetError(eErrExpectedValue);
    int32_t priority = TokenValue(c);
    if (priority < 0 || priority > 255) return c.SetError(eErrPriorityRange);
    node->m_nCommandPriority = priority;
    c.m_pfnState = xCommand5;
}

// "hotkey"
void xCommand9(CCompiler& c) {
    FlagAttribute(c, CCommandNode::eDefHotkey, CCommandNode::eHotkey, eErrHotkeyDefined);
}

// "hidden"
void xCommand10(CCompiler& c) {
    FlagAttribute(c, CCommandNode::eDefHidden, CCommandNode::eHidden, eErrHiddenDefined);
}

// "item" Number (any value)
void xCommand11(CCompiler& c) {
    CCommandNode* node = AttributeTarget(c, CCommandNode::eDefItem, eErrItemDefined);
    if (!node) return;
    if (!c.m_Scanner.Is(CToken::eNumber)) return c.SetError(eErrExpectedValue);
    node->m_nItem = TokenValue(c);
    c.m_pfnState = xCommand5;
}

// After the body: back to the class block, and the next command.
void xCommand12(CCompiler& c) {
    c.m_Scanner.UngetToken();
    LeaveNode(c);
    c.m_pfnState = xCommand1;
}

// "advanced"
void xCommand13(CCompiler& c) {
    FlagAttribute(c, CCommandNode::eDefAdvanced, CCommandNode::eAdvanced, eErrAdvancedDefined);
}
