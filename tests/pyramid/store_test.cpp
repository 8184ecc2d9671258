#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "pyramid/kernels.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "pyramid_fixture.h"

namespace {

// A prepared, empty record on the heap (the record is large).
struct Pyr {
    std::unique_ptr<PyramidDescriptor> p{new PyramidDescriptor{}};
    Pyr() { InitPyramidProcs(p.get()); }
    ~Pyr() { DisposePyramidData(p.get()); }
    PyramidDescriptor* operator->() { return p.get(); }
    PyramidDescriptor* get() { return p.get(); }
};

std::vector<std::pair<int64_t, int64_t>> Levels(int64_t w, int64_t h) {
    std::vector<std::pair<int64_t, int64_t>> out;
    for (int64_t L = 0; L < kPyramidLevels; ++L) {
        int64_t lw, lh;
        GetInteriorLevelDimensions(w, h, L, &lw, &lh);
        if (lw * lh == 0) break;
        out.push_back({lw, lh});
    }
    return out;
}

TEST(PyramidGeometry, HalvingRuleForOddAndEvenSizes) {
    using V = std::vector<std::pair<int64_t, int64_t>>;
    EXPECT_EQ(Levels(1000, 600), (V{{1000, 600}, {500, 300}, {250, 150}, {126, 76}, {64, 38}, {32, 20},
                                    {16, 10}, {8, 6}, {4, 4}, {2, 2}, {1, 1}}));
    EXPECT_EQ(Levels(5, 3), (V{{5, 3}, {4, 2}, {2, 1}, {1, 1}}));
    EXPECT_EQ(Levels(1, 1), (V{{1, 1}, {1, 1}}));
    EXPECT_EQ(Levels(2, 2), (V{{2, 2}, {1, 1}}));
    EXPECT_EQ(Levels(7, 1), (V{{7, 1}, {4, 1}, {2, 1}, {1, 1}}));

    struct Case { int64_t w, h, top, cheap; };
    for (Case c : {Case{1, 1, 1, 0}, Case{2, 2, 1, 0}, Case{5, 3, 3, 0}, Case{1000, 600, 10, 7},
                   Case{int64_t{1} << 24, 1, 19, 16}, Case{0, 5, 0, 0}}) {
        EXPECT_EQ(top_level_of_pyramid_by_interior_dimensions(c.w, c.h), c.top) << c.w << "x" << c.h;
    }
    int64_t w, h;
    GetAllLevelDimensions(5, 3, 7, &w, &h, 1);
    EXPECT_EQ(w, 2);  // a level of size 0 still gets its border
    EXPECT_EQ(h, 2);
    EXPECT_EQ(interior_pixels_in_level(5, 3, -1), 0);
    EXPECT_EQ(all_pixels_in_level(5, 3, 20, 0), 0);
    EXPECT_EQ(maybe_round_to_evenness(3), 4);
    EXPECT_EQ(maybe_round_to_evenness(1), 1);
    EXPECT_EQ(maybe_round_to_evenness(6), 6);
}

TEST(PyramidStore, TileLayoutOfLargeLevels) {
    Pyr p;
    ASSERT_EQ(TryToAllocatePyramid_2006(p.get(), 513, 1100, kPyrGrey8, 0, 0), 1);
    EXPECT_EQ(p->tilesPerRow[0], 2);
    EXPECT_EQ(p->lastTile[0] - p->firstTile[0] + 1, 6);
    const int64_t rows[3] = {512, 512, 76};
    for (int64_t r = 0; r < 3; ++r)
        for (int64_t c = 0; c < 2; ++c) {
            const MemTile& t = p->tiles[p->firstTile[0] + c + r * 2];
            EXPECT_EQ(t.rows, rows[r]);
            EXPECT_EQ(t.originX, 512 * c);
            EXPECT_EQ(t.originY, 512 * r);
            EXPECT_EQ(t.state, -1);
        }
    EXPECT_EQ(p->firstTile[1], p->lastTile[0] + 1);
    EXPECT_EQ(p->tileCount, CountTilesForPyramid(513, 1100, 0));
    EXPECT_EQ(p->lastTile[p->topLevel], p->tileCount - 1);
    EXPECT_EQ(BytesInTile(p.get(), 4), 512 * 76);
    EXPECT_EQ(BytesInTile(p.get(), p->tileCount), 0);
}

TEST(PyramidStore, RecordFieldsAfterAllocation) {
    Pyr p;
    ASSERT_EQ(TryToAllocatePyramid_2006(p.get(), 1000, 600, kPyrColour16, 1, 0), 1);
    EXPECT_EQ(p->topLevel, 10);
    EXPECT_EQ(p->cheapTopLevel, 7);
    EXPECT_EQ(p->bytesPerPixel, 8);
    EXPECT_EQ(p->componentsPerPixel, 4);
    EXPECT_EQ(p->bytesPerComponent, 2);
    EXPECT_EQ(p->overhangMode, 3);
    EXPECT_EQ(p->mipmapState, 0);
    EXPECT_EQ(p->edgeMode, 1);
    EXPECT_FLOAT_EQ(p->fullScale, 32768.0f);
    EXPECT_FLOAT_EQ(p->spareFloat, -1.0f);
    EXPECT_EQ(p->status, -99);
    EXPECT_EQ(p->noTiles, 0);
    EXPECT_EQ(p->width[3], 126);
    EXPECT_EQ(p->maxY[3], 75);
    // Level scales map the unit square onto level-0 size / 2^L.
    EXPECT_FLOAT_EQ(p->unitScaleX[3], 125.0f);
    EXPECT_FLOAT_EQ(p->unitScaleY[3], 75.0f);
    EXPECT_FLOAT_EQ(p->aspectX, 1000.0f / 600.0f);
    EXPECT_FLOAT_EQ(p->aspectY, 1.0f);
    int64_t pixels = 0;
    for (auto [w, h] : Levels(1000, 600)) pixels += w * h;
    EXPECT_EQ(p->totalBytes, pixels * 8);
}

TEST(PyramidStore, RefusalsChangeNothing) {
    Pyr p;
    EXPECT_EQ(TryToAllocatePyramid_2006(nullptr, 10, 10, kPyrGrey8, 0, 0), 0);
    EXPECT_EQ(TryToAllocatePyramid_2006(p.get(), 0, 10, kPyrGrey8, 0, 0), 0);
    EXPECT_EQ(TryToAllocatePyramid_2006(p.get(), 10, -3, kPyrGrey8, 0, 0), 0);
    EXPECT_EQ(TryToAllocatePyramid_2006(p.get(), 10, 10, 10, 0, 0), 0);
    EXPECT_EQ(TryToAllocatePyramid_2006(p.get(), 10, 10, kPyrGrey8, 0, 1), 0);
    EXPECT_EQ(p->tiles, nullptr);
    EXPECT_EQ(p->tileCount, 0);
    EXPECT_EQ(AllocateDynamicPyramid(0, 4, kPyrGrey8, 0, 0), nullptr);
}

TEST(PyramidStore, KindsWithoutPixelsHaveGeometryButNoTiles) {
    for (int64_t kind : {kPyrNoStorage6, kPyrNoStorage8}) {
        Pyr p;
        ASSERT_EQ(TryToAllocatePyramid_2006(p.get(), 40, 30, kind, 0, 0), 1);
        EXPECT_EQ(p->tiles, nullptr);
        EXPECT_EQ(p->tileCount, 0);
        EXPECT_EQ(p->noTiles, 1);
        EXPECT_EQ(p->width[1], 20);
        float c[4] = {1, 1, 1, 1};
        get_intcoord_unitary_color(3, 3, p.get(), 0, c);
        EXPECT_EQ(c[0], 0.0f);
        set_intcoord_unitary_color(3, 3, p.get(), 0, c);  // writes nothing, no crash
    }
}

// Every pixel of every level of every kind reads back what was written.
TEST(PyramidStore, EveryPixelOfEveryLevelReadsBack) {
    for (int64_t kind : {0, 1, 2, 3, 4, 5, 7, 9}) {
        for (int64_t edge : {-1, 0, 1, 2}) {
            Pyr p;
            ASSERT_EQ(TryToAllocatePyramid_2006(p.get(), 517, 9, kind, edge, 0), 1);
            auto value = [](int64_t x, int64_t y, int64_t L, int64_t c) { return (x * 7 + y * 13 + L * 29 + c * 3) & 255; };
            for (int pass = 0; pass < 2; ++pass) {
                for (int64_t L = 0; L <= p->topLevel; ++L)
                    for (int64_t y = 0; y < p->height[L]; ++y)
                        for (int64_t x = 0; x < p->width[L]; ++x) {
                            const int64_t a = value(x, y, L, 0), b = value(x, y, L, 1), c = value(x, y, L, 2),
                                          d = value(x, y, L, 3);
                            int64_t r[4] = {0, 0, 0, 0};
                            switch (kind) {
                                case 0:
                                    if (!pass) set_pyramid_sample_point1(x, y, p.get(), L, a);
                                    else r[0] = get_pyramid_sample_point1(x, y, p.get(), L);
                                    break;
                                case 1: case 2:
                                    if (!pass) set_pyramid_sample_point16bit(x, y, p.get(), L, a * 128);
                                    else r[0] = get_pyramid_sample_point16bit(x, y, p.get(), L) / 128;
                                    break;
                                case 5:
                                    if (!pass) set_pyramid_sample_point_float(x, y, p.get(), L, float(a));
                                    else r[0] = int64_t(get_pyramid_sample_point_float(x, y, p.get(), L));
                                    break;
                                case 7:
                                    if (!pass) set_pyramid_sample_pointFourShorts(x, y, p.get(), L, -a, b, c);
                                    else get_pyramid_sample_pointFourShorts(x, y, p.get(), L, &r[0], &r[1], &r[2]), r[0] = -r[0];
                                    break;
                                default:
                                    if (!pass) set_pyramid_sample_pointColor(x, y, p.get(), L, a, b, c, d);
                                    else StoredComponents(x, y, p.get(), L, r);
                            }
                            if (pass) {
                                const int64_t comps = components_per_pixel_from_kind(kind);
                                const int64_t want[4] = {a, b, c, d};
                                for (int64_t i = 0; i < comps; ++i)
                                    ASSERT_EQ(r[i], want[i]) << "kind " << kind << " L " << L << " (" << x << "," << y << ")";
                            }
                        }
            }
        }
    }
}

TEST(PyramidStore, ReallocationAndDynamicPyramidsDoNotLeak) {
    Pyr p;
    ASSERT_EQ(TryToAllocatePyramid_2006(p.get(), 600, 20, kPyrColour8, 0, 0), 1);
    p->contentTag = 7;
    // A cache switching its tag re-allocates without disposing first.
    ASSERT_EQ(TryToAllocatePyramid_2006(p.get(), 30, 700, kPyrColourFloat, 0, 0), 1);
    EXPECT_EQ(p->contentTag, 0);
    EXPECT_EQ(p->kind, kPyrColourFloat);

    PyramidDescriptor* d = AllocateDynamicPyramid(100, 50, kPyrGreyFloat, 1, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->dynamic, 1);
    DisposeDynamicPyramid(&d);
    EXPECT_EQ(d, nullptr);
    DisposeDynamicPyramid(&d);
    DisposeDynamicPyramid(nullptr);

    // An embedded record keeps itself and the caller's pointer.
    PyramidDescriptor* embedded = p.get();
    DisposeDynamicPyramid(&embedded);
    EXPECT_EQ(embedded, p.get());
    EXPECT_EQ(p->tiles, nullptr);
    EXPECT_EQ(p->noTiles, 1);
    DisposePyramidData(p.get());
}

TEST(PyramidStore, Copy) {
    Pyr a, b, c;
    ASSERT_EQ(TryToAllocatePyramid_2006(a.get(), 20, 10, kPyrColour8, 0, 0), 1);
    ASSERT_EQ(TryToAllocatePyramid_2006(b.get(), 20, 10, kPyrColour8, 0, 0), 1);
    ASSERT_EQ(TryToAllocatePyramid_2006(c.get(), 20, 10, kPyrColour16, 0, 0), 1);
    set_pyramid_sample_point4(3, 4, a.get(), 0, 1, 2, 3, 4);
    set_pyramid_sample_point4(1, 1, a.get(), 2, 5, 6, 7, 8);
    set_pyramid_sample_point4(3, 4, b.get(), 0, 9, 9, 9, 9);
    a->mipmapState = 2;
    CopyPyrAToB(a.get(), b.get());
    EXPECT_EQ(get_pyramid_sample_point4_raw(3, 4, b.get(), 0), 0x01020304u);
    EXPECT_EQ(get_pyramid_sample_point4_raw(1, 1, b.get(), 2), 0x05060708u);
    EXPECT_EQ(b->mipmapState, 2);
    // An A with level 0 only (its smaller levels never made) gives that.
    set_pyramid_sample_point4(3, 4, a.get(), 0, 4, 3, 2, 1);
    set_pyramid_sample_point4(1, 1, b.get(), 2, 9, 9, 9, 9);
    a->mipmapState = 1;
    CopyPyrAToB(a.get(), b.get());
    EXPECT_EQ(get_pyramid_sample_point4_raw(3, 4, b.get(), 0), 0x04030201u);
    EXPECT_EQ(get_pyramid_sample_point4_raw(1, 1, b.get(), 2), 0x09090909u);
    EXPECT_EQ(b->mipmapState, 1);
    set_pyramid_sample_point4(3, 4, a.get(), 0, 1, 2, 3, 4);
    a->mipmapState = 2;

    set_pyramid_sample_point64bit(0, 0, c.get(), 0, 11, 12, 13, 14);
    CopyPyrAToB(a.get(), c.get());  // different bytes per pixel: nothing
    int64_t r[4];
    StoredComponents(0, 0, c.get(), 0, r);
    EXPECT_EQ(r[0], 11);
    EXPECT_EQ(c->mipmapState, 0);

    EXPECT_TRUE(PyramidsAreSimilarSizeAndHeight(a.get(), c.get()));
    EXPECT_FALSE(PyramidsAreSimilar(a.get(), c.get()));
}

TEST(PixelAccess, EdgeRules) {
    Pyr p;
    ASSERT_EQ(TryToAllocatePyramid_2006(p.get(), 100, 10, kPyrGrey8, 1, 0), 1);
    for (int64_t x = 0; x < 100; ++x)
        for (int64_t y = 0; y < 10; ++y) set_pyramid_sample_point1(x, y, p.get(), 0, x + (y == 0 ? 100 : 0));
    struct Case { int64_t x, expect; };
    for (Case c : {Case{100, 0}, Case{199, 99}, Case{200, 99}, Case{-1, 99}, Case{-100, 0}, Case{-150, 0},
                   Case{INT64_MAX, 99}, Case{INT64_MIN, 0}})
        EXPECT_EQ(get_pyramid_sample_point1(c.x, 5, p.get(), 0), c.expect) << c.x;
    EXPECT_EQ(get_pyramid_sample_point1(3, -1, p.get(), 0), 3);  // wraps to the last row
    p->edgeMode = 2;
    EXPECT_EQ(get_pyramid_sample_point1(-1, 5, p.get(), 0), 99);
    EXPECT_EQ(get_pyramid_sample_point1(3, -5, p.get(), 0), 103);  // rows clamp
    p->edgeMode = 0;
    EXPECT_EQ(get_pyramid_sample_point1(-1, 5, p.get(), 0), 0);
    EXPECT_EQ(get_pyramid_sample_point1(500, 500, p.get(), 0), 99);
    // Levels that do not exist read 0 and write nothing.
    EXPECT_EQ(get_pyramid_sample_point1(0, 0, p.get(), p->topLevel + 1), 0);
    EXPECT_EQ(get_pyramid_sample_point1(0, 0, p.get(), -1), 0);

    // Writes outside the level change nothing.
    set_pyramid_sample_point1(-1, 0, p.get(), 0, 7);
    set_pyramid_sample_point1(100, 0, p.get(), 0, 7);
    EXPECT_EQ(get_pyramid_sample_point1(0, 0, p.get(), 0), 100);
    EXPECT_EQ(get_pyramid_sample_point1(99, 0, p.get(), 0), 199);
    EXPECT_TRUE(PointIsOutsideOfPyrLevel(-1, 0, p.get(), 0));
    EXPECT_TRUE(PointIsOutsideOfPyrLevel(0, 10, p.get(), 0));
    EXPECT_FALSE(PointIsOutsideOfPyrLevel(99, 9, p.get(), 0));
}

TEST(PixelAccess, PackedWordsAndUnitColours) {
    Pyr p;
    ASSERT_EQ(TryToAllocatePyramid_2006(p.get(), 8, 8, kPyrColour8, 0, 0), 1);
    set_pyramid_sample_point4(1, 1, p.get(), 0, 10, 20, 30, 40);
    EXPECT_EQ(get_pyramid_sample_point4_raw(1, 1, p.get(), 0), 0x0A141E28u);
    alpha_set_pyramid_sample_point4(1, 1, p.get(), 0, 7);
    EXPECT_EQ(get_pyramid_sample_point4_raw(1, 1, p.get(), 0), 0x0A141E07u);
    // Out-of-range and NaN unit colours clamp instead of wrapping.
    const float c[4] = {2.0f, -1.0f, std::nanf(""), 0.5f};
    set_intcoord_unitary_color(2, 2, p.get(), 0, c);
    EXPECT_EQ(get_pyramid_sample_point4_raw(2, 2, p.get(), 0), 0xFF00007Fu);

    Pyr g;
    ASSERT_EQ(TryToAllocatePyramid_2006(g.get(), 4, 4, kPyrGrey8, 0, 0), 1);
    set_pyramid_sample_point1(0, 0, g.get(), 0, 255);
    float out[4];
    get_intcoord_unitary_color(0, 0, g.get(), 0, out);
    for (float f : out) EXPECT_FLOAT_EQ(f, 1.0f);

    Pyr q;
    ASSERT_EQ(TryToAllocatePyramid_2006(q.get(), 4, 4, kPyrColour16, 0, 0), 1);
    set_pyramid_sample_point64bit(0, 0, q.get(), 0, 32768, 0, 16384, 32768);
    get_intcoord_unitary_color(0, 0, q.get(), 0, out);
    EXPECT_FLOAT_EQ(out[0], 1.0f);
    EXPECT_FLOAT_EQ(out[1], 0.0f);
    EXPECT_FLOAT_EQ(out[2], 0.5f);
    EXPECT_FLOAT_EQ(out[3], 1.0f);

    Pyr k1;
    ASSERT_EQ(TryToAllocatePyramid_2006(k1.get(), 4, 4, kPyrGrey16, 0, 0), 1);
    set_intcoord_unitary_grey(1, 1, k1.get(), 0, 1.0f);
    EXPECT_EQ(get_pyramid_sample_point16bit(1, 1, k1.get(), 0), 32768);
}

TEST(Kernels, PhasesSumExactlyAndMatchKnownShapes) {
    auto k = std::make_unique<sincType>();
    struct Known { int mode, phase; float w[5]; };
    const Known known[] = {
        {0, 0, {0.0f, -0.047f, 0.594f, 0.497f, -0.045f}},
        {0, 64, {-0.013f, 0.116f, 0.849f, 0.056f, -0.008f}},
        {1, 0, {0.0f, 0.002f, 0.498f, 0.498f, 0.002f}},
        {1, 64, {0.0f, 0.056f, 0.889f, 0.056f, 0.0f}},
    };
    for (int mode : {0, 1}) {
        if (mode == 0) initGaussianPyrTable_sinc(k.get());
        else initGaussianPyrTable_gauss(k.get());
        for (int p = 0; p < kKernelPhases; ++p) {
            int64_t s2048 = 0, s32768 = 0;
            float sf = 0;
            for (int t = 0; t < 5; ++t) {
                s2048 += k->weights2048[t * 128 + p];
                s32768 += k->weights32768[t * 128 + p];
                sf += k->weights[t * 128 + p];
                EXPECT_EQ(k->weights[t * 128 + p], k->weightsCopy[t * 128 + p]);
            }
            EXPECT_EQ(s2048, 2048);
            EXPECT_EQ(s32768, 32768);
            EXPECT_NEAR(sf, 1.0f, 1e-6f);
        }
        for (const Known& kn : known)
            if (kn.mode == mode) {
                for (int t = 0; t < 5; ++t)
                    EXPECT_NEAR(k->weights[t * 128 + kn.phase], kn.w[t], 0.0015f) << mode << " " << kn.phase << " " << t;
            }
    }
}

}  // namespace

namespace {

TEST(PyramidGeometry, RectangleForms) {
    const VRect r{10, 20, 13, 25};  // 5 x 3
    EXPECT_EQ(pixel_offset_to_level(&r, 0, 0), 0);
    EXPECT_EQ(pixel_offset_to_level(&r, 2, 0), 15 + 8);
    EXPECT_EQ(pixel_offset_to_level(&r, 3, 1), 7 * 5 + 6 * 4 + 4 * 3);
    EXPECT_EQ(all_pixels_in_Pyramid_by_rectangle(&r, 0), 15 + 8 + 2 + 1);

    Pyr p;
    ASSERT_EQ(TryToAllocatePyramid_2006(p.get(), 600, 40, kPyrGrey8, 0, 0), 1);
    const VRect b = GetBoundingVRectOfPyrLevel(p.get(), 2);
    EXPECT_EQ(b.right, 150);
    EXPECT_EQ(b.bottom, 10);
    const VRect none = GetBoundingVRectOfPyrLevel(p.get(), p->topLevel + 1);
    EXPECT_EQ(none.right, 0);
}

}  // namespace

#include "records/data.h"
#include "records/plugin_globals.h"

namespace {

TEST(PyramidStore, InvocationPyramids) {
    auto data = std::make_unique<Data>();
    std::memset(static_cast<void*>(data.get()), 0, sizeof(Data));
    gData = data.get();
    for (PyramidDescriptor& p : data->pyramids) InitPyramidProcs(&p);
    for (int64_t i = 0; i < kCubeFaceCount; ++i) {
        ASSERT_EQ(TryToAllocatePyramid_2006(&data->pyramids[kFirstCubeFacePyramid + i], 16, 16, kPyrColour8, 0, 0), 1);
        data->pyramids[kFirstCubeFacePyramid + i].contentTag = 5;
    }
    DumpAnyCorpus();
    for (int64_t i = 0; i < kCubeFaceCount; ++i) {
        EXPECT_EQ(data->pyramids[kFirstCubeFacePyramid + i].tiles, nullptr);
        EXPECT_EQ(data->pyramids[kFirstCubeFacePyramid + i].contentTag, 0);
    }
    gData = nullptr;
}

}  // namespace

namespace {

// Every kind: allocate two, copy one into the other, free both.
TEST(PyramidStore, EveryKindCopies) {
    for (int64_t kind = 0; kind <= 9; ++kind) {
        Pyr a, b;
        ASSERT_EQ(TryToAllocatePyramid_2006(a.get(), 600, 30, kind, 0, 0), 1) << kind;
        ASSERT_EQ(TryToAllocatePyramid_2006(b.get(), 600, 30, kind, 0, 0), 1) << kind;
        if (!a->tiles) continue;  // kinds without pixel data
        for (int64_t L = 0; L <= a->topLevel; ++L)
            for (int64_t i = a->firstTile[L]; i <= a->lastTile[L]; ++i) {
                std::memset(a->tiles[i].pixels, int(kind + 1), size_t(BytesInTile(a.get(), i)));
                std::memset(b->tiles[i].pixels, 0, size_t(BytesInTile(b.get(), i)));
            }
        CopyPyrAToB(a.get(), b.get());
        // The first byte of pixel (x, y) of level L, clamped to the level.
        auto firstByte = [](Pyr& p, int64_t L, int64_t x, int64_t y) {
            pyr_clamp_to_level(p.get(), L, x, y);
            return *pyr_pixel_address(p.get(), L, x, y, p->bytesPerPixel);
        };
        EXPECT_EQ(firstByte(b, 0, 599, 29), kind + 1);
        EXPECT_EQ(firstByte(b, b->topLevel, 599, 29), kind + 1);
        // A similar pyramid whose tiles are gone takes no copy.
        DisposePyramidData(b.get());
        CopyPyrAToB(a.get(), b.get());
        EXPECT_EQ(b->tiles, nullptr);
    }
}

}  // namespace
