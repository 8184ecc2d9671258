// Florets on a solid: which render (those whose basis net is drawn), and,
// for each that does, where its lobes read the basis net. The lobe point
// of a plane point is worked out here from the floret's row (lobe, turn,
// power, scale, the kind's move) and the net's own extent, and looked up
// among the net triangles by brute force: the floret core must find the
// same triangle, or miss exactly where no triangle lies; every lobe is the
// first lobe turned about the output's axis.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "../polyhedra/poly_fixture.h"
#include "projections/caches.h"
#include "projections/florets.h"
#include "projections/polyhedral_transform.h"
#include "records/renderhinttype.h"
#include "records/warpy_basis.h"
#include "shell/renderable.h"

namespace {

// Every floret whose basis is a solid, and whether its basis net is drawn.
struct FloretCase {
    int64_t mode;
    bool renders;
};
const FloretCase kFloretsOnSolids[] = {
    {145, true}, {151, false}, {152, true},  {153, true},  {154, true}, {155, true}, {156, true},
    {157, true}, {158, true}, {161, false}, {162, true}, {163, true}, {166, false}, {247, false},
    {302, true}, {303, true}, {351, true}, {352, true}, {385, true},  {386, true},  {387, true},
    {392, false}, {393, false}, {411, false}, {412, false}, {413, false}, {1043, false},
};

TEST(FloretsOnSolids, RenderExactlyWhenTheirBasisNetIsDrawn) {
    for (const FloretCase& c : kFloretsOnSolids) {
        EXPECT_TRUE(IsFloretWithPolyhedronBasis(c.mode)) << c.mode;
        EXPECT_EQ(OutputModeIsRenderable(c.mode), c.renders) << c.mode;
    }
}

struct Net {
    PolyPtr poly = MakePoly();
    ProjectionCacheStore* store = NewProjectionCacheStore();
    renderhinttype hints{};
    WarpyBasis basis{};
    double centre[2] = {0, 0}, unit = 1, offset[2] = {0, 0};
    explicit Net(int64_t mode) {
        InitPolyHints(&hints);
        GetBasisOfWarpyPolyprojection(mode, &basis);
        if (!poly || !store) return;
        HooBoyPolySetup(mode, poly.get(), 0, 1, 0, nullptr, 1, 0.5f, 0.0f, 0.0f);
        int64_t tags[4];
        for (int64_t i = 0, n = CacheTagsOfWarp(poly.get(), tags); i < n; ++i) PrepareProjectionCache(store, tags[i]);
        AllocateSpanStorage(&hints, SpanNodesForNet(poly.get()));
        PrepareShortTriList(poly.get(), -1, &hints, false, 0, 0, 0, 0, 0);
        // The frame from the net itself: the middle of its extent, half its
        // width to the unit; kinds 17 and 28 open from the net corner
        // nearest the middle, kind 25 from the bottom.
        double lo[2] = {1e30, 1e30}, hi[2] = {-1e30, -1e30};
        ForCorners([&](double x, double y) {
            lo[0] = std::fmin(lo[0], x), hi[0] = std::fmax(hi[0], x);
            lo[1] = std::fmin(lo[1], y), hi[1] = std::fmax(hi[1], y);
        });
        centre[0] = 0.5 * (lo[0] + hi[0]), centre[1] = 0.5 * (lo[1] + hi[1]);
        unit = 0.5 * (hi[0] - lo[0]);
        if (basis.kind == 25) offset[0] = (lo[1] - centre[1]) / unit;
        if (basis.kind == 17 || basis.kind == 28) {
            double best = 1e30;
            ForCorners([&](double x, double y) {
                const double d = std::hypot(x - centre[0], y - centre[1]);
                if (d < best) best = d, offset[0] = (x - centre[0]) / unit, offset[1] = (y - centre[1]) / unit;
            });
        }
        // A figure that would run past its canvas is drawn smaller by a
        // larger unit (the canvas test below checks the fit): the set-up's
        // unit, no smaller than half the width, and the offsets at the same
        // place in the net.
        EXPECT_NEAR(poly->floretCentre[0], centre[0], 1e-6);
        EXPECT_NEAR(poly->floretCentre[1], centre[1], 1e-6);
        EXPECT_GE(poly->floretScale, unit * (1 - 1e-9));
        const double grow = poly->floretScale / unit;
        unit *= grow;
        offset[0] /= grow, offset[1] /= grow;
    }
    ~Net() {
        DumpSpanStorage(&hints);
        DisposeProjectionCacheStore(&store);
    }
    template <class F>
    void ForCorners(F f) const {
        for (int64_t t = 0; t < poly->netTriangleCount; ++t)
            for (int64_t v : poly->netTriangle[t].vertex) f(poly->netVertex[v].x, poly->netVertex[v].y);
    }
    // The lobe and the net point of plane point (x, y), by the floret's row.
    // A point on a lobe border (to rounding) answers -1.
    int64_t LobePoint(double x, double y, double* qx, double* qy) const {
        const WarpyBasis& B = basis;
        const double n = double(B.lobeCount);
        const double xp = x * B.preTurnCos - y * B.preTurnSin, yp = x * B.preTurnSin + y * B.preTurnCos;
        // Lobe k is the sector of 360/n degrees about the direction -k 360/n.
        const double f = n + 0.5 - std::atan2(yp, xp) * n / (2 * M_PI);
        if (std::fabs(f - std::round(f)) < 1e-9) return -1;
        const int64_t k = int64_t(std::floor(f)) % B.lobeCount;
        const double al = 2 * M_PI * double(k) / n;
        const double px = xp * std::cos(al) - yp * std::sin(al), py = xp * std::sin(al) + yp * std::cos(al);
        const double e = B.noPower ? 1.0 : n / 2 / B.powerDivisor;
        const double r = std::pow(std::hypot(px, py), e) * B.scale, th = std::atan2(py, px) * e;
        const double a = r * std::cos(th), b = r * std::sin(th);
        const double c210 = std::cos(7 * M_PI / 6), s210 = std::sin(7 * M_PI / 6);
        switch (B.kind) {
            case 17: {
                const double r2 = std::pow(std::hypot(a, b), 5.0 / 6), t2 = std::atan2(b, a) * 5.0 / 6;
                *qx = r2 * std::cos(t2) + offset[0], *qy = r2 * std::sin(t2) + offset[1];
                break;
            }
            case 20: case 21: *qx = c210 * a - s210 * b, *qy = s210 * a + c210 * b; break;
            case 22: {
                const double r2 = std::pow(std::hypot(a, b), 0.75), t2 = std::atan2(b, a) * 0.75 - M_PI / 4;
                *qx = r2 * std::cos(t2), *qy = r2 * std::sin(t2);
                break;
            }
            case 25: *qx = -b, *qy = a + offset[0]; break;
            case 28: *qx = a + offset[0], *qy = b + offset[1]; break;
            default: *qx = a, *qy = b; break;
        }
        *qx = centre[0] + unit * *qx, *qy = centre[1] + unit * *qy;
        return k;
    }
    // The least weight of net point (x, y) in triangle t (negative outside).
    double LeastWeight(int64_t t, double x, double y) const {
        const PolyNetTriangle& tri = poly->netTriangle[t];
        const PolyNetVertex &a = poly->netVertex[tri.vertex[0]], &b = poly->netVertex[tri.vertex[1]],
                            &c = poly->netVertex[tri.vertex[2]];
        const double d = (double(b.x) - a.x) * (double(c.y) - a.y) - (double(c.x) - a.x) * (double(b.y) - a.y);
        if (d == 0 || tri.isTab) return -1;
        const double w1 = ((x - a.x) * (double(c.y) - a.y) - (double(c.x) - a.x) * (y - a.y)) / d;
        const double w2 = ((double(b.x) - a.x) * (y - a.y) - (x - a.x) * (double(b.y) - a.y)) / d;
        return std::fmin(1 - w1 - w2, std::fmin(w1, w2));
    }
    // A net triangle holding (x, y) with a margin from its sides: -1 in
    // none, -2 too close to a side to say.
    int64_t TriangleAt(double x, double y) const {
        int64_t found = -1;
        for (int64_t t = 0; t < poly->netTriangleCount; ++t) {
            const double low = LeastWeight(t, x, y);
            if (low > 1e-4) return t;
            if (low > -1e-4) found = -2;
        }
        return found;
    }
};

Net* gNet = nullptr;
int64_t gTriangle = -1;
void NetTransform(float out[3], uint8_t* miss, const polyhedron* poly, void*, double x, double y) {
    DoPolyhedralTransforms(out, poly, gNet->store, miss, &gNet->hints, float(x), float(y));
    gTriangle = gNet->hints.faceFound ? gNet->hints.triangle : -1;
}

TEST(FloretsOnSolids, LobesReadTheNetWhereTheirPointsFall) {
    for (const FloretCase& c : kFloretsOnSolids) {
        if (!c.renders) continue;
        SCOPED_TRACE(c.mode);
        Net net(c.mode);
        ASSERT_TRUE(net.poly && net.store);
        ASSERT_EQ(net.poly->status, kPolyStatusGood);
        gNet = &net;
        const WarpyBasis& B = net.basis;
        int hits = 0, checked = 0, turned = 0;
        for (double y = -0.5; y <= 0.5; y += 0.02)
            for (double x = -0.5; x <= 0.5; x += 0.02) {
                double qx, qy;
                const int64_t k = net.LobePoint(x, y, &qx, &qy);
                if (k < 0) continue;
                const int64_t want = net.TriangleAt(qx, qy);
                if (want == -2) continue;
                uint8_t miss = 1;
                double d[3];
                gTriangle = -1;
                CopsInTroubleCore(&miss, d, net.store, 0, &B, net.poly.get(), &net.hints, nullptr, x, y, NetTransform);
                ++checked;
                EXPECT_EQ(net.hints.floretRegion, k) << x << " " << y;
                EXPECT_EQ(miss, want == -1 ? 1 : 0) << x << " " << y;
                if (want < 0 || miss) continue;
                ++hits;
                // The triangle found holds the point (one of two where
                // slivers of a strip's end overlap to rounding).
                ASSERT_GE(gTriangle, 0);
                EXPECT_GT(net.LeastWeight(gTriangle, qx, qy), -1e-4) << x << " " << y;
                EXPECT_NEAR(std::hypot(d[0], d[1], d[2]), 1.0, 1e-6);
                // The same point in the next lobe (turned by -360/n degrees
                // about the plane's centre) shows the direction turned about
                // the output's third axis by as much.
                if (k != 0) continue;
                const double be = -2 * M_PI / double(B.lobeCount), cb = std::cos(be), sb = std::sin(be);
                const double x1 = x * cb - y * sb, y1 = x * sb + y * cb;
                double qx1, qy1;
                if (net.LobePoint(x1, y1, &qx1, &qy1) != 1 || net.TriangleAt(qx1, qy1) < 0) continue;
                double d1[3];
                CopsInTroubleCore(&miss, d1, net.store, 0, &B, net.poly.get(), &net.hints, nullptr, x1, y1,
                                  NetTransform);
                ASSERT_EQ(miss, 0);
                EXPECT_NEAR(d1[0], d[0] * cb - d[1] * sb, 2e-5);
                EXPECT_NEAR(d1[1], d[0] * sb + d[1] * cb, 2e-5);
                EXPECT_NEAR(d1[2], d[2], 2e-5);
                ++turned;
            }
        // The lobes find the net, and much of the plane lies off it.
        EXPECT_GT(hits, checked / 50);
        EXPECT_LT(hits, checked);
        EXPECT_GT(turned, 10);
        gNet = nullptr;
    }
}

// Lobe borders: the rays where the lobe index steps, in the plane before the
// pre-turn at angles (k + 1/2) 360/n; both sides show one direction
// wherever both find the net, out to radius `reach`. The number of border
// points looked at.
int LobeBordersAgree(Net& net, double reach) {
    const WarpyBasis& B = net.basis;
    auto at = [&](double x, double y, double d[3]) {
        uint8_t miss = 1;
        CopsInTroubleCore(&miss, d, net.store, 0, &B, net.poly.get(), &net.hints, nullptr, x, y, NetTransform);
        return miss == 0;
    };
    const double n = double(B.lobeCount), pre = std::atan2(B.preTurnSin, B.preTurnCos);
    int borders = 0;
    for (int k = 0; k < B.lobeCount; ++k)
        for (double r = 0.01; r < reach; r += 0.01) {
            const double a = (k + 0.5) * 2 * M_PI / n - pre, e = 1e-7;
            double d0[3], d1[3];
            if (!at(r * std::cos(a - e), r * std::sin(a - e), d0) || !at(r * std::cos(a + e), r * std::sin(a + e), d1))
                continue;
            ++borders;
            EXPECT_LT(std::hypot(d0[0] - d1[0], d0[1] - d1[1], d0[2] - d1[2]), 1e-4) << k << " " << r;
        }
    return borders;
}

// The trizag's lobes reach past the net's outline on its canvas and the
// crosses open the hemisphere they show after the floret (the sample road's
// lune of 1/2): their lobes meet without a jump all the same, out past the
// canvas.
TEST(FloretsOnSolids, CubeFloretsJoinTheirLobes) {
    for (int64_t mode : {155, 351, 352}) {
        SCOPED_TRACE(mode);
        Net net(mode);
        ASSERT_TRUE(net.poly && net.store);
        ASSERT_EQ(net.poly->status, kPolyStatusGood);
        gNet = &net;
        EXPECT_GT(LobeBordersAgree(net, 1.0), 10 * net.basis.lobeCount);
        gNet = nullptr;
    }
}

// The florets whose basis is a designed net showing the whole sphere inside
// their canvas (the crosses open their hemisphere after the floret): the lobes meet without a jump along their
// borders, and the sphere is shown once (a grid of directions is met by the
// lobes' samples, and no direction by samples far apart in the plane, away
// from the outline, where the outline's edges are glued in pairs).
TEST(FloretsOnSolids, WholeSphereFloretsJoinTheirLobesAndShowTheSphereOnce) {
    for (int64_t mode : {152, 153, 154, 385, 386, 387, 145, 302, 303, 162, 156, 157, 158, 163}) {
        SCOPED_TRACE(mode);
        Net net(mode);
        ASSERT_TRUE(net.poly && net.store);
        ASSERT_EQ(net.poly->status, kPolyStatusGood);
        gNet = &net;
        const WarpyBasis& B = net.basis;
        auto at = [&](double x, double y, double d[3]) {
            uint8_t miss = 1;
            CopsInTroubleCore(&miss, d, net.store, 0, &B, net.poly.get(), &net.hints, nullptr, x, y, NetTransform);
            return miss == 0;
        };
        EXPECT_GT(LobeBordersAgree(net, 0.7), 10 * B.lobeCount);
        // Samples of the plane on a grid of step h.
        constexpr int m = 261;
        const double h = 1.1 / (m - 1);
        std::vector<std::array<double, 3>> dir(m * m);
        std::vector<uint8_t> hit(m * m);
        for (int j = 0; j < m; ++j)
            for (int i = 0; i < m; ++i) hit[j * m + i] = at(-0.55 + i * h, -0.55 + j * h, dir[j * m + i].data());
        // Deep inside: every sample within 4 steps finds the net.
        std::vector<uint8_t> deep(m * m);
        for (int j = 4; j < m - 4; ++j)
            for (int i = 4; i < m - 4; ++i) {
                bool all = true;
                for (int v = -4; v <= 4 && all; ++v)
                    for (int u = -4; u <= 4 && all; ++u) all = hit[(j + v) * m + i + u];
                deep[j * m + i] = all;
            }
        struct Seen {
            int i, j;
            bool deep;
            std::array<double, 3> d;
        };
        std::vector<Seen> seen;
        for (int j = 0; j < m; ++j)
            for (int i = 0; i < m; ++i)
                if (hit[j * m + i]) seen.push_back({i, j, deep[j * m + i] != 0, dir[j * m + i]});
        double centre[3];
        ASSERT_TRUE(at(0, 0, centre));
        int unseen = 0, twice = 0;
        const int directions = 900;
        for (int q = 0; q < directions; ++q) {
            const double z = 1.0 - (2.0 * q + 1.0) / directions, r = std::sqrt(1.0 - z * z), a = q * 2.399963229728653;
            const double d[3] = {r * std::cos(a), r * std::sin(a), z};
            double nearest = 1e9;
            int fi = -1, fj = -1;
            bool apart = false;
            for (const Seen& e : seen) {
                const double gap = std::hypot(e.d[0] - d[0], e.d[1] - d[1], e.d[2] - d[2]);
                nearest = std::fmin(nearest, gap);
                if (gap > 0.01 || !e.deep) continue;
                if (fi < 0) fi = e.i, fj = e.j;
                else if (std::hypot(e.i - fi, e.j - fj) > 12) apart = true;
            }
            // Every lobe opens its lune about the direction at the plane's
            // centre: the far pole of that lune is shared by the lobes'
            // outer ends, where the lune's power spreads the grid over tens
            // of degrees; the grid is read up to 35 degrees from it.
            const double far = std::acos(std::clamp(-(d[0] * centre[0] + d[1] * centre[1] + d[2] * centre[2]), -1.0, 1.0));
            unseen += far > 0.61 && nearest > 0.05;
            twice += apart;
        }
        EXPECT_EQ(unseen, 0);
        EXPECT_EQ(twice, 0);
        gNet = nullptr;
    }
}

// Every floret that renders is drawn the right way round, as the plain
// circle floret of mode 110 and every map are: the directions at a point's
// right and lower neighbours turn about the outward direction the one way
// (a mirrored floret, such as one whose basis directions went through a
// reflection, turns the other). Sampled over the mode's canvas; points
// where a neighbour falls across a seam or off the figure are let pass.
TEST(FloretsOnSolids, EveryFloretKeepsTheHandednessOfTheMaps) {
    int florets = 0;
    for (int64_t mode = 1; mode <= 1050; ++mode) {
        if (!IsProjectionAFloret(mode) || !OutputModeIsRenderable(mode)) continue;
        SCOPED_TRACE(mode);
        ++florets;
        Net net(mode);
        ASSERT_TRUE(net.poly && net.store);
        for (int64_t tag : {kCacheTagPeirce, kCacheTagSphereCube}) ASSERT_TRUE(PrepareProjectionCache(net.store, tag));
        gNet = &net;
        const WarpyBasis& B = net.basis;
        const bool onSolid = IsFloretWithPolyhedronBasis(mode);
        auto at = [&](double x, double y, double d[3]) {
            uint8_t miss = 1;
            CopsInTroubleCore(&miss, d, net.store, 0, &B, onSolid ? net.poly.get() : nullptr, &net.hints, nullptr, x,
                              y, onSolid ? NetTransform : nullptr);
            return miss == 0;
        };
        const double x0 = B.centreX * 0.001 - 0.5, x1 = B.canvasWidth * 0.001 - 0.5;
        const double y0 = B.centreY * 0.001 - 0.5, y1 = B.canvasHeight * 0.001 - 0.5;
        int right = 0, wrong = 0;
        constexpr int m = 40;
        constexpr double e = 1e-5;
        for (int j = 0; j < m; ++j)
            for (int i = 0; i < m; ++i) {
                const double x = x0 + (x1 - x0) * (i + 0.5) / m, y = y0 + (y1 - y0) * (j + 0.5) / m;
                double d[3], dx[3], dy[3];
                if (!at(x, y, d) || !at(x + e, y, dx) || !at(x, y + e, dy)) continue;
                double a[3], b[3];
                for (int c = 0; c < 3; ++c) a[c] = dx[c] - d[c], b[c] = dy[c] - d[c];
                const double la = std::hypot(a[0], a[1], a[2]), lb = std::hypot(b[0], b[1], b[2]);
                if (la > 1e-3 || lb > 1e-3) continue;  // across a seam
                const double turn = ((a[1] * b[2] - a[2] * b[1]) * d[0] + (a[2] * b[0] - a[0] * b[2]) * d[1] +
                                     (a[0] * b[1] - a[1] * b[0]) * d[2]) / (la * lb);
                if (std::fabs(turn) < 1e-3) continue;  // a fold or pole
                (turn > 0 ? right : wrong)++;
            }
        EXPECT_GT(right, 100);
        EXPECT_LE(wrong, right / 100);
        gNet = nullptr;
    }
    EXPECT_GE(florets, 40);
}

// The florets on solids that show the whole sphere draw all of it inside
// their canvas (the row's centre and canvas): no sample on the canvas's
// edge finds the figure, and the figure reaches within a few percent of
// the edge on some side (it is not drawn needlessly small).
TEST(FloretsOnSolids, WholeSphereFloretsStayInsideTheirCanvas) {
    for (int64_t mode : {145, 152, 153, 154, 155, 156, 157, 158, 161, 162, 163, 247, 302, 303, 385, 386, 387, 392, 393}) {
        SCOPED_TRACE(mode);
        Net net(mode);
        ASSERT_TRUE(net.poly && net.store);
        gNet = &net;
        const WarpyBasis& B = net.basis;
        auto at = [&](double x, double y) {
            uint8_t miss = 1;
            double d[3];
            CopsInTroubleCore(&miss, d, net.store, 0, &B, net.poly.get(), &net.hints, nullptr, x, y, NetTransform);
            return miss == 0;
        };
        const double x0 = B.centreX * 0.001 - 0.5, x1 = B.canvasWidth * 0.001 - 0.5;
        const double y0 = B.centreY * 0.001 - 0.5, y1 = B.canvasHeight * 0.001 - 0.5;
        constexpr int m = 400;
        int onEdge = 0, nearEdge = 0;
        for (int i = 0; i <= m; ++i) {
            const double f = double(i) / m, x = x0 + (x1 - x0) * f, y = y0 + (y1 - y0) * f;
            onEdge += at(x, y0) + at(x, y1) + at(x0, y) + at(x1, y);
            const double g = 0.97;  // the canvas shrunk by 3 percent about the plane's centre
            nearEdge += at(g * x, g * y0) + at(g * x, g * y1) + at(g * x0, g * y) + at(g * x1, g * y);
        }
        EXPECT_EQ(onEdge, 0);
        // The triad's grown net comes out smaller than its canvas, and a
        // figure is only ever made smaller.
        if (mode != 393) EXPECT_GT(nearEdge, 0);
        gNet = nullptr;
    }
}

}  // namespace
