// The reply grid of a render task: one cell per output pixel of the tile and
// of a one-pixel apron around it. The first pass stores each pixel's
// transformation reply, the second pass its final colour. The grid belongs
// to the task, so neither pass takes a lock.
#pragma once

#include <cstdint>

#include "records/TransformationReply.h"
#include "records/vort.h"
#include "engine/task_records.h"

// One cell of the grid: the first pass's reply for its pixel, then the colour
// the second pass leaves there, which the task engine copies to the
// destination.
struct MirelYummy {
    TransformationReply reply;
    float colour[4];  // red, green, blue, alpha in 0..1, not premultiplied
};

// The cell of output pixel (x, y), or null outside the grid.
inline MirelYummy* GetYummyReplyPointer(int64_t x, int64_t y, const vort* context) {
    if (!context || !context->task || !context->replyGrid) return nullptr;
    const TileTracker& t = context->task->tracker;
    const int64_t column = x - t.current_tile_rect.left + 1;
    const int64_t row = y - t.current_tile_rect.top + 1;
    if (column < 0 || row < 0 || column >= t.buffer_x_elements || row >= t.buffer_y_elements) return nullptr;
    return context->replyGrid + row * t.buffer_x_elements + column;
}

// The cells of (x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1); the caller
// keeps all four inside the grid.
inline void GetYummyReplyPointersFour(int64_t x, int64_t y, const vort* context, MirelYummy* cells[4]) {
    const TileTracker& t = context->task->tracker;
    const int64_t w = t.buffer_x_elements;
    MirelYummy* p = context->replyGrid + (y - t.current_tile_rect.top + 1) * w + (x - t.current_tile_rect.left + 1);
    cells[0] = p;
    cells[1] = p + 1;
    cells[2] = p + w;
    cells[3] = p + w + 1;
}

// The whole reply of a pixel; the template reply outside the grid.
inline TransformationReply GetReply(int64_t x, int64_t y, const vort* context) {
    const MirelYummy* c = GetYummyReplyPointer(x, y, context);
    return c ? c->reply : context->replyTemplate;
}

inline float GetReplyX(int64_t x, int64_t y, const vort* c) { const MirelYummy* p = GetYummyReplyPointer(x, y, c); return p ? p->reply.inputU : 0.0f; }
inline float GetReplyY(int64_t x, int64_t y, const vort* c) { const MirelYummy* p = GetYummyReplyPointer(x, y, c); return p ? p->reply.inputV : 0.0f; }
inline float GetReplyEdges(int64_t x, int64_t y, const vort* c) { const MirelYummy* p = GetYummyReplyPointer(x, y, c); return p ? p->reply.edges : 0.0f; }
inline float GetReplyTissot(int64_t x, int64_t y, const vort* c) { const MirelYummy* p = GetYummyReplyPointer(x, y, c); return p ? p->reply.tissotValue : 0.0f; }
inline float GetReply_edgemask(int64_t x, int64_t y, const vort* c) { const MirelYummy* p = GetYummyReplyPointer(x, y, c); return p ? p->reply.edgeMask : 0.0f; }
inline float GetReplyGratX(int64_t x, int64_t y, const vort* c) { const MirelYummy* p = GetYummyReplyPointer(x, y, c); return p ? p->reply.graticuleX : 0.0f; }
inline float GetReplyGratY(int64_t x, int64_t y, const vort* c) { const MirelYummy* p = GetYummyReplyPointer(x, y, c); return p ? p->reply.graticuleY : 0.0f; }
inline float GetReplyScissorHeight(int64_t x, int64_t y, const vort* c) { const MirelYummy* p = GetYummyReplyPointer(x, y, c); return p ? p->reply.scissorHeight : 0.0f; }
inline float GetReplyTissotHeight(int64_t x, int64_t y, const vort* c) { const MirelYummy* p = GetYummyReplyPointer(x, y, c); return p ? p->reply.tissotHeight : 0.0f; }
inline uint8_t GetReply_ok_to_draw_scissor(int64_t x, int64_t y, const vort* c) { const MirelYummy* p = GetYummyReplyPointer(x, y, c); return p ? p->reply.okToDrawScissor : 0; }
inline void SetReplyEdges(int64_t x, int64_t y, const vort* c, float v) { if (MirelYummy* p = GetYummyReplyPointer(x, y, c)) p->reply.edges = v; }
inline void SetReplyTissot(int64_t x, int64_t y, const vort* c, float v) { if (MirelYummy* p = GetYummyReplyPointer(x, y, c)) p->reply.tissotValue = v; }
inline void SetReply_edgemask(int64_t x, int64_t y, const vort* c, float v) { if (MirelYummy* p = GetYummyReplyPointer(x, y, c)) p->reply.edgeMask = v; }
inline void SetReply_ok_to_draw_scissor(int64_t x, int64_t y, const vort* c, uint8_t v) { if (MirelYummy* p = GetYummyReplyPointer(x, y, c)) p->reply.okToDrawScissor = v; }
inline void ClearEdgesGraticuleTissot(int64_t x, int64_t y, const vort* c) {
    if (MirelYummy* p = GetYummyReplyPointer(x, y, c)) p->reply.edges = p->reply.tissotValue = 0.0f;
}

// A sample of nothing: a direction-less region keeps its code, every other
// region at -8 or above becomes a freeform direction.
inline void MakeFreeform(TransformationReply* r) {
    if (r->place >= -8) r->place = kPlaceNoRegion;
}

// Clears the edge and Tissot overlay values of every pixel of the tile.
void ClearEdgesGraticuleTissot_tile(const vort* context);

// Unit output coordinates to the centred plane of the output projection
// (through the context's framing box) and back.
inline double CRX_from_ufx(const vort* c, double ufx) {
    return c->framing.inverseFitScale * ((ufx - 0.5) - c->framing.xCentre);
}
inline double CRY_from_ufy(const vort* c, double ufy) {
    return c->framing.inverseFitScale * (ufy - 0.5) * double(c->outputAspect);
}
inline double ufx_from_CRX(const vort* c, double x) { return x / c->framing.inverseFitScale + c->framing.xCentre + 0.5; }
inline double ufy_from_CRY(const vort* c, double y) {
    return y / (c->framing.inverseFitScale * double(c->outputAspect)) + 0.5;
}

// The piece of the output a sample belongs to, as one 64-bit key: region in
// the high word, second region and the outside bit in the low word. Exact
// for every region number and any second region below 2^30 in size, where a
// weighted sum in single precision would collide.
using RegionKey = uint64_t;
inline RegionKey RegionHash(const TransformationReply& r) {
    return (uint64_t(uint32_t(r.place)) << 32) | (uint64_t(uint32_t(r.inputKind) & 0x7fffffffu) << 1) |
           uint64_t(r.outsideInput & 1);
}
// Field by field: one wide read of fields the road has only just stored one
// at a time would wait for all of them to reach the cache.
inline bool SameRegion(const TransformationReply& a, const TransformationReply& b) {
    return __atomic_load_n(&a.place, __ATOMIC_RELAXED) == b.place &&
           __atomic_load_n(&a.inputKind, __ATOMIC_RELAXED) == b.inputKind &&
           __atomic_load_n(&a.outsideInput, __ATOMIC_RELAXED) == b.outsideInput;
}
