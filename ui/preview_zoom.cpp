#include "ui/preview_zoom.h"

#include <algorithm>

#include "records/data.h"
#include "host_access/host_rects.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"

namespace {

int64_t* Enabling(Data* data) {
    return data && data->storage ? data->storage->controlEnabling : nullptr;
}

VRect FilterRectangle(const Data* data) { return data->filterRect; }

// The largest offsets that still fill the preview rectangle at divisor d.
void MaximumOffsets(const Data* data, int64_t d, int64_t* maxX, int64_t* maxY) {
    const int64_t divisor = d == 0 ? 1 : d;
    const VRect f = FilterRectangle(data);
    const VRect p = data->previewArea;
    *maxX = std::max<int64_t>(0, (f.right / divisor - f.left / divisor - (p.right - p.left)) * divisor);
    *maxY = std::max<int64_t>(0, (f.bottom / divisor - f.top / divisor - (p.bottom - p.top)) * divisor);
}

}  // namespace

bool ZoomingSupported() { return !HostIsIncapableOfZooming(); }

void CopeWithProxiesSizeChange_Cocoa_Pixels(int32_t height, int32_t width) {
    Data* data = gData;
    if (!data || !gParams) return;
    data->paneRect = VRect{0, 0, height, width};
    VRect preview = data->paneRect;
    const VRect f = FilterRectangle(data);
    preview.right = std::min(preview.right, preview.left + (f.right - f.left));
    preview.bottom = std::min(preview.bottom, preview.top + (f.bottom - f.top));
    data->previewArea = preview;
    data->zoomDivisor = CalcDefaultProxyScaleFactor(f, data->paneRect, nullptr, nullptr);
    data->zoomDivisorCopy = data->zoomDivisor;
    if (data->zoomDivisor <= gParams->proxyScale) gParams->previewOffset = PreviewOffset{0, 0};
    gParams->previewChanged = 1;
    ClampProxyOffsets(data, gParams->proxyScale);
}

void ClampProxyOffsets(Data* data, int64_t divisor) {
    if (!data || !gParams) return;
    PreviewOffset& o = gParams->previewOffset;
    o.x = std::max(o.x, 0);
    o.y = std::max(o.y, 0);
    int64_t maxX = 0, maxY = 0;
    MaximumOffsets(data, divisor, &maxX, &maxY);
    o.x = int32_t(std::min<int64_t>(o.x, maxX));
    o.y = int32_t(std::min<int64_t>(o.y, maxY));
}

void PreserveProxyCentering(Data* data, int64_t a, int64_t b) {
    if (!data || !gParams) return;
    // The centre of what the pane shows at divisor a stays the centre at b.
    // What it shows is the pane, or the whole reduced image when that is
    // smaller (a pane wider than the image does not move the centre past it).
    const VRect f = FilterRectangle(data);
    const int64_t paneW = data->paneRect.right - data->paneRect.left;
    const int64_t paneH = data->paneRect.bottom - data->paneRect.top;
    auto shown = [](int64_t d, int64_t paneSide, int64_t imageSide) {
        return d <= 0 ? 0 : d * std::min(paneSide, imageSide / d);
    };
    auto centred = [&](int64_t x, int64_t paneSide, int64_t imageSide) {
        return std::max<int64_t>(0, x + shown(a, paneSide, imageSide) / 2 - shown(b, paneSide, imageSide) / 2);
    };
    const int64_t x = centred(gParams->previewOffset.x, paneW, int64_t(f.right) - f.left);
    const int64_t y = centred(gParams->previewOffset.y, paneH, int64_t(f.bottom) - f.top);
    gParams->previewOffset.x = int32_t(std::min<int64_t>(x, INT32_MAX));
    gParams->previewOffset.y = int32_t(std::min<int64_t>(y, INT32_MAX));
    ClampProxyOffsets(data, b);
}

void Handle3Zoomers(Data* data, int64_t item, int64_t* changed) {
    if (!data || !gParams || !ZoomingSupported()) return;
    const int32_t s = gParams->proxyScale;
    switch (item) {
        case kItemZoomIn:
            if (s < 2) return;
            PreserveProxyCentering(data, s, s - 1);
            gParams->proxyScale = s - 1;
            break;
        case kItemZoomOut:
            if (data->zoomDivisorCopy <= s) return;
            PreserveProxyCentering(data, s, s + 1);
            gParams->proxyScale = s + 1;
            if (gParams->proxyScale == data->zoomDivisorCopy) gParams->previewOffset = PreviewOffset{0, 0};
            break;
        case kItemZoom100:
            PreserveProxyCentering(data, s, 1);
            gParams->proxyScale = 1;
            break;
        default:
            return;
    }
    SetUpFilterRecordForProxy(data, gParams->proxyScale);
    gParams->previewChanged = 1;
    if (changed) *changed = 1;
}

void FixZoomers(Data* data) {
    int64_t* table = Enabling(data);
    if (!table || !gParams) return;
    const int64_t s = gParams->proxyScale;
    const int64_t m = data->zoomDivisorCopy;
    const bool supported = ZoomingSupported();
    table[kItemZoomIn] = supported && s >= 2;
    table[kItemZoomOut] = supported && m > s;
    table[kItemZoom100] = supported && (s >= 2 || !(m == 1 && s == 1));
}

void MakeEverythingUsable() {
    if (int64_t* table = Enabling(gData)) std::fill(table, table + kControlEnablingEntries, 1);
}
