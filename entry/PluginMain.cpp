// The plug-in's one exported entry and its selector handlers: keep what the
// host passed, create and lock the Parameters and Data handles, refuse hosts
// and images that cannot be worked on, run the dialog or render directly, and
// answer failures with host result codes and an internal diagnostic number.
#include "shell/selectors.h"

#include <algorithm>

#include "platform/host/result_codes.h"
#include "host_access/FilterBigDocument.h"
#include "ui/alerts.h"
#include "host_access/PIUSuites.h"
#include "records/data.h"
#include "host_access/host_rects.h"
#include "host_access/host_utilities.h"
#include "host_access/reporter.h"
#include "shell/host_export.h"
#include "shell/result_at_size.h"
#include "shell/invocation.h"
#include "shell/renderable.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "shell/scripting.h"
#include "shell/settings_persistence.h"
#include "render/render_drivers.h"
#include "projections/simplex.h"
#include "solids/origami.h"
#include "shell/settings_files.h"

namespace {

constexpr int64_t kNegotiationSide = 256;

// The dialog's side of what the lower folders report.
const Reporter kDialogReporter = [] {
    Reporter r;
    r.memoryAlert = ShowMemoryAlertCocoa;
    r.warning = ShowRenderWarning;
    r.progress = MondoProgressUpdate_fractionX;
    r.cancelling = MondoProgressShowCancelling;
    return r;
}();

bool ResultIsOK() { return HostResult() == noErr; }

Handle DataHandle() { return gDataHandle ? reinterpret_cast<Handle>(*gDataHandle) : nullptr; }

// Refreshes the locked pointers after a successful lock.
void FinishLock() {
    if (gParams && gData) gParams->data = gData;
}

}  // namespace

void CreateDataHandle() {
    HandleProcs* procs = GetHandleProcs();
    Handle h = procs && procs->newProc ? procs->newProc(int32_t(sizeof(Data))) : nullptr;
    if (gDataHandle) *gDataHandle = reinterpret_cast<intptr_t>(h);
    if (!h) SetHostResult(memFullErr, kDiagDataHandle);
}

void LockHandles() {
    gParams = nullptr;
    gData = nullptr;
    HandleProcs* procs = GetHandleProcs();
    Handle p = gFilterRecord ? gFilterRecord->parameters : nullptr;
    Handle d = DataHandle();
    if (!p || !d || !procs || !procs->lockProc) {
        SetHostResult(filterBadParameters, kDiagHandleMissing);
        return;
    }
    gParams = reinterpret_cast<Parameters*>(procs->lockProc(p, true));
    gData = reinterpret_cast<Data*>(procs->lockProc(d, true));
    if (!gParams || !gData) {
        SetHostResult(memFullErr, kDiagLockFailed);
        return;
    }
    FinishLock();
}

void UnlockHandles() {
    HandleProcs* procs = GetHandleProcs();
    if (!procs || !procs->unlockProc) return;
    if (Handle d = DataHandle()) procs->unlockProc(d);
    if (gFilterRecord && gFilterRecord->parameters) procs->unlockProc(gFilterRecord->parameters);
}

void InitParameters() {
    if (gParams) reinterpret_cast<uint8_t*>(gParams)[0] = 0;
}

void InitData() {
    if (!gData) return;
    gData->showDialog = 0;
    gData->scale = 1.0f;
    gData->proxyRect = VRect{};
}

bool GetAdvanceStateAvailable() { return gFilterRecord && gFilterRecord->advanceState; }
bool GetDisplayPixelsAvailable() { return gFilterRecord && gFilterRecord->displayPixels; }

bool ImageModeIsReadable() {
    switch (GetImageMode()) {
        case imageModeGreyscale:
        case imageModeRGB:
        case imageModeGrey16:
        case imageModeRGB48:
        case imageModeRGB96:
        case imageModeGrey32:
            return true;
        default:
            return false;
    }
}

void DoParameters() {
    if (!gFilterRecord->parameters) CreateParametersHandle();
    if (ResultIsOK() && !DataHandle()) CreateDataHandle();
    if (ResultIsOK()) LockHandles();
    if (!ResultIsOK()) {
        WhineAboutMemory(HostResult());
        return;
    }
    InitParameters();
    InitData();
    gData->showDialog = 1;
    gData->firstInvocation = 1;
}

void DoPrepare() {
    RequestBigDocumentCoordinates();
    bool created = false;
    if (!gFilterRecord->parameters) {
        CreateParametersHandle();
        created = ResultIsOK();
    }
    // A Data handle can be missing even when the parameters survived from an
    // earlier run: make it rather than lock without it.
    if (ResultIsOK() && !DataHandle()) {
        CreateDataHandle();
        created = created || ResultIsOK();
    }
    if (ResultIsOK()) LockHandles();
    if (!ResultIsOK()) {
        WhineAboutMemory(HostResult());
        return;
    }
    if (created) {
        InitParameters();
        InitData();
    }

    SetBufferSpace(0);
    const VRect f = GetFilterRect();
    const int64_t h = std::min<int64_t>(int64_t(f.bottom) - f.top, kNegotiationSide);
    const int64_t w = std::min<int64_t>(int64_t(f.right) - f.left, kNegotiationSide);
    const int64_t planes = GetPlanes() + (GetHaveMask() ? 1 : 0);
    const int64_t need = std::max<int64_t>(planes * h * w * 2, 0);
    if (gFilterRecord->maxSpace > need) gFilterRecord->maxSpace = int32_t(need);

    Nullify_buffers(gData);
    FillInTheParametersAndDataForQevan(gParams, gData);
    gData->suspendPreview = 0;
    gData->spareWords[1] = 0;
    gData->spareWords[2] = 0;
    PreBufferRequest_new_way(gData);
    MakeBufferRequest(gData);
    OncePerInvocationTasksWithoutMemory(gData);
}

void DoStart() {
    RequestBigDocumentCoordinates();
    LockHandles();
    if (!gParams || !gData) {
        // The host gets the result; the user is told why nothing happens.
        WhineAboutMemory(HostResult());
        return;
    }

    gParams->livePreviewPossible =
        GetAdvanceStateAvailable() && GetDisplayPixelsAvailable() && gParams->previewsDisabled == 0;
    const uint8_t firstByte = reinterpret_cast<uint8_t*>(gParams)[0];

    if (DoGrabbing(gData))
        OncePerInvocationTasksNeedingMemory(gData);
    else
        WhineAboutMemory(memFullErr);   // the work storage could not be had

    if (ResultIsOK()) {
        if (!GetAdvanceStateAvailable()) {
            ShowRefusalMessage2();
            SetHostResult(errAlreadyReported, kDiagNoAdvanceState);
        }
        if (IsMultichannel_call()) {
            ShowRefusalMessage3();
            SetHostResult(errAlreadyReported, kDiagMultichannel);
        } else if (!ImageModeIsReadable()) {
            ShowRefusalMessageForMode();
            SetHostResult(errAlreadyReported, kDiagUnsupportedMode);
        }
    }
    if (!ResultIsOK()) {
        ControllerShuttingDown();
        DoShutDown(gData);
        KillRects();
        return;
    }

    // The settings the host plays, and the export it may ask for beside them.
    ExportOrder order;
    ReadScriptParams_qev(&order);
    if (!gData) return;
    // Recorded settings the plug-in cannot use: the host shows why.
    if (!ResultIsOK()) {
        ControllerShuttingDown();
        DoShutDown(gData);
        KillRects();
        return;
    }
    bool cancelled = false;
    if (gData->showDialog) {
        UndoSnapshotCocoa(1);
        cancelled = DoUI() == 0;
    }
    gData->showDialog = 0;
    // A dialog that could not be shown has said why: a failure, not a cancel.
    if (!ResultIsOK()) {
        ControllerShuttingDown();
        DoShutDown(gData);
        KillRects();
        return;
    }

    // Settings this build cannot render yet are refused with the reason,
    // never answered with a blank picture.
    if (ResultIsOK() && !cancelled) {
        const std::string missing = WhatThisBuildCannotRender(*gParams);
        if (!missing.empty()) {
            SetHostResult(HostReportError(gFilterRecord->errorString, missing.c_str()), kDiagNotInThisBuild);
            ControllerShuttingDown();
            DoShutDown(gData);
            KillRects();
            return;
        }
    }
    // An export the host asks for takes the place of the picture.
    if (ResultIsOK() && !cancelled && order.kind != kExportOrderNone) {
        if (RunHostExport(order)) return;
        ControllerShuttingDown();
        DoShutDown(gData);
        KillRects();
        return;
    }
    if (ResultIsOK() && !cancelled) {
        if (HostWantsResultAtItsOwnSize(*gParams, *gData))
            RenderResultAtHostSize(gData);
        else
            PFFOWFR_by_anything(nullptr, kRenderToHost, nullptr, nullptr);
        if (ResultIsOK()) {
            Settings2Cache(kCachedSettingsName);
            return;
        }
        // A failed or cancelled render keeps its own result; its storage goes
        // now, since hosts skip selector 5 after an error.
        ControllerShuttingDown();
        DoShutDown(gData);
        KillRects();
        return;
    }
    reinterpret_cast<uint8_t*>(gParams)[0] = firstByte;
    SetHostResult(userCanceledErr, kDiagDialogCancelled);
    ControllerShuttingDown();
    DoShutDown(gData);
}

void DoContinue() { KillRects(); }

void DoFinish() {
    // Lock first: writing the scripting parameters reads the records.
    LockHandles();
    if (!ResultIsOK()) return;
    WriteScriptParams_qev(gData);
    ControllerShuttingDown();
    DoShutDown(gData);
}

VORNESK_PLUGIN_EXPORT void PluginMain(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    if (!record || !result) return;
    InstallReporter(&kDialogReporter);
    // The curved-origami builders sit below the simplex: hand it to them.
    SetOrigamiHingeSearch(SimplexHingeSearch);
    *result = noErr;
    gResult = result;
    gDataHandle = data;
    if (selector == filterSelectorAbout) {
        gFilterRecord = nullptr;
        sSPBasic = static_cast<AboutRecord*>(record)->sSPBasic;
        DoAbout();
        return;
    }
    gFilterRecord = static_cast<FilterRecord*>(record);
    sSPBasic = gFilterRecord->sSPBasic;
    switch (selector) {
        case filterSelectorParameters: DoParameters(); break;
        case filterSelectorPrepare: DoPrepare(); break;
        case filterSelectorStart: DoStart(); break;
        case filterSelectorContinue: DoContinue(); break;
        case filterSelectorFinish: DoFinish(); break;
        default: break;
    }
    UnlockHandles();
    gParams = nullptr;
    gData = nullptr;
}
