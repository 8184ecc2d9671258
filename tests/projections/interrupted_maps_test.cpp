// Interrupted and composite world maps lobe by lobe against Snyder's
// sinusoidal and Mollweide forward formulas, and the power maps against the
// Mercator and stereographic maps of the squared or cubed plane.
#include "projections/interrupted_maps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

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
