#include "polyhedra/rollouts.h"

#include <cmath>

#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/solid_support.h"

namespace {

const double kTwoPi = 6.283185307179586;

// Profile point (x, y) swept by alpha about the y axis.
triplex Sweep(triplex p, double alpha) { return triplex{p.x * std::cos(alpha), p.y, -p.x * std::sin(alpha)}; }

// Codes from 111: n, k, vertex up, half step. Code 149 is 8/1/H, as its mode
// name "sphericon 8/1/H" says (the 6 and 10 half-step rows run k the same way).
const RolloutForm kRollouts[] = {
    {3, 0, 0, 0},  {3, 1, 0, 0},                                // 111, 112
    {4, 0, 0, 0},  {4, 1, 0, 0},  {4, 0, 1, 0},  {4, 1, 1, 0},  // 113-116
    {5, 0, 0, 0},  {5, 1, 0, 0},  {5, 2, 0, 0},                 // 117-119
    {6, 0, 0, 0},  {6, 1, 0, 0},  {6, 0, 1, 0},  {6, 1, 1, 0},  // 120-123
    {7, 0, 0, 0},  {7, 1, 0, 0},  {7, 2, 0, 0},  {7, 3, 0, 0},  // 124-127
    {8, 0, 0, 0},  {8, 1, 0, 0},  {8, 2, 0, 0},                 // 128-130
    {8, 0, 1, 0},  {8, 1, 1, 0},  {8, 2, 1, 0},                 // 131-133
    {9, 0, 0, 0},  {9, 1, 0, 0},  {9, 2, 0, 0},  {9, 3, 0, 0},  {9, 4, 0, 0},  // 134-138
    {10, 0, 0, 0}, {10, 1, 0, 0}, {10, 2, 0, 0},                // 139-141
    {10, 0, 1, 0}, {10, 1, 1, 0}, {10, 2, 1, 0},                // 142-144
    {4, 0, 0, 1},                                               // 145
    {6, 0, 0, 1},  {6, 1, 0, 1},                                // 146, 147
    {8, 0, 0, 1},  {8, 1, 0, 1},                                // 148, 149
    {10, 0, 0, 1}, {10, 1, 0, 1}, {10, 2, 0, 1},                // 150-152
    {11, 0, 0, 0}, {11, 1, 0, 0}, {11, 2, 0, 0}, {11, 3, 0, 0}, {11, 4, 0, 0}, {11, 5, 0, 0},  // 153-158
};
constexpr int64_t kFirstRollout = 111;

}  // namespace

float PQ(int64_t i, int64_t n, int vertexUp) {
    if (n % 2 == 1 || vertexUp) return float(i) / float(n) + 0.25f;
    return float((double(i) + 0.5) / double(n) + 0.25);
}

int64_t high_P(int64_t n) { return n % 2 == 1 ? (n - 1) / 2 : n / 2 - 1; }

void GetPolygonPoint(int64_t i, int64_t n, triplex* out, int vertexUp) {
    const double t = kTwoPi * double(PQ(i, n, vertexUp));
    *out = triplex{std::cos(t), std::sin(t), 0.0};
}

void AddTriangleFace(polyhedron* poly, const triplex* a, const triplex* b, const triplex* c) {
    const triplex p[3] = {*a, *b, *c};
    AddFaceAtPoints(poly, p, 3, 1);
}

void AddQuadrilateralFace(polyhedron* poly, const triplex* a, const triplex* b, const triplex* c, const triplex* d) {
    const triplex p[4] = {*a, *b, *c, *d};
    AddFaceAtPoints(poly, p, 4, 1, 3);
}

void BuildRollout_core(polyhedron* poly, int64_t, int64_t n, int64_t k, int vertexUp, int64_t pass, int halfStep) {
    if (n < 3) return;
    const bool edgeUp = n % 2 == 0 && !vertexUp;
    // The second half is the first turned half a turn about the horizontal
    // axis at phi/2 + 90 degrees.
    const double phi = kTwoPi * (double(k) + (halfStep ? 0.5 : 0.0)) / double(n);
    const double c = std::cos(phi), s = std::sin(phi);
    auto place = [&](triplex p) {
        return pass == 2 ? triplex{-c * p.x - s * p.y, c * p.y - s * p.x, -p.z} : p;
    };
    auto tri = [&](triplex a, triplex b, triplex d) {
        const triplex A = place(a), B = place(b), D = place(d);
        AddTriangleFace(poly, &A, &B, &D);
    };
    auto corner = [&](int64_t j) {
        triplex p;
        GetPolygonPoint(j, n, &p, edgeUp ? 0 : 1);
        return p;
    };
    auto alpha = [](int64_t i) { return kTwoPi * double(int16_t(i)) / 60.0; };

    if (edgeUp) {
        const triplex F = Sweep(corner(0), kTwoPi / 2);
        for (int64_t i = 0; i <= 28; ++i) tri(F, Sweep(corner(0), alpha(i)), Sweep(corner(0), alpha(i + 1)));
    }
    const int64_t m = edgeUp ? n / 2 - 1 : high_P(n);
    for (int64_t j = 0; j < m; ++j)
        for (int64_t i = 0; i < 30; ++i) {
            if (j == 0 && !edgeUp) {
                tri(corner(0), Sweep(corner(1), alpha(i)), Sweep(corner(1), alpha(i + 1)));
            } else {
                const triplex q[4] = {place(Sweep(corner(j + 1), alpha(i + 1))), place(Sweep(corner(j), alpha(i + 1))),
                                      place(Sweep(corner(j), alpha(i))), place(Sweep(corner(j + 1), alpha(i)))};
                AddQuadrilateralFace(poly, &q[0], &q[1], &q[2], &q[3]);
            }
        }
    if (n % 2 == 0 && !edgeUp) {
        const triplex B = corner(m + 1);
        for (int64_t i = 0; i < 30; ++i) tri(B, Sweep(corner(m), alpha(i + 1)), Sweep(corner(m), alpha(i)));
    } else {
        const triplex G = Sweep(corner(m), 0.0);
        for (int64_t i = 1; i <= 29; ++i) tri(G, Sweep(corner(m), alpha(i + 1)), Sweep(corner(m), alpha(i)));
    }
}

int64_t BuildRollout(polyhedron* poly, int64_t, int64_t n, int64_t k, int64_t vertexUp, int halfStep) {
    if (!getPolyStorageEtc(poly)) return 0;
    if (halfStep) {
        BuildRollout_core(poly, 0, n, k, 0, 1, 1);
        BuildRollout_core(poly, 0, n, k, 1, 2, 1);
    } else {
        BuildRollout_core(poly, 0, n, k, int(vertexUp), 1, 0);
        BuildRollout_core(poly, 0, n, k, int(vertexUp), 2, 0);
    }
    Calc3DAngles(poly);
    return Build3DConnectivity(poly);
}

int RolloutOfShapecode(int64_t code, RolloutForm* form) {
    const int64_t i = code - kFirstRollout;
    if (i < 0 || i >= int64_t(sizeof kRollouts / sizeof kRollouts[0])) return 0;
    *form = kRollouts[i];
    return 1;
}
