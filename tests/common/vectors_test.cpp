#include "common/vectors.h"

#include <gtest/gtest.h>

#include <random>

namespace {

void ExpectNear(triplex a, triplex b, double tol) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

TEST(Vectors, CrossProductIsRightHandedAndOrthogonal) {
    ExpectNear(Tcross_product({1, 0, 0}, {0, 1, 0}), {0, 0, 1}, 0);
    ExpectNear(Tcross_product({0, 1, 0}, {0, 0, 1}), {1, 0, 0}, 0);
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> d(-2, 2);
    for (int i = 0; i < 50; ++i) {
        const triplex A{d(rng), d(rng), d(rng)}, B{d(rng), d(rng), d(rng)};
        const triplex C = Tcross_product(A, B);
        EXPECT_NEAR(Tdot_product(C, A), 0, 1e-12);
        EXPECT_NEAR(Tdot_product(C, B), 0, 1e-12);
        // |A x B|^2 = |A|^2 |B|^2 - (A.B)^2
        const double lhs = Tdot_product(C, C);
        const double rhs = Tdot_product(A, A) * Tdot_product(B, B) - std::pow(Tdot_product(A, B), 2);
        EXPECT_NEAR(lhs, rhs, 1e-11);
    }
}

TEST(Vectors, NormalisingAndLengths) {
    ExpectNear(Tnormalize({0, 0, 0}), {0, 0, 0}, 0);
    ExpectNear(Tnormalize({0, 3, 4}), {0, 0.6, 0.8}, 1e-15);
    ExpectNear(TMakeLength({0, 0, 0}, 5), {0, 0, 0}, 0);
    ExpectNear(TMakeLength({0, 3, 4}, 10), {0, 6, 8}, 1e-14);
    ExpectNear(TUnitVectorFromTo({1, 1, 1}, {1, 1, 3}), {0, 0, 1}, 0);
    ExpectNear(TVectorFromTo({1, 1, 1}, {1, 2, 3}), {0, 1, 2}, 0);
    EXPECT_DOUBLE_EQ(Tdistance({1, 1, 1}, {1, 4, 5}), 5);
}

TEST(Vectors, InterpolationAndReflection) {
    const triplex A{0, 0, 0}, B{1, 0, 0}, C{1, 1, 2}, D{0, 1, 0};
    ExpectNear(Tbilerp(0, 0, A, B, C, D), A, 0);
    ExpectNear(Tbilerp(1, 0, A, B, C, D), B, 0);
    ExpectNear(Tbilerp(1, 1, A, B, C, D), C, 0);
    ExpectNear(Tbilerp(0, 1, A, B, C, D), D, 0);
    ExpectNear(Tbilerp(0.5, 0.5, A, B, C, D), {0.5, 0.5, 0.5}, 1e-15);
    ExpectNear(Tlerp(0.25, A, C), Tmix(A, C, 0.25), 0);
    ExpectNear(Tmix_component({0, 0, 0}, {2, 2, 2}, {0, 0.5, 1}), {0, 1, 2}, 0);
    ExpectNear(Tmidpoint(B, D), {0.5, 0.5, 0}, 0);
    ExpectNear(Taddthree(B, C, D), {2, 2, 2}, 0);

    // A reflection keeps the tangential part and flips the normal part.
    ExpectNear(Treflect({1, -1, 0}, {0, 1, 0}), {1, 1, 0}, 0);
    const float v[3] = {1, -2, 3}, n[3] = {0, 0, 1};
    ExpectNear(reflectionForViewdirAndNormalV3(v, n), {1, -2, -3}, 0);
    ExpectNear(reflectionForViewdirAndNormal({1, 2, 3}, {1, 0, 0}), {-1, 2, 3}, 0);
}

TEST(Vectors, ComponentwiseHelpers) {
    ExpectNear(Tsign({-2, 0, 5}), {-1, 0, 1}, 0);
    ExpectNear(Tpow_scalar({4, 9, 16}, 0.5), {2, 3, 4}, 1e-15);
    ExpectNear(Tpow_component({2, 3, 4}, {1, 2, 0.5}), {2, 9, 2}, 1e-15);
    ExpectNear(TFromScalar(2), {2, 2, 2}, 0);
    ExpectNear(TFromC({1, 2}), {1, 2, 0}, 0);
    EXPECT_EQ(CFromT({1, 2, 3}), (fcomplex{1, 2}));
    EXPECT_DOUBLE_EQ(GLSLSmoothstep(0, 1, 0.5), 0.5);
    EXPECT_EQ(GLSLSmoothstep(0, 1, -3), 0.0);
    EXPECT_EQ(GLSLSmoothstep(0, 1, 3), 1.0);
    EXPECT_DOUBLE_EQ(GLSLSmoothstep(2, 4, 2.5), 0.25 * 0.25 * (3 - 0.5));
    EXPECT_EQ(GLSLSmoothstep(1, 1, 0.9), 0.0);
    EXPECT_EQ(GLSLSmoothstep(1, 1, 1.0), 1.0);
}

}  // namespace
