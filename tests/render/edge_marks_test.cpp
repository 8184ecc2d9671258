// Dashed concave edges on a hand-built net.
#include <gtest/gtest.h>

#include <cmath>

#include "nets/net_triangles.h"
#include "records/vort.h"
#include "render/edge_marks.h"
#include "render/reply_grid.h"
#include "tests/nets/hand_net.h"
#include "tests/render/grid_rig.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The dash profile written out: 12-pixel period, one pixel up, four on, one
// down, six off, as a function of the distance along the dash.
float Profile(double s) {
    const double t = s / 12.0, p = (t - std::floor(t)) * 12.0;
    return float(std::clamp(p <= 3.0 ? p : 6.0 - p, 0.0, 1.0));
}

// One net face, the quadrilateral (0,0) (4,0) (6,4) (0,4), cut into its
// triangles, showing 3D face 0 whose edge `concave` is concave (the others
// convex). The render context draws that net.
struct ConcaveRig {
    PolyPtr poly = MakeEmptyNet();
    GridRig grid;
    explicit ConcaveRig(int concave) {
        polyhedron* p = poly.get();
        const int64_t f = AddHandFace(p, {{0, 0}, {4, 0}, {6, 4}, {0, 4}}, 0);
        p->faceCount3D = 1;
        p->face3D[0] = p->blankFace3D;
        p->face3D[0].count = 4;
        for (int k = 0; k < 4; ++k) p->face3D[0].edgeKind[k] = k == concave ? 3 : 2;
        EarClip(f, p);
        p->netBuilt = 1;
        p->hasConcaveEdge = 1;
        vort* c = grid.c();
        c->polyhedral = 1;
        c->outputPolyhedron = p;
    }
    // Marks pixel (x, y) from a sample at net point (nx, ny) of net face 0.
    void Notice(double nx, double ny, int64_t x = 14, int64_t y = 24, int32_t face = 0) {
        TransformationReply r = MakeTemplateReply();
        r.faceTag = face;
        r.netPosition[0] = float(nx);
        r.netPosition[1] = float(ny);
        notice_concave_edges_new(&r, grid.c(), x, y);
    }
    float Mask(int64_t x, int64_t y) { return GetReply_edgemask(x, y, grid.c()); }
    bool Untouched() {
        for (const MirelYummy& m : grid.grid)
            if (m.reply.edgeMask != 1.0f) return false;
        return true;
    }
};

}  // namespace

TEST(ConcaveEdges, DashesFollowTheNearestOutlineEdge) {
    // Edge k runs from corner k to corner k + 1 of the face.
    const double corner[4][2] = {{0, 0}, {4, 0}, {6, 4}, {0, 4}};
    struct Case {
        const char* name;
        int concave;
        double nx, ny;
        bool dashed;
    } cases[] = {
        {"next to the concave slanted edge", 1, 4.9, 2.1, true},
        {"next to a convex edge", 1, 2.0, 0.3, false},
        {"next to the concave top edge", 2, 2.0, 3.8, true},
        {"next to the concave left edge", 3, 0.2, 2.0, true},
        {"next to the concave bottom edge", 0, 2.0, 0.1, true},
        // Near the triangles' inner diagonal, which is no outline edge: the
        // nearest outline edge is the concave top one.
        {"by the inner diagonal", 2, 3.0, 3.2, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ConcaveRig rig(k.concave);
        rig.Notice(k.nx, k.ny);
        if (!k.dashed) {
            EXPECT_TRUE(rig.Untouched());
            continue;
        }
        // The dash runs along the edge: the cells take the profile at their
        // position less one pixel, measured along the edge's direction.
        const double* a = corner[k.concave];
        const double* b = corner[(k.concave + 1) % 4];
        const double l = std::hypot(b[0] - a[0], b[1] - a[1]), ux = (b[0] - a[0]) / l, uy = (b[1] - a[1]) / l;
        // Along the edge one way or the other; each edge picks its sense.
        const double sense = std::atan2(uy, ux) > 0 ? -1.0 : 1.0;
        for (int64_t j = 24; j <= 25; ++j)
            for (int64_t i = 14; i <= 15; ++i)
                EXPECT_NEAR(rig.Mask(i, j), Profile(sense * (double(i - 1) * ux + double(j - 1) * uy)), 2e-5)
                    << i << "," << j;
        EXPECT_EQ(rig.Mask(13, 24), 1.0f);
        EXPECT_EQ(rig.Mask(14, 26), 1.0f);
    }
}

TEST(ConcaveEdges, NothingWithoutANetFaceOrAConcaveSolid) {
    struct Case {
        const char* name;
        void (*spoil)(ConcaveRig&);
        int32_t face;
    } cases[] = {
        {"no net built", [](ConcaveRig& r) { r.poly->netBuilt = 0; }, 0},
        {"no concave edge on the solid", [](ConcaveRig& r) { r.poly->hasConcaveEdge = 0; }, 0},
        {"not a polyhedral output", [](ConcaveRig& r) { r.grid.c()->polyhedral = 0; }, 0},
        {"no output solid", [](ConcaveRig& r) { r.grid.c()->outputPolyhedron = nullptr; }, 0},
        {"no net face", [](ConcaveRig&) {}, -1},
        {"a face beyond the net", [](ConcaveRig&) {}, 1},
        {"a glue tab", [](ConcaveRig&) {}, 25290},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ConcaveRig rig(1);
        k.spoil(rig);
        rig.Notice(4.9, 2.1, 14, 24, k.face);
        EXPECT_TRUE(rig.Untouched());
    }
    // A pixel beyond the grid marks nothing; one on its last column marks
    // only the cells that exist.
    ConcaveRig rig(1);
    rig.Notice(4.9, 2.1, 40, 24);
    EXPECT_TRUE(rig.Untouched());
    rig.Notice(4.9, 2.1, 18, 24);
    EXPECT_NE(rig.Mask(18, 24) + rig.Mask(18, 25), 2.0f);
}
