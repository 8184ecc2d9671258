// The filter record: everything a filter host tells its plug-in about the
// document, the callbacks it offers, and the fields through which the
// plug-in asks for pixels.
//
// The exchange of pixels: the plug-in sets the input, output and mask
// rectangles (and plane ranges, rates and padding) and either returns from
// the start or continue selector or calls advanceState. The host then
// stores the previous outData into the document and fills inData, outData
// and maskData for the new request, interleaved (one pixel's planes next
// to each other), rows inRowBytes / outRowBytes / maskRowBytes apart. The
// run ends when the plug-in leaves all three rectangles empty.
//
// Samples: 8-bit 0..255; 16-bit 0..32768 (not 65535); 32-bit float 0..1.
// The selection mask is always 8-bit.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/host/basic_suite.h"
#include "platform/host/descriptor_procs.h"
#include "platform/host/host_types.h"

// Selectors of PluginMain.
enum : int16_t {
    filterSelectorAbout = 0,
    filterSelectorParameters = 1,
    filterSelectorPrepare = 2,
    filterSelectorStart = 3,
    filterSelectorContinue = 4,
    filterSelectorFinish = 5,
};

// Image modes (imageMode).
enum : int16_t {
    imageModeBitmap = 0,
    imageModeGreyscale = 1,
    imageModeIndexed = 2,
    imageModeRGB = 3,
    imageModeCMYK = 4,
    imageModeHSL = 5,
    imageModeHSB = 6,
    imageModeMultichannel = 7,
    imageModeDuotone = 8,
    imageModeLab = 9,
    imageModeGrey16 = 10,
    imageModeRGB48 = 11,
    imageModeLab48 = 12,
    imageModeCMYK64 = 13,
    imageModeDeepMultichannel = 14,
    imageModeDuotone16 = 15,
    imageModeRGB96 = 16,
    imageModeGrey32 = 17,
};

// What the filter works on (filterCase).
enum : int16_t {
    filterCaseUnsupported = -1,
    filterCaseFlatImageNoSelection = 1,
    filterCaseFlatImageWithSelection = 2,
    filterCaseFloatingSelection = 3,
    // The layer has a transparency plane the filter may change.
    filterCaseEditableTransparencyNoSelection = 4,
    filterCaseEditableTransparencyWithSelection = 5,
    filterCaseProtectedTransparencyNoSelection = 6,
    filterCaseProtectedTransparencyWithSelection = 7,
};

// Padding values for requests reaching outside the document; 0..255 fills
// with that value (8-bit documents), scaled to full range at other depths.
enum : int16_t {
    plugInWantsEdgeReplication = -1,
    plugInDoesNotWantPadding = -2,
    plugInWantsErrorOnBoundsException = -3,
};

// samplingSupport: the input and mask rates the host honours.
enum : uint8_t {
    hostDoesNotSupportSampling = 0,
    hostSupportsIntegralSampling = 1,
    hostSupportsFractionalSampling = 2,
};

using TestAbortProc = Boolean (*)();
using ProgressProc = void (*)(int32_t done, int32_t total);
using AdvanceStateProc = OSErr (*)();

// Drawing pixels into the plug-in's window (a live preview). The pixel map's
// layout is the host's; hosts without a screen leave the procedure null.
struct PSPixelMap;
using DisplayPixelsProc = OSErr (*)(const PSPixelMap* source, const VRect* sourceRect, int32_t destRow,
                                    int32_t destColumn, void* platformContext);

// Host memory outside the plug-in's own heap, in blocks named by an id.
struct HostBufferBlock;
using BufferID = HostBufferBlock*;

struct BufferProcs {
    int16_t bufferProcsVersion;
    int16_t numBufferProcs;
    OSErr (*allocateProc)(int32_t size, BufferID* id);
    // The block's address while locked; null for an unknown id.
    Ptr (*lockProc)(BufferID id, Boolean moveHigh);
    void (*unlockProc)(BufferID id);
    void (*freeProc)(BufferID id);
    // Bytes the host can still give.
    int32_t (*spaceProc)();
};

constexpr int16_t kCurrentBufferProcsVersion = 2;
constexpr int16_t kCurrentBufferProcsCount = 5;

struct HandleProcs {
    int16_t handleProcsVersion;
    int16_t numHandleProcs;
    // A new handle of size bytes, all zero; null when out of memory.
    Handle (*newProc)(int32_t size);
    void (*disposeProc)(Handle h);
    int32_t (*getSizeProc)(Handle h);
    OSErr (*setSizeProc)(Handle h, int32_t newSize);
    Ptr (*lockProc)(Handle h, Boolean moveHigh);
    void (*unlockProc)(Handle h);
    void (*recoverSpaceProc)(int32_t size);
    void (*disposeRegularHandleProc)(Handle h);
};

constexpr int16_t kCurrentHandleProcsVersion = 1;
constexpr int16_t kCurrentHandleProcsCount = 8;

// Resources kept with the document; properties of the host; channel ports.
// This host offers none of them (the record's pointers are null); the tables
// exist so that a plug-in can test for them.
struct ResourceProcs {
    int16_t resourceProcsVersion;
    int16_t numResourceProcs;
    int16_t (*countProc)(OSType type);
    Handle (*getProc)(OSType type, int16_t index);
    void (*deleteProc)(OSType type, int16_t index);
    OSErr (*addProc)(OSType type, Handle data);
};

struct PropertyProcs {
    int16_t propertyProcsVersion;
    int16_t numPropertyProcs;
    OSErr (*getPropertyProc)(OSType signature, OSType key, int32_t index, intptr_t* simpleProperty,
                             Handle* complexProperty);
    OSErr (*setPropertyProc)(OSType signature, OSType key, int32_t index, intptr_t simpleProperty,
                             Handle complexProperty);
};

struct ChannelPortProcs {
    int16_t channelPortProcsVersion;
    int16_t numChannelPortProcs;
    OSErr (*readPixelsProc)(void* port, const void* scaling, const VRect* writeRect, const void* destination,
                            VRect* wroteRect);
    OSErr (*writeBasePixelsProc)(void* port, const VRect* writeRect, const void* source);
    OSErr (*readPortForWritePortProc)(void** readPort, void* writePort);
};

// Colour services: conversions between colour spaces and the colour picker.
enum : int16_t {
    colorServicesChooseColor = 0,
    colorServicesConvertColor = 1,
    colorServicesSamplePoint = 2,
    colorServicesGetSpecialColor = 3,
};

enum : int16_t {
    colorSpaceChosen = -1,
    colorSpaceRGB = 0,
    colorSpaceHSB = 1,
    colorSpaceCMYK = 2,
    colorSpaceLab = 3,
    colorSpaceGrey = 4,
    colorSpaceHSL = 5,
    colorSpaceXYZ = 6,
};

struct ColorServicesInfo {
    int32_t infoSize;
    int16_t selector;
    int16_t sourceSpace;
    int16_t resultSpace;
    Boolean resultGamutInfoValid;
    Boolean resultInGamut;
    // Components 0..255 for RGB and grey (in the first component).
    int16_t colorComponents[4];
    ConstStr255Param pickerPrompt;
};

using ColorServicesProc = OSErr (*)(ColorServicesInfo* info);

// The 32-bit forms of the record's geometry. A plug-in that sets
// PluginUsing32BitCoordinates reads and writes these instead of the 16-bit
// fields; documents beyond 32767 pixels need them.
struct BigDocumentStruct {
    int32_t bigDocumentVersion;   // non-zero when the host fills this record
    int32_t PluginUsing32BitCoordinates;
    VPoint imageSize32;
    VRect filterRect32;
    VRect inRect32;
    VRect outRect32;
    VRect maskRect32;
    VPoint floatCoord32;
    VPoint wholeSize32;
};

struct FilterRecord {
    int32_t filterRecordVersion;
    OSType hostSig;               // the host's own signature
    void* platformData;

    // Host callbacks. A null procedure or table means "not offered".
    TestAbortProc abortProc;      // true once the user asked to stop
    ProgressProc progressProc;
    AdvanceStateProc advanceState;
    DisplayPixelsProc displayPixels;
    ColorServicesProc colorServices;
    BufferProcs* bufferProcs;
    HandleProcs* handleProcs;
    ResourceProcs* resourceProcs;
    PropertyProcs* propertyProcs;
    ChannelPortProcs* channelPortProcs;
    PIDescriptorParameters* descriptorParameters;
    SPBasicSuite* sSPBasic;
    BigDocumentStruct* bigDocumentData;
    // The text the host shows when the plug-in answers errReportString.
    Str255* errorString;

    // The plug-in's parameter handle; the host keeps it between invocations.
    Handle parameters;

    // The document.
    Point imageSize;              // width in h, height in v
    Rect filterRect;              // the area to filter (the whole image here)
    Point floatCoord;             // top-left of the filtered area in the image
    Point wholeSize;
    int16_t planes;               // colour planes plus the transparency plane
    int16_t imageMode;            // imageMode...
    int32_t depth;                // bits per sample: 8, 16 or 32
    Fixed imageHRes;              // pixels per inch
    Fixed imageVRes;
    int16_t filterCase;           // filterCase...
    Boolean isFloating;
    Boolean haveMask;             // a selection mask is available
    // True (the default): the host blends the plug-in's output with the
    // original by the selection mask; false: the plug-in applied it itself.
    Boolean autoMask;
    Boolean samplingSupport;      // host...Sampling
    RGBColor background;
    RGBColor foreground;
    FilterColor backColor;
    FilterColor foreColor;
    int16_t inLayerPlanes;        // colour planes of the layer
    int16_t inTransparencyMask;   // 1 when a transparency plane follows them
    int16_t inLayerMasks;
    int16_t inInvertedLayerMasks;
    int16_t inNonLayerPlanes;
    int16_t outLayerPlanes;
    int16_t outTransparencyMask;
    int16_t outLayerMasks;
    int16_t outInvertedLayerMasks;
    int16_t outNonLayerPlanes;
    Handle iCCprofileData;        // null when the document carries no profile
    int32_t iCCprofileSize;
    int32_t canUseICCProfiles;

    // Memory negotiation (prepare selector): the host's offer and the
    // plug-in's own need beside the pixel buffers.
    int32_t maxSpace;
    int32_t bufferSpace;

    // Requests, set by the plug-in.
    Rect inRect;
    int16_t inLoPlane;
    int16_t inHiPlane;
    Rect outRect;
    int16_t outLoPlane;
    int16_t outHiPlane;
    Rect maskRect;
    Fixed inputRate;              // 16.16: input pixel (x, y) is document (x, y) * rate
    Fixed maskRate;
    int16_t inputPadding;         // plugIn... or a fill value
    int16_t outputPadding;
    int16_t maskPadding;
    Boolean supportsPadding;
    Boolean supportsDummyChannels;
    int16_t inPreDummyPlanes;
    int16_t inPostDummyPlanes;
    int16_t outPreDummyPlanes;
    int16_t outPostDummyPlanes;

    // Answers, filled by the host (null pointers for empty requests).
    void* inData;
    int32_t inRowBytes;
    int32_t inColumnBytes;        // bytes from one pixel to the next
    int32_t inPlaneBytes;         // bytes from one plane to the next within a pixel
    void* outData;
    int32_t outRowBytes;
    int32_t outColumnBytes;
    int32_t outPlaneBytes;
    void* maskData;
    int32_t maskRowBytes;
};

constexpr int32_t kCurrentFilterRecordVersion = 1;

// What selector 0 receives instead of the filter record.
struct AboutRecord {
    void* platformData;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
};

// The plug-in's one exported entry. `record` is the FilterRecord (the
// AboutRecord for selector 0); `data` is the host word that keeps the
// plug-in's own handle between calls; `result` receives the result code.
using PluginMainProc = void (*)(int16_t selector, void* record, intptr_t* data, int16_t* result);

#define VORNESK_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

VORNESK_PLUGIN_EXPORT void PluginMain(int16_t selector, void* record, intptr_t* data, int16_t* result);
