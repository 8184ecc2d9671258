#include "render/reply_grid.h"

#include "records/parameters.h"
#include "records/plugin_globals.h"

void ClearEdgesGraticuleTissot_tile(const vort* context) {
    if (!context || !context->task) return;
    const VRect& t = context->task->tracker.current_tile_rect;
    for (int64_t y = t.top; y < t.bottom; ++y)
        for (int64_t x = t.left; x < t.right; ++x) ClearEdgesGraticuleTissot(x, y, context);
}
