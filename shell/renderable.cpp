#include "shell/renderable.h"

#include <cmath>

#include "common/angles.h"
#include "polyhedra/polyhedron_params.h"
#include "projections/input_poly.h"
#include "projections/sphere_to_input.h"
#include "records/parameters.h"
#include "shell/mode_catalogue.h"
#include "solids/shape_dispatch.h"

namespace {

// ---- overlays ----
// Drawn by the colour pass over the finished picture. Scissor marks come
// only with polyhedral outputs, refused above. An overlay whose drawing is
// not built says so here.
struct Overlay {
    const char* words;   // the overlay as the subject of "... available in this build"
    bool (*wanted)(const Parameters&);
    bool built;
};
constexpr Overlay kOverlays[] = {
    {"the graticule is", [](const Parameters& p) { return p.grid != 0 && p.grid != 1; }, true},
    {"Tissot indicatrices are", [](const Parameters& p) { return p.indicatrix != 0; }, true},
    {"edges are", [](const Parameters& p) { return p.edges != 0; }, true},
    // The de-halo switch is kept with the settings, but no pass draws it.
    {"de-haloing is", [](const Parameters& p) { return p.dehalo != 0; }, false},
};

// ---- settings with nothing to draw ----
// The retroazimuthal maps (400 front, 401 back) take the latitude as their
// reference point. With it on a pole every place of the sphere shows the
// reference due north, and no position of either sheet has a place: the
// picture would be empty. The sine is the one the projection takes.
bool RetroazimuthalReferenceOnAPole(const Parameters& p, int64_t outputMode) {
    if (outputMode != kModeRetroazimuthalFront && outputMode != kModeRetroazimuthalBack) return false;
    return std::fabs(std::sin(double(p.latitude) * kPiD / 180.0)) >= 1.0;
}

std::string InputNotAvailable(int64_t code) {
    return ModeInWords("input", code, VorneskInputModeName(code)) +
           " is not available in this build: the solid it lies on is not built";
}

}  // namespace

// Layouts on a polyhedron (InputModeCategory) are read through the net of
// an output mode's solid, which the polyhedron model must be able to build.
bool InputModeIsRenderable(int64_t m) {
    if (!IsValidInputMode(m)) return false;
    return !InputModeCategory(long(m)) || PolyhedralShapeIsBuilt(OutputModeOfInputPoly(m));
}

bool OutputModeIsRenderable(int64_t m) {
    const OutputModeRow* row = FindOutputMode(m);
    return row && !row->refusal;
}

bool PolyhedralShapeIsBuilt(int64_t m) {
    polyhedron_params params;
    get_polyhedron_params_from_output_mode(m, &params);
    return params.shapeCode != -1 && ShapecodeCanBeBuilt(params.shapeCode);
}

bool OutputModeRendersWith(const Parameters& p, int64_t m) {
    return OutputModeIsRenderable(m) && !RetroazimuthalReferenceOnAPole(p, m);
}

bool GlueModeIsRenderable(int64_t m) { return IsValidGlueMode(m); }

std::string WhatThisBuildCannotRender(const Parameters& p) {
    if (!InputModeIsRenderable(p.inputMode)) return InputNotAvailable(p.inputMode);
    if (!OutputModeIsRenderable(p.outputMode)) return OutputModeRefusal(p.outputMode);
    for (const Overlay& o : kOverlays)
        if (!o.built && o.wanted(p)) return std::string(o.words) + " not available in this build";
    if (RetroazimuthalReferenceOnAPole(p, p.outputMode))
        return OutputModeInWords(p.outputMode) +
               " draws nothing with the latitude on a pole; choose a latitude between -90 and 90";
    return {};
}
