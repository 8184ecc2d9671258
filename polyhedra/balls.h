// Spheres cut into strips and bands, their vertices placed by longitude and
// latitude fractions: the rind ball (one strip spiralling from pole to pole,
// closed by a fan at each pole), the odd ball (a fan from the north pole over
// a curve), the thirty-degree sphere (a 30-degree grid of meridians and
// parallels) and the tattoo ball (a strip that runs round the sphere and back,
// leaving wedges between its half-turns).
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

// The strip spacing: flat at both ends, 0.5 in the middle.
float rind_warp(float x);

// Spiral vertex a of a rind ball of N steps per turn, T steps in all and
// longitude offset o; writes its fractions and returns its vertex (-1 when
// the store is full).
int64_t BuildRindVertex(polyhedron* poly, double* u, double* v, double a, int64_t N, int64_t T, double o);
int64_t BuildOddballVertex(polyhedron* poly, double* u, double* v, int64_t a, int64_t b, int64_t, double o);
int64_t BuildThirtysphereVertex(polyhedron* poly, double u, double v);
// Zig-zag vertex a of a tattoo ball of `steps` steps per half-turn.
int64_t BuildTattooVertex(polyhedron* poly, double* u, double* v, double a, int64_t steps, int64_t T, double o);

// Each returns what the face linking returns.
int64_t BuildRindBall3D(polyhedron* poly, int64_t, int64_t turns, int fineStrip);
int64_t BuildOddBall3D(polyhedron* poly);
int64_t BuildThirtysphere(polyhedron* poly);
int64_t BuildTattooBall3D(polyhedron* poly, int64_t, int64_t halfTurns);
