// What the output-mode dispatcher hands a projection for one sample, and the
// table each family of projections offers beside its code: the output codes
// it serves, each with the function that serves it. The dispatcher gathers
// the tables once (projections/dispatcher.cpp) and looks each sample's code
// up, so a new mode is one row in its family's table.
#pragma once

#include <cstdint>
#include <span>

#include "common/complex.h"
#include "common/vectors.h"
#include "records/vort.h"

struct PyramidDescriptor;
struct renderhinttype;
struct TransformationReply;

// Plane coordinates of an output position. The centred plane subtracts the
// centre before scaling, the box plane adds it after.
struct OutputPlane {
    double X, Y;    // centred: S((u - 0.5) - Cx), S(v - 0.5)A
    double Xb, Yb;  // box: (u - 0.5)S + Cx, (v - 0.5)HS + Cy
};
inline OutputPlane OutputPlaneOf(const vort* c, float u, float v) {
    const double S = c->inverseScale, A = c->aspect;
    const double du = static_cast<double>(u) - 0.5, dv = static_cast<double>(v) - 0.5;
    OutputPlane p;
    p.X = S * (du - c->planeCentreX);
    p.Y = S * dv * A;
    p.Xb = du * S + c->planeCentreX;
    p.Yb = dv * c->boxHeight * S + c->planeCentreY;
    return p;
}

// One sample on its way to the sphere: the caller's records, the raw output
// position (u, v) and its plane coordinates. The projection writes the
// sphere point and, as it needs, the miss flag, the region, the plane point,
// the reply and the hints; what it leaves alone keeps the caller's value.
struct ProjectionSample {
    renderhinttype* hints;
    float* point;
    vort* context;
    long& region;
    unsigned char& miss;
    fcomplex& planePoint;
    TransformationReply* reply;
    float u, v;
    OutputPlane plane;
    long mode;
};
using ProjectionFunction = void (*)(ProjectionSample& sample);

// One row of a family's table.
struct ProjectionEntry {
    int32_t mode;
    ProjectionFunction project;
};
using ProjectionTable = std::span<const ProjectionEntry>;

// A double rounded to the float a projection takes. GCC keeps C++ floats in
// excess precision at its own choice, and where a projection is inlined
// into its row's function it may carry a double through a float argument
// unrounded, so that a picture would depend on what the compiler inlined.
// The empty asm makes the rounded float a value the compiler must produce.
inline float RoundedToFloat(double x) {
    float f = static_cast<float>(x);
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    asm("" : "+x"(f));
#elif defined(__GNUC__) && defined(__aarch64__)
    asm("" : "+w"(f));
#else
    volatile float v = f;
    f = v;
#endif
    return f;
}

// The projection cache with this tag, built before the tiles ran; null when
// it was not, and the sample then misses with the direction (0, 0, 1) rather
// than drawing from an empty table.
PyramidDescriptor* CacheOrMiss(ProjectionSample& sample, int64_t tag);
// A direction of doubles to the sample's float point.
inline void StoreDirection(ProjectionSample& s, const triplex& t) {
    s.point[0] = static_cast<float>(t.x);
    s.point[1] = static_cast<float>(t.y);
    s.point[2] = static_cast<float>(t.z);
}
