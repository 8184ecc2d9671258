// Geometry of one face: stepping round its corners, its normal, area,
// corner angles and corner convexity, for 3D faces and net faces.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

int64_t extremePointIn3DPolygon(const polyhedron* poly, int64_t face);
// The unit normal by the right-hand rule over the corners, taken at the
// extreme corner so that non-convex faces get the right side; (0, 0, 0) when
// degenerate. Stores the extreme corner in the face.
triplex normalOf3DPolygon(polyhedron* poly, int64_t face);
// Stores the normal and labels every corner: 1 collinear, 2 convex, 3 reflex.
void labelConvexPointsOf3DPolygon(polyhedron* poly, int64_t face);
void Calc3DAngles(polyhedron* poly);
// Corner angles and edge headings of the net faces.
void Calc2DAnglesAroundFaces(polyhedron* poly);
