// Writes projections/generated/hyperbolic_tables.cpp: the conformal tables of
// the hyperbolic tilings {3,9}, {4,8} and {5,4} (cache tags 17, 18, 19).
//
//   build/generators/gen_hyperbolic_tables > projections/generated/hyperbolic_tables.cpp
//
// The central cell of the {p,q} tiling of the Poincare disc has vertex radius
// R = sqrt(cos(pi/p + pi/q) / cos(pi/p - pi/q)); its edge k lies on a circle
// orthogonal to the unit circle whose centre C lies on the ray from the disc
// centre O through the edge's chord midpoint M. That circle crosses the ray
// at H. The hyperbolic fundamental triangle O, V, H (angles pi/p at O, pi/q at
// the vertex V, pi/2 at H; straight sides O-V and O-H, the arc H-V) is mapped
// conformally onto the flat triangle O, V, M (angles pi/p, pi/2 - pi/p, pi/2)
// with O, V, H going to O, V, M. The map is the composition of two Schwarz
// triangle maps of the upper half plane, both with O at 0, V at 1 and H or M
// at infinity:
//
//   curved: s(w) = k w^(1/p) F(a-c+1, b-c+1; 2-c; w) / F(a, b; c; w),
//           c = 1 - 1/p, a = (1/2 - 1/p - 1/q) / 2, b = a + 1/2
//           (the ratio of two solutions of the hypergeometric equation; k
//           puts s(1) on V);
//   flat:   z(w) = C int_0^w t^(1/p - 1) (1 - t)^(beta - 1) dt,
//           beta = 1/2 - 1/p (Schwarz-Christoffel; C puts z(1) on V).
//
// Two such charts are used: the one above, and the one with H (and M) at 1
// and V at infinity (c - a - b = 1/2, b - a = 1/q; flat angle 1/2 at 1); each
// point is mapped by the chart whose corner at infinity is the farther one.
// Each chart works in its own frame (O = 0, its corner "one" on the real
// axis). For a sample point P of the curved triangle, the
// preimage w and z(w) are found by integrating dw/ds = 1/s'(w) and
// dz/ds = z'(w)/s'(w) along the straight segment from a point P0 near O on
// the same ray (fourth-order Runge-Kutta; the hypergeometric solutions are
// carried along through their differential equation). P0 is solved by Newton
// steps on the power series at 0, where |w| is about 0.2. The triangle is
// star-shaped about O, so the segment stays inside it. Corners take their
// exact images. Accuracy: better than 1e-6 in (c0, c1) except on the few
// samples next to H, where the solutions' derivatives grow like 1/|s - H| on
// the path and the entries stay within 2e-4.
//
// The entry of every table is the image's (c0, c1) in the frame
// M + (V - M) c0 + (O - M) c1. Sampling frames, as the consumers read them:
//
// hyperbolic_3_9_freezedried (tag 17; 40 x 40, cells with column + row < 40):
//   (column, row) / 39 = (s, t), the sample point P = M + (V - M) s + (O - M) t
//   in the flat triangle of the cell of vertex radius 1 (the folded point
//   divided by R). Points beyond the arc (between the arc and the segment
//   M-V) are inverted in the edge circle, mapped, and their image reflected
//   in the line M-V (the reflection principle: the arc goes onto M-V).
//
// hyperbolic_4_8_freezedried (tag 18; 40 x 40, every cell) and
// hyperbolic_5_4_freezedried (tag 19; 42 x 42, every cell):
//   (column, row) / (n - 1) = (b1, b0), the coordinates of the tiling's
//   FlipSpinAndRecoverBarys: seen from the edge circle's centre C (on the
//   positive x axis, V above it), the direction of P - C turns from the
//   direction of O (b1 = 0) to that of V (b1 = 1); along it, b0 runs from 0 on
//   the arc to 1 on the segment O-V. The row b1 = 1 is the single point V.
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/float_tables.h"

namespace {

using cd = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;

constexpr int kSeriesTerms = 80;         // power series at 0, used for |w| <= 0.3
constexpr double kStartModulus = 0.2;    // |w| of the integration's starting point
constexpr int kNewtonLimit = 40;
constexpr double kInwardNudge = 1e-11;
constexpr double kNewtonTolerance = 1e-15;
constexpr int kRungeKuttaSteps = 1000;  // along each segment

// Gauss's hypergeometric series F(a, b; c; w) and its derivative.
void Hypergeometric(double a, double b, double c, cd w, cd* f, cd* df) {
    cd term = 1.0, sum = 1.0, dsum = 0.0;
    for (int n = 0; n < kSeriesTerms; ++n) {
        // term = (a)_n (b)_n / ((c)_n n!) w^n
        const cd next = term * ((a + n) * (b + n) / ((c + n) * (n + 1.0))) * w;
        dsum += term * ((a + n) * (b + n) / (c + n));  // d/dw of the next term
        term = next;
        sum += term;
    }
    *f = sum;
    *df = dsum;
}

// One Schwarz chart of the fundamental triangle: O at w = 0, the corner
// "one" (V or H; flat image V or M) at w = 1 on the real axis, the other
// corner at infinity in the direction pi/p.
struct Chart {
    int p;
    double lambda;    // 1/p
    double a, b, c;   // hypergeometric parameters of the curved triangle
    double beta;      // flat angle at the corner "one", over pi
    double k;         // scale of s: s(1) = the curved corner
    double C;         // scale of z: z(1) = the flat corner
};

double Beta(double x, double y) { return std::exp(std::lgamma(x) + std::lgamma(y) - std::lgamma(x + y)); }

// Angles over pi: curved at "one" and at infinity, flat at "one"; the
// distances of the curved and flat corners "one" from O.
Chart MakeChart(int p, double oneAngle, double infinityAngle, double flatOneAngle, double curvedOne,
                double flatOne) {
    Chart t{};
    t.p = p;
    t.lambda = 1.0 / p;
    t.c = 1.0 - t.lambda;
    t.a = (t.c - oneAngle - infinityAngle) / 2.0;
    t.b = t.a + infinityAngle;
    t.beta = flatOneAngle;
    // F(1) and G(1) by Gauss's summation.
    const double F1 = std::exp(std::lgamma(t.c) + std::lgamma(t.c - t.a - t.b) - std::lgamma(t.c - t.a) -
                               std::lgamma(t.c - t.b));
    const double G1 = std::exp(std::lgamma(2.0 - t.c) + std::lgamma(t.c - t.a - t.b) - std::lgamma(1.0 - t.a) -
                               std::lgamma(1.0 - t.b));
    t.k = curvedOne / (G1 / F1);
    t.C = flatOne / Beta(t.lambda, t.beta);
    return t;
}

// The tiling's geometry in the canonical frame: O = 0, the edge circle's
// centre C = d on the positive x axis, H = d - r, M = R cos(pi/p), V at the
// angle pi/p. Two charts: V at w = 1 (used near V) and H at w = 1 (elsewhere),
// so that the corner at infinity, where the integration is stiff, is always
// the far one.
struct Tiling {
    int p, q;
    double R, d, r;
    Chart nearV, nearH;
};

Tiling MakeTiling(int p, int q) {
    Tiling t{};
    t.p = p, t.q = q;
    const double A = kPi / p, B = kPi / q;
    t.R = std::sqrt(std::cos(A + B) / std::cos(A - B));
    t.d = (t.R * t.R + 1.0) / (2.0 * t.R * std::cos(A));
    t.r = std::sqrt(t.d * t.d - 1.0);
    t.nearV = MakeChart(p, 1.0 / q, 0.5, 0.5 - 1.0 / p, t.R, t.R);
    t.nearH = MakeChart(p, 0.5, 1.0 / q, 0.5, t.d - t.r, t.R * std::cos(A));
    return t;
}

// Two solutions y1 = F(a, b; c; w), y2 = w^lambda F(a-c+1, b-c+1; 2-c; w)
// with derivatives, by the series (|w| small).
struct Solutions {
    cd y1, dy1, y2, dy2;
};
Solutions SeriesSolutions(const Chart& t, cd w) {
    cd F, dF, G, dG;
    Hypergeometric(t.a, t.b, t.c, w, &F, &dF);
    Hypergeometric(t.a - t.c + 1.0, t.b - t.c + 1.0, 2.0 - t.c, w, &G, &dG);
    const cd wl = std::pow(w, t.lambda);
    return {F, dF, wl * G, t.lambda * wl / w * G + wl * dG};
}

cd CurvedOf(const Chart& t, const Solutions& s) { return t.k * s.y2 / s.y1; }
cd CurvedDerivative(const Chart& t, const Solutions& s) {
    return t.k * (s.y1 * s.dy2 - s.y2 * s.dy1) / (s.y1 * s.y1);
}
// z(w) by the series w^lambda / lambda F(lambda, 1 - beta; lambda + 1; w).
cd FlatBySeries(const Chart& t, cd w) {
    cd F, dF;
    Hypergeometric(t.lambda, 1.0 - t.beta, t.lambda + 1.0, w, &F, &dF);
    return t.C * std::pow(w, t.lambda) / t.lambda * F;
}
cd FlatDerivative(const Chart& t, cd w) {
    return t.C * std::pow(w, t.lambda - 1.0) * std::pow(1.0 - w, t.beta - 1.0);
}

// Second derivative from the hypergeometric equation
// w (1 - w) y'' + (c - (a + b + 1) w) y' - a b y = 0.
cd SecondDerivative(const Chart& t, cd w, cd y, cd dy) {
    return ((t.a + t.b + 1.0) * w * dy - t.c * dy + t.a * t.b * y) / (w * (1.0 - w));
}

// The state carried along a segment: w, both solutions, z.
struct State {
    cd w, y1, dy1, y2, dy2, z;
};
State Rate(const Chart& t, const State& s, cd ds) {
    const Solutions sol{s.y1, s.dy1, s.y2, s.dy2};
    const cd dw = ds / CurvedDerivative(t, sol);
    return {dw,
            s.dy1 * dw,
            SecondDerivative(t, s.w, s.y1, s.dy1) * dw,
            s.dy2 * dw,
            SecondDerivative(t, s.w, s.y2, s.dy2) * dw,
            FlatDerivative(t, s.w) * dw};
}
State Axpy(const State& s, const State& k, double h) {
    return {s.w + h * k.w, s.y1 + h * k.y1, s.dy1 + h * k.dy1, s.y2 + h * k.y2, s.dy2 + h * k.dy2, s.z + h * k.z};
}

// w with s(w) = P for |w| small, by Newton on the series.
cd SolveNearCentre(const Chart& t, cd P) {
    cd w = std::pow(P / t.k, double(t.p));
    for (int i = 0; i < kNewtonLimit; ++i) {
        const Solutions s = SeriesSolutions(t, w);
        const cd step = (CurvedOf(t, s) - P) / CurvedDerivative(t, s);
        w -= step;
        if (std::abs(step) < kNewtonTolerance * std::abs(w)) break;
    }
    return w;
}

// The flat image of a point P of the curved triangle in the chart's frame.
cd ChartImage(const Chart& t, cd P) {
    const double rho = std::abs(P);
    const double startRadius = t.k * std::pow(kStartModulus, t.lambda);
    if (rho <= startRadius) return FlatBySeries(t, SolveNearCentre(t, P));
    const cd P0 = P * (startRadius / rho);
    const cd w0 = SolveNearCentre(t, P0);
    const Solutions s0 = SeriesSolutions(t, w0);
    State s{w0, s0.y1, s0.dy1, s0.y2, s0.dy2, FlatBySeries(t, w0)};
    const cd ds = P - P0;
    const double h = 1.0 / kRungeKuttaSteps;
    for (int i = 0; i < kRungeKuttaSteps; ++i) {
        const State k1 = Rate(t, s, ds);
        const State k2 = Rate(t, Axpy(s, k1, h / 2), ds);
        const State k3 = Rate(t, Axpy(s, k2, h / 2), ds);
        const State k4 = Rate(t, Axpy(s, k3, h), ds);
        s = Axpy(s, k1, h / 6);
        s = Axpy(s, k2, h / 3);
        s = Axpy(s, k3, h / 3);
        s = Axpy(s, k4, h / 6);
    }
    return s.z;
}

// The flat image of a point P of the curved triangle, canonical frame.
cd FlatImage(const Tiling& t, cd P) {
    const double A = kPi / t.p;
    const cd V = std::polar(t.R, A), H = t.d - t.r;
    if (std::abs(P) < 1e-14) return 0.0;
    if (std::abs(P - V) < 1e-14) return V;
    if (std::abs(P - H) < 1e-14) return t.R * std::cos(A);
    // Sides lie on the branch cuts of the charts' powers: pull every point a
    // hair towards the interior point G (the triangle is star-shaped about it).
    const cd G = 0.25 * (V + H);
    P += kInwardNudge * (G - P);
    if (std::abs(P - H) <= std::abs(P - V)) return ChartImage(t.nearH, P);
    // The V chart has V on the real axis: mirror in the bisector of the angle at O.
    const cd turn = std::polar(1.0, A);
    return turn * std::conj(ChartImage(t.nearV, turn * std::conj(P)));
}

// (c0, c1) of z in the frame M + (V - M) c0 + (O - M) c1.
void FrameWeights(const Tiling& t, cd z, double* c0, double* c1) {
    const double A = kPi / t.p;
    const cd V = std::polar(t.R, A), M = t.R * std::cos(A);
    const cd e0 = V - M, e1 = -M, g = z - M;
    const double det = e0.real() * e1.imag() - e0.imag() * e1.real();
    *c0 = (g.real() * e1.imag() - g.imag() * e1.real()) / det;
    *c1 = (e0.real() * g.imag() - e0.imag() * g.real()) / det;
}

void Push(Table& t, double c0, double c1) {
    t.values.push_back(static_cast<float>(c0));
    t.values.push_back(static_cast<float>(c1));
}

// {3,9}: samples at affine (s, t) of the flat triangle of vertex radius 1.
Table TriangleTable() {
    const Tiling T = MakeTiling(3, 9);
    constexpr int n = 40;
    const double A = kPi / 3;
    const cd V = std::polar(T.R, A), M = T.R * std::cos(A), C = T.d;
    Table tab{"hyperbolic_3_9_freezedried",
              "{3,9}: (column, row) / 39 = (s, t) of M + (V - M) s + (O - M) t; entry (c0, c1) of the image; "
              "column + row < 40.",
              {}};
    for (int row = 0; row < n; ++row)
        for (int col = 0; col + row < n; ++col) {
            const double s = col / double(n - 1), u = row / double(n - 1);
            const cd P = M + (V - M) * s - M * u;
            cd Q = P - C;
            const bool beyond = std::abs(Q) < T.r;
            if (beyond) Q = T.r * T.r / std::conj(Q);  // inversion in the edge circle
            cd z = FlatImage(T, C + Q);
            if (beyond) {  // reflection in the line M-V
                const cd e = (V - M) / std::abs(V - M);
                z = M + e * e * std::conj(z - M);
            }
            double c0, c1;
            FrameWeights(T, z, &c0, &c1);
            Push(tab, c0, c1);
        }
    return tab;
}

// {4,8} and {5,4}: samples at (b1, b0).
Table SpinTable(int p, int q, int n, const char* name, const char* comment) {
    const Tiling T = MakeTiling(p, q);
    // The canonical frame: C on the positive x axis, V at the angle pi/p.
    const double A = kPi / p;
    const cd C = T.d, V = std::polar(T.R, A);
    double phiV = std::arg(V - C);
    if (phiV < 0) phiV += 2 * kPi;
    Table tab{name, comment, {}};
    for (int row = 0; row < n; ++row)
        for (int col = 0; col < n; ++col) {
            const double b1 = col / double(n - 1), b0 = row / double(n - 1);
            const double psi = phiV + (1.0 - b1) * (kPi - phiV);
            const cd dir = std::polar(1.0, psi);
            // X: the line from C along dir meets the line O-V.
            const cd e = V / std::abs(V);
            const double den = dir.real() * e.imag() - dir.imag() * e.real();
            const double lenX = col == n - 1 ? T.r : (C.real() * e.imag()) / -den;
            const double len = T.r + b0 * (lenX - T.r);
            const cd P = C + len * dir;
            const cd z = FlatImage(T, P);
            double c0, c1;
            FrameWeights(T, z, &c0, &c1);
            Push(tab, c0, c1);
        }
    return tab;
}

}  // namespace

int main() {
    std::printf("// Generated by tools/gen_hyperbolic_tables.cpp; do not edit.\n");
    std::printf("// Schwarz triangle maps of the hyperbolic fundamental triangles onto flat ones; series of %d\n",
                kSeriesTerms);
    std::printf("// terms, Runge-Kutta with %d steps per segment.\n", kRungeKuttaSteps);
    std::printf("#include \"projections/freezedried.h\"\n");
    Emit(TriangleTable());
    Emit(SpinTable(4, 8, 40, "hyperbolic_4_8_freezedried",
                   "{4,8}: (column, row) / 39 = (b1, b0); entry (c0, c1) of the image in M + (V - M) c0 + (O - M) c1."));
    Emit(SpinTable(5, 4, 42, "hyperbolic_5_4_freezedried",
                   "{5,4}: (column, row) / 41 = (b1, b0); entry (c0, c1) of the image in M + (V - M) c0 + (O - M) c1."));
    return 0;
}
