#include "shell/settings_ranges.h"

#include <cmath>
#include <cstdio>

#include "records/parameters.h"
#include "shell/mode_catalogue.h"

namespace {

#define AT(f) offsetof(Parameters, f)
constexpr double kBound = kLargestSettingMagnitude;

#define COLOUR(f, c) (offsetof(Parameters, f) + offsetof(RGBColor, c))
constexpr SettingKind kReal = SettingKind::Real, kWhole = SettingKind::Whole, kColour = SettingKind::Colour;
constexpr double kComponent = kLargestColourComponent;

// What each setting's meaning allows: a field of view wider than nothing and
// at most a full turn; glue tabs and sharpening as the dialog's sliders
// give them, in percent.
const SettingRange kRanges[] = {
    {MakeFourCC("0034"), "latitude", AT(latitude), kReal, -kBound, kBound, false},
    {MakeFourCC("0035"), "longitude", AT(longitude), kReal, -kBound, kBound, false},
    {MakeFourCC("0036"), "spin", AT(spin), kReal, -kBound, kBound, false},
    {MakeFourCC("0037"), "field of view", AT(FOV), kReal, 0, 360, true},
    {MakeFourCC("0038"), "tab size", AT(tabs), kReal, 0, 100, false},
    {MakeFourCC("0039"), "sharpening", AT(sharpen), kReal, 0, 100, false},
    {MakeFourCC("Fgky"), "graticule kind", AT(grid), kWhole, 1, kGraticuleKindCount, false},
    {MakeFourCC("hqpr"), "hqpr switch", AT(hqpr), kWhole, 0, 1, false},
    {MakeFourCC("0021"), "cube-map face size", AT(cubemap_pixels), kWhole, 2, 30000, false},
    {MakeFourCC("0026"), "export size", AT(export_pixels), kWhole, 2, 30000, false},
    {MakeFourCC("0018"), "number of brick layers", AT(lego_layers), kWhole, 3, 150, false},
    {MakeFourCC("0024"), "brick-colour mask", AT(legoBrickMask), kWhole, 0, 4095, false},
    {MakeFourCC("0001"), "tab colour's red", COLOUR(tab_color, red), kColour, 0, kComponent, false},
    {MakeFourCC("0002"), "tab colour's green", COLOUR(tab_color, green), kColour, 0, kComponent, false},
    {MakeFourCC("0003"), "tab colour's blue", COLOUR(tab_color, blue), kColour, 0, kComponent, false},
    {MakeFourCC("0004"), "background colour's red", COLOUR(background_color, red), kColour, 0, kComponent, false},
    {MakeFourCC("0005"), "background colour's green", COLOUR(background_color, green), kColour, 0, kComponent, false},
    {MakeFourCC("0006"), "background colour's blue", COLOUR(background_color, blue), kColour, 0, kComponent, false},
    {MakeFourCC("0040"), "line colour's red", COLOUR(line_color, red), kColour, 0, kComponent, false},
    {MakeFourCC("0041"), "line colour's green", COLOUR(line_color, green), kColour, 0, kComponent, false},
    {MakeFourCC("0042"), "line colour's blue", COLOUR(line_color, blue), kColour, 0, kComponent, false},
};

#undef COLOUR
#undef AT

// Whole numbers in full ("1000000000", not "1e+09").
std::string Number(double v) {
    char text[48];
    std::snprintf(text, sizeof text, std::fabs(v) < 1e15 && v == std::trunc(v) ? "%.0f" : "%.7g", v);
    return text;
}

}  // namespace

const SettingRange* SettingRangeOfKey(DescriptorKeyID key) {
    for (const SettingRange& r : kRanges)
        if (r.key == key) return &r;
    return nullptr;
}

bool SettingInRange(const SettingRange& range, double value) {
    return std::isfinite(value) && (range.aboveLow ? value > range.low : value >= range.low) && value <= range.high;
}

std::string SettingRangeText(const SettingRange& range) {
    if (range.aboveLow) return "above " + Number(range.low) + " and at most " + Number(range.high);
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
        // A colour field holds 0..65535 by its type; its readers check it before.
        if (r.kind == SettingKind::Colour) continue;
        const double v = r.kind == SettingKind::Real ? double(GetParameterField<float>(p, r.offset))
                                                     : double(GetParameterField<int32_t>(p, r.offset));
        if (!SettingInRange(r, v))
            return fail("the " + std::string(r.name) + " " + Number(v) + " is not " + SettingRangeText(r));
    }
    p->previewquality = p->previewquality < 1 ? 1 : p->previewquality > 3 ? 3 : p->previewquality;
    return true;
}
