// Interrupted and composite world maps lobe by lobe against Snyder's
// sinusoidal and Mollweide forward formulas, and the power maps against the
// Mercator and stereographic maps of the squared or cubed plane.
#include "projections/interrupted_maps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <vector>

#include "projections/power_maps.h"
#include "tests/projections/road_fixture.h"

namespace {

void RefMollweide(double l, double p, double* x, double* y) {
    double t = p;
    for (int i = 0; i < 100 && std::fabs(p) < 1.5707; ++i) {
        const double d = (2 * t + std::sin(2 * t) - M_PI * std::sin(p)) / (2 + 2 * std::cos(2 * t));
        t -= d;
        if (std::fabs(d) < 1e-14) break;
    }
    *x = 2 * std::sqrt(2.0) / M_PI * l * std::cos(t);
    *y = std::sqrt(2.0) * std::sin(t);
}

struct LobeRef {
    double offset, minD, maxD, shiftD;
};

// Each lobe's interior: the point at longitude lon (east, degrees) of the
// lobe's map, shifted by the lobe's central meridian.
TEST(InterruptedMaps, SinusoidalAndRobinsonLobesShowTheirOwnMeridians) {
    const LobeRef north[] = {{5.0 / 18, -80, 60, -100}, {-1.0 / 12, -70, 150, 30}};
    const LobeRef south[] = {{4.0 / 9, -20, 60, -160}, {1.0 / 6, -40, 40, -60}, {-1.0 / 18, -40, 60, 20},
                             {-7.0 / 18, -60, 40, 140}};
    for (int half = 0; half < 2; ++half)
        for (int k = 0; k < (half ? 4 : 2); ++k) {
            const LobeRef& l = half ? south[k] : north[k];
            for (double mapLon = l.minD + 2; mapLon < l.maxD - 1; mapLon += 9)
                for (double latD : {5.0, 33.0, 61.0, 85.0}) {
                    const double lat = (half ? -latD : latD) * M_PI / 180, lon = mapLon * M_PI / 180;
                    float got[3], want[3];
                    unsigned char miss = 1;
                    TotalSinusoidalInterrupted(got, &miss, lon * std::cos(lat) / (2 * M_PI) - l.offset,
                                               -lat / (2 * M_PI));
                    ASSERT_EQ(miss, 0) << mapLon << " " << latD;
                    DirectionOfLonLat((mapLon + l.shiftD) * M_PI / 180, lat, want);
                    EXPECT_LT(AngleBetween(got, want), 1e-5) << mapLon << " " << latD;
                }
            // Robinson on the equator: the half-width there is 1.
            static InverseTables tables;
            MarkInverseTablesUnbuilt(&tables);
            float got[3], want[3];
            unsigned char miss = 1;
            const double mapLon = (l.minD + l.maxD) / 2;
            TotalRobinsonInterrupted(got, &miss, tables.ellipsoid, mapLon / 180 - 2 * l.offset, half ? 1e-5 : -1e-5);
            ASSERT_EQ(miss, 0);
            DirectionOfLonLat((mapLon + l.shiftD) * M_PI / 180, 0.0, want);
            EXPECT_LT(AngleBetween(got, want), 1e-4);
        }
    // The seam between the two northern lobes belongs to neither.
    float p[3];
    unsigned char miss = 0;
    TotalSinusoidalInterrupted(p, &miss, -5.0 / 18 + 60.0 / 360, -0.05);
    EXPECT_EQ(miss, 1);
}

TEST(InterruptedMaps, MollweideOceanAndOceanDataLobes) {
    struct MLobe {
        double offset, halfD, shiftD;
    };
    const MLobe oceanN[] = {{0.375, 45, -295}, {0.041666668, 75, -175}, {-0.33333334, 60, -40}};
    const MLobe oceanS[] = {{0.33333334, 60, 80}, {-0.041666668, 75, -145}, {-0.375, 45, -25}};
    const MLobe dataN[] = {{0.35, 71.5, -28.5}, {0.072222225, 28.5, 71.5}, {-0.2777778, 97.5, -162.5}};
    const MLobe dataS[] = {{0.3472222, 47.5, -27.5}, {0.059722222, 56, 76}, {-0.32222223, 81.5, -146.5}};
    for (int map = 0; map < 2; ++map)
        for (int half = 0; half < 2; ++half) {
            const MLobe* lobes = map ? (half ? dataS : dataN) : (half ? oceanS : oceanN);
            for (int k = 0; k < 3; ++k) {
                const MLobe& l = lobes[k];
                for (double f = -0.9; f <= 0.9; f += 0.3)
                    for (double latD : {10.0, 45.0, 80.0}) {
                        const double lat = (half ? -latD : latD) * M_PI / 180, lon = f * l.halfD * M_PI / 180;
                        double x, y;
                        RefMollweide(lon, lat, &x, &y);
                        float got[3], want[3];
                        unsigned char miss = 1;
                        const double px = x / 5.656854249492384 - l.offset, py = -y / 5.656854249492384;
                        if (map)
                            Total_ocean_data(got, &miss, px, py);
                        else
                            TotalMollweide_ocean(got, &miss, px, py);
                        ASSERT_EQ(miss, 0) << map << half << k << " " << f << " " << latD;
                        DirectionOfLonLat(lon + l.shiftD * M_PI / 180, lat, want);
                        EXPECT_LT(AngleBetween(got, want), 1e-5) << map << half << k << " " << f << " " << latD;
                    }
            }
        }
}

// Mollweide north of 40° S, a scaled sinusoidal map south of it, meeting at
// the join (the join is at 40° S, not at the equator).
TEST(InterruptedMaps, SinuMollweideJoinsAtFortySouth) {
    const double shift = 0.01824999999999999, join = 0.13274317484306256, k = 0.9040056492354751;
    for (double latD = -85; latD <= 85; latD += 10)
        for (double lonD = -170; lonD <= 170; lonD += 20) {
            const double lat = latD * M_PI / 180, lon = lonD * M_PI / 180;
            double x, y;
            if (latD > -40) {
                RefMollweide(lon, lat, &x, &y);
                x /= 5.656854249492384;
                y = -y / 5.656854249492384 - shift;
            } else {
                // Sinusoidal of the southward latitude, scaled to the join.
                x = lon * std::cos(lat) / (2 * M_PI) / k;
                y = (-lat / (2 * M_PI) - 1.0 / 9) / k + join - shift;
            }
            float got[3], want[3];
            unsigned char miss = 1;
            TotalSinuMollweide(got, &miss, 0, x, y);
            ASSERT_EQ(miss, 0) << lonD << " " << latD;
            DirectionOfLonLat(lon, lat, want);
            EXPECT_LT(AngleBetween(got, want), 1e-5) << lonD << " " << latD;
        }
}

// The plane position of longitude lon, latitude lat (radians) on the
// sinu-Mollweide split, before any lobe's offset: Snyder's Mollweide north of
// 40° S, the scaled sinusoidal map south of it.
void SinuMollweidePosition(double lon, double lat, double* x, double* y) {
    const double shift = 0.01824999999999999, join = 0.13274317484306256, k = 0.9040056492354751;
    if (lat > -40 * M_PI / 180) {
        RefMollweide(lon, lat, x, y);
        *x /= 5.656854249492384;
        *y = -*y / 5.656854249492384 - shift;
    } else {
        *x = lon * std::cos(lat) / (2 * M_PI) / k;
        *y = (-lat / (2 * M_PI) - 1.0 / 9) / k + join - shift;
    }
}

// The Philbrick map's lobes, each at a point well inside it: where the map
// puts a longitude and latitude, as the lobes are described beside the map.
TEST(InterruptedMaps, PhilbrickLobesShowTheirOwnMeridians) {
    constexpr double north = 0.04909002035856247, side = 0.24757738411426544;
    struct Case {
        const char* lobe;
        double latD, mapLonD;  // the point of the lobe's map
        double offset, shiftD;
    } cases[] = {
        {"far north, east", 60, 100, -north, 0},   {"far north, east", 40, 5, -north, 0},
        {"far north, west", 60, -100, north, 0},   {"far north, west", 80, -170, north, 0},
        {"plain Mollweide", 20, -150, 0, 0},       {"plain Mollweide", -5, 170, 0, 0},
        {"central zone", -20, 20, 0, 0},           {"central zone", -35, 35, 0, 0},
        {"west side", -20, -30, side, -90},        {"east side", -30, 50, -side, 90},
        {"west side, south", -60, 40, side, -90},  {"east side, south", -75, -80, -side, 90},
    };
    for (const Case& c : cases) {
        const double lat = c.latD * M_PI / 180;
        double x, y;
        SinuMollweidePosition(c.mapLonD * M_PI / 180, lat, &x, &y);
        float got[3], want[3];
        unsigned char miss = 1;
        TotalPhilbrick_interrupted(got, &miss, x - c.offset, y);
        ASSERT_EQ(miss, 0) << c.lobe << " " << c.latD << " " << c.mapLonD;
        DirectionOfLonLat((c.mapLonD + c.shiftD) * M_PI / 180, lat, want);
        EXPECT_LT(AngleBetween(got, want), 1e-5) << c.lobe << " " << c.latD << " " << c.mapLonD;
    }
    // The central zone: everything north of 10° N, then a band about 20° E
    // narrowing to nothing at 40° S.
    struct Zone {
        double latD, lonD;
        bool central;
    } zones[] = {{45, 170, true}, {11, -150, true},  {5, 85, true},    {5, 95, false},  {5, -35, true},
                 {5, -45, false}, {-5, 65, true},    {-5, 75, false},  {-15, 55, true}, {-15, -25, false},
                 {-25, 45, true}, {-25, 55, false},  {-35, 35, true},  {-35, -5, false}, {-45, 20, false}};
    for (const Zone& z : zones) {
        float d[3];
        DirectionOfLonLat(z.lonD * M_PI / 180, z.latD * M_PI / 180, d);
        EXPECT_EQ(inCentralZaggy(d), z.central) << z.latD << " " << z.lonD;
    }
}

// Every 1° row of the Philbrick map from 79.5° S to 89.5° N reaches every
// longitude, and each only once: the far-north lobes overlap about the
// central meridian, and there the east lobe keeps the directions. Along a
// row, samples taken in order of longitude step from one x to the next
// except where one lobe hands over to another; a stretch shown twice would
// have them jump back and forth between the two places.
TEST(InterruptedMaps, PhilbrickReachesEveryLongitudeOnce) {
    constexpr int kSteps = 12000;
    double widest = 0.0;
    int rows = 0, mostJumps = 0;
    for (double latD = -79.5; latD <= 89.5; latD += 1.0) {
        // The row's half-width, and a scan reaching past it by the largest
        // lobe offset.
        double w, y;
        SinuMollweidePosition(M_PI, latD * M_PI / 180, &w, &y);
        const double reach = w + 0.25;
        std::vector<std::pair<double, double>> reached;  // longitude, x
        for (int i = 0; i <= kSteps; ++i) {
            const double x = reach * (2.0 * i / kSteps - 1.0);
            float d[3];
            unsigned char miss = 1;
            TotalPhilbrick_interrupted(d, &miss, x, y);
            if (miss) continue;
            const double lon = -std::atan2(double(d[0]), double(d[2])) * 180 / M_PI;
            const double lat = std::asin(std::clamp(double(d[1]), -1.0, 1.0)) * 180 / M_PI;
            ASSERT_NEAR(lat, latD, 1e-4) << x;
            reached.push_back({lon, x});
        }
        std::sort(reached.begin(), reached.end());
        ASSERT_FALSE(reached.empty()) << latD;
        double gap = reached.front().first + 360 - reached.back().first;
        int jumps = 0;
        for (size_t k = 1; k < reached.size(); ++k) {
            gap = std::max(gap, reached[k].first - reached[k - 1].first);
            jumps += std::fabs(reached[k].second - reached[k - 1].second) > 0.02;
        }
        widest = std::max(widest, gap);
        EXPECT_LT(gap, 1.0) << "row " << latD;
        // Three lobes side by side hand over twice.
        EXPECT_LE(jumps, 2) << "row " << latD;
        mostJumps = std::max(mostJumps, jumps);
        ++rows;
    }
    std::printf("Philbrick: %d rows, widest gap %.3f degrees, at most %d hand-overs a row\n", rows, widest, mostJumps);
    EXPECT_EQ(rows, 170);
}

TEST(PowerMaps, SquareOrCubeThenMercatorOrStereographic) {
    for (long mode = 65; mode <= 68; ++mode)
        for (float f : {0.5f, 1.0f, 2.0f})
            for (float x = -0.4f; x <= 0.41f; x += 0.2f)
                for (float y = -0.3f; y <= 0.31f; y += 0.15f) {
                    std::complex<double> z(x, y);
                    const std::complex<double> P = (mode == 65 || mode == 67) ? z * z / 2.0 : z * z * z;
                    float got[3] = {7, 7, 7}, want[3];
                    DoMercAndHyper(got, mode, x, y, f);
                    if (mode >= 67) {
                        // Mercator of the power times f²: east to the right, south down.
                        const double X = P.real() * f * f, Y = P.imag() * f * f;
                        DirectionOfLonLat(2 * M_PI * X, -std::atan(std::sinh(2 * M_PI * Y)), want);
                    } else {
                        // Stereographic: plane radius 2 tan(c/2) at angle c from the centre.
                        const double X = 5 * f * P.real(), Y = 5 * f * P.imag(), r = std::hypot(X, Y);
                        const double c = 2 * std::atan(r / 2);
                        const double s = r > 0 ? std::sin(c) / r : 0;
                        want[0] = float(-X * s), want[1] = float(-Y * s), want[2] = float(std::cos(c));
                    }
                    EXPECT_LT(AngleBetween(got, want), 2e-6) << mode << " " << f << " " << x << " " << y;
                }
    float p[3] = {7, 7, 7};
    DoMercAndHyper(p, 64, 0.1f, 0.1f, 1.0f);
    EXPECT_EQ(p[0], 7.0f);
    DoMercAndHyper(p, 65, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(p[2], 1.0f);
}

}  // namespace
