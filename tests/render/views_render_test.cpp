// Lens, panorama, panel and disc-layout views through the whole render.
//
// Against PROJ: the input's float colours encode each pixel's direction, so
// the colour of an output pixel, decoded, is the direction the render took
// there; PROJ's forward projection of that direction must land on the plane
// point the pixel stands for. Pixels next to a rim or a panel border are
// passed over (sampling blends across them).
//
// The bundled Earth in every one of these modes, pinned by small statistics
// as the world maps are (tests/render/world_map_render_test.cpp); the pins
// were taken from renders checked by eye on a contact sheet. Set
// VORNESK_PRINT_PINS=1 to print them anew, VORNESK_CONTACT_SHEET=DIR to write
// a larger render of each mode there as PPM.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/angles.h"
#include "polyhedra/polyhedron.h"
#include "records/vort.h"
#include "records/work_area.h"
#include "render/render_context.h"
#include "tests/projections/proj_check.h"
#include "tests/render/render_fixture.h"

namespace {

constexpr double kInputPixel = 2 * M_PI / 1024;

// The input picture of directions: pixel (x, y) of the equirectangular input
// holds (d + 1)/2 of the direction it stands for.
void DirectionPixel(int64_t x, int64_t y, float* c) {
    constexpr int64_t W = 1024, H = 512;
    float d[3];
    // Input mode 1 reads direction E(1 - u, v) at u.
    RectangularToSpherical(d, 1.0f - float(double(x) / W), float(double(y) / H));
    for (int i = 0; i < 3; ++i) c[i] = 0.5f * (d[i] + 1.0f);
    c[3] = 1.0f;
}

// What a pixel should show: the PROJ definition, the plane point it stands
// for, the panel it lies in, and the turn that brings the decoded direction
// into PROJ's frame (none by default).
struct Expectation {
    std::string proj;
    double x = 0.0, y = 0.0;
    int panel = 0;
    std::function<void(double d[3])> unturn;
};
using Expect = std::function<bool(const vort& c, double u, double v, Expectation* e)>;

struct ProjCase {
    long mode;
    float fov;
    int width, height;
    Expect expect;
};

double Centred(const vort& c, double u) { return c.inverseScale * ((u - 0.5) - c.planeCentreX); }
double CentredY(const vort& c, double v) { return c.inverseScale * (v - 0.5) * c.aspect; }
double BoxX(const vort& c, double u) { return (u - 0.5) * c.inverseScale + c.planeCentreX; }
double BoxY(const vort& c, double v) { return (v - 0.5) * c.boxHeight * c.inverseScale + c.planeCentreY; }

// Turns about the x axis: (d1, d2) <- (d1 cos b - d2 sin b, d1 sin b + d2 cos b).
void TurnAboutX(double d[3], double b) {
    const double y = d[1] * std::cos(b) - d[2] * std::sin(b), z = d[1] * std::sin(b) + d[2] * std::cos(b);
    d[1] = y;
    d[2] = z;
}

Expect Gores(long mode) {
    return [mode](const vort& c, double u, double v, Expectation* e) {
        const double n = c.goreCount, k = mode == 61 ? 0.5 : (mode == 53 ? 1.0 : 2.0);
        const double x = k * BoxX(c, u), y = k * BoxY(c, v);
        const double t = (x + 1.0) * n / 2 + (mode == 61 ? 0.5 : 0.0);
        const int i = int(std::floor(t));
        if (std::fabs(t - i - 0.5) > 0.3 || std::fabs(y) > 0.35) return false;
        if (i < 0 || i >= int(n)) return false;
        char def[96];
        std::snprintf(def, sizeof def, "+proj=poly +R=1 +lon_0=%.17g", 360.0 * ((i + 0.5) / n - 0.5));
        e->proj = def;
        e->x = 6.2846084 * (t - i - 0.5) / n;
        e->y = -6.2846084 * y / 2;
        e->panel = i;
        return true;
    };
}

Expect Panels(int count) {
    return [count](const vort& c, double u, double v, Expectation* e) {
        const double f = c.lensWidth, t = (u - 0.5) * f + 0.5, w = (v - 0.5) * f * c.aspect;
        const double k = count == 3 ? std::round((t - 0.5) * 3) : std::floor(t * 4);
        const double centre = count == 3 ? 0.5 + k / 3 : 0.25 * k + 0.125;
        const double scale = count == 3 ? 6 * std::sqrt(3.0) : 8.0;
        if (std::fabs(t - centre) > 0.1 || k < (count == 3 ? -1 : 0) || k > (count == 3 ? 1 : 3)) return false;
        char def[96];
        std::snprintf(def, sizeof def, "+proj=gnom +R=1 +lon_0=%.17g", k * 360.0 / (count == 3 ? 3 : 4));
        e->proj = def;
        e->x = scale * (t - centre);
        e->y = -scale * w;
        e->panel = int(k);
        return true;
    };
}

const ProjCase kProjCases[] = {
    // The equirectangular identity: how far the sampler alone moves a
    // decoded direction.
    {1, 90, 64, 32, [](const vort&, double u, double v, Expectation* e) {
         e->proj = "+proj=eqc +R=1";
         e->x = 2 * M_PI * (u - 0.5), e->y = M_PI * (0.5 - v);
         return std::fabs(e->y) < 1.2;
     }},
    {16, 90, 64, 48, [](const vort& c, double u, double v, Expectation* e) {
         const double k = double(c.lensWidth) * c.lensWidth, x = Centred(c, u), y = CentredY(c, v);
         e->proj = "+proj=stere +R=1";
         e->x = k * x, e->y = -k * y;
         return std::hypot(e->x, e->y) < 2.0;
     }},
    {900, 90, 64, 64, [](const vort& c, double u, double v, Expectation* e) {
         e->proj = "+proj=laea +R=1";
         e->x = 4 * BoxX(c, u), e->y = -4 * BoxY(c, v);
         return std::hypot(e->x, e->y) < 1.6;
     }},
    {2, 90, 64, 64, [](const vort& c, double u, double v, Expectation* e) {
         e->proj = "+proj=laea +R=1";  // a mirror ball seen from afar is Lambert's disc
         e->x = 4 * Centred(c, u), e->y = -4 * CentredY(c, v);
         return std::hypot(e->x, e->y) < 1.6;
     }},
    {69, 90, 64, 64, [](const vort& c, double u, double v, Expectation* e) {
         e->proj = "+proj=lagrng +R=1";
         e->x = 2 * Centred(c, u), e->y = -2 * CentredY(c, v);
         return std::hypot(e->x, e->y) < 1.6;
     }},
    {3, 90, 64, 64, [](const vort& c, double u, double v, Expectation* e) {
         e->proj = "+proj=aeqd +R=1";
         e->x = 2 * M_PI * Centred(c, u), e->y = -2 * M_PI * CentredY(c, v);
         return std::hypot(e->x, e->y) < 2.5;
     }},
    {17, 90, 64, 48, [](const vort& c, double u, double v, Expectation* e) {
         const double k = std::fmin(c.aspect, 1.0);
         e->proj = "+proj=cc +R=1";
         e->x = 2 * M_PI * k * BoxX(c, u), e->y = -8 * k * BoxY(c, v);
         return std::fabs(e->x) < 3.0 && std::fabs(e->y) < 2.5;
     }},
    {36, 120, 96, 48, Gores(36)},
    {37, 120, 192, 96, Gores(37)},
    {38, 120, 192, 96, Gores(38)},
    {53, 120, 64, 64, Gores(53)},
    {61, 120, 32, 64, Gores(61)},
    {1044, 120, 144, 72, Gores(1044)},
    {57, 90, 96, 32, Panels(3)},
    {58, 90, 96, 32, Panels(4)},
    {171, 90, 64, 32, [](const vort& c, double u, double v, Expectation* e) {
         const double x = Centred(c, u), y = CentredY(c, v);
         const bool zenith = x <= 0.0;
         const double cx = zenith ? -0.25 : 0.25;
         if (std::fabs(x - cx) > 0.2 || std::fabs(y) > 0.2) return false;
         e->proj = zenith ? "+proj=gnom +R=1 +lat_0=90" : "+proj=gnom +R=1 +lat_0=-90";
         e->x = 4 * (x - cx), e->y = -4 * y;
         e->panel = zenith ? 1 : 2;
         return true;
     }},
    {297, 90, 64, 64, [](const vort& c, double u, double v, Expectation* e) {
         const bool lower = v > 0.5;
         const double k = 0.5 * double(c.lensWidth) * c.lensWidth * c.inverseScale;
         const double X = k * ((u - 0.5) - c.planeCentreX), Y = k * (v - (lower ? 0.75 : 0.25)) * c.aspect;
         if (std::fabs(v - (lower ? 0.75 : 0.25)) > 0.2) return false;
         const double beta = (lower ? 0.5 : -0.5) * c.fieldOfView * M_PI / 180;
         e->proj = "+proj=stere +R=1";
         e->x = 2 * X, e->y = -2 * Y;
         e->panel = lower;
         e->unturn = [beta](double d[3]) { TurnAboutX(d, beta); };
         return true;
     }},
    {298, 90, 64, 64, [](const vort& c, double u, double v, Expectation* e) {
         const double k = 0.5 * double(c.lensWidth) * c.lensWidth;
         const double x = Centred(c, u), y = CentredY(c, v);
         if (std::fabs(v - 0.5) < 0.05 || std::hypot(x, y) > 0.45) return false;
         const bool upper = v < 0.5;
         e->proj = "+proj=stere +R=1";
         e->x = 2 * k * x, e->y = -2 * k * y;
         e->panel = upper;
         // Each half is the stereographic view turned a quarter about x.
         e->unturn = [upper](double d[3]) { TurnAboutX(d, upper ? -M_PI / 2 : M_PI / 2); };
         return true;
     }},
};

TEST(ViewRenders, DecodedDirectionsMatchPROJ) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(1024, 512, kPyrColourFloat, DirectionPixel));
    rig.params->inputMode = 1;
    rig.params->latitude = rig.params->longitude = rig.params->spin = 0.0f;
    for (const ProjCase& k : kProjCases) {
        SCOPED_TRACE(testing::Message() << "mode " << k.mode);
        rig.params->outputMode = k.mode;
        rig.params->FOV = k.fov;
        // Large enough that a pixel's footprint on the input stays small: the
        // sampler's average of the encoded directions over it bends them
        // towards the mean, by the square of its size.
        const int W = 3 * k.width, H = 3 * k.height;
        ASSERT_EQ(rig.Render(W, H, kPyrColourFloat), 0);
        RenderJob job(*rig.params);
        ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
        const vort c = *RenderContextTemplate(&job);
        FinishRenderContext(&job);
        int checked = 0;
        double worst = 0.0;
        std::map<std::string, std::unique_ptr<ProjForward>> projections;  // by definition
        for (int py = 1; py + 1 < H; ++py)
            for (int px = 1; px + 1 < W; ++px) {
                auto at = [&](int x, int y) { return std::pair((x + 0.5) / W, (y + 0.5) / H); };
                const auto [u, v] = at(px, py);
                Expectation e;
                if (!k.expect(c, u, v, &e)) continue;
                // Away from rims and panel borders: the whole 3 x 3
                // neighbourhood inside and in the same panel.
                bool clear = true;
                for (int dy = -1; dy <= 1 && clear; ++dy)
                    for (int dx = -1; dx <= 1 && clear; ++dx) {
                        float n[4];
                        rig.Out(px + dx, py + dy, n);
                        Expectation ne;
                        const auto [nu, nv] = at(px + dx, py + dy);
                        clear = n[3] == 1.0f && k.expect(c, nu, nv, &ne) && ne.panel == e.panel;
                    }
                if (!clear) continue;
                float col[4];
                rig.Out(px, py, col);
                double d[3];
                for (int i = 0; i < 3; ++i) d[i] = 2.0 * col[i] - 1.0;
                if (e.unturn) e.unturn(d);
                // PROJ's direction of the plane point the pixel stands for,
                // against the decoded one: within a pixel of the input (the
                // sampler's filters move the decoded direction by a little
                // less than that).
                std::unique_ptr<ProjForward>& proj = projections[e.proj];
                if (!proj) proj = std::make_unique<ProjForward>(e.proj);
                ASSERT_TRUE(proj->ok()) << e.proj;
                double lon, lat, want[3];
                ASSERT_TRUE(proj->inverse(e.x, e.y, &lon, &lat)) << px << " " << py;
                DirectionOfLonLatD(lon, lat, want);
                const double m = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
                const double cx = d[1] * want[2] - d[2] * want[1], cy = d[2] * want[0] - d[0] * want[2],
                             cz = d[0] * want[1] - d[1] * want[0];
                const double error = std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz) / m,
                                                (d[0] * want[0] + d[1] * want[1] + d[2] * want[2]) / m);
                worst = std::fmax(worst, error);
                EXPECT_LT(error, kInputPixel) << "pixel " << px << ", " << py << ": plane (" << e.x << ", " << e.y
                                              << ")";
                ++checked;
            }
        EXPECT_GT(checked, 20) << "too few pixels checked";
        RecordProperty("worst_" + std::to_string(k.mode), std::to_string(worst));
    }
}

// The multiviews through the whole render, on their solids: panel k (cells
// down the first column, then the next) is a rectilinear view looking along
// the outward normal of face k (worked out here from the face's corners), its
// cell spanning the field of view. PROJ's gnomonic projection about that
// direction sees each panel as the cell's own plane, turned by one angle per
// panel and not mirrored; cells beyond the last face stay empty.
TEST(ViewRenders, MultiviewPanelsAreGnomonicViewsOfTheirFaces) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(1024, 512, kPyrColourFloat, DirectionPixel));
    rig.params->inputMode = 1;
    rig.params->latitude = rig.params->longitude = rig.params->spin = 0.0f;
    const double fov = 40.0, f = 2.0 * std::tan(fov * M_PI / 360.0);
    rig.params->FOV = float(fov);
    constexpr int kCell = 36;  // pixels a cell
    for (long mode : {75L, 76L, 77L, 78L, 79L}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        rig.params->outputMode = mode;
        // The grid comes with the solid: a first context tells its size.
        RenderJob job(*rig.params);
        ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
        const long cols = RenderContextTemplate(&job)->viewColumns, rows = RenderContextTemplate(&job)->viewRows;
        FinishRenderContext(&job);
        ASSERT_GT(cols * rows, 0);
        const int W = int(cols) * kCell, H = int(rows) * kCell;
        ASSERT_EQ(rig.Render(W, H, kPyrColourFloat), 0);
        job.settings = *rig.params;
        ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
        const polyhedron* solid = RenderContextTemplate(&job)->outputPolyhedron;
        ASSERT_TRUE(solid);
        const int64_t faces = solid->faceCount3D;
        double worst = 0.0;
        for (long i = 0; i < cols; ++i)
            for (long j = 0; j < rows; ++j) {
                const int64_t k = j + rows * i;
                if (k >= faces) {
                    float c[4];
                    rig.Out(i * kCell + kCell / 2, j * kCell + kCell / 2, c);
                    EXPECT_EQ(c[3], 0.0f) << "empty cell " << k;
                    continue;
                }
                // Face k's outward normal (Newell's sum over its corners).
                const PolyFace3D& F = solid->face3D[k];
                double n[3] = {0, 0, 0};
                for (int64_t a = 0; a < F.count; ++a) {
                    const triplex& p = solid->coords3D[F.vertex[a]];
                    const triplex& q = solid->coords3D[F.vertex[(a + 1) % F.count]];
                    n[0] += (p.y - q.y) * (p.z + q.z);
                    n[1] += (p.z - q.z) * (p.x + q.x);
                    n[2] += (p.x - q.x) * (p.y + q.y);
                }
                double lon0, lat0;
                LonLatOf(n, &lon0, &lat0);
                char def[160];
                std::snprintf(def, sizeof def, "+proj=gnom +R=1 +lat_0=%.17g +lon_0=%.17g", lat0 * 180 / M_PI,
                              lon0 * 180 / M_PI);
                ProjForward gnom(def);
                ASSERT_TRUE(gnom.ok());
                // Pairs (cell plane point, PROJ plane point) away from the
                // cell's border, where sampling blends neighbouring panels.
                std::vector<std::array<double, 4>> pairs;
                for (int y = 3; y < kCell - 3; y += 2)
                    for (int x = 3; x < kCell - 3; x += 2) {
                        float c[4];
                        rig.Out(i * kCell + x, j * kCell + y, c);
                        ASSERT_EQ(c[3], 1.0f);
                        double d[3], lon, lat, X, Y;
                        for (int e = 0; e < 3; ++e) d[e] = 2.0 * c[e] - 1.0;
                        LonLatOf(d, &lon, &lat);
                        ASSERT_TRUE(gnom(lon, lat, &X, &Y));
                        const double lx = (x + 0.5) / kCell - 0.5, ly = (y + 0.5) / kCell - 0.5;
                        pairs.push_back({f * lx, -f * ly, X, Y});  // right and up in the picture
                    }
                // The panel's turn: the rotation that best carries the cell's
                // points onto PROJ's (a mirror would need a negative scale).
                double dot = 0, cross = 0;
                for (const auto& q : pairs) dot += q[0] * q[2] + q[1] * q[3], cross += q[0] * q[3] - q[1] * q[2];
                const double t = std::atan2(cross, dot);
                EXPECT_GT(std::hypot(dot, cross), 0.0);
                for (const auto& q : pairs) {
                    const double X = std::cos(t) * q[0] - std::sin(t) * q[1];
                    const double Y = std::sin(t) * q[0] + std::cos(t) * q[1];
                    // The residual as an angle on the sphere: the gnomonic
                    // plane stretches by 1 + r^2 away from its centre.
                    const double error = std::hypot(X - q[2], Y - q[3]) / (1.0 + q[2] * q[2] + q[3] * q[3]);
                    worst = std::fmax(worst, error);
                    EXPECT_LT(error, kInputPixel) << "panel " << k << " at (" << q[0] << ", " << q[1] << ")";
                }
            }
        FinishRenderContext(&job);
        RecordProperty("worst_" + std::to_string(mode), std::to_string(worst));
    }
}

// ------------------------------------------------------ the Earth, pinned

constexpr const char* kEarth = VORNESK_SOURCE_DIR "/samples/earth-2048x1024.jpg";

struct EarthStats {
    double covered;  // mean alpha
    double r, g, b;  // mean colour over the covered part
    double cx, cy;   // brightness centroid, unit coordinates
};

EarthStats EarthStatsOf(RenderRig& rig) {
    const int64_t w = rig.output->width[0], h = rig.output->height[0];
    EarthStats s{};
    double lum = 0.0;
    for (int64_t y = 0; y < h; ++y)
        for (int64_t x = 0; x < w; ++x) {
            float c[4];
            rig.Out(x, y, c);
            const double a = c[3], l = a * (c[0] + c[1] + c[2]);
            s.covered += a;
            s.r += a * c[0], s.g += a * c[1], s.b += a * c[2];
            lum += l;
            s.cx += l * (double(x) + 0.5) / double(w);
            s.cy += l * (double(y) + 0.5) / double(h);
        }
    if (s.covered > 0.0) s.r /= s.covered, s.g /= s.covered, s.b /= s.covered;
    if (lum > 0.0) s.cx /= lum, s.cy /= lum;
    s.covered /= double(w * h);
    return s;
}

struct EarthPin {
    long mode;
    int width, height;
    EarthStats stats;
};

constexpr long kEarthModes[] = {2,  3,  4,  15, 16, 17, 18, 19, 20, 22,  23,  24,  36,  37,  38,  39,  40,
                                43, 48, 49, 50, 52, 53, 56, 57, 58, 59,  61,  63,  69,  73,  74,  82,  84,
                                85, 88, 89, 120, 135, 136, 141, 142, 159, 160, 171, 255, 297, 298, 899, 900, 1044};
constexpr int kEarthShapes[][2] = {{64, 32}, {40, 40}, {24, 40}};

#include "tests/render/views_pins.inc"

// Writes the render as a binary PPM on white.
void WritePPM(RenderRig& rig, const std::string& path) {
    const int64_t w = rig.output->width[0], h = rig.output->height[0];
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6\n%lld %lld\n255\n", (long long)w, (long long)h);
    for (int64_t y = 0; y < h; ++y)
        for (int64_t x = 0; x < w; ++x) {
            float c[4];
            rig.Out(x, y, c);
            for (int k = 0; k < 3; ++k) {
                const double v = c[3] * c[k] + (1.0 - c[3]);
                std::fputc(int(std::lround(std::fmin(std::fmax(v, 0.0), 1.0) * 255.0)), f);
            }
        }
    std::fclose(f);
}

TEST(ViewRenders, TheEarthInEveryViewMatchesItsPinnedStatistics) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInputFromJPEG(kEarth));
    rig.params->inputMode = 1;
    const bool print = std::getenv("VORNESK_PRINT_PINS") != nullptr;
    const char* sheet = std::getenv("VORNESK_CONTACT_SHEET");
    for (const long mode : kEarthModes) {
        rig.params->outputMode = mode;
        if (sheet) {
            ASSERT_EQ(rig.Render(192, 144, kPyrColourFloat), 0);
            WritePPM(rig, std::string(sheet) + "/" + std::to_string(mode) + ".ppm");
        }
        for (const auto& shape : kEarthShapes) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " at " << shape[0] << " x " << shape[1]);
            ASSERT_EQ(rig.Render(shape[0], shape[1], kPyrColourFloat), 0);
            const EarthStats s = EarthStatsOf(rig);
            if (print) {
                std::printf("    {%ld, %d, %d, {%.4f, %.4f, %.4f, %.4f, %.4f, %.4f}},\n", mode, shape[0], shape[1],
                            s.covered, s.r, s.g, s.b, s.cx, s.cy);
                continue;
            }
            const EarthPin* pin = nullptr;
            for (const EarthPin& p : kEarthPins)
                if (p.mode == mode && p.width == shape[0] && p.height == shape[1]) pin = &p;
            ASSERT_NE(pin, nullptr) << "no pinned statistics";
            EXPECT_GT(s.covered, 0.05) << "the view hardly covers its frame";
            EXPECT_NEAR(s.covered, pin->stats.covered, 0.02);
            EXPECT_NEAR(s.r, pin->stats.r, 0.02);
            EXPECT_NEAR(s.g, pin->stats.g, 0.02);
            EXPECT_NEAR(s.b, pin->stats.b, 0.02);
            EXPECT_NEAR(s.cx, pin->stats.cx, 0.02);
            EXPECT_NEAR(s.cy, pin->stats.cy, 0.02);
        }
    }
}

// The kaleidoscope's mirrors follow the random seed setting: one seed, one
// picture, render after render; another seed, another picture; a fresh
// (cleared) work area draws its table before the first render.
TEST(ViewRenders, KaleidoscopeFollowsTheSeedSetting) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(64, 32, kPyrColourFloat, BusyPixel));
    TStorage1* area = static_cast<TStorage1*>(std::calloc(1, sizeof(TStorage1)));
    ASSERT_NE(area, nullptr);
    rig.data->storage = area;
    rig.params->inputMode = 1;
    rig.params->outputMode = 899;
    auto render = [&](int32_t seed) {
        rig.params->randomSeed = seed;
        EXPECT_EQ(rig.Render(48, 48, kPyrColourFloat), 0);
        return rig.OutputColours();
    };
    const std::vector<float> first = render(7);
    EXPECT_EQ(area->mirrors.drawn, 1);
    EXPECT_EQ(area->mirrors.seed, 7);
    EXPECT_EQ(render(7), first);
    const std::vector<float> other = render(8);
    EXPECT_NE(other, first);
    EXPECT_EQ(render(7), first);  // a saved setting gives its picture back
    rig.data->storage = nullptr;
    std::free(area);
    // Without a work area the render keeps a table of its own.
    EXPECT_EQ(render(7), first);
}

// A multiview whose solid has no faces has no grid: the render is refused
// before its tiles rather than dividing by the empty grid.
TEST(ViewRenders, MultiviewGridsFollowTheirSolids) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(64, 32, kPyrColourFloat, BusyPixel));
    rig.params->inputMode = 1;
    // One view per face of the solids of modes 6, 9, 27 and 54: rows =
    // floor(sqrt n), columns = ceil(n / rows).
    const struct {
        long mode;
        int64_t faces;
    } cases[] = {{75, 4}, {76, 12}, {77, 24}, {79, 72}};
    for (const auto& c : cases) {
        rig.params->outputMode = c.mode;
        RenderJob job(*rig.params);
        ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get())) << c.mode;
        const vort* v = RenderContextTemplate(&job);
        ASSERT_TRUE(v->outputPolyhedron);
        EXPECT_EQ(v->outputPolyhedron->faceCount3D, c.faces) << c.mode;
        const long rows = long(std::floor(std::sqrt(double(c.faces))));
        EXPECT_EQ(v->viewRows, rows) << c.mode;
        EXPECT_EQ(v->viewColumns, (c.faces + rows - 1) / rows) << c.mode;
        EXPECT_EQ(v->polyhedral, 0) << c.mode;
        FinishRenderContext(&job);
    }
    // The sixty views have their fixed grid of 10 x 6 cells.
    rig.params->outputMode = 78;
    RenderJob job(*rig.params);
    ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
    EXPECT_EQ(RenderContextTemplate(&job)->viewColumns, 10);
    EXPECT_EQ(RenderContextTemplate(&job)->viewRows, 6);
    FinishRenderContext(&job);
}

}  // namespace
