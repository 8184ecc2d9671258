// Pictures entering a pyramid: the host's input buffer copied into level-0
// tiles with conversion to the pyramid's kind.
#pragma once

#include <cstdint>

#include "pyramid/pyramid.h"

// The pyramid kind a host image needs: 8-bit grey or RGB (modes 1, 3) kind 3,
// 16-bit (10, 11) kind 4, 32-bit or modes 16 and 17 kind 9.
bool HostImageSuitsPyramidKind(int64_t imageMode, int64_t depth, int64_t kind);

// The layer has a transparency the filter may change (filter case 4 or 5).
bool ShouldCopyTransparencyForPyramid();
// The part (level-0 pixels) of the host's current input buffer, whose first
// pixel lies at origin of level 0, into the level-0 tiles it covers; parts
// that do not overlap may run on several threads at once.
void CopyInRectPartToLevel0(PyramidDescriptor* pyr, VPoint origin, VRect part);
