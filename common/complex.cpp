// The complex functions that are too large to inline: n-th roots and the
// inverse trigonometric and hyperbolic functions.
#include "common/complex.h"

#include <numbers>

// -i * w
static inline fcomplex times_minus_i(fcomplex w) { return Cspin90degrees(w); }

fcomplex Carcsin(fcomplex z) {
    const fcomplex zz = Csquare(z);
    const fcomplex root = Csqrt({1.0 - zz.re, -zz.im});
    return times_minus_i(Clog(Cadd(Ctimesi(z), root)));
}
