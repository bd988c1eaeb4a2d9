// Function records and the ordered member lists of a class.
#include "semantic/Function.h"

#include "semantic/Variable.h"

CFunction::CFunction(const CStr& name, CType* result) : m_strName(name), m_pResult(result) {}

int CFunction::IsSame(const CFunction& f, const CFunction& g) {
    if (f.m_strName != g.m_strName || f.GetParamCount() != g.GetParamCount()) return 0;
    for (size_t i = 0; i < f.GetParamCount(); ++i)
        if (!CType::IsSame(f.GetParam(i), g.GetParam(i))) return 0;
    return 1;
}

int CFunction::IsSame(const CFunction& f, const CCallSignature& call) {
    if (f.m_strName != call.m_strName || f.GetParamCount() != call.m_Params.size()) return 0;
    for (size_t i = 0; i < f.GetParamCount(); ++i)
        if (!CType::IsSame(f.GetParam(i), call.m_Params[i])) return 0;
    return 1;
}

std::vector<CType*> CFunction::ParamTypes(const CFunction& f) {
    std::vector<CType*> types;
    types.reserve(f.GetParamCount());
    for (size_t i = 0; i < f.GetParamCount(); ++i) types.push_back(f.GetParam(i));
    return types;
}

int CFunction::Matches(const CFunction& f, const CStr& name, const CVariableList* list) {
    size_t count = list ? list->GetSize() : 0;
    if (f.m_strName != name || f.GetParamCount() != count) return 0;
    for (size_t i = 0; i < count; ++i)
        if (!CType::IsSame(f.GetParam(i), list->Get(i)->GetType())) return 0;
    return 1;
}

CRefPtr<CFunction> CFunction::MakeBuiltin(const CStr& name, CType* result, uint32_t bGlobal, int32_t number) {
    CRefPtr<CFunction> f = MakeRef<CFunction>(name, result);
    f->m_nBuiltinNumber = number;
    f->m_bGlobal = bGlobal;
    return f;
}

CEvent::CEvent(const CStr& name, CType* result) : CFunction(name, result) {
    m_nBuiltinNumber = -1;
}

CCommand::CCommand(const CStr& name, CType* result) : CFunction(name, result) {
    m_nBuiltinNumber = -1;
}

void CFunctionList::Add(CFunction* f) {
    const uint32_t pos = uint32_t(m_Functions.GetSize());
    m_Functions.Add(CRefPtr<CFunction>(f));
    m_ByName.Add(f->m_strName, pos, [this](uint32_t i) { return NameAt(i); });
}

uint32_t CFunctionList::FirstPosition(const CStr& name) const {
    return m_ByName.Find(name, [this](uint32_t i) { return NameAt(i); });
}

CFunction* CFunctionList::FindByName(const CStr& name) const {
    const uint32_t pos = FirstPosition(name);
    return pos == CNameIndex::kNone ? nullptr : Get(pos);
}

int32_t CFunctionList::FindSame(const CCallSignature& call) const {
    for (uint32_t pos = FirstPosition(call.m_strName); pos != CNameIndex::kNone; pos = m_ByName.Next(pos))
        if (CFunction::IsSame(*Get(pos), call)) return int32_t(pos);
    return -1;
}

int32_t CFunctionList::FindMatch(const CStr& name, const CVariableList* params) const {
    for (uint32_t pos = FirstPosition(name); pos != CNameIndex::kNone; pos = m_ByName.Next(pos))
        if (CFunction::Matches(*Get(pos), name, params)) return int32_t(pos);
    return -1;
}
