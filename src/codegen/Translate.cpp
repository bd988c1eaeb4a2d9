// Expressions, conditions and statements. Expressions leave their value in
// EAX; a right operand that is not a constant or a name goes through a
// temporary of the routine. Conditions become jumps to a true and a false
// label; a condition used as a value is loaded as 0 or 1 through jump code.
#include "codegen/Translate.h"

#include <vector>

#include "codegen/TranslateContext.h"
#include "parser/TypeOf.h"

namespace {

bool IsComparison(int32_t kind) { return kind >= CToken::eLT && kind <= CToken::eNE; }

bool IsCondition(int32_t kind) {
    return IsComparison(kind) || kind == CToken::eLogicalAnd || kind == CToken::eLogicalOr ||
           kind == CToken::eLogicalNot;
}

bool IsArithmetic(int32_t kind) {
    switch (kind) {
    case CToken::ePlus: case CToken::eMinus: case CToken::eMultiply: case CToken::eDivide:
    case CToken::eModulus: case CToken::eBitAnd: case CToken::eBitXor: case CToken::eBitOr:
        return true;
    default:
        return false;
    }
}

bool IsReassociated(int32_t kind) {
    return kind == CToken::ePlus || kind == CToken::eMultiply || kind == CToken::eBitAnd ||
           kind == CToken::eBitXor || kind == CToken::eBitOr;
}

int32_t Negated(int32_t relation) {
    switch (relation) {
    case CToken::eLT: return CToken::eGE;
    case CToken::eLE: return CToken::eGT;
    case CToken::eGT: return CToken::eLE;
    case CToken::eGE: return CToken::eLT;
    case CToken::eEQ: return CToken::eNE;
    default: return CToken::eEQ;
    }
}

int32_t RoleOf(const CNode* n) { return CToken::GetRole(n->GetKind()); }

CConstRef ConstOfNode(CNode* n) {
    CConstValue* v = static_cast<CConstNode*>(n)->m_pValue.Get();
    return ConstOf(v->m_pType.Get(), v->m_nValue, v->m_strText, &v->m_nDataIndex);
}

CNameRef NameOfNode(CNode* n) {
    auto* v = static_cast<CVariableNode*>(n);
    return NameOf(*v->m_pVariable, v->m_pObject.Get());
}

bool IsNullConstant(CNode* n) {
    if (n->GetKind() != CToken::eNumber) return false;
    CConstValue* v = static_cast<CConstNode*>(n)->m_pValue.Get();
    return v && CType::IsNull(v->m_pType.Get());
}

CType* ClassOf(CNode* n) {
    CType* t = n ? TypeOf(n) : nullptr;
    return t && t->IsKind(CType::eClass) ? t : nullptr;
}

// Statements after a break or return in the same block produce no code.
void DropUnreachable(CNode* block) {
    size_t n = block->GetChildCount();
    for (size_t i = 0; i < n; ++i) {
        CNode* child = block->GetChild(i);
        if (child && (child->GetKind() == CToken::eBreak || child->GetKind() == CToken::eReturn)) {
            while (block->GetChildCount() > i + 1) block->DropLastChild();
            return;
        }
    }
}

// c = a op (b op d) becomes (b op a) op d, reusing the inner node, so that
// right operands stay a constant or a name.
bool Reassociate(CNode* c) {
    CRefPtr<CNode> r = c->GetChild(1);
    if (!r || r->GetKind() != c->GetKind() || !IsReassociated(c->GetKind())) return false;
    CRefPtr<CNode> a = c->GetChild(0), b = r->GetChild(0), d = r->GetChild(1);
    r->m_Children[0] = b;
    r->m_Children[1] = a;
    c->m_Children[0] = r;
    c->m_Children[1] = d;
    for (CNode* child : {b.Get(), a.Get()})
        if (child) child->m_pParent = r.Get();
    for (CNode* child : {r.Get(), d.Get()})
        if (child) child->m_pParent = c;
    return true;
}

void ReassociateChildren(CNode* node) {
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t i = 0; i < node->GetChildCount(); ++i) {
            CNode* c = node->GetChild(i);
            if (c && Reassociate(c)) changed = true;
        }
    }
}

}  // namespace

void PrepareTree(CNode* root) {
    std::vector<CNode*> work{root};
    while (!work.empty()) {
        CNode* node = work.back();
        work.pop_back();
        if (node->GetKind() == CToken::eBlockInstruction) DropUnreachable(node);
        ReassociateChildren(node);
        for (size_t i = node->GetChildCount(); i-- > 0;)
            if (CNode* child = node->GetChild(i)) work.push_back(child);
    }
}

void FinishBlocks(CNode* root) {
    std::vector<CNode*> work{root};
    while (!work.empty()) {
        CNode* node = work.back();
        work.pop_back();
        if (node->GetKind() == CToken::eBlockInstruction) static_cast<CBlockNode*>(node)->m_pLabels = nullptr;
        for (size_t i = 0; i < node->GetChildCount(); ++i)
            if (CNode* child = node->GetChild(i)) work.push_back(child);
    }
}

void TranslateTree(CNode* root, CCodeGen& gen) {
    CTranslator t(gen);
    t.Translate(root, CContext{});
}

CFunction* FindMember(CType* cls, const char* name) { return cls ? cls->FindFunctionByName(name) : nullptr; }

// --- helpers --------------------------------------------------------------

CLabel* CTranslator::NewLabel(CNode* node) {
    CNode* block = node->FindAncestor(CToken::eBlockInstruction, CToken::eClass);
    if (!block) block = m_pClassBlock;
    return m_Gen.NewLabel(static_cast<CBlockNode*>(block)->m_pLabels);
}

// The body block of the routine that holds the node.
CBlockNode* CTranslator::RoutineBlock(CNode* node) {
    CNode* block = node->FindAncestor(CToken::eBlockInstruction, CToken::eClass);
    while (block) {
        CNode* outer = block->FindAncestor(CToken::eBlockInstruction, CToken::eClass);
        if (!outer || outer == m_pClassBlock) break;
        block = outer;
    }
    return static_cast<CBlockNode*>(block ? block : m_pClassBlock);
}

CVariable* CTranslator::AcquireTemporary(CNode* node) { return RoutineBlock(node)->GetScope()->AcquireTemporary(); }

void CTranslator::ReleaseTemporary(CNode* node, CVariable* temp) { RoutineBlock(node)->GetScope()->ReleaseTemporary(temp); }

CVariable* CTranslator::StateVariable() {
    CVariableList* scope = m_pClassBlock ? m_pClassBlock->PeekScope() : nullptr;
    return scope ? scope->Find("$State") : nullptr;
}

// --- dispatch -------------------------------------------------------------

void CTranslator::TranslateChildren(CNode* node, const CContext& ctx) {
    for (size_t i = 0; i < node->GetChildCount(); ++i)
        if (CNode* child = node->GetChild(i)) Translate(child, ctx);
}

void CTranslator::Translate(CNode* node, const CContext& ctx) {
    switch (node->GetKind()) {
    case CToken::eClass: return TranslateClass(static_cast<CClassNode*>(node));
    case CToken::eState: return TranslateState(static_cast<CStateNode*>(node));
    case CToken::eEvent: return TranslateEvent(static_cast<CEventNode*>(node));
    case CToken::eCommand: return TranslateCommand(static_cast<CCommandNode*>(node));
    case CToken::eFunction: return TranslateFunction(static_cast<CFunctionNode*>(node));
    case CToken::eAssert: return;
    case CToken::eVerify:
        if (CNode* e = node->GetChild(0)) Translate(e, CContext{});
        return;
    case CToken::eIf: case CToken::eWhile: case CToken::eDo: case CToken::eFor:
    case CToken::eBreak: case CToken::eContinue: case CToken::eReturn: case CToken::eStateInstr:
        return TranslateStatement(node, ctx);
    case CToken::eHardStop:
    case CToken::eRoot: {
        CContext inner;
        inner.m_bStore = ctx.m_bStore;
        return TranslateChildren(node, inner);
    }
    case CToken::eBlockInstruction: return TranslateChildren(node, ctx);
    default: return TranslateExpression(node, ctx);
    }
}

void CTranslator::TranslateExpression(CNode* node, const CContext& ctx) {
    int32_t kind = node->GetKind();
    if (IsCondition(kind)) return TranslateConditionValue(node);
    switch (RoleOf(node)) {
    case CToken::eRoleBinary:
        if (kind == CToken::eAssign) return TranslateAssign(node);
        if (kind == CToken::eBrackets) return TranslateIndex(node, ctx.m_bStore);
        if (IsArithmetic(kind)) return TranslateBinary(node);
        return;
    case CToken::eRolePrefix: return TranslateUnary(node);
    case CToken::eRoleConstant: return m_Gen.EmitLoadConst(ConstOfNode(node));
    case CToken::eRoleFunction: return TranslateCall(static_cast<CCallNode*>(node));
    case CToken::eRoleName:
        return ctx.m_bStore ? m_Gen.EmitStore(NameOfNode(node)) : m_Gen.EmitLoad(NameOfNode(node));
    default: return TranslateChildren(node, CContext{});
    }
}

// --- expressions ----------------------------------------------------------

void CTranslator::TranslateUnary(CNode* node) {
    int32_t kind = node->GetKind();
    CNode* operand = node->GetChild(0);
    if (!operand) return;
    switch (kind) {
    case CToken::eBitNot: case CToken::ePlusUnary: case CToken::eMinusUnary:
        Translate(operand, CContext{});
        return m_Gen.EmitUnary(kind);
    case CToken::ePlusPlus: case CToken::eMinusMinus: {
        Translate(operand, CContext{});
        m_Gen.EmitUnary(kind);
        CContext store;
        store.m_bStore = true;
        return Translate(operand, store);
    }
    default:
        return;
    }
}

// Arguments last to first; then the object unless the function needs none.
void CTranslator::TranslateCall(CCallNode* node) {
    for (size_t i = node->GetChildCount(); i-- > 0;) {
        if (CNode* arg = node->GetChild(i)) Translate(arg, CContext{});
        m_Gen.EmitPushEax();
    }
    CFunction* f = node->m_pFunction.Get();
    if (!f->m_bGlobal && !f->m_bScript) {
        if (node->m_pObject) {
            m_Gen.EmitLoadVar(SlotOf(*node->m_pObject));
            m_Gen.EmitPushEax();
        } else {
            m_Gen.EmitPushObject();
        }
    }
    EmitCall(m_Gen, *f);
}

void CTranslator::TranslateBinary(CNode* node) {
    int32_t kind = node->GetKind();
    CNode* left = node->GetChild(0);
    CNode* right = node->GetChild(1);
    Translate(left, CContext{});
    if (RoleOf(right) == CToken::eRoleConstant) return m_Gen.EmitBinary(kind, ConstOfNode(right));
    if (RoleOf(right) == CToken::eRoleName) return m_Gen.EmitBinary(kind, NameOfNode(right));
    CVariable* temp = AcquireTemporary(node);
    m_Gen.EmitStoreVar(SlotOf(*temp));
    Translate(right, CContext{});
    m_Gen.EmitBinaryTemp(kind, SlotOf(*temp));
    ReleaseTemporary(node, temp);
}

// References are counted: the new one gains a reference before the old one
// loses its own. Classes without counting are assigned like ints.
void CTranslator::TranslateAssign(CNode* node) {
    CNode* left = node->GetChild(0);
    CNode* right = node->GetChild(1);
    CContext store;
    store.m_bStore = true;
    CFunction* release = FindMember(ClassOf(left), "$Release");
    if (release && IsNullConstant(right)) {
        Translate(left, CContext{});
        m_Gen.EmitPushEax();
        EmitCall(m_Gen, *release);
        Translate(right, CContext{});
        return Translate(left, store);
    }
    CFunction* addRef = release ? FindMember(ClassOf(right), "$AddRef") : nullptr;
    Translate(right, CContext{});
    if (addRef) {
        m_Gen.EmitPushEax();
        m_Gen.EmitPushEax();
        EmitCall(m_Gen, *addRef);
        Translate(left, CContext{});
        m_Gen.EmitPushEax();
        EmitCall(m_Gen, *release);
        m_Gen.EmitPopEax();
    }
    Translate(left, store);
}

// Elements are read and written by the engine's $GetAt and $SetAt.
void CTranslator::TranslateIndex(CNode* node, bool store) {
    CNode* array = node->GetChild(0);
    CNode* index = node->GetChild(1);
    CType* type = TypeOf(array);
    CType* owner = type ? type->GetParent() : nullptr;
    CFunction* f = FindMember(owner, store ? "$SetAt" : "$GetAt");
    if (!f) return;
    if (store) m_Gen.EmitPushEax();
    Translate(array, CContext{});
    m_Gen.EmitPushEax();
    Translate(index, CContext{});
    m_Gen.EmitPushEax();
    EmitCall(m_Gen, *f);
}

// A condition in value position is 1 or 0.
void CTranslator::TranslateConditionValue(CNode* node) {
    CLabel* t = NewLabel(node);
    CLabel* f = NewLabel(node);
    CLabel* e = NewLabel(node);
    TranslateCondition(node, t, f, false, false);
    Place(t);
    m_Gen.EmitLoadInt(1);
    m_Gen.EmitJmp(e);
    Place(f);
    m_Gen.EmitZeroEax();
    Place(e);
}

// --- conditions -----------------------------------------------------------

void CTranslator::TranslateCondition(CNode* node, CLabel* t, CLabel* f, bool jumpIfTrue, bool negate) {
    int32_t kind = node->GetKind();
    if (kind == CToken::eHardStop || kind == CToken::eLogicalNot) {
        CNode* child = node->GetChild(0);
        if (!child) return;
        return TranslateCondition(child, t, f, jumpIfTrue, kind == CToken::eLogicalNot ? !negate : negate);
    }
    if (IsComparison(kind)) return TranslateComparison(node, t, f, jumpIfTrue, negate);
    bool both = (kind == CToken::eLogicalAnd) != negate;  // && (or a negated ||)
    if (kind == CToken::eLogicalAnd || kind == CToken::eLogicalOr) {
        CLabel* middle = NewLabel(node);
        if (both)
            TranslateCondition(node->GetChild(0), middle, f, false, negate);
        else
            TranslateCondition(node->GetChild(0), t, middle, true, negate);
        Place(middle);
        return TranslateCondition(node->GetChild(1), t, f, jumpIfTrue, negate);
    }
    Translate(node, CContext{});
    if (jumpIfTrue)
        m_Gen.EmitTestJump(t, !negate);
    else
        m_Gen.EmitTestJump(f, negate);
}

void CTranslator::TranslateComparison(CNode* node, CLabel* t, CLabel* f, bool jumpIfTrue, bool negate) {
    int32_t relation = negate ? Negated(node->GetKind()) : node->GetKind();
    CNode* left = node->GetChild(0);
    CNode* right = node->GetChild(1);
    CLabel* target = jumpIfTrue ? t : f;
    Translate(left, CContext{});
    if (RoleOf(right) == CToken::eRoleConstant) {
        m_Gen.EmitCmpConst(ConstOfNode(right));
        return m_Gen.EmitJcc(relation, target, jumpIfTrue, false);
    }
    if (RoleOf(right) == CToken::eRoleName) {
        m_Gen.EmitCmp(NameOfNode(right));
        return m_Gen.EmitJcc(relation, target, jumpIfTrue, false);
    }
    CVariable* temp = AcquireTemporary(node);
    m_Gen.EmitStoreVar(SlotOf(*temp));
    Translate(right, CContext{});
    m_Gen.EmitCmpVar(SlotOf(*temp));
    m_Gen.EmitJcc(relation, target, jumpIfTrue, true);
    ReleaseTemporary(node, temp);
}

// --- statements -----------------------------------------------------------

void CTranslator::TranslateStatement(CNode* node, const CContext& ctx) {
    switch (node->GetKind()) {
    case CToken::eIf: return TranslateIf(node, ctx);
    case CToken::eWhile: return TranslateWhile(node, ctx);
    case CToken::eFor: return TranslateFor(node, ctx);
    case CToken::eDo: return TranslateDo(node, ctx);
    case CToken::eBreak: return m_Gen.EmitJmp(ctx.m_pBreak);
    case CToken::eContinue: return m_Gen.EmitJmp(ctx.m_pContinue);
    case CToken::eReturn: return TranslateReturn(node, ctx);
    default: return TranslateStateChange(node);
    }
}

void CTranslator::TranslateIf(CNode* node, const CContext& ctx) {
    CLabel* then = NewLabel(node);
    CLabel* otherwise = NewLabel(node);
    CLabel* end = NewLabel(node);
    CNode* elseStatement = node->GetChild(2);
    TranslateCondition(node->GetChild(0), then, otherwise, false, false);
    Place(then);
    if (CNode* s = node->GetChild(1)) Translate(s, ctx.Statement());
    if (elseStatement) m_Gen.EmitJmp(end);
    Place(otherwise);
    if (elseStatement) Translate(elseStatement, ctx.Statement());
    Place(end);
}

// Every loop has a continue label just before its budget check, so that
// continue can never skip the check (or, in a for loop, the step).
void CTranslator::TranslateWhile(CNode* node, const CContext& ctx) {
    CLabel* top = NewLabel(node);
    CLabel* body = NewLabel(node);
    CLabel* end = NewLabel(node);
    CLabel* next = NewLabel(node);
    Place(top);
    TranslateCondition(node->GetChild(0), body, end, false, false);
    Place(body);
    if (CNode* s = node->GetChild(1)) Translate(s, ctx.Loop(end, next));
    Place(next);
    m_Gen.EmitLoopGuard(ctx.m_pReturn);
    m_Gen.EmitJmp(top);
    Place(end);
}

void CTranslator::TranslateFor(CNode* node, const CContext& ctx) {
    auto part = [node](size_t i) -> CNode* {
        CNode* n = node->GetChild(i);
        return n && n->GetKind() != CToken::eDummy ? n : nullptr;
    };
    CLabel* top = NewLabel(node);
    CLabel* body = NewLabel(node);
    CLabel* end = NewLabel(node);
    CLabel* next = NewLabel(node);
    if (CNode* init = part(0)) Translate(init, CContext{});
    Place(top);
    if (CNode* condition = part(1)) TranslateCondition(condition, body, end, false, false);
    Place(body);
    m_Gen.EmitLoopGuard(ctx.m_pReturn);
    if (CNode* s = node->GetChild(3)) Translate(s, ctx.Loop(end, next));
    Place(next);
    if (CNode* step = part(2)) Translate(step, CContext{});
    m_Gen.EmitJmp(top);
    Place(end);
}

void CTranslator::TranslateDo(CNode* node, const CContext& ctx) {
    CLabel* top = NewLabel(node);
    CLabel* end = NewLabel(node);
    CLabel* next = NewLabel(node);
    Place(top);
    if (CNode* s = node->GetChild(0)) Translate(s, ctx.Loop(end, next));
    Place(next);
    m_Gen.EmitLoopGuard(ctx.m_pReturn);
    TranslateCondition(node->GetChild(1), end, top, false, true);
    Place(end);
}

// In a state, return names the next state (and a delay, 20 by default); a
// bare return keeps the current state.
void CTranslator::TranslateReturn(CNode* node, const CContext& ctx) {
    if (node->FindAncestor(CToken::eState, CToken::eClass)) {
        CNode* target = node->GetChild(0);
        CVariable* state = StateVariable();
        if (target && state) {
            Translate(target, CContext{});
            m_Gen.EmitStoreVar(SlotOf(*state));
        }
        if (CNode* delay = node->GetChild(1))
            Translate(delay, CContext{});
        else
            m_Gen.EmitLoadInt(20);
    } else if (CNode* value = node->GetChild(0)) {
        Translate(value, CContext{});
    }
    m_Gen.EmitJmp(ctx.m_pReturn);
}

// A bare "state;" changes nothing.
void CTranslator::TranslateStateChange(CNode* node) {
    CNode* target = node->GetChild(0);
    CVariable* state = StateVariable();
    if (!target || !state) return;
    Translate(target, CContext{});
    m_Gen.EmitStoreVar(SlotOf(*state));
}
