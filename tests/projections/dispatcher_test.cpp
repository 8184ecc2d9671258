// The inline output projections against their textbook formulas, the plane
// conventions, and output -> sphere -> output identities through the
// matching input modes.
#include "projections/dispatcher.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "projections/disc_layouts.h"
#include "projections/power_maps.h"
#include "projections/projection_families.h"
#include "projections/stereographic.h"
#include "projections/sphere_to_input.h"
#include "records/output_modes.h"
#include "tests/projections/road_fixture.h"

namespace {

struct Shot {
    float p[3];
    unsigned char miss;
    long region;
    fcomplex plane;
    TransformationReply reply;
};

Shot Dispatch(RoadRig& rig, float u, float v, float seed = 7.0f) {
    Shot s{{seed, seed, seed}, 0, -1, {-9, -9}, MakeTemplateReply()};
    renderhinttype* h = &rig.hints;
    vort* c = rig.context.get();
    TransformationReply* r = &s.reply;
    handle_non_poly_projections(h, s.p, c, s.region, s.miss, s.plane, r, u, v);
    return s;
}

// Longitude east and latitude north of a direction (seen from inside).
void LonLat(const float p[3], double* lon, double* lat) {
    *lon = -std::atan2(p[0], p[2]);
    *lat = std::asin(std::fmax(-1.0, std::fmin(1.0, double(p[1]))));
}

TEST(Dispatcher, EquirectangularFillsAWideFrame) {
    RoadRig rig(1, 1, 0.5f);
    for (float u = 0.0f; u <= 1.0f; u += 0.125f)
        for (float v = 0.0625f; v <= 1.0f; v += 0.125f) {
            Shot s = Dispatch(rig, u, v);
            ASSERT_EQ(s.miss, 0);
            double lon, lat;
            LonLat(s.p, &lon, &lat);
            if (u > 0.0f && u < 1.0f) {
                EXPECT_NEAR(lon, (u - 0.5) * 2 * M_PI, 2e-5) << u;
            }
            EXPECT_NEAR(lat, (0.5 - v) * M_PI, 2e-5);
            EXPECT_FLOAT_EQ(s.reply.sampleAux, v);
        }
}

TEST(Dispatcher, EquirectangularInASquareFrameMissesTopAndBottomQuarters) {
    RoadRig rig(1, 1, 1.0f);
    EXPECT_EQ(Dispatch(rig, 0.5f, 0.1f).miss, 1);
    EXPECT_EQ(Dispatch(rig, 0.5f, 0.9f).miss, 1);
    EXPECT_EQ(Dispatch(rig, 0.5f, 0.3f).miss, 0);
    // A miss leaves the caller's direction as it was.
    Shot m = Dispatch(rig, 0.5f, 0.1f, 3.0f);
    EXPECT_EQ(m.p[0], 3.0f);
    // Zoomed out by two, the map is half as wide.
    rig.context->inverseScale = 2.0;
    EXPECT_EQ(Dispatch(rig, 0.2f, 0.5f).miss, 1);
    Shot s = Dispatch(rig, 0.6f, 0.5f);
    double lon, lat;
    LonLat(s.p, &lon, &lat);
    EXPECT_NEAR(lon, 0.2 * 2 * M_PI, 1e-5);
}

TEST(Dispatcher, OrthographicUsesTheBoxPlane) {
    RoadRig rig(5, 1, 1.0f);
    rig.context->planeCentreX = 0.1;
    Shot s = Dispatch(rig, 0.6f, 0.45f);
    // Xb = (u - 0.5) S + Cx, Yb = (v - 0.5) H S + Cy; x = -2 Xb, y = -2 Yb.
    EXPECT_NEAR(s.plane.re, 0.2, 1e-7);
    EXPECT_NEAR(s.plane.im, -0.05, 1e-7);
    EXPECT_NEAR(s.p[0], -0.4f, 1e-6);
    EXPECT_NEAR(s.p[1], 0.1f, 1e-6);
    EXPECT_NEAR(s.p[2], std::sqrt(1 - 0.16 - 0.01), 1e-6);
    EXPECT_EQ(s.miss, 0);
    EXPECT_EQ(s.reply.surfaceNormal[0], s.p[0]);
    EXPECT_EQ(s.reply.surfaceNormal[2], s.p[2]);
    // Textbook orthographic: x = cos(lat) sin(lon), y = sin(lat), scaled to
    // the disc of diameter 1.
    double lon, lat;
    LonLat(s.p, &lon, &lat);
    EXPECT_NEAR(0.5 * std::cos(lat) * std::sin(lon), 0.2, 1e-6);
    EXPECT_NEAR(0.5 * std::sin(lat), 0.05, 1e-6);
    // The corners lie off the globe: x, y hold the plane values, z is kept.
    rig.context->planeCentreX = 0.0;
    Shot c = Dispatch(rig, 0.02f, 0.02f, 5.0f);
    EXPECT_EQ(c.miss, 1);
    EXPECT_NEAR(c.p[0], 0.96f, 1e-6);
    EXPECT_NEAR(c.p[1], 0.96f, 1e-6);
    EXPECT_EQ(c.p[2], 5.0f);
    for (long mode : {134L, 139L, 143L}) {
        rig.context->outputMode = mode;
        EXPECT_EQ(Dispatch(rig, 0.5f, 0.5f).miss, 0) << mode;
    }
}

TEST(Dispatcher, MercatorIgnoresZoomAndFollowsTheTextbook) {
    RoadRig rig(62, 1, 1.0f);
    for (float v : {0.1f, 0.3f, 0.5f, 0.8f}) {
        Shot a = Dispatch(rig, 0.3f, v);
        rig.context->inverseScale = 3.0;
        rig.context->planeCentreX = 0.2;
        Shot b = Dispatch(rig, 0.3f, v);
        rig.context->inverseScale = 1.0;
        rig.context->planeCentreX = 0.0;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(a.p[i], b.p[i]);
        double lon, lat;
        LonLat(a.p, &lon, &lat);
        // Frame 360 degrees wide: y = ln tan(pi/4 + lat/2) = 2 pi A (0.5 - v).
        EXPECT_NEAR(std::log(std::tan(M_PI / 4 + lat / 2)), 2 * M_PI * (0.5 - v), 2e-4) << v;
        EXPECT_NEAR(lon, (0.3 - 0.5) * 2 * M_PI, 1e-5);
    }
}

TEST(Dispatcher, EquiTallAndEqualAreaCylinder) {
    RoadRig tall(81, 1, 3.0f);
    Shot t = Dispatch(tall, 0.25f, 0.25f);
    double lon, lat;
    LonLat(t.p, &lon, &lat);
    EXPECT_NEAR(lon, -M_PI / 2, 1e-5);
    EXPECT_NEAR(lat, M_PI / 4, 1e-5);
    RoadRig ea(138, 1, 0.5f);
    for (float v : {0.05f, 0.3f, 0.5f, 0.9f}) {
        Shot s = Dispatch(ea, 0.75f, v);
        LonLat(s.p, &lon, &lat);
        EXPECT_NEAR(std::sin(lat), 2 * (0.5 - v), 1e-5);  // Lambert: y = sin(lat)
        EXPECT_NEAR(lon, M_PI / 2, 1e-5);
    }
    // Beyond the frame there is no latitude: a miss, never a NaN.
    Shot out = Dispatch(ea, 0.5f, 1.1f);
    EXPECT_EQ(out.miss, 1);
}

TEST(Dispatcher, OutputToSphereToOutputIsTheIdentity) {
    struct Pair {
        long out, in;
        float aspect;
    } pairs[] = {{1, 1, 0.5f},   {81, 1, 0.5f},  {299, 1, 0.5f},
                 {5, 4, 1.0f},   {138, 24, 0.5f}, {62, 20, 1.0f},
                 {2, 2, 1.0f},   {3, 3, 1.0f}};  // mirror ball, polar: zero twirl, matching frames
    for (const Pair& pr : pairs) {
        RoadRig rig(pr.out, pr.in, pr.aspect);
        InverseTables tables;
        MarkInverseTablesUnbuilt(&tables);
        for (float u = 0.05f; u < 1.0f; u += 0.1f)
            for (float v = 0.05f; v < 1.0f; v += 0.1f) {
                Shot s = Dispatch(rig, u, v);
                if (s.miss) continue;
                float iu, iv, aux;
                unsigned char outside;
                int face, kind;
                TransformSphereToInput(pr.in, 0, s.p, &iu, &iv, &outside, tables.mollweide, &face,
                                       &kind, &aux, nullptr, nullptr, pr.aspect);
                ASSERT_EQ(outside, 0);
                EXPECT_NEAR(iu, u, 5e-5) << pr.out << " " << u << " " << v;
                EXPECT_NEAR(iv, v, 5e-5) << pr.out << " " << u << " " << v;
            }
    }
}

TEST(Dispatcher, ModesWithoutAProjectionYetMissWithADefinedDirection) {
    for (long mode : {51L, 130L, 383L, 384L}) {
        RoadRig rig(mode, 1);
        Shot s = Dispatch(rig, 0.4f, 0.6f);
        EXPECT_EQ(s.miss, 1) << mode;
        EXPECT_EQ(s.p[0], 0.0f);
        EXPECT_EQ(s.p[2], 1.0f);
    }
    // Codes with no projection of their own fall through untouched.
    for (long mode : {7L, 1043L, 1045L, 45L}) {
        RoadRig rig(mode, 1);
        Shot s = Dispatch(rig, 0.4f, 0.6f);
        EXPECT_EQ(s.miss, 0) << mode;
        EXPECT_EQ(s.p[0], 7.0f);
    }
    // The rectilinear modes end with place -7.
    RoadRig rect(14, 1);
    EXPECT_EQ(Dispatch(rect, 0.5f, 0.5f).reply.place, kPlaceNoRegion);
}

// The table of codes with a projection agrees with the switch: a code with
// a case writes a direction or a miss somewhere over the frame, an awaiting
// code misses, and every other code leaves the caller's direction alone.
TEST(Dispatcher, TheTableOfProjectionsMatchesTheSwitch) {
    int served = 0;
    for (long mode = 1; mode <= 1050; ++mode) {
        RoadRig rig(mode, 1, 0.5f);
        // What the render's context gives the gore and lens modes.
        rig.context->goreCount = 12.0f;
        rig.context->fieldOfView = 90.0f;
        rig.context->lensWidth = 2.0f;
        bool touched = false;
        for (float u = 0.05f; u < 1.0f && !touched; u += 0.1f)
            for (float v = 0.05f; v < 1.0f && !touched; v += 0.1f) {
                const Shot s = Dispatch(rig, u, v);
                touched = s.miss != 0 || s.p[0] != 7.0f || s.p[1] != 7.0f || s.p[2] != 7.0f;
            }
        const bool has = OutputModeHasProjection(mode), awaits = OutputModeAwaitsProjection(mode);
        EXPECT_FALSE(has && awaits) << mode;
        EXPECT_EQ(touched, has || awaits) << mode;
        served += has ? 1 : 0;
    }
    EXPECT_GT(served, 70);
}

// The projections that take floats get the plane's values rounded to float,
// as a call to them from anywhere else does, whatever the compiler inlines
// into the dispatcher's rows: the same directions, bit for bit.
TEST(Dispatcher, ProjectionsTakingFloatsGetTheRoundedPlane) {
    struct Case {
        long mode;
        void (*direct)(const vort* c, const OutputPlane& pl, float v, float out[3]);
    } cases[] = {
        {kModeSemistereo,
         [](const vort* c, const OutputPlane& pl, float, float out[3]) {
             const double L = c->lensWidth;
             StereoIntersectCore(out, float(L * L * pl.X), float(L * L * pl.Y), -0.5f);
         }},
        {kModeSquoculus,
         [](const vort* c, const OutputPlane& pl, float v, float out[3]) {
             const double L = c->lensWidth, k = (double(v) + 1.0) * L * L;
             StereoIntersect(out, float(k * pl.X), float(k * pl.Y));
         }},
        {kModeHypertriple,
         [](const vort* c, const OutputPlane& pl, float, float out[3]) {
             DoMercAndHyper(out, kModeHypertriple, float(pl.X), float(pl.Y), c->lensWidth);
         }},
        {kModeGores12,
         [](const vort* c, const OutputPlane& pl, float, float out[3]) {
             unsigned char miss = 0;
             int32_t place = 0;
             long region = -1;
             DoGores(c, &miss, out, &place, &region, float(pl.Xb), float(pl.Yb));
         }},
    };
    for (const Case& k : cases) {
        RoadRig rig(k.mode, 1, 0.5f);
        rig.context->lensWidth = 1.7f;
        rig.context->goreCount = 12.0f;
        rig.context->inverseScale = 1.3;
        for (float u = 0.013f; u < 1.0f; u += 0.0371f)
            for (float v = 0.017f; v < 1.0f; v += 0.0293f) {
                const Shot s = Dispatch(rig, u, v);
                float want[3] = {7.0f, 7.0f, 7.0f};
                k.direct(rig.context.get(), OutputPlaneOf(rig.context.get(), u, v), v, want);
                for (int i = 0; i < 3; ++i) ASSERT_EQ(s.p[i], want[i]) << k.mode << " at " << u << ", " << v;
            }
    }
}

// Each family's table serves its own codes: no code in two rows or two
// families, every code served is one the table of output modes sends down
// the road of a projection (or the gores of 1044, which no menu offers), and
// every mode on that road is served or waits for its projection.
TEST(Dispatcher, EachProjectionModeIsServedByOneFamilyRow) {
    std::map<int32_t, int> rows;
    for (const ProjectionTable& family : ProjectionFamilies()) {
        EXPECT_FALSE(family.empty());
        for (const ProjectionEntry& e : family) {
            ++rows[e.mode];
            EXPECT_NE(e.project, nullptr) << e.mode;
            const OutputModeRow* row = FindOutputMode(e.mode);
            if (e.mode == kModeGores18) {
                EXPECT_EQ(row, nullptr);
                continue;
            }
            ASSERT_NE(row, nullptr) << e.mode;
            EXPECT_EQ(int(row->road), int(ModeRoad::kProjection)) << e.mode << " " << row->name;
        }
    }
    for (const auto& [mode, count] : rows) EXPECT_EQ(count, 1) << mode;
    for (const OutputModeRow& row : OutputModeRows()) {
        if (row.road != ModeRoad::kProjection) continue;
        EXPECT_NE(OutputModeHasProjection(row.code), OutputModeAwaitsProjection(row.code)) << row.code;
        EXPECT_EQ(OutputModeHasProjection(row.code), rows.count(row.code) == 1) << row.code;
        // What waits is refused, with its reason.
        if (OutputModeAwaitsProjection(row.code)) EXPECT_NE(row.refusal, nullptr) << row.code;
    }
}

// The rectilinear lens: the narrower side of the frame spans the field of
// view (stored settings rely on this), the wider side spans more.
TEST(Dispatcher, RectilinearFieldOfViewSpansTheNarrowerSide) {
    const double fov = 90.0;
    for (float aspect : {0.5f, 2.0f}) {
        RoadRig rig(14, 1, aspect);
        rig.context->lensWidth = static_cast<float>(2 * std::tan(fov * M_PI / 360));
        Shot c = Dispatch(rig, 0.5f, 0.5f);
        EXPECT_NEAR(c.p[2], 1.0f, 1e-7);
        EXPECT_EQ(c.reply.place, kPlaceNoRegion);
        Shot top = Dispatch(rig, 0.5f, 0.0f), side = Dispatch(rig, 1.0f, 0.5f);
        const double vertical = 2 * std::acos(top.p[2]) * 180 / M_PI;
        const double horizontal = 2 * std::acos(side.p[2]) * 180 / M_PI;
        const double narrow = aspect < 1 ? vertical : horizontal;
        const double wide = aspect < 1 ? horizontal : vertical;
        EXPECT_NEAR(narrow, fov, 1e-3) << aspect;
        EXPECT_GT(wide, fov + 1) << aspect;
        EXPECT_LT(top.p[1] * side.p[0], 0.0f);  // up is +y, right is -x
    }
    // The shift lens moves the view up without tilting it: a column keeps
    // one x/z ratio.
    RoadRig shift(60, 1, 0.5f);
    shift.context->lensWidth = 2.0f;
    shift.context->shiftTangent = 0.3f;
    Shot a = Dispatch(shift, 0.7f, 0.2f), b = Dispatch(shift, 0.7f, 0.8f), m = Dispatch(shift, 0.5f, 0.5f);
    EXPECT_NEAR(a.p[0] / a.p[2], b.p[0] / b.p[2], 1e-6);
    EXPECT_NEAR(m.p[1] / m.p[2], 0.6f, 1e-6);
}

TEST(Dispatcher, PlaneConventions) {
    RoadRig rig(1, 1, 0.5f);
    vort& c = *rig.context;
    c.inverseScale = 2.0;
    c.planeCentreX = 0.1;
    c.planeCentreY = 0.2;
    c.boxHeight = 0.5;
    OutputPlane p = OutputPlaneOf(&c, 0.75f, 0.25f);
    EXPECT_DOUBLE_EQ(p.X, 2.0 * (0.25 - 0.1));
    EXPECT_DOUBLE_EQ(p.Y, 2.0 * -0.25 * 0.5);
    EXPECT_DOUBLE_EQ(p.Xb, 0.25 * 2.0 + 0.1);
    EXPECT_DOUBLE_EQ(p.Yb, -0.25 * 0.5 * 2.0 + 0.2);
}

}  // namespace
