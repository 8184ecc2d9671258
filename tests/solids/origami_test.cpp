// The curved-origami solids: each hinge step against the line-sphere
// intersection, the closed solids with their face counts, every face a
// congruent copy of its flat paper, flat paper round every vertex but the
// tips, tips on the base solid's vertices, groups, marks and the entries.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "polyhedra/builtin_shapes.h"
#include "polyhedra/origami_curves.h"
#include "polyhedra/poly_store.h"
#include "projections/simplex.h"
#include "nets/edge_order.h"
#include "solids/origami.h"
#include "solids/poly_setup.h"
#include "solids/shape_dispatch.h"
#include "tests/polyhedra/poly_fixture.h"
#include "tests/nets/net_solids.h"
#include "tests/polyhedra/solid_checks.h"

namespace {

using namespace solid_checks;

struct Row {
    int64_t code, kind, faces, sides;
    const char* table;
    int style;
};

const Row kRows[] = {
    {171, 0, 4, 3, "YangTetra", 1},          {173, 0, 4, 3, "YangTetra", 6},
    {175, 5, 2, 3, "two_sided_triangle", 1}, {177, 8, 2, 5, "two_sided_pentagon", 4},
    {179, 2, 8, 3, "YangOcto", 1},           {181, 1, 6, 4, "YangCube", 2},
    {183, 1, 6, 4, "YangCube", 3},           {185, 3, 12, 5, "plain_dodecahedron", 4},
    {187, 4, 20, 3, "NewIco_Coords3D_2", 1}, {189, 6, 2, 4, "two_sided_square", 2},
    {193, 6, 2, 4, "two_sided_square", 3},
};

triplex T(CurvePoint p) { return {p.x, p.y, 0}; }
triplex Mid(triplex a, triplex b) { return Tscale(Tadd(a, b), 0.5); }

PolyPtr BuildCode(int64_t code) {
    PolyPtr p = MakePoly();
    if (p) ReadFaceInfo(p.get(), code, 0, nullptr, 1, 1);
    return p;
}

// Each step's crease point is where the line of the two offset mirrors meets
// the sphere about the previous crease point of the flat step's radius.
TEST(Origami, EachHingeStepIsTheLineSphereIntersection) {
    for (const Row& r : kRows) {
        YangContext ctx{};
        ctx.style = r.style;
        YangHalfPiece hp;
        ASSERT_TRUE(BuildYangHalfPiece(&ctx, r.kind, int(r.sides), &hp)) << r.code;
        const int n = int(r.sides);
        const triplex O{0, 0, -hp.centreDepth};
        const triplex P0{0, 1, 0}, Pl{std::cos(M_PI / 2 - 2 * M_PI / n), std::sin(M_PI / 2 - 2 * M_PI / n), 0};
        // Mirrors: through O, the face centre and P0; through O, Pl and P0.
        const triplex nh{1, 0, 0};
        triplex nl = Tnormalize(Cross(Tsub(Pl, O), Tsub(P0, O)));
        if (nl.z < 0) nl = Tnegative(nl);
        const triplex e = Tnormalize(Tsub(P0, O));
        for (int k = 1; k <= kYangSteps; ++k) {
            const double t = 0.5 + k / 30.0, t0 = 0.5 + (k - 1) / 30.0;
            const double dh = WidthOfHatAt(r.style, t) / 2, dl = WidthOfLensAt(r.style, t) / 2;
            // A point of the line: x = dh along nh, then solve for the part
            // along (nl - (nl·nh) nh) and e, with no part along e.
            const triplex q = Tnormalize(Cross(e, nh));  // in the plane across e
            // p = O + dh nh + s q with nl·(p - O) = dl.
            const double s = (dl - dh * Dot(nl, nh)) / Dot(nl, q);
            const triplex p = Tadd(O, Tadd(Tscale(nh, dh), Tscale(q, s)));
            const triplex c = hp.a[k - 1];
            const CurvePoint A = ACurve(r.style, t), A0 = ACurve(r.style, t0);
            const double rad = std::hypot(A.x - A0.x, A.y - A0.y);
            // |p + u e - c|² = rad², the root toward P0.
            const triplex pc = Tsub(p, c);
            const double b = Dot(pc, e), cc = Dot(pc, pc) - rad * rad;
            ASSERT_GE(b * b - cc, 0) << r.code << " step " << k;
            const double u = -b + std::sqrt(b * b - cc);
            const triplex want = Tadd(p, Tscale(e, u));
            EXPECT_LT(Len(Tsub(hp.a[k], want)), 1e-9) << r.code << " step " << k;
            EXPECT_TRUE(ctx.hingeKnown[k]);
            EXPECT_GT(ctx.hinge[k], 0) << r.code << " step " << k;
            EXPECT_LT(ctx.hinge[k], 0.49 * M_PI) << r.code << " step " << k;
        }
        EXPECT_LT(Len(Cross(Tsub(hp.a[kYangSteps], O), e)), 1e-9) << r.code << ": the tip is off the line O P0";
    }
}

int gSearches = 0;
double CountingSearch(double (*objective)(void*, double), void* record) {
    ++gSearches;
    return SimplexHingeSearch(objective, record);
}

// The memo is filled by the first element and read by every other one.
TEST(Origami, TheHingeMemoIsFilledOnceAndReadByEveryElement) {
    const HingeSearch simplex = OrigamiHingeSearch();
    ASSERT_TRUE(simplex);
    SetOrigamiHingeSearch(CountingSearch);
    gSearches = 0;
    PolyPtr p = BuildCode(187);
    SetOrigamiHingeSearch(simplex);
    EXPECT_EQ(gSearches, kYangSteps);
    // A memo given beforehand is used as it stands.
    YangContext ctx{};
    ctx.style = 1;
    YangHalfPiece plain, bent;
    ASSERT_TRUE(BuildYangHalfPiece(&ctx, 4, 3, &plain));
    ctx.hinge[3] += 0.01;
    ASSERT_TRUE(BuildYangHalfPiece(&ctx, 4, 3, &bent));
    EXPECT_EQ(Len(Tsub(plain.a[2], bent.a[2])), 0);
    EXPECT_GT(Len(Tsub(plain.a[3], bent.a[3])), 1e-4);
}

// The flat paper of one element, face by face in the order the builder
// emits them: the central polygon, then per corner and half the hat and lens
// strips from the middle to the tip.
std::vector<std::vector<triplex>> FlatFaces(int style, int n) {
    MakeYang2DPoints();
    auto a = [&](int k) { return T(ACurve(style, 0.5 + k / 30.0)); };
    auto h = [&](int k) { return k == kYangSteps ? a(k) : Mid(a(k), T(CCurve(style, 0.5 + k / 30.0))); };
    auto l = [&](int k) { return k == kYangSteps ? a(k) : Mid(a(k), T(BCurve(style, 0.5 + k / 30.0))); };
    std::vector<std::vector<triplex>> out;
    std::vector<triplex> centre;
    for (int j = 0; j < n; ++j) {
        const double c = std::cos(2 * M_PI * j / n), s = std::sin(2 * M_PI * j / n);
        for (triplex q : {a(0), h(0)}) centre.push_back({c * q.x - s * q.y, s * q.x + c * q.y, 0});
    }
    out.push_back(centre);
    for (int j = 0; j < n; ++j)
        for (int half = 0; half < 2; ++half)
            for (int k = 1; k <= kYangSteps; ++k) {
                std::vector<triplex> hat, lens;
                if (k < kYangSteps) {
                    hat = {a(k - 1), a(k), h(k), h(k - 1)};
                    lens = {l(k - 1), l(k), a(k), a(k - 1)};
                } else {
                    hat = {a(k - 1), a(k), h(k - 1)};
                    lens = {l(k - 1), a(k), a(k - 1)};
                }
                out.push_back(hat);
                out.push_back(lens);
            }
    return out;
}

double PolygonArea(const std::vector<triplex>& q) {
    double s = 0;
    for (size_t k = 0; k < q.size(); ++k) s += q[k].x * q[(k + 1) % q.size()].y - q[(k + 1) % q.size()].x * q[k].y;
    return std::fabs(s) / 2;
}

TEST(Origami, EveryCodeBuildsAClosedSolidOfCongruentPaper) {
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.code);
        PolyPtr p = BuildCode(r.code);
        ASSERT_TRUE(p);
        const int n = int(r.sides);
        const int64_t perElement = 1 + 60 * n;
        ASSERT_EQ(p->faceCount3D, r.faces * perElement);
        EXPECT_NE(p->status, kPolyStatusScissorTableFull);
        EXPECT_EQ(p->status, kPolyStatusGood);
        EXPECT_EQ(p->scissorMarkCount, r.faces * n * 2 * 3);
        // Closed and wound one way; the scissor marks' turned points are
        // vertices no face uses, so Euler counts the faces' vertices.
        std::map<std::pair<int64_t, int64_t>, int> directed;
        std::set<int64_t> used;
        for (int64_t f = 0; f < p->faceCount3D; ++f)
            for (int64_t k = 0, c = p->face3D[f].count; k < c; ++k) {
                ++directed[{p->face3D[f].vertex[k], p->face3D[f].vertex[(k + 1) % c]}];
                used.insert(p->face3D[f].vertex[k]);
            }
        int bad = 0;
        for (const auto& [edge, count] : directed)
            if (count != 1 || directed.count({edge.second, edge.first}) != 1) ++bad;
        EXPECT_EQ(bad, 0);
        EXPECT_EQ(int64_t(used.size()) - int64_t(directed.size()) / 2 + p->faceCount3D, 2);
        EXPECT_EQ(int64_t(used.size()) + p->scissorMarkCount, p->vertexCount3D);  // one turned point per mark
        if (r.kind < 5) EXPECT_GT(SignedVolume(p.get()), 0);

        // Congruence: sides and a diagonal of every face against the flat
        // paper at the solid's one scale; every face planar.
        const auto flat = FlatFaces(r.style, n);
        const double scale = Len(Tsub(V(p.get(), 0, 1), V(p.get(), 0, 0))) / Len(Tsub(flat[0][1], flat[0][0]));
        double worst = 0, worstPlanar = 0, paper = 0;
        for (int64_t f = 0; f < p->faceCount3D; ++f) {
            const auto& q = flat[f % perElement];
            const int64_t c = p->face3D[f].count;
            ASSERT_EQ(c, int64_t(q.size()));
            // The mirrored halves list their corners the other way round.
            const bool reversed = f % perElement != 0 && ((f % perElement - 1) / (2 * kYangSteps)) % 2 == 1;
            auto corner = [&](int64_t k) { return q[reversed ? c - 1 - k : k]; };
            for (int64_t k = 0; k < c; ++k) {
                const double d3 = Len(Tsub(V(p.get(), f, (k + 1) % c), V(p.get(), f, k)));
                worst = std::max(worst, std::fabs(d3 - scale * Len(Tsub(corner((k + 1) % c), corner(k)))));
            }
            const double diag = Len(Tsub(V(p.get(), f, 2), V(p.get(), f, 0)));
            worst = std::max(worst, std::fabs(diag - scale * Len(Tsub(corner(2), corner(0)))));
            const triplex nrm = Tnormalize(Normal(p.get(), f));
            for (int64_t k = 1; k < c; ++k)
                worstPlanar = std::max(worstPlanar, std::fabs(Dot(nrm, Tsub(V(p.get(), f, k), V(p.get(), f, 0)))));
            if (f < perElement) paper += PolygonArea(q);
        }
        EXPECT_LT(worst, 1e-9);
        EXPECT_LT(worstPlanar, 1e-9);
        // One sheet's faces cover its paper: the regular polygon of circumradius 1.
        EXPECT_NEAR(paper, n / 2.0 * std::sin(2 * M_PI / n), 1e-9);

        // Flat paper round every vertex but the tips; the tips are the base
        // solid's vertices.
        const BuiltInShape* base = FindBuiltInShapeByName(r.table);
        ASSERT_TRUE(base);
        std::map<int64_t, double> angleSum;
        for (int64_t f = 0; f < p->faceCount3D; ++f) {
            const int64_t c = p->face3D[f].count;
            for (int64_t k = 0; k < c; ++k) {
                const triplex u = Tsub(V(p.get(), f, (k + c - 1) % c), V(p.get(), f, k));
                const triplex w = Tsub(V(p.get(), f, (k + 1) % c), V(p.get(), f, k));
                angleSum[p->face3D[f].vertex[k]] += std::atan2(Len(Cross(u, w)), Dot(u, w));
            }
        }
        std::set<int64_t> tips;
        for (int64_t v = 0; v < base->vertexCount; ++v) {
            const triplex b{base->coords3D[3 * v], base->coords3D[3 * v + 1], base->coords3D[3 * v + 2]};
            int64_t found = -1;
            for (int64_t w = 0; w < p->vertexCount3D; ++w)
                if (Len(Tsub(p->coords3D[w], b)) < 1e-9) found = w;
            EXPECT_GE(found, 0) << "base vertex " << v << " is no tip";
            tips.insert(found);
        }
        double worstAngle = 0;
        for (const auto& [v, sum] : angleSum)
            if (!tips.count(v)) worstAngle = std::max(worstAngle, std::fabs(sum - 2 * M_PI));
        EXPECT_LT(worstAngle, 1e-9);

        // 2n + 1 groups per element: central s, hats s + 1 + 2j, lenses s + 2 + 2j.
        std::set<int64_t> groups;
        for (int64_t f = 0; f < p->faceCount3D; ++f) groups.insert(p->face3D[f].group);
        EXPECT_EQ(int64_t(groups.size()), r.faces * (2 * n + 1));
        // Each element's groups are owned by its fragment.
        for (int64_t e = 0; e < r.faces; ++e)
            for (int64_t g = (2 * n + 1) * e; g < (2 * n + 1) * (e + 1); ++g)
                EXPECT_TRUE(p->groupOwner[g][0] == e + 1 || p->groupOwner[g][1] == e + 1) << g;
    }
}

// The two tetrahedra share their base solid and differ only in their curves.
TEST(Origami, TheTwoTetrahedraDifferInTheirCurves) {
    PolyPtr t = BuildCode(171), w = BuildCode(173);
    EXPECT_GT(Len(Tsub(t->coords3D[0], w->coords3D[0])), 1e-3);
}

}  // namespace

namespace {

using namespace solid_checks;

double NetFaceArea(const polyhedron* p, int64_t f) {
    const PolyNetFace& nf = p->netFace[f];
    double s = 0;
    for (int64_t k = 0; k < nf.count; ++k) {
        const double* a = p->coords2D[nf.vertex[k]];
        const double* b = p->coords2D[nf.vertex[(k + 1) % nf.count]];
        s += a[0] * b[1] - b[0] * a[1];
    }
    return std::fabs(s) / 2;
}

double Face3DArea(const polyhedron* p, int64_t f) { return Len(Normal(p, f)) / 2; }

// With the nets: no two net faces overlap, as shapely sees them, and each
// sheet's net faces cover its paper polygon at the net's one scale.
TEST(Origami, NetsLieFlatWithoutOverlapAndEachSheetUnfoldsToItsPaper) {
    for (const Row& r : {kRows[0], kRows[2], kRows[10]}) {
        SCOPED_TRACE(r.code);
        PolyPtr p = MakePoly();
        ASSERT_TRUE(p);
        SetUpReallyGeneralPolyhedron(p.get(), r.code, 1, 0, 0, nullptr, 1, 0.0f);
        ASSERT_EQ(p->netFaceCount, p->faceCount3D);
        const int n = int(r.sides);
        const int64_t perElement = 1 + 60 * n;
        std::vector<NetPiece> pieces;
        std::vector<double> sheet3D(size_t(r.faces), 0), sheetNet(size_t(r.faces), 0);
        for (int64_t f = 0; f < p->netFaceCount; ++f) {
            const PolyNetFace& nf = p->netFace[f];
            ASSERT_GE(nf.face3D, 0);
            std::vector<std::pair<double, double>> q;
            for (int64_t k = 0; k < nf.count; ++k) q.push_back({p->coords2D[nf.vertex[k]][0], p->coords2D[nf.vertex[k]][1]});
            pieces.push_back({f, q});
            sheetNet[size_t(nf.face3D / perElement)] += NetFaceArea(p.get(), f);
            sheet3D[size_t(nf.face3D / perElement)] += Face3DArea(p.get(), nf.face3D);
        }
        const std::string report = OverlapsByShapely(pieces, "origami-" + std::to_string(r.code));
        EXPECT_EQ(report.find("overlap"), std::string::npos) << report.substr(0, 400);
        EXPECT_NE(report.find("checked"), std::string::npos) << report;
        // The paper of one sheet in 3D: the polygon of circumradius |tip - centre|.
        const double k = sheetNet[0] / sheet3D[0];
        for (size_t e = 0; e < sheet3D.size(); ++e) EXPECT_NEAR(sheetNet[e] / sheet3D[e], k, 1e-6 * k) << e;
    }
}

}  // namespace

namespace {

// A vertex table that fills up mid-build: status 5, the table's last slot
// used once (12,845 vertices) and never rewritten, and no face on a missing
// vertex.
TEST(Origami, AFullVertexTableStopsAtItsLastSlot) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    GetDefaultPolySettings(p.get());
    ASSERT_TRUE(getPolyStorageEtc(p.get()));
    for (int64_t v = 0; v < kMax3DVertices - 300; ++v) AddNew3DDVertToPolyhedron(p.get(), {100.0 + v, 50, 50});
    const BuiltInShape* s = FindBuiltInShapeByName("YangTetra");
    YangContext ctx{};
    ctx.poly = p.get();
    Build_YangPlatonicSolid(&ctx, 0, 4, 3, s->coords3D, s->faces3D, 1);
    EXPECT_EQ(p->status, kPolyStatus3DVertexTableFull);
    EXPECT_EQ(p->vertexCount3D, kMax3DVertices);
    EXPECT_EQ(p->coords3D[0].x, 100.0);
    EXPECT_GT(p->faceCount3D, 0);
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 0; k < p->face3D[f].count; ++k) {
            ASSERT_GE(p->face3D[f].vertex[k], kMax3DVertices - 300);
            ASSERT_LT(p->face3D[f].vertex[k], kMax3DVertices);
        }
}

}  // namespace

namespace {

// The convex side B(t) of the flat paper (circumradius 1, corner 1 at the
// top) and the side's chord, from their closed forms. Square: B(t) =
// (cos tπ/2, sin tπ/2), chord (1, 0)-(0, 1). Triangle: B(t) = T2 + √3 (cos
// tπ/3, sin tπ/3), T2 = (-√3/2, -1/2), chord T3 = (√3/2, -1/2) to T1 = (0, 1).
struct Side {
    triplex b, from, to;
};
Side SideAt(int sides, double t) {
    const double pi = 3.14159265358979323846, r3 = std::sqrt(3.0);
    if (sides == 4) return {{std::cos(t * pi / 2), std::sin(t * pi / 2), 0}, {1, 0, 0}, {0, 1, 0}};
    return {{-r3 / 2 + r3 * std::cos(t * pi / 3), -0.5 + r3 * std::sin(t * pi / 3), 0}, {r3 / 2, -0.5, 0}, {0, 1, 0}};
}
// B's distance from the chord: half the lens, A being B's mirror image.
double LensHalfWidth(int sides, double t) {
    const Side s = SideAt(sides, t);
    const triplex u = Tnormalize(Tsub(s.to, s.from)), d = Tsub(s.b, s.from);
    return Len(Tsub(d, Tscale(u, Tdot_product(d, u))));
}
// The central polygon's first edge, from a0 = A(1/2) to the axis foot
// h0 = (A + C)/2 = (0, A.y): |A(1/2).x|.
double CentralEdge(int sides) {
    const Side s = SideAt(sides, 0.5);
    const triplex u = Tnormalize(Tsub(s.to, s.from)), d = Tsub(s.b, s.from);
    const triplex foot = Tadd(s.from, Tscale(u, Tdot_product(d, u)));
    return std::fabs(2 * foot.x - s.b.x);
}

// Every code of the family builds with all its marks (three per half-piece)
// and never fills the mark table; the codes whose net is one piece tag every
// mark with the first fragment, the others with their sheet's own.
TEST(Origami, EveryCodeKeepsEveryScissorMark) {
    for (int64_t code = 171; code <= 196; ++code) {
        SCOPED_TRACE(code);
        PolyPtr p = BuildCode(code);
        ASSERT_TRUE(p);
        const Row* row = nullptr;
        for (const Row& r : kRows)
            if (r.code == code || r.code + 1 == code || (r.code >= 189 && code >= r.code && code < r.code + 4)) row = &r;
        ASSERT_TRUE(row);
        EXPECT_NE(p->status, kPolyStatusScissorTableFull);
        EXPECT_EQ(p->scissorMarkCount, row->faces * row->sides * 2 * 3);
        const bool onePiece = (code <= 188 && code % 2 == 0) || code == 191 || code == 192 || code == 195 || code == 196;
        const int64_t perElement = 2 * row->sides * 3;
        for (int64_t m = 0; m < p->scissorMarkCount; ++m)
            ASSERT_EQ(p->scissorMark[m].tag, onePiece ? 1 : m / perElement + 1) << m;
    }
}

// With the nets: every mark is collected under its group's number and is
// reached from a net face of that number in the fragment it is tagged with,
// and its radius is the lens half-width at 1/2 + 0.28979642657037913 at the
// solid's scale (base edge over paper side).
TEST(Origami, EveryScissorMarkIsReachedOnItsSheetAtItsRadius) {
    for (int64_t code : {181, 182, 187, 190}) {
        SCOPED_TRACE(code);
        PolyPtr p = MakePoly();
        ASSERT_TRUE(p);
        SetUpReallyGeneralPolyhedron(p.get(), code, 2, 0, 0, nullptr, 1, 0.0f);
        ASSERT_GT(p->netFaceCount, 0);
        const int sides = code == 187 ? 3 : 4;
        // The paper's scale: the first face (the first sheet's central
        // polygon) against its flat first edge.
        const double scale = Len(Tsub(p->coords3D[p->face3D[0].vertex[1]], p->coords3D[p->face3D[0].vertex[0]])) /
                             CentralEdge(sides);
        const double radius = scale * LensHalfWidth(sides, 0.5 + 0.28979642657037913);
        for (int64_t m = 0; m < p->scissorMarkCount; ++m) {
            const PolyScissorMark& mark = p->scissorMark[m];
            EXPECT_NEAR(mark.radius, radius, 1e-9 * radius) << m;
            const int64_t number = uint16_t(p->groupNumber[mark.group]);
            ASSERT_LT(number, kMaxGroups) << m;
            bool collected = false, reached = false;
            for (int64_t slot : p->groupScissorSlot[number]) collected |= slot == m;
            for (int64_t n = 0; n < p->netFaceCount && !reached; ++n)
                reached = p->netFace[n].fragment == mark.tag && GroupNumberOf3DFace(p.get(), p->netFace[n].face3D) == number;
            EXPECT_TRUE(collected) << m;
            EXPECT_TRUE(reached) << m;
        }
    }
}

}  // namespace
