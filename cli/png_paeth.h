// Paeth's predictor of the PNG filters, 16 bytes at a time in SSE2 lanes:
// the reader unfilters with it and the writer weighs and writes it.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

inline __m128i Abs16(__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)); }

// Paeth's prediction from a (left), b (above) and c (above left) in 16-bit lanes.
inline __m128i PaethPrediction(__m128i a, __m128i b, __m128i c) {
    const __m128i pa = Abs16(_mm_sub_epi16(b, c)), pb = Abs16(_mm_sub_epi16(a, c)),
                  pc = Abs16(_mm_sub_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, c)));
    // b unless c is nearer; a when it is at least as near as both.
    const __m128i takeC = _mm_cmpgt_epi16(pb, pc);
    const __m128i bc = _mm_or_si128(_mm_andnot_si128(takeC, b), _mm_and_si128(takeC, c));
    const __m128i takeBC = _mm_cmpgt_epi16(pa, _mm_min_epi16(pb, pc));
    return _mm_or_si128(_mm_andnot_si128(takeBC, a), _mm_and_si128(takeBC, bc));
}

// Paeth's prediction of 16 bytes at once.
inline __m128i PaethPredictionOfBytes(__m128i a, __m128i b, __m128i c) {
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(
        PaethPrediction(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero)),
        PaethPrediction(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero)));
}
#endif
