// The share of an n x n render that finds the Earth and the mean colour it
// draws there: a small regression picture of an output mode.
#pragma once

#include <algorithm>

#include "tests/projections/earth_fixture.h"
#include "tests/projections/road_fixture.h"

struct EarthRender {
    double coverage, mean[3];
};

inline EarthRender RenderEarth(RoadRig& rig, PyramidDescriptor* earth, int n) {
    EarthRender e{0, {0, 0, 0}};
    int inside = 0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const TransformationReply r = rig.at((i + 0.5f) / n, (j + 0.5f) / n);
            if (!(r.inputU >= 0.0f && r.inputU <= 1.0f && r.inputV >= 0.0f && r.inputV <= 1.0f)) continue;
            int64_t c[4];
            EarthColour(earth, r.inputU, r.inputV, c);
            for (int k = 0; k < 3; ++k) e.mean[k] += double(c[k]);
            ++inside;
        }
    for (double& m : e.mean) m /= std::max(inside, 1);
    e.coverage = double(inside) / (n * n);
    return e;
}
