// JPEG encoding of a pyramid's level 0: exported pictures, gallery images
// and the previews of settings files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/jpeg_codec.h"

struct PyramidDescriptor;
struct TIPTCThing;
struct TEXIFThing;

// Encodes level 0 (each side at least 16, the padding read by the pyramid's
// edge rule) and writes it to fd; with previewHeader as a settings-file
// preview chunk (1, width, height, length, stream). Returns kJPEGOK, 1 without
// a pyramid, 2 without tiles, 3 without host buffer procedures, or another
// JPEGResult when nothing could be written (in preview form a single 0 word
// then says there is no preview). The IPTC and EXIF blocks are built in their
// JPEG form; the caller frees them.
int WritePyrToJFIF(const PyramidDescriptor* pyr, int fd, bool previewHeader, long quality,
                   size_t iccSize, const uint8_t* icc, TIPTCThing* iptc, TEXIFThing* exif);
