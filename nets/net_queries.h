// Read-only queries over the net: between net and solid vertices, the faces
// holding a vertex, centroids and fragment boxes. An absent index is -1.
#pragma once

#include <cstdint>

#include "common/geometry.h"
#include "polyhedra/polyhedron.h"

// The first net face listing the net vertex, and its position there.
void Find2DFaceContainingAParticular2DVert(const polyhedron* poly, int64_t vertex2D, int64_t* face, int64_t* position);
// The solid vertex a net vertex folds onto: its stored one, else through the
// first net face listing it.
int64_t Vert_Index_2D_to_3D(const polyhedron* poly, int64_t vertex2D);
// The first net vertex of the fragment (faces in order, corners in order)
// folding onto the solid vertex.
int64_t Vert_Index_3D_to_2D_Looking_Only_in_a_particular_2D_fragment(const polyhedron* poly, int64_t vertex3D,
                                                                      int64_t fragment);
// The last 3D face listing the vertex (from firstFace on), and its position.
void Find3DFaceContainingAParticular3DVert(const polyhedron* poly, int64_t vertex3D, int64_t* face, int64_t* position);
void Find3DFaceContainingAParticular3DVert_StartingWithFace(const polyhedron* poly, int64_t vertex3D, int64_t* face,
                                                             int64_t* position, int64_t firstFace);
triplex GetCentroidOf3DFaceT(int64_t face3D, const polyhedron* poly);
// Marks exactly the net vertices some net face lists as used.
void Cleanse2DVertList(polyhedron* poly);
// The box of the fragment's used net vertices; untouched when it has none.
void Find2DBoundingBoxPointsAndFragment(const polyhedron* poly, float* minX, float* maxX, float* minY, float* maxY,
                                        int64_t fragment);

// The net face of a net triangle and the last position in it holding the
// triangle's corner (0..2); -1 each when the triangle has no face.
void Get_2D_Face_and_Index_From_Triangle_and_Index(const polyhedron* poly, int64_t triangle, int64_t corner,
                                                   int64_t* face, int64_t* position);
void CalcMidpoint2D(const point2D* a, const point2D* b, point2D* m);
// Mean of the single-precision positions of the face's net vertices.
point2D GetCentroidOf5DFace(int64_t netFace, const polyhedron* poly);
// Position (0, 0), links -1, flag 0.
void WipePoint2D(point2D* p);
float distance_between_point2Ds(const point2D* a, const point2D* b);
// The bearing of a vector (x, y): atan2(x, y) + pi in (0, 2 pi]; with y = 0,
// pi / 2 for x <= 0 and 3 pi / 2 for x > 0. Single precision.
float BearingOf2DVector(double x, double y);
float angle_between_point2Ds(const point2D* a, const point2D* b);  // bearing of a - b
// The turn from (b - a) to (c - b), by the bearings of the vectors made unit
// in 3D (only x and y read), brought into [-pi, pi].
double WEIRD_SignedAngleAround2DpointsD(triplex a, triplex b, triplex c);
// The same at net vertex j on the path from net vertex i through j to k.
double WEIRD_SignedAngleAround2DFacepoints(const polyhedron* poly, int64_t i, int64_t j, int64_t k);
