// One hyperbolic tiling's central cell in the Poincare disc: the circles that
// bound it, its vertices and edge midpoints, and its vertex radius. Filled once
// per task by the render context's hyperbolic set-up; read by the tilings.
#pragma once

#include "common/complex.h"

struct hypertype {
    fcomplex circleCentres[5];  // circle k bounds the cell along edge k
    double circleRadii[5];
    fcomplex trips[10];  // the p vertices, then the p edge midpoints (k between vertex k and k+1)
    double cellRadius;   // R: disc centre to a vertex
};
