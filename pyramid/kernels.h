// Resampling kernels carried by every pyramid.
#pragma once

struct sincType;

// Lanczos-2 averaged over sub-positions (the default kernel).
void initGaussianPyrTable_sinc(sincType* kernel);
// A narrow Gaussian that reaches exactly 0 at distance 2.
void initGaussianPyrTable_gauss(sincType* kernel);
