// Florets: the 53 rows of the floret table, the lobe index and the lobe turn,
// the polyhedral bases' axis maps on a stub transform, and the Earth drawn by
// every floret this build renders (pinned coverage and mean colour).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "polyhedra/poly_storage.h"
#include "polyhedra/polyhedron.h"
#include "projections/caches.h"
#include "projections/dispatcher.h"
#include "projections/florets.h"
#include "records/vort.h"
#include "records/renderhinttype.h"
#include "render/render_context.h"
#include "tests/projections/earth_render.h"

namespace {

struct Row {
    int64_t mode, kind, n;
    double lune, scale, turn, preTurn, left, top, right, bottom, divisor;
    int64_t shape, parameter;
};
// The floret table as the design lists it.
const Row kRows[] = {
    {51, 6, 6, 0, 9, 9, -120, 39, 11, 961, 989, 1.5, -1, 0},
    {108, 1, 2, 0, 1, -90, 0, -500, 0, 1500, 1000, 1, -1, 0},
    {109, 1, 3, -0.12, 3, -60, -30, 57, 19, 943, 838, 1, -1, 0},
    {110, 1, 4, -0.15, 4, 0, -90, 0, 0, 1000, 1000, 1, -1, 0},
    {111, 1, 5, -0.165, 6, 36, -126, 28, 11, 973, 925, 1, -1, 0},
    {112, 1, 6, -0.165, 6, -90, 0, 0, 0, 1000, 1000, 1, -1, 0},
    {130, 1, 3, -0.12, 2, -60, -30, 68, 151, 931, 898, 1, -1, 0},
    {131, 1, 4, -0.15, 4, 0, -90, 202, 202, 798, 798, 1, -1, 0},
    {132, 1, 5, -0.165, 3, 36, -126, 58, 97, 941, 940, 1, -1, 0},
    {133, 1, 6, -0.165, 6, -90, 0, 144, 116, 856, 884, 1, -1, 0},
    {145, 11, 5, 0, 2.5, -36, 18, 41, 18, 959, 890, 2, 64, 0},
    {146, 2, 3, 0.12, 4.5, -60, 30, 59, 146, 941, 972, 1, -1, 0},
    {147, 2, 4, 0.06, 6, 45, -90, 5, 5, 995, 995, 1, -1, 0},
    {148, 2, 5, 0, 8.5, 72, -126, 20, 5, 980, 934, 1, -1, 0},
    {149, 2, 6, -0.06, 12, -60, 0, 3, 47, 997, 953, 1, -1, 0},
    {151, 12, 3, 0, 1.7, 0, 150, 11, 104, 989, 993, 2, 68, 0},
    {152, 14, 5, 0, 1.9, 0, 18, 59, 36, 941, 876, 3, 69, 0},
    {153, 14, 7, 0, 2.3, 0, -12.8571, 22, 9, 978, 942, 3, 69, 0},
    {154, 14, 8, 0, 2.6, -22.5, 0, 11, 11, 989, 989, 3, 69, 0},
    {155, 15, 3, 0, 2.9, -54, -30, 96, 6, 950, 837, 1, 70, 0},
    {156, 16, 3, 0, 2.9, 0, -31, 31, 6, 919, 869, 1, 71, 6},
    {157, 16, 4, -0.15, 3.2, 0, -46.5, 22, 22, 978, 978, 1, 71, 6},
    {158, 17, 8, -0.1, 3.3, 0, -90, 10, 10, 990, 990, 2.5, 72, 6},
    {161, 7, 3, -0.12, 3, -93, -35.7296, 63, 14, 943, 816, 1, 51, 2},
    {162, 18, 3, -0.1, 3, -40, -30, 40, 15, 882, 897, 1, 73, 6},
    {163, 17, 5, 0, 2.2, 0, -90, 82, 51, 986, 975, 2.5, 72, 6},
    {164, 4, 3, 0, 3.3, 0, -30, 24, 36, 976, 860, 1, -1, 0},
    {165, 4, 4, 0, 4.6, -45, 0, 18, 18, 982, 982, 1, -1, 0},
    {166, 20, 4, 0, 2.7, 180, 0, 25, 25, 975, 975, 1.5, 75, 0},
    {247, 21, 4, -0.15, 2.6, -187.4, 81, 1, 1, 999, 999, 1, 159, 6},
    {251, 6, 4, 0, 5, 0, -121.5, 18, 18, 982, 982, 1.5, -1, 0},
    {252, 6, 5, 0, 8, -97, -18, 43, 46, 918, 915, 1.5, -1, 0},
    {302, 22, 3, 0, 2.5, -111, -97, 45, 123, 846, 943, 1.5, 67, 0},
    {303, 22, 5, 0, 3.8, 197, 2, 35, 7.5, 972, 910, 1.5, 67, 0},
    {351, 23, 3, 0, 2, 0, 30, 41, 81, 959, 898, 2, 65, 0},
    {352, 23, 5, 0, 3, -36, 18, 46, 77, 954, 939, 2, 65, 0},
    {353, 24, 3, -0.15, 1, 120, 90.01, 83, 6, 917, 962, 1, -1, 0},
    {383, 5, 3, 0, 2, 0, -30, 62, 21, 938, 862, 1, -1, 0},
    {384, 5, 4, 0, 2, 0, -45, 31, 31, 969, 969, 1, -1, 0},
    {385, 25, 3, 0, 4, 0, -90, 44, 144, 956, 938, 5.0 / 3, 32, 0},
    {386, 25, 4, 0, 5, 0, -90, 49, 49, 951, 951, 5.0 / 3, 32, 0},
    {387, 25, 5, 0, 6, 0, -90, 22, 61, 978, 971, 5.0 / 3, 32, 0},
    {388, 26, 5, 0, 8, 0, -18, 49, 26, 951, 883, 2, -1, 0},
    {389, 27, 3, 0, 10, 60, 149.985, 100, 182, 900, 962, 1, -1, 0},
    {390, 27, 4, 0, 15, 135, 90, 42, 42, 958, 958, 1, -1, 0},
    {391, 27, 5, -0.1, 20, 0, -125.9874, 46, 23, 954, 895, 1, -1, 0},
    {392, 28, 5, -0.05, 3.5, 180, 38, 32, 12, 964, 912, 1.5, 166, 2},
    {393, 29, 3, 0, 3.5, 0, -135, 66, 24, 966, 947, 1, 270, 2},
    {411, 12, 3, 0, 1.7, 0, 150, 11, 104, 989, 993, 2, 68, 0},
    {412, 12, 4, 0, 2, 0, 180, 0, 0, 1000, 1000, 2, 68, 0},
    {413, 12, 5, 0, 2.5, 0, -162, 18, 65, 982, 982, 2, 68, 0},
    {1040, 3, 3, -0.15, 4, 0, -90, 0, 0, 1000, 1000, 1, -1, 0},
    {1043, 8, 5, 0, 1.005, 0, 0, 0, 0, 1000, 1000, 1, 52, 2},
};

// The florets this build renders (bases without a polyhedron).
constexpr int64_t kRendered[] = {51,  108, 109, 110, 111, 112, 130, 131, 132, 133, 146, 147, 148,
                                 149, 164, 165, 251, 252, 353, 383, 384, 388, 389, 390, 391, 1040};

TEST(Florets, TheTableHoldsTheFiftyThreeRows) {
    ASSERT_EQ(sizeof kRows / sizeof kRows[0], 53u);
    int florets = 0;
    for (int64_t m = 0; m <= 1100; ++m) florets += IsProjectionAFloret(m);
    EXPECT_EQ(florets, 53);
    for (const Row& r : kRows) {
        WarpyBasis b;
        EXPECT_EQ(GetBasisOfWarpyPolyprojection(r.mode, &b), r.mode);
        EXPECT_EQ(b.kind, r.kind) << r.mode;
        EXPECT_EQ(b.lobeCount, r.n) << r.mode;
        EXPECT_DOUBLE_EQ(b.luneOffset, r.lune) << r.mode;
        EXPECT_DOUBLE_EQ(b.scale, r.scale) << r.mode;
        EXPECT_NEAR(b.finalTurn, r.turn * M_PI / 180, 1e-15) << r.mode;
        EXPECT_NEAR(b.preTurnCos, std::cos(r.preTurn * M_PI / 180), 1e-15) << r.mode;
        EXPECT_NEAR(b.preTurnSin, std::sin(r.preTurn * M_PI / 180), 1e-15) << r.mode;
        EXPECT_EQ(b.centreX, r.left) << r.mode;
        EXPECT_EQ(b.centreY, r.top) << r.mode;
        EXPECT_EQ(b.canvasWidth, r.right) << r.mode;
        EXPECT_EQ(b.canvasHeight, r.bottom) << r.mode;
        EXPECT_DOUBLE_EQ(b.powerDivisor, r.divisor) << r.mode;
        EXPECT_EQ(b.basisShape, r.shape) << r.mode;
        EXPECT_EQ(b.basisShapeParameter, r.parameter) << r.mode;
        EXPECT_EQ(b.noPower, r.mode == 412 ? 1 : 0) << r.mode;
        EXPECT_EQ(b.tilt, 0.0);
        EXPECT_EQ(b.lobeSpin, 1.0);
        EXPECT_EQ(IsFloretWithPolyhedronBasis(r.mode), r.shape != -1) << r.mode;
    }
    // Modes outside the table keep the defaults; 1038, 1039 and 1041 have
    // floret names but no row.
    for (int64_t m : {1, 94, 1038, 1039, 1041}) {
        WarpyBasis b;
        GetBasisOfWarpyPolyprojection(m, &b);
        EXPECT_EQ(b.kind, 0);
        EXPECT_EQ(b.lobeCount, 0);
        EXPECT_EQ(b.scale, 1.0);
        EXPECT_EQ(b.preTurnCos, 1.0);
        EXPECT_EQ(b.preTurnSin, 0.0);
        EXPECT_EQ(b.canvasWidth, 1000.0);
        EXPECT_EQ(b.canvasHeight, 1000.0);
        EXPECT_EQ(b.powerDivisor, 1.0);
        EXPECT_EQ(b.basisShape, -1);
        EXPECT_FALSE(IsProjectionAFloret(m));
        EXPECT_FALSE(OutputModeHasProjection(m) && m >= 1038) << m;
    }
    // The "5-floret" has three lobes.
    WarpyBasis b;
    GetBasisOfWarpyPolyprojection(1040, &b);
    EXPECT_EQ(b.lobeCount, 3);
}

TEST(Florets, LobeIndices) {
    for (const Row& r : kRows) {
        // The centre's lobe.
        EXPECT_EQ(WhicCopyAmIIn(true, 0.0, 0.0, r.n), int64_t(std::floor(r.n + 0.5 - r.n / 4.0)) % r.n) << r.mode;
        // Every lobe index lies in 0..n-1 and each is taken by a sector.
        std::set<int64_t> seen;
        for (double a = 0; a < 2 * M_PI; a += 0.01) {
            const int64_t k = WhicCopyAmIIn(true, std::cos(a), std::sin(a), r.n);
            ASSERT_GE(k, 0);
            ASSERT_LT(k, r.n);
            seen.insert(k);
        }
        EXPECT_EQ(int64_t(seen.size()), r.n) << r.mode;
    }
    // On a boundary the larger index wins, up to n - 1, then 0: with n = 4 and
    // no shift the boundaries lie on the axes.
    EXPECT_EQ(WhicCopyAmIIn(false, 1.0, 0.0, 4), 3);  // angle 0 from the y axis
    EXPECT_EQ(WhicCopyAmIIn(false, 0.0, 1.0, 4), 0);  // a quarter turn: 4 wraps to 0
}

// A stub transform: records its input and answers a fixed direction.
double gStubPoint[2];
void StubTransform(float out[3], uint8_t* miss, const polyhedron*, void*, double x, double y) {
    gStubPoint[0] = x, gStubPoint[1] = y;
    out[0] = 0.2f, out[1] = 0.3f, out[2] = 0.9f;
    *miss = 0;
}

TEST(Florets, PolyhedralBasesMapTheirAxesOnAStubTransform) {
    const float f[3] = {0.2f, 0.3f, 0.9f};
    const double f0 = f[0], f1 = f[1], f2 = f[2];
    struct Axis {
        int64_t kind;
        double x, y, z;
    };
    const double c = 0.9510565162951535, s = 0.3090169943749474, h = 0.7071067811865476;
    const Axis axes[] = {{7, f0, f2, -f1},  {8, f0, f2, -f1},  {11, f0, f2, -f1},  {14, f0, f2, -f1},
                         {23, f0, f2, -f1}, {12, -f0, -f1, f2}, {15, -f1, f2, -f0}, {16, c * f0 + s * f2, c * f2 - s * f0, -f1},
                         {17, f0, f1, f2},  {18, h * (f0 - f1), h * (f0 + f1), f2}, {20, f0, f2, -f1},
                         {21, f1, f2, f0},  {22, -f0, -f1, f2}, {25, f0, f1, f2},   {28, -f0, -f1, f2},
                         {29, -f1, f2, -f0}};
    for (const Axis& a : axes) {
        double o[3];
        PolyhedralBasisDirection(a.kind, f, o);
        EXPECT_NEAR(o[0], a.x, 1e-7) << a.kind;
        EXPECT_NEAR(o[1], a.y, 1e-7) << a.kind;
        EXPECT_NEAR(o[2], a.z, 1e-7) << a.kind;
    }
    // Each kind turns the solid: its map of the axes is a rotation (a
    // reflection would draw the floret as its basis's mirror image).
    for (const Axis& a : axes) {
        double m[3][3];
        for (int c = 0; c < 3; ++c) {
            const float e[3] = {float(c == 0), float(c == 1), float(c == 2)};
            PolyhedralBasisDirection(a.kind, e, m[c]);
        }
        const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        EXPECT_NEAR(det, 1.0, 1e-9) << a.kind;
    }
    // The points handed to the transform.
    const double off[2] = {0.25, -0.5};
    double px, py;
    PolyhedralBasisPoint(25, 1.0, 2.0, off, &px, &py);
    EXPECT_DOUBLE_EQ(px, -2.0);
    EXPECT_DOUBLE_EQ(py, 1.25);
    PolyhedralBasisPoint(28, 1.0, 2.0, off, &px, &py);
    EXPECT_DOUBLE_EQ(px, 1.25);
    EXPECT_DOUBLE_EQ(py, 1.5);
    PolyhedralBasisPoint(20, 1.0, 0.0, off, &px, &py);  // turned by 210 degrees
    EXPECT_NEAR(px, std::cos(210 * M_PI / 180), 1e-9);
    EXPECT_NEAR(py, std::sin(210 * M_PI / 180), 1e-9);
    PolyhedralBasisPoint(22, 0.0, 1.0, off, &px, &py);  // i^(3/4) turned by -45 degrees
    EXPECT_NEAR(std::atan2(py, px), 3 * M_PI / 8 - M_PI / 4, 1e-12);
    // Mode 412 is not opened by a power: the transform sees the turned point times the scale.
    WarpyBasis b;
    GetBasisOfWarpyPolyprojection(412, &b);
    renderhinttype hints{};
    InitPolyHints(&hints);
    uint8_t miss = 1;
    double d[3];
    const double x = 0.1, y = 0.05;
    CopsInTroubleCore(&miss, d, nullptr, 0, &b, nullptr, &hints, nullptr, x, y, StubTransform);
    EXPECT_EQ(miss, 0);
    const double xp = x * b.preTurnCos - y * b.preTurnSin, yp = x * b.preTurnSin + y * b.preTurnCos;
    const double al = 2 * M_PI * hints.floretRegion / 4.0;
    EXPECT_NEAR(gStubPoint[0], 2 * (xp * std::cos(al) - yp * std::sin(al)), 1e-12);
    EXPECT_NEAR(gStubPoint[1], 2 * (xp * std::sin(al) + yp * std::cos(al)), 1e-12);
    // Kind 25 (the pentagon florets) starts from the top of the basis net's
    // bounding box: (-b, a + top), in the frame the set-up keeps with the net.
    polyhedron* net = NewPolyhedron(0.5f, 0.0f);
    ASSERT_NE(net, nullptr);
    net->floretOffset[0] = -0.75;
    net->floretCentre[0] = 0.125, net->floretCentre[1] = 0.25;
    net->floretScale = 2.0;
    WarpyBasis pent;
    GetBasisOfWarpyPolyprojection(386, &pent);
    CopsInTroubleCore(&miss, d, nullptr, 0, &pent, net, &hints, nullptr, x, y, StubTransform);
    {
        const double xq = x * pent.preTurnCos - y * pent.preTurnSin, yq = x * pent.preTurnSin + y * pent.preTurnCos;
        const double al = 2 * M_PI * hints.floretRegion / 4.0;
        const double px = xq * std::cos(al) - yq * std::sin(al), py = xq * std::sin(al) + yq * std::cos(al);
        const double e = 2.0 / (5.0 / 3.0), r = std::pow(std::hypot(px, py), e), t = std::atan2(py, px) * e;
        const double a = pent.scale * r * std::cos(t), bb = pent.scale * r * std::sin(t);
        EXPECT_NEAR(gStubPoint[0], 0.125 - 2 * bb, 1e-9);
        EXPECT_NEAR(gStubPoint[1], 0.25 + 2 * (a - 0.75), 1e-6);
    }
    FreePolyhedron(&net);
    // Without a transform a polyhedral basis misses.
    CopsInTroubleCore(&miss, d, nullptr, 0, &b, nullptr, &hints, nullptr, x, y);
    EXPECT_EQ(miss, 1);
}

TEST(Florets, TheThornTurnIsOrthonormal) {
    double m[3][3];
    for (int j = 0; j < 3; ++j) {
        float e[3] = {0, 0, 0};
        e[j] = 1;
        double o[3];
        ThornTurn(e, o);
        for (int i = 0; i < 3; ++i) m[i][j] = o[i];
    }
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) {
            double dot = 0;
            for (int j = 0; j < 3; ++j) dot += m[i][j] * m[k][j];
            EXPECT_NEAR(dot, i == k ? 1.0 : 0.0, 1e-9) << i << k;
        }
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    EXPECT_NEAR(det, 1.0, 1e-9);
}

class FloretEarth : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        store = NewProjectionCacheStore();
        for (int64_t m : kRendered) ASSERT_TRUE(PrefillProjectionCachesForMode(store, m));
    }
    static void TearDownTestSuite() { DisposeProjectionCacheStore(&store); }
    static ProjectionCacheStore* store;
};
ProjectionCacheStore* FloretEarth::store = nullptr;

TEST_F(FloretEarth, TurningAPointByALobeTurnsItsDirectionByTheLobeTurn) {
    for (int64_t mode : kRendered) {
        WarpyBasis b;
        GetBasisOfWarpyPolyprojection(mode, &b);
        renderhinttype hints{};
        InitPolyHints(&hints);
        int checked = 0;
        for (double r = 0.02; r < 0.5; r += 0.047)
            for (double a = 0.1; a < 2 * M_PI; a += 0.37) {
                const double x = r * std::cos(a), y = r * std::sin(a);
                const double t = 2 * M_PI / double(b.lobeCount), x2 = x * std::cos(t) - y * std::sin(t),
                             y2 = x * std::sin(t) + y * std::cos(t);
                uint8_t m1 = 1, m2 = 1;
                double d1[3], d2[3];
                CopsInTroubleCore(&m1, d1, store, 0, &b, nullptr, &hints, nullptr, x, y);
                const int64_t k1 = hints.floretRegion;
                CopsInTroubleCore(&m2, d2, store, 0, &b, nullptr, &hints, nullptr, x2, y2);
                const int64_t k2 = hints.floretRegion;
                ASSERT_EQ(m1, m2) << mode;
                if (m1) continue;
                // The second direction is the first turned about the third axis by -2 pi (k2 - k1) / n.
                const double beta = -2 * M_PI * double(k2 - k1) / double(b.lobeCount);
                const double ex = d1[0] * std::cos(beta) - d1[1] * std::sin(beta),
                             ey = d1[0] * std::sin(beta) + d1[1] * std::cos(beta);
                EXPECT_NEAR(d2[0], ex, 1e-6) << mode;
                EXPECT_NEAR(d2[1], ey, 1e-6) << mode;
                EXPECT_NEAR(d2[2], d1[2], 1e-6) << mode;
                ++checked;
            }
        EXPECT_GT(checked, 20) << mode;
    }
}

double Apart(const double a[3], const double b[3]) {
    const double c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    return std::atan2(std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]), a[0] * b[0] + a[1] * b[1] + a[2] * b[2]);
}

struct Sample {
    uint8_t miss;
    int64_t lobe;
    double d[3];
};

Sample FloretAt(ProjectionCacheStore* store, const WarpyBasis& b, double x, double y) {
    renderhinttype hints{};
    InitPolyHints(&hints);
    Sample s{1, -1, {0, 0, 0}};
    CopsInTroubleCore(&s.miss, s.d, store, 0, &b, nullptr, &hints, nullptr, x, y);
    s.lobe = hints.floretRegion;
    return s;
}

// Lobe borders: found by bisection on circles about the centre, sampled a
// hair to each side. Both sides are inside or both outside (no gap), and
// their directions differ by less than one pixel's step along the border.
TEST_F(FloretEarth, LobesJoinAcrossTheirBorders) {
    constexpr double kPixel = 1e-3;  // a 1000-pixel canvas across the unit plane
    for (int64_t mode : kRendered) {
        WarpyBasis b;
        GetBasisOfWarpyPolyprojection(mode, &b);
        int joined = 0;
        for (double r = 0.005; r < 1.0; r += 0.0123) {
            const int steps = 720;
            for (int i = 0; i < steps; ++i) {
                double lo = 2 * M_PI * i / steps, hi = 2 * M_PI * (i + 1) / steps;
                const int64_t k0 = FloretAt(store, b, r * std::cos(lo), r * std::sin(lo)).lobe;
                if (FloretAt(store, b, r * std::cos(hi), r * std::sin(hi)).lobe == k0) continue;
                for (int j = 0; j < 60; ++j) {
                    const double mid = 0.5 * (lo + hi);
                    (FloretAt(store, b, r * std::cos(mid), r * std::sin(mid)).lobe == k0 ? lo : hi) = mid;
                }
                const double t = 0.5 * (lo + hi), e = 1e-9 / r;
                const Sample s1 = FloretAt(store, b, r * std::cos(t - e), r * std::sin(t - e));
                const Sample s2 = FloretAt(store, b, r * std::cos(t + e), r * std::sin(t + e));
                ASSERT_NE(s1.lobe, s2.lobe) << mode;
                EXPECT_EQ(s1.miss, s2.miss) << mode << " r " << r << " angle " << t;
                if (s1.miss || s2.miss) continue;
                // One pixel along the border, on the first side.
                const double r2 = r + kPixel;
                const Sample s3 = FloretAt(store, b, r2 * std::cos(t - e), r2 * std::sin(t - e));
                const double pixel = s3.miss ? 1e-2 : std::max(Apart(s1.d, s3.d), 1e-5);
                EXPECT_LT(Apart(s1.d, s2.d), pixel) << mode << " r " << r << " angle " << t;
                ++joined;
            }
        }
        // The circle lobes (kind 1) and the 5-floret's touch only at the centre.
        if (b.kind != 1 && b.kind != 3) EXPECT_GT(joined, 10) << mode;
    }
}

// Pixel centres that fall exactly on a lobe border (the diagonals of a
// square flake 4, the centre column and row of others) take the direction
// of one of the lobes that meet there: each is within a few pixel steps of
// its nearest neighbour, at the sizes people render.
TEST_F(FloretEarth, PixelsOnLobeBordersJoinTheirNeighbours) {
    struct Size {
        int width, height;
    };
    for (int64_t mode : {int64_t{389}, int64_t{390}, int64_t{391}, int64_t{388}, int64_t{110}})
        for (const Size size : {Size{1024, 1024}, Size{2048, 2048}, Size{2048, 1024}}) {
            RoadRig rig(mode, 1, float(size.height) / float(size.width));
            vort& c = *rig.context;
            GetBasisOfWarpyPolyprojection(mode, &c.floretBasis);
            PrepBoundingBoxForNonPolyhedron(&c.framing, &c, c.aspect, 90.0f);
            c.inverseScale = c.framing.inverseFitScale;
            c.planeCentreX = c.framing.xCentre;
            c.planeCentreY = c.framing.yCentre;
            c.boxHeight = c.aspect;
            auto at = [&](int i, int j) {
                const OutputPlane pl = OutputPlaneOf(&c, (float(i) + 0.5f) / float(size.width),
                                                     (float(j) + 0.5f) / float(size.height));
                return FloretAt(store, c.floretBasis, pl.Xb, pl.Yb);
            };
            // The lobe of a pixel, cheaply, to find the borders: the lobe
            // index of the pre-turned point, as the floret takes it.
            const WarpyBasis& b = c.floretBasis;
            auto lobe = [&](int i, int j) {
                const OutputPlane pl = OutputPlaneOf(&c, (float(i) + 0.5f) / float(size.width),
                                                     (float(j) + 0.5f) / float(size.height));
                const double xp = pl.Xb * b.preTurnCos - pl.Yb * b.preTurnSin,
                             yp = pl.Xb * b.preTurnSin + pl.Yb * b.preTurnCos;
                return WhicCopyAmIIn(true, yp, xp, b.lobeCount);
            };
            std::vector<int8_t> lobes(size_t(size.width) * size.height);
            for (int j = 0; j < size.height; ++j)
                for (int i = 0; i < size.width; ++i) lobes[size_t(j) * size.width + i] = int8_t(lobe(i, j));
            auto lobeAt = [&](int i, int j) { return lobes[size_t(j) * size.width + i]; };
            int borders = 0, wrong = 0;
            for (int j = 1; j + 1 < size.height; ++j)
                for (int i = 1; i + 1 < size.width; ++i) {
                    const int8_t k = lobeAt(i, j);
                    if (k == lobeAt(i - 1, j) && k == lobeAt(i + 1, j) && k == lobeAt(i, j - 1) && k == lobeAt(i, j + 1))
                        continue;
                    const Sample s = at(i, j);
                    if (s.miss) continue;
                    const Sample n[4] = {at(i - 1, j), at(i + 1, j), at(i, j - 1), at(i, j + 1)};
                    bool border = false;
                    double nearest = M_PI;
                    for (const Sample& q : n) {
                        border = border || q.lobe != s.lobe;
                        if (!q.miss) nearest = std::min(nearest, Apart(s.d, q.d));
                    }
                    if (!border || nearest == M_PI) continue;
                    ++borders;
                    if (nearest > 2.0 * M_PI / 180 && wrong++ < 3)
                        ADD_FAILURE() << mode << " at " << size.width << "x" << size.height << ": pixel (" << i << ", "
                                      << j << ") is " << nearest * 180 / M_PI << " degrees from its nearest neighbour";
                }
            EXPECT_GT(borders, 0) << mode;
            EXPECT_EQ(wrong, 0) << mode << " at " << size.width << "x" << size.height;
        }
}

// Inside the lobes the basis pieces join too (the thorn's cube faces, the
// Guyou squares, the bidactyl's discs and band, the cylinders): walking
// circles and rays in small steps, no step turns the direction much more
// than the steps on either side of it, and no single sample drops out.
TEST_F(FloretEarth, BasisPiecesJoinInsideTheLobes) {
    constexpr double kStep = 1.5e-3;
    for (int64_t mode : kRendered) {
        WarpyBasis b;
        GetBasisOfWarpyPolyprojection(mode, &b);
        int breaks = 0, walked = 0;
        const bool notchFree = b.kind != 24 && b.kind != 26 && b.kind != 27;
        auto walk = [&](auto point, int count) {
            std::vector<Sample> s(count);
            for (int i = 0; i < count; ++i) {
                double x, y;
                point(i, &x, &y);
                s[i] = FloretAt(store, b, x, y);
            }
            for (int i = 1; i + 2 < count; ++i) {
                // A dropped sample inside a lobe whose neighbours join as if it
                // were there (circle lobes touch their neighbours in single
                // points; the bidactyl's discs touch its band and the cylinders'
                // notches close in points: those bases are left out).
                if (notchFree && i >= 2 && s[i].miss && !s[i - 2].miss && !s[i - 1].miss && !s[i + 1].miss && !s[i + 2].miss &&
                    s[i - 1].lobe == s[i + 1].lobe &&
                    Apart(s[i - 1].d, s[i + 1].d) <
                        2.5 * std::max(Apart(s[i - 2].d, s[i - 1].d), Apart(s[i + 1].d, s[i + 2].d)) + 1e-3 &&
                    breaks++ < 5) {
                    double x, y;
                    point(i, &x, &y);
                    ADD_FAILURE() << mode << ": a one-sample gap at (" << x << ", " << y << ")";
                }
                if (s[i - 1].miss || s[i].miss || s[i + 1].miss || s[i + 2].miss) continue;
                ++walked;
                const double jump = Apart(s[i].d, s[i + 1].d);
                const double around = std::max(Apart(s[i - 1].d, s[i].d), Apart(s[i + 1].d, s[i + 2].d));
                if (jump > 3 * around + 2e-3 && breaks++ < 5) {
                    double x, y;
                    point(i, &x, &y);
                    ADD_FAILURE() << mode << ": the direction jumps by " << jump << " near (" << x << ", " << y
                                  << ") where its neighbours move " << around;
                }
            }
        };
        for (double r = 0.01; r < 1.0; r += 0.047) {
            const int n = int(2 * M_PI * r / kStep);
            walk([&](int i, double* x, double* y) { *x = r * std::cos(2 * M_PI * i / n), *y = r * std::sin(2 * M_PI * i / n); },
                 n);
        }
        for (double a = 0.013; a < 2 * M_PI; a += 2 * M_PI / 37) {
            const int n = int(1.0 / kStep);
            walk([&](int i, double* x, double* y) { *x = i * kStep * std::cos(a), *y = i * kStep * std::sin(a); }, n);
        }
        EXPECT_EQ(breaks, 0) << mode;
        EXPECT_GT(walked, 1000) << mode;
    }
}

// Small Earth renders through the dispatcher's floret rows, pinned by
// coverage and mean colour (looked at: n lobes about the centre).
TEST_F(FloretEarth, EveryFloretDrawsTheEarth) {
    PyramidDescriptor earth;
    ASSERT_TRUE(LoadBundledEarth(&earth));
    struct Pin {
        int64_t mode;
        double coverage, mean[3];
    };
    const Pin pins[] = {
#include "tests/projections/floret_pins.inc"
    };
    for (const Pin& pin : pins) {
        RoadRig rig(pin.mode, 1, 1.0f);
        vort& c = *rig.context;
        c.projectionCaches = store;
        GetBasisOfWarpyPolyprojection(pin.mode, &c.floretBasis);
        PrepBoundingBoxForNonPolyhedron(&c.framing, &c, 1.0f, 90.0f);
        c.inverseScale = c.framing.inverseFitScale;
        c.planeCentreX = c.framing.xCentre;
        c.planeCentreY = c.framing.yCentre;
        c.boxHeight = 1.0;
        const EarthRender e = RenderEarth(rig, &earth, 64);
        const double coverage = e.coverage, *mean = e.mean;
        if (std::getenv("FLORET_PINS"))
            std::printf("        {%ld, %.4f, {%.1f, %.1f, %.1f}},\n", long(pin.mode), coverage, mean[0], mean[1],
                        mean[2]);
        EXPECT_NEAR(coverage, pin.coverage, 0.003) << pin.mode;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(mean[k], pin.mean[k], 0.5) << pin.mode;
    }
    DisposePyramidData(&earth);
}

}  // namespace
