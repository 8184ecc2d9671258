#include "nets/correspondence.h"

#include <cmath>
#include <vector>

namespace {

bool NetFaceOk(const polyhedron* poly, int64_t n) { return n >= 0 && n < poly->netFaceCount && n < kMaxNetFaces; }
bool Face3DOk(const polyhedron* poly, int64_t f) { return f >= 0 && f < poly->faceCount3D && f < kMax3DFaces; }

bool AnglesMatch(double a, double b) { return std::fabs(a - b) < kCorrespondenceAngleTolerance; }

int64_t Mod(int64_t a, int64_t n) { return n > 0 ? ((a % n) + n) % n : 0; }

// Net face n shows 3D face f with the given offset; the angles are checked
// going round from net corner k2 and 3D corner k3.
void Tie(polyhedron* poly, int64_t n, int64_t f, int64_t offset, int64_t k2, int64_t k3) {
    PolyNetFace& N = poly->netFace[n];
    if (!Face3DOk(poly, f)) {
        poly->correspondenceFailed = 1;
        return;
    }
    N.face3D = f;
    N.vertexOffset = Mod(offset, N.count);
    if (!faces_are_congruent(n, k2, f, k3, poly)) poly->correspondenceFailed = 1;
}

bool Tied(const polyhedron* poly, int64_t n) { return Face3DOk(poly, poly->netFace[n].face3D); }

// Some 3D face shown by two net faces: the spreading went round a wrong
// anchor.
bool ShownTwice(const polyhedron* poly, int64_t faces) {
    std::vector<uint8_t> shown(static_cast<size_t>(poly->faceCount3D), 0);
    for (int64_t n = 0; n < faces; ++n)
        if (Tied(poly, n) && shown[size_t(poly->netFace[n].face3D)]++) return true;
    return false;
}

}  // namespace

bool faces_are_congruent(int64_t n, int64_t k2, int64_t f, int64_t k3, const polyhedron* poly) {
    if (!poly || !NetFaceOk(poly, n) || !Face3DOk(poly, f)) return false;
    const PolyNetFace& N = poly->netFace[n];
    const PolyFace3D& F = poly->face3D[f];
    if (N.count != F.count || N.count <= 0) return false;
    for (int64_t i = 0; i < N.count; ++i)
        if (!AnglesMatch(N.angle[Mod(k2 + i, N.count)], F.angle[Mod(k3 + i, F.count)])) return false;
    return true;
}

void Propagate(int64_t start, polyhedron* poly) {
    if (!poly || !NetFaceOk(poly, start) || !Tied(poly, start)) return;
    struct Step {
        int64_t face, edge;
    };
    std::vector<Step> stack{{start, 0}};
    while (!stack.empty()) {
        Step& top = stack.back();
        const PolyNetFace& N = poly->netFace[top.face];
        if (top.edge >= N.count || !Tied(poly, top.face)) {
            stack.pop_back();
            continue;
        }
        const int64_t k = top.edge++;
        const int64_t g = N.neighbour[k];
        if (!NetFaceOk(poly, g) || Tied(poly, g)) continue;
        const int64_t s = N.face3D;
        const PolyFace3D& S = poly->face3D[s];
        const int64_t e3 = Mod(k + N.vertexOffset, S.count);
        const int64_t t = S.neighbour[e3], p3 = S.neighbourEdge[e3], m = N.neighbourEdge[k];
        const int64_t gCount = poly->netFace[g].count;
        if (!Face3DOk(poly, t) || m < 0 || p3 < 0) {
            poly->correspondenceFailed = 1;
            continue;
        }
        Tie(poly, g, t, gCount - m + p3, m, p3);
        stack.push_back({g, 0});
    }
}

int64_t Find3DSimilarTof2DFace(int64_t n, const polyhedron* poly) {
    if (!poly || !NetFaceOk(poly, n)) return -1;
    for (int64_t f = 0; f < poly->faceCount3D && f < kMax3DFaces; ++f)
        if (poly->face3D[f].count == poly->netFace[n].count) return f;
    return -1;
}

int64_t FindSimilarAmong3DNeighbors(int64_t s, int64_t n, int64_t k, int64_t g, int64_t m, int64_t* edge3D,
                                    const polyhedron* poly, int strict) {
    if (!poly || !Face3DOk(poly, s) || !NetFaceOk(poly, n) || !NetFaceOk(poly, g)) return -1;
    const PolyNetFace& N = poly->netFace[n];
    const PolyFace3D& S = poly->face3D[s];
    const auto uses2D = [&](int64_t v) { return v >= 0 && v < kMax2DVertices ? int64_t(poly->netVertexUses[v]) : 0; };
    const auto uses3D = [&](int64_t v) { return v >= 0 && v < kMax3DVertices ? int64_t(poly->linkCount3D[v]) : 0; };
    const int64_t a = uses2D(N.vertex[Mod(k, N.count)]), b = uses2D(N.vertex[Mod(k + 1, N.count)]);
    for (int64_t j = 0; j < S.count; ++j) {
        const int64_t t = S.neighbour[j];
        if (!Face3DOk(poly, t) || poly->face3D[t].count != poly->netFace[g].count) continue;
        const int64_t c = uses3D(S.vertex[j]), d = uses3D(S.vertex[Mod(j + 1, S.count)]);
        const bool candidate = strict ? (a == c && b == d) : ((a < c && b < d) || (a > c && b > d));
        if (!candidate) continue;
        if (!faces_are_congruent(n, k, s, j, poly)) continue;
        if (!faces_are_congruent(g, m, t, S.neighbourEdge[j], poly)) continue;
        if (edge3D) *edge3D = j;
        return t;
    }
    return -1;
}

// The anchor search of a net read from a table. A net face with no net
// neighbour, or whose corner count no 3D face has, is passed over rather
// than ending the search: a one-face fragment first in the table must not
// leave the whole net untied. Angles alone cannot tell apart faces of one
// shape in different surroundings (the two kinds of square of a
// rhombicuboctahedron, a rhombus turned half round): an anchor whose
// spreading meets a mismatch or shows a 3D face twice is undone
// and the search goes on; only when no anchor spreads cleanly is the first
// one kept, with the failed flag.
int64_t DetermineCorrespondence(polyhedron* poly) {
    if (!poly) return 0;
    if (poly->correspondenceGiven) return 1;
    const int64_t faces = poly->netFaceCount < kMaxNetFaces ? poly->netFaceCount : kMaxNetFaces;
    int64_t most = 0;
    for (int64_t n = 0; n < faces; ++n)
        if (poly->netFace[n].count > most) most = poly->netFace[n].count;
    struct Saved {
        int64_t face3D, offset;
    };
    std::vector<Saved> before(static_cast<size_t>(faces));
    for (int64_t n = 0; n < faces; ++n) before[size_t(n)] = {poly->netFace[n].face3D, poly->netFace[n].vertexOffset};
    const uint8_t failedBefore = poly->correspondenceFailed;
    const auto restore = [&] {
        for (int64_t n = 0; n < faces; ++n) {
            poly->netFace[n].face3D = before[size_t(n)].face3D;
            poly->netFace[n].vertexOffset = before[size_t(n)].offset;
        }
        poly->correspondenceFailed = failedBefore;
    };
    int64_t firstN = -1, firstStrict = 0;
    for (int pass = 0; pass < 3; ++pass) {
        // Passes 0 and 1: strict, then relaxed, stopping at a clean anchor;
        // pass 2 replays the first anchor found.
        const int strict = pass == 2 ? int(firstStrict) : 1 - pass;
        {
            for (int64_t n = pass == 2 ? firstN : 0; n < faces; ++n) {
                const PolyNetFace& N = poly->netFace[n];
                if (N.count <= 0 || N.count < most) continue;
                int64_t k = -1;
                for (int64_t e = N.count - 1; e >= 0 && k < 0; --e)
                    if (NetFaceOk(poly, N.neighbour[e])) k = e;
                if (k < 0) continue;
                const int64_t g = N.neighbour[k], m = N.neighbourEdge[k];
                int64_t s = Find3DSimilarTof2DFace(n, poly);
                if (s < 0) continue;
                if (poly->shapeCode == 72 && Face3DOk(poly, 1)) s = 1;
                if (poly->shapeCode == 23 && Face3DOk(poly, 5)) s = 5;
                int64_t j = -1;
                const int64_t t = FindSimilarAmong3DNeighbors(s, n, k, g, m, &j, poly, strict);
                if (t < 0) continue;
                const int64_t p = poly->face3D[s].neighbourEdge[j];
                Tie(poly, n, s, N.count - k + j, k, j);
                Tie(poly, g, t, p - m + poly->netFace[g].count, m, p);
                Propagate(n, poly);
                Propagate(g, poly);
                if (ShownTwice(poly, faces)) poly->correspondenceFailed = 1;
                if (pass == 2 || !poly->correspondenceFailed) return 1;
                if (firstN < 0) firstN = n, firstStrict = strict;
                restore();
            }
        }
        if (pass == 1 && firstN < 0) return 0;
    }
    return 1;
}
