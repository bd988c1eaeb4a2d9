// The bench's own guarantees, on hand-made units: every way generated code
// can go wrong ends the run with one clear message instead of a hang, a
// crash of the bench, or a silent success.
#include "Script.h"

namespace {

CRefPtr<CCodeGen> StateUnit(std::initializer_list<uint8_t> code, uint32_t dataSize = 8) {
    auto unit = MakeRef<CCodeGen>();
    for (uint8_t b : code) unit->m_Code.Add(b);
    unit->m_nDataSize = dataSize;
    unit->SetState(0, 0);
    return unit;
}

// A clean run on such a unit is what every other end-to-end test does.
std::string FailureOf(std::initializer_list<uint8_t> code, uint64_t steps = 100000) {
    static CBuiltinIndex index;
    CBench bench(index);
    std::string error;
    EXPECT_TRUE(bench.Attach(StateUnit(code), error)) << error;
    bench.SetStepLimit(steps);
    SRunResult r = bench.Call(bench.StateEntry(0), {});
    EXPECT_FALSE(r.m_bOk);
    return r.m_strError;
}

TEST(BenchFaults, EachFaultHasItsMessage) {
    struct {
        std::initializer_list<uint8_t> code;
        const char* message;
    } cases[] = {
        {{0xEB, 0xFE}, "step limit of 100000 instructions reached (runaway loop?) at code+0x0000"},
        {{0xA1, 0x78, 0x56, 0x34, 0x12, 0xC2, 0x04, 0x00}, "read of 0x12345678 outside the unit's memory at code+0x0000"},
        // mov esi, [esp+4]; mov [esi+64], eax: past the two class variables
        {{0x8B, 0x74, 0x24, 0x04, 0x89, 0x46, 0x40, 0xC2, 0x04, 0x00}, "write to 0x00A00050 outside the unit's memory at code+0x0004"},
        // mov esi, [esp+4]; mov [esi-12], eax: the game object slot is read-only
        {{0x8B, 0x74, 0x24, 0x04, 0x89, 0x46, 0xF4, 0xC2, 0x04, 0x00}, "write to 0x00A00004 outside the unit's memory at code+0x0004"},
        {{0x68, 0x00, 0x00, 0x00, 0x10, 0xC3}, "jump outside the code to 0x10000000"},
        {{0x68, 0x01, 0x00, 0x80, 0x00, 0xC3}, "jump outside the code to 0x00800001"},
        {{0xE9, 0x00, 0x00, 0x20, 0x00}, "jump outside the code to 0x00600005"},
        {{0xC3}, "stack unbalanced at return: ESP is -4 bytes off the caller's"},
        {{0xC2, 0x08, 0x00}, "stack unbalanced at return: ESP is 4 bytes off the caller's"},
        {{0xBB, 0x01, 0, 0, 0, 0xC2, 0x04, 0x00}, "EBX not restored at return"},
        {{0x5F, 0x57, 0x47, 0xC2, 0x04, 0x00}, "EDI not restored at return"},
    };
    for (const auto& c : cases) EXPECT_EQ(FailureOf(c.code), c.message);
}

TEST(BenchFaults, RunawayRecursionIsAStackOverflow) {
    // call itself forever
    EXPECT_EQ(FailureOf({0xE8, 0xFB, 0xFF, 0xFF, 0xFF}, 1000000).rfind("stack overflow (runaway recursion?)", 0), 0u);
}

TEST(BenchFaults, UnitsThatCannotBeBoundAreRefused) {
    CRefPtr<CCodeGen> unit = StateUnit({0xC2, 0x04, 0x00});
    unit->m_ExternalCalls.Add({1, 0});  // its rel32 would run past the code
    CBuiltinIndex index;
    CBench bench(index);
    std::string error;
    EXPECT_FALSE(bench.Attach(unit, error));
    EXPECT_EQ(error, "the unit cannot be bound (a call or relocation lies outside its code)");
}

}  // namespace
