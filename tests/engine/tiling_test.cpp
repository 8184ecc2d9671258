#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/task_records.h"

namespace {

VRect Job(int32_t top, int32_t left, int32_t bottom, int32_t right) { return VRect{top, left, bottom, right}; }

TileTracker Tile(TileTracker tracker, int64_t t) {
    tracker.t = t;
    CalculateRectOfThisTile(&tracker);
    return tracker;
}

// Every kind that computes tiles covers each pixel of the job exactly once
// and never leaves it, for sizes around the tile and band sides.
TEST(Tiling, EveryKindCoversTheJobOnce) {
    const int sizes[] = {0, 1, 2, 63, 64, 65, 127, 128, 129, 200, 300};
    for (int64_t kind : {0, 1, 3, 4, 5, 6, 7}) {
        for (int w : sizes) {
            for (int h : sizes) {
                TileTracker tracker{};
                InitTILETRACKER_core(&tracker, Job(10, -20, 10 + h, -20 + w), kind);
                SCOPED_TRACE("kind " + std::to_string(kind) + " " + std::to_string(w) + "x" + std::to_string(h));
                ASSERT_EQ(tracker.job_pixels_x, w);
                ASSERT_EQ(tracker.job_pixels_y, h);
                std::vector<int> cover(size_t(w) * h, 0);
                for (int64_t t = 0; t < tracker.tilecount; ++t) {
                    VRect r = Tile(tracker, t).current_tile_rect;
                    ASSERT_LE(0, r.top);
                    ASSERT_LE(0, r.left);
                    ASSERT_LE(r.bottom, h);
                    ASSERT_LE(r.right, w);
                    ASSERT_LT(r.top, r.bottom);
                    ASSERT_LT(r.left, r.right);
                    for (int y = r.top; y < r.bottom; ++y)
                        for (int x = r.left; x < r.right; ++x) ++cover[size_t(y) * w + x];
                }
                for (int c : cover) ASSERT_EQ(c, 1);
            }
        }
    }
}

TEST(Tiling, ExamplesOfTheKinds) {
    TileTracker tracker{};
    InitTILETRACKER_core(&tracker, Job(0, 0, 200, 300), 0);
    EXPECT_EQ(tracker.tiles_across, 3);
    EXPECT_EQ(tracker.tilecount, 6);
    EXPECT_EQ(tracker.bigness, 128);
    EXPECT_EQ(tracker.t, 0);
    EXPECT_EQ(tracker.current_tile_rect.top, -1);
    EXPECT_EQ(tracker.buffer_x_elements, -1);
    VRect last = Tile(tracker, 5).current_tile_rect;
    EXPECT_EQ(last.top, 128);
    EXPECT_EQ(last.bottom, 200);
    EXPECT_EQ(last.left, 256);
    EXPECT_EQ(last.right, 300);

    InitTILETRACKER_core(&tracker, Job(0, 0, 130, 50), 5);
    EXPECT_EQ(tracker.tilecount, 3);
    EXPECT_EQ(Tile(tracker, 2).current_tile_rect.top, 128);
    EXPECT_EQ(Tile(tracker, 2).current_tile_rect.bottom, 130);

    InitTILETRACKER_core(&tracker, Job(0, 0, 7, 10), 4);
    EXPECT_EQ(tracker.tilecount, 10);
    VRect column = Tile(tracker, 3).current_tile_rect;
    EXPECT_EQ(column.top, 0);
    EXPECT_EQ(column.bottom, 7);
    EXPECT_EQ(column.left, 3);
    EXPECT_EQ(column.right, 4);

    InitTILETRACKER_core(&tracker, Job(0, 0, 0, 300), 0);
    EXPECT_EQ(tracker.tilecount, 0);

    tracker.bigness = 30;
    InitTILETRACKER_core(&tracker, Job(0, 0, 100, 100), 0);
    EXPECT_EQ(tracker.tilecount, 16);
    EXPECT_EQ(Tile(tracker, 15).current_tile_rect.right, 100);
}

// Kind 2 and unknown kinds keep the counts the tracker had and compute no tile.
TEST(Tiling, KindsWithoutTilesKeepTheirCounts) {
    for (int64_t kind : {2, 9, -1}) {
        TileTracker tracker{};
        InitTILETRACKER_core(&tracker, Job(0, 0, 200, 300), 0);
        InitTILETRACKER_core(&tracker, Job(0, 0, 50, 50), kind);
        EXPECT_EQ(tracker.tilecount, 6);
        EXPECT_EQ(tracker.tiles_across, 3);
        tracker.t = 1;
        CalculateRectOfThisTile(&tracker);
        EXPECT_EQ(tracker.current_tile_rect.left, -1);
    }
}

TEST(Tiling, HelpersAndFlags) {
    EXPECT_EQ(TilesAcross(300, 128), 3);
    EXPECT_EQ(TilesToCoverRect(300, 200, 128), 6);
    EXPECT_EQ(XExtentOfNthTile(2, 300, 128), 44);
    EXPECT_EQ(XExtentOfNthTile(1, 300, 128), 128);
    EXPECT_EQ(YExtentOfNthTile(1, 200, 128), 72);
    for (int64_t kind = -2; kind < 10; ++kind)
        EXPECT_EQ(partitionIsSerial(kind), kind == 1 || kind == 2 || kind == 7) << kind;

    TaskGuidance guidance;
    initTaskGuidance(&guidance);
    EXPECT_EQ(guidance.blur, 1.0f);
    guidance.count = 5;
    GetDefaultGuidance(&guidance, nullptr);
    EXPECT_EQ(guidance.level, -1);
    EXPECT_EQ(guidance.flag, 1);
    EXPECT_EQ(guidance.count, 5);
}

}  // namespace
