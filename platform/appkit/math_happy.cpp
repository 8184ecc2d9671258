#include "platform/appkit/math_happy.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace MathHappy {

CGSize snuggle_toBeNotLargerThan(CGSize s, double limit) {
    if (s.width < limit && s.height < limit) return s;
    if (s.width > s.height) return {limit, s.height * limit / s.width};
    if (s.height == 0.0) return s;
    return {s.width * limit / s.height, limit};
}

CGSize snuggle_soShortSideIs(CGSize s, double side) {
    const double shorter = std::min(s.width, s.height);
    if (shorter == 0.0) return s;
    return {s.width * side / shorter, s.height * side / shorter};
}

CGSize snuggle_soLongSideIs(CGSize s, double side) {
    const double longer = std::max(s.width, s.height);
    if (longer == 0.0 || s.width == 0.0 || s.height == 0.0) return s;
    return {s.width * side / longer, s.height * side / longer};
}

CGRect centerA_on(CGSize size, CGRect rect) {
    const int64_t midX = int64_t(rect.origin.x + rect.size.width / 2.0);
    const int64_t midY = int64_t(rect.origin.y + rect.size.height / 2.0);
    return {{double(midX - int64_t(size.width) / 2), double(midY - int64_t(size.height) / 2)}, size};
}

double getRandom1() { return double(arc4random() % 1000) * 0.001; }

double getRandomGaussianDistributed() {
    return 2.0 * (getRandom1() + getRandom1() + getRandom1() + getRandom1() - 2.0);
}

int64_t RandomRangeFrom_to(int64_t a, int64_t b) {
    const int64_t lo = std::min(a, b), hi = std::max(a, b);
    const uint64_t span = uint64_t(hi) - uint64_t(lo) + 1;
    // A full 64-bit span wraps to 0: any value will do.
    const uint64_t r = (uint64_t(arc4random()) << 32) | arc4random();
    return span == 0 ? int64_t(r) : int64_t(uint64_t(lo) + r % span);
}

int64_t RandomSInt64() { return int64_t((uint64_t(arc4random()) << 32) | arc4random()); }

bool yesno() { return RandomRangeFrom_to(0, 1) != 0; }

double RandomRangeFloatFrom_to(double a, double b) {
    return double(RandomRangeFrom_to(int64_t(a * 10000.0), int64_t(b * 10000.0))) * 0.0001;
}

CGPoint gapFrom_to(CGPoint a, CGPoint b) { return {b.x - a.x, b.y - a.y}; }
CGPoint midpointOf_andd(CGPoint a, CGPoint b) { return {(a.x + b.x) / 2.0, (a.y + b.y) / 2.0}; }
CGPoint point_scaledBy(CGPoint a, double s) { return {a.x * s, a.y * s}; }
CGPoint sumOf_andd(CGPoint a, CGPoint b) { return {a.x + b.x, a.y + b.y}; }
double distanceBetween_andd(CGPoint a, CGPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }
double angleBetween_andd(CGPoint a, CGPoint b) { return M_PI / 2.0 - std::atan2(a.x - b.x, a.y - b.y); }

double GLSLrand(double x) {
    const float v = float(std::sin(x * 12.9898) * 43758.5453);
    return double(v - std::floor(v));
}

CGRect frameForImageCore_inImageViewAspectFit(CGSize image, CGSize view) {
    if (image.width <= 0.0 || image.height <= 0.0 || view.height <= 0.0) return {{0, 0}, {0, 0}};
    const float imageRatio = float(image.width / image.height), viewRatio = float(view.width / view.height);
    if (imageRatio < viewRatio) {
        const double w = image.width * view.height / image.height;
        return {{(view.width - w) / 2.0, 0.0}, {w, view.height}};
    }
    const double h = image.height * view.width / image.width;
    return {{0.0, (view.height - h) / 2.0}, {view.width, h}};
}

CGRect aspectFit_within(CGSize size, CGRect rect) {
    return centerA_on(frameForImageCore_inImageViewAspectFit(size, rect.size).size, rect);
}

}  // namespace MathHappy
