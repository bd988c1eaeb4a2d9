// Calls on the emulated processor: built-in functions with and without an
// object, overloads, strings from the data block, script functions with
// parameters and recursion, and handler parameters as the engine passes them.
#include "Script.h"

namespace {

TEST(Calls, OverloadsAndArgumentOrderOfBuiltins) {
    SCRIPT(s, R"(unit "T" {
        int n, a;
        state S {
            n = 42;
            Trace("text");
            Trace(n);
            TraceD(n + 1);
            n = DistanceTo(3, 4);
        }
        state Args {
            a = 5;
            a = Distance(1, a, a * 2, -3);
            CallMoveToPoint(a, 2, 3);
        }
    })");
    s.Bench().SetReturn("DistanceTo", 9);
    s.Bench().SetReturn("Distance", 77);
    SRunResult r = RUN_OK(s, "S");
    EXPECT_EQ(Calls(r), Strings({"Trace(\"text\")", "Trace(42)", "TraceD(43)", "DistanceTo(3, 4)"}));
    ASSERT_EQ(r.m_Calls.size(), 4u);
    EXPECT_EQ(r.m_Calls[0].m_strSignature, "root: int Trace(string)");
    EXPECT_EQ(r.m_Calls[1].m_strSignature, "root: int Trace(int)");
    EXPECT_FALSE(r.m_Calls[0].m_bHasObject);
    EXPECT_TRUE(r.m_Calls[3].m_bHasObject);
    EXPECT_EQ(r.m_Calls[3].m_nObject, CBench::kGameObject);
    EXPECT_EQ(s.Var("n"), 9);
    // Arguments arrive in parameter order.
    EXPECT_EQ(Calls(RUN_OK(s, "Args")), Strings({"Distance(1, 5, 10, -3)", "CallMoveToPoint(77, 2, 3)"}));
}

TEST(Calls, MethodsOnObjectVariablesAndOnTheControlledObject) {
    SCRIPT(s, R"(unit "T" {
        unit enemy;
        int hp, mine;
        state S {
            enemy = GetAttacker();
            hp = enemy.GetHP();
            mine = GetHP();
            if (IsEnemy(enemy)) enemy.SetUnitName("target");
        }
    })");
    s.Bench().SetReturn("GetAttacker", 0x5000);
    s.Bench().SetReturn("GetHP", 60);
    s.Bench().SetReturn("IsEnemy", 1);
    SRunResult r = RUN_OK(s, "S");
    EXPECT_EQ(Calls(r), Strings({"GetAttacker()", "$AddRef(20480)", "$Release(0)", "20480.GetHP()", "GetHP()",
                                 "IsEnemy(20480)", "20480.SetUnitName(\"target\")"}));
    ExpectVars(s, {{"enemy", 0x5000}, {"hp", 60}, {"mine", 60}});
}

TEST(Calls, ScriptFunctionsWithParametersAndRecursion) {
    SCRIPT(s, R"(unit "T" {
        int f, g, calls;
        function int Fact(int n) {
            calls = calls + 1;
            if (n <= 1) return 1;
            return n * Fact(n - 1);
        }
        function int Mix(int a, int b, int c) {
            int t;
            t = a * 100 + b * 10 + c;
            Trace(t);
            return t;
        }
        int a, b, c;
        function int Less(int x, int y) { return x < y; }
        function int Both(int x, int y) { return x && y; }
        state S {
            f = Fact(6);
            g = Mix(1, 2, 3) + Mix(4, 5, 6);
            a = Less(1, 2); b = Less(2, 1); c = Both(3, 4) + Both(3, 0);
        }
    })");
    EXPECT_EQ(Calls(RUN_OK(s, "S")), Strings({"Trace(123)", "Trace(456)"}));
    // Conditions returned from functions are 0 or 1.
    ExpectVars(s, {{"f", 720}, {"calls", 6}, {"g", 579}, {"a", 1}, {"b", 0}, {"c", 1}});
}

TEST(Calls, EventAndCommandHandlersReceiveTheirParameters) {
    SCRIPT(s, R"(unit "T" {
        int sum, last, moved;
        unit target;
        state Idle { }
        event OnCannonEndFire(int a, int b) { sum = a * 10 + b; return sum; }
        event OnCannonFoundTarget(int kind, unit u) { last = kind; target = u; return 1; }
        command Move(int x, int y, int z) button "Go" { moved = x + y * 10 + z * 100; CallMoveToPoint(x, y, z); }
    })");
    EXPECT_EQ(RUN_OK(s, "OnCannonEndFire", {4, 2}).m_nEax, 42u);
    EXPECT_EQ(s.Var("sum"), 42);
    SRunResult r = RUN_OK(s, "OnCannonFoundTarget", {7, 0x6000});
    EXPECT_EQ(Calls(r), Strings({"$AddRef(24576)", "$Release(0)"}));
    ExpectVars(s, {{"last", 7}, {"target", 0x6000}});
    EXPECT_EQ(Calls(RUN_OK(s, "Move", {1, 2, 3})), Strings({"CallMoveToPoint(1, 2, 3)"}));
    EXPECT_EQ(s.Var("moved"), 321);
}

TEST(Calls, StringsByAddressConstantsAndEnums) {
    SCRIPT(s, R"(unit "T" {
        consts { LIMIT = 12; }
        int r;
        enum speed { "Slow" item 3, multi: "Fast" item 9 }
        function int Say(string text, int n) { Trace(text); return n + LIMIT; }
        state S { Trace("same"); Trace("other"); Trace("same"); MessageTalk(1); }
        state Use { r = Say("hi", speed) + Say("again", LIMIT); }
    })");
    SRunResult r = RUN_OK(s, "S");
    EXPECT_EQ(Calls(r), Strings({"Trace(\"same\")", "Trace(\"other\")", "Trace(\"same\")", "MessageTalk(1)"}));
    ASSERT_EQ(r.m_Calls.size(), 4u);
    for (const SBuiltinCall& c : r.m_Calls) EXPECT_TRUE(c.m_Args[0] < CBench::kData + 16 || c.m_strName != "Trace");
    EXPECT_NE(r.m_Calls[0].m_Args[0], r.m_Calls[1].m_Args[0]);
    // Constants, enum variables and string parameters of script functions.
    s.Set("speed", 9);
    EXPECT_EQ(Calls(RUN_OK(s, "Use")), Strings({"Trace(\"hi\")", "Trace(\"again\")"}));
    EXPECT_EQ(s.Var("r"), 9 + 12 + 12 + 12);
}

}  // namespace
