#include "render/edge_marks.h"

#include <algorithm>
#include <cmath>

#include "polyhedra/polyhedron.h"
#include "records/TransformationReply.h"
#include "records/vort.h"
#include "render/reply_grid.h"
#include "render/shading.h"

namespace {

constexpr double kFarAway = 1e8;
constexpr double kFootAtStart = 1e-8, kFootAtEnd = 0.99999999;
constexpr double kHalfTurn = 3.141592653;
constexpr uint32_t kConcaveEdge = 3;

// Distance from p to the segment a-b; the distance to a when it has no length.
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double ex = bx - ax, ey = by - ay, l2 = ex * ex + ey * ey;
    if (l2 == 0.0) return std::hypot(px - ax, py - ay);
    const double t = ((px - ax) * ex + (py - ay) * ey) / l2;
    double fx = ax + t * ex, fy = ay + t * ey;
    if (t < kFootAtStart) fx = ax, fy = ay;
    else if (t > kFootAtEnd) fx = bx, fy = by;
    return std::hypot(px - fx, py - fy);
}

}  // namespace

void makeEdgesDashedAt(int64_t x, int64_t y, const vort* c, float angle) {
    // A cell that several pixels dash (at a corner of two concave edges)
    // keeps the smallest of their values, so the picture does not hang on
    // the order in which the pixels were visited, and so on the tiling.
    for (int q = 0; q < 4; ++q) {
        const int64_t i = x + (q & 1), j = y + (q >> 1);
        if (MirelYummy* cell = GetYummyReplyPointer(i, j, c))
            cell->reply.edgeMask = std::min(cell->reply.edgeMask, dashfunction(float(i - 1), float(j - 1), angle));
    }
}

void notice_concave_edges_new(const TransformationReply* reply, const vort* c, int64_t x, int64_t y) {
    if (!reply || !c || !c->polyhedral) return;
    const polyhedron* p = c->outputPolyhedron;
    // Only a solid with a concave edge has edges to dash.
    if (!p || !p->netBuilt || !p->hasConcaveEdge || !GetYummyReplyPointer(x, y, c)) return;
    const int64_t f = reply->faceTag;
    if (f < 0 || f >= p->netFaceCount || f >= kMaxNetFaces) return;
    const PolyNetFace& nf = p->netFace[f];
    const double px = reply->netPosition[0], py = reply->netPosition[1];
    double best = kFarAway;
    const PolyNetVertex *bestA = nullptr, *bestB = nullptr;
    int64_t edge = -1;
    const int64_t first = nf.firstTriangle, last = first + nf.triangleCount;
    for (int64_t t = first < 0 ? 0 : first; first >= 0 && t < last && t < p->netTriangleCount; ++t) {
        const PolyNetTriangle& tri = p->netTriangle[t];
        for (int e = 0; e < 3; ++e) {
            if (!tri.outlineFlag[e]) continue;
            const int64_t va = tri.vertex[e], vb = tri.vertex[(e + 1) % 3];
            if (va < 0 || vb < 0 || va >= kMax2DVertices || vb >= kMax2DVertices) continue;
            const PolyNetVertex &A = p->netVertex[va], &B = p->netVertex[vb];
            const double d = SegmentDistance(px, py, A.x, A.y, B.x, B.y);
            if (d < best) best = d, bestA = &A, bestB = &B, edge = tri.solidCorner[e];
        }
    }
    const int64_t F = nf.face3D;
    if (!bestA || F < 0 || F >= p->faceCount3D || F >= kMax3DFaces) return;
    const PolyFace3D& face = p->face3D[F];
    if (edge < 0 || edge >= face.count || edge >= kMaxFaceVertices || face.edgeKind[edge] != kConcaveEdge) return;
    const double a = std::atan2(double(bestB->y) - bestA->y, double(bestB->x) - bestA->x);
    makeEdgesDashedAt(x, y, c, float(a > 0.0 ? kHalfTurn - a : -a));
}
