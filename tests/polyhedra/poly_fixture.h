// Shared by the polyhedron tests: a heap record that frees itself, and a
// solid built through the set-up with set-up mode 7 (the solid, no net).
#pragma once

#include <memory>

#include <gtest/gtest.h>

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

// The solid of the shape code with its net: good, every face laid once.
inline void ExpectNetLaysEveryFace(int64_t shapeCode) {
    SCOPED_TRACE(shapeCode);
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    SetUpReallyGeneralPolyhedron(p.get(), shapeCode, 6, 0, 0, nullptr, 1, 0.0f);
    ASSERT_EQ(p->status, kPolyStatusGood);
    int64_t used = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f) used += p->face3D[f].used;
    EXPECT_EQ(used, p->faceCount3D);
    EXPECT_EQ(p->netFaceCount, p->faceCount3D);
}
