// Stand-ins for services whose owners have not landed them yet (see
// task_services.h). Each is the least that lets the engine run: replace it
// with the real one, and delete it here, when its owner lands.
#include "projections/TransformationReply.h"
#include "shell/task_services.h"

// A reply cell: a transformation reply and four floats of colour, until the
// renderer's `MirelYummy` exists.
size_t ReplyCellSize() { return sizeof(TransformationReply) + 4 * sizeof(float); }

void PrerollOneTileTask(PerTaskStuffType*) {}
void PostrollOneTileTask(PerTaskStuffType*) {}
void FillTileWithSamples(Data*, vort*, PerTaskStuffType*) {}
void MondoProgressUpdate_fractionX(double) {}
