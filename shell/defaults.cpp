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

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }


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

void GetRandomName(Parameters* p) { SetPresetName(p, kRandomPresetName); }

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

void ValidateParameters(int32_t allocate) {
    if (!allocate || !gFilterRecord || gFilterRecord->parameters) return;
    CreateParametersHandle();
    if (!gFilterRecord->parameters) {
        SetHostResult(memFullErr, kDiagValidateParameters);
        return;
    }
    HandleProcs* procs = gFilterRecord->handleProcs;
    auto* p = reinterpret_cast<Parameters*>(procs->lockProc(gFilterRecord->parameters, true));
    // Data's buffers are cleared only when it holds no storage to lose.
    if (p) FillInTheParametersAndDataForQevan(p, gData && !gData->storage ? gData : nullptr);
    procs->unlockProc(gFilterRecord->parameters);
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

double getRandom1() { return double(arc4random() % 1000) * 0.001; }

float jigglehue(float h, float amount) {
    float r = float(RandomByte()) / 255.0f;
    h += r * 2.0f * amount - amount;
    if (h >= 0.0f) return h - std::floor(h);
    return h + std::floor(1.0f - h);
}

void jigglesat(float* hsl, float amount) {
    float r = float(RandomByte()) / 255.0f;
    hsl[1] = Clamp01(hsl[1] * (1.0f + r * 2.0f * amount - amount));
}

void jigglelum(float* hsl, float amount) {
    float r = float(RandomByte()) / 255.0f;
    hsl[2] = Clamp01(hsl[2] * (1.0f + r * 2.0f * amount - amount));
}

void jiggleHSL(float* hsl, float dh, float ds, float dl) {
    hsl[0] = jigglehue(hsl[0], dh);
    jigglesat(hsl, ds);
    jigglelum(hsl, dl);
}

void RandomPointOnUnitSphere_core(const uint64_t* table, double* x, double* y, double* z, int64_t* cursor) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(table);
    constexpr int kMaxTries = 16;
    for (int tries = 0; tries < kMaxTries; tries++) {
        double v[3];
        for (int i = 0; i < 3; i++) {
            int64_t entry = ((*cursor + i) % kRandomTableEntries + kRandomTableEntries) %
                            kRandomTableEntries;
            v[i] = double(bytes[entry * 8]) * (2.0 / 255.0) - 1.0;
        }
        *cursor += 3;
        double lengthSquared = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
        // Inside the ball (and not at its centre, which has no direction).
        if (lengthSquared > 0.0 && lengthSquared <= 1.0) {
            double inv = 1.0 / std::sqrt(lengthSquared);
            *x = v[0] * inv;
            *y = v[1] * inv;
            *z = v[2] * inv;
            return;
        }
    }
    *x = 0.0;
    *y = 0.0;
    *z = 1.0;
}

void RandomPointOnUnitSphere(double* x, double* y, double* z, int64_t* cursor) {
    if (!gData || !gData->storage) {
        *x = 0.0;
        *y = 0.0;
        *z = 1.0;
        return;
    }
    RandomPointOnUnitSphere_core(gData->storage->randomTable, x, y, z, cursor);
}

int32_t MapBackwardsQuadradticForumula(double x) {
    return int32_t(100.0 * (std::sqrt(x / 100.0 + 0.25) - 0.5));
}
