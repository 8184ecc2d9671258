// NSBitmapImageRep on QImage: RGB with premultiplied alpha at 8 or 16 bits
// a sample, and grey images. Samples are read and written as floats 0..1
// exactly as stored (premultiplied for colour), rounding to the nearest
// step on writes.
#pragma once

#include <QImage>

// A premultiplied RGBA image of 8 (ARGB32) or 16 (RGBA64) bits a sample,
// filled with transparent black; null for an empty size.
QImage NSBitmapImageRep_makeRGBA(int width, int height, int bitsPerSample);
// A grey image of 8 or 16 bits a sample.
QImage NSBitmapImageRep_makeGrey(int width, int height, int bitsPerSample);
// The stored components: red, green, blue (premultiplied), alpha; a grey
// image gives its grey three times and alpha 1.
void NSBitmapImageRep_getStored(const QImage& rep, int x, int y, float rgba[4]);
// Stores components as given (red, green, blue premultiplied by the caller);
// a grey image stores the red component.
void NSBitmapImageRep_setStored(QImage* rep, int x, int y, const float rgba[4]);
