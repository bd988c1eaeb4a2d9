// Type records: construction, the compatibility test, and member lookup over
// the parent chain. Class compatibility is decided by name alone: two classes
// of different names are never compatible, which also keeps the structural
// comparison from recursing through classes whose members name each other.
#include "semantic/Type.h"

#include "semantic/Function.h"
#include "semantic/Variable.h"

CType::CType(uint32_t kind) : m_nKind(kind) {}

CType::CType(const CStr& name, uint32_t kind) : m_nKind(kind), m_strName(name) {}

CType::~CType() = default;

CRefPtr<CType> CType::MakeArray(CType* element) {
    CRefPtr<CType> t = MakeRef<CType>(uint32_t(eArray));
    t->m_pElement = element;
    return t;
}

namespace {

CType* NewImmortal(uint32_t kind) {
    CType* t = new CType(kind);
    t->MakeImmortal();
    return t;
}

}  // namespace

// One guarded initialisation for all four: every literal asks for one.
CType* CType::GetShared(uint32_t kind) {
    struct SShared {
        CType* m_pInt;
        CType* m_pString;
        CType* m_pVoid;
        CType* m_pCondition;
    };
    static const SShared s_Shared{NewImmortal(eInt), NewImmortal(eString), NewImmortal(eVoid),
                                  NewImmortal(eCondition)};
    switch (kind) {
    case eInt: return s_Shared.m_pInt;
    case eString: return s_Shared.m_pString;
    case eVoid: return s_Shared.m_pVoid;
    case eCondition: return s_Shared.m_pCondition;
    default: return nullptr;
    }
}

int CType::IsNull(const CType* t) {
    return t && t->m_nKind == eInt && (t->m_nFlags & eNullFlag) ? 1 : 0;
}

namespace {

int SameVariables(const CVariableList* a, const CVariableList* b) {
    if (!a || !b) return a == b;
    if (a->GetSize() != b->GetSize()) return 0;
    for (size_t i = 0; i < a->GetSize(); ++i) {
        const CVariable* x = a->Get(i);
        const CVariable* y = b->Get(i);
        if (x->m_nKind != y->m_nKind || !CType::IsSame(x->GetType(), y->GetType()) ||
            x->m_strName != y->m_strName || x->m_nSlot != y->m_nSlot)
            return 0;
    }
    return 1;
}

int SameFunctions(const CFunctionList* a, const CFunctionList* b) {
    if (!a != !b) return 0;
    if (!a) return 1;
    if (a->GetSize() != b->GetSize()) return 0;
    for (size_t i = 0; i < a->GetSize(); ++i)
        if (!CFunction::IsSame(*a->Get(i), *b->Get(i))) return 0;
    return 1;
}

}  // namespace

int CType::IsSame(const CType* a, const CType* b) {
    if (!a || !b) return 0;
    if (IsNull(a) || IsNull(b)) return 1;
    if (a->m_nKind != b->m_nKind || a->m_nSize != b->m_nSize) return 0;
    if (a->m_nKind == eClass) return a->m_strName == b->m_strName ? 1 : 0;
    if (!a->m_pParent != !b->m_pParent) return 0;
    if (a->m_pParent && !IsSame(a->m_pParent.Get(), b->m_pParent.Get())) return 0;
    if (!SameVariables(a->m_pVariables.Get(), b->m_pVariables.Get())) return 0;
    return SameFunctions(a->m_pFunctions.Get(), b->m_pFunctions.Get());
}

CType* CType::SetParent(CType* parent) {
    m_pParent = parent;
    return this;
}

void CType::AddEnumItem(const CStr& caption, int32_t value, const CStr& description) {
    m_EnumItems.Add(CEnumItem{value, caption, description});
}

void CType::SetLastItemValue(int32_t value) {
    if (m_EnumItems.GetSize()) m_EnumItems[m_EnumItems.GetSize() - 1].m_nValue = value;
}

void CType::SetLastItemDescription(const CStr& description) {
    if (m_EnumItems.GetSize())
        m_EnumItems[m_EnumItems.GetSize() - 1].m_strDescription = description;
}

static void AddMember(CRefPtr<CFunctionList>& list, CFunction* f) {
    if (!list) list = MakeRef<CFunctionList>();
    list->Add(f);
}

void CType::AddFunction(CFunction* f) { AddMember(m_pFunctions, f); }
void CType::AddEvent(CEvent* e) { AddMember(m_pEvents, e); }
void CType::AddCommand(CCommand* c) { AddMember(m_pCommands, c); }

CVariable* CType::FindVariable(const CStr& name) const {
    for (const CType* t = this; t; t = t->GetParent())
        if (t->m_pVariables)
            if (CVariable* v = t->m_pVariables->Find(name)) return v;
    return nullptr;
}

int CConstantList::Add(const CStr& name, int32_t value) {
    const uint32_t pos = uint32_t(m_Items.GetSize());
    if (m_Index.AddUnique(name, pos, [this](uint32_t i) { return NameAt(i); }) != pos) return 0;
    m_Items.Add(CNamedConstant{name, value});
    return 1;
}

const CNamedConstant* CConstantList::Find(const CStr& name) const {
    const uint32_t pos = m_Index.Find(name, [this](uint32_t i) { return NameAt(i); });
    return pos == CNameIndex::kNone ? nullptr : &m_Items[pos];
}

void CConstantList::SetLastValue(int32_t value) {
    if (m_Items.GetSize()) m_Items[m_Items.GetSize() - 1].m_nValue = value;
}

int CType::FindConstant(const CStr& name, int32_t& value) const {
    for (const CType* t = this; t; t = t->GetParent())
        if (const CNamedConstant* c = t->m_Constants.Find(name)) {
            value = c->m_nValue;
            return 1;
        }
    return 0;
}

CFunction* CType::FindFunctionByName(const CStr& name) const {
    for (const CType* t = this; t; t = t->GetParent())
        if (t->m_pFunctions)
            if (CFunction* f = t->m_pFunctions->FindByName(name)) return f;
    return nullptr;
}

CFunction* CType::FindFunction(const CCallSignature& call) const {
    for (const CType* t = this; t; t = t->GetParent())
        if (t->m_pFunctions) {
            int32_t pos = t->m_pFunctions->FindSame(call);
            if (pos >= 0) return t->m_pFunctions->Get(size_t(pos));
        }
    return nullptr;
}

CFunction* CType::FindFunction(const CFunction& signature) const {
    const std::vector<CType*> params = CFunction::ParamTypes(signature);
    return FindFunction(CCallSignature{signature.m_strName, params});
}

// Own position plus the members of all ancestors; own list searched first.
static int32_t FlattenedIndex(const CType* type, CRefPtr<CFunctionList> CType::*list,
                              const CStr& name, const CVariableList* params) {
    for (const CType* t = type; t; t = t->GetParent()) {
        const CFunctionList* own = (t->*list).Get();
        int32_t pos = own ? own->FindMatch(name, params) : -1;
        if (pos < 0) continue;
        uint32_t before = 0;
        for (const CType* p = t->GetParent(); p; p = p->GetParent())
            before += (p->*list) ? uint32_t((p->*list)->GetSize()) : 0;
        return int32_t(before) + pos;
    }
    return -1;
}

int32_t CType::GetEventIndex(const CStr& name, const CVariableList* params) const {
    return FlattenedIndex(this, &CType::m_pEvents, name, params);
}

int32_t CType::GetCommandIndex(const CStr& name, const CVariableList* params) const {
    return FlattenedIndex(this, &CType::m_pCommands, name, params);
}

static uint32_t CountMembers(const CType* type, CRefPtr<CFunctionList> CType::*list) {
    uint32_t n = 0;
    for (const CType* t = type; t; t = t->GetParent())
        n += (t->*list) ? uint32_t((t->*list)->GetSize()) : 0;
    return n;
}

uint32_t CType::GetEventCount() const { return CountMembers(this, &CType::m_pEvents); }
uint32_t CType::GetCommandCount() const { return CountMembers(this, &CType::m_pCommands); }
