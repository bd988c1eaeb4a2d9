// Containers where a fault would cost time or memory or mix up names:
// storage that grows without copying over and over, letter case in keys,
// release on the last holder.
#include <gtest/gtest.h>

#include "support/DynArray.h"
#include "support/HashMap.h"
#include "support/RefObject.h"

// A table of megabytes (the code of a long script) grows by a small step at a
// time, yet must not be copied once per step: the storage moves only a
// logarithmic number of times.
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
}

TEST(Containers, NameKeysIgnoreLetterCaseOfAsciiOnly) {
    CHashMap<int> m;
    m["Unit"] = 1;
    m["uNIT"] = 2;
    EXPECT_EQ(1u, m.size());
    EXPECT_EQ(2, m["unit"]);
    EXPECT_EQ(HashNoCase("TANK"), HashNoCase("tank"));
    EXPECT_FALSE(EqualsNoCase("\xC4", "\xE4"));  // bytes above 127 are not letters
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
