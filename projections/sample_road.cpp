#include "projections/sample_road.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/complex.h"
#include "common/vectors.h"
#include "records/TransformationReply.h"
#include "polyhedra/polyhedron.h"
#include "projections/dispatcher.h"
#include "projections/drawing_3d.h"
#include "projections/caches.h"
#include "projections/florets.h"
#include "projections/hyperbolic.h"
#include "projections/lens_views.h"
#include "projections/panel_layouts.h"
#include "projections/projection_sample.h"
#include "projections/poly_ray_search.h"
#include "projections/secondary_warp.h"
#include "projections/polyhedral_transform.h"
#include "projections/scissor_height.h"
#include "projections/sphere_to_input.h"
#include "projections/twirl.h"
#include "projections/world_map_projections.h"
#include "records/output_modes.h"
#include "records/vort.h"
#include "records/renderhinttype.h"

namespace {

constexpr float kTissotRadiusSquared = 0.0225f;

inline bool InUnit(float v) { return v >= 0.0f && v <= 1.0f; }  // false for NaN

// What a floret on a polyhedral basis hands to the polyhedral transform.
struct FloretHandOn {
    renderhinttype* hints;
    void* caches;
};

void FloretOnPolyhedron(float out[3], uint8_t* miss, const polyhedron* poly, void* handOn, double x, double y) {
    auto* h = static_cast<FloretHandOn*>(handOn);
    DoPolyhedralTransforms(out, poly, h->caches, miss, h->hints, float(x), float(y));
}

constexpr long kInputEquirectangular = 1;

// Whether the sample's direction needs no turn, overlay or input-side lookup
// beyond the equirectangular one, so that an output mode may hand its answer
// straight to the input: a map that knows its longitude and latitude, a lens
// its direction.
inline bool RoadIsStraight(const vort* c) {
    return !c->polyhedral && c->renderKind == kRenderKindProjection && c->anamorphKind == kAnamorphNone &&
           c->tumble.turnsNothing && !c->graticuleOn && !c->indicatrixOn && !c->scissorOn;
}
inline bool InputIsStraightEquirect(const vort* c) { return c->inputMode == kInputEquirectangular && RoadIsStraight(c); }

// Which straight road, if any, the context's samples take. The
// equirectangular map and the cube views take theirs onto any input but one
// on a polyhedron, whose ray search is left to the general road.
enum StraightRoad { kStraightNone, kStraightEquirect, kStraightCubeViews, kStraightMollweide, kStraightLens };
inline StraightRoad StraightRoadOf(const vort* c) {
    const long m = c->outputMode;
    if (!RoadIsStraight(c)) return kStraightNone;
    if (!InputModeCategory(c->inputMode)) {
        if (m == kModeEquirectangular) return kStraightEquirect;
        if (CubeViewFaces(m)) return kStraightCubeViews;
    }
    if (c->inputMode != kInputEquirectangular) return kStraightNone;
    if (m == kModeMollweide) return kStraightMollweide;
    return m == kModeRectilinear || m == kModeShiftLens ? kStraightLens : kStraightNone;
}

// Runs of samples along a row go through the straight roads this many at a time.
constexpr int64_t kRun = 64;

// The unit output position of pixel position f of a tile at `step` output
// pixels per sample from `origin`, as Float_Pixels_to_Reply finds it.
inline float UnitPosition(float f, float step, float origin, float proportion) {
    const float p = f * step + origin + 0.5f;
    return (p + (p + 1.0f)) * proportion;
}
// Outside when the input position lies beyond 0..1 (or is NaN).
inline void MarkOutsideInput(TransformationReply* r) {
    r->outsideInput = (InUnit(r->inputU) && InUnit(r->inputV)) ? 0 : 1;
}
// Each reply of a run along a row: the template with the sample's column,
// answered by answer(i, reply), then marked if it fell outside the input.
template <class Answer>
inline void RepliesOfRun(const TransformationReply& base, const float* fx, int64_t n, char* out, size_t stride,
                         Answer answer) {
    for (int64_t i = 0; i < n; ++i) {
        auto* r = reinterpret_cast<TransformationReply*>(out + i * stride);
        *r = base;
        r->subPixelX = fx[i];
        answer(i, r);
        MarkOutsideInput(r);
    }
}

// The rectilinear lens (and the shift lens) onto an unturned equirectangular
// input: the lens's direction goes to the input's angles by the input side's
// own arithmetic, without the dispatcher's, the twirl's and the input
// dispatch's bookkeeping; the answer is the general road's, bit for bit. (The
// lens looks forward, z > 0, where skipping the identity turn cannot change
// the sign of a zero x and with it the side of the seam.)
inline void LensAnswer(const float p[3], bool flip, TransformationReply* reply) {
    const EquirectAngles a = EquirectAnglesOf(p);
    const float x = 1.0f - a.f;
    reply->inputU = flip ? 1.0f - x : x;
    reply->inputV = a.t;
    reply->inputFace = -1;
    reply->inputKind = 2;
    if (std::isnan(reply->inputU)) reply->inputU = 0.0f;
    if (std::isnan(reply->inputV)) reply->inputV = 0.0f;
}
void LensStraightToEquirect(float u, float v, const vort* c, TransformationReply* reply) {
    float p[3];
    DoGnomonic(p, u, v, c->lensWidth, c->shiftTangent, c->aspect);
    reply->place = kPlaceNoRegion;
    LensAnswer(p, c->flipOn, reply);
}

// The Mollweide map onto an unturned equirectangular input. Each output row
// of the map keeps one latitude, so what the general road works out from it
// (the arcsines, the height's sine, the input row's arccosine) is worked out
// once per row and kept in the hints. The input row is the general road's,
// bit for bit. The input column is the longitude itself: the general road
// makes a direction of it (a sine and a cosine) and takes it back with an
// arctangent, which without a turn gives the same longitude up to a few
// units in the last place (rounding only; at the seam, the other side of
// it; on a row at the pole itself it keeps the road's answer), for about a
// quarter of the whole render's time. Those units can tip one of the
// sampler's steps (its sample count, its level snap), so the sampler checks
// each footprint for a step that near and asks again with
// longitudeThroughDirection set, which answers as the general road does:
// each step is its own float arithmetic, the identity turn included (it
// decides the sign of a zero x, and so the side of the seam).
// OutputPlaneOf's centred plane, inline.
inline double MollweidePlaneX(const vort* c, float u) {
    return kFourSqrt2 * (c->inverseScale * ((static_cast<double>(u) - 0.5) - c->planeCentreX));
}
inline double MollweidePlaneY(const vort* c, float v) {
    return kFourSqrt2 * (c->inverseScale * (static_cast<double>(v) - 0.5) * c->aspect);
}
// The row of map y, kept in the hints: MapLongitudeLatitudeToDirection's
// latitude step, then the input's.
inline const renderhinttype::MapRow& KeepMollweideRow(renderhinttype* hints, double y) {
    using Row = renderhinttype::MapRow;
    constexpr int n = renderhinttype::kMapRows;
    const int last = hints->lastMapRow % n;
    if (hints->mapRows[last].known && hints->mapRows[last].y == y) return hints->mapRows[last];
    for (int k = 1; k < n; ++k) {
        const int i = (last + k) % n;
        if (hints->mapRows[i].known && hints->mapRows[i].y == y) {
            hints->lastMapRow = uint8_t(i);
            return hints->mapRows[i];
        }
    }
    // In the place of the entry made longest ago.
    const int i = hints->mapRowsMade++ % n;
    const MollweideRow row = MollweideRowAt(y);
    const float height = RectangularHeight(static_cast<float>(0.5 - -row.southLatitude / kPiD));
    hints->mapRows[i] = Row{y, row.k, height, RectangularRadius(height), EquirectColatitude(height), 1};
    hints->lastMapRow = uint8_t(i);
    return hints->mapRows[i];
}
// The longitude of map x on a row of width scale k as the map's column, with
// whether it lies on the map.
inline bool MollweideColumn(double x, float k, float* column) {
    const double lambda = MollweideLongitude(x, MollweideRow{0.0, k});
    *column = static_cast<float>(0.5 - (lambda + 0.0) / (2.0 * kPiD));
    return lambda >= -kPiD && lambda <= kPiD;
}
// The input position of a column of the kept row, from the column's
// longitude (RectangularOnRow's, east negative) or through its direction.
inline void MollweideAnswer(const vort* c, float column, float height, float radius, float inputV,
                            bool throughDirection, TransformationReply* reply) {
    float west = 2.0f * kPiF * (column - 0.5f);
    // On a row whose directions are all the pole (a radius of 0) the
    // direction keeps no longitude at all, and the road's answer is the
    // arctangent of zeros.
    if (throughDirection || radius == 0.0f) {
        float p[3];
        RectangularOnRow(p, column, height, radius);
        TwirlTransform(&c->tumble, kModeMollweide, p);
        west = Atan2Float(p[0], p[2]);
    }
    const float ux = 1.0f - EquirectLongitudeFraction(west);
    reply->inputU = c->flipOn ? 1.0f - ux : ux;
    reply->inputV = inputV;
    reply->inputFace = -1;
    reply->inputKind = 2;
    if (std::isnan(reply->inputU)) reply->inputU = 0.0f;
    if (std::isnan(reply->inputV)) reply->inputV = 0.0f;
}
void MollweideStraightToEquirect(float u, float v, const vort* c, renderhinttype* hints, TransformationReply* reply) {
    const double x = MollweidePlaneX(c, u), y = MollweidePlaneY(c, v);
    float column;
    if (!MollweideInBand(x, y)) {
        reply->place = kPlaceNoDirection;
        return;
    }
    const renderhinttype::MapRow& row = KeepMollweideRow(hints, y);
    if (!MollweideColumn(x, row.scale, &column)) {
        reply->place = kPlaceNoDirection;
        return;
    }
    if (reply->place >= -8) reply->place = kPlaceNoRegion;
    MollweideAnswer(c, column, row.height, row.radius, row.inputV,
                    hints->longitudeThroughDirection, reply);
}

// The input position of direction p as the general road's turn and input
// lookup give it, for a sample whose place the caller has set: the identity
// turn (it can change the sign of a zero component, and with it the side of
// an input's seam), then the input mode, an equirectangular one inline.
inline void TurnedInputAnswer(const vort* c, const RoadTaskState& task, float p[3], TransformationReply* reply) {
    TurnPoint(&c->tumble, p);
    if (c->inputMode == kInputEquirectangular) {
        LensAnswer(p, c->flipOn, reply);
        return;
    }
    unsigned char outside = 0;
    TransformSphereToInput(c->inputMode, c->flipOn, p, &reply->inputU, &reply->inputV, &outside, c->inputTable,
                           &reply->inputFace, &reply->inputKind, &reply->sampleAux, c->inputPolyhedron,
                           task.inputHints, c->inputProportion);
    if (outside) reply->place = kPlaceOutsideInput;
    if (std::isnan(reply->inputU)) reply->inputU = 0.0f;
    if (std::isnan(reply->inputV)) reply->inputV = 0.0f;
}

// The equirectangular map onto an unturned input. Each output row keeps one
// latitude, so the height and radius of its directions are worked out once
// per row and kept in the hints, and each column one longitude, whose sine
// and cosine are kept for recent columns; a sample adds the input lookup.
// Every step is the general road's own arithmetic (the dispatcher's map
// position, the turn, the input's mirror and lookup): the answer is that
// road's, bit for bit.
inline double EquirectMapU(const vort* c, float u) {
    return 0.5 + c->inverseScale * ((static_cast<double>(u) - 0.5) - c->planeCentreX);
}
inline double EquirectMapV(const vort* c, float v) {
    return 2.0 * c->inverseScale * (static_cast<double>(v) - 0.5) * c->aspect + 0.5;
}
inline bool OnEquirectMap(double w) { return w >= 0.0 && w <= 1.0; }  // false for NaN
// The height and radius of map row vv, kept in the hints.
inline void KeepEquirectRow(renderhinttype* hints, double vv) {
    if (hints->rowKnown && hints->rowY == vv) return;
    const float height = RectangularHeight(static_cast<float>(vv));
    hints->rowY = vv;
    hints->rowHeight = height;
    hints->rowRadius = RectangularRadius(height);
    hints->rowKnown = 1;
}
// The direction of map column uu on the kept row: RectangularOnRow, with the
// longitude's sine and cosine kept per column.
inline void EquirectOnKeptRow(renderhinttype* hints, double uu, float p[3]) {
    const float column = 1.0f - static_cast<float>(uu);
    uint32_t bits;
    std::memcpy(&bits, &column, sizeof bits);
    renderhinttype::ColumnAngle& angle =
        hints->columnAngles[((bits * 2654435761u) >> 16) % renderhinttype::kColumnAngles];
    if (angle.key != uint64_t(bits) + 1) {
        const float lambda = 2.0f * kPiF * (column - 0.5f);
        angle.sine = std::sin(lambda);
        angle.cosine = std::cos(lambda);
        angle.key = uint64_t(bits) + 1;
    }
    p[0] = hints->rowRadius * angle.sine;
    p[1] = hints->rowHeight;
    p[2] = hints->rowRadius * angle.cosine;
}
// The input position of map column uu on the kept row.
inline void EquirectAnswer(const vort* c, const RoadTaskState& task, double uu, float v,
                           TransformationReply* reply) {
    reply->sampleAux = v;
    reply->place = kPlaceNoRegion;
    float p[3];
    EquirectOnKeptRow(task.hints, uu, p);
    if (!IsCubeLayoutInput(c->inputMode)) {
        TurnedInputAnswer(c, task, p, reply);
        return;
    }
    // A cube layout's lookup leaves out the identity turn: it could change
    // only the sign of a zero component, which moves no face position (0.5 +
    // 0.5 (-0) is 0.5) and picks no other face (the lookup compares
    // magnitudes, and signs only of components that are not zero).
    // A flip mirrors the direction east for west before the face lookup.
    if (c->flipOn) p[0] = -p[0];
    float x, y;
    const int F = CubeLayoutPosition(c->inputMode, p, &x, &y);
    reply->inputU = std::isnan(x) ? 0.0f : x;
    reply->inputV = std::isnan(y) ? 0.0f : y;
    reply->inputFace = F;
    reply->inputKind = F + 1;
}
void EquirectStraight(float u, float v, const vort* c, const RoadTaskState& task, TransformationReply* reply) {
    const double uu = EquirectMapU(c, u), vv = EquirectMapV(c, v);
    if (!OnEquirectMap(uu) || !OnEquirectMap(vv)) {
        reply->place = kPlaceNoDirection;
        return;
    }
    KeepEquirectRow(task.hints, vv);
    EquirectAnswer(c, task, uu, v, reply);
}

// The cube views onto an unturned input: the view's direction, the cell as
// the sample's place, then the turn and the input lookup; the general road's
// answer, bit for bit.
void CubeViewsStraight(float u, float v, const vort* c, const RoadTaskState& task, TransformationReply* reply) {
    const OutputPlane plane = OutputPlaneOf(c, u, v);
    float p[3];
    unsigned char miss = 1;
    long slot = -1;
    DoCubeViews_core(c, &miss, p, &slot, plane.Xb, plane.Yb, CubeViewFaces(c->outputMode));
    if (miss) {
        reply->place = kPlaceNoDirection;
        return;
    }
    reply->place = static_cast<int32_t>(slot);
    TurnedInputAnswer(c, task, p, reply);
}

}  // namespace

void PolyhedralNetPoint(const vort* c, float u, float v, float* x, float* y) {
    *x = float((double(u) - 0.5) * c->inverseScale + c->planeCentreX);
    *y = float((double(v) - 0.5) * c->boxHeight * c->inverseScale + c->planeCentreY);
}

bool HyperbolicTilingNetPoint(const vort* c, const renderhinttype* h, const polyhedron* poly, float u, float v,
                              float* x, float* y) {
    const long m = c->outputMode;
    const bool triangles = ProjectionInvolves_3_9_tiling(m);
    PyramidDescriptor* table =
        BuiltProjectionCache(c->projectionCaches, triangles ? kCacheTagHyperbolic_3_9 : kCacheTagHyperbolic_5_4);
    PyramidDescriptor* outline = nullptr;
    if (ProjectionInvolvesOuterSquare(m)) outline = BuiltProjectionCache(c->projectionCaches, kCacheTagPeirce);
    if (ProjectionInvolvesOuterPentagon(m)) outline = BuiltProjectionCache(c->projectionCaches, kCacheTagDecant);
    if (!table || (ProjectionInvolvesOuterSquare(m) && !outline)) return false;
    const float* b = poly->net.boundsBox;
    const NetBox box{b[0], b[1], b[2], b[3]};
    return triangles ? calc_skewed_coordinates_for_Hyperbolic_3_9(box, x, y, &h->hyper, &c->hyperbolicFraming, table,
                                                                  outline, m, 1.0, u, v)
                     : calc_skewed_coordinates_for_Hyperbolic_5_4(box, x, y, &h->hyper, &c->hyperbolicFraming, table,
                                                                  outline, m, 1.0, u, v);
}

void finesseRegions(long& group, renderhinttype* hints, vort* context, long& fragment, TransformationReply*& reply) {
    reply->faceTag = -1;
    reply->regionFace = -1;
    reply->regionFragment = -1;
    const polyhedron* poly = context->outputPolyhedron;
    if (!poly || hints->onTab || hints->hitFace < 0 || hints->hitFace >= poly->netFaceCount) return;
    // Every net face is its own tag; its record holds the fragment, and its
    // 3D face the class and group.
    const int64_t tag = hints->hitFace;
    const PolyNetFace& face = poly->netFace[tag];
    reply->faceTag = int32_t(tag);
    reply->regionFace = tag;
    if (poly->hasFragments || poly->fragmentCount > 0) {
        fragment = face.fragment;
        reply->regionFragment = face.fragment;
        reply->place = face.fragment;
    } else {
        fragment = long(tag);
        reply->place = int32_t(tag);
    }
    if (poly->numberByRegion == 1) reply->place = int32_t(hints->regionNumber);
    if (poly->numberByClass && face.face3D >= 0 && face.face3D < poly->faceCount3D)
        reply->place = poly->face3D[face.face3D].optionShort[0];
    if (poly->numberByGroup) {
        group = face.fragment;
        reply->place = poly->groupNumber[std::clamp<long>(group, 0, kGroupNumberEntries - 1)] + 1;
    }
    // Numbering by net piece needs the origami tables, which this build has not.
    if (poly->numberByPiece) reply->place = -1;
    if (poly->numberByFragment) reply->place = int32_t(fragment);
}

void SqueezeTowardsCentre(float p[3]) {
    const float x = p[0] * 0.5f, y = p[1] * 0.5f, z = (p[2] + 1.0f) * 0.5f;
    const float m = std::sqrt(x * x + y * y + z * z);
    if (!(m > 0.0f)) {
        p[0] = 0.0f;
        p[1] = 0.0f;
        p[2] = 1.0f;
        return;
    }
    p[0] = x / m;
    p[1] = y / m;
    p[2] = z / m;
}

void transformForSampling(unsigned char transform, renderhinttype* hints, float* point,
                          vort*& context, long region, unsigned char& outside,
                          TransformationReply*& reply, RoadTaskState& task, unsigned char twirl) {
    vort* c = context;
    TransformationReply* r = reply;
    if (transform || c->graticuleOn) {
        if (c->anamorphKind == 1) SqueezeTowardsCentre(point);
        if (twirl) TwirlTransform(&c->tumble, c->outputMode, point);
        if (c->anamorphKind == 2) SqueezeTowardsCentre(point);
        if (transform) {
            const bool faceFound = c->polyhedral && hints->faceFound;
            if (region == -1 && !c->polyhedral) {
                if (r->place >= -8) r->place = kPlaceNoRegion;
                if (hints->placeOverride != -1) r->place = static_cast<int32_t>(hints->placeOverride);
            } else if (c->polyhedral) {
                if (faceFound && !c->facesOn && !c->edgesOn && hints->placeOverride != -1)
                    r->place = static_cast<int32_t>(hints->placeOverride);
            } else if (hints->placeOverride != -1) {
                r->place = static_cast<int32_t>(hints->placeOverride);
            }
            TransformSphereToInput(c->inputMode, c->flipOn, point, &r->inputU, &r->inputV, &outside,
                                   c->inputTable, &r->inputFace, &r->inputKind, &r->sampleAux,
                                   c->inputPolyhedron, task.inputHints, c->inputProportion);
            if (outside) {
                const polyhedron* poly = c->outputPolyhedron;
                if (c->polyhedral && poly && poly->outsideKeepsPlace && r->place >= 0)
                    r->place = kPlaceOutsideInput - r->place;
                else
                    r->place = kPlaceOutsideInput;
            }
        }
    }
    if (c->graticuleOn) {
        // Clamped so that an overshoot past a pole stays at that pole.
        const float y = std::clamp(point[1], -1.0f, 1.0f);
        const float gy = AcosFloat(y) * 0.31830987f;
        r->graticuleY = std::isnan(gy) ? 0.0f : gy;
        float gx = (Atan2Float(point[0], point[2]) + 3.1415927f) * (-0.15915494f) + 1.0f;
        if (c->flipOn) gx = 1.0f - gx;
        r->graticuleX = gx;
    }
    if (c->indicatrixOn && (transform || c->graticuleOn)) {
        // The squared distance to the nearest spot: within 0.0225 inside an
        // indicatrix, beyond it between them, so that the rim can be placed
        // between a sample inside and one outside. The nearest, not the
        // first within reach: where the high rows' indicatrices overlap,
        // the first found would hang on the order the samples came in, and
        // so on the tiling.
        const long n = std::min<long>(c->tissotSpotCount, kMaxTissotSpots);
        float nearest = n > 0 ? 4.0f : kTissotRadiusSquared;
        for (long i = 0; i < n; ++i) {
            const float dx = point[0] - c->tissotSpots[i][0];
            const float dy = point[1] - c->tissotSpots[i][1];
            const float dz = point[2] - c->tissotSpots[i][2];
            const float d2 = dx * dx + dy * dy + dz * dz;
            if (d2 < nearest) {
                nearest = d2;
                if (d2 < kTissotRadiusSquared) *task.lastTissotSpot = i;
            }
        }
        r->tissotHeight = nearest;
    }
    if (c->scissorOn && (transform || c->graticuleOn))
        FindScissorHeight(c, r, hints->scissorInputs[0], hints->scissorInputs[1], hints->scissorInputs[2]);
    if (std::isnan(r->inputU)) r->inputU = 0.0f;
    if (std::isnan(r->inputV)) r->inputV = 0.0f;
}

namespace {

// The road through a sphere direction: every sample but the straight ones.
// Out of line, so that a straight sample does not set up its frame.
[[gnu::noinline]] void RoadThroughADirection(float u, float v, vort* context, TransformationReply* reply,
                                             RoadTaskState task) {
    // A defined direction for producers that write none.
    float point[3] = {0.0f, 0.0f, 1.0f};
    unsigned char miss = 0, outside = 0;
    long region = -1;
    fcomplex planePoint{0.0, 0.0};
    renderhinttype* hints = task.hints;
    SetReplyRoadDefaults(reply);
    hints->placeOverride = -1;

    if (context->renderKind == kRenderKindDrawing3D) {
        // The globes: the drawing method marches the framed point's ray.
        // The brick globe's panels reach the input only for the overlays.
        const float X = float(context->inverseScale) * ((u - 0.5f) - float(context->planeCentreX));
        const float Y = float(context->inverseScale) * (v - 0.5f) * context->aspect;
        Do_DrawingMethod3D(&miss, context, reply, point, X, Y);
        const long m = context->outputMode;
        if ((m >= kModeVoxelGlobe && m <= kModeFerguson) ||
            (m == kModeBrickPreview && (context->graticuleOn || context->indicatrixOn))) {
            hints->placeOverride = reply->place;
            transformForSampling(1, hints, point, context, -1, outside, reply, task, 0);
        }
        return;
    }

    hints->onTab = 0;
    if (!context->polyhedral) {
        handle_non_poly_projections(hints, point, context, region, miss, planePoint, reply, u, v);
    } else if (context->renderKind == kRenderKindProjection) {
        const polyhedron* poly = context->outputPolyhedron;
        float x = 0.0f, y = 0.0f;
        // A hyperbolic tiling's point outside its outer shape misses.
        bool onNet = true;
        if (poly && ProjectionInvolvesHyperbolicTiling(context->outputMode))
            onNet = HyperbolicTilingNetPoint(context, hints, poly, u, v, &x, &y);
        else
            PolyhedralNetPoint(context, u, v, &x, &y);
        hints->faceFound = 0;
        miss = 1;
        if (!onNet) {
            point[0] = 1.0f, point[1] = 0.0f, point[2] = 0.0f;
            reply->netPosition[0] = reply->netPosition[1] = 0.0f;
        } else if (poly && poly->floretFlag) {
            FloretHandOn handOn{hints, context->projectionCaches};
            double d[3] = {0.0, 0.0, 1.0};
            uint8_t m = 1;
            CopsInTroubleCore(&m, d, context->projectionCaches, uint64_t(poly->floretWord), &context->floretBasis, poly,
                              hints, &handOn, x, y, FloretOnPolyhedron);
            for (int k = 0; k < 3; ++k) point[k] = float(d[k]);
            miss = m;
            // The basis net's glue tabs are no part of the floret.
            hints->onTab = 0;
        } else if (poly) {
            DoPolyhedralTransforms(point, poly, context->projectionCaches, &miss, hints, x, y);
            MaybeSecondaryWarp(point, poly, &miss, hints, BuiltProjectionCache(context->projectionCaches, kCacheTagPeirce),
                               u, context->aspect * v);
            reply->netPosition[0] = float(hints->netPosition[0]);
            reply->netPosition[1] = float(hints->netPosition[1]);
        }
    }
    if (context->renderKind == kRenderKindEquiRay) {
        const float y0 = std::sin(-3.1415927f * (v - 0.5f));
        const float r = std::sqrt(std::fmax(1.0f - y0 * y0, 0.0f));
        const float lam = 6.2831855f * (u - 0.5f);
        const float x0 = r * std::sin(lam), z0 = r * std::cos(lam);
        const float(*R)[3] = context->equiRotation;
        for (int j = 0; j < 3; ++j) point[j] = x0 * R[0][j] + y0 * R[1][j] + z0 * R[2][j];
        // Whether the ray meets the output polyhedron is the ray search's
        // answer; without a polyhedron it meets nothing.
        hints->faceFound = 0;
        miss = 1;
        if (const polyhedron* poly = context->outputPolyhedron) {
            const double ray[3] = {point[0], point[1], point[2]};
            IntersectRayWithPoly_core(ray, poly, &miss, hints, nullptr);
        }
    }

    if (miss) {
        // A gore strip's glue tab keeps the place its producer wrote.
        const bool goreTab = !context->polyhedral && hints->onTab && reply->place >= kPlaceGlueTabBase;
        if (!goreTab) reply->place = kPlaceNoDirection;
        if (context->polyhedral && hints->onTab) {
            reply->place = kPlaceGlueTabBase + static_cast<int32_t>(std::max<int64_t>(hints->hitTabFragment, 0));
            reply->regionFace = -1;
            reply->regionFragment = hints->hitTabFragment;
            // Which tab: its face and the face it is glued under, so that
            // two tabs meeting at a corner can be told apart.
            reply->faceTag = int32_t(hints->tabOwner * kMax3DFaces + hints->tabGlue + 1);
        }
        return;
    }

    unsigned char transform = 1;
    const bool faceFound = context->polyhedral && hints->faceFound;
    if (faceFound) {
        long group = -1, fragment = -1;
        finesseRegions(group, hints, context, fragment, reply);
    }
    if (faceFound && context->facesOn)
        transform = (context->indicatrixOn || context->scissorOn) ? 1 : 0;

    if (faceFound) {
        if (reply->place >= 0 && !context->facesOn && !context->edgesOn) reply->place = kPlaceNoRegion;
    } else if (reply->place >= -8) {
        reply->place = kPlaceNoRegion;
    }
    if (region != -1) reply->place = static_cast<int32_t>(region);

    transformForSampling(transform, hints, point, context, region, outside, reply, task, 1);
}

}  // namespace

bool RoadTakesLongitudeShortcut(const vort* context) {
    return context->outputMode == kModeMollweide && InputIsStraightEquirect(context);
}

void CrazyDoSolarRect(float u, float v, vort* context, TransformationReply* reply, RoadTaskState task) {
    const StraightRoad road = StraightRoadOf(context);
    if (road == kStraightNone) {
        RoadThroughADirection(u, v, context, reply, task);
        return;
    }
    SetReplyRoadDefaults(reply);
    task.hints->placeOverride = -1;
    task.hints->onTab = 0;
    if (road == kStraightEquirect) EquirectStraight(u, v, context, task, reply);
    else if (road == kStraightCubeViews) CubeViewsStraight(u, v, context, task, reply);
    else if (road == kStraightMollweide) MollweideStraightToEquirect(u, v, context, task.hints, reply);
    else LensStraightToEquirect(u, v, context, reply);
}

namespace {

// The straight roads along a run of samples of one output row, each reply
// started from `base` (a reply of no direction): what is fixed along the row
// (its map y, band and latitudes, the lens's height) is found once, then
// each stage goes over the whole run, the samples independent of one
// another. The answers are those of the roads sample by sample.
void MollweideRowToEquirect(const vort* c, renderhinttype* hints, const TransformationReply& base, float v,
                            const float* u, const float* fx, int64_t n, char* out, size_t stride) {
    const double y = MollweidePlaneY(c, v);
    double x[kRun];
    float column[kRun];
    bool on[kRun];
    bool any = false;
    renderhinttype::MapRow row{};
    for (int64_t i = 0; i < n; ++i) {
        x[i] = MollweidePlaneX(c, u[i]);
        on[i] = MollweideInBand(x[i], y);
        any = any || on[i];
    }
    if (any) {
        // Every sample's column, in or out of the band: the same divisions
        // for all, side by side.
        row = KeepMollweideRow(hints, y);
        for (int64_t i = 0; i < n; ++i) on[i] = MollweideColumn(x[i], row.scale, &column[i]) && on[i];
    }
    const float height = row.height, radius = row.radius, inputV = row.inputV;
    RepliesOfRun(base, fx, n, out, stride, [&](int64_t i, TransformationReply* r) {
        if (!on[i]) return;
        r->place = kPlaceNoRegion;
        MollweideAnswer(c, column[i], height, radius, inputV, hints->longitudeThroughDirection, r);
    });
}
void EquirectRow(const vort* c, const RoadTaskState& task, const TransformationReply& base, float v,
                 const float* u, const float* fx, int64_t n, char* out, size_t stride) {
    const double vv = EquirectMapV(c, v);
    const bool row = OnEquirectMap(vv);
    if (row) KeepEquirectRow(task.hints, vv);
    RepliesOfRun(base, fx, n, out, stride, [&](int64_t i, TransformationReply* r) {
        const double uu = EquirectMapU(c, u[i]);
        if (row && OnEquirectMap(uu)) EquirectAnswer(c, task, uu, v, r);
        else r->place = kPlaceNoDirection;
    });
}
void CubeViewsRow(const vort* c, const RoadTaskState& task, const TransformationReply& base, float v,
                  const float* u, const float* fx, int64_t n, char* out, size_t stride) {
    RepliesOfRun(base, fx, n, out, stride,
                 [&](int64_t i, TransformationReply* r) { CubeViewsStraight(u[i], v, c, task, r); });
}
void LensRowToEquirect(const vort* c, const TransformationReply& base, float v, const float* u, const float* fx,
                       int64_t n, char* out, size_t stride) {
    const GnomonicRow row = GnomonicRowAt(v, c->lensWidth, c->shiftTangent, c->aspect);
    float x[kRun], y[kRun], z[kRun];
    GnomonicAlongRow(u, n, row, x, y, z);
    RepliesOfRun(base, fx, n, out, stride, [&](int64_t i, TransformationReply* r) {
        r->place = kPlaceNoRegion;
        const float p[3] = {x[i], y[i], z[i]};
        LensAnswer(p, c->flipOn, r);
    });
}

}  // namespace

void Float_Pixels_to_Replies_Along_Row(long step, long originX, long originY, const float* proportions,
                                       vort* context, RoadTaskState task, int64_t x0, int64_t count, float dx,
                                       float shift, float fy, TransformationReply* first, size_t stride) {
    char* out = reinterpret_cast<char*>(first);
    if (!RoadTakesRunsAlongRows(context)) {
        for (int64_t i = 0; i < count; ++i)
            Float_Pixels_to_Reply(step, originX, originY, proportions, context,
                                  reinterpret_cast<TransformationReply*>(out + i * stride), task,
                                  static_cast<float>(x0 + i) + dx + shift, fy);
        return;
    }
    const float s = static_cast<float>(step), ox = static_cast<float>(originX);
    const float v = UnitPosition(fy, s, static_cast<float>(originY), proportions[1]);
    TransformationReply base = context->replyTemplate;
    base.subPixelY = fy;
    SetReplyRoadDefaults(&base);
    // Kept in memory, so that each reply is a copy of it: built field by
    // field for each reply, it would be read back before its stores land.
    asm volatile("" : "+m"(base));
    task.hints->placeOverride = -1;
    task.hints->onTab = 0;
    float fx[kRun], u[kRun];
    const StraightRoad road = StraightRoadOf(context);
    for (int64_t start = 0; start < count; start += kRun) {
        const int64_t n = std::min(kRun, count - start);
        for (int64_t i = 0; i < n; ++i) {
            fx[i] = static_cast<float>(x0 + start + i) + dx + shift;
            u[i] = UnitPosition(fx[i], s, ox, proportions[0]);
        }
        if (road == kStraightEquirect)
            EquirectRow(context, task, base, v, u, fx, n, out + start * stride, stride);
        else if (road == kStraightCubeViews)
            CubeViewsRow(context, task, base, v, u, fx, n, out + start * stride, stride);
        else if (road == kStraightMollweide)
            MollweideRowToEquirect(context, task.hints, base, v, u, fx, n, out + start * stride, stride);
        else
            LensRowToEquirect(context, base, v, u, fx, n, out + start * stride, stride);
    }
}

bool RoadTakesRunsAlongRows(const vort* context) {
    const StraightRoad road = StraightRoadOf(context);
    return road != kStraightNone;
}

void Float_Pixels_to_Reply(long step, long originX, long originY, const float* proportions,
                           vort* context, TransformationReply* reply, RoadTaskState task, float fx,
                           float fy) {
    const float s = static_cast<float>(step);
    const float u = UnitPosition(fx, s, static_cast<float>(originX), proportions[0]);
    const float v = UnitPosition(fy, s, static_cast<float>(originY), proportions[1]);
    *reply = context->replyTemplate;
    reply->subPixelX = fx;
    reply->subPixelY = fy;
    CrazyDoSolarRect(u, v, context, reply, task);
    MarkOutsideInput(reply);
}
