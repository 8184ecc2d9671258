// Read-only questions over a polyhedron: solid corners, face centroids and
// normals, face groups. Bad indices get a defined answer (zeros or -1),
// never a read out of range.
#pragma once

#include <cstdint>

#include "common/vectors.h"
#include "polyhedra/polyhedron.h"

triplex grab_coordinates3D_into_Tb(int64_t index, const polyhedron* poly);
triplex grab_coordinatesOf3DFace(const polyhedron* poly, int64_t face, int64_t corner);
triplex FetchCentroidOf3DFace(const polyhedron* poly, int64_t face);
triplex FetchNormalOf3DFace(const polyhedron* poly, int64_t face);
int64_t FacegroupOf3DFace_weirdo(int64_t face, const polyhedron* poly);
int64_t FacegroupOf2DFace(int64_t netFace, const polyhedron* poly);
