// The solids under the polyhedral input modes: built for the right output
// mode's solid, rebuilt when the input mode changes, freed with the storage;
// the net fitted into the picture; and every direction, edges and corners
// included, read at a net point that leads back to the same direction.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "polyhedra/polyhedron.h"
#include "polyhedra/polyhedron_params.h"
#include "projections/input_poly.h"
#include "projections/sphere_to_input.h"
#include "records/data.h"
#include "records/renderhinttype.h"

namespace {

struct DataOwner {
    std::unique_ptr<Data> data{new Data{}};
    ~DataOwner() { DisposeInputPoly(data.get()); }
};

// Net point of picture position (x, y), then the triangle holding it (our
// own 2D search over all triangles), then the 3D point of its weights.
bool DirectionOfPicturePoint(const polyhedron* p, double x, double y, double d[3]) {
    const double X = p->netOrigin[0] + x / p->netScale[0], Y = p->netOrigin[1] + y / p->netScale[1];
    for (int64_t t = 0; t < p->netTriangleCount; ++t) {
        const PolyNetTriangle& q = p->netTriangle[t];
        if (q.isTab) continue;
        double px[3], py[3];
        for (int k = 0; k < 3; ++k) px[k] = p->netVertex[q.vertex[k]].x, py[k] = p->netVertex[q.vertex[k]].y;
        const double D = (px[1] - px[0]) * (py[2] - py[0]) - (py[1] - py[0]) * (px[2] - px[0]);
        if (D == 0) continue;
        const double w1 = ((X - px[0]) * (py[2] - py[0]) - (Y - py[0]) * (px[2] - px[0])) / D;
        const double w2 = ((px[1] - px[0]) * (Y - py[0]) - (py[1] - py[0]) * (X - px[0])) / D;
        const double w0 = 1 - w1 - w2;
        if (w0 < -1e-6 || w1 < -1e-6 || w2 < -1e-6) continue;
        const triplex* c = q.cornerPoint;
        d[0] = w0 * c[0].x + w1 * c[1].x + w2 * c[2].x;
        d[1] = w0 * c[0].y + w1 * c[1].y + w2 * c[2].y;
        d[2] = w0 * c[0].z + w1 * c[1].z + w2 * c[2].z;
        const double m = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        for (int i = 0; i < 3; ++i) d[i] /= m;
        return true;
    }
    return false;
}

TEST(InputPoly, EachInputModeLiesOnItsOutputModesSolid) {
    DataOwner o;
    struct Case {
        int64_t input, output, faces;
    } cases[] = {{29, 30, 32}, {39, 47, 20}, {29, 30, 32}};
    polyhedron* last = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        polyhedron_params params;
        get_polyhedron_params_from_output_mode(c.output, &params);
        polyhedron* p = AllocateInputPoly(o.data.get(), c.input, 0.5);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(o.data->inputPolyhedron, p);
        EXPECT_EQ(p->shapeCode, params.shapeCode);
        EXPECT_EQ(p->faceCount3D, c.faces);
        EXPECT_EQ(p->status, kPolyStatusGood);
        EXPECT_TRUE(InputPolyStatusIsUsable(p->status));
        EXPECT_GT(p->netTriangleCount, 0);
        last = p;
    }
    // The same input mode again keeps the solid.
    EXPECT_EQ(AllocateInputPoly(o.data.get(), 29, 0.5), last);
    DisposeInputPoly(o.data.get());
    EXPECT_EQ(o.data->inputPolyhedron, nullptr);
    DisposeInputPoly(o.data.get());
    EXPECT_EQ(AllocateInputPoly(o.data.get(), 1, 0.5), nullptr);
    for (int64_t s : {1, 2, 5, 6, 7, 9, 10, 11, 13, 14, 15}) EXPECT_FALSE(InputPolyStatusIsUsable(s)) << s;
}

TEST(InputPoly, TheNetFillsThePictureCentred) {
    DataOwner o;
    for (double aspect : {0.25, 0.5, 1.0, 3.0}) {
        SCOPED_TRACE(aspect);
        const polyhedron* p = AllocateInputPoly(o.data.get(), 39, aspect);
        ASSERT_NE(p, nullptr);
        double lo[2] = {1e9, 1e9}, hi[2] = {-1e9, -1e9};
        for (int64_t t = 0; t < p->netTriangleCount; ++t)
            for (int64_t v : p->netTriangle[t].vertex) {
                const double q[2] = {(p->netVertex[v].x - p->netOrigin[0]) * p->netScale[0],
                                     (p->netVertex[v].y - p->netOrigin[1]) * p->netScale[1]};
                for (int i = 0; i < 2; ++i) lo[i] = std::fmin(lo[i], q[i]), hi[i] = std::fmax(hi[i], q[i]);
            }
        // With a border of 2% of the net's larger side, one side fills the
        // picture, the other is centred inside it, and a net unit is as long
        // across as down in picture pixels.
        const double w = (hi[0] - lo[0]) / p->netScale[0], h = (hi[1] - lo[1]) / p->netScale[1];
        const double b = 0.02 * std::fmax(w, h);
        EXPECT_NEAR(p->netScale[0], std::fmin(1 / (w + 2 * b), aspect / (h + 2 * b)), 1e-8);  // the border's 1e-9 guard
        for (int i = 0; i < 2; ++i) {
            EXPECT_GE(lo[i], -1e-6);
            EXPECT_LE(hi[i], 1 + 1e-6);
            EXPECT_NEAR(lo[i] + hi[i], 1.0, 1e-6);
        }
        EXPECT_NEAR(p->netScale[1] * aspect, p->netScale[0], 1e-12);
    }
}

TEST(InputPoly, EveryDirectionIsReadAtANetPointThatLeadsBackToIt) {
    std::mt19937 rng(39);
    std::normal_distribution<double> gauss;
    for (int64_t mode : {29, 39}) {
        SCOPED_TRACE(mode);
        DataOwner o;
        polyhedron* p = AllocateInputPoly(o.data.get(), mode, 0.5);
        ASSERT_NE(p, nullptr);
        renderhinttype hint{};
        InitPolyHints(&hint);
        auto check = [&](double dx, double dy, double dz) {
            const double m = std::sqrt(dx * dx + dy * dy + dz * dz);
            const float d[3] = {float(dx / m), float(dy / m), float(dz / m)};
            float u = -1, v = -1, aux = 0;
            unsigned char outside = 9;
            int face = 0, region = 0;
            TransformSphereToInput(mode, 0, d, &u, &v, &outside, nullptr, &face, &region, &aux, p, &hint, 0.5f);
            ASSERT_EQ(outside, 0);
            EXPECT_GE(u, 0.0f);
            EXPECT_LE(u, 1.0f);
            EXPECT_GE(v, 0.0f);
            EXPECT_LE(v, 1.0f);
            EXPECT_EQ(region, hint.hitFace + 3);
            EXPECT_GE(hint.hitFace, 0);
            EXPECT_LT(hint.hitFace, p->netFaceCount);
            double back[3];
            ASSERT_TRUE(DirectionOfPicturePoint(p, u, v, back));
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(back[i], d[i], 1e-5);
        };
        for (int i = 0; i < 2000; ++i) check(gauss(rng), gauss(rng), gauss(rng));
        for (int64_t t = 0; t < p->netTriangleCount; ++t)
            for (int k = 0; k < 3; ++k) {
                const triplex a = p->netTriangle[t].cornerPoint[k], b = p->netTriangle[t].cornerPoint[(k + 1) % 3];
                for (double f : {0.0, 0.5, 0.1})
                    check(a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z + f * (b.z - a.z));
            }
        EXPECT_EQ(hint.raySearch.misses, 0);
    }
    // Without its solid a polyhedral input mode has no position.
    renderhinttype hint{};
    InitPolyHints(&hint);
    const float d[3] = {0, 0, 1};
    float u = 5, v = 5, aux = 0;
    unsigned char outside = 0;
    int face = 0, region = 0;
    TransformSphereToInput(29, 0, d, &u, &v, &outside, nullptr, &face, &region, &aux, nullptr, &hint, 0.5f);
    EXPECT_EQ(outside, 1);
    EXPECT_EQ(u, 0.0f);
}

}  // namespace
