// Gore templates, the ellipsoid profile's arc-length table and the small
// warps.
#include "projections/gores.h"

#include <gtest/gtest.h>

#include <cmath>

#include "records/TransformationReply.h"
#include "projections/caches.h"
#include "common/angles.h"
#include "projections/forward_maps.h"
#include "tests/projections/road_fixture.h"

namespace {

TEST(Gores, GoreCoreCentreAndRegions) {
    TransformationReply r = MakeTemplateReply();
    float p[3];
    unsigned char outside = 1;
    gorecore(0.0f, 0.5f, 12.0f, 0.0f, p, &outside, &r, 1.0f, 0);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(r.place, kRegionInGore);
    EXPECT_EQ(r.faceTag, 0);
    EXPECT_EQ(p[0], 0.0f);
    EXPECT_EQ(p[1], 0.0f);
    EXPECT_EQ(p[2], -1.0f);
    // The top of the centre line is the north pole.
    gorecore(0.0f, 0.0f, 12.0f, 3.0f, p, &outside, &r, 1.0f, 0);
    EXPECT_NEAR(p[1], 1.0f, 1e-6);
    // Mode 0: past the right edge is the neighbour's mirrored flap.
    gorecore(0.2f, 0.5f, 12.0f, 3.0f, p, &outside, &r, 1.0f, 0);
    EXPECT_EQ(r.place, kRegionGoreFlap);
    EXPECT_GT(r.netPosition[0], 0.0);
    // Mode 1: the gaps beside gore 0 of 12 are gaps 11 and 0.
    gorecore(-0.2f, 0.5f, 12.0f, 0.0f, p, &outside, &r, 1.0f, 1);
    EXPECT_EQ(r.place, kRegionGoreGapBase - 11);
    EXPECT_EQ(r.faceTag, 1);
    gorecore(0.2f, 0.5f, 12.0f, 0.0f, p, &outside, &r, 1.0f, 1);
    EXPECT_EQ(r.place, kRegionGoreGapBase);
}

TEST(Gores, DiscSphereHasTheNorthPoleAtItsCentre) {
    TransformationReply r = MakeTemplateReply();
    float p[3];
    unsigned char outside = 0;
    GetQevDiscSphere(p, &outside, &r, 0, 0.8f, 0.61f, 12.0f, 1.0f);
    EXPECT_EQ(outside, 1);
    EXPECT_EQ(r.place, kRegionOutsideTemplate);
    EXPECT_EQ(p[0], 1.0f);
    EXPECT_EQ(r.faceTag, -1);
    GetQevDiscSphere(p, &outside, &r, 0, 0.0f, 1e-4f, 12.0f, 1.0f);
    EXPECT_EQ(outside, 0);
    EXPECT_NEAR(p[1], 1.0f, 1e-4);
    // Each gore of the disc has its own region, the same along its centre line.
    int regions[12];
    for (int g = 0; g < 12; ++g) {
        const float a = g * 2 * kPiF / 12;
        GetQevDiscSphere(p, &outside, &r, 0, 0.5f * std::cos(a), 0.5f * std::sin(a), 12.0f, 1.0f);
        ASSERT_EQ(outside, 0);
        regions[g] = r.place;
        EXPECT_LE(r.place, kRegionDiscGoreBase);
        EXPECT_GT(r.place, kRegionDiscGoreBase - 12);
        GetQevDiscSphere(p, &outside, &r, 0, 0.9f * std::cos(a), 0.9f * std::sin(a), 12.0f, 1.0f);
        EXPECT_EQ(r.place, regions[g]);
        // Halfway out along the centre line is the equator.
        GetQevDiscSphere(p, &outside, &r, 0, 0.5f * std::cos(a), 0.5f * std::sin(a), 12.0f, 1.0f);
        EXPECT_NEAR(p[1], 0.0f, 1e-5);
        for (int h = 0; h < g; ++h) EXPECT_NE(regions[h], regions[g]);
    }
}

TEST(Gores, FoldingSphereGoresMeetAndTabsAreOutside) {
    const float S = 12.0f, k = 1.0f, h = GetQevFoldingSpherePoleToPoleHeight(k);
    EXPECT_FLOAT_EQ(h, 0.5f / 3.0f);
    const float t = spheretabwidth(S, k) / 2.0f;
    TransformationReply r = MakeTemplateReply();
    float p[3], q[3];
    unsigned char outside = 0;
    // The glue tab left of the first gore.
    GetQevFoldingSphere(p, &outside, &r, -0.5f + t - 0.5f * t, 0.0f, S, k);
    EXPECT_EQ(outside, 1);
    EXPECT_EQ(r.place, kRegionGlueTab);
    // Above the strip.
    GetQevFoldingSphere(p, &outside, &r, 0.0f, 0.2f, S, k);
    EXPECT_EQ(r.place, kRegionOutsideTemplate);
    // The centre of gore g on the equator looks at the gore's central meridian,
    // and the right edge of gore g meets the left edge of gore g + 1.
    const float width = 1.0f / S;
    for (int g = 0; g + 1 < int(S); ++g) {
        const float left = -0.5f + t + g * width;
        const float centre = left + width * (k + 0.5f) / (2 * k + 1);
        GetQevFoldingSphere(p, &outside, &r, centre, 0.0f, S, k);
        ASSERT_EQ(outside, 0);
        EXPECT_EQ(r.place, kRegionInGore);
        float want[3];
        DirectionOfLonLat(-M_PI + (g + 0.5) * 2 * M_PI / S, 0.0, want);
        EXPECT_LT(AngleBetween(p, want), 1e-5) << g;
        for (float y : {-0.06f, 0.0f, 0.04f}) {
            const float hw = 0.5f * std::cos(kPiF * y / h);
            const float edge = left + width * (k + 0.5f + hw) / (2 * k + 1);
            const float nextEdge = left + width + width * (k + 0.5f - hw) / (2 * k + 1);
            GetQevFoldingSphere(p, &outside, &r, edge - 1e-6f, y, S, k);
            GetQevFoldingSphere(q, &outside, &r, nextEdge + 1e-6f, y, S, k);
            EXPECT_LT(AngleBetween(p, q), 1e-3) << g << " " << y;
            // Just left of the next gore's edge is its flap, showing this gore.
            GetQevFoldingSphere(q, &outside, &r, nextEdge - 0.2f * width / 3, y, S, k);
            EXPECT_EQ(r.place, kRegionGoreFlap);
            EXPECT_EQ(r.faceTag, 1);
        }
    }
}

// The ellipse's arc length against a fine independent sum.
TEST(Gores, EllipsoidArcLengthTable) {
    for (int kind : {0, 1}) {
        float table[401];
        table[0] = kLazyTableUnbuilt;
        const float scale = 1.3f;
        EXPECT_EQ(distance_around_ellipsoid(table, kind, 0.0f, scale), 0.0f);
        EXPECT_FLOAT_EQ(distance_around_ellipsoid(table, kind, 1.0f, scale), 1.0f);
        // Independent: 100000 chords of the same curve.
        auto curve = [&](double s, double* x, double* y) {
            if (kind) {
                const double th = s * M_PI;
                *x = std::sin(th) * 1.34 * scale;
                *y = 2 * std::pow(std::cos(th) / 2 + 0.5 + 0.8, 1.5);
            } else {
                const double th = (s - 0.5) * M_PI;
                *x = std::cos(th) * scale;
                *y = std::sin(th);
            }
        };
        double total = 0, part = 0, px, py;
        curve(0, &px, &py);
        for (int i = 1; i <= 100000; ++i) {
            double x, y;
            curve(i / 100000.0, &x, &y);
            total += std::hypot(x - px, y - py);
            if (i == 30000) part = total;
            px = x, py = y;
        }
        EXPECT_NEAR(table[400], total, 1e-4 * total);
        EXPECT_NEAR(distance_around_ellipsoid(table, kind, 0.3f, scale), part / total, 1e-4);
        for (float d = 0.0f; d <= 1.0f; d += 0.0625f) {
            const float s = binary_search_for_parameter_from_distance(table, kind, d, scale);
            EXPECT_NEAR(distance_around_ellipsoid(table, kind, s, scale), d, 1e-5) << kind << " " << d;
        }
    }
}

}  // namespace

namespace {

class ThornView : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        store = NewProjectionCacheStore();
        ASSERT_TRUE(PrefillProjectionCachesForMode(store, 83));
    }
    static void TearDownTestSuite() { DisposeProjectionCacheStore(&store); }
    static PyramidDescriptor* cube() { return ProjectionCache(store, kCacheTagSphereCube); }
    static ProjectionCacheStore* store;
};
ProjectionCacheStore* ThornView::store = nullptr;

TEST_F(ThornView, CellsOfTheNet) {
    float p[3];
    unsigned char outside = 0;
    // The grid's border is outside (strict bounds).
    GetThornViewCore(4, 4, p, &outside, cube(), 0, -2.0f, 0.1f);
    EXPECT_EQ(outside, 1);
    // Cell 2 (third column, first row) belongs to the non-zero variant only.
    GetThornViewCore(4, 4, p, &outside, cube(), 0, 0.5f, -1.5f);
    EXPECT_EQ(outside, 1);
    GetThornViewCore(4, 4, p, &outside, cube(), 1, 0.5f, -1.5f);
    EXPECT_EQ(outside, 0);
    // Cell centres look along their axes.
    GetThornViewCore(4, 4, p, &outside, cube(), 0, -0.5f, 0.5f);  // cell 9
    EXPECT_EQ(outside, 0);
    EXPECT_NEAR(p[2], -1.0f, 1e-6);
    GetThornViewCore(4, 4, p, &outside, cube(), 0, 1.5f, -0.5f);  // cell 7
    EXPECT_NEAR(p[2], 1.0f, 1e-6);
    GetThornViewCore(4, 4, p, &outside, cube(), 0, 0.5f, 0.5f);  // cell 10: +x
    EXPECT_NEAR(p[0], 1.0f, 1e-6);
    // Each variant's six cells show the six axes: together the whole sphere.
    for (long variant : {0L, 1L}) {
        float sum[3] = {0, 0, 0};
        int used = 0;
        for (int cell = 0; cell < 16; ++cell) {
            GetThornViewCore(4, 4, p, &outside, cube(), variant, (cell % 4) - 1.5f, (cell / 4) - 1.5f);
            if (outside) continue;
            ++used;
            for (int k = 0; k < 3; ++k) sum[k] += p[k];
            EXPECT_NEAR(std::fabs(p[0]) + std::fabs(p[1]) + std::fabs(p[2]), 1.0f, 1e-5);
        }
        EXPECT_EQ(used, 6);
        for (float s : sum) EXPECT_NEAR(s, 0.0f, 1e-5);
    }
}

TEST_F(ThornView, DirectionsAreUnitAndNeighbouringCellsMeet) {
    float p[3], q[3];
    unsigned char a = 0, b = 0;
    // Cells 9 and 10 share an edge at X = 2 (x = 0).
    for (float y : {0.2f, 0.5f, 0.8f}) {
        GetThornViewCore(4, 4, p, &a, cube(), 0, -1e-5f, y);
        GetThornViewCore(4, 4, q, &b, cube(), 0, 1e-5f, y);
        ASSERT_EQ(a, 0);
        ASSERT_EQ(b, 0);
        EXPECT_LT(AngleBetween(p, q), 1e-3) << y;
    }
    for (float x = -1.9f; x < 2.0f; x += 0.3f)
        for (float y = -1.9f; y < 2.0f; y += 0.3f) {
            GetThornView(4, 4, p, &a, cube(), 1, 1, x, y);
            if (!a) {
                EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0f, 1e-5);
            }
        }
}

}  // namespace
