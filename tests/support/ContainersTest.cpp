// Containers where their behaviour is fixed: growth steps, letter case in keys.
#include <gtest/gtest.h>

#include "support/DynArray.h"
#include "support/HashMap.h"
#include "support/RefObject.h"

TEST(Containers, GrowthSteps) {
    CDynArray<int> a;
    a.SetSize(100);
    a.SetSize(101);
    EXPECT_EQ(112u, a.GetCapacity());
    CDynArray<int> b;
    b.SetSize(8);
    b.SetSize(9);
    EXPECT_EQ(12u, b.GetCapacity());
    CDynArray<int> c;
    c.SetSize(20000);
    c.SetSize(20001);
    EXPECT_EQ(21024u, c.GetCapacity());
    CDynArray<int> d(4096);
    d.SetSize(1);
    d.SetSize(2);
    EXPECT_EQ(4097u, d.GetCapacity());
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
