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
