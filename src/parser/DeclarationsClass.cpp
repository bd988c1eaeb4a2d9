// The class head and the class body cycle, plus the helpers the declaration
// states share. The body runs its sections in a fixed order (declarations,
// states, events, functions, commands); each section gives back the first
// token it does not take, and "ClassBlock6" either closes the body or starts
// another cycle. A cycle is started only for a token that some section is
// sure to take, so every cycle consumes input and the loop always ends.
#include "parser/DeclarationsGrammar.h"
#include "parser/Resolve.h"

namespace decl {

const char* TokenText(const CCompiler& c) { return c.m_Scanner.GetToken().m_szText; }

int32_t TokenValue(const CCompiler& c) { return c.m_Scanner.GetToken().m_nValue; }

CType* TokenClass(const CCompiler& c) {
    return c.m_Scanner.Is(CToken::eText) ? c.m_pLibrary->FindClass(TokenText(c)) : nullptr;
}

CBlockNode* CurrentBlock(const CCompiler& c) { return dynamic_cast<CBlockNode*>(c.m_pNode.Get()); }

CVariable* TokenEnumVariable(const CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eText) || !c.m_pNode) return nullptr;
    CBlockNode* classBlock = dynamic_cast<CBlockNode*>(c.m_pNode->GetParent());
    CVariableList* scope = classBlock ? classBlock->PeekScope() : nullptr;
    CVariable* v = scope ? scope->Find(TokenText(c)) : nullptr;
    CType* t = v ? v->GetType() : nullptr;
    return t && t->IsKind(CType::eInt) && t->m_EnumItems.GetSize() ? v : nullptr;
}

void AttachAndEnter(CCompiler& c, CNode* node) {
    c.m_pNode->AddChild(node);
    c.m_pNode = node;
}

void LeaveNode(CCompiler& c) { c.m_pNode = c.m_pNode->GetParent(); }

bool Check(CCompiler& c, int32_t error) {
    if (error) c.SetError(error);
    return !error;
}

bool TakeFunction(CCompiler& c, StateFn section) {
    if (!c.m_Scanner.Is(CToken::eFunction)) return false;
    c.m_Scanner.UngetToken();
    c.PushState(section);
    c.m_pfnState = xFunction1;
    return true;
}

}  // namespace decl

using namespace decl;

namespace {

// Tokens that one of the body's sections always takes.
bool StartsMember(const CCompiler& c) {
    for (int32_t kind : {CToken::eInt, CToken::eEnum, CToken::eState, CToken::eEvent,
                         CToken::eFunction, CToken::eCommand})
        if (c.m_Scanner.Is(kind)) return true;
    return TokenClass(c) != nullptr;
}

// Gives the token back and runs `section`, resuming at `next`.
void RunSection(CCompiler& c, StateFn section, StateFn next) {
    c.m_Scanner.UngetToken();
    c.PushState(next);
    c.m_pfnState = section;
}

void DeclareClassVariables(CBlockNode* block) {
    CVariableList* scope = block->GetScope();
    CType* integer = CType::GetShared(CType::eInt);
    scope->Add("$State", integer, CVariable::eMember)->m_bInUse = 1;
    scope->Add("$Loop", integer, CVariable::eMember);
}

}  // namespace

// Source = [ ClassName Text ClassBody ] end of file
void Class1(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eText)) {
        c.m_Scanner.UngetToken();
        c.PopState();
        return;
    }
    CType* base = TokenClass(c);
    if (!base) return c.SetError(eErrUnknownClass);
    AttachAndEnter(c, new CClassNode(TokenText(c), base));
    c.m_pBaseClass = base;
    c.m_pfnState = Class2;
}

// ClassName Text: the script's own name.
void Class2(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eQuotedString)) return c.SetError(eErrExpectedClassName);
    c.m_strClassName = TokenText(c);
    c.PushState(Class3);
    c.m_pfnState = ClassBlock1;
}

// After the class body: back to the root.
void Class3(CCompiler& c) {
    c.m_Scanner.UngetToken();
    LeaveNode(c);
    c.PopState();
}

// ClassBody = "{" [ Consts ] { Member } "}"
void ClassBlock1(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    CRefPtr<CBlockNode> block = MakeRef<CBlockNode>();
    AttachAndEnter(c, block.Get());
    c.PushState(ClassBlock1b);
    DeclareClassVariables(block.Get());
    c.m_pfnState = Consts1;
}

// Member = VariableDeclaration | EnumDeclaration ...
void ClassBlock1b(CCompiler& c) { RunSection(c, Declaration1, ClassBlock2); }

// ... | StateDeclaration ...
void ClassBlock2(CCompiler& c) { RunSection(c, State1, ClassBlock3); }

// ... | EventHandler ...
void ClassBlock3(CCompiler& c) { RunSection(c, Event1, ClassBlock4); }

// ... | Function ...
void ClassBlock4(CCompiler& c) { RunSection(c, xFunction1, ClassBlock5); }

// ... | CommandHandler
void ClassBlock5(CCompiler& c) { RunSection(c, xCommand1, ClassBlock6); }

// "}" closes the body; a member starts another cycle; anything else (the end
// of the file included) would be given back by every section forever.
void ClassBlock6(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eBracesRight)) {
        LeaveNode(c);
        c.PopState();
        return;
    }
    if (!StartsMember(c)) return c.SetError(eErrExpectedCloseBrace);
    c.m_Scanner.UngetToken();
    c.m_pfnState = ClassBlock1b;
}
