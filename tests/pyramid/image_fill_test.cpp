// Host chunks into level-0 tiles, laid out as the host delivers them
// (interleaved planes, rows padded to 16 bytes, no byte beyond the last
// row), Core Graphics images stretched into pyramids, grey into alpha.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "pyramid/image_fill.h"
#include "pyramid/level_paint.h"
#include "pyramid_fixture.h"
#include "pyramid/cg_pyramid.h"

namespace {

// A chunk of w x h pixels of `planes` samples at `depth`, in the host's
// layout; the buffer ends exactly after the last sample of the last row.
struct HostBuffer {
    std::vector<uint8_t> bytes;
    int64_t rowBytes;
    HostPixelChunk chunk;
};

HostBuffer MakeChunk(int64_t w, int64_t h, int64_t planes, bool colour, bool alpha, int64_t depth, uint32_t seed) {
    HostBuffer b;
    const int64_t bps = depth / 8;
    b.rowBytes = (w * planes * bps + 15) / 16 * 16;
    b.bytes.resize(size_t(b.rowBytes * (h - 1) + w * planes * bps));
    std::mt19937 rng(seed);
    for (int64_t y = 0; y < h; ++y)
        for (int64_t i = 0; i < w * planes; ++i) {
            uint8_t* p = &b.bytes[size_t(y * b.rowBytes + i * bps)];
            if (depth == 8) *p = uint8_t(rng());
            else if (depth == 16) {
                const uint16_t v = uint16_t(rng() % 32769);
                std::memcpy(p, &v, 2);
            } else {
                const float f = float(rng() % 1001) / 1000.0f;
                std::memcpy(p, &f, 4);
            }
        }
    b.chunk = HostPixelChunk{b.bytes.data(), b.rowBytes, w, h, planes, depth, colour, alpha ? planes - 1 : -1};
    return b;
}

double HostValue(const HostBuffer& b, int64_t x, int64_t y, int64_t sample) {
    const int64_t bps = b.chunk.depth / 8;
    const uint8_t* p = &b.bytes[size_t(y * b.rowBytes + (x * b.chunk.pixelSamples + sample) * bps)];
    if (bps == 1) return *p;
    if (bps == 2) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

double Component(const PyramidDescriptor* pyr, int64_t x, int64_t y, int k) {
    if (pyr->kind == kPyrColourFloat) {
        float v[4];
        get_pyramid_sample_point128bit_floats(x, y, pyr, 0, v);
        return v[k];
    }
    int64_t c[4];
    get_pyramid_sample_pointColorcall(x, y, pyr, 0, &c[0], &c[1], &c[2], &c[3]);
    return double(c[k]);
}

TEST(HostChunk, EveryDepthPlaneCountAndTransparencyEntersTheTileUnchanged) {
    struct Case {
        int64_t depth, planes;
        bool colour, alpha;
    };
    // 8-bit colour without transparency is copied a word at a time: three
    // planes and four (transparency not copied).
    for (const Case& k : {Case{8, 3, true, false}, Case{8, 4, true, true}, Case{8, 4, true, false},
                          Case{8, 1, false, false}, Case{8, 2, false, true},
                          Case{16, 3, true, false}, Case{16, 2, false, true}, Case{32, 4, true, true}, Case{32, 1, false, false}}) {
        const int64_t kind = k.depth == 8 ? kPyrColour8 : k.depth == 16 ? kPyrColour16 : kPyrColourFloat;
        // Two tile columns: the second holds 530 - 512 = 18 columns.
        TestPyramid p(530, 7, kind, 0);
        ASSERT_TRUE(p.ok);
        const double full = k.depth == 8 ? 255 : k.depth == 16 ? 32768 : 1.0;
        for (int64_t t = 0; t < 2; ++t) {
            const int64_t w = t == 0 ? 512 : 18;
            const HostBuffer b = MakeChunk(w, 7, k.planes, k.colour, k.alpha, k.depth, uint32_t(k.depth + k.planes + t));
            CopyHostChunkToTile(b.chunk, p.get(), p->firstTile[0] + t);
            for (int64_t y = 0; y < 7; ++y)
                for (int64_t x = 0; x < w; ++x)
                    for (int c = 0; c < 4; ++c) {
                        const double want = c == 3 ? (k.alpha ? HostValue(b, x, y, k.planes - 1) : full)
                                                   : HostValue(b, x, y, k.colour ? c : 0);
                        ASSERT_EQ(Component(p.get(), t * 512 + x, y, c), want)
                            << k.depth << "-bit " << k.planes << " planes: " << x << "," << y << " c" << c;
                    }
        }
    }
}

TEST(HostChunk, ShortOrMismatchedChunksCopyOnlyWhatIsThere) {
    TestPyramid p(20, 10, kPyrColour8, 0), wide(20, 10, kPyrColour16, 0);
    ASSERT_TRUE(p.ok && wide.ok);
    PaintLevelWords(p.get(), 0xDEADBEEFu);
    const HostBuffer b = MakeChunk(12, 4, 3, true, false, 8, 1);   // fewer columns and rows than the tile
    CopyHostChunkToTile(b.chunk, p.get(), p->firstTile[0]);
    EXPECT_EQ(get_pyramid_sample_point4_raw(11, 3, p.get(), 0) & 255, 255u);
    EXPECT_EQ(get_pyramid_sample_point4_raw(12, 3, p.get(), 0), 0xDEADBEEFu);
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 4, p.get(), 0), 0xDEADBEEFu);
    // An 8-bit chunk is no food for a 16-bit pyramid; tiles of other levels are refused.
    for (int64_t y = 0; y < 10; ++y)
        for (int64_t x = 0; x < 20; ++x) set_pyramid_sample_point64bit(x, y, wide.get(), 0, 1, 2, 3, 4);
    CopyHostChunkToTile(b.chunk, wide.get(), wide->firstTile[0]);
    int64_t c[4];
    get_pyramid_sample_point64bit(0, 0, wide.get(), 0, &c[0], &c[1], &c[2], &c[3]);
    EXPECT_EQ(c[0], 1);
    CopyHostChunkToTile(b.chunk, p.get(), p->firstTile[1]);
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 0, p.get(), 1), 0xDEADBEEFu);
    EXPECT_TRUE(HostImageSuitsPyramidKind(3, 8, kPyrColour8));
    EXPECT_TRUE(HostImageSuitsPyramidKind(10, 16, kPyrColour16));
    EXPECT_FALSE(HostImageSuitsPyramidKind(1, 8, kPyrColour16));
    EXPECT_TRUE(HostImageSuitsPyramidKind(17, 32, kPyrColourFloat));
}

TEST(HostChunk, MaskBytesEnterAGreyTile) {
    TestPyramid p(600, 5, kPyrGrey8, 0);
    ASSERT_TRUE(p.ok);
    PaintLevelSolidColor1(p.get(), 0, 0);
    std::vector<uint8_t> mask(size_t(96 * 4 + 88));
    for (size_t i = 0; i < mask.size(); ++i) mask[i] = uint8_t(i * 13);
    CopyMaskChunkToTile(mask.data(), 96, 88, 5, p.get(), p->firstTile[0] + 1);
    EXPECT_EQ(get_pyramid_sample_point1(512 + 87, 4, p.get(), 0), mask[96 * 4 + 87]);
    EXPECT_EQ(get_pyramid_sample_point1(512 + 3, 2, p.get(), 0), mask[96 * 2 + 3]);
}

TEST(CoreGraphicsImage, StretchedIntoARectangleOfTheTarget) {
    std::vector<uint8_t> rgba(16 * 8 * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) rgba[i] = 200, rgba[i + 1] = 100, rgba[i + 2] = 50, rgba[i + 3] = 255;
    CGImageRef image = CGImageCreateWithRGBA8(16, 8, rgba.data(), 16 * 4);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(CGImageGetWidth(image), 16u);
    EXPECT_EQ(CGImageGetHeight(image), 8u);
    EXPECT_EQ(CGImageCreateWithRGBA8(16, 8, rgba.data(), 10), nullptr);

    TestPyramid target(40, 30, kPyrColour8, 0);
    ASSERT_TRUE(target.ok);
    PaintLevelWords(target.get(), 0x000000FFu);
    EXPECT_EQ(StretchCGImageRefIntoPyr(image, target.get(), VRect{5, 10, 25, 30}), 1);
    int64_t c[4];
    get_pyramid_sample_point4(20, 15, target.get(), 0, &c[0], &c[1], &c[2], &c[3]);
    EXPECT_NEAR(c[0], 200, 1);
    EXPECT_NEAR(c[1], 100, 1);
    EXPECT_NEAR(c[2], 50, 1);
    EXPECT_EQ(get_pyramid_sample_point4_raw(9, 15, target.get(), 0), 0x000000FFu);
    EXPECT_EQ(get_pyramid_sample_point4_raw(20, 25, target.get(), 0), 0x000000FFu);
    EXPECT_EQ(StretchCGImageRefIntoPyr(nullptr, target.get(), VRect{0, 0, 30, 40}), 0);

    // Drawn straight into a level, upright or flipped.
    TestPyramid small(16, 8, kPyrColour8, 0);
    rgba[0] = 7;
    CGImageRef marked = CGImageCreateWithRGBA8(16, 8, rgba.data(), 16 * 4);
    EXPECT_EQ(CopyCGImageRefIntoPyr(marked, small.get(), 0), 1);
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 0, small.get(), 0) >> 24, 7u);
    EXPECT_EQ(CopyCGImageRefIntoPyr(marked, small.get(), 1), 1);
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 7, small.get(), 0) >> 24, 7u);
    CGImageRelease(marked);
    CGImageRelease(image);
}

TEST(GreyIntoAlpha, EqualSizesByTileOtherwiseOverTheCommonRectangle) {
    TestPyramid grey(100, 100, kPyrGrey8, 0), same(100, 100, kPyrColour8, 0), other(200, 50, kPyrColour8, 0);
    ASSERT_TRUE(grey.ok && same.ok && other.ok);
    for (int64_t y = 0; y < 100; ++y)
        for (int64_t x = 0; x < 100; ++x) set_pyramid_sample_point1(x, y, grey.get(), 0, (x + 3 * y) & 255);
    PaintLevelWords(same.get(), 0x11223300u);
    PaintLevelWords(other.get(), 0x11223300u);
    Copy1ToAlpha4(grey.get(), same.get(), 0);
    Copy1ToAlpha4(grey.get(), other.get(), 0);
    for (int64_t y = 0; y < 100; ++y)
        for (int64_t x = 0; x < 100; ++x) ASSERT_EQ(get_pyramid_sample_point4_raw(x, y, same.get(), 0), 0x11223300u | ((x + 3 * y) & 255));
    EXPECT_EQ(get_pyramid_sample_point4_raw(99, 49, other.get(), 0), 0x11223300u | ((99 + 147) & 255));
    EXPECT_EQ(get_pyramid_sample_point4_raw(100, 10, other.get(), 0), 0x11223300u);
    uint32_t words[3] = {0xAAAAAAAAu, 0xBBBBBBBBu, 0xCCCCCCCCu};
    const uint8_t bytes[3] = {1, 2, 3};
    EXPECT_EQ(Copy1toAlphaChunk(bytes, words, 2), bytes + 2);
    EXPECT_EQ(words[1], 0xBBBBBB02u);
    EXPECT_EQ(words[2], 0xCCCCCCCCu);
    EXPECT_EQ(Copy1toAlphaChunk(bytes, words, 0), bytes);
}

}  // namespace
