// The one-line calls by which grammar states tell the symbol observer of the
// compilation (if it has one) what they declared and resolved. Each reads
// the current token as the site; each costs one null test when nobody
// watches.
#pragma once
#include <cstdint>

#include "parser/Compiler.h"
#include "parser/SymbolObserver.h"

namespace grammar {

// The current token names a declaration of `kind`.
void NoteDeclaration(CCompiler& c, ESymbolKind kind, const CType* type = nullptr);
// The current token names a variable of the current block, declared now or
// at its terminator (NoteRecord): a member in the class block, else a local.
void NoteVariableName(CCompiler& c, const CType* type = nullptr);
// The record of the variable named last, found by name in `list`.
void NoteRecord(CCompiler& c, const CVariableList* list, const CStr& name);
// The current token names a variable of `list` declared just now.
void NoteVariable(CCompiler& c, ESymbolKind kind, const CVariableList* list);
// The value of the constant or enum item declared last.
void NoteValue(CCompiler& c, int32_t value);
// The current token is a name that resolved to `node` (not yet attached).
void NoteUse(CCompiler& c, const CNode* node);
// The current token names a state.
void NoteStateUse(CCompiler& c);
// The head of a script function is complete: its record.
void NoteFunctionRecord(CCompiler& c, CFunctionNode* function);
// The call named at `name` chose its function.
void NoteCall(CCompiler& c, const CNamePlace& name, const CCallNode* call);

}  // namespace grammar
