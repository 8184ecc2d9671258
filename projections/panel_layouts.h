// Output modes that tile the frame with several views of the sphere: rows
// of rectilinear panels (triptych, tetraptych), the grid of rectilinear
// views of the multiview modes, the random-mirror kaleidoscope, the
// cylindrical view and two and three crossed cylinders. Each writes a unit
// direction and, where it can fail, the outside flag (1 outside, 0 inside).
#pragma once

#include <cstdint>

#include "records/mirror_table.h"

struct TransformationReply;
struct polyhedron;
struct vort;

// Three panels a third wide of 120° each (triptych) or four a quarter wide
// of 90° (tetraptych), side by side around the vertical axis. Raw position,
// lens factor f, aspect a. Never outside.
void DoTriptych(float point[3], float u, float v, float f, float a);
void DoTetraptych(float point[3], float u, float v, float f, float a);

// The view grid: columns x rows cells about the box position's origin,
// numbered down each column first. Returns the cell number, or -1 for a
// position on or beyond the grid's outer frame; (lx, ly) receive the
// position within the cell, each -0.5..0.5 about its centre.
long ViewGridCell(long columns, long rows, double X, double Y, double* lx, double* ly);

// One rectilinear view of lens factor f per face of the polyhedron, each
// looking at its face's centre direction, in the context's view grid. view
// receives the view index (-1 outside), which is also the reply's place.
void DoMultiviews(const vort* context, const polyhedron* solid, unsigned char* outside, float point[3], long* view,
                  TransformationReply* reply, double X, double Y);

// The cube views: six 90° rectilinear views in the context's view grid, cell
// k looking along faces[k]. The core clears the outside flag and writes the
// cell number into slot (the sample's region) for a position inside a cell
// 0 to 5; elsewhere it stays outside with slot -1. Within a cell the view is
// the one input face F reads along the same direction, unturned, so the
// layouts of CubeViewFaces write the six-frame (Unity), Facebook and Pano2VR
// cube maps that the cube-layout inputs cut again.
void DoCubeViews_core(const vort* context, unsigned char* outside, float point[3], long* slot, double X, double Y,
                      const float faces[6][3]);
// The faces of cube-view output mode `mode` (337 six frames in a row, 338
// Facebook's and 339 Pano2VR's three by two) in cell order; null for any
// other mode.
const float (*CubeViewFaces(long mode))[3];

// The kaleidoscope of mode 899. JitterMirrorTable draws the table unless it
// is already drawn for `seed`, from the project's Rule 30 generator seeded
// by it: the same seed always gives the same mirrors, also after a restart.
void JitterMirrorTable(MirrorTable* table, int32_t seed);
// The box position folded across every mirror whose reflecting side it lies
// on, in table order, then read as a tenth of an equirectangular position.
// Place -7, never outside.
void DoMirrors(float point[3], unsigned char* outside, TransformationReply* reply, const MirrorTable* table,
               double X, double Y);

// Central cylindrical view of the box position; k = min(aspect, 1).
void DoCylindrical(const vort* context, float point[3], double X, double Y);
// Two crossed cylinders (turned an eighth), and three: the cylinder about
// the vertical axis, then those about the two horizontal ones. face receives
// the cylinder (1 to 3) of an inside sample.
void DoTwoCylinders(unsigned char* outside, float point[3], int64_t* face, double X, double Y);
void DoThreeCylinders(unsigned char* outside, float point[3], int64_t* face, double X, double Y);
