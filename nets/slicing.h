// The per-shape cutting rules: once a solid's faces are linked, the rule its
// builder chose through slicingMode marks the edges the net must not join.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

// Applies the rules of the solid's slicingMode; modes without a rule do nothing.
int64_t MaybeAddSlicing(polyhedron* poly);
