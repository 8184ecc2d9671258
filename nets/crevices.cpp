#include "nets/crevices.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "nets/net_tabs.h"
#include "nets/outline_walk.h"

namespace {

constexpr int64_t kMaxWalkSteps = 25290;

int64_t NetFaces(const polyhedron* poly) { return std::min<int64_t>(poly->netFaceCount, kMaxNetFaces); }

bool FirstCutEdgeOfOutline(const polyhedron* poly, int64_t outline, int64_t* face, int64_t* edge) {
    for (int64_t f = 0; f < NetFaces(poly); ++f) {
        const PolyNetFace& nf = poly->netFace[f];
        if (nf.outlineNumber != outline) continue;
        for (int64_t e = 0; e < nf.count && e < kMaxFaceVertices; ++e)
            if (nf.neighbour[e] < 0) {
                *face = f;
                *edge = e;
                return true;
            }
    }
    return false;
}

struct Point {
    double x, y;
};

Point CornerPoint(polyhedron* poly, int64_t f, int64_t k) {
    const PolyNetFace& nf = poly->netFace[f];
    const int64_t v = nf.vertex[((k % nf.count) + nf.count) % nf.count];
    if (v < 0 || v >= kMax2DVertices || !poly->coords2D) {
        poly->status = kPolyStatusVertexIndexOutOfRange;
        return {0, 0};
    }
    return {poly->coords2D[v][0], poly->coords2D[v][1]};
}

Point Unit(Point a, Point b) {  // (a - b) / |a - b|, zero stays zero
    const double dx = a.x - b.x, dy = a.y - b.y, len = std::hypot(dx, dy);
    return len > 0 ? Point{dx / len, dy / len} : Point{0, 0};
}

int16_t& Region(polyhedron* poly, int64_t f) { return poly->netFace[f].creviceRegion; }

int64_t HighestOutline(const polyhedron* poly) {
    int64_t n = 0;
    for (int64_t f = 0; f < NetFaces(poly); ++f) n = std::max<int64_t>(n, poly->netFace[f].outlineNumber);
    return n;
}

// Whether the outline turns back at less than 15 degrees where the step from
// (pf, pe) to (f, e) passes between two faces.
bool CreviceBetween(polyhedron* poly, int64_t pf, int64_t pe, int64_t f, int64_t e) {
    if (pf == f) return false;
    const Point A = CornerPoint(poly, pf, pe), B = CornerPoint(poly, f, e), C = CornerPoint(poly, f, e + 1);
    const Point u = Unit(B, A), w = Unit(B, C);
    return u.x * w.x + u.y * w.y > kCreviceCosine;
}

// A face that meets the outline at several crevices can end up with the
// region of the face across one of them: give the later face a region of
// its own there.
void SplitSharedCrevices(polyhedron* poly, int64_t outline, int16_t* next) {
    int64_t f, e;
    if (!FirstCutEdgeOfOutline(poly, outline, &f, &e)) return;
    const int64_t f0 = f, e0 = e;
    for (int64_t step = 0; step < kMaxWalkSteps; ++step) {
        const int64_t pf = f, pe = e;
        NextAroundNet(poly, &f, &e);
        if (f < 0) return;
        if (CreviceBetween(poly, pf, pe, f, e) && Region(poly, pf) == Region(poly, f)) Region(poly, f) = (*next)++;
        if (f == f0 && e == e0) return;
    }
}

}  // namespace

int64_t NumberOutlines(polyhedron* poly) {
    if (!poly) return 0;
    std::vector<uint8_t> seen(size_t(NetFaces(poly)) * kMaxFaceVertices, 0);
    int64_t outline = 0;
    for (int64_t f0 = 0; f0 < NetFaces(poly); ++f0)
        for (int64_t e0 = 0; e0 < poly->netFace[f0].count && e0 < kMaxFaceVertices; ++e0) {
            if (poly->netFace[f0].neighbour[e0] >= 0 || seen[size_t(f0 * kMaxFaceVertices + e0)]) continue;
            ++outline;
            int64_t f = f0, e = e0;
            for (int64_t step = 0; step <= kMaxWalkSteps && f >= 0; ++step) {
                seen[size_t(f * kMaxFaceVertices + e)] = 1;
                poly->netFace[f].outlineNumber = int16_t(outline);
                NextAroundNet(poly, &f, &e);
                if (f == f0 && e == e0) break;
            }
        }
    return outline;
}

int64_t RegionSuggestionOfNeighbor2D(const polyhedron* poly, int64_t face, int64_t edge) {
    if (!poly || face < 0 || face >= NetFaces(poly) || edge < 0 || edge >= kMaxFaceVertices) return -1;
    const int64_t g = poly->netFace[face].neighbour[edge];
    if (g < 0 || g >= NetFaces(poly)) return -1;
    return poly->netFace[g].creviceRegion;
}

void PropagateRegionSuggestionsToNeighbors2D(polyhedron* poly, int64_t face) {
    if (!poly || face < 0 || face >= NetFaces(poly)) return;
    const PolyNetFace& nf = poly->netFace[face];
    for (int64_t e = 0; e < nf.count && e < kMaxFaceVertices; ++e) {
        const int64_t g = nf.neighbour[e];
        if (g >= 0 && g < NetFaces(poly) && Region(poly, g) == -1) Region(poly, g) = nf.creviceRegion;
    }
}

int InitCreviceFightingRegionInfoViaEdgeWalking(polyhedron* poly, int64_t outline) {
    if (!poly) return 0;
    int64_t f, e;
    if (!FirstCutEdgeOfOutline(poly, outline, &f, &e)) return 0;
    int64_t anchorF = f, anchorE = e;
    int16_t counter = 0;
    int64_t crevices = 0, lastFace = -1;
    for (int64_t step = 0; step < kMaxWalkSteps; ++step) {
        const int64_t pf = f, pe = e;
        NextAroundNet(poly, &f, &e);
        if (f < 0) break;
        if (CreviceBetween(poly, pf, pe, f, e)) {
            if (crevices == 0) {
                anchorF = pf;
                anchorE = pe;
            }
            Region(poly, pf) = counter;
            ++counter;
            Region(poly, f) = counter;
            PropagateRegionSuggestionsToNeighbors2D(poly, pf);
            PropagateRegionSuggestionsToNeighbors2D(poly, f);
            ++crevices;
            lastFace = f;
        }
        if (f == anchorF && e == anchorE) break;
    }
    if (crevices >= 2) Region(poly, lastFace) = 0;
    return 1;
}

int BidirectionallySmearOnceStartingFrom(polyhedron* poly, int64_t face, int64_t edge) {
    if (!poly || face < 0 || face >= NetFaces(poly)) return 0;
    const int64_t limit = NetFaces(poly);
    int64_t rf = face, re = edge, ff = face, fe = edge;
    bool behind = false, ahead = false;
    for (int64_t k = 0; k < limit && rf >= 0; ++k) {
        PrevAroundNet(poly, &rf, &re);
        if (rf >= 0 && Region(poly, rf) != -1) {
            behind = true;
            break;
        }
    }
    if (!behind) return 0;
    for (int64_t k = 0; k < limit && ff >= 0; ++k) {
        NextAroundNet(poly, &ff, &fe);
        if (ff >= 0 && Region(poly, ff) != -1) {
            ahead = true;
            break;
        }
    }
    if (!ahead) return 0;
    const int16_t A = Region(poly, rf), B = Region(poly, ff);
    for (int64_t k = 0; k < 2 * kMaxWalkSteps && rf != ff; ++k) {
        NextAroundNet(poly, &rf, &re);
        if (rf < 0) break;
        if (Region(poly, rf) == -1) Region(poly, rf) = A;
        if (rf == ff) break;
        PrevAroundNet(poly, &ff, &fe);
        if (ff < 0) break;
        if (Region(poly, ff) == -1) Region(poly, ff) = B;
    }
    return 1;
}

int BidirectionallySmearCreviceFightingRegionInfoViaEdgeWalking(polyhedron* poly, int64_t outline) {
    if (!poly) return 0;
    int64_t f, e;
    if (!FirstCutEdgeOfOutline(poly, outline, &f, &e)) return 0;
    int64_t anchorF = f, anchorE = e;
    bool moved = false;
    for (int64_t step = 0; step <= kMaxWalkSteps - 1; ++step) {
        const int64_t pf = f, pe = e;
        NextAroundNet(poly, &f, &e);
        if (f < 0) break;
        if (Region(poly, f) == -1) {
            if (!moved) {
                anchorF = pf;
                anchorE = pe;
                moved = true;
            }
            if (!BidirectionallySmearOnceStartingFrom(poly, f, e)) break;
        }
        if (f == anchorF && e == anchorE) break;
    }
    return 1;
}

void AddMissingCreviceRegions(polyhedron* poly) {
    if (!poly) return;
    for (int64_t f = 0; f < NetFaces(poly); ++f) {
        if (Region(poly, f) != -1) continue;
        const PolyNetFace& nf = poly->netFace[f];
        int64_t best = 0, bestCount = 0;
        for (int64_t k = 0; k < nf.count && k < kMaxFaceVertices; ++k) {
            const int64_t r = RegionSuggestionOfNeighbor2D(poly, f, k);
            if (r == -1) continue;
            int64_t count = 0;
            for (int64_t j = 0; j < nf.count && j < kMaxFaceVertices; ++j)
                if (j != k && RegionSuggestionOfNeighbor2D(poly, f, j) == r) ++count;
            if (count > 0 && count >= bestCount) {
                best = r;
                bestCount = count;
            }
        }
        Region(poly, f) = int16_t(best);
    }
}

void AddCreviceFightingRegionInfo(polyhedron* poly) {
    if (!poly) return;
    int64_t outlines = HighestOutline(poly);
    if (outlines == 0) outlines = NumberOutlines(poly);
    // Every outline is walked: one whose faces all took a later outline's
    // number is simply not found, and the later ones still are.
    for (int64_t n = 1; n <= outlines; ++n) InitCreviceFightingRegionInfoViaEdgeWalking(poly, n);
    for (int64_t n = 1; n <= outlines; ++n) BidirectionallySmearCreviceFightingRegionInfoViaEdgeWalking(poly, n);
    AddMissingCreviceRegions(poly);
    int16_t next = 0;
    for (int64_t f = 0; f < NetFaces(poly); ++f) next = std::max<int16_t>(next, int16_t(Region(poly, f) + 1));
    for (int64_t n = 1; n <= outlines; ++n) SplitSharedCrevices(poly, n, &next);
}
