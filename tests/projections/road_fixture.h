// A render context and task state for exercising the road without the
// renderer: identity twirl, no overlays, the plain framing of an output twice
// as wide as high.
#pragma once

#include <cmath>
#include <memory>

#include "records/TransformationReply.h"
#include "projections/forward_maps.h"
#include "projections/sample_road.h"
#include "projections/twirl.h"
#include "records/vort.h"
#include "records/renderhinttype.h"

// The twirl from three angles in degrees.
inline void TwirlDegrees(tumbletype* t, float a1, float a2, float a3) {
    InitTwirlTranformation_core(t, a1 * 3.1415927f / 180.0f, a2 * 3.1415927f / 180.0f, a3 * 3.1415927f / 180.0f, 0);
}

struct RoadRig {
    std::unique_ptr<vort> context = std::make_unique<vort>();
    InverseTables tables{};
    renderhinttype hints{};
    renderhinttype inputHints{};
    int64_t lastTissotSpot = 0;

    RoadRig(long outputMode, long inputMode, float aspect = 0.5f) {
        vort& v = *context;
        v = vort{};
        v.outputMode = outputMode;
        v.inputMode = inputMode;
        v.aspect = aspect;
        v.inverseScale = 1.0;
        v.boxHeight = 1.0;
        v.inputProportion = 0.5f;
        MarkInverseTablesUnbuilt(&tables);
        v.inputTable = tables.mollweide;
        v.ellipsoidTable = tables.ellipsoid;
        InitTwirlTranformation_core(&v.tumble, 0.0f, 0.0f, 0.0f, 0);
        v.replyTemplate = MakeTemplateReply();
        InitPolyHints(&hints);
        InitPolyHints(&inputHints);
    }
    RoadTaskState task() { return RoadTaskState{&hints, &inputHints, &lastTissotSpot}; }
    TransformationReply at(float u, float v) {
        TransformationReply r = context->replyTemplate;
        CrazyDoSolarRect(u, v, context.get(), &r, task());
        return r;
    }
};

// Direction of longitude lon (east of the map centre, radians) and
// latitude lat (north positive) in the system's convention, seen from inside
// the sphere: east is -x.
inline void DirectionOfLonLat(double lon, double lat, float p[3]) {
    p[0] = static_cast<float>(-std::cos(lat) * std::sin(lon));
    p[1] = static_cast<float>(std::sin(lat));
    p[2] = static_cast<float>(std::cos(lat) * std::cos(lon));
}

// Angle between two directions (radians), accurate for tiny angles.
inline double AngleBetween(const float a[3], const float b[3]) {
    const double d = double(a[0]) * b[0] + double(a[1]) * b[1] + double(a[2]) * b[2];
    const double cx = double(a[1]) * b[2] - double(a[2]) * b[1];
    const double cy = double(a[2]) * b[0] - double(a[0]) * b[2];
    const double cz = double(a[0]) * b[1] - double(a[1]) * b[0];
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), d);
}
