// Member records: functions (built-in, script and call signatures), events and
// commands, and the ordered list a class keeps of each. The list indexes its
// members by exact name so a first-match search only visits same-named
// entries, in insertion order.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "semantic/Type.h"
#include "support/NameIndex.h"

class CVariableList;

// What a call asks for: a name and the types of its arguments, compared as
// CFunction::IsSame compares a signature. A view: the caller keeps the name
// and the types alive while it searches, so a lookup allocates nothing.
struct CCallSignature {
    const CStr& m_strName;
    std::span<CType* const> m_Params;
};

class CFunction : public CRefObject {
public:
    CFunction() = default;
    CFunction(const CStr& name, CType* result);

    CStr m_strName;
    CRefPtr<CType> m_pResult;
    CDynArray<CRefPtr<CType>> m_Params;
    // Built-in number; -1 for events and commands; 0 for script functions
    // and signatures.
    int32_t m_nBuiltinNumber = 0;
    uint32_t m_bGlobal = 0;
    uint32_t m_bDotCallable = 0;
    uint32_t m_bScript = 0;

    void AddParam(CType* type) { m_Params.Add(CRefPtr<CType>(type)); }
    size_t GetParamCount() const { return m_Params.GetSize(); }
    CType* GetParam(size_t i) const { return m_Params[i].Get(); }

    // Equal names, equal parameter counts, compatible parameter types.
    static int IsSame(const CFunction& f, const CFunction& g);
    static int IsSame(const CFunction& f, const CCallSignature& call);
    // The types of f's parameters, as a call with them would list them.
    static std::vector<CType*> ParamTypes(const CFunction& f);
    // f against a name and a parameter variable list (null: no parameters).
    static int Matches(const CFunction& f, const CStr& name, const CVariableList* list);

    // A built-in function with the number the engine calls it by.
    static CRefPtr<CFunction> MakeBuiltin(const CStr& name, CType* result, uint32_t bGlobal, int32_t number);
};

// Events and commands differ from functions only in their class identity.
class CEvent : public CFunction {
public:
    CEvent(const CStr& name, CType* result);
};

class CCommand : public CFunction {
public:
    CCommand(const CStr& name, CType* result);
};

class CFunctionList : public CRefObject {
public:
    void Add(CFunction* f);
    size_t GetSize() const { return m_Functions.GetSize(); }
    CFunction* Get(size_t i) const { return m_Functions[i].Get(); }
    CFunction* operator[](size_t i) const { return m_Functions[i].Get(); }

    CFunction* FindByName(const CStr& name) const;
    // Position of the first member passing CFunction::IsSame, or -1.
    int32_t FindSame(const CCallSignature& call) const;
    // Position of the first member passing CFunction::Matches, or -1.
    int32_t FindMatch(const CStr& name, const CVariableList* params) const;

private:
    std::string_view NameAt(uint32_t i) const { return m_Functions[i]->m_strName; }
    // First position of that exact name, or CNameIndex::kNone; the others
    // follow through m_ByName.Next.
    uint32_t FirstPosition(const CStr& name) const;

    CDynArray<CRefPtr<CFunction>> m_Functions;
    CNameIndex m_ByName;
};
