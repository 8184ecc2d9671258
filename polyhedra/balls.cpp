#include "polyhedra/balls.h"

#include <cmath>

#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/poly_store.h"
#include "polyhedra/solid_support.h"

namespace {

int64_t PlaceAtFractions(polyhedron* poly, double u, double v, double r) {
    return AddNew3DDVertToPolyhedron(poly, SpherePointOfFractions(u, v, r));
}

int64_t Finish(polyhedron* poly) {
    Calc3DAngles(poly);
    return Build3DConnectivity(poly);
}

// A strip triangle unless two of its corners fell onto one vertex (near a
// pole the strip's first steps are shorter than the merging distance): such a
// triangle covers nothing, and the store would refuse it as a face with a
// repeated corner.
void AddStripTriangle(polyhedron* poly, const int64_t* t, int64_t tag, int64_t reference) {
    if (t[0] == t[1] || t[1] == t[2] || t[2] == t[0]) return;
    AddBuiltFace(poly, t, 3, 0, -1, tag, reference);
}

// The two triangles of one strip step between an upper edge (q3 to q2) and
// a lower one (q0 to q1), edge 0 (the edge along the strip) cut; each carries
// its quadrilateral's fourth corner for the renderer's curved faces when the
// four corners are distinct. A step that runs westward is wound the other
// way round, so that its faces too run counter-clockwise seen from outside.
void AddStripStep(polyhedron* poly, int64_t q0, int64_t q1, int64_t q2, int64_t q3, int64_t tag,
                  bool westward = false) {
    const bool distinct = q0 != q1 && q0 != q2 && q0 != q3 && q1 != q2 && q1 != q3 && q2 != q3;
    const int64_t first[3] = {q0, q1, q2}, second[3] = {q2, q3, q0};
    const int64_t firstWest[3] = {q1, q0, q2}, secondWest[3] = {q3, q2, q0};
    AddStripTriangle(poly, westward ? firstWest : first, tag, distinct ? q3 : -1);
    AddStripTriangle(poly, westward ? secondWest : second, tag, distinct ? q1 : -1);
}

}  // namespace

float rind_warp(float x) {
    if (x < 0.001f) return 0.0f;
    if (x > 0.999f) return 1.0f;
    if (x < 0.5f) return 0.5f * std::pow(2.0f * x, 2.321928f);
    return 1.0f - 0.5f * std::pow(2.0f * (1.0f - x), 2.321928f);
}

int64_t BuildRindVertex(polyhedron* poly, double* u, double* v, double a, int64_t N, int64_t T, double o) {
    *u = a / double(N) + o;
    *v = a / double(T);
    return PlaceAtFractions(poly, *u, *v, 10.0);
}

int64_t BuildOddballVertex(polyhedron* poly, double* u, double* v, int64_t a, int64_t b, int64_t, double o) {
    if (a == -1 || a == -2) {
        *u = 0.0;
        *v = a == -1 ? 0.0 : 1.0;
    } else {
        const double t = double(a) / double(b);
        *u = std::fmin(1.0, std::fmax(0.0, t + o));
        *v = std::fmin(1.0, std::fmax(0.0, (t + 1.0) / 3.0));
    }
    return PlaceAtFractions(poly, *u, *v, 10.0);
}

int64_t BuildThirtysphereVertex(polyhedron* poly, double u, double v) { return PlaceAtFractions(poly, u, v, 10.0); }

int64_t BuildTattooVertex(polyhedron* poly, double* u, double* v, double a, int64_t steps, int64_t T, double o) {
    const double w = (a / double(steps) + o) * 0.5;
    const double g = 2.0 * (w - std::floor(w));
    const double there = (g > 1.0 ? 2.0 - g : g) + 0.5;
    *u = there - std::floor(there);
    *v = a / double(T);
    return PlaceAtFractions(poly, *u, *v, 1.0);
}

int64_t BuildRindBall3D(polyhedron* poly, int64_t, int64_t turns, int fineStrip) {
    if (!getPolyStorageEtc(poly)) return 0;
    const int64_t N = 50, T = N * turns;
    const double o = turns % 2 == 1 ? 0.5 : 0.0;
    double u, v;
    auto S = [&](double a) { return BuildRindVertex(poly, &u, &v, a, N, T, o); };
    for (int64_t k = 1; k <= N - 1; ++k) {
        const int64_t t[3] = {S(0), S(double(k)), S(double(k + 1))};
        AddBuiltFace(poly, t, 3, 1);
    }
    const int64_t d = !fineStrip ? 2 : turns == 2 ? 6 : turns == 3 ? 3 : 2;
    const int64_t span = N * (turns - 1), M = d * span;
    for (int64_t s = 0; s < M; ++s) {
        const double a0 = double(span) * double(rind_warp(float(double(s) / double(M))));
        const double a1 = double(span) * double(rind_warp(float(double(s + 1) / double(M))));
        AddStripStep(poly, S(a0 + double(N)), S(a1 + double(N)), S(a1), S(a0), -1);
    }
    for (int64_t k = 0; k <= N - 2; ++k) {
        const int64_t t[3] = {S(double(span + k)), S(double(T)), S(double(span + k + 1))};
        AddBuiltFace(poly, t, 3, 2);
    }
    return Finish(poly);
}

int64_t BuildOddBall3D(polyhedron* poly) {
    if (!getPolyStorageEtc(poly)) return 0;
    const int64_t north = AddNew3DDVertToPolyhedron(poly, triplex{0.0, 10.0, -0.0});
    AddNew3DDVertToPolyhedron(poly, triplex{0.0, -10.0, -0.0});
    int64_t E[21];
    double u, v;
    for (int64_t k = 0; k <= 20; ++k) E[k] = BuildOddballVertex(poly, &u, &v, k, 20, 0, 0.0);
    for (int64_t k = 0; k < 20; ++k) {
        const int64_t t[3] = {north, E[k], E[k + 1]};
        AddBuiltFace(poly, t, 3, -1, -1, 1);
    }
    poly->wedgeVertex[0] = -1;
    return Finish(poly);
}

int64_t BuildThirtysphere(polyhedron* poly) {
    if (!getPolyStorageEtc(poly)) return 0;
    const int64_t north = AddNew3DDVertToPolyhedron(poly, triplex{0.0, 10.0, -0.0});
    const int64_t south = AddNew3DDVertToPolyhedron(poly, triplex{0.0, -10.0, -0.0});
    auto R = [&](int64_t b, int64_t k) { return BuildThirtysphereVertex(poly, double(k) / 12.0, double(b) / 6.0); };
    for (int64_t b = 0; b <= 5; ++b)
        for (int64_t k = 0; k < 12; ++k) {
            if (b == 0) {
                const int64_t t[3] = {north, R(1, k), R(1, k + 1)};
                AddBuiltFace(poly, t, 3, -1, -1, 1);
            } else if (b == 5) {
                const int64_t t[3] = {R(5, k), south, R(5, k + 1)};
                AddBuiltFace(poly, t, 3, -1, -1, 1);
            } else {
                const int64_t q[4] = {R(b, k), R(b + 1, k), R(b + 1, k + 1), R(b, k + 1)};
                AddBuiltFace(poly, q, 4, -1, -1, 1);
            }
        }
    return Finish(poly);
}

int64_t BuildTattooBall3D(polyhedron* poly, int64_t, int64_t halfTurns) {
    if (!getPolyStorageEtc(poly)) return 0;
    const int64_t steps = 80, T = steps * halfTurns;
    double u, v;
    auto Z = [&](double a) { return BuildTattooVertex(poly, &u, &v, a, steps, T, 0.0); };
    for (int64_t a = 0; a <= T; ++a) Z(double(a));
    for (int64_t k = 1; k <= steps - 1; ++k) {
        const int64_t t[3] = {Z(0), Z(double(k)), Z(double(k + 1))};
        AddBuiltFace(poly, t, 3, 1, -1, 1);
    }
    poly->wedgeVertex[0] = Z(0);
    poly->wedgeVertex[1] = Z(double(steps));
    int64_t slot = 2;
    // Even wedges first, then odd ones, each between half-turns h and h + 1.
    for (int64_t parity = 0; parity < 2; ++parity)
        for (int64_t h = parity; h <= halfTurns - 2; h += 2) {
            const double base = double(steps * h);
            auto inner = [&](double x) { return Z(base + x); };
            auto outer = [&](double x) { return Z(base + 2.0 * steps - x); };
            for (int64_t s = 0; s < steps; ++s) {
                const double x0 = double(steps) * double(rind_warp(float(double(s) / double(steps))));
                const double x1 = double(steps) * double(rind_warp(float(double(s + 1) / double(steps))));
                // Odd half-turns run back westward.
                AddStripStep(poly, outer(x0), outer(x1), inner(x1), inner(x0), 2 + h, parity == 1);
                if (s == 0 && slot + 1 < kWedgeEntries) {
                    poly->wedgeVertex[slot++] = inner(0);
                    poly->wedgeVertex[slot++] = outer(0);
                }
            }
        }
    const int64_t last = steps * (halfTurns - 1);
    for (int64_t k = 0; k <= steps - 2; ++k) {
        const int64_t t[3] = {Z(double(last + k)), Z(double(T)), Z(double(last + k + 1))};
        AddBuiltFace(poly, t, 3, 2, -1, halfTurns + 1);
        if (k == 0 && slot + 1 < kWedgeEntries) {
            poly->wedgeVertex[slot++] = Z(double(last));
            poly->wedgeVertex[slot++] = Z(double(T));
        }
    }
    return Finish(poly);
}
