// Invocation storage, host rectangles and the proxy, tile copies, suites and
// host utilities, each against a filter record made here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/buffers.h"
#include "platform/host/handles.h"
#include "platform/host/host_services.h"
#include "platform/host/result_codes.h"
#include "host_access/FilterBigDocument.h"
#include "host_access/PIUSuites.h"
#include "records/data.h"
#include "host_access/host_rects.h"
#include "host_access/host_utilities.h"
#include "shell/invocation.h"
#include "projections/input_poly.h"
#include "pyramid/pyramid.h"
#include "pyramid/render_storage.h"
#include "records/parameters.h"
#include "engine/task_engine_globals.h"
#include "shell/defaults.h"
#include "records/plugin_globals.h"
#include "shell/settings_persistence.h"
#include "shell/settings_files.h"
#include "engine/task_records.h"
#include "render/tile_passes.h"
#include "render/tile_copies.h"
#include "records/work_area.h"
#include "records/vort.h"

namespace {

// The globals of a selector call, set up over records owned by the test.
struct Invocation : ::testing::Test {
    FilterRecord record{};
    BigDocumentStruct big{};
    int16_t result = 0;
    std::unique_ptr<Parameters> params = std::make_unique<Parameters>();
    std::unique_ptr<Data> data = std::make_unique<Data>();
    std::string folder;

    void SetUp() override {
        char tmpl[] = "/tmp/vornesk-storage-XXXXXX";
        folder = mkdtemp(tmpl);
        setenv("VORNESK_SUPPORT_DIR", folder.c_str(), 1);
        std::memset(static_cast<void*>(params.get()), 0, sizeof(Parameters));
        std::memset(static_cast<void*>(data.get()), 0, sizeof(Data));
        record.hostSig = MakeFourCC("test");
        record.bufferProcs = HostServicesBufferProcs();
        record.handleProcs = HostServicesHandleProcs();
        record.bigDocumentData = &big;
        big.bigDocumentVersion = 1;
        big.PluginUsing32BitCoordinates = 1;
        SetDocument(1000, 800, imageModeRGB, 8);
        gFilterRecord = &record;
        gResult = &result;
        gParams = params.get();
        gData = data.get();
        FillInTheParametersAndDataForQevan(gParams, gData);
        PreBufferRequest_new_way(gData);
    }
    void TearDown() override {
        dump_Storage(gData);
        gInvocationAllocate = nullptr;
        gFilterRecord = nullptr;
        gResult = nullptr;
        gParams = nullptr;
        gData = nullptr;
        std::system(("rm -rf '" + folder + "'").c_str());
        unsetenv("VORNESK_SUPPORT_DIR");
    }
    void SetDocument(int32_t w, int32_t h, int16_t mode, int32_t depth) {
        big.filterRect32 = VRect{0, 0, h, w};
        record.filterRect = Rect{0, 0, int16_t(h), int16_t(w)};
        record.imageMode = mode;
        record.depth = depth;
        record.planes = 3;
    }
};

TEST_F(Invocation, RowBufferCountsFollowTheFilterRectangle) {
    EXPECT_EQ(RowBufferRecordCount(1000, 800), 5184);
    EXPECT_EQ(RowBufferRecordCount(1, 1), 2187);
    EXPECT_EQ(RowBufferRecordCount(10, 3000), 6008);
    EXPECT_EQ(data->rowBufferRecordCount, 5184);
    EXPECT_EQ(data->widthPlus3, 1003);
    EXPECT_EQ(data->twiceWidthPlus3, 2006);
    EXPECT_EQ(data->heightPlus3, 803);
    EXPECT_EQ(data->widthPlus2178, 3178);

    ASSERT_TRUE(DoGrabbing(gData));
    EXPECT_EQ(data->rowBufferBytes, 5184 * 128);   // 128 bytes a reply cell
    ASSERT_NE(data->storage, nullptr);
    EXPECT_EQ(data->storage->magic, 123456);
    ASSERT_NE(data->storage->smallPyramid, nullptr);
    EXPECT_EQ(data->storage->smallPyramid->width[0], 100);

    OncePerInvocationTasksNeedingMemory(gData);
    for (int64_t s : data->storage->sentinels) EXPECT_EQ(s, 111111111);
    EXPECT_EQ(data->storage->inverseTableA[0], 999.0f);
    EXPECT_EQ(data->storage->cachedModeWord, -9999);
    EXPECT_EQ(data->previewPyramid.width[0], 128);
    EXPECT_EQ(data->pyramids[kSmallPyramid50].width[0], 50);
    EXPECT_EQ(data->pyramids[kSmallPyramid10B].kind, kPyrColourFloat);
    EXPECT_EQ(params->exportPurpose, 3);
    EXPECT_EQ(data->previewArea.bottom, 1);

    dump_Storage(gData);
    dump_Storage(gData);
    EXPECT_EQ(data->storage, nullptr);
    EXPECT_EQ(data->rowBuffer, nullptr);
    EXPECT_EQ(data->previewPyramid.tiles, nullptr);
}

// The solid of a polyhedral input lives until the storage is freed, and is
// freed with it.
TEST_F(Invocation, DumpStorageFreesTheInputPolyhedron) {
    ASSERT_NE(AllocateInputPoly(gData, 39, 0.5), nullptr);
    dump_Storage(gData);
    EXPECT_EQ(data->inputPolyhedron, nullptr);
    dump_Storage(gData);
    EXPECT_EQ(data->inputPolyhedron, nullptr);
}

int gAllocations = 0;
int gFailAt = -1;
void* FailingAllocate(size_t size) { return gAllocations++ == gFailAt ? nullptr : std::malloc(size); }

TEST_F(Invocation, FailedGrabbingFreesWhatItGotAndEmptiesTheRectangles) {
    // Fail each of the five blocks in turn: row buffer, three small buffers, work area.
    for (int fail : {0, 1, 2, 4}) {
        gAllocations = 0;
        gFailAt = fail;
        gInvocationAllocate = FailingAllocate;
        result = noErr;
        big.inRect32 = big.outRect32 = big.maskRect32 = VRect{0, 0, 5, 5};
        const bool secondSmallOnly = fail == 2;
        EXPECT_EQ(DoGrabbing(gData), secondSmallOnly) << fail;
        if (secondSmallOnly) {
            // Only the first small buffer is required.
            dump_Storage(gData);
            continue;
        }
        EXPECT_EQ(result, errStorageFailed);
        EXPECT_EQ(diagnosticResult, 227);
        EXPECT_EQ(data->storage, nullptr);
        EXPECT_EQ(data->rowBuffer, nullptr);
        for (void* b : data->smallBuffers) EXPECT_EQ(b, nullptr);
        EXPECT_EQ(big.outRect32.bottom, 0);
        // The set-up has nothing to write into.
        OncePerInvocationTasksNeedingMemory(gData);
        EXPECT_EQ(data->previewPyramid.tiles, nullptr);
    }
}

TEST_F(Invocation, InputPyramidKindFollowsTheHostsModeAndDepth) {
    struct Case {
        int16_t mode;
        int32_t depth;
        int64_t kind;
    } cases[] = {{imageModeRGB48, 16, kPyrColour16}, {imageModeGrey16, 16, kPyrColour16},
                 {imageModeGrey32, 32, kPyrColourFloat}, {imageModeRGB96, 32, kPyrColourFloat},
                 {imageModeRGB, 8, kPyrColour8}, {imageModeGreyscale, 8, kPyrColour8}};
    // A host that answers every request without pixels.
    record.advanceState = [] { return OSErr(noErr); };
    for (const Case& c : cases) {
        SetDocument(40, 30, c.mode, c.depth);
        params->inputPyramidFilled = 0;
        PreBufferRequest_new_way(gData);
        MaybeAllocatePyramids(gData);
        EXPECT_EQ(result, noErr);
        EXPECT_EQ(data->pyramids[kMainInputPyramid].kind, c.kind) << c.mode;
        EXPECT_EQ(data->pyramids[kMainInputPyramid].width[0], 40);
        EXPECT_EQ(params->inputPyramidFilled, 1);
        EXPECT_EQ(data->inputHeight, 30);
        DisposePyramidData(&data->pyramids[kMainInputPyramid]);
    }
}

// Bytes the C heap holds for the program (0 where a sanitizer's allocator
// replaces it; its leak checker covers the same ground there).
size_t HeapBytesInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

TEST_F(Invocation, ARefusedInputReadIsAllocatedAgainWithoutLeakingTheFirstTiles) {
    SetDocument(600, 600, imageModeRGB, 8);
    PreBufferRequest_new_way(gData);
    // A refused read, then the next render asking again: the main pyramid
    // is allocated afresh.
    auto refusedThenRead = [&] {
        result = noErr;
        record.advanceState = [] { return OSErr(errPlugInHostInsufficient); };
        MaybeAllocatePyramids(gData);
        EXPECT_NE(result, noErr);
        EXPECT_EQ(params->inputPyramidFilled, 0);
        ASSERT_NE(data->pyramids[kMainInputPyramid].tiles, nullptr);  // the partial picture
        result = noErr;
        record.advanceState = [] { return OSErr(noErr); };
        MaybeAllocatePyramids(gData);
        EXPECT_EQ(result, noErr);
        EXPECT_EQ(params->inputPyramidFilled, 1);
        DisposePyramidData(&data->pyramids[kMainInputPyramid]);
        params->inputPyramidFilled = 0;
    };
    // The first round also starts what stays for the program's life (the
    // engine's threads and their heaps); the second is measured.
    refusedThenRead();
    const size_t before = HeapBytesInUse();
    refusedThenRead();
    // Level 0 alone holds over 1 MB of tiles that would stay behind if leaked.
    EXPECT_LT(HeapBytesInUse(), before + (size_t{1} << 19));
}

TEST_F(Invocation, ShutDownKeepsAMemDotMapItNeverRead) {
    const std::string map = folder + "/Vornesk 2 memdot map 2";
    FILE* f = std::fopen(map.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    // The word 48 and 25 flags, the first of them set.
    unsigned char saved[104] = {0, 0, 0, 48, 0, 0, 0, 1};
    std::fwrite(saved, 1, sizeof saved, f);
    std::fclose(f);
    gMemDotFlagsKnown = false;
    DoShutDown(gData);
    f = std::fopen(map.c_str(), "rb");
    unsigned char back[16] = {};
    const size_t n = std::fread(back, 1, sizeof back, f);
    std::fclose(f);
    EXPECT_EQ(n, 16u);
    EXPECT_EQ(back[7], 1);

    // Once read, the map is written back whole.
    ReadInvocationBracketingSettingsFileCocoa(kMemDotMapName);
    EXPECT_EQ(MemDotIsPersistent[0], 1);
    DoShutDown(gData);
    f = std::fopen(map.c_str(), "rb");
    EXPECT_EQ(std::fread(back, 1, sizeof back, f), 16u);
    std::fclose(f);
    EXPECT_EQ(back[3], 48);
    EXPECT_EQ(back[7], 1);
    MemDotIsPersistent[0] = 0;
}

TEST_F(Invocation, ProxyScaleFactors) {
    record.advanceState = [] { return OSErr(noErr); };
    record.displayPixels = [](const PSPixelMap*, const VRect*, int32_t, int32_t, void*) { return OSErr(noErr); };
    record.samplingSupport = hostSupportsIntegralSampling;
    VRect out;
    int16_t factor = 0;
    EXPECT_EQ(CalcDefaultProxyScaleFactor(VRect{0, 0, 2000, 3000}, VRect{0, 0, 400, 600}, &out, &factor), 5);
    EXPECT_EQ(factor, 5);
    EXPECT_EQ(out.bottom, 400);
    EXPECT_EQ(out.right, 600);
    EXPECT_EQ(CalcDefaultProxyScaleFactor(VRect{0, 0, 2000, 3000}, VRect{0, 0, 400, 700}, &out, &factor), 5);
    EXPECT_EQ(CalcDefaultProxyScaleFactor(VRect{0, 0, 100, 100}, VRect{0, 0, 400, 700}, &out, &factor), 1);

    // A host that cannot show proxies always gets 1.
    record.hostSig = MakeFourCC("AffP");
    EXPECT_EQ(CalcDefaultProxyScaleFactor(VRect{0, 0, 2000, 3000}, VRect{0, 0, 400, 600}, &out, &factor), 1);
    data->previewArea = VRect{0, 0, 1000, 1000};
    SetUpFilterRecordForProxy(gData, 4);
    EXPECT_EQ(params->proxyScale, 1);
    record.hostSig = MakeFourCC("test");
    record.displayPixels = nullptr;
    EXPECT_EQ(CalcDefaultProxyScaleFactor(VRect{0, 0, 2000, 3000}, VRect{0, 0, 400, 600}, &out, &factor), 1);
}

TEST_F(Invocation, ProxySetUpScalesAndCutsToThePreviewArea) {
    record.advanceState = [] { return OSErr(noErr); };
    record.displayPixels = [](const PSPixelMap*, const VRect*, int32_t, int32_t, void*) { return OSErr(noErr); };
    record.samplingSupport = hostSupportsIntegralSampling;
    data->previewArea = VRect{0, 0, 150, 180};
    SetUpFilterRecordForProxy(gData, 4);
    EXPECT_EQ(params->proxyScale, 4);
    EXPECT_EQ(data->proxyRect.right, 180);   // 1000 / 4 = 250, cut to 180
    EXPECT_EQ(data->proxyRect.bottom, 150);  // 800 / 4 = 200, cut to 150
    EXPECT_EQ(GetProcessableRect().right, 180);
    EXPECT_EQ(data->width, 180);
    EXPECT_EQ(data->inputLineLast, 149);
}

TEST_F(Invocation, PopRectStateRestoresTheHostsRectanglesInItsOwnForm) {
    for (int32_t uses32 : {1, 0}) {
        big.PluginUsing32BitCoordinates = uses32;
        const VRect in{1, 2, 300, 40000}, out{5, 6, 70, 80}, mask{9, 10, 11, 12};
        SetInRect(in);
        SetOutRect(out);
        SetMaskRect(mask);
        params->proxyScale = 3;
        data->rectStateWord = 17;
        RectState state{};
        PushRectState(&state, gData);
        KillRects();
        params->proxyScale = 1;
        data->rectStateWord = 0;
        PopRectState(&state, gData);
        EXPECT_EQ(params->proxyScale, 3);
        EXPECT_EQ(data->rectStateWord, 17);
        if (uses32) {
            EXPECT_EQ(big.inRect32.right, 40000);
            EXPECT_EQ(big.outRect32.bottom, 70);
            EXPECT_EQ(big.maskRect32.left, 10);
        } else {
            // The 16-bit form holds what it can.
            EXPECT_EQ(record.inRect.right, INT16_MAX);
            EXPECT_EQ(record.outRect.bottom, 70);
            EXPECT_EQ(record.maskRect.left, 10);
        }
    }
}

TEST_F(Invocation, ProxyBufferSamples) {
    EXPECT_EQ(ProxyByteFrom16(32768), 255);
    EXPECT_EQ(ProxyByteFrom16(128), 0);
    EXPECT_EQ(ProxyByteFrom16(129), 1);
    EXPECT_EQ(ProxyByteFromFloat(2.0f), 255);
    EXPECT_EQ(ProxyByteFromFloat(-1.0f), 0);
}

// ResetProxyBuffer asks the host for one plane at a time; this host answers
// with 16-bit rows of 0, 128, 32768 whatever the plane.
std::vector<uint16_t> gPlaneRow;
OSErr ExchangeOnePlane() {
    gFilterRecord->inData = gPlaneRow.data();
    gFilterRecord->inRowBytes = int32_t(gPlaneRow.size() * 2);
    return gFilterRecord->inLoPlane == 2 ? OSErr(-1) : OSErr(noErr);
}

TEST_F(Invocation, ResetProxyBufferConvertsPlaneByPlaneAndStopsAtAFailure) {
    SetDocument(3, 1, imageModeRGB48, 16);
    big.inRect32 = VRect{0, 0, 1, 3};
    record.advanceState = ExchangeOnePlane;
    gPlaneRow = {0, 128, 32768};
    data->proxyRect = VRect{0, 0, 1, 3};
    proxyBufferRecord proxy{};
    ASSERT_TRUE(CreateProxyBuffer(&proxy));
    EXPECT_EQ(proxy.byteCount, 9);
    ResetProxyBuffer(&proxy);
    EXPECT_EQ(proxy.pixels[0], 0);
    EXPECT_EQ(proxy.pixels[1], 0);
    EXPECT_EQ(proxy.pixels[2], 255);
    EXPECT_EQ(proxy.pixels[5], 255);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(diagnosticResult, 260);
    DeleteProxyBuffer(&proxy);
    EXPECT_EQ(proxy.pixels, nullptr);
}

TEST_F(Invocation, TileCopySetsTheAutoMaskByHost) {
    PerTaskStuffType task{};
    task.tracker.current_tile_rect = VRect{0, 0, 2, 2};
    record.autoMask = false;
    record.hostSig = MakeFourCC("AffP");
    copy_pixels_of_tile_out_to_destination(&task);
    EXPECT_TRUE(record.autoMask);
    record.hostSig = MakeFourCC("8BIM");
    copy_pixels_of_tile_out_to_destination(&task);
    EXPECT_FALSE(record.autoMask);
}

// Job pixel (x, y) of the tile sits one cell in from the grid's corner; the
// grid has a border of one cell all round.
TEST(TileCopies, ReplyCellIndexOfAJobPixel) {
    PerTaskStuffType task{};
    task.tracker.current_tile_rect = VRect{0, 0, 2, 3};  // 3 wide, 2 high
    task.tracker.buffer_x_elements = 5;
    task.tracker.buffer_y_elements = 4;
    EXPECT_EQ(ReplyCellIndex(&task, 0, 0), 5 + 1);
    EXPECT_EQ(ReplyCellIndex(&task, -2, 0), -1);
    EXPECT_EQ(ReplyCellIndex(&task, 3, 2), 4 * 5 - 1);
}

TEST(HostUtilities, ReportedErrorsAreCutTo254Characters) {
    Str255 error = {};
    const std::string longMessage(300, 'x');
    EXPECT_EQ(HostReportError(&error, longMessage.c_str()), errReportString);
    EXPECT_EQ(error[0], 254);
}

}  // namespace
