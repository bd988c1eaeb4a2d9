// Long chains and deep nesting on the emulated processor: the loops that
// replace recursion in the code generator must compute what the script
// says at every link, and the deepest nesting the parser accepts must run.
#include "Script.h"

namespace {

constexpr int kLinks = 100000;
constexpr int kLevels = 10000;

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// "x == 0 || x == 1 || ..." with `join` between "x OP i" terms.
std::string Terms(const char* op, const char* join, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += (i ? join : "") + std::string("x ") + op + " " + std::to_string(i);
    return out;
}

// Every fourth term of the sum goes through a temporary, and the signs
// alternate within the one priority level of + and -. The emulator maps at
// most 2 MB of code, so the conditions get a unit each.
TEST(Limits, OperatorChainsOfAHundredThousandLinks) {
    std::string sum = "a", mixed = "a";
    int32_t sumValue = 3, mixedValue = 3;
    for (int i = 1; i < kLinks; ++i) {
        sum += i % 4 ? " + a" : " + (a * 2)";
        sumValue += i % 4 ? 3 : 6;
        mixed += i % 2 ? " - b" : " + a";
        mixedValue += i % 2 ? -1 : 3;
    }
    SCRIPT(values, "unit \"T\" { int a, b, s, m; state S { s = " + sum + ";\nm = " + mixed + "; } }");
    values.Set("a", 3);
    values.Set("b", 1);
    RUN_OK(values, "S");
    ExpectVars(values, {{"s", sumValue}, {"m", mixedValue}});

    SCRIPT(any, "unit \"T\" { int x, r; state S { if (" + Terms("==", " || ", kLinks) + ") r = 1; else r = 0; } }");
    SCRIPT(all, "unit \"T\" { int x, r; state S { r = !(!(" + Terms("!=", " && ", kLinks) + ")); } }");
    for (int32_t x : {0, 1, kLinks / 2, kLinks - 1, kLinks, -1}) {
        SCOPED_TRACE("x = " + std::to_string(x));
        const int32_t inRange = x >= 0 && x < kLinks;
        for (CScript* s : {&any, &all}) {
            s->Set("x", x);
            RUN_OK(*s, "S");
        }
        EXPECT_EQ(any.Var("r"), inRange);
        EXPECT_EQ(all.Var("r"), !inRange);
    }
}

// Each link tests x; a third of them leave the loop, a third go round
// again with x moved on to a link that leaves, a third call the script's
// own function and let the loop run to its end. A link takes some 40 bytes
// of code, so the chain is as long as the emulator's 2 MB hold.
TEST(Limits, ElseIfChainOfTwentyThousandLinks) {
    constexpr int kLinks = 20000;
    std::string chain;
    for (int i = 0; i < kLinks; ++i) {
        const std::string n = std::to_string(i);
        chain += (i ? " else if (x == " : "if (x == ") + n + ") ";
        chain += i % 3 == 0 ? "{ r = " + n + "; break; }" : i % 3 == 1 ? "{ x = x + 2; continue; }" : "r = Twice(" + n + ");";
    }
    SCRIPT(s, "unit \"T\" { int x, r, turns;\n function int Twice(int v) { return v + v; }\n"
              "state S { turns = 0; while (turns < 5) { turns = turns + 1;\n" + chain +
              "\n else r = -1; } } }");
    struct {
        int32_t x, r, turns;
    } cases[] = {{0, 0, 1},
                 {1, 3, 2},
                 {2, 4, 5},
                 {kLinks - 2, kLinks - 2, 1},
                 {kLinks - 4, kLinks - 2, 2},
                 {kLinks - 3, 2 * (kLinks - 3), 5},
                 {kLinks - 1, -1, 5},  // moved past the last link
                 {kLinks, -1, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE("x = " + std::to_string(c.x));
        s.Set("x", c.x);
        s.Set("r", 7);
        RUN_OK(s, "S");
        ExpectVars(s, {{"r", c.r}, {"turns", c.turns}});
    }
}

// Deepest nesting the parser accepts: statements in statements, and within
// one expression prefix operators, groups, calls and indexing.
TEST(Limits, NestingAtTheBoundRuns) {
    SCRIPT(s, "unit \"T\" { int x, n, g, c, k, d; int arr[];\n"
              "function int Same(int v) { return v; }\n"
              "state S {\n" + Repeat("if (x) ", kLevels) + "d = 1;\n" +
              "if (" + Repeat("- ", kLevels) + "x) n = " + Repeat("- ", kLevels - 1) + "x;\n" +
              "if (" + Repeat("x - (", kLevels - 1) + "x" + Repeat(")", kLevels - 1) + " == 0) g = 1;\n" +
              "if (" + Repeat("Same(", kLevels) + "x" + Repeat(")", kLevels) + ") c = 1;\n" +
              "if (" + Repeat("arr[", kLevels) + "0" + Repeat("]", kLevels) + " == 0) k = 1;\n} }");
    s.Set("x", 7);
    RUN_OK(s, "S");
    // An even count of minus signs keeps 7, an odd one negates it; an even
    // count of x in x - (x - (...)) gives 0.
    ExpectVars(s, {{"d", 1}, {"n", -7}, {"g", 1}, {"c", 1}, {"k", 1}});
}

}  // namespace
