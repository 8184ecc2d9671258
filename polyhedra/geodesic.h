// Spherical solids made from a base solid: the class I geodesic sphere, the
// tented tetrahedron (a tent of triangles on every face, rising to the face
// centre on the sphere) and the quad-faced solids (a quadrilateral at every
// corner of every face: corner, edge midpoints, face centre).
#pragma once

#include <cstdint>

#include "common/vectors.h"
#include "polyhedra/polyhedron.h"

void BuildSubTriangleT(triplex a, triplex b, triplex c, polyhedron* poly);
void BuildSubQuadT(triplex a, triplex b, triplex c, triplex d, polyhedron* poly);

// frequency^2 triangles on the unit sphere from the triangle of the face's
// first three corners; nothing for a frequency below 1.
void geodesate_one_face(const polyhedron* source, polyhedron* target, int64_t frequency, int64_t face);
// One triangle per edge, to the face centre pushed onto the unit sphere.
void tesselate_one_face_about_centroid(const polyhedron* source, polyhedron* target, int64_t, int64_t face);
// One quadrilateral per corner: [midpoint, corner, midpoint, centre].
void build_quads_on_face_about_centroid(const polyhedron* source, polyhedron* target, int64_t, int64_t face);

// Each returns what the face linking returns; a scratch solid the heap
// refuses leaves the target empty with status out of memory.
int64_t BuildGeodesicClass1(polyhedron* target, int64_t setUpFlag, int64_t frequency, int64_t baseShapecode);
int64_t BuildTentedTet(polyhedron* target);
int64_t BuildQuadsOnFacesOfShape(polyhedron* target, int64_t baseShapecode);

// The geodesic shape codes 89-110: base shape code and frequency, or 0 for
// another code.
int GeodesicOfShapecode(int64_t shapeCode, int64_t* baseShapecode, int64_t* frequency);
