// The kaleidoscope's mirrors (output mode 899): 150 segments drawn from the
// random seed setting, kept in the work area between renders.
#pragma once

#include <cstdint>

constexpr int kMirrorCount = 150;

// A cleared table (drawn = 0) is not drawn yet; the render's preparation
// draws it, and draws it anew whenever the seed setting differs from `seed`.
struct MirrorTable {
    double a[kMirrorCount][2];  // segment starts, -6.4..6.3875
    double b[kMirrorCount][2];  // segment ends
    int32_t seed;               // the setting the mirrors were drawn for
    uint8_t drawn;              // 0: not drawn yet
};
