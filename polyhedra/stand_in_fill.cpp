// Stand-in for the polyhedron store until its owner lands it: there is no
// store to free. Delete this file when the polyhedron model lands.
#include "polyhedra/polyhedron.h"

void DumpPolyStorage(polyhedron*) {}
