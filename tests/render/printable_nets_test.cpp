// Printed nets: what someone who cuts out and folds a rendered net needs to
// see. Tabs in the tab colour (pixels placed by the net's own triangles,
// rasterised here), and the cuts and tab outlines that the edge overlay
// draws.
#include <gtest/gtest.h>

#include <memory>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "polyhedra/polyhedron.h"
#include "polyhedra/polyhedron_params.h"
#include "nets/net_links.h"
#include "records/vort.h"
#include "render/tile_passes.h"
#include "render/render_job.h"
#include "tests/render/render_fixture.h"

namespace {

const std::string kEarth = std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg";

// A net rendered from the bundled Earth, with the context the render used.
struct NetPicture {
    RenderRig rig;
    int W = 0, H = 0;
    // The render's context and the job whose records it points to.
    std::unique_ptr<RenderJob> job;
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
        job = std::make_unique<RenderJob>(*rig.params);
        if (!PrepareRenderContext(job.get(), rig.data.get())) return false;
        context = *RenderContextTemplate(job.get());
        FinishRenderContext(job.get());
        colours = rig.OutputColours();
        return true;
    }
    const float* At(int x, int y) const { return &colours[size_t(y * W + x) * 4]; }
    // Line darkness on a white picture, bilinear at a continuous position.
    double DarkAt(double X, double Y) const {
        const double x = X - 0.5, y = Y - 0.5;
        const int ix = int(std::floor(x)), iy = int(std::floor(y));
        const double fx = x - ix, fy = y - iy;
        auto d = [&](int i, int j) { return i < 0 || j < 0 || i >= W || j >= H ? 0.0 : 1.0 - At(i, j)[1]; };
        return (1 - fx) * (1 - fy) * d(ix, iy) + fx * (1 - fy) * d(ix + 1, iy) + (1 - fx) * fy * d(ix, iy + 1) +
               fx * fy * d(ix + 1, iy + 1);
    }
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

namespace {

// An edge of one net face that lies on an edge of another, end to end.
struct TouchingEdge {
    int64_t face, edge, other, otherEdge;
    bool solidNeighbours;  // the two faces meet across this edge on the solid
};

// 3D face across edge e of net face f on the solid, with that edge's number
// there; false with none.
bool SolidPartner(const polyhedron* p, int64_t f, int64_t e, int64_t* G, int64_t* eG) {
    const PolyNetFace& nf = p->netFace[f];
    if (nf.face3D < 0) return false;
    const PolyFace3D& F = p->face3D[nf.face3D];
    const int64_t c = (nf.vertexOffset + e) % F.count;
    if (F.neighbour[c] < 0) return false;
    *G = F.neighbour[c];
    const int64_t n = p->face3D[*G].count;
    *eG = (F.neighbourEdge[c] - 1 + n) % n;
    return true;
}

// Pairs of edges of different net faces that lie along each other for more
// than a ten-thousandth of the net's size.
std::vector<TouchingEdge> TouchingEdges(const polyhedron* p) {
    std::vector<TouchingEdge> out;
    auto corner = [&](int64_t f, int64_t k) {
        const PolyNetFace& nf = p->netFace[f];
        const PolyNetVertex& v = p->netVertex[nf.vertex[k % nf.count]];
        return std::pair<double, double>{v.x, v.y};
    };
    double low = 1e300, high = -1e300;
    for (int64_t f = 0; f < p->netFaceCount; ++f)
        for (int64_t k = 0; k < p->netFace[f].count; ++k) {
            const auto q = corner(f, k);
            low = std::min({low, q.first, q.second}), high = std::max({high, q.first, q.second});
        }
    const double eps = 1e-6 * (high - low);
    // Faces by the left side of their boxes: only faces whose boxes meet
    // are compared (the Danseiji mesh has 25,280).
    struct Box {
        double x0, x1, y0, y1;
    };
    std::vector<Box> box(size_t(p->netFaceCount));
    std::vector<int64_t> order(size_t(p->netFaceCount));
    for (int64_t f = 0; f < p->netFaceCount; ++f) {
        Box& b = box[size_t(f)];
        b = {1e300, -1e300, 1e300, -1e300};
        for (int64_t k = 0; k < p->netFace[f].count; ++k) {
            const auto q = corner(f, k);
            b = {std::min(b.x0, q.first), std::max(b.x1, q.first), std::min(b.y0, q.second), std::max(b.y1, q.second)};
        }
        order[size_t(f)] = f;
    }
    std::sort(order.begin(), order.end(), [&](int64_t a, int64_t b) { return box[size_t(a)].x0 < box[size_t(b)].x0; });
    for (size_t i = 0; i < order.size(); ++i)
        for (size_t n = i + 1; n < order.size() && box[size_t(order[n])].x0 <= box[size_t(order[i])].x1 + eps; ++n) {
            const int64_t f = std::min(order[i], order[n]), g = std::max(order[i], order[n]);
            if (box[size_t(f)].y0 > box[size_t(g)].y1 + eps || box[size_t(g)].y0 > box[size_t(f)].y1 + eps) continue;
            const PolyNetFace &A = p->netFace[f], &B = p->netFace[g];
            for (int64_t k = 0; k < A.count; ++k)
                for (int64_t j = 0; j < B.count; ++j) {
                    const auto a0 = corner(f, k), a1 = corner(f, k + 1), b0 = corner(g, j), b1 = corner(g, j + 1);
                    const double L = std::hypot(a1.first - a0.first, a1.second - a0.second);
                    if (L < eps) continue;
                    const double ux = (a1.first - a0.first) / L, uy = (a1.second - a0.second) / L;
                    auto off = [&](std::pair<double, double> q) {
                        return std::fabs((q.first - a0.first) * uy - (q.second - a0.second) * ux);
                    };
                    auto along = [&](std::pair<double, double> q) {
                        return (q.first - a0.first) * ux + (q.second - a0.second) * uy;
                    };
                    if (off(b0) > eps || off(b1) > eps) continue;
                    const double t0 = along(b0), t1 = along(b1);
                    if (std::min(L, std::max(t0, t1)) - std::max(0.0, std::min(t0, t1)) < 100 * eps) continue;
                    int64_t G = -1, eG = -1;
                    const bool same = SolidPartner(p, f, k, &G, &eG) && G == B.face3D &&
                                      eG == (j + B.vertexOffset) % B.count;
                    out.push_back({f, k, g, j, same});
                }
        }
    return out;
}

// A seam: a straight run of solid edges with the same face on either side,
// corners first .. first + count of face F with face G across (a corner
// where only F and G meet lies inside the run).
struct Seam {
    int64_t F, first, count, G;
};

triplex Corner3D(const polyhedron* p, int64_t F, int64_t c) {
    const PolyFace3D& f = p->face3D[F];
    return p->coords3D[f.vertex[((c % f.count) + f.count) % f.count]];
}

// Whether face F runs straight on through its corner c: turning by less
// than 1e-5, as a corner of a single-precision table on a short edge of a
// straight run may (the cinquefoil's, by up to 2.7e-6).
bool StraightAt(const polyhedron* p, int64_t F, int64_t c) {
    const triplex a = Corner3D(p, F, c - 1), b = Corner3D(p, F, c), d = Corner3D(p, F, c + 1);
    const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, vx = d.x - b.x, vy = d.y - b.y, vz = d.z - b.z;
    const double cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
    const double lu = std::sqrt(ux * ux + uy * uy + uz * uz), lv = std::sqrt(vx * vx + vy * vy + vz * vz);
    return ux * vx + uy * vy + uz * vz > 0 && std::sqrt(cx * cx + cy * cy + cz * cz) <= 1e-5 * lu * lv;
}

// Every seam of the solid once, from the lower-numbered of its two faces.
std::vector<Seam> SeamsOfSolid(const polyhedron* p) {
    std::vector<Seam> out;
    for (int64_t F = 0; F < p->faceCount3D; ++F) {
        const PolyFace3D& f = p->face3D[F];
        const int64_t n = f.count;
        auto across = [&](int64_t c) { return f.neighbour[((c % n) + n) % n]; };
        for (int64_t c = 0; c < n; ++c) {
            const int64_t G = across(c);
            if (G <= F) continue;
            // A run starts where the corner before it turns or the face
            // across changes.
            if (across(c - 1) == G && StraightAt(p, F, c)) continue;
            int64_t count = 1;
            while (count < n && across(c + count) == G && StraightAt(p, F, c + count)) ++count;
            out.push_back({F, c, count, G});
        }
    }
    return out;
}

struct SeamTally {
    int64_t seams = 0, split = 0, cut = 0, tabs = 0, unfitted = 0;
};

// On a net whose faces carry glue tabs: every seam cut in the layout has
// exactly one tab, standing on one side along the whole seam, and a folded
// seam none.
void CheckTheTabsOfEachSeam(long mode, const polyhedron* p, SeamTally* tally) {
    std::vector<int64_t> showing(size_t(p->faceCount3D), -1);
    for (int64_t f = 0; f < p->netFaceCount; ++f) {
        const int64_t F = p->netFace[f].face3D;
        if (F < 0 || F >= p->faceCount3D) continue;
        showing[F] = showing[F] == -1 ? f : -2;  // -2: shown twice
    }
    double low = 1e300, high = -1e300;
    for (int64_t f = 0; f < p->netFaceCount; ++f)
        for (int64_t k = 0; k < p->netFace[f].count; ++k) {
            const PolyNetVertex& v = p->netVertex[p->netFace[f].vertex[k]];
            low = std::min({low, double(v.x), double(v.y)}), high = std::max({high, double(v.x), double(v.y)});
        }
    const double eps = 1e-5 * (high - low);
    std::vector<std::vector<int64_t>> tabsOfFace(size_t(p->netFaceCount));
    for (int64_t t = 0; t < p->netTriangleCount; ++t)
        if (p->netTriangle[t].isTab && p->netTriangle[t].netFace >= 0 && p->netTriangle[t].netFace < p->netFaceCount)
            tabsOfFace[size_t(p->netTriangle[t].netFace)].push_back(t);
    int64_t missing = 0;
    for (const Seam& s : SeamsOfSolid(p)) {
        const int64_t f = showing[s.F], g = showing[s.G];
        if (f < 0 || g < 0) continue;
        ++tally->seams;
        tally->split += s.count > 1;
        // The seam's net corners on either side: F's corners first ..
        // first + count run the other way round G.
        const PolyNetFace &A = p->netFace[f], &B = p->netFace[g];
        const int64_t k0 = ((s.first - A.vertexOffset) % A.count + A.count) % A.count;
        int linked = 0;
        for (int64_t i = 0; i < s.count; ++i) linked += A.neighbour[(k0 + i) % A.count] >= 0;
        auto point = [&](const PolyNetFace& nf, int64_t k) {
            const PolyNetVertex& v = p->netVertex[nf.vertex[((k % nf.count) + nf.count) % nf.count]];
            return std::pair<double, double>{v.x, v.y};
        };
        // G's corners on the seam's ends (G may run either way round: some
        // tables list faces in either turn).
        auto cornerOfG = [&](const triplex& q) {
            for (int64_t c = 0; c < p->face3D[s.G].count; ++c) {
                const triplex r = Corner3D(p, s.G, c);
                if (q.x == r.x && q.y == r.y && q.z == r.z) return c;
            }
            return int64_t(-1);
        };
        const int64_t j0 = cornerOfG(Corner3D(p, s.F, s.first)), j1 = cornerOfG(Corner3D(p, s.F, s.first + s.count));
        ASSERT_TRUE(j0 >= 0 && j1 >= 0) << "mode " << mode;
        const std::pair<double, double> ends[2][2] = {
            {point(A, k0), point(A, k0 + s.count)}, {point(B, j0 - B.vertexOffset), point(B, j1 - B.vertexOffset)}};
        int tabs = 0, whole = 0;
        for (int side = 0; side < 2; ++side) {
            for (int64_t t : tabsOfFace[size_t(side == 0 ? f : g)]) {
                const PolyNetTriangle& tri = p->netTriangle[t];
                if (tri.glueUnder[0] != (side == 0 ? s.G : s.F)) continue;
                const auto [ax, ay] = ends[side][0];
                const auto [bx, by] = ends[side][1];
                const double L = std::hypot(bx - ax, by - ay);
                // The tab's base: two of its corners on the seam.
                std::vector<double> along;
                for (int k = 0; k < 3; ++k) {
                    const PolyNetVertex& v = p->netVertex[tri.vertex[k]];
                    const double u = ((v.x - ax) * (bx - ax) + (v.y - ay) * (by - ay)) / L;
                    const double off = std::fabs((v.x - ax) * (by - ay) - (v.y - ay) * (bx - ax)) / L;
                    if (off <= eps && u >= -eps && u <= L + eps) along.push_back(u);
                }
                if (along.size() != 2) continue;
                ++tabs;
                whole += std::min(along[0], along[1]) <= eps && std::max(along[0], along[1]) >= L - eps;
            }
        }
        if (linked == s.count) {
            EXPECT_EQ(tabs, 0) << "mode " << mode << ": folded seam between solid faces " << s.F << " and " << s.G;
            continue;
        }
        EXPECT_EQ(linked, 0) << "mode " << mode << ": seam between solid faces " << s.F << " and " << s.G
                             << " partly folded";
        ++tally->cut;
        tally->tabs += tabs;
        missing += tabs == 0;
        EXPECT_LE(tabs, 1) << "mode " << mode << ": seam of " << s.count << " edges between solid faces " << s.F
                           << " and " << s.G;
        EXPECT_EQ(whole, tabs) << "mode " << mode << ": a tab covers part of the seam between solid faces " << s.F
                               << " and " << s.G;
    }
    // A seam without a tab is one whose tab fits nowhere (a face of the net
    // touches it from outside), and the set-up reports each.
    EXPECT_EQ(missing, p->unfittedTabs) << "mode " << mode;
    tally->unfitted += p->unfittedTabs;
}

// The polyhedral modes the net sweep below takes: every one but the
// Goldberg and quad solids (420-545), of which every seventh, which meets
// each family and base, and 510: their largest nets take seconds each under
// the sanitizers (the largest, 467, is NetRenders'). bench_net_tabs builds
// them all.
bool NetSweepTakes(long mode) {
    return IsPolyhedron(mode) && (mode < 420 || mode > 545 || (mode - 420) % 7 == 0 || mode == 510);
}
bool GoldbergOrQuad(long mode) { return mode >= 420 && mode <= 545; }

// The sweep runs in shards, the modes m with m % kNetShards == shard each,
// side by side. Each shard meets at least its share of the counts the
// whole sweep must reach (more than 28 nets, 5 strangers, more than 20
// tabbed nets), so that together they reach them all.
constexpr long kNetShards = 4;

class NetShard : public ::testing::TestWithParam<long> {};

// Every net that renders (the render's own set-up, default settings):
// - two faces whose edges lie along each other in the layout are folded
//   together there (neighbours on the solid, linked in the net), or the edge
//   overlay parts them: they lie in different regions, or the net marks the
//   cut between them;
// - where the net carries glue tabs, every seam it cuts (a straight run of
//   edges between two solid faces, split or not) has exactly one tab, on one
//   side, along the whole seam.
// Every Goldberg and quad solid the sweep takes gives a tabbed net.
TEST_P(NetShard, EveryNetIsFoldedOrCutWhereFacesTouchAndTabsEachSeamOnce) {
    const long shard = GetParam();
    int64_t nets = 0, strangers = 0, tabbedNets = 0, goldbergAndQuad = 0, goldbergAndQuadTaken = 0;
    SeamTally tally;
    std::vector<long> splitTabbed;
    for (long mode = 1; mode <= 1050; ++mode) {
        if (mode % kNetShards != shard || !NetSweepTakes(mode)) continue;
        goldbergAndQuadTaken += GoldbergOrQuad(mode);
        RenderRig rig;
        ASSERT_TRUE(rig.SetInput(64, 32, kPyrColourFloat, BusyPixel));
        rig.params->inputMode = 1;
        rig.params->outputMode = int32_t(mode);
        RenderJob job(*rig.params);
        if (!PrepareRenderContext(&job, rig.data.get())) {
            FinishRenderContext(&job);
            continue;
        }
        const vort* c = RenderContextTemplate(&job);
        const polyhedron* p = c->outputPolyhedron;
        if (c->polyhedral && p) {
            ++nets;
            for (const TouchingEdge& t : TouchingEdges(p)) {
                // Faces folded together (slivers folded along one edge may
                // lie within a hair of each other along another), or laid
                // side by side along the edge they share on the solid, where
                // a fold is right.
                bool linked = t.solidNeighbours;
                for (int64_t k = 0; k < p->netFace[t.face].count; ++k) linked |= p->netFace[t.face].neighbour[k] == t.other;
                if (linked) continue;
                ++strangers;
                const PolyNetFace &A = p->netFace[t.face], &B = p->netFace[t.other];
                const bool regionsDiffer = p->fragmentCount <= 0 || A.fragment != B.fragment;
                EXPECT_TRUE(regionsDiffer || (NetFacesCutApart(p, t.face, t.other) && NetFacesCutApart(p, t.other, t.face)))
                    << "mode " << mode << ": net faces " << t.face << " and " << t.other;
            }
            bool tabbed = false;
            for (int64_t t = 0; t < p->netTriangleCount && !tabbed; ++t)
                tabbed = p->netTriangle[t].isTab && p->netTriangle[t].netFace >= 0;
            if (tabbed) {
                ++tabbedNets;
                const int64_t split = tally.split, unfitted = tally.unfitted;
                CheckTheTabsOfEachSeam(mode, p, &tally);
                if (tally.split > split) splitTabbed.push_back(mode);
                if (GoldbergOrQuad(mode)) ++goldbergAndQuad;
                // The geodesic 12 | 5's cuts end in slits of about a degree,
                // each between the two sides of one seam: the tab there
                // takes the whole slit.
                if (mode == 194) {
                    EXPECT_EQ(tally.unfitted - unfitted, 0);
                }
            }
        }
        FinishRenderContext(&job);
    }
    EXPECT_GT(nets * kNetShards, 28);
    EXPECT_GE(strangers * kNetShards, 5);
    EXPECT_GT(tabbedNets * kNetShards, 20);
    EXPECT_EQ(goldbergAndQuad, goldbergAndQuadTaken);
    EXPECT_EQ(tally.tabs + tally.unfitted, tally.cut);
    // GID and the rhombicosacron have seams split by corners where only two
    // faces meet.
    for (long mode : {55L, 407L})
        if (mode % kNetShards == shard) {
            EXPECT_NE(std::find(splitTabbed.begin(), splitTabbed.end(), mode), splitTabbed.end());
        }
    std::printf("%lld nets, %lld with tabs, %lld strangers: %lld seams, %lld of several edges, %lld cut, %lld tabs, "
                "%lld that fit nowhere\n",
                (long long)nets, (long long)tabbedNets, (long long)strangers, (long long)tally.seams,
                (long long)tally.split, (long long)tally.cut, (long long)tally.tabs, (long long)tally.unfitted);
}

INSTANTIATE_TEST_SUITE_P(PrintableNets, NetShard, ::testing::Range(0L, kNetShards));

// The shards together take 19 Goldberg and quad solids, each of which
// gives a tabbed net.
TEST(PrintableNets, TheNetSweepTakesNineteenGoldbergAndQuadSolids) {
    int64_t taken = 0;
    for (long mode = 1; mode <= 1050; ++mode) taken += NetSweepTakes(mode) && GoldbergOrQuad(mode);
    EXPECT_EQ(taken, 19);
}

// Quad solids where the outline walk left pairs tabbed on both sides or on
// neither (510), and where a tab at a corner the outline folds sharply back
// round was squeezed to a sliver of no area yet counted as built (525): each
// cut seam has one tab of some area, or the set-up reports it as fitting
// nowhere.
TEST(PrintableNets, QuadNetsTabEachSeamOnce) {
    for (long mode : {510L, 525L}) {
        SCOPED_TRACE(mode);
        RenderRig rig;
        ASSERT_TRUE(rig.SetInput(64, 32, kPyrColourFloat, BusyPixel));
        rig.params->inputMode = 1;
        rig.params->outputMode = int32_t(mode);
        RenderJob job(*rig.params);
        ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
        const polyhedron* p = RenderContextTemplate(&job)->outputPolyhedron;
        ASSERT_TRUE(p);
        SeamTally tally;
        CheckTheTabsOfEachSeam(mode, p, &tally);
        EXPECT_GT(tally.cut, 500);
        EXPECT_EQ(tally.tabs + tally.unfitted, tally.cut);
        FinishRenderContext(&job);
    }
}

// With edges on, the cuts where dodo's net lays faces that are not
// neighbours on the solid side by side are drawn along their whole length.
TEST(PrintableNets, CutsBetweenFacesOfOnePieceAreDrawn) {
    NetPicture r(false);
    r.rig.params->edges = 1;
    r.rig.params->line_color = RGBColor{0, 0, 0};
    r.rig.params->tab_color = RGBColor{65535, 65535, 65535};
    ASSERT_TRUE(r.Render(54, 2048, 1536));
    const polyhedron* p = r.context.outputPolyhedron;
    ASSERT_TRUE(p);
    int64_t cuts = 0, samples = 0, drawn = 0;
    for (const TouchingEdge& t : TouchingEdges(p)) {
        if (t.solidNeighbours || p->netFace[t.face].fragment != p->netFace[t.other].fragment) continue;
        ++cuts;
        const PolyNetFace& A = p->netFace[t.face];
        const PolyNetVertex &a = p->netVertex[A.vertex[t.edge]], &b = p->netVertex[A.vertex[(t.edge + 1) % A.count]];
        double ax, ay, bx, by;
        r.Pixel(a.x, a.y, &ax, &ay);
        r.Pixel(b.x, b.y, &bx, &by);
        const double L = std::hypot(bx - ax, by - ay);
        // The line's weight across each point (darkness integrated along
        // the normal, in pixels), away from the ends. Where the solid folds
        // inward the cut is dashed, six pixels of every twelve: a point
        // counts when the line is there within four pixels along the cut.
        const double nx = -(by - ay) / L, ny = (bx - ax) / L;
        std::vector<bool> line;
        for (double s = 0; s <= L; s += 1) {
            const double X = ax + (bx - ax) * s / L, Y = ay + (by - ay) * s / L;
            double weight = 0;
            for (double k = -2.5; k <= 2.5; k += 0.25) weight += 0.25 * r.DarkAt(X + k * nx, Y + k * ny);
            line.push_back(weight > 0.6);
        }
        for (size_t s = 4; s + 4 < line.size(); ++s, ++samples) {
            bool near = false;
            for (size_t k = s - 4; k <= s + 4; ++k) near = near || line[k];
            drawn += near;
        }
    }
    EXPECT_GE(cuts, 5);
    EXPECT_GT(samples, 200);
    EXPECT_GE(drawn, samples * 95 / 100) << drawn << " of " << samples;
}

// With edges on, every tab is its own shape: where two tabs meet at a
// corner a line parts them. Shapes are the 4-connected runs of pixels in
// the tab colour; tabs are told apart by their face and the face they are
// glued under.
TEST(PrintableNets, TabsThatMeetAreParted) {
    for (long mode : {30L, 54L}) {
        SCOPED_TRACE(mode);
        NetPicture r(false);
        r.rig.params->edges = 1;
        r.rig.params->line_color = RGBColor{0, 0, 0};
        r.rig.params->tab_color = RGBColor{65535, 0, 0};
        ASSERT_TRUE(r.Render(mode, 2048, 1536));
        const polyhedron* p = r.context.outputPolyhedron;
        ASSERT_TRUE(p);
        std::vector<std::pair<int64_t, int64_t>> tabs;
        for (int64_t t = 0; t < p->netTriangleCount; ++t)
            if (p->netTriangle[t].isTab) tabs.push_back({p->netTriangle[t].netFace, p->netTriangle[t].glueUnder[0]});
        std::sort(tabs.begin(), tabs.end());
        tabs.erase(std::unique(tabs.begin(), tabs.end()), tabs.end());
        std::vector<int> label(size_t(r.W) * r.H, 0);
        auto red = [&](int x, int y) {
            const float* c = r.At(x, y);
            return c[0] > 0.9f && c[1] < 0.1f && c[2] < 0.1f;
        };
        int64_t shapes = 0;
        std::vector<std::pair<int, int>> stack;
        for (int y = 0; y < r.H; ++y)
            for (int x = 0; x < r.W; ++x) {
                if (!red(x, y) || label[size_t(y) * r.W + x]) continue;
                ++shapes;
                int64_t size = 0;
                stack.push_back({x, y});
                label[size_t(y) * r.W + x] = 1;
                while (!stack.empty()) {
                    const auto [a, b] = stack.back();
                    stack.pop_back();
                    ++size;
                    for (const auto& [i, j] : {std::pair{a + 1, b}, std::pair{a - 1, b}, std::pair{a, b + 1}, std::pair{a, b - 1}})
                        if (i >= 0 && j >= 0 && i < r.W && j < r.H && !label[size_t(j) * r.W + i] && red(i, j)) {
                            label[size_t(j) * r.W + i] = 1;
                            stack.push_back({i, j});
                        }
                }
                if (size < 20) --shapes;  // stray pixels at a corner, no tab
            }
        EXPECT_EQ(shapes, int64_t(tabs.size()));
    }
}

}  // namespace

namespace {

// A glue tab stands on a face's edge: no pixel of the tab colour lies
// farther from a face than the tallest tab reaches (the tab size times the
// longest face edge), on nets of every kind; the maps laid out through a
// solid glue nothing and show no tab colour at all.
TEST(PrintableNets, TabPixelsLieAgainstFaces) {
    struct Case {
        long mode;
        bool tabs;
    };
    for (const Case c : {Case{6, true}, Case{30, true}, Case{54, true}, Case{425, true}, Case{97, false},
                         Case{150, false}, Case{116, false}}) {
        SCOPED_TRACE(c.mode);
        constexpr int W = 512, H = 256;
        NetPicture pic(false);
        pic.rig.params->tab_color = RGBColor{65535, 0, 0};
        pic.rig.params->background_color = RGBColor{0, 0, 0};
        ASSERT_TRUE(pic.Render(c.mode, W, H));
        const polyhedron* p = pic.context.outputPolyhedron;
        ASSERT_TRUE(p);
        double longest = 0;
        for (int64_t n = 0; n < p->netFaceCount; ++n) {
            const PolyNetFace& f = p->netFace[n];
            for (int64_t k = 0; k < f.count; ++k) {
                double X0, Y0, X1, Y1;
                pic.Pixel(p->coords2D[f.vertex[k]][0], p->coords2D[f.vertex[k]][1], &X0, &Y0);
                pic.Pixel(p->coords2D[f.vertex[(k + 1) % f.count]][0], p->coords2D[f.vertex[(k + 1) % f.count]][1], &X1, &Y1);
                longest = std::max(longest, std::hypot(X1 - X0, Y1 - Y0));
            }
        }
        const double reach = double(p->net.secondArgument) * longest + 1.5;
        const int R = int(std::ceil(reach));
        int64_t tabPixels = 0, stray = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                if (!SameColour(pic.At(x, y), 1, 0, 0)) continue;
                ++tabPixels;
                double nearest = 1e9;
                for (int j = std::max(0, y - R); j <= std::min(H - 1, y + R); ++j)
                    for (int i = std::max(0, x - R); i <= std::min(W - 1, x + R); ++i)
                        if (pic.At(i, j)[1] > 0.5f) nearest = std::min(nearest, std::hypot(double(i - x), double(j - y)));
                stray += nearest > reach;
            }
        if (c.tabs) EXPECT_GT(tabPixels, 100);
        else EXPECT_EQ(tabPixels, 0);
        EXPECT_EQ(stray, 0) << "of " << tabPixels << " tab pixels, reach " << reach << " px";
    }
}

// The nets of the dodecadodecahedron (54) and the great icosidodecahedron
// (55) are spiky pieces of very different sizes: in a row, one large piece
// and a tail of small ones left four fifths of their box white. Packed, the
// faces cover at least half of the box of the whole net, its glue tabs
// included, and every seam keeps its tab.
TEST(PrintableNets, PackedNetsFillHalfTheirBox) {
    for (int32_t mode : {54, 55}) {
        SCOPED_TRACE(mode);
        RenderRig rig;
        ASSERT_TRUE(rig.SetInput(64, 32, kPyrColourFloat, BusyPixel));
        rig.params->inputMode = 1;
        rig.params->outputMode = mode;
        RenderJob job(*rig.params);
        ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
        const polyhedron* p = RenderContextTemplate(&job)->outputPolyhedron;
        ASSERT_TRUE(p);
        EXPECT_GT(p->fragmentCount, 1);
        EXPECT_EQ(p->unfittedTabs, 0);
        double faces = 0, tabs = 0, minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
        for (int64_t t = 0; t < p->netTriangleCount; ++t) {
            const PolyNetTriangle& tri = p->netTriangle[t];
            const double* a = p->coords2D[tri.vertex[0]];
            const double* b = p->coords2D[tri.vertex[1]];
            const double* c = p->coords2D[tri.vertex[2]];
            for (const double* q : {a, b, c})
                minX = std::min(minX, q[0]), maxX = std::max(maxX, q[0]), minY = std::min(minY, q[1]),
                maxY = std::max(maxY, q[1]);
            const double area = 0.5 * std::fabs((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]));
            (tri.isTab ? tabs : faces) += area;
        }
        EXPECT_GT(tabs, 0.0);
        const double fill = faces / ((maxX - minX) * (maxY - minY));
        EXPECT_GE(fill, 0.5);
        std::printf("mode %d: %lld pieces, faces fill %.3f of the box\n", mode, (long long)p->fragmentCount, fill);
        FinishRenderContext(&job);
    }
}

}  // namespace
