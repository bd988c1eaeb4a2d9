// Compatibility of types and of function signatures.
#include <gtest/gtest.h>

#include "MemberBuilders.h"

#include "semantic/Function.h"
#include "semantic/Type.h"
#include "semantic/Variable.h"

namespace {

CRefPtr<CType> Basic(uint32_t kind) { return MakeRef<CType>(kind); }
CRefPtr<CType> Class(const char* name, CType* parent) {
    CRefPtr<CType> t = MakeRef<CType>(CStr(name), uint32_t(CType::eClass));
    t->SetParent(parent);
    return t;
}
CRefPtr<CType> Null() {
    CRefPtr<CType> t = Basic(CType::eInt);
    t->m_nFlags |= CType::eNullFlag;
    return t;
}

// IsSame over pairs in both orders: null fits everything, basic kinds compare
// by kind only (an enum's own int is an int), classes by identity.
TEST(TypeTest, CompatibilityOfPairs) {
    CRefPtr<CType> root = Basic(CType::eClass);
    CRefPtr<CType> unit = Class("unit", root.Get());
    CRefPtr<CType> tank = Class("tank", unit.Get());
    CRefPtr<CType> null = Null(), i = Basic(CType::eInt), s = Basic(CType::eString);
    CRefPtr<CType> i2 = Basic(CType::eInt), s2 = Basic(CType::eString);
    CRefPtr<CType> cond = Basic(CType::eCondition), e = Basic(CType::eInt);
    e->AddEnumItem("Off");
    const struct {
        CType *a, *b;
        int same;
    } pairs[] = {
        {null.Get(), unit.Get(), 1}, {null.Get(), i.Get(), 1},   {null.Get(), s.Get(), 1},
        {null.Get(), cond.Get(), 1}, {i.Get(), i2.Get(), 1},
        {s.Get(), s2.Get(), 1}, {i.Get(), cond.Get(), 0}, {i.Get(), s.Get(), 0},
        {e.Get(), i.Get(), 1},       {unit.Get(), tank.Get(), 0}, {tank.Get(), tank.Get(), 1},
        {unit.Get(), i.Get(), 0},
    };
    for (const auto& p : pairs) {
        EXPECT_EQ(CType::IsSame(p.a, p.b), p.same) << p.a->m_nKind << " " << p.b->m_nKind;
        EXPECT_EQ(CType::IsSame(p.b, p.a), p.same) << p.b->m_nKind << " " << p.a->m_nKind;
    }
    EXPECT_EQ(CType::IsSame(nullptr, i.Get()), 0);
    EXPECT_EQ(CType::IsNull(null.Get()), 1);
    EXPECT_EQ(CType::IsNull(i.Get()), 0);
    CRefPtr<CType> flaggedString = Basic(CType::eString);
    flaggedString->m_nFlags |= CType::eNullFlag;
    EXPECT_EQ(CType::IsNull(flaggedString.Get()), 0);
}

// Two sibling classes whose functions take each other as parameters: a
// structural comparison would recurse forever; names decide at once.
TEST(TypeTest, MutuallyReferringSiblingsAreIncompatibleWithoutRecursing) {
    CRefPtr<CType> root = Basic(CType::eClass);
    CRefPtr<CType> tank = Class("tank", root.Get());
    CRefPtr<CType> a = Class("aircraft", tank.Get());
    CRefPtr<CType> s = Class("saboteur", tank.Get());
    for (CType* owner : {a.Get(), s.Get()}) {
        CRefPtr<CFunction> f = MakeRef<CFunction>("$AddRef", Basic(CType::eVoid).Get());
        f->AddParam(owner == a.Get() ? s.Get() : a.Get());
        owner->AddFunction(f.Get());
    }
    EXPECT_EQ(CType::IsSame(a.Get(), s.Get()), 0);
    BreakLinks(a.Get());
    BreakLinks(s.Get());
}

TEST(TypeTest, ArrayTypesShareTheRootParent) {
    CRefPtr<CType> root = Basic(CType::eClass);
    CRefPtr<CType> i = Basic(CType::eInt);
    CRefPtr<CType> arr = CType::MakeArray(i.Get());
    arr->SetParent(root.Get());
    EXPECT_TRUE(arr->IsArray());
    EXPECT_EQ(arr->GetElement(), i.Get());
    EXPECT_EQ(arr->GetSize(), 4u);
    EXPECT_EQ(CType::IsSame(arr.Get(), arr.Get()), 1);
    CRefPtr<CType> orphan = CType::MakeArray(i.Get());
    EXPECT_EQ(CType::IsSame(arr.Get(), orphan.Get()), 0);
    EXPECT_EQ(CType::IsSame(arr.Get(), i.Get()), 0);
}

TEST(TypeTest, EnumItemsKeepOrderAndLastItemEdits) {
    CRefPtr<CType> e = Basic(CType::eInt);
    e->SetLastItemValue(5);  // no item yet: nothing happens
    e->AddEnumItem("Slow");
    e->AddEnumItem("Fast");
    e->SetLastItemValue(7);
    e->SetLastItemDescription("quick");
    ASSERT_EQ(e->m_EnumItems.GetSize(), 2u);
    EXPECT_EQ(e->m_EnumItems[0].m_nValue, -1);
    EXPECT_EQ(e->m_EnumItems[0].m_strDescription, "");
    EXPECT_EQ(e->m_EnumItems[1].m_strCaption, "Fast");
    EXPECT_EQ(e->m_EnumItems[1].m_nValue, 7);
    EXPECT_EQ(e->m_EnumItems[1].m_strDescription, "quick");
}

TEST(FunctionTest, SameAndMatchesCompareNamesCountsAndParameterTypes) {
    CRefPtr<CType> i = Basic(CType::eInt);
    CRefPtr<CType> s = Basic(CType::eString);
    CRefPtr<CFunction> f = MakeRef<CFunction>("Move", i.Get());
    f->AddParam(i.Get());
    f->AddParam(s.Get());
    CRefPtr<CFunction> g = MakeRef<CFunction>("Move", Basic(CType::eVoid).Get());
    g->AddParam(Null().Get());
    g->AddParam(s.Get());
    EXPECT_EQ(CFunction::IsSame(*f, *g), 1);  // results are not compared
    g->AddParam(i.Get());
    EXPECT_EQ(CFunction::IsSame(*f, *g), 0);
    CRefPtr<CFunction> h = MakeRef<CFunction>("move", i.Get());
    h->AddParam(i.Get());
    h->AddParam(s.Get());
    EXPECT_EQ(CFunction::IsSame(*f, *h), 0);

    CRefPtr<CVariableList> params = MakeRef<CVariableList>();
    EXPECT_EQ(CFunction::Matches(*f, "Move", params.Get()), 0);
    params->Add("a", i.Get(), CVariable::eParam);
    params->Add("b", s.Get(), CVariable::eParam);
    EXPECT_EQ(CFunction::Matches(*f, "Move", params.Get()), 1);
    EXPECT_EQ(CFunction::Matches(*f, "Moves", params.Get()), 0);
    CRefPtr<CFunction> none = MakeRef<CFunction>("OnHit", i.Get());
    EXPECT_EQ(CFunction::Matches(*none, "OnHit", nullptr), 1);
}

}  // namespace
