// Hand-built nets for the triangulation, tab and crevice tests: net faces
// laid from given corner positions, with net vertices shared by position.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "../polyhedra/poly_fixture.h"
#include "polyhedra/poly_store.h"

using Polygon2 = std::vector<std::pair<double, double>>;

inline PolyPtr MakeEmptyNet() {
    PolyPtr p = MakePoly();
    if (p && !getPolyStorageEtc(p.get())) p.reset();
    if (p) WipeFaceInfo(p.get());
    return p;
}

// Adds a net face with the given corners (net vertices shared with earlier
// corners at the same position); returns its index.
inline int64_t AddHandFace(polyhedron* poly, const Polygon2& corners, int64_t face3D = -1) {
    const int64_t f = poly->netFaceCount++;
    PolyNetFace& nf = poly->netFace[f];
    nf = poly->blankNetFace;
    nf.count = int64_t(corners.size());
    nf.face3D = face3D;
    nf.fragment = 1;
    for (size_t k = 0; k < corners.size(); ++k) {
        int64_t v = -1;
        for (int64_t u = 0; u < poly->netVertexCount; ++u)
            if (poly->coords2D[u][0] == corners[k].first && poly->coords2D[u][1] == corners[k].second) v = u;
        if (v < 0) {
            v = poly->netVertexCount;
            const PolyNetPoint pt{corners[k].first, corners[k].second, -1, 0};
            Set2DPoint(v, &pt, poly);
            poly->netVertexCount = v + 1;
        }
        nf.vertex[k] = v;
    }
    return f;
}

// Links the net faces by shared vertex pairs, as the net connectivity does.
inline void LinkHandFaces(polyhedron* poly) {
    for (int64_t f = 0; f < poly->netFaceCount; ++f)
        for (int64_t e = 0; e < poly->netFace[f].count; ++e) {
            PolyNetFace& a = poly->netFace[f];
            const int64_t u = a.vertex[e], v = a.vertex[(e + 1) % a.count];
            for (int64_t g = 0; g < poly->netFaceCount; ++g)
                for (int64_t k = 0; g != f && k < poly->netFace[g].count; ++k) {
                    const PolyNetFace& b = poly->netFace[g];
                    if (b.vertex[k] == v && b.vertex[(k + 1) % b.count] == u) {
                        a.neighbour[e] = g;
                        a.neighbourEdge[e] = (k + 1) % b.count;
                    }
                }
        }
}

inline double ShoelaceArea(const Polygon2& p) {
    double a = 0;
    for (size_t k = 0; k < p.size(); ++k) {
        const auto& u = p[k];
        const auto& v = p[(k + 1) % p.size()];
        a += u.first * v.second - v.first * u.second;
    }
    return a / 2;
}

inline Polygon2 TrianglePoints(const polyhedron* poly, int64_t t) {
    Polygon2 out;
    for (int k = 0; k < 3; ++k) {
        const int64_t v = poly->netTriangle[t].vertex[k];
        out.push_back({poly->coords2D[v][0], poly->coords2D[v][1]});
    }
    return out;
}
