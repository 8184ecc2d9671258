// The shape-code dispatcher: fills an emptied polyhedron for one shape code
// from a built-in table (copied into the record's own storage) or a builder,
// then grows the net unless told not to. A code without table or builder in
// this build leaves the record empty with status kPolyStatusUnbuilt.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

void ReadFaceInfo(polyhedron* poly, int64_t shapeCode, int64_t spare, void* hostValue, uint8_t flag, int noNet);
// Whether this build has a table or a builder for the shape code.
bool ShapecodeCanBeBuilt(int64_t shapeCode);

struct BuiltInShape;
// Fills the record with a copy of a built-in shape's tables; a table with a
// face of fewer than 3 or more than 10 corners, or a corner out of range,
// leaves the record empty with its status.
void LoadBuiltInShape(polyhedron* poly, const BuiltInShape* shape);

void BuildRhombicHexecontahedron(polyhedron* poly, int64_t variant, int64_t option);
void Build_waterman(polyhedron* poly);
void Build_Cube_4_compound(polyhedron* poly);
void Build_stellation_1(polyhedron* poly);
void Build_stellation_2(polyhedron* poly);
void Build_stellation_4(polyhedron* poly);
void Build_stellation_5(polyhedron* poly);
