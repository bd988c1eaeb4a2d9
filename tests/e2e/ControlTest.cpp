// Statements on the emulated processor: branches, loops with break and
// continue, the loop budget, and how states and handlers hand their result
// and the next state back to the engine.
#include "Script.h"

namespace {

TEST(Control, IfElseChains) {
    SCRIPT(s, R"(unit "T" {
        int x, r;
        state S {
            if (x < 0) r = -1;
            else if (x == 0) r = 0;
            else { r = 1; if (x > 100) r = 2; }
        }
    })");
    for (auto [x, r] : {std::pair{-5, -1}, {0, 0}, {7, 1}, {101, 2}}) {
        s.Set("x", x);
        RUN_OK(s, "S");
        EXPECT_EQ(s.Var("r"), r) << "x = " << x;
    }
}

// Includes a break in an inner loop that must leave only that loop, and
// statements after break or return that must never run.
TEST(Control, LoopsWithBreakAndContinue) {
    SCRIPT(s, R"(unit "T" {
        int i, j, w, f, d, odd, n, m, pairs, x;
        state S {
            i = 0; w = 0;
            while (i < 10) { i = i + 1; if (i == 3) continue; if (i == 8) break; w = w + i; }
            for (i = 0; i < 10; i = i + 1) { if (i % 2 == 0) continue; odd = odd + i; }
            f = i;
            n = 0;
            do { n = n + 1; if (n == 2) continue; d = d + n; } while (n < 5);
            do { m = m + 1; if (m == 3) break; } while (1);
            for (i = 0; i < 4; i = i + 1)
                for (j = 0; j < 4; j = j + 1) { if (j > i) break; pairs = pairs + 1; }
        }
        event OnHit() {
            while (1) { x = 1; break; x = 2; }
            return 5;
            x = 3;
        }
    })");
    RUN_OK(s, "S");
    ExpectVars(s, {{"w", 1 + 2 + 4 + 5 + 6 + 7}, {"odd", 1 + 3 + 5 + 7 + 9}, {"f", 10}, {"n", 5},
                   {"d", 1 + 3 + 4 + 5}, {"m", 3}, {"pairs", 1 + 2 + 3 + 4}});
    EXPECT_EQ(RUN_OK(s, "OnHit").m_nEax, 5u);
    EXPECT_EQ(s.Var("x"), 1);
}

// The engine gives each run a budget of loop iterations; an endless loop
// leaves the routine through its normal exit when it runs out.
TEST(Control, LoopBudgetEndsEndlessLoops) {
    SCRIPT(s, R"(unit "T" {
        int n;
        state Spin { while (1) { n = n + 1; } }
        state Skip { while (1) { n = n + 1; continue; } }
        state Again { do { n = n + 1; } while (1); }
        event OnHit() { for (;;) n = n + 1; return 7; }
    })");
    s.Bench().SetLoopBudget(50);
    for (const char* routine : {"Spin", "Skip", "Again", "OnHit"}) {
        s.Set("n", 0);
        RUN_OK(s, routine);
        EXPECT_GE(s.Var("n"), 49) << routine;
        EXPECT_LE(s.Var("n"), 50) << routine;
    }
}

// States hand back the delay (20 when none is given) and the next state;
// handlers hand back their value and may change the state.
TEST(Control, StatesAndHandlersReturnToTheEngine) {
    SCRIPT(s, R"(unit "T" {
        int x, hits;
        state A;
        state B { return A, 30; }
        state A {
            if (x == 1) return B, 50;
            if (x == 2) return B;
            if (x == 3) { state B; return; }
            if (x == 4) return;
            x = 99;
        }
        event OnHit() {
            hits = hits + 1;
            if (hits > 2) state B;
            return hits * 10;
        }
    })");
    const uint32_t a = uint32_t(s.StateNumber("A")), b = uint32_t(s.StateNumber("B"));
    struct { int x; uint32_t eax, next; } cases[] = {{1, 50, b}, {2, 20, b}, {3, 20, b}, {4, 20, a}, {5, 20, a}};
    for (auto c : cases) {
        s.Set("$State", int32_t(a));
        s.Set("x", c.x);
        SRunResult r = RUN_OK(s, "A");
        EXPECT_EQ(r.m_nEax, c.eax) << "x = " << c.x;
        EXPECT_EQ(uint32_t(s.Var("$State")), c.next) << "x = " << c.x;
    }
    EXPECT_EQ(s.Var("x"), 99);
    EXPECT_EQ(RUN_OK(s, "B").m_nEax, 30u);
    EXPECT_EQ(uint32_t(s.Var("$State")), a);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(int32_t(RUN_OK(s, "OnHit").m_nEax), i * 10);
        EXPECT_EQ(uint32_t(s.Var("$State")), i > 2 ? b : a);
    }
}

// A handler at code position 0 would read as "no handler" in the tables;
// the unit must still offer it to the engine.
TEST(Control, FirstRoutineMayBeAHandler) {
    SCRIPT(s, R"(unit "T" {
        int x;
        event OnHit() { x = 1; return 5; }
        command Stop() { x = 2; }
    })");
    EXPECT_EQ(RUN_OK(s, "OnHit").m_nEax, 5u);
    EXPECT_EQ(s.Var("x"), 1);
    RUN_OK(s, "Stop");
    EXPECT_EQ(s.Var("x"), 2);
}

}  // namespace
