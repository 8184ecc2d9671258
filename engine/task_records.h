// What the task engine works with: how a job rectangle is cut into tiles
// (the partition kinds and the TileTracker that follows them), the host's
// pixel layout carried by every task (pixel_info), the inputs of a job
// (TaskGuidance), the record of one task (PerTaskStuffType) and the task
// counts.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/host/host_types.h"
#include "records/renderhinttype.h"

struct Data;
struct FilterRecord;
struct MirelYummy;
struct PyramidDescriptor;
struct proxyBufferRecord;
struct vort;

// Partition kinds.
enum : int16_t {
    kPartitionSquares = 0,
    kPartitionRowsSerial = 1,
    kPartitionKeepCounts = 2,  // keeps the tracker's counts, computes no tile
    kPartitionRows = 3,
    kPartitionColumns = 4,
    kPartitionRowBands = 5,
    kPartitionColumnBands = 6,
    kPartitionRowBandsSerial = 7,
};

// Purpose codes of a job.
enum : int64_t {
    kPurposeRender = 2,
    kPurposeReduceLevel = -1000,
    kPurposeReduceLevelHighQuality = -1001,
    kPurposeFillLevel0 = -1002,  // the host's current input buffer into level 0 of a pyramid
    kPurposeReduceBlocks = -1003,  // every smaller level of one block of level 0 (tile row = block)
    kPurposeFinishBlocks = -1004,  // the rest of one level after the blocks
};

constexpr int64_t kDefaultTileBigness = 128;

// The host's pixel layout, copied into each task.
struct pixel_info {
    uint8_t GetDissolveTransparency;
    int16_t GetPlanes;
    int16_t GetInHiPlane, GetInLoPlane;
    void* GetInData;
    void* GetOutData;
    int16_t Get_inLayerPlanes, Get_outLayerPlanes;
    int32_t GetInRowBytes, GetOutRowBytes;
    uint8_t IsGreyscale__;
    uint8_t IsRGB__;
    uint8_t IsGrey__;
    uint8_t IsRGBColor__;
    uint8_t Is8_call;
    uint8_t GetHaveMask;
    uint8_t Is16_call;
    uint8_t Is32_call;
    uint8_t Is32_destination__;
    VRect GetOutRect;
    void* GetMaskData;
    int32_t GetMaskRowBytes;
    uint32_t GetHostSig;
    int16_t Get_dstStride;
    int64_t MAXIMUM;
    int64_t OPAQUEALPHA;
    float WHITEPOINT;
    float MAXIMUMf;
    double MAXIMUMd;
    int64_t HALF_MAXIMUM;
    float reciprocal_MAXIMUM;
    float reciprocal_OPAQUEALPHA;
    float reciprocal_WHITEPOINT;
    int64_t SCALE;
};

// The cutting of one job.
struct TileTracker {
    int64_t job_pixels_x;
    int64_t job_pixels_y;
    int64_t tiles_across;
    int64_t tilecount;
    int64_t t;                  // the tile this tracker describes
    int64_t buffer_x_elements;  // reply-grid width: tile width + 2; -1 before a task
    int64_t buffer_y_elements;
    int64_t partitioning;
    VRect whole_job_rect;
    VRect current_tile_rect;    // relative to the job's top-left; -1s before a tile
    int64_t bigness;            // side of the squares of kind 0
    pixel_info pxl;
};

// The inputs of one job, copied by value into every task.
struct TaskGuidance {
    PyramidDescriptor* source;  // for the reductions: the pyramid whose next level is built
    int64_t level;              // -1 when not used
    VRect jobRect;              // the job rectangle of purposes -1000 and -1001
    VRect secondRect;
    int64_t count;
    PyramidDescriptor* pyramids[3];
    int32_t flag;
    int64_t words[4];
    float blur;
    proxyBufferRecord* proxy;
};

// One task: allocated per tile by the engine, freed after its completion.
struct PerTaskStuffType {
    int64_t purpose;
    int64_t spare1;
    TileTracker tracker;  // the job's, with this task's tile and buffer sizes
    Data* data;
    int64_t marker;       // -1 when made
    renderhinttype hints[2];  // the renderer's, per task
    int64_t lastTissotSpot;   // where the road's Tissot search starts
    int64_t spare2;
    PyramidDescriptor* outputPyramid;
    vort* context;        // the task's render contexts, contextCount of them
    void* job;            // the records the job's caller keeps for all its tasks (TileWork::job)
    int32_t contextCount;
    TaskGuidance guidance;
    // A render tile's finished colours, row by row (red, green, blue, alpha
    // per pixel), gathered from the reply grid on the tile's own thread so
    // that the main thread's copy to the host reads them in order.
    float* tileColours;
    bool coloursGathered;
    PerTaskStuffType* nextFinished;  // the engine's list of tasks awaiting their completion
    // What the tile colours were allocated for, in pixels: a record used
    // again for another tile keeps them when they are large enough.
    size_t colourCells;
    // Raised by the engine once its job stops early (the user's input
    // stopped a preview, a failure, the host's abort): a running tile may
    // then give up part-way, as its result is thrown away. Null: never raised.
    const std::atomic<bool>* stopAsked;
};

// Whether the job of a running task has stopped, so that its work may end
// now; a cheap read meant to be asked between rows.
inline bool TileStopAsked(const PerTaskStuffType* task) {
    return task && task->stopAsked && task->stopAsked->load(std::memory_order_relaxed);
}

void InitTILETRACKER_core(TileTracker* tracker, VRect whole, int64_t kind);
void CalculateRectOfThisTile(TileTracker* tracker);
// The current tile in the coordinates of the whole picture, not the job's.
VRect AbsoluteTileRect(const TileTracker& tracker);

int64_t TilesAcross(int64_t extent, int64_t side);
int64_t TilesToCoverRect(int64_t width, int64_t height, int64_t side);
int64_t XExtentOfNthTile(int64_t n, int64_t extent, int64_t side);
int64_t YExtentOfNthTile(int64_t n, int64_t extent, int64_t side);

// Fills a pixel_info from the host's filter record and the render destination
// (0 the host, 1 the preview, 2 an offscreen pyramid of the given pixel kind).
void initPixelInfo(pixel_info* info, const FilterRecord* record, int32_t renderDestination,
                   int32_t offscreenPixelKind);

bool partitionIsSerial(int64_t kind);

void initTaskGuidance(TaskGuidance* guidance);
void GetDefaultGuidance(TaskGuidance* guidance, proxyBufferRecord* proxy);

void SetUpATileKindOfTask(PerTaskStuffType* task, int64_t purpose, int64_t ignored,
                          int32_t contextCount, const TaskGuidance* guidance);
// The task's render contexts, each with a reply grid of cells of cellBytes
// (none when cellBytes is 0), and a render tile's colours.
bool AllocateTileBuffers(PerTaskStuffType* task, size_t cellBytes, int32_t count);
// The same for a task of the worker pool, whose one context borrows its
// reply grid from the worker that runs it: everything but the grid.
bool AllocateTileBuffersBesideGrid(PerTaskStuffType* task, size_t cellBytes);
// The cells of the largest reply grid among the tiles of a tracker's job.
size_t LargestReplyGridCells(const TileTracker& tracker);
// A finished task of the worker pool made over for `tracker`'s tile (its own
// tile number set) and purpose, with a clean record and context and the
// blocks it holds; false, leaving it as it was, when those are too small.
bool RemakeTaskForTile(PerTaskStuffType* task, const TileTracker& tracker, int64_t purpose);
// The slot of a render context's reply grid.
MirelYummy** TaskReplyGridOf(vort* context);
void DisposeTileBuffers(vort* records, int32_t count);
// Frees the task's reply grids, its render contexts and the task; clears *task.
void Dump_Buffer_Vort_Task(PerTaskStuffType** task);

bool IsStandardTaskPurpose(int64_t purpose);
