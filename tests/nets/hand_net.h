// Hand-built nets for the triangulation, tab and crevice tests: net faces
// laid from given corner positions, with net vertices shared by position.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
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

inline double Cross2(std::pair<double, double> a, std::pair<double, double> b, std::pair<double, double> c) {
    return (b.first - a.first) * (c.second - a.second) - (b.second - a.second) * (c.first - a.first);
}

// Whether the interiors of two convex polygons overlap by more than eps.
inline bool InteriorsOverlap(const Polygon2& a, const Polygon2& b, double eps) {
    for (const Polygon2* p : {&a, &b})
        for (size_t k = 0; k < p->size(); ++k) {
            const auto u = (*p)[k], v = (*p)[(k + 1) % p->size()];
            const double nx = v.second - u.second, ny = u.first - v.first;
            const double len = std::hypot(nx, ny);
            if (len == 0) continue;
            double minA = 1e300, maxA = -1e300, minB = 1e300, maxB = -1e300;
            for (const auto& q : a) minA = std::min(minA, (q.first * nx + q.second * ny) / len), maxA = std::max(maxA, (q.first * nx + q.second * ny) / len);
            for (const auto& q : b) minB = std::min(minB, (q.first * nx + q.second * ny) / len), maxB = std::max(maxB, (q.first * nx + q.second * ny) / len);
            if (maxA <= minB + eps || maxB <= minA + eps) return false;
        }
    return true;
}

// Winding number of a point, on-border points counting as inside.
inline bool InsideOrOn(const Polygon2& poly, std::pair<double, double> p, double eps) {
    int winding = 0;
    for (size_t k = 0; k < poly.size(); ++k) {
        const auto u = poly[k], v = poly[(k + 1) % poly.size()];
        const double len = std::hypot(v.first - u.first, v.second - u.second);
        const double c = Cross2(u, v, p);
        if (std::fabs(c) <= eps * len && std::min(u.first, v.first) - eps <= p.first &&
            p.first <= std::max(u.first, v.first) + eps && std::min(u.second, v.second) - eps <= p.second &&
            p.second <= std::max(u.second, v.second) + eps)
            return true;
        if (u.second <= p.second) {
            if (v.second > p.second && c > 0) ++winding;
        } else if (v.second <= p.second && c < 0) {
            --winding;
        }
    }
    return winding != 0;
}

// The face's triangles cover it exactly: each inside, pairwise disjoint,
// areas adding up to the shoelace area; returns the triangle count.
inline int64_t CheckCover(const polyhedron* poly, int64_t f, const Polygon2& face) {
    const PolyNetFace& nf = poly->netFace[f];
    double sum = 0;
    std::vector<Polygon2> tris;
    for (int64_t t = nf.firstTriangle; t < nf.firstTriangle + nf.triangleCount; ++t) {
        EXPECT_EQ(poly->netTriangle[t].netFace, f);
        const Polygon2 tri = TrianglePoints(poly, t);
        const double a = ShoelaceArea(tri);
        EXPECT_GT(a * ShoelaceArea(face), 0) << "triangle " << t << " degenerate or turned";
        sum += std::fabs(a);
        const std::pair<double, double> centre{(tri[0].first + tri[1].first + tri[2].first) / 3,
                                               (tri[0].second + tri[1].second + tri[2].second) / 3};
        EXPECT_TRUE(InsideOrOn(face, centre, 1e-12)) << "triangle " << t << " outside its face";
        for (int k = 0; k < 3; ++k) {
            const std::pair<double, double> mid{(tri[k].first + tri[(k + 1) % 3].first) / 2,
                                                (tri[k].second + tri[(k + 1) % 3].second) / 2};
            EXPECT_TRUE(InsideOrOn(face, mid, 1e-9)) << "triangle " << t << " edge leaves its face";
        }
        for (const Polygon2& other : tris) EXPECT_FALSE(InteriorsOverlap(tri, other, 1e-12)) << "triangle " << t;
        tris.push_back(tri);
    }
    EXPECT_NEAR(sum, std::fabs(ShoelaceArea(face)), 1e-9 * (1 + std::fabs(ShoelaceArea(face))));
    return nf.triangleCount;
}

