// The brick globe: the picture, seen as a sphere, built as a ball of toy
// bricks (or flat plates) stacked in layers. The voxel model (LegoStructure):
// its size, which cells are filled, one palette colour per visible cell
// (nearest colour or three-dimensional error diffusion), the colours of
// hidden cells, the brick statistics, the four fixed views, and the
// layer-by-layer instruction pages. The model is built once, before any
// tile runs, and only read while tiles run; it is ray-cast for output modes
// 45 and 394 (brick_march.h) and written as LDRAW text (ldraw.h).
#pragma once

#include <cstdint>

#include "records/tumbletype.h"

struct Data;
struct Parameters;
struct PyramidDescriptor;
struct polyhedron;

constexpr int kLegoColourCodes = 13;  // 0 empty, 1..12 the palette
constexpr int kLegoViews = 4;
// Marks of a cell's first byte.
constexpr uint8_t kLegoColourMask = 0x5F;
constexpr uint8_t kLegoDiffused = 0x20;  // its error has been spread
constexpr uint8_t kLegoSurface = 0x80;   // at least one empty face neighbour
constexpr uint8_t kLegoMarks = kLegoDiffused | kLegoSurface;
// While building: filled, and deep inside (to be hollowed out).
constexpr uint8_t kLegoInside = 1, kLegoDeepInside = 2;
constexpr int kLegoDefaultColour = 7;  // light grey
constexpr int kLegoNoCellsMark = 7;    // what GetLegoMark reads without cells

// One cell: colour code and marks, exposure (empty face neighbours), and the
// colour error diffused into it.
struct LegoCell {
    uint8_t code;
    uint8_t exposure;
    int16_t error[3];
};
static_assert(sizeof(LegoCell) == 8, "a cell is 64 bits");

// One view of the model: unit direction, right and up (times the zoom), and
// the direction rays travel (minus the view direction).
struct LegoGaze {
    float direction[3];
    float right[3];
    float up[3];
    double rayDirection[3];
};

// Where the picture a model is coloured from comes from: the input pyramids
// (the main one, then the six cube faces), the input mode and what it reads.
struct BrickPicture {
    const PyramidDescriptor* pyramids;
    long inputMode;
    long flip;
    float* table;                 // the input mode's Mollweide table (filled lazily when unbuilt)
    polyhedron* inputPolyhedron;  // input layouts on a solid
    float aspect;                 // input height over width
    int32_t hemisphere;           // 1: the whole ball shows the upper hemisphere
};

struct LegoStructure {
    LegoCell* cells;  // nx * ny * nz, null when absent
    int64_t buildKey;  // -1 when no model is current
    int64_t size;      // layers asked for
    int64_t nx, ny, nz;
    float centre[3];
    LegoGaze views[kLegoViews];
    uint8_t dithering;
    uint8_t plates;
    int64_t sampleColour[4];  // red, green, blue 0..255 and alpha of the last colour sample
    int64_t colourSet;        // bit k - 1 allows colour code k
    int64_t unitHeight;       // LDRAW units: 24 bricks, 8 plates
    int64_t currentLayer, originX, originZ, originY;  // the LDRAW writer's
    int32_t shapeOnly;
    // The last cell a ray met; reset at creation.
    struct {
        double last[3];
        float near, far;
        int64_t slots[4];
        int32_t code;
        uint8_t bytes[8];
    } rayMemory;
    int32_t fd;  // the LDRAW writer's
};

// Cells across and along for a ball of `size` layers: trunc(0.4 size) for
// plates, trunc(1.2 size) for bricks.
int64_t LegoBallWidth(int64_t size, bool plates);
float zoomoutForLego(const LegoStructure* ball);
void MakeLegoViewCore(LegoGaze* view, float x, float y, float z, float zoom);
void MakeLegoView(LegoStructure* ball, int64_t index, float x, float y, float z);

// The header, the views and the cells (cleared). A null ball does nothing;
// a failed allocation leaves cells null.
void CreateLegoBall(LegoStructure* ball, int64_t size, bool plates, bool dithering, int64_t colourSet);
// The model of output mode 394: bricks, a cube of size cells a side, one
// view from the tumble.
void CreateFakeLegoBall(LegoStructure* ball, int64_t size, const tumbletype* tumble);
// Shape, hollowing and colours; only the shape when shapeOnly.
void BuildLegoball(LegoStructure* ball, const BrickPicture* picture, const tumbletype* tumble, bool shapeOnly);
void DestroyLegoBall(LegoStructure* ball);

// Cell access; a coordinate outside the grid reads as an empty cell and
// takes no writes.
bool InsideLego(const LegoStructure* ball, int64_t x, int64_t y, int64_t z);
int GetLegoColor(const LegoStructure* ball, int64_t x, int64_t y, int64_t z);
int GetLegoMark(const LegoStructure* ball, int64_t x, int64_t y, int64_t z);
void SetLegoColor(LegoStructure* ball, int64_t x, int64_t y, int64_t z, int code);
void SetLegoMark(LegoStructure* ball, int64_t x, int64_t y, int64_t z, uint8_t mark, bool on);
void GetLegoError(const LegoStructure* ball, int64_t x, int64_t y, int64_t z, int64_t error[3]);
void SetLegoError(LegoStructure* ball, int64_t x, int64_t y, int64_t z, const int64_t error[3]);
int GetLegoExposure(const LegoStructure* ball, int64_t x, int64_t y, int64_t z);
bool Six_Surrounded(const LegoStructure* ball, int64_t x, int64_t y, int64_t z);
bool CompletelySurrounded(const LegoStructure* ball, int64_t x, int64_t y, int64_t z);
void Calc_exposure(LegoStructure* ball, int64_t x, int64_t y, int64_t z);
int64_t GetReceptiveExposureAround(const LegoStructure* ball, int64_t x, int64_t y, int64_t z);

// Colour choice.
int LegoFloatXYZtoSomeKindOfColor(LegoStructure* ball, const BrickPicture* picture, float x, float y, float z,
                                  const tumbletype* tumble);
int ChooseLegoColor(LegoStructure* ball, const BrickPicture* picture, int64_t x, int64_t y, int64_t z,
                    const tumbletype* tumble);
void Bonk(LegoStructure* ball, const BrickPicture* picture, int64_t x, int64_t y, int64_t z, const tumbletype* tumble);
void SpreadErrorAround(LegoStructure* ball, int64_t x, int64_t y, int64_t z, int64_t errR, int64_t errG, int64_t errB,
                       int64_t total);
int ColorFromNearby(const LegoStructure* ball, int64_t x, int64_t y, int64_t z);

// The palette (codes clamped to 0..12).
void GetLegoCoreColor(int code, int64_t rgba[4]);
int GetLegoEdgeColor(bool filled);
int MyLegoColorToLDRAWColor(int code);

// Counts the cells per colour code: all cells, and those with the surface
// mark (empty cells under code 0).
void GenerateBrickStatistics(const LegoStructure* ball, int64_t all[kLegoColourCodes],
                             int64_t surface[kLegoColourCodes]);

// The key of everything a built model depends on: a model whose key matches
// is reused.
int64_t BrickBuildKey(long outputMode, int64_t size, bool plates, bool dithering, int64_t colourSet,
                      const float tumbleAngles[3], const BrickPicture* picture);
// The settings the brick globe is built from, out of Parameters.
struct BrickSettings {
    int64_t size;
    bool plates, dithering;
    int64_t colourSet;
    float tumbleDegrees[3];
    int32_t hemisphere;
};
BrickSettings BrickSettingsOf(const Parameters* params);
// The picture source of a model built outside a render (the exports), from
// Data and Parameters; table must hold 400 floats.
BrickPicture BrickPictureOf(const Data* data, const Parameters* params, float* table);
// The tumble of the brick globe from its angles in degrees.
void BrickTumble(tumbletype* tumble, const float degrees[3]);
