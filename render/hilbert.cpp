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

int64_t xy2d(int64_t n, int64_t x, int64_t y) {
    int64_t d = 0;
    for (int64_t s = n / 2; s > 0; s /= 2) {
        const int64_t rx = (x & s) > 0;
        const int64_t ry = (y & s) > 0;
        d += s * s * ((3 * rx) ^ ry);
        rot(n, &x, &y, rx, ry);
    }
    return d;
}

void create_progressive_rendering_pattern(ProgressiveRecord* records, int64_t n) {
    if (n <= 0 || !records) return;
    for (int64_t i = 0; i < n * n; ++i) records[i].size = 0;
    if (n < 2) return;
    for (int64_t i = n * n - 1; i >= 0; --i) {
        int64_t size = records[i].size, x = records[i].x, y = records[i].y;
        for (int64_t k = n / 2; k >= 1; k /= 2) {
            const int64_t q = (i / k) / k + k;
            if (q == 1) size = n / k;
            else if (size < 2) size = 1;
            x += (((q / 2) % 2) * n / k) / 2;
            y += (((q - 1) % 2) * n / k) / 2;
        }
        records[i].size = int32_t(size);
        records[i].x = int32_t(x);
        records[i].y = int32_t(y);
    }
}
