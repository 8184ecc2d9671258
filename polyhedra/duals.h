// Duals: each vertex of a primal solid becomes a face whose corners stand
// for the primal faces around it. The primal-dual form, which the
// canonicaliser alternates with its primal, puts dual vertex i at the
// centroid of primal face i and lists in dual face v the primal faces round
// primal vertex v, so that face v always stands for vertex v.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

struct HALFSPACE;
struct VoronoiHandlingOptions;

// Clears every face's visited marks.
void PreparePolyForDualizing(polyhedron* poly);
// Renumbers the vertices that some face uses as 0, 1, ... in their order,
// dropping the rest; returns how many were dropped.
int64_t DropUnusedVertices(polyhedron* poly);

// The site dual's corners for the vertex at the end of edge `corner` of
// `face`: the site points of the faces round it, in the order of the walk
// through the face links (at most 300 steps, stopping at a missing link),
// each appended to the point list unless one already listed lies within the
// tolerance. Marks each edge the walk leaves, so the vertex is walked round
// once. Returns the faces met, or -1 when a list node cannot be had.
int64_t CollectSitesRoundVertex(polyhedron* primal, int64_t face, int64_t corner, HALFSPACE* list, double tolerance);

// The site dual's face of the vertex at the end of edge `corner` of `face`:
// the corners the walk collects (within the options' merge tolerance), its
// site point that vertex and its site id `tag`, written by the point-list
// face writer (one face, or a fan of triangles when the options keep faces
// to triangles). False when a list node cannot be had.
bool BuildOneDualFaceFrom(polyhedron* primal, int64_t face, int64_t corner, polyhedron* target,
                          const VoronoiHandlingOptions* options, int64_t tag);
// One site-dual face for every vertex of a primal whose faces carry their
// site points and whose visited marks are clear; false when memory ran out.
bool BuildSiteDualFaces(polyhedron* primal, polyhedron* target, const VoronoiHandlingOptions* options);

// The dual face of the vertex at corner `corner` of `face`, written into
// face slot `slot` of the target: the primal faces round that vertex, at
// most 10, counter-clockwise seen from outside when the primal's faces are.
void BuildOneDualFace_for_primal_dual(const polyhedron* primal, int64_t face, int64_t corner, polyhedron* target,
                                      int64_t slot);
// The primal-dual of a linked primal, measured and linked. The primal first
// loses the vertices no face uses. A primal of more faces than the vertex
// store holds is refused with status 5 (the target left empty); a vertex of
// fewer than three faces (an open primal) with status 14.
void BuildDualForPrimalDual_core(polyhedron* target, polyhedron* primal);
void BuildDualFromPolyhedron_for_primal_dual(polyhedron* target, polyhedron* primal);
