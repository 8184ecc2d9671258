#include "cli/mode_listing.h"

#include <cstdio>

#include "pyramid/glue_names.h"
#include "shell/mode_catalogue.h"
#include "shell/renderable.h"
#include "projections/simplex.h"
#include "solids/origami.h"

namespace {

void AddLine(std::string* out, int64_t code, bool renders, const char* name) {
    char head[32];
    std::snprintf(head, sizeof head, "%6lld  %-3s  ", static_cast<long long>(code), renders ? "yes" : "no");
    *out += head;
    *out += IsModeName(name) ? name : "(no name)";
    *out += '\n';
}

}  // namespace

std::string ModeListing() {
    // The plug-in's entry hands the curved-origami builders their hinge
    // search; a listing made without the entry hands it down itself.
    SetOrigamiHingeSearch(SimplexHingeSearch);
    std::string out = "input modes (number, rendered by this build, name):\n";
    for (int64_t m = 1; m <= kInputModeCount; ++m) AddLine(&out, m, InputModeIsRenderable(m), VorneskInputModeName(m));
    out += "\noutput modes:\n";
    for (int64_t m = 1; m <= kLastOutputMode; ++m)
        if (IsValidOutputMode(m)) AddLine(&out, m, OutputModeIsRenderable(m), VorneskOutputModeName(m));
    out += "\nglue modes:\n";
    for (int64_t m = 1; m <= kGlueModeCount; ++m) AddLine(&out, m, GlueModeIsRenderable(m), GlueCaption(int(m)));
    return out;
}
