// Preview zoom and offsets: offsets stay valid, zooming keeps the centre,
// the zoom buttons' entries follow the divisor.
#include <gtest/gtest.h>

#include <random>

#include "host_access/host_rects.h"
#include "tests/ui/ui_fixture.h"
#include "ui/preview_zoom.h"

namespace {

int64_t MaxX(const Data& d, int64_t s) {
    return std::max<int64_t>(0, (d.filterRect.right / s - d.filterRect.left / s -
                                 (d.previewArea.right - d.previewArea.left)) * s);
}
int64_t MaxY(const Data& d, int64_t s) {
    return std::max<int64_t>(0, (d.filterRect.bottom / s - d.filterRect.top / s -
                                 (d.previewArea.bottom - d.previewArea.top)) * s);
}

TEST(PreviewZoom, OffsetsStayWithinTheImageUnderRandomZoomPanAndResize) {
    UiRecords r(3001, 1777);
    std::mt19937 random(7);
    CopeWithProxiesSizeChange_Cocoa_Pixels(300, 400);
    for (int step = 0; step < 3000; ++step) {
        int64_t changed = 0;
        switch (random() % 4) {
            case 0: Handle3Zoomers(r.data.get(), 32 + random() % 3, &changed); break;
            case 1:
                r.params->previewOffset.x += int32_t(random() % 2001) - 1000;
                r.params->previewOffset.y += int32_t(random() % 2001) - 1000;
                ClampProxyOffsets(r.data.get(), r.params->proxyScale);
                break;
            case 2: CopeWithProxiesSizeChange_Cocoa_Pixels(50 + random() % 2000, 50 + random() % 3500); break;
            default: FixZoomers(r.data.get()); break;
        }
        const int64_t s = r.params->proxyScale;
        ASSERT_GE(s, 1);
        ASSERT_GE(r.params->previewOffset.x, 0);
        ASSERT_GE(r.params->previewOffset.y, 0);
        ASSERT_LE(r.params->previewOffset.x, MaxX(*r.data, s)) << step;
        ASSERT_LE(r.params->previewOffset.y, MaxY(*r.data, s)) << step;
    }
}

TEST(PreviewZoom, InThenOutKeepsTheCentreWithinOneStep) {
    UiRecords r(4000, 4000);
    CopeWithProxiesSizeChange_Cocoa_Pixels(400, 400);   // largest divisor 10
    ASSERT_EQ(r.data->zoomDivisorCopy, 10);
    for (int32_t s = 3; s <= 9; ++s) {
        r.params->proxyScale = s;
        SetUpFilterRecordForProxy(r.data.get(), s);
        r.params->previewOffset = PreviewOffset{1500, 1300};   // far from every edge
        ClampProxyOffsets(r.data.get(), s);
        const PreviewOffset before = r.params->previewOffset;
        // The image point at the pane's centre, full-resolution pixels.
        const double cx = before.x + 200.0 * s, cy = before.y + 200.0 * s;
        int64_t changed = 0;
        Handle3Zoomers(r.data.get(), kItemZoomIn, &changed);
        ASSERT_EQ(changed, 1);
        ASSERT_EQ(r.params->proxyScale, s - 1);
        EXPECT_NEAR(r.params->previewOffset.x + 200.0 * (s - 1), cx, s);
        EXPECT_NEAR(r.params->previewOffset.y + 200.0 * (s - 1), cy, s);
        Handle3Zoomers(r.data.get(), kItemZoomOut, &changed);
        ASSERT_EQ(r.params->proxyScale, s);
        EXPECT_NEAR(r.params->previewOffset.x, before.x, s);
        EXPECT_NEAR(r.params->previewOffset.y, before.y, s);
    }
}

TEST(PreviewZoom, FromAWholeImageSmallerThanThePaneZoomingKeepsTheImageCentre) {
    // 6000 x 3000 in a 480 x 554 pane: at the fit divisor 13 the image is
    // 461 x 230, less than the pane's height.
    UiRecords r(6000, 3000);
    CopeWithProxiesSizeChange_Cocoa_Pixels(554, 480);
    ASSERT_EQ(r.data->zoomDivisorCopy, 13);
    r.params->proxyScale = 13;
    SetUpFilterRecordForProxy(r.data.get(), 13);
    int64_t changed = 0;
    Handle3Zoomers(r.data.get(), kItemZoom100, &changed);
    ASSERT_EQ(r.params->proxyScale, 1);
    // The pane now shows 480 x 554 pixels around the image's centre.
    EXPECT_NEAR(r.params->previewOffset.x + 240, 3000, 13);
    EXPECT_NEAR(r.params->previewOffset.y + 277, 1500, 13);
}

TEST(PreviewZoom, ZoomEntriesMatchTheirTableForEveryDivisorPair) {
    UiRecords r;
    for (int64_t s = 1; s <= 8; ++s)
        for (int64_t m = 1; m <= 8; ++m) {
            r.params->proxyScale = int32_t(s);
            r.data->zoomDivisorCopy = m;
            FixZoomers(r.data.get());
            const int64_t* t = r.storage->controlEnabling;
            EXPECT_EQ(t[kItemZoomIn] != 0, s >= 2) << s << " " << m;
            EXPECT_EQ(t[kItemZoomOut] != 0, m > s) << s << " " << m;
            EXPECT_EQ(t[kItemZoom100] != 0, s >= 2 || !(m == 1 && s == 1)) << s << " " << m;
        }
    // A host that cannot zoom previews: all three off, and no zoom happens.
    r.record->displayPixels = nullptr;
    r.params->proxyScale = 3;
    r.data->zoomDivisorCopy = 6;
    FixZoomers(r.data.get());
    EXPECT_EQ(r.storage->controlEnabling[kItemZoomIn] | r.storage->controlEnabling[kItemZoomOut] |
                  r.storage->controlEnabling[kItemZoom100], 0);
    int64_t changed = 0;
    Handle3Zoomers(r.data.get(), kItemZoomIn, &changed);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(r.params->proxyScale, 3);
}

TEST(PreviewZoom, EdgeCases) {
    UiRecords r(300, 200);
    // A pane larger than the image: preview of the image's size, divisor 1, offsets 0.
    r.params->previewOffset = PreviewOffset{40, 40};
    CopeWithProxiesSizeChange_Cocoa_Pixels(600, 800);
    EXPECT_EQ(r.data->previewArea.right, 300);
    EXPECT_EQ(r.data->previewArea.bottom, 200);
    EXPECT_EQ(r.data->zoomDivisorCopy, 1);
    EXPECT_EQ(r.params->previewOffset.x, 0);
    EXPECT_EQ(r.params->previewOffset.y, 0);
    // Zoom in at 1 changes nothing.
    int64_t changed = 0;
    Handle3Zoomers(r.data.get(), kItemZoomIn, &changed);
    EXPECT_EQ(changed, 0);

    UiRecords big(2000, 1000);
    CopeWithProxiesSizeChange_Cocoa_Pixels(100, 100);   // largest divisor 20
    big.params->proxyScale = 1;
    SetUpFilterRecordForProxy(big.data.get(), 1);
    // Offsets beyond the image end the visible part at its right and bottom edge.
    big.params->previewOffset = PreviewOffset{5000, 5000};
    ClampProxyOffsets(big.data.get(), 1);
    EXPECT_EQ(big.params->previewOffset.x, 1900);
    EXPECT_EQ(big.params->previewOffset.y, 900);
    // Zooming out to the largest divisor puts both offsets at 0.
    big.params->proxyScale = 19;
    big.params->previewOffset = PreviewOffset{10, 10};
    Handle3Zoomers(big.data.get(), kItemZoomOut, &changed);
    EXPECT_EQ(big.params->proxyScale, 20);
    EXPECT_EQ(big.params->previewOffset.x, 0);
    EXPECT_EQ(big.params->previewOffset.y, 0);
}

}  // namespace
