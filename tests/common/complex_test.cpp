#include "common/complex.h"

#include <gtest/gtest.h>

#include <complex>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using stdc = std::complex<double>;
constexpr double pi = std::numbers::pi;

stdc S(fcomplex z) { return {z.re, z.im}; }
fcomplex F(stdc z) { return {z.real(), z.imag()}; }

void ExpectNear(fcomplex got, fcomplex want, double tol, const std::string& what) {
    const double scale = std::max(1.0, std::abs(S(want)));
    EXPECT_NEAR(got.re, want.re, tol * scale) << what;
    EXPECT_NEAR(got.im, want.im, tol * scale) << what;
}

// Points in all four quadrants that keep clear of every branch cut (they all
// lie on the axes) and of the poles of tan, cot, sec and csc.
std::vector<fcomplex> SamplePoints() {
    std::vector<fcomplex> pts;
    const double vals[] = {-2.7, -1.3, -0.6, -0.15, 0.15, 0.6, 1.3, 2.7};
    for (double x : vals)
        for (double y : vals) pts.push_back({x, y});
    return pts;
}

struct Unary {
    const char* name;
    std::function<fcomplex(fcomplex)> ours;
    std::function<stdc(stdc)> reference;
};

TEST(Complex, ElementaryFunctionsAgreeWithStdComplexAwayFromCuts) {
    const stdc one(1.0, 0.0);
    const std::vector<Unary> table = {
        {"Cinv", Cinv, [&](stdc z) { return one / z; }},
        {"Csquare", Csquare, [](stdc z) { return z * z; }},
        {"Ccube", Ccube, [](stdc z) { return z * z * z; }},
        {"Csqrt", Csqrt, [](stdc z) { return std::sqrt(z); }},
        {"Clog", Clog, [](stdc z) { return std::log(z); }},
        {"Cexp", Cexp, [](stdc z) { return std::exp(z); }},
        {"Csin", Csin, [](stdc z) { return std::sin(z); }},
        {"Ccos", Ccos, [](stdc z) { return std::cos(z); }},
        {"Ctan", Ctan, [](stdc z) { return std::tan(z); }},
        {"Ccot", Ccot, [&](stdc z) { return one / std::tan(z); }},
        {"Csec", Csec, [&](stdc z) { return one / std::cos(z); }},
        {"Ccsc", Ccsc, [&](stdc z) { return one / std::sin(z); }},
        {"Csinh", Csinh, [](stdc z) { return std::sinh(z); }},
        {"Ccosh", Ccosh, [](stdc z) { return std::cosh(z); }},
        {"Ctanh", Ctanh, [](stdc z) { return std::tanh(z); }},
        {"Ccsch", Ccsch, [&](stdc z) { return one / std::sinh(z); }},
        {"Csech", Csech, [&](stdc z) { return one / std::cosh(z); }},
        {"Carcsin", Carcsin, [](stdc z) { return std::asin(z); }},
    };
    for (const Unary& f : table)
        for (fcomplex z : SamplePoints())
            ExpectNear(f.ours(z), F(f.reference(S(z))), 1e-12,
                       std::string(f.name) + " at " + std::to_string(z.re) + "," +
                           std::to_string(z.im));
}

TEST(Complex, ArithmeticAndPowersAgreeWithStdComplex) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> d(-3.0, 3.0);
    for (int i = 0; i < 200; ++i) {
        const fcomplex z{d(rng), d(rng)}, w{d(rng), d(rng)};
        const double p = d(rng);
        ExpectNear(Cmul(z, w), F(S(z) * S(w)), 1e-14, "Cmul");
        ExpectNear(Cdiv(z, w), F(S(z) / S(w)), 1e-13, "Cdiv");
        ExpectNear(Cmulthree(z, w, z), F(S(z) * S(w) * S(z)), 1e-13, "Cmulthree");
        ExpectNear(Cpow(z, p), F(std::pow(S(z), p)), 1e-11, "Cpow");
        ExpectNear(CpowC(z, w), F(std::pow(S(z), S(w))), 1e-11, "CpowC");
        EXPECT_NEAR(Cabs(z), std::abs(S(z)), 1e-14);
        EXPECT_NEAR(Cmag(z), std::abs(S(z)), 1e-14);
        EXPECT_DOUBLE_EQ(atan2C(z), std::arg(S(z)));
        // exp(log z) = z, and the principal root squared gives z back.
        ExpectNear(Cexp(Clog(z)), z, 1e-14, "exp log");
        ExpectNear(Csquare(Csqrt(z)), z, 1e-14, "sqrt squared");
        EXPECT_GE(Csqrt(z).re, 0.0);
    }
}

TEST(Complex, PrincipalBranchChoices) {
    // The negative real axis: +i*sqrt|x| for either sign of zero (std::sqrt
    // gives -2i for -4 - 0i; the projections rely on the upper root).
    ExpectNear(Csqrt({-4.0, 0.0}), {0.0, 2.0}, 0, "sqrt(-4)");
    ExpectNear(Csqrt({-4.0, -0.0}), {0.0, 2.0}, 0, "sqrt(-4 - 0i)");
    ExpectNear(Csqrt({0.0, 0.0}), {0.0, 0.0}, 0, "sqrt(0)");
    ExpectNear(Csqrt({-3.0, -4.0}), {1.0, -2.0}, 1e-15, "sqrt(-3-4i)");
    ExpectNear(Csqrt({1e-300, 1e-300}), F(std::sqrt(stdc(1e-300, 1e-300))), 1e-15, "tiny sqrt");
    EXPECT_DOUBLE_EQ(Clog({-1.0, 0.0}).im, pi);
    EXPECT_DOUBLE_EQ(Clog({-1.0, -0.0}).im, -pi);

    ExpectNear(Carcsin({0.5, 0}), {pi / 6, 0}, 1e-15, "asin 0.5");
}

TEST(Complex, ZeroAndDegenerateArguments) {
    for (double p : {2.0, 0.5, 0.0, -1.0, -2.5}) {
        EXPECT_EQ(Cpow({0, 0}, p), (fcomplex{0, 0})) << p;
        EXPECT_EQ(CpowC({0, 0}, {p, 1.0}), (fcomplex{0, 0})) << p;
    }
    const fcomplex q = Cdiv({1, 1}, {0, 0});
    EXPECT_FALSE(std::isfinite(q.re) && std::isfinite(q.im));
    EXPECT_EQ(CNormalizedVectorFromTo({2, 3}, {2, 3}), (fcomplex{1, 0}));
    ExpectNear(CNormalizedVectorFromTo({1, 1}, {4, 5}), {0.6, 0.8}, 1e-15, "unit");
    EXPECT_TRUE(std::isnan(Cnormalize({0, 0}).re));
    // Cabs keeps clear of overflow where the plain modulus does not.
    EXPECT_DOUBLE_EQ(Cabs({3e300, 4e300}), 5e300);
    EXPECT_TRUE(std::isinf(Cmag({3e300, 4e300})));
    EXPECT_EQ(Cabs({0, -2}), 2.0);
    EXPECT_EQ(Cabs({-2, 0}), 2.0);
}

TEST(Complex, DiscAndHalfPlaneMapsInvertEachOther) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    for (int i = 0; i < 200; ++i) {
        fcomplex a{d(rng), d(rng)}, z{d(rng), d(rng)};
        if (Cmag(a) >= 0.95 || Cmag(z) >= 0.95) continue;
        ExpectNear(automorphicDisk(a, a), {0, 0}, 1e-15, "a to 0");
        ExpectNear(automorphicDiskInverse({0, 0}, a), a, 1e-15, "0 to a");
        ExpectNear(automorphicDiskInverse(automorphicDisk(z, a), a), z, 1e-13, "disc round trip");
        ExpectNear(automorphicDisk(automorphicDiskInverse(z, a), a), z, 1e-13, "disc round trip 2");
        EXPECT_LT(Cmag(automorphicDisk(z, a)), 1.0);

        const fcomplex h = unit_circle_to_halfplane(z);
        EXPECT_GT(h.im, 0.0);
        EXPECT_GT(unit_circle_to_halfplane_PROPER(z).im, 0.0);
        ExpectNear(halfplane_to_unit_circle(h), z, 1e-13, "disc-half-disc");
        const fcomplex up{3 * d(rng), std::fabs(3 * d(rng)) + 0.01};
        ExpectNear(unit_circle_to_halfplane(halfplane_to_unit_circle(up)), up, 1e-11, "half-disc-half");
        // The "proper" map is the Cayley inverse composed with z -> -z.
        ExpectNear(unit_circle_to_halfplane_PROPER(z), unit_circle_to_halfplane(Cnegative(z)), 1e-13,
                   "proper");
    }
    ExpectNear(halfplane_to_unit_circle({0, 1}), {0, 0}, 0, "i to centre");
}

TEST(Complex, TurnsAndSmallHelpers) {
    const fcomplex z{2, 1};
    EXPECT_EQ(Cspin90degrees(z), (fcomplex{1, -2}));  // clockwise
    EXPECT_EQ(Ctimesi(z), (fcomplex{-1, 2}));         // anticlockwise
    ExpectNear(Ctimesi(z), Cmul({0, 1}, z), 0, "i*z");
    // The spin matrix turns by -theta.
    const double th = 0.7;
    ExpectNear(LeftMultiplyMV(SpinMat2FromRadians(th), z), Cmul(Cspun(-th), z), 1e-15, "spin");
    ExpectNear(LeftMultiplyMV({1, 2, 3, 4}, {1, 0}), {1, 2}, 0, "first column");
    ExpectNear(LeftMultiplyMV({1, 2, 3, 4}, {0, 1}), {3, 4}, 0, "second column");

    EXPECT_EQ(Cfloor({-0.5, 1.5}), (fcomplex{-1, 1}));
    EXPECT_EQ(Cfract({-0.25, 1.5}), (fcomplex{0.75, 0.5}));
    EXPECT_EQ(Csign({-3, 0}), (fcomplex{-1, 0}));
    EXPECT_EQ(Cmix({0, 0}, {2, 4}, 0.25), (fcomplex{0.5, 1}));
    EXPECT_EQ(Ccross_product({1, 0}, {0, 1}), 1.0);
    EXPECT_EQ(Cdot_product({1, 2}, {3, 4}), 11.0);
    EXPECT_EQ(Cdistance(1, 1, 4, 5), 5.0);
    EXPECT_EQ(Cmagcrude({-3, 2}), 3.0);
    EXPECT_EQ(Csquare_component({-3, 2}), (fcomplex{9, 4}));
    EXPECT_EQ(Caddthree({1, 2}, {3, 4}, {5, 6}), (fcomplex{9, 12}));
    EXPECT_EQ(Csubthree({1, 2}, {3, 4}, {5, 6}), (fcomplex{-7, -8}));
    double s, c;
    get_sincos(0.3, &s, &c);
    EXPECT_DOUBLE_EQ(s, std::sin(0.3));
    EXPECT_DOUBLE_EQ(c, std::cos(0.3));

    double v3[3] = {7, 8, 9};
    EXPECT_EQ(CFromVECTOR3D(v3), (fcomplex{7, 8}));
    VECTOR3DfromCGPoint(v3, CGPointFromComplex({1, 2}));
    EXPECT_EQ(v3[0], 1.0);
    EXPECT_EQ(v3[1], 2.0);
    EXPECT_EQ(v3[2], 0.0);
    EXPECT_EQ(ComplexFromCGPoint(CGPointFromVECTOR3D(v3)), (fcomplex{1, 2}));
}

}  // namespace
