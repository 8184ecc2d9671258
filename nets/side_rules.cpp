// Measures of faces and edges for the cutting rules, and the whole-solid
// side rules built from them.
#include <cmath>

#include "common/vectors.h"
#include "nets/edge_flags.h"
#include "nets/slicing.h"
#include "polyhedra/face_links.h"

namespace {

bool FaceOk(const polyhedron* poly, int64_t f) { return poly && f >= 0 && f < poly->faceCount3D && f < kMax3DFaces; }

triplex Corner(const polyhedron* poly, int64_t f, int64_t k) {
    const PolyFace3D& F = poly->face3D[f];
    return poly->coords3D[F.vertex[((k % F.count) + F.count) % F.count]];
}

bool IsTriangle(const polyhedron* poly, int64_t f) { return poly->face3D[f].count == 3; }

template <typename Pick, typename Apply>
void EveryTriangle(polyhedron* poly, Pick pick, Apply apply) {
    for (int64_t f = 0; f < poly->faceCount3D && f < kMax3DFaces; ++f)
        if (IsTriangle(poly, f)) apply(poly, f, pick(poly, f));
}

}  // namespace

double LengthOf3DEdge(const polyhedron* poly, int64_t face, int64_t edge) {
    if (!FaceOk(poly, face) || poly->face3D[face].count <= 0) return 0.0;
    return Tdistance(Corner(poly, face, edge), Corner(poly, face, edge + 1));
}

int64_t shortestSideOf3DFace(const polyhedron* poly, int64_t face) {
    if (!FaceOk(poly, face)) return 0;
    double best = 99999999.0;
    int64_t side = 0;
    for (int64_t e = 0; e < poly->face3D[face].count; ++e)
        if (const double d = LengthOf3DEdge(poly, face, e); d < best) best = d, side = e;
    return side;
}

int64_t longestSideOf3DFace(const polyhedron* poly, int64_t face) {
    if (!FaceOk(poly, face)) return 0;
    double best = 0.0;
    int64_t side = 0;
    for (int64_t e = 0; e < poly->face3D[face].count; ++e)
        if (const double d = LengthOf3DEdge(poly, face, e); d > best) best = d, side = e;
    return side;
}

void get_short_mid_long_sides_of_3D_triangle(const polyhedron* poly, int64_t face, int64_t* shortOut,
                                             int64_t* midOut, int64_t* longOut) {
    const int64_t s = shortestSideOf3DFace(poly, face), l = longestSideOf3DFace(poly, face);
    int64_t m = (s + 1) % 3;
    if (m == l) m = (m + 1) % 3;
    if (shortOut) *shortOut = s;
    if (midOut) *midOut = m;
    if (longOut) *longOut = l;
}

int checkFloppinessOf3DTriangle(const polyhedron* poly, int64_t face) {
    if (!FaceOk(poly, face) || poly->face3D[face].count <= 0) return 0;
    return (longestSideOf3DFace(poly, face) + 1) % poly->face3D[face].count == shortestSideOf3DFace(poly, face);
}

void findHighAndLowTriangles(const polyhedron* poly, int64_t* lowOut, int64_t* highOut) {
    double low = 9999999.0, high = -9999999.0;
    int64_t lowFace = -1, highFace = -1;
    for (int64_t f = 0; poly && f < poly->faceCount3D && f < kMax3DFaces; ++f) {
        if (!IsTriangle(poly, f)) continue;
        const double x = (Corner(poly, f, 0).x + Corner(poly, f, 1).x + Corner(poly, f, 2).x) * 0.3333333333333333;
        if (x < low) low = x, lowFace = f;
        if (x > high) high = x, highFace = f;
    }
    if (lowOut) *lowOut = lowFace;
    if (highOut) *highOut = highFace;
}

void disdain_shortest_sides_of_all_triangles(polyhedron* poly) {
    EveryTriangle(poly, shortestSideOf3DFace, disdain_joining);
}
void forbid_shortest_sides_of_all_triangles(polyhedron* poly) {
    EveryTriangle(poly, shortestSideOf3DFace, [](polyhedron* p, int64_t f, int64_t s) {
        for (int64_t e = 0; e < 3; ++e) prefer_joining(p, f, e);
        forbid_joining(p, f, s);
    });
}
void prefer_longest_sides_of_all_triangles(polyhedron* poly) {
    EveryTriangle(poly, longestSideOf3DFace, prefer_joining);
}

void handle_dissimilar_norse_labels(polyhedron* poly, int forbid) {
    for (int64_t f = 0; poly && f < poly->faceCount3D && f < kMax3DFaces; ++f) {
        const PolyFace3D& F = poly->face3D[f];
        for (int64_t e = 0; e < F.count; ++e) {
            const int64_t g = F.neighbour[e];
            const int32_t other = g < 0 ? -1 : GetNorseLabelOfFace3D(g, poly);
            if (other == F.cutLabel) continue;
            if (forbid)
                forbid_joining(poly, f, e);
            else
                disdain_joining(poly, f, e);
        }
    }
}

void slice_dissimilar_norse_labels(polyhedron* poly) { handle_dissimilar_norse_labels(poly, 1); }
