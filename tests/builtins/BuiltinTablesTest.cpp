// Checks of the built-in tables themselves, without building any semantic
// record: the class tree, totals and numbering, and per-class fingerprints,
// which cover every expanded member signature and every constant value.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "BuiltinExpected.h"
#include "builtins/BuiltinTables.h"

namespace {

std::vector<std::string> Expand(std::span<const SBuiltinMemberDesc> rows) {
    std::vector<std::string> out;
    auto add = [&](const SBuiltinMember& m) {
        EXPECT_EQ(m.m_nPosition, int(out.size()));
        out.push_back(MemberSignature(m));
    };
    ForEachBuiltinMember(rows, add);
    return out;
}

uint64_t MemberFingerprint(std::span<const SBuiltinMemberDesc> rows) {
    std::string text;
    for (const std::string& s : Expand(rows)) text += s + "\n";
    return Fnv1a64(text);
}

uint64_t ConstantFingerprint(std::span<const SBuiltinConstantDesc> rows) {
    std::string text;
    auto add = [&](const SBuiltinConstant& k) {
        text += std::string(k.m_strName) + "=" + std::to_string(k.m_nValue) + "\n";
    };
    ForEachBuiltinConstant(rows, add);
    return Fnv1a64(text);
}

EBuiltinClass ClassAt(int i) { return EBuiltinClass(i); }

}  // namespace

TEST(BuiltinTables, ClassTreeHasTheExpectedShapeAndCounts) {
    for (int i = 0; i < kBuiltinClassCount; ++i) {
        const SExpectedClass& want = kExpectedClasses[i];
        const SBuiltinClassDesc& d = GetBuiltinClassDesc(ClassAt(i));
        SCOPED_TRACE(want.m_pszName);
        EXPECT_EQ(int(d.m_nId), i);
        EXPECT_STREQ(d.m_pszName, want.m_pszName);
        if (d.m_nParent == EBuiltinClass::eNone)
            EXPECT_EQ(i, int(EBuiltinClass::eRoot));
        else
            EXPECT_EQ(GetBuiltinClassName(d.m_nParent), want.m_pszParent);
        EXPECT_EQ(d.m_nClassNumber, want.m_nClassNumber);
        EXPECT_EQ(CountBuiltinMembers(d.m_Functions), want.m_nFunctions);
        EXPECT_EQ(CountBuiltinMembers(d.m_Events), want.m_nEvents);
        EXPECT_EQ(CountBuiltinMembers(d.m_Commands), want.m_nCommands);
        EXPECT_EQ(CountBuiltinConstants(d.m_Constants), want.m_nConstants);
        if (want.m_nFunctions) {
            EXPECT_EQ(GetBuiltinFunctionBase(ClassAt(i)), want.m_nFirstNumber);
            // The first position carries the block's last number and vice versa.
            EXPECT_EQ(GetBuiltinFunctionNumber(ClassAt(i), 0), want.m_nFirstNumber + want.m_nFunctions - 1);
            EXPECT_EQ(GetBuiltinFunctionNumber(ClassAt(i), want.m_nFunctions - 1), want.m_nFirstNumber);
        }
        if (want.m_nEvents) {
            EXPECT_EQ(GetInheritedEventCount(ClassAt(i)), want.m_nFirstEvent);
        }
        if (want.m_nCommands) {
            EXPECT_EQ(GetInheritedCommandCount(ClassAt(i)), want.m_nFirstCommand);
        }
    }
}

TEST(BuiltinTables, TotalsAndNumbersWithoutGapsOrRepeats) {
    int events = 0, commands = 0, constants = 0;
    std::vector<int> seen(2515, 0);
    for (int i = 0; i < kBuiltinClassCount; ++i) {
        const SBuiltinClassDesc& d = GetBuiltinClassDesc(ClassAt(i));
        events += CountBuiltinMembers(d.m_Events);
        commands += CountBuiltinMembers(d.m_Commands);
        constants += CountBuiltinConstants(d.m_Constants);
        for (int p = 0, n = CountBuiltinMembers(d.m_Functions); p < n; ++p) {
            int number = GetBuiltinFunctionNumber(ClassAt(i), p);
            ASSERT_GE(number, 0);
            ASSERT_LT(number, 2515);
            ++seen[size_t(number)];
        }
    }
    EXPECT_EQ(GetBuiltinFunctionTotal(), 2515);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 2515);
    EXPECT_EQ(events, 55);
    EXPECT_EQ(commands, 147);
    EXPECT_EQ(constants, 783);
}

// An accidental edit of any row changes one of these.
TEST(BuiltinTables, EveryClassMatchesItsFingerprints) {
    for (int i = 0; i < kBuiltinClassCount; ++i) {
        const SExpectedFingerprint& want = kExpectedFingerprints[i];
        const SBuiltinClassDesc& d = GetBuiltinClassDesc(ClassAt(i));
        SCOPED_TRACE(want.m_pszName);
        ASSERT_STREQ(d.m_pszName, want.m_pszName);
        EXPECT_EQ(MemberFingerprint(d.m_Functions), want.m_nFunctions);
        EXPECT_EQ(MemberFingerprint(d.m_Events), want.m_nEvents);
        EXPECT_EQ(MemberFingerprint(d.m_Commands), want.m_nCommands);
        EXPECT_EQ(ConstantFingerprint(d.m_Constants), want.m_nConstants);
    }
}

struct SPlacedMember {
    EBuiltinClass m_nClass;
    int m_nPosition;
    int m_nNumber;
    const char* m_pszSignature;
};

// Boundaries of the blocks and overloads told apart only by parameter types.
const SPlacedMember kBoundaries[] = {
    {EBuiltinClass::eRoot, 0, 13, "Trace(s):i,global"},
    {EBuiltinClass::eRoot, 2, 11, "Trace(i):i,global"},
    {EBuiltinClass::eRoot, 5, 8, "$SerializeInt(i):v"},
    {EBuiltinClass::eRoot, 13, 0, "Distance(i,i,i,i):i,global"},
    {EBuiltinClass::eCommandObject, 0, 17, "$Release(unit):v"},
    {EBuiltinClass::eCommandObject, 3, 14, "ChangedCommandValue():v"},
    {EBuiltinClass::eUnit, 0, 165, "$Release(unit):v"},
    {EBuiltinClass::eUnit, 41, 124, "DistanceTo(i,i):i,dot"},
    {EBuiltinClass::eUnit, 44, 121, "DistanceTo(unit):i,dot"},
    {EBuiltinClass::eUnit, 94, 71, "GetAttacker():unit,dot"},
    {EBuiltinClass::eUnit, 147, 18, "BlowUp():v"},
    {EBuiltinClass::eCivil, 0, 168, "$Release(civil):v"},
    {EBuiltinClass::eSaboteur, 2, 328, "$Serialize(saboteur):v"},
    {EBuiltinClass::ePlatoon, 0, 409, "$Serialize(platoon):v"},
    {EBuiltinClass::ePlatoon, 62, 347, "GetAttacker(i):unit"},
    {EBuiltinClass::ePlatoon, 67, 342, "GetUnit(i):punit"},
    {EBuiltinClass::ePlatoon, 78, 331, "FindBuildingNext(i):unit"},
    {EBuiltinClass::eObject, 0, 437, "SaveCameraPosition():v,global"},
    {EBuiltinClass::eObject, 18, 419, "SendCustomEvent(i,i,i,i,i):v,dot,global"},
    {EBuiltinClass::eObject, 27, 410, "ShowMissionVideoDialog(s,s,i):v,global"},
    {EBuiltinClass::ePlayer, 0, 1253, "$Release(player):v"},
    {EBuiltinClass::ePlayer, 126, 1127, "CreateUnitTransported(i,i,i,s,s,s,s,s,s,s,s,s,s,i,i):unitex,dot"},
    {EBuiltinClass::ePlayer, 185, 1068, "SetProductionFrequency(i):v,dot"},
    {EBuiltinClass::ePlayer, 815, 438, "SetToolbarTooltip(i,s,s,s,s,s,s,s):v,dot"},
    {EBuiltinClass::eMission, 0, 2211, "$Serialize(mission):v"},
    {EBuiltinClass::eMission, 50, 2161, "RegisterGoal(i,s):v"},
    {EBuiltinClass::eMission, 75, 2136, "SetGameRect(i,i,i,i):v"},
    {EBuiltinClass::eMission, 957, 1254, "SetToolbarTooltip(i,s,s,s,s,s,s,s):v"},
    {EBuiltinClass::eCampaign, 0, 2251, "$Serialize(campaign):v"},
    {EBuiltinClass::eCampaign, 2, 2249, "RegisterMission(i,s,s,s,i,i,i,i,i,i,i,i,i,i):v,global"},
    {EBuiltinClass::eCampaign, 39, 2212, "LoadGameParameters(s,s,s,s,s):v,global"},
    {EBuiltinClass::eUnitEx, 0, 2399, "$Release(unitex):v"},
    {EBuiltinClass::eUnitEx, 147, 2252, "CommandBuildingSetGateMode(i):v,dot"},
    {EBuiltinClass::ePUnit, 0, 2514, "$Release(punit):v"},
    {EBuiltinClass::ePUnit, 114, 2400, "CommandBuildingSetGateMode(i):v,dot"},
    // Family expansions: first, middle and last forms.
    {EBuiltinClass::eMission, 76, 2135, "RegisterGoal(i,s,i):v"},
    {EBuiltinClass::eMission, 116, 2095, "RegisterGoal(i,s,i,s,i,s,i):v"},
    {EBuiltinClass::eMission, 201, 2010, "RegisterGoal(i,s,s,s,s,s,s,s):v"},
    {EBuiltinClass::eMission, 327, 1884, "AddBriefing(s,s,s,s,s,s,s):v"},
};

TEST(BuiltinTables, NumbersAndSignaturesAtBoundaries) {
    std::map<EBuiltinClass, std::vector<std::string>> expanded;
    auto check = [&](const SPlacedMember& want) {
        std::vector<std::string>& list = expanded[want.m_nClass];
        if (list.empty()) list = Expand(GetBuiltinClassDesc(want.m_nClass).m_Functions);
        ASSERT_LT(size_t(want.m_nPosition), list.size());
        EXPECT_EQ(list[size_t(want.m_nPosition)], want.m_pszSignature) << "position " << want.m_nPosition;
        EXPECT_EQ(GetBuiltinFunctionNumber(want.m_nClass, want.m_nPosition), want.m_nNumber);
    };
    for (const SPlacedMember& want : kBoundaries) check(want);
}

TEST(BuiltinTables, ReversedExpansionVisitsTheSameMembersBackwards) {
    for (int i = 0; i < kBuiltinClassCount; ++i) {
        auto rows = GetBuiltinClassDesc(ClassAt(i)).m_Functions;
        std::vector<std::string> forward = Expand(rows), backward;
        int expectPosition = int(forward.size());
        auto add = [&](const SBuiltinMember& m) {
            EXPECT_EQ(m.m_nPosition, --expectPosition);
            backward.push_back(MemberSignature(m));
        };
        ForEachBuiltinMemberReversed(rows, add);
        std::reverse(backward.begin(), backward.end());
        EXPECT_EQ(backward, forward) << GetBuiltinClassName(ClassAt(i));
    }
}

TEST(BuiltinTables, CreationAndNameableOrders) {
    const char* const nameable[] = {"unit",     "unitex",   "platoon",       "campaign",     "mission",
                                    "player",   "sapper",   "supplier",      "civil",        "tank",
                                    "repairer", "builder",  "aircraft",      "civilaircraft", "punit",
                                    "transporter", "movingbuilding", "saboteur", "tutorial"};
    auto order = GetBuiltinNameableOrder();
    ASSERT_EQ(order.size(), std::size(nameable));
    std::set<int> numbers;
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(GetBuiltinClassName(order[i]), nameable[i]);
        numbers.insert(GetBuiltinClassDesc(order[i]).m_nClassNumber);
    }
    // Script-class numbers 0..18, one per nameable class.
    EXPECT_EQ(numbers.size(), 19u);
    EXPECT_EQ(*numbers.begin(), 0);
    EXPECT_EQ(*numbers.rbegin(), 18);

    auto created = GetBuiltinCreationOrder();
    std::set<EBuiltinClass> distinct(created.begin(), created.end());
    EXPECT_EQ(created.size(), 21u);
    EXPECT_EQ(distinct.size(), 21u);
    EXPECT_EQ(distinct.count(EBuiltinClass::eRoot), 0u);
}
