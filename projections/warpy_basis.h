// Floret lookups: which output modes are florets and the basis each one's
// lobes are built on.
#pragma once

#include <cstdint>

#include "records/warpy_basis.h"

// The defaults, then the mode's floret row when it has one; returns the mode.
int64_t GetBasisOfWarpyPolyprojection(int64_t outputMode, WarpyBasis* basis);
bool IsProjectionAFloret(int64_t outputMode);
bool IsFloretWithPolyhedronBasis(int64_t outputMode);
