#include "pyramid/render_storage.h"

#include "common/memory.h"
#include "host_access/FilterBigDocument.h"
#include "platform/host/result_codes.h"
#include "polyhedra/polyhedron.h"
#include "pyramid/input_fill.h"
#include "pyramid/picture_reading.h"
#include "pyramid/pyramid.h"
#include "records/data.h"
#include "records/parameters.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"

int64_t InputPyramidKind() {
    const int16_t mode = GetImageMode();
    const int32_t depth = GetDepth();
    if (mode == imageModeGrey16 || mode == imageModeRGB48) return depth == 32 ? kPyrColourFloat : depth == 16 ? kPyrColour16 : kPyrColour8;
    if (mode == imageModeRGB96 || mode == imageModeGrey32) return kPyrColourFloat;
    return depth == 32 ? kPyrColourFloat : kPyrColour8;
}

bool AllocateMainInputPyramid(Data* data, PyramidDescriptor* main, int64_t width, int64_t height) {
    // A refused read earlier in the invocation left a partial picture: free
    // its tiles before the record is prepared afresh, or they leak.
    DiposeOfAnyTiles(main);
    InitPyramidProcs(main, GetBufferProcs());
    if (!TryToAllocatePyramid_2006(main, width, height, InputPyramidKind(), 0, 0)) {
        SetHostResult(errInputPyramidFailed, kDiagInputPyramid);
        return false;
    }
    data->fillWord = 1;
    data->rectStateWord = 0;
    data->flags[3] = 1;
    data->inputHeight = int64_t(data->filterRect.bottom) - data->filterRect.top;
    data->inputHeightNext = 0;
    data->flags[0] = 1;
    data->flags[1] = 0;
    return true;
}

void MaybeAllocatePyramids(Data* data) {
    if (!data || !gParams) return;
    // A picture being read in steps is read whole first, unless the render
    // may read its coarse copy (a preview's).
    if (PictureBeingRead() && !RendersMayReadTheCoarseCopy()) FinishReadingPicture(data);
    if (gParams->inputPyramidFilled) return;
    const VRect f = data->filterRect;
    PyramidDescriptor* main = &data->pyramids[kMainInputPyramid];
    if (!AllocateMainInputPyramid(data, main, int64_t(f.right) - f.left, int64_t(f.bottom) - f.top)) return;
    FillPyramids(data);
    // A refused read leaves the pyramid partly filled: it is read again next time.
    if (HostResult() == noErr) gParams->inputPyramidFilled = 1;
}

void Postroll(Data* data) {
    if (!data || !data->storage) return;
    // The globes' models and the solid stay for the next render (their
    // build keys say when they must be built again) and go with the storage.
    DumpPolyStorage(data->renderPolyhedron);
    data->polyBufferID = -1;
    RobustDisposePtr(&data->renderPolyhedron);
}
