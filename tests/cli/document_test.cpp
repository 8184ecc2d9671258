// Resampling the document for --size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "cli/document.h"

namespace {

HostDocument Make(int32_t w, int32_t h, int16_t colour, bool alpha, int32_t depth) {
    HostDocument doc;
    std::string error;
    EXPECT_TRUE(AllocateDocument(&doc, w, h, colour, alpha, depth, &error)) << error;
    return doc;
}

// A picture of w x h noise from `seed`, every sample in 0..1.
HostDocument Noise(int32_t w, int32_t h, int16_t colour, bool alpha, int32_t depth, uint32_t seed) {
    HostDocument doc = Make(w, h, colour, alpha, depth);
    const size_t samples = doc.samples.size() / size_t(doc.BytesPerSample());
    for (size_t i = 0; i < samples; ++i) {
        seed = seed * 1664525u + 1013904223u;
        SetUnitSample(&doc, i, double(seed >> 8) / double(1u << 24));
    }
    return doc;
}

// A symmetric, normalised filter keeps a linear ramp linear away from the
// edges: halving a ramp 0, 1, 2, ... gives the means of pixel pairs.
// The resize reads 8-bit samples as their quotient by 255 in single
// precision, which must be the double quotient rounded to single, as other
// depths are read, for every byte.
TEST(HostResize, EightBitQuotientsInSinglePrecisionAreTheRoundedDoubleOnes) {
    for (int b = 0; b < 256; ++b) EXPECT_EQ(float(b) / 255.0f, float(b / 255.0)) << b;
}

TEST(HostResize, HalvingARampGivesPairMeans) {
    HostDocument doc = Make(16, 4, 1, false, 32);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 16; ++x) SetUnitSample(&doc, size_t(y) * 16 + x, x / 16.0);
    std::string error;
    ASSERT_TRUE(ResizeDocument(&doc, 8, 2, &error));
    for (int32_t x = 1; x < 7; ++x) EXPECT_NEAR(GetUnitSample(doc, size_t(8 + x)), (2 * x + 0.5) / 16.0, 1e-6) << x;
}

// Target rows are resampled in bands on several threads: every band,
// wherever it starts, gives the rows of the whole picture's ramp.
TEST(HostResize, BandsOfRowsGiveTheWholeRamp) {
    HostDocument doc = Make(3, 800, 1, false, 32);
    doc.mask.assign(3 * 800, 0);
    for (int32_t y = 0; y < 800; ++y)
        for (int32_t x = 0; x < 3; ++x) {
            SetUnitSample(&doc, size_t(y) * 3 + x, y / 800.0);
            doc.mask[size_t(y) * 3 + x] = y % 2 ? 200 : 100;
        }
    std::string error;
    ASSERT_TRUE(ResizeDocument(&doc, 3, 400, &error));
    for (int32_t y = 1; y < 399; ++y) {
        ASSERT_NEAR(GetUnitSample(doc, size_t(y) * 3 + 1), (2 * y + 0.5) / 800.0, 1e-6) << y;
        // Rows alternating 100 and 200, halved: their mean.
        ASSERT_EQ(doc.mask[size_t(y) * 3 + 1], 150) << y;
    }
}

TEST(HostResize, TransparentPixelsDoNotBleedAndTheMaskFollows) {
    HostDocument doc = Make(10, 6, 3, true, 8);
    doc.mask.assign(60, 0);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 10; ++x) {
            size_t i = (size_t(y) * 10 + x) * 4;
            bool left = x < 5;
            doc.samples[i + 0] = left ? 255 : 0;   // opaque red on the left,
            doc.samples[i + 1] = left ? 0 : 255;   // invisible green on the right
            doc.samples[i + 3] = left ? 255 : 0;
            doc.mask[size_t(y) * 10 + x] = left ? 0 : 255;
        }
    std::string error;
    ASSERT_TRUE(ResizeDocument(&doc, 7, 13, &error));
    ASSERT_EQ(doc.mask.size(), 91u);
    for (int32_t y = 0; y < 13; ++y) {
        for (int32_t x = 0; x < 7; ++x) {
            size_t i = (size_t(y) * 7 + x) * 4;
            if (doc.samples[i + 3] > 0) {
                EXPECT_EQ(doc.samples[i + 0], 255) << x << "," << y;
                EXPECT_EQ(doc.samples[i + 1], 0) << x << "," << y;
            }
        }
        EXPECT_EQ(doc.samples[(size_t(y) * 7) * 4 + 3], 255);
        EXPECT_EQ(doc.samples[(size_t(y) * 7 + 6) * 4 + 3], 0);
        EXPECT_EQ(doc.mask[size_t(y) * 7], 0);
        EXPECT_EQ(doc.mask[size_t(y) * 7 + 6], 255);
    }
}

// The resize written plainly, one sample at a time: a triangle one target
// pixel wide (one source pixel when enlarging), normalised weights in single
// precision, each sum added in tap order from zero, across then down, colour
// multiplied by alpha. The resize's vector loops must give its bytes.
HostDocument PlainResize(const HostDocument& doc, int32_t nw, int32_t nh) {
    struct Tap {
        int32_t first = 0;
        std::vector<float> weights;
    };
    auto taps = [](int32_t n, int32_t m) {
        std::vector<Tap> t(static_cast<size_t>(m));
        const double scale = double(n) / m, support = std::max(1.0, scale);
        for (int32_t i = 0; i < m; ++i) {
            const double centre = (i + 0.5) * scale - 0.5;
            int32_t lo = std::max(int32_t(std::floor(centre - support)) + 1, 0);
            int32_t hi = std::min(int32_t(std::ceil(centre + support)) - 1, n - 1);
            if (hi < lo) lo = hi = std::clamp(int32_t(std::lround(centre)), 0, n - 1);
            double sum = 0;
            for (int32_t j = lo; j <= hi; ++j) sum += std::max(0.0, 1.0 - std::fabs(j - centre) / support);
            t[size_t(i)].first = lo;
            for (int32_t j = lo; j <= hi; ++j)
                t[size_t(i)].weights.push_back(
                    float(sum > 0 ? std::max(0.0, 1.0 - std::fabs(j - centre) / support) / sum : 1.0 / (hi - lo + 1)));
        }
        return t;
    };
    const std::vector<Tap> tx = taps(doc.width, nw), ty = taps(doc.height, nh);
    const int planes = doc.Planes(), colour = doc.colourPlanes;
    auto source = [&](int32_t x, int32_t y, int p) {
        const size_t i = (size_t(y) * doc.width + x) * planes;
        const float v = float(GetUnitSample(doc, i + p));
        return doc.hasAlpha && p < colour ? v * float(GetUnitSample(doc, i + colour)) : v;
    };
    HostDocument out;
    std::string error;
    EXPECT_TRUE(AllocateDocument(&out, nw, nh, doc.colourPlanes, doc.hasAlpha, doc.depth, &error)) << error;
    std::vector<float> px(static_cast<size_t>(planes));
    for (int32_t y = 0; y < nh; ++y)
        for (int32_t x = 0; x < nw; ++x) {
            for (int p = 0; p < planes; ++p) {
                float down = 0.f;
                const Tap& v = ty[size_t(y)];
                for (size_t k = 0; k < v.weights.size(); ++k) {
                    float across = 0.f;
                    const Tap& h = tx[size_t(x)];
                    for (size_t j = 0; j < h.weights.size(); ++j)
                        across += h.weights[j] * source(h.first + int32_t(j), v.first + int32_t(k), p);
                    down += v.weights[k] * across;
                }
                px[size_t(p)] = down;
            }
            const float a = doc.hasAlpha ? px[size_t(colour)] : 1.f;
            for (int p = 0; p < planes; ++p) {
                float value = px[size_t(p)];
                if (p < colour && doc.hasAlpha) value = a > 1e-6f ? value / a : 0.f;
                SetUnitSample(&out, (size_t(y) * nw + x) * planes + p, value);
            }
        }
    return out;
}

// Every kind of picture the host reads, shrunk by whole and broken factors
// and enlarged, gives the plain resize's bytes.
TEST(HostResize, VectorLoopsGiveThePlainResizesBytes) {
    struct Case {
        int16_t colour;
        bool alpha;
        int32_t depth, w, h, nw, nh;
    };
    const Case cases[] = {
        {3, false, 8, 64, 34, 32, 17},   // RGB halved, the benchmark's road
        {3, false, 8, 61, 40, 20, 13},   // by a broken factor
        {3, false, 8, 9, 5, 23, 11},     // enlarged
        {3, false, 8, 60, 16, 40, 32},   // two thirds across, doubled down: a cube face's road
        {3, true, 8, 45, 30, 30, 20},    // RGBA by two thirds: three taps each way
        {3, true, 8, 40, 30, 20, 15},    // RGBA
        {1, false, 8, 50, 20, 25, 10},   // grey
        {1, true, 8, 33, 21, 14, 9},     // grey and alpha
        {3, false, 16, 48, 24, 24, 12},  // 16 bits
        {3, true, 16, 30, 18, 11, 7},
        {3, false, 32, 36, 18, 17, 9},   // float samples
        {3, true, 32, 20, 12, 31, 19},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.colour) + (k.alpha ? "+alpha " : " ") + std::to_string(k.depth) + " bits " +
                     std::to_string(k.w) + "x" + std::to_string(k.h) + " to " + std::to_string(k.nw) + "x" +
                     std::to_string(k.nh));
        HostDocument doc = Noise(k.w, k.h, k.colour, k.alpha, k.depth, 2024);
        const HostDocument plain = PlainResize(doc, k.nw, k.nh);
        std::string error;
        ASSERT_TRUE(ResizeDocument(&doc, k.nw, k.nh, &error)) << error;
        EXPECT_TRUE(doc.samples == plain.samples);
    }
}

TEST(HostResize, SixteenBitFlatStaysFlatAndSizesAreChecked) {
    HostDocument doc = Make(3, 2, 1, false, 16);
    for (size_t i = 0; i < 6; ++i) SetUnitSample(&doc, i, 0.25);
    std::string error;
    ASSERT_TRUE(ResizeDocument(&doc, 11, 1, &error));
    for (size_t i = 0; i < 11; ++i) EXPECT_EQ(GetUnitSample(doc, i), 0.25);
    HostDocument bad;
    EXPECT_FALSE(AllocateDocument(&bad, 0, 5, 1, false, 8, &error));
    EXPECT_FALSE(AllocateDocument(&bad, 70000, 70000, 1, false, 8, &error));
    EXPECT_NE(error.find("70000 x 70000"), std::string::npos) << error;
}

// The cube map resized cell by cell, against the plain road: the whole
// picture resized, then each cell resampled from its own pixels and pasted
// in its place. The shortcut that resamples only the columns between cells
// must give the same bytes, for layouts whose cells divide the new size
// and those that leave columns or rows between them, with and without a
// selection, at several depths.
TEST(HostResize, CubeCellsGiveThePlainRoadsBytes) {
    struct Case {
        int32_t columns, rows, w, h, nw, nh;
        int16_t colour;
        bool alpha, mask;
        int32_t depth;
    };
    const Case cases[] = {
        {6, 1, 96, 16, 64, 32, 3, false, false, 8},   // four columns between cells
        {6, 1, 96, 16, 60, 30, 3, false, false, 8},   // cells fill the picture
        {6, 1, 96, 16, 61, 11, 3, true, false, 8},    // alpha, one column after the last cell
        {4, 3, 40, 30, 26, 19, 3, false, false, 8},   // a row between cells: the whole road
        {3, 2, 30, 20, 23, 14, 1, false, false, 16},  // grey, 16 bits
        {3, 4, 30, 40, 17, 28, 3, false, true, 8},    // a selection: the whole road
        {6, 1, 96, 16, 130, 20, 3, false, false, 32}, // enlarged, float samples
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.columns) + "x" + std::to_string(k.rows) + " to " + std::to_string(k.nw) + "x" +
                     std::to_string(k.nh));
        HostDocument doc = Noise(k.w, k.h, k.colour, k.alpha, k.depth, 12345);
        if (k.mask) {
            doc.mask.resize(size_t(k.w) * k.h);
            for (size_t i = 0; i < doc.mask.size(); ++i) doc.mask[i] = uint8_t(i * 37);
        }
        const HostDocument original = doc;
        std::string error;
        ASSERT_TRUE(ResizeCubeCells(&doc, k.nw, k.nh, k.columns, k.rows, &error)) << error;

        HostDocument plain = original;
        ASSERT_TRUE(ResizeDocument(&plain, k.nw, k.nh, &error)) << error;
        const int32_t n = k.w / k.columns, m = k.h / k.rows, tn = k.nw / k.columns, tm = k.nh / k.rows;
        const size_t pixel = size_t(original.Planes()) * original.BytesPerSample();
        HostDocument shape = Make(n, m, k.colour, k.alpha, k.depth);
        for (int32_t r = 0; r < k.rows; ++r)
            for (int32_t c = 0; c < k.columns; ++c) {
                const size_t x0 = size_t(c) * k.w / k.columns, y0 = size_t(r) * k.h / k.rows;
                HostDocument cell;
                ASSERT_TRUE(ResizeRows(
                    shape,
                    [&](int32_t y) { return &original.samples[((y0 + size_t(y)) * k.w + x0) * pixel]; }, tn, tm,
                    &cell, &error))
                    << error;
                const size_t tx = size_t(c) * k.nw / k.columns, ty = size_t(r) * k.nh / k.rows;
                for (int32_t y = 0; y < tm; ++y)
                    std::memcpy(&plain.samples[((ty + size_t(y)) * k.nw + tx) * pixel],
                                &cell.samples[size_t(y) * tn * pixel], size_t(tn) * pixel);
            }
        EXPECT_EQ(doc.width, k.nw);
        EXPECT_EQ(doc.height, k.nh);
        EXPECT_TRUE(doc.samples == plain.samples);
        EXPECT_TRUE(doc.mask == plain.mask);
    }
}

// The planes of a pixel are resampled side by side: each must come out as
// the same picture resampled as one plane of its own would, bit for bit,
// shrinking and enlarging, at every column including the last.
TEST(HostResize, ColourPlanesResampleAsSinglePlanes) {
    const int32_t sizes[][4] = {{97, 31, 48, 15}, {40, 9, 81, 23}, {33, 40, 32, 39}};
    for (const auto& z : sizes) {
        HostDocument rgb = Make(z[0], z[1], 3, false, 32);
        uint32_t seed = uint32_t(z[0] * 131 + z[1]);
        for (size_t i = 0; i < size_t(z[0]) * z[1] * 3; ++i) {
            seed = seed * 1664525u + 1013904223u;
            SetUnitSample(&rgb, i, double(seed >> 8) / double(1u << 24) * 1.5 - 0.25);
        }
        for (int p = 0; p < 3; ++p) {
            HostDocument grey = Make(z[0], z[1], 1, false, 32);
            for (size_t i = 0; i < size_t(z[0]) * z[1]; ++i) SetUnitSample(&grey, i, GetUnitSample(rgb, i * 3 + p));
            std::string error;
            ASSERT_TRUE(ResizeDocument(&grey, z[2], z[3], &error)) << error;
            HostDocument wide = rgb;
            ASSERT_TRUE(ResizeDocument(&wide, z[2], z[3], &error)) << error;
            for (size_t i = 0; i < size_t(z[2]) * z[3]; ++i)
                ASSERT_EQ(GetUnitSample(wide, i * 3 + p), GetUnitSample(grey, i)) << z[0] << " plane " << p << " at " << i;
        }
    }
}

}  // namespace
