// The standard tasks through the runner: a level reduction cut into tiles
// and run on several threads gives the same level as one serial reduction.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>

#include "pyramid/mipmap.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "engine/task_engine_globals.h"
#include "engine/task_runner.h"

namespace {

struct Pyramid {
    std::unique_ptr<PyramidDescriptor> p{new PyramidDescriptor{}};
    bool ok = false;
    Pyramid(int64_t w, int64_t h) {
        InitPyramidProcs(p.get());
        ok = TryToAllocatePyramid_2006(p.get(), w, h, 3, 1, 0) == 1;
    }
    ~Pyramid() { DisposePyramidData(p.get()); }
};

TEST(EngineStandardTasks, TiledReductionMatchesSerialOne) {
    setenv("VORNESK_ACTIVE_PROCESSORS", "4", 1);
    const TaskEngineGlobals saved = gTaskEngine;
    gTaskEngine = TaskEngineGlobals{};
    for (int64_t purpose : {kPurposeReduceLevel, kPurposeReduceLevelHighQuality}) {
        Pyramid serial(700, 300), tiled(700, 300);
        ASSERT_TRUE(serial.ok && tiled.ok);
        std::mt19937 rng(9);
        for (int64_t y = 0; y < 300; ++y)
            for (int64_t x = 0; x < 700; ++x) {
                const int64_t c[4] = {int64_t(rng() % 256), int64_t(rng() % 256), int64_t(rng() % 256), 255};
                set_pyramid_sample_pointColor(x, y, serial.p.get(), 0, c[0], c[1], c[2], c[3]);
                set_pyramid_sample_pointColor(x, y, tiled.p.get(), 0, c[0], c[1], c[2], c[3]);
            }
        const VRect level1{0, 0, int32_t(serial.p->height[1]), int32_t(serial.p->width[1])};
        if (purpose == kPurposeReduceLevel)
            UpdateNextSmallerLevel_core(serial.p.get(), 0, level1);
        else
            UpdateNextSmallerLevel_high_quality_core(serial.p.get(), 0, level1);

        TaskGuidance guidance;
        initTaskGuidance(&guidance);
        GetDefaultGuidance(&guidance, nullptr);
        guidance.source = tiled.p.get();
        guidance.level = 0;
        guidance.jobRect = level1;
        RunTiles(purpose, kPartitionSquares, &guidance, StandardTaskWork(), nullptr);
        EXPECT_EQ(gTaskEngine.hostResult, 0);

        EXPECT_NE(get_pyramid_sample_point4_raw(10, 10, serial.p.get(), 1), 0u);
        for (int64_t y = 0; y < level1.bottom; ++y)
            for (int64_t x = 0; x < level1.right; ++x)
                ASSERT_EQ(get_pyramid_sample_point4_raw(x, y, tiled.p.get(), 1),
                          get_pyramid_sample_point4_raw(x, y, serial.p.get(), 1))
                    << purpose << " at " << x << ", " << y;
    }
    gTaskEngine = saved;
    unsetenv("VORNESK_ACTIVE_PROCESSORS");
}

}  // namespace
