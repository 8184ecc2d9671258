#include "projections/poly_ray_search.h"

#include <cmath>
#include <limits>

#include "polyhedra/polyhedron.h"
#include "records/renderhinttype.h"

namespace {

inline double Dot(const double r[3], triplex v) { return r[0] * v.x + r[1] * v.y + r[2] * v.z; }

inline triplex Cross(triplex a, triplex b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline double Dot3(triplex a, triplex b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline double Length(triplex v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// The three edge tests s * ray . (a x b), s * ray . (b x c), s * ray . (c x a)
// with s the sign of the triangle's volume: all >= 0 on the triangle. A
// swapped edge gives exactly the negated cross product, so the two triangles
// of a shared edge never both reject a ray along it.
struct EdgeTests {
    triplex n[3];
    double t[3];
    double sign;
};

// A triangle seen edge-on from the centre (its corners in line, or its plane
// through the centre) covers a cone thinner than the edge slack: its
// neighbours take those rays, and its weights would be noise.
constexpr double kFlatVolume = 1e-7;  // of |a| |b| |c|

bool Tests(triplex a, triplex b, triplex c, const double ray[3], EdgeTests* e) {
    e->n[0] = Cross(a, b);
    e->n[1] = Cross(b, c);
    e->n[2] = Cross(c, a);
    const double volume = a.x * e->n[1].x + a.y * e->n[1].y + a.z * e->n[1].z;
    const double scale = Dot3(a, a) * Dot3(b, b) * Dot3(c, c) * (kFlatVolume * kFlatVolume);
    if (!(volume * volume > scale)) return false;
    e->sign = volume > 0.0 ? 1.0 : -1.0;
    for (int k = 0; k < 3; ++k) e->t[k] = e->sign * Dot(ray, e->n[k]);
    return true;
}

const PolyNetTriangle* Usable(const polyhedron* poly, int64_t t) {
    if (t < 0 || t >= poly->netTriangleCount || t >= kMaxNetTriangles) return nullptr;
    const PolyNetTriangle& tri = poly->netTriangle[t];
    return tri.isTab ? nullptr : &tri;
}

void RecordHit(int64_t t, const polyhedron* poly, renderhinttype* hint, unsigned char* outside) {
    *outside = 0;
    hint->faceFound = 1;
    hint->onTab = 0;
    hint->triangle = t;
    hint->hitFace = poly->netTriangle[t].netFace;
    AddTriangleFindingHint(&hint->recent3D, t);
}

// Weights of the ray's point on the triangle's plane: the edge tests over
// their sum (the same numbers a Moller-Trumbore test gives), clamped onto the
// triangle for a ray taken by the slack.
void Barycentrics(const PolyNetTriangle& tri, const double ray[3], double b[3]) {
    EdgeTests e;
    if (!Tests(tri.cornerPoint[0], tri.cornerPoint[1], tri.cornerPoint[2], ray, &e)) {
        b[0] = 1.0;
        b[1] = b[2] = 0.0;
        return;
    }
    // Weight of corner a is the test of the opposite edge b c, and so on.
    double w[3] = {std::fmax(e.t[1], 0.0), std::fmax(e.t[2], 0.0), std::fmax(e.t[0], 0.0)};
    const double sum = w[0] + w[1] + w[2];
    if (!(sum > 0.0)) {
        b[0] = 1.0;
        b[1] = b[2] = 0.0;
        return;
    }
    for (int k = 0; k < 3; ++k) b[k] = w[k] / sum;
}

}  // namespace

int DoesIntersect(triplex a, triplex b, triplex c, const double ray[3], double* worst) {
    EdgeTests e;
    if (!Tests(a, b, c, ray, &e)) {
        if (worst) *worst = -std::numeric_limits<double>::infinity();
        return 0;
    }
    if (e.t[0] >= 0.0 && e.t[1] >= 0.0 && e.t[2] >= 0.0) return 1;
    if (worst) {
        const double r = std::sqrt(ray[0] * ray[0] + ray[1] * ray[1] + ray[2] * ray[2]);
        double least = std::numeric_limits<double>::infinity();
        for (int k = 0; k < 3; ++k) {
            const double n = Length(e.n[k]) * r;
            const double s = n > 0.0 ? e.t[k] / n : -std::numeric_limits<double>::infinity();
            if (s < least) least = s;
        }
        *worst = std::isnan(least) ? -std::numeric_limits<double>::infinity() : least;
    }
    return 0;
}

int RayFromOriginIntersectsTriangle_using_buffer(const polyhedron* poly, int64_t t, const double ray[3],
                                                 double* worst) {
    const PolyNetTriangle& tri = poly->netTriangle[t];
    return DoesIntersect(tri.cornerPoint[0], tri.cornerPoint[1], tri.cornerPoint[2], ray, worst);
}

int AttemptTriangle3D(int64_t t, const polyhedron* poly, renderhinttype* hint, unsigned char* outside,
                      const double ray[3]) {
    if (!Usable(poly, t)) return 0;
    if (!RayFromOriginIntersectsTriangle_using_buffer(poly, t, ray, nullptr)) return 0;
    RecordHit(t, poly, hint, outside);
    return 1;
}

int64_t IntersectRayWithPoly_core(const double ray[3], const polyhedron* poly, unsigned char* outside,
                                  renderhinttype* hint, double b[3]) {
    hint->faceFound = 0;
    hint->onTab = 0;
    hint->triangle = -1;
    hint->hitFace = -1;
    *outside = 1;
    hint->lastPoint[0] = 1.0;
    hint->lastPoint[1] = hint->lastPoint[2] = 0.0;
    hint->hitTabFragment = -1;
    hint->tabOwner = -1;
    hint->tabGlue = -1;
    RaySearchCounts& counts = hint->raySearch;
    if (!poly || poly->netTriangleCount <= 0 || !std::isfinite(ray[0] + ray[1] + ray[2])) {
        ++counts.misses;
        hint->recent3D.missed = 1;
        return -1;
    }

    int64_t tries = 0;
    int64_t found = -1;
    const int64_t recent[3] = {hint->recent3D.triangles[0], hint->recent3D.triangles[1],
                               hint->recent3D.triangles[2]};
    for (int64_t r : recent) {
        if (r < 0) continue;
        ++tries;
        if (AttemptTriangle3D(r, poly, hint, outside, ray)) {
            found = r;
            break;
        }
    }
    int64_t nearest = -1;
    double nearestWorst = -std::numeric_limits<double>::infinity();
    if (found < 0) {
        for (int64_t t = 0; t < poly->netTriangleCount && t < kMaxNetTriangles; ++t) {
            if (t == recent[0] || t == recent[1] || t == recent[2] || !Usable(poly, t)) continue;
            ++tries;
            double worst;
            if (RayFromOriginIntersectsTriangle_using_buffer(poly, t, ray, &worst)) {
                RecordHit(t, poly, hint, outside);
                found = t;
                break;
            }
            if (worst > nearestWorst) {
                nearestWorst = worst;
                nearest = t;
            }
        }
        if (found < 0) {
            ++counts.walksRunOff;
            // The recent triangles were not measured: measure them now.
            for (int64_t r : recent) {
                double worst;
                if (!Usable(poly, r)) continue;
                RayFromOriginIntersectsTriangle_using_buffer(poly, r, ray, &worst);
                if (worst > nearestWorst) {
                    nearestWorst = worst;
                    nearest = r;
                }
            }
            if (nearest >= 0 && nearestWorst >= -kEdgeRaySlack) {
                RecordHit(nearest, poly, hint, outside);
                found = nearest;
            }
        }
    }
    if (found < 0) {
        counts.triesOnMisses += tries;
        ++counts.misses;
        hint->recent3D.missed = 1;
        return -1;
    }
    counts.triesOnHits += tries;
    ++counts.hits;
    double w[3];
    const PolyNetTriangle& tri = poly->netTriangle[found];
    Barycentrics(tri, ray, w);
    const triplex* c = tri.cornerPoint;
    hint->lastPoint[0] = w[0] * c[0].x + w[1] * c[1].x + w[2] * c[2].x;
    hint->lastPoint[1] = w[0] * c[0].y + w[1] * c[1].y + w[2] * c[2].y;
    hint->lastPoint[2] = w[0] * c[0].z + w[1] * c[1].z + w[2] * c[2].z;
    if (b)
        for (int k = 0; k < 3; ++k) b[k] = w[k];
    return found;
}
