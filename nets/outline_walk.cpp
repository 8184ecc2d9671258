#include "nets/outline_walk.h"

#include <algorithm>

namespace {

int64_t NetFaceCount(const polyhedron* poly) { return std::min<int64_t>(poly->netFaceCount, kMaxNetFaces); }

int64_t Mod(int64_t a, int64_t n) { return ((a % n) + n) % n; }

// From edge e of *face, pivots about one corner, face by face, until an edge
// without a neighbour. The neighbour's edge reached is its stored position
// less `back`: 0 gives the edge leaving the corner where edge e starts (the
// next step), 2 the edge entering the corner where it ends (the previous).
void Pivot(const polyhedron* poly, int64_t* face, int64_t* edge, int64_t e, int64_t back) {
    int64_t f = *face;
    for (int64_t pivots = 0; poly->netFace[f].neighbour[e] >= 0; ++pivots) {
        const int64_t g = poly->netFace[f].neighbour[e];
        if (pivots > NetFaceCount(poly) || g >= NetFaceCount(poly) || poly->netFace[g].count < 1) {
            *face = -1;
            return;
        }
        e = Mod(poly->netFace[f].neighbourEdge[e] - back, poly->netFace[g].count);
        f = g;
    }
    *face = f;
    *edge = e;
}

bool FaceOk(const polyhedron* poly, int64_t f) {
    return poly && f >= 0 && f < NetFaceCount(poly) && poly->netFace[f].count >= 1;
}

}  // namespace

void NextAroundNet(const polyhedron* poly, int64_t* face, int64_t* edge) {
    if (!FaceOk(poly, *face)) {
        *face = -1;
        return;
    }
    Pivot(poly, face, edge, Mod(*edge + 1, poly->netFace[*face].count), 0);
}

void PrevAroundNet(const polyhedron* poly, int64_t* face, int64_t* edge) {
    if (!FaceOk(poly, *face)) {
        *face = -1;
        return;
    }
    Pivot(poly, face, edge, Mod(*edge - 1, poly->netFace[*face].count), 2);
}

namespace {

template <typename Want>
int FirstCutEdge(const polyhedron* poly, int64_t* face, int64_t* edge, Want want) {
    if (!poly) return 0;
    for (int64_t f = 0; f < NetFaceCount(poly); ++f) {
        const PolyNetFace& nf = poly->netFace[f];
        for (int64_t e = 0; e < nf.count && e < kMaxFaceVertices; ++e)
            if (nf.neighbour[e] < 0 && want(nf, e)) {
                *face = f;
                *edge = e;
                return 1;
            }
    }
    return 0;
}

}  // namespace

int FindANeighborless2DEdgeThatsUnconsidered(const polyhedron* poly, int64_t* face, int64_t* edge) {
    return FirstCutEdge(poly, face, edge, [](const PolyNetFace& nf, int64_t e) { return !nf.walked[e]; });
}
