#include "platform/appkit/animation.h"

#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "platform/appkit/run_loop.h"

namespace {

constexpr int kFrameMilliseconds = 16;
constexpr int kBezierIterations = 40;

// The old look of a view, laid over it and fading out.
class FadeOverlay : public QWidget {
public:
    explicit FadeOverlay(QWidget* view) : QWidget(view) {
        setAttribute(Qt::WA_TransparentForMouseEvents, true);
        setAttribute(Qt::WA_NoSystemBackground, true);
        frames_.setInterval(kFrameMilliseconds);
        QObject::connect(&frames_, &QTimer::timeout, this, [this] {
            if (opacity() <= 0.0) {
                frames_.stop();
                hide();
            } else {
                update();
            }
        });
    }
    void start(const QPixmap& look, double duration) {
        look_ = look;
        start_ = AppKitNow();
        duration_ = duration;
        setGeometry(0, 0, parentWidget()->width(), parentWidget()->height());
        raise();
        show();
        frames_.start();
    }
    double opacity() const {
        if (isHidden()) return 0.0;
        const double t = (AppKitNow() - start_) / duration_;
        return t >= 1.0 ? 0.0 : 1.0 - CAMediaTimingFunctionEaseInEaseOut(std::max(t, 0.0));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const double o = opacity();
        if (o <= 0.0) return;
        QPainter painter(this);
        painter.setOpacity(o);
        painter.drawPixmap(0, 0, look_);
    }

private:
    QPixmap look_;
    double start_ = 0.0, duration_ = 1.0;
    QTimer frames_;
};

FadeOverlay* OverlayOf(QWidget* view, const char* key) {
    return view->findChild<FadeOverlay*>(QString::fromUtf8(key), Qt::FindDirectChildrenOnly);
}

// One coordinate of the cubic Bezier from 0 to 1 with inner points a and b.
double Bezier(double a, double b, double s) {
    const double r = 1.0 - s;
    return 3.0 * r * r * s * a + 3.0 * r * s * s * b + s * s * s;
}

}  // namespace

double CAMediaTimingFunctionEaseInEaseOut(double t) {
    if (t <= 0.0) return 0.0;
    if (t >= 1.0) return 1.0;
    // x(s) rises monotonically: bisect for the s where x(s) = t.
    double lo = 0.0, hi = 1.0;
    for (int i = 0; i < kBezierIterations; ++i) {
        const double mid = 0.5 * (lo + hi);
        (Bezier(0.42, 0.58, mid) < t ? lo : hi) = mid;
    }
    return Bezier(0.0, 1.0, 0.5 * (lo + hi));
}

void CATransitionFade_addToView(QWidget* view, const char* key, double duration) {
    if (!view || !view->parentWidget() || duration <= 0.0) return;
    // The look now, what lies behind the view included, so the overlay
    // covers it whole and the fade is a true cross-fade.
    const QPixmap look = view->parentWidget()->grab(view->geometry());
    FadeOverlay* overlay = OverlayOf(view, key);
    if (!overlay) {
        overlay = new FadeOverlay(view);
        overlay->setObjectName(QString::fromUtf8(key));
    }
    overlay->start(look, duration);
}

double CATransitionFade_oldLookOpacity(QWidget* view, const char* key) {
    const FadeOverlay* overlay = view ? OverlayOf(view, key) : nullptr;
    return overlay ? overlay->opacity() : 0.0;
}
