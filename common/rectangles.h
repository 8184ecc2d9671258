// Integer rectangles: the host's 16-bit `Rect` and the system's own 32-bit
// `VRect`. Both cover [left, right) by [top, bottom). The 16-bit operations
// change a rectangle in place; most `VRect` operations return a new one.
// Arithmetic wraps in the field's width rather than overflowing.
#pragma once

#include <cstdint>

// Rect, Point and VRect are the host's layouts.
#include "platform/host/host_types.h"

inline bool QDEmptyRect(const Rect* r) { return r->left >= r->right || r->top >= r->bottom; }
inline bool EmptyVRect(VRect r) { return r.left >= r.right || r.top >= r.bottom; }
inline int32_t VRectWidth(VRect r) { return static_cast<int32_t>(int64_t(r.right) - r.left); }
inline int32_t VRectHeight(VRect r) { return static_cast<int32_t>(int64_t(r.bottom) - r.top); }
