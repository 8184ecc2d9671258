#include "render/globes/brick_march.h"

#include <algorithm>
#include <cmath>

#include "records/TransformationReply.h"

namespace {

constexpr double kNoStep = 999999999.0;
// Face shades by the step that entered the hit cell: -x, +x, +y, -y, +z, -z.
constexpr float kFaceShades[6] = {1.0f, 0.1375f, 0.7735f, 0.256f, 0.574f, 0.4015f};

// The face code of a step along axis a with sign s.
int FaceOfStep(int axis, int sign) {
    switch (axis) {
        case 0: return sign < 0 ? 0 : 1;
        case 1: return sign > 0 ? 2 : 3;
        default: return sign > 0 ? 4 : 5;
    }
}
int AxisOfFace(int face) { return face < 2 ? 0 : face < 4 ? 1 : 2; }
int SignOfFace(int face) { return (face == 0 || face == 3 || face == 5) ? -1 : 1; }

float SmoothStep(float q) { return q * q * (3.0f - 2.0f * q); }

}  // namespace

float GetShadingFactor(int face) { return face < 0 || face > 5 ? 1.0f : kFaceShades[face]; }

bool IntersectBoxAndFindPoint(const double o[3], const double d[3], const double lo[3], const double hi[3],
                              double entry[3], double* tEntry) {
    double t0 = -1e300, t1 = 1e300;
    for (int i = 0; i < 3; ++i) {
        if (d[i] == 0.0) {
            if (o[i] < lo[i] || o[i] > hi[i]) return false;
            continue;
        }
        double a = (lo[i] - o[i]) / d[i], b = (hi[i] - o[i]) / d[i];
        if (a > b) std::swap(a, b);
        t0 = std::max(t0, a);
        t1 = std::min(t1, b);
    }
    if (float(t1) < float(t0)) return false;
    if (t0 < 0.0) t0 = 0.0;  // a ray that starts inside enters where it starts
    for (int i = 0; i < 3; ++i) entry[i] = o[i] + t0 * d[i];
    *tEntry = t0;
    return true;
}

void transformToVoxelAnisotropic(const LegoStructure* b, const double u[3], double cell[3]) {
    const double n[3] = {double(b->nx), double(b->ny), double(b->nz)};
    for (int i = 0; i < 3; ++i) cell[i] = n[i] * 0.5 + u[i] * n[i] * 0.5;
}

void transformToVoxelTAnisotropicToUnitary(const LegoStructure* b, const double cell[3], double u[3]) {
    const double n[3] = {double(b->nx), double(b->ny), double(b->nz)};
    for (int i = 0; i < 3; ++i) u[i] = (cell[i] - n[i] * 0.5) / n[i] * 2.0;
}

int castRay(const LegoStructure* b, const double origin[3], const double direction[3], LegoHit* hit) {
    hit->region = kPlaceNoDirection;
    hit->faceShade = 0.0f;
    hit->face = -1;
    if (!b || !b->cells || b->nx <= 0 || b->nz <= 0) return 0;
    // Cell space: a cell is a unit step on every axis.
    double o[3], d[3];
    transformToVoxelAnisotropic(b, origin, o);
    const double n[3] = {double(b->nx), double(b->ny), double(b->nz)};
    for (int i = 0; i < 3; ++i) d[i] = direction[i] * n[i] * 0.5;
    const double lo[3] = {0.0, 0.0, 0.0}, hi[3] = {n[0] + 1.0, n[1] + 1.0, n[2] + 1.0};
    double entry[3], tEntry;
    if (!IntersectBoxAndFindPoint(o, d, lo, hi, entry, &tEntry)) return 0;
    const double dl = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    double p[3];
    for (int i = 0; i < 3; ++i) p[i] = entry[i] - 0.01 * d[i] / dl;
    int64_t cell[3] = {int64_t(std::floor(p[0])), int64_t(std::floor(p[1])), int64_t(std::floor(p[2]))};
    // Digital differential analyser, in units of the ray parameter from p.
    int step[3];
    double next[3], delta[3];
    for (int i = 0; i < 3; ++i) {
        if (d[i] > 0.0) {
            step[i] = 1;
            delta[i] = 1.0 / d[i];
            next[i] = (double(cell[i] + 1) - p[i]) / d[i];
        } else if (d[i] < 0.0) {
            step[i] = -1;
            delta[i] = -1.0 / d[i];
            next[i] = (p[i] - double(cell[i])) / -d[i];
        } else {
            step[i] = 0;
            delta[i] = kNoStep;
            next[i] = kNoStep;
        }
    }
    bool wasInside = false;
    int face = -1;
    double tCell = 0.0;  // where the ray entered the current cell
    const int64_t limit = b->nx + b->ny + b->nz + 1;
    for (int64_t s = 0;; ++s) {
        const bool inside = InsideLego(b, cell[0], cell[1], cell[2]);
        if (inside) {
            const int code = GetLegoColor(b, cell[0], cell[1], cell[2]);
            if (code) {
                int f = face;
                if (f < 0) {
                    // Began inside a filled cell: the face the ray is heading through.
                    int axis = 0;
                    for (int i = 1; i < 3; ++i)
                        if (std::fabs(d[i]) > std::fabs(d[axis])) axis = i;
                    f = FaceOfStep(axis, d[axis] > 0.0 ? 1 : -1);
                }
                const int axis = AxisOfFace(f);
                hit->face = face;
                hit->faceShade = GetShadingFactor(face);
                hit->region = int32_t(96 * cell[axis] + 16 * f + std::clamp(code, 0, 12));
                for (int i = 0; i < 3; ++i) hit->cell[i] = cell[i];
                double q[3];
                for (int i = 0; i < 3; ++i) q[i] = p[i] + tCell * d[i];
                transformToVoxelTAnisotropicToUnitary(b, q, hit->point);
                for (int i = 0; i < 3; ++i) hit->faceNormal[i] = 0.0;
                hit->faceNormal[axis] = -double(SignOfFace(f));
                const double len = std::sqrt(hit->point[0] * hit->point[0] + hit->point[1] * hit->point[1] +
                                             hit->point[2] * hit->point[2]);
                for (int i = 0; i < 3; ++i) hit->sphereNormal[i] = len > 0.0 ? hit->point[i] / len : 0.0;
                return 1;
            }
            wasInside = true;
        } else if (wasInside) {
            return 0;
        }
        if (s >= limit) return 0;
        // Advance along the axis whose boundary is nearest (x, then y, then z on ties).
        int axis = 0;
        if (next[1] < next[axis]) axis = 1;
        if (next[2] < next[axis]) axis = 2;
        if (step[axis] == 0) return 0;
        tCell = next[axis];
        next[axis] += delta[axis];
        cell[axis] += step[axis];
        face = FaceOfStep(axis, step[axis]);
    }
}

float calc_occlusive_shading(const LegoStructure* b, const LegoHit& hit) {
    if (hit.region < 0) return 0.0f;
    const int f = hit.face >= 0 ? hit.face : 0;
    const int axis = AxisOfFace(f), sign = SignOfFace(f);
    const int a1 = (axis + 1) % 3, a2 = (axis + 2) % 3;
    // The layer of cells one out from the face, towards where the ray came from.
    int64_t base[3] = {hit.cell[0], hit.cell[1], hit.cell[2]};
    base[axis] -= sign;
    auto occupied = [&](int da, int db) {
        int64_t c[3] = {base[0], base[1], base[2]};
        c[a1] += da;
        c[a2] += db;
        return GetLegoColor(b, c[0], c[1], c[2]) != 0 ? 1.0f : 0.0f;
    };
    double cell[3];
    transformToVoxelAnisotropic(b, hit.point, cell);
    const float s = std::clamp(float(cell[a1] - double(hit.cell[a1])), 0.0f, 1.0f);
    const float t = std::clamp(float(cell[a2] - double(hit.cell[a2])), 0.0f, 1.0f);
    const float ws[2] = {1.0f - SmoothStep(s), SmoothStep(s)}, wt[2] = {1.0f - SmoothStep(t), SmoothStep(t)};
    const float es[2] = {occupied(-1, 0), occupied(1, 0)}, et[2] = {occupied(0, -1), occupied(0, 1)};
    float occlusion = es[0] * ws[0] + es[1] * ws[1] + et[0] * wt[0] + et[1] * wt[1];
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            occlusion += occupied(i ? 1 : -1, j ? 1 : -1) * ws[i] * wt[j] * (1.0f - es[i]) * (1.0f - et[j]);
    // Two filled edge neighbours sum to 2: the shade stays within 0..1.
    return std::clamp(1.0f - SmoothStep(std::clamp(occlusion, 0.0f, 1.0f)), 0.0f, 1.0f);
}

bool LegoMarch_yielding_region(const LegoStructure* b, int64_t viewIndex, double u, double v,
                               TransformationReply* reply, float direction[3]) {
    reply->place = kPlaceNoDirection;
    reply->shade = 0.0f;
    if (!b || !b->cells) return false;
    const LegoGaze& view = b->views[std::clamp<int64_t>(viewIndex, 0, kLegoViews - 1)];
    double origin[3], dir[3];
    for (int i = 0; i < 3; ++i) {
        origin[i] = 3.0 * view.direction[i] + u * view.right[i] + v * view.up[i];
        dir[i] = view.rayDirection[i];
    }
    const double len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    if (len == 0.0) return false;
    for (double& x : dir) x /= len;
    LegoHit hit;
    if (!castRay(b, origin, dir, &hit)) return false;
    reply->place = hit.region;
    reply->shade = hit.faceShade * calc_occlusive_shading(b, hit);
    for (int i = 0; i < 3; ++i) {
        reply->surfaceNormal[i] = float(hit.faceNormal[i]);
        reply->voxelNormal[i] = int32_t(hit.faceNormal[i]);
        reply->voxelPlace[i] = int32_t(hit.cell[i]);
        direction[i] = float(hit.sphereNormal[i]);
    }
    return true;
}
