// Containers where a fault would cost time or memory or mix up names:
// storage that grows without copying over and over, letter case in keys,
// release on the last holder.
#include <gtest/gtest.h>

#include <vector>

#include "support/Arena.h"
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

// An arena frees everything at once: cleanups run latest first (one that
// registers another runs that one too), the memory of one batch is handed out
// again to the next, and blocks too large to share are given back.
TEST(Containers, ArenaResetRunsCleanupsAndReusesItsBlocks) {
    CArena arena(1024);
    std::vector<int> order;
    auto* first = static_cast<char*>(arena.Allocate(3));
    auto* second = static_cast<char*>(arena.Allocate(8));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(second) % 8, 0u);
    struct SLog {
        std::vector<int>* m_pOrder;
        int m_nId;
        CArena* m_pArena;
    };
    SLog a{&order, 1, &arena}, b{&order, 2, &arena};
    auto note = [](void* p) {
        auto* log = static_cast<SLog*>(p);
        log->m_pOrder->push_back(log->m_nId);
        if (log->m_nId == 2) log->m_pArena->OnReset([](void* q) { static_cast<SLog*>(q)->m_pOrder->push_back(3); }, log);
    };
    arena.OnReset(note, &a);
    arena.OnReset(note, &b);
    for (int i = 0; i < 200; ++i) arena.Allocate(40);  // several blocks
    arena.Allocate(5000);                              // a block of its own
    const size_t reserved = arena.GetBytesReserved();
    EXPECT_GE(arena.GetBytesInUse(), 200u * 40 + 5000);

    arena.Reset();
    EXPECT_EQ(order, (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(arena.GetBytesInUse(), 0u);
    if (CArena::kChecked) return;  // every allocation has a heap block of its own there
    EXPECT_EQ(second - first, 8);  // eight-byte steps
    EXPECT_EQ(arena.GetBytesReserved(), reserved - 5000);
    EXPECT_EQ(arena.Allocate(16), first);
    for (int i = 0; i < 200; ++i) arena.Allocate(40);
    EXPECT_EQ(arena.GetBytesReserved(), reserved - 5000);  // the same blocks again
}
