#include "render/globes/brick_globe.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "projections/sphere_to_input.h"
#include "projections/twirl.h"
#include "pyramid/pixels.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/pyramid_descriptor.h"
#include "records/renderhinttype.h"
#include "render/host_pixels.h"

namespace {

constexpr uint8_t kLifeColours[kLegoColourCodes][3] = {
    {0, 0, 0},       {0, 0, 0},       {52, 77, 153},   {0, 143, 81},    {242, 0, 42},
    {255, 255, 255}, {251, 225, 11},  {193, 193, 193}, {85, 85, 85},    {81, 43, 32},
    {203, 149, 197}, {240, 194, 129}, {139, 172, 150},
};
constexpr uint8_t kCoreColours[kLegoColourCodes][3] = {
    {255, 255, 255}, {50, 50, 50},    {0, 0, 255},     {0, 150, 80},    {255, 0, 0},
    {250, 250, 250}, {255, 223, 0},   {210, 210, 210}, {128, 128, 128}, {102, 51, 0},
    {203, 149, 137}, {204, 170, 102}, {139, 172, 150},
};
constexpr int kLDRAWColours[kLegoColourCodes] = {16, 0, 1, 2, 4, 15, 14, 7, 8, 6, 12, 13, 10};

// The four views of a real ball.
constexpr float kViews[kLegoViews][3] = {
    {1.0948375f, 0.89517075f, 1.0f},
    {-1.0948375f, -0.89517075f, 1.0f},
    {0.89517075f, -1.0948375f, -1.0f},
    {-0.89517075f, 1.0948375f, -1.0f},
};
// Sizes below each of these get one more 2 % of zoom (8 and 7 twice, 6 never).
constexpr int64_t kZoomSteps[] = {15, 14, 13, 12, 11, 10, 9, 8, 7, 8, 7, 5, 4};

int ClampCode(int code) { return std::clamp(code, 0, kLegoColourCodes - 1); }

// Every cell outside the grid: always empty, never written.
const LegoCell kOutsideCell{};

const LegoCell* CellAt(const LegoStructure* b, int64_t x, int64_t y, int64_t z) {
    if (!b->cells || !InsideLego(b, x, y, z)) return &kOutsideCell;
    return &b->cells[x + (y + z * b->ny) * b->nx];
}
LegoCell* WritableCellAt(LegoStructure* b, int64_t x, int64_t y, int64_t z) {
    if (!b->cells || !InsideLego(b, x, y, z)) return nullptr;
    return &b->cells[x + (y + z * b->ny) * b->nx];
}
bool Filled(const LegoStructure* b, int64_t x, int64_t y, int64_t z) {
    return (CellAt(b, x, y, z)->code & kLegoColourMask) != 0;
}

constexpr int kFaceSteps[6][3] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};

template <typename F>
void ForEach26(F f) {
    for (int dz = -1; dz <= 1; ++dz)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy || dz) f(dx, dy, dz);
}

// The nearest allowed life colour by squared distance (compared as a float,
// the lowest code wins a tie); light grey when no colour is allowed.
int NearestAllowed(int64_t r, int64_t g, int64_t b, int64_t colourSet) {
    float best = 2e9f;
    int code = kLegoDefaultColour;
    for (int k = 1; k < kLegoColourCodes; ++k) {
        if (!((colourSet >> (k - 1)) & 1)) continue;
        const int64_t dr = r - kLifeColours[k][0], dg = g - kLifeColours[k][1], db = b - kLifeColours[k][2];
        const float d = float(dr * dr + dg * dg + db * db);
        if (d < best) {
            best = d;
            code = k;
        }
    }
    return code;
}

// The most frequent code of a tally, the lowest among equals; `none` when
// the tally is empty.
int MostFrequent(const int64_t tally[kLegoColourCodes], int none) {
    int code = none;
    int64_t most = 0;
    for (int k = 0; k < kLegoColourCodes; ++k)
        if (tally[k] > most) {
            most = tally[k];
            code = k;
        }
    return code;
}

int16_t Saturate16(int64_t v) {
    return int16_t(std::clamp<int64_t>(v, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

uint64_t Mix(uint64_t h, uint64_t v) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h;
}

uint64_t FloatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

}  // namespace

int64_t LegoBallWidth(int64_t size, bool plates) {
    return int64_t((plates ? 0.4 : 1.2) * double(size));
}

float zoomoutForLego(const LegoStructure* ball) {
    float zoom = ball->size < 16 ? 1.122f : 1.1f;
    for (int64_t s : kZoomSteps)
        if (ball->size < s) zoom *= 1.02f;
    return zoom;
}

void MakeLegoViewCore(LegoGaze* view, float x, float y, float z, float zoom) {
    float d[3] = {x, y, z};
    float len = std::sqrt(x * x + y * y + z * z);
    if (len == 0.0f) d[0] = 0.0f, d[1] = 0.0f, d[2] = 1.0f, len = 1.0f;
    for (float& v : d) v /= len;
    float right[3] = {d[1], -d[0], 0.0f};
    float rl = std::hypot(right[0], right[1]);
    // A view along z has no right in the horizontal plane: take the x axis.
    if (rl < 1e-6f) right[0] = 1.0f, right[1] = 0.0f, rl = 1.0f;
    for (float& v : right) v /= rl;
    float up[3] = {d[1] * right[2] - d[2] * right[1], d[2] * right[0] - d[0] * right[2],
                   d[0] * right[1] - d[1] * right[0]};
    const float ul = std::sqrt(up[0] * up[0] + up[1] * up[1] + up[2] * up[2]);
    for (float& v : up) v /= ul;
    for (int i = 0; i < 3; ++i) {
        view->direction[i] = d[i];
        view->right[i] = right[i] * zoom;
        view->up[i] = up[i] * zoom;
        view->rayDirection[i] = -double(d[i]);
    }
}

void MakeLegoView(LegoStructure* ball, int64_t index, float x, float y, float z) {
    if (!ball) return;
    MakeLegoViewCore(&ball->views[std::clamp<int64_t>(index, 0, kLegoViews - 1)], x, y, z, zoomoutForLego(ball));
}

namespace {

void ResetHeader(LegoStructure* ball, int64_t size, int64_t nx, int64_t nz, bool plates, bool dithering,
                 int64_t colourSet) {
    std::memset(static_cast<void*>(ball), 0, sizeof *ball);
    ball->buildKey = -1;
    ball->size = size;
    ball->nx = ball->ny = std::max<int64_t>(nx, 0);
    ball->nz = std::max<int64_t>(nz, 0);
    for (float& c : ball->centre) c = 0.5f;
    ball->dithering = dithering ? 1 : 0;
    ball->plates = plates ? 1 : 0;
    ball->colourSet = colourSet;
    ball->unitHeight = plates ? 8 : 24;
    ball->rayMemory.last[0] = ball->rayMemory.last[1] = ball->rayMemory.last[2] = -0.0078125;
    ball->rayMemory.near = -1.0f;
    ball->rayMemory.far = 1.0f;
    for (int64_t& s : ball->rayMemory.slots) s = -1;
    ball->rayMemory.code = -7;
    ball->fd = -1;
    const int64_t count = ball->nx * ball->ny * ball->nz;
    // Cleared: the build keeps the marks it finds.
    ball->cells = count > 0 ? static_cast<LegoCell*>(std::calloc(size_t(count), sizeof(LegoCell))) : nullptr;
}

}  // namespace

void CreateLegoBall(LegoStructure* ball, int64_t size, bool plates, bool dithering, int64_t colourSet) {
    if (!ball) return;
    const int64_t w = LegoBallWidth(size, plates);
    ResetHeader(ball, size, w, size, plates, dithering, colourSet);
    for (int i = 0; i < kLegoViews; ++i) MakeLegoView(ball, i, kViews[i][0], kViews[i][1], kViews[i][2]);
}

void CreateFakeLegoBall(LegoStructure* ball, int64_t size, const tumbletype* tumble) {
    if (!ball) return;
    ResetHeader(ball, size, size, size, false, false, 0xFFF);
    // The tumble turns (0, 0, 1) into (a, b, c); the view looks along (a, c, -b).
    const float a = tumble->combined[2][0], b = tumble->combined[2][1], c = tumble->combined[2][2];
    MakeLegoView(ball, 0, a, c, -b);
}

void DestroyLegoBall(LegoStructure* ball) {
    if (!ball) return;
    ball->buildKey = -1;
    std::free(ball->cells);
    ball->cells = nullptr;
}

bool InsideLego(const LegoStructure* b, int64_t x, int64_t y, int64_t z) {
    return x >= 0 && y >= 0 && z >= 0 && x < b->nx && y < b->ny && z < b->nz;
}

int GetLegoColor(const LegoStructure* b, int64_t x, int64_t y, int64_t z) {
    return CellAt(b, x, y, z)->code & kLegoColourMask;
}

int GetLegoMark(const LegoStructure* b, int64_t x, int64_t y, int64_t z) {
    if (!b->cells) return kLegoNoCellsMark;
    return CellAt(b, x, y, z)->code & kLegoMarks;
}

void SetLegoColor(LegoStructure* b, int64_t x, int64_t y, int64_t z, int code) {
    if (LegoCell* c = WritableCellAt(b, x, y, z)) c->code = uint8_t((c->code & kLegoMarks) | (code & kLegoColourMask));
}

void SetLegoMark(LegoStructure* b, int64_t x, int64_t y, int64_t z, uint8_t mark, bool on) {
    if (LegoCell* c = WritableCellAt(b, x, y, z)) c->code = on ? uint8_t(c->code | mark) : uint8_t(c->code & ~mark);
}

void GetLegoError(const LegoStructure* b, int64_t x, int64_t y, int64_t z, int64_t error[3]) {
    const LegoCell* c = CellAt(b, x, y, z);
    for (int i = 0; i < 3; ++i) error[i] = c->error[i];
}

void SetLegoError(LegoStructure* b, int64_t x, int64_t y, int64_t z, const int64_t error[3]) {
    if (LegoCell* c = WritableCellAt(b, x, y, z))
        for (int i = 0; i < 3; ++i) c->error[i] = Saturate16(error[i]);
}

int GetLegoExposure(const LegoStructure* b, int64_t x, int64_t y, int64_t z) { return CellAt(b, x, y, z)->exposure; }

bool Six_Surrounded(const LegoStructure* b, int64_t x, int64_t y, int64_t z) {
    for (const auto& s : kFaceSteps)
        if (!Filled(b, x + s[0], y + s[1], z + s[2])) return false;
    return true;
}

bool CompletelySurrounded(const LegoStructure* b, int64_t x, int64_t y, int64_t z) {
    bool all = true;
    ForEach26([&](int dx, int dy, int dz) { all = all && Filled(b, x + dx, y + dy, z + dz); });
    return all;
}

void Calc_exposure(LegoStructure* b, int64_t x, int64_t y, int64_t z) {
    LegoCell* c = WritableCellAt(b, x, y, z);
    if (!c) return;
    int e = 0;
    if (c->code & kLegoColourMask)
        for (const auto& s : kFaceSteps) e += Filled(b, x + s[0], y + s[1], z + s[2]) ? 0 : 1;
    c->exposure = uint8_t(e);
}

int64_t GetReceptiveExposureAround(const LegoStructure* b, int64_t x, int64_t y, int64_t z) {
    int64_t total = 0;
    ForEach26([&](int dx, int dy, int dz) {
        const LegoCell* c = CellAt(b, x + dx, y + dy, z + dz);
        if (!(c->code & kLegoDiffused)) total += c->exposure;
    });
    return total;
}

// ------------------------------------------------------------------ colours

void GetLegoCoreColor(int code, int64_t rgba[4]) {
    for (int i = 0; i < 3; ++i) rgba[i] = kCoreColours[ClampCode(code)][i];
    rgba[3] = 255;
}

int GetLegoEdgeColor(bool filled) { return filled ? 0 : 244; }

int MyLegoColorToLDRAWColor(int code) { return kLDRAWColours[ClampCode(code)]; }

int LegoFloatXYZtoSomeKindOfColor(LegoStructure* ball, const BrickPicture* pic, float x, float y, float z,
                                  const tumbletype* tumble) {
    float p[3] = {x, y, z};
    auto normalise = [&p] {
        const float len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        if (len == 0.0f) p[0] = 0.0f, p[1] = 0.0f, p[2] = 1.0f;
        else
            for (float& v : p) v /= len;
    };
    normalise();
    if (pic->hemisphere == 1) {
        p[0] *= 0.5f;
        p[1] *= 0.5f;
        p[2] = p[2] * 0.5f + 0.5f;
        normalise();
    }
    // The ball stands on its bottom layer with its layers across the polar
    // axis: cell space has z up, the sphere has y to the north (the globes'
    // model frame, as the metaball globe reads it), so a ball built upright
    // shows the north on top.
    const float q[3] = {p[0], p[2], -p[1]};
    for (int j = 0; j < 3; ++j) p[j] = q[0] * tumble->combined[0][j] + q[1] * tumble->combined[1][j] + q[2] * tumble->combined[2][j];
    renderhinttype hints;
    InitPolyHints(&hints);
    float u = 0.0f, v = 0.0f, aux = 0.0f;
    unsigned char outside = 0;
    int face = -1, kind = 0;
    TransformSphereToInput(pic->inputMode, pic->flip, p, &u, &v, &outside, pic->table, &face, &kind, &aux,
                           pic->inputPolyhedron, &hints, pic->aspect);
    ball->sampleColour[3] = 0;
    const PyramidDescriptor* pyr = pic->pyramids;
    if (pyr && face >= 0) pyr = face < int(kCubeFaceCount) ? pyr + kFirstCubeFacePyramid + face : nullptr;
    if (outside || !pyr || !pyr->tiles || !(u == u) || !(v == v)) return kLegoDefaultColour;
    const int64_t W = pyr->width[0], H = pyr->height[0];
    // u = 1 would read past the last column: clamp.
    const int64_t px = std::clamp<int64_t>(int64_t(u * float(W)), 0, W - 1);
    const int64_t py = std::clamp<int64_t>(int64_t(v * float(H)), 0, H - 1);
    float c[4];
    get_intcoord_unitary_color(px, py, pyr, 0, c);
    int64_t rgba[4];
    for (int i = 0; i < 4; ++i) {
        const float f = std::clamp(c[i], 0.0f, 1.0f);
        if (pyr->bytesPerComponent == 2) {
            // The 16-bit value ((c + 1) >> 7), limited to 255.
            const int64_t s = int64_t(std::lround(f * 32768.0f));
            rgba[i] = std::min<int64_t>((s + 1) >> 7, 255);
        } else {
            // Bytes as they are; floats 0..1 scaled to 0..255.
            rgba[i] = int64_t(std::lround(f * 255.0f));
        }
    }
    for (int i = 0; i < 4; ++i) ball->sampleColour[i] = rgba[i];
    if (rgba[3] == 0) return kLegoDefaultColour;
    return NearestAllowed(rgba[0], rgba[1], rgba[2], ball->colourSet);
}

int ChooseLegoColor(LegoStructure* ball, const BrickPicture* pic, int64_t x, int64_t y, int64_t z,
                    const tumbletype* tumble) {
    static constexpr float kSub[3] = {1.0f / 6.0f, 1.0f / 3.0f, 0.5f};
    int64_t tally[kLegoColourCodes] = {};
    int64_t sum[3] = {0, 0, 0}, withAlpha = 0;
    for (float a : kSub)
        for (float b : kSub)
            for (float c : kSub) {
                const float ux = (float(x) + a) / float(ball->nx) - ball->centre[0];
                const float uy = (float(y) + b) / float(ball->ny) - ball->centre[1];
                const float uz = (float(z) + c) / float(ball->nz) - ball->centre[2];
                ++tally[ClampCode(LegoFloatXYZtoSomeKindOfColor(ball, pic, ux, uy, uz, tumble))];
                if (ball->sampleColour[3] != 0) {
                    for (int i = 0; i < 3; ++i) sum[i] += ball->sampleColour[i];
                    ++withAlpha;
                }
            }
    if (withAlpha == 0) {
        ball->sampleColour[0] = ball->sampleColour[1] = ball->sampleColour[2] = 193;
        return kLegoDefaultColour;
    }
    for (int i = 0; i < 3; ++i) ball->sampleColour[i] = sum[i] / withAlpha;
    return MostFrequent(tally, kLegoDefaultColour);
}

void SpreadErrorAround(LegoStructure* ball, int64_t x, int64_t y, int64_t z, int64_t errR, int64_t errG, int64_t errB,
                       int64_t total) {
    if (total == 0) return;
    const int64_t err[3] = {errR, errG, errB};
    ForEach26([&](int dx, int dy, int dz) {
        LegoCell* c = WritableCellAt(ball, x + dx, y + dy, z + dz);
        if (!c || (c->code & kLegoDiffused) || c->exposure == 0) return;
        // Sums saturate at the 16-bit limits.
        for (int i = 0; i < 3; ++i) c->error[i] = Saturate16(int64_t(c->error[i]) + c->exposure * err[i] / total);
    });
}

void Bonk(LegoStructure* ball, const BrickPicture* pic, int64_t x, int64_t y, int64_t z, const tumbletype* tumble) {
    if (!Filled(ball, x, y, z) || Six_Surrounded(ball, x, y, z)) return;
    ChooseLegoColor(ball, pic, x, y, z, tumble);
    int64_t err[3];
    GetLegoError(ball, x, y, z, err);
    int64_t colour[3];
    for (int i = 0; i < 3; ++i) colour[i] = std::clamp<int64_t>(ball->sampleColour[i] + err[i], 0, 255);
    const int code = NearestAllowed(colour[0], colour[1], colour[2], ball->colourSet);
    SetLegoColor(ball, x, y, z, code);
    SetLegoMark(ball, x, y, z, kLegoDiffused, true);
    const int64_t exposure = GetLegoExposure(ball, x, y, z);
    int64_t out[3];
    for (int i = 0; i < 3; ++i) out[i] = (colour[i] - kLifeColours[code][i]) * exposure;
    SpreadErrorAround(ball, x, y, z, out[0], out[1], out[2], GetReceptiveExposureAround(ball, x, y, z));
}

int ColorFromNearby(const LegoStructure* ball, int64_t x, int64_t y, int64_t z) {
    int64_t tally[kLegoColourCodes] = {};
    auto count = [&](int64_t cx, int64_t cy, int64_t cz) {
        const LegoCell* c = CellAt(ball, cx, cy, cz);
        if ((c->code & kLegoSurface) && (c->code & kLegoColourMask)) ++tally[ClampCode(c->code & kLegoColourMask)];
    };
    auto found = [&] {
        for (int64_t t : tally)
            if (t) return true;
        return false;
    };
    for (int64_t d = 1; d <= 3 && !found(); ++d) {
        count(x - d, y, z);
        count(x + d, y, z);
        count(x, y - d, z);
        count(x, y + d, z);
    }
    if (!found()) {
        count(x, y, z - 1);
        count(x, y, z + 1);
    }
    return MostFrequent(tally, kLegoDefaultColour);
}

// -------------------------------------------------------------------- build

void BuildLegoball(LegoStructure* ball, const BrickPicture* pic, const tumbletype* tumble, bool shapeOnly) {
    if (!ball || !ball->cells) return;
    ball->shapeOnly = shapeOnly ? 1 : 0;
    const int64_t nx = ball->nx, ny = ball->ny, nz = ball->nz;
    // 1. The shape.
    for (int64_t z = 0; z < nz; ++z)
        for (int64_t y = 0; y < ny; ++y)
            for (int64_t x = 0; x < nx; ++x) {
                const float px = (float(x) + 0.5f) / float(nx) - ball->centre[0];
                const float py = (float(y) + 0.5f) / float(ny) - ball->centre[1];
                const float pz = (float(z) + 0.5f) / float(nz) - ball->centre[2];
                SetLegoColor(ball, x, y, z, px * px + py * py + pz * pz < 0.25f ? kLegoInside : 0);
            }
    if (shapeOnly) return;
    auto each = [&](auto f) {
        for (int64_t z = 0; z < nz; ++z)
            for (int64_t y = 0; y < ny; ++y)
                for (int64_t x = 0; x < nx; ++x) f(x, y, z);
    };
    // 3. Exposures and errors for the diffusion.
    if (ball->dithering)
        each([&](int64_t x, int64_t y, int64_t z) {
            Calc_exposure(ball, x, y, z);
            const int64_t zero[3] = {0, 0, 0};
            SetLegoError(ball, x, y, z, zero);
            SetLegoMark(ball, x, y, z, kLegoDiffused, false);
        });
    // 4. Hollowing: a shell about two cells thick, its outer cells marked.
    each([&](int64_t x, int64_t y, int64_t z) {
        if (Filled(ball, x, y, z) && CompletelySurrounded(ball, x, y, z)) SetLegoColor(ball, x, y, z, kLegoDeepInside);
    });
    each([&](int64_t x, int64_t y, int64_t z) {
        SetLegoMark(ball, x, y, z, kLegoSurface, Filled(ball, x, y, z) && !Six_Surrounded(ball, x, y, z));
    });
    each([&](int64_t x, int64_t y, int64_t z) {
        if (GetLegoColor(ball, x, y, z) == kLegoDeepInside) SetLegoColor(ball, x, y, z, 0);
    });
    // 5, 6. Colours of the visible cells.
    if (!ball->dithering) {
        each([&](int64_t x, int64_t y, int64_t z) {
            if (Filled(ball, x, y, z) && (GetLegoMark(ball, x, y, z) & kLegoSurface))
                SetLegoColor(ball, x, y, z, ChooseLegoColor(ball, pic, x, y, z, tumble));
        });
    } else {
        for (int64_t z = 0; z < nz; ++z)
            for (int64_t r = 0; r < ny; ++r)
                for (int64_t i = 0; i < nx; ++i) {
                    const int64_t s = (r % 2 == 0) ? i : nx - 1 - i;
                    switch (z % 4) {
                        case 0: Bonk(ball, pic, s, r, z, tumble); break;
                        case 1: Bonk(ball, pic, r, s, z, tumble); break;
                        case 2: Bonk(ball, pic, nx - 1 - s, ny - 1 - r, z, tumble); break;
                        default: Bonk(ball, pic, nx - 1 - r, ny - 1 - s, z, tumble); break;
                    }
                }
    }
    // 7. The hidden cells take the colour of the visible ones near them.
    each([&](int64_t x, int64_t y, int64_t z) {
        if (Filled(ball, x, y, z) && !(GetLegoMark(ball, x, y, z) & kLegoSurface))
            SetLegoColor(ball, x, y, z, ColorFromNearby(ball, x, y, z));
    });
}

void GenerateBrickStatistics(const LegoStructure* ball, int64_t all[kLegoColourCodes],
                             int64_t surface[kLegoColourCodes]) {
    for (int k = 0; k < kLegoColourCodes; ++k) all[k] = surface[k] = 0;
    if (!ball || !ball->cells) return;
    const int64_t n = ball->nx * ball->ny * ball->nz;
    for (int64_t i = 0; i < n; ++i) {
        const uint8_t c = ball->cells[i].code;
        const int code = ClampCode(c & kLegoColourMask);
        ++all[code];
        if (c & kLegoSurface) ++surface[code];
    }
}

// ------------------------------------------------------------ from settings

int64_t BrickBuildKey(long outputMode, int64_t size, bool plates, bool dithering, int64_t colourSet,
                      const float tumbleAngles[3], const BrickPicture* pic) {
    uint64_t h = 1469598103934665603ull;
    h = Mix(h, uint64_t(outputMode));
    h = Mix(h, uint64_t(size));
    h = Mix(h, (plates ? 1u : 0u) | (dithering ? 2u : 0u));
    h = Mix(h, uint64_t(colourSet));
    for (int i = 0; i < 3; ++i) h = Mix(h, FloatBits(tumbleAngles[i]));
    if (pic) {
        h = Mix(h, uint64_t(pic->hemisphere));
        h = Mix(h, uint64_t(pic->inputMode));
        h = Mix(h, uint64_t(pic->flip));
        h = Mix(h, uint64_t(reinterpret_cast<uintptr_t>(pic->pyramids)));
        if (pic->pyramids) {
            h = Mix(h, uint64_t(pic->pyramids->width[0]));
            h = Mix(h, uint64_t(pic->pyramids->height[0]));
            h = Mix(h, uint64_t(pic->pyramids->kind));
            h = Mix(h, uint64_t(reinterpret_cast<uintptr_t>(pic->pyramids->tiles)));
        }
    }
    // Never -1, the key of no model.
    return int64_t(h & 0x7FFFFFFFFFFFFFFFull);
}

BrickSettings BrickSettingsOf(const Parameters* p) {
    BrickSettings s{};
    if (!p) return s;
    s.size = p->lego_layers;
    // The small-scale switch of the layered export asks for plates too, so
    // that the pages and the model share one grid.
    s.plates = p->lego_plates != 0 || p->brickSmallScale != 0;
    s.dithering = p->lego_diffuse_colors != 0;
    s.colourSet = p->legoBrickMask;
    // The brick globe turns with the twirl.
    s.tumbleDegrees[0] = p->latitude;
    s.tumbleDegrees[1] = p->longitude;
    s.tumbleDegrees[2] = p->spin;
    // No control of this build sets the hemisphere switch: the settings
    // record carries it (1 maps the whole ball onto the upper hemisphere).
    s.hemisphere = p->brickHemisphere == 1 ? 1 : 0;
    return s;
}

BrickPicture BrickPictureOf(const Data* data, const Parameters* p, float* table) {
    BrickPicture pic{};
    pic.pyramids = data ? data->pyramids : nullptr;
    pic.inputMode = p ? p->inputMode : 1;
    pic.flip = p ? p->flip : 0;
    pic.table = table;
    if (table) table[0] = 999.0f;  // built lazily by the input mode that reads it
    pic.inputPolyhedron = data && InputModeCategory(pic.inputMode) ? data->inputPolyhedron : nullptr;
    if (data) {
        float w, h, aspect;
        GetInputProportions(const_cast<Data*>(data), &w, &h, &aspect);
        pic.aspect = aspect;
    }
    pic.hemisphere = BrickSettingsOf(p).hemisphere;
    return pic;
}

void BrickTumble(tumbletype* tumble, const float degrees[3]) {
    const float k = 3.1415927f / 180.0f;
    InitTwirlTranformation_core(tumble, degrees[0] * k, degrees[1] * k, degrees[2] * k, 0);
}
