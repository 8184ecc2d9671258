// Links between the 3D faces of a solid: for each edge, the face across it,
// where that face holds the edge, and whether the solid folds outward
// (kind 2) or inward (kind 3) there. Also the per-face Norse labels that some
// cutting rules read.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

// Relinks every face, computes the edge kinds and sets the links-built flag;
// returns 0. Needs the face normals (Calc3DAngles). The solid's cutting rule
// is the net code's (LinkSolidAndApplyCuttingRule, nets/slicing.h).
int64_t Build3DConnectivity(polyhedron* poly);
// The linking pass alone; expects links at -1 and corner counts at 0.
void Build3DConnectivity_core_new(polyhedron* poly);
// The edge-kind pass alone; sets the has-concave-edge flag, never clears it.
void labelConvexEdgesOfPolyhedron(polyhedron* poly);
// The face's Norse label, -1 for a face index out of range.
int32_t GetNorseLabelOfFace3D(int64_t face, const polyhedron* poly);
