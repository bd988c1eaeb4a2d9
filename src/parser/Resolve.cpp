// Name lookup, overload choice, handler binding and declaration checks over
// the tree and the class model. Every search that a script can make long is
// served by an index (scopes, the class node's functions, the state table);
// the walks here are over the nesting of the cursor only.
#include "parser/Resolve.h"

#include "parser/TypeOf.h"

namespace {

template <class T>
T* As(CNode* n) {
    return NodeAs<T>(n);
}

bool IsClassBlock(const CNode* block) {
    return block->GetParent() && block->GetParent()->GetKind() == CToken::eClass;
}

CRefPtr<CNode> IntConstant(int32_t value) {
    return MakeRef<CConstNode>(CConstValue::MakeInt(value).Get());
}

// The base class's own constants, then the script's, then those of the base
// class's parents: a script constant may hide a parent's constant, never one
// of the base class's own (DeclareConstant refuses those names).
bool FindConstant(const CNode* cursor, const CType* baseClass, const CStr& name, int32_t& value) {
    const CNamedConstant* k = baseClass->m_Constants.Find(name);
    if (!k)
        if (CClassNode* cls = FindClassNode(cursor)) k = cls->m_Constants.Find(name);
    if (k) {
        value = k->m_nValue;
        return true;
    }
    return baseClass->GetParent() && baseClass->GetParent()->FindConstant(name, value);
}

CResolved Made(CNode* node) { return CResolved{0, CRefPtr<CNode>(node)}; }
CResolved Failed(int32_t code) { return CResolved{code, {}}; }

}  // namespace

CClassNode* FindClassNode(const CNode* from) {
    return from ? As<CClassNode>(from->FindAncestor(CToken::eClass, CToken::eRoot)) : nullptr;
}

CVariableList* GetParameterList(CNode* head) {
    if (CEventNode* e = As<CEventNode>(head)) return e->GetParams();
    if (CFunctionNode* f = As<CFunctionNode>(head)) return f->GetParams();
    if (CCommandNode* c = As<CCommandNode>(head)) return c->GetParams();
    return nullptr;
}

CVariable* FindStateVariable(const CNode* from) {
    CClassNode* cls = FindClassNode(from);
    CBlockNode* block = cls ? As<CBlockNode>(cls->GetChild(0)) : nullptr;
    return block && block->PeekScope() ? block->PeekScope()->Find("$State") : nullptr;
}

// One walk up to the class: blocks are searched as they are passed; at the
// class block, the parameters of the enclosing command, event and function,
// in that order, come before the class variables.
CVariable* FindVariableInScopes(const CNode* from, std::string_view name, bool& noBlock) {
    noBlock = true;
    CNode* heads[3] = {};  // the nearest command, event and function above `from`
    for (CNode* a = from->GetParent(); a && a->GetKind() != CToken::eClass; a = a->GetParent()) {
        const int32_t kind = a->GetKind();
        int head = kind == CToken::eCommand ? 0 : kind == CToken::eEvent ? 1 : kind == CToken::eFunction ? 2 : -1;
        if (head >= 0 && !heads[head]) heads[head] = a;
        if (kind != CToken::eBlockInstruction) continue;
        noBlock = false;
        if (IsClassBlock(a))
            for (CNode* h : heads)
                if (CVariableList* params = h ? GetParameterList(h) : nullptr)
                    if (CVariable* v = params->Find(name)) return v;
        CBlockNode* block = As<CBlockNode>(a);
        if (block && block->PeekScope())
            if (CVariable* v = block->PeekScope()->Find(name)) return v;
    }
    return nullptr;
}

// Most names are variables of a scope, found without a copy of the name;
// the class model's indexes take it as a string.
CResolved ResolveName(const CNode* cursor, CType* baseClass, const CStatesTable& states,
                      std::string_view text) {
    bool noBlock = false;
    if (CVariable* v = FindVariableInScopes(cursor, text, noBlock)) return Made(new CVariableNode(v));
    if (noBlock) return Failed(eErrInternal);
    return ResolveClassName(cursor, baseClass, states, text);
}

CResolved ResolveClassName(const CNode* cursor, CType* baseClass, const CStatesTable& states,
                           std::string_view text) {
    const CStr name(text);
    if (baseClass) {
        if (CVariable* v = baseClass->FindVariable(name)) return Made(new CVariableNode(v));
        int32_t value = 0;
        if (FindConstant(cursor, baseClass, name, value)) return CResolved{0, IntConstant(value)};
    }
    if (CClassNode* cls = FindClassNode(cursor))
        if (CFunctionNode* f = cls->FindFunctionByName(name))
            return Made(new CCallNode(f->GetFunction(), nullptr, 1));
    if (baseClass)
        if (CFunction* f = baseClass->FindFunctionByName(name))
            return Made(new CCallNode(f, nullptr, 0));
    int32_t state = states.Find(name);
    if (state >= 0) return CResolved{0, IntConstant(state)};
    return Failed(eErrUnknownName);
}

CResolved ResolveMember(CNode* dot, const CStr& name) {
    CRefPtr<CNode> object(dot->GetChild(0));
    CVariableNode* objectNode = As<CVariableNode>(object.Get());
    CVariable* var = objectNode ? objectNode->m_pVariable.Get() : nullptr;
    CType* type = var ? var->GetType() : nullptr;
    if (!type || !type->IsKind(CType::eClass)) return Failed(eErrObjectBeforeDot);

    CRefPtr<CNode> member;
    CFunction* function = nullptr;
    if (CVariable* v = type->FindVariable(name)) {
        member = new CVariableNode(v, var);
    } else if ((function = type->FindFunctionByName(name))) {
        member = new CCallNode(function, var, 0);
    } else {
        return Failed(eErrUnknownMember);
    }
    object->AddChild(member.Get());
    object->ReplaceByFirstChild();
    dot->ReplaceByFirstChild();
    int32_t error = function && !function->m_bDotCallable ? eErrNotDotCallable : 0;
    return CResolved{error, member};
}

int32_t ResolveCall(CCallNode* call, CType* baseClass, const CNode* context) {
    if (!context) context = call;
    if (!call->m_pFunction) return eErrInternal;
    // The argument types live in their nodes; a short call lists them here
    // without an allocation.
    const size_t count = call->GetChildCount();
    CType* shortList[8];
    std::vector<CType*> longList(count > std::size(shortList) ? count : 0);
    CType** types = longList.empty() ? shortList : longList.data();
    for (size_t i = 0; i < count; ++i)
        if (!(types[i] = TypeOf(call->GetChild(i)))) return eErrInvalidType;
    const CCallSignature signature{call->m_pFunction->m_strName, std::span<CType* const>(types, count)};
    CType* target = call->m_pObject ? call->m_pObject->GetType() : baseClass;
    CFunction* found = target ? target->FindFunction(signature) : nullptr;
    // A call on another object never falls back to the script's own
    // functions: they run on this object, not on the one before the dot.
    if (!found && !call->m_pObject) {
        CClassNode* cls = FindClassNode(context);
        if (!cls) return eErrInternal;
        if (CFunctionNode* f = cls->FindFunction(signature)) found = f->GetFunction();
    }
    if (!found) return eErrNoSuitableFunction;
    call->m_pFunction = found;
    return 0;
}

int32_t BindEventHandler(CEventNode* handler, CType* baseClass) {
    int32_t index = baseClass ? baseClass->GetEventIndex(handler->m_strName, handler->m_pParams.Get()) : -1;
    if (index < 0) return eErrUnknownEvent;
    CClassNode* cls = FindClassNode(handler);
    if (!cls || size_t(index) >= cls->m_EventHandlers.GetSize()) return eErrInternal;
    if (cls->m_EventHandlers[size_t(index)]) return eErrEventDefined;
    cls->m_EventHandlers[size_t(index)] = handler;
    handler->m_nEventIndex = index;
    return 0;
}

int32_t BindCommandHandler(CCommandNode* handler, CType* baseClass) {
    int32_t index =
        baseClass ? baseClass->GetCommandIndex(handler->m_strName, handler->m_pParams.Get()) : -1;
    if (index < 0) return eErrUnknownCommand;
    CClassNode* cls = FindClassNode(handler);
    if (!cls || size_t(index) >= cls->m_CommandHandlers.GetSize()) return eErrInternal;
    if (cls->m_CommandHandlers[size_t(index)]) return eErrCommandDefined;
    cls->m_CommandHandlers[size_t(index)] = handler;
    handler->m_nCommandIndex = index;
    return 0;
}

int32_t DeclareVariable(CBlockNode* block, const CStr& name, CType* type) {
    uint32_t kind = IsClassBlock(block) ? CVariable::eMember : CVariable::eLocal;
    return block->GetScope()->Add(name, type, kind) ? 0 : eErrVariableDefined;
}

int32_t DeclareParameter(CNode* head, const CStr& name, CType* type) {
    CVariableList* params = GetParameterList(head);
    if (!params) return eErrInternal;
    return params->Add(name, type, CVariable::eParam) ? 0 : eErrVariableDefined;
}

int32_t DeclareEnum(CBlockNode* block, const CStr& name, CRefPtr<CType>& enumType) {
    if (block->GetScope()->Find(name)) return eErrVariableDefined;
    if (!IsClassBlock(block)) return eErrEnumNotMember;
    enumType = MakeRef<CType>(CType::eInt);
    block->GetScope()->Add(name, enumType.Get(), CVariable::eMember);
    return 0;
}

int32_t AddScriptFunction(CFunctionNode* function) {
    CClassNode* cls = FindClassNode(function);
    if (!cls) return eErrInternal;
    return cls->AddFunction(function) ? 0 : eErrFunctionDefined;
}

int32_t DeclareConstant(const CNode* cursor, const CType* baseClass, const CStr& name) {
    CClassNode* cls = FindClassNode(cursor);
    if (!cls || !baseClass) return eErrInternal;
    if (baseClass->m_Constants.Find(name)) return eErrConstantDefined;
    return cls->m_Constants.Add(name, 0) ? 0 : eErrConstantDefined;
}

void SetConstantValue(const CNode* cursor, int32_t value) {
    if (CClassNode* cls = FindClassNode(cursor)) cls->m_Constants.SetLastValue(value);
}
