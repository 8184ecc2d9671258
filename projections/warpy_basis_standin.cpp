// Stand-in until the florets land: every mode gets the defaults, so no mode
// is a floret yet. Replace GetBasisOfWarpyPolyprojection with the floret
// table; the two questions below stay as they are.
#include "projections/warpy_basis.h"

int64_t GetBasisOfWarpyPolyprojection(int64_t outputMode, WarpyBasis* basis) {
    if (!basis) return outputMode;
    *basis = WarpyBasis{};
    basis->scale = 1;
    basis->preTurnCos = 1;
    basis->canvasWidth = 1000;
    basis->canvasHeight = 1000;
    basis->lobeSpin = 1;
    basis->powerDivisor = 1;
    basis->basisShape = -1;
    return outputMode;
}

bool IsProjectionAFloret(int64_t outputMode) {
    WarpyBasis basis;
    GetBasisOfWarpyPolyprojection(outputMode, &basis);
    return basis.kind != 0;
}

bool IsFloretWithPolyhedronBasis(int64_t outputMode) {
    WarpyBasis basis;
    GetBasisOfWarpyPolyprojection(outputMode, &basis);
    return basis.basisShape != -1;
}
