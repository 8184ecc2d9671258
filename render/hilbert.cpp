#include "render/hilbert.h"

void rot(int64_t n, int64_t* x, int64_t* y, int64_t rx, int64_t ry) {
    if (ry == 0) {
        if (rx == 1) {
            *x = n - 1 - *x;
            *y = n - 1 - *y;
        }
        const int64_t t = *x;
        *x = *y;
        *y = t;
    }
}

void d2xy(int64_t n, int64_t d, int64_t* x, int64_t* y) {
    int64_t t = d;
    *x = *y = 0;
    for (int64_t s = 1; s < n; s *= 2) {
        const int64_t rx = 1 & (t / 2);
        const int64_t ry = 1 & (t ^ rx);
        rot(s, x, y, rx, ry);
        *x += s * rx;
        *y += s * ry;
        t /= 4;
    }
}
