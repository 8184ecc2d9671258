// What an output mode is built on when it is a floret: n identical lobes, each
// one half of a basis projection opened out about the centre. Every other
// mode has the defaults (kind 0). The floret table gives each floret mode its
// basis, so the polyhedron model can ask which solid a floret is built on.
#pragma once

#include <cstdint>

struct WarpyBasis {
    int64_t kind;              // 0: no floret; otherwise the basis
    int64_t lobeCount;         // n
    double luneOffset;         // 0
    double scale;              // 1
    double finalTurn;          // radians, 0
    double tilt;               // radians, 0
    double preTurnCos;         // 1
    double preTurnSin;         // 0
    double centreX;            // framing in the output: 0, 0, 1000 x 1000
    double centreY;
    double canvasWidth;
    double canvasHeight;
    double lobeSpin;           // 1
    double powerDivisor;       // 1
    int64_t basisShape;        // shape code of the basis polyhedron, -1 for none
    int64_t basisShapeParameter;
    uint8_t noPower;           // 1: the lobe is not opened by a power
};

// The defaults, then the mode's floret row when it has one; returns the mode.
int64_t GetBasisOfWarpyPolyprojection(int64_t outputMode, WarpyBasis* basis);
bool IsProjectionAFloret(int64_t outputMode);
bool IsFloretWithPolyhedronBasis(int64_t outputMode);
