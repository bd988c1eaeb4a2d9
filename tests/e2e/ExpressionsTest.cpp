// Expressions on the emulated processor: every value is computed by the
// generated code and read back from the class variables.
#include "Script.h"

namespace {

TEST(Expressions, ArithmeticFollowsPriorities) {
    CScript s(R"(unit "T" {
        int a, b, c, d, e, f, g, h, x, y, z;
        state S {
            x = 7; y = 3; z = -4;
            a = 2 + 3 * 4;
            b = (2 + 3) * 4;
            c = 20 - 6 - 4;
            d = x * y + z * 2 - 1;
            e = 100 / 5 / 2;
            f = x - (y - z);
            g = 1 | 6 & 3 ^ 8;
            h = x * (y + z) * (x + y * z);
        }
    })");
    ASSERT_TRUE(s.Ok()) << s.Error();
    RUN_OK(s, "S");
    EXPECT_EQ(s.Var("a"), 14);
    EXPECT_EQ(s.Var("b"), 20);
    EXPECT_EQ(s.Var("c"), 10);
    EXPECT_EQ(s.Var("d"), 12);
    EXPECT_EQ(s.Var("e"), 10);
    EXPECT_EQ(s.Var("f"), 0);
    EXPECT_EQ(s.Var("g"), 1 | ((6 & 3) ^ 8));
    EXPECT_EQ(s.Var("h"), 7 * (3 - 4) * (7 + 3 * -4));
}

TEST(Expressions, DivisionAndModulusTruncateTowardZero) {
    CScript s(R"(unit "T" {
        int q1, r1, q2, r2, q3, r3, q4, r4, n, m;
        state S {
            n = -7; m = 2;
            q1 = n / m; r1 = n % m;
            q2 = 7 / -2; r2 = 7 % -2;
            q3 = n / -2; r3 = n % -2;
            q4 = 7 / m; r4 = 7 % m;
        }
    })");
    ASSERT_TRUE(s.Ok()) << s.Error();
    RUN_OK(s, "S");
    EXPECT_EQ(s.Var("q1"), -3);
    EXPECT_EQ(s.Var("r1"), -1);
    EXPECT_EQ(s.Var("q2"), -3);
    EXPECT_EQ(s.Var("r2"), 1);
    EXPECT_EQ(s.Var("q3"), 3);
    EXPECT_EQ(s.Var("r3"), -1);
    EXPECT_EQ(s.Var("q4"), 3);
    EXPECT_EQ(s.Var("r4"), 1);
}

TEST(Expressions, UnaryFormsAndIncrementDecrement) {
    CScript s(R"(unit "T" {
        int a, b, c, d, e, f, x;
        state S {
            x = 5;
            a = -x;
            b = ~x;
            c = +x;
            d = ++x;
            e = --x;
            --x;
            f = -(x + 1) * 2;
        }
    })");
    ASSERT_TRUE(s.Ok()) << s.Error();
    RUN_OK(s, "S");
    EXPECT_EQ(s.Var("a"), -5);
    EXPECT_EQ(s.Var("b"), ~5);
    EXPECT_EQ(s.Var("c"), 5);
    EXPECT_EQ(s.Var("d"), 6);
    EXPECT_EQ(s.Var("e"), 5);
    EXPECT_EQ(s.Var("x"), 4);
    EXPECT_EQ(s.Var("f"), -10);
}

TEST(Expressions, ComparisonsAsConditionsAndValues) {
    CScript s(R"(unit "T" {
        int lt, le, gt, ge, eq, ne, neg, vlt, vnot, x, y;
        state S {
            x = -2; y = 3;
            if (x < y) lt = 1;
            if (y <= 3) le = 1;
            if (x > y) gt = 1;
            if (x >= -2) ge = 1;
            if (x == y) eq = 1;
            if (x != y) ne = 1;
            if (!(x < y)) neg = 1;
            vlt = -(x < y);
            vnot = ~(x == y);
        }
    })");
    ASSERT_TRUE(s.Ok()) << s.Error();
    RUN_OK(s, "S");
    EXPECT_EQ(s.Var("lt"), 1);
    EXPECT_EQ(s.Var("le"), 1);
    EXPECT_EQ(s.Var("gt"), 0);
    EXPECT_EQ(s.Var("ge"), 1);
    EXPECT_EQ(s.Var("eq"), 0);
    EXPECT_EQ(s.Var("ne"), 1);
    EXPECT_EQ(s.Var("neg"), 0);
    EXPECT_EQ(s.Var("vlt"), -1);
    EXPECT_EQ(s.Var("vnot"), -1);
}

// Rand stands for any call with a side effect: the trace shows which
// operands were evaluated, and in which order.
TEST(Expressions, ShortCircuitEvaluationOrder) {
    CScript s(R"(unit "T" {
        int r;
        state And {
            r = 0;
            if (Rand(1) && Rand(2)) r = 1;
        }
        state Or {
            r = 0;
            if (Rand(1) || Rand(2)) r = 1;
        }
        state Mixed {
            r = 0;
            if (Rand(1) < 5 && (Rand(2) == 3 || Rand(3) > 0)) r = 1;
        }
    })");
    ASSERT_TRUE(s.Ok()) << s.Error();
    EXPECT_EQ(Calls(RUN_OK(s, "And")), Strings({"Rand(1)"}));
    EXPECT_EQ(s.Var("r"), 0);
    EXPECT_EQ(Calls(RUN_OK(s, "Or")), Strings({"Rand(1)", "Rand(2)"}));
    EXPECT_EQ(s.Var("r"), 0);
    s.Bench().SetReturn("Rand", 1);
    EXPECT_EQ(Calls(RUN_OK(s, "And")), Strings({"Rand(1)", "Rand(2)"}));
    EXPECT_EQ(s.Var("r"), 1);
    EXPECT_EQ(Calls(RUN_OK(s, "Or")), Strings({"Rand(1)"}));
    EXPECT_EQ(s.Var("r"), 1);
    EXPECT_EQ(Calls(RUN_OK(s, "Mixed")), Strings({"Rand(1)", "Rand(2)", "Rand(3)"}));
    EXPECT_EQ(s.Var("r"), 1);
    s.Bench().SetReturn("Rand", 3);
    EXPECT_EQ(Calls(RUN_OK(s, "Mixed")), Strings({"Rand(1)", "Rand(2)"}));
    EXPECT_EQ(s.Var("r"), 1);
}

TEST(Expressions, OperandsEvaluateLeftToRightThroughTemporaries) {
    CScript s(R"(unit "T" {
        int x;
        state S {
            x = Rand(10) - Rand(3) * Rand(2);
        }
    })");
    ASSERT_TRUE(s.Ok()) << s.Error();
    s.Bench().SetReturn("Rand", 4);
    EXPECT_EQ(Calls(RUN_OK(s, "S")), Strings({"Rand(10)", "Rand(3)", "Rand(2)"}));
    EXPECT_EQ(s.Var("x"), 4 - 4 * 4);
}

}  // namespace
