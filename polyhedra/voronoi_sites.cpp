#include "polyhedra/voronoi_sites.h"

#include <cmath>
#include <vector>

#include "common/disc_moves.h"
#include "common/geometry.h"
#include "common/halfspace.h"
#include "polyhedra/face_geometry.h"

namespace {

constexpr double kPi = 3.141592653589793;

// The site within the merge distance of p, or a new one after the head
// (null when the heap refuses it).
HALFSPACE* AddOrFindSite(HALFSPACE* sites, triplex p, int64_t id, double distance, bool* added) {
    *added = false;
    const double d2 = distance * distance;
    for (HALFSPACE* s = sites->head->next; s != sites->head; s = s->next) {
        const triplex d = Tsub(s->point, p);
        if (Tdot_product(d, d) < d2) return s;
    }
    HALFSPACE* n = AddSiteToList(sites, p, id, 0.0);
    *added = n != nullptr;
    return n;
}

// One step of an arc: the site (or the near one) and its slicing record
// against the previous step's.
void ArcStep(HALFSPACE* sites, VoronoiHandlingOptions* o, triplex p, int64_t id, int64_t i, int64_t n,
             triplex* previous, bool* hasPrevious, bool endsOnly = false) {
    bool added;
    HALFSPACE* s = AddOrFindSite(sites, p, id, o->mergeDistance, &added);
    if (!s) {
        *hasPrevious = false;
        return;
    }
    if (o->slicingArcs && *hasPrevious && (!endsOnly || i == 1 || i == n))
        StartOrExtendSlicingArc(o->slicingArcs, *previous, s->point, i == 1, i == n, i == n / 2);
    *previous = s->point;
    *hasPrevious = true;
}

HALFSPACE* AddSite(HALFSPACE* sites, const VoronoiHandlingOptions* o, triplex p, int64_t id, int16_t group = -1) {
    HALFSPACE* n = AddSiteToList(sites, p, id, o->mergeDistance);
    if (n) n->userTag = group;
    return n;
}

}  // namespace

triplex UnitOrUp(triplex p) {
    const double m = std::sqrt(Tdot_product(p, p));
    return m > 0.0 ? Tscale(p, 1.0 / m) : triplex{0.0, 0.0, 1.0};
}

void Build_voronoi_sites_rind(HALFSPACE* sites, VoronoiHandlingOptions* o, double t, double s) {
    o->secondFlag = 1;
    o->siteNumbering = 1;
    const double count = 70.0 * t;
    if (count <= 0.0) return;
    const float e = float(-std::log(s) * 1.442695);
    for (int64_t i = 0; double(i) < count; ++i) {
        double u = double(i) / (count - 1.0);
        if (s != 0.5 && u != 0.0) u = double(std::pow(float(u), e));
        const double y = std::sin((u - 0.5) * -kPi);
        const double r = std::sqrt(std::max(0.0, 1.0 - y * y));
        const float a = float((u * t - 0.5) * 2.0 * kPi);
        AddSite(sites, o, triplex{r * double(std::sin(a)), y, r * double(std::cos(a))}, i, int16_t(i / 14 + 1));
    }
}

void Build_voronoi_sites_baseball(HALFSPACE* sites, VoronoiHandlingOptions* o) {
    o->shave = 1;
    o->siteNumbering = 1;
    for (int i = 0; i < 40; ++i) {
        const double u = double(i) / 39.0 * 0.75;
        const double y = std::sin((u - 0.5) * -kPi), r = std::sqrt(std::max(0.0, 1.0 - y * y));
        const double y2 = std::sin((0.5 - u) * -kPi), r2 = std::sqrt(std::max(0.0, 1.0 - y2 * y2));
        AddSite(sites, o, triplex{r * 8.742277657347586e-8, y, -r}, 1);
        AddSite(sites, o, triplex{r * 0.0, y, r}, 1);
        AddSite(sites, o, triplex{-r2, y2, r2 * -4.371138828673793e-8}, 3);
        AddSite(sites, o, triplex{r2, y2, r2 * -4.371138828673793e-8}, 3);
    }
}

void crap_Build_voronoi_sites_globegores(HALFSPACE* sites, VoronoiHandlingOptions* o, int64_t R, int64_t C,
                                         int64_t K, double w, double m, double s) {
    o->shave = 1;
    o->siteNumbering = 1;
    AddSite(sites, o, triplex{0.0, 1.0, -0.0}, kSiteMustJoin);
    if (R < 3 || C < 1) return;
    const float e = float(-std::log(s) * 1.442695);
    for (int64_t k = 1; k <= R - 2; ++k) {
        const double u = double(std::pow(float(double(k) / double(R)), e));
        for (int64_t j = 0; j < C; ++j) {
            const double lambda = double(j) / double(C) + u * w;
            const double y = std::sin((u - 0.5) * -kPi), r = std::sqrt(std::max(0.0, 1.0 - y * y));
            const float a = float((lambda + 0.1 + 0.1 - 0.5) * 2.0 * kPi);
            double p[3] = {r * double(std::sin(a)), y, r * double(std::cos(a))};
            automorphicDisk_prettily_on_sphere(p, m);
            if (k <= K) continue;
            // The group mark is the net fragment the gore grows as; those
            // count from 1, so the first gore is group 1, not 0 (which no
            // fragment would take, leaving that gore out of the net).
            AddSite(sites, o, triplex{p[0], p[1], p[2]}, 2 * j, int16_t(j + 1));
        }
    }
}

void Build_voronoi_sites_curvycube(HALFSPACE* sites, VoronoiHandlingOptions* o) {
    o->siteNumbering = 1;
    static const triplex kCentre[6] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-1, 0, 0}, {0, 0, -1}, {0, -1, 0}};
    static const triplex kMid[6] = {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
    for (int i = 0; i < 20; ++i) {
        const double t = double(i) / 19.0;
        for (int f = 0; f < 6; ++f) {
            AddSite(sites, o, UnitOrUp(Tadd(kCentre[f], Tscale(kMid[f], t))), 5 * f);
            AddSite(sites, o, UnitOrUp(Tsub(kCentre[f], Tscale(kMid[f], t))), 5 * f);
        }
    }
}

void BuildTruchetArc_in_spaaace(triplex a, triplex b, HALFSPACE* sites, VoronoiHandlingOptions* o, int64_t n,
                                int64_t id) {
    if (n < 0) return;
    triplex previous{};
    bool hasPrevious = false;
    for (int64_t i = 0; i <= n; ++i) {
        const double t = n > 0 ? double(i) / double(n) : 0.0;
        ArcStep(sites, o, UnitOrUp(Tadd(a, Tscale(Tsub(b, a), t))), id, i, n, &previous, &hasPrevious);
    }
}

void BuildTruchetArc_on_polyhedron(triplex X, triplex O, triplex S, float offset, float divisor, HALFSPACE* sites,
                                   VoronoiHandlingOptions* o, int64_t n, int64_t id) {
    if (n < 0 || divisor == 0.0f) return;
    const triplex u = UnitOrUp(Tsub(X, O));
    triplex previous{};
    bool hasPrevious = false;
    for (int64_t i = 0; i <= n; ++i) {
        const double step = n > 0 ? double(i) / double(n) : 0.0;
        const double phi = (2.0 * kPi / double(divisor)) * (step + double(offset));
        ArcStep(sites, o, UnitOrUp(SpinPointAroundAxis(O, u, phi, S)), id, i, n, &previous, &hasPrevious);
    }
}

void BuildTruchetArc_olden(triplex P, triplex Q, HALFSPACE* sites, VoronoiHandlingOptions* o, int64_t n, int64_t id,
                           int flip, int sign) {
    if (n < 0) return;
    const triplex V = flip ? Q : P;
    const triplex D = UnitOrUp(V);
    const triplex M = UnitOrUp(Tscale(Tadd(P, Q), 0.5));
    const double turn = double(flip ? -sign : sign) * (2.0 * kPi / 3.0);
    triplex previous{};
    bool hasPrevious = false;
    for (int64_t i = 0; i <= n; ++i) {
        const double step = n > 0 ? double(i) / double(n) : 0.0;
        const triplex T = SpinPointAroundAxis(triplex{0, 0, 0}, D, turn * step, Tsub(M, V));
        // Where the line T + tD meets the unit sphere, the farther root.
        const double A = Tdot_product(D, D), B = 2.0 * Tdot_product(T, D), Cc = Tdot_product(T, T) - 1.0;
        const double disc = B * B - 4.0 * A * Cc;
        if (disc < 0.0) continue;
        const double t = (-B + std::sqrt(disc)) / (2.0 * A);
        ArcStep(sites, o, UnitOrUp(Tadd(T, Tscale(D, t))), id, i, n, &previous, &hasPrevious, true);
    }
}

namespace {

// The faces a pattern reads: those listed, up to the first with fewer than
// three corners or a corner outside the base's vertices, or else the base's
// own.
PatternFaceList PatternFaces(const polyhedron* base, const PatternFaceList* faces) {
    PatternFaceList out;
    if (!faces) {
        for (int64_t f = 0; f < base->faceCount3D; ++f)
            out.emplace_back(base->face3D[f].vertex, base->face3D[f].vertex + base->face3D[f].count);
        return out;
    }
    for (const std::vector<int64_t>& face : *faces) {
        if (face.size() < 3) break;
        for (int64_t v : face)
            if (v < 0 || v >= base->vertexCount3D) return out;
        out.push_back(face);
    }
    return out;
}

}  // namespace

void Build_voronoi_sites_truchet_polyhedron(HALFSPACE* sites, VoronoiHandlingOptions* o, int64_t n,
                                            const polyhedron* base, const PatternFaceList* faces) {
    if (!base || base->faceCount3D < 1) return;
    const uint64_t seed = uint64_t(o->patternCode);
    const PatternFaceList read = PatternFaces(base, faces);
    if (read.empty()) return;
    const int64_t k = int64_t(read[0].size());
    for (int64_t f = 0; f < int64_t(read.size()); ++f) {
        const std::vector<int64_t>& face = read[size_t(f)];
        const int64_t m = int64_t(face.size());
        triplex G{0, 0, 0};
        for (int64_t c = 0; c < m; ++c) G = Tadd(G, base->coords3D[face[size_t(c)]]);
        G = Tscale(G, 1.0 / double(m));
        const triplex E = Tscale(Tadd(base->coords3D[face[0]], base->coords3D[face[1]]), 0.5);
        for (int64_t j = 0; j < m; ++j) {
            if ((seed >> uint64_t((f * k + j) % 32)) & 1u) continue;
            BuildTruchetArc_on_polyhedron(G, triplex{0, 0, 0}, E, float(j), float(m), sites, o, n, 5 * f + j);
        }
    }
}

void Build_voronoi_sites_truchet_donut_on_cube(HALFSPACE* sites, VoronoiHandlingOptions* o, int64_t n,
                                               const polyhedron* cube, const PatternFaceList* faces) {
    if (!cube) return;
    const uint64_t seed = uint64_t(o->patternCode);
    const PatternFaceList read = PatternFaces(cube, faces);
    for (int64_t f = 0; f < int64_t(read.size()); ++f) {
        const std::vector<int64_t>& face = read[size_t(f)];
        if (face.size() != 4) continue;
        const uint64_t b = (4 * f) < 64 ? seed >> uint64_t(4 * f) : 0;
        const int64_t r = int64_t(b % 4);
        triplex c[4];
        for (int q = 0; q < 4; ++q) c[q] = cube->coords3D[face[size_t((r + q) % 4)]];
        const triplex m01 = Tscale(Tadd(c[0], c[1]), 0.5), m12 = Tscale(Tadd(c[1], c[2]), 0.5);
        const triplex m23 = Tscale(Tadd(c[2], c[3]), 0.5), m30 = Tscale(Tadd(c[3], c[0]), 0.5);
        if (b & 2) {
            BuildTruchetArc_in_spaaace(m12, m30, sites, o, n, 5 * f + 1);
            BuildTruchetArc_in_spaaace(m01, m23, sites, o, n, 5 * f + 1);
        } else if (b & 4) {
            BuildTruchetArc_on_polyhedron(c[0], triplex{0, 0, 0}, m01, 2.0f, 3.0f, sites, o, n, 5 * f + 1);
            BuildTruchetArc_on_polyhedron(c[2], triplex{0, 0, 0}, m23, 2.0f, 3.0f, sites, o, n, 5 * f + 1);
        }
    }
}

void Build_voronoi_sites_truchet_cube(HALFSPACE* sites, VoronoiHandlingOptions* o, int64_t n) {
    static const triplex kNormal[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    static const int kSign[6] = {-1, 1, -1, 1, -1, 1};
    const uint64_t pattern = uint64_t(o->patternCode);
    for (int f = 0; f < 6; ++f) {
        const double a = kNormal[f].x, b = kNormal[f].y, c = kNormal[f].z;
        const triplex P1{a + b + c, a + b + c, a + b + c};
        const triplex P2{a - b - c, b - c - a, c - a - b};
        const triplex P3{a + b - c, b + c - a, a + c - b};
        const triplex P4{a - b + c, a + b - c, b + c - a};
        const int flip = int((pattern >> f) & 1u);
        const int flip2 = ((pattern >> (6 + f)) & 1u) ? 1 : flip;
        BuildTruchetArc_olden(P1, P3, sites, o, n, 3 * f, flip, kSign[f]);
        BuildTruchetArc_olden(P2, P4, sites, o, n, 3 * f + 1, flip2, kSign[f]);
    }
}

// ---- modifiers ----

triplex WarpedVpoint(triplex p, double amount) {
    const triplex q = UnitOrUp(p);
    double w[3] = {q.x, q.y, q.z};
    automorphicDisk_prettily_on_sphere(w, amount);
    return UnitOrUp(triplex{w[0], w[1], w[2]});
}

triplex TwistedVpoint(triplex p, double angle) {
    const triplex q = UnitOrUp(p);
    const double th = q.y * 0.5 * angle, c = std::cos(th), sn = std::sin(th);
    return UnitOrUp(triplex{q.x * c + q.z * sn, q.y, q.z * c - q.x * sn});
}

triplex ParabolizedVpoint(triplex p, double a, double b) {
    const triplex q = UnitOrUp(p);
    if (!(q.z + 1.0 > 0.0)) return q;
    const double X = q.x / (1.0 + q.z), Y = q.y / (1.0 + q.z);
    const double cr = a - X, ci = b - Y, c2 = cr * cr + ci * ci;
    return Tscale(triplex{-2.0 * cr, -2.0 * ci, 1.0 - c2}, 1.0 / (c2 + 1.0));
}

triplex TumbledVpoint(triplex p) {
    double w[3] = {p.x, p.y, p.z};
    ExtraTumbleForZigzagD(w);
    return UnitOrUp(triplex{w[0], w[1], w[2]});
}

void ExtraTumbleForZigzagD(double* p) {
    const double y1 = p[1] * 0.7071067811865476 + p[2] * 0.7071067811865475;
    const double z1 = p[2] * 0.7071067811865476 - p[1] * 0.7071067811865475;
    const double x2 = p[0] * 0.8191520442889918 - y1 * 0.5735764363510462;
    const double y2 = p[0] * 0.5735764363510462 + y1 * 0.8191520442889918;
    p[0] = x2;
    p[1] = y2;
    p[2] = z1;
}

void MoveSlicingArcEnds(SlicingArcList* arcs, triplex from, triplex to) {
    if (!arcs) return;
    for (int64_t r = 0; r < arcs->count; ++r) {
        SlicingRecord& rec = arcs->records[r];
        if (rec.a.x == from.x && rec.a.y == from.y && rec.a.z == from.z) rec.a = to;
        if (rec.b.x == from.x && rec.b.y == from.y && rec.b.z == from.z) rec.b = to;
    }
}

void MergeNearSites(HALFSPACE* sites, double distance, SlicingArcList* arcs) {
    const double d2 = distance * distance;
    for (HALFSPACE* s = sites->head->next; s != sites->head; s = s->next) {
        for (HALFSPACE* t = s->next; t != sites->head;) {
            HALFSPACE* following = t->next;
            const triplex d = Tsub(s->point, t->point);
            if (Tdot_product(d, d) < d2) {
                MoveSlicingArcEnds(arcs, t->point, s->point);
                DeleteNodeInList(t);
            }
            t = following;
        }
    }
}
