// Pictures whose colours encode directions on the sphere: (x, y, z) in
// -1..1 as red, green and blue in 0..1.
#pragma once

#include <cmath>
#include <cstdint>

inline void EncodeDirection(const double d[3], float* c) {
    for (int i = 0; i < 3; ++i) c[i] = float(0.5 + 0.5 * d[i]);
    c[3] = 1.0f;
}

inline void DecodeDirection(const float* c, double d[3]) {
    double m = 0;
    for (int i = 0; i < 3; ++i) d[i] = 2.0 * c[i] - 1.0, m += d[i] * d[i];
    for (int i = 0; i < 3; ++i) d[i] /= std::sqrt(m);
}

// The direction input mode 1 reads at pixel (x, y) of a w x h picture (input
// positions run from the pixels' outer edges, so a pixel's centre is at
// (x + 0.5) / w).
inline void EquirectangularPixel(int64_t x, int64_t y, int64_t w, int64_t h, float* c) {
    const double lam = 2.0 * M_PI * (1.0 - (double(x) + 0.5) / w) - M_PI, t = M_PI * (double(y) + 0.5) / h;
    const double d[3] = {std::sin(t) * std::sin(lam), std::cos(t), std::sin(t) * std::cos(lam)};
    EncodeDirection(d, c);
}
