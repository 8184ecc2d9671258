// Resampling kernels carried by every pyramid, the level choice from a
// sample's footprint, and the small numeric helpers around them.
#pragma once

#include <cstdint>
#include <cstring>

struct sincType;
struct PyramidDescriptor;

// Lanczos-2 averaged over sub-positions (the default kernel).
void initGaussianPyrTable_sinc(sincType* kernel);
void initGaussianPyrTable(sincType* kernel);
// A narrow Gaussian that reaches exactly 0 at distance 2.
void initGaussianPyrTable_gauss(sincType* kernel);
// mode 0 sinc, 1 Gaussian; any other mode leaves the kernel as it is.
void initGaussianPyrTable_switchable(sincType* kernel, int64_t mode);

// The last level chosen, reused while `reuse` is 1.
struct CheapBlurMemo {
    float level;
    int32_t reuse;
};

// (cx, cy) the sample, (ax, ay) and (bx, by) two neighbouring samples, all unit
// positions; ax == -1 means no neighbour is known.
int64_t DetermineCheapBlur(const PyramidDescriptor* pyr, CheapBlurMemo* memo, float ax, float ay,
                           float bx, float by, float cx, float cy, float sharpen);
float DetermineCheapBlurFloat(const PyramidDescriptor* pyr, float ax, float ay, float bx, float by,
                              float cx, float cy);
// footprint[6..9] hold two pairs of extents in level-0 pixels.
float DetermineCheapBlurFloat2(const float* footprint, const PyramidDescriptor* pyr);

int64_t RoundUpToPowerOfTwo(int64_t n);
float log2approximation(float f);
float log2_for_small_integer_inputs(int64_t n);
uint8_t make8from32f_for_little_previews(float f);

inline uint32_t float_bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

inline int64_t integerLog2(float f) { return static_cast<int64_t>((float_bits(f) >> 23) & 255) - 127; }

inline uint8_t make8from32f(float f) {
    // Compared in floating point first so NaN and huge values convert safely.
    if (!(f > 0.0f)) return 0;
    float v = f * 255.0f;
    return v >= 255.0f ? 255 : static_cast<uint8_t>(v);
}
