// The curved-origami outline curves against their closed forms: end points,
// lens widths, the kjarkatri pinch, mirror identities and the middles that
// make the central polygon.
#include <gtest/gtest.h>

#include <cmath>

#include "polyhedra/origami_curves.h"

namespace {

constexpr int kStyles[] = {1, 2, 3, 4, 5, 6};

struct Outline {
    int n;
    CurvePoint first, last;  // corner 1 and the last corner
};

Outline OutlineOf(int style) {
    auto corner = [](int k, int n) {
        const double a = M_PI / 2 + 2 * M_PI * k / n;
        return CurvePoint{std::cos(a), std::sin(a)};
    };
    const int n = style == 2 || style == 3 ? 4 : style == 4 ? 5 : 3;
    return {n, corner(0, n), corner(n - 1, n)};
}

double Dist(CurvePoint a, CurvePoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

TEST(OrigamiCurves, SidesRunFromTheLastCornerToCornerOneAndBSharesTheEnds) {
    MakeYang2DPoints();
    for (int s : kStyles) {
        const Outline o = OutlineOf(s);
        EXPECT_LT(Dist(ACurve(s, 0), o.last), 1e-12) << s;
        EXPECT_LT(Dist(ACurve(s, 1), o.first), 1e-12) << s;
        EXPECT_LT(Dist(BCurve(s, 0), o.last), 1e-12) << s;
        EXPECT_LT(Dist(BCurve(s, 1), o.first), 1e-12) << s;
        // C starts at corner 1 (it is A mirrored across corner 1's axis).
        EXPECT_LT(Dist(CCurve(s, 1), o.first), 1e-12) << s;
    }
}

TEST(OrigamiCurves, LensIsClosedAtTheEndsAndWidestInTheMiddle) {
    MakeYang2DPoints();
    for (int s : kStyles) {
        EXPECT_LT(WidthOfLensAt(s, 0), 1e-12) << s;
        EXPECT_LT(WidthOfLensAt(s, 1), 1e-12) << s;
        const double mid = WidthOfLensAt(s, 0.5);
        EXPECT_GT(mid, 0.05) << s;
        for (double t = 0.02; t < 1; t += 0.02) EXPECT_LE(WidthOfLensAt(s, t), mid + 1e-12) << s << " " << t;
        // A and B mirror each other across the chord: their midpoint lies on
        // it and their difference is normal to it.
        const Outline o = OutlineOf(s);
        const CurvePoint chord{o.first.x - o.last.x, o.first.y - o.last.y};
        for (double t : {0.1, 0.5, 0.83}) {
            const CurvePoint a = ACurve(s, t), b = BCurve(s, t);
            const CurvePoint m{(a.x + b.x) / 2 - o.last.x, (a.y + b.y) / 2 - o.last.y};
            EXPECT_NEAR(m.x * chord.y - m.y * chord.x, 0, 1e-12) << s;
            EXPECT_NEAR((a.x - b.x) * chord.x + (a.y - b.y) * chord.y, 0, 1e-12) << s;
            // A bows inward: nearer the centre than the chord's point.
            EXPECT_LT(std::hypot(a.x, a.y), std::hypot(b.x, b.y)) << s;
        }
    }
}

TEST(OrigamiCurves, ClosedForms) {
    MakeYang2DPoints();
    // Triangle: B on the circle of radius √3 about T2; square: B on the unit circle.
    for (double t : {0.0, 0.3, 0.5, 1.0}) {
        const CurvePoint b = BCurve(1, t);
        EXPECT_NEAR(std::hypot(b.x + std::sqrt(3.0) / 2, b.y + 0.5), std::sqrt(3.0), 1e-12);
        const CurvePoint q = BCurve(2, t);
        EXPECT_NEAR(std::hypot(q.x, q.y), 1, 1e-12);
    }
    // Squircle and wide triangle: the sine bump's height at the middle.
    EXPECT_NEAR(WidthOfLensAt(3, 0.5), 2 * std::sqrt(2.0) / M_PI, 1e-12);
    EXPECT_NEAR(WidthOfLensAt(5, 0.5), 2 * std::sqrt(3.0) / (std::sqrt(3.0) * M_PI), 1e-12);
    // Kjarkatri: A(1/2) at 45 % of the plain triangle's distance from the centre.
    const CurvePoint k = ACurve(6, 0.5), a = ACurve(1, 0.5);
    EXPECT_NEAR(std::hypot(k.x, k.y), 0.45 * std::hypot(a.x, a.y), 1e-12);
    // Pentagon: B is the arc through Q5 and Q1 tangent-reflected, all points
    // at one distance from the arc's centre.
    const CurvePoint p0 = BCurve(4, 0), p1 = BCurve(4, 0.5), p2 = BCurve(4, 1);
    const double ax = p1.x - p0.x, ay = p1.y - p0.y, bx = p2.x - p0.x, by = p2.y - p0.y;
    const double d = 2 * (ax * by - ay * bx);
    const double cx = p0.x + (by * (ax * ax + ay * ay) - ay * (bx * bx + by * by)) / d;
    const double cy = p0.y + (ax * (bx * bx + by * by) - bx * (ax * ax + ay * ay)) / d;
    const double r = std::hypot(p0.x - cx, p0.y - cy);
    for (double t : {0.2, 0.7}) EXPECT_NEAR(std::hypot(BCurve(4, t).x - cx, BCurve(4, t).y - cy), r, 1e-12);
}

TEST(OrigamiCurves, MirrorIdentitiesAndClockwiseMiddles) {
    MakeYang2DPoints();
    for (int s : kStyles) {
        const Outline o = OutlineOf(s);
        for (double t : {0.2, 0.5, 0.9}) {
            // C is A mirrored across corner 1's axis, the y axis.
            const CurvePoint a = ACurve(s, t), c = CCurve(s, t);
            EXPECT_NEAR(c.x, -a.x, 1e-12) << s;
            EXPECT_NEAR(c.y, a.y, 1e-12) << s;
            EXPECT_NEAR(WidthOfHatAt(s, t), 2 * std::fabs(a.x), 1e-12) << s;
        }
        // The middles of sides C and A, next in the central polygon's order:
        // A's is C's turned clockwise by 360°/n.
        const std::vector<CurvePoint> mids = {CCurve(s, 0.5), ACurve(s, 0.5)};
        for (size_t k = 0; k + 1 < mids.size(); ++k) {
            const double turn = std::atan2(mids[k + 1].y, mids[k + 1].x) - std::atan2(mids[k].y, mids[k].x);
            EXPECT_NEAR(std::remainder(turn, 2 * M_PI), -2 * M_PI / o.n, 1e-12) << s << " " << k;
            EXPECT_NEAR(std::hypot(mids[k].x, mids[k].y), std::hypot(mids[k + 1].x, mids[k + 1].y), 1e-12) << s;
        }
    }
    // Styles outside 2..6 are the triangle's.
    for (int s : {-1, 0, 7}) {
        EXPECT_EQ(ACurve(s, 0.3).x, ACurve_tri(0.3).x);
        EXPECT_EQ(CCurve(s, 0.3).y, CCurve_tri(0.3).y);
    }
}

}  // namespace
