// Indexes the built-in library once: every class is reached from the
// nameable classes through their parents, so the abstract bases and the
// root are found without a list of their own.
#include "BuiltinIndex.h"

#include <algorithm>

#include "builtins/BuiltinLibrary.h"
#include "builtins/BuiltinTables.h"

namespace {

std::vector<const CFunction*> Flatten(const CType* type, CRefPtr<CFunctionList> CType::*list) {
    std::vector<const CType*> chain;
    for (const CType* t = type; t; t = t->GetParent()) chain.push_back(t);
    std::vector<const CFunction*> out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        if (const CFunctionList* own = ((*it)->*list).Get())
            for (size_t i = 0; i < own->GetSize(); ++i) out.push_back(own->Get(i));
    return out;
}

}  // namespace

CBuiltinIndex::CBuiltinIndex() {
    const CBuiltinLibrary& library = GetBuiltinLibrary();
    m_Functions.resize(size_t(GetBuiltinFunctionTotal()));
    for (const CType* named : library.GetClasses())
        for (const CType* t = named; t; t = t->GetParent()) AddClass(t);
}

void CBuiltinIndex::AddClass(const CType* type) {
    if (std::find(m_Classes.begin(), m_Classes.end(), type) != m_Classes.end()) return;
    m_Classes.push_back(type);
    const CFunctionList* own = type->m_pFunctions.Get();
    for (size_t i = 0; own && i < own->GetSize(); ++i) {
        const CFunction* f = own->Get(i);
        if (f->m_nBuiltinNumber >= 0 && size_t(f->m_nBuiltinNumber) < m_Functions.size())
            m_Functions[size_t(f->m_nBuiltinNumber)] = SBuiltinEntry{f, type};
    }
}

SBuiltinEntry CBuiltinIndex::Get(uint32_t number) const {
    return number < m_Functions.size() ? m_Functions[number] : SBuiltinEntry{};
}

const CType* CBuiltinIndex::ClassByNumber(int32_t number) const {
    if (number < 0) return nullptr;
    for (const CType* t : m_Classes)
        if (t->m_nClassNumber == number) return t;
    return nullptr;
}

std::string CBuiltinIndex::ClassName(const CType* type) {
    if (!type) return "?";
    return type->GetName().empty() ? "root" : type->GetName();
}

std::string CBuiltinIndex::TypeName(const CType* type) {
    if (!type) return "?";
    switch (type->m_nKind) {
    case CType::eInt: return "int";
    case CType::eString: return "string";
    case CType::eVoid: return "void";
    case CType::eArray: return "int[]";
    default: return ClassName(type);
    }
}

std::string CBuiltinIndex::Signature(const CFunction& f) {
    std::string s = TypeName(f.m_pResult.Get()) + " " + f.m_strName + "(";
    for (size_t i = 0; i < f.GetParamCount(); ++i) s += (i ? ", " : "") + TypeName(f.GetParam(i));
    return s + ")";
}

std::vector<const CFunction*> CBuiltinIndex::Events(const CType* type) {
    return Flatten(type, &CType::m_pEvents);
}

std::vector<const CFunction*> CBuiltinIndex::Commands(const CType* type) {
    return Flatten(type, &CType::m_pCommands);
}
