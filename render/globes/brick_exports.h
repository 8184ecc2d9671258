// The brick globe written out: the layer-by-layer instruction pages of a
// layered document, and the LDRAW model text (one part line per filled cell,
// grouped by layer into build steps, CR LF line ends, parts "3005.DAT"
// bricks and "3024.DAT" plates).
#pragma once

#include <cstdint>

#include "render/globes/brick_globe.h"

struct Data;
struct Parameters;
struct PyramidDescriptor;

enum : int {
    kBrickExportOK = 0,
    kBrickExportNoMemory = 1,   // the model's cells could not be had
    kBrickExportWriteFailed = 2,
    kBrickExportCancelled = 3,
    kBrickExportNoModel = 99,   // a layer asked for without a model
};

// Paints instruction layer `layer` (1 = bottom) into the layer pyramid:
// layer 1 builds the model from the settings (and fills the brick tallies of
// the work area), the last one frees it. A 10 x 10 block per cell at
// (9 x, 9 y): empty cells grey-bordered white, filled cells in their core
// colour, hidden filled cells with a black dot. Reports progress; on the
// host's abort *cancelled is set and the result says so.
int GenerateOneLayerOfLego(Data* data, const Parameters& settings, PyramidDescriptor* layerPyramid, int64_t layer,
                           bool* cancelled);
void DrawLegoCell(const LegoStructure* ball, PyramidDescriptor* pyramid, int64_t x, int64_t y, int64_t z);
// Side of an instruction page in pixels: 9 w + 1.
int64_t LegoPageSide(int64_t size, bool plates);

// Builds the brick globe of the settings and counts its cells by colour into
// the work area's tallies; false when the model's cells could not be had.
bool CountBrickGlobeOfSettings(Data* data, const Parameters& settings);

// Writes the brick globe of the settings as LDRAW text to fd, truncates the
// file there and closes fd on every path.
int WriteLDRAWFile_Thingie(Data* data, const Parameters& settings, int fd);
// The whole text of a built model to fd; truncates and closes fd.
int GenerateAllLayersOfLDRAW_Thingie(LegoStructure* ball, int fd);
// The text of the ball's current layer (from 1); kBrickExportNoModel
// without cells.
int GenerateOneLayerOfLDRAW(LegoStructure* ball);
// The part line of one cell, when it is filled.
int DrawLDRAWCell(LegoStructure* ball, int64_t x, int64_t y, int64_t z);

// Frees the model the instruction pages keep between layers.
void DisposeInstructionBall();
