// Captions of the 69 glue (blend) modes, indexed by mode number. This is the
// one table of these names: the mode catalogue, the dialog's pop-up and the
// exporters' keywords all read it from here.
#pragma once

constexpr int kGlueModeCount = 69;

inline constexpr const char* kGlueModeCaptions[kGlueModeCount + 1] = {
    "",  // 0 is no mode
    "normal",      "procedural +", "procedural -", "difference",   "lighten",
    "darken",      "add",          "subtract",     "multiply",     "screen",
    "hard light",  "overlay",      "superlay",     "exclusion",    "color",
    "luminance",   "linear light", "pin light",    "spin light",   "vivid a",
    "vivid b",     "saturation",   "hue",          "similarity",   "cross",
    "hard diff",   "soft light",   "bright",       "dim",          "dodge",
    "burn",        "ace",          "king",         "queen",        "jack",
    "and",         "or",           "xor",          "multibright",  "hot",
    "cold",        "wet",          "dry",          "up",           "down",
    "wax",         "wane",         "north",        "south",        "east",
    "west",        "hard mix",     "frontal",      "parietal",     "temporal",
    "occipital",   "limbic",       "dextrous",     "sinister",     "anterior",
    "posterior",   "screendim",    "starbright",   "glow",         "reflect",
    "shimmer",     "lustre",       "negation",     "contrast negate",
};

// The caption of glue mode 1..69; the empty string for any other number.
inline const char* GlueCaption(int mode) {
  return (mode >= 1 && mode <= kGlueModeCount) ? kGlueModeCaptions[mode] : "";
}
