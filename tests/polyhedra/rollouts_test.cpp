// Sphericon rollouts: every code a closed solid on the unit sphere with the
// face counts of its profile, its volume and area those of the 60-step
// polygonal solid of revolution of its polygon worked out here in closed form.
#include <gtest/gtest.h>

#include <cmath>

#include "poly_fixture.h"
#include "polyhedra/poly_store.h"
#include "polyhedra/rollouts.h"
#include "solids/shape_dispatch.h"
#include "solid_checks.h"

namespace {

using namespace solid_checks;

const double kPi = 3.14159265358979323846;

// The corners of every polygon a sphericon turns: a regular n-gon on the
// unit circle, counter-clockwise, one corner on top when it stands on a
// vertex (and an edge on top otherwise); high_P is the last corner on the
// left going down from the top.
TEST(Rollouts, PolygonCorners) {
    for (int64_t n = 3; n <= 12; ++n)
        for (int vertexUp : {0, 1}) {
            SCOPED_TRACE(testing::Message() << n << "-gon, vertex up " << vertexUp);
            triplex c[12];
            for (int64_t i = 0; i < n; ++i) GetPolygonPoint(i, n, &c[i], vertexUp);
            for (int64_t i = 0; i < n; ++i) {
                const triplex& a = c[i];
                const triplex& b = c[(i + 1) % n];
                EXPECT_NEAR(a.x * a.x + a.y * a.y, 1.0, 1e-6);
                EXPECT_EQ(a.z, 0.0);
                // The next corner a step of 2π/n on, counter-clockwise.
                EXPECT_NEAR(std::atan2(a.x * b.y - a.y * b.x, a.x * b.x + a.y * b.y), 2 * kPi / n, 1e-6);
            }
            const bool onVertex = vertexUp || n % 2 == 1;
            if (onVertex) {
                EXPECT_NEAR(c[0].x, 0.0, 1e-6);
                EXPECT_NEAR(c[0].y, 1.0, 1e-6);
            } else {
                // The top edge's ends mirror each other, corner 0 on the left.
                EXPECT_LT(c[0].x, 0.0);
                EXPECT_NEAR(c[0].x, -c[n - 1].x, 1e-6);
                EXPECT_NEAR(c[0].y, c[n - 1].y, 1e-6);
            }
            const int64_t h = high_P(n);
            for (int64_t i = 1; i <= h; ++i) EXPECT_LT(c[i].x, -1e-6) << i;
            EXPECT_GT(c[h + 1].x, -1e-6);
        }
}

// The 60-step solid of revolution of the regular n-gon: each height's
// section is a regular 60-gon of the polygon's half-width r(y).
struct Revolution {
    double volume = 0, area = 0;
};
Revolution OfPolygon(int64_t n, bool vertexUp) {
    const double d = 2 * kPi / 60;
    Revolution r;
    for (int64_t j = 0; j < n; ++j) {
        const double a = 2 * kPi * ((j + (vertexUp || n % 2 ? 0.0 : 0.5)) / n + 0.25);
        const double b = 2 * kPi * ((j + 1 + (vertexUp || n % 2 ? 0.0 : 0.5)) / n + 0.25);
        const double x1 = std::cos(a), y1 = std::sin(a), x2 = std::cos(b), y2 = std::sin(b);
        const double r1 = -x1, r2 = -x2, dy = std::fabs(y2 - y1);
        if (dy < 1e-12) {
            r.area += 30 * r1 * r1 * std::sin(d);  // a flat cap
            continue;
        }
        if (x1 > 1e-12 || x2 > 1e-12) continue;  // the right side
        r.volume += 30 * std::sin(d) * dy * (r1 * r1 + r1 * r2 + r2 * r2) / 3;
        r.area += 60 * (r1 + r2) * std::sin(d / 2) * std::sqrt(dy * dy + std::pow((r1 - r2) * std::cos(d / 2), 2));
    }
    return r;
}

double Area(const polyhedron* p) {
    double area = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 1; k + 1 < p->face3D[f].count; ++k)
            area += Len(Cross(Tsub(V(p, f, k), V(p, f, 0)), Tsub(V(p, f, k + 1), V(p, f, 0)))) / 2;
    return area;
}

// Faces of one half: caps of 29 triangles for a flat top or bottom, 30
// triangles at a corner on the axis, 30 quadrilaterals per band.
int64_t HalfFaces(int64_t n, bool vertexUp) {
    const bool edgeUp = n % 2 == 0 && !vertexUp;
    const int64_t m = edgeUp ? n / 2 - 1 : high_P(n);
    const int64_t top = edgeUp ? 29 : 30, bands = edgeUp ? m : m - 1, bottom = n % 2 == 0 && !edgeUp ? 30 : 29;
    return top + 30 * bands + bottom;
}

TEST(Rollouts, EveryCodeIsClosedOnTheSphereWithTheVolumeOfItsRevolution) {
    for (int64_t code = 111; code <= 158; ++code) {
        RolloutForm form;
        ASSERT_TRUE(RolloutOfShapecode(code, &form));
        ASSERT_TRUE(ShapecodeCanBeBuilt(code));
        PolyPtr p = BuildSolid(code);
        ASSERT_TRUE(p);
        const std::string what = "code " + std::to_string(code);
        ASSERT_EQ(p->status, kPolyStatusGood) << what;
        ExpectClosedAndOriented(p.get(), what);
        for (int64_t v = 0; v < p->vertexCount3D; ++v) EXPECT_NEAR(Len(p->coords3D[v]), 1, 1e-6) << what;
        const bool up = form.vertexUp != 0;
        const int64_t faces = form.halfStep ? HalfFaces(form.n, false) + HalfFaces(form.n, true)
                                            : 2 * HalfFaces(form.n, up);
        EXPECT_EQ(p->faceCount3D, faces) << what;
        // The two halves are congruent halves of solids of revolution, so the
        // twist changes neither volume nor area.
        const Revolution a = OfPolygon(form.n, form.halfStep ? false : up), b = OfPolygon(form.n, form.halfStep || up);
        EXPECT_NEAR(SignedVolume(p.get()), (a.volume + b.volume) / 2, 1e-5) << what;
        EXPECT_NEAR(Area(p.get()), (a.area + b.area) / 2, 1e-5) << what;
        // Circles of the sweep never join: edge 1 of every face, edge 3 of a band's quadrilateral.
        for (int64_t f = 0; f < p->faceCount3D; ++f) {
            EXPECT_TRUE(p->face3D[f].edgeFlags[1] & kEdgeCut) << what << " face " << f;
            if (p->face3D[f].count == 4) EXPECT_TRUE(p->face3D[f].edgeFlags[3] & kEdgeCut) << what;
        }
    }
    // Code 149 is "sphericon 8/1/H", not a second 8/0/H.
    RolloutForm f148, f149;
    ASSERT_TRUE(RolloutOfShapecode(148, &f148) && RolloutOfShapecode(149, &f149));
    EXPECT_EQ(f148.k, 0);
    EXPECT_EQ(f149.k, 1);
    EXPECT_FALSE(RolloutOfShapecode(110, &f148) || RolloutOfShapecode(159, &f148));
}

TEST(Rollouts, Sphericon41) {
    PolyPtr p = BuildSolid(114);  // n = 4, k = 1, edge up
    ASSERT_TRUE(p);
    int triangles = 0, quads = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f) (p->face3D[f].count == 3 ? triangles : quads) += 1;
    EXPECT_EQ(triangles, 4 * 29);
    EXPECT_EQ(quads, 2 * 30);
    ExpectAdmeshClosed(p.get(), "sphericon 4/1");
    // Without a twist every rim vertex is shared and the solid is one of revolution:
    // each vertex's mirror across the y axis is a vertex too.
    PolyPtr plain = BuildSolid(113);
    ASSERT_TRUE(plain);
    for (int64_t v = 0; v < plain->vertexCount3D; ++v) {
        const triplex q = plain->coords3D[v];
        EXPECT_GE(AnyCloseMatch3D_comparison(plain.get(), triplex{-q.x, q.y, -q.z}, 1e-6), 0) << v;
    }
}

// A store that fills up mid-build counts to 12,845, then says so with
// status 5: no vertex already in use moves and no face takes a missing one.
TEST(Rollouts, AFullVertexStoreStopsAtItsCapacity) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    ASSERT_TRUE(getPolyStorageEtc(p.get()));
    for (int64_t v = 0; v < kMax3DVertices - 40; ++v)
        ASSERT_EQ(AddNew3DDVertToPolyhedron(p.get(), triplex{10.0 + 0.01 * double(v), 5, 5}), v);
    const triplex last = p->coords3D[kMax3DVertices - 41];
    BuildRollout_core(p.get(), 0, 6, 1, 0, 1, 0);
    EXPECT_EQ(p->status, kPolyStatus3DVertexTableFull);
    EXPECT_EQ(p->vertexCount3D, kMax3DVertices);
    EXPECT_EQ(Len(Tsub(p->coords3D[kMax3DVertices - 41], last)), 0);
    EXPECT_GT(p->faceCount3D, 0);
    EXPECT_LT(p->faceCount3D, HalfFaces(6, false));
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 0; k < p->face3D[f].count; ++k) {
            EXPECT_GE(p->face3D[f].vertex[k], kMax3DVertices - 40);
            EXPECT_LT(p->face3D[f].vertex[k], kMax3DVertices);
        }
}

}  // namespace
