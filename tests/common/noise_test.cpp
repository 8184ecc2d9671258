#include "common/noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <set>

#include "tests/generated_source.h"

namespace {

std::mt19937 gen(2002);
double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); }

struct NoiseFixture : ::testing::Test {
    std::unique_ptr<NoiseTables> t = std::make_unique<NoiseTables>();
    void SetUp() override {
        init_hash(t.get(), 0);
        init_perlin(t.get(), 0);
    }
};

TEST(NoiseTablesTest, HashTableAndReferencePermutation) {
    const int first[8] = {1317, 807, 1939, 1586, 314, 127, 1935, 1264};
    for (int i = 0; i < 8; i++) EXPECT_EQ(kNoiseHashTable[i], first[i]);
    for (int i = 0; i < 2048; i++) ASSERT_LT(kNoiseHashTable[i], 2048);
    std::set<int> distinct(kNoiseHashTable, kNoiseHashTable + 2048);
    EXPECT_GT(distinct.size(), 1000u);  // repeats, but well spread

    const int t0[6] = {151, 160, 137, 91, 90, 15};
    for (int i = 0; i < 6; i++) EXPECT_EQ(kImprovedNoisePermutation[i], t0[i]);
    EXPECT_EQ(kImprovedNoisePermutation[255], 180);
    std::set<int> perm(kImprovedNoisePermutation, kImprovedNoisePermutation + 256);
    EXPECT_EQ(perm.size(), 256u);
}

// The checked-in hash table is what its generator writes today.
TEST(NoiseTablesTest, GeneratedSourceIsCurrent) {
    ExpectGeneratedSourceIsCurrent("gen_noise_hash", "common/generated/noise_hash_table.cpp");
}

// Every entry of the hash is written, whatever was there before.
TEST(NoiseTablesTest, InitHashFillsEveryEntry) {
    for (int64_t start : {0, 5, -3, 4000}) {
        auto t = std::make_unique<NoiseTables>();
        for (int64_t& h : t->hash) h = 0x7777777;
        init_hash(t.get(), start);
        for (int m = 0; m < 4098; m++) ASSERT_NE(t->hash[m], 0x7777777) << m;
        for (int m = 0; m < 2048; m++) {
            ASSERT_TRUE(t->hash[m] >= 0 && t->hash[m] <= 255);
            ASSERT_EQ(t->hash[m + 2049], kNoiseHashTable[m]);
            ASSERT_FLOAT_EQ(t->fhash[m], t->hash[m] / 255.0f);
        }
    }
}

TEST_F(NoiseFixture, ClassicTables) {
    std::set<int> seen;
    for (int i = 0; i < 256; i++) seen.insert(t->p[i]);
    EXPECT_EQ(seen.size(), 256u);
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 255);
    for (int i = 0; i < 258; i++) {
        EXPECT_EQ(t->p[256 + i], t->p[i]);
        EXPECT_EQ(t->g1[256 + i], t->g1[i]);
        EXPECT_EQ(t->g3[256 + i][2], t->g3[i][2]);
    }
    for (int i = 0; i < 514; i++) {
        EXPECT_NEAR(std::hypot(t->g2[i][0], t->g2[i][1]), 1, 1e-6);
        EXPECT_NEAR(std::sqrt(t->g3[i][0] * t->g3[i][0] + t->g3[i][1] * t->g3[i][1] + t->g3[i][2] * t->g3[i][2]), 1, 1e-6);
        EXPECT_TRUE(t->g1[i] >= -1 && t->g1[i] < 1);
    }
}

// Gradient noise vanishes on the lattice, is continuous, and repeats every
// 256 units.
TEST_F(NoiseFixture, ClassicNoiseProperties) {
    for (int n = 0; n < 50; n++) {
        const float lattice[3] = {float(int(Uniform(-100, 100))), float(int(Uniform(-100, 100))), float(int(Uniform(-100, 100)))};
        EXPECT_NEAR(noise3(t.get(), lattice), 0, 1e-6);
        const float v[3] = {float(Uniform(-50, 50)), float(Uniform(-50, 50)), float(Uniform(-50, 50))};
        const float w[3] = {v[0] + 1e-3f, v[1], v[2] - 1e-3f};
        const float shifted[3] = {v[0] + 256, v[1], v[2]};
        const float a = noise3(t.get(), v);
        EXPECT_LT(std::fabs(a), 1.5f);
        EXPECT_NEAR(noise3(t.get(), w), a, 1e-2);
        EXPECT_NEAR(noise3(t.get(), shifted), a, 1e-3);
        EXPECT_EQ(turbulence(t.get(), v, 0.5f), 0);
        EXPECT_FLOAT_EQ(turbulence(t.get(), v, 1), std::fabs(a));
        const float v2[3] = {v[0] * 2, v[1] * 2, v[2] * 2}, v4[3] = {v[0] * 4, v[1] * 4, v[2] * 4};
        EXPECT_NEAR(turbulence(t.get(), v, 4),
                    std::fabs(noise3(t.get(), v4)) / 4 + std::fabs(noise3(t.get(), v2)) / 2 + std::fabs(a), 1e-5);
    }
    EXPECT_EQ(noise1(), 0);
}

TEST_F(NoiseFixture, ValueAndCellNoise) {
    for (int n = 0; n < 50; n++) {
        const int i = int(Uniform(0, 255)), j = int(Uniform(0, 255));
        const float corner = t->fhash[t->p[t->p[i] + j]];
        EXPECT_FLOAT_EQ(linear_noise2(t.get(), float(i), float(j)), corner);
        EXPECT_FLOAT_EQ(s_noise2(t.get(), float(i), float(j)), corner);
        const float cell = cellnoise2(t.get(), i + 0.1f, j + 0.2f);
        EXPECT_EQ(cellnoise2(t.get(), i + 0.9f, j + 0.7f), cell);
        EXPECT_EQ(cell, t->hash[t->p[t->p[i] + j] & 2047] / 256.0f);
        // Between the four corners, never outside their range.
        const float x = i + float(Uniform(0, 1)), y = j + float(Uniform(0, 1));
        float lo = 2, hi = -1;
        for (int di = 0; di < 2; di++)
            for (int dj = 0; dj < 2; dj++) {
                const float c = t->fhash[t->p[t->p[(i + di) & 255] + ((j + dj) & 255)]];
                lo = std::fmin(lo, c), hi = std::fmax(hi, c);
            }
        for (float v : {linear_noise2(t.get(), x, y), s_noise2(t.get(), x, y)}) {
            EXPECT_GE(v, lo - 1e-6f);
            EXPECT_LE(v, hi + 1e-6f);
        }
    }
}

// Improved noise written out independently: the reference algorithm over the
// permutation doubled, with this system's gradient rule as a table.
double ReferenceImprovedNoise(double x, double y, double z) {
    int p[512];
    for (int i = 0; i < 512; i++) p[i] = kImprovedNoisePermutation[i & 255];
    // (u, v) axes for each hash, from the rule: u is x for 0-7, 12 and 13,
    // else y; v is y for 0-3, 12 and 13, else z.
    static const char uAxis[16] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'y', 'y', 'y', 'y', 'x', 'x', 'y', 'y'};
    static const char vAxis[16] = {'y', 'y', 'y', 'y', 'z', 'z', 'z', 'z', 'z', 'z', 'z', 'z', 'y', 'y', 'z', 'z'};
    auto g = [](int h, double gx, double gy, double gz) {
        h &= 15;
        auto pick = [&](char a) { return a == 'x' ? gx : a == 'y' ? gy : gz; };
        return (h % 2 ? -1 : 1) * pick(uAxis[h]) + ((h / 2) % 2 ? -1 : 1) * pick(vAxis[h]);
    };
    auto fade = [](double t) { return 6 * std::pow(t, 5) - 15 * std::pow(t, 4) + 10 * std::pow(t, 3); };
    auto lerp = [](double t, double a, double b) { return (1 - t) * a + t * b; };
    const int X = int(std::floor(x)) & 255, Y = int(std::floor(y)) & 255, Z = int(std::floor(z)) & 255;
    x -= std::floor(x), y -= std::floor(y), z -= std::floor(z);
    const double u = fade(x), v = fade(y), w = fade(z);
    const int A = p[X] + Y, AA = p[A] + Z, AB = p[A + 1] + Z, B = p[X + 1] + Y, BA = p[B] + Z, BB = p[B + 1] + Z;
    return lerp(w,
                lerp(v, lerp(u, g(p[AA], x, y, z), g(p[BA], x - 1, y, z)),
                     lerp(u, g(p[AB], x, y - 1, z), g(p[BB], x - 1, y - 1, z))),
                lerp(v, lerp(u, g(p[AA + 1], x, y, z - 1), g(p[BA + 1], x - 1, y, z - 1)),
                     lerp(u, g(p[AB + 1], x, y - 1, z - 1), g(p[BB + 1], x - 1, y - 1, z - 1))));
}

TEST_F(NoiseFixture, ImprovedNoiseMatchesTheReferenceAlgorithm) {
    for (int n = 0; n < 500; n++) {
        const double x = Uniform(-300, 300), y = Uniform(-300, 300), z = Uniform(-300, 300);
        ASSERT_NEAR(ImprovedNoise3(t.get(), x, y, z), ReferenceImprovedNoise(x, y, z), 1e-12) << x << " " << y << " " << z;
        // The 2D form is the slice z = 0 of the 3D one.
        ASSERT_NEAR(ImprovedSmallNoise2(t.get(), x, y), ImprovedNoise3(t.get(), x, y, 0), 1e-12);
    }
    EXPECT_EQ(ImprovedNoise3(t.get(), 3, 4, 5), 0);
}

TEST_F(NoiseFixture, GradientRuleAndSeed) {
    // grad against the rule's sixteen (u, v) pairs at (x, y, z) = (1, 10, 100).
    const double want[16] = {11, 9, -9, -11, 101, 99, -99, -101, 110, 90, -90, -110, 11, 9, -90, -110};
    for (int h = 0; h < 16; h++) EXPECT_EQ(grad(h, 1, 10, 100), want[h]) << h;
    for (int h = 0; h < 256; h++) EXPECT_EQ(grad2(h, 1, 10), t->gx[h] * 1 + t->gy[h] * 10) << h;

    init_improved_perlin(t.get(), 5);
    for (int i = 0; i < 512; i++) EXPECT_EQ(t->P[i], kImprovedNoisePermutation[(i + 5) & 255]);
    for (int n = 0; n < 20; n++) {
        const int64_t i = int64_t(Uniform(-1000, 1000)), j = int64_t(Uniform(-1000, 1000));
        const double v = ImprovedSmallNoise2OnIntegerLattice(t.get(), i, j);
        EXPECT_NEAR(v, t->P[t->P[t->P[i & 255] + (j & 255)]] / 255.0, 1e-15);
        double a, b;
        ImprovedSmallNoise2OnIntegerLattice_2D_result(t.get(), i, j, &a, &b);
        EXPECT_EQ(a, v);
        EXPECT_EQ(b, ImprovedSmallNoise2OnIntegerLattice(t.get(), i + 120, j + 57));
    }
}

TEST_F(NoiseFixture, FixedPointValueNoise) {
    for (int n = 0; n < 200; n++) {
        const int64_t x = int64_t(Uniform(-10000, 10000)), y = int64_t(Uniform(-10000, 10000));
        const int64_t v = rdot(t.get(), x, y, 1024, 512);
        EXPECT_GE(v, -16256);
        EXPECT_LE(v, (255 * 127 * 127 >> 8) - 16256 + 1);
        // Mirrored at 2048 and periodic in 4096.
        EXPECT_EQ(rdot(t.get(), x + 4096, y, 1024, 512), v);
        EXPECT_EQ(rdot(t.get(), 4096 - (x & 4095), y, 1024, 512), rdot(t.get(), x & 4095, y, 1024, 512));
    }
    // On a cell corner the value is the corner's hash, scaled.
    EXPECT_EQ(rdot(t.get(), 0, 0, 1024, 1024), ((t->hash[0] * 127 >> 3) * 127 >> 5) - 16256);
}

TEST(BiasGain, ClosedForms) {
    for (float x : {0.0f, 0.1f, 0.3f, 0.5f, 0.77f, 1.0f}) EXPECT_FLOAT_EQ(bias(x, 0.5f), x);
    EXPECT_EQ(bias(0, 0.8f), 0);
    for (float g : {0.1f, 0.25f, 0.5f, 0.9f}) {
        EXPECT_FLOAT_EQ(gain(0.5f, g), 0.5f);
        EXPECT_EQ(gain(0.0005f, g), 0);
        EXPECT_EQ(gain(0.9995f, g), 1);
        EXPECT_EQ(gainD(0.999995, g), 1);
        EXPECT_EQ(gainD(5e-6, g), 0);
        for (double x = 0.01; x < 0.99; x += 0.07) {
            const double b = std::log(1.0 - g) / std::log(0.5);  // gain is two halves of bias(·, 1 − g)
            const double want = x < 0.5 ? std::pow(2 * x, b) / 2 : 1 - std::pow(2 - 2 * x, b) / 2;
            EXPECT_NEAR(gain(float(x), g), want, 1e-5) << x << " " << g;
            EXPECT_NEAR(gainD(x, g), want, 1e-12) << x << " " << g;
            EXPECT_NEAR(bias(float(x), g), std::pow(x, std::log(g) / std::log(0.5)), 1e-5);
        }
    }
}

TEST(FastRoots, InverseSquareRoots) {
    EXPECT_NEAR(InvSqrtFastSloppy(4.0f), 0.5f, 1e-5);
    EXPECT_EQ(SqrtFastSloppyDouble(0), 0);
    for (double x = 1e-6; x < 1e7; x *= 1.7) {
        EXPECT_NEAR(InvSqrtFastSloppy(float(x)) * std::sqrt(x), 1, 1e-5) << x;
        // The bit trick starts within about 3.5%; each Newton step squares the error.
        EXPECT_NEAR(InvSqrtFastSloppyDouble(x) * std::sqrt(x), 1, 1e-10) << x;
        EXPECT_NEAR(SqrtFastSloppyDouble(x) / std::sqrt(x), 1, 1e-10) << x;
    }
}

// Integer square roots are exact for every input, the small ones included.
TEST(FastRoots, IntegerSquareRootIsExact) {
    EXPECT_EQ(root(100, 1), 10);
    EXPECT_EQ(root(99, 50), 9);
    EXPECT_EQ(root(-4, 1), 0);
    EXPECT_EQ(root(0, 1), 0);
    EXPECT_EQ(root(1, 1), 1);
    EXPECT_EQ(root(4, 1), 2);
    EXPECT_EQ(root(5, 1), 2);
    int64_t r = 0;
    for (int64_t n = 0; n < 200000; n++) {
        while ((r + 1) * (r + 1) <= n) r++;
        ASSERT_EQ(root(n), r) << n;
    }
    for (int64_t s : {int64_t(3037000499), int64_t(1) << 31, int64_t(99999999)}) {
        EXPECT_EQ(root(s * s), s);
        EXPECT_EQ(root(s * s - 1), s - 1);
        EXPECT_EQ(root(s * s + 1), s);
    }
    EXPECT_EQ(root(INT64_MAX), 3037000499);
}

}  // namespace
