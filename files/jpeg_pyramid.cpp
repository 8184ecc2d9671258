#include "files/jpeg_pyramid.h"

#include <algorithm>
#include <cmath>

#include "platform/host/host_types.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"

namespace {

struct PyramidRowSource {
    const PyramidDescriptor* pyr;
    int64_t left, top;
};

// A unit component as a byte, floor(c x 255); the small allowance keeps a
// value that float arithmetic left a hair under a whole level on that level.
inline uint8_t UnitToByte(float c) {
    if (!(c > 0.0f)) return 0;  // also NaN
    if (c >= 1.0f) return 255;
    return uint8_t(std::floor(c * 255.0f + 1e-4f));
}

// JPEG has no transparency: what is transparent lies on white.
void PyramidRows(void* context, long y, long width, uint8_t* rgb) {
    const auto* s = static_cast<const PyramidRowSource*>(context);
    const int64_t py = s->top + y;
    if (s->pyr->kind == kPyrColour8) {
        for (long x = 0; x < width; ++x) {
            const uint32_t w = get_pyramid_sample_point4_raw(s->left + x, py, s->pyr, 0);
            const uint32_t alpha = w & 255;
            for (int k = 0; k < 3; ++k) {
                const uint32_t c = (w >> (24 - 8 * k)) & 255;
                rgb[x * 3 + k] = alpha == 255 ? uint8_t(c)
                                              : uint8_t(std::lround(255.0 * FlattenedOnWhite(c / 255.0, alpha / 255.0)));
            }
        }
        return;
    }
    for (long x = 0; x < width; ++x) {
        float c[4];
        get_intcoord_unitary_color(s->left + x, py, s->pyr, 0, c);
        const double alpha = std::clamp(double(c[3]), 0.0, 1.0);
        for (int k = 0; k < 3; ++k)
            rgb[x * 3 + k] = alpha >= 1.0 ? UnitToByte(c[k]) : UnitToByte(float(FlattenedOnWhite(std::clamp(double(c[k]), 0.0, 1.0), alpha)));
    }
}

int CheckPyramid(const PyramidDescriptor* pyr) {
    if (!pyr) return kJPEGNoPyramid;
    if (!pyr->tiles) return kJPEGNoTiles;
    return kJPEGOK;
}

}  // namespace

int WritePyrToJFIF(const PyramidDescriptor* pyr, int fd, bool previewHeader, long quality,
                   size_t iccSize, const uint8_t* icc, TIPTCThing* iptc, TEXIFThing* exif) {
    if (const int missing = CheckPyramid(pyr)) return missing;
    if (!pyr->bufferProcs) return kJPEGNoBufferProcs;
    PyramidRowSource source{pyr, 0, 0};
    const JPEGMetadata metadata{iccSize, icc, iptc, exif};
    return WriteJPEGRowsToFile(long(pyr->width[0]), long(pyr->height[0]), PyramidRows, &source, fd,
                               previewHeader, quality, metadata);
}
