// Name lookup, call resolution, handler binding and declaration checks on a
// small hand-built class model and tree:
//   root class: commands $Destructor, $Serialize; function Distance(int, int)
//   $CommandObject: constant ATTACK = 3; command Attack(unit)
//   unit: events OnHit(), OnSee(unit); functions GetLocationX() (dot-callable),
//         CallStopMoving(), Go(unit), Go(string), Go(int), Idle(), Patrol(int)
//   tree: root > class unit > class block {$State $Loop x a} > function Foo(int a) > body
#include <gtest/gtest.h>

#include "../semantic/MemberBuilders.h"

#include "parser/Resolve.h"

namespace {

struct CModel {
    CRefPtr<CType> m_pInt = MakeRef<CType>(CType::eInt);
    CRefPtr<CType> m_pString = MakeRef<CType>(CType::eString);
    CRefPtr<CType> m_pVoid = MakeRef<CType>(CType::eVoid);
    CRefPtr<CType> m_pRoot = MakeRef<CType>(CType::eClass);
    CRefPtr<CType> m_pCommandObject = MakeRef<CType>(CStr("$CommandObject"), CType::eClass);
    CRefPtr<CType> m_pUnit = MakeRef<CType>(CStr("unit"), CType::eClass);

    CRefPtr<CNode> m_pTreeRoot = MakeRef<CNode>(CToken::eRoot);
    CRefPtr<CClassNode> m_pClass;
    CRefPtr<CBlockNode> m_pClassBlock = MakeRef<CBlockNode>();
    CRefPtr<CFunctionNode> m_pFoo = MakeRef<CFunctionNode>("Foo");
    CRefPtr<CBlockNode> m_pBody = MakeRef<CBlockNode>();
    CRefPtr<CNode> m_pCursor = MakeRef<CNode>(CToken::eHardStop);
    CStatesTable m_States;

    CModel() {
        m_pCommandObject->SetParent(m_pRoot.Get());
        m_pUnit->SetParent(m_pCommandObject.Get());
        Command(m_pRoot.Get(), "$Destructor", {});
        Command(m_pRoot.Get(), "$Serialize", {});
        Function(m_pRoot.Get(), "Distance", {m_pInt.Get(), m_pInt.Get()});
        m_pCommandObject->AddConstant("ATTACK", 3);
        Command(m_pCommandObject.Get(), "Attack", {m_pUnit.Get()});
        Event(m_pUnit.Get(), "OnHit", {});
        Event(m_pUnit.Get(), "OnSee", {m_pUnit.Get()});
        Function(m_pUnit.Get(), "GetLocationX", {})->m_bDotCallable = 1;
        Function(m_pUnit.Get(), "CallStopMoving", {});
        Function(m_pUnit.Get(), "Go", {m_pUnit.Get()});
        Function(m_pUnit.Get(), "Go", {m_pString.Get()});
        Function(m_pUnit.Get(), "Go", {m_pInt.Get()});
        Function(m_pUnit.Get(), "Idle", {});
        Function(m_pUnit.Get(), "Patrol", {m_pInt.Get()})->m_bDotCallable = 1;

        m_pClass = MakeRef<CClassNode>("unit", m_pUnit.Get());
        m_pTreeRoot->AddChild(m_pClass.Get());
        m_pClass->AddChild(m_pClassBlock.Get());
        CVariableList* members = m_pClassBlock->GetScope();
        members->Add("$State", m_pInt.Get(), CVariable::eMember);
        members->Add("$Loop", m_pInt.Get(), CVariable::eMember);
        members->Add("x", m_pInt.Get(), CVariable::eMember);
        members->Add("a", m_pUnit.Get(), CVariable::eMember);
        m_pClassBlock->AddChild(m_pFoo.Get());
        m_pFoo->GetParams()->Add("a", m_pInt.Get(), CVariable::eParam);
        m_pFoo->AddChild(m_pBody.Get());
        m_pBody->AddChild(m_pCursor.Get());
        m_pClass->AddFunction(m_pFoo.Get());
    }
    ~CModel() {
        for (CType* t : {m_pUnit.Get(), m_pCommandObject.Get(), m_pRoot.Get()}) BreakLinks(t);
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
    CResolved Name(const char* name, const CNode* at = nullptr) {
        return ResolveName(at ? at : m_pCursor.Get(), m_pUnit.Get(), m_States, name);
    }
    // A call node for `name` hung below the cursor with the given arguments.
    CRefPtr<CCallNode> Call(CFunction* candidate, const std::vector<CRefPtr<CNode>>& args,
                            CVariable* object = nullptr) {
        CRefPtr<CCallNode> call = MakeRef<CCallNode>(candidate, object, 0);
        m_pCursor->AddChild(call.Get());
        for (const CRefPtr<CNode>& a : args) call->AddChild(a.Get());
        return call;
    }
};

CVariable* VariableOf(const CResolved& r) {
    auto* v = dynamic_cast<CVariableNode*>(r.m_pNode.Get());
    return v ? v->m_pVariable.Get() : nullptr;
}
int32_t ValueOf(const CResolved& r) {
    auto* c = dynamic_cast<CConstNode*>(r.m_pNode.Get());
    return c ? c->m_pValue->m_nValue : -999;
}
CRefPtr<CNode> Number() { return MakeRef<CConstNode>(CConstValue::MakeInt(1).Get()); }
CRefPtr<CNode> Text() { return MakeRef<CConstNode>(CConstValue::MakeText("t").Get()); }
CRefPtr<CNode> Null() { return MakeRef<CConstNode>(CConstValue::MakeNull().Get()); }

TEST(ResolveTest, InnerScopesHideOuterOnesAndParametersComeBeforeClassVariables) {
    CModel m;
    CVariableList* members = m.m_pClassBlock->GetScope();
    EXPECT_EQ(VariableOf(m.Name("a")), m.m_pFoo->GetParams()->Find("a"));
    EXPECT_EQ(VariableOf(m.Name("x")), members->Find("x"));
    CVariable* local = m.m_pBody->GetScope()->Add("a", m.m_pString.Get(), CVariable::eLocal);
    CResolved r = m.Name("a");
    EXPECT_EQ(r.m_nError, 0);
    EXPECT_EQ(VariableOf(r), local);
    EXPECT_EQ(r.m_pNode->GetType(), m.m_pString.Get());

    // Outside the function its parameters are invisible.
    CRefPtr<CNode> state = MakeRef<CStateNode>(0);
    m.m_pClassBlock->AddChild(state.Get());
    CRefPtr<CBlockNode> stateBody = MakeRef<CBlockNode>();
    state->AddChild(stateBody.Get());
    CRefPtr<CNode> there = MakeRef<CNode>(CToken::eHardStop);
    stateBody->AddChild(there.Get());
    EXPECT_EQ(VariableOf(m.Name("a", there.Get())), members->Find("a"));

    bool noBlock = false;
    EXPECT_EQ(FindVariableInScopes(m.m_pClass.Get(), "x", noBlock), nullptr);
    EXPECT_TRUE(noBlock);
    EXPECT_EQ(m.Name("x", m.m_pClass.Get()).m_nError, eErrInternal);
}

TEST(ResolveTest, ConstantsFunctionsAndStatesFollowInTheirOrder) {
    CModel m;
    CResolved c = m.Name("ATTACK");
    EXPECT_EQ(c.m_nError, 0);
    EXPECT_EQ(ValueOf(c), 3);
    EXPECT_TRUE(c.m_pNode->GetType()->IsKind(CType::eInt));

    // Script functions ignore letter case; built-in ones do not.
    CResolved own = m.Name("fOO");
    auto* call = dynamic_cast<CCallNode*>(own.m_pNode.Get());
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->m_bOwn, 1);
    EXPECT_EQ(call->m_pFunction.Get(), m.m_pFoo->GetFunction());
    EXPECT_EQ(m.Name("getlocationx").m_nError, eErrUnknownName);
    CResolved builtin = m.Name("GetLocationX");
    call = dynamic_cast<CCallNode*>(builtin.m_pNode.Get());
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->m_bOwn, 0);
    EXPECT_EQ(call->m_pFunction.Get(), m.m_pUnit->FindFunctionByName("GetLocationX"));
    EXPECT_NE(dynamic_cast<CCallNode*>(m.Name("Distance").m_pNode.Get()), nullptr);

    // A state that shares its name with a built-in function is the function.
    m.m_States.FindOrAdd("Idle");
    m.m_States.FindOrAdd("Walk");
    EXPECT_NE(dynamic_cast<CCallNode*>(m.Name("Idle").m_pNode.Get()), nullptr);
    EXPECT_EQ(ValueOf(m.Name("Walk")), 1);
    EXPECT_EQ(m.Name("walk").m_nError, eErrUnknownName);
    EXPECT_EQ(m.Name("walk").m_pNode.Get(), nullptr);
}

// dot(object) below the cursor, as the expression grammar leaves it.
CRefPtr<CNode> Dot(CModel& m, CVariable* object) {
    CRefPtr<CNode> dot = MakeRef<CNode>(CToken::eDot);
    m.m_pCursor->AddChild(dot.Get());
    dot->AddChild(MakeRef<CVariableNode>(object).Get());
    return dot;
}

TEST(ResolveTest, MembersAfterADotComeFromTheObjectsClass) {
    CModel m;
    CVariable* a = m.m_pClassBlock->GetScope()->Find("a");
    CVariable* x = m.m_pClassBlock->GetScope()->Find("x");
    EXPECT_EQ(ResolveMember(Dot(m, x).Get(), "GetLocationX").m_nError, eErrObjectBeforeDot);
    CRefPtr<CNode> constDot = MakeRef<CNode>(CToken::eDot);
    constDot->AddChild(Number().Get());
    EXPECT_EQ(ResolveMember(constDot.Get(), "GetLocationX").m_nError, eErrObjectBeforeDot);
    EXPECT_EQ(ResolveMember(Dot(m, a).Get(), "Missing").m_nError, eErrUnknownMember);
    // Script functions and constants are not members.
    EXPECT_EQ(ResolveMember(Dot(m, a).Get(), "Foo").m_nError, eErrUnknownMember);
    EXPECT_EQ(ResolveMember(Dot(m, a).Get(), "ATTACK").m_nError, eErrUnknownMember);

    while (m.m_pCursor->GetChildCount()) m.m_pCursor->DropLastChild();
    CRefPtr<CNode> dot = Dot(m, a);
    CResolved r = ResolveMember(dot.Get(), "GetLocationX");
    EXPECT_EQ(r.m_nError, 0);
    auto* call = dynamic_cast<CCallNode*>(r.m_pNode.Get());
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->m_pObject.Get(), a);
    EXPECT_EQ(m.m_pCursor->GetChild(0), call);
    EXPECT_EQ(call->GetParent(), m.m_pCursor.Get());
    EXPECT_EQ(call->GetChildCount(), 0u);
    EXPECT_EQ(dot->GetParent(), nullptr);

    CRefPtr<CNode> dot2 = Dot(m, a);
    CResolved illegal = ResolveMember(dot2.Get(), "CallStopMoving");
    EXPECT_EQ(illegal.m_nError, eErrNotDotCallable);
    ASSERT_NE(illegal.m_pNode.Get(), nullptr);
    EXPECT_EQ(m.m_pCursor->GetChild(1), illegal.m_pNode.Get());
}

TEST(ResolveTest, CallsTakeTheFirstMatchingOverloadBuiltinsBeforeScriptFunctions) {
    CModel m;
    CFunction* go = m.m_pUnit->FindFunctionByName("Go");
    CRefPtr<CCallNode> byNull = m.Call(go, {Null()});
    EXPECT_EQ(ResolveCall(byNull.Get(), m.m_pUnit.Get()), 0);
    EXPECT_EQ(byNull->m_pFunction.Get(), go);  // Go(unit): first of that count
    CRefPtr<CCallNode> byText = m.Call(go, {Text()});
    EXPECT_EQ(ResolveCall(byText.Get(), m.m_pUnit.Get()), 0);
    ASSERT_EQ(byText->m_pFunction->GetParamCount(), 1u);
    EXPECT_TRUE(byText->m_pFunction->GetParam(0)->IsKind(CType::eString));
    CRefPtr<CCallNode> tooMany = m.Call(go, {Number(), Number()});
    EXPECT_EQ(ResolveCall(tooMany.Get(), m.m_pUnit.Get()), eErrNoSuitableFunction);
    EXPECT_EQ(tooMany->m_pFunction.Get(), go);
    CRefPtr<CCallNode> parent = m.Call(m.m_pRoot->FindFunctionByName("Distance"), {Number(), Number()});
    EXPECT_EQ(ResolveCall(parent.Get(), m.m_pUnit.Get()), 0);
    EXPECT_EQ(parent->m_pFunction.Get(), m.m_pRoot->FindFunctionByName("Distance"));

    // A script function with a built-in's signature loses to the built-in.
    CRefPtr<CFunctionNode> patrol = MakeRef<CFunctionNode>("Patrol");
    m.m_pClassBlock->AddChild(patrol.Get());
    patrol->GetParams()->Add("n", m.m_pInt.Get(), CVariable::eParam);
    EXPECT_EQ(AddScriptFunction(patrol.Get()), 0);
    CRefPtr<CCallNode> shadow = m.Call(patrol->GetFunction(), {Number()});
    EXPECT_EQ(ResolveCall(shadow.Get(), m.m_pUnit.Get()), 0);
    EXPECT_EQ(shadow->m_pFunction.Get(), m.m_pUnit->FindFunctionByName("Patrol"));

    // Otherwise the script's own function is found.
    CRefPtr<CCallNode> own = m.Call(m.m_pFoo->GetFunction(), {Number()});
    EXPECT_EQ(ResolveCall(own.Get(), m.m_pUnit.Get()), 0);
    EXPECT_EQ(own->m_pFunction.Get(), m.m_pFoo->GetFunction());
    CRefPtr<CCallNode> wrong = m.Call(m.m_pFoo->GetFunction(), {Text()});
    EXPECT_EQ(ResolveCall(wrong.Get(), m.m_pUnit.Get()), eErrNoSuitableFunction);
}

TEST(ResolveTest, CallArgumentsMustHaveTypesAndDottedCallsStayOnTheirObject) {
    CModel m;
    CFunction* go = m.m_pUnit->FindFunctionByName("Go");
    CRefPtr<CNode> condition = MakeRef<CNode>(CToken::eLT);
    condition->AddChild(Number().Get());
    condition->AddChild(Number().Get());
    CRefPtr<CCallNode> cond = m.Call(go, {condition});
    EXPECT_EQ(ResolveCall(cond.Get(), m.m_pUnit.Get()), eErrNoSuitableFunction);
    CRefPtr<CNode> bad = MakeRef<CNode>(CToken::ePlus);
    bad->AddChild(Text().Get());
    bad->AddChild(Number().Get());
    CRefPtr<CCallNode> untyped = m.Call(go, {bad});
    EXPECT_EQ(ResolveCall(untyped.Get(), m.m_pUnit.Get()), eErrInvalidType);

    // The script has Patrol(string); u.Patrol("x") must not call it on this object.
    CRefPtr<CFunctionNode> patrol = MakeRef<CFunctionNode>("Patrol");
    m.m_pClassBlock->AddChild(patrol.Get());
    patrol->GetParams()->Add("s", m.m_pString.Get(), CVariable::eParam);
    ASSERT_EQ(AddScriptFunction(patrol.Get()), 0);
    CVariable* a = m.m_pClassBlock->GetScope()->Find("a");
    CRefPtr<CCallNode> dotted = m.Call(m.m_pUnit->FindFunctionByName("Patrol"), {Text()}, a);
    EXPECT_EQ(ResolveCall(dotted.Get(), m.m_pUnit.Get()), eErrNoSuitableFunction);
    CRefPtr<CCallNode> plain = m.Call(m.m_pUnit->FindFunctionByName("Patrol"), {Text()});
    EXPECT_EQ(ResolveCall(plain.Get(), m.m_pUnit.Get()), 0);
    EXPECT_EQ(plain->m_pFunction.Get(), patrol->GetFunction());

    // Argument lists longer than the usual handful match and fail alike.
    CRefPtr<CFunctionNode> wide = MakeRef<CFunctionNode>("Wide");
    m.m_pClassBlock->AddChild(wide.Get());
    std::vector<CRefPtr<CNode>> args;
    for (int i = 0; i < 11; ++i) {
        wide->GetParams()->Add("p" + std::to_string(i), i == 10 ? m.m_pString.Get() : m.m_pInt.Get(),
                               CVariable::eParam);
        args.push_back(i == 10 ? Text() : Number());
    }
    ASSERT_EQ(AddScriptFunction(wide.Get()), 0);
    CRefPtr<CCallNode> fits = m.Call(wide->GetFunction(), args);
    EXPECT_EQ(ResolveCall(fits.Get(), m.m_pUnit.Get()), 0);
    EXPECT_EQ(fits->m_pFunction.Get(), wide->GetFunction());
    args[10] = Number();
    CRefPtr<CCallNode> lastWrong = m.Call(wide->GetFunction(), args);
    EXPECT_EQ(ResolveCall(lastWrong.Get(), m.m_pUnit.Get()), eErrNoSuitableFunction);
    args[9] = bad;
    CRefPtr<CCallNode> lateUntyped = m.Call(wide->GetFunction(), args);
    EXPECT_EQ(ResolveCall(lateUntyped.Get(), m.m_pUnit.Get()), eErrInvalidType);

    // Outside a class tree nothing but the base class can be searched.
    CRefPtr<CCallNode> loose = MakeRef<CCallNode>(go, nullptr, 0);
    loose->AddChild(Number().Get());
    loose->AddChild(Number().Get());
    EXPECT_EQ(ResolveCall(loose.Get(), m.m_pUnit.Get()), eErrInternal);
}

// Handlers already defined, unknown handlers, duplicate declarations and enums
// outside the class block are command-line cases under declarations; here the
// indexes and what the command line cannot reach.
TEST(ResolveTest, HandlersBindToFlattenedIndexesMatchingTheirParameters) {
    CModel m;
    ASSERT_EQ(m.m_pClass->m_EventHandlers.GetSize(), 2u);
    ASSERT_EQ(m.m_pClass->m_CommandHandlers.GetSize(), 3u);
    CRefPtr<CEventNode> see = MakeRef<CEventNode>("OnSee");
    m.m_pClassBlock->AddChild(see.Get());
    see->GetParams()->Add("who", m.m_pUnit.Get(), CVariable::eParam);
    EXPECT_EQ(BindEventHandler(see.Get(), m.m_pUnit.Get()), 0);
    EXPECT_EQ(see->m_nEventIndex, 1);
    EXPECT_EQ(m.m_pClass->m_EventHandlers[1].Get(), see.Get());
    CRefPtr<CCommandNode> attack = MakeRef<CCommandNode>("Attack");
    m.m_pClassBlock->AddChild(attack.Get());
    attack->GetParams()->Add("target", m.m_pUnit.Get(), CVariable::eParam);
    EXPECT_EQ(BindCommandHandler(attack.Get(), m.m_pUnit.Get()), 0);
    EXPECT_EQ(attack->m_nCommandIndex, 2);
    EXPECT_EQ(m.m_pClass->m_CommandHandlers[2].Get(), attack.Get());
    CRefPtr<CCommandNode> destructor = MakeRef<CCommandNode>("$Destructor");
    EXPECT_EQ(BindCommandHandler(destructor.Get(), m.m_pUnit.Get()), eErrInternal);  // no class node
}

TEST(ResolveTest, DeclarationsGoToTheirOwnScope) {
    CModel m;
    EXPECT_EQ(DeclareVariable(m.m_pClassBlock.Get(), "y", m.m_pInt.Get()), 0);
    EXPECT_EQ(m.m_pClassBlock->GetScope()->Find("y")->m_nKind, uint32_t(CVariable::eMember));
    // An inner block may reuse an outer name.
    EXPECT_EQ(DeclareVariable(m.m_pBody.Get(), "y", m.m_pString.Get()), 0);
    EXPECT_EQ(m.m_pBody->GetScope()->Find("y")->m_nKind, uint32_t(CVariable::eLocal));
    EXPECT_EQ(DeclareParameter(m.m_pFoo.Get(), "b", m.m_pInt.Get()), 0);
    EXPECT_EQ(m.m_pFoo->GetParams()->Find("b")->m_nKind, uint32_t(CVariable::eParam));
    EXPECT_EQ(DeclareParameter(m.m_pBody.Get(), "c", m.m_pInt.Get()), eErrInternal);
    CRefPtr<CType> mode;
    EXPECT_EQ(DeclareEnum(m.m_pClassBlock.Get(), "mode", mode), 0);
    ASSERT_NE(mode.Get(), nullptr);
    EXPECT_TRUE(mode->IsKind(CType::eInt));
    EXPECT_EQ(m.m_pClassBlock->GetScope()->Find("mode")->GetType(), mode.Get());
    // A script constant may hide a parent's constant.
    EXPECT_EQ(DeclareConstant(m.m_pClassBlock.Get(), m.m_pUnit.Get(), "ATTACK"), 0);
    SetConstantValue(m.m_pClassBlock.Get(), 9);
    EXPECT_EQ(ValueOf(m.Name("ATTACK")), 9);
    EXPECT_EQ(FindStateVariable(m.m_pCursor.Get()), m.m_pClassBlock->GetScope()->Find("$State"));
}

TEST(ResolveTest, ScriptFunctionsAreKeptBySignature) {
    CModel m;
    auto declare = [&](const char* name, CType* param) {
        CRefPtr<CFunctionNode> f = MakeRef<CFunctionNode>(name);
        m.m_pClassBlock->AddChild(f.Get());
        if (param) f->GetParams()->Add("p", param, CVariable::eParam);
        return std::make_pair(AddScriptFunction(f.Get()), f);
    };
    EXPECT_EQ(declare("Foo", m.m_pInt.Get()).first, eErrFunctionDefined);
    auto [err, fooText] = declare("Foo", m.m_pString.Get());
    EXPECT_EQ(err, 0);
    EXPECT_EQ(declare("Foo", nullptr).first, 0);
    EXPECT_EQ(declare("FOO", m.m_pInt.Get()).first, 0);  // names in signatures are exact
    EXPECT_EQ(m.m_pClass->m_Functions.GetSize(), 4u);
    EXPECT_EQ(m.m_pClass->FindFunctionByName("foo"), m.m_pFoo.Get());
    CRefPtr<CFunction> sig = MakeRef<CFunction>("Foo", m.m_pVoid.Get());
    sig->AddParam(m.m_pString.Get());
    EXPECT_EQ(m.m_pClass->FindFunction(*sig), fooText.Get());
    CRefPtr<CFunctionNode> orphan = MakeRef<CFunctionNode>("Orphan");
    EXPECT_EQ(AddScriptFunction(orphan.Get()), eErrInternal);
}

// Resolving many script functions by name in other letter case is timed on a
// parse of 20,000 of them in the engine tests.

}  // namespace
