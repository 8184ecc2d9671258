// The store's operation that reaches the invocation's records: the cube faces.
#include "pyramid/pyramid.h"
#include "records/data.h"
#include "records/plugin_globals.h"

void DumpAnyCorpus() {
    if (!gData) return;
    for (int64_t i = 0; i < kCubeFaceCount; ++i) DisposePyramidData(&gData->pyramids[kFirstCubeFacePyramid + i]);
}
