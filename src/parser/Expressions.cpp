// Expressions are built directly in the syntax tree, one token per step. An
// operand is attached below the cursor and becomes the cursor; an operator
// climbs from the cursor by priority and is inserted above the highest node
// that binds at least as tightly. The follow table decides where an
// expression ends: the first token that may not follow the previous one is
// given back to the statement, so there is no list of terminators.
#include "parser/BodyStates.h"
#include "parser/Grammar.h"
#include "parser/TypeOf.h"

#include <vector>

using namespace grammar;

namespace {

// Roles that exist only in m_nPrevRole.
constexpr int32_t kRoleStart = 7;
constexpr int32_t kRoleAfterCallParen = 13;
constexpr int kRoles = 14;

// kFollow[previous role] lists the roles that may come next, as bits.
constexpr uint32_t Bits(std::initializer_list<int> roles) {
    uint32_t b = 0;
    for (int r : roles) b |= 1u << r;
    return b;
}

// A "]" may follow a "]" so that an index can itself be indexed.
constexpr uint32_t kFollow[kRoles] = {
    /* 0 none      */ 0,
    /* 1 binary    */ Bits({2, 4, 5, 8, 9}),
    /* 2 prefix    */ Bits({2, 4, 5, 8, 9}),
    /* 3 suffix    */ Bits({1, 3, 6, 12}),
    /* 4 constant  */ Bits({1, 3, 6, 12}),
    /* 5 "("       */ Bits({2, 4, 5, 8, 9}),
    /* 6 ")" "," : */ Bits({1, 3, 6, 12}),
    /* 7 start     */ Bits({2, 4, 5, 8, 9}),
    /* 8 function  */ Bits({5}),
    /* 9 name      */ Bits({1, 3, 6, 10, 11, 12}),
    /* 10 "."      */ Bits({9}),
    /* 11 "["      */ Bits({2, 4, 5, 8, 9}),
    /* 12 "]"      */ Bits({1, 3, 6, 8, 9, 11, 12}),
    /* 13 call "(" */ Bits({2, 4, 5, 6, 8, 9}),
};

bool MayFollow(int32_t previous, int32_t role) {
    return previous >= 0 && previous < kRoles && role >= 0 && role < kRoles &&
           (kFollow[previous] >> role & 1u) != 0;
}

const char* TokenText(CCompiler& c) { return c.m_Scanner.GetToken().m_szText; }

void AttachOperand(CCompiler& c, CNode* node) { Enter(c, node); }

void AttachConstant(CCompiler& c, CRefPtr<CConstValue> value) {
    AttachOperand(c, MakeRef<CConstNode>(value.Get()).Get());
}

CNode* ClassNode(CCompiler& c) { return c.m_pNode->FindAncestor(CToken::eClass, CToken::eRoot); }

// --- names ----------------------------------------------------------------

CVariable* FindInParams(CNode* handler, const CStr& name) {
    CVariableList* params = nullptr;
    if (!handler) return nullptr;
    if (handler->GetKind() == CToken::eCommand) params = static_cast<CCommandNode*>(handler)->m_pParams.Get();
    if (handler->GetKind() == CToken::eEvent) params = static_cast<CEventNode*>(handler)->m_pParams.Get();
    if (handler->GetKind() == CToken::eFunction) params = static_cast<CFunctionNode*>(handler)->m_pParams.Get();
    return params ? params->Find(name) : nullptr;
}

// Blocks innermost first; at the class body the parameters of the enclosing
// command, event and function come before the class variables.
CVariable* FindInScopes(CCompiler& c, const CStr& name, bool& noBlock) {
    CNode* from = c.m_pNode.Get();
    CNode* block = from->FindAncestor(CToken::eBlockInstruction, CToken::eClass);
    noBlock = block == nullptr;
    for (; block; block = block->FindAncestor(CToken::eBlockInstruction, CToken::eClass)) {
        CNode* parent = block->GetParent();
        if (parent && parent->GetKind() == CToken::eClass) {
            for (int32_t kind : {CToken::eCommand, CToken::eEvent, CToken::eFunction})
                if (CVariable* v = FindInParams(from->FindAncestor(kind, CToken::eClass), name)) return v;
        }
        CVariableList* scope = static_cast<CBlockNode*>(block)->PeekScope();
        if (CVariable* v = scope ? scope->Find(name) : nullptr) return v;
    }
    return nullptr;
}

// A name not after a dot: variables, constants, functions, then states.
void ResolveName(CCompiler& c) {
    CStr name = TokenText(c);
    bool noBlock = false;
    if (CVariable* v = FindInScopes(c, name, noBlock)) return AttachOperand(c, MakeRef<CVariableNode>(v).Get());
    if (noBlock) return c.SetError(eInternal);
    CType* base = c.m_pBaseClass.Get();
    if (CVariable* v = base->FindVariable(name)) return AttachOperand(c, MakeRef<CVariableNode>(v).Get());
    int32_t value = 0;
    if (base->FindConstant(name, value)) return AttachConstant(c, CConstValue::MakeInt(value));
    auto* cls = static_cast<CClassNode*>(ClassNode(c));
    if (CFunctionNode* f = cls ? cls->FindFunctionByName(name) : nullptr) {
        AttachOperand(c, MakeRef<CCallNode>(f->GetFunction(), nullptr, 1).Get());
        c.m_nPrevRole = CToken::eRoleFunction;
        return;
    }
    if (CFunction* f = base->FindFunctionByName(name)) {
        AttachOperand(c, MakeRef<CCallNode>(f, nullptr, 0).Get());
        c.m_nPrevRole = CToken::eRoleFunction;
        return;
    }
    int32_t state = c.m_States.Find(name);
    if (state >= 0) return AttachConstant(c, CConstValue::MakeInt(state));
    c.SetError(eUnknownName);
}

// A name after a dot: a member of the class of the variable before the dot.
// The member node takes the place of the dot and keeps that variable.
void ResolveMember(CCompiler& c) {
    CRefPtr<CNode> dot = c.m_pNode;
    CRefPtr<CNode> obj = dot->GetChild(0);
    if (!obj || obj->GetKind() != CToken::eText) return c.SetError(eExpectedObject);
    CVariable* object = static_cast<CVariableNode*>(obj.Get())->m_pVariable.Get();
    CType* cls = object ? object->GetType() : nullptr;
    if (!cls || !cls->IsKind(CType::eClass)) return c.SetError(eExpectedObject);
    CStr name = TokenText(c);
    CRefPtr<CNode> member;
    CFunction* function = nullptr;
    if (CVariable* v = cls->FindVariable(name)) {
        member = MakeRef<CVariableNode>(v, object);
    } else if ((function = cls->FindFunctionByName(name)) != nullptr) {
        member = MakeRef<CCallNode>(function, object, 0);
    } else {
        return c.SetError(eUnknownMember);
    }
    obj->AddChild(member.Get(), -1);
    obj->ReplaceByFirstChild();
    dot->ReplaceByFirstChild();
    c.m_pNode = member;
    if (!function) return;
    c.m_nPrevRole = CToken::eRoleFunction;
    if (!function->m_bDotCallable) c.SetError(eNotDotCallable);
}

// --- parentheses and calls ------------------------------------------------

CNode* OpenParen(CCompiler& c) {
    if (c.m_pNode->GetKind() == CToken::eParenthesesLeft) return c.m_pNode.Get();
    return c.m_pNode->FindAncestor(CToken::eParenthesesLeft, CToken::eHardStop);
}

// Overloads: the target class first (its own functions, then its parents'),
// then the script's functions; the first that accepts the types wins.
void BindCall(CCompiler& c, CCallNode* call) {
    CFunction signature(call->m_pFunction->m_strName, MakeRef<CType>(CType::eVoid).Get());
    for (size_t i = 0; i < call->GetChildCount(); ++i) {
        CType* t = TypeOf(call->GetChild(i));
        if (!t) return c.SetError(eInvalidType);
        signature.AddParam(t);
    }
    CType* target = call->m_pObject ? call->m_pObject->GetType() : c.m_pBaseClass.Get();
    CFunction* found = target ? target->FindFunction(signature) : nullptr;
    if (!found) {
        auto* cls = static_cast<CClassNode*>(ClassNode(c));
        if (!cls) return c.SetError(eInternal);
        if (CFunctionNode* f = cls->FindFunction(signature)) found = f->GetFunction();
    }
    if (!found) return c.SetError(eNoSuitableFunction);
    call->m_pFunction = found;
    call->m_pType = nullptr;
}

// "(" inside a call: the argument list is complete.
void CloseCall(CCompiler& c, CNode* open) {
    CRefPtr<CNode> call = open->GetParent();
    if (CNode* last = open->GetChild(0)) {
        last->SetPriority(100);
        open->ReplaceByFirstChild();
    } else {
        call->DropLastChild();
    }
    c.m_pNode = call;
    BindCall(c, static_cast<CCallNode*>(call.Get()));
}

// ")" closes a call's argument list or seals a group, which later operators
// then climb over like an operand.
void CloseParen(CCompiler& c) {
    CRefPtr<CNode> open = OpenParen(c);
    if (!open) {
        GiveBack(c);
        return c.PopState();
    }
    CNode* parent = open->GetParent();
    if (parent && parent->GetKind() == CToken::eFunctionName) return CloseCall(c, open.Get());
    CNode* inner = open->GetChild(0);
    if (!inner) return c.SetError(eUnexpectedParen);
    c.m_pNode = inner;
    inner->SetPriority(100);
    open->ReplaceByFirstChild();
}

// "," ends one argument and opens the next below the call.
void NextArgument(CCompiler& c) {
    CRefPtr<CNode> open = c.m_pNode->FindAncestor(CToken::eParenthesesLeft, CToken::eHardStop);
    CNode* call = open ? open->GetParent() : nullptr;
    if (!call || call->GetKind() != CToken::eFunctionName) return c.SetError(eCommaWithoutFunction);
    open->ReplaceByFirstChild();
    call->AddChild(open.Get(), -1);
    c.m_pNode = open;
    c.m_nPrevRole = CToken::eRoleOpen;
}

void OpenParenthesis(CCompiler& c) {
    bool call = c.m_pNode->GetKind() == CToken::eFunctionName;
    Enter(c, MakeRef<CNode>(CToken::eParenthesesLeft).Get());
    if (call) c.m_nPrevRole = kRoleAfterCallParen;
}

void CloseBracket(CCompiler& c) {
    CNode* open = c.m_pNode->FindAncestor(CToken::eBracketsLeft, CToken::eHardStop);
    if (!open) {
        GiveBack(c);
        return c.PopState();
    }
    c.m_pNode = open;
    open->SetKind(CToken::eBrackets);
}

// An open "[" holds priority 0 until its "]", as an open "(" does, so the
// operators of the index stay inside it.
void InsertOperator(CCompiler& c, int32_t kind) {
    CRefPtr<CNode> node = MakeRef<CNode>(kind);
    c.m_pNode->InsertByPriority(node.Get(), -1, CToken::GetAssociativity(kind));
    c.m_pNode = node;
    if (kind == CToken::eBracketsLeft) node->SetPriority(0);
}

void StateVariable(CCompiler& c) {
    CNode* cls = ClassNode(c);
    auto* block = cls ? static_cast<CBlockNode*>(cls->GetChild(0)) : nullptr;
    CVariableList* scope = block ? block->PeekScope() : nullptr;
    CVariable* state = scope ? scope->Find("$State") : nullptr;
    if (!state) return c.SetError(eInternal);
    AttachOperand(c, MakeRef<CVariableNode>(state).Get());
}

void Expression2(CCompiler& c);
void Expression3(CCompiler& c);

// Depth of the expression below root, counted without recursion; stops
// counting once the limit is passed.
bool TooDeep(CNode* root) {
    std::vector<std::pair<CNode*, size_t>> work{{root, 0}};
    while (!work.empty()) {
        auto [node, depth] = work.back();
        work.pop_back();
        if (depth > kMaxExpressionDepth) return true;
        for (size_t i = 0; i < node->GetChildCount(); ++i)
            if (CNode* child = node->GetChild(i)) work.push_back({child, depth + 1});
    }
    return false;
}

// The error for an unfinished node on the path from the cursor to the root.
int32_t CheckNode(CNode* n) {
    switch (CToken::GetRole(n->GetKind())) {
    case CToken::eRoleBinary:
        return n->GetChild(0) && n->GetChild(1) && !n->GetChild(2) ? 0 : eDualOperator;
    case CToken::eRolePrefix:
    case CToken::eRoleSuffix:
        return n->GetChild(0) && !n->GetChild(1) ? 0 : ePrefixOperator;
    case CToken::eRoleOpen:
        return eUnpairedParen;
    case CToken::eRoleDot:
        return eUnknownMember;
    case CToken::eRoleOpenBracket:
        return eExpectedBracketRight;
    default:
        return 0;
    }
}

}  // namespace

// Expression1: hangs a new expression root below the cursor.
void Expression1(CCompiler& c) {
    if (c.m_ReturnStates.GetSize() > kMaxNesting) return c.SetError(eNestingTooDeep);
    c.m_nPrevRole = kRoleStart;
    Enter(c, MakeRef<CNode>(CToken::eHardStop).Get());
    GiveBack(c);
    Call(c, Expression2, Expression3);
}

namespace {

// Expression2: one token of the expression, or its end.
void Expression2(CCompiler& c) {
    const CToken& t = c.m_Scanner.GetToken();
    int32_t kind = t.m_nKind;
    int32_t role = kind == CToken::eState ? int32_t(CToken::eRoleName) : CToken::GetRole(kind);
    if (!MayFollow(c.m_nPrevRole, role)) {
        kind = CToken::GetAlternate(kind);
        role = CToken::GetRole(kind);
    }
    bool allowed = MayFollow(c.m_nPrevRole, role);
    c.m_nPrevRole = role;
    if (!allowed) {
        GiveBack(c);
        return c.PopState();
    }
    switch (kind) {
    case CToken::eState: return StateVariable(c);
    case CToken::eNull: return AttachConstant(c, CConstValue::MakeNull());
    case CToken::eTrue: return AttachConstant(c, CConstValue::MakeInt(1));
    case CToken::eFalse: return AttachConstant(c, CConstValue::MakeInt(0));
    case CToken::eNumber: return AttachConstant(c, CConstValue::MakeInt(t.m_nValue));
    case CToken::eQuotedString: return AttachConstant(c, CConstValue::MakeText(t.m_szText));
    case CToken::eText:
        return c.m_pNode->GetKind() == CToken::eDot ? ResolveMember(c) : ResolveName(c);
    case CToken::eParenthesesLeft: return OpenParenthesis(c);
    case CToken::eComma: return NextArgument(c);
    case CToken::eParenthesesRight: return CloseParen(c);
    case CToken::eBracketsRight: return CloseBracket(c);
    default: return InsertOperator(c, kind);
    }
}

// Expression3: checks the finished expression and returns to the statement.
void Expression3(CCompiler& c) {
    CNode* n = c.m_pNode.Get();
    for (; n && n->GetKind() != CToken::eHardStop; n = n->GetParent())
        if (int32_t code = CheckNode(n)) return c.SetError(code);
    if (!n) return c.SetError(eInternal);
    if (CNode* top = n->GetChild(0)) {
        if (TooDeep(top)) return c.SetError(eNestingTooDeep);
        if (!TypeOf(top)) return c.SetError(eInvalidType);
    }
    c.m_pNode = n->GetParent();
    GiveBack(c);
    c.PopState();
}

}  // namespace
