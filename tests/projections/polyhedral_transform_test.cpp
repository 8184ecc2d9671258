#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "../nets/net_solids.h"
#include "../polyhedra/poly_fixture.h"
#include "polyhedra/poly_storage.h"
#include "projections/caches.h"
#include "projections/polyhedral_transform.h"
#include "records/renderhinttype.h"
#include "tests/projections/road_fixture.h"

namespace {

struct HintsWithStorage {
    renderhinttype h[2];
    HintsWithStorage() {
        for (renderhinttype& r : h) {
            r = renderhinttype{};
            InitPolyHints(&r);
        }
    }
    ~HintsWithStorage() { DumpShortTriangleLists(h); }
};

// The solid's net with glue tabs, as a polyhedral output builds it.
PolyPtr BuildNet(int64_t code) {
    PolyPtr p(NewPolyhedron(1.0f, 0.165f));
    if (p) SetUpReallyGeneralPolyhedron(p.get(), code, 1, 0, 0, nullptr, 1, 0.0f);
    return p;
}

// A solid's net with a span list over all of it.
struct WholeNet {
    PolyPtr poly;
    HintsWithStorage hints;
    bool ready = false;
    explicit WholeNet(int64_t code) : poly(BuildNet(code)) {
        ready = poly && AllocateSpanStorage(&hints.h[0], SpanNodesForNet(poly.get())) &&
                PrepareShortTriList(poly.get(), -1, &hints.h[0], false, 0, 0, 0, 0, 0);
    }
};

struct Vec {
    double x, y, z;
};
Vec Sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Unit(Vec a) {
    const double m = std::sqrt(Dot(a, a));
    return {a.x / m, a.y / m, a.z / m};
}

// Smallest barycentric weight of (x, y) in net triangle t, in double.
double MinWeight(const polyhedron* poly, int64_t t, double x, double y, double w[3]) {
    const PolyNetTriangle& tri = poly->netTriangle[t];
    double p[3][2];
    for (int k = 0; k < 3; ++k) p[k][0] = poly->netVertex[tri.vertex[k]].x, p[k][1] = poly->netVertex[tri.vertex[k]].y;
    const double D = (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[1][1] - p[0][1]) * (p[2][0] - p[0][0]);
    if (D == 0.0) return -1.0;
    for (int k = 0; k < 3; ++k) {
        const double* a = p[(k + 1) % 3];
        const double* b = p[(k + 2) % 3];
        w[k] = ((a[0] - x) * (b[1] - y) - (a[1] - y) * (b[0] - x)) / D;
    }
    return std::min({w[0], w[1], w[2]});
}

// The direction the plain transform gives at weights w of triangle t.
Vec DirectionAt(const polyhedron* poly, int64_t t, const double w[3]) {
    const PolyNetTriangle& tri = poly->netTriangle[t];
    Vec s{0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        s.x += w[k] * tri.cornerPoint[k].x;
        s.y += w[k] * tri.cornerPoint[k].y;
        s.z += w[k] * tri.cornerPoint[k].z;
    }
    return Unit(s);
}

double Angle(Vec a, const float b[3]) {
    const Vec c = Cross(a, {b[0], b[1], b[2]});
    return std::atan2(std::sqrt(Dot(c, c)), Dot(a, {b[0], b[1], b[2]}));
}

class EverySolid : public ::testing::TestWithParam<NetSolid> {};

// Random points of the net's box: the span search claims a face triangle
// exactly where brute force over all triangles finds one, a tab where only
// a tab lies, and nothing elsewhere; the whole-net and the band lists agree.
TEST_P(EverySolid, SpanSearchAgreesWithBruteForce) {
    PolyPtr poly = BuildNet(GetParam().code);
    ASSERT_TRUE(poly);
    ASSERT_EQ(poly->status, kPolyStatusGood);
    ASSERT_GT(poly->netTriangleCount, 0);
    const polyhedron* p = poly.get();
    HintsWithStorage whole, band;
    ASSERT_TRUE(AllocateSpanStorage(&whole.h[0], SpanNodesForNet(p)));
    ASSERT_TRUE(AllocateSpanStorage(&band.h[0], SpanNodesForNet(p)));
    ASSERT_TRUE(PrepareShortTriList(p, -1, &whole.h[0], false, 0, 0, 0, 0, 0));
    const float left = p->net.boundsBox[0], right = p->net.boundsBox[1];
    const float top = p->net.boundsBox[2], bottom = p->net.boundsBox[3];
    std::mt19937 rng(uint32_t(GetParam().code) + 17);
    std::uniform_real_distribution<double> ux(left, right), uy(top, bottom);
    const int64_t n = p->netTriangleCount;
    int hits = 0, tabs = 0;
    for (int i = 0; i < 3000; ++i) {
        const double x = ux(rng), y = uy(rng);
        // Brute force, keeping away from edges where either claim is fair.
        int64_t face = -1;
        bool tab = false, nearEdge = false;
        double w[3], best[3];
        for (int64_t t = 0; t < n; ++t) {
            const double m = MinWeight(p, t, x, y, w);
            if (std::fabs(m) < 1e-4) nearEdge = true;
            if (m < 0) continue;
            if (p->netTriangle[t].isTab) tab = true;
            else if (face < 0) face = t, std::copy(w, w + 3, best);
        }
        if (nearEdge) continue;
        const bool inBand = i % 8 == 0;
        if (inBand) {  // a band of rows around the point
            const float h = 0.03f * (bottom - top);
            ASSERT_TRUE(PrepareShortTriList(p, -1, &band.h[0], true, float(y) - h, float(y) + h, 0, float(x) - h,
                                            float(x) + h));
        }
        for (renderhinttype* hints : {&whole.h[0], &band.h[0]}) {
            if (hints == &band.h[0] && !inBand) continue;
            float out[3];
            uint8_t outside = 0;
            DoPolyhedralTransforms(out, p, nullptr, &outside, hints, float(x), float(y));
            if (face >= 0) {
                ASSERT_EQ(outside, 0) << GetParam().name << " at " << x << ", " << y;
                ASSERT_EQ(hints->onTab, 0);
                ASSERT_LT(Angle(DirectionAt(p, face, best), out), 1e-5) << GetParam().name;
            } else {
                ASSERT_EQ(outside, 1) << GetParam().name << " at " << x << ", " << y;
                ASSERT_EQ(hints->onTab, tab ? 1 : 0) << GetParam().name << " at " << x << ", " << y;
                ASSERT_EQ(hints->faceFound, tab ? 1 : 0);
            }
        }
        hits += face >= 0;
        tabs += face < 0 && tab;
    }
    EXPECT_GT(hits, 300) << GetParam().name;
    EXPECT_GT(tabs, 0) << GetParam().name;
}

// Möller-Trumbore from the centre along d, two-sided: the ray parameter and
// weights of a hit on triangle (a, b, c), or false.
bool RayHits(Vec d, Vec a, Vec b, Vec c, double w[3]) {
    const Vec e1 = Sub(b, a), e2 = Sub(c, a);
    const Vec pv = Cross(d, e2);
    const double det = Dot(e1, pv);
    if (std::fabs(det) < 1e-12) return false;
    const Vec tv = Sub({0, 0, 0}, a);
    const double u = Dot(tv, pv) / det;
    const Vec qv = Cross(tv, e1);
    const double v = Dot(d, qv) / det;
    const double t = Dot(e2, qv) / det;
    const double slack = 1e-9;
    if (u < -slack || v < -slack || u + v > 1 + slack || t <= 0) return false;
    w[0] = 1 - u - v, w[1] = u, w[2] = v;
    return true;
}

// Every direction of a dense set, the solid's vertices and edge midpoints
// among them, hits a face; its weights give a net point, and the transform
// at that point returns the direction.
TEST_P(EverySolid, RayToNetPointAndBack) {
    // Star solids' faces cross one another: a ray meets several, and the
    // transform is only asked about the nearest.
    WholeNet net(GetParam().code);
    ASSERT_TRUE(net.ready);
    const polyhedron* p = net.poly.get();
    HintsWithStorage& hs = net.hints;
    std::vector<Vec> dirs;
    const int N = 1500;
    for (int i = 0; i < N; ++i) {
        const double z = 1 - 2 * (i + 0.5) / N, r = std::sqrt(1 - z * z), a = i * 2.399963229728653;
        dirs.push_back({r * std::cos(a), r * std::sin(a), z});
    }
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        const PolyFace3D& face = p->face3D[f];
        for (int64_t k = 0; k < face.count; ++k) {
            const triplex a = p->coords3D[face.vertex[k]], b = p->coords3D[face.vertex[(k + 1) % face.count]];
            dirs.push_back(Unit({a.x, a.y, a.z}));
            dirs.push_back(Unit({a.x + b.x, a.y + b.y, a.z + b.z}));
        }
    }
    int missed = 0;
    for (const Vec& d : dirs) {
        int64_t hit = -1;
        double bestT = 1e300, w[3], bw[3];
        for (int64_t t = 0; t < p->netTriangleCount; ++t) {
            const PolyNetTriangle& tri = p->netTriangle[t];
            if (tri.isTab || tri.inverseDeterminant == 0.0f) continue;
            const Vec a{tri.cornerPoint[0].x, tri.cornerPoint[0].y, tri.cornerPoint[0].z};
            const Vec b{tri.cornerPoint[1].x, tri.cornerPoint[1].y, tri.cornerPoint[1].z};
            const Vec c{tri.cornerPoint[2].x, tri.cornerPoint[2].y, tri.cornerPoint[2].z};
            if (!RayHits(d, a, b, c, w)) continue;
            const Vec P{w[0] * a.x + w[1] * b.x + w[2] * c.x, w[0] * a.y + w[1] * b.y + w[2] * c.y,
                        w[0] * a.z + w[1] * b.z + w[2] * c.z};
            const double dist = Dot(P, d);
            if (dist < bestT) bestT = dist, hit = t, std::copy(w, w + 3, bw);
        }
        ASSERT_GE(hit, 0) << GetParam().name << ": a direction meets no face";
        const PolyNetTriangle& tri = p->netTriangle[hit];
        double x = 0, y = 0;
        for (int k = 0; k < 3; ++k) {
            x += bw[k] * p->netVertex[tri.vertex[k]].x;
            y += bw[k] * p->netVertex[tri.vertex[k]].y;
        }
        float out[3];
        uint8_t outside = 1;
        DoPolyhedralTransforms(out, p, nullptr, &outside, &hs.h[0], float(x), float(y));
        // A net point where faces touch in the net (a solid's vertex or edge
        // on the outline) belongs to each of them: any of their answers is
        // right.
        bool answered = !outside && Angle(d, out) < 1e-5;
        if (!answered && &d - dirs.data() >= N) {
            for (int64_t t = 0; t < p->netTriangleCount && !answered; ++t) {
                if (p->netTriangle[t].isTab || MinWeight(p, t, x, y, w) < -1e-5) continue;
                answered = !outside && Angle(DirectionAt(p, t, w), out) < 1e-5;
            }
            if (answered) continue;
        }
        if (outside) {
            ++missed;
            continue;
        }
        EXPECT_LT(Angle(d, out), 1e-5) << GetParam().name;
    }
    EXPECT_EQ(missed, 0) << GetParam().name;
}

// A 3D edge cut in the net shows as two net edges: points at the same
// fraction along both (from the same solid vertex) give one direction.
TEST_P(EverySolid, BothNetEdgesOfACutEdgeMapOntoOneArc) {
    WholeNet net(GetParam().code);
    ASSERT_TRUE(net.ready);
    const polyhedron* p = net.poly.get();
    HintsWithStorage& hs = net.hints;
    struct NetEdge {
        int64_t triangle, a, b;  // solid vertices at its ends
        int e;
    };
    std::vector<NetEdge> edges;
    for (int64_t t = 0; t < p->netTriangleCount; ++t) {
        const PolyNetTriangle& tri = p->netTriangle[t];
        if (tri.isTab) continue;
        const PolyFace3D& face = p->face3D[p->netFace[tri.netFace].face3D];
        for (int e = 0; e < 3; ++e)
            if (tri.outlineFlag[e])
                edges.push_back({t, face.vertex[tri.solidCorner[e]], face.vertex[tri.solidCorner[(e + 1) % 3]], e});
    }
    auto at = [&](const NetEdge& ne, double f, float out[3]) {
        const PolyNetTriangle& tri = p->netTriangle[ne.triangle];
        const PolyNetVertex& A = p->netVertex[tri.vertex[ne.e]];
        const PolyNetVertex& B = p->netVertex[tri.vertex[(ne.e + 1) % 3]];
        const PolyNetVertex& C = p->netVertex[tri.vertex[(ne.e + 2) % 3]];
        // A hair inside the triangle, so that the face beside it claims it.
        const double x = A.x + f * (B.x - A.x), y = A.y + f * (B.y - A.y);
        const double k = 1e-4;
        uint8_t outside = 1;
        DoPolyhedralTransforms(out, p, nullptr, &outside, &hs.h[0], float(x + k * (C.x - x)), float(y + k * (C.y - y)));
        return outside == 0;
    };
    int pairs = 0, unclaimed = 0;
    for (size_t i = 0; i < edges.size(); ++i)
        for (size_t j = i + 1; j < edges.size(); ++j) {
            const NetEdge &m = edges[i], &n = edges[j];
            const bool same = m.a == n.b && m.b == n.a, flipped = m.a == n.a && m.b == n.b;
            if (!same && !flipped) continue;
            ++pairs;
            for (double f : {0.2, 0.5, 0.8}) {
                float u[3], v[3];
                if (!at(m, f, u) || !at(n, same ? 1 - f : f, v)) {
                    ++unclaimed;
                    continue;
                }
                const Vec U{u[0], u[1], u[2]};
                EXPECT_LT(Angle(U, v), 1e-3) << GetParam().name;
            }
        }
    EXPECT_GT(pairs, 0) << GetParam().name;
    EXPECT_EQ(unclaimed, 0) << GetParam().name << ": points just inside a face's outline edge found no face";
}

// The net faces cover the net without overlapping: shapely's area of their
// union equals the sum of their areas.
TEST_P(EverySolid, NetFacesDoNotOverlap) {
    PolyPtr poly = BuildNet(GetParam().code);
    ASSERT_TRUE(poly);
    const polyhedron* p = poly.get();
    const std::string dump = NetOutDir() + "/transform-" + std::to_string(GetParam().code) + ".txt";
    {
        std::ofstream out(dump);
        out.precision(17);
        for (int64_t f = 0; f < p->netFaceCount; ++f) {
            const PolyNetFace& nf = p->netFace[f];
            for (int64_t k = 0; k < nf.count; ++k)
                out << p->coords2D[nf.vertex[k]][0] << " " << p->coords2D[nf.vertex[k]][1] << (k + 1 < nf.count ? " " : "\n");
        }
    }
    const std::string cmd =
        "/usr/bin/python3 -c \"import sys\nfrom shapely.geometry import Polygon\nfrom shapely.ops import unary_union\n"
        "ps=[]\nfor l in open(sys.argv[1]):\n v=list(map(float,l.split()))\n ps.append(Polygon(list(zip(v[::2],v[1::2]))))\n"
        "print(repr(unary_union(ps).area), repr(sum(q.area for q in ps)))\" '" + dump + "'";
    FILE* pipe = popen(cmd.c_str(), "r");
    ASSERT_TRUE(pipe);
    double unionArea = 0, sum = 0;
    const int got = fscanf(pipe, "%lf %lf", &unionArea, &sum);
    pclose(pipe);
    ASSERT_EQ(got, 2) << "shapely did not answer";
    EXPECT_GT(sum, 0);
    EXPECT_NEAR(unionArea, sum, 1e-9 * sum + 1e-12) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Nets, EverySolid, ::testing::ValuesIn(kNetSolids), [](const auto& info) {
    std::string s = info.param.name;
    for (char& c : s)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return s;
});

// The curved path on a hand-made rind face: the net quadrilateral's corners
// p0..p3 go to the face's 3D corners Q0..Q2 and its reference vertex Q3, x
// and y negated; a point off the patch is outside rather than NaN.
TEST(FancyPath, CornersGoToTheFourCorners) {
    PolyPtr poly = MakePoly();
    ASSERT_TRUE(poly);
    polyhedron* p = poly.get();
    ASSERT_TRUE(getPolyStorageEtc(p));
    const triplex Q[4] = {{1, 0.2, 0.1}, {0.1, 1, 0.3}, {-0.2, 0.3, 1}, {0.5, -0.4, 0.8}};
    for (int k = 0; k < 4; ++k) p->coords3D[k] = Q[k];
    p->vertexCount3D = 4;
    p->faceCount3D = 1;
    PolyFace3D& f = p->face3D[0];
    f.count = 3;
    f.vertex[0] = 0, f.vertex[1] = 1, f.vertex[2] = 2;
    f.referenceVertex = 3;
    const double net[4][2] = {{0, 0}, {1, 0.1}, {1.2, 1}, {-0.1, 0.9}};
    for (int k = 0; k < 4; ++k) {
        p->coords2D[k][0] = net[k][0];
        p->coords2D[k][1] = net[k][1];
        p->netVertex[k].x = float(net[k][0]);
        p->netVertex[k].y = float(net[k][1]);
    }
    p->netFaceCount = 1;
    PolyNetFace& nf = p->netFace[0];
    nf.count = 3;
    nf.vertex[0] = 0, nf.vertex[1] = 1, nf.vertex[2] = 2;
    nf.twistedApex = 3;
    nf.face3D = 0;
    nf.vertexOffset = 0;
    p->netTriangleCount = 1;
    p->netTriangle[0].netFace = 0;
    for (int k = 0; k < 3; ++k) p->netTriangle[0].vertex[k] = k;
    for (int16_t blend : {0, 1}) {
        p->blendKind = blend;
        for (int k = 0; k < 4; ++k) {
            double out[3];
            ASSERT_TRUE(Get3DPointFancily(0, out, p, net[k][0], net[k][1]));
            const Vec q = Unit({-Q[k].x, -Q[k].y, Q[k].z});
            EXPECT_NEAR(out[0], q.x, 1e-6) << "blend " << blend << " corner " << k;
            EXPECT_NEAR(out[1], q.y, 1e-6);
            EXPECT_NEAR(out[2], q.z, 1e-6);
        }
    }
    // Far off the patch the quadratic has no real root.
    p->blendKind = 0;
    int outsideCount = 0;
    for (double x = -40; x <= 40; x += 4)
        for (double y = -40; y <= 40; y += 4) {
            double out[3];
            const bool inside = Get3DPointFancily(0, out, p, x, y);
            for (double c : out) ASSERT_TRUE(std::isfinite(c));
            outsideCount += !inside;
        }
    EXPECT_GT(outsideCount, 0);
}

// The road on a cube's net drawn at unit scale: a glue tab of fragment n
// gives place 25290 + n and never reaches the input; a face whose direction
// the input cannot see keeps its place as -10001 - p when the polyhedron
// asks for it.
TEST(PolyhedralRoad, TabPlaceAndOutsideKeepsPlace) {
    PolyPtr poly = BuildNet(18);
    ASSERT_TRUE(poly);
    polyhedron* p = poly.get();
    RoadRig rig(7, 4, 1.0f);  // orthographic input: only the front hemisphere
    vort& c = *rig.context;
    c.polyhedral = 1;
    c.outputPolyhedron = p;
    c.edgesOn = 1;  // keeps the face's place on the road
    ASSERT_TRUE(AllocateSpanStorage(&rig.hints, SpanNodesForNet(p)));
    auto relist = [&] { ASSERT_TRUE(PrepareShortTriList(p, -1, &rig.hints, false, 0, 0, 0, 0, 0)); };
    relist();
    int tabs = 0, front = 0, back = 0;
    for (int64_t t = 0; t < p->netTriangleCount; ++t) {
        const PolyNetTriangle& tri = p->netTriangle[t];
        double cx = 0, cy = 0;
        for (int k = 0; k < 3; ++k) cx += p->netVertex[tri.vertex[k]].x / 3.0, cy += p->netVertex[tri.vertex[k]].y / 3.0;
        bool inFace = false;
        double w[3];
        for (int64_t q = 0; q < p->netTriangleCount; ++q)
            if (!p->netTriangle[q].isTab && MinWeight(p, q, cx, cy, w) > -1e-6) inFace = true;
        for (uint8_t keeps : {0, 1}) {
            p->outsideKeepsPlace = keeps;
            const TransformationReply r = rig.at(float(cx + 0.5), float(cy + 0.5));
            if (tri.isTab) {
                if (inFace) continue;
                EXPECT_EQ(r.place, kPlaceGlueTabBase + tri.fragment);
                EXPECT_EQ(r.regionFragment, tri.fragment);
                EXPECT_EQ(r.inputU, -1.0f);
                tabs += keeps;
                continue;
            }
            const double z = (tri.cornerPoint[0].z + tri.cornerPoint[1].z + tri.cornerPoint[2].z) / 3.0;
            const int32_t placeOnFace =
                p->fragmentCount > 0 || p->hasFragments ? p->netFace[tri.netFace].fragment : int32_t(tri.netFace);
            if (z > 0.3) {
                EXPECT_EQ(r.place, placeOnFace);
                front += keeps;
            } else if (z < -0.3) {
                EXPECT_EQ(r.place, keeps ? kPlaceOutsideInput - placeOnFace : kPlaceOutsideInput);
                back += keeps;
            }
        }
    }
    EXPECT_GT(tabs, 0);
    EXPECT_GT(front, 0);
    EXPECT_GT(back, 0);
    DumpSpanStorage(&rig.hints);
}

// The equirectangular ray into the output solid: every ray from the centre
// meets the cube, so every sample has a direction and a face.
TEST(PolyhedralRoad, EquirectangularRaysMeetTheSolid) {
    PolyPtr poly = BuildNet(18);
    ASSERT_TRUE(poly);
    RoadRig rig(7, 1, 0.5f);
    vort& c = *rig.context;
    c.polyhedral = 1;
    c.renderKind = kRenderKindEquiRay;
    c.outputPolyhedron = poly.get();
    c.edgesOn = 1;
    for (int i = 0; i < 3; ++i) c.equiRotation[i][i] = 1.0f;
    for (float u = 0.05f; u < 1.0f; u += 0.1f)
        for (float v = 0.05f; v < 1.0f; v += 0.1f) {
            const TransformationReply r = rig.at(u, v);
            EXPECT_NE(r.place, kPlaceNoDirection) << u << " " << v;
            EXPECT_EQ(rig.hints.faceFound, 1);
            // The equirectangular input gives the ray's own place back.
            EXPECT_NEAR(r.inputV, v, 1e-4);
        }
}

// The conformal warps of the conformal solids move points within each face
// but keep its corners: through the warp codes of the table that map a
// solid's face, a triangle's corners go where the plain path sends them,
// points inside move, and no direction comes out NaN.
TEST(WarpCodes, ConformalFaceWarpsKeepCorners) {
    ProjectionCacheStore* store = NewProjectionCacheStore();
    ASSERT_TRUE(store);
    const struct {
        int64_t code, warp, tag;
    } cases[] = {{18, 46, kCacheTagSphereCube},
                 {19, 73, kCacheTagOctaface},
                 {17, 71, kCacheTagIcoface},
                 {16, 41, kCacheTagTetfaceSextant}};
    int ran = 0;
    for (const auto& c : cases) {
        if (!PrepareProjectionCache(store, c.tag)) continue;  // its table is not computed in this build
        WholeNet net(c.code);
        ASSERT_TRUE(net.ready);
        polyhedron* p = net.poly.get();
        ++ran;
        int moved = 0;
        for (int64_t t = 0; t < p->netTriangleCount; ++t) {
            const PolyNetTriangle& tri = p->netTriangle[t];
            if (tri.isTab) continue;
            const double probes[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.6, 0.3, 0.1}};
            for (int k = 0; k < 4; ++k) {
                float plain[3], warped[3];
                uint8_t outside = 0;
                p->warpSwitch = 0;
                DoPolyhedralTransformCore(p, t, store, plain, &outside, &net.hints.h[0], probes[k][0], probes[k][1],
                                          probes[k][2], 0, 0);
                p->warpSwitch = 1;
                p->warpCode = c.warp;
                DoPolyhedralTransformCore(p, t, store, warped, &outside, &net.hints.h[0], probes[k][0], probes[k][1],
                                          probes[k][2], 0, 0);
                for (float v : warped) ASSERT_TRUE(std::isfinite(v)) << c.warp;
                // Code 41 also turns the solid as a whole.
                if (c.warp == 41) continue;
                const Vec P{plain[0], plain[1], plain[2]};
                if (k < 3) EXPECT_LT(Angle(P, warped), 2e-3) << "warp " << c.warp << " triangle " << t << " corner " << k;
                else moved += Angle(P, warped) > 1e-4;
            }
        }
        if (c.warp != 41) EXPECT_GT(moved, 0) << "warp " << c.warp;
    }
    DisposeProjectionCacheStore(&store);
    EXPECT_GT(ran, 0);
}

TEST(TabRegions, RegionOfAFacesTabAndBack) {
    EXPECT_EQ(tabRegionFrom3DFace(3), 25293);
    EXPECT_EQ(tabRegionFrom3DFace(-4), 25290);
    EXPECT_EQ(possible3DFaceFromTabRegion(25293), 3);
    EXPECT_EQ(possible3DFaceFromTabRegion(17), 17);
}

}  // namespace
