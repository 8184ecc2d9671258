#include "projections/interrupted_maps.h"

#include "projections/world_map_projections.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;
constexpr double kFourSqrt2 = 5.656854249492384;

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
