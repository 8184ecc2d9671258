// The secondary quincuncial warp of the two-piece curved solids (shape codes
// 190, 192, 194 and 196): after the polyhedral transform has found the face
// under an output sample, the sample's direction is taken instead from a
// Peirce quincuncial map laid over a triangle of net vertices. Faces tagged
// 1 read the polyhedron's first warp triangle, all others the second; the
// triangle's corners sit on (-1, 0), (0, 1) and (0, -1) of Peirce's inner
// diamond, so each piece's diamond shows one hemisphere (tag 1 the northern,
// tag 2, turned a half turn, the southern) and the two diamonds' rims show
// the same equator; each the same way round as the solid under the sheet
// shows it, not mirrored.
#pragma once

#include <cstdint>

struct polyhedron;
struct renderhinttype;
struct PyramidDescriptor;

bool ShapecodeTakesSecondaryWarp(int64_t shapeCode);

// Replaces `direction` when the hint records a face hit on a solid of those
// shape codes (the tag is the one of the solid face the hit triangle shows); (u, va) is the sample's place in the output (u across, v
// times the aspect down). A warp triangle of no area, or a place the Peirce
// map misses, sets `outside`. Otherwise nothing changes.
void MaybeSecondaryWarp(float direction[3], const polyhedron* poly, unsigned char* outside,
                        const renderhinttype* hint, PyramidDescriptor* peirceCache, double u, double va);
