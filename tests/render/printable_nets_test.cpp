// Printed nets: what someone who cuts out and folds a rendered net needs to
// see. Tabs in the tab colour (pixels placed by the net's own triangles,
// rasterised here), and the cuts and tab outlines that the edge overlay
// draws.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "polyhedra/polyhedron.h"
#include "records/vort.h"
#include "render/tile_passes.h"
#include "tests/render/render_fixture.h"

namespace {

const std::string kEarth = std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg";

// A net rendered from the bundled Earth, with the context the render used.
struct NetPicture {
    RenderRig rig;
    int W = 0, H = 0;
    vort context{};
    std::vector<float> colours;

    explicit NetPicture(bool fromEarth = true) {
        if (fromEarth) EXPECT_TRUE(rig.SetInputFromJPEG(kEarth.c_str()));
        else rig.SetInput(64, 32, kPyrColourFloat, [](int64_t, int64_t, float* c) { c[0] = c[1] = c[2] = c[3] = 1.0f; });
        rig.params->inputMode = 1;
        rig.params->latitude = rig.params->longitude = rig.params->spin = 0.0f;
        rig.params->transparent_gaps = 0;
        rig.params->grid = 1;
        rig.params->indicatrix = 0;
        rig.params->edges = 0;
    }
    bool Render(long mode, int w, int h) {
        rig.params->outputMode = int32_t(mode);
        W = w, H = h;
        if (rig.Render(w, h, kPyrColourFloat) != 0) return false;
        if (!PrepareRenderContext(rig.data.get(), rig.params.get())) return false;
        context = *RenderContextTemplate();
        FinishRenderContext();
        colours = rig.OutputColours();
        return true;
    }
    const float* At(int x, int y) const { return &colours[size_t(y * W + x) * 4]; }
    // Net point to pixel position (pixel p spans p..p+1).
    void Pixel(double nx, double ny, double* X, double* Y) const {
        const vort& c = context;
        *X = ((nx - c.planeCentreX) / c.inverseScale + 0.5) * W;
        *Y = ((ny - c.planeCentreY) / (c.boxHeight * c.inverseScale) + 0.5) * H;
    }
};

// What covers each pixel centre: 0 nothing, 1 a face, 2 a glue tab.
std::vector<uint8_t> CoverOfPixels(const NetPicture& r) {
    std::vector<uint8_t> cover(size_t(r.W) * r.H, 0);
    const polyhedron* p = r.context.outputPolyhedron;
    for (int64_t t = 0; t < p->netTriangleCount; ++t) {
        const PolyNetTriangle& tri = p->netTriangle[t];
        double X[3], Y[3];
        for (int k = 0; k < 3; ++k) r.Pixel(p->netVertex[tri.vertex[k]].x, p->netVertex[tri.vertex[k]].y, &X[k], &Y[k]);
        const double area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
        if (area == 0) continue;
        const int x0 = std::max(0, int(std::floor(std::min({X[0], X[1], X[2]}))));
        const int x1 = std::min(r.W - 1, int(std::ceil(std::max({X[0], X[1], X[2]}))));
        const int y0 = std::max(0, int(std::floor(std::min({Y[0], Y[1], Y[2]}))));
        const int y1 = std::min(r.H - 1, int(std::ceil(std::max({Y[0], Y[1], Y[2]}))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                bool inside = true;
                for (int k = 0; k < 3 && inside; ++k) {
                    const int j = (k + 1) % 3;
                    inside = ((X[j] - X[k]) * (py - Y[k]) - (Y[j] - Y[k]) * (px - X[k])) * area >= 0;
                }
                if (!inside) continue;
                uint8_t& c = cover[size_t(y) * r.W + x];
                c = std::max<uint8_t>(c, tri.isTab ? 2 : 1);
            }
    }
    return cover;
}

// Whether every pixel within `reach` of (x, y) has the cover `kind`.
bool AllAround(const std::vector<uint8_t>& cover, int W, int H, int x, int y, int reach, uint8_t kind) {
    for (int j = -reach; j <= reach; ++j)
        for (int i = -reach; i <= reach; ++i) {
            const int a = x + i, b = y + j;
            if (a < 0 || b < 0 || a >= W || b >= H || cover[size_t(b) * W + a] != kind) return false;
        }
    return true;
}
bool AnyAround(const std::vector<uint8_t>& cover, int W, int H, int x, int y, int reach, uint8_t kind) {
    for (int j = -reach; j <= reach; ++j)
        for (int i = -reach; i <= reach; ++i) {
            const int a = x + i, b = y + j;
            if (a >= 0 && b >= 0 && a < W && b < H && cover[size_t(b) * W + a] == kind) return true;
        }
    return false;
}

bool SameColour(const float* c, double r, double g, double b) {
    return std::fabs(c[0] - r) < 1e-3 && std::fabs(c[1] - g) < 1e-3 && std::fabs(c[2] - b) < 1e-3 && c[3] > 0.999f;
}

// The icosahedron's net of the Earth at 1024 x 768 in the default tab
// colour and in red: the tabs' inner pixels take exactly the tab colour,
// and every pixel that changes with the colour touches a tab.
TEST(PrintableNets, TabsArePaintedInTheTabColour) {
    // One rig at a time: a rig holds the render's globals.
    std::vector<float> plainColours;
    RGBColor def;
    {
        NetPicture plain;
        def = plain.rig.params->tab_color;
        ASSERT_TRUE(plain.Render(10, 1024, 768));
        plainColours = plain.colours;
    }
    NetPicture red;
    red.rig.params->tab_color = RGBColor{65535, 0, 0};
    ASSERT_TRUE(red.Render(10, 1024, 768));
    const std::vector<uint8_t> cover = CoverOfPixels(red);
    int64_t inner = 0, innerRight = 0, changed = 0, changedAwayFromTabs = 0;
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            if (AllAround(cover, 1024, 768, x, y, 2, 2)) {
                ++inner;
                innerRight += SameColour(red.At(x, y), 1, 0, 0) &&
                              SameColour(&plainColours[size_t(y * 1024 + x) * 4], def.red / 65535.0,
                                         def.green / 65535.0, def.blue / 65535.0);
            }
            const float *a = &plainColours[size_t(y * 1024 + x) * 4], *b = red.At(x, y);
            if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2] || a[3] != b[3]) {
                ++changed;
                changedAwayFromTabs += !AnyAround(cover, 1024, 768, x, y, 2, 2);
            }
        }
    EXPECT_GT(inner, 20000);
    EXPECT_EQ(innerRight, inner);
    EXPECT_EQ(changedAwayFromTabs, 0);
    EXPECT_LT(changed, inner * 3 / 2);  // the inner pixels and the tabs' rims
}

// The folding sphere's strip of gores has one glue tab down its left end:
// it too takes the tab colour.
TEST(PrintableNets, TheGoreStripsTabTakesTheTabColour) {
    NetPicture red;
    red.rig.params->tab_color = RGBColor{65535, 0, 0};
    ASSERT_TRUE(red.Render(288, 512, 256));
    int64_t redPixels = 0, rightmost = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x)
            if (SameColour(red.At(x, y), 1, 0, 0)) ++redPixels, rightmost = std::max<int64_t>(rightmost, x);
    EXPECT_GT(redPixels, 100);
    EXPECT_LT(rightmost, 16);
}

}  // namespace
