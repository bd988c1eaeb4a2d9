// Expressions, conditions and statements. Expressions leave their value in
// EAX; a right operand that is not a constant or a name goes through a
// temporary of the routine. Conditions become jumps to a true and a false
// label; a condition used as a value is loaded as 0 or 1 through jump code.
#include "codegen/Translate.h"

#include <string>
#include <vector>

#include "codegen/TranslateContext.h"
#include "parser/TypeOf.h"

namespace {

bool IsComparison(int32_t kind) { return kind >= CToken::eLT && kind <= CToken::eNE; }

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
    case CToken::eNE: return CToken::eEQ;
    default: return CToken::eInvalid;  // not a relation: no jump exists for it
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

// Runs once, before the layout pass.
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

}  // namespace

CUnitGenerator::CUnitGenerator(CCodeGen& gen) : m_Gen(gen), m_pTranslator(std::make_unique<CTranslator>(gen)) {}
CUnitGenerator::~CUnitGenerator() = default;

bool CUnitGenerator::Begin(CClassNode* cls) {
    m_pTranslator->BeginClass(cls);
    return !m_Gen.HasFailed();
}

// Every label a routine jumps to is placed by its end (a called function
// comes before its callers), so its jumps are resolved at once and the
// labels let go.
bool CUnitGenerator::Routine(CNode* routine) {
    if (m_Gen.HasFailed()) return false;
    PrepareTree(routine);
    for (int32_t pass : {0, 1}) {
        m_Gen.SetPass(pass);
        m_pTranslator->TranslateRoutine(routine);
        if (m_Gen.HasFailed()) return false;
    }
    m_Gen.ResolveJumps();
    m_pTranslator->ForgetRoutineLabels();
    return !m_Gen.HasFailed();
}

bool CUnitGenerator::End() {
    if (m_Gen.HasFailed()) return false;
    m_Gen.SetPass(1);
    m_pTranslator->EndClass();
    m_Gen.ResolveJumps();
    return !m_Gen.HasFailed();
}

bool GenerateUnit(CNode* root, CCodeGen& gen) {
    auto* cls = dynamic_cast<CClassNode*>(root ? root->GetChild(0) : nullptr);
    if (!cls) return true;
    CUnitGenerator unit(gen);
    if (!unit.Begin(cls)) return false;
    CNode* block = cls->GetChild(0);
    for (size_t i = 0; i < block->GetChildCount(); ++i)
        if (CNode* routine = block->GetChild(i))
            if (!unit.Routine(routine)) return false;
    return unit.End();
}

CFunction* FindMember(CType* cls, const char* name) { return cls ? cls->FindFunctionByName(name) : nullptr; }

// --- helpers --------------------------------------------------------------

CLabel* CTranslator::NewLabel() {
    m_Labels.push_back(MakeRef<CLabel>());
    return m_Labels.back().Get();
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

// Every class block holds "$State" from its start; without it no state
// change can be stored.
CVariable* CTranslator::StateVariable() {
    CVariableList* scope = m_pClassBlock ? m_pClassBlock->PeekScope() : nullptr;
    CVariable* state = scope ? scope->Find("$State") : nullptr;
    if (!state) m_Gen.Fail("no $State variable in the class block");
    return state;
}

// A script function is called through the body label of this pass, which
// exists once the function has been translated (callees come first); a call
// without one stays a jump to an unplaced label and fails at the end.
void CTranslator::EmitCall(const CFunction& f) {
    if (!f.m_bScript) return m_Gen.EmitCallBuiltin(uint32_t(f.m_nBuiltinNumber));
    auto body = m_FunctionBodies.find(&f);
    m_Gen.EmitCallLabel(body == m_FunctionBodies.end() ? nullptr : body->second.Get());
}

// --- dispatch -------------------------------------------------------------

void CTranslator::TranslateChildren(CNode* node, const CContext& ctx) {
    for (size_t i = 0; i < node->GetChildCount(); ++i)
        if (CNode* child = node->GetChild(i)) Translate(child, ctx);
}

// Every kind the parser leaves in a finished tree has its row; any other
// kind is an internal error, never silently dropped or turned into code.
void CTranslator::Translate(CNode* node, const CContext& ctx) {
    const int32_t kind = node->GetKind();
    switch (kind) {
    case CToken::eRoot:
    case CToken::eHardStop: {
        CContext inner;
        inner.m_bStore = ctx.m_bStore;
        return TranslateChildren(node, inner);
    }
    case CToken::eBlockInstruction: return TranslateChildren(node, ctx);
    case CToken::eState: return TranslateState(static_cast<CStateNode*>(node));
    case CToken::eEvent: return TranslateEvent(static_cast<CEventNode*>(node));
    case CToken::eCommand: return TranslateCommand(static_cast<CCommandNode*>(node));
    case CToken::eFunction: return TranslateFunction(static_cast<CFunctionNode*>(node));

    case CToken::eAssert: return;
    case CToken::eVerify:
        if (CNode* e = node->GetChild(0)) Translate(e, CContext{});
        return;
    case CToken::eIf: return TranslateIf(node, ctx);
    case CToken::eWhile: return TranslateWhile(node, ctx);
    case CToken::eFor: return TranslateFor(node, ctx);
    case CToken::eDo: return TranslateDo(node, ctx);
    case CToken::eBreak: return m_Gen.EmitJmp(ctx.m_pBreak);
    case CToken::eContinue: return m_Gen.EmitJmp(ctx.m_pContinue);
    case CToken::eReturn: return TranslateReturn(node, ctx);
    case CToken::eStateInstr: return TranslateStateChange(node);

    case CToken::eNumber: return m_Gen.EmitLoadConst(ConstOfNode(node));
    case CToken::eText: return TranslateName(node, ctx);
    case CToken::eFunctionName: return TranslateCall(node);
    case CToken::eAssign: return TranslateAssign(node);
    case CToken::eBrackets: return TranslateIndex(node, ctx.m_bStore);
    case CToken::eBitNot: case CToken::ePlusUnary: case CToken::eMinusUnary:
    case CToken::ePlusPlus: case CToken::eMinusMinus:
        return TranslateUnary(node);
    case CToken::ePlus: case CToken::eMinus: case CToken::eMultiply: case CToken::eDivide:
    case CToken::eModulus: case CToken::eBitAnd: case CToken::eBitXor: case CToken::eBitOr:
        return TranslateBinary(node);
    case CToken::eLT: case CToken::eLE: case CToken::eGT: case CToken::eGE:
    case CToken::eEQ: case CToken::eNE:
    case CToken::eLogicalAnd: case CToken::eLogicalOr: case CToken::eLogicalNot:
        return TranslateConditionValue(node);
    default:
        return m_Gen.Fail(std::string("no translation for node kind ") + CToken::GetKindName(kind));
    }
}

// --- expressions ----------------------------------------------------------

void CTranslator::TranslateName(CNode* node, const CContext& ctx) {
    if (ctx.m_bStore)
        m_Gen.EmitStore(NameOfNode(node));
    else
        m_Gen.EmitLoad(NameOfNode(node));
}

// ++ and -- load, step and store back; the new value stays in EAX.
void CTranslator::TranslateUnary(CNode* node) {
    const int32_t kind = node->GetKind();
    CNode* operand = node->GetChild(0);
    if (!operand) return m_Gen.Fail("an operator without its operand");
    Translate(operand, CContext{});
    m_Gen.EmitUnary(kind);
    if (kind == CToken::ePlusPlus || kind == CToken::eMinusMinus) {
        CContext store;
        store.m_bStore = true;
        Translate(operand, store);
    }
}

// Arguments last to first; then the object unless the function needs none.
void CTranslator::TranslateCall(CNode* node) {
    auto* call = static_cast<CCallNode*>(node);
    const CFunction* f = call->m_pFunction.Get();
    if (!f) return m_Gen.Fail("a call without its function");
    for (size_t i = call->GetChildCount(); i-- > 0;) {
        if (CNode* arg = call->GetChild(i)) Translate(arg, CContext{});
        m_Gen.EmitPushEax();
    }
    if (!f->m_bGlobal && !f->m_bScript) {
        if (call->m_pObject) {
            m_Gen.EmitLoadVar(SlotOf(*call->m_pObject));
            m_Gen.EmitPushEax();
        } else {
            m_Gen.EmitPushObject();
        }
    }
    EmitCall(*f);
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
        EmitCall(*release);
        Translate(right, CContext{});
        return Translate(left, store);
    }
    CFunction* addRef = release ? FindMember(ClassOf(right), "$AddRef") : nullptr;
    Translate(right, CContext{});
    if (addRef) {
        m_Gen.EmitPushEax();
        m_Gen.EmitPushEax();
        EmitCall(*addRef);
        Translate(left, CContext{});
        m_Gen.EmitPushEax();
        EmitCall(*release);
        m_Gen.EmitPopEax();
    }
    Translate(left, store);
}

// Elements are read and written by the engine's $GetAt and $SetAt, which
// every array class has.
void CTranslator::TranslateIndex(CNode* node, bool store) {
    CNode* array = node->GetChild(0);
    CNode* index = node->GetChild(1);
    CType* type = TypeOf(array);
    CType* owner = type ? type->GetParent() : nullptr;
    CFunction* f = FindMember(owner, store ? "$SetAt" : "$GetAt");
    if (!f) return m_Gen.Fail("an indexed value without $GetAt or $SetAt");
    if (store) m_Gen.EmitPushEax();
    Translate(array, CContext{});
    m_Gen.EmitPushEax();
    Translate(index, CContext{});
    m_Gen.EmitPushEax();
    EmitCall(*f);
}

// A condition in value position is 1 or 0.
void CTranslator::TranslateConditionValue(CNode* node) {
    CLabel* t = NewLabel();
    CLabel* f = NewLabel();
    CLabel* e = NewLabel();
    TranslateCondition(node, t, f, EJump::eIfFalse, ESense::eAsWritten);
    Place(t);
    m_Gen.EmitLoadInt(1);
    m_Gen.EmitJmp(e);
    Place(f);
    m_Gen.EmitZeroEax();
    Place(e);
}

// --- conditions -----------------------------------------------------------

// Jumps to t or f. `when` names the outcome that jumps (the other falls
// through to what follows); a negated condition trades its outcomes.
void CTranslator::TranslateCondition(CNode* node, CLabel* t, CLabel* f, EJump when, ESense sense) {
    const int32_t kind = node->GetKind();
    const bool negated = sense == ESense::eNegated;
    if (kind == CToken::eHardStop || kind == CToken::eLogicalNot) {
        CNode* child = node->GetChild(0);
        if (!child) return m_Gen.Fail("a condition without its operand");
        const bool flip = kind == CToken::eLogicalNot;
        return TranslateCondition(child, t, f, when,
                                  flip != negated ? ESense::eNegated : ESense::eAsWritten);
    }
    if (IsComparison(kind)) return TranslateComparison(node, t, f, when, sense);
    if (kind == CToken::eLogicalAnd || kind == CToken::eLogicalOr) {
        CLabel* middle = NewLabel();
        if ((kind == CToken::eLogicalAnd) != negated)  // && (or a negated ||): both must hold
            TranslateCondition(node->GetChild(0), middle, f, EJump::eIfFalse, sense);
        else
            TranslateCondition(node->GetChild(0), t, middle, EJump::eIfTrue, sense);
        Place(middle);
        return TranslateCondition(node->GetChild(1), t, f, when, sense);
    }
    // Any other value is true when it is not zero.
    Translate(node, CContext{});
    const bool jumpIfTrue = when == EJump::eIfTrue;
    const EJump onValue = jumpIfTrue != negated ? EJump::eIfTrue : EJump::eIfFalse;
    m_Gen.EmitTestJump(jumpIfTrue ? t : f, onValue);
}

void CTranslator::TranslateComparison(CNode* node, CLabel* t, CLabel* f, EJump when, ESense sense) {
    const int32_t relation = sense == ESense::eNegated ? Negated(node->GetKind()) : node->GetKind();
    CNode* left = node->GetChild(0);
    CNode* right = node->GetChild(1);
    CLabel* target = when == EJump::eIfTrue ? t : f;
    Translate(left, CContext{});
    if (RoleOf(right) == CToken::eRoleConstant) {
        m_Gen.EmitCmpConst(ConstOfNode(right));
        return m_Gen.EmitJcc(relation, target, when, EOrder::eAsWritten);
    }
    if (RoleOf(right) == CToken::eRoleName) {
        m_Gen.EmitCmp(NameOfNode(right));
        return m_Gen.EmitJcc(relation, target, when, EOrder::eAsWritten);
    }
    CVariable* temp = AcquireTemporary(node);
    m_Gen.EmitStoreVar(SlotOf(*temp));
    Translate(right, CContext{});
    m_Gen.EmitCmpVar(SlotOf(*temp));
    m_Gen.EmitJcc(relation, target, when, EOrder::eSwapped);
    ReleaseTemporary(node, temp);
}

// --- statements -----------------------------------------------------------

void CTranslator::TranslateIf(CNode* node, const CContext& ctx) {
    CLabel* then = NewLabel();
    CLabel* otherwise = NewLabel();
    CLabel* end = NewLabel();
    CNode* elseStatement = node->GetChild(2);
    TranslateCondition(node->GetChild(0), then, otherwise, EJump::eIfFalse, ESense::eAsWritten);
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
    CLabel* top = NewLabel();
    CLabel* body = NewLabel();
    CLabel* end = NewLabel();
    CLabel* next = NewLabel();
    Place(top);
    TranslateCondition(node->GetChild(0), body, end, EJump::eIfFalse, ESense::eAsWritten);
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
    CLabel* top = NewLabel();
    CLabel* body = NewLabel();
    CLabel* end = NewLabel();
    CLabel* next = NewLabel();
    if (CNode* init = part(0)) Translate(init, CContext{});
    Place(top);
    if (CNode* condition = part(1))
        TranslateCondition(condition, body, end, EJump::eIfFalse, ESense::eAsWritten);
    Place(body);
    m_Gen.EmitLoopGuard(ctx.m_pReturn);
    if (CNode* s = node->GetChild(3)) Translate(s, ctx.Loop(end, next));
    Place(next);
    if (CNode* step = part(2)) Translate(step, CContext{});
    m_Gen.EmitJmp(top);
    Place(end);
}

// The condition is tested negated: falling through leaves the loop, and the
// jump back to the top is taken while the condition holds.
void CTranslator::TranslateDo(CNode* node, const CContext& ctx) {
    CLabel* top = NewLabel();
    CLabel* end = NewLabel();
    CLabel* next = NewLabel();
    Place(top);
    if (CNode* s = node->GetChild(0)) Translate(s, ctx.Loop(end, next));
    Place(next);
    m_Gen.EmitLoopGuard(ctx.m_pReturn);
    TranslateCondition(node->GetChild(1), end, top, EJump::eIfFalse, ESense::eNegated);
    Place(end);
}

// In a state, return names the next state and a delay (the default one
// when it names none); a bare return keeps the current state.
void CTranslator::TranslateReturn(CNode* node, const CContext& ctx) {
    if (node->FindAncestor(CToken::eState, CToken::eClass)) {
        if (CNode* target = node->GetChild(0)) {
            CVariable* state = StateVariable();
            if (!state) return;
            Translate(target, CContext{});
            m_Gen.EmitStoreVar(SlotOf(*state));
        }
        if (CNode* delay = node->GetChild(1))
            Translate(delay, CContext{});
        else
            m_Gen.EmitLoadInt(kDefaultStateDelay);
    } else if (CNode* value = node->GetChild(0)) {
        Translate(value, CContext{});
    }
    m_Gen.EmitJmp(ctx.m_pReturn);
}

// A bare "state;" changes nothing.
void CTranslator::TranslateStateChange(CNode* node) {
    CNode* target = node->GetChild(0);
    if (!target) return;
    CVariable* state = StateVariable();
    if (!state) return;
    Translate(target, CContext{});
    m_Gen.EmitStoreVar(SlotOf(*state));
}
