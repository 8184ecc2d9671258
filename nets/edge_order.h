// What steers a growing fragment besides the overlap test: the order in
// which a net face's edges are tried, and the weirdo groups (sets of 3D
// faces a curved-origami builder declares as belonging together), whose
// locks make each group enter the net at one place only.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

// Room for every edge twice: an edge both preferred and disdained is tried
// early and again late.
inline constexpr int kEdgeOrderEntries = 2 * kMaxFaceVertices;

bool ShapeIsCurvedOrigamiMonofrag(int64_t shapeCode);
bool ShapeIsCurvedOrigamiPaired(int64_t shapeCode);

// Fills order with net face N's edges in the order of trial; the number listed.
int64_t BuildPrioritizedVertList(const polyhedron* poly, int64_t N, int64_t* order);
int64_t BuildPrioritizedVertListForCurvedOrigamiMonofrag(const polyhedron* poly, int64_t N, int64_t* order);

// The group number of a 3D face's weirdo group (group 0's for a face in none).
int64_t GroupNumberOf3DFace(const polyhedron* poly, int64_t face);
bool WeirdoGroupIsLocked(const polyhedron* poly, int64_t groupNumber);
void SetWeirdogroupLock(polyhedron* poly, int64_t groupNumber, uint8_t value);
void SetWeirdogroupLockFor3DFace(polyhedron* poly, int64_t face, uint8_t value);
void ClearAllWeirdogroupLocks(polyhedron* poly);
bool WeirdoGroupProblemExists(const polyhedron* poly, int64_t faceA, int64_t faceB);
