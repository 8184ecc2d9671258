#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "pyramid/mipmap.h"
#include "pyramid/sampling.h"
#include "pyramid_fixture.h"

namespace {

// Every level of a flat picture stays flat: the reduction divides by its true
// weight total (1640), so levels neither brighten nor darken.
TEST(Mipmap, ConstantPictureStaysConstantAtEveryLevel) {
    for (int64_t hq : {0, 1})
        for (int64_t kind : {kPyrGrey8, kPyrGrey16, kPyrColour8, kPyrColour16, kPyrGreyFloat, kPyrColourFloat})
            for (float value : {200.0f / 255, 1.0f}) {
                TestPyramid p(1100, 70, kind, 1);  // tiles across at levels 0 and 1
                ASSERT_TRUE(p.ok);
                p->highQuality = hq;
                p->overhangMode = 5;
                FillLevel(p.get(), 0, [&](int64_t, int64_t, float* c) { c[0] = c[1] = c[2] = value, c[3] = 1.0f; });
                const float tol = (kind == kPyrGreyFloat || kind == kPyrColourFloat) ? 1e-5f : 1e-7f;
                float expect[4];
                get_intcoord_unitary_color(0, 0, p.get(), 0, expect);
                paint_mipmap_of_pyramid(p.get());
                EXPECT_EQ(p->mipmapState, 2);
                for (int64_t L = 1; L <= p->topLevel; ++L)
                    for (int64_t y = 0; y < p->height[L]; y += 1 + p->height[L] / 7)
                        for (int64_t x = 0; x < p->width[L]; x += 1 + p->width[L] / 9) {
                            float c[4];
                            get_intcoord_unitary_color(x, y, p.get(), L, c);
                            for (int k = 0; k < 4; ++k)
                                ASSERT_NEAR(c[k], expect[k], tol) << "hq " << hq << " kind " << kind << " L " << L;
                        }
            }
}

// A ramp holding each pixel's own column and row: every reduction of it keeps
// the ramp, pixel x of level L holding the level-0 position of its centre,
// also at levels whose size was rounded up (the high-quality reduction must
// place its samples by the picture's scale, not by the level's width).
TEST(Mipmap, RampStaysInPlaceAtRoundedUpLevels) {
    for (int64_t hq : {0, 1}) {
        TestPyramid p(kOddWidth, kOddHeight, kPyrColourFloat, 0);
        ASSERT_TRUE(p.ok);
        p->highQuality = hq;
        p->overhangMode = 3;
        FillLevel(p.get(), 0, [](int64_t x, int64_t y, float* c) { c[0] = float(x), c[1] = float(y), c[2] = 0, c[3] = 1; });
        paint_mipmap_of_pyramid(p.get());
        ASSERT_EQ(p->width[1], 684);
        ASSERT_EQ(p->width[3], 172);
        ASSERT_EQ(p->height[2], 172);
        for (int64_t L = 1; L <= 3; ++L) {
            // Away from the picture's edges, where clamping bends the ramp.
            const int64_t xEnd = int64_t(p->unitScaleX[L]) - 3, yEnd = int64_t(p->unitScaleY[L]) - 3;
            float worst = 0.0f;
            for (int64_t y = 3; y < yEnd; y += 7)
                for (int64_t x = 3; x < xEnd; x += 5) {
                    float c[4];
                    get_intcoord_unitary_color(x, y, p.get(), L, c);
                    worst = std::max({worst, std::fabs(c[0] - RampAt(x, L)), std::fabs(c[1] - RampAt(y, L))});
                }
            EXPECT_LT(worst, 0.02f) << "hq " << hq << " level " << L;
        }
    }
}

// The standard reduction against a direct evaluation of its definition.
TEST(Mipmap, StandardReductionMatchesItsDefinition) {
    static const int64_t w[6] = {1, 16, 64, 64, 16, 1};
    for (int64_t edge : {0, 1}) {
        TestPyramid p(530, 37, kPyrColour8, edge);
        std::mt19937 rng(edge + 1);
        for (int64_t y = 0; y < 37; ++y)
            for (int64_t x = 0; x < 530; ++x) set_pyramid_sample_point4_raw(x, y, p.get(), 0, rng());
        paint_mipmap_of_pyramid(p.get());
        auto col = [&](int64_t i, int64_t n) { return edge == 1 ? (i + n) % n : std::clamp<int64_t>(i, 0, n - 1); };
        for (int64_t y = 0; y < p->height[1]; ++y)
            for (int64_t x = 0; x < p->width[1]; ++x)
                for (int k = 0; k < 4; ++k) {
                    int64_t sum = 0;
                    for (int r = 0; r < 6; ++r)
                        for (int c = 0; c < 6; ++c) {
                            if ((r == 0 || r == 5) && (c == 0 || c == 5)) continue;
                            const uint32_t px = get_pyramid_sample_point4_raw(col(2 * x - 2 + c, 530), col(2 * y - 2 + r, 37), p.get(), 0);
                            sum += w[r] * w[c] / 16 * ((px >> (24 - 8 * k)) & 255);
                        }
                    const int64_t want = std::min<int64_t>((sum + 820) / 1640, 255);
                    const uint32_t got = get_pyramid_sample_point4_raw(x, y, p.get(), 1);
                    ASSERT_EQ(int64_t((got >> (24 - 8 * k)) & 255), want) << edge << " " << x << "," << y << " k" << k;
                }
    }
}

TEST(Mipmap, EdgeRuleOfTheFirstColumn) {
    // Only the last column is bright: with wrapping, the first pixel of the
    // next level sees it; with clamping, and always for 16-bit grey, it does not.
    for (int64_t kind : {kPyrGrey8, kPyrGrey16, kPyrColourFloat})
        for (int64_t edge : {0, 1}) {
            TestPyramid p(16, 8, kind, edge);
            FillLevel(p.get(), 0, [](int64_t x, int64_t, float* c) { c[0] = c[1] = c[2] = x == 15 ? 1.0f : 0.0f, c[3] = 1; });
            paint_mipmap_of_pyramid(p.get());
            const float g = get_intcoord_unitary_grey(0, 3, p.get(), 1);
            float c[4];
            get_intcoord_unitary_color(0, 3, p.get(), 1, c);
            const bool sees = edge == 1 && kind != kPyrGrey16;
            EXPECT_EQ(c[0] > 0.0f, sees) << kind << " " << edge << " " << g;
        }
}

TEST(Mipmap, GradientKind) {
    struct Case { int64_t c0, c2, want0, want2; };
    for (Case cs : {Case{30000, 10, 32767, 10}, Case{-1, 10, -2, 10}, Case{-30000, -32768, -32767, -32767},
                    Case{100, 40000 / 4, 200, 10000}}) {
        TestPyramid p(4, 4, kPyrGradient, 0);
        for (int64_t y = 0; y < 4; ++y)
            for (int64_t x = 0; x < 4; ++x) set_pyramid_sample_pointFourShorts(x, y, p.get(), 0, cs.c0, -cs.c0, cs.c2);
        paint_mipmap_of_pyramid(p.get());
        int64_t c[3];
        get_pyramid_sample_pointFourShorts(1, 1, p.get(), 1, &c[0], &c[1], &c[2]);
        EXPECT_EQ(c[0], cs.want0);
        EXPECT_EQ(c[1], -cs.want0);
        EXPECT_EQ(c[2], cs.want2);
    }
}

TEST(Mipmap, DriversBuildTheLevelsTheyName) {
    TestPyramid p(64, 64, kPyrGrey8, 0);  // levels 64 .. 1, topLevel 6
    auto mark = [&]() {
        for (int64_t L = 0; L <= p->topLevel; ++L)
            for (int64_t y = 0; y < p->height[L]; ++y)
                for (int64_t x = 0; x < p->width[L]; ++x) set_pyramid_sample_point1(x, y, p.get(), L, L == 0 ? 100 : 7);
    };
    auto built = [&](int64_t L) { return get_pyramid_sample_point1(0, 0, p.get(), L) == 100; };
    mark();
    paint_mipmap_of_pyramid(p.get());
    EXPECT_TRUE(built(p->topLevel));
    EXPECT_EQ(p->mipmapState, 2);

    mark();
    p->edgeMode = -1;
    p->mipmapState = 1;
    paint_mipmap_of_pyramid(p.get());
    EXPECT_FALSE(built(1));
    EXPECT_EQ(p->mipmapState, 1);  // untouched

    TestPyramid one(1, 1, kPyrColour8, 0);
    set_pyramid_sample_point4(0, 0, one.get(), 0, 1, 2, 3, 4);
    paint_mipmap_of_pyramid(one.get());
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 0, one.get(), 1), 0x01020304u);
}

// The cut of the task rectangle: squares that reach beyond the level, or
// start before it, reduce only the level's own pixels.
TEST(Mipmap, TaskRectangleIsCutToTheLevel) {
    TestPyramid p(20, 20, kPyrGrey8, 0);
    FillLevel(p.get(), 0, [](int64_t, int64_t, float* c) { c[0] = 1, c[3] = 1; });
    const VRect big{-50, -50, 500, 500}, small{0, 0, 1, 1};
    UpdateNextSmallerLevel_core(p.get(), 0, big);
    EXPECT_EQ(get_pyramid_sample_point1(9, 9, p.get(), 1), 255);
    UpdateNextSmallerLevel_core(p.get(), p->topLevel, small);  // no level above the top
    UpdateNextSmallerLevel_high_quality_core(p.get(), -1, small);
}

}  // namespace

#include <thread>

namespace {

// The reduction through the task engine (tiles on all cores) gives the same
// bytes as the same squares run one after another.
TEST(EngineMipmap, ThreadedReductionEqualsSerial) {
    for (int64_t hq : {0, 1}) {
        TestPyramid a(600, 100, kPyrColour8, 1), b(600, 100, kPyrColour8, 1);
        std::mt19937 rng(7);
        for (int64_t y = 0; y < 100; ++y)
            for (int64_t x = 0; x < 600; ++x) {
                const uint32_t w = rng();
                set_pyramid_sample_point4_raw(x, y, a.get(), 0, w);
                set_pyramid_sample_point4_raw(x, y, b.get(), 0, w);
            }
        a->highQuality = b->highQuality = hq;
        paint_mipmap_of_pyramid(a.get());                                // main thread: the engine
        std::thread([&] { paint_mipmap_of_pyramid(b.get()); }).join();  // elsewhere: serially
        for (int64_t L = 1; L <= a->topLevel; ++L)
            for (int64_t y = 0; y < a->height[L]; ++y)
                for (int64_t x = 0; x < a->width[L]; ++x)
                    ASSERT_EQ(get_pyramid_sample_point4_raw(x, y, a.get(), L), get_pyramid_sample_point4_raw(x, y, b.get(), L))
                        << "hq " << hq << " L " << L << " (" << x << "," << y << ")";
    }
}

}  // namespace

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/task_engine_globals.h"

namespace {

// Level 0 filled with random values of the kind: unit colours, or signed
// gradients for kind 7.
void FillRandomly(PyramidDescriptor* pyr, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int64_t y = 0; y < pyr->height[0]; ++y)
        for (int64_t x = 0; x < pyr->width[0]; ++x) {
            if (pyr->kind == kPyrGradient) {
                set_pyramid_sample_pointFourShorts(x, y, pyr, 0, int64_t(rng() % 65535) - 32767,
                                                   int64_t(rng() % 65535) - 32767, int64_t(rng() % 65535) - 32767);
                continue;
            }
            const float c[4] = {unit(rng), unit(rng), unit(rng), unit(rng)};
            set_intcoord_unitary_color(x, y, pyr, 0, c);
        }
}

// Every byte of every pixel of levels 1..top alike.
void ExpectSameLevels(PyramidDescriptor* a, PyramidDescriptor* b, const std::string& what) {
    ASSERT_EQ(a->topLevel, b->topLevel);
    for (int64_t L = 1; L <= a->topLevel; ++L)
        for (int64_t y = 0; y < a->height[L]; ++y)
            for (int64_t x = 0; x < a->width[L]; ++x)
                if (std::memcmp(pyr_pixel_address(a, L, x, y, a->bytesPerPixel),
                                pyr_pixel_address(b, L, x, y, b->bytesPerPixel), size_t(a->bytesPerPixel)) != 0) {
                    ADD_FAILURE() << what << " level " << L << " (" << x << ", " << y << ")";
                    return;
                }
}

// The one pass (blocks in any order, then the rest level by level; and
// through the task engine) gives every level byte for byte as reducing one
// whole level after the other does: every kind the standard reduction works
// on, even and odd sides, one-pixel rows and columns, several blocks with
// seams, and each edge rule.
TEST(MipmapOnePass, EqualsLevelByLevel) {
    struct Case {
        int64_t w, h;
    };
    const Case sizes[] = {{1, 1}, {1, 700}, {900, 1}, {2, 3}, {1366, 683}, {1030, 1029}, {1024, 512}, {513, 1100}, {300, 200}};
    const int64_t kinds[] = {kPyrGrey8, kPyrGrey16, kPyrColour8, kPyrColour16, kPyrGreyFloat, kPyrColourFloat, kPyrGradient};
    uint32_t seed = 1;
    for (const Case& c : sizes)
        for (int64_t kind : kinds)
            for (int64_t edge : {0, 1, 2}) {
                if (c.w * c.h > 100000 && edge != kind % 3) continue;  // large ones: one edge rule per kind
                const std::string what = std::to_string(c.w) + "x" + std::to_string(c.h) + " kind " +
                                         std::to_string(kind) + " edge " + std::to_string(edge);
                TestPyramid ref(c.w, c.h, kind, edge), blocks(c.w, c.h, kind, edge), engine(c.w, c.h, kind, edge);
                ASSERT_TRUE(ref.ok && blocks.ok && engine.ok) << what;
                for (PyramidDescriptor* p : {ref.get(), blocks.get(), engine.get()}) FillRandomly(p, seed);
                ++seed;
                for (int64_t L = 0; L < ref->topLevel; ++L)
                    UpdateNextSmallerLevel_core(ref.get(), L,
                                                VRect{0, 0, int32_t(ref->height[L + 1]), int32_t(ref->width[L + 1])});
                for (int64_t b = ReductionBlockCount(blocks.get()) - 1; b >= 0; --b) ReduceBlockThroughLevels(blocks.get(), b);
                for (int64_t L = 1; L <= blocks->topLevel; ++L)
                    FinishLevelAfterBlocks(blocks.get(), L,
                                           VRect{0, 0, int32_t(blocks->height[L]), int32_t(blocks->width[L])});
                ExpectSameLevels(ref.get(), blocks.get(), what + " blocks");
                const int16_t before = gTaskEngine.hostResult;
                paint_mipmap_of_pyramid(engine.get());
                EXPECT_EQ(gTaskEngine.hostResult, before);
                EXPECT_EQ(engine->mipmapState, 2);
                ExpectSameLevels(ref.get(), engine.get(), what + " engine");
            }
}

std::atomic<int> gAllocationsLeft{0};
void* FailingAllocate(size_t size) { return gAllocationsLeft-- > 0 ? std::calloc(1, size) : nullptr; }

// A reduction job that fails part way (a task cannot be made) leaves only
// level 0 in use, and the engine's result says why: the one pass, and the
// high-quality reduction's jobs level by level.
TEST(MipmapOnePass, FailedJobLeavesOnlyLevelZeroInUse) {
    setenv("VORNESK_ACTIVE_PROCESSORS", "4", 1);
    for (bool hq : {false, true}) {
        SCOPED_TRACE(hq ? "high quality" : "standard");
        const TaskEngineGlobals saved = gTaskEngine;
        gTaskEngine = TaskEngineGlobals{};
        gTaskEngine.allocateBlock = FailingAllocate;
        gAllocationsLeft = 3;
        TestPyramid p(2048, 1536, kPyrColour8, 2);
        ASSERT_TRUE(p.ok);
        p->highQuality = hq;
        FillRandomly(p.get(), 5);
        p->mipmapState = 1;
        paint_mipmap_of_pyramid(p.get());
        EXPECT_EQ(gTaskEngine.hostResult, -108);
        EXPECT_EQ(p->mipmapState, 1);
        gTaskEngine = saved;
    }
    unsetenv("VORNESK_ACTIVE_PROCESSORS");
}

}  // namespace
