#include "cli/png_file.h"

#include <libdeflate.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VORNESK_WIDE_LANES 1
#endif
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "cli/image_files.h"
#include "cli/parallel_work.h"
#include "cli/picture_file_support.h"
#include "cli/png_paeth.h"
#include "platform/cpu_features.h"

namespace {

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
    SampleBytes bytes;
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
    SampleBytes filtered;
    try {
        filtered.resize(total);
    } catch (const std::bad_alloc&) {
        return {};
    }
    const int32_t bandCount = std::max(1, std::min(ProcessorsForWork() * 4, doc.height / kPngRowsPerBandAtLeast));
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
                FilterPngRow(here, up, n, bpp, filtered.data() + size_t(y) * (n + 1));
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
    try {
        deflated.bytes.resize(bound);
        deflated.size = libdeflate_zlib_compress(compressor, filtered.data(), total, deflated.bytes.data(), bound);
    } catch (const std::bad_alloc&) {
    }
    libdeflate_free_compressor(compressor);
    return deflated;
}
}  // namespace

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
            ok = WritePngChunk(f, "IDAT", stream.bytes.data() + at, std::min(kPngLargestChunk, stream.size - at));
        ok = ok && WritePngChunk(f, "IEND", nullptr, 0);
        if (!ok) *error = "write error";
        return ok;
    }

    // Bands of at most a gigabyte of filtered rows, at least one per processor
    // while each keeps a few rows.
    const int32_t threads = ProcessorsForWork();
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
