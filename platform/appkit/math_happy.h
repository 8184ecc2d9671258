// MathHappy: random numbers for the dialog, from arc4random.
#pragma once

#include <cstdint>

namespace MathHappy {

// A uniform integer between a and b, both included, in either order.
int64_t RandomRangeFrom_to(int64_t a, int64_t b);
// RandomRangeFrom_to over a and b in steps of 0.0001.
double RandomRangeFloatFrom_to(double a, double b);

}  // namespace MathHappy
