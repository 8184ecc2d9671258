// What this build can render. An output mode renders unless its row in the
// table of output modes (records/output_modes.cpp) gives the reason it does
// not; the change that builds a mode takes that reason out, and the mode
// sweep (tests/shell/mode_sweep_test.cpp) then asks its pictures to be more
// than one flat colour. Input layouts and overlays have their questions here.
#pragma once

#include <cstdint>
#include <string>

struct Parameters;

// Input layouts this build reads: every catalogue input mode but those on a
// polyhedron (29 and 39), which wait for the input polyhedron's search.
bool InputModeIsRenderable(int64_t inputMode);
// Output modes this build draws: the table's rows without a refusal.
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
// user ("output mode 41 (balloon) is not available in this build: its solid
// (shape 10) is not built"), or of those whose picture would be empty (a
// retroazimuthal map with the latitude on a pole); empty when it renders
// them all.
std::string WhatThisBuildCannotRender(const Parameters& params);
