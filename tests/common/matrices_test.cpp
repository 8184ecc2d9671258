#include "common/matrices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <random>
#include <vector>

#include "common/geometry.h"

namespace {

std::mt19937 gen(12345);
double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); }
triplex RandomUnit() {
    for (;;) {
        const triplex v {Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1)};
        const double m = Tmagnitude(v);
        if (m > 0.1 && m < 1) return Tscale(v, 1 / m);
    }
}

// Checks that the 3×3 block is a rotation: orthonormal rows, determinant 1.
template <class T>
void ExpectRotation(const T* M, double tol) {
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) {
            double s = 0;
            for (int k = 0; k < 3; k++) s += double(M[4 * i + k]) * M[4 * j + k];
            EXPECT_NEAR(s, i == j ? 1.0 : 0.0, tol) << i << j;
        }
    double det = 0;
    for (int p = 0; p < 3; p++)  // Leibniz over the even and odd rotations
        det += double(M[p]) * M[4 + (p + 1) % 3] * M[8 + (p + 2) % 3] - double(M[p]) * M[4 + (p + 2) % 3] * M[8 + (p + 1) % 3];
    EXPECT_NEAR(det, 1.0, tol);
}

triplex RowTimes(triplex v, const double* M) {
    double a[3] = {v.x, v.y, v.z}, o[3];
    MultiplyRowVectorBy3x3D(a, M, o);
    return {o[0], o[1], o[2]};
}
triplex T3(const double* v) { return {v[0], v[1], v[2]}; }
void ExpectNear(triplex a, triplex b, double tol) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

TEST(Matrices, AxisAngleMatchesRodrigues) {
    for (int n = 0; n < 50; n++) {
        const triplex a = RandomUnit(), v = RandomUnit();
        const double th = Uniform(-7, 7);
        double M[16];
        const double axis[3] = {a.x, a.y, a.z};
        MatrixFromAxisAngleD(axis, M, th);
        ExpectRotation(M, 1e-12);
        EXPECT_EQ(M[3], 0);
        EXPECT_EQ(M[15], 1);
        // Rodrigues: v cos θ + (a × v) sin θ + a (a·v)(1 − cos θ).
        const triplex want = Tadd(Tadd(Tscale(v, std::cos(th)), Tscale(Tcross_product(a, v), std::sin(th))),
                                  Tscale(a, Tdot_product(a, v) * (1 - std::cos(th))));
        ExpectNear(Multiply3x3byColumnVectorT(M, v), want, 1e-12);
    }
    // Counter-clockwise seen from the tip of +z.
    double M[16];
    const double z[3] = {0, 0, 1};
    MatrixFromAxisAngleD(z, M, M_PI / 2);
    ExpectNear(Multiply3x3byColumnVectorT(M, {1, 0, 0}), {0, 1, 0}, 1e-15);
}

TEST(Matrices, FromToKnownCases) {
    double M[16];
    const double x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, mx[3] = {-1, 0, 0};
    FromToBuildRotationD(x, y, M);
    const double want[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 9; i++) EXPECT_NEAR(M[4 * (i / 3) + i % 3], want[i], 1e-15) << i;
    FromToBuildRotationD(x, x, M);
    for (int i = 0; i < 9; i++) EXPECT_NEAR(M[4 * (i / 3) + i % 3], i % 4 == 0 ? 1 : 0, 1e-15) << i;
    FromToBuildRotationD(x, mx, M);
    const double flip[9] = {-1, 0, 0, 0, 1, 0, 0, 0, -1};
    for (int i = 0; i < 9; i++) EXPECT_NEAR(M[4 * (i / 3) + i % 3], flip[i], 1e-15) << i;
}

// Every from-to builder takes from to to in its own convention, and is a
// rotation, also for nearly parallel and opposite pairs.
TEST(Matrices, FromToTakesFromToTo) {
    std::vector<std::pair<triplex, triplex>> pairs;
    for (int n = 0; n < 40; n++) pairs.push_back({RandomUnit(), RandomUnit()});
    for (int n = 0; n < 20; n++) {
        const triplex f = RandomUnit();
        const triplex wobble = Tscale(RandomUnit(), 1e-5);
        pairs.push_back({f, Tnormalize(Tadd(f, wobble))});
        pairs.push_back({f, Tnormalize(Tsub(Tnegative(f), wobble))});
        pairs.push_back({f, f});
        pairs.push_back({f, Tnegative(f)});
    }
    const triplex axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (triplex a : axes) pairs.push_back({a, Tnegative(a)}), pairs.push_back({Tnegative(a), a});
    for (auto [f, t] : pairs) {
        const double fd[3] = {f.x, f.y, f.z}, td[3] = {t.x, t.y, t.z};
        double M[16] = {};
        FromToBuildRotationD(fd, td, M);
        ExpectRotation(M, 1e-9);
        ExpectNear(RowTimes(f, M), t, 1e-9);
    }
}

TEST(Matrices, ProductsAgreeWithSums) {
    double A[16], B[16], C[16];
    for (int i = 0; i < 16; i++) A[i] = Uniform(-2, 2), B[i] = Uniform(-2, 2);
    Multiply4x4by4x4(A, B, C);
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) {
            double s = 0;
            for (int k = 0; k < 4; k++) s += A[4 * i + k] * B[4 * k + j];
            EXPECT_NEAR(C[4 * i + j], s, 1e-12);
        }
    const triplex p {0.5, -1, 2};
    const triplex q = Multiply4x4byTriplex(A, p);
    EXPECT_NEAR(q.x, A[0] * p.x + A[1] * p.y + A[2] * p.z + A[3], 1e-12);
    EXPECT_NEAR(q.z, A[8] * p.x + A[9] * p.y + A[10] * p.z + A[11], 1e-12);
}

// Brute-force determinant by permutation expansion.
double PermutationDet(const double* M, int n, int stride) {
    int perm[4] = {0, 1, 2, 3};
    double det = 0;
    do {
        int inversions = 0;
        for (int i = 0; i < n; i++)
            for (int j = i + 1; j < n; j++) inversions += perm[i] > perm[j];
        double term = inversions % 2 ? -1 : 1;
        for (int i = 0; i < n; i++) term *= M[stride * i + perm[i]];
        det += term;
    } while (std::next_permutation(perm, perm + n));
    return det;
}

TEST(Matrices, InversesAndDeterminants) {
    for (int n = 0; n < 30; n++) {
        double M[16], inv[16], P[16];
        for (int i = 0; i < 16; i++) M[i] = Uniform(-3, 3);
        EXPECT_NEAR(det4x4(M), PermutationDet(M, 4, 4), 1e-9);
        ASSERT_EQ(Inverse4x4(M, inv), 1);
        Multiply4x4by4x4(M, inv, P);
        for (int i = 0; i < 16; i++) EXPECT_NEAR(P[i], i % 5 == 0 ? 1 : 0, 1e-8);
        double adj[16];
        adjoint4x4(M, adj);
        Multiply4x4by4x4(M, adj, P);
        for (int i = 0; i < 16; i++) EXPECT_NEAR(P[i], i % 5 == 0 ? det4x4(M) : 0, 1e-8);
    }
}

// A reflection is invertible; singular matrices are reported, not inverted.
TEST(Matrices, ReflectionsInvertAndSingularMatricesAreReported) {
    double R[16] = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, Ri[16] = {};
    ASSERT_EQ(Inverse4x4(R, Ri), 1);
    EXPECT_EQ(Ri[0], -1);
    EXPECT_EQ(Ri[5], 1);

    double Z[16] = {}, out[16];
    for (double& v : out) v = 5;
    EXPECT_EQ(Inverse4x4(Z, out), 0);
    for (double v : out) EXPECT_EQ(v, 5);
    double rank3[16] = {1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 1, 0, 0, 1};
    EXPECT_EQ(Inverse4x4(rank3, out), 0);
}

TEST(Matrices, ClosestPointsOfTwoLines) {
    const double p1[3] = {0, 0, 0}, p2[3] = {1, 0, 0}, p3[3] = {0, 1, 1}, p4[3] = {0, 2, 1};
    double pa[3], pb[3], mua, mub;
    ASSERT_EQ(LineLineIntersect(p1, p2, p3, p4, pa, pb, &mua, &mub), 1);
    ExpectNear({pa[0], pa[1], pa[2]}, {0, 0, 0}, 1e-12);
    ExpectNear({pb[0], pb[1], pb[2]}, {0, 0, 1}, 1e-12);
    const double q3[3] = {0, 1, 0}, q4[3] = {2, 1, 0};
    EXPECT_EQ(LineLineIntersect(p1, p2, q3, q4, pa, pb, &mua, &mub), 0);  // parallel
    EXPECT_EQ(LineLineIntersect(p1, p1, q3, q4, pa, pb, &mua, &mub), 0);  // degenerate
    // Short lines at right angles are not parallel, long nearly parallel
    // ones are, whatever the scale.
    const double s1[3] = {0, 0, 0}, s2[3] = {0.02, 0, 0}, s3[3] = {0.01, -0.01, 0.003}, s4[3] = {0.01, 0.01, 0.003};
    ASSERT_EQ(LineLineIntersect(s1, s2, s3, s4, pa, pb, &mua, &mub), 1);
    ExpectNear(T3(pa), {0.01, 0, 0}, 1e-15);
    ExpectNear(T3(pb), {0.01, 0, 0.003}, 1e-15);
    const double l3[3] = {0, 0, 1}, l4[3] = {1000, 1, 1};  // 0.06° off p1p2's direction
    EXPECT_EQ(LineLineIntersect(p1, p2, l3, l4, pa, pb, &mua, &mub), 0);
    for (int n = 0; n < 50; n++) {
        double a[4][3];
        for (auto& v : a)
            for (double& c : v) c = Uniform(-3, 3);
        if (LineLineIntersect(a[0], a[1], a[2], a[3], pa, pb, &mua, &mub) == 0) continue;
        const triplex d21 = Tsub(T3(a[1]), T3(a[0])), d43 = Tsub(T3(a[3]), T3(a[2]));
        const triplex gap = Tsub(T3(pb), T3(pa));
        EXPECT_NEAR(Tdot_product(gap, d21), 0, 1e-9);
        EXPECT_NEAR(Tdot_product(gap, d43), 0, 1e-9);
        ExpectNear(T3(pa), Tadd(T3(a[0]), Tscale(d21, mua)), 1e-12);
        ExpectNear(T3(pb), Tadd(T3(a[2]), Tscale(d43, mub)), 1e-12);
    }
}

TEST(Matrices, Interpolation) {
    for (int n = 0; n < 20; n++) {
        const triplex A = RandomUnit(), B = RandomUnit();
        const double a[3] = {A.x, A.y, A.z}, b[3] = {B.x, B.y, B.z};
        double c[3];
        CGetsAngularInterpolantOfAB(a, b, c, 1.0);
        ExpectNear(T3(c), B, 1e-9);
        CGetsAngularInterpolantOfAB(a, b, c, 0.0);
        ExpectNear(T3(c), A, 0);
        CGetsAngularInterpolantOfAB(a, b, c, 0.25);
        const double whole = std::acos(Tdot_product(A, B));
        EXPECT_NEAR(std::acos(std::clamp(Tdot_product(A, T3(c)), -1.0, 1.0)), whole / 4, 1e-7);
    }
    // A·B just past 1 by rounding must not give NaN.
    const double a[3] = {0.6, 0.8, 0}, b[3] = {0.6000000000000001, 0.8, 0};
    double c[3];
    CGetsAngularInterpolantOfAB(a, b, c, 0.5);
    EXPECT_FALSE(std::isnan(c[0]));
    EXPECT_FALSE(std::isnan(SafeAcos(1.0000000000000002)));
    EXPECT_FALSE(std::isnan(SafeAsin(-1.0000000000000002)));
}

// Opposite directions have no cross product to turn about: the half turn
// must still go across, so B is reached and the halfway point is a quarter
// turn from both.
TEST(Matrices, OppositeDirectionsTurnAcross) {
    std::vector<triplex> dirs = {{0, 0, 1}, {1, 0, 0}, {0, -1, 0}, {0.6, 0, 0.8}};
    for (int n = 0; n < 10; n++) dirs.push_back(RandomUnit());
    for (triplex A : dirs) {
        const triplex B = Tnegative(A);
        const double a[3] = {A.x, A.y, A.z}, b[3] = {B.x, B.y, B.z};
        double c[3];
        CGetsAngularInterpolantOfAB(a, b, c, 1.0);
        ExpectNear(T3(c), B, 1e-9);
        CGetsAngularInterpolantOfAB(a, b, c, 0.5);
        EXPECT_NEAR(Tdot_product(T3(c), A), 0, 1e-9);
        EXPECT_NEAR(Tmagnitude(T3(c)), 1, 1e-12);
    }
}

}  // namespace
