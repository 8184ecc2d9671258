// What an output mode asks of the polyhedron model: the shape code of its
// solid (-1 when the mode is no polyhedron) and the shape's parameters, with
// the predicates over shape codes and output modes the rest of the system
// asks.
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
bool obey_flopping_for_shapecode(int64_t code);

bool ShapecodeIsARind(int64_t code);
bool ShapecodeIsAGeodesic(int64_t code);
bool ShapecodeIsARollout(int64_t code);
bool ShapecodeIsAVoronoi(int64_t code);
bool ShapecodeIsATruchetNonDual(int64_t code);
bool ShapecodeIsATruchetDual(int64_t code);
bool ShapecodeIsADual(int64_t code);
bool ShapecodeIsAGoldbergClass1(int64_t code);
bool ShapecodeIsAGoldbergClass2(int64_t code);
bool ShapecodeIsAGoldbergClass3(int64_t code);
bool ShapecodeIsAGoldberg(int64_t code);
bool ShapecodeIsAQuadClass1(int64_t code);
bool ShapecodeIsAQuadClass2(int64_t code);
bool ShapecodeIsAQuadClass3(int64_t code);
bool ShapecodeIsAQuadClass2_or_3(int64_t code);
bool ShapecodeIsAQuad(int64_t code);
bool ShapecodeIsABendy(int64_t code);
bool ShapecodeNeedsLegacyPointCollider(int64_t code);
bool ShapecodeNeedsLegacy2DCollider(int64_t code);
bool ShapecodeIsACurvedOrigamiStandard(int64_t code);
bool ShapecodeIsACurvedOrigamiMonofrag(int64_t code);
bool PolyhedronIsBuiltOnTheFly(int64_t code);

int64_t Companion_of_Truchet_dual(int64_t code);
int64_t TruchetCodeFromShapecode(int64_t code);
int64_t MonofragVersion_of_shapecode(int64_t code);
int64_t MonofragVersion_of_projection(int64_t mode);

bool OutputModeIsAGoldberg(int64_t mode);
bool OutputModeIsAQuadClass1(int64_t mode);
bool OutputModeIsAQuadClass2_or_3(int64_t mode);
bool OutputModeIsAQuad(int64_t mode);
bool OutputModeIsAGeodesic(int64_t mode);
bool OutputModeIsARollout(int64_t mode);
bool OutputModeIsAVoronoi(int64_t mode);
bool OutputModeIsATruchetDual(int64_t mode);
