#include "polyhedra/symmetry.h"

#include <cstdio>
#include <map>
#include <new>

#include "common/matrices.h"
#include "polyhedra/poly_queries.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/solid_support.h"

namespace {

void Identity(double* M) {
    for (int i = 0; i < 16; ++i) M[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

double SignedValue(const PLANED& P, triplex p) { return Tdot_product(P.n, p) + P.k; }

// The plane through a, b and the origin, turned so that the inner point
// lies on its positive side, with its reflection.
SymmetryMirror MakeMirror(triplex a, triplex b, triplex inner, const VoronoiHandlingOptions& options) {
    const triplex origin{0, 0, 0};
    SymmetryMirror m{};
    BuildPlaneFromThreePointsT(&m.plane, a, b, origin);
    if (SignedValue(m.plane, inner) <= options.planeTolerance) BuildPlaneFromThreePointsT(&m.plane, b, a, origin);
    const double n[3] = {m.plane.n.x, m.plane.n.y, m.plane.n.z};
    // p' = p - 2 (n·p + k) n
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m.matrix[4 * i + j] = (i == j ? 1.0 : 0.0) - 2 * n[i] * n[j];
        m.matrix[4 * i + 3] = -2 * n[i] * m.plane.k;
    }
    m.matrix[12] = m.matrix[13] = m.matrix[14] = 0;
    m.matrix[15] = 1;
    return m;
}

void Reflect(triplex* point, double* matrix, const SymmetryMirror& m) {
    *point = Multiply4x4byTriplex(m.matrix, *point);
    Multiply4x4by4x4(m.matrix, matrix, matrix);
}

// Reads the mirrors off the first face of the reference solid.
bool MirrorsFromReference(SymmetryThing* sym, int64_t kind, const VoronoiHandlingOptions& options) {
    polyhedron* ref = NewPolyhedron(0.5f, 0.0f);
    if (!ref) return false;
    if (BuildBaseSolid(ref, kind) && ref->faceCount3D > 0 && ref->face3D[0].count >= 3) {
        const int64_t n = ref->face3D[0].count;
        const triplex A = grab_coordinatesOf3DFace(ref, 0, 0), B = grab_coordinatesOf3DFace(ref, 0, 1);
        const triplex M = Tscale(Tadd(A, B), 0.5);
        triplex K{0, 0, 0};
        for (int64_t k = 0; k < n; ++k) K = Tadd(K, grab_coordinatesOf3DFace(ref, 0, k));
        K = Tscale(K, 1.0 / double(n));
        if (sym->rotationsOnly) {
            const triplex I = Tscale(Taddthree(A, B, K), 1.0 / 3);
            sym->mirrors = {MakeMirror(A, B, I, options), MakeMirror(B, K, I, options), MakeMirror(K, A, I, options)};
            sym->extraMirror = MakeMirror(K, M, I, options);
            sym->hasExtraMirror = true;
        } else {
            const triplex I = Tscale(Taddthree(A, M, K), 1.0 / 3);
            sym->mirrors = {MakeMirror(A, M, I, options), MakeMirror(M, K, I, options), MakeMirror(K, A, I, options)};
        }
    }
    FreePolyhedron(&ref);
    return true;
}

}  // namespace

SymmetryThing* createSymmetryThing(int64_t kind, bool rotationsOnly, const VoronoiHandlingOptions& options,
                                   const polyhedron* poly, const SymmetryThing* templ) {
    SymmetryThing* sym = new (std::nothrow) SymmetryThing;
    if (!sym) return nullptr;
    sym->rotationsOnly = rotationsOnly ? 1 : 0;
    const int64_t count = poly ? poly->vertexCount3D : 0;
    sym->status.assign(size_t(count), kSymUnassigned);
    sym->node.assign(size_t(count), -1);
    if (templ) {
        a_clones_mirrors_of_b(sym, templ);
    } else if (!MirrorsFromReference(sym, kind, options)) {
        delete sym;
        return nullptr;
    }
    if (poly) {
        buildSetD(sym, options, poly);
        buildSetE(sym, options, poly);
        buildSetF(sym, options, poly);
        buildSetG(sym, options, poly);
    }
    return sym;
}

void DisposeSymmetryThing(SymmetryThing** sym) {
    delete *sym;
    *sym = nullptr;
}

bool pointIsInOrOnFundamentalDomain(triplex point, const SymmetryThing* sym, const VoronoiHandlingOptions& options) {
    for (const SymmetryMirror& m : sym->mirrors)
        if (SignedValue(m.plane, point) < -options.planeTolerance) return false;
    return true;
}

bool gotReflected(triplex* point, double* matrix, const SymmetryThing* sym, const VoronoiHandlingOptions& options) {
    for (const SymmetryMirror& m : sym->mirrors)
        if (SignedValue(m.plane, *point) < -options.planeTolerance) {
            Reflect(point, matrix, m);
            return true;
        }
    return false;
}

int64_t createReflectionIntoFD(triplex* point, double* matrix, double* inverse, const SymmetryThing* sym,
                               const VoronoiHandlingOptions& options) {
    Identity(matrix);
    int64_t count = 0;
    while (gotReflected(point, matrix, sym, options)) {
        if (count == 200) break;
        ++count;
    }
    if (sym->rotationsOnly && sym->hasExtraMirror && (count & 1)) Reflect(point, matrix, sym->extraMirror);
    if (!Inverse4x4(matrix, inverse)) Identity(inverse);
    return count;
}

void a_clones_mirrors_of_b(SymmetryThing* a, const SymmetryThing* b) {
    a->mirrors.insert(a->mirrors.end(), b->mirrors.begin(), b->mirrors.end());
    a->extraMirror = b->extraMirror;
    a->hasExtraMirror = b->hasExtraMirror;
}

void buildSetD(SymmetryThing* sym, const VoronoiHandlingOptions& options, const polyhedron* poly) {
    for (int64_t v = 0; v < poly->vertexCount3D; ++v)
        if (pointIsInOrOnFundamentalDomain(poly->coords3D[v], sym, options)) {
            sym->node[size_t(v)] = int64_t(sym->D.size());
            sym->D.push_back({v, poly->coords3D[v]});
            sym->status[size_t(v)] = kSymInDomain;
        }
}

void buildSetE(SymmetryThing* sym, const VoronoiHandlingOptions& options, const polyhedron* poly) {
    const double merge2 = options.mergeDistance * options.mergeDistance;
    sym->unmatched = 0;
    for (int64_t v = 0; v < poly->vertexCount3D; ++v) {
        SymmetryCopy c{};
        triplex p = poly->coords3D[v];
        // The composite carries the vertex into the domain; its inverse
        // carries the representative back onto the vertex.
        double into[16], back[16];
        const int64_t reflections = createReflectionIntoFD(&p, into, back, sym, options);
        const SymmetryDomainVertex* found = nullptr;
        for (const SymmetryDomainVertex& d : sym->D) {
            const triplex e = Tsub(d.position, p);
            if (Tdot_product(e, e) < merge2) {
                found = &d;
                break;
            }
        }
        if (!found) {
            ++sym->unmatched;
            continue;
        }
        if (reflections == 0 || found->vertex == v) continue;
        c.vertex = v;
        c.representative = found->vertex;
        for (int i = 0; i < 16; ++i) {
            c.transform[i] = back[i];
            c.inverse[i] = into[i];
        }
        if (sym->status[size_t(v)] == kSymInDomain) continue;
        sym->node[size_t(v)] = int64_t(sym->E.size());
        sym->E.push_back(c);
        sym->status[size_t(v)] = kSymFollows;
    }
}

void buildSetF(SymmetryThing* sym, const VoronoiHandlingOptions&, const polyhedron* poly) {
    for (int64_t f = 0; f < poly->faceCount3D; ++f)
        for (int64_t k = 0; k < poly->face3D[f].count; ++k)
            if (sym->status[size_t(poly->face3D[f].vertex[k])] == kSymInDomain) {
                sym->F.push_back(f);
                break;
            }
}

void buildSetG(SymmetryThing* sym, const VoronoiHandlingOptions&, const polyhedron* poly) {
    // The face across each directed edge is the one holding it reversed.
    std::map<std::pair<int64_t, int64_t>, int64_t> owner;
    for (int64_t f = 0; f < poly->faceCount3D; ++f) {
        const int64_t n = poly->face3D[f].count;
        for (int64_t k = 0; k < n; ++k) owner[{poly->face3D[f].vertex[k], poly->face3D[f].vertex[(k + 1) % n]}] = f;
    }
    for (int64_t f : sym->F) {
        const int64_t n = poly->face3D[f].count;
        for (int64_t k = 0; k < n; ++k) {
            const int64_t a = poly->face3D[f].vertex[k], b = poly->face3D[f].vertex[(k + 1) % n];
            if (sym->status[size_t(a)] != kSymInDomain && sym->status[size_t(b)] != kSymInDomain) continue;
            const auto across = owner.find({b, a});
            if (across != owner.end() && across->second <= f) continue;
            sym->G.push_back({a, b});
        }
    }
}

void CopyFDToPointset(const SymmetryThing* sym, triplex* positions) {
    for (const SymmetryCopy& c : sym->E) positions[c.vertex] = Multiply4x4byTriplex(c.transform, positions[c.representative]);
}
