// Cube maps both ways through whole renders: the cube-view outputs (337,
// 338, 339) write six-frame and 3 x 2 cube maps, and the cube-layout inputs
// (27, 28, 33, 34, 35) cut such pictures into six faces and read each
// direction from its own face. The pictures are built here from the face
// formulas (our own inverse of the input mapping's face coordinates) and the
// directions are checked through colours that encode them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "records/TransformationReply.h"
#include "projections/dispatcher.h"
#include "projections/panel_layouts.h"
#include "projections/sphere_to_input.h"
#include "pyramid/pixels.h"
#include "records/vort.h"
#include "platform/host/filter_record.h"
#include "pyramid/cube_corpus.h"
#include "records/plugin_globals.h"
#include "records/renderhinttype.h"
#include "render/aniso_sampling.h"
#include "render/tile_passes.h"
#include "render/render_job.h"
#include "render/render_context.h"
#include "tests/projections/proj_check.h"
#include "tests/render/render_fixture.h"

namespace {

// ---- the cube, as the input mapping numbers it ----
// Direction of face F at face coordinates (a, b), each -1..1 across the face
// picture from its left (top) edge.
void FaceDirection(int F, double a, double b, double d[3]) {
    switch (F) {
        case 4: d[0] = 1, d[1] = -b, d[2] = a; break;
        case 1: d[0] = -1, d[1] = -b, d[2] = -a; break;
        case 5: d[0] = -a, d[1] = 1, d[2] = b; break;
        case 2: d[0] = -a, d[1] = -1, d[2] = -b; break;
        case 3: d[0] = -a, d[1] = -b, d[2] = 1; break;
        default: d[0] = a, d[1] = -b, d[2] = -1; break;
    }
    const double m = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (int i = 0; i < 3; ++i) d[i] /= m;
}

// The face a direction lies on (the largest component) and its coordinates.
int FaceOf(const double d[3], double* a, double* b) {
    const double ax = std::fabs(d[0]), ay = std::fabs(d[1]), az = std::fabs(d[2]);
    if (ax > ay && ax > az) {
        *a = d[2] / d[0], *b = -d[1] / ax;
        return d[0] > 0 ? 4 : 1;
    }
    if (ay > ax && ay > az) {
        *a = -d[0] / ay, *b = d[2] / d[1];
        return d[1] > 0 ? 5 : 2;
    }
    *a = -d[0] / d[2], *b = -d[1] / az;
    return d[2] > 0 ? 3 : 0;
}

// Coordinates of d on face F's plane (d need not lie on that face).
void OnFace(int F, const double d[3], double* a, double* b) {
    switch (F) {
        case 4: case 1: *a = d[2] / d[0], *b = -d[1] / std::fabs(d[0]); break;
        case 5: case 2: *a = -d[0] / std::fabs(d[1]), *b = d[2] / d[1]; break;
        default: *a = -d[0] / d[2], *b = -d[1] / std::fabs(d[2]); break;
    }
}

// Layouts: grid and the cell (column, row) of each face; mode 28 shows face
// 0 with a half turn.
struct Layout {
    long inputMode, outputMode;  // outputMode 0: no cube-view output writes it
    int columns, rows;
    int cell[6][2];
};
const Layout kLayouts[] = {
    {27, 0, 4, 3, {{3, 1}, {2, 1}, {1, 2}, {1, 1}, {0, 1}, {1, 0}}},
    {28, 0, 3, 4, {{1, 3}, {2, 1}, {1, 2}, {1, 1}, {0, 1}, {1, 0}}},
    {33, 337, 6, 1, {{5, 0}, {0, 0}, {3, 0}, {4, 0}, {1, 0}, {2, 0}}},
    {34, 338, 3, 2, {{2, 1}, {0, 0}, {0, 1}, {1, 1}, {1, 0}, {2, 0}}},
    {35, 339, 3, 2, {{2, 0}, {1, 0}, {2, 1}, {0, 0}, {0, 1}, {1, 1}}},
};

// The direction that pixel (x, y) of a layout picture with faces of n
// pixels shows; -1 when the pixel lies in no face cell.
int LayoutPixelDirection(const Layout& l, int n, int64_t x, int64_t y, double d[3]) {
    const int c = int(x / n), r = int(y / n);
    for (int F = 0; F < 6; ++F) {
        if (l.cell[F][0] != c || l.cell[F][1] != r) continue;
        double a = 2.0 * (double(x - c * n) + 0.5) / n - 1.0, b = 2.0 * (double(y - r * n) + 0.5) / n - 1.0;
        if (l.inputMode == 28 && F == 0) a = -a, b = -b;
        FaceDirection(F, a, b, d);
        return F;
    }
    return -1;
}

void Encode(const double d[3], float* c) {
    for (int i = 0; i < 3; ++i) c[i] = float(0.5 * (d[i] + 1.0));
    c[3] = 1.0f;
}
void Decode(const float* c, double d[3]) {
    for (int i = 0; i < 3; ++i) d[i] = 2.0 * c[i] - 1.0;
    const double m = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (int i = 0; i < 3; ++i) d[i] /= m;
}

// The equirectangular source: the direction input mode 1 reads at each pixel.
constexpr int64_t kEquiW = 1024, kEquiH = 512;
void EquiDirection(int64_t x, int64_t y, double d[3]) {
    const double u0 = (double(x) + 0.5) / kEquiW, t = (double(y) + 0.5) / kEquiH;
    const double lam = 2.0 * M_PI * (1.0 - u0) - M_PI;
    d[0] = std::sin(M_PI * t) * std::sin(lam);
    d[1] = std::cos(M_PI * t);
    d[2] = std::sin(M_PI * t) * std::cos(lam);
}
void EquiPixel(int64_t x, int64_t y, float* c) {
    double d[3];
    EquiDirection(x, y, d);
    Encode(d, c);
}

// A layout picture (faces of n) as the input of rig, encoding directions, or
// each face flat in its own colour.
bool SetLayoutInput(RenderRig& rig, const Layout& l, int n, bool flat) {
    return rig.SetInput(l.columns * n, l.rows * n, kPyrColourFloat, [&](int64_t x, int64_t y, float* c) {
        double d[3];
        const int F = LayoutPixelDirection(l, n, x, y, d);
        if (F < 0) {
            c[0] = c[1] = c[2] = 0.0f, c[3] = 1.0f;
        } else if (flat) {
            c[0] = float(F & 1), c[1] = float((F >> 1) & 1), c[2] = F >= 4 ? 0.25f : 0.75f, c[3] = 1.0f;
        } else {
            Encode(d, c);
        }
    });
}

// The error, in face pixels of size n, between a decoded and an expected
// direction, measured on the expected direction's face; also how far (in face
// pixels) the expected direction lies from its face's edge.
double FacePixelError(const double got[3], const double want[3], int n, double* edgeDistance,
                      double* cornerDistance = nullptr) {
    double a, b, ga, gb;
    const int F = FaceOf(want, &a, &b);
    OnFace(F, got, &ga, &gb);
    *edgeDistance = (1.0 - std::fmax(std::fabs(a), std::fabs(b))) * 0.5 * n;
    if (cornerDistance) *cornerDistance = (1.0 - std::fmin(std::fabs(a), std::fabs(b))) * 0.5 * n;
    return std::hypot(ga - a, gb - b) * 0.5 * n;
}

// Errors of an equirectangular render of rig against the directions of the
// equirectangular render `truth` of the same size, split into pixels within
// two face pixels of a face edge and the rest.
struct Errors {
    double edge = 0, interior = 0, corner = 0, sumEdge = 0, sumInterior = 0;
    double angleEdge = 0, angleInterior = 0;  // worst, in radians
    int64_t nEdge = 0, nInterior = 0;
};
Errors CompareEquirect(const std::vector<float>& got, const std::vector<float>& truth, int n) {
    Errors e;
    for (size_t i = 0; i + 3 < got.size(); i += 4) {
        double g[3], w[3], edge, corner;
        Decode(&got[i], g);
        Decode(&truth[i], w);
        const double err = FacePixelError(g, w, n, &edge, &corner);
        // Where three faces meet.
        const double angle = std::acos(std::fmin(1.0, g[0] * w[0] + g[1] * w[1] + g[2] * w[2]));
        if (edge < 2.0 && corner < 2.0) e.corner = std::fmax(e.corner, err);
        else if (edge < 2.0) e.edge = std::fmax(e.edge, err), e.sumEdge += err, ++e.nEdge;
        else e.interior = std::fmax(e.interior, err), e.sumInterior += err, ++e.nInterior;
        if (edge < 2.0) e.angleEdge = std::fmax(e.angleEdge, angle);
        else e.angleInterior = std::fmax(e.angleInterior, angle);
    }
    return e;
}

struct Twirl {
    float latitude, longitude, spin;
};

void SetTwirl(RenderRig& rig, const Twirl& t) {
    rig.params->latitude = t.latitude;
    rig.params->longitude = t.longitude;
    rig.params->spin = t.spin;
}

// ---- tests ----

// Each cell of the cube views shows its face as the input mapping reads it:
// the direction of every pixel centre of a frame of columns n x rows n, from
// the render's own context, against our own face formulas; PROJ's gnomonic
// projection about each cell's face centre confirms that a cell is a 90°
// rectilinear view. Then the render itself: decoded directions of an
// encoded sphere within a face pixel.
TEST(EngineCubeViews, CellsShowTheirFacesAsRectilinearViews) {
    constexpr int n = 40;
    for (const Layout& l : kLayouts) {
        if (!l.outputMode) continue;
        SCOPED_TRACE(testing::Message() << "output mode " << l.outputMode);
        const int W = l.columns * n, H = l.rows * n;
        RenderRig rig;
        ASSERT_TRUE(rig.SetInput(kEquiW, kEquiH, kPyrColourFloat, EquiPixel));
        rig.params->inputMode = 1;
        rig.params->outputMode = l.outputMode;
        SetTwirl(rig, {0, 0, 0});
        ASSERT_EQ(rig.Render(W, H, kPyrColourFloat), 0);
        RenderJob job(*rig.params);
        ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
        vort c = *RenderContextTemplate(&job);
        FinishRenderContext(&job);
        renderhinttype hints{};
        double worst = 0.0, worstProj = 0.0, worstRender = 0.0, worstCorner = 0.0;
        int64_t partial = 0;
        std::unique_ptr<ProjForward> gnom[6];
        for (int F = 0; F < 6; ++F) {
            double centre[3], lon0, lat0;
            FaceDirection(F, 0.0, 0.0, centre);
            LonLatOf(centre, &lon0, &lat0);
            char def[160];
            std::snprintf(def, sizeof def, "+proj=gnom +R=1 +lat_0=%.12f +lon_0=%.12f", lat0 * 180 / M_PI,
                          lon0 * 180 / M_PI);
            gnom[F].reset(new ProjForward(def));
            ASSERT_TRUE(gnom[F]->ok());
        }
        for (int64_t y = 0; y < H; ++y)
            for (int64_t x = 0; x < W; ++x) {
                double want[3], got[3], edge, lon, lat, px, py;
                const int F = LayoutPixelDirection(l, n, x, y, want);
                ASSERT_GE(F, 0);
                float p[3] = {0, 0, 1};
                unsigned char miss = 0;
                long region = -1;
                fcomplex plane{0.0, 0.0};
                TransformationReply r{};
                TransformationReply* rp = &r;
                renderhinttype* h = &hints;
                vort* cp = &c;
                handle_non_poly_projections(h, p, cp, region, miss, plane, rp, float((x + 0.5) / W),
                                            float((y + 0.5) / H));
                ASSERT_EQ(miss, 0);
                ASSERT_EQ(region, (y / n) + l.rows * (x / n));  // cells down each column
                for (int i = 0; i < 3; ++i) got[i] = p[i];
                worst = std::fmax(worst, FacePixelError(got, want, n, &edge));
                LonLatOf(got, &lon, &lat);
                ASSERT_TRUE((*gnom[F])(lon, lat, &px, &py));
                // On the tangent plane: the distance from the centre and the
                // square edge at 1 are those of the cell position.
                const double a = 2.0 * ((x % n) + 0.5) / n - 1.0, b = 2.0 * ((y % n) + 0.5) / n - 1.0;
                worstProj = std::fmax(worstProj, std::fabs(std::hypot(px, py) - std::hypot(a, b)) * 0.5 * n);
                worstProj = std::fmax(worstProj, std::fabs(std::fmax(std::fabs(px), std::fabs(py)) -
                                                           std::fmax(std::fabs(a), std::fabs(b))) *
                                                     0.5 * n);
                // The rendered pixel: opaque, even where a cell's corner
                // touches the grid's outer edge (outside), and its own
                // cell's view only, even where four cells meet.
                float col[4];
                rig.Out(x, y, col);
                if (col[3] < 0.9999f) {
                    ++partial;
                    continue;
                }
                Decode(col, got);
                const double e = FacePixelError(got, want, n, &edge);
                const bool cellCorner = (x % n == 0 || x % n == n - 1) && (y % n == 0 || y % n == n - 1);
                if (cellCorner) worstCorner = std::fmax(worstCorner, e);
                else worstRender = std::fmax(worstRender, e);
            }
        std::printf("output %ld: worst %.4f face pixels, PROJ %.4f, render %.3f (%.3f in cell corners), %lld partly "
                    "transparent\n",
                    l.outputMode, worst, worstProj, worstRender, worstCorner, (long long)partial);
        EXPECT_LT(worst, 0.01);
        EXPECT_LT(worstProj, 0.01);
        EXPECT_LT(worstRender, 0.25);
        EXPECT_LT(worstCorner, 0.25);
        EXPECT_EQ(partial, 0);
    }
}

// Cells are numbered down each column; the grid's outer edge and anything
// beyond it are outside.
TEST(EngineCubeViews, GridCellsAndOutside) {
    RenderRig rig;
    rig.params->outputMode = 338;
    RenderJob job(*rig.params);
    ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
    const vort c = *RenderContextTemplate(&job);
    FinishRenderContext(&job);
    EXPECT_EQ(c.viewColumns, 3);
    EXPECT_EQ(c.viewRows, 2);
    double lx, ly;
    struct Case {
        double X, Y;
        long cell;
    };
    const Case cases[] = {{-1.2, -0.5, 0}, {-1.2, 0.5, 1}, {0.0, -0.5, 2}, {0.0, 0.5, 3}, {1.2, -0.5, 4},
                          {1.2, 0.5, 5},   {-1.5, 0.0, -1}, {1.5, 0.0, -1}, {0.0, -1.0, -1}, {0.0, 1.0, -1},
                          {2.0, 0.0, -1}};
    for (const Case& k : cases) EXPECT_EQ(ViewGridCell(3, 2, k.X, k.Y, &lx, &ly), k.cell) << k.X << ", " << k.Y;
    // On the outer edge and beyond it the core is outside with slot -1.
    static constexpr float kFaces[6][3] = {{1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}};
    vort grid{};
    grid.viewColumns = 3, grid.viewRows = 2;
    for (const Case& k : cases) {
        unsigned char outside = 9;
        float p[3];
        long slot = 9;
        DoCubeViews_core(&grid, &outside, p, &slot, k.X, k.Y, kFaces);
        EXPECT_EQ(slot, k.cell);
        EXPECT_EQ(outside, k.cell < 0 ? 1 : 0);
    }
}

// Every layout built here from the face formulas reads back as the sphere,
// and so do the pictures the cube views wrote: the equirectangular render of
// the cube map matches the direct one within half a face pixel, and errors
// by the face edges are no larger than inside the faces. Final and preview
// sizes, with and without a twirl.
TEST(EngineCubeLayouts, RoundTripsReturnTheSphere) {
    constexpr int n = 64;
    struct Case {
        Twirl twirl;
        int width;  // final, and a preview at half the size
    };
    const Case cases[] = {{{0, 0, 0}, 512}, {{0, 0, 0}, 256}, {{23, 41, 17}, 512}};
    for (const Case& k : cases) {
        const Twirl& tw = k.twirl;
        const int W = k.width;
        {
            SCOPED_TRACE(testing::Message() << "twirl " << tw.latitude << " width " << W);
            RenderRig direct;
            ASSERT_TRUE(direct.SetInput(kEquiW, kEquiH, kPyrColourFloat, EquiPixel));
            direct.params->inputMode = 1;
            direct.params->outputMode = 1;
            SetTwirl(direct, tw);
            ASSERT_EQ(direct.Render(W, W / 2, kPyrColourFloat), 0);
            const std::vector<float> truth = direct.OutputColours();

            for (const Layout& l : kLayouts)
                for (bool rendered : {false, true}) {
                    if (rendered && !l.outputMode) continue;
                    SCOPED_TRACE(testing::Message() << "input " << l.inputMode << (rendered ? " rendered" : " built"));
                    // The cube map from the cube-view output, unturned.
                    std::vector<float> map;
                    if (rendered) {
                        RenderRig writer;
                        ASSERT_TRUE(writer.SetInput(kEquiW, kEquiH, kPyrColourFloat, EquiPixel));
                        writer.params->inputMode = 1;
                        writer.params->outputMode = l.outputMode;
                        SetTwirl(writer, {0, 0, 0});
                        ASSERT_EQ(writer.Render(l.columns * n, l.rows * n, kPyrColourFloat), 0);
                        map = writer.OutputColours();
                    }
                    RenderRig rig;
                    if (rendered) {
                        const int64_t mw = l.columns * n;
                        ASSERT_TRUE(rig.SetInput(mw, l.rows * n, kPyrColourFloat, [&](int64_t x, int64_t y, float* c) {
                            for (int i = 0; i < 4; ++i) c[i] = map[size_t(y * mw + x) * 4 + i];
                        }));
                    } else {
                        ASSERT_TRUE(SetLayoutInput(rig, l, n, false));
                    }
                    rig.params->inputMode = l.inputMode;
                    rig.params->outputMode = 1;
                    SetTwirl(rig, tw);
                    ASSERT_EQ(rig.Render(W, W / 2, kPyrColourFloat), 0);
                    const Errors e = CompareEquirect(rig.OutputColours(), truth, n);
                    // Within a third of a face pixel everywhere: by the face
                    // edges and where three faces meet as well as inside,
                    // since a face reads on across its edges into its
                    // neighbours and a pixel cut by a face edge is sampled at
                    // the centroids of its two parts. In output pixels (one
                    // angle everywhere, where face pixels by the edges are
                    // half the angle of those inside) the edges are as good
                    // as the interiors.
                    EXPECT_LT(e.interior, 0.3);
                    EXPECT_LT(e.edge, 0.3);
                    EXPECT_LT(e.corner, 0.3);
                    EXPECT_LT(e.angleEdge * W / (2 * M_PI), 0.15);
                    EXPECT_LT(e.angleInterior * W / (2 * M_PI), 0.3);
                    std::printf("input %ld %s width %d twirl %g: worst %.3f (corners) %.3f (edges) %.3f (inside), mean %.4f %.4f; output px %.3f %.3f\n",
                                l.inputMode, rendered ? "rendered" : "built", W, tw.latitude, e.corner, e.edge, e.interior,
                                e.sumEdge / double(e.nEdge), e.sumInterior / double(e.nInterior), e.angleEdge * W / (2 * M_PI), e.angleInterior * W / (2 * M_PI));
                }
        }
    }
}

// Faces in flat distinct colours: away from the face edges every output pixel
// is exactly its face's colour, so nothing bleeds across a face border or a
// layout's join.
TEST(EngineCubeLayouts, FlatFacesDoNotBleed) {
    constexpr int n = 32;
    for (const Layout& l : kLayouts) {
        SCOPED_TRACE(testing::Message() << "input " << l.inputMode);
        RenderRig rig;
        ASSERT_TRUE(SetLayoutInput(rig, l, n, true));
        rig.params->inputMode = l.inputMode;
        rig.params->outputMode = 1;
        SetTwirl(rig, {0, 0, 0});
        constexpr int W = 512, H = 256;
        ASSERT_EQ(rig.Render(W, H, kPyrColourFloat), 0);
        int64_t checked = 0, wrong = 0;
        RenderRig probe;  // the direction of each output pixel, from the coded sphere
        ASSERT_TRUE(probe.SetInput(kEquiW, kEquiH, kPyrColourFloat, EquiPixel));
        probe.params->inputMode = 1;
        probe.params->outputMode = 1;
        SetTwirl(probe, {0, 0, 0});
        ASSERT_EQ(probe.Render(W, H, kPyrColourFloat), 0);
        for (int64_t y = 0; y < H; ++y)
            for (int64_t x = 0; x < W; ++x) {
                float pc[4], c[4];
                probe.Out(x, y, pc);
                double d[3], a, b;
                Decode(pc, d);
                const int F = FaceOf(d, &a, &b);
                // Farther from the edge than the sampler's reach.
                if ((1.0 - std::fmax(std::fabs(a), std::fabs(b))) * 0.5 * n < 3.0) continue;
                rig.Out(x, y, c);
                ++checked;
                const float want[3] = {float(F & 1), float((F >> 1) & 1), F >= 4 ? 0.25f : 0.75f};
                if (std::fabs(c[0] - want[0]) > 1e-3f || std::fabs(c[1] - want[1]) > 1e-3f ||
                    std::fabs(c[2] - want[2]) > 1e-3f)
                    ++wrong;
            }
        EXPECT_GT(checked, W * H / 2);
        EXPECT_EQ(wrong, 0);
    }
}

// The corpus is cut once for a preview and the final render that follows,
// flipped or not (a flip mirrors the directions, not the faces); another
// input mode frees it; switching layouts leaves nothing behind.
TEST(EngineCubeLayouts, TheCorpusIsCutOnceAndFreed) {
    RenderRig rig;
    ASSERT_TRUE(SetLayoutInput(rig, kLayouts[0], 16, false));
    rig.params->inputMode = 27;
    rig.params->outputMode = 1;
    ASSERT_EQ(rig.Render(64, 32, kPyrColourFloat), 0);
    PyramidDescriptor* face5 = &rig.data->pyramids[kFirstCubeFacePyramid + 5];
    ASSERT_TRUE(face5->tiles);
    EXPECT_EQ(face5->contentTag, kCubeTagHorizontalCross);
    const float mark[4] = {0.125f, 0.25f, 0.375f, 1.0f};
    set_intcoord_unitary_color(3, 3, face5, 0, const_cast<float*>(mark));
    ASSERT_EQ(rig.Render(128, 64, kPyrColourFloat), 0);
    float c[4];
    get_intcoord_unitary_color(3, 3, face5, 0, c);
    EXPECT_EQ(c[0], mark[0]);  // not cut again
    rig.params->flip = 1;
    ASSERT_EQ(rig.Render(64, 32, kPyrColourFloat), 0);
    get_intcoord_unitary_color(3, 3, face5, 0, c);
    EXPECT_EQ(c[0], mark[0]);
    EXPECT_EQ(face5->cubeMirror, 0);
    rig.params->flip = 0;
    // Every other cube layout cuts its own corpus from a picture of its
    // shape.
    for (int i : {1, 2, 3, 4, 0}) {
        const long mode = kLayouts[i].inputMode;
        DisposePyramidData(rig.input());
        ASSERT_TRUE(SetLayoutInput(rig, kLayouts[i], 16, false));
        rig.params->inputMode = int32_t(mode);
        ASSERT_EQ(rig.Render(32, 16, kPyrColourFloat), 0) << mode;
        EXPECT_EQ(face5->contentTag, CubeLayoutTagOfInputMode(mode));
    }
    rig.params->inputMode = 1;
    ASSERT_EQ(rig.Render(32, 16, kPyrColourFloat), 0);
    for (int64_t f = 0; f < kCubeFaceCount; ++f) EXPECT_EQ(rig.data->pyramids[kFirstCubeFacePyramid + f].tiles, nullptr);
}

// A face reads the pixels beyond its edges from the face across them: for
// every face, side and level, the pixel it reads one and two pixels out is
// read where the input mapping (SphereToCubeFaceCoords) puts the direction
// of that point of the face's plane, for plain faces and the vertical
// cross's half-turned face 0, flipped or not (the faces are the same).
TEST(EngineCubeLayouts, FacesReadAcrossTheirEdgesFromTheirNeighbours) {
    constexpr int n = 64;
    struct Case {
        long inputMode;
        int flip;
    };
    for (const Case& k : {Case{27, 0}, Case{28, 0}, Case{34, 1}, Case{28, 1}}) {
        SCOPED_TRACE(testing::Message() << "input " << k.inputMode << " flip " << k.flip);
        const Layout* l = nullptr;
        for (const Layout& c : kLayouts)
            if (c.inputMode == k.inputMode) l = &c;
        RenderRig rig;
        rig.params->flip = k.flip;
        ASSERT_TRUE(SetLayoutInput(rig, *l, n, false));
        ASSERT_EQ(FillCubeCorpus(rig.data.get(), *CubeLayoutOfTag(CubeLayoutTagOfInputMode(k.inputMode))), kCubeCutDone);
        const PyramidDescriptor* faces = &rig.data->pyramids[kFirstCubeFacePyramid];
        // Picture coordinates of a face against the mapping's: mode 28
        // turns face 0 half round.
        auto mirrored = [&](int F, double* a, double* b) {
            if (k.inputMode == 28 && F == 0) *a = -*a, *b = -*b;
        };
        double worst = 0.0;
        int64_t checked = 0;
        for (int64_t L : {int64_t{0}, int64_t{2}}) {
            const int64_t m = n >> L;
            for (int F = 0; F < 6; ++F)
                for (int64_t i = 0; i < m; ++i)
                    for (int64_t out : {int64_t{-1}, int64_t{-2}, m, m + 1})
                        for (int side = 0; side < 2; ++side) {
                            int64_t x = side ? out : i, y = side ? i : out;
                            // The direction of the pixel's centre on face F's plane.
                            double a = 2.0 * (double(x) + 0.5) / double(m) - 1.0, b = 2.0 * (double(y) + 0.5) / double(m) - 1.0;
                            mirrored(F, &a, &b);
                            double d[3];
                            FaceDirection(F, a, b, d);
                            float p[3] = {float(d[0]), float(d[1]), float(d[2])};
                            float ga, gb;
                            const int G = SphereToCubeFaceCoords(p, &ga, &gb);
                            double pa = ga, pb = gb;
                            mirrored(G, &pa, &pb);
                            const PyrCubeTexel t = pyr_cube_face_across_edge(&faces[F], L, x, y);
                            ASSERT_EQ(t.face, &faces[G]) << "face " << F << " pixel " << x << ", " << y;
                            const double X = (pa + 1.0) * 0.5 * double(m) - 0.5, Y = (pb + 1.0) * 0.5 * double(m) - 0.5;
                            worst = std::fmax(worst, std::fmax(std::fabs(X - (double(t.x) + t.fx)),
                                                               std::fabs(Y - (double(t.y) + t.fy))));
                            ++checked;
                        }
        }
        // Where the mapping puts it, up to single-precision rounding.
        EXPECT_LT(worst, 1e-3);
        EXPECT_EQ(checked, 6 * 4 * 2 * (64 + 16));
        std::printf("input %ld flip %d: across the edges within %.3f pixels\n", k.inputMode, k.flip, worst);
    }
}

// The faces' smaller levels are built by the first read that wants one, and
// only then: samples of level 0 leave them unbuilt. Reads of levels 1 to 3
// from several threads at once, the first of them building, see the levels
// that building them before any read gives, every pixel of every face; so
// does building them as jobs on all cores, as a reduced preview does.
TEST(EngineCubeLayouts, SmallerLevelsAreBuiltByTheFirstReadThatWantsThem) {
    constexpr int n = 288;  // level 1 of the six faces large enough for a job
    RenderRig eager, lazy, jobs;
    for (RenderRig* rig : {&eager, &lazy, &jobs}) {
        ASSERT_TRUE(SetLayoutInput(*rig, kLayouts[0], n, false));
        ASSERT_EQ(FillCubeCorpus(rig->data.get(), *CubeLayoutOfTag(kCubeTagHorizontalCross)), kCubeCutDone);
    }
    const PyramidDescriptor* built = &eager.data->pyramids[kFirstCubeFacePyramid];
    const PyramidDescriptor* faces = &lazy.data->pyramids[kFirstCubeFacePyramid];
    const PyramidDescriptor* jobBuilt = &jobs.data->pyramids[kFirstCubeFacePyramid];
    BuildCubeLevelsNow(jobs.data.get());
    EXPECT_EQ(jobBuilt[0].cubeLevelsPending, 0);
    ASSERT_EQ(faces[0].cubeLevelsPending, 1);
    ASSERT_GE(faces[0].topLevel, 3);
    BuildPendingCubeLevels(&built[2]);
    EXPECT_EQ(built[0].cubeLevelsPending, 0);

    float level0[4], want[6][4][4];
    get_sharpened_color(&faces[3], 0, level0, 0.0f, 0.3f, 0.6f, 0.0f);
    EXPECT_EQ(faces[0].cubeLevelsPending, 1);
    for (int F = 0; F < 6; ++F)
        for (int L = 1; L <= 3; ++L) get_sharpened_color(&built[F], L, want[F][L], 0.25f, 0.3f, 0.6f, 0.0f);

    float got[6][4][4];
    std::vector<std::thread> readers;
    for (int F = 0; F < 6; ++F)
        readers.emplace_back([&, F] {
            for (int L = 1; L <= 3; ++L) get_sharpened_color(&faces[F], L, got[F][L], 0.25f, 0.3f, 0.6f, 0.0f);
        });
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(faces[0].cubeLevelsPending, 0);
    for (int F = 0; F < 6; ++F)
        for (int L = 1; L <= 3; ++L)
            for (int k = 0; k < 4; ++k) EXPECT_EQ(got[F][L][k], want[F][L][k]) << "face " << F << " level " << L;
    const int64_t b = faces[0].bytesPerPixel;
    for (int F = 0; F < 6; ++F)
        for (int64_t L = 1; L <= faces[F].topLevel; ++L) {
            int64_t differ = 0, differJobs = 0;
            for (int64_t y = 0; y < faces[F].height[L]; ++y)
                for (int64_t x = 0; x < faces[F].width[L]; ++x) {
                    const uint8_t* want = pyr_pixel_address(&built[F], L, x, y, b);
                    differ += std::memcmp(pyr_pixel_address(&faces[F], L, x, y, b), want, size_t(b)) != 0;
                    differJobs += std::memcmp(pyr_pixel_address(&jobBuilt[F], L, x, y, b), want, size_t(b)) != 0;
                }
            EXPECT_EQ(differ, 0) << "face " << F << " level " << L;
            EXPECT_EQ(differJobs, 0) << "face " << F << " level " << L << " built as jobs";
        }
}

// A picture too small for its layout is refused before the tiles, never
// rendered from empty faces.
TEST(EngineCubeLayouts, TooSmallAPictureIsRefused) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(3, 40, kPyrColourFloat, BusyPixel));
    rig.params->inputMode = 27;
    rig.params->outputMode = 1;
    EXPECT_NE(rig.Render(32, 16, kPyrColourFloat), 0);
    EXPECT_EQ(rig.data->diagnostic, kDiagCubeCorpus);
}

// A picture whose cells would not be square is not the layout (a cross
// read from a 2:1 frame): the render refuses it before the tiles, in one
// line naming the shape the layout needs, and cuts no face. Within a pixel
// of the shape it renders.
TEST(EngineCubeLayouts, APictureOfAnotherShapeIsRefused) {
    struct Case {
        long inputMode;
        int width, height;
        const char* shape;  // empty: renders
    };
    const Case cases[] = {
        {27, 256, 128, "4:3"}, {27, 256, 192, ""}, {28, 256, 192, "3:4"}, {28, 192, 256, ""},
        {33, 256, 128, "6:1"}, {33, 385, 64, ""},  {34, 128, 128, "3:2"}, {35, 192, 129, ""},
    };
    FilterRecord record{};
    Str255 said{};
    record.errorString = &said;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "input " << c.inputMode << " from " << c.width << " x " << c.height);
        RenderRig rig;
        gFilterRecord = &record;
        said[0] = 0;
        ASSERT_TRUE(rig.SetInput(c.width, c.height, kPyrColourFloat, BusyPixel));
        rig.params->inputMode = int32_t(c.inputMode);
        rig.params->outputMode = 1;
        const OSErr result = rig.Render(32, 16, kPyrColourFloat);
        gFilterRecord = nullptr;
        const std::string told(reinterpret_cast<const char*>(said + 1), said[0]);
        if (!*c.shape) {
            EXPECT_EQ(result, 0) << told;
            continue;
        }
        EXPECT_NE(result, 0);
        EXPECT_EQ(rig.data->diagnostic, kDiagCubeCorpus);
        EXPECT_EQ(told, "input mode " + std::to_string(c.inputMode) + " needs a picture of " + c.shape + " (" +
                            std::string(c.shape, 1) + " square cube faces across, " + std::string(c.shape + 2) +
                            " down); the picture is " + std::to_string(c.width) + " x " + std::to_string(c.height));
        EXPECT_EQ(rig.data->pyramids[kFirstCubeFacePyramid + 5].tiles, nullptr);
    }
}

// The bundled Earth through a 3 x 2 cube map and back: close to its direct
// render, looked at once; and flipped, close to the flipped direct render
// (a flip mirrors the sphere, so the left and right faces trade places
// rather than each face being mirrored where it lies).
TEST(EngineCubeLayouts, EarthThroughACubeMap) {
    constexpr const char* kEarth = VORNESK_SOURCE_DIR "/samples/earth-2048x1024.jpg";
    constexpr int n = 384, W = 1024, H = 512;
    // The Earth rendered straight, plain and flipped, and its cube map.
    std::vector<float> direct[2], map;
    for (int flip : {0, 1}) {
        RenderRig rig;
        ASSERT_TRUE(rig.SetInputFromJPEG(kEarth));
        rig.params->inputMode = 1;
        rig.params->outputMode = 1;
        rig.params->flip = flip;
        SetTwirl(rig, {0, 0, 0});
        ASSERT_EQ(rig.Render(W, H, kPyrColourFloat), 0);
        direct[flip] = rig.OutputColours();
        if (flip) continue;
        rig.params->outputMode = 338;
        ASSERT_EQ(rig.Render(3 * n, 2 * n, kPyrColourFloat), 0);
        map = rig.OutputColours();
    }
    RenderRig back;
    ASSERT_TRUE(back.SetInput(3 * n, 2 * n, kPyrColourFloat, [&](int64_t x, int64_t y, float* c) {
        for (int i = 0; i < 4; ++i) c[i] = map[size_t(y * 3 * n + x) * 4 + i];
    }));
    back.params->inputMode = 34;
    back.params->outputMode = 1;
    SetTwirl(back, {0, 0, 0});
    for (int flip : {0, 1}) {
        SCOPED_TRACE(flip ? "flipped" : "plain");
        back.params->flip = flip;
        const std::vector<float>& truth = direct[flip];
        ASSERT_EQ(back.Render(W, H, kPyrColourFloat), 0);
        const std::vector<float> got = back.OutputColours();
        double sum = 0.0;
        int64_t over = 0;
        for (size_t i = 0; i < got.size(); i += 4)
            for (int k = 0; k < 3; ++k) {
                const double e = std::fabs(got[i + k] - truth[i + k]);
                sum += e;
                over += e > 0.1;
            }
        const double mean = sum / double(got.size() / 4 * 3);
        std::printf("Earth through a 3x2 cube map%s: mean error %.4f, %lld of %zu components off by more than 0.1\n",
                    flip ? ", flipped" : "", mean, (long long)over, got.size() / 4 * 3);
        EXPECT_LT(mean, 0.01);
        EXPECT_LT(double(over), 0.01 * double(got.size() / 4 * 3));
        if (const char* path = std::getenv("VORNESK_CUBE_PICTURE"); path && !flip) {
            FILE* f = std::fopen(path, "wb");
            if (f) {
                std::fprintf(f, "P6 %d %d 255\n", W, 2 * H);
                for (const std::vector<float>* p : {&truth, &got})
                    for (size_t i = 0; i < p->size(); i += 4)
                        for (int k = 0; k < 3; ++k)
                            std::fputc(int(std::fmin(1.0f, std::fmax(0.0f, (*p)[i + k])) * 255), f);
                std::fclose(f);
            }
        }
    }
}

}  // namespace
