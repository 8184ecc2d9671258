// Mirror symmetry of a solid, read off the first face of a reference solid:
// three mirror planes through the origin bounding a fundamental domain, the
// reflection of any point into it, and the vertices, faces and edges of a
// concrete solid that the symmetric canonicalisation moves (set D and the
// faces and edges touching it) or copies (set E, each vertex with the
// representative in D and the transform carrying that onto it).
#pragma once

#include <cstdint>
#include <vector>

#include "common/geometry.h"
#include "polyhedra/polyhedron.h"
#include "polyhedra/voronoi_cells.h"

// The options' plane tolerance and merge distance are the ones read here.

struct SymmetryMirror {
    PLANED plane;       // unit normal n, signed value n·p + k
    double matrix[16];  // the reflection, row by row, carrying (x, y, z, 1)
};

struct SymmetryDomainVertex {
    int64_t vertex;
    triplex position;
};

struct SymmetryCopy {
    int64_t vertex;
    int64_t representative;  // a vertex of set D
    double transform[16];    // carries the representative's position onto the vertex's
    double inverse[16];
};

enum SymmetryStatus : int32_t { kSymUnassigned = -1, kSymInDomain = 0, kSymFollows = 2 };

struct SymmetryThing {
    std::vector<SymmetryMirror> mirrors;  // in order of creation
    uint8_t rotationsOnly = 0;
    bool hasExtraMirror = false;
    SymmetryMirror extraMirror{};  // rotations only: makes an odd composite a rotation
    std::vector<SymmetryDomainVertex> D;
    std::vector<SymmetryCopy> E;
    std::vector<int64_t> F;                           // faces with a vertex in D
    std::vector<std::pair<int64_t, int64_t>> G;       // edges with an end in D, each once
    std::vector<int32_t> status;                      // per vertex, SymmetryStatus
    std::vector<int64_t> node;                        // per vertex: its entry in D or E, -1 none
    int64_t unmatched = 0;                            // vertices left at kSymUnassigned
};

// The symmetry of the reference solid of shape code `kind` (its first face's
// first vertex A, its second B, their midpoint M and the face's mean K) laid
// on `poly`; with a template, its mirrors are cloned and `kind` is unused.
// Null when the heap refuses. A code without a built-in table gives no
// mirrors: every vertex then lies in the domain.
SymmetryThing* createSymmetryThing(int64_t kind, bool rotationsOnly, const VoronoiHandlingOptions& options,
                                   const polyhedron* poly, const SymmetryThing* templ);
void DisposeSymmetryThing(SymmetryThing** sym);

bool pointIsInOrOnFundamentalDomain(triplex point, const SymmetryThing* sym, const VoronoiHandlingOptions& options);
// One step: the first mirror leaving the point outside by more than the
// plane tolerance reflects it and multiplies the composite from the left.
bool gotReflected(triplex* point, double* matrix, const SymmetryThing* sym, const VoronoiHandlingOptions& options);
// The point carried into the domain (at most 201 reflections), the
// composite, its inverse; returns the number of reflections.
int64_t createReflectionIntoFD(triplex* point, double* matrix, double* inverse, const SymmetryThing* sym,
                               const VoronoiHandlingOptions& options);
void a_clones_mirrors_of_b(SymmetryThing* a, const SymmetryThing* b);

void buildSetD(SymmetryThing* sym, const VoronoiHandlingOptions& options, const polyhedron* poly);
void buildSetE(SymmetryThing* sym, const VoronoiHandlingOptions& options, const polyhedron* poly);
void buildSetF(SymmetryThing* sym, const VoronoiHandlingOptions& options, const polyhedron* poly);
void buildSetG(SymmetryThing* sym, const VoronoiHandlingOptions& options, const polyhedron* poly);

// Every vertex of set E set from its representative.
void CopyFDToPointset(const SymmetryThing* sym, triplex* positions);
