// Checks of the built-in tables themselves, without building any semantic
// record: the class tree, the one rule that the function numbers written in
// the rows form 0..N-1 with no gap and no repeat, and a few anchors whose
// numbers and signatures the engine is known to rely on.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "BuiltinExpected.h"
#include "builtins/BuiltinTables.h"

namespace {

EBuiltinClass ClassAt(int i) { return EBuiltinClass(i); }

std::string ClassLabel(EBuiltinClass c) {
    std::string_view name = GetBuiltinClassName(c);
    return name.empty() ? "root" : std::string(name);
}

struct SNumbered {
    EBuiltinClass m_nClass;
    int m_nPosition;
    std::string m_strSignature;
};

// Every function of every class by the number its row gives; a repeated
// number keeps all its owners.
std::map<int, std::vector<SNumbered>> FunctionsByNumber() {
    std::map<int, std::vector<SNumbered>> out;
    for (int i = 0; i < kBuiltinClassCount; ++i) {
        auto add = [&](const SBuiltinMember& m) {
            out[m.m_nNumber].push_back({ClassAt(i), m.m_nPosition, MemberSignature(m)});
        };
        ForEachBuiltinMember(GetBuiltinClassDesc(ClassAt(i)).m_Functions, add);
    }
    return out;
}

std::string Label(const SNumbered& f) {
    return ClassLabel(f.m_nClass) + "." + f.m_strSignature;
}

}  // namespace

TEST(BuiltinTables, ClassTreeNamesParentsAndScriptClassNumbers) {
    ASSERT_EQ(std::size(kExpectedClasses), size_t(kBuiltinClassCount));
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
    }
}

// Each number from 0 to the total is given to exactly one function.
// Events and commands carry none.
TEST(BuiltinTables, FunctionNumbersRunFromZeroWithoutGapsOrRepeats) {
    const int total = GetBuiltinFunctionTotal();
    const auto functions = FunctionsByNumber();
    for (const auto& [number, owners] : functions) {
        EXPECT_TRUE(number >= 0 && number < total)
            << "number " << number << " outside 0.." << total - 1 << ": " << Label(owners[0]);
        if (owners.size() > 1)
            ADD_FAILURE() << "number " << number << " given to " << Label(owners[0]) << " and " << Label(owners[1]);
    }
    for (int number = 0; number < total; ++number)
        EXPECT_TRUE(functions.count(number)) << "no function has number " << number;

    for (int i = 0; i < kBuiltinClassCount; ++i) {
        auto handler = [&](const SBuiltinMember& m) {
            EXPECT_EQ(m.m_nNumber, kNoBuiltinNumber) << ClassLabel(ClassAt(i)) << "." << m.m_strName;
        };
        ForEachBuiltinMember(GetBuiltinClassDesc(ClassAt(i)).m_Events, handler);
        ForEachBuiltinMember(GetBuiltinClassDesc(ClassAt(i)).m_Commands, handler);
    }
}

struct SAnchor {
    int m_nNumber;
    EBuiltinClass m_nClass;
    int m_nPosition;
    const char* m_pszSignature;
};

// Well-known functions, block boundaries, overloads told apart only by their
// parameters, and the first, middle and last members of a series and a family
// (whose numbers fall from the row's own).
const SAnchor kAnchors[] = {
    {0, EBuiltinClass::eRoot, 13, "Distance(i,i,i,i):i,global"},
    {6, EBuiltinClass::eRoot, 7, "$SetAt(i,a,i):v,global"},
    {11, EBuiltinClass::eRoot, 2, "Trace(i):i,global"},
    {13, EBuiltinClass::eRoot, 0, "Trace(s):i,global"},
    {17, EBuiltinClass::eCommandObject, 0, "$Release(unit):v"},
    {18, EBuiltinClass::eUnit, 147, "BlowUp():v"},
    {121, EBuiltinClass::eUnit, 44, "DistanceTo(unit):i,dot"},
    {124, EBuiltinClass::eUnit, 41, "DistanceTo(i,i):i,dot"},
    {165, EBuiltinClass::eUnit, 0, "$Release(unit):v"},
    {342, EBuiltinClass::ePlatoon, 67, "GetUnit(i):punit"},
    {419, EBuiltinClass::eObject, 18, "SendCustomEvent(i,i,i,i,i):v,dot,global"},
    {1127, EBuiltinClass::ePlayer, 126, "CreateUnitTransported(i,i,i,s,s,s,s,s,s,s,s,s,s,i,i):unitex,dot"},
    {2161, EBuiltinClass::eMission, 50, "RegisterGoal(i,s):v"},
    {2135, EBuiltinClass::eMission, 76, "RegisterGoal(i,s,i):v"},
    {2095, EBuiltinClass::eMission, 116, "RegisterGoal(i,s,i,s,i,s,i):v"},
    {2010, EBuiltinClass::eMission, 201, "RegisterGoal(i,s,s,s,s,s,s,s):v"},
    {1884, EBuiltinClass::eMission, 327, "AddBriefing(s,s,s,s,s,s,s):v"},
    {2249, EBuiltinClass::eCampaign, 2, "RegisterMission(i,s,s,s,i,i,i,i,i,i,i,i,i,i):v,global"},
    {2323, EBuiltinClass::eUnitEx, 76, "CommandUserNoParam0():v,dot"},
    {2314, EBuiltinClass::eUnitEx, 85, "CommandUserNoParam9():v,dot"},
    {2313, EBuiltinClass::eUnitEx, 86, "CommandUserObject0(unitex):v,dot"},
    {2514, EBuiltinClass::ePUnit, 0, "$Release(punit):v"},
};

// Found by number, in its class at its position in member order (the order
// the records are built in).
TEST(BuiltinTables, AnchorsKeepTheirNumbersPositionsAndSignatures) {
    const auto functions = FunctionsByNumber();
    for (const SAnchor& want : kAnchors) {
        SCOPED_TRACE(want.m_nNumber);
        auto at = functions.find(want.m_nNumber);
        ASSERT_NE(at, functions.end());
        const SNumbered& got = at->second[0];
        EXPECT_EQ(got.m_nClass, want.m_nClass);
        EXPECT_EQ(got.m_nPosition, want.m_nPosition);
        EXPECT_EQ(got.m_strSignature, want.m_pszSignature);
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
