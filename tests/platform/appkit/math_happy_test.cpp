// MathHappy's sizes, frames and random draws, and the crop geometry of
// drawing an image into a rectangle, against a brute-force reference.
#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>

#include "platform/appkit/image_crop.h"
#include "platform/appkit/math_happy.h"
#include "tests/platform/appkit/offscreen_app.h"

namespace {

using namespace MathHappy;

TEST(MathHappy, SizesPointsAndFrames) {
    const CGSize a = snuggle_toBeNotLargerThan({400, 300}, 200);
    EXPECT_EQ(a.width, 200);
    EXPECT_EQ(a.height, 150);
    const CGSize b = snuggle_toBeNotLargerThan({100, 50}, 200);
    EXPECT_EQ(b.width, 100);
    EXPECT_EQ(b.height, 50);
    const CGSize square = snuggle_toBeNotLargerThan({300, 300}, 100);  // the height when not strictly wider
    EXPECT_EQ(square.width, 100);
    EXPECT_EQ(square.height, 100);
    EXPECT_EQ(snuggle_soShortSideIs({40, 10}, 5).width, 20);
    EXPECT_EQ(snuggle_soLongSideIs({40, 10}, 8).height, 2);
    EXPECT_EQ(snuggle_soShortSideIs({0, 10}, 5).height, 10);
    const CGRect c = centerA_on({10, 7}, {{0, 0}, {101, 51}});
    EXPECT_EQ(c.origin.x, 50 - 5);
    EXPECT_EQ(c.origin.y, 25 - 3);
    EXPECT_DOUBLE_EQ(distanceBetween_andd({0, 0}, {3, 4}), 5);
    EXPECT_NEAR(angleBetween_andd({0, 0}, {-1, 0}), 0.0, 1e-12);
    EXPECT_NEAR(angleBetween_andd({0, 0}, {0, -1}), M_PI / 2.0, 1e-12);
    EXPECT_EQ(midpointOf_andd({0, 2}, {4, 4}).y, 3);
    EXPECT_EQ(gapFrom_to({1, 1}, {4, 5}).x, 3);
    EXPECT_EQ(GLSLrand(0), 0.0);
    const double g = GLSLrand(1.0);
    EXPECT_NEAR(g, std::fmod(std::sin(12.9898) * 43758.5453, 1.0), 1e-3);
    // Aspect fit: a wide image in a square view fills the width, centred vertically.
    const CGRect f = frameForImageCore_inImageViewAspectFit({200, 100}, {100, 100});
    EXPECT_EQ(f.size.width, 100);
    EXPECT_EQ(f.size.height, 50);
    EXPECT_EQ(f.origin.y, 25);
    const CGRect t = frameForImageCore_inImageViewAspectFit({100, 200}, {100, 100});
    EXPECT_EQ(t.size.width, 50);
    EXPECT_EQ(t.origin.x, 25);
}

TEST(MathHappy, RandomDrawsStayInBounds) {
    bool sawLow = false, sawHigh = false;
    for (int i = 0; i < 4000; ++i) {
        const double r = getRandom1();
        EXPECT_GE(r, 0.0);
        EXPECT_LE(r, 0.999);
        const double gauss = getRandomGaussianDistributed();
        EXPECT_GE(gauss, -4.0);
        EXPECT_LT(gauss, 4.0);
        EXPECT_EQ(RandomRangeFrom_to(5, 5), 5);
        const int64_t n = RandomRangeFrom_to(9, -3);  // either order
        EXPECT_GE(n, -3);
        EXPECT_LE(n, 9);
        sawLow |= n == -3, sawHigh |= n == 9;
        const double f = RandomRangeFloatFrom_to(0.25, 0.5);
        EXPECT_GE(f, 0.25 - 1e-9);
        EXPECT_LE(f, 0.5 + 1e-9);
        EXPECT_NEAR(f * 10000.0, std::round(f * 10000.0), 1e-6);
    }
    EXPECT_TRUE(sawLow && sawHigh);
    const std::vector<int> none;
    EXPECT_EQ(randomObject(none), nullptr);
    const std::vector<int> some{4, 5, 6};
    for (int i = 0; i < 50; ++i) {
        const int* p = randomObject(some);
        ASSERT_NE(p, nullptr);
        EXPECT_GE(*p, 4);
        EXPECT_LE(*p, 6);
    }
}

// The reference: the smallest scale that covers the rectangle, found by
// bisection, then the visible window placed by the method's anchor.
CGRect ReferenceCrop(double iw, double ih, double W, double H, int method) {
    double lo = 0.0, hi = 1e6;
    for (int i = 0; i < 200; ++i) {
        const double k = (lo + hi) / 2.0;
        (iw * k >= W && ih * k >= H ? hi : lo) = k;
    }
    const double sw = W / hi, sh = H / hi;
    const double ex = iw - sw, ey = ih - sh;  // what is cut away, source pixels
    const bool wider = iw / ih > W / H;
    double x = ex / 2.0, y = ey / 2.0;
    if (method == 1) x = wider ? 0.0 : ex / 2.0, y = wider ? 0.0 : ey;  // left, or top (y upward)
    if (method == 2) x = wider ? ex : 0.0, y = wider ? ey / 2.0 : 0.0;  // right, or bottom
    return {{x, y}, {sw, sh}};
}

TEST(ImageCrop, CropMethodsAgainstBruteForce) {
    for (int iw = 1; iw <= 13; iw += 2)
        for (int ih = 1; ih <= 11; ih += 2)
            for (int W = 2; W <= 40; W += 7)
                for (int H = 3; H <= 40; H += 9)
                    for (int method = 0; method <= 3; ++method) {
                        const KVCropPlan plan = KVCropPlanFor({double(iw), double(ih)}, {{5, 7}, {double(W), double(H)}}, method);
                        SCOPED_TRACE(testing::Message() << iw << "x" << ih << " into " << W << "x" << H << " by " << method);
                        if (method == 3) {
                            // Fit: the whole image, proportions kept, touching two sides, centred.
                            EXPECT_EQ(plan.source.size.width, iw);
                            const double k = plan.target.size.width / iw;
                            EXPECT_NEAR(plan.target.size.height, ih * k, 1e-9);
                            EXPECT_TRUE(std::abs(plan.target.size.width - W) < 1e-9 || std::abs(plan.target.size.height - H) < 1e-9);
                            EXPECT_NEAR(plan.target.origin.x - 5, W - plan.target.origin.x + 5 - plan.target.size.width, 1e-9);
                            EXPECT_NEAR(plan.target.origin.y - 7, H - plan.target.origin.y + 7 - plan.target.size.height, 1e-9);
                            continue;
                        }
                        const CGRect ref = ReferenceCrop(iw, ih, W, H, method);
                        // One target pixel, in source pixels: what the covering size's truncation may move.
                        const double tol = std::max(iw / double(W), ih / double(H)) + 1e-6;
                        EXPECT_NEAR(plan.source.size.width, ref.size.width, 1e-6);
                        EXPECT_NEAR(plan.source.size.height, ref.size.height, 1e-6);
                        EXPECT_NEAR(plan.source.origin.x, ref.origin.x, tol);
                        EXPECT_NEAR(plan.source.origin.y, ref.origin.y, tol);
                        EXPECT_EQ(plan.target.size.width, W);
                    }
}

TEST(ImageCrop, DrawnCropsAndFitBands) {
    ASSERT_TRUE(OffscreenApplication());
    // A tall image: red top half, blue bottom half.
    QImage tall(10, 40, QImage::Format_ARGB32_Premultiplied);
    tall.fill(Qt::blue);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 10; ++x) tall.setPixel(x, y, qRgba(255, 0, 0, 255));
    auto colourAt = [](const QImage& i, int x, int y) { return i.pixel(x, y) & 0xFFFFFF; };
    EXPECT_EQ(colourAt(imageToFitSize(tall, {20, 20}, 1), 10, 18), 0xFF0000u);  // the top
    EXPECT_EQ(colourAt(imageToFitSize(tall, {20, 20}, 2), 10, 1), 0x0000FFu);   // the bottom
    const QImage centred = imageCroppedToFitSize(tall, {20, 20});
    EXPECT_EQ(colourAt(centred, 10, 2), 0xFF0000u);
    EXPECT_EQ(colourAt(centred, 10, 17), 0x0000FFu);
    // A wide image twice the rectangle's proportions leaves equal bands above and below.
    QImage wide(40, 10, QImage::Format_ARGB32_Premultiplied);
    wide.fill(Qt::green);
    const QImage fit = imageScaledToFitSize(wide, {20, 10});
    // Coverage row by row mirrors about the middle: bands of 2.5 rows each.
    double covered = 0.0;
    for (int y = 0; y < 5; ++y) {
        EXPECT_NEAR(qAlpha(fit.pixel(10, y)), qAlpha(fit.pixel(10, 9 - y)), 2) << y;
        covered += qAlpha(fit.pixel(10, y)) / 255.0;
    }
    EXPECT_NEAR(covered, 2.5, 0.05);
    EXPECT_EQ(qAlpha(fit.pixel(10, 0)), 0);
    EXPECT_EQ(qAlpha(fit.pixel(10, 5)), 255);
    // Cut-outs: the rect's origin counts from the bottom left.
    QImage marks(4, 4, QImage::Format_ARGB32_Premultiplied);
    marks.fill(Qt::white);
    marks.setPixel(3, 3, qRgba(0, 0, 0, 255));  // bottom right
    const QImage cut = extractRect(marks, {{2, 0}, {2, 2}});
    EXPECT_EQ(colourAt(cut, 1, 1), 0u);
    EXPECT_EQ(imageResizedToNewSize(QImage(), {4, 4}).isNull(), true);
    EXPECT_EQ(trimToRect(marks, {{99, 99}, {6, 6}}).pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);
    QImage copy = independentCopy(marks);
    copy.setPixel(0, 0, 0);
    EXPECT_NE(copy.pixel(0, 0), marks.pixel(0, 0));
}

}  // namespace

