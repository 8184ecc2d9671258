// Every map-shaped output mode shows the whole sphere, or leaves out only
// what it means to leave out. The mode's own road (as a render sets it up,
// default settings) is sampled over the output and refined where samples
// lie far apart on the sphere (tests/render/sphere_coverage.h); a probe
// direction farther than a few degrees from everything drawn is a part of
// the sphere the picture leaves out.
//
// A floret squeezes the region about the antipode of its centre into the
// tips of its lobes (and the waffle its poles into the middles of cube
// edges): a cap of some degrees about such a point shrinks into a fraction
// of a pixel, but it is drawn, and the refinement follows it there. What a
// picture of a given size shows of it is the README's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/render/sphere_coverage.h"

namespace {

// Coarse enough to run under the sanitizers: samples about 4 degrees apart,
// a gap found once it is more than 8 degrees across.
SphereCoverageOptions Coarse(int64_t width = 2) {
    SphereCoverageOptions o;
    o.width = width;
    o.base = 32;
    o.spread = 8.0;
    o.reach = 8.0;
    o.probes = 6000;
    o.budget = 120000;
    return o;
}

void ExpectWhole(const std::vector<int32_t>& modes, int64_t width = 2) {
    for (int32_t mode : modes) {
        SCOPED_TRACE("output mode " + std::to_string(mode));
        RenderRig rig;
        const SphereCoverage c = ProbeSphereCoverage(rig, mode, Coarse(width));
        ASSERT_TRUE(c.prepared);
        EXPECT_EQ(c.missingArea, 0.0) << "farthest probe " << c.farthest << " degrees from the picture, at ("
                                      << c.farthestProbe[0] << ", " << c.farthestProbe[1] << ", "
                                      << c.farthestProbe[2] << ")";
    }
}

TEST(MapCoverage, WorldMapsShowTheWholeSphere) {
    ExpectWhole({1,   3,   11,  12,  13,  18,  19,  20,  22,  23,  24,  35,  36,  37,  38,  39,  40,  46,
                 48,  49,  50,  67,  68,  69,  80,  81,  84,  89,  90,  91,  92,  93,  94,  95,  96,  99,
                 118, 119, 120, 121, 134, 136, 138, 140, 141, 142, 159, 160, 340, 345, 346, 354, 355, 356, 357,
                 358, 359, 397, 398, 399, 410, 414, 415, 416, 417, 546, 547, 900});
}

// The three-cylinder lobes (389-391) used to leave out their ends, a fifth
// of the sphere about the antipode.
TEST(MapCoverage, FloretsShowTheWholeSphere) {
    ExpectWhole({51,  108, 109, 110, 111, 112, 130, 131, 132, 133, 145, 146, 147, 148, 149, 152, 153, 154,
                 155, 156, 157, 162, 164, 165, 251, 252, 302, 303, 351, 352, 353, 383, 384, 385, 386, 387,
                 388, 389, 390, 391, 1040});
    // Square pictures too: a lobe that runs past its canvas is not cut off.
    ExpectWhole({112, 353, 389, 390, 391}, 1);
}

TEST(MapCoverage, MapsThroughASolidShowTheWholeSphere) {
    ExpectWhole({21, 47, 86, 97, 98, 100, 101, 102, 103, 104, 105, 106, 107, 113, 114, 115, 116, 117, 122,
                 123, 124, 125, 126, 127, 128, 129, 137, 144, 150, 167, 168, 402, 403, 404, 407, 408, 418});
}

// Printable nets.
TEST(MapCoverage, NetsShowTheWholeSphere) {
    // With the smallest Goldberg and quad solids: their larger nets take
    // seconds each to build under the sanitizers.
    ExpectWhole({6, 7, 8, 9, 10, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 44, 54, 55, 406, 420, 498});
}

// Mercator's poles lie at infinity: a picture twice as wide as high keeps
// the latitudes up to about 70 degrees, and leaves out both polar caps and
// nothing else.
TEST(MapCoverage, MercatorLeavesOutOnlyThePolarCaps) {
    RenderRig rig;
    const SphereCoverage c = ProbeSphereCoverage(rig, 62, Coarse());
    ASSERT_TRUE(c.prepared);
    int north = 0, south = 0;
    for (const auto& p : c.missed) {
        EXPECT_GT(std::fabs(p[1]), std::sin(60.0 * M_PI / 180.0)) << p[1];
        (p[1] > 0 ? north : south) += std::fabs(p[1]) > std::sin(85.0 * M_PI / 180.0);
    }
    EXPECT_GT(north, 0);
    EXPECT_GT(south, 0);
}

}  // namespace
