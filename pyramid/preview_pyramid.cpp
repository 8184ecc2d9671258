#include "pyramid/preview_pyramid.h"

#include <algorithm>

#include "pyramid/level_copy.h"
#include "pyramid/level_rects.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "records/data.h"

void Build_blank_preview(Data* data) {
    if (!data || !data->previewPyramid.tiles) return;
    PyramidDescriptor* p = &data->previewPyramid;
    const int64_t w = std::min<int64_t>(p->width[0], kPreviewPyramidSide);
    const int64_t h = std::min<int64_t>(p->height[0], kPreviewPyramidSide);
    for (int64_t y = 0; y < h; y++)
        for (int64_t x = 0; x < w; x++) set_pyramid_sample_point4(x, y, p, 0, 255 - y, 255 - y, 255 - y, 255);
}

void Build_filled_preview_from_pyr(Data* data, const PyramidDescriptor* pyramid, int64_t level, VRect rect) {
    if (!data || !LevelHasPixels(&data->previewPyramid, 0) || !LevelHasPixels(pyramid, level)) return;
    // The scaler works in level-0 pixels.
    const double sx = double(pyramid->width[0]) / double(pyramid->width[level]);
    const double sy = double(pyramid->height[0]) / double(pyramid->height[level]);
    const VRect source{int32_t(rect.top * sy), int32_t(rect.left * sx), int32_t(rect.bottom * sy),
                       int32_t(rect.right * sx)};
    PyramidDescriptor* preview = &data->previewPyramid;
    const VRect whole{0, 0, int32_t(preview->height[0]), int32_t(preview->width[0])};
    constexpr float kPreviewBlur = 0.2f;
    ScalePyrNicely_TargetAlways4(pyramid, preview, source, whole, kPreviewBlur);
}

void CopyPartOfPyrAtLevelIntoPyr(const PyramidDescriptor* source, int64_t level, VRect rect,
                                 PyramidDescriptor* target) {
    if (!LevelHasPixels(source, level) || !LevelHasPixels(target, 0)) return;
    const int64_t top = std::max<int64_t>(rect.top, 0), left = std::max<int64_t>(rect.left, 0);
    const int64_t bottom = std::min<int64_t>({rect.bottom, source->height[level], top + target->height[0]});
    const int64_t right = std::min<int64_t>({rect.right, source->width[level], left + target->width[0]});
    const bool colour = source->kind == kPyrColour8 || source->kind == kPyrColour16 || source->kind == kPyrColourFloat;
    for (int64_t y = top; y < bottom; y++)
        for (int64_t x = left; x < right; x++) {
            float c[4];
            if (colour) {
                get_intcoord_unitary_color(x, y, source, level, c);
            } else {
                c[0] = c[1] = c[2] = get_intcoord_unitary_grey(x, y, source, level);
                c[3] = 1.0f;
            }
            set_intcoord_unitary_color(x - left, y - top, target, 0, c);
        }
}

void CopyPreviewIntoPyramid(Data* data, PyramidDescriptor* pyramid) {
    if (data && data->previewPyramid.tiles) CopyOrScalePyrToPyr(&data->previewPyramid, pyramid);
}

void CopyPyramidIntoPreview(Data* data, const PyramidDescriptor* pyramid) {
    if (data && data->previewPyramid.tiles) CopyOrScalePyrToPyr(pyramid, &data->previewPyramid);
}
