#include "pyramid/pyramid.h"

#include <cstdlib>
#include <cstring>

#include "common/memory.h"
#include "pyramid/kernels.h"

namespace {

HostBufferBlock* const kAllOnes = reinterpret_cast<HostBufferBlock*>(~static_cast<uintptr_t>(0));

// One halving step of a level side: halve in single precision, round up,
// then make sizes of 3 and more even.
int64_t HalveSide(int64_t n) {
    float h = static_cast<float>(n) * 0.5f;
    int64_t whole = static_cast<int64_t>(h);
    int64_t next = (static_cast<float>(whole) == h) ? whole : whole + 1;
    return maybe_round_to_evenness(next);
}

int64_t CeilTiles(int64_t n) { return (n + kTileSide - 1) / kTileSide; }

}  // namespace

// ---------------------------------------------------------------- kind tables

int64_t bytes_per_pixel_from_kind(int64_t kind) {
    static const int64_t table[10] = {1, 2, 2, 4, 8, 4, 0, 6, 0, 16};
    return (kind >= 0 && kind <= 9) ? table[kind] : 0;
}

int64_t bytes_per_pixel_from_kind_and_Qness(int64_t kind, int64_t bordered) {
    return bordered ? 4 : bytes_per_pixel_from_kind(kind);
}

int64_t components_per_pixel_from_kind(int64_t kind) {
    switch (kind) {
        case 3: case 4: case 9: return 4;
        case 7: return 3;
        default: return 1;
    }
}

int64_t bytes_per_component_from_kind(int64_t kind) {
    return bytes_per_pixel_from_kind(kind) / components_per_pixel_from_kind(kind);
}

float full_scale_from_kind(int64_t kind) {
    switch (kind) {
        case 0: case 3: return 255.0f;
        case 1: case 4: return 32768.0f;
        default: return 1.0f;
    }
}

// --------------------------------------------------------------- level geometry

int64_t maybe_round_to_evenness(int64_t n) { return (n >= 3) ? n + (n & 1) : n; }

void GetInteriorLevelDimensions(int64_t w, int64_t h, int64_t L, int64_t* outW, int64_t* outH) {
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    if (L < 0) {
        w = h = 0;
    } else {
        // Halving stops after the first 1 x 1 level reached by halving.
        for (int64_t level = 1; level <= L; ++level) {
            if (level >= 2 && w == 1 && h == 1) {
                w = h = 0;
                break;
            }
            w = HalveSide(w);
            h = HalveSide(h);
        }
    }
    if (outW) *outW = w;
    if (outH) *outH = h;
}

void GetAllLevelDimensions(int64_t w, int64_t h, int64_t L, int64_t* outW, int64_t* outH,
                           int64_t bordered) {
    int64_t lw, lh;
    GetInteriorLevelDimensions(w, h, L, &lw, &lh);
    int64_t b = bordered ? 2 : 0;
    if (outW) *outW = lw + b;
    if (outH) *outH = lh + b;
}

int64_t interior_pixels_in_level(int64_t w, int64_t h, int64_t L) {
    if (L < 0 || L >= kPyramidLevels) return 0;
    int64_t lw, lh;
    GetInteriorLevelDimensions(w, h, L, &lw, &lh);
    return lw * lh;
}

int64_t all_pixels_in_level(int64_t w, int64_t h, int64_t L, int64_t bordered) {
    if (L < 0 || L >= kPyramidLevels) return 0;
    int64_t lw, lh;
    GetAllLevelDimensions(w, h, L, &lw, &lh, bordered);
    return lw * lh;
}

int64_t top_level_of_pyramid_by_interior_dimensions(int64_t w, int64_t h) {
    int64_t top = 0;
    for (int64_t L = 0; L < kPyramidLevels; ++L) {
        if (interior_pixels_in_level(w, h, L) > 0) top = L;
        else break;
    }
    return top;
}

void FindCheapTopLevel(PyramidDescriptor* pyr) {
    pyr->cheapTopLevel = pyr->topLevel < 3 ? 0 : pyr->topLevel - 3;
}

int64_t CountTilesForPyramid(int64_t w, int64_t h, int64_t bordered) {
    int64_t top = top_level_of_pyramid_by_interior_dimensions(w, h);
    if (interior_pixels_in_level(w, h, 0) <= 0) return 0;
    int64_t count = 0;
    for (int64_t L = 0; L <= top; ++L) {
        int64_t lw, lh;
        GetAllLevelDimensions(w, h, L, &lw, &lh, bordered);
        count += CeilTiles(lw) * CeilTiles(lh);
    }
    return count;
}

// ------------------------------------------------------------------ preparing

void InitPyramidProcsCore(PyramidDescriptor* pyr) {
    if (!pyr) return;
    pyr->hostBuffer = nullptr;
    pyr->tileCount = 0;
    pyr->tiles = nullptr;
    pyr->tileBuffer = nullptr;
    pyr->noTiles = 0;
    pyr->status = -99;
}

void InitPyramidSincLocal(PyramidDescriptor* pyr) {
    if (!pyr) return;
    initGaussianPyrTable_sinc(&pyr->kernel);
}

void InitPyramidProcs(PyramidDescriptor* pyr, BufferProcs* hostBufferProcs) {
    if (!pyr) return;
    pyr->bufferProcs = hostBufferProcs;
    InitPyramidSincLocal(pyr);
    InitPyramidProcsCore(pyr);
}

void InitPyramidProcs_from_another_pyr(PyramidDescriptor* pyr, const PyramidDescriptor* other) {
    InitPyramidProcs(pyr, other ? other->bufferProcs : nullptr);
}

// ----------------------------------------------------------------- allocation

int64_t AllocateAndInitMemtileList(PyramidDescriptor* pyr, int64_t n) {
    if (!pyr || n < 0) return 0;
    auto* list = static_cast<MemTile*>(RobustNewPtr(static_cast<size_t>(n) * sizeof(MemTile)));
    pyr->tileBuffer = kAllOnes;
    if (!list) return 0;
    for (int64_t i = 0; i < n; ++i) list[i] = MemTile{0, nullptr, -1, -1, -1};
    pyr->tiles = list;
    pyr->tileCount = n;
    if (n >= 1) pyr->noTiles = 0;
    return 1;
}

int64_t DoTotalTileAllocation(PyramidDescriptor* pyr, int64_t kind, int64_t width, int64_t height) {
    const int64_t bordered = pyr->bordered ? 1 : 0;
    const int64_t bpp = bytes_per_pixel_from_kind(kind);
    const int64_t count = CountTilesForPyramid(width, height, bordered);
    if (!AllocateAndInitMemtileList(pyr, count)) return 0;
    pyr->topLevel = top_level_of_pyramid_by_interior_dimensions(width, height);
    FindCheapTopLevel(pyr);
    int64_t index = 0;
    size_t bytes = 0;
    for (int64_t L = 0; L <= pyr->topLevel; ++L) {
        int64_t lw, lh;
        GetAllLevelDimensions(width, height, L, &lw, &lh, bordered);
        pyr->firstTile[L] = index;
        pyr->tilesPerRow[L] = CeilTiles(lw);
        const int64_t tileRows = CeilTiles(lh);
        for (int64_t r = 0; r < tileRows; ++r) {
            const int64_t rows = (r == tileRows - 1) ? lh - kTileSide * r : kTileSide;
            for (int64_t c = 0; c < pyr->tilesPerRow[L]; ++c, ++index) {
                MemTile& t = pyr->tiles[index];
                t.originY = kTileSide * r;
                t.originX = kTileSide * c;
                t.rows = rows;
                t.state = -1;
                bytes += static_cast<size_t>(kTileSide * rows * bpp);
            }
        }
        pyr->lastTile[L] = index - 1;
    }
    // All levels' tiles in one block, which a large picture gets in huge
    // pages: its first writes then cost what writing costs.
    if (bytes == 0) return 1;
    auto* block = static_cast<uint8_t*>(RobustNewPictureBlock(bytes));
    if (!block) {
        DisposePyramidData(pyr);
        return 0;
    }
    pyr->tileBlockBytes = static_cast<int64_t>(bytes);
    for (int64_t i = 0; i < index; ++i) {
        pyr->tiles[i].pixels = block;
        block += kTileSide * pyr->tiles[i].rows * bpp;
    }
    return 1;
}

void InitFastPyramidOffsetsWH(int64_t w, int64_t h, PyramidDescriptor* pyr, int64_t bytesPerPixel,
                              int64_t takeReference) {
    pyr->topLevel = top_level_of_pyramid_by_interior_dimensions(w, h);
    FindCheapTopLevel(pyr);
    const int64_t b = pyr->bordered ? 2 : 0;
    for (int64_t L = 0; L <= pyr->topLevel; ++L) {
        int64_t lw, lh;
        GetInteriorLevelDimensions(w, h, L, &lw, &lh);
        pyr->width[L] = pyr->storedWidth[L] = lw + b;
        pyr->height[L] = pyr->storedHeight[L] = lh + b;
        pyr->maxX[L] = pyr->width[L] - 1;
        pyr->maxY[L] = pyr->height[L] - 1;
        pyr->maxXFloat[L] = static_cast<float>(pyr->maxX[L]);
        pyr->maxYFloat[L] = static_cast<float>(pyr->maxY[L]);
        pyr->interiorWidthFloat[L] = static_cast<float>(lw);
        pyr->interiorHeightFloat[L] = static_cast<float>(lh);
        pyr->invInteriorWidth[L] = 1.0f / static_cast<float>(lw);
        pyr->invInteriorHeight[L] = 1.0f / static_cast<float>(lh);
        const float s = 1.0f / static_cast<float>(int64_t{1} << L);
        pyr->levelScaleX[L] = s / (static_cast<float>(pyr->width[L]) / static_cast<float>(pyr->storedWidth[0]));
        pyr->levelScaleY[L] = s / (static_cast<float>(pyr->height[L]) / static_cast<float>(pyr->storedHeight[0]));
        pyr->unitScaleX[L] = pyr->levelScaleX[L] * static_cast<float>(pyr->width[L]);
        pyr->unitScaleY[L] = pyr->levelScaleY[L] * static_cast<float>(pyr->height[L]);
    }
    pyr->bytesPerPixel = bytesPerPixel;
    if (takeReference) {
        pyr->referenceWidth = pyr->width[0];
        pyr->referenceHeight = pyr->height[0];
    }
    const float W = static_cast<float>(pyr->referenceWidth);
    const float H = static_cast<float>(pyr->referenceHeight);
    pyr->aspectX = W > H ? W / H : 1.0f;
    pyr->aspectY = H > W ? H / W : 1.0f;
    pyr->spareFlag = 0;
    pyr->randomPhase = static_cast<double>(arc4random()) * 37.3453297;
    pyr->heightOverWidth = static_cast<float>(pyr->height[0]) / static_cast<float>(pyr->width[0]);
    pyr->widthOverHeight = static_cast<float>(pyr->width[0]) / static_cast<float>(pyr->height[0]);
    pyr->halfPixelX = 0.5f / static_cast<float>(pyr->width[0]);
    pyr->halfPixelY = 0.5f / static_cast<float>(pyr->height[0]);
}

int64_t TryToAllocatePyramid_2006(PyramidDescriptor* pyr, int64_t width, int64_t height,
                                  int64_t kind, int64_t edgeMode, int64_t bordered) {
    if (!pyr || width <= 0 || height <= 0) return 0;
    // Unknown kinds have no pixel layout at all.
    if (kind < 0 || kind > 9) return 0;
    // A bordered pyramid counts 4 bytes a pixel while its tile blocks are sized
    // by the kind; only the 4-byte kinds agree on both.
    if (bordered && bytes_per_pixel_from_kind(kind) != 4) return 0;
    // Geometry beyond what 64-bit byte counts and 32-bit rectangles hold.
    if (width > (int64_t{1} << 30) || height > (int64_t{1} << 30) ||
        width * height > (int64_t{1} << 50))
        return 0;

    // Re-allocating a record that still holds tiles would leak them.
    DiposeOfAnyTiles(pyr);

    pyr->bordered = bordered ? 1 : 0;
    const int64_t b = bytes_per_pixel_from_kind_and_Qness(kind, bordered);
    const VRect whole{0, 0, static_cast<int32_t>(height), static_cast<int32_t>(width)};
    const int64_t pixels = all_pixels_in_Pyramid_by_rectangle(&whole, bordered);

    if (bytes_per_pixel_from_kind(kind) == 0) {
        // Kinds without pixel data: the geometry only, no tile list.
        pyr->tileBuffer = kAllOnes;
        pyr->tiles = nullptr;
        pyr->tileCount = 0;
        pyr->noTiles = 1;
        pyr->topLevel = top_level_of_pyramid_by_interior_dimensions(width, height);
        FindCheapTopLevel(pyr);
        for (int64_t L = 0; L <= pyr->topLevel; ++L) pyr->firstTile[L] = pyr->lastTile[L] = -1, pyr->tilesPerRow[L] = 0;
    } else if (!DoTotalTileAllocation(pyr, kind, width, height)) {
        return 0;
    }

    pyr->kind = kind;
    pyr->componentsPerPixel = components_per_pixel_from_kind(kind);
    pyr->bytesPerComponent = bytes_per_component_from_kind(kind);
    InitFastPyramidOffsets(&whole, pyr, b, 1);
    pyr->totalBytes = pixels * b;
    pyr->userWord = 0;
    pyr->edgeMode = edgeMode;
    pyr->overhangMode = 3;
    pyr->highQuality = 0;
    pyr->mipmapState = 0;
    pyr->fullScale = full_scale_from_kind(kind);
    pyr->invFullScale = 1.0f / pyr->fullScale;
    pyr->spareFloat = -1.0f;
    pyr->contentTag = 0;
    pyr->dynamic = 0;
    pyr->cubeFaces = nullptr;
    pyr->cubeFace = 0;
    pyr->cubeMirror = 0;
    pyr->cubeLevelsPending = 0;
    return 1;
}

PyramidDescriptor* AllocateDynamicPyramid(int64_t width, int64_t height, int64_t kind,
                                          int64_t edgeMode, int64_t bordered, BufferProcs* hostBufferProcs) {
    auto* pyr = static_cast<PyramidDescriptor*>(RobustNewPtr(sizeof(PyramidDescriptor)));
    if (!pyr) return nullptr;
    std::memset(static_cast<void*>(pyr), 0, sizeof(PyramidDescriptor));
    InitPyramidProcs(pyr, hostBufferProcs);
    if (!TryToAllocatePyramid_2006(pyr, width, height, kind, edgeMode, bordered)) {
        RobustDisposePtr(&pyr);
        return nullptr;
    }
    pyr->dynamic = 1;
    return pyr;
}

// ------------------------------------------------------------------- disposal

void DiposeOfAnyTiles(PyramidDescriptor* pyr) {
    if (!pyr || !pyr->tiles) return;
    if (pyr->tileCount > 0) RobustDisposePictureBlock(&pyr->tiles[0].pixels, static_cast<size_t>(pyr->tileBlockBytes));
    for (int64_t i = 0; i < pyr->tileCount; ++i) {
        pyr->tiles[i].state = -1;
        pyr->tiles[i].pixels = nullptr;
    }
    RobustDisposePtr(&pyr->tiles);
    pyr->tileBlockBytes = 0;
    pyr->tileCount = 0;
    pyr->noTiles = 1;
    pyr->tileBuffer = kAllOnes;
}

void DisposePyramidData(PyramidDescriptor* pyr) {
    if (!pyr) return;
    DiposeOfAnyTiles(pyr);
    pyr->contentTag = 0;
    pyr->cubeFaces = nullptr;
    pyr->cubeLevelsPending = 0;
}

void DisposeDynamicPyramid(PyramidDescriptor** pyrPointer) {
    if (!pyrPointer || !*pyrPointer) return;
    PyramidDescriptor* pyr = *pyrPointer;
    DisposePyramidData(pyr);
    if (pyr->dynamic) RobustDisposePtr(pyrPointer);
}

// --------------------------------------------------------- copying, comparing

bool PyramidsAreSimilarSizeAtLevel0(const PyramidDescriptor* a, const PyramidDescriptor* b) {
    return a && b && a->width[0] == b->width[0] && a->height[0] == b->height[0];
}

bool PyramidsAreSimilarSizeAndHeight(const PyramidDescriptor* a, const PyramidDescriptor* b) {
    return PyramidsAreSimilarSizeAtLevel0(a, b) && a->topLevel == b->topLevel;
}

bool PyramidsAreSimilar(const PyramidDescriptor* a, const PyramidDescriptor* b) {
    return PyramidsAreSimilarSizeAndHeight(a, b) && a->bytesPerPixel == b->bytesPerPixel;
}

void CopyPyrAToB(const PyramidDescriptor* a, PyramidDescriptor* b) {
    if (!PyramidsAreSimilar(a, b) || a->totalBytes != b->totalBytes) return;
    if (!a->tiles || !b->tiles || a == b) return;
    // Same bytes per pixel but different kinds (e.g. 3 and 5) have the same
    // block sizes; the tile counts must agree for the copy to be safe.
    if (a->tileCount != b->tileCount) return;
    // The smaller levels of an A that holds level 0 only are not copied.
    const int64_t last = a->mipmapState == 1 ? a->lastTile[0] : a->lastTile[a->topLevel];
    for (int64_t i = a->firstTile[0]; i <= last; ++i) {
        const int64_t n = BytesInTile(a, i);
        if (n != BytesInTile(b, i)) return;
        std::memcpy(b->tiles[i].pixels, a->tiles[i].pixels, static_cast<size_t>(n));
    }
    b->mipmapState = a->mipmapState;
}

// ---------------------------------------------------------------------- tiles

int64_t BytesInTile(const PyramidDescriptor* pyr, int64_t i) {
    if (!pyr || i < 0 || i >= pyr->tileCount) return 0;
    return pyr->componentsPerPixel * pyr->tiles[i].rows * kTileSide * pyr->bytesPerComponent;
}

VRect GetBoundingVRectOfPyrLevel(const PyramidDescriptor* pyr, int64_t L) {
    if (!pyr || L < 0 || L > pyr->topLevel) return VRect{0, 0, 0, 0};
    return VRect{0, 0, static_cast<int32_t>(pyr->height[L]), static_cast<int32_t>(pyr->width[L])};
}

// ------------------------------------------------- geometry of a rectangle

namespace {
int64_t RectW(const VRect* r) { return int64_t{r->right} - r->left; }
int64_t RectH(const VRect* r) { return int64_t{r->bottom} - r->top; }
}  // namespace

int64_t pixel_offset_to_level(const VRect* rect, int64_t L, int64_t bordered) {
    int64_t sum = 0;
    for (int64_t level = 0; level < L && level < kPyramidLevels; ++level)
        sum += all_pixels_in_level(RectW(rect), RectH(rect), level, bordered);
    return sum;
}

int64_t all_pixels_in_Pyramid_by_rectangle(const VRect* rect, int64_t bordered) {
    return pixel_offset_to_level(rect, kPyramidLevels, bordered);
}

void InitFastPyramidOffsets(const VRect* rect, PyramidDescriptor* pyr, int64_t bytesPerPixel,
                            int64_t takeReference) {
    InitFastPyramidOffsetsWH(RectW(rect), RectH(rect), pyr, bytesPerPixel, takeReference);
}
