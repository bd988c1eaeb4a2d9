// Tree operations on small hand-built trees, and the release of deep trees.
#include <gtest/gtest.h>

#include "parser/Node.h"

namespace {

CRefPtr<CNode> Make(int32_t kind) { return MakeRef<CNode>(kind); }

// Appends a new node of `kind` below `parent` and returns it.
CNode* Add(CNode* parent, int32_t kind) {
    CRefPtr<CNode> n = Make(kind);
    parent->AddChild(n.Get());
    return n.Get();
}

TEST(NodeTest, AddChildFillsTheFirstEmptySlotOrGrows) {
    CRefPtr<CNode> p = Make(CToken::eRoot);
    CNode* a = Add(p.Get(), CToken::eText);
    CNode* b = Add(p.Get(), CToken::eText);
    // A node without children that is replaced by its first child leaves an
    // empty slot, as an empty argument does.
    CRefPtr<CNode> held(a);
    a->ReplaceByFirstChild();
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_EQ(p->GetChildCount(), 2u);
    EXPECT_EQ(p->GetChild(0), nullptr);

    CNode* c = Add(p.Get(), CToken::eNumber);
    EXPECT_EQ(p->GetChild(0), c);
    EXPECT_EQ(p->GetChild(1), b);
    EXPECT_EQ(p->GetChildCount(), 2u);
    EXPECT_EQ(c->GetParent(), p.Get());

    // An explicit index beyond the end grows with empty slots between.
    CRefPtr<CNode> d = Make(CToken::eNumber);
    p->AddChild(d.Get(), 4);
    EXPECT_EQ(p->GetChildCount(), 5u);
    EXPECT_EQ(p->GetChild(2), nullptr);
    EXPECT_EQ(p->GetChild(4), d.Get());
    EXPECT_EQ(p->GetChild(9), nullptr);
    // -1 still takes the first gap.
    CNode* e = Add(p.Get(), CToken::eNumber);
    EXPECT_EQ(p->GetChild(2), e);

    // Replacing a slot releases what it held and unlinks it.
    CRefPtr<CNode> f = Make(CToken::eNumber);
    EXPECT_EQ(d->GetRefCount(), 2u);
    p->AddChild(f.Get(), 4);
    EXPECT_EQ(d->GetRefCount(), 1u);
    EXPECT_EQ(d->GetParent(), nullptr);
    f->ReplaceByFirstChild();
    EXPECT_EQ(p->GetChild(4), nullptr);
    CNode* g = Add(p.Get(), CToken::eNumber);
    EXPECT_EQ(p->GetChild(3), g);
    EXPECT_EQ(p->GetChild(4), nullptr);

    // Slots left empty by dropping and regrowing are found again.
    p->DropLastChild();
    p->DropLastChild();
    p->DropLastChild();
    EXPECT_EQ(p->GetChildCount(), 2u);
    p->AddChild(Make(CToken::eText).Get(), 4);
    CNode* h = Add(p.Get(), CToken::eText);
    EXPECT_EQ(p->GetChild(2), h);
}

TEST(NodeTest, AppendingManyChildrenAndArgumentsStaysLinear) {
    CRefPtr<CNode> block = Make(CToken::eBlockInstruction);
    for (int i = 0; i < 200000; ++i) Add(block.Get(), CToken::eState);
    EXPECT_EQ(block->GetChildCount(), 200000u);
    // The argument step of a call: the open "(" is replaced by its argument
    // and attached again as the new last child, once per ",".
    CRefPtr<CNode> call = Make(CToken::eFunctionName);
    CRefPtr<CNode> open = Make(CToken::eParenthesesLeft);
    call->AddChild(open.Get());
    for (int i = 0; i < 200000; ++i) {
        Add(open.Get(), CToken::eNumber);
        open->ReplaceByFirstChild();
        call->AddChild(open.Get());
    }
    EXPECT_EQ(call->GetChildCount(), 200001u);
    EXPECT_EQ(call->GetChild(200000), open.Get());
    EXPECT_EQ(call->GetChild(199999)->GetKind(), CToken::eNumber);
}

// root > class > block > command > block > if > while > block > statement
TEST(NodeTest, FindAncestorStopsAtTheStopKindAndSkipsTheNodeItself) {
    CRefPtr<CNode> root = Make(CToken::eRoot);
    CNode* cls = Add(root.Get(), CToken::eClass);
    CNode* classBlock = Add(cls, CToken::eBlockInstruction);
    CNode* command = Add(classBlock, CToken::eCommand);
    CNode* body = Add(command, CToken::eBlockInstruction);
    CNode* ifNode = Add(body, CToken::eIf);
    CNode* whileNode = Add(ifNode, CToken::eWhile);
    CNode* loopBody = Add(whileNode, CToken::eBlockInstruction);
    CNode* stmt = Add(loopBody, CToken::eHardStop);
    CNode* bodyStmt = Add(body, CToken::eHardStop);

    EXPECT_EQ(classBlock->FindAncestor(CToken::eBlockInstruction, CToken::eClass), nullptr);
    EXPECT_EQ(loopBody->FindAncestor(CToken::eBlockInstruction, CToken::eClass), body);
    EXPECT_EQ(stmt->FindAncestor(CToken::eDo, CToken::eWhile, CToken::eFor, CToken::eCommand), whileNode);
    EXPECT_EQ(bodyStmt->FindAncestor(CToken::eDo, CToken::eWhile, CToken::eFor, CToken::eCommand), nullptr);
    EXPECT_EQ(whileNode->FindAncestor(CToken::eWhile, CToken::eClass), nullptr);
    EXPECT_EQ(stmt->FindAncestor(CToken::eClass, CToken::eRoot), cls);
    EXPECT_EQ(stmt->FindAncestor(CToken::eCommand, CToken::eClass), command);
    // The searched kind wins over the stop kind on the same node.
    EXPECT_EQ(classBlock->FindAncestor(CToken::eClass, CToken::eClass), cls);
    // Walking past the root gives null.
    EXPECT_EQ(stmt->FindAncestor(CToken::eState, CToken::eFunction), nullptr);
}

// Prints a tree as nested kind names for comparison.
std::string Shape(const CNode* n) {
    if (!n) return "_";
    std::string s = CToken::GetKindName(n->GetKind());
    s = s.substr(s.find("::e") + 3);
    if (!n->GetChildCount()) return s;
    s += "(";
    for (size_t i = 0; i < n->GetChildCount(); ++i) s += (i ? " " : "") + Shape(n->GetChild(i));
    return s + ")";
}

// Insertion by priority and associativity is read back from the trees of real
// expressions in the expression tests.
TEST(NodeTest, InsertAboveAndReplaceByFirstChildMoveSubtrees) {
    CRefPtr<CNode> p = Make(CToken::eHardStop);
    CNode* x = Add(p.Get(), CToken::eText);
    Add(p.Get(), CToken::eNumber);
    CRefPtr<CNode> n = Make(CToken::ePlus);
    x->InsertAbove(n.Get(), -1);
    EXPECT_EQ(Shape(p.Get()), "HardStop(Plus(Text) Number)");
    EXPECT_EQ(x->GetParent(), n.Get());
    EXPECT_EQ(n->GetParent(), p.Get());

    Add(n.Get(), CToken::eNumber);
    n->ReplaceByFirstChild();
    EXPECT_EQ(Shape(p.Get()), "HardStop(Text Number)");
    EXPECT_EQ(x->GetParent(), p.Get());
    EXPECT_EQ(n->GetParent(), nullptr);
    EXPECT_EQ(n->GetChildCount(), 0u);
    EXPECT_EQ(n->GetRefCount(), 1u);  // only the test holds it now
}

TEST(NodeTest, OperationsOnANodeItsParentNoLongerListsChangeNothing) {
    CRefPtr<CNode> p = Make(CToken::eHardStop);
    CRefPtr<CNode> x = Make(CToken::eParenthesesLeft);
    p->AddChild(x.Get());
    Add(x.Get(), CToken::eText);
    // x loses its slot but keeps its parent link.
    p->m_Children[0] = Make(CToken::eNumber);
    EXPECT_EQ(x->GetParent(), p.Get());
    x->ReplaceByFirstChild();
    EXPECT_EQ(Shape(p.Get()), "HardStop(Number)");
    EXPECT_EQ(Shape(x.Get()), "ParenthesesLeft(Text)");
    x->InsertAbove(Make(CToken::ePlus).Get(), -1);
    EXPECT_EQ(Shape(p.Get()), "HardStop(Number)");
}

TEST(NodeTest, DropLastChildReleasesTheSubtreeAndUnlinksSurvivors) {
    CRefPtr<CNode> p = Make(CToken::eBlockInstruction);
    CRefPtr<CNode> held = Make(CToken::eState);
    p->AddChild(held.Get());
    Add(held.Get(), CToken::eBlockInstruction);
    p->DropLastChild();
    EXPECT_EQ(p->GetChildCount(), 0u);
    EXPECT_EQ(held->GetParent(), nullptr);
    EXPECT_EQ(held->GetChild(0)->GetParent(), held.Get());
    p->DropLastChild();  // empty: nothing happens
    EXPECT_EQ(p->GetChildCount(), 0u);
}

TEST(NodeTest, ReleasingAMillionNestedNodesDoesNotRecurse) {
    CRefPtr<CNode> root = Make(CToken::eRoot);
    CNode* at = root.Get();
    CRefPtr<CNode> survivor;
    for (int i = 0; i < 1000000; ++i) {
        at = Add(at, i % 2 ? CToken::eMinusUnary : CToken::eBlockInstruction);
        if (i == 500000) survivor = at;
    }
    root = nullptr;
    // A node held elsewhere outlives the tree, without a dangling parent.
    EXPECT_EQ(survivor->GetParent(), nullptr);
    EXPECT_EQ(survivor->GetRefCount(), 1u);
    ASSERT_NE(survivor->GetChild(0), nullptr);
    survivor = nullptr;
}

// Command and event defaults are read back after parsing in the declarations tests.
TEST(NodeTest, DerivedNodesMakeTheirListsOnDemandAndConstantsTakeTheirValuesType) {
    CCommandNode cmd("Attack");
    EXPECT_EQ(cmd.m_pParams.Get(), nullptr);
    CVariableList* params = cmd.GetParams();
    EXPECT_EQ(cmd.GetParams(), params);
    CBlockNode block;
    EXPECT_EQ(block.PeekScope(), nullptr);
    EXPECT_NE(block.GetScope(), nullptr);
    EXPECT_EQ(block.PeekScope(), block.GetScope());

    CRefPtr<CConstValue> text = CConstValue::MakeText("Guard");
    CRefPtr<CConstNode> c = MakeRef<CConstNode>(text.Get());
    EXPECT_EQ(c->GetType(), text->m_pType.Get());
    EXPECT_TRUE(c->GetType()->IsKind(CType::eString));
    EXPECT_EQ(CType::IsNull(CConstValue::MakeNull()->m_pType.Get()), 1);
    EXPECT_EQ(CType::IsNull(CConstValue::MakeInt(0)->m_pType.Get()), 0);
}

TEST(NodeTest, FunctionRecordIsBuiltOnceFromTheNode) {
    CRefPtr<CType> i = MakeRef<CType>(CType::eInt);
    CRefPtr<CType> s = MakeRef<CType>(CType::eString);
    CFunctionNode fn("Patrol");
    fn.GetParams()->Add("a", i.Get(), CVariable::eParam);
    fn.GetParams()->Add("b", s.Get(), CVariable::eParam);
    CFunction* f = fn.GetFunction();
    EXPECT_EQ(fn.GetFunction(), f);
    EXPECT_EQ(f->m_strName, "Patrol");
    EXPECT_EQ(f->m_bScript, 1u);
    EXPECT_EQ(f->m_nBuiltinNumber, 0);
    ASSERT_EQ(f->GetParamCount(), 2u);
    EXPECT_EQ(f->GetParam(0), i.Get());
    EXPECT_EQ(f->GetParam(1), s.Get());
    EXPECT_TRUE(f->m_pResult->IsKind(CType::eInt));
    EXPECT_NE(f->m_pResult.Get(), i.Get());
}

}  // namespace

namespace {

// While an arena is set, body nodes and literal values go to it uncounted;
// routine heads stay counted whatever is set. Detaching the body leaves the
// head whole, and the reset lets the body's variables go.
TEST(NodeTest, ArenaNodesAreUncountedAndTheirScopesDieWithTheArena) {
    CArena arena;
    SetNodeArena(&arena);
    CRefPtr<CStateNode> head = MakeRef<CStateNode>(0);
    CRefPtr<CBlockNode> body = MakeRef<CBlockNode>();
    CRefPtr<CConstValue> value = CConstValue::MakeText(std::string(100, 'x'));
    for (int i = 0; i < 50; ++i) body->AddChild(MakeRef<CNode>(CToken::eHardStop).Get());
    CRefPtr<CVariable> local(body->GetScope()->Add("a", CType::GetShared(CType::eInt), CVariable::eLocal));
    SetNodeArena(nullptr);

    EXPECT_FALSE(head->IsInArena());
    EXPECT_EQ(head->GetRefCount(), 1u);
    EXPECT_TRUE(body->IsInArena());
    EXPECT_TRUE(body->IsImmortal());
    EXPECT_TRUE(body->GetChild(49)->IsImmortal());
    EXPECT_TRUE(value->IsImmortal());
    EXPECT_EQ(local->GetRefCount(), 2u);
    head->AddChild(body.Get());
    EXPECT_EQ(head->GetChild(0), body.Get());

    head->DetachChild(0);
    EXPECT_EQ(head->GetChild(0), nullptr);
    EXPECT_EQ(body->GetParent(), nullptr);
    EXPECT_EQ(head->GetChildCount(), 1u);
    body = nullptr;  // nothing may point into the arena past its reset
    value = nullptr;
    arena.Reset();
    EXPECT_EQ(local->GetRefCount(), 1u);
    EXPECT_EQ(head->GetRefCount(), 1u);
}

}  // namespace
