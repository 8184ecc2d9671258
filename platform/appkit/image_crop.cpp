#include "platform/appkit/image_crop.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

KVCropPlan KVCropPlanFor(CGSize image, CGRect rect, int method) {
    const double iw = image.width, ih = image.height, W = rect.size.width, H = rect.size.height;
    KVCropPlan plan{{{0, 0}, {iw, ih}}, rect};
    if (iw <= 0 || ih <= 0 || W <= 0 || H <= 0) return plan;
    const double r = iw / ih;
    const bool taller = r <= W / H;  // relatively taller than the rectangle (or equal)
    if (method == kCropScaleToFit) {
        const double s = std::min(W / iw, H / ih);
        const double w = iw * s, h = ih * s;
        plan.target = {{rect.origin.x + (W - w) / 2.0, rect.origin.y + (H - h) / 2.0}, {w, h}};
        return plan;
    }
    if (method < 0 || method > kCropScaleToFit) {
        plan.source = {{0, 0}, {1, 1}};
        return plan;
    }
    const double coverW = taller ? W : std::trunc(r * H);
    const double coverH = taller ? std::trunc(W / r) : H;
    const double s = taller ? W / iw : H / ih;
    double cx = (coverW - W) / 2.0, cy = (coverH - H) / 2.0;
    if (method == kCropAnchored1) {
        if (!taller) cx = cy = 0.0;
        else cy = coverH - H;
    } else if (method == kCropAnchored2) {
        if (!taller) cx = coverW - W;
        else cx = cy = 0.0;
    }
    plan.source = {{cx / s, cy / s}, {W / s, H / s}};
    return plan;
}

void drawInRect(QPainter* painter, const QImage& image, CGRect rect, int method, double canvasHeight, double fraction) {
    if (!painter || image.isNull()) return;
    const KVCropPlan plan = KVCropPlanFor({double(image.width()), double(image.height())}, rect, method);
    // y upward to Qt's y downward, in the canvas and in the image.
    const QRectF target(plan.target.origin.x, canvasHeight - plan.target.origin.y - plan.target.size.height,
                        plan.target.size.width, plan.target.size.height);
    const QRectF source(plan.source.origin.x, image.height() - plan.source.origin.y - plan.source.size.height,
                        plan.source.size.width, plan.source.size.height);
    painter->save();
    painter->setOpacity(fraction);
    painter->drawImage(target, image, source);
    painter->restore();
}

namespace {

QImage Canvas(QSize size) {
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    return canvas;
}

}  // namespace

QImage imageToFitSize(const QImage& image, QSize size, int method) {
    if (size.isEmpty()) return QImage();
    QImage canvas = Canvas(size);
    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::SmoothPixmapTransform | QPainter::Antialiasing);
    drawInRect(&painter, image, {{0, 0}, {double(size.width()), double(size.height())}}, method, size.height());
    return canvas;
}

QImage independentCopy(const QImage& image) { return image.copy(); }

QImage trimToRect(const QImage& image, CGRect rect) {
    const QSize size(int(rect.size.width), int(rect.size.height));
    if (size.isEmpty()) return QImage();
    QImage canvas = Canvas(size);
    QPainter painter(&canvas);
    painter.drawImage(QPointF((size.width() - image.width()) / 2.0, (size.height() - image.height()) / 2.0), image);
    return canvas;
}

QImage extractRect(const QImage& image, CGRect rect) {
    const QSize size(int(rect.size.width), int(rect.size.height));
    if (size.isEmpty()) return QImage();
    QImage canvas = Canvas(size);
    QPainter painter(&canvas);
    // The image's origin at (−x, −y) in y-up terms.
    painter.drawImage(QPointF(-rect.origin.x, size.height() - image.height() + rect.origin.y), image);
    return canvas;
}

QImage imageResizedToNewSize(const QImage& image, QSize size) {
    if (image.isNull() || size.isEmpty()) return QImage();
    QImage canvas = Canvas(size);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRect(QPoint(0, 0), size), image);
    return canvas;
}
