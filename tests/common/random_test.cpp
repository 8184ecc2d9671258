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

TEST(Random, Rule30MatchesANaiveSimulation) {
    for (uint32_t seed : {0u, 1u, 0xDEADBEEFu, 0x80000000u, 0xFFFFFFFFu, 123456789u}) {
        Rule30State s;
        InitRule30Seeded(&s, seed);
        // The seeded word: the seed with 64 added to its lowest byte.
        uint32_t w = (seed & 0xFFFFFF00u) | ((seed + 64) & 0xFFu);
        // A draw collects one bit of each generation, first bit highest.
        uint32_t expect = 0;
        for (int i = 0; i < 16; i++) expect = (expect << 1) | ((w = NaiveGeneration(w)) & 1);
        EXPECT_EQ(uint16_t(GetRule30Short(&s)), expect) << seed;
    }
}

TEST(Random, EqualSeedsGiveEqualStreams) {
    Rule30State a, b;
    InitRule30Seeded(&a, 99);
    InitRule30Seeded(&b, 99);
    for (int i = 0; i < 100; i++) ASSERT_EQ(GetRule30Short(&a), GetRule30Short(&b));
}

}  // namespace
