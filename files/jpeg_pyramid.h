// JPEG encoding of a pyramid's level 0 and decoding into one: exported
// pictures, gallery images and the previews of settings files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/jpeg_codec.h"

struct PyramidDescriptor;
struct VRect;
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

// Encodes the rectangle of level 0 into a fixed buffer; a stream that would
// not fit is refused (kJPEGLibraryError, length 0). Returns 1 without a
// pyramid, 2 without tiles.
int CompressJPEG(const PyramidDescriptor* pyr, const VRect& rect, uint8_t* output, size_t capacity,
                 long quality, bool linearQuality, size_t* encodedLength, size_t iccSize,
                 const uint8_t* icc, TIPTCThing* iptc, TEXIFThing* exif);

// Decodes a stream held in memory into level 0, only where the pixels fall
// inside the level: kind 3 as packed words, kind 0 as grey, other kinds
// through their unit colour. Returns 1 without a pyramid, 2 without tiles,
// kJPEGOK, or the decoder's failure (the rows stored so far stay).
int DecompressJPEG(PyramidDescriptor* pyr, void* unused, const uint8_t* data, size_t size);
