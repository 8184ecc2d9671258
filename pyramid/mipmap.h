// Building the smaller levels of a pyramid from level 0, one level after the
// other: level L + 1 from level L. Each level is one tiled job of the standard
// tasks -1000 (the fixed 6 x 6 filter) or -1001 (high quality, through the
// bilinear sampler), chosen by the pyramid's `highQuality`.
#pragma once

#include <cstdint>

#include "pyramid/pyramid.h"

struct PerTaskStuffType;
struct TileWork;

// The task bodies of -1000 and -1001: the pixels of level L + 1 inside rect
// (cut to the level). Each writes only its own pixels of L + 1 and reads only
// level L, so the tiles of one level run concurrently.
void UpdateNextSmallerLevel_core(PyramidDescriptor* pyr, int64_t L, VRect rect);
void UpdateNextSmallerLevel_high_quality_core(PyramidDescriptor* pyr, int64_t L, VRect rect);

// The one pass of the standard reduction: level 0 cut into square blocks of
// kReduceBlockSide pixels. Block b works out, level after level, the pixels
// of its own part of each smaller level whose whole 6 x 6 footprint lies in
// what it has already worked out (level 0 is complete), so the blocks run
// concurrently; FinishLevelAfterBlocks then works out the rest, level by
// level: the seams between the blocks and the small top levels. Every pixel
// comes out as UpdateNextSmallerLevel_core makes it.
constexpr int64_t kReduceBlockShift = 9;
constexpr int64_t kReduceBlockSide = int64_t{1} << kReduceBlockShift;
int64_t ReductionBlockCount(const PyramidDescriptor* pyr);
void ReduceBlockThroughLevels(PyramidDescriptor* pyr, int64_t block);
// The rest of level L inside rect (of level L), once the blocks are done and
// level L - 1 is complete.
void FinishLevelAfterBlocks(PyramidDescriptor* pyr, int64_t L, VRect rect);

// Drivers. A pyramid whose edgeMode is -1 keeps only level 0 here. On the
// main thread the standard reduction of all levels is one job of blocks; if
// that job fails (a task could not be made), only level 0 stays in use
// (mipmapState 1) and the engine's result tells why.
void paint_mipmap_of_pyramid(PyramidDescriptor* pyr);

// Runs the reduction or the level-0 fill of a standard task over its
// absolute tile; 1 when the purpose was a standard one, else 0.
int DoStandardTasks(PerTaskStuffType* task, int64_t purpose);
// What the pyramid hands the task engine for its standard tasks.
const TileWork& StandardTaskWork();
