#include "projections/lens_views.h"

#include <cmath>

void DoGnomonic(float point[3], float u, float v, float f, float shift, float a) {
    float X, Y;
    if (a <= 1.0f) {
        X = -(u - 0.5f) / a;
        Y = -(v - 0.5f - shift);
    } else {
        X = -(u - 0.5f);
        Y = -(v - 0.5f - shift) * a;
    }
    X *= f;
    Y *= f;
    const float n = 1.0f / std::sqrt(X * X + Y * Y + 1.0f);
    point[0] = X * n;
    point[1] = Y * n;
    point[2] = n;
}
