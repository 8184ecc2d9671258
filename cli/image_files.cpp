#include "cli/image_files.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <libdeflate.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VORNESK_WIDE_LANES 1
#endif
#include <png.h>
#include <zlib.h>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/cpu_features.h"
#include "platform/foundation_threads.h"
#include "platform/phase_clock.h"
#include "cli/tiff_file.h"

namespace {

// The processors the run may use (--threads sets the limit through the environment).
int32_t Processors() { return int32_t(std::clamp<int64_t>(NSProcessInfo_activeProcessorCount(), 1, 64)); }

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

FilePtr OpenFile(const std::string& path, const char* mode, std::string* error) {
    FILE* f = std::fopen(path.c_str(), mode);
    if (!f) *error = std::strerror(errno);
    // A folder opens for reading on some systems, and then reads as nothing.
    struct stat st {};
    if (f && fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        *error = "it is a folder, not a picture";
        return FilePtr(nullptr);
    }
    return FilePtr(f);
}

uint64_t FileSize(FILE* f) {
    struct stat st {};
    return fstat(fileno(f), &st) == 0 && st.st_size > 0 ? uint64_t(st.st_size) : 0;
}

// A header can claim any size. What a file's compressed data can expand to
// is bounded, so a claim beyond that is refused before memory is taken.
bool FileCanHold(double bytesNeeded, uint64_t fileSize, double largestExpansion) {
    return bytesNeeded <= double(fileSize) * largestExpansion;
}

// Deflate turns at most 2 bits into a 258-byte match: 1032 bytes per byte.
constexpr double kLargestDeflateExpansion = 1032;

// ---------------------------------------------------------------- PNG

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

// The header's checks and the allocation for the readers below, kept out of
// line so that the functions holding setjmp own no C++ objects that a
// longjmp could skip.
[[gnu::noinline]] bool HeaderWithinLimits(const PictureReadLimits& limits, uint32_t width, uint32_t height,
                                          int channels, int depth, char* message, size_t size) {
    std::string why;
    if (PictureWithinLimits(limits, width, height, channels, depth, &why)) return true;
    std::snprintf(message, size, "%s", why.c_str());
    return false;
}

// The samples are left unset: every one is decoded before the picture is
// used, and a file that fails early has touched only the rows it reached.
[[gnu::noinline]] bool AllocateForReader(HostDocument* doc, uint32_t width, uint32_t height, int channels,
                                         int depth, char* message, size_t size) {
    std::string why;
    if (width <= INT32_MAX && height <= INT32_MAX &&
        AllocateDocument(doc, int32_t(width), int32_t(height), channels >= 3 ? 3 : 1, channels == 2 || channels == 4,
                         depth, &why, false))
        return true;
    std::snprintf(message, size, "%s", why.empty() ? "picture too large" : why.c_str());
    return false;
}

uint32_t BigEndian32(const uint8_t* at) {
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
}

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

inline __m128i Abs16(__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)); }

// Paeth's prediction from a (left), b (above) and c (above left) in 16-bit lanes.
inline __m128i PaethPrediction(__m128i a, __m128i b, __m128i c) {
    const __m128i pa = Abs16(_mm_sub_epi16(b, c)), pb = Abs16(_mm_sub_epi16(a, c)),
                  pc = Abs16(_mm_sub_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, c)));
    // b unless c is nearer; a when it is at least as near as both.
    const __m128i takeC = _mm_cmpgt_epi16(pb, pc);
    const __m128i bc = _mm_or_si128(_mm_andnot_si128(takeC, b), _mm_and_si128(takeC, c));
    const __m128i takeBC = _mm_cmpgt_epi16(pa, _mm_min_epi16(pb, pc));
    return _mm_or_si128(_mm_andnot_si128(takeBC, a), _mm_and_si128(takeBC, bc));
}

// Paeth's prediction of 16 bytes at once.
inline __m128i PaethPredictionOfBytes(__m128i a, __m128i b, __m128i c) {
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(
        PaethPrediction(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero)),
        PaethPrediction(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero)));
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
        !FileCanHold(filtered, idatBytes, kLargestDeflateExpansion) || idatBytes == 0)
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

bool ReadPngCore(FILE* f, const PictureReadLimits& limits, HostDocument* doc, char (&message)[256]) {
    uint64_t idatBytes = 0;
    if (!WalkPngChunks(f, limits.fileSize, &idatBytes, message + 18, sizeof message - 18)) {
        std::memcpy(message, "damaged PNG file: ", 18);
        return false;
    }
    return ReadPlainPng(f, limits, idatBytes, doc) || ReadPngWithLibpng(f, limits, idatBytes, doc, message);
}

// The writer encodes the rows itself. Up to kPngWholeStreamBytes of filtered
// rows, they are filtered on all processors and deflated by libdeflate in one
// call. A larger picture, whose filtered copy would cost too much memory, is
// cut into bands of rows, each filtered and deflated by zlib on its own
// thread into a raw deflate stream that ends on a byte boundary (a sync
// flush), and the bands are joined, between the zlib header and the Adler-32
// of all the filtered rows, into one zlib stream. Any inflater reads either
// as one stream.

constexpr int32_t kPngRowsPerBandAtLeast = 16;
constexpr size_t kPngLargestChunk = size_t(1) << 30;
constexpr size_t kPngWholeStreamBytes = size_t(1) << 30;
// libdeflate's level 2: smaller files than zlib's level 4 in half its time.
constexpr int kPngDeflateLevel = 1;

// Row y as the file stores it: 8-bit samples, or 16-bit big-endian (16-bit
// samples rescaled from 0..32768, floats clamped to 0..1).
void PngFileRow(const HostDocument& doc, int32_t y, uint8_t* row) {
    const size_t n = size_t(doc.width) * doc.Planes();
    const size_t first = size_t(y) * n;
    if (doc.depth == 8) {
        std::memcpy(row, doc.samples.data() + first, n);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        uint16_t v;
        if (doc.depth == 16) {
            uint16_t s;
            std::memcpy(&s, &doc.samples[(first + i) * 2], 2);
            v = File16FromDocument(s);
        } else {
            double u = std::clamp(GetUnitSample(doc, first + i), 0.0, 1.0);
            v = uint16_t(std::lround(u * 65535.0));
        }
        row[i * 2] = uint8_t(v >> 8);
        row[i * 2 + 1] = uint8_t(v);
    }
}

// The cost of a filtered byte: its distance from zero taken as a signed byte.
inline uint64_t FilteredCost(uint8_t v) { return v < 128 ? v : 256 - v; }

// The five filters' residual of one byte, given the byte x, its left
// neighbour a, the byte above b and above left c.
inline void FilterResiduals(int x, int a, int b, int c, uint8_t t[5]) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    const int p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    t[0] = uint8_t(x), t[1] = uint8_t(x - a), t[2] = uint8_t(x - b), t[3] = uint8_t(x - ((a + b) >> 1));
    t[4] = uint8_t(x - p);
}

#if defined(VORNESK_WIDE_LANES)
// The filters' loops below take 32 bytes at a time in 256-bit lanes where
// the processor has them: integer steps, so the same results.
// PaethPrediction of 32 bytes at once, in 16-bit lanes within each half.
[[gnu::target("avx2")]] inline __m256i PaethPrediction16Wide(__m256i a, __m256i b, __m256i c) {
    const __m256i pa = _mm256_abs_epi16(_mm256_sub_epi16(b, c)), pb = _mm256_abs_epi16(_mm256_sub_epi16(a, c)),
                  pc = _mm256_abs_epi16(_mm256_sub_epi16(_mm256_add_epi16(a, b), _mm256_add_epi16(c, c)));
    const __m256i bc = _mm256_blendv_epi8(b, c, _mm256_cmpgt_epi16(pb, pc));
    return _mm256_blendv_epi8(a, bc, _mm256_cmpgt_epi16(pa, _mm256_min_epi16(pb, pc)));
}

[[gnu::target("avx2")]] inline __m256i PaethPredictionOfBytesWide(__m256i a, __m256i b, __m256i c) {
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_packus_epi16(PaethPrediction16Wide(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero),
                                                     _mm256_unpacklo_epi8(c, zero)),
                               PaethPrediction16Wide(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero),
                                                     _mm256_unpackhi_epi8(c, zero)));
}

[[gnu::target("avx2")]] inline __m256i Load32(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// The cost of 32 residuals, min(v, -v) as bytes, summed into four 64-bit lanes.
[[gnu::target("avx2")]] inline __m256i CostWide(__m256i v) {
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_sad_epu8(_mm256_min_epu8(v, _mm256_sub_epi8(zero, v)), zero);
}

// FilterCosts's loop over bytes i (at least bpp) while 32 remain, added to
// sums; returns where it stopped.
[[gnu::target("avx2")]] size_t FilterCostsWide(const uint8_t* row, const uint8_t* above, size_t n, size_t bpp,
                                               size_t i, uint64_t sums[5]) {
    const __m256i one8 = _mm256_set1_epi8(1);
    __m256i acc[5];
    for (__m256i& a : acc) a = _mm256_setzero_si256();
    for (; i + 32 <= n; i += 32) {
        const __m256i x = Load32(row + i), a = Load32(row + i - bpp), b = Load32(above + i),
                      c = Load32(above + i - bpp);
        const __m256i mean = _mm256_sub_epi8(_mm256_avg_epu8(a, b), _mm256_and_si256(_mm256_xor_si256(a, b), one8));
        acc[0] = _mm256_add_epi64(acc[0], CostWide(x));
        acc[1] = _mm256_add_epi64(acc[1], CostWide(_mm256_sub_epi8(x, a)));
        acc[2] = _mm256_add_epi64(acc[2], CostWide(_mm256_sub_epi8(x, b)));
        acc[3] = _mm256_add_epi64(acc[3], CostWide(_mm256_sub_epi8(x, mean)));
        acc[4] = _mm256_add_epi64(acc[4], CostWide(_mm256_sub_epi8(x, PaethPredictionOfBytesWide(a, b, c))));
    }
    for (int k = 0; k < 5; ++k) {
        uint64_t lanes[4];
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), acc[k]);
        sums[k] += lanes[0] + lanes[1] + lanes[2] + lanes[3];
    }
    return i;
}

// The Paeth residuals t[i] of bytes i (at least bpp) while 32 remain;
// returns where it stopped.
[[gnu::target("avx2")]] size_t PaethResidualsWide(const uint8_t* row, const uint8_t* above, size_t n, size_t bpp,
                                                  size_t i, uint8_t* t) {
    for (; i + 32 <= n; i += 32) {
        const __m256i p = PaethPredictionOfBytesWide(Load32(row + i - bpp), Load32(above + i), Load32(above + i - bpp));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(t + i), _mm256_sub_epi8(Load32(row + i), p));
    }
    return i;
}
#endif

// The five filters' costs of the row, summed into sums[0..4], in one pass:
// the first pixel has no left neighbours (zeros), the rest 16 bytes at a
// time where the processor has vector lanes.
void FilterCosts(const uint8_t* row, const uint8_t* above, size_t n, size_t bpp, uint64_t sums[5]) {
    for (int k = 0; k < 5; ++k) sums[k] = 0;
    size_t i = 0;
    auto one = [&](size_t at) {
        const bool head = at < bpp;
        uint8_t t[5];
        FilterResiduals(row[at], head ? 0 : row[at - bpp], above[at], head ? 0 : above[at - bpp], t);
        for (int k = 0; k < 5; ++k) sums[k] += FilteredCost(t[k]);
    };
    for (; i < std::min(bpp, n); ++i) one(i);
#if defined(VORNESK_WIDE_LANES)
    if (ProcessorHasWideLanes()) i = FilterCostsWide(row, above, n, bpp, i, sums);
#endif
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), one8 = _mm_set1_epi8(1);
    __m128i acc[5] = {zero, zero, zero, zero, zero};
    // The cost of 16 residuals, min(v, -v) as bytes, summed into two 64-bit lanes.
    auto cost = [&](__m128i v) { return _mm_sad_epu8(_mm_min_epu8(v, _mm_sub_epi8(zero, v)), zero); };
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i - bpp));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i - bpp));
        // (a + b) >> 1 is the rounded-up mean less the low bit of a ^ b.
        const __m128i mean = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one8));
        const __m128i p = PaethPredictionOfBytes(a, b, c);
        acc[0] = _mm_add_epi64(acc[0], cost(x));
        acc[1] = _mm_add_epi64(acc[1], cost(_mm_sub_epi8(x, a)));
        acc[2] = _mm_add_epi64(acc[2], cost(_mm_sub_epi8(x, b)));
        acc[3] = _mm_add_epi64(acc[3], cost(_mm_sub_epi8(x, mean)));
        acc[4] = _mm_add_epi64(acc[4], cost(_mm_sub_epi8(x, p)));
    }
    for (int k = 0; k < 5; ++k) {
        uint64_t lanes[2];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), acc[k]);
        sums[k] += lanes[0] + lanes[1];
    }
#endif
    for (; i < n; ++i) one(i);
}

// Filters `row` against `above` (zeros for the first row) with the filter
// whose output has the least sum of absolute values (the first of equals),
// into out[0] (the filter type) and out[1..n]. The costs are summed in one
// pass, then the chosen filter is written in a loop of its own over the
// bytes past the first pixel, which the compiler vectorises.
void FilterPngRow(const uint8_t* row, const uint8_t* above, size_t n, size_t bpp, uint8_t* out) {
    uint64_t sums[5];
    FilterCosts(row, above, n, bpp, sums);
    uint8_t type = 0;
    for (uint8_t k = 1; k < 5; ++k)
        if (sums[k] < sums[type]) type = k;
    out[0] = type;
    uint8_t* t = out + 1;
    const size_t head = std::min(bpp, n);
    for (size_t i = 0; i < head; ++i) {
        const int b = above[i];
        t[i] = uint8_t(row[i] - (type == 2 || type == 4 ? b : type == 3 ? b >> 1 : 0));
    }
    switch (type) {
        case 0: std::memcpy(t, row, n); break;
        case 1:
            for (size_t i = bpp; i < n; ++i) t[i] = uint8_t(row[i] - row[i - bpp]);
            break;
        case 2:
            for (size_t i = bpp; i < n; ++i) t[i] = uint8_t(row[i] - above[i]);
            break;
        case 3:
            for (size_t i = bpp; i < n; ++i) t[i] = uint8_t(row[i] - ((row[i - bpp] + above[i]) >> 1));
            break;
        default: {
            size_t i = bpp;
#if defined(VORNESK_WIDE_LANES)
            if (ProcessorHasWideLanes()) i = PaethResidualsWide(row, above, n, bpp, i, t);
#endif
#if defined(__SSE2__)
            for (; i + 16 <= n; i += 16) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i - bpp));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i));
                const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i - bpp));
                const __m128i p = PaethPredictionOfBytes(a, b, c);
                const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(t + i), _mm_sub_epi8(x, p));
            }
#endif
            for (; i < n; ++i) {
                uint8_t r[5];
                FilterResiduals(row[i], row[i - bpp], above[i], above[i - bpp], r);
                t[i] = r[4];
            }
            break;
        }
    }
}

// One band of rows, deflated.
struct PngBand {
    int32_t firstRow = 0, endRow = 0;
    std::vector<uint8_t> deflated;
    uLong adler = 1;
    bool ok = false;
};

void DeflatePngBand(const HostDocument& doc, bool last, PngBand* band) {
    const size_t n = size_t(doc.width) * doc.Planes() * (doc.depth == 8 ? 1 : 2);
    const size_t bpp = size_t(doc.Planes()) * (doc.depth == 8 ? 1 : 2);
    z_stream z{};
    if (deflateInit2(&z, kOutputDeflateLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return;
    try {
        std::vector<uint8_t> above(n, 0), row(n), filtered(n + 1), out(size_t(1) << 18);
        if (band->firstRow > 0) PngFileRow(doc, band->firstRow - 1, above.data());
        // Feeds what is in z.next_in; the output grows with what deflate gives.
        auto pump = [&](int flush) {
            int r = Z_OK;
            do {
                z.next_out = out.data();
                z.avail_out = uInt(out.size());
                r = deflate(&z, flush);
                if (r == Z_STREAM_ERROR) return false;
                band->deflated.insert(band->deflated.end(), out.data(), out.data() + (out.size() - z.avail_out));
            } while (z.avail_out == 0);
            return z.avail_in == 0 && (flush != Z_FINISH || r == Z_STREAM_END);
        };
        bool ok = true;
        for (int32_t y = band->firstRow; y < band->endRow && ok; ++y) {
            PngFileRow(doc, y, row.data());
            FilterPngRow(row.data(), above.data(), n, bpp, filtered.data());
            band->adler = adler32_z(band->adler, filtered.data(), n + 1);
            z.next_in = filtered.data();
            z.avail_in = uInt(n + 1);
            ok = pump(y + 1 < band->endRow ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH);
            row.swap(above);
        }
        band->ok = ok;
    } catch (const std::bad_alloc&) {
        band->ok = false;
    }
    deflateEnd(&z);
}

void PutBigEndian32(uint8_t* at, uint32_t v) {
    at[0] = uint8_t(v >> 24), at[1] = uint8_t(v >> 16), at[2] = uint8_t(v >> 8), at[3] = uint8_t(v);
}

bool WritePngChunk(FILE* f, const char* type, const uint8_t* data, size_t size) {
    uint8_t head[8];
    PutBigEndian32(head, uint32_t(size));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    if (size > 0) crc = crc32_z(crc, data, size);
    uint8_t tail[4];
    PutBigEndian32(tail, uint32_t(crc));
    return std::fwrite(head, 1, 8, f) == 8 && (size == 0 || std::fwrite(data, 1, size, f) == size) &&
           std::fwrite(tail, 1, 4, f) == 4;
}

// A zlib stream: `size` bytes at `bytes`.
struct PngStream {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};

// The file's rows filtered in bands on all processors into one buffer, and
// deflated by libdeflate in one call: fewer processor seconds than deflating
// the bands with zlib, and a smaller file. The buffers are left unset, so
// that only the pages written are taken. Empty when memory runs out.
PngStream DeflatePngWhole(const HostDocument& doc) {
    const size_t n = size_t(doc.width) * doc.Planes() * (doc.depth == 8 ? 1 : 2);
    const size_t bpp = size_t(doc.Planes()) * (doc.depth == 8 ? 1 : 2);
    const size_t total = (n + 1) * size_t(doc.height);
    std::unique_ptr<uint8_t[]> filtered(new (std::nothrow) uint8_t[total]);
    if (!filtered) return {};
    const int32_t bandCount = std::max(1, std::min(Processors() * 4, doc.height / kPngRowsPerBandAtLeast));
    std::atomic<bool> ok{true};
    RunOnAllProcessors(bandCount, [&](int32_t b) {
        const int32_t first = int32_t(int64_t(doc.height) * b / bandCount);
        const int32_t end = int32_t(int64_t(doc.height) * (b + 1) / bandCount);
        try {
            // 8-bit rows are the document's own; others are converted.
            std::vector<uint8_t> rows(doc.depth == 8 ? 0 : 2 * n), zeros(first == 0 ? n : 0, 0);
            uint8_t* row = rows.data();
            uint8_t* above = rows.data() + (rows.empty() ? 0 : n);
            if (first > 0 && doc.depth != 8) PngFileRow(doc, first - 1, above);
            for (int32_t y = first; y < end; ++y) {
                const uint8_t* up = y == 0 ? zeros.data() : doc.depth == 8 ? doc.samples.data() + size_t(y - 1) * n : above;
                const uint8_t* here = doc.samples.data() + size_t(y) * n;
                if (doc.depth != 8) {
                    PngFileRow(doc, y, row);
                    here = row;
                }
                FilterPngRow(here, up, n, bpp, filtered.get() + size_t(y) * (n + 1));
                if (doc.depth != 8) std::swap(row, above);
            }
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    });
    if (!ok) return {};
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(kPngDeflateLevel);
    if (!compressor) return {};
    PngStream deflated;
    const size_t bound = libdeflate_zlib_compress_bound(compressor, total);
    deflated.bytes.reset(new (std::nothrow) uint8_t[bound]);
    if (deflated.bytes)
        deflated.size = libdeflate_zlib_compress(compressor, filtered.get(), total, deflated.bytes.get(), bound);
    libdeflate_free_compressor(compressor);
    return deflated;
}

bool WritePng(FILE* f, const HostDocument& doc, std::string* error) {
    if (doc.width < 1 || doc.height < 1 || uint64_t(doc.width) > 0x7fffffffu || uint64_t(doc.height) > 0x7fffffffu) {
        *error = "a PNG file cannot hold a picture of this size";
        return false;
    }
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    const uint8_t colourType = doc.colourPlanes == 1 ? (doc.hasAlpha ? 4 : 0) : (doc.hasAlpha ? 6 : 2);
    uint8_t header[13] = {};
    PutBigEndian32(header, uint32_t(doc.width));
    PutBigEndian32(header + 4, uint32_t(doc.height));
    header[8] = doc.depth == 8 ? 8 : 16;
    header[9] = colourType;
    const size_t rowBytes = size_t(doc.width) * doc.Planes() * (doc.depth == 8 ? 1 : 2) + 1;

    if (rowBytes * size_t(doc.height) <= kPngWholeStreamBytes) {
        const PngStream stream = DeflatePngWhole(doc);
        if (stream.size == 0) {
            *error = "out of memory";
            return false;
        }
        bool ok = std::fwrite(kSignature, 1, 8, f) == 8 && WritePngChunk(f, "IHDR", header, 13);
        for (size_t at = 0; ok && at < stream.size; at += kPngLargestChunk)
            ok = WritePngChunk(f, "IDAT", stream.bytes.get() + at, std::min(kPngLargestChunk, stream.size - at));
        ok = ok && WritePngChunk(f, "IEND", nullptr, 0);
        if (!ok) *error = "write error";
        return ok;
    }

    // Bands of at most a gigabyte of filtered rows, at least one per processor
    // while each keeps a few rows.
    const int32_t threads = Processors();
    const int64_t bySize = int64_t(rowBytes * size_t(doc.height) / kPngLargestChunk) + 1;
    const int32_t bandCount = int32_t(std::clamp<int64_t>(std::max<int64_t>(threads, bySize), 1,
                                                          std::max(1, doc.height / kPngRowsPerBandAtLeast)));
    std::vector<PngBand> bands(static_cast<size_t>(bandCount));
    for (int32_t b = 0; b < bandCount; ++b) {
        bands[size_t(b)].firstRow = int32_t(int64_t(doc.height) * b / bandCount);
        bands[size_t(b)].endRow = int32_t(int64_t(doc.height) * (b + 1) / bandCount);
    }
    RunOnAllProcessors(bandCount, [&](int32_t b) { DeflatePngBand(doc, b + 1 == bandCount, &bands[size_t(b)]); });
    for (const PngBand& band : bands) {
        if (!band.ok) {
            *error = "out of memory";
            return false;
        }
    }
    // The zlib header: deflate with a 32 KiB window, no dictionary, checked.
    const uint8_t zlibHeader[2] = {0x78, 0x5e};
    uLong adler = bands[0].adler;
    for (size_t b = 1; b < bands.size(); ++b) {
        const PngBand& band = bands[b];
        adler = adler32_combine64(adler, band.adler, z_off64_t(rowBytes * size_t(band.endRow - band.firstRow)));
    }
    uint8_t trailer[4];
    PutBigEndian32(trailer, uint32_t(adler));

    bool ok = std::fwrite(kSignature, 1, 8, f) == 8 && WritePngChunk(f, "IHDR", header, 13) &&
              WritePngChunk(f, "IDAT", zlibHeader, 2);
    for (const PngBand& band : bands) {
        for (size_t at = 0; ok && at < band.deflated.size(); at += kPngLargestChunk)
            ok = WritePngChunk(f, "IDAT", band.deflated.data() + at,
                               std::min(kPngLargestChunk, band.deflated.size() - at));
    }
    ok = ok && WritePngChunk(f, "IDAT", trailer, 4) && WritePngChunk(f, "IEND", nullptr, 0);
    if (!ok) *error = "write error";
    return ok;
}

// ---------------------------------------------------------------- JPEG

struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    cinfo->err->format_message(cinfo, err->message);
    longjmp(err->jump, 1);
}

// Every warning of corrupt data is damage: libjpeg would go on past it
// (filling with grey, skipping garbled bytes, taking a bad code as zeros)
// and call the result a picture. Only the two that leave the pixels whole
// stay quiet.
void JpegWarning(j_common_ptr cinfo, int level) {
    const int code = cinfo->err->msg_code;
    if (level < 0 && code != JWRN_ADOBE_XFORM && code != JWRN_JFIF_MAJOR) cinfo->err->error_exit(cinfo);
}

// The bytes of a JPEG stream's scans (their entropy-coded data with its
// restart markers), the only bytes that hold pixels: every other segment
// (tables, comments, application data) is stepped over by its length.
// Leaves the file at its start.
uint64_t JpegScanBytes(FILE* f) {
    uint64_t bytes = 0;
    int code = -1;   // the marker in hand, -1 for none
    for (;;) {
        if (code < 0) {
            int c = getc_unlocked(f);
            while (c != EOF && c != 0xFF) c = getc_unlocked(f);   // garbage between segments
            while (c == 0xFF) c = getc_unlocked(f);
            code = c;
        }
        if (code == EOF || code == 0xD9) break;
        const int marker = code;
        code = -1;
        // Markers without a length: start of image, restarts, TEM.
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01 || marker == 0) continue;
        const int high = getc_unlocked(f), low = getc_unlocked(f);
        if (low == EOF || (high << 8 | low) < 2 || fseeko(f, off_t((high << 8 | low) - 2), SEEK_CUR) != 0) break;
        if (marker != 0xDA) continue;
        // Entropy-coded data runs to a marker other than a restart; 0xFF 0x00
        // is a stuffed 0xFF.
        for (int c = getc_unlocked(f); c != EOF && code < 0; c = getc_unlocked(f)) {
            ++bytes;
            if (c != 0xFF) continue;
            int next = getc_unlocked(f);
            while (next == 0xFF) next = getc_unlocked(f);
            if (next == 0 || (next >= 0xD0 && next <= 0xD7))
                ++bytes;
            else
                code = next;
        }
        if (code < 0) break;   // the file ended inside the scan
    }
    std::rewind(f);
    return bytes;
}

// Notes the components of each scan as libjpeg reads it.
struct JpegScans {
    jpeg_progress_mgr manager;
    bool seen[MAX_COMPONENTS];
};

// Rows of a picture below the point where an arithmetic-coded scan's data
// end may take at most this many bytes, or this many times the rows above
// it (see NoteScan).
constexpr double kLargestImpliedJpegBytes = 16 << 20;
constexpr double kLargestImpliedJpegShare = 8;

// Notes the components of each scan as libjpeg reads it, between rows of
// blocks. Arithmetic decoding takes zeros for data past the end of a scan
// (encoders drop the zero bytes that end a stream, which a flat stretch at
// the end of a picture makes), so a stream cut short, or one whose frame
// claims more than its data hold, decodes without a word. A scan whose data
// end (at a marker other than a restart) before its last row of blocks, with
// more below that point than a flat stretch would plausibly take (16 MiB,
// or eight times the rows above), is taken as cut: otherwise a few bytes
// could claim a picture of any size.
void NoteScan(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    auto* scans = reinterpret_cast<JpegScans*>(cinfo->progress);
    for (int i = 0; i < d->comps_in_scan; ++i)
        if (d->cur_comp_info[i] && d->cur_comp_info[i]->component_index < MAX_COMPONENTS)
            scans->seen[d->cur_comp_info[i]->component_index] = true;
    const int marker = d->unread_marker;
    const double rowBytes = double(d->max_v_samp_factor) * DCTSIZE * d->image_width * d->num_components;
    const double impliedBytes = (double(d->total_iMCU_rows) - d->input_iMCU_row) * rowBytes;
    if (d->arith_code && marker != 0 && (marker < 0xD0 || marker > 0xD7) && d->input_iMCU_row < d->total_iMCU_rows &&
        impliedBytes > std::max(kLargestImpliedJpegBytes, kLargestImpliedJpegShare * d->input_iMCU_row * rowBytes)) {
        auto* err = reinterpret_cast<JpegError*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "the data of a scan ends at row %u of %u",
                      unsigned(d->input_iMCU_row) * unsigned(d->max_v_samp_factor) * DCTSIZE,
                      unsigned(d->image_height));
        longjmp(err->jump, 1);
    }
}

// Huffman coding spends at least one bit on every block's DC coefficient, so
// n bytes of scans hold at most 8n blocks. Arithmetic coding spends at least
// one decision on a block, and a decision at least 2^-16 bits (its smallest
// probability is 1/32768 of an interval of at least 32768), so at most 2^19
// blocks a byte: a bound that rarely binds, which leaves such files to
// libjpeg's warnings and the memory bound. A stream of several scans is
// held whole as coefficients (two bytes each) before the first row comes
// out; libjpeg's own memory limit does not bind without a backing store, so
// that need is checked here, with the picture's, from the header alone.
bool JpegFitsFileAndMemory(j_decompress_ptr cinfo, uint64_t scanBytes, double memory, bool* shortFile, char* message,
                           size_t size) {
    double blocks = 0, coefficientBytes = 0;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const jpeg_component_info& comp = cinfo->comp_info[c];
        blocks += double(comp.width_in_blocks) * comp.height_in_blocks;
        coefficientBytes += (double(comp.width_in_blocks) + comp.h_samp_factor) *
                            (double(comp.height_in_blocks) + comp.v_samp_factor) * DCTSIZE2 * sizeof(JCOEF);
    }
    const bool multiScan = cinfo->progressive_mode || cinfo->comps_in_scan < cinfo->num_components;
    *shortFile = !FileCanHold(blocks, scanBytes, cinfo->arith_code ? double(1 << 19) : 8);
    if (*shortFile) {
        std::snprintf(message, size, "too short for the %u x %u picture it claims",
                      unsigned(cinfo->image_width), unsigned(cinfo->image_height));
        return false;
    }
    const double pictureBytes = double(cinfo->image_width) * cinfo->image_height * (cinfo->num_components == 1 ? 1 : 3);
    if (multiScan && (memory > 0 ? coefficientBytes + pictureBytes > memory
                                 : !FitsInMemory(coefficientBytes + pictureBytes))) {
        std::snprintf(message, size, "the %u x %u progressive JPEG needs more memory than this machine has",
                      unsigned(cinfo->image_width), unsigned(cinfo->image_height));
        return false;
    }
    return true;
}

// After the scans of a multi-scan stream are in: every coefficient of every
// component arrived, or the file ended early and the rest would be grey.
bool JpegScansComplete(j_decompress_ptr cinfo, const JpegScans& scans) {
    for (int c = 0; c < cinfo->num_components; ++c) {
        if (cinfo->progressive_mode) {
            for (int k = 0; k < DCTSIZE2; ++k)
                if (cinfo->coef_bits[c][k] < 0) return false;
        } else if (!scans.seen[c]) {
            return false;
        }
    }
    return true;
}

bool ReadJpegCore(FILE* f, const PictureReadLimits& limits, HostDocument* doc, char (&message)[256]) {
    const uint64_t scanBytes = JpegScanBytes(f);
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    JpegScans scans{};
    cinfo.err = jpeg_std_error(&err.manager);
    err.manager.error_exit = JpegErrorExit;
    err.manager.emit_message = JpegWarning;
    scans.manager.progress_monitor = NoteScan;
    volatile bool ok = false, damaged = false;
    bool shortFile = false;
    if (setjmp(err.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        cinfo.progress = &scans.manager;
        jpeg_stdio_src(&cinfo, f);
        jpeg_read_header(&cinfo, TRUE);
        NoteScan(reinterpret_cast<j_common_ptr>(&cinfo));
        const int components = cinfo.num_components == 1 ? 1 : 3;
        if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
            std::snprintf(err.message, sizeof err.message, "CMYK JPEG files are not supported");
        } else if (!HeaderWithinLimits(limits, cinfo.image_width, cinfo.image_height, components, 8, err.message,
                                       sizeof err.message)) {
            // a size the caller cannot take
        } else if (!JpegFitsFileAndMemory(&cinfo, scanBytes, limits.memory, &shortFile, err.message,
                                          sizeof err.message)) {
            damaged = shortFile;
        } else {
            cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
            jpeg_start_decompress(&cinfo);
            if (!JpegScansComplete(&cinfo, scans)) {
                damaged = true;
                std::snprintf(err.message, sizeof err.message, "the picture's data ends early");
            } else if (AllocateForReader(doc, cinfo.output_width, cinfo.output_height, cinfo.output_components, 8,
                                         err.message, sizeof err.message)) {
                while (cinfo.output_scanline < cinfo.output_height) {
                    JSAMPROW row = doc->samples.data() +
                                   size_t(cinfo.output_scanline) * doc->width * cinfo.output_components;
                    jpeg_read_scanlines(&cinfo, &row, 1);
                }
                jpeg_finish_decompress(&cinfo);
                ok = true;
            }
        }
    } else {
        damaged = true;
    }
    jpeg_destroy_decompress(&cinfo);
    if (!ok) std::snprintf(message, sizeof message, "%s%.200s", damaged ? "damaged JPEG file: " : "", err.message);
    return ok;
}

bool WriteJpegCore(FILE* f, const HostDocument& doc, uint8_t* row, char (&message)[256]) {
    const int colour = doc.colourPlanes, planes = doc.Planes();
    jpeg_compress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.manager);
    err.manager.error_exit = JpegErrorExit;
    err.manager.emit_message = JpegWarning;
    volatile bool ok = false;
    if (setjmp(err.jump) == 0) {
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, f);
        cinfo.image_width = JDIMENSION(doc.width);
        cinfo.image_height = JDIMENSION(doc.height);
        cinfo.input_components = colour;
        cinfo.in_color_space = colour == 1 ? JCS_GRAYSCALE : JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 92, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        for (int32_t y = 0; y < doc.height; ++y) {
            for (int32_t x = 0; x < doc.width; ++x) {
                const size_t pixel = (size_t(y) * doc.width + x) * planes;
                // JPEG has no transparency: what is transparent lies on white,
                // as a picture flattened for saving does, not on the stray
                // colour a transparent pixel happens to hold.
                const double alpha = doc.hasAlpha ? std::clamp(GetUnitSample(doc, pixel + colour), 0.0, 1.0) : 1.0;
                for (int p = 0; p < colour; ++p) {
                    double u = std::clamp(GetUnitSample(doc, pixel + p), 0.0, 1.0) * alpha + (1.0 - alpha);
                    row[size_t(x) * colour + p] = uint8_t(std::lround(u * 255.0));
                }
            }
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        ok = true;
    } else {
        std::snprintf(message, sizeof message, "%s", err.message);
    }
    jpeg_destroy_compress(&cinfo);
    return ok;
}

bool WriteJpeg(FILE* f, const HostDocument& doc, std::string* error) {
    std::vector<uint8_t> row(size_t(doc.width) * doc.colourPlanes);
    char message[256] = {};
    bool ok = WriteJpegCore(f, doc, row.data(), message);
    if (!ok) *error = message;
    return ok;
}

// ---------------------------------------------------------------- PFM

// "PF" (colour) or "Pf" (grey), width, height, scale (negative: little
// endian), one whitespace byte, then rows of floats from the bottom up.
bool ReadPfm(FILE* f, const PictureReadLimits& limits, HostDocument* doc, std::string* error) {
    char kind[3] = {};
    long width = 0, height = 0;
    double scale = 0;
    if (std::fscanf(f, "%2s %ld %ld %lf", kind, &width, &height, &scale) != 4 || std::fgetc(f) == EOF ||
        (std::strcmp(kind, "PF") != 0 && std::strcmp(kind, "Pf") != 0) || scale == 0) {
        *error = "damaged PFM header";
        return false;
    }
    const int colour = kind[1] == 'F' ? 3 : 1;
    // The samples must be in the file before memory is taken for them.
    long start = std::ftell(f);
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fseek(f, start, SEEK_SET);
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) {
        *error = "damaged PFM header";
        return false;
    }
    if (!PictureWithinLimits(limits, uint32_t(width), uint32_t(height), colour, 32, error)) return false;
    if (double(width) * height * colour * 4 > double(size - start)) {
        *error = "PFM file is shorter than its header says";
        return false;
    }
    if (!AllocateDocument(doc, int32_t(width), int32_t(height), int16_t(colour), false, 32, error, false))
        return false;
    const bool swap = scale > 0;   // big-endian file on this little-endian machine
    const size_t rowSamples = size_t(width) * colour;
    for (long y = height - 1; y >= 0; --y) {
        uint8_t* row = doc->samples.data() + size_t(y) * rowSamples * 4;
        if (std::fread(row, 4, rowSamples, f) != rowSamples) {
            *error = "PFM file is shorter than its header says";
            return false;
        }
        if (swap)
            for (size_t i = 0; i < rowSamples; ++i) std::reverse(row + i * 4, row + i * 4 + 4);
    }
    return true;
}

bool WritePfm(FILE* f, const HostDocument& doc, std::string* error) {
    const int colour = doc.colourPlanes, planes = doc.Planes();
    std::fprintf(f, "%s\n%d %d\n-1.0\n", colour == 3 ? "PF" : "Pf", int(doc.width), int(doc.height));
    std::vector<float> row(size_t(doc.width) * colour);
    for (int32_t y = doc.height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < doc.width; ++x)
            for (int p = 0; p < colour; ++p)
                row[size_t(x) * colour + p] = float(GetUnitSample(doc, (size_t(y) * doc.width + x) * planes + p));
        if (std::fwrite(row.data(), sizeof(float), row.size(), f) != row.size()) {
            *error = std::strerror(errno);
            return false;
        }
    }
    return true;
}

ImageFormat SniffFormat(FILE* f) {
    uint8_t magic[8] = {};
    size_t n = std::fread(magic, 1, sizeof magic, f);
    std::rewind(f);
    if (n >= 8 && std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8) == 0) return ImageFormat::PNG;
    if (n >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) return ImageFormat::JPEG;
    if (n >= 3 && magic[0] == 'P' && (magic[1] == 'F' || magic[1] == 'f') && std::isspace(magic[2]))
        return ImageFormat::PFM;
    if (n >= 4 && (std::memcmp(magic, "II*\0", 4) == 0 || std::memcmp(magic, "MM\0*", 4) == 0))
        return ImageFormat::TIFF;
    return ImageFormat::Unknown;
}

// Reads the picture of an open file, of any format, within the limits
// (limits.fileSize 0: the file's own size). The readers fill a document of
// their own, handed over only when the whole picture was read: a file that
// fails half-way leaves *doc as it was.
bool ReadOpenFile(FILE* f, PictureReadLimits limits, HostDocument* doc, std::string* error) {
    if (limits.fileSize == 0) limits.fileSize = FileSize(f);
    char message[256] = {};
    HostDocument read;
    bool ok = false;
    switch (SniffFormat(f)) {
        case ImageFormat::PNG:
            ok = ReadPngCore(f, limits, &read, message);
            if (!ok) *error = message;
            break;
        case ImageFormat::JPEG:
            ok = ReadJpegCore(f, limits, &read, message);
            if (!ok) *error = message;
            break;
        case ImageFormat::PFM: ok = ReadPfm(f, limits, &read, error); break;
        case ImageFormat::TIFF: ok = ReadTiffFile(fileno(f), limits, &read, error); break;
        default: *error = "not a PNG, JPEG, PFM or TIFF file"; return false;
    }
    if (ok) *doc = std::move(read);
    return ok;
}

}  // namespace

void RunOnAllProcessors(int32_t count, const std::function<void(int32_t)>& work) {
    std::atomic<int32_t> next{0};
    auto take = [&] {
        for (int32_t i; (i = next++) < count;) work(i);
    };
    const int32_t threads = Processors();
    std::vector<std::thread> workers;
    for (int32_t t = 1; t < std::min(threads, count); ++t) {
        try {
            workers.emplace_back(take);
        } catch (const std::system_error&) {
            break;  // fewer threads: the caller's takes the rest
        }
    }
    take();
    for (std::thread& worker : workers) worker.join();
}

int32_t ProcessorsForWork() { return Processors(); }

bool RunInOrder(int32_t count, int32_t ahead, const std::function<void(int32_t, int32_t)>& make,
                const std::function<bool(int32_t)>& use) {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<uint8_t> made(size_t(std::max(count, 0)), 0);
    int32_t next = 0, used = 0;
    bool stop = false;
    auto worker = [&](int32_t id) {
        for (;;) {
            int32_t i;
            {
                std::unique_lock<std::mutex> hold(lock);
                changed.wait(hold, [&] { return stop || next >= count || next < used + ahead; });
                if (stop || next >= count) return;
                i = next++;
            }
            make(i, id);
            {
                std::lock_guard<std::mutex> hold(lock);
                made[size_t(i)] = 1;
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    const int32_t threads = std::min(Processors(), std::max(count, 1));
    for (int32_t t = 0; t < threads; ++t) {
        try {
            workers.emplace_back(worker, t);
        } catch (const std::system_error&) {
            break;
        }
    }
    bool ok = true;
    if (workers.empty()) {
        // No thread could be made: everything on this one.
        for (int32_t i = 0; i < count && ok; ++i) {
            make(i, 0);
            ok = use(i);
        }
        return ok;
    }
    for (int32_t i = 0; i < count && ok; ++i) {
        {
            std::unique_lock<std::mutex> hold(lock);
            changed.wait(hold, [&] { return made[size_t(i)] != 0; });
        }
        ok = use(i);
        {
            std::lock_guard<std::mutex> hold(lock);
            used = i + 1;
            stop = !ok;
        }
        changed.notify_all();
    }
    for (std::thread& w : workers) w.join();
    return ok;
}

ImageFormat ImageFormatFromName(const std::string& path) {
    std::string s = Lower(path);
    if (EndsWith(s, ".png")) return ImageFormat::PNG;
    if (EndsWith(s, ".jpg") || EndsWith(s, ".jpeg")) return ImageFormat::JPEG;
    if (EndsWith(s, ".pfm")) return ImageFormat::PFM;
    if (EndsWith(s, ".tif") || EndsWith(s, ".tiff")) return ImageFormat::TIFF;
    if (EndsWith(s, ".psd")) return ImageFormat::PSD;
    return ImageFormat::Unknown;
}

const char* ImageFormatName(ImageFormat format) {
    switch (format) {
        case ImageFormat::PNG: return "PNG";
        case ImageFormat::JPEG: return "JPEG";
        case ImageFormat::PFM: return "PFM";
        case ImageFormat::TIFF: return "TIFF";
        case ImageFormat::PSD: return "PSD";
        default: return "unknown";
    }
}

bool ReadImageFile(const std::string& path, HostDocument* doc, std::string* error, double memoryLimit) {
    FilePtr f = OpenFile(path, "rb", error);
    if (!f) return false;
    PictureReadLimits limits;
    limits.memory = memoryLimit;
    return ReadOpenFile(f.get(), limits, doc, error);
}

bool ReadImageBytes(const uint8_t* data, size_t size, double memoryLimit, HostDocument* doc, std::string* error) {
    // A file in memory, so that every reader (libtiff's needs a descriptor) takes it.
    const int fd = memfd_create("vornesk-picture", MFD_CLOEXEC);
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) {
            *error = std::strerror(errno);
            close(fd);
            return false;
        }
        done += size_t(n);
    }
    lseek(fd, 0, SEEK_SET);
    FilePtr f(fdopen(fd, "rb"));
    if (!f) {
        *error = std::strerror(errno);
        close(fd);
        return false;
    }
    PictureReadLimits limits;
    limits.memory = memoryLimit;
    return ReadOpenFile(f.get(), limits, doc, error);
}

bool ReadImageFileResized(const std::string& path, int32_t width, int32_t height, HostDocument* doc,
                          std::string* error, bool* readFailed) {
    *readFailed = true;
    {
        FilePtr f = OpenFile(path, "rb", error);
        if (!f) return false;
        if (SniffFormat(f.get()) == ImageFormat::TIFF) {
            bool plain = false;
            PictureReadLimits limits;
            limits.fileSize = FileSize(f.get());
            const bool ok = ReadTiffFileResized(fileno(f.get()), limits, width, height, doc, error, &plain);
            if (plain) {
                NotePhaseEnd("decode+resize");
                return ok;
            }
        }
    }
    if (!ReadImageFile(path, doc, error)) return false;
    NotePhaseEnd("decode");
    *readFailed = false;
    const bool ok = ResizeDocument(doc, width, height, error);
    NotePhaseEnd("resize");
    return ok;
}

bool WriteImageFile(const std::string& path, ImageFormat format, const HostDocument& doc, std::string* error) {
    FilePtr f = OpenFile(path, "wb", error);
    if (!f) return false;
    errno = 0;
    bool ok = false;
    switch (format) {
        case ImageFormat::PNG: ok = WritePng(f.get(), doc, error); break;
        case ImageFormat::JPEG: ok = WriteJpeg(f.get(), doc, error); break;
        case ImageFormat::PFM: ok = WritePfm(f.get(), doc, error); break;
        case ImageFormat::TIFF: ok = WriteTiffFile(fileno(f.get()), doc, error); break;
        default: *error = "unknown output format"; break;
    }
    // The system's reason beats the library's "write error".
    if (!ok && std::ferror(f.get()) && errno != 0) *error = std::strerror(errno);
    // A full disk may only show when the buffers are flushed.
    if (ok && (std::fflush(f.get()) != 0 || std::ferror(f.get()))) {
        *error = std::strerror(errno);
        ok = false;
    }
    if (std::fclose(f.release()) != 0) {
        if (ok) *error = std::strerror(errno);
        ok = false;
    }
    return ok;
}

bool ReadMaskFile(const std::string& path, int32_t width, int32_t height, std::vector<uint8_t>* mask,
                  std::string* error) {
    HostDocument m;
    FilePtr f = OpenFile(path, "rb", error);
    if (!f) return false;
    // The size is compared from the header, before anything is decoded.
    PictureReadLimits limits;
    limits.width = width;
    limits.height = height;
    if (!ReadOpenFile(f.get(), limits, &m, error)) return false;
    mask->resize(size_t(width) * height);
    const int planes = m.Planes();
    for (size_t i = 0; i < mask->size(); ++i) {
        double v = GetUnitSample(m, i * planes);
        if (m.colourPlanes == 3)
            v = 0.3 * v + 0.59 * GetUnitSample(m, i * planes + 1) + 0.11 * GetUnitSample(m, i * planes + 2);
        (*mask)[i] = uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
    }
    return true;
}
