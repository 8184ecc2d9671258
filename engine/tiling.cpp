#include <algorithm>
#include <cstring>

#include "common/memory.h"
#include "platform/foundation_threads.h"
#include "platform/host/filter_record.h"
#include "records/vort.h"
#include "engine/task_engine_globals.h"
#include "host_access/host_rects.h"
#include "engine/task_records.h"

TaskEngineGlobals gTaskEngine;

void* TaskEngineNewBlock(size_t size) {
    return gTaskEngine.allocateBlock ? gTaskEngine.allocateBlock(size) : RobustNewPtr(size);
}

namespace {

constexpr int64_t kChunkExtent = 64;

int64_t CeilDiv(int64_t n, int64_t s) { return n <= 0 ? 0 : (n + s - 1) / s; }

VRect MakeVRect(int64_t top, int64_t left, int64_t bottom, int64_t right) {
    return VRect{int32_t(top), int32_t(left), int32_t(bottom), int32_t(right)};
}

}  // namespace

void InitTILETRACKER_core(TileTracker* tracker, VRect whole, int64_t kind) {
    // A side below 1 would divide by zero: squares take the default side.
    if (tracker->bigness < 1) tracker->bigness = kDefaultTileBigness;
    tracker->whole_job_rect = whole;
    // An inverted rectangle is an empty job.
    int64_t w = std::max<int64_t>(0, int64_t(whole.right) - whole.left);
    int64_t h = std::max<int64_t>(0, int64_t(whole.bottom) - whole.top);
    tracker->job_pixels_x = w;
    tracker->job_pixels_y = h;
    tracker->partitioning = kind;
    bool empty = w == 0 || h == 0;
    switch (kind) {
        case kPartitionSquares:
            tracker->tiles_across = TilesAcross(w, tracker->bigness);
            tracker->tilecount = TilesToCoverRect(w, h, tracker->bigness);
            break;
        case kPartitionRowsSerial:
        case kPartitionRows:
            tracker->tiles_across = 1;
            tracker->tilecount = empty ? 0 : h;
            break;
        case kPartitionColumns:
            tracker->tiles_across = w;
            tracker->tilecount = empty ? 0 : w;
            break;
        case kPartitionRowBands:
        case kPartitionRowBandsSerial:
            tracker->tiles_across = 1;
            tracker->tilecount = empty ? 0 : CeilDiv(h, kChunkExtent);
            break;
        case kPartitionColumnBands:
            tracker->tiles_across = CeilDiv(w, kChunkExtent);
            tracker->tilecount = empty ? 0 : tracker->tiles_across;
            break;
        default:  // kind 2 and unknown kinds keep the counts they had
            break;
    }
    tracker->t = 0;
    tracker->current_tile_rect = VRect{-1, -1, -1, -1};
    tracker->buffer_x_elements = -1;
    tracker->buffer_y_elements = -1;
}

VRect AbsoluteTileRect(const TileTracker& tracker) {
    const VRect whole = tracker.whole_job_rect;
    const VRect tile = tracker.current_tile_rect;
    return VRect{tile.top + whole.top, tile.left + whole.left, tile.bottom + whole.top,
                 tile.right + whole.left};
}

void CalculateRectOfThisTile(TileTracker* tracker) {
    const int64_t t = tracker->t;
    const int64_t w = tracker->job_pixels_x;
    const int64_t h = tracker->job_pixels_y;
    switch (tracker->partitioning) {
        case kPartitionSquares: {
            const int64_t side = tracker->bigness;
            const int64_t across = std::max<int64_t>(1, tracker->tiles_across);
            const int64_t r = t / across, c = t % across;
            tracker->current_tile_rect =
                MakeVRect(r * side, c * side, r * side + YExtentOfNthTile(r, h, side),
                          c * side + XExtentOfNthTile(c, w, side));
            break;
        }
        case kPartitionRowsSerial:
        case kPartitionRows:
            tracker->current_tile_rect = MakeVRect(t, 0, t + 1, w);
            break;
        case kPartitionColumns:
            tracker->current_tile_rect = MakeVRect(0, t, h, t + 1);
            break;
        case kPartitionRowBands:
        case kPartitionRowBandsSerial:
            tracker->current_tile_rect =
                MakeVRect(kChunkExtent * t, 0, std::min(kChunkExtent * t + kChunkExtent, h), w);
            break;
        case kPartitionColumnBands:
            tracker->current_tile_rect =
                MakeVRect(0, kChunkExtent * t, h, std::min(kChunkExtent * t + kChunkExtent, w));
            break;
        default:
            break;
    }
}

int64_t TilesAcross(int64_t extent, int64_t side) { return CeilDiv(extent, side); }

int64_t TilesToCoverRect(int64_t width, int64_t height, int64_t side) {
    return CeilDiv(height, side) * CeilDiv(width, side);
}

int64_t XExtentOfNthTile(int64_t n, int64_t extent, int64_t side) {
    int64_t tiles = CeilDiv(extent, side);
    return n == tiles - 1 ? extent - (tiles - 1) * side : side;
}

int64_t YExtentOfNthTile(int64_t n, int64_t extent, int64_t side) {
    return XExtentOfNthTile(n, extent, side);
}

MirelYummy** TaskReplyGridOf(vort* context) { return &context->replyGrid; }

void initPixelInfo(pixel_info* info, const FilterRecord* record, int32_t renderDestination,
                   int32_t offscreenPixelKind) {
    std::memset(info, 0, sizeof(pixel_info));
    if (!record) return;
    const int16_t mode = record->imageMode;
    const int32_t depth = record->depth;
    info->GetDissolveTransparency = record->filterCase == 4 || record->filterCase == 5;
    info->GetPlanes = record->planes;
    info->GetInHiPlane = record->inHiPlane;
    info->GetInLoPlane = record->inLoPlane;
    info->GetInData = record->inData;
    info->GetOutData = record->outData;
    info->Get_inLayerPlanes = record->inLayerPlanes;
    info->Get_outLayerPlanes = record->outLayerPlanes;
    info->GetInRowBytes = record->inRowBytes;
    info->GetOutRowBytes = record->outRowBytes;
    info->IsGreyscale__ = record->planes < 3;
    info->IsRGB__ = record->planes >= 3;
    info->IsGrey__ = mode == 1 || mode == 10 || mode == 17;
    info->IsRGBColor__ = mode == 3 || mode == 11 || mode == 16;
    info->Is8_call = (mode == 1 || mode == 3) && depth <= 8;
    info->GetHaveMask = record->haveMask;
    info->Is16_call = (mode == 10 || mode == 11) && depth == 16;
    info->Is32_call = mode == 16 || mode == 17 || depth == 32;
    switch (renderDestination) {
        case 2: info->Is32_destination__ = offscreenPixelKind == 5 || offscreenPixelKind == 9; break;
        case 1: info->Is32_destination__ = 0; break;
        default: info->Is32_destination__ = info->Is32_call; break;
    }
    const BigDocumentStruct* big = record->bigDocumentData;
    if (big && big->PluginUsing32BitCoordinates)
        info->GetOutRect = big->outRect32;
    else
        info->GetOutRect = VRect{record->outRect.top, record->outRect.left, record->outRect.bottom,
                                 record->outRect.right};
    info->GetMaskData = record->maskData;
    info->GetMaskRowBytes = record->maskRowBytes;
    info->GetHostSig = record->hostSig;
    info->Get_dstStride = record->planes;
    if (info->Is8_call) {
        info->MAXIMUM = 255, info->OPAQUEALPHA = 255, info->WHITEPOINT = 255.0f;
        info->HALF_MAXIMUM = 128, info->SCALE = 1;
    } else if (info->Is16_call) {
        info->MAXIMUM = 32768, info->OPAQUEALPHA = 32768, info->WHITEPOINT = 32768.0f;
        info->HALF_MAXIMUM = 16384, info->SCALE = 128;
    } else {
        info->MAXIMUM = 65535, info->OPAQUEALPHA = 1, info->WHITEPOINT = 1.0f;
        info->HALF_MAXIMUM = 32767, info->SCALE = 128;
    }
    info->MAXIMUMf = float(info->MAXIMUM);
    info->MAXIMUMd = double(info->MAXIMUM);
    info->reciprocal_MAXIMUM = 1.0f / info->MAXIMUMf;
    info->reciprocal_OPAQUEALPHA = 1.0f / float(info->OPAQUEALPHA);
    info->reciprocal_WHITEPOINT = 1.0f / info->WHITEPOINT;
}

bool partitionIsSerial(int64_t kind) {
    return kind == kPartitionRowsSerial || kind == kPartitionKeepCounts ||
           kind == kPartitionRowBandsSerial;
}

void initTaskGuidance(TaskGuidance* guidance) {
    std::memset(guidance, 0, sizeof(TaskGuidance));
    guidance->blur = 1.0f;
    guidance->proxy = nullptr;
}

void GetDefaultGuidance(TaskGuidance* guidance, proxyBufferRecord* proxy) {
    guidance->source = nullptr;
    for (PyramidDescriptor*& p : guidance->pyramids) p = nullptr;
    guidance->level = -1;
    guidance->jobRect = VRect{0, 0, 0, 0};
    guidance->flag = 1;
    guidance->blur = 1.0f;
    guidance->proxy = proxy;
}

bool IsStandardTaskPurpose(int64_t purpose) {
    return purpose == kPurposeReduceLevel || purpose == kPurposeReduceLevelHighQuality || purpose == kPurposeFillLevel0 ||
           purpose == kPurposeReduceBlocks || purpose == kPurposeFinishBlocks;
}

void SetUpATileKindOfTask(PerTaskStuffType* task, int64_t purpose, int64_t,
                          int32_t contextCount, const TaskGuidance* guidance) {
    task->purpose = purpose;
    task->data = gTaskEngine.data;
    task->marker = -1;
    task->outputPyramid =
        gTaskEngine.renderDestination == 2 ? gTaskEngine.offscreenPyramid : gTaskEngine.mainPyramid;
    task->contextCount = contextCount;
    task->guidance = *guidance;
}

namespace {

// The grid's shape for the task's tile; false when its size in bytes, for
// cells of cellBytes, does not fit in memory's address range.
bool SetGridShape(PerTaskStuffType* task, size_t cellBytes, size_t* bytes) {
    const VRect tile = task->tracker.current_tile_rect;
    task->tracker.buffer_x_elements = int64_t(tile.right) - tile.left + 2;
    task->tracker.buffer_y_elements = int64_t(tile.bottom) - tile.top + 2;
    return !__builtin_mul_overflow(size_t(task->tracker.buffer_x_elements), size_t(task->tracker.buffer_y_elements),
                                   bytes) &&
           !__builtin_mul_overflow(*bytes, cellBytes, bytes);
}

size_t RectPixels(const VRect& r) {
    return std::max<size_t>(size_t(int64_t(r.right) - r.left) * size_t(int64_t(r.bottom) - r.top), 1);
}
size_t TilePixels(const PerTaskStuffType* task) { return RectPixels(task->tracker.current_tile_rect); }

// Names the context after the task; its worker lends the grid.
void ReadyLoneContext(PerTaskStuffType* task) {
    vort& context = task->context[0];
    context.identifiers[0] = 0;
    context.identifiers[1] = 1000;
    context.task = task;
    context.replyGrid = nullptr;
}

// A render tile's colours, gathered on its thread for the main thread's copy.
bool AllocateTileColours(PerTaskStuffType* task) {
    if (task->purpose != kPurposeRender) return true;
    task->tileColours = static_cast<float*>(TaskEngineNewBlock(TilePixels(task) * 4 * sizeof(float)));
    task->colourCells = task->tileColours ? TilePixels(task) : 0;
    return task->tileColours != nullptr;
}

}  // namespace

bool AllocateTileBuffers(PerTaskStuffType* task, size_t cellBytes, int32_t count) {
    if (count < 1) return true;
    // A grid whose size does not fit in memory's address range is a grid that
    // cannot be allocated.
    size_t bytes = 0;
    const bool fits = SetGridShape(task, cellBytes, &bytes);
    bool allMade = true;
    for (int32_t n = 0; n < count; ++n) {
        vort& context = task->context[n];
        context.identifiers[0] = n;
        context.identifiers[1] = n + 1000;
        context.task = task;
        context.replyGrid = fits && bytes > 0 ? static_cast<MirelYummy*>(TaskEngineNewBlock(bytes)) : nullptr;
        if (!context.replyGrid && (!fits || bytes > 0)) allMade = false;
    }
    return AllocateTileColours(task) && allMade;
}

bool AllocateTileBuffersBesideGrid(PerTaskStuffType* task, size_t cellBytes) {
    size_t bytes = 0;
    if (!SetGridShape(task, cellBytes, &bytes) || task->contextCount != 1) return false;
    ReadyLoneContext(task);
    return AllocateTileColours(task);
}

size_t LargestReplyGridCells(const TileTracker& tracker) {
    size_t largest = 0;
    TileTracker t = tracker;
    for (t.t = 0; t.t < tracker.tilecount; ++t.t) {
        CalculateRectOfThisTile(&t);
        const VRect r = t.current_tile_rect;
        largest = std::max(largest, size_t(int64_t(r.right) - r.left + 2) * size_t(int64_t(r.bottom) - r.top + 2));
    }
    return largest;
}

bool RemakeTaskForTile(PerTaskStuffType* task, const TileTracker& tracker, int64_t purpose) {
    if (!task || !task->context || task->contextCount != 1) return false;
    if (purpose == kPurposeRender &&
        (!task->tileColours || RectPixels(tracker.current_tile_rect) > task->colourCells))
        return false;
    vort* context = task->context;
    float* colours = task->tileColours;
    const size_t colourCells = task->colourCells;
    std::memset(static_cast<void*>(task), 0, sizeof(PerTaskStuffType));
    std::memset(static_cast<void*>(context), 0, sizeof(vort));
    task->tracker = tracker;
    task->purpose = purpose;
    task->context = context;
    task->contextCount = 1;
    task->tileColours = colours;
    task->colourCells = colourCells;
    size_t bytes = 0;
    SetGridShape(task, 0, &bytes);
    ReadyLoneContext(task);
    return true;
}

void DisposeTileBuffers(vort* records, int32_t count) {
    if (!records || count < 1) return;
    for (int32_t n = 0; n < count; ++n) RobustDisposePtr(&records[n].replyGrid);
}

void Dump_Buffer_Vort_Task(PerTaskStuffType** task) {
    if (!task || !*task) return;
    if ((*task)->context) {
        DisposeTileBuffers((*task)->context, (*task)->contextCount);
        RobustDisposePtr(&(*task)->context);
    }
    RobustDisposePtr(&(*task)->tileColours);
    RobustDisposePtr(task);
}
