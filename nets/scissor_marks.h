// Scissor marks of curved-origami sheets: where the user cuts along an arc,
// recorded while a builder places an element and drawn by the renderer.
#pragma once

#include <cstdint>

#include "common/geometry.h"
#include "polyhedra/polyhedron.h"

// Points closer than this to an existing 3D vertex reuse it.
inline constexpr double kScissorMergeTolerance = 2e-5;

// Records a mark: the centre and three further points carried through the
// spintype and merged into the 3D vertices, the radius `distance` scaled as
// the spintype scales. Status 12 when 99 marks exist (nothing recorded), 5
// when the 3D vertex table is full (that point's index is -1; a centre
// that cannot be stored records nothing more).
void AddScissorMark(polyhedron* poly, triplex point, double distance, int64_t group, const spintype* spin,
                    int64_t tag, triplex pointA, triplex pointB, triplex pointC);

// Writes mark into the first free of group number n's collected slots;
// nothing for a number of 200 or more, a mark of -1 or every slot taken.
void AddScissorToWeirdoGroup(polyhedron* poly, int64_t groupNumber, int64_t mark);
// Collects every mark under its group's number, anew, in the order recorded.
void AdjustScissorInfo(polyhedron* poly);
