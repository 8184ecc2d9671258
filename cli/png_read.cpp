#include "cli/png_file.h"

#include <sys/mman.h>

#include <libdeflate.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VORNESK_WIDE_LANES 1
#endif
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <memory>

#include "cli/image_files.h"
#include "cli/picture_file_support.h"
#include "cli/png_paeth.h"
#include "platform/cpu_features.h"

namespace {

struct PngContext {
    jmp_buf jump;
    char message[200];
};

void PngError(png_structp png, png_const_charp text) {
    auto* ctx = static_cast<PngContext*>(png_get_error_ptr(png));
    std::snprintf(ctx->message, sizeof ctx->message, "%s", text);
    longjmp(ctx->jump, 1);
}

void PngWarning(png_structp, png_const_charp) {}
// Walks a PNG file's chunks before libpng reads any: every chunk must fit in
// what is left of the file. Counts the bytes of the IDAT chunks, the only
// ones that hold pixels. False, with the reason, for a chunk the file
// cannot hold; a file cut inside a chunk's header is left to libpng.
bool WalkPngChunks(FILE* f, uint64_t fileSize, uint64_t* idatBytes, char* message, size_t size) {
    *idatBytes = 0;
    bool ok = true;
    for (uint64_t at = 8; ok && at + 8 <= fileSize;) {
        uint8_t head[8];
        if (fseeko(f, off_t(at), SEEK_SET) != 0 || std::fread(head, 1, 8, f) != 8) break;
        const uint64_t length = BigEndian32(head);
        if (length > 0x7fffffffu || length + 12 > fileSize - at) {
            std::snprintf(message, size, "its %.4s chunk claims %llu bytes, more than the file holds",
                          reinterpret_cast<const char*>(head + 4), static_cast<unsigned long long>(length));
            ok = false;
        }
        if (std::memcmp(head + 4, "IDAT", 4) == 0) *idatBytes += length;
        if (std::memcmp(head + 4, "IEND", 4) == 0) break;
        at += length + 12;
    }
    std::rewind(f);
    return ok;
}

// Chunks this reader has no use for: skipped unread, never held in memory.
constexpr png_byte kIgnoredPngChunks[] = "tEXt\0zTXt\0iTXt\0sPLT\0iCCP\0eXIf\0hIST\0tIME";

// The common PNG files (8 or 16-bit grey, grey and alpha, RGB or RGBA, not
// interlaced, no palette, no transparency chunk, nothing unusual) are read
// here without libpng: the size of the filtered rows is known from the
// header, so the joined IDAT data are inflated in one call, straight into
// the document's samples, and each row is unfiltered in place. Every chunk's
// CRC and the zlib stream's Adler-32 are checked. Any file this reader does
// not take whole (another kind, a chunk out of order, a stream that ends
// early or goes on, a bad checksum, a limit the picture passes) is left to
// libpng, which decides what it is: the two read the same pixels.
bool LettersOnly(const uint8_t* type) {
    for (int i = 0; i < 4; ++i)
        if (!std::isalpha(type[i])) return false;
    return true;
}

// The Paeth predictor of a (left), b (above) and c (above left).
inline int PaethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

#if defined(__SSE2__)
// Sub, Average and Paeth are serial along a row: one pixel of `Bpp` bytes
// at a time, its bytes side by side in 16-bit lanes.
// Bpp bytes to or from the low bytes of v, without a round trip through memory.
template <size_t Bpp>
inline uint64_t LoadBytes(const uint8_t* p) {
    uint64_t v = 0;
    if constexpr (Bpp >= 4) {
        uint32_t w;
        std::memcpy(&w, p, 4);
        v = w;
    } else if constexpr (Bpp >= 2) {
        uint16_t w;
        std::memcpy(&w, p, 2);
        v = w;
    }
    constexpr size_t done = Bpp >= 4 ? 4 : Bpp >= 2 ? 2 : 0;
    if constexpr (Bpp - done >= 4) {
        uint32_t w;
        std::memcpy(&w, p + done, 4);
        v |= uint64_t(w) << (8 * done);
    } else if constexpr (Bpp - done >= 2) {
        uint16_t w;
        std::memcpy(&w, p + done, 2);
        v |= uint64_t(w) << (8 * done);
    } else if constexpr (Bpp - done == 1) {
        v |= uint64_t(p[done]) << (8 * done);
    }
    return v;
}

template <size_t Bpp>
inline void StoreBytes(uint8_t* p, uint64_t v) {
    constexpr size_t first = Bpp >= 4 ? 4 : Bpp >= 2 ? 2 : 0;
    if constexpr (first == 4) {
        const uint32_t w = uint32_t(v);
        std::memcpy(p, &w, 4);
    } else if constexpr (first == 2) {
        const uint16_t w = uint16_t(v);
        std::memcpy(p, &w, 2);
    }
    if constexpr (Bpp - first >= 4) {
        const uint32_t w = uint32_t(v >> (8 * first));
        std::memcpy(p + first, &w, 4);
    } else if constexpr (Bpp - first >= 2) {
        const uint16_t w = uint16_t(v >> (8 * first));
        std::memcpy(p + first, &w, 2);
    } else if constexpr (Bpp - first == 1) {
        p[first] = uint8_t(v >> (8 * first));
    }
}

template <size_t Bpp>
inline __m128i LoadPixel(const uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_cvtsi64_si128(int64_t(LoadBytes<Bpp>(p))), _mm_setzero_si128());
}

// x's lanes hold bytes (0..255).
template <size_t Bpp>
inline void StorePixel(uint8_t* p, __m128i x) {
    StoreBytes<Bpp>(p, uint64_t(_mm_cvtsi128_si64(_mm_packus_epi16(x, x))));
}

// Two Paeth rows at once: row 0 (`in0` into `out0`, below `above`) and the
// row under it (`in1` into `out1`), each pixel of the lower row made from
// the pixel just made above it. The two rows' chains of dependent steps run
// side by side.
template <size_t Bpp>
void UnfilterPaethPair(const uint8_t* in0, const uint8_t* above, uint8_t* out0, const uint8_t* in1, uint8_t* out1,
                       size_t n) {
    const __m128i bytes = _mm_set1_epi16(0xff);
    __m128i a0 = _mm_setzero_si128(), c0 = a0, a1 = a0, c1 = a0;
    for (size_t i = 0; i < n; i += Bpp) {
        const __m128i x0 = LoadPixel<Bpp>(in0 + i), b0 = LoadPixel<Bpp>(above + i), x1 = LoadPixel<Bpp>(in1 + i);
        a0 = _mm_and_si128(_mm_add_epi16(x0, PaethPrediction(a0, b0, c0)), bytes);
        c0 = b0;
        StorePixel<Bpp>(out0 + i, a0);
        a1 = _mm_and_si128(_mm_add_epi16(x1, PaethPrediction(a1, a0, c1)), bytes);
        c1 = a0;
        StorePixel<Bpp>(out1 + i, a1);
    }
}

// UnfilterPaethPair for pixels of three or four bytes, both rows in one
// vector: the upper row's pixel in the low four lanes, the lower row's pixel
// one to the left in the high four. The vector last made is then the left
// neighbours of both, the upper half of the pixels above is the upper row's
// last pixel, and the pixels above left are the last step's pixels above.
template <size_t Bpp>
struct PackedPaethPair {
    static_assert(Bpp == 3 || Bpp == 4);
    const uint8_t *in0, *above;
    uint8_t* out0;
    const uint8_t* in1;
    uint8_t* out1;
    size_t n;
    __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();

    // The step at byte i (0..n): the upper row's pixel at i, the lower's at i - Bpp.
    inline void Step(size_t i) {
        const __m128i bytes = _mm_set1_epi16(0xff);
        const __m128i x = _mm_unpacklo_epi64(i < n ? LoadPixel<Bpp>(in0 + i) : _mm_setzero_si128(),
                                             i > 0 ? LoadPixel<Bpp>(in1 + i - Bpp) : _mm_setzero_si128());
        const __m128i b = _mm_unpacklo_epi64(i < n ? LoadPixel<Bpp>(above + i) : _mm_setzero_si128(), a);
        a = _mm_and_si128(_mm_add_epi16(x, PaethPrediction(a, b, c)), bytes);
        c = b;
        const uint64_t both = uint64_t(_mm_cvtsi128_si64(_mm_packus_epi16(a, a)));
        if (i < n) StoreBytes<Bpp>(out0 + i, both);
        if (i > 0) StoreBytes<Bpp>(out1 + i - Bpp, both >> 32);
    }

#if defined(VORNESK_WIDE_LANES)
    // Step with the instructions of processors that have 256-bit lanes
    // (absolute values and blends in one step each), which shorten the chain
    // of dependent steps: the same integer steps, so the same bytes.
    [[gnu::target("avx2")]] inline void StepWide(size_t i) {
        const __m128i x = _mm_unpacklo_epi64(i < n ? LoadPixel<Bpp>(in0 + i) : _mm_setzero_si128(),
                                             i > 0 ? LoadPixel<Bpp>(in1 + i - Bpp) : _mm_setzero_si128());
        const __m128i b = _mm_unpacklo_epi64(i < n ? LoadPixel<Bpp>(above + i) : _mm_setzero_si128(), a);
        const __m128i pa = _mm_abs_epi16(_mm_sub_epi16(b, c)), pb = _mm_abs_epi16(_mm_sub_epi16(a, c)),
                      pc = _mm_abs_epi16(_mm_sub_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, c)));
        const __m128i bc = _mm_blendv_epi8(b, c, _mm_cmpgt_epi16(pb, pc));
        const __m128i prediction = _mm_blendv_epi8(a, bc, _mm_cmpgt_epi16(pa, _mm_min_epi16(pb, pc)));
        a = _mm_and_si128(_mm_add_epi16(x, prediction), _mm_set1_epi16(0xff));
        c = b;
        const uint64_t both = uint64_t(_mm_cvtsi128_si64(_mm_packus_epi16(a, a)));
        if (i < n) StoreBytes<Bpp>(out0 + i, both);
        if (i > 0) StoreBytes<Bpp>(out1 + i - Bpp, both >> 32);
    }
#endif
};

template <size_t Bpp>
void UnfilterPaethPairPacked(const uint8_t* in0, const uint8_t* above, uint8_t* out0, const uint8_t* in1,
                             uint8_t* out1, size_t n) {
    PackedPaethPair<Bpp> pair{in0, above, out0, in1, out1, n};
    for (size_t i = 0; i <= n; i += Bpp) pair.Step(i);
}

// Four Paeth rows: two packed pairs, the lower pair two pixels behind the
// upper so that the pixels above its first row are made a step before they
// are read. The two chains of dependent steps run side by side.
template <size_t Bpp>
void UnfilterPaethQuadPacked(const uint8_t* const in[4], const uint8_t* above, uint8_t* const out[4], size_t n) {
    PackedPaethPair<Bpp> upper{in[0], above, out[0], in[1], out[1], n};
    PackedPaethPair<Bpp> lower{in[2], out[1], out[2], in[3], out[3], n};
    for (size_t i = 0; i <= n + 2 * Bpp; i += Bpp) {
        if (i <= n) upper.Step(i);
        if (i >= 2 * Bpp) lower.Step(i - 2 * Bpp);
    }
}

template <size_t Bpp, int Type>
void UnfilterPixels(const uint8_t* in, const uint8_t* above, size_t n, uint8_t* out) {
    const __m128i bytes = _mm_set1_epi16(0xff);
    __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
    for (size_t i = 0; i < n; i += Bpp) {
        const __m128i x = LoadPixel<Bpp>(in + i);
        if constexpr (Type == 1) {
            a = _mm_add_epi16(x, a);
        } else if constexpr (Type == 3) {
            const __m128i b = LoadPixel<Bpp>(above + i);
            a = _mm_add_epi16(x, _mm_srli_epi16(_mm_add_epi16(a, b), 1));
        } else {
            const __m128i b = LoadPixel<Bpp>(above + i);
            a = _mm_add_epi16(x, PaethPrediction(a, b, c));
            c = b;
        }
        a = _mm_and_si128(a, bytes);
        StorePixel<Bpp>(out + i, a);
    }
}

template <size_t Bpp>
void UnfilterPixels(uint8_t type, const uint8_t* in, const uint8_t* above, size_t n, uint8_t* out) {
    if (type == 1) UnfilterPixels<Bpp, 1>(in, above, n, out);
    else if (type == 3) UnfilterPixels<Bpp, 3>(in, above, n, out);
    else UnfilterPixels<Bpp, 4>(in, above, n, out);
}
#endif

// Row y's filter byte and data, at `in`, into its samples at `out`, given
// the row above (null for the first). `out` may start before `in` in the
// same buffer: each byte is read before any byte at or past it is written.
bool UnfilterPngRow(const uint8_t* in, const uint8_t* above, size_t n, size_t bpp, uint8_t* out) {
    uint8_t type = in[0];
    ++in;
    if (type > 4) return false;
    if (!above) {
        if (type == 2) type = 0;        // the row above is zeros
        else if (type == 4) type = 1;   // Paeth of a, 0, 0 is a
    }
    if (type == 0) {
        std::memmove(out, in, n);
        return true;
    }
    if (type == 2) {
        for (size_t i = 0; i < n; ++i) out[i] = uint8_t(in[i] + above[i]);
        return true;
    }
#if defined(__SSE2__)
    if (above || type == 1) {
        switch (bpp) {
            case 1: UnfilterPixels<1>(type, in, above, n, out); return true;
            case 2: UnfilterPixels<2>(type, in, above, n, out); return true;
            case 3: UnfilterPixels<3>(type, in, above, n, out); return true;
            case 4: UnfilterPixels<4>(type, in, above, n, out); return true;
            case 6: UnfilterPixels<6>(type, in, above, n, out); return true;
            case 8: UnfilterPixels<8>(type, in, above, n, out); return true;
            default: break;
        }
    }
#endif
    for (size_t i = 0; i < n; ++i) {
        const int a = i >= bpp ? out[i - bpp] : 0, b = above ? above[i] : 0, c = above && i >= bpp ? above[i - bpp] : 0;
        const int p = type == 1 ? a : type == 3 ? (a + b) >> 1 : PaethPredictor(a, b, c);
        out[i] = uint8_t(in[i] + p);
    }
    return true;
}

// Rows y and y + 1, both filtered with Paeth, as UnfilterPngRow would make
// them one after the other, at `in0` and `in1` (past their filter bytes)
// into `out0` and `out1`; `above` is row y - 1's samples. False when the
// pair is not for this road (no vector lanes, a pixel size without its
// loop), and nothing is written.
bool UnfilterPaethRows(const uint8_t* in0, const uint8_t* above, uint8_t* out0, const uint8_t* in1, uint8_t* out1,
                       size_t n, size_t bpp) {
#if defined(__SSE2__)
    switch (bpp) {
        case 3: UnfilterPaethPairPacked<3>(in0, above, out0, in1, out1, n); return true;
        case 4: UnfilterPaethPairPacked<4>(in0, above, out0, in1, out1, n); return true;
        case 6: UnfilterPaethPair<6>(in0, above, out0, in1, out1, n); return true;
        case 8: UnfilterPaethPair<8>(in0, above, out0, in1, out1, n); return true;
        default: return false;
    }
#else
    (void)in0, (void)above, (void)out0, (void)in1, (void)out1, (void)n, (void)bpp;
    return false;
#endif
}

#if defined(VORNESK_WIDE_LANES)
template <size_t Bpp>
[[gnu::target("avx2")]] void UnfilterPaethQuadPackedWide(const uint8_t* const in[4], const uint8_t* above,
                                                         uint8_t* const out[4], size_t n) {
    PackedPaethPair<Bpp> upper{in[0], above, out[0], in[1], out[1], n};
    PackedPaethPair<Bpp> lower{in[2], out[1], out[2], in[3], out[3], n};
    for (size_t i = 0; i <= n + 2 * Bpp; i += Bpp) {
        if (i <= n) upper.StepWide(i);
        if (i >= 2 * Bpp) lower.StepWide(i - 2 * Bpp);
    }
}
#endif

// Rows y .. y + 3, all filtered with Paeth, as UnfilterPngRow would make
// them one after the other: in[k] past their filter bytes into out[k];
// `above` is row y - 1's samples. False, and nothing written, when the
// rows are not for this road.
bool UnfilterPaethFourRows(const uint8_t* const in[4], const uint8_t* above, uint8_t* const out[4], size_t n,
                           size_t bpp) {
#if defined(VORNESK_WIDE_LANES)
    if (ProcessorHasWideLanes() && (bpp == 3 || bpp == 4)) {
        if (bpp == 3) UnfilterPaethQuadPackedWide<3>(in, above, out, n);
        else UnfilterPaethQuadPackedWide<4>(in, above, out, n);
        return true;
    }
#endif
#if defined(__SSE2__)
    switch (bpp) {
        case 3: UnfilterPaethQuadPacked<3>(in, above, out, n); return true;
        case 4: UnfilterPaethQuadPacked<4>(in, above, out, n); return true;
        default: return false;
    }
#else
    (void)in, (void)above, (void)out, (void)n, (void)bpp;
    return false;
#endif
}

// Bytes in anonymous pages, given back when freed.
struct PageBuffer {
    uint8_t* bytes = nullptr;
    size_t length = 0;
    PageBuffer() = default;
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    ~PageBuffer() { Free(); }
    bool Allocate(size_t n) {
        void* p = mmap(nullptr, std::max<size_t>(n, 1), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return false;
#if defined(MADV_HUGEPAGE)
        // In huge pages where the system offers them: see NewPictureBlock.
        madvise(p, std::max<size_t>(n, 1), MADV_HUGEPAGE);
#endif
        bytes = static_cast<uint8_t*>(p);
        length = n;
        return true;
    }
    void Free() {
        if (bytes) munmap(bytes, std::max<size_t>(length, 1));
        bytes = nullptr;
        length = 0;
    }
    uint8_t* data() const { return bytes; }
    size_t size() const { return length; }
};

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// True when the picture was read into *doc; false leaves the file to libpng
// (rewound) and *doc in no particular state.
bool ReadPlainPng(FILE* f, const PictureReadLimits& limits, uint64_t idatBytes, HostDocument* doc) {
    struct Rewind {
        FILE* f;
        ~Rewind() { std::rewind(f); }
    } rewind{f};
    uint8_t head[8 + 8 + 13 + 4];
    if (std::fseek(f, 0, SEEK_SET) != 0 || std::fread(head, 1, sizeof head, f) != sizeof head) return false;
    const uint8_t* ihdr = head + 16;
    if (BigEndian32(head + 8) != 13 || std::memcmp(head + 12, "IHDR", 4) != 0 ||
        libdeflate_crc32(0, head + 12, 17) != BigEndian32(ihdr + 13))
        return false;
    const uint32_t width = BigEndian32(ihdr), height = BigEndian32(ihdr + 4);
    const int depth = ihdr[8], colourType = ihdr[9];
    const int channels = colourType == 0 ? 1 : colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 0;
    if (channels == 0 || (depth != 8 && depth != 16) || ihdr[10] != 0 || ihdr[11] != 0 || ihdr[12] != 0 ||
        width < 1 || height < 1 || width > (1u << 30) || height > (1u << 30))
        return false;
    const size_t bpp = size_t(channels) * size_t(depth / 8), rowBytes = size_t(width) * bpp;
    const double filtered = double(height) * double(rowBytes + 1);
    std::string why;
    if (!PictureWithinLimits(limits, width, height, channels, depth, &why) ||
        !FileCanHold(filtered, idatBytes, kLargestDeflateExpansion) || idatBytes == 0 ||
        !PictureShapeAccepted(limits, width, height, channels, depth, &why))
        return false;

    // The IDAT chunks, which must follow each other, joined, in pages of
    // their own: a block this large freed back to malloc would raise its
    // threshold for mapping blocks, and leave the smaller blocks that follow
    // in a heap that keeps its pages.
    PageBuffer stream;
    if (!stream.Allocate(size_t(idatBytes))) return false;
    try {
        // The rows are inflated with their filter bytes into the samples' own
        // buffer, a byte a row longer than the picture.
        doc->samples.clear();
        doc->samples.shrink_to_fit();
        doc->samples.reserve(size_t(filtered));
    } catch (const std::bad_alloc&) {
        return false;
    }
    size_t joined = 0;
    bool idatEnded = false, ended = false;
    for (uint64_t at = 8 + 25; !ended;) {
        uint8_t chunk[8];
        if (at + 12 > limits.fileSize || std::fread(chunk, 1, 8, f) != 8) return false;
        const uint64_t length = BigEndian32(chunk);
        if (length > 0x7fffffffu || length + 12 > limits.fileSize - at || !LettersOnly(chunk + 4)) return false;
        const bool idat = std::memcmp(chunk + 4, "IDAT", 4) == 0;
        if (idat) {
            if (idatEnded || length > stream.size() - joined ||
                std::fread(stream.data() + joined, 1, size_t(length), f) != length)
                return false;
            uint8_t crc[4];
            if (std::fread(crc, 1, 4, f) != 4 ||
                libdeflate_crc32(libdeflate_crc32(0, chunk + 4, 4), stream.data() + joined, size_t(length)) !=
                    BigEndian32(crc))
                return false;
            joined += size_t(length);
        } else {
            if (joined > 0) idatEnded = true;
            ended = std::memcmp(chunk + 4, "IEND", 4) == 0;
            // Critical chunks other than these, and transparency, change the
            // pixels or the picture's kind: libpng's work.
            if ((!ended && !std::islower(chunk[4])) || std::memcmp(chunk + 4, "tRNS", 4) == 0 ||
                (ended && (length != 0 || joined == 0)))
                return false;
            if (std::fseek(f, long(length + 4), SEEK_CUR) != 0) return false;
        }
        at += length + 12;
    }
    if (joined != stream.size()) return false;

    std::unique_ptr<libdeflate_decompressor, DecompressorFree> inflater(libdeflate_alloc_decompressor());
    if (!inflater) return false;
    doc->width = int32_t(width);
    doc->height = int32_t(height);
    doc->colourPlanes = int16_t(channels >= 3 ? 3 : 1);
    doc->hasAlpha = channels == 2 || channels == 4;
    doc->depth = depth;
    doc->mask.clear();
    doc->samples.resize(size_t(filtered));
    size_t usedIn = 0, madeOut = 0;
    if (libdeflate_zlib_decompress_ex(inflater.get(), stream.data(), stream.size(), doc->samples.data(),
                                      doc->samples.size(), &usedIn, &madeOut) != LIBDEFLATE_SUCCESS ||
        usedIn != stream.size() || madeOut != doc->samples.size())
        return false;
    stream.Free();
    uint8_t* samples = doc->samples.data();
    // Rows are unfiltered in place, each row's samples where its filtered
    // bytes began, less one byte a row. Two Paeth rows one above the other
    // are made together, the lower one in a row of its own (its place
    // still holds the upper row's unread bytes), copied in after.
    // Four Paeth rows are made together where the pixel size allows, the
    // three lower ones likewise in rows of their own.
    std::unique_ptr<uint8_t[]> lower(new (std::nothrow) uint8_t[3 * rowBytes]);
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* in = samples + y * (rowBytes + 1);
        if (lower && y > 0 && y + 3 < height && in[0] == 4 && in[rowBytes + 1] == 4 && in[2 * (rowBytes + 1)] == 4 &&
            in[3 * (rowBytes + 1)] == 4) {
            const uint8_t* const rowsIn[4] = {in + 1, in + rowBytes + 2, in + 2 * rowBytes + 3, in + 3 * rowBytes + 4};
            uint8_t* const rowsOut[4] = {samples + y * rowBytes, lower.get(), lower.get() + rowBytes,
                                         lower.get() + 2 * rowBytes};
            if (UnfilterPaethFourRows(rowsIn, samples + (y - 1) * rowBytes, rowsOut, rowBytes, bpp)) {
                std::memcpy(samples + (y + 1) * rowBytes, lower.get(), 3 * rowBytes);
                y += 3;
                continue;
            }
        }
        if (lower && y > 0 && y + 1 < height && in[0] == 4 && in[rowBytes + 1] == 4 &&
            UnfilterPaethRows(in + 1, samples + (y - 1) * rowBytes, samples + y * rowBytes, in + rowBytes + 2,
                              lower.get(), rowBytes, bpp)) {
            std::memcpy(samples + (y + 1) * rowBytes, lower.get(), rowBytes);
            ++y;
            continue;
        }
        if (!UnfilterPngRow(in, y > 0 ? samples + (y - 1) * rowBytes : nullptr, rowBytes, bpp,
                            samples + y * rowBytes))
            return false;
    }
    doc->samples.resize(size_t(height) * rowBytes);
    if (depth == 16) {
        for (size_t i = 0, n = doc->SampleCount(); i < n; ++i) {
            const uint16_t v = Document16FromFile(uint16_t(samples[i * 2] << 8 | samples[i * 2 + 1]));
            std::memcpy(&samples[i * 2], &v, 2);
        }
    }
    return true;
}

// libpng and libjpeg report errors by longjmp: the functions holding setjmp
// own no C++ objects, and leave their message in `message`.
bool ReadPngWithLibpng(FILE* f, const PictureReadLimits& limits, const uint64_t idatBytes, HostDocument* doc,
                       char (&message)[256]) {
    PngContext ctx{};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, PngError, PngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::snprintf(message, sizeof message, "out of memory");
        return false;
    }
    volatile bool ok = false, damaged = false;
    if (setjmp(ctx.jump) == 0) {
        png_init_io(png, f);
        // No chunk is larger than its file, nor a picture's side than a document's.
        png_set_chunk_malloc_max(png, png_alloc_size_t(std::max<uint64_t>(limits.fileSize, 1)));
        png_set_user_limits(png, 1u << 30, 1u << 30);
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredPngChunks,
                                    int(sizeof kIgnoredPngChunks / 5));
        png_read_info(png, info);
        png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
        int bitDepth = png_get_bit_depth(png, info), colourType = png_get_color_type(png, info);
        // Each row is a filter byte and its packed samples, all deflated
        // into the IDAT chunks.
        const double rowBytes = 1 + std::ceil(double(width) * png_get_channels(png, info) * bitDepth / 8);
        const bool fits = FileCanHold(double(height) * rowBytes, idatBytes, kLargestDeflateExpansion);
        if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
        if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
        if (bitDepth == 16) png_set_swap(png);   // native order on this little-endian machine
        int passes = png_set_interlace_handling(png);
        png_read_update_info(png, info);
        int channels = png_get_channels(png, info);
        int depth = png_get_bit_depth(png, info) == 16 ? 16 : 8;
        if (!HeaderWithinLimits(limits, width, height, channels, depth, ctx.message, sizeof ctx.message)) {
            // a size the caller cannot take; the file may be sound
        } else if (!fits) {
            damaged = true;
            std::snprintf(ctx.message, sizeof ctx.message, "too short for the %u x %u picture it claims",
                          unsigned(width), unsigned(height));
        } else if (!ShapeAcceptedForReader(limits, width, height, channels, depth, ctx.message,
                                           sizeof ctx.message)) {
            // a run the caller cannot take
        } else if (AllocateForReader(doc, width, height, channels, depth, ctx.message, sizeof ctx.message)) {
            // Rows go straight into the document; 16-bit samples are rescaled after.
            for (int pass = 0; pass < passes; ++pass)
                for (png_uint_32 y = 0; y < height; ++y)
                    png_read_row(png, doc->samples.data() + size_t(y) * width * channels * (depth / 8), nullptr);
            png_read_end(png, nullptr);
            if (depth == 16) {
                for (size_t i = 0, n = doc->SampleCount(); i < n; ++i) {
                    uint16_t v;
                    std::memcpy(&v, &doc->samples[i * 2], 2);
                    v = Document16FromFile(v);
                    std::memcpy(&doc->samples[i * 2], &v, 2);
                }
            }
            ok = true;
        }
    } else {
        damaged = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) std::snprintf(message, sizeof message, "%s%.200s", damaged ? "damaged PNG file: " : "", ctx.message);
    return ok;
}
}  // namespace

bool ReadPngCore(FILE* f, const PictureReadLimits& limits, HostDocument* doc, char (&message)[256]) {
    uint64_t idatBytes = 0;
    if (!WalkPngChunks(f, limits.fileSize, &idatBytes, message + 18, sizeof message - 18)) {
        std::memcpy(message, "damaged PNG file: ", 18);
        return false;
    }
    return ReadPlainPng(f, limits, idatBytes, doc) || ReadPngWithLibpng(f, limits, idatBytes, doc, message);
}

