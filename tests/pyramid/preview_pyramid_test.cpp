// The preview pyramid's copy and scale operations.
#include <gtest/gtest.h>

#include <memory>

#include "platform/host/filter_record.h"
#include "pyramid/mipmap.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "records/data.h"
#include "host_access/host_rects.h"
#include "pyramid/preview_pyramid.h"

namespace {

struct PreviewFixture : ::testing::Test {
    BufferProcs procs{};
    std::unique_ptr<Data> data = std::make_unique<Data>();
    PyramidDescriptor source{};

    void SetUp() override {
        InitPyramidProcs(&data->previewPyramid, &procs);
        ASSERT_EQ(TryToAllocatePyramid_2006(&data->previewPyramid, kPreviewPyramidSide, kPreviewPyramidSide,
                                            kPyrColour8, 0, 0), 1);
        InitPyramidProcs(&source, &procs);
    }
    void TearDown() override {
        DisposePyramidData(&data->previewPyramid);
        DisposePyramidData(&source);
    }
    // A source whose red channel is the column and green the row.
    void MakeSource(int64_t w, int64_t h, int64_t kind) {
        ASSERT_EQ(TryToAllocatePyramid_2006(&source, w, h, kind, 0, 0), 1);
        for (int64_t y = 0; y < h; y++)
            for (int64_t x = 0; x < w; x++) {
                const float c[4] = {float(x) / float(w - 1), float(y) / float(h - 1), 0.25f, 1.0f};
                set_intcoord_unitary_color(x, y, &source, 0, c);
            }
        paint_mipmap_of_pyramid(&source);
    }
};

TEST_F(PreviewFixture, PartOfALevelIsCopiedPixelForPixelToTheCorner) {
    MakeSource(300, 200, kPyrColour8);
    const VRect rect{50, 100, 60, 140};  // top, left, bottom, right
    CopyPartOfPyrAtLevelIntoPyr(&source, 0, rect, &data->previewPyramid);
    for (int64_t y = 0; y < 10; y++)
        for (int64_t x = 0; x < 40; x++) {
            float a[4], b[4];
            get_intcoord_unitary_color(x + 100, y + 50, &source, 0, a);
            get_intcoord_unitary_color(x, y, &data->previewPyramid, 0, b);
            for (int c = 0; c < 4; c++) ASSERT_EQ(a[c], b[c]) << x << "," << y;
        }
}

TEST_F(PreviewFixture, GreyKindsArriveAsGrey) {
    ASSERT_EQ(TryToAllocatePyramid_2006(&source, 20, 20, kPyrGrey8, 0, 0), 1);
    for (int64_t y = 0; y < 20; y++)
        for (int64_t x = 0; x < 20; x++) set_intcoord_unitary_grey(x, y, &source, 0, float(x * 10) / 255.0f);
    CopyPartOfPyrAtLevelIntoPyr(&source, 0, VRect{0, 0, 20, 20}, &data->previewPyramid);
    float c[4];
    get_intcoord_unitary_color(7, 3, &data->previewPyramid, 0, c);
    EXPECT_NEAR(c[0], 70.0f / 255.0f, 1e-6);
    EXPECT_EQ(c[0], c[1]);
    EXPECT_EQ(c[1], c[2]);
}

TEST_F(PreviewFixture, RectanglesReachingPastEitherPictureAreClipped) {
    MakeSource(64, 64, kPyrColour8);
    // Past the source's right and bottom, and starting above its top: nothing
    // out of bounds is read or written (the sanitizer build checks).
    CopyPartOfPyrAtLevelIntoPyr(&source, 0, VRect{-10, 30, 500, 500}, &data->previewPyramid);
    float a[4], b[4];
    get_intcoord_unitary_color(33, 5, &source, 0, a);
    get_intcoord_unitary_color(3, 5, &data->previewPyramid, 0, b);
    EXPECT_EQ(a[0], b[0]);
    EXPECT_EQ(a[1], b[1]);
}

TEST_F(PreviewFixture, FilledPreviewScalesTheRectangleOntoTheWholePreview) {
    MakeSource(512, 512, kPyrColour8);
    // The left half of the picture at level 1 (256 x 128 there).
    Build_filled_preview_from_pyr(data.get(), &source, 1, VRect{0, 0, 256, 128});
    float left[4], right[4], bottom[4];
    get_intcoord_unitary_color(2, 64, &data->previewPyramid, 0, left);
    get_intcoord_unitary_color(125, 64, &data->previewPyramid, 0, right);
    get_intcoord_unitary_color(64, 125, &data->previewPyramid, 0, bottom);
    // Red follows the column across the left half only (0 .. 0.5).
    EXPECT_NEAR(left[0], 0.0f, 0.03f);
    EXPECT_NEAR(right[0], 0.5f, 0.03f);
    // Green spans the whole height.
    EXPECT_NEAR(bottom[1], 1.0f, 0.03f);
}

TEST_F(PreviewFixture, PreviewAndAnotherPyramidCopyBothWays) {
    MakeSource(kPreviewPyramidSide, kPreviewPyramidSide, kPyrColour8);
    CopyPyramidIntoPreview(data.get(), &source);
    EXPECT_EQ(get_pyramid_sample_point4_raw(77, 33, &data->previewPyramid, 0),
              get_pyramid_sample_point4_raw(77, 33, &source, 0));
    Build_blank_preview(data.get());
    CopyPreviewIntoPyramid(data.get(), &source);
    EXPECT_EQ(get_pyramid_sample_point4_raw(10, 20, &source, 0), get_pyramid_sample_point4_raw(10, 20, &data->previewPyramid, 0));
}

TEST_F(PreviewFixture, NothingHappensWithoutPreviewTiles) {
    MakeSource(32, 32, kPyrColour8);
    DisposePyramidData(&data->previewPyramid);
    const uint32_t before = get_pyramid_sample_point4_raw(5, 5, &source, 0);
    CopyPreviewIntoPyramid(data.get(), &source);
    CopyPyramidIntoPreview(data.get(), &source);
    Build_filled_preview_from_pyr(data.get(), &source, 0, VRect{0, 0, 32, 32});
    EXPECT_EQ(get_pyramid_sample_point4_raw(5, 5, &source, 0), before);
}

}  // namespace
