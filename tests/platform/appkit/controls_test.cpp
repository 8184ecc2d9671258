// The AppKit controls on Qt: exact values, actions, modifiers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QSpinBox>

#include "platform/appkit/controls.h"
#include "tests/platform/appkit/offscreen_app.h"

namespace {

struct ControlsTest : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(OffscreenApplication()); }
};

TEST_F(ControlsTest, SliderKeepsTheExactFloatItWasGiven) {
    Slider s;
    s.setRange(-180.0, 180.0, 0.1);
    for (float v : {0.0f, 33.333f, -179.99994f, 1e-7f, 200.5f, -1000.0f}) {
        s.setFloatValue(v);
        EXPECT_EQ(s.floatValue(), v);
    }
    s.takeFloatValueFrom("12.125");
    EXPECT_EQ(s.floatValue(), 12.125f);
    s.takeFloatValueFrom("1,200");   // not a number here: unchanged
    EXPECT_EQ(s.floatValue(), 12.125f);
}

TEST_F(ControlsTest, SliderMovedByTheUserTakesItsStepAndSendsItsAction) {
    Slider s;
    s.setRange(0.0, 10.0, 0.5);
    int actions = 0;
    s.action = [&actions](QWidget*) { ++actions; };
    s.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(actions, 1);
    EXPECT_FLOAT_EQ(s.floatValue(), 0.5f);
}

TEST_F(ControlsTest, EverySixteenBitColourSurvivesWellAndPanel) {
    ColorWell well;
    for (uint32_t v = 0; v <= 65535; ++v) {
        const RGBColor c{uint16_t(v), uint16_t(65535 - v), uint16_t(v * 7)};
        well.setColor(c);
        const RGBColor back = well.color();
        ASSERT_EQ(back.red, c.red);
        ASSERT_EQ(back.green, c.green);
        ASSERT_EQ(back.blue, c.blue);
    }
    // Through the shared panel: each component the user sets reaches the
    // active well exactly and sends its action.
    int actions = 0;
    well.action = [&actions](QWidget*) { ++actions; };
    well.click();
    ASSERT_TRUE(SharedColorPanelExists());
    const QList<QSpinBox*> components = SharedColorPanel()->findChildren<QSpinBox*>();
    ASSERT_EQ(components.size(), 3);
    for (uint32_t v : {1u, 257u, 32767u, 65534u, 65535u}) {
        const uint32_t wanted[3] = {v, 3, 65535 - v};
        for (int i = 0; i < 3; ++i) {
            const int before = actions;
            const bool changes = components[i]->value() != int(wanted[i]);
            components[i]->setValue(int(wanted[i]));
            EXPECT_EQ(actions, before + (changes ? 1 : 0));
        }
        EXPECT_EQ(well.color().red, v);
        EXPECT_EQ(well.color().green, 3);
        EXPECT_EQ(well.color().blue, 65535 - v);
    }
    CloseSharedColorPanel();
    EXPECT_FALSE(SharedColorPanel()->isVisible());
}

TEST_F(ControlsTest, OptionIsAltAndControlIsCtrl) {
    EXPECT_EQ(ModifierFlagsFromQt(Qt::AltModifier), NSEventModifierFlagOption);
    EXPECT_EQ(ModifierFlagsFromQt(Qt::ControlModifier), NSEventModifierFlagControl);
    EXPECT_EQ(ModifierFlagsFromQt(Qt::ShiftModifier | Qt::MetaModifier),
              NSEventModifierFlagShift | NSEventModifierFlagCommand);
    HoverButton button;
    uint32_t seen = 0;
    button.action = [&seen, &button](QWidget*) { seen = button.clickModifiers(); };
    button.resize(40, 20);
    const QPointF at(20, 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, button.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::AltModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, button.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::AltModifier);
    QCoreApplication::sendEvent(&button, &press);
    QCoreApplication::sendEvent(&button, &release);
    EXPECT_EQ(seen, NSEventModifierFlagOption);
}

TEST_F(ControlsTest, StepperArrowsMoveItsValueAndSendTheAction) {
    Stepper stepper;
    int last = 99;
    stepper.action = [&last](QWidget* w) { last = static_cast<Stepper*>(w)->intValue(); };
    stepper.stepUp();
    EXPECT_EQ(last, 1);
    stepper.setIntValue(0);
    stepper.stepDown();
    EXPECT_EQ(last, -1);
}

}  // namespace
