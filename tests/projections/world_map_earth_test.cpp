// The bundled Earth (samples/earth-2048x1024.jpg) through the sample road
// (dispatcher, identity twirl, equirectangular input) for each world-map
// family, at two frame sizes. Each picture is written to the build tree
// (world_<mode>.ppm) for a look; the test pins its coverage (the share of
// pixels with an input position) and its mean colour, so that any change of
// a map shows as a change of these numbers.
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "projections/caches.h"
#include "projections/square_world_maps.h"
#include "tests/projections/earth_fixture.h"
#include "tests/projections/road_fixture.h"

namespace {

struct Framing {
    long mode;
    double inverseScale;
    float aspect;  // height over width
    double coverage;            // share of the frame with an input position
    double meanR, meanG, meanB; // mean colour of those pixels (0..255)
};

// Frames that hold each whole map with a little margin.
const Framing kFramings[] = {
    {400, 6.4, 1.0f, 0.1608, 102.7, 107.9, 124.6},
    {401, 6.4, 1.0f, 0.4445, 55.0, 62.0, 99.6},
    {341, 4.2, 0.6f, 0.6689, 55.9, 58.9, 69.4},
    {343, 4.2, 0.6f, 0.6689, 57.7, 61.3, 84.4},
    {360, 2.2, 1.0f, 0.4091, 59.0, 62.4, 75.1},
    {362, 2.2, 1.0f, 0.4091, 60.3, 64.3, 85.6},
    {364, 2.2, 1.0f, 0.5712, 77.0, 81.4, 95.5},
    {366, 2.2, 1.0f, 0.5712, 79.2, 83.9, 100.9},
    {83, 4.4, 1.0f, 0.3366, 48.6, 52.0, 74.2},
    {87, 4.4, 1.0f, 0.3375, 48.2, 51.6, 73.9},
    {11, 1.04, 0.5f, 0.7247, 46.4, 50.3, 72.6},
    {12, 1.3, 0.8f, 0.5379, 48.5, 52.5, 74.5},
    {13, 1.04, 0.5f, 0.5891, 46.3, 50.4, 72.6},
    {35, 5.25, 0.611f, 0.7895, 59.8, 64.2, 85.4},
    {46, 1.04, 0.5f, 0.7247, 46.1, 50.0, 72.5},
    {65, 1.0, 1.0f, 1.0000, 63.2, 66.0, 80.3},
    {66, 1.0, 1.0f, 1.0000, 47.0, 49.4, 65.8},
    {67, 1.0, 1.0f, 1.0000, 113.5, 117.7, 130.3},
    {68, 1.0, 1.0f, 1.0000, 94.6, 98.4, 113.5},
    {80, 2.08, 0.5f, 0.8013, 56.7, 61.1, 82.1},
    {90, 1.02, 1.0f, 0.9506, 109.6, 113.9, 132.6},
    {91, 1.02, 1.0f, 0.9506, 119.7, 125.0, 139.3},
    {99, 2.04, 0.5f, 0.9506, 43.0, 48.1, 74.2},
    {118, 4.08, 0.25f, 0.9750, 34.2, 35.3, 59.1},
    {119, 1.02, 0.5f, 0.9506, 42.0, 45.2, 78.9},
    {121, 1.5, 0.68f, 0.5909, 71.0, 75.4, 101.2},
    {140, 2.04, 1.0f, 0.9506, 46.7, 50.6, 72.7},
    {288, 1.02, 0.21f, 0.7456, 80.0, 84.6, 102.6},
    {300, 2.04, 1.0f, 0.7536, 67.2, 72.8, 100.1},
    {340, 6.25, 0.582f, 0.8255, 55.6, 59.9, 82.5},
    {345, 1.04, 0.5f, 0.7259, 46.3, 50.2, 72.6},
    {346, 2.4, 0.8f, 0.6576, 39.1, 43.0, 66.1},
    {347, 2.04, 1.0f, 0.7536, 54.4, 54.9, 65.4},
    {349, 1.0, 0.5f, 1.0000, 0.2, 1.3, 52.4},
    {354, 5.96, 0.585f, 0.7503, 63.1, 67.5, 88.9},
    {355, 5.58, 0.52f, 0.8479, 59.4, 63.8, 84.7},
    {356, 1.04, 0.5f, 0.5884, 46.5, 50.5, 72.8},
    {357, 1.04, 0.55f, 0.6592, 46.2, 50.1, 72.4},
    {358, 4.98, 0.776f, 0.8177, 82.2, 87.0, 104.1},
    {359, 6.41, 0.816f, 0.7693, 94.7, 99.7, 116.5},
    {397, 5.07, 0.63f, 0.7762, 46.5, 50.4, 72.8},
    {398, 1.04, 0.5f, 0.8191, 45.1, 49.0, 71.4},
    {399, 4.8, 0.9f, 0.5884, 47.9, 51.8, 73.2},
    {410, 1.0, 1.0f, 1.0000, 56.6, 63.3, 54.9},
    {415, 2.08, 0.5f, 0.8015, 56.7, 61.1, 82.2},
    {416, 1.04, 0.5f, 0.7579, 46.5, 50.7, 72.1},
    {546, 2.04, 1.0f, 0.7536, 108.8, 113.9, 129.1},
    {547, 5.52, 0.487f, 0.8436, 45.5, 49.4, 71.8},
    {1042, 1.02, 1.0f, 0.7536, 85.3, 90.5, 114.4},
};

class WorldMapEarth : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        store = NewProjectionCacheStore();
        PrefillProjectionCachesForMode(store, 90);
        PrefillProjectionCachesForMode(store, 83);
        PrefillProjectionCachesForMode(store, 140);
        ok = LoadBundledEarth(&earth);
    }
    static void TearDownTestSuite() {
        DisposeProjectionCacheStore(&store);
        DisposePyramidData(&earth);
    }
    static ProjectionCacheStore* store;
    static PyramidDescriptor earth;
    static bool ok;
};
ProjectionCacheStore* WorldMapEarth::store = nullptr;
PyramidDescriptor WorldMapEarth::earth{};
bool WorldMapEarth::ok = false;

struct Picture {
    int width, height;
    std::vector<uint8_t> rgb;
    double coverage, mean[3];
};

Picture Render(const Framing& f, int width, ProjectionCacheStore* store, PyramidDescriptor* earth) {
    Picture p{width, std::max(1, static_cast<int>(std::lround(width * f.aspect))), {}, 0, {0, 0, 0}};
    RoadRig rig(f.mode, 1, f.aspect);
    rig.context->inverseScale = f.inverseScale;
    rig.context->boxHeight = f.aspect;
    rig.context->projectionCaches = store;
    rig.context->fieldOfView = 90.0f;
    rig.context->lensWidth = 2.0f;
    rig.context->halfLensWidth = 2.0f * std::tan(float(M_PI) / 8);
    rig.context->goreCount = 12.0f;
    rig.context->viewColumns = 4;
    rig.context->latitudeSetting = 45.0f;
    rig.context->viewRows = 4;
    BuildSpilhausRotation(rig.context->spilhausRotation);
    p.rgb.assign(3 * p.width * p.height, 0);
    long inside = 0;
    for (int j = 0; j < p.height; ++j)
        for (int i = 0; i < p.width; ++i) {
            const float u = (i + 0.5f) / p.width, v = (j + 0.5f) / p.height;
            const TransformationReply r = rig.at(u, v);
            if (!(r.inputU >= 0.0f && r.inputU <= 1.0f && r.inputV >= 0.0f && r.inputV <= 1.0f)) continue;
            if (r.place == -21) continue;  // cleared: no place maps here
            int64_t c[4];
            EarthColour(earth, r.inputU, r.inputV, c);
            uint8_t* o = &p.rgb[3 * (j * p.width + i)];
            for (int k = 0; k < 3; ++k) {
                o[k] = static_cast<uint8_t>(c[k]);
                p.mean[k] += c[k];
            }
            ++inside;
        }
    p.coverage = double(inside) / (p.width * p.height);
    for (double& m : p.mean) m = inside ? m / inside : 0;
    return p;
}

TEST_F(WorldMapEarth, EachFamilyDrawsTheEarth) {
    ASSERT_TRUE(ok);
    for (const Framing& f : kFramings) {
        const Picture small = Render(f, 128, store, &earth);
        const Picture large = Render(f, std::getenv("WORLD_BIG") ? 480 : 160, store, &earth);
        if (std::getenv("WORLD_PRINT"))
            std::printf("{%ld, %.4f, %.1f, %.1f, %.1f}\n", f.mode, large.coverage, large.mean[0], large.mean[1],
                        large.mean[2]);
        // The pinned numbers, and the same map at both sizes.
        EXPECT_NEAR(large.coverage, f.coverage, 0.002) << f.mode;
        const double pinned[3] = {f.meanR, f.meanG, f.meanB};
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(large.mean[k], pinned[k], 0.5) << f.mode;
        EXPECT_NEAR(small.coverage, large.coverage, 0.03) << f.mode;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(small.mean[k], large.mean[k], 6.0) << f.mode;
        // In a frame twice as wide (zoomed out across, the same height) the
        // map covers half as much of it.
        // (The power maps and the flyover fill any frame.)
        if (!(f.mode >= 65 && f.mode <= 68) && f.mode != 349) {
            Framing wide = f;
            wide.inverseScale *= 2.0;
            wide.aspect *= 0.5f;
            const Picture w = Render(wide, 256, store, &earth);
            EXPECT_NEAR(w.coverage, large.coverage / 2, 0.03) << f.mode;
        }
        const std::string path = std::string(VORNESK_BINARY_DIR) + "/world_" + std::to_string(f.mode) + ".ppm";
        if (FILE* out = std::fopen(path.c_str(), "wb")) {
            std::fprintf(out, "P6\n%d %d\n255\n", large.width, large.height);
            std::fwrite(large.rgb.data(), 1, large.rgb.size(), out);
            std::fclose(out);
        }
    }
}

}  // namespace
