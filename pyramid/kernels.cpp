#include "pyramid/kernels.h"

#include <cmath>

#include "pyramid/pyramid.h"

namespace {

constexpr double kPi = 3.141592653;
constexpr int kSubPositions = 20;

double Lanczos2(double x) {
    if (x == 0.0) return 1.0;
    if (!(x > -2.0 && x < 2.0)) return 0.0;
    const double a = kPi * x;
    const double b = a * 0.5;
    return (std::sin(a) / a) * (std::sin(b) / b);
}

float PhaseBase(int p) { return static_cast<float>(p * 0.0078125 - 2.0); }

// Stores five normalised taps of one phase in all four tables.
void StorePhase(sincType* k, int p, const float w[kKernelTaps]) {
    int64_t sum2048 = 0, sum32768 = 0;
    for (int tap = 0; tap < kKernelTaps; ++tap) {
        const int idx = tap * kKernelPhases + p;
        k->weights[idx] = w[tap];
        k->weightsCopy[idx] = w[tap];
        if (tap < kKernelTaps - 1) {
            k->weights2048[idx] = static_cast<int64_t>(w[tap] * 2048.0f);
            k->weights32768[idx] = static_cast<int64_t>(w[tap] * 32768.0f);
            sum2048 += k->weights2048[idx];
            sum32768 += k->weights32768[idx];
        }
    }
    const int last = (kKernelTaps - 1) * kKernelPhases + p;
    k->weights2048[last] = 2048 - sum2048;
    k->weights32768[last] = 32768 - sum32768;
}

}  // namespace

void initGaussianPyrTable_sinc(sincType* kernel) {
    if (!kernel) return;
    // Every pyramid starts with this table: it is worked out once and copied.
    static const sincType table = [] {
        sincType k{};
        for (int p = 0; p < kKernelPhases; ++p) {
            const float t = PhaseBase(p);
            float S[kKernelTaps] = {0, 0, 0, 0, 0};
            for (int j = 0; j < kSubPositions; ++j) {
                const float s = static_cast<float>(static_cast<double>(t) + j / -21.0);
                for (int tap = 0; tap < kKernelTaps; ++tap)
                    S[tap] = static_cast<float>(static_cast<double>(S[tap]) + Lanczos2(static_cast<double>(s) + tap));
            }
            const float inv = 1.0f / (S[0] + S[1] + S[2] + S[3] + S[4]);
            float w[kKernelTaps];
            for (int tap = 0; tap < 4; ++tap) w[tap] = inv * S[tap];
            w[4] = 1.0f - (w[3] + (w[2] + (w[0] + w[1])));
            StorePhase(&k, p, w);
        }
        return k;
    }();
    *kernel = table;
}

void initGaussianPyrTable(sincType* kernel) { initGaussianPyrTable_sinc(kernel); }

void initGaussianPyrTable_gauss(sincType* kernel) {
    if (!kernel) return;
    for (int p = 0; p < kKernelPhases; ++p) {
        const float x = PhaseBase(p) - 0.5f;
        float g[kKernelTaps];
        for (int k = 0; k < kKernelTaps; ++k) {
            float c = x + static_cast<float>(k);
            c = c < -2.0f ? -2.0f : (c > 2.0f ? 2.0f : c);
            g[k] = exp2f(-4.0f * c * c) - 1.5258789e-05f;
        }
        const float inv = 1.0f / (g[0] + g[1] + g[2] + g[3] + g[4]);
        float w[kKernelTaps];
        for (int k = 0; k < 4; ++k) w[k] = g[k] * inv;
        w[4] = 1.0f - (w[0] + w[1] + w[2] + w[3]);
        StorePhase(kernel, p, w);
    }
}

void initGaussianPyrTable_switchable(sincType* kernel, int64_t mode) {
    if (mode == 0) initGaussianPyrTable_sinc(kernel);
    else if (mode == 1) initGaussianPyrTable_gauss(kernel);
}

namespace {

// The footprint in level-0 pixels: the mean over both neighbours of the larger
// of the x and y distances, each taken the shorter way round the picture.
float FootprintPixels(const PyramidDescriptor* pyr, float ax, float ay, float bx, float by, float cx,
                      float cy) {
    auto extent = [&](float nx, float ny) {
        float dx = std::fabs(cx - nx), dy = std::fabs(cy - ny);
        if (dx > 0.5f) dx = 1.0f - dx;
        if (dy > 0.5f) dy = 1.0f - dy;
        const float mx = dx * static_cast<float>(pyr->width[0]);
        const float my = dy * static_cast<float>(pyr->height[0]);
        return mx > my ? mx : my;
    };
    return (extent(ax, ay) + extent(bx, by)) * 0.5f;
}

float LevelFromFootprint(const PyramidDescriptor* pyr, float f) {
    if (!(f > 1.0f)) return 0.0f;
    const float level = std::log2(f);
    const float top = static_cast<float>(pyr->topLevel);
    return level < top ? level : top;
}

}  // namespace

int64_t DetermineCheapBlur(const PyramidDescriptor* pyr, CheapBlurMemo* memo, float ax, float ay,
                           float bx, float by, float cx, float cy, float sharpen) {
    if (ax == -1.0f || memo->reuse == 1) {
        const float l = memo->level;
        return (l > 0.0f && l < 64.0f) ? static_cast<int64_t>(l) : 0;
    }
    const float f = FootprintPixels(pyr, ax, ay, bx, by, cx, cy);
    if (!(f > 1.0f)) {
        memo->level = 0.0f;
        return 0;
    }
    const float v = (1.0f - sharpen * 0.5f) * f;
    int64_t level = v >= 1.0f ? integerLog2(v) : 0;
    if (level > pyr->cheapTopLevel) level = pyr->cheapTopLevel;
    if (level < 0) level = 0;
    memo->level = static_cast<float>(level);
    return level;
}

float DetermineCheapBlurFloat(const PyramidDescriptor* pyr, float ax, float ay, float bx, float by,
                              float cx, float cy) {
    if (ax == -1.0f) return 0.0f;
    return LevelFromFootprint(pyr, FootprintPixels(pyr, ax, ay, bx, by, cx, cy));
}

float DetermineCheapBlurFloat2(const float* footprint, const PyramidDescriptor* pyr) {
    const float ma = footprint[6] > footprint[7] ? footprint[6] : footprint[7];
    const float mb = footprint[8] > footprint[9] ? footprint[8] : footprint[9];
    return LevelFromFootprint(pyr, (ma + mb) * 0.5f);
}

int64_t RoundUpToPowerOfTwo(int64_t n) {
    int64_t p = 1;
    while (p < n && p < (int64_t{1} << 62)) p <<= 1;
    return p;
}

float log2approximation(float f) {
    if (!(f > 1.0f)) return 0.0f;
    const uint32_t bits = float_bits(f);
    const float m = static_cast<float>(bits & 0x7FFFFF) * 1.1920929e-7f;
    const float E = static_cast<float>((bits >> 23) & 255);
    return -0.4f * (m - 0.5f) * (m - 0.5f) + m + (E - 126.9f);
}

float log2_for_small_integer_inputs(int64_t n) {
    if (n <= 1) return 0.0f;
    return std::log2(static_cast<float>(n));
}

uint8_t make8from32f_for_little_previews(float f) {
    if (!(f > 0.0f)) return 0;
    if (f > 65535.0f) f = 65535.0f;
    const float v = std::sqrt(f) * 255.0f;
    return v >= 255.0f ? 255 : static_cast<uint8_t>(v);
}
