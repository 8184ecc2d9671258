// Stand-in until the shape-code table lands: no output mode maps to a solid
// yet. Replace get_polyhedron_params_from_output_mode with the table; the
// two questions below follow it unchanged.
#include "polyhedra/polyhedron_params.h"

#include "projections/warpy_basis.h"

void get_polyhedron_params_from_output_mode(int64_t, polyhedron_params* params) {
    if (!params) return;
    *params = polyhedron_params{-1, 0, 0, 0.0f, 1};
}

bool IsPolyhedron(int64_t outputMode) {
    polyhedron_params params;
    get_polyhedron_params_from_output_mode(outputMode, &params);
    return params.shapeCode != -1;
}

bool IsExportablePolyhedron(int64_t m) {
    // Flat tilings, florets and maps drawn through a solid that has no
    // sensible 3D form of its own.
    if (m == 21 || m == 41 || m == 42 || m == 64 || m == 86 || m == 97 || m == 98 || (m >= 100 && m <= 107) ||
        (m >= 113 && m <= 117) || (m >= 122 && m <= 129) || m == 137 || m == 144 || m == 150 || m == 167 ||
        m == 168 || m == 351 || m == 352 || (m >= 368 && m <= 382) || m == 418 || m == 419)
        return false;
    if (IsFloretWithPolyhedronBasis(m)) return false;
    return IsPolyhedron(m);
}
