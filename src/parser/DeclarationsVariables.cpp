// Variable declarations, in the class block and at the start of bodies. An
// int variable is declared when its terminator ("," or ";") arrives, so
// "int a, a;" is refused at the second name; a class-typed variable is
// declared at its name. The variable kind (member or local) follows from
// the block the cursor stands on.
#include "parser/DeclarationsGrammar.h"
#include "parser/Resolve.h"

using namespace decl;

namespace {

// Declares `name` in the current block; false after an error.
bool DeclareInBlock(CCompiler& c, const CStr& name, CType* type) {
    CBlockNode* block = CurrentBlock(c);
    if (!block) return Check(c, eErrInternal);
    return Check(c, DeclareVariable(block, name, type));
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
    c.m_pfnState = c.m_Scanner.Is(CToken::eSemicolon) ? Declaration1 : nextDeclarator;
}

bool IsTerminator(const CCompiler& c) {
    return c.m_Scanner.Is(CToken::eSemicolon) || c.m_Scanner.Is(CToken::eComma);
}

}  // namespace

// VariableDeclaration = "int" IntDeclarator ... | ClassName Name ... ; also enums
void Declaration1(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eInt)) {
        c.m_pfnState = Declaration2;
        return;
    }
    if (CType* cls = TokenClass(c)) {
        c.m_pArgType = cls;
        c.m_pfnState = DeclarationClassName;
        return;
    }
    bool isEnum = c.m_Scanner.Is(CToken::eEnum);
    c.m_Scanner.UngetToken();
    if (isEnum)
        c.m_pfnState = Enum1;
    else
        c.PopState();
}

// IntDeclarator = Name [ "[" "]" ]
void Declaration2(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eText)) return c.SetError(eErrExpectedVariableName);
    if (IsDeclaredInBlock(c)) return;
    c.m_strVarName = TokenText(c);
    c.m_pfnState = Declaration2b;
}

// Name ( "," | ";" | "[" )
void Declaration2b(CCompiler& c) {
    if (IsTerminator(c)) {
        if (DeclareInBlock(c, c.m_strVarName, CType::GetShared(CType::eInt))) AfterDeclarator(c, Declaration2);
        return;
    }
    if (c.m_Scanner.Is(CToken::eBracketsLeft)) {
        c.m_pfnState = Declaration2c;
        return;
    }
    c.m_Scanner.UngetToken();
    c.m_pfnState = Declaration3;
}

// Name "[" "]"
void Declaration2c(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eBracketsRight)) return c.SetError(eErrExpectedCloseBracket);
    c.m_pfnState = DeclarationArray;
}

// Name "[" "]" ( "," | ";" )
void DeclarationArray(CCompiler& c) {
    if (IsTerminator(c)) {
        if (DeclareInBlock(c, c.m_strVarName, c.m_pLibrary->GetArrayType())) AfterDeclarator(c, Declaration2);
        return;
    }
    c.m_Scanner.UngetToken();
    c.m_pfnState = Declaration3;
}

// ClassName Name { "," Name }
void DeclarationClassName(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eText)) return c.SetError(eErrExpectedVariableName);
    if (IsDeclaredInBlock(c)) return;
    if (!DeclareInBlock(c, TokenText(c), c.m_pArgType.Get())) return;
    c.m_pfnState = Declaration3;
}

// ... ( "," Name | ";" )
void Declaration3(CCompiler& c) {
    if (!IsTerminator(c)) return c.SetError(eErrExpectedSemicolon);
    AfterDeclarator(c, DeclarationClassName);
}
