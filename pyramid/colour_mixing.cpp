#include "pyramid/colour_mixing.h"

#include <cmath>

namespace {

// Luma weights of the excess light; they sum to 1.
constexpr float kExcessRed = 0.3f, kExcessGreen = 0.59f, kExcessBlue = 0.11f;
constexpr float kInv255 = 0.003921568627451f;
constexpr int64_t kOrientEntries = 360;

float Root(float c) { return c > 0.0f ? std::sqrt(c) : 0.0f; }

int64_t TruncateToInt(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 9.0e18f) return INT64_MAX;
    return static_cast<int64_t>(v);
}

}  // namespace

void AGetsSquareRGBLerpBC(float R[4], const float X[4], const float Y[4], float t) {
    for (int k = 0; k < 3; ++k) {
        const float x = Root(X[k]), y = Root(Y[k]);
        const float m = x + t * (y - x);
        R[k] = m * m;
    }
}

void CorralBrightness(float rgb[3]) {
    for (int k = 0; k < 3; ++k)
        if (!(rgb[k] > 0.0f)) rgb[k] = 0.0f;
    float M = rgb[0];
    if (rgb[1] > M) M = rgb[1];
    if (rgb[2] > M) M = rgb[2];
    if (!(M > 1.0f)) return;
    auto over = [](float c) { return c > 1.0f ? c - 1.0f : 0.0f; };
    const float e = kExcessRed * over(rgb[0]) + kExcessGreen * over(rgb[1]) + kExcessBlue * over(rgb[2]);
    float w = 2.0f * e;
    if (w > 1.0f) w = 1.0f;
    for (int k = 0; k < 3; ++k) {
        const float c = rgb[k] / M;
        rgb[k] = c + w * (1.0f - c);
    }
}

void CorralBrightnessMAXIMUM(int64_t* r, int64_t* g, int64_t* b, float outScale, float inScale) {
    float c[3] = {static_cast<float>(*r) * inScale, static_cast<float>(*g) * inScale, static_cast<float>(*b) * inScale};
    CorralBrightness(c);
    *r = TruncateToInt(c[0] * outScale);
    *g = TruncateToInt(c[1] * outScale);
    *b = TruncateToInt(c[2] * outScale);
}

void CorralBrightness255(int64_t* r, int64_t* g, int64_t* b) { CorralBrightnessMAXIMUM(r, g, b, 255.0f, kInv255); }
