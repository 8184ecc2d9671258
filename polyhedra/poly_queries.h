// Read-only questions over a polyhedron: coordinates and faces, net and
// solid corners, highest indices, face groups and face counts. Bad indices
// get a defined answer (zeros, -1 or status 10), never a read out of range.
#pragma once

#include <cstdint>

#include "common/vectors.h"
#include "polyhedra/polyhedron.h"

struct vort;

// A face of a 16-bit, 1-based, 0-terminated face list: its vertex numbers
// counted from 0 in out[0..9] (the rest -1); the count, 0 for none.
int64_t grab_polyface3D(int64_t face, const uint16_t* list, int64_t* out);
int64_t grab_polyface2D(int64_t face, const polyhedron* poly, int64_t* out, int64_t* highest);
void grab_coordinates2DD(int64_t index, polyhedron* poly, double* x, double* y);
triplex grab_coordinates2D_into_T(int64_t index, polyhedron* poly);
void grab_coordinates3DD(int64_t index, const polyhedron* poly, double* out);
void grab_coordinates3D_into_vector3D(int64_t index, const polyhedron* poly, double* out);
triplex grab_coordinates3D_into_Tb(int64_t index, const polyhedron* poly);
triplex grab_coordinatesOf3DFace(const polyhedron* poly, int64_t face, int64_t corner);
triplex grab3DEdgeAsVector(const polyhedron* poly, int64_t face, int64_t corner);
void Face_and_Index_2D_to_3D(int64_t netFace, int64_t corner, int64_t* face, int64_t* index, const polyhedron* poly);
void Face_and_Index_3D_to_2D(int64_t face, int64_t corner, int64_t* netFace, int64_t* index, const polyhedron* poly);
void Get2DEdgeThatMeetsIn3D(const polyhedron* poly, int64_t face, int64_t edge, int64_t* netFace, int64_t* netEdge);
int64_t highest_3D_vertex(const polyhedron* poly);
int64_t highest_3D_vertex_no_poly(const uint16_t* list, int64_t count);
int64_t highest_2D_vertex_excluding_tabs(const polyhedron* poly);
int64_t highest_2D_vertex_excluding_tabs_nu(const polyhedron* poly);
triplex FetchCentroidOf3DFace(const polyhedron* poly, int64_t face);
triplex FetchNormalOf3DFace(const polyhedron* poly, int64_t face);
triplex grab_as_transformed(int64_t index, const polyhedron* poly);
int64_t FacegroupOf3DFace_weirdo(int64_t face, const polyhedron* poly);
int64_t FacegroupOf2DFace(int64_t netFace, const polyhedron* poly);
int64_t NewCountFacegroupsInPoly(const polyhedron* poly);
bool ShouldSuppressTriangle(const polyhedron* poly, int64_t triangle, int64_t value, int64_t rule);
bool InsideTriangle(const double* p, const double* a, const double* b, const double* c);
void Mark_N_5D_Points_as_used(int64_t n, polyhedron* poly);
// The net scale, its reciprocal and the box offset for the render context.
void FetchPolySnuggling(const polyhedron* poly, float* scale, float* reciprocal, float* offsetX, float* offsetY);
