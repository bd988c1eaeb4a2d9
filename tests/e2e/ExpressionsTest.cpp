// Expressions on the emulated processor: every value is computed by the
// generated code and read back from the class variables.
#include "Script.h"

namespace {

TEST(Expressions, PrioritiesDivisionUnaryAndComparisons) {
    SCRIPT(s, R"(unit "T" {
        int a, b, c, d, e, f, g, h, x, y, z;
        int q1, r1, q2, r2, q3, r3, q4, r4, n, m;
        int ua, ub, uc, ud, ue, uf, w;
        int lt, le, gt, ge, eq, ne, neg, vlt, vnot;
        state S {
            x = 7; y = 3; z = -4;
            a = 2 + 3 * 4; b = (2 + 3) * 4; c = 20 - 6 - 4; d = x * y + z * 2 - 1;
            e = 100 / 5 / 2; f = x - (y - z); g = 1 | 6 & 3 ^ 8; h = x * (y + z) * (x + y * z);
            n = -7; m = 2;
            q1 = n / m; r1 = n % m; q2 = 7 / -2; r2 = 7 % -2;
            q3 = n / -2; r3 = n % -2; q4 = 7 / m; r4 = 7 % m;
            w = 5;
            ua = -w; ub = ~w; uc = +w; ud = ++w; ue = --w; --w; uf = -(w + 1) * 2;
            x = -2;
            if (x < y) lt = 1;
            if (y <= 3) le = 1;
            if (x > y) gt = 1;
            if (x >= -2) ge = 1;
            if (x == y) eq = 1;
            if (x != y) ne = 1;
            if (!(x < y)) neg = 1;
            vlt = -(x < y); vnot = ~(x == y);
        }
    })");
    RUN_OK(s, "S");
    ExpectVars(s, {{"a", 14}, {"b", 20}, {"c", 10}, {"d", 12}, {"e", 10}, {"f", 0},
                   {"g", 1 | ((6 & 3) ^ 8)}, {"h", 7 * (3 - 4) * (7 + 3 * -4)}});
    // Division and modulus truncate toward zero.
    ExpectVars(s, {{"q1", -3}, {"r1", -1}, {"q2", -3}, {"r2", 1}, {"q3", 3}, {"r3", -1}, {"q4", 3}, {"r4", 1}});
    ExpectVars(s, {{"ua", -5}, {"ub", ~5}, {"uc", 5}, {"ud", 6}, {"ue", 5}, {"w", 4}, {"uf", -10}});
    ExpectVars(s, {{"lt", 1}, {"le", 1}, {"gt", 0}, {"ge", 1}, {"eq", 0}, {"ne", 1}, {"neg", 0},
                   {"vlt", -1}, {"vnot", -1}});
}

// Rand stands for any call with a side effect: the trace shows which
// operands were evaluated, and in which order.
TEST(Expressions, ShortCircuitAndLeftToRightEvaluation) {
    SCRIPT(s, R"(unit "T" {
        int r, x;
        state And { r = 0; if (Rand(1) && Rand(2)) r = 1; }
        state Or { r = 0; if (Rand(1) || Rand(2)) r = 1; }
        state Mixed { r = 0; if (Rand(1) < 5 && (Rand(2) == 3 || Rand(3) > 0)) r = 1; }
        state Temps { x = Rand(10) - Rand(3) * Rand(2); }
    })");
    struct {
        int rand;
        const char* routine;
        Strings calls;
        int r;
    } cases[] = {
        {0, "And", {"Rand(1)"}, 0},
        {0, "Or", {"Rand(1)", "Rand(2)"}, 0},
        {1, "And", {"Rand(1)", "Rand(2)"}, 1},
        {1, "Or", {"Rand(1)"}, 1},
        {1, "Mixed", {"Rand(1)", "Rand(2)", "Rand(3)"}, 1},
        {3, "Mixed", {"Rand(1)", "Rand(2)"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.routine) + " with Rand = " + std::to_string(c.rand));
        s.Bench().SetReturn("Rand", uint32_t(c.rand));
        EXPECT_EQ(Calls(RUN_OK(s, c.routine)), c.calls);
        EXPECT_EQ(s.Var("r"), c.r);
    }
    s.Bench().SetReturn("Rand", 4);
    EXPECT_EQ(Calls(RUN_OK(s, "Temps")), Strings({"Rand(10)", "Rand(3)", "Rand(2)"}));
    EXPECT_EQ(s.Var("x"), 4 - 4 * 4);
}

}  // namespace
