// The dispatcher's world-map rows hand each projection exactly the plane
// convention and constants of its row: checked against direct calls at a few
// positions, with a plane centre and scale that are not trivial.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "projections/caches.h"
#include "projections/dispatcher.h"
#include "projections/gores.h"
#include "projections/interrupted_maps.h"
#include "projections/power_maps.h"
#include "projections/square_world_maps.h"
#include "projections/stereographic.h"
#include "projections/world_map_projections.h"
#include "projections/world_maps.h"
#include "tests/projections/road_fixture.h"

namespace {

struct Direct {
    float p[3];
    unsigned char miss;
};

// The plane values of the row conventions.
struct Plane {
    double X, Y, Cy, Xb, Yb, S, A, u, v;
};

using Call = std::function<Direct(const Plane&, vort*)>;

struct Row {
    long mode;
    Call call;
};

Direct D(std::function<void(float*, unsigned char*)> f) {
    Direct d{{0, 0, 1}, 0};
    f(d.p, &d.miss);
    return d;
}

TEST(WorldMapRows, EachRowPassesItsArguments) {
    ProjectionCacheStore* store = NewProjectionCacheStore();
    ASSERT_TRUE(PrefillProjectionCachesForMode(store, 90));
    ASSERT_TRUE(PrefillProjectionCachesForMode(store, 83));
    PyramidDescriptor* peirce = ProjectionCache(store, kCacheTagPeirce);
    PyramidDescriptor* cube = ProjectionCache(store, kCacheTagSphereCube);
    const double k4 = 5.656854249492384;
    TransformationReply scratch = MakeTemplateReply();
    const Row rows[] = {
        {11, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { DoHammer(m, p, k4 * q.X, k4 * q.Y); }); }},
        {12, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { DoWerner(m, p, q.X, q.Y); }); }},
        {13, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { TotalSinusoidal(p, m, q.X, q.Y, -M_PI, M_PI, 0); }); }},
        {35, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { TotalWinkel(p, m, q.X, q.Y); }); }},
        {46, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { TotalMollweide(p, m, nullptr, k4 * q.X, k4 * q.Y, -M_PI, M_PI, 0); }); }},
        {67, [&](const Plane& q, vort* c) { return D([&](float* p, unsigned char*) { DoMercAndHyper(p, 67, float(q.X), float(q.Y), c->lensWidth); }); }},
        {80, [&](const Plane& q, vort* c) { return D([&](float* p, unsigned char* m) { *m = 1; TotalRobinson(p, m, c->ellipsoidTable, q.X, q.Y, -M_PI, M_PI, 0); }); }},
        {83, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { GetThornView(4, 4, p, m, cube, 0, 1, float(q.X), float(q.Y)); }); }},
        {87, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { GetThornView(4, 4, p, m, cube, 1, 1, float(q.X), float(q.Y)); }); }},
        {91, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { triplex t{}; TotalAdams(m, &t, peirce, 2, nullptr, q.X, q.Y); p[0] = float(t.x), p[1] = float(t.y), p[2] = float(t.z); }); }},
        {99, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { long r; TotalGuyou(m, p, peirce, &r, nullptr, q.X, q.Y); }); }},
        {118, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) {
             long r;
             TotalGuyou(m, p, peirce, &r, nullptr, q.X < 0 ? q.X + 1 : q.X - 1, q.Y);
             SubstituteSphereSegment(p, m, 2.0);
             const float x = p[0], z = p[2];
             if (q.X < 0) p[0] = z, p[2] = -x; else p[0] = -z, p[2] = x;
         }); }},
        {288, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { GetQevFoldingSphere(p, m, &scratch, float(q.X), float(q.Y), 12.0f, 1.0f); }); }},
        {301, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { GetQevDiscSphere(p, m, &scratch, 1, float(q.Xb), float(q.Yb), 12.0f, 1.25f); }); }},
        {343, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { TotalArmadillo(p, m, &scratch, q.X, q.Y + q.Cy, -1.0); }); }},
        {346, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { TotalBonne(p, m, q.X, q.Y + q.Cy); }); }},
        {348, [&](const Plane& q, vort* c) { return D([&](float* p, unsigned char* m) { TotalVerticalPerspective(p, m, &scratch, q.X, q.Y + q.Cy, c->fieldOfView); }); }},
        {350, [&](const Plane& q, vort* c) { return D([&](float* p, unsigned char* m) { TotalTangent(p, m, &scratch, (q.u - 0.5) / q.A, q.v, c->fieldOfView); }); }},
        {357, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { TotalSinuMollweide(p, m, 0, q.X, q.Y); }); }},
        {365, [&](const Plane& q, vort* c) { return D([&](float* p, unsigned char* m) { TotalRaiszEllipsoid(p, m, &scratch, c->ellipsoidTable, q.X, q.Y + q.Cy, 1, 1, 4.0 / 3.0, -0.34202014332); }); }},
        {362, [&](const Plane& q, vort* c) { return D([&](float* p, unsigned char* m) { TotalRaiszEllipsoid(p, m, &scratch, c->ellipsoidTable, q.X, q.Y + q.Cy, 1, 1, 0.66, 0.2588190451); }); }},
        {397, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { TotalStrebe1995(p, m, nullptr, q.X, q.Y); }); }},
        {399, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { TotalHillEucyclic(p, m, q.X, q.S * (q.v - 0.5) * q.A + 0.0155); }); }},
        {400, [&](const Plane& q, vort* c) { return D([&](float* p, unsigned char* m) { TotalRetroazimuthal(p, m, 1, &scratch, q.X, q.Y, c->latitudeSetting * M_PI / 180); }); }},
        {415, [&](const Plane& q, vort* c) { return D([&](float* p, unsigned char* m) { TotalRobinsonInterrupted(p, m, c->ellipsoidTable, q.X, q.Y); }); }},
        {546, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { Totalvandergrinten1(p, m, q.X, q.Y); }); }},
        {1042, [&](const Plane& q, vort*) { return D([&](float* p, unsigned char* m) { TotalCardioid(p, m, q.X, q.Y); }); }},
    };
    for (const Row& row : rows) {
        RoadRig rig(row.mode, 1, 0.75f);
        vort* c = rig.context.get();
        c->inverseScale = 2.3;
        c->planeCentreX = 0.07;
        c->planeCentreY = -0.05;
        c->boxHeight = 0.75;
        c->projectionCaches = store;
        c->fieldOfView = 70.0f;
        c->lensWidth = 2.0f * std::tan(35.0f * float(M_PI) / 180.0f);
        c->goreCount = 12.0f;
        c->tabsSetting = 25.0f;
        c->latitudeSetting = 30.0f;
        c->viewColumns = c->viewRows = 4;
        int inside = 0;
        for (float u = 0.1f; u < 1.0f; u += 0.2f)
            for (float v = 0.1f; v < 1.0f; v += 0.2f) {
                const OutputPlane op = OutputPlaneOf(c, u, v);
                const Plane q{op.X, op.Y, c->planeCentreY, op.Xb, op.Yb, c->inverseScale, c->aspect, u, v};
                const Direct want = row.call(q, c);
                float p[3] = {0, 0, 1};
                unsigned char miss = 0;
                long region = -1;
                fcomplex plane{0, 0};
                TransformationReply r = MakeTemplateReply();
                renderhinttype* h = &rig.hints;
                TransformationReply* rp = &r;
                handle_non_poly_projections(h, p, c, region, miss, plane, rp, u, v);
                EXPECT_EQ(miss, want.miss) << row.mode << " " << u << " " << v;
                if (miss || want.miss) continue;
                ++inside;
                // Strebe 1995 starts each solve from the task's last answer:
                // the same point within the solve's tolerance.
                const double tolerance = row.mode == 397 ? 1e-4 : 1e-6;
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(p[k], want.p[k], tolerance) << row.mode << " " << u << " " << v;
            }
        EXPECT_GT(inside, 0) << row.mode;
    }
    DisposeProjectionCacheStore(&store);
}

}  // namespace
