#include "common/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "common/matrices.h"

namespace {

std::mt19937 gen(777);
double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); }
triplex RandomPoint() { return {Uniform(-3, 3), Uniform(-3, 3), Uniform(-3, 3)}; }
double Cross2Test(const fcomplex* p) {
    return (p[1].re - p[0].re) * (p[2].im - p[0].im) - (p[1].im - p[0].im) * (p[2].re - p[0].re);
}
void ExpectNear(triplex a, triplex b, double tol) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

TEST(Planes, BuildersAndClassification) {
    PLANED P;
    BuildPlane(&P, 0, 0, 2, -2);  // z = 1
    EXPECT_DOUBLE_EQ(P.k, -1);
    ExpectNear(P.n, {0, 0, 1}, 0);
    ExpectNear(P.anchor, {0, 0, -1}, 0);
    const double above[3] = {5, 5, 1.5};
    double s;
    EXPECT_EQ(Classify_PointD_giving_distance(&P, above, &s, 1.0), 0);
    EXPECT_DOUBLE_EQ(s, 0.5);

    for (int n = 0; n < 20; n++) {
        const triplex a = RandomPoint(), b = RandomPoint(), c = RandomPoint();
        BuildPlaneFromThreePointsT(&P, a, b, c);
        EXPECT_NEAR(Tmagnitude(P.n), 1, 1e-12);
        EXPECT_NEAR(P.anchorDot, Tdot_product(P.anchor, P.n), 1e-12);
        // The normal follows the right-hand rule.
        EXPECT_GT(Tdot_product(P.n, Tcross_product(Tsub(b, a), Tsub(c, a))), 0);
    }
    BuildPlaneFromPointAndDirectionT(&P, {1, 2, 3}, {0, 0, 0});
    ExpectNear(P.n, {0, 0, 1}, 0);
    EXPECT_DOUBLE_EQ(P.d, -3);
}

TEST(Lines, SidesAndCircles) {
    for (int n = 0; n < 20; n++) {
        const fcomplex c0 {Uniform(-2, 2), Uniform(-2, 2)};
        const double r0 = Uniform(0.5, 3);
        fcomplex pts[3];
        for (fcomplex& p : pts) {
            const double a = Uniform(0, 2 * M_PI);
            p = {c0.re + r0 * std::cos(a), c0.im + r0 * std::sin(a)};
        }
        if (std::fabs(Cross2Test(pts)) < 0.1) continue;
        fcomplex c;
        double r;
        circleFrom3Points(&c, &r, pts[0], pts[1], pts[2]);
        EXPECT_NEAR(c.re, c0.re, 1e-9);
        EXPECT_NEAR(c.im, c0.im, 1e-9);
        EXPECT_NEAR(r, r0, 1e-9);
    }
    fcomplex c;
    double r;
    circleFrom3Points(&c, &r, {0, 0}, {2, 0}, {4, 0});  // collinear: midpoint of A and B
    EXPECT_EQ(c.re, 1);
    EXPECT_EQ(r, 1);
}

TEST(Vectors, Spins) {
    for (int n = 0; n < 20; n++) {
        const triplex axis = Tnormalize(RandomPoint()), centre = RandomPoint(), p = RandomPoint();
        const double th = Uniform(-3, 3);
        const triplex q = SpinPointAroundAxis(centre, axis, th, p);
        // Distance to the centre and height along the axis are kept.
        EXPECT_NEAR(Tdistance(q, centre), Tdistance(p, centre), 1e-12);
        EXPECT_NEAR(Tdot_product(Tsub(q, centre), axis), Tdot_product(Tsub(p, centre), axis), 1e-12);
        ExpectNear(SpinPointAroundAxis(centre, axis, -th, q), p, 1e-12);
    }
    // Clockwise seen from the tip of +z.
    ExpectNear(SpinPointAroundAxis({0, 0, 0}, {0, 0, 1}, M_PI / 2, {1, 0, 0}), {0, -1, 0}, 1e-15);
}

}  // namespace
