// Exportation cramming: the unit and piece count by output mode, one piece
// per fragment or face, every piece turned and scaled into the common frame,
// and for convex faces the narrowest width any turn gives.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "polyhedra/polyhedron_params.h"
#include "records/work_area.h"
#include "solids/cramming.h"
#include "tests/nets/hand_net.h"

namespace {

int64_t FirstExportable(std::initializer_list<std::pair<int64_t, int64_t>> ranges) {
    for (const auto& [lo, hi] : ranges)
        for (int64_t m = lo; m <= hi; ++m)
            if (IsExportablePolyhedron(m)) return m;
    return -1;
}

TEST(Cramming, UnitAndPieceCountByMode) {
    const int64_t faceMode = FirstExportable({{177, 198}, {422, 545}, {403, 408}, {174, 174}, {292, 293}});
    const int64_t wholeMode = FirstExportable({{253, 253}, {263, 263}, {277, 277}, {169, 170}});
    ASSERT_GE(faceMode, 0);
    ASSERT_GE(wholeMode, 0);
    struct Case {
        const char* name;
        int64_t mode, fragments;
        int64_t unit, count;
    } cases[] = {
        {"no exportable solid", 21, 3, kExportWholeNet, 1},
        {"no fragments: one piece per face", 9, 0, kExportSingleFaces, 12},
        {"one fragment", 9, 1, kExportFragments, 1},
        {"three fragments", 9, 3, kExportFragments, 3},
        {"a single-face mode", faceMode, 3, kExportSingleFaces, 12},
        {"a whole-net mode", wholeMode, 3, kExportWholeNet, 1},
    };
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    for (const Case& c : cases) {
        p->outputMode = c.mode;
        p->fragmentCount = c.fragments;
        p->faceCount3D = 12;
        int64_t count = -5;
        EXPECT_EQ(exportationUnitOfPoly(p.get(), &count), c.unit) << c.name;
        EXPECT_EQ(count, c.count) << c.name;
    }
}

// Every triangle of each piece, turned and scaled as planned, lies in the
// frame 1 x ratio centred on the origin; every net triangle is in exactly
// one piece.
void CheckFrame(const polyhedron* p, const TStorage1& area, int64_t pieces, int64_t unit, float ratio) {
    const double s = area.crammingScale;
    std::vector<int> owners(size_t(p->netTriangleCount), 0);
    for (int64_t i = 0; i < pieces; ++i) {
        const double c = std::cos(area.crammingAngle[i]), sn = std::sin(area.crammingAngle[i]);
        for (int64_t t = 0; t < p->netTriangleCount; ++t) {
            if (!canUseTriangleForExportingFeatureWithSelector(p, t, i, unit)) continue;
            ++owners[size_t(t)];
            for (const auto& q : TrianglePoints(p, t)) {
                const double x = (c * q.first - sn * q.second - area.crammingX[i]) * s;
                const double y = (sn * q.first + c * q.second - area.crammingY[i]) * s;
                EXPECT_LE(std::fabs(x), 0.5 + 1e-5) << "piece " << i;
                EXPECT_LE(std::fabs(y), ratio / 2 + 1e-5) << "piece " << i;
            }
        }
    }
    for (size_t t = 0; t < owners.size(); ++t) EXPECT_EQ(owners[t], 1) << "triangle " << t;
}

TEST(Cramming, FragmentsOfAGrownNetFitTheFrame) {
    auto area = std::make_unique<TStorage1>();
    PolyPtr p(NewPolyhedron(1.0f, 0.165f));
    ASSERT_TRUE(p);
    const CrammingBuild build{0, nullptr, 1, 1.0f, 0.165f};
    const float ratio = PlanCrammingForExportation(area.get(), 9, kCrammingPieces, build, p.get());
    int64_t count = 0;
    ASSERT_EQ(exportationUnitOfPoly(p.get(), &count), kExportFragments);
    ASSERT_EQ(count, p->fragmentCount);
    EXPECT_GT(ratio, 0);
    for (int64_t i = 0; i < count; ++i) EXPECT_EQ(area->crammingAngle[i], 0.0f);
    EXPECT_EQ(area->crammingAngle[count], kCrammingUnmeasured);
    CheckFrame(p.get(), *area, count, kExportFragments, ratio);
}

TEST(Cramming, SingleFacesTakeTheirNarrowestTurn) {
    auto area = std::make_unique<TStorage1>();
    for (float tabs : {0.0f, 0.165f}) {
        SCOPED_TRACE(tabs);
        PolyPtr p(NewPolyhedron(1.0f, tabs));
        ASSERT_TRUE(p);
        const CrammingBuild build{0, nullptr, 1, 1.0f, tabs};
        const float ratio = PlanCrammingForExportation_core_faces(area.get(), 9, 12, build, p.get());
        ASSERT_EQ(p->netFaceCount, 12);
        EXPECT_GT(ratio, 0);
        // Each face alone, with its tabs: the page of kind 3 holds every triangle once.
        CheckFrame(p.get(), *area, 12, kExportSingleFaces, ratio);
        if (tabs > 0) continue;
        // Convex faces without tabs: no turn makes them narrower (brute force).
        double widest = 0;
        for (int64_t i = 0; i < 12; ++i) {
            double best = 1e300;
            for (int step = 0; step < 20000; ++step) {
                const double a = M_PI * step / 20000;
                double lo = 1e300, hi = -1e300;
                for (int64_t k = 0; k < p->netFace[i].count; ++k) {
                    const int64_t v = p->netFace[i].vertex[k];
                    const double x = std::cos(a) * p->coords2D[v][0] - std::sin(a) * p->coords2D[v][1];
                    lo = std::min(lo, x), hi = std::max(hi, x);
                }
                best = std::min(best, hi - lo);
            }
            widest = std::max(widest, best);
            double lo = 1e300, hi = -1e300;
            const double a = area->crammingAngle[i];
            for (int64_t k = 0; k < p->netFace[i].count; ++k) {
                const int64_t v = p->netFace[i].vertex[k];
                const double x = std::cos(a) * p->coords2D[v][0] - std::sin(a) * p->coords2D[v][1];
                lo = std::min(lo, x), hi = std::max(hi, x);
            }
            EXPECT_NEAR(hi - lo, best, 2e-5) << "face " << i;  // the brute force steps by 1.6e-4
        }
        EXPECT_NEAR(1.0 / area->crammingScale, widest, 1e-5);
    }
}

TEST(Cramming, TurningTheBuiltNetPlansAsRebuildingItWould) {
    auto area = std::make_unique<TStorage1>();
    PolyPtr p(NewPolyhedron(1.0f, 0.165f));
    PolyPtr q(NewPolyhedron(1.0f, 0.165f));
    ASSERT_TRUE(p && q);
    const CrammingBuild build{0, nullptr, 1, 1.0f, 0.165f};
    PlanCrammingForExportation_core_faces(area.get(), 7, 6, build, p.get());
    for (int64_t i = 0; i < 6; ++i) {
        HooBoyPolySetup(7, q.get(), 0, 3, 0, nullptr, 1, 1.0f, 0.165f, area->crammingAngle[i]);
        double minX, maxX, minY, maxY;
        Find2DBoundingBoxSpecial(q.get(), &minX, &maxX, &minY, &maxY, i, kExportSingleFaces);
        EXPECT_NEAR((minX + maxX) / 2, area->crammingX[i], 1e-5) << i;
        EXPECT_NEAR((minY + maxY) / 2, area->crammingY[i], 1e-5) << i;
    }
}

TEST(Cramming, NoWidthGivesScaleOneAndRatioZero) {
    auto area = std::make_unique<TStorage1>();
    PolyPtr p = MakeEmptyNet();
    ASSERT_TRUE(p);
    double box[4];
    Find2DBoundingBoxSpecial(p.get(), &box[0], &box[1], &box[2], &box[3], 0, kExportSingleFaces);
    for (double b : box) EXPECT_EQ(b, -1);
    // A mode without a solid builds nothing: no piece has width.
    const CrammingBuild build{0, nullptr, 1, 1.0f, 0.0f};
    EXPECT_EQ(PlanCrammingForExportation_core_faces(area.get(), 1, 3, build, p.get()), 0.0f);
    EXPECT_EQ(area->crammingScale, 1.0f);
    EXPECT_EQ(area->crammingX[0], kCrammingUnmeasured);
}

}  // namespace
