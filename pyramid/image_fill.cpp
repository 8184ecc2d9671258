#include "pyramid/image_fill.h"

#include <algorithm>
#include <bit>
#include <cstring>
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VORNESK_BYTE_SHUFFLES 1
#endif

#include "platform/cpu_features.h"
#include "pyramid/pixels.h"
#include "host_access/FilterBigDocument.h"

namespace {

// A block of host pixels as the host delivers it: rows rowBytes apart, each
// pixel pixelSamples interleaved samples of depth bits (8: bytes; 16: 0..32768;
// 32: floats), colour samples first.
struct HostPixelChunk {
    const void* data;
    int64_t rowBytes;
    int64_t columns;        // pixels delivered per row
    int64_t rows;           // rows delivered
    int64_t pixelSamples;   // samples per pixel
    int64_t depth;          // bits per sample
    bool colour;            // three colour samples (else one grey sample)
    int64_t alphaIndex;     // sample holding the transparency; -1 for opaque
};

template <class T>
T Sample(const uint8_t* pixel, int64_t i) {
    T v;
    std::memcpy(&v, pixel + i * static_cast<int64_t>(sizeof(T)), sizeof v);
    return v;
}

#if defined(VORNESK_BYTE_SHUFFLES)
// Opaque 8-bit colour of three bytes a pixel into pyramid words (c0 in the
// top byte, alpha in the lowest), four pixels at a time; returns how many
// pixels were done, which leaves the last ones to the caller.
[[gnu::target("ssse3")]] int64_t PackOpaqueColourPixels(const uint8_t* src, uint8_t* dst, int64_t columns) {
    const __m128i order = _mm_setr_epi8(-1, 2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9);
    const __m128i opaque = _mm_set1_epi32(0xFF);
    int64_t x = 0;
    // Each step reads 16 bytes, four past its pixels: two more pixels must follow.
    for (; x + 6 <= columns; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_or_si128(_mm_shuffle_epi8(v, order), opaque));
    }
    return x;
}
#endif

// One tile row of level 0 from one chunk row, for samples of type S and
// pixels of four components of type P (or the packed word for bytes).
template <class S>
void CopyRow(const HostPixelChunk& c, const uint8_t* src, uint8_t* dst, int64_t columns, S opaque) {
    const int64_t step = c.pixelSamples * static_cast<int64_t>(sizeof(S));
    if constexpr (sizeof(S) == 1) {
        if (std::endian::native == std::endian::little && c.colour && c.alphaIndex < 0 && columns > 0) {
            // Opaque 8-bit colour: a pixel's bytes read as one little-endian
            // word with the next pixel's first byte (all but the last pixel),
            // that byte made opaque, and the word's bytes turned round into
            // the pyramid's order (c0 in the top byte, alpha in the lowest).
            int64_t x = 0;
#if defined(VORNESK_BYTE_SHUFFLES)
            if (step == 3 && ProcessorHasByteShuffles()) {
                x = PackOpaqueColourPixels(src, dst, columns);
                src += x * step;
            }
#endif
            for (; x + 1 < columns; ++x, src += step) {
                uint32_t w;
                std::memcpy(&w, src, 4);
                pyr_store<uint32_t>(dst + x * 4, __builtin_bswap32((w & 0x00FFFFFFu) | 0xFF000000u));
            }
            pyr_store<uint32_t>(dst + (columns - 1) * 4, pack_pyramid_word4(src[0], src[1], src[2], opaque));
            return;
        }
    }
    for (int64_t x = 0; x < columns; ++x, src += step) {
        const S s0 = Sample<S>(src, 0);
        const S s1 = c.colour ? Sample<S>(src, 1) : s0;
        const S s2 = c.colour ? Sample<S>(src, 2) : s0;
        const S a = c.alphaIndex >= 0 ? Sample<S>(src, c.alphaIndex) : opaque;
        if constexpr (sizeof(S) == 1) {
            pyr_store<uint32_t>(dst + x * 4, pack_pyramid_word4(s0, s1, s2, a));
        } else {
            const S v[4] = {s0, s1, s2, a};
            std::memcpy(dst + x * static_cast<int64_t>(sizeof v), v, sizeof v);
        }
    }
}

// The tile of level 0 at index i, or null when there is none with pixels.
MemTile* Level0Tile(PyramidDescriptor* pyr, int64_t i) {
    if (!pyr || !pyr->tiles || i < pyr->firstTile[0] || i > pyr->lastTile[0] || i >= pyr->tileCount) return nullptr;
    MemTile* t = &pyr->tiles[i];
    return t->pixels && t->rows >= 1 ? t : nullptr;
}

// Columns of the tile that lie inside level 0.
int64_t ColumnsInLevel(const PyramidDescriptor* pyr, const MemTile& t) {
    const int64_t n = pyr->width[0] - t.originX;
    return n < kTileSide ? n : kTileSide;
}

}  // namespace

bool HostImageSuitsPyramidKind(int64_t imageMode, int64_t depth, int64_t kind) {
    if ((imageMode == 1 || imageMode == 3) && depth <= 8) return kind == kPyrColour8;
    if ((imageMode == 10 || imageMode == 11) && depth == 16) return kind == kPyrColour16;
    if (depth == 32 || imageMode == 16 || imageMode == 17) return kind == kPyrColourFloat;
    return false;
}

namespace {

// The chunk can fill a tile of the pyramid: its depth matches the kind and
// its rows hold the pixels it claims.
bool ChunkSuits(const HostPixelChunk& c, const PyramidDescriptor* pyr) {
    if (!c.data || c.columns < 1 || c.rows < 1) return false;
    const int64_t needKind = c.depth == 8 ? kPyrColour8 : c.depth == 16 ? kPyrColour16 : c.depth == 32 ? kPyrColourFloat : int64_t{-1};
    if (pyr->kind != needKind) return false;
    if (c.pixelSamples < (c.colour ? 3 : 1) || c.alphaIndex >= c.pixelSamples) return false;
    return c.rowBytes >= c.columns * c.pixelSamples * (c.depth / 8);
}

// The chunk into tile t from the tile's pixel (column, row) on, as far as
// both reach.
void CopyChunkIntoTileAt(const HostPixelChunk& c, const PyramidDescriptor* pyr, const MemTile& t, int64_t row,
                         int64_t column) {
    const int64_t columns = std::min(ColumnsInLevel(pyr, t) - column, c.columns);
    const int64_t rows = std::min(t.rows - row, c.rows);
    const int64_t tileRow = kTileSide * pyr->bytesPerPixel;
    for (int64_t r = 0; r < rows; ++r) {
        const uint8_t* src = static_cast<const uint8_t*>(c.data) + r * c.rowBytes;
        uint8_t* dst = static_cast<uint8_t*>(t.pixels) + (row + r) * tileRow + column * pyr->bytesPerPixel;
        if (c.depth == 8) CopyRow<uint8_t>(c, src, dst, columns, 255);
        else if (c.depth == 16) CopyRow<uint16_t>(c, src, dst, columns, 32768);
        else CopyRow<float>(c, src, dst, columns, 1.0f);
    }
}

// The host's current input buffer as a chunk of the pyramid's depth; false
// when the host's image does not suit the pyramid's kind.
bool CurrentInputChunk(const PyramidDescriptor* pyr, HostPixelChunk* c) {
    if (!pyr || !HostImageSuitsPyramidKind(GetImageMode(), GetDepth(), pyr->kind)) return false;
    const VRect in = GetInRect();
    c->data = GetInData();
    c->rowBytes = GetInRowBytes();
    c->columns = int64_t{in.right} - in.left;
    c->rows = int64_t{in.bottom} - in.top;
    c->pixelSamples = Get_srcStride();
    c->depth = pyr->kind == kPyrColour8 ? 8 : pyr->kind == kPyrColour16 ? 16 : 32;
    c->colour = GetPlanes() >= 3;
    // The transparency follows the layer's colour planes.
    const int64_t a = int64_t{GetInLayerPlanes()} - GetInLoPlane();
    c->alphaIndex = ShouldCopyTransparencyForPyramid() && a >= 0 && a < c->pixelSamples ? a : -1;
    return true;
}

}  // namespace

bool ShouldCopyTransparencyForPyramid() {
    const int16_t c = GetFilterCase();
    return c == filterCaseEditableTransparencyNoSelection || c == filterCaseEditableTransparencyWithSelection;
}

void CopyInRectPartToLevel0(PyramidDescriptor* pyr, VPoint origin, VRect part) {
    HostPixelChunk c{};
    if (!pyr || !pyr->tiles || !CurrentInputChunk(pyr, &c) || !ChunkSuits(c, pyr)) return;
    // What the part and the chunk both cover, in level-0 pixels.
    const int64_t top = std::max<int64_t>(part.top, origin.v), left = std::max<int64_t>(part.left, origin.h);
    const int64_t bottom = std::min<int64_t>(part.bottom, origin.v + c.rows);
    const int64_t right = std::min<int64_t>(part.right, origin.h + c.columns);
    if (top >= bottom || left >= right) return;
    const int64_t pixelBytes = c.pixelSamples * (c.depth / 8);
    for (int64_t i = pyr->firstTile[0]; i <= pyr->lastTile[0] && i < pyr->tileCount; ++i) {
        const MemTile* t = Level0Tile(pyr, i);
        if (!t) continue;
        const int64_t y0 = std::max(top, t->originY), y1 = std::min(bottom, t->originY + t->rows);
        const int64_t x0 = std::max(left, t->originX), x1 = std::min(right, t->originX + ColumnsInLevel(pyr, *t));
        if (y0 >= y1 || x0 >= x1) continue;
        HostPixelChunk piece = c;
        piece.data = static_cast<const uint8_t*>(c.data) + (y0 - origin.v) * c.rowBytes + (x0 - origin.h) * pixelBytes;
        piece.columns = x1 - x0;
        piece.rows = y1 - y0;
        CopyChunkIntoTileAt(piece, pyr, *t, y0 - t->originY, x0 - t->originX);
    }
}
