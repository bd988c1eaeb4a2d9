// The routines of a unit: one per state, event handler, command handler and
// script function, plus $Destructor and $Serialize. Each is framed by the
// prologue and epilogue, gets slots for its parameters and locals, and is
// recorded in the state, event or command table in pass 1.
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

void CTranslator::TranslateClass(CClassNode* node) {
    auto* block = static_cast<CBlockNode*>(node->GetChild(0));
    if (!block) return;
    m_pClassBlock = block;
    m_pBaseClass = node->m_pBaseClass.Get();
    CVariableList* scope = block->GetScope();
    AssignSlots(scope, 0);
    m_Gen.m_nDataSize = scope->GetTotalSize();
    m_Gen.m_Commands.SetSize(m_pBaseClass->GetCommandCount());
    m_Gen.m_Events.SetSize(m_pBaseClass->GetEventCount());
    Translate(block, CContext{});

    if (m_Gen.GetPass() == 1) m_Gen.SetCommand(0, m_Gen.GetCodeSize(), 0);
    m_Gen.EmitPrologue(0, false, false);
    EmitReleaseLocals(scope);
    m_Gen.EmitEpilogue(4, 0, false, false);

    if (m_Gen.GetPass() == 1) m_Gen.SetCommand(1, m_Gen.GetCodeSize(), 0);
    m_Gen.EmitPrologue(0, false, false);
    EmitSerialize(scope);
    m_Gen.EmitEpilogue(4, 0, false, false);
}

void CTranslator::TranslateState(CStateNode* node) {
    if (m_Gen.GetPass() == 1) m_Gen.SetState(uint32_t(node->m_nStateIndex), m_Gen.GetCodeSize());
    RoutineBody(node, nullptr, 0, 4, false, true);
}

// A handler table entry of 0 means "no handler", so no handler may start at
// position 0: a unit whose first routine is a handler starts with one INT3.
void CTranslator::KeepHandlerOffPositionZero() {
    if (m_Gen.GetPass() == 1 && m_Gen.GetCodeSize() == 0) m_Gen.m_Code.Add(0xCC);
}

void CTranslator::TranslateEvent(CEventNode* node) {
    KeepHandlerOffPositionZero();
    if (m_Gen.GetPass() == 1 && node->m_nEventIndex >= 0)
        m_Gen.SetEvent(uint32_t(node->m_nEventIndex), m_Gen.GetCodeSize());
    CVariableList* params = node->m_pParams.Get();
    RoutineBody(node, params, 1, 4 + SizeOf(params), false, false);
}

void CTranslator::TranslateCommand(CCommandNode* node) {
    CVariableList* params = node->m_pParams.Get();
    KeepHandlerOffPositionZero();
    if (m_Gen.GetPass() == 1 && node->m_nCommandIndex >= 0) {
        uint32_t descriptor = 0;
        WriteDescriptor(node, descriptor);
        m_Gen.SetCommand(uint32_t(node->m_nCommandIndex), m_Gen.GetCodeSize(), descriptor);
    }
    RoutineBody(node, params, 1, 4 + SizeOf(params), false, false);
}

// Calls jump to the function's label, made anew in every pass.
void CTranslator::TranslateFunction(CFunctionNode* node) {
    CFunction* f = node->GetFunction();
    CRefPtr<CLabel> body = MakeRef<CLabel>();
    f->m_pBody = body.Get();
    m_Gen.PlaceLabel(body.Get());
    CVariableList* params = node->m_pParams.Get();
    RoutineBody(node, params, 0, SizeOf(params), true, false);
}

void CTranslator::RoutineBody(CNode* routine, CVariableList* params, int paramBase, uint32_t bytesToPop,
                              bool noObject, bool isState) {
    auto* body = static_cast<CBlockNode*>(routine->GetChild(0));
    if (!body) return;
    AssignSlots(params, paramBase);
    CVariableList* scope = body->GetScope();
    AssignSlots(scope, 0);
    uint32_t frame = scope->GetTotalSize();
    m_Gen.EmitPrologue(frame, true, noObject);
    bool zeroed = false;
    for (size_t i = 0; i < scope->GetSize(); ++i) {
        CVariable* v = scope->Get(i);
        if (!IsClassVariable(v)) continue;
        if (!zeroed) m_Gen.EmitZeroEax();
        zeroed = true;
        m_Gen.EmitStoreVar(SlotOf(*v));
    }
    CContext ctx;
    ctx.m_pReturn = m_Gen.NewLabel(body->m_pLabels);
    TranslateChildren(routine, ctx);
    if (isState) m_Gen.EmitLoadInt(20);
    Place(ctx.m_pReturn);
    EmitReleaseLocals(scope);
    m_Gen.EmitEpilogue(bytesToPop, frame, true, noObject);
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
        EmitCall(m_Gen, *release);
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
        EmitCall(m_Gen, *f);
    }
}

// The items' values and strings come first, then the descriptor that points
// at them: item count - 1, enum slot, priority, attributes, three offsets per item.
void CTranslator::WriteDescriptor(CCommandNode* node, uint32_t& offset) {
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
    offset = m_Gen.AppendDword(uint32_t(items.size() - 1));
    m_Gen.AppendDword(button ? uint32_t(button->m_nSlot) : 0);
    m_Gen.AppendDword(uint32_t(node->m_nCommandPriority));
    m_Gen.AppendDword(node->m_nAttributes);
    for (uint32_t o : offsets) m_Gen.AppendDword(o);
}
