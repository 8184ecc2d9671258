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

VRect VRectfromQDrect(Rect r);
Rect QDRectfromVRect(VRect r);
VRect ProduceVRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
void QevSetVRect(VRect* r, int32_t left, int32_t top, int32_t right, int32_t bottom);
void QevSetRect(Rect* r, int32_t left, int32_t top, int32_t right, int32_t bottom);
bool SameQRects(const Rect* a, const Rect* b);
// Both edges count as inside.
bool QevPtInRect(Point pt, const Rect* r);
// False only when a lies inside b.
bool OutOfBounds(const Rect* a, const Rect* b);
Rect* QWCopyRectA2B_Q(Rect* a, Rect* b);
void MacRect2QDRect(const Rect* a, Rect* b);
Rect* copyRectBtoA(Rect* a, const Rect* b);

// 16-bit, in place on the first argument (or on b where the name says so).
void QevInsetRect(Rect* r, int32_t dh, int32_t dv);
void ShrinkRect_qev_Q(Rect* r, int32_t dh, int32_t dv);
Rect* QevOffsetRect(Rect* r, int32_t dh, int32_t dv);
void SizeRectQ(Rect* r, int32_t width, int32_t height);
// Writes the intersection (the zero rectangle when empty); true when not empty.
bool QevSectRect(const Rect* a, const Rect* b, Rect* out);
void ClipAAgainstB(Rect* a, const Rect* b);
void EnlargeBToAccomodateA(const Rect* a, Rect* b);
void LimitSizeOfBtoA(const Rect* a, Rect* b);
void NudgeAIntoB(Rect* a, const Rect* b);
void AlignTopLeftCornerOfA2B(Rect* a, const Rect* b);
void CenterAonB_Q(Rect* a, const Rect* b);
// Each field times num / den in 64-bit arithmetic; den 0 counts as 1.
void ScaleRect_qev_Q(Rect* r, int64_t num, int64_t den);

// 32-bit.
VRect InsetVRect(VRect r, int32_t dh, int32_t dv);
VRect* ShrinkRect_qev_V(VRect* r, int32_t dh, int32_t dv);
VRect OffsetVRect(VRect r, int32_t dh, int32_t dv);
VRect ResizedVRect(VRect r, int32_t width, int32_t height);
VRect IntersectVRects(VRect a, VRect b);
VRect AClippedAgainstB(VRect a, VRect b);
VRect BEnlargedToAccomodateA(VRect a, VRect b);
VRect BLimitedToSizeOfA(VRect a, VRect b);
VRect ANudgedIntoB(VRect a, VRect b);
VRect AAlignedToTopLeftCornerOfB(VRect a, VRect b);
VRect TopLeftCornerAlignedTo00(VRect r);
VRect ACenteredOnB_V(VRect a, VRect b);
void ScaleRect_qev_V(VRect* r, int64_t num, int64_t den);
