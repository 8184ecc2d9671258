// Resampling the document for --size.
#include <gtest/gtest.h>

#include "tools/vornesk/document.h"

namespace {

HostDocument Make(int32_t w, int32_t h, int16_t colour, bool alpha, int32_t depth) {
    HostDocument doc;
    std::string error;
    EXPECT_TRUE(AllocateDocument(&doc, w, h, colour, alpha, depth, &error)) << error;
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

}  // namespace
