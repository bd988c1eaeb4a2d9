// Event handlers, script functions and the parameter lists they share with
// command handlers. An event handler is bound, when its parameter list
// closes, to the base class's event of that name and parameter types; a
// function is added to the class node unless one with the same signature is
// there. A function's body is a command body, except after "button" with an
// enum variable, where it is a function body; nothing else of the button is
// kept, since a function node has no place for it.
#include "parser/DeclarationsGrammar.h"
#include "parser/Resolve.h"

using namespace decl;

namespace {

// Gives the token back and runs `body`, resuming at `after`.
void EnterBody(CCompiler& c, StateFn body, StateFn after) {
    c.m_Scanner.UngetToken();
    c.PushState(after);
    c.m_pfnState = body;
}

// "(" of a head: the parameter list, then `close`.
void OpenParameters(CCompiler& c, StateFn close) {
    if (!c.m_Scanner.Is(CToken::eParenthesesLeft)) return c.SetError(eErrExpectedOpenParen);
    c.PushState(close);
    c.m_pfnState = ArgDeclaration1;
}

// Parameter = Type Name, with the type already read.
void DeclareParameterOfType(CCompiler& c, CType* type) {
    if (!c.m_Scanner.Is(CToken::eText)) return c.SetError(eErrExpectedVariableName);
    if (Check(c, DeclareParameter(c.m_pNode.Get(), TokenText(c), type))) c.m_pfnState = ArgDeclaration3;
}

}  // namespace

// EventHandler = "event" Name "(" Parameters ")" Body
void Event1(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eEvent)) {
        c.m_pfnState = Event2;
        return;
    }
    if (TakeFunction(c, Event1)) return;
    c.m_Scanner.UngetToken();
    c.PopState();
}

// "event" Name
void Event2(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eText)) return c.SetError(eErrExpectedEventName);
    AttachAndEnter(c, new CEventNode(TokenText(c)));
    c.m_pfnState = Event3;
}

// Name "("
void Event3(CCompiler& c) { OpenParameters(c, Event4); }

// Parameters ")": bind to the base class's event.
void Event4(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eParenthesesRight)) return c.SetError(eErrExpectedCloseParen);
    CEventNode* node = dynamic_cast<CEventNode*>(c.m_pNode.Get());
    if (!node) return c.SetError(eErrInternal);
    if (!Check(c, BindEventHandler(node, c.m_pBaseClass.Get()))) return;
    c.PushState(Event5);
    c.m_pfnState = EventBlock1;
}

// After the body: back to the class block.
void Event5(CCompiler& c) {
    c.m_Scanner.UngetToken();
    LeaveNode(c);
    c.m_pfnState = Event1;
}

// Function = "function" "int" Name "(" Parameters ")" [ "button" ( Text | Name ) ] Body
void xFunction1(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eFunction)) {
        c.m_pfnState = xFunction1b;
        return;
    }
    c.m_Scanner.UngetToken();
    c.PopState();
}

// "function" "int"
void xFunction1b(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eInt)) return c.SetError(eErrExpectedReturnType);
    c.m_pfnState = xFunction2;
}

// "int" Name
void xFunction2(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eText)) return c.SetError(eErrExpectedFunctionName);
    AttachAndEnter(c, new CFunctionNode(TokenText(c)));
    c.m_pfnState = xFunction3;
}

// Name "("
void xFunction3(CCompiler& c) { OpenParameters(c, xFunction4); }

// Parameters ")": one function per signature.
void xFunction4(CCompiler& c) {
    if (!c.m_Scanner.Is(CToken::eParenthesesRight)) return c.SetError(eErrExpectedCloseParen);
    CFunctionNode* node = dynamic_cast<CFunctionNode*>(c.m_pNode.Get());
    if (!node) return c.SetError(eErrInternal);
    if (Check(c, AddScriptFunction(node))) c.m_pfnState = xFunction5;
}

// [ "button" ... ] Body
void xFunction5(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eButton)) {
        c.m_pfnState = xFunction6;
        return;
    }
    EnterBody(c, CommandBlock1, xFunction7);
}

// "button" ( Text | Name ): an enum variable makes the body a function body.
void xFunction6(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eQuotedString)) {
        c.PushState(xFunction7);
        c.m_pfnState = CommandBlock1;
        return;
    }
    if (!TokenEnumVariable(c)) return c.SetError(eErrExpectedButton);
    c.PushState(xFunction7);
    c.m_pfnState = FunctionBlock1;
}

// After the body: back to the class block, and the next function.
void xFunction7(CCompiler& c) {
    c.m_Scanner.UngetToken();
    LeaveNode(c);
    c.m_pfnState = xFunction1;
}

// Parameters = [ Parameter { "," Parameter } [ "," ] ]
void ArgDeclaration1(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eInt)) {
        c.m_pfnState = ArgDeclaration2;
    } else if (c.m_Scanner.Is(CToken::eString)) {
        c.m_pfnState = ArgDeclaration2string;
    } else if (CType* cls = TokenClass(c)) {
        c.m_pArgType = cls;
        c.m_pfnState = ArgDeclaration2class;
    } else {
        c.m_Scanner.UngetToken();
        c.PopState();
    }
}

// "int" Name
void ArgDeclaration2(CCompiler& c) { DeclareParameterOfType(c, CType::GetShared(CType::eInt)); }

// "string" Name
void ArgDeclaration2string(CCompiler& c) { DeclareParameterOfType(c, CType::GetShared(CType::eString)); }

// ClassName Name
void ArgDeclaration2class(CCompiler& c) { DeclareParameterOfType(c, c.m_pArgType.Get()); }

// Parameter "," or the end of the list
void ArgDeclaration3(CCompiler& c) {
    if (c.m_Scanner.Is(CToken::eComma)) {
        c.m_pfnState = ArgDeclaration1;
        return;
    }
    c.m_Scanner.UngetToken();
    c.PopState();
}
