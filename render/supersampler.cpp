#include "render/supersampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "projections/sample_road.h"
#include "records/output_modes.h"
#include "records/vort.h"
#include "pyramid/colour_mixing.h"
#include "pyramid/pyramid.h"
#include "render/aniso_sampling.h"
#include "render/shading.h"
#include "records/data.h"
#include "engine/task_records.h"

namespace {

constexpr int kCorners = 4;
enum { TL = 0, TR = 1, BL = 2, BR = 3 };
constexpr int kBisectionSteps = 8;
constexpr int32_t kRegionCleared = -21;
constexpr int32_t kRegionBackdropBelow = -10000;
constexpr float kNone = -1.0f;  // a coordinate of exactly -1 means no reply
// Ways of making a footprint about as small as the one picked that differ
// from it by at most this many slacks of the replies' columns change it as
// little as those slacks do (a few thousandths of a pixel).
constexpr float kWaysApart = 16.0f;
constexpr int64_t kLastCubeFace = kCubeFaceCount - 1;

enum Technique { kTechniqueLoop = 1, kTechniqueFootprint = 2, kTechniqueCheap = 3 };

typedef float V4f __attribute__((vector_size(16)));


// The pyramid a reply reads; null when it holds no picture. A reply on a
// cube face reads that face only: the render cut the faces before the tiles
// started, and a face without a picture is never replaced by the whole input.
const PyramidDescriptor* InputPyramidOf(const vort* c, const TransformationReply& r) {
    const PyramidDescriptor* p = c->inputPyramids;
    if (r.inputFace >= 0) {
        if (r.inputFace > kLastCubeFace) return nullptr;
        const PyramidDescriptor* face = p + kFirstCubeFacePyramid + r.inputFace;
        return face->tiles ? face : nullptr;
    }
    return p->tiles ? p : nullptr;
}

inline float FixWrappedDeltaX(float d) { return d > 0.5f ? d - 1.0f : (d < -0.5f ? d + 1.0f : d); }
inline float FixWrappedDeltaY(float d) { return FixWrappedDeltaX(d); }

float AverageOfWrappedXCoordinates(float a, float b, const PyramidDescriptor* pyr) {
    if (a == kNone) return b;
    if (b == kNone) return a;
    if (pyr->edgeMode != 0 && std::fabs(a - b) > 0.5f) {
        if (a < b) a += 1.0f;
        else b += 1.0f;
        const float m = 0.5f * (a + b);
        return m - std::floor(m);
    }
    return 0.5f * (a + b);
}

float AverageOfWrappedYCoordinates(float a, float b, const PyramidDescriptor* pyr) {
    if (a == kNone) return b;
    if (b == kNone) return a;
    if (pyr->edgeMode == 1 && std::fabs(a - b) > 0.5f) {
        if (a < b) a += 1.0f;
        else b += 1.0f;
    }
    return 0.5f * (a + b);
}

// One-pixel differences of the input position around a sample, from the
// diagonal neighbours of its own region only.
void GetPDsNearRegionBoundaries(SamplerRig* rig, float fx, float fy, const TransformationReply& P, float pd[4]) {
    static constexpr float kDiag[4][2] = {{0.5f, 0.5f}, {-0.5f, -0.5f}, {0.5f, -0.5f}, {-0.5f, 0.5f}};
    TransformationReply n[4];
    bool ok[4];
    const PyramidDescriptor* pyr = InputPyramidOf(rig->context, P);
    const bool wrapX = pyr && pyr->edgeMode != 0;
    const bool wrapY = pyr && pyr->edgeMode == 1;
    for (int k = 0; k < 4; ++k) {
        ReplyAtPixelPosition(rig, fx + kDiag[k][0], fy + kDiag[k][1], &n[k]);
        ok[k] = SameRegion(n[k], P);
    }
    auto diff = [&](const TransformationReply& a, const TransformationReply& b, float scale, float out[2]) {
        float du = a.inputU - b.inputU, dv = a.inputV - b.inputV;
        if (wrapX) du = FixWrappedDeltaX(du);
        if (wrapY) dv = FixWrappedDeltaY(dv);
        out[0] = du * scale;
        out[1] = dv * scale;
    };
    // The change of (u, v) along one diagonal step of a whole pixel.
    auto along = [&](int plus, int minus, float out[2]) {
        if (ok[plus] && ok[minus]) diff(n[plus], n[minus], 1.0f, out);
        else if (ok[plus]) diff(n[plus], P, 2.0f, out);
        else if (ok[minus]) diff(P, n[minus], 2.0f, out);
        else return false;
        return true;
    };
    float d1[2] = {0.0f, 0.0f}, d2[2] = {0.0f, 0.0f};  // along (1, 1) and along (1, -1)
    const bool has1 = along(0, 1, d1), has2 = along(2, 3, d2);
    if (has1 && has2) {
        pd[0] = 0.5f * (d1[0] + d2[0]);
        pd[1] = 0.5f * (d1[1] + d2[1]);
        pd[2] = 0.5f * (d1[0] - d2[0]);
        pd[3] = 0.5f * (d1[1] - d2[1]);
    } else if (has1) {
        pd[0] = pd[2] = 0.5f * d1[0];
        pd[1] = pd[3] = 0.5f * d1[1];
    } else if (has2) {
        pd[0] = 0.5f * d2[0];
        pd[1] = 0.5f * d2[1];
        pd[2] = -pd[0];
        pd[3] = -pd[1];
    } else {
        pd[0] = pd[1] = pd[2] = pd[3] = 0.0f;
    }
}

void GetPDsCached(SamplerRig* rig, float fx, float fy, const TransformationReply& P, float pd[4]) {
    PDcache& cache = rig->pdCache;
    const RegionKey key = RegionHash(P);
    for (int k = 0; k < kPDCacheSlots; ++k)
        if (cache.used[k] && cache.key[k] == key) {
            std::memcpy(pd, cache.pd[k], sizeof(cache.pd[k]));
            return;
        }
    GetPDsNearRegionBoundaries(rig, fx, fy, P, pd);
    for (int k = 0; k < kPDCacheSlots; ++k)
        if (!cache.used[k]) {
            cache.used[k] = true;
            cache.key[k] = key;
            std::memcpy(cache.pd[k], pd, sizeof(cache.pd[k]));
            return;
        }
}

void ClearPDCache(PDcache* cache) {
    for (bool& u : cache->used) u = false;
}

// Technique 1: a fresh reply at (s, t) of the pixel square.
void SamplingTechnique1(SamplerRig* rig, int64_t x, int64_t y, float s, float t, float colour[4],
                        TransformationReply* reply) {
    vort* c = rig->context;
    const float fx = float(x - 1) + s, fy = float(y - 1) + t;
    ReplyAtPixelPosition(rig, fx, fy, reply);
    if (IsNonSampleableRegion(reply, c)) {
        GetArtificialRegionColors(reply, c, colour);
        return;
    }
    const PyramidDescriptor* pyr = InputPyramidOf(c, *reply);
    if (!pyr) {
        colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
        return;
    }
    float pd[4];
    GetPDsCached(rig, fx, fy, *reply, pd);
    c->stateHints[0] = reply->hintFloats[0];
    c->stateHints[1] = reply->hintFloats[1];
    SampleAnisotropicallyColorCore_unitary(pd, kFootprintComplete, pyr, colour, c, reply->inputU, reply->inputV,
                                           rig->threshold);
}

// The footprint of a pixel from its centre reply and its four corners. Each
// diagonal has two half-diagonal differences, one on each side of the
// centre; of the four ways to combine them the smallest footprint wins. A corner where the map is singular (a pole of the input, whose
// longitude is arbitrary) gives a wild difference, and the half on the other
// side of the centre stands in for it.
// With uSlack above 0 the u components of the replies may each be that far
// from the exact ones (unit positions): true where another way, one that
// differs by more than a few slacks, is about as small, so that the exact
// replies could pick it.
bool FootprintAroundCentre(const TransformationReply& C, TransformationReply* const k[4], const PyramidDescriptor* pyr,
                           float pd[4], float uSlack = 0.0f) {
    const bool wrapX = pyr->edgeMode != 0, wrapY = pyr->edgeMode == 1;
    const float W = float(pyr->width[0]), H = float(pyr->height[0]);
    auto twice = [&](const TransformationReply& a, const TransformationReply& b, float out[2]) {
        float du = a.inputU - b.inputU, dv = a.inputV - b.inputV;
        if (wrapX) du = FixWrappedDeltaX(du);
        if (wrapY) dv = FixWrappedDeltaY(dv);
        out[0] = 2.0f * du;
        out[1] = 2.0f * dv;
    };
    float d1[2][2], d2[2][2];  // along (+1, +1) and (+1, -1), each from both sides
    twice(*k[BR], C, d1[0]);
    twice(C, *k[TL], d1[1]);
    twice(*k[TR], C, d2[0]);
    twice(C, *k[BL], d2[1]);
    // The four combinations side by side, (i, j) in lane 2 i + j; each lane
    // takes the scalar steps, so the sizes are the same to the bit.
    const V4f a0 = {d1[0][0], d1[0][0], d1[1][0], d1[1][0]}, b0 = {d2[0][0], d2[1][0], d2[0][0], d2[1][0]};
    const V4f a1 = {d1[0][1], d1[0][1], d1[1][1], d1[1][1]}, b1 = {d2[0][1], d2[1][1], d2[0][1], d2[1][1]};
    const V4f q0 = 0.5f * (a0 + b0), q1 = 0.5f * (a1 + b1), q2 = 0.5f * (a0 - b0), q3 = 0.5f * (a1 - b1);
    // The sum of both axes squared ranks the combinations as the major axis
    // does wherever one of them is wild, without a root.
    const V4f ux = q0 * W, vx = q1 * H, uy = q2 * W, vy = q3 * H;
    const V4f size = ux * ux + vx * vx + uy * uy + vy * vy;
    int pick = 0;
    float best = size[0];
    for (int l = 1; l < 4; ++l)
        if (size[l] < best) {
            best = size[l];
            pick = l;
        }
    pd[0] = q0[pick];
    pd[1] = q1[pick];
    pd[2] = q2[pick];
    pd[3] = q3[pick];
    if (!(uSlack > 0.0f)) return false;
    // A size is the square of the footprint's Frobenius norm, which moves by
    // at most that of the change: two u components of four slacks (two
    // positions, doubled) at level 0, on both sides of the comparison.
    const float e = 2.0f * 1.5f * 4.0f * uSlack * W, reach = std::sqrt(best) + e;
    for (int l = 0; l < 4; ++l) {
        if (l == pick || !(size[l] <= reach * reach)) continue;
        const float apart = std::max(std::max(std::fabs(q0[l] - q0[pick]), std::fabs(q2[l] - q2[pick])),
                                     std::max(std::fabs(q1[l] - q1[pick]), std::fabs(q3[l] - q3[pick])));
        if (!(apart <= kWaysApart * uSlack)) return true;
    }
    return false;
}

// Techniques 2 and 3: one sample for the whole pixel. With the centre reply
// of the adaptive road, at the centre's own position with the footprint
// around it; otherwise at the mean of the corners with the footprint of the
// pixel's left and upper neighbours.
void SamplingTechniqueOwn(SamplerRig* rig, SuperSamplerReply* rec, int technique, uint8_t samplerFlag,
                          float colour[4], TransformationReply** used) {
    vort* c = rig->context;
    TransformationReply* reply = rec->centreValid ? &rec->centre : rec->corner[BR];
    *used = reply;
    if (IsNonSampleableRegion(reply, c)) {
        GetArtificialRegionColors(reply, c, colour);
        return;
    }
    const PyramidDescriptor* pyr = InputPyramidOf(c, *reply);
    if (!pyr) {
        colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
        return;
    }
    c->stateHints[0] = reply->hintFloats[0];
    c->stateHints[1] = reply->hintFloats[1];
    const TransformationReply *l = rec->corner[BL], *up = rec->corner[TR], *own = rec->corner[BR];
    if (technique == kTechniqueCheap) {
        SampleUglyColor_Centered_unitary(pyr, colour, c, l->inputU, l->inputV, up->inputU, up->inputV, own->inputU,
                                         own->inputV, own->inputU, own->inputV);
        return;
    }
    c->stateCrossing = 0;
    c->stateSamplerFlag = samplerFlag;
    if (rec->pointSample) {
        float pd[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        SampleAnisotropicallyColorCore_unitary(pd, kFootprintComplete, pyr, colour, c, reply->inputU, reply->inputV,
                                               rig->threshold);
        return;
    }
    if (rec->centreValid) {
        float pd[4];
        if (FootprintAroundCentre(rec->centre, rec->corner, pyr, pd, 0.25f * c->stepSlack)) c->nearAStep = 1;
        SampleAnisotropicallyColorCore_unitary(pd, kFootprintComplete, pyr, colour, c, reply->inputU, reply->inputV,
                                               rig->threshold);
        return;
    }
    TransformationReply* const* k = rec->corner;
    const float u = AverageOfWrappedXCoordinates(AverageOfWrappedXCoordinates(k[TL]->inputU, k[TR]->inputU, pyr),
                                                 AverageOfWrappedXCoordinates(k[BL]->inputU, k[BR]->inputU, pyr), pyr);
    const float v = AverageOfWrappedYCoordinates(AverageOfWrappedYCoordinates(k[TL]->inputV, k[TR]->inputV, pyr),
                                                 AverageOfWrappedYCoordinates(k[BL]->inputV, k[BR]->inputV, pyr), pyr);
    SampleAnisotropicallyColor_Centered_unitary(pyr, colour, c, rig->threshold, l->inputU, l->inputV, up->inputU,
                                                up->inputV, own->inputU, own->inputV, u, v);
}

// A loop of samples centred at (cs, ct) of the pixel square, alpha-weighted.
void GetThreeWaySampledColor_core_2(SamplerRig* rig, int64_t x, int64_t y, SuperSamplerReply* rec, int technique,
                                    int64_t loopNumber, float cs, float ct, float out[4]) {
    const SubSampleLoop& loop = rig->loops->loops[loopNumber];
    ClearPDCache(&rig->pdCache);
    auto sample = [&](int64_t i, int64_t j, float colour[4]) {
        TransformationReply fresh;
        TransformationReply* used = &fresh;
        if (technique == kTechniqueLoop)
            SamplingTechnique1(rig, x, y, cs + float(i) * loop.xStep, ct + float(j) * loop.yStep, colour, &fresh);
        else
            SamplingTechniqueOwn(rig, rec, technique, technique == kTechniqueFootprint ? 0 : 1, colour, &used);
        ApplyMelFX(x, y, colour, rig->context, used);
    };
    if (loop.xFrom == loop.xTo && loop.yFrom == loop.yTo) {
        // One sample: its alpha-weighted mean is the sample itself (the
        // product of two floats and its quotient are exact in double; the
        // sum from 0 turns -0 into 0), for any alpha above 0 short of
        // infinity.
        float colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        sample(loop.xFrom, loop.yFrom, colour);
        rec->sampleCount = 1;
        const float a = colour[3];
        if (a > 0.0f && a <= std::numeric_limits<float>::max()) {
            // One store of all four, which the colour pass reads back at once.
            const V4f mean = {colour[0] + 0.0f, colour[1] + 0.0f, colour[2] + 0.0f, a};
            std::memcpy(out, &mean, sizeof mean);
            return;
        }
        if (!(a > 0.0f)) {
            out[0] = out[1] = out[2] = out[3] = 0.0f;
            return;
        }
        for (int k = 0; k < 3; ++k) out[k] = float(double(colour[k]) * a / double(a));
        out[3] = a;
        return;
    }
    double sum[4] = {0.0, 0.0, 0.0, 0.0};
    int64_t count = 0;
    for (int64_t j = loop.yFrom; j <= loop.yTo; ++j)
        for (int64_t i = loop.xFrom; i <= loop.xTo; ++i) {
            float colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
            sample(i, j, colour);
            for (int k = 0; k < 3; ++k) sum[k] += double(colour[k]) * colour[3];
            sum[3] += colour[3];
            ++count;
        }
    if (sum[3] > 0.0) {
        for (int k = 0; k < 3; ++k) out[k] = float(sum[k] / sum[3]);
        out[3] = float(sum[3] / double(count));
    } else {
        out[0] = out[1] = out[2] = out[3] = 0.0f;
    }
    rec->sampleCount = count;
}

// The two-sample road. The pixel square is cut by one boundary into two
// parts, and each part is sampled once at its centroid, weighted by its
// area: the mixture's mean position is the pixel's centre, so where the
// picture runs on across the boundary (two faces of a cube map) the pixel
// shows what it would without the boundary. A part that the bisection finds
// empty (the boundary runs along the pixel's edge) takes no sample.
bool GetDeluxeSamplingViaBinarySearch(SamplerRig* rig, int64_t x, int64_t y, SuperSamplerReply* rec) {
    for (float& b : rec->boundary) b = 0.5f;
    const RegionKey* h = rec->hash;
    float a[4], b[4];
    auto single = [&](float s, float t, float out[4]) { GetThreeWaySampledColor_core_2(rig, x, y, rec, kTechniqueLoop, 0, s, t, out); };
    auto hunt = [&](float ax, float ay, float bx, float by, RegionKey ka, RegionKey kb, float* f) {
        const float A[2] = {ax, ay}, B[2] = {bx, by};
        return HuntForDiscontinuity(rig, x, y, A, B, ka, kb, f);
    };
    // Part A (area wa, centroid pa) against part B, the rest of the square.
    auto mix = [&](float wa, const float pa[2], const float pb[2]) {
        if (wa >= 1.0f) {
            single(pa[0], pa[1], rec->colour);
        } else if (wa <= 0.0f) {
            single(pb[0], pb[1], rec->colour);
        } else {
            single(pa[0], pa[1], a);
            single(pb[0], pb[1], b);
            AGetsColorMixtureBC4(rec->colour, b, a, wa);
        }
    };
    float f1 = 0.5f, f2 = 0.5f;
    switch (rec->configuration) {
        case 1: {  // the boundary runs across: top against bottom
            if (!hunt(0.5f, 0.0f, 0.5f, 1.0f, h[TL], h[BL], &f1)) return false;
            const float pa[2] = {0.5f, 0.5f * f1}, pb[2] = {0.5f, 0.5f * (1.0f + f1)};
            mix(f1, pa, pb);
            break;
        }
        case 2: {  // the boundary runs down: left against right
            if (!hunt(0.0f, 0.5f, 1.0f, 0.5f, h[TL], h[TR], &f1)) return false;
            const float pa[2] = {0.5f * f1, 0.5f}, pb[2] = {0.5f * (1.0f + f1), 0.5f};
            mix(f1, pa, pb);
            break;
        }
        default: {  // one corner cut off
            // The lone corner and the legs from it along the top or bottom
            // edge (leg1) and the left or right edge (leg2).
            float lone[2], leg1, leg2;
            RegionKey keyLone, keyRest;
            switch (rec->configuration) {
                case 3:
                    if (!hunt(0, 0, 1, 0, h[TL], h[TR], &f1) || !hunt(0, 0, 0, 1, h[TL], h[BL], &f2)) return false;
                    leg1 = f1, leg2 = f2, lone[0] = 0, lone[1] = 0, keyLone = h[TL], keyRest = h[BR];
                    break;
                case 4:
                    if (!hunt(0, 0, 1, 0, h[TL], h[TR], &f1) || !hunt(1, 0, 1, 1, h[TR], h[BR], &f2)) return false;
                    leg1 = 1.0f - f1, leg2 = f2, lone[0] = 1, lone[1] = 0, keyLone = h[TR], keyRest = h[BL];
                    break;
                case 5:
                    if (!hunt(0, 0, 0, 1, h[TL], h[BL], &f1) || !hunt(0, 1, 1, 1, h[BL], h[BR], &f2)) return false;
                    leg1 = f2, leg2 = 1.0f - f1, lone[0] = 0, lone[1] = 1, keyLone = h[BL], keyRest = h[TR];
                    break;
                case 6:
                    if (!hunt(1, 0, 1, 1, h[TR], h[BR], &f1) || !hunt(0, 1, 1, 1, h[BL], h[BR], &f2)) return false;
                    leg1 = 1.0f - f2, leg2 = 1.0f - f1, lone[0] = 1, lone[1] = 1, keyLone = h[BR], keyRest = h[TL];
                    break;
                default: return false;
            }
            // Where the boundary crosses the diagonal from the lone corner
            // tells a straight cut (a triangle) from a boundary that bends
            // round the far corner (a square whose outer corner touches the
            // frame's edge is the whole pixel).
            const float dx = lone[0] == 0.0f ? 1.0f : -1.0f, dy = lone[1] == 0.0f ? 1.0f : -1.0f;
            float g;
            if (!hunt(lone[0], lone[1], 1.0f - lone[0], 1.0f - lone[1], keyLone, keyRest, &g)) return false;
            // The lone part, in coordinates along the legs from the lone
            // corner: the corner, (leg1, 0), (g, g) and (0, leg2), two
            // triangles.
            const float a1 = 0.5f * leg1 * g, a2 = 0.5f * leg2 * g, area = a1 + a2;
            float cu = 0.0f, cv = 0.0f;
            if (area > 0.0f) {
                cu = (a1 * (leg1 + g) + a2 * g) / (3.0f * area);
                cv = (a1 * g + a2 * (g + leg2)) / (3.0f * area);
            }
            const float pa[2] = {lone[0] + dx * cu, lone[1] + dy * cv};
            float pb[2] = {0.5f, 0.5f};
            if (area < 1.0f)
                for (int k = 0; k < 2; ++k) pb[k] = (0.5f - area * pa[k]) / (1.0f - area);
            mix(area, pa, pb);
            break;
        }
    }
    rec->boundary[0] = f1;
    rec->boundary[1] = f2;
    rec->sampleCount = 2;
    return true;
}

// While it lives, the road answers as the exact road where it takes a
// shortcut (none: nothing changes).
struct ExactRoad {
    renderhinttype* hints;
    explicit ExactRoad(const SamplerRig* rig) : hints(rig->columnSlack > 0.0f ? rig->road.hints : nullptr) {
        if (hints) hints->longitudeThroughDirection = 1;
    }
    ~ExactRoad() {
        if (hints) hints->longitudeThroughDirection = 0;
    }
};

// The pixel's corner and centre replies from the exact road, in place of
// the grid's, for as long as the pixel is sampled.
struct ExactCorners {
    ExactRoad road;
    SuperSamplerReply* rec;
    TransformationReply* kept[kCorners];
    TransformationReply exact[kCorners];
    ExactCorners(SamplerRig* rig, SuperSamplerReply* s, int64_t x, int64_t y) : road(rig), rec(s) {
        for (int k = 0; k < kCorners; ++k) {
            kept[k] = rec->corner[k];
            ReplyAtPixelPosition(rig, float(x - 1 + (k & 1)), float(y - 1 + (k >> 1)), &exact[k]);
            rec->corner[k] = &exact[k];
        }
        ReplyAtPixelPosition(rig, float(x) - 0.5f, float(y) - 0.5f, &rec->centre);
    }
    ~ExactCorners() {
        for (int k = 0; k < kCorners; ++k) rec->corner[k] = kept[k];
    }
};

// The reply at the centre of pixel (x, y), the road asked for the centres
// of the pixels after it on its row (to the grid's last column) at the same
// time where it answers runs: the colour pass asks for them next.
void CentreReply(SamplerRig* rig, int64_t x, int64_t y, TransformationReply* reply) {
    SamplerRig::CentreRun& run = rig->centres;
    if (y == run.y && x >= run.x0 && x < run.x0 + run.count) {
        *reply = run.replies[x - run.x0];
        return;
    }
    vort* c = rig->context;
    if (!rig->roadTakesRuns) {
        ReplyAtPixelPosition(rig, float(x) - 0.5f, float(y) - 0.5f, reply);
        return;
    }
    const int64_t end = int64_t(rig->task->tracker.current_tile_rect.right) + 1;
    run.count = std::clamp<int64_t>(end - x, 1, SamplerRig::CentreRun::kLength);
    run.x0 = x;
    run.y = y;
    const float shift = PixelPositionShift(c);
    Float_Pixels_to_Replies_Along_Row(long(c->scale), long(c->previewOffsetX), long(c->previewOffsetY),
                                      rig->proportions, c, rig->road, x, run.count, -0.5f, shift,
                                      float(y) - 0.5f + shift, run.replies, sizeof(TransformationReply));
    *reply = run.replies[0];
}

void GetAppropriateDeluxeColor2015(SamplerRig* rig, int64_t x, int64_t y, SuperSamplerReply* rec) {
    if (rec->crossingCode == kCrossingNone) {
        CentreReply(rig, x, y, &rec->centre);
        if (SameRegion(rec->centre, *rec->corner[BR])) {
            rec->centreValid = true;
            // Where the road's columns stand in for the exact road's, a
            // footprint near one of the sampler's steps is sampled again
            // from the exact road's replies, so that it takes the steps the
            // exact road would.
            vort* c = rig->context;
            c->stepSlack = 4.0f * rig->columnSlack;
            c->nearAStep = 0;
            GetThreeWaySampledColor_core_2(rig, x, y, rec, kTechniqueFootprint, 0, 0.5f, 0.5f, rec->colour);
            if (c->stepSlack > 0.0f) {
                c->stepSlack = 0.0f;
                if (c->nearAStep) {
                    ExactCorners exact(rig, rec, x, y);
                    GetThreeWaySampledColor_core_2(rig, x, y, rec, kTechniqueFootprint, 0, 0.5f, 0.5f, rec->colour);
                }
            }
            return;
        }
        rec->crossingCode = kCrossingBoth;
    }
    // A pixel across a boundary takes its samples and their footprints
    // afresh: all of them from the exact road.
    const ExactRoad exactRoad(rig);
    rec->configuration = RegionConfiguration(rec->hash);
    if (rec->configuration >= 1 && rec->configuration <= 6 && GetDeluxeSamplingViaBinarySearch(rig, x, y, rec)) return;
    rec->loopNumber = rec->crossingCode;
    GetThreeWaySampledColor_core_2(rig, x, y, rec, kTechniqueLoop, rec->loopNumber, 0.5f, 0.5f, rec->colour);
}

}  // namespace

// The loops' samples are the centres of equal strips (or squares) of the
// pixel: none lies on the pixel's edge, which belongs to the neighbours as
// much as to the pixel (on a frame cut into cells it lies on a cell's edge).
void init_LoopingParameters(LoopingParameters* p) {
    p->loops[0] = SubSampleLoop{0, 0, 0, 0, 0.0f, 0.0f};
    p->loops[1] = SubSampleLoop{-20, 20, 0, 0, 1.0f / 41.0f, 0.0f};
    p->loops[2] = SubSampleLoop{0, 0, -20, 20, 0.0f, 1.0f / 41.0f};
    p->loops[3] = SubSampleLoop{-3, 3, -3, 3, 1.0f / 7.0f, 1.0f / 7.0f};
}

void InitSamplerRig(SamplerRig* rig, vort* context, PerTaskStuffType* task, const LoopingParameters* loops,
                    float threshold) {
    rig->context = context;
    rig->task = task;
    rig->loops = loops;
    rig->threshold = threshold;
    // Half reciprocals of the output frame: the road doubles the pixel centre.
    const PyramidDescriptor* frame = task && task->outputPyramid ? task->outputPyramid : context->inputPyramids;
    rig->proportions[0] = frame ? frame->halfPixelX : 0.0f;
    rig->proportions[1] = frame ? frame->halfPixelY : 0.0f;
    ClearPDCache(&rig->pdCache);
    // No run yet: CentreReply compares a pixel's row and column with the
    // run's before it looks at its length.
    rig->centres.y = -1;
    rig->centres.x0 = 0;
    rig->centres.count = 0;
    rig->road = task ? RoadTaskState{&task->hints[0], &task->hints[1], &task->lastTissotSpot}
                     : RoadTaskState{nullptr, nullptr, nullptr};
    rig->columnSlack = task && RoadTakesLongitudeShortcut(context) ? kMollweideColumnBound : 0.0f;
    rig->roadTakesRuns = task && RoadTakesRunsAlongRows(context);
}

bool IsNonSampleableRegion(TransformationReply* r, const vort* c) {
    const int32_t region = r->place;
    const bool artificial = region == kPlaceNoDirection || region < kRegionBackdropBelow ||
                            ((c->polyhedral || c->outputMode == kModeFoldingSphere) && region >= kPlaceGlueTabBase) || c->outputMode == kModeBrickPreview ||
                            (c->faceColourFlag && region >= 0) || region == kRegionCleared;
    if (artificial) r->flags |= 1;
    else r->flags &= ~1;
    return artificial;
}

void ReplyAtPixelPosition(SamplerRig* rig, float fx, float fy, TransformationReply* reply) {
    vort* c = rig->context;
    const float shift = PixelPositionShift(c);
    Float_Pixels_to_Reply(long(c->scale), long(c->previewOffsetX), long(c->previewOffsetY), rig->proportions, c, reply,
                          rig->road, fx + shift, fy + shift);
}

int64_t RegionConfiguration(const RegionKey h[4]) {
    const RegionKey tl = h[TL], tr = h[TR], bl = h[BL], br = h[BR];
    if (tl == tr && tr == bl && bl == br) return 0;
    if (tl == tr && bl == br && tl != bl) return 1;
    if (tl == bl && tr == br && tl != tr) return 2;
    if (tr == bl && bl == br && br != tl) return 3;
    if (tl == bl && bl == br && br != tr) return 4;
    if (tl == tr && tr == br && br != bl) return 5;
    if (tl == tr && tr == bl && bl != br) return 6;
    return 7;
}

bool HuntForDiscontinuity(SamplerRig* rig, int64_t x, int64_t y, const float A[2], const float B[2], RegionKey keyA,
                          RegionKey keyB, float* fraction, RegionKey (*keyOf)(const TransformationReply&)) {
    auto keyAt = [&](float s, float t) {
        TransformationReply r;
        ReplyAtPixelPosition(rig, float(x - 1) + s, float(y - 1) + t, &r);
        return keyOf ? keyOf(r) : RegionHash(r);
    };
    const RegionKey ha = keyAt(A[0], A[1]), hb = keyAt(B[0], B[1]);
    auto known = [&](RegionKey k) { return k == keyA || k == keyB; };
    if (!known(ha) || !known(hb)) return false;
    float low = 0.0f, high = 1.0f, mid = 0.5f;
    for (int step = 0; step < kBisectionSteps; ++step) {
        mid = 0.5f * (low + high);
        const RegionKey k = keyAt(A[0] + mid * (B[0] - A[0]), A[1] + mid * (B[1] - A[1]));
        if (!known(k)) return false;
        if (k == ha) low = mid;
        else high = mid;
    }
    // A boundary through an end (a pixel's corner on a cell's edge) leaves
    // that end's side empty.
    *fraction = high == 1.0f ? 1.0f : (low == 0.0f ? 0.0f : mid);
    return true;
}

void GetAdaptivelySampledColorChunky(SamplerRig* rig, int64_t x, int64_t y, int64_t level, SuperSamplerReply* rec) {
    vort* c = rig->context;
    rec->crossingCode = 0;
    rec->pointSample = 0;
    rec->sampleCount = 0;
    rec->configuration = 0;
    rec->centreValid = false;
    MirelYummy* cells[kCorners];
    GetYummyReplyPointersFour(x - 1, y - 1, c, cells);
    for (int k = 0; k < kCorners; ++k) {
        rec->corner[k] = &cells[k]->reply;
        rec->hash[k] = RegionHash(*rec->corner[k]);
    }
    const RegionKey* h = rec->hash;
    if (h[TL] != h[TR] || h[BL] != h[BR]) rec->crossingCode |= kCrossingLeftRight;
    if (h[TL] != h[BL] || h[TR] != h[BR]) rec->crossingCode |= kCrossingTopBottom;
    c->stateCrossing = rec->crossingCode != 0;

    switch (level) {
        case kSamplingAdaptive: GetAppropriateDeluxeColor2015(rig, x, y, rec); break;
        case kSamplingCheap:
            GetThreeWaySampledColor_core_2(rig, x, y, rec, kTechniqueCheap, 0, 0.5f, 0.5f, rec->colour);
            break;
        case kSamplingFootprint:
            GetThreeWaySampledColor_core_2(rig, x, y, rec, kTechniqueFootprint, 0, 0.5f, 0.5f, rec->colour);
            break;
        case kSamplingAtLevelHint: {
            // The footprint technique with the sampler flag set.
            TransformationReply* used = nullptr;
            float colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
            SamplingTechniqueOwn(rig, rec, kTechniqueFootprint, 1, colour, &used);
            ApplyMelFX(x, y, colour, c, used);
            if (!(colour[3] > 0.0f)) colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
            std::memcpy(rec->colour, colour, sizeof(colour));
            rec->sampleCount = 1;
            break;
        }
        default: break;
    }
}
