#include "polyhedra/flat_face.h"

#include <cmath>

#include "common/matrices.h"

void labelConvexPointsOfTempface(temp2Dface* t) {
    const int64_t m = t->count;
    for (int64_t i = 0; i < m; ++i) {
        const TempVertex &p = t->vertex[(i + m - 1) % m], &c = t->vertex[i], &n = t->vertex[(i + 1) % m];
        const double z = (p.x - c.x) * (n.y - c.y) - (n.x - c.x) * (p.y - c.y);
        t->label[i] = z == 0 ? 1 : (z < 0 ? 2 : 3);
    }
}

int64_t extremePointIn2DTempface(const temp2Dface* t) {
    if (t->count < 2) return 0;
    int64_t best = 0;
    for (int64_t k = 1; k < t->count; ++k) {
        const TempVertex &v = t->vertex[k], &b = t->vertex[best];
        if (v.x > b.x || (v.x == b.x && v.y > b.y)) best = k;
    }
    return best;
}

void flop(temp2Dface* t) {
    for (int64_t k = 0; k < t->count; ++k) t->vertex[k].x = -t->vertex[k].x;
}

void Make2DVersionOf3DFace(polyhedron* poly, int64_t F, temp2Dface* t, int64_t fragment) {
    if (!poly || !poly->coords3D || F < 0 || F >= poly->faceCount3D || F >= kMax3DFaces) return;
    const PolyFace3D& face = poly->face3D[F];
    const double n[3] = {face.normal.x, face.normal.y, face.normal.z};
    const double down[3] = {0, 0, -1}, east[3] = {1, 0, 0};
    double M[16] = {0}, A[16] = {0}, B[16] = {0};
    if (std::fabs(n[2]) > 0.9) {
        FromToBuildRotationD(n, east, A);
        FromToBuildRotationD(east, down, B);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                for (int k = 0; k < 3; ++k) M[4 * r + c] += A[4 * r + k] * B[4 * k + c];
    } else {
        FromToBuildRotationD(n, down, M);
    }
    t->count = face.count;
    t->face3D = F;
    for (int64_t k = 0; k < face.count; ++k) {
        // The turn takes the outer side to -z; reading y upside down shows
        // the face from outside, counter-clockwise like the solid's faces.
        const triplex p = MultiplyTriplexByMatrix(M, poly->coords3D[face.vertex[k]]);
        t->vertex[k] = TempVertex{p.x, -p.y, face.vertex[k], fragment, -1, k, 0};
    }
    labelConvexPointsOfTempface(t);
    if (poly->shapeCode >= 403) {
        const int64_t r = face.referenceVertex;
        for (int64_t k = 0; k < face.count; ++k)
            if (face.vertex[k] == r && t->label[k] == 3) {
                flop(t);
                labelConvexPointsOfTempface(t);
                break;
            }
    }
}

