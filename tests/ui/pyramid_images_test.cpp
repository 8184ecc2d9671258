// Pictures between pyramids and images: round trips, the premultiplied
// example, cut and partial rectangles, grey, the preset preview and the
// memory-dot thumbnail of a saved dot.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "host_access/host_rects.h"
#include "platform/appkit/bitmap.h"
#include "platform/appkit/run_loop.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "tests/pyramid/pyramid_fixture.h"
#include "tests/platform/appkit/offscreen_app.h"
#include "tests/ui/ui_fixture.h"
#include "ui/dialog.h"
#include "ui/proxy_view.h"
#include "ui/pyramid_images.h"

namespace {

namespace fs = std::filesystem;


TEST(PyramidImages, RoundTripExactWhenOpaqueWithinAStepFromHalfAlpha) {
    ASSERT_TRUE(OffscreenApplication());
    TestPyramid a(37, 23, kPyrColour8, 0), b(37, 23, kPyrColour8, 0);
    ASSERT_TRUE(a.ok);
    std::mt19937 random(5);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            set_pyramid_sample_point4(x, y, a.get(), 0, byte(random), byte(random), byte(random),
                                      (x + y) % 3 == 0 ? 255 : byte(random));
    const QImage image = NSImageFromPyr(a.get());
    ASSERT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(image.size(), QSize(37, 23));
    Copy_NSBitmapImageRep_to_pyr(image, b.get());
    EXPECT_EQ(b->mipmapState, 1);
    int opaque = 0, half = 0;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            const uint32_t pa = get_pyramid_sample_point4_raw(x, y, a.get(), 0);
            const uint32_t pb = get_pyramid_sample_point4_raw(x, y, b.get(), 0);
            const int alpha = int(pa & 255);
            if (alpha == 255) {
                ++opaque;
                EXPECT_EQ(pa, pb) << x << "," << y;
            } else if (alpha >= 128) {
                ++half;
                for (int shift : {24, 16, 8, 0})
                    EXPECT_LE(std::abs(int((pa >> shift) & 255) - int((pb >> shift) & 255)), 1) << x << "," << y;
            }
        }
    EXPECT_GT(opaque, 200);
    EXPECT_GT(half, 100);
}

TEST(PyramidImages, PremultipliedHalfAlphaExample) {
    ASSERT_TRUE(OffscreenApplication());
    // A premultiplied pixel of red 0.25 and alpha 0.5 is straight red 0.5.
    QImage rep = NSBitmapImageRep_makeRGBA(1, 1, 16);
    const float stored[4] = {0.25f, 0.0f, 0.0f, 0.5f};
    NSBitmapImageRep_setStored(&rep, 0, 0, stored);
    TestPyramid p(1, 1, kPyrColourFloat, 0);
    ASSERT_TRUE(p.ok);
    Copy_NSBitmapImageRep_to_pyr(rep, p.get());
    float c[4];
    get_intcoord_unitary_color(0, 0, p.get(), 0, c);
    EXPECT_NEAR(c[0], 0.5f, 1e-4);
    EXPECT_NEAR(c[3], 0.5f, 1e-4);
    QImage back = NSImageFromPyr(p.get());
    ASSERT_EQ(back.format(), QImage::Format_RGBA64_Premultiplied);
    float s[4];
    NSBitmapImageRep_getStored(back, 0, 0, s);
    EXPECT_NEAR(s[0], 0.25f, 1e-4);
    EXPECT_NEAR(s[3], 0.5f, 1e-4);
    // Alpha 0 keeps the colour as stored, undivided.
    const float clear[4] = {0.2f, 0.0f, 0.0f, 0.0f};
    NSBitmapImageRep_setStored(&rep, 0, 0, clear);
    Copy_NSBitmapImageRep_to_pyr(rep, p.get());
    get_intcoord_unitary_color(0, 0, p.get(), 0, c);
    EXPECT_NEAR(c[0], 0.2f, 1e-4);
}

TEST(PyramidImages, CommonRectangleAndGrey) {
    ASSERT_TRUE(OffscreenApplication());
    // A larger image is cut to the pyramid; a smaller one fills its own rectangle.
    TestPyramid p(4, 3, kPyrColour8, 0);
    ASSERT_TRUE(p.ok);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) set_pyramid_sample_point4(x, y, p.get(), 0, 1, 2, 3, 255);
    QImage big(10, 10, QImage::Format_ARGB32_Premultiplied);
    big.fill(qRgba(255, 0, 0, 255));
    Copy_NSBitmapImageRep_to_pyr(big, p.get());
    EXPECT_EQ(get_pyramid_sample_point4_raw(3, 2, p.get(), 0), 0xFF0000FFu);
    QImage small(2, 1, QImage::Format_ARGB32_Premultiplied);
    small.fill(qRgba(0, 0, 255, 255));
    Copy_NSBitmapImageRep_to_pyr(small, p.get());
    EXPECT_EQ(get_pyramid_sample_point4_raw(1, 0, p.get(), 0), 0x0000FFFFu);
    EXPECT_EQ(get_pyramid_sample_point4_raw(2, 0, p.get(), 0), 0xFF0000FFu);
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 1, p.get(), 0), 0xFF0000FFu);
    // A grey image fills the three colour channels with its grey.
    QImage grey = NSBitmapImageRep_makeGrey(4, 3, 8);
    grey.fill(77);
    Copy_NSBitmapImageRep_to_pyr(grey, p.get());
    EXPECT_EQ(get_pyramid_sample_point4_raw(2, 1, p.get(), 0), 0x4D4D4DFFu);
    // A grey pyramid gives a grey image.
    TestPyramid g(3, 2, kPyrGrey8, 0);
    ASSERT_TRUE(g.ok);
    set_pyramid_sample_point1(2, 1, g.get(), 0, 200);
    const QImage gi = NSImageFromPyr(g.get());
    ASSERT_EQ(gi.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(gi.constScanLine(1)[2], 200);
    PyramidDescriptor none{};
    EXPECT_TRUE(NSImageFromPyr(&none).isNull());
}

TEST(PyramidImages, PresetPreviewAndDotThumbnailOfTheEarth) {
    ASSERT_TRUE(OffscreenApplication());
    const fs::path support = fs::temp_directory_path() / ("vornesk-thumb-test-" + std::to_string(getpid()));
    fs::create_directories(support);
    setenv("VORNESK_SUPPORT_DIR", support.c_str(), 1);
    UiRecords records(1200, 600);
    // The host's buffer procedures: the settings writer encodes previews only with them.
    BufferProcs procs{};
    InitPyramidProcs(&records.data->previewPyramid, &procs);
    ASSERT_EQ(TryToAllocatePyramid_2006(&records.data->previewPyramid, 128, 128, kPyrColour8, 0, 0), 1);

    // The preview: half red, half blue, reduced into the 128-pixel preset preview.
    QImage halves(256, 256, QImage::Format_ARGB32_Premultiplied);
    halves.fill(qRgba(255, 0, 0, 255));
    for (int y = 0; y < 256; ++y)
        for (int x = 128; x < 256; ++x) halves.setPixel(x, y, qRgba(0, 0, 255, 255));
    BuildPreviewFromNSImage(halves);
    EXPECT_EQ(get_pyramid_sample_point4_raw(10, 64, &records.data->previewPyramid, 0), 0xFF0000FFu);
    EXPECT_EQ(get_pyramid_sample_point4_raw(117, 64, &records.data->previewPyramid, 0), 0x0000FFFFu);

    const QImage earth = QImage(QString(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg");
    ASSERT_FALSE(earth.isNull());
    UseTestClock(true);
    ProxyView_Tarnwhistle_pano::renderForPreview() = [&earth](proxyBufferRecord* pbr) {
        const QImage e = earth.scaled(pbr->width, pbr->height).convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < pbr->height; ++y)
            for (int x = 0; x < pbr->width; ++x) {
                const QRgb c = e.pixel(x, y);
                const int64_t i = int64_t(y) * pbr->width + x;
                pbr->pixels[i] = uint8_t(qRed(c));
                if (pbr->planes >= 3) {
                    pbr->pixels[i + pbr->pixelCount] = uint8_t(qGreen(c));
                    pbr->pixels[i + 2 * int64_t(pbr->pixelCount)] = uint8_t(qBlue(c));
                }
            }
    };
    Controller_Tarnwhistle_pano* c = Controller_Tarnwhistle_pano::sharedInstance();
    c->dissolveWindow->resize(1000, 700);
    c->startingUp();
    c->beginShowWindow();
    for (int i = 0; i < 2; ++i) NSApp_modalPass(false);
    AdvanceTestClock(0.2);
    for (int i = 0; i < 2; ++i) NSApp_modalPass(false);
    c->DoTotalMemoryDotSave(4);
    c->ReactToHoverOverEmptyMemoryDot(false);
    EXPECT_TRUE(c->MemdotThumbnail->icon().isNull());
    c->ReactToHoverOverMemoryDot(4, true, false);
    ASSERT_FALSE(c->MemdotThumbnail->icon().isNull());
    const QImage shown = c->MemdotThumbnail->icon().pixmap(QSize(128, 128)).toImage();
    // The oceans make the Earth bluer than red on the whole.
    int64_t red = 0, blue = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) red += qRed(shown.pixel(x, y)), blue += qBlue(shown.pixel(x, y));
    EXPECT_GT(blue, red);
    const QString folder = QString(VORNESK_BINARY_DIR) + "/screenshots";
    QDir().mkpath(folder);
    c->MemdotThumbnail->grab().save(folder + "/dot-thumbnail-earth.png");
    NSApp_stopModalWithCode(0);
    c->endShowWindow();
    c->shuttingDown();
    Controller_Tarnwhistle_pano::releaseSharedInstance();
    UseTestClock(false);
    DisposePyramidData(&records.data->previewPyramid);
    fs::remove_all(support);
}

}  // namespace
