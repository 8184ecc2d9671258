#include "common/rectangles.h"

#include <algorithm>

// Every operation is written once over 64-bit fields and narrowed to the
// rectangle's own width at the end, so both forms share the same rules.
namespace {
struct R64 {
    int64_t top, left, bottom, right;
};
}  // namespace
