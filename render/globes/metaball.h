// The metaball globe (output mode 395): a core sphere blended smoothly with
// 6 to 131 balls spread evenly over it, seen from the twirl's direction, lit
// from one fixed direction, standing over a floor plane. The surface is a
// signed distance field; each sample's ray is sphere-traced with an
// adaptive over-relaxation factor. The speed-ups: a per-task cache of the
// balls near the current rays, and per Hilbert square a conservative march
// of the square's central ray whose empty spheres let the square's other
// rays start further on.
#pragma once

#include <cstdint>

#include "records/globe_records.h"
#include "records/tumbletype.h"
#include "render/globes/brick_globe.h"

constexpr double kMarchHit = 0.0005;
constexpr int kMarchSteps = 400;

struct MetaballStructure {
    double* balls;  // n centres, three doubles each
    double radius;  // r = 0.2 sqrt(78 / n)
    double blend;   // k = r
    double halfOverBlend;
    double core;  // 1 - 0.08 sqrt(78 / n), within 0..1
    int64_t buildKey;
    int64_t count;
    double viewDirection[3];
    double floorOffset;  // the floor plane z = -offset, normal (0, 0, 1)
    double boundingRadius;
    double light[3];
    LegoGaze view;
};

// The ball count of a density (clamped to 0..1): trunc(125 d^2 + 6).
int64_t MetaballCount(double density);
void CreateMetaballModel(MetaballStructure* model, const tumbletype* tumble, double density);
void DestroyMetaballModel(MetaballStructure* model);

// Polynomial smooth minimum of width k.
double SmoothMin(double current, double b, double k);
// The blended distance over the cached balls, every radius grown by margin;
// with mark, each ball that changed the running value is marked valid.
double getSdf_blendcount(const double p[3], metaballCache* cache, const MetaballStructure* model, double margin,
                         bool mark);
double getSdf(const double p[3], const metaballCache* cache, const MetaballStructure* model);
double sdPlane(const double p[3], const MetaballStructure* model);
// The blended distance and the floor together (their minimum), and the
// blended distance alone.
double getSdfWithPlaneSeparated(const double p[3], const metaballCache* cache, const MetaballStructure* model,
                                double* blob);
int32_t closestball(const double p[3], const metaballCache* cache);
void getGradientGivenCtr(const double p[3], const metaballCache* cache, const MetaballStructure* model, double n[3]);
double getShadow(const double p[3], metaballCache* shadowCache, const MetaballStructure* model, bool everyBall);

// The ball cache.
void initMetaballCache(metaballCache* cache);
void markBallsInCacheAsInvalid(metaballCache* cache);
// Keeps the cache when the ray's origin lies within the stored tolerance of
// the stored point, else refills it with every ball whose distance from the
// ray's line is below 1.3 (r + k) + tolerance. True when it refilled.
bool makeBallCacheCurrent_with_Tolerance(const MetaballStructure* model, metaballCache* cache, const marchray& ray,
                                         double tolerance);
// Every ball of the model (the brute-force march).
void FillCacheWithEveryBall(const MetaballStructure* model, metaballCache* cache);
double DistanceFromInfiniteLineToPoint(const double p[3], const double o[3], const double d[3]);

// The sphere history.
void initSphereHistory(sphereHistory* history);
void eraseSphereHistory(sphereHistory* history);
// The conservative march of a square's central ray: distances with every
// radius grown by width, each step's empty sphere recorded.
void findSphereThatCoversHilbertSquare_metaball(const MetaballStructure* model, metaballCache* cache,
                                                const marchray& central, sphereHistory* history, double width);
// Where a ray may start: the far end of the chain of recorded spheres
// (from entry k on) that the ray runs through without a gap; 0 when it does
// not start inside the first.
double historySteppingForwardFrom(int64_t k, const sphereHistory* history, const marchray& ray);

// What one march found.
struct MetaballHit {
    int result;  // 1 hit
    int32_t region;
    double point[3];
    double normal[3];
    double light;
    double t;
    float steps;
};
// Marches one ray from parameter tStart; everyBall: no cache (all balls).
void castMetaballRay_adjustable_omega(const MetaballStructure* model, const marchray& ray, metaballCache* cache,
                                      metaballCache* shadowCache, double tStart, bool everyBall, MetaballHit* hit);
// The ray of view-plane position (u, v).
marchray GetRayFromLVSandGaze(const LegoGaze& view, double u, double v);
