#include "common/rays.h"

#include <cmath>

namespace {

// Gradient direction of the quadric's function at q (scaled coordinates).
triplex QuadricNormal(int kind, triplex q) {
    switch (kind) {
        case kQuadricSphere: return q;
        case kQuadricCylinder: return {q.x, q.y, 0};
        case kQuadricCone:
        case kQuadricHyperboloid: return {q.x, q.y, -q.z};
        default: return {2 * q.x, 2 * q.y, 1};
    }
}
}  // namespace

void GetRaypoint(const double* ray, double* out, double t) {
    StoreTriplex(Tadd(TriplexFromArray(ray), Tscale(TriplexFromArray(ray + 3), t)), out);
}

int IntersectRayWithQuadricSurface(const double* ray, const double* centre, double* hit, double* far, int kind,
                                   double r) {
    if (r == 0) return 0;
    const triplex o = TriplexFromArray(ray), c = TriplexFromArray(centre);
    // Work in scaled coordinates with the direction scaled too, so that t is
    // a parameter of the original ray.
    const triplex q = Tscale(Tsub(o, c), 1.0 / r), d = Tscale(TriplexFromArray(ray + 3), 1.0 / r);
    double a, h, k;  // a·t² + 2h·t + k = 0
    switch (kind) {
        case kQuadricSphere:
            a = Tdot_product(d, d), h = Tdot_product(q, d), k = Tdot_product(q, q) - 1;
            break;
        case kQuadricCylinder:
            a = d.x * d.x + d.y * d.y, h = q.x * d.x + q.y * d.y, k = q.x * q.x + q.y * q.y - 1;
            break;
        case kQuadricCone:
            a = hdot(d, d), h = hdot(q, d), k = hdot(q, q);
            break;
        case kQuadricHyperboloid:
            a = hdot(d, d), h = hdot(q, d), k = hdot(q, q) + r;
            break;
        default:
            a = d.x * d.x + d.y * d.y, h = q.x * d.x + q.y * d.y + d.z / 2, k = q.x * q.x + q.y * q.y + q.z;
            break;
    }
    double t1, t2;
    if (a == 0) {
        // The ray runs along the surface's asymptotic direction: one root.
        if (h == 0) return 0;
        t1 = t2 = -k / (2 * h);
    } else {
        const double disc = h * h - a * k;
        if (disc < 0) return 0;
        const double s = std::sqrt(disc);
        t1 = (-h - s) / a;
        t2 = (-h + s) / a;
        if (t1 > t2) std::swap(t1, t2);
    }
    if (t2 < 0) return 0;  // the surface lies behind the origin
    const double tNear = t1 >= 0 ? t1 : t2;
    const triplex dir = TriplexFromArray(ray + 3);
    const triplex p = Tadd(o, Tscale(dir, tNear)), pf = Tadd(o, Tscale(dir, t2));
    StoreTriplex(p, hit);
    StoreTriplex(TUnitOrZ(QuadricNormal(kind, Tscale(Tsub(p, c), 1.0 / r))), hit + 3);
    if (far) {
        StoreTriplex(pf, far);
        StoreTriplex(TUnitOrZ(QuadricNormal(kind, Tscale(Tsub(pf, c), 1.0 / r))), far + 3);
    }
    return 1;
}

int IntersectRayWithPlane(const double* ray, const PLANED* P, double* hit, int forwardOnly) {
    StoreTriplex({0, 0, 0}, hit);
    StoreTriplex({1, 0, 0}, hit + 3);
    const triplex o = TriplexFromArray(ray), d = TriplexFromArray(ray + 3);
    const double denom = Tdot_product(P->n, d);
    if (denom == 0) return 0;
    const double t = -(P->k + Tdot_product(P->n, o)) / denom;
    if (forwardOnly && t < 0) return 0;
    StoreTriplex(Tadd(o, Tscale(d, t)), hit);
    StoreTriplex(denom > 0 ? Tnegative(P->n) : P->n, hit + 3);
    return 1;
}

float signed_point_to_plane_distance(const PLANED* P, triplex p) {
    const float len = std::sqrt(static_cast<float>(P->a * P->a + P->b * P->b + P->c * P->c));
    if (len == 0) return 0;
    return static_cast<float>((P->a * p.x + P->b * p.y + P->c * p.z + P->d) / len);
}

// Uses the unit normal with its matching offset k, so planes built from
// unnormalised coefficients are measured correctly too.
triplex ClosestPointOnPlane(const PLANED* P, triplex p) {
    if (P->a == 0 && P->b == 0 && P->c == 0) return {0, 0, 0};
    const double t = -(Tdot_product(P->n, p) + P->k);
    return Tadd(p, Tscale(P->n, t));
}

triplex PointReflectedAroundPlane(const PLANED* P, triplex p) {
    if (P->a == 0 && P->b == 0 && P->c == 0) return Tnegative(p);
    return Tsub(Tscale(ClosestPointOnPlane(P, p), 2), p);
}

static double SphereH(triplex centre, double radius, triplex origin, triplex dir, double* b) {
    const triplex oc = Tsub(origin, centre);
    *b = Tdot_product(dir, oc);
    return *b * *b - (Tdot_product(oc, oc) - radius * radius);
}
double iSphere(triplex centre, double radius, triplex origin, triplex dir) {
    double b;
    const double h = SphereH(centre, radius, origin, dir, &b);
    return h > 0 ? -b - std::sqrt(h) : kSphereMiss;
}
double iSphereFar(triplex centre, double radius, triplex origin, triplex dir) {
    double b;
    const double h = SphereH(centre, radius, origin, dir, &b);
    return h > 0 ? std::sqrt(h) - b : kSphereMiss;
}

int intersect_ellipsoid(triplex* hit, triplex* normal, double* chord, triplex o, triplex d, triplex radii) {
    const triplex os {o.x / radii.x, o.y / radii.y, o.z / radii.z}, ds {d.x / radii.x, d.y / radii.y, d.z / radii.z};
    const double b = Tdot_product(os, ds), c = Tdot_product(os, os), a = Tdot_product(ds, ds);
    const double disc = b * b - a * (c - 1);
    if (!(disc >= 0 && b < 0 && c > 1)) return 0;
    const double t = (-b - std::sqrt(disc)) / a;
    const triplex p = Tadd(o, Tscale(d, t));
    *hit = p;
    const triplex g {p.x / (radii.x * radii.x), p.y / (radii.y * radii.y), p.z / (radii.z * radii.z)};
    const double m = Tmagnitude(g);
    *normal = m == 0 ? triplex {0, 0, 0} : Tscale(g, 1 / m);
    if (chord) *chord = 2 * std::sqrt(disc) / a;
    return 1;
}
