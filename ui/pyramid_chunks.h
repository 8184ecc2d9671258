// Level images of a pyramid as memory chunks in the byte orders Core
// Graphics takes, and PyrMinMax, the utilities of float (kind 5) pyramids.
// Chunks are rows of pixels packed one after another, the picture's top row
// first (pyramid row height − 1). Main thread.
#pragma once

#include <cstdint>

#include "platform/cg_image.h"

struct PyramidDescriptor;

// Each writes width x height pixels of the level into out, and nothing for
// a null or unallocated pyramid, another kind, a level the pyramid does not
// have or a level less than a row high.
// Kind 3: 4 bytes a pixel, alpha, red, green, blue.
void CopyPyr4ToARGBMemchunk(const PyramidDescriptor* pyr, int64_t level, uint8_t* out);
// Kind 0: 255, g, g, g.
void CopyPyr1ToGreyMemchunk(const PyramidDescriptor* pyr, int64_t level, uint8_t* out);
// Kind 5: 255, then g = trunc(clamp(v × 255, 0, 255)) three times.
void CopyPyrFloatToGreyMemchunk(const PyramidDescriptor* pyr, int64_t level, uint8_t* out);
// Kind 5: one IEEE half-precision float of v a pixel (native byte order).
void CopyPyrFloatToFloat16Memchunk(const PyramidDescriptor* pyr, int64_t level, uint16_t* out);

// ---- PyrMinMax: level 0 of a kind-5 pyramid ----
// The smallest and largest sample; false (and nothing written) for another pyramid.
bool getMinAndMaxFromFloatPyr(const PyramidDescriptor* pyr, float* low, float* high);
// Every sample v ← (v − min) / (max − min), a range of 0 taken as 1.
void FitFloatsIntoUnityRange(PyramidDescriptor* pyr);
// Every sample plus a uniform random value over 0 .. amplitude in steps of 0.0001.
void addWhiteNoiseTo(PyramidDescriptor* pyr, float amplitude);
// New kind-3 pyramids of the same size (free with DisposeDynamicPyramid),
// grey (v − min) / range (range 0 → 1), or v / 25, alpha 1; null when the
// pyramid is not a float pyramid or memory runs out.
PyramidDescriptor* createContrastNormalizedColorPyrFromFloatPyr(const PyramidDescriptor* pyr);
PyramidDescriptor* createContrastStretchedColorPyrFromFloatPyr(const PyramidDescriptor* pyr);
// Shim for non-dialog code: always 0.
inline int64_t stashNormalizedCName() { return 0; }

// ---- Core Graphics images and contexts from pyramids ----
// A bitmap context of the size: colour (premultiplied alpha first) or grey;
// null with "Context not created!" on standard error when it cannot be made.
CGContextRef CreateARGBBitmapContextOfDimensions(int64_t width, int64_t height, bool colour);
CGContextRef CreateARGBBitmapContext(CGImageRef image, bool colour);
// Kind 3 only (else null): an image of level 0 over a new buffer of its ARGB
// chunk, returned through buffer; the image frees the buffer when released.
CGImageRef CGImageCreateFromPyr_and_allocate_memory(const PyramidDescriptor* pyr, uint8_t** buffer);
// Kinds 0, 3 and 5 (else null): an ARGB image of level 0 from the matching
// 4-byte chunk. The interpolation flag is kept for callers; drawing here is
// nearest pixel.
CGImageRef CGImageCreateFromPyr_and_allocate_memory_iphone(const PyramidDescriptor* pyr, bool interpolate);
