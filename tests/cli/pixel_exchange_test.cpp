// The host's side of the pixel exchange, driven in-process by small entry
// functions that make one request each and look at what comes back.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/host/buffers.h"
#include "platform/host/handles.h"
#include "platform/host/result_codes.h"
#include "cli/document.h"
#include "cli/host_session.h"

namespace {

std::function<OSErr(FilterRecord*)> gStart;

void ScriptedEntry(int16_t selector, void* record, intptr_t*, int16_t* result) {
    *result = noErr;
    if (selector == filterSelectorStart && gStart) *result = gStart(static_cast<FilterRecord*>(record));
}

OSErr RunScripted(HostDocument* doc, std::function<OSErr(FilterRecord*)> start, HostRunReport* report = nullptr) {
    gStart = std::move(start);
    HostRunReport local;
    RunFilter(ScriptedEntry, doc, HostRunSettings{}, report ? report : &local);
    gStart = nullptr;
    return (report ? report : &local)->result;
}

// Sample (x, y) of plane p is 10 y + x + 60 p (in 8-bit terms at every depth).
HostDocument Numbered(int32_t w, int32_t h, int16_t colour, bool alpha, int32_t depth = 8) {
    HostDocument doc;
    std::string error;
    EXPECT_TRUE(AllocateDocument(&doc, w, h, colour, alpha, depth, &error));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int p = 0; p < doc.Planes(); ++p)
                SetUnitSample(&doc, (size_t(y) * w + x) * doc.Planes() + p, (10 * y + x + 60 * p) / FullScale(depth) *
                                                                              (depth == 32 ? 1.0 / 255 : 1.0));
    return doc;
}

void Ask(FilterRecord* r, Rect in, int16_t lo, int16_t hi) {
    r->inRect = in;
    r->inLoPlane = lo;
    r->inHiPlane = hi;
}

void Stop(FilterRecord* r) { r->inRect = r->outRect = r->maskRect = Rect{0, 0, 0, 0}; }

uint8_t At8(const FilterRecord* r, int y, int x, int p = 0) {
    return static_cast<const uint8_t*>(r->inData)[size_t(y) * r->inRowBytes + size_t(x) * r->inColumnBytes + p];
}

TEST(HostExchange, PaddingReplicatesEdgesFillsOrRefuses) {
    HostDocument doc = Numbered(5, 4, 1, false);
    OSErr err = RunScripted(&doc, [](FilterRecord* r) -> OSErr {
        Ask(r, Rect{-2, -2, 6, 7}, 0, 0);
        r->inputPadding = plugInWantsEdgeReplication;
        EXPECT_EQ(r->advanceState(), noErr);
        EXPECT_GE(r->inRowBytes, 9);
        EXPECT_EQ(r->inColumnBytes, 1);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 9; ++x)
                EXPECT_EQ(At8(r, y, x), 10 * std::clamp(y - 2, 0, 3) + std::clamp(x - 2, 0, 4)) << x << "," << y;
        r->inputPadding = 7;
        EXPECT_EQ(r->advanceState(), noErr);
        EXPECT_EQ(At8(r, 0, 0), 7);
        EXPECT_EQ(At8(r, 3, 3), 11);
        EXPECT_EQ(At8(r, 7, 8), 7);
        r->inputPadding = plugInWantsErrorOnBoundsException;
        EXPECT_EQ(r->advanceState(), errBadRequest);
        Ask(r, Rect{0, 0, 4, 5}, 0, 0);   // inside the picture: fine without padding
        EXPECT_EQ(r->advanceState(), noErr);
        EXPECT_EQ(At8(r, 3, 4), 34);
        Stop(r);
        return noErr;
    });
    EXPECT_EQ(err, noErr);

    // Fill values are 8-bit terms, scaled to the document's full range.
    HostDocument deep = Numbered(3, 3, 1, false, 16);
    RunScripted(&deep, [](FilterRecord* r) -> OSErr {
        Ask(r, Rect{-1, -1, 1, 1}, 0, 0);
        r->inputPadding = 255;
        EXPECT_EQ(r->advanceState(), noErr);
        EXPECT_EQ(static_cast<const uint16_t*>(r->inData)[0], 32768);
        Stop(r);
        return noErr;
    });
}

TEST(HostExchange, InputRateSamplesEveryNthPixel) {
    HostDocument doc = Numbered(7, 6, 1, false);
    EXPECT_EQ(RunScripted(&doc, [](FilterRecord* r) -> OSErr {
                  Ask(r, Rect{0, 0, 3, 4}, 0, 0);
                  r->inputRate = FixedFromInt(2);
                  EXPECT_EQ(r->advanceState(), noErr);
                  for (int y = 0; y < 3; ++y)
                      for (int x = 0; x < 4; ++x) EXPECT_EQ(At8(r, y, x), 10 * 2 * y + 2 * x);
                  r->inputRate = 0;
                  EXPECT_EQ(r->advanceState(), errBadRequest);
                  Stop(r);
                  return noErr;
              }),
              noErr);
}

TEST(HostExchange, PlaneRangesAndTheirLimits) {
    HostDocument doc = Numbered(4, 3, 3, true);
    RunScripted(&doc, [](FilterRecord* r) -> OSErr {
        EXPECT_EQ(r->planes, 4);
        EXPECT_EQ(r->inLayerPlanes, 3);
        EXPECT_EQ(r->inTransparencyMask, 1);
        Ask(r, Rect{1, 1, 3, 4}, 1, 2);
        EXPECT_EQ(r->advanceState(), noErr);
        EXPECT_EQ(r->inColumnBytes, 2);
        EXPECT_EQ(At8(r, 0, 0, 0), 71);    // (1, 1) plane 1
        EXPECT_EQ(At8(r, 1, 2, 1), 143);   // (3, 2) plane 2
        Ask(r, Rect{0, 0, 1, 1}, 0, 4);
        EXPECT_EQ(r->advanceState(), errBadRequest);
        Ask(r, Rect{0, 0, 1, 1}, 2, 1);
        EXPECT_EQ(r->advanceState(), errBadRequest);
        Ask(r, Rect{0, 0, 1, 1}, 0, 3);
        r->inPreDummyPlanes = 1;
        EXPECT_EQ(r->advanceState(), errBadRequest);
        r->inPreDummyPlanes = 0;
        // An empty request hands over nothing.
        Ask(r, Rect{2, 2, 2, 5}, 0, 3);
        EXPECT_EQ(r->advanceState(), noErr);
        EXPECT_EQ(r->inData, nullptr);
        EXPECT_EQ(r->maskData, nullptr);   // no selection
        Stop(r);
        return noErr;
    });
}

// Output written for some planes, partly outside the picture, lands where
// it belongs; the rest of the picture is untouched.
TEST(HostExchange, OutputIsStoredByTheNextExchange) {
    HostDocument doc = Numbered(4, 3, 3, true);
    const HostDocument before = doc;
    HostRunReport report;
    OSErr err = RunScripted(&doc,
                    [](FilterRecord* r) -> OSErr {
                        r->outRect = Rect{-1, 2, 2, 6};
                        r->outLoPlane = r->outHiPlane = 3;
                        EXPECT_EQ(r->advanceState(), noErr);
                        EXPECT_EQ(r->outColumnBytes, 1);
                        auto* out = static_cast<uint8_t*>(r->outData);
                        // The output starts as the picture (edges beyond it).
                        EXPECT_EQ(out[0], 2 + 180);
                        EXPECT_EQ(out[size_t(1) * r->outRowBytes + 1], 3 + 180);
                        for (int y = 0; y < 3; ++y)
                            for (int x = 0; x < 4; ++x) out[size_t(y) * r->outRowBytes + x] = uint8_t(7 + x);
                        // Left for the host to store after start returns.
                        r->inRect = r->maskRect = Rect{0, 0, 0, 0};
                        r->outRect = Rect{0, 0, 0, 0};
                        return noErr;
                    },
                    &report);
    ASSERT_EQ(err, noErr);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x)
            for (int p = 0; p < 4; ++p) {
                size_t i = (size_t(y) * 4 + x) * 4 + p;
                bool written = p == 3 && x >= 2 && y <= 1;
                EXPECT_EQ(doc.samples[i], written ? 7 + (x - 2) : before.samples[i]) << x << "," << y << "," << p;
            }
}

// 8-bit whole pixels are handed over in the result itself: they read as the
// picture, an earlier output shows in a later request, and rows no output
// reached keep the picture.
TEST(HostExchange, OutputInPlaceStartsAsThePictureAndKeepsTheRest) {
    HostDocument doc = Numbered(6, 5, 3, false);
    const HostDocument before = doc;
    OSErr err = RunScripted(&doc, [](FilterRecord* r) -> OSErr {
        r->outRect = Rect{1, 2, 3, 5};
        EXPECT_EQ(r->advanceState(), noErr);
        auto* out = static_cast<uint8_t*>(r->outData);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                for (int p = 0; p < 3; ++p) {
                    uint8_t& v = out[size_t(y) * r->outRowBytes + size_t(x) * 3 + p];
                    EXPECT_EQ(v, 10 * (y + 1) + (x + 2) + 60 * p);
                    v = 200;
                }
        r->outRect = Rect{2, 0, 3, 6};
        EXPECT_EQ(r->advanceState(), noErr);
        out = static_cast<uint8_t*>(r->outData);
        for (int x = 0; x < 6; ++x) EXPECT_EQ(out[size_t(x) * 3], x >= 2 && x < 5 ? 200 : 20 + x) << x;
        Stop(r);
        return noErr;
    });
    ASSERT_EQ(err, noErr);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 6; ++x)
            for (int p = 0; p < 3; ++p) {
                const size_t i = (size_t(y) * 6 + x) * 3 + p;
                const bool written = y >= 1 && y < 3 && x >= 2 && x < 5;
                EXPECT_EQ(doc.samples[i], written ? 200 : before.samples[i]) << x << "," << y << "," << p;
            }
}

TEST(HostExchange, ThirtyTwoBitCoordinatesAndSelection) {
    HostDocument doc = Numbered(6, 5, 1, false);
    doc.mask.assign(30, 0);
    for (int i = 0; i < 30; ++i) doc.mask[i] = uint8_t(i * 8);
    RunScripted(&doc, [](FilterRecord* r) -> OSErr {
        EXPECT_TRUE(r->haveMask);
        EXPECT_EQ(r->filterCase, filterCaseFlatImageWithSelection);
        EXPECT_EQ(r->bigDocumentData->filterRect32.right, 6);
        r->bigDocumentData->PluginUsing32BitCoordinates = 1;
        r->inRect = Rect{0, 0, 1, 1};   // ignored now
        r->bigDocumentData->inRect32 = VRect{2, 1, 4, 3};
        r->bigDocumentData->maskRect32 = VRect{0, 0, 2, 3};
        r->maskRate = FixedFromInt(2);
        EXPECT_EQ(r->advanceState(), noErr);
        EXPECT_EQ(At8(r, 0, 0), 21);
        EXPECT_EQ(At8(r, 1, 1), 32);
        auto* mask = static_cast<const uint8_t*>(r->maskData);
        if (!mask) {
            ADD_FAILURE() << "no mask";
            return noErr;
        }
        EXPECT_EQ(mask[0], 0);
        EXPECT_EQ(mask[2], 4 * 8);                           // (4, 0)
        EXPECT_EQ(mask[r->maskRowBytes + 1], (12 + 2) * 8);  // (2, 2)
        r->bigDocumentData->inRect32 = r->bigDocumentData->maskRect32 = VRect{0, 0, 0, 0};
        return noErr;
    });
}

TEST(HostExchange, FailedRunLeavesTheDocumentAlone) {
    HostDocument doc = Numbered(4, 4, 3, false);
    const HostDocument before = doc;
    HostRunReport report;
    OSErr err = RunScripted(&doc,
                    [](FilterRecord* r) -> OSErr {
                        r->outRect = Rect{0, 0, 4, 4};
                        EXPECT_EQ(r->advanceState(), noErr);
                        std::memset(r->outData, 0, size_t(r->outRowBytes) * 4);
                        EXPECT_EQ(r->advanceState(), noErr);   // stored in the working copy
                        return OSErr(memFullErr);
                    },
                    &report);
    EXPECT_EQ(err, memFullErr);
    EXPECT_EQ(report.failedSelector, filterSelectorStart);
    EXPECT_EQ(doc.samples, before.samples);
}

// A result of its own size: once the plug-in writes output and asks for no
// input, the picture's samples go back; a later request for input reads
// them again, and a run that fails leaves the picture as it was. Cases: the
// run succeeds, the plug-in fails after the samples went, the picture cannot
// be read again, and a picture with a selection keeps its samples.
TEST(HostExchange, SamplesGoBackWhileNoInputIsAskedAndAreReadAgainWhenItIs) {
    enum class End { Success, PluginFails, ReadFails, Selection };
    for (const End end : {End::Success, End::PluginFails, End::ReadFails, End::Selection}) {
        SCOPED_TRACE(int(end));
        HostDocument doc = Numbered(6, 5, 3, false);
        if (end == End::Selection) doc.mask.assign(30, 255);
        const HostDocument before = doc;
        int reads = 0;
        HostRunSettings run;
        run.resultWidth = 3;
        run.resultHeight = 2;
        run.readSourceAgain = [&](HostDocument* again) {
            ++reads;
            *again = Numbered(6, 5, 3, false);
            return end != End::ReadFails;
        };
        gStart = [&](FilterRecord* r) -> OSErr {
            Ask(r, Rect{1, 2, 3, 5}, 0, 2);
            r->outRect = Rect{0, 0, 1, 1};
            EXPECT_EQ(r->advanceState(), noErr);
            EXPECT_EQ(At8(r, 1, 2, 1), 20 + 4 + 60);
            r->inRect = Rect{0, 0, 0, 0};
            EXPECT_EQ(r->advanceState(), noErr);
            // The plug-in's copy is all it needs now.
            EXPECT_EQ(doc.samples.empty(), end != End::Selection);
            Ask(r, Rect{4, 5, 5, 6}, 0, 2);
            const OSErr again = r->advanceState();
            if (end == End::ReadFails) return again;
            EXPECT_EQ(again, noErr);
            EXPECT_EQ(At8(r, 0, 0, 2), 40 + 5 + 120);
            r->inRect = Rect{0, 0, 0, 0};
            r->outRect = Rect{0, 0, 2, 3};
            EXPECT_EQ(r->advanceState(), noErr);
            if (end == End::PluginFails) return OSErr(memFullErr);
            Stop(r);
            return noErr;
        };
        HostRunReport report;
        const bool ran = RunFilter(ScriptedEntry, &doc, run, &report);
        gStart = nullptr;
        EXPECT_EQ(ran, end == End::Success || end == End::Selection);
        EXPECT_EQ(reads, end == End::Selection ? 0 : end == End::Success ? 1 : 2);   // a failed run tries to restore it
        if (end == End::ReadFails) {
            EXPECT_EQ(report.result, readErr);
            EXPECT_NE(report.hostMessage.find("read again"), std::string::npos) << report.hostMessage;
        }
        if (ran) {
            EXPECT_EQ(doc.width, 3);
            EXPECT_EQ(doc.samples.size(), size_t(3 * 2 * 3));
        } else if (end == End::PluginFails) {
            EXPECT_EQ(doc.samples, before.samples);
        }
    }
}

// The real protocol end to end in-process: what the test plug-in takes, it gives back.
TEST(HostExchange, PluginLeavesNoHandlesOrBuffersBehind) {
    void* module = dlopen(VORNESK_TEST_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto entry = reinterpret_cast<PluginMainProc>(dlsym(module, "PluginMain"));
    ASSERT_NE(entry, nullptr);
    const int32_t handles = HostHandlesAlive(), buffers = HostBuffersAlive();
    for (bool settings : {false, true}) {
        HostDocument doc = Numbered(70, 50, 3, true, 16);
        HostRunSettings run;
        run.haveSettings = settings;
        run.settings = {DescriptorItem{MakeFourCC("cont"), typeBoolean, 0, 0, true, 0, 0, ""}};
        HostRunReport report;
        ASSERT_TRUE(RunFilter(entry, &doc, run, &report)) << HostResultInWords(report.result);
        EXPECT_TRUE(report.descriptorWritten);
        EXPECT_EQ(report.continueCalls, settings ? 4 : 0);   // 70 x 50 in 61 x 40 chunks
        EXPECT_EQ(HostHandlesAlive(), handles);
        EXPECT_EQ(HostBuffersAlive(), buffers);
    }
    dlclose(module);
}

}  // namespace
