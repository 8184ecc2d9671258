#include "files/jpeg_codec.h"

#include <jerror.h>
#include <unistd.h>

#include <cstring>

#include "common/byte_io.h"
#include "common/memory.h"
#include "files/exif.h"
#include "files/iptc.h"

// ---------------------------------------------------------------- errors

jpeg_error_mgr* InitVorneskJPEGError(VorneskJPEGError* err) {
    jpeg_std_error(&err->pub);
    err->pub.error_exit = error_exit;
    err->pub.emit_message = emit_message;
    err->pub.reset_error_mgr = reset_error_mgr;
    err->message[0] = 0;
    return &err->pub;
}

// libjpeg must not get control back after a fatal error: keep the text,
// destroy the object (a second jpeg_destroy is harmless) and unwind.
void error_exit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<VorneskJPEGError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    jpeg_destroy(cinfo);
    longjmp(err->escape, 1);
}

// Warnings (msgLevel -1) are counted so a caller can tell a damaged stream,
// trace messages ignored; nothing is printed.
void emit_message(j_common_ptr cinfo, int msgLevel) {
    if (msgLevel < 0) cinfo->err->num_warnings++;
}

void reset_error_mgr(j_common_ptr cinfo) {
    cinfo->err->num_warnings = 0;
    cinfo->err->msg_code = 0;
}

namespace {

// Refuses a stream for a reason of our own, the way error_exit refuses it for
// libjpeg's.
[[noreturn]] void FailWithMessage(j_common_ptr cinfo, const char* text) {
    auto* err = reinterpret_cast<VorneskJPEGError*>(cinfo->err);
    std::snprintf(err->message, JMSG_LENGTH_MAX, "%s", text);
    jpeg_destroy(cinfo);
    longjmp(err->escape, 1);
}

void KeepMessage(const VorneskJPEGError& err, char* message) {
    if (!message) return;
    std::memcpy(message, err.message, JMSG_LENGTH_MAX);
    message[JMSG_LENGTH_MAX - 1] = 0;
}

// ------------------------------------------------------ memory destination

struct MemoryDestination {
    jpeg_destination_mgr pub;
    JPEGOutput* output;
    JOCTET* work;
};

// Appends n bytes of the work buffer to the output, growing a growable one;
// a fixed one refuses a chunk that would not fit.
void DeliverChunk(j_compress_ptr cinfo, size_t n) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    JPEGOutput* out = dest->output;
    if (n > out->capacity - out->delivered) {
        if (!out->growable) ERREXIT(cinfo, JERR_FILE_WRITE);
        size_t capacity = out->capacity ? out->capacity : kJPEGWorkBufferBytes;
        while (n > capacity - out->delivered) {
            if (capacity > SIZE_MAX / 2) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 100);
            capacity *= 2;
        }
        auto* grown = static_cast<uint8_t*>(RobustNewPtr(capacity));
        if (!grown) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 100);
        if (out->delivered) std::memcpy(grown, out->bytes, out->delivered);
        RobustDisposePtr(&out->bytes);
        out->bytes = grown;
        out->capacity = capacity;
    }
    if (n) std::memcpy(out->bytes + out->delivered, dest->work, n);
    out->delivered += n;
}

void init_destination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->work = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(j_common_ptr(cinfo), JPOOL_IMAGE, kJPEGWorkBufferBytes));
    dest->pub.next_output_byte = dest->work;
    dest->pub.free_in_buffer = kJPEGWorkBufferBytes;
}

boolean empty_output_buffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    DeliverChunk(cinfo, kJPEGWorkBufferBytes);
    dest->pub.next_output_byte = dest->work;
    dest->pub.free_in_buffer = kJPEGWorkBufferBytes;
    return TRUE;
}

void term_destination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    DeliverChunk(cinfo, kJPEGWorkBufferBytes - dest->pub.free_in_buffer);
    dest->pub.next_output_byte = dest->work;
    dest->pub.free_in_buffer = kJPEGWorkBufferBytes;
}

// ------------------------------------------------------------ memory source

struct MemorySource {
    jpeg_source_mgr pub;
    const uint8_t* data;
    size_t size;
    size_t consumed;
    JOCTET* work;
    bool startOfFile;
};

void init_source(j_decompress_ptr cinfo) {
    reinterpret_cast<MemorySource*>(cinfo->src)->startOfFile = true;
}

// Offers the next chunk of the block, the last one possibly short; at the end
// of the block the stream is refused rather than read beyond.
boolean fill_input_buffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    const size_t remaining = src->size - src->consumed;
    if (remaining == 0) {
        if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        ERREXIT(cinfo, JERR_INPUT_EOF);
    }
    const size_t chunk = remaining < size_t(kJPEGWorkBufferBytes) ? remaining : kJPEGWorkBufferBytes;
    std::memcpy(src->work, src->data + src->consumed, chunk);
    src->consumed += chunk;
    src->pub.next_input_byte = src->work;
    src->pub.bytes_in_buffer = chunk;
    src->startOfFile = false;
    return TRUE;
}

void skip_input_data(j_decompress_ptr cinfo, long n) {
    if (n <= 0) return;
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    size_t left = size_t(n);
    while (left > src->pub.bytes_in_buffer) {
        left -= src->pub.bytes_in_buffer;
        src->pub.bytes_in_buffer = 0;
        fill_input_buffer(cinfo);
    }
    src->pub.next_input_byte += left;
    src->pub.bytes_in_buffer -= left;
}

void term_source(j_decompress_ptr) {}

// A stream of several scans is held whole as coefficients (two bytes each)
// before any row comes out. libjpeg's own memory limit does not bind without
// a backing store, so the need is checked here, from the header alone.
bool CoefficientsFitTheLimit(j_decompress_ptr cinfo) {
    if (!cinfo->progressive_mode && cinfo->comps_in_scan >= cinfo->num_components) return true;
    double bytes = 0;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const jpeg_component_info& comp = cinfo->comp_info[c];
        const double rows = double(comp.height_in_blocks) + double(comp.v_samp_factor);
        bytes += double(comp.width_in_blocks + JDIMENSION(comp.h_samp_factor)) * rows * DCTSIZE2 *
                 sizeof(JCOEF);
    }
    return bytes <= double(kJPEGMemoryLimit);
}

// Every block of a Huffman-coded sequential stream takes at least one bit
// of data (its DC symbol; a sample's difference in a lossless stream), so a
// stream with fewer bits than blocks has run out of data, and libjpeg would
// fill the rest with grey block after block, however large the frame it
// claims. Arithmetic coding codes a flat picture of any size in a few bytes,
// and progressive streams are held by the coefficient limit.
bool DataCanHoldTheBlocks(j_decompress_ptr cinfo, size_t size) {
    if (cinfo->arith_code || cinfo->progressive_mode) return true;
    double blocks = 0;
    for (int c = 0; c < cinfo->num_components; ++c)
        blocks += double(cinfo->comp_info[c].width_in_blocks) * double(cinfo->comp_info[c].height_in_blocks);
    return blocks <= 8.0 * double(size);
}

// A hostile progressive stream can hold thousands of scans, each a pass over
// the whole coefficient store; no honest encoder writes that many.
void LimitScans(j_common_ptr cinfo) {
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > kJPEGMaxScans)
            FailWithMessage(cinfo, "JPEG stream has too many scans");
    }
}

// -------------------------------------------------------------- markers

// Writes one marker when its data fits the 16-bit length word.
void WriteMarkerIfItFits(j_compress_ptr cinfo, int code, const uint8_t* data, size_t length) {
    if (!data || length > kJPEGMaxMarkerData) return;
    jpeg_write_marker(cinfo, code, data, unsigned(length));
}

constexpr size_t kICCHeaderBytes = 14;  // "ICC_PROFILE", 0, sequence number, count

}  // namespace

void jpeg_memory_dest(j_compress_ptr cinfo, JPEGOutput* output) {
    if (!cinfo->dest) {
        cinfo->dest = static_cast<jpeg_destination_mgr*>((*cinfo->mem->alloc_small)(
            j_common_ptr(cinfo), JPOOL_PERMANENT, sizeof(MemoryDestination)));
    }
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->pub.init_destination = init_destination;
    dest->pub.empty_output_buffer = empty_output_buffer;
    dest->pub.term_destination = term_destination;
    dest->output = output;
    dest->work = nullptr;
    output->delivered = 0;
}

void jpeg_memory_src(j_decompress_ptr cinfo, const uint8_t* data, size_t size) {
    if (!cinfo->src) {
        auto* src = static_cast<MemorySource*>((*cinfo->mem->alloc_small)(
            j_common_ptr(cinfo), JPOOL_PERMANENT, sizeof(MemorySource)));
        src->work = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
            j_common_ptr(cinfo), JPOOL_PERMANENT, kJPEGWorkBufferBytes));
        cinfo->src = &src->pub;
    }
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    src->pub.init_source = init_source;
    src->pub.fill_input_buffer = fill_input_buffer;
    src->pub.skip_input_data = skip_input_data;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = term_source;
    src->pub.next_input_byte = nullptr;
    src->pub.bytes_in_buffer = 0;
    src->data = data;
    src->size = data ? size : 0;
    src->consumed = 0;
    src->startOfFile = true;
}

void write_icc_profile(j_compress_ptr cinfo, const uint8_t* profile, size_t size) {
    if (!profile || size == 0) return;
    const size_t count = (size + kICCChunkBytes - 1) / kICCChunkBytes;
    if (count > 255) return;  // the sequence numbers are single bytes
    static const char kTag[] = "ICC_PROFILE";
    for (size_t i = 0; i < count; ++i) {
        const size_t offset = i * kICCChunkBytes;
        const size_t chunk = size - offset < kICCChunkBytes ? size - offset : kICCChunkBytes;
        jpeg_write_m_header(cinfo, JPEG_APP0 + 2, unsigned(chunk + kICCHeaderBytes));
        for (const char* c = kTag; c < kTag + sizeof kTag; ++c) jpeg_write_m_byte(cinfo, *c);
        jpeg_write_m_byte(cinfo, int(i + 1));
        jpeg_write_m_byte(cinfo, int(count));
        for (size_t k = 0; k < chunk; ++k) jpeg_write_m_byte(cinfo, profile[offset + k]);
    }
}

void write_file_header(j_compress_ptr cinfo, const JPEGMetadata& m) {
    WriteMarkerIfItFits(cinfo, JPEG_COM, reinterpret_cast<const uint8_t*>(kVorneskMakerAddress),
                        std::strlen(kVorneskMakerAddress) + 1);
    if (m.exif && m.exif->buffer)
        WriteMarkerIfItFits(cinfo, JPEG_APP0 + 1, m.exif->buffer, size_t(m.exif->length));
    write_icc_profile(cinfo, m.icc, m.iccSize);
    if (m.iptc && m.iptc->buffer)
        WriteMarkerIfItFits(cinfo, JPEG_APP0 + 13, m.iptc->buffer, size_t(m.iptc->length));
}

size_t JPEGMetadataBytes(const JPEGMetadata& m) {
    size_t n = 4 + std::strlen(kVorneskMakerAddress) + 1;
    if (m.exif && m.exif->buffer) n += 4 + size_t(m.exif->length);
    if (m.icc && m.iccSize) {
        const size_t count = (m.iccSize + kICCChunkBytes - 1) / kICCChunkBytes;
        n += m.iccSize + count * (4 + kICCHeaderBytes);
    }
    if (m.iptc && m.iptc->buffer) n += 4 + size_t(m.iptc->length);
    return n;
}

// ------------------------------------------------------------ encoding

// Optimised Huffman tables take a first pass over the whole picture, held as
// coefficients (two bytes each). libjpeg's memory limit does not bind without
// a backing store, so a picture whose coefficients would pass it is coded
// with the standard tables instead: the same pixels, a slightly larger file.
bool EncoderOptimisesHuffman(long width, long height, long quality) {
    const double pixels = double(width < kJPEGMinimumSide ? kJPEGMinimumSide : width) *
                          double(height < kJPEGMinimumSide ? kJPEGMinimumSide : height);
    // Luminance at full resolution; chroma at a quarter below quality 50.
    const double chromaShare = quality < 50 ? 0.25 : 1.0;
    const double coefficientBytes = pixels * (1.0 + 2.0 * chromaShare) * sizeof(JCOEF);
    return coefficientBytes <= double(kJPEGMemoryLimit);
}

namespace {

struct CompressJob {
    jpeg_compress_struct cinfo;
    VorneskJPEGError err;
    long width, height;
    JPEGRowSource source;
    void* context;
    JPEGOutput* output;
    long quality;
    bool linearQuality;
    const JPEGMetadata* metadata;
};

// Runs the whole encoding; the only local state is the job pointer, so the
// longjmp from error_exit leaves nothing indeterminate behind.
bool RunCompress(CompressJob* job) {
    j_compress_ptr cinfo = &job->cinfo;
    cinfo->err = InitVorneskJPEGError(&job->err);
    if (setjmp(job->err.escape)) return false;
    jpeg_create_compress(cinfo);
    cinfo->mem->max_memory_to_use = kJPEGMemoryLimit;
    jpeg_memory_dest(cinfo, job->output);

    cinfo->image_width = JDIMENSION(job->width);
    cinfo->image_height = JDIMENSION(job->height);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);

    const int r = int(job->quality / 10);
    if (!job->linearQuality) {
        cinfo->optimize_coding = EncoderOptimisesHuffman(job->width, job->height, job->quality);
        // Half-resolution chroma below quality 50, full resolution from 50.
        const int luminanceSampling = r <= 4 ? 2 : 1;
        cinfo->comp_info[0].h_samp_factor = luminanceSampling;
        cinfo->comp_info[0].v_samp_factor = luminanceSampling;
        for (int c = 1; c < cinfo->num_components; ++c) {
            cinfo->comp_info[c].h_samp_factor = 1;
            cinfo->comp_info[c].v_samp_factor = 1;
        }
        jpeg_add_quant_table(cinfo, 0, kVorneskLuminanceQuant[r], 100, TRUE);
        jpeg_add_quant_table(cinfo, 1, kVorneskChrominanceQuant[r], 100, TRUE);
    } else {
        jpeg_set_linear_quality(cinfo, jpeg_quality_scaling(job->quality < 1 ? 1 : int(job->quality)),
                                TRUE);
    }

    jpeg_start_compress(cinfo, TRUE);
    write_file_header(cinfo, *job->metadata);

    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(j_common_ptr(cinfo), JPOOL_IMAGE,
                                                 JDIMENSION(job->width * 3), 1);
    while (cinfo->next_scanline < cinfo->image_height) {
        job->source(job->context, long(cinfo->next_scanline), job->width, row[0]);
        jpeg_write_scanlines(cinfo, row, 1);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

}  // namespace

int CompressJPEGRows(long width, long height, JPEGRowSource source, void* context,
                     JPEGOutput* output, long quality, bool linearQuality,
                     const JPEGMetadata& metadata, char* message) {
    if (message) message[0] = 0;
    if (!source || !output) return kJPEGLibraryError;
    if (width < kJPEGMinimumSide) width = kJPEGMinimumSide;
    if (height < kJPEGMinimumSide) height = kJPEGMinimumSide;
    if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) {
        output->delivered = 0;
        if (message)
            std::snprintf(message, JMSG_LENGTH_MAX, "picture of %ld x %ld is too large for JPEG",
                          width, height);
        return kJPEGBadSize;
    }
    if (quality < 0) quality = 0;
    if (quality > 99) quality = 99;

    CompressJob* job = static_cast<CompressJob*>(RobustNewPtr(sizeof(CompressJob)));
    if (!job) return kJPEGNoMemory;
    std::memset(job, 0, sizeof *job);
    job->width = width;
    job->height = height;
    job->source = source;
    job->context = context;
    job->output = output;
    job->quality = quality;
    job->linearQuality = linearQuality;
    job->metadata = &metadata;
    const bool ok = RunCompress(job);
    if (!ok) {
        jpeg_destroy_compress(&job->cinfo);  // already destroyed; harmless
        KeepMessage(job->err, message);
        output->delivered = 0;
    }
    RobustDisposePtr(&job);
    return ok ? kJPEGOK : kJPEGLibraryError;
}

// ------------------------------------------------------------ writing

namespace {

// Most pictures compress far below this; the buffer grows for those that do not.
constexpr size_t kFirstOutputCeiling = size_t(16) << 20;

}  // namespace

int WriteJPEGRowsToFile(long width, long height, JPEGRowSource source, void* context, int fd,
                        bool previewHeader, long quality, const JPEGMetadata& metadata,
                        char* message) {
    if (message) message[0] = 0;
    if (metadata.iptc) build_IPTC_resource(metadata.iptc, true, false);
    if (metadata.exif) build_EXIF_resource(metadata.exif, true, false);
    const long w = width < kJPEGMinimumSide ? kJPEGMinimumSide : width;
    const long h = height < kJPEGMinimumSide ? kJPEGMinimumSide : height;

    // Room for the pixels at six bytes each and for every marker, so that no
    // ordinary picture needs to grow the buffer.
    size_t pixels = size_t(w) * size_t(h) * 6;
    if (pixels > kFirstOutputCeiling) pixels = kFirstOutputCeiling;
    JPEGOutput output;
    output.capacity = pixels + JPEGMetadataBytes(metadata) + 2048;
    output.growable = true;
    output.bytes = static_cast<uint8_t*>(RobustNewPtr(output.capacity));
    if (!output.bytes) {
        if (previewHeader) wrSInt32(0, fd);  // a settings file's mark for "no preview"
        return kJPEGNoMemory;
    }
    const int result = CompressJPEGRows(w, h, source, context, &output, quality, false, metadata,
                                        message);
    if (result != kJPEGOK || output.delivered > 0xFFFFFFFFu) {
        RobustDisposePtr(&output.bytes);
        if (previewHeader) wrSInt32(0, fd);  // a settings file's mark for "no preview"
        return result != kJPEGOK ? result : kJPEGBadSize;
    }
    int status = 0;
    if (previewHeader) {
        status = wrSInt32(1, fd);
        if (!status) status = wrSInt32(int32_t(w), fd);
        if (!status) status = wrSInt32(int32_t(h), fd);
        if (!status) status = wrSInt32(int32_t(uint32_t(output.delivered)), fd);
    }
    if (!status) status = WriteBytes(fd, output.bytes, int64_t(output.delivered));
    RobustDisposePtr(&output.bytes);
    return status ? kJPEGWriteFailed : kJPEGOK;
}

// ------------------------------------------------------------ decoding

namespace {

struct DecompressJob {
    jpeg_decompress_struct cinfo;
    VorneskJPEGError err;
    jpeg_progress_mgr progress;
    const uint8_t* data;
    size_t size;
    JPEGRowSink sink;
    void* context;
    JPEGImageInfo info;
    int result;
};

bool RunDecompress(DecompressJob* job) {
    j_decompress_ptr cinfo = &job->cinfo;
    cinfo->err = InitVorneskJPEGError(&job->err);
    if (setjmp(job->err.escape)) return false;
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kJPEGMemoryLimit;
    job->progress.progress_monitor = LimitScans;
    cinfo->progress = &job->progress;
    jpeg_memory_src(cinfo, job->data, job->size);

    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) ERREXIT(cinfo, JERR_NO_IMAGE);
    if (cinfo->image_width > JDIMENSION(kJPEGLargestSide) ||
        cinfo->image_height > JDIMENSION(kJPEGLargestSide)) {
        std::snprintf(job->err.message, JMSG_LENGTH_MAX,
                      "JPEG of %u x %u is larger than %ld pixels on a side",
                      unsigned(cinfo->image_width), unsigned(cinfo->image_height), kJPEGLargestSide);
        job->result = kJPEGBadSize;
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    if (!CoefficientsFitTheLimit(cinfo))
        FailWithMessage(j_common_ptr(cinfo), "JPEG stream needs more memory than allowed");
    if (!DataCanHoldTheBlocks(cinfo, job->size)) {
        std::snprintf(job->err.message, JMSG_LENGTH_MAX, "JPEG stream of %zu bytes is too short for %u x %u pixels",
                      job->size, unsigned(cinfo->image_width), unsigned(cinfo->image_height));
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    // Only RGB or grey rows ever reach the sink; libjpeg refuses conversions
    // it cannot make (CMYK, YCCK) instead of handing over four components.
    cinfo->out_color_space = cinfo->num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_components != 1 && cinfo->output_components != 3)
        ERREXIT(cinfo, JERR_CONVERSION_NOTIMPL);
    job->info.width = long(cinfo->output_width);
    job->info.height = long(cinfo->output_height);
    job->info.components = cinfo->output_components;

    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(
        j_common_ptr(cinfo), JPOOL_IMAGE, cinfo->output_width * JDIMENSION(cinfo->output_components), 1);
    bool wanted = true;
    while (wanted && cinfo->output_scanline < cinfo->output_height) {
        const long y = long(cinfo->output_scanline);
        if (jpeg_read_scanlines(cinfo, row, 1) != 1) ERREXIT(cinfo, JERR_INPUT_EOF);
        wanted = job->sink(job->context, y, job->info.width, job->info.components, row[0]);
    }
    if (wanted)
        jpeg_finish_decompress(cinfo);
    else
        jpeg_abort_decompress(cinfo);
    job->info.warnings = cinfo->err->num_warnings;
    jpeg_destroy_decompress(cinfo);
    return true;
}

}  // namespace

int DecompressJPEGRows(const uint8_t* data, size_t size, JPEGRowSink sink, void* context,
                       JPEGImageInfo* info, char* message) {
    if (message) message[0] = 0;
    if (info) *info = JPEGImageInfo{};
    if (!sink) return kJPEGLibraryError;
    auto* job = static_cast<DecompressJob*>(RobustNewPtr(sizeof(DecompressJob)));
    if (!job) return kJPEGNoMemory;
    std::memset(static_cast<void*>(job), 0, sizeof *job);
    job->info = JPEGImageInfo{};
    job->data = data;
    job->size = data ? size : 0;
    job->sink = sink;
    job->context = context;
    job->result = kJPEGLibraryError;
    const bool ok = RunDecompress(job);
    if (!ok) {
        jpeg_destroy_decompress(&job->cinfo);  // already destroyed; harmless
        KeepMessage(job->err, message);
    }
    if (info) *info = job->info;
    const int result = ok ? kJPEGOK : job->result;
    RobustDisposePtr(&job);
    return result;
}
