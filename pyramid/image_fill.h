// Pictures entering a pyramid: host pixel chunks copied into level-0 tiles
// with conversion to the pyramid's kind, an 8-bit selection mask into the
// tiles of a grey pyramid, Core Graphics images and pyramid rectangles
// stretched into a target, and an 8-bit grey level copied into the alpha of
// a colour level.
#pragma once

#include <cstdint>

#include "platform/cg_image.h"
#include "pyramid/pyramid.h"

// A block of host pixels as the host delivers it: rows rowBytes apart, each
// pixel pixelSamples interleaved samples of depth bits (8: bytes; 16: 0..32768;
// 32: floats), colour samples first.
struct HostPixelChunk {
    const void* data;
    int64_t rowBytes;
    int64_t columns;        // pixels delivered per row
    int64_t rows;           // rows delivered
    int64_t pixelSamples;   // samples per pixel
    int64_t depth;          // bits per sample
    bool colour;            // three colour samples (else one grey sample)
    int64_t alphaIndex;     // sample holding the transparency; -1 for opaque
};

// The pyramid kind a host image needs: 8-bit grey or RGB (modes 1, 3) kind 3,
// 16-bit (10, 11) kind 4, 32-bit or modes 16 and 17 kind 9.
bool HostImageSuitsPyramidKind(int64_t imageMode, int64_t depth, int64_t kind);

// The chunk into tile tileIndex of level 0, pixel (x, y) of the chunk to
// pixel (x, y) of the tile: grey becomes (g, g, g), a missing alpha full.
// Only what both the chunk and the tile's part of the level hold is copied;
// a chunk whose depth does not match the pyramid's kind copies nothing.
void CopyHostChunkToTile(const HostPixelChunk& chunk, PyramidDescriptor* pyr, int64_t tileIndex);
// Bytes of a selection mask into tile tileIndex of level 0 of a kind-0 pyramid.
void CopyMaskChunkToTile(const uint8_t* mask, int64_t rowBytes, int64_t columns, int64_t rows,
                         PyramidDescriptor* pyr, int64_t tileIndex);

// The layer has a transparency the filter may change (filter case 4 or 5).
bool ShouldCopyTransparencyForPyramid();
// The host's current input buffer into tile tileIndex of level 0, when the
// host's image suits the pyramid's kind.
void CopyInRectToTile(PyramidDescriptor* pyr, int64_t tileIndex);
// The part (level-0 pixels) of the host's current input buffer, whose first
// pixel lies at origin of level 0, into the level-0 tiles it covers; parts
// that do not overlap may run on several threads at once.
void CopyInRectPartToLevel0(PyramidDescriptor* pyr, VPoint origin, VRect part);

// The image into targetRect of the target's level 0 through a temporary
// pyramid of the image's size; the result of drawing the image (0 when it
// could not be drawn or the temporary could not be had: the target is then
// unchanged).
int64_t StretchCGImageRefIntoPyr(CGImageRef image, PyramidDescriptor* target, VRect targetRect);
// sourceRect of the source scaled into targetRect of the target.
void StretchPyrToPyr(const PyramidDescriptor* source, VRect sourceRect, PyramidDescriptor* target, VRect targetRect);

// Source byte i into the alpha of kind-3 word i, for n words; returns the
// source after the last byte used.
const uint8_t* Copy1toAlphaChunk(const uint8_t* source, uint32_t* destination, int64_t n);
// An 8-bit grey level (kind 0) into the alpha of a kind-3 level: tile by
// tile when the pyramids have the same size, else over the common rectangle.
void Copy1ToAlpha4(const PyramidDescriptor* grey, PyramidDescriptor* colour, int64_t level);
