#include "nets/net_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <vector>

#include "nets/edge_order.h"
#include "nets/net_packing.h"
#include "nets/net_queries.h"
#include "polyhedra/poly_store.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGap = 0.03;  // gap between fragments, a fraction of the wider

struct Box {
    float minX = 1e30f, maxX = -1e30f, minY = 1e30f, maxY = -1e30f;
    bool empty() const { return minX > maxX; }
};

bool InFragment(const polyhedron* poly, int64_t v, int64_t f) {
    return poly->netVertexUsed[v] && poly->netVertexTag[v] == f;
}

Box FragmentBox(const polyhedron* poly, int64_t f) {
    Box b;
    for (int64_t v = 0; v < kMax2DVertices; ++v) {
        if (!InFragment(poly, v, f)) continue;
        const float x = float(poly->coords2D[v][0]), y = float(poly->coords2D[v][1]);
        b.minX = std::min(b.minX, x);
        b.maxX = std::max(b.maxX, x);
        b.minY = std::min(b.minY, y);
        b.maxY = std::max(b.maxY, y);
    }
    return b;
}

// How far a fragment's glue tabs can reach beyond its outline: the tab size
// times its longest face edge; 0 when the tabs are too small to be built.
double TabReach(const polyhedron* poly, int64_t f) {
    const double size = poly->net.secondArgument;
    if (!(poly->net.secondArgument >= 0.01f)) return 0;
    double longest = 0;
    for (int64_t n = 0; n < poly->netFaceCount && n < kMaxNetFaces; ++n) {
        const PolyNetFace& face = poly->netFace[n];
        if (face.fragment != f) continue;
        for (int64_t k = 0; k < face.count && k < kMaxFaceVertices; ++k) {
            const int64_t u = face.vertex[k], v = face.vertex[(k + 1) % face.count];
            if (u < 0 || v < 0 || u >= kMax2DVertices || v >= kMax2DVertices) continue;
            longest = std::max(longest, std::hypot(poly->coords2D[u][0] - poly->coords2D[v][0],
                                                   poly->coords2D[u][1] - poly->coords2D[v][1]));
        }
    }
    return size * longest;
}

void MoveVertex(polyhedron* poly, int64_t v, double x, double y) {
    poly->coords2D[v][0] = x;
    poly->coords2D[v][1] = y;
    poly->netVertex[v].x = float(x);
    poly->netVertex[v].y = float(y);
}

// Moves every used net vertex whose fragment passes the test.
template <typename Test>
void Offset(polyhedron* poly, double dx, double dy, Test test) {
    for (int64_t v = 0; v < kMax2DVertices; ++v)
        if (poly->netVertexUsed[v] && test(poly->netVertexTag[v]))
            MoveVertex(poly, v, poly->coords2D[v][0] + dx, poly->coords2D[v][1] + dy);
}

double Cross(const double* o, const double* a, const double* b) {
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

// psi: the counter-clockwise angle of (x, y) from +y, in [0, 2 pi).
double Bearing(double x, double y) {
    const double a = std::atan2(x, y);
    return a > 0 ? 2 * kPi - a : -a;
}

bool ShapeSpins(int64_t c) {
    return c == 82 || c == 83 || (c >= 111 && c <= 158) || c == 162 || c == 163 || (c >= 217 && c <= 236) ||
           (c >= 271 && c <= 311) || ShapeIsCurvedOrigamiPaired(c);
}

}  // namespace

int64_t BuildConvexHullOfFragment(const polyhedron* poly, int64_t fragment, double (*hull)[2], int64_t capacity) {
    std::vector<std::array<double, 2>> p;
    for (int64_t v = 0; v < kMax2DVertices; ++v)
        if (InFragment(poly, v, fragment)) p.push_back({poly->coords2D[v][0], poly->coords2D[v][1]});
    return ConvexHullOfPoints(std::move(p), hull, capacity);
}

int64_t ConvexHullOfPoints(std::vector<std::array<double, 2>> p, double (*hull)[2], int64_t capacity) {
    std::sort(p.begin(), p.end());
    p.erase(std::unique(p.begin(), p.end()), p.end());
    if (p.size() < 3) {
        const int64_t n = std::min<int64_t>(int64_t(p.size()), capacity);
        for (int64_t i = 0; i < n; ++i) hull[i][0] = p[i][0], hull[i][1] = p[i][1];
        return n;
    }
    std::vector<std::array<double, 2>> h(2 * p.size());
    size_t k = 0;
    for (size_t i = 0; i < p.size(); ++i) {  // lower chain
        while (k >= 2 && Cross(h[k - 2].data(), h[k - 1].data(), p[i].data()) <= 0) --k;
        h[k++] = p[i];
    }
    for (size_t i = p.size() - 1, t = k + 1; i-- > 0;) {  // upper chain
        while (k >= t && Cross(h[k - 2].data(), h[k - 1].data(), p[i].data()) <= 0) --k;
        h[k++] = p[i];
    }
    const int64_t n = std::min<int64_t>(int64_t(k) - 1, capacity);
    for (int64_t i = 0; i < n; ++i) hull[i][0] = h[i][0], hull[i][1] = h[i][1];
    return n;
}

int BuildConvexHullOfFragmentAndMeasureIt(const polyhedron* poly, int64_t fragment, CaliperResult* r) {
    *r = CaliperResult{{{0, 0}, {0, 0}}, {{0, 0}, {0, 0}}, 99999999999999.0, -1.0, {1, 0}, 0.0};
    std::vector<double> buf(2 * kMax2DVertices);
    auto* hull = reinterpret_cast<double(*)[2]>(buf.data());
    const int64_t n = BuildConvexHullOfFragment(poly, fragment, hull, kMax2DVertices);
    for (int64_t i = 0; i < n; ++i)
        for (int64_t j = i + 1; j < n; ++j) {
            const double d = std::hypot(hull[j][0] - hull[i][0], hull[j][1] - hull[i][1]);
            if (d > r->diameter) {
                r->diameter = d;
                r->diameterPair[0][0] = hull[i][0], r->diameterPair[0][1] = hull[i][1];
                r->diameterPair[1][0] = hull[j][0], r->diameterPair[1][1] = hull[j][1];
            }
        }
    if (n < 3) return 1;
    // Every hull edge once: the width across it is the farthest hull point
    // from its line; the caliper angle is the edge's direction modulo pi.
    // Of equal widths the smaller angle wins, as the turning calipers find.
    for (int64_t i = 0; i < n; ++i) {
        const double* a = hull[i];
        const double* b = hull[(i + 1) % n];
        const double len = std::hypot(b[0] - a[0], b[1] - a[1]);
        if (len == 0) continue;
        double w = 0;
        int64_t far = i;
        for (int64_t j = 0; j < n; ++j) {
            const double d = Cross(a, b, hull[j]) / len;
            if (d > w) w = d, far = j;
        }
        double angle = std::atan2(b[1] - a[1], b[0] - a[0]);
        angle = std::fmod(angle + 2 * kPi, kPi);
        if (angle >= kPi - 1e-12) angle = 0;
        const bool better = w < r->minWidth * (1 - 1e-9) || (w <= r->minWidth * (1 + 1e-9) && angle < r->angle);
        if (!better) continue;
        r->minWidth = w;
        r->angle = angle;
        r->minPair[0][0] = a[0], r->minPair[0][1] = a[1];
        r->minPair[1][0] = hull[far][0], r->minPair[1][1] = hull[far][1];
        r->minDirection[0] = (b[1] - a[1]) / len;  // from the far point towards the edge
        r->minDirection[1] = -(b[0] - a[0]) / len;
    }
    return 1;
}

double AngleForExtremumSpin(const polyhedron* poly, int64_t fragment) {
    std::vector<double> buf(2 * kMax2DVertices);
    auto* hull = reinterpret_cast<double(*)[2]>(buf.data());
    const int64_t n = BuildConvexHullOfFragment(poly, fragment, hull, kMax2DVertices);
    if (n < 1) return 0;
    double mx = 0, my = 0;
    for (int64_t i = 0; i < n; ++i) mx += hull[i][0] / double(n), my += hull[i][1] / double(n);
    // The 3D vertex of a hull point, for the vertical rule.
    auto solidOf = [&](const double* p) -> int64_t {
        for (int64_t v = 0; v < kMax2DVertices; ++v)
            if (InFragment(poly, v, fragment) && poly->coords2D[v][0] == p[0] && poly->coords2D[v][1] == p[1])
                return poly->netVertexSolid[v];
        return -1;
    };
    int64_t best = -1;
    double bestMeasure = 0, bestBearing = 0;
    for (int64_t i = 0; i < n; ++i) {
        double measure, bearing;
        double up, down;
        if (poly->spinMode == 4) {
            measure = std::hypot(hull[i][0] - mx, hull[i][1] - my);
            bearing = Bearing(hull[i][0], hull[i][1]);
            up = 1.005, down = 0.995;
        } else {
            const int64_t s = solidOf(hull[i]);
            if (s < 0 || !poly->coords3D) continue;
            measure = std::fabs(poly->coords3D[s].y);
            bearing = Bearing(poly->coords3D[s].x, poly->coords3D[s].z);
            up = 1.01, down = 0.99;
        }
        if (best < 0 || measure > bestMeasure * up ||
            (measure >= bestMeasure * down && measure <= bestMeasure * up && bearing < bestBearing)) {
            best = i;
            bestMeasure = measure;
            bestBearing = bearing;
        }
    }
    if (best < 0) return 0;
    const double a = std::atan2(mx - hull[best][0], my - hull[best][1]);
    return a > 0 ? a - 2 * kPi : a;
}

void SpinAllFragments(polyhedron* poly) {
    for (int64_t v = 0; v < kMax2DVertices; ++v) {
        const int64_t f = poly->netVertexTag[v];
        if (!poly->netVertexUsed[v] || f < 0 || f >= kFragmentSignalRows) continue;
        const double a = poly->spinAngle[f], c = std::cos(a), s = std::sin(a);
        const double x = poly->coords2D[v][0], y = poly->coords2D[v][1];
        MoveVertex(poly, v, x * c - y * s, x * s + y * c);
    }
}

void SpinFragmentsFelicitously(polyhedron* poly, int64_t first, int64_t last) {
    if (last == 19 || poly->spinMode == 1 || poly->spinMode == 2) return;
    for (int64_t f = std::max<int64_t>(first, 0); f <= last && f < kFragmentSignalRows; ++f) {
        CaliperResult r;
        BuildConvexHullOfFragmentAndMeasureIt(poly, f, &r);
        const double a = r.angle;
        double spin = 0;
        switch (poly->spinMode) {
            case 0: spin = kPi / 2 - a; break;
            case 3:
            case 4: spin = AngleForExtremumSpin(poly, f); break;
            case 5: spin = -a; break;
            case 6: spin = kPi / 4 - a; break;
            case 7: spin = kPi / 4; break;
            case 8: spin = kPi - a; break;
            default: spin = 0;
        }
        poly->spinAngle[f] = spin;
    }
    if (poly->shapeCode == 162) poly->spinAngle[6] = -kPi / 2;
    if (poly->shapeCode == 305)
        for (int f : {1, 5, 6}) poly->spinAngle[f] += kPi;
    SpinAllFragments(poly);
}

double Layout_PutBUnderAlphaThroughA(int64_t alpha, int64_t A, int64_t B, polyhedron* poly) {
    Box a;
    for (int64_t f = alpha; f <= A; ++f) {
        const Box b = FragmentBox(poly, f);
        if (b.empty()) continue;
        a.minX = std::min(a.minX, b.minX), a.maxX = std::max(a.maxX, b.maxX);
        a.minY = std::min(a.minY, b.minY), a.maxY = std::max(a.maxY, b.maxY);
    }
    const Box b = FragmentBox(poly, B);
    if (a.empty() || b.empty()) return 0;
    const double dx = double(a.minX) - b.minX;
    // Tabs reach beyond the outlines: the gap grows by the reach of both sides.
    double reach = 0;
    for (int64_t f = alpha; f <= A; ++f) reach = std::max(reach, TabReach(poly, f));
    reach += TabReach(poly, B);
    const double dy = (double(a.maxY) - b.minY) + kGap * std::fabs(double(a.maxY) - a.minY) + reach;
    Offset(poly, dx, dy, [B](int64_t f) { return f >= B; });
    return dy;
}

double Layout_PutBUnderA(int64_t A, int64_t B, polyhedron* poly) {
    return Layout_PutBUnderAlphaThroughA(A, A, B, poly);
}

void AlignFragments(polyhedron* poly, int64_t p1, int64_t p2, int64_t p3, int64_t p4, int64_t fragment) {
    for (int64_t p : {p1, p2, p3, p4})
        if (p < 0 || p >= kMax2DVertices) return;  // a missing vertex: no alignment
    auto at = [poly](int64_t v, int i) { return poly->coords2D[v][i]; };
    const float l12 = float(std::hypot(at(p1, 0) - at(p2, 0), at(p1, 1) - at(p2, 1)));
    const float l34 = float(std::hypot(at(p3, 0) - at(p4, 0), at(p3, 1) - at(p4, 1)));
    const double k = (l12 == 0 || l34 == 0) ? 1.0 : double(l12) / l34;
    // Bearings run clockwise from +y: their difference is the counter-clockwise turn.
    const double r = double(BearingOf2DVector(at(p3, 0) - at(p4, 0), at(p3, 1) - at(p4, 1))) -
                     double(BearingOf2DVector(at(p1, 0) - at(p2, 0), at(p1, 1) - at(p2, 1)));
    const double ax = float(at(p1, 0)), ay = float(at(p1, 1)), bx = float(at(p3, 0)), by = float(at(p3, 1));
    const double c = std::cos(r), s = std::sin(r);
    for (int64_t v = 0; v < kMax2DVertices; ++v) {
        if (!InFragment(poly, v, fragment)) continue;
        const double x = k * (poly->coords2D[v][0] - bx), y = k * (poly->coords2D[v][1] - by);
        MoveVertex(poly, v, ax + x * c - y * s, ay + x * s + y * c);
    }
}

namespace {

// The net vertex showing wedge entry k on a face whose face tag is `sheet`:
// the two sheets of a two-sided square are found by their tags, in one
// fragment or in two; -1 when none shows it.
int64_t SheetVertex(const polyhedron* poly, int64_t k, int64_t sheet) {
    if (k < 0 || k >= kWedgeEntries || poly->wedgeVertex[k] < 0) return -1;
    for (int64_t n = 0; n < poly->netFaceCount && n < kMaxNetFaces; ++n) {
        const int64_t S = poly->netFace[n].face3D;
        if (S < 0 || S >= poly->faceCount3D || poly->face3D[S].faceTag != sheet) continue;
        for (int64_t c = 0; c < poly->netFace[n].count; ++c) {
            const int64_t v = poly->netFace[n].vertex[c];
            if (Vert_Index_2D_to_3D(poly, v) == poly->wedgeVertex[k]) return v;
        }
    }
    return -1;
}

// The net edge of the fragment that shows the solid edge from a to b: its
// two net vertices, or -1s when no net face of the fragment has that edge.
std::pair<int64_t, int64_t> NetEdgeShowing(const polyhedron* poly, int64_t a, int64_t b, int64_t fragment) {
    for (int64_t n = 0; n < poly->netFaceCount && n < kMaxNetFaces; ++n) {
        const PolyNetFace& face = poly->netFace[n];
        if (face.fragment != fragment) continue;
        const int64_t count = std::clamp<int64_t>(face.count, 0, kMaxFaceVertices);
        for (int64_t c = 0; c < count; ++c) {
            const int64_t v = face.vertex[c], w = face.vertex[(c + 1) % count];
            const int64_t sv = Vert_Index_2D_to_3D(poly, v), sw = Vert_Index_2D_to_3D(poly, w);
            if (sv == a && sw == b) return {v, w};
            if (sv == b && sw == a) return {w, v};
        }
    }
    return {-1, -1};
}

// The pieces of a tattoo ball (its caps and wedges) meet on the meridian
// of the turning points, each seam the chord between two neighbouring turns
// (or a turn and a pole), an edge of both pieces: laid edge to edge along
// it, in order from the north pole, each piece is moved onto the one before
// so that the seam's ends meet.
void AlignWedges(polyhedron* poly) {
    const int64_t code = poly->shapeCode;
    if (poly->wedgeVertex[0] < 0) return;
    if (code == 78 || code == 79 || code == 159) {
        // The turns in order: the north pole and the first turn, then each
        // wedge's ends (two turns apart), then the last turn and the south pole.
        std::map<int64_t, int64_t> turns;  // order along the meridian -> solid vertex
        const int64_t halfTurns = code == 78 ? 3 : 5;
        turns[0] = poly->wedgeVertex[0];
        turns[1] = poly->wedgeVertex[1];
        turns[halfTurns - 1] = poly->wedgeVertex[2 * halfTurns];
        turns[halfTurns] = poly->wedgeVertex[2 * halfTurns + 1];
        int64_t slot = 2;
        for (int64_t parity = 0; parity < 2; ++parity)
            for (int64_t h = parity; h <= halfTurns - 2; h += 2, slot += 2) {
                turns[h] = poly->wedgeVertex[slot];
                turns[h + 2] = poly->wedgeVertex[slot + 1];
            }
        std::set<int64_t> placed;
        for (int64_t j = 0; j < halfTurns; ++j) {
            const int64_t a = turns[j], b = turns[j + 1];
            // The piece laid so far and the next that shares the seam.
            int64_t at = -1, next = -1;
            std::pair<int64_t, int64_t> onAt{-1, -1}, onNext{-1, -1};
            for (int64_t f = 1; f <= poly->fragmentCount && f <= kMaxFragments; ++f) {
                const std::pair<int64_t, int64_t> e = NetEdgeShowing(poly, a, b, f);
                if (e.first < 0) continue;
                const bool first = j == 0 && at < 0;
                if (placed.count(f) || first) {
                    at = f;
                    onAt = e;
                } else if (next < 0) {
                    next = f;
                    onNext = e;
                }
            }
            if (at < 0 || next < 0) continue;
            placed.insert(at);
            AlignFragments(poly, onAt.first, onAt.second, onNext.first, onNext.second, next);
            placed.insert(next);
        }
    }
    if (code == 190 || code == 192 || code == 194 || code == 196)
        for (int64_t k = 0; k < kWedgeNetVertexSlots; ++k) poly->wedgeNetVertex[k] = SheetVertex(poly, k, k < 3 ? 1 : 2);
}

}  // namespace

void LayOutFragments(polyhedron* poly, PackingMemo* memo) {
    if (!poly || !poly->coords2D) return;
    int64_t F0 = -1, F1 = -1;
    for (int64_t v = 0; v < kMax2DVertices; ++v) {
        if (!poly->netVertexUsed[v]) continue;
        const int64_t f = poly->netVertexTag[v];
        if (F0 < 0 || f < F0) F0 = f;
        if (f > F1) F1 = f;
    }
    if (F0 < 0) return;
    F1 = std::min<int64_t>(F1, kMaxFragments);
    if (ShapePacksItsFragments(poly->shapeCode)) {
        std::vector<double> reach(size_t(F1 + 1), 0.0);
        for (int64_t f = F0; f <= F1; ++f) reach[size_t(f)] = TabReach(poly, f);
        if (PackFragments(poly, F0, F1, reach.data(), nullptr, memo)) {
            for (int64_t f = 0; f < poly->netFaceCount; ++f) FindBoundingBoxOfFace2D(poly, f);
            return;
        }
    }
    if (ShapeSpins(poly->shapeCode)) SpinFragmentsFelicitously(poly, F0, F1);
    for (int64_t f = F0; f <= F1; ++f) {
        const Box b = FragmentBox(poly, f);
        if (!b.empty()) Offset(poly, -double(b.minX), -double(b.minY), [f](int64_t g) { return g == f; });
    }
    std::vector<Box> box(size_t(F1 - F0 + 2));
    float H = 0;
    for (int64_t f = F0; f <= F1; ++f) {
        box[size_t(f - F0)] = FragmentBox(poly, f);
        if (!box[size_t(f - F0)].empty()) H = std::max(H, std::fabs(box[size_t(f - F0)].maxY - box[size_t(f - F0)].minY));
    }
    for (int64_t f = F0; f <= F1; ++f) {
        const Box& b = box[size_t(f - F0)];
        if (b.empty()) continue;
        const double w = b.maxX;
        double s = w * (1 + kGap);
        if (f < F1) {
            const Box& next = box[size_t(f + 1 - F0)];
            s = w + kGap * std::max(w, next.empty() ? 0.0 : double(next.maxX));
        }
        if (f < F1) s += TabReach(poly, f) + TabReach(poly, f + 1);
        const float h = std::fabs(b.maxY - b.minY);
        Offset(poly, s, 0, [f](int64_t g) { return g > f; });
        Offset(poly, 0, double(float((H - h) / 2)), [f](int64_t g) { return g == f; });
    }
    switch (poly->shapeCode) {
        case 185: Layout_PutBUnderA(1, 7, poly); break;
        case 308:
        case 309:
            Layout_PutBUnderA(5, 9, poly);
            Layout_PutBUnderA(1, 5, poly);
            break;
        case 310:
            Layout_PutBUnderA(11, 16, poly);
            Layout_PutBUnderA(6, 11, poly);
            Layout_PutBUnderA(1, 6, poly);
            break;
        case 82: Layout_PutBUnderAlphaThroughA(1, 5, 6, poly); break;
        case 83: Layout_PutBUnderAlphaThroughA(1, 6, 7, poly); break;
        case 187:
            Layout_PutBUnderA(8, 15, poly);
            Layout_PutBUnderA(1, 8, poly);
            break;
        case 179: Layout_PutBUnderA(1, 5, poly); break;
        case 181:
        case 183: Layout_PutBUnderA(1, 4, poly); break;
        default: break;
    }
    AlignWedges(poly);
    for (int64_t f = 0; f < poly->netFaceCount; ++f) FindBoundingBoxOfFace2D(poly, f);
}

void NetTargetBox(const polyhedron* poly, double box[4]) {
    const double height = poly->net.firstArgument > 0.0f ? double(poly->net.firstArgument) : 1.0;
    box[0] = poly->net.box[0];
    box[1] = poly->net.box[1];
    box[2] = poly->net.box[2] * height;
    box[3] = poly->net.box[3] * height;
}

bool FitNetPoints(const polyhedron* poly, const double (*points)[2], int64_t count, float angle, NetFit* fit) {
    // Turned as the set-up turns a net: cosine and sine of the float angle.
    const double c = std::cos(angle), s = std::sin(angle);
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (int64_t i = 0; i < count; ++i) {
        const double x = angle != 0.0f ? c * points[i][0] - s * points[i][1] : points[i][0];
        const double y = angle != 0.0f ? s * points[i][0] + c * points[i][1] : points[i][1];
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    double box[4];
    NetTargetBox(poly, box);
    const double w = maxX - minX, h = maxY - minY;
    // A net that is a point (or has none) cannot be fitted.
    if (!(w > 0.0) && !(h > 0.0)) return false;
    const bool cubeCross = poly->outputMode == 172 || poly->outputMode == 173;
    const double border = cubeCross ? 0.0 : NetFrameBorder(w, h);
    fit->scale = std::min((box[1] - box[0]) / (w + 2.0 * border), (box[3] - box[2]) / (h + 2.0 * border));
    fit->fromX = 0.5 * (minX + maxX);
    fit->fromY = 0.5 * (minY + maxY);
    fit->toX = 0.5 * (box[0] + box[1]);
    fit->toY = 0.5 * (box[2] + box[3]);
    return std::isfinite(fit->scale) && fit->scale > 0.0;
}

void CramPoints(polyhedron* poly) {
    if (!poly || !poly->coords2D) return;
    poly->net.scale = 1.0f;
    std::vector<int64_t> used;
    for (int64_t v = 0; v < kMax2DVertices; ++v)
        if (poly->netVertexUsed[v]) used.push_back(v);
    std::vector<double> buf(2 * used.size());
    auto* points = reinterpret_cast<double(*)[2]>(buf.data());
    for (size_t i = 0; i < used.size(); ++i) points[i][0] = poly->coords2D[used[i]][0], points[i][1] = poly->coords2D[used[i]][1];
    NetFit fit;
    if (!FitNetPoints(poly, points, int64_t(used.size()), 0.0f, &fit)) return;
    for (int64_t v : used) {
        poly->coords2D[v][0] = fit.toX + (poly->coords2D[v][0] - fit.fromX) * fit.scale;
        poly->coords2D[v][1] = fit.toY + (poly->coords2D[v][1] - fit.fromY) * fit.scale;
        poly->netVertex[v].x = float(poly->coords2D[v][0]);
        poly->netVertex[v].y = float(poly->coords2D[v][1]);
    }
    poly->net.scale = float(fit.scale);
    for (int64_t f = 0; f < poly->netFaceCount && f < kMaxNetFaces; ++f) FindBoundingBoxOfFace2D(poly, f);
    Rebuild2DVertexIndex(poly);
}
