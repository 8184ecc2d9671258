#include "shell/tile_copies.h"

#include <cmath>
#include <cstring>

#include "shell/FilterBigDocument.h"
#include "shell/plugin_globals.h"

namespace {

// Alpha just short of 1 after filtering still counts as opaque.
constexpr float kAlphaBoost = 1.007f;

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

void StoreSample(uint8_t* p, int32_t depth, float unit) {
    if (depth == 8) {
        *p = uint8_t(Clamp01(unit) * 255.0f);
    } else if (depth == 16) {
        uint16_t v = uint16_t(Clamp01(unit) * 32768.0f);
        std::memcpy(p, &v, 2);
    } else {
        std::memcpy(p, &unit, 4);
    }
}

}  // namespace

void GrabTestPatternColor(int64_t x, int64_t y, float* colour) {
    colour[0] = float(((x + y / 3) % 256 + 256) % 256) / 255.0f;
    double g = 0.05 * std::sqrt(double(x) * double(x) + double(y) * double(y));
    colour[1] = float(g - std::floor(g));
    colour[2] = float(((3 * x + 251 * y) % 256 + 256) % 256) / 255.0f;
    colour[3] = 1.0f;
}

void WriteColourToHostOutput(int64_t x, int64_t y, const float* colour, const VRect& tile) {
    auto* out = static_cast<uint8_t*>(GetOutData());
    if (!out) return;
    const VRect outRect = GetOutRect();
    const int64_t dx = x - tile.left, dy = y - tile.top;
    if (dx < 0 || dy < 0 || dx >= int64_t(tile.right) - tile.left || dy >= int64_t(tile.bottom) - tile.top) return;
    if (dx >= int64_t(outRect.right) - outRect.left || dy >= int64_t(outRect.bottom) - outRect.top) return;
    const int32_t depth = GetDepth();
    const int32_t bytes = depth / 8;
    const bool floatDestination = depth == 32;
    float r = colour[0], g = colour[1], b = colour[2], a = colour[3];
    if (!floatDestination) a *= kAlphaBoost;
    a = Clamp01(a);
    if (r < 0.0f) r = 0.0f;
    if (g < 0.0f) g = 0.0f;
    if (b < 0.0f) b = 0.0f;
    if (IsGreyscale_call()) r = g = b = 0.59f * g + 0.3f * r + 0.11f * b;
    uint8_t* pixel = out + dy * int64_t(GetOutRowBytes()) + dx * int64_t(Get_dstStride()) * bytes;
    if (GetPlanes() < 3) {
        StoreSample(pixel, depth, g);
    } else {
        StoreSample(pixel, depth, r);
        StoreSample(pixel + bytes, depth, g);
        StoreSample(pixel + 2 * bytes, depth, b);
    }
    if (GetDissolveTransparency()) StoreSample(pixel + int64_t(Get_inLayerPlanes()) * bytes, depth, a);
}

void WriteTestPatternTile(const VRect& tile) {
    SetAutoMask(false);
    float colour[4];
    for (int64_t y = tile.top; y < tile.bottom; y++)
        for (int64_t x = tile.left; x < tile.right; x++) {
            GrabTestPatternColor(x, y, colour);
            WriteColourToHostOutput(x, y, colour, tile);
        }
}
