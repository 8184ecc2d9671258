#include "nets/net_tabs.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "nets/net_triangles.h"
#include "nets/outline_walk.h"
#include "polyhedra/poly_queries.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/polyhedron_params.h"

namespace {

constexpr int64_t kMaxWalkSteps = 25290;
// A tab that does not fit is lowered by a fifth at a time, this many times.
constexpr int kTabLowerings = 24;
// Then its sides are narrowed, halving the side angle up to this factor.
constexpr double kTabNarrowest = 8;

bool IsCutEdge(const polyhedron* poly, int64_t f, int64_t e) { return poly->netFace[f].neighbour[e] < 0; }

int64_t NetFaceCount(const polyhedron* poly) { return std::min<int64_t>(poly->netFaceCount, kMaxNetFaces); }

void AppendNetVertex(polyhedron* poly, double x, double y) {
    const int64_t v = poly->netVertexCount;
    poly->coords2D[v][0] = x;
    poly->coords2D[v][1] = y;
    poly->netVertex[v] = PolyNetVertex{float(x), float(y), 1.0f, 1.0f, 1.0f};
    poly->netVertexSolid[v] = -1;
    poly->netVertexTag[v] = -1;
    poly->netVertexUsed[v] = 1;
    poly->netVertexCount = v + 1;
}

// A tab triangle of the last three or given net vertices.
void AppendTabTriangle(polyhedron* poly, int64_t a, int64_t b, int64_t c, int64_t face, int64_t group,
                       int16_t fragment, int16_t region, int64_t glueUnder) {
    PolyNetTriangle& t = poly->netTriangle[poly->netTriangleCount];
    t = PolyNetTriangle{};
    t.vertex[0] = a;
    t.vertex[1] = b;
    t.vertex[2] = c;
    t.netFace = int16_t(face);
    t.tag = 0xFFFF;
    t.faceGroup = int16_t(group);
    t.fragment = fragment;
    t.isTab = 1;
    t.creviceRegion = region;
    for (int e = 0; e < 3; ++e) {
        t.glueUnder[e] = -1;
        t.faceCorner[e] = t.solidCorner[e] = 65535;
    }
    t.glueUnder[0] = int16_t(glueUnder);
    t.faceMark = 0;
    ++poly->netTriangleCount;
}

// The partner of net edge (f, e) on the solid: the net face showing the 3D
// face across it and that face's edge; false when there is none.
bool GluedPartner(const polyhedron* poly, const std::vector<int64_t>& showing, int64_t f, int64_t e, int64_t* g,
                  int64_t* eg) {
    const PolyNetFace& nf = poly->netFace[f];
    const int64_t F = nf.face3D;
    if (F < 0 || F >= poly->faceCount3D || F >= kMax3DFaces) return false;
    const PolyFace3D& f3 = poly->face3D[F];
    if (f3.count < 1 || f3.count > kMaxFaceVertices) return false;
    const int64_t c = ((nf.vertexOffset + e) % f3.count + f3.count) % f3.count;
    const int64_t G = f3.neighbour[c];
    if (G < 0 || G >= int64_t(showing.size()) || G >= kMax3DFaces) return false;
    const int64_t countG = poly->face3D[G].count;
    if (countG < 1 || countG > kMaxFaceVertices) return false;
    const int64_t edgeG = ((f3.neighbourEdge[c] - 1) % countG + countG) % countG;
    if (edgeG > 9) return false;
    const int64_t net = showing[G];
    if (net < 0) return false;
    const int64_t countNet = poly->netFace[net].count;
    if (countNet < 1 || countNet > kMaxFaceVertices) return false;
    *g = net;
    *eg = ((edgeG - poly->netFace[net].vertexOffset) % countNet + countNet) % countNet;
    return true;
}

// Per 3D face the last net face showing it, -1 none.
std::vector<int64_t> NetFacesShowing(const polyhedron* poly) {
    std::vector<int64_t> showing(size_t(std::clamp<int64_t>(poly->faceCount3D, 0, kMax3DFaces)), -1);
    for (int64_t f = 0; f < NetFaceCount(poly); ++f) {
        const int64_t F = poly->netFace[f].face3D;
        if (F >= 0 && F < int64_t(showing.size())) showing[F] = f;
    }
    return showing;
}

bool ReconcileSkipped(const polyhedron* poly) {
    polyhedron_params params;
    get_polyhedron_params_from_output_mode(poly->outputMode, &params);
    return params.setupMode == 2 || params.setupMode == 6;
}

void FixPair(polyhedron* poly, const std::vector<int64_t>& showing, int64_t f, int64_t e) {
    int64_t g, eg;
    if (!GluedPartner(poly, showing, f, e, &g, &eg)) return;
    uint8_t& mine = poly->netFace[f].tabFlag[e];
    uint8_t& theirs = poly->netFace[g].tabFlag[eg];
    if ((mine != 0) == (theirs != 0)) theirs = mine ? 0 : 1;
}

}  // namespace

int AddTabsViaEdgeWalking(polyhedron* poly, int64_t outline, int64_t numberFaces) {
    if (!poly) return 0;
    int64_t f0, e0;
    if (!FindANeighborless2DEdgeThatsUnconsidered(poly, &f0, &e0)) return 0;
    const bool phase = poly->tabPhase != 0;
    auto visit = [&](int64_t f, int64_t e, int64_t distance) {
        PolyNetFace& nf = poly->netFace[f];
        nf.walked[e] = 1;
        if (numberFaces) nf.outlineNumber = int16_t(outline);
        if ((distance % 2 == 1) == phase) nf.tabFlag[e] = 1;
    };
    visit(f0, e0, 0);
    int64_t f = f0, e = e0;
    for (int64_t d = 1; d <= kMaxWalkSteps; ++d) {
        NextAroundNet(poly, &f, &e);
        if (f < 0) return 1;
        visit(f, e, d);
        if (f == f0 && e == e0) break;
    }
    return 1;
}

void RemoveTabsFromFaces(polyhedron* poly) {
    if (!poly) return;
    for (int64_t f = 0; f < NetFacesWritten(poly); ++f)
        for (int k = 0; k < kMaxFaceVertices; ++k) poly->netFace[f].tabFlag[k] = poly->netFace[f].walked[k] = 0;
}

void ReconcileTabs(polyhedron* poly, int64_t cutEdgesOnly) {
    if (!poly) return;
    if (cutEdgesOnly && poly->fragmentCount < 2) return;
    if (ReconcileSkipped(poly)) return;
    const std::vector<int64_t> showing = NetFacesShowing(poly);
    for (int64_t f = 0; f < NetFaceCount(poly); ++f)
        for (int64_t e = 0; e < poly->netFace[f].count && e < kMaxFaceVertices; ++e)
            if (!cutEdgesOnly || IsCutEdge(poly, f, e)) FixPair(poly, showing, f, e);
}

void BuildDetachedTabTriangle(polyhedron* poly, int64_t face, int64_t faceGroup, double x0, double y0, double x1,
                              double y1, double x2, double y2) {
    if (!poly || !poly->coords2D) return;
    if (poly->netVertexCount >= kMax2DVertices - 3) {
        poly->status = kPolyStatusTabVertexLimit;
        return;
    }
    AppendNetVertex(poly, x0, y0);
    AppendNetVertex(poly, x1, y1);
    AppendNetVertex(poly, x2, y2);
    if (poly->netTriangleCount >= kMaxNetTriangles - 1) {
        poly->status = kPolyStatusNetTrianglesExhausted;
        return;
    }
    const int64_t v = poly->netVertexCount;
    AppendTabTriangle(poly, v - 3, v - 2, v - 1, face, faceGroup, -1, -1, -1);
}

void CopyTabsFromAtoB(const polyhedron* a, polyhedron* b) {
    if (!a || !b || !a->coords2D) return;
    const int64_t count = std::min<int64_t>(a->netTriangleCount, kMaxNetTriangles);
    for (int64_t t = 0; t < count; ++t) {
        const PolyNetTriangle& tri = a->netTriangle[t];
        if (!tri.isTab) continue;
        double p[3][2];
        bool ok = true;
        for (int k = 0; k < 3; ++k) {
            const int64_t v = tri.vertex[k];
            if (v < 0 || v >= kMax2DVertices) ok = false;
            else {
                p[k][0] = a->coords2D[v][0];
                p[k][1] = a->coords2D[v][1];
            }
        }
        if (!ok) continue;
        const int64_t group = tri.netFace < 0 ? -1 : FacegroupOf2DFace(tri.netFace, a);
        BuildDetachedTabTriangle(b, tri.netFace, group, p[0][0], p[0][1], p[1][0], p[1][1], p[2][0], p[2][1]);
    }
}

namespace {

struct Pt {
    double x, y;
};

struct Shape {
    Pt p[4];  // P0, Q0, Q1, P1; Q0 = Q1 when the sides meet
    int count;
};

Pt NetPoint(const polyhedron* poly, int64_t v) { return {poly->coords2D[v][0], poly->coords2D[v][1]}; }

Pt FaceCorner(const polyhedron* poly, int64_t f, int64_t k) {
    const PolyNetFace& nf = poly->netFace[f];
    const int64_t v = nf.vertex[((k % nf.count) + nf.count) % nf.count];
    return v >= 0 && v < kMax2DVertices ? NetPoint(poly, v) : Pt{0, 0};
}

// The angle from the edge's direction `along` to the point, turning toward
// the outer side `out`, in (0, 2 pi].
double OutsideAngle(Pt from, Pt along, Pt out, Pt to) {
    const double dx = to.x - from.x, dy = to.y - from.y;
    double a = std::atan2(dx * out.x + dy * out.y, dx * along.x + dy * along.y);
    if (a <= 0) a += 2 * M_PI;
    return a;
}

struct TabEdge {
    int64_t triangle, edge;  // the triangle edge it stands on
    int64_t face, corner;    // the net face edge
    Pt p0, p1;
    double side;             // +1: outer side is (dy, -dx)
    int64_t v0, v1;          // net vertices at p0 and p1
    int64_t lastCorner;      // the seam's last face edge (corner unless a seam runs on)
    // The outline goes on before p0 (after p1) along the seam's other side:
    // the cut ends there in a slit that closes on the seam itself.
    bool slitBefore, slitAfter;
};

bool EdgeOfTriangle(const polyhedron* poly, int64_t t, int64_t k, TabEdge* out) {
    const PolyNetTriangle& tri = poly->netTriangle[t];
    for (int j = 0; j < 3; ++j)
        if (tri.vertex[j] < 0 || tri.vertex[j] >= kMax2DVertices) return false;
    const Pt a = NetPoint(poly, tri.vertex[k]), b = NetPoint(poly, tri.vertex[(k + 1) % 3]),
             c = NetPoint(poly, tri.vertex[(k + 2) % 3]);
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double side = (dx * (c.y - a.y) - dy * (c.x - a.x)) < 0 ? -1.0 : 1.0;
    *out = TabEdge{t, k, tri.netFace, tri.faceCorner[k], a, b, side, tri.vertex[k], tri.vertex[(k + 1) % 3],
                   tri.faceCorner[k], false, false};
    return true;
}

// A straight seam: face edges first .. first + count - 1 of a net face, all
// glued to consecutive edges of one other face through corners where the
// face runs straight on (corners where only the two faces meet split one
// edge of the solid into several). It takes one tab, on one side.
struct SeamRun {
    int64_t face, first, count;
};

// Whether net face f runs straight on through its corner k. The tables
// hold their corners in single precision, a few 1e-8 of the solid's size off
// the line they lie on: on an edge a hundredth of the solid that tilts it by
// up to about 3e-6, so a turn below 1e-5 is a corner on a straight run.
bool StraightCorner(const polyhedron* poly, int64_t f, int64_t k) {
    const Pt a = FaceCorner(poly, f, k - 1), b = FaceCorner(poly, f, k), c = FaceCorner(poly, f, k + 1);
    const double ux = b.x - a.x, uy = b.y - a.y, vx = c.x - b.x, vy = c.y - b.y;
    return ux * vx + uy * vy > 0 && std::fabs(ux * vy - uy * vx) <= 1e-5 * std::hypot(ux, uy) * std::hypot(vx, vy);
}

// Whether the seam of edge e of net face f goes on through edge e + 1. Only
// cut edges take part unless `everyEdge` (each face a page of its own).
bool SeamGoesOn(const polyhedron* poly, const std::vector<int64_t>& showing, int64_t f, int64_t e, bool everyEdge) {
    const int64_t n = poly->netFace[f].count, e0 = ((e % n) + n) % n, e1 = (e0 + 1) % n;
    if (!everyEdge && (!IsCutEdge(poly, f, e0) || !IsCutEdge(poly, f, e1))) return false;
    int64_t g0, eg0, g1, eg1;
    if (!GluedPartner(poly, showing, f, e0, &g0, &eg0) || !GluedPartner(poly, showing, f, e1, &g1, &eg1)) return false;
    if (g0 != g1 || g0 == f) return false;
    // Consecutive on g, whichever way g runs round.
    const int64_t m = poly->netFace[g0].count;
    return ((eg1 + 1) % m == eg0 || (eg0 + 1) % m == eg1) && StraightCorner(poly, f, e1);
}

// The seam edge e of net face f lies on.
SeamRun SeamThrough(const polyhedron* poly, const std::vector<int64_t>& showing, int64_t f, int64_t e, bool everyEdge) {
    const int64_t n = poly->netFace[f].count;
    int64_t first = e, count = 1;
    while (count < n && SeamGoesOn(poly, showing, f, first - 1, everyEdge)) first = (first + n - 1) % n, ++count;
    while (count < n && SeamGoesOn(poly, showing, f, first + count - 1, everyEdge)) ++count;
    return {f, first, count};
}

// The same seam seen from the face glued to it; false when there is none.
bool SeamPartner(const polyhedron* poly, const std::vector<int64_t>& showing, const SeamRun& run, bool everyEdge,
                 SeamRun* out) {
    int64_t g, eg;
    if (!GluedPartner(poly, showing, run.face, run.first, &g, &eg)) return false;
    *out = SeamThrough(poly, showing, g, eg, everyEdge);
    return true;
}

int64_t TabsOnSeam(const polyhedron* poly, const SeamRun& run) {
    const PolyNetFace& nf = poly->netFace[run.face];
    int64_t tabs = 0;
    for (int64_t i = 0; i < run.count; ++i) tabs += nf.tabFlag[(run.first + i) % nf.count] != 0;
    return tabs;
}

// The tab edge `te` stretched over the whole seam it starts.
void StretchOverSeam(const polyhedron* poly, const SeamRun& run, TabEdge* te) {
    const PolyNetFace& nf = poly->netFace[run.face];
    te->corner = run.first;
    te->lastCorner = (run.first + run.count - 1) % nf.count;
    te->v0 = nf.vertex[run.first];
    te->v1 = nf.vertex[(run.first + run.count) % nf.count];
    te->p0 = NetPoint(poly, te->v0);
    te->p1 = NetPoint(poly, te->v1);
}

// Notes where the outline next to the tab edge `te` is its own seam's other
// side (the end of a cut, where the net closes in a slit as wide as the
// solid's corner is short of flat). No tab stands there, so the tab may take
// the whole slit.
void NoteSlits(const polyhedron* poly, const std::vector<int64_t>& showing, TabEdge* te) {
    int64_t f = te->face, e = te->corner, g, eg;
    PrevAroundNet(poly, &f, &e);
    te->slitBefore = f >= 0 && GluedPartner(poly, showing, te->face, te->corner, &g, &eg) && g == f && eg == e;
    f = te->face, e = te->lastCorner;
    NextAroundNet(poly, &f, &e);
    te->slitAfter = f >= 0 && GluedPartner(poly, showing, te->face, te->lastCorner, &g, &eg) && g == f && eg == e;
}

// The tab on edge `te` of height h (relative to the edge length), its side
// angles bisecting outline corners sharper than the side angle.
Shape ShapeTab(const polyhedron* poly, const TabEdge& te, double h, bool pagePerFace, bool halve = false,
               double narrow = 1) {
    double cotSide = poly->steepTabs == 1 ? kSteepTabSlant : kTabSlant;
    if (narrow > 1) cotSide = 1 / std::tan(std::atan(1 / cotSide) / narrow);
    const double dx = te.p1.x - te.p0.x, dy = te.p1.y - te.p0.y, len = std::hypot(dx, dy);
    Shape s{};
    s.p[0] = te.p0;
    s.p[3] = te.p1;
    if (len == 0) {
        s.p[1] = s.p[2] = te.p0;
        s.count = 3;
        return s;
    }
    const Pt along{dx / len, dy / len}, out{te.side * dy / len, -te.side * dx / len};
    const Pt back{-along.x, -along.y};
    // Where the outline goes on before and after this edge, and whether
    // those edges carry tabs too.
    Pt before, after;
    bool tabBefore, tabAfter;
    if (pagePerFace) {
        const PolyNetFace& nf = poly->netFace[te.face];
        before = FaceCorner(poly, te.face, te.corner - 1);
        after = FaceCorner(poly, te.face, te.lastCorner + 2);
        tabBefore = nf.tabFlag[(te.corner + nf.count - 1) % nf.count];
        tabAfter = nf.tabFlag[(te.lastCorner + 1) % nf.count];
    } else {
        int64_t f = te.face, e = te.corner;
        PrevAroundNet(poly, &f, &e);
        before = f >= 0 ? FaceCorner(poly, f, e) : Pt{te.p0.x - out.x, te.p0.y - out.y};
        tabBefore = f >= 0 && poly->netFace[f].tabFlag[e];
        f = te.face;
        e = te.lastCorner;
        NextAroundNet(poly, &f, &e);
        after = f >= 0 ? FaceCorner(poly, f, e + 1) : Pt{te.p1.x - out.x, te.p1.y - out.y};
        tabAfter = f >= 0 && poly->netFace[f].tabFlag[e];
    }
    const double sideAngle = std::atan(1.0 / cotSide);
    const double a0 = OutsideAngle(te.p0, along, out, before), a1 = OutsideAngle(te.p1, back, out, after);
    // Halved: a side takes at most half the outside angle, leaving the other
    // half to a tab on the next edge. A corner both of whose outline edges
    // carry tabs is always halved: whichever tab came first would otherwise
    // take the room the other needs.
    const double limit0 = halve || tabBefore ? 2 * sideAngle : sideAngle;
    const double limit1 = halve || tabAfter ? 2 * sideAngle : sideAngle;
    // A side that would leave a slit takes all of it.
    const double cot0 = te.slitBefore && !pagePerFace ? (a0 < sideAngle ? 1.0 / std::tan(a0) : cotSide)
                        : a0 < limit0                 ? 1.0 / std::tan(a0 / 2)
                                                      : cotSide;
    const double cot1 = te.slitAfter && !pagePerFace ? (a1 < sideAngle ? 1.0 / std::tan(a1) : cotSide)
                        : a1 < limit1                ? 1.0 / std::tan(a1 / 2)
                                                     : cotSide;
    if (h * (cot0 + cot1) >= 1.0) {
        h = 1.0 / (cot0 + cot1);
        const Pt q{te.p0.x + h * len * (out.x + cot0 * along.x), te.p0.y + h * len * (out.y + cot0 * along.y)};
        s.p[1] = s.p[2] = q;
        s.count = 3;
        return s;
    }
    s.p[1] = {te.p0.x + h * len * (out.x + cot0 * along.x), te.p0.y + h * len * (out.y + cot0 * along.y)};
    s.p[2] = {te.p1.x + h * len * (out.x - cot1 * along.x), te.p1.y + h * len * (out.y - cot1 * along.y)};
    s.count = 4;
    return s;
}

// Where the seam's other side lies across the tab edge `te` a hairline away
// (faces laid round a corner close up short of flat there, without meeting
// at a corner of the net), the tab that fills the gap between the two sides,
// up to height h; false when the other side does not lie so.
bool GapShape(const polyhedron* poly, const TabEdge& te, const SeamRun& other, double h, Shape* s) {
    const double dx = te.p1.x - te.p0.x, dy = te.p1.y - te.p0.y, len = std::hypot(dx, dy);
    if (len == 0) return false;
    const Pt along{dx / len, dy / len}, out{te.side * dy / len, -te.side * dx / len};
    const Pt b0 = FaceCorner(poly, other.face, other.first), b1 = FaceCorner(poly, other.face, other.first + other.count);
    // The other side in the edge's frame: u along it, v out from it (edge lengths).
    auto u = [&](Pt q) { return ((q.x - te.p0.x) * along.x + (q.y - te.p0.y) * along.y) / len; };
    auto v = [&](Pt q) { return ((q.x - te.p0.x) * out.x + (q.y - te.p0.y) * out.y) / len; };
    const double u0 = u(b0), u1 = u(b1);
    if (std::fabs(u1 - u0) < 0.5) return false;
    // Its height over both ends of the edge, a twentieth kept clear.
    const double over0 = v(b0) + (v(b1) - v(b0)) * (0 - u0) / (u1 - u0);
    const double over1 = v(b0) + (v(b1) - v(b0)) * (1 - u0) / (u1 - u0);
    if (!(over0 > 0 && over1 > 0 && std::max(over0, over1) < h)) return false;
    const double h0 = 0.95 * over0 * len, h1 = 0.95 * over1 * len;
    *s = Shape{};
    s->p[0] = te.p0;
    s->p[1] = {te.p0.x + h0 * out.x, te.p0.y + h0 * out.y};
    s->p[2] = {te.p1.x + h1 * out.x, te.p1.y + h1 * out.y};
    s->p[3] = te.p1;
    s->count = 4;
    // A side lower than a hundredth of the edge is none: the tab narrows to
    // its other side's top there.
    if (h0 < 0.01 * len || h1 < 0.01 * len) {
        s->p[1] = s->p[2] = h0 < h1 ? s->p[2] : s->p[1];
        s->count = 3;
    }
    return true;
}

// Whether two convex polygons' interiors overlap by more than eps.
bool ConvexOverlap(const Pt* a, int na, const Pt* b, int nb, double eps) {
    const Pt* polys[2] = {a, b};
    const int counts[2] = {na, nb};
    for (int which = 0; which < 2; ++which)
        for (int k = 0; k < counts[which]; ++k) {
            const Pt u = polys[which][k], v = polys[which][(k + 1) % counts[which]];
            const double nx = v.y - u.y, ny = u.x - v.x, len = std::hypot(nx, ny);
            if (len == 0) continue;
            double minA = 1e300, maxA = -1e300, minB = 1e300, maxB = -1e300;
            for (int i = 0; i < na; ++i) {
                const double d = (a[i].x * nx + a[i].y * ny) / len;
                minA = std::min(minA, d), maxA = std::max(maxA, d);
            }
            for (int i = 0; i < nb; ++i) {
                const double d = (b[i].x * nx + b[i].y * ny) / len;
                minB = std::min(minB, d), maxB = std::max(maxB, d);
            }
            if (maxA <= minB + eps || maxB <= minA + eps) return false;
        }
    return true;
}

struct Placed {
    Shape shape;
    int64_t face;
    double box[4];
};

void BoxOf(const Pt* p, int n, double box[4]) {
    box[0] = box[2] = 1e300;
    box[1] = box[3] = -1e300;
    for (int i = 0; i < n; ++i) {
        box[0] = std::min(box[0], p[i].x), box[1] = std::max(box[1], p[i].x);
        box[2] = std::min(box[2], p[i].y), box[3] = std::max(box[3], p[i].y);
    }
}

bool BoxesMeet(const double a[4], const double b[4]) {
    return a[0] < b[1] && b[0] < a[1] && a[2] < b[3] && b[2] < a[3];
}

// The tab's quadrilateral as a convex polygon without the repeated apex.
int Outline(const Shape& s, Pt* out) {
    out[0] = s.p[0];
    out[1] = s.p[1];
    if (s.count == 3) {
        out[2] = s.p[3];
        return 3;
    }
    out[2] = s.p[2];
    out[3] = s.p[3];
    return 4;
}

// What a tab must keep clear of, the net's triangles and the tabs placed
// so far, filed under the cells of a grid over the net that their boxes
// cover, so that a tab is tested against those near it rather than against
// every one: a net of thousands of faces has thousands of seams. Whatever
// the grid cannot file soundly (a box not finite, a corner that a new tab
// vertex could still move) is tested at every ask.
class NearIndex {
public:
    NearIndex(const polyhedron* poly, int64_t triangles) : seenTriangle_(size_t(std::max<int64_t>(triangles, 0)), 0) {
        std::vector<double> boxes(seenTriangle_.size() * 4);
        double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
        for (int64_t t = 0; t < triangles; ++t) {
            const PolyNetTriangle& tri = poly->netTriangle[t];
            double* box = &boxes[size_t(t) * 4];
            box[0] = 1, box[1] = 0;  // none
            if (tri.isTab) continue;
            Pt q[3];
            bool ok = true, settled = true;
            for (int k = 0; k < 3; ++k) {
                if (tri.vertex[k] < 0 || tri.vertex[k] >= kMax2DVertices) ok = false;
                else q[k] = NetPoint(poly, tri.vertex[k]);
                if (ok && tri.vertex[k] >= poly->netVertexCount) settled = false;
            }
            if (!ok) continue;
            BoxOf(q, 3, box);
            if (!settled || !Fileable(box)) {
                always_.push_back(int32_t(t));
                box[0] = 1, box[1] = 0;
                continue;
            }
            lo[0] = std::min(lo[0], box[0]), hi[0] = std::max(hi[0], box[1]);
            lo[1] = std::min(lo[1], box[2]), hi[1] = std::max(hi[1], box[3]);
        }
        if (!(lo[0] <= hi[0])) lo[0] = hi[0] = lo[1] = hi[1] = 0;
        // About one cell a triangle, at most 512 along a side.
        const double w = hi[0] - lo[0], h = hi[1] - lo[1];
        double cell = std::sqrt(w * h / double(std::max<int64_t>(triangles, 1)));
        cell = std::max({cell, w / 512, h / 512});
        if (!(cell > 0)) cell = std::max({w, h, 1.0});
        x0_ = lo[0], y0_ = lo[1], cell_ = cell;
        // (A net spread past what a double spans gets one cell.)
        if (std::isfinite(w) && std::isfinite(h) && std::isfinite(cell)) {
            nx_ = std::clamp<int64_t>(int64_t(w / cell) + 1, 1, 513);
            ny_ = std::clamp<int64_t>(int64_t(h / cell) + 1, 1, 513);
        }
        cells_.resize(size_t(nx_ * ny_));
        for (int64_t t = 0; t < triangles; ++t)
            if (const double* box = &boxes[size_t(t) * 4]; box[0] <= box[1]) File(box, int32_t(t));
    }
    // A placed tab, the next one's index.
    void AddTab(const double box[4]) {
        const int32_t id = -int32_t(seenTab_.size()) - 1;
        seenTab_.push_back(0);
        if (Fileable(box)) File(box, id);
        else always_.push_back(id);
    }
    // Calls hit(triangle, -1) or hit(-1, tab) once for each filed triangle
    // and tab whose box may meet `box` (every one for a box the grid cannot
    // place), until hit answers true; answers whether it did.
    template <class Hit>
    bool Any(const double box[4], const Hit& hit) {
        if (++stamp_ == 0) {
            std::fill(seenTriangle_.begin(), seenTriangle_.end(), 0);
            std::fill(seenTab_.begin(), seenTab_.end(), 0);
            stamp_ = 1;
        }
        auto visit = [&](int32_t id) {
            uint32_t& seen = id >= 0 ? seenTriangle_[size_t(id)] : seenTab_[size_t(-id - 1)];
            if (seen == stamp_) return false;
            seen = stamp_;
            return id >= 0 ? hit(int64_t(id), int64_t(-1)) : hit(int64_t(-1), int64_t(-id - 1));
        };
        for (int32_t id : always_)
            if (visit(id)) return true;
        if (!Fileable(box)) {
            for (size_t t = 0; t < seenTriangle_.size(); ++t)
                if (visit(int32_t(t))) return true;
            for (size_t p = 0; p < seenTab_.size(); ++p)
                if (visit(-int32_t(p) - 1)) return true;
            return false;
        }
        int64_t i0, i1, j0, j1;
        Cells(box, &i0, &i1, &j0, &j1);
        for (int64_t j = j0; j <= j1; ++j)
            for (int64_t i = i0; i <= i1; ++i)
                for (int32_t id : cells_[size_t(j * nx_ + i)])
                    if (visit(id)) return true;
        return false;
    }

private:
    static bool Fileable(const double box[4]) {
        return std::isfinite(box[0]) && std::isfinite(box[1]) && std::isfinite(box[2]) && std::isfinite(box[3]) &&
               box[0] <= box[1] && box[2] <= box[3];
    }
    int64_t Cell(double v, double origin, int64_t n) const {
        const double c = std::floor((v - origin) / cell_);
        if (!(c > 0)) return 0;
        return c >= double(n - 1) ? n - 1 : int64_t(c);
    }
    void Cells(const double box[4], int64_t* i0, int64_t* i1, int64_t* j0, int64_t* j1) const {
        *i0 = Cell(box[0], x0_, nx_), *i1 = Cell(box[1], x0_, nx_);
        *j0 = Cell(box[2], y0_, ny_), *j1 = Cell(box[3], y0_, ny_);
    }
    void File(const double box[4], int32_t id) {
        int64_t i0, i1, j0, j1;
        Cells(box, &i0, &i1, &j0, &j1);
        for (int64_t j = j0; j <= j1; ++j)
            for (int64_t i = i0; i <= i1; ++i) cells_[size_t(j * nx_ + i)].push_back(id);
    }

    double x0_ = 0, y0_ = 0, cell_ = 1;
    int64_t nx_ = 1, ny_ = 1;
    std::vector<std::vector<int32_t>> cells_;  // triangle t as t, placed tab p as -p - 1
    std::vector<int32_t> always_;
    std::vector<uint32_t> seenTriangle_, seenTab_;
    uint32_t stamp_ = 0;
};

bool Fits(const polyhedron* poly, const Shape& s, int64_t face, bool pagePerFace, NearIndex& near,
          const std::vector<Placed>& placed) {
    Pt tab[4];
    const int n = Outline(s, tab);
    // A tab squeezed to nothing (its apex on the edge's far end, where the
    // outline folds sharply back, or a sliver in the hairline slit between
    // the two sides of a cut that opens by a fraction of a degree) is no
    // tab: lower or move it instead.
    double area = 0;
    for (int i = 0; i < n; ++i) area += tab[i].x * tab[(i + 1) % n].y - tab[(i + 1) % n].x * tab[i].y;
    const double ex = s.p[3].x - s.p[0].x, ey = s.p[3].y - s.p[0].y;
    if (std::fabs(area) <= 1e-2 * (ex * ex + ey * ey)) return false;
    double box[4];
    BoxOf(tab, n, box);
    const double eps = 1e-9 * (1 + std::fabs(box[0]) + std::fabs(box[1]) + std::fabs(box[2]) + std::fabs(box[3]));
    const bool meets = near.Any(box, [&](int64_t t, int64_t p) {
        if (t >= 0) {
            const PolyNetTriangle& tri = poly->netTriangle[t];
            if (tri.isTab || (pagePerFace && tri.netFace != face)) return false;
            Pt q[3];
            for (int k = 0; k < 3; ++k) {
                if (tri.vertex[k] < 0 || tri.vertex[k] >= kMax2DVertices) return false;
                q[k] = NetPoint(poly, tri.vertex[k]);
            }
            double tbox[4];
            BoxOf(q, 3, tbox);
            return BoxesMeet(box, tbox) && ConvexOverlap(tab, n, q, 3, eps);
        }
        const Placed& other = placed[size_t(p)];
        if (pagePerFace && other.face != face) return false;
        if (!BoxesMeet(box, other.box)) return false;
        Pt o[4];
        const int m = Outline(other.shape, o);
        return ConvexOverlap(tab, n, o, m, eps);
    });
    return !meets;
}

// False, with the status set and nothing added, when the net's tables
// cannot hold the tab.
bool AppendShape(polyhedron* poly, const TabEdge& te, const Shape& s, int64_t glueUnder) {
    const PolyNetTriangle tri = poly->netTriangle[te.triangle];
    const int64_t i0 = te.v0, i1 = te.v1;
    const int64_t group = FacegroupOf2DFace(tri.netFace, poly);
    const int64_t vertices = s.count == 3 ? 1 : 2;
    if (poly->netVertexCount > kMax2DVertices - 1 - vertices) {
        poly->status = kPolyStatusTabVertexLimit;
        return false;
    }
    if (poly->netTriangleCount > kMaxNetTriangles - vertices) {
        poly->status = kPolyStatusNetTrianglesExhausted;
        return false;
    }
    AppendNetVertex(poly, s.p[1].x, s.p[1].y);
    if (s.count == 4) AppendNetVertex(poly, s.p[2].x, s.p[2].y);
    const int64_t q0 = poly->netVertexCount - vertices, q1 = poly->netVertexCount - 1;
    AppendTabTriangle(poly, i0, q0, i1, tri.netFace, group, tri.fragment, tri.creviceRegion, glueUnder);
    if (s.count == 4)
        AppendTabTriangle(poly, q0, q1, i1, tri.netFace, group, tri.fragment, tri.creviceRegion, glueUnder);
    return true;
}

// The triangle edge lying on net face edge (g, e), if any.
bool TriangleEdgeOfFaceEdge(const polyhedron* poly, int64_t g, int64_t e, int64_t* t, int64_t* k) {
    const PolyNetFace& nf = poly->netFace[g];
    for (int64_t i = nf.firstTriangle; i >= 0 && i < nf.firstTriangle + nf.triangleCount && i < kMaxNetTriangles; ++i)
        for (int j = 0; j < 3; ++j)
            if (poly->netTriangle[i].outlineFlag[j] && poly->netTriangle[i].faceCorner[j] == e) {
                *t = i;
                *k = j;
                return true;
            }
    return false;
}

}  // namespace

namespace {

// One pass of the fitting; `pointed` builds each tab as a triangle with its
// point over the middle of the trapezoid's top, one net vertex a tab.
void FitTabs(polyhedron* poly, bool pagePerFace, bool pointed) {
    const double h = poly->net.secondArgument;
    auto Point = [pointed](Shape s) {
        if (!pointed || s.count == 3) return s;
        s.p[1] = s.p[2] = {0.5 * (s.p[1].x + s.p[2].x), 0.5 * (s.p[1].y + s.p[2].y)};
        s.count = 3;
        return s;
    };
    const int64_t count = std::min<int64_t>(poly->netTriangleCount, kMaxNetTriangles);
    const std::vector<int64_t> showing = NetFacesShowing(poly);
    std::vector<Placed> placed;
    NearIndex near(poly, count);
    bool full = false;
    // Face edges whose tab was built already: a seam's tab stands on all of
    // its edges, and a tab moved to a partner is built there at once.
    std::vector<uint8_t> built(size_t(NetFaceCount(poly)) * kMaxFaceVertices, 0);
    auto markBuilt = [&](const SeamRun& run) {
        for (int64_t i = 0; i < run.count; ++i)
            built[size_t(run.face) * kMaxFaceVertices + size_t((run.first + i) % poly->netFace[run.face].count)] = 1;
    };
    // Flags a seam's edges, on the face and on its triangles, for a tab.
    auto flagSeam = [&](const SeamRun& run, uint8_t flag) {
        const int64_t n = poly->netFace[run.face].count;
        for (int64_t i = 0; i < run.count; ++i) {
            const int64_t e = (run.first + i) % n;
            poly->netFace[run.face].tabFlag[e] = flag;
            int64_t t, k;
            if (!TriangleEdgeOfFaceEdge(poly, run.face, e, &t, &k)) continue;
            poly->netTriangle[t].tabFlag[k] = flag;
            AddGlueUnderInfo(k, e, poly, run.face, t);
        }
    };
    for (int64_t t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k) {
            const PolyNetTriangle& tri = poly->netTriangle[t];
            if (!tri.tabFlag[k] || tri.netFace < 0 || tri.netFace >= NetFaceCount(poly) ||
                tri.faceCorner[k] >= kMaxFaceVertices || built[size_t(tri.netFace) * kMaxFaceVertices + tri.faceCorner[k]])
                continue;
            TabEdge te;
            if (!EdgeOfTriangle(poly, t, k, &te)) continue;
            const SeamRun run = SeamThrough(poly, showing, te.face, te.corner, pagePerFace);
            if (run.count > 1) {
                // The seam's tab stands on its first edge's triangle.
                int64_t ft, fk;
                if (!TriangleEdgeOfFaceEdge(poly, run.face, run.first, &ft, &fk) || !EdgeOfTriangle(poly, ft, fk, &te))
                    continue;
                StretchOverSeam(poly, run, &te);
            }
            if (!pagePerFace) NoteSlits(poly, showing, &te);
            markBuilt(run);
            // Once the tables are full no later seam gets its tab either.
            if (full) {
                ++poly->tabsPastLimit;
                continue;
            }
            int64_t glue = poly->netTriangle[te.triangle].glueUnder[te.edge];
            Shape s = Point(ShapeTab(poly, te, h, pagePerFace));
            if (!Fits(poly, s, te.face, pagePerFace, near, placed))
                s = Point(ShapeTab(poly, te, h, pagePerFace, true));
            if (!Fits(poly, s, te.face, pagePerFace, near, placed)) {
                // Try the glued partner's side of the seam, unless it has a
                // tab already.
                SeamRun other;
                int64_t pt, pk;
                TabEdge partner;
                bool moved = false;
                if (SeamPartner(poly, showing, run, pagePerFace, &other) && TabsOnSeam(poly, other) == 0 &&
                    (pagePerFace || poly->netFace[other.face].neighbour[other.first] < 0) &&
                    !built[size_t(other.face) * kMaxFaceVertices + size_t(other.first)] &&
                    TriangleEdgeOfFaceEdge(poly, other.face, other.first, &pt, &pk) &&
                    EdgeOfTriangle(poly, pt, pk, &partner)) {
                    if (other.count > 1) StretchOverSeam(poly, other, &partner);
                    if (!pagePerFace) NoteSlits(poly, showing, &partner);
                    Shape ps = Point(ShapeTab(poly, partner, h, pagePerFace));
                    if (!Fits(poly, ps, partner.face, pagePerFace, near, placed))
                        ps = Point(ShapeTab(poly, partner, h, pagePerFace, true));
                    if (Fits(poly, ps, partner.face, pagePerFace, near, placed)) {
                        flagSeam(run, 0);
                        flagSeam(other, 1);
                        markBuilt(other);
                        te = partner;
                        s = ps;
                        glue = poly->netTriangle[pt].glueUnder[pk];
                        moved = true;
                    }
                }
                bool fits = moved;
                for (int lower = 1; !fits && lower <= kTabLowerings; ++lower) {
                    s = Point(ShapeTab(poly, te, h * std::pow(0.8, lower), pagePerFace, true));
                    fits = Fits(poly, s, te.face, pagePerFace, near, placed);
                }
                // Where faces meet only at a corner the outline walk passes
                // them by, so a sharp gap there is not bisected: narrower
                // sides, lowered again, find it.
                for (double narrow = 2; !fits && narrow <= kTabNarrowest; narrow *= 2)
                    for (int lower = 0; !fits && lower <= kTabLowerings; ++lower) {
                        s = Point(ShapeTab(poly, te, h * std::pow(0.8, lower), pagePerFace, true, narrow));
                        fits = Fits(poly, s, te.face, pagePerFace, near, placed);
                    }
                // The seam's other side a hairline across the edge: the tab
                // fills the gap.
                SeamRun across;
                if (!fits && !pagePerFace && SeamPartner(poly, showing, run, pagePerFace, &across) &&
                    GapShape(poly, te, across, h, &s)) {
                    s = Point(s);
                    fits = Fits(poly, s, te.face, pagePerFace, near, placed);
                }
                // Lowered to nothing: a face touches the edge from outside
                // (a corner of it lies on the edge), so no tab fits there.
                if (!fits) {
                    ++poly->unfittedTabs;
                    continue;
                }
            }
            Placed p{s, te.face, {}};
            Pt o[4];
            BoxOf(o, Outline(s, o), p.box);
            if (!AppendShape(poly, te, s, glue)) {
                full = true;
                ++poly->tabsPastLimit;
                continue;
            }
            placed.push_back(p);
            near.AddTab(p.box);
        }
}

}  // namespace

void FitTabsUponTriangles(polyhedron* poly, bool pagePerFace) {
    if (poly) poly->unfittedTabs = poly->tabsPastLimit = 0;
    if (!poly || !poly->coords2D || !(poly->net.secondArgument >= float(kMinTabSize))) return;
    const int64_t vertices = poly->netVertexCount, triangles = poly->netTriangleCount, status = poly->status;
    FitTabs(poly, pagePerFace, false);
    if (poly->tabsPastLimit == 0) return;
    // A net with thousands of seams (a Goldberg solid of 1,922 faces) fills
    // the vertex table before every seam has its tab when each tab takes two
    // vertices of its own: pointed tabs, one vertex each, are built instead.
    for (int64_t v = vertices; v < poly->netVertexCount && v < kMax2DVertices; ++v) poly->netVertexUsed[v] = 0;
    poly->netVertexCount = vertices;
    poly->netTriangleCount = triangles;
    poly->status = status;
    poly->unfittedTabs = poly->tabsPastLimit = 0;
    FitTabs(poly, pagePerFace, true);
}

void PutEachSeamsTabOnOneSide(polyhedron* poly, bool everyEdge) {
    if (!poly) return;
    const std::vector<int64_t> showing = NetFacesShowing(poly);
    for (int64_t f = 0; f < NetFaceCount(poly); ++f)
        for (int64_t e = 0; e < poly->netFace[f].count && e < kMaxFaceVertices; ++e) {
            if (!everyEdge && !IsCutEdge(poly, f, e)) continue;
            const SeamRun run = SeamThrough(poly, showing, f, e, everyEdge);
            SeamRun other;
            // Each seam once: from its first edge, on the lower face.
            if (run.first != e || !SeamPartner(poly, showing, run, everyEdge, &other) || other.face < f) continue;
            const int64_t mine = TabsOnSeam(poly, run), theirs = TabsOnSeam(poly, other);
            // A seam the walk left with a tab on one side only keeps it.
            if (run.count == 1 && mine + theirs == 1) continue;
            const uint8_t here = mine >= theirs ? 1 : 0;
            for (int64_t i = 0; i < run.count; ++i) {
                poly->netFace[f].tabFlag[(run.first + i) % poly->netFace[f].count] = here;
                poly->netFace[other.face].tabFlag[(other.first + i) % poly->netFace[other.face].count] = 1 - here;
            }
        }
}
