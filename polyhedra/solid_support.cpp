#include "polyhedra/solid_support.h"

#include <cmath>

#include "polyhedra/builtin_shapes.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_queries.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/poly_store.h"

void FailBuild(polyhedron* target, int64_t status) {
    ResetFacesAndVertsToEmpty(target);
    target->status = status;
}

polyhedron* NewScratchSolidFor(polyhedron* target) {
    polyhedron* scratch = NewPolyhedron(target->net.firstArgument, target->net.secondArgument);
    if (!scratch) {
        FailBuild(target, kPolyStatusOutOfMemory);
        return nullptr;
    }
    scratch->data = target->data;
    return scratch;
}

polyhedron* NewBaseSolidFor(polyhedron* target, int64_t code) {
    polyhedron* scratch = NewScratchSolidFor(target);
    if (scratch && !BuildBaseSolid(scratch, code)) {
        FailBuild(target, FindBuiltInShape(code) ? kPolyStatusOutOfMemory : kPolyStatusUnbuilt);
        FreeScratchSolid(&scratch);
    } else if (scratch && scratch->status != kPolyStatusGood) {
        FailBuild(target, scratch->status);
        FreeScratchSolid(&scratch);
    }
    return scratch;
}

void FreeScratchSolid(polyhedron** scratch) { FreePolyhedron(scratch); }

int BuildBaseSolid(polyhedron* poly, int64_t code) {
    const BuiltInShape* s = FindBuiltInShape(code);
    if (!s || !s->faces3D || !getPolyStorageEtc(poly)) return 0;
    poly->shapeCode = code;
    int64_t list[kMaxFaceVertices];
    for (int64_t f = 0, at = 0; f < s->faceCount; ++f, ++at) {
        int n = 0;
        for (; s->faces3D[at] != 0; ++at) {
            const double* c = s->coords3D + 3 * (s->faces3D[at] - 1);
            if (n < kMaxFaceVertices) list[n++] = AddNew3DDVertToPolyhedron(poly, triplex{c[0], c[1], c[2]});
        }
        AddBuiltFace(poly, list, n);
    }
    Calc3DAngles(poly);
    Build3DConnectivity(poly);
    return 1;
}

triplex SpherePointOfFractions(double u, double v, double r) {
    const float lambda = float(2.0 * 3.14159265358979323846 * (u - 0.5));
    const double sinPhi = std::sin(-3.14159265358979323846 * (v - 0.5));
    const double cosPhi = std::sqrt(std::fmax(0.0, 1.0 - sinPhi * sinPhi));
    return triplex{r * cosPhi * double(std::sin(lambda)), r * sinPhi, r * cosPhi * double(std::cos(lambda))};
}

void AddBuiltFace(polyhedron* poly, const int64_t* corners, int count, int cut, int cut2, int64_t tag,
                  int64_t reference) {
    int64_t list[kMaxFaceVertices + 1];
    if (count < kMinFaceVertices || count > kMaxFaceVertices) {
        poly->status = kPolyStatusBadVertexCount;
        return;
    }
    for (int k = 0; k < count; ++k) {
        if (corners[k] < 0) return;  // the vertex store is full: its status says so
        list[k] = corners[k];
    }
    list[count] = reference;
    Add3DFaceToPolyhedron_macro(poly, list, count, cut, 1, 0, reference >= 0 ? 1 : 0, tag, cut2, -1);
}

void AddFaceAtPoints(polyhedron* poly, const triplex* points, int count, int cut, int cut2, int64_t tag) {
    int64_t list[kMaxFaceVertices];
    for (int k = 0; k < count && k < kMaxFaceVertices; ++k) list[k] = AddNew3DDVertToPolyhedron(poly, points[k]);
    AddBuiltFace(poly, list, count, cut, cut2, tag);
}
