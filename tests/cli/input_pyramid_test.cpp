// The command-line host's picture read into the main input pyramid through
// the real pixel exchange, by a scripted plug-in whose start selector runs the plug-in's own fill functions.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>

#include "platform/host/result_codes.h"
#include "pyramid/input_fill.h"
#include "pyramid/picture_reading.h"
#include "pyramid/render_storage.h"
#include "pyramid/pixels.h"
#include "host_access/FilterBigDocument.h"
#include "records/data.h"
#include "records/parameters.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "cli/document.h"
#include "cli/host_session.h"
#include "tests/pyramid/pyramid_fixture.h"

namespace {

std::function<void(FilterRecord*)> gStart;

void ScriptedEntry(int16_t selector, void* record, intptr_t*, int16_t* result) {
    *result = noErr;
    if (selector != filterSelectorStart || !gStart) return;
    auto* r = static_cast<FilterRecord*>(record);
    // The shell's globals for one selector call, as PluginMain sets them.
    auto params = std::make_unique<Parameters>();
    auto data = std::make_unique<Data>();
    std::memset(static_cast<void*>(params.get()), 0, sizeof(Parameters));
    std::memset(static_cast<void*>(data.get()), 0, sizeof(Data));
    gFilterRecord = r;
    gParams = params.get();
    gData = data.get();
    gResult = result;
    params->proxyScale = 1;
    data->filterRect = GetFilterRect();
    gStart(r);
    r->inRect = r->outRect = r->maskRect = Rect{0, 0, 0, 0};
    if (r->bigDocumentData) r->bigDocumentData->inRect32 = r->bigDocumentData->outRect32 = r->bigDocumentData->maskRect32 = VRect{};
    gFilterRecord = nullptr;
    gParams = nullptr;
    gData = nullptr;
    gResult = nullptr;
}

// With dialogHost, the host as it runs a dialog: it displays previews, and
// hands pictures over reduced.
OSErr RunWithFill(HostDocument* doc, std::function<void(FilterRecord*)> start, bool dialogHost = false) {
    gStart = std::move(start);
    HostRunReport report;
    HostRunSettings settings;
    settings.showDialog = dialogHost;
    RunFilter(ScriptedEntry, doc, settings, &report);
    gStart = nullptr;
    return report.result;
}

// Random samples across the whole range of the depth (floats a little beyond 0..1).
HostDocument RandomDocument(int32_t w, int32_t h, int16_t colour, bool alpha, int32_t depth, bool mask, uint32_t seed) {
    HostDocument doc;
    std::string error;
    EXPECT_TRUE(AllocateDocument(&doc, w, h, colour, alpha, depth, &error));
    std::mt19937 rng(seed);
    for (size_t i = 0; i < doc.SampleCount(); ++i) {
        if (depth == 8) {
            doc.samples[i] = uint8_t(rng());
        } else if (depth == 16) {
            const uint16_t v = uint16_t(rng() % 32769);
            std::memcpy(&doc.samples[i * 2], &v, 2);
        } else {
            const float f = float(rng() % 100001) / 90000.0f - 0.05f;
            std::memcpy(&doc.samples[i * 4], &f, 4);
        }
    }
    if (mask) {
        doc.mask.resize(size_t(w) * h);
        for (uint8_t& m : doc.mask) m = uint8_t(rng());
    }
    return doc;
}

int64_t KindFor(int32_t depth) { return depth == 8 ? kPyrColour8 : depth == 16 ? kPyrColour16 : kPyrColourFloat; }

// Sample p of pixel (x, y) as the host holds it, in the pyramid's terms.
double HostSample(const HostDocument& doc, int32_t x, int32_t y, int p) {
    const size_t i = (size_t(y) * doc.width + x) * doc.Planes() + p;
    if (doc.depth == 8) return doc.samples[i];
    if (doc.depth == 16) {
        uint16_t v;
        std::memcpy(&v, &doc.samples[i * 2], 2);
        return v;
    }
    float f;
    std::memcpy(&f, &doc.samples[i * 4], 4);
    return f;
}

// Component k of pixel (x, y) of level L as stored (floats for kind 9).
double PyramidComponent(const PyramidDescriptor* pyr, int64_t L, int64_t x, int64_t y, int k) {
    if (pyr->kind == kPyrColourFloat) {
        float v[4];
        get_pyramid_sample_point128bit_floats(x, y, pyr, L, v);
        return v[k];
    }
    int64_t c[4];
    StoredComponents(x, y, pyr, L, c);
    return double(c[k]);
}

struct Shape {
    int32_t w, h;
    int16_t colour;
    bool alpha;
    int32_t depth;
    bool mask;
    bool bigCoordinates;
};

class InputPyramid : public ::testing::TestWithParam<Shape> {};

TEST_P(InputPyramid, HostPictureEntersLevelZeroUnchangedAndEveryLevelIsBuilt) {
    const Shape s = GetParam();
    HostDocument doc = RandomDocument(s.w, s.h, s.colour, s.alpha, s.depth, s.mask, uint32_t(s.w * 7 + s.depth));
    const HostDocument original = doc;
    bool ran = false;
    const OSErr err = RunWithFill(&doc, [&](FilterRecord*) {
        ran = true;
        if (s.bigCoordinates) RequestBigDocumentCoordinates();
        gParams->inputMode = 1;   // equirectangular
        PyramidDescriptor* main = &gData->pyramids[kMainInputPyramid];
        InitPyramidProcs(main, GetBufferProcs());
        ASSERT_EQ(TryToAllocatePyramid_2006(main, s.w, s.h, KindFor(s.depth), 0, 0), 1);
        FillPyramids(gData);
        EXPECT_EQ(HostResult(), noErr);
        EXPECT_EQ(main->mipmapState, 2);
        EXPECT_EQ(gParams->inputPyramidFilled, 1);
        EXPECT_EQ(main->edgeMode, 2);
        EXPECT_EQ(main->overhangMode, 7);

        const double full = s.depth == 8 ? 255 : s.depth == 16 ? 32768 : 1.0;
        int64_t mismatches = 0;
        for (int32_t y = 0; y < s.h; ++y)
            for (int32_t x = 0; x < s.w; ++x)
                for (int k = 0; k < 4; ++k) {
                    const int p = k == 3 ? s.colour : (s.colour == 3 ? k : 0);
                    const double want = k == 3 && !s.alpha ? full : HostSample(original, x, y, p);
                    if (PyramidComponent(main, 0, x, y, k) != want && ++mismatches < 5)
                        ADD_FAILURE() << "pixel " << x << "," << y << " component " << k;
                }
        EXPECT_EQ(mismatches, 0);

        // Every smaller level is a reduction of level 0: its mean stays the
        // picture's mean (within the rounding of each reduction).
        for (int64_t L = 1; L <= main->topLevel; ++L) {
            double mean0 = 0, meanL = 0;
            for (int32_t y = 0; y < s.h; ++y)
                for (int32_t x = 0; x < s.w; ++x) mean0 += PyramidComponent(main, 0, x, y, 0);
            for (int64_t y = 0; y < main->height[L]; ++y)
                for (int64_t x = 0; x < main->width[L]; ++x) meanL += PyramidComponent(main, L, x, y, 0);
            mean0 /= double(s.w) * s.h;
            meanL /= double(main->width[L]) * main->height[L];
            EXPECT_NEAR(meanL, mean0, 0.08 * full) << "level " << L;
        }

        DisposePyramidData(main);
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(err, noErr);
    // Reading the input changes nothing in the document.
    EXPECT_EQ(doc.samples, original.samples);
}

INSTANTIATE_TEST_SUITE_P(
    DepthsPlanesTransparencyMasks, InputPyramid,
    ::testing::Values(Shape{600, 530, 3, true, 8, true, false},   // four tiles, a narrow last column and row
                      Shape{37, 23, 3, false, 8, false, false}, Shape{37, 23, 1, true, 8, true, true},
                      Shape{29, 31, 1, false, 8, false, false}, Shape{40, 21, 3, true, 16, true, false},
                      Shape{33, 17, 1, false, 16, false, true}, Shape{515, 9, 1, true, 16, false, false},
                      Shape{31, 19, 3, true, 32, true, false}, Shape{18, 27, 3, false, 32, false, true},
                      Shape{25, 25, 1, true, 32, true, false}));

TEST(InputPyramidHost, RefusedChunkIsReportedAndLeavesThePyramidUnfinished) {
    // 16-bit coordinates cannot reach this wide picture: the host refuses.
    HostDocument doc = RandomDocument(33000, 1, 1, false, 8, false, 9);
    RunWithFill(&doc, [&](FilterRecord*) {
        PyramidDescriptor* main = &gData->pyramids[kMainInputPyramid];
        InitPyramidProcs(main, GetBufferProcs());
        ASSERT_EQ(TryToAllocatePyramid_2006(main, 33000, 1, kPyrColour8, 0, 0), 1);
        gData->flags[0] = 1;
        FillPyramids(gData);
        EXPECT_EQ(HostResult(), errPlugInHostInsufficient);
        EXPECT_EQ(diagnosticResult, kDiagInputRead);
        EXPECT_EQ(gData->flags[0], 0);
        EXPECT_NE(main->mipmapState, 2);
        EXPECT_EQ(gParams->inputPyramidFilled, 0);
        DisposePyramidData(main);
    });
}

// A cube layout is rendered from its six faces, which the render cuts and
// reduces itself: the whole picture keeps level 0 only, read in full, and
// counts as filled.
TEST(InputPyramidHost, CubeLayoutKeepsLevelZeroOnly) {
    for (const int64_t mode : {27, 28, 33, 34, 35}) {
        SCOPED_TRACE(mode);
        HostDocument doc = RandomDocument(60, 10, 3, false, 8, false, uint32_t(mode));
        const HostDocument original = doc;
        RunWithFill(&doc, [&](FilterRecord*) {
            gParams->inputMode = mode;
            PyramidDescriptor* main = &gData->pyramids[kMainInputPyramid];
            InitPyramidProcs(main, GetBufferProcs());
            ASSERT_EQ(TryToAllocatePyramid_2006(main, 60, 10, kPyrColour8, 0, 0), 1);
            FillPyramids(gData);
            EXPECT_EQ(HostResult(), noErr);
            EXPECT_EQ(main->mipmapState, 1);
            EXPECT_EQ(gParams->inputPyramidFilled, 1);
            int64_t wrong = 0;
            for (int32_t y = 0; y < 10; ++y)
                for (int32_t x = 0; x < 60; ++x)
                    for (int k = 0; k < 3; ++k) wrong += PyramidComponent(main, 0, x, y, k) != HostSample(original, x, y, k);
            EXPECT_EQ(wrong, 0);
            DisposePyramidData(main);
        });
    }
}

// Every level's pixels, 8-bit colour.
std::vector<std::vector<uint8_t>> Levels(const PyramidDescriptor* pyr) {
    std::vector<std::vector<uint8_t>> levels;
    for (int64_t L = 0; L <= pyr->topLevel; ++L) {
        std::vector<uint8_t> pixels;
        for (int64_t y = 0; y < pyr->height[L]; ++y)
            for (int64_t x = 0; x < pyr->width[L]; ++x) {
                int64_t c[4];
                StoredComponents(x, y, pyr, L, c);
                for (int64_t v : c) pixels.push_back(uint8_t(v));
            }
        levels.push_back(std::move(pixels));
    }
    return levels;
}

// A large picture read in steps, as the dialog reads it: meanwhile the main
// input pyramid is a coarse copy whose every pixel is a pixel of its block
// of the picture, and once read it is the pyramid a whole read gives, every
// level byte for byte.
TEST(InputPyramidHost, TheCoarseCopyComesFirstAndTheWholePictureIsTheWholeRead) {
    const int32_t w = 4096, h = 2048, rate = 8;
    ASSERT_GE(int64_t(w) * h, kPictureReadInStepsFrom);
    HostDocument doc;
    std::string error;
    ASSERT_TRUE(AllocateDocument(&doc, w, h, 3, false, 8, &error)) << error;
    std::mt19937 rng(5);
    for (uint8_t& s : doc.samples) s = uint8_t(rng());

    std::vector<std::vector<uint8_t>> whole, stepwise;
    EXPECT_EQ(RunWithFill(&doc, [&](FilterRecord*) {
        gParams->inputMode = 1;
        MaybeAllocatePyramids(gData);
        whole = Levels(&gData->pyramids[kMainInputPyramid]);
        DisposePyramidData(&gData->pyramids[kMainInputPyramid]);
    }), noErr);
    int64_t steps = 0;
    EXPECT_EQ(RunWithFill(&doc, [&](FilterRecord*) {
        gParams->inputMode = 1;
        ASSERT_TRUE(BeginReadingPictureInSteps(gData, rate));
        ASSERT_TRUE(PictureBeingRead());
        // The coarse copy: each pixel one of its block's.
        const PyramidDescriptor* coarse = &gData->pyramids[kMainInputPyramid];
        ASSERT_EQ(coarse->width[0], w / rate);
        ASSERT_EQ(coarse->height[0], h / rate);
        int64_t strangers = 0;
        for (int64_t y = 0; y < coarse->height[0]; y += 7)
            for (int64_t x = 0; x < coarse->width[0]; x += 7) {
                int64_t rgba[4];
                StoredComponents(x, y, coarse, 0, rgba);
                bool found = false;
                for (int64_t by = 0; by < rate && !found; ++by)
                    for (int64_t bx = 0; bx < rate && !found; ++bx) {
                        const uint8_t* p = &doc.samples[(size_t(y * rate + by) * w + size_t(x * rate + bx)) * 3];
                        found = p[0] == rgba[0] && p[1] == rgba[1] && p[2] == rgba[2];
                    }
                strangers += !found;
            }
        EXPECT_EQ(strangers, 0);
        // A preview's render reads the coarse copy; any other reads the whole picture.
        LetRendersReadTheCoarseCopy(true);
        MaybeAllocatePyramids(gData);
        LetRendersReadTheCoarseCopy(false);
        EXPECT_TRUE(PictureBeingRead());
        while (ReadPictureStep(gData)) ++steps;
        MaybeAllocatePyramids(gData);
        EXPECT_FALSE(PictureBeingRead());
        EXPECT_EQ(gParams->inputPyramidFilled, 1);
        stepwise = Levels(&gData->pyramids[kMainInputPyramid]);
        DisposePyramidData(&gData->pyramids[kMainInputPyramid]);
    }, true), noErr);
    EXPECT_GT(steps, 1);
    ASSERT_EQ(stepwise.size(), whole.size());
    for (size_t L = 0; L < whole.size(); ++L) EXPECT_TRUE(stepwise[L] == whole[L]) << "level " << L;
}

// A small picture, a host that cannot reduce, or a cube layout: nothing is
// started and the first render reads the picture whole.
TEST(InputPyramidHost, SmallPicturesAndCubeLayoutsAreReadWhole) {
    HostDocument doc;
    std::string error;
    ASSERT_TRUE(AllocateDocument(&doc, 4096, 2048, 3, false, 8, &error)) << error;
    RunWithFill(&doc, [&](FilterRecord*) {
        gParams->inputMode = 1;
        EXPECT_FALSE(BeginReadingPictureInSteps(gData, 1));
        gParams->inputMode = 27;   // a horizontal cross of cube faces
        EXPECT_FALSE(BeginReadingPictureInSteps(gData, 8));
        EXPECT_FALSE(PictureBeingRead());
    }, true);
    RunWithFill(&doc, [&](FilterRecord*) {
        gParams->inputMode = 1;
        EXPECT_FALSE(BeginReadingPictureInSteps(gData, 8));   // a host that shows no previews
    });
    HostDocument small;
    ASSERT_TRUE(AllocateDocument(&small, 2048, 1024, 3, false, 8, &error)) << error;
    RunWithFill(&small, [&](FilterRecord*) {
        gParams->inputMode = 1;
        EXPECT_FALSE(BeginReadingPictureInSteps(gData, 4));
    }, true);
}

}  // namespace
