#include "polyhedra/canonical.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "common/matrices.h"
#include "polyhedra/duals.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_storage.h"

namespace {

constexpr double kDivergedMovement = 50.0;
constexpr double kScratchRefused = 99999.0;

bool Finite(triplex p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

bool AllFinite(const triplex* p, int64_t n) {
    for (int64_t i = 0; i < n; ++i)
        if (!Finite(p[i])) return false;
    return true;
}

// Positions as the plain forms read them.
struct PlainReader {
    const triplex* p;
    const triplex& operator()(int64_t v) const { return p[v]; }
};

// Faces a pass works on, their corners gathered once: a face record is
// large, and most of a symmetric solid's faces lie outside its domain.
struct FaceCorners {
    std::vector<int64_t> face;
    std::vector<size_t> start{0};  // face k's corners: corner[start[k]] up to corner[start[k + 1]]
    std::vector<int64_t> corner;
    void Add(const polyhedron* poly, int64_t f) {
        const PolyFace3D& pf = poly->face3D[f];
        face.push_back(f);
        corner.insert(corner.end(), pf.vertex, pf.vertex + pf.count);
        start.push_back(corner.size());
    }
    const int64_t* Corners(size_t k) const { return corner.data() + start[k]; }
    int64_t Count(size_t k) const { return int64_t(start[k + 1] - start[k]); }
};

// The positions a symmetric pass reads: a vertex of the domain at its own
// position, any other its representative's carried by its transform, once
// per pass instead of at every face and edge that reads it.
class SymmetricReads {
public:
    SymmetricReads(const SymmetryThing* sym, int64_t vertexCount)
        : sym_(sym), at_(size_t(vertexCount)), listed_(size_t(vertexCount), 0) {}
    void Add(int64_t v) {
        if (listed_[size_t(v)]) return;
        listed_[size_t(v)] = 1;
        if (sym_->status[size_t(v)] != kSymFollows) {
            sources_.push_back({v, v, nullptr});
            return;
        }
        const SymmetryCopy& c = sym_->E[size_t(sym_->node[size_t(v)])];
        sources_.push_back({v, c.representative, c.transform});
    }
    void Add(const FaceCorners& faces) {
        for (int64_t v : faces.corner) Add(v);
    }
    // Every listed vertex read from positions p.
    void Read(const triplex* p) {
        for (const Source& s : sources_) {
            const triplex& q = p[s.from];
            const double* M = s.transform;
            // Multiply4x4byTriplex, inline: this runs for every read vertex in every step.
            at_[size_t(s.vertex)] = M ? triplex{M[0] * q.x + M[1] * q.y + M[2] * q.z + M[3],
                                                M[4] * q.x + M[5] * q.y + M[6] * q.z + M[7],
                                                M[8] * q.x + M[9] * q.y + M[10] * q.z + M[11]}
                                      : q;
        }
    }
    const triplex& operator()(int64_t v) const { return at_[size_t(v)]; }
    // Each listed vertex's entry of `to` set from `from`.
    void CopyListed(const triplex* from, triplex* to) const {
        for (const Source& s : sources_) to[s.vertex] = from[s.vertex];
    }

private:
    struct Source {
        int64_t vertex;
        int64_t from;             // the vertex itself, or its representative
        const double* transform;  // null: read as it is
    };
    const SymmetryThing* sym_;
    std::vector<Source> sources_;
    std::vector<triplex> at_;  // by vertex; the listed ones only
    std::vector<uint8_t> listed_;
};

// Corners are read by reference and worked in scalars in the passes below,
// which run for every edge and face in every step: a triplex passed whole
// went through memory each time.
struct Scalars {
    double x, y, z;
    explicit Scalars(const triplex& p) : x(p.x), y(p.y), z(p.z) {}
    Scalars(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
};

// EdgeTangentPoint in scalars.
inline Scalars TangentPoint(Scalars a, Scalars b) {
    const double dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
    const double dd = dx * dx + dy * dy + dz * dz;
    if (dd == 0) return a;
    const double s = -(a.x * dx + a.y * dy + a.z * dz) / dd;
    return {a.x + dx * s, a.y + dy * s, a.z + dz * s};
}

inline void AddScaled(triplex* to, Scalars v, double c) {
    to->x = to->x + v.x * c;
    to->y = to->y + v.y * c;
    to->z = to->z + v.z * c;
}

template <class Reader>
double Tangentify(const Reader& P, triplex* N, const CanonEdgeList& edges, double s) {
    double size = 0;
    for (const auto& [a, b] : edges) {
        const Scalars q = TangentPoint(Scalars(P(a)), Scalars(P(b)));
        const double c = 2 * s * (1 - std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z));
        AddScaled(&N[a], q, c);
        AddScaled(&N[b], q, c);
        // The largest push either way: on a solid whose edges all lie
        // outside the sphere every c is negative.
        size = std::max(size, std::fabs(c));
    }
    return size;
}

template <class Reader>
double PlanarizeCorners(const int64_t* vertex, int64_t n, const Reader& P, triplex* N, double p) {
    double mx = 0, my = 0, mz = 0, gx = 0, gy = 0, gz = 0;
    Scalars prev(P(vertex[n - 1])), at(P(vertex[0]));
    for (int64_t k = 0; k < n; ++k) {
        const Scalars next(P(vertex[k + 1 < n ? k + 1 : 0]));
        // The unit normal of the corner (Tnormalize of the cross product).
        const double ux = at.x - prev.x, uy = at.y - prev.y, uz = at.z - prev.z;
        const double wx = next.x - at.x, wy = next.y - at.y, wz = next.z - at.z;
        const double cx = uy * wz - wy * uz, cy = uz * wx - wz * ux, cz = ux * wy - wx * uy;
        const double length = std::sqrt(cx * cx + cy * cy + cz * cz);
        if (length != 0.0) {
            const double inverse = 1.0 / length;
            mx += cx * inverse, my += cy * inverse, mz += cz * inverse;
        } else {
            mx += 0.0, my += 0.0, mz += 0.0;
        }
        gx += at.x, gy += at.y, gz += at.z;
        prev = at, at = next;
    }
    const double share = 1.0 / double(n);
    gx *= share, gy *= share, gz *= share;
    const double mm = mx * mx + my * my + mz * mz;
    if (mm == 0) return 0;
    double largest = 0;
    for (int64_t k = 0; k < n; ++k) {
        const int64_t v = vertex[k];
        const Scalars c(P(v));
        const double f = p * ((gx - c.x) * mx + (gy - c.y) * my + (gz - c.z) * mz) / mm;
        const double x = mx * f, y = my * f, z = mz * f;
        N[v].x = N[v].x + x, N[v].y = N[v].y + y, N[v].z = N[v].z + z;
        largest = std::max(largest, x * x + y * y + z * z);
    }
    return largest;
}

template <class Reader>
double PlanarizeFace(const polyhedron* poly, int64_t f, const Reader& P, triplex* N, double p) {
    return PlanarizeCorners(poly->face3D[f].vertex, poly->face3D[f].count, P, N, p);
}

// The polar vertex of one face: the foot of its plane pushed to the radius
// the face's edge tangent points average; false for a plane through the
// origin or a face of zero area.
template <class Reader>
bool ReciprocalOfCorners(const int64_t* vertex, int64_t n, const Reader& P, triplex* out) {
    // Worked in scalars, each corner read once and carried to the next
    // edge: this runs for every face in every step, and a triplex passed
    // whole went through memory at each corner.
    double nx = 0, ny = 0, nz = 0, gx = 0, gy = 0, gz = 0, r2 = 0;
    const triplex& first = P(vertex[0]);
    double ax = first.x, ay = first.y, az = first.z;
    for (int64_t k = 0; k < n; ++k) {
        const triplex& b = P(vertex[k + 1 < n ? k + 1 : 0]);
        const double bx = b.x, by = b.y, bz = b.z;
        nx += (ay - by) * (az + bz);
        ny += (az - bz) * (ax + bx);
        nz += (ax - bx) * (ay + by);
        gx += ax, gy += ay, gz += az;
        // The edge's tangent point (EdgeTangentPoint).
        const double dx = bx - ax, dy = by - ay, dz = bz - az;
        const double dd = dx * dx + dy * dy + dz * dz;
        double qx = ax, qy = ay, qz = az;
        if (dd != 0) {
            const double s = -(ax * dx + ay * dy + az * dz) / dd;
            qx = ax + dx * s, qy = ay + dy * s, qz = az + dz * s;
        }
        r2 += qx * qx + qy * qy + qz * qz;
        ax = bx, ay = by, az = bz;
    }
    const triplex g = Tscale(triplex{gx, gy, gz}, 1.0 / double(n));
    const triplex nrm = Tnormalize(triplex{nx, ny, nz});
    const triplex t = Tscale(nrm, Tdot_product(g, nrm));
    const double tt = Tdot_product(t, t);
    const double r = std::sqrt(r2 / double(n));
    if (!(tt > 0) || !std::isfinite(tt) || !std::isfinite(r)) return false;
    *out = Tscale(t, ((1 + r) / 2) / tt);
    return true;
}

bool reciprocalN(const polyhedron* from, const triplex* fromPos, triplex* toPos) {
    const PlainReader P{fromPos};
    for (int64_t f = 0; f < from->faceCount3D; ++f)
        if (!ReciprocalOfCorners(from->face3D[f].vertex, from->face3D[f].count, P, &toPos[f])) return false;
    return true;
}

// One symmetric reciprocation, from the solid whose faces (with corners)
// and reads are given to the positions of its dual's vertices.
struct SymmetricReciprocation {
    FaceCorners faces;
    SymmetricReads reads;
    // Every face whose polar vertex lies in the other solid's domain: under
    // rotations only, such a face need not have a corner in this domain.
    SymmetricReciprocation(const polyhedron* from, const SymmetryThing* fromSym, const SymmetryThing* toSym)
        : reads(fromSym, from->vertexCount3D) {
        for (int64_t f = 0; f < from->faceCount3D; ++f)
            if (toSym->status[size_t(f)] == kSymInDomain) faces.Add(from, f);
        reads.Add(faces);
    }
    bool Run(const triplex* fromPos, triplex* toPos) {
        reads.Read(fromPos);
        for (size_t k = 0; k < faces.face.size(); ++k)
            if (!ReciprocalOfCorners(faces.Corners(k), faces.Count(k), reads, &toPos[faces.face[k]])) return false;
        return true;
    }
};

int64_t OwnsVertices(const polyhedron* poly) {
    if (!poly) return -2;
    if (!poly->storageFlag || !poly->coords3D) return -1;
    return 0;
}

// The dual the reciprocation alternates with, or null (logged, and the
// status set when the heap refused it).
polyhedron* PrimalDualScratch(polyhedron* poly) {
    polyhedron* dual = NewPolyhedron(poly->net.firstArgument, poly->net.secondArgument);
    if (!dual) {
        std::fprintf(stderr, "canonical form: no memory for the dual of solid %lld\n", (long long)poly->shapeCode);
        poly->status = kPolyStatusOutOfMemory;
        return nullptr;
    }
    if (!poly->linksBuilt) Build3DConnectivity(poly);
    PreparePolyForDualizing(poly);
    BuildDualForPrimalDual_core(dual, poly);
    if (dual->status != kPolyStatusGood) {
        std::fprintf(stderr, "canonical form: solid %lld has no dual (status %lld)\n", (long long)poly->shapeCode,
                     (long long)dual->status);
        if (dual->status == kPolyStatusOutOfMemory) poly->status = kPolyStatusOutOfMemory;
        FreePolyhedron(&dual);
    }
    return dual;
}

// Why a run put the start back.
enum class Restored { kNoPolarVertex, kDiverged, kNotFinite };

void LogRestored(const polyhedron* poly, const char* method, Restored why, double movement) {
    const long long code = poly->shapeCode;
    switch (why) {
        case Restored::kNoPolarVertex:
            std::fprintf(stderr,
                         "canonical form: the %s of solid %lld met a face with no polar vertex (its plane through "
                         "the centre, or no area); positions restored\n",
                         method, code);
            break;
        case Restored::kDiverged:
            std::fprintf(stderr,
                         "canonical form: the %s of solid %lld diverged from its start (a step moved the vertices "
                         "by %g, the limit is %g); positions restored\n",
                         method, code, movement, kDivergedMovement);
            break;
        case Restored::kNotFinite:
            std::fprintf(stderr,
                         "canonical form: the %s of solid %lld diverged (its positions became infinite or not a "
                         "number); positions restored\n",
                         method, code);
            break;
    }
}

// What a reciprocation that went wrong did: found no polar vertex, moved
// past the limit, or left positions that are not finite.
Restored WhyRestored(bool failed, double movement) {
    if (failed) return Restored::kNoPolarVertex;
    return std::isfinite(movement) ? Restored::kDiverged : Restored::kNotFinite;
}

// A symmetry that fits every vertex of the solid, or null (logged).
SymmetryThing* FittingSymmetry(int64_t kind, bool rotationsOnly, const VoronoiHandlingOptions& options,
                               const polyhedron* poly, const SymmetryThing* templ) {
    SymmetryThing* sym = createSymmetryThing(kind, rotationsOnly, options, poly, templ);
    if (sym && sym->unmatched > 0) {
        std::fprintf(stderr,
                     "canonical form: the symmetry of shape %lld leaves %lld vertices of solid %lld without a "
                     "representative; the plain method runs\n",
                     (long long)kind, (long long)sym->unmatched, (long long)poly->shapeCode);
        DisposeSymmetryThing(&sym);
    }
    return sym;
}

}  // namespace

triplex EdgeTangentPoint(triplex a, triplex b) {
    const triplex d = Tsub(b, a);
    const double dd = Tdot_product(d, d);
    if (dd == 0) return a;
    return Tadd(a, Tscale(d, -Tdot_product(a, d) / dd));
}

CanonEdgeList createEdgeList(const polyhedron* poly) {
    CanonEdgeList edges;
    std::map<std::pair<int64_t, int64_t>, int64_t> owner;
    for (int64_t f = 0; f < poly->faceCount3D; ++f) {
        const int64_t n = poly->face3D[f].count;
        for (int64_t k = 0; k < n; ++k) owner.emplace(std::make_pair(poly->face3D[f].vertex[k], poly->face3D[f].vertex[(k + 1) % n]), f);
    }
    for (const auto& [e, f] : owner) {
        const auto across = owner.find({e.second, e.first});
        if (across == owner.end() || f <= across->second) edges.push_back(e);
    }
    return edges;
}

int canonicalization_technique_for_shapecode(int64_t s) {
    if (shapecode_is_unsuitable_for_primal_dual(s)) return 1;
    return s == 345 ? 2 : 3;
}

bool shapecode_is_unsuitable_for_primal_dual(int64_t s) {
    return s == 319 || s == 320 || (s >= 340 && s <= 344) || s == 369 || s == 370;
}

double CanonicalizeConvexPoly_relaxation(polyhedron* poly, double tolerance, int64_t iterations, double tangentFactor,
                                         double planarFactor) {
    if (const int64_t bad = OwnsVertices(poly)) return double(bad);
    const int64_t V = poly->vertexCount3D;
    const CanonEdgeList edges = createEdgeList(poly);
    std::vector<triplex> P(poly->coords3D, poly->coords3D + V), N(static_cast<size_t>(V));
    double size = 0;
    for (int64_t step = 0; step < iterations; ++step) {
        std::copy(P.begin(), P.end(), N.begin());
        const PlainReader read{P.data()};
        const double tangent = Tangentify(read, N.data(), edges, tangentFactor);
        double planar = 0;
        for (int64_t f = 0; f < poly->faceCount3D; ++f)
            planar = std::max(planar, PlanarizeFace(poly, f, read, N.data(), planarFactor));
        size = std::max(tangent, std::sqrt(planar));
        P.swap(N);
        if (!(size > tolerance)) break;
    }
    if (!AllFinite(P.data(), V) || !std::isfinite(size)) {
        LogRestored(poly, "relaxation", Restored::kNotFinite, size);
        return -3;
    }
    std::copy(P.begin(), P.end(), poly->coords3D);
    return size;
}

double CanonicalizeConvexPoly_relaxation_sym(polyhedron* poly, double tolerance, int64_t iterations,
                                             double tangentFactor, double planarFactor, int64_t kind,
                                             bool rotationsOnly, const VoronoiHandlingOptions& options) {
    if (const int64_t bad = OwnsVertices(poly)) return double(bad);
    const int64_t V = poly->vertexCount3D;
    const std::vector<triplex> start(poly->coords3D, poly->coords3D + V);
    recenter_all_verts_in_poly(poly);
    SymmetryThing* sym = FittingSymmetry(kind, rotationsOnly, options, poly, nullptr);
    if (!sym) {
        std::copy(start.begin(), start.end(), poly->coords3D);
        return CanonicalizeConvexPoly_relaxation(poly, tolerance, iterations, tangentFactor, planarFactor);
    }
    // A step writes the vertices of the faces and edges touching the
    // domain, and reads those and their representatives (in the domain, so
    // among them); the others keep their start until the copy at the end.
    FaceCorners faces;
    for (int64_t f : sym->F) faces.Add(poly, f);
    SymmetricReads read(sym, V);
    read.Add(faces);
    for (const auto& [a, b] : sym->G) read.Add(a), read.Add(b);
    std::vector<triplex> P(poly->coords3D, poly->coords3D + V), N(P);
    double size = 0;
    for (int64_t step = 1;; ++step) {
        read.CopyListed(P.data(), N.data());
        read.Read(P.data());
        const double tangent = Tangentify(read, N.data(), sym->G, tangentFactor);
        double planar = 0;
        for (size_t k = 0; k < faces.face.size(); ++k)
            planar = std::max(planar, PlanarizeCorners(faces.Corners(k), faces.Count(k), read, N.data(), planarFactor));
        size = std::max(tangent, std::sqrt(planar));
        P.swap(N);
        if (!(size > tolerance) || step >= iterations) break;
    }
    CopyFDToPointset(sym, P.data());
    DisposeSymmetryThing(&sym);
    if (!AllFinite(P.data(), V) || !std::isfinite(size)) {
        std::copy(start.begin(), start.end(), poly->coords3D);
        LogRestored(poly, "symmetric relaxation", Restored::kNotFinite, size);
        return -3;
    }
    std::copy(P.begin(), P.end(), poly->coords3D);
    return size;
}

double CanonicalizeConvexPoly_primal_dual(polyhedron* poly, double tolerance, int64_t iterations) {
    if (const int64_t bad = OwnsVertices(poly)) return double(bad);
    polyhedron* dual = PrimalDualScratch(poly);
    if (!dual) return -1;
    const int64_t V = poly->vertexCount3D;
    const CanonEdgeList edges = createEdgeList(poly);
    const std::vector<triplex> start(poly->coords3D, poly->coords3D + V);
    std::vector<triplex> saved(static_cast<size_t>(V));
    double movement = 0;
    bool failed = false;
    for (int64_t count = 0; count < iterations; ++count) {
        std::copy(poly->coords3D, poly->coords3D + V, saved.begin());
        if (!reciprocalN(poly, poly->coords3D, dual->coords3D) || !reciprocalN(dual, dual->coords3D, poly->coords3D)) {
            failed = true;
            break;
        }
        recenter_fancy(poly, edges);
        if ((count & 20) == 0) unitize_nearpoints_radius(poly, edges);
        movement = findPrimalDualError_all_verts(poly, saved.data());
        if (!(movement > tolerance && movement < kDivergedMovement)) break;
    }
    FreePolyhedron(&dual);
    if (!failed) unitize_nearpoints_radius(poly, edges);
    const bool finite = AllFinite(poly->coords3D, V);
    if (failed || !(movement < kDivergedMovement) || !finite) {
        std::copy(start.begin(), start.end(), poly->coords3D);
        LogRestored(poly, "primal-dual reciprocation", WhyRestored(failed, finite ? movement : NAN), movement);
        if (failed || !std::isfinite(movement)) movement = kScratchRefused;
    }
    return movement;
}

double CanonicalizeConvexPoly_primal_dual_sym(polyhedron* poly, double tolerance, int64_t iterations, int64_t kind,
                                              bool rotationsOnly, const VoronoiHandlingOptions& options) {
    if (const int64_t bad = OwnsVertices(poly)) return double(bad);
    polyhedron* dual = PrimalDualScratch(poly);
    if (!dual) return kScratchRefused;
    SymmetryThing* sym = FittingSymmetry(kind, rotationsOnly, options, poly, nullptr);
    SymmetryThing* dualSym = sym ? FittingSymmetry(kind, rotationsOnly, options, dual, sym) : nullptr;
    if (!dualSym) {
        if (sym) DisposeSymmetryThing(&sym);
        FreePolyhedron(&dual);
        return CanonicalizeConvexPoly_primal_dual(poly, tolerance, iterations);
    }
    const int64_t V = poly->vertexCount3D;
    std::vector<triplex> P(poly->coords3D, poly->coords3D + V), saved(static_cast<size_t>(V));
    std::vector<triplex> Q(dual->coords3D, dual->coords3D + dual->vertexCount3D);
    SymmetricReciprocation toDual(poly, sym, dualSym), toPrimal(dual, dualSym, sym);
    double movement = 0;
    bool failed = false;
    for (int64_t count = 0; count < iterations; ++count) {
        const bool measure = (count & 63) == 0;
        if (measure) saved = P;
        if (!toDual.Run(P.data(), Q.data()) || !toPrimal.Run(Q.data(), P.data())) {
            failed = true;
            break;
        }
        if (measure) {
            movement = findPrimalDualError_setD(P.data(), saved.data(), sym);
            if (!(movement > tolerance && movement < kDivergedMovement)) break;
        }
    }
    CopyFDToPointset(sym, P.data());
    DisposeSymmetryThing(&sym);
    DisposeSymmetryThing(&dualSym);
    FreePolyhedron(&dual);
    if (failed || !(movement < kDivergedMovement) || !AllFinite(P.data(), V)) {
        LogRestored(poly, "symmetric primal-dual reciprocation",
                    WhyRestored(failed, AllFinite(P.data(), V) ? movement : NAN), movement);
        if (failed || !std::isfinite(movement)) movement = kScratchRefused;
        return movement;
    }
    std::copy(P.begin(), P.end(), poly->coords3D);
    return movement;
}

double CanonicalDeviation(const polyhedron* poly) {
    double worst = 0;
    for (int64_t f = 0; f < poly->faceCount3D; ++f) {
        const PolyFace3D& face = poly->face3D[f];
        const int64_t n = face.count;
        triplex newell{0, 0, 0}, g{0, 0, 0};
        for (int64_t k = 0; k < n; ++k) {
            const triplex a = poly->coords3D[face.vertex[k]], b = poly->coords3D[face.vertex[(k + 1) % n]];
            newell = Tadd(newell, triplex{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)});
            g = Tadd(g, a);
            worst = std::max(worst, std::fabs(Tmagnitude(EdgeTangentPoint(a, b)) - 1));
        }
        g = Tscale(g, 1.0 / double(n));
        const triplex nrm = Tnormalize(newell);
        for (int64_t k = 0; k < n; ++k)
            worst = std::max(worst, std::fabs(Tdot_product(Tsub(poly->coords3D[face.vertex[k]], g), nrm)));
    }
    return std::isfinite(worst) ? worst : INFINITY;
}

double edge_nearpoints_radius(const polyhedron* poly, const CanonEdgeList& edges) {
    double sum = 0;
    for (const auto& [a, b] : edges) {
        const triplex q = EdgeTangentPoint(poly->coords3D[a], poly->coords3D[b]);
        sum += Tdot_product(q, q);
    }
    return edges.empty() ? NAN : std::sqrt(sum / double(edges.size()));
}

void unitize_nearpoints_radius(polyhedron* poly, const CanonEdgeList& edges) {
    const double r = edge_nearpoints_radius(poly, edges);
    if (r > 0 && std::isfinite(r)) ScaleVertsInPoly(poly, 1.0 / r);
}

void recenter_fancy(polyhedron* poly, const CanonEdgeList& edges) {
    if (edges.empty()) return;
    triplex mean{0, 0, 0};
    for (const auto& [a, b] : edges) mean = Tadd(mean, EdgeTangentPoint(poly->coords3D[a], poly->coords3D[b]));
    DisplaceVertsInPoly(poly, Tscale(mean, -1.0 / double(edges.size())));
}

void recenter_all_verts_in_poly(polyhedron* poly) {
    if (poly->vertexCount3D <= 0) return;
    triplex mean{0, 0, 0};
    for (int64_t v = 0; v < poly->vertexCount3D; ++v) mean = Tadd(mean, poly->coords3D[v]);
    DisplaceVertsInPoly(poly, Tscale(mean, -1.0 / double(poly->vertexCount3D)));
}

void ScaleVertsInPoly(polyhedron* poly, double s) {
    for (int64_t v = 0; v < poly->vertexCount3D; ++v) poly->coords3D[v] = Tscale(poly->coords3D[v], s);
}

void DisplaceVertsInPoly(polyhedron* poly, triplex d) {
    for (int64_t v = 0; v < poly->vertexCount3D; ++v) poly->coords3D[v] = Tadd(poly->coords3D[v], d);
}

double findPrimalDualError_all_verts(const polyhedron* poly, const triplex* saved) {
    if (poly->vertexCount3D <= 0) return 0;
    double sum = 0;
    for (int64_t v = 0; v < poly->vertexCount3D; ++v) {
        const triplex d = Tsub(poly->coords3D[v], saved[v]);
        sum += Tdot_product(d, d);
    }
    return std::sqrt(sum) / double(poly->vertexCount3D);
}

double findPrimalDualError_setD(const triplex* positions, const triplex* saved, const SymmetryThing* sym) {
    if (sym->D.empty()) return 0;
    double sum = 0;
    for (const SymmetryDomainVertex& d : sym->D) {
        const triplex e = Tsub(positions[d.vertex], saved[d.vertex]);
        sum += Tdot_product(e, e);
    }
    return std::sqrt(sum) / double(sym->D.size());
}
