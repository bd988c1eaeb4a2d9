// Expression typing: every rule, the kinds without one, and deep trees.
#include <gtest/gtest.h>

#include "parser/TypeOf.h"

#include <vector>

namespace {

CRefPtr<CType> Int() { return MakeRef<CType>(CType::eInt); }
CRefPtr<CType> Str() { return MakeRef<CType>(CType::eString); }

struct CTypes {
    CRefPtr<CType> m_pRoot = MakeRef<CType>(CType::eClass);
    CRefPtr<CType> m_pUnit = MakeRef<CType>(CStr("unit"), CType::eClass);
    CRefPtr<CType> m_pTank = MakeRef<CType>(CStr("tank"), CType::eClass);
    CRefPtr<CType> m_pArray = CType::MakeArray(Int().Get());
    CTypes() {
        m_pUnit->SetParent(m_pRoot.Get());
        m_pTank->SetParent(m_pUnit.Get());
        m_pArray->SetParent(m_pRoot.Get());
    }
};

// A name operand of the given type. Nodes only link to their variables, so
// the variables are kept here as a scope would keep them.
CRefPtr<CNode> Var(CType* t) {
    static std::vector<CRefPtr<CVariable>> s_Scope;
    s_Scope.push_back(MakeRef<CVariable>(CVariable::eLocal, t, "v"));
    return MakeRef<CVariableNode>(s_Scope.back().Get());
}
CRefPtr<CNode> Const(CRefPtr<CConstValue> v) { return MakeRef<CConstNode>(v.Get()); }
CRefPtr<CNode> Num() { return Const(CConstValue::MakeInt(1)); }
CRefPtr<CNode> Null() { return Const(CConstValue::MakeNull()); }
CRefPtr<CNode> Text() { return Const(CConstValue::MakeText("x")); }

CRefPtr<CNode> Op(int32_t kind, CRefPtr<CNode> a, CRefPtr<CNode> b = {}) {
    CRefPtr<CNode> n = MakeRef<CNode>(kind);
    if (a) n->AddChild(a.Get(), 0);
    if (b) n->AddChild(b.Get(), 1);
    return n;
}

uint32_t KindOf(CRefPtr<CNode> n) {
    CType* t = TypeOf(n.Get());
    return t ? t->m_nKind : 99;
}
constexpr uint32_t kNone = 99;

TEST(TypeOfTest, ArithmeticAndBitOperatorsNeedTwoIntsAndGiveTheLeftType) {
    for (int32_t k : {CToken::ePlus, CToken::eMinus, CToken::eMultiply, CToken::eDivide,
                      CToken::eModulus, CToken::eBitAnd, CToken::eBitXor, CToken::eBitOr}) {
        CRefPtr<CNode> left = Var(Int().Get());
        CRefPtr<CNode> n = Op(k, left, Num());
        EXPECT_EQ(TypeOf(n.Get()), left->GetType()) << k;
        EXPECT_EQ(KindOf(Op(k, Text(), Text())), kNone) << k;
        EXPECT_EQ(KindOf(Op(k, Num())), kNone) << k;
    }
    EXPECT_EQ(KindOf(Op(CToken::ePlus, Op(CToken::eLT, Num(), Num()), Num())), kNone);
    // Shifts and compound assignments have no rule.
    EXPECT_EQ(KindOf(Op(CToken::eShiftLeft, Num(), Num())), kNone);
    EXPECT_EQ(KindOf(Op(CToken::eAssignPlus, Var(Int().Get()), Num())), kNone);
}

TEST(TypeOfTest, UnaryOperatorsTurnAnyTypedOperandIntoAFreshInt) {
    CTypes t;
    for (int32_t k : {CToken::eLogicalNot, CToken::eBitNot, CToken::ePlusUnary, CToken::eMinusUnary}) {
        CRefPtr<CNode> operand = Op(CToken::eLT, Num(), Num());
        CRefPtr<CNode> n = Op(k, operand);
        EXPECT_EQ(KindOf(n), uint32_t(CType::eInt)) << k;
        EXPECT_EQ(KindOf(Op(k, Var(t.m_pUnit.Get()))), uint32_t(CType::eInt)) << k;
        EXPECT_EQ(KindOf(Op(k, Op(CToken::ePlus, Text(), Num()))), kNone) << k;
    }
    EXPECT_EQ(KindOf(Op(CToken::eMinusUnary, {})), kNone);
}

TEST(TypeOfTest, IncrementNeedsAnIntNameOrElement) {
    CTypes t;
    CRefPtr<CNode> v = Var(Int().Get());
    EXPECT_EQ(TypeOf(Op(CToken::ePlusPlus, v).Get()), v->GetType());
    EXPECT_EQ(KindOf(Op(CToken::eMinusMinus, Num())), kNone);
    EXPECT_EQ(KindOf(Op(CToken::eMinusMinus, Var(t.m_pUnit.Get()))), kNone);
    EXPECT_EQ(KindOf(Op(CToken::ePlusPlus, Op(CToken::eBrackets, Var(t.m_pArray.Get()), Num()))),
              uint32_t(CType::eInt));
    EXPECT_EQ(KindOf(Op(CToken::ePlusPlusSufix, Var(Int().Get()))), kNone);
}

TEST(TypeOfTest, IndexingNeedsTheArrayTypeAndAnIntIndex) {
    CTypes t;
    CRefPtr<CNode> n = Op(CToken::eBrackets, Var(t.m_pArray.Get()), Num());
    EXPECT_EQ(TypeOf(n.Get()), t.m_pArray->GetElement());
    EXPECT_EQ(KindOf(Op(CToken::eBrackets, Var(Int().Get()), Num())), kNone);
    EXPECT_EQ(KindOf(Op(CToken::eBrackets, Var(t.m_pArray.Get()), Text())), kNone);
}

TEST(TypeOfTest, ComparisonsAndLogicGiveConditions) {
    CTypes t;
    for (int32_t k : {CToken::eLT, CToken::eLE, CToken::eGT, CToken::eGE, CToken::eEQ, CToken::eNE}) {
        EXPECT_EQ(KindOf(Op(k, Num(), Var(Int().Get()))), uint32_t(CType::eCondition)) << k;
        EXPECT_EQ(KindOf(Op(k, Null(), Null())), uint32_t(CType::eCondition)) << k;
        EXPECT_EQ(KindOf(Op(k, Text(), Text())), kNone) << k;
    }
    EXPECT_EQ(KindOf(Op(CToken::eLT, Var(t.m_pUnit.Get()), Var(t.m_pUnit.Get()))), kNone);
    for (int32_t k : {CToken::eEQ, CToken::eNE}) {
        EXPECT_EQ(KindOf(Op(k, Var(t.m_pUnit.Get()), Var(t.m_pUnit.Get()))), uint32_t(CType::eCondition));
        EXPECT_EQ(KindOf(Op(k, Var(t.m_pUnit.Get()), Null())), uint32_t(CType::eCondition));
        EXPECT_EQ(KindOf(Op(k, Null(), Var(t.m_pTank.Get()))), uint32_t(CType::eCondition));
        EXPECT_EQ(KindOf(Op(k, Var(t.m_pUnit.Get()), Var(t.m_pTank.Get()))), kNone);
        EXPECT_EQ(KindOf(Op(k, Var(t.m_pUnit.Get()), Num())), kNone);
    }
    for (int32_t k : {CToken::eLogicalAnd, CToken::eLogicalOr}) {
        EXPECT_EQ(KindOf(Op(k, Op(CToken::eLT, Num(), Num()), Num())), uint32_t(CType::eCondition));
        EXPECT_EQ(KindOf(Op(k, Var(t.m_pUnit.Get()), Num())), kNone);
        EXPECT_EQ(KindOf(Op(k, Num(), Text())), kNone);
    }
}

TEST(TypeOfTest, AssignmentNeedsANameOrElementOnTheLeftAndCompatibleSides) {
    CTypes t;
    CRefPtr<CNode> i = Var(Int().Get());
    EXPECT_EQ(TypeOf(Op(CToken::eAssign, i, Num()).Get()), i->GetType());
    CRefPtr<CNode> u = Var(t.m_pUnit.Get());
    EXPECT_EQ(TypeOf(Op(CToken::eAssign, u, Var(t.m_pUnit.Get())).Get()), t.m_pUnit.Get());
    EXPECT_EQ(KindOf(Op(CToken::eAssign, Var(t.m_pUnit.Get()), Null())), uint32_t(CType::eClass));
    EXPECT_EQ(KindOf(Op(CToken::eAssign, Var(t.m_pUnit.Get()), Var(t.m_pTank.Get()))), kNone);
    EXPECT_EQ(KindOf(Op(CToken::eAssign, Var(Int().Get()), Op(CToken::eLT, Num(), Num()))), kNone);
    EXPECT_EQ(KindOf(Op(CToken::eAssign, Num(), Num())), kNone);
    EXPECT_EQ(KindOf(Op(CToken::eAssign, Var(Str().Get()), Text())), kNone);
    EXPECT_EQ(KindOf(Op(CToken::eAssign, Op(CToken::eBrackets, Var(t.m_pArray.Get()), Num()), Num())),
              uint32_t(CType::eInt));
}

TEST(TypeOfTest, CallsTakeTheResultOfTheBoundFunctionAndOtherKindsTheirOwnType) {
    CRefPtr<CType> s = Str();
    CRefPtr<CFunction> f = MakeRef<CFunction>("GetName", s.Get());
    CRefPtr<CNode> call = MakeRef<CCallNode>(f.Get(), nullptr, 0);
    EXPECT_EQ(TypeOf(call.Get()), s.Get());
    EXPECT_EQ(KindOf(MakeRef<CCallNode>(nullptr, nullptr, 0)), kNone);
    EXPECT_EQ(KindOf(Text()), uint32_t(CType::eString));
    EXPECT_EQ(KindOf(MakeRef<CNode>(CToken::eHardStop)), kNone);
    EXPECT_EQ(KindOf(MakeRef<CNode>(CToken::eParenthesesLeft)), kNone);
    EXPECT_EQ(TypeOf(nullptr), nullptr);
}

TEST(TypeOfTest, AMillionNestedOperatorsAreTypedWithoutRecursion) {
    CRefPtr<CNode> top = Num();
    for (int i = 0; i < 1000000; ++i) top = Op(i % 2 ? CToken::eMinusUnary : CToken::eBitNot, top);
    EXPECT_EQ(KindOf(top), uint32_t(CType::eInt));
    CRefPtr<CNode> chain = Num();
    for (int i = 0; i < 300000; ++i) chain = Op(CToken::ePlus, chain, Num());
    EXPECT_EQ(KindOf(chain), uint32_t(CType::eInt));
}

}  // namespace
