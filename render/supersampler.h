// The colour of one output pixel from the replies at its four corners. A
// pixel inside one piece of the output gets one filtered sample whose
// footprint comes from its neighbours; a pixel cut by one straight boundary
// gets two samples mixed by the area on each side (the boundary found by
// bisection); any other pixel is supersampled by a loop of fresh replies, 41
// along one axis or 7 x 7. The preview's fixed sampling levels take simpler
// roads through the same code.
#pragma once

#include <cstdint>

#include "projections/sample_road.h"
#include "records/TransformationReply.h"
#include "records/vort.h"
#include "render/reply_grid.h"

struct PerTaskStuffType;
struct PyramidDescriptor;

// Sampling levels.
enum : int64_t {
    kSamplingCheap = 1,      // one texel
    kSamplingFootprint = 2,  // one anisotropic sample
    kSamplingAdaptive = 3,   // the adaptive road
    kSamplingAtLevelHint = 5,
};

// Crossing codes: which corners of the pixel square differ.
enum : int64_t {
    kCrossingNone = 0,
    kCrossingLeftRight = 1,
    kCrossingTopBottom = 2,
    kCrossingBoth = 3,
};

struct SubSampleLoop {
    int64_t xFrom, xTo, yFrom, yTo;
    float xStep, yStep;
};
struct LoopingParameters {
    SubSampleLoop loops[4];
};
void init_LoopingParameters(LoopingParameters* loops);

constexpr int kPDCacheSlots = 4;
struct PDcache {
    RegionKey key[kPDCacheSlots];
    bool used[kPDCacheSlots];
    float pd[kPDCacheSlots][4];
};

// The working record of one pixel, reused from pixel to pixel.
struct SuperSamplerReply {
    int64_t crossingCode;
    int64_t pointSample;   // non-zero: technique 2 takes a point sample
    int64_t sampleCount;
    int64_t configuration; // 0..7
    float boundary[4];     // crossings along the top, bottom, left, right edges
    RegionKey hash[4];     // corners: top left, top right, bottom left, bottom right
    TransformationReply* corner[4];  // the corners' cells in the task's grid
    TransformationReply centre;      // the reply at the pixel's centre, when valid
    bool centreValid;
    int64_t loopNumber;
    float colour[4];
    // What the edge overlay found: its pattern's case number and the
    // pixel's face with its fragment (-1 none).
    int64_t edgePattern;
    int64_t face, faceSecond;
};

// What the samplers of one task share: its context, its hints, the loops,
// the proportions that turn a pixel position into a unit output position,
// and the sharpening threshold handed to every sampler.
struct SamplerRig {
    vort* context;
    PerTaskStuffType* task;
    const LoopingParameters* loops;
    float proportions[2];
    float threshold;
    PDcache pdCache;
    RoadTaskState road;  // the task's records the road reads, made once
    // Where the road takes a shortcut whose input columns may lie up to this
    // far (unit positions) from the exact road's, the adaptive sampler asks
    // the exact road again for a pixel whose footprint lies that near one of
    // its steps; 0 where the road is exact.
    float columnSlack;
    bool roadTakesRuns;  // the road answers runs of samples along a row (and the rig has a task)
    // The centre replies of a run of pixels x0 .. x0 + count - 1 of row y,
    // asked of the road at once where it answers runs.
    struct CentreRun {
        static constexpr int64_t kLength = 64;
        int64_t y, x0, count;
        TransformationReply replies[kLength];
    } centres;
};
void InitSamplerRig(SamplerRig* rig, vort* context, PerTaskStuffType* task, const LoopingParameters* loops,
                    float threshold);

// True (and the reply's flag bit 0 set, else cleared) when the reply takes
// a region colour instead of an input sample.
bool IsNonSampleableRegion(TransformationReply* reply, const vort* context);

// The road places pixel position p at s p + 1/2 full-size pixels plus the
// preview offset, its half pixel counted at full size. The reply of a pixel
// belongs at its far corner, s (p + 1) - 1/2, at every scale s: p moves by
// this, 1 - 1/s (nothing at full size).
inline float PixelPositionShift(const vort* c) { return c->scale > 1 ? 1.0f - 1.0f / float(c->scale) : 0.0f; }

// The reply at pixel position (fx, fy) through the projection road.
void ReplyAtPixelPosition(SamplerRig* rig, float fx, float fy, TransformationReply* reply);

// The colour pass's entry: the colour of pixel (x, y) into rec->colour.
void GetAdaptivelySampledColorChunky(SamplerRig* rig, int64_t x, int64_t y, int64_t level, SuperSamplerReply* rec);

// Region configuration from the four corner keys (first match wins).
int64_t RegionConfiguration(const RegionKey hash[4]);
// Bisection between positions A and B (pixel-square coordinates) for the
// boundary between the regions keyA and keyB; false when a third region
// shows up. *fraction is the crossing's place from A.
// keyOf gives a reply's key (the region hash unless given).
bool HuntForDiscontinuity(SamplerRig* rig, int64_t x, int64_t y, const float A[2], const float B[2], RegionKey keyA,
                          RegionKey keyB, float* fraction, RegionKey (*keyOf)(const TransformationReply&) = nullptr);
