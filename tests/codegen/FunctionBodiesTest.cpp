// The table of function body labels: every function keeps its own label
// through the table's growth, whatever its records' addresses look like.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "codegen/FunctionBodies.h"

namespace {

// Keys are only compared, never read: addresses made up in a pattern
// (records a page apart) stand for real ones.
const CFunction* Key(uintptr_t i) { return reinterpret_cast<const CFunction*>((i + 1) << 12); }

TEST(FunctionBodiesTest, EachFunctionFindsItsOwnLabelAsTheTableGrows) {
    CFunctionBodies bodies;
    EXPECT_EQ(nullptr, bodies.Find(Key(0)));
    std::vector<CLabel*> labels;
    for (uintptr_t i = 0; i < 1000; ++i) {
        labels.push_back(bodies.Add(Key(i)));
        ASSERT_EQ(labels.back(), bodies.Find(Key(i))) << i;
        ASSERT_EQ(labels.front(), bodies.Find(Key(0))) << i;
    }
    EXPECT_EQ(1000u, bodies.GetSize());
    EXPECT_EQ(1000u, std::set<CLabel*>(labels.begin(), labels.end()).size());
    for (uintptr_t i = 0; i < 1000; ++i) {
        EXPECT_EQ(labels[i], bodies.Find(Key(i))) << i;
        EXPECT_EQ(nullptr, bodies.Find(Key(i + 1000))) << i;
    }
}

// A function translated again gets a fresh label in the same place.
TEST(FunctionBodiesTest, AddingAFunctionAgainReplacesItsLabel) {
    CFunctionBodies bodies;
    CLabel* first = bodies.Add(Key(7));
    first->Place(40);
    CLabel* second = bodies.Add(Key(7));
    EXPECT_EQ(second, bodies.Find(Key(7)));
    EXPECT_FALSE(second->IsPlaced());
    EXPECT_EQ(1u, bodies.GetSize());
}

}  // namespace
