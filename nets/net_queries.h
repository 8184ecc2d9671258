// Read-only queries over the net: between net and solid vertices, the faces
// holding a vertex, centroids and fragment boxes. An absent index is -1.
#pragma once

#include <cstdint>

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
