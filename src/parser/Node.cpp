// Tree operations and node storage. Every operation that moves a node out
// of a slot keeps a counted reference to it while it works, so a counted
// node whose only holder was the slot it leaves does not die half-way
// through the move (for an arena node the reference costs nothing).
#include "parser/Node.h"

#include <new>

namespace {

// The arena of the routine being parsed on this thread; each thread parses
// its own script, so compilations on several threads never share one.
thread_local CArena* t_pNodeArena = nullptr;

}  // namespace

void SetNodeArena(CArena* arena) { t_pNodeArena = arena; }

// `new` and the constructor ask the same thread-local question within one
// expression, so a node is uncounted exactly when its memory is the arena's.
void* CNode::operator new(size_t size) {
    return t_pNodeArena ? t_pNodeArena->Allocate(size) : CRefObject::operator new(size);
}

// Only counted nodes are ever deleted: an arena node is never released.
void CNode::operator delete(void* p, size_t size) { CRefObject::operator delete(p, size); }

CNode::CNode(int32_t kind) : m_nKind(kind), m_nPriority(CToken::GetPriority(kind)) {
    if (t_pNodeArena) {
        m_bInArena = true;
        MakeImmortal();
    }
}

CNode::CNode(int32_t kind, SCounted) : m_nKind(kind), m_nPriority(CToken::GetPriority(kind)) {}

// Children that only this node holds go onto an explicit work list; each is
// stripped of its own children the same way before it is released, so no
// destructor below ever finds a child to release recursively.
CNode::~CNode() {
    std::vector<CNode*> work;
    MoveChildrenTo(work);
    while (!work.empty()) {
        CNode* node = work.back();
        work.pop_back();
        node->MoveChildrenTo(work);
        node->Release();
    }
    FreeSlots();
}

// The arena frees a slot array with the arena; a counted node's is its own.
void CNode::FreeSlots() {
    for (size_t i = 0; i < m_Children.m_nSize; ++i) m_Children.m_pData[i].~CRefPtr<CNode>();
    if (!m_bInArena && !m_Children.IsInline()) ::operator delete(m_Children.m_pData);
    m_Children.Reset();
}

void CNode::ResizeSlots(size_t size) {
    CNodeSlots& slots = m_Children;
    if (size > slots.m_nCapacity) {
        const size_t capacity = std::max<size_t>({size, size_t(slots.m_nCapacity) * 2, 2});
        const size_t bytes = capacity * sizeof(CRefPtr<CNode>);
        void* memory = m_bInArena && t_pNodeArena ? t_pNodeArena->Allocate(bytes) : ::operator new(bytes);
        auto* data = static_cast<CRefPtr<CNode>*>(memory);
        // The links move without counting; the old array is left holding
        // only empty links, so it is given back without destroying any.
        for (size_t i = 0; i < slots.m_nSize; ++i) new (data + i) CRefPtr<CNode>(std::move(slots.m_pData[i]));
        if (!m_bInArena && !slots.IsInline()) ::operator delete(slots.m_pData);
        slots.m_pData = data;
        slots.m_nCapacity = uint32_t(capacity);
    }
    for (size_t i = slots.m_nSize; i > size; --i) slots.m_pData[i - 1].~CRefPtr<CNode>();
    for (size_t i = slots.m_nSize; i < size; ++i) new (slots.m_pData + i) CRefPtr<CNode>();
    slots.m_nSize = uint32_t(size);
}

void CNode::MoveChildrenTo(std::vector<CNode*>& work) {
    for (CRefPtr<CNode>& slot : m_Children) {
        CNode* child = slot.Get();
        if (!child) continue;
        if (child->m_pParent == this) child->m_pParent = nullptr;
        if (child->GetRefCount() == 1)
            work.push_back(slot.Detach());
        else
            slot = nullptr;
    }
    FreeSlots();
    m_nFirstFree = 0;
}

void CNode::SetKind(int32_t kind) {
    m_nKind = kind;
    m_nPriority = CToken::GetPriority(kind);
}

// From the back: the node being moved is almost always the newest child,
// and a call with many arguments must not rescan them at every ",".
int32_t CNode::SlotOf(const CNode* child) const {
    for (size_t i = m_Children.GetSize(); i-- > 0;)
        if (m_Children[i].Get() == child) return int32_t(i);
    return -1;
}

void CNode::PlaceChild(CNode* child, int32_t index) {
    size_t slot = size_t(index);
    if (index < 0) {
        slot = std::min<size_t>(m_nFirstFree, m_Children.GetSize());
        while (slot < m_Children.GetSize() && m_Children[slot]) ++slot;
        m_nFirstFree = uint32_t(slot + 1);
    }
    CNodeSlots& slots = m_Children;
    if (slot == slots.m_nSize && slot < slots.m_nCapacity) {
        // The usual append: room is left in the array.
        new (slots.m_pData + slot) CRefPtr<CNode>();
        ++slots.m_nSize;
    } else if (slot >= slots.m_nSize) {
        if (slot > slots.m_nSize) NoteEmptySlot(slots.m_nSize);
        ResizeSlots(slot + 1);
    }
    // The node pushed out of the slot must not keep a link to a parent that
    // no longer holds it (and may die before it).
    CNode* old = m_Children[slot].Get();
    if (old && old != child && old->m_pParent == this) old->m_pParent = nullptr;
    m_Children[slot] = child;
    if (child)
        child->m_pParent = this;
    else
        NoteEmptySlot(slot);
}

CNode* CNode::FindAncestor(int32_t kind, std::initializer_list<int32_t> others) const {
    const int32_t* stop = others.size() ? others.end() - 1 : nullptr;
    for (CNode* a = m_pParent; a; a = a->m_pParent) {
        if (a->m_nKind == kind) return a;
        if (!stop) continue;
        for (const int32_t* k = others.begin(); k != stop; ++k)
            if (a->m_nKind == *k) return a;
        if (a->m_nKind == *stop) return nullptr;
    }
    return nullptr;
}

void CNode::InsertAbove(CNode* node, int32_t index) {
    CNode* parent = m_pParent;
    int32_t slot = parent ? parent->SlotOf(this) : -1;
    if (slot < 0) return;
    CRefPtr<CNode> self(this);
    parent->m_Children[size_t(slot)] = node;
    node->m_pParent = parent;
    m_pParent = nullptr;
    node->AddChild(this, index);
}

void CNode::ReplaceByFirstChild() {
    CNode* parent = m_pParent;
    int32_t slot = parent ? parent->SlotOf(this) : -1;
    if (slot < 0) return;
    CRefPtr<CNode> self(this);
    CRefPtr<CNode> first(GetChild(0));
    parent->m_Children[size_t(slot)] = first;
    if (first)
        first->m_pParent = parent;
    else
        parent->NoteEmptySlot(size_t(slot));
    for (CRefPtr<CNode>& c : m_Children)
        if (c && c->m_pParent == this) c->m_pParent = nullptr;
    FreeSlots();
    m_nFirstFree = 0;
    m_pParent = nullptr;
}

void CNode::DropLastChild() {
    size_t n = m_Children.GetSize();
    if (!n) return;
    CNode* last = m_Children[n - 1].Get();
    if (last && last->m_pParent == this) last->m_pParent = nullptr;
    ResizeSlots(n - 1);
    m_nFirstFree = uint32_t(std::min<size_t>(m_nFirstFree, n - 1));
}

void CNode::DetachChild(size_t i) {
    if (i >= m_Children.GetSize()) return;
    CNode* child = m_Children[i].Get();
    if (child && child->m_pParent == this) child->m_pParent = nullptr;
    m_Children[i] = nullptr;
    NoteEmptySlot(i);
}

// Left-associative operators climb over ancestors that bind at least as
// tightly, right-associative ones only over those that bind tighter.
void CNode::InsertByPriority(CNode* node, int32_t index, int32_t associativity) {
    // Priorities are small, so "tighter" is "at least one more".
    const int32_t climbed = node->m_nPriority + (associativity == 2 ? 1 : 0);
    if (m_nPriority < climbed) {
        AddChild(node, index);
        return;
    }
    CNode* top = this;
    for (CNode* a = m_pParent; a && a->m_nPriority >= climbed; a = a->m_pParent) top = a;
    top->InsertAbove(node, index);
}

// An arena block lets its scope (and so the scope's variables) go when the
// arena is reset; the block itself is never destroyed.
CBlockNode::CBlockNode() : CNode(CToken::eBlockInstruction) {
    m_nClass = kClass;
    if (IsInArena())
        t_pNodeArena->OnReset([](void* block) { static_cast<CBlockNode*>(block)->m_pScope = nullptr; }, this);
}
CBlockNode::~CBlockNode() = default;

CVariableList* CBlockNode::GetScope() {
    if (!m_pScope) m_pScope = MakeRef<CVariableList>();
    return m_pScope.Get();
}

CConstValue::CConstValue() {
    if (t_pNodeArena) MakeImmortal();
}

void* CConstValue::operator new(size_t size) {
    return t_pNodeArena ? t_pNodeArena->Allocate(size) : CRefObject::operator new(size);
}

void CConstValue::operator delete(void* p, size_t size) { CRefObject::operator delete(p, size); }

namespace {

// The type of the null literal: an int with the null flag, one record for
// the process like the other shared types, never counted and never changed.
CType* NullType() {
    static CType* const s_pNull = [] {
        CType* t = new CType(uint32_t(CType::eInt));
        t->m_nFlags |= CType::eNullFlag;
        t->MakeImmortal();
        return t;
    }();
    return s_pNull;
}

}  // namespace

// Literals take the process's shared int, string and null records: nothing
// changes a literal's type after it is made, and long scripts have millions
// of literals.
CRefPtr<CConstValue> CConstValue::MakeInt(int32_t value) {
    static CType* const s_pInt = CType::GetShared(CType::eInt);
    CRefPtr<CConstValue> v = MakeRef<CConstValue>();
    v->m_pType = s_pInt;
    v->m_nValue = value;
    return v;
}

// An arena value whose text needed the heap gives it back at the reset.
CRefPtr<CConstValue> CConstValue::MakeText(const CStr& text) {
    CRefPtr<CConstValue> v = MakeRef<CConstValue>();
    v->m_pType = CType::GetShared(CType::eString);
    v->m_strText = text;
    if (v->IsImmortal() && t_pNodeArena && v->m_strText.capacity() > CStr().capacity())
        t_pNodeArena->OnReset([](void* value) { static_cast<CConstValue*>(value)->~CConstValue(); }, v.Get());
    return v;
}

CRefPtr<CConstValue> CConstValue::MakeNull() {
    CRefPtr<CConstValue> v = MakeRef<CConstValue>();
    v->m_pType = NullType();
    return v;
}

CConstNode::CConstNode(CConstValue* value) : CNode(CToken::eNumber), m_pValue(value) {
    m_nClass = kClass;
    if (value) m_pType = value->m_pType;
}
CConstNode::~CConstNode() = default;

CVariableNode::CVariableNode(CVariable* variable, CVariable* object)
    : CNode(CToken::eText), m_pVariable(variable), m_pObject(object) {
    m_nClass = kClass;
    if (variable) m_pType = variable->m_pType;
}
CVariableNode::~CVariableNode() = default;

CCallNode::CCallNode(CFunction* function, CVariable* object, int32_t own)
    : CNode(CToken::eFunctionName), m_pFunction(function), m_pObject(object), m_bOwn(own) {
    m_nClass = kClass;
}
CCallNode::~CCallNode() = default;

CStateNode::CStateNode(int32_t index) : CCountedNode(CToken::eState), m_nStateIndex(index) { m_nClass = kClass; }

static CVariableList* ParamsOf(CRefPtr<CVariableList>& params) {
    if (!params) params = MakeRef<CVariableList>();
    return params.Get();
}

CEventNode::CEventNode(const CStr& name) : CCountedNode(CToken::eEvent), m_strName(name) { m_nClass = kClass; }
CEventNode::~CEventNode() = default;
CVariableList* CEventNode::GetParams() { return ParamsOf(m_pParams); }

CFunctionNode::CFunctionNode(const CStr& name) : CCountedNode(CToken::eFunction), m_strName(name) { m_nClass = kClass; }
CFunctionNode::~CFunctionNode() = default;
CVariableList* CFunctionNode::GetParams() { return ParamsOf(m_pParams); }

CFunction* CFunctionNode::GetFunction() {
    if (!m_pFunction) {
        m_pFunction = MakeRef<CFunction>(m_strName, MakeRef<CType>(CType::eInt).Get());
        if (m_pParams)
            for (size_t i = 0; i < m_pParams->GetSize(); ++i)
                m_pFunction->AddParam(m_pParams->Get(i)->GetType());
        m_pFunction->m_bScript = 1;
    }
    return m_pFunction.Get();
}

CCommandNode::CCommandNode(const CStr& name) : CCountedNode(CToken::eCommand), m_strName(name) { m_nClass = kClass; }
CCommandNode::~CCommandNode() = default;
CVariableList* CCommandNode::GetParams() { return ParamsOf(m_pParams); }

CClassNode::CClassNode(const CStr& name, CType* baseClass)
    : CCountedNode(CToken::eClass), m_strName(name), m_pBaseClass(baseClass) {
    m_nClass = kClass;
    m_EventHandlers.SetSize(baseClass ? baseClass->GetEventCount() : 0);
    m_CommandHandlers.SetSize(baseClass ? baseClass->GetCommandCount() : 0);
}
CClassNode::~CClassNode() = default;

CFunctionNode* CClassNode::FindFunctionByName(const CStr& name) const {
    const uint32_t pos = FirstNoCase(name);
    return pos == CNameIndex::kNone ? nullptr : m_Functions[pos].Get();
}

CFunctionNode* CClassNode::FindFunction(const CCallSignature& call) const {
    // The chain holds every spelling; only the exact one is a candidate.
    for (uint32_t pos = FirstNoCase(call.m_strName); pos != CNameIndex::kNone; pos = m_ByName.Next(pos)) {
        CFunctionNode* node = m_Functions[pos].Get();
        if (node->m_strName == call.m_strName && CFunction::IsSame(*node->GetFunction(), call)) return node;
    }
    return nullptr;
}

CFunctionNode* CClassNode::FindFunction(const CFunction& signature) const {
    const std::vector<CType*> params = CFunction::ParamTypes(signature);
    return FindFunction(CCallSignature{signature.m_strName, params});
}

int CClassNode::AddFunction(CFunctionNode* node) {
    if (FindFunction(*node->GetFunction())) return 0;
    uint32_t pos = uint32_t(m_Functions.GetSize());
    m_Functions.Add(CRefPtr<CFunctionNode>(node));
    m_ByName.Add(node->m_strName, pos, [this](uint32_t i) { return NameAt(i); });
    return 1;
}
