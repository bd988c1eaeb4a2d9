// Closeness of names and the order of suggestions, and signatures as a
// person writes them. What is visible where is checked end to end by the
// compile tests and the broken-script corpus.
#include <gtest/gtest.h>

#include "parser/Suggestions.h"

namespace {

TEST(Suggestions, DistanceFoldsCaseAndCountsASwapAsOne) {
    EXPECT_EQ(0, EditDistance("GetHP", "gethp"));
    EXPECT_EQ(1, EditDistance("Tarce", "Trace"));   // adjacent letters swapped
    EXPECT_EQ(1, EditDistance("Idle", "Idl"));      // one deleted
    EXPECT_EQ(1, EditDistance("Idle", "Idlee"));    // one inserted
    EXPECT_EQ(2, EditDistance("traget", "Trace"));
    EXPECT_EQ(3, EditDistance("", "abc"));
    EXPECT_EQ(3, EditDistance("abc", ""));
    EXPECT_EQ(EditDistance("count", "cuont"), EditDistance("cuont", "count"));
}

TEST(Suggestions, ReachGrowsWithTheName) {
    EXPECT_EQ(0, SuggestionReach("ab"));
    EXPECT_EQ(1, SuggestionReach("abc"));
    EXPECT_EQ(1, SuggestionReach("abcde"));
    EXPECT_EQ(2, SuggestionReach("abcdef"));
    EXPECT_EQ(2, SuggestionReach("GetLocatonX"));
}

TEST(Suggestions, CaseFirstThenDistanceThenOrderOfVisibility) {
    std::vector<std::string> names = {"Counter", "count", "COUNT", "amount", "cont", "Count"};
    // Case-only differences first, then by distance, equal ones in the order
    // given; the name itself is never offered, nor what is out of reach.
    EXPECT_EQ((std::vector<std::string>{"count", "COUNT", "cont"}), Suggest("Count", names));
    EXPECT_EQ((std::vector<std::string>{"count", "COUNT"}), Suggest("Count", names, 2));
    EXPECT_EQ((std::vector<std::string>{"Counter", "count", "COUNT"}), Suggest("Countre", names));
    // Short names only ever suggest a change of case.
    EXPECT_EQ((std::vector<std::string>{"X"}), Suggest("x", {"y", "X", "xy"}));
    EXPECT_TRUE(Suggest("GetLocationX", {"SetLightsMode", "Trace"}).empty());
    // Length alone rules out most candidates before any distance is taken.
    EXPECT_EQ((std::vector<std::string>{"GetLocationX"}), Suggest("GetLocatonX", {"GetLocationX", "Get"}));
}

// The built-in records of the game, formatted as heads a person would write.
TEST(Suggestions, SignaturesReadLikeHeads) {
    const CBuiltinLibrary& library = GetBuiltinLibrary();
    const CType* unit = library.FindClass("unit");
    ASSERT_NE(nullptr, unit);
    EXPECT_EQ((std::vector<std::string>{"int Trace(string)", "int Trace(int)"}),
              CallCandidates(nullptr, unit, false, "Trace"));
    EXPECT_EQ((std::vector<std::string>{"int DistanceTo(int, int)", "int DistanceTo(unit)"}),
              CallCandidates(nullptr, unit, false, "DistanceTo"));
    EXPECT_EQ((std::vector<std::string>{"event OnCannonFoundTarget(int, unit)"}),
              EventCandidates(unit, "OnCannonFoundTarget"));
    EXPECT_EQ((std::vector<std::string>{"command Attack(unit)"}), CommandCandidates(unit, "Attack"));
    EXPECT_TRUE(CallCandidates(nullptr, unit, false, "trace").empty());  // built-in names are exact
    // The walks offer every name the lookup would find, none of the compiler's own.
    struct CList : CNameSink {
        std::vector<std::string> m_Names;
        void Offer(std::string_view name) override { m_Names.emplace_back(name); }
        bool Has(const std::string& name) const {
            return std::find(m_Names.begin(), m_Names.end(), name) != m_Names.end();
        }
    } events, dot, types;
    OfferEvents(unit, events);
    EXPECT_TRUE(events.Has("OnHit"));
    OfferDotMembers(unit, dot);
    for (const std::string& name : dot.m_Names) EXPECT_NE('$', name[0]) << name;
    EXPECT_FALSE(dot.Has("CallStopMoving"));  // not after a dot
    EXPECT_TRUE(dot.Has("GetLocationX"));
    OfferClassNames(library, true, types);
    EXPECT_EQ("int", types.m_Names[0]);
    CSuggester unitType("Unit");
    OfferClassNames(library, false, unitType);
    EXPECT_EQ((std::vector<std::string>{"unit", "punit"}), unitType.Best());
}

}  // namespace
