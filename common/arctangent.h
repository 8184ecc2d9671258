// The single-precision arctangents every sample of a map with an
// equirectangular side takes, inline: a call into the C library costs a third
// of their time. The algorithm is the classic single-precision one (the
// reduction of |x| to one of five intervals, an odd polynomial in float, the
// interval's angle in a high and a low part) with its constants to the bit,
// so that the answers are those of the C library that uses it, and the same
// on every platform.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

// atan(x) in single precision.
inline float ArcTangentSingle(float x) {
    static constexpr uint32_t kHi[4] = {0x3eed6338u, 0x3f490fdau, 0x3f7b985eu, 0x3fc90fdau};
    static constexpr uint32_t kLo[4] = {0x31ac3769u, 0x33222168u, 0x33140fb4u, 0x33a22168u};
    const uint32_t hx = std::bit_cast<uint32_t>(x), ix = hx & 0x7fffffffu;
    if (ix >= 0x4c000000u) {
        if (ix > 0x7f800000u) return x + x;
        const float a = std::bit_cast<float>(kHi[3]) + std::bit_cast<float>(kLo[3]);
        return (hx >> 31) ? -a : a;
    }
    int id;
    if (ix < 0x3ee00000u) {
        if (ix < 0x31000000u) return x;
        id = -1;
    } else {
        x = std::fabs(x);
        if (ix < 0x3f980000u) {
            if (ix < 0x3f300000u) id = 0, x = (2.0f * x - 1.0f) / (2.0f + x);
            else id = 1, x = (x - 1.0f) / (x + 1.0f);
        } else if (ix < 0x401c0000u) {
            id = 2, x = (x - 1.5f) / (1.0f + 1.5f * x);
        } else {
            id = 3, x = -1.0f / x;
        }
    }
    const float z = x * x, w = z * z;
    const float s1 = z * (std::bit_cast<float>(0x3eaaaaabu) +
                          w * (std::bit_cast<float>(0x3e124925u) +
                               w * (std::bit_cast<float>(0x3dba2e6eu) +
                                    w * (std::bit_cast<float>(0x3d886b35u) +
                                         w * (std::bit_cast<float>(0x3d4bda59u) + w * std::bit_cast<float>(0x3c8569d7u))))));
    const float s2 = w * (-std::bit_cast<float>(0x3e4ccccdu) +
                          w * (-std::bit_cast<float>(0x3de38e38u) +
                               w * (-std::bit_cast<float>(0x3d9d8795u) +
                                    w * (-std::bit_cast<float>(0x3d6ef16bu) + w * std::bit_cast<float>(0xbd15a221u)))));
    if (id < 0) return x - x * (s1 + s2);
    const float r = std::bit_cast<float>(kHi[id]) - ((x * (s1 + s2) - std::bit_cast<float>(kLo[id])) - x);
    return (hx >> 31) ? -r : r;
}
// atan2(y, x) in single precision; the rare cases (a zero, infinite or NaN
// argument, a quotient beyond 2^60) go to the library.
inline float ArcTangent2Single(float y, float x) {
    const uint32_t hx = std::bit_cast<uint32_t>(x), hy = std::bit_cast<uint32_t>(y);
    const uint32_t ix = hx & 0x7fffffffu, iy = hy & 0x7fffffffu;
    const int32_t k = int32_t(iy - ix) >> 23;
    if (ix == 0 || iy == 0 || ix >= 0x7f800000u || iy >= 0x7f800000u || k > 60 || k < -60) return std::atan2(y, x);
    const float z = hx == 0x3f800000u ? std::fabs(ArcTangentSingle(y)) : ArcTangentSingle(std::fabs(y / x));
    constexpr float kPi = std::bit_cast<float>(0x40490fdbu), kPiLo = std::bit_cast<float>(0x33bbbd2eu);
    if (!(hx >> 31)) return (hy >> 31) ? -z : z;
    return (hy >> 31) ? (z + kPiLo) - kPi : kPi - (z + kPiLo);
}
