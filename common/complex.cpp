// The complex functions that are too large to inline: n-th roots and the
// inverse trigonometric and hyperbolic functions.
#include "common/complex.h"

#include <numbers>

void CNthRoot(int n, fcomplex* roots, fcomplex z) {
    if (n < 1) return;
    const double x = z.re, y = z.im;
    // Exact moduli and arguments on the axes, so that roots of real and
    // imaginary numbers come out on the axes they belong to.
    double modulus;
    if (y == 0.0)
        modulus = std::pow(std::fabs(x), 1.0 / n);
    else if (x == 0.0)
        modulus = std::pow(std::fabs(y), 1.0 / n);
    else
        modulus = std::pow(x * x + y * y, 1.0 / (2.0 * n));
    double theta;
    if (y == 0.0)
        theta = x >= 0.0 ? 0.0 : std::numbers::pi;
    else if (x == 0.0)
        theta = y > 0.0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
    else
        theta = std::atan2(y, x);
    double angle = theta / n;
    const double step = 2.0 * std::numbers::pi / n;
    for (int k = 0; k < n; ++k) {
        roots[k] = Cscale(Cspun(angle), modulus);
        angle += step;
    }
}

// -i * w
static inline fcomplex times_minus_i(fcomplex w) { return Cspin90degrees(w); }

fcomplex Carcsin(fcomplex z) {
    const fcomplex zz = Csquare(z);
    const fcomplex root = Csqrt({1.0 - zz.re, -zz.im});
    return times_minus_i(Clog(Cadd(Ctimesi(z), root)));
}

fcomplex Carccos(fcomplex z) {
    const fcomplex zz = Csquare(z);
    const fcomplex root = Csqrt({1.0 - zz.re, -zz.im});
    return times_minus_i(Clog(Cadd(z, Ctimesi(root))));
}

fcomplex CArcSinh(fcomplex z) {
    const fcomplex zz = Csquare(z);
    return Clog(Cadd(z, Csqrt({zz.re + 1.0, zz.im})));
}

fcomplex CArcCosh(fcomplex z) {
    const fcomplex root = Cmul(Csqrt({z.re + 1.0, z.im}), Csqrt({z.re - 1.0, z.im}));
    return Clog(Cadd(z, root));
}

fcomplex CarcTanh(fcomplex z) {
    const fcomplex a = Clog({1.0 + z.re, z.im});
    const fcomplex b = Clog({1.0 - z.re, -z.im});
    return Cscale(Csub(a, b), 0.5);
}

fcomplex CArcCsch(fcomplex z) {
    const fcomplex r = Cinv(z);
    const fcomplex rr = Csquare(r);
    return Clog(Cadd(r, Csqrt({rr.re + 1.0, rr.im})));
}
