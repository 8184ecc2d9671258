// The store's operations that reach the invocation's records: the host's image
// kind, the main pyramid of Data, the cube faces and the output's pyramid.
#include "pyramid/pyramid.h"
#include "host_access/FilterBigDocument.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"

int64_t GetPyramidDatakindThatSuitsHostMode() {
    return GetPyramidDatakindThatSuitsHostMode(GetImageMode(), GetDepth());
}

bool AllocateColorPyramids(int64_t width, int64_t height, Data* data) {
    if (!data) return false;
    return TryToAllocatePyramid_new(&data->pyramids[kMainInputPyramid], width, height,
                                    GetPyramidDatakindThatSuitsHostMode(), 0) == 1;
}

void DumpAnyCorpus() {
    if (!gData) return;
    for (int64_t i = 0; i < kCubeFaceCount; ++i) DisposePyramidData(&gData->pyramids[kFirstCubeFacePyramid + i]);
}

PyramidDescriptor* GetPyr_with_output_dimensions() {
    if (!gData) return nullptr;
    if (gParams && gParams->renderDestination == kRenderToOffscreen && gData->storage)
        return OffscreenRenderTarget(gData->storage);
    return &gData->pyramids[kMainInputPyramid];
}
