// The pyramid record: one picture at up to 20 levels of detail, each level
// half the size of the one below, every level cut into tiles 512 pixels wide
// so a pixel's tile and offset follow from shifts and masks. The functions
// over it are in pyramid/pyramid.h.
#pragma once

#include <cstddef>
#include <cstdint>

struct HostBufferBlock;  // the host's buffer ids and procedures
struct BufferProcs;

constexpr int64_t kPyramidLevels = 20;
constexpr int64_t kTileSide = 512;   // pixels across every tile block
constexpr int64_t kTileShift = 9;    // log2(kTileSide)
constexpr int64_t kKernelPhases = 128;
constexpr int64_t kKernelTaps = 5;

// Pixel kinds (`kind`): see bytes_per_pixel_from_kind for their sizes.
enum : int64_t {
    kPyrGrey8 = 0,        // 8-bit grey, full scale 255
    kPyrGrey16 = 1,       // 16-bit grey, full scale 32768
    kPyrSingle16 = 2,     // 16-bit single component, full scale 1.0
    kPyrColour8 = 3,      // one 32-bit word: c0 in bits 24..31 ... alpha in 0..7
    kPyrColour16 = 4,     // four 16-bit values, full scale 32768
    kPyrGreyFloat = 5,    // 32-bit float grey
    kPyrNoStorage6 = 6,   // no pixel data
    kPyrGradient = 7,     // three signed 16-bit values
    kPyrNoStorage8 = 8,   // no pixel data
    kPyrColourFloat = 9,  // four 32-bit floats
};

struct MemTile {
    int64_t state;    // 0 fresh, -1 once given pixels (and while being freed)
    void* pixels;     // 512 x rows pixels, row-major; null when not allocated
    int64_t originY;  // first row within the level (multiple of 512), -1 fresh
    int64_t originX;  // first column within the level, -1 fresh
    int64_t rows;     // 512, or the remainder in the last tile row; -1 fresh
};

// Five-tap resampling weights for 128 sub-pixel phases; entry tap * 128 + phase.
struct sincType {
    float weights[kKernelTaps * kKernelPhases];
    int64_t weights2048[kKernelTaps * kKernelPhases];   // each phase sums to 2048
    int64_t weights32768[kKernelTaps * kKernelPhases];  // each phase sums to 32768
    float weightsCopy[kKernelTaps * kKernelPhases];
};

struct PyramidDescriptor {
    int64_t width[kPyramidLevels];
    int64_t height[kPyramidLevels];
    int64_t storedWidth[kPyramidLevels];
    int64_t storedHeight[kPyramidLevels];
    int64_t referenceWidth;
    int64_t referenceHeight;
    float maxXFloat[kPyramidLevels];
    float maxYFloat[kPyramidLevels];
    int64_t maxX[kPyramidLevels];
    int64_t maxY[kPyramidLevels];
    float interiorWidthFloat[kPyramidLevels];
    float interiorHeightFloat[kPyramidLevels];
    int64_t topLevel;
    int64_t cheapTopLevel;
    int64_t totalBytes;
    int64_t bytesPerPixel;
    int64_t componentsPerPixel;
    int64_t bytesPerComponent;
    int64_t kind;
    int64_t tileCount;
    MemTile* tiles;
    int64_t tileBlockBytes;  // the tiles' pixels, one block from the first tile's on
    HostBufferBlock* tileBuffer;  // all one bits when a list is made or freed
    int32_t noTiles;
    int64_t firstTile[kPyramidLevels];
    int64_t lastTile[kPyramidLevels];
    int64_t tilesPerRow[kPyramidLevels];
    HostBufferBlock* hostBuffer;  // for the owner's use
    BufferProcs* bufferProcs;     // the host's buffer procedures
    void* userPointer;  // for the owner's use; never set here
    int64_t userWord;
    float invInteriorWidth[kPyramidLevels];
    float invInteriorHeight[kPyramidLevels];
    float heightOverWidth;
    float widthOverHeight;
    float halfPixelX;
    float halfPixelY;
    float levelScaleX[kPyramidLevels];
    float levelScaleY[kPyramidLevels];
    float unitScaleX[kPyramidLevels];  // unit x (0..1) to a column of level L
    float unitScaleY[kPyramidLevels];
    uint8_t spareFlag;
    int64_t edgeMode;      // 0 clamp, 1 wrap both, 2 wrap columns; -1 clamp and no mipmaps
    int64_t overhangMode;  // how unit positions outside the picture are treated
    double randomPhase;
    int32_t spareRect[4];
    int64_t spareWord;
    int64_t mipmapState;   // 0 none, 1 level 0 only, 2 all levels, 3 rebuilt over a range
    float aspectX;
    float aspectY;
    float invFullScale;
    float fullScale;
    float spareFloat;
    uint8_t bordered;
    int64_t contentTag;
    int64_t highQuality;   // smaller levels through the filtered sampler
    int32_t status;
    uint8_t dynamic;       // record itself allocated by AllocateDynamicPyramid
    sincType kernel;
    // A face of a cube corpus reads the pixels beyond its edges from the faces
    // across them: the corpus's six faces (face 0 first), this face's number
    // and how its picture is mirrored against the cube (bit 0 left to right,
    // bit 1 top to bottom). Null for every other pyramid.
    const PyramidDescriptor* cubeFaces;
    int64_t cubeFace;
    int64_t cubeMirror;
    // On face 0 of a corpus: 1 while the six faces' smaller levels are still
    // to be built (the first read that wants one builds them all), else 0.
    // Read and cleared atomically: the render's threads test it.
    int64_t cubeLevelsPending;
};
