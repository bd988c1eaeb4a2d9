// Containers where their behaviour is fixed: growth steps, letter case in keys.
#include <gtest/gtest.h>

#include <array>

#include "support/DynArray.h"
#include "support/HashMap.h"
#include "support/RefObject.h"

TEST(Containers, GrowthSteps) {
    // {growth step (0: the default rule), size before, capacity after one more}
    for (auto [step, size, capacity] : {std::array<size_t, 3>{0, 100, 112}, {0, 8, 12}, {0, 20000, 21024},
                                        {4096, 1, 4097}}) {
        CDynArray<int> a{int(step)};
        a.SetSize(size);
        a.SetSize(size + 1);
        EXPECT_EQ(capacity, a.GetCapacity()) << size;
    }
    CDynArray<int> d(4096);
    d.SetSize(2);
    d.SetSize(0, -1, true);
    EXPECT_EQ(0u, d.GetCapacity());
    d.SetSize(1);
    EXPECT_EQ(1u, d.GetCapacity());
    EXPECT_EQ(0, d[0]);
}

// The reported capacity follows the fixed step, but a table of megabytes must
// not be copied once per step: the storage moves only a logarithmic number of times.
TEST(Containers, LargeTablesMoveRarely) {
    CDynArray<unsigned char> code(4096);
    const unsigned char* data = nullptr;
    int moves = 0;
    for (size_t n = 1; n <= 4000000; ++n) {
        code.SetSize(n);
        if (code.GetData() != data) {
            data = code.GetData();
            ++moves;
        }
    }
    EXPECT_LT(moves, 40);
    EXPECT_EQ(4000000u, code.GetSize());
    EXPECT_EQ(1u + 4096u * 977u, code.GetCapacity());  // still the fixed step
}

TEST(Containers, NameKeysIgnoreLetterCaseOfAsciiOnly) {
    CHashMap<int> m;
    m["Unit"] = 1;
    m["uNIT"] = 2;
    EXPECT_EQ(1u, m.size());
    EXPECT_EQ(2, m["unit"]);
    EXPECT_EQ(HashNoCase("TANK"), HashNoCase("tank"));
    EXPECT_FALSE(EqualsNoCase("\xC4", "\xE4"));  // bytes above 127 are not letters
    EXPECT_EQ(uint32_t('a') * 33 + uint32_t('b'), HashNoCase("AB"));
}

namespace {
struct Counted : CRefObject {
    explicit Counted(int* d) : deaths(d) {}
    ~Counted() override { ++*deaths; }
    int* deaths;
};
}  // namespace

TEST(Containers, RefPtrReleasesOnLastHolderAndSurvivesSelfAssignment) {
    int deaths = 0;
    {
        CRefPtr<Counted> a = MakeRef<Counted>(&deaths);
        CRefPtr<Counted> b = a;
        a = b.Get();
        a = nullptr;
        EXPECT_EQ(0, deaths);
    }
    EXPECT_EQ(1, deaths);
}
