// Exportation cramming: the unit and piece count by output mode, one piece
// per fragment or face, every piece turned and scaled into the common frame,
// and for convex faces the narrowest width any turn gives.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "polyhedra/polyhedron_params.h"
#include "records/work_area.h"
#include "nets/net_layout.h"
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

// Every triangle of each piece, in the net rebuilt turned by the piece's
// angle (as its page draws it) and scaled as planned, lies in the frame
// 1 x ratio centred on the origin; every net triangle is in exactly one piece.
void CheckFrame(int64_t mode, int64_t setupMode, const CrammingBuild& build, const TStorage1& area, int64_t pieces,
                int64_t unit, float ratio) {
    const double s = area.crammingScale;
    PolyPtr p(NewPolyhedron(build.netSettingA, build.netSettingB));
    ASSERT_TRUE(p);
    std::vector<int> owners;
    for (int64_t i = 0; i < pieces; ++i) {
        HooBoyPolySetup(mode, p.get(), 0, setupMode, 0, nullptr, 1, build.netSettingA, build.netSettingB,
                        area.crammingAngle[i]);
        owners.resize(size_t(p->netTriangleCount), 0);
        for (int64_t t = 0; t < p->netTriangleCount; ++t) {
            if (!canUseTriangleForExportingFeatureWithSelector(p.get(), t, i, unit)) continue;
            ++owners[size_t(t)];
            for (const auto& q : TrianglePoints(p.get(), t)) {
                const double x = (q.first - area.crammingX[i]) * s;
                const double y = (q.second - area.crammingY[i]) * s;
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
    CheckFrame(9, 1, build, *area, count, kExportFragments, ratio);
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
        CheckFrame(9, 3, build, *area, 12, kExportSingleFaces, ratio);
        if (tabs > 0) continue;
        // Convex faces without tabs: no turn makes them narrower in the net
        // rebuilt with that turn (brute force). A turned net is fitted into
        // its box anew: widths are in the units of that fit.
        std::vector<std::array<double, 2>> used;
        for (int64_t v = 0; v < kMax2DVertices; ++v)
            if (p->netVertexUsed[v]) used.push_back({p->coords2D[v][0], p->coords2D[v][1]});
        const auto* points = reinterpret_cast<const double(*)[2]>(used.data());
        auto width = [&](int64_t i, double a) {
            NetFit fit{};
            EXPECT_TRUE(FitNetPoints(p.get(), points, int64_t(used.size()), float(a), &fit));
            double lo = 1e300, hi = -1e300;
            for (int64_t k = 0; k < p->netFace[i].count; ++k) {
                const int64_t v = p->netFace[i].vertex[k];
                const double x = std::cos(a) * p->coords2D[v][0] - std::sin(a) * p->coords2D[v][1];
                lo = std::min(lo, x), hi = std::max(hi, x);
            }
            return (hi - lo) * fit.scale;
        };
        double widest = 0;
        for (int64_t i = 0; i < 12; ++i) {
            double best = 1e300;
            for (int step = 0; step < 4000; ++step) best = std::min(best, width(i, 2 * M_PI * step / 4000));
            widest = std::max(widest, best);
            // Only edge headings are candidates: the best of them is within
            // the brute force's step of the best turn, or better.
            EXPECT_LE(width(i, area->crammingAngle[i]), best + 2e-3) << "face " << i;
        }
        EXPECT_NEAR(1.0 / area->crammingScale, widest, 2e-3);
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
