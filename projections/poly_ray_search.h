// The ray search: which triangle of a polyhedron's net a ray from the
// centre of the solid passes through, and where. It serves the polyhedral
// input modes, which find each twirled direction on the solid and read the
// input picture at the matching net point.
//
// Each search starts with the three triangles the task hit last (the hint's
// 3D recent triangles), then tries every triangle of the net. Glue tabs never
// hit. A ray along an edge or through a vertex may pass the edge tests of no
// triangle by a rounding; the search then takes the triangle whose worst edge
// test is best, when that test misses by no more than kEdgeRaySlack. A ray
// that misses by more (a gap in an open solid) misses.
#pragma once

#include <cstdint>

#include "common/vectors.h"

struct polyhedron;
struct renderhinttype;

// How far (as the sine of the angle between the ray and an edge's plane
// through the centre) a ray may lie outside every triangle and still be taken
// by the nearest one.
inline constexpr double kEdgeRaySlack = 1e-6;

// Whether the ray from the centre along `ray` passes through triangle a b c,
// in either winding, borders included. A triangle seen edge-on from the
// centre (corners in line, or its plane through the centre, to 1e-7 of the
// product of the corners' lengths) is never passed. With `worst` given, a miss also writes the
// smallest of the three edge tests, normalised to the sine of the ray's
// angle to that edge's plane (negative: outside); -infinity when the
// triangle cannot be passed at all.
int DoesIntersect(triplex a, triplex b, triplex c, const double ray[3], double* worst);
// The same on net triangle t's 3D corner points.
int RayFromOriginIntersectsTriangle_using_buffer(const polyhedron* poly, int64_t t, const double ray[3],
                                                 double* worst);

// One triangle: on a hit clears the outside flag, records the triangle in
// the hint (found, triangle, its net face, 3D recent list) and returns 1. A negative
// index, a tab or a miss returns 0.
int AttemptTriangle3D(int64_t t, const polyhedron* poly, renderhinttype* hint, unsigned char* outside,
                      const double ray[3]);

// The search. Returns the triangle hit, or -1 with outside = 1. `b` (may be
// null) receives the barycentric weights of the hit point on the triangle's
// corners; the hint's last point receives the hit point itself. Counts into
// the hint's ray-search statistics.
int64_t IntersectRayWithPoly_core(const double ray[3], const polyhedron* poly, unsigned char* outside,
                                  renderhinttype* hint, double b[3]);
