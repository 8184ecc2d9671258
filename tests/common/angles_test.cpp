#include "common/angles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr double pi = std::numbers::pi;

// The reference angle of the XYtoRadians family: atan2(x, y) + pi.
double ReferenceXY(double x, double y) { return std::atan2(x, y) + pi; }

TEST(Angles, XYtoRadiansConvention) {
    struct Case { double x, y, want; };
    const Case cases[] = {
        {0, 0, pi / 2}, {0, 1, pi}, {1, 0, 3 * pi / 2}, {-1, 0, pi / 2},
        {0, -1, 2 * pi}, {1, 1, 5 * pi / 4}, {-1, -1, pi / 4},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(XYtoRadians(float(c.x), float(c.y)), c.want, 1e-6) << c.x << "," << c.y;
        EXPECT_NEAR(XYtoRadiansD(c.x, c.y), c.want, 1e-15) << c.x << "," << c.y;
        EXPECT_EQ(XYtoRadiansC(c.x, c.y), XYtoRadiansD(c.x, c.y));
    }
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> d(-3, 3);
    for (int i = 0; i < 500; ++i) {
        const double x = d(rng), y = d(rng);
        EXPECT_NEAR(XYtoRadiansD(x, y), ReferenceXY(x, y), 1e-14);
        EXPECT_NEAR(XYtoRadians(float(x), float(y)), ReferenceXY(float(x), float(y)), 2e-6);
    }
}

TEST(Angles, PolarConversions) {
    float angle, radius;
    RectangularToPolar(&angle, &radius, 1, 0);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(radius, 1.0f);
    RectangularToPolar(&angle, &radius, 0, 1);
    EXPECT_NEAR(angle, pi / 2, 1e-6);
    std::mt19937_64 rng(2);
    std::uniform_real_distribution<float> d(-3, 3);
    for (int i = 0; i < 500; ++i) {
        const float x = d(rng), y = d(rng);
        RectangularToPolar(&angle, &radius, x, y);
        EXPECT_GE(angle, 0.0f);
        EXPECT_LT(angle, 2 * pi);
        float bx, by;
        PolarToRectangular(&bx, &by, angle, radius);
        EXPECT_NEAR(bx, x, 1e-5);
        EXPECT_NEAR(by, y, 1e-5);
        WeirdRectangularToPolar(&angle, &radius, x, y);
        EXPECT_EQ(angle, XYtoRadians(x, y));
        EXPECT_NEAR(radius, std::hypot(x, y), 1e-6);
    }
}

TEST(Angles, FastArctangents) {
    EXPECT_NEAR(atan2_approx(-1, -1), -2.36114649, 1e-8);
    EXPECT_EQ(atan2_approx(0, 0), 0.0);
    double worst = 0;
    for (int i = 0; i < 3600; ++i) {
        const double t = i * pi / 1800, x = std::cos(t), y = std::sin(t);
        worst = std::max(worst, std::fabs(atan2_approx(y, x) - std::atan2(y, x)));
    }
    EXPECT_LT(worst, 0.0055);
    for (double t = -1; t <= 1; t += 0.01) EXPECT_NEAR(atan_approx(t), std::atan(t), 0.0055);
}

// The per-sample arcsine against the library's, in long double where the
// library has it: the worst error over a dense grid (which crosses the switch
// at 1/2 and runs into both ends) stays within 5e-16 rad, a few units in
// the last place of the answer.
TEST(Angles, FastArcsineIsWithinAFewUnitsInTheLastPlace) {
    double worst = 0.0;
    constexpr int kSteps = 2000000;
    for (int i = 0; i <= kSteps; ++i) {
        const double x = -1.0 + 2.0 * i / kSteps;
        worst = std::max(worst, double(std::fabs((long double)AsinFast(x) - std::asin((long double)x))));
    }
    for (double x : {0.5, std::nextafter(0.5, 1.0), std::nextafter(0.5, 0.0), 1e-300, 1e-8, 0.9999999999,
                     std::nextafter(1.0, 0.0)})
        for (double s : {1.0, -1.0})
            worst = std::max(worst, double(std::fabs((long double)AsinFast(s * x) - std::asin((long double)(s * x)))));
    EXPECT_LE(worst, 5e-16);
    EXPECT_EQ(AsinFast(0.0), 0.0);
    EXPECT_TRUE(std::signbit(AsinFast(-0.0)));
    EXPECT_EQ(AsinFast(1.0), std::asin(1.0));
    EXPECT_EQ(AsinFast(-1.0), std::asin(-1.0));
    // Odd, and failing as the library does: NaN beyond +-1 and for NaN.
    for (double x : {0.1, 0.49, 0.51, 0.97}) EXPECT_EQ(AsinFast(-x), -AsinFast(x));
    for (double x : {1.0000001, -1.5, 3.0, double(NAN)}) EXPECT_TRUE(std::isnan(AsinFast(x))) << x;
}

TEST(Angles, PseudoAngleIsExactAtEighthsAndMonotonic) {
    for (int k = 0; k < 8; ++k) {
        const double t = k * pi / 4;
        EXPECT_NEAR(XYtoRadians_approx(float(2 * std::cos(t)), float(2 * std::sin(t))), t, 2e-6) << k;
    }
    EXPECT_EQ(XYtoRadians_approx(0, 0), 0.0f);
    EXPECT_EQ(XYtoRadians_approx(1, 0), 0.0f);
    float last = -1;
    for (int i = 0; i < 7200; ++i) {
        const double t = (i + 0.5) * pi / 3600;
        const float a = XYtoRadians_approx(float(std::cos(t)), float(std::sin(t)));
        EXPECT_GE(a, last);
        EXPECT_LT(a, 2 * pi);
        EXPECT_NEAR(a, t, 0.072);
        last = a;
    }
}

void ExpectPoint(const float* p, double x, double y, double z) {
    EXPECT_NEAR(p[0], x, 1e-6);
    EXPECT_NEAR(p[1], y, 1e-6);
    EXPECT_NEAR(p[2], z, 1e-6);
}

TEST(Angles, PictureToSphereLandmarks) {
    float p[3];
    RectangularToSpherical(p, 0.5f, 0.5f);
    ExpectPoint(p, 0, 0, 1);  // centre of the picture
    RectangularToSpherical(p, 0.75f, 0.5f);
    ExpectPoint(p, 1, 0, 0);  // a quarter turn east
    RectangularToSpherical(p, 0.25f, 0.5f);
    ExpectPoint(p, -1, 0, 0);
    RectangularToSpherical(p, 0.0f, 0.5f);
    ExpectPoint(p, 0, 0, -1);  // the left edge looks backwards
    RectangularToSpherical(p, 0.3f, 0.0f);
    ExpectPoint(p, 0, 1, 0);  // top row: north pole
    RectangularToSpherical(p, 0.3f, 1.0f);
    ExpectPoint(p, 0, -1, 0);
    // 45 degrees north, 90 degrees east.
    RectangularToSpherical(p, 0.75f, 0.25f);
    ExpectPoint(p, std::sqrt(0.5), std::sqrt(0.5), 0);

    const triplex t = RectangularToSphericalTUnitary(0.75, 0.25);
    EXPECT_NEAR(t.x, std::sqrt(0.5), 1e-7);
    EXPECT_NEAR(t.y, std::sqrt(0.5), 1e-15);
    double d[3];
    RectangularToSphericalD(d, 0.75, 0.25);
    EXPECT_EQ(d[0], t.x);
    EXPECT_EQ(d[1], t.y);
    EXPECT_EQ(d[2], t.z);
}

TEST(Angles, PictureToSphereAndBackIsIdentityOnAGrid) {
    for (int i = 1; i < 40; ++i)
        for (int j = 1; j < 20; ++j) {
            const double u = i / 40.0, v = j / 20.0;
            double p[3];
            RectangularToSphericalD(p, u, v);
            // The longitude's sine and cosine are single precision.
            EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0, 3e-7);
            double bu, bv;
            SphericalToRectangularD(p, &bu, &bv);
            EXPECT_NEAR(bu, u, 1e-7) << u << "," << v;
            EXPECT_NEAR(bv, v, 1e-12) << u << "," << v;

            float f[3];
            RectangularToSpherical(f, float(u), float(v));
            EXPECT_NEAR(f[0] * f[0] + f[1] * f[1] + f[2] * f[2], 1.0, 1e-6);
            double g[3] = {f[0], f[1], f[2]};
            SphericalToRectangularD(g, &bu, &bv);
            EXPECT_NEAR(bu, u, 1e-6);
            EXPECT_NEAR(bv, v, 1e-3);  // single precision near the poles
        }
}

TEST(Angles, SphereToPictureEdgeCases) {
    double p[3] = {0, 1.0000001, 0};
    double u, v;
    SphericalToRectangularD(p, &u, &v);
    EXPECT_EQ(p[1], 1.0);  // clamped and stored back
    EXPECT_EQ(v, 0.0);
    double q[3] = {0, -1.0000001, 0};
    SphericalToRectangularD(q, &u, &v);
    EXPECT_EQ(q[1], -1.0);
    EXPECT_EQ(v, 1.0);
    double c[3] = {0, 0, 1};
    SphericalToRectangularD(c, &u, &v);
    EXPECT_EQ(u, 0.5);
    EXPECT_EQ(v, 0.5);
    // The back direction lies on the seam: u is 0 or 1, never beyond.
    double b[3] = {0, 0, -1};
    SphericalToRectangularD(b, &u, &v);
    EXPECT_TRUE(u == 0.0 || u == 1.0);
    // The pole branches give the same latitude as the plain arccosine.
    for (double y : {-0.99, -0.85, 0.85, 0.99}) {
        double s[3] = {std::sqrt(1 - y * y), y, 0};
        SphericalToRectangularD(s, &u, &v);
        EXPECT_NEAR(v, std::acos(y) / pi, 1e-15);
        EXPECT_EQ(u, 0.75);
    }
}

TEST(Angles, TPCoordinates) {
    const triplex north = RectangularToSphericalTP(1.0, -pi / 2);
    EXPECT_NEAR(north.y, 1.0, 1e-15);
    const triplex t = RectangularToSphericalTP(pi, 0);  // longitude pi: the picture's centre
    EXPECT_NEAR(t.z, 1.0, 1e-7);
    for (double lon = 0.2; lon < 2 * pi; lon += 0.5)
        for (double lat = -1.4; lat < 1.5; lat += 0.35) {
            const triplex p = RectangularToSphericalTP(lon, lat);
            EXPECT_NEAR(p.y, -std::sin(lat), 1e-15);
            const fcomplex back = SphericalToRectangularTP(p.x, p.y, p.z);
            EXPECT_NEAR(back.re, lon, 1e-6);
            EXPECT_NEAR(back.im, lat, 1e-12);
        }
}

}  // namespace
