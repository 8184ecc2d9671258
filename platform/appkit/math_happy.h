// MathHappy: sizes, frames, random numbers and point arithmetic for the
// dialog and the file layer. Random numbers come from arc4random. Sizes,
// points and rectangles are Core Graphics records (rectangles: origin and
// size, y upward as AppKit draws).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/cg_geometry.h"

namespace MathHappy {

// Unchanged when both sides are below limit; else scaled so that the longer
// side (the width when strictly larger, else the height) equals limit.
CGSize snuggle_toBeNotLargerThan(CGSize size, double limit);
// Both sides × s / the shorter (longer) side; a zero side leaves the size.
CGSize snuggle_soShortSideIs(CGSize size, double s);
CGSize snuggle_soLongSideIs(CGSize size, double s);
// A rect of size centred on rect's middle in whole units.
CGRect centerA_on(CGSize size, CGRect rect);

// 0, 0.001, ..., 0.999.
double getRandom1();
// 2 × (the sum of four getRandom1 − 2): in [−4, 4).
double getRandomGaussianDistributed();
// A uniform integer between a and b, both included, in either order.
int64_t RandomRangeFrom_to(int64_t a, int64_t b);
int64_t RandomSInt64();
bool yesno();
// RandomRangeFrom_to over a and b in steps of 0.0001.
double RandomRangeFloatFrom_to(double a, double b);

CGPoint gapFrom_to(CGPoint a, CGPoint b);
CGPoint midpointOf_andd(CGPoint a, CGPoint b);
CGPoint point_scaledBy(CGPoint a, double s);
CGPoint sumOf_andd(CGPoint a, CGPoint b);
double distanceBetween_andd(CGPoint a, CGPoint b);
// π/2 − atan2(a.x − b.x, a.y − b.y).
double angleBetween_andd(CGPoint a, CGPoint b);
inline CGPoint pointFrom(CGPoint p) { return p; }
// fract(float(sin(x × 12.9898) × 43758.5453)).
double GLSLrand(double x);

// The frame of an image of imageSize fitted into a view of viewSize,
// proportions kept, centred across the free direction.
CGRect frameForImageCore_inImageViewAspectFit(CGSize imageSize, CGSize viewSize);
// The aspect-fit frame of size in rect's size, centred on rect.
CGRect aspectFit_within(CGSize size, CGRect rect);

}  // namespace MathHappy

// NSArray(Random): a uniformly chosen element, or null for an empty list.
template <typename T>
const T* randomObject(const std::vector<T>& list) {
    if (list.empty()) return nullptr;
    return &list[MathHappy::RandomRangeFrom_to(0, int64_t(list.size()) - 1)];
}
