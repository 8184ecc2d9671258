// The Newton-inverted world maps and van der Grinten I against the forward
// formulas of their papers (Snyder's manual; Laskowski 1997; Canters 2002;
// Šavrič et al. 2011 and 2018; Winkel 1921 as in Snyder), written out here
// in their usual form: longitude east, latitude north, map y up. The maps
// take the plane with y downward, so the reference y is negated.
#include "projections/world_maps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "projections/forward_maps.h"
#include "tests/projections/road_fixture.h"

namespace {

using Forward = std::function<void(double lon, double lat, double* x, double* y)>;
using Total = std::function<void(float out[3], unsigned char* miss, double x, double y)>;

void RefLaskowski(double l, double p, double* x, double* y) {
    const double l2 = l * l, p2 = p * p;
    *x = l * (0.975534 - 0.119161 * p2 - 0.0143059 * l2 * p2 - 0.0547009 * p2 * p2);
    *y = p * (1.00384 + 0.0802894 * l2 + 0.0998909 * p2 + 0.000199025 * l2 * l2 - 0.02855 * l2 * p2 -
              0.0491032 * p2 * p2);
}
void RefCanters(double l, double p, double* x, double* y) {
    *x = l * (0.9305 - 0.1968 * p * p + 0.0076 * std::pow(p, 4) - 0.0067 * l * l * p * p);
    *y = p * (0.9305 + 0.0394 * l * l - 0.0115 * p * p * l * l + 0.0005 * std::pow(l, 4));
}
void RefLarrivee(double l, double p, double* x, double* y) {
    *x = l * (1.0 + std::sqrt(std::cos(p))) / 2.0;
    *y = p / (std::cos(p / 2.0) * std::cos(l / 6.0));
}
void RefGinzburg8(double l, double p, double* x, double* y) {
    *x = l * (1.0 - 0.162388 * p * p) * (0.87 - 0.000952426 * std::pow(l, 4));
    *y = p * (1.0 + p * p / 12.0);
}
void RefNaturalEarth(double l, double p, double* x, double* y) {
    const double p2 = p * p;
    *x = l * (0.8707 - 0.131979 * p2 + p2 * p2 * (-0.013791 + std::pow(p2, 3) * (0.003971 - 0.001529 * p2)));
    *y = p * (1.007226 + p2 * (0.015085 + p2 * p2 * (-0.044475 + 0.028874 * p2 - 0.005916 * p2 * p2)));
}
// Equal Earth, Šavrič, Patterson and Jenny (2018), equations 2.
void RefEqualEarth(double l, double p, double* x, double* y) {
    const double A1 = 1.340264, A2 = -0.081106, A3 = 0.000893, A4 = 0.003796;
    const double t = std::asin(std::sqrt(3.0) / 2.0 * std::sin(p));
    *x = 2.0 * std::sqrt(3.0) * l * std::cos(t) /
         (3.0 * (9 * A4 * std::pow(t, 8) + 7 * A3 * std::pow(t, 6) + 3 * A2 * t * t + A1));
    *y = A4 * std::pow(t, 9) + A3 * std::pow(t, 7) + A2 * std::pow(t, 3) + A1 * t;
}
// Winkel tripel with the standard parallel acos(2/pi) (Snyder).
void RefWinkel(double l, double p, double* x, double* y) {
    const double a = std::acos(std::cos(p) * std::cos(l / 2.0));
    const double sinc = a == 0.0 ? 1.0 : std::sin(a) / a;
    *x = 0.5 * (l * 2.0 / M_PI + 2.0 * std::cos(p) * std::sin(l / 2.0) / sinc);
    *y = 0.5 * (p + std::sin(p) / sinc);
}
// van der Grinten I, Snyder p. 239, divided by pi so the world is the unit disc.
void RefVanDerGrinten(double l, double p, double* x, double* y) {
    if (p == 0.0) {
        *x = l / M_PI;
        *y = 0.0;
        return;
    }
    const double th = std::asin(std::fabs(2.0 * p / M_PI));
    if (l == 0.0) {
        *x = 0.0;
        *y = std::copysign(std::tan(th / 2.0), p);
        return;
    }
    const double A = 0.5 * std::fabs(M_PI / l - l / M_PI);
    const double G = std::cos(th) / (std::sin(th) + std::cos(th) - 1.0);
    const double P = G * (2.0 / std::sin(th) - 1.0);
    const double Q = A * A + G;
    *x = std::copysign(A * (G - P * P) + std::sqrt(A * A * (G - P * P) * (G - P * P) - (P * P + A * A) * (G * G - P * P)),
                       l) / (P * P + A * A);
    *y = std::copysign(std::fabs(P * Q - A * std::sqrt((A * A + 1.0) * (P * P + A * A) - Q * Q)), p) / (P * P + A * A);
}

struct MapCase {
    const char* name;
    Forward reference;
    Total total;
    double tolerance;  // radians on the sphere
    double maxLat;     // degrees covered by the round trip
};

TEST(WorldMaps, InverseOfTheReferenceForwardMapIsTheStartingPoint) {
    const MapCase cases[] = {
        {"Laskowski", RefLaskowski, TotalLaskowski, 2e-4, 90},
        {"Canters", RefCanters, TotalCanters, 2e-4, 90},
        {"Larrivee", RefLarrivee, TotalLarrivee, 2e-4, 89},
        {"Ginzburg VIII", RefGinzburg8, TotalGinzburg8, 2e-4, 90},
        {"Natural Earth", RefNaturalEarth, TotalNaturalEarth, 2e-4, 90},
        {"Equal Earth", RefEqualEarth, TotalEqualEarth, 2e-5, 90},
        {"Winkel tripel", RefWinkel, TotalWinkel, 2e-4, 90},
        {"van der Grinten I", RefVanDerGrinten, Totalvandergrinten1, 2e-5, 90},
    };
    for (const MapCase& m : cases) {
        int failures = 0;
        for (double latD = -m.maxLat + 0.5; latD <= m.maxLat; latD += 7.5)
            for (double lonD = -179.0; lonD <= 179.0; lonD += 8.5) {
                const double lon = lonD * M_PI / 180, lat = latD * M_PI / 180;
                double x, y;
                m.reference(lon, lat, &x, &y);
                float got[3] = {9, 9, 9}, want[3];
                unsigned char miss = 0;
                m.total(got, &miss, x, -y);
                DirectionOfLonLat(lon, lat, want);
                if (miss || !(AngleBetween(got, want) <= m.tolerance)) {
                    if (++failures < 4)
                        ADD_FAILURE() << m.name << " at lon " << lonD << " lat " << latD << " miss " << int(miss)
                                      << " off by " << AngleBetween(got, want);
                }
            }
        EXPECT_EQ(failures, 0) << m.name;
    }
}

// Strebe 1995 is this system's own composite (Eckert IV, the Mollweide
// inverse, Hammer); its forward map is the reference for its inverse.
TEST(WorldMaps, Strebe1995InverseUndoesItsForwardMapWithAndWithoutTheSearchCache) {
    for (int cached = 0; cached < 2; ++cached) {
        coherentSearchCache cache{0, 0, false};
        int failures = 0;
        for (double latD = -85.0; latD <= 85.0; latD += 5.0)
            for (double lonD = -178.0; lonD <= 178.0; lonD += 4.0) {
                const double lon = lonD * M_PI / 180, lat = latD * M_PI / 180;
                double x, y;
                strebe1995forward(lon, lat, &x, &y);
                float got[3], want[3];
                unsigned char miss = 0;
                TotalStrebe1995(got, &miss, cached ? &cache : nullptr, x, -y);
                DirectionOfLonLat(lon, lat, want);
                // The outline's notches and rounded ends trim a little of the
                // polar rim: those samples are misses.
                if (miss) continue;
                if (!(AngleBetween(got, want) <= 2e-4) && ++failures < 4)
                    ADD_FAILURE() << lonD << " " << latD << " off by " << AngleBetween(got, want);
            }
        EXPECT_EQ(failures, 0);
    }
    float p[3];
    unsigned char miss = 0;
    TotalStrebe1995(p, &miss, nullptr, 0.0, 1.5);  // in the polar notch
    EXPECT_EQ(miss, 1);
    miss = 0;
    TotalStrebe1995(p, &miss, nullptr, 0.0, 0.0);
    EXPECT_EQ(miss, 0);
    EXPECT_NEAR(p[2], 1.0f, 1e-6);
}

TEST(WorldMaps, ExtentsAreTheMapsWidthAndHeight) {
    double x, y;
    RefEqualEarth(M_PI, 0, &x, &y);
    EXPECT_NEAR(x, kEqualEarthExtentX, 1e-12);
    RefEqualEarth(0, M_PI / 2, &x, &y);
    EXPECT_NEAR(y, kEqualEarthExtentY, 1e-12);
    RefWinkel(M_PI, 0, &x, &y);
    EXPECT_NEAR(x, kWinkelExtentX, 1e-9);
    RefCanters(M_PI, M_PI / 2, &x, &y);
    EXPECT_NEAR(y, kCantersExtentY, 1e-4);
    RefNaturalEarth(M_PI, 0, &x, &y);
    EXPECT_NEAR(x, kNaturalEarthExtentX, 1e-5);
    // Beyond the extent every map misses.
    const Total totals[] = {TotalLaskowski, TotalCanters, TotalLarrivee, TotalGinzburg8,
                            TotalNaturalEarth, TotalEqualEarth, TotalWinkel, Totalvandergrinten1};
    for (const Total& t : totals) {
        float p[3];
        unsigned char miss = 0;
        t(p, &miss, 3.2, 0.0);
        EXPECT_EQ(miss, 1);
        miss = 0;
        t(p, &miss, 0.0, 2.6);
        EXPECT_EQ(miss, 1);
        miss = 0;
        t(p, &miss, NAN, 0.0);
        EXPECT_EQ(miss, 1);
    }
}

TEST(WorldMaps, SpecialPointsTakeTheirClosedCases) {
    float p[3] = {5, 5, 5};
    unsigned char miss = 0;
    TotalWinkel(p, &miss, 0.0, 0.0);
    EXPECT_EQ(miss, 0);
    EXPECT_FLOAT_EQ(p[2], 1.0f);
    EXPECT_NEAR(p[0], 0.0f, 1e-7);
    // van der Grinten I on the equator and on the central meridian.
    Totalvandergrinten1(p, &miss, 0.5, 0.0);
    float want[3];
    DirectionOfLonLat(M_PI / 2, 0.0, want);
    EXPECT_LT(AngleBetween(p, want), 1e-6);
    Totalvandergrinten1(p, &miss, 0.0, -0.5);
    DirectionOfLonLat(0.0, M_PI / 2 * std::sin(2 * std::atan(0.5)), want);
    EXPECT_LT(AngleBetween(p, want), 1e-6);
    Totalvandergrinten1(p, &miss, 0.8, 0.8);
    EXPECT_EQ(miss, 1);
    // The north pole at the top of the disc.
    miss = 0;
    Totalvandergrinten1(p, &miss, 0.0, -1.0);
    EXPECT_EQ(miss, 0);
    EXPECT_NEAR(p[1], 1.0f, 1e-6);
}

TEST(WorldMaps, EqualEarthForwardIsThePapersMap) {
    for (double lat = -1.5; lat <= 1.5; lat += 0.25)
        for (double lon = -3.0; lon <= 3.0; lon += 0.5) {
            double x, y, rx, ry;
            EqualEarth_forward(lon, lat, &x, &y);
            RefEqualEarth(lon, lat, &rx, &ry);
            EXPECT_NEAR(x, rx, 1e-12);
            EXPECT_NEAR(y, ry, 1e-12);
        }
}
}  // namespace
