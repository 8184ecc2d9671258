#include "platform/appkit/controls.h"

#include <QCloseEvent>
#include <QEnterEvent>
#include <QFormLayout>
#include <QSpinBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPointer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

uint32_t ModifierFlagsFromQt(Qt::KeyboardModifiers modifiers) {
    uint32_t flags = 0;
    if (modifiers & Qt::ShiftModifier) flags |= NSEventModifierFlagShift;
    if (modifiers & Qt::ControlModifier) flags |= NSEventModifierFlagControl;
    if (modifiers & Qt::AltModifier) flags |= NSEventModifierFlagOption;
    if (modifiers & Qt::MetaModifier) flags |= NSEventModifierFlagCommand;
    return flags;
}

// ---- Slider ----

namespace {
constexpr int kMaxSliderSteps = 1 << 20;
}

Slider::Slider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0.0, 1.0, 0.01);
    QObject::connect(this, &QSlider::sliderMoved, this, [this](int p) { moved(p); });
    QObject::connect(this, &QSlider::actionTriggered, this, [this](int a) {
        if (a != SliderMove && a != SliderNoAction) moved(sliderPosition());
    });
    QObject::connect(this, &QSlider::sliderReleased, this, [this] {
        if (!continuous_ && action) action(this);
    });
}

void Slider::setRange(double minValue, double maxValue, double increment) {
    min_ = minValue;
    max_ = std::max(minValue, maxValue);
    increment_ = increment > 0.0 ? increment : (max_ - min_) / 100.0;
    if (!(increment_ > 0.0)) increment_ = 1.0;
    int steps = int(std::min<double>(kMaxSliderSteps, std::llround((max_ - min_) / increment_)));
    QSlider::setRange(0, steps);
    setFloatValue(value_);
}

void Slider::setFloatValue(float value) {
    value_ = value;
    double step = std::round((double(value) - min_) / increment_);
    if (!(step == step)) step = 0;
    step = std::clamp(step, 0.0, double(maximum()));
    QSignalBlocker block(this);
    setSliderPosition(int(step));
    setValue(int(step));
}

void Slider::takeFloatValueFrom(const QString& text) {
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    bool ok = false;
    double v = c.toDouble(text.trimmed(), &ok);
    if (ok) setFloatValue(float(v));
}

void Slider::moved(int position) {
    value_ = float(min_ + position * increment_);
    if (continuous_ && action) action(this);
}

// ---- colour wells and the shared panel ----

namespace {

QPointer<ColorPanel>& PanelPointer() {
    static QPointer<ColorPanel> panel;
    return panel;
}

QPointer<ColorWell>& ActiveWell() {
    static QPointer<ColorWell> well;
    return well;
}

QColor QColorFromRGB(RGBColor c) { return QColor::fromRgba64(c.red, c.green, c.blue, 65535); }


}  // namespace

ColorPanel::ColorPanel() : QWidget(nullptr, Qt::Tool) {
    setObjectName("colorPanel");
    setWindowTitle("Colours");
    auto* layout = new QFormLayout(this);
    swatch_ = new QWidget(this);
    swatch_->setMinimumSize(120, 40);
    layout->addRow(swatch_);
    const char* names[3] = {"Red", "Green", "Blue"};
    for (int i = 0; i < 3; ++i) {
        components_[i] = new QSpinBox(this);
        components_[i]->setRange(0, 65535);
        layout->addRow(names[i], components_[i]);
        QObject::connect(components_[i], &QSpinBox::valueChanged, this, [this](int) { changed(); });
    }
}

RGBColor ColorPanel::color() const {
    return RGBColor{uint16_t(components_[0]->value()), uint16_t(components_[1]->value()),
                    uint16_t(components_[2]->value())};
}

void ColorPanel::setColor(RGBColor c) {
    quiet_ = true;
    components_[0]->setValue(c.red);
    components_[1]->setValue(c.green);
    components_[2]->setValue(c.blue);
    quiet_ = false;
    swatch_->setStyleSheet(QString("background-color: %1;").arg(QColorFromRGB(c).name()));
}

void ColorPanel::changed() {
    RGBColor c = color();
    swatch_->setStyleSheet(QString("background-color: %1;").arg(QColorFromRGB(c).name()));
    if (quiet_) return;
    if (ColorWell* well = ActiveWell().data()) well->userChose(c);
}

ColorPanel* SharedColorPanel() {
    QPointer<ColorPanel>& panel = PanelPointer();
    if (!panel) panel = new ColorPanel();
    return panel.data();
}

bool SharedColorPanelExists() { return !PanelPointer().isNull(); }

void CloseSharedColorPanel() {
    if (ColorPanel* panel = PanelPointer().data()) panel->close();
    ActiveWell() = nullptr;
}

ColorWell::ColorWell(QWidget* parent) : QPushButton(parent) {
    setFlat(false);
    setMinimumSize(36, 20);
    QObject::connect(this, &QPushButton::clicked, this, [this] {
        ActiveWell() = this;
        ColorPanel* panel = SharedColorPanel();
        panel->setColor(color_);
        panel->show();
        panel->raise();
    });
}

ColorWell::~ColorWell() {
    if (ActiveWell().data() == this) ActiveWell() = nullptr;
}

void ColorWell::setColor(RGBColor color) {
    color_ = color;
    QColor q = QColorFromRGB(color);
    setStyleSheet(QString("background-color: %1; border: 1px solid #666;").arg(q.name()));
}

void ColorWell::userChose(RGBColor color) {
    setColor(color);
    if (action) action(this);
}

// ---- hover button ----

HoverButton::HoverButton(QWidget* parent) : QPushButton(parent) {
    setFlat(true);
    setAttribute(Qt::WA_Hover, true);
    QObject::connect(this, &QPushButton::clicked, this, [this] {
        if (action) action(this);
    });
}

void HoverButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    if (hovered) hovered(this);
}

void HoverButton::mouseReleaseEvent(QMouseEvent* event) {
    clickModifiers_ = ModifierFlagsFromQt(event->modifiers());
    QPushButton::mouseReleaseEvent(event);
}

// ---- stepper ----

Stepper::Stepper(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* up = new QToolButton(this);
    auto* down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    up->setFixedSize(16, 11);
    down->setFixedSize(16, 11);
    layout->addWidget(up);
    layout->addWidget(down);
    QObject::connect(up, &QToolButton::clicked, this, [this] { stepUp(); });
    QObject::connect(down, &QToolButton::clicked, this, [this] { stepDown(); });
}

void Stepper::stepUp() {
    ++value_;
    if (action) action(this);
}

void Stepper::stepDown() {
    --value_;
    if (action) action(this);
}

// ---- text field ----

TextField::TextField(QWidget* parent) : QLineEdit(parent) {}

void TextField::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    if (keyUp) keyUp(this);
}

// ---- actions ----

void SetAction(QAbstractButton* button, Action action) {
    QObject::connect(button, &QAbstractButton::clicked, button, [button, action] { action(button); });
}

void SetAction(QComboBox* popup, Action action) {
    QObject::connect(popup, &QComboBox::activated, popup, [popup, action](int) { action(popup); });
}

// ---- window ----

Window::Window(QWidget* parent) : QWidget(parent, Qt::Window) {}

void Window::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (closeClicked) closeClicked();
}

void Window::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && cancelKey) {
        event->accept();
        cancelKey();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---- tracking view ----

TrackingView::TrackingView(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void TrackingView::mousePressEvent(QMouseEvent* event) {
    last_ = event->position();
    viewMouseDown(last_.x(), last_.y(), ModifierFlagsFromQt(event->modifiers()));
}

void TrackingView::mouseMoveEvent(QMouseEvent* event) {
    QPointF p = event->position();
    QPointF d = p - last_;
    last_ = p;
    if (event->buttons() & Qt::LeftButton) viewMouseDragged(d.x(), d.y());
}

void TrackingView::mouseReleaseEvent(QMouseEvent*) { viewMouseUp(); }

void TrackingView::enterEvent(QEnterEvent*) { viewMouseEntered(); }

void TrackingView::leaveEvent(QEvent*) { viewMouseExited(); }
