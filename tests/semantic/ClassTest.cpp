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
            BreakLinks(t);
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
