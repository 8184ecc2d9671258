// What the processor offers beyond the build's baseline, asked once.
#pragma once

// Whether the processor has 256-bit lanes (AVX2). The loops written for them
// make the same IEEE operations, in the same order, as their 128-bit or
// scalar siblings, only more at a time, and fuse no multiply into a sum: the
// same bits.
bool ProcessorHasWideLanes();

// Whether the processor can shuffle the bytes of a vector (SSSE3).
bool ProcessorHasByteShuffles();
