#include "render/tile_copies.h"

#include <algorithm>

#include "host_access/FilterBigDocument.h"
#include "host_access/host_rects.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/vort.h"
#include "render/host_pixels.h"
#include "engine/task_engine_globals.h"
#include "engine/task_records.h"
#include "render/tile_passes.h"

namespace {

constexpr OSType kAffinitySignature = MakeFourCC("AffP");
constexpr int64_t kColourBytes = 4 * sizeof(float);

const FilterRecord* Record() { return gFilterRecord ? gFilterRecord : gTaskEngine.filterRecord; }

// Where the running render writes, as the engine was told when it started.
int32_t Destination() { return gTaskEngine.renderDestination; }

// The glue mode of the render the task belongs to.
int32_t Blend(const PerTaskStuffType* task) { return task->context ? task->context->glueMode : 1; }

MirelYummy* GridOf(const PerTaskStuffType* task) {
    return task && task->context ? *TaskReplyGridOf(task->context) : nullptr;
}

void RefreshPixelInfo(PerTaskStuffType* task) {
    initPixelInfo(&task->tracker.pxl, Record(), Destination(), gTaskEngine.offscreenPixelKind);
}

}  // namespace

float* ReplyCellColour(MirelYummy* grid, int64_t index) {
    const int64_t cell = int64_t(ReplyCellSize());
    return reinterpret_cast<float*>(reinterpret_cast<char*>(grid) + index * cell + cell - kColourBytes);
}

int64_t ReplyCellIndex(const PerTaskStuffType* task, int64_t x, int64_t y) {
    const TileTracker& t = task->tracker;
    const int64_t column = x - t.current_tile_rect.left + 1;
    const int64_t row = y - t.current_tile_rect.top + 1;
    if (column < 0 || row < 0 || column >= t.buffer_x_elements || row >= t.buffer_y_elements) return -1;
    return row * t.buffer_x_elements + column;
}

void mark_tile_copied_out() {
    if (FilterRecord* r = const_cast<FilterRecord*>(Record())) r->autoMask = r->hostSig == kAffinitySignature;
}

void copy_pixels_of_tile_out_to_destination(PerTaskStuffType* task) {
    if (!task) return;
    mark_tile_copied_out();
    copy_tile_pixels_to_destination(task);
}

namespace {

// The colour of tile pixel (x, y) as the reply grid holds it; transparent
// black without a grid.
void GridColour(PerTaskStuffType* task, MirelYummy* grid, int64_t x, int64_t y, float colour[4]) {
    const int64_t i = grid ? ReplyCellIndex(task, x, y) : -1;
    if (i >= 0) std::copy_n(ReplyCellColour(grid, i), 4, colour);
    else std::fill_n(colour, 4, 0.0f);
}

}  // namespace

void gather_tile_colours(PerTaskStuffType* task) {
    // The colour pass may have left them there already.
    if (!task || !task->tileColours || task->coloursGathered) return;
    MirelYummy* grid = GridOf(task);
    const VRect tile = task->tracker.current_tile_rect;
    float* out = task->tileColours;
    for (int64_t y = tile.top; y < tile.bottom; y++)
        for (int64_t x = tile.left; x < tile.right; x++, out += 4) GridColour(task, grid, x, y, out);
    task->coloursGathered = true;
}

void copy_tile_pixels_to_destination(PerTaskStuffType* task) {
    if (!task) return;
    RefreshPixelInfo(task);
    MirelYummy* grid = GridOf(task);
    // Gathered colours when the tile's thread left them, else the grid's.
    if (task->tileColours && task->coloursGathered) {
        SetNovelOutputTile(&task->tracker, task->guidance.proxy, task->tileColours, Blend(task));
        return;
    }
    const VRect tile = task->tracker.current_tile_rect;
    for (int64_t y = tile.top; y < tile.bottom; y++) {
        for (int64_t x = tile.left; x < tile.right; x++) {
            float colour[4];
            GridColour(task, grid, x, y, colour);
            SetNovelOutputPixel(x, y, colour, 1, &task->tracker, task->guidance.proxy, Blend(task));
        }
    }
}
