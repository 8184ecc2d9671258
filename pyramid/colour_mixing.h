// The alpha-aware mix of two colours the supersampler blends samples with.
// Colours are four floats (red, green, blue, alpha), nominally 0..1. A pure
// function: any thread.
#pragma once


// R = the alpha-weighted mix of X and Y at t (t = 0 gives X, t = 1 gives Y);
// transparent black when neither side has any alpha. R may alias X or Y.
inline void AGetsColorMixtureBC4(float R[4], const float X[4], const float Y[4], float t) {
    const float alpha = Y[3] * t + static_cast<float>((1.0 - static_cast<double>(t)) * static_cast<double>(X[3]));
    if (!(alpha > 0.0f)) {
        R[0] = R[1] = R[2] = R[3] = 0.0f;
        return;
    }
    const float w = Y[3] * t / alpha;
    const float xa = X[3], ya = Y[3];
    for (int k = 0; k < 3; ++k) R[k] = X[k] + w * (Y[k] - X[k]);
    R[3] = xa + t * (ya - xa);
}
