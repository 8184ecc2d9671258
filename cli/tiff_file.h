// TIFF files through libtiff.
//
// Read: 8 and 16-bit integer or 32-bit float samples, grey or RGB, with or
// without alpha (associated alpha is divided out), in strips or tiles,
// interleaved or in planes, in any compression libtiff decodes; JPEG's YCbCr
// comes out as RGB. Other layouts libtiff can show (palettes, bilevel and
// 2 or 4-bit grey, CMYK, Lab...) come in as 8-bit grey or RGB. Written: the
// document's depth and planes, deflate-compressed, alpha unassociated.
#pragma once

#include <cstdint>
#include <string>

#include "cli/document.h"

// fd stays open; limits.fileSize bounds what the picture may claim (by the
// worst expansion of its compression), limits.memory the picture and each
// of libtiff's buffers. Reading stops at libtiff's first error, and a tile
// larger than the picture is refused. On failure *error holds one line
// saying why.
bool ReadTiffFile(int fd, const PictureReadLimits& limits, HostDocument* doc, std::string* error);

// Reads and resizes at once, for plain files (uncompressed 8-bit strips of
// whole pixels, grey or RGB, alpha unassociated or none): each band of the
// resize reads its rows from the file, so the full-size picture is never
// held. Sets *plain false, and does nothing else, for any other file.
bool ReadTiffFileResized(int fd, const PictureReadLimits& limits, int32_t width, int32_t height, HostDocument* doc,
                         std::string* error, bool* plain);
bool WriteTiffFile(int fd, const HostDocument& doc, std::string* error);
// The picture's width and height from its first directory; false when the
// file does not say.
bool TiffPictureSize(int fd, uint32_t* width, uint32_t* height);
