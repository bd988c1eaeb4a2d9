// CType: the one record that describes a value, a variable, a result and a
// class of the game's object model. Class records also carry their members
// (functions, events, commands, constants); the lookups over them walk the
// class itself first, then its parents. Constants keep a name index beside
// the ordered list, filled as they are added, so a lookup writes nothing:
// the built-in records are shared by compilations running at once.
#pragma once
#include <cstdint>
#include <string_view>

#include "support/DynArray.h"
#include "support/NameIndex.h"
#include "support/RefObject.h"
#include "support/Str.h"

class CFunction;
struct CCallSignature;
class CEvent;
class CCommand;
class CFunctionList;
class CVariable;
class CVariableList;

// One caption of an enum-variable type.
struct CEnumItem {
    int32_t m_nValue = -1;
    CStr m_strCaption;
    CStr m_strDescription;
};

// One named integer constant of a class.
struct CNamedConstant {
    CStr m_strName;
    int32_t m_nValue = 0;
};

// Named constants in the order they were added, with a name index filled as
// they are added, so a lookup writes nothing. Names are exact and unique.
class CConstantList {
public:
    // 0 (nothing added) when the name is taken.
    int Add(const CStr& name, int32_t value);
    const CNamedConstant* Find(const CStr& name) const;
    // Gives the constant added last its value.
    void SetLastValue(int32_t value);

    size_t GetSize() const { return m_Items.GetSize(); }
    const CNamedConstant& operator[](size_t i) const { return m_Items[i]; }
    auto begin() const { return m_Items.begin(); }
    auto end() const { return m_Items.end(); }

private:
    std::string_view NameAt(uint32_t i) const { return m_Items[i].m_strName; }

    CDynArray<CNamedConstant> m_Items;
    CNameIndex m_Index;
};

class CType : public CRefObject {
public:
    enum EKind : uint32_t {
        eClass = 0,
        eInt = 1,
        eString = 2,
        eVoid = 3,
        eArray = 5,
        eCondition = 8,
    };
    // Bit of m_nFlags carried only by the type of the null literal.
    static constexpr uint32_t eNullFlag = 1;

    // Basic type: a nameless type of the given kind.
    explicit CType(uint32_t kind);
    // Class type: a named type (the library passes kind eClass).
    CType(const CStr& name, uint32_t kind);
    ~CType() override;
    // Array type of the given element.
    static CRefPtr<CType> MakeArray(CType* element);
    // The nameless int, string, void or condition record that the whole
    // process shares (immortal, never changed); null for another kind. The
    // null literal's type carries a flag and so is a record of its own.
    static CType* GetShared(uint32_t kind);

    uint32_t m_nKind;
    uint32_t m_nSize = 4;
    CStr m_strName;
    CRefPtr<CVariableList> m_pVariables;
    CRefPtr<CFunctionList> m_pFunctions;
    CRefPtr<CFunctionList> m_pEvents;
    CRefPtr<CFunctionList> m_pCommands;
    CRefPtr<CType> m_pParent;
    CRefPtr<CType> m_pElement;
    int32_t m_nClassNumber = -1;
    uint32_t m_nFlags = 0;
    CDynArray<CEnumItem> m_EnumItems;
    CConstantList m_Constants;

    // Compatibility of two types: 1 or 0. A missing type is compatible with
    // nothing.
    static int IsSame(const CType* a, const CType* b);
    static int IsNull(const CType* t);

    bool IsKind(uint32_t kind) const { return m_nKind == kind; }
    bool IsArray() const { return m_nKind == eArray; }
    CType* GetElement() const { return m_pElement.Get(); }
    CType* GetParent() const { return m_pParent.Get(); }
    uint32_t GetSize() const { return m_nSize; }
    const CStr& GetName() const { return m_strName; }

    CType* SetParent(CType* parent);
    void SetClassNumber(int32_t n) { m_nClassNumber = n; }

    void AddEnumItem(const CStr& caption, int32_t value = -1, const CStr& description = {});
    void SetLastItemValue(int32_t value);
    void SetLastItemDescription(const CStr& description);

    // Members of a class. The three lists are created with their first member.
    void AddFunction(CFunction* f);
    void AddEvent(CEvent* e);
    void AddCommand(CCommand* c);

    CVariable* FindVariable(const CStr& name) const;
    // 1 and the value when this class or a parent has the constant, else 0.
    int FindConstant(const CStr& name, int32_t& value) const;
    // 0 when this class's own list already has the name; parents are not searched.
    int AddConstant(const CStr& name, int32_t value) { return m_Constants.Add(name, value); }
    CFunction* FindFunctionByName(const CStr& name) const;
    // The first function, own members before a parent's, that the call fits.
    CFunction* FindFunction(const CCallSignature& call) const;
    CFunction* FindFunction(const CFunction& signature) const;
    // Flattened index of the first matching event (or command), or -1.
    int32_t GetEventIndex(const CStr& name, const CVariableList* params) const;
    int32_t GetCommandIndex(const CStr& name, const CVariableList* params) const;
    uint32_t GetEventCount() const;
    uint32_t GetCommandCount() const;
};
