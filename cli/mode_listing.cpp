#include "cli/mode_listing.h"

#include <cstdio>

#include "pyramid/glue_names.h"
#include "records/output_modes.h"
#include "shell/mode_catalogue.h"
#include "shell/renderable.h"

namespace {

// The name column starts here; a refused output mode's reason goes under it.
constexpr const char* kUnderTheName = "             ";

void AddLine(std::string* out, int64_t code, bool renders, const char* name) {
    char head[32];
    std::snprintf(head, sizeof head, "%6lld  %-3s  ", static_cast<long long>(code), renders ? "yes" : "no");
    *out += head;
    *out += IsModeName(name) ? name : "(no name)";
    *out += '\n';
}

}  // namespace

std::string ModeListing() {
    std::string out = "input modes (number, rendered by this build, name; under a refused output mode, why):\n";
    for (int64_t m = 1; m <= kInputModeCount; ++m) AddLine(&out, m, InputModeIsRenderable(m), VorneskInputModeName(m));
    out += "\noutput modes:\n";
    for (const OutputModeRow& row : OutputModeRows()) {
        AddLine(&out, row.code, !row.refusal, VorneskOutputModeName(row.code));
        if (row.refusal) out += std::string(kUnderTheName) + row.refusal + '\n';
    }
    out += "\nglue modes:\n";
    for (int64_t m = 1; m <= kGlueModeCount; ++m) AddLine(&out, m, GlueModeIsRenderable(m), GlueCaption(int(m)));
    return out;
}
