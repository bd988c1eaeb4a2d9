// The body's resolution cache on its own: what a hit makes, the names it
// must tell apart, the fixed table filling up, and clearing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parser/NameCache.h"

namespace {

uint32_t HashOf(const std::string& name) {
    size_t size = 0;
    uint32_t hash = CNameCache::Hash(name.c_str(), size);
    EXPECT_EQ(name.size(), size);
    return hash;
}

CVariable* Found(const CNameCache& cache, const std::string& name) {
    CRefPtr<CNode> node = cache.MakeNode(name, HashOf(name));
    CVariableNode* v = NodeAs<CVariableNode>(node.Get());
    return v ? v->m_pVariable.Get() : nullptr;
}

struct CKept {
    CRefPtr<CVariableList> m_pScope = MakeRef<CVariableList>();
    CVariable* Variable(const std::string& name) {
        return m_pScope->Add(name, CType::GetShared(CType::eInt), CVariable::eLocal);
    }
    void Add(CNameCache& cache, const std::string& name, CNode* node) {
        CRefPtr<CNode> hold(node);
        cache.Add(name, HashOf(name), node);
    }
};

// Names that share a prefix, differ in the last byte or are long are told
// apart; each kind of result comes back as a fresh node of that kind.
TEST(NameCacheTest, HitsMakeTheNodeTheNameResolvedTo) {
    CNameCache cache;
    CKept kept;
    const std::string longName(40, 'n');
    const std::vector<std::string> names = {"s", "si", "sj", longName};
    for (const std::string& name : names) kept.Add(cache, name, new CVariableNode(kept.Variable(name)));
    for (const std::string& name : names) {
        CVariable* v = Found(cache, name);
        ASSERT_NE(nullptr, v) << name;
        EXPECT_EQ(name, v->GetName());
    }
    EXPECT_EQ(nullptr, Found(cache, longName.substr(1) + "m"));
    EXPECT_EQ(nullptr, Found(cache, "t"));
    EXPECT_EQ(nullptr, Found(cache, "S"));

    CRefPtr<CFunction> f = MakeRef<CFunction>("Go", CType::GetShared(CType::eVoid));
    kept.Add(cache, "Go", new CCallNode(f.Get(), nullptr, 1));
    kept.Add(cache, "K", new CConstNode(CConstValue::MakeInt(-7).Get()));
    CRefPtr<CNode> call = cache.MakeNode("Go", HashOf("Go"));
    ASSERT_TRUE(NodeAs<CCallNode>(call.Get()));
    EXPECT_EQ(f.Get(), NodeAs<CCallNode>(call.Get())->m_pFunction.Get());
    EXPECT_EQ(1, NodeAs<CCallNode>(call.Get())->m_bOwn);
    EXPECT_EQ(nullptr, call->GetParent());
    CRefPtr<CNode> constant = cache.MakeNode("K", HashOf("K"));
    ASSERT_TRUE(NodeAs<CConstNode>(constant.Get()));
    EXPECT_EQ(-7, NodeAs<CConstNode>(constant.Get())->m_pValue->m_nValue);
    EXPECT_TRUE(CType::GetShared(CType::eInt) == constant->GetType());

    // A member after a dot is not a name of the body.
    kept.Add(cache, "m", new CVariableNode(kept.Variable("m"), kept.Variable("o")));
    EXPECT_EQ(nullptr, Found(cache, "m"));
}

// The table stops taking names at three quarters, still finds those it has,
// and after a clear takes a new set in the same slots.
TEST(NameCacheTest, AFullTableKeepsWhatItHasAndAClearEmptiesIt) {
    CNameCache cache;
    CKept kept;
    for (int i = 0; i < 100; ++i) {
        std::string name = "v" + std::to_string(i);
        kept.Add(cache, name, new CVariableNode(kept.Variable(name)));
    }
    EXPECT_EQ(48u, cache.GetSize());
    for (int i = 0; i < 100; ++i) EXPECT_EQ(i < 48, Found(cache, "v" + std::to_string(i)) != nullptr) << i;

    cache.Clear();
    EXPECT_EQ(0u, cache.GetSize());
    EXPECT_EQ(nullptr, Found(cache, "v0"));
    kept.Add(cache, "v99", new CVariableNode(kept.m_pScope->Find("v99")));
    EXPECT_EQ(kept.m_pScope->Find("v99"), Found(cache, "v99"));
    EXPECT_EQ(nullptr, Found(cache, "v1"));
}

// A new script function clears the cache only when a kept name equals its
// name in some letter case: a prefix, a longer name, a name that differs
// only in its first letter, or an empty cache keep what is there.
TEST(NameCacheTest, ForgettingANameClearsOnlyOnAMatchInAnyCase) {
    CNameCache cache;
    CKept kept;
    cache.ForgetNoCase("Speed");
    EXPECT_EQ(0u, cache.GetSize());
    for (const std::string name : {"speed", "sp"}) kept.Add(cache, name, new CVariableNode(kept.Variable(name)));
    for (const std::string other : {"spee", "speeds", "xpeed", "s", "Sq", ""}) {
        cache.ForgetNoCase(other);
        EXPECT_EQ(2u, cache.GetSize()) << other;
    }
    cache.ForgetNoCase("SPEED");
    EXPECT_EQ(0u, cache.GetSize());
    EXPECT_EQ(nullptr, Found(cache, "sp"));
}

}  // namespace
