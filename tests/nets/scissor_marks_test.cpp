// Scissor marks: merged vertices, radius scaled by the spintype, the full
// mark table and a full vertex table.
#include <gtest/gtest.h>

#include "hand_net.h"
#include "nets/scissor_marks.h"

namespace {

spintype Scaling(double k, triplex offset) {
    spintype s{};
    s.axis = triplex{0, 0, 1};
    s.angle = 0;
    s.matrix[0] = s.matrix[5] = s.matrix[10] = k;
    s.matrix[3] = offset.x;
    s.matrix[7] = offset.y;
    s.matrix[11] = offset.z;
    return s;
}

TEST(ScissorMarks, CasesOfMergingAndScaling) {
    struct Case {
        const char* name;
        double scale;
        triplex centre;
        int64_t expectedNewVertices;
        double expectedRadius;
    } cases[] = {
        {"centre on an existing vertex adds only the three points", 1, {1, 0, 0}, 3, 0.5},
        {"centre 1e-5 from an existing vertex is merged", 1, {1 + 1e-5, 0, 0}, 3, 0.5},
        {"centre 3e-5 away is a new vertex", 1, {1 + 3e-5, 0, 0}, 4, 0.5},
        {"scaling spintype scales the radius", 3, {5, 5, 5}, 4, 1.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PolyPtr p = MakeEmptyNet();
        ASSERT_TRUE(p);
        const spintype unit = Scaling(1, {0, 0, 0});
        AddNew3DDVertToPolyhedron(p.get(), ApplySpintypeToPoint(&unit, 1, 0, 0));
        const spintype s = Scaling(c.scale, {0.25, 0, 0});
        // Undo the offset for the merge cases, so the centre lands on (1, 0, 0).
        const triplex centre = c.scale == 1 ? triplex{c.centre.x - 0.25, c.centre.y, c.centre.z} : c.centre;
        const int64_t before = p->vertexCount3D;
        AddScissorMark(p.get(), centre, 0.5, 7, &s, 42, {0, 2, 0}, {0, 3, 0}, {0, 4, 0});
        EXPECT_EQ(p->vertexCount3D - before, c.expectedNewVertices);
        ASSERT_EQ(p->scissorMarkCount, 1);
        const PolyScissorMark& m = p->scissorMark[0];
        EXPECT_EQ(m.used, 1);
        EXPECT_NEAR(m.radius, c.expectedRadius, 1e-12);
        EXPECT_EQ(m.group, 7);
        EXPECT_EQ(m.tag, 42);
        EXPECT_EQ(p->groupScissorMark[7], 0);
        if (c.expectedNewVertices == 3) EXPECT_EQ(m.centre, 0);
        for (int k = 0; k < 3; ++k) {
            const triplex q = p->coords3D[m.point[k]];
            EXPECT_NEAR(q.y, c.scale * (2 + k), 1e-12);
        }
        EXPECT_EQ(p->status, kPolyStatusGood);
    }
}

TEST(ScissorMarks, AMarkBeyondTheTableIsRefused) {
    PolyPtr p = MakeEmptyNet();
    ASSERT_TRUE(p);
    const spintype s = Scaling(1, {0, 0, 0});
    for (int k = 0; k < kMaxScissorMarks; ++k) AddScissorMark(p.get(), {double(k), 0, 0}, 1, 0, &s, 0, {0, 1, 0}, {0, 2, 0}, {0, 3, 0});
    EXPECT_EQ(p->scissorMarkCount, kMaxScissorMarks);
    EXPECT_EQ(p->status, kPolyStatusGood);
    const int64_t vertices = p->vertexCount3D;
    AddScissorMark(p.get(), {5000, 0, 0}, 1, 0, &s, 0, {0, 1, 0}, {0, 2, 0}, {0, 3, 0});
    EXPECT_EQ(p->scissorMarkCount, kMaxScissorMarks);
    EXPECT_EQ(p->status, kPolyStatusScissorTableFull);
    EXPECT_EQ(p->vertexCount3D, vertices);
}

TEST(ScissorMarks, AFullVertexTableGivesStatusFiveAndNoIndex) {
    PolyPtr p = MakeEmptyNet();
    ASSERT_TRUE(p);
    const spintype s = Scaling(1, {0, 0, 0});
    p->vertexCount3D = kMax3DVertices - 1;
    p->legacyPointCollider = 1;
    for (int64_t v = 0; v < p->vertexCount3D; ++v) p->coords3D[v] = triplex{-10.0 - v, 0, 0};
    // The centre takes the last slot; the three further points find none.
    AddScissorMark(p.get(), {1, 0, 0}, 1, 0, &s, 0, {0, 1, 0}, {0, 2, 0}, {0, 3, 0});
    ASSERT_EQ(p->scissorMarkCount, 1);
    EXPECT_EQ(p->scissorMark[0].centre, kMax3DVertices - 1);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(p->scissorMark[0].point[k], -1);
    EXPECT_EQ(p->status, kPolyStatus3DVertexTableFull);
    // With no slot for the centre the mark is not recorded.
    p->status = kPolyStatusGood;
    AddScissorMark(p.get(), {2, 0, 0}, 1, 0, &s, 0, {0, 1, 0}, {0, 2, 0}, {0, 3, 0});
    EXPECT_EQ(p->scissorMarkCount, 1);
    EXPECT_EQ(p->status, kPolyStatus3DVertexTableFull);
}

}  // namespace
