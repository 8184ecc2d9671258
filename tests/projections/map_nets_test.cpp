// The map-shaped nets (stars, chains, diamonds, rhombi): each output mode's
// net built as a render builds it, read through its face-to-sphere map with
// the real caches. Per net: the two sides of every fold and of every pair of
// outline edges the sphere glues show one direction; the sphere is shown
// once (directions of a fine grid fall in exactly one face's image); the
// map is conformal and shows the Earth unmirrored; shapely finds no overlap
// of the net faces; the tables are what tools/gen_map_nets.cpp writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "../nets/net_solids.h"
#include "../polyhedra/poly_fixture.h"
#include "projections/caches.h"
#include "projections/hyperbolic.h"
#include "projections/polyhedral_transform.h"
#include "projections/sample_road.h"
#include "projections/twirl.h"
#include "records/output_modes.h"
#include "records/renderhinttype.h"
#include "records/vort.h"
#include "render/render_context.h"
#include "shell/renderable.h"
#include "tests/generated_source.h"

namespace {

struct V3 {
    double x, y, z;
};
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Norm(V3 a) { return std::sqrt(Dot(a, a)); }
double AngleBetween(V3 a, V3 b) { return std::atan2(Norm(Cross(a, b)), Dot(a, b)); }

struct MapNetCase {
    const char* name;
    int64_t mode;
    int64_t shapeCode;
    int faces;
    // How far apart (radians) the two sides of a seam may show: the cell
    // tables are interpolated, and on the outer side of a cell the chord
    // between two table points sags inside the circle the side maps onto
    // (most for the triangle's coarse sixths, three times that for the
    // rhombus, whose map cubes the disc).
    double seam = 3e-4;
    // The faces are sixths of a Reuleaux cell (1: the tetrahedron's vertex
    // cell, 2: the octahedral map's cell): only the curved sixth inside the
    // net triangle shows the sphere, the rest misses.
    int reuleaux = 0;
    // Plain faces: no warp, each face its solid face pushed out to the sphere.
    bool plain = false;
    // The basis net of a floret (the mode names one that reads it): looked
    // at as a net of its own (with its mode's opening of a lune), without
    // the floret.
    bool floretBasis = false;
};

const MapNetCase kCases[] = {
    {"fivestar20", 97, 30, 20},
    {"fivestar10", 98, 31, 10},
    {"fivestar_tiling", 379, 33, 10},
    {"threestar", 100, 34, 12, 1e-3},
    {"triangle", 101, 35, 6, 1e-3},
    {"rhombus", 102, 36, 4, 2.5e-3},
    {"bipolar_rhombus", 103, 37, 12, 1e-3},
    {"sixstar", 104, 38, 24},
    {"hexagon", 105, 39, 12},
    {"Pentalene", 113, 43, 20},
    {"Naphthalene", 114, 44, 24},
    {"Phenalene", 115, 45, 36},
    {"adamsdiamonds", 137, 61, 16},
    {"pointy", 144, 62, 8},
    {"Anthracene", 167, 76, 36},
    {"shuriken", 116, 46, 48},
    {"cross", 117, 60, 24},
    {"zigzag", 127, 49, 48},
    {"monozag", 129, 50, 48},
    {"splattest", 800, 66, 48},
    // The waffle's lune of 2 takes a square root about its poles, which
    // grows the cube table's error at the crosses' corners.
    {"waffle", 150, 63, 96, 1e-3},
    {"shuriken64", 145, 64, 48, 3e-4, 0, false, true},
    {"cross65", 351, 65, 24, 3e-4, 0, false, true},
    {"trizag", 155, 70, 48, 3e-4, 0, false, true},
    {"pentasplat", 302, 67, 48, 3e-4, 0, false, true},
    {"sunburst", 158, 72, 20, 3e-4, 0, false, true},
    {"conformaltetrahedron", 106, 41, 24},
    {"conformal_dodecahedron", 168, 77, 120},
    {"conformal_octahedron", 402, 74, 8},
    {"rectangulartetrahedron", 107, 42, 24},
    {"Xaraxtetrahedron", 418, 40, 24},
    {"Reuleaux1", 122, 55, 6, 3e-4, 1},
    {"Reuleaux2", 123, 56, 12, 3e-4, 1},
    {"ReuleauxTetrahedron", 124, 57, 24, 3e-4, 1},
    {"Reuleaux8", 125, 58, 48, 3e-4, 1},
    {"Octreleaux", 126, 59, 48, 3e-4, 2},
    {"Square", 21, 28, 8, 3e-4, 0, true},
    {"Box", 86, 29, 3, 3e-4, 0, true},
};

// A point of a Reuleaux cell's curved sixth (b0 at the corner V, b1 at T
// on the ray through the arc's midpoint, b2 at the centre), in the frame
// with V below the x axis: s from the centre to the arc, u along the arc
// from its midpoint (0) to the corner (1). The tetrahedron's vertex cell
// has V at radius 1/sqrt 2 and its arc about (-1/sqrt 2, 0), radius
// sqrt 1.5; the octahedral cell V at radius (sqrt 6 - sqrt 2) / 2 and its
// arc about (-sqrt 2, 0), radius sqrt 3. The arc is held back by 1e-5:
// on it the nearest vertex is a tie.
void CurvedSixth(int cell, double s, double u, double* b0, double* b1, double* b2) {
    const double rho = cell == 1 ? 1.0 / std::sqrt(2.0) : (std::sqrt(6.0) - std::sqrt(2.0)) / 2;
    const double centre = cell == 1 ? -1.0 / std::sqrt(2.0) : -std::sqrt(2.0);
    const double radius = cell == 1 ? std::sqrt(1.5) : std::sqrt(3.0);
    const double vx = 0.5 * rho, vy = -0.8660254037844386 * rho;
    // T: where the arc's tangent at V meets the x axis.
    const double tx = vx + vy * vy / (vx - centre);
    s *= 1.0 - 1e-5;
    const double a = std::asin(vy / radius) * u;
    const double x = s * (centre + radius * std::cos(a)), y = s * radius * std::sin(a);
    *b0 = y / vy;
    *b1 = (x - *b0 * vx) / tx;
    *b2 = 1.0 - *b0 - *b1;
}

struct Built {
    PolyPtr poly;
    ProjectionCacheStore* store = nullptr;
    renderhinttype hints[2];
    int64_t mode;
    explicit Built(int64_t m) : poly(MakePoly()), mode(m) {
        for (renderhinttype& r : hints) {
            r = renderhinttype{};
            InitPolyHints(&r);
        }
        store = NewProjectionCacheStore();
        if (!poly || !store) return;
        HooBoyPolySetup(mode, poly.get(), 0, 1, 0, nullptr, 1, 0.5f, 0.0f, 0.0f);
        int64_t tags[4];
        const int64_t n = CacheTagsOfWarp(poly.get(), tags);
        for (int64_t i = 0; i < n; ++i) PrepareProjectionCache(store, tags[i]);
    }
    ~Built() {
        DumpShortTriangleLists(hints);
        DisposeProjectionCacheStore(&store);
    }
    const polyhedron* p() const { return poly.get(); }
    // The direction the map shows at weights of net triangle t (with the
    // mode's opening of a lune, as the sample road applies it).
    V3 At(int64_t t, double b0, double b1, double b2, bool* missed = nullptr) {
        float out[3];
        uint8_t outside = 0;
        // The net point itself, as the render finds it (the waffle's map
        // reads where it lies).
        const int64_t* v = poly->netTriangle[t].vertex;
        const PolyNetVertex* n = poly->netVertex;
        const float x = float(b0 * n[v[0]].x + b1 * n[v[1]].x + b2 * n[v[2]].x);
        const float y = float(b0 * n[v[0]].y + b1 * n[v[1]].y + b2 * n[v[2]].y);
        DoPolyhedralTransformCore(poly.get(), t, store, out, &outside, &hints[0], b0, b1, b2, x, y);
        PerformFreakyTransformationsOfSource(out, long(mode));
        if (missed) *missed = outside != 0;
        return {out[0], out[1], out[2]};
    }
    double X(int64_t v) const { return poly->coords2D[v][0]; }
    double Y(int64_t v) const { return poly->coords2D[v][1]; }
    // Weights of net point (x, y) in triangle t.
    void Weights(int64_t t, double x, double y, double b[3]) const {
        const int64_t* v = poly->netTriangle[t].vertex;
        const double x0 = X(v[0]), y0 = Y(v[0]), x1 = X(v[1]), y1 = Y(v[1]), x2 = X(v[2]), y2 = Y(v[2]);
        const double d = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
        b[1] = ((x - x0) * (y2 - y0) - (x2 - x0) * (y - y0)) / d;
        b[2] = ((x1 - x0) * (y - y0) - (x - x0) * (y1 - y0)) / d;
        b[0] = 1.0 - b[1] - b[2];
    }
    V3 AtNet(int64_t t, double x, double y, bool* missed = nullptr) {
        double b[3];
        Weights(t, x, y, b);
        return At(t, b[0], b[1], b[2], missed);
    }
};

class MapNets : public ::testing::TestWithParam<MapNetCase> {};

TEST_P(MapNets, BuildsWithOneTaggedCellPerFace) {
    const MapNetCase& c = GetParam();
    Built b(c.mode);
    ASSERT_TRUE(b.poly && b.store);
    const polyhedron* p = b.p();
    EXPECT_EQ(p->shapeCode, c.shapeCode);
    EXPECT_EQ(p->faceCount3D, c.faces);
    EXPECT_EQ(p->netFaceCount, c.faces);
    EXPECT_EQ(p->warpSwitch, c.plain ? 0 : 1);
    EXPECT_EQ(p->warpCode, c.plain ? 0 : c.shapeCode);
    int cells = 0;
    for (int64_t t = 0; t < p->netTriangleCount; ++t) {
        const PolyNetTriangle& tri = p->netTriangle[t];
        if (tri.isTab) continue;
        EXPECT_EQ(tri.tag, c.plain ? 0 : p->netFace[tri.netFace].face3D) << t;
        ++cells;
    }
    // A warped face is one cell; a plain face may be cut into triangles.
    if (!c.plain) {
        EXPECT_EQ(cells, c.faces);
    } else {
        EXPECT_GE(cells, c.faces);
    }
    // A floret's own picture is looked at with the florets.
    if (!c.floretBasis) {
        EXPECT_TRUE(OutputModeIsRenderable(c.mode));
    }
}

// Every net edge: shared by two faces, both show one direction along it;
// on the outline, the edges are glued in pairs (their ends and middles show
// the same points) and both of a pair show one direction all along.
TEST_P(MapNets, BothSidesOfEveryFoldAndGluedOutlineAgree) {
    Built b(GetParam().mode);
    ASSERT_TRUE(b.poly && b.store);
    const polyhedron* p = b.p();
    struct Side {
        int64_t t;
        int e;
    };
    std::map<std::pair<int64_t, int64_t>, std::vector<Side>> edges;
    for (int64_t t = 0; t < p->netTriangleCount; ++t) {
        if (p->netTriangle[t].isTab) continue;
        const int64_t* v = p->netTriangle[t].vertex;
        for (int e = 0; e < 3; ++e) edges[{std::min(v[e], v[(e + 1) % 3]), std::max(v[e], v[(e + 1) % 3])}].push_back({t, e});
    }
    // The point at s along side e of t (from its corner e), as weights.
    auto along = [&](Side s, double u, bool* missed = nullptr) {
        double w[3] = {0, 0, 0};
        w[s.e] = 1.0 - u;
        w[(s.e + 1) % 3] = u;
        return b.At(s.t, w[0], w[1], w[2], missed);
    };
    // Where a side leaves a Reuleaux cell both faces miss alike; a point
    // one side shows and the other misses is a fault.
    int missedOnOneSide = 0;
    auto compare = [&](Side a, double u, Side c, double v, double* worst) {
        bool ma = false, mc = false;
        const V3 da = along(a, u, &ma), dc = along(c, v, &mc);
        missedOnOneSide += ma != mc;
        if (!ma && !mc) *worst = std::max(*worst, AngleBetween(da, dc));
    };
    const double steps[] = {0.0, 0.05, 0.2, 0.35, 0.5, 0.65, 0.8, 0.95, 1.0};
    double worstFold = 0, worstGlue = 0;
    int folds = 0, glued = 0;
    std::vector<Side> outline;
    for (const auto& [key, sides] : edges) {
        ASSERT_LE(sides.size(), 2u);
        if (sides.size() == 1) {
            outline.push_back(sides[0]);
            continue;
        }
        ++folds;
        const bool same = p->netTriangle[sides[0].t].vertex[sides[0].e] == p->netTriangle[sides[1].t].vertex[sides[1].e];
        for (double u : steps) compare(sides[0], u, sides[1], same ? u : 1.0 - u, &worstFold);
    }
    std::vector<bool> matched(outline.size(), false);
    // Outline edges are glued where the sphere shows the same ends and middle.
    auto same = [&](Side a, Side b, bool reversed) {
        int seen = 0;
        for (double u : {0.0, 0.3, 0.6, 0.9, 1.0}) {
            bool ma = false, mb = false;
            const V3 da = along(a, u, &ma), db = along(b, reversed ? 1.0 - u : u, &mb);
            if (ma != mb || (!ma && AngleBetween(da, db) > 1e-3)) return false;
            seen += !ma;
        }
        return seen >= 2;
    };
    // An outline side of a Reuleaux net that only its corner keeps inside
    // the cell lies beyond the cell's arc: the arcs are its outline.
    auto beyondTheArc = [&](Side a) {
        for (double u : {0.05, 0.5, 0.95}) {
            bool m = false;
            along(a, u, &m);
            if (!m) return false;
        }
        return true;
    };
    // An outline side that shows one point only (a pole of longitude and
    // latitude faces) is glued to itself.
    auto onePoint = [&](Side a) {
        return AngleBetween(along(a, 0.0), along(a, 0.5)) < 1e-6 && AngleBetween(along(a, 0.0), along(a, 1.0)) < 1e-6;
    };
    for (size_t i = 0; i < outline.size(); ++i) {
        if (matched[i]) continue;
        if (onePoint(outline[i])) {
            matched[i] = true;
            continue;
        }
        if (GetParam().reuleaux && beyondTheArc(outline[i])) {
            matched[i] = true;
            continue;
        }
        for (size_t j = i + 1; j < outline.size(); ++j) {
            if (matched[j]) continue;
            const bool forward = same(outline[i], outline[j], false);
            if (!forward && !same(outline[i], outline[j], true)) continue;
            matched[i] = matched[j] = true;
            ++glued;
            for (double u : steps) compare(outline[i], u, outline[j], forward ? u : 1.0 - u, &worstGlue);
            break;
        }
        EXPECT_TRUE(matched[i]) << "an outline edge of face " << outline[i].t << " is glued to none";
    }
    std::printf("%s: %d folds (worst %.2e), %d glued pairs (worst %.2e)\n", GetParam().name, folds, worstFold, glued,
                worstGlue);
    EXPECT_GT(folds, 0);
    EXPECT_EQ(missedOnOneSide, 0);
    EXPECT_LT(worstFold, GetParam().seam);
    EXPECT_LT(worstGlue, GetParam().seam);
}

// Directions spread evenly over the sphere each lie in exactly one face's
// image (tessellated finely): at least one counting the small triangles'
// sides in, at most one counting them out.
TEST_P(MapNets, ShowsEveryDirectionOnce) {
    Built b(GetParam().mode);
    ASSERT_TRUE(b.poly && b.store);
    const polyhedron* p = b.p();
    constexpr int n = 12;
    struct Small {
        V3 a, b, c;
    };
    // Per face its small triangles and a cap around them.
    struct Face {
        std::vector<Small> pieces;
        V3 centre;
        double reach;
    };
    std::vector<Face> faces;
    for (int64_t t = 0; t < p->netTriangleCount; ++t) {
        if (p->netTriangle[t].isTab) continue;
        std::vector<V3> g((n + 1) * (n + 1));
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i + j <= n; ++i) {
                double w0 = double(i) / n, w1 = double(n - i - j) / n, w2 = double(j) / n;
                // The curved sixth: i + j from the centre (b2) to the arc, i / (i + j) along it.
                if (GetParam().reuleaux)
                    CurvedSixth(GetParam().reuleaux, double(i + j) / n, i + j ? double(i) / (i + j) : 0.0, &w0, &w1, &w2);
                g[j * (n + 1) + i] = b.At(t, w0, w1, w2);
            }
        auto at = [&](int i, int j) { return g[j * (n + 1) + i]; };
        Face f{{}, b.At(t, 1.0 / 3, 1.0 / 3, 1.0 / 3), 0.0};
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i + j <= n; ++i) f.reach = std::max(f.reach, AngleBetween(f.centre, at(i, j)));
        for (int j = 0; j < n; ++j)
            for (int i = 0; i + j < n; ++i) {
                f.pieces.push_back({at(i, j), at(i + 1, j), at(i, j + 1)});
                if (i + j + 1 < n) f.pieces.push_back({at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
            }
        faces.push_back(f);
    }
    auto inside = [](V3 d, const Small& s, double slack) {
        const double o = Dot(s.a, Cross(s.b, s.c)) > 0 ? 1.0 : -1.0;
        auto side = [&](V3 u, V3 v) { return o * Dot(d, Cross(u, v)) / Norm(Cross(u, v)); };
        return Dot(d, s.a) > 0 && side(s.a, s.b) >= -slack && side(s.b, s.c) >= -slack && side(s.c, s.a) >= -slack;
    };
    const int directions = 2000;
    int unseen = 0, twice = 0;
    for (int k = 0; k < directions; ++k) {
        const double z = 1.0 - (2.0 * k + 1.0) / directions, r = std::sqrt(1.0 - z * z);
        const double a = k * 2.399963229728653;
        const V3 d{r * std::cos(a), r * std::sin(a), z};
        int loose = 0, strict = 0;
        for (const Face& f : faces) {
            // A face reaching past its cap bends back on itself: look at all of it.
            if (f.reach < 3.0 && AngleBetween(d, f.centre) > f.reach + 1e-3) continue;
            for (const Small& s : f.pieces) {
                loose += inside(d, s, GetParam().seam);
                strict += inside(d, s, -GetParam().seam);
            }
        }
        unseen += loose == 0;
        twice += strict > 1;
    }
    EXPECT_EQ(unseen, 0) << GetParam().name;
    EXPECT_EQ(twice, 0) << GetParam().name;
}

// Inside each face the map is conformal (the net's two unit steps go to
// equal, perpendicular steps on the sphere; not asked of plain faces) and
// every face shows the sphere
// with one turn: the picture (y down) shows the Earth of the
// equirectangular input with east to the right of north.
TEST_P(MapNets, ConformalAndUnmirrored) {
    Built b(GetParam().mode);
    ASSERT_TRUE(b.poly && b.store);
    const polyhedron* p = b.p();
    double worst = 0;
    int wrongTurn = 0, looked = 0;
    const double weights[][3] = {{0.6, 0.2, 0.2}, {0.2, 0.6, 0.2}, {0.2, 0.2, 0.6}, {0.34, 0.33, 0.33}};
    for (int64_t t = 0; t < p->netTriangleCount; ++t) {
        if (p->netTriangle[t].isTab) continue;
        const int64_t* v = p->netTriangle[t].vertex;
        const double size = std::hypot(b.X(v[1]) - b.X(v[0]), b.Y(v[1]) - b.Y(v[0]));
        for (const auto& w : weights) {
            const double x = w[0] * b.X(v[0]) + w[1] * b.X(v[1]) + w[2] * b.X(v[2]);
            const double y = w[0] * b.Y(v[0]) + w[1] * b.Y(v[1]) + w[2] * b.Y(v[2]);
            const double h = 0.02 * size;
            bool m[5] = {false, false, false, false, false};
            const V3 dx = b.AtNet(t, x + h, y, &m[0]) - b.AtNet(t, x - h, y, &m[1]);
            const V3 dy = b.AtNet(t, x, y + h, &m[2]) - b.AtNet(t, x, y - h, &m[3]);
            b.AtNet(t, x, y, &m[4]);
            if (m[0] || m[1] || m[2] || m[3] || m[4]) continue;  // beyond a Reuleaux arc
            const double lx = Norm(dx), ly = Norm(dy);
            const double residual = std::fabs(lx - ly) / std::max(lx, ly) + std::fabs(Dot(dx, dy)) / (lx * ly);
            worst = std::max(worst, residual);
            // The frame (x, y, z) = (-sin lon cos lat, sin lat, cos lon cos
            // lat): east x north points into the sphere, so with y down a
            // right-reading picture has (x step) x (y step) pointing out.
            wrongTurn += Dot(b.AtNet(t, x, y), Cross(dx, dy)) < 0;
            ++looked;
        }
    }
    std::printf("%s: worst Cauchy-Riemann residual %.4f over %d points\n", GetParam().name, worst, looked);
    if (!GetParam().plain) {
        EXPECT_LT(worst, 0.05);  // plain faces are gnomonic, not conformal
    }
    EXPECT_GT(looked, 0);
    EXPECT_EQ(wrongTurn, 0);
}

TEST_P(MapNets, FacesDoNotOverlap) {
    Built b(GetParam().mode);
    ASSERT_TRUE(b.poly);
    const polyhedron* p = b.p();
    std::vector<NetPiece> pieces;
    for (int64_t f = 0; f < p->netFaceCount; ++f) {
        const PolyNetFace& nf = p->netFace[f];
        NetPiece piece{f, {}};
        for (int64_t k = 0; k < nf.count; ++k) piece.second.push_back({b.X(nf.vertex[k]), b.Y(nf.vertex[k])});
        pieces.push_back(piece);
    }
    EXPECT_EQ(OverlapsByShapely(pieces, std::string("map-net-") + GetParam().name),
              "checked " + std::to_string(pieces.size()) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Layouts, MapNets, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The tilings that read a net cell by cell: the triangle (368) and hexagon
// (370) tilings of the plane, which repeat the conformal tetrahedron's
// rectangle and the three-star's hexagon, and the hyperbolic {3,9} (371-374)
// and {5,4} (379-382) tilings of the disc, which fold a point into their
// central cell and place it on the tetrahedron's triangle or the pentagon.
struct TilingRig : Built {
    vort context{};
    explicit TilingRig(int64_t m) : Built(m) {
        renderhinttype& h = hints[0];
        h.outputMode = m;
        h.tileScale = 5.656854f;
        InitHypertypeForMode(&h.hyper, m);
        context.outputMode = m;
        context.aspect = 1.0f;
        context.projectionCaches = store;
        init_hyperbolic_modes(&context);
        if (store) PrefillProjectionCachesForMode(store, m);
    }
    bool ready() {
        renderhinttype& h = hints[0];
        return poly && store && AllocateSpanStorage(&h, SpanNodesForNet(p())) &&
               PrepareShortTriList(p(), -1, &h, false, 0, 0, 0, 0, 0);
    }
    bool hyperbolic() const { return ProjectionInvolvesHyperbolicTiling(mode); }
    // The cell under unit point (u, v): its row and column, or its number of
    // fold steps; false outside the drawing (or, for the disc, beyond
    // radius `rim`, where the cells shrink below the floats' steps).
    bool Cell(double u, double v, int64_t cell[2], double rim = 0.85) {
        const polyhedron* q = p();
        const NetBox box{q->net.boundsBox[0], q->net.boundsBox[1], q->net.boundsBox[2], q->net.boundsBox[3]};
        double x, y;
        if (mode == 368) calc_skewed_coordinates_for_triangle(box, hints[0].tileScale, u, v, &x, &y, &cell[0], &cell[1]);
        if (mode == 370) calc_skewed_coordinates_for_hexagon(box, hints[0].tileScale, u, v, &x, &y, &cell[0], &cell[1]);
        if (!hyperbolic()) return true;
        PyramidDescriptor* outline = BuiltProjectionCache(store, ProjectionInvolvesOuterSquare(mode) ? kCacheTagPeirce : kCacheTagDecant);
        fcomplex d;
        if (!HyperbolicDiscPoint(&d, &context.hyperbolicFraming, outline, mode, u, v) || std::hypot(d.re, d.im) > rim)
            return false;
        // The tilings' own turns before the fold: -30 degrees twice for
        // {3,9}, 17.9982 degrees for {5,4}.
        const hypertype& hy = hints[0].hyper;
        fcomplex f;
        cell[1] = 0;
        if (ProjectionInvolves_3_9_tiling(mode)) {
            const double c = 0.5, s = std::sqrt(0.75);
            cell[0] = LBIIS_for_triangle(&f, &hy, d.re * c + d.im * s, -d.re * s + d.im * c);
        } else {
            const double c = 0.9510662229104034, s = 0.30898711888837505;
            cell[0] = LBIIS_for_pentagon(&f, &hy, d.re * c - d.im * s, d.re * s + d.im * c);
        }
        return cell[0] >= 0;
    }
    // The direction shown at (u, v), as the sample road finds it.
    bool Direction(double u, double v, V3* d) {
        float x = float(u), y = float(v);
        if (hyperbolic() && !HyperbolicTilingNetPoint(&context, &hints[0], p(), float(u), float(v), &x, &y))
            return false;
        float out[3];
        uint8_t outside = 1;
        DoPolyhedralTransforms(out, p(), store, &outside, &hints[0], x, y);
        *d = {out[0], out[1], out[2]};
        return outside == 0;
    }
};

struct TilingCase {
    int64_t mode;
    // The largest angle (radians) between the two sides of a cell border:
    // the cell tables are interpolated (the hyperbolic ones twice: the cell
    // map, then the net's own).
    double seam;
};

class MapNetTilings : public ::testing::TestWithParam<TilingCase> {};

// Every point of the plane or the disc shows the sphere, and the two sides
// of every cell border show one direction: pairs of points a step apart in
// different cells are halved towards the border until they are 2e-7 apart.
TEST_P(MapNetTilings, EveryCellBorderIsContinuous) {
    const TilingCase& c = GetParam();
    TilingRig r(c.mode);
    ASSERT_TRUE(r.ready());
    EXPECT_TRUE(OutputModeIsRenderable(c.mode));
    uint32_t seed = 12345;
    auto random = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return double(seed >> 8) / double(1u << 24);
    };
    int borders = 0, missed = 0, points = 0;
    double worst = 0;
    for (int n = 0; n < 6000; ++n) {
        double a[2] = {random(), random()};
        const double turn = 2 * M_PI * random();
        double b[2] = {a[0] + 0.01 * std::cos(turn), a[1] + 0.01 * std::sin(turn)};
        int64_t ca[2], cb[2], cm[2];
        if (!r.Cell(a[0], a[1], ca) || !r.Cell(b[0], b[1], cb)) continue;
        V3 d;
        ++points;
        if (!r.Direction(a[0], a[1], &d)) {
            ++missed;
            float x = 0, y = 0;
            if (r.hyperbolic()) HyperbolicTilingNetPoint(&r.context, &r.hints[0], r.p(), float(a[0]), float(a[1]), &x, &y);
            ADD_FAILURE() << "no direction at " << a[0] << ", " << a[1] << " net " << x << ", " << y << " box "
                          << r.p()->net.boundsBox[0] << " " << r.p()->net.boundsBox[1] << " " << r.p()->net.boundsBox[2]
                          << " " << r.p()->net.boundsBox[3];
        }
        if (ca[0] == cb[0] && ca[1] == cb[1]) continue;
        bool inside = true;
        while (inside && std::hypot(b[0] - a[0], b[1] - a[1]) > 2e-7) {
            const double m[2] = {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2};
            inside = r.Cell(m[0], m[1], cm);
            double* end = (cm[0] == ca[0] && cm[1] == ca[1]) ? a : b;
            end[0] = m[0], end[1] = m[1];
        }
        V3 da, db;
        if (!inside || !r.Direction(a[0], a[1], &da) || !r.Direction(b[0], b[1], &db)) continue;
        ++borders;
        worst = std::max(worst, AngleBetween(da, db));
    }
    // Right up to the rim: every point of the outer shape shows the sphere.
    int shown = 0, holes = 0;
    for (int j = 0; j < 200; ++j)
        for (int i = 0; i < 200; ++i) {
            int64_t cell[2];
            V3 d;
            if (!r.Cell((i + 0.5) / 200, (j + 0.5) / 200, cell, 1.0)) continue;
            ++shown;
            holes += !r.Direction((i + 0.5) / 200, (j + 0.5) / 200, &d);
        }
    EXPECT_EQ(holes, 0);
    // The outer shape's share of the square frame: the disc pi/4; the
    // pentagon of vertex radius 1, its width filling the frame,
    // (5/2) sin 72 / (2 sin 72)^2; the square, the band and the plane tilings
    // all of it.
    const double sin72 = std::sin(0.4 * M_PI);
    const bool disc = c.mode == kModeHyperbolic3_9Disc || c.mode == kModeHyperbolic4_8Disc || c.mode == kModeHyperbolic5_4Disc;
    const double share = disc                                      ? M_PI / 4
                         : ProjectionInvolvesOuterPentagon(c.mode) ? 2.5 * sin72 / (4 * sin72 * sin72)
                                                                   : 1.0;
    EXPECT_NEAR(shown / 40000.0, share, 2e-3);
    std::printf("mode %lld: %d points, %d borders, worst %.2e rad; %d of 40000 shown, %d holes\n", (long long)c.mode,
                points, borders, worst, shown, holes);
    EXPECT_GT(points, 2000);
    EXPECT_EQ(missed, 0);
    EXPECT_GT(borders, 200);
    EXPECT_LT(worst, c.seam);
}

INSTANTIATE_TEST_SUITE_P(Modes, MapNetTilings,
                         ::testing::Values(TilingCase{368, 1e-3}, TilingCase{370, 1e-3}, TilingCase{371, 2e-3},
                                           TilingCase{372, 2e-3}, TilingCase{373, 2e-3}, TilingCase{374, 2e-3},
                                           TilingCase{379, 2e-3}, TilingCase{380, 2e-3}, TilingCase{381, 2e-3},
                                           TilingCase{382, 2e-3}),
                         [](const auto& info) { return std::to_string(info.param.mode); });

// The nets' solid vertices come through the single-precision maps, so they
// are compared to within a few of those maps' last bits.
TEST(MapNetTables, AreCurrent) {
    ExpectGeneratedSourceIsCurrent("gen_map_nets", "polyhedra/generated/map_nets.cpp", 1e-6);
}

}  // namespace
