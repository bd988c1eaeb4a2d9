// The name index stands in for a scan of the list it indexes: every answer
// must be the scan's answer (first match, then the others in list order),
// through collisions, growth, repeated names and letter case.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/NameIndex.h"

namespace {

// A list of names with its index, as the compiler's owners keep them.
struct SNamedList {
    explicit SNamedList(bool ignoreCase) : index(ignoreCase), ignoreCase(ignoreCase) {}

    std::vector<std::string> names;
    CNameIndex index;
    bool ignoreCase;

    auto NameAt() const {
        return [this](uint32_t i) { return std::string_view(names[i]); };
    }
    uint32_t Add(const std::string& name) {
        names.push_back(name);
        return index.Add(name, uint32_t(names.size() - 1), NameAt());
    }
    uint32_t AddUnique(const std::string& name) {
        const uint32_t pos = uint32_t(names.size());
        const uint32_t first = index.AddUnique(name, pos, NameAt());
        if (first == pos) names.push_back(name);
        return first;
    }
    std::vector<uint32_t> Positions(const std::string& name) const {
        std::vector<uint32_t> found;
        for (uint32_t pos = index.Find(name, NameAt()); pos != CNameIndex::kNone; pos = index.Next(pos))
            found.push_back(pos);
        return found;
    }
    std::vector<uint32_t> Scan(const std::string& name) const {
        std::vector<uint32_t> found;
        for (uint32_t i = 0; i < names.size(); ++i)
            if (ignoreCase ? EqualsNoCase(names[i], name) : names[i] == name) found.push_back(i);
        return found;
    }
};

// Every combination of `blocks` two-letter blocks "ar"/"c0": under the hash
// h * 33 + c all of them collide.
std::vector<std::string> PairStrings(int blocks) {
    std::vector<std::string> names;
    for (int bits = 0; bits < (1 << blocks); ++bits) {
        std::string name = "x";
        for (int b = 0; b < blocks; ++b) name += (bits >> b & 1) ? "c0" : "ar";
        names.push_back(name);
    }
    return names;
}

// Pairs of names that share the index's whole 32-bit hash, found by a
// birthday search over "v0", "v1", ...
const std::vector<std::string> kCollidingPairs = {"v70090",  "v117486", "v24044",  "v139754",
                                                  "v134708", "v157254", "v139407", "v184884"};

}  // namespace

TEST(NameIndex, AnswersAsAScanThroughGrowthAndRepeats) {
    // Short names over a few letters in both cases, the empty name among
    // them: thousands of adds, most of them repeats of an earlier name.
    const std::string letters = "aAbB_";
    std::vector<std::string> pool{""};
    for (char x : letters) {
        pool.push_back(std::string(1, x));
        for (char y : letters) pool.push_back(std::string{x, y});
    }
    for (bool ignoreCase : {false, true}) {
        SCOPED_TRACE(ignoreCase ? "ignore case" : "exact");
        SNamedList list(ignoreCase);
        uint32_t seed = 12345;
        for (int step = 0; step < 3000; ++step) {
            seed = seed * 1103515245u + 12345u;
            const std::string& name = pool[(seed >> 16) % pool.size()];
            const std::vector<uint32_t> before = list.Scan(name);
            EXPECT_EQ(list.Add(name), before.empty() ? uint32_t(step) : before.front());
            if (step % 100 == 0) {
                for (const std::string& probe : pool) ASSERT_EQ(list.Positions(probe), list.Scan(probe)) << probe;
            }
        }
        for (const std::string& probe : pool) ASSERT_EQ(list.Positions(probe), list.Scan(probe)) << probe;
        EXPECT_EQ(list.Positions("zz"), std::vector<uint32_t>{});
    }
}

TEST(NameIndex, CollidingHashesStayApartAndSurviveGrowth) {
    for (bool ignoreCase : {false, true}) {
        SCOPED_TRACE(ignoreCase ? "ignore case" : "exact");
        std::vector<std::string> names = kCollidingPairs;
        for (size_t i = 0; i < names.size(); i += 2)
            ASSERT_EQ(CNameIndex::HashOf(names[i], ignoreCase), CNameIndex::HashOf(names[i + 1], ignoreCase));
        for (int i = 0; i < 1000; ++i) names.push_back("w" + std::to_string(i));  // grows the table
        SNamedList list(ignoreCase);
        for (uint32_t i = 0; i < names.size(); ++i) EXPECT_EQ(list.AddUnique(names[i]), i);
        EXPECT_EQ(list.index.GetNameCount(), names.size());
        for (uint32_t i = 0; i < names.size(); ++i) EXPECT_EQ(list.Positions(names[i]), std::vector<uint32_t>{i});
    }
}

TEST(NameIndex, NamesThatCollideUnderASimpleHashSpreadOut) {
    // 1024 names that would all share one slot under h * 33 + c.
    for (bool ignoreCase : {false, true}) {
        std::set<uint32_t> hashes;
        for (const std::string& name : PairStrings(10)) hashes.insert(CNameIndex::HashOf(name, ignoreCase));
        EXPECT_GE(hashes.size(), 1020u);
    }
}

TEST(NameIndex, UniqueAddKeepsTheFirstAndRecordsNothingElse) {
    SNamedList list(true);
    EXPECT_EQ(list.AddUnique("Tank"), 0u);
    EXPECT_EQ(list.AddUnique("Unit"), 1u);
    EXPECT_EQ(list.AddUnique("TANK"), 0u);  // taken in another case: not added
    EXPECT_EQ(list.AddUnique(""), 2u);
    EXPECT_EQ(list.AddUnique(""), 2u);
    EXPECT_EQ(list.names.size(), 3u);
    EXPECT_EQ(list.Positions("tank"), std::vector<uint32_t>{0});
    EXPECT_EQ(list.Positions(""), std::vector<uint32_t>{2});
    EXPECT_EQ(list.index.Next(0), CNameIndex::kNone);
}

TEST(NameIndex, CaseFoldsAsciiLettersOnlyAndOnlyWhenAsked) {
    SNamedList exact(false), folded(true);
    for (const char* name : {"Unit", "uNIT", "\xC4", "\xE4", "_a", "_A", "[", "{"}) {
        exact.Add(name);
        folded.Add(name);
    }
    EXPECT_EQ(exact.Positions("unit"), std::vector<uint32_t>{});
    EXPECT_EQ(exact.Positions("uNIT"), std::vector<uint32_t>{1});
    EXPECT_EQ(folded.Positions("UNIT"), (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(folded.Positions("\xE4"), std::vector<uint32_t>{3});  // bytes above 127 are not letters
    EXPECT_EQ(folded.Positions("_a"), (std::vector<uint32_t>{4, 5}));
    EXPECT_EQ(folded.Positions("{"), std::vector<uint32_t>{7});  // '[' + 32, yet no letter
}

TEST(NameIndex, EmptyIndexFindsNothing) {
    SNamedList list(true);
    EXPECT_EQ(list.index.Find("", list.NameAt()), CNameIndex::kNone);
    EXPECT_EQ(list.index.Next(0), CNameIndex::kNone);
    EXPECT_EQ(list.index.GetNameCount(), 0u);
}
