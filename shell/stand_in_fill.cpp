// Stand-in for the polyhedron store until its owner lands it: there is no
// store to free. Delete this file when the polyhedron model lands.
#include "shell/stand_ins.h"

void DumpPolyStorage(polyhedron*) {}
