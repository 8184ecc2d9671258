#include "projections/input_poly.h"

#include <algorithm>
#include <cmath>

#include "nets/net_layout.h"
#include "polyhedra/barycentrics.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/polyhedron_params.h"
#include "projections/poly_ray_search.h"
#include "records/data.h"
#include "records/renderhinttype.h"
#include "solids/poly_setup.h"

namespace {

// The fixed set-up of an input solid: the net with crevice regions, no tabs.
constexpr int64_t kInputSetupMode = 6;

}  // namespace

int64_t OutputModeOfInputPoly(int64_t inputMode) {
    if (inputMode == 39) return 47;
    if (inputMode == 29) return 30;
    return -1;
}

bool InputPolyStatusIsUsable(int64_t status) {
    switch (status) {
        case kPolyStatusGood:
        case kPolyStatusRepeatedVertex:
        case kPolyStatusTabVertexLimit:
        case kPolyStatusDuplicateFace:
        case kPolyStatusScissorTableFull:
            return true;
        default:
            return false;
    }
}

void FitInputNet(polyhedron* poly, double aspect) {
    double left = INFINITY, right = -INFINITY, top = INFINITY, bottom = -INFINITY;
    for (int64_t t = 0; t < poly->netTriangleCount && t < kMaxNetTriangles; ++t) {
        const PolyNetTriangle& tri = poly->netTriangle[t];
        if (tri.isTab) continue;
        for (int64_t v : tri.vertex) {
            if (v < 0 || v >= kMax2DVertices) continue;
            left = std::min(left, double(poly->netVertex[v].x));
            right = std::max(right, double(poly->netVertex[v].x));
            top = std::min(top, double(poly->netVertex[v].y));
            bottom = std::max(bottom, double(poly->netVertex[v].y));
        }
    }
    if (!(right > left) || !(bottom > top) || !(aspect > 0.0)) {
        poly->netOrigin[0] = poly->netOrigin[1] = 0.0;
        poly->netScale[0] = poly->netScale[1] = 1.0;
        return;
    }
    // Framed as the output mode of the solid frames its net, so that a net
    // picture the plug-in drew reads back: the same border, then the scale
    // that fits both sides, the other side centred.
    const double border = NetFrameBorder(right - left, bottom - top);
    left -= border;
    right += border;
    top -= border;
    bottom += border;
    const double scale = std::min(1.0 / (right - left), aspect / (bottom - top));
    poly->netScale[0] = scale;
    poly->netScale[1] = scale / aspect;
    poly->netOrigin[0] = (left + right) / 2 - 0.5 / scale;
    poly->netOrigin[1] = (top + bottom) / 2 - 0.5 * aspect / scale;
}

polyhedron* AllocateInputPoly(Data* data, int64_t inputMode, double aspect) {
    if (!data) return nullptr;
    const int64_t mode = OutputModeOfInputPoly(inputMode);
    polyhedron* poly = data->inputPolyhedron;
    if (poly && poly->lastOutputMode == mode && poly->status == kPolyStatusGood) {
        FitInputNet(poly, aspect);
        return poly;
    }
    DisposeInputPoly(data);
    if (mode < 0) return nullptr;
    poly = NewPolyhedron(1.0f, 0.0f);
    data->inputPolyhedron = poly;
    if (!poly) return nullptr;
    polyhedron_params params;
    get_polyhedron_params_from_output_mode(mode, &params);
    poly->outputMode = mode;
    SetUpReallyGeneralPolyhedron(poly, params.shapeCode, kInputSetupMode, 0, 0, nullptr, 1, 0.0f);
    poly->lastOutputMode = mode;
    FitInputNet(poly, aspect);
    return poly;
}

void DisposeInputPoly(Data* data) {
    if (!data) return;
    FreePolyhedron(&data->inputPolyhedron);
}

bool InputPolyPosition(const float p[3], const polyhedron* poly, renderhinttype* hint, float* x, float* y,
                       int* region) {
    if (!poly || !hint) return false;
    const double ray[3] = {p[0], p[1], p[2]};
    unsigned char outside = 1;
    double b[3];
    const int64_t t = IntersectRayWithPoly_core(ray, poly, &outside, hint, b);
    if (t < 0 || outside) return false;
    double P[3];
    Get2DPointFromTriangleAndBarys(t, P, poly, b[0], b[1], b[2]);
    *x = float((P[0] - poly->netOrigin[0]) * poly->netScale[0]);
    *y = float((P[1] - poly->netOrigin[1]) * poly->netScale[1]);
    *region = int(hint->hitFace) + 3;
    return true;
}
