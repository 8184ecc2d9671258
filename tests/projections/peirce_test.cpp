// The Peirce quincuncial projection and its variants, the pentagon fold and
// its disc map, the band map and the D-shape coordinates.
#include <cmath>
#include <complex>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/projections/earth_fixture.h"
#include "common/angles.h"
#include "projections/caches.h"
#include "projections/dispatcher.h"
#include "projections/peirce.h"
#include "pyramid/pixels.h"
#include "tests/projections/road_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

class Peirce : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        store = NewProjectionCacheStore();
        ASSERT_TRUE(PrefillProjectionCachesForMode(store, 94));
        ASSERT_TRUE(PrefillProjectionCachesForMode(store, 385));
    }
    static void TearDownTestSuite() { DisposeProjectionCacheStore(&store); }
    static PyramidDescriptor* cache() { return ProjectionCache(store, kCacheTagPeirce); }
    static PyramidDescriptor* decant() { return ProjectionCache(store, kCacheTagDecant); }

    struct Dir {
        uint8_t miss;
        float d[3];
    };
    static Dir At(double x, double y, double k = 1.0, double phi = 0.0) {
        Dir r{};
        TotalPeirce(&r.miss, r.d, cache(), x, y, k, phi);
        return r;
    }
    static double Distance(const float* a, const float* b) {
        return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
    }
    static ProjectionCacheStore* store;
};
ProjectionCacheStore* Peirce::store = nullptr;

}  // namespace

TEST_F(Peirce, CentreEdgesCornersAndMisses) {
    Dir c = At(0.0, 0.0);
    EXPECT_EQ(c.miss, 0);
    EXPECT_NEAR(c.d[0], 0.0f, 1e-6f);
    EXPECT_NEAR(c.d[1], 0.0f, 1e-6f);
    EXPECT_NEAR(c.d[2], 1.0f, 1e-6f);
    // The four corners (on the diagonals through them) and anything outside.
    for (double sx : {-1.0, 1.0})
        for (double sy : {-1.0, 1.0}) EXPECT_EQ(At(sx, sy).miss, 1) << sx << "," << sy;
    Dir out = At(1.0001, 0.0);
    EXPECT_EQ(out.miss, 1);
    EXPECT_EQ(out.d[2], 1.0f);
    EXPECT_EQ(At(std::nan(""), 0.0).miss, 1);
    // On the diamond's edge: the first hemisphere, on its rim (the z = 0 circle).
    for (double t : {0.0, 0.2, 0.5, 0.9}) {
        Dir e = At(t, 1.0 - t);
        EXPECT_EQ(e.miss, 0);
        EXPECT_NEAR(e.d[2], 0.0f, 5e-5f) << t;  // chords of the table's rim lie just inside it
    }
    // The top of the picture (y = -1, rows grow downward) is the north pole,
    // the right edge's midpoint the direction -x... of the other hemisphere.
    Dir top = At(0.0, -1.0);
    EXPECT_NEAR(top.d[1], 1.0f, 1e-6f);
    Dir right = At(1.0, 0.0);
    EXPECT_NEAR(right.d[2], 0.0f, 1e-6f);
    EXPECT_NEAR(std::fabs(right.d[0]), 1.0f, 1e-6f);
}

TEST_F(Peirce, DiamondHoldsOneHemisphereAndTheSeamsClose) {
    for (double y = -0.95; y < 1.0; y += 0.1)
        for (double x = -0.95; x < 1.0; x += 0.1) {
            const Dir r = At(x, y);
            ASSERT_EQ(r.miss, 0);
            EXPECT_NEAR(r.d[0] * r.d[0] + r.d[1] * r.d[1] + r.d[2] * r.d[2], 1.0f, 1e-5f);
            if (std::fabs(x) + std::fabs(y) < 0.999) {
                EXPECT_GT(r.d[2], 0.0f) << x << "," << y;
            } else if (std::fabs(x) + std::fabs(y) > 1.001) {
                EXPECT_LT(r.d[2], 0.0f) << x << "," << y;
            }
        }
    // Across the diamond's edge the map is continuous (reflection principle).
    for (double t : {0.1, 0.35, 0.6, 0.85}) {
        const double e = 1e-4;
        Dir in = At(t - e, 1.0 - t - e), out = At(t + e, 1.0 - t + e);
        EXPECT_LT(Distance(in.d, out.d), 1e-3) << t;
    }
    // Each half of the square's edge is glued to the other half: (1, y) and
    // (1, -y) see the same direction, so the map tiles the plane. (The edge
    // itself lies on the corner triangles' open sides, so just inside it.)
    const double edge = 1.0 - 1e-7;
    for (double y : {0.1, 0.4, 0.8}) {
        Dir a = At(edge, y), b = At(edge, -y), c = At(y, -edge), d = At(-y, -edge);
        ASSERT_EQ(a.miss + b.miss + c.miss + d.miss, 0);
        EXPECT_LT(Distance(a.d, b.d), 1e-5) << y;
        EXPECT_LT(Distance(c.d, d.d), 1e-5) << y;
    }
}

// Conformality of the whole map on the sphere: small squares of the plane stay
// squares (equal lengths, right angles) on the sphere, to the accuracy of the
// table's bilinear interpolation. Away from the edge midpoints of the square,
// where the map is singular.
TEST_F(Peirce, SmallSquaresStaySquares) {
    const double h = 1e-3;
    for (double y = -0.75; y < 0.8; y += 0.25)
        for (double x = -0.75; x < 0.8; x += 0.25) {
            if (std::fabs(std::fabs(x) + std::fabs(y) - 1.0) < 0.05) continue;  // the seam's crease
            Dir o = At(x, y), px = At(x + h, y), py = At(x, y + h);
            double ex[3], ey[3];
            for (int i = 0; i < 3; ++i) ex[i] = px.d[i] - o.d[i], ey[i] = py.d[i] - o.d[i];
            const double lx = std::sqrt(ex[0] * ex[0] + ex[1] * ex[1] + ex[2] * ex[2]);
            const double ly = std::sqrt(ey[0] * ey[0] + ey[1] * ey[1] + ey[2] * ey[2]);
            const double cosAngle = (ex[0] * ey[0] + ex[1] * ey[1] + ex[2] * ey[2]) / (lx * ly);
            EXPECT_NEAR(lx / ly, 1.0, 0.03) << x << "," << y;
            EXPECT_NEAR(cosAngle, 0.0, 0.03) << x << "," << y;
        }
}

TEST_F(Peirce, PowerAndTurnActOnTheDiscPoint) {
    // w^k with the turn: the point on the diamond's axis at disc radius r
    // goes to radius r^k, so the angle from +z changes accordingly.
    Dir plain = At(0.3, 0.1), squared = At(0.3, 0.1, 2.0, 0.0), turned = At(0.3, 0.1, 1.0, kPi / 2);
    const double r = std::sqrt(plain.d[0] * plain.d[0] + plain.d[1] * plain.d[1]) / (1.0 + plain.d[2]);
    const double r2 = std::sqrt(squared.d[0] * squared.d[0] + squared.d[1] * squared.d[1]) / (1.0 + squared.d[2]);
    EXPECT_NEAR(r2, r * r, 1e-5);
    EXPECT_NEAR(turned.d[0], -plain.d[1], 1e-5);  // a quarter turn of the disc point
    EXPECT_NEAR(turned.d[1], plain.d[0], 1e-5);
    EXPECT_NEAR(turned.d[2], plain.d[2], 1e-6);
}

TEST_F(Peirce, Variants) {
    // Half squares: the second only where the first misses.
    for (double x : {-0.4, 0.2}) {
        Dir first = At(x + 0.5, 0.1 + 0.5);
        uint8_t miss;
        float d[3];
        TotalPeirce_175(&miss, d, cache(), x, 0.1, 1.0, 0.0);
        ASSERT_EQ(miss, 0);
        ASSERT_EQ(first.miss, 0);
        EXPECT_FLOAT_EQ(d[0], first.d[0]);
        EXPECT_FLOAT_EQ(d[1], first.d[2]);
        EXPECT_FLOAT_EQ(d[2], -first.d[1]);
    }
    {
        uint8_t miss;
        float d[3];
        TotalPeirce_175(&miss, d, cache(), 0.9, 0.9, 1.0, 0.0);  // first misses, second (0.4, 0.4) holds
        Dir s = At(0.4, 0.4);
        EXPECT_EQ(miss, 0);
        EXPECT_FLOAT_EQ(d[0], -s.d[1]);
        EXPECT_FLOAT_EQ(d[1], -s.d[2]);
        EXPECT_FLOAT_EQ(d[2], s.d[0]);
    }
    // Tiling: tile centres look ahead; alternate tiles are upside down.
    {
        uint8_t miss;
        float d[3];
        TilingPeirce(&miss, d, cache(), 0.5, 0.5, 1.0, 5.0);
        EXPECT_NEAR(d[2], 1.0f, 1e-6f);
        TilingPeirce(&miss, d, cache(), 1.3, 0.2, 1.0, 5.0);  // tile (1, 0): turned
        Dir turned = At(-(2 * 0.3 - 1), -(2 * 0.2 - 1));
        EXPECT_FLOAT_EQ(d[0], turned.d[0]);
        EXPECT_FLOAT_EQ(d[2], turned.d[2]);
        TilingPeirce(&miss, d, cache(), -0.7, -0.8, 1.0, 5.0);  // tile (-1, -1): upright
        Dir upright = At(2 * 0.3 - 1, 2 * 0.2 - 1);
        EXPECT_NEAR(d[0], upright.d[0], 1e-6f);
        EXPECT_NEAR(d[1], upright.d[1], 1e-6f);
    }
    // Bendy with no bend is the plain map.
    {
        uint8_t miss;
        float d[3];
        BendyPeirce(&miss, d, cache(), 0, 0.3, -0.2, 1.0, 0.0, 1.0, 0.0, 0.0);
        Dir p = At(0.3, -0.2);
        EXPECT_FLOAT_EQ(d[0], p.d[0]);
        EXPECT_FLOAT_EQ(d[1], p.d[1]);
        EXPECT_FLOAT_EQ(d[2], p.d[2]);
        // Trecunx (mode 92's constants) stays on the unit sphere.
        BendyPeirce(&miss, d, cache(), 2, 0.2, 0.1, 0.5, kPi / 2, 0.5, 0.0, 0.0);
        EXPECT_EQ(miss, 0);
        EXPECT_NEAR(d[0] * d[0] + d[1] * d[1] + d[2] * d[2], 1.0f, 1e-5f);
    }
    // Chevron: one quadrant of the turned plane is cut away.
    {
        uint8_t miss;
        float d[3];
        ChevronPeirce(&miss, d, cache(), -0.3, 0.0, 1.0, 0.0, 0.0);  // turned: px < 0, py < 0
        EXPECT_EQ(miss, 0);
        ChevronPeirce(&miss, d, cache(), -0.2, 0.3, 1.0, 0.0, 0.0);  // px < 0 < py: the cut
        EXPECT_EQ(miss, 1);
        ChevronPeirce(&miss, d, cache(), 0.3, 0.1, 1.0, 0.0, -0.35355339059327373);
        EXPECT_EQ(miss, 0);
        EXPECT_NEAR(d[0] * d[0] + d[1] * d[1] + d[2] * d[2], 1.0f, 1e-5f);
    }
}

// ---- pentagon ----

TEST_F(Peirce, PentagonFoldAndUnfold) {
    for (double a = 0.05; a < 2 * kPi; a += 0.37) {
        const double x = 0.6 * std::cos(a), y = 0.6 * std::sin(a);
        fcomplex A, B;
        polyflop flop;
        const fcomplex p = spunpInPentagon(&A, &B, &flop, x, y);
        EXPECT_GE(p.im, 0.0);
        EXPECT_LE(std::atan2(p.im, p.re), kPi / 5 + 1e-12);
        const fcomplex back = deFlop(&flop, p.re, p.im);
        EXPECT_NEAR(back.re, x, 1e-12);
        EXPECT_NEAR(back.im, y, 1e-12);
    }
    // On a sector's centre line the turned point has y = 0: not flipped.
    fcomplex A, B;
    polyflop flop;
    spunpInPentagon(&A, &B, &flop, std::cos(kPi / 5), std::sin(kPi / 5));
    EXPECT_EQ(flop.flipped, 0);
    // Weights: centre, vertex and edge midpoint of the core pentagon (vertex at 0).
    fcomplex w = getBarysOfManualPentagonForP_core(&A, &B, &flop, 0.0, 0.0);
    EXPECT_NEAR(w.re, 1.0, 1e-12);
    EXPECT_NEAR(w.im, 0.0, 1e-12);
    w = getBarysOfManualPentagonForP_core(&A, &B, &flop, std::cos(2 * kPi / 5), std::sin(2 * kPi / 5));
    EXPECT_NEAR(w.re, 0.0, 1e-9);
    EXPECT_NEAR(w.im, 1.0, 1e-9);
    EXPECT_NEAR(A.re, std::cos(2 * kPi / 5), 1e-9);  // A back in the unfolded frame
    EXPECT_NEAR(A.im, std::sin(2 * kPi / 5), 1e-9);
    w = getBarysOfManualPentagonForP_core(&A, &B, &flop, 0.9 * std::cos(kPi / 5) * std::cos(kPi / 5),
                                          0.9 * std::cos(kPi / 5) * std::sin(kPi / 5));
    EXPECT_NEAR(w.re, 0.1, 1e-9);
    EXPECT_NEAR(w.im, 0.0, 1e-9);
    w = getBarysOfManualPentagonForP_core(&A, &B, &flop, 2.0, 0.0);
    EXPECT_LT(w.re, 0.0);  // beyond the pentagon
}

TEST_F(Peirce, PentagonOntoTheDisc) {
    uint8_t outside = 9;
    fcomplex w = PentagonInverseMagicallyCenteredInput(decant(), &outside, 0.0, 0.0);
    EXPECT_EQ(outside, 0);
    EXPECT_NEAR(std::hypot(w.re, w.im), 0.0, 1e-6);
    // Vertices (at -90 + 72k degrees) and edge midpoints keep their direction
    // and land on the rim.
    for (int k = 0; k < 5; ++k) {
        const double va = -kPi / 2 + 2 * kPi * k / 5, ma = va + kPi / 5;
        for (const auto& [radius, angle] : {std::pair{1.0, va}, std::pair{std::cos(kPi / 5), ma}}) {
            w = PentagonInverseMagicallyCenteredInput(decant(), &outside, radius * std::cos(angle) * (1 - 1e-9),
                                                      radius * std::sin(angle) * (1 - 1e-9));
            EXPECT_EQ(outside, 0);
            EXPECT_NEAR(std::hypot(w.re, w.im), 1.0, 2e-6) << k;
            EXPECT_NEAR(std::remainder(std::atan2(w.im, w.re) - angle, 2 * kPi), 0.0, 2e-6) << k;
        }
    }
    w = PentagonInverseMagicallyCenteredInput(decant(), &outside, 0.0, 1.2);
    EXPECT_EQ(outside, 1);
    // Fivefold symmetry and the mirror in the vertical axis, off the grid points.
    const std::complex<double> turn = std::polar(1.0, 2 * kPi / 5);
    for (double r = 0.1; r < 0.75; r += 0.16)
        for (double a = 0.1; a < 6.2; a += 0.9) {
            const std::complex<double> z = std::polar(r, a), zt = z * turn;
            const fcomplex p = PentagonInverseMagicallyCenteredInput(decant(), &outside, z.real(), z.imag());
            const fcomplex q = PentagonInverseMagicallyCenteredInput(decant(), &outside, zt.real(), zt.imag());
            const std::complex<double> pt = std::complex<double>(p.re, p.im) * turn;
            EXPECT_NEAR(q.re, pt.real(), 2e-6);
            EXPECT_NEAR(q.im, pt.imag(), 2e-6);
            const fcomplex m = PentagonInverseMagicallyCenteredInput(decant(), &outside, -z.real(), z.imag());
            EXPECT_NEAR(m.re, -p.re, 2e-6);
            EXPECT_NEAR(m.im, p.im, 2e-6);
        }
}

TEST(Band, IsTanhOfTheStrip) {
    for (double x : {-3.0, -0.5, 0.0, 0.7, 2.0})
        for (double y : {-1.0, -0.3, 0.0, 0.9, 1.0}) {
            const std::complex<double> e = std::tanh(std::complex<double>(x, y) * (kPi / 4));
            const fcomplex w = BandInverseMagicallyCenteredInput(x, y);
            EXPECT_NEAR(w.re, e.real(), 1e-14);
            EXPECT_NEAR(w.im, e.imag(), 1e-14);
            if (std::fabs(y) == 1.0) {
                EXPECT_NEAR(std::hypot(w.re, w.im), 1.0, 1e-14);
            }
        }
    const fcomplex far = BandInverseMagicallyCenteredInput(5000.0, 0.5);
    EXPECT_NEAR(far.re, 1.0, 1e-12);
    EXPECT_TRUE(std::isfinite(far.im));
}

TEST(InverseStereographic, MatchesTheFormula) {
    for (double x : {-2.0, -0.3, 0.0, 0.5})
        for (double y : {-0.7, 0.0, 1.5}) {
            float d[3];
            InverseStereographicStep(d, x, y);
            const double s = 1 + x * x + y * y;
            EXPECT_NEAR(d[0], -2 * x / s, 1e-6);
            EXPECT_NEAR(d[1], -2 * y / s, 1e-6);
            EXPECT_NEAR(d[2], (1 - x * x - y * y) / s, 1e-6);
        }
}

// ---- the bundled Earth through the projection ----

// Renders samples/earth-2048x1024.jpg as a Peirce quincuncial square (mode 94)
// through the sample road (dispatcher, identity twirl, equirectangular input)
// and writes it to the build tree (peirce_earth.ppm) for a look; checks that
// the inner diamond shows the hemisphere around longitude 0 and the corners
// the other one.
TEST_F(Peirce, BundledEarthThroughTheRoad) {
    PyramidDescriptor earth{};
    ASSERT_TRUE(LoadBundledEarth(&earth));
    RoadRig rig(94, 1, 1.0f);
    rig.context->inverseScale = 2.0;  // the square [-1, 1]^2 fills the frame
    rig.context->projectionCaches = store;
    const int n = 256;
    std::vector<uint8_t> rgb(3 * n * n);
    int inner = 0, innerNear = 0, outer = 0, outerFar = 0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const float u = (i + 0.5f) / n, v = (j + 0.5f) / n;
            const TransformationReply r = rig.at(u, v);
            if (r.inputU < 0.0f) continue;  // no input position: backdrop
            const double x = 2.0 * u - 1.0, y = 2.0 * v - 1.0;
            // Pixel centres on the diamond's edge itself (the z = 0 circle) count for neither.
            const double edge = std::fabs(x) + std::fabs(y) - 1.0;
            if (edge < -1e-6) ++inner, innerNear += (r.inputU >= 0.25f && r.inputU <= 0.75f);
            if (edge > 1e-6) ++outer, outerFar += (r.inputU <= 0.25f || r.inputU >= 0.75f);
            const uint32_t w = get_pyramid_sample_point4_raw(static_cast<int64_t>(r.inputU * 2047.0f),
                                                             static_cast<int64_t>(r.inputV * 1023.0f), &earth, 0);
            uint8_t* o = &rgb[3 * (j * n + i)];
            o[0] = static_cast<uint8_t>(w >> 24), o[1] = static_cast<uint8_t>(w >> 16), o[2] = static_cast<uint8_t>(w >> 8);
        }
    EXPECT_EQ(innerNear, inner);
    EXPECT_EQ(outerFar, outer);
    EXPECT_GT(inner, n * n / 2 - 2 * n);
    EXPECT_GT(outer, n * n / 2 - 4 * n);
    const std::string path = std::string(VORNESK_BINARY_DIR) + "/peirce_earth.ppm";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fprintf(f, "P6\n%d %d\n255\n", n, n);
        std::fwrite(rgb.data(), 1, rgb.size(), f);
        std::fclose(f);
    }
    DisposePyramidData(&earth);
}

// ---- the dispatcher's Peirce rows ----

namespace {

struct RowShot {
    float p[3];
    unsigned char miss;
};

RowShot DispatchRow(RoadRig& rig, float u, float v) {
    RowShot s{{7.0f, 7.0f, 7.0f}, 0};
    long region = -1;
    fcomplex plane{0, 0};
    TransformationReply reply = MakeTemplateReply();
    renderhinttype* h = &rig.hints;
    vort* c = rig.context.get();
    TransformationReply* r = &reply;
    handle_non_poly_projections(h, s.p, c, region, s.miss, plane, r, u, v);
    return s;
}

}  // namespace

TEST_F(Peirce, DispatcherRowsReachTheirMaps) {
    const long modes[] = {92, 93, 94, 95, 96, 128, 369, 417};
    for (long mode : modes) {
        SCOPED_TRACE(mode);
        EXPECT_FALSE(OutputModeAwaitsProjection(mode));
        RoadRig rig(mode, 1, 1.0f);
        // Without the render's caches every sample misses, with a defined direction.
        RowShot none = DispatchRow(rig, 0.45f, 0.55f);
        EXPECT_EQ(none.miss, 1);
        EXPECT_EQ(none.p[2], 1.0f);
        rig.context->projectionCaches = store;
        int inside = 0;
        for (float v = 0.05f; v < 1.0f; v += 0.1f)
            for (float u = 0.05f; u < 1.0f; u += 0.1f) {
                RowShot s = DispatchRow(rig, u, v);
                if (s.miss) continue;
                ++inside;
                EXPECT_NEAR(s.p[0] * s.p[0] + s.p[1] * s.p[1] + s.p[2] * s.p[2], 1.0f, 1e-5f) << u << "," << v;
            }
        EXPECT_GT(inside, 30);
    }
    // Mode 94 is TotalPeirce on the centred plane (S = 1: X = u - 0.5, Y = v - 0.5).
    RoadRig rig(94, 1, 1.0f);
    rig.context->projectionCaches = store;
    for (float u : {0.2f, 0.5f, 0.9f})
        for (float v : {0.1f, 0.5f, 0.7f}) {
            RowShot s = DispatchRow(rig, u, v);
            Dir d = At(u - 0.5, v - 0.5);
            EXPECT_EQ(s.miss, d.miss);
            EXPECT_FLOAT_EQ(s.p[0], d.d[0]);
            EXPECT_FLOAT_EQ(s.p[2], d.d[2]);
        }
    // The whole sphere in a frame of half-width 1 (inverse scale 2): the
    // centre looks ahead, the top edge's middle at the north pole.
    rig.context->inverseScale = 2.0;
    RowShot c = DispatchRow(rig, 0.5f, 0.5f);
    EXPECT_NEAR(c.p[2], 1.0f, 1e-6f);
    RowShot top = DispatchRow(rig, 0.5f, 0.0f);
    EXPECT_NEAR(top.p[1], 1.0f, 1e-5f);
}
