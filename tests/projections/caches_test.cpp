// The cache mechanism: fills, transposed writes, interpolations, tag switches,
// building into an empty record, failures that are reported, and concurrent
// reads of separate caches once they are built.
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "projections/caches.h"
#include "projections/freezedried.h"
#include "pyramid/pixels.h"

namespace {

struct Cell {
    float c[4];
};

Cell Read(const PyramidDescriptor* pyr, int64_t x, int64_t y) {
    Cell k;
    get_pyramid_sample_point128bit_floats(x, y, pyr, 0, k.c);
    return k;
}

// A zeroed record, as the invocation's data would hold before any build.
struct FreshPyramid {
    PyramidDescriptor pyr;
    FreshPyramid() {
        std::memset(static_cast<void*>(&pyr), 0, sizeof pyr);
        InitPyramidProcs(&pyr);
    }
    ~FreshPyramid() { DisposePyramidData(&pyr); }
};

// Entries numbered 1, 2, 3, ... so the cell order is visible.
std::vector<float> Counting(int64_t floats) {
    std::vector<float> v(static_cast<size_t>(floats));
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>(i + 1);
    return v;
}

}  // namespace

TEST(ProjectionCaches, FillShapesVisitTheirCellsInOrder) {
    const int64_t n = 5;
    const struct {
        int64_t fill;
        int64_t cells;
        bool (*admits)(int64_t x, int64_t y);
    } cases[] = {
        {kFillSumAtMostN, 19, [](int64_t x, int64_t y) { return x + y <= 5; }},
        {kFillSumBelowN, 15, [](int64_t x, int64_t y) { return x + y < 5; }},
        {kFillAll, 25, [](int64_t, int64_t) { return true; }},
        {kFillBottomUp, 15, [](int64_t x, int64_t y) { return x + y < 5; }},
        {kFillLowerTriangle, 15, [](int64_t x, int64_t y) { return x <= y; }},
        {7, 0, [](int64_t, int64_t) { return false; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fill);
        EXPECT_EQ(CountFillCells(n, c.fill), c.cells);
        FreshPyramid f;
        ASSERT_EQ(TryToAllocatePyramid_2006(&f.pyr, n, n, kPyrColourFloat, 0, 0), 1);
        // Garbage first, so the zeroing of unvisited-by-table cells shows.
        for (int64_t y = 0; y < n; ++y)
            for (int64_t x = 0; x < n; ++x) set_pyramid_sample_point128bit_floats(x, y, &f.pyr, 0, 9, 9, 9, 9);
        const std::vector<float> t = Counting(2 * c.cells);
        ASSERT_TRUE(FillGeneralTable(&f.pyr, c.fill, {t.data(), 2 * c.cells}, kElementPairs) || c.cells == 0);
        float next = 1.0f;
        for (int64_t r = 0; r < n; ++r) {
            const int64_t y = c.fill == kFillBottomUp ? n - 1 - r : r;
            for (int64_t x = 0; x < n; ++x) {
                const Cell k = Read(&f.pyr, x, y);
                if (c.admits(x, y)) {
                    EXPECT_EQ(k.c[0], next) << x << "," << y;
                    EXPECT_EQ(k.c[1], next + 1.0f);
                    next += 2.0f;
                } else if (c.cells) {
                    EXPECT_EQ(k.c[0], 0.0f) << x << "," << y;
                    EXPECT_EQ(k.c[1], 0.0f);
                }
                if (c.cells) {
                    EXPECT_EQ(k.c[3], 0.0f);
                }
            }
        }
    }
}

TEST(ProjectionCaches, MirroredPairsAreWrittenTransposedAndWinOnTheDiagonal) {
    FreshPyramid f;
    const int64_t n = 4;
    ASSERT_EQ(TryToAllocatePyramid_2006(&f.pyr, n, n, kPyrColourFloat, 0, 0), 1);
    const std::vector<float> t = Counting(2 * 10);
    ASSERT_TRUE(FillGeneralTable(&f.pyr, kFillLowerTriangle, {t.data(), 20}, kElementMirroredPairs));
    int index = 0;
    for (int64_t y = 0; y < n; ++y)
        for (int64_t x = 0; x <= y; ++x, ++index) {
            const float a = t[2 * index], b = t[2 * index + 1];
            const Cell transposed = Read(&f.pyr, y, x);
            EXPECT_EQ(transposed.c[0], b);
            EXPECT_EQ(transposed.c[1], a);
            if (x < y) {
                const Cell own = Read(&f.pyr, x, y);
                EXPECT_EQ(own.c[0], a);
                EXPECT_EQ(own.c[1], b);
            }
        }
    // The Peirce cache itself: its diagonal holds the swapped stored pair.
    ProjectionCacheStore* store = NewProjectionCacheStore();
    ASSERT_TRUE(PrepareProjectionCache(store, kCacheTagPeirce));
    const PyramidDescriptor* peirce = ProjectionCache(store, kCacheTagPeirce);
    for (int64_t i = 0; i < 50; ++i) {
        const int64_t entry = i * (i + 1) / 2 + i;
        const Cell k = Read(peirce, i, i);
        EXPECT_EQ(k.c[0], Peirce_octant_freezedried[2 * entry + 1]);
        EXPECT_EQ(k.c[1], Peirce_octant_freezedried[2 * entry]);
    }
    DisposeProjectionCacheStore(&store);
}

TEST(ProjectionCaches, TriplesFillThreeComponents) {
    FreshPyramid f;
    ASSERT_EQ(TryToAllocatePyramid_2006(&f.pyr, 3, 3, kPyrColourFloat, 0, 0), 1);
    const std::vector<float> t = Counting(27);
    ASSERT_TRUE(FillGeneralTable(&f.pyr, kFillAll, {t.data(), 27}, kElementTriples));
    const Cell k = Read(&f.pyr, 1, 2);  // the 8th cell
    EXPECT_EQ(k.c[0], 22.0f);
    EXPECT_EQ(k.c[1], 23.0f);
    EXPECT_EQ(k.c[2], 24.0f);
    float a, b, c;
    get_three_simplicial_cache_values(1.0, 2.0, &f.pyr, 0, &a, &b, &c);
    EXPECT_EQ(c, 24.0f);
    // A table whose size does not match its fill is refused, not overrun.
    EXPECT_FALSE(FillGeneralTable(&f.pyr, kFillAll, {t.data(), 26}, kElementTriples));
    EXPECT_FALSE(FillGeneralTable(&f.pyr, kFillAll, {t.data(), 27}, kElementPairs));
}

// Interpolations against their formulas, on a grid holding a smooth
// nonlinear function so each method's choice of corners shows.
TEST(ProjectionCaches, InterpolationsFollowTheirCorners) {
    FreshPyramid f;
    const int64_t n = 6;
    ASSERT_EQ(TryToAllocatePyramid_2006(&f.pyr, n, n, kPyrColourFloat, 0, 0), 1);
    auto value = [](int64_t x, int64_t y) { return static_cast<float>(x * x + 3 * y * y * y + x * y); };
    for (int64_t y = 0; y < n; ++y)
        for (int64_t x = 0; x < n; ++x)
            set_pyramid_sample_point128bit_floats(x, y, &f.pyr, 0, value(x, y), -value(x, y), 0, 0);
    const double points[][2] = {{1.25, 2.5}, {3.75, 0.5}, {2.5, 3.75}, {0.1, 0.2}, {4.9, 4.9}, {2.0, 3.0}};
    for (const auto& p : points) {
        const int64_t i = static_cast<int64_t>(p[0]), j = static_cast<int64_t>(p[1]);
        const double fx = p[0] - i, fy = p[1] - j;
        const double c00 = value(i, j), c10 = value(i + 1, j), c01 = value(i, j + 1), c11 = value(i + 1, j + 1);
        const double flag0 = fx + fy <= 1.0 ? (1 - fx - fy) * c00 + fx * c10 + fy * c01
                                            : (1 - fy) * c10 + (1 - fx) * c01 + (fx + fy - 1) * c11;
        const double flag1 = fy > fx ? (1 - fy) * c00 + (fy - fx) * c01 + fx * c11
                                     : (1 - fx) * c00 + (fx - fy) * c10 + fy * c11;
        const double ramp = (1 - fy) * ((1 - fx) * c00 + fx * c10) + fy * ((1 - fx) * c01 + fx * c11);
        float a, b;
        get_simplicial_cache_values(p[0], p[1], &f.pyr, 0, &a, &b, 0);
        EXPECT_NEAR(a, flag0, 1e-3) << p[0] << "," << p[1];
        EXPECT_EQ(b, -a);
        get_simplicial_cache_values(p[0], p[1], &f.pyr, 0, &a, &b, 1);
        EXPECT_NEAR(a, flag1, 1e-3) << p[0] << "," << p[1];
        get_ramped_cache_values(&f.pyr, 0, &a, &b, p[0], p[1]);
        EXPECT_NEAR(a, ramp, 1e-3) << p[0] << "," << p[1];
    }
    // Outside the grid the corners clamp; NaN reads a corner instead of
    // converting an undefined value.
    float a, b;
    get_simplicial_cache_values(-3.5, 20.0, &f.pyr, 0, &a, &b, 0);
    EXPECT_EQ(a, value(0, n - 1));
    get_simplicial_cache_values(std::nan(""), 1.0, &f.pyr, 0, &a, &b, 0);
    EXPECT_TRUE(std::isfinite(a));
}

TEST(ProjectionCaches, LookupAtOneOneReadsTheLastCell) {
    FreshPyramid f;
    const fcomplex v = FetchFromCache_decant(&f.pyr, 1.0, 1.0);
    const int64_t last = 2 * (kFreezeDriedGridPairs - 1);
    EXPECT_EQ(v.re, pent_decant_freezedried[last]);
    EXPECT_EQ(v.im, pent_decant_freezedried[last + 1]);
    const fcomplex first = FetchFromCache_decant(&f.pyr, 0.0, 0.0);
    EXPECT_EQ(first.re, pent_decant_freezedried[0]);
    // A grid point reads its own entry: (w_O, w_A) = (7, 3) / 49.
    const fcomplex mid = FetchFromCache_decant(&f.pyr, 7.0 / 49.0, 3.0 / 49.0);
    EXPECT_NEAR(mid.re, pent_decant_freezedried[2 * (3 * 50 + 7)], 1e-6);
    EXPECT_NEAR(mid.im, pent_decant_freezedried[2 * (3 * 50 + 7) + 1], 1e-6);
}

// One record, two tables called alternately: it is rebuilt at every switch
// and each fetcher still gets its own table.
TEST(ProjectionCaches, AlternatingTagsRebuildOneRecord) {
    FreshPyramid f;
    EXPECT_EQ(f.pyr.tiles, nullptr);
    for (int round = 0; round < 3; ++round) {
        const fcomplex a = FetchFromCache_decant(&f.pyr, 0.0, 0.0);
        EXPECT_EQ(f.pyr.contentTag, kCacheTagDecant);
        EXPECT_EQ(a.re, pent_decant_freezedried[0]);
        const fcomplex b = FetchFromCache_Peirce(&f.pyr, 1.0, 0.0);  // the transposed (0, 49) entry
        EXPECT_EQ(f.pyr.contentTag, kCacheTagPeirce);
        const int64_t entry = 49 * 50 / 2;
        EXPECT_EQ(b.re, Peirce_octant_freezedried[2 * entry + 1]);
        EXPECT_EQ(b.im, Peirce_octant_freezedried[2 * entry]);
        const fcomplex c = FetchFromCache_sextant(&f.pyr, 0.0, 0.0);
        EXPECT_EQ(f.pyr.contentTag, kCacheTagSextant);
        EXPECT_EQ(c.re, tri_sextant_freezedried[0]);
    }
}

TEST(ProjectionCaches, MissingTablesAndNullPyramidsFailVisibly) {
    // Tags 10, 11 and 16 name no table.
    for (int64_t tag : {0, 10, 11, 16, 20, -1}) EXPECT_EQ(CacheTableSpecForTag(tag), nullptr) << tag;
    ProjectionCacheStore* store = NewProjectionCacheStore();
    ASSERT_NE(store, nullptr);
    EXPECT_FALSE(PrepareProjectionCache(store, 10));
    EXPECT_EQ(ProjectionCache(store, 20), nullptr);
    EXPECT_EQ(ProjectionCache(nullptr, 1), nullptr);
    // Every table is computed: a fetch builds its cache on first use.
    PyramidDescriptor* lazy = ProjectionCache(store, kCacheTagHyperbolic_4_8);
    const fcomplex v = FetchFromCache_HyperbolicOctant_4_8(lazy, 0.5, 0.25);
    EXPECT_GT(v.re, 0.0);
    EXPECT_EQ(lazy->contentTag, kCacheTagHyperbolic_4_8);
    double triple[3] = {5, 5, 5};
    FetchFromCache_Equalsquarea(nullptr, 0.5, 0.5, triple);  // no pyramid: zeros
    EXPECT_EQ(triple[0], 0.0);
    EXPECT_EQ(triple[2], 0.0);
    // A render's prefill builds every table its mode reads and fails when
    // one cannot be built.
    EXPECT_TRUE(PrefillProjectionCachesForMode(store, 140));  // equal-area square
    EXPECT_TRUE(PrefillProjectionCachesForMode(store, 371));  // hyperbolic {3,9}
    EXPECT_NE(BuiltProjectionCache(store, kCacheTagEqualsquarea), nullptr);
    EXPECT_NE(BuiltProjectionCache(store, kCacheTagHyperbolic_3_9), nullptr);
    EXPECT_TRUE(PrefillProjectionCachesForMode(store, 377));  // hyperbolic {4,8} and its Peirce cache
    EXPECT_NE(BuiltProjectionCache(store, kCacheTagPeirce), nullptr);
    EXPECT_TRUE(PrefillProjectionCachesForMode(store, 94));
    EXPECT_TRUE(PrefillProjectionCachesForMode(store, 1));     // reads no cache
    EXPECT_FALSE(PrefillProjectionCachesForMode(nullptr, 94));
    EXPECT_TRUE(PrefillProjectionCachesForMode(nullptr, 1));
    // The sphere-cube fetch reports what it cannot do.
    float out[3] = {7, 7, 7};
    bool failed = false;
    const fcomplex p = FetchFromCache_spherecube(out, nullptr, 0.3, 0.2, &failed);
    EXPECT_TRUE(failed);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[2], 1.0f);
    EXPECT_EQ(p.re, 0.0);
    DisposeProjectionCacheStore(&store);
    EXPECT_EQ(store, nullptr);
    DisposeProjectionCacheStore(&store);  // twice is harmless
}

TEST(ProjectionCaches, PrefillBuildsWhatEachModeReads) {
    ProjectionCacheStore* store = NewProjectionCacheStore();
    ASSERT_NE(store, nullptr);
    EXPECT_TRUE(PrefillProjectionCachesForMode(store, 385));
    EXPECT_EQ(ProjectionCache(store, kCacheTagDecant)->contentTag, kCacheTagDecant);
    EXPECT_EQ(ProjectionCache(store, kCacheTagPeirce)->contentTag, kCacheTagNone);
    EXPECT_TRUE(PrefillProjectionCachesForMode(store, 83));
    EXPECT_EQ(ProjectionCache(store, kCacheTagSphereCube)->contentTag, kCacheTagSphereCube);
    EXPECT_TRUE(PrefillProjectionCachesForMode(store, 417));
    // Building one table never disturbs another: each has its own pyramid.
    EXPECT_EQ(ProjectionCache(store, kCacheTagPeirce)->contentTag, kCacheTagPeirce);
    EXPECT_EQ(ProjectionCache(store, kCacheTagSphereCube)->contentTag, kCacheTagSphereCube);
    EXPECT_EQ(ProjectionCache(store, kCacheTagDecant)->contentTag, kCacheTagDecant);
    DisposeProjectionCacheStore(&store);
}

// A mode is drawable only when every table it reads is computed: the
// hyperbolic tilings wait for theirs; the Peirce, decant, sphere-cube and
// equal-area square readers have them, as do modes that read none.
TEST(ProjectionCaches, ModesKnowWhetherTheirTablesAreBuilt) {
    struct Case {
        int64_t mode;
        bool built;
    };
    for (const Case& c : {Case{1, true}, Case{62, true}, Case{90, true}, Case{83, true}, Case{385, true},
                          Case{140, true}, Case{371, true}, Case{376, true}, Case{380, true}}) {
        EXPECT_EQ(ProjectionTablesAreBuiltForMode(c.mode), c.built) << c.mode;
    }
    int64_t tags[kMaxCacheTagsPerMode];
    // 376 reads the hyperbolic 4-8 table and the Peirce table, in that order.
    ASSERT_EQ(CacheTagsOfMode(376, tags), 2);
    EXPECT_EQ(tags[0], kCacheTagHyperbolic_4_8);
    EXPECT_EQ(tags[1], kCacheTagPeirce);
    EXPECT_EQ(CacheTagsOfMode(1, tags), 0);
}

// ---- the sphere-cube fetch ----

TEST(SphereCubeCache, FoldsSignsAndOrderIntoTheOctant) {
    FreshPyramid f;
    float o[3];
    fcomplex g = FetchFromCache_spherecube(o, &f.pyr, 0.0, 0.0);
    EXPECT_EQ(f.pyr.contentTag, kCacheTagSphereCube);
    EXPECT_EQ(o[0], 0.0f);
    EXPECT_EQ(o[1], 0.0f);
    EXPECT_EQ(o[2], 1.0f);
    EXPECT_EQ(g.re, 0.0);
    const double u = 0.7, v = 0.3;
    float a[3];
    const fcomplex ga = FetchFromCache_spherecube(a, &f.pyr, u, v);
    // X and Y have the opposite signs to u and v; the gnomonic return the same.
    EXPECT_LT(a[0], 0.0f);
    EXPECT_LT(a[1], 0.0f);
    EXPECT_GT(ga.re, 0.0);
    EXPECT_GT(ga.im, 0.0);
    EXPECT_NEAR(a[0] * a[0] + a[1] * a[1] + a[2] * a[2], 1.0, 1e-6);
    for (int sx : {-1, 1})
        for (int sy : {-1, 1}) {
            float b[3];
            const fcomplex gb = FetchFromCache_spherecube(b, &f.pyr, sx * u, sy * v);
            EXPECT_EQ(b[0], sx * a[0]);
            EXPECT_EQ(b[1], sy * a[1]);
            EXPECT_EQ(gb.re, sx * ga.re);
            EXPECT_EQ(gb.im, sy * ga.im);
            const fcomplex gt = FetchFromCache_spherecube(b, &f.pyr, sy * v, sx * u);  // exchanged
            EXPECT_FLOAT_EQ(b[0], sy * a[1]);
            EXPECT_FLOAT_EQ(b[1], sx * a[0]);
            EXPECT_NEAR(gt.re, sy * ga.im, 1e-12);
        }
    // The face's edge stays on the cube's edge: gnomonic x = 1 at u = 1 (up
    // to the chord error of interpolating between grid points of the curve).
    for (double w : {0.0, 0.3, 0.77, 1.0}) {
        const fcomplex e = FetchFromCache_spherecube(o, &f.pyr, 1.0, w);
        EXPECT_NEAR(e.re, 1.0, 1e-4) << w;
    }
}

TEST(SphereCubeCache, BarycentricWarpKeepsTheFaceTriangle) {
    FreshPyramid f;
    // Corners stay; each edge of the triangle stays on itself.
    const float corners[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (const auto& c : corners) {
        float b0 = c[0], b1 = c[1], b2 = c[2];
        WarpBarysForCube(&b0, &b1, &b2, &f.pyr);
        EXPECT_NEAR(b0, c[0], 1e-6f);
        EXPECT_NEAR(b1, c[1], 1e-6f);
        EXPECT_NEAR(b2, c[2], 1e-6f);
    }
    for (float t = 0.0f; t <= 1.0f; t += 0.125f) {
        float b0 = 0, b1 = 1 - t, b2 = t;  // b0 = 0: the face's edge
        WarpBarysForCube(&b0, &b1, &b2, &f.pyr);
        EXPECT_NEAR(b0, 0.0f, 1e-4f) << t;  // chord error between grid points
        b0 = t, b1 = 1 - t, b2 = 0;  // b2 = 0: the face's axis
        WarpBarysForCube(&b0, &b1, &b2, &f.pyr);
        EXPECT_NEAR(b2, 0.0f, 1e-7f) << t;
        b0 = t, b1 = 0, b2 = 1 - t;  // b1 = 0: the face's diagonal
        WarpBarysForCube(&b0, &b1, &b2, &f.pyr);
        EXPECT_NEAR(b1, 0.0f, 1e-6f) << t;
    }
    // Inside, the warp moves points but keeps them in the triangle.
    for (float b0 = 0.05f; b0 < 1.0f; b0 += 0.1f)
        for (float b2 = 0.05f; b2 < 1.0f - b0; b2 += 0.1f) {
            float w0 = b0, w1 = 1 - b0 - b2, w2 = b2;
            WarpBarysForCube(&w0, &w1, &w2, &f.pyr);
            EXPECT_GE(w0, 0.0f);
            EXPECT_GE(w1, -1e-6f);
            EXPECT_GE(w2, 0.0f);
        }
}

// Every table in its own pyramid: once the launching thread has built them,
// workers read several caches at once and nothing is rebuilt under them.
TEST(EngineProjectionCaches, ConcurrentReadsAfterPrefill) {
    ProjectionCacheStore* store = NewProjectionCacheStore();
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(PrefillProjectionCachesForMode(store, 94));   // Peirce
    ASSERT_TRUE(PrefillProjectionCachesForMode(store, 83));   // sphere cube
    ASSERT_TRUE(PrefillProjectionCachesForMode(store, 385));  // decant
    PyramidDescriptor* peirce = ProjectionCache(store, kCacheTagPeirce);
    PyramidDescriptor* cube = ProjectionCache(store, kCacheTagSphereCube);
    PyramidDescriptor* decant = ProjectionCache(store, kCacheTagDecant);
    const fcomplex p0 = FetchFromCache_Peirce(peirce, 0.6, 0.2);
    float o[3];
    const fcomplex c0 = FetchFromCache_spherecube(o, cube, 0.6, 0.2);
    const fcomplex d0 = FetchFromCache_decant(decant, 0.6, 0.2);
    std::vector<std::thread> workers;
    std::vector<int> bad(4, 0);
    for (int w = 0; w < 4; ++w)
        workers.emplace_back([&, w] {
            for (int i = 0; i < 2000; ++i) {
                float out[3];
                const fcomplex p = FetchFromCache_Peirce(peirce, 0.6, 0.2);
                const fcomplex c = FetchFromCache_spherecube(out, cube, 0.6, 0.2);
                const fcomplex d = FetchFromCache_decant(decant, 0.6, 0.2);
                bad[w] += p.re != p0.re || c.re != c0.re || d.im != d0.im;
            }
        });
    for (std::thread& t : workers) t.join();
    for (int b : bad) EXPECT_EQ(b, 0);
    EXPECT_EQ(peirce->contentTag, kCacheTagPeirce);
    EXPECT_EQ(cube->contentTag, kCacheTagSphereCube);
    DisposeProjectionCacheStore(&store);
}
