#include "platform/appkit/bitmap.h"

#include <algorithm>
#include <cmath>

namespace {

int Step(float v, int full) { return int(std::lround(std::clamp(v, 0.0f, 1.0f) * float(full))); }

}  // namespace

QImage NSBitmapImageRep_makeRGBA(int width, int height, int bitsPerSample) {
    if (width < 1 || height < 1) return QImage();
    QImage rep(width, height, bitsPerSample > 8 ? QImage::Format_RGBA64_Premultiplied : QImage::Format_ARGB32_Premultiplied);
    rep.fill(Qt::transparent);
    return rep;
}

QImage NSBitmapImageRep_makeGrey(int width, int height, int bitsPerSample) {
    if (width < 1 || height < 1) return QImage();
    QImage rep(width, height, bitsPerSample > 8 ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
    rep.fill(0);
    return rep;
}

void NSBitmapImageRep_getStored(const QImage& rep, int x, int y, float rgba[4]) {
    switch (rep.format()) {
        case QImage::Format_Grayscale8:
            rgba[0] = rgba[1] = rgba[2] = rep.constScanLine(y)[x] / 255.0f;
            rgba[3] = 1.0f;
            return;
        case QImage::Format_Grayscale16:
            rgba[0] = rgba[1] = rgba[2] = reinterpret_cast<const quint16*>(rep.constScanLine(y))[x] / 65535.0f;
            rgba[3] = 1.0f;
            return;
        case QImage::Format_ARGB32_Premultiplied: {
            const QRgb p = reinterpret_cast<const QRgb*>(rep.constScanLine(y))[x];
            rgba[0] = qRed(p) / 255.0f, rgba[1] = qGreen(p) / 255.0f, rgba[2] = qBlue(p) / 255.0f;
            rgba[3] = qAlpha(p) / 255.0f;
            return;
        }
        case QImage::Format_RGBA64_Premultiplied: {
            const QRgba64 p = reinterpret_cast<const QRgba64*>(rep.constScanLine(y))[x];
            rgba[0] = p.red() / 65535.0f, rgba[1] = p.green() / 65535.0f, rgba[2] = p.blue() / 65535.0f;
            rgba[3] = p.alpha() / 65535.0f;
            return;
        }
        default: {
            // Any other format through Qt's premultiplied colour.
            const QRgba64 p = qPremultiply(rep.pixelColor(x, y).rgba64());
            rgba[0] = p.red() / 65535.0f, rgba[1] = p.green() / 65535.0f, rgba[2] = p.blue() / 65535.0f;
            rgba[3] = p.alpha() / 65535.0f;
        }
    }
}

void NSBitmapImageRep_setStored(QImage* rep, int x, int y, const float rgba[4]) {
    switch (rep->format()) {
        case QImage::Format_Grayscale8: rep->scanLine(y)[x] = uchar(Step(rgba[0], 255)); return;
        case QImage::Format_Grayscale16:
            reinterpret_cast<quint16*>(rep->scanLine(y))[x] = quint16(Step(rgba[0], 65535));
            return;
        case QImage::Format_ARGB32_Premultiplied:
            reinterpret_cast<QRgb*>(rep->scanLine(y))[x] =
                qRgba(Step(rgba[0], 255), Step(rgba[1], 255), Step(rgba[2], 255), Step(rgba[3], 255));
            return;
        case QImage::Format_RGBA64_Premultiplied:
            reinterpret_cast<QRgba64*>(rep->scanLine(y))[x] =
                QRgba64::fromRgba64(quint16(Step(rgba[0], 65535)), quint16(Step(rgba[1], 65535)),
                                    quint16(Step(rgba[2], 65535)), quint16(Step(rgba[3], 65535)));
            return;
        default: {
            const QRgba64 p = QRgba64::fromRgba64(quint16(Step(rgba[0], 65535)), quint16(Step(rgba[1], 65535)),
                                                  quint16(Step(rgba[2], 65535)), quint16(Step(rgba[3], 65535)));
            rep->setPixelColor(x, y, QColor::fromRgba64(p.unpremultiplied()));
        }
    }
}
