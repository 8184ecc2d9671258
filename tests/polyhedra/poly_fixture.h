// Shared by the polyhedron tests: a heap record that frees itself, and a
// solid built through the set-up with set-up mode 7 (the solid, no net).
#pragma once

#include <memory>

#include "polyhedra/poly_storage.h"
#include "solids/poly_setup.h"

struct PolyDeleter {
    void operator()(polyhedron* p) const { FreePolyhedron(&p); }
};
using PolyPtr = std::unique_ptr<polyhedron, PolyDeleter>;

inline PolyPtr MakePoly() { return PolyPtr(NewPolyhedron(0.5f, 0.0f)); }

inline PolyPtr BuildSolid(int64_t shapeCode) {
    PolyPtr p = MakePoly();
    if (p) SetUpReallyGeneralPolyhedron(p.get(), shapeCode, 7, 0, 0, nullptr, 1, 0.0f);
    return p;
}
