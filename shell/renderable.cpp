#include "shell/renderable.h"

#include <cmath>

#include "common/angles.h"
#include "polyhedra/builtin_shapes.h"
#include "polyhedra/polyhedron_params.h"
#include "projections/caches.h"
#include "projections/dispatcher.h"
#include "projections/input_poly.h"
#include "projections/sphere_to_input.h"
#include "records/parameters.h"
#include "records/warpy_basis.h"
#include "render/globes/globe_render.h"
#include "shell/mode_catalogue.h"
#include "solids/shape_dispatch.h"

namespace {

// ---- input layouts ----
// Layouts on a polyhedron (InputModeCategory) are read through the net of
// an output mode's solid, which the polyhedron model must be able to build.

// ---- output modes ----
// A polyhedral mode draws when the polyhedron model can build its shape and
// its net comes out whole: the nets looked at and drawn through the
// polyhedral transform. The others wait for their nets or warps.
constexpr int64_t kPolyhedralNetsAreDrawn[] = {6, 7, 8, 9, 10, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34,
                                               44, 47, 54, 55, 64, 172, 173, 292, 293, 403, 404, 405, 406, 407, 408,
                                               70, 71, 72, 169, 170, 174, 175, 176, 177, 178, 179, 180, 181, 182, 183,
                                               184, 185, 186, 187, 188, 189, 190, 191, 192, 193, 194, 195, 196, 197, 198,
                                               199, 200, 201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 212, 213,
                                               214, 215, 216, 217, 218, 219, 220, 221, 222, 223, 224, 225, 226, 227, 228,
                                               229, 230, 231, 232, 233, 234, 235, 236, 237, 238, 239, 240, 241, 242, 243,
                                               244, 245, 246, 248, 249, 250, 253, 254, 263, 264, 265, 266, 267,
                                               // The curved-origami solids.
                                               256, 257, 258, 259, 260, 261, 262, 289, 290, 291, 294, 295, 296,
                                               1047, 1048, 1049, 1050, 4035, 4036, 4037, 4038, 4039, 4040, 4041,
                                               4042, 4043,
                                               // The Truchet duals (those of 306-308, 329 and 334 have a
                                               // primal whose cells are not all bounded, and are refused).
                                               268, 269, 270, 271, 272, 273, 274, 275, 276, 277, 278, 279, 280, 281,
                                               282, 283, 284, 285, 286, 287, 304, 305, 309, 310, 311, 312, 313, 314,
                                               315, 316, 317, 318, 319, 320, 321, 322, 323, 324, 325, 326, 327, 328,
                                               330, 331, 332, 333, 335, 336,
                                               // The Danseiji IV mesh.
                                               419,
                                               // The map-shaped nets (tools/gen_map_nets.cpp).
                                               97, 98, 100, 101, 102, 103, 104, 105, 113, 114, 115, 137, 144, 167,
                                               116, 117, 127, 129, 150, 800, 106, 168, 402, 107, 418, 122, 123, 124, 125, 126, 21, 86, 368,
                                               // The hexagon tiling and the hyperbolic tilings drawn on a net.
                                               370, 371, 372, 373, 374, 379, 380, 381, 382};

// The Goldberg and quad solids, output modes 420-545 (shape codes 313-438).
constexpr int64_t kGoldbergNetsFirst = 420, kGoldbergNetsLast = 545;

// A floret on a solid draws when its basis shape can be built and the
// basis net is drawn: a map-shaped net (tools/gen_map_nets.cpp, whose tests
// read every cell), or one of the grown strip and cell nets looked at
// through their florets (the rind balls 51 and 52, the tattoo ball 159,
// the Voronoi cells 166 and the Truchet dual 304). A floret turns on by
// itself when its basis net lands among the map nets.
constexpr int64_t kGrownFloretBasesAreDrawn[] = {51, 52, 159, 166, 304};

// Florets on grown nets whose lobes do not show the sphere: the nets were
// laid for their solids, not as lunes about the floret's axis, so the
// half planes the lobes read neither meet nor share the sphere out.
// Mode 1043 reads the rind ball 52 in half planes whose edges show no
// meridians about its axis: every lobe border is a jump (of up to a right
// angle) and a twirl shows straight seams all round. Modes 161 (the rind
// ball 51) and 392 (the Voronoi cells 166) read half planes reaching into
// the next lobe's share of longitude and short of their own: a band of
// the sphere shows in two lobes while another (a quarter of the sphere
// for 161, a twentieth for 392) shows in none. Mode 247 (the tattoo ball
// 159) leaves a seventh of the sphere in no lobe, and the lobes of 393
// (the dual 304) disagree along every border, by up to 68 degrees.
struct BrokenFloret {
    int64_t mode;
    const char* reason;
};
constexpr BrokenFloret kBrokenFlorets[] = {
    {1043, "its lobes do not meet"},
    {161, "its lobes show part of the sphere twice and miss a quarter of it"},
    {392, "its lobes show part of the sphere twice and miss some of it"},
    {247, "its lobes miss a seventh of the sphere"},
    {393, "its lobes do not meet"},
};

const char* WhyFloretIsBroken(int64_t m) {
    for (const BrokenFloret& b : kBrokenFlorets)
        if (b.mode == m) return b.reason;
    return nullptr;
}

bool FloretBasisIsDrawn(int64_t shapeCode) {
    if (MapNetShapeOf(FindBuiltInShape(shapeCode))) return true;
    for (int64_t c : kGrownFloretBasesAreDrawn)
        if (c == shapeCode) return true;
    return false;
}

bool NetIsDrawn(int64_t m) {
    if (m >= kGoldbergNetsFirst && m <= kGoldbergNetsLast) return true;
    for (int64_t d : kPolyhedralNetsAreDrawn)
        if (d == m) return true;
    return false;
}

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
    if (outputMode != 400 && outputMode != 401) return false;
    return std::fabs(std::sin(double(p.latitude) * kPiD / 180.0)) >= 1.0;
}

std::string NotAvailable(const char* kind, int64_t code, const char* name) {
    return ModeInWords(kind, code, name) + " is not available in this build";
}

}  // namespace

bool InputModeIsRenderable(int64_t m) {
    if (!IsValidInputMode(m)) return false;
    return !InputModeCategory(long(m)) || PolyhedralShapeIsBuilt(OutputModeOfInputPoly(m));
}

bool OutputModeIsRenderable(int64_t m) {
    if (!IsValidOutputMode(m)) return false;
    if (IsFloretWithPolyhedronBasis(m)) {
        polyhedron_params params;
        get_polyhedron_params_from_output_mode(m, &params);
        return PolyhedralShapeIsBuilt(m) && FloretBasisIsDrawn(params.shapeCode) && !WhyFloretIsBroken(m);
    }
    if (IsPolyhedron(m)) return NetIsDrawn(m) && PolyhedralShapeIsBuilt(m);
    // The ray-marched globes. Mode 686 (glass marble) has a mode class but
    // no picture of its own: no projection draws it, so it stays refused.
    if (IsGlobeMode(long(m))) return true;
    return OutputModeHasProjection(long(m)) && ProjectionTablesAreBuiltForMode(m);
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
    if (!InputModeIsRenderable(p.inputMode)) return NotAvailable("input", p.inputMode, VorneskInputModeName(p.inputMode));
    if (!OutputModeIsRenderable(p.outputMode))
        return NotAvailable("output", p.outputMode, VorneskOutputModeName(p.outputMode)) +
               (WhyFloretIsBroken(p.outputMode) ? std::string(": ") + WhyFloretIsBroken(p.outputMode) : "");
    for (const Overlay& o : kOverlays)
        if (!o.built && o.wanted(p)) return std::string(o.words) + " not available in this build";
    if (RetroazimuthalReferenceOnAPole(p, p.outputMode))
        return OutputModeInWords(p.outputMode) +
               " draws nothing with the latitude on a pole; choose a latitude between -90 and 90";
    return {};
}
