#include "projections/interrupted_maps.h"

#include <cmath>

#include "projections/world_map_projections.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;

// One lobe: the offset added to x, the window on the lobe map's longitude and
// the shift of its central meridian (degrees).
struct Lobe {
    double offset;
    double minDegrees, maxDegrees;
    double shiftDegrees;
};

// Six lobes of the interrupted sinusoidal map: two in the north, four in the
// south, the continents unbroken.
constexpr Lobe kSinusoidalNorth[] = {{5.0 / 18.0, -80, 60, -100}, {-1.0 / 12.0, -70, 150, 30}};
constexpr Lobe kSinusoidalSouth[] = {
    {4.0 / 9.0, -20, 60, -160}, {1.0 / 6.0, -40, 40, -60}, {-1.0 / 18.0, -40, 60, 20}, {-7.0 / 18.0, -60, 40, 140}};

// Mollweide lobes with symmetric windows (half-width in degrees).
struct MollweideLobe {
    double offset;
    double halfWidthDegrees;
    double shiftDegrees;
};
constexpr MollweideLobe kOceanNorth[] = {{0.375, 45, -295}, {0.041666668, 75, -175}, {-0.33333334, 60, -40}};
constexpr MollweideLobe kOceanSouth[] = {{0.33333334, 60, 80}, {-0.041666668, 75, -145}, {-0.375, 45, -25}};
constexpr MollweideLobe kDataNorth[] = {{0.35, 71.5, -28.5}, {0.072222225, 28.5, 71.5}, {-0.2777778, 97.5, -162.5}};
constexpr MollweideLobe kDataSouth[] = {{0.3472222, 47.5, -27.5}, {0.059722222, 56, 76}, {-0.32222223, 81.5, -146.5}};

// Tries the lobes in order; the first whose window holds the sample wins.
template <class Map, class LobeT, int N>
void TryLobes(unsigned char* outside, const LobeT (&lobes)[N], Map map) {
    for (const LobeT& lobe : lobes) {
        unsigned char miss = 0;
        map(lobe, &miss);
        if (!miss) {
            *outside = 0;
            return;
        }
    }
    *outside = 1;
}

template <int N>
void MollweideLobes(float out[3], unsigned char* outside, const MollweideLobe (&lobes)[N], double x, double y) {
    TryLobes(outside, lobes, [&](const MollweideLobe& l, unsigned char* miss) {
        const double w = l.halfWidthDegrees * kDegree;
        TotalMollweide(out, miss, nullptr, (x + l.offset) * kFourSqrt2, y * kFourSqrt2, -w, w,
                       l.shiftDegrees * kDegree);
    });
}

}  // namespace

void TotalSinusoidalInterrupted(float out[3], unsigned char* outside, double x, double y) {
    auto lobe = [&](const Lobe& l, unsigned char* miss) {
        TotalSinusoidal(out, miss, x + l.offset, y, l.minDegrees * kDegree, l.maxDegrees * kDegree,
                        l.shiftDegrees * kDegree);
    };
    if (y < 0.0)
        TryLobes(outside, kSinusoidalNorth, lobe);
    else
        TryLobes(outside, kSinusoidalSouth, lobe);
}

void TotalRobinsonInterrupted(float out[3], unsigned char* outside, float* robinsonTable, double x, double y) {
    // The Robinson map spans -1..1 in x: the offsets double.
    auto lobe = [&](const Lobe& l, unsigned char* miss) {
        TotalRobinson(out, miss, robinsonTable, x + 2.0 * l.offset, y, l.minDegrees * kDegree,
                      l.maxDegrees * kDegree, l.shiftDegrees * kDegree);
    };
    if (y < 0.0)
        TryLobes(outside, kSinusoidalNorth, lobe);
    else
        TryLobes(outside, kSinusoidalSouth, lobe);
}

void TotalMollweide_ocean(float out[3], unsigned char* outside, double x, double y) {
    if (y < 0.0)
        MollweideLobes(out, outside, kOceanNorth, x, y);
    else
        MollweideLobes(out, outside, kOceanSouth, x, y);
}

void Total_ocean_data(float out[3], unsigned char* outside, double x, double y) {
    if (y < 0.0)
        MollweideLobes(out, outside, kDataNorth, x, y);
    else
        MollweideLobes(out, outside, kDataSouth, x, y);
}

void TotalSinuMollweide(float out[3], unsigned char* outside, int flag, double x, double y) {
    (void)flag;  // the oblique variant is never asked for
    constexpr double kJoin = 0.13274317484306256;     // 40° south on the Mollweide part
    constexpr double kScale = 0.9040056492354751;     // sinusoidal width at the join
    const double yy = y + 0.01824999999999999;
    if (yy < kJoin) {
        TotalMollweide(out, outside, nullptr, x * kFourSqrt2, yy * kFourSqrt2, -kPi, kPi, 0.0);
        return;
    }
    TotalSinusoidal(out, outside, kScale * x, (yy - kJoin) * kScale + 1.0 / 9.0, -kPi, kPi, 0.0);
}

// ---- Philbrick interrupted ----
//
// The sinu-Mollweide split (Mollweide north of 40° south, the sinusoidal map
// scaled to meet it south of that) cut into lobes, as this map is built:
//
// - North of y' = -0.11705 (35° north): two Mollweide lobes meeting at the
//   central column, the east one (x >= 0) with its central meridian 0.04909
//   to the right (offset -0.04909), the west one 0.04909 to the left. Each
//   reaches a little past longitude 0, so a direction near it would show in
//   both: the east lobe, the first drawn, keeps it, and a west pixel whose
//   longitude the east lobe reaches on that row is outside. In x that is
//   the strip -2 * 0.04909 <= x < 0.
// - Down to y' = 0.0346 (10.117° south): the plain Mollweide.
// - From there to the join at 40° south: the Mollweide where it shows the
//   central zone (inCentralZaggy); elsewhere two side lobes with windows
//   -90°..90°, the one offset by +0.24757738411426544 turned by -90°, the
//   one offset by -0.24757738411426544 by +90°, each kept only outside the
//   central zone. The offset is a quarter of the Mollweide's width where the
//   side lobes begin (cos θ / 4 at 10.117° south), so they start in the middle
//   of each half of the map.
// - South of the join: the same three lobes on the sinusoidal map, the
//   offsets added to x before the sinusoidal scale so that each lobe meets
//   its Mollweide part at the join. South of 40° nothing is central: the two
//   side lobes show the whole of each row.
// - The oblique turn of the central lobe is left out: which coordinates it
//   turns is not known, and without it every row from 79.5° south to 89.5°
//   north reaches every longitude once.

namespace {

constexpr double kPhilbrickJoin = 0.13274317484306256;   // 40° south on the Mollweide part
constexpr double kPhilbrickScale = 0.9040056492354751;   // sinusoidal width at the join
constexpr double kPhilbrickFarNorth = -0.11705100266972968;
constexpr double kPhilbrickFarNorthOffset = 0.04909002035856247;
constexpr double kPhilbrickSideBand = 0.0346;
constexpr double kPhilbrickSideOffset = 0.24757738411426544;

struct PhilbrickSide {
    double offset, shift;
};
constexpr PhilbrickSide kPhilbrickSides[] = {{kPhilbrickSideOffset, -kPi / 2}, {-kPhilbrickSideOffset, kPi / 2}};

}  // namespace

bool inCentralZaggy(const float d[3]) {
    double L = std::acos(double(d[1])) * (180.0 / kPi) - 90.0;
    if (std::isnan(L)) L = -90.0;
    const double fromCentre = std::atan2(double(d[0]), double(d[2])) * (180.0 / kPi) + 20.0, A = std::fabs(fromCentre);
    if (L <= -10.0) return true;
    if (L <= 0.0) return fromCentre < 0.0 ? A <= 70.0 : A <= 60.0;
    if (L <= 10.0) return A <= 50.0;
    if (L <= 20.0) return A <= 40.0;
    if (L <= 30.0) return A <= 30.0;
    if (L <= 40.0) return A <= 20.0;
    return false;
}

void TotalPhilbrick_interrupted(float out[3], unsigned char* outside, double x, double y) {
    const double yy = y + 0.01824999999999999;
    *outside = 1;
    if (yy <= kPhilbrickFarNorth) {
        // The west lobe gives way where the east lobe reaches its longitudes.
        if (x < 0.0 && x >= -2.0 * kPhilbrickFarNorthOffset) return;
        const double offset = x >= 0.0 ? -kPhilbrickFarNorthOffset : kPhilbrickFarNorthOffset;
        TotalMollweide(out, outside, nullptr, (x + offset) * kFourSqrt2, yy * kFourSqrt2, -kPi, kPi, 0.0);
        return;
    }
    if (yy < kPhilbrickSideBand) {
        TotalMollweide(out, outside, nullptr, x * kFourSqrt2, yy * kFourSqrt2, -kPi, kPi, 0.0);
        return;
    }
    // The central lobe where it shows the central zone, else the side lobes
    // outside it.
    auto lobe = [&](double offset, double lambdaMin, double lambdaMax, double shift, unsigned char* miss) {
        if (yy < kPhilbrickJoin)
            TotalMollweide(out, miss, nullptr, (x + offset) * kFourSqrt2, yy * kFourSqrt2, lambdaMin, lambdaMax, shift);
        else
            TotalSinusoidal(out, miss, kPhilbrickScale * (x + offset), (yy - kPhilbrickJoin) * kPhilbrickScale + 1.0 / 9.0,
                            lambdaMin, lambdaMax, shift);
    };
    unsigned char miss = 1;
    lobe(0.0, -kPi, kPi, 0.0, &miss);
    if (!miss && inCentralZaggy(out)) {
        *outside = 0;
        return;
    }
    for (const PhilbrickSide& side : kPhilbrickSides) {
        miss = 1;
        lobe(side.offset, -kPi / 2, kPi / 2, side.shift, &miss);
        if (!miss && !inCentralZaggy(out)) {
            *outside = 0;
            return;
        }
    }
}

// ---- the output modes these maps serve ----

namespace {

void MollweideOcean(ProjectionSample& s) { TotalMollweide_ocean(s.point, &s.miss, s.plane.X, s.plane.Y); }
void SinusoidalInterrupted(ProjectionSample& s) {
    TotalSinusoidalInterrupted(s.point, &s.miss, s.plane.X, s.plane.Y);
}
void SinuMollweide(ProjectionSample& s) { TotalSinuMollweide(s.point, &s.miss, 0, s.plane.X, s.plane.Y); }
void PhilbrickInterrupted(ProjectionSample& s) {
    TotalPhilbrick_interrupted(s.point, &s.miss, s.plane.X, s.plane.Y);
}
void RobinsonInterrupted(ProjectionSample& s) {
    TotalRobinsonInterrupted(s.point, &s.miss, s.context->ellipsoidTable, s.plane.X, s.plane.Y);
}
void OceanData(ProjectionSample& s) { Total_ocean_data(s.point, &s.miss, s.plane.X, s.plane.Y); }

constexpr ProjectionEntry kServed[] = {
    {kModeMollweideOcean, MollweideOcean},
    {kModeSinusoidalInterrupted, SinusoidalInterrupted},
    {kModeSinuMollweide, SinuMollweide},
    {kModePhilbrickInterrupted, PhilbrickInterrupted},
    {kModeRobinsonInterrupted, RobinsonInterrupted},
    {kModeOceanData, OceanData},
};

}  // namespace

ProjectionTable InterruptedMapProjections() { return kServed; }
