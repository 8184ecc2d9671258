// The overlays against the geometry they draw: graticule lines where each
// projection's closed form puts the meridians and parallels, one pixel wide;
// Tissot outlines on the projected circles; edge lines on the map's outline;
// and the anti-aliased dots all of them are made of.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "records/vort.h"
#include "polyhedra/polyhedron.h"
#include "pyramid/wu_pixel.h"
#include "render/overlays.h"
#include "render/reply_grid.h"
#include "render/supersampler.h"
#include "render/tile_passes.h"
#include "render/render_job.h"
#include "tests/projections/proj_check.h"
#include "tests/render/grid_rig.h"
#include "tests/render/render_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(Dots, SharesSumToTheWeightAndAnIntegerPositionFillsOnePixel) {
    for (const auto& p : {std::pair{0.0f, 0.0f}, {0.25f, 0.75f}, {0.5f, 0.5f}, {0.999f, 0.1f}}) {
        GridRig g;
        draw_Wu_Pixel(p.first, p.second, 0.8f, 12, 22, g.c(), 1);
        double total, cx, cy;
        g.Moments(1, &total, &cx, &cy);
        EXPECT_NEAR(total, 0.8, 1e-6);
        EXPECT_NEAR(cx, 12 + p.first, 1e-5);
        EXPECT_NEAR(cy, 22 + p.second, 1e-5);
        if (p.first == 0.0f) {
            EXPECT_FLOAT_EQ(GetReplyEdges(12, 22, g.c()), 0.8f);
        }
        g.Moments(2, &total, &cx, &cy);
        EXPECT_EQ(total, 0.0);  // channel 1 is the edges word alone
    }
    // Cells beyond the grid are skipped; channel 3 draws nothing.
    GridRig g;
    draw_Wu_Pixel(0.5f, 0.5f, 1.0f, 18, 28, g.c(), 1);
    draw_Wu_Pixel(0.5f, 0.5f, 1.0f, 12, 22, g.c(), 3);
    double total, cx, cy;
    g.Moments(1, &total, &cx, &cy);
    EXPECT_NEAR(total, 0.25, 1e-6);
}

// Contours of x² + y² on a unit grid: every segment's ends on the circle
// within the linear interpolation's error, the lengths adding up to the
// circumference.
TEST(Dots, ContoursOfASquareLieOnTheirCircles) {
    for (double R : {7.0, 12.6, 25.2}) {
        double length = 0.0, worst = 0.0;
        const int n = int(R) + 2;
        for (int j = -n; j < n; ++j)
            for (int i = -n; i < n; ++i) {
                auto f = [](double x, double y) { return float(x * x + y * y); };
                const float a = f(i, j), b = f(i + 1, j), c = f(i, j + 1), d = f(i + 1, j + 1), L = float(R * R);
                float t[4];
                LinearContourCrossings(a, b, c, d, L, t);
                ContourSegment s[2];
                const int k = ContourCellSegments(ContourCase(a, b, c, d, L), t, s);
                for (int m = 0; m < k; ++m) {
                    length += std::hypot(s[m].x1 - s[m].x0, s[m].y1 - s[m].y0);
                    for (auto [x, y] : {std::pair{s[m].x0, s[m].y0}, {s[m].x1, s[m].y1}})
                        worst = std::fmax(worst, std::fabs(std::hypot(i + x, j + y) - R));
                }
            }
        // The chord of a unit cell lies within 1/(8R) of the arc; the
        // crossing of a quadratic by a line within 1/(8R) too.
        EXPECT_LT(worst, 0.25 / R + 1e-4) << R;
        EXPECT_NEAR(length / (2 * kPi * R), 1.0, 0.01) << R;
    }
    // Corners on one side draw nothing.
    float t[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    ContourSegment s[2];
    EXPECT_EQ(ContourCellSegments(0, t, s), 0);
    EXPECT_EQ(ContourCellSegments(15, t, s), 0);
    EXPECT_EQ(ContourCellSegments(6, t, s), 2);
    EXPECT_EQ(ContourCellSegments(9, t, s), 2);
}

// ------------------------------------------------------------ edge dots

// Each row of the edge table on synthetic corners: the pieces' lengths and
// midpoints, measured from the weight and centroid that reach each channel
// (the last channel here 2, to tell its pieces apart).
TEST(EdgeDots, EachPatternDrawsItsPieces) {
    struct Piece {
        float x0, y0, x1, y1;
    };
    struct Case {
        int tl, tr, bl, br, pattern;
        std::vector<Piece> main, last;
    };
    const float a = 0.3f, b = 0.6f, c = 0.2f, d = 0.7f, m = 0.5f * (c + d), ab = 0.5f * (a + b);
    const Case cases[] = {
        {1, 1, 1, 1, 0, {}, {}},
        {2, 1, 1, 1, 1, {{a, 0, 0, c}}, {}},
        {1, 2, 1, 1, 2, {{a, 0, 1, d}}, {}},
        {2, 3, 1, 1, 3, {{0, c, 1, d}}, {{a, m, b, 1}}},
        {2, 2, 1, 1, 3, {{0, c, 1, d}}, {}},
        {1, 1, 2, 1, 4, {{b, 1, 0, c}}, {}},
        {2, 1, 3, 1, 5, {{a, 0, b, 1}}, {{0, c, ab, c}}},
        {2, 1, 2, 1, 5, {{a, 0, b, 1}}, {}},
        {1, 2, 2, 1, 6, {{b, 1, 0, c}, {a, 0, 1, d}}, {}},
        {2, 2, 2, 1, 7, {{b, 1, 1, d}}, {}},
        {3, 2, 2, 1, 7, {{a, 0, 0, c}, {b, 1, 1, d}}, {}},
        {2, 3, 4, 1, 7, {{a, 0, b, 1}, {0, c, 1, d}}, {}},
        {2, 3, 2, 1, 7, {{a, 0, b, 1}}, {{ab, d, 1, d}}},
        {2, 2, 3, 1, 7, {{0, c, 1, d}}, {{b, m, b, 1}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.tl << k.tr << k.bl << k.br);
        GridRig g;
        TransformationReply corner[4];
        const int regions[4] = {k.tl, k.tr, k.bl, k.br};
        SuperSamplerReply rec{};
        for (int i = 0; i < 4; ++i) {
            corner[i] = MakeTemplateReply();
            corner[i].place = regions[i];
            rec.corner[i] = &corner[i];
        }
        rec.boundary[0] = a, rec.boundary[1] = b, rec.boundary[2] = c, rec.boundary[3] = d;
        const int64_t x = 13, y = 24;
        EXPECT_EQ(draw_edge_dot(&rec, x, y, false, g.c(), 2).edgePattern, k.pattern);
        for (int channel : {1, 2}) {
            const std::vector<Piece>& want = channel == 1 ? k.main : k.last;
            double L = 0, mx = 0, my = 0;
            for (const Piece& p : want) {
                const double l = std::hypot(p.x1 - p.x0, p.y1 - p.y0);
                L += l, mx += l * (x - 0.5 + 0.5 * (p.x0 + p.x1)), my += l * (y - 0.5 + 0.5 * (p.y0 + p.y1));
            }
            double total, cx, cy;
            g.Moments(channel, &total, &cx, &cy);
            EXPECT_NEAR(total, L, 1e-5) << "channel " << channel;
            if (L > 0) {
                EXPECT_NEAR(cx, mx / L, 1e-4) << "channel " << channel;
                EXPECT_NEAR(cy, my / L, 1e-4) << "channel " << channel;
            }
        }
    }
    // With clamp every negative region counts as 0: -5 against -7 is no edge.
    GridRig g;
    TransformationReply corner[4];
    SuperSamplerReply rec{};
    const int regions[4] = {-5, -7, -7, -7};
    for (int i = 0; i < 4; ++i) {
        corner[i] = MakeTemplateReply();
        corner[i].place = regions[i];
        rec.corner[i] = &corner[i];
    }
    EXPECT_EQ(draw_edge_dot(&rec, 13, 24, true, g.c(), 1).edgePattern, 0);
    EXPECT_EQ(draw_edge_dot(&rec, 13, 24, false, g.c(), 1).edgePattern, 1);
}

TEST(EdgeDots, ThePixelsFaceIsTheLastCornerOnAFace) {
    struct Case {
        int64_t face[4];
        int64_t expected;
    } cases[] = {
        {{-1, -1, -1, -1}, -1},
        {{5, 6, -1, -1}, 6},
        {{1, 2, 3, 4}, 4},
        {{3, -1, 7, 25291}, 7},
    };
    for (const Case& k : cases) {
        GridRig g;
        TransformationReply corner[4];
        SuperSamplerReply rec{};
        for (int i = 0; i < 4; ++i) {
            corner[i] = MakeTemplateReply();
            corner[i].place = i == 0 ? 2 : 1;
            corner[i].regionFace = k.face[i];
            corner[i].regionFragment = k.face[i] + 100;
            rec.corner[i] = &corner[i];
        }
        const SuperSamplerReply out = draw_edge_dot(&rec, 13, 24, false, g.c(), 1);
        EXPECT_EQ(out.edgePattern, 1);
        EXPECT_EQ(out.face, k.expected);
        EXPECT_EQ(out.faceSecond, k.expected < 0 ? -1 : k.expected + 100);
        EXPECT_EQ(out.corner[3], rec.corner[3]);
    }
}

// ------------------------------------------------------------ graticule pieces

TEST(Graticule, ZoneCountsAndZones) {
    const int64_t zones[] = {36, 30, 18, 12, 6, 4};
    for (int grid = 2; grid <= 7; ++grid) {
        const int64_t n = zones[grid - 2];
        int64_t lat, lon;
        getGratZoneCounts(grid, 0.5f, &lat, &lon);
        EXPECT_EQ(lat, n);
        EXPECT_EQ(lon, 2 * n);
        getGratZoneCounts(grid, 0.5f / float(n), &lat, &lon);  // first zone
        EXPECT_EQ(lon, 4);
        getGratZoneCounts(grid, 1.0f - 0.5f / float(n), &lat, &lon);  // last zone
        EXPECT_EQ(lon, 4);
        getGratZoneCounts(grid, -2.0f, &lat, &lon);  // no value
        EXPECT_EQ(lon, 4);
    }
    int64_t lat, lon;
    getGratZoneCounts(1, 0.5f, &lat, &lon);
    EXPECT_EQ(lat + lon, 0);
    getGratZoneCounts(8, 0.5f, &lat, &lon);
    EXPECT_EQ(lat + lon, 0);
    EXPECT_EQ(latitude_to_zone(-2.0, 4), 0);
    EXPECT_EQ(latitude_to_zone(0.3, 4), 1);
}

// The rates from the grid: gradient magnitudes over both axes, longitude
// the short way round the seam, failing with no same-region neighbour.
TEST(Graticule, RatesAreGradientMagnitudes) {
    GridRig g;
    for (int64_t y = 19; y < 29; ++y)
        for (int64_t x = 9; x < 19; ++x) {
            MirelYummy* cell = GetYummyReplyPointer(x, y, g.c());
            cell->reply.place = -7;
            // u rises by 0.003 a column and 0.004 a row, through the seam.
            const double u = 0.99 + 0.003 * (x - 9) + 0.004 * (y - 19);
            cell->reply.graticuleX = float(u - std::floor(u));
            cell->reply.graticuleY = float(0.5 - 0.002 * (x - 9));  // falling
        }
    TransformationReply sample = GetReply(14, 24, g.c());
    float out[4];
    ASSERT_TRUE(get_latlong_fixer(-7, 14, 24, g.c(), &sample, out));
    EXPECT_NEAR(out[2], 0.005, 1e-5);
    EXPECT_NEAR(out[3], 0.002, 1e-5);  // a falling fraction still has a positive rate
    // Next to another region: one-sided differences.
    for (int64_t y = 19; y < 29; ++y) GetYummyReplyPointer(14, y, g.c())->reply.place = -5;
    ASSERT_TRUE(get_latlong_fixer(-7, 15, 24, g.c(), &sample, out));
    EXPECT_NEAR(out[2], 0.005, 1e-5);
    // A cell on a pole has no longitude: its neighbours' rates stand.
    GetYummyReplyPointer(11, 23, g.c())->reply.graticuleY = 0.0f;
    GetYummyReplyPointer(11, 23, g.c())->reply.graticuleX = 0.77f;
    ASSERT_TRUE(get_latlong_fixer(-7, 12, 24, g.c(), &sample, out));
    EXPECT_NEAR(out[2], 0.005, 1e-5);
    // A lone region has no neighbour to difference with.
    GetYummyReplyPointer(14, 24, g.c())->reply.place = 9;
    EXPECT_FALSE(get_latlong_fixer(9, 14, 24, g.c(), &sample, out));
}

// ------------------------------------------------------------ renders

// A white world, black lines, a transparent backdrop, no twirl.
struct OverlayRender {
    RenderRig rig;
    int W = 0, H = 0;
    // The render's context and the job whose records it points to.
    std::unique_ptr<RenderJob> job;
    vort context{};
    OverlayRender() {
        rig.SetInput(64, 32, kPyrColourFloat, [](int64_t, int64_t, float* c) { c[0] = c[1] = c[2] = c[3] = 1.0f; });
        rig.params->line_color = RGBColor{0, 0, 0};
        rig.params->latitude = rig.params->longitude = rig.params->spin = 0.0f;
        rig.params->transparent_gaps = 1;
        rig.params->grid = 1;
        rig.params->indicatrix = 0;
        rig.params->edges = 0;
    }
    bool Render(long mode, int w, int h) {
        rig.params->outputMode = mode;
        W = w, H = h;
        if (rig.Render(w, h, kPyrColourFloat) != 0) return false;
        job = std::make_unique<RenderJob>(*rig.params);
        if (!PrepareRenderContext(job.get(), rig.data.get())) return false;
        context = *RenderContextTemplate(job.get());
        FinishRenderContext(job.get());
        return true;
    }
    // Line darkness of pixel (x, y): how far red moved towards black.
    double Dark(int64_t x, int64_t y) {
        float c[4];
        rig.Out(x, y, c);
        return c[3] > 0.0f ? 1.0 - c[0] : 0.0;
    }
    double Alpha(int64_t x, int64_t y) {
        float c[4];
        rig.Out(x, y, c);
        return c[3];
    }
    // Bilinear darkness at a continuous position (pixel p spans p..p+1).
    double DarkAt(double X, double Y) {
        const double x = X - 0.5, y = Y - 0.5;
        const int64_t ix = int64_t(std::floor(x)), iy = int64_t(std::floor(y));
        const double fx = x - ix, fy = y - iy;
        auto d = [&](int64_t i, int64_t j) {
            return i < 0 || j < 0 || i >= W || j >= H ? 0.0 : Dark(i, j);
        };
        return (1 - fx) * (1 - fy) * d(ix, iy) + fx * (1 - fy) * d(ix + 1, iy) + (1 - fx) * fy * d(ix, iy + 1) +
               fx * fy * d(ix + 1, iy + 1);
    }
    // The profile across a line at P along the unit normal N: its integral
    // (in pixels) and its centroid's offset from P.
    void Across(double X, double Y, double nx, double ny, double reach, double* integral, double* offset) {
        double sum = 0, first = 0;
        const double step = 0.05;
        for (double s = -reach; s <= reach + 1e-9; s += step) {
            const double w = DarkAt(X + s * nx, Y + s * ny);
            sum += w * step, first += w * s * step;
        }
        *integral = sum;
        *offset = sum > 0 ? first / sum : 1e9;
    }
};

// Where each projection's closed form puts (longitude, latitude) in unit
// output coordinates, through the mode's framing.
using Forward = std::function<bool(const vort&, double, double, double*, double*)>;
struct ModeCase {
    long mode;
    int w, h;
    Forward forward;
    double latitudeLimit;  // lines checked up to this latitude
};

bool EquirectangularForward(const vort& c, double lam, double phi, double* u, double* v) {
    const double S = c.inverseScale;
    *u = 0.5 + c.planeCentreX + lam / (2 * kPi) / S;
    *v = 0.5 + ((0.5 - phi / kPi) - 0.5) / (2 * S * c.aspect);
    return true;
}
bool MercatorForward(const vort& c, double lam, double phi, double* u, double* v) {
    *u = 0.5 + lam / (2 * kPi);
    *v = 0.5 + std::asinh(std::tan(phi)) / (2 * kPi * c.aspect);
    return true;
}
bool MollweideForward(const vort& c, double lam, double phi, double* u, double* v) {
    double t = phi;
    for (int i = 0; i < 60; ++i) {
        const double f = 2 * t + std::sin(2 * t) - kPi * std::sin(phi), df = 2 + 2 * std::cos(2 * t);
        if (std::fabs(df) < 1e-12) break;
        t -= f / df;
    }
    // Plane coordinates over the dispatcher's factor 4√2.
    const double X = (2 * std::sqrt(2.0) / kPi) * lam * std::cos(t) / (4 * std::sqrt(2.0));
    const double Y = std::sqrt(2.0) * std::sin(t) / (4 * std::sqrt(2.0));
    *u = 0.5 + c.planeCentreX + X / c.inverseScale;
    *v = 0.5 + Y / (c.inverseScale * c.aspect);
    return true;
}
bool OrthographicForward(const vort& c, double lam, double phi, double* u, double* v) {
    if (std::cos(phi) * std::cos(lam) < 0) return false;  // the far side
    const double Xb = -0.5 * std::cos(phi) * std::sin(lam), Yb = -0.5 * std::sin(phi);
    *u = 0.5 + (Xb - c.planeCentreX) / c.inverseScale;
    *v = 0.5 + (Yb - c.planeCentreY) / (c.boxHeight * c.inverseScale);
    return true;
}

const ModeCase kModes[] = {
    {1, 360, 180, EquirectangularForward, 80},
    {62, 360, 360, MercatorForward, 80},
    {46, 360, 180, MollweideForward, 70},
    {5, 240, 240, OrthographicForward, 85},
};

// The closed forms above against PROJ's, up to each one's scale.
TEST(Graticule, TestProjectionsAgreeWithPROJ) {
    vort c{};
    c.inverseScale = 1.0, c.aspect = 1.0f, c.boxHeight = 1.0;
    struct P {
        const char* def;
        Forward f;
        double sx, sy;  // PROJ's plane per unit output offset
    };
    for (const P& p : {P{"+proj=merc +R=1", MercatorForward, 2 * kPi, 2 * kPi},
                       P{"+proj=moll +R=1", MollweideForward, 4 * std::sqrt(2.0), 4 * std::sqrt(2.0)},
                       P{"+proj=ortho +R=1", OrthographicForward, -2.0, -2.0}}) {
        ProjForward proj(p.def);
        ASSERT_TRUE(proj.ok()) << p.def;
        for (double lam : {-2.5, -1.0, 0.3, 1.2})
            for (double phi : {-1.2, -0.4, 0.0, 0.7, 1.3}) {
                double u, v, x, y;
                if (!p.f(c, lam, phi, &u, &v)) continue;
                ASSERT_TRUE(proj(lam, phi, &x, &y));
                EXPECT_NEAR((u - 0.5) * p.sx, x, 1e-9) << p.def << " " << lam << " " << phi;
                EXPECT_NEAR((v - 0.5) * p.sy, y, 1e-9) << p.def << " " << lam << " " << phi;
            }
    }
}

// Each meridian and parallel: its profile across the line centred on the
// closed form's curve within half a pixel, summing to one pixel of line
// (at half strength: the line colour covers half the pixel at its peak).
TEST(Graticule, LinesLieOnTheProjectedMeridiansAndParallelsOnePixelWide) {
    const int64_t zones[] = {36, 30, 18, 12, 6, 4};
    for (const ModeCase& m : kModes)
        for (int grid = 2; grid <= 7; ++grid) {
            SCOPED_TRACE(testing::Message() << "mode " << m.mode << " graticule " << grid);
            OverlayRender r;
            r.rig.params->grid = grid;
            ASSERT_TRUE(r.Render(m.mode, m.w, m.h));
            const int64_t n = zones[grid - 2];
            auto pixel = [&](double lam, double phi, double* X, double* Y) {
                double u, v;
                if (!m.forward(r.context, lam, phi, &u, &v)) return false;
                *X = u * r.W, *Y = v * r.H;
                return *X > 3 && *Y > 3 && *X < r.W - 3 && *Y < r.H - 3;
            };
            int checked = 0;
            double worstOffset = 0, worstWidth = 0;
            auto check = [&](double lam, double phi, bool meridian) {
                double X, Y, X1, Y1, X2, Y2;
                const double e = 1e-4;
                if (!pixel(lam, phi, &X, &Y)) return;
                // Along the line, and the neighbouring lines' distance.
                const double dl = meridian ? 0 : e, dp = meridian ? e : 0;
                if (!pixel(lam + dl, phi + dp, &X1, &Y1)) return;
                double tx = X1 - X, ty = Y1 - Y;
                const double tl = std::hypot(tx, ty);
                if (!(tl > 0)) return;
                tx /= tl, ty /= tl;
                const double spacing = meridian ? 2 * kPi / (2 * n) : kPi / n;
                for (int side : {-1, 1}) {
                    if (!pixel(lam + (meridian ? side * spacing : 0), phi + (meridian ? 0 : side * spacing), &X2, &Y2))
                        continue;
                    // Lines closer than 3 pixels, measured across the line.
                    if (std::fabs((X2 - X) * -ty + (Y2 - Y) * tx) < 3.0) return;
                }
                // The crossing lines, half their spacing away on either
                // side, out of the profile's reach.
                const double half = meridian ? 0.5 * kPi / n : 0.5 * 2 * kPi / (2 * n);
                for (int side : {-1, 1}) {
                    const double ql = lam + (meridian ? 0 : side * half), qp = phi + (meridian ? side * half : 0);
                    double X3, Y3;
                    if (!pixel(ql, qp, &X2, &Y2) || !pixel(ql + (meridian ? e : 0), qp + (meridian ? 0 : e), &X3, &Y3))
                        return;
                    // Distance across that line, which may run askew.
                    const double cx = X3 - X2, cy = Y3 - Y2, cl = std::hypot(cx, cy);
                    if (!(cl > 0) || std::fabs((X - X2) * -cy / cl + (Y - Y2) * cx / cl) < 2.5) return;
                }
                // Both the alpha and the neighbourhood inside the map.
                for (double s : {-3.0, 3.0})
                    if (r.Alpha(int64_t(X - s * ty), int64_t(Y + s * tx)) < 1.0) return;
                double integral, offset;
                r.Across(X, Y, -ty, tx, 1.45, &integral, &offset);
                // Half strength at the peak: twice the darkness is the line.
                integral *= 2.0;
                worstOffset = std::fmax(worstOffset, std::fabs(offset));
                worstWidth = std::fmax(worstWidth, std::fabs(integral - 1.0));
                EXPECT_LT(std::fabs(offset), 0.5) << (meridian ? "meridian " : "parallel ") << lam << " " << phi
                                                  << " at " << X << ", " << Y;
                EXPECT_NEAR(integral, 1.0, 0.2) << (meridian ? "meridian " : "parallel ") << lam << " " << phi
                                                << " at " << X << ", " << Y;
                ++checked;
            };
            const double limit = m.latitudeLimit * kPi / 180;
            // Meridians halfway between parallels, parallels halfway between
            // meridians, away from the polar zones.
            for (int k = 0; k < 2 * n; ++k)
                for (int j = 1; j + 1 < n; ++j) {
                    const double lam = -kPi + 2 * kPi * k / (2 * n), phi = kPi / 2 - kPi * (j + 0.5) / n;
                    if (std::fabs(phi) <= limit) check(lam, phi, true);
                }
            for (int j = 1; j < n; ++j)
                for (int k = 0; k < 2 * n; ++k) {
                    const double phi = kPi / 2 - kPi * j / n, lam = -kPi + 2 * kPi * (k + 0.5) / (2 * n);
                    if (std::fabs(phi) <= limit) check(lam, phi, false);
                }
            EXPECT_GT(checked, 8);
            RecordProperty("offset_" + std::to_string(m.mode) + "_" + std::to_string(grid), std::to_string(worstOffset));
        }
}

// The polar zones hold four meridians; no parallel runs along the poles;
// nothing is drawn where the map is not.
TEST(Graticule, PolarZonesPolesAndTheBackdrop) {
    OverlayRender r;
    r.rig.params->grid = 5;  // 12 zones of 15 degrees, 24 meridians
    r.rig.params->transparent_gaps = 0;
    r.rig.params->background_color = RGBColor{0, 65535, 0};
    ASSERT_TRUE(r.Render(1, 360, 180));
    // Row 3 lies in the first zone: only the meridians at multiples of 90
    // degrees; row 37 has all 24. Each line darkens half a pixel's worth.
    auto lines = [&](int64_t y) {
        double sum = 0;
        for (int64_t x = 0; x < r.W; ++x) sum += r.Dark(x, y);
        return sum / 0.5;
    };
    EXPECT_NEAR(lines(3), 4, 0.4);
    EXPECT_NEAR(lines(37), 24, 2.4);
    // The top and bottom rows are the poles: meridian dots only.
    for (int64_t y : {int64_t(0), int64_t(r.H - 1)}) {
        EXPECT_NEAR(lines(y), 4, 0.4) << y;
    }
    // Mollweide's corners are outside the map: the backdrop, untouched.
    ASSERT_TRUE(r.Render(46, 360, 180));
    for (int64_t y = 0; y < 20; ++y)
        for (int64_t x = 0; x < 20; ++x) {
            float c[4];
            r.rig.Out(x, y, c);
            EXPECT_EQ(c[0], 0.0f);
            EXPECT_EQ(c[1], 1.0f);
        }
}

// Lines move with a sub-pixel turn of the longitude, through intermediate
// values; tiles of other sizes give the same pixels.
TEST(Graticule, SubPixelTurnsAndTilings) {
    OverlayRender r;
    r.rig.params->grid = 4;
    ASSERT_TRUE(r.Render(1, 360, 180));
    auto centroid = [&](int64_t y, double from, double to) {
        double s = 0, f = 0;
        for (int64_t x = int64_t(from); x <= int64_t(to); ++x) s += r.Dark(x, y), f += r.Dark(x, y) * (x + 0.5);
        return f / s;
    };
    const double before = centroid(95, 165, 195);
    const std::vector<float> squares = r.rig.OutputColours();
    r.rig.partition = kPartitionRows;
    ASSERT_TRUE(r.Render(1, 360, 180));
    EXPECT_TRUE(squares == r.rig.OutputColours()) << "rows and squares differ";
    r.rig.partition = kPartitionSquares;
    r.rig.params->longitude = 0.3f;  // 0.3 of a pixel
    ASSERT_TRUE(r.Render(1, 360, 180));
    const double after = centroid(95, 165, 195);
    EXPECT_NEAR(std::fabs(after - before), 0.3, 0.1);
    bool intermediate = false;
    for (int64_t x = 165; x <= 195; ++x) intermediate |= r.Dark(x, 95) > 0.1 && r.Dark(x, 95) < 0.4;
    EXPECT_TRUE(intermediate);
}

// All three overlays across Mollweide's outline, where the graticule's
// rates come from one-sided differences and dots reach over tile borders:
// tiles of any shape give the same pixels.
TEST(Overlays, TilingsAgreeWithAllOverlaysOn) {
    // Mollweide, and the net of a solid with concave edges, whose samples
    // beyond each tile's apron come from the net's span lists.
    struct Case {
        long mode;
        int w, h;
    } cases[] = {{46, 300, 150}, {44, 400, 300}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.mode);
        OverlayRender r;
        r.rig.params->grid = 4;
        r.rig.params->indicatrix = 1;
        r.rig.params->edges = 1;
        ASSERT_TRUE(r.Render(k.mode, k.w, k.h));
        const std::vector<float> squares = r.rig.OutputColours();
        for (int64_t partition : {int64_t(kPartitionRows), int64_t(kPartitionColumns), int64_t(kPartitionRowBands)}) {
            r.rig.partition = partition;
            ASSERT_TRUE(r.Render(k.mode, k.w, k.h));
            const std::vector<float> other = r.rig.OutputColours();
            size_t differ = 0;
            // The same up to rounding: dots added in another order, samples
            // beyond the apron asked of the road afresh.
            for (size_t i = 0; i < other.size(); ++i) differ += std::fabs(other[i] - squares[i]) > 1e-4f;
            EXPECT_EQ(differ, 0u) << "partition " << partition;
        }
    }
}

// ------------------------------------------------------------ Tissot

bool CylinderForward(const vort& c, double lam, double phi, double* u, double* v) {
    (void)c;
    *u = 0.5 + lam / (2 * kPi);
    *v = 0.5 + 0.5 * std::sin(phi);
    return true;
}

TEST(Tissot, TheSecondPassReadsTheNextBlockLighter) {
    // A rim through the block of cells (13, 24)..(14, 25): the left column
    // inside the indicatrix, the right one outside.
    auto heights = [](GridRig& g) {
        for (int64_t y = 19; y < 29; ++y)
            for (int64_t x = 9; x < 19; ++x) {
                TransformationReply& r = GetYummyReplyPointer(x, y, g.c())->reply;
                r.place = 0;
                r.tissotHeight = x <= 13 ? 0.01f : 0.0225f;
            }
    };
    GridRig first, second, blank;
    for (GridRig* g : {&first, &second, &blank}) heights(*g);
    thetissotgrid(13, 24, first.c(), 0);
    thetissotgrid(12, 23, second.c(), 1);
    GetYummyReplyPointer(13, 24, blank.c())->reply.place = kPlaceNoDirection;
    thetissotgrid(12, 23, blank.c(), 1);
    double t0, x0, y0, t1, x1, y1, tb, xb, yb;
    first.Moments(2, &t0, &x0, &y0);
    second.Moments(2, &t1, &x1, &y1);
    blank.Moments(2, &tb, &xb, &yb);
    // The rim, chord distance 0.15, runs top to bottom through the right
    // column's cells (on the cap): one pixel long at x = 14.5.
    EXPECT_NEAR(t0, 1.0, 1e-5);
    EXPECT_NEAR(x0, 14.5, 1e-4);
    EXPECT_NEAR(t1, 0.7 * t0, 1e-5);
    EXPECT_NEAR(x1, x0, 1e-4);
    EXPECT_NEAR(y1, y0, 1e-4);
    EXPECT_EQ(tb, 0.0);
}

TEST(Tissot, SpotsCoverTheSphereWithBothPoles) {
    vort c{};
    FillInTissotSpots(&c);
    ASSERT_EQ(c.tissotSpotCount, 128);
    int north = 0, south = 0;
    for (int i = 0; i < 128; ++i) {
        const float* s = c.tissotSpots[i];
        EXPECT_NEAR(s[0] * s[0] + s[1] * s[1] + s[2] * s[2], 1.0, 1e-6);
        north += s[1] == 1.0f, south += s[1] == -1.0f;
        for (int j = 0; j < i; ++j) {  // apart; the rows from ±50° on overlap
            const float* t = c.tissotSpots[j];
            const double d = std::hypot(std::hypot(s[0] - t[0], s[1] - t[1]), s[2] - t[2]);
            EXPECT_GT(d, std::fabs(s[1]) > 0.7f && std::fabs(t[1]) > 0.7f ? 0.2 : 0.3) << i << " " << j;
        }
    }
    EXPECT_EQ(north, 1);
    EXPECT_EQ(south, 1);
}

// The outline of each indicatrix along rays from its centre: on the
// projected circle of chord radius 0.15 within half a pixel; its area from
// the measured rim.
struct RimMeasure {
    int rays = 0, skipped = 0, missed = 0;
    double worst = 0, area = 0;
};
constexpr int kRays = 48;
// The point of the circle of chord radius 0.15 around (lam0, phi0) at
// bearing beta.
void CirclePoint(double lam0, double phi0, double beta, double* lam, double* phi) {
    const double alpha = 2 * std::asin(0.075);
    *phi = std::asin(std::sin(phi0) * std::cos(alpha) + std::cos(phi0) * std::sin(alpha) * std::cos(beta));
    *lam = lam0 + std::atan2(std::sin(beta) * std::sin(alpha) * std::cos(phi0), std::cos(alpha) - std::sin(phi0) * std::sin(*phi));
}
RimMeasure MeasureRim(OverlayRender& r, const Forward& forward, int spot,
                      const std::vector<std::vector<std::pair<double, double>>>& rims) {
    RimMeasure m;
    const float* s = r.context.tissotSpots[spot];
    const double phi0 = std::asin(s[1]), lam0 = std::atan2(s[0], s[2]);
    auto pixel = [&](double lam, double phi, double* X, double* Y) {
        double u, v;
        if (!forward(r.context, lam, phi, &u, &v)) return false;
        *X = u * r.W, *Y = v * r.H;
        return *X > 4 && *Y > 4 && *X < r.W - 4 && *Y < r.H - 4;
    };
    double CX, CY;
    if (!pixel(lam0, phi0, &CX, &CY)) return m;
    std::vector<std::pair<double, double>> rim;
    for (int k = 0; k < kRays; ++k) {
        double lam, phi, X, Y;
        CirclePoint(lam0, phi0, 2 * kPi * k / kRays, &lam, &phi);
        if (!pixel(lam, phi, &X, &Y)) return RimMeasure{};
        // Rays that pass near another circle's rim measure both.
        bool crowded = false;
        for (size_t o = 0; o < rims.size() && !crowded; ++o) {
            const float* t = r.context.tissotSpots[o];
            if (int(o) == spot || s[0] * t[0] + s[1] * t[1] + s[2] * t[2] < 0.7f) continue;  // far away
            for (const auto& q : rims[o]) crowded |= std::hypot(q.first - X, q.second - Y) < 2.2;
        }
        ++m.rays;
        if (crowded) {
            ++m.skipped;
            continue;
        }
        const double dx = X - CX, dy = Y - CY, R = std::hypot(dx, dy);
        double sum = 0, first = 0;
        for (double t = R - 1.6; t <= R + 1.6; t += 0.05) {
            const double w = r.DarkAt(CX + t * dx / R, CY + t * dy / R);
            sum += w, first += w * t;
        }
        if (!(sum > 0)) {
            ++m.missed;
            continue;
        }
        const double found = first / sum;
        m.worst = std::fmax(m.worst, std::fabs(found - R));
        rim.push_back({CX + found * dx / R, CY + found * dy / R});
    }
    for (size_t i = 0; i < rim.size(); ++i) {
        const auto& a = rim[i];
        const auto& b = rim[(i + 1) % rim.size()];
        m.area += 0.5 * (a.first * b.second - b.first * a.second);
    }
    m.area = std::fabs(m.area);
    return m;
}

TEST(Tissot, OutlinesLieOnTheProjectedCircles) {
    struct Case {
        long mode;
        int w, h;
        Forward forward;
        bool equalArea;
    };
    for (const Case& k : {Case{1, 360, 180, EquirectangularForward, false}, Case{62, 360, 360, MercatorForward, false},
                          Case{46, 360, 180, MollweideForward, true}, Case{138, 360, 180, CylinderForward, true}}) {
        SCOPED_TRACE(testing::Message() << "mode " << k.mode);
        OverlayRender r;
        r.rig.params->indicatrix = 1;
        ASSERT_TRUE(r.Render(k.mode, k.w, k.h));
        ASSERT_EQ(r.context.tissotSpotCount, 128);
        // Every spot's projected rim, to tell crowded rays.
        std::vector<std::vector<std::pair<double, double>>> rims(128);
        for (int i = 0; i < 128; ++i) {
            const float* s = r.context.tissotSpots[i];
            for (int b = 0; b < 360; ++b) {
                double lam, phi, u, v;
                CirclePoint(std::atan2(s[0], s[2]), std::asin(s[1]), 2 * kPi * b / 360, &lam, &phi);
                if (!k.forward(r.context, lam, phi, &u, &v)) continue;
                for (int wrap : {-1, 0, 1}) rims[i].push_back({(u + wrap) * r.W, v * r.H});  // across the seam too
            }
        }
        int measured = 0, whole = 0;
        double smallest = 1e9, largest = 0, worst = 0;
        std::vector<std::pair<double, double>> mercator;  // latitude, radius
        for (int i = 0; i < 128; ++i) {
            const float* s = r.context.tissotSpots[i];
            if (std::fabs(s[1]) > 0.7f && std::fabs(s[1]) < 1.0f) continue;  // overlapping neighbours
            // Circles cut by the map's rim or seam.
            if (std::fabs(std::atan2(s[0], s[2])) > 2.6 && std::fabs(s[1]) < 1.0f) continue;
            const RimMeasure m = MeasureRim(r, k.forward, i, rims);
            if (m.rays == 0) continue;  // off the frame
            EXPECT_EQ(m.missed, 0) << "spot " << i;
            EXPECT_LT(m.worst, 0.5) << "spot " << i;
            worst = std::fmax(worst, m.worst);
            ++measured;
            if (m.skipped) continue;
            ++whole;
            smallest = std::fmin(smallest, m.area), largest = std::fmax(largest, m.area);
            if (k.mode == 62) mercator.push_back({std::asin(s[1]), std::sqrt(m.area / kPi)});
        }
        EXPECT_GT(whole, 10);
        EXPECT_GT(measured, 40);
        if (k.equalArea) {
            EXPECT_LT(largest / smallest, 1.03);
        }
        // Mercator: the radius grows as sec φ.
        for (const auto& [phi, radius] : mercator) {
            const double expected = 2 * std::asin(0.075) * k.w / (2 * kPi) / std::cos(phi);
            EXPECT_NEAR(radius / expected, 1.0, 0.03) << phi;
        }
        RecordProperty("tissot_worst_" + std::to_string(k.mode), std::to_string(worst));
    }
}

// ------------------------------------------------------------ edges

// Mollweide's outline between the map (-7) and nothing (-5): one pixel of
// line, anti-aliased, on the ellipse.
TEST(Edges, MollweideOutlineIsOnePixelOnTheEllipse) {
    OverlayRender r;
    r.rig.params->edges = 1;
    r.rig.params->transparent_gaps = 0;
    r.rig.params->background_color = RGBColor{65535, 65535, 65535};
    ASSERT_TRUE(r.Render(46, 360, 180));
    double X0, Y0, Xe, Ye, Xp, Yp;
    ASSERT_TRUE(MollweideForward(r.context, 0, 0, &X0, &Y0));
    ASSERT_TRUE(MollweideForward(r.context, kPi, 0, &Xe, &Ye));
    ASSERT_TRUE(MollweideForward(r.context, 0, kPi / 2, &Xp, &Yp));
    const double cx = X0 * r.W, cy = Y0 * r.H, A = std::fabs(Xe - X0) * r.W, B = std::fabs(Yp - Y0) * r.H;
    double worstOffset = 0, worstWidth = 0;
    bool intermediate = false;
    int checked = 0;
    for (int k = 0; k < 72; ++k) {
        const double beta = 2 * kPi * (k + 0.25) / 72;
        const double X = cx + A * std::cos(beta), Y = cy + B * std::sin(beta);
        if (X < 2 || Y < 2 || X > r.W - 2 || Y > r.H - 2) continue;
        double nx = std::cos(beta) / A, ny = std::sin(beta) / B;
        const double nl = std::hypot(nx, ny);
        nx /= nl, ny /= nl;
        double integral, offset;
        r.Across(X, Y, nx, ny, 2.0, &integral, &offset);
        worstOffset = std::fmax(worstOffset, std::fabs(offset));
        worstWidth = std::fmax(worstWidth, std::fabs(integral - 1));
        EXPECT_LT(std::fabs(offset), 0.5) << "at " << X << ", " << Y;
        EXPECT_NEAR(integral, 1.0, 0.3) << "at " << X << ", " << Y;
        const double d = r.Dark(int64_t(X), int64_t(Y));
        intermediate |= d > 0.1 && d < 0.9;
        ++checked;
    }
    EXPECT_GT(checked, 50);
    EXPECT_TRUE(intermediate);
    // Nothing inside or far outside.
    EXPECT_EQ(r.Dark(int64_t(cx), int64_t(cy)), 0.0);
    EXPECT_EQ(r.Dark(2, 2), 0.0);
    RecordProperty("edge_offset", std::to_string(worstOffset));
    RecordProperty("edge_width", std::to_string(worstWidth));
}

}  // namespace

namespace {

// Darkness samples along the cut edges of a rendered net: the share of
// gaps on each edge, by whether the solid folds inward (concave) there.
struct CutEdgeGaps {
    int concave = 0, convex = 0;
    double concaveGaps = 0, convexGaps = 0, worstConvex = 0, leastConcave = 1, mostConcave = 0;
};

CutEdgeGaps MeasureCutEdges(OverlayRender& r) {
    CutEdgeGaps g;
    const vort& c = r.context;
    const polyhedron* p = c.outputPolyhedron;
    if (!p) return g;
    // Net point to pixel position, undoing the road's framing of the net.
    auto pixel = [&](double nx, double ny, double* X, double* Y) {
        *X = ((nx - c.planeCentreX) / c.inverseScale + 0.5) * r.W;
        *Y = ((ny - c.planeCentreY) / (c.boxHeight * c.inverseScale) + 0.5) * r.H;
    };
    for (int64_t f = 0; f < p->netFaceCount; ++f) {
        const PolyNetFace& nf = p->netFace[f];
        const PolyFace3D& solid = p->face3D[nf.face3D];
        for (int64_t k = 0; k < nf.count; ++k) {
            if (nf.neighbour[k] != -1) continue;  // folded, not cut: no line
            const PolyNetVertex &A = p->netVertex[nf.vertex[k]], &B = p->netVertex[nf.vertex[(k + 1) % nf.count]];
            double ax, ay, bx, by;
            pixel(A.x, A.y, &ax, &ay);
            pixel(B.x, B.y, &bx, &by);
            const double L = std::hypot(bx - ax, by - ay);
            if (L < 40) continue;  // three dash periods at least
            int samples = 0, gaps = 0;
            for (double s = 4; s <= L - 4; s += 0.5, ++samples) gaps += r.DarkAt(ax + (bx - ax) * s / L, ay + (by - ay) * s / L) < 0.2;
            const double share = double(gaps) / samples;
            if (solid.edgeKind[(k + nf.vertexOffset) % solid.count] == 3) {
                ++g.concave, g.concaveGaps += share;
                g.leastConcave = std::min(g.leastConcave, share), g.mostConcave = std::max(g.mostConcave, share);
            } else {
                ++g.convex, g.convexGaps += share, g.worstConvex = std::max(g.worstConvex, share);
            }
        }
    }
    return g;
}

}  // namespace

// On the net of a solid with concave edges the cut edges where the solid
// folds inward are dashed: six of every twelve pixels off (less the two
// ramps' darker halves), where the others run solid.
TEST(Edges, ConcaveCutEdgesOfANetAreDashed) {
    OverlayRender r;
    r.rig.params->edges = 1;
    ASSERT_TRUE(r.Render(44, 2400, 1800));
    const CutEdgeGaps g = MeasureCutEdges(r);
    ASSERT_GT(g.concave, 5);
    ASSERT_GT(g.convex, 5);
    EXPECT_LT(g.worstConvex, 0.05);
    EXPECT_NEAR(g.concaveGaps / g.concave, 0.5, 0.08);
    EXPECT_GT(g.leastConcave, 0.3);
    EXPECT_LT(g.mostConcave, 0.7);
    std::printf("cut edges: %d concave, gaps %.3f (%.3f..%.3f); %d convex, gaps %.3f (worst %.3f)\n", g.concave,
                g.concaveGaps / g.concave, g.leastConcave, g.mostConcave, g.convex, g.convexGaps / g.convex, g.worstConvex);
}
