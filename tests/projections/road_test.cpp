// The whole road for one sample: place codes, overlays, the squeeze and the
// clearing of undefined positions.
#include "projections/sample_road.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <thread>
#include <vector>

#include "projections/caches.h"
#include "records/output_modes.h"
#include "tests/projections/road_fixture.h"

namespace {

TEST(Road, EquirectangularIdentity) {
    RoadRig rig(1, 1, 0.5f);
    TransformationReply r = rig.at(0.3f, 0.6f);
    EXPECT_NEAR(r.inputU, 0.3f, 2e-5);
    EXPECT_NEAR(r.inputV, 0.6f, 2e-5);
    EXPECT_EQ(r.place, kPlaceNoRegion);
    EXPECT_EQ(r.inputFace, -1);
    EXPECT_EQ(r.inputKind, 2);
}

TEST(Road, OutsideTheFrameIsANoDirectionReply) {
    RoadRig rig(1, 1, 1.0f);
    TransformationReply r = rig.context->replyTemplate;
    const float prop[2] = {0.5f / 100, 0.5f / 100};
    // Pixel row 2 of 100 lies in the square frame's blank top quarter.
    Float_Pixels_to_Reply(1, 0, 0, prop, rig.context.get(), &r, rig.task(), 50, 2);
    EXPECT_EQ(r.place, kPlaceNoDirection);
    EXPECT_EQ(r.inputU, -1.0f);
    EXPECT_EQ(r.inputV, -1.0f);
    EXPECT_EQ(r.outsideInput, 1);
    EXPECT_EQ(r.subPixelX, 50.0f);
    Float_Pixels_to_Reply(1, 0, 0, prop, rig.context.get(), &r, rig.task(), 50, 50);
    EXPECT_EQ(r.outsideInput, 0);
    EXPECT_NEAR(r.inputU, 0.51f, 2e-5);  // (2 (50 + 0.5) + 1) * 0.5 / 100
}

TEST(Road, PlaceOverrideAndOutsideInput) {
    RoadRig rig(1, 4, 0.5f);  // orthographic input sees only the front
    rig.hints.placeOverride = 12;
    // The road resets the override before the producer runs.
    EXPECT_EQ(rig.at(0.5f, 0.5f).place, kPlaceNoRegion);
    TransformationReply back = rig.at(0.02f, 0.5f);
    EXPECT_EQ(back.place, kPlaceOutsideInput);
    EXPECT_EQ(back.inputU, -1.0f);
}

TEST(Road, SqueezeBeforeAndAfterTheTwirl) {
    float p[3] = {0, 0, -1};
    SqueezeTowardsCentre(p);
    EXPECT_EQ(p[2], 1.0f);
    float q[3] = {1, 0, 0};
    SqueezeTowardsCentre(q);
    EXPECT_NEAR(q[0], std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(q[2], std::sqrt(0.5), 1e-6);
    RoadRig rig(1, 1, 0.5f);
    rig.context->anamorphKind = kAnamorphBeforeTwirl;
    TransformationReply r = rig.at(0.25f, 0.5f);  // 90 degrees west becomes 45
    EXPECT_NEAR(r.inputU, 0.375f, 2e-5);
}

TEST(Road, TwirlTurnsTheSample) {
    RoadRig rig(1, 1, 0.5f);
    TwirlDegrees(&rig.context->tumble, 0, 90, 0);  // a quarter turn about y
    TransformationReply r = rig.at(0.5f, 0.5f);
    EXPECT_NEAR(std::fabs(r.inputU - 0.5f), 0.25f, 2e-5);
    EXPECT_NEAR(r.inputV, 0.5f, 2e-5);
}

TEST(Road, GraticuleEnds) {
    RoadRig rig(1, 1, 0.5f);
    rig.context->graticuleOn = 1;
    TransformationReply c = rig.at(0.5f, 0.5f);
    EXPECT_NEAR(c.graticuleX, 0.5f, 1e-6);
    EXPECT_NEAR(c.graticuleY, 0.5f, 1e-6);
    TransformationReply e = rig.at(0.9f, 0.1f);
    EXPECT_NEAR(e.graticuleX, 0.9f, 2e-5);
    EXPECT_NEAR(e.graticuleY, 0.1f, 2e-5);
    rig.context->flipOn = 1;
    TransformationReply f = rig.at(0.9f, 0.1f);
    EXPECT_NEAR(f.graticuleX, 0.1f, 2e-5);
    EXPECT_NEAR(f.inputU, 0.1f, 2e-5);
}

TEST(Road, TissotHeightIsTheNearestSpotWhateverTheSearchStart) {
    RoadRig rig(1, 1, 0.5f);
    vort& c = *rig.context;
    c.indicatrixOn = 1;
    c.tissotSpotCount = 3;
    const float spots[3][3] = {{0, 1, 0}, {0, 0, 1}, {0.0f, 0.05f, 0.99875f}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) c.tissotSpots[i][j] = spots[i][j];
    TransformationReply a = rig.at(0.5f, 0.5f);
    EXPECT_NEAR(a.tissotHeight, 0.0f, 1e-10);
    EXPECT_EQ(rig.lastTissotSpot, 1);
    rig.lastTissotSpot = 2;  // within reach of both: the nearer wins, not the start
    TransformationReply b = rig.at(0.5f, 0.5f);
    EXPECT_EQ(rig.lastTissotSpot, 1);
    EXPECT_NEAR(b.tissotHeight, 0.0f, 1e-10);
    // 2.25 degrees off the equator, towards spot 2 on one side: nearer it
    // than spot 1.
    int towards2 = 0;
    for (float v : {0.4875f, 0.5125f}) {
        const TransformationReply between = rig.at(0.5f, v);
        if (rig.lastTissotSpot != 2) continue;
        ++towards2;
        EXPECT_LT(between.tissotHeight, 0.0025f);
    }
    EXPECT_EQ(towards2, 1);
    // Beyond every rim: the squared distance to the nearest spot, here the
    // pole, 2 from any point of the equator (the others lie 144 degrees off).
    TransformationReply far = rig.at(0.1f, 0.5f);
    EXPECT_NEAR(far.tissotHeight, 2.0f, 1e-4);
    rig.lastTissotSpot = 99;  // out of range: no harm
    rig.at(0.5f, 0.5f);
    EXPECT_EQ(rig.lastTissotSpot, 1);
    c.tissotSpotCount = 0;  // no spots: the value that draws nothing
    EXPECT_EQ(rig.at(0.5f, 0.5f).tissotHeight, 0.0225f);
}

TEST(Road, PolyhedralAndGlobeSamplesHaveNoDirectionYet) {
    RoadRig poly(7, 1, 0.5f);
    poly.context->polyhedral = 1;
    EXPECT_EQ(poly.at(0.5f, 0.5f).place, kPlaceNoDirection);
    RoadRig globe(45, 1, 0.5f);
    globe.context->renderKind = kRenderKindDrawing3D;
    EXPECT_EQ(globe.at(0.5f, 0.5f).place, kPlaceNoDirection);
    RoadRig ray(1, 1, 0.5f);
    ray.context->renderKind = kRenderKindEquiRay;
    ray.context->polyhedral = 1;
    EXPECT_EQ(ray.at(0.5f, 0.5f).place, kPlaceNoDirection);
}

TEST(Road, UndefinedInputPositionsAreCleared) {
    // Mode 0 is no input mode: position (0, 0), inside.
    RoadRig rig(1, 0, 0.5f);
    TransformationReply r = rig.at(0.5f, 0.5f);
    EXPECT_EQ(r.inputU, 0.0f);
    EXPECT_EQ(r.place, kPlaceNoRegion);
    // No input mode answers NaN for any inline output sample.
    for (long out : {1L, 5L, 62L, 81L, 138L, 299L})
        for (long in = 1; in <= 41; ++in) {
            RoadRig sweep(out, in, 0.5f);
            for (float u = -0.1f; u <= 1.1f; u += 0.1f)
                for (float v = -0.1f; v <= 1.1f; v += 0.1f) {
                    TransformationReply s = sweep.at(u, v);
                    ASSERT_FALSE(std::isnan(s.inputU) || std::isnan(s.inputV)) << out << " " << in;
                }
        }
}

// The unturned Mollweide map onto an equirectangular input works out once
// per row what its rows share. Asked through the direction, it answers the
// general road's floats exactly (the general road: the same context with the
// twirl marked as turning). Otherwise its input row is still that road's,
// and its input column is the longitude itself, within a few units in the
// last place of the road's (the sampler's check of its steps is sized by
// that bound: kMollweideColumnBound) and across the seam at its edge. Both
// are the Mollweide map: against its inverse in long double they are off by
// float rounding, most near the poles, where acosf of a height next to 1
// loses the latitude (at the pole itself the longitude with it) by about the
// square root of a float unit in the last place. Distances are angles on the
// sphere between the directions the input positions stand for.
TEST(Road, MollweideGoesStraightToAnEquirectangularInput) {
    RoadRig straight(46, 1, 0.5f), through(46, 1, 0.5f), general(46, 1, 0.5f);
    through.hints.longitudeThroughDirection = 1;
    ASSERT_TRUE(straight.context->tumble.turnsNothing);
    general.context->tumble.turnsNothing = 0;
    using LD = long double;
    const LD pi = 3.141592653589793238462643383279503L;
    auto apart = [&](LD u1, LD v1, LD u2, LD v2) {
        const LD a[3] = {std::sin(pi * v1) * std::sin(2 * pi * u1), std::cos(pi * v1), std::sin(pi * v1) * std::cos(2 * pi * u1)};
        const LD b[3] = {std::sin(pi * v2) * std::sin(2 * pi * u2), std::cos(pi * v2), std::sin(pi * v2) * std::cos(2 * pi * u2)};
        const LD c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        return double(std::atan2(std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]), a[0] * b[0] + a[1] * b[1] + a[2] * b[2]));
    };
    double worst = 0, worstAwayFromPoles = 0, worstColumn = 0;
    int inside = 0, seam = 0;
    auto check = [&](float u, float v) {
        const TransformationReply a = straight.at(u, v), t = through.at(u, v), b = general.at(u, v);
        ASSERT_EQ(t.place, b.place) << u << " " << v;
        ASSERT_EQ(t.inputU, b.inputU) << u << " " << v;
        ASSERT_EQ(t.inputV, b.inputV) << u << " " << v;
        ASSERT_EQ(t.inputFace, b.inputFace);
        ASSERT_EQ(t.inputKind, b.inputKind);
        ASSERT_EQ(a.place, b.place) << u << " " << v;
        ASSERT_EQ(a.inputV, b.inputV) << u << " " << v;
        ASSERT_EQ(a.inputFace, b.inputFace);
        ASSERT_EQ(a.inputKind, b.inputKind);
        if (a.place == kPlaceNoDirection) return;
        double d = std::fabs(double(a.inputU) - double(b.inputU));
        if (d > 0.5) d = 1.0 - d, ++seam;
        worstColumn = std::max(worstColumn, d);
        ++inside;
        // The frame is the plain one: x = 4 sqrt 2 (u - 1/2), y = 2 sqrt 2 (v - 1/2).
        const LD x = 4 * std::sqrt(2.0L) * (LD(u) - 0.5L), y = 2 * std::sqrt(2.0L) * (LD(v) - 0.5L);
        const LD theta = std::asin(y / std::sqrt(2.0L));
        const LD lambda = pi * x / (2 * std::sqrt(2.0L) * std::cos(theta));
        const LD phi = std::asin((2 * theta + std::sin(2 * theta)) / pi);
        const LD eu0 = 0.5L + lambda / (2 * pi), ev = 0.5L + phi / pi;
        const LD eu = straight.context->flipOn ? 1 - eu0 : eu0;
        const double e = apart(a.inputU, a.inputV, eu, ev);
        worst = std::max(worst, e);
        if (std::fabs(ev - 0.5L) < 0.49L) worstAwayFromPoles = std::max(worstAwayFromPoles, e);
    };
    for (int flip : {0, 1}) {
        straight.context->flipOn = through.context->flipOn = general.context->flipOn = flip;
        for (int j = 0; j <= 300; ++j)
            for (int i = 0; i <= 300; ++i) check(-0.05f + 1.1f * i / 300, -0.05f + 1.1f * j / 300);
        // The rows at the poles, where the map is steepest, and the equator.
        for (int j = 0; j <= 2000; ++j)
            for (float v0 : {0.0f, 0.998f})
                for (float u : {0.5f, 0.5001f, 0.47f, 0.6f}) check(u, v0 + 0.002f * j / 2000);
        for (int j = 0; j <= 2000; ++j) check(0.5f + 0.5f * j / 2000, 0.5f);
        uint32_t state = 12345u;
        auto next = [&] { state = state * 1664525u + 1013904223u; return float(state >> 8) / 16777216.0f; };
        for (int k = 0; k < 100000; ++k) {
            const float u = next();
            check(u, next());
        }
        // Rows asked in turn, more of them than the road keeps.
        for (int k = 0; k < 600; ++k) check(0.3f + 0.01f * float(k % 7), 0.2f + 0.1f * float(k % 6));
    }
    straight.context->flipOn = general.context->flipOn = 0;
    ASSERT_GT(inside, 100000);
    EXPECT_LE(worstColumn, kMollweideColumnBound);
    EXPECT_GT(worstColumn, 0.0);
    EXPECT_LE(seam, 20);
    EXPECT_LE(worstAwayFromPoles, 2e-6);  // radians; a float unit in the last place of v is 1.9e-7 rad
    EXPECT_LE(worst, 3e-4);
    // Each row is kept for the next sample, keyed by its map y: a context
    // whose same v is another y (a new aspect) gets its own.
    const TransformationReply first = straight.at(0.4f, 0.3f);
    straight.context->aspect = 0.25f;
    const TransformationReply other = straight.at(0.4f, 0.3f);
    EXPECT_NE(other.inputV, first.inputV);
    InitPolyHints(&straight.hints);
    EXPECT_EQ(straight.at(0.4f, 0.3f).inputV, other.inputV);
    straight.context->aspect = 0.5f;
    EXPECT_EQ(straight.at(0.4f, 0.3f).inputV, first.inputV);
}

// The lenses onto an unturned equirectangular input skip the dispatcher, the
// turn and the input dispatch, and answer the general road's floats exactly.
TEST(Road, LensGoesStraightToAnEquirectangularInputBitForBit) {
    for (long mode : {14L, 60L})
        for (float width : {0.4f, 2.0f, 11.0f})
            for (int flip : {0, 1}) {
                RoadRig straight(mode, 1, 0.5f), general(mode, 1, 0.5f);
                general.context->tumble.turnsNothing = 0;
                for (RoadRig* r : {&straight, &general}) {
                    r->context->lensWidth = width;
                    r->context->shiftTangent = mode == 60 ? 0.3f : 0.0f;
                    r->context->flipOn = flip;
                }
                for (int j = 0; j <= 60; ++j)
                    for (int i = 0; i <= 60; ++i) {
                        const float u = -0.1f + 1.2f * i / 60, v = -0.1f + 1.2f * j / 60;
                        const TransformationReply a = straight.at(u, v), b = general.at(u, v);
                        ASSERT_EQ(a.inputU, b.inputU) << mode << " " << u << " " << v;
                        ASSERT_EQ(a.inputV, b.inputV) << mode << " " << u << " " << v;
                        ASSERT_EQ(a.place, b.place);
                        ASSERT_EQ(a.inputFace, b.inputFace);
                        ASSERT_EQ(a.inputKind, b.inputKind);
                        ASSERT_EQ(a.sampleAux, b.sampleAux);
                    }
            }
}

// The equirectangular map onto an unturned cube layout works out once per
// row its height and radius and skips the dispatcher, the turn and the input
// dispatch: the general road's floats exactly, for every layout, mirrored or
// not, on frames of any shape.
TEST(Road, EquirectangularGoesStraightToACubeLayoutBitForBit) {
    int inside = 0;
    for (long layout : {27L, 28L, 33L, 34L, 35L})
        for (float aspect : {0.5f, 0.8f})
            for (int flip : {0, 1}) {
                RoadRig straight(1, layout, aspect), general(1, layout, aspect);
                ASSERT_TRUE(straight.context->tumble.turnsNothing);
                general.context->tumble.turnsNothing = 0;
                straight.context->flipOn = general.context->flipOn = flip;
                auto check = [&](float u, float v) {
                    const TransformationReply a = straight.at(u, v), b = general.at(u, v);
                    ASSERT_EQ(a.place, b.place) << layout << " " << u << " " << v;
                    ASSERT_EQ(a.inputU, b.inputU) << layout << " " << u << " " << v;
                    ASSERT_EQ(a.inputV, b.inputV) << layout << " " << u << " " << v;
                    ASSERT_EQ(a.inputFace, b.inputFace);
                    ASSERT_EQ(a.inputKind, b.inputKind);
                    ASSERT_EQ(a.sampleAux, b.sampleAux);
                    if (a.place != kPlaceNoDirection) ++inside;
                };
                for (int j = 0; j <= 80; ++j)
                    for (int i = 0; i <= 80; ++i) check(-0.05f + 1.1f * i / 80, -0.05f + 1.1f * j / 80);
                // Along the face edges and corners, and the poles' rows.
                for (int i = 0; i <= 4000; ++i)
                    for (float v : {0.0f, 0.25f, 0.5f, 0.3040867f, 1.0f}) check(float(i) / 4000, v);
                // The longitudes of recent columns are kept by the column's
                // map position: columns in a scattered order, far more than
                // are kept, with the frame moved between them.
                uint32_t seed = uint32_t(layout * 7 + flip);
                for (int k = 0; k < 6000; ++k) {
                    seed = seed * 1664525u + 1013904223u;
                    const float u = float(seed >> 8) / float(1u << 24);
                    seed = seed * 1664525u + 1013904223u;
                    check(u, float(seed >> 8) / float(1u << 24));
                    if (k == 3000) straight.context->planeCentreX = general.context->planeCentreX = 0.125;
                }
            }
    EXPECT_GT(inside, 100000);
    // The row kept is keyed by the map position: another aspect, the same v,
    // is another row.
    RoadRig rig(1, 33, 0.5f);
    const TransformationReply first = rig.at(0.4f, 0.3f);
    rig.context->aspect = 0.25f;
    const TransformationReply other = rig.at(0.4f, 0.3f);
    EXPECT_NE(other.inputV, first.inputV);
    InitPolyHints(&rig.hints);
    EXPECT_EQ(rig.at(0.4f, 0.3f).inputV, other.inputV);
}

// A run of samples along an output row is asked of the road at once: each
// reply is the one the road gives that sample alone, every field bit for bit,
// on the straight roads and on the general one, at pixel corners and centres,
// at full size and reduced, from a frame whose pixels are and are not exact
// in floats, mirrored or not.
// Whether two replies agree in every field, floats bit for bit.
bool SameReply(const TransformationReply& a, const TransformationReply& b) {
    auto bits = [](float f) {
        uint32_t b;
        std::memcpy(&b, &f, sizeof b);
        return b;
    };
    const float fa[] = {a.inputU, a.inputV, a.edges, a.tissotValue, a.graticuleX, a.graticuleY, a.tissotHeight,
                        a.sampleAux, a.scissorHeight, a.edgeMask, a.surfaceNormal[2], a.viewDirection[2],
                        a.normalAux[1], a.subPixelX, a.subPixelY};
    const float fb[] = {b.inputU, b.inputV, b.edges, b.tissotValue, b.graticuleX, b.graticuleY, b.tissotHeight,
                        b.sampleAux, b.scissorHeight, b.edgeMask, b.surfaceNormal[2], b.viewDirection[2],
                        b.normalAux[1], b.subPixelX, b.subPixelY};
    for (size_t k = 0; k < std::size(fa); ++k)
        if (bits(fa[k]) != bits(fb[k])) return false;
    return a.place == b.place && a.inputKind == b.inputKind && a.inputFace == b.inputFace &&
           a.outsideInput == b.outsideInput && a.faceTag == b.faceTag && a.regionFace == b.regionFace &&
           a.regionFragment == b.regionFragment && a.flags == b.flags;
}

// The cube views' grid, framed a little wider than it: eight units of the
// plane across the frame (each cell one unit), so that a cell's middle column
// and edges lie on floats exactly.
void FrameCubeViews(vort* c) {
    const bool row = c->outputMode == kModeUnity6Frames;
    c->viewColumns = row ? 6 : 3;
    c->viewRows = row ? 1 : 2;
    c->inverseScale = 8.0;
    c->boxHeight = row ? 0.25 : 0.375;
}

// The equirectangular map and the cube views onto an unturned input of any
// mode (but those on a polyhedron) skip the dispatcher and work out once what
// a row or a column shares, turning the direction by the identity all the
// same: the general road's answers, every field bit for bit, mirrored or
// not; at cell middles and edges, where components are zeros whose sign
// picks the side of an input's seam, too.
TEST(Road, EquirectangularAndCubeViewsGoStraightToAnyInputBitForBit) {
    int inside = 0;
    for (long output : {1L, 337L, 338L, 339L})
        for (long input = 0; input <= 41; ++input)
            for (int flip : {0, 1}) {
                RoadRig straight(output, input, 0.5f), general(output, input, 0.5f);
                general.context->tumble.turnsNothing = 0;
                for (RoadRig* r : {&straight, &general}) {
                    r->context->flipOn = flip;
                    if (output != 1) FrameCubeViews(r->context.get());
                }
                auto check = [&](float u, float v) {
                    TransformationReply a = straight.at(u, v), b = general.at(u, v);
                    ASSERT_TRUE(SameReply(a, b)) << output << " from " << input << " flip " << flip << " at " << u
                                                 << ", " << v << ": " << a.inputU << " " << b.inputU << " "
                                                 << a.place << " " << b.place;
                    inside += a.place != kPlaceNoDirection;
                };
                for (int j = 0; j <= 40; ++j)
                    for (int i = 0; i <= 40; ++i) check(-0.05f + 1.1f * i / 40, -0.05f + 1.1f * j / 40);
                // Each eighth of the frame's width and height: the cells'
                // edges and middles, and the equirectangular map's seam and
                // poles.
                for (int j = 0; j <= 64; ++j)
                    for (int i = 0; i <= 64; ++i) check(float(i) / 64, float(j) / 64);
            }
    EXPECT_GT(inside, 400000);
}

TEST(Road, ARunAlongARowAnswersAsSamplesOneByOne) {
    struct Case {
        long output, input;
        float aspect;
    };
    int onTheSphere = 0;
    for (const Case k : {Case{46, 1, 0.5f}, Case{46, 1, 0.8f}, Case{14, 1, 0.5f}, Case{60, 1, 0.75f},
                         Case{14, 1, 1.6f}, Case{1, 1, 0.5f}, Case{46, 4, 0.5f}, Case{1, 33, 0.5f},
                         Case{1, 28, 0.75f}, Case{1, 8, 0.5f}, Case{337, 1, 0.25f}, Case{338, 8, 0.5f}})
        for (int flip : {0, 1})
            for (long step : {1L, 3L})
                for (int width : {512, 517}) {
                    RoadRig rig(k.output, k.input, k.aspect);
                    rig.context->flipOn = flip;
                    rig.context->lensWidth = 2.0f;
                    rig.context->shiftTangent = k.output == 60 ? 0.3f : 0.0f;
                    rig.context->planeCentreX = width == 517 ? 0.0625 : 0.0;
                    if (k.output >= kModeUnity6Frames && k.output <= kModePano2VR3x2Cube)
                        FrameCubeViews(rig.context.get());
                    const int height = int(float(width) * k.aspect);
                    const float prop[2] = {0.5f / float(width * step), 0.5f / float(height * step)};
                    const float shift = step > 1 ? 1.0f - 1.0f / float(step) : 0.0f;
                    const long originX = step > 1 ? 6 : 0, originY = step > 1 ? 9 : 0;
                    const int cells = width / int(step) + 2;
                    std::vector<TransformationReply> run(size_t(cells) + 1);
                    for (int y = -1; y <= height / int(step); y += (y < 4 || y > height / int(step) - 5) ? 1 : 5) {
                        // Runs of many lengths, one cell short of the row's storage.
                        // Pixel corners and, half a pixel back, centres.
                        const int64_t x0 = -1 + (y & 3), count = cells - (y & 3);
                        const float dx = (y & 1) ? -0.5f : 0.0f, fy = float(y) + dx + shift;
                        Float_Pixels_to_Replies_Along_Row(step, originX, originY, prop, rig.context.get(), rig.task(),
                                                          x0, count, dx, shift, fy, run.data(),
                                                          sizeof(TransformationReply));
                        for (int64_t i = 0; i < count; ++i) {
                            TransformationReply one = rig.context->replyTemplate;
                            Float_Pixels_to_Reply(step, originX, originY, prop, rig.context.get(), &one, rig.task(),
                                                  float(x0 + i) + dx + shift, fy);
                            ASSERT_TRUE(SameReply(run[size_t(i)], one))
                                << k.output << " " << k.input << " flip " << flip << " step " << step << " width "
                                << width << " at " << x0 + i << ", " << y;
                            if (one.place != kPlaceNoDirection) ++onTheSphere;
                        }
                    }
                }
    EXPECT_GT(onTheSphere, 200000);
}

// Workers run the road at once, each with its own render context, over one
// set of lazy tables and projection caches built beforehand: they only read
// what they share, so every worker gives the answers of a lone pass (and the
// thread sanitizer sees no write to the shared tables).
TEST(EngineRoad, WorkersShareTablesAndCachesReadOnly) {
    ProjectionCacheStore* store = NewProjectionCacheStore();
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(PrefillProjectionCachesForMode(store, 94));
    InverseTables tables{};
    MarkInverseTablesUnbuilt(&tables);
    // What the render's preparation does before the tiles run.
    Molltheta(tables.mollweide, 0.0f);
    RobinsonInverse_function(tables.ellipsoid, 0.0f);
    // Peirce quincunx and Robinson out, Mollweide and equirectangular in.
    const long pairs[][2] = {{94, 7}, {80, 1}, {1, 7}, {94, 1}};
    constexpr int kSide = 48;
    auto pass = [&](long out, long in, std::vector<TransformationReply>* replies) {
        RoadRig rig(out, in, 0.5f);
        rig.context->projectionCaches = store;
        rig.context->inputTable = tables.mollweide;
        rig.context->ellipsoidTable = tables.ellipsoid;
        TwirlDegrees(&rig.context->tumble, -30, 15, 5);
        rig.context->graticuleOn = 1;
        const float prop[2] = {0.5f / kSide, 0.5f / kSide};
        replies->resize(kSide * kSide);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                Float_Pixels_to_Reply(1, 0, 0, prop, rig.context.get(), &(*replies)[y * kSide + x], rig.task(),
                                      static_cast<float>(x), static_cast<float>(y));
    };
    // The workers go first, so that nothing but the preparation above has
    // touched the shared tables when they start.
    std::vector<std::vector<TransformationReply>> alone(4), together(4);
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) workers.emplace_back([&, w] { pass(pairs[w][0], pairs[w][1], &together[w]); });
    for (std::thread& t : workers) t.join();
    for (int w = 0; w < 4; ++w) pass(pairs[w][0], pairs[w][1], &alone[w]);
    for (int w = 0; w < 4; ++w) {
        int inside = 0, differ = 0;
        for (size_t i = 0; i < alone[w].size(); ++i) {
            const TransformationReply &a = alone[w][i], &b = together[w][i];
            inside += a.place != kPlaceNoDirection;
            differ += a.inputU != b.inputU || a.inputV != b.inputV || a.place != b.place ||
                      a.graticuleX != b.graticuleX;
        }
        EXPECT_GT(inside, kSide * kSide / 3) << pairs[w][0];
        EXPECT_EQ(differ, 0) << pairs[w][0] << " from " << pairs[w][1];
    }
    EXPECT_EQ(ProjectionCache(store, kCacheTagPeirce)->contentTag, kCacheTagPeirce);
    DisposeProjectionCacheStore(&store);
}

}  // namespace
