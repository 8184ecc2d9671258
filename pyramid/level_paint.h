// Painting and converting whole levels: stripes, solid fills, test patterns
// for checking pixel kinds and tiling, anti-aliased lines and triangle
// outlines, brightness extraction, the average colour of a level, and integer
// to float conversion. Calling thread only; no level being written by tile
// tasks at the same time.
//
// The functions that write tile memory directly write only pyramids whose
// pixels have the width they write; any other pyramid is left unchanged.
#pragma once

#include <cstdint>

#include "pyramid/pyramid.h"

// ---- stripes on level 0 (x0..x1 and y0..y1 inclusive, cut to the level) ----
void PaintHStripe(int64_t y, int64_t x0, int64_t x1, uint32_t word, PyramidDescriptor* pyr);
void PaintHStripe64(int64_t y, int64_t x0, int64_t x1, uint16_t c0, uint16_t c1, uint16_t c2, uint16_t c3,
                    PyramidDescriptor* pyr);
void PaintVStripe(int64_t x, int64_t y0, int64_t y1, uint32_t word, PyramidDescriptor* pyr);
void PaintVStripe64(int64_t x, int64_t y0, int64_t y1, uint16_t c0, uint16_t c1, uint16_t c2, uint16_t c3,
                    PyramidDescriptor* pyr);
void SetChunk(int64_t c0, int64_t c1, int64_t c2, int64_t c3, uint32_t* destination, int64_t count);
void SetChunkFloat(float value, float* destination, int64_t count);

// ---- solid fills of one level ----
// Kind 3: every pixel of every tile of the level, the parts of edge tiles
// beyond the level included; other kinds: the level's pixels through the
// integer colour setter.
void PaintLevelSolidColor(PyramidDescriptor* pyr, int64_t level, int64_t c0, int64_t c1, int64_t c2, int64_t c3);
// The packed word into whole tiles of 4-byte kinds; other kinds as PaintLevelSolidColor.
void PaintLevelSolidColor_32bit_color(PyramidDescriptor* pyr, int64_t level, int64_t c0, int64_t c1, int64_t c2,
                                      int64_t c3);
// Kind 0 only: whole tiles of the byte.
void PaintLevelSolidColor1(PyramidDescriptor* pyr, int64_t level, uint8_t value);
// Kinds with one 16-bit value per pixel (1, 2) only.
void PaintLevelSolidColor2(PyramidDescriptor* pyr, int64_t level, uint16_t value);
// Kind 5 only; the level is limited to 0..top - 1.
void PaintLevelSolidGreyF(PyramidDescriptor* pyr, int64_t level, float value);

// ---- test patterns ----
void PaintTestPattern(PyramidDescriptor* pyr);
void PaintTestPatternWeirdo(PyramidDescriptor* pyr, int64_t level);
void PaintTestPatternGrayStripes(PyramidDescriptor* pyr, int64_t level);
void PaintTestPatternIntoAlpha(PyramidDescriptor* pyr, int64_t level);
void PaintTestPattern1(PyramidDescriptor* pyr);
void PaintTestPattern2(PyramidDescriptor* pyr);
void PaintGridPattern1(PyramidDescriptor* pyr);
void PaintTestPatternGrey(PyramidDescriptor* pyr);

// ---- lines and triangle outlines (anti-aliased dots one pixel apart) ----
constexpr int64_t kMaxLineSteps = 40000;
void PaintLineColor(PyramidDescriptor* pyr, int64_t level, const float colour[4], float x0, float y0, float x1,
                    float y1);
// Corners in unit coordinates of level 0.
void PaintTriangleColor(PyramidDescriptor* pyr, const float colour[4], float x0, float y0, float x1, float y1,
                        float x2, float y2);
void PaintTriangle(PyramidDescriptor* pyr, float x0, float y0, float x1, float y1, float x2, float y2);

// ---- conversions ----
// Level 0 of a float grey pyramid limited to 0..1.
void ClampFloatPyrToUnity(PyramidDescriptor* pyr);
// In place: each 32-bit pixel read as a signed integer becomes the float integer × scale.
void ConvertLongPyrToFloatPyr(PyramidDescriptor* pyr, int64_t level, float scale);
// Kind 3 source to a 16-bit grey destination of the same shape: c0 + 2 c1 + c2 (0..1020).
void PaintBrightness32to16(const PyramidDescriptor* source, PyramidDescriptor* destination);
// Luma of a colour source (kinds 3, 4, 9) into a float grey (kind 5) or
// four-float (kind 9, as (Y, Y, Y, 1)) destination, over rect clipped to both.
void PaintBrightnessColortoFloatOr128bit(const PyramidDescriptor* source, PyramidDescriptor* destination,
                                         int64_t level, VRect rect);
// The mean colour of a level, in the level's own scale, truncated: kinds 0
// and 3 (0..255), 1 and 4 (0..32768); grey kinds give the grey three times
// and a full alpha. A level without pixels gives zeros; other kinds leave the
// outputs as they are. The level is not written.
void GetAverageColorOfLevel(const PyramidDescriptor* pyr, int64_t level, int64_t* c0, int64_t* c1, int64_t* c2,
                            int64_t* c3);
