// Control enabling: HiliteLogic against the plain sets it stands for.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "ui/control_enabling.h"

namespace {

bool In(int64_t m, int64_t a, int64_t b) { return m >= a && m <= b; }
bool OneOf(int64_t m, std::initializer_list<int64_t> s) { return std::find(s.begin(), s.end(), m) != s.end(); }

// The view projections, as a plain set.
bool V(int64_t m) {
    return OneOf(m, {14, 15, 16, 18, 38, 52, 56, 57, 58, 59, 60, 63, 64, 65, 66, 67, 68, 73, 74, 82, 85, 88, 135,
                     136, 255, 297, 298, 368, 369, 370, 100335});
}
bool S(int64_t sc) { return !In(sc, 111, 158) && !In(sc, 160, 170) && !In(sc, 197, 304); }

std::vector<int64_t> Table(const HiliteInputs& in) {
    std::vector<int64_t> t(200, -7);
    HiliteLogic_core(t.data(), in);
    return t;
}

TEST(HiliteLogic, FieldOfViewIsTheSimplifiedSetsForEveryModeAndShape) {
    for (int64_t m = 1; m <= 1050; ++m)
        for (int64_t sc : {int64_t(-1), int64_t(5), int64_t(120), int64_t(165), int64_t(250)})
            for (int64_t wb : {int64_t(-1), int64_t(3)}) {
                const HiliteInputs in{m, sc, wb, false};
                const bool p = V(m) && S(sc);   // plain single-piece modes
                const bool fov = m != 396 && (OneOf(m, {394, 395, 686}) || In(m, 75, 79) || In(m, 347, 350) ||
                                              (m != 402 && wb == -1 && !OneOf(m, {168, 337, 338, 339, 159, 160, 172, 173}) &&
                                               (OneOf(m, {288, 300, 301}) || p)));
                const std::vector<int64_t> t = Table(in);
                ASSERT_EQ(t[kItemFieldOfView] != 0, fov) << m << " " << sc << " " << wb;
                ASSERT_EQ(t[kItemFieldOfViewA], t[kItemFieldOfView]);
                ASSERT_EQ(t[kItemFieldOfViewB], t[kItemFieldOfView]);
                ASSERT_EQ(t[kItemPolyhedronA] != 0, sc != -1);
                ASSERT_EQ(t[kItemGlueA] + t[kItemGlueB] + t[kItemGlueC], 3);
                ASSERT_EQ(t[0], -7);   // entries it does not own are untouched
            }
}

TEST(HiliteLogic, TabsFollowShapeFamilyAndBasis) {
    for (int64_t m = 1; m <= 1050; ++m)
        for (bool e : {false, true})
            for (int64_t sc : {int64_t(-1), int64_t(20), int64_t(200)}) {
                const bool g = In(m, 177, 198) || In(m, 422, 545) ||
                               ((e || m == 77) && !OneOf(m, {70, 71, 72, 175, 176, 256, 257, 258, 259, 260, 261, 262,
                                                             289, 290, 291, 294, 295, 296, 1047, 1048, 1049, 1050}));
                const bool tabs = OneOf(m, {402, 168, 300, 301}) ||
                                  (!In(m, 337, 339) && !OneOf(m, {159, 160, 172, 173, 288}) && S(sc) && g);
                ASSERT_EQ(Table({m, sc, -1, e})[kItemTabs] != 0, tabs) << m << " " << e << " " << sc;
                ASSERT_EQ(Table({m, sc, 4, e})[kItemTabs], 0) << m;   // a warpy basis never has tabs
                ASSERT_EQ(Table({m, sc, -1, e})[kItemExportFaces] != 0, e);
            }
}

TEST(HiliteLogic, ListedCases) {
    for (int64_t sc : {int64_t(-1), int64_t(200)})
        for (int64_t wb : {int64_t(-1), int64_t(2)}) {
            EXPECT_EQ(Table({396, sc, wb, true})[kItemFieldOfView], 0);
            EXPECT_EQ(Table({394, sc, wb, false})[kItemFieldOfView], 1);
        }
    // 402 enables tabs whatever its shape, without a basis.
    for (int64_t sc : {int64_t(-1), int64_t(120), int64_t(250)}) EXPECT_EQ(Table({402, sc, -1, false})[kItemTabs], 1);
    // A shape in 197..304 never enables tabs unless the mode is 300, 301, 402 or 168.
    for (int64_t m : {int64_t(180), int64_t(430), int64_t(77)}) EXPECT_EQ(Table({m, 250, -1, true})[kItemTabs], 0);
    for (int64_t m : {int64_t(300), int64_t(301), int64_t(402), int64_t(168)}) EXPECT_EQ(Table({m, 250, -1, true})[kItemTabs], 1);
}

TEST(HiliteLogic, RealModesGiveTheirTablesInputs) {
    // Every mode is looked up without fault, and the result agrees with its inputs.
    for (int64_t m = 1; m <= 1050; ++m) {
        const HiliteInputs in = HiliteInputsForMode(m);
        EXPECT_EQ(in.outputMode, m);
        const std::vector<int64_t> t = Table(in);
        EXPECT_EQ(t[kItemPolyhedronB] != 0, in.shapeCode != -1);
    }
}

}  // namespace
