// Small checks shared by the whole-level operations.
#pragma once

#include <cstdint>

#include "pyramid/pyramid.h"

// Level L exists and has pixel memory.
inline bool LevelHasPixels(const PyramidDescriptor* pyr, int64_t L) {
    return pyr && pyr->tiles && L >= 0 && L < kPyramidLevels && L <= pyr->topLevel;
}

// rect cut to level L: top and left at least 0, bottom and right at most the
// level's height and width (empty when nothing is left).
inline VRect ClipRectToLevel(const PyramidDescriptor* pyr, int64_t L, VRect r) {
    if (r.top < 0) r.top = 0;
    if (r.left < 0) r.left = 0;
    if (r.bottom > pyr->height[L]) r.bottom = static_cast<int32_t>(pyr->height[L]);
    if (r.right > pyr->width[L]) r.right = static_cast<int32_t>(pyr->width[L]);
    return r;
}
