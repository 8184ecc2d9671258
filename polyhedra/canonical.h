// Canonical form of a convex solid: its vertices moved in place, faces kept,
// until every face is planar, every edge touches the unit sphere and the
// edges' tangent points are centred on the origin. Two iterations: a
// relaxation (push each edge's tangent point onto the sphere, each face's
// vertices onto its mean plane) and a primal-dual reciprocation (the polar
// of the solid's face planes, and back). Each has a form that moves one
// fundamental domain of a mirror symmetry and copies it to the rest.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "polyhedra/polyhedron.h"
#include "polyhedra/symmetry.h"

using CanonEdgeList = std::vector<std::pair<int64_t, int64_t>>;

// Every edge once, its two vertices as the face of lower index lists them.
CanonEdgeList createEdgeList(const polyhedron* poly);

// 1 relaxation, 2 primal-dual, 3 symmetric primal-dual.
int canonicalization_technique_for_shapecode(int64_t shapeCode);
bool shapecode_is_unsuitable_for_primal_dual(int64_t shapeCode);

// Both return the last step size, -2 for a missing solid and -1 for one on
// a built-in table's storage. A run whose positions stop being finite is
// undone and logged, and returns -3.
double CanonicalizeConvexPoly_relaxation(polyhedron* poly, double tolerance, int64_t iterations, double tangentFactor,
                                         double planarFactor);
// A symmetry that does not fit the solid is logged and the plain form runs.
double CanonicalizeConvexPoly_relaxation_sym(polyhedron* poly, double tolerance, int64_t iterations,
                                             double tangentFactor, double planarFactor, int64_t kind,
                                             bool rotationsOnly, const VoronoiHandlingOptions& options);

// Both return the last root-mean-square vertex movement. When the scratch
// dual cannot be had the vertices stay, the solid's status says out of
// memory and the plain form returns -1, the symmetric one 99999. A run that
// meets a face plane through the origin, moves its vertices by 50 or more
// or ends not finite puts back the positions it started from, logs it and
// returns 99999 (the plain form) or the movement (50 or more).
double CanonicalizeConvexPoly_primal_dual(polyhedron* poly, double tolerance, int64_t iterations);
double CanonicalizeConvexPoly_primal_dual_sym(polyhedron* poly, double tolerance, int64_t iterations, int64_t kind,
                                              bool rotationsOnly, const VoronoiHandlingOptions& options);

// The largest of every edge line's distance from 1 and every corner's
// distance from its face's mean plane (Newell normal).
double CanonicalDeviation(const polyhedron* poly);
// The tangent point of the line through a and b nearest the origin.
triplex EdgeTangentPoint(triplex a, triplex b);
// The root mean square of the edges' tangent points' distances from the
// origin (not a number for no edges).
double edge_nearpoints_radius(const polyhedron* poly, const CanonEdgeList& edges);
void unitize_nearpoints_radius(polyhedron* poly, const CanonEdgeList& edges);
// Subtract the mean edge tangent point, or the mean vertex.
void recenter_fancy(polyhedron* poly, const CanonEdgeList& edges);
void recenter_all_verts_in_poly(polyhedron* poly);
void ScaleVertsInPoly(polyhedron* poly, double s);
void DisplaceVertsInPoly(polyhedron* poly, triplex d);
double findPrimalDualError_all_verts(const polyhedron* poly, const triplex* saved);
double findPrimalDualError_setD(const triplex* positions, const triplex* saved, const SymmetryThing* sym);
