#include "projections/forward_maps.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(LazyTables, FilledOnceByTheFirstUse) {
    InverseTables t;
    MarkInverseTablesUnbuilt(&t);
    EXPECT_EQ(Molltheta(t.mollweide, 0.0f), 0.0f);
    EXPECT_NE(t.mollweide[0], kLazyTableUnbuilt);
    t.mollweide[5] = 42.0f;  // a second call reads, never refills
    Molltheta(t.mollweide, 0.1f);
    EXPECT_EQ(t.mollweide[5], 42.0f);
    // The ellipsoid table has room for its total: filling all 401 slots
    // leaves the Mollweide table's mark alone.
    InverseTables u;
    MarkInverseTablesUnbuilt(&u);
    for (int i = 0; i < kEllipsoidTableSize; ++i) u.ellipsoid[i] = 1.0f;
    EXPECT_EQ(u.mollweide[0], kLazyTableUnbuilt);
}

TEST(LazyTables, MollweideAngleSolvesItsEquation) {
    InverseTables t;
    MarkInverseTablesUnbuilt(&t);
    for (float phi = -1.5f; phi <= 1.5f; phi += 0.1f) {
        const double th = 2.0 * Molltheta(t.mollweide, phi);
        EXPECT_NEAR(th + std::sin(th), M_PI * std::sin(phi), 2e-3) << phi;
    }
    // At the pole the table reads half-way between entries 199 and 200.
    const float pole = Molltheta(t.mollweide, static_cast<float>(M_PI / 2));
    EXPECT_NEAR(pole, 0.5f * (t.mollweide[199] + t.mollweide[200]), 1e-6);
    EXPECT_NEAR(pole, M_PI / 2, 0.05);  // the square-root pinch of the pole
}

TEST(Robinson, InverseUndoesTheLatitudeTable) {
    float table[kLazyTableSize];
    table[0] = kLazyTableUnbuilt;
    for (float L = -0.95f; L <= 0.95f; L += 0.05f) {
        float scale;
        const float y = RobLatLerp(&scale, L);  // map height of latitude fraction L
        EXPECT_NEAR(RobinsonInverse_function(table, y), L, 2e-3) << L;
    }
}

TEST(ForwardMaps, KnownValues) {
    double x, y;
    WinkelTripelForward(0, 0, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    vandergrinten1forward(1.2, 0, &x, &y);
    EXPECT_EQ(x, 1.2);
    EXPECT_EQ(y, 0);
    vandergrinten1forward(0, 0.7, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_NEAR(y, M_PI * std::tan(std::asin(2 * 0.7 / M_PI) / 2), 1e-12);
    EXPECT_NEAR(qev_asinh(0.5), std::asinh(0.5), 1e-15);
    EXPECT_EQ(sign(-3), -1);
    EXPECT_EQ(rootfindForEckert(2.0), M_PI / 2);
}

TEST(ForwardMaps, StrebeIsSmoothAndOdd) {
    double x0, y0, x1, y1;
    for (double lam = -3.0; lam <= 3.0; lam += 0.5)
        for (double phi = -1.5; phi <= 1.5; phi += 0.25) {
            strebe1995forward(lam, phi, &x0, &y0);
            strebe1995forward(lam + 1e-6, phi + 1e-6, &x1, &y1);
            EXPECT_TRUE(std::isfinite(x0) && std::isfinite(y0));
            EXPECT_LT(std::hypot(x1 - x0, y1 - y0), 1e-4);
            strebe1995forward(-lam, -phi, &x1, &y1);
            // Odd up to the fitted polynomial's constant term.
            EXPECT_NEAR(x1, -x0, 1e-4);
            EXPECT_NEAR(y1, -y0, 1e-4);
        }
}

}  // namespace
