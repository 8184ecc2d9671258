// What the computed solids share: scratch solids built beside the target,
// base solids read from the built-in tables, points of the sphere by
// longitude and latitude fractions, and faces handed to the store.
#pragma once

#include <cstdint>

#include "common/vectors.h"
#include "polyhedra/polyhedron.h"

// A scratch solid with the target's two net settings and invocation record,
// or null; when the heap refuses it the target is emptied and its status
// says out of memory, so the build fails instead of ending blank.
polyhedron* NewScratchSolidFor(polyhedron* target);
void FreeScratchSolid(polyhedron** scratch);

// Fills a solid with a built-in table's faces and links them (angles, face
// links), as a builder's base; 0 when the code has no table or no storage.
int BuildBaseSolid(polyhedron* poly, int64_t shapeCode);
// A scratch solid holding the base, or null with the target emptied and its
// status set (out of memory, or unbuilt for a code without a table).
polyhedron* NewBaseSolidFor(polyhedron* target, int64_t shapeCode);
// Empties a target whose build cannot go on and says why.
void FailBuild(polyhedron* target, int64_t status);

// The point of the sphere of radius r at longitude and latitude fractions
// (u, v): v = 0 is the north pole (0, r, 0). The longitude's sine and cosine
// are taken in single precision, as the strip solids always placed them.
triplex SpherePointOfFractions(double u, double v, double r);

// A face of 3 to 10 store vertices with angles and links deferred and no
// duplicate test; `cut` and `cut2` are edges that never join (-1 none),
// `tag` the face's group tag (-1 none), `reference` a fourth vertex for the
// renderer's curved faces (-1 none). A corner of -1 (a full vertex store)
// adds nothing.
void AddBuiltFace(polyhedron* poly, const int64_t* corners, int count, int cut = -1, int cut2 = -1,
                  int64_t tag = -1, int64_t reference = -1);

// The vertex at a point (one within 0.002 reused) and the face through them.
void AddFaceAtPoints(polyhedron* poly, const triplex* points, int count, int cut = -1, int cut2 = -1,
                     int64_t tag = -1);
