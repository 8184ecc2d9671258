// What an output mode asks of the polyhedron model: the shape code of its
// solid (-1 when the mode is no polyhedron) and the shape's parameters, with
// the predicates over shape codes the rest of the system asks.
#pragma once

#include <cstdint>

struct polyhedron_params {
    int64_t shapeCode;        // -1: no polyhedron
    int64_t setupMode;        // first parameter: a subdivision or family order
    int64_t secondParameter;
    float floatParameter;     // an angle in radians for rollouts and rinds
    int64_t kind;             // 0 all from the caller, 1 as the row stands, 2 integers from the caller
};

void get_polyhedron_params_from_output_mode(int64_t outputMode, polyhedron_params* params);
bool IsPolyhedron(int64_t outputMode);
// Whether the mode's solid can be exported as 3D geometry.
bool IsExportablePolyhedron(int64_t outputMode);

bool ShapecodeIsATruchetDual(int64_t code);
bool ShapecodeNeedsLegacyPointCollider(int64_t code);
bool ShapecodeIsACurvedOrigamiMonofrag(int64_t code);

int64_t Companion_of_Truchet_dual(int64_t code);
int64_t MonofragVersion_of_projection(int64_t mode);
