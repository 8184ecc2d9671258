#include "nets/net_links.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/memory.h"
#include "common/skiplist.h"
#include "polyhedra/face_link_walk.h"

void Build2DConnectivity_core_new(polyhedron* poly, int64_t first, int64_t count, SkipList* list) {
    if (!poly || !list || count <= 0) return;
    int64_t start = int32_t(first), end = start + count;
    if (start < 0) start = 0;
    if (end > kMaxNetFaces) end = kMaxNetFaces;
    LinkFacesThroughEdgeIndex(poly->netFace, start, end, poly->netVertexUses, kMax2DVertices, list);
}

void Build2DConnectivityCompletelyFromScratch(polyhedron* poly, int64_t count) {
    if (!poly) return;
    for (int64_t f = 0; f < count && f < kMaxNetFaces; ++f)
        for (int k = 0; k < kMaxFaceVertices; ++k) {
            poly->netFace[f].neighbour[k] = -1;
            poly->netFace[f].neighbourEdge[k] = -1;
        }
    auto* list = static_cast<SkipList*>(RobustNewPtr(sizeof(SkipList)));
    if (!list) {
        poly->status = kPolyStatusOutOfMemory;
        return;
    }
    initialize_skiplist(list);
    Build2DConnectivity_core_new(poly, 0, count, list);
    RobustDisposePtr(&list);
}

namespace {

// The length along which segment q0 q1 lies on segment p0 p1, both within
// eps of one line; 0 when they are not collinear.
double CollinearOverlap(const double* p0, const double* p1, const double* q0, const double* q1, double eps) {
    const double dx = p1[0] - p0[0], dy = p1[1] - p0[1], L = std::hypot(dx, dy);
    if (!(L > eps)) return 0.0;
    const double ux = dx / L, uy = dy / L;
    auto off = [&](const double* q) { return std::fabs((q[0] - p0[0]) * uy - (q[1] - p0[1]) * ux); };
    if (off(q0) > eps || off(q1) > eps) return 0.0;
    const double t0 = (q0[0] - p0[0]) * ux + (q0[1] - p0[1]) * uy, t1 = (q1[0] - p0[0]) * ux + (q1[1] - p0[1]) * uy;
    return std::min(L, std::max(t0, t1)) - std::max(0.0, std::min(t0, t1));
}

}  // namespace

void MarkCutsAlongOtherFaces(polyhedron* poly) {
    if (!poly || !poly->coords2D) return;
    const int64_t n = std::min<int64_t>(poly->netFaceCount, kMaxNetFaces);
    auto corner = [&](const PolyNetFace& nf, int64_t k) { return poly->coords2D[nf.vertex[k % nf.count]]; };
    struct Box {
        double minX, maxX, minY, maxY;
    };
    std::vector<Box> box(size_t(std::max<int64_t>(n, 0)), Box{1e300, -1e300, 1e300, -1e300});
    double low = 1e300, high = -1e300;
    for (int64_t f = 0; f < n; ++f) {
        PolyNetFace& nf = poly->netFace[f];
        for (int16_t& g : nf.cutAgainst) g = -1;
        Box& b = box[size_t(f)];
        for (int64_t k = 0; k < nf.count; ++k) {
            const double* q = corner(nf, k);
            b = {std::min(b.minX, q[0]), std::max(b.maxX, q[0]), std::min(b.minY, q[1]), std::max(b.maxY, q[1])};
        }
        if (nf.count > 0) low = std::min({low, b.minX, b.minY}), high = std::max({high, b.maxX, b.maxY});
    }
    if (n < 2 || !(high > low)) return;
    const double eps = 1e-6 * (high - low);
    // Faces by their left side, so that each meets only the faces whose
    // boxes reach it.
    std::vector<int64_t> order(static_cast<size_t>(n));
    for (int64_t f = 0; f < n; ++f) order[size_t(f)] = f;
    std::sort(order.begin(), order.end(), [&](int64_t a, int64_t b) { return box[size_t(a)].minX < box[size_t(b)].minX; });
    for (size_t i = 0; i < order.size(); ++i) {
        const int64_t f = order[i];
        PolyNetFace& A = poly->netFace[f];
        const Box& a = box[size_t(f)];
        for (size_t j = i + 1; j < order.size(); ++j) {
            const int64_t g = order[j];
            PolyNetFace& B = poly->netFace[g];
            const Box& b = box[size_t(g)];
            if (b.minX > a.maxX + eps) break;
            if (b.minY > a.maxY + eps || a.minY > b.maxY + eps) continue;
            for (int64_t k = 0; k < A.count; ++k) {
                if (A.neighbour[k] == g) continue;  // folded there
                for (int64_t e = 0; e < B.count; ++e) {
                    if (B.neighbour[e] == f) continue;
                    if (CollinearOverlap(corner(A, k), corner(A, k + 1), corner(B, e), corner(B, e + 1), eps) <= 10 * eps)
                        continue;
                    if (A.cutAgainst[k] < 0) A.cutAgainst[k] = int16_t(g);
                    if (B.cutAgainst[e] < 0) B.cutAgainst[e] = int16_t(f);
                }
            }
        }
    }
}

bool NetFacesCutApart(const polyhedron* poly, int64_t f, int64_t g) {
    if (!poly || f == g || f < 0 || g < 0 || f >= poly->netFaceCount || g >= poly->netFaceCount) return false;
    const PolyNetFace& nf = poly->netFace[f];
    for (int64_t k = 0; k < nf.count; ++k)
        if (nf.cutAgainst[k] == g) return true;
    return false;
}
