#include "common/rays.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

std::mt19937 gen(4242);
double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); }
triplex T3(const double* v) { return {v[0], v[1], v[2]}; }
void ExpectNear(triplex a, triplex b, double tol) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

// The surface function of each kind and its gradient, in scaled coordinates.
double SurfaceValue(int kind, triplex q, double r) {
    switch (kind) {
        case 0: return q.x * q.x + q.y * q.y + q.z * q.z - 1;
        case 1: return q.x * q.x + q.y * q.y - 1;
        case 2: return q.x * q.x + q.y * q.y - q.z * q.z;
        case 4: return q.x * q.x + q.y * q.y - q.z * q.z + r;
        default: return q.x * q.x + q.y * q.y + q.z;
    }
}
triplex Gradient(int kind, triplex q) {
    switch (kind) {
        case 0: return {2 * q.x, 2 * q.y, 2 * q.z};
        case 1: return {2 * q.x, 2 * q.y, 0};
        case 2:
        case 4: return {2 * q.x, 2 * q.y, -2 * q.z};
        default: return {2 * q.x, 2 * q.y, 1};
    }
}

TEST(Rays, SphereKnownHit) {
    const double ray[6] = {0, 0, -5, 0, 0, 1}, centre[3] = {0, 0, 0};
    double hit[6], far[6];
    ASSERT_EQ(IntersectRayWithQuadricSurface(ray, centre, hit, far, 0, 1.0), 1);
    ExpectNear(T3(hit), {0, 0, -1}, 1e-12);
    ExpectNear(T3(hit + 3), {0, 0, -1}, 1e-12);
    ExpectNear(T3(far), {0, 0, 1}, 1e-12);
    ExpectNear(T3(far + 3), {0, 0, 1}, 1e-12);
    // A sphere of radius 2: the hit is scaled with it.
    ASSERT_EQ(IntersectRayWithQuadricSurface(ray, centre, hit, far, 0, 2.0), 1);
    ExpectNear(T3(hit), {0, 0, -2}, 1e-12);
    ExpectNear(T3(far), {0, 0, 2}, 1e-12);
    // A sphere behind the ray is a miss; from inside, the exit is the hit.
    const double away[6] = {0, 0, -5, 0, 0, -1}, inside[6] = {0, 0, 0.5, 0, 0, 1};
    EXPECT_EQ(IntersectRayWithQuadricSurface(away, centre, hit, far, 0, 1.0), 0);
    ASSERT_EQ(IntersectRayWithQuadricSurface(inside, centre, hit, far, 0, 1.0), 1);
    ExpectNear(T3(hit), {0, 0, 1}, 1e-12);
}

// Every hit lies on its surface, ahead of the origin, with the surface's
// unit normal, for every kind and scale.
TEST(Rays, QuadricHitsLieOnTheirSurfaces) {
    int hits[5] = {};
    const int kinds[5] = {0, 1, 2, 4, 7};
    for (int k = 0; k < 5; k++) {
        const int kind = kinds[k];
        for (int n = 0; n < 300; n++) {
            const double r = Uniform(0.3, 3);
            const double centre[3] = {Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1)};
            double o[3] = {Uniform(-6, 6), Uniform(-6, 6), Uniform(-6, 6)}, dir[3];
            // Aim near the centre so that many rays hit.
            for (int i = 0; i < 3; i++) dir[i] = centre[i] + Uniform(-r, r) - o[i];
            double ray[6], hit[6], far[6];
            StoreTriplex(T3(o), ray);
            StoreTriplex(Tnormalize(T3(dir)), ray + 3);
            if (!IntersectRayWithQuadricSurface(ray, centre, hit, far, kind, r)) continue;
            hits[k]++;
            for (const double* h : {hit, far}) {
                const triplex p = T3(h);
                const triplex q = Tscale(Tsub(p, T3(centre)), 1 / r);
                const double scale = 1 + Tdot_product(q, q);
                EXPECT_NEAR(SurfaceValue(kind, q, r) / scale, 0, 1e-9) << kind;
                EXPECT_GE(Tdot_product(Tsub(p, T3(ray)), T3(ray + 3)), -1e-9) << kind;  // ahead
                const triplex g = Gradient(kind, q);
                if (Tmagnitude(g) > 1e-6) ExpectNear(T3(h + 3), Tnormalize(g), 1e-9);
            }
            EXPECT_LE(Tdistance(T3(hit), T3(ray)), Tdistance(T3(far), T3(ray)) + 1e-12);
        }
        EXPECT_GT(hits[k], 20) << kind;
    }
}

// Rays along a cone's or paraboloid's axis direction give a linear equation.
TEST(Rays, LinearCasesHaveOneRoot) {
    const double centre[3] = {0, 0, 0};
    double hit[6];
    const double along[6] = {0.5, 0, -3, 0, 1 / std::sqrt(2.0), 1 / std::sqrt(2.0)};  // parallel to the cone
    ASSERT_EQ(IntersectRayWithQuadricSurface(along, centre, hit, nullptr, 2, 1.0), 1);
    EXPECT_NEAR(hit[0] * hit[0] + hit[1] * hit[1] - hit[2] * hit[2], 0, 1e-12);
    EXPECT_TRUE(std::isfinite(hit[3]) && std::isfinite(hit[4]) && std::isfinite(hit[5]));
    const double down[6] = {0.5, 0.5, 3, 0, 0, -1};  // down into the paraboloid
    ASSERT_EQ(IntersectRayWithQuadricSurface(down, centre, hit, nullptr, 9, 1.0), 1);
    EXPECT_NEAR(hit[2], -0.5, 1e-12);
    const double upCyl[6] = {0.5, 0, 0, 0, 0, 1};  // along the cylinder's axis
    EXPECT_EQ(IntersectRayWithQuadricSurface(upCyl, centre, hit, nullptr, 1, 1.0), 0);
}

}  // namespace
