// Memory refused at every step of a build: the build either stands, closed,
// or is empty with a status that says why; never an empty solid reported as
// good.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/memory.h"
#include "tests/polyhedra/poly_fixture.h"
#include "tests/polyhedra/solid_checks.h"

// Refuses the heap after 0, step, 2 step ... allocations below `tries`.
inline void ExpectRefusedMemoryFailsOrLeavesWhole(int64_t shapeCode, int64_t tries, int64_t step) {
    int64_t failed = 0;
    for (int64_t after = 0; after < tries; after += step) {
        PolyPtr p = MakePoly();
        ASSERT_TRUE(p);
        SetRobustNewPtrFailures(1000000, after);
        SetUpReallyGeneralPolyhedron(p.get(), shapeCode, 7, 0, 0, nullptr, 1, 0.0f);
        SetRobustNewPtrFailures(0);
        if (p->status == kPolyStatusGood) {
            ASSERT_GT(p->faceCount3D, 0) << after;
            solid_checks::ExpectClosedAndOriented(p.get(), "after " + std::to_string(after));
        } else {
            EXPECT_EQ(p->faceCount3D, 0) << after;
            ++failed;
        }
    }
    EXPECT_GT(failed, 0);
}
