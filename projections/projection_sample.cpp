#include "projections/projection_sample.h"

#include "projections/caches.h"

PyramidDescriptor* CacheOrMiss(ProjectionSample& s, int64_t tag) {
    PyramidDescriptor* cache = BuiltProjectionCache(s.context->projectionCaches, tag);
    if (!cache) {
        s.miss = 1;
        s.point[0] = 0.0f, s.point[1] = 0.0f, s.point[2] = 1.0f;
    }
    return cache;
}
