// The image store: one picture at up to 20 levels of detail, each level half
// the size of the one below, every level cut into tiles 512 pixels wide so a
// pixel's tile and offset follow from shifts and masks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/rectangles.h"

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
};

// ---- kind tables ----
int64_t bytes_per_pixel_from_kind(int64_t kind);
int64_t bytes_per_pixel_from_kind_and_Qness(int64_t kind, int64_t bordered);
int64_t components_per_pixel_from_kind(int64_t kind);
int64_t bytes_per_component_from_kind(int64_t kind);
int64_t pyrkind_from_bytesize(int64_t n);
float full_scale_from_kind(int64_t kind);
// The kind for a host image: modes 10 and 11 by depth (16 bits: kind 4, else
// 3), modes 16 and 17 kind 9, other modes 3; a depth of 32 always kind 9.
int64_t GetPyramidDatakindThatSuitsHostMode(int64_t hostImageMode, int64_t hostDepth);
// The same for the image of the current host call.
int64_t GetPyramidDatakindThatSuitsHostMode();

// ---- level geometry (w, h the level-0 interior size) ----
int64_t maybe_round_to_evenness(int64_t n);
void GetInteriorLevelDimensions(int64_t w, int64_t h, int64_t L, int64_t* outW, int64_t* outH);
void GetAllLevelDimensions(int64_t w, int64_t h, int64_t L, int64_t* outW, int64_t* outH,
                           int64_t bordered);
int64_t GetIdealLevelDimensions(const VRect* rect, int64_t L, float* outW, float* outH);
int64_t interior_pixels_in_level(int64_t w, int64_t h, int64_t L);
int64_t all_pixels_in_level(int64_t w, int64_t h, int64_t L, int64_t bordered);
int64_t pixel_offset_to_level(const VRect* rect, int64_t L, int64_t bordered);
int64_t byte_offset_to_level(const VRect* rect, int64_t L, int64_t bytesPerPixel, int64_t bordered);
int64_t top_level_of_pyramid_by_interior_dimensions(int64_t w, int64_t h);
int64_t all_pixels_in_Pyramid_by_rectangle(const VRect* rect, int64_t bordered);
int64_t bytes_in_pyramid_by_rectangle_and_Qness(const VRect* rect, int64_t bytesPerPixel,
                                                int64_t bordered);
void FindCheapTopLevel(PyramidDescriptor* pyr);
int64_t CountTilesForPyramid(int64_t w, int64_t h, int64_t bordered);

// ---- preparing a record before its first allocation ----
// The host's buffer procedures come from the filter record; until the shell
// keeps one, the owner passes them.
void InitPyramidProcs(PyramidDescriptor* pyr, BufferProcs* hostBufferProcs = nullptr);
void InitPyramidProcs_from_another_pyr(PyramidDescriptor* pyr, const PyramidDescriptor* other);
void InitPyramidProcsCore(PyramidDescriptor* pyr);
void InitPyramidSincLocal(PyramidDescriptor* pyr);

// ---- allocation: 1 on success, 0 on failure ----
int64_t TryToAllocatePyramid_2006(PyramidDescriptor* pyr, int64_t width, int64_t height,
                                  int64_t kind, int64_t edgeMode, int64_t bordered);
int64_t TryToAllocatePyramid_new(PyramidDescriptor* pyr, int64_t width, int64_t height,
                                 int64_t kind, int64_t edgeMode);
int64_t TryToAllocateCanvas_new(PyramidDescriptor* pyr, int64_t width, int64_t height,
                                int64_t kind, int64_t edgeMode);
int64_t TryToAllocatePyramid_old(PyramidDescriptor* pyr, int64_t width, int64_t height,
                                 int64_t bytesPerPixel, int64_t edgeMode);
int64_t TryToAllocateCanvas_old(PyramidDescriptor* pyr, int64_t width, int64_t height,
                                int64_t bytesPerPixel, int64_t edgeMode);
int64_t TryToAllocatePyramidOrCanvas_old(PyramidDescriptor* pyr, int64_t width, int64_t height,
                                         int64_t bytesPerPixel, int64_t edgeMode);
struct Data;
// The main (input) pyramid of data, of the kind that suits the host, edge mode 0.
bool AllocateColorPyramids(int64_t width, int64_t height, Data* data);
// The pyramid with the output's dimensions: the work area's offscreen pyramid
// when the render goes there, else the main pyramid; null outside a host call.
PyramidDescriptor* GetPyr_with_output_dimensions();
PyramidDescriptor* AllocateDynamicPyramid(int64_t width, int64_t height, int64_t kind,
                                          int64_t edgeMode, int64_t bordered,
                                          BufferProcs* hostBufferProcs = nullptr);
int64_t AllocateAndInitMemtileList(PyramidDescriptor* pyr, int64_t n);
int64_t DoTotalTileAllocation(PyramidDescriptor* pyr, int64_t kind, int64_t width, int64_t height);
void InitFastPyramidOffsets(const VRect* rect, PyramidDescriptor* pyr, int64_t bytesPerPixel,
                            int64_t takeReference);
// The same from a level-0 interior size w x h.
void InitFastPyramidOffsetsWH(int64_t w, int64_t h, PyramidDescriptor* pyr, int64_t bytesPerPixel,
                              int64_t takeReference);

// ---- disposal ----
void DisposePyramidData(PyramidDescriptor* pyr);
void DiposeOfAnyTiles(PyramidDescriptor* pyr);
void DisposeDynamicPyramid(PyramidDescriptor** pyrPointer);
// The tiles of the six cube-face pyramids of the invocation's Data.
void DumpAnyCorpus();

// ---- copying and comparing ----
void CopyPyrAToB(const PyramidDescriptor* a, PyramidDescriptor* b);
void SwapDataOfSimilarPyrs(PyramidDescriptor* a, PyramidDescriptor* b);
bool PyramidsAreSimilar(const PyramidDescriptor* a, const PyramidDescriptor* b);
bool PyramidsAreSimilarSizeAtLevel0(const PyramidDescriptor* a, const PyramidDescriptor* b);
bool PyramidsAreSimilarSizeAndHeight(const PyramidDescriptor* a, const PyramidDescriptor* b);

// ---- tiles and levels ----
int64_t BytesInTile(const PyramidDescriptor* pyr, int64_t i);
int64_t PixelsInTile(const PyramidDescriptor* pyr, int64_t i);
void GetRectOfTile(const PyramidDescriptor* pyr, int64_t i, VRect* rect);
VRect GetVRectOfTile(const PyramidDescriptor* pyr, int64_t i);
void GetBoundingRectOfPyrLevel(const PyramidDescriptor* pyr, int64_t L, VRect* rect);
VRect GetBoundingVRectOfPyrLevel(const PyramidDescriptor* pyr, int64_t L);

inline bool PointIsOutsideOfPyrLevel(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L) {
    return static_cast<uint64_t>(x) >= static_cast<uint64_t>(pyr->width[L]) ||
           static_cast<uint64_t>(y) >= static_cast<uint64_t>(pyr->height[L]);
}
