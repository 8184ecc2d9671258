// What this build can render. Each family of modes and settings has one
// question here; the change that builds a family lifts its refusal in that
// question, and the mode sweep (tests/shell/mode_sweep_test.cpp) then asks
// the family's pictures to be more than one flat colour.
#pragma once

#include <cstdint>
#include <string>

struct Parameters;

// Input layouts this build reads: every catalogue input mode but those on a
// polyhedron (29 and 39), which wait for the input polyhedron's search.
bool InputModeIsRenderable(int64_t inputMode);
// Output modes this build draws: a dispatcher projection whose tables are
// computed. Polyhedral modes wait for their nets and the polyhedral
// transform, and then for the shape the polyhedron model builds; globes,
// florets and the rest wait for their projections.
bool OutputModeIsRenderable(int64_t outputMode);
// Whether the polyhedron model builds the solid of a polyhedral output mode
// (false for a mode with no solid).
bool PolyhedralShapeIsBuilt(int64_t outputMode);
// Whether output mode m draws a picture with the other settings of p: this
// build renders it, and the picture is not empty with them (a retroazimuthal
// map wants the latitude off the poles). For the pages that draw every mode.
bool OutputModeRendersWith(const Parameters& p, int64_t outputMode);
// Glue modes this build blends with: all of them.
bool GlueModeIsRenderable(int64_t glueMode);
// The first of the settings this build cannot render, as one line for the
// user ("output mode 6 (tetrahedron) is not available in this build"), or of
// those whose picture would be empty (a retroazimuthal map with the latitude
// on a pole); empty when it renders them all.
std::string WhatThisBuildCannotRender(const Parameters& params);
