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
    const double above[3] = {5, 5, 1.5}, on[3] = {-3, 7, 1}, below[3] = {0, 0, 0};
    EXPECT_EQ(Classify_PointD(&P, above, 1e-9), 1);
    EXPECT_EQ(Classify_PointD(&P, on, 1e-12), 0);
    EXPECT_EQ(Classify_PointD(&P, below, 1e-9), -1);
    double s;
    EXPECT_EQ(Classify_PointD_giving_distance(&P, above, &s, 1.0), 0);
    EXPECT_DOUBLE_EQ(s, 0.5);

    const double A[3] = {0, 0, 0}, B[3] = {1, 1, 1}, C[3] = {2, 2, 2};
    BuildPlaneFromThreePoints(A, B, C, &P);
    ExpectNear(P.n, {0, 0, 1}, 0);  // collinear points
    ExpectNear(P.anchor, {1, 1, 1}, 0);

    for (int n = 0; n < 20; n++) {
        const triplex a = RandomPoint(), b = RandomPoint(), c = RandomPoint();
        BuildPlaneFromThreePointsT(&P, a, b, c);
        for (triplex q : {a, b, c}) EXPECT_EQ(Classify_PointDT(&P, q, 1e-9), 0);
        EXPECT_NEAR(Tmagnitude(P.n), 1, 1e-12);
        EXPECT_NEAR(P.anchorDot, Tdot_product(P.anchor, P.n), 1e-12);
        // The normal follows the right-hand rule.
        EXPECT_GT(Tdot_product(P.n, Tcross_product(Tsub(b, a), Tsub(c, a))), 0);
    }
    BuildPlaneFromPointAndDirectionT(&P, {1, 2, 3}, {0, 0, 0});
    ExpectNear(P.n, {0, 0, 1}, 0);
    EXPECT_DOUBLE_EQ(P.d, -3);
}

TEST(Planes, RayIsNormalised) {
    const double o[3] = {1, 2, 3}, d[3] = {0, 3, 4}, z[3] = {0, 0, 0};
    double ray[6];
    BuildRay(ray, o, d);
    EXPECT_EQ(ray[0], 1);
    EXPECT_DOUBLE_EQ(ray[4], 0.6);
    EXPECT_DOUBLE_EQ(ray[5], 0.8);
    BuildRay(ray, o, z);
    EXPECT_EQ(ray[5], 1);
}

// The mirror fixes the plane's points, flips the side of every other point
// and undoes itself.
TEST(Planes, ReflectionTwiceIsTheIdentity) {
    for (int n = 0; n < 20; n++) {
        PLANED P;
        BuildPlaneFromPointAndDirectionT(&P, RandomPoint(), RandomPoint());
        double M[16], MM[16];
        BuildReflectionMatrixFromPlane(&P, M);
        Multiply4x4by4x4(M, M, MM);
        for (int i = 0; i < 16; i++) EXPECT_NEAR(MM[i], i % 5 == 0 ? 1 : 0, 1e-12);
        ExpectNear(Multiply4x4byTriplex(M, P.anchor), P.anchor, 1e-12);
        const triplex q = RandomPoint();
        const triplex r = Multiply4x4byTriplex(M, q);
        const double dq = Tdot_product(P.n, q) + P.k, dr = Tdot_product(P.n, r) + P.k;
        EXPECT_NEAR(dq, -dr, 1e-12);
        ExpectNear(Tmidpoint(q, r), Tsub(q, Tscale(P.n, dq)), 1e-12);
    }
}

// The line of two planes lies on both, along both planes' directions.
TEST(Planes, TwoPlanesMeetInALine) {
    for (int n = 0; n < 30; n++) {
        PLANED P1, P2;
        BuildPlaneFromPointAndDirectionT(&P1, RandomPoint(), RandomPoint());
        BuildPlaneFromPointAndDirectionT(&P2, RandomPoint(), RandomPoint());
        if (Tmagnitude(Tcross_product(P1.n, P2.n)) < 0.05) continue;
        for (int form = 0; form < 2; form++) {
            double line[6];
            ASSERT_EQ(form ? IntersectTwoPlanes(&P1, &P2, line) : IntersectTwoPlanes_old_maybe_busted(&P1, &P2, line), 0);
            for (double t : {0.0, 1.5, -2.0}) {
                const double q[3] = {line[0] + t * line[3], line[1] + t * line[4], line[2] + t * line[5]};
                double s1, s2;
                Classify_PointD_giving_distance(&P1, q, &s1, 0);
                Classify_PointD_giving_distance(&P2, q, &s2, 0);
                EXPECT_NEAR(s1, 0, 1e-9) << form;
                EXPECT_NEAR(s2, 0, 1e-9) << form;
            }
            EXPECT_NEAR(line[3] * line[3] + line[4] * line[4] + line[5] * line[5], 1, 1e-12);
        }
    }
    // Lines parallel to a coordinate plane: the point is still on both planes
    // and near them, not where the line would cross that coordinate plane.
    for (int n = 0; n < 200; n++) {
        const triplex d = RandomPoint(), p1 = RandomPoint(), p2 = RandomPoint();
        PLANED P1, P2;
        BuildPlaneFromPointAndDirectionT(&P1, p1, {d.x, d.y, 0});  // both normals hold the line horizontal
        BuildPlaneFromPointAndDirectionT(&P2, p2, {2 * d.x, 2 * d.y, d.z});
        if (Tmagnitude(Tcross_product(P1.n, P2.n)) < 0.05) continue;
        double line[6];
        ASSERT_EQ(IntersectTwoPlanes_old_maybe_busted(&P1, &P2, line), 0);
        double s1, s2;
        Classify_PointD_giving_distance(&P1, line, &s1, 0);
        Classify_PointD_giving_distance(&P2, line, &s2, 0);
        EXPECT_NEAR(s1, 0, 1e-9);
        EXPECT_NEAR(s2, 0, 1e-9);
        EXPECT_LT(Tmagnitude(TriplexFromArray(line)), 1e3);
    }
    PLANED A, B;
    BuildPlane(&A, 0, 0, 1, 0);
    BuildPlane(&B, 0, 0, 1, -1);
    double line[6];
    EXPECT_EQ(IntersectTwoPlanes(&A, &B, line), 1);
    EXPECT_EQ(IntersectTwoPlanes_old_maybe_busted(&A, &B, line), 1);
}

TEST(Planes, Projections) {
    EXPECT_DOUBLE_EQ(TLengthOfProjectAOntoU({3, 4, 5}, {0, 2, 0}), 4);
    EXPECT_EQ(TLengthOfProjectAOntoU({3, 4, 5}, {0, 0, 0}), 0);
    const fcomplex p = CProjectAOntoU({3, 4}, {2, 0});
    EXPECT_DOUBLE_EQ(p.re, 3);
    EXPECT_DOUBLE_EQ(p.im, 0);
    EXPECT_DOUBLE_EQ(CLengthOfProjectAOntoU({3, 4}, {1, 1}), 7 / std::sqrt(2.0));
}

TEST(Lines, SidesAndCircles) {
    EXPECT_LT(linePointPosition2D({0, -1}, {0, 0}, {1, 0}), 0);  // (P − B) × (A − B) = −1
    EXPECT_GT(linePointPosition2D({0, 1}, {0, 0}, {1, 0}), 0);
    EXPECT_TRUE(onOpppositeSidesOfLine({0, 0}, {1, 0}, {0, 1}, {3, -2}));
    EXPECT_FALSE(onOpppositeSidesOfLine({0, 0}, {1, 0}, {0, 1}, {3, 0}));
    double e1, e2, e3;
    classifyPointOnSideOfLine(&e1, &e2, &e3, {0.2, 0.2}, {0, 0}, {1, 0}, {0, 1});
    EXPECT_GT(e1, 0);
    EXPECT_GT(e2, 0);
    EXPECT_GT(e3, 0);
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

TEST(Segments, KnownOutcomes) {
    fcomplex p;
    double overlap;
    EXPECT_EQ(SegmentsIntersectC(&p, &overlap, {0, 0}, {2, 0}, {1, -1}, {1, 1}), 2);
    EXPECT_EQ(p.re, 1);
    EXPECT_EQ(p.im, 0);
    EXPECT_EQ(SegmentsIntersectC(&p, &overlap, {0, 0}, {2, 0}, {3, -1}, {3, 1}), 3);
    EXPECT_EQ(p.re, 3);  // the lines' crossing, beyond B
    EXPECT_EQ(SegmentsIntersectC(&p, &overlap, {0, 0}, {2, 0}, {0, 1}, {2, 1}), 0);
    EXPECT_EQ(SegmentsIntersectC(&p, &overlap, {0, 0}, {2, 0}, {3, 0}, {5, 0}), 1);
    EXPECT_EQ(SegmentsIntersectC(&p, &overlap, {0, 0}, {2, 0}, {1, 0}, {5, 0}), 4);
    EXPECT_DOUBLE_EQ(overlap, 0.5);
    EXPECT_EQ(p.re, 0);
    // A collinear segment inside another overlaps it.
    EXPECT_EQ(SegmentsIntersectC(&p, &overlap, {0, 0}, {4, 0}, {1, 0}, {2, 0}), 4);
    EXPECT_DOUBLE_EQ(overlap, 0.25);
    EXPECT_EQ(SegmentsIntersectC(&p, &overlap, {1, 0}, {2, 0}, {0, 0}, {4, 0}), 4);
    EXPECT_DOUBLE_EQ(overlap, 1.0);
    // Vertical segments are measured too, whatever their direction.
    EXPECT_EQ(SegmentsIntersectC(&p, &overlap, {0, 4}, {0, 0}, {0, 3}, {0, 6}), 4);
    EXPECT_DOUBLE_EQ(overlap, 0.25);
    EXPECT_EQ(SegmentsIntersectC(&p, &overlap, {0, 0}, {0, 1}, {0, 2}, {0, 3}), 1);
}

// Every form agrees with a classification made by parameters, for both
// orientations of both segments.
TEST(Segments, ClassifiedByGeometryWhateverTheOrientation) {
    for (int n = 0; n < 400; n++) {
        fcomplex A {Uniform(-2, 2), Uniform(-2, 2)}, B {Uniform(-2, 2), Uniform(-2, 2)};
        fcomplex C {Uniform(-2, 2), Uniform(-2, 2)}, D {Uniform(-2, 2), Uniform(-2, 2)};
        // Independent solution of A + r(B − A) = C + s(D − C) by Cramer's rule.
        const double ux = B.re - A.re, uy = B.im - A.im, vx = D.re - C.re, vy = D.im - C.im;
        const double det = -ux * vy + vx * uy;
        if (std::fabs(det) < 0.01) continue;
        const double wx = C.re - A.re, wy = C.im - A.im;
        const double r = (-wx * vy + vx * wy) / det, s = (ux * wy - uy * wx) / det;
        if (std::fabs(r - 0.001) < 1e-6 || std::fabs(r - 0.999) < 1e-6) continue;
        const int want = (r >= 0.001 && r <= 0.999 && s >= 0.001 && s <= 0.999) ? 2 : 3;
        for (int flip = 0; flip < 4; flip++) {
            const fcomplex a = flip & 1 ? B : A, b = flip & 1 ? A : B, c = flip & 2 ? D : C, d = flip & 2 ? C : D;
            fcomplex p;
            double overlap;
            EXPECT_EQ(SegmentsIntersectC(&p, &overlap, a, b, c, d), want) << n << " " << flip;
            const double ad[2] = {a.re, a.im}, bd[2] = {b.re, b.im}, cd[2] = {c.re, c.im}, dd[2] = {d.re, d.im};
            double pd[2], rr;
            EXPECT_EQ(SegmentsIntersectYieldingABparameter(ad, bd, cd, dd, pd, &overlap, &rr), want);
            EXPECT_NEAR(rr, flip & 1 ? 1 - r : r, 1e-9);
            EXPECT_NEAR(pd[0], A.re + r * ux, 1e-9);
            EXPECT_NEAR(pd[1], A.im + r * uy, 1e-9);
            CGPoint pc;
            EXPECT_EQ(SegmentsIntersectCG(&pc, &overlap, {a.re, a.im}, {b.re, b.im}, {c.re, c.im}, {d.re, d.im}), want);
            const bool proper = r > 1e-3 && r < 1 - 1e-3 && s > 1e-3 && s < 1 - 1e-3;
            EXPECT_EQ(SegmentsIntersect_simple(a, b, c, d, 1e-3), proper ? 2 : 5);
        }
    }
}

// Distances agree with a brute-force search along the segment.
TEST(Segments, PointDistanceMatchesBruteForce) {
    for (int n = 0; n < 40; n++) {
        const triplex A = RandomPoint(), B = RandomPoint(), P = RandomPoint();
        double best = 1e300;
        for (int i = 0; i <= 20000; i++) best = std::fmin(best, Tdistance(P, Tlerp(i / 20000.0, A, B)));
        const double a[3] = {A.x, A.y, A.z}, b[3] = {B.x, B.y, B.z}, p[3] = {P.x, P.y, P.z};
        double closest[3], r;
        const double d = DistanceFromPointToLineSegmentD_r(a, b, p, closest, 1, &r);
        EXPECT_NEAR(d, best, 1e-3);
        EXPECT_LE(d, best + 1e-12);
        EXPECT_NEAR(Tdistance({closest[0], closest[1], closest[2]}, Tlerp(r, A, B)), 0, 1e-12);
        triplex ct;
        EXPECT_DOUBLE_EQ(DistanceFromPointToLineSegmentT(&ct, 1, A, B, P), d);
        EXPECT_DOUBLE_EQ(DistanceFromPointToLineSegmentD(a, b, p, closest, 1), d);
        EXPECT_NEAR(DistanceFromPointToLineSegment3D(a, b, p, 1, 1e-8), d, 1e-12);
        // Unclamped: distance to the whole line, never more than to the segment.
        const double line = DistanceFromPointToLineSegmentD(a, b, p, closest, 0);
        EXPECT_LE(line, d + 1e-12);
        EXPECT_NEAR(Tdot_product(Tsub(P, {closest[0], closest[1], closest[2]}), Tsub(B, A)), 0, 1e-9);

        // The 2D forms on the x–y shadow.
        const CGPoint A2 {A.x, A.y}, B2 {B.x, B.y}, P2 {P.x, P.y};
        double best2 = 1e300;
        for (int i = 0; i <= 20000; i++) {
            const CGPoint q = lerpCGPoint(i / 20000.0, A2, B2);
            best2 = std::fmin(best2, std::hypot(q.x - P2.x, q.y - P2.y));
        }
        CGPoint c2;
        double r2;
        const double d2 = DistanceFromPointToLineSegmentCGPoint_r(&c2, 1, &r2, A2, B2, P2);
        EXPECT_NEAR(d2, best2, 1e-3);
        fcomplex cc;
        EXPECT_DOUBLE_EQ(DistanceFromPointToLineSegmentC(&cc, 1, {A.x, A.y}, {B.x, B.y}, {P.x, P.y}), d2);
        const point2D pa = point2D_from_CGPoint(A2), pb = point2D_from_CGPoint(B2), pp = point2D_from_CGPoint(P2);
        double len, len2;
        EXPECT_NEAR(DistanceFromPointToLineSegment(&pa, &pb, &pp, &len, 1, 1e-8), d2, 1e-12);
        EXPECT_NEAR(len, std::hypot(B.x - A.x, B.y - A.y), 1e-12);
        EXPECT_NEAR(DistanceFromPointToLineSegment_squared(&pa, &pb, &pp, &len2, 1, 1e-8), d2 * d2, 1e-12);
        float rf;
        const CGPoint q = ClosestPointOnLineSegmentYieldingR(1, &rf, A2, B2, P2, 1e-8);
        EXPECT_NEAR(q.x, c2.x, 1e-12);
        EXPECT_NEAR(rf, r2, 1e-6);
    }
}

TEST(Segments, DistanceEdgeCases) {
    const double A[3] = {0, 0, 0}, B[3] = {1, 0, 0}, P[3] = {2, 1, 0};
    double closest[3], r;
    EXPECT_DOUBLE_EQ(DistanceFromPointToLineSegmentD_r(A, B, P, closest, 1, &r), std::sqrt(2.0));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(closest[0], 1);
    EXPECT_DOUBLE_EQ(DistanceFromPointToLineSegmentD_r(A, A, P, closest, 1, &r), std::sqrt(5.0));
    EXPECT_EQ(r, 0);
    float rf = 9;
    const CGPoint q = ClosestPointOnLineSegmentYieldingR(1, &rf, {1, 1}, {1, 1}, {5, 5}, 1e-8);
    EXPECT_EQ(q.x, 1);
    EXPECT_EQ(rf, 0);
    EXPECT_FLOAT_EQ(float(distanceBetweenCG({0, 0}, {3, 4})), 5);
}

TEST(Segments, ReflectAroundLineTwiceIsTheIdentity) {
    for (int n = 0; n < 20; n++) {
        const CGPoint A {Uniform(-2, 2), Uniform(-2, 2)}, B {Uniform(-2, 2), Uniform(-2, 2)}, P {Uniform(-2, 2), Uniform(-2, 2)};
        const CGPoint R = ReflectAroundLine(A, B, P);
        const CGPoint back = ReflectAroundLine(A, B, R);
        EXPECT_NEAR(back.x, P.x, 1e-9);
        EXPECT_NEAR(back.y, P.y, 1e-9);
        // The mirror image is as far from A and from B as P is.
        EXPECT_NEAR(std::hypot(R.x - A.x, R.y - A.y), std::hypot(P.x - A.x, P.y - A.y), 1e-9);
        EXPECT_NEAR(std::hypot(R.x - B.x, R.y - B.y), std::hypot(P.x - B.x, P.y - B.y), 1e-9);
    }
    const point2D p = point2D_from_fcomplex({1, 2});
    EXPECT_EQ(p.links[0], -1);
    EXPECT_EQ(p.links[3], -1);
    EXPECT_EQ(p.flag, 0);
    EXPECT_EQ(fcomplex_from_point2D(p).im, 2);
    EXPECT_EQ(CGPoint_from_point2D(p).x, 1);
}

TEST(Vectors, NormalisingAndCorners) {
    float f[3] = {0, 0, 0};
    NormalizeVector(f);
    EXPECT_EQ(f[2], 1);
    double d[3] = {3, 0, 4};
    NormalizeVectorD(d);
    EXPECT_DOUBLE_EQ(d[2], 0.8);
    triplex t {0, 0, 0};
    NormalizeVectorSlowlyTriplex(&t);
    EXPECT_EQ(t.z, 1);
    float g[2] = {3, 4};
    normalize2(g);
    EXPECT_FLOAT_EQ(g[0], 0.6f);
    EXPECT_NEAR(DotProductAround3DpointsT({1, 0, 0}, {0, 0, 0}, {0, 1, 0}), 0, 1e-15);
    EXPECT_NEAR(DotProductAround3DpointsT({1, 0, 0}, {0, 0, 0}, {2, 0, 0}), 1, 1e-15);
    const double A[3] = {1, 0, 0}, B[3] = {0, 0, 0}, C[3] = {0, 1, 0};
    double out[3];
    NormalizedCrossProductAround3DpointsD(A, B, C, out);
    EXPECT_NEAR(out[2], 1, 1e-15);
}

TEST(Vectors, BasesAndSpins) {
    double M[16];
    BuildTranslationMatrix(M, 1, 2, 3);
    ExpectNear(ChangeTheBasis(M, {1, 1, 1}), {2, 3, 4}, 0);
    ExpectNear(GetBasisOrigin(M), {1, 2, 3}, 0);
    BuildScalingMatrix({2, 3, 4}, M);
    ExpectNear(ChangeTheBasis(M, {1, 1, 1}), {2, 3, 4}, 0);
    BuildBasisTransitionMatrix(M, {5, 5, 5}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1});
    ExpectNear(ChangeTheBasis(M, {1, 0, 0}), {5, 6, 5}, 0);
    EXPECT_EQ(M[15], 1);
    BuildBasis(M, 1, 2, 3);
    EXPECT_EQ(M[15], 0);
    // Columns (x, y, z), (y, −x, z) and (x, z, −y), the test being 28 here.
    const double want[12] = {1, 2, 1, 0, 2, -1, 3, 0, 3, 3, -2, 0};
    for (int i = 0; i < 12; i++) EXPECT_EQ(M[i], want[i]) << i;
    BuildBasis(M, 1, 0, -1);  // test −2: the third column becomes (−x, −z, y)
    EXPECT_EQ(M[2], -1);
    EXPECT_EQ(M[6], 1);
    EXPECT_EQ(M[10], 0);

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

    const spintype s = GetSpintypeForIdentity();
    const double* w = &s.centre.x;
    static_assert(sizeof(spintype) == 23 * sizeof(double));
    for (int i = 0; i < 23; i++) EXPECT_EQ(w[i], (i == 3 || i == 7 || i == 12 || i == 17 || i == 22) ? 1 : 0) << i;
}

TEST(Vectors, OctantFoldUnfoldsToTheSamePoint) {
    fcomplex p {-1, -3};
    int flags = -1;
    fold_octants(&p, &flags);
    EXPECT_EQ(p.re, 3);
    EXPECT_EQ(p.im, 1);
    EXPECT_EQ(flags, 7);
    unfold_octants(&p, flags);
    EXPECT_EQ(p.re, -1);
    EXPECT_EQ(p.im, -3);
    for (int n = 0; n < 200; n++) {
        const fcomplex q {Uniform(-5, 5), Uniform(-5, 5)};
        fcomplex f = q;
        fold_octants(&f, &flags);
        EXPECT_TRUE(f.re >= 0 && f.im >= 0 && f.im <= f.re);
        unfold_octants(&f, flags);
        EXPECT_EQ(f.re, q.re);
        EXPECT_EQ(f.im, q.im);
    }
}

}  // namespace
