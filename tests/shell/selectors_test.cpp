// The selectors called directly with a filter record made here: refusals,
// the about box, unknown selectors, memory negotiation and the handles.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/host/buffers.h"
#include "platform/host/descriptors.h"
#include "platform/host/handles.h"
#include "platform/host/host_services.h"
#include "platform/host/result_codes.h"
#include "ui/alerts.h"
#include "host_access/reporter.h"
#include "records/data.h"
#include "shell/invocation.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "records/plugin_globals.h"
#include "shell/selectors.h"
#include "shell/settings_persistence.h"
#include "shell/settings_files.h"

namespace {

OSErr NoExchange() { return noErr; }

// A filter record of a w x h document of the given mode, with the host's
// handle and buffer procedures and nothing else exchanged.
struct Record {
    FilterRecord r{};
    BigDocumentStruct big{};
    PIDescriptorParameters descriptors{};
    intptr_t dataWord = 0;
    std::string supportFolder;

    Record(int32_t w, int32_t h, int16_t mode, int32_t depth, int16_t planes) {
        char tmpl[] = "/tmp/vornesk-selectors-XXXXXX";
        supportFolder = mkdtemp(tmpl);
        setenv("VORNESK_SUPPORT_DIR", supportFolder.c_str(), 1);
        r.hostSig = MakeFourCC("test");
        r.advanceState = NoExchange;
        r.handleProcs = HostServicesHandleProcs();
        r.bufferProcs = HostServicesBufferProcs();
        r.sSPBasic = HostServicesBasicSuite();
        r.bigDocumentData = &big;
        r.descriptorParameters = &descriptors;
        descriptors.readDescriptorProcs = HostServicesReadDescriptorProcs();
        descriptors.writeDescriptorProcs = HostServicesWriteDescriptorProcs();
        big.bigDocumentVersion = 1;
        big.filterRect32 = VRect{0, 0, h, w};
        big.imageSize32 = VPoint{h, w};
        r.filterRect = Rect{0, 0, int16_t(h), int16_t(w)};
        r.imageMode = mode;
        r.depth = depth;
        r.planes = planes;
        r.maxSpace = 100000000;
        r.inRect = r.outRect = r.maskRect = Rect{1, 2, 3, 4};
    }
    ~Record() {
        DisposeHandle(r.parameters);
        DisposeHandle(reinterpret_cast<Handle>(dataWord));
        std::system(("rm -rf '" + supportFolder + "'").c_str());
        unsetenv("VORNESK_SUPPORT_DIR");
    }
    int16_t Call(int16_t selector) {
        int16_t result = 0;
        PluginMain(selector, &r, &dataWord, &result);
        return result;
    }
    bool RectsEmpty() const {
        auto empty = [](const VRect& v) { return v.top == 0 && v.left == 0 && v.bottom == 0 && v.right == 0; };
        return empty(big.inRect32) && empty(big.outRect32) && empty(big.maskRect32);
    }
};

// The entry hands the lower folders the dialog's alerts, warnings and
// progress before anything else.
TEST(Selectors, TheEntryInstallsTheDialogsReporter) {
    const Reporter* saved = InstalledReporter();
    InstallReporter(nullptr);
    Record rec(16, 16, imageModeRGB, 8, 3);
    EXPECT_EQ(rec.Call(filterSelectorPrepare), noErr);
    const Reporter* r = InstalledReporter();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->memoryAlert, &ShowMemoryAlertCocoa);
    EXPECT_EQ(r->progress, &MondoProgressUpdate_fractionX);
    EXPECT_EQ(r->cancelling, &MondoProgressShowCancelling);
    InstallReporter(saved);
}

TEST(Selectors, MultichannelOnAHostWithoutAdvanceStateShowsBothRefusals) {
    Record rec(64, 48, imageModeMultichannel, 8, 3);
    rec.r.advanceState = nullptr;
    EXPECT_EQ(rec.Call(filterSelectorPrepare), noErr);
    rec.big.inRect32 = rec.big.outRect32 = rec.big.maskRect32 = VRect{0, 0, 8, 8};
    testing::internal::CaptureStderr();
    EXPECT_EQ(rec.Call(filterSelectorStart), errAlreadyReported);
    const std::string alerts = testing::internal::GetCapturedStderr();
    EXPECT_EQ(diagnosticResult, 203);
    EXPECT_NE(alerts.find(kRefusal2Text), std::string::npos);
    EXPECT_NE(alerts.find("Can\u2019t handle multichannel images"), std::string::npos);
    EXPECT_NE(alerts.find("This plug-in only understands grayscale and RGB images."), std::string::npos);
    EXPECT_LT(alerts.find(kRefusal2Text), alerts.find(kRefusal3Text));
    EXPECT_TRUE(rec.RectsEmpty());
}

TEST(Selectors, EveryUnreadableImageModeIsRefused) {
    for (int16_t mode : {imageModeBitmap, imageModeIndexed, imageModeCMYK, imageModeDuotone, imageModeLab,
                         imageModeLab48, imageModeCMYK64, imageModeDeepMultichannel, imageModeDuotone16}) {
        Record rec(32, 32, mode, 8, 4);
        ASSERT_EQ(rec.Call(filterSelectorPrepare), noErr);
        testing::internal::CaptureStderr();
        EXPECT_EQ(rec.Call(filterSelectorStart), errAlreadyReported) << mode;
        const std::string alerts = testing::internal::GetCapturedStderr();
        EXPECT_NE(alerts.find(kRefusalModeTitle), std::string::npos) << mode;
        EXPECT_TRUE(rec.RectsEmpty());
    }
}

TEST(Selectors, AboutTouchesNoHandleAndUnknownSelectorsOnlyUnlock) {
    AboutRecord about{};
    about.sSPBasic = HostServicesBasicSuite();
    intptr_t dataWord = 0;
    int16_t result = 77;
    testing::internal::CaptureStderr();
    PluginMain(filterSelectorAbout, &about, &dataWord, &result);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Vornesk 2"), std::string::npos);
    EXPECT_EQ(result, noErr);
    EXPECT_EQ(dataWord, 0);

    Record rec(16, 16, imageModeRGB, 8, 3);
    EXPECT_EQ(rec.Call(filterSelectorPrepare), noErr);
    ASSERT_NE(rec.dataWord, 0);
    const Handle data = reinterpret_cast<Handle>(rec.dataWord);
    EXPECT_EQ(rec.Call(42), noErr);
    // Unlocked: the handle can be resized again.
    EXPECT_EQ(SetHandleSize(data, GetHandleSize(data)), noErr);
    EXPECT_EQ(SetHandleSize(rec.r.parameters, GetHandleSize(rec.r.parameters)), noErr);
}

TEST(Selectors, PrepareLowersTheHostsMemoryOfferToTheNeed) {
    Record big(1000, 1000, imageModeRGB, 8, 3);
    big.r.maxSpace = 10000000;
    EXPECT_EQ(big.Call(filterSelectorPrepare), noErr);
    EXPECT_EQ(big.r.maxSpace, 3 * 256 * 256 * 2);
    EXPECT_EQ(big.r.bufferSpace, 0);

    Record small(1000, 1000, imageModeRGB, 8, 3);
    small.r.maxSpace = 1000;
    EXPECT_EQ(small.Call(filterSelectorPrepare), noErr);
    EXPECT_EQ(small.r.maxSpace, 1000);

    // A mask counts as one more plane.
    Record masked(100, 50, imageModeRGB, 8, 3);
    masked.r.haveMask = true;
    EXPECT_EQ(masked.Call(filterSelectorPrepare), noErr);
    EXPECT_EQ(masked.r.maxSpace, 4 * 50 * 100 * 2);
}

TEST(Selectors, PrepareFillsDefaultsAndMakesAMissingDataHandle) {
    Record rec(120, 80, imageModeRGB, 8, 3);
    EXPECT_EQ(rec.Call(filterSelectorParameters), noErr);
    ASSERT_NE(rec.r.parameters, nullptr);
    // The host lost the data word but kept the parameters.
    DisposeHandle(reinterpret_cast<Handle>(rec.dataWord));
    rec.dataWord = 0;
    EXPECT_EQ(rec.Call(filterSelectorPrepare), noErr);
    ASSERT_NE(rec.dataWord, 0);
    auto* params = reinterpret_cast<Parameters*>(HandleAddress(rec.r.parameters));
    auto* data = reinterpret_cast<Data*>(HandleAddress(reinterpret_cast<Handle>(rec.dataWord)));
    EXPECT_EQ(params->version, -999);
    EXPECT_STREQ(params->presetName, "Vornesk 2 settings");
    EXPECT_EQ(data->width, 120);
    EXPECT_EQ(data->height, 80);
    EXPECT_EQ(data->jobBottom, 79);
    EXPECT_EQ(data->jobRight, 119);
    EXPECT_EQ(data->rowBufferRecordCount, 3 * 120 + 2184);
    EXPECT_EQ(data->setUpWithoutMemory, 1);
    EXPECT_EQ(data->storage, nullptr);
}

TEST(Selectors, LockingWithoutHandlesIsABadParameter) {
    Record rec(16, 16, imageModeRGB, 8, 3);
    EXPECT_EQ(rec.Call(filterSelectorFinish), filterBadParameters);
    EXPECT_EQ(diagnosticResult, 206);
}

TEST(Selectors, ContinueEmptiesTheRectangles) {
    Record rec(16, 16, imageModeRGB, 8, 3);
    rec.big.PluginUsing32BitCoordinates = 1;
    rec.big.inRect32 = rec.big.outRect32 = rec.big.maskRect32 = VRect{0, 0, 8, 8};
    EXPECT_EQ(rec.Call(filterSelectorContinue), noErr);
    EXPECT_TRUE(rec.RectsEmpty());
    // Without 32-bit coordinates the 16-bit rectangles are the ones emptied.
    Record old(16, 16, imageModeRGB, 8, 3);
    old.r.bigDocumentData = nullptr;
    EXPECT_EQ(old.Call(filterSelectorContinue), noErr);
    EXPECT_EQ(old.r.outRect.bottom, 0);
    EXPECT_EQ(old.r.inRect.right, 0);
}

void* NoMemory(size_t) { return nullptr; }

Handle NoHandle(int32_t) { return nullptr; }
Ptr NoLock(Handle, Boolean) { return nullptr; }

// Memory the plug-in cannot get at its start (its records, or their locks,
// or its work storage) is told to the user with the memory alert, once, and
// the host gets the result; a start that gets it shows no such alert.
TEST(Selectors, MemoryDeniedAtTheStartShowsTheMemoryAlert) {
    struct Case {
        const char* what;
        int16_t selector;
        bool prepareFirst;
        Handle (*newProc)(int32_t);
        Ptr (*lockProc)(Handle, Boolean);
        void* (*allocate)(size_t);
        int16_t result;
        int16_t diagnostic;
    };
    const Case cases[] = {
        {"no parameters handle", filterSelectorParameters, false, NoHandle, nullptr, nullptr, memFullErr, 198},
        {"no handles to prepare", filterSelectorPrepare, false, NoHandle, nullptr, nullptr, memFullErr, 198},
        {"handles that do not lock", filterSelectorStart, true, nullptr, NoLock, nullptr, memFullErr, 207},
        {"no work storage", filterSelectorStart, true, nullptr, nullptr, NoMemory, errStorageFailed, 227},
        {"all granted", filterSelectorPrepare, false, nullptr, nullptr, nullptr, noErr, -1},
    };
    for (const Case& c : cases) {
        Record rec(16, 16, imageModeRGB, 8, 3);
        HandleProcs procs = *rec.r.handleProcs;
        rec.r.handleProcs = &procs;
        rec.r.inRect = rec.r.outRect = rec.r.maskRect = Rect{};
        if (c.prepareFirst) ASSERT_EQ(rec.Call(filterSelectorPrepare), noErr) << c.what;
        if (c.newProc) procs.newProc = c.newProc;
        if (c.lockProc) procs.lockProc = c.lockProc;
        gInvocationAllocate = c.allocate;
        diagnosticResult = -1;
        testing::internal::CaptureStderr();
        const int16_t result = rec.Call(c.selector);
        const std::string said = testing::internal::GetCapturedStderr();
        gInvocationAllocate = nullptr;
        EXPECT_EQ(result, c.result) << c.what;
        if (c.result != noErr) EXPECT_EQ(diagnosticResult, c.diagnostic) << c.what;
        const size_t at = said.find(kMemoryAlertText);
        EXPECT_EQ(at != std::string::npos, c.result != noErr) << c.what << ": " << said;
        if (at != std::string::npos) {
            EXPECT_NE(said.find(kMemoryAlertTitle), std::string::npos) << c.what;
            EXPECT_EQ(said.find(kMemoryAlertText, at + 1), std::string::npos) << c.what << ": shown twice";
        }
        procs = *HostServicesHandleProcs();   // the records go back through the host's own procedures
    }
}

TEST(Selectors, StartWithoutWorkStorageFailsCleanlyAndKeepsTheSavedMap) {
    Record rec(64, 48, imageModeRGB, 8, 3);
    const std::string map = rec.supportFolder + "/Vornesk 2 memdot map 2";
    FILE* f = std::fopen(map.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const unsigned char saved[8] = {0, 0, 0, 48, 0, 0, 0, 1};
    std::fwrite(saved, 1, sizeof saved, f);
    std::fclose(f);
    gMemDotFlagsKnown = false;

    ASSERT_EQ(rec.Call(filterSelectorPrepare), noErr);
    rec.big.inRect32 = rec.big.outRect32 = rec.big.maskRect32 = VRect{0, 0, 8, 8};
    gInvocationAllocate = NoMemory;
    EXPECT_EQ(rec.Call(filterSelectorStart), errStorageFailed);
    gInvocationAllocate = nullptr;
    EXPECT_EQ(diagnosticResult, 227);
    EXPECT_TRUE(rec.RectsEmpty());
    auto* data = reinterpret_cast<Data*>(HandleAddress(reinterpret_cast<Handle>(rec.dataWord)));
    EXPECT_EQ(data->storage, nullptr);
    EXPECT_EQ(data->previewPyramid.tiles, nullptr);
    // No cached settings were written and the map is as it was.
    EXPECT_NE(access((rec.supportFolder + "/Vornesk 2 cached settings D").c_str(), F_OK), 0);
    f = std::fopen(map.c_str(), "rb");
    unsigned char back[16] = {};
    EXPECT_EQ(std::fread(back, 1, sizeof back, f), sizeof saved);
    std::fclose(f);
    EXPECT_EQ(back[7], 1);
}

}  // namespace
