// Goldberg solids of classes I-III and quad solids of classes I-III: the
// codes' decoding, the Goldberg–Coxeter face counts (computed here),
// closure, canonical form and the closed forms of the small ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "poly_fixture.h"
#include "common/halfspace.h"
#include "common/matrices.h"
#include "common/memory.h"
#include "polyhedra/baby_csg.h"
#include "polyhedra/barycentrics.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/canonical.h"
#include "polyhedra/geodesic.h"
#include "polyhedra/mini_faces.h"
#include "polyhedra/goldberg.h"
#include "polyhedra/symmetry.h"
#include "solid_checks.h"
#include "solids/shape_dispatch.h"

namespace {

using namespace solid_checks;

}  // namespace

namespace {

// --- Decoding ---

TEST(GoldbergCodes, DecodingTable) {
    struct Case {
        int64_t code;
        int32_t family;
        int64_t base, symmetry, order, m, n;
        double tolerance;
        int technique;
        bool rotations;
    } cases[] = {
        {313, kGoldbergClass1, 16, 16, 1, 1, 0, 1e-9, 3, false},
        {320, kGoldbergClass1, 16, 16, 8, 8, 0, 1e-9, 1, false},
        {321, kGoldbergClass1, 19, 19, 1, 1, 0, 1e-9, 3, false},
        {336, kGoldbergClass1, 17, 17, 8, 8, 0, 1e-9, 3, false},
        {337, kGoldbergClass2, 16, 16, 1, 1, 1, 1e-9, 3, false},
        {344, kGoldbergClass2, 16, 16, 8, 8, 8, 1e-7, 1, false},
        {345, kGoldbergClass2, 19, 19, 1, 1, 1, 1e-9, 2, false},
        {360, kGoldbergClass2, 17, 17, 8, 8, 8, 1e-9, 3, false},
        {361, kGoldbergClass3, 16, 16, 1, 1, 2, 1e-9, 3, true},
        {367, kGoldbergClass3, 16, 16, 7, 1, 5, 1e-9, 3, true},
        {370, kGoldbergClass3, 16, 16, 10, 4, 5, 1e-9, 1, true},
        {371, kGoldbergClass3, 19, 19, 1, 1, 2, 1e-9, 3, true},
        {390, kGoldbergClass3, 17, 17, 10, 4, 5, 1e-9, 3, true},
        {391, kQuadClass1, 439, 16, 1, 1, 0, 1e-9, 3, false},
        {396, kQuadClass1, 18, 18, 1, 1, 0, 1e-9, 3, false},
        {405, kQuadClass1, 440, 17, 5, 5, 0, 1e-9, 3, false},
        {406, kQuadClass2, 439, 16, 1, 1, 1, 1e-9, 3, false},
        {411, kQuadClass2, 18, 18, 1, 1, 1, 1e-9, 3, false},
        {419, kQuadClass2, 440, 17, 4, 4, 4, 1e-7, 3, false},
        {420, kQuadClass2, 440, 17, 5, 5, 5, 1e-7, 3, false},
        {421, kQuadClass3, 439, 16, 1, 1, 2, 1e-9, 3, true},
        {433, kQuadClass3, 440, 17, 1, 1, 2, 1e-9, 3, true},
        {438, kQuadClass3, 440, 17, 6, 3, 4, 1e-7, 3, true},
    };
    for (const Case& c : cases) {
        GoldbergForm f;
        ASSERT_TRUE(GoldbergFormOfShapecode(c.code, &f)) << c.code;
        EXPECT_EQ(f.family, c.family) << c.code;
        EXPECT_EQ(f.base, c.base) << c.code;
        EXPECT_EQ(f.symmetry, c.symmetry) << c.code;
        EXPECT_EQ(f.order, c.order) << c.code;
        EXPECT_EQ(f.m, c.m) << c.code;
        EXPECT_EQ(f.n, c.n) << c.code;
        EXPECT_EQ(f.tolerance, c.tolerance) << c.code;
        EXPECT_EQ(f.rotationsOnly, c.rotations) << c.code;
        EXPECT_EQ(canonicalization_technique_for_shapecode(c.code), c.technique) << c.code;
    }
    GoldbergForm f;
    EXPECT_FALSE(GoldbergFormOfShapecode(312, &f));
    EXPECT_FALSE(GoldbergFormOfShapecode(439, &f));
    EXPECT_TRUE(GoldbergFormOfShapecode(344, &f));
    EXPECT_EQ(f.stepFactor, 0.87);
}

TEST(GoldbergCodes, StandAloneDecoders) {
    int32_t order, shape, base, sym, m, n;
    getOrderAndShape(312, 313, &order, &shape, 8);  // just below the first code
    EXPECT_EQ(order, 1);
    EXPECT_EQ(shape, 16);
    getOrderAndShape(336, 313, &order, &shape, 8);
    EXPECT_EQ(order, 8);
    EXPECT_EQ(shape, 17);
    getOrderAndShape(345, 337, &order, &shape, 8);
    EXPECT_EQ(order, 1);
    EXPECT_EQ(shape, 19);
    getOrderAndAndSymmetryBaseShapeForQuads(405, 406, &order, &base, &sym, 5);
    EXPECT_EQ(order, 1);
    EXPECT_EQ(base, 439);
    EXPECT_EQ(sym, 16);
    getOrderAndAndSymmetryBaseShapeForQuads(438, 421, &order, &base, &sym, 6);
    EXPECT_EQ(order, 6);
    EXPECT_EQ(base, 440);
    EXPECT_EQ(sym, 17);
    const int32_t expect[11][2] = {{4, 5}, {1, 2}, {1, 3}, {2, 3}, {1, 4}, {2, 4}, {3, 4}, {1, 5}, {2, 5}, {3, 5}, {4, 5}};
    for (int32_t o = 0; o <= 10; ++o) {
        get_Goldberg3_mn_from_order(o, &m, &n);
        EXPECT_EQ(m, expect[o][0]) << o;
        EXPECT_EQ(n, expect[o][1]) << o;
    }
}

}  // namespace

namespace {

const double kPhi = (1 + std::sqrt(5.0)) / 2;

// Built once for all the tests of this file.
const polyhedron* Built(int64_t code) {
    static std::map<int64_t, PolyPtr> cache;
    auto it = cache.find(code);
    if (it == cache.end()) it = cache.emplace(code, BuildSolid(code)).first;
    return it->second.get();
}

// Faces by corner count from the Goldberg–Coxeter formulas.
std::map<int64_t, int64_t> ExpectedSides(const GoldbergForm& f) {
    if (f.family >= kQuadClass1) {
        const int64_t baseFaces = f.base == 439 ? 12 : f.base == 18 ? 6 : 60;
        const int64_t k = f.order;
        return {{4, f.family == kQuadClass1 ? baseFaces * k * k : baseFaces * (f.m * f.m + f.n * f.n)}};
    }
    const int64_t T = f.m * f.m + f.m * f.n + f.n * f.n;
    std::map<int64_t, int64_t> sides;
    if (f.base == 17) sides = {{5, 12}, {6, 10 * (T - 1)}};
    if (f.base == 19) sides = {{4, 6}, {6, 4 * (T - 1)}};
    if (f.base == 16) sides = {{3, 4}, {6, 2 * (T - 1)}};
    if (sides[6] == 0) sides.erase(6);
    return sides;
}

// A sample of every family, base and route (340: a cut solid whose edges all
// start outside the sphere, finished by relaxation); the whole sweep is in
// bench_goldberg.
const int64_t kSample[] = {313, 321, 329, 330, 337, 338, 340, 345, 353, 361, 367,
                           371, 391, 392, 396, 406, 411, 421, 427, 433};

TEST(Goldberg, CountsClosureAndCanonicalForm) {
    for (int64_t code : kSample) {
        const std::string what = "code " + std::to_string(code);
        GoldbergForm form;
        ASSERT_TRUE(GoldbergFormOfShapecode(code, &form));
        ASSERT_TRUE(ShapecodeCanBeBuilt(code)) << what;
        const polyhedron* p = Built(code);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->status, kPolyStatusGood) << what;
        std::map<int64_t, int64_t> sides;
        for (int64_t f = 0; f < p->faceCount3D; ++f) ++sides[p->face3D[f].count];
        EXPECT_EQ(sides, ExpectedSides(form)) << what;
        int64_t corners = 0;
        for (auto [n, k] : sides) corners += n * k;
        const int64_t E = corners / 2;
        EXPECT_EQ(p->vertexCount3D - E + p->faceCount3D, 2) << what;
        if (form.family >= kQuadClass1) {
            EXPECT_EQ(p->vertexCount3D, p->faceCount3D + 2) << what;
        }
        ExpectClosedAndOriented(p, what);
        const Canonicity c = Measure(p);
        const double tol = form.tolerance > 1e-9 ? 1e-5 : 1e-6;
        EXPECT_LT(c.edge, tol) << what;
        EXPECT_LT(c.centre, tol) << what;
        EXPECT_LT(c.planar, tol) << what;
        // The tetrahedral route of code 367 leaves the flag as it finds it.
        EXPECT_EQ(p->overlapTestOff, code == 367 ? 0 : 1) << what;
    }
}

// Every vertex at one of the radii and every edge of the length.
void ExpectForm(const polyhedron* p, std::vector<double> radii, double edge, const std::string& what) {
    for (int64_t v = 0; v < p->vertexCount3D; ++v) {
        double nearest = 1e9;
        for (double r : radii) nearest = std::min(nearest, std::fabs(Len(p->coords3D[v]) - r));
        EXPECT_LT(nearest, 1e-6) << what << " vertex " << v << " at " << Len(p->coords3D[v]);
    }
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 0; k < p->face3D[f].count; ++k)
            EXPECT_NEAR(Len(Tsub(V(p, f, k), V(p, f, (k + 1) % p->face3D[f].count))), edge, 1e-6) << what;
}

TEST(Goldberg, ClosedForms) {
    // The cube, dodecahedron and the truncated tetrahedron, octahedron and
    // icosahedron with midradius 1: edge 2√2/3, 2/3, 2/(3φ); their vertices
    // at √(1 + (edge/2)²).
    ExpectForm(Built(321), {std::sqrt(1.5)}, std::sqrt(2.0), "321 cube");
    ExpectForm(Built(329), {std::sqrt(3.0) / kPhi}, 2 / (kPhi * kPhi), "329 dodecahedron");
    const struct {
        int64_t code;
        double edge;
    } truncated[] = {{337, 2 * std::sqrt(2.0) / 3}, {345, 2.0 / 3}, {353, 2 / (3 * kPhi)}};
    for (const auto& t : truncated)
        ExpectForm(Built(t.code), {std::sqrt(1 + t.edge * t.edge / 4)}, t.edge, "truncated " + std::to_string(t.code));
    // The rhombic dodecahedron: corners (±1, ±1, ±1) and (±2, 0, 0) scaled
    // by √6/4 to midradius 1.
    for (int64_t code : {391, 411}) {
        const polyhedron* p = Built(code);
        ExpectForm(p, {3 * std::sqrt(2.0) / 4, std::sqrt(6.0) / 2}, 3 * std::sqrt(2.0) / 4, "rhombic " + std::to_string(code));
        int64_t far = 0;
        for (int64_t v = 0; v < p->vertexCount3D; ++v) far += Len(p->coords3D[v]) > 1.1;
        EXPECT_EQ(far, 6) << code;
    }
}

// Scaled up, the solid goes back to itself under the symmetric and the
// plain reciprocation alike.
TEST(Goldberg, SymmetricAndPlainMethodsAgree) {
    for (int64_t code : {330, 427}) {
        const std::string what = "code " + std::to_string(code);
        GoldbergForm form;
        GoldbergFormOfShapecode(code, &form);
        const polyhedron* ref = Built(code);
        PolyPtr sym = BuildSolid(code), plain = BuildSolid(code);
        ScaleVertsInPoly(sym.get(), 1.25);
        ScaleVertsInPoly(plain.get(), 1.25);
        testing::internal::CaptureStderr();
        CanonicalizeConvexPoly_primal_dual_sym(sym.get(), 1e-12, 150000, form.symmetry, form.rotationsOnly,
                                               GoldbergOptions(false));
        CanonicalizeConvexPoly_primal_dual(plain.get(), 1e-12, 50000);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(log, "") << what;
        for (polyhedron* p : {sym.get(), plain.get()})
            if (CanonicalDeviation(p) > 1e-7) CanonicalizeConvexPoly_relaxation(p, 1e-10, 200000, 0.25, 0.5);
        double worst = 0;
        for (int64_t v = 0; v < ref->vertexCount3D; ++v) {
            worst = std::max(worst, Len(Tsub(sym->coords3D[v], ref->coords3D[v])));
            worst = std::max(worst, Len(Tsub(plain->coords3D[v], ref->coords3D[v])));
        }
        EXPECT_LT(worst, 1e-6) << what;
    }
}

// The bases and the symmetry shapes share one orientation: under its
// symmetry shape every vertex of every solid lies in the domain or follows
// a representative there.
TEST(Goldberg, EveryVertexHasItsPlaceUnderTheSymmetry) {
    for (int64_t code : kSample) {
        const std::string what = "code " + std::to_string(code);
        GoldbergForm form;
        GoldbergFormOfShapecode(code, &form);
        const polyhedron* p = Built(code);
        SymmetryThing* sym =
            createSymmetryThing(form.symmetry, form.rotationsOnly, GoldbergOptions(form.family == 1), p, nullptr);
        ASSERT_TRUE(sym);
        for (const SymmetryMirror& m : sym->mirrors) ExpectReflection(m.matrix);
        EXPECT_EQ(sym->unmatched, 0) << what;
        for (int64_t v = 0; v < p->vertexCount3D; ++v)
            EXPECT_TRUE(sym->status[size_t(v)] == kSymInDomain || sym->status[size_t(v)] == kSymFollows)
                << what << " vertex " << v;
        EXPECT_EQ(int64_t(sym->D.size() + sym->E.size()), p->vertexCount3D) << what;
        for (const SymmetryCopy& c : sym->E) {
            EXPECT_LT(Len(Tsub(Multiply4x4byTriplex(c.transform, p->coords3D[c.representative]), p->coords3D[c.vertex])),
                      1e-6)
                << what;
            if (form.rotationsOnly) {
                EXPECT_NEAR(det4x4(c.transform), 1, 1e-9) << what;
            }
        }
        DisposeSymmetryThing(&sym);
    }
}

// Solid 366's symmetric reciprocation runs away from its raw start: the
// guard puts the start back and says it diverged (not that it merely did
// not converge), and the relaxation finishes the solid.
TEST(Goldberg, ADivergingReciprocationSaysSoAndTheRelaxationFinishes) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    testing::internal::CaptureStderr();
    ReadFaceInfo(p.get(), 366, 0, nullptr, 0, 1);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(p->status, kPolyStatusGood);
    EXPECT_NE(log.find("symmetric primal-dual reciprocation of solid 366 diverged from its start"), std::string::npos)
        << log;
    EXPECT_NE(log.find("positions restored"), std::string::npos) << log;
    EXPECT_EQ(log.find("did not converge"), std::string::npos) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    std::printf("solid 366 finished within %g of canonical\n", CanonicalDeviation(p.get()));
    EXPECT_LT(CanonicalDeviation(p.get()), 1e-6);
}

// Refused memory anywhere in a build: the solid stands whole, or it is
// empty and says out of memory.
TEST(Goldberg, RefusedMemoryFailsTheBuild) {
    for (int64_t code : {313, 338, 367, 406}) {
        const int64_t whole = Built(code)->faceCount3D;
        int64_t failed = 0;
        for (int64_t after : {0, 1, 3, 10}) {
            PolyPtr p = MakePoly();
            ASSERT_TRUE(p);
            testing::internal::CaptureStderr();
            SetRobustNewPtrFailures(1000000, after);
            ReadFaceInfo(p.get(), code, 0, nullptr, 0, 1);
            SetRobustNewPtrFailures(0);
            testing::internal::GetCapturedStderr();
            if (p->status == kPolyStatusGood) {
                EXPECT_EQ(p->faceCount3D, whole) << code << " after " << after;
            } else {
                EXPECT_EQ(p->status, kPolyStatusOutOfMemory) << code << " after " << after;
                EXPECT_EQ(p->faceCount3D, 0) << code << " after " << after << " status " << p->status;
                ++failed;
            }
        }
        EXPECT_GT(failed, 0) << code;
    }
}

// --- Lattice cells ---

VoronoiHandlingOptions StoreOptions() { return GoldbergOptions(false); }

TEST(MiniFaces, InsideTestsAndTooFar) {
    const struct {
        double w;
        bool inside;
    } weights[] = {{-0.0001, false}, {-0.00009, true}, {0.0, true}, {1.0, true}, {1.00009, true}, {1.0001, false}};
    for (const auto& c : weights) EXPECT_EQ(MiniWeightIsInside(c.w), c.inside) << c.w;
    const struct {
        double u, v;
        bool far;
    } uvs[] = {{-0.9, 0.5}, {1.9, 0.5}, {0.5, -0.9}, {0.5, 1.9}, {-0.9001, 0.5, true}, {1.9001, 0.5, true},
               {0.5, -0.9001, true}, {0.5, 1.9001, true}};
    for (const auto& c : uvs) EXPECT_EQ(tooFar(fcomplex{c.u, c.v}), c.far) << c.u << "," << c.v;
}

TEST(MiniFaces, TrianglesOnTheTetrahedron) {
    PolyPtr tet = BuildSolid(16);
    ASSERT_TRUE(tet);
    const VoronoiHandlingOptions o = StoreOptions();
    const spunTriangle t = make_spun_triangle(0, 0, 1, 2, -2, 3);
    EXPECT_DOUBLE_EQ(t.v.re, 0.4999999999999999);
    // The whole big triangle: the face's own corners on the sphere.
    {
        BabyCSG* csg = createBabyCSG(&o);
        attempt_one_mini_triangle(fcomplex{0, 0}, fcomplex{1, 2}, fcomplex{-2, 3}, tet.get(), 0, t, csg);
        ASSERT_EQ(csg->faces.size(), 1u);
        for (const triplex& q : csg->faces[0].points) {
            double nearest = 1e9;
            for (int k = 0; k < 3; ++k) nearest = std::min(nearest, Len(Tsub(q, Tnormalize(V(tet.get(), 0, k)))));
            EXPECT_LT(nearest, 1e-12);
        }
        destroyBabyCSG(&csg);
    }
    // One corner inside (the face's vertex 0), two beyond its edges: nothing.
    {
        BabyCSG* csg = createBabyCSG(&o);
        attempt_one_mini_triangle(fcomplex{0, 0}, fcomplex{0, -1}, fcomplex{1, -1}, tet.get(), 0, t, csg);
        EXPECT_EQ(csg->faces.size(), 0u);
        destroyBabyCSG(&csg);
    }
    // A point beyond an edge folds onto the neighbouring face's plane.
    for (int edge = 0; edge < 3; ++edge) {
        const triplex a = V(tet.get(), 0, edge), b = V(tet.get(), 0, (edge + 1) % 3), c = V(tet.get(), 0, (edge + 2) % 3);
        const triplex beyond = Tadd(Tscale(Tadd(a, b), 0.5), Tscale(Tsub(Tscale(Tadd(a, b), 0.5), c), 0.4));
        const triplex folded = FoldPointOverEdge(tet.get(), 0, edge, beyond);
        const int64_t g = tet->face3D[0].neighbour[edge];
        EXPECT_LT(std::fabs(Dot(Tsub(folded, V(tet.get(), g, 0)), Normal(tet.get(), g))), 1e-9) << edge;
        // ...inside the neighbour, as far from the edge as before.
        EXPECT_NEAR(Len(Tsub(folded, Tscale(Tadd(a, b), 0.5))), Len(Tsub(beyond, Tscale(Tadd(a, b), 0.5))), 1e-12);
        EXPECT_GT(Dot(Tsub(folded, Tscale(Tadd(a, b), 0.5)), Tsub(Tnormalize(FetchCentroidOf3DFace(tet.get(), g)), Tscale(Tadd(a, b), 0.5))), 0);
    }
}

// On the cube each crossing lands on the neighbour at the same distance
// beyond the shared edge and the same place along it.
TEST(MiniFaces, CarryingOverAQuadEdge) {
    PolyPtr cube = BuildSolid(18);
    ASSERT_TRUE(cube);
    const polyhedron* p = cube.get();
    const double L = Len(Tsub(V(p, 0, 1), V(p, 0, 0)));
    const triplex inward = Tscale(Normal(p, 0), -1);
    const triplex F0 = V(p, 0, 0), F1 = V(p, 0, 1), F2 = V(p, 0, 2), F3 = V(p, 0, 3);
    const struct {
        double u, v;
        int result, edge;
        triplex onEdge;
        double uAfter, vAfter;
    } cases[] = {
        {1.5, 0.3, 1, 1, Tadd(F1, Tscale(Tsub(F2, F1), 0.3)), 0.5, 0.3},
        {-0.5, 0.3, 2, 3, Tadd(F0, Tscale(Tsub(F3, F0), 0.3)), 0.5, 0.3},
        {0.3, 1.5, 3, 2, Tadd(F3, Tscale(Tsub(F2, F3), 0.3)), 0.3, 0.5},
        {0.3, -0.5, 4, 0, Tadd(F0, Tscale(Tsub(F1, F0), 0.3)), 0.3, 0.5},
        // A coordinate just inside its band keeps its value.
        {1.5, -0.00005, 1, 1, Tadd(F1, Tscale(Tsub(F2, F1), -0.00005)), 0.5, -0.00005},
        {1.5, 1.0, 1, 1, F2, 0.5, 1.0},
    };
    for (const auto& c : cases) {
        fcomplex uv{c.u, c.v};
        int64_t face = 0, corner = 0;
        EXPECT_EQ(maybe_move_to_neighbor_face(&uv, &face, &corner, p), c.result) << c.u << "," << c.v;
        EXPECT_EQ(face, p->face3D[0].neighbour[c.edge]);
        EXPECT_NEAR(uv.re, c.uAfter, 1e-12);
        EXPECT_NEAR(uv.im, c.vAfter, 1e-12);
        const triplex q = bilinears_to_point_in_polyface(p, face, corner, uv.re, uv.im);
        const double beyond = std::max({c.u - 1, -c.u, c.v - 1, -c.v});
        EXPECT_LT(Len(Tsub(q, Tadd(c.onEdge, Tscale(inward, beyond * L)))), 1e-9) << c.u << "," << c.v;
    }
    fcomplex uv{0.4, 0.6};
    int64_t face = 0, corner = 0;
    EXPECT_EQ(maybe_move_to_neighbor_face(&uv, &face, &corner, p), 0);
    EXPECT_EQ(face, 0);
}

TEST(MiniFaces, QuadsOnTheCube) {
    PolyPtr cube = BuildSolid(18);
    const VoronoiHandlingOptions o = StoreOptions();
    const spunQuad sq = make_spun_Quad(0, 0, 2, 2, 0, 4, -2, 2);  // (p, q) = (2, 2)
    auto cells = [&](fcomplex a, fcomplex b, fcomplex c, fcomplex d) {
        BabyCSG* csg = createBabyCSG(&o);
        attempt_one_miniquad(a, b, c, d, cube.get(), 0, sq, csg);
        const size_t n = csg->faces.size();
        destroyBabyCSG(&csg);
        return n;
    };
    // Bilinear corners of the square (0,0) (2,2) (0,4) (-2,2): (u, v) of the
    // point (i, j) is ((i + j) / 4, (j - i) / 4).
    EXPECT_EQ(cells({0, 1}, {1, 1}, {1, 2}, {0, 2}), 1u);  // all four inside
    EXPECT_EQ(cells({1, 2}, {2, 2}, {2, 3}, {1, 3}), 1u);  // three inside, one carried over edge 1
    EXPECT_EQ(cells({2, 2}, {3, 2}, {3, 3}, {2, 3}), 0u);  // only the corner (1, 0) inside
    EXPECT_EQ(cells({3, 2}, {4, 2}, {4, 3}, {3, 3}), 0u);  // none inside
}

// The cells reach the store once for each lattice point they touch; the
// solid keeps one copy of each.
TEST(MiniFaces, RepeatedCellsAreKeptOnce) {
    PolyPtr cube = BuildSolid(18);
    const VoronoiHandlingOptions o = StoreOptions();
    BabyCSG* csg = createBabyCSG(&o);
    for (int64_t f = 0; f < cube->faceCount3D; ++f) build_class_2_or_3_miniquads_of_one_face(cube.get(), f, 1, 2, csg);
    const size_t handed = csg->faces.size();
    PolyPtr p = MakePoly();
    make_poly_fromBabyCSG(p.get(), csg);
    destroyBabyCSG(&csg);
    EXPECT_GT(handed, size_t(p->faceCount3D));
    EXPECT_EQ(p->faceCount3D, 6 * 5);
    ExpectClosedAndOriented(p.get(), "quad III cube (1,2) cells");
}

// Class III lattice points stand on the unit sphere: code 361's sixteen
// planes, each at distance 1.
TEST(MiniFaces, ClassThreePointsOfTheTetrahedron) {
    PolyPtr tet = BuildSolid(16);
    const VoronoiHandlingOptions o = StoreOptions();
    HALFSPACE planes;
    InitEmptyList(&planes);
    accumulate_classIII_points_of_one_face(tet.get(), 0, 1, 2, &planes, o);
    EXPECT_EQ(GetElementCount(&planes), 6);  // three corners, three inside
    accumulateGeodesicVertsBasedOnPoly(tet.get(), 1, 2, &planes, o);
    EXPECT_EQ(GetElementCount(&planes), 16);
    for (HALFSPACE* n = planes.head->next; n != planes.head; n = n->next) {
        EXPECT_NEAR(Len(n->point), 1, 1e-12);
        EXPECT_NEAR(n->plane.k, -1, 1e-12);
    }
    DisposeListExceptForHead(&planes);
}

}  // namespace

namespace {

// The nets of the solids lay every face.
TEST(Goldberg, NetsLayEveryFace) {
    for (int64_t code : {321, 330, 338, 361, 367, 392, 411, 427}) ExpectNetLaysEveryFace(code);
}

}  // namespace

namespace {

// The net lays each face rigidly: every net triangle is its face's triangle
// at the net's one scale, and a net grown as one tree of faces joins each
// face to the net along one edge only, so it has as many vertices as the
// faces' corners less two for each hinge. The class III quad solids on the
// icosahedron have corners whose two copies across a cut lie closer than
// 0.002; they once merged and bent the quadrilaterals beside them.
TEST(Goldberg, NetsKeepTheFacesShapes) {
    for (int64_t code : {321, 367, 411, 433}) {
        SCOPED_TRACE(code);
        PolyPtr p = MakePoly();
        ASSERT_TRUE(p);
        SetUpReallyGeneralPolyhedron(p.get(), code, 6, 0, 0, nullptr, 1, 0.0f);
        ASSERT_EQ(p->status, kPolyStatusGood);
        double lo = 1e300, hi = 0;
        int64_t laid = 0;
        for (int64_t t = 0; t < p->netTriangleCount; ++t) {
            const PolyNetTriangle& T = p->netTriangle[t];
            if (T.isTab || T.netFace < 0) continue;
            const PolyFace3D& F = p->face3D[p->netFace[T.netFace].face3D];
            for (int k = 0; k < 3; ++k) {
                const double* a = p->coords2D[T.vertex[k]];
                const double* b = p->coords2D[T.vertex[(k + 1) % 3]];
                const triplex A = p->coords3D[F.vertex[T.solidCorner[k]]];
                const triplex B = p->coords3D[F.vertex[T.solidCorner[(k + 1) % 3]]];
                const double ratio = std::hypot(b[0] - a[0], b[1] - a[1]) /
                                     std::sqrt((B.x - A.x) * (B.x - A.x) + (B.y - A.y) * (B.y - A.y) +
                                               (B.z - A.z) * (B.z - A.z));
                lo = std::min(lo, ratio);
                hi = std::max(hi, ratio);
            }
            ++laid;
        }
        ASSERT_GT(laid, 0);
        EXPECT_LT(hi / lo, 1 + 1e-6);
        ASSERT_EQ(p->fragmentCount, 1);
        int64_t corners = 0;
        for (int64_t f = 0; f < p->faceCount3D; ++f) corners += p->face3D[f].count;
        EXPECT_EQ(p->netVertexCount, corners - 2 * (p->faceCount3D - 1));
    }
}

}  // namespace
