#include "render/globes/metaball.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "records/TransformationReply.h"

namespace {

constexpr double kGoldenAngle = 2.3999632297286535;
constexpr double kLight[3] = {0.0, 0.7071, 0.7071};
constexpr double kGradientStep = 1e-5;
constexpr double kNoPoint = -999.0;

double Dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double Length(const double a[3]) { return std::sqrt(Dot(a, a)); }

// Past the globe and moving away from it, with the floor not ahead: nothing
// can be hit any more.
bool BeyondEverything(const MetaballStructure* m, const double p[3], const double d[3], bool floor = true) {
    return Length(p) > m->boundingRadius && Dot(p, d) > 0.0 && (d[2] >= 0.0 || !floor);
}

}  // namespace

int64_t MetaballCount(double density) {
    const double d = std::clamp(density, 0.0, 1.0);
    return int64_t(125.0 * d * d + 6.0);
}

void CreateMetaballModel(MetaballStructure* m, const tumbletype* tumble, double density) {
    if (!m) return;
    std::free(m->balls);
    std::memset(static_cast<void*>(m), 0, sizeof *m);
    m->buildKey = -1;
    const int64_t n = MetaballCount(density);
    m->count = n;
    m->balls = static_cast<double*>(std::malloc(size_t(n) * 3 * sizeof(double)));
    if (!m->balls) {
        m->count = 0;
        return;
    }
    // Spread by the golden angle; the polar step needs a floating (n - 1) / 2
    // and a clamped cosine.
    const double half = double(n - 1) / 2.0;
    for (int64_t i = 0; i < n; ++i) {
        const double theta = std::acos(std::clamp(1.0 - double(i) / half, -1.0, 1.0));
        const double phi = kGoldenAngle * double(i);
        m->balls[3 * i + 0] = std::cos(phi) * std::sin(theta);
        m->balls[3 * i + 1] = std::sin(phi) * std::sin(theta);
        m->balls[3 * i + 2] = std::cos(theta);
    }
    const double s = std::sqrt(78.0 / double(n));
    m->radius = 0.2 * s;
    m->blend = m->radius;
    m->halfOverBlend = 0.5 / m->blend;
    m->core = std::clamp(1.0 - 0.08 * s, 0.0, 1.0);
    m->floorOffset = m->radius + 1.0 + m->blend;
    // Ball surfaces reach at most 1 + r; the blend adds at most k / 4.
    m->boundingRadius = 1.0 + m->radius + m->blend;
    for (int i = 0; i < 3; ++i) m->light[i] = kLight[i];
    const float a = tumble->combined[2][0], b = tumble->combined[2][1], c = tumble->combined[2][2];
    MakeLegoViewCore(&m->view, a, c, -b, float(m->radius + 1.05));
    for (int i = 0; i < 3; ++i) m->viewDirection[i] = m->view.direction[i];
}

void DestroyMetaballModel(MetaballStructure* m) {
    if (!m) return;
    m->buildKey = -1;
    std::free(m->balls);
    m->balls = nullptr;
    m->count = 0;
}

double SmoothMin(double current, double b, double k) {
    const double e = b - current;
    if (e <= -k) return b;
    if (e >= k) return current;
    const double h = 0.5 + e * (0.5 / k);
    return b + h * (current - b) - k * h * (1.0 - h);
}

double getSdf_blendcount(const double p[3], metaballCache* cache, const MetaballStructure* m, double margin,
                         bool mark) {
    double value = Length(p) - (m->core + margin);
    const double r = m->radius + margin;
    for (int32_t i = 0; i < cache->count; ++i) {
        metaballCacheEntry& e = cache->entries[i];
        const double q[3] = {p[0] - e.centre[0], p[1] - e.centre[1], p[2] - e.centre[2]};
        const double before = value;
        value = SmoothMin(value, Length(q) - r, m->blend);
        if (mark && value != before) e.valid = 1;
    }
    return value;
}

double getSdf(const double p[3], const metaballCache* cache, const MetaballStructure* m) {
    return getSdf_blendcount(p, const_cast<metaballCache*>(cache), m, 0.0, false);
}

double sdPlane(const double p[3], const MetaballStructure* m) { return p[2] + m->floorOffset; }

double getSdfWithPlaneSeparated(const double p[3], const metaballCache* cache, const MetaballStructure* m,
                                double* blob) {
    *blob = getSdf(p, cache, m);
    return std::min(*blob, sdPlane(p, m));
}

int32_t closestball(const double p[3], const metaballCache* cache) {
    double best = 1e10;
    int32_t index = -1;
    for (int32_t i = 0; i < cache->count; ++i) {
        const double* c = cache->entries[i].centre;
        const double q[3] = {p[0] - c[0], p[1] - c[1], p[2] - c[2]};
        const double d = Dot(q, q);
        if (d < best) {
            best = d;
            index = cache->entries[i].index;
        }
    }
    return index;
}

void getGradientGivenCtr(const double p[3], const metaballCache* cache, const MetaballStructure* m, double n[3]) {
    for (int i = 0; i < 3; ++i) {
        double a[3] = {p[0], p[1], p[2]}, b[3] = {p[0], p[1], p[2]};
        a[i] += kGradientStep;
        b[i] -= kGradientStep;
        double blob;
        n[i] = getSdfWithPlaneSeparated(a, cache, m, &blob) - getSdfWithPlaneSeparated(b, cache, m, &blob);
    }
    const double len = Length(n);
    if (len > 0.0)
        for (int i = 0; i < 3; ++i) n[i] /= len;
    else
        n[0] = 0.0, n[1] = 0.0, n[2] = 1.0;
}

double getShadow(const double hit[3], metaballCache* shadowCache, const MetaballStructure* m, bool everyBall) {
    marchray ray{};
    for (int i = 0; i < 3; ++i) {
        ray.origin[i] = hit[i];
        ray.direction[i] = m->light[i] / Length(m->light);
    }
    if (everyBall) FillCacheWithEveryBall(m, shadowCache);
    else makeBallCacheCurrent_with_Tolerance(m, shadowCache, ray, 0.0);
    double t = 0.1, res = 1.0;
    for (int i = 0; i < 399; ++i) {
        const double p[3] = {hit[0] + t * ray.direction[0], hit[1] + t * ray.direction[1], hit[2] + t * ray.direction[2]};
        double blob;
        const double h = getSdfWithPlaneSeparated(p, shadowCache, m, &blob);
        if (h < kMarchHit) return 0.0;
        res = std::min(res, 8.0 * h / t);
        t += 1.6 * h;
        if (t > 3.0 || res < kMarchHit) break;
    }
    return std::clamp(res, 0.0, 1.0);
}

// ------------------------------------------------------------------- cache

void initMetaballCache(metaballCache* c) {
    c->count = 0;
    c->made = 0;
    c->tolerance = 0.0;
    c->point[0] = c->point[1] = c->point[2] = kNoPoint;
}

void markBallsInCacheAsInvalid(metaballCache* c) {
    for (int32_t i = 0; i < c->count; ++i) c->entries[i].valid = 0;
}

double DistanceFromInfiniteLineToPoint(const double p[3], const double o[3], const double d[3]) {
    const double q[3] = {p[0] - o[0], p[1] - o[1], p[2] - o[2]};
    const double s = Dot(q, d);
    const double r[3] = {q[0] - s * d[0], q[1] - s * d[1], q[2] - s * d[2]};
    return Length(r);
}

bool makeBallCacheCurrent_with_Tolerance(const MetaballStructure* m, metaballCache* c, const marchray& ray,
                                         double tolerance) {
    if (c->made == 1) {
        const double q[3] = {ray.origin[0] - c->point[0], ray.origin[1] - c->point[1], ray.origin[2] - c->point[2]};
        if (Length(q) <= c->tolerance) return false;
    }
    c->tolerance = tolerance;
    for (int i = 0; i < 3; ++i) c->point[i] = ray.origin[i];
    c->count = 0;
    const double reach = 1.3 * (m->radius + m->blend) + tolerance;
    for (int64_t i = 0; i < m->count && c->count < kMetaballCacheSize; ++i) {
        const double* centre = m->balls + 3 * i;
        if (DistanceFromInfiniteLineToPoint(centre, ray.origin, ray.direction) >= reach) continue;
        metaballCacheEntry& e = c->entries[c->count++];
        for (int k = 0; k < 3; ++k) e.centre[k] = centre[k];
        e.valid = 0;
        e.index = int32_t(i);
    }
    c->made = 1;
    return true;
}

void FillCacheWithEveryBall(const MetaballStructure* m, metaballCache* c) {
    c->count = 0;
    for (int64_t i = 0; i < m->count && c->count < kMetaballCacheSize; ++i) {
        metaballCacheEntry& e = c->entries[c->count++];
        for (int k = 0; k < 3; ++k) e.centre[k] = m->balls[3 * i + k];
        e.valid = 0;
        e.index = int32_t(i);
    }
    // Never kept for a ray: the next cached march refills it.
    c->made = 0;
}

// ----------------------------------------------------------------- history

void initSphereHistory(sphereHistory* h) {
    h->count = 0;
    h->silhouetteRadius = kNoSilhouette;
    h->silhouetteCentre[0] = h->silhouetteCentre[1] = h->silhouetteCentre[2] = 0.0;
    h->silhouetteValid = 0;
    h->counters[0] = h->counters[1] = 0;
}

void eraseSphereHistory(sphereHistory* h) { initSphereHistory(h); }

void findSphereThatCoversHilbertSquare_metaball(const MetaballStructure* m, metaballCache* cache,
                                                const marchray& central, sphereHistory* h, double width) {
    eraseSphereHistory(h);
    markBallsInCacheAsInvalid(cache);
    if (cache->count == 0) return;
    // Every radius grown by the square's width: the smooth minimum moves by
    // the same amount, so each distance is the plain one less the width and
    // its sphere is empty for every ray of the square. Each step goes to
    // the edge of the last sphere, so the chain has no gap; it stops where
    // the spheres become small next to the width. No silhouette sphere is
    // filled and no ray exits early: a ray the chain carries past the globe
    // ends at once on the march's own test (nothing ahead).
    const bool floor = sdPlane(central.origin, m) > width;
    double t = 0.0;
    const double least = std::max(1e-4, 0.05 * width);
    while (h->count < kSphereHistorySize) {
        const double p[3] = {central.origin[0] + t * central.direction[0], central.origin[1] + t * central.direction[1],
                             central.origin[2] + t * central.direction[2]};
        const double blob = getSdf_blendcount(p, cache, m, width, true);
        const double rho = floor ? std::min(blob, sdPlane(p, m) - width) : blob;
        if (rho < least) break;
        for (int i = 0; i < 3; ++i) h->centres[h->count][i] = p[i];
        h->radii[h->count] = rho;
        ++h->count;
        if (BeyondEverything(m, p, central.direction, floor)) break;
        t += rho;
    }
}

namespace {

// The chord of the ray through a sphere, or false when the line misses it.
bool Chord(const marchray& ray, const double c[3], double radius, double* tIn, double* tOut) {
    const double oc[3] = {ray.origin[0] - c[0], ray.origin[1] - c[1], ray.origin[2] - c[2]};
    const double b = Dot(oc, ray.direction);
    const double disc = b * b - (Dot(oc, oc) - radius * radius);
    if (disc < 0.0) return false;
    const double s = std::sqrt(disc);
    *tIn = -b - s;
    *tOut = -b + s;
    return true;
}

}  // namespace

double historySteppingForwardFrom(int64_t k, const sphereHistory* h, const marchray& ray) {
    double t = 0.0;
    for (int64_t i = std::clamp<int64_t>(k, 0, std::max<int64_t>(h->count - 1, 0)); i < h->count; ++i) {
        double tIn, tOut;
        // The ray must run through the sphere from where it has got to;
        // a sphere it leaves sideways ends the chain.
        if (!Chord(ray, h->centres[i], h->radii[i], &tIn, &tOut) || tIn > t || tOut < t) break;
        t = tOut;
    }
    return t;
}

// ------------------------------------------------------------------- march

marchray GetRayFromLVSandGaze(const LegoGaze& view, double u, double v) {
    marchray r{};
    for (int i = 0; i < 3; ++i) {
        r.origin[i] = 3.0 * view.direction[i] + u * view.right[i] + v * view.up[i];
        r.direction[i] = view.rayDirection[i];
    }
    const double len = Length(r.direction);
    for (double& x : r.direction) x /= len;
    r.u = u;
    r.v = v;
    return r;
}

void castMetaballRay_adjustable_omega(const MetaballStructure* m, const marchray& ray, metaballCache* cache,
                                      metaballCache* shadowCache, double tStart, bool everyBall, MetaballHit* hit) {
    hit->result = 0;
    hit->region = kPlaceNoDirection;
    hit->light = 0.0;
    hit->steps = 0.0f;
    if (!m || !m->balls) return;
    if (everyBall) FillCacheWithEveryBall(m, cache);
    if (cache->count == 0) return;
    // Over-relaxed sphere tracing. From the last accepted point (tPrev, its
    // distance rPrev: [tPrev, tPrev + rPrev] is empty) the ray goes omega
    // times rPrev on. When the new point's sphere does not reach back to the
    // last one, the stretch between them is unproven: the step is retried
    // from the last point with omega 1, so no surface is ever skipped.
    // omega follows how fast the distance shrinks: 4 while it grows, 1 as
    // it falls to nothing, each step the mean of the old value and that
    // estimate.
    // A ray that starts beneath the floor (a view from below) sees the
    // globe without it.
    const bool floor = sdPlane(ray.origin, m) > 0.0;
    double t = tStart, tPrev = tStart, rPrev = 0.0, omega = 1.0;
    bool first = true;
    int steps = 0;
    for (; steps < kMarchSteps; ++steps) {
        const double p[3] = {ray.origin[0] + t * ray.direction[0], ray.origin[1] + t * ray.direction[1],
                             ray.origin[2] + t * ray.direction[2]};
        double blob;
        const double withFloor = getSdfWithPlaneSeparated(p, cache, m, &blob);
        const double d = floor ? withFloor : blob;
        if (!first && omega > 1.0 && rPrev + std::fabs(d) < t - tPrev) {
            omega = 1.0;
            t = tPrev + rPrev;
            continue;
        }
        if (std::fabs(d) < kMarchHit) {
            hit->t = t;
            for (int i = 0; i < 3; ++i) hit->point[i] = p[i];
            hit->steps = float(steps);
            if (floor && sdPlane(p, m) < kMarchHit) return;  // the floor: no globe here
            hit->result = 1;
            getGradientGivenCtr(p, cache, m, hit->normal);
            const double cosine = Dot(hit->normal, m->light);
            hit->light = cosine > 0.0 ? getShadow(p, shadowCache, m, everyBall) : 0.0;
            hit->region = closestball(p, cache);
            return;
        }
        if (BeyondEverything(m, p, ray.direction, floor)) break;
        const double estimate = first || rPrev <= 0.0 ? 1.0 : 1.0 + 3.0 * std::clamp(d / rPrev, 0.0, 1.0);
        omega = std::clamp(0.5 * (omega + estimate), 1.0, 4.0);
        first = false;
        tPrev = t;
        rPrev = d;
        t += omega * d;
    }
    hit->steps = float(steps);
}
