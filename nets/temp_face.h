// Placing a flat face in the net: hinged onto the edge of a net face,
// tested for overlap with its fragment, then stored.
#pragma once

#include <cstdint>

#include "polyhedra/flat_face.h"
#include "polyhedra/polyhedron.h"

struct SkipList;

double XYtoRadiansNEW(double x, double y);
// Puts vertex k on net face N's vertex e and the edge from k back to k - 1
// along N's edge from e to e + 1.
void TranslateTempface_core(temp2Dface* temp, int64_t k, int64_t N, int64_t e, const polyhedron* poly);
// The same, mirrored and hinged again when the face lies mirrored.
void TranslateTempface(temp2Dface* temp, int64_t k, int64_t N, int64_t e, const polyhedron* poly);
// Stores the face and its vertices; the new net face or -1.
int64_t Add2DFaceToNet(polyhedron* poly, temp2Dface* temp, int slotMode, int64_t slot, int64_t reserved,
                       SkipList* list);
void PutNetfaceIntoTempface(temp2Dface* temp, int64_t N, const polyhedron* poly);
void FindBoundingBoxOfTempface(temp2Dface* temp);
bool ProposedFace2DConflictsWithFacesAlreadyInFragment(temp2Dface* temp, const polyhedron* poly, int64_t exemptFace,
                                                       int64_t exemptEdge);
bool New2DConflict(const temp2Dface* temp, int64_t i, const polyhedron* poly, int64_t exemptFace,
                   int64_t exemptEdge);
bool point_in_polygon(const double* point, const temp2Dface* temp);
bool PointIsOnEdgeOfTempface(const double* point, const temp2Dface* temp, double tolerance);
