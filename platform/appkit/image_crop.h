// NSImage(KVCropExtensions) and NSImage(supplements) on QImage: drawing an
// image into a rectangle by crop or fit, images of a new size, copies and
// cut-outs. The geometry is AppKit's (y upward); drawing converts it to
// Qt's y-downward pixels.
#pragma once

#include <QImage>

#include "platform/cg_geometry.h"

class QPainter;

// Crop methods: 0 centred, 1 and 2 anchored (see KVCropPlanFor), 3 fit.
enum : int { kCropCentred = 0, kCropAnchored1 = 1, kCropAnchored2 = 2, kCropScaleToFit = 3 };

// What drawing an image of imageSize into rect by method takes and where it
// puts it, both y upward: source in image pixels, target in rect's space.
// Crops (0..2) scale the image to cover the rectangle and cut the excess:
// method 0 keeps the middle; method 1 the left of a relatively wider image
// and the top of a taller one; method 2 the right of a wider image and the
// bottom of a taller one. Method 3 fits the whole image, centred. Any other
// method draws the image's 1 x 1 corner over the rectangle.
struct KVCropPlan {
    CGRect source;
    CGRect target;
};
KVCropPlan KVCropPlanFor(CGSize imageSize, CGRect rect, int method);

// Draws image into rect (y upward in a canvas canvasHeight high) by method.
void drawInRect(QPainter* painter, const QImage& image, CGRect rect, int method, double canvasHeight,
                double fraction = 1.0);
// A new image of size with image drawn in by method, smoothly.
QImage imageToFitSize(const QImage& image, QSize size, int method);
inline QImage imageCroppedToFitSize(const QImage& image, QSize size) { return imageToFitSize(image, size, kCropCentred); }
inline QImage imageScaledToFitSize(const QImage& image, QSize size) { return imageToFitSize(image, size, kCropScaleToFit); }
// A copy sharing no pixels.
QImage independentCopy(const QImage& image);
// An image of rect's size with the whole image drawn centred in it.
QImage trimToRect(const QImage& image, CGRect rect);
// An image of rect's size holding the image drawn at (−x, −y), y upward.
QImage extractRect(const QImage& image, CGRect rect);
// The image drawn into a new image of size; null for a null image.
QImage imageResizedToNewSize(const QImage& image, QSize size);
