#include "common/skiplist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

struct SkipListBlock {
    std::unique_ptr<SkipList> list = std::make_unique<SkipList>();
    SkipListBlock() { initialize_skiplist(list.get()); }
    SkipList* operator->() { return list.get(); }
    SkipList* get() { return list.get(); }
};

// The level-1 chain as (key, value) pairs; checks on the way that every level
// is ascending and that every node of a level is also on the level below.
std::vector<std::pair<double, int32_t>> CheckedChain(const SkipList* list) {
    std::vector<std::vector<bool>> onLevel(list->level, std::vector<bool>(kSkipListNodeCount));
    for (int32_t level = 0; level < list->level; ++level) {
        double last = -INFINITY;
        for (int32_t n = list->nodes[0].links[level]; n >= 0; n = list->nodes[n].links[level]) {
            EXPECT_GE(list->nodes[n].key, last);
            last = list->nodes[n].key;
            onLevel[level][n] = true;
            if (level > 0) {
                EXPECT_TRUE(onLevel[level - 1][n]) << "node " << n << " level " << level;
            }
        }
    }
    std::vector<std::pair<double, int32_t>> chain;
    if (list->level >= 1)
        for (int32_t n = list->nodes[0].links[0]; n >= 0; n = list->nodes[n].links[0])
            chain.emplace_back(list->nodes[n].key, list->nodes[n].value);
    return chain;
}

TEST(SkipList, EmptyListFindsNothing) {
    SkipListBlock list;
    for (double x : {-1e300, 0.0, 1.0, 1e300}) {
        EXPECT_EQ(search_skiplist_for_greater_or_equal(list.get(), x), -1);
        EXPECT_EQ(search_skiplist_for_equal(list.get(), x), -1);
    }
}

TEST(SkipList, LaterEqualKeyComesFirst) {
    SkipListBlock list;
    EXPECT_EQ(insert_skiplist(list.get(), 2.0, 10), 1);
    EXPECT_EQ(insert_skiplist(list.get(), 1.0, 11), 2);
    EXPECT_EQ(insert_skiplist(list.get(), 2.0, 12), 3);
    EXPECT_EQ(search_skiplist_for_greater_or_equal(list.get(), 1.5), 3);
    EXPECT_EQ(search_skiplist_for_equal(list.get(), 1.5), -1);
    EXPECT_EQ(search_skiplist_for_equal(list.get(), 1.0), 2);
    EXPECT_EQ(search_skiplist_for_greater_or_equal(list.get(), 2.5), -1);
}

// A draw of 0 from the level generator must still put the node on level 1.
TEST(SkipList, ZeroLevelDrawStaysReachable) {
    uint32_t seed = 0;
    while ((((seed * 214013u + 2531011u) >> 16) & 0x7FFFu) != 0) ++seed;
    SkipListBlock list;
    insert_skiplist(list.get(), 5.0, 1);
    list->randomState = seed;
    int32_t n = insert_skiplist(list.get(), 3.0, 2);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(search_skiplist_for_equal(list.get(), 3.0), n);
    EXPECT_EQ(search_skiplist_for_greater_or_equal(list.get(), 4.0), 1);
    EXPECT_EQ(CheckedChain(list.get()).size(), 2u);
}

// A full block of inserts agrees with a multimap in which each new key goes
// before the equal keys already there; the insert after that is refused.
TEST(SkipList, FullBlockAgreesWithMultimap) {
    for (uint32_t seed : {1u, 77u}) {
        SkipListBlock list;
        list->randomState = seed;
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> small(0, 999);
        std::uniform_real_distribution<double> wide(-1e6, 1e6);
        std::multimap<double, int32_t> model;
        const int32_t capacity = kSkipListNodeCount - 1;
        for (int32_t i = 0; i < capacity; ++i) {
            double key = (i % 3 == 0) ? wide(rng) : small(rng) * 0.5;
            ASSERT_EQ(insert_skiplist(list.get(), key, i), i + 1);
            model.emplace_hint(model.lower_bound(key), key, i);
        }
        EXPECT_EQ(insert_skiplist(list.get(), 0.25, -7), -1);
        EXPECT_EQ(insert_skiplist(list.get(), 1e9, -8), -1);

        std::vector<std::pair<double, int32_t>> expected(model.begin(), model.end());
        EXPECT_EQ(CheckedChain(list.get()), expected);

        for (int probe = 0; probe < 2000; ++probe) {
            double x = (probe % 2) ? small(rng) * 0.5 : wide(rng);
            auto it = model.lower_bound(x);
            int32_t n = search_skiplist_for_greater_or_equal(list.get(), x);
            if (it == model.end()) {
                EXPECT_EQ(n, -1);
                continue;
            }
            ASSERT_GE(n, 1);
            EXPECT_EQ(list->nodes[n].key, it->first);
            EXPECT_EQ(list->nodes[n].value, it->second);
            int32_t e = search_skiplist_for_equal(list.get(), x);
            EXPECT_EQ(e, it->first == x ? n : -1);
        }
    }
}

}  // namespace
