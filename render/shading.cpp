#include "render/shading.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "records/TransformationReply.h"
#include "records/output_modes.h"
#include "records/vort.h"
#include "render/marble_ramps.h"
#include "render/overlays.h"
#include "render/reply_grid.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kRegionLitSurface = -7;
constexpr int32_t kRegionSecondSurface = -9;
constexpr int32_t kRegionCleared = -21;
constexpr int32_t kRegionBackdropBelow = -10000;
constexpr int32_t kRegionSpecialBackdrop = -499;

// Settings this build has no control for: a lighting option with no
// special case, half a stripe across the cosine-falloff map (one cosine
// lobe from its top to its bottom), and the region-colour switches off.
constexpr long kLightingOption = 0;
constexpr double kStripeFrequency = 0.5;
constexpr float kStripeScale = 1.0f;
constexpr bool kRegionColourSwitches[3] = {false, false, false};

constexpr float kLight1[3] = {0.54f, 0.42f, 0.7293833f};
constexpr float kLight2[3] = {-0.48f, 0.66f, -0.5779273f};
constexpr float kBlobLight1[3] = {0.0f, 0.7071f, 0.7071f};
constexpr float kBlobLight2[3] = {-0.48f, -0.66f, -0.5779273f};

// Glass: the relative index 1.58, and (1/1.58)^2 = 0.40057683.
constexpr float kGlassIndex = 1.58f;
constexpr float kInverseIndexSquared = 0.40057683f;
constexpr float kFresnelFromBehind = 0.3364f;

constexpr uint8_t kBrickColours[13][3] = {{255, 255, 255}, {50, 50, 50},    {0, 0, 255},     {0, 150, 80},
                                          {255, 0, 0},     {250, 250, 250}, {255, 223, 0},   {210, 210, 210},
                                          {128, 128, 128}, {102, 51, 0},    {203, 149, 137}, {204, 170, 102},
                                          {139, 172, 150}};

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void Reflect(const float v[3], const float n[3], float r[3]) {
    const float k = 2.0f * Dot(v, n);
    for (int i = 0; i < 3; ++i) r[i] = v[i] - k * n[i];
}

void Normalise(float v[3]) {
    const float m = std::sqrt(Dot(v, v));
    if (m > 0.0f) {
        for (int i = 0; i < 3; ++i) v[i] /= m;
    } else {
        v[0] = v[1] = 0.0f, v[2] = 1.0f;
    }
}

// Steps 1-7: two lights on marble ramps, highlights and the sky's Fresnel
// reflection.
void LightTheGlobe(const vort* c, float colour[4], const TransformationReply* reply, int kind) {
    float n[3] = {reply->surfaceNormal[0], reply->surfaceNormal[1], reply->surfaceNormal[2]};
    Normalise(n);
    const float* v = reply->viewDirection;
    float r[3] = {n[0], n[1], n[2]};
    if (c->outputMode == 348 || c->outputMode == 350) Reflect(v, n, r);
    float L1[3] = {kLight1[0], kLight1[1], kLight1[2]}, L2[3] = {kLight2[0], kLight2[1], kLight2[2]};
    if (kind == 2) L1[1] = -L1[1], L2[1] = -L2[1];
    auto lighting = [&](const float L[3]) {
        // Rounding pushes n·L past ±1: clamped before acos.
        return 1.0f - float(std::acos(std::clamp(Dot(n, L), -1.0f, 1.0f)) / (kPi / 2.0));
    };
    const float a1 = lighting(L1), a2 = lighting(L2);
    const float mr1 = Marblize(marbleness_r, a1), mr2 = Marblize(marbleness_r, a2);
    const float mg1 = Marblize(marbleness_g, a1), mg2 = Marblize(marbleness_g, a2);
    const float mb1 = Marblize(marbleness_b, a1), mb2 = Marblize(marbleness_b, a2);
    const float h1 = 0.7f * std::pow(std::max(0.0f, (Dot(r, L1) - 0.99f) * 100.0f), 5.0f);
    const float h2 = 0.7f * std::pow(std::max(0.0f, (Dot(r, L2) - 0.99f) * 100.0f), 5.0f);
    colour[0] = h1 + h2 + colour[0] * ((mr1 + (1.0f - mr1) * mr2) * 0.76f + 0.24f);
    colour[1] = h1 + h2 + colour[1] * ((mg1 + (1.0f - mg1) * mg2) * 0.76f + 0.24f);
    colour[2] = h1 + 1.7f * h2 + colour[2] * ((mb1 + (1.0f - mb1) * mb2 * 1.7f) * 0.76f + 0.24f);
    const float f = GetFresnel(n, v);
    float sky[3];
    get_enviroramp(r[1], sky);
    for (int i = 0; i < 3; ++i) colour[i] += f * (0.5f * sky[i] - colour[i]);
}

}  // namespace

// ---------------------------------------------------------------- pieces

const int64_t sky8bit[21][3] = {{49, 107, 156},  {51, 113, 162},  {70, 133, 176},  {86, 144, 185},  {109, 159, 196},
                                {135, 178, 211}, {162, 196, 225}, {189, 214, 238}, {208, 226, 243}, {220, 232, 245},
                                {218, 226, 240}, {200, 200, 202}, {168, 166, 158}, {137, 132, 119}, {113, 107, 92},
                                {94, 88, 72},    {72, 67, 54},    {50, 46, 37},    {30, 27, 22},    {13, 11, 10},
                                {13, 11, 10}};

int lighting_setup_for_output_mode(long m) {
    switch (m) {
        case 139: case 143: case 342: case 348: case 350: case 361: case 365: return 1;
        case 344: case 363: case 367: return 2;
        default: return 0;
    }
}

float GetFresnel(const float normal[3], const float view[3]) {
    const float c = -Dot(normal, view);
    if (!(c > 0.0f)) return kFresnelFromBehind;
    const float g = c / kGlassIndex;
    const float h = std::sqrt(g * g + 1.0f - kInverseIndexSquared);
    const float p = h - g, q = g + h;
    const float s = (q * g - kInverseIndexSquared) / (p * g + kInverseIndexSquared);
    return 0.5f * (p / q) * (p / q) * (1.0f + s * s);
}

float Marblize(const float* table, float a) {
    a = std::clamp(a, -1.0f, 1.0f);
    const float x = (1.0f - a) * 100.0f;
    const int i = std::clamp(int(std::floor(x)), 0, 200);
    return table[i] + (table[std::min(i, 199) + 1] - table[i]) * (x - float(i));
}

void get_enviroramp_core(float y, const int64_t table[21][3], float rgb[3]) {
    y = std::clamp(std::isnan(y) ? 0.0f : y, -1.0f, 1.0f);
    const float t = (1.0f - y) * 10.0f;
    const int j = std::clamp(int(std::floor(t)), 0, 20);
    const int k = std::min(j, 19) + 1;
    for (int i = 0; i < 3; ++i)
        rgb[i] = (float(table[j][i]) + (float(table[k][i]) - float(table[j][i])) * (t - float(j))) / 255.0f;
}

void get_enviroramp(float y, float rgb[3]) { get_enviroramp_core(y, sky8bit, rgb); }

float dashfunction(float x, float y, float angle) {
    const float t = (x * std::cos(angle) - y * std::sin(angle)) / 12.0f;
    const float p = (t - std::floor(t)) * 12.0f;
    return std::clamp(p <= 3.0f ? p : 6.0f - p, 0.0f, 1.0f);
}

void GetFacedexColor(int64_t index, float colour[4]) {
    const int64_t k = index + 1;
    colour[0] = float(((20 * k) % 256 + 256) % 256 & ~int64_t(3)) / 255.0f;
    colour[1] = float(((37 * k) % 256 + 256) % 256) / 255.0f;
    colour[2] = float(((49 * k) % 256 + 256) % 256) / 255.0f;
    colour[3] = 1.0f;
}

void GetLightFacedexColor(int64_t index, float colour[4]) {
    GetFacedexColor(index, colour);
    for (int i = 0; i < 3; ++i) colour[i] = 0.1f + 0.9f * (1.0f - (1.0f - colour[i]) * (1.0f - colour[i]));
}

// ---------------------------------------------------------------- globes

void fix_diffuse_for_blobs(int64_t x, int64_t y, const vort* c, const TransformationReply* reply, float n[3]) {
    for (int i = 0; i < 3; ++i) n[i] = reply->surfaceNormal[i];
    if (!reply->smoothNormal) return;
    const TransformationReply k[4] = {GetReply(x, y, c), GetReply(x + 1, y, c), GetReply(x, y + 1, c),
                                      GetReply(x + 1, y + 1, c)};
    auto sum = [&](std::initializer_list<int> which) {
        for (int i = 0; i < 3; ++i) n[i] = 0.0f;
        for (int w : which)
            for (int i = 0; i < 3; ++i) n[i] += k[w].surfaceNormal[i];
    };
    const bool all = k[0].place == k[1].place && k[0].place == k[2].place && k[0].place == k[3].place;
    if (all) sum({0, 1, 2, 3});
    else if (k[0].place == k[3].place) sum({0, 3});
    else if (k[1].place == k[2].place) sum({1, 2});
    else {
        for (int i = 0; i < 3; ++i) n[i] = k[3].surfaceNormal[i];
        const TransformationReply far = GetReply(x + 2, y + 2, c);
        if (far.place == k[3].place)
            for (int i = 0; i < 3; ++i) n[i] += 0.5f * (k[3].surfaceNormal[i] - far.surfaceNormal[i]);
    }
    if (n[0] == 0.0f && n[1] == 0.0f && n[2] == 0.0f) n[2] = 1.0f;
    else Normalise(n);
}

namespace {

void GenericMarbleWithNormal(float colour[4], const TransformationReply* reply, const float n[3], const float L1[3],
                             const float L2[3], float strength) {
    const float d1 = std::clamp(Dot(n, L1), 0.0f, 1.0f), d2 = std::clamp(Dot(n, L2), 0.0f, 1.0f);
    const float s = reply->diffuse;
    float r[3];
    Reflect(reply->viewDirection, n, r);
    colour[0] = colour[0] * colour[0] * (0.24f + d1 * s + 0.16f * d2);
    colour[1] = colour[1] * colour[1] * (0.24f + d1 * s + 0.16f * d2);
    colour[2] = colour[2] * colour[2] * (0.24f + d1 * s + 0.32f * d2);
    const float f = GetFresnel(n, reply->viewDirection);
    float sky[3];
    get_enviroramp(r[1], sky);
    for (int i = 0; i < 3; ++i) colour[i] += f * (0.2f * sky[i] - colour[i]);
    const float e1 = std::max(0.0f, (Dot(r, L1) - 0.99f) * 100.0f) * s;
    const float e2 = std::max(0.0f, (Dot(r, L2) - 0.99f) * 100.0f);
    const float k1 = 0.7f * strength * std::pow(e1, 4.0f), k2 = 0.7f * strength * std::pow(e2, 4.0f);
    colour[0] += k1 + 0.16f * k2;
    colour[1] += k1 + 0.16f * k2;
    colour[2] += k1 + 0.32f * k2;
    for (int i = 0; i < 3; ++i) colour[i] = std::pow(std::max(colour[i], 0.0f), 0.4f);
}

}  // namespace

void MellifyGenericMarble(const vort*, float colour[4], int64_t, int64_t, const TransformationReply* reply,
                          const float light1[3], const float light2[3], float strength) {
    GenericMarbleWithNormal(colour, reply, reply->surfaceNormal, light1, light2, strength);
}

void MellifyMetaglobe(const vort* c, float colour[4], int64_t x, int64_t y, const TransformationReply* reply) {
    float n[3];
    fix_diffuse_for_blobs(x, y, c, reply, n);
    GenericMarbleWithNormal(colour, reply, n, kBlobLight1, kBlobLight2, 1.0f);
}

void MellifyFerguson(const vort* c, float colour[4], int64_t x, int64_t y, const TransformationReply* reply) {
    const int32_t region = reply->place;
    if (region == kPlaceNoDirection) {
        colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
        return;
    }
    if (region >= 2 && region <= 5) {
        MellifyGenericMarble(c, colour, x, y, reply, kBlobLight1, kBlobLight2, 0.2f);
        return;
    }
    if (region == 1 || region == 7) {
        std::memcpy(colour, c->backdropColour, 3 * sizeof(float));
        colour[3] = 1.0f;
        const float k = std::clamp(Dot(reply->surfaceNormal, kBlobLight1), 0.0f, 1.0f) +
                        0.2f * std::clamp((Dot(reply->surfaceNormal, kBlobLight2) + 1.0f) * 0.5f, 0.0f, 1.0f);
        for (int i = 0; i < 3; ++i) colour[i] = std::sqrt(colour[i] * colour[i] * k);
    }
}

// ---------------------------------------------------------------- steps

void ApplyLinework(int64_t x, int64_t y, float colour[4], const vort* c, const TransformationReply* reply) {
    if (!c || !reply || c->gridSetting < 2 || c->gridSetting > 7) return;
    const float d = std::clamp(derivative_grid_hybrid(reply, x, y, c), 0.0f, 1.0f);
    // The line's weight per pixel of a reduced preview is the full size's.
    const float w = 0.5f * d / float(std::max<int64_t>(c->scale, 1));
    if (w > 0.0f)
        for (int i = 0; i < 3; ++i) colour[i] += w * (c->overlayColour[i] - colour[i]);
}

void ApplyMelFX(int64_t x, int64_t y, float colour[4], const vort* c, const TransformationReply* reply) {
    if (!c || !reply) return;
    const long m = c->outputMode;
    const int32_t region = reply->place;
    const int kind = lighting_setup_for_output_mode(m);
    if (kind && region == kRegionLitSurface) LightTheGlobe(c, colour, reply, kind);
    if (kLightingOption == 26 && region == kRegionLitSurface) colour[3] *= reply->shade;
    if (m == 301 && reply->regionKind == 1 && region < kRegionSpecialBackdrop) {
        std::memcpy(colour, c->backdropColour, 3 * sizeof(float));
        colour[3] = 1.0f;
    } else if (m == 300 && reply->regionKind == 0 && region == kRegionSecondSurface && reply->shade > 0.0f) {
        // Only a flap whose producer wrote a shade: unshaded flaps keep
        // their colour instead of turning white.
        const float q = std::pow(reply->shade, 4.0f);
        for (int i = 0; i < 3; ++i) {
            const float s = std::sqrt(std::max(colour[i], 0.0f));
            if (q >= 0.5f) {
                const float w = (2.0f * q - 1.0f) * (2.0f * q - 1.0f);
                colour[i] = std::pow(s * (1.0f - w), 4.0f);
            } else {
                colour[i] = std::pow(1.0f + (s - 1.0f) * 2.0f * q, 4.0f);
            }
        }
    } else if (m == 288 && region == kRegionSecondSurface) {
        for (int i = 0; i < 3; ++i) colour[i] += 0.6f * (1.0f - colour[i]);
    }
    if (region == kRegionCleared) {
        colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
    } else if (m == 299 && region == kRegionLitSurface) {
        // The cosine-falloff map's shade is its raw output height.
        const double t = kStripeFrequency * (double(reply->sampleAux) - 0.5) * kStripeScale + 0.25;
        const float k = float(std::cos((2.0 * t - 0.5) * kPi));
        for (int i = 0; i < 3; ++i) colour[i] *= k;
    } else if (m == kModeBrickPreview || m == kModeVoxelGlobe) {
        for (int i = 0; i < 3; ++i) colour[i] = std::sqrt(std::max(0.0f, colour[i] * colour[i] * reply->shade));
    } else if (m == kModeBlobWorld && region != kPlaceNoDirection) {
        MellifyMetaglobe(c, colour, x, y, reply);
    } else if (m == kModeFerguson && region != kPlaceNoDirection) {
        MellifyFerguson(c, colour, x, y, reply);
    }
    ApplyLinework(x, y, colour, c, reply);
}

void GetArtificialRegionColors(const TransformationReply* reply, const vort* c, float colour[4]) {
    const int32_t region = reply->place;
    auto clear = [&] { colour[0] = colour[1] = colour[2] = colour[3] = 0.0f; };
    if (!c || region == kPlaceNoDirection || region == kRegionCleared) return clear();
    const long m = c->outputMode;
    if (region >= kPlaceGlueTabBase && m != kModeBrickPreview) {
        if (kRegionColourSwitches[0] && kRegionColourSwitches[1] && kRegionColourSwitches[2])
            return GetLightFacedexColor(int64_t(reply->faceTag) + 2, colour);
        // Tabs take the tab colour, so that a printed net shows where to
        // glue (the backdrop colour hid them among the gaps).
        std::memcpy(colour, c->regionColour, 3 * sizeof(float));
        colour[3] = 1.0f;
        return;
    }
    if (region < kRegionBackdropBelow) {
        // No second backdrop colour can be set: see-through.
        return clear();
    }
    if (m == kModeBrickPreview && region >= 0) {
        const uint8_t* b = kBrickColours[std::min(region % 16, 12)];
        for (int i = 0; i < 3; ++i) colour[i] = float(b[i]) / 255.0f;
        colour[3] = 1.0f;
        return;
    }
    if (region >= 0 && kRegionColourSwitches[2] && reply->regionKind != 3)
        return GetLightFacedexColor(int64_t(region) + 2, colour);
    std::memcpy(colour, c->regionColour, 4 * sizeof(float));
}
