// One face laid flat: the record of a face being placed in the net, and
// the steps that lay a 3D face flat and read its turn.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

struct TempVertex {
    double x, y;        // flat position
    int64_t solid;      // 3D vertex index
    int64_t fragment;
    int64_t netVertex;  // 2D vertex index, -1 none
    int64_t position;   // position in its face
    uint8_t used;
};

struct temp2Dface {
    TempVertex vertex[kMaxFaceVertices];
    int64_t count;
    int64_t label[kMaxFaceVertices];  // 1 collinear, 2 negative turn, 3 positive turn
    int64_t face3D;                   // -1 none
    float minX, maxX, minY, maxY;
};

// Lays 3D face F flat, seen from outside (counter-clockwise for a face
// wound so about its outward normal); nothing unless F exists.
void Make2DVersionOf3DFace(polyhedron* poly, int64_t F, temp2Dface* temp, int64_t fragment);
void flop(temp2Dface* temp);
void labelConvexPointsOfTempface(temp2Dface* temp);
int64_t extremePointIn2DTempface(const temp2Dface* temp);
