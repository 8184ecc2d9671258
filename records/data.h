// The Data record: the working state of one filter invocation (selectors 2
// to 5). It lives in a host handle (locked as gData between the start of a
// selector and its end), so it is plain data that the host zeroes when the
// handle is made. It holds the invocation's rectangles and request sizes, the
// host buffers it borrows, twelve pyramids by value (the preview pyramid and
// eleven others, the first of them the main input), and points to the work
// area (TStorage1) and to the polyhedron store of the current render.
//
// Integers are signed 64-bit unless said otherwise. Fields without a meaning
// here belong to the renderer, the dialog and the files, which name their
// use; the invocation set-up only clears them.
#pragma once

#include <cstdint>

#include "platform/host/host_types.h"
#include "records/pyramid_descriptor.h"

struct MirelYummy;
struct TStorage1;
struct polyhedron;

constexpr int64_t kDataPyramidCount = 11;
// Indices into Data::pyramids.
enum : int64_t {
    kMainInputPyramid = 0,
    kSmallPyramid50 = 1,       // 50 x 50, kind 9
    kSmallPyramid10A = 3,      // 10 x 10, kind 9
    kSmallPyramid10B = 4,
    kFirstCubeFacePyramid = 5, // the six cube faces: 5..10
};
constexpr int64_t kCubeFaceCount = 6;
constexpr int64_t kPreviewPyramidSide = 128;
constexpr int64_t kHostBufferIDCount = 9;
constexpr int64_t kSmallBufferCount = 3;
constexpr int64_t kSmallBufferBytes = 16;
constexpr int64_t kTriangleWaveEntries = 256;

// The host's operating-system description.
struct qev_OSInfo {
    uint32_t word;
    uint8_t bytes[6];
};

// A file reference of the dialog and the file layer: a path.
struct QevFSRef {
    char path[1024];
};

// The renderer's blur work record; no part of the shell reads it.
struct blurstructure {
    int64_t words[8];
    float floats[8];
};

struct Data {
    uint8_t showDialog;           // run the dialog in selector 3
    float scale;                  // 1.0 after InitData
    VRect proxyRect;              // the filter rectangle divided by proxyScale
    VRect previewArea;            // the largest preview the dialog shows; (0, 0, 1, 1) after set-up
    int64_t setUpWithoutMemory;   // 1 after OncePerInvocationTasksWithoutMemory
    VRect paneRect;               // the dialog's preview pane
    int32_t busy;                 // 1 while the preview pane draws
    TStorage1* storage;           // the work area; null outside selector 3 and 5
    int64_t zoomDivisor;          // the largest useful zoom divisor
    int64_t zoomDivisorCopy;      // the preview divisor's copy
    int64_t taskCount;            // workers of the current render
    int64_t progressTotal;        // export progress
    int64_t progressDone;
    int64_t voronoiPattern;       // cleared at every invocation's start
    uint8_t suspendPreview;       // set while the dialog loads its interface file
    uint8_t byteB;
    int64_t rowIndex;             // row of the row buffer; -1 whenever the block is replaced
    uint8_t offscreenFlag;        // set before a render into offscreen pyramids
    uint8_t byteD;
    int64_t outputFirstRow;       // output bounds
    int64_t outputLastRow;
    int64_t outputLastColumn;
    int64_t rowCellCount;
    void* dialogWindow;           // the dialog's platform window
    uint8_t byteClearedBySetUp;

    // The current job in job coordinates: 0, height - 1, 0, width - 1.
    int64_t jobTop;
    int64_t jobBottom;
    int64_t jobLeft;
    int64_t jobRight;
    int64_t inputHeight;
    int64_t inputHeightNext;      // 0
    // A render of several steps: their count and the current index (progress).
    int64_t outerStepCount;
    int64_t outerStepIndex;
    int64_t fillWord;             // 1 before the input pyramid is filled
    int64_t rectStateWord;        // 0 then; saved and restored with the rectangle state
    int64_t inputLineFirst;
    int64_t inputLineLast;
    int64_t maskLineFirst;
    int64_t maskLineLast;
    int64_t widthPlus2178;
    // [0], [1] set when the input pyramid is filled; [3] honour a selection mask.
    uint8_t flags[6];
    VRect filterRect;             // the filter rectangle as the host gave it
    char presetName[260];
    QevFSRef fileRef;
    int16_t shortWord;

    // Request sizes and dimensions.
    int64_t widthPlus3;
    int64_t twiceWidthPlus3;
    int64_t heightPlus3;
    int64_t requestWord49152;
    int64_t requestWord16;
    int64_t rowBufferBytes;
    int64_t requestWords16[4];
    int64_t outputWidth;
    int64_t outputHeight;
    int64_t width;
    int64_t height;
    int64_t clearedBySetUp[2];
    int64_t rowBufferRecordCount;
    float spareFloats[4];
    int64_t spareWords[3];        // the last two cleared in selector 2

    uint8_t firstInvocation;      // set by selector 1, cleared by the set-up

    // Host buffers held: -1 (or 0) when none.
    intptr_t hostBufferIDs[kHostBufferIDCount];
    MirelYummy* rowBuffer;        // reply-cell records, rowBufferRecordCount of them
    void* smallBuffers[kSmallBufferCount];   // 16 bytes each

    PyramidDescriptor previewPyramid;                // 128 x 128, kind 3
    PyramidDescriptor pyramids[kDataPyramidCount];   // see the indices above

    polyhedron* inputPolyhedron;  // the solid of a polyhedral input mode, null when none; freed with the storage
    qev_OSInfo osInfo;
    int64_t renderWords[18];      // the renderer's; several cleared by the set-up
    void* renderPointer;
    blurstructure blur;
    int64_t tailWords[2];
    uint8_t tailBytes[3];         // cleared by the set-up
    intptr_t polyBufferID;        // -1 when none
    polyhedron* renderPolyhedron; // the polyhedron store of the current render
    int64_t lastWords[5];         // the last cleared by the set-up

    int32_t undoSlot;             // 0 or 1: the current undo slot
    int32_t diagnostic;           // copy of the last internal diagnostic number
    float triangleWave[kTriangleWaveEntries];   // rebuilt before every render
};
