#include "cli/tiff_file.h"

#include <libdeflate.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "cli/image_files.h"
#include "cli/parallel_work.h"

namespace {

constexpr size_t kTiffStripBytes = size_t(256) << 10;  // rows per strip: about this many bytes
constexpr int32_t kTiffStripsPerRound = 64;
// Output strips are deflated by libdeflate at its fastest level: a little
// smaller than zlib's fastest and about three times the speed of zlib's
// level 4, with the same kind of stream.
constexpr int kTiffDeflateLevel = 1;

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// libtiff's first error of a file, kept instead of printed; warnings stay quiet.
int KeepError(TIFF*, void* user, const char*, const char* format, va_list args) {
    auto* first = static_cast<std::string*>(user);
    if (first->empty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, args);
        *first = text;
    }
    return 1;
}

// Warnings stay quiet too, except libjpeg's of corrupt data inside a JPEG
// strip: like the JPEG reader's, those are damage.
int KeepJpegDamage(TIFF*, void* user, const char* module, const char* format, va_list args) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    auto* first = static_cast<std::string*>(user);
    if (first->empty() && module && std::strcmp(module, "JPEGLib") == 0 &&
        (std::strstr(text, "Corrupt JPEG data") || std::strstr(text, "Premature end")))
        *first = text;
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tif) const {
        if (tif) TIFFClose(tif);
    }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// libtiff owns a copy of the descriptor and closes it. None of its buffers
// may be larger than largestBuffer bytes.
TiffPtr OpenTiff(int fd, const char* mode, std::string* firstError, double largestBuffer) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepError, firstError);
    TIFFOpenOptionsSetWarningHandlerExtR(options, KeepJpegDamage, firstError);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(std::min(largestBuffer, 0x1p62)));
    const int own = dup(fd);
    TIFF* tif = own >= 0 ? TIFFFdOpenExt(own, "TIFF", mode, options) : nullptr;
    if (!tif && own >= 0) close(own);
    TIFFOpenOptionsFree(options);
    return TiffPtr(tif);
}

// The stored bytes of the picture's strips or tiles, at most the file's.
uint64_t StoredBytes(TIFF* tif, uint64_t fileSize) {
    const uint32_t chunks = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    uint64_t stored = 0;
    for (uint32_t i = 0; i < chunks && stored < fileSize; ++i) stored += TIFFGetStrileByteCount(tif, i);
    return std::min(stored, fileSize);
}

struct Layout {
    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, format = SAMPLEFORMAT_UINT, photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
    uint16_t extraCount = 0;
    const uint16_t* extra = nullptr;
};

Layout ReadLayout(TIFF* tif) {
    Layout l;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &l.format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &l.compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &l.extraCount, &l.extra);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    return l;
}

// Whether `stored` bytes of strips or tiles can decode to the picture l
// claims, by the worst expansion of its compression.
bool StoredBytesCanHold(const Layout& l, uint64_t stored) {
    const double bytes = double(l.width) * l.height * l.samples * l.bits / 8, have = double(stored);
    const double rows = double(l.height) * (l.planar == PLANARCONFIG_SEPARATE ? l.samples : 1);
    switch (l.compression) {
        case COMPRESSION_NONE: return bytes <= have;
        // Fax codings spend at least a bit on a row (one like the row above).
        case COMPRESSION_CCITTRLE:
        case COMPRESSION_CCITTRLEW:
        case COMPRESSION_CCITTFAX3:
        case COMPRESSION_CCITTFAX4: return rows <= have * 8;
        // JBIG's arithmetic coder spends at least one decision on a row, and
        // a decision at least 2^-16 bits.
        case COMPRESSION_JBIG: return rows <= have * 8 * 65536;
        // A count byte and one data byte make a run of 128.
        case COMPRESSION_PACKBITS: return bytes <= have * 64;
        // A byte of 2-bit or 4-bit runs gives at most 63 pixels.
        case COMPRESSION_NEXT: return bytes <= have * 16;
        case COMPRESSION_THUNDERSCAN: return bytes <= have * 32;
        // Codes of at least 9 bits, each a string of under 4096 bytes.
        case COMPRESSION_LZW: return bytes <= have * (4096.0 * 8 / 9);
        // Deflate turns at most 2 bits into a 258-byte match; Pixar's log
        // coding deflates 16-bit codes that may come out as 32-bit floats,
        // SGI's log coding runs of at most 129 such codes.
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE: return bytes <= have * 1032;
        case COMPRESSION_PIXARLOG:
        case COMPRESSION_SGILOG:
        case COMPRESSION_SGILOG24: return bytes <= have * 2064;
        // Huffman spends at least a bit on each 8 x 8 block; 4:2:0 chroma
        // makes six blocks cover 768 samples.
        case COMPRESSION_JPEG:
        case COMPRESSION_OJPEG: return bytes <= have * 1024;
        // A match of 273 bytes costs LZMA at least a third of a bit; one of
        // 128 KiB costs Zstandard at least 16 bits.
        case COMPRESSION_LZMA: return bytes <= have * 16384;
        case COMPRESSION_ZSTD: return bytes <= have * 65536 * 2;
        // The rest (WebP, LERC, JPEG 2000...) can describe a flat picture of
        // any size in a few bytes: only the memory bound holds them.
        default: return true;
    }
}

// Colour planes when the samples can be copied as they are: 8 and 16-bit
// integers or 32-bit floats, grey or RGB; else 0.
int DirectColourPlanes(const Layout& l) {
    const bool sampleKind = ((l.bits == 8 || l.bits == 16) && l.format == SAMPLEFORMAT_UINT) ||
                            (l.bits == 32 && l.format == SAMPLEFORMAT_IEEEFP);
    const int colour = l.photometric == PHOTOMETRIC_RGB ? 3 : l.photometric == PHOTOMETRIC_MINISBLACK ? 1 : 0;
    return sampleKind && colour && l.samples >= colour ? colour : 0;
}

// Copies `pixels` pixels of a strip or tile row, `stride` samples apart
// starting with file sample `first`, into the document from pixel `at`;
// samples beyond the document's planes are dropped.
void CopySamples(const uint8_t* src, int stride, int first, size_t pixels, HostDocument* doc, size_t at) {
    const int planes = doc->Planes(), bytes = doc->BytesPerSample();
    if (stride == planes && first == 0 && bytes != 2) {
        std::memcpy(&doc->samples[at * planes * bytes], src, pixels * planes * bytes);
        return;
    }
    for (size_t p = 0; p < pixels; ++p)
        for (int s = 0; s < stride && first + s < planes; ++s) {
            const uint8_t* from = src + (p * stride + s) * bytes;
            uint8_t* to = &doc->samples[((at + p) * planes + first + s) * bytes];
            if (bytes == 2) {
                uint16_t v;
                std::memcpy(&v, from, 2);
                v = Document16FromFile(v);
                std::memcpy(to, &v, 2);
            } else {
                std::memcpy(to, from, bytes);
            }
        }
}

// The file offsets of strips that each hold all their rows of rowBytes
// bytes uncompressed; false when the strips are laid out otherwise.
bool PlainStripOffsets(TIFF* tif, const Layout& l, uint32_t rowsPerStrip, size_t rowBytes,
                       std::vector<uint64_t>* offsets) {
    const uint32_t strips = uint32_t((uint64_t(l.height) + rowsPerStrip - 1) / rowsPerStrip);
    if (strips != TIFFNumberOfStrips(tif)) return false;
    try {
        offsets->resize(strips);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint32_t s = 0; s < strips; ++s) {
        if (TIFFGetStrileByteCount(tif, s) < rowBytes * std::min(rowsPerStrip, l.height - s * rowsPerStrip))
            return false;
        (*offsets)[s] = TIFFGetStrileOffset(tif, s);
        if ((*offsets)[s] == 0) return false;
    }
    return true;
}

// Reads bytes from offset at into to; false when the file comes up short.
bool ReadFully(int fd, uint8_t* to, size_t bytes, uint64_t at) {
    while (bytes > 0) {
        const ssize_t got = pread(fd, to, bytes, off_t(at));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        to += got;
        bytes -= size_t(got);
        at += uint64_t(got);
    }
    return true;
}

// Uncompressed strips in this machine's byte order, each holding all its
// rows, are read from the file on all processors at once, straight into
// their rows of the document. False when the file is laid out otherwise or
// a read comes up short: libtiff then reads it strip by strip.
bool ReadPlainStripsAtOnce(TIFF* tif, const Layout& l, uint32_t rowsPerStrip, size_t rowBytes, HostDocument* doc) {
    if (l.compression != COMPRESSION_NONE || (l.bits != 8 && TIFFIsByteSwapped(tif))) return false;
    std::vector<uint64_t> offsets;
    if (!PlainStripOffsets(tif, l, rowsPerStrip, rowBytes, &offsets)) return false;
    const int fd = TIFFFileno(tif);
    std::atomic<bool> ok{true};
    RunOnAllProcessors(int32_t(offsets.size()), [&](int32_t s) {
        const uint32_t y0 = uint32_t(s) * rowsPerStrip;
        if (ok && !ReadFully(fd, &doc->samples[size_t(y0) * rowBytes], rowBytes * std::min(rowsPerStrip, l.height - y0),
                             offsets[size_t(s)]))
            ok = false;
    });
    return ok;
}

// Reads every strip or tile (each plane's in turn) straight into the document.
bool ReadDirect(TIFF* tif, const Layout& l, HostDocument* doc) {
    const bool tiled = TIFFIsTiled(tif);
    const tmsize_t chunkBytes = tiled ? TIFFTileSize(tif) : TIFFStripSize(tif);
    if (chunkBytes <= 0) return false;
    const bool planes = l.planar == PLANARCONFIG_SEPARATE;
    const int stride = planes ? 1 : l.samples;
    uint32_t chunkWidth = l.width, chunkHeight = 1;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &chunkWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &chunkHeight);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &chunkHeight);
        chunkHeight = std::min(chunkHeight, l.height);
    }
    if (chunkWidth == 0 || chunkHeight == 0) return false;
    const size_t rowBytes = size_t(chunkWidth) * stride * (l.bits / 8);
    // Strips of whole pixels as the document keeps them decode in place;
    // uncompressed ones are read from the file straight into the document.
    if (!tiled && !planes && stride == doc->Planes() && l.bits != 16) {
        if (ReadPlainStripsAtOnce(tif, l, chunkHeight, rowBytes, doc)) return true;
        for (uint32_t y0 = 0; y0 < l.height; y0 += chunkHeight) {
            const size_t bytes = rowBytes * std::min(chunkHeight, l.height - y0);
            if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y0, 0), &doc->samples[size_t(y0) * rowBytes],
                                     tmsize_t(bytes)) < 0)
                return false;
        }
        return true;
    }
    std::vector<uint8_t> chunk;
    try {
        chunk.resize(size_t(chunkBytes));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint16_t plane = 0; plane < (planes ? l.samples : 1); ++plane)
        for (uint32_t y0 = 0; y0 < l.height; y0 += chunkHeight)
            for (uint32_t x0 = 0; x0 < l.width; x0 += chunkWidth) {
                const tmsize_t got =
                    tiled ? TIFFReadTile(tif, chunk.data(), x0, y0, 0, plane)
                          : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y0, plane), chunk.data(), chunkBytes);
                if (got < 0) return false;
                const uint32_t rows = std::min(chunkHeight, l.height - y0), columns = std::min(chunkWidth, l.width - x0);
                for (uint32_t r = 0; r < rows; ++r)
                    CopySamples(chunk.data() + r * rowBytes, stride, planes ? plane : 0, columns, doc,
                                size_t(y0 + r) * l.width + x0);
            }
    return true;
}

// Layouts libtiff turns into 8-bit RGBA, read in bands of rows.
bool ReadThroughRGBA(TIFF* tif, HostDocument* doc, char (&message)[1024]) {
    TIFFRGBAImage image;
    if (!TIFFRGBAImageBegin(&image, tif, 1, message)) return false;
    image.req_orientation = ORIENTATION_TOPLEFT;
    // Bands of at most 64 rows, fewer for a picture that has fewer: the
    // band's raster stays within a few times the picture.
    const uint32_t width = image.width, band = std::min<uint32_t>(64, image.height);
    std::vector<uint32_t> raster(size_t(width) * band);
    bool ok = true;
    const int planes = doc->Planes();
    for (uint32_t y0 = 0; ok && y0 < image.height; y0 += band) {
        const uint32_t rows = std::min(band, image.height - y0);
        image.row_offset = int(y0);
        image.col_offset = 0;
        ok = TIFFRGBAImageGet(&image, raster.data(), width, rows) != 0;
        for (size_t i = 0; ok && i < size_t(width) * rows; ++i) {
            const uint32_t px = raster[i];
            uint8_t* to = &doc->samples[(size_t(y0) * width + i) * planes];
            const uint8_t rgba[4] = {uint8_t(TIFFGetR(px)), uint8_t(TIFFGetG(px)), uint8_t(TIFFGetB(px)),
                                     uint8_t(TIFFGetA(px))};
            if (doc->colourPlanes == 1) {
                to[0] = rgba[0];
                if (doc->hasAlpha) to[1] = rgba[3];
            } else {
                std::memcpy(to, rgba, size_t(planes));
            }
        }
    }
    if (!ok && !message[0]) std::snprintf(message, sizeof message, "the picture's data cannot be decoded");
    TIFFRGBAImageEnd(&image);
    return ok;
}

// Colour multiplied by alpha back to colour alone.
void DivideOutAlpha(HostDocument* doc) {
    const int planes = doc->Planes(), colour = doc->colourPlanes;
    for (size_t i = 0, n = size_t(doc->width) * doc->height; i < n; ++i) {
        const double alpha = GetUnitSample(*doc, i * planes + colour);
        if (alpha <= 0) continue;
        for (int p = 0; p < colour; ++p)
            SetUnitSample(doc, i * planes + p, GetUnitSample(*doc, i * planes + p) / alpha);
    }
}

}  // namespace

bool TiffPictureSize(int fd, uint32_t* width, uint32_t* height) {
    std::string libraryError;
    TiffPtr tif = OpenTiff(fd, "rm", &libraryError, double(1 << 26));
    return tif && TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, width) == 1 &&
           TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, height) == 1 && *width > 0 && *height > 0;
}

bool ReadTiffFile(int fd, const PictureReadLimits& limits, HostDocument* doc, std::string* error) {
    std::string libraryError;
    // Without memory mapping ("m"), libtiff reads an uncompressed strip
    // straight into the caller's buffer instead of copying it out of a
    // mapping of the whole file.
    TiffPtr tif = OpenTiff(fd, "rm", &libraryError, LargestReadBuffer(limits));
    auto fail = [&](const std::string& why) {
        *error = "damaged or unsupported TIFF file: " + (libraryError.empty() ? why : libraryError);
        return false;
    };
    if (!tif) return fail("it cannot be opened");
    Layout l = ReadLayout(tif.get());
    if (l.photometric == PHOTOMETRIC_YCBCR && l.compression == COMPRESSION_JPEG) {
        TIFFSetField(tif.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        l.photometric = PHOTOMETRIC_RGB;
    }
    if (l.width == 0 || l.height == 0 || l.samples == 0) return fail("the picture has no pixels");
    const int direct = DirectColourPlanes(l);
    const int colour = direct ? direct
                       // Grey stays grey; what else libtiff shows becomes RGB.
                       : (l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE) ? 1 : 3;
    const bool alpha = direct ? l.samples > colour : l.extraCount > 0;
    const int depth = direct ? (l.bits == 8 ? 8 : l.bits == 16 ? 16 : 32) : 8;
    if (!PictureWithinLimits(limits, l.width, l.height, colour + (alpha ? 1 : 0), depth, error)) return false;
    auto damaged = [&](const std::string& why) {
        *error = "damaged TIFF file: " + why;
        return false;
    };
    // The claim must fit what the file's strips or tiles can decode to.
    if (!StoredBytesCanHold(l, StoredBytes(tif.get(), limits.fileSize)))
        return damaged("too short for the " + std::to_string(l.width) + " x " + std::to_string(l.height) +
                       " picture it claims");
    // Tiles come in multiples of 16 pixels: one beyond the picture's size
    // so rounded is no tile of it (libtiff would take memory for all of it).
    // Strips are cut to the picture's rows.
    if (TIFFIsTiled(tif.get())) {
        uint32_t tileWidth = 0, tileLength = 0;
        TIFFGetField(tif.get(), TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif.get(), TIFFTAG_TILELENGTH, &tileLength);
        const auto roundUp = [](uint32_t v) { return (uint64_t(v) + 15) / 16 * 16; };
        if (tileWidth > roundUp(l.width) || tileLength > roundUp(l.height))
            return damaged("its " + std::to_string(tileWidth) + " x " + std::to_string(tileLength) +
                           " tiles are larger than the picture");
    }
    // A strip or tile that is not read in place is decoded whole into a
    // buffer of its own, sized by the samples a pixel claims, not by the
    // planes the document keeps: it too must fit the memory bound.
    if (direct) {
        const tmsize_t chunkBytes = TIFFIsTiled(tif.get()) ? TIFFTileSize(tif.get()) : TIFFStripSize(tif.get());
        if (double(chunkBytes) > LargestReadBuffer(limits))
            return damaged("its " + std::string(TIFFIsTiled(tif.get()) ? "tiles" : "strips") + " of " +
                           std::to_string(l.samples) + " samples a pixel take " + std::to_string(chunkBytes) +
                           " bytes each, more than a read may take");
    }
    char message[1024] = {};
    if (!direct && !TIFFRGBAImageOK(tif.get(), message)) return fail(message);
    if (l.width > INT32_MAX || l.height > INT32_MAX) return fail("the picture is too large");
    if (!PictureShapeAccepted(limits, l.width, l.height, colour + (alpha ? 1 : 0), depth, error)) return false;
    // Every sample is decoded or the read fails: the samples start unset,
    // and a failed read leaves no picture behind. The first error libtiff
    // reports ends the read, even one it would read past.
    if (!AllocateDocument(doc, int32_t(l.width), int32_t(l.height), int16_t(colour), alpha, depth, error, false))
        return false;
    libraryError.clear();
    if ((direct ? !ReadDirect(tif.get(), l, doc) : !ReadThroughRGBA(tif.get(), doc, message)) ||
        !libraryError.empty()) {
        *doc = HostDocument{};
        return fail(message[0] ? message : "the picture's data cannot be decoded");
    }
    // libtiff's RGBA hands over colour multiplied by alpha, as associated alpha is stored.
    if (alpha && (!direct || (l.extraCount > 0 && l.extra[0] == EXTRASAMPLE_ASSOCALPHA))) DivideOutAlpha(doc);
    return true;
}

bool ReadTiffFileResized(int fd, const PictureReadLimits& limits, int32_t width, int32_t height, HostDocument* doc,
                         std::string* error, bool* plain) {
    *plain = false;
    const uint64_t fileSize = limits.fileSize;
    std::string libraryError;
    TiffPtr tif = OpenTiff(fd, "rm", &libraryError, LargestReadBuffer(limits));
    if (!tif) return true;  // the whole read says why
    const Layout l = ReadLayout(tif.get());
    const int colour = DirectColourPlanes(l);
    const bool alpha = colour && l.samples > colour;
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::min(rowsPerStrip, l.height);
    if (!colour || l.bits != 8 || TIFFIsTiled(tif.get()) || l.planar != PLANARCONFIG_CONTIG ||
        l.compression != COMPRESSION_NONE || l.samples > colour + 1 || rowsPerStrip == 0 || l.width == 0 ||
        l.height == 0 || (alpha && l.extraCount > 0 && l.extra[0] == EXTRASAMPLE_ASSOCALPHA) ||
        (l.width == uint32_t(width) && l.height == uint32_t(height)))
        return true;
    // The checks of a whole read: a size this host takes, and strips that
    // hold what the picture claims.
    if (l.width > (1u << 30) || l.height > (1u << 30) || uint64_t(l.width) * l.height > (uint64_t(1) << 31))
        return true;
    const size_t rowBytes = size_t(l.width) * l.samples;
    std::vector<uint64_t> offsets;
    if (double(rowBytes) * l.height > double(StoredBytes(tif.get(), fileSize)) ||
        !PlainStripOffsets(tif.get(), l, rowsPerStrip, rowBytes, &offsets))
        return true;
    *plain = true;
    if (!PictureShapeAccepted(limits, l.width, l.height, colour + (alpha ? 1 : 0), 8, error)) return false;
    HostDocument shape;
    shape.width = int32_t(l.width);
    shape.height = int32_t(l.height);
    shape.colourPlanes = int16_t(colour);
    shape.hasAlpha = alpha;
    shape.depth = 8;
    const auto rowOf = [&](int32_t y) -> const uint8_t* {
        // Each thread reads its rows into its own buffer.
        thread_local std::vector<uint8_t> row;
        if (row.size() < rowBytes) row.resize(rowBytes);
        const uint64_t at = offsets[size_t(y) / rowsPerStrip] + uint64_t(size_t(y) % rowsPerStrip) * rowBytes;
        return ReadFully(fd, row.data(), rowBytes, at) ? row.data() : nullptr;
    };
    if (ResizeRows(shape, rowOf, width, height, doc, error)) return true;
    if (error->find("memory") == std::string::npos) *error = "damaged or unsupported TIFF file: " + *error;
    return false;
}

bool WriteTiffFile(int fd, const HostDocument& doc, std::string* error) {
    std::string libraryError;
    errno = 0;
    TiffPtr tif = OpenTiff(fd, "w", &libraryError, 1e18);
    auto fail = [&] {
        *error = errno != 0 ? std::strerror(errno) : libraryError.empty() ? "libtiff cannot write" : libraryError;
        return false;
    };
    if (!tif) return fail();
    TIFF* t = tif.get();
    const int planes = doc.Planes();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(doc.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(doc.height));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(planes));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(doc.depth));
    TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, uint16_t(doc.depth == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT));
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, uint16_t(doc.colourPlanes == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK));
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(t, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT));
    TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_ADOBE_DEFLATE));
    const size_t rowSamples = size_t(doc.width) * planes, rowBytes = rowSamples * doc.BytesPerSample();
    const int32_t rowsPerStrip = int32_t(std::clamp<size_t>(kTiffStripBytes / std::max<size_t>(rowBytes, 1), 1,
                                                            size_t(std::max(doc.height, 1))));
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip));
    if (doc.hasAlpha) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
    }
    // Strips are deflated on all processors, at most a round of them ahead
    // of the file, and written in order as raw strips (in this machine's
    // byte order, which is the file's) while the next are deflated.
    const int32_t strips = (doc.height + rowsPerStrip - 1) / rowsPerStrip;
    // Left unset on resize: a strip's bound is mostly never written.
    std::vector<SampleBytes> packed(static_cast<size_t>(strips));
    std::vector<std::unique_ptr<libdeflate_compressor, CompressorFree>> compressors(static_cast<size_t>(ProcessorsForWork()));
    std::atomic<bool> packingFailed{false};
    auto pack = [&](int32_t strip, int32_t worker) {
        SampleBytes& out = packed[size_t(strip)];
        try {
            auto& compressor = compressors[size_t(worker)];
            if (!compressor) compressor.reset(libdeflate_alloc_compressor(kTiffDeflateLevel));
            if (!compressor) throw std::bad_alloc();
            const int32_t first = strip * rowsPerStrip, end = std::min(doc.height, first + rowsPerStrip);
            const size_t bytes = rowBytes * size_t(end - first);
            const uint8_t* from = &doc.samples[size_t(first) * rowBytes];
            SampleBytes converted;
            if (doc.depth == 16) {
                converted.resize(bytes);
                for (size_t i = 0; i < bytes / 2; ++i) {
                    uint16_t v;
                    std::memcpy(&v, from + i * 2, 2);
                    v = File16FromDocument(v);
                    std::memcpy(&converted[i * 2], &v, 2);
                }
                from = converted.data();
            }
            out.resize(libdeflate_zlib_compress_bound(compressor.get(), bytes));
            const size_t size = libdeflate_zlib_compress(compressor.get(), from, bytes, out.data(), out.size());
            if (size == 0) throw std::bad_alloc();
            out.resize(size);
        } catch (const std::bad_alloc&) {
            packingFailed = true;
            out.clear();
        }
    };
    bool writeFailed = false;
    RunInOrder(strips, kTiffStripsPerRound, pack, [&](int32_t strip) {
        SampleBytes& out = packed[size_t(strip)];
        if (packingFailed) return false;
        if (TIFFWriteRawStrip(t, uint32_t(strip), out.data(), tmsize_t(out.size())) < 0) {
            writeFailed = true;
            return false;
        }
        SampleBytes().swap(out);
        return true;
    });
    if (writeFailed) return fail();
    if (packingFailed) {
        *error = "out of memory";
        return false;
    }
    if (!TIFFWriteDirectory(t) || !TIFFFlush(t)) return fail();
    return true;
}
