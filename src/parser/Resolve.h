// The semantic operations that grammar states call on the tree: name
// resolution inside and after a dot, call resolution when an argument list
// closes, binding of event and command handlers, and the duplicate checks of
// declarations. Each returns a parser error code, 0 when it succeeded; none
// changes a list when its check fails.
#pragma once
#include <cstdint>
#include <string_view>

#include "parser/Errors.h"
#include "parser/Node.h"
#include "semantic/States.h"


// A resolved name: the node made for it (not yet attached) or an error.
struct CResolved {
    int32_t m_nError = 0;
    CRefPtr<CNode> m_pNode;
};

// The class node above `from`, or null.
CClassNode* FindClassNode(const CNode* from);
// The parameter list of an event, function or command node; null for others.
CVariableList* GetParameterList(CNode* head);
// The class block's "$State", for "state" used as a value.
CVariable* FindStateVariable(const CNode* from);

// The first step of name resolution alone: the enclosing blocks of `from`, innermost
// first; at the class block the parameters of the enclosing command, event
// and function come before the class variables. `noBlock` is set when no
// block encloses `from` (an internal error for the caller).
CVariable* FindVariableInScopes(const CNode* from, std::string_view name, bool& noBlock);

// A name in an expression, not after a dot: blocks from the innermost out
// (with the parameters of the enclosing handler or function at the class
// block), then the base class's variables and constants, the script's own
// functions (letter case ignored), the base class's functions, the states.
CResolved ResolveName(const CNode* cursor, CType* baseClass, const CStatesTable& states,
                      std::string_view name);
// The steps of ResolveName after the scopes, which depend on the class alone:
// the base class's variables and constants, the script's own functions, the
// base class's functions, the states.
CResolved ResolveClassName(const CNode* cursor, CType* baseClass, const CStatesTable& states,
                           std::string_view name);
// A name after a dot. `dot` holds the object node in slot 0; on success the
// member node takes the dot's place in the tree and is returned. Error 43
// still returns the node, already in place.
CResolved ResolveMember(CNode* dot, const CStr& name);
// Chooses the function of a call whose argument list is complete: the
// target class (the object's, or the base class) with its parents, then,
// for calls without an object, the script's own functions, found in the
// class above `context` (the call itself when null).
int32_t ResolveCall(CCallNode* call, CType* baseClass, const CNode* context = nullptr);

// Stores the handler in the class node's table at the index of the first
// event (command) of the base class that matches its name and parameters.
int32_t BindEventHandler(CEventNode* handler, CType* baseClass);
int32_t BindCommandHandler(CCommandNode* handler, CType* baseClass);

// Declares a variable in a block: a class member in the class block, a local
// elsewhere.
int32_t DeclareVariable(CBlockNode* block, const CStr& name, CType* type);
// Declares a parameter of an event, function or command head.
int32_t DeclareParameter(CNode* head, const CStr& name, CType* type);
// Declares an enum variable with a fresh int type, returned in `enumType`.
int32_t DeclareEnum(CBlockNode* block, const CStr& name, CRefPtr<CType>& enumType);
// Adds a script function to its class node unless one with its signature exists.
int32_t AddScriptFunction(CFunctionNode* function);
// Adds a script constant (value 0 until its "=" value) to the script's class
// node. A name of the base class's own constants or of an earlier script
// constant is refused; one of a parent class's constants is hidden.
int32_t DeclareConstant(const CNode* cursor, const CType* baseClass, const CStr& name);
// Gives the script constant declared last its value.
void SetConstantValue(const CNode* cursor, int32_t value);
