// Builds the semantic records from the tables: classes in class-tree order,
// members in member order. Each function takes the built-in number its row
// gives, so the order of creation fixes nothing. The records are made counted
// and then made immortal: from then on nothing frees or writes them, and the
// library object is never destroyed.
#include "builtins/BuiltinLibrary.h"

#include "builtins/BuiltinTables.h"
#include "semantic/Function.h"

namespace {

// Class records of the library, indexed by EBuiltinClass; the array type.
struct CBuild {
    CType* const* classes;
    CType* array;
    CStr name;

    CType* Resolve(TBuiltinType t) const {
        switch (t) {
        case kBuiltinInt: return CType::GetShared(CType::eInt);
        case kBuiltinString: return CType::GetShared(CType::eString);
        case kBuiltinVoid: return CType::GetShared(CType::eVoid);
        case kBuiltinArray: return array;
        default: return classes[t];
        }
    }
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

void MakeListImmortal(CFunctionList* list) {
    if (!list) return;
    list->MakeImmortal();
    for (size_t i = 0; i < list->GetSize(); ++i) list->Get(i)->MakeImmortal();
}

// A record that the library keeps for good: made, then never counted.
CType* Keep(CRefPtr<CType> record) {
    record->MakeImmortal();
    return record.Get();
}

}  // namespace

// The class records, their parents and numbers, and the array type; no members.
CBuiltinLibrary::CBuiltinLibrary() {
    m_All[int(EBuiltinClass::eRoot)] = Keep(MakeRef<CType>(CStr(), uint32_t(CType::eClass)));
    for (EBuiltinClass c : GetBuiltinCreationOrder())
        m_All[int(c)] = Keep(MakeRef<CType>(CStr(GetBuiltinClassName(c)), uint32_t(CType::eClass)));
    for (int c = 0; c < kBuiltinClassCount; ++c) {
        const SBuiltinClassDesc& desc = GetBuiltinClassDesc(EBuiltinClass(c));
        if (desc.m_nParent != EBuiltinClass::eNone) m_All[c]->SetParent(m_All[int(desc.m_nParent)]);
    }
    for (EBuiltinClass c : GetBuiltinNameableOrder()) {
        m_All[int(c)]->SetClassNumber(GetBuiltinClassDesc(c).m_nClassNumber);
        m_Classes.push_back(m_All[int(c)]);
        m_ByName.AddUnique(m_Classes.back()->m_strName, uint32_t(m_Classes.size() - 1),
                           [this](uint32_t i) { return NameAt(i); });
    }
    m_pArray = Keep(CType::MakeArray(CType::GetShared(CType::eInt)));
    m_pArray->SetParent(m_All[int(EBuiltinClass::eRoot)]);
}

void CBuiltinLibrary::Fill(EBuiltinClass c) const {
    for (EBuiltinClass k = c; k != EBuiltinClass::eNone; k = GetBuiltinClassDesc(k).m_nParent)
        std::call_once(m_Filled[int(k)], [this, k] { FillMembers(k); });
}

// Members in member order; each list is immortal before anyone can see it.
void CBuiltinLibrary::FillMembers(EBuiltinClass c) const {
    const SBuiltinClassDesc& desc = GetBuiltinClassDesc(c);
    CType& cls = *m_All[int(c)];
    CBuild b{m_All, m_pArray, {}};
    b.name.reserve(64);
    AddFunctions(b, cls, desc);
    AddHandlers<CEvent>(b, cls, desc.m_Events, &CType::AddEvent);
    AddHandlers<CCommand>(b, cls, desc.m_Commands, &CType::AddCommand);
    AddConstants(b, cls, desc);
    MakeListImmortal(cls.m_pFunctions.Get());
    MakeListImmortal(cls.m_pEvents.Get());
    MakeListImmortal(cls.m_pCommands.Get());
}

const std::vector<CType*>& CBuiltinLibrary::GetClasses() const {
    for (int c = 0; c < kBuiltinClassCount; ++c) Fill(EBuiltinClass(c));
    return m_Classes;
}

CType* CBuiltinLibrary::FindClass(std::string_view name) const {
    const uint32_t pos = m_ByName.Find(name, [this](uint32_t i) { return NameAt(i); });
    return pos == CNameIndex::kNone ? nullptr : GetClass(GetBuiltinNameableOrder()[pos]);
}

const CBuiltinLibrary& GetBuiltinLibrary() {
    // Never destroyed: compilations may still hold its records at exit.
    static const CBuiltinLibrary* const s_pLibrary = new CBuiltinLibrary;
    return *s_pLibrary;
}
