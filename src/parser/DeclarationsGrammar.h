// States of the declarations grammar that only its own files refer to, and
// the helpers over the current token that only they need. Each state takes
// the current token, works on the tree through CCompiler::m_pNode and picks
// the next state; the class body runs its sections in a fixed cycle
// (declarations, states, events, functions, commands) until "}".
#pragma once
#include <cstdint>

#include "parser/Compiler.h"
#include "parser/EntryStates.h"
#include "parser/Grammar.h"
#include "parser/Suggestions.h"

namespace grammar {

// The nameable built-in class named by the current token, or null.
CType* TokenClass(const CCompiler& c);
// The current node as a block, or null when the cursor is elsewhere.
CBlockNode* CurrentBlock(const CCompiler& c);
// The enum variable of the class block that the current token names, or null.
// The cursor is a handler or function head whose parent is the class block.
CVariable* TokenEnumVariable(const CCompiler& c);
// The first token of a member of a section that also takes functions:
// `keyword` goes on at `next`; "function" is given back to the functions
// section, which returns to `section`; any other token ends the section.
void SectionMember(CCompiler& c, int32_t keyword, StateFn next, StateFn section);
// True when the current token starts a member of the class body.
bool StartsMember(const CCompiler& c);
// The current name where a type should stand: the class names close to it,
// with "int" and "string" where those may stand too.
CNameFault MisspeltType(const CCompiler& c, bool basicTypes);
// ")" after the parameters of a head; false after the error. A name there
// is most likely a misspelt parameter type.
bool ClosesParameters(CCompiler& c);
// An unknown event or command: the head's name, the names of the handlers
// that `offer` walks close to it, the signatures of that name.
CNameFault HeadFault(const CCompiler& c, void (*offer)(const CType*, CNameSink&),
                     std::vector<std::string> candidates);
// After a member's body: gives the token back, hands the finished routine
// on, leaves the member's node for the class block and goes on with the
// section at `section`.
inline void NextMember(CCompiler& c, StateFn section) {
    GiveBack(c);
    c.CloseRoutine();
    Leave(c);
    Go(c, section);
}

}  // namespace grammar

// Class head and the class body cycle.
void Class2(CCompiler& c);
void ClassBlock1(CCompiler& c);
void ClassBlock1b(CCompiler& c);
void ClassBlock2(CCompiler& c);
void ClassBlock3(CCompiler& c);
void ClassBlock4(CCompiler& c);
void ClassBlock5(CCompiler& c);
void ClassBlock6(CCompiler& c);

// The consts section.
void Consts1(CCompiler& c);
void Consts2(CCompiler& c);
void Consts3(CCompiler& c);
void Consts4(CCompiler& c);
void Consts5(CCompiler& c);
void Consts6(CCompiler& c);

// Variable declarations (Declaration1 is an entry state).
void Declaration2(CCompiler& c);
void Declaration2b(CCompiler& c);
void Declaration2c(CCompiler& c);
void DeclarationArray(CCompiler& c);
void DeclarationClassName(CCompiler& c);
void Declaration3(CCompiler& c);

// Enum variables.
void Enum1(CCompiler& c);
void Enum2(CCompiler& c);
void Enum3(CCompiler& c);
void Enum4(CCompiler& c);
void Enum4b(CCompiler& c);
void Enum5(CCompiler& c);
void Enum7(CCompiler& c);
void Enum8(CCompiler& c);
void Enum9(CCompiler& c);
void EnumItemValue(CCompiler& c);
void EnumDescription(CCompiler& c);
void EnumDescriptionText(CCompiler& c);
void EnumLastItem(CCompiler& c);
void EnumLastItemValue(CCompiler& c);
void EnumLastDescription(CCompiler& c);
void EnumLastDescriptionText(CCompiler& c);

// States.
void State1(CCompiler& c);
void State2(CCompiler& c);
void State3(CCompiler& c);
void State4(CCompiler& c);

// Event handlers.
void Event1(CCompiler& c);
void Event2(CCompiler& c);
void Event3(CCompiler& c);
void Event4(CCompiler& c);
void Event5(CCompiler& c);

// Functions (xFunction1 is an entry state).
void xFunction1b(CCompiler& c);
void xFunction2(CCompiler& c);
void xFunction3(CCompiler& c);
void xFunction4(CCompiler& c);
void xFunction5(CCompiler& c);
void xFunction6(CCompiler& c);
void xFunction7(CCompiler& c);

// Command handlers and their attributes.
void xCommand1(CCompiler& c);
void xCommand2(CCompiler& c);
void xCommand3(CCompiler& c);
void xCommand4(CCompiler& c);
void xCommand5(CCompiler& c);
void xCommand6(CCompiler& c);
void xCommand7(CCompiler& c);
void xCommand8(CCompiler& c);
void xCommand9(CCompiler& c);
void xCommand10(CCompiler& c);
void xCommand11(CCompiler& c);
void xCommand12(CCompiler& c);
void xCommand13(CCompiler& c);

// Parameter lists (ArgDeclaration1 is an entry state).
void ArgDeclaration2(CCompiler& c);
void ArgDeclaration2string(CCompiler& c);
void ArgDeclaration2class(CCompiler& c);
void ArgDeclaration3(CCompiler& c);
