#include "ui/pyramid_images.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/bitmap.h"
#include "pyramid/level_copy.h"
#include "pyramid/mipmap.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "records/data.h"
#include "records/plugin_globals.h"

namespace {

bool Allocated(const PyramidDescriptor* pyr) { return pyr && pyr->tiles && pyr->topLevel >= 0; }

bool ColourKind(int64_t kind) { return kind == kPyrColour8 || kind == kPyrColour16 || kind == kPyrColourFloat; }

// Nearest step of an integer kind, so that a byte or a 16-bit sample comes
// back as itself.
int64_t Scaled(float v, float full) { return int64_t(std::lround(std::clamp(v, 0.0f, 1.0f) * full)); }

}  // namespace

QImage NSImageFromPyr(const PyramidDescriptor* pyr) {
    if (!Allocated(pyr)) return QImage();
    const int w = int(pyr->width[0]), h = int(pyr->height[0]);
    const int bits = std::min<int>(8 * int(bytes_per_component_from_kind(pyr->kind)), 16);
    QImage rep = ColourKind(pyr->kind) ? NSBitmapImageRep_makeRGBA(w, h, bits) : NSBitmapImageRep_makeGrey(w, h, bits);
    Copy_pyr_to_NSBitmapImageRep(pyr, &rep);
    return rep;
}

void Copy_pyr_to_NSBitmapImageRep(const PyramidDescriptor* pyr, QImage* rep) {
    if (!Allocated(pyr) || !rep || rep->isNull()) return;
    const int w = std::min<int>(int(pyr->width[0]), rep->width());
    const int h = std::min<int>(int(pyr->height[0]), rep->height());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float c[4];
            get_intcoord_unitary_color(x, y, pyr, 0, c);
            if (!ColourKind(pyr->kind)) c[1] = c[2] = c[0], c[3] = 1.0f;
            for (int i = 0; i < 3; ++i) c[i] *= c[3];
            NSBitmapImageRep_setStored(rep, x, y, c);
        }
}

void Copy_NSBitmapImageRep_to_pyr(const QImage& rep, PyramidDescriptor* pyr) {
    if (!Allocated(pyr) || rep.isNull()) return;
    const int w = std::min<int>(int(pyr->width[0]), rep.width());
    const int h = std::min<int>(int(pyr->height[0]), rep.height());
    const float full = full_scale_from_kind(pyr->kind);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float c[4];
            NSBitmapImageRep_getStored(rep, x, y, c);
            if (c[3] > 0.0f && c[3] < 1.0f)
                for (int i = 0; i < 3; ++i) c[i] = std::min(c[i] / c[3], 1.0f);
            if (pyr->kind == kPyrColourFloat) set_intcoord_unitary_color(x, y, pyr, 0, c);
            else if (ColourKind(pyr->kind))
                set_pyramid_sample_pointColor(x, y, pyr, 0, Scaled(c[0], full), Scaled(c[1], full), Scaled(c[2], full),
                                              Scaled(c[3], full));
            else if (pyr->kind == kPyrGrey8) set_pyramid_sample_point1(x, y, pyr, 0, Scaled(c[0], 255.0f));
            else set_intcoord_unitary_grey(x, y, pyr, 0, c[0]);
        }
    pyr->mipmapState = 1;
}

void BuildPreviewFromNSImage(const QImage& image) {
    if (image.isNull()) return;
    BuildPreviewFromNSBitmapImageRep(image);
}

void BuildPreviewFromNSBitmapImageRep(const QImage& rep) {
    if (rep.isNull()) return;
    PyramidDescriptor pyr{};
    InitPyramidProcs(&pyr, gFilterRecord ? gFilterRecord->bufferProcs : nullptr);
    if (TryToAllocatePyramid_2006(&pyr, rep.width(), rep.height(), kPyrColour8, 0, 0)) {
        Copy_NSBitmapImageRep_to_pyr(rep, &pyr);
        paint_mipmap_of_pyramid(&pyr);
        if (gData && gData->previewPyramid.tiles) CopyOrScalePyrToPyr(&pyr, &gData->previewPyramid);
    }
    DisposePyramidData(&pyr);
}
