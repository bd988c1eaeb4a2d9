// Event handlers, script functions and the parameter lists they share with
// command handlers. An event handler is bound, when its parameter list
// closes, to the base class's event of that name and parameter types; a
// function is added to the class node unless one with the same signature is
// there. A function's body is a command body, except after "button" with an
// enum variable, where it is a function body; nothing else of the button is
// kept, since a function node has no place for it.
#include "parser/DeclarationsGrammar.h"
#include "parser/Observe.h"
#include "parser/Resolve.h"
#include "parser/Suggestions.h"

using namespace grammar;

namespace {

// "(" of a head: the parameter list, then `close`.
void OpenParameters(CCompiler& c, StateFn close) {
    if (!Is(c, CToken::eParenthesesLeft)) return c.SetError(eErrExpectedOpenParen);
    Call(c, ArgDeclaration1, close);
}

// Parameter = Type Name, with the type already read.
void DeclareParameterOfType(CCompiler& c, CType* type) {
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedVariableName);
    if (!Check(c, DeclareParameter(c.m_pNode.Get(), TokenText(c), type))) return;
    NoteVariable(c, ESymbolKind::eParam, GetParameterList(c.m_pNode.Get()));
    Go(c, ArgDeclaration3);
}

}  // namespace

namespace grammar {

bool ClosesParameters(CCompiler& c) {
    if (Is(c, CToken::eParenthesesRight)) return true;
    if (Is(c, CToken::eText))
        c.SetNameError(eErrExpectedCloseParen, MisspeltType(c, true));
    else
        c.SetError(eErrExpectedCloseParen);
    return false;
}

CNameFault HeadFault(const CCompiler& c, void (*offer)(const CType*, CNameSink&),
                     std::vector<std::string> candidates) {
    CNameFault fault;
    fault.m_Place = c.m_HeadName;
    // A name the class has, with other parameters, is no misspelling.
    if (candidates.empty()) {
        CSuggester suggester(fault.m_Place.m_strName);
        offer(c.m_pBaseClass.Get(), suggester);
        fault.m_Suggestions = suggester.Best();
    }
    fault.m_Candidates = std::move(candidates);
    return fault;
}

}  // namespace grammar

// EventHandler = "event" Name "(" Parameters ")" Body
void Event1(CCompiler& c) { SectionMember(c, CToken::eEvent, Event2, Event1); }

// "event" Name
void Event2(CCompiler& c) {
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedEventName);
    c.m_HeadName = c.TokenPlace();
    NoteDeclaration(c, ESymbolKind::eEvent);
    Enter(c, new CEventNode(TokenText(c)));
    Go(c, Event3);
}

// Name "(" Parameters
void Event3(CCompiler& c) { OpenParameters(c, Event4); }

// Parameters ")": bind to the base class's event.
void Event4(CCompiler& c) {
    if (!ClosesParameters(c)) return;
    CEventNode* node = dynamic_cast<CEventNode*>(c.m_pNode.Get());
    if (!node) return c.SetError(eErrInternal);
    const CType* base = c.m_pBaseClass.Get();
    int32_t error = BindEventHandler(node, c.m_pBaseClass.Get());
    if (error == eErrUnknownEvent)
        return c.SetNameError(error, HeadFault(c, OfferEvents, EventCandidates(base, node->m_strName)));
    if (!Check(c, error)) return;
    Call(c, EventBlock1, Event5);
}

// ")" Body, then the next event of the section.
void Event5(CCompiler& c) { NextMember(c, Event1); }

// Function = "function" "int" Name "(" Parameters ")" [ "button" ( Text | Name ) ] Body
void xFunction1(CCompiler& c) {
    if (Is(c, CToken::eFunction)) return Go(c, xFunction1b);
    GiveBackAndReturn(c);
}

// "function" "int"
void xFunction1b(CCompiler& c) {
    if (!Is(c, CToken::eInt)) return c.SetError(eErrExpectedReturnType);
    Go(c, xFunction2);
}

// "int" Name
void xFunction2(CCompiler& c) {
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedFunctionName);
    NoteDeclaration(c, ESymbolKind::eFunction);
    Enter(c, new CFunctionNode(TokenText(c)));
    Go(c, xFunction3);
}

// Name "(" Parameters
void xFunction3(CCompiler& c) { OpenParameters(c, xFunction4); }

// Parameters ")": one function per signature.
void xFunction4(CCompiler& c) {
    if (!ClosesParameters(c)) return;
    CFunctionNode* node = dynamic_cast<CFunctionNode*>(c.m_pNode.Get());
    if (!node) return c.SetError(eErrInternal);
    c.m_ClassNames.ForgetNoCase(node->m_strName);
    if (!Check(c, AddScriptFunction(node))) return;
    NoteFunctionRecord(c, node);
    Go(c, xFunction5);
}

// [ "button" ... ] Body
void xFunction5(CCompiler& c) {
    if (Is(c, CToken::eButton)) return Go(c, xFunction6);
    GiveBack(c);
    Call(c, CommandBlock1, xFunction7);
}

// "button" ( Text | Name ): an enum variable makes the body a function body.
void xFunction6(CCompiler& c) {
    if (Is(c, CToken::eQuotedString)) return Call(c, CommandBlock1, xFunction7);
    if (!TokenEnumVariable(c)) return c.SetError(eErrExpectedButton);
    Call(c, EventBlock1, xFunction7);
}

// [ "button" ... ] Body, then the next function of the section.
void xFunction7(CCompiler& c) { NextMember(c, xFunction1); }

// Parameters = [ Parameter { "," Parameter } [ "," ] ]
void ArgDeclaration1(CCompiler& c) {
    if (Is(c, CToken::eInt)) return Go(c, ArgDeclaration2);
    if (Is(c, CToken::eString)) return Go(c, ArgDeclaration2string);
    if (CType* cls = TokenClass(c)) {
        c.m_pArgType = cls;
        return Go(c, ArgDeclaration2class);
    }
    GiveBackAndReturn(c);
}

// "int" Name
void ArgDeclaration2(CCompiler& c) { DeclareParameterOfType(c, CType::GetShared(CType::eInt)); }

// "string" Name
void ArgDeclaration2string(CCompiler& c) { DeclareParameterOfType(c, CType::GetShared(CType::eString)); }

// ClassName Name
void ArgDeclaration2class(CCompiler& c) { DeclareParameterOfType(c, c.m_pArgType.Get()); }

// Parameter "," or the end of the list
void ArgDeclaration3(CCompiler& c) {
    if (Is(c, CToken::eComma)) return Go(c, ArgDeclaration1);
    GiveBackAndReturn(c);
}
