// Read-only queries over the net: from net to solid vertices, the face
// holding a net vertex, and bearings. An absent index is -1.
#pragma once

#include <cstdint>

#include "common/geometry.h"
#include "polyhedra/polyhedron.h"

// The first net face listing the net vertex, and its position there.
void Find2DFaceContainingAParticular2DVert(const polyhedron* poly, int64_t vertex2D, int64_t* face, int64_t* position);
// The solid vertex a net vertex folds onto: its stored one, else through the
// first net face listing it.
int64_t Vert_Index_2D_to_3D(const polyhedron* poly, int64_t vertex2D);
// The bearing of a vector (x, y): atan2(x, y) + pi in (0, 2 pi]; with y = 0,
// pi / 2 for x <= 0 and 3 pi / 2 for x > 0. Single precision.
float BearingOf2DVector(double x, double y);
