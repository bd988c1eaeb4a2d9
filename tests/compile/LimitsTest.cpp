// Length is not nesting. Scripts compiled in memory on a thread whose stack
// is 1 MB, as a Windows main thread's is: chains of one operator and
// else-if chains of 100,000 links compile, in time that grows with their
// length; every kind of nesting compiles at the bound and is refused one
// level past it.
#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <string>

#include "compile/Compile.h"
#include "platform/Platform.h"

namespace {

// The bound on nesting in an expression, stated again here so that changing
// it is a decision; statements nest twice as deep.
constexpr int kBound = 10000;
constexpr size_t kWindowsMainStack = 1024 * 1024;

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// term(0) join term(1) join ... term(n - 1)
std::string Join(int n, const std::string& join, const std::function<std::string(int)>& term) {
    std::string out;
    for (int i = 0; i < n; ++i) out += (i ? join : "") + term(i);
    return out;
}

std::string Num(int i) { return std::to_string(i); }

class LimitsTest : public ::testing::Test {
protected:
    // The last diagnostic of a unit whose state S holds `body` from line 5
    // on, after `members` on line 3; empty when the unit was accepted.
    std::string Outcome(const std::string& body, const std::string& members = "") {
        m_Files.Set("/mem/main.oc", "unit \"T\" {\n int a, b, x; int arr[];\n function int Same(int v) { return v; }" +
                                        members + "\n state S {\n" + body + "\n }\n}\n");
        m_Options.m_strDirectory = "/mem";
        m_Options.m_pFiles = &m_Files;
        m_Options.m_bWarnings = false;
        CCompileResult r;
        EXPECT_TRUE(platform::RunOnNewStack(kWindowsMainStack,
                                            [&] { r = Compile("main.oc", m_Options, GetBuiltinLibrary()); }));
        if (r.m_nStatus == ECompileStatus::eAccepted) return "";
        return r.m_Diagnostics.empty() ? "no diagnostic" : FormatText(r.m_Diagnostics.back());
    }

    // Processor time of Outcome, which must accept the unit.
    double AcceptedIn(const std::string& body, const std::string& members = "") {
        std::clock_t start = std::clock();
        EXPECT_EQ("", Outcome(body, members));
        return double(std::clock() - start) / CLOCKS_PER_SEC;
    }

    CMemoryFiles m_Files;
    CCompileOptions m_Options;
};

const std::string kTooDeep = "/mem/main.oc(5) : error C0000: Nesting too deep\n";

// A statement that holds another counts one level, and so does a block;
// in an expression each open "(" or "[", prefix operator and assignment.
TEST_F(LimitsTest, EveryKindOfNestingCompilesAtTheBoundAndNotPastIt) {
    struct Kind {
        const char* name;
        int bound;
        std::function<std::string(int)> body;
    } kinds[] = {
        {"blocks", 2 * kBound, [](int n) { return Repeat("{", n) + "a = 1;" + Repeat("}", n); }},
        {"ifs", 2 * kBound, [](int n) { return Repeat("if (a) ", n) + "a = 1;"; }},
        {"whiles", 2 * kBound, [](int n) { return Repeat("while (a) ", n) + "break;"; }},
        {"fors", 2 * kBound, [](int n) { return Repeat("for (;;) ", n) + "continue;"; }},
        {"dos", 2 * kBound, [](int n) { return Repeat("do ", n) + "a = 1;" + Repeat(" while (a);", n); }},
        {"ifs_with_blocks", kBound, [](int n) { return Repeat("if (a) {", n) + Repeat("}", n); }},
        // An else holding a block nests; only an else holding an if chains.
        {"else_blocks", kBound, [](int n) { return Repeat("if (a) a = 1; else {", n) + Repeat("}", n); }},
        {"parentheses", kBound, [](int n) { return "if (" + Repeat("(", n) + "a" + Repeat(")", n) + ") a = 1;"; }},
        {"groups", kBound, [](int n) { return "if (" + Repeat("a - (", n) + "a" + Repeat(")", n) + ") a = 1;"; }},
        {"prefixes", kBound, [](int n) { return "if (" + Repeat("- ~", n / 2) + Repeat("!", n % 2) + "a) a = 1;"; }},
        {"calls", kBound, [](int n) { return "if (" + Repeat("Same(", n) + "a" + Repeat(")", n) + ") a = 1;"; }},
        {"indexes", kBound, [](int n) { return "if (" + Repeat("arr[", n) + "0" + Repeat("]", n) + ") a = 1;"; }},
        {"assignments", kBound, [](int n) { return Repeat("a = ", n) + "1;"; }},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ("", Outcome(k.body(k.bound)));
        EXPECT_EQ(kTooDeep, Outcome(k.body(k.bound + 1)));
    }
    // A function's body counts from its own start, as a state's does.
    auto function = [](int n) { return " function int F() {" + Repeat("{", n) + " return 1; " + Repeat("}", n + 1); };
    EXPECT_EQ("", Outcome("a = 1;", function(2 * kBound)));
    EXPECT_EQ("/mem/main.oc(3) : error C0000: Nesting too deep\n", Outcome("a = 1;", function(2 * kBound + 1)));
}

// The translating thread walks the deepest routines as the parsing thread
// does: past its first levels on stacks of their own.
TEST_F(LimitsTest, NestingAtTheBoundTranslatesOnTheSecondThreadToo) {
    m_Options.m_nBatchRoutines = 1;
    EXPECT_EQ("", Outcome(Repeat("{", 2 * kBound) + "a = 1;" + Repeat("}", 2 * kBound)));
    EXPECT_EQ("", Outcome("if (" + Repeat("a - (", kBound) + "a" + Repeat(")", kBound) + ") a = 1;"));
    EXPECT_EQ("", Outcome(Repeat("a = ", kBound) + "1;", " function int F() { return 1; }"));
}

// Four times the links may cost about four times as much, never sixteen:
// nothing may walk the chain once per link.
TEST_F(LimitsTest, ChainsCompileInTimeThatGrowsWithTheirLength) {
    struct Chain {
        const char* name;
        std::function<std::string(int)> body;
        std::function<std::string(int)> members = nullptr;
    } chains[] = {
        // Every third right operand needs a temporary.
        {"plus_minus",
         [](int n) {
             return "a = a" + Join(n - 1, "", [](int i) { return (i % 2 ? " - " : " + ") + std::string(i % 3 ? "b" : "(a * 2)"); }) + ";";
         }},
        {"times_level",
         [](int n) {
             const char* ops[] = {" * ", " / ", " % ", " & ", " ^ "};
             return "a = a" + Join(n - 1, "", [&](int i) { return ops[i % 5] + std::string(i % 2 ? "b" : "3"); }) + ";";
         }},
        {"or", [](int n) { return "if (" + Join(n, " || ", [](int i) { return "x == " + Num(i); }) + ") a = 1;"; }},
        {"and", [](int n) { return "a = -(" + Join(n, " && ", [](int i) { return "x != Same(" + Num(i) + ")"; }) + ");"; }},
        // Each link resolves names, calls the script's own function, reads
        // the state, leaves the loop or goes round it, or ends the state.
        {"else_if",
         [](int n) {
             return "while (x < 3) { x = x + 1; " +
                    Join(n, " else ",
                         [](int i) {
                             const char* then[] = {"{ a = Same(b); break; }", "continue;", "return S;", "a = state;"};
                             return "if (x == " + Num(i) + ") " + then[i % 4];
                         }) +
                    " }";
         }},
        {"else_if_returns",
         [](int n) {
             return "a = Pick(x);";
         },
         [](int n) {
             return " function int Pick(int v) { " +
                    Join(n, " else ", [](int i) { return "if (v == " + Num(i) + ") return " + Num(i) + ";"; }) +
                    " return -1; }";
         }},
    };
    for (const Chain& c : chains) {
        SCOPED_TRACE(c.name);
        auto members = [&](int n) { return c.members ? c.members(n) : std::string(); };
        const double quarter = AcceptedIn(c.body(25000), members(25000));
        const double whole = AcceptedIn(c.body(100000), members(100000));
        EXPECT_LT(whole, 10 * quarter + 0.5) << quarter << " s for 25,000 links, " << whole << " s for 100,000";
    }
}

}  // namespace
