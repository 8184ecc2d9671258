// Reading and writing single pixels of one level at integer coordinates.
// Reads bring outside coordinates in by the pyramid's edge rule; writes outside
// the level, into a pyramid without tiles or into a level that does not exist
// change nothing. No locks: concurrent tasks write disjoint pixels.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "pyramid/pyramid.h"

// ------------------------------------------------------------------ addressing

// True when level L exists and its tiles hold at least `bytes` per pixel, so an
// accessor of that width stays inside the blocks.
inline bool pyr_accessible(const PyramidDescriptor* pyr, int64_t L, int64_t bytes) {
    return pyr->tiles && static_cast<uint64_t>(L) < static_cast<uint64_t>(kPyramidLevels) &&
           L <= pyr->topLevel && pyr->bytesPerPixel >= bytes;
}

// Edge rule 1: wrapped once, and what is still outside goes to the nearest end.
inline int64_t pyr_wrap_once(int64_t x, int64_t n) {
    if (x >= n) {
        x -= n;
        return x < n ? x : n - 1;
    }
    if (x < 0) {
        x += n;
        return x > 0 ? x : 0;
    }
    return x;
}

inline int64_t pyr_clamp_index(int64_t x, int64_t max) { return x < 0 ? 0 : (x > max ? max : x); }

inline void pyr_apply_edge_rule(const PyramidDescriptor* pyr, int64_t L, int64_t& x, int64_t& y) {
    switch (pyr->edgeMode) {
        case 1:
            x = pyr_wrap_once(x, pyr->width[L]);
            y = pyr_wrap_once(y, pyr->height[L]);
            break;
        case 2:
            x = pyr_wrap_once(x, pyr->width[L]);
            y = pyr_clamp_index(y, pyr->maxY[L]);
            break;
        default:
            x = pyr_clamp_index(x, pyr->maxX[L]);
            y = pyr_clamp_index(y, pyr->maxY[L]);
    }
}

inline void pyr_clamp_to_level(const PyramidDescriptor* pyr, int64_t L, int64_t& x, int64_t& y) {
    x = pyr_clamp_index(x, pyr->maxX[L]);
    y = pyr_clamp_index(y, pyr->maxY[L]);
}

inline int64_t pyr_tile_index(const PyramidDescriptor* pyr, int64_t L, int64_t x, int64_t y) {
    return pyr->firstTile[L] + (x >> kTileShift) + (y >> kTileShift) * pyr->tilesPerRow[L];
}

inline int64_t pyr_index_in_tile(int64_t x, int64_t y) { return ((y << 9) & 0x3FE00) | (x & 0x1FF); }

// Address of pixel (x, y) of level L, the coordinates already inside the level.
inline uint8_t* pyr_pixel_address(const PyramidDescriptor* pyr, int64_t L, int64_t x, int64_t y,
                                  int64_t bytesPerPixel) {
    return static_cast<uint8_t*>(pyr->tiles[pyr_tile_index(pyr, L, x, y)].pixels) +
           pyr_index_in_tile(x, y) * bytesPerPixel;
}

inline bool pyr_writable(const PyramidDescriptor* pyr, int64_t L, int64_t x, int64_t y, int64_t bytes) {
    return pyr_accessible(pyr, L, bytes) && static_cast<uint64_t>(x) <= static_cast<uint64_t>(pyr->maxX[L]) &&
           static_cast<uint64_t>(y) <= static_cast<uint64_t>(pyr->maxY[L]);
}

template <class T>
inline T pyr_load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class T>
inline void pyr_store(uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

// Where pixel (x, y) beyond the edge of level L of a cube face lies on the
// face across that edge: that face, the pixel left of and above the point
// and the point's fractions towards the next column and row
// (pyramid/cube_corpus.cpp).
struct PyrCubeTexel {
    const PyramidDescriptor* face;
    int64_t x, y;
    float fx, fy;
};
PyrCubeTexel pyr_cube_face_across_edge(const PyramidDescriptor* face, int64_t L, int64_t x, int64_t y);
template <class T>
T pyr_read_across_cube_edge(int64_t x, int64_t y, const PyramidDescriptor* face, int64_t L);

// The smaller levels of a cube corpus's faces are built when a read first
// wants one, on that read's thread, while any other thread that wants them
// waits (pyramid/cube_corpus.cpp): a render that reads level 0 alone never
// pays for them. Every read of a level above 0 of a pyramid that may be a
// face asks for them first; for any other pyramid this is one test.
void BuildPendingCubeLevels(const PyramidDescriptor* face);
inline void pyr_want_smaller_levels(const PyramidDescriptor* pyr) {
    if (pyr->cubeFaces && __atomic_load_n(&pyr->cubeFaces->cubeLevelsPending, __ATOMIC_ACQUIRE))
        BuildPendingCubeLevels(pyr);
}

// One value of type T at the start of pixel (x, y): with the edge rule, or
// clamped to the level; T{} without tiles or when the pixels are narrower.
// The edge rule of a cube face reads across to the neighbouring face first.
template <class T>
inline T pyr_read_with_edge_rule(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L) {
    if (!pyr_accessible(pyr, L, sizeof(T))) return T{};
    if (pyr->cubeFaces && PointIsOutsideOfPyrLevel(x, y, pyr, L)) return pyr_read_across_cube_edge<T>(x, y, pyr, L);
    pyr_apply_edge_rule(pyr, L, x, y);
    return pyr_load<T>(pyr_pixel_address(pyr, L, x, y, pyr->bytesPerPixel));
}
template <class T>
inline T pyr_read_clamped(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L) {
    if (!pyr_accessible(pyr, L, sizeof(T))) return T{};
    pyr_clamp_to_level(pyr, L, x, y);
    return pyr_load<T>(pyr_pixel_address(pyr, L, x, y, pyr->bytesPerPixel));
}

// ------------------------------------------------------------ square blocks

// True when the N x N block with top-left pixel (x0, y0) lies inside level L
// and inside one tile, so it can be read straight from the tile's rows.
template <int N>
inline bool pyr_block_in_one_tile(const PyramidDescriptor* pyr, int64_t L, int64_t x0, int64_t y0) {
    return x0 >= 0 && x0 + N - 1 <= pyr->maxX[L] && (x0 & (kTileSide - 1)) <= kTileSide - N && y0 >= 0 &&
           y0 + N - 1 <= pyr->maxY[L] && (y0 & (kTileSide - 1)) <= kTileSide - N;
}

// The block row by row, straight from the tile (pyr_block_in_one_tile holds).
template <int N, class P>
inline void pyr_fetch_block_from_tile(const PyramidDescriptor* pyr, int64_t L, int64_t x0, int64_t y0,
                                      P (&pix)[N * N]) {
    const uint8_t* base = pyr_pixel_address(pyr, L, x0, y0, pyr->bytesPerPixel);
    const int64_t stride = kTileSide * pyr->bytesPerPixel;
    for (int r = 0; r < N; ++r) std::memcpy(&pix[r * N], base + r * stride, N * sizeof(P));
}

// ------------------------------------------------------- reads with edge rule

// The block at the given columns and rows, pixel by pixel through the edge rule.
template <int N, class P>
inline void pyr_fetch_block_with_edge_rule(const PyramidDescriptor* pyr, int64_t L, const int64_t cols[N],
                                           const int64_t rows[N], P (&pix)[N * N]) {
    for (int r = 0; r < N; ++r)
        for (int c = 0; c < N; ++c) pix[r * N + c] = pyr_read_with_edge_rule<P>(cols[c], rows[r], pyr, L);
}

inline uint8_t get_pyramid_sample_point1(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L) {
    return pyr_read_with_edge_rule<uint8_t>(x, y, pyr, L);
}

inline uint16_t get_pyramid_sample_point16bit(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L) {
    return pyr_read_with_edge_rule<uint16_t>(x, y, pyr, L);
}

inline float get_pyramid_sample_point_float(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L) {
    return pyr_read_with_edge_rule<float>(x, y, pyr, L);
}

inline uint32_t get_pyramid_sample_point4_raw(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L) {
    return pyr_read_with_edge_rule<uint32_t>(x, y, pyr, L);
}

// The N values of type T of pixel (x, y) with the edge rule (zeros without tiles).
template <class T, int N>
inline void pyr_read_components(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L, T (&v)[N]) {
    if (!pyr_accessible(pyr, L, sizeof v)) {
        for (T& e : v) e = T{};
        return;
    }
    pyr_apply_edge_rule(pyr, L, x, y);
    std::memcpy(v, pyr_pixel_address(pyr, L, x, y, pyr->bytesPerPixel), sizeof v);
}

// The four floats of a kind-9 pixel with the edge rule (zeros without tiles).
inline void get_pyramid_sample_point128bit_floats(int64_t x, int64_t y, const PyramidDescriptor* pyr,
                                                  int64_t L, float (&out)[4]) {
    pyr_read_components(x, y, pyr, L, out);
}

inline void get_pyramid_sample_pointFourShorts(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L,
                                               int64_t* c0, int64_t* c1, int64_t* c2) {
    int16_t v[3];
    pyr_read_components(x, y, pyr, L, v);
    *c0 = v[0], *c1 = v[1], *c2 = v[2];
}


// --------------------------------------------------------------- reads by kind

float get_intcoord_unitary_grey(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L);

// The stored pixel of each kind, as one value.
struct PyrShorts4 { uint16_t c[4]; };
struct PyrFloats4 { float c[4]; };
struct PyrNoPixel {};
template <int64_t Kind> struct PyrStored { using type = PyrNoPixel; };
template <> struct PyrStored<kPyrGrey8> { using type = uint8_t; };
template <> struct PyrStored<kPyrGrey16> { using type = uint16_t; };
template <> struct PyrStored<kPyrSingle16> { using type = uint16_t; };
template <> struct PyrStored<kPyrColour8> { using type = uint32_t; };
template <> struct PyrStored<kPyrColour16> { using type = PyrShorts4; };
template <> struct PyrStored<kPyrGreyFloat> { using type = float; };
template <> struct PyrStored<kPyrColourFloat> { using type = PyrFloats4; };

// Bilinear mix of four stored values (left-top, right-top, left-bottom,
// right-bottom) component by component, integers rounded; a value whose
// components this cannot tell (a 4-byte read of a kind other than packed
// colour, a read narrower than the pixel) is the nearest of the four.
template <class T>
inline T pyr_mix_stored(const T v[4], float fx, float fy, const PyramidDescriptor* pyr) {
    const float w[4] = {(1.0f - fx) * (1.0f - fy), fx * (1.0f - fy), (1.0f - fx) * fy, fx * fy};
    auto mix = [&](auto get) {
        float m = 0.0f;
        for (int k = 0; k < 4; ++k) m += w[k] * static_cast<float>(get(v[k]));
        return m;
    };
    T out = v[(fx > 0.5f ? 1 : 0) + (fy > 0.5f ? 2 : 0)];
    if constexpr (std::is_same_v<T, PyrFloats4>) {
        for (int c = 0; c < 4; ++c) out.c[c] = mix([c](const T& p) { return p.c[c]; });
    } else if constexpr (std::is_same_v<T, PyrShorts4>) {
        for (int c = 0; c < 4; ++c) out.c[c] = static_cast<uint16_t>(mix([c](const T& p) { return p.c[c]; }) + 0.5f);
    } else if constexpr (std::is_same_v<T, float>) {
        if (pyr->bytesPerPixel == 4) out = mix([](float p) { return p; });
    } else if constexpr (std::is_same_v<T, uint32_t>) {
        if (pyr->kind == kPyrColour8) {
            out = 0;
            for (int c = 0; c < 4; ++c)
                out |= static_cast<uint32_t>(mix([c](uint32_t p) { return (p >> (8 * c)) & 0xFF; }) + 0.5f) << (8 * c);
        }
    } else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, uint16_t>) {
        if (pyr->bytesPerPixel == static_cast<int64_t>(sizeof(T)))
            out = static_cast<T>(mix([](T p) { return p; }) + 0.5f);
    }
    return out;
}

// A pixel beyond a cube face's edge: the face across it, between its pixels.
template <class T>
T pyr_read_across_cube_edge(int64_t x, int64_t y, const PyramidDescriptor* face, int64_t L) {
    const PyrCubeTexel t = pyr_cube_face_across_edge(face, L, x, y);
    const PyramidDescriptor* pyr = t.face;
    if (!pyr_accessible(pyr, L, sizeof(T))) return T{};
    T v[4];
    for (int k = 0; k < 4; ++k) {
        int64_t i = t.x + (k & 1), j = t.y + (k >> 1);
        const PyramidDescriptor* from = pyr;
        // A neighbour of the point beyond that face's own edge (back on the
        // first face, or on a third by a corner): the nearest pixel there.
        if (PointIsOutsideOfPyrLevel(i, j, pyr, L)) {
            const PyrCubeTexel u = pyr_cube_face_across_edge(pyr, L, i, j);
            from = u.face;
            i = u.x + (u.fx > 0.5f ? 1 : 0);
            j = u.y + (u.fy > 0.5f ? 1 : 0);
            if (!pyr_accessible(from, L, sizeof(T))) from = pyr, i = t.x, j = t.y;
        }
        pyr_clamp_to_level(from, L, i, j);
        v[k] = pyr_load<T>(pyr_pixel_address(from, L, i, j, from->bytesPerPixel));
    }
    return pyr_mix_stored(v, t.fx, t.fy, pyr);
}

// A unit colour component and its coverage as a picture without
// transparency shows them: on white, as a picture flattened for saving lies,
// not on the stray colour a transparent pixel holds. The one backdrop of
// every such picture written (JPEG results, thumbnails, textures).
inline double FlattenedOnWhite(double unit, double alpha) { return unit * alpha + (1.0 - alpha); }

// A stored pixel of a kind known at compile time as a unit colour (red,
// green, blue, alpha in 0..1); grey reads as (g, g, g, 1), kinds without
// colour as zeros. s is the pyramid's invFullScale.
template <int64_t Kind>
inline void pyr_unit_from_stored(const typename PyrStored<Kind>::type& p, float s, float out[4]) {
    if constexpr (Kind == kPyrColour8) {
        out[0] = static_cast<float>(p >> 24) * s;
        out[1] = static_cast<float>((p >> 16) & 255) * s;
        out[2] = static_cast<float>((p >> 8) & 255) * s;
        out[3] = static_cast<float>(p & 255) * s;
    } else if constexpr (Kind == kPyrColour16) {
        for (int i = 0; i < 4; ++i) out[i] = static_cast<float>(p.c[i]) * s;
    } else if constexpr (Kind == kPyrColourFloat) {
        out[0] = p.c[0], out[1] = p.c[1], out[2] = p.c[2], out[3] = p.c[3];
    } else if constexpr (Kind == kPyrGreyFloat) {
        out[0] = out[1] = out[2] = p;
        out[3] = 1.0f;
    } else if constexpr (Kind == kPyrGrey8 || Kind == kPyrGrey16 || Kind == kPyrSingle16) {
        out[0] = out[1] = out[2] = static_cast<float>(p) * s;
        out[3] = 1.0f;
    } else {
        out[0] = out[1] = out[2] = out[3] = 0.0f;
    }
}

// The unit colour of pixel (x, y) of a kind known at compile time, with the
// edge rule.
template <int64_t Kind>
inline void pyr_unit_colour(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L, float out[4]) {
    using P = typename PyrStored<Kind>::type;
    if constexpr (std::is_same_v<P, PyrNoPixel>) {
        out[0] = out[1] = out[2] = out[3] = 0.0f;
    } else {
        pyr_unit_from_stored<Kind>(pyr_read_with_edge_rule<P>(x, y, pyr, L), pyr->invFullScale, out);
    }
}

// Calls f with the pixel kind as a compile-time constant, so per-pixel work
// picks its reader once for many pixels.
template <class F>
inline void pyr_dispatch_kind(int64_t kind, F f) {
    switch (kind) {
        case kPyrGrey8: f(std::integral_constant<int64_t, kPyrGrey8>{}); return;
        case kPyrGrey16: f(std::integral_constant<int64_t, kPyrGrey16>{}); return;
        case kPyrSingle16: f(std::integral_constant<int64_t, kPyrSingle16>{}); return;
        case kPyrColour8: f(std::integral_constant<int64_t, kPyrColour8>{}); return;
        case kPyrColour16: f(std::integral_constant<int64_t, kPyrColour16>{}); return;
        case kPyrGreyFloat: f(std::integral_constant<int64_t, kPyrGreyFloat>{}); return;
        case kPyrColourFloat: f(std::integral_constant<int64_t, kPyrColourFloat>{}); return;
        default: f(std::integral_constant<int64_t, -1>{});
    }
}

// Unit colour of any kind.
inline void get_intcoord_unitary_color(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L, float out[4]) {
    pyr_dispatch_kind(pyr->kind, [&](auto kind) { pyr_unit_colour<decltype(kind)::value>(x, y, pyr, L, out); });
}

// ---------------------------------------------------------------------- writes

inline void set_pyramid_sample_point1(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, int64_t v) {
    if (!pyr_writable(pyr, L, x, y, 1)) return;
    *pyr_pixel_address(pyr, L, x, y, 1) = static_cast<uint8_t>(v);
}

inline void set_pyramid_sample_point16bit(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, int64_t v) {
    if (!pyr_writable(pyr, L, x, y, 2)) return;
    pyr_store<uint16_t>(pyr_pixel_address(pyr, L, x, y, pyr->bytesPerPixel), static_cast<uint16_t>(v));
}

inline void set_pyramid_sample_point_grey32_as_long(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L,
                                                    uint32_t v) {
    if (!pyr_writable(pyr, L, x, y, 4)) return;
    pyr_store<uint32_t>(pyr_pixel_address(pyr, L, x, y, 4), v);
}

inline void set_pyramid_sample_point_float(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, float v) {
    if (!pyr_writable(pyr, L, x, y, 4)) return;
    pyr_store<float>(pyr_pixel_address(pyr, L, x, y, 4), v);
}

inline uint32_t pack_pyramid_word4(int64_t c0, int64_t c1, int64_t c2, int64_t c3) {
    return (static_cast<uint32_t>(c0) << 24) | ((static_cast<uint32_t>(c1) & 255) << 16) |
           ((static_cast<uint32_t>(c2) & 255) << 8) | (static_cast<uint32_t>(c3) & 255);
}

inline void set_pyramid_sample_point4_raw(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L,
                                          uint32_t word) {
    if (!pyr_writable(pyr, L, x, y, 4)) return;
    pyr_store<uint32_t>(pyr_pixel_address(pyr, L, x, y, 4), word);
}

inline void set_pyramid_sample_point4(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, int64_t c0,
                                      int64_t c1, int64_t c2, int64_t c3) {
    set_pyramid_sample_point4_raw(x, y, pyr, L, pack_pyramid_word4(c0, c1, c2, c3));
}

inline void alpha_set_pyramid_sample_point4(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, int64_t a) {
    if (!pyr_writable(pyr, L, x, y, 4)) return;
    uint8_t* p = pyr_pixel_address(pyr, L, x, y, 4);
    pyr_store<uint32_t>(p, (pyr_load<uint32_t>(p) & 0xFFFFFF00u) | (static_cast<uint32_t>(a) & 255));
}

// Writes the N values of pixel (x, y) when it lies inside the level.
template <class T, int N>
inline void pyr_write_components(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, const T (&v)[N]) {
    if (!pyr_writable(pyr, L, x, y, sizeof v)) return;
    std::memcpy(pyr_pixel_address(pyr, L, x, y, pyr->bytesPerPixel), v, sizeof v);
}

inline void set_pyramid_sample_point64bit(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, int64_t c0,
                                          int64_t c1, int64_t c2, int64_t c3) {
    const uint16_t v[4] = {static_cast<uint16_t>(c0), static_cast<uint16_t>(c1), static_cast<uint16_t>(c2),
                           static_cast<uint16_t>(c3)};
    pyr_write_components(x, y, pyr, L, v);
}

inline void set_pyramid_sample_point128bit(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, int64_t w0,
                                           int64_t w1, int64_t w2, int64_t w3) {
    const uint32_t v[4] = {static_cast<uint32_t>(w0), static_cast<uint32_t>(w1), static_cast<uint32_t>(w2),
                           static_cast<uint32_t>(w3)};
    pyr_write_components(x, y, pyr, L, v);
}

inline void set_pyramid_sample_point128bit_floats(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L,
                                                  float f0, float f1, float f2, float f3) {
    const float v[4] = {f0, f1, f2, f3};
    pyr_write_components(x, y, pyr, L, v);
}

inline void set_pyramid_sample_pointFourShorts(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L,
                                               int64_t c0, int64_t c1, int64_t c2) {
    const int16_t v[3] = {static_cast<int16_t>(c0), static_cast<int16_t>(c1), static_cast<int16_t>(c2)};
    pyr_write_components(x, y, pyr, L, v);
}

// --------------------------------------------------------------- writes by kind

// Integer components: kind 9 four words, 4 four 16-bit values, 3 the packed
// word, any other kind the grey write of c0.
void set_pyramid_sample_pointColor(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, int64_t c0,
                                   int64_t c1, int64_t c2, int64_t c3);
// Kind 0 byte, 5 the 32-bit word, 1 and 2 the 16-bit value.
void set_pyramid_sample_pointGray(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, int64_t g);
// Unit colour: integer kinds scale by the full scale and truncate.
void set_intcoord_unitary_color(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, const float c[4]);
void set_intcoord_unitary_grey(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, float g);
