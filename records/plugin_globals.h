// The process-wide state of the plug-in, set and read only on the host's
// main thread: what the host passed to PluginMain, and the two records locked
// for the length of one selector call. Defined here; the entry assigns them.
#pragma once

#include <cstdint>

#include "platform/host/filter_record.h"

struct Data;
struct Parameters;

extern FilterRecord* gFilterRecord;   // selectors 1 to 5
extern intptr_t* gDataHandle;          // the host word that keeps the Data handle
extern int16_t* gResult;               // the result the host reads after the call
extern int16_t diagnosticResult;       // the last internal diagnostic number; never shown
extern Parameters* gParams;            // the locked parameter handle
extern Data* gData;                    // the locked data handle
extern SPBasicSuite* sSPBasic;         // the host's basic suite, taken at every call

// Internal diagnostic numbers.
enum : int16_t {
    kDiagParametersHandle = 198,
    kDiagNoAdvanceState = 202,
    kDiagMultichannel = 203,
    kDiagDialogCancelled = 204,
    kDiagDataHandle = 205,
    kDiagHandleMissing = 206,
    kDiagLockFailed = 207,
    kDiagValidateParameters = 220,
    kDiagRowBufferRegrow = 225,
    kDiagInputPyramid = 226,
    kDiagWorkStorage = 227,
    // The host refused a chunk while the input pyramid was read.
    kDiagInputRead = 231,
    kDiagAbortDuringRender = 245,
    kDiagCancelledAfterAbortTest = 246,
    kDiagProxyAdvanceState = 260,
    // Refused: an image mode the plug-in cannot read.
    kDiagUnsupportedMode = 261,
    // Refused: scripted settings the plug-in cannot use.
    kDiagBadScriptParameters = 262,
    // Refused: settings this build cannot render yet.
    kDiagNotInThisBuild = 263,
    // The render's shared context (its records and cache store) could not
    // be allocated.
    kDiagRenderContext = 271,
    // A projection cache the output mode reads could not be built.
    kDiagProjectionCache = 272,
    // A cube-map input could not be cut into its six faces.
    kDiagCubeCorpus = 273,
    // The output mode's polyhedron or its net could not be built whole.
    kDiagPolyhedron = 274,
    // A tile's span list of net triangles could not be allocated.
    kDiagSpanLists = 275,
    // The output mode's net cannot hold a glue tab for every seam.
    kDiagNetTabs = 276,
    // The solid under a polyhedral input picture could not be built.
    kDiagInputPolyhedron = 280,
    // The dialog was asked for where no window can be shown.
    kDiagNoDisplay = 281,
    // The host's result at a size of its own could not be handed over.
    kDiagResultHandOver = 282,
};
