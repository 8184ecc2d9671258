// TStorage1, the work area of one invocation: one block taken with the
// system allocator in selector 3 and freed at shut-down, pointed to from
// Data. It holds the stores of the renderer, the polyhedron model, the
// dialog and the exports for the length of an invocation.
#pragma once

#include <cstdint>

#include "records/mirror_table.h"
#include "records/pyramid_descriptor.h"
#include "records/parameters.h"

struct polyhedron;

// The host's result an 8-bit layer is rendered straight into: the bytes the
// layer would have handed over, in the host's rows. Fixed for a render; the
// workers only read it.
struct StraightResult {
    const PyramidDescriptor* layer;  // the layer it stands in for
    uint8_t* data;                   // pixel (0, 0); null: the layer's own tiles take the pixels
    int64_t rowBytes, stride;
    int64_t alphaAt;  // the alpha byte's place in a pixel, -1 without
};

constexpr int64_t kWorkAreaMagic = 123456;
constexpr int64_t kWorkAreaSentinel = 111111111;
constexpr int64_t kWorkAreaSentinelCount = 8;
constexpr int64_t kInverseTableEntries = 400;
constexpr float kInverseTableNotBuilt = 999.0f;
constexpr int64_t kRandomTableEntries = 2048;
constexpr int64_t kControlEnablingEntries = 200;
constexpr int64_t kCrammingPieces = 25290;
constexpr int64_t kBrickColourCodes = 13;

struct TStorage1 {
    int64_t magic;                        // kWorkAreaMagic once made
    int64_t sentinels[kWorkAreaSentinelCount];
    polyhedron* polyStore;                // the polyhedron model's store; null when none
    PyramidDescriptor offscreenPyramid;   // the render target of destination 2
    int64_t offscreenPixelKind;
    PyramidDescriptor* smallPyramid;      // 100 x 100, kind 3; null when it could not be had
    PyramidDescriptor* targetPyramid;     // set while an export renders into another pyramid
    // 1 while the target is the host's result at a size of its own: rendered
    // as the host's layer keeps its pixels, with the host's progress and abort.
    uint8_t targetIsHostLayer;
    // While an 8-bit target stands for the host's 8-bit result, the host's
    // samples its pixels are written into instead (data null otherwise).
    StraightResult straightResult;
    PyramidDescriptor exportPyramid;      // one per export layer, reused
    int64_t exportedPage;                 // -1 when no single page renders
    void* brickBuffer;                    // output modes 45 and 394
    int64_t brickMarker;                  // -1 when freed
    void* metaballBuffer;                 // output mode 395
    int64_t metaballMarker;
    void* fergusonModel;
    int64_t brickCellsPerColour[kBrickColourCodes];
    int64_t brickSurfaceCellsPerColour[kBrickColourCodes];
    float inverseTableA[kInverseTableEntries];   // slot 0 kInverseTableNotBuilt until built
    float inverseTableB[kInverseTableEntries];
    int64_t cachedModeWord;               // -9999 after the set-up
    int64_t renderCounters[8];            // 0 or -1 after the set-up
    int64_t screenWord;                   // cleared by a final render
    uint64_t randomTable[kRandomTableEntries];
    uint8_t ditherThresholds[256];        // ordered-dither thresholds of the cheap sampler
    // Undo: two records of the snapshot fields, each with a filled and an on-file flag.
    Parameters undoSlots[2];
    uint8_t undoFilled[2];
    uint8_t undoOnFile[2];
    int64_t controlEnabling[kControlEnablingEntries];
    float crammingX[kCrammingPieces];
    float crammingY[kCrammingPieces];
    float crammingAngle[kCrammingPieces];
    float crammingScale;
    MirrorTable mirrors;                  // the kaleidoscope's mirrors (output mode 899)
};

// The pyramid that renders of destination 2 write: the target while an
// export sets one, else the offscreen pyramid.
inline PyramidDescriptor* OffscreenRenderTarget(TStorage1* s) {
    return s->targetPyramid ? s->targetPyramid : &s->offscreenPyramid;
}
