// Member lookup on a small class tree: root <- $CommandObject <- unit <- tank,
// with events and commands spread over the chain.
#include <gtest/gtest.h>

#include "MemberBuilders.h"

#include "semantic/Function.h"
#include "semantic/Type.h"
#include "semantic/Variable.h"

namespace {

struct CTree {
    CRefPtr<CType> m_pInt = MakeRef<CType>(CType::eInt);
    CRefPtr<CType> m_pString = MakeRef<CType>(CType::eString);
    CRefPtr<CType> m_pRoot = MakeRef<CType>(CType::eClass);
    CRefPtr<CType> m_pCommandObject = MakeRef<CType>(CStr("$CommandObject"), CType::eClass);
    CRefPtr<CType> m_pUnit = MakeRef<CType>(CStr("unit"), CType::eClass);
    CRefPtr<CType> m_pTank = MakeRef<CType>(CStr("tank"), CType::eClass);

    CTree() {
        m_pCommandObject->SetParent(m_pRoot.Get());
        m_pUnit->SetParent(m_pCommandObject.Get());
        m_pTank->SetParent(m_pUnit.Get());
    }
    ~CTree() {
        for (CType* t : {m_pTank.Get(), m_pUnit.Get(), m_pCommandObject.Get(), m_pRoot.Get()})
            t->ReleaseMembers();
    }
    CFunction* Function(CType* cls, const char* name, std::initializer_list<CType*> params) {
        return AddMember<CFunction>(cls, name, m_pInt.Get(), params, &CType::AddFunction);
    }
    void Event(CType* cls, const char* name, std::initializer_list<CType*> params) {
        AddMember<CEvent>(cls, name, m_pInt.Get(), params, &CType::AddEvent);
    }
    void Command(CType* cls, const char* name, std::initializer_list<CType*> params) {
        AddMember<CCommand>(cls, name, m_pInt.Get(), params, &CType::AddCommand);
    }
};

CRefPtr<CFunction> Signature(const char* name, std::initializer_list<CType*> args) {
    CRefPtr<CFunction> s = MakeRef<CFunction>(name, MakeRef<CType>(CType::eVoid).Get());
    for (CType* a : args) s->AddParam(a);
    return s;
}

CRefPtr<CVariableList> Params(std::initializer_list<CType*> types) {
    CRefPtr<CVariableList> list = MakeRef<CVariableList>();
    int n = 0;
    for (CType* t : types) list->Add("p" + std::to_string(n++), t, CVariable::eParam);
    return list;
}

TEST(ClassTest, ConstantsSearchOwnListFirstAndParentsAfter) {
    CTree t;
    t.m_pCommandObject->AddConstant("MODE", 1);
    t.m_pCommandObject->AddConstant("RANGE", 9);
    int32_t v = 0;
    EXPECT_EQ(t.m_pTank->FindConstant("MODE", v), 1);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(t.m_pTank->FindConstant("mode", v), 0);

    // A constant of a parent may be declared again and hides the parent's.
    EXPECT_EQ(t.m_pUnit->AddConstant("MODE", 42), 1);
    EXPECT_EQ(t.m_pUnit->AddConstant("MODE", 0), 0);
    EXPECT_EQ(t.m_pTank->FindConstant("MODE", v), 1);
    EXPECT_EQ(v, 42);
    EXPECT_EQ(t.m_pCommandObject->FindConstant("MODE", v), 1);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(t.m_pUnit->m_Constants.GetSize(), 1u);
    EXPECT_EQ(t.m_pTank->FindVariable("MODE"), nullptr);
}

// The process shares one record of each basic kind; however often it is
// referred to, its count is never written.
TEST(ClassTest, SharedBasicTypesAreImmortal) {
    CType* integer = CType::GetShared(CType::eInt);
    ASSERT_NE(integer, nullptr);
    EXPECT_EQ(integer, CType::GetShared(CType::eInt));
    EXPECT_TRUE(integer->IsImmortal());
    uint32_t count = integer->GetRefCount();
    {
        CRefPtr<CType> a = integer;
        CRefPtr<CType> b = a;
    }
    EXPECT_EQ(integer->GetRefCount(), count);
    EXPECT_TRUE(CType::GetShared(CType::eCondition)->IsKind(CType::eCondition));
    EXPECT_EQ(CType::GetShared(CType::eClass), nullptr);
}

// Built-in numbering in creation order is checked on all 2515 records, with
// their global marks, by the built-in library tests.
TEST(ClassTest, ReleaseMembersBreaksLinksToParentAndMembers) {
    CRefPtr<CType> root = MakeRef<CType>(CType::eClass);
    CRefPtr<CType> unit = MakeRef<CType>(CStr("unit"), CType::eClass);
    unit->SetParent(root.Get());
    CRefPtr<CFunction> f = MakeRef<CFunction>("$Release", MakeRef<CType>(CType::eVoid).Get());
    f->AddParam(unit.Get());
    unit->AddFunction(f.Get());
    unit->AddEnumItem("x");
    EXPECT_EQ(root->GetRefCount(), 2u);
    uint32_t unitRefs = unit->GetRefCount();
    unit->ReleaseMembers();
    EXPECT_EQ(root->GetRefCount(), 1u);
    EXPECT_EQ(unit->m_pFunctions.Get(), nullptr);
    EXPECT_EQ(unit->m_EnumItems.GetSize(), 0u);
    EXPECT_EQ(unit->GetRefCount(), unitRefs);  // f still holds it through its parameter
    f = nullptr;
    EXPECT_EQ(unit->GetRefCount(), 1u);
}

// A script with many constants must not pay a scan of the list per
// declaration; the value comes after the name.
TEST(ClassTest, ManyConstantsStayLinear) {
    CConstantList list;
    const int n = 50000;
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(list.Add("C" + std::to_string(i), 0), 1);
        list.SetLastValue(i);
    }
    EXPECT_EQ(list.Find("C12345")->m_nValue, 12345);
    EXPECT_EQ(list.Add("C49999", 0), 0);
    EXPECT_EQ(list.Find("c1"), nullptr);
}

}  // namespace
