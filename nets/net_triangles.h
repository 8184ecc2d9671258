// Net faces cut into the triangles the renderer searches: ear clipping of
// each face, and the triangle records with what the renderer and the tabs
// read per triangle (outline edges, tab flags, corners, glue-under faces).
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

// Appends the triangles of net face `face`, consecutive, and records them as
// the face's first triangle and count. Only ears holding no other corner are
// cut, judged by the face's own orientation, so concave and clockwise faces
// are covered exactly; a face whose corners all lie on one line gets none.
void EarClip(int64_t face, polyhedron* poly);
// Fills triangle `slot` from corners a, b, c of net face `face` and counts
// it; status 7 and nothing written when the table is full.
void MakeNetTriangle(int64_t slot, polyhedron* poly, int64_t face, int64_t a, int64_t b, int64_t c, uint16_t tag);
// The per-edge corner and glue-under fields of one triangle edge, the edge
// starting at corner `faceCorner` of the triangle's net face.
void AddGlueUnderInfo(int64_t edge, int64_t faceCorner, polyhedron* poly, int64_t face, int64_t triangle);
// The per-triangle data the transform reads beyond the 3D corners: tab
// owners, the fancy flag and the net's bounding box in net.boundsBox (left,
// right, top, bottom). Runs after the net triangles and their corners exist.
void Fill_in_rind_precalculables(polyhedron* poly);
