// Fade transitions on the test clock: the timing curve against the Bezier
// solved independently, and the cross-fade of a label's old and new look.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPainter>
#include <cmath>

#include "platform/appkit/animation.h"
#include "platform/appkit/run_loop.h"
#include "tests/platform/appkit/offscreen_app.h"

namespace {

// The Bezier with control points (0.42, 0) and (0.58, 1), by Newton's method on x.
double EaseByNewton(double x) {
    const auto bx = [](double s) { return 3 * (1 - s) * (1 - s) * s * 0.42 + 3 * (1 - s) * s * s * 0.58 + s * s * s; };
    const auto dbx = [](double s) {
        return 3 * 0.42 * (1 - s) * (1 - 3 * s) + 3 * 0.58 * s * (2 - 3 * s) + 3 * s * s;
    };
    double s = x;
    for (int i = 0; i < 50; ++i) {
        const double d = dbx(s);
        if (std::abs(d) < 1e-12) break;
        s = std::clamp(s - (bx(s) - x) / d, 0.0, 1.0);
    }
    return 3 * (1 - s) * s * s + s * s * s;
}

TEST(Animation, EaseInEaseOutIsTheBezierOfCoreAnimation) {
    for (int i = 0; i <= 100; ++i) {
        const double t = i / 100.0;
        EXPECT_NEAR(CAMediaTimingFunctionEaseInEaseOut(t), EaseByNewton(t), 1e-9) << t;
        EXPECT_NEAR(CAMediaTimingFunctionEaseInEaseOut(t) + CAMediaTimingFunctionEaseInEaseOut(1 - t), 1.0, 1e-9);
    }
    EXPECT_EQ(CAMediaTimingFunctionEaseInEaseOut(-1.0), 0.0);
    EXPECT_EQ(CAMediaTimingFunctionEaseInEaseOut(2.0), 1.0);
}

struct FadeTest : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(OffscreenApplication());
        UseTestClock(true);
    }
    void TearDown() override { UseTestClock(false); }
};

// A white pane with a black block label that becomes empty: the block's
// pixels go from black to white by the curve.
TEST_F(FadeTest, TheOldLookCrossFadesIntoTheNew) {
    QWidget pane;
    pane.resize(100, 60);
    pane.setAutoFillBackground(true);
    pane.setPalette(QPalette(Qt::white));
    QLabel label(&pane);
    label.setGeometry(10, 10, 40, 20);
    label.setAutoFillBackground(true);
    label.setPalette(QPalette(Qt::black));
    const auto grey = [&pane] { return qRed(pane.grab().toImage().pixel(20, 20)); };
    ASSERT_EQ(grey(), 0);
    CATransitionFade_addToView(&label, "changeTextTransition", 0.5);
    label.setPalette(QPalette(Qt::white));
    EXPECT_EQ(grey(), 0);
    for (double t : {0.1, 0.25, 0.4}) {
        AdvanceTestClock(t - (t == 0.1 ? 0.0 : t == 0.25 ? 0.1 : 0.25));
        const double mixed = 255.0 * CAMediaTimingFunctionEaseInEaseOut(t / 0.5);
        EXPECT_NEAR(grey(), mixed, 2.0) << t;
        EXPECT_NEAR(CATransitionFade_oldLookOpacity(&label, "changeTextTransition"), 1.0 - mixed / 255.0, 1e-9);
    }
    AdvanceTestClock(0.1);
    EXPECT_EQ(grey(), 255);
    EXPECT_EQ(CATransitionFade_oldLookOpacity(&label, "changeTextTransition"), 0.0);
    // Other keys, views without a parent and empty durations have no fade.
    EXPECT_EQ(CATransitionFade_oldLookOpacity(&label, "changeImage"), 0.0);
    QLabel alone;
    CATransitionFade_addToView(&alone, "changeTextTransition", 0.5);
    EXPECT_EQ(CATransitionFade_oldLookOpacity(&alone, "changeTextTransition"), 0.0);
    CATransitionFade_addToView(&label, "changeImage", 0.0);
    EXPECT_EQ(CATransitionFade_oldLookOpacity(&label, "changeImage"), 0.0);
}

}  // namespace
