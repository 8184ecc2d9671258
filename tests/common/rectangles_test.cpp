#include "common/rectangles.h"

#include <gtest/gtest.h>

namespace {

Rect R(int top, int left, int bottom, int right) {
    return {int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}
bool Same(const Rect& a, const Rect& b) { return SameQRects(&a, &b); }
bool SameV(VRect a, VRect b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

TEST(Rectangles, ConstructionAndConversion) {
    const VRect v = ProduceVRect(1, 2, 30, 40);  // left, top, right, bottom
    EXPECT_TRUE(SameV(v, VRect {2, 1, 40, 30}));
    VRect w;
    QevSetVRect(&w, 1, 2, 30, 40);
    EXPECT_TRUE(SameV(v, w));
    QevSetVRect(nullptr, 1, 2, 3, 4);
    Rect q;
    QevSetRect(&q, 1, 2, 30, 40);
    EXPECT_TRUE(Same(q, R(2, 1, 40, 30)));
    EXPECT_TRUE(SameV(VRectfromQDrect(q), v));
    EXPECT_TRUE(Same(QDRectfromVRect(VRect {0x10005, 0, 70000, -1}), R(5, 0, 70000 - 65536, -1)));
    EXPECT_TRUE(QDEmptyRect(&(q = R(0, 5, 10, 5))));
    EXPECT_TRUE(EmptyVRect(VRect {3, 0, 3, 10}));
    EXPECT_FALSE(EmptyVRect(VRect {0, 0, 1, 1}));
}

TEST(Rectangles, PointsAndContainment) {
    const Rect r = R(0, 0, 10, 20);
    EXPECT_TRUE(QevPtInRect(Point {10, 20}, &r));  // right and bottom edges count
    EXPECT_TRUE(QevPtInRect(Point {0, 0}, &r));
    EXPECT_FALSE(QevPtInRect(Point {11, 5}, &r));
    EXPECT_FALSE(QevPtInRect(Point {1, 1}, nullptr));
    const Rect inner = R(2, 2, 10, 20), outer = R(-1, 2, 10, 20);
    EXPECT_FALSE(OutOfBounds(&inner, &r));
    EXPECT_TRUE(OutOfBounds(&outer, &r));
    Rect a = R(1, 2, 3, 4), b;
    EXPECT_EQ(QWCopyRectA2B_Q(&a, &b), &a);
    EXPECT_TRUE(Same(a, b));
    Rect c;
    EXPECT_EQ(copyRectBtoA(&c, &a), &c);
    EXPECT_TRUE(Same(c, a));
}

TEST(Rectangles, Intersection) {
    Rect a = R(0, 0, 10, 10), b = R(0, 10, 10, 20), out = R(1, 1, 1, 1);
    EXPECT_FALSE(QevSectRect(&a, &b, &out));  // touching along an edge
    EXPECT_TRUE(Same(out, R(0, 0, 0, 0)));
    b = R(5, 3, 20, 8);
    EXPECT_TRUE(QevSectRect(&a, &b, &out));
    EXPECT_TRUE(Same(out, R(5, 3, 10, 8)));
    EXPECT_TRUE(SameV(IntersectVRects(VRect {0, 0, 10, 10}, VRect {20, 20, 30, 30}), VRect {0, 0, 0, 0}));
    EXPECT_TRUE(SameV(AClippedAgainstB(VRect {0, 0, 10, 10}, VRect {20, 20, 30, 30}), VRect {20, 20, 10, 10}));
    Rect c = R(0, 0, 10, 10), d = R(20, 20, 30, 30);
    ClipAAgainstB(&c, &d);
    EXPECT_TRUE(Same(c, R(20, 20, 10, 10)));
}

// Checks intersection and union against a brute-force cell count.
TEST(Rectangles, IntersectionAndUnionMatchCellCounts) {
    const VRect rects[] = {{0, 0, 5, 5}, {2, 3, 9, 4}, {-3, -2, 1, 1}, {4, 4, 4, 8}, {6, 6, 8, 8}, {1, -5, 7, 2}};
    for (VRect a : rects)
        for (VRect b : rects) {
            int both = 0;
            for (int y = -10; y < 12; y++)
                for (int x = -10; x < 12; x++) {
                    const bool inA = x >= a.left && x < a.right && y >= a.top && y < a.bottom;
                    const bool inB = x >= b.left && x < b.right && y >= b.top && y < b.bottom;
                    both += inA && inB;
                    const VRect u = BEnlargedToAccomodateA(a, b);
                    if (inA || inB) {
                        ASSERT_TRUE(x >= u.left && x < u.right && y >= u.top && y < u.bottom);
                    }
                }
            const VRect i = IntersectVRects(a, b);
            EXPECT_EQ(EmptyVRect(i) ? 0 : int64_t(VRectWidth(i)) * VRectHeight(i), both);
        }
}

TEST(Rectangles, MovingAndSizing) {
    Rect r = R(10, 10, 20, 30);
    QevInsetRect(&r, 2, 3);
    EXPECT_TRUE(Same(r, R(13, 12, 17, 28)));
    ShrinkRect_qev_Q(&r, -2, -3);
    EXPECT_TRUE(Same(r, R(10, 10, 20, 30)));
    EXPECT_EQ(QevOffsetRect(&r, 5, -10), &r);
    EXPECT_TRUE(Same(r, R(0, 15, 10, 35)));
    SizeRectQ(&r, 4, 6);
    EXPECT_TRUE(Same(r, R(0, 15, 6, 19)));
    QevInsetRect(nullptr, 1, 1);

    const VRect v {10, 10, 20, 30};
    EXPECT_TRUE(SameV(InsetVRect(v, 2, 3), VRect {13, 12, 17, 28}));
    VRect s = v;
    EXPECT_EQ(ShrinkRect_qev_V(&s, 2, 3), &s);
    EXPECT_TRUE(SameV(s, VRect {13, 12, 17, 28}));
    EXPECT_TRUE(SameV(OffsetVRect(v, 5, -10), VRect {0, 15, 10, 35}));
    EXPECT_TRUE(SameV(ResizedVRect(v, 4, 6), VRect {10, 10, 16, 14}));
    EXPECT_TRUE(SameV(TopLeftCornerAlignedTo00(v), VRect {0, 0, 10, 20}));
    EXPECT_TRUE(SameV(AAlignedToTopLeftCornerOfB(v, VRect {-5, 7, 0, 0}), VRect {-5, 7, 5, 27}));
    Rect a = R(10, 10, 20, 30), b = R(-5, 7, 0, 0);
    AlignTopLeftCornerOfA2B(&a, &b);
    EXPECT_TRUE(Same(a, R(-5, 7, 5, 27)));
}

TEST(Rectangles, EnlargeAndLimit) {
    Rect a = R(0, 0, 5, 5), b = R(3, -2, 4, 2);
    EnlargeBToAccomodateA(&a, &b);
    EXPECT_TRUE(Same(b, R(0, -2, 5, 5)));
    Rect big = R(0, 0, 100, 100), small = R(0, 0, 10, 20);
    LimitSizeOfBtoA(&small, &big);
    EXPECT_TRUE(Same(big, R(0, 0, 10, 20)));
    EXPECT_TRUE(SameV(BLimitedToSizeOfA(VRect {0, 0, 10, 20}, VRect {5, 5, 8, 100}), VRect {5, 5, 8, 25}));
}

TEST(Rectangles, NudgeAndCentre) {
    // A rectangle wider than b ends aligned with b's right edge.
    Rect a = R(0, 0, 10, 100), b = R(0, 0, 10, 50);
    NudgeAIntoB(&a, &b);
    EXPECT_EQ(a.right, 50);
    EXPECT_EQ(a.left, -50);
    EXPECT_TRUE(SameV(ANudgedIntoB(VRect {-5, -3, 5, 7}, VRect {0, 0, 100, 100}), VRect {0, 0, 10, 10}));
    EXPECT_TRUE(SameV(ANudgedIntoB(VRect {95, 98, 105, 108}, VRect {0, 0, 100, 100}), VRect {90, 90, 100, 100}));
    Rect c = R(0, 0, 1, 5), d = R(0, 0, 10, 10);
    CenterAonB_Q(&c, &d);
    EXPECT_EQ(c.left, 3);
    EXPECT_EQ(c.right, 8);
    EXPECT_EQ(c.top, 5);
    EXPECT_EQ(c.bottom, 6);
    EXPECT_TRUE(SameV(ACenteredOnB_V(VRect {0, 0, 3, 3}, VRect {-10, -10, -3, -3}), VRect {-7, -7, -4, -4}));
}

TEST(Rectangles, Scaling) {
    VRect v {1, -3, 5, 7};
    ScaleRect_qev_V(&v, 3, 0);
    EXPECT_TRUE(SameV(v, VRect {3, -9, 15, 21}));
    v = {1, -3, 5, 7};
    ScaleRect_qev_V(&v, 1, 2);
    EXPECT_TRUE(SameV(v, VRect {0, -1, 2, 3}));
    Rect q = R(30000, -20000, 10000, 100);
    ScaleRect_qev_Q(&q, 100000, 1000000);  // the products need 64 bits
    EXPECT_TRUE(Same(q, R(3000, -2000, 1000, 10)));
    VRect huge {0, 0, 2000000000, 2000000000};
    ScaleRect_qev_V(&huge, 3, 4);
    EXPECT_TRUE(SameV(huge, VRect {0, 0, 1500000000, 1500000000}));
}

}  // namespace
