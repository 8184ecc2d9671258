// The finished net is fitted into its target box: the used net vertices,
// with the frame's border, fill the box along one side and are centred along
// the other, moved as one similar figure; the scale is recorded. The table's
// net turn reaches the build: a row with a turn comes out turned by it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "nets/net_layout.h"
#include "polyhedra/poly_queries.h"
#include "polyhedra/poly_store.h"
#include "polyhedra/polyhedron_params.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Bounds {
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
};

Bounds UsedBounds(const polyhedron* p) {
    Bounds b;
    for (int64_t v = 0; v < kMax2DVertices; ++v) {
        if (!p->netVertexUsed[v]) continue;
        b.minX = std::min(b.minX, p->coords2D[v][0]);
        b.maxX = std::max(b.maxX, p->coords2D[v][0]);
        b.minY = std::min(b.minY, p->coords2D[v][1]);
        b.maxY = std::max(b.maxY, p->coords2D[v][1]);
    }
    return b;
}

std::vector<int64_t> UsedVertices(const polyhedron* p) {
    std::vector<int64_t> used;
    for (int64_t v = 0; v < kMax2DVertices; ++v)
        if (p->netVertexUsed[v]) used.push_back(v);
    return used;
}

// The figure is where CramPoints puts it: inside the box, centred, touching
// the box minus the border on the side that binds (no border for a cube
// cross), and every used vertex moved by one scale about one centre.
void ExpectCrammed(const polyhedron* p, const std::vector<std::array<double, 2>>& before, bool bordered,
                   const char* what) {
    const std::vector<int64_t> used = UsedVertices(p);
    ASSERT_EQ(used.size(), before.size()) << what;
    const double A = p->net.firstArgument;
    const Bounds b = UsedBounds(p);
    const double w = b.maxX - b.minX, h = b.maxY - b.minY;
    const double border = bordered ? 0.02 * std::max(w, h) : 0.0;
    EXPECT_NEAR(0.5 * (b.minX + b.maxX), 0.5, 1e-9) << what;
    EXPECT_NEAR(0.5 * (b.minY + b.maxY), 0.5 * A, 1e-9) << what;
    EXPECT_LE(w + 2 * border, 1.0 + 1e-9) << what;
    EXPECT_LE(h + 2 * border, A + 1e-9) << what;
    EXPECT_TRUE(std::fabs(w + 2 * border - 1.0) < 1e-7 || std::fabs(h + 2 * border - A) < 1e-7)
        << what << ": " << w << " x " << h << " in 1 x " << A;
    // One scale, no turn: every vector between two vertices grows by it.
    const double s = p->net.scale;
    for (size_t i = 1; i < used.size(); ++i) {
        const double dx = p->coords2D[used[i]][0] - p->coords2D[used[0]][0];
        const double dy = p->coords2D[used[i]][1] - p->coords2D[used[0]][1];
        EXPECT_NEAR(dx, s * (before[i][0] - before[0][0]), 1e-5) << what << " vertex " << used[i];
        EXPECT_NEAR(dy, s * (before[i][1] - before[0][1]), 1e-5) << what << " vertex " << used[i];
        EXPECT_FLOAT_EQ(p->netVertex[used[i]].x, float(p->coords2D[used[i]][0])) << what;
    }
}

TEST(CramPoints, FitsTheUsedNetWithItsBorderIntoTheTargetBox) {
    struct Case {
        int64_t mode;
        float aspect;
    } cases[] = {{7, 0.5f}, {7, 1.0f}, {7, 2.0f}, {30, 0.5f}, {30, 3.0f}, {172, 0.75f}, {173, 0.5f}};
    for (const Case& c : cases) {
        PolyPtr p = MakePoly();
        ASSERT_TRUE(p);
        HooBoyPolySetup(c.mode, p.get(), 0, 1, 0, nullptr, 1, c.aspect, 0.0f, 0.0f);
        ASSERT_EQ(p->status, kPolyStatusGood) << c.mode;
        // Move the crammed net away: scaled, shifted, one vertex left unused.
        std::vector<std::array<double, 2>> before;
        for (int64_t v : UsedVertices(p.get())) {
            p->coords2D[v][0] = 3.0 * p->coords2D[v][0] + 5.0;
            p->coords2D[v][1] = 3.0 * p->coords2D[v][1] - 2.0;
            before.push_back({p->coords2D[v][0], p->coords2D[v][1]});
        }
        const int64_t spare = FindAFree2DVert(p.get());
        ASSERT_GE(spare, 0);
        p->coords2D[spare][0] = 77.0;
        CramPoints(p.get());
        const std::string what = "mode " + std::to_string(c.mode) + " aspect " + std::to_string(c.aspect);
        ExpectCrammed(p.get(), before, c.mode != 172 && c.mode != 173, what.c_str());
        EXPECT_EQ(p->coords2D[spare][0], 77.0) << what;
        // The faces' boxes and the vertex index follow the vertices.
        for (int64_t f = 0; f < p->netFaceCount; ++f) {
            const PolyNetFace& nf = p->netFace[f];
            for (int64_t k = 0; k < nf.count; ++k) {
                const double* q = p->coords2D[nf.vertex[k]];
                EXPECT_TRUE(q[0] >= nf.minX && q[0] <= nf.maxX && q[1] >= nf.minY && q[1] <= nf.maxY) << what;
            }
        }
        for (int64_t v : UsedVertices(p.get())) {
            // The x index finds every vertex where it now is.
            const SkipList* index = p->vertexIndex2D;
            const double x = p->coords2D[v][0];
            bool indexed = p->legacyNetCollider != 0;
            for (int32_t n = search_skiplist_for_greater_or_equal(index, x); !indexed && n > 0 && index->nodes[n].key <= x;
                 n = index->nodes[n].links[0])
                indexed = index->nodes[n].value == v;
            EXPECT_TRUE(indexed) << what << " " << v;
        }
    }
}

TEST(CramPoints, ANetWithoutExtentStaysWhereItIs) {
    PolyPtr p = BuildSolid(18);  // the cube alone, its net vertices freed
    ASSERT_TRUE(p && p->coords2D);
    for (int64_t i = 0; i < kMax2DVertices; ++i) {
        p->netVertexSolid[i] = -1;
        p->netVertexUsed[i] = 0;
    }
    p->netVertexCount = 0;
    p->net.scale = 5.0f;
    CramPoints(p.get());  // no vertex at all
    EXPECT_EQ(p->net.scale, 1.0f);
    const PolyNetPoint a{0.25, 0.75, -1, 0};
    const int64_t v = AddNetVertex(p.get(), a);
    ASSERT_GE(v, 0);
    CramPoints(p.get());  // a point
    EXPECT_EQ(p->coords2D[v][0], 0.25);
    EXPECT_EQ(p->coords2D[v][1], 0.75);
    EXPECT_EQ(p->net.scale, 1.0f);
}

// The target box is the settings' unit box with the frame's proportions; a
// record without them is fitted into the unit square.
TEST(CramPoints, TheTargetBoxTakesTheFramesProportions) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    double box[4];
    InitPoly(p.get(), 0.5f, 0.0f);
    NetTargetBox(p.get(), box);
    EXPECT_EQ(box[0], 0.0);
    EXPECT_EQ(box[1], 1.0);
    EXPECT_EQ(box[2], 0.0);
    EXPECT_EQ(box[3], 0.5);
    InitPoly(p.get(), 0.0f, 0.0f);
    NetTargetBox(p.get(), box);
    EXPECT_EQ(box[3], 1.0);
}

// The angle of the net edge from corner k of net face f.
double EdgeHeading(const polyhedron* p, int64_t f, int64_t k) {
    const PolyNetFace& nf = p->netFace[f];
    const double* a = p->coords2D[nf.vertex[k]];
    const double* b = p->coords2D[nf.vertex[(k + 1) % nf.count]];
    return std::atan2(b[1] - a[1], b[0] - a[0]);
}

// Every net edge of `turned` points `turn` radians (anticlockwise in net
// coordinates) from the same edge of `plain`.
void ExpectTurnedBy(const polyhedron* plain, const polyhedron* turned, double turn, int64_t mode) {
    ASSERT_EQ(plain->netFaceCount, turned->netFaceCount) << mode;
    ASSERT_GT(plain->netFaceCount, 0) << mode;
    for (int64_t f = 0; f < plain->netFaceCount; ++f) {
        ASSERT_EQ(plain->netFace[f].count, turned->netFace[f].count) << mode;
        for (int64_t k = 0; k < plain->netFace[f].count; ++k) {
            const double d = std::remainder(EdgeHeading(turned, f, k) - EdgeHeading(plain, f, k) - turn, 2 * kPi);
            ASSERT_NEAR(d, 0.0, 1e-4) << "mode " << mode << " face " << f << " edge " << k;
        }
    }
}

TEST(NetTurn, ARowsTurnTurnsItsNet) {
    // A rind ball, a geodesic sphere (its integers from the caller) and two
    // rollouts: rows with a turn of their own.
    for (int64_t mode : {70, 177, 203, 210}) {
        polyhedron_params row;
        get_polyhedron_params_from_output_mode(mode, &row);
        ASSERT_NE(row.floatParameter, 0.0f) << mode;
        ASSERT_NE(row.kind, 0) << mode;
        PolyPtr turned = MakePoly(), plain = MakePoly();
        ASSERT_TRUE(turned && plain);
        // The caller's angle does not override the row's turn.
        HooBoyPolySetup(mode, turned.get(), 0, 1, 0, nullptr, 1, 0.5f, 0.0f, 0.7f);
        ASSERT_EQ(turned->status, kPolyStatusGood) << mode;
        const int64_t setupMode = row.kind == 2 ? 1 : row.setupMode;
        const int64_t second = row.kind == 2 ? 0 : row.secondParameter;
        InitPoly(plain.get(), 0.5f, 0.0f);
        plain->outputMode = mode;
        SetUpReallyGeneralPolyhedron(plain.get(), row.shapeCode, setupMode, second, 0, nullptr, 1, 0.0f);
        ExpectTurnedBy(plain.get(), turned.get(), row.floatParameter, mode);
    }
}

TEST(NetTurn, AModeWithoutATurnTakesTheCallers) {
    PolyPtr turned = MakePoly(), plain = MakePoly();
    ASSERT_TRUE(turned && plain);
    HooBoyPolySetup(7, plain.get(), 0, 1, 0, nullptr, 1, 0.5f, 0.0f, 0.0f);
    HooBoyPolySetup(7, turned.get(), 0, 1, 0, nullptr, 1, 0.5f, 0.0f, 0.7f);
    ExpectTurnedBy(plain.get(), turned.get(), 0.7, 7);
    // The fit follows the turn: the scale of a half turn is the scale of
    // none, a quarter turn of the cube's long net fits it otherwise.
    const auto scaleTurnedBy = [](float turns) {
        PolyPtr p = MakePoly();
        HooBoyPolySetup(7, p.get(), 0, 1, 0, nullptr, 1, 0.5f, 0.0f, turns * 6.2831855f);
        return p->net.scale;
    };
    const float none = scaleTurnedBy(0.0f);
    EXPECT_NEAR(scaleTurnedBy(0.5f), none, 1e-5);
    EXPECT_GT(std::fabs(scaleTurnedBy(0.25f) - none), 1e-3);
}

}  // namespace
