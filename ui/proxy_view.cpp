#include "ui/proxy_view.h"

#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/memory.h"
#include "host_access/FilterBigDocument.h"
#include "host_access/host_rects.h"
#include "platform/appkit/run_loop.h"
#include "platform/host/result_codes.h"
#include "records/data.h"
#include "records/parameters.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "render/render_drivers.h"
#include "ui/dialog.h"
#include "ui/preview_manager.h"
#include "ui/preview_zoom.h"

uint8_t gButtonIsPressed = 0;
uint8_t gMouseInProxyView = 0;
uint8_t gDraggedYet = 0;
int32_t gRecentProxyImageOriginXPoints = 0;
int32_t gRecentProxyImageOriginYPoints = 0;

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
        std::fprintf(stderr, "\xF0\x9F\x9B\x91 Affinity Photo asks ProxyView_Tarnwhistle_pano to drawRect after its "
                             "owning window has been dismissed.\n");
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
    Controller_Tarnwhistle_pano* controller = Controller_Tarnwhistle_pano::sharedInstance();
    refusal.clear();
    if (!trivial) {
        std::string why;
        if (!PreviewCanRender(&why)) {
            refusal = QString::fromStdString(why);
        } else {
            ProgressivePreviewManager* ppm = controller->ppm.get();
            ppm->state = kProgressivePreviewState_running;
            renderForPreview()(&pbr);
            ++previewsRendered;
            ppm->aPassThroughTilesHasFinished();
            if (HostResult() != noErr) {
                refusal = QString("The preview could not be made (error %1).").arg(HostResult());
                if (gResult) *gResult = noErr;
            }
        }
    } else {
        SetUpFilterRecordForProxy(gData, gParams->proxyScale);
        SetSomesizeRects(gData, std::max(gParams->proxyScale, 1));
        ResetProxyBuffer(&pbr);
        if (gResult) *gResult = noErr;
    }
    if (refusal.isEmpty()) drawProxyBufferToScreen(retinaScale(), r, pbr);
    else mostRecentPreview = QImage();
    LocalDeleteProxyBuffer(&pbr);
    update();
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
    gRecentProxyImageOriginXPoints = x;
    gRecentProxyImageOriginYPoints = y;
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
    }
}

void ProxyView_Tarnwhistle_pano::resizeEvent(QResizeEvent* event) {
    TrackingView::resizeEvent(event);
    setNeedsDisplay();
}

void ProxyView_Tarnwhistle_pano::ReallyHandleProxyClick(QPointF point, bool optioned) {
    if (!gParams || !gData) return;
    const double scale = retinaScale() * gParams->proxyScale;
    const int32_t x = int32_t(std::trunc(gParams->previewOffset.x + (point.x() - gRecentProxyImageOriginXPoints) * scale));
    const int32_t y = int32_t(std::trunc(gParams->previewOffset.y + (point.y() - gRecentProxyImageOriginYPoints) * scale));
    const int32_t width = gData->filterRect.right - gData->filterRect.left;
    const int32_t height = gData->filterRect.bottom - gData->filterRect.top;
    // An empty image gives fractions of 0, not a division by zero.
    gParams->pickedPoints[optioned ? 1 : 0] = PickedPoint{x, y, width > 0 ? float(x) / float(width) : 0.0f,
                                                          height > 0 ? float(y) / float(height) : 0.0f};
}

QImage ProxyView_Tarnwhistle_pano::previewWithPointSize(int side) const {
    if (mostRecentPreview.isNull()) return QImage();
    return mostRecentPreview.scaled(side, side, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation)
        .copy(0, 0, side, side);
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
