// Variable declarations, in the class block and at the start of bodies. An
// int variable is declared when its terminator ("," or ";") arrives, so
// "int a, a;" is refused at the second name; a class-typed variable is
// declared at its name. The variable kind (member or local) follows from
// the block the cursor stands on.
#include "parser/DeclarationsGrammar.h"
#include "parser/Observe.h"
#include "parser/Resolve.h"

using namespace grammar;

namespace {

// Declares `name` in the current block; false after an error.
bool DeclareInBlock(CCompiler& c, const CStr& name, CType* type) {
    CBlockNode* block = CurrentBlock(c);
    if (!block) return Check(c, eErrInternal);
    c.m_Names.Clear();  // the new name may hide one that resolved elsewhere
    if (!Check(c, DeclareVariable(block, name, type))) return false;
    NoteRecord(c, block->PeekScope(), name);
    return true;
}

// True, with the error recorded, when the current token names a variable of
// the current block (17) or the cursor is not on a block (61).
bool IsDeclaredInBlock(CCompiler& c) {
    CBlockNode* block = CurrentBlock(c);
    if (!block) {
        c.SetError(eErrInternal);
        return true;
    }
    CVariableList* scope = block->PeekScope();
    if (!scope || !scope->Find(TokenText(c))) return false;
    c.SetError(eErrVariableDefined);
    return true;
}

// After a complete declarator: ";" ends the declaration, "," starts the next.
void AfterDeclarator(CCompiler& c, StateFn nextDeclarator) {
    Go(c, Is(c, CToken::eSemicolon) ? Declaration1 : nextDeclarator);
}

bool IsTerminator(const CCompiler& c) {
    return Is(c, CToken::eSemicolon) || Is(c, CToken::eComma);
}

}  // namespace

// VariableDeclaration = "int" IntDeclarator ... | ClassName Name ... ; also enums
void Declaration1(CCompiler& c) {
    if (Is(c, CToken::eInt)) return Go(c, Declaration2);
    if (CType* cls = TokenClass(c)) {
        c.m_pArgType = cls;
        return Go(c, DeclarationClassName);
    }
    if (!Is(c, CToken::eEnum)) return GiveBackAndReturn(c);
    GiveBack(c);
    Go(c, Enum1);
}

// IntDeclarator = Name [ "[" "]" ]
void Declaration2(CCompiler& c) {
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedVariableName);
    if (IsDeclaredInBlock(c)) return;
    NoteVariableName(c);
    c.m_strVarName = TokenText(c);
    Go(c, Declaration2b);
}

// Name ( "," | ";" | "[" )
void Declaration2b(CCompiler& c) {
    if (IsTerminator(c)) {
        if (DeclareInBlock(c, c.m_strVarName, CType::GetShared(CType::eInt))) AfterDeclarator(c, Declaration2);
        return;
    }
    if (Is(c, CToken::eBracketsLeft)) return Go(c, Declaration2c);
    GiveBack(c);
    Go(c, Declaration3);
}

// Name "[" "]"
void Declaration2c(CCompiler& c) {
    if (!Is(c, CToken::eBracketsRight)) return c.SetError(eErrExpectedCloseBracket);
    Go(c, DeclarationArray);
}

// Name "[" "]" ( "," | ";" )
void DeclarationArray(CCompiler& c) {
    if (IsTerminator(c)) {
        if (DeclareInBlock(c, c.m_strVarName, c.m_pLibrary->GetArrayType())) AfterDeclarator(c, Declaration2);
        return;
    }
    GiveBack(c);
    Go(c, Declaration3);
}

// ClassName Name { "," Name }
void DeclarationClassName(CCompiler& c) {
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedVariableName);
    if (IsDeclaredInBlock(c)) return;
    NoteVariableName(c, c.m_pArgType.Get());
    if (!DeclareInBlock(c, TokenText(c), c.m_pArgType.Get())) return;
    Go(c, Declaration3);
}

// ... ( "," Name | ";" )
void Declaration3(CCompiler& c) {
    if (!IsTerminator(c)) return c.SetError(eErrExpectedSemicolon);
    AfterDeclarator(c, DeclarationClassName);
}
