// The class head and the class body cycle, plus the helpers the declaration
// states share. The body runs its sections in a fixed order (declarations,
// states, events, functions, commands); each section gives back the first
// token it does not take, and "ClassBlock6" either closes the body or starts
// another cycle. A cycle is started only for a token that some section is
// sure to take, so every cycle consumes input and the loop always ends.
#include "parser/DeclarationsGrammar.h"
#include "parser/Observe.h"
#include "parser/Resolve.h"
#include "parser/Suggestions.h"

namespace grammar {

CType* TokenClass(const CCompiler& c) {
    return Is(c, CToken::eText) ? c.m_pLibrary->FindClass(TokenText(c)) : nullptr;
}

CBlockNode* CurrentBlock(const CCompiler& c) { return dynamic_cast<CBlockNode*>(c.m_pNode.Get()); }

CVariable* TokenEnumVariable(const CCompiler& c) {
    if (!Is(c, CToken::eText) || !c.m_pNode) return nullptr;
    CBlockNode* classBlock = dynamic_cast<CBlockNode*>(c.m_pNode->GetParent());
    CVariableList* scope = classBlock ? classBlock->PeekScope() : nullptr;
    CVariable* v = scope ? scope->Find(TokenText(c)) : nullptr;
    CType* t = v ? v->GetType() : nullptr;
    return t && t->IsKind(CType::eInt) && t->m_EnumItems.GetSize() ? v : nullptr;
}

void SectionMember(CCompiler& c, int32_t keyword, StateFn next, StateFn section) {
    if (Is(c, keyword)) return Go(c, next);
    if (!Is(c, CToken::eFunction)) return GiveBackAndReturn(c);
    GiveBack(c);
    Call(c, xFunction1, section);
}

CNameFault MisspeltType(const CCompiler& c, bool basicTypes) {
    CSuggester suggester(TokenText(c));
    OfferClassNames(*c.m_pLibrary, basicTypes, suggester);
    return NameFault(c, suggester);
}

// Tokens that one of the body's sections always takes.
bool StartsMember(const CCompiler& c) {
    for (int32_t kind : {CToken::eInt, CToken::eEnum, CToken::eState, CToken::eEvent,
                         CToken::eFunction, CToken::eCommand})
        if (Is(c, kind)) return true;
    return TokenClass(c) != nullptr;
}

}  // namespace grammar

using namespace grammar;

namespace {

// Gives the token back and runs `section`, resuming at `next`.
void RunSection(CCompiler& c, StateFn section, StateFn next) {
    GiveBack(c);
    Call(c, section, next);
}

void DeclareClassVariables(CBlockNode* block) {
    CVariableList* scope = block->GetScope();
    CType* integer = CType::GetShared(CType::eInt);
    scope->Add("$State", integer, CVariable::eMember)->m_bInUse = 1;
    scope->Add("$Loop", integer, CVariable::eMember);
}

}  // namespace

// Source = [ ClassName Text ClassBody ] end of file: the base class
void Class1(CCompiler& c) {
    if (!Is(c, CToken::eText)) return GiveBackAndReturn(c);
    CType* base = TokenClass(c);
    if (!base) return c.SetNameError(eErrUnknownClass, MisspeltType(c, false));
    Enter(c, new CClassNode(TokenText(c), base));
    c.m_pBaseClass = base;
    Go(c, Class2);
}

// ClassName Text ClassBody: the script's own name, then the body.
void Class2(CCompiler& c) {
    if (!Is(c, CToken::eQuotedString)) return c.SetError(eErrExpectedClassName);
    c.m_strClassName = TokenText(c);
    NoteDeclaration(c, ESymbolKind::eClass, c.m_pBaseClass.Get());
    Call(c, ClassBlock1, LeaveConstruct);
}

// ClassBody = "{" [ Consts ] { Member } "}"
void ClassBlock1(CCompiler& c) {
    if (!Is(c, CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    CRefPtr<CBlockNode> block = MakeRef<CBlockNode>();
    Enter(c, block.Get());
    DeclareClassVariables(block.Get());
    c.m_pClassBlock = block;
    c.m_nClassBodyStack = c.m_ReturnStates.size();
    Call(c, Consts1, ClassBlock1b);
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

// { Member } "}": "}" closes the body, a member starts another cycle; anything
// else (the end of the file included) would be given back by every section
// forever. A name there is most likely a misspelt type.
void ClassBlock6(CCompiler& c) {
    if (Is(c, CToken::eBracesRight)) {
        c.m_pClassBlock = nullptr;
        return LeaveAndReturn(c);
    }
    if (StartsMember(c)) {
        GiveBack(c);
        return Go(c, ClassBlock1b);
    }
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedCloseBrace);
    c.SetNameError(eErrExpectedCloseBrace, MisspeltType(c, true));
}
