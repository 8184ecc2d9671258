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
