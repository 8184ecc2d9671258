// Shared by the polyhedron tests: a heap record that frees itself, and a
// solid built through the set-up with set-up mode 7 (the solid, no net).
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "common/skiplist.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/poly_store.h"
#include "solids/poly_setup.h"

struct PolyDeleter {
    void operator()(polyhedron* p) const { FreePolyhedron(&p); }
};
using PolyPtr = std::unique_ptr<polyhedron, PolyDeleter>;

// A net vertex in the next free slot, indexed by x, as the net builders add
// one; -1 when the table is full.
inline int64_t AddNetVertex(polyhedron* p, const PolyNetPoint& q) {
    const int64_t v = FindAFree2DVert(p);
    if (v < 0) return -1;
    Set2DPoint(v, &q, p);
    if (!p->vertexIndex2D || insert_skiplist(p->vertexIndex2D, q.x, int32_t(v)) < 0) p->legacyNetCollider = 1;
    if (v + 1 > p->netVertexCount) p->netVertexCount = v + 1;
    return v;
}

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
