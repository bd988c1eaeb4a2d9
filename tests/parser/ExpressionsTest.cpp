// Expression shapes read back from the tree, statements' node structure, and
// name lookup order. Each source is a small unit script parsed as the driver
// does; trees are rendered as S-expressions so a wrong grouping shows at once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "builtins/BuiltinLibrary.h"
#include "parser/Compiler.h"

namespace {

std::string Short(int32_t kind) { return std::string(CToken::GetKindName(kind)).substr(9); }

std::string Sexp(const CNode* n) {
    if (!n) return "_";
    switch (n->GetKind()) {
    case CToken::eText: {
        auto* v = static_cast<const CVariableNode*>(n);
        return (v->m_pObject ? v->m_pObject->GetName() + "." : std::string()) + v->m_pVariable->GetName();
    }
    case CToken::eNumber: {
        auto* v = static_cast<const CConstNode*>(n)->m_pValue.Get();
        if (CType::IsNull(v->m_pType.Get())) return "null";
        if (v->m_pType->IsKind(CType::eString)) return "\"" + v->m_strText + "\"";
        return std::to_string(v->m_nValue);
    }
    case CToken::eFunctionName: {
        auto* call = static_cast<const CCallNode*>(n);
        std::string s = (call->m_pObject ? call->m_pObject->GetName() + "." : std::string()) +
                        call->m_pFunction->m_strName + "(";
        for (size_t i = 0; i < n->GetChildCount(); ++i) s += (i ? " " : "") + Sexp(n->GetChild(i));
        return s + ")";
    }
    default: {
        std::string s = "(" + Short(n->GetKind());
        for (size_t i = 0; i < n->GetChildCount(); ++i) s += " " + Sexp(n->GetChild(i));
        return s + ")";
    }
    }
}

class ExpressionsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GetBuiltinLibrary(); }

    // Parses a unit whose state S has `body`; returns the error code.
    int Parse(const std::string& members, const std::string& body) {
        static int files = 0;
        std::string path = ::testing::TempDir() + "expr_" + std::to_string(getpid()) + "_" + std::to_string(files++) + ".oc";
        std::ofstream(path, std::ios::binary)
            << "unit \"T\"\n{\n int a, b, c, x, y;\n int arr[];\n unit u;\n" << members
            << "\n state S\n {\n" << body << "\n }\n}\n";
        c.m_Scanner.Open(path);
        c.Begin();
        for (int step = 0; step < 100000 && !c.IsFinished(); ++step) {
            c.m_Scanner.NextToken();
            c.RunState();
        }
        return c.m_nError;
    }

    // The state's body block (the state is the last member).
    CNode* Body() {
        CNode* block = c.m_pRoot->GetChild(0)->GetChild(0);
        CNode* state = nullptr;
        for (size_t i = 0; i < block->GetChildCount(); ++i)
            if (block->GetChild(i)->GetKind() == CToken::eState) state = block->GetChild(i);
        return state->GetChild(0);
    }

    // The expression of statement i of the body, as an S-expression.
    std::string Expr(size_t i = 0) {
        CNode* stmt = Body()->GetChild(i);
        return stmt->GetKind() == CToken::eHardStop ? Sexp(stmt->GetChild(0)) : Sexp(stmt);
    }

    std::string Shape(const std::string& expression) {
        c = CCompiler();
        Parse(kFunctions, expression + ";");
        return Expr();
    }

    static constexpr const char* kFunctions =
        "function int f(int p, int q) { return p; }\n"
        "function int g(int p) { return p; }\n"
        "function int h() { return 1; }\n";

    CCompiler c;
};

// Each source is a statement of state S; its tree as an S-expression. The
// language's own priorities: "&" and "^" bind like "*", "|" like "+", all
// comparisons share one level; "[" holds priority 0 until its "]".
TEST_F(ExpressionsTest, ShapesOfExpressions) {
    const std::pair<const char*, const char*> cases[] = {
        {"a - b * c", "(Minus a (Multiply b c))"},
        {"-a * b", "(Multiply (MinusUnary a) b)"},
        {"a & b + c", "(Plus (BitAnd a b) c)"},
        {"a ^ b + c", "(Plus (BitXor a b) c)"},
        {"a | b - c", "(Minus (BitOr a b) c)"},
        {"a < b == c", "(EQ (LT a b) c)"},
        {"a && b || c < 1", "(LogicalOr (LogicalAnd a b) (LT c 1))"},
        {"x = a * b + c", "(Assign x (Plus (Multiply a b) c))"},
        {"x = y = 3", "(Assign x (Assign y 3))"},
        {"a - b - c", "(Minus (Minus a b) c)"},
        {"(a + b) * c", "(Multiply (Plus a b) c)"},
        {"a - (b - c)", "(Minus a (Minus b c))"},
        {"((a + b)) * (c + 1)", "(Multiply (Plus a b) (Plus c 1))"},
        {"++a", "(PlusPlus a)"},
        {"a + ++b", "(Plus a (PlusPlus b))"},
        {"a++", "(PlusPlusSufix a)"},
        {"a--", "(MinusMinusSufix a)"},
        {"a - -b", "(Minus a (MinusUnary b))"},
        {"!~+a", "(LogicalNot (BitNot (PlusUnary a)))"},
        {"f(a, b)", "f(a b)"},
        {"h()", "h()"},
        {"f(g(1), 2)", "f(g(1) 2)"},
        {"f(a + b, g(c * 2)) + 1", "(Plus f((Plus a b) g((Multiply c 2))) 1)"},
        {"GetLocationX()", "GetLocationX()"},
        {"u.GetLocationX()", "u.GetLocationX()"},
        {"arr[a]", "(Brackets arr a)"},
        {"arr[a + 1]", "(Brackets arr (Plus a 1))"},
        {"arr[a * 2]", "(Brackets arr (Multiply a 2))"},
        {"arr[arr[1]]", "(Brackets arr (Brackets arr 1))"},
        {"arr[0] = arr[1] + 2", "(Assign (Brackets arr 0) (Plus (Brackets arr 1) 2))"},
        {"x = state", "(Assign x $State)"},
        {"x = S", "(Assign x 0)"},
        {"u = null", "(Assign u null)"},
        {"true + false", "(Plus 1 0)"},
        {"Trace(\"hello\" \" world\")", "Trace(\"hello world\")"},
        {"Trace(7)", "Trace(7)"},
    };
    for (auto [source, shape] : cases) EXPECT_EQ(shape, Shape(source)) << source;
}

TEST_F(ExpressionsTest, ErrorsOfUnfinishedExpressions) {
    for (auto [body, code] : {std::pair{"x = a, b;", 7}, {"x = ();", 3}}) {
        c = CCompiler();
        EXPECT_EQ(code, Parse("", body)) << body;
    }
}

// A function name that "(" never follows would be called without the
// arguments its callee pops: error 21 at the token that ended the expression,
// before any other check of the finished expression. A call that was opened,
// with or without arguments, stays a call.
TEST_F(ExpressionsTest, AFunctionNameWithoutItsParenthesisIsExpectedParen) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"x = Rand;", 21, ";"},          {"Rand;", 21, ";"},
        {"if (Rand) x = 1;", 21, ")"},   {"Trace(Rand);", 21, ")"},
        {"x = Rand + 1;", 21, "+"},      {"x = u.GetLocationX;", 21, ";"},
        {"x = h;", 21, ";"},             {"x = f(a, g);", 21, ")"},
        {"x = Rand(6) + h();", 0, ""},   {"x = u.GetLocationX() + f(g(1), Rand(2));", 0, ""},
        {"Trace(GetLocationX());", 0, ""}, {"x = Rand();", 6, ")"},
    };
    for (auto [body, code, at] : cases) {
        c = CCompiler();
        EXPECT_EQ(code, Parse(kFunctions, body)) << body;
        if (code) {
            EXPECT_STREQ(at, c.m_Scanner.GetToken().m_szText) << body;
        }
    }
}

// Lookup order of locals, parameters and class variables is in the resolve
// tests; handler parameters arriving at run time in the end-to-end tests.
TEST_F(ExpressionsTest, FunctionsBeforeStatesAndScriptFunctionsInAnyCase) {
    // A state named like a built-in function resolves to the function; a
    // script function is found whatever the letter case.
    c = CCompiler();
    Parse("function int Twice(int v) { return v + v; }\n state GetHP;",
          "x = twice(2) + GetHP();\n return GetHP;");
    EXPECT_EQ(31, c.m_nError);  // GetHP is only declared: the parse ends with "Undefined state"
    EXPECT_EQ("(Assign x (Plus Twice(2) GetHP()))", Expr(0));
    EXPECT_EQ("(Return 0)", Expr(1));  // in a return, a name is always a state
}

TEST_F(ExpressionsTest, StatementShapes) {
    Parse("", "if (a) if (b) x = 1; else x = 2;\n"
              "for (;;) break;\n"
              "while (a) { continue; }\n"
              "do x = 1; while (a);\n"
              "return S, 500;");
    ASSERT_EQ(0, c.m_nError);
    CNode* body = Body();
    EXPECT_EQ("(If a (If b (Assign x 1) (Assign x 2)))",
              "(If " + Sexp(body->GetChild(0)->GetChild(0)->GetChild(0)) + " (If " +
                  Sexp(body->GetChild(0)->GetChild(1)->GetChild(0)->GetChild(0)) + " " +
                  Sexp(body->GetChild(0)->GetChild(1)->GetChild(1)->GetChild(0)) + " " +
                  Sexp(body->GetChild(0)->GetChild(1)->GetChild(2)->GetChild(0)) + "))");
    EXPECT_EQ(2u, body->GetChild(0)->GetChildCount());
    EXPECT_EQ("(For (Dummy) (Dummy) (Dummy) (Break))", Expr(1));
    EXPECT_EQ(CToken::eWhile, body->GetChild(2)->GetKind());
    EXPECT_EQ(CToken::eDo, body->GetChild(3)->GetKind());
    EXPECT_EQ("(Return 0 500)", Expr(4));
}

// Each else-if link is the else statement of the link before; a chain ends
// as a whole, leaving the cursor on the body. break and continue look for a
// loop around the chain, not one that ended before it.
TEST_F(ExpressionsTest, ElseIfChainsNestAndEndTogether) {
    ASSERT_EQ(0, Parse("", "if (a) x = 1; else if (b) x = 2; else if (c) { x = 3; } else x = 4;\n"
                           "if (a) if (b) x = 5; else if (c) x = 6;\n"
                           "y = 7;"));
    EXPECT_EQ("(If (HardStop a) (HardStop (Assign x 1)) (If (HardStop b) (HardStop (Assign x 2)) "
              "(If (HardStop c) (BlockInstruction (HardStop (Assign x 3))) (HardStop (Assign x 4)))))",
              Expr(0));
    EXPECT_EQ("(If (HardStop a) (If (HardStop b) (HardStop (Assign x 5)) (If (HardStop c) (HardStop (Assign x 6)))))",
              Expr(1));
    EXPECT_EQ("(Assign y 7)", Expr(2));
    EXPECT_EQ(3u, Body()->GetChildCount());

    struct {
        const char* body;
        int error;
    } cases[] = {
        {"while (a) if (b) break; else if (c) continue; else if (x) { break; }", 0},
        {"for (;;) { if (a) x = 1; else if (b) do break; while (a); else break; }", 0},
        {"while (a) x = 1; if (b) x = 2; else if (c) break;", 25},
        {"do { if (a) continue; } while (b); if (c) x = 1; else if (b) continue;", 26},
    };
    for (const auto& k : cases) {
        c = CCompiler();
        EXPECT_EQ(k.error, Parse("", k.body)) << k.body;
    }
}

// A name used again in a body is made from what it resolved to the first
// time: that must not outlive a declaration that hides it, nor the body.
TEST_F(ExpressionsTest, NamesResolveAgainAfterADeclarationAndInTheNextBody) {
    ASSERT_EQ(0, Parse("int k;\n"
                       "function int f(int p) { x = k; k = p; int x; x = k + 1; p = x; int k; k = 2; return k; }\n"
                       "function int g() { x = 3; k = x; return k; }\n"
                       "function int h() { x = h() + h(); return x; }",
                       "x = S + S; y = S;"));
    auto bodyOf = [&](const char* name) -> CNode* {
        CNode* block = c.m_pRoot->GetChild(0)->GetChild(0);
        for (size_t i = 0; i < block->GetChildCount(); ++i)
            if (auto* f = NodeAs<CFunctionNode>(block->GetChild(i)); f && f->m_strName == name) return f->GetChild(0);
        return nullptr;
    };
    // Each variable as m (member), p (parameter) or l (local), in tree order.
    auto kinds = [&](const char* name) {
        std::string out;
        std::vector<CNode*> work{bodyOf(name)};
        while (!work.empty()) {
            CNode* n = work.back();
            work.pop_back();
            if (auto* v = NodeAs<CVariableNode>(n))
                out += v->m_pVariable->GetName() + "mpl"[v->m_pVariable->m_nKind - CVariable::eMember] + " ";
            for (size_t i = n->GetChildCount(); i-- > 0;) work.push_back(n->GetChild(i));
        }
        return out;
    };
    EXPECT_EQ("xm km km pp xl km pp xl kl kl ", kinds("f"));
    EXPECT_EQ("xm km xm km ", kinds("g"));
    EXPECT_EQ("xm xm ", kinds("h"));
    EXPECT_EQ("(Assign x (Plus h() h()))", Sexp(bodyOf("h")->GetChild(0)->GetChild(0)));
    EXPECT_EQ("(Assign x (Plus 0 0))", Expr(0));
    EXPECT_EQ("(Assign y 0)", Expr(1));
}

// A name that no scope holds is made from what it resolved to in an earlier
// body, until a script function of that name (in any letter case) comes
// before what it found.
TEST_F(ExpressionsTest, ClassNamesResolveAgainAfterAFunctionOfThatName) {
    ASSERT_EQ(0, Parse("function int f() { x = GetHP(); return x; }\n"
                       "function int g() { x = GetHP(); return x; }\n"
                       "function int GetHp() { return 1; }\n"
                       "function int h() { x = GetHP() + gethp(); return x; }",
                       "x = GetHP();"));
    auto own = [&](const char* name) {
        CNode* block = c.m_pRoot->GetChild(0)->GetChild(0);
        std::string out;
        for (size_t i = 0; i < block->GetChildCount(); ++i)
            if (auto* f = NodeAs<CFunctionNode>(block->GetChild(i)); f && f->m_strName == name) {
                std::vector<CNode*> work{f->GetChild(0)};
                while (!work.empty()) {
                    CNode* n = work.back();
                    work.pop_back();
                    if (auto* call = NodeAs<CCallNode>(n)) out += std::to_string(call->m_bOwn);
                    for (size_t k = n->GetChildCount(); k-- > 0;) work.push_back(n->GetChild(k));
                }
            }
        return out;
    };
    EXPECT_EQ("0", own("f"));
    EXPECT_EQ("0", own("g"));
    EXPECT_EQ("11", own("h"));
    EXPECT_EQ("(Assign x GetHp())", Expr(0));
}

}  // namespace
