// Canonical form: edges tangent to the unit sphere, tangent points centred,
// faces planar; checked against the closed forms of regular solids, and the
// mirror symmetry the symmetric forms move one domain of.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

#include "common/matrices.h"
#include "common/memory.h"
#include "poly_fixture.h"
#include "polyhedra/canonical.h"
#include "polyhedra/symmetry.h"
#include "solid_checks.h"

namespace {

using namespace solid_checks;

VoronoiHandlingOptions Opts() {
    VoronoiHandlingOptions o{};
    GetDefaultVoronoiHandlingOptions(&o);
    return o;
}

const double kPhi = (1 + std::sqrt(5.0)) / 2;

// The relaxation alone does not move the tangent points' centre.
void ExpectCanonical(const polyhedron* p, double tol, const std::string& what, bool centred = true) {
    const Canonicity c = Measure(p);
    EXPECT_LT(c.edge, tol) << what;
    if (centred) {
        EXPECT_LT(c.centre, tol) << what;
    }
    EXPECT_LT(c.planar, tol) << what;
}

// Every vertex at distance r from the origin and every edge of length e.
void ExpectRegular(const polyhedron* p, double r, double e, double tol, const std::string& what) {
    for (int64_t v = 0; v < p->vertexCount3D; ++v) EXPECT_NEAR(Len(p->coords3D[v]), r, tol) << what << " vertex " << v;
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 0; k < p->face3D[f].count; ++k)
            EXPECT_NEAR(Len(Tsub(V(p, f, k), V(p, f, (k + 1) % p->face3D[f].count))), e, tol) << what;
}

PolyPtr Noisy(int64_t code, double scale, unsigned seed) {
    PolyPtr p = BuildSolid(code);
    if (!p) return p;
    std::srand(seed);
    ScaleVertsInPoly(p.get(), scale);
    // Each vertex times 1 + 0.1·(k/1000 - 0.5), k random in 0..999.
    for (int64_t v = 0; v < p->vertexCount3D; ++v)
        p->coords3D[v] = Tscale(p->coords3D[v], 1 + 0.1 * (double(std::rand() % 1000) / 1000 - 0.5));
    DisplaceVertsInPoly(p.get(), triplex{0.01, -0.02, 0.015});
    return p;
}

struct Regular {
    int64_t code;
    int faces;
    double circumradius;  // with edges tangent to the unit sphere
    double edge;
};
// Cube: vertices at √1.5, edge √2; dodecahedron: edge 2/φ², vertices at √3/φ;
// tetrahedron: midradius a/√8, so edge 2√2 and vertices at √3; octahedron:
// edge 2, vertices at √2; icosahedron: edge 2/φ, vertices at √(φ² + 1)/φ.
const Regular kRegular[] = {
    {18, 6, std::sqrt(1.5), std::sqrt(2.0)},
    {16, 4, std::sqrt(3.0), 2 * std::sqrt(2.0)},
    {19, 8, std::sqrt(2.0), 2.0},
    {17, 20, std::sqrt(kPhi * kPhi + 1) / kPhi, 2 / kPhi},
};

TEST(Canonical, PlainMethodsReachTheRegularSolids) {
    for (const Regular& r : kRegular) {
        PolyPtr probe = BuildSolid(r.code);
        ASSERT_TRUE(probe);
        ASSERT_EQ(probe->faceCount3D, r.faces) << r.code;
        const std::string what = "code " + std::to_string(r.code);
        // From a scaled, shifted copy the reciprocation reaches the closed
        // form; from a noisy one it settles within 1e-4 of tangency.
        PolyPtr a = BuildSolid(r.code), b = Noisy(r.code, 0.6, 2), c = Noisy(r.code, 1.7, 1);
        ScaleVertsInPoly(a.get(), 1.7);
        DisplaceVertsInPoly(a.get(), triplex{0.03, -0.02, 0.01});
        const double moved = CanonicalizeConvexPoly_primal_dual(a.get(), 1e-14, 2000);
        EXPECT_GE(moved, 0) << what;
        EXPECT_LT(moved, 1e-9) << what;
        // The tetrahedron's table is regular to a few parts in 10^5 only.
        const double tol = r.code == 16 ? 1e-4 : 1e-6;
        ExpectCanonical(a.get(), tol, what + " primal-dual");
        ExpectRegular(a.get(), r.circumradius, r.edge, 3 * tol, what + " primal-dual");
        CanonicalizeConvexPoly_primal_dual(c.get(), 1e-14, 2000);
        ExpectCanonical(c.get(), 1e-4, what + " noisy primal-dual");
        const double step = CanonicalizeConvexPoly_relaxation(b.get(), 1e-12, 20000, 0.2, 0.5);
        EXPECT_LT(step, 1e-9) << what;
        ExpectCanonical(b.get(), 1e-7, what + " relaxation", false);
        ExpectClosedAndOriented(a.get(), what);
    }
}

// The dodecahedron, dual of the icosahedron: edges 2/φ², vertices at √3/φ.
TEST(Canonical, TheDodecahedron) {
    PolyPtr p = BuildSolid(9);
    ASSERT_TRUE(p);
    if (p->faceCount3D != 12) GTEST_SKIP() << "code 9 is not the dodecahedron here";
    ScaleVertsInPoly(p.get(), 0.7);
    CanonicalizeConvexPoly_primal_dual(p.get(), 1e-14, 2000);
    ExpectCanonical(p.get(), 1e-6, "dodecahedron");
    ExpectRegular(p.get(), std::sqrt(3.0) / kPhi, 2 / (kPhi * kPhi), 3e-6, "dodecahedron");
}

// Solids whose edges all lie outside the sphere: every push is inward, and
// the relaxation must still run rather than stop with its first step.
TEST(Canonical, RelaxationRunsWhenEveryEdgeLiesOutside) {
    PolyPtr p = Noisy(18, 1.0, 3);
    ASSERT_TRUE(p);
    ScaleVertsInPoly(p.get(), 1.5 / Measure(p.get()).nearest);  // the nearest edge at 1.5
    const double step = CanonicalizeConvexPoly_relaxation(p.get(), 1e-10, 20000, 0.05, 0.5);
    EXPECT_LT(step, 1e-9);
    ExpectCanonical(p.get(), 1e-7, "large cube", false);
}

TEST(Canonical, ZeroIterationsStillRescaleOnce) {
    PolyPtr p = Noisy(18, 3.0, 4);
    EXPECT_EQ(CanonicalizeConvexPoly_primal_dual(p.get(), 1e-9, 0), 0);
    double sum = 0;
    int64_t n = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 0; k < 4; ++k) {
            const triplex a = V(p.get(), f, k), d = Tsub(V(p.get(), f, (k + 1) % 4), a);
            const triplex q = Tsub(a, Tscale(d, Dot(a, d) / Dot(d, d)));
            sum += Dot(q, q);
            ++n;
        }
    EXPECT_NEAR(std::sqrt(sum / double(n)), 1, 1e-12);
}

// Faces whose plane passes through the origin have no polar vertex: the
// run puts the vertices back and says why.
TEST(Canonical, AFacePlaneThroughTheCentreRestoresTheStart) {
    for (bool symmetric : {false, true}) {
        PolyPtr p = BuildSolid(18);
        ASSERT_TRUE(p);
        const triplex shift = Tscale(V(p.get(), 0, 0), -1);  // a corner at the origin: three planes through it
        DisplaceVertsInPoly(p.get(), shift);
        std::vector<triplex> start(p->coords3D, p->coords3D + p->vertexCount3D);
        testing::internal::CaptureStderr();
        const double moved = symmetric ? CanonicalizeConvexPoly_primal_dual_sym(p.get(), 1e-9, 50, 18, false, Opts())
                                       : CanonicalizeConvexPoly_primal_dual(p.get(), 1e-9, 50);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_GE(moved, 50) << symmetric;
        EXPECT_NE(log.find("positions restored"), std::string::npos) << log;
        EXPECT_NE(log.find("met a face with no polar vertex"), std::string::npos) << log;
        EXPECT_EQ(log.find("did not converge"), std::string::npos) << log;
        for (int64_t v = 0; v < p->vertexCount3D; ++v) EXPECT_EQ(p->coords3D[v], start[size_t(v)]) << v;
    }
}

TEST(Canonical, RefusedInputsAndScratch) {
    EXPECT_EQ(CanonicalizeConvexPoly_relaxation(nullptr, 1e-6, 10, 0.2, 0.5), -2);
    PolyPtr p = Noisy(18, 1.0, 6);
    std::vector<triplex> start(p->coords3D, p->coords3D + p->vertexCount3D);
    const uint8_t owned = p->storageFlag;
    p->storageFlag = 0;
    EXPECT_EQ(CanonicalizeConvexPoly_relaxation(p.get(), 1e-6, 10, 0.2, 0.5), -1);
    EXPECT_EQ(CanonicalizeConvexPoly_primal_dual(p.get(), 1e-6, 10), -1);
    p->storageFlag = owned;
    testing::internal::CaptureStderr();
    SetRobustNewPtrFailures(1);
    EXPECT_EQ(CanonicalizeConvexPoly_primal_dual(p.get(), 1e-6, 10), -1);
    SetRobustNewPtrFailures(1);
    EXPECT_EQ(CanonicalizeConvexPoly_primal_dual_sym(p.get(), 1e-6, 10, 18, false, Opts()), 99999.0);
    SetRobustNewPtrFailures(0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(p->status, kPolyStatusOutOfMemory);
    for (int64_t v = 0; v < p->vertexCount3D; ++v) EXPECT_EQ(p->coords3D[v], start[size_t(v)]);
}

TEST(Canonical, TheChooser) {
    struct Case {
        int64_t code;
        int technique;
    } cases[] = {{319, 1}, {320, 1}, {340, 1}, {342, 1}, {344, 1}, {369, 1}, {370, 1}, {345, 2},
                 {313, 3}, {321, 3}, {339, 3}, {346, 3}, {368, 3}, {371, 3}, {438, 3}};
    for (const Case& c : cases) {
        EXPECT_EQ(canonicalization_technique_for_shapecode(c.code), c.technique) << c.code;
        EXPECT_EQ(shapecode_is_unsuitable_for_primal_dual(c.code), c.technique == 1) << c.code;
    }
}

// --- Mirror symmetry ---

TEST(Symmetry, MirrorsCompositesAndStatusOfTheBases) {
    for (int64_t code : {16, 17, 18, 19}) {
        for (bool rotations : {false, true}) {
            PolyPtr p = BuildSolid(code);
            ASSERT_TRUE(p);
            const std::string what = "code " + std::to_string(code) + (rotations ? " rotations" : "");
            SymmetryThing* sym = createSymmetryThing(code, rotations, Opts(), p.get(), nullptr);
            ASSERT_TRUE(sym);
            ASSERT_EQ(sym->mirrors.size(), 3u) << what;
            for (const SymmetryMirror& m : sym->mirrors) ExpectReflection(m.matrix);
            EXPECT_EQ(sym->hasExtraMirror, rotations);
            if (rotations) ExpectReflection(sym->extraMirror.matrix);
            EXPECT_EQ(sym->unmatched, 0) << what;
            for (int64_t v = 0; v < p->vertexCount3D; ++v)
                EXPECT_TRUE(sym->status[size_t(v)] == 0 || sym->status[size_t(v)] == 2) << what << " vertex " << v;
            EXPECT_FALSE(sym->D.empty());
            EXPECT_EQ(int64_t(sym->D.size() + sym->E.size()), p->vertexCount3D) << what;
            for (const SymmetryCopy& c : sym->E) {
                EXPECT_LT(Len(Tsub(Multiply4x4byTriplex(c.transform, p->coords3D[c.representative]),
                                   p->coords3D[c.vertex])),
                          1e-9)
                    << what;
                // Rotations only: every composite keeps handedness.
                if (rotations) {
                    EXPECT_NEAR(det4x4(c.transform), 1, 1e-9) << what;
                }
            }
            // Every edge touching D once.
            std::set<std::pair<int64_t, int64_t>> seen;
            for (auto [a, b] : sym->G) EXPECT_TRUE(seen.insert({std::min(a, b), std::max(a, b)}).second) << what;
            DisposeSymmetryThing(&sym);
        }
    }
}

// The cube's mirrors are mirrors of the octahedron and the other way round:
// the bases share one orientation.
TEST(Symmetry, OctahedralBasesShareTheirMirrors) {
    for (auto [shape, solid] : {std::pair<int64_t, int64_t>{18, 19}, {19, 18}}) {
        PolyPtr p = BuildSolid(solid);
        SymmetryThing* sym = createSymmetryThing(shape, false, Opts(), p.get(), nullptr);
        ASSERT_TRUE(sym);
        EXPECT_EQ(sym->unmatched, 0) << shape << " on " << solid;
        DisposeSymmetryThing(&sym);
    }
}

// The symmetric forms give the plain forms' solid; a symmetry that does not
// fit is logged and the plain method runs.
TEST(Symmetry, SymmetricAndPlainMethodsAgree) {
    for (int64_t code : {18, 17, 19}) {
        const std::string what = "code " + std::to_string(code);
        PolyPtr plain = BuildSolid(code), sym = BuildSolid(code), relaxed = BuildSolid(code);
        ScaleVertsInPoly(plain.get(), 1.3);
        ScaleVertsInPoly(sym.get(), 1.3);
        ScaleVertsInPoly(relaxed.get(), 1.3);
        CanonicalizeConvexPoly_primal_dual(plain.get(), 1e-13, 3000);
        const double moved = CanonicalizeConvexPoly_primal_dual_sym(sym.get(), 1e-13, 9000, code, false, Opts());
        EXPECT_LT(moved, 1e-9) << what;
        CanonicalizeConvexPoly_relaxation_sym(relaxed.get(), 1e-13, 60000, 0.2, 0.5, code, true, Opts());
        for (int64_t v = 0; v < plain->vertexCount3D; ++v) {
            EXPECT_LT(Len(Tsub(plain->coords3D[v], sym->coords3D[v])), 1e-7) << what << " vertex " << v;
            EXPECT_LT(Len(Tsub(plain->coords3D[v], relaxed->coords3D[v])), 1e-6) << what << " vertex " << v;
        }
        ExpectCanonical(sym.get(), 1e-7, what + " symmetric");
        ExpectCanonical(relaxed.get(), 1e-6, what + " symmetric relaxation");
    }
    PolyPtr cube = BuildSolid(18);
    ScaleVertsInPoly(cube.get(), 1.2);
    testing::internal::CaptureStderr();
    CanonicalizeConvexPoly_primal_dual_sym(cube.get(), 1e-12, 3000, 17, false, Opts());
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("the plain method runs"), std::string::npos) << log;
    ExpectCanonical(cube.get(), 1e-6, "cube under the icosahedron's symmetry");
    ExpectRegular(cube.get(), std::sqrt(1.5), std::sqrt(2.0), 1e-6, "cube under the icosahedron's symmetry");
}

}  // namespace
