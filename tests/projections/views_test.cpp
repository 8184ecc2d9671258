// Lens, panorama, panel and disc-layout views through the dispatcher: every
// inside direction is a unit vector, the conformal views are conformal and
// the Lambert disc equal-area (numerical Jacobians), the edge cases of each
// family, the Panini view against its textbook formula and the multiview
// cells against PROJ's gnomonic projection.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "polyhedra/polyhedron.h"
#include "projections/disc_layouts.h"
#include "projections/dispatcher.h"
#include "projections/gores.h"
#include "projections/lens_views.h"
#include "projections/panel_layouts.h"
#include "projections/panorama_views.h"
#include "projections/view_steps.h"
#include "tests/projections/proj_check.h"
#include "tests/projections/road_fixture.h"

namespace {

struct ViewSample {
    double d[3];
    unsigned char miss;
    long panel;
    int32_t place;
    int64_t face;
};

// A context for the views: aspect 1, so the centred and box planes both run
// -0.5..0.5 across the frame; lens of 90°.
struct ViewRig : RoadRig {
    MirrorTable mirrors{};
    explicit ViewRig(long mode, float fov = 90.0f) : RoadRig(mode, 1, 1.0f) {
        vort& c = *context;
        c.fieldOfView = fov;
        c.lensWidth = float(2.0 * std::tan(double(fov) * M_PI / 360.0));
        c.halfLensWidth = float(2.0 * std::tan(double(fov) * M_PI / 720.0));
        c.goreCount = mode == 37 ? 24.0f : (mode == 1044 ? 18.0f : (mode == 63 ? 8.0f : 12.0f));
        c.shapeFactor = 1.3f;
        if (mode == 73) binary_search_for_parameter_from_distance(c.ellipsoidTable, 0, 0.0f, c.shapeFactor);
        if (mode == 74) binary_search_for_parameter_from_distance(c.ellipsoidTable, 1, 0.0f, c.shapeFactor);
        JitterMirrorTable(&mirrors, 21);
        c.mirrorTable = &mirrors;
    }
    ViewSample at(double u, double v) {
        float p[3] = {0.0f, 0.0f, 1.0f};
        ViewSample s{};
        long region = -1;
        fcomplex plane{0.0, 0.0};
        TransformationReply r = MakeTemplateReply();
        TransformationReply* rp = &r;
        renderhinttype* h = &hints;
        vort* c = context.get();
        h->placeOverride = -1;
        handle_non_poly_projections(h, p, c, region, s.miss, plane, rp, float(u), float(v));
        for (int i = 0; i < 3; ++i) s.d[i] = p[i];
        s.panel = region;
        s.place = r.place;
        s.face = h->placeOverride;
        return s;
    }
};

constexpr long kBuiltModes[] = {2,  3,  4,  15, 16, 17, 18, 19, 20, 22, 23,  24,  36,  37,  38,  39,  40,  43,
                                48, 49, 50, 52, 53, 56, 57, 58, 59, 61, 63,  69,  73,  74,  82,  84,  85,  88,
                                89, 120, 135, 136, 159, 160, 171, 255, 297, 298, 899, 900, 1044, 100335};

TEST(Views, EveryInsideDirectionIsAUnitVector) {
    // Modes that see a direction everywhere in the frame.
    const std::vector<long> neverOutside = {15, 16, 17, 24, 52, 56, 57, 58, 82, 85, 135, 136, 297, 298, 899, 100335};
    for (long mode : kBuiltModes) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        ViewRig rig(mode);
        const bool always = std::find(neverOutside.begin(), neverOutside.end(), mode) != neverOutside.end();
        int inside = 0, total = 0;
        for (int j = 0; j <= 150; ++j)
            for (int i = 0; i <= 150; ++i) {
                const double u = -0.02 + 1.04 * i / 150.0, v = -0.02 + 1.04 * j / 150.0;
                const ViewSample s = rig.at(u, v);
                ++total;
                if (s.miss) {
                    EXPECT_FALSE(always) << u << " " << v;
                    continue;
                }
                ++inside;
                if (s.place == -21) continue;  // a region colour, no direction
                const double n = std::sqrt(s.d[0] * s.d[0] + s.d[1] * s.d[1] + s.d[2] * s.d[2]);
                ASSERT_TRUE(std::isfinite(n)) << u << " " << v;
                ASSERT_NEAR(n, 1.0, 2e-5) << u << " " << v;
            }
        EXPECT_GT(inside, total / 20) << "hardly anything inside the frame";
    }
}

// Numerical Jacobian of the view at (u, v): the derivatives of the direction
// along u and v. False where the view is not smooth there (a seam, a panel
// border, the rim): the central differences at h and 2h disagree.
bool Jacobian(ViewRig& rig, double u, double v, double du[3], double dv[3]) {
    constexpr double h = 1e-3;
    double e[4][3], e2[4][3];
    const double offsets[4][2] = {{h, 0}, {-h, 0}, {0, h}, {0, -h}};
    const ViewSample c = rig.at(u, v);
    if (c.miss) return false;
    for (int k = 0; k < 4; ++k) {
        const ViewSample a = rig.at(u + offsets[k][0], v + offsets[k][1]);
        const ViewSample b = rig.at(u + 2 * offsets[k][0], v + 2 * offsets[k][1]);
        if (a.miss || b.miss || a.place != c.place || b.place != c.place) return false;
        for (int i = 0; i < 3; ++i) e[k][i] = a.d[i], e2[k][i] = b.d[i];
    }
    double worst = 0.0, scale = 0.0;
    for (int i = 0; i < 3; ++i) {
        du[i] = (e[0][i] - e[1][i]) / (2 * h);
        dv[i] = (e[2][i] - e[3][i]) / (2 * h);
        const double du2 = (e2[0][i] - e2[1][i]) / (4 * h), dv2 = (e2[2][i] - e2[3][i]) / (4 * h);
        worst = std::max({worst, std::fabs(du2 - du[i]), std::fabs(dv2 - dv[i])});
        scale = std::max({scale, std::fabs(du[i]), std::fabs(dv[i])});
    }
    return worst <= 0.01 * scale + 1e-4;
}

double Length(const double a[3]) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

TEST(Views, ConformalViewsKeepAnglesAndTheLambertDiscKeepsAreas) {
    for (long mode : {16L, 69L, 84L, 89L, 120L, 135L, 136L, 297L, 298L, 100335L, 900L}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        ViewRig rig(mode);
        if (mode == 120 || mode == 69 || mode == 84 || mode == 89) rig.context->inverseScale = 2.0;
        int checked = 0;
        for (int j = 1; j < 40; ++j)
            for (int i = 1; i < 40; ++i) {
                const double u = i / 40.0, v = j / 40.0;
                double du[3], dv[3];
                if (!Jacobian(rig, u, v, du, dv)) continue;
                const double a = Length(du), b = Length(dv);
                if (a < 1e-3 || b < 1e-3 || a > 1e3) continue;  // near a pole of the map
                ++checked;
                if (mode == 900) {
                    const double n[3] = {du[1] * dv[2] - du[2] * dv[1], du[2] * dv[0] - du[0] * dv[2],
                                         du[0] * dv[1] - du[1] * dv[0]};
                    EXPECT_NEAR(Length(n), 16.0, 0.032) << u << " " << v;
                } else {
                    EXPECT_NEAR(a / b, 1.0, 2e-3) << u << " " << v;
                    EXPECT_NEAR((du[0] * dv[0] + du[1] * dv[1] + du[2] * dv[2]) / (a * b), 0.0, 2e-3) << u << " " << v;
                }
            }
        EXPECT_GT(checked, 300);
    }
}

TEST(Views, LensEdgeCases) {
    ViewRig ball(2), lambert(900), zn(171), hyper(15), quasar(24);
    // Mirror ball: the rim is inside and sees -z; beyond it nothing.
    ViewSample s = ball.at(1.0, 0.5);
    EXPECT_EQ(s.miss, 0);
    EXPECT_NEAR(s.d[2], -1.0, 1e-6);
    EXPECT_EQ(ball.at(1.001, 0.5).miss, 1);
    EXPECT_NEAR(ball.at(0.5, 0.5).d[2], 1.0, 1e-7);
    // Lambert: the rim at radius 0.5 of the box, the antipode of the centre.
    s = lambert.at(0.5, 0.0);
    EXPECT_EQ(s.miss, 0);
    EXPECT_NEAR(s.d[2], -1.0, 1e-6);
    EXPECT_EQ(lambert.at(0.5, -0.001).miss, 1);
    EXPECT_EQ(lambert.at(0.86, 0.86).miss, 1);
    // Zenith and nadir in their 0.5-high band (frame 2:1): x = 0 belongs to
    // the zenith panel, y = ±0.25 is inside; the panels' centres look up and
    // down.
    ViewRig zenith(171);
    zenith.context->aspect = 0.5f;
    struct ZCase {
        double u, v;
        unsigned char miss;
        long panel;
        double dy;  // NaN: not checked
    } zcases[] = {{0.25, 0.5, 0, 1, 1.0}, {0.75, 0.5, 0, 2, -1.0}, {0.5, 0.5, 0, 1, NAN},
                  {0.25, 0.0, 0, 1, NAN}, {0.25, 1.0, 0, 1, NAN},  {0.25, 1.01, 1, -1, NAN},
                  {1.01, 0.5, 1, -1, NAN}};
    for (const ZCase& k : zcases) {
        const ViewSample z = zenith.at(k.u, k.v);
        EXPECT_EQ(z.miss, k.miss) << k.u << " " << k.v;
        EXPECT_EQ(z.panel, k.panel) << k.u << " " << k.v;
        if (k.miss) {
            EXPECT_EQ(z.place, kPlaceNoDirection);
        }
        if (!std::isnan(k.dy)) {
            EXPECT_NEAR(z.d[1], k.dy, 1e-6);
        }
    }
    // Hyperbolic and quasar: the centre looks along +z.
    EXPECT_NEAR(hyper.at(0.5, 0.5).d[2], 1.0, 1e-6);
    EXPECT_NEAR(quasar.at(0.5, 0.5).d[2], 1.0, 1e-6);
}

TEST(Views, PanoramaEdgeCases) {
    // Omnimax: the disc is flattened below its centre.
    ViewRig omni(43);
    double X = 0.0, Y = 0.6;  // inside the unit disc, outside the ellipse
    EXPECT_EQ(omni.at(0.5 + X / 2, 0.5 + Y / 2 + 0.135).miss, 1);
    EXPECT_EQ(omni.at(0.5, 0.5 + 0.135 + 0.2).miss, 0);
    EXPECT_EQ(omni.at(0.5 + 0.45, 0.5 + 0.135 - 0.05).miss, 0);
    (void)X;
    // Goggles: a stretched longitude beyond 0..1 is outside.
    ViewRig goggles(23);
    EXPECT_EQ(goggles.at(0.5, 0.5).miss, 0);
    EXPECT_EQ(goggles.at(0.02, 0.5).miss, 1);
    // unFish on its vertical centre line: h = 0 and k = sin(3yg)/3.
    ViewRig unfish(88);
    const double g = unfish.context->halfLensWidth;
    for (double y : {-0.2, 0.1, 0.25}) {
        float e[3];
        EquiStep(e, 0.5f, float(0.5 + std::sin(3 * y * g) / 3));
        const ViewSample s = unfish.at(0.5, 0.5 + y);
        ASSERT_EQ(s.miss, 0);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(s.d[i], e[i], 1e-6);
    }
    ViewRig wideFish(88, 300.0f);
    const double gw = wideFish.context->halfLensWidth;
    const double yOut = 0.51 * M_PI / (3 * gw), yIn = 0.49 * M_PI / (3 * gw);
    EXPECT_EQ(wideFish.at(0.5, 0.5 + yOut).miss, 1);
    EXPECT_EQ(wideFish.at(0.5, 0.5 + yIn).miss, 0);
    // Up and down: v = 0.5 is the lower half (-9); above and below: the upper
    // half (-9), its lower half -7.
    ViewRig ud(298), ab(297);
    EXPECT_EQ(ud.at(0.5, 0.5).place, -9);
    EXPECT_EQ(ud.at(0.5, 0.49).place, kPlaceNoRegion);
    EXPECT_EQ(ab.at(0.5, 0.5).place, -9);
    EXPECT_EQ(ab.at(0.5, 0.51).place, kPlaceNoRegion);
    // Semicircle: on or below the line y = 0.5 nothing.
    ViewRig semi(120);
    semi.context->inverseScale = 2.0;  // frame of x ±1, y ±0.5 at aspect 0.5
    semi.context->aspect = 0.5f;
    EXPECT_EQ(semi.at(0.5, 1.0).miss, 1);
    EXPECT_EQ(semi.at(0.3, 1.2).miss, 1);
    EXPECT_EQ(semi.at(0.5, 0.9).miss, 0);
    // Triptych: t = 1/3 and 2/3 belong to the middle panel, whose centre
    // looks along +z; the side panels look 120° away.
    ViewRig trip(57);
    trip.context->lensWidth = 1.0f;  // t = u
    const ViewSample mid = trip.at(0.5, 0.5), left = trip.at(1.0 / 6, 0.5), right = trip.at(5.0 / 6, 0.5);
    EXPECT_NEAR(mid.d[2], 1.0, 1e-6);
    EXPECT_NEAR(left.d[2], -0.5, 1e-5);
    EXPECT_NEAR(right.d[2], -0.5, 1e-5);
    EXPECT_NEAR(left.d[0], -right.d[0], 1e-5);
    for (double t : {1.0 / 3, 2.0 / 3}) {
        const ViewSample b = trip.at(t, 0.5);
        EXPECT_NEAR(std::atan(std::fabs(b.d[0] / b.d[2])), M_PI / 3, 1e-4) << "60° off the middle panel's axis";
        EXPECT_GT(b.d[2], 0.0);
    }
    // Three cylinders: the centre is inside whatever the tests say.
    ViewRig three(160);
    EXPECT_EQ(three.at(0.5, 0.5).miss, 0);
}

TEST(Views, PaniniFollowsTheTextbookFormula) {
    // Panini with d = 1: a direction of longitude λ on the cylinder and
    // elevation φ lands at (2 tan(λ/2), 2 tan φ / (1 + cos λ)) of the plane
    // that the lens factor scales.
    ViewRig panini(255, 120.0f);
    const double f = panini.context->lensWidth;
    for (double u = 0.05; u < 1.0; u += 0.1)
        for (double v = 0.05; v < 1.0; v += 0.1) {
            const ViewSample s = panini.at(u, v);
            ASSERT_EQ(s.miss, 0);
            const double lambda = std::atan2(s.d[0], s.d[2]);
            const double tanPhi = -s.d[1] / std::hypot(s.d[0], s.d[2]);
            EXPECT_NEAR(2 * std::tan(lambda / 2), -(u - 0.5) * f, 1e-5);
            EXPECT_NEAR(2 * tanPhi / (1 + std::cos(lambda)), (v - 0.5) * f, 1e-5);
        }
}

TEST(Views, GoreEdgeCases) {
    // Between two gores nothing; gores count from 1; "gores 6 of 12" keeps
    // gores 3 to 8 and "gores 3 of 12" gores 5 to 7, half a gore shifted.
    ViewRig twelve(36);
    const ViewSample first = twelve.at(1.0 / 24, 0.5);
    EXPECT_EQ(first.miss, 0);
    EXPECT_EQ(first.place, 1);
    EXPECT_EQ(first.panel, 1);
    EXPECT_EQ(twelve.at(1.0 / 12 - 0.001, 0.2).miss, 1);  // the gap near the poles
    EXPECT_EQ(twelve.at(23.0 / 24, 0.5).place, 12);
    // The middle row: A = 0 gives 5e-5, just south of the equator.
    EXPECT_NEAR(PolyconicLatitude(0.1, 0.0), 5e-5, 0.0);
    ViewRig six(53), three(61);
    std::vector<int> sixGores, threeGores;
    for (int i = 0; i < 200; ++i) {
        const double u = (i + 0.5) / 200;
        const ViewSample a = six.at(u, 0.5), b = three.at(u, 0.5);
        if (!a.miss && (sixGores.empty() || sixGores.back() != a.place)) sixGores.push_back(a.place);
        if (!b.miss && (threeGores.empty() || threeGores.back() != b.place)) threeGores.push_back(b.place);
    }
    EXPECT_EQ(sixGores, (std::vector<int>{4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(threeGores, (std::vector<int>{6, 7, 8}));
    // Near the poles Newton's step may find no latitude: outside, never NaN.
    ViewRig many(37);
    for (double v = 0.0; v <= 0.02; v += 0.0005)
        for (double u = 0.0; u <= 1.0; u += 0.01) {
            const ViewSample s = many.at(u, v);
            if (!s.miss) {
                ASSERT_TRUE(std::isfinite(s.d[0] + s.d[1] + s.d[2]));
            }
        }
}

TEST(Views, DiscLayoutEdgeCases) {
    // Stars: rho = 0.4 is the hub (any angle inside), rho = 1 outside.
    ViewRig star(48);
    const double y0 = 0.096;  // the star's centre, (2y - 0.192 = 0)
    for (double a : {0.3, 1.0, 2.0}) {
        const double x = 0.2 * std::sin(a), y = y0 + 0.2 * std::cos(a);
        EXPECT_EQ(star.at(0.5 + x, 0.5 + y).miss, 0) << a;
    }
    EXPECT_EQ(star.at(0.5, 0.5 + y0 - 0.5).miss, 1);    // the tip of arm 0, rho = 1
    EXPECT_EQ(star.at(0.5, 0.5 + y0 - 0.49).miss, 0);   // just inside it
    EXPECT_EQ(star.at(0.5 + 0.24, 0.5 + y0 - 0.3).miss, 1);  // between two arms
    // Annulus: θ = 0 nothing at all, θ = 180 the full disc.
    ViewRig closed(59, 0.0f), open(59, 180.0f);
    for (double r : {0.0, 0.2, 0.45}) {
        EXPECT_EQ(closed.at(0.5 + r, 0.5).miss, 1);
        EXPECT_EQ(open.at(0.5 + r, 0.5).miss, 0);
    }
    // Loop: beyond the inner circle inside, with the region colour -21.
    ViewRig loop(39);
    const ViewSample inner = loop.at(0.5, 0.5 - 0.25);  // the circle X² + Y² + Y < 0
    EXPECT_EQ(inner.miss, 0);
    EXPECT_EQ(inner.place, -21);
    EXPECT_EQ(loop.at(0.5 + 0.3, 0.5 - 0.2).place, kPlaceNoRegion);
    EXPECT_EQ(loop.at(0.99, 0.99).miss, 1);
    // Polar (azimuthal equidistant): the rim sees -z.
    ViewRig polar(3);
    EXPECT_NEAR(polar.at(1.0, 0.5).d[2], -1.0, 1e-6);
}

TEST(Views, KaleidoscopeFollowsItsSeed) {
    MirrorTable fresh{}, again{}, other{};
    EXPECT_EQ(fresh.drawn, 0);
    JitterMirrorTable(&fresh, 21);  // a cleared table is drawn
    EXPECT_EQ(fresh.drawn, 1);
    bool anyNonZero = false;
    for (int i = 0; i < kMirrorCount; ++i)
        for (int k = 0; k < 2; ++k) {
            anyNonZero |= fresh.a[i][k] != 0.0;
            EXPECT_GE(fresh.a[i][k], -6.4);
            EXPECT_LE(fresh.b[i][k], 6.3875);
        }
    EXPECT_TRUE(anyNonZero);
    JitterMirrorTable(&again, 21);
    JitterMirrorTable(&other, 22);
    EXPECT_EQ(std::memcmp(fresh.a, again.a, sizeof fresh.a), 0);
    EXPECT_EQ(std::memcmp(fresh.b, again.b, sizeof fresh.b), 0);
    EXPECT_NE(std::memcmp(fresh.a, other.a, sizeof fresh.a), 0);
    // Drawn for 22, back to 21: the first kaleidoscope again.
    JitterMirrorTable(&other, 21);
    EXPECT_EQ(std::memcmp(fresh.a, other.a, sizeof fresh.a), 0);
    // A mirror whose ends coincide reflects nothing (no 0/0).
    MirrorTable degenerate{};
    degenerate.drawn = 1;
    float p[3];
    unsigned char miss = 1;
    TransformationReply r = MakeTemplateReply();
    DoMirrors(p, &miss, &r, &degenerate, 1.5, -2.0);
    EXPECT_EQ(miss, 0);
    float e[3];
    EquiStep(e, 0.15f, -0.2f);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(p[i], e[i]);
}

// The multiview cells on a cube's record: each cell is a rectilinear view
// centred on its face; PROJ's gnomonic projection about that face's centre
// sees a square grid of the field of view.
TEST(Views, MultiviewCellsAreGnomonicAboutTheirFaces) {
    auto cube = std::make_unique<polyhedron>();
    const triplex normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    cube->faceCount3D = 5;  // one cell of the 3 x 2 grid stays empty
    for (int k = 0; k < 6; ++k) cube->face3D[k].normal = normals[k];
    ViewRig rig(75);
    vort* c = rig.context.get();
    c->viewColumns = 3;
    c->viewRows = 2;
    const double f = c->lensWidth;
    auto sample = [&](double X, double Y, ViewSample* s) {
        float p[3] = {0, 0, 1};
        TransformationReply r = MakeTemplateReply();
        DoMultiviews(c, cube.get(), &s->miss, p, &s->panel, &r, X, Y);
        for (int i = 0; i < 3; ++i) s->d[i] = p[i];
        s->place = r.place;
    };
    for (int cell = 0; cell < 5; ++cell) {
        SCOPED_TRACE(testing::Message() << "cell " << cell);
        const int i = cell / 2, j = cell % 2;
        const double cx = i + 0.5 - 1.5, cy = j + 0.5 - 1.0;
        ViewSample centre{};
        sample(cx, cy, &centre);
        ASSERT_EQ(centre.miss, 0);
        EXPECT_EQ(centre.panel, cell);
        EXPECT_EQ(centre.place, cell);
        const triplex& n = normals[cell];
        EXPECT_NEAR(centre.d[0], n.x, 1e-6);
        EXPECT_NEAR(centre.d[1], n.y, 1e-6);
        EXPECT_NEAR(centre.d[2], n.z, 1e-6);
        double lon0, lat0;
        LonLatOf(centre.d, &lon0, &lat0);
        char def[160];
        std::snprintf(def, sizeof def, "+proj=gnom +R=1 +lat_0=%.17g +lon_0=%.17g", lat0 * 180 / M_PI,
                      lon0 * 180 / M_PI);
        ProjForward gnom(def);
        ASSERT_TRUE(gnom.ok());
        // The cell's offsets (a, 0), (0, a), (a, a) become plane vectors of
        // length f·a at right angles, and the diagonal is their sum.
        const double a = 0.3;
        double P[3][2];
        const double offsets[3][2] = {{a, 0}, {0, a}, {a, a}};
        for (int k = 0; k < 3; ++k) {
            ViewSample s{};
            sample(cx + offsets[k][0], cy + offsets[k][1], &s);
            ASSERT_EQ(s.miss, 0);
            double lon, lat;
            LonLatOf(s.d, &lon, &lat);
            ASSERT_TRUE(gnom(lon, lat, &P[k][0], &P[k][1]));
        }
        EXPECT_NEAR(std::hypot(P[0][0], P[0][1]), f * a, 1e-5);
        EXPECT_NEAR(std::hypot(P[1][0], P[1][1]), f * a, 1e-5);
        EXPECT_NEAR(P[0][0] * P[1][0] + P[0][1] * P[1][1], 0.0, 1e-5);
        EXPECT_NEAR(P[2][0], P[0][0] + P[1][0], 1e-5);
        EXPECT_NEAR(P[2][1], P[0][1] + P[1][1], 1e-5);
    }
    // Cell borders belong to the cell to the right or below; the outer frame
    // and the cell beyond the last face are outside.
    ViewSample s{};
    sample(-0.5, -0.25, &s);
    EXPECT_EQ(s.panel, 2);
    sample(-1.0, 0.0, &s);
    EXPECT_EQ(s.panel, 1);
    sample(-1.5, -0.5, &s);
    EXPECT_EQ(s.miss, 1);
    sample(1.5, 0.5, &s);
    EXPECT_EQ(s.miss, 1);
    sample(1.0, 0.5, &s);  // cell 5: the solid has five faces
    EXPECT_EQ(s.miss, 1);
    EXPECT_EQ(s.panel, -1);
}

}  // namespace
