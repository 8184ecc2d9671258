// The solid under a polyhedral input picture: input mode 29 ("soccer") is
// the net of the soccer ball of output mode 30, input mode 39 ("icomap") the
// net of the icosahedron of output mode 47. The render prepares the solid
// and its net once, on the launching thread; the workers find each direction
// on it with the ray search and read the picture at the matching net point.
#pragma once

#include <cstdint>

struct Data;
struct polyhedron;
struct renderhinttype;

// The output mode whose solid and net an input mode lies on; -1 for an input
// mode that is not polyhedral.
int64_t OutputModeOfInputPoly(int64_t inputMode);

// Whether a set-up status leaves a net to read: a full table, a vertex or
// group index out of range, a failed allocation or an unbuilt shape do not.
bool InputPolyStatusIsUsable(int64_t status);

// Builds the input polyhedron of the input mode into Data (or keeps the one
// built for the same input mode) and fits its net into a picture of
// height/width `aspect`. Returns null when the record cannot be allocated;
// the caller reads the status word for a build that went wrong.
polyhedron* AllocateInputPoly(Data* data, int64_t inputMode, double aspect);
// Frees Data's input polyhedron, storage and record; safe when there is none.
void DisposeInputPoly(Data* data);

// Fits the net's box with a border of 2% of its larger side, centred, into
// the unit picture of height/width `aspect` (as the output modes frame their
// nets): the poly's net origin and scale.
void FitInputNet(polyhedron* poly, double aspect);

// Where direction p lies on the input picture: the net point of the
// triangle its ray passes through, in 0..1 of the picture, and the region
// (the net face hit + 3). False on a miss (no polyhedron, or no triangle).
bool InputPolyPosition(const float p[3], const polyhedron* poly, renderhinttype* hint, float* x, float* y,
                       int* region);
