// A reply grid of one small tile for the overlay tests, with every cell the
// template reply and its overlay words cleared.
#pragma once

#include <memory>
#include <vector>

#include "records/vort.h"
#include "render/reply_grid.h"

// A task whose tile is 8 x 8 at (10, 20): its grid is 10 x 10 cells.
struct GridRig {
    std::unique_ptr<vort> context{new vort{}};
    std::unique_ptr<PerTaskStuffType> task{new PerTaskStuffType{}};
    std::vector<MirelYummy> grid;
    GridRig() {
        task->tracker.current_tile_rect = VRect{20, 10, 28, 18};
        task->tracker.buffer_x_elements = 10;
        task->tracker.buffer_y_elements = 10;
        grid.resize(100);
        for (MirelYummy& m : grid) {
            m.reply = MakeTemplateReply();
            m.reply.edges = m.reply.tissotValue = 0.0f;
        }
        context->task = task.get();
        context->replyGrid = grid.data();
        context->replyTemplate = MakeTemplateReply();
    }
    vort* c() { return context.get(); }
    // Total and centroid (pixel indices) of a channel.
    void Moments(int channel, double* total, double* cx, double* cy) {
        *total = *cx = *cy = 0.0;
        for (int64_t y = 19; y < 29; ++y)
            for (int64_t x = 9; x < 19; ++x) {
                const double w = channel == 1 ? GetReplyEdges(x, y, c()) : GetReplyTissot(x, y, c());
                *total += w, *cx += w * double(x), *cy += w * double(y);
            }
        if (*total > 0) *cx /= *total, *cy /= *total;
    }
};
