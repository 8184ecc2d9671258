// Reading the host's picture into a pyramid: the layer being filtered into
// level 0 of the main input pyramid, tile by tile through the host's
// advance-state exchange, then its smaller levels. Main thread, inside a
// selector (gFilterRecord, gParams and gData set). A host refusal leaves its result code as the
// plug-in's result (diagnostic 231) and the pyramid partly filled.
#pragma once

#include <cstdint>

#include "pyramid/pyramid.h"

struct Data;

// Level 0 of pyr from the host's input; mipmapState 1 when complete.
void Fill_1_Pyramid(PyramidDescriptor* pyr);
// The same a band of tiles at a time, for a caller that serves a window
// between the bands; with a rate above 1 the host hands over the picture
// reduced by that rate, and pyr is of the reduced size.
struct Level0Reading {
    int64_t nextTile = 0;
    int32_t rate = 1;
    // Tiles side by side in one exchange with the host: few exchanges, and a
    // band the host hands over that stays small whatever the picture's width.
    int64_t tilesPerBand = 8;
    bool done = false;     // every band read: mipmapState 1
    bool failed = false;   // the host refused: its result is the plug-in's
};
// Reads the next band; false once none is left or the host refused.
bool ReadLevel0Band(PyramidDescriptor* pyr, Level0Reading* reading);
// The main input pyramid of data: level 0, then its edge and overhang modes
// from the input mode, then all smaller levels (mipmapState 2); for a cube
// layout, whose render reads only the faces cut from it, level 0 alone
// (mipmapState 1).
void FillPyramids(Data* data);

// How the main input pyramid treats positions beyond its edges, by input mode:
// its edge mode (2 wraps the sides, 1 wraps both ways, 0 clamps) and its
// overhang mode.
int64_t WrapModeFromVorneskInputMode(int64_t inputMode);
int64_t OverhangModeFromVorneskInputMode(int64_t inputMode);
// Earlier names of the same two rules.
inline int64_t EdgeModeForInputMode(int64_t inputMode) { return WrapModeFromVorneskInputMode(inputMode); }
inline int64_t OverhangModeForInputMode(int64_t inputMode) { return OverhangModeFromVorneskInputMode(inputMode); }
