// Storage and defaults of the polyhedron record: the owned coordinate,
// face-list and vertex-index blocks, the empty states a build starts from and
// the blank face templates copied into every new face.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

// Frees the old storage, then allocates the two coordinate arrays, the two
// face lists and the two vertex indexes. When any block cannot be had, every
// block is freed again and the status word says out of memory: the record is
// left with no storage, never with part of it. Returns 1 on success.
int getPolyStorageEtc(polyhedron* poly);
// Makes `to` a copy of `from`: every field, and blocks of its own holding
// what `from`'s owned blocks hold (built-in tables are shared). 0 when a
// block cannot be had: `to` then holds no storage and says out of memory.
int CopyPolyhedron(polyhedron* to, const polyhedron* from);
// For a record whose memory is fresh: no blocks, empty counts.
void NullifyPolyStorage(polyhedron* poly);
// Default net settings; `a` is net setting A, `b` net setting B (tab size).
void InitPoly(polyhedron* poly, float a, float b);
void GetDefaultPolySettings(polyhedron* poly);
// Empties the model before a build.
void WipeFaceInfo(polyhedron* poly);
void init_blankface3D(polyhedron* poly);
void init_convenient_static_poly_structures(polyhedron* poly);
void Kill2DConnectivity(polyhedron* poly, int64_t n);
// Resets every net triangle a build may have written to the empty triangle
// (no corners, faces or tab owner); the triangles past them are untouched.
void WipeRenderingTriangleInfo_deep(polyhedron* poly);
void WipeRenderingTriangleInfo_shallow(polyhedron* poly);
void ResetFacesAndVertsToEmpty(polyhedron* poly);
// Notes that face (net face) `f` is being written; the number of faces (net
// faces) from the start of the table that any build may have written.
void NoteFace3DWritten(polyhedron* poly, int64_t f);
void NoteNetFaceWritten(polyhedron* poly, int64_t f);
int64_t Faces3DWritten(const polyhedron* poly);
int64_t NetFacesWritten(const polyhedron* poly);
// Empties the net-triangle table, keeping how far into it the record has
// been filled; the number of triangles from the start of the table that any
// build may have written.
void EmptyNetTriangles(polyhedron* poly);
int64_t NetTrianglesWritten(const polyhedron* poly);
// A whole record on the heap with NullifyPolyStorage and InitPoly(a, b)
// applied, or null when it cannot be allocated; FreePolyhedron frees its
// storage and the record and clears the pointer.
polyhedron* NewPolyhedron(float a, float b);
void FreePolyhedron(polyhedron** poly);
