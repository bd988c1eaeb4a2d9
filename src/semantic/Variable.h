// Variables and scopes. A scope (a block or a parameter list) owns one
// CVariableList in declaration order; names are unique within one list and
// found by a scan while the list is short, through an exact-name index once
// it is longer, so declaring n variables costs O(n).
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "semantic/Type.h"
#include "support/NameIndex.h"

class CVariable : public CRefObject {
public:
    enum EKind : uint32_t {
        eMember = 2,
        eParam = 3,
        eLocal = 4,
    };

    CVariable(uint32_t kind, CType* type, const CStr& name);

    uint32_t m_nKind;
    CRefPtr<CType> m_pType;
    int32_t m_nSlot = 0;
    CStr m_strName;
    uint32_t m_bInUse = 0;

    CType* GetType() const { return m_pType.Get(); }
    const CStr& GetName() const { return m_strName; }
};

class CVariableList : public CRefObject {
public:
    // Inline: most scopes are short and are scanned in order, with no copy of
    // the name; only a long one goes to its index.
    CVariable* Find(std::string_view name) const {
        const size_t count = m_Variables.GetSize();
        if (count > kScanLimit) return FindIndexed(name);
        for (size_t i = 0; i < count; ++i)
            if (m_Variables[i]->m_strName == name) return Get(i);
        return nullptr;
    }
    // None when the name is already in this list; else the new variable.
    CVariable* Add(const CStr& name, CType* type, uint32_t kind);
    // With a name: that variable, or a new local of a fresh type of the kind.
    // With an empty name: a free temporary ("$n", in-use 0), or a new one.
    CVariable* GetVariable(std::string_view name, uint32_t typeKind);
    // Temporaries with an in-use counter (m_bInUse): Acquire takes the first
    // temporary whose counter is 0, else appends a new int one, and counts it;
    // Release uncounts it. Both keep the free ones in order, so an expression
    // that holds many temporaries at once costs no scan per acquisition.
    CVariable* AcquireTemporary();
    void ReleaseTemporary(CVariable* temp);

    size_t GetSize() const { return m_Variables.GetSize(); }
    CVariable* operator[](size_t i) const { return m_Variables[i].Get(); }
    CVariable* Get(size_t i) const { return m_Variables[i].Get(); }
    // Storage of the scope: the sum of its variables' type sizes.
    uint32_t GetTotalSize() const;

private:
    // Lists up to this long (most scopes) keep no index: scanning them in
    // order finds the same first match without copying, hashing or allocating.
    static constexpr size_t kScanLimit = 16;

    std::string_view NameAt(uint32_t i) const { return m_Variables[i]->m_strName; }
    uint32_t FindIndexedPos(std::string_view name) const {
        return m_Index.Find(name, [this](uint32_t i) { return NameAt(i); });
    }
    CVariable* FindIndexed(std::string_view name) const;
    CVariable* Append(const CStr& name, CType* type, uint32_t kind);

    CDynArray<CRefPtr<CVariable>> m_Variables;
    // Empty until the list outgrows a scan (see Variable.cpp).
    CNameIndex m_Index;
    // Positions of the locals whose names start with '$' (the temporaries).
    std::vector<uint32_t> m_Temporaries;
    // Positions of the temporaries whose counter Release brought back to 0,
    // each once, highest first (few are free at a time; the lowest is taken).
    std::vector<uint32_t> m_FreeTemporaries;
};
