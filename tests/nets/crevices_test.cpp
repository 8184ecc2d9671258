// Crevice regions: a fan of faces around a slit, the edge cases as a
// table, and on grown nets of every solid (build kinds 3 and 6) the two
// faces at every outline corner sharper than 15 degrees differ.
#include <gtest/gtest.h>

#include <cmath>

#include "hand_net.h"
#include "nets/crevices.h"
#include "nets/net_tabs.h"
#include "nets/outline_walk.h"

namespace {

// Four triangles around the origin leaving a slit of `gap` degrees between
// the ray at 0 degrees and the last ray.
PolyPtr Fan(double gap) {
    PolyPtr p = MakeEmptyNet();
    if (!p) return p;
    const double step = (360.0 - gap) / 4 * M_PI / 180;
    for (int k = 0; k < 4; ++k)
        AddHandFace(p.get(), {{0, 0}, {std::cos(k * step), std::sin(k * step)},
                              {std::cos((k + 1) * step), std::sin((k + 1) * step)}});
    LinkHandFaces(p.get());
    return p;
}

TEST(Crevices, FanCases) {
    struct Case {
        const char* name;
        double gap;
        std::vector<int16_t> regions;
    } cases[] = {
        {"one crevice splits the fan; the loop is not closed", 10, {1, 1, 0, 0}},
        {"just under 15 degrees is a crevice", 14.9, {1, 1, 0, 0}},
        {"just over 15 degrees is none: every face 0", 15.1, {0, 0, 0, 0}},
        {"a wide gap: every face 0", 90, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PolyPtr p = Fan(c.gap);
        ASSERT_TRUE(p);
        AddCreviceFightingRegionInfo(p.get());
        for (int f = 0; f < 4; ++f) EXPECT_EQ(p->netFace[f].creviceRegion, c.regions[size_t(f)]) << f;
        EXPECT_EQ(p->netFace[0].outlineNumber, 1);
    }
}

TEST(Crevices, ASharpCornerOfOneFaceIsNoCrevice) {
    PolyPtr p = MakeEmptyNet();
    ASSERT_TRUE(p);
    AddHandFace(p.get(), {{0, 0}, {1, 0}, {std::cos(0.1), std::sin(0.1)}});
    AddCreviceFightingRegionInfo(p.get());
    EXPECT_EQ(p->netFace[0].creviceRegion, 0);
}

TEST(Crevices, StepsBackAndForthAlongAnOutline) {
    PolyPtr p = Fan(10);
    ASSERT_TRUE(p);
    int64_t f = 0, e = 0;
    for (int k = 0; k < 6; ++k) {
        int64_t g = f, d = e;
        NextAroundNet(p.get(), &g, &d);
        ASSERT_GE(g, 0);
        PrevAroundNet(p.get(), &g, &d);
        EXPECT_EQ(g, f);
        EXPECT_EQ(d, e);
        NextAroundNet(p.get(), &f, &e);
    }
    EXPECT_EQ(f, 0);
    EXPECT_EQ(e, 0);
}

const int64_t kCreviceSolids[] = {16, 18, 9, 17, 7, 2, 4, 6, 12, 8, 5, 82, 83, 13, 20, 21, 305, 306, 307, 310, 311};

TEST(Crevices, FacesAtSharpOutlineCornersDiffer) {
    for (int64_t code : kCreviceSolids)
        for (int64_t kind : {3, 6}) {
            SCOPED_TRACE(std::to_string(code) + " kind " + std::to_string(kind));
            PolyPtr p(NewPolyhedron(0.5f, 0.165f));
            ASSERT_TRUE(p);
            SetUpReallyGeneralPolyhedron(p.get(), code, kind, 0, 0, nullptr, 1, 0.0f);
            ASSERT_GT(p->netFaceCount, 0);
            // Outline edges into and out of each net vertex, from the faces' corners.
            struct OutlineEdge {
                int64_t face, from, to;
            };
            std::vector<OutlineEdge> edges;
            for (int64_t f = 0; f < p->netFaceCount; ++f) {
                const PolyNetFace& nf = p->netFace[f];
                EXPECT_GE(nf.creviceRegion, 0) << f;
                for (int64_t e = 0; e < nf.count; ++e)
                    if (nf.neighbour[e] < 0) edges.push_back({f, nf.vertex[e], nf.vertex[(e + 1) % nf.count]});
            }
            int64_t sharp = 0;
            for (const OutlineEdge& in : edges)
                for (const OutlineEdge& out : edges) {
                    if (in.to != out.from || in.face == out.face) continue;
                    const double ax = p->coords2D[in.from][0] - p->coords2D[in.to][0];
                    const double ay = p->coords2D[in.from][1] - p->coords2D[in.to][1];
                    const double cx = p->coords2D[out.to][0] - p->coords2D[out.from][0];
                    const double cy = p->coords2D[out.to][1] - p->coords2D[out.from][1];
                    const double angle = std::fabs(std::atan2(ax * cy - ay * cx, ax * cx + ay * cy));
                    if (angle >= 15 * M_PI / 180) continue;
                    ++sharp;
                    EXPECT_NE(p->netFace[in.face].creviceRegion, p->netFace[out.face].creviceRegion)
                        << "faces " << in.face << " and " << out.face << " at a " << angle * 180 / M_PI << " degree corner";
                }
            RecordProperty("sharp" + std::to_string(code) + "_" + std::to_string(kind), int(sharp));
        }
}

}  // namespace
