// Stand-in for the shading and 3D drawing methods until they land: colours
// pass through unchanged except that a cleared region is cleared, and every
// artificial region is transparent black or the region colour. Replace this
// file with the shading step.
#include <cstring>

#include "projections/TransformationReply.h"
#include "projections/vort.h"
#include "render/shading.h"

namespace {
constexpr int32_t kRegionCleared = -21;
constexpr int32_t kRegionBackdropBelow = -10000;
}  // namespace

void ApplyMelFX(int64_t, int64_t, float colour[4], const vort*, const TransformationReply* reply) {
    if (reply && reply->place == kRegionCleared) colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
}

void GetArtificialRegionColors(const TransformationReply* reply, const vort* context, float colour[4]) {
    const int32_t region = reply->place;
    if (region == kPlaceNoDirection || region == kRegionCleared || region < kRegionBackdropBelow || !context) {
        colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
        return;
    }
    std::memcpy(colour, context->regionColour, 4 * sizeof(float));
}
