#include "shell/settings_ranges.h"

#include <cmath>
#include <cstdio>

#include "records/parameters.h"
#include "shell/mode_catalogue.h"

namespace {

#define AT(f) offsetof(Parameters, f)
constexpr double kBound = kLargestSettingMagnitude;

const SettingRange kRanges[] = {
    {MakeFourCC("0034"), "latitude", AT(latitude), true, -kBound, kBound},
    {MakeFourCC("0035"), "longitude", AT(longitude), true, -kBound, kBound},
    {MakeFourCC("0036"), "spin", AT(spin), true, -kBound, kBound},
    {MakeFourCC("0037"), "field of view", AT(FOV), true, -kBound, kBound},
    {MakeFourCC("0038"), "tab size", AT(tabs), true, -kBound, kBound},
    {MakeFourCC("0039"), "sharpening", AT(sharpen), true, -kBound, kBound},
    {MakeFourCC("Fgky"), "graticule kind", AT(grid), false, 1, kGraticuleKindCount},
    {MakeFourCC("hqpr"), "hqpr switch", AT(hqpr), false, 0, 1},
    {MakeFourCC("0021"), "cube-map face size", AT(cubemap_pixels), false, 2, 30000},
    {MakeFourCC("0026"), "export size", AT(export_pixels), false, 2, 30000},
    {MakeFourCC("0018"), "number of brick layers", AT(lego_layers), false, 3, 150},
    {MakeFourCC("0024"), "brick-size mask", AT(legoBrickMask), false, 0, 4095},
};

#undef AT

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", v);
    return text;
}

}  // namespace

const SettingRange* SettingRangeOfKey(DescriptorKeyID key) {
    for (const SettingRange& r : kRanges)
        if (r.key == key) return &r;
    return nullptr;
}

bool SettingInRange(const SettingRange& range, double value) {
    return std::isfinite(value) && value >= range.low && value <= range.high;
}

std::string SettingRangeText(const SettingRange& range) {
    return "from " + Number(range.low) + " to " + Number(range.high);
}

bool CheckSettingsRanges(Parameters* p, std::string* error) {
    auto fail = [error](const std::string& text) {
        if (error) *error = text;
        return false;
    };
    if (!IsValidInputMode(p->inputMode))
        return fail("input mode " + std::to_string(p->inputMode) + " is not one of 1 to 41");
    if (!IsValidOutputMode(p->outputMode))
        return fail("output mode " + std::to_string(p->outputMode) + " is not an output mode");
    if (!IsValidGlueMode(p->glueMode))
        return fail("glue mode " + std::to_string(p->glueMode) + " is not one of 1 to 69");
    for (const SettingRange& r : kRanges) {
        const double v = r.real ? double(GetParameterField<float>(p, r.offset))
                                : double(GetParameterField<int32_t>(p, r.offset));
        if (!SettingInRange(r, v))
            return fail("the " + std::string(r.name) + " " + Number(v) + " is not " + SettingRangeText(r));
    }
    p->previewquality = p->previewquality < 1 ? 1 : p->previewquality > 3 ? 3 : p->previewquality;
    return true;
}
