// The secondary quincuncial warp on a hand-built two-piece record: each
// piece's diamond shows one hemisphere, the two rims show the same equator at
// equal lengths along both, and samples that hit no face or lie on another
// solid keep their direction. Then on the two-sided squares the builders
// make: the two sheets' maps meet along every seam of the folded solid.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "nets/net_queries.h"
#include "polyhedra/poly_storage.h"
#include "projections/caches.h"
#include "projections/secondary_warp.h"
#include "projections/simplex.h"
#include "records/renderhinttype.h"
#include "solids/origami.h"
#include "solids/poly_setup.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

struct Rig {
    polyhedron* poly = NewPolyhedron(0.5f, 0.0f);
    ProjectionCacheStore* store = NewProjectionCacheStore();
    renderhinttype hint{};
    Rig() {
        PrefillProjectionCachesForMode(store, 94);
        InitPolyHints(&hint);
        poly->shapeCode = 190;
        // Net triangle k shows net face k, which shows solid face k.
        poly->faceCount3D = poly->netFaceCount = poly->netTriangleCount = 2;
        for (int k = 0; k < 2; ++k) {
            poly->netTriangle[k].netFace = int16_t(k);
            poly->netFace[k].face3D = k;
            poly->face3D[k].faceTag = int16_t(k + 1);
        }
        // The tag-1 triangle on the left of the picture, the tag-2 one its
        // mirror image on the right; corners in slot order.
        const float at[6][2] = {{0.10f, 0.5f}, {0.35f, 0.25f}, {0.35f, 0.75f},
                                {0.90f, 0.5f}, {0.65f, 0.25f}, {0.65f, 0.75f}};
        for (int v = 0; v < 6; ++v) poly->netVertex[v].x = at[v][0], poly->netVertex[v].y = at[v][1];
        for (int k = 0; k < 3; ++k) poly->wedgeNetVertex[k] = k, poly->wedgeNetVertex[3 + k] = 3 + k;
    }
    ~Rig() {
        FreePolyhedron(&poly);
        DisposeProjectionCacheStore(&store);
    }
    // The picture point of Peirce point (X, Y) in piece `piece`'s frame.
    void Place(int piece, double X, double Y, double* u, double* v) const {
        const double w[3] = {-X, (1 + X + Y) / 2, (1 + X - Y) / 2};
        *u = *v = 0;
        for (int k = 0; k < 3; ++k) {
            const PolyNetVertex& q = poly->netVertex[poly->wedgeNetVertex[3 * piece + k]];
            *u += w[k] * q.x, *v += w[k] * q.y;
        }
    }
    // The warped direction of a sample on face `face` at (u, v).
    bool Warp(int64_t face, double u, double v, float d[3]) {
        hint.faceFound = 1;
        hint.triangle = face;
        d[0] = 9, d[1] = 9, d[2] = 9;
        unsigned char outside = 0;
        MaybeSecondaryWarp(d, poly, &outside, &hint, ProjectionCache(store, kCacheTagPeirce), u, v);
        return outside == 0;
    }
};

TEST(SecondaryWarp, EachPieceShowsAHemisphereAndTheRimsShowOneEquator) {
    Rig r;
    std::mt19937 rng(190);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < 2000; ++i) {
        double X = unit(rng), Y = unit(rng);
        if (std::fabs(X) + std::fabs(Y) > 1) continue;
        for (int piece : {0, 1}) {
            double u, v;
            r.Place(piece, X, Y, &u, &v);
            float d[3];
            ASSERT_TRUE(r.Warp(piece, u, v, d));
            EXPECT_NEAR(std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]), 1.0, 1e-5);
            if (piece == 0) EXPECT_GE(d[1], -1e-4) << X << ", " << Y;
            else EXPECT_LE(d[1], 1e-4) << X << ", " << Y;
        }
    }
    // Along the rims: the point at Peirce (X, Y) of the first piece and at
    // (-X, Y) of the second show the same direction on the equator, and
    // equal steps along one rim are equal steps along the other.
    double lastA[2] = {0, 0}, lastB[2] = {0, 0};
    for (int i = 0; i <= 400; ++i) {
        const double t = i / 400.0 * 4.0;  // once round the diamond
        const int side = std::min(int(t), 3);
        const double f = t - side;
        const double corners[5][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 0}};
        const double X = corners[side][0] + f * (corners[side + 1][0] - corners[side][0]);
        const double Y = corners[side][1] + f * (corners[side + 1][1] - corners[side][1]);
        double ua, va, ub, vb;
        r.Place(0, X, Y, &ua, &va);
        r.Place(1, -X, Y, &ub, &vb);
        float a[3], b[3];
        ASSERT_TRUE(r.Warp(0, ua, va, a));
        ASSERT_TRUE(r.Warp(1, ub, vb, b));
        EXPECT_NEAR(a[1], 0.0, 2e-3);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(a[k], b[k], 2e-3) << "rim point " << i;
        if (i > 0) EXPECT_NEAR(std::hypot(ua - lastA[0], va - lastA[1]), std::hypot(ub - lastB[0], vb - lastB[1]), 1e-9);
        lastA[0] = ua, lastA[1] = va, lastB[0] = ub, lastB[1] = vb;
    }
    // The corners of the first triangle: the centre of the diamond is the
    // north pole, corner 1 lies on -x, corners 2 and 3 on +z and -z.
    const double expect[4][5] = {{0, 0, 0, 1, 0}, {-1, 0, -1, 0, 0}, {0, 1, 0, 0, 1}, {0, -1, 0, 0, -1}};
    for (const auto& e : expect) {
        double u, v;
        r.Place(0, e[0], e[1], &u, &v);
        float d[3];
        ASSERT_TRUE(r.Warp(0, u, v, d));
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(d[k], e[2 + k], 1e-3);
    }
}

TEST(SecondaryWarp, OnlyFaceHitsOnItsSolidsAreWarped) {
    Rig r;
    const float before[3] = {0.6f, 0.0f, 0.8f};
    unsigned char outside = 0;
    float d[3];
    auto run = [&]() {
        for (int k = 0; k < 3; ++k) d[k] = before[k];
        MaybeSecondaryWarp(d, r.poly, &outside, &r.hint, ProjectionCache(r.store, kCacheTagPeirce), 0.3, 0.5);
    };
    r.hint.triangle = 0;
    r.hint.faceFound = 0;
    run();
    for (int k = 0; k < 3; ++k) EXPECT_EQ(d[k], before[k]);
    r.hint.faceFound = 1;
    for (int64_t code : {18, 191, 2}) {
        r.poly->shapeCode = code;
        run();
        for (int k = 0; k < 3; ++k) EXPECT_EQ(d[k], before[k]) << code;
    }
    for (int64_t code : {190, 192, 194, 196}) {
        r.poly->shapeCode = code;
        run();
        EXPECT_NE(d[0], before[0]) << code;
    }
    EXPECT_EQ(outside, 0);
    // A slot of -1 is the net point (0, 0); three of them make no triangle.
    for (int k = 0; k < 3; ++k) r.poly->wedgeNetVertex[k] = -1;
    run();
    EXPECT_EQ(outside, 1);
}

// The boxes whose sheets are mapped by the warp, as the set-up builds them
// with their nets: the two sheets, found by their face tags, show the same
// direction wherever their paper meets along a seam (the four sides of the
// square, folded onto one another), one sheet's centre shows a pole and the
// other's the opposite pole.
TEST(SecondaryWarp, TheBoxesSheetsMeetAlongEverySeam) {
    SetOrigamiHingeSearch(SimplexHingeSearch);
    ProjectionCacheStore* store = NewProjectionCacheStore();
    PrefillProjectionCachesForMode(store, 94);
    for (int64_t code : {190, 192, 194, 196}) {
        SCOPED_TRACE(code);
        PolyPtr p = MakePoly();
        ASSERT_TRUE(p);
        SetUpReallyGeneralPolyhedron(p.get(), code, 2, 0, 0, nullptr, 1, 0.0f);
        ASSERT_GT(p->netFaceCount, 0);
        for (int64_t v : p->wedgeNetVertex) ASSERT_GE(v, 0);
        // The net corner of solid vertex c on the sheet of face tag t, and a
        // net triangle of that sheet.
        auto corner = [&](int64_t c, int t) -> triplex {
            for (int64_t n = 0; n < p->netFaceCount; ++n) {
                if (p->face3D[p->netFace[n].face3D].faceTag != t) continue;
                for (int64_t k = 0; k < p->netFace[n].count; ++k)
                    if (Vert_Index_2D_to_3D(p.get(), p->netFace[n].vertex[k]) == c) {
                        const PolyNetVertex& q = p->netVertex[p->netFace[n].vertex[k]];
                        return {q.x, q.y, 0};
                    }
            }
            ADD_FAILURE() << "no net corner " << c << " on sheet " << t;
            return {0, 0, 0};
        };
        auto triangleOf = [&](int t) -> int64_t {
            for (int64_t k = 0; k < p->netTriangleCount; ++k)
                if (p->face3D[p->netFace[p->netTriangle[k].netFace].face3D].faceTag == t) return k;
            return -1;
        };
        renderhinttype hint{};
        InitPolyHints(&hint);
        hint.faceFound = 1;
        auto warp = [&](int t, triplex at, float d[3]) {
            hint.triangle = triangleOf(t);
            ASSERT_GE(hint.triangle, 0);
            unsigned char outside = 0;
            MaybeSecondaryWarp(d, p.get(), &outside, &hint, ProjectionCache(store, kCacheTagPeirce), at.x, at.y);
            ASSERT_EQ(outside, 0);
        };
        // The square's corners in turn: entries 0, 1, 3 of sheet 1 and 3 of
        // sheet 2 are corners 0, 1, 3 and 2.
        const int64_t c[4] = {p->wedgeVertex[0], p->wedgeVertex[1], p->wedgeVertex[3], p->wedgeVertex[2]};
        float pole[2][3];
        for (int t : {1, 2}) {
            const triplex centre = Tscale(Tadd(corner(c[0], t), corner(c[2], t)), 0.5);
            warp(t, centre, pole[t - 1]);
            EXPECT_NEAR(std::fabs(pole[t - 1][1]), 1.0, 1e-3);
        }
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(pole[0][k], -pole[1][k], 1e-3);
        for (int side = 0; side < 4; ++side)
            for (double f = 0.0625; f < 1.0; f += 0.125) {  // corners may round off the map
                float a[3], b[3];
                const triplex a0 = corner(c[side], 1), a1 = corner(c[(side + 1) % 4], 1);
                const triplex b0 = corner(c[side], 2), b1 = corner(c[(side + 1) % 4], 2);
                warp(1, Tadd(a0, Tscale(Tsub(a1, a0), f)), a);
                warp(2, Tadd(b0, Tscale(Tsub(b1, b0), f)), b);
                EXPECT_NEAR(a[1], 0.0, 2e-3) << side << " " << f;
                for (int k = 0; k < 3; ++k) EXPECT_NEAR(a[k], b[k], 2e-3) << side << " " << f;
            }
    }
    DisposeProjectionCacheStore(&store);
}

// Each sheet shows the sphere the same way round as the folded solid under
// it does (the square and squircle boxes A, drawn straight from the solid):
// a small triangle turning counter-clockwise in the net turns the same way
// on the sphere seen from outside under the warp as under the solid, so the
// continents do not read backwards. Near the sheets' centres, where the
// solid's own picture stands clear of its folds.
TEST(SecondaryWarp, SheetsShowTheSphereTheWayRoundTheSolidDoes) {
    SetOrigamiHingeSearch(SimplexHingeSearch);
    ProjectionCacheStore* store = NewProjectionCacheStore();
    PrefillProjectionCachesForMode(store, 94);
    for (int64_t code : {190, 194}) {
        SCOPED_TRACE(code);
        PolyPtr p = MakePoly();
        ASSERT_TRUE(p);
        SetUpReallyGeneralPolyhedron(p.get(), code, 2, 0, 0, nullptr, 1, 0.0f);
        renderhinttype hint{};
        InitPolyHints(&hint);
        hint.faceFound = 1;
        for (int t : {1, 2}) {
            // The sheet's centre: the middle of its net corners' box.
            double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
            for (int64_t n = 0; n < p->netFaceCount; ++n) {
                if (p->face3D[p->netFace[n].face3D].faceTag != t) continue;
                for (int64_t k = 0; k < p->netFace[n].count; ++k) {
                    const PolyNetVertex& q = p->netVertex[p->netFace[n].vertex[k]];
                    lo[0] = std::min(lo[0], double(q.x)), hi[0] = std::max(hi[0], double(q.x));
                    lo[1] = std::min(lo[1], double(q.y)), hi[1] = std::max(hi[1], double(q.y));
                }
            }
            const double cx = (lo[0] + hi[0]) / 2, cy = (lo[1] + hi[1]) / 2, r = 0.02 * (hi[0] - lo[0]);
            // The solid's direction at a net point: its net triangle's corners
            // carried to the solid.
            auto solidAt = [&](double x, double y) -> triplex {
                for (int64_t k = 0; k < p->netTriangleCount; ++k) {
                    const PolyNetTriangle& tri = p->netTriangle[k];
                    if (tri.isTab || p->face3D[p->netFace[tri.netFace].face3D].faceTag != t) continue;
                    const PolyNetVertex &a = p->netVertex[tri.vertex[0]], &b = p->netVertex[tri.vertex[1]],
                                        &c = p->netVertex[tri.vertex[2]];
                    const double D = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
                    const double wb = ((x - a.x) * (c.y - a.y) - (y - a.y) * (c.x - a.x)) / D;
                    const double wc = ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x)) / D;
                    if (wb < 0 || wc < 0 || wb + wc > 1) continue;
                    const triplex A = p->coords3D[Vert_Index_2D_to_3D(p.get(), tri.vertex[0])];
                    const triplex B = p->coords3D[Vert_Index_2D_to_3D(p.get(), tri.vertex[1])];
                    const triplex C = p->coords3D[Vert_Index_2D_to_3D(p.get(), tri.vertex[2])];
                    return Tnormalize(Tadd(Tscale(A, 1 - wb - wc), Tadd(Tscale(B, wb), Tscale(C, wc))));
                }
                ADD_FAILURE() << "no net triangle under the point";
                return {0, 0, 1};
            };
            auto warpAt = [&](double x, double y) -> triplex {
                for (int64_t k = 0; k < p->netTriangleCount; ++k)
                    if (p->face3D[p->netFace[p->netTriangle[k].netFace].face3D].faceTag == t) hint.triangle = k;
                float d[3] = {0, 0, 0};
                unsigned char outside = 0;
                MaybeSecondaryWarp(d, p.get(), &outside, &hint, ProjectionCache(store, kCacheTagPeirce), x, y);
                EXPECT_EQ(outside, 0);
                return {d[0], d[1], d[2]};
            };
            for (int turn = 0; turn < 8; ++turn) {
                const double a = turn * 0.785, x0 = cx + r * std::cos(a), y0 = cy + r * std::sin(a);
                const double pts[3][2] = {{x0, y0}, {x0 + r, y0}, {x0, y0 + r}};  // counter-clockwise in the net
                triplex s[3], w[3];
                for (int k = 0; k < 3; ++k) s[k] = solidAt(pts[k][0], pts[k][1]), w[k] = warpAt(pts[k][0], pts[k][1]);
                const double bySolid = Tdot_product(s[0], Tcross_product(s[1], s[2]));
                const double byWarp = Tdot_product(w[0], Tcross_product(w[1], w[2]));
                EXPECT_GT(bySolid * byWarp, 0.0) << "sheet " << t << " turn " << turn;
            }
        }
    }
    DisposeProjectionCacheStore(&store);
}

}  // namespace
