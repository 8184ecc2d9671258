#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "pyramid/kernels.h"
#include "pyramid/mipmap.h"
#include "pyramid/overhang.h"
#include "pyramid/sampling.h"
#include "pyramid_fixture.h"

namespace {

const int64_t kSampledKinds[] = {kPyrGrey8, kPyrGrey16, kPyrColour8, kPyrColour16, kPyrGreyFloat, kPyrColourFloat};

// Unit positions that matter: corners, edges, the tile seam at 512, random.
std::vector<std::pair<float, float>> Positions(int n, unsigned seed) {
    std::vector<std::pair<float, float>> out = {{0, 0}, {1, 1}, {0, 1}, {1, 0}, {0.5f, 0.5f}, {511.5f / 600, 0.25f}};
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(0.0f, 1.0f);
    for (int i = 0; i < n; ++i) out.push_back({d(rng), d(rng)});
    return out;
}

// A constant picture samples to the same constant at every position and
// level through every sampler, for every kind (float kinds up to rounding).
TEST(Sampling, ConstantPictureStaysConstant) {
    for (int64_t kind : kSampledKinds)
        for (int64_t edge : {0, 1, 2}) {
            TestPyramid p(600, 90, kind, edge);
            ASSERT_TRUE(p.ok);
            const bool grey = kind == kPyrGrey8 || kind == kPyrGrey16 || kind == kPyrGreyFloat;
            const float unit[4] = {200.0f / 255, 200.0f / 255, 200.0f / 255, 1.0f};
            FillLevel(p.get(), 0, [&](int64_t, int64_t, float* c) {
                c[0] = unit[0], c[1] = grey ? unit[0] : 0.25f, c[2] = grey ? unit[0] : 0.75f, c[3] = 1.0f;
            });
            paint_mipmap_of_pyramid(p.get());
            float expectUnit[4] = {0, 0, 0, 1};
            get_intcoord_unitary_color(7, 7, p.get(), 0, expectUnit);
            const float tol = (kind == kPyrGreyFloat || kind == kPyrColourFloat) ? 2e-6f : 0.0f;
            for (auto [u, v] : Positions(40, static_cast<unsigned>(kind * 3 + edge)))
                for (int64_t L : {int64_t{0}, int64_t{2}, int64_t{5}, p->topLevel - 1, p->topLevel, int64_t{40}})
                    for (float f : {0.0f, 0.3f, 0.999f}) {
                        float b[4], w[4];
                        get_unitarycoord_unitary_color(p.get(), L, f, u, v, b);
                        get_unit_ramped_wrapped_pyramid_sample_point(p.get(), L, u, v, w);
                        for (int k = 0; k < 4; ++k) {
                            ASSERT_NEAR(b[k], expectUnit[k], tol + 1e-7f) << kind << " L" << L << " " << u << "," << v;
                            ASSERT_NEAR(w[k], expectUnit[k], tol + 1e-7f) << kind << " L" << L;
                        }
                    }
        }
}

// A ramp along x (value = column) samples to the ramp: exactly for the
// bilinear sampler, within the kernel's known offset for the 5 x 5 kernel
// (its sub-positions all lie on one side, which shifts it by about 0.05 pixel).
TEST(Sampling, LinearRampSamplesToTheRamp) {
    for (int kernelMode : {0, 1}) {
        TestPyramid p(700, 40, kPyrColourFloat, 0);
        ASSERT_TRUE(p.ok);
        if (kernelMode == 0) initGaussianPyrTable_sinc(&p->kernel);
        else initGaussianPyrTable_gauss(&p->kernel);
        for (int64_t y = 0; y < 40; ++y)
            for (int64_t x = 0; x < 700; ++x) set_pyramid_sample_point128bit_floats(x, y, p.get(), 0, float(x), 1, 2, 3);
        std::mt19937 rng(5);
        std::uniform_real_distribution<float> d(3.0f / 700, 1.0f - 3.0f / 700);
        for (int i = 0; i < 300; ++i) {
            const float u = d(rng), v = 0.5f;
            const float X = u * 700 - 0.5f;
            float k[4], w[4];
            get_borked(p.get(), 0, 0.0f, u, v, k);
            get_unit_ramped_wrapped_pyramid_sample_point(p.get(), 0, u, v, w);
            EXPECT_NEAR(k[0], X, 0.08f) << "kernel " << kernelMode << " X " << X;
            EXPECT_NEAR(k[1], 1.0f, 1e-5f);
            EXPECT_NEAR(w[0], X, 2e-3f) << X;
        }
    }
    // The integer path of the packed kind follows the ramp as well.
    TestPyramid q(256, 20, kPyrColour8, 0);
    for (int64_t y = 0; y < 20; ++y)
        for (int64_t x = 0; x < 256; ++x) set_pyramid_sample_point4(x, y, q.get(), 0, x, 255 - x, 9, 255);
    for (float X = 3.0f; X < 252.0f; X += 0.37f) {
        float c[4];
        gauss_pyramid_sample4(q.get(), 0, X, 10.0f, c);
        EXPECT_NEAR(c[0], X, 0.08f);
        EXPECT_NEAR(c[1], 255.0f - X, 0.08f);
        EXPECT_FLOAT_EQ(c[2], 9.0f);
    }
}

// The packed 8-bit kernel is the exact integer sum of its 25 pixels times
// both axes' integer weights, over 4194304, wherever the window lies inside
// the level: in one tile (read straight from it) or across a tile seam,
// for both kernels, any bytes (the top one above 127 included).
TEST(Sampling, PackedKernelIsTheExactIntegerSum) {
    const int64_t W = 1100, H = 700;
    TestPyramid p(W, H, kPyrColour8, 0);
    ASSERT_TRUE(p.ok);
    std::mt19937 rng(17);
    std::vector<uint8_t> bytes(size_t(W * H * 4));
    for (auto& b : bytes) b = uint8_t(rng());
    for (int64_t y = 0; y < H; ++y)
        for (int64_t x = 0; x < W; ++x) {
            const uint8_t* c = &bytes[size_t((y * W + x) * 4)];
            set_pyramid_sample_point4(x, y, p.get(), 0, c[0], c[1], c[2], c[3]);
        }
    // Positions near the seams at 512 as well as anywhere inside.
    std::uniform_real_distribution<float> dx(2.0f, float(W) - 3.0f), dy(2.0f, float(H) - 3.0f);
    std::uniform_real_distribution<float> seam(507.0f, 517.0f);
    int inTile = 0, acrossSeam = 0;
    for (int kernelMode : {0, 1}) {
        if (kernelMode == 0) initGaussianPyrTable_sinc(&p->kernel);
        else initGaussianPyrTable_gauss(&p->kernel);
        for (int i = 0; i < 20000; ++i) {
            const float X = i % 4 == 1 ? seam(rng) : dx(rng), Y = i % 4 == 2 ? seam(rng) : dy(rng);
            const int64_t ix = int64_t(X + 0.5f), iy = int64_t(Y + 0.5f);
            const int px = std::clamp(int((X + 0.5f - float(ix)) * float(kKernelPhases)), 0, int(kKernelPhases) - 1);
            const int py = std::clamp(int((Y + 0.5f - float(iy)) * float(kKernelPhases)), 0, int(kKernelPhases) - 1);
            int64_t sum[4] = {0, 0, 0, 0};
            for (int r = 0; r < 5; ++r)
                for (int c = 0; c < 5; ++c) {
                    const int64_t w = p->kernel.weights2048[(4 - c) * kKernelPhases + px] *
                                      p->kernel.weights2048[(4 - r) * kKernelPhases + py];
                    const uint8_t* b = &bytes[size_t(((iy - 2 + r) * W + ix - 2 + c) * 4)];
                    for (int k = 0; k < 4; ++k) sum[k] += w * b[k];
                }
            const bool oneTile = (ix - 2) / 512 == (ix + 2) / 512 && (iy - 2) / 512 == (iy + 2) / 512;
            (oneTile ? inTile : acrossSeam)++;
            float got[4];
            gauss_pyramid_sample4(p.get(), 0, X, Y, got);
            for (int k = 0; k < 4; ++k)
                ASSERT_EQ(got[k], float(double(sum[k]) * (1.0 / 4194304.0))) << "kernel " << kernelMode << " at " << X
                                                                             << ", " << Y << " component " << k;
        }
    }
    EXPECT_GT(inTile, 1000);
    EXPECT_GT(acrossSeam, 1000);
}

// The same ramp at levels whose size was rounded up: every level holds the
// level-0 position of its pixels' centres (as the reduction leaves it), and
// every sampler, given a unit position, must find the ramp at that place. Mixing the picture's scale with the level's
// width misplaces level 1 by a pixel and level 3 by almost two.
TEST(Sampling, RampSamplesInPlaceAtRoundedUpLevels) {
    TestPyramid p(kOddWidth, kOddHeight, kPyrColourFloat, 0);
    ASSERT_TRUE(p.ok);
    p->overhangMode = 3;
    for (int64_t L = 0; L <= p->topLevel; ++L)
        FillLevel(p.get(), L, [L](int64_t x, int64_t y, float* c) { c[0] = RampAt(x, L), c[1] = RampAt(y, L), c[2] = 0, c[3] = 1; });
    p->mipmapState = 2;
    std::mt19937 rng(17);
    for (int64_t L = 1; L <= 3; ++L) {
        const float scale = float(int64_t{1} << L);
        // Positions at least three pixels of the level inside the picture.
        const float marginU = 3.0f * scale / kOddWidth, marginV = 3.0f * scale / kOddHeight;
        std::uniform_real_distribution<float> du(marginU, 1.0f - marginU), dv(marginV, 1.0f - marginV);
        for (int i = 0; i < 200; ++i) {
            const float u = du(rng), v = dv(rng);
            const float ex = u * kOddWidth - 0.5f, ey = v * kOddHeight - 0.5f;
            float c[4];
            get_unit_ramped_wrapped_pyramid_sample_point(p.get(), L, u, v, c);
            ASSERT_NEAR(c[0], ex, 0.01f) << "wrapped bilinear, level " << L << " u " << u;
            ASSERT_NEAR(c[1], ey, 0.01f);
            // The kernel's sub-positions lie to one side (about 0.05 pixel of
            // the level, see above).
            const float kernelTol = 0.08f * scale * 2.0f;
            get_borked(p.get(), L, 0.0f, u, v, c);
            ASSERT_NEAR(c[0], ex, kernelTol) << "kernel, level " << L;
            ASSERT_NEAR(c[1], ey, kernelTol);
            get_borked(p.get(), L, 0.5f, u, v, c);
            ASSERT_NEAR(c[0], ex, kernelTol) << "kernel blend, level " << L;
        }
    }
}

// At a level whose size was rounded up the picture's width is not a whole
// number of pixels (341.5 at level 2 of 1366); still u = 0 and u = 1 are one
// place on a picture that closes across its sides, and every sampler must
// answer alike there (and v = 0 and v = 1 where it closes top to bottom). A
// ramp across the seam makes any disagreement large.
TEST(Sampling, SeamAgreesAtRoundedUpLevels) {
    struct Mode {
        int64_t overhang, edge;
        bool wrapV;
    };
    for (Mode m : {Mode{kOverhangWrapSides, 2, false}, Mode{kOverhangWrapBoth, 1, true},
                   Mode{kOverhangOverThePole, 2, false}})
        for (int64_t hq : {0, 1}) {
            TestPyramid p(kOddWidth, kOddHeight, kPyrColourFloat, m.edge);
            ASSERT_TRUE(p.ok);
            p->overhangMode = m.overhang;
            p->highQuality = hq;
            FillLevel(p.get(), 0, [](int64_t x, int64_t y, float* c) {
                c[0] = float(x) / kOddWidth, c[1] = float(y) / kOddHeight, c[2] = float((x / 3 + y / 5) % 2), c[3] = 1;
            });
            paint_mipmap_of_pyramid(p.get());
            for (int64_t L = 0; L <= 3; ++L)
                for (float t : {0.0f, 0.37f, 0.81f})
                    for (float f : {0.0f, 0.5f}) {
                        float a[4], b[4];
                        auto agree = [&](const char* what, float u0, float v0, float u1, float v1, auto sample) {
                            sample(u0, v0, a);
                            sample(u1, v1, b);
                            for (int k = 0; k < 4; ++k)
                                EXPECT_NEAR(a[k], b[k], 1e-5f) << what << " overhang " << m.overhang << " hq " << hq
                                                               << " level " << L << " at " << t << " f " << f << " component " << k;
                        };
                        auto kernel = [&](float u, float v, float* o) { get_borked(p.get(), L, f, u, v, o); };
                        auto bilinear = [&](float u, float v, float* o) {
                            get_unit_ramped_wrapped_pyramid_sample_point(p.get(), L, u, v, o);
                        };
                        agree("kernel", 0.0f, t, 1.0f, t, kernel);
                        agree("bilinear", 0.0f, t, 1.0f, t, bilinear);
                        if (m.wrapV) {
                            agree("kernel down", t, 0.0f, t, 1.0f, kernel);
                            agree("bilinear down", t, 0.0f, t, 1.0f, bilinear);
                        }
                    }
        }
}

TEST(Sampling, LevelBlendReadsTheRightLevels) {
    TestPyramid p(64, 64, kPyrGrey8, 0);
    ASSERT_TRUE(p.ok);
    // Level L holds 10 * L, so the blend shows which levels were read.
    for (int64_t L = 0; L <= p->topLevel; ++L)
        for (int64_t y = 0; y < p->height[L]; ++y)
            for (int64_t x = 0; x < p->width[L]; ++x) set_pyramid_sample_point1(x, y, p.get(), L, 10 * L);
    float c[4];
    get_borked(p.get(), 2, 0.0f, 0.3f, 0.6f, c);
    EXPECT_FLOAT_EQ(c[0], 20.0f);
    EXPECT_FLOAT_EQ(c[3], 255.0f);
    get_borked(p.get(), 2, 0.25f, 0.3f, 0.6f, c);
    EXPECT_FLOAT_EQ(c[0], 22.5f);
    // At or beyond the top: level T-1 blended towards T.
    const int64_t T = p->topLevel;
    get_borked(p.get(), T + 3, 0.5f, 0.3f, 0.6f, c);
    EXPECT_FLOAT_EQ(c[0], 10.0f * (T - 1) + 5.0f);
    get_borked(p.get(), -4, 0.0f, 0.3f, 0.6f, c);
    EXPECT_FLOAT_EQ(c[0], 0.0f);
    get_unitarycoord_unitary_color(p.get(), 1, 0.0f, 0.5f, 0.5f, c);
    EXPECT_FLOAT_EQ(c[0], 10.0f / 255);
    EXPECT_FLOAT_EQ(c[3], 1.0f);
    // Kinds without a kernel sampler answer 0.5.
    TestPyramid g(8, 8, kPyrGradient, 0);
    get_borked(g.get(), 0, 0.0f, 0.5f, 0.5f, c);
    EXPECT_FLOAT_EQ(c[2], 0.5f);
}

// Column x holds x * 8; the 5 x 5 window at the left edge either repeats
// column 0 (clamp) or takes its two left columns from the right edge (wrap).
TEST(Sampling, KernelWindowAtTheLeftEdgeFollowsTheEdgeRule) {
    for (int64_t edge : {0, 1, 2}) {
        TestPyramid p(32, 16, kPyrGrey8, edge);
        for (int64_t y = 0; y < 16; ++y)
            for (int64_t x = 0; x < 32; ++x) set_pyramid_sample_point1(x, y, p.get(), 0, x * 8);
        // A circularly shifted copy: under wrap, sampling it s columns further
        // on must give the same value.
        TestPyramid s(32, 16, kPyrGrey8, edge);
        for (int64_t y = 0; y < 16; ++y)
            for (int64_t x = 0; x < 32; ++x) set_pyramid_sample_point1(x, y, s.get(), 0, ((x + 32 - 5) % 32) * 8);
        // At X = -0.5 the kernel weighs column -1 about as much as column 0.
        const float X = -0.5f, Y = 7.3f;
        const float a = gauss_pyramid_sample1(p.get(), 0, X, Y);
        const float b = gauss_pyramid_sample1(s.get(), 0, X + 5.0f, Y);
        if (edge == 0) {
            EXPECT_LT(a, 16.0f);  // only columns 0..2 contribute
            EXPECT_GT(b - a, 30.0f);
        } else {
            EXPECT_FLOAT_EQ(a, b);
            EXPECT_GT(a, 16.0f);  // the right edge's large values pulled in
        }
    }
}

TEST(Sampling, WrappedBilinearBlendsAcrossTheSeam) {
    const int64_t W = 40;
    TestPyramid p(W, 20, kPyrColour8, 1);
    for (int64_t y = 0; y < 20; ++y)
        for (int64_t x = 0; x < W; ++x) set_pyramid_sample_point4(x, y, p.get(), 0, x == W - 1 ? 200 : (x == 0 ? 100 : 0), 0, 0, 255);
    p->overhangMode = kOverhangWrapSides;
    float c[4];
    get_unit_ramped_wrapped_pyramid_sample_point(p.get(), 0, 1.0f - 1.0f / (4 * W), 0.5f, c);
    EXPECT_NEAR(c[0] * 255, 0.75f * 200 + 0.25f * 100, 1e-3f);
    // Over the pole (mode 7) the row below the top blends with the row across.
    TestPyramid q(W, 20, kPyrGreyFloat, 0);
    for (int64_t y = 0; y < 20; ++y)
        for (int64_t x = 0; x < W; ++x) set_pyramid_sample_point_float(x, y, q.get(), 0, y < 17 ? 0.0f : (x < W / 2 ? 1.0f : 3.0f));
    q->overhangMode = kOverhangOverThePole;
    // A quarter pixel above the bottom edge at u = 0.25: the lower corners lie
    // past the pole and fold to u = 0.75, into the other half.
    get_unit_ramped_wrapped_pyramid_sample_point(q.get(), 0, 0.25f, 1.0f - 0.25f / 20, c);
    EXPECT_NEAR(c[0], 0.75f * 1.0f + 0.25f * 3.0f, 1e-4f);
}

// The wrapped bilinear sampler against bilinear interpolation written out
// here: the pixels on either side of the position, with columns (and rows)
// beyond the picture wrapped or clamped by the overhang mode. The picture is a sum of a column
// term and a row term, so the reference is the sum of two one-dimensional
// interpolations. Positions within half a pixel of an edge are the ones that
// matter: u = 0 and u = 1 must agree across a panorama's seam, and no sample
// may leave the range of its pixels.
TEST(Sampling, BilinearSamplerFollowsTheOverhangRulesAtEveryEdge) {
    const int64_t W = 8, H = 6;
    const float col[W] = {0, 5, 1, 7, 2, 6, 3, 4}, row[H] = {0, 3, 1, 5, 2, 4};
    auto lerp = [](const float* t, int64_t n, bool wrap, float X) {
        const int64_t i = int64_t(std::floor(X));
        const float f = X - float(i);
        auto at = [&](int64_t k) { return t[wrap ? ((k % n) + n) % n : std::clamp<int64_t>(k, 0, n - 1)]; };
        return at(i) + f * (at(i + 1) - at(i));
    };
    std::vector<float> us = {0.0f, 0.01f, 0.03f, 0.0625f, 0.5f, 0.9f, 0.97f, 0.99f, 1.0f};
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> d(0.0f, 1.0f);
    for (int i = 0; i < 40; ++i) us.push_back(d(rng));
    const float vs[] = {0.0f, 0.05f, 0.3f, 0.95f, 0.999f};
    struct Mode {
        int64_t overhang, edge;
        bool wrapU, wrapV;
    };
    for (Mode m : {Mode{kOverhangClamp, 0, false, false}, Mode{kOverhangWrapSides, 2, true, false},
                   Mode{kOverhangWrapBoth, 1, true, true}}) {
        TestPyramid p(W, H, kPyrColourFloat, m.edge);
        p->overhangMode = m.overhang;
        for (int64_t y = 0; y < H; ++y)
            for (int64_t x = 0; x < W; ++x) set_pyramid_sample_point128bit_floats(x, y, p.get(), 0, col[x] + 10 * row[y], 0, 0, 1);
        for (float u : us)
            for (float v : vs) {
                const float expected = lerp(col, W, m.wrapU, u * W - 0.5f) + 10 * lerp(row, H, m.wrapV, v * H - 0.5f);
                float c[4];
                get_unit_ramped_wrapped_pyramid_sample_point(p.get(), 0, u, v, c);
                EXPECT_NEAR(c[0], expected, 2e-4f * 60) << "overhang " << m.overhang << " at " << u << ", " << v;
            }
        float left[4], right[4];
        get_unit_ramped_wrapped_pyramid_sample_point(p.get(), 0, 0.0f, 0.5f, left);
        get_unit_ramped_wrapped_pyramid_sample_point(p.get(), 0, 1.0f, 0.5f, right);
        if (m.wrapU) {
            EXPECT_FLOAT_EQ(left[0], right[0]);
        }
    }
}

// NaN, infinities and huge coordinates reach the samplers from projections;
// every sampler answers something finite without leaving the tiles.
TEST(Sampling, AnyFloatInputIsSafe) {
    const float inf = std::numeric_limits<float>::infinity();
    const float bad[] = {std::nanf(""), inf, -inf, 3e38f, -3e38f, 1e10f, -1e10f, -0.75f, 1.5f};
    for (int64_t kind : kSampledKinds)
        for (int64_t edge : {0, 1, 2})
            for (int64_t overhang : {0, 1, 3, 4, 7}) {
                TestPyramid p(520, 7, kind, edge);
                FillAllLevels(p.get(), [](int64_t x, int64_t y, float* c) {
                    c[0] = float((x + y) % 7) / 7, c[1] = 0.5f, c[2] = 0.25f, c[3] = 1.0f;
                });
                p->overhangMode = overhang;
                for (float a : bad)
                    for (float b : bad) {
                        float c[4];
                        get_borked(p.get(), 1, 0.5f, a, b, c);
                        for (float x : c) ASSERT_TRUE(std::isfinite(x)) << kind << " " << a << " " << b;
                        get_borked(p.get(), 0, std::nanf(""), a, b, c);
                        for (float x : c) ASSERT_TRUE(std::isfinite(x));
                        get_unit_ramped_wrapped_pyramid_sample_point(p.get(), 0, a, b, c);
                        for (float x : c) ASSERT_TRUE(std::isfinite(x));
                        gauss_pyramid_sampleColor(p.get(), 0, a, b, c);
                    }
            }
}

}  // namespace

namespace {

// The grid form gives exactly the values of the single wrapped sampler, both
// where it reads shared pixels once and where corners leave the picture.
TEST(Sampling, GridOfWrappedSamplesEqualsSingleSamples) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> d(-0.05f, 1.05f), step(0.0f, 0.02f);
    for (int64_t kind : kSampledKinds)
        for (int64_t overhang : {3, 5, 7}) {
            TestPyramid p(530, 37, kind, 1);
            p->overhangMode = overhang;
            FillLevel(p.get(), 0, [&](int64_t x, int64_t y, float* c) {
                c[0] = float((x * 7 + y * 3) % 256) / 255, c[1] = float(x % 13) / 13, c[2] = float(y % 5) / 5, c[3] = 1.0f;
            });
            for (int trial = 0; trial < 60; ++trial) {
                float us[6], vs[6];
                us[0] = d(rng), vs[0] = d(rng);
                const float du = step(rng), dv = step(rng);
                for (int i = 1; i < 6; ++i) us[i] = us[i - 1] + du, vs[i] = vs[i - 1] + dv;
                float grid[36][4];
                get_unit_ramped_wrapped_samples_on_grid(p.get(), 0, us, 6, vs, 6, grid);
                for (int j = 0; j < 6; ++j)
                    for (int i = 0; i < 6; ++i) {
                        float one[4];
                        get_unit_ramped_wrapped_pyramid_sample_point(p.get(), 0, us[i], vs[j], one);
                        for (int k = 0; k < 4; ++k) ASSERT_EQ(grid[j * 6 + i][k], one[k]) << kind << " " << us[i] << "," << vs[j];
                    }
            }
        }
}

}  // namespace

namespace {

// The block sampler at pixel position (X, Y) of level L, as a caller inside
// the picture uses it.
bool unit_bilinear_colour8_inside(const PyramidDescriptor* pyr, int64_t L, float X, float Y, float out[4]) {
    if (!(X >= 0.0f && Y >= 0.0f) || !(X < 1e9f && Y < 1e9f)) return false;
    const int64_t i0 = static_cast<int64_t>(X), j0 = static_cast<int64_t>(Y);
    return bilinear_colour8_block(pyr, L, i0, j0, X - static_cast<float>(i0), Y - static_cast<float>(j0), out);
}

// The straight-from-the-tile bilinear of an 8-bit colour pyramid gives the
// wrapped sampler's values to the bit wherever it answers for a unit
// position inside the picture (the caller's side of the bargain), refuses
// every position whose pixels leave the level or a tile, and answers nothing
// for the other kinds.
TEST(Sampling, InsideColour8BilinearEqualsWrappedSampler) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> d(-0.02f, 1.02f);
    for (int64_t kind : kSampledKinds) {
        TestPyramid p(1030, 600, kind, 1);
        ASSERT_TRUE(p.ok);
        FillLevel(p.get(), 0, [](int64_t x, int64_t y, float* c) {
            c[0] = float((x * 7 + y * 3) % 256) / 255, c[1] = float(x % 13) / 13, c[2] = float(y % 5) / 5,
            c[3] = float((x + 2 * y) % 256) / 255;
        });
        paint_mipmap_of_pyramid(p.get());
        int answered = 0;
        for (int64_t L : {0, 1}) {
            // Unit positions by the tile seam at 512, by the last column and
            // row, on the edges, and at random in and around the picture.
            std::vector<std::pair<float, float>> at = {{511.9f / 1030, 0.1f}, {0.3f, 511.6f / 600}, {0.9995f, 0.5f},
                                                       {0.5f, 0.9995f}, {0.0f, 0.0f}, {1.0f, 0.5f}};
            for (int i = 0; i < 4000; ++i) at.push_back({d(rng), d(rng)});
            for (auto [u, v] : at) {
                if (!(u >= 0.0f && u <= 1.0f && v >= 0.0f && v < 1.0f)) continue;
                const float X = u * p->unitScaleX[L] - 0.5f, Y = v * p->unitScaleY[L] - 0.5f;
                float fast[4] = {-9, -9, -9, -9};
                if (!unit_bilinear_colour8_inside(p.get(), L, X, Y, fast)) {
                    for (float f : fast) ASSERT_EQ(f, -9.0f);
                    continue;
                }
                ASSERT_EQ(kind, kPyrColour8);
                const int64_t i = int64_t(X), j = int64_t(Y);
                ASSERT_TRUE(X >= 0 && Y >= 0 && i + 1 < p->width[L] && j + 1 < p->height[L]) << X << "," << Y;
                ASSERT_TRUE(i / kTileSide == (i + 1) / kTileSide && j / kTileSide == (j + 1) / kTileSide);
                ++answered;
                float slow[4];
                get_unit_ramped_wrapped_pyramid_sample_point(p.get(), L, u, v, slow);
                for (int k = 0; k < 4; ++k) ASSERT_EQ(fast[k], slow[k]) << u << "," << v << " level " << L;
            }
        }
        if (kind == kPyrColour8) {
            EXPECT_GT(answered, 6000);
        }
    }
}

}  // namespace
