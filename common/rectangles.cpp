#include "common/rectangles.h"

#include <algorithm>

// Every operation is written once over 64-bit fields and narrowed to the
// rectangle's own width at the end, so both forms share the same rules.
namespace {
struct R64 {
    int64_t top, left, bottom, right;
    int64_t width() const { return right - left; }
    int64_t height() const { return bottom - top; }
};

R64 Widen(const Rect& r) { return {r.top, r.left, r.bottom, r.right}; }
R64 Widen(const VRect& r) { return {r.top, r.left, r.bottom, r.right}; }
Rect NarrowQ(const R64& r) {
    return {static_cast<int16_t>(r.top), static_cast<int16_t>(r.left), static_cast<int16_t>(r.bottom),
            static_cast<int16_t>(r.right)};
}
VRect NarrowV(const R64& r) {
    return {static_cast<int32_t>(r.top), static_cast<int32_t>(r.left), static_cast<int32_t>(r.bottom),
            static_cast<int32_t>(r.right)};
}

R64 Inset(R64 r, int64_t dh, int64_t dv) { return {r.top + dv, r.left + dh, r.bottom - dv, r.right - dh}; }
R64 Offset(R64 r, int64_t dh, int64_t dv) { return {r.top + dv, r.left + dh, r.bottom + dv, r.right + dh}; }
R64 Resized(R64 r, int64_t w, int64_t h) { return {r.top, r.left, r.top + h, r.left + w}; }
R64 Clip(R64 a, R64 b) {
    return {std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
            std::min(a.right, b.right)};
}
bool Empty(const R64& r) { return r.left >= r.right || r.top >= r.bottom; }
R64 Intersect(R64 a, R64 b) {
    const R64 c = Clip(a, b);
    return Empty(c) ? R64{0, 0, 0, 0} : c;
}
R64 Enlarge(R64 a, R64 b) {
    return {std::min(a.top, b.top), std::min(a.left, b.left), std::max(a.bottom, b.bottom),
            std::max(a.right, b.right)};
}
R64 Limit(R64 a, R64 b) {
    if (b.width() > a.width()) b.right = b.left + a.width();
    if (b.height() > a.height()) b.bottom = b.top + a.height();
    return b;
}
R64 Nudge(R64 a, R64 b) {
    if (a.left < b.left) a = Offset(a, b.left - a.left, 0);
    if (a.right > b.right) a = Offset(a, b.right - a.right, 0);
    if (a.top < b.top) a = Offset(a, 0, b.top - a.top);
    if (a.bottom > b.bottom) a = Offset(a, 0, b.bottom - a.bottom);
    return a;
}
R64 AlignTopLeft(R64 a, R64 b) { return Offset(a, b.left - a.left, b.top - a.top); }
R64 Centre(R64 a, R64 b) {
    const int64_t w = a.width(), h = a.height();
    const int64_t left = (b.left + b.right) / 2 - w / 2;
    const int64_t top = (b.top + b.bottom) / 2 - h / 2;
    return {top, left, top + h, left + w};
}
R64 Scale(R64 r, int64_t num, int64_t den) {
    if (den == 0) den = 1;
    return {r.top * num / den, r.left * num / den, r.bottom * num / den, r.right * num / den};
}
}  // namespace

VRect VRectfromQDrect(Rect r) { return NarrowV(Widen(r)); }
Rect QDRectfromVRect(VRect r) { return NarrowQ(Widen(r)); }
VRect ProduceVRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return {top, left, bottom, right};
}
void QevSetVRect(VRect* r, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (r) *r = ProduceVRect(left, top, right, bottom);
}
void QevSetRect(Rect* r, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (r) *r = NarrowQ({top, left, bottom, right});
}
bool SameQRects(const Rect* a, const Rect* b) {
    return a->top == b->top && a->left == b->left && a->bottom == b->bottom && a->right == b->right;
}
bool QevPtInRect(Point pt, const Rect* r) {
    return r && r->left <= pt.h && pt.h <= r->right && r->top <= pt.v && pt.v <= r->bottom;
}
bool OutOfBounds(const Rect* a, const Rect* b) {
    return !(b->left <= a->left && a->right <= b->right && b->top <= a->top && a->bottom <= b->bottom);
}
Rect* QWCopyRectA2B_Q(Rect* a, Rect* b) {
    *b = *a;
    return a;
}
void MacRect2QDRect(const Rect* a, Rect* b) { *b = *a; }
Rect* copyRectBtoA(Rect* a, const Rect* b) {
    *a = *b;
    return a;
}

void QevInsetRect(Rect* r, int32_t dh, int32_t dv) {
    if (r) *r = NarrowQ(Inset(Widen(*r), dh, dv));
}
void ShrinkRect_qev_Q(Rect* r, int32_t dh, int32_t dv) { QevInsetRect(r, dh, dv); }
Rect* QevOffsetRect(Rect* r, int32_t dh, int32_t dv) {
    if (r) *r = NarrowQ(Offset(Widen(*r), dh, dv));
    return r;
}
void SizeRectQ(Rect* r, int32_t width, int32_t height) { *r = NarrowQ(Resized(Widen(*r), width, height)); }
bool QevSectRect(const Rect* a, const Rect* b, Rect* out) {
    const R64 c = Intersect(Widen(*a), Widen(*b));
    *out = NarrowQ(c);
    return !Empty(c);
}
void ClipAAgainstB(Rect* a, const Rect* b) { *a = NarrowQ(Clip(Widen(*a), Widen(*b))); }
void EnlargeBToAccomodateA(const Rect* a, Rect* b) { *b = NarrowQ(Enlarge(Widen(*a), Widen(*b))); }
void LimitSizeOfBtoA(const Rect* a, Rect* b) { *b = NarrowQ(Limit(Widen(*a), Widen(*b))); }
void NudgeAIntoB(Rect* a, const Rect* b) { *a = NarrowQ(Nudge(Widen(*a), Widen(*b))); }
void AlignTopLeftCornerOfA2B(Rect* a, const Rect* b) { *a = NarrowQ(AlignTopLeft(Widen(*a), Widen(*b))); }
void CenterAonB_Q(Rect* a, const Rect* b) { *a = NarrowQ(Centre(Widen(*a), Widen(*b))); }
void ScaleRect_qev_Q(Rect* r, int64_t num, int64_t den) { *r = NarrowQ(Scale(Widen(*r), num, den)); }

VRect InsetVRect(VRect r, int32_t dh, int32_t dv) { return NarrowV(Inset(Widen(r), dh, dv)); }
VRect* ShrinkRect_qev_V(VRect* r, int32_t dh, int32_t dv) {
    *r = InsetVRect(*r, dh, dv);
    return r;
}
VRect OffsetVRect(VRect r, int32_t dh, int32_t dv) { return NarrowV(Offset(Widen(r), dh, dv)); }
VRect ResizedVRect(VRect r, int32_t width, int32_t height) { return NarrowV(Resized(Widen(r), width, height)); }
VRect IntersectVRects(VRect a, VRect b) { return NarrowV(Intersect(Widen(a), Widen(b))); }
VRect AClippedAgainstB(VRect a, VRect b) { return NarrowV(Clip(Widen(a), Widen(b))); }
VRect BEnlargedToAccomodateA(VRect a, VRect b) { return NarrowV(Enlarge(Widen(a), Widen(b))); }
VRect BLimitedToSizeOfA(VRect a, VRect b) { return NarrowV(Limit(Widen(a), Widen(b))); }
VRect ANudgedIntoB(VRect a, VRect b) { return NarrowV(Nudge(Widen(a), Widen(b))); }
VRect AAlignedToTopLeftCornerOfB(VRect a, VRect b) { return NarrowV(AlignTopLeft(Widen(a), Widen(b))); }
VRect TopLeftCornerAlignedTo00(VRect r) { return NarrowV(AlignTopLeft(Widen(r), R64{0, 0, 0, 0})); }
VRect ACenteredOnB_V(VRect a, VRect b) { return NarrowV(Centre(Widen(a), Widen(b))); }
void ScaleRect_qev_V(VRect* r, int64_t num, int64_t den) { *r = NarrowV(Scale(Widen(*r), num, den)); }
