// What one task keeps while it marches the rays of the metaball and Ferguson
// globes: the cache of the balls near the current rays, the empty spheres
// proved along the central ray of the current Hilbert square, and that
// square's rays. The models themselves are shared and read only; these
// records belong to the task's render context alone.
#pragma once

#include <cstdint>

constexpr int kMetaballCacheSize = 200;
constexpr int kSphereHistorySize = 400;
constexpr double kNoSilhouette = 99999999.0;

// One ray: origin, unit direction, and the view-plane position (u, v) of the
// sample it belongs to.
struct marchray {
    double origin[3];
    double direction[3];
    double u, v;
};

struct metaballCacheEntry {
    double centre[3];
    uint8_t valid;  // 1: the ball changed the distance somewhere along the last conservative march
    int32_t index;  // the ball's index in the model
};

// The balls that can matter near the ray it was made for.
struct metaballCache {
    metaballCacheEntry entries[kMetaballCacheSize];
    int32_t made;   // 1 once filled
    int32_t count;
    double tolerance;
    double point[3];  // the ray origin it was made for; -999 each when none
};

// Empty spheres along one central ray, in order, and one silhouette sphere.
struct sphereHistory {
    int32_t count;
    double centres[kSphereHistorySize][3];
    double radii[kSphereHistorySize];
    double silhouetteRadius;  // kNoSilhouette when none
    double silhouetteCentre[3];
    uint8_t silhouetteValid;
    int64_t counters[2];
};

// The history records the task preparation resets (valid byte, two
// doubles, a counter).
struct globeHistoryRecord {
    uint8_t valid;
    double values[2];
    int64_t counter;
};

// Everything a task keeps for the globes' rays.
struct GlobeTaskState {
    metaballCache cache;
    metaballCache shadowCache;  // the balls near the current shadow ray
    sphereHistory history;
    globeHistoryRecord records[2];  // Ferguson, metaball
    // The current Hilbert square: its corner rays, central ray and cone width.
    marchray corners[3];
    double coneWidth;      // twice the greatest distance from the central ray to a corner ray
    uint8_t squareActive;  // between the square's set-up and its end
    int64_t squareCounters[2];
};
