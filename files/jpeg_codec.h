// JPEG encoding and decoding through libjpeg, on plain rows of pixels: the
// program's own quality mapping, quantisation tables and chroma sampling, an
// in-memory destination and source, an error manager that unwinds with
// longjmp, and the COM, APP1 EXIF, APP2 ICC and APP13 IPTC markers written
// after the JFIF header. The pyramid-facing entry points sit on top of these.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

struct TIPTCThing;
struct TEXIFThing;

// Results of the encoder and decoder entry points. 1 to 3 are the historical
// missing-pyramid codes; the others report failures that used to pass as
// success.
enum JPEGResult : int {
    kJPEGOK = 0,
    kJPEGNoPyramid = 1,
    kJPEGNoTiles = 2,
    kJPEGNoBufferProcs = 3,
    kJPEGLibraryError = 4,  // libjpeg refused the stream or ran out of room
    kJPEGNoMemory = 5,      // the output buffer could not be allocated
    kJPEGWriteFailed = 6,   // the file descriptor refused the bytes
    kJPEGBadSize = 7,       // a picture larger than a pyramid can hold
};

constexpr int kJPEGMinimumSide = 16;           // smaller pictures are written padded to this
constexpr long kJPEGLargestSide = 32767;       // pictures larger than this on a side are refused
constexpr long kJPEGMemoryLimit = 50000000;    // libjpeg's working memory, bytes
constexpr int kJPEGWorkBufferBytes = 4096;     // chunk size of the memory destination and source
constexpr int kJPEGMaxScans = 256;             // progressive scans accepted before a stream is refused
constexpr size_t kICCChunkBytes = 65519;       // profile bytes per APP2 marker
constexpr unsigned kJPEGMaxMarkerData = 65533; // data bytes one marker can hold

// The program's quantisation tables by quality row r = quality / 10, 64
// values each in natural (row-major) order.
extern const unsigned int kVorneskLuminanceQuant[10][64];
extern const unsigned int kVorneskChrominanceQuant[10][64];

// The error manager: error_exit keeps the message, destroys the object and
// leaves through `escape`; warnings are counted but never printed.
struct VorneskJPEGError {
    jpeg_error_mgr pub;
    jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
};
jpeg_error_mgr* InitVorneskJPEGError(VorneskJPEGError* err);
void error_exit(j_common_ptr cinfo);
void emit_message(j_common_ptr cinfo, int msgLevel);
void reset_error_mgr(j_common_ptr cinfo);

// Bytes the encoder delivers. A fixed buffer refuses a chunk that would not
// fit (libjpeg's output-write error); a growable one takes a larger block.
struct JPEGOutput {
    uint8_t* bytes = nullptr;
    size_t capacity = 0;
    size_t delivered = 0;
    bool growable = false;  // bytes then belong to the caller, who disposes them
};
void jpeg_memory_dest(j_compress_ptr cinfo, JPEGOutput* output);

// The source hands out the block in chunks of at most 4096 bytes; running
// past its end is libjpeg's input error.
void jpeg_memory_src(j_decompress_ptr cinfo, const uint8_t* data, size_t size);

// The markers written after the JFIF header; a marker too long for its length
// word is never written (the ICC profile is split into chunks instead).
struct JPEGMetadata {
    size_t iccSize = 0;
    const uint8_t* icc = nullptr;
    TIPTCThing* iptc = nullptr;   // written when built
    TEXIFThing* exif = nullptr;   // written when built
};
void write_file_header(j_compress_ptr cinfo, const JPEGMetadata& metadata);
void write_icc_profile(j_compress_ptr cinfo, const uint8_t* profile, size_t size);
// Bytes the markers take, with their marker headers.
size_t JPEGMetadataBytes(const JPEGMetadata& metadata);

// Fills rgb with `width` pixels (three bytes each) of row y.
using JPEGRowSource = void (*)(void* context, long y, long width, uint8_t* rgb);

// Whether the encoder optimises its Huffman tables: only while the picture's
// coefficients fit the memory limit.
bool EncoderOptimisesHuffman(long width, long height, long quality);

// Encodes a width x height picture (each side raised to at least 16; the
// source is then asked for the padding too). quality is clamped to 0..99.
// Returns kJPEGOK with output->delivered bytes, or kJPEGLibraryError with
// nothing delivered; message (JMSG_LENGTH_MAX bytes, may be null) gets
// libjpeg's text.
int CompressJPEGRows(long width, long height, JPEGRowSource source, void* context,
                     JPEGOutput* output, long quality, bool linearQuality,
                     const JPEGMetadata& metadata, char* message = nullptr);

// Encodes and writes to fd; with previewHeader first the big-endian 32-bit
// words 1, width, height, length (sides as written, at least 16). On any
// failure no picture is written; in preview form the single word 0 then
// records that there is no preview. The IPTC and EXIF blocks are built in
// their JPEG form when given.
int WriteJPEGRowsToFile(long width, long height, JPEGRowSource source, void* context, int fd,
                        bool previewHeader, long quality, const JPEGMetadata& metadata,
                        char* message = nullptr);

struct JPEGImageInfo {
    long width = 0;       // as decoded
    long height = 0;
    int components = 0;   // 3 (RGB) or 1 (grey)
    long warnings = 0;    // corrupt-data warnings libjpeg recovered from
};

// Receives row y of `width` pixels of `components` bytes; returns false when
// it needs no further rows.
using JPEGRowSink = bool (*)(void* context, long y, long width, int components,
                             const uint8_t* row);

// Decodes a stream held in memory to RGB or grey rows. Streams whose sides
// exceed kJPEGLargestSide give kJPEGBadSize before any row; a Huffman-coded
// sequential stream with fewer bits than the blocks of its frame (cut short
// under a large claim) gives kJPEGLibraryError before any row; a stream
// libjpeg refuses (corrupt, truncated, unconvertible colour) gives
// kJPEGLibraryError, the rows delivered so far staying delivered.
int DecompressJPEGRows(const uint8_t* data, size_t size, JPEGRowSink sink, void* context,
                       JPEGImageInfo* info = nullptr, char* message = nullptr);

// One decoded pixel as the packed word of an 8-bit RGBA pixel (red in the top
// byte, alpha 255 in the low byte).
inline uint32_t PackedRGBAFromJPEGPixel(const uint8_t* row, long x, int components) {
    if (components >= 3) {
        const uint8_t* p = row + x * components;
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | 255u;
    }
    const uint32_t g = row[x];
    return g << 24 | g << 16 | g << 8 | 255u;
}
