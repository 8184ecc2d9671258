#include "shell/result_at_size.h"

#include <cstring>

#include "files/psd_export.h"
#include "host_access/FilterBigDocument.h"
#include "host_access/host_result.h"
#include "platform/page_touch.h"
#include "platform/host/result_codes.h"
#include "pyramid/pyramid.h"
#include "pyramid/render_storage.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"
#include "render/host_pixels.h"

namespace {

constexpr OSErr kResultOutOfMemory = -108;

}  // namespace

bool HostWantsResultAtItsOwnSize(const Parameters& params, const Data& data) {
    if (params.resultWidth < 1 || params.resultHeight < 1) return false;
    const VRect f = data.filterRect;
    return params.resultWidth != int64_t(f.right) - f.left || params.resultHeight != int64_t(f.bottom) - f.top;
}

bool RenderResultAtHostSize(Data* data) {
    if (!data || !data->storage || !gParams) {
        SetHostResult(filterBadParameters, kDiagHandleMissing);
        return false;
    }
    MaybeAllocatePyramids(data);
    if (HostResult() != noErr) return false;
    TStorage1* s = data->storage;
    // The export layer's place: no export runs beside the render.
    PyramidDescriptor* layer = &s->exportPyramid;
    DisposePyramidData(layer);
    InitPyramidProcs(layer, GetBufferProcs());
    if (TryToAllocatePyramid_2006(layer, gParams->resultWidth, gParams->resultHeight,
                                  data->pyramids[kMainInputPyramid].kind, 0, 0) != 1) {
        SetHostResult(kResultOutOfMemory, kDiagResultHandOver);
        return false;
    }
    // A layer in memory of its own reads as zeros already; clearing it would
    // take the pages of its smaller levels, which the render never writes.
    if (!PictureBlockStartsZeroed(size_t(layer->tileBlockBytes)))
        for (int64_t i = 0; i < layer->tileCount; ++i)
            if (layer->tiles[i].pixels) std::memset(layer->tiles[i].pixels, 0, size_t(BytesInTile(layer, i)));
    // An 8-bit result is written straight into the host's samples; any other
    // is rendered into the layer and handed over.
    const StraightStart straight = StartResultStraightToHost(s, layer);
    if (straight == StraightStart::Refused) {
        DisposePyramidData(layer);
        return false;
    }
    s->targetIsHostLayer = 1;
    const int rendered = GenerateOneLayerOfBasicResult(data, *gParams, layer);
    s->targetIsHostLayer = 0;
    const bool finished = straight != StraightStart::Started || FinishResultStraightToHost(s);
    bool ok = rendered == kPSDExportOK && HostResult() == noErr && finished;
    if (rendered != kPSDExportOK && HostResult() == noErr) SetHostResult(kResultOutOfMemory, kDiagResultHandOver);
    if (ok && straight == StraightStart::ThroughLayer) ok = HandLayerToHostOutput(layer);
    DisposePyramidData(layer);
    return ok;
}
