#include "ui/proxy_view.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "common/memory.h"
#include "engine/task_engine_globals.h"
#include "host_access/FilterBigDocument.h"
#include "host_access/host_rects.h"
#include "platform/appkit/run_loop.h"
#include "platform/host/result_codes.h"
#include "records/data.h"
#include "records/parameters.h"
#include "host_access/host_result.h"
#include "host_access/host_utilities.h"
#include "records/plugin_globals.h"
#include "pyramid/picture_reading.h"
#include "render/host_pixels.h"
#include "render/render_drivers.h"
#include "solids/kept_solids.h"
#include "ui/dialog.h"
#include "ui/preview_manager.h"
#include "ui/preview_zoom.h"

uint8_t gButtonIsPressed = 0;
uint8_t gMouseInProxyView = 0;
uint8_t gDraggedYet = 0;

namespace {

double Seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Tiles finished so far are put on screen at most this often while a pass runs.
constexpr double kTileShowInterval = 0.03;

// While a preview pass runs, the window keeps painting, hovering and
// moving, but what the user does to the controls (buttons, keys, drags, the
// close box) waits: it would change the settings the running tiles read.
// Such input stops the pass; once its tiles have retired the input is
// handed to the window again and a new pass is asked for, so it is handled
// as soon as the pass has stopped.
class InputDuringAPass : public QObject {
public:
    bool active = false;
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held;
    std::function<void()> stopThePass;

    static bool Waits(const QEvent* e) {
        switch (e->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Wheel:
            case QEvent::Close:
                return true;
            case QEvent::MouseMove:
                return static_cast<const QMouseEvent*>(e)->buttons() != Qt::NoButton;
            default:
                return false;
        }
    }
    // A copy that owns its state: the points of a pointer event are shared
    // with the device, which moves on with the next event.
    static std::unique_ptr<QEvent> Copy(const QEvent* e) {
        if (auto* m = dynamic_cast<const QMouseEvent*>(e))
            return std::make_unique<QMouseEvent>(m->type(), m->position(), m->scenePosition(), m->globalPosition(),
                                                 m->button(), m->buttons(), m->modifiers(), m->pointingDevice());
        if (auto* k = dynamic_cast<const QKeyEvent*>(e))
            return std::make_unique<QKeyEvent>(k->type(), k->key(), k->modifiers(), k->nativeScanCode(),
                                               k->nativeVirtualKey(), k->nativeModifiers(), k->text(),
                                               k->isAutoRepeat(), k->count(), k->device());
        if (auto* w = dynamic_cast<const QWheelEvent*>(e))
            return std::make_unique<QWheelEvent>(w->position(), w->globalPosition(), w->pixelDelta(), w->angleDelta(),
                                                 w->buttons(), w->modifiers(), w->phase(), w->inverted(),
                                                 w->source(), w->pointingDevice());
        return std::unique_ptr<QEvent>(e->clone());
    }
    // Input reaches a window first, and from it the widget under the mouse or
    // with the focus: held there, it takes the same road when handed back.
    bool eventFilter(QObject* target, QEvent* e) override {
        if (!active || !target->isWindowType() || !Waits(e)) return false;
        held.emplace_back(target, Copy(e));
        if (stopThePass) stopThePass();
        return true;
    }
    // False when nothing was held.
    bool HandBack() {
        const bool any = !held.empty();
        for (auto& [target, e] : held)
            if (target) QCoreApplication::postEvent(target, e.release());
        held.clear();
        return any;
    }
};

InputDuringAPass& PassInput() {
    static InputDuringAPass* filter = [] {
        auto* f = new InputDuringAPass();  // lives as long as the application
        QCoreApplication::instance()->installEventFilter(f);
        return f;
    }();
    return *filter;
}

}  // namespace

std::function<void(proxyBufferRecord*)>& ProxyView_Tarnwhistle_pano::renderForPreview() {
    static std::function<void(proxyBufferRecord*)> render = [](proxyBufferRecord* pbr) {
        PFFOWFR_by_anything(nullptr, kRenderToPreview, Controller_Tarnwhistle_pano::sharedInstance()->ppm.get(), pbr);
    };
    return render;
}

ProxyView_Tarnwhistle_pano::ProxyView_Tarnwhistle_pano(QWidget* parent) : TrackingView(parent) {
    if (gData) gData->busy = 0;
    if (gParams) gParams->previewOffset = PreviewOffset{0, 0};
    gButtonIsPressed = 0;
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

double ProxyView_Tarnwhistle_pano::retinaScale() const { return devicePixelRatioF(); }

void ProxyView_Tarnwhistle_pano::displayIfNeeded() {
    if (!needsDisplay_ || !isVisible()) return;
    if (gData && gData->busy) return;   // asked again once the draw under way ends
    needsDisplay_ = false;
    drawRect(QRectF(rect()));
}

void ProxyView_Tarnwhistle_pano::drawRect(QRectF r) {
    if (gFilterRecord && GetHostSig() == MakeFourCC("AffP") && !Controller_Tarnwhistle_pano::sharedInstance()->nowActive) {
        DialogTrace("\xF0\x9F\x9B\x91 Affinity Photo asks ProxyView_Tarnwhistle_pano to drawRect after its "
                    "owning window has been dismissed.");
        return;
    }
    drawRect_version_normal(r);
}

void ProxyView_Tarnwhistle_pano::drawRect_version_normal(QRectF r) {
    if (pleaseClearImmediately) {
        pleaseClearImmediately = false;
        return;
    }
    if (!gData || !gParams) return;
    if (gData->busy == 1) {
        needsDisplay_ = true;
        return;
    }
    gData->busy = 1;
    ++draws;
    const double scale = retinaScale();
    CopeWithProxiesSizeChange_Cocoa_Pixels(int32_t(r.height() * scale), int32_t(r.width() * scale));
    paintPreview(r, gDraggedYet != 0);
    before_concludeDrawRectWithoutRacing();
}

void ProxyView_Tarnwhistle_pano::paintPreview(QRectF r, bool trivial) {
    if (gData->suspendPreview) return;
    SetUpFilterRecordForProxy(gData, gParams->proxyScale);
    gParams->previewRendering = 1;
    gParams->backingScale = float(retinaScale());
    proxyBufferRecord pbr{};
    fillInProxyBufferDimensions(&pbr);
    // No buffer: nothing is rendered and the last picture stays.
    if (pbr.byteCount <= 0 || !LocalCreateProxyBuffer(&pbr)) return;
    refusal.clear();
    bool shown = true;
    if (!trivial) {
        std::string why;
        if (!PreviewCanRender(&why)) refusal = QString::fromStdString(why);
        else shown = renderPass(r, &pbr);
    } else {
        // The untransformed picture at the zoom and offsets of the dragged view.
        UpdateProxyBuffer_with_quick_trivia(&pbr);
        if (gResult) *gResult = noErr;
    }
    if (refusal.isEmpty() && shown) drawProxyBufferToScreen(retinaScale(), r, pbr);
    else if (!refusal.isEmpty()) mostRecentPreview = QImage();
    LocalDeleteProxyBuffer(&pbr);
    update();
}

// The buffer starts as the picture shown, so that the new tiles replace it
// as they come; grey when the size changed.
void ProxyView_Tarnwhistle_pano::seedBuffer(proxyBufferRecord* pbr) const {
    const bool same = !mostRecentPreview.isNull() && mostRecentPreview.width() == pbr->width &&
                      mostRecentPreview.height() == pbr->height;
    if (!same) {
        std::memset(pbr->pixels, 0x40, size_t(pbr->byteCount));
        return;
    }
    const bool grey = pbr->planes < 3;
    for (int32_t row = 0; row < pbr->height; ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(mostRecentPreview.constScanLine(row));
        for (int32_t col = 0; col < pbr->width; ++col) {
            const int64_t i = int64_t(row) * pbr->width + col;
            pbr->pixels[i] = uint8_t(grey ? qGreen(line[col]) : qRed(line[col]));
            if (grey) continue;
            pbr->pixels[i + pbr->pixelCount] = uint8_t(qGreen(line[col]));
            pbr->pixels[i + 2 * int64_t(pbr->pixelCount)] = uint8_t(qBlue(line[col]));
        }
    }
}

void ProxyView_Tarnwhistle_pano::ServeWhileRendering(void* context) {
    auto* view = static_cast<ProxyView_Tarnwhistle_pano*>(context);
    ProgressivePreviewManager* ppm = Controller_Tarnwhistle_pano::sharedInstance()->ppm.get();
    // New tiles are shown now and then; a call with none new only serves input.
    if (view->pass_.pbr && gTaskEngine.tilesCompleted != view->pass_.tilesShown &&
        Seconds() - view->pass_.lastShown >= kTileShowInterval) {
        view->drawProxyBufferToScreen(view->retinaScale(), view->pass_.rect, *view->pass_.pbr);
        view->pass_.lastShown = Seconds();
        view->pass_.tilesShown = gTaskEngine.tilesCompleted;
        ++view->tilesShownDuringPasses;
        view->update();
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Held input has asked for the pass to stop: the engine stops a job
    // whose result reads cancelled.
    if (ppm->state != kProgressivePreviewState_running) gTaskEngine.hostResult = userCanceledErr;
}

bool ProxyView_Tarnwhistle_pano::ServeWhileBuilding(void* context) {
    auto* view = static_cast<ProxyView_Tarnwhistle_pano*>(context);
    ProgressivePreviewManager* ppm = Controller_Tarnwhistle_pano::sharedInstance()->ppm.get();
    ++view->buildWaits;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Input held meanwhile has stopped the pass: the build goes on without it.
    return ppm->state == kProgressivePreviewState_running;
}

bool ProxyView_Tarnwhistle_pano::TakeRenderWarning(const char* text) {
    if (!Controller_Tarnwhistle_pano::exists()) return false;
    ProxyView_Tarnwhistle_pano* view = Controller_Tarnwhistle_pano::sharedInstance()->proxyPreview;
    if (!view || !view->pass_.pbr) return false;
    view->notice = QString::fromUtf8(text ? text : "");
    DialogTrace("%s", text ? text : "");
    return true;
}

bool ProxyView_Tarnwhistle_pano::renderPass(QRectF r, proxyBufferRecord* pbr) {
    ProgressivePreviewManager* ppm = Controller_Tarnwhistle_pano::sharedInstance()->ppm.get();
    seedBuffer(pbr);
    notice.clear();
    ppm->proxyGUIItem = this;
    ppm->state = kProgressivePreviewState_running;
    InputDuringAPass& input = PassInput();
    input.stopThePass = [this, ppm] {
        // The next pass follows once this one has stopped; the held input may ask for another.
        if (ppm->state == kProgressivePreviewState_running)
            ppm->forSureAbortThePreviewThenDoBlockSynchronously([this] { setNeedsDisplay(); });
    };
    input.active = true;
    pass_ = Pass{pbr, r, Seconds()};
    SetRenderBetweenCompletions(&ProxyView_Tarnwhistle_pano::ServeWhileRendering, this);
    // A solid the pass needs is built off this thread while the window is served.
    SetSolidBuildWaiter(&ProxyView_Tarnwhistle_pano::ServeWhileBuilding, this);
    // While a large picture is read, the preview reads its coarse copy.
    LetRendersReadTheCoarseCopy(true);
    renderForPreview()(pbr);
    LetRendersReadTheCoarseCopy(false);
    SetSolidBuildWaiter(nullptr, nullptr);
    SetRenderBetweenCompletions(nullptr, nullptr);
    pass_ = Pass{};
    input.active = false;
    input.stopThePass = nullptr;
    ++previewsRendered;
    const bool stopped = ppm->state == kProgressivePreviewState_aborting;
    passesStopped += stopped;
    if (HostResult() != noErr) {
        // A pass stopped for the user is no failure.
        // A render that said why (a cube layout of the wrong shape) is shown
        // with its reason.
        const std::string said = ReportedErrorText();
        if (!stopped && !said.empty())
            refusal = QString::fromStdString(said);
        else if (!stopped)
            refusal = QString("The preview could not be made (error %1).").arg(HostResult());
        if (gResult) *gResult = noErr;
    }
    ppm->aPassThroughTilesHasFinished();
    // What the user did meanwhile is handled now, before anything else.
    if (input.HandBack()) QCoreApplication::sendPostedEvents();
    // A stopped pass leaves the tiles shown so far; the next pass follows.
    return !stopped;
}

void ProxyView_Tarnwhistle_pano::drawProxyBufferToScreen(double s, QRectF r, const proxyBufferRecord& pbr) {
    int32_t x = int32_t(r.x()), y = int32_t(r.y()), w = int32_t(r.width()), h = int32_t(r.height());
    const int32_t W = pbr.width, H = pbr.height;
    if (H < int32_t(h * s)) {
        const int32_t nh = int32_t(H / s);
        y += (h - nh) / 2;
        h = nh;
    }
    if (W < int32_t(w * s)) {
        const int32_t nw = int32_t(W / s);
        x += (w - nw) / 2;
        w = nw;
    }
    QImage image(W, H, QImage::Format_RGB32);
    const bool grey = pbr.planes < 3;
    for (int32_t row = 0; row < H; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int32_t col = 0; col < W; ++col) {
            const int64_t i = int64_t(row) * W + col;
            const uint8_t r0 = pbr.pixels[i];
            const uint8_t g0 = grey ? r0 : pbr.pixels[i + pbr.pixelCount];
            const uint8_t b0 = grey ? r0 : pbr.pixels[i + 2 * int64_t(pbr.pixelCount)];
            line[col] = qRgb(r0, g0, b0);
        }
    }
    image.setDevicePixelRatio(s);
    mostRecentPreview = image;
    mostRecentPreviewActiveRect = QRect(x, y, w, h);
}

void ProxyView_Tarnwhistle_pano::before_concludeDrawRectWithoutRacing() {
    FixZoomers(gData);
    NSObject_performSelectorAfterDelay(this, "concludeDrawRectWithoutRacing", nullptr, 0.1, [] {
        Controller_Tarnwhistle_pano* c = Controller_Tarnwhistle_pano::sharedInstance();
        c->fixZoomersHilitesEasy();
        c->finishedDrawingProxy();
    });
    cursorUpdate_inner();
    gData->busy = 0;
}

void ProxyView_Tarnwhistle_pano::paintEvent(QPaintEvent*) {
    if (Controller_Tarnwhistle_pano::exists()) {
        ProgressivePreviewManager* ppm = Controller_Tarnwhistle_pano::sharedInstance()->ppm.get();
        if (ppm && ppm->state == kProgressivePreviewState_waiting_for_UI_to_draw) ppm->GUIDrawIsComplete();
    }
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x40, 0x40, 0x40));
    if (!mostRecentPreview.isNull()) painter.drawImage(mostRecentPreviewActiveRect, mostRecentPreview);
    if (!refusal.isEmpty()) {
        painter.setPen(Qt::white);
        painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, refusal);
    } else if (!notice.isEmpty()) {
        const QRect band = rect().adjusted(0, rect().height() - 3 * fontMetrics().height(), 0, 0);
        painter.fillRect(band, QColor(0, 0, 0, 0xC0));
        painter.setPen(QColor(0xFF, 0xD8, 0x40));
        painter.drawText(band.adjusted(10, 0, -10, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, notice);
    }
}

void ProxyView_Tarnwhistle_pano::resizeEvent(QResizeEvent* event) {
    TrackingView::resizeEvent(event);
    setNeedsDisplay();
}

QImage ProxyView_Tarnwhistle_pano::previewWithPointSize(int side) const {
    if (side < 1) return QImage();
    if (mostRecentPreview.isNull()) {
        if (refusal.isEmpty()) return QImage();
        // No picture, for settings this build refuses: the pane's grey with
        // the reason, as the pane shows it.
        QImage why(side, side, QImage::Format_RGB32);
        why.fill(QColor(0x40, 0x40, 0x40));
        QPainter painter(&why);
        QFont font = painter.font();
        font.setPixelSize(std::max(side / 12, 8));
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(why.rect().adjusted(side / 16, side / 16, -side / 16, -side / 16),
                         Qt::AlignCenter | Qt::TextWordWrap, refusal);
        return why;
    }
    // Scaled to cover the square, and its middle kept: the picture's centre,
    // not its top-left corner.
    const QImage cover = mostRecentPreview.scaled(side, side, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return cover.copy((cover.width() - side) / 2, (cover.height() - side) / 2, side, side);
}

bool ProxyView_Tarnwhistle_pano::panningPossible() const {
    return gParams && gData && gParams->proxyScale != gData->zoomDivisor;
}

void ProxyView_Tarnwhistle_pano::cursorUpdate_inner() {
    if (!panningPossible()) setCursor(Qt::ArrowCursor);
    else if (gButtonIsPressed) setCursor(Qt::ClosedHandCursor);
    else if (gMouseInProxyView) setCursor(Qt::OpenHandCursor);
    else setCursor(Qt::ArrowCursor);
}

void ProxyView_Tarnwhistle_pano::viewMouseDown(double, double, uint32_t) {
    if (!panningPossible()) return;
    gButtonIsPressed = 1;
    gDraggedYet = 0;
    cursorUpdate_inner();
}

void ProxyView_Tarnwhistle_pano::viewMouseDragged(double deltaX, double deltaY) {
    if (!panningPossible() || !gButtonIsPressed) return;
    const double dx = deltaX * gParams->proxyScale, dy = deltaY * gParams->proxyScale;
    if (dx == 0.0 && dy == 0.0) return;
    gDraggedYet = 1;
    gParams->previewOffset.x = int32_t(std::trunc(gParams->previewOffset.x - dx * retinaScale()));
    gParams->previewOffset.y = int32_t(std::trunc(gParams->previewOffset.y - dy * retinaScale()));
    ClampProxyOffsets(gData, gParams->proxyScale);
    Controller_Tarnwhistle_pano::sharedInstance()->updateProxy();
}

void ProxyView_Tarnwhistle_pano::viewMouseUp() {
    gButtonIsPressed = 0;
    cursorUpdate_inner();
    if (gDraggedYet) {
        gDraggedYet = 0;
        Controller_Tarnwhistle_pano::sharedInstance()->gSettings_ChangedSoUpdatePreview();
    }
    gDraggedYet = 0;
}
