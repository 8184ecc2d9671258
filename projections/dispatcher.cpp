#include "projections/dispatcher.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "records/TransformationReply.h"
#include "common/angles.h"
#include "projections/caches.h"
#include "projections/disc_layouts.h"
#include "projections/florets.h"
#include "projections/gores.h"
#include "projections/hyperbolic.h"
#include "projections/interrupted_maps.h"
#include "projections/lens_views.h"
#include "projections/panel_layouts.h"
#include "projections/panorama_views.h"
#include "projections/peirce.h"
#include "projections/power_maps.h"
#include "projections/square_world_maps.h"
#include "projections/stereographic.h"
#include "records/vort.h"
#include "projections/world_map_projections.h"
#include "projections/world_maps.h"
#include "records/renderhinttype.h"

OutputPlane OutputPlaneOf(const vort* c, float u, float v) {
    const double S = c->inverseScale, A = c->aspect;
    const double du = static_cast<double>(u) - 0.5, dv = static_cast<double>(v) - 0.5;
    OutputPlane p;
    p.X = S * (du - c->planeCentreX);
    p.Y = S * dv * A;
    p.Xb = du * S + c->planeCentreX;
    p.Yb = dv * c->boxHeight * S + c->planeCentreY;
    return p;
}

namespace {

constexpr long kLowestMode = 1;
constexpr long kHighestMode = 1044;
constexpr long kLogarithmicMode = 100335;

// The output codes whose projection this build does not have yet: the
// quatrefoil, whose hyperboloid's coefficients are not known. Each
// projection takes its code out of this list as it arrives in the switch
// below.
constexpr int kAwaiting[] = {409};

// The output codes the switch below has a case for. A projection that
// arrives adds its code here as it takes it out of kAwaiting; the renderer
// refuses every other code that is no polyhedron (shell/renderable.cpp).
constexpr int kServed[] = {
    1, 2, 3, 4, 5, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 22, 23, 24, 35, 36, 37, 38, 39, 40, 43, 46,
    48, 49, 50, 51, 52, 53, 56, 57, 58, 59, 60, 61, 62, 63, 65, 66, 67, 68, 69, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83,
    84, 85, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 99, 108, 109, 110, 111, 112, 118, 119, 120, 121,
    128, 130, 131, 132, 133, 134, 135, 136, 138, 139, 140, 141, 142, 143, 146, 147, 148, 149, 159, 160,
    164, 165, 171, 251, 252, 255, 288, 297, 298, 299, 300, 301, 337, 338, 339, 340, 341, 342, 343, 344,
    345, 346, 347, 348, 349, 350, 353, 354, 355, 356, 357, 358, 359, 360, 361, 362, 363, 364, 365, 366,
    367, 369, 375, 376, 377, 378, 383, 384, 388, 389, 390, 391, 397, 398, 399, 400, 401, 410, 414, 415, 416,
    417, 546, 547, 899, 900, 1040, 1042, 1044};

template <size_t N>
struct ModeSet {
    std::array<bool, kHighestMode + 1> has{};
    constexpr explicit ModeSet(const int (&codes)[N]) {
        for (int m : codes) has[m] = true;
    }
    constexpr bool operator()(long m) const { return m >= kLowestMode && m <= kHighestMode && has[m]; }
};
constexpr ModeSet kAwaitingTable(kAwaiting);
constexpr ModeSet kServedTable(kServed);

inline bool IsFloretRow(long m) {
    switch (m) {
        case 51: case 146: case 147: case 148: case 149: case 164: case 165: case 251: case 252:
        case 353: case 383: case 384: case 388: case 389: case 390: case 391:
        case 108: case 109: case 110: case 111: case 112: case 1040:
            return true;
        default:
            return false;
    }
}

// The equirectangular family: unit map position (uu, vv), u growing to the
// left of the sphere seen from inside; single precision on purpose.
inline void EquiDirection(float* point, float uu, float vv) {
    const float y = std::sin(-3.1415927f * (vv - 0.5f));
    const float r = std::sqrt(std::fmax(1.0f - y * y, 0.0f));
    const float lam = 6.2831855f * ((1.0f - uu) - 0.5f);
    point[0] = r * std::sin(lam);
    point[1] = y;
    point[2] = r * std::cos(lam);
}

constexpr double kFourSqrt2 = 5.656854249492384;

inline bool InUnitD(double v) { return v >= 0.0 && v <= 1.0; }  // false for NaN

// The Peirce cache of the render, built before the tiles ran; null when it
// was not, and the row then misses rather than drawing from an empty table.
inline PyramidDescriptor* PeirceCacheOf(vort* context, unsigned char& miss, float* point) {
    PyramidDescriptor* cache = BuiltProjectionCache(context->projectionCaches, kCacheTagPeirce);
    if (!cache) {
        miss = 1;
        point[0] = 0.0f, point[1] = 0.0f, point[2] = 1.0f;
    }
    return cache;
}

// Scratch triplex to the float point.
inline void CopyTriplex(float* point, const triplex& t) {
    point[0] = static_cast<float>(t.x);
    point[1] = static_cast<float>(t.y);
    point[2] = static_cast<float>(t.z);
}

// The Spilhaus map: Adams' square in the oblique aspect of the world ocean,
// a little of the neighbouring (turned) tiles showing around it.
void DoSpilhaus(float* point, unsigned char& miss, PyramidDescriptor* cache, const vort* context,
                const OutputPlane& pl) {
    static constexpr int kQuarterTurns[9] = {3, 1, 3, 2, 0, 2, 3, 1, 3};
    const double a = pl.Y, b = -pl.X;
    if (!InUnitD(a + 0.5) || !InUnitD(b + 0.5)) {
        miss = 1;
        return;
    }
    const double p = 1.15 * a + 0.5, q = 1.15 * b + 0.5 + 0.02;
    const double fp = std::floor(p), fq = std::floor(q);
    const double la = (p - fp) - 0.5, lb = (q - fq) - 0.5;
    const int k = std::clamp(static_cast<int>((fq + 1.0) * 3.0 + (fp + 1.0)), 0, 8);
    double X = la, Y = lb;
    switch (kQuarterTurns[k]) {
        case 1: X = -lb, Y = la; break;
        case 3: X = -la, Y = -lb; break;
        case 2: X = lb, Y = -la; break;
        default: break;
    }
    triplex t{};
    TotalAdams(&miss, &t, cache, 1, nullptr, X, Y);
    if (miss) return;
    // Row vector times the aspect's 3x3 rotation.
    const float v[3] = {static_cast<float>(t.x), static_cast<float>(t.y), static_cast<float>(t.z)};
    const auto& R = context->spilhausRotation;
    for (int j = 0; j < 3; ++j) point[j] = v[0] * R[0][j] + v[1] * R[1][j] + v[2] * R[2][j];
}

}  // namespace

bool OutputModeAwaitsProjection(long m) { return kAwaitingTable(m); }

bool OutputModeHasProjection(long m) { return kServedTable(m); }

void handle_non_poly_projections(renderhinttype*& hints, float* point, vort*& context, long& region,
                                 unsigned char& miss, fcomplex& planePoint,
                                 TransformationReply*& reply, float u, float v) {
    (void)region;
    const long M = context->outputMode;
    if (M < kLowestMode || M > kHighestMode) {
        if (M == kLogarithmicMode) DoLogarithmic(point, context, u, v);
        return;
    }
    const OutputPlane pl = OutputPlaneOf(context, u, v);
    const double L = context->lensWidth;
    switch (M) {
        case 1:     // equirectangular
        case 299: {  // cosine falloff
            const double uu = 0.5 + pl.X;
            const double vv = 2.0 * context->inverseScale * (static_cast<double>(v) - 0.5) *
                                  context->aspect + 0.5;
            if (!InUnitD(uu) || !InUnitD(vv)) {
                miss = 1;
                return;
            }
            EquiDirection(point, static_cast<float>(uu), static_cast<float>(vv));
            miss = 0;
            reply->sampleAux = v;
            break;
        }
        case 5:     // orthographic
        case 134:   // Gilbert
        case 139:   // Quick globe
        case 143: {  // Gilbert globe
            planePoint = fcomplex{pl.Xb, pl.Yb};
            const float x = static_cast<float>(-2.0 * pl.Xb), y = static_cast<float>(-2.0 * pl.Yb);
            point[0] = x;
            point[1] = y;
            const float w = 1.0f - x * x - y * y;
            if (!(w >= 0.0f)) {
                miss = 1;
                return;
            }
            point[2] = std::sqrt(w);
            miss = 0;
            reply->surfaceNormal[0] = point[0];
            reply->surfaceNormal[1] = point[1];
            reply->surfaceNormal[2] = point[2];
            break;
        }
        case 62: {  // Mercator: the frame is always 360 degrees wide
            miss = 0;
            const float t = 6.2831855f * context->aspect * (v - 0.5f);
            const float phi = std::atan(std::sinh(t));
            const float y = std::sin(-3.1415927f * ((phi + 1.5707964f) / 3.1415927f - 0.5f));
            const float r = std::sqrt(std::fmax(1.0f - y * y, 0.0f));
            const float lam = 6.2831855f * ((1.0f - u) - 0.5f);
            point[0] = r * std::sin(lam);
            point[1] = y;
            point[2] = r * std::cos(lam);
            break;
        }
        case 81:  // equi tall: the whole frame is the whole sphere
            EquiDirection(point, u, v);
            miss = 0;
            break;
        case 138: {  // equal-area cylinder
            const double a = 2.0 * (static_cast<double>(v) - 0.5);
            if (!(a >= -1.0 && a <= 1.0)) {
                miss = 1;  // above or below the map: no latitude
                return;
            }
            const float s = static_cast<float>(std::asin(a) / 3.141592653 + 0.5);
            const float y = std::sin(-3.1415927f * (s - 0.5f));
            const float r = std::sqrt(std::fmax(1.0f - y * y, 0.0f));
            const float lam = 6.2831855f * (-0.5f - u);
            point[0] = r * std::sin(lam);
            point[1] = y;
            point[2] = r * std::cos(lam);
            break;
        }
        case 11:  // Hammer
            DoHammer(&miss, point, kFourSqrt2 * pl.X, kFourSqrt2 * pl.Y);
            break;
        case 12:
            DoWerner(&miss, point, pl.X, pl.Y);
            break;
        case 13:
            TotalSinusoidal(point, &miss, pl.X, pl.Y, -kPiD, kPiD, 0.0);
            break;
        case 46: {  // Mollweide
            float latitude;
            TotalMollweide(point, &miss, &latitude, kFourSqrt2 * pl.X, kFourSqrt2 * pl.Y, -kPiD, kPiD, 0.0);
            break;
        }
        case 80:  // Robinson, on the render's first lazy table
            miss = 1;
            TotalRobinson(point, &miss, context->ellipsoidTable, pl.X, pl.Y, -kPiD, kPiD, 0.0);
            break;
        case 346:  // Bonne 45
            TotalBonne(point, &miss, pl.X, pl.Y + context->planeCentreY);
            break;
        case 347:  // vertical perspective
        case 348:
            TotalVerticalPerspective(point, &miss, reply, pl.X, pl.Y + context->planeCentreY,
                                     context->fieldOfView);
            break;
        case 349:  // flyover: raw position, the horizon at the top
        case 350:
            TotalTangent(point, &miss, reply, (static_cast<double>(u) - 0.5) / context->aspect, v,
                         context->fieldOfView);
            break;
        case 398:
            TotalEckert4(point, &miss, pl.X, pl.Y);
            break;
        case 399:  // Hill eucyclic, shifted down to centre it
            TotalHillEucyclic(point, &miss, pl.X,
                              context->inverseScale * (static_cast<double>(v) - 0.5) * context->aspect + 0.0155);
            break;
        case 1042:
            TotalCardioid(point, &miss, pl.X, pl.Y);
            break;
        case 65:  // hyperdouble
        case 66:  // hypertriple
        case 67:  // Mercator cross
        case 68:  // Mercator star
            DoMercAndHyper(point, M, static_cast<float>(pl.X), static_cast<float>(pl.Y), context->lensWidth);
            break;
        case 345:
            TotalMollweide_ocean(point, &miss, pl.X, pl.Y);
            break;
        case 356:
            TotalSinusoidalInterrupted(point, &miss, pl.X, pl.Y);
            break;
        case 357:
            TotalSinuMollweide(point, &miss, 0, pl.X, pl.Y);
            break;
        case 414:
            TotalPhilbrick_interrupted(point, &miss, pl.X, pl.Y);
            break;
        case 415:
            TotalRobinsonInterrupted(point, &miss, context->ellipsoidTable, pl.X, pl.Y);
            break;
        case 416:
            Total_ocean_data(point, &miss, pl.X, pl.Y);
            break;
        case 288:  // folding sphere
            GetQevFoldingSphere(point, &miss, reply, static_cast<float>(pl.X), static_cast<float>(pl.Y),
                                context->goreCount, 1.0f);
            if (reply->place >= kPlaceGlueTabBase) hints->onTab = 1;
            break;
        case 300:  // disc sphere A
        case 301:  // disc sphere B
            planePoint = fcomplex{pl.Xb, pl.Yb};
            GetQevDiscSphere(point, &miss, reply, M == 300 ? 0 : 1, static_cast<float>(pl.Xb),
                             static_cast<float>(pl.Yb), context->goreCount, 1.0f + 0.01f * context->tabsSetting);
            if (reply->place >= kPlaceGlueTabBase) hints->onTab = 1;
            break;
        case 90:  // Adams 1
        case 91:  // Adams 2
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point)) {
                triplex t{};
                TotalAdams(&miss, &t, c, M == 90 ? 1 : 2, nullptr, pl.X, pl.Y);
                CopyTriplex(point, t);
            }
            break;
        case 99:  // Guyou
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point))
                TotalGuyou(&miss, point, c, &region, nullptr, pl.X, pl.Y);
            break;
        case 118:  // double Guyou
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point))
                DoubleGuyou(&miss, point, c, &region, pl.X, pl.Y);
            break;
        case 119:  // wide rect
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point)) {
                triplex t{};
                TotalWiderect(&miss, &t, c, pl.X, pl.Y);
                CopyTriplex(point, t);
            }
            break;
        case 121:  // ellipse
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point)) {
                triplex t{};
                TotalEllipse(&miss, &t, c, pl.X, pl.Y);
                CopyTriplex(point, t);
            }
            break;
        case 140:  // equal squarea: misses when its cache was not built
            if (PyramidDescriptor* c = BuiltProjectionCache(context->projectionCaches, kCacheTagEqualsquarea)) {
                TotalEqualsquarea(&miss, point, c, pl.X, pl.Y);
            } else {
                miss = 1;
                point[0] = 0.0f, point[1] = 0.0f, point[2] = 1.0f;
            }
            break;
        case 410:  // Spilhaus
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point)) DoSpilhaus(point, miss, c, context, pl);
            break;
        case 83:  // thorn
        case 87:  // thorn levo
            if (PyramidDescriptor* c = BuiltProjectionCache(context->projectionCaches, kCacheTagSphereCube)) {
                GetThornView(context->viewColumns, context->viewRows, point, &miss, c, M == 83 ? 0 : 1, 1,
                             static_cast<float>(pl.X), static_cast<float>(pl.Y));
            } else {
                miss = 1;
                point[0] = 0.0f, point[1] = 0.0f, point[2] = 1.0f;
            }
            break;
        case 341:  // north armadillo
        case 342:
        case 343:  // south armadillo
        case 344:
            TotalArmadillo(point, &miss, reply, pl.X, pl.Y + context->planeCentreY, M <= 342 ? 1.0 : -1.0);
            break;
        case 360:  // oblate north, oblate south (362) and their globes
        case 361:
        case 362:
        case 363:
        case 364:  // prolate north, prolate south (366) and their globes
        case 365:
        case 366:
        case 367: {
            const bool prolate = M >= 364, south = (M - 360) % 4 >= 2;
            const double tilt = prolate ? 0.34202014332 : 0.2588190451;  // sin 20°, sin 15°
            TotalRaiszEllipsoid(point, &miss, reply, context->ellipsoidTable, pl.X, pl.Y + context->planeCentreY,
                                1.0, 1.0, prolate ? 4.0 / 3.0 : 0.66, south ? tilt : -tilt);
            break;
        }
        case 400:  // retroazimuthal front
        case 401:  // retroazimuthal back
            TotalRetroazimuthal(point, &miss, M == 400 ? 1 : 0, reply, pl.X, pl.Y,
                                context->latitudeSetting * kPiD / 180.0);
            break;
        case 35:
            TotalWinkel(point, &miss, pl.X, pl.Y);
            break;
        case 340:
            TotalLaskowski(point, &miss, pl.X, pl.Y);
            break;
        case 354:
            TotalCanters(point, &miss, pl.X, pl.Y);
            break;
        case 355:
            TotalNaturalEarth(point, &miss, pl.X, pl.Y);
            break;
        case 358:
            TotalGinzburg8(point, &miss, pl.X, pl.Y);
            break;
        case 359:
            TotalLarrivee(point, &miss, pl.X, pl.Y);
            break;
        case 397:
            TotalStrebe1995(point, &miss, &context->strebeRecord, pl.X, pl.Y);
            break;
        case 546:
            Totalvandergrinten1(point, &miss, pl.X, pl.Y);
            break;
        case 547:
            TotalEqualEarth(point, &miss, pl.X, pl.Y);
            break;
        case 92:  // trecunx
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point))
                BendyPeirce(&miss, point, c, 2, pl.X, pl.Y, 0.5, kPiD / 2.0, 0.5, 0.0, 0.0);
            break;
        case 93:  // quadracunx
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point))
                BendyPeirce(&miss, point, c, 3, pl.X, pl.Y, 0.75, 0.5235987755, 0.727802037845706, 0.0,
                            -0.21398305084745764);
            break;
        case 94:  // Peirce quincunx
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point))
                TotalPeirce(&miss, point, c, pl.X, pl.Y, 1.0, 0.0);
            break;
        case 95:  // sexacunx
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point))
                BendyPeirce(&miss, point, c, 5, pl.X, pl.Y, 1.25, -0.3141592653, 0.7955812101910829, 0.0, -0.101);
            break;
        case 96:  // septecunx
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point))
                BendyPeirce(&miss, point, c, 6, pl.X, pl.Y, 1.5, 0.5235987755, 0.7911392405063291, 0.0, 0.0);
            break;
        case 128:  // chevron
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point))
                ChevronPeirce(&miss, point, c, pl.X, pl.Y, context->aspect, 0.0, -0.35355339059327373);
            break;
        case 369:  // square tile
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point))
                TilingPeirce(&miss, point, c, pl.X, pl.Y, context->aspect, hints->tileScale);
            break;
        case 417:  // Peirce 1.75
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point))
                TotalPeirce_175(&miss, point, c, pl.X, pl.Y, 1.0, 0.0);
            break;
        case 14:  // rectilinear
        case 60:  // shift lens
            DoGnomonic(point, u, v, context->lensWidth, context->shiftTangent, context->aspect);
            break;
        case 2:
            DoBall(point, context, &miss, u, v);
            break;
        case 3:   // polar
        case 50:  // magnipolar
        case 59:  // annulus
            DoRingThings(&miss, point, M, pl.X, pl.Y, context->fieldOfView);
            break;
        case 4:
            DoHalfpolar(point, context, &miss, u, v);
            break;
        case 15:
            DoHyperbolic(&miss, point, pl.X, pl.Y, L);
            break;
        case 16: {  // stereographic
            double d[3];
            StereoIntersect_NiceD(d, 0.5 * L * L * pl.X, 0.5 * L * L * pl.Y);
            CopyTriplex(point, triplex{d[0], d[1], d[2]});
            break;
        }
        case 17:
            DoCylindrical(context, point, pl.Xb, pl.Yb);
            break;
        case 18:
            DoWetch(&miss, point, pl.Y, u, L, context->aspect);
            break;
        case 19:
            DoPinwheel(point, &miss, pl.X, pl.Y);
            break;
        case 20:
            DoDiamond(point, &miss, pl.X, pl.Y);
            break;
        case 22:
            DoCurvy(point, context, &miss, u, v);
            break;
        case 23:
            DoGoggles(point, &miss, pl.X, pl.Y);
            break;
        case 24:
            DoQuasar(point, &miss, pl.X, pl.Y);
            break;
        case 36:    // gores 12
        case 37:    // gores 24
        case 38:    // gores multi
        case 53:    // gores 6 of 12
        case 61:    // gores 3 of 12
        case 63:    // umbrella
        case 73:    // tunable ellipsoid
        case 74:    // tunable egg
        case 1044:  // gores 18
            DoGores(context, &miss, point, &reply->place, &region, float(pl.Xb), float(pl.Yb));
            break;
        case 39:
            DoLoop(&miss, point, &reply->place, 2.0 * pl.X, 2.0 * pl.Y);
            break;
        case 40:
            DoTwoCircles(&miss, point, pl.X, pl.Y);
            break;
        case 43:
            DoOmnimax(&miss, point, pl.X, pl.Y);
            break;
        case 48:  // star 3
        case 49:  // star 5
            planePoint = fcomplex{pl.Xb, pl.Yb};
            DoStar_3_5(context, &miss, point, pl.X, pl.Y);
            break;
        case 52:
            DoSwoop(&miss, point, pl.X, pl.Y, u, v, L, context->aspect);
            break;
        case 56:
            DoOculus(&miss, point, pl.X, pl.Y, L, context->aspect, u, v);
            break;
        case 57:
            DoTriptych(point, u, v, L, context->aspect);
            break;
        case 58:
            DoTetraptych(point, u, v, L, context->aspect);
            break;
        case 69:  // Lagrange
        case 84:  // Lagrange 3-4
        case 89:  // Lagrange plus
            miss = 0;
            LagrangeInverse(&miss, point, M == 89 ? 0 : 1, pl.X, pl.Y, M == 84 ? 4.0 / 3.0 : 2.0);
            break;
        case 75:  // 4, 12, 24, 60 and 72 views
        case 76:
        case 77:
        case 78:
        case 79:
            DoMultiviews(context, context->outputPolyhedron, &miss, point, &region, reply, pl.Xb, pl.Yb);
            break;
        case 82:  // semistereo
            StereoIntersectCore(point, float(L * L * pl.X), float(L * L * pl.Y), -0.5f);
            break;
        case 85: {  // squoculus
            const double k = (double(v) + 1.0) * L * L;
            StereoIntersect(point, float(k * pl.X), float(k * pl.Y));
            break;
        }
        case 88:
            TotalUnFish(point, &miss, pl.X, pl.Y, context->halfLensWidth);
            break;
        case 120:
            DoSemicircle(point, &miss, pl.X, pl.Y);
            break;
        case 135:  // stereo twice
        case 136:  // stereo thrice
            DoStereoMulti(&miss, point, pl.X, pl.Y, M == 135 ? 0.5 : 1.0 / 3.0, L);
            break;
        case 141:  // square fish 1
        case 142:  // square fish 2
            if (PyramidDescriptor* c = PeirceCacheOf(context, miss, point)) {
                if (M == 141) Do_squarefish1(&miss, point, c, pl.X, pl.Y);
                else Do_squarefish2(&miss, point, c, pl.X, pl.Y);
            }
            break;
        case 159: {
            int64_t face = hints->placeOverride;
            DoTwoCylinders(&miss, point, &face, pl.Xb, pl.Yb);
            hints->placeOverride = face;
            break;
        }
        case 160: {
            int64_t face = hints->placeOverride;
            DoThreeCylinders(&miss, point, &face, pl.Xb, pl.Yb);
            hints->placeOverride = face;
            break;
        }
        case 337:
            DoUnityViews(context, &miss, point, &region, reply, pl.Xb, pl.Yb);
            break;
        case 338:
            DoFacebook_3x2_cubeViews(context, &miss, point, &region, reply, pl.Xb, pl.Yb);
            break;
        case 339:
            DoPano2VR_3x2_cubeViews(context, &miss, point, &region, reply, pl.Xb, pl.Yb);
            break;
        case 171:
            DoZenithNadir(&miss, point, &region, reply, pl.X, pl.Y);
            break;
        case 255:
            Do_Panini(&miss, point, pl.X, pl.Y, L);
            break;
        case 297:
            DoAboveAndBelow(point, context, reply, u, v);
            break;
        case 298:
            Do_UpAndDown(point, reply, pl.X, pl.Y, v, L);
            break;
        case 51:    // the florets without a polyhedral basis
        case 108: case 109: case 110: case 111: case 112:
        case 146: case 147: case 148: case 149: case 164: case 165: case 251: case 252: case 353:
        case 383: case 384: case 388: case 389: case 390: case 391: case 1040: {
            uint8_t m = 1;
            CopsInTrouble(&m, point, context->projectionCaches, hints->floretHint, &context->floretBasis,
                          context->outputPolyhedron, hints, nullptr, pl.Xb, pl.Yb);
            miss = m;
            break;
        }
        case 130:  // 3-, 4-, 5- and 6-malta
        case 131:
        case 132:
        case 133:
            DoMalta(hints, point, context, &miss, u, v);
            break;
        case 375:  // hyperbolic 4,8 disc, square, pentagon, band
        case 376:
        case 377:
        case 378: {
            PyramidDescriptor* peirce = BuiltProjectionCache(context->projectionCaches, kCacheTagPeirce);
            PyramidDescriptor* table = BuiltProjectionCache(context->projectionCaches, kCacheTagHyperbolic_4_8);
            PyramidDescriptor* outline =
                M == 376 ? peirce : (M == 377 ? BuiltProjectionCache(context->projectionCaches, kCacheTagDecant) : nullptr);
            if (!peirce || !table || (M == 377 && !outline)) {
                miss = 1;
                point[0] = 0.0f, point[1] = 0.0f, point[2] = 1.0f;
                break;
            }
            TotalHyperbolic_4_8(&miss, point, peirce, table, &context->hyperbolicFraming, &hints->hyper, outline, M,
                                double(u), double(v));
            break;
        }
        case 899:
            DoMirrors(point, &miss, reply, context->mirrorTable, pl.Xb, pl.Yb);
            break;
        case 900:
            DoLambertAzimuthal(&miss, point, reply, pl.Xb, pl.Yb);
            break;
        default:
            if (OutputModeAwaitsProjection(M)) {
                point[0] = 0.0f;
                point[1] = 0.0f;
                point[2] = 1.0f;
                miss = 1;
            }
            break;
    }
    // Post-steps.
    if (M == 14 || M == 60) reply->place = kPlaceNoRegion;
    if (IsFloretRow(M)) {
        context->lastFloretHint = hints->floretHint;
        if (M >= 108 && M <= 112 && !miss) hints->placeOverride = std::labs(hints->floretRegion);
    }
}
