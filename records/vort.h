// The render context of one tile task: everything a projection, the
// polyhedral transform, a sampler or an overlay needs to know about the render
// besides the sample itself. Filled once per task on the launching thread and
// only read while the tile runs (except the working areas its own passes
// write), so the road takes no locks.
#pragma once

#include <cstdint>

#include "records/TransformationReply.h"
#include "records/coherent_search_cache.h"
#include "records/globe_records.h"
#include "records/tumbletype.h"
#include "records/warpy_basis.h"

struct PerTaskStuffType;
struct polyhedron;
struct PyramidDescriptor;
struct MirelYummy;
struct MirrorTable;

// Render kinds: how the road finds the direction of an output sample.
enum : long {
    kRenderKindProjection = 0,  // output projection, floret or polyhedral transform
    kRenderKindDrawing3D = 1,   // a 3D drawing method (globes)
    kRenderKindEquiRay = 2,     // equirectangular ray into the output polyhedron
};

// Squeeze towards (0, 0, 1) before or after the twirl.
enum : long {
    kAnamorphNone = 0,
    kAnamorphBeforeTwirl = 1,
    kAnamorphAfterTwirl = 2,
    kAnamorphPolyhedral = 3,  // squeezes nothing on the road
};

constexpr int kMaxTissotSpots = 128;

// The framing of the output: how the unit output square maps onto a
// projection's plane.
struct FramingBox {
    double unitMin, unitMax;
    int64_t kind;
    double aspect;
    double xMin, xMax, yMin, yMax;
    double xCentre, yCentre;
    double fitScale, inverseFitScale;
    double last;
};

struct vort {
    // Hilbert walk of a 32 x 32 square, for the polyhedral scan order.
    int32_t hilbertWalk[1024][2];
    int64_t inHilbertScan;
    int64_t clearedWords[2];
    // Per-sample state hints of the supersampler.
    uint8_t stateCrossing;
    uint8_t stateSamplerFlag;
    float stateHints[2];
    float levelHint;             // the anisotropic sampler's last level (read it through ResolvedLevelHint)
    // While set, the last level is log2(levelHintMinor), not worked out yet:
    // most samples never need it.
    uint8_t levelHintDeferred;
    float levelHintMinor;
    int32_t largestSampleCount;  // samples along an ellipse's major axis, at most
    // While stepSlack is above 0 the footprints the anisotropic sampler is
    // handed may have u components up to that far (unit positions) from the
    // exact ones, and it sets nearAStep where a footprint that near could
    // take another of its steps than this one takes.
    float stepSlack;
    uint8_t nearAStep;
    int64_t samplingLevel;       // the colour pass's supersampling level
    float samplerThreshold;      // sharpening handed to every sampler

    // Task engine.
    PyramidDescriptor* inputPyramids;
    MirelYummy* rowBuffer;
    PerTaskStuffType* task;
    int64_t identifiers[2];  // 0 and 1000
    int64_t taskWords[4];
    MirelYummy* replyGrid;
    uint8_t pass;  // 0 during the first pass, 1 during the second

    // Output geometry.
    int64_t scale;  // the render's integer scale setting
    int64_t previewOffsetX, previewOffsetY;
    float tileBounds[4];  // unit output left, right, top, bottom of the tile's apron
    float renderWidth, renderHeight;
    float outputWidth, outputHeight, outputAspect;
    float invRenderWidth, invRenderHeight, invOutputWidth, invOutputHeight;

    // Modes.
    long outputMode;  // 1..1050
    long inputMode;   // 1..41
    long renderKind;
    long modeClass;  // 1 globes 45, 394-396; 2 mode 1045; 3 mode 686
    long anamorphKind;
    long hintKind;
    long modeWord;
    long basePolyhedralMode;
    // The export page (piece) this render draws alone, framed by the work
    // area's cramming plan; -1 for the whole net.
    int64_t exportedPage;

    // Flags of the road.
    uint8_t facesOn;
    uint8_t polyhedral;
    uint8_t graticuleOn;
    uint8_t edgesOn;
    uint8_t indicatrixOn;
    uint8_t scissorOn;
    long flipOn;
    // Flags of the colour pass.
    int32_t glueMode;       // how the result is laid over the picture, 1..69 (1 "normal")
    uint8_t faceColourFlag;
    uint8_t backdropTransparent;
    uint8_t secondTransparent;
    uint8_t settingNotOne;
    uint8_t settingByte;
    uint8_t mainTissotFlag;
    uint8_t polyhedronTissotFlag;
    uint8_t graticuleDifferencing;
    int64_t gridSetting;  // graticule kind 2..7 (1 none)

    // Framing: S = inverseScale, Cx, Cy = planeCentreX, planeCentreY,
    // H = boxHeight, A = aspect (output height over width).
    float aspect;
    double inverseScale;
    double planeCentreX;
    double planeCentreY;
    double boxHeight;
    FramingBox framing;
    FramingBox hyperbolicFraming;

    // Settings the projections read.
    float angles[4];  // field of view, then the three twirl angles (degrees)
    int32_t percentageWord;
    float fieldOfView;    // degrees
    float lensWidth;      // 2 tan(fov/2), the angle clamped below 90 degrees
    float halfLensWidth;  // 2 tan(fov/4), same clamp
    float shiftTangent;   // shift lens: tangent of the clamped tilt, else 0
    float latitudeSetting;
    float tabsSetting;
    float goreCount;
    long viewColumns;
    long viewRows;
    float lobeCount;
    float shapeFactor;
    int32_t framingWord;

    // Colours, red, green, blue, alpha in 0..1.
    float regionColour[4];
    float regionColourCopy[4];
    float backdropColour[4];
    float overlayColour[4];

    // Shared stores, read only while tiles run.
    void* projectionCaches;
    polyhedron* outputPolyhedron;
    polyhedron* inputPolyhedron;
    void* polyhedronWorkArea;
    void* globeModel;
    // The march of one globe sample (modes 45, 394-396), handed down by the
    // renderer that built the model: the view (panel) and view-plane
    // position (gx, gy) in; the reply, the sphere direction out; 1 on a hit.
    int (*globeMarch)(vort* context, int64_t panel, double gx, double gy, TransformationReply* reply,
                      float direction[3]);
    void* dataPointers[3];
    PyramidDescriptor* tilingPyramidA;
    PyramidDescriptor* tilingPyramidB;
    uint64_t lastFloretHint;
    WarpyBasis floretBasis;  // the output mode's floret basis (kind 0 for no floret)
    float spilhausRotation[3][3];
    coherentSearchCache strebeRecord;  // the task's last Strebe 1995 solution
    float equiRotation[3][3];  // rows R0, R1, R2 of the equirectangular ray
    const MirrorTable* mirrorTable;  // the kaleidoscope's mirrors (mode 899), drawn before the tiles

    // Orientation.
    tumbletype tumble;
    tumbletype secondTumble;
    double viewRotationCos, viewRotationSin;

    // Input side.
    float* inputTable;      // Mollweide table of the input mode, 400 entries
    float* ellipsoidTable;  // ellipsoid arc lengths, 401 entries
    float inputProportion;  // input height over width

    // Tissot spots.
    float tissotSpots[kMaxTissotSpots][3];
    long tissotSpotCount;

    // The task's own records for the globes' rays.
    GlobeTaskState globe;

    // The reply of nothing, copied into every reply before its road runs.
    TransformationReply replyTemplate;
};
