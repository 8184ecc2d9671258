#include "projections/stereographic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

void RandomUnit(std::mt19937& rng, double p[3]) {
    std::normal_distribution<double> n;
    double m;
    do {
        p[0] = n(rng);
        p[1] = n(rng);
        p[2] = n(rng);
        m = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    } while (m < 1e-3);
    for (int i = 0; i < 3; ++i) p[i] /= m;
}

// Textbook stereographic projection from (0, 0, -1) onto z = 0, scaled by 2
// and negated: w = -(x, y)/(1 + z).
void Stereographic(const double p[3], double w[2]) {
    w[0] = -p[0] / (1 + p[2]);
    w[1] = -p[1] / (1 + p[2]);
}

TEST(Stereographic, ForwardAndInverseAreInverses) {
    std::mt19937 rng(3);
    for (int k = 0; k < 100; ++k) {
        double p[3], w[2], q[3];
        RandomUnit(rng, p);
        if (p[2] < -0.99) continue;
        Stereographic(p, w);
        StereoIntersect_NiceD(q, w[0], w[1]);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(q[i], p[i], 1e-12);
        double r[3];
        // The ray form reads its plane at z = 1 (twice the scale).
        StereoIntersectD(r, 2 * w[0], 2 * w[1]);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(r[i], p[i], 1e-12);
        float f[3];
        StereoIntersectCore(f, static_cast<float>(2 * w[0]), static_cast<float>(2 * w[1]), -1.0f);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(f[i], p[i], 1e-5);
    }
}

TEST(Stereographic, CoreRayLandsOnTheSphere) {
    for (double h : {-0.5, 0.0, 0.5}) {
        double o[3];
        StereoIntersectCoreD(o, 0.3, -0.7, h);
        EXPECT_NEAR(o[0] * o[0] + o[1] * o[1] + o[2] * o[2], 1.0, 1e-12);
        // On the ray from (0, 0, h) through (-X, -Y, 1 - h).
        EXPECT_NEAR(o[0] / -0.3, (o[2] - h) / (1 - h), 1e-12);
    }
}

TEST(SegmentSubstitution, UnitPowerIsTheIdentityEverywhere) {
    std::mt19937 rng(5);
    for (int k = 0; k < 100; ++k) {
        double p[3], q[3];
        RandomUnit(rng, p);
        for (int i = 0; i < 3; ++i) q[i] = p[i];
        unsigned char out = 0;
        SubstituteSphereSegment_NiceD(q, &out, 1.0, 0.0);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(q[i], p[i], 1e-12);
        EXPECT_EQ(out, 0);
    }
    for (double y : {1.0, -1.0}) {
        double pole[3] = {0, y, 0};
        unsigned char out = 0;
        SubstituteSphereSegment_NiceD(pole, &out, 2.0, 0.0);
        EXPECT_EQ(pole[1], y);
    }
}

TEST(SegmentSubstitution, HalvingThenDoublingRoundTripsAndMarksTheOutside) {
    std::mt19937 rng(9);
    for (int k = 0; k < 100; ++k) {
        double p[3], q[3];
        RandomUnit(rng, p);
        for (int i = 0; i < 3; ++i) q[i] = p[i];
        unsigned char out = 0;
        SubstituteSphereSegment_NiceD(q, &out, 2.0, 0.0);  // whole sphere into a half
        EXPECT_EQ(out, 0);
        EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2], 1.0, 1e-12);
        EXPECT_GE(q[2], -1e-12);  // the half about +z
        SubstituteSphereSegment_NiceD(q, &out, 0.5, 0.0);  // and back
        EXPECT_EQ(out, 0);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(q[i], p[i], 1e-9);
    }
    double back[3] = {0.1, 0.2, -0.9746794};
    unsigned char out = 0;
    SubstituteSphereSegment_NiceD(back, &out, 0.5, 0.0);
    EXPECT_EQ(out, 1);
}

TEST(Lagrange, ForwardAndInverseAreInverses) {
    std::mt19937 rng(11);
    for (int k = 0; k < 50; ++k) {
        double p[3], w[2], q[3];
        RandomUnit(rng, p);
        // The forward map: the power 1/2 folds the sphere into a half, then
        // the stereographic projection.
        for (int i = 0; i < 3; ++i) q[i] = p[i];
        unsigned char folded = 0;
        SubstituteSphereSegment_NiceD(q, &folded, 2.0, 0.0);
        Stereographic(q, w);
        EXPECT_LE(std::hypot(w[0], w[1]), 1.0 + 1e-12);  // the whole sphere in the disc
        unsigned char out = 0;
        LagrangeInverse_AvantGarde(&out, q, 1, w[0], w[1], 2.0);
        EXPECT_EQ(out, 0);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(q[i], p[i], 1e-9);
    }
}

TEST(DiscMoves, AutomorphismKeepsTheSphereAndInverts) {
    std::mt19937 rng(13);
    for (int k = 0; k < 50; ++k) {
        double p[3], q[3];
        RandomUnit(rng, p);
        for (int i = 0; i < 3; ++i) q[i] = p[i];
        automorphicDisk_prettily_on_sphere(q, 0.0);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(q[i], p[i]);
        automorphicDisk_prettily_on_sphere(q, 0.3);
        EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2], 1.0, 1e-12);
        EXPECT_EQ(std::signbit(q[2]), std::signbit(p[2]));
        automorphicDisk_prettily_on_sphere(q, -0.3);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(q[i], p[i], 1e-9);
    }
    // The move runs along the y axis: the centre moves in y only, the y poles
    // stay, and the move commutes with turns about the y axis (the axis the
    // segment substitution opens its lunes about), so a shifted floret keeps
    // its n-fold turn.
    double c[3] = {0, 0, 1};
    automorphicDisk_prettily_on_sphere(c, 0.5);
    EXPECT_NEAR(c[0], 0.0, 1e-15);
    EXPECT_NE(c[1], 0.0);
    EXPECT_NEAR(std::fabs(std::atan2(c[1], c[2])), 2 * std::atan(0.5), 1e-12);  // 0.5 off in the disc from the far pole
    for (double sign : {1.0, -1.0}) {
        double pole[3] = {0, sign, 0};
        automorphicDisk_prettily_on_sphere(pole, 0.3);
        EXPECT_NEAR(pole[0], 0.0, 1e-12);
        EXPECT_NEAR(pole[1], sign, 1e-12);
        EXPECT_NEAR(pole[2], 0.0, 1e-12);
    }
    for (int k = 0; k < 20; ++k) {
        double p[3], q[3];
        RandomUnit(rng, p);
        const double t = 0.1 + 0.3 * k, ct = std::cos(t), st = std::sin(t);
        // Turn about y then move, against move then turn.
        double a[3] = {p[0] * ct + p[2] * st, p[1], -p[0] * st + p[2] * ct};
        automorphicDisk_prettily_on_sphere(a, -0.15);
        for (int i = 0; i < 3; ++i) q[i] = p[i];
        automorphicDisk_prettily_on_sphere(q, -0.15);
        const double b[3] = {q[0] * ct + q[2] * st, q[1], -q[0] * st + q[2] * ct};
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(a[i], b[i], 1e-12) << k;
    }
    // A shifted segment substitution is the plain one followed by the move.
    double a[3] = {0.36, 0.48, 0.8}, b[3] = {0.36, 0.48, 0.8};
    unsigned char out = 0;
    SubstituteSphereSegment_NiceD(a, &out, 2.0, 0.25);
    SubstituteSphereSegment_NiceD(b, &out, 2.0, 0.0);
    automorphicDisk_prettily_on_sphere(b, 0.25);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(a[i], b[i], 1e-12);
}

TEST(NearestVertex, Tetrahedron) {
    const float top[3] = {0, 0, 1}, v0[3] = {0.94280905f, 0, -0.33333334f};
    EXPECT_EQ(NearestTetrahedronVertex(top), 3);
    EXPECT_EQ(NearestTetrahedronVertex(v0), 0);
}

}  // namespace
