// Exportation cramming: when a polyhedral output is exported one face or one
// fragment per page, every piece is drawn centred in one common frame. The
// plan gives each piece its centre and turn in the net and the scale that
// makes the widest piece fit a frame of width 1.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

struct TStorage1;

// Exportation units.
enum : int64_t { kExportSingleFaces = 0, kExportFragments = 1, kExportWholeNet = 2 };
// How an export page's net is built, by the plan and by the page's render
// alike: single faces with set-up mode 3 (others 1), net setting A 1.
inline constexpr int64_t kExportPageFaceBuild = 3;
inline constexpr float kExportPageNetSettingA = 1.0f;
// A plan entry not measured.
inline constexpr float kCrammingUnmeasured = -999.999f;
// PlanCrammingForExportation's answer when the scratch polyhedron for an
// alternative shape mode cannot be had: nothing is planned.
inline constexpr float kCrammingFailed = -1.0f;

int64_t exportationUnitOfPoly(const polyhedron* poly, int64_t* count);
// 1 when the triangle belongs to the piece `feature` of unit `selector`.
int canUseTriangleForExportingFeatureWithSelector(const polyhedron* poly, int64_t triangle, int64_t feature,
                                                  int64_t selector);
// Over the corners of the piece's triangles, tabs included; all -1 when the
// piece has none.
void Find2DBoundingBoxSpecial(const polyhedron* poly, double* minX, double* maxX, double* minY, double* maxY,
                              int64_t feature, int64_t selector);

// How the pieces are built: the set-up's second parameter, host value, flag
// and the two net settings.
struct CrammingBuild {
    int64_t setupParameter;
    void* hostValue;
    uint8_t flag;
    float netSettingA;
    float netSettingB;
};

// Plans `pieces` entries of the work area's cramming arrays for output mode
// `mode` on `poly` (or on a scratch polyhedron for its alternative shape
// mode) and returns the frame's height over its width: 0 when no piece has
// width (scale 1), kCrammingFailed when the scratch record cannot be had.
float PlanCrammingForExportation(TStorage1* area, int64_t mode, int64_t pieces, const CrammingBuild& build,
                                 polyhedron* poly);
float PlanCrammingForExportation_core(TStorage1* area, int64_t mode, int64_t pieces, const CrammingBuild& build,
                                      polyhedron* poly);
// Single faces: the net is built once in kind 3 and each face's triangles
// are turned by each candidate (its edge headings and their negatives); the
// narrowest turn wins, the first on ties.
float PlanCrammingForExportation_core_faces(TStorage1* area, int64_t mode, int64_t pieces,
                                            const CrammingBuild& build, polyhedron* poly);
float PlanCrammingForExportation_core_fragments(TStorage1* area, int64_t mode, int64_t pieces,
                                                const CrammingBuild& build, polyhedron* poly);
