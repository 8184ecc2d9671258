// Moving colours between a render's tiles and the outside world: the test
// pattern, and the writing of finished colours into the host's output.
#pragma once

#include <cstdint>

#include "platform/host/host_types.h"

// red = ((x + y div 3) mod 256) / 255, green = frac(0.05 sqrt(x² + y²)),
// blue = ((3x + 251y) mod 256) / 255, alpha = 1; div rounds toward zero.
void GrabTestPatternColor(int64_t x, int64_t y, float* colour);

// Writes one colour (red, green, blue, alpha, 0..1) at job position (x, y)
// into the host's output buffer, which holds the chunk `tile` (job
// coordinates), converted to the document's depth.
void WriteColourToHostOutput(int64_t x, int64_t y, const float* colour, const VRect& tile);
// Paints the test pattern over the chunk `tile` of the host's output.
void WriteTestPatternTile(const VRect& tile);
