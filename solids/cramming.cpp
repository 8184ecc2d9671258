#include "solids/cramming.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "nets/net_layout.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/polyhedron_params.h"
#include "records/work_area.h"
#include "solids/poly_setup.h"

namespace {

bool InRange(int64_t m, int64_t lo, int64_t hi) { return m >= lo && m <= hi; }

void ClearPlan(TStorage1* area, int64_t pieces) {
    for (int64_t i = 0; i < pieces && i < kCrammingPieces; ++i)
        area->crammingX[i] = area->crammingY[i] = area->crammingAngle[i] = kCrammingUnmeasured;
}

// Widens a box (min x, max x, min y, max y) to hold a point; the first
// point sets it.
void Grow(double box[4], bool* any, double x, double y) {
    if (!*any) {
        box[0] = box[1] = x;
        box[2] = box[3] = y;
        *any = true;
    }
    box[0] = std::min(box[0], x);
    box[1] = std::max(box[1], x);
    box[2] = std::min(box[2], y);
    box[3] = std::max(box[3], y);
}

// The box of the piece's triangle corners turned by `angle` about the origin
// as the set-up turns a net; false when the piece has no triangle.
bool TurnedBox(const polyhedron* poly, int64_t feature, int64_t selector, double angle, double box[4]) {
    const double c = std::cos(angle), s = std::sin(angle);
    bool any = false;
    for (int64_t t = 0; t < poly->netTriangleCount && t < kMaxNetTriangles; ++t) {
        if (!canUseTriangleForExportingFeatureWithSelector(poly, t, feature, selector)) continue;
        for (int64_t v : poly->netTriangle[t].vertex) {
            if (v < 0 || v >= kMax2DVertices) continue;
            const double x0 = poly->coords2D[v][0], y0 = poly->coords2D[v][1];
            const double x = c * x0 - s * y0, y = s * x0 + c * y0;
            Grow(box, &any, x, y);
        }
    }
    if (!any) box[0] = box[1] = box[2] = box[3] = -1;
    return any;
}

float Finish(TStorage1* area, double W, double H) {
    if (!(W > 0)) {
        area->crammingScale = 1.0f;
        return 0.0f;
    }
    area->crammingScale = float(1.0 / W);
    return float(H / W);
}

}  // namespace

int64_t exportationUnitOfPoly(const polyhedron* poly, int64_t* count) {
    int64_t dummy;
    if (!count) count = &dummy;
    *count = 1;
    if (!poly) return kExportWholeNet;
    const int64_t m = poly->outputMode;
    if (!IsExportablePolyhedron(m)) return kExportWholeNet;
    if (m == 253 || m == 263 || m == 277 || m == 169 || m == 170) return kExportWholeNet;
    const int64_t F = poly->fragmentCount;
    if (InRange(m, 177, 198) || InRange(m, 422, 545) || InRange(m, 403, 408) || m == 174 || m == 292 || m == 293 ||
        F < 1) {
        *count = poly->faceCount3D;
        return kExportSingleFaces;
    }
    *count = F;
    return kExportFragments;
}

int canUseTriangleForExportingFeatureWithSelector(const polyhedron* poly, int64_t triangle, int64_t feature,
                                                  int64_t selector) {
    if (!poly || triangle < 0 || triangle >= kMaxNetTriangles) return 0;
    if (selector == 2 || feature < 0) return 1;
    const PolyNetTriangle& t = poly->netTriangle[triangle];
    if (selector == 1) return t.fragment == feature + 1 ? 1 : 0;
    if (selector == 0) return t.netFace == feature ? 1 : 0;
    return 0;
}

void Find2DBoundingBoxSpecial(const polyhedron* poly, double* minX, double* maxX, double* minY, double* maxY,
                              int64_t feature, int64_t selector) {
    double box[4] = {-1, -1, -1, -1};
    if (poly && poly->coords2D) TurnedBox(poly, feature, selector, 0.0, box);
    *minX = box[0];
    *maxX = box[1];
    *minY = box[2];
    *maxY = box[3];
}

float PlanCrammingForExportation_core_faces(TStorage1* area, int64_t mode, int64_t n, const CrammingBuild& b,
                                            polyhedron* poly) {
    if (!area || !poly) return 0.0f;
    n = std::min(n, kCrammingPieces);
    ClearPlan(area, n);
    double W = 0, H = 0;
    poly->exportPiece = 0;
    HooBoyPolySetup(mode, poly, b.setupParameter, kExportPageFaceBuild, 0, b.hostValue, b.flag, b.netSettingA, b.netSettingB,
                    0.0f);
    if (!poly->coords2D) return Finish(area, 0, 0);
    // A piece is drawn from the net rebuilt turned by its angle, which the
    // set-up fits into the box anew: the plan measures the piece where that
    // fit puts it. The net's hull fits as the net does.
    std::vector<std::array<double, 2>> used;
    for (int64_t v = 0; v < kMax2DVertices; ++v)
        if (poly->netVertexUsed[v]) used.push_back({poly->coords2D[v][0], poly->coords2D[v][1]});
    std::vector<double> buf(2 * std::max<size_t>(used.size(), 1));
    auto* hull = reinterpret_cast<double(*)[2]>(buf.data());
    const int64_t hullCount = ConvexHullOfPoints(std::move(used), hull, kMax2DVertices);
    for (int64_t i = 0; i < n; ++i) {
        poly->exportPiece = i;
        if (i >= poly->netFaceCount) continue;
        const PolyNetFace& face = poly->netFace[i];
        bool haveBest = false;
        double bestW = 0, bestH = 0;
        for (int64_t k = 0; k < face.count && k < kMaxFaceVertices; ++k)
            for (double sign : {1.0, -1.0}) {
                // The set-up turns by a float angle: plan with the same.
                const float t = float(sign * face.heading[k]);
                double box[4];
                TurnedBox(poly, i, kExportSingleFaces, t, box);
                NetFit fit;
                if (FitNetPoints(poly, hull, hullCount, t, &fit))
                    for (int e = 0; e < 4; ++e) {
                        const bool x = e < 2;
                        box[e] = (x ? fit.toX : fit.toY) + (box[e] - (x ? fit.fromX : fit.fromY)) * fit.scale;
                    }
                const double w = std::fabs(box[1] - box[0]), h = std::fabs(box[3] - box[2]);
                if (haveBest && !(w < bestW)) continue;
                haveBest = true;
                bestW = w;
                bestH = h;
                area->crammingX[i] = float((box[0] + box[1]) / 2);
                area->crammingY[i] = float((box[2] + box[3]) / 2);
                area->crammingAngle[i] = t;
            }
        W = std::max(W, bestW);
        H = std::max(H, bestH);
    }
    return Finish(area, W, H);
}

float PlanCrammingForExportation_core_fragments(TStorage1* area, int64_t mode, int64_t n, const CrammingBuild& b,
                                                polyhedron* poly) {
    if (!area || !poly) return 0.0f;
    n = std::min(n, kCrammingPieces);
    ClearPlan(area, n);
    poly->exportPiece = 0;
    HooBoyPolySetup(mode, poly, b.setupParameter, 1, 0, b.hostValue, b.flag, b.netSettingA, b.netSettingB, 0.0f);
    int64_t count = 0;
    const int64_t unit = exportationUnitOfPoly(poly, &count);
    count = std::min(count, kCrammingPieces);
    double W = 0, H = 0;
    for (int64_t i = 0; i < count; ++i) {
        poly->exportPiece = i;
        double box[4];
        Find2DBoundingBoxSpecial(poly, &box[0], &box[1], &box[2], &box[3], i, unit);
        area->crammingX[i] = float((box[0] + box[1]) / 2);
        area->crammingY[i] = float((box[2] + box[3]) / 2);
        area->crammingAngle[i] = 0.0f;
        W = std::max(W, std::fabs(box[1] - box[0]));
        H = std::max(H, std::fabs(box[3] - box[2]));
    }
    if (count < kCrammingPieces) {
        area->crammingX[count] += 0.4f;
        area->crammingY[count] += 0.4f;
    }
    return Finish(area, W, H);
}

float PlanCrammingForExportation_core(TStorage1* area, int64_t mode, int64_t pieces, const CrammingBuild& b,
                                      polyhedron* poly) {
    if (!poly) return 0.0f;
    poly->outputMode = mode;
    int64_t count = 0;
    HooBoyPolySetup(mode, poly, b.setupParameter, 1, 0, b.hostValue, b.flag, b.netSettingA, b.netSettingB, 0.0f);
    if (exportationUnitOfPoly(poly, &count) == kExportSingleFaces)
        return PlanCrammingForExportation_core_faces(area, mode, pieces, b, poly);
    return PlanCrammingForExportation_core_fragments(area, mode, pieces, b, poly);
}

float PlanCrammingForExportation(TStorage1* area, int64_t mode, int64_t pieces, const CrammingBuild& b,
                                 polyhedron* poly) {
    if (!area || !poly) return 0.0f;
    if (poly->alternativeShapeMode == -1) return PlanCrammingForExportation_core(area, mode, pieces, b, poly);
    polyhedron* scratch = NewPolyhedron(b.netSettingA, b.netSettingB);
    if (!scratch) return kCrammingFailed;
    const float ratio = PlanCrammingForExportation_core(area, poly->alternativeShapeMode, pieces, b, scratch);
    FreePolyhedron(&scratch);
    return ratio;
}
