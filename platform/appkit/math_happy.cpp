#include "platform/appkit/math_happy.h"

#include <algorithm>
#include <cstdlib>

namespace MathHappy {

int64_t RandomRangeFrom_to(int64_t a, int64_t b) {
    const int64_t lo = std::min(a, b), hi = std::max(a, b);
    const uint64_t span = uint64_t(hi) - uint64_t(lo) + 1;
    // A full 64-bit span wraps to 0: any value will do.
    const uint64_t r = (uint64_t(arc4random()) << 32) | arc4random();
    return span == 0 ? int64_t(r) : int64_t(uint64_t(lo) + r % span);
}

double RandomRangeFloatFrom_to(double a, double b) {
    return double(RandomRangeFrom_to(int64_t(a * 10000.0), int64_t(b * 10000.0))) * 0.0001;
}

}  // namespace MathHappy
