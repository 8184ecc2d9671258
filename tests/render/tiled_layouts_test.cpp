// The wrapped polyhedral layouts rendered whole over a picture whose colours
// encode the sphere's directions: the repeated net must fold into a picture
// that is continuous everywhere (the tetrahedron strip has no cuts: the plane
// covers the solid's surface), repeats on the layout's lattice and shows the
// whole sphere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "pyramid/pixels.h"
#include "tests/render/direction_pictures.h"
#include "tests/render/render_fixture.h"

namespace {

constexpr int64_t kEquiW = 512, kEquiH = 256;

double Angle(const double* a, const double* b) {
    const double c = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    return std::acos(std::clamp(c, -1.0, 1.0));
}

struct TiledLayout {
    int32_t mode;
    double latticeAngle;  // degrees between the lattice's two shortest periods
};
constexpr TiledLayout kTiledLayouts[] = {
    {64, 60.0},  // tetrahedron strip: the triangle lattice doubled
    // The triangle and hexagon tiles (368, 370) join when their solids are built.
};

TEST(TiledLayouts, ContinuousPeriodicAndCoveringTheSphere) {
    constexpr int64_t W = 384, H = 192;
    for (const TiledLayout& l : kTiledLayouts) {
        SCOPED_TRACE(l.mode);
        RenderRig rig;
        ASSERT_TRUE(rig.SetInput(kEquiW, kEquiH, kPyrColourFloat, [](int64_t x, int64_t y, float* c) {
            EquirectangularPixel(x, y, kEquiW, kEquiH, c);
        }));
        rig.params->outputMode = l.mode;
        rig.params->FOV = 45.0f;  // a few repeats across the picture
        ASSERT_EQ(rig.Render(W, H, kPyrColourFloat), 0);
        std::vector<double> dir(size_t(W * H * 3));
        for (int64_t y = 0; y < H; ++y)
            for (int64_t x = 0; x < W; ++x) {
                float c[4];
                rig.Out(x, y, c);
                ASSERT_GT(c[3], 0.5f) << "no direction at " << x << ", " << y;
                DecodeDirection(c, &dir[size_t(y * W + x) * 3]);
            }
        auto at = [&](int64_t x, int64_t y) { return &dir[size_t(y * W + x) * 3]; };

        // Continuity: no step between neighbours far above the typical one.
        std::vector<double> steps;
        for (int64_t y = 0; y + 1 < H; ++y)
            for (int64_t x = 0; x + 1 < W; ++x) {
                steps.push_back(Angle(at(x, y), at(x + 1, y)));
                steps.push_back(Angle(at(x, y), at(x, y + 1)));
            }
        std::sort(steps.begin(), steps.end());
        const double median = steps[steps.size() / 2], largest = steps.back();
        EXPECT_LT(median, 6.0 * M_PI / 180.0);
        EXPECT_LT(largest, 3.0 * median) << "a tear: " << largest * 180 / M_PI << " degrees";

        // Periods: the largest mismatch over a grid of samples when the
        // picture is shifted by (dx, dy), within about a pixel's step when
        // the shift is a period rounded to whole pixels.
        auto mismatch = [&](int64_t dx, int64_t dy) {
            double worst = 0;
            for (int64_t y = 2; y + dy < H - 2; y += 7)
                for (int64_t x = std::max<int64_t>(2, -dx); x + std::max<int64_t>(dx, 0) < W - 2; x += 5)
                    worst = std::max(worst, Angle(at(x, y), at(x + dx, y + dy)));
            return worst;
        };
        const double tolerance = 1.5 * median;
        int64_t period = 0;
        for (int64_t dx = 4; dx < W / 2 && !period; ++dx)
            if (mismatch(dx, 0) < tolerance) period = dx;
        ASSERT_GT(period, 0) << "no horizontal period";
        // The second period at the lattice's angle, the same length.
        const double a = l.latticeAngle * M_PI / 180.0;
        const double sx = period * std::cos(a), sy = period * std::sin(a);
        ASSERT_LT(sy, H - 8);
        EXPECT_LT(mismatch(std::lround(sx), std::lround(sy)), tolerance) << "period " << period;
        // Between the periods the picture changes: not a blur of one colour.
        EXPECT_GT(mismatch(period / 2, 0), 30.0 * M_PI / 180.0);

        // Coverage: every direction of a spiral over the sphere is close to
        // some pixel's.
        double farthest = 0;
        constexpr int kProbes = 300;
        for (int k = 0; k < kProbes; ++k) {
            const double yk = 1.0 - 2.0 * (k + 0.5) / kProbes, r = std::sqrt(1.0 - yk * yk);
            const double phi = k * M_PI * (3.0 - std::sqrt(5.0));
            const double probe[3] = {r * std::cos(phi), yk, r * std::sin(phi)};
            double nearest = M_PI;
            for (int64_t i = 0; i < W * H; ++i) nearest = std::min(nearest, Angle(probe, &dir[size_t(i) * 3]));
            farthest = std::max(farthest, nearest);
        }
        EXPECT_LT(farthest, 2.0 * median) << "a hole in the sphere";
        std::printf("mode %d: median step %.2f deg, largest %.2f, period %lld px, coverage gap %.2f deg\n", l.mode,
                    median * 180 / M_PI, largest * 180 / M_PI, (long long)period, farthest * 180 / M_PI);
    }
}

}  // namespace
