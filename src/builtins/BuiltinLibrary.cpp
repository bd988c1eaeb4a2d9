// Builds the semantic records from the tables: classes in class-tree order,
// members in member order. Each function takes the built-in number its row
// gives, so the order of creation fixes nothing.
#include "builtins/BuiltinLibrary.h"

#include "builtins/BuiltinTables.h"
#include "semantic/Function.h"
#include "semantic/Library.h"

namespace {

// The class records of one build, indexed by EBuiltinClass.
using CClassRecords = CRefPtr<CType>[kBuiltinClassCount];

CType* ResolveType(const CClassRecords& classes, TBuiltinType t) {
    switch (t) {
    case kBuiltinInt: return g_pIntType.Get();
    case kBuiltinString: return g_pStringType.Get();
    case kBuiltinVoid: return g_pVoidType.Get();
    case kBuiltinArray: return g_pArrayType.Get();
    default: return classes[t].Get();
    }
}

void CreateBasicTypes() {
    g_pIntType = MakeRef<CType>(uint32_t(CType::eInt));
    g_pStringType = MakeRef<CType>(uint32_t(CType::eString));
    g_pVoidType = MakeRef<CType>(uint32_t(CType::eVoid));
    g_pArrayType = CType::MakeArray(g_pIntType.Get());
    g_pRootClass = MakeRef<CType>(CStr(), uint32_t(CType::eClass));
}

void CreateClassRecords(CClassRecords& classes) {
    classes[int(EBuiltinClass::eRoot)] = g_pRootClass;
    for (EBuiltinClass c : GetBuiltinCreationOrder())
        classes[int(c)] = MakeRef<CType>(CStr(GetBuiltinClassName(c)), uint32_t(CType::eClass));
}

// The array is sized once: adding one by one would grow it two or three times
// for each of the ~2,700 members.
void AddParams(const CClassRecords& classes, CFunction& f, const SBuiltinMember& m) {
    f.m_Params.SetSize(size_t(m.m_nParams));
    for (int i = 0; i < m.m_nParams; ++i) f.m_Params[size_t(i)] = ResolveType(classes, m.m_Params[i]);
}

void AddFunctions(const CClassRecords& classes, CType& cls, const SBuiltinClassDesc& desc, CStr& name) {
    auto create = [&](const SBuiltinMember& m) {
        name.assign(m.m_strName);
        CRefPtr<CFunction> f =
            CFunction::MakeBuiltin(name, ResolveType(classes, m.m_nResult), m.IsGlobal(), m.m_nNumber);
        f->m_bDotCallable = m.IsDotCallable();
        AddParams(classes, *f, m);
        cls.AddFunction(f.Get());
    };
    ForEachBuiltinMember(desc.m_Functions, create);
}

template <class TRecord>
void AddHandlers(const CClassRecords& classes, CType& cls, std::span<const SBuiltinMemberDesc> rows,
                 void (CType::*add)(TRecord*), CStr& name) {
    auto create = [&](const SBuiltinMember& m) {
        name.assign(m.m_strName);
        CRefPtr<TRecord> r = MakeRef<TRecord>(name, ResolveType(classes, m.m_nResult));
        AddParams(classes, *r, m);
        (cls.*add)(r.Get());
    };
    ForEachBuiltinMember(rows, create);
}

void AddConstants(CType& cls, const SBuiltinClassDesc& desc, CStr& name) {
    auto add = [&](const SBuiltinConstant& k) {
        name.assign(k.m_strName);
        cls.AddConstant(name, k.m_nValue);
    };
    ForEachBuiltinConstant(desc.m_Constants, add);
}

// `name` is scratch space reused across classes, so that the build allocates
// only what the records keep.
void FillClass(const CClassRecords& classes, EBuiltinClass c, CStr& name) {
    const SBuiltinClassDesc& desc = GetBuiltinClassDesc(c);
    CType& cls = *classes[int(c)];
    AddFunctions(classes, cls, desc, name);
    AddHandlers<CEvent>(classes, cls, desc.m_Events, &CType::AddEvent, name);
    AddHandlers<CCommand>(classes, cls, desc.m_Commands, &CType::AddCommand, name);
    AddConstants(cls, desc, name);
    if (desc.m_nParent != EBuiltinClass::eNone) cls.SetParent(classes[int(desc.m_nParent)].Get());
    if (c == EBuiltinClass::eRoot) g_pArrayType->SetParent(&cls);
}

}  // namespace

void BuildBuiltinLibrary() {
    // A second build would append 19 more classes; while a library is live,
    // one is enough.
    if (g_pRootClass) return;
    CreateBasicTypes();
    CClassRecords classes;
    CreateClassRecords(classes);
    CStr name;
    name.reserve(64);
    for (int c = 0; c < kBuiltinClassCount; ++c) FillClass(classes, EBuiltinClass(c), name);
    for (EBuiltinClass c : GetBuiltinNameableOrder())
        classes[int(c)]->SetClassNumber(GetBuiltinClassDesc(c).m_nClassNumber);
    for (EBuiltinClass c : GetBuiltinNameableOrder()) g_builtinClasses.Add(classes[int(c)]);
}

void ReleaseBuiltinLibrary() {
    for (CRefPtr<CType>& cls : g_builtinClasses) {
        // Holding the parent across ReleaseMembers keeps it alive for the next step.
        for (CRefPtr<CType> at = cls; at;) {
            CRefPtr<CType> parent = at->m_pParent;
            at->ReleaseMembers();
            at = parent;
        }
    }
    g_builtinClasses.SetSize(0, -1, true);
    if (g_pArrayType) g_pArrayType->ReleaseMembers();
    g_pIntType = nullptr;
    g_pStringType = nullptr;
    g_pVoidType = nullptr;
    g_pArrayType = nullptr;
    g_pRootClass = nullptr;
}
