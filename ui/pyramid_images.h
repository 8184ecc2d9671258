// Pictures between pyramids and the dialog's images: the preview saved with
// settings or a memory dot is taken from the preview pane and becomes the
// preset-preview pyramid; a preview stored in a file becomes an image for
// the dot thumbnail. The image side holds premultiplied alpha, the pyramid
// straight alpha. For previews of a few hundred pixels a side.
#pragma once

#include <QImage>

struct PyramidDescriptor;

// An image of the pyramid's level 0: colour kinds premultiplied RGBA of 8
// bits, or 16 for pyramids of more than a byte a sample; grey kinds a grey
// image. Null for an unallocated pyramid.
QImage NSImageFromPyr(const PyramidDescriptor* pyr);
// Level 0 into the image over the rectangle both cover.
void Copy_pyr_to_NSBitmapImageRep(const PyramidDescriptor* pyr, QImage* rep);
// The image into level 0 over the rectangle both cover, alpha undone; marks
// level 0 filled. Colour kinds take every component, other kinds the red.
void Copy_NSBitmapImageRep_to_pyr(const QImage& rep, PyramidDescriptor* pyr);
// The image, reduced to fit, becomes the preset preview of the Data record
// that settings files and memory dots carry. Nothing for a null image.
void BuildPreviewFromNSImage(const QImage& image);
void BuildPreviewFromNSBitmapImageRep(const QImage& rep);
