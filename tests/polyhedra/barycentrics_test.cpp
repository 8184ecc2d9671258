#include "polyhedra/barycentrics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <array>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "common/angles.h"

namespace {

constexpr double pi = std::numbers::pi;

void ExpectNear(fcomplex a, fcomplex b, double tol) {
    EXPECT_NEAR(a.re, b.re, tol);
    EXPECT_NEAR(a.im, b.im, tol);
}
void ExpectNear(triplex a, triplex b, double tol) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

// Bilinear patch point, written from the definition.
fcomplex Bilinear(double u, double v, fcomplex A, fcomplex B, fcomplex C, fcomplex D) {
    return {A.re + u * (B.re - A.re) + v * (D.re - A.re) + u * v * (A.re - B.re + C.re - D.re),
            A.im + u * (B.im - A.im) + v * (D.im - A.im) + u * v * (A.im - B.im + C.im - D.im)};
}

// Barycentrics of P in P1 P2 P3 as ratios of signed areas, from the definition.
void Barys(double* b1, double* b2, double* b3, fcomplex P, fcomplex P1, fcomplex P2, fcomplex P3) {
    const double D = Ccross_product(Csub(P2, P1), Csub(P3, P1));
    *b1 = Ccross_product(Csub(P2, P), Csub(P3, P)) / D;
    *b2 = Ccross_product(Csub(P3, P), Csub(P1, P)) / D;
    *b3 = Ccross_product(Csub(P1, P), Csub(P2, P)) / D;
}

TEST(Barycentrics, RoundTripsThroughEveryForm) {
    std::mt19937_64 rng(8);
    std::uniform_real_distribution<double> d(-3, 3);
    double b1, b2, b3;
    for (int i = 0; i < 200; ++i) {
        const fcomplex Q1{d(rng), d(rng)}, Q2{d(rng), d(rng)}, Q3{d(rng), d(rng)}, P{d(rng), d(rng)};
        if (std::fabs(Ccross_product(Csub(Q2, Q1), Csub(Q3, Q1))) < 0.1) continue;
        Barys(&b1, &b2, &b3, P, Q1, Q2, Q3);
        // Every way back to the point agrees.
        ExpectNear(barycentric_complex(b2, b3, Q1, Q2, Q3), P, 1e-12);
        ExpectNear(barycentric_b2_b3_and_3_points_to_complex(b2, b3, Q1, Q2, Q3), P, 1e-12);
        ExpectNear(three_points_and_barycentrics_to_XY_CG(CGPointFromComplex(Q1), CGPointFromComplex(Q2),
                                                          CGPointFromComplex(Q3), b1, b2),
                   P, 1e-12);
        ExpectNear(CFromT(barycentric_weighted(b1, b2, b3, TFromC(Q1), TFromC(Q2), TFromC(Q3))), P, 1e-12);
        ExpectNear(CFromT(barycentric_triplex(b2, b3, TFromC(Q1), TFromC(Q2), TFromC(Q3))), P, 1e-12);
    }
}

TEST(Barycentrics, ArrayFormsAreTheWeightedSum) {
    const double A[3] = {1, 2, 3}, B[3] = {-1, 0, 4}, C[3] = {0, 5, -2};
    double D[3];
    D_Gets_Barycentric_of_A_B_C(A, B, C, D, 0.2, 0.3, 0.5);
    EXPECT_NEAR(D[1], 0.2 * 2 + 0.3 * 0 + 0.5 * 5, 1e-15);
    // BuildVector is the barycentric point with weights (s, 1 - t, t - s).
    double P[3];
    BuildVector(A, B, C, P, 0.25, 0.75f);
    D_Gets_Barycentric_of_A_B_C(A, B, C, D, 0.25, 0.25, 0.5);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(P[i], D[i], 1e-15);
}

TEST(Barycentrics, InsideTolerances) {
    EXPECT_TRUE(bary_component_is_inside(1.00005));
    EXPECT_FALSE(bary_component_is_inside(1.0001));
    EXPECT_FALSE(bary_component_is_inside(-0.0001));
    EXPECT_TRUE(bary_component_is_inside(-0.00009));
    EXPECT_TRUE(bilinear_is_in_quad({1.00009, -0.00009}));
    EXPECT_FALSE(bilinear_is_in_quad({0.5, 1.0002}));
    EXPECT_EQ(classify_component(-0.0001), -1);
    EXPECT_EQ(classify_component(-0.00009), 0);
    EXPECT_EQ(classify_component(1.0001), 1);
    EXPECT_EQ(classify_component(0.5), 0);
}

// A polyhedron with a few hand-made net triangles.
class PolyFixture : public ::testing::Test {
protected:
    void SetUp() override {
        poly.reset(new polyhedron());  // zeroed: tens of megabytes, on the heap
    }
    void SetNetVertex(int64_t i, float x, float y, triplex solid = {0, 0, 0}) {
        poly->netVertex[i] = {x, y, float(solid.x), float(solid.y), float(solid.z)};
    }
    void SetTriangle(int64_t t, int64_t a, int64_t b, int64_t c) {
        poly->netTriangle[t].vertex[0] = a;
        poly->netTriangle[t].vertex[1] = b;
        poly->netTriangle[t].vertex[2] = c;
    }
    std::unique_ptr<polyhedron> poly;
};

TEST_F(PolyFixture, PrecalcAndFindBarycentrics) {
    SetNetVertex(0, 0.1f, 0.2f);
    SetNetVertex(1, 0.9f, 0.25f);
    SetNetVertex(2, 0.4f, 0.8f);
    SetTriangle(0, 0, 1, 2);
    EXPECT_EQ(barycentrics_precalc(0, poly.get()), kBaryPrecalcGood);
    const PolyNetTriangle& tri = poly->netTriangle[0];
    EXPECT_EQ(tri.minX, 0.1f);
    EXPECT_EQ(tri.maxX, 0.9f);
    EXPECT_EQ(tri.minY, 0.2f);
    EXPECT_EQ(tri.maxY, 0.8f);
    const double D = (0.9 - 0.1) * (0.8 - 0.2) - (0.25 - 0.2) * (0.4 - 0.1);
    EXPECT_NEAR(tri.inverseDeterminant, 1 / D, 1e-5);
    EXPECT_EQ(poly->status, 0);

    std::mt19937_64 rng(12);
    std::uniform_real_distribution<float> d(0, 1);
    int hits = 0;
    for (int i = 0; i < 300; ++i) {
        const float x = d(rng), y = d(rng);
        double want[3];
        Barys(&want[0], &want[1], &want[2], {x, y}, {0.1f, 0.2f}, {0.9f, 0.25f},
                                       {0.4f, 0.8f});
        float b[3] = {-9, -9, -9};
        const int hit = find_barycentrics(0, &b[0], &b[1], &b[2], poly.get(), x, y);
        const bool inside = want[0] >= -1e-6 && want[1] >= -1e-6 && want[2] >= -1e-6;
        if (std::fabs(want[0]) > 1e-4 && std::fabs(want[1]) > 1e-4 && std::fabs(want[2]) > 1e-4) {
            EXPECT_EQ(hit, inside ? 1 : 0);
        }
        if (hit) {
            ++hits;
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(b[k], want[k], 1e-5);
            double P[3];
            Get2DPointFromTriangleAndBarys(0, P, poly.get(), b[0], b[1], b[2]);
            EXPECT_NEAR(P[0], x, 1e-5);
            EXPECT_NEAR(P[1], y, 1e-5);
            EXPECT_EQ(P[2], 0.0);
        }
    }
    EXPECT_GT(hits, 20);
}

TEST_F(PolyFixture, DegenerateAndBrokenTrianglesAreReported) {
    SetNetVertex(0, 0, 0);
    SetNetVertex(1, 1, 1);
    SetNetVertex(2, 2, 2);  // collinear
    SetTriangle(0, 0, 1, 2);
    EXPECT_EQ(barycentrics_precalc(0, poly.get()), kBaryPrecalcDegenerate);
    EXPECT_EQ(poly->netTriangle[0].inverseDeterminant, 0.0f);
    EXPECT_EQ(poly->netTriangle[0].maxX, 2.0f);  // the box is still there for the span lists
    float b1, b2, b3;
    for (float x : {0.0f, 0.5f, 1.0f, 1.5f}) EXPECT_EQ(find_barycentrics(0, &b1, &b2, &b3, poly.get(), x, x), 0);
    EXPECT_EQ(poly->status, 0);

    // A corner on the opposite side up to float rounding (a face corner on
    // the face's own edge) leaves a sliver of rounding-noise area: it holds
    // no point either. A thin triangle of real height still does.
    const struct {
        float lift;
        int want;
    } thin[] = {{0.0f, kBaryPrecalcDegenerate}, {1.0f, kBaryPrecalcDegenerate}, {1e-4f, kBaryPrecalcGood}};
    for (const auto& c : thin) {
        SetNetVertex(3, 2.2f, 0.4f);
        SetNetVertex(4, 2.65f, 0.15f);
        const float mx = 0.5f * (2.2f + 2.65f), my = 0.5f * (0.4f + 0.15f);
        SetNetVertex(5, mx, c.lift == 1.0f ? std::nextafter(my, 1.0f) : my + c.lift);
        SetTriangle(3, 3, 4, 5);
        EXPECT_EQ(barycentrics_precalc(3, poly.get()), c.want) << c.lift;
        EXPECT_EQ(poly->netTriangle[3].inverseDeterminant == 0.0f, c.want == kBaryPrecalcDegenerate) << c.lift;
    }

    SetTriangle(1, 0, kMax2DVertices, 2);
    poly->netTriangle[1].inverseDeterminant = 7.0f;
    EXPECT_EQ(barycentrics_precalc(1, poly.get()), kBaryPrecalcBadVertexIndex);
    EXPECT_EQ(poly->status, kPolyStatusVertexIndexOutOfRange);
    EXPECT_EQ(poly->netTriangle[1].inverseDeterminant, 7.0f);  // nothing stored
    poly->status = 0;
    SetTriangle(2, 0, 1, -1);
    EXPECT_EQ(barycentrics_precalc(2, poly.get()), kBaryPrecalcBadVertexIndex);
    EXPECT_EQ(poly->status, kPolyStatusVertexIndexOutOfRange);
}

TEST_F(PolyFixture, LinearPointOnTheSolid) {
    SetNetVertex(0, 0, 0, {1, 0, 0});
    SetNetVertex(1, 1, 0, {0, 1, 0});
    SetNetVertex(2, 0, 1, {0, 0, 1});
    SetTriangle(0, 0, 1, 2);
    double P[3];
    Get3DPointFromFaceAndBarys(0, P, poly.get(), 0.2, 0.3, 0.5);
    EXPECT_NEAR(P[0], 0.2, 1e-7);
    EXPECT_NEAR(P[1], 0.3, 1e-7);
    EXPECT_NEAR(P[2], 0.5, 1e-7);
}

// Direction of the equirectangular unit position (u, v).
triplex Dir(double u, double v) { return RectangularToSphericalTUnitary(u, v); }

TEST_F(PolyFixture, SphericalBlendGivesUnitVectorsAndCorners) {
    poly->sphericalBlend = 1;
    const triplex c[3] = {Dir(0.3, 0.3), Dir(0.45, 0.35), Dir(0.35, 0.6)};
    for (int i = 0; i < 3; ++i) SetNetVertex(i, 0, 0, c[i]);
    SetTriangle(0, 0, 1, 2);
    for (int i = 0; i < 3; ++i) {
        double P[3];
        Get3DPointFromFaceAndBarys(0, P, poly.get(), i == 0, i == 1, i == 2);
        ExpectNear({P[0], P[1], P[2]}, c[i], 2e-6);
    }
    std::mt19937_64 rng(13);
    std::uniform_real_distribution<double> d(0, 1);
    for (int i = 0; i < 100; ++i) {
        const double b2 = d(rng), b3 = d(rng) * (1 - b2), b1 = 1 - b2 - b3;
        double P[3];
        Get3DPointFromFaceAndBarys(0, P, poly.get(), b1, b2, b3);
        EXPECT_NEAR(P[0] * P[0] + P[1] * P[1] + P[2] * P[2], 1.0, 1e-6);
        // Longitude and latitude are the blends of the corners'.
        double u, v;
        SphericalToRectangularD(P, &u, &v);
        EXPECT_NEAR(v, b1 * 0.3 + b2 * 0.35 + b3 * 0.6, 1e-7);
        EXPECT_NEAR(u, b1 * 0.3 + b2 * 0.45 + b3 * 0.35, 1e-6);
    }
}

TEST_F(PolyFixture, SphericalBlendAcrossTheSeam) {
    poly->sphericalBlend = 1;
    // Longitudes 0.95, 0.05, 0.9 blend as 0.95, 1.05, 0.9.
    SetNetVertex(0, 0, 0, Dir(0.95, 0.4));
    SetNetVertex(1, 0, 0, Dir(0.05, 0.5));
    SetNetVertex(2, 0, 0, Dir(0.9, 0.6));
    SetTriangle(0, 0, 1, 2);
    double P[3], u, v;
    Get3DPointFromFaceAndBarys(0, P, poly.get(), 0.25, 0.5, 0.25);
    SphericalToRectangularD(P, &u, &v);
    EXPECT_NEAR(u, 0.25 * 0.95 + 0.5 * 1.05 + 0.25 * 0.9, 1e-6);
    // Longitudes 0.95, 0.5, 0.05 span more than the seam: nothing is shifted.
    SetNetVertex(1, 0, 0, Dir(0.5, 0.5));
    SetNetVertex(2, 0, 0, Dir(0.05, 0.6));
    Get3DPointFromFaceAndBarys(0, P, poly.get(), 0.25, 0.5, 0.25);
    SphericalToRectangularD(P, &u, &v);
    EXPECT_NEAR(u, 0.25 * 0.95 + 0.5 * 0.5 + 0.25 * 0.05, 1e-6);
}

TEST_F(PolyFixture, SphericalBlendNearThePoles) {
    poly->sphericalBlend = 1;
    // Corners within a thousandth of the poles count as poles; these keep a
    // longitude of their own so the chosen weights show in the result.
    const double uA = 0.1, uB = 0.6, uC = 0.2;  // clear of the seam
    SetNetVertex(0, 0, 0, Dir(uA, 0.0005));
    SetNetVertex(1, 0, 0, Dir(uB, 0.9995));
    SetTriangle(0, 0, 1, 2);
    const double b1 = 0.2, b2 = 0.3, b3 = 0.5;
    struct Case { double vC, wA, wB, wC; };
    // Top pole nearer the third corner in latitude: weights (1, 0, 1);
    // bottom pole nearer: (0, 1, 1).
    for (const Case& c : {Case{0.3, 1, 0, 1}, Case{0.7, 0, 1, 1}}) {
        SetNetVertex(2, 0, 0, Dir(uC, c.vC));
        double P[3], u, v;
        Get3DPointFromFaceAndBarys(0, P, poly.get(), b1, b2, b3);
        SphericalToRectangularD(P, &u, &v);
        const double wantU = (c.wA * b1 * uA + c.wB * b2 * uB + c.wC * b3 * uC) / (c.wA * b1 + c.wB * b2 + c.wC * b3);
        EXPECT_NEAR(u, wantU, 1e-5) << c.vC;
        EXPECT_NEAR(v, b1 * 0.0005 + b2 * 0.9995 + b3 * c.vC, 1e-6);
    }
    // Exactly at a pole corner, and on a triangle of poles only, the answer is
    // still a finite unit vector.
    SetNetVertex(0, 0, 0, {0, 1, 0});
    SetNetVertex(1, 0, 0, {0, -1, 0});
    double P[3];
    Get3DPointFromFaceAndBarys(0, P, poly.get(), 1, 0, 0);
    ExpectNear({P[0], P[1], P[2]}, {0, 1, 0}, 1e-7);
    SetNetVertex(2, 0, 0, {0, 1, 0});
    Get3DPointFromFaceAndBarys(0, P, poly.get(), 0.3, 0.3, 0.4);
    EXPECT_TRUE(std::isfinite(P[0]) && std::isfinite(P[1]) && std::isfinite(P[2]));
    EXPECT_NEAR(P[0] * P[0] + P[1] * P[1] + P[2] * P[2], 1.0, 1e-6);
}

TEST_F(PolyFixture, PointsOnPolyfaces) {
    std::vector<triplex> coords = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}};
    poly->coords3D = coords.data();
    PolyFace3D& f = poly->face3D[0];
    f.count = 4;
    for (int i = 0; i < 4; ++i) f.vertex[i] = i;
    // k = 3 takes corners 3, 0, 1, 2 as A, B, C, D.
    ExpectNear(bilinears_to_point_in_polyface(poly.get(), 0, 3, 0, 0), coords[3], 0);
    ExpectNear(bilinears_to_point_in_polyface(poly.get(), 0, 3, 1, 0), coords[0], 0);
    ExpectNear(bilinears_to_point_in_polyface(poly.get(), 0, 3, 1, 1), coords[1], 0);
    ExpectNear(bilinears_to_point_in_polyface(poly.get(), 0, 3, 0, 1), coords[2], 0);
    ExpectNear(bilinears_to_point_in_polyface(poly.get(), 0, 0, 0.5, 0.5), {0.5, 0.5, 0.25}, 1e-15);
    poly->coords3D = nullptr;
}

TEST(Barycentrics, NormalizeAndRectangularize) {
    double z[3] = {0, 0, 0};
    EXPECT_EQ(Normalize_and_RectangularizeD(z), 1.0);
    EXPECT_EQ(z[0], 0.5);
    EXPECT_EQ(z[1], 0.5);
    EXPECT_EQ(z[2], 0.0);
    double east[3] = {5, 0, 0};
    EXPECT_EQ(Normalize_and_RectangularizeD(east), 1.0);
    EXPECT_NEAR(east[0], 0.75, 1e-15);
    double pole[3] = {0.0001, 3, 0};
    EXPECT_EQ(Normalize_and_RectangularizeD(pole), 0.0);
    double south[3] = {0, -1, 0};
    EXPECT_EQ(Normalize_and_RectangularizeD(south), 0.0);
}

// Random convex quadrilaterals in every orientation: corners on a wobbly
// circle in angular order, started anywhere, clockwise or anticlockwise,
// plus shapes with vertical and horizontal edges.
std::vector<std::array<fcomplex, 4>> Quads() {
    std::vector<std::array<fcomplex, 4>> quads = {
        {{{0, 0}, {0, 2}, {1, 3}, {1, 0}}},        // vertical edges
        {{{0, 0}, {1, 0}, {1, 1}, {0, 3}}},        // one vertical edge, clockwise-free
        {{{2, 1}, {2, -1}, {-1, -2}, {-1, 3}}},    // vertical edges, clockwise
        {{{0, 0}, {3, 0}, {2, 1}, {1, 1}}},        // trapezoid
        {{{0, 0}, {0.01, 0}, {0.012, 0.01}, {0, 0.011}}},  // tiny
    };
    std::mt19937_64 rng(21);
    std::uniform_real_distribution<double> d(0, 1);
    for (int i = 0; i < 60; ++i) {
        double ang[4];
        for (double& a : ang) a = d(rng) * 2 * pi;
        std::sort(ang, ang + 4);
        bool ok = true;
        for (int k = 0; k < 4; ++k) {
            const double gap = k < 3 ? ang[k + 1] - ang[k] : ang[0] + 2 * pi - ang[3];
            ok &= gap > 0.4 && gap < pi - 0.3;
        }
        if (!ok) continue;
        std::array<fcomplex, 4> q;
        const int start = i % 4;
        const bool clockwise = i % 2;
        const fcomplex centre{d(rng) * 10 - 5, d(rng) * 10 - 5};
        const double scale = 0.1 + 5 * d(rng);
        for (int k = 0; k < 4; ++k) {
            const int idx = (start + (clockwise ? 4 - k : k)) % 4;
            q[k] = Cadd(centre, Cscale(Cspun(ang[idx]), scale * (0.8 + 0.4 * d(rng))));
        }
        quads.push_back(q);
    }
    return quads;
}

TEST(Bilinear, ParallelogramUsesTheLinearCase) {
    ExpectNear(invBilinear({1, 0.5}, {0, 0}, {2, 0}, {2, 1}, {0, 1}), {0.5, 0.5}, 1e-15);
    ExpectNear(invBilinear({1.5, 0.25}, {0, 0}, {2, 0}, {2, 1}, {0, 1}), {0.75, 0.25}, 1e-15);
}

TEST(Bilinear, InverseOfBilinearIsIdentityInEveryOrientation) {
    std::mt19937_64 rng(22);
    std::uniform_real_distribution<double> d(0, 1);
    int count = 0;
    for (const auto& q : Quads()) {
        for (int i = 0; i < 20; ++i) {
            const double u = d(rng), v = d(rng);
            const fcomplex P = Bilinear(u, v, q[0], q[1], q[2], q[3]);
            ExpectNear(invBilinear(P, q[0], q[1], q[2], q[3]), {u, v}, 1e-9);
            ++count;
        }
        // The corners themselves.
        ExpectNear(invBilinear(q[2], q[0], q[1], q[2], q[3]), {1, 1}, 1e-9);
        ExpectNear(invBilinear(q[3], q[0], q[1], q[2], q[3]), {0, 1}, 1e-9);
        // A point well outside is not reported inside.
        const fcomplex far = Bilinear(1.5, 0.5, q[0], q[1], q[2], q[3]);
        EXPECT_FALSE(bilinear_is_in_quad(invBilinear(far, q[0], q[1], q[2], q[3])));
    }
    EXPECT_GT(count, 200);
}

// Quadrilaterals with two corners in one place (a triangle drawn as a quad,
// as at the poles of a gore): the quadratic then also has the root that
// collapses the patch to the shared corner, which does not reproduce the
// point. The answer must map back onto the point.
TEST(Bilinear, CoincidentCornersGiveTheRootThatReproducesThePoint) {
    std::mt19937_64 rng(23);
    std::uniform_real_distribution<double> d(0.05, 0.95);
    const std::array<fcomplex, 4> base = {{{0, 0}, {2, 0}, {2.5, 1.5}, {-0.3, 1.2}}};
    int count = 0;
    for (int same = 0; same < 4; ++same)
        for (int rot = 0; rot < 8; ++rot) {  // 4 to 7: the mirror image, clockwise
            std::array<fcomplex, 4> q;
            for (int k = 0; k < 4; ++k) q[k] = base[(k + rot) % 4];
            if (rot >= 4)
                for (fcomplex& p : q) p.re = -p.re;
            q[(same + 1) % 4] = q[same];  // corner same + 1 moves onto corner same
            for (int i = 0; i < 25; ++i) {
                const double u = d(rng), v = d(rng);
                const fcomplex P = Bilinear(u, v, q[0], q[1], q[2], q[3]);
                const fcomplex uv = invBilinear(P, q[0], q[1], q[2], q[3]);
                const fcomplex back = Bilinear(uv.re, uv.im, q[0], q[1], q[2], q[3]);
                EXPECT_NEAR(back.re, P.re, 1e-9) << "corners " << same << "," << same + 1 << " rot " << rot
                                                 << " at " << u << "," << v << " got " << uv.re << "," << uv.im;
                EXPECT_NEAR(back.im, P.im, 1e-9);
                EXPECT_TRUE(bilinear_is_in_quad(uv));
                ++count;
            }
        }
    EXPECT_EQ(count, 800);
}

}  // namespace
