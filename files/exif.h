// The minimal EXIF block exported pictures carry: a big-endian TIFF structure
// with one IFD entry naming the software. Built once, either as the data of a
// JPEG APP1 marker (prefixed "Exif\0\0") or as the data of a PSD image resource.
#pragma once

#include <cstdint>

struct TEXIFThing {
    int64_t length = 0;           // bytes written into the buffer so far
    uint8_t* buffer = nullptr;    // null until built
    uint8_t* cursor = nullptr;    // next byte to write
    int64_t capacity = 0;         // bytes the buffer holds; appenders never pass it
};

void InitEXIF(TEXIFThing* block);
// Frees the buffer unless keep is 1; the block may then be built again.
void dispose_EXIF_resource_memory(TEXIFThing* block, int keep);

// Builds the block once (a built or null block is left alone). With measure
// set nothing is allocated or written and the byte count the build would
// produce is returned; otherwise the block's length is returned (0 when the
// buffer could not be allocated).
int64_t build_EXIF_resource(TEXIFThing* block, bool jpegForm, bool measure);

// Each writes at the cursor and returns the bytes written (in measure mode the
// bytes it would write). Without room in a built buffer they write nothing and
// return 0.
int64_t append_byte_to_EXIF_resource(TEXIFThing* block, uint8_t value, bool measure);
int64_t append_2bytes_to_EXIF_resource(TEXIFThing* block, uint16_t value, bool measure);
int64_t append_4bytes_to_EXIF_resource(TEXIFThing* block, uint32_t value, bool measure);
int64_t appendCstringWithTrailingNull_to_EXIF_resource(TEXIFThing* block, const char* text, bool measure);
