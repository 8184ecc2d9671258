#include "common/random.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

namespace {

// The automaton simulated cell by cell, with no tables.
uint32_t NaiveGeneration(uint32_t w) {
    uint32_t next = 0;
    for (int p = 0; p < 32; p++) {
        const int left = (w >> ((p + 1) & 31)) & 1, centre = (w >> p) & 1, right = (w >> ((p + 31) & 31)) & 1;
        const int rule30 = left ^ (centre | right);
        next |= uint32_t(rule30) << p;
    }
    return next;
}

TEST(Random, SeedZeroGrowsTheSingleCell) {
    Rule30State s;
    InitRule30Seeded(&s, 0);
    EXPECT_EQ(Rule30Word(&s), 0x40u);
    EXPECT_EQ(GetRule30Bits(&s), 0);
    EXPECT_EQ(Rule30Word(&s), 0xE0u);
}

TEST(Random, Rule30MatchesANaiveSimulation) {
    for (uint32_t seed : {0u, 1u, 0xDEADBEEFu, 0x80000000u, 0xFFFFFFFFu, 123456789u}) {
        Rule30State s;
        InitRule30Seeded(&s, seed);
        uint32_t w = Rule30Word(&s);
        EXPECT_EQ(w, (seed & 0xFFFFFF00u) | ((seed + 64) & 0xFFu));
        for (int g = 0; g < 300; g++) {
            w = NaiveGeneration(w);
            ASSERT_EQ(GetRule30Bits(&s), int(w & 1)) << seed << " " << g;
            ASSERT_EQ(Rule30Word(&s), w) << seed << " " << g;
        }
        // Multi-bit draws collect the same bits, first bit highest.
        Rule30State t = s;
        uint32_t expect = 0;
        for (int i = 0; i < 16; i++) expect = (expect << 1) | ((w = NaiveGeneration(w)) & 1);
        EXPECT_EQ(uint16_t(GetRule30Short(&t)), expect);
        uint32_t nyb = 0;
        for (int i = 0; i < 4; i++) nyb = (nyb << 1) | ((w = NaiveGeneration(w)) & 1);
        EXPECT_EQ(uint32_t(GetRule30Nybble(&t)), nyb);
        uint32_t f = 0;
        for (int i = 0; i < 23; i++) f = (f << 1) | ((w = NaiveGeneration(w)) & 1);
        EXPECT_EQ(GetRule30UnitFloat(&t), float(f) / 8388608.0f);
        EXPECT_EQ(Rule30Word(&t), w);
    }
}

TEST(Random, SamplingReadsCellsWithoutAdvancing) {
    Rule30State s;
    InitRule30Seeded(&s, 0x12345678u);
    const uint32_t w = Rule30Word(&s);
    for (int n = 0; n < 32; n++) EXPECT_EQ(SampleRule30Bit(&s, n), int((w >> (31 - n)) & 1));
    EXPECT_EQ(SampleRule30Bit(&s, 31), s.cells[3] & 1);
    EXPECT_EQ(SampleRule30Bit(&s, 32), 0);
    EXPECT_EQ(SampleRule30Bit(&s, -1), 0);
    EXPECT_EQ(Rule30Word(&s), w);
}

TEST(Random, EqualSeedsGiveEqualStreams) {
    Rule30State a, b;
    InitRule30Seeded(&a, 99);
    InitRule30Seeded(&b, 99);
    for (int i = 0; i < 100; i++) ASSERT_EQ(GetRule30Short(&a), GetRule30Short(&b));
    EXPECT_GE(GetRule30ShortPositive(&a), 0);
}

TEST(Random, MaskOfAllOnes) {
    const std::pair<int64_t, int64_t> cases[] = {{-5, 1}, {0, 1}, {1, 1}, {2, 3}, {3, 3}, {4, 7},
                                                 {7, 7}, {8, 15}, {3000000000LL, 2147483647}};
    for (auto [x, m] : cases) EXPECT_EQ(twoNminus1_GE_x(x), m) << x;
}

TEST(Random, RangesStayInsideAndReachEveryValue) {
    srandom(7);
    EXPECT_EQ(RandomRange(5, 5), 5);
    std::set<int64_t> seen;
    for (int i = 0; i < 2000; i++) {
        const int64_t v = RandomRange(10, 1);
        ASSERT_TRUE(v >= 1 && v <= 10) << v;
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 10u);
    Rule30State s;
    InitRule30Seeded(&s, 5);
    seen.clear();
    for (int i = 0; i < 2000; i++) {
        const int64_t v = GetRule30RandomRange(-3, 3, &s);
        ASSERT_TRUE(v >= -3 && v <= 3) << v;
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 7u);
    for (int i = 0; i < 200; i++) {
        const int v = QDRandom();
        ASSERT_TRUE(v >= -32768 && v <= 32767);
    }
}

// Ranges at the ends of the 64-bit line neither overflow nor leave the range.
TEST(Random, RangesAtTheEndsOfTheLine) {
    constexpr int64_t kMin = INT64_MIN, kMax = INT64_MAX;
    srandom(3);
    Rule30State s;
    InitRule30Seeded(&s, 9);
    for (int i = 0; i < 200; i++) {
        const int64_t top = RandomRange(kMax - 2, kMax);
        ASSERT_TRUE(top >= kMax - 2) << top;
        const int64_t bottom = GetRule30RandomRange(kMin + 5, kMin, &s);
        ASSERT_TRUE(bottom <= kMin + 5) << bottom;
        RandomRange(kMin, kMax);  // any value; must not overflow
        GetRule30RandomRange(kMax, kMin, &s);
    }
}

}  // namespace
