// Builds the semantic records from the tables: classes in class-tree order,
// members in member order. Each function takes the built-in number its row
// gives, so the order of creation fixes nothing. The records are made counted
// and then made immortal: from then on nothing frees or writes them, and the
// library object is never destroyed.
#include "builtins/BuiltinLibrary.h"

#include "builtins/BuiltinTables.h"
#include "semantic/Function.h"

namespace {

// The class records of one build, indexed by EBuiltinClass.
using CClassRecords = CRefPtr<CType>[kBuiltinClassCount];

CType* ResolveType(const CClassRecords& classes, CType* array, TBuiltinType t) {
    switch (t) {
    case kBuiltinInt: return CType::GetShared(CType::eInt);
    case kBuiltinString: return CType::GetShared(CType::eString);
    case kBuiltinVoid: return CType::GetShared(CType::eVoid);
    case kBuiltinArray: return array;
    default: return classes[t].Get();
    }
}

void CreateClassRecords(CClassRecords& classes) {
    classes[int(EBuiltinClass::eRoot)] = MakeRef<CType>(CStr(), uint32_t(CType::eClass));
    for (EBuiltinClass c : GetBuiltinCreationOrder())
        classes[int(c)] = MakeRef<CType>(CStr(GetBuiltinClassName(c)), uint32_t(CType::eClass));
}

// What the member builders share: the records of this build and scratch
// space reused across classes, so the build allocates only what it keeps.
struct CBuild {
    CClassRecords classes;
    CRefPtr<CType> array;
    CStr name;

    CType* Resolve(TBuiltinType t) const { return ResolveType(classes, array.Get(), t); }
};

// The array is sized once: adding one by one would grow it two or three times
// for each of the ~2,700 members.
void AddParams(const CBuild& b, CFunction& f, const SBuiltinMember& m) {
    f.m_Params.SetSize(size_t(m.m_nParams));
    for (int i = 0; i < m.m_nParams; ++i) f.m_Params[size_t(i)] = b.Resolve(m.m_Params[i]);
}

void AddFunctions(CBuild& b, CType& cls, const SBuiltinClassDesc& desc) {
    auto create = [&](const SBuiltinMember& m) {
        b.name.assign(m.m_strName);
        CRefPtr<CFunction> f = CFunction::MakeBuiltin(b.name, b.Resolve(m.m_nResult), m.IsGlobal(), m.m_nNumber);
        f->m_bDotCallable = m.IsDotCallable();
        AddParams(b, *f, m);
        cls.AddFunction(f.Get());
    };
    ForEachBuiltinMember(desc.m_Functions, create);
}

template <class TRecord>
void AddHandlers(CBuild& b, CType& cls, std::span<const SBuiltinMemberDesc> rows,
                 void (CType::*add)(TRecord*)) {
    auto create = [&](const SBuiltinMember& m) {
        b.name.assign(m.m_strName);
        CRefPtr<TRecord> r = MakeRef<TRecord>(b.name, b.Resolve(m.m_nResult));
        AddParams(b, *r, m);
        (cls.*add)(r.Get());
    };
    ForEachBuiltinMember(rows, create);
}

void AddConstants(CBuild& b, CType& cls, const SBuiltinClassDesc& desc) {
    auto add = [&](const SBuiltinConstant& k) {
        b.name.assign(k.m_strName);
        cls.AddConstant(b.name, k.m_nValue);
    };
    ForEachBuiltinConstant(desc.m_Constants, add);
}

void FillClass(CBuild& b, EBuiltinClass c) {
    const SBuiltinClassDesc& desc = GetBuiltinClassDesc(c);
    CType& cls = *b.classes[int(c)];
    AddFunctions(b, cls, desc);
    AddHandlers<CEvent>(b, cls, desc.m_Events, &CType::AddEvent);
    AddHandlers<CCommand>(b, cls, desc.m_Commands, &CType::AddCommand);
    AddConstants(b, cls, desc);
    if (desc.m_nParent != EBuiltinClass::eNone) cls.SetParent(b.classes[int(desc.m_nParent)].Get());
}

void MakeListImmortal(CFunctionList* list) {
    if (!list) return;
    list->MakeImmortal();
    for (size_t i = 0; i < list->GetSize(); ++i) list->Get(i)->MakeImmortal();
}

}  // namespace

CBuiltinLibrary::CBuiltinLibrary() {
    CBuild b;
    CreateClassRecords(b.classes);
    b.array = CType::MakeArray(CType::GetShared(CType::eInt));
    b.array->SetParent(b.classes[int(EBuiltinClass::eRoot)].Get());
    b.name.reserve(64);
    for (int c = 0; c < kBuiltinClassCount; ++c) FillClass(b, EBuiltinClass(c));
    for (EBuiltinClass c : GetBuiltinNameableOrder())
        b.classes[int(c)]->SetClassNumber(GetBuiltinClassDesc(c).m_nClassNumber);
    for (int c = 0; c < kBuiltinClassCount; ++c) m_All[c] = b.classes[c].Get();
    for (EBuiltinClass c : GetBuiltinNameableOrder()) m_Classes.push_back(GetClass(c));
    m_pArray = b.array.Get();
    // Immortal before `b` lets go of its references, so none is freed.
    FreezeRecords();
}

// Parameters and results name only the shared basic types, the array type
// and the classes, so these are all the records the library reaches.
void CBuiltinLibrary::FreezeRecords() {
    m_pArray->MakeImmortal();
    for (CType* cls : m_All) {
        cls->MakeImmortal();
        MakeListImmortal(cls->m_pFunctions.Get());
        MakeListImmortal(cls->m_pEvents.Get());
        MakeListImmortal(cls->m_pCommands.Get());
    }
}

CType* CBuiltinLibrary::FindClass(std::string_view name) const {
    for (CType* c : m_Classes)
        if (c->m_strName == name) return c;
    return nullptr;
}

const CBuiltinLibrary& GetBuiltinLibrary() {
    // Never destroyed: compilations may still hold its records at exit.
    static const CBuiltinLibrary* const s_pLibrary = new CBuiltinLibrary;
    return *s_pLibrary;
}
