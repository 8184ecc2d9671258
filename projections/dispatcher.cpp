#include "projections/dispatcher.h"

#include <array>

#include "projections/panorama_views.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"

namespace {

// The codes the lookup covers; beyond them only the logarithmic view.
constexpr long kLowestMode = kFirstOutputMode;
constexpr long kHighestMode = kModeGores18;

const ProjectionTable kFamilies[] = {
    FlatWorldMapProjections(), NewtonWorldMapProjections(), InterruptedMapProjections(),
    SquareWorldMapProjections(), PeirceProjections(), PowerMapProjections(), GoreProjections(),
    DiscLayoutProjections(), PanelLayoutProjections(), PanoramaViewProjections(), LensViewProjections(),
    StereographicProjections(), FloretProjections(), HyperbolicTilingProjections(),
};

// A mode whose projection has not arrived: a miss with a defined direction.
void Awaiting(ProjectionSample& s) {
    s.point[0] = 0.0f;
    s.point[1] = 0.0f;
    s.point[2] = 1.0f;
    s.miss = 1;
}

using Lookup = std::array<ProjectionFunction, kHighestMode + 1>;

// Each family's rows by code; then every mode the table of output modes
// sends down the road of a projection that no family serves yet waits.
Lookup Gather() {
    Lookup at{};
    for (const ProjectionTable& family : kFamilies)
        for (const ProjectionEntry& e : family)
            if (e.mode >= kLowestMode && e.mode <= kHighestMode) at[e.mode] = e.project;
    for (const OutputModeRow& row : OutputModeRows())
        if (row.road == ModeRoad::kProjection && row.code <= kHighestMode && !at[row.code]) at[row.code] = Awaiting;
    return at;
}

// Gathered when the module loads, from tables that are constant data; only
// read afterwards.
const Lookup kLookup = Gather();

ProjectionFunction FunctionOf(long m) { return m >= kLowestMode && m <= kHighestMode ? kLookup[m] : nullptr; }

}  // namespace

std::span<const ProjectionTable> ProjectionFamilies() { return kFamilies; }

bool OutputModeAwaitsProjection(long m) { return FunctionOf(m) == Awaiting; }

bool OutputModeHasProjection(long m) {
    const ProjectionFunction f = FunctionOf(m);
    return f && f != Awaiting;
}

void handle_non_poly_projections(renderhinttype*& hints, float* point, vort*& context, long& region,
                                 unsigned char& miss, fcomplex& planePoint,
                                 TransformationReply*& reply, float u, float v) {
    const long M = context->outputMode;
    if (M < kLowestMode || M > kHighestMode) {
        if (M == kModeLogarithmic) DoLogarithmic(point, context, u, v);
        return;
    }
    const ProjectionFunction project = kLookup[M];
    if (!project) return;
    ProjectionSample sample{hints, point, context, region, miss, planePoint, reply, u, v,
                            OutputPlaneOf(context, u, v), M};
    project(sample);
}
