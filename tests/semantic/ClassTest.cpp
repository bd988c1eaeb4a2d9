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
    EXPECT_EQ(t.m_pUnit->AddConstant("MODE", 0), 1);
    EXPECT_EQ(t.m_pUnit->AddConstant("MODE", 0), 0);
    t.m_pUnit->SetConstant("MODE", 42);
    t.m_pUnit->SetConstant("ABSENT", 3);  // no effect
    EXPECT_EQ(t.m_pUnit->FindConstant("ABSENT", v), 0);
    EXPECT_EQ(t.m_pTank->FindConstant("MODE", v), 1);
    EXPECT_EQ(v, 42);
    EXPECT_EQ(t.m_pCommandObject->FindConstant("MODE", v), 1);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(t.m_pUnit->m_Constants.GetSize(), 1u);

    // Appending to the array directly is seen by the lookups.
    t.m_pUnit->m_Constants.Add(CNamedConstant{"LATE", 5});
    EXPECT_EQ(t.m_pTank->FindConstant("LATE", v), 1);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(t.m_pTank->FindVariable("MODE"), nullptr);
}

TEST(ClassTest, FunctionsByNameAreExactAndFirstInChainOrder) {
    CTree t;
    CFunction* rootMove = t.Function(t.m_pRoot.Get(), "Move", {});
    CFunction* unitMove = t.Function(t.m_pUnit.Get(), "Move", {t.m_pInt.Get()});
    t.Function(t.m_pUnit.Get(), "Move", {t.m_pString.Get()});
    EXPECT_EQ(t.m_pTank->FindFunctionByName("Move"), unitMove);
    EXPECT_EQ(t.m_pCommandObject->FindFunctionByName("Move"), rootMove);
    EXPECT_EQ(t.m_pTank->FindFunctionByName("move"), nullptr);
    EXPECT_EQ(t.m_pTank->FindFunctionByName("Stop"), nullptr);
}

TEST(ClassTest, OverloadsResolveToTheFirstMatchOwnClassBeforeParent) {
    CTree t;
    CRefPtr<CType> null = MakeRef<CType>(CType::eInt);
    null->m_nFlags |= CType::eNullFlag;
    CFunction* rootInt = t.Function(t.m_pRoot.Get(), "Go", {t.m_pInt.Get()});
    CFunction* rootNone = t.Function(t.m_pRoot.Get(), "Go", {});
    CFunction* unitUnit = t.Function(t.m_pUnit.Get(), "Go", {t.m_pUnit.Get()});
    CFunction* unitString = t.Function(t.m_pUnit.Get(), "Go", {t.m_pString.Get()});

    EXPECT_EQ(t.m_pTank->FindFunction(*Signature("Go", {t.m_pString.Get()})), unitString);
    // null fits every parameter: the first overload with that count wins.
    EXPECT_EQ(t.m_pTank->FindFunction(*Signature("Go", {null.Get()})), unitUnit);
    // The parent's function only when the class itself has none that fits.
    EXPECT_EQ(t.m_pTank->FindFunction(*Signature("Go", {t.m_pInt.Get()})), rootInt);
    EXPECT_EQ(t.m_pTank->FindFunction(*Signature("Go", {})), rootNone);
    EXPECT_EQ(t.m_pTank->FindFunction(*Signature("Go", {t.m_pTank.Get()})), nullptr);
    EXPECT_EQ(t.m_pTank->FindFunction(*Signature("go", {t.m_pInt.Get()})), nullptr);
}

TEST(ClassTest, EventAndCommandIndexesFlattenOverAncestors) {
    CTree t;
    t.Command(t.m_pRoot.Get(), "$Destructor", {});
    t.Command(t.m_pRoot.Get(), "$Serialize", {});
    t.Command(t.m_pCommandObject.Get(), "Attack", {t.m_pUnit.Get()});
    t.Command(t.m_pCommandObject.Get(), "Move", {t.m_pInt.Get(), t.m_pInt.Get()});
    t.Event(t.m_pUnit.Get(), "OnHit", {});
    t.Event(t.m_pUnit.Get(), "OnSee", {t.m_pUnit.Get()});
    t.Event(t.m_pTank.Get(), "OnFire", {});
    t.Event(t.m_pTank.Get(), "OnHit", {t.m_pInt.Get()});

    EXPECT_EQ(t.m_pRoot->GetCommandCount(), 2u);
    EXPECT_EQ(t.m_pTank->GetCommandCount(), 4u);
    EXPECT_EQ(t.m_pTank->GetEventCount(), 4u);
    EXPECT_EQ(t.m_pCommandObject->GetEventCount(), 0u);

    EXPECT_EQ(t.m_pTank->GetCommandIndex("$Serialize", Params({}).Get()), 1);
    EXPECT_EQ(t.m_pTank->GetCommandIndex("Move", Params({t.m_pInt.Get(), t.m_pInt.Get()}).Get()), 3);
    EXPECT_EQ(t.m_pTank->GetCommandIndex("Move", Params({t.m_pInt.Get()}).Get()), -1);
    EXPECT_EQ(t.m_pUnit->GetEventIndex("OnHit", nullptr), 0);
    EXPECT_EQ(t.m_pUnit->GetEventIndex("OnSee", Params({t.m_pUnit.Get()}).Get()), 1);
    EXPECT_EQ(t.m_pUnit->GetEventIndex("OnSee", Params({t.m_pTank.Get()}).Get()), -1);
    EXPECT_EQ(t.m_pTank->GetEventIndex("OnFire", nullptr), 2);
    // Own events are searched first; the index still counts the ancestors'.
    EXPECT_EQ(t.m_pTank->GetEventIndex("OnHit", Params({t.m_pInt.Get()}).Get()), 3);
    EXPECT_EQ(t.m_pTank->GetEventIndex("OnHit", Params({}).Get()), 0);
    EXPECT_EQ(t.m_pTank->GetEventIndex("onhit", Params({}).Get()), -1);
}

// Built-in numbers and global marks are checked on every record, against its
// table row, by the built-in library tests.
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

// Script constants are added to a shared class record; a script with many
// of them must not pay a scan of the list per declaration.
TEST(ClassTest, ManyConstantsStayLinear) {
    CRefPtr<CType> unit = MakeRef<CType>(CStr("unit"), CType::eClass);
    const int n = 50000;
    for (int i = 0; i < n; ++i) ASSERT_EQ(unit->AddConstant("C" + std::to_string(i), 0), 1);
    for (int i = 0; i < n; ++i) unit->SetConstant("C" + std::to_string(i), i);
    int32_t v = 0;
    EXPECT_EQ(unit->FindConstant("C12345", v), 1);
    EXPECT_EQ(v, 12345);
    EXPECT_EQ(unit->AddConstant("C49999", 0), 0);
}

}  // namespace
