#include "projections/polyhedral_transform.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "common/angles.h"
#include "common/memory.h"
#include "common/vectors.h"
#include "polyhedra/barycentrics.h"
#include "projections/caches.h"
#include "projections/face_maps.h"
#include "projections/skewed_folds.h"
#include "projections/stereographic.h"
#include "records/renderhinttype.h"
#include "solids/cramming.h"

namespace {

constexpr float kSentinelKey = 99999.0f;
constexpr float kWeightSlack = -1e-6f;
constexpr double kShortPi = 3.14159265358979;

enum : int32_t { kSpanStart = 1, kSpanEnd = -1, kSpanNothing = 0 };

PyramidDescriptor* Cache(void* caches, int64_t tag) { return caches ? BuiltProjectionCache(caches, tag) : nullptr; }

void Store(float out[3], double x, double y, double z) {
    out[0] = float(x);
    out[1] = float(y);
    out[2] = float(z);
}

double Cross2(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

void AddSpan(renderhinttype* h, float left, float right, int32_t triangle, int32_t kind) {
    SpanNode& n = h->spans[h->spanCount++];
    n.left = left;
    n.right = right;
    n.triangle = triangle;
    n.kind = kind;
    n.key = kind == kSpanEnd ? right : left;
    n.open = 0;
}

void FillInSpanListInfo(renderhinttype* h) {
    int32_t open = 0;
    for (int64_t i = 0; i < h->spanCount; ++i) {
        open += h->spans[i].kind;
        h->spans[i].open = open;
    }
}

// The last node whose key is at most x, walking from the cursor.
int64_t FindNodeLeftOfX(const renderhinttype* h, int64_t node, float x) {
    if (node + 1 < h->spanCount && h->spans[node + 1].key <= x) {
        while (node + 1 < h->spanCount && h->spans[node + 1].key <= x) ++node;
    } else {
        while (node > 0 && h->spans[node].key > x) --node;
    }
    return node;
}

void Turn(double p[3], double angleX, double cosZ, double sinZ) {
    const double cx = std::cos(angleX), sx = std::sin(angleX);
    const double y = p[1] * cx - p[2] * sx, z = p[1] * sx + p[2] * cx;
    p[1] = y;
    p[2] = z;
    const double x = p[0] * cosZ - p[1] * sinZ, y2 = p[0] * sinZ + p[1] * cosZ;
    p[0] = x;
    p[1] = y2;
}

// The 3D point of the triangle at (possibly warped) weights.
// Linear on the triangle's own 3D corners (a net vertex shared by faces of a
// star solid may show different solid vertices), or the spherical blend.
void FacePoint(const polyhedron* poly, int64_t t, double P[3], double b0, double b1, double b2) {
    if (poly->sphericalBlend != 0) {
        Get3DPointFromFaceAndBarys(t, P, poly, b0, b1, b2);
        return;
    }
    const triplex* q = poly->netTriangle[t].cornerPoint;
    P[0] = b0 * q[0].x + b1 * q[1].x + b2 * q[2].x;
    P[1] = b0 * q[0].y + b1 * q[1].y + b2 * q[2].y;
    P[2] = b0 * q[0].z + b1 * q[1].z + b2 * q[2].z;
}

// The conformal warp of the polyhedron's warp code, into P (a 3D point or a
// direction); false when the warp went straight to the sphere and the caller
// must not look at P's length (code 33).
void RunWarp(const polyhedron* poly, int64_t t, void* caches, double P[3], uint8_t* outside, renderhinttype* h,
             double b0, double b1, double b2, float x, float y) {
    h->subFace = 0;
    float f[3] = {1.0f, 0.0f, 0.0f};
    bool direction = true;  // the warp wrote f
    float w0 = float(b0), w1 = float(b1), w2 = float(b2);
    const int64_t code = poly->warpCode;
    switch (code) {
        case 43: TotalPentaleneToSphere(t, f, poly, Cache(caches, kCacheTagDecant), &h->subFace, b0, b1, b2); break;
        case 44: TotalNaphthaleneToSphere(t, f, poly, Cache(caches, kCacheTagDodecant), &h->subFace, b0, b1, b2); break;
        case 45:
        case 75: TotalPhenaleneToSphere(t, f, poly, Cache(caches, kCacheTagDodecant), &h->subFace, b0, b1, b2); break;
        case 76: TotalAnthraceneToSphere(t, f, poly, Cache(caches, kCacheTagDodecant), &h->subFace, b0, b1, b2); break;
        case 61:
            TotalAdamsdiamondsToSphere(t, f, poly, Cache(caches, kCacheTagNuOctant), &h->subFace, b0, b1, b2);
            break;
        case 30: case 31: case 32: case 33:
            TotalFivestarToSphere(t, f, poly, Cache(caches, kCacheTagDecant), code != 30 ? 1 : 0, &h->subFace, b0, b1,
                                  b2);
            if (code == 33) {
                double d[3] = {f[0], f[1], f[2]};
                automorphicDisk_prettily_on_sphere(d, -0.2);
                Store(f, d[0], d[1], d[2]);
            }
            break;
        case 34: case 35:
            TotalThreestarToSphere(t, f, poly, Cache(caches, kCacheTagSextant), code != 34 ? 1 : 0, &h->subFace, b0,
                                   b1, b2);
            break;
        case 37: TotalThreestarToSphere(t, f, poly, Cache(caches, kCacheTagSextant), 2, &h->subFace, b0, b1, b2); break;
        case 38: case 39: case 69:
            TotalSixstarToSphere(t, f, poly, Cache(caches, kCacheTagDodecant), (code != 38 && code != 69) ? 1 : 0,
                                 &h->subFace, b0, b1, b2);
            break;
        case 36: TotalRhombusToSphere(t, f, poly, Cache(caches, kCacheTagSextant), &h->subFace, b0, b1, b2); break;
        case 62: TotalNEWPOINTYToSphere(t, f, poly, Cache(caches, kCacheTagDodecant), 0, &h->subFace, b0, b1, b2); break;
        case 71: case 72:
            WarpBarysForConformalIcosahedron(&w0, &w1, &w2, Cache(caches, kCacheTagIcoface));
            direction = false;
            h->subFace = t;
            break;
        case 77:
            WarpBarysForConformalDodecahedron(&w0, &w1, &w2, Cache(caches, kCacheTagDodecDecant));
            direction = false;
            h->subFace = t / 10;
            break;
        case 73: case 74:
            WarpBarysForConformalOctahedron(&w0, &w1, &w2, Cache(caches, kCacheTagOctaface));
            direction = false;
            h->subFace = t;
            break;
        case 40: case 41: case 42: {
            WarpBarysForTetrahedron(&w0, &w1, &w2, Cache(caches, kCacheTagTetfaceSextant));
            double q[3];
            FacePoint(poly, t, q, w0, w1, w2);
            double p[3] = {-q[1], -q[0], -q[2]};
            if (code == 40) {
                const double a = p[2] * 0.94280905 + p[1] / 3.0, b = p[1] * 0.94280905 - p[2] / 3.0;
                const double s40 = std::sin(40.0 * kShortPi / 180.0), c40 = std::cos(40.0 * kShortPi / 180.0);
                const double px = p[0];
                p[0] = -b;
                p[1] = -(a * s40 + px * c40);
                p[2] = a * c40 - px * s40;
            }
            Store(f, p[0], p[1], p[2]);
            h->subFace = t;
            break;
        }
        case 55: case 56:
            TotalReuleaux1Or2ToSphere(t, f, poly, Cache(caches, kCacheTagReuleauxCircle), code - 54, &h->subFace,
                                      outside, b0, b1, b2);
            break;
        case 59: TotalOctreleauxToSphere(t, f, poly, &h->subFace, outside, b0, b1, b2); break;
        case 57: TotalReuleaux4ToSphere(t, f, poly, &h->subFace, outside, b0, b1, b2); break;
        case 58:
            TotalReuleaux8ToSphere(t, f, poly, Cache(caches, kCacheTagReuleauxOctoface), &h->subFace, outside, b0, b1,
                                   b2);
            break;
        case 46: case 64: case 60: case 65:
        case 49: case 70: case 50: case 54: {
            WarpBarysForCube(&w0, &w1, &w2, Cache(caches, kCacheTagSphereCube));
            double p[3];
            FacePoint(poly, t, p, w0, w1, w2);
            if (code == 49 || code == 70) Turn(p, kShortPi / 4.0, 0.81915206, 0.57357645);
            if (code == 50 || code == 54) Turn(p, kShortPi / 4.0, std::cos(kShortPi / 6.0), std::sin(kShortPi / 6.0));
            Store(f, p[0], p[1], p[2]);
            h->subFace = t;
            break;
        }
        case 66: case 67: {
            double p[3];
            FacePoint(poly, t, p, b0, b1, b2);
            Store(f, p[0], p[1], p[2]);
            ConformallyWarpUnitCube(f, Cache(caches, kCacheTagSphereCube));
            break;
        }
        case 63: case 68:
            TotalWaffleToSphere(t, f, poly, Cache(caches, kCacheTagSphereCube), &h->subFace, outside, b0, b1, b2, x, y);
            break;
        default:
            // A warp code this build does not know maps the plain point.
            direction = false;
            break;
    }
    if (direction) {
        P[0] = f[0], P[1] = f[1], P[2] = f[2];
    } else {
        FacePoint(poly, t, P, w0, w1, w2);
    }
}

}  // namespace

// ---------------------------------------------------------------- span lists

int64_t SpanNodesForNet(const polyhedron* poly) {
    return 2 * std::clamp<int64_t>(poly ? poly->netTriangleCount : 0, 0, kMaxNetTriangles) + 2;
}

bool AllocateSpanStorage(renderhinttype* h, int64_t nodes) {
    if (h->spans && h->spanCapacity >= nodes) return true;
    RobustDisposePtr(&h->spans);
    h->spanCapacity = 0;
    h->spanCount = 0;
    h->spans = static_cast<SpanNode*>(RobustNewPtr(size_t(nodes) * sizeof(SpanNode)));
    if (!h->spans) return false;
    h->spanCapacity = nodes;
    return true;
}

void DumpSpanStorage(renderhinttype* h) {
    RobustDisposePtr(&h->spans);
    h->spanCapacity = 0;
    h->spanCount = 0;
    h->spanCursor = 0;
    h->spanListBuilt = 0;
}

void DumpShortTriangleLists(renderhinttype hints[2]) {
    DumpSpanStorage(&hints[0]);
    DumpSpanStorage(&hints[1]);
}

bool PrepareShortTriList(const polyhedron* poly, int64_t piece, renderhinttype* h, bool clip, float top, float bottom,
                         float margin, float left, float right) {
    h->netXRange[0] = 100.0f;
    h->netXRange[1] = -100.0f;
    h->spanCount = 0;
    h->spanCursor = 0;
    h->spanListBuilt = 1;
    h->spanListClipped = piece == -1 && clip ? 1 : 0;
    for (int i = 0; i < 3; ++i) h->recent.triangles[i] = -1;
    h->recent.missed = 1;
    h->hitFace = -1;
    h->subFace = 0;
    if (!poly || !h->spans || h->spanCapacity < SpanNodesForNet(poly)) return false;
    int64_t count = 0;
    const int64_t unit = piece >= 0 ? exportationUnitOfPoly(poly, &count) : 2;
    const int64_t n = std::clamp<int64_t>(poly->netTriangleCount, 0, kMaxNetTriangles);
    for (int64_t i = 0; i < n; ++i) {
        const PolyNetTriangle& t = poly->netTriangle[i];
        if (t.inverseDeterminant == 0.0f) continue;  // holds no point
        if (h->spanListClipped && (t.maxY + margin <= top || t.minY - margin >= bottom ||
                                   t.maxX + margin <= left || t.minX - margin >= right))
            continue;
        if (piece >= 0 && unit != 2) {
            if (unit == 1 && piece + 1 != t.fragment) continue;
            if (unit == 0 && piece != t.netFace) continue;
        }
        h->netXRange[0] = std::min(h->netXRange[0], t.minX);
        h->netXRange[1] = std::max(h->netXRange[1], t.maxX);
        AddSpan(h, t.minX, t.maxX, int32_t(i), kSpanStart);
        AddSpan(h, t.minX, t.maxX, int32_t(i), kSpanEnd);
    }
    AddSpan(h, -kSentinelKey, -kSentinelKey, -1, kSpanNothing);
    AddSpan(h, kSentinelKey, kSentinelKey, -1, kSpanNothing);
    // Starts before ends at equal keys, so a node's open count closes the
    // spans ending there.
    std::sort(h->spans, h->spans + h->spanCount, [](const SpanNode& a, const SpanNode& b) {
        return a.key < b.key || (a.key == b.key && a.kind > b.kind);
    });
    FillInSpanListInfo(h);
    return true;
}

// ---------------------------------------------------------------- the search

int AttemptTriangle(int64_t t, const polyhedron* poly, float x, float y, uint8_t* outside, renderhinttype* h,
                    float out[3], void* caches) {
    h->faceFound = 0;
    if (t < 0 || t >= poly->netTriangleCount) return 0;
    const PolyNetTriangle& tri = poly->netTriangle[t];
    if (x < tri.minX || x > tri.maxX) return 0;
    const float s = tri.inverseDeterminant;
    if (s == 0.0f) return 0;
    const PolyNetVertex& p0 = poly->netVertex[tri.vertex[0]];
    const PolyNetVertex& p1 = poly->netVertex[tri.vertex[1]];
    const PolyNetVertex& p2 = poly->netVertex[tri.vertex[2]];
    // A weight just below the slack may only be the rounding of a net
    // position far from the origin: a point within a few units in the last
    // place of the edge opposite still counts as on it.
    auto inside = [&](float b, const PolyNetVertex& a, const PolyNetVertex& c) {
        if (b >= kWeightSlack) return true;
        const float reach = 2.0f * FLT_EPSILON * (std::fabs(x) + std::fabs(y));
        return b >= kWeightSlack - reach * std::fabs(s) * (std::fabs(c.x - a.x) + std::fabs(c.y - a.y));
    };
    const float b0 = s * ((p1.x - x) * (p2.y - y) - (p1.y - y) * (p2.x - x));
    if (!inside(b0, p1, p2)) return 0;
    const float b1 = s * ((p2.x - x) * (p0.y - y) - (p2.y - y) * (p0.x - x));
    if (!inside(b1, p2, p0)) return 0;
    const float b2 = s * ((p0.x - x) * (p1.y - y) - (p0.y - y) * (p1.x - x));
    if (!inside(b2, p0, p1)) return 0;
    if (tri.isTab) {
        // A glue tab is never a hit; the point is on it unless a face claims it.
        h->hitTabFragment = std::max<int64_t>(tri.fragment, 0);
        h->tabOwner = tri.tabOwner;
        h->tabGlue = tri.glueUnder[0];
        return 0;
    }
    *outside = 0;
    h->hitFace = tri.netFace;
    h->edgeData = tri.faceGroup;
    const float e0 = tri.outlineFlag[0], e1 = tri.outlineFlag[1], e2 = tri.outlineFlag[2];
    const float w0 = b0 - e1, w1 = b1 - e2, w2 = b2 - e0;
    int nearest = 1;
    if (w1 < w0 && w1 < w2) nearest = 2;
    else if (w2 < w0 && w2 < w1) nearest = 0;
    h->nearestEdgeNeighbour = tri.glueUnder[nearest];
    DoPolyhedralTransformCore(poly, t, caches, out, outside, h, b0, b1, b2, x, y);
    if (*outside) return 0;
    AddTriangleFindingHint(&h->recent, t);
    h->faceFound = 1;
    h->triangle = t;
    return 1;
}

int span_search(float out[3], const polyhedron* poly, void* caches, uint8_t* outside, renderhinttype* h, float x,
                float y) {
    if (h->spanCount < 3) {
        h->recent.missed = 1;
        return 0;
    }
    int64_t cursor = FindNodeLeftOfX(h, std::clamp<int64_t>(h->spanCursor, 0, h->spanCount - 1), x);
    h->spanCursor = cursor;
    // Spans open at x, those ending exactly at x included.
    int32_t remaining = h->spans[cursor].open;
    for (int64_t i = cursor; i > 0 && h->spans[i].kind == kSpanEnd && h->spans[i].key == x; --i) ++remaining;
    if (remaining <= 0) {
        h->recent.missed = 1;
        return 0;
    }
    const int64_t* recent = h->recent.triangles;
    for (int i = 0; i < 3; ++i)
        if (AttemptTriangle(recent[i], poly, x, y, outside, h, out, caches)) return 1;
    // Every span open at x starts at or before the cursor: walk back until
    // all of them have been seen.
    for (int64_t i = cursor; i > 0 && remaining > 0; --i) {
        const SpanNode& n = h->spans[i];
        if (n.kind != kSpanStart || n.right < x) continue;
        --remaining;
        if (n.triangle == recent[0] || n.triangle == recent[1] || n.triangle == recent[2]) continue;
        if (AttemptTriangle(n.triangle, poly, x, y, outside, h, out, caches)) {
            h->spanCursor = i;
            return 1;
        }
    }
    h->recent.missed = 1;
    return 0;
}

void DoPolyhedralTransforms(float out[3], const polyhedron* poly, void* caches, uint8_t* outside, renderhinttype* h,
                            float x, float y) {
    const float left = poly->net.boundsBox[0], right = poly->net.boundsBox[1];
    const float top = poly->net.boundsBox[2], bottom = poly->net.boundsBox[3];
    // Layouts that repeat or fold the net: the point is carried onto it.
    const NetBox box{left, right, top, bottom};
    double fx = x, fy = y;
    int64_t cellA, cellB;
    switch (h->outputMode) {
        case 64:
            calc_skewed_coordinates_for_tetrahedron(NetBox{h->netXRange[0], h->netXRange[1], top, bottom},
                                                    h->tileScale, x, y, &fx, &fy);
            break;
        case 368: calc_skewed_coordinates_for_triangle(box, h->tileScale, x, y, &fx, &fy, &cellA, &cellB); break;
        case 370: calc_skewed_coordinates_for_hexagon(box, h->tileScale, x, y, &fx, &fy, &cellA, &cellB); break;
        default: break;
    }
    x = float(fx);
    y = float(fy);
    h->lastQuery[0] = x;
    h->lastQuery[1] = y;
    h->netPosition[0] = x;
    h->netPosition[1] = y;
    h->faceFound = 0;
    h->onTab = 0;
    h->triangle = -1;
    *outside = 1;
    h->lastPoint[0] = 1.0, h->lastPoint[1] = 0.0, h->lastPoint[2] = 0.0;
    Store(out, 1.0, 0.0, 0.0);
    h->hitTabFragment = -1;
    h->tabOwner = -1;
    h->tabGlue = -1;
    if (x >= h->netXRange[0] && x <= h->netXRange[1] && x >= left && x <= right && y >= top && y <= bottom)
        span_search(out, poly, caches, outside, h, x, y);
    if (!h->faceFound && h->hitTabFragment != -1) {
        h->faceFound = 1;
        h->onTab = 1;
        h->triangle = h->tabOwner;
        *outside = 1;
        Store(out, 1.0, 0.0, 0.0);
    }
    if (*outside && poly->luneFlag) {
        double d[3] = {out[0], out[1], out[2]};
        SubstituteSphereSegment_NiceD(d, outside, double(poly->luneCount), 0.0);
        Store(out, d[0], d[1], d[2]);
    }
    if (h->faceFound && !h->onTab && h->triangle >= 0 && poly->netTriangle[h->triangle].hidden) {
        *outside = 1;
        h->faceFound = 0;
        h->triangle = -1;
    }
}

void DoPolyhedralTransformCore(const polyhedron* poly, int64_t t, void* caches, float out[3], uint8_t* outside,
                               renderhinttype* h, double b0, double b1, double b2, float x, float y) {
    h->lastPoint[0] = 1.0, h->lastPoint[1] = 0.0, h->lastPoint[2] = 0.0;
    double P[3] = {1.0, 0.0, 0.0};
    if (poly->warpSwitch != 1) {
        if (poly->netTriangle[t].fancy) {
            if (!Get3DPointFancily(t, P, poly, x, y)) {
                *outside = 1;
                Store(out, 1.0, 0.0, 0.0);
                return;
            }
        } else {
            FacePoint(poly, t, P, b0, b1, b2);
        }
        h->lastPoint[0] = P[0], h->lastPoint[1] = P[1], h->lastPoint[2] = P[2];
    } else {
        RunWarp(poly, t, caches, P, outside, h, b0, b1, b2, x, y);
    }
    // The scissor marks are measured from the point on the solid.
    h->scissorInputs[0] = P[0], h->scissorInputs[1] = P[1], h->scissorInputs[2] = P[2];
    if (poly->coordinateKind == 1) {
        if (h->kind == 3) {
            P[0] -= poly->centre.x;
            P[1] -= poly->centre.y;
            P[2] -= poly->centre.z;
        }
        const double m = std::sqrt(P[0] * P[0] + P[1] * P[1] + P[2] * P[2]);
        if (m > 0.0 && std::isfinite(m)) Store(out, P[0] / m, P[1] / m, P[2] / m);
        else Store(out, 0.0, 0.0, 1.0);
    } else {
        const double sinPhi = std::sin(-kShortPi * (P[1] - 0.5));
        const double cosPhi = std::sqrt(std::max(0.0, 1.0 - sinPhi * sinPhi));
        const double lambda = 2.0 * kShortPi * (P[0] + 0.25);
        Store(out, std::cos(lambda) * cosPhi, sinPhi, std::sin(lambda) * cosPhi);
    }
}

int64_t CacheTagsOfWarp(const polyhedron* poly, int64_t tags[4]) {
    if (!poly || poly->warpSwitch != 1) return 0;
    int64_t tag = kCacheTagNone;
    switch (poly->warpCode) {
        case 43: case 30: case 31: case 32: case 33: tag = kCacheTagDecant; break;
        case 44: case 45: case 75: case 76: case 38: case 39: case 69: case 62: tag = kCacheTagDodecant; break;
        case 61: tag = kCacheTagNuOctant; break;
        case 34: case 35: case 37: case 36: tag = kCacheTagSextant; break;
        case 71: case 72: tag = kCacheTagIcoface; break;
        case 77: tag = kCacheTagDodecDecant; break;
        case 73: case 74: tag = kCacheTagOctaface; break;
        case 40: case 41: case 42: tag = kCacheTagTetfaceSextant; break;
        case 55: case 56: tag = kCacheTagReuleauxCircle; break;
        case 58: tag = kCacheTagReuleauxOctoface; break;
        case 46: case 64: case 60: case 65: case 49: case 70: case 50: case 54: case 66: case 67: case 63: case 68:
            tag = kCacheTagSphereCube;
            break;
        default: return 0;
    }
    tags[0] = tag;
    return 1;
}

// ------------------------------------------------------------- the curved path

bool Get3DPointFancily(int64_t t, double out[3], const polyhedron* poly, double x, double y) {
    out[0] = 1.0, out[1] = 0.0, out[2] = 0.0;
    const PolyNetTriangle& tri = poly->netTriangle[t];
    const int64_t f = tri.netFace;
    if (f < 0 || f >= poly->netFaceCount) return true;
    const PolyNetFace& nf = poly->netFace[f];
    const int64_t F = nf.face3D;
    if (nf.count != 3 || nf.twistedApex < 0 || F < 0 || F >= poly->faceCount3D) return true;
    const PolyFace3D& face = poly->face3D[F];
    if (face.count < 3 || face.referenceVertex < 0 || face.referenceVertex >= poly->vertexCount3D) return true;
    double p[4][2];
    for (int k = 0; k < 4; ++k) {
        const int64_t v = k < 3 ? nf.vertex[k] : nf.twistedApex;
        p[k][0] = poly->coords2D[v][0];
        p[k][1] = poly->coords2D[v][1];
    }
    auto c = [](const double* a, const double* b) { return Cross2(a[0], a[1], b[0], b[1]); };
    auto sub = [](const double* a, const double* b, double* r) { r[0] = a[0] - b[0], r[1] = a[1] - b[1]; };
    double d10[2], d23[2], d21[2], d30[2], d03[2], d01[2];
    sub(p[1], p[0], d10);
    sub(p[2], p[3], d23);
    sub(p[2], p[1], d21);
    sub(p[3], p[0], d30);
    sub(p[0], p[3], d03);
    sub(p[0], p[1], d01);
    const double A1 = c(d10, d23), B1 = c(p[0], p[2]) + c(p[1], p[3]) - 2.0 * c(p[0], p[3]);
    const double A2 = c(d21, d30), B2 = c(p[1], p[3]) - c(p[0], p[2]) + 2.0 * c(p[0], p[1]);
    const double P[2] = {x, y};
    const double g[2] = {p[0][0] - p[1][0] + p[2][0] - p[3][0], p[0][1] - p[1][1] + p[2][1] - p[3][1]};
    const double E = c(P, g);
    // s solves A1 s^2 + (B1 - E) s + C1 = 0 and t solves A2 t^2 + (B2 + E) t - C2 = 0;
    // a negative discriminant means the point is off the patch.
    const double C1 = c(p[0], p[3]) + c(P, d03), C2 = c(p[0], p[1]) + c(P, d01);
    double s, tt;
    if (A1 == 0.0) {
        if (B1 - E == 0.0) return false;
        s = -C1 / (B1 - E);
    } else {
        const double disc = (B1 - E) * (B1 - E) - 4.0 * A1 * C1;
        if (disc < 0.0) return false;
        s = 0.5 / A1 * (E - B1 + std::sqrt(disc));
    }
    if (A2 == 0.0) {
        if (B2 + E == 0.0) return false;
        tt = C2 / (B2 + E);
    } else {
        const double disc = (B2 + E) * (B2 + E) + 4.0 * A2 * C2;
        if (disc < 0.0) return false;
        tt = 0.5 / A2 * (-E - B2 + std::sqrt(disc));
    }
    triplex Q[4];
    for (int k = 0; k < 3; ++k) {
        const int64_t v = face.vertex[((k + nf.vertexOffset) % face.count + face.count) % face.count];
        Q[k] = poly->coords3D[v];
    }
    Q[3] = poly->coords3D[face.referenceVertex];
    auto lerp = [](triplex a, triplex b, double u) { return Tadd(a, Tscale(Tsub(b, a), u)); };
    if (poly->blendKind == 0) {
        triplex r = lerp(lerp(Q[0], Q[1], s), lerp(Q[3], Q[2], s), tt);
        r = Tnormalize(r);
        if (r.x == 0.0 && r.y == 0.0 && r.z == 0.0) r = {0.0, 0.0, 1.0};
        out[0] = -r.x, out[1] = -r.y, out[2] = r.z;
    } else if (poly->blendKind == 1) {
        double u[4], v[4];
        int quarter[4];
        bool first = false, last = false;
        for (int k = 0; k < 4; ++k) {
            const triplex n = Tnormalize(Q[k]);
            double q[3] = {n.x, n.y, n.z};
            SphericalToRectangularD(q, &u[k], &v[k]);
            quarter[k] = int(4.0 * (u[k] - std::floor(u[k])));
            first |= quarter[k] == 0;
            last |= quarter[k] == 3;
        }
        if (first && last)
            for (int k = 0; k < 4; ++k)
                if (quarter[k] == 0) u[k] += 1.0;
        auto mix = [&](const double* a) {
            const double e0 = a[0] + (a[1] - a[0]) * s, e1 = a[3] + (a[2] - a[3]) * s;
            return e0 + (e1 - e0) * tt;
        };
        // Back to a direction by the inverse of the corners' conversion, so
        // that each corner of the patch lands on its own vertex.
        const triplex r = RectangularToSphericalTUnitary(mix(u), mix(v));
        out[0] = -r.x, out[1] = -r.y, out[2] = r.z;
    } else {
        out[0] = -1.0, out[1] = 0.0, out[2] = 0.0;
    }
    return true;
}
