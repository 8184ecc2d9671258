#include "shell/mode_catalogue.h"

#include <initializer_list>

#include "files/iptc.h"
#include "polyhedra/polyhedron_params.h"
#include "records/warpy_basis.h"
#include "shell/mode_names.h"

namespace {

// Inclusive code ranges; a single code is a range of one.
struct Span {
    int64_t first;
    int64_t last;
    Span(int64_t code) : first(code), last(code) {}
    Span(int64_t a, int64_t b) : first(a), last(b) {}
};

bool In(int64_t code, std::initializer_list<Span> spans) {
    for (const Span& s : spans)
        if (code >= s.first && code <= s.last) return true;
    return false;
}

int64_t ShapeCode(int64_t code) {
    polyhedron_params params;
    get_polyhedron_params_from_output_mode(code, &params);
    return params.shapeCode;
}

}  // namespace

const char* VorneskInputModeName(int64_t code) {
    return code >= 1 && code <= kInputModeCount ? kInputModeNames[code - 1] : "";
}

const char* VorneskOutputModeName(int64_t code) {
    const OutputModeRow* row = FindOutputMode(code);
    return row && row->name[0] ? row->name : "***";
}

const std::vector<int32_t>& ChoosableOutputModes() {
    static const std::vector<int32_t> modes = [] {
        std::vector<int32_t> list;
        for (const OutputModeRow& row : OutputModeRows()) list.push_back(row.code);
        return list;
    }();
    return modes;
}

std::string OutputModeRefusal(int64_t code) {
    const OutputModeRow* row = FindOutputMode(code);
    if (row && !row->refusal) return {};
    return OutputModeInWords(code) + " is not available in this build: " +
           (row ? row->refusal : "the catalogue has no such mode");
}

std::vector<OutputMenuEntry> OutputMenuEntries() {
    std::vector<OutputMenuEntry> entries;
    for (const OutputModeRow& row : OutputModeRows())
        entries.push_back(
            {row.code, OutputModeCaption(row.code), row.family, OutputModeRefusal(row.code)});
    return entries;
}

std::string ModeInWords(const char* kind, int64_t code, const char* name) {
    return std::string(kind) + " mode " + std::to_string(code) + (IsModeName(name) ? " (" + std::string(name) + ")" : "");
}

std::string OutputModeCaption(int64_t code) {
    const char* name = VorneskOutputModeName(code);
    return IsModeName(name) ? std::string(name) : "mode " + std::to_string(code);
}

std::string OutputModeInWords(int64_t code) { return ModeInWords("output", code, VorneskOutputModeName(code)); }

const char* VorneskOutputModeNameSynonym(int64_t code) {
    const OutputModeRow* row = FindOutputMode(code);
    return row ? row->synonym : "";
}

bool IsValidInputMode(int64_t code) { return code >= 1 && code <= kInputModeCount; }

bool IsValidOutputMode(int64_t code) { return FindOutputMode(code) != nullptr; }

bool IsValidGlueMode(int64_t code) { return code >= 1 && code <= kGlueModeCount; }

bool OutputModeIsACubemap(int64_t c) { return In(c, {7, 172, 173, 337, 338, 339}); }

bool OutputModeIsACurvedOrigami(int64_t c) {
    if (In(c, {288, 300, 301})) return true;
    int64_t shape = ShapeCode(c);
    return shape >= 171 && shape <= 196;
}

bool OutputModeIsAMiscellaneousCurvedPoly(int64_t c) { return In(c, {175, 176}); }

bool OutputModeIsASimplePolyhedron(int64_t c) {
    int64_t shape = ShapeCode(c);
    if (shape == -1 || IsFloretWithPolyhedronBasis(c)) return false;
    if (In(shape, {{111, 158}, {160, 304}})) return false;
    if (OutputModeIsAMiscellaneousCurvedPoly(c) || OutputModeIsACurvedOrigami(c)) return false;
    return IsExportablePolyhedron(c);
}

bool OutputModeIsShaded(int64_t c) {
    return In(c, {45, 139, 143, 299, 342, 344, 348, 350, 361, 363, 365, 367, 394, 395, 396});
}

bool OutputModeIsAboutOceans(int64_t c) { return In(c, {345, 410, 416}); }

bool IsInterruptedWorldMap(int64_t c) {
    return In(c, {36, 37, 38, 53, 61, 63, 73, 74, 345, 356, 414, 415, 416, 419, 1044});
}

bool OutputModeIsEqualArea(int64_t c) {
    return In(c, {2, 11, 12, 13, 46, 138, 140, 345, 346, 356, 357, 397, 398, 399, 414, 416, 900});
}

bool OutputModeIsGnomonic(int64_t c) { return In(c, {14, 57, 58, 60}); }
bool OutputModeIsARind(int64_t c) { return In(c, {70, 71, 72, 253, 254}); }
bool OutputModeIsCylindrical(int64_t c) { return In(c, {1, 17, 18, 81, 138, 159, 160, 299}); }
bool OutputModeIsSteinmetz(int64_t c) { return In(c, {159, 160}); }

bool OutputModeIsDevelopable(int64_t c) {
    if (In(c, {159, 160, 288, 300, 301})) return true;
    return In(ShapeCode(c), {{111, 158}, {160, 304}});
}

bool projectionIsGlobeGores(int64_t c) { return In(c, {36, 37, 38, 53, 61, 1044}); }
bool projectionIsOrthoapsidal(int64_t c) { return In(c, {134, 143, {341, 344}, {360, 367}, 409}); }

bool projectionIsACircle(int64_t c) {
    return In(c, {2, 3, 5, 19, 39, 59, 69, 134, 139, 143, 300, 301, 347, 348, 371, 375, 379, 401, 900});
}

bool projectionIsAnEllipse(int64_t c) { return In(c, {11, 46, 121}); }

bool projectionIsASquare(int64_t c) {
    return In(c, {41, 42, 75, 90, 91, 94, 140, 141, 142, 372, 376, 380, 410});
}

bool projectionIsConformal(int64_t c) {
    return In(c, {16, 51, 62, {65, 69}, 83, 84, 87, {89, 133}, {135, 137}, {144, 158}, 162, 163, {166, 168},
                  251, 252, 302, 303, {351, 353}, {368, 387}, 402, {410, 413}, 417, 418, 800, {1038, 1041}});
}

ModeWordsSource CatalogueModeWords() {
    ModeWordsSource source;
    source.name = VorneskOutputModeName;
    source.addKeywords = addVorneskKeywords;
    return source;
}

ExportHooks CatalogueExportHooks() {
    ExportHooks hooks;
    hooks.modeWords = CatalogueModeWords();
    hooks.genericWord = VorneskOutputModeNameSynonym;
    return hooks;
}

void addVorneskKeywords(TIPTCThing* iptc, int64_t c) {
    if (!iptc) return;
    auto add = [iptc](const char* word) { AddIPTCKeyword(iptc, word); };
    const char* synonym = VorneskOutputModeNameSynonym(c);
    if (*synonym) add(synonym);
    if (In(c, {{371, 382}})) add("hyperbolic tiling");
    if (projectionIsConformal(c)) add("conformal");
    const bool floret = IsProjectionAFloret(c);
    if (floret) add("floret");
    const int64_t shape = ShapeCode(c);
    if (In(shape, {{111, 158}})) add("sphericon");
    if (In(shape, {{160, 170}, {197, 270}})) add("voronoi");
    if (OutputModeIsDevelopable(c) && !floret) add("developable");
    if (In(c, {41, 42})) add("origami");
    if (OutputModeIsACurvedOrigami(c)) add("curved origami");
    if (OutputModeIsACubemap(c)) add("cubemap");
    if (projectionIsGlobeGores(c)) add("globe gores");
    if (In(c, {{177, 198}, {422, 497}})) add("geodesic");
    if (In(c, {{422, 497}})) add("Goldberg");
    if (In(c, {{498, 545}})) add("quad");
    switch (c) {
        case 171: add("retouching"); break;
        case 394: add("voxels"); break;
        case 395: add("metaballs"); break;
        case 396: add("flat earth"); break;
        case 2:
        case 3: add("azimuthal"); break;
        case 400:
        case 401: add("retroazimuthal"); break;
        default: break;
    }
    if (OutputModeIsASimplePolyhedron(c)) add("polyhedron");
    if (OutputModeIsShaded(c)) add("shaded");
    if (OutputModeIsCylindrical(c)) add("cylindrical");
    if (OutputModeIsGnomonic(c)) add("gnomonic");
    if (OutputModeIsEqualArea(c)) add("equal-area");
    if (OutputModeIsAboutOceans(c)) add("oceans");
    if (OutputModeIsARind(c)) add("rind");
    if (OutputModeIsSteinmetz(c)) add("Steinmetz solid");
    if (projectionIsOrthoapsidal(c)) add("orthoapsidal");
    if (projectionIsACircle(c)) add("circle");
    if (projectionIsAnEllipse(c)) add("ellipse");
    if (projectionIsASquare(c)) add("square");
    if (IsExportablePolyhedron(c)) add("exportable 3D geometry");
    if (IsInterruptedWorldMap(c)) add("interrupted");
}
