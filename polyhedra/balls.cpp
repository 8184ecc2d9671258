#include "polyhedra/balls.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/poly_store.h"
#include "polyhedra/solid_support.h"

namespace {

int64_t PlaceAtFractions(polyhedron* poly, double u, double v, double r) {
    return AddNew3DDVertToPolyhedron(poly, SpherePointOfFractions(u, v, r));
}

// A flat triangle through the centre closes a ball where two chords of one
// great circle meet: it covers nothing of the sphere, so the net leaves it
// out (its edges cut, never a fragment's seed).
void MarkClosingWall(polyhedron* poly, int64_t face) {
    if (face < 0 || face >= poly->faceCount3D) return;
    PolyFace3D& f = poly->face3D[face];
    f.noSeed = 1;
    for (int k = 0; k < f.count; ++k) f.edgeFlags[k] |= kEdgeCut;
}

int64_t Finish(polyhedron* poly) {
    Calc3DAngles(poly);
    return Build3DConnectivity(poly);
}

// The seams of a strip ball all run along one curve (the rind's spiral, the
// tattoo's zig-zag), which the strip and the caps on either side of a seam
// sample at different points. A ball is closed edge to edge by building its
// faces only once every sample stands: each face edge that follows the curve
// takes in, in order, the samples its neighbours placed along it.
constexpr int kWall = 8;  // in a staged triangle's cuts: a closing wall, every edge cut

struct StagedTriangle {
    int64_t corner[3];
    double at[3];     // the corners' places along the curve
    int along;        // bit k: edge k follows the curve
    int cuts;         // bit k: edge k is cut; kWall a closing wall
    int64_t tag, reference;
};

struct StripBall {
    polyhedron* poly;
    double radius;
    std::vector<std::pair<double, int64_t>> samples;  // (place along the curve, vertex)
    std::vector<StagedTriangle> faces;

    std::map<double, int64_t> placed;

    // The vertex at a place along the curve. A place is placed once: placing
    // it again could fall onto another vertex within the merging distance
    // that appeared since, and one place would be two vertices.
    template <class Place>
    int64_t Sample(double at, Place place) {
        const auto known = placed.find(at);
        if (known != placed.end()) return known->second;
        const int64_t vertex = place(at);
        placed[at] = vertex;
        if (vertex >= 0) samples.push_back({at, vertex});
        return vertex;
    }

    // A strip triangle unless two of its corners fell onto one vertex (near
    // a pole the strip's first steps are shorter than the merging distance):
    // such a triangle covers nothing.
    void Stage(const int64_t* c, const double* at, int along, int cuts, int64_t tag, int64_t reference) {
        if (c[0] < 0 || c[1] < 0 || c[2] < 0 || c[0] == c[1] || c[1] == c[2] || c[2] == c[0]) return;
        faces.push_back({{c[0], c[1], c[2]}, {at[0], at[1], at[2]}, along, cuts, tag, reference});
    }

    // The samples strictly between two places, in the order from `from` to
    // `to`, each vertex once and none of the triangle's corners (near a
    // turning point both sides' samples fall together).
    void Between(double from, double to, const int64_t* corner, std::vector<int64_t>& out) const {
        const double lo = std::min(from, to), hi = std::max(from, to);
        auto first = std::upper_bound(samples.begin(), samples.end(), std::make_pair(lo, INT64_MAX));
        auto last = std::lower_bound(samples.begin(), samples.end(), std::make_pair(hi, INT64_MIN));
        std::vector<int64_t> run;
        for (auto it = first; it < last; ++it)
            if (it->second != corner[0] && it->second != corner[1] && it->second != corner[2] &&
                (run.empty() || run.back() != it->second))
                run.push_back(it->second);
        if (from > to) std::reverse(run.begin(), run.end());
        for (int64_t v : run)
            if (std::find(out.begin(), out.end(), v) == out.end()) out.push_back(v);
    }

    // A triangle whose corners run counter-clockwise, its edges cut as
    // the flags say, its reference vertex kept.
    void Add(int64_t a, int64_t b, int64_t c, bool cutA, bool cutB, bool cutC, int64_t tag, int64_t reference) {
        const int64_t list[3] = {a, b, c};
        const int64_t f = poly->faceCount3D;
        AddBuiltFace(poly, list, 3, -1, -1, tag, reference);
        if (poly->faceCount3D != f + 1) return;
        const bool cuts[3] = {cutA, cutB, cutC};
        for (int k = 0; k < 3; ++k)
            if (cuts[k]) poly->face3D[f].edgeFlags[k] |= kEdgeCut;
    }

    void Build() {
        std::sort(samples.begin(), samples.end());
        std::vector<int64_t> inserted[3];
        for (const StagedTriangle& t : faces) {
            int edges = 0, edge = -1;
            for (int k = 0; k < 3; ++k) {
                inserted[k].clear();
                if (t.along & (1 << k))
                    Between(t.at[k], t.at[(k + 1) % 3], t.corner, inserted[k]);
                if (!inserted[k].empty()) ++edges, edge = k;
            }
            const int64_t* c = t.corner;
            auto cut = [&t](int k) { return (t.cuts & (1 << k)) != 0; };
            if (edges == 0) {
                Add(c[0], c[1], c[2], cut(0), cut(1), cut(2), t.tag, t.reference);
                if (t.cuts & kWall) MarkClosingWall(poly, poly->faceCount3D - 1);
                continue;
            }
            // The points a curved edge takes in do not lie on the chord
            // the triangle had there: the triangle becomes triangles, so
            // that every face stays flat.
            if (edges == 1) {
                // A fan from the corner across from the one edge.
                const int k = edge, apex = (k + 2) % 3;
                std::vector<int64_t> run = {c[k]};
                run.insert(run.end(), inserted[k].begin(), inserted[k].end());
                run.push_back(c[(k + 1) % 3]);
                for (size_t j = 0; j + 1 < run.size(); ++j)
                    Add(c[apex], run[j], run[j + 1], j == 0 && cut(apex), cut(k), j + 2 == run.size() && cut((k + 1) % 3),
                        t.tag, -1);
                continue;
            }
            // A fan from a vertex at the middle of the face (or from the
            // corner that the middle falls onto in a very small one).
            std::vector<int64_t> ring;
            std::vector<bool> cuts;
            for (int k = 0; k < 3; ++k) {
                ring.push_back(c[k]);
                ring.insert(ring.end(), inserted[k].begin(), inserted[k].end());
                cuts.resize(ring.size(), cut(k));
            }
            triplex mean{0, 0, 0};
            for (int k = 0; k < 3; ++k) mean = Tadd(mean, poly->coords3D[c[k]]);
            const int64_t centre = AddNew3DDVertToPolyhedron(poly, Tscale(TUnitOrZ(mean), radius));
            if (centre < 0) return;
            for (size_t j = 0; j < ring.size(); ++j) {
                const int64_t next = ring[(j + 1) % ring.size()];
                if (ring[j] != centre && next != centre) Add(centre, ring[j], next, false, cuts[j], false, t.tag, -1);
            }
        }
    }
};

// The two triangles of one strip step between a lower edge (q0 to q1) and
// an upper one (q3 to q2), at places p0..p3 along the curve; each carries its
// quadrilateral's fourth corner for the renderer's curved faces when the
// four corners are distinct. A step that runs westward is wound the other
// way round, so that its faces too run counter-clockwise seen from outside.
// An edge that follows the curve is a seam with the next piece, cut; one
// that does not is a fold inside the piece. `rungCut` cuts the step's first
// rung (q3 to q0) as well.
void StageBandStep(StripBall& ball, const int64_t* q, const double* p, int64_t tag, bool westward, bool lowerOnCurve,
                   bool upperOnCurve, bool rungCut) {
    const bool distinct = q[0] != q[1] && q[0] != q[2] && q[0] != q[3] && q[1] != q[2] && q[1] != q[3] && q[2] != q[3];
    const int64_t first[3] = {q[0], q[1], q[2]}, second[3] = {q[2], q[3], q[0]};
    const int64_t firstWest[3] = {q[1], q[0], q[2]}, secondWest[3] = {q[3], q[2], q[0]};
    const double at1[3] = {p[0], p[1], p[2]}, at2[3] = {p[2], p[3], p[0]};
    const double at1West[3] = {p[1], p[0], p[2]}, at2West[3] = {p[3], p[2], p[0]};
    const int lower = lowerOnCurve ? 1 : 0, upper = upperOnCurve ? 1 : 0;
    const int rung = rungCut ? (westward ? 4 : 2) : 0;
    ball.Stage(westward ? firstWest : first, westward ? at1West : at1, lower, lower, tag, distinct ? q[3] : -1);
    ball.Stage(westward ? secondWest : second, westward ? at2West : at2, upper, upper | rung, tag,
               distinct ? q[1] : -1);
}

// A strip step both of whose long edges follow the curve.
void StageStripStep(StripBall& ball, const int64_t* q, const double* p, int64_t tag) {
    StageBandStep(ball, q, p, tag, false, true, true, false);
}

// The fractions of the tattoo's zig-zag point a: u runs round the sphere and
// back every 2 steps, v from the north pole (0) to the south (1).
void TattooFractions(double a, int64_t steps, int64_t T, double o, double* u, double* v) {
    const double w = (a / double(steps) + o) * 0.5;
    const double g = 2.0 * (w - std::floor(w));
    const double there = (g > 1.0 ? 2.0 - g : g) + 0.5;
    *u = there - std::floor(there);
    *v = a / double(T);
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
    TattooFractions(a, steps, T, o, u, v);
    return PlaceAtFractions(poly, *u, *v, 1.0);
}

int64_t BuildRindBall3D(polyhedron* poly, int64_t, int64_t turns, int fineStrip) {
    if (!getPolyStorageEtc(poly)) return 0;
    const int64_t N = 50, T = N * turns;
    const double o = turns % 2 == 1 ? 0.5 : 0.0;
    double u, v;
    StripBall ball{poly, 10.0, {}, {}, {}};
    auto S = [&](double a) {
        return ball.Sample(a, [&](double at) { return BuildRindVertex(poly, &u, &v, at, N, T, o); });
    };
    // North cap: a fan from the pole over the first turn; its first edge
    // too runs along the spiral.
    for (int64_t k = 1; k <= N - 1; ++k) {
        const int64_t t[3] = {S(0), S(double(k)), S(double(k + 1))};
        const double at[3] = {0.0, double(k), double(k + 1)};
        ball.Stage(t, at, k == 1 ? 3 : 2, 2, -1, -1);
    }
    const int64_t d = !fineStrip ? 2 : turns == 2 ? 6 : turns == 3 ? 3 : 2;
    const int64_t span = N * (turns - 1), M = d * span;
    for (int64_t s = 0; s < M; ++s) {
        const double a0 = double(span) * double(rind_warp(float(double(s) / double(M))));
        const double a1 = double(span) * double(rind_warp(float(double(s + 1) / double(M))));
        const double p[4] = {a0 + double(N), a1 + double(N), a1, a0};
        const int64_t q[4] = {S(p[0]), S(p[1]), S(p[2]), S(p[3])};
        StageStripStep(ball, q, p, -1);
    }
    // South cap: a fan from the pole over the last turn, whose last edge
    // runs along the spiral into the pole.
    for (int64_t k = 0; k <= N - 2; ++k) {
        const int64_t t[3] = {S(double(span + k)), S(double(T)), S(double(span + k + 1))};
        const double at[3] = {double(span + k), double(T), double(span + k + 1)};
        ball.Stage(t, at, k == N - 2 ? 6 : 4, 4, -1, -1);
    }
    ball.Build();
    return Finish(poly);
}

int64_t BuildOddBall3D(polyhedron* poly) {
    if (!getPolyStorageEtc(poly)) return 0;
    const int64_t north = AddNew3DDVertToPolyhedron(poly, triplex{0.0, 10.0, -0.0});
    const int64_t south = AddNew3DDVertToPolyhedron(poly, triplex{0.0, -10.0, -0.0});
    int64_t E[21];
    double u, v;
    for (int64_t k = 0; k <= 20; ++k) E[k] = BuildOddballVertex(poly, &u, &v, k, 20, 0, 0.0);
    for (int64_t k = 0; k < 20; ++k) {
        const int64_t t[3] = {north, E[k], E[k + 1]};
        AddBuiltFace(poly, t, 3, -1, -1, 1);
    }
    // The fan alone is open: the same fan from the south pole closes it
    // below the curve, and the curve's two ends, on one meridian with both
    // poles, are joined by two flat triangles in the meridian's plane.
    for (int64_t k = 0; k < 20; ++k) {
        const int64_t t[3] = {south, E[k + 1], E[k]};
        AddBuiltFace(poly, t, 3, -1, -1, 1);
    }
    const int64_t upper[3] = {north, E[20], E[0]}, lower[3] = {south, E[0], E[20]};
    AddBuiltFace(poly, upper, 3, -1, -1, 1);
    MarkClosingWall(poly, poly->faceCount3D - 1);
    AddBuiltFace(poly, lower, 3, -1, -1, 1);
    MarkClosingWall(poly, poly->faceCount3D - 1);
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

// How far from the centre the plane of a triangle on the unit sphere passes.
double PlaneDistanceFromCentre(const triplex& a, const triplex& b, const triplex& c) {
    const triplex n = Tcross_product(Tsub(b, a), Tsub(c, a));
    const double len = std::sqrt(Tdot_product(n, n));
    return len > 0.0 ? std::fabs(Tdot_product(n, a)) / len : 0.0;
}

int64_t BuildTattooBall3D(polyhedron* poly, int64_t, int64_t halfTurns) {
    if (!getPolyStorageEtc(poly)) return 0;
    const int64_t steps = 80, T = steps * halfTurns;
    double u, v;
    StripBall ball{poly, 1.0, {}, {}, {}};
    auto Z = [&](double a) {
        return ball.Sample(a, [&](double at) { return BuildTattooVertex(poly, &u, &v, at, steps, T, 0.0); });
    };
    auto At = [&](double a) {
        double uu, vv;
        TattooFractions(a, steps, T, 0.0, &uu, &vv);
        return SpherePointOfFractions(uu, vv, 1.0);
    };
    for (int64_t a = 0; a <= T; ++a) Z(double(a));
    auto X = [&](int64_t s) { return double(steps) * double(rind_warp(float(double(s) / double(steps)))); };
    // Every turning point and both poles lie on one meridian, where the
    // pieces meet: the north cap ends in the chord from the pole to the first
    // turn, the south cap in the chord from the last turn to the pole, and
    // each wedge opens on the two chords from the turn before its own
    // turning point to it and on to the turn after, which are the ends of the
    // pieces beside it. The net lays the pieces edge to edge along them.
    std::vector<std::pair<int64_t, int64_t>> seams;
    for (int64_t k = 1; k <= steps - 1; ++k) {
        const int64_t t[3] = {Z(0), Z(double(k)), Z(double(k + 1))};
        const double at[3] = {0.0, double(k), double(k + 1)};
        ball.Stage(t, at, k == 1 ? 3 : 2, 2, 1, -1);
    }
    seams.push_back({Z(0), Z(double(steps))});
    poly->wedgeVertex[0] = Z(0);
    poly->wedgeVertex[1] = Z(double(steps));
    int64_t slot = 2;
    // A wedge lies between half-turns h and h + 1: inner(x) = Z(base + x)
    // and outer(x) = Z(base + 2 steps - x) share a meridian; it opens on the
    // turns' meridian at x = 0 and closes at its turning point, the notch of
    // its opening, at x = steps. Near the opening it is a fan from the notch
    // over either half-turn, up to the first rung whose triangle with the
    // notch stands clear of the centre (a face through the centre would show
    // one line of the sphere); from there on a ladder of rungs. Even wedges
    // first, then odd ones; odd half-turns run back westward.
    for (int64_t parity = 0; parity < 2; ++parity)
        for (int64_t h = parity; h <= halfTurns - 2; h += 2) {
            const double base = double(steps * h);
            const int64_t tag = 2 + h, notch = Z(base + steps);
            const bool west = parity == 1;
            int64_t first = 1;
            while (first < steps / 2 &&
                   PlaneDistanceFromCentre(At(base + steps), At(base + X(first)), At(base + 2.0 * steps - X(first))) < 0.5)
                ++first;
            // A fan triangle given eastward; westward it runs the other way
            // (its edge along the curve stays edge 0).
            auto Fan = [&](int64_t a, int64_t b, double atA, double atB) {
                const int64_t east[3] = {a, b, notch}, westward[3] = {b, a, notch};
                const double eastAt[3] = {atA, atB, 0.0}, westAt[3] = {atB, atA, 0.0};
                ball.Stage(west ? westward : east, west ? westAt : eastAt, 1, 1, tag, -1);
            };
            for (int64_t s = 0; s < first; ++s) {
                const double x0 = X(s), x1 = X(s + 1);
                Fan(Z(base + x1), Z(base + x0), base + x1, base + x0);
                Fan(Z(base + 2.0 * steps - x0), Z(base + 2.0 * steps - x1), base + 2.0 * steps - x0,
                    base + 2.0 * steps - x1);
            }
            const int64_t rung[3] = {Z(base + 2.0 * steps - X(first)), Z(base + X(first)), notch};
            const int64_t rungWest[3] = {Z(base + X(first)), Z(base + 2.0 * steps - X(first)), notch};
            const double none[3] = {0.0, 0.0, 0.0};
            ball.Stage(west ? rungWest : rung, none, 0, 0, tag, -1);
            for (int64_t s = first; s < steps; ++s) {
                const double x0 = X(s), x1 = X(s + 1);
                // outer(x) is Z(base + 2 steps - x), inner(x) Z(base + x).
                const double p[4] = {base + 2.0 * steps - x0, base + 2.0 * steps - x1, base + x1, base + x0};
                const int64_t q[4] = {Z(p[0]), Z(p[1]), Z(p[2]), Z(p[3])};
                StageBandStep(ball, q, p, tag, west, true, true, false);
            }
            seams.push_back({Z(base), notch});
            seams.push_back({notch, Z(base + 2.0 * steps)});
            if (slot + 1 < kWedgeEntries) {
                poly->wedgeVertex[slot++] = Z(base);
                poly->wedgeVertex[slot++] = Z(base + 2.0 * steps);
            }
        }
    const int64_t last = steps * (halfTurns - 1);
    for (int64_t k = 0; k <= steps - 2; ++k) {
        const int64_t t[3] = {Z(double(last + k)), Z(double(T)), Z(double(last + k + 1))};
        const double at[3] = {double(last + k), double(T), double(last + k + 1)};
        ball.Stage(t, at, k == steps - 2 ? 6 : 4, 4, halfTurns + 1, -1);
        if (k == 0 && slot + 1 < kWedgeEntries) {
            poly->wedgeVertex[slot++] = Z(double(last));
            poly->wedgeVertex[slot++] = Z(double(T));
        }
    }
    seams.push_back({Z(double(last)), Z(double(T))});
    ball.Build();
    for (int64_t f = 0; f < poly->faceCount3D; ++f) {
        PolyFace3D& face = poly->face3D[f];
        for (int64_t k = 0; k < face.count; ++k) {
            const int64_t a = face.vertex[k], b = face.vertex[(k + 1) % face.count];
            for (const auto& [x, y] : seams)
                if ((a == x && b == y) || (a == y && b == x)) face.edgeFlags[k] |= kEdgeCut;
        }
    }
    return Finish(poly);
}
