// The Truchet duals: each the site dual of its primal, closed, one vertex at
// every site of the primal, and the primal's arcs cut along its edges.
#include <gtest/gtest.h>

#include <set>

#include "common/halfspace.h"
#include "common/memory.h"
#include "polyhedra/polyhedron_params.h"
#include "solids/shape_dispatch.h"
#include "solids/truchet_duals.h"
#include "solids/voronoi_shapes.h"
#include "tests/polyhedra/poly_fixture.h"
#include "tests/polyhedra/solid_checks.h"
#include "tests/solids/refused_memory.h"

namespace {

std::vector<int64_t> DualCodes() {
    std::vector<int64_t> codes;
    for (int64_t c = 217; c <= 236; ++c) codes.push_back(c);
    for (int64_t c = 271; c <= 304; ++c) codes.push_back(c);
    return codes;
}

// Every dual is closed (273-275, 296 and 301 too, whose primals read their
// base's faces turned so that every cell is bounded), and is the dual of
// its primal's diagram, counted by qconvex on the primal's sites: one vertex
// at every site (V* = the primal's cells) and one face, a fan of triangles,
// for every vertex of the diagram (F* = the primal's vertices), where once
// the dual of 287 merged sites ten times closer than its primal and so lost
// six cells, and the primals of 226 and 272 lost or gained vertices. Each
// primal vertex where k cells meet gives k - 2 triangles; every step of the
// primal's arcs recorded for slicing is a cut edge of the dual. The duals
// are checked in shards, every kDualShards-th each, that run side by side.
constexpr int kDualShards = 2;

class DualShard : public ::testing::TestWithParam<int> {};

TEST_P(DualShard, EveryDualIsTheDualOfItsPrimalsDiagram) {
    const std::set<int64_t> sample = {217, 236, 271, 273, 287, 301, 304};
    const std::vector<int64_t> all = DualCodes();
    ASSERT_EQ(all.size(), 54u);
    std::vector<int64_t> codes;
    for (size_t i = size_t(GetParam()); i < all.size(); i += kDualShards) codes.push_back(all[i]);
    int checked = 0;
    for (int64_t code : codes) {
        SCOPED_TRACE(code);
        ASSERT_TRUE(ShapecodeCanBeBuilt(code));
        PolyPtr dual = BuildSolid(code);
        ASSERT_TRUE(dual);
        ASSERT_EQ(dual->status, kPolyStatusGood);
        solid_checks::ExpectClosedAndOriented(dual.get(), "dual " + std::to_string(code));
        for (int64_t f = 0; f < dual->faceCount3D; ++f) EXPECT_EQ(dual->face3D[f].count, 3);
        EXPECT_EQ(dual->truchetMark, 9999);
        // The primal's sites as its build lays them, and the distance at
        // which it merged them.
        PolyPtr scratch = MakePoly();
        VoronoiHandlingOptions o{};
        GetVoronoiShapeOptions(&o, scratch.get());
        SlicingArcList arcs{};
        o.slicingArcs = &arcs;
        HALFSPACE laid;
        InitEmptyList(&laid);
        build_voronoi_pointset(&laid, &o, Companion_of_Truchet_dual(code), scratch.get());
        std::vector<triplex> sites;
        for (HALFSPACE* n = laid.next; n != &laid; n = n->next) sites.push_back(n->point);
        DisposeListExceptForHead(&laid);
        const double merge = o.mergeDistance;
        if (solid_checks::Have("qconvex")) {
            std::vector<triplex> unit;
            for (const triplex& q : sites) unit.push_back(Tnormalize(q));
            const std::string summary = solid_checks::Qconvex(unit, "s 2>&1");
            EXPECT_EQ(dual->vertexCount3D, int64_t(solid_checks::Field(summary, "Number of vertices"))) << "V* = F";
            std::set<int64_t> faces;
            for (int64_t f = 0; f < dual->faceCount3D; ++f) faces.insert(dual->face3D[f].siteLabel);
            EXPECT_EQ(int64_t(faces.size()), int64_t(solid_checks::Field(summary, "Number of facets"))) << "F* = V";
            ++checked;
        }
        int64_t far = 0;
        for (int64_t v = 0; v < dual->vertexCount3D; ++v) {
            double best = 1e9;
            for (const triplex& q : sites) best = std::min(best, Tdistance(q, dual->coords3D[v]));
            far += best > 1e-12;
        }
        EXPECT_EQ(far, 0) << "dual vertices off the primal's sites";
        if (!sample.count(code)) {
            DisposeSlicingArcList(&arcs);
            continue;
        }
        PolyPtr primal = BuildSolid(Companion_of_Truchet_dual(code));
        ASSERT_TRUE(primal);
        int64_t triangles = 0;
        for (int64_t v = 0; v < primal->vertexCount3D; ++v) {
            std::vector<triplex> round;
            for (int64_t f = 0; f < primal->faceCount3D; ++f)
                for (int64_t k = 0; k < primal->face3D[f].count; ++k) {
                    if (primal->face3D[f].vertex[k] != v) continue;
                    bool seen = false;
                    for (const triplex& q : round) seen = seen || Tdistance(q, primal->face3D[f].sitePoint) < merge;
                    if (!seen) round.push_back(primal->face3D[f].sitePoint);
                }
            triangles += std::max<int64_t>(0, int64_t(round.size()) - 2);
        }
        EXPECT_EQ(dual->faceCount3D, triangles);
        // The arcs: each record joins two consecutive sites of an arc, two
        // vertices of the dual (the nearest within the merge distance), whose
        // edge is cut on both sides.
        auto nearest = [&](triplex q) {
            int64_t best = -1;
            for (int64_t v = 0; v < dual->vertexCount3D; ++v)
                if (Tdistance(dual->coords3D[v], q) < merge &&
                    (best < 0 || Tdistance(dual->coords3D[v], q) < Tdistance(dual->coords3D[best], q)))
                    best = v;
            return best;
        };
        int64_t uncut = 0;
        for (int64_t r = 0; r < arcs.count; ++r) {
            const int64_t a = nearest(arcs.records[r].a), b = nearest(arcs.records[r].b);
            int sides = 0;
            for (int64_t f = 0; f < dual->faceCount3D; ++f)
                for (int k = 0; k < 3; ++k) {
                    const int64_t from = dual->face3D[f].vertex[k], to = dual->face3D[f].vertex[(k + 1) % 3];
                    if (((from == a && to == b) || (from == b && to == a)) && (dual->face3D[f].edgeFlags[k] & kEdgeCut))
                        ++sides;
                }
            uncut += sides != 2;
        }
        EXPECT_GT(arcs.count, 20);
        EXPECT_EQ(uncut, 0);
        DisposeSlicingArcList(&arcs);
        if (code == 217) solid_checks::ExpectAdmeshClosed(dual.get(), "dual 217");
    }
    if (solid_checks::Have("qconvex")) {
        EXPECT_EQ(checked, int(codes.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(TruchetDuals, DualShard, ::testing::Range(0, kDualShards));

// Memory refused anywhere in a dual's build: the dual stands, closed, or is
// empty with its status; never empty and good.
TEST(TruchetDuals, RefusedMemoryFailsTheBuildOrLeavesItWhole) { ExpectRefusedMemoryFailsOrLeavesWhole(276, 40, 3); }

}  // namespace
