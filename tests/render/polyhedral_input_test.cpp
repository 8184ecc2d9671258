// The polyhedral inputs through whole renders. A picture of the net of each
// input's solid is painted here from the net's own geometry (each pixel's net
// point, the triangle under it found by a 2D search, its 3D point) with
// colours that encode directions; read as input 29 or 39 and shown
// equirectangular it must give back the directions an equirectangular input
// gives, within a pixel of the net picture away from the net's edges, and
// no output pixel may be left transparent.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "polyhedra/polyhedron.h"
#include "projections/input_poly.h"
#include "tests/render/direction_pictures.h"
#include "tests/render/render_fixture.h"

namespace {

// The net triangle under net point (X, Y) and the point's weights there.
int64_t NetTriangleAt(const polyhedron* p, double X, double Y, double w[3]) {
    for (int64_t t = 0; t < p->netTriangleCount; ++t) {
        const PolyNetTriangle& q = p->netTriangle[t];
        if (q.isTab) continue;
        const PolyNetVertex& a = p->netVertex[q.vertex[0]];
        const PolyNetVertex& b = p->netVertex[q.vertex[1]];
        const PolyNetVertex& c = p->netVertex[q.vertex[2]];
        const double D = double(b.x - a.x) * (c.y - a.y) - double(b.y - a.y) * (c.x - a.x);
        if (D == 0) continue;
        w[1] = ((X - a.x) * (c.y - a.y) - (Y - a.y) * (c.x - a.x)) / D;
        w[2] = ((b.x - a.x) * (Y - a.y) - (b.y - a.y) * (X - a.x)) / D;
        w[0] = 1 - w[1] - w[2];
        if (w[0] >= -1e-9 && w[1] >= -1e-9 && w[2] >= -1e-9) return t;
    }
    return -1;
}

// Where the ray along d meets the solid (our own Moller-Trumbore over every
// triangle): the triangle and the weights.
int64_t SolidTriangleAlong(const polyhedron* p, const double d[3], double w[3]) {
    for (int64_t t = 0; t < p->netTriangleCount; ++t) {
        const PolyNetTriangle& q = p->netTriangle[t];
        if (q.isTab) continue;
        const triplex a = q.cornerPoint[0], b = q.cornerPoint[1], c = q.cornerPoint[2];
        const double e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
        const double pv[3] = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
        const double det = e1[0] * pv[0] + e1[1] * pv[1] + e1[2] * pv[2];
        if (std::fabs(det) < 1e-14) continue;
        const double s[3] = {-a.x, -a.y, -a.z};
        const double u = (s[0] * pv[0] + s[1] * pv[1] + s[2] * pv[2]) / det;
        const double qv[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
        const double v = (d[0] * qv[0] + d[1] * qv[1] + d[2] * qv[2]) / det;
        const double dist = (e2[0] * qv[0] + e2[1] * qv[1] + e2[2] * qv[2]) / det;
        if (u >= 0 && v >= 0 && u + v <= 1 && dist > 0) {
            w[0] = 1 - u - v, w[1] = u, w[2] = v;
            return t;
        }
    }
    return -1;
}

// How far, in net units, the point of weights w lies from triangle t's edges.
double EdgeDistance(const polyhedron* p, int64_t t, const double w[3]) {
    const PolyNetTriangle& q = p->netTriangle[t];
    double least = 1e9;
    for (int k = 0; k < 3; ++k) {
        const PolyNetVertex& a = p->netVertex[q.vertex[(k + 1) % 3]];
        const PolyNetVertex& b = p->netVertex[q.vertex[(k + 2) % 3]];
        const PolyNetVertex& c = p->netVertex[q.vertex[k]];
        const double base = std::hypot(b.x - a.x, b.y - a.y);
        const double area = std::fabs(double(b.x - a.x) * (c.y - a.y) - double(b.y - a.y) * (c.x - a.x));
        least = std::fmin(least, w[k] * area / base);
    }
    return least;
}

TEST(PolyhedralInput, NetPicturesReadBackAsTheSphere) {
    constexpr int64_t kNetW = 600, kNetH = 400, kEquiW = 720, kEquiH = 360, kOutW = 360, kOutH = 180;
    RenderRig direct;
    ASSERT_TRUE(direct.SetInput(kEquiW, kEquiH, kPyrColourFloat, [](int64_t x, int64_t y, float* c) {
        EquirectangularPixel(x, y, kEquiW, kEquiH, c);
    }));
    direct.params->inputMode = 1;
    direct.params->outputMode = 1;
    ASSERT_EQ(direct.Render(kOutW, kOutH, kPyrColourFloat), 0);
    const std::vector<float> truth = direct.OutputColours();

    for (int64_t mode : {29, 39}) {
        SCOPED_TRACE(mode);
        // The net as the render will lay it out for a picture of this shape.
        std::unique_ptr<Data> scratch(new Data{});
        const polyhedron* net = AllocateInputPoly(scratch.get(), mode, double(kNetH) / kNetW);
        ASSERT_NE(net, nullptr);
        RenderRig rig;
        ASSERT_TRUE(rig.SetInput(kNetW, kNetH, kPyrColourFloat, [&](int64_t x, int64_t y, float* c) {
            const double X = net->netOrigin[0] + (double(x) + 0.5) / kNetW / net->netScale[0];
            const double Y = net->netOrigin[1] + (double(y) + 0.5) / kNetH / net->netScale[1];
            double w[3];
            const int64_t t = NetTriangleAt(net, X, Y, w);
            if (t < 0) {
                c[0] = c[1] = c[2] = 0.0f, c[3] = 1.0f;  // between the net's pieces
                return;
            }
            const triplex* k = net->netTriangle[t].cornerPoint;
            const double d[3] = {w[0] * k[0].x + w[1] * k[1].x + w[2] * k[2].x,
                                 w[0] * k[0].y + w[1] * k[1].y + w[2] * k[2].y,
                                 w[0] * k[0].z + w[1] * k[1].z + w[2] * k[2].z};
            const double m = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            const double u[3] = {d[0] / m, d[1] / m, d[2] / m};
            EncodeDirection(u, c);
        }));
        rig.params->inputMode = int32_t(mode);
        rig.params->outputMode = 1;
        ASSERT_EQ(rig.Render(kOutW, kOutH, kPyrColourFloat), 0);
        ASSERT_NE(rig.data->inputPolyhedron, nullptr);
        // Every task's ray searches reached the solid's totals when it
        // retired: at least one a sample, and none missed.
        const RaySearchCounts& counts = rig.data->inputPolyhedron->raySearchCounts;
        EXPECT_GE(counts.hits, kOutW * kOutH);
        EXPECT_EQ(counts.misses, 0);
        const std::vector<float> got = rig.OutputColours();
        // One pixel of the net picture, in net units and in the solid's (the
        // set-up fitted the unfolded net into its box by the net scale).
        const double pixel = 1.0 / (kNetW * net->netScale[0]), solidPixel = pixel / net->net.scale;
        double worst = 0, sum = 0;
        int64_t checked = 0, transparent = 0;
        for (size_t i = 0; i + 3 < got.size(); i += 4) {
            if (got[i + 3] < 0.999f) ++transparent;
            double g[3], want[3], w[3];
            DecodeDirection(&got[i], g);
            DecodeDirection(&truth[i], want);
            const int64_t t = SolidTriangleAlong(net, want, w);
            ASSERT_GE(t, 0);
            // The sampler reaches a pixel or two; the net's cut edges border
            // the black gaps.
            if (EdgeDistance(net, t, w) < 3 * pixel) continue;
            const triplex* k = net->netTriangle[t].cornerPoint;
            const double r = std::sqrt(std::pow(w[0] * k[0].x + w[1] * k[1].x + w[2] * k[2].x, 2) +
                                       std::pow(w[0] * k[0].y + w[1] * k[1].y + w[2] * k[2].y, 2) +
                                       std::pow(w[0] * k[0].z + w[1] * k[1].z + w[2] * k[2].z, 2));
            const double dot = std::fmin(1.0, g[0] * want[0] + g[1] * want[1] + g[2] * want[2]);
            const double err = std::acos(dot) * r / solidPixel;  // in net picture pixels
            worst = std::fmax(worst, err);
            sum += err;
            ++checked;
        }
        EXPECT_EQ(transparent, 0);
        EXPECT_GT(checked, int64_t(got.size() / 4) / 3);
        EXPECT_LT(worst, 1.5);
        EXPECT_LT(sum / double(checked), 0.2);
        std::printf("input %lld: %lld pixels away from the edges, worst %.3f mean %.4f net pixels; %.2f triangle tests "
                    "a ray over %lld rays\n",
                    (long long)mode, (long long)checked, worst, sum / double(checked),
                    double(counts.triesOnHits) / double(counts.hits), (long long)counts.hits);
        DisposeInputPoly(scratch.get());
    }
}

}  // namespace

namespace {

// A solid that cannot be had ends the render with the input polyhedron's
// diagnostic instead of drawing a transparent picture; the next render
// builds it.
TEST(PolyhedralInput, ASolidThatCannotBeHadEndsTheRender) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(64, 32, kPyrColourFloat, BusyPixel));
    rig.params->inputMode = 29;
    rig.params->outputMode = 1;
    ASSERT_EQ(rig.Render(64, 32, kPyrColourFloat), 0);
    const polyhedron* soccer = rig.data->inputPolyhedron;
    ASSERT_NE(soccer, nullptr);
    ASSERT_EQ(rig.Render(64, 32, kPyrColourFloat), 0);
    EXPECT_EQ(rig.data->inputPolyhedron, soccer);  // kept while the mode stays

    // The preparation of the next render, with the record refused.
    rig.params->inputMode = 39;
    SetRobustNewPtrFailures(1);
    EXPECT_FALSE(PrerollManipulation(rig.data.get(), *rig.params));
    SetRobustNewPtrFailures(0);
    EXPECT_EQ(rig.result, -108);
    EXPECT_EQ(rig.data->diagnostic, kDiagInputPolyhedron);
    EXPECT_EQ(rig.data->inputPolyhedron, nullptr);

    rig.result = 0;
    ASSERT_EQ(rig.Render(64, 32, kPyrColourFloat), 0);
    ASSERT_NE(rig.data->inputPolyhedron, nullptr);
    EXPECT_EQ(rig.data->inputPolyhedron->faceCount3D, 20);
}

}  // namespace

namespace {

// Reading back an output as an input: the sphere rendered as the net of
// output mode `output` (tabs off; the soccer ball, the icosahedron and the
// horizontal and vertical cube crosses), that picture read as input mode `input`
// and shown equirectangular, against the equirectangular render of the
// sphere itself. Errors are in net pixels of the written picture, away from
// the net's edges.
struct RoundTripErrors {
    double worst = 0, mean = 0;
    int64_t checked = 0, transparent = 0;
};

RoundTripErrors ReadBackOutputAsInput(int64_t output, int64_t input, int64_t W, int64_t H) {
    constexpr int64_t kEquiW = 720, kEquiH = 360, kOutW = 360, kOutH = 180;
    auto sphere = [](int64_t x, int64_t y, float* c) { EquirectangularPixel(x, y, kEquiW, kEquiH, c); };
    RoundTripErrors e;
    RenderRig direct;
    if (!direct.SetInput(kEquiW, kEquiH, kPyrColourFloat, sphere)) return e;
    direct.params->inputMode = 1;
    direct.params->outputMode = 1;
    if (direct.Render(kOutW, kOutH, kPyrColourFloat) != 0) return e;
    const std::vector<float> truth = direct.OutputColours();

    RenderRig writer;
    if (!writer.SetInput(kEquiW, kEquiH, kPyrColourFloat, sphere)) return e;
    writer.params->inputMode = 1;
    writer.params->outputMode = int32_t(output);
    writer.params->tabs = 0.0f;
    if (writer.Render(W, H, kPyrColourFloat) != 0) return e;
    const std::vector<float> map = writer.OutputColours();

    RenderRig reader;
    if (!reader.SetInput(W, H, kPyrColourFloat, [&](int64_t x, int64_t y, float* c) {
            for (int i = 0; i < 4; ++i) c[i] = map[size_t(y * W + x) * 4 + i];
        }))
        return e;
    reader.params->inputMode = int32_t(input);
    reader.params->outputMode = 1;
    if (reader.Render(kOutW, kOutH, kPyrColourFloat) != 0) return e;
    const std::vector<float> got = reader.OutputColours();
    // The written net, and one of its pixels in net units: the output frames
    // the net's box with a border of 2% of its larger side, none on the cube
    // crosses; in the solid's units, divided by the net scale the set-up
    // fitted the unfolded net by.
    const polyhedron* net = writer.data->renderPolyhedron;
    if (!net) return e;
    const double w = net->net.boundsBox[1] - net->net.boundsBox[0], h = net->net.boundsBox[3] - net->net.boundsBox[2];
    const double border = (output == 172 || output == 173) ? 0.0 : 0.02 * std::fmax(w, h);
    const double pixel = 1.0 / (W * std::fmin(1.0 / (w + 2 * border), double(H) / W / (h + 2 * border)));
    const double solidPixel = pixel / net->net.scale;
    double sum = 0;
    for (size_t i = 0; i + 3 < got.size(); i += 4) {
        double g[3], want[3], w[3];
        DecodeDirection(&got[i], g);
        DecodeDirection(&truth[i], want);
        const int64_t t = SolidTriangleAlong(net, want, w);
        if (t < 0 || EdgeDistance(net, t, w) < 4 * pixel) continue;
        if (got[i + 3] < 0.999f) ++e.transparent;
        const double dot = std::fmin(1.0, g[0] * want[0] + g[1] * want[1] + g[2] * want[2]);
        const double err = std::acos(dot) / solidPixel;
        e.worst = std::fmax(e.worst, err);
        sum += err;
        ++e.checked;
    }
    e.mean = e.checked ? sum / double(e.checked) : 0;
    return e;
}

TEST(PolyhedralInput, OutputNetsReadBackAsTheSphere) {
    struct Case {
        int64_t output, input, width, height;
        double mean;  // the cube faces are cut from the picture and clamped at their edges
    } cases[] = {{30, 29, 900, 600, 0.3}, {47, 39, 900, 600, 0.3}, {172, 27, 800, 600, 0.6}, {173, 28, 600, 800, 0.6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "output " << c.output << " as input " << c.input);
        const RoundTripErrors e = ReadBackOutputAsInput(c.output, c.input, c.width, c.height);
        std::printf("output %lld as input %lld: %lld pixels checked, worst %.3f mean %.4f net pixels\n",
                    (long long)c.output, (long long)c.input, (long long)e.checked, e.worst, e.mean);
        EXPECT_GT(e.checked, 360 * 180 / 4);
        EXPECT_EQ(e.transparent, 0);
        EXPECT_LT(e.worst, 2.0);
        EXPECT_LT(e.mean, c.mean);
    }
}

}  // namespace
