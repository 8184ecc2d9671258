// The square, rectangle and ellipse world maps on the Peirce core, and the
// Spilhaus aspect.
#include "projections/square_world_maps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "projections/caches.h"
#include "tests/projections/earth_fixture.h"
#include "tests/projections/road_fixture.h"

namespace {

class SquareWorldMaps : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        store = NewProjectionCacheStore();
        ASSERT_TRUE(PrefillProjectionCachesForMode(store, 90));
    }
    static void TearDownTestSuite() { DisposeProjectionCacheStore(&store); }
    static PyramidDescriptor* cache() { return ProjectionCache(store, kCacheTagPeirce); }
    static ProjectionCacheStore* store;
};
ProjectionCacheStore* SquareWorldMaps::store = nullptr;

TEST_F(SquareWorldMaps, AdamsSquaresCentreCornersAndOutside) {
    for (int variant : {1, 2}) {
        unsigned char miss = 1;
        triplex t{};
        fcomplex w{9, 9};
        TotalAdams(&miss, &t, cache(), variant, &w, 0.0, 0.0);
        EXPECT_EQ(miss, 0);
        EXPECT_NEAR(t.z, 1.0, 1e-9);
        EXPECT_NEAR(w.re, 0.0, 1e-9);
        TotalAdams(&miss, &t, cache(), variant, &w, 0.51, 0.0);
        EXPECT_EQ(miss, 1);
        EXPECT_EQ(w.re, 0.0);
        // Unit directions everywhere inside, and the left and right halves
        // are mirror images (the map is symmetric about its vertical axis
        // in Adams II, about its diagonal in Adams I).
        for (double x = -0.45; x <= 0.45; x += 0.15)
            for (double y = -0.45; y <= 0.45; y += 0.15) {
                TotalAdams(&miss, &t, cache(), variant, nullptr, x, y);
                ASSERT_EQ(miss, 0);
                EXPECT_NEAR(Tmagnitude(t), 1.0, 1e-6);
            }
    }
    // With the lookup's final turn the poles lie at two opposite corners and
    // the other two corners are the centre's antipode; without it the poles
    // lie at the middles of the top and bottom edges.
    unsigned char miss = 0;
    triplex n{}, s{}, a{};
    TotalAdams(&miss, &n, cache(), 1, nullptr, -0.5, -0.5);
    TotalAdams(&miss, &s, cache(), 1, nullptr, 0.5, 0.5);
    TotalAdams(&miss, &a, cache(), 1, nullptr, 0.5, -0.5);
    EXPECT_EQ(miss, 0);
    EXPECT_NEAR(n.y, 1.0, 1e-6);
    EXPECT_NEAR(s.y, -1.0, 1e-6);
    EXPECT_NEAR(a.z, -1.0, 1e-6);
    TotalAdams(&miss, &n, cache(), 2, nullptr, 0.0, -0.4999);
    TotalAdams(&miss, &s, cache(), 2, nullptr, 0.0, 0.4999);
    EXPECT_EQ(miss, 0);
    EXPECT_NEAR(n.y, 1.0, 1e-4);
    EXPECT_NEAR(s.y, -1.0, 1e-4);
}

TEST_F(SquareWorldMaps, GuyouHalvesAndTheSeam) {
    unsigned char miss = 1;
    float p[3], q[3];
    long region = -1;
    // s = x + 1 = 1 exactly is in the right square.
    TotalGuyou(&miss, p, cache(), &region, nullptr, 0.0, 0.1);
    EXPECT_EQ(miss, 0);
    EXPECT_EQ(region, 1);
    TotalGuyou(&miss, q, cache(), &region, nullptr, -1e-9, 0.1);
    EXPECT_EQ(region, 0);
    // The two squares meet along their common edge.
    EXPECT_LT(AngleBetween(p, q), 2e-4);  // within the cache's interpolation
    TotalGuyou(&miss, p, cache(), &region, nullptr, 1.01, 0.0);
    EXPECT_EQ(miss, 1);
    // The centres of the squares are opposite on the equator.
    TotalGuyou(&miss, p, cache(), &region, nullptr, -0.5, 0.0);
    TotalGuyou(&miss, q, cache(), &region, nullptr, 0.5, 0.0);
    EXPECT_NEAR(p[1], 0.0f, 1e-6);
    EXPECT_NEAR(p[0], -q[0], 1e-6);
    EXPECT_NEAR(p[2], -q[2], 1e-6);
    // Double Guyou: unit directions on both sides.
    for (double X : {-1.5, -0.2, 0.3, 1.7}) {
        DoubleGuyou(&miss, p, cache(), &region, X, 0.2);
        EXPECT_EQ(miss, 0);
        EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0f, 1e-5);
    }
}

TEST_F(SquareWorldMaps, WideRectangleAndEllipseGiveUnitDirections) {
    unsigned char miss;
    triplex t{};
    for (double x = -0.4; x <= 0.4; x += 0.2)
        for (double y = -0.2; y <= 0.2; y += 0.1) {
            miss = 1;
            TotalEllipse(&miss, &t, cache(), x * 0.8, y);
            if (!miss) {
                EXPECT_NEAR(Tmagnitude(t), 1.0, 1e-6);
            }
            miss = 1;
            TotalWiderect(&miss, &t, cache(), x, y);
            if (!miss) {
                EXPECT_NEAR(Tmagnitude(t), 1.0, 1e-6);
            }
        }
    miss = 1;
    TotalEllipse(&miss, &t, cache(), 0.0, 0.0);
    EXPECT_EQ(miss, 0);
}

// The equator is yanked down, not sideways: each map is its own mirror image
// across its vertical centre line, which runs in one plane through the sphere's
// centre, and every point of the ellipse is drawn.
TEST_F(SquareWorldMaps, WideRectangleAndEllipseAreMirrorSymmetric) {
    using Map = void (*)(unsigned char*, triplex*, PyramidDescriptor*, double, double);
    const Map maps[] = {TotalEllipse, TotalWiderect};
    for (Map map : maps) {
        auto at = [&](double x, double y, double d[3]) {
            unsigned char miss = 1;
            triplex t{};
            map(&miss, &t, cache(), x, y);
            d[0] = t.x, d[1] = t.y, d[2] = t.z;
            return miss == 0;
        };
        double up[3], down[3];
        ASSERT_TRUE(at(0.0, 0.15, up));
        ASSERT_TRUE(at(0.0, -0.15, down));
        double n[3] = {up[1] * down[2] - up[2] * down[1], up[2] * down[0] - up[0] * down[2],
                       up[0] * down[1] - up[1] * down[0]};
        const double m = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (double& c : n) c /= m;
        for (double y = -0.2; y <= 0.2; y += 0.05) {
            double c[3];
            ASSERT_TRUE(at(0.0, y, c));
            EXPECT_NEAR(c[0] * n[0] + c[1] * n[1] + c[2] * n[2], 0.0, 1e-6) << y;
            for (double x = 0.05; x < 0.45; x += 0.1) {
                double l[3], r[3];
                const bool inL = at(-x, y, l), inR = at(x, y, r);
                ASSERT_EQ(inL, inR) << x << ", " << y;
                if (map == TotalEllipse && (2 * x) * (2 * x) / 1.0 + (2 * y) * (2 * y) / 0.25 < 0.95)
                    EXPECT_TRUE(inL) << x << ", " << y;
                if (!inL) continue;
                const double k = 2 * (l[0] * n[0] + l[1] * n[1] + l[2] * n[2]);
                for (int i = 0; i < 3; ++i) EXPECT_NEAR(l[i] - k * n[i], r[i], 1e-5) << x << ", " << y;
            }
        }
    }
}

TEST_F(SquareWorldMaps, EqualAreaSquareBoundsAndSigns) {
    PyramidDescriptor* equalArea = ProjectionCache(store, kCacheTagEqualsquarea);
    unsigned char miss = 0;
    float p[3] = {5, 5, 5};
    TotalEqualsquarea(&miss, p, equalArea, 1.0001, 0.0);
    EXPECT_EQ(miss, 1);
    EXPECT_EQ(p[2], 1.0f);
    miss = 1;
    TotalEqualsquarea(&miss, p, equalArea, 1.0, 1.0);  // the corner is inside: the antipode of the centre
    EXPECT_EQ(miss, 0);
    EXPECT_NEAR(p[2], -1.0f, 1e-6);
    TotalEqualsquarea(&miss, p, equalArea, 0.0, 0.0);
    EXPECT_NEAR(p[2], 1.0f, 1e-6);
    // Each quadrant keeps its signs; the diamond |x| + |y| = 1 is the equator.
    const double quadrants[4][2] = {{0.3, 0.6}, {-0.3, 0.6}, {-0.3, -0.6}, {0.3, -0.6}};
    for (const auto& q : quadrants) {
        TotalEqualsquarea(&miss, p, equalArea, q[0] * 1.1, q[1] * 1.1);
        EXPECT_EQ(p[0] > 0, q[0] > 0);
        EXPECT_EQ(p[1] > 0, q[1] > 0);
        TotalEqualsquarea(&miss, p, equalArea, q[0] / 0.9, q[1] / 0.9);
        EXPECT_NEAR(p[2], 0.0, 1e-6);
        EXPECT_NEAR(std::hypot(p[0], p[1], p[2]), 1.0, 1e-6);
    }
    // Without its table (no pyramid) the fetch gives zeros: the direction is (0, 0, 1).
    TotalEqualsquarea(&miss, p, nullptr, 0.5, 0.25);
    EXPECT_EQ(miss, 0);
    EXPECT_EQ(p[2], 1.0f);
}

// The aspect: the map's centre is the published centre, the rotation is
// proper (no mirror), and the map's up is turned from north by the published
// angle.
TEST(Spilhaus, RotationIsThePublishedAspect) {
    float R[3][3];
    BuildSpilhausRotation(R);
    float want[3];
    DirectionOfLonLat(66.94970198 * M_PI / 180, -49.56371678 * M_PI / 180, want);
    EXPECT_LT(AngleBetween(R[2], want), 1e-6);
    double det = R[0][0] * (R[1][1] * R[2][2] - R[1][2] * R[2][1]) - R[0][1] * (R[1][0] * R[2][2] - R[1][2] * R[2][0]) +
                 R[0][2] * (R[1][0] * R[2][1] - R[1][1] * R[2][0]);
    EXPECT_NEAR(det, 1.0, 1e-6);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const double d = R[i][0] * R[j][0] + R[i][1] * R[j][1] + R[i][2] * R[j][2];
            EXPECT_NEAR(d, i == j ? 1.0 : 0.0, 1e-6);
        }
    // Angle between the map's up and north at the centre.
    const double lat = -49.56371678 * M_PI / 180, lon = 66.94970198 * M_PI / 180;
    const double north[3] = {std::sin(lat) * std::sin(lon), std::cos(lat), -std::sin(lat) * std::cos(lon)};
    const double c = R[1][0] * north[0] + R[1][1] * north[1] + R[1][2] * north[2];
    EXPECT_NEAR(std::acos(c) * 180 / M_PI, 40.17823482, 1e-4);
}

// Through the road: the ocean is one body of water, the land lies at the
// square's rim.
TEST(Spilhaus, TheOceanIsOneBodyWithTheContinentsAtTheRim) {
    ProjectionCacheStore* store = NewProjectionCacheStore();
    ASSERT_TRUE(PrefillProjectionCachesForMode(store, 410));
    PyramidDescriptor earth;
    ASSERT_TRUE(LoadBundledEarth(&earth));
    RoadRig rig(410, 1, 1.0f);
    rig.context->projectionCaches = store;
    BuildSpilhausRotation(rig.context->spilhausRotation);
    const int n = 96;
    std::vector<int> water(n * n, 0);
    int waterCount = 0, rimLand = 0, rim = 0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const TransformationReply r = rig.at((i + 0.5f) / n, (j + 0.5f) / n);
            ASSERT_GE(r.inputU, 0.0f);
            int64_t c[4];
            EarthColour(&earth, r.inputU, r.inputV, c);
            const bool w = c[2] > c[0] + 15 && c[2] > c[1] + 10 && c[2] < 200;  // deep blue
            water[j * n + i] = w;
            waterCount += w;
            if (i == 0 || j == 0 || i == n - 1 || j == n - 1) ++rim, rimLand += !w;
        }
    // Flood the water from the centre (the southern Indian Ocean).
    std::vector<int> stack{(n / 2) * n + n / 2};
    ASSERT_TRUE(water[stack[0]]);
    int body = 0;
    water[stack[0]] = 2;
    while (!stack.empty()) {
        const int k = stack.back();
        stack.pop_back();
        ++body;
        const int i = k % n, j = k / n;
        for (auto [di, dj] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const int a = i + di, b = j + dj;
            if (a < 0 || b < 0 || a >= n || b >= n || water[b * n + a] != 1) continue;
            water[b * n + a] = 2;
            stack.push_back(b * n + a);
        }
    }
    EXPECT_GT(body, 0.9 * waterCount);
    EXPECT_GT(double(rimLand) / rim, 0.5);
    EXPECT_LT(double(waterCount) / (n * n), 0.8);
    DisposePyramidData(&earth);
    DisposeProjectionCacheStore(&store);
}

}  // namespace

namespace {

// Conformal: the plane's two unit steps go to equal, perpendicular steps on
// the sphere. Checked by finite differences; the tolerance allows for the
// cache's interpolation near the singular corners (an equal-area or
// compromise map would be off by far more).
template <class Map>
void ExpectConformal(Map map, double x0, double x1, double y0, double y1, const char* name) {
    const double h = 1e-3;
    int checked = 0;
    for (double x = x0; x <= x1; x += (x1 - x0) / 6)
        for (double y = y0; y <= y1; y += (y1 - y0) / 6) {
            triplex p, px, py;
            if (!map(x, y, &p) || !map(x + h, y, &px) || !map(x, y + h, &py)) continue;
            const triplex dx = Tsub(px, p), dy = Tsub(py, p);
            const double lx = Tmagnitude(dx), ly = Tmagnitude(dy);
            if (lx < 1e-6) continue;  // a fold point of the map
            ++checked;
            EXPECT_NEAR(ly / lx, 1.0, 0.08) << name << " " << x << " " << y;
            EXPECT_NEAR(Tdot_product(dx, dy) / (lx * ly), 0.0, 0.08) << name << " " << x << " " << y;
        }
    EXPECT_GT(checked, 30) << name;
}

TEST_F(SquareWorldMaps, TheMapsAreConformal) {
    PyramidDescriptor* c = cache();
    for (int variant : {1, 2}) {
        ExpectConformal(
            [&](double x, double y, triplex* t) {
                unsigned char m = 0;
                TotalAdams(&m, t, c, variant, nullptr, x, y);
                return m == 0;
            },
            -0.43, 0.43, -0.43, 0.43, variant == 1 ? "Adams 1" : "Adams 2");
    }
    ExpectConformal(
        [&](double x, double y, triplex* t) {
            unsigned char m = 0;
            float p[3];
            long region;
            TotalGuyou(&m, p, c, &region, nullptr, x, y);
            *t = {p[0], p[1], p[2]};
            return m == 0;
        },
        -0.93, 0.93, -0.43, 0.43, "Guyou");
    ExpectConformal(
        [&](double x, double y, triplex* t) {
            unsigned char m = 0;
            TotalEllipse(&m, t, c, x, y);
            return m == 0;
        },
        -0.4, 0.4, -0.2, 0.2, "ellipse");
}

}  // namespace

namespace {

// Mode 140 on the bundled Earth's input mode (equirectangular), framed so
// that the square [-1, 1]^2 fills the frame.
struct EqualAreaRig {
    RoadRig rig{140, 1, 1.0f};
    ProjectionCacheStore* store = NewProjectionCacheStore();
    EqualAreaRig() {
        rig.context->inverseScale = 2.0;
        rig.context->boxHeight = 1.0f;
        rig.context->projectionCaches = store;
        PrefillProjectionCachesForMode(store, 140);
    }
    ~EqualAreaRig() { DisposeProjectionCacheStore(&store); }
};

}  // namespace

// Equal-area: the frame's pixels fall evenly into latitude bands of equal
// area (equal steps of the sine of the latitude, read back from the
// equirectangular input position).
TEST(EqualAreaSquareMode, LatitudeBandsOfEqualAreaTakeEqualPixelCounts) {
    EqualAreaRig r;
    constexpr int kSize = 400, kBands = 8;
    long counts[kBands] = {};
    long inside = 0;
    for (int j = 0; j < kSize; ++j)
        for (int i = 0; i < kSize; ++i) {
            const TransformationReply t = r.rig.at((i + 0.5f) / kSize, (j + 0.5f) / kSize);
            if (!(t.inputV >= 0.0f && t.inputV <= 1.0f)) continue;
            const double latitude = (0.5 - t.inputV) * M_PI;
            const int band = std::min(kBands - 1, static_cast<int>((std::sin(latitude) + 1.0) / 2.0 * kBands));
            ++counts[band];
            ++inside;
        }
    EXPECT_EQ(inside, kSize * kSize);
    for (int b = 0; b < kBands; ++b) EXPECT_NEAR(counts[b] / (double(inside) / kBands), 1.0, 0.01) << "band " << b;
}

// Not mirrored: the Jacobian of the output-to-input map has the sign of the
// equirectangular mode's; the map shows the Earth turned half a turn (north
// down), which the spin setting undoes.
TEST(EqualAreaSquareMode, KeepsTheEquirectangularOrientationTurnedHalfATurn) {
    EqualAreaRig r;
    RoadRig plain(1, 1, 0.5f);
    const float d = 1e-3f;
    auto jacobian = [d](RoadRig& rig, float u, float v, double J[2][2]) {
        const TransformationReply a = rig.at(u - d, v), b = rig.at(u + d, v);
        const TransformationReply c = rig.at(u, v - d), e = rig.at(u, v + d);
        J[0][0] = b.inputU - a.inputU, J[1][0] = b.inputV - a.inputV;
        J[0][1] = e.inputU - c.inputU, J[1][1] = e.inputV - c.inputV;
    };
    double P[2][2];
    jacobian(plain, 0.5f, 0.5f, P);
    const double plainSign = P[0][0] * P[1][1] - P[0][1] * P[1][0];
    for (const auto& at : {std::pair{0.5f, 0.5f}, {0.3f, 0.42f}, {0.62f, 0.7f}, {0.1f, 0.2f}, {0.93f, 0.8f}}) {
        double J[2][2];
        jacobian(r.rig, at.first, at.second, J);
        EXPECT_GT((J[0][0] * J[1][1] - J[0][1] * J[1][0]) * plainSign, 0.0) << at.first << ", " << at.second;
    }
    double C[2][2];
    jacobian(r.rig, 0.5f, 0.5f, C);
    EXPECT_LT(C[0][0] * P[0][0], 0.0);  // east and west swapped
    EXPECT_LT(C[1][1] * P[1][1], 0.0);  // north and south swapped
}
