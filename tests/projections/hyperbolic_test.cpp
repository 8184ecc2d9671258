// Hyperbolic tilings: the cells against their closed forms, the fold against
// the Poincare metric, the three conformal tables against their corners, sides
// and the Cauchy-Riemann equations, the {4,8} modes over the Earth, and the
// hexagonal lattice against a brute-force nearest centre.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "projections/caches.h"
#include "projections/dispatcher.h"
#include "projections/hyperbolic.h"
#include "projections/peirce.h"
#include "records/vort.h"
#include "tests/generated_source.h"
#include "tests/projections/earth_render.h"
#include "tests/projections/road_fixture.h"

namespace {

struct TilingCase {
    int p, q;
    int64_t mode;  // a mode of the tiling
};
constexpr TilingCase kTilings[] = {{3, 9, 371}, {4, 8, 375}, {5, 4, 379}};

double Abs2(fcomplex z) { return z.re * z.re + z.im * z.im; }
double Dist(fcomplex a, fcomplex b) { return std::sqrt(Abs2(Csub(a, b))); }
// Distance in the Poincare disc, closed form.
double PoincareDistance(fcomplex a, fcomplex b) {
    return std::acosh(1.0 + 2.0 * Abs2(Csub(a, b)) / ((1.0 - Abs2(a)) * (1.0 - Abs2(b))));
}

hypertype Cell(int64_t mode) {
    hypertype h{};
    InitHypertypeForMode(&h, mode);
    return h;
}

// Whether a point lies in the closed central cell (outside every edge circle).
bool InCentralCell(const hypertype& h, int p, fcomplex z, double tol) {
    for (int k = 0; k < p; ++k)
        if (Dist(z, h.circleCentres[k]) < h.circleRadii[k] - tol) return false;
    return true;
}

TEST(Hyperbolic, CellsMatchTheirClosedForms) {
    for (const TilingCase& t : kTilings) {
        const hypertype h = Cell(t.mode);
        const double A = M_PI / t.p, B = M_PI / t.q;
        const double R = std::sqrt(std::cos(A + B) / std::cos(A - B));
        EXPECT_NEAR(h.cellRadius, R, 1e-12) << t.p;
        EXPECT_NEAR(dFromPandQ(t.p, t.q), R, 1e-12) << t.p;
        // The cell's corners at radius R (the {3,9} set-up keeps its corners
        // turned by 30 degrees and its trips on the unit circle).
        std::vector<fcomplex> vertices;
        for (int k = 0; k < t.p; ++k) {
            const double deg = t.p == 3 ? 90 + 120 * k : (t.p == 4 ? 45 + 90 * k : 72 * k);
            vertices.push_back({R * std::cos(deg * M_PI / 180), R * std::sin(deg * M_PI / 180)});
        }
        for (int k = 0; k < t.p; ++k) {
            const fcomplex C = h.circleCentres[k];
            const double r = h.circleRadii[k];
            // Orthogonal to the unit circle: |C|^2 = 1 + r^2.
            EXPECT_NEAR(Abs2(C), 1.0 + r * r, 1e-9) << t.p << " circle " << k;
            // Through two neighbouring vertices.
            int through = 0;
            for (const fcomplex& v : vertices) through += std::fabs(Dist(v, C) - r) < 1e-9;
            EXPECT_EQ(through, 2) << t.p << " circle " << k;
        }
    }
}

TEST(Hyperbolic, StoredTriangleCellTrips) {
    hypertype stored = Cell(371);
    // Trips: vertices on the unit circle, midpoint k between vertex k and k + 1.
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(Abs2(stored.trips[k]), 1.0, 1e-15);
        const fcomplex m = Cmidpoint(stored.trips[k], stored.trips[(k + 1) % 3]);
        EXPECT_NEAR(Dist(m, stored.trips[3 + k]), 0.0, 1e-15) << k;
    }
}

TEST(Hyperbolic, InversionsInTheEdgeCirclesKeepThePoincareMetric) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-0.7, 0.7);
    for (const TilingCase& t : kTilings) {
        const hypertype h = Cell(t.mode);
        for (int k = 0; k < t.p; ++k)
            for (int i = 0; i < 50; ++i) {
                const fcomplex a{u(rng), u(rng)}, b{u(rng), u(rng)};
                auto invert = [&](fcomplex z) {
                    const fcomplex d = Csub(z, h.circleCentres[k]);
                    return Cadd(h.circleCentres[k], Cscale(d, h.circleRadii[k] * h.circleRadii[k] / Abs2(d)));
                };
                EXPECT_NEAR(PoincareDistance(invert(a), invert(b)), PoincareDistance(a, b), 1e-8);
            }
    }
}

// Folds a point with the tiling's own fold; the count.
int32_t FoldOf(const hypertype& h, int p, fcomplex z, fcomplex* out) {
    if (p == 3) return LBIIS_for_triangle(out, &h, z.re, z.im);
    if (p == 4) return LBIIS_for_square(out, &h, z.re, z.im);
    return LBIIS_for_pentagon(out, &h, z.re, z.im);
}

TEST(Hyperbolic, TheFoldLandsInTheCentralCellAndKeepsDistances) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> radius(0.0, 0.97), angle(-M_PI, M_PI);
    for (const TilingCase& t : kTilings) {
        const hypertype h = Cell(t.mode);
        int pairs = 0;
        for (int i = 0; i < 2000; ++i) {
            const double r = radius(rng), a = angle(rng);
            const fcomplex z{r * std::cos(a), r * std::sin(a)};
            fcomplex f;
            const int32_t n = FoldOf(h, t.p, z, &f);
            ASSERT_GE(n, 0);
            EXPECT_TRUE(InCentralCell(h, t.p, f, 1e-9)) << t.p << " at " << z.re << ", " << z.im;
            // A neighbour that takes the same steps keeps its hyperbolic distance.
            const fcomplex w{z.re + 1e-4, z.im + 0.5e-4};
            fcomplex g;
            if (FoldOf(h, t.p, w, &g) != n || Dist(f, g) > 0.1) continue;
            ++pairs;
            EXPECT_NEAR(PoincareDistance(f, g) / PoincareDistance(z, w), 1.0, 1e-5) << t.p;
        }
        EXPECT_GT(pairs, 1500) << t.p;
    }
}

TEST(Hyperbolic, AStepAcrossAnEdgeFoldsBack) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const TilingCase& t : kTilings) {
        const hypertype h = Cell(t.mode);
        const bool reflect = t.p != 5;
        for (int i = 0; i < 300; ++i) {
            // A point of the central cell: a fraction of the way to a point of an edge.
            const int k = i % t.p;
            const double s = 0.05 + 0.9 * unit(rng);
            const double R = h.cellRadius;
            const double a0 = t.p == 3 ? 90 + 120 * k : (t.p == 4 ? 45 + 90 * k : 72 * k);
            const double a = (a0 + s * 360.0 / t.p) * M_PI / 180;
            fcomplex z{R * std::cos(a) * unit(rng) * 0.9, R * std::sin(a) * unit(rng) * 0.9};
            if (!InCentralCell(h, t.p, z, 1e-6)) continue;
            fcomplex dummy;
            ASSERT_EQ(FoldOf(h, t.p, z, &dummy), 0);
            // Carry it across every edge the way the fold steps back.
            for (int e = 0; e < t.p; ++e) {
                const fcomplex C = h.circleCentres[e];
                fcomplex q = z;
                if (reflect) {  // the step is inversion then reflection: undo the reflection first
                    const double m = 2.0 * (q.re * C.re + q.im * C.im) / Abs2(C);
                    q = {C.re * m - q.re, C.im * m - q.im};
                }
                const fcomplex d = Csub(q, C);
                q = Cadd(C, Cscale(d, h.circleRadii[e] * h.circleRadii[e] / Abs2(d)));
                fcomplex back;
                const int32_t n = FoldOf(h, t.p, q, &back);
                EXPECT_EQ(n, 1) << t.p << " edge " << e;
                EXPECT_NEAR(Dist(back, z), 0.0, 1e-9) << t.p << " edge " << e;
            }
        }
    }
}

// The central cell against the {p,q} cell in closed form: the corners where
// neighbouring edge circles meet have the angle 2 pi/q between the arcs and
// lie 2 acosh(cos(pi/p)/sin(pi/q)) apart in the Poincare metric; and the fold
// commutes with the tiling's generators (the step across edge k: inversion
// in its circle, then for {3,9} and {4,8} the mirror in the line through the
// origin and the circle's centre): a point and its image fold to one point,
// the {5,4} image with the other parity.
TEST(Hyperbolic, TheCellIsTheClosedFormCellAndTheFoldCommutesWithTheGenerators) {
    for (const TilingCase& t : kTilings) {
        const hypertype h = Cell(t.mode);
        const double edge = 2.0 * std::acosh(std::cos(M_PI / t.p) / std::sin(M_PI / t.q));
        // Corner k: circles k - 1 and k meet there, inside the disc.
        std::vector<fcomplex> corner(t.p);
        for (int k = 0; k < t.p; ++k) {
            const fcomplex A = h.circleCentres[(k + t.p - 1) % t.p], B = h.circleCentres[k];
            const double ra = h.circleRadii[(k + t.p - 1) % t.p], rb = h.circleRadii[k];
            const double d = Dist(A, B), a = (ra * ra - rb * rb + d * d) / (2 * d), hh = std::sqrt(ra * ra - a * a);
            const fcomplex u = Cscale(Csub(B, A), 1.0 / d), m = Cadd(A, Cscale(u, a));
            const fcomplex p1{m.re - u.im * hh, m.im + u.re * hh}, p2{m.re + u.im * hh, m.im - u.re * hh};
            corner[k] = Abs2(p1) < Abs2(p2) ? p1 : p2;
            ASSERT_LT(Abs2(corner[k]), 1.0) << t.p;
        }
        for (int k = 0; k < t.p; ++k) {
            const fcomplex V = corner[k], W = corner[(k + 1) % t.p], U = corner[(k + t.p - 1) % t.p];
            EXPECT_NEAR(PoincareDistance(V, W), edge, 1e-9) << t.p << " edge " << k;
            EXPECT_NEAR(std::hypot(V.re, V.im), h.cellRadius, 1e-9) << t.p << " corner " << k;
            // The arcs' tangents at V, each pointing along its edge.
            auto tangent = [&](fcomplex C, fcomplex other) {
                fcomplex tv{-(V.im - C.im), V.re - C.re};
                if (tv.re * (other.re - V.re) + tv.im * (other.im - V.im) < 0) tv = Cscale(tv, -1.0);
                return tv;
            };
            const fcomplex t1 = tangent(h.circleCentres[k], W), t2 = tangent(h.circleCentres[(k + t.p - 1) % t.p], U);
            const double angle = std::acos((t1.re * t2.re + t1.im * t2.im) / std::sqrt(Abs2(t1) * Abs2(t2)));
            EXPECT_NEAR(angle, 2 * M_PI / t.q, 1e-9) << t.p << " corner " << k;
        }
        std::mt19937 rng(17);
        std::uniform_real_distribution<double> radius(0.0, 0.8), turn(-M_PI, M_PI);
        for (int i = 0; i < 500; ++i) {
            const double r = radius(rng), a = turn(rng);
            const fcomplex z{r * std::cos(a), r * std::sin(a)};
            fcomplex f;
            const int32_t n = FoldOf(h, t.p, z, &f);
            for (int k = 0; k < t.p; ++k) {
                const fcomplex C = h.circleCentres[k];
                const fcomplex d = Csub(z, C);
                fcomplex g = Cadd(C, Cscale(d, h.circleRadii[k] * h.circleRadii[k] / Abs2(d)));
                if (t.p != 5) {
                    const double m = 2.0 * (g.re * C.re + g.im * C.im) / Abs2(C);
                    g = {C.re * m - g.re, C.im * m - g.im};
                }
                fcomplex fg;
                const int32_t ng = FoldOf(h, t.p, g, &fg);
                EXPECT_NEAR(Dist(fg, f), 0.0, 1e-8) << t.p << " generator " << k << " at " << z.re << ", " << z.im;
                if (t.p == 5) EXPECT_EQ((ng - n) & 1, 1) << "generator " << k;
            }
        }
    }
}

TEST(Hyperbolic, FoldEdgeCases) {
    const hypertype h = Cell(379);
    fcomplex f{9, 9};
    EXPECT_GE(LBIIS_for_pentagon(&f, &h, 0.0, 1.0), 0);  // on the unit circle: inside
    EXPECT_EQ(LBIIS_for_pentagon(&f, &h, 1.0, 1e-3), -1);
    const hypertype s = Cell(375);
    int32_t first = 9, last = 9;
    EXPECT_EQ(LBIIS_for_toroidal_square_4_8(&f, &s, &first, &last, 0.0, 0.0), 0);
    EXPECT_EQ(first, 0);
    EXPECT_GE(LBIIS_for_toroidal_square_4_8(&f, &s, &first, &last, 0.0, 0.9), 1);
    EXPECT_EQ(first, 1);  // the top edge's circle fires first
    EXPECT_GE(last, 1);
    const fcomplex r = ReflectIntoSquare(1.25, -1.5);
    EXPECT_DOUBLE_EQ(r.re, 0.75);
    EXPECT_DOUBLE_EQ(r.im, -0.5);
    EXPECT_TRUE(outsideCenteredSquare(1.01, 0));
    EXPECT_FALSE(outsideCenteredHorizontalBand(5, -1.0));
}

class HyperbolicTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        store = NewProjectionCacheStore();
        for (int64_t m : {371, 375, 379}) ASSERT_TRUE(PrefillProjectionCachesForMode(store, m));
        PrefillProjectionCachesForMode(store, 377);
    }
    static void TearDownTestSuite() { DisposeProjectionCacheStore(&store); }
    static ProjectionCacheStore* store;
};
ProjectionCacheStore* HyperbolicTables::store = nullptr;

TEST_F(HyperbolicTables, CornersAndSidesLandRight) {
    // The spin tables: column b1, row b0 (0 on the arc, 1 on O-V).
    struct Spin {
        int64_t tag;
        fcomplex (*fetch)(PyramidDescriptor*, double, double);
    };
    for (const Spin s : {Spin{kCacheTagHyperbolic_4_8, FetchFromCache_HyperbolicOctant_4_8},
                         Spin{kCacheTagHyperbolic_5_4, FetchFromCache_HyperbolicDecant_5_4}}) {
        PyramidDescriptor* c = ProjectionCache(store, s.tag);
        auto near = [&](double b1, double b0, double c0, double c1, double tol) {
            const fcomplex v = s.fetch(c, b1, b0);
            EXPECT_NEAR(v.re, c0, tol) << s.tag << " at " << b1 << ", " << b0;
            EXPECT_NEAR(v.im, c1, tol) << s.tag << " at " << b1 << ", " << b0;
        };
        near(0, 0, 0, 0, 1e-6);  // H onto M
        near(0, 1, 0, 1, 1e-6);  // O onto O
        near(1, 0, 1, 0, 1e-6);  // V onto V
        for (double f = 0; f <= 1.0; f += 0.125) {
            EXPECT_NEAR(s.fetch(c, 0, f).re, 0.0, 1e-6) << "O-H onto O-M";
            EXPECT_NEAR(s.fetch(c, f, 0).im, 0.0, 3e-4) << "the arc onto M-V";
            const fcomplex ov = s.fetch(c, f, 1);
            EXPECT_NEAR(ov.re + ov.im, 1.0, 1e-6) << "O-V onto itself";
        }
    }
    // {3,9}: (s, t) = (0, 1) is O, (1, 0) is V; O-V stays O-V.
    PyramidDescriptor* c = ProjectionCache(store, kCacheTagHyperbolic_3_9);
    const fcomplex O = FetchFromCache_HyperbolicSextant_3_9(c, 0, 1), V = FetchFromCache_HyperbolicSextant_3_9(c, 1, 0);
    EXPECT_NEAR(O.re, 0, 1e-6);
    EXPECT_NEAR(O.im, 1, 1e-6);
    EXPECT_NEAR(V.re, 1, 1e-6);
    EXPECT_NEAR(V.im, 0, 1e-6);
    for (double f = 0; f <= 1.0; f += 0.125) {
        const fcomplex ov = FetchFromCache_HyperbolicSextant_3_9(c, f, 1 - f);
        EXPECT_NEAR(ov.re + ov.im, 1.0, 1e-5) << f;
    }
}

// The warp of a disc point of the central cell into the flat cell, for the
// three tilings; false when the point needed a fold step.
bool Warp(const hypertype& h, int p, ProjectionCacheStore* store, fcomplex z, fcomplex* out) {
    int64_t region;
    if (p == 3) {
        const double c = std::cos(M_PI / 6), s = 0.5;
        fcomplex folded;
        if (LBIIS_for_triangle(&folded, &h, z.re * c + z.im * s, -z.re * s + z.im * c) != 0) return false;
        *out = more_hyperbolic_warping_for_3_9(&h, ProjectionCache(store, kCacheTagHyperbolic_3_9), &region, z.re,
                                               z.im);
        return region >= 0;
    }
    if (p == 4) {
        int32_t count, first, last;
        *out = more_hyperbolic_warping_for_4_8(&h, ProjectionCache(store, kCacheTagHyperbolic_4_8), &region, 0,
                                               &count, &first, &last, z.re, z.im);
        return count == 0 && region >= 0;
    }
    uint8_t flipped;
    fcomplex folded;
    if (LBIIS_for_pentagon(&folded, &h, z.re, z.im) != 0) return false;
    *out = more_hyperbolic_warping_for_5_4(&h, ProjectionCache(store, kCacheTagHyperbolic_5_4), &region, &flipped,
                                           z.re, z.im);
    return region >= 0;
}

TEST_F(HyperbolicTables, TheCellMapsAreConformalAwayFromTheVertex) {
    // The plane-to-plane map (disc point to flat point) by central
    // differences: Cauchy-Riemann residual relative to the derivative.
    for (const TilingCase& t : kTilings) {
        const hypertype h = Cell(t.mode);
        // The {3,9} cell's corners in the disc are its trips times R.
        const double vertexScale = t.p == 3 ? h.cellRadius : 1.0;
        double worst = 0;
        int n = 0;
        for (double r = 0.05; r < 0.95; r += 0.06)
            for (double a = 0.03; a < 2 * M_PI; a += 0.11) {
                const fcomplex z{r * h.cellRadius * std::cos(a), r * h.cellRadius * std::sin(a)};
                const double e = 2e-3 * h.cellRadius;
                bool vertexNear = false;
                for (int k = 0; k < t.p; ++k)
                    vertexNear |= Dist(z, Cscale(h.trips[k], vertexScale)) < 0.25 * h.cellRadius;
                if (vertexNear) continue;
                fcomplex fx1, fx0, fy1, fy0;
                if (!(Warp(h, t.p, store, {z.re + e, z.im}, &fx1) && Warp(h, t.p, store, {z.re - e, z.im}, &fx0) &&
                      Warp(h, t.p, store, {z.re, z.im + e}, &fy1) && Warp(h, t.p, store, {z.re, z.im - e}, &fy0)))
                    continue;
                const double ux = (fx1.re - fx0.re) / (2 * e), vx = (fx1.im - fx0.im) / (2 * e);
                const double uy = (fy1.re - fy0.re) / (2 * e), vy = (fy1.im - fy0.im) / (2 * e);
                const double residual = std::hypot(ux - vy, uy + vx) / std::hypot(ux, vx);
                worst = std::max(worst, residual);
                ++n;
            }
        EXPECT_GT(n, 100) << t.p;
        EXPECT_LT(worst, 0.05) << t.p;
    }
}

TEST_F(HyperbolicTables, WarpEdgeCases) {
    // The disc centre goes to the flat cell's centre with no inversion.
    for (const TilingCase& t : kTilings) {
        fcomplex f{9, 9};
        ASSERT_TRUE(Warp(Cell(t.mode), t.p, store, {0.0, 0.0}, &f)) << t.p;
        EXPECT_NEAR(std::hypot(f.re, f.im), 0.0, 1e-6) << t.p;
    }
    // {5,4}: one inversion (just across an edge) places the point mirrored.
    const hypertype h = Cell(379);
    const fcomplex C = h.circleCentres[0];
    const double k = (std::hypot(C.re, C.im) - h.circleRadii[0] + 0.02) / std::hypot(C.re, C.im);
    int64_t region;
    uint8_t flipped = 9;
    more_hyperbolic_warping_for_5_4(&h, ProjectionCache(store, kCacheTagHyperbolic_5_4), &region, &flipped, C.re * k,
                                    C.im * k);
    EXPECT_EQ(flipped, 1);
    more_hyperbolic_warping_for_5_4(&h, ProjectionCache(store, kCacheTagHyperbolic_5_4), &region, &flipped, 0.1, 0.0);
    EXPECT_EQ(flipped, 0);
    // Outside the disc: region -2.
    more_hyperbolic_warping_for_5_4(&h, ProjectionCache(store, kCacheTagHyperbolic_5_4), &region, &flipped, 1.0, 0.5);
    EXPECT_EQ(region, -2);
}

TEST(HyperbolicTablesSource, RegeneratedTablesEqualTheCheckedInOnes) {
    ExpectGeneratedSourceIsCurrent("gen_hyperbolic_tables", "projections/generated/hyperbolic_tables.cpp");
}

TEST_F(HyperbolicTables, DiscCentreIsTheFlatCellCentre) {
    const hypertype h = Cell(375);
    int64_t region;
    int32_t count, first, last;
    const fcomplex f = more_hyperbolic_warping_for_4_8(&h, ProjectionCache(store, kCacheTagHyperbolic_4_8), &region, 0,
                                                       &count, &first, &last, 0.0, 0.0);
    EXPECT_EQ(count, 0);
    EXPECT_GE(region, 0);
    EXPECT_NEAR(f.re, 0.0, 1e-6);
    EXPECT_NEAR(f.im, 0.0, 1e-6);
    // A cell vertex of the disc lands on the flat square's corner (distance 1 before the sqrt 2).
    const fcomplex v = more_hyperbolic_warping_for_4_8(&h, ProjectionCache(store, kCacheTagHyperbolic_4_8), &region,
                                                       0, &count, &first, &last, h.trips[1].re * 0.999999,
                                                       h.trips[1].im * 0.999999);
    EXPECT_NEAR(std::hypot(v.re, v.im), 1.0, 1e-4);
}

TEST(Hyperbolic, BandEdgeCases) {
    FramingBox frame{};
    frame.aspect = 1.0;
    frame.inverseFitScale = 2.0;  // X, Y in -1..1 across the frame
    fcomplex d;
    EXPECT_TRUE(HyperbolicDiscPoint(&d, &frame, nullptr, 378, 0.5, 1.0));  // Y = 1
    EXPECT_NEAR(std::hypot(d.re, d.im), 1.0, 1e-12);
    EXPECT_TRUE(HyperbolicDiscPoint(&d, &frame, nullptr, 378, 0.5, 0.0));  // Y = -1
    EXPECT_FALSE(HyperbolicDiscPoint(&d, &frame, nullptr, 378, 0.5, 1.0 + 1e-6));
    EXPECT_TRUE(HyperbolicDiscPoint(&d, &frame, nullptr, 375, 1.0, 0.5));  // on the rim of the disc
    EXPECT_FALSE(HyperbolicDiscPoint(&d, &frame, nullptr, 375, 0.9, 0.9));
    EXPECT_FALSE(HyperbolicDiscPoint(&d, &frame, nullptr, 377, 0.5, 0.5));  // the pentagon needs its cache
}

}  // namespace

#include "render/render_context.h"

namespace {

// A {4,8} context over the frame of aspect 1, the caches of `store`.
struct HyperRig : RoadRig {
    explicit HyperRig(long mode, ProjectionCacheStore* store) : RoadRig(mode, 1, 1.0f) {
        context->projectionCaches = store;
        init_hyperbolic_modes(context.get());
        InitHypertypeForMode(&hints.hyper, mode);
    }
    bool direction(double u, double v, double d[3]) {
        float p[3] = {0, 0, 1};
        unsigned char miss = 0;
        long region = -1;
        fcomplex plane{0, 0};
        TransformationReply r = MakeTemplateReply();
        TransformationReply* rp = &r;
        renderhinttype* h = &hints;
        vort* c = context.get();
        handle_non_poly_projections(h, p, c, region, miss, plane, rp, float(u), float(v));
        for (int i = 0; i < 3; ++i) d[i] = p[i];
        return !miss;
    }
};

double Angle(const double a[3], const double b[3]) {
    const double c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    return std::atan2(std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]), a[0] * b[0] + a[1] * b[1] + a[2] * b[2]);
}

TEST_F(HyperbolicTables, EveryCellIsAPeirceSquareAndSeamsAreContinuous) {
    PrefillProjectionCachesForMode(store, 94);
    PyramidDescriptor* peirce = ProjectionCache(store, kCacheTagPeirce);
    for (long mode : {375L, 376L, 377L, 378L}) {
        HyperRig rig(mode, store);
        // The disc centre (frame centre for the disc) is the Peirce square's centre.
        if (mode == 375) {
            double d[3];
            ASSERT_TRUE(rig.direction(0.5, 0.5, d));
            float e[3];
            uint8_t miss = 0;
            TotalPeirce(&miss, e, peirce, 0.0, 0.0, 1.0, 0.0);
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(d[k], e[k], 1e-5);
        }
        constexpr int n = 300;
        std::vector<double> dir(3 * n * n);
        std::vector<char> in(n * n);
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) in[j * n + i] = rig.direction((i + 0.5) / n, (j + 0.5) / n, &dir[3 * (j * n + i)]);
        // A seam would be a step much larger than the steps on either side of it.
        int pairs = 0, jumps = 0;
        auto D = [&](int i, int j) { return &dir[3 * (j * n + i)]; };
        for (int j = 0; j < n; ++j)
            for (int i = 1; i + 2 < n; ++i) {
                if (!(in[j * n + i - 1] && in[j * n + i] && in[j * n + i + 1] && in[j * n + i + 2])) continue;
                const double before = Angle(D(i - 1, j), D(i, j)), step = Angle(D(i, j), D(i + 1, j)),
                             after = Angle(D(i + 1, j), D(i + 2, j));
                // Cells smaller than a few pixels: the steps are large anyway.
                if (std::max(before, after) > 0.05) continue;
                ++pairs;
                if (step > 4.0 * std::max(before, after) + 1e-4) ++jumps;
            }
        EXPECT_GT(pairs, n * n / 4) << mode;
        EXPECT_LT(jumps, pairs / 1000 + 1) << mode;
    }
}

}  // namespace

namespace {

// Small Earth renders of the four {4,8} modes, pinned by their coverage and
// mean colour (the pictures were looked at: each cell a Peirce square of the
// whole Earth, the cells shrinking towards the rim of the disc).
TEST_F(HyperbolicTables, TheTilingsDrawTheEarth) {
    PrefillProjectionCachesForMode(store, 94);
    PyramidDescriptor earth;
    ASSERT_TRUE(LoadBundledEarth(&earth));
    struct Pin {
        long mode;
        double coverage, mean[3];
    };
    const Pin pins[] = {
        {375, 0.7847, {53.9, 57.9, 83.7}},  // pi/4 of the frame
        {376, 1.0000, {53.0, 56.9, 83.0}},
        {377, 0.6593, {53.8, 57.8, 83.8}},  // the pentagon's share of its box
        {378, 1.0000, {48.6, 52.6, 79.7}},
    };
    for (const Pin& pin : pins) {
        HyperRig rig(pin.mode, store);
        const EarthRender e = RenderEarth(rig, &earth, 96);
        const double coverage = e.coverage, *mean = e.mean;
        EXPECT_NEAR(coverage, pin.coverage, 0.002) << pin.mode;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(mean[k], pin.mean[k], 0.5) << pin.mode;
    }
    DisposePyramidData(&earth);
}

}  // namespace
