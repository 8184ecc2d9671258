// Core Graphics images as this system exchanges them: an immutable picture
// of 8-bit red, green, blue and alpha samples (straight, not premultiplied),
// rows from the top, reached through a counted reference. Width and height
// are what CGImageGetWidth and CGImageGetHeight report.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/cg_geometry.h"

struct CGImage;
typedef CGImage* CGImageRef;

// A new image (reference count 1) holding a copy of width x height pixels of
// four bytes each, rows bytesPerRow apart; null for an empty size, rows
// shorter than a pixel row, or when memory runs out.
CGImageRef CGImageCreateWithRGBA8(size_t width, size_t height, const uint8_t* rgba, size_t bytesPerRow);
CGImageRef CGImageRetain(CGImageRef image);
// Frees the image with its last reference; null is ignored.
void CGImageRelease(CGImageRef image);

// 0 for a null image.
size_t CGImageGetWidth(CGImageRef image);
size_t CGImageGetHeight(CGImageRef image);
// The pixels, rows of width x 4 bytes from the top; null for a null image.
const uint8_t* CGImageGetRGBA8Pixels(CGImageRef image);
