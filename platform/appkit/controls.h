// The AppKit controls the dialog uses, on Qt Widgets. Each keeps the value
// AppKit would keep (a slider its exact float, a colour well its exact 16-bit
// colour) and calls one action, the target/action pair of AppKit, when the
// user changes it. Pop-ups are QComboBox, check boxes QCheckBox, boxes
// QFrame. Main thread only.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "platform/host/host_types.h"

// Modifier flags of an event, as AppKit numbers them (option = Alt).
enum : uint32_t {
    NSEventModifierFlagShift = 1u << 17,
    NSEventModifierFlagControl = 1u << 18,
    NSEventModifierFlagOption = 1u << 19,
    NSEventModifierFlagCommand = 1u << 20,
};
uint32_t ModifierFlagsFromQt(Qt::KeyboardModifiers modifiers);

using Action = std::function<void(QWidget* sender)>;

// NSSlider: a float value between minValue and maxValue in steps of
// increment. The value set is kept exactly (no rounding, no clamping); the
// knob shows the nearest step. Continuous sliders send their action while
// dragged, others when released.
class Slider : public QSlider {
public:
    explicit Slider(QWidget* parent = nullptr);
    void setRange(double minValue, double maxValue, double increment);
    double minValue() const { return min_; }
    double maxValue() const { return max_; }
    double increment() const { return increment_; }
    void setContinuous(bool on) { continuous_ = on; }
    bool isContinuous() const { return continuous_; }
    float floatValue() const { return value_; }
    void setFloatValue(float value);
    // takeFloatValueFrom: a number field's text (no grouping, "." decimals);
    // unreadable text leaves the value.
    void takeFloatValueFrom(const QString& text);
    Action action;

private:
    void moved(int position);
    float value_ = 0.0f;
    double min_ = 0.0, max_ = 1.0, increment_ = 0.01;
    bool continuous_ = true;
};

// NSColorWell: an exact 16-bit colour shown as a swatch. A click makes it
// the active well of the shared colour panel.
class ColorWell : public QPushButton {
public:
    explicit ColorWell(QWidget* parent = nullptr);
    ~ColorWell() override;
    RGBColor color() const { return color_; }
    void setColor(RGBColor color);
    // As if the user chose the colour in the panel: sets it and sends the action.
    void userChose(RGBColor color);
    Action action;

private:
    RGBColor color_{0, 0, 0};
};

// NSColorPanel: one non-modal panel shared by every well, choosing the
// active well's colour in exact 16-bit components.
class ColorPanel : public QWidget {
public:
    ColorPanel();
    RGBColor color() const;
    // Shows the colour without telling the well.
    void setColor(RGBColor color);

private:
    void changed();
    class QSpinBox* components_[3];
    QWidget* swatch_;
    bool quiet_ = false;
};
ColorPanel* SharedColorPanel();
bool SharedColorPanelExists();
void CloseSharedColorPanel();

// NSButton that reports the mouse entering it (the memory dots); tag is the
// button's number, and the modifiers of the click that sent the action are
// kept for the action to read.
class HoverButton : public QPushButton {
public:
    explicit HoverButton(QWidget* parent = nullptr);
    int tag = -1;
    std::function<void(HoverButton*)> hovered;
    uint32_t clickModifiers() const { return clickModifiers_; }
    Action action;

protected:
    void enterEvent(QEnterEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    uint32_t clickModifiers_ = 0;
};

// NSStepper: an integer value that the up arrow raises and the down arrow
// lowers, then the action is sent.
class Stepper : public QWidget {
public:
    explicit Stepper(QWidget* parent = nullptr);
    int intValue() const { return value_; }
    void setIntValue(int value) { value_ = value; }
    void stepUp();
    void stepDown();
    Action action;

private:
    int value_ = 0;
};

// NSTextField whose key releases are reported (number fields).
class TextField : public QLineEdit {
public:
    explicit TextField(QWidget* parent = nullptr);
    std::function<void(TextField*)> keyUp;

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
};

// A push button, check box or pop-up sending an action on user changes.
void SetAction(QAbstractButton* button, Action action);
void SetAction(QComboBox* popup, Action action);

// NSWindow: a top-level window whose close button asks closeClicked instead
// of closing.
class Window : public QWidget {
public:
    explicit Window(QWidget* parent = nullptr);
    std::function<void()> closeClicked;
    // Escape that no control of the window took, as a dialog's Cancel key.
    std::function<void()> cancelKey;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// NSView with mouse tracking: the mouse's movement since the last event as
// deltas (points, y downward) and the event's modifiers.
class TrackingView : public QWidget {
public:
    explicit TrackingView(QWidget* parent = nullptr);

    virtual void viewMouseDown(double x, double y, uint32_t modifiers) { (void)x, (void)y, (void)modifiers; }
    virtual void viewMouseDragged(double deltaX, double deltaY) { (void)deltaX, (void)deltaY; }
    virtual void viewMouseUp() {}
    virtual void viewMouseEntered() {}
    virtual void viewMouseExited() {}

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPointF last_;
};
