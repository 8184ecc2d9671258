// The twirl is a rotation: it keeps lengths, its matrix is orthonormal with
// determinant 1, turns about one axis compose by adding angles, and zero
// twirl is the identity.
#include "projections/twirl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

tumbletype Twirl(float a1, float a2, float a3) {
    tumbletype t;
    InitTwirlTranformation_core(&t, a1, a2, a3, 0);
    return t;
}

void Apply(const tumbletype& t, float p[3], long mode = 1) { TwirlTransform(&t, mode, p); }

TEST(Twirl, ZeroTwirlIsTheIdentity) {
    tumbletype t = Twirl(0, 0, 0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(t.combined[i][j], i == j ? 1.0f : 0.0f);
    float p[3] = {0.6f, -0.48f, 0.64f};
    Apply(t, p);
    EXPECT_EQ(p[0], 0.6f);
    EXPECT_EQ(p[1], -0.48f);
    EXPECT_EQ(p[2], 0.64f);
    // Only the exact identity lets the road skip the turn.
    EXPECT_TRUE(t.turnsNothing);
    for (float a : {1e-3f, 0.5f, -2.0f}) {
        EXPECT_FALSE(Twirl(a, 0, 0).turnsNothing) << a;
        EXPECT_FALSE(Twirl(0, a, 0).turnsNothing) << a;
        EXPECT_FALSE(Twirl(0, 0, a).turnsNothing) << a;
    }
}

TEST(Twirl, IsARotationForRandomAngles) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> ang(-3.2f, 3.2f), c(-1, 1);
    for (int k = 0; k < 50; ++k) {
        tumbletype t = Twirl(ang(rng), ang(rng), ang(rng));
        const auto& m = t.combined;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                double d = 0;
                for (int n = 0; n < 3; ++n) d += m[i][n] * m[j][n];
                EXPECT_NEAR(d, i == j ? 1.0 : 0.0, 2e-6);
            }
        const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        EXPECT_NEAR(det, 1.0, 2e-6);
        float p[3] = {c(rng), c(rng), c(rng)};
        const double n0 = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        Apply(t, p);
        EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), n0, 2e-6);
    }
}

TEST(Twirl, TurnsAboutOneAxisComposeByAddingAngles) {
    const float a = 0.4f, b = 1.1f;
    for (int axis = 0; axis < 3; ++axis) {
        auto make = [&](float x) {
            return axis == 0 ? Twirl(x, 0, 0) : axis == 1 ? Twirl(0, x, 0) : Twirl(0, 0, x);
        };
        tumbletype ta = make(a), tb = make(b), tab = make(a + b);
        float p[3] = {0.36f, 0.48f, 0.8f}, q[3] = {0.36f, 0.48f, 0.8f};
        Apply(ta, p);
        Apply(tb, p);
        Apply(tab, q);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], q[i], 2e-6) << axis;
    }
}

TEST(Twirl, FirstAngleTurnsAboutXSecondAboutY) {
    // Row-vector convention: p' = p M. A quarter turn about x moves +y to +z.
    tumbletype tx = Twirl(static_cast<float>(M_PI / 2), 0, 0);
    float p[3] = {0, 1, 0};
    Apply(tx, p);
    EXPECT_NEAR(p[0], 0, 1e-6);
    EXPECT_NEAR(p[1], 0, 1e-6);
    EXPECT_NEAR(p[2], -1, 1e-6);
    tumbletype ty = Twirl(0, static_cast<float>(M_PI / 2), 0);
    float q[3] = {0, 0, 1};
    Apply(ty, q);
    EXPECT_NEAR(q[0], -1, 1e-6);
    EXPECT_NEAR(q[2], 0, 1e-6);
}

TEST(Twirl, ThirdAxisFollowsTheFirstTwoTurns) {
    tumbletype t = Twirl(0, 0, 0.7f);
    EXPECT_FLOAT_EQ(t.axis[0], 0);
    EXPECT_FLOAT_EQ(t.axis[1], 0);
    EXPECT_FLOAT_EQ(t.axis[2], 1);
    tumbletype u = Twirl(static_cast<float>(M_PI / 2), 0, 0.3f);
    EXPECT_NEAR(u.axis[0], 0, 1e-6);
    EXPECT_NEAR(u.axis[1], 1, 1e-6);
    EXPECT_NEAR(u.axis[2], 0, 1e-6);
    // The axis itself is fixed by the third turn.
    tumbletype w = Twirl(0.5f, -0.8f, 0.0f), w3 = Twirl(0.5f, -0.8f, 1.3f);
    float a[3] = {w.axis[0], w.axis[1], w.axis[2]};
    float b[3] = {a[0], a[1], a[2]};
    // Row form: the third turn is applied after the first two, so compare
    // the images of the axis's pre-image; both twirls agree there.
    float pre[3] = {0, 0, 1};
    float p1[3] = {pre[0], pre[1], pre[2]}, p2[3] = {pre[0], pre[1], pre[2]};
    Apply(w, p1);
    Apply(w3, p2);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(p1[i], p2[i], 2e-6);
    (void)b;
}

TEST(Twirl, ModePreWarps) {
    tumbletype id = Twirl(0, 0, 0);
    float p[3] = {1, 0, 0};
    Apply(id, p, 408);
    EXPECT_NEAR(p[0], std::cos(20 * M_PI / 180), 1e-6);
    EXPECT_NEAR(p[2], -std::sin(20 * M_PI / 180), 1e-6);
    // The half-opening warp keeps the centre and doubles angles about y.
    float c[3] = {0, 0, 1};
    Apply(id, c, 134);
    EXPECT_NEAR(c[2], 1, 1e-6);
    float q[3] = {-0.7071068f, 0, 0.7071068f};  // 45 degrees east of the centre
    Apply(id, q, 143);
    EXPECT_NEAR(q[0], -1, 1e-5);
    EXPECT_NEAR(q[2], 0, 1e-5);
    float r[3] = {0.36f, 0.48f, 0.8f}, s[3] = {0.36f, 0.48f, 0.8f};
    PerformFreakyTransformationsOfSource(r, 5);
    EXPECT_EQ(r[0], s[0]);
}

}  // namespace
