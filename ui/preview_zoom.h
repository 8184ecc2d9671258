// Preview zoom and offsets: the preview shows the image reduced by the
// integer divisor proxyScale of Parameters (1 = 100 %), scrolled to
// previewOffset (full-resolution pixels, top-left of the visible part). These
// keep the preview rectangle, the offsets and the three zoom entries of the
// control-enabling table consistent when the pane resizes, the user zooms or
// pans. Main thread; gParams and the work area of data.
#pragma once

#include <cstdint>

struct Data;

// Entries of the control-enabling table for the zoom buttons.
enum : int64_t {
    kItemZoomIn = 32,
    kItemZoomOut = 33,
    kItemZoom100 = 34,
};

// The host lets the preview zoom: advanceState and displayPixels, sampling
// support, and it is not the host that mishandles zoomed previews.
bool ZoomingSupported();

// The pane is (top, left, bottom, right) = (0, 0, height, width) pixels now.
void CopeWithProxiesSizeChange_Cocoa_Pixels(int32_t height, int32_t width);
// Pulls the offsets into [0, max] for the divisor (0 is taken as 1).
void ClampProxyOffsets(Data* data, int64_t divisor);
// Moves the offsets so that the centre of what the pane shows is the same
// image point at divisor newDivisor as at oldDivisor, then clamps them.
void PreserveProxyCentering(Data* data, int64_t oldDivisor, int64_t newDivisor);
// Zoom item 32 in, 33 out, 34 to 100 %; *changed becomes 1 when the divisor
// changed (it is left alone otherwise).
void Handle3Zoomers(Data* data, int64_t item, int64_t* changed);
// The three zoom entries from proxyScale and the largest divisor's copy.
void FixZoomers(Data* data);
// Every entry of the control-enabling table 1.
void MakeEverythingUsable();
