#include "files/exif.h"

#include <cstring>

#include "files/resource_block.h"

namespace {

constexpr int64_t kEXIFBufferBytes = 1000;
constexpr const char kSoftwareName[] = "Vornesk 2";

int64_t AppendBytes(TEXIFThing* block, const uint8_t* bytes, int64_t count, bool measure) {
    return ResourceAppend(block, bytes, count, measure);
}

// The whole block, written through the appenders so that measuring and
// writing cannot disagree.
int64_t AppendEXIFBody(TEXIFThing* block, bool jpegForm, bool measure) {
    int64_t n = 0;
    if (jpegForm) {
        n += appendCstringWithTrailingNull_to_EXIF_resource(block, "Exif", measure);
        n += append_byte_to_EXIF_resource(block, 0, measure);
    }
    // TIFF header: big-endian byte order, magic 42, first IFD at offset 8.
    n += append_byte_to_EXIF_resource(block, 'M', measure);
    n += append_byte_to_EXIF_resource(block, 'M', measure);
    n += append_2bytes_to_EXIF_resource(block, 42, measure);
    n += append_4bytes_to_EXIF_resource(block, 8, measure);
    // One IFD entry: Software (0x0131), ASCII, its count, and the offset of
    // the text, which follows the IFD's next-IFD word.
    n += append_2bytes_to_EXIF_resource(block, 1, measure);
    n += append_2bytes_to_EXIF_resource(block, 0x0131, measure);
    n += append_2bytes_to_EXIF_resource(block, 2, measure);
    n += append_4bytes_to_EXIF_resource(block, uint32_t(sizeof kSoftwareName), measure);
    n += append_4bytes_to_EXIF_resource(block, 26, measure);
    n += append_4bytes_to_EXIF_resource(block, 0, measure);
    n += appendCstringWithTrailingNull_to_EXIF_resource(block, kSoftwareName, measure);
    return n;
}

}  // namespace

void InitEXIF(TEXIFThing* block) {
    if (!block) return;
    *block = TEXIFThing{};
}

void dispose_EXIF_resource_memory(TEXIFThing* block, int keep) { ResourceDispose(block, keep); }

int64_t build_EXIF_resource(TEXIFThing* block, bool jpegForm, bool measure) {
    return ResourceBuildOnce(block, kEXIFBufferBytes, measure,
                             [&](bool m) { return AppendEXIFBody(block, jpegForm, m); });
}

int64_t append_byte_to_EXIF_resource(TEXIFThing* block, uint8_t value, bool measure) {
    return AppendBytes(block, &value, 1, measure);
}

int64_t append_2bytes_to_EXIF_resource(TEXIFThing* block, uint16_t value, bool measure) {
    const uint8_t bytes[2] = {uint8_t(value >> 8), uint8_t(value)};
    return AppendBytes(block, bytes, 2, measure);
}

int64_t append_4bytes_to_EXIF_resource(TEXIFThing* block, uint32_t value, bool measure) {
    const uint8_t bytes[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8),
                              uint8_t(value)};
    return AppendBytes(block, bytes, 4, measure);
}

int64_t appendCstringWithTrailingNull_to_EXIF_resource(TEXIFThing* block, const char* text,
                                                       bool measure) {
    if (!text) return 0;
    return AppendBytes(block, reinterpret_cast<const uint8_t*>(text),
                       int64_t(std::strlen(text)) + 1, measure);
}
