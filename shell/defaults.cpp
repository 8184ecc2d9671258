// Defaults, canned settings blocks and randomisers of the Parameters record.
#include "shell/defaults.h"

#include "records/parameters.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "common/strings.h"
#include "platform/host/result_codes.h"
#include "records/data.h"
#include "shell/invocation.h"
#include "host_access/FilterBigDocument.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"

namespace {

// A byte of the system's random(): bits 4..11.
int32_t RandomByte() { return int32_t((random() >> 4) & 0xFF); }

// A byte of random() no greater than 180.
int32_t RandomUpTo180() {
    for (;;) {
        int32_t d = RandomByte();
        if (d <= 180) return d;
    }
}

void SetOrientation(Parameters* p, float latitude, float longitude, float spin) {
    p->latitude = latitude;
    p->longitude = longitude;
    p->spin = spin;
    p->latitudeDegrees = int32_t(latitude);
    p->longitudeDegrees = int32_t(longitude);
    p->spinDegrees = int32_t(spin);
}


}  // namespace

void GrabDefaultSettings(Parameters* p) {
    p->orientationByProgram = 0;
    p->inputMode = 1;
    p->spinDegrees = 0;
    p->latitudeDegrees = 0;
    p->fovDegrees = 120;
    p->latitude = 0.0f;
    p->longitude = 0.0f;
    p->spin = 0.0f;
    p->FOV = 120.0f;
    p->longitudeDegrees = 0;
    p->tabsInteger = 33;
    p->sharpenInteger = 30;
    p->tabs = 33.0f;
    p->sharpen = 30.0f;
    p->line_color = RGBColor{0, 0, 0};
    p->tab_color = RGBColor{55255, 44204, 56540};
    p->background_color = RGBColor{65535, 65535, 65535};
    p->randomSeed = 21;
    p->glueMode = 1;
    p->outputMode = 1;
    p->flip = 0;
    p->hqpr = 0;
    p->graticuleLevel = 0;
    p->faces = 0;
    p->lego_layers = 20;
    p->reservedInt16 = 0;
    p->legoBrickMask = 63;
    p->legoFlag1 = 1;
    p->legoFlag2 = 1;
    p->legoFlag3 = 0;
    p->lego_diffuse_colors = 0;
    p->lego_plates = 0;
    p->cubemap_pixels = 256;
    p->export_pixels = 500;
    p->transparent_gaps = 1;
    p->indicatrix = 0;
    p->edges = 0;
    p->anamorph = 0;
    p->dehalo = 0;
    p->jpegFlag = 0;
    p->grid = 1;
    p->previewquality = 3;
    p->twirlVariant = 6;
}

void GrabSpecializedSettings(Parameters* p) {
    p->orientationByProgram = 0;
    p->inputMode = 1;
    p->longitudeDegrees = 0;
    p->latitudeDegrees = -90;
    p->spinDegrees = 0;
    p->fovDegrees = 110;
    p->latitude = -90.0f;
    p->longitude = 0.0f;
    p->spin = 0.0f;
    p->FOV = 110.0f;
    p->outputMode = 16;
    p->flip = 0;
    p->glueMode = 1;
    p->graticuleLevel = 0;
    p->indicatrix = 0;
    p->edges = 0;
    p->anamorph = 0;
    p->grid = 1;
}

void FixRedefinedParameters(Parameters* p) {
    if (p->version < 1 || p->version > 46) return;
    p->latitude = float(p->latitudeDegrees);
    p->longitude = float(p->longitudeDegrees);
    p->spin = float(p->spinDegrees);
    p->FOV = float(p->fovDegrees);
    p->tabs = float(p->tabsInteger);
    p->sharpen = float(p->sharpenInteger);
}

void CloneCPresetNameToUnicodePresetName(Parameters* p) {
    int32_t n = 0;
    for (; n < kPresetNameLength - 1 && p->presetName[n] != 0; n++) {
        uint8_t c = uint8_t(p->presetName[n]);
        p->presetNameUnicode[n] = MacRomanToUnicode(c);
    }
    p->presetNameUnicode[n] = 0;
}

void SetPresetName(Parameters* p, const char* name) {
    std::strncpy(p->presetName, name, kPresetNameLength - 1);
    p->presetName[kPresetNameLength - 1] = 0;
    CloneCPresetNameToUnicodePresetName(p);
}

void FillInTheParametersAndDataForQevan(Parameters* p, Data* data) {
    if (data) Nullify_buffers(data);
    if (!p) return;
    p->data = data;
    p->version = kVersionAfterDefaults;
    SetPresetName(p, kDefaultPresetName);
    std::memset(p->presetNameSpare, 0, sizeof p->presetNameSpare);
    p->presetNameSpareWord = 0;
    GrabDefaultSettings(p);
}

void CreateParametersHandle() {
    HandleProcs* procs = GetHandleProcs();
    Handle h = procs && procs->newProc ? procs->newProc(int32_t(sizeof(Parameters))) : nullptr;
    if (gFilterRecord) gFilterRecord->parameters = h;
    if (!h) SetHostResult(memFullErr, kDiagParametersHandle);
}

void RandomizeSettings(Parameters* p) {
    float latitude = float(RandomUpTo180() - 90);
    int32_t d1 = RandomUpTo180();
    int32_t d2 = RandomUpTo180();
    int32_t d3 = RandomUpTo180();
    int32_t d4 = RandomUpTo180();
    SetOrientation(p, latitude, float(d1 + d2 - 180), float(d3 + d4 - 180));
}

void RandomizeSettingsConstrained(Parameters* p) {
    auto twoBits = [] { return int32_t((random() >> 4) & 3); };
    int32_t k;
    do {
        k = twoBits();
    } while (k == 3);
    float latitude = float(90 * k - 90);
    float longitude = float(90 * twoBits() - 180);
    float spin = float(90 * twoBits() - 180);
    SetOrientation(p, latitude, longitude, spin);
}
