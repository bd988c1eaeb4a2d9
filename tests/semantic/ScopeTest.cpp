// Variable lists (declarations and temporaries) and the state table.
#include <gtest/gtest.h>

#include <vector>

#include "semantic/States.h"
#include "semantic/Variable.h"

namespace {

TEST(ScopeTest, AddRefusesADuplicateAndKeepsDeclarationOrder) {
    CRefPtr<CType> i = MakeRef<CType>(CType::eInt);
    CRefPtr<CType> s = MakeRef<CType>(CType::eString);
    CRefPtr<CVariableList> list = MakeRef<CVariableList>();
    CVariable* a = list->Add("a", i.Get(), CVariable::eLocal);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(list->Add("a", s.Get(), CVariable::eLocal), nullptr);
    CVariable* b = list->Add("A", s.Get(), CVariable::eParam);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(list->GetSize(), 2u);
    EXPECT_EQ(list->Get(0), a);
    EXPECT_EQ(list->Find("A"), b);
    EXPECT_EQ(list->Find("a")->GetType(), i.Get());
    EXPECT_EQ(b->m_nKind, uint32_t(CVariable::eParam));
    EXPECT_EQ(list->Find("c"), nullptr);
    EXPECT_EQ(list->GetTotalSize(), 8u);
}

TEST(ScopeTest, NamedGetVariableFindsOrAddsALocalOfAFreshType) {
    CRefPtr<CVariableList> list = MakeRef<CVariableList>();
    CRefPtr<CType> i = MakeRef<CType>(CType::eInt);
    CVariable* x = list->Add("x", i.Get(), CVariable::eMember);
    EXPECT_EQ(list->GetVariable("x", CType::eString), x);
    CVariable* y = list->GetVariable("y", CType::eString);
    EXPECT_EQ(y->m_nKind, uint32_t(CVariable::eLocal));
    EXPECT_TRUE(y->GetType()->IsKind(CType::eString));
    EXPECT_EQ(list->GetSize(), 2u);
}

TEST(ScopeTest, TemporariesAreReusedWhenFreeAndNeverTakeClassVariables) {
    CRefPtr<CType> i = MakeRef<CType>(CType::eInt);
    CRefPtr<CVariableList> list = MakeRef<CVariableList>();
    list->Add("$State", i.Get(), CVariable::eMember);
    list->Add("$Loop", i.Get(), CVariable::eMember);
    list->Add("n", i.Get(), CVariable::eMember);
    CVariable* t1 = list->GetVariable("", CType::eInt);
    EXPECT_EQ(t1->m_strName, "$3");
    EXPECT_EQ(t1->m_nKind, uint32_t(CVariable::eLocal));
    EXPECT_EQ(list->GetVariable("", CType::eInt), t1);  // still free
    t1->m_bInUse = 1;
    CVariable* t2 = list->GetVariable("", CType::eInt);
    EXPECT_EQ(t2->m_strName, "$4");
    t2->m_bInUse = 1;
    t1->m_bInUse = 0;
    EXPECT_EQ(list->GetVariable("", CType::eInt), t1);
    EXPECT_EQ(list->GetSize(), 5u);
}

TEST(ScopeTest, AcquiredTemporariesAreCountedAndTheLowestFreeIsReused) {
    CRefPtr<CType> i = MakeRef<CType>(CType::eInt);
    CRefPtr<CVariableList> list = MakeRef<CVariableList>();
    list->Add("a", i.Get(), CVariable::eLocal);
    CVariable* t1 = list->AcquireTemporary();
    CVariable* t2 = list->AcquireTemporary();
    CVariable* t3 = list->AcquireTemporary();
    EXPECT_EQ(t1->m_strName, "$1");
    EXPECT_EQ(t3->m_strName, "$3");
    EXPECT_EQ(t1->m_nKind, uint32_t(CVariable::eLocal));
    EXPECT_TRUE(t1->GetType()->IsKind(CType::eInt));
    list->ReleaseTemporary(t3);
    list->ReleaseTemporary(t1);
    EXPECT_EQ(list->AcquireTemporary(), t1);
    EXPECT_EQ(list->AcquireTemporary(), t3);
    EXPECT_EQ(list->AcquireTemporary()->m_strName, "$4");
    list->ReleaseTemporary(t2);
    list->ReleaseTemporary(t2);  // already free: no effect
    EXPECT_EQ(t2->m_bInUse, 0u);
    t2->m_bInUse = 1;  // counted by hand while listed as free: still listed once
    list->ReleaseTemporary(t2);
    EXPECT_EQ(list->AcquireTemporary(), t2);
    EXPECT_EQ(list->AcquireTemporary()->m_strName, "$5");
    EXPECT_EQ(list->GetTotalSize(), 24u);
}

// Short lists are scanned and longer ones indexed: every name must be found
// and every duplicate refused on both sides of the change, and a temporary
// made before the index must still be freed to the same place.
TEST(ScopeTest, ListsGrowingPastAScanFindEveryNameAndFreeEveryTemporary) {
    CRefPtr<CType> i = MakeRef<CType>(CType::eInt);
    CRefPtr<CVariableList> list = MakeRef<CVariableList>();
    CVariable* early = list->AcquireTemporary();
    for (int k = 1; k < 40; ++k) {
        ASSERT_NE(list->Add("v" + std::to_string(k), i.Get(), CVariable::eLocal), nullptr);
        for (int j = 1; j <= k; ++j) ASSERT_EQ(list->Find("v" + std::to_string(j)), list->Get(size_t(j))) << k;
        ASSERT_EQ(list->Add("v1", i.Get(), CVariable::eLocal), nullptr) << k;
        ASSERT_EQ(list->Add("v" + std::to_string(k), i.Get(), CVariable::eLocal), nullptr) << k;
        ASSERT_EQ(list->Find("w"), nullptr);
    }
    EXPECT_EQ(list->Find("$0"), early);
    list->ReleaseTemporary(early);
    EXPECT_EQ(list->AcquireTemporary(), early);
    CVariable* late = list->AcquireTemporary();
    EXPECT_EQ(late->m_strName, "$40");
    list->ReleaseTemporary(late);
    EXPECT_EQ(list->AcquireTemporary(), late);
    EXPECT_EQ(list->GetSize(), 41u);
}

TEST(ScopeTest, StatesAreNumberedByFirstMentionAndCheckedForDefinition) {
    CStatesTable states;
    EXPECT_EQ(states.Find("Idle"), -1);
    EXPECT_EQ(states.FindOrAdd("Idle"), 0);
    EXPECT_EQ(states.FindOrAdd("Walk"), 1);
    EXPECT_EQ(states.FindOrAdd("Idle"), 0);
    EXPECT_EQ(states.Find("idle"), -1);
    EXPECT_EQ(states.GetSize(), 2u);
    EXPECT_EQ(states.FirstUndefined(), 0);
    states[0].m_bDefined = 1;
    EXPECT_EQ(states.FirstUndefined(), 1);
    states[1].m_bDefined = 1;
    EXPECT_EQ(states.FirstUndefined(), -1);
    EXPECT_EQ(states[1].m_strName, "Walk");
}

// Scopes and the state table grow with the script; 50,000 entries must
// not cost a scan per entry.
TEST(ScopeTest, LargeScopesAndStateTablesStayLinear) {
    const int n = 50000;
    CRefPtr<CType> i = MakeRef<CType>(CType::eInt);
    CRefPtr<CVariableList> list = MakeRef<CVariableList>();
    CStatesTable states;
    for (int k = 0; k < n; ++k) {
        CStr name = "v" + std::to_string(k);
        ASSERT_NE(list->Add(name, i.Get(), CVariable::eLocal), nullptr);
        ASSERT_EQ(states.FindOrAdd(name), k);
    }
    EXPECT_EQ(list->Find("v49999"), list->Get(n - 1));
    EXPECT_EQ(states.Find("v77"), 77);
    std::vector<CVariable*> held;
    for (int k = 0; k < n; ++k) held.push_back(list->AcquireTemporary());
    EXPECT_EQ(list->GetSize(), size_t(2 * n));
    EXPECT_EQ(held.back()->m_strName, "$" + std::to_string(2 * n - 1));
}

}  // namespace
