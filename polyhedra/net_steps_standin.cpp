// Stand-ins for the net code's steps that are not built yet: they leave the
// net as the growth made it. Delete each one when its step lands.
#include "polyhedra/net_steps.h"

void CramPoints(polyhedron*) {}
