#include "render/reply_grid.h"

#include "records/parameters.h"
#include "records/plugin_globals.h"

void Float_Pixels_to_Blank_Reply(const vort* context, TransformationReply* reply, float x, float y) {
    StartTheTransformationReply(reply, context->replyTemplate);
    reply->subPixelX = x;
    reply->subPixelY = y;
    reply->place = kPlaceNoDirection;
    FinishTheTransformationReply(reply);
}

void fillSquareWithBackgroundReplies(VRect rect, const vort* context) {
    for (int64_t y = rect.top; y < rect.bottom; ++y)
        for (int64_t x = rect.left; x < rect.right; ++x)
            if (MirelYummy* cell = GetYummyReplyPointer(x, y, context))
                Float_Pixels_to_Blank_Reply(context, &cell->reply, float(x), float(y));
}

void ClearEdgesGraticuleTissot_tile(const vort* context) {
    if (!context || !context->task) return;
    const VRect& t = context->task->tracker.current_tile_rect;
    for (int64_t y = t.top; y < t.bottom; ++y)
        for (int64_t x = t.left; x < t.right; ++x) ClearEdgesGraticuleTissot(x, y, context);
}

bool BackdropShouldBeTransparent() { return gParams && gParams->transparent_gaps != 0; }
