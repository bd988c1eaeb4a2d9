// Expressions, conditions and statements. Expressions leave their value in
// EAX; a right operand that is not a constant or a name goes through a
// temporary of the routine. Conditions become jumps to a true and a false
// label; a condition used as a value is loaded as 0 or 1 through jump code.
// Left-deep operator chains, && / || trees and else-if chains are walked in
// loops that emit exactly what the plain recursion would.
#include "codegen/Translate.h"

#include <algorithm>
#include <string>
#include <vector>

#include "codegen/TranslateContext.h"
#include "parser/TypeOf.h"
#include "platform/Platform.h"

namespace {

bool IsComparison(int32_t kind) { return kind >= CToken::eLT && kind <= CToken::eNE; }

// The two-operand kinds that TranslateBinary computes into EAX.
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

// c = a op (b op d): the same operator nests on the right. Checked on
// plain pointers, inline: most operator nodes are not such a pair.
bool NestsOnTheRight(const CNode* c) {
    const int32_t kind = c->GetKind();
    if (!IsReassociated(kind)) return false;
    const CNode* inner = c->GetChild(1);
    return inner && inner->GetKind() == kind;
}

// c = a op (b op d) becomes (b op a) op d, reusing the inner node, so that
// right operands stay a constant or a name.
[[gnu::noinline]] void Reassociate(CNode* c) {
    CRefPtr<CNode> r = c->GetChild(1);
    CRefPtr<CNode> a = c->GetChild(0), b = r->GetChild(0), d = r->GetChild(1);
    r->m_Children[0] = b;
    r->m_Children[1] = a;
    c->m_Children[0] = r;
    c->m_Children[1] = d;
    for (CNode* child : {b.Get(), a.Get()})
        if (child) child->m_pParent = r.Get();
    for (CNode* child : {r.Get(), d.Get()})
        if (child) child->m_pParent = c;
}

// An operator node is re-associated until it no longer changes, just
// before its operands are looked at; each rewriting stays inside the
// node's own subtree, and its kind stays, so nothing above it can tell.
inline void Reassociated(CNode* c) {
    while (NestsOnTheRight(c)) Reassociate(c);
}

bool EndsBlock(const CNode* n) { return n->GetKind() == CToken::eBreak || n->GetKind() == CToken::eReturn; }

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
    SlotClassVariables();
    return TranslateRoutine(routine);
}

void CUnitGenerator::SlotClassVariables() { m_pTranslator->SlotClassVariables(); }

bool CUnitGenerator::TranslateRoutine(CNode* routine) {
    if (m_Gen.HasFailed()) return false;
    m_pTranslator->TranslateRoutine(routine);
    if (m_Gen.HasFailed()) return false;
    m_Gen.ResolveJumps();
    m_pTranslator->ForgetRoutineLabels();
    return !m_Gen.HasFailed();
}

bool CUnitGenerator::End() {
    if (m_Gen.HasFailed()) return false;
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
    if (m_nLabelsInUse == m_Labels.size()) [[unlikely]]
        AddLabel();
    CLabel* label = m_Labels[m_nLabelsInUse++].Get();
    label->m_nPosition = 0;
    label->m_bPlaced = false;
    return label;
}

// Out of line: a routine needs a new label only when it needs more than
// any routine before it.
[[gnu::noinline]] void CTranslator::AddLabel() { m_Labels.push_back(MakeRef<CLabel>()); }

// Temporaries live in the body block of the routine being translated.
CVariableList* CTranslator::TemporaryScope() {
    return (m_pRoutineBlock ? m_pRoutineBlock : m_pClassBlock)->GetScope();
}

// The lowest free temporary is lent again, as the scope would lend it; the
// translator keeps the free ones itself, so lending costs no search by
// name. Without a free one the scope makes a new one, which takes the slot
// after the variables before it, as the routine's slots were assigned.
CVariable* CTranslator::AcquireTemporary() {
    if (!m_FreeTemporaries.empty()) {
        CVariable* temp = m_FreeTemporaries.back();
        m_FreeTemporaries.pop_back();
        ++temp->m_bInUse;
        return temp;
    }
    CVariableList* scope = TemporaryScope();
    const size_t before = scope->GetSize();
    CVariable* temp = scope->AcquireTemporary();
    if (scope->GetSize() != before) temp->m_nSlot = int32_t(4 * before);
    return temp;
}

// Free ones are listed once each, highest slot first.
void CTranslator::ReleaseTemporary(CVariable* temp) {
    if (!temp || !temp->m_bInUse || --temp->m_bInUse) return;
    auto higher = [](const CVariable* a, const CVariable* b) { return a->m_nSlot > b->m_nSlot; };
    auto at = std::lower_bound(m_FreeTemporaries.begin(), m_FreeTemporaries.end(), temp, higher);
    if (at == m_FreeTemporaries.end() || *at != temp) m_FreeTemporaries.insert(at, temp);
}

// Every class block holds "$State" from its start; without it no state
// change can be stored.
CVariable* CTranslator::StateVariable() {
    if (!m_pStateVariable) m_Gen.Fail("no $State variable in the class block");
    return m_pStateVariable;
}

// A script function is called through its body label, which
// exists once the function has been translated (callees come first); a call
// without one stays a jump to an unplaced label and fails at the end.
void CTranslator::EmitCall(const CFunction& f) {
    if (!f.m_bScript) return m_Gen.EmitCallBuiltin(uint32_t(f.m_nBuiltinNumber));
    m_Gen.EmitCallLabel(m_FunctionBodies.Find(&f));
}

// --- dispatch -------------------------------------------------------------

void CTranslator::TranslateChildren(CNode* node, const CContext& ctx) {
    for (size_t i = 0; i < node->GetChildCount(); ++i)
        if (CNode* child = node->GetChild(i)) Translate(child, ctx);
}

// Statements after a break or return produce no code; they are dropped
// from the tree once that statement is reached.
void CTranslator::TranslateBlock(CNode* block, const CContext& ctx) {
    for (size_t i = 0; i < block->GetChildCount(); ++i) {
        CNode* child = block->GetChild(i);
        if (!child) continue;
        // An expression statement is translated as the dispatch would,
        // one level of the walk sooner: it nests nothing of its own.
        if (child->GetKind() == CToken::eHardStop)
            TranslateChildren(child, ctx.Expression());
        else
            Translate(child, ctx);
        if (EndsBlock(child)) {
            while (block->GetChildCount() > i + 1) block->DropLastChild();
            return;
        }
    }
}

void CTranslator::Translate(CNode* node, const CContext& ctx) {
    if (m_nDepth == m_nNextStack) return TranslateOnNewStack(node, ctx);
    ++m_nDepth;
    Dispatch(node, ctx);
    --m_nDepth;
}

// The caller waits while the walk goes on deeper on the new stack, so the
// translator is only ever used by one thread at a time.
void CTranslator::TranslateOnNewStack(CNode* node, const CContext& ctx) {
    const size_t resume = m_nNextStack;
    m_nNextStack = m_nDepth + kLevelsPerStack;
    auto work = [&] {
        ++m_nDepth;
        Dispatch(node, ctx);
        --m_nDepth;
    };
    if (!platform::RunOnNewStack(kStackBytes, work)) m_Gen.Fail("no thread for a deeply nested tree");
    m_nNextStack = resume;
}

// Every kind the parser leaves in a finished tree has its row; any other
// kind is an internal error, never silently dropped or turned into code.
void CTranslator::Dispatch(CNode* node, const CContext& ctx) {
    const int32_t kind = node->GetKind();
    switch (kind) {
    case CToken::eRoot:
    case CToken::eHardStop:
        return TranslateChildren(node, ctx.Expression());
    case CToken::eBlockInstruction: return TranslateBlock(node, ctx);
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

// Names and constants, the commonest operands, are loaded and stored here
// without a trip through the dispatch; they nest nothing, so they need no
// count of the depth either.
void CTranslator::TranslateValue(CNode* node) {
    switch (node->GetKind()) {
    case CToken::eText: return m_Gen.EmitLoad(NameOfNode(node));
    case CToken::eNumber: return m_Gen.EmitLoadConst(ConstOfNode(node));
    default: return Translate(node, CContext{});
    }
}

void CTranslator::TranslateStore(CNode* node) {
    if (node->GetKind() == CToken::eText) return m_Gen.EmitStore(NameOfNode(node));
    CContext store;
    store.m_bStore = true;
    Translate(node, store);
}

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
    TranslateValue(operand);
    m_Gen.EmitUnary(kind);
    if (kind == CToken::ePlusPlus || kind == CToken::eMinusMinus) TranslateStore(operand);
}

// Arguments last to first; then the object unless the function needs none.
void CTranslator::TranslateCall(CNode* node) {
    auto* call = static_cast<CCallNode*>(node);
    const CFunction* f = call->m_pFunction.Get();
    if (!f) return m_Gen.Fail("a call without its function");
    for (size_t i = call->GetChildCount(); i-- > 0;) {
        if (CNode* arg = call->GetChild(i)) TranslateValue(arg);
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

// a + b - c + ... is as deep on the left as it is long: the first operand
// at the bottom of the chain goes into EAX, then each operator takes its
// right operand on the way back up, as the recursion would. Each operator
// is re-associated on the way down, before its operands are looked at.
void CTranslator::TranslateBinary(CNode* node) {
    CNode* bottom = node;
    Reassociated(bottom);
    while (bottom->GetChild(0) && IsArithmetic(bottom->GetChild(0)->GetKind())) {
        bottom = bottom->GetChild(0);
        Reassociated(bottom);
    }
    TranslateValue(bottom->GetChild(0));
    for (CNode* n = bottom;; n = n->GetParent()) {
        ApplyRightOperand(n);
        if (n == node) return;
    }
}

// The left operand is in EAX.
void CTranslator::ApplyRightOperand(CNode* node) {
    int32_t kind = node->GetKind();
    CNode* right = node->GetChild(1);
    if (RoleOf(right) == CToken::eRoleConstant) return m_Gen.EmitBinary(kind, ConstOfNode(right));
    if (RoleOf(right) == CToken::eRoleName) return m_Gen.EmitBinary(kind, NameOfNode(right));
    CVariable* temp = AcquireTemporary();
    m_Gen.EmitStoreVar(SlotOf(*temp));
    TranslateValue(right);
    m_Gen.EmitBinaryTemp(kind, SlotOf(*temp));
    ReleaseTemporary(temp);
}

// References are counted: the new one gains a reference before the old one
// loses its own. Classes without counting are assigned like ints.
void CTranslator::TranslateAssign(CNode* node) {
    CNode* left = node->GetChild(0);
    CNode* right = node->GetChild(1);
    CFunction* release = FindMember(ClassOf(left), "$Release");
    if (release && IsNullConstant(right)) {
        TranslateValue(left);
        m_Gen.EmitPushEax();
        EmitCall(*release);
        TranslateValue(right);
        return TranslateStore(left);
    }
    CFunction* addRef = release ? FindMember(ClassOf(right), "$AddRef") : nullptr;
    TranslateValue(right);
    if (addRef) {
        m_Gen.EmitPushEax();
        m_Gen.EmitPushEax();
        EmitCall(*addRef);
        TranslateValue(left);
        m_Gen.EmitPushEax();
        EmitCall(*release);
        m_Gen.EmitPopEax();
    }
    TranslateStore(left);
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
    TranslateValue(array);
    m_Gen.EmitPushEax();
    TranslateValue(index);
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
// x == 1 || x == 2 || ... is as deep as it is long, so the right operands
// of && and || wait on a list while the left ones are translated first.
void CTranslator::TranslateCondition(CNode* node, CLabel* t, CLabel* f, EJump when, ESense sense) {
    const size_t firstWaiting = m_Waiting.size();
    SCondition c{node, t, f, when, sense};
    for (;;) {
        const int32_t kind = c.m_pNode->GetKind();
        const bool negated = c.m_eSense == ESense::eNegated;
        if (kind == CToken::eHardStop || kind == CToken::eLogicalNot) {
            c.m_pNode = c.m_pNode->GetChild(0);
            if (!c.m_pNode) {
                m_Waiting.resize(firstWaiting);
                return m_Gen.Fail("a condition without its operand");
            }
            if (kind == CToken::eLogicalNot) c.m_eSense = negated ? ESense::eAsWritten : ESense::eNegated;
            continue;
        }
        if (kind == CToken::eLogicalAnd || kind == CToken::eLogicalOr) {
            CLabel* middle = NewLabel();
            m_Waiting.push_back({c.m_pNode->GetChild(1), c.m_pTrue, c.m_pFalse, c.m_eWhen, c.m_eSense, middle});
            if ((kind == CToken::eLogicalAnd) != negated)  // && (or a negated ||): both must hold
                c = {c.m_pNode->GetChild(0), middle, c.m_pFalse, EJump::eIfFalse, c.m_eSense};
            else
                c = {c.m_pNode->GetChild(0), c.m_pTrue, middle, EJump::eIfTrue, c.m_eSense};
            continue;
        }
        if (IsComparison(kind))
            TranslateComparison(c.m_pNode, c.m_pTrue, c.m_pFalse, c.m_eWhen, c.m_eSense);
        else
            TranslateTest(c.m_pNode, c.m_pTrue, c.m_pFalse, c.m_eWhen, c.m_eSense);
        if (m_Waiting.size() == firstWaiting) return;
        c = m_Waiting.back();
        m_Waiting.pop_back();
        Place(c.m_pBefore);
    }
}

// Any other value is true when it is not zero.
void CTranslator::TranslateTest(CNode* node, CLabel* t, CLabel* f, EJump when, ESense sense) {
    const bool negated = sense == ESense::eNegated;
    TranslateValue(node);
    const bool jumpIfTrue = when == EJump::eIfTrue;
    const EJump onValue = jumpIfTrue != negated ? EJump::eIfTrue : EJump::eIfFalse;
    m_Gen.EmitTestJump(jumpIfTrue ? t : f, onValue);
}

void CTranslator::TranslateComparison(CNode* node, CLabel* t, CLabel* f, EJump when, ESense sense) {
    const int32_t relation = sense == ESense::eNegated ? Negated(node->GetKind()) : node->GetKind();
    CNode* left = node->GetChild(0);
    CNode* right = node->GetChild(1);
    CLabel* target = when == EJump::eIfTrue ? t : f;
    TranslateValue(left);
    if (RoleOf(right) == CToken::eRoleConstant) {
        m_Gen.EmitCmpConst(ConstOfNode(right));
        return m_Gen.EmitJcc(relation, target, when, EOrder::eAsWritten);
    }
    if (RoleOf(right) == CToken::eRoleName) {
        m_Gen.EmitCmp(NameOfNode(right));
        return m_Gen.EmitJcc(relation, target, when, EOrder::eAsWritten);
    }
    CVariable* temp = AcquireTemporary();
    m_Gen.EmitStoreVar(SlotOf(*temp));
    TranslateValue(right);
    m_Gen.EmitCmpVar(SlotOf(*temp));
    m_Gen.EmitJcc(relation, target, when, EOrder::eSwapped);
    ReleaseTemporary(temp);
}

// --- statements -----------------------------------------------------------

// An else-if chain is as deep as it is long: each link is translated in
// turn, and the end labels, which the recursion would place on its way
// back, are placed together after the last link, innermost first.
void CTranslator::TranslateIf(CNode* node, const CContext& ctx) {
    const size_t firstEnd = m_IfEnds.size();
    for (;;) {
        CLabel* then = NewLabel();
        CLabel* otherwise = NewLabel();
        CLabel* end = NewLabel();
        m_IfEnds.push_back(end);
        CNode* elseStatement = node->GetChild(2);
        TranslateCondition(node->GetChild(0), then, otherwise, EJump::eIfFalse, ESense::eAsWritten);
        Place(then);
        if (CNode* s = node->GetChild(1)) Translate(s, ctx.Statement());
        if (elseStatement) m_Gen.EmitJmp(end);
        Place(otherwise);
        if (!elseStatement || elseStatement->GetKind() != CToken::eIf) {
            if (elseStatement) Translate(elseStatement, ctx.Statement());
            break;
        }
        node = elseStatement;
    }
    for (; m_IfEnds.size() > firstEnd; m_IfEnds.pop_back()) Place(m_IfEnds.back());
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
    if (m_eRoutine == ERoutine::eState) {
        if (CNode* target = node->GetChild(0)) {
            CVariable* state = StateVariable();
            if (!state) return;
            TranslateValue(target);
            m_Gen.EmitStoreVar(SlotOf(*state));
        }
        if (CNode* delay = node->GetChild(1))
            TranslateValue(delay);
        else
            m_Gen.EmitLoadInt(kDefaultStateDelay);
    } else if (CNode* value = node->GetChild(0)) {
        TranslateValue(value);
    }
    m_Gen.EmitJmp(ctx.m_pReturn);
}

// A bare "state;" changes nothing.
void CTranslator::TranslateStateChange(CNode* node) {
    CNode* target = node->GetChild(0);
    if (!target) return;
    CVariable* state = StateVariable();
    if (!state) return;
    TranslateValue(target);
    m_Gen.EmitStoreVar(SlotOf(*state));
}
