// Scissor-mark heights on a hand-built record: two marks collected under one
// group number, read through a net face of that group, against distances
// and planes computed here.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "../polyhedra/poly_fixture.h"
#include "nets/scissor_marks.h"
#include "polyhedra/poly_store.h"
#include "projections/scissor_height.h"
#include "records/TransformationReply.h"
#include "records/vort.h"

namespace {

spintype Identity() {
    spintype s{};
    s.axis = triplex{0, 0, 1};
    s.matrix[0] = s.matrix[5] = s.matrix[10] = 1;
    return s;
}

struct Mark {
    triplex centre;
    double radius;
    int64_t tag;
};

// Net face 0 shows 3D face 0 in fragment 1; 3D face 0 is in weirdo group 3,
// whose group number is 5. Weirdo groups 3 and 4 both carry marks; both
// share group number 5, so its two collected slots hold both marks. Each
// mark's plane is z = 0 with its normal up (points (0,0,0), (1,0,0), (0,1,0)).
struct ScissorRig {
    PolyPtr poly = MakePoly();
    std::unique_ptr<vort> context = std::make_unique<vort>();

    ScissorRig(const Mark& first, const Mark& second, int16_t groupNumber = 5) {
        polyhedron* p = poly.get();
        EXPECT_TRUE(getPolyStorageEtc(p));
        WipeFaceInfo(p);
        p->faceCount3D = 1;
        p->face3D[0] = p->blankFace3D;
        p->face3D[0].group = 3;
        p->netFaceCount = 1;
        p->netFace[0] = p->blankNetFace;
        p->netFace[0].face3D = 0;
        p->netFace[0].fragment = 1;
        for (int16_t& n : p->groupNumber) n = -1;  // 65535: none
        p->groupNumber[3] = groupNumber;
        p->groupNumber[4] = groupNumber;
        const spintype s = Identity();
        AddScissorMark(p, first.centre, first.radius, 3, &s, first.tag, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
        AddScissorMark(p, second.centre, second.radius, 4, &s, second.tag, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
        AdjustScissorInfo(p);
        *context = vort{};
        context->outputPolyhedron = p;
    }
    TransformationReply At(triplex q, int32_t netFace = 0) {
        TransformationReply r = MakeTemplateReply();
        r.scissorHeight = 1.0f;
        r.okToDrawScissor = 1;  // the search must clear it
        r.faceTag = netFace;
        FindScissorHeight(context.get(), &r, q.x, q.y, q.z);
        return r;
    }
};

double D2(triplex a, triplex b) { return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z); }

}  // namespace

TEST(ScissorHeight, CollectedSlotsFollowTheGroupNumbers) {
    ScissorRig rig({{0, 0, 0}, 0.5, 1}, {{2, 0, 0}, 0.25, 1});
    EXPECT_EQ(rig.poly->groupScissorSlot[5][0], 0);
    EXPECT_EQ(rig.poly->groupScissorSlot[5][1], 1);
    EXPECT_EQ(rig.poly->groupScissorSlot[5][2], -1);
    EXPECT_EQ(rig.poly->groupScissorSlot[3][0], -1);
    // Every mark of a group is collected, not only its last: a third mark
    // of group 3 joins number 5 after the two.
    const spintype s = Identity();
    AddScissorMark(rig.poly.get(), {4, 0, 0}, 0.5, 3, &s, 1, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    AdjustScissorInfo(rig.poly.get());
    EXPECT_EQ(rig.poly->groupScissorSlot[5][0], 0);
    EXPECT_EQ(rig.poly->groupScissorSlot[5][1], 1);
    EXPECT_EQ(rig.poly->groupScissorSlot[5][2], 2);
    // A group of another number collects apart, once more anew.
    rig.poly->groupNumber[3] = 7;
    AdjustScissorInfo(rig.poly.get());
    EXPECT_EQ(rig.poly->groupScissorSlot[7][0], 0);
    EXPECT_EQ(rig.poly->groupScissorSlot[7][1], 2);
    EXPECT_EQ(rig.poly->groupScissorSlot[5][0], 1);
    EXPECT_EQ(rig.poly->groupScissorSlot[5][1], -1);
    // A full number takes no more; a number of 200 or more and a mark of -1
    // collect nothing.
    for (int k = 0; k < kScissorSlotsPerGroup + 3; ++k) AddScissorToWeirdoGroup(rig.poly.get(), 9, k);
    EXPECT_EQ(rig.poly->groupScissorSlot[9][kScissorSlotsPerGroup - 1], kScissorSlotsPerGroup - 1);
    AddScissorToWeirdoGroup(rig.poly.get(), 200, 1);
    AddScissorToWeirdoGroup(rig.poly.get(), 6, -1);
    EXPECT_EQ(rig.poly->groupScissorSlot[6][0], -1);
}

// Marks about one centre (one crease point turned three ways) draw wherever
// the point lies behind any of their planes; a mark about another centre
// does not lend its plane.
TEST(ScissorHeight, MarksAboutOneCentreDrawBehindAnyOfTheirPlanes) {
    ScissorRig rig({{0, 0, 0}, 0.5, 1}, {{2, 0, 0}, 0.25, 1});
    const spintype s = Identity();
    // Same centre, plane x = 0 through (0,0,0), (0,1,0), (0,0,1): its normal
    // (0,1,0) x (0,0,1) = +x, as z = 0's is +z, so behind it lie x <= 0.
    AddScissorMark(rig.poly.get(), {0, 0, 0}, 0.5, 3, &s, 1, {0, 0, 0}, {0, 1, 0}, {0, 0, 1});
    AdjustScissorInfo(rig.poly.get());
    const triplex above{0.3, 0, 0.1};  // in front of both planes
    const TransformationReply r = rig.At(above);
    EXPECT_NEAR(r.scissorHeight, D2(above, {0, 0, 0}) - 0.25, 1e-6);
    EXPECT_EQ(r.okToDrawScissor, 0);
    EXPECT_EQ(rig.At({-0.3, 0, 0.1}).okToDrawScissor, 1);  // behind x = 0 only
    EXPECT_EQ(rig.At({0.3, 0, -0.1}).okToDrawScissor, 1);  // behind z = 0 only
    // Near the second centre only its own plane counts.
    EXPECT_EQ(rig.At({1.9, 0, 0.1}).okToDrawScissor, 0);
}

TEST(ScissorHeight, NearerMarkOfTheFaceFragmentWins) {
    const triplex c1{0, 0, 0}, c2{2, 0, 0};
    const double r1 = 0.5, r2 = 0.25;
    struct Case {
        const char* name;
        int64_t tag1, tag2;
        triplex point;
        int winner;  // 1, 2, or 0 for none
        bool drawn;
    } cases[] = {
        {"inside the first mark, below its plane", 1, 1, {0.3, 0, -0.1}, 1, true},
        {"on the plane counts as behind it", 1, 1, {0.3, 0.2, 0}, 1, true},
        {"above the plane is not drawn", 1, 1, {0.3, 0, 0.1}, 1, false},
        {"nearer the second mark", 1, 1, {1.8, 0, -0.2}, 2, true},
        {"midway keeps the first (strictly nearer wins)", 1, 1, {1, 0, -0.3}, 1, true},
        {"the first mark of another fragment leaves the second", 2, 1, {0.1, 0, -0.1}, 2, true},
        {"the second of another fragment is passed over", 1, 2, {1.9, 0, -0.1}, 1, true},
        {"neither of this fragment", 2, 2, {0.1, 0, -0.1}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScissorRig rig({c1, r1, c.tag1}, {c2, r2, c.tag2});
        const TransformationReply r = rig.At(c.point);
        const double expected = c.winner == 1   ? D2(c.point, c1) - r1 * r1
                                : c.winner == 2 ? D2(c.point, c2) - r2 * r2
                                                : 99999.0;
        EXPECT_NEAR(r.scissorHeight, expected, 1e-5);
        EXPECT_EQ(r.okToDrawScissor, c.drawn ? 1 : 0);
    }
}

TEST(ScissorHeight, NothingToMeasure) {
    // Group number 65535 (none): the height says no mark, nothing drawn.
    {
        ScissorRig rig({{0, 0, 0}, 0.5, 1}, {{2, 0, 0}, 0.25, 1}, -1);
        const TransformationReply r = rig.At({0.1, 0, -0.1});
        EXPECT_EQ(r.scissorHeight, 99999.0f);
        EXPECT_EQ(r.okToDrawScissor, 0);
    }
    // No net face, a tab region or a face beyond the net: untouched height.
    ScissorRig rig({{0, 0, 0}, 0.5, 1}, {{2, 0, 0}, 0.25, 1});
    for (int32_t face : {-1, 25290, 1}) {
        const TransformationReply r = rig.At({0.1, 0, -0.1}, face);
        EXPECT_EQ(r.scissorHeight, 1.0f);
        EXPECT_EQ(r.okToDrawScissor, 0);
    }
    // A solid without marks, and no solid at all.
    rig.poly->scissorMarkCount = 0;
    EXPECT_EQ(rig.At({0.1, 0, -0.1}).scissorHeight, 1.0f);
    rig.context->outputPolyhedron = nullptr;
    EXPECT_EQ(rig.At({0.1, 0, -0.1}).okToDrawScissor, 0);
}
