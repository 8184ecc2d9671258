// The Parameters record: every user setting of the filter, plus the working
// fields the host side keeps. It lives in the host's parameter handle, so a
// setting survives from one run of the filter to the next as long as the host
// keeps the handle; plain data, zeroed by the host when the handle is made.
//
// Integers are 32-bit signed and flags are 32-bit words holding 0 or 1 unless
// said otherwise; angles are degrees. The saved settings come first, in
// record order; settings files, the scripting descriptor, the cache, undo and
// memory dots read and write them field by field, never as raw bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/host/host_types.h"

struct Data;

constexpr int32_t kPresetNameLength = 260;
constexpr int32_t kSettingsVersion = 48;   // the settings-format version every writer writes
constexpr int32_t kVersionAfterDefaults = -999;
constexpr char kDefaultPresetName[] = "Vornesk 2 settings";
constexpr char kRandomPresetName[] = "random settings";

// Render destinations (renderDestination): where a render's pixels go.
enum : int32_t {
    kRenderToHost = 0,
    kRenderToPreview = 1,
    kRenderToOffscreen = 2,
};

// What the next export writes (exportPurpose).
enum : int32_t {
    kExportBrickModel = 0,
    kExportCubeMap = 1,
    kExportFaces = 2,
    kExportResult = 3,
    kExportGeometry = 4,
    kExportGalleryImage = 5,
    kExportSizedPSD = 6,
    kExportEquirectangularMap = 7,
};

struct PreviewOffset {
    int32_t x;
    int32_t y;
};

// A point picked in the preview: pixels and fractions of the filter size.
struct PickedPoint {
    int32_t x;
    int32_t y;
    float fx;
    float fy;
};

struct Parameters {
    // ---- saved settings ----
    float reservedFloats[6];      // stored as hundredths; saved and restored around every render
    int32_t glueMode;             // 1..69, 1 "normal"
    int32_t randomSeed;           // seed of the noise generators
    RGBColor line_color;          // overlay lines
    RGBColor tab_color;           // glue tabs and regions
    RGBColor background_color;    // backdrop
    RGBColor auxColor4;
    RGBColor auxColor5;
    RGBColor auxColor6;
    RGBColor auxColor7;
    RGBColor auxColor8;
    RGBColor auxColor9;
    int32_t inputMode;            // 1..41
    int32_t reservedInt1;
    int32_t reservedInt2;
    int32_t reservedInt3;
    int32_t latitudeDegrees;      // legacy integer copy of latitude
    int32_t spinDegrees;          // legacy integer copy of spin
    int32_t reservedInt4;
    int32_t reservedInt5;
    int32_t reservedInt6;
    int32_t reservedInt7;
    int32_t outputMode;           // 1..1050
    int32_t flip;
    int32_t hqpr;
    int32_t graticuleLevel;       // 2 and above: the result shows a graticule
    int32_t reservedInt8;
    int32_t longitudeDegrees;     // legacy integer copy of longitude
    int32_t tabsInteger;          // legacy integer copy of tabs
    int32_t sharpenInteger;       // legacy integer copy of sharpen
    int32_t renderIntA;
    int32_t fovDegrees;           // legacy integer copy of FOV
    int32_t reservedInt9;
    int32_t renderIntB;
    int32_t reservedInt10;
    int32_t reservedInt11;
    int32_t reservedInt12;
    int32_t reservedInt13;
    int32_t faces;
    int32_t renderIntC;
    int32_t reservedInt14;
    int32_t reservedInt15;
    int32_t lego_layers;          // brick-globe layers
    int32_t reservedInt16;
    int32_t legoBrickMask;        // bit k-1 allows brick colour k (1..12)
    int32_t legoFlag1;
    int32_t legoFlag2;
    int32_t legoFlag3;
    int32_t lego_diffuse_colors;
    int32_t lego_plates;
    int32_t cubemap_pixels;       // face size of cube-map exports, 2..30000
    int32_t export_pixels;        // size of face exports, 2..30000
    int32_t reservedInt17;
    float latitude;               // orientation: first angle
    float longitude;              // second angle
    float spin;                   // third angle
    float FOV;                    // field of view of view-like output modes
    float tabs;                   // tabs slider
    float sharpen;                // sharpen slider
    int32_t transparent_gaps;
    int32_t indicatrix;           // Tissot indicatrices
    int32_t edges;
    int32_t anamorph;
    int32_t dehalo;
    int32_t jpegFlag;             // working flag of the JPEG export, cleared with the factory block
    int32_t grid;                 // graticule kind 1..7, 1 none
    int32_t previewquality;       // 1..3
    uint8_t orientationByProgram; // non-zero: the render computes the orientation itself
    int32_t twirlVariant;         // orientation variant handed to the render context
    char presetName[kPresetNameLength];   // zero-terminated

    // ---- working fields (not saved in settings files) ----
    char presetNameSpare[3][kPresetNameLength];
    int32_t presetNameSpareWord;
    // The preset name for the dialog, refreshed after every change of presetName.
    uint16_t presetNameUnicode[kPresetNameLength];
    int32_t version;              // settings version last read; 48 after a write; -999 after defaults
    int32_t exportPurpose;        // kExport...; 3 after the once-per-invocation set-up
    Data* data;
    int32_t scriptScratch;        // used while reading scripting values

    // Export sheets (reset to 0, 0, 1, 100, 100 on a first invocation).
    int32_t exportFacesChoice;    // 0..2
    int32_t exportSheetWord;
    int32_t psdSizeMode;          // 1 same size, 2 same proportions, 3 custom
    int32_t psdWidth;             // 2..30000
    int32_t psdHeight;
    uint8_t brickSmallScale;
    int32_t savedOutputMode;      // the output mode an equirectangular map export replaces
    int32_t textureMapOption;     // 1 while a texture map renders
    int32_t basePolyhedralMode;   // the polyhedral mode that output mode 1045 stands for

    // Brick globe working settings.
    int32_t brickHemisphere;      // 1: the whole ball shows the picture's upper hemisphere
    uint8_t brickDither;          // 1: error diffusion
    float brickTumble[3];         // the brick globe's own three tumble angles

    // Preview working fields of the dialog.
    uint8_t previewChanged;       // 1 after any change of the preview's size or divisor
    int32_t previewRendering;     // 1 before a preview render
    float backingScale;           // the preview pane's backing scale
    PickedPoint pickedPoints[2];
    uint8_t missingFileReport;

    // Host side (Part of the invocation's state, not of the settings).
    uint8_t livePreviewPossible;  // advance-state and display-pixels present, previews enabled
    uint8_t previewsDisabled;
    int32_t proxyScale;           // the preview's reduction factor, 1 = full size
    int32_t renderDestination;    // kRenderTo...
    int32_t progressPhaseCount;   // at least 1
    int32_t progressPhase;        // 1..count; -1 switches progress reports off
    PreviewOffset previewOffset;  // the preview's scroll offset, full-resolution pixels
    uint8_t inputPyramidFilled;   // the main input pyramid holds the host's image
    // The size the host asked the result at, 0 by 0 for the filter
    // rectangle's: a result of another size is rendered from the whole
    // picture and handed over through output rectangles that address it.
    int32_t resultWidth;
    int32_t resultHeight;
};

// ---- fields by byte offset: the settings-file and descriptor tables name
// each field by its offset in the record ----
template <class T>
inline T GetParameterField(const Parameters* p, size_t offset) {
    T v;
    std::memcpy(&v, reinterpret_cast<const char*>(p) + offset, sizeof v);
    return v;
}
template <class T>
inline void SetParameterField(Parameters* p, size_t offset, T v) {
    std::memcpy(reinterpret_cast<char*>(p) + offset, &v, sizeof v);
}
