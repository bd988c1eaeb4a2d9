// The routines of a unit: one per state, event handler, command handler and
// script function, plus $Destructor and $Serialize. Each is framed by the
// prologue and epilogue, gets slots for its parameters and locals, and is
// recorded in the state, event or command table.
#include "codegen/TranslateContext.h"

namespace {

bool IsClassVariable(const CVariable* v) { return v->GetType() && v->GetType()->IsKind(CType::eClass); }

uint32_t SizeOf(CVariableList* list) { return list ? list->GetTotalSize() : 0; }

struct SItem {
    int32_t value;
    const CStr* caption;
    const CStr* description;
};

}  // namespace

void AssignSlots(CVariableList* scope, int base) {
    if (!scope) return;
    for (size_t i = 0; i < scope->GetSize(); ++i) scope->Get(i)->m_nSlot = int32_t(4 * (i + size_t(base)));
}

void CTranslator::BeginClass(CClassNode* classNode) {
    CNode* block = classNode->GetChild(0);
    if (!block || block->GetKind() != CToken::eBlockInstruction || !classNode->m_pBaseClass)
        return m_Gen.Fail("a class without its block or base class");
    m_pClassBlock = static_cast<CBlockNode*>(block);
    m_pBaseClass = classNode->m_pBaseClass.Get();
    m_Gen.m_Commands.SetSize(m_pBaseClass->GetCommandCount());
    m_Gen.m_Events.SetSize(m_pBaseClass->GetEventCount());
}

// Slots follow declaration order, so the ones given stay as they are and
// only variables declared since the last call get theirs. $State is the
// class block's first variable from its start; it is found here, on the
// thread that declares variables, so translating never searches the class
// scope while declarations go on.
void CTranslator::SlotClassVariables() {
    if (!m_pClassBlock) return;
    CVariableList* scope = m_pClassBlock->GetScope();
    for (size_t i = m_nClassSlotted; i < scope->GetSize(); ++i) scope->Get(i)->m_nSlot = int32_t(4 * i);
    m_nClassSlotted = scope->GetSize();
    if (!m_pStateVariable) m_pStateVariable = scope->Find("$State");
}

void CTranslator::TranslateRoutine(CNode* routine) {
    if (!m_pClassBlock) return m_Gen.Fail("a routine outside a class");
    Translate(routine, CContext{});
}

void CTranslator::EndClass() {
    if (!m_pClassBlock) return m_Gen.Fail("a class without its block or base class");
    CVariableList* scope = m_pClassBlock->GetScope();
    AssignSlots(scope, 0);
    m_Gen.m_nDataSize = scope->GetTotalSize();

    const SFrame added{SFrame::eAdded, 0, 4};
    m_Gen.SetCommand(0, m_Gen.GetCodeSize(), 0);  // $Destructor
    m_Gen.EmitPrologue(added);
    EmitReleaseLocals(scope);
    m_Gen.EmitEpilogue(added);

    m_Gen.SetCommand(1, m_Gen.GetCodeSize(), 0);  // $Serialize
    m_Gen.EmitPrologue(added);
    EmitSerialize(scope);
    m_Gen.EmitEpilogue(added);
}

void CTranslator::TranslateState(CStateNode* node) {
    m_Gen.SetState(uint32_t(node->m_nStateIndex), m_Gen.GetCodeSize());
    RoutineBody(node, ERoutine::eState, nullptr);
}

// A handler table entry of 0 means "no handler", so no handler may start at
// position 0: a unit whose first routine is a handler starts with one INT3.
static void KeepHandlerOffPositionZero(CCodeGen& gen) {
    if (gen.GetCodeSize() == 0) gen.EmitBreakpoint();
}

void CTranslator::TranslateEvent(CEventNode* node) {
    KeepHandlerOffPositionZero(m_Gen);
    if (node->m_nEventIndex >= 0) m_Gen.SetEvent(uint32_t(node->m_nEventIndex), m_Gen.GetCodeSize());
    RoutineBody(node, ERoutine::eHandler, node->m_pParams.Get());
}

void CTranslator::TranslateCommand(CCommandNode* node) {
    KeepHandlerOffPositionZero(m_Gen);
    if (node->m_nCommandIndex >= 0) {
        const uint32_t descriptor = WriteDescriptor(node);
        m_Gen.SetCommand(uint32_t(node->m_nCommandIndex), m_Gen.GetCodeSize(), descriptor);
    }
    RoutineBody(node, ERoutine::eHandler, node->m_pParams.Get());
}

// Calls reach the function through its body label, which outlives the
// routine's own labels.
void CTranslator::TranslateFunction(CFunctionNode* node) {
    Place(m_FunctionBodies.Add(node->GetFunction()));
    RoutineBody(node, ERoutine::eFunction, node->m_pParams.Get());
}

// Parameters of a handler start at slot 4 (slot 0 is the script object);
// every routine but a script function receives the object as one more argument.
// The frame counts the temporaries, which only the body's translation makes,
// so the body comes first and the prologue is moved in front of it.
void CTranslator::RoutineBody(CNode* routine, ERoutine kind, CVariableList* params) {
    CNode* child = routine->GetChild(0);
    if (!child || child->GetKind() != CToken::eBlockInstruction)
        return m_Gen.Fail("a routine without its body");
    auto* body = static_cast<CBlockNode*>(child);
    const bool function = kind == ERoutine::eFunction;
    AssignSlots(params, function ? 0 : 1);
    CVariableList* scope = body->GetScope();
    AssignSlots(scope, 0);
    const CCodeGen::SMark start = m_Gen.Mark();
    const size_t firstLabel = m_nLabelsInUse;
    CContext ctx;
    ctx.m_pReturn = NewLabel();
    m_pRoutineBlock = body;
    m_eRoutine = kind;
    m_FreeTemporaries.clear();
    TranslateChildren(routine, ctx);
    m_pRoutineBlock = nullptr;
    m_FreeTemporaries.clear();
    if (kind == ERoutine::eState) m_Gen.EmitLoadInt(kDefaultStateDelay);
    Place(ctx.m_pReturn);
    const SFrame frame{function ? SFrame::eFunction : SFrame::eRoutine, scope->GetTotalSize(),
                       SizeOf(params) + (function ? 0 : 4)};
    EmitReleaseLocals(scope);
    m_Gen.EmitEpilogue(frame);
    const CCodeGen::SMark end = m_Gen.Mark();
    EmitPrologue(frame, scope);
    const uint32_t moved = m_Gen.MoveInFront(start, end);
    for (size_t i = firstLabel; i < m_nLabelsInUse; ++i) m_Labels[i]->m_nPosition += moved;
}

// The frame, then every local reference cleared.
void CTranslator::EmitPrologue(const SFrame& frame, CVariableList* scope) {
    m_Gen.EmitPrologue(frame);
    bool zeroed = false;
    for (size_t i = 0; i < scope->GetSize(); ++i) {
        CVariable* v = scope->Get(i);
        if (!IsClassVariable(v)) continue;
        if (!zeroed) m_Gen.EmitZeroEax();
        zeroed = true;
        m_Gen.EmitStoreVar(SlotOf(*v));
    }
}

// Releases every counted reference of the scope, keeping EAX (the result).
void CTranslator::EmitReleaseLocals(CVariableList* scope) {
    bool saved = false;
    for (size_t i = 0; scope && i < scope->GetSize(); ++i) {
        CVariable* v = scope->Get(i);
        CFunction* release = IsClassVariable(v) ? FindMember(v->GetType(), "$Release") : nullptr;
        if (!release) continue;
        if (!saved) m_Gen.EmitPushEax();
        saved = true;
        m_Gen.EmitLoadVar(SlotOf(*v));
        m_Gen.EmitPushEax();
        EmitCall(*release);
    }
    if (saved) m_Gen.EmitPopEax();
}

// Each class variable is handed by address to its class's serializer, ints
// to $SerializeInt.
void CTranslator::EmitSerialize(CVariableList* scope) {
    for (size_t i = 0; scope && i < scope->GetSize(); ++i) {
        CVariable* v = scope->Get(i);
        CFunction* f = IsClassVariable(v) ? FindMember(v->GetType(), "$Serialize")
                                          : FindMember(m_pBaseClass, "$SerializeInt");
        if (!f) continue;
        m_Gen.EmitLoadAddress(SlotOf(*v));
        m_Gen.EmitPushEax();
        EmitCall(*f);
    }
}

// The items' values and strings come first, then the descriptor that points
// at them: item count - 1, enum slot, priority, attributes, three offsets per item.
uint32_t CTranslator::WriteDescriptor(CCommandNode* node) {
    std::vector<SItem> items;
    CVariable* button = node->m_pButtonEnum.Get();
    CType* enumType = button ? button->GetType() : nullptr;
    if (enumType) {
        for (const CEnumItem& item : enumType->m_EnumItems)
            items.push_back({item.m_nValue, &item.m_strCaption, &item.m_strDescription});
    }
    if (items.empty()) {
        items.push_back({node->m_nItem, &node->m_strButton, &node->m_strDescription});
    }
    std::vector<uint32_t> offsets;
    for (const SItem& item : items) {
        offsets.push_back(m_Gen.AppendDword(uint32_t(item.value)));
        offsets.push_back(m_Gen.AppendString(*item.caption));
        offsets.push_back(m_Gen.AppendString(*item.description));
    }
    const uint32_t offset = m_Gen.AppendDword(uint32_t(items.size() - 1));
    m_Gen.AppendDword(button ? uint32_t(button->m_nSlot) : 0);
    m_Gen.AppendDword(uint32_t(node->m_nCommandPriority));
    m_Gen.AppendDword(node->m_nAttributes);
    for (uint32_t o : offsets) m_Gen.AppendDword(o);
    return offset;
}
