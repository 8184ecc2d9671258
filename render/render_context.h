// Filling the render context (`vort`) of a render from the settings: output
// and input modes, orientation, field-of-view factors, colours, flags, and
// the framing box that fixes how the unit output square maps onto the plane
// of each output projection.
#pragma once

#include <string>

#include <cstdint>

#include "records/vort.h"

struct Data;
struct Parameters;
struct PerTaskStuffType;
struct polyhedron;

// Sets a box's ranges and derives its centre, fit scale and inverse.
void SetFramingBox(FramingBox* box, double xMin, double xMax, double yMin, double yMax);
// The framing box of an output mode that has no polyhedron; aspect is the
// output's height over width, fov the field of view in degrees.
void PrepBoundingBoxForNonPolyhedron(FramingBox* box, vort* context, float aspect, float fov);
// The hyperbolic framing box (the tilings' own records come with the tilings).
void init_hyperbolic_modes(vort* context);
// Builds, or reuses when nothing that matters changed, the polyhedron and net
// of a polyhedral output mode (and the solid of the multiviews 75..79) in
// the work area, on the launching thread, and points the context at it.
// False, with *diagnostic kDiagPolyhedron, when the record cannot be had or
// the build stopped at a limit (a partial net is never drawn).
// Seams of the last output net left without a glue tab because its vertex
// table was full (the set-up then fails with kDiagNetTabs).
int64_t TabsPastNetLimit(const Data* data);
// The warning a render of output mode `mode` gives when its net, set up for
// `context`, leaves glue tabs out: seams where no tab fits beside the net,
// and the corner tabs of a curved-origami sheet that its tables cannot hold.
// Empty when every tab is drawn.
std::string NetTabWarning(const vort* context, int64_t mode);
bool SetUpOutputPolyhedron(Data* data, const Parameters* params, vort* context, int16_t* diagnostic);
// The framing of a polyhedral output: the box the set-up fitted the net into,
// with a small border, fitted into the output frame.
void FrameTheNet(vort* context);
// The same framing for a net drawn into a frame of height over width
// `aspect` (the texture of a polyhedron export).
void FrameNetOfMode(const polyhedron* poly, double aspect, FramingBox* box);
// The whole filling from Parameters and Data; the worker count of Data too.
void FillInTwirlyZero(Data* data, const Parameters* params, vort* context);
// The fixed filling of a render whose orientation the program chooses: the
// whole sphere over the frame (mode 81) turned a quarter about its axis.
void FillInTwirlyZero_programatically(const Parameters* params, vort* context);
// Scale and preview offsets from Parameters, row buffer from Data.
void FillInTwirlyMinusOne(Data* data, const Parameters* params, vort* context);
// The tile's apron corners in unit output coordinates.
void AnnotateVaxWithBoundaries(PerTaskStuffType* task, vort* context);
// Fills the 32 x 32 Hilbert walk of the context.
void FillHilbertWalk(vort* context);
