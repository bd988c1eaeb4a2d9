// Object references, arrays and the two routines every unit gets: the
// reference counts kept by the emulated engine must balance, and the
// destructor and serializer must visit every class variable.
#include "Script.h"

namespace {

TEST(Objects, AssignmentCountsTheNewReferenceBeforeReleasingTheOld) {
    SCRIPT(s, R"(unit "T" {
        unit a, b;
        state Take { a = GetAttacker(); }
        state Copy { b = a; }
        state Self { a = a; }
        state Clear { a = null; }
    })");
    CBench& bench = s.Bench();
    bench.SetReturn("GetAttacker", 0x100);
    EXPECT_EQ(Calls(RUN_OK(s, "Take")), Strings({"GetAttacker()", "$AddRef(256)", "$Release(0)"}));
    bench.SetReturn("GetAttacker", 0x200);
    EXPECT_EQ(Calls(RUN_OK(s, "Take")), Strings({"GetAttacker()", "$AddRef(512)", "$Release(256)"}));
    EXPECT_EQ(Calls(RUN_OK(s, "Copy")), Strings({"$AddRef(512)", "$Release(0)"}));
    EXPECT_EQ(bench.GetRefCount(0x200), 2);
    // Self-assignment must count the object again before it releases it.
    EXPECT_EQ(Calls(RUN_OK(s, "Self")), Strings({"$AddRef(512)", "$Release(512)"}));
    EXPECT_EQ(bench.GetRefCount(0x200), 2);
    EXPECT_EQ(Calls(RUN_OK(s, "Clear")), Strings({"$Release(512)"}));
    ExpectVars(s, {{"a", 0}, {"b", 0x200}});
    EXPECT_EQ(bench.GetRefCount(0x200), 1);
    EXPECT_EQ(bench.GetRefCount(0x100), 0);
}

TEST(Objects, LocalsStartNullAndAreReleasedAtReturnKeepingTheResult) {
    SCRIPT(s, R"(unit "T" {
        int seen;
        state Idle { }
        event OnHit() {
            unit t, u;
            int n;
            seen = n; if (t == null) seen = seen + 10; if (u == null) seen = seen + 100;
            t = GetAttacker();
            if (t) return 9;
            return 3;
        }
    })");
    s.Set("seen", -1);
    s.Bench().SetReturn("GetAttacker", 0x400);
    SRunResult r = RUN_OK(s, "OnHit");
    EXPECT_EQ(s.Var("seen"), 110);
    EXPECT_EQ(Calls(r), Strings({"GetAttacker()", "$AddRef(1024)", "$Release(0)", "$Release(1024)", "$Release(0)"}));
    EXPECT_EQ(r.m_nEax, 9u);
    EXPECT_EQ(s.Bench().GetRefCount(0x400), 0);
}

TEST(Objects, DestructorReleasesAndSerializerVisitsEveryClassVariable) {
    SCRIPT(s, R"(unit "T" {
        int count;
        unit first;
        int list[];
        platoon group;
        unit second;
        state S { first = GetAttacker(); second = first; count = 3; }
    })");
    s.Bench().SetReturn("GetAttacker", 0x500);
    RUN_OK(s, "S");
    EXPECT_EQ(s.Bench().GetRefCount(0x500), 2);
    EXPECT_EQ(Calls(RUN_OK(s, "$Destructor")), Strings({"$Release(1280)", "$Release(0)", "$Release(1280)"}));
    EXPECT_EQ(s.Bench().GetRefCount(0x500), 0);

    SRunResult r = RUN_OK(s, "$Serialize");
    std::vector<std::string> visited;
    for (const SBuiltinCall& c : r.m_Calls) visited.push_back(c.m_strName + " " + c.m_strNote);
    EXPECT_EQ(visited, Strings({"$SerializeInt slot 0 = 0", "$SerializeInt slot 4 = 10000", "$SerializeInt slot 8 = 3",
                                "$Serialize slot 12 = 1280", "$SerializeInt slot 16 = " + std::to_string(s.Var("list")),
                                "$Serialize slot 20 = 0", "$Serialize slot 24 = 1280"}));
    ASSERT_EQ(r.m_Calls.size(), 7u);
    EXPECT_EQ(r.m_Calls[3].m_strSignature, "unit: void $Serialize(unit)");
    EXPECT_EQ(r.m_Calls[5].m_strSignature, "platoon: void $Serialize(platoon)");
}

TEST(Objects, ArraysGoThroughGetAtAndSetAtWithoutAnObject) {
    SCRIPT(s, R"(unit "T" {
        int a[];
        int b[];
        int i, x, y;
        state S {
            for (i = 0; i < 4; i = i + 1) a[i] = i * i;
            b[a[2]] = a[3] + 1;
            x = b[4];
            y = a[i - 1] * 2 + a[1];
        }
        state Pair { a[2] = 7; x = a[2]; }
    })");
    RUN_OK(s, "S");
    CBench& bench = s.Bench();
    EXPECT_EQ(bench.GetArray(uint32_t(s.Var("a"))), std::vector<int32_t>({0, 1, 4, 9}));
    EXPECT_EQ(bench.GetArray(uint32_t(s.Var("b"))), std::vector<int32_t>({0, 0, 0, 0, 10}));
    ExpectVars(s, {{"x", 10}, {"y", 19}});
    // The calls carry index, array and value, and no object.
    SRunResult r = RUN_OK(s, "Pair");
    ASSERT_EQ(r.m_Calls.size(), 2u);
    EXPECT_EQ(r.m_Calls[0].m_strName, "$SetAt");
    EXPECT_EQ(r.m_Calls[1].m_strName, "$GetAt");
    EXPECT_FALSE(r.m_Calls[0].m_bHasObject);
    EXPECT_FALSE(r.m_Calls[1].m_bHasObject);
    // index, array, value: the order the generated code pushes them in reverse
    EXPECT_EQ(r.m_Calls[0].m_Args, std::vector<uint32_t>({2, uint32_t(s.Var("a")), 7}));
    EXPECT_EQ(r.m_Calls[1].m_Args, std::vector<uint32_t>({2, uint32_t(s.Var("a"))}));
    EXPECT_EQ(s.Var("x"), 7);
    EXPECT_EQ(bench.GetArray(uint32_t(s.Var("a"))), std::vector<int32_t>({0, 1, 7, 9}));
}

}  // namespace
