// The image store: one picture at up to 20 levels of detail, each level half
// the size of the one below, every level cut into tiles 512 pixels wide so a
// pixel's tile and offset follow from shifts and masks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/rectangles.h"
#include "records/pyramid_descriptor.h"

// ---- kind tables ----
int64_t bytes_per_pixel_from_kind(int64_t kind);
int64_t bytes_per_pixel_from_kind_and_Qness(int64_t kind, int64_t bordered);
int64_t components_per_pixel_from_kind(int64_t kind);
int64_t bytes_per_component_from_kind(int64_t kind);
float full_scale_from_kind(int64_t kind);

// ---- level geometry (w, h the level-0 interior size) ----
int64_t maybe_round_to_evenness(int64_t n);
void GetInteriorLevelDimensions(int64_t w, int64_t h, int64_t L, int64_t* outW, int64_t* outH);
void GetAllLevelDimensions(int64_t w, int64_t h, int64_t L, int64_t* outW, int64_t* outH,
                           int64_t bordered);
int64_t interior_pixels_in_level(int64_t w, int64_t h, int64_t L);
int64_t all_pixels_in_level(int64_t w, int64_t h, int64_t L, int64_t bordered);
int64_t pixel_offset_to_level(const VRect* rect, int64_t L, int64_t bordered);
int64_t top_level_of_pyramid_by_interior_dimensions(int64_t w, int64_t h);
int64_t all_pixels_in_Pyramid_by_rectangle(const VRect* rect, int64_t bordered);
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
bool PyramidsAreSimilar(const PyramidDescriptor* a, const PyramidDescriptor* b);
bool PyramidsAreSimilarSizeAtLevel0(const PyramidDescriptor* a, const PyramidDescriptor* b);
bool PyramidsAreSimilarSizeAndHeight(const PyramidDescriptor* a, const PyramidDescriptor* b);

// ---- tiles and levels ----
int64_t BytesInTile(const PyramidDescriptor* pyr, int64_t i);
VRect GetBoundingVRectOfPyrLevel(const PyramidDescriptor* pyr, int64_t L);

inline bool PointIsOutsideOfPyrLevel(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L) {
    return static_cast<uint64_t>(x) >= static_cast<uint64_t>(pyr->width[L]) ||
           static_cast<uint64_t>(y) >= static_cast<uint64_t>(pyr->height[L]);
}

// ---- unit and pixel positions ----
// A unit position runs 0..1 across the picture at every level; a pixel
// position of level L has its pixel centres at whole numbers. Pixel x of
// level L covers level-0 columns x * 2^L .. (x + 1) * 2^L, so both directions
// scale by unitScaleX[L] (the level-0 width over 2^L). A level whose size was
// rounded up holds a little more than the picture: unit 1 lands short of its
// last pixel's far edge, and its interior width is not the scale.
inline float UnitToPixelX(const PyramidDescriptor* pyr, int64_t L, float u) { return u * pyr->unitScaleX[L] - 0.5f; }
inline float UnitToPixelY(const PyramidDescriptor* pyr, int64_t L, float v) { return v * pyr->unitScaleY[L] - 0.5f; }
inline float PixelToUnitX(const PyramidDescriptor* pyr, int64_t L, float X) {
    return (X + 0.5f) * (1.0f / pyr->unitScaleX[L]);
}
inline float PixelToUnitY(const PyramidDescriptor* pyr, int64_t L, float Y) {
    return (Y + 0.5f) * (1.0f / pyr->unitScaleY[L]);
}
