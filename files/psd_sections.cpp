#include "files/psd_sections.h"

#include <cmath>
#include <cstring>

#include "files/iptc.h"
#include "files/psd_doc.h"
#include "host_access/FilterBigDocument.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"

namespace {

constexpr int64_t kNoCompression = 0;

constexpr uint8_t kPrintInfo[120] = {
    0x00, 0x28, 0x00, 0x00, 0x00, 0x48, 0x00, 0x48, 0x00, 0x00, 0x00, 0x00, 0x02, 0xe7, 0x02, 0x52, 0xff, 0xf7,
    0xff, 0xf7, 0x03, 0x0f, 0x02, 0x5b, 0x20, 0x02, 0x05, 0x28, 0x03, 0xfc, 0x00, 0x00, 0x00, 0x00, 0x01, 0x68,
    0x01, 0x68, 0x00, 0x00, 0x00, 0x00, 0x0e, 0x83, 0x0b, 0x9a, 0x01, 0x74, 0x00, 0x32, 0x0b, 0x9a, 0x48, 0xa8,
    0x00, 0x4b, 0x00, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x01, 0x27, 0x0f, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x64, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03, 0x20, 0xb1, 0x04, 0x00,
    0x12, 0x00, 0x03, 0x00, 0x45, 0x00, 0x00, 0x00, 0x36, 0x44, 0x61, 0x20};

constexpr uint32_t kResolution72 = 0x00480000;   // 72.0 in 16.16 fixed point

// Checkerboard of 8 x 8 squares under composited planes: white, then grey.
constexpr int64_t kChecker8[2] = {255, 204};
constexpr int64_t kChecker16[2] = {32640, 26112};
constexpr float kCheckerFloat[2] = {1.0f, 0.8f};
constexpr int64_t kFull16 = 32768;

bool IsFloatKind(int64_t kind) { return kind == kPyrGreyFloat || kind == kPyrColourFloat; }
bool Is16BitKind(int64_t kind) { return kind == kPyrGrey16 || kind == kPyrColour16; }

// Index of a plane code among the four components of a colour pixel.
int64_t ComponentOfPlane(int64_t plane) { return plane >= 1 && plane <= 3 ? plane - 1 : 3; }

int64_t PlaneBytes(const PSDdoc* doc) { return doc->height * doc->width * doc->bytesPerComponent; }

void PutResourceHeader(PSDSink* sink, int64_t id, int64_t length) {
    PSDPutTag(sink, "8BIM");
    PSDPutShort(sink, uint32_t(id));
    PSDPutShort(sink, 0);   // empty name, padded to even
    PSDPutLong(sink, uint32_t(length));
}

// Resource data is padded to an even length; the length field counts only the data.
void PutResource(PSDSink* sink, int64_t id, const uint8_t* data, int64_t length) {
    PutResourceHeader(sink, id, length);
    PSDPutBytes(sink, data, length);
    PSDPutZeros(sink, length & 1);
}

// A 16-bit component (0..32768) on the file's full 16-bit range.
uint32_t Widen16(int64_t c) { return c >= kFull16 ? 0xFFFF : uint32_t(c < 0 ? 0 : 2 * c); }

void PutFloat(PSDSink* sink, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    PSDPutLong(sink, bits);
}

// The planes of level 0, row by row; write(x, y, pixel address) emits one value.
template <class Emit>
void ForEachPixel(const PyramidDescriptor* pyr, const PSDdoc* doc, PSDSink* sink, Emit emit) {
    const bool readable = pyr_accessible(pyr, 0, pyr->bytesPerPixel) && pyr->width[0] >= doc->width &&
                          pyr->height[0] >= doc->height;
    for (int64_t y = 0; y < doc->height; ++y)
        for (int64_t x = 0; x < doc->width; ++x) {
            if (readable) emit(x, y, pyr_pixel_address(pyr, 0, x, y, pyr->bytesPerPixel));
            else PSDPutZeros(sink, doc->bytesPerComponent);
        }
}

void WriteImageResources(const PyramidDescriptor* pyr, const PSDdoc* doc, const PSDResourceExtras& extras,
                         PSDSink* sink) {
    WrPSD_print_info_record(sink);

    PutResourceHeader(sink, 1005, 16);
    for (int i = 0; i < 2; ++i) {
        PSDPutLong(sink, kResolution72);
        PSDPutShort(sink, 1);
        PSDPutShort(sink, 1);
    }

    PutResourceHeader(sink, 1011, 9);
    PSDPutZeros(sink, 8);
    PSDPutByte(sink, 1);
    PSDPutZeros(sink, 1);

    PutResourceHeader(sink, 1016, 112);
    for (int f = 0; f < 4; ++f) {
        PSDPutShort(sink, 0);
        for (int i = 0; i < 11; ++i) PSDPutShort(sink, 0xFFFF);
        PSDPutShort(sink, 1000);
        PSDPutShort(sink, 0);
    }

    WrPSD_URL_resource(sink);
    if (extras.icc && extras.iccSize > 0) PutResource(sink, 1039, extras.icc, extras.iccSize);
    if (extras.iptc && extras.iptcLength > 0) PSDPutBytes(sink, extras.iptc, extras.iptcLength);
    if (extras.exif && extras.exifLength > 0) WrPSD_EXIF_resource(extras.exif, extras.exifLength, sink);

    if (!doc->separateFiles) {
        if (IsFloatKind(pyr->kind)) {
            WrPSD_1069_resource(sink);
            WrPSD_1072_resource(doc, sink);
        }
        // The target layer: the top one.
        PutResourceHeader(sink, 1024, 2);
        PSDPutShort(sink, uint32_t(doc->layerCount > 0 ? doc->layerCount - 1 : 0));
        PutResourceHeader(sink, 1026, 2 * doc->layerCount);
        PSDPutZeros(sink, 2 * doc->layerCount);
    }
}

}  // namespace

const uint8_t kPSDHDRBlock[kPSDHDRBlockBytes] = {
    0x68, 0x64, 0x72, 0x74, 0x00, 0x00, 0x00, 0x03, 0x3f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
    0x00, 0x08, 0x00, 0x44, 0x00, 0x65, 0x00, 0x66, 0x00, 0x61, 0x00, 0x75, 0x00, 0x6c, 0x00, 0x74, 0x00, 0x00,
    0x00, 0x02, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0x00, 0xff, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x41, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x3f, 0x80,
    0x00, 0x00};

// ---- the sink ----

void PSDSinkStart(PSDSink* sink, int fd, bool measure) {
    sink->fd = fd;
    sink->measure = measure;
    sink->count = 0;
    TatStart(&sink->tatter, fd);
    sink->tatter.error = 0;
}

int PSDSinkFlush(PSDSink* sink) { return sink->measure ? 0 : TatWrFlush(&sink->tatter); }

void PSDPutByte(PSDSink* sink, uint32_t value) {
    ++sink->count;
    if (!sink->measure) TatWr1Byte(int(value & 0xFF), &sink->tatter);
}
void PSDPutShort(PSDSink* sink, uint32_t value) {
    PSDPutByte(sink, value >> 8);
    PSDPutByte(sink, value);
}
void PSDPutLong(PSDSink* sink, uint32_t value) {
    PSDPutShort(sink, value >> 16);
    PSDPutShort(sink, value);
}
void PSDPutBytes(PSDSink* sink, const void* bytes, int64_t count) {
    if (count <= 0) return;
    if (sink->measure) {
        sink->count += count;
        return;
    }
    const uint8_t* b = static_cast<const uint8_t*>(bytes);
    for (int64_t i = 0; i < count; ++i) PSDPutByte(sink, b[i]);
}
void PSDPutZeros(PSDSink* sink, int64_t count) {
    if (count <= 0) return;
    if (sink->measure) {
        sink->count += count;
        return;
    }
    for (int64_t i = 0; i < count; ++i) PSDPutByte(sink, 0);
}
void PSDPutTag(PSDSink* sink, const char tag[4]) { PSDPutBytes(sink, tag, 4); }

// ---- colour mode of the host ----

int64_t BytesPerComponentForMode(int64_t imageMode, int64_t depth) {
    if ((imageMode == 1 || imageMode == 3) && depth < 9) return 1;
    if (imageMode == 16 || imageMode == 17) return 4;
    if (imageMode == 10 || imageMode == 11) return depth == 16 ? 2 : depth == 32 ? 4 : 1;
    return depth == 32 ? 4 : 1;
}

int64_t BytesPerComponent_for_current_color_mode() { return BytesPerComponentForMode(GetImageMode(), GetDepth()); }

// ---- sections ----

int64_t WrPSD_file_header_section(const PyramidDescriptor* pyr, const PSDdoc* doc, PSDSink* sink) {
    const int64_t start = sink->count;
    PSDPutTag(sink, "8BPS");
    PSDPutShort(sink, 1);
    PSDPutZeros(sink, 6);
    const int64_t channels = Is16BitKind(pyr->kind) ? 4 : doc->channelsPerLayer == 1 ? 1 : 3;
    PSDPutShort(sink, uint32_t(channels));
    PSDPutLong(sink, uint32_t(doc->height));
    PSDPutLong(sink, uint32_t(doc->width));
    PSDPutShort(sink, uint32_t(doc->bytesPerComponent * 8));
    PSDPutShort(sink, doc->channelsPerLayer == 1 ? 1 : 3);
    return sink->count - start;
}

int64_t WrPSD_color_mode_data_section(const PyramidDescriptor* pyr, const PSDdoc*, PSDSink* sink) {
    const int64_t start = sink->count;
    if (IsFloatKind(pyr->kind)) {
        PSDPutLong(sink, kPSDHDRBlockBytes);
        PSDPutBytes(sink, kPSDHDRBlock, kPSDHDRBlockBytes);
    } else {
        PSDPutLong(sink, 0);
    }
    return sink->count - start;
}

int64_t WrPSD_print_info_record(PSDSink* sink) {
    const int64_t start = sink->count;
    PutResource(sink, 1001, kPrintInfo, sizeof kPrintInfo);
    return sink->count - start;
}

int64_t WrPSD_URL_resource(PSDSink* sink) {
    const int64_t start = sink->count;
    PutResource(sink, 1035, reinterpret_cast<const uint8_t*>(kVorneskMakerAddress),
                int64_t(std::strlen(kVorneskMakerAddress)));
    return sink->count - start;
}

int64_t WrPSD_EXIF_resource(const uint8_t* block, int64_t length, PSDSink* sink) {
    const int64_t start = sink->count;
    PutResource(sink, 1058, block, length);
    return sink->count - start;
}

int64_t WrPSD_1069_resource(PSDSink* sink) {
    const int64_t start = sink->count;
    PutResourceHeader(sink, 1069, 6);
    PSDPutShort(sink, 1);
    PSDPutLong(sink, 12);
    return sink->count - start;
}

int64_t WrPSD_1072_resource(const PSDdoc* doc, PSDSink* sink) {
    const int64_t start = sink->count;
    PutResourceHeader(sink, 1072, doc->layerCount);
    for (int64_t i = 0; i < doc->layerCount; ++i) PSDPutByte(sink, 1);
    PSDPutZeros(sink, doc->layerCount & 1);
    return sink->count - start;
}

int64_t WrPSD_image_resources_section(const PyramidDescriptor* pyr, const PSDdoc* doc, const PSDResourceExtras& extras,
                                      PSDSink* sink) {
    const int64_t start = sink->count;
    PSDSink counter;
    PSDSinkStart(&counter, -1, true);
    WriteImageResources(pyr, doc, extras, &counter);
    PSDPutLong(sink, uint32_t(counter.count));
    WriteImageResources(pyr, doc, extras, sink);
    return sink->count - start;
}

int64_t WrPSD_image_data_section(const PyramidDescriptor* pyr, const PSDdoc* doc, PSDSink* sink) {
    const int64_t start = sink->count;
    const int64_t n = pyr->componentsPerPixel <= 2 ? 2 : doc->separateFiles ? 4 : 5;
    if (IsFloatKind(pyr->kind)) {
        WrPSD_channel_image_data_HDR(1, true, pyr, doc, sink);
        if (n >= 3) {
            WrPSD_channel_image_data_HDR(2, false, pyr, doc, sink);
            WrPSD_channel_image_data_HDR(3, false, pyr, doc, sink);
        }
        if (n == 5) WrPSD_channel_image_data_HDR(4, false, pyr, doc, sink);
    } else {
        WrPSD_channel_image_data_fast(1, true, pyr, doc, sink, true);
        if (n != 2) {
            WrPSD_channel_image_data_fast(2, false, pyr, doc, sink, true);
            WrPSD_channel_image_data_fast(3, false, pyr, doc, sink, true);
        }
        if (n == 5) WrPSD_channel_image_data_fast(4, false, pyr, doc, sink, true);
        if (Is16BitKind(pyr->kind)) WrPSD_channel_image_data_fast(0, false, pyr, doc, sink, true);
    }
    return sink->count - start;
}

// ---- planes ----

int64_t WrPSD_channel_image_data_fast(int64_t plane, bool compressionWord, const PyramidDescriptor* pyr,
                                      const PSDdoc* doc, PSDSink* sink, bool composite) {
    const int64_t start = sink->count;
    if (compressionWord) PSDPutShort(sink, kNoCompression);
    if (sink->measure) {
        PSDPutZeros(sink, PlaneBytes(doc));
        return sink->count - start;
    }
    const int64_t c = ComponentOfPlane(plane);
    const bool alphaPlane = c == 3;
    switch (pyr->kind) {
        case kPyrGrey8:
        case kPyrColour8:
            ForEachPixel(pyr, doc, sink, [&](int64_t x, int64_t y, const uint8_t* p) {
                int64_t b = 0, a = 255;
                if (pyr->kind == kPyrGrey8) {
                    b = alphaPlane ? 255 : p[0];
                } else {
                    const uint32_t w = pyr_load<uint32_t>(p);
                    b = (w >> (24 - 8 * c)) & 0xFF;
                    a = w & 0xFF;
                }
                if (composite) b = ((255 - a) * kChecker8[((x ^ y) >> 3) & 1] + b * a) / 255;
                PSDPutByte(sink, uint32_t(b));
            });
            break;
        case kPyrGrey16:
        case kPyrColour16:
            ForEachPixel(pyr, doc, sink, [&](int64_t x, int64_t y, const uint8_t* p) {
                int64_t v = 0, a = kFull16;
                if (pyr->kind == kPyrGrey16) {
                    v = alphaPlane ? kFull16 : pyr_load<uint16_t>(p);
                } else {
                    uint16_t s[4];
                    std::memcpy(s, p, sizeof s);
                    v = s[c];
                    a = s[3] > kFull16 ? kFull16 : s[3];
                }
                if (composite) {
                    if (alphaPlane) v = kFull16;
                    else v = ((kFull16 - a) * kChecker16[((x ^ y) >> 3) & 1] + v * a) >> 15;
                }
                PSDPutShort(sink, Widen16(v));
            });
            break;
        case kPyrGreyFloat:
        case kPyrColourFloat:
            ForEachPixel(pyr, doc, sink, [&](int64_t x, int64_t y, const uint8_t* p) {
                float v = 0.0f, a = 1.0f;
                if (pyr->kind == kPyrGreyFloat) {
                    v = alphaPlane ? 1.0f : pyr_load<float>(p);
                } else {
                    float s[4];
                    std::memcpy(s, p, sizeof s);
                    v = s[c];
                    a = s[3];
                }
                if (composite) v = alphaPlane ? 1.0f : std::fma(v, a, kCheckerFloat[((x ^ y) >> 3) & 1] * (1.0f - a));
                PutFloat(sink, v);
            });
            break;
        default:
            break;
    }
    return sink->count - start;
}

int64_t WrPSD_channel_image_data_HDR(int64_t plane, bool compressionWord, const PyramidDescriptor* pyr,
                                     const PSDdoc* doc, PSDSink* sink) {
    const int64_t start = sink->count;
    if (compressionWord) PSDPutShort(sink, kNoCompression);
    if (sink->measure) {
        PSDPutZeros(sink, PlaneBytes(doc));
        return sink->count - start;
    }
    const int64_t c = ComponentOfPlane(plane);
    if (pyr->kind == kPyrColourFloat) {
        ForEachPixel(pyr, doc, sink, [&](int64_t, int64_t, const uint8_t* p) { PutFloat(sink, pyr_load<float>(p + 4 * c)); });
    } else if (pyr->kind == kPyrGreyFloat) {
        ForEachPixel(pyr, doc, sink, [&](int64_t, int64_t, const uint8_t* p) { PutFloat(sink, pyr_load<float>(p)); });
    }
    return sink->count - start;
}

int64_t WrPSD_4channels_image_data(const PyramidDescriptor* pyr, const PSDdoc* doc, PSDSink* sink) {
    const int64_t start = sink->count;
    for (int64_t plane = 0; plane < 4; ++plane) {
        if (IsFloatKind(pyr->kind)) WrPSD_channel_image_data_HDR(plane, true, pyr, doc, sink);
        else WrPSD_channel_image_data_fast(plane, true, pyr, doc, sink, false);
    }
    return sink->count - start;
}

int64_t WrCstringToPSDFile(const char* text, PSDSink* sink, bool padTo2) {
    const int64_t start = sink->count;
    const int64_t unit = padTo2 ? 2 : 4;
    int64_t length = 0;
    if (text)
        while (length < 32767 && text[length]) ++length;
    if (length > 255) length = 255;
    PSDPutByte(sink, uint32_t(length));
    PSDPutBytes(sink, text, length);
    const int64_t total = 1 + length;
    PSDPutZeros(sink, (unit - total % unit) % unit);
    return sink->count - start;
}
