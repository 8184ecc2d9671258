#include "nets/slicing.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "nets/edge_flags.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_queries.h"
#include "polyhedra/poly_storage.h"

namespace {

bool FaceOk(const polyhedron* poly, int64_t f) { return f >= 0 && f < poly->faceCount3D && f < kMax3DFaces; }

int64_t Count(const polyhedron* poly, int64_t f) { return FaceOk(poly, f) ? poly->face3D[f].count : 0; }

// Side e of face f, taken modulo its corner count.
int64_t Side(const polyhedron* poly, int64_t f, int64_t e) {
    const int64_t n = Count(poly, f);
    return n > 0 ? ((e % n) + n) % n : 0;
}

// The face across side e of f and the side's index there; -1 none.
int64_t Across(const polyhedron* poly, int64_t f, int64_t e, int64_t* mirror) {
    *mirror = -1;
    if (Count(poly, f) <= 0) return -1;
    const PolyFace3D& F = poly->face3D[f];
    const int64_t s = Side(poly, f, e), g = F.neighbour[s];
    if (!FaceOk(poly, g) || Count(poly, g) <= 0) return -1;
    *mirror = Side(poly, g, F.neighbourEdge[s] - 1);
    return g;
}

void Forbid(polyhedron* poly, int64_t f, int64_t e) {
    if (Count(poly, f) > 0) forbid_joining(poly, f, Side(poly, f, e));
}
void Prefer(polyhedron* poly, int64_t f, int64_t e) {
    if (Count(poly, f) > 0) prefer_joining(poly, f, Side(poly, f, e));
}
void Permit(polyhedron* poly, int64_t f, int64_t e) {
    if (Count(poly, f) > 0) permit_joining(poly, f, Side(poly, f, e));
}

void Label(polyhedron* poly, int64_t f, int64_t label) {
    if (FaceOk(poly, f)) poly->face3D[f].cutLabel = int32_t(label);
}

void LabelAllFaces(polyhedron* poly, int32_t label) {
    for (int64_t f = 0; f < Faces3DWritten(poly); ++f) poly->face3D[f].cutLabel = label;
}

// Vertex indices the scans for peaks and hearts run over: every vertex a
// face uses, the largest included.
int64_t VertexScanEnd(const polyhedron* poly) {
    int64_t highest = -1;
    for (int64_t f = 0; f < poly->faceCount3D && f < kMax3DFaces; ++f)
        for (int64_t k = 0; k < poly->face3D[f].count; ++k)
            if (poly->face3D[f].vertex[k] > highest) highest = poly->face3D[f].vertex[k];
    return highest + 1 < kMax3DVertices ? highest + 1 : kMax3DVertices;
}

bool HasVertex(const polyhedron* poly, int64_t f, int64_t v) {
    for (int64_t k = 0; k < poly->face3D[f].count; ++k)
        if (poly->face3D[f].vertex[k] == v) return true;
    return false;
}

// ---- Rhombic hexecontahedron ----

constexpr int kPeaks = 20, kHearts = 12, kHeartSlots = 20;

struct RhState {
    int64_t peak[kPeaks], peakCount = 0;
    int64_t heart[kHearts], heartCount = 0;
    int64_t heartsOfPeak[kPeaks][kHeartSlots];
    uint8_t adjacent[kPeaks][kPeaks] = {};
    uint8_t paired[kPeaks] = {};
    int64_t cluster[kPeaks];
    int64_t touches[kHearts] = {};
};

int64_t ClampPeak(int64_t p) { return p < 0 ? 0 : p >= kPeaks ? kPeaks - 1 : p; }

void AddAdjoiningHeart(RhState& s, int64_t peak, int64_t heart) {
    for (int64_t& slot : s.heartsOfPeak[ClampPeak(peak)])
        if (slot == -1) {
            slot = heart;
            return;
        }
}

void DetectHeartsTouchedByFace(const polyhedron* poly, int64_t f, int64_t label, RhState& s) {
    for (int64_t k = 0; k < poly->face3D[f].count; ++k)
        for (int64_t h = 0; h < s.heartCount; ++h)
            if (poly->face3D[f].vertex[k] == s.heart[h]) AddAdjoiningHeart(s, label, h);
}

int64_t HighestCountOfAdjacentHearts(const RhState& s, int64_t peak) {
    int64_t most = 0;
    for (int64_t h : s.heartsOfPeak[peak])
        if (h >= 0 && s.touches[h] > most) most = s.touches[h];
    return most;
}

int64_t SuitableSinglePeak(const RhState& s) {
    for (int64_t p = 0; p < kPeaks; ++p) {
        if (s.paired[p]) continue;
        for (int64_t q = 0; q < kPeaks; ++q)
            if (q != p && s.adjacent[p][q] && s.paired[q]) return p;
    }
    for (int64_t p = 0; p < kPeaks; ++p)
        if (!s.paired[p]) return p;
    return -1;
}

// Cuts the joint between the two peaks of the face's cluster, once a cluster.
void PerhapsSliceRH(polyhedron* poly, int64_t f, const int64_t* clusterOfPeak, uint8_t* done) {
    const PolyFace3D& F = poly->face3D[f];
    const int64_t L = F.cutLabel;
    if (F.count <= 0 || L < 0 || L >= kPeaks) return;
    const int64_t c = clusterOfPeak[L];
    if (c < 0 || done[c]) return;
    const auto labelAcross = [&](int64_t e) {
        const int64_t g = F.neighbour[Side(poly, f, e)];
        return FaceOk(poly, g) ? int64_t(poly->face3D[g].cutLabel) : -1;
    };
    int64_t i = -1;
    for (int64_t e = 0; e < F.count && i < 0; ++e) {
        const int64_t other = labelAcross(e);
        if (other != L && other >= 0 && other < kPeaks && clusterOfPeak[other] == c) i = e;
    }
    if (i < 0) return;
    Forbid(poly, f, i);
    done[c] = 1;
    const int64_t step = labelAcross(i + 1) == L ? 1 : labelAcross(i - 1) == L ? -1 : 0;
    if (step == 0) return;
    const int64_t a = i + step;
    Forbid(poly, f, a);
    int64_t mW, mX;
    const int64_t W = Across(poly, f, a, &mW);
    if (W < 0) return;
    const int64_t X = Across(poly, W, mW + step, &mX);
    if (X < 0) return;
    Forbid(poly, X, step > 0 ? mX + 1 : mX - 2);
}

}  // namespace

int64_t doTriHexTri_and_maybe_quads(polyhedron* poly, int64_t face, int64_t label, int first, int quads) {
    if (!poly || !FaceOk(poly, face)) return -1;
    int64_t T = face, unused;
    if (checkFloppinessOf3DTriangle(poly, face)) T = Across(poly, face, longestSideOf3DFace(poly, face), &unused);
    if (!FaceOk(poly, T)) return -1;
    int64_t s, m, l;
    get_short_mid_long_sides_of_3D_triangle(poly, T, &s, &m, &l);
    Forbid(poly, T, s);
    Prefer(poly, T, m);
    if (first)
        Forbid(poly, T, l);
    else
        Prefer(poly, T, l);
    int64_t h;
    const int64_t H = Across(poly, T, m, &h);
    int64_t T2 = -1, Q[3] = {-1, -1, -1};
    if (H >= 0) {
        int64_t unusedMirror;
        Prefer(poly, H, h - 1);
        T2 = Across(poly, H, h - 1, &unusedMirror);
        Forbid(poly, H, h - 2);
        Forbid(poly, H, h - 3);
        int64_t q;
        if (quads) {
            Prefer(poly, H, h - 4);
            Q[0] = Across(poly, H, h - 4, &q);
        } else {
            Forbid(poly, H, h - 4);
        }
        Forbid(poly, H, h - 5);
        if (quads && Q[0] >= 0) {
            Forbid(poly, Q[0], q - 1);
            Prefer(poly, Q[0], q - 2);
            int64_t q2;
            Q[1] = Across(poly, Q[0], q - 2, &q2);
            Forbid(poly, Q[0], q - 3);
            if (Q[1] >= 0) {
                Prefer(poly, Q[1], q2 - 1);
                int64_t q3;
                Q[2] = Across(poly, Q[1], q2 - 1, &q3);
                Forbid(poly, Q[1], q2 - 2);
                Forbid(poly, Q[1], q2 - 3);
                if (Q[2] >= 0)
                    for (int64_t e = 1; e <= 3; ++e) Forbid(poly, Q[2], q3 - e);
            }
        }
    }
    for (int64_t f : {Q[0], Q[1], Q[2], H, T, T2}) Label(poly, f, label);
    if (T2 < 0) return -1;
    int64_t unusedMirror;
    return Across(poly, T2, longestSideOf3DFace(poly, T2), &unusedMirror);
}

void AddSlicingTo_cube_4_compound(polyhedron* poly) {
    permit_joining_everywhere(poly);
    forbid_shortest_sides_of_all_triangles(poly);
    LabelAllFaces(poly, 0);
    int64_t low, high;
    findHighAndLowTriangles(poly, &low, &high);
    const auto band = [&](int64_t start, int64_t label, int quads) {
        for (int unit = 0; unit < 4; ++unit) start = doTriHexTri_and_maybe_quads(poly, start, label, unit == 0, quads);
    };
    band(low, 1, 1);
    band(high, 2, 1);
    for (int64_t label = 3; label <= 6; ++label) {
        int64_t start = -1;
        for (int64_t f = 0; f < poly->faceCount3D && start < 0; ++f)
            if (poly->face3D[f].count == 3 && poly->face3D[f].cutLabel == 0) start = f;
        band(start, label, 0);
    }
    slice_dissimilar_norse_labels(poly);
}

void AddSlicingToRhombicHexecontahedron_2(polyhedron* poly) {
    int64_t hearts[kHearts], count = 0;
    const int64_t end = VertexScanEnd(poly);
    for (int64_t v = 0; v < end && count < kHearts; ++v)
        if (poly->linkCount3D[v] == 5) hearts[count++] = v;
    for (int64_t f = 0; f < poly->faceCount3D && f < kMax3DFaces; ++f)
        for (int64_t k = 0; k < poly->face3D[f].count; ++k)
            for (int64_t h = 0; h < count; ++h)
                if (poly->face3D[f].vertex[k] == hearts[h]) poly->face3D[f].group = int16_t(h + 1);
}

// Each face takes the number of its peak; neighbouring peaks pair into
// clusters, each cluster one weirdo group, and the joint inside each
// cluster is cut. A face without a peak keeps label -1 and stays out of
// every cluster; a peak left unpaired becomes a cluster of its own, so its
// faces still join the net.
void AddSlicingToRhombicHexecontahedron(polyhedron* poly) {
    RhState s;
    const int64_t end = VertexScanEnd(poly);
    for (int64_t v = 0; v < end; ++v) {
        if (poly->linkCount3D[v] == 3 && s.peakCount < kPeaks) s.peak[s.peakCount++] = v;
        if (poly->linkCount3D[v] == 5 && s.heartCount < kHearts) s.heart[s.heartCount++] = v;
    }
    for (auto& row : s.heartsOfPeak)
        for (int64_t& slot : row) slot = -1;
    for (int64_t& c : s.cluster) c = -1;
    const int64_t faces = poly->faceCount3D < kMax3DFaces ? poly->faceCount3D : kMax3DFaces;
    for (int64_t f = 0; f < faces; ++f) poly->face3D[f].cutLabel = -1;
    for (int64_t f = 0; f < faces; ++f) {
        const PolyFace3D& F = poly->face3D[f];
        int64_t label = -1;
        for (int64_t k = 0; k < F.count && label < 0; ++k)
            for (int64_t p = 0; p < s.peakCount; ++p)
                if (F.vertex[k] == s.peak[p]) label = p;
        if (label < 0) continue;
        poly->face3D[f].cutLabel = int32_t(label);
        DetectHeartsTouchedByFace(poly, f, label, s);
    }
    for (int64_t f = 0; f < faces; ++f) {
        const PolyFace3D& F = poly->face3D[f];
        for (int64_t e = 0; e < F.count; ++e) {
            const int64_t g = F.neighbour[e];
            if (!FaceOk(poly, g)) continue;
            const int64_t a = F.cutLabel, b = poly->face3D[g].cutLabel;
            if (a != b && a >= 0 && b >= 0 && a < kPeaks && b < kPeaks) s.adjacent[a][b] = s.adjacent[b][a] = 1;
        }
    }
    for (int64_t p = s.peakCount; p < kPeaks; ++p) s.paired[p] = 1;  // no such peak
    int64_t clusters = 0;
    for (;;) {
        const int64_t p = SuitableSinglePeak(s);
        if (p < 0) break;
        int64_t q = -1, best = -1;
        for (int64_t r = 0; r < kPeaks; ++r) {
            if (r == p || !s.adjacent[p][r] || s.paired[r]) continue;
            const int64_t h = HighestCountOfAdjacentHearts(s, r);
            if (h > best) best = h, q = r;
        }
        if (q < 0) break;
        s.paired[p] = s.paired[q] = 1;
        s.cluster[p] = s.cluster[q] = clusters++;
        for (int64_t r : {p, q})
            for (int64_t h : s.heartsOfPeak[r])
                if (h >= 0) ++s.touches[h];
    }
    for (int64_t p = 0; p < s.peakCount; ++p)
        if (s.cluster[p] < 0) s.cluster[p] = clusters++;
    for (int64_t f = 0; f < faces; ++f) {
        const int64_t L = poly->face3D[f].cutLabel;
        if (L >= 0 && L < kPeaks) poly->face3D[f].group = int16_t(s.cluster[L] + 1);
    }
    uint8_t done[kPeaks] = {};
    for (int64_t f = 0; f < faces; ++f) PerhapsSliceRH(poly, f, s.cluster, done);
}

void labelHeartsHavingValence(int64_t valence, polyhedron* poly, int64_t* countOut, int64_t* hearts) {
    constexpr int64_t kMost = 40;
    for (int64_t i = 0; i < kMost; ++i) hearts[i] = -1;
    int64_t count = 0;
    const int64_t end = VertexScanEnd(poly);
    for (int64_t v = 0; v < end && count < kMost; ++v)
        if (poly->linkCount3D[v] == valence) hearts[count++] = v;
    for (int64_t f = 0; f < poly->faceCount3D && f < kMax3DFaces; ++f)
        for (int64_t k = 0; k < count; ++k)
            if (HasVertex(poly, f, hearts[k])) poly->face3D[f].cutLabel = int32_t(k);
    if (countOut) *countOut = count;
}

void build_wing_at(polyhedron* poly, int64_t face, int64_t edge) {
    int64_t m1, m2, m3;
    const int64_t W1 = Across(poly, face, edge, &m1);
    if (W1 < 0) return;
    Forbid(poly, W1, m1 - 1);
    Prefer(poly, W1, m1 - 2);
    const int64_t W2 = Across(poly, W1, m1 - 2, &m2);
    if (W2 < 0) return;
    Forbid(poly, W2, m2 - 1);
    Prefer(poly, W2, m2 - 2);
    const int64_t W3 = Across(poly, W2, m2 - 2, &m3);
    if (W3 < 0) return;
    Prefer(poly, W3, m3 - 1);
    Forbid(poly, W3, m3 - 2);
}

void AddSlicingTo_stellation_1(polyhedron* poly) {
    permit_joining_everywhere(poly);
    LabelAllFaces(poly, 0);
    int64_t F = 0;
    for (int link = 0; link < 5 && FaceOk(poly, F); ++link) {
        const int64_t L = longestSideOf3DFace(poly, F);
        if (link == 0)
            Forbid(poly, F, L);
        else
            Prefer(poly, F, L);
        int64_t m1, m2, m3, mNext;
        Prefer(poly, F, L - 1);
        const int64_t G1 = Across(poly, F, L - 1, &m1);
        Prefer(poly, F, L - 2);
        build_wing_at(poly, F, L - 2);
        int64_t G2 = -1, G3 = -1, next = -1;
        if (G1 >= 0) {
            Prefer(poly, G1, m1 - 1);
            G2 = Across(poly, G1, m1 - 1, &m2);
            Forbid(poly, G1, m1 - 2);
        }
        if (G2 >= 0) {
            Forbid(poly, G2, m2 - 1);
            Prefer(poly, G2, m2 - 2);
            G3 = Across(poly, G2, m2 - 2, &m3);
        }
        if (G3 >= 0) {
            Prefer(poly, G3, m3 - 1);
            build_wing_at(poly, G3, m3 - 1);
            if (link == 4)
                Forbid(poly, G3, m3 - 2);
            else
                Prefer(poly, G3, m3 - 2);
            next = Across(poly, G3, m3 - 2, &mNext);
        }
        for (int64_t f : {F, G1, G2, G3}) Label(poly, f, 2);
        F = next;
    }
}

void AddSlicingTo_stellation_2(polyhedron* poly) {
    permit_joining_everywhere(poly);
    prefer_longest_sides_of_all_triangles(poly);
    disdain_shortest_sides_of_all_triangles(poly);
}

namespace {

// Faces about each vertex of the valence take its label; every join is
// opened (triangles preferring their longest side) and labels are cut apart.
void CutBetweenHearts(polyhedron* poly, int64_t valence, bool preferLongest) {
    int64_t hearts[40], count;
    LabelAllFaces(poly, -1);
    labelHeartsHavingValence(valence, poly, &count, hearts);
    permit_joining_everywhere(poly);
    if (preferLongest) prefer_longest_sides_of_all_triangles(poly);
    slice_dissimilar_norse_labels(poly);
}

// The medial hexagonal hexecontahedron's table cuts each visible region of
// its 60 face planes into faces of at most ten corners, and only the
// quadrilaterals touch a heart: left to the steps above, the 240 faces off
// the hearts make one piece, which no net of 24 fragments lays flat. So each
// heart's five quadrilaterals and the five regions nearest it (by the middle
// of the region's faces) are one piece of the net: the edges between pieces
// are cut, those inside joined, and the seams inside a region (between faces
// in one plane) are joined first, as folds. A solid without hearts is left
// as the steps above leave it.
void JoinEachHeartWithItsNearestRegions(polyhedron* poly) {
    const int64_t F = std::min<int64_t>(poly->faceCount3D, kMax3DFaces);
    std::vector<int64_t> hearts;
    for (int64_t v = 0; v < poly->vertexCount3D; ++v)
        if (poly->linkCount3D[v] == 5) hearts.push_back(v);
    if (hearts.empty()) return;
    auto coplanar = [&](int64_t f, int64_t g) {
        return Tdot_product(FetchNormalOf3DFace(poly, f), FetchNormalOf3DFace(poly, g)) >= 1.0 - 1e-9;
    };
    // The regions: faces joined through edges between faces in one plane.
    std::vector<int64_t> region(static_cast<size_t>(F));
    for (int64_t f = 0; f < F; ++f) region[size_t(f)] = f;
    auto root = [&](int64_t f) {
        while (region[size_t(f)] != f) f = region[size_t(f)] = region[size_t(region[size_t(f)])];
        return f;
    };
    for (int64_t f = 0; f < F; ++f)
        for (int64_t e = 0; e < poly->face3D[f].count; ++e) {
            const int64_t g = poly->face3D[f].neighbour[e];
            if (g >= 0 && g < F && coplanar(f, g)) region[size_t(root(f))] = root(g);
        }
    std::vector<triplex> middle(static_cast<size_t>(F), triplex{0, 0, 0});
    for (int64_t f = 0; f < F; ++f) middle[size_t(root(f))] = Tadd(middle[size_t(root(f))], FetchCentroidOf3DFace(poly, f));
    std::vector<int64_t> piece(static_cast<size_t>(F), -1);
    for (int64_t f = 0; f < F; ++f) {
        const triplex m = Tnormalize(middle[size_t(root(f))]);
        double nearest = -2.0;
        for (size_t h = 0; h < hearts.size(); ++h) {
            const double d = Tdot_product(m, Tnormalize(poly->coords3D[hearts[h]]));
            if (d > nearest) nearest = d, piece[size_t(f)] = int64_t(h);
        }
    }
    for (int64_t f = 0; f < F; ++f)
        for (int64_t e = 0; e < poly->face3D[f].count; ++e) {
            const int64_t g = poly->face3D[f].neighbour[e];
            if (g < 0 || g >= F) continue;
            if (piece[size_t(g)] != piece[size_t(f)]) {
                forbid_joining(poly, f, e);
            } else {
                permit_joining(poly, f, e);
                if (coplanar(f, g)) prefer_joining(poly, f, e);
            }
        }
}

}  // namespace

void AddSlicingTo_stellation_3(polyhedron* poly) { CutBetweenHearts(poly, 5, false); }

void AddSlicingTo_stellation_4(polyhedron* poly) {
    AddSlicingTo_stellation_3(poly);
    for (int64_t f = 0; f < poly->faceCount3D && f < kMax3DFaces; ++f) {
        if (poly->face3D[f].count != 4) continue;
        const int64_t s = shortestSideOf3DFace(poly, f);
        Permit(poly, f, s - 1);
        for (int64_t e = 2; e <= 4; ++e) Forbid(poly, f, s - e);
    }
    JoinEachHeartWithItsNearestRegions(poly);
}

void AddSlicingTo_stellation_5(polyhedron* poly) { CutBetweenHearts(poly, 6, true); }

void AddSlicingTo_waterman(polyhedron* poly) {
    forbid_joining_everywhere(poly);
    for (int64_t f = 0; f < poly->faceCount3D && f < kMax3DFaces; ++f) {
        if (poly->face3D[f].count != 3) continue;
        const int64_t L = longestSideOf3DFace(poly, f);
        Permit(poly, f, L);
        Forbid(poly, f, L + 1);
        Forbid(poly, f, L + 2);
    }
    if (!FaceOk(poly, 4)) return;
    int64_t m1, m2, m3;
    Permit(poly, 4, 1);
    const int64_t last = Count(poly, 4) - 1;
    Permit(poly, 4, last);
    const int64_t G1 = Across(poly, 4, last, &m1);
    if (G1 < 0) return;
    Permit(poly, G1, m1 - 2);
    Permit(poly, G1, m1 - 4);
    const int64_t G2 = Across(poly, G1, m1 - 4, &m2);
    if (G2 < 0) return;
    Permit(poly, G2, m2 - 2);
    Permit(poly, G2, m2 - 4);
    const int64_t G3 = Across(poly, G2, m2 - 4, &m3);
    if (G3 < 0) return;
    Permit(poly, G3, m3 - 2);
}

int64_t LinkSolidAndApplyCuttingRule(polyhedron* poly) {
    if (!poly) return 0;
    Build3DConnectivity(poly);
    return MaybeAddSlicing(poly);
}

void slice_by_site_labels(polyhedron* poly, int64_t threshold) {
    for (int64_t f = 0; f < poly->faceCount3D; ++f) {
        const PolyFace3D& face = poly->face3D[f];
        if (face.siteLabel == kSiteMustJoin) continue;
        for (int64_t e = 0; e < face.count; ++e) {
            const int64_t g = face.neighbour[e];
            if (g < 0 || g >= poly->faceCount3D) continue;
            const int64_t other = poly->face3D[g].siteLabel;
            if (other == kSiteMustJoin) continue;
            const int64_t d = face.siteLabel > other ? face.siteLabel - other : other - face.siteLabel;
            if (d > threshold) forbid_joining(poly, f, e);
        }
    }
}

int64_t MaybeAddSlicing(polyhedron* poly) {
    if (!poly) return 0;
    switch (poly->slicingMode) {
        case 1: slice_by_site_labels(poly, 1); break;
        case 7: slice_by_site_labels(poly, 3); break;
        case 8: AddSlicingToRhombicHexecontahedron(poly); break;
        case 9: AddSlicingToRhombicHexecontahedron_2(poly); break;
        case 10: AddSlicingTo_cube_4_compound(poly); break;
        case 11: AddSlicingTo_stellation_1(poly); break;
        case 12: AddSlicingTo_stellation_2(poly); break;
        case 13: AddSlicingTo_stellation_3(poly); break;
        case 14: AddSlicingTo_stellation_4(poly); break;
        case 15: AddSlicingTo_stellation_5(poly); break;
        case 16: AddSlicingTo_waterman(poly); break;
        default: break;
    }
    return 0;
}
