// The sections of a PSD file ("8BPS", version 1, big-endian, uncompressed):
// header, colour mode data, image resources and merged image data, and the
// channel-plane writers every pixel of the file passes through.
//
// Every writer writes into a PSDSink, which either only counts (measure) or
// counts and writes, so a writer's measure is by construction what it
// writes. Writers return the bytes they counted.
#pragma once

#include <cstdint>

#include "common/byte_io.h"

struct PyramidDescriptor;
struct PSDdoc;

// Where a section goes: counted only, or counted and written to fd through
// a buffer. The first write failure is kept; later bytes are still counted.
struct PSDSink {
    int fd = -1;
    bool measure = true;
    int64_t count = 0;
    ByteTatter tatter{};
};

void PSDSinkStart(PSDSink* sink, int fd, bool measure);
// Writes what is buffered; the first write failure since the start, or 0.
int PSDSinkFlush(PSDSink* sink);
inline int PSDSinkError(const PSDSink* sink) { return sink->measure ? 0 : sink->tatter.error; }

void PSDPutByte(PSDSink* sink, uint32_t value);
void PSDPutShort(PSDSink* sink, uint32_t value);
void PSDPutLong(PSDSink* sink, uint32_t value);
void PSDPutBytes(PSDSink* sink, const void* bytes, int64_t count);
void PSDPutZeros(PSDSink* sink, int64_t count);
void PSDPutTag(PSDSink* sink, const char tag[4]);

// Version 1 of the format: at most this many pixels a side, and lengths
// that fit 32 bits.
constexpr int64_t kPSDMaxSide = 30000;
constexpr int64_t kPSDMaxLength = 0xFFFFFFFFLL;

// The HDR toning record of float pictures, the colour mode data's payload.
constexpr int64_t kPSDHDRBlockBytes = 74;
extern const uint8_t kPSDHDRBlock[kPSDHDRBlockBytes];

// Bytes per channel value of a host document: image mode and depth.
int64_t BytesPerComponentForMode(int64_t imageMode, int64_t depth);
// The same for the host's current document.
int64_t BytesPerComponent_for_current_color_mode();

// What the image resources carry beside the fixed ones: the host's colour
// profile and the built IPTC (PSD form, header included) and EXIF blocks.
struct PSDResourceExtras {
    const uint8_t* icc = nullptr;
    int64_t iccSize = 0;
    const uint8_t* iptc = nullptr;
    int64_t iptcLength = 0;
    const uint8_t* exif = nullptr;
    int64_t exifLength = 0;
};

int64_t WrPSD_file_header_section(const PyramidDescriptor* pyr, const PSDdoc* doc, PSDSink* sink);
int64_t WrPSD_color_mode_data_section(const PyramidDescriptor* pyr, const PSDdoc* doc, PSDSink* sink);
int64_t WrPSD_image_resources_section(const PyramidDescriptor* pyr, const PSDdoc* doc, const PSDResourceExtras& extras,
                                      PSDSink* sink);
int64_t WrPSD_print_info_record(PSDSink* sink);
int64_t WrPSD_URL_resource(PSDSink* sink);
int64_t WrPSD_EXIF_resource(const uint8_t* block, int64_t length, PSDSink* sink);
int64_t WrPSD_1069_resource(PSDSink* sink);
int64_t WrPSD_1072_resource(const PSDdoc* doc, PSDSink* sink);
// Merged image data: the compression word, then the planes the file carries.
int64_t WrPSD_image_data_section(const PyramidDescriptor* pyr, const PSDdoc* doc, PSDSink* sink);

// Channel plane codes: 1, 2, 3 the first, second and third components, 0 and
// 4 alpha. Each plane is height rows of width values of bytesPerComponent
// bytes, preceded by a compression word 0 when asked for.
int64_t WrPSD_channel_image_data_fast(int64_t plane, bool compressionWord, const PyramidDescriptor* pyr,
                                      const PSDdoc* doc, PSDSink* sink, bool composite);
int64_t WrPSD_channel_image_data_HDR(int64_t plane, bool compressionWord, const PyramidDescriptor* pyr,
                                     const PSDdoc* doc, PSDSink* sink);
// Planes alpha, first, second, third, each with its compression word, as they are.
int64_t WrPSD_4channels_image_data(const PyramidDescriptor* pyr, const PSDdoc* doc, PSDSink* sink);

// A length-prefixed string (at most 255 characters) padded with zero bytes
// to a multiple of 2 (padTo2) or 4; a null string is 2 or 4 zero bytes.
int64_t WrCstringToPSDFile(const char* text, PSDSink* sink, bool padTo2);
