#include "polyhedra/geodesic.h"

#include <algorithm>

#include "common/geometry.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_queries.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/solid_support.h"

namespace {

triplex Corner(const polyhedron* p, int64_t face, int64_t k) { return grab_coordinatesOf3DFace(p, face, k); }

triplex FaceMean(const polyhedron* p, int64_t face) {
    const int64_t n = p->face3D[face].count;
    triplex sum{0, 0, 0};
    for (int64_t k = 0; k < n; ++k) sum = Tadd(sum, Corner(p, face, k));
    return Tscale(sum, 1.0 / double(n));
}

int64_t Finish(polyhedron* target) {
    Calc3DAngles(target);
    return Build3DConnectivity(target);
}

// The base in one scratch solid, each face handed to `perFace`.
template <class PerFace>
int64_t BuildOnFacesOfBase(polyhedron* target, int64_t base, PerFace perFace) {
    if (!getPolyStorageEtc(target)) return 0;
    polyhedron* scratch = NewBaseSolidFor(target, base);
    if (!scratch) return 0;
    for (int64_t f = 0; f < scratch->faceCount3D; ++f) perFace(scratch, f);
    FreeScratchSolid(&scratch);
    return Finish(target);
}

// Codes 89-110 by their mode names "geodesic F | N": base shape and frequency.
struct GeodesicCode {
    int64_t first, base, lowest, highest;
};
const GeodesicCode kGeodesicCodes[] = {
    {89, 16, 2, 5},   // tetrahedron
    {93, 18, 1, 5},   // cube
    {98, 19, 2, 5},   // octahedron
    {102, 9, 1, 5},   // dodecahedron
    {107, 17, 2, 5},  // icosahedron
};

}  // namespace

void BuildSubTriangleT(triplex a, triplex b, triplex c, polyhedron* poly) {
    const triplex p[3] = {a, b, c};
    AddFaceAtPoints(poly, p, 3);
}

void BuildSubQuadT(triplex a, triplex b, triplex c, triplex d, polyhedron* poly) {
    const triplex p[4] = {a, b, c, d};
    AddFaceAtPoints(poly, p, 4);
}

void geodesate_one_face(const polyhedron* source, polyhedron* target, int64_t N, int64_t face) {
    if (N < 1 || face < 0 || face >= source->faceCount3D || source->face3D[face].count < 3) return;
    const triplex A = Corner(source, face, 0), B = Corner(source, face, 1), C = Corner(source, face, 2);
    // Row r, position c: (1 - u_r) B + w_c A + (u_r - w_c) C on the sphere.
    auto P = [&](int64_t r, int64_t c) {
        const float u = float(double(r) / double(N));
        const double w = double(c) / double(N);
        const double b = double(1.0f - u);
        return TUnitOrZ(Tadd(Tadd(Tscale(B, b), Tscale(A, w)), Tscale(C, double(u) - w)));
    };
    for (int64_t r = 0; r < N; ++r)
        for (int64_t c = 0; c <= r; ++c) {
            BuildSubTriangleT(P(r, c), P(r + 1, c), P(r + 1, c + 1), target);
            if (c < r) BuildSubTriangleT(P(r + 1, c + 1), P(r, c + 1), P(r, c), target);
        }
}

void tesselate_one_face_about_centroid(const polyhedron* source, polyhedron* target, int64_t, int64_t face) {
    if (face < 0 || face >= source->faceCount3D) return;
    const int64_t n = source->face3D[face].count;
    const triplex G = TUnitOrZ(FaceMean(source, face));
    for (int64_t i = 0; i < n; ++i)
        BuildSubTriangleT(TUnitOrZ(Corner(source, face, i)), TUnitOrZ(Corner(source, face, (i + 1) % n)), G, target);
}

void build_quads_on_face_about_centroid(const polyhedron* source, polyhedron* target, int64_t, int64_t face) {
    if (face < 0 || face >= source->faceCount3D) return;
    const int64_t n = source->face3D[face].count;
    const triplex G = Tnormalize(FaceMean(source, face));
    for (int64_t i = 0; i < n; ++i) {
        const triplex a = Tnormalize(Corner(source, face, i)), b = Tnormalize(Corner(source, face, (i + 1) % n)),
                      c = Tnormalize(Corner(source, face, (i + 2) % n));
        BuildSubQuadT(Tmidpoint(a, b), b, Tmidpoint(b, c), G, target);
    }
}

int64_t BuildGeodesicClass1(polyhedron* target, int64_t, int64_t frequency, int64_t base) {
    if (!getPolyStorageEtc(target)) return 0;
    polyhedron* t1 = NewBaseSolidFor(target, base);
    if (!t1) return 0;
    polyhedron* t2 = NewScratchSolidFor(target);
    if (t2 && getPolyStorageEtc(t2)) {
        // Every base face becomes triangles on the sphere first.
        for (int64_t f = 0; f < t1->faceCount3D; ++f) {
            if (t1->face3D[f].count == 3)
                geodesate_one_face(t1, t2, 1, f);
            else
                tesselate_one_face_about_centroid(t1, t2, 0, f);
        }
        for (int64_t f = 0; f < t2->faceCount3D; ++f) geodesate_one_face(t2, target, std::max<int64_t>(frequency, 1), f);
    } else if (t2) {
        FailBuild(target, kPolyStatusOutOfMemory);
    }
    FreeScratchSolid(&t2);
    FreeScratchSolid(&t1);
    return Finish(target);
}

int64_t BuildTentedTet(polyhedron* target) {
    return BuildOnFacesOfBase(target, 16, [&](const polyhedron* base, int64_t f) {
        tesselate_one_face_about_centroid(base, target, 0, f);
    });
}

int64_t BuildQuadsOnFacesOfShape(polyhedron* target, int64_t base) {
    return BuildOnFacesOfBase(target, base, [&](const polyhedron* b, int64_t f) {
        build_quads_on_face_about_centroid(b, target, 0, f);
    });
}

int GeodesicOfShapecode(int64_t code, int64_t* base, int64_t* frequency) {
    for (const GeodesicCode& g : kGeodesicCodes) {
        const int64_t last = g.first + g.highest - g.lowest;
        if (code < g.first || code > last) continue;
        *base = g.base;
        *frequency = g.lowest + code - g.first;
        return 1;
    }
    return 0;
}
