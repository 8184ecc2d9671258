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

// An image made over a caller's buffer of 4-byte pixels whose first byte is
// alpha (straight), then red, green and blue, rows from the top; the image
// keeps its own copy and calls release(info, data, size) when its last
// reference goes (a data provider's release callback). Null, with release
// called at once, when it cannot be made.
typedef void (*CGDataProviderReleaseDataCallback)(void* info, const void* data, size_t size);
CGImageRef CGImageCreateWithARGB8(size_t width, size_t height, const uint8_t* argb, size_t bytesPerRow,
                                  CGDataProviderReleaseDataCallback release, void* info);

// ---- bitmap contexts ----
// A picture to draw into, 8 bits a sample: colour contexts hold
// premultiplied alpha first (alpha, red, green, blue), grey contexts one
// grey byte a pixel at the start of each row; rows of width x 4 bytes from
// the top either way; memory owned by the context.
struct CGContext;
typedef CGContext* CGContextRef;
// Null for an empty size or when memory runs out.
CGContextRef CGBitmapContextCreate(size_t width, size_t height, bool colour);
void CGContextRelease(CGContextRef context);
uint8_t* CGBitmapContextGetData(CGContextRef context);
size_t CGBitmapContextGetWidth(CGContextRef context);
size_t CGBitmapContextGetHeight(CGContextRef context);
size_t CGBitmapContextGetBytesPerRow(CGContextRef context);
bool CGBitmapContextIsColour(CGContextRef context);
// Draws the image stretched over the whole context (nearest pixel, source
// copy): colour premultiplied, grey as 0.3 R + 0.59 G + 0.11 B rounded.
void CGContextDrawImage(CGContextRef context, CGImageRef image);
