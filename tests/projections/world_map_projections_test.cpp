// The flat world maps against the forward formulas of Snyder's "Map
// Projections: A Working Manual" (and Hill's eucyclic map), written here in
// their usual form (east and north positive, y up), scaled into each map's
// framed plane (y down).
#include "projections/world_map_projections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <array>
#include <functional>
#include <vector>

#include "common/angles.h"
#include "records/TransformationReply.h"
#include "projections/forward_maps.h"
#include "tests/projections/road_fixture.h"

namespace {

// Newton for an auxiliary angle f(t) = target.
double Solve(std::function<double(double)> f, std::function<double(double)> df, double target, double t) {
    for (int i = 0; i < 100; ++i) {
        const double d = (f(t) - target) / df(t);
        t -= d;
        if (std::fabs(d) < 1e-14) break;
    }
    return t;
}

// Snyder's Mollweide, R = 1: this is the dispatcher's plane times 4√2.
void RefMollweide(double l, double p, double* x, double* y) {
    const double t = std::fabs(p) > 1.5707 ? p
                     : Solve([](double t) { return 2 * t + std::sin(2 * t); },
                             [](double t) { return 2 + 2 * std::cos(2 * t); }, M_PI * std::sin(p), p);
    *x = 2 * std::sqrt(2.0) / M_PI * l * std::cos(t);
    *y = std::sqrt(2.0) * std::sin(t);
}
// Snyder's Eckert IV, R = 1, over 4π·0.4222382 (the plane's scale).
void RefEckert4(double l, double p, double* x, double* y) {
    const double t = Solve([](double t) { return t + std::sin(t) * std::cos(t) + 2 * std::sin(t); },
                           [](double t) { return 2 * std::cos(t) * (1 + std::cos(t)); },
                           (2 + M_PI / 2) * std::sin(p), p / 2);
    const double s = 4 * M_PI * 2 / std::sqrt(M_PI * (4 + M_PI));
    *x = 2 / std::sqrt(M_PI * (4 + M_PI)) * l * (1 + std::cos(t)) / s;
    *y = 2 * std::sqrt(M_PI / (4 + M_PI)) * std::sin(t) / s;
}
void RefSinusoidal(double l, double p, double* x, double* y) {
    *x = l * std::cos(p) / (2 * M_PI);
    *y = p / (2 * M_PI);
}
// Snyder's Hammer (Hammer-Aitoff), R = 1.
void RefHammer(double l, double p, double* x, double* y) {
    const double d = std::sqrt(1 + std::cos(p) * std::cos(l / 2));
    *x = 2 * std::sqrt(2.0) * std::cos(p) * std::sin(l / 2) / d;
    *y = std::sqrt(2.0) * std::sin(p) / d;
}
// Snyder's Bonne with the standard parallel 45°, R = 1, halved.
void RefBonne(double l, double p, double* x, double* y) {
    const double p1 = M_PI / 4, rho = 1 / std::tan(p1) + p1 - p;
    const double E = l * std::cos(p) / rho;
    *x = rho * std::sin(E) / 2;
    *y = (1 / std::tan(p1) - rho * std::cos(E)) / 2;
}
// Hill's eucyclic map (K = 1), forward by Newton on its auxiliary angle.
void RefHill(double l, double p, double* x, double* y) {
    const double L = 2, K = 1, Bt = 0.5, B = M_PI + 4 * Bt * L, A = 2 * std::sqrt(M_PI / B);
    const double rho0 = 0.5 * A * (L + std::sqrt(K * (2 + K)));
    const double t = 1 - std::sin(p);
    double theta = M_PI / 2 - p, btb = Bt;
    for (int i = 0; i < 60; ++i) {
        const double st = std::sin(theta), ct = std::cos(theta);
        btb = Bt + std::atan2(st, L - ct);
        const double C = 1 + L * L - 2 * L * ct;
        const double d = (theta - K * K * Bt - L * st + C * btb - 0.5 * t * B) / (2 * L * st * btb);
        theta -= d;
        if (std::fabs(d) < 1e-13) break;
    }
    const double rho = A * std::sqrt(1 + L * L - 2 * L * std::cos(theta));
    const double w = l * btb / M_PI;
    *x = rho * std::sin(w);
    *y = rho0 - rho * std::cos(w);
}

struct Case {
    const char* name;
    std::function<void(double, double, double*, double*)> reference;
    std::function<void(float*, unsigned char*, double, double)> total;
    double tolerance;
    double maxLat;
};

TEST(WorldMapProjections, InverseOfTheReferenceForwardMapIsTheStartingPoint) {
    static InverseTables tables;
    MarkInverseTablesUnbuilt(&tables);
    const Case cases[] = {
        {"Mollweide", RefMollweide,
         [](float* o, unsigned char* m, double x, double y) { TotalMollweide(o, m, nullptr, x, y, -M_PI, M_PI, 0); },
         1e-5, 89.5},
        {"sinusoidal", RefSinusoidal,
         [](float* o, unsigned char* m, double x, double y) { TotalSinusoidal(o, m, x, y, -M_PI, M_PI, 0); }, 1e-5,
         89.5},
        {"Eckert IV", RefEckert4, TotalEckert4, 1e-5, 89.5},
        {"Hammer", RefHammer, [](float* o, unsigned char* m, double x, double y) { DoHammer(m, o, x, y); }, 1e-5, 89.5},
        {"Bonne 45", RefBonne, TotalBonne, 1e-5, 89.5},
        {"Hill eucyclic", RefHill, TotalHillEucyclic, 1e-5, 89.5},
    };
    for (const Case& c : cases) {
        int failures = 0;
        for (double latD = -c.maxLat; latD <= c.maxLat; latD += 7.0)
            for (double lonD = -179.0; lonD <= 179.0; lonD += 8.5) {
                const double lon = lonD * M_PI / 180, lat = latD * M_PI / 180;
                double x, y;
                c.reference(lon, lat, &x, &y);
                float got[3] = {9, 9, 9}, want[3];
                unsigned char miss = 0;
                c.total(got, &miss, x, -y);
                DirectionOfLonLat(lon, lat, want);
                if ((miss || !(AngleBetween(got, want) <= c.tolerance)) && ++failures < 4)
                    ADD_FAILURE() << c.name << " at lon " << lonD << " lat " << latD << " miss " << int(miss)
                                  << " off by " << AngleBetween(got, want);
            }
        EXPECT_EQ(failures, 0) << c.name;
    }
}

// Every plane point Hill's map accepts lies where the reference forward puts
// its answer: no mirror image of the map through the pole circle's centre
// (which a frame taller than the map would show as a ghost copy).
TEST(WorldMapProjections, HillEucyclicAcceptsOnlyItsOwnOutline) {
    int accepted = 0, wrong = 0;
    for (double y = -8.0; y <= 8.0; y += 0.1)
        for (double x = -5.0; x <= 5.0; x += 0.1) {
            float got[3];
            unsigned char miss = 0;
            TotalHillEucyclic(got, &miss, x, y);
            if (miss) continue;
            ++accepted;
            const double lat = std::asin(std::clamp(double(got[1]), -1.0, 1.0));
            const double lon = std::atan2(-double(got[0]), double(got[2]));
            double fx, fy;
            RefHill(lon, lat, &fx, &fy);
            if (std::hypot(fx - x, -fy - y) > 1e-3 && ++wrong < 4)
                ADD_FAILURE() << "(" << x << ", " << y << ") comes back at (" << fx << ", " << -fy << ")";
        }
    EXPECT_GT(accepted, 1000);
    EXPECT_EQ(wrong, 0);
}

// Robinson's published table, linearly interpolated, against the lazily
// built inverse table: within the table's own resolution.
TEST(WorldMapProjections, RobinsonMatchesItsPublishedTable) {
    const double plen[] = {1.0,    0.9986, 0.9954, 0.99,   0.9822, 0.973,  0.96,   0.9427, 0.9216, 0.8962,
                           0.8679, 0.835,  0.7986, 0.7597, 0.7186, 0.6732, 0.6213, 0.5722, 0.5322};
    const double pdfe[] = {0.0,    0.062,  0.124,  0.186,  0.248,  0.31,   0.372,  0.434,  0.4958, 0.5571,
                           0.6176, 0.6769, 0.7346, 0.7903, 0.8435, 0.8936, 0.9394, 0.9761, 1.0};
    static InverseTables tables;
    MarkInverseTablesUnbuilt(&tables);
    for (double latD = -87.5; latD <= 87.5; latD += 7.5)
        for (double lonD = -175.0; lonD <= 175.0; lonD += 10.0) {
            const double a = std::fabs(latD) / 5;
            const int i = std::min(int(a), 17);
            const double f = a - i;
            const double len = plen[i] + f * (plen[i + 1] - plen[i]);
            const double h = std::copysign(pdfe[i] + f * (pdfe[i + 1] - pdfe[i]), latD);
            float got[3], want[3];
            unsigned char miss = 0;
            TotalRobinson(got, &miss, tables.ellipsoid, len * lonD / 180, -h / 2, -M_PI, M_PI, 0);
            ASSERT_EQ(miss, 0) << lonD << " " << latD;
            DirectionOfLonLat(lonD * M_PI / 180, latD * M_PI / 180, want);
            EXPECT_LT(AngleBetween(got, want), 2e-3) << lonD << " " << latD;
        }
}

// The inverse takes cos(theta) and sin(2 theta) from sin(theta) = y / sqrt 2
// instead of calling the sine and cosine: over the whole ellipse its
// directions stay within float rounding of the textbook formulas
// (theta = asin(y / sqrt 2), sin(phi) = (2 theta + sin 2 theta) / pi,
// lambda = pi x / (2 sqrt 2 cos theta)), and it misses exactly where they do.
// (Against the sine-and-cosine form of this same function the returned
// floats were bit-identical at 14 million points.)
TEST(WorldMapProjections, MollweideWithoutSineAndCosineMatchesTheTextbook) {
    const double r2 = std::sqrt(2.0), r8 = 2.0 * std::sqrt(2.0);
    double worst = 0;
    int compared = 0;
    for (int j = -399; j <= 399; ++j)  // the poles themselves aside
        for (int i = -800; i <= 800; i += 3) {
            const double x = r8 * i / 800.0, y = r2 * j / 400.0;
            float got[3] = {0, 0, 0};
            unsigned char miss = 0;
            TotalMollweide(got, &miss, nullptr, x, y, -M_PI, M_PI, 0);
            const double theta = std::asin(y / r2);
            const double phi = std::asin(std::clamp((2 * theta + std::sin(2 * theta)) / M_PI, -1.0, 1.0));
            const double lambda = M_PI * x / (r8 * std::cos(theta));
            if (std::fabs(std::fabs(lambda) - M_PI) < 1e-5) continue;  // on the rim, within rounding
            ASSERT_EQ(bool(miss), std::fabs(lambda) > M_PI) << x << " " << y;
            if (miss) continue;
            float want[3];
            DirectionOfLonLat(lambda, -phi, want);
            worst = std::max(worst, double(AngleBetween(got, want)));
            ++compared;
        }
    EXPECT_GT(compared, 200000);
    // The direction is returned in float, from float angles: a few 1e-6
    // near the poles, where a longitude's rounding turns it most.
    EXPECT_LT(worst, 4e-6);
}

// The band test skips its square root away from the poles; it must pass
// exactly the samples the rooted test passes: a dense grid over the box and
// beyond, and the rows next to y = +-sqrt 2 where the root decides.
TEST(WorldMapProjections, MollweideBandTestWithoutARootPassesTheSameSamples) {
    auto rooted = [](double x, double y) {
        const double w = std::sqrt(1.0 - (x * x / 4.0 + y * y) / 4.0) * y;
        return std::fabs(y) <= 1.414213562373095 && std::fabs(x) <= 2.82842712474619 && w >= -1.0 && w <= 1.0;
    };
    int passed = 0;
    for (int j = -1100; j <= 1100; ++j)
        for (int i = -1100; i <= 1100; ++i) {
            const double x = 3.0 * i / 1000, y = 1.5 * j / 1000;
            ASSERT_EQ(MollweideInBand(x, y), rooted(x, y)) << x << " " << y;
            passed += rooted(x, y);
        }
    for (double y0 : {1.414213562373095, -1.414213562373095}) {
        double y = y0;
        for (int k = 0; k < 200; ++k, y = std::nextafter(y, 0.0))
            for (double x : {0.0, 1e-9, -1e-6, 1e-3, 0.1, 2.0, 2.82842712474619})
                ASSERT_EQ(MollweideInBand(x, y), rooted(x, y)) << x << " " << y;
    }
    EXPECT_GT(passed, 1000000);
    EXPECT_FALSE(MollweideInBand(NAN, 0.0));
    EXPECT_FALSE(MollweideInBand(0.0, NAN));
}

TEST(WorldMapProjections, WindowsAndRims) {
    float p[3];
    unsigned char miss = 0;
    // Mollweide: on the rim inside; a lobe window cuts at its bounds, and the
    // shift turns the central meridian.
    TotalMollweide(p, &miss, nullptr, 2.82842712474619 * 0.999, 0.0, -M_PI, M_PI, 0);
    EXPECT_EQ(miss, 0);
    TotalMollweide(p, &miss, nullptr, 2.0, 0.0, -M_PI / 2, M_PI / 2, 0);  // λ = 0.7 π
    EXPECT_EQ(miss, 1);
    float latitude = 0;
    TotalMollweide(p, &miss, &latitude, 0.0, 0.5, -M_PI / 2, M_PI / 2, M_PI / 2);
    EXPECT_EQ(miss, 0);
    EXPECT_GT(latitude, 0.0f);  // southward latitude of a point below the middle
    float want[3];
    DirectionOfLonLat(M_PI / 2, -latitude, want);
    EXPECT_LT(AngleBetween(p, want), 1e-6);
    // Sinusoidal: strict at the poles and at the window.
    TotalSinusoidal(p, &miss, 0.0, 0.25, -M_PI, M_PI, 0);
    EXPECT_EQ(miss, 1);
    TotalSinusoidal(p, &miss, 0.25, 0.0, -M_PI / 2, M_PI / 2, 0);  // λ = π/2 exactly
    EXPECT_EQ(miss, 1);
    // Eckert IV: the pole line is inside, beyond the outline outside.
    TotalEckert4(p, &miss, 0.0, -0.25);
    EXPECT_EQ(miss, 0);
    EXPECT_NEAR(p[1], 1.0f, 1e-6);
    TotalEckert4(p, &miss, 0.5001, 0.0);
    EXPECT_EQ(miss, 1);
}

// Werner, as this system draws it, is not the classical Werner (Bonne with a
// standard parallel at the pole, where the parallels' arcs keep their true
// length): the apex is the north pole, the distance from it the colatitude
// (1 at the south pole), and the angle about the apex is the longitude times
// (1 - distance), so each parallel's arc shrinks linearly to the south.
TEST(WorldMapProjections, WernerIsTheLinearHeart) {
    const double apexY = -0.4166666666666667 / 1.2;
    for (double rho = 0.05; rho < 1.0; rho += 0.15)
        for (double lonD = -170; lonD <= 170; lonD += 20) {
            const double a = lonD * M_PI / 180 * (1 - rho);
            const double x = rho * std::sin(a) / 1.2, y = apexY + rho * std::cos(a) / 1.2;
            float p[3], want[3];
            unsigned char miss = 0;
            DoWerner(&miss, p, x, y);
            ASSERT_EQ(miss, 0);
            DirectionOfLonLat(lonD * M_PI / 180, M_PI / 2 - rho * M_PI, want);
            EXPECT_LT(AngleBetween(p, want), 2e-6) << rho << " " << lonD;
        }
    float p[3];
    unsigned char miss = 0;
    DoWerner(&miss, p, 0.0, apexY + 1.0 / 1.2);  // exactly 1 from the apex
    EXPECT_EQ(miss, 1);
}

// The disc of mode 1042 is the north polar azimuthal equidistant map.
TEST(WorldMapProjections, CardioidIsThePolarEquidistantDisc) {
    for (double r = 0.05; r <= 0.5; r += 0.09)
        for (double lonD = -160; lonD <= 180; lonD += 40) {
            const double l = lonD * M_PI / 180;
            float p[3], want[3];
            unsigned char miss = 0;
            TotalCardioid(p, &miss, r * std::sin(l), r * std::cos(l));
            ASSERT_EQ(miss, 0);
            DirectionOfLonLat(l, M_PI / 2 - 2 * r * M_PI, want);
            EXPECT_LT(AngleBetween(p, want), 2e-6) << r << " " << lonD;
        }
}

// The vertical perspective against the perspective view of the sphere from
// height h (Snyder's vertical perspective, inverted here by a ray).
TEST(WorldMapProjections, VerticalPerspectiveSeesTheSphereFromItsHeight) {
    const double fov = 60.0, f = fov / 100, h = 1.01 + 5 * std::pow(f, 4), w = std::sqrt(h * h - 1) / h;
    for (double lat = -0.6; lat <= 0.6; lat += 0.3)
        for (double lon = -0.6; lon <= 0.6; lon += 0.3) {
            // The point's position seen from (0, 0, h) looking down -z, in the
            // plane that the map scales by w.
            const double X = -std::cos(lat) * std::sin(lon), Y = std::sin(lat), Z = std::cos(lat) * std::cos(lon);
            const double sx = (-X) / (h - Z) * h * w, sy = (-Y) / (h - Z) * h * w;
            TransformationReply r = MakeTemplateReply();
            float p[3], want[3];
            unsigned char miss = 1;
            TotalVerticalPerspective(p, &miss, &r, sx, sy, fov);
            ASSERT_EQ(miss, 0);
            DirectionOfLonLat(lon, lat, want);
            EXPECT_LT(AngleBetween(p, want), 1e-6);
            EXPECT_EQ(r.place, kPlaceNoRegion);
            float n[3], vx, vy;
            GetReplyShading(&r, n, &vx, &vy);
            EXPECT_FLOAT_EQ(n[2], p[2]);
        }
    float p[3];
    unsigned char miss = 0;
    TotalVerticalPerspective(p, &miss, nullptr, 2.0, 2.0, fov);
    EXPECT_EQ(miss, 1);
}

}  // namespace

namespace {

TEST(WorldMapProjections, RayTorusIntersectionFindsTheNearestHit) {
    const double o1[3] = {-5, 0, 0}, d1[3] = {1, 0, 0};
    EXPECT_NEAR(RayTorusIntersection(o1, d1, 1.0, 1.0), 3.0, 1e-9);  // the outer rim at x = -2
    const double o2[3] = {1, 0, 5}, d2[3] = {0, 0, -1};
    EXPECT_NEAR(RayTorusIntersection(o2, d2, 1.0, 1.0), 4.0, 1e-9);  // the top of the tube
    const double o3[3] = {0, 3, 5}, d3[3] = {0, 0, -1};
    EXPECT_EQ(RayTorusIntersection(o3, d3, 1.0, 1.0), 1e20);  // beside it
    // A ring torus: the ray through the hole misses, one through the tube
    // enters at R - r.
    const double o4[3] = {0, 0, 5}, d4[3] = {0, 0, -1};
    EXPECT_EQ(RayTorusIntersection(o4, d4, 2.0, 0.5), 1e20);
    EXPECT_NEAR(RayTorusIntersection(o1, d1, 2.0, 0.5), 2.5, 1e-9);
    double n[3];
    const double top[3] = {1, 0, 1};
    TorusSurfaceNormal(top, 1.0, 1.0, n);
    EXPECT_NEAR(n[2], 1.0, 1e-12);
}

TEST(WorldMapProjections, SolidsLookAtTheMapCentre) {
    // The ellipsoid's point facing an untilted camera is the map's centre,
    // and the whole world lies on the half the camera sees.
    for (double c : {0.66, 4.0 / 3.0}) {
        float table[401];
        table[0] = kLazyTableUnbuilt;
        TransformationReply r = MakeTemplateReply();
        float p[3];
        unsigned char miss = 1;
        TotalRaiszEllipsoid(p, &miss, &r, table, 0.0, 0.0, 1.0, 1.0, c, 0.0);
        ASSERT_EQ(miss, 0);
        EXPECT_NEAR(p[2], 1.0f, 1e-5);
        EXPECT_EQ(r.place, kPlaceNoRegion);
        // The limb at the equator is longitude ±180°.
        TotalRaiszEllipsoid(p, &miss, &r, table, 0.9999, 0.0, 1.0, 1.0, c, 0.0);
        ASSERT_EQ(miss, 0);
        EXPECT_NEAR(p[2], -1.0f, 2e-2);
        TotalRaiszEllipsoid(p, &miss, &r, table, 1.01, 0.0, 1.0, 1.0, c, 0.0);
        EXPECT_EQ(miss, 1);
    }
    // The armadillo: the front of the ring, on its equator, is the centre.
    TransformationReply r = MakeTemplateReply();
    float p[3];
    unsigned char miss = 1;
    for (double h : {1.0, -1.0}) {
        // Find the picture height of the ring's front equator point (0, 2, 0).
        const double tilt = h * -0.349066;
        const double y = -(2.0 * std::sin(tilt));
        TotalArmadillo(p, &miss, &r, 0.0, y, h);
        ASSERT_EQ(miss, 0);
        EXPECT_NEAR(p[2], 1.0f, 1e-4);
        // Right of the centre is east.
        TotalArmadillo(p, &miss, &r, 0.3, y, h);
        double lon = -std::atan2(p[0], p[2]);
        EXPECT_GT(lon, 0.0);
    }
}

}  // namespace

namespace {

// Hammer's retroazimuthal map, forward (Snyder's "An Album of Map
// Projections"), y up: K = z / sin z with z the distance to the centre.
void RefRetroazimuthal(double lat, double lon, double lat0, double* x, double* y) {
    const double cz = std::sin(lat0) * std::sin(lat) + std::cos(lat0) * std::cos(lat) * std::cos(lon);
    const double z = std::acos(std::fmax(-1.0, std::fmin(1.0, cz)));
    const double K = z < 1e-12 ? 1.0 : z / std::sin(z);
    *x = K * std::cos(lat0) * std::sin(lon);
    *y = -K * (std::sin(lat0) * std::cos(lat) - std::cos(lat0) * std::sin(lat) * std::cos(lon));
}

// Each place is found on one of the two sheets, and whatever a sheet shows
// at a position maps forward to that position.
TEST(WorldMapProjections, RetroazimuthalSheetsInvertHammersMap) {
    for (double lat0D : {0.0, 30.0, 45.0}) {
        const double lat0 = lat0D * M_PI / 180;
        // (Off the meridians ±90°, which with the reference latitude on the
        // equator fold onto the sheets' common edge.)
        for (double latD = -80; latD <= 80; latD += 20)
            for (double lonD = -165; lonD <= 165; lonD += 20) {
                double x, y;
                RefRetroazimuthal(latD * M_PI / 180, lonD * M_PI / 180, lat0, &x, &y);
                bool found = false;
                for (int front : {0, 1}) {
                    TransformationReply r = MakeTemplateReply();
                    float p[3], want[3];
                    unsigned char miss = 0;
                    TotalRetroazimuthal(p, &miss, front, &r, x, -y, lat0);
                    if (miss || r.place == -21) continue;
                    const double plat = std::asin(std::fmax(-1.0, std::fmin(1.0, double(p[1]))));
                    const double plon = -std::atan2(p[0], p[2]);
                    double px, py;
                    RefRetroazimuthal(plat, plon, lat0, &px, &py);
                    EXPECT_NEAR(px, x, 1e-4) << lat0D << " " << latD << " " << lonD << " " << front;
                    EXPECT_NEAR(py, y, 1e-4) << lat0D << " " << latD << " " << lonD << " " << front;
                    DirectionOfLonLat(lonD * M_PI / 180, latD * M_PI / 180, want);
                    found = found || AngleBetween(p, want) < 1e-5;
                }
                EXPECT_TRUE(found) << lat0D << " " << latD << " " << lonD;
            }
    }
}

// Where no place of the sphere lands (the reference latitude leaves part of
// the disc of radius pi empty), the sheet says the position is outside
// itself, rather than leaving the clearing of those pixels to the shading.
TEST(WorldMapProjections, RetroazimuthalPositionsWithoutAPlaceAreOutside) {
    for (double lat0D : {30.0, 45.0, 70.0}) {
        const double lat0 = lat0D * M_PI / 180;
        int empty = 0;
        for (double x = -3.1; x <= 3.1; x += 0.1)
            for (double y = -3.1; y <= 3.1; y += 0.1)
                for (int front : {0, 1}) {
                    TransformationReply r = MakeTemplateReply();
                    float p[3];
                    unsigned char miss = 0;
                    TotalRetroazimuthal(p, &miss, front, &r, x, y, lat0);
                    if (r.place != -21) continue;
                    ++empty;
                    EXPECT_EQ(miss, 1) << lat0D << " at " << x << ", " << y << " front " << front;
                    EXPECT_FLOAT_EQ(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0f);
                }
        EXPECT_GT(empty, 0) << lat0D;
    }
}

}  // namespace

namespace {

// The quatrefoil: a cup x^2 + z^2 = y^2 - 4 (the sheet y >= 2) seen from
// above by the camera tipped 65 degrees down; the cup's middle shows the
// north pole, its rim (radius 4) the south pole, the latitude of radius 4r
// being r (r + 2) / 3, and beyond radius 1 the turns part into four petals,
// each squeezed about its middle by the fourth root of the radius. The map
// is worked forward here, from a direction to the framed point that shows
// it, and the projection must show that direction there.
constexpr double kQuatrefoilTilt = -0.9063077870366499;

// The framed point (x, y) of the cup's point at `radius` and turn `turn`
// ((pi - atan2(-X, Y)) / 2 pi, X across, Y away from the camera).
void CupPointInFrame(double radius, double turn, double* x, double* y) {
    const double a = M_PI - 2.0 * M_PI * turn;  // atan2(-X, Y)
    const double X = -radius * std::sin(a), Y = radius * std::cos(a), Z = std::sqrt(radius * radius + 4.0);
    // Camera frame: x right, y up, z towards the viewer; the point is
    // (X, Z, -Y). The camera looks along (0, s, -c), its picture's up is
    // (0, c, s), and its centre line passes through the rim's middle
    // (0, sqrt 20, 0) at the frame's vertical middle; two plane units to the
    // frame's unit.
    const double s = kQuatrefoilTilt, c = std::sqrt(1.0 - s * s);
    const double up = c * (Z - std::sqrt(20.0)) + s * -Y;
    *x = X / 2.0;
    *y = 0.5 * (-0.416 + 3.484) - up / 2.0;
}

// The framed point that shows the direction of latitude fraction v and turn
// `turn` (before its shift): the latitude's radius, and on a petal the turn
// drawn in towards the petal's middle.
void QuatrefoilForward(double turn, double v, double* x, double* y) {
    const double radius = 4.0 * (-1.0 + std::sqrt(1.0 + 3.0 * v));  // v = r (r + 2) / 3, radius 4 r
    if (radius > 1.0) {
        const double q = 4.0 * turn + 0.5, petal = std::floor(q), across = q - petal - 0.5;
        turn = (petal + across / std::sqrt(std::sqrt(radius))) / 4.0;
    }
    CupPointInFrame(radius, turn, x, y);
}

std::array<double, 3> SphereDirection(double u, double v) {
    float p[3];
    RectangularToSpherical(p, float(u), float(v));
    return {p[0], p[1], p[2]};
}

TEST(WorldMapProjections, QuatrefoilShowsEachDirectionWhereTheCupPutsIt) {
    TransformationReply r = MakeTemplateReply();
    int looked = 0;
    for (double v = 0.02; v < 0.99; v += 0.037)
        for (double turn = 0.003; turn < 1.0; turn += 0.0191) {
            double x, y;
            QuatrefoilForward(turn, v, &x, &y);
            float p[3];
            unsigned char miss = 1;
            int64_t region = 0;
            TotalQuatrefoil(p, &miss, &r, &region, x, y, kQuatrefoilTilt);
            ASSERT_EQ(miss, 0) << turn << " " << v;
            double u = turn - 0.5416666666666666;
            u -= std::floor(u);
            const auto want = SphereDirection(u, v);
            EXPECT_NEAR(p[0], want[0], 2e-5) << turn << " " << v;
            EXPECT_NEAR(p[1], want[1], 2e-5) << turn << " " << v;
            EXPECT_NEAR(p[2], want[2], 2e-5) << turn << " " << v;
            // The middle is one region, each petal another.
            const double radius = 4.0 * (-1.0 + std::sqrt(1.0 + 3.0 * v));
            if (radius < 0.999) EXPECT_EQ(region, -7);
            if (radius > 1.001) EXPECT_EQ(region, 5 + int64_t(std::floor(4.0 * turn + 0.5)) % 4);
            // The picture reads east to the right of north, as seen from
            // outside: with the frame (x, y, z) = (-sin lon cos lat, sin
            // lat, cos lon cos lat), east x north points inwards, so the
            // steps right and down turn about the direction outwards.
            float pr[3], pd[3];
            TotalQuatrefoil(pr, &miss, &r, &region, x + 1e-4, y, kQuatrefoilTilt);
            TotalQuatrefoil(pd, &miss, &r, &region, x, y + 1e-4, kQuatrefoilTilt);
            const double a[3] = {pr[0] - p[0], pr[1] - p[1], pr[2] - p[2]}, b[3] = {pd[0] - p[0], pd[1] - p[1], pd[2] - p[2]};
            const double turnOut = p[0] * (a[1] * b[2] - a[2] * b[1]) + p[1] * (a[2] * b[0] - a[0] * b[2]) +
                                   p[2] * (a[0] * b[1] - a[1] * b[0]);
            EXPECT_GT(turnOut, 0.0) << turn << " " << v;
            ++looked;
        }
    EXPECT_GT(looked, 1000);
    // Beyond the rim, and between two petals, nothing.
    float p[3];
    unsigned char miss = 0;
    int64_t region = 0;
    TotalQuatrefoil(p, &miss, &r, &region, 1.99, 3.3, kQuatrefoilTilt);
    EXPECT_EQ(miss, 1);
    for (double turn : {0.125, 0.375, 0.625, 0.875}) {
        double x, y;
        CupPointInFrame(3.5, turn, &x, &y);  // where two petals part, near the rim
        TotalQuatrefoil(p, &miss, &r, &region, x, y, kQuatrefoilTilt);
        EXPECT_EQ(miss, 1) << turn;
        CupPointInFrame(0.9, turn, &x, &y);  // the same turn inside the middle
        TotalQuatrefoil(p, &miss, &r, &region, x, y, kQuatrefoilTilt);
        EXPECT_EQ(miss, 0) << turn;
    }
}

// Every direction of a fine grid is shown, once: the frame sampled finely
// meets every cell of a grid of latitude and longitude, and two samples far
// apart in the frame never show the same direction. The figure keeps
// inside the frame.
TEST(WorldMapProjections, QuatrefoilShowsTheWholeSphereOnceInsideItsFrame) {
    TransformationReply r = MakeTemplateReply();
    constexpr int kLat = 36, kLon = 72, m = 700;
    std::vector<int> first(kLat * kLon, -1);
    int twice = 0, onEdge = 0;
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < m; ++i) {
            const double x = -2.004 + 4.008 * i / (m - 1), y = -0.416 + 3.9 * j / (m - 1);
            float p[3];
            unsigned char miss = 1;
            int64_t region = 0;
            TotalQuatrefoil(p, &miss, &r, &region, x, y, kQuatrefoilTilt);
            if (miss) continue;
            onEdge += i == 0 || j == 0 || i == m - 1 || j == m - 1;
            const double lat = std::asin(std::clamp(double(p[1]), -1.0, 1.0)), lon = std::atan2(p[0], p[2]);
            const int b = std::min(kLat - 1, int((lat / M_PI + 0.5) * kLat)) * kLon +
                          std::min(kLon - 1, int((lon / (2 * M_PI) + 0.5) * kLon));
            if (first[b] < 0) {
                first[b] = j * m + i;
                continue;
            }
            // The same cell shown far from where it was first: twice (the
            // cells about the poles are shown along a whole ring).
            const int fi = first[b] % m, fj = first[b] / m;
            const int row = b / kLon;
            if (row > 1 && row < kLat - 2 && std::hypot(i - fi, j - fj) > 40) ++twice;
        }
    int unseen = 0;
    for (int b = 0; b < kLat * kLon; ++b) unseen += first[b] < 0;
    EXPECT_EQ(unseen, 0);
    EXPECT_EQ(twice, 0);
    EXPECT_EQ(onEdge, 0);
}

}  // namespace
