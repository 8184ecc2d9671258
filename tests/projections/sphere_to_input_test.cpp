// Input modes against the textbook formulas of their projections, computed
// here from longitude and latitude (east positive, north positive), and at
// the known points the modes are defined by.
#include "projections/sphere_to_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <random>
#include <vector>

#include "records/TransformationReply.h"
#include "projections/forward_maps.h"
#include "tests/projections/road_fixture.h"

namespace {

struct Answer {
    float u, v;
    unsigned char outside;
    int face, kind;
    float aux;
};

struct InputRig {
    InverseTables tables{};
    InputRig() { MarkInverseTablesUnbuilt(&tables); }
    Answer Map(long mode, const float p[3], float aspect = 0.5f, long flip = 0) {
        Answer a{};
        a.aux = -7.0f;
        TransformSphereToInput(mode, flip, p, &a.u, &a.v, &a.outside, tables.mollweide, &a.face,
                               &a.kind, &a.aux, nullptr, nullptr, aspect);
        return a;
    }
    Answer MapLL(long mode, double lonDeg, double latDeg, float aspect = 0.5f) {
        float p[3];
        DirectionOfLonLat(lonDeg * M_PI / 180, latDeg * M_PI / 180, p);
        return Map(mode, p, aspect);
    }
};

// A grid of longitudes and latitudes away from the seam and the poles.
std::vector<std::pair<double, double>> Grid(double lonMax = 170, double latMax = 80) {
    std::vector<std::pair<double, double>> g;
    for (double lon = -lonMax; lon <= lonMax; lon += lonMax / 4)
        for (double lat = -latMax; lat <= latMax; lat += latMax / 4) g.push_back({lon, lat});
    return g;
}

// Angular distance from the view centre (0, 0, 1) and the image direction
// of a point for the azimuthal modes: image offset = radius * (-east, -north)
// per unit... given as the unit vector of (x, y) of the direction.
void Azimuthal(const float p[3], double* c, double* ux, double* uy) {
    *c = std::acos(std::fmax(-1.0, std::fmin(1.0, double(p[2]))));
    const double m = std::hypot(p[0], p[1]);
    *ux = m > 0 ? p[0] / m : 0;
    *uy = m > 0 ? p[1] / m : 0;
}

TEST(InputModes, EquirectangularAgainstLonLat) {
    InputRig rig;
    for (auto [lon, lat] : Grid()) {
        Answer a = rig.MapLL(1, lon, lat);
        EXPECT_NEAR(a.u, 0.5 + lon / 360, 1e-5);
        EXPECT_NEAR(a.v, 0.5 - lat / 180, 1e-5);
        EXPECT_EQ(a.outside, 0);
        EXPECT_EQ(a.face, -1);
        EXPECT_EQ(a.kind, 2);
    }
    const float centre[3] = {0, 0, 1}, px[3] = {1, 0, 0};
    Answer c = rig.Map(1, centre), x = rig.Map(1, px);
    EXPECT_FLOAT_EQ(c.u, 0.5f);
    EXPECT_FLOAT_EQ(c.v, 0.5f);
    EXPECT_NEAR(x.u, 0.25f, 1e-6);
    EXPECT_NEAR(x.v, 0.5f, 1e-6);
}

// Where the north pole and the view centre land, mode by mode.
TEST(InputModes, NorthPoleAndCentre) {
    InputRig rig;
    const float north[3] = {0, 1, 0}, centre[3] = {0, 0, 1};
    struct Case {
        long mode;
        float u, v, tol;
    } poles[] = {{1, 0.5f, 0.0f, 1e-6f},  {2, 0.5f, 0.14644661f, 1e-6f}, {3, 0.5f, 0.25f, 1e-6f},
                 {4, 0.5f, 0.0f, 1e-6f},  {7, 0.5f, 0.0f, 1e-3f},        {8, 0.5f, 0.0f, 1e-6f},
                 {11, 0.5f, 0.5f, 1e-6f}, {14, 0.5f, 0.0f, 1e-5f},       {15, 0.5f, 0.0f, 1e-6f},
                 {17, 0.5f, 0.0f, 1e-6f}, {21, 0.5f, 0.0f, 1e-6f},       {22, 0.5f, 0.0f, 1e-6f},
                 {23, 0.5f, 0.0f, 1e-6f}, {24, 0.5f, 0.0f, 1e-6f},       {26, 0.25f, 0.5f, 1e-6f},
                 {38, 0.5f, 0.0f, 1e-6f},       {40, 0.5f, 0.0f, 1e-6f},
                 {41, 0.5f, 0.0f, 1e-5f}};
    for (const Case& k : poles) {
        Answer a = rig.Map(k.mode, north);
        EXPECT_EQ(a.outside, 0) << k.mode;
        EXPECT_NEAR(a.u, k.u, k.tol) << k.mode;
        EXPECT_NEAR(a.v, k.v, k.tol) << k.mode;
    }
    for (long mode : {1L, 2L, 3L, 4L, 6L, 7L, 8L, 9L, 10L, 11L, 13L, 14L, 15L, 17L, 18L, 20L, 21L,
                      22L, 23L, 24L, 30L, 31L, 38L, 40L, 41L}) {
        Answer a = rig.Map(mode, centre);
        EXPECT_EQ(a.outside, 0) << mode;
        // Eckert IV's fitted polynomial is 1e-5 off at the equator.
        EXPECT_NEAR(a.u, 0.5f, 1e-5) << mode;
        EXPECT_NEAR(a.v, 0.5f, 1e-5) << mode;
    }
}

TEST(InputModes, PoleOvershootStaysAtItsPole) {
    InputRig rig;
    const float below[3] = {0.0f, -1.0000001f, 0.0f}, above[3] = {0.0f, 1.0000001f, 0.0f};
    EXPECT_FLOAT_EQ(rig.Map(1, below).v, 1.0f);
    EXPECT_FLOAT_EQ(rig.Map(1, above).v, 0.0f);
}

TEST(InputModes, MercatorAgainstTextbook) {
    InputRig rig;
    for (float aspect : {0.5f, 1.0f}) {
        for (auto [lon, lat] : Grid(170, 70)) {
            Answer a = rig.MapLL(20, lon, lat, aspect);
            const double phi = lat * M_PI / 180;
            const double y = std::log(std::tan(M_PI / 4 + phi / 2));
            EXPECT_NEAR(a.u, 0.5 + lon / 360, 1e-5);
            EXPECT_NEAR(a.v, 0.5 - y / (2 * M_PI * aspect), 1e-4);
            EXPECT_EQ(a.outside, !(a.v >= 0 && a.v <= 1));
        }
    }
    // Beyond the frame the position is kept and flagged.
    Answer far = rig.MapLL(20, 0, 89.9, 0.5f);
    EXPECT_EQ(far.outside, 1);
    EXPECT_LT(far.v, 0.0f);
}

double MollweideTheta(double phi) {
    double t = phi;
    for (int i = 0; i < 100; ++i) {
        const double f = 2 * t + std::sin(2 * t) - M_PI * std::sin(phi);
        const double d = 2 + 2 * std::cos(2 * t);
        if (d < 1e-15) break;
        t -= f / d;
    }
    return t;
}

TEST(InputModes, MollweideAgainstTextbook) {
    InputRig rig;
    for (auto [lon, lat] : Grid(175, 85)) {
        Answer a = rig.MapLL(7, lon, lat);
        const double phi = lat * M_PI / 180, lam = lon * M_PI / 180;
        const double th = MollweideTheta(phi);
        const double x = 2 * M_SQRT2 / M_PI * lam * std::cos(th), y = M_SQRT2 * std::sin(th);
        EXPECT_NEAR(a.u, 0.5 + 0.5 * x / (2 * M_SQRT2), 2e-4) << lon << " " << lat;
        EXPECT_NEAR(a.v, 0.5 - 0.5 * y / M_SQRT2, 2e-4) << lon << " " << lat;
        EXPECT_EQ(a.kind, a.u > 0.5f ? 3 : 2);
    }
    // The table is built once, by the first use.
    EXPECT_NE(rig.tables.mollweide[0], kLazyTableUnbuilt);
    EXPECT_EQ(rig.tables.ellipsoid[0], kLazyTableUnbuilt);
}

TEST(InputModes, OrthographicAgainstTextbook) {
    InputRig rig;
    for (auto [lon, lat] : Grid(85, 85)) {
        Answer a = rig.MapLL(4, lon, lat);
        const double phi = lat * M_PI / 180, lam = lon * M_PI / 180;
        EXPECT_NEAR(a.u, 0.5 + 0.5 * std::cos(phi) * std::sin(lam), 1e-5);
        EXPECT_NEAR(a.v, 0.5 - 0.5 * std::sin(phi), 1e-5);
        EXPECT_EQ(a.outside, 0);
    }
    Answer back = rig.MapLL(4, 120, 0);
    EXPECT_EQ(back.outside, 1);
    EXPECT_EQ(back.u, -1.0f);
}

TEST(InputModes, AzimuthalModesAgainstTextbookRadii) {
    InputRig rig;
    for (auto [lon, lat] : Grid(170, 80)) {
        float p[3];
        DirectionOfLonLat(lon * M_PI / 180, lat * M_PI / 180, p);
        double c, ux, uy;
        Azimuthal(p, &c, &ux, &uy);
        // Image radius by mode (frame half width 0.5): Lambert azimuthal
        // equal-area 2 sin(c/2) over 4, azimuthal equidistant c/pi over 2,
        // stereographic tan(c/2) over 2, equidistant fisheye c/(pi/2) over 2.
        struct Case {
            long mode;
            double radius;
            bool inside;
        } cases[] = {{2, 2 * std::sin(c / 2) / 4, true},
                     {3, 0.5 * c / M_PI, true},
                     {15, 0.5 * std::tan(c / 2), p[2] >= 0},
                     {8, 0.5 * c / (M_PI / 2), c <= M_PI / 2}};
        for (const Case& k : cases) {
            Answer a = rig.Map(k.mode, p);
            EXPECT_EQ(a.outside, k.inside ? 0 : 1) << k.mode;
            if (!k.inside) continue;
            EXPECT_NEAR(a.u, 0.5 - k.radius * ux, 1e-5) << k.mode << " " << lon << " " << lat;
            EXPECT_NEAR(a.v, 0.5 - k.radius * uy, 1e-5) << k.mode << " " << lon << " " << lat;
        }
    }
}

// The centred modes (the azimuthal equidistant 3, the 180-degree fisheye 8
// and the full-frame fisheye 9) over a million directions against their
// formulas in long double, for the very floats of the direction: the
// positions are the exact ones to within the rounding of the few float
// steps after the angle, closer than the angle's arctangent, sine and
// cosine would bring them (worked out here the way that road went).
TEST(InputModes, CentredModesAgainstLongDouble) {
    InputRig rig;
    using LD = long double;
    const float aspect = 0.75f;
    std::mt19937 rng(8);
    std::normal_distribution<float> normal;
    for (long mode : {3L, 8L, 9L}) {
        double worst = 0.0, total = 0.0, totalThroughAngle = 0.0;
        long count = 0;
        for (int i = 0; i < 1'000'000; ++i) {
            float p[3] = {normal(rng), normal(rng), normal(rng)};
            const float n = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
            for (float& e : p) e /= n;
            if (i % 3 == 0) p[2] = std::fabs(p[2]);  // more of the front, where the fisheye lies
            const Answer a = rig.Map(mode, p, aspect);
            const LD angle = std::acos(std::clamp<LD>(p[2], -1, 1)), h = std::hypot(LD(p[0]), LD(p[1]));
            const LD s = h > 0 ? -p[0] / h : 1, c = h > 0 ? -p[1] / h : 0;
            const LD pi = 3.141592653589793238462643383279503L;
            const LD radius = mode == 3 ? angle / pi
                                        : (mode == 8 ? 2 * angle / pi
                                                     : 2 * std::sqrt(LD(aspect) * aspect + 1) * angle / pi);
            const LD u = 0.5L + 0.5L * s * radius, v = 0.5L + 0.5L * c * radius / (mode == 9 ? aspect : 1);
            const bool inside = mode == 3 || (mode == 8 ? 2 * angle <= pi : (u >= 0 && u <= 1 && v >= 0 && v <= 1));
            if (!inside) continue;
            ASSERT_EQ(a.outside, 0) << mode << " " << p[0] << " " << p[1] << " " << p[2];
            const double e = double(std::max(std::fabs(a.u - u), std::fabs(a.v - v)));
            worst = std::max(worst, e);
            total += e;
            ++count;
            // The same position through the bearing's angle.
            const float th = XYtoRadians(p[0], p[1]);
            const float rr = float(radius);
            const double throughAngle =
                std::max(std::fabs(double(0.5f + 0.5f * std::sin(th) * rr) - double(u)),
                         std::fabs(double(0.5f * std::cos(th) * rr / (mode == 9 ? aspect : 1.0f) + 0.5f) - double(v)));
            totalThroughAngle += throughAngle;
        }
        ASSERT_GT(count, 300000) << mode;
        EXPECT_LE(worst, 2e-7) << mode;  // 1.0e-7, 1.0e-7 and 1.4e-7 seen
        EXPECT_LT(total, totalThroughAngle) << mode;
    }
}

TEST(InputModes, FullFrameFisheyeScalesTheDiagonal) {
    InputRig rig;
    const float aspect = 0.75f;
    // Along the horizontal the radius is 2 sqrt(a^2+1) c/pi half-widths.
    Answer a = rig.MapLL(9, 20, 0, aspect);
    const double c = 20 * M_PI / 180;
    EXPECT_NEAR(a.u, 0.5 + 0.5 * 2 * std::sqrt(aspect * aspect + 1) * c / M_PI, 1e-5);
    EXPECT_NEAR(a.v, 0.5, 1e-6);
    Answer b = rig.MapLL(9, 0, -20, aspect);
    EXPECT_NEAR(b.v, 0.5 + 0.5 * 2 * std::sqrt(aspect * aspect + 1) * c / M_PI / aspect, 1e-5);
    EXPECT_EQ(rig.MapLL(9, 80, 0, aspect).outside, 1);
}

TEST(InputModes, CylindricalFamilyAgainstTextbook) {
    InputRig rig;
    for (auto [lon, lat] : Grid(170, 60)) {
        const double phi = lat * M_PI / 180;
        Answer ea = rig.MapLL(24, lon, lat);  // Lambert cylindrical equal-area
        EXPECT_NEAR(ea.u, 0.5 + lon / 360, 1e-5);
        EXPECT_NEAR(ea.v, 0.5 - 0.5 * std::sin(phi), 1e-5);
        Answer cc = rig.MapLL(5, lon, lat, 0.5f);  // central cylindrical
        const double v = 0.5 - std::tan(phi) * 0.125 / 0.5;
        EXPECT_EQ(cc.outside, !(v >= 0 && v <= 1));
        if (!cc.outside) {
            EXPECT_NEAR(cc.v, v, 1e-5);
            EXPECT_EQ(cc.kind, cc.u > 0.5f ? 3 : 2);
        }
    }
}

TEST(InputModes, HammerAgainstTextbook) {
    InputRig rig;
    for (auto [lon, lat] : Grid(175, 85)) {
        Answer a = rig.MapLL(23, lon, lat);
        const double phi = lat * M_PI / 180, lam = lon * M_PI / 180;
        const double d = std::sqrt(1 + std::cos(phi) * std::cos(lam / 2));
        const double x = 2 * M_SQRT2 * std::cos(phi) * std::sin(lam / 2) / d;
        const double y = M_SQRT2 * std::sin(phi) / d;
        EXPECT_NEAR(a.u, 0.5 + 0.5 * x / (2 * M_SQRT2), 1e-5);
        EXPECT_NEAR(a.v, 0.5 - 0.5 * y / M_SQRT2, 1e-5);
    }
}

TEST(InputModes, WinkelTripelAgainstTextbook) {
    InputRig rig;
    const double phi1 = std::acos(2 / M_PI);
    for (auto [lon, lat] : Grid(175, 85)) {
        Answer a = rig.MapLL(22, lon, lat);
        const double phi = lat * M_PI / 180, lam = lon * M_PI / 180;
        const double al = std::acos(std::cos(phi) * std::cos(lam / 2));
        const double sinc = al == 0 ? 1 : std::sin(al) / al;
        const double x = 0.5 * (lam * std::cos(phi1) + 2 * std::cos(phi) * std::sin(lam / 2) / sinc);
        const double y = 0.5 * (phi + std::sin(phi) / sinc);
        EXPECT_NEAR(a.u, 0.5 + 0.5 * x / 2.570796326312263, 1e-5);
        EXPECT_NEAR(a.v, 0.5 - 0.5 * y / (M_PI / 2), 1e-5);
    }
}

// Eckert IV's auxiliary angle by Newton, for the polynomial of modes 37, 38.
double EckertTheta(double phi) {
    const double k = (2 + M_PI / 2) * std::sin(phi);
    double t = phi / 2;
    for (int i = 0; i < 100; ++i) {
        const double f = t + std::sin(t) * std::cos(t) + 2 * std::sin(t) - k;
        const double d = 2 * std::cos(t) * (1 + std::cos(t));
        if (std::fabs(d) < 1e-15) break;
        t -= f / d;
    }
    return t;
}

TEST(InputModes, EckertIVAgainstTextbook) {
    InputRig rig;
    for (auto [lon, lat] : Grid(175, 85)) {
        Answer a = rig.MapLL(38, lon, lat);
        const double phi = lat * M_PI / 180, lam = lon * M_PI / 180;
        const double th = EckertTheta(phi);
        const double x = 2 / std::sqrt(M_PI * (4 + M_PI)) * lam * (1 + std::cos(th));
        const double y = 2 * std::sqrt(M_PI / (4 + M_PI)) * std::sin(th);
        EXPECT_NEAR(a.u, 0.5 + 0.5 * x / 2.6530008563540046, 1e-4);
        EXPECT_NEAR(a.v, 0.5 - 0.5 * y / 1.3265004281770023, 1e-4);
    }
}

TEST(InputModes, EqualEarthAgainstPublishedFormula) {
    InputRig rig;
    for (auto [lon, lat] : Grid(175, 85)) {
        Answer a = rig.MapLL(41, lon, lat);
        const double phi = lat * M_PI / 180, lam = lon * M_PI / 180;
        const double A1 = 1.340264, A2 = -0.081106, A3 = 0.000893, A4 = 0.003796;
        const double th = std::asin(std::sqrt(3.0) / 2 * std::sin(phi));
        const double x = 2 * std::sqrt(3.0) * lam * std::cos(th) /
                         (3 * (9 * A4 * std::pow(th, 8) + 7 * A3 * std::pow(th, 6) + 3 * A2 * th * th + A1));
        const double y = A4 * std::pow(th, 9) + A3 * std::pow(th, 7) + A2 * std::pow(th, 3) + A1 * th;
        EXPECT_NEAR(a.u, 0.5 + 0.5 * x / 2.7066299836960748, 1e-5);
        EXPECT_NEAR(a.v, 0.5 - 0.5 * y / 1.3173627591574133, 1e-5);
    }
    // The frame's edges: the equator's ends and the poles.
    EXPECT_NEAR(rig.MapLL(41, 179.999, 0).u, 1.0f, 1e-4);
    EXPECT_NEAR(rig.MapLL(41, 0, 90).v, 0.0f, 1e-5);
}

TEST(InputModes, VanDerGrintenAgainstSnyder) {
    InputRig rig;
    for (auto [lon, lat] : Grid(175, 85)) {
        if (lon == 0 || lat == 0) continue;
        Answer a = rig.MapLL(40, lon, lat);
        const double phi = lat * M_PI / 180, lam = lon * M_PI / 180;
        const double th = std::asin(std::fabs(2 * phi / M_PI));
        const double A = 0.5 * std::fabs(M_PI / lam - lam / M_PI);
        const double G = std::cos(th) / (std::sin(th) + std::cos(th) - 1);
        const double P = G * (2 / std::sin(th) - 1), Q = A * A + G;
        const double x = M_PI * (A * (G - P * P) + std::sqrt(A * A * (G - P * P) * (G - P * P) - (P * P + A * A) * (G * G - P * P))) / (P * P + A * A);
        const double y = M_PI * std::fabs(P * Q - A * std::sqrt((A * A + 1) * (P * P + A * A) - Q * Q)) / (P * P + A * A);
        EXPECT_NEAR(a.u, 0.5 + 0.5 * std::copysign(x, lam) / M_PI, 1e-5) << lon << " " << lat;
        EXPECT_NEAR(a.v, 0.5 - 0.5 * std::copysign(y, phi) / M_PI, 1e-5) << lon << " " << lat;
    }
    // Equator linear, central meridian pi tan(theta/2).
    EXPECT_NEAR(rig.MapLL(40, 90, 0).u, 0.75f, 1e-5);
    EXPECT_NEAR(rig.MapLL(40, 0, 90).v, 0.0f, 1e-5);
}

TEST(InputModes, LagrangeAgainstTextbook) {
    InputRig rig;
    for (auto [lon, lat] : Grid(170, 80)) {
        Answer a = rig.MapLL(21, lon, lat);
        const double phi = lat * M_PI / 180, lam = lon * M_PI / 180;
        const double V = std::pow((1 + std::sin(phi)) / (1 - std::sin(phi)), 0.25);
        const double c = 0.5 * (V + 1 / V) + std::cos(lam / 2);
        const double x = std::sin(lam / 2) / c, y = (V - 1 / V) / (2 * c);
        EXPECT_NEAR(a.u, 0.5 + 0.5 * x, 1e-5) << lon << " " << lat;
        EXPECT_NEAR(a.v, 0.5 - 0.5 * y, 1e-5) << lon << " " << lat;
    }
}

TEST(InputModes, RobinsonAtTableLatitudes) {
    InputRig rig;
    for (int i = 0; i <= 18; ++i) {
        const double lat = 5.0 * i;
        Answer a = rig.MapLL(17, 90, lat);
        EXPECT_NEAR(a.v, 0.5 - 0.5 * RobinsonLatitudeByMapY[i], 1e-5) << lat;
        EXPECT_NEAR(a.u, 0.5 + 0.5 * 0.5 * RobinsonXScaleByLatitude[i], 1e-5) << lat;
        EXPECT_EQ(a.outside, 0);
    }
    Answer s = rig.MapLL(17, -90, -45);
    EXPECT_NEAR(s.v, 0.5 + 0.5 * RobinsonLatitudeByMapY[9], 1e-5);
    EXPECT_NEAR(s.u, 0.5 - 0.25 * RobinsonXScaleByLatitude[9], 1e-5);
}

TEST(InputModes, PartialEquirectangularAndPlainMeridians) {
    InputRig rig;
    Answer h = rig.MapLL(13, 45, 30);  // half-equi: 180 degrees across
    EXPECT_NEAR(h.u, 0.5 + 45.0 / 180, 1e-5);
    EXPECT_NEAR(h.v, 0.5 - 30.0 / 180, 1e-5);
    EXPECT_EQ(rig.MapLL(13, 100, 0).outside, 1);
    Answer q = rig.MapLL(16, 0, 0);  // quarter-equi: 90 degrees, shifted 15
    EXPECT_NEAR(q.u, 0.5 - 4.0 / 24, 1e-5);
    EXPECT_EQ(rig.MapLL(16, 70, 0).outside, 1);
    // Ortelius: the equator is linear, the rims are half circles.
    EXPECT_NEAR(rig.MapLL(30, 60, 0).u, 0.5 + 60.0 / 360, 1e-5);
    EXPECT_NEAR(rig.MapLL(30, 0, 0).u, 0.5f, 1e-6);
    Answer o = rig.MapLL(30, 180, 60);
    const double Pw = 60 * M_PI / 180;
    EXPECT_NEAR(o.u, 0.5 + (M_PI / 2 + std::sqrt(M_PI * M_PI / 4 - Pw * Pw)) / (2 * M_PI), 1e-5);
    EXPECT_NEAR(o.v, 0.5 - 60.0 / 180, 1e-5);
}

TEST(InputModes, NicolosiMeridiansAreCirclesThroughThePoles) {
    InputRig rig;
    EXPECT_NEAR(rig.MapLL(14, 0, 0).u, 0.5f, 1e-6);  // the 0.01 floor
    EXPECT_NEAR(rig.MapLL(14, 90, 0).u, 1.0f, 1e-5);
    EXPECT_NEAR(rig.MapLL(14, -90, 0).u, 0.0f, 1e-5);
    EXPECT_NEAR(rig.MapLL(14, 45, 90).v, 0.0f, 1e-5);
    EXPECT_NEAR(rig.MapLL(14, 45, -90).v, 1.0f, 1e-5);
    EXPECT_EQ(rig.MapLL(14, 120, 0).outside, 1);
    // Points of one meridian lie on one circle through the poles.
    const double lam = 50 * M_PI / 180, b = 2 * lam / M_PI;
    const double cc = b / 2 - 1 / (2 * b), rad = std::fabs(cc - b);
    for (double lat : {-70.0, -30.0, 10.0, 60.0}) {
        Answer a = rig.MapLL(14, 50, lat);
        const double X = 2 * (a.u - 0.5), Y = 2 * (a.v - 0.5);
        EXPECT_NEAR(std::hypot(X - cc, Y), rad, 1e-4) << lat;
    }
}

TEST(InputModes, CubeFacesAndTies) {
    InputRig rig;
    const float front[3] = {0, 0, 1};
    Answer a = rig.Map(11, front);
    EXPECT_FLOAT_EQ(a.u, 0.5f);
    EXPECT_FLOAT_EQ(a.v, 0.5f);
    EXPECT_EQ(a.kind, 4);
    struct Dir {
        float p[3];
        int face;
    } dirs[] = {{{0, 0, -1}, 0}, {{-1, 0, 0}, 1}, {{0, -1, 0}, 2},
                {{0, 0, 1}, 3},  {{1, 0, 0}, 4},  {{0, 1, 0}, 5}};
    for (const Dir& d : dirs) {
        float fa, fb;
        EXPECT_EQ(SphereToCubeFaceCoords(d.p, &fa, &fb), d.face);
        EXPECT_FLOAT_EQ(fa, 0.0f);
        EXPECT_FLOAT_EQ(fb, 0.0f);
        for (long mode : {27L, 33L, 34L, 35L}) {
            Answer c = rig.Map(mode, d.p);
            EXPECT_EQ(c.face, d.face);
            EXPECT_EQ(c.kind, d.face + 1);
            EXPECT_EQ(c.outside, 0);
        }
    }
    // Ties between x and y (with z smaller, or zero) stay on a face that
    // holds the direction.
    const float ties[][3] = {{0.7071068f, 0.7071068f, 0}, {-0.6f, 0.6f, 0.2f}, {0.6f, -0.6f, -0.5291503f}};
    for (const auto& t : ties) {
        float fa, fb;
        SphereToCubeFaceCoords(t, &fa, &fb);
        EXPECT_TRUE(std::fabs(fa) <= 1.0f && std::fabs(fb) <= 1.0f) << fa << " " << fb;
        Answer c = rig.Map(11, t);
        EXPECT_EQ(c.outside, 0);
        EXPECT_TRUE(c.u >= 0 && c.u <= 1 && c.v >= 0 && c.v <= 1);
    }
    // Mode 28 turns face 0 by a half turn against mode 27.
    const float back[3] = {0.3f, 0.2f, -0.9327379f};
    Answer h27 = rig.Map(27, back), h28 = rig.Map(28, back);
    EXPECT_NEAR(h28.u, 1.0f - h27.u, 1e-6);
    EXPECT_NEAR(h28.v, 1.0f - h27.v, 1e-6);
}

// Off the face centres each face has its own orientation of (a, b): a table
// of one direction per face (its dominant axis named) with the face
// coordinates written out by hand.
TEST(InputModes, CubeFaceCoordinatesOffCentre) {
    InputRig rig;
    const struct {
        float p[3];
        int face;
        float a, b;
    } cases[] = {
        {{0.2f, -0.3f, 1.0f}, 3, -0.2f, 0.3f},     // +z: a = -x/z, b = -y/|z|
        {{0.2f, -0.3f, -1.0f}, 0, 0.2f, 0.3f},     // -z
        {{1.0f, 0.3f, -0.2f}, 4, -0.2f, -0.3f},    // +x: a = z/x, b = -y/|x|
        {{-1.0f, 0.3f, -0.2f}, 1, 0.2f, -0.3f},    // -x
        {{0.4f, 1.0f, -0.1f}, 5, -0.4f, -0.1f},    // +y: a = -x/|y|, b = z/y
        {{0.4f, -1.0f, -0.1f}, 2, -0.4f, 0.1f},    // -y
    };
    for (const auto& c : cases) {
        const float n = std::sqrt(c.p[0] * c.p[0] + c.p[1] * c.p[1] + c.p[2] * c.p[2]);
        const float p[3] = {c.p[0] / n, c.p[1] / n, c.p[2] / n};
        float a, b;
        EXPECT_EQ(SphereToCubeFaceCoords(p, &a, &b), c.face);
        EXPECT_NEAR(a, c.a, 1e-6) << c.face;
        EXPECT_NEAR(b, c.b, 1e-6) << c.face;
        const Answer tile = rig.Map(11, p);
        EXPECT_NEAR(tile.u, 0.5f + 0.5f * c.a, 1e-6) << c.face;
        EXPECT_NEAR(tile.v, 0.5f + 0.5f * c.b, 1e-6) << c.face;
        EXPECT_EQ(tile.kind, c.face + 1);
        for (long mode : {27L, 28L, 33L, 34L, 35L}) {
            const Answer layout = rig.Map(mode, p);
            const float s = mode == 28 && c.face == 0 ? -1.0f : 1.0f;  // the vertical cross's half turn
            EXPECT_EQ(layout.face, c.face) << mode;
            EXPECT_NEAR(layout.u, 0.5f + 0.5f * s * c.a, 1e-6) << mode << " " << c.face;
            EXPECT_NEAR(layout.v, 0.5f + 0.5f * s * c.b, 1e-6) << mode << " " << c.face;
        }
    }
}

TEST(InputModes, OneCubeFaceIsGnomonic) {
    InputRig rig;
    Answer a = rig.MapLL(10, 30, 20);
    float p[3];
    DirectionOfLonLat(30 * M_PI / 180, 20 * M_PI / 180, p);
    EXPECT_NEAR(a.u, 0.5 - 0.5 * p[0] / p[2], 1e-6);
    EXPECT_NEAR(a.v, 0.5 - 0.5 * p[1] / p[2], 1e-6);
    const float low[3] = {0.957f, 0, 0.29f}, edge[3] = {0.954f, 0, 0.3f};
    Answer l = rig.Map(10, low);
    EXPECT_EQ(l.outside, 1);
    EXPECT_EQ(l.u, 0.0f);
    EXPECT_EQ(l.v, 0.0f);
    EXPECT_EQ(rig.Map(10, edge).outside, 1);  // on the face plane but beyond its edge
    EXPECT_EQ(rig.Map(10, edge).kind, -1);
}

TEST(InputModes, ZenithAndNadirFaces) {
    InputRig rig;
    const float up[3] = {0, 1, 0}, down[3] = {0, -1, 0}, side[3] = {1, 0, 0};
    Answer u = rig.Map(26, up), d = rig.Map(26, down), s = rig.Map(26, side);
    EXPECT_FLOAT_EQ(u.u, 0.25f);
    EXPECT_FLOAT_EQ(u.v, 0.5f);
    EXPECT_EQ(u.kind, 3);
    EXPECT_FLOAT_EQ(d.u, 0.75f);
    EXPECT_EQ(d.kind, 2);
    EXPECT_FLOAT_EQ(u.aux, 1.0f);
    EXPECT_EQ(s.outside, 1);
    EXPECT_EQ(s.kind, -1);
    // Feathered towards the face borders.
    const float nearEdge[3] = {0.0f, 0.8f, 0.78f};
    Answer e = rig.Map(26, nearEdge);
    EXPECT_LT(e.aux, 1.0f);
    EXPECT_GE(e.aux, 0.0f);
}

TEST(InputModes, GoresAreCleanOnTheEquatorAndFollowTheirMeridians) {
    InputRig rig;
    for (long mode : {12L, 19L, 25L, 36L}) {
        for (double lon = -179; lon <= 179; lon += 7) {
            Answer a = rig.MapLL(mode, lon, 0);
            EXPECT_FALSE(std::isnan(a.u) || std::isnan(a.v)) << mode << " " << lon;
            if (mode != 19) {
                EXPECT_EQ(a.outside, 0) << mode << " " << lon;
                EXPECT_NEAR(a.u, 0.5 + lon / 360, 1e-5);
                EXPECT_NEAR(a.v, 0.5, 1e-6);
            }
        }
    }
    // The central meridian of a gore is straight and true to scale.
    Answer c = rig.MapLL(12, 15, 40);  // 15 E is the centre of gore 6 of 12
    EXPECT_NEAR(c.u, 0.5 + 15.0 / 360, 1e-5);
    EXPECT_NEAR(c.v, 0.5 - 40.0 / 180, 1e-5);
    EXPECT_EQ(c.kind, 0);
    // Radial gores keep only the northern half.
    EXPECT_EQ(rig.MapLL(19, 10, -30).outside, 1);
    Answer n = rig.MapLL(19, 10, 89.999);
    EXPECT_NEAR(n.u, 0.5, 1e-3);
    EXPECT_NEAR(n.v, 0.5, 1e-3);
}

TEST(InputModes, CentredModesHaveDefinedAnswersAtTheirSingularPoints) {
    InputRig rig;
    const float centre[3] = {0, 0, 1}, antipode[3] = {0, 0, -1}, overshoot[3] = {0, 0, -1.0000001f};
    Answer s = rig.Map(15, centre);
    EXPECT_FLOAT_EQ(s.u, 0.5f);
    EXPECT_FLOAT_EQ(s.v, 0.5f);
    for (long mode : {2L, 6L, 18L}) {
        for (const float* p : {antipode, overshoot}) {
            Answer a = rig.Map(mode, p);
            EXPECT_TRUE(a.u >= 0 && a.u <= 1 && a.v >= 0 && a.v <= 1) << mode << " " << a.u << " " << a.v;
            // The antipode lies on the rim of the disc.
            EXPECT_NEAR(std::hypot(a.u - 0.5, a.v - 0.5), 0.5, 1e-5) << mode;
        }
        Answer c = rig.Map(mode, centre);
        EXPECT_FLOAT_EQ(c.u, 0.5f);
        EXPECT_FLOAT_EQ(c.v, 0.5f);
    }
}

TEST(InputModes, StretchedBallsAndSpinnersAndStrebe) {
    InputRig rig;
    // The stretched balls run monotonically from the centre to the rim.
    for (long mode : {6L, 18L}) {
        float last = 0.5f;
        for (double lon = 10; lon <= 170; lon += 20) {
            Answer a = rig.MapLL(mode, lon, 0);
            EXPECT_GT(a.u, last);
            last = a.u;
        }
    }
    // Spinners: a central cylindrical projection, 360 degrees across.
    Answer s = rig.MapLL(31, 90, 30);
    EXPECT_NEAR(s.u, 0.75, 1e-5);
    EXPECT_NEAR(s.v, 0.5 - 0.5 * 1.430781245109842 * std::tan(30 * M_PI / 180), 1e-5);
    EXPECT_EQ(s.kind, 3);
    EXPECT_EQ(rig.MapLL(31, 0, 60).outside, 1);
    Answer s32 = rig.MapLL(32, 5, 0, 0.222563115884176f);
    EXPECT_NEAR(s32.u, 0.5 + 5.0 / 360, 1e-5);
    // Strebe 1995: centred, symmetric, inside its frame.
    Answer c = rig.MapLL(37, 0, 0);
    EXPECT_NEAR(c.u, 0.5, 1e-5);
    EXPECT_NEAR(c.v, 0.5, 1e-5);
    Answer e = rig.MapLL(37, 100, 40), w = rig.MapLL(37, -100, -40);
    EXPECT_NEAR(e.u + w.u, 1.0, 1e-5);
    EXPECT_NEAR(e.v + w.v, 1.0, 1e-5);
}

TEST(InputModes, PolyhedralAndUnknownModes) {
    InputRig rig;
    const float p[3] = {0.2f, 0.3f, 0.9327379f};
    EXPECT_TRUE(InputModeCategory(29));
    EXPECT_TRUE(InputModeCategory(39));
    EXPECT_FALSE(InputModeCategory(1));
    EXPECT_EQ(rig.Map(29, p).outside, 1);
    Answer other = rig.Map(0, p);
    EXPECT_EQ(other.outside, 0);
    EXPECT_EQ(other.u, 0.0f);
    EXPECT_EQ(other.v, 0.0f);
}

// A flip mirrors the sphere east for west. A map symmetric about its middle
// column is mirrored as a picture; a picture of faces side by side (cube
// layouts, the zenith and nadir pair, nets) looks up the mirrored direction,
// so that its left and right faces trade places and no face is mirrored in
// place.
TEST(InputModes, FlipMirrorsTheSphereIncludingOutsideValues) {
    InputRig rig;
    const float p[3] = {0.3f, 0.2f, 0.9327379f}, mirrored[3] = {-0.3f, 0.2f, 0.9327379f};
    const float back[3] = {0, 0, -1};
    const long byDirection[] = {26, 27, 28, 29, 33, 34, 35, 39};
    for (long mode = 1; mode <= 41; ++mode) {
        const bool direction = std::find(std::begin(byDirection), std::end(byDirection), mode) != std::end(byDirection);
        EXPECT_EQ(FlipMirrorsTheDirection(mode), direction) << mode;
        Answer plain = rig.Map(mode, p), flipped = rig.Map(mode, p, 0.5f, 1);
        if (direction) {
            Answer other = rig.Map(mode, mirrored);
            EXPECT_EQ(flipped.u, other.u) << mode;
            EXPECT_EQ(flipped.v, other.v) << mode;
            EXPECT_EQ(flipped.face, other.face) << mode;
            continue;
        }
        EXPECT_FLOAT_EQ(flipped.u, 1.0f - plain.u) << mode;
        EXPECT_FLOAT_EQ(flipped.v, plain.v) << mode;
    }
    // On a cube layout the direction just left of the front face's middle
    // comes from the face on the right when flipped: (x, z) = (0.9, 0.3)
    // lies on face 4, and mirrored on face 1.
    const float side[3] = {0.9f, 0.1f, 0.3f};
    EXPECT_EQ(rig.Map(33, side).face, 4);
    EXPECT_EQ(rig.Map(33, side, 0.5f, 1).face, 1);
    Answer o = rig.Map(4, back, 0.5f, 1);
    EXPECT_EQ(o.outside, 1);
    EXPECT_FLOAT_EQ(o.u, 2.0f);
}

TEST(InputModes, NoModeAnswersNaN) {
    InputRig rig;
    std::vector<std::array<float, 3>> dirs = {
        {0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, -1, 0}, {1, 0, 0}, {-1, 0, 0},
        {0.7071068f, 0.7071068f, 0}, {0, 0, -1.0000001f}, {0, -1.0000001f, 0}, {0.5f, 0.5f, 0.7071068f}};
    for (double lon = -180; lon <= 180; lon += 15)
        for (double lat = -90; lat <= 90; lat += 15) {
            float p[3];
            DirectionOfLonLat(lon * M_PI / 180, lat * M_PI / 180, p);
            dirs.push_back({p[0], p[1], p[2]});
        }
    for (long mode = 1; mode <= 41; ++mode)
        for (const auto& d : dirs) {
            Answer a = rig.Map(mode, d.data());
            EXPECT_FALSE(std::isnan(a.u) || std::isnan(a.v))
                << "mode " << mode << " at " << d[0] << " " << d[1] << " " << d[2];
            if (!a.outside && mode != 20 && mode != 17) {
                EXPECT_TRUE(a.u >= -1e-6f && a.u <= 1.000001f && a.v >= -1e-6f && a.v <= 1.000001f)
                    << "mode " << mode << " at " << d[0] << " " << d[1] << " " << d[2] << ": " << a.u << " " << a.v;
            }
        }
}

}  // namespace
