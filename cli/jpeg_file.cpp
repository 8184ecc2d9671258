#include "cli/jpeg_file.h"

#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "cli/picture_file_support.h"
#include "pyramid/pixels.h"

namespace {

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
}  // namespace

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
        } else if (!ShapeAcceptedForReader(limits, cinfo.image_width, cinfo.image_height, components, 8, err.message,
                                           sizeof err.message)) {
            // a run the caller cannot take
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
                // JPEG has no transparency.
                const double alpha = doc.hasAlpha ? std::clamp(GetUnitSample(doc, pixel + colour), 0.0, 1.0) : 1.0;
                for (int p = 0; p < colour; ++p) {
                    double u = FlattenedOnWhite(std::clamp(GetUnitSample(doc, pixel + p), 0.0, 1.0), alpha);
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

bool JpegPictureSize(FILE* f, uint32_t* width, uint32_t* height) {
    struct Rewind {
        FILE* f;
        ~Rewind() { std::rewind(f); }
    } rewind{f};
    if (getc_unlocked(f) != 0xFF || getc_unlocked(f) != 0xD8) return false;
    for (;;) {
        int c = getc_unlocked(f);
        while (c != EOF && c != 0xFF) c = getc_unlocked(f);
        while (c == 0xFF) c = getc_unlocked(f);
        if (c == EOF || c == 0xD9 || c == 0xDA) return false;
        const int marker = c;
        // Markers without a length: restarts and TEM.
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;
        uint8_t head[7];
        if (std::fread(head, 1, 2, f) != 2) return false;
        const int length = head[0] << 8 | head[1];
        if (length < 2) return false;
        // Start of frame: every C0..CF but DHT (C4), JPG (C8) and DAC (CC).
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (length < 7 || std::fread(head + 2, 1, 5, f) != 5) return false;
            *height = uint32_t(head[3] << 8 | head[4]);
            *width = uint32_t(head[5] << 8 | head[6]);
            return *width > 0 && *height > 0;
        }
        if (fseeko(f, off_t(length - 2), SEEK_CUR) != 0) return false;
    }
}
