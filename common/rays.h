// Ray casting against planes, spheres, ellipsoids and z-axis quadrics. A ray
// is six doubles, origin then direction; a hit record six doubles, point
// then surface normal. Only hits ahead of the origin (t >= 0) count.
#pragma once

#include "common/geometry.h"

// Quadric kinds, in coordinates q = (p − centre) / r.
enum {
    kQuadricSphere = 0,      // x² + y² + z² = 1
    kQuadricCylinder = 1,    // x² + y² = 1 around the z axis
    kQuadricCone = 2,        // x² + y² = z²
    kQuadricHyperboloid = 4, // x² + y² − z² + r = 0
    // any other kind: the paraboloid x² + y² + z = 0
};

inline double hdot(triplex a, triplex b) { return a.x * b.x + a.y * b.y - a.z * b.z; }

// Nearest hit ahead of the ray's origin with the quadric of scale r about
// centre; far (optional) receives the farther hit ahead (the same one when
// the origin is inside). Normals point along the surface function's
// gradient, unit length. Returns 0 on a miss, else 1.
int IntersectRayWithQuadricSurface(const double* ray, const double* centre, double* hit, double* far, int kind,
                                   double r);
