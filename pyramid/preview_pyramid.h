// The preview pyramid (Data::previewPyramid, at most 128 x 128): a blank
// ramp, a scaled copy of another pyramid, and copies both ways.
#pragma once

#include <cstdint>

#include "platform/host/host_types.h"

struct Data;
struct PyramidDescriptor;

void Build_blank_preview(Data* data);
// Scales rect (in level `level` pixels) of pyramid into the preview pyramid
// with a slight blur.
void Build_filled_preview_from_pyr(Data* data, const PyramidDescriptor* pyramid, int64_t level, VRect rect);
// Copies rect of level `level` pixel by pixel into level 0 of target, starting
// at its corner: colour kinds in colour, the others as grey.
void CopyPartOfPyrAtLevelIntoPyr(const PyramidDescriptor* source, int64_t level, VRect rect,
                                 PyramidDescriptor* target);
// Copy or scale between the preview pyramid and another, when the preview has tiles.
void CopyPreviewIntoPyramid(Data* data, PyramidDescriptor* pyramid);
void CopyPyramidIntoPreview(Data* data, const PyramidDescriptor* pyramid);
