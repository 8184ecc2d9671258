// Statistics of the ray search into a polyhedron. Each task counts into its
// own hint record while it runs; the counts are added into the polyhedron's
// totals when the task retires, on the thread that retires it.
#pragma once

#include <cstdint>

struct RaySearchCounts {
    int64_t triesOnHits;    // triangle tests spent on rays that hit
    int64_t triesOnMisses;  // triangle tests spent on rays that missed
    int64_t walksRunOff;    // searches that tried every triangle without a clean hit
    int64_t hits;
    int64_t misses;
};

inline void AddRaySearchCounts(RaySearchCounts* total, const RaySearchCounts& part) {
    total->triesOnHits += part.triesOnHits;
    total->triesOnMisses += part.triesOnMisses;
    total->walksRunOff += part.walksRunOff;
    total->hits += part.hits;
    total->misses += part.misses;
}
