// Stand-ins for services whose owners have not landed them yet (see
// task_services.h). Each is the least that lets the engine run: replace it
// with the real one, and delete it here, when its owner lands.
#include <cstring>

#include "common/memory.h"
#include "shell/task_services.h"

namespace {

// Stand-in render context: only the fields the engine sets, until the real
// `vort` record exists.
struct StandInRenderContext {
    PerTaskStuffType* task;
    int64_t id;
    int64_t secondId;
    MirelYummy* replyGrid;
    int64_t pass;
};

StandInRenderContext* AsStandIn(vort* v) { return reinterpret_cast<StandInRenderContext*>(v); }

// A reply cell: a transformation reply and four floats of colour.
constexpr size_t kStandInReplyCellSize = 128;

}  // namespace

vort* NewTaskRenderContexts(int32_t count) {
    if (count < 1) return nullptr;
    size_t size = sizeof(StandInRenderContext) * size_t(count);
    void* block = RobustNewPtr(size);
    if (block) std::memset(block, 0, size);
    return static_cast<vort*>(block);
}

void DisposeTaskRenderContexts(vort** contexts) { RobustDisposePtr(contexts); }

vort* TaskRenderContextAt(vort* first, int32_t n) {
    return reinterpret_cast<vort*>(AsStandIn(first) + n);
}

void LinkTaskRenderContext(vort* context, PerTaskStuffType* task, int64_t id, int64_t secondId) {
    AsStandIn(context)->task = task;
    AsStandIn(context)->id = id;
    AsStandIn(context)->secondId = secondId;
}

MirelYummy** TaskReplyGridOf(vort* context) { return &AsStandIn(context)->replyGrid; }

void SetTaskRenderPass(vort* context, int64_t pass) { AsStandIn(context)->pass = pass; }

size_t ReplyCellSize() { return kStandInReplyCellSize; }

void PrerollOneTileTask(PerTaskStuffType*) {}
void PostrollOneTileTask(PerTaskStuffType*) {}
void FillTileWithSamples(Data*, vort*, PerTaskStuffType*) {}
void UpdateNextSmallerLevel_core(PyramidDescriptor*, int64_t, const VRect*) {}
void UpdateNextSmallerLevel_high_quality_core(PyramidDescriptor*, int64_t, const VRect*) {}
void MondoProgressUpdate_fractionX(double) {}
