#include "projections/hyperbolic.h"

#include <cmath>

#include "common/geometry.h"
#include "projections/caches.h"
#include "projections/peirce.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"
#include "records/renderhinttype.h"
#include "records/vort.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCos30 = 0.8660254037844387, kSin30 = 0.5;

inline fcomplex Turn(fcomplex p, double c, double s) { return {p.re * c - p.im * s, p.re * s + p.im * c}; }
inline fcomplex Polar(double r, double degrees) {
    const double a = degrees * kPi / 180.0;
    return {r * std::cos(a), r * std::sin(a)};
}
inline fcomplex InvertInUnitCircle(fcomplex p) { return Cscale(p, 1.0 / (p.re * p.re + p.im * p.im)); }
// p + (q - p) t, and the affine combination M + (V - M) c0 + (O - M) c1.
inline fcomplex CellPoint(fcomplex M, fcomplex V, double c0, double c1) {
    return {M.re + (V.re - M.re) * c0 - M.re * c1, M.im + (V.im - M.im) * c0 - M.im * c1};
}

// The circle through the cell's vertices a and b and the inversion of a.
void CircleThrough(hypertype* h, int k, fcomplex a, fcomplex b) {
    circleFrom3Points(&h->circleCentres[k], &h->circleRadii[k], a, b, InvertInUnitCircle(a));
}

// Sub-triangles of the square and the pentagon by region: the midpoint and
// vertex indices (the square's edge circle of midpoint m is (m + 3) mod 4,
// the pentagon's is m).
constexpr int kSquareMid[8] = {2, 3, 3, 0, 0, 1, 1, 2};
constexpr int kSquareVertex[8] = {3, 3, 0, 0, 1, 1, 2, 2};
constexpr int kPentagonMid[10] = {2, 3, 3, 4, 4, 0, 0, 1, 1, 2};
constexpr int kPentagonVertex[10] = {3, 3, 4, 4, 0, 0, 1, 1, 2, 2};
// {3,9}: regions 0 and 5 midpoint 1 (vertices 2, 1); 1 and 2 midpoint 2
// (vertices 2, 0); 3 and 4 midpoint 0 (vertices 0, 1).
constexpr int kTriangleMid[6] = {1, 2, 2, 0, 0, 1};
constexpr int kTriangleVertex[6] = {2, 2, 0, 0, 1, 1};

int64_t RegionOfAngle(double x, double y, int p) {
    const float theta = static_cast<float>(std::atan2(y, x) + kPi);
    int64_t k = static_cast<int64_t>(std::floor(double(theta) * p / kPi)) % (2 * p);
    return k < 0 ? k + 2 * p : k;
}

// Inversion in circle k when the point lies strictly inside it.
inline bool InvertIfInside(fcomplex* p, const hypertype* h, int k) {
    const fcomplex c = h->circleCentres[k];
    const double dx = p->re - c.re, dy = p->im - c.im, d2 = dx * dx + dy * dy, r = h->circleRadii[k];
    if (!(d2 < r * r)) return false;
    const double f = r * r / d2;
    *p = {c.re + dx * f, c.im + dy * f};
    return true;
}
// Reflection in the line through the origin and c.
inline fcomplex ReflectInLineThrough(fcomplex p, fcomplex c) {
    const double k = 2.0 * (p.re * c.re + p.im * c.im) / (c.re * c.re + c.im * c.im);
    return {c.re * k - p.re, c.im * k - p.im};
}

// Inversions (and, for the triangle and square, reflections) until no circle holds the point.
int32_t Fold(fcomplex* out, const hypertype* h, int p, bool reflect, double x, double y) {
    fcomplex q{x, y};
    int32_t count = 0;
    for (int pass = 0; pass < kFoldPassLimit; ++pass) {
        bool fired = false;
        for (int k = 0; k < p; ++k) {
            if (!InvertIfInside(&q, h, k)) continue;
            if (reflect) q = ReflectInLineThrough(q, h->circleCentres[k]);
            ++count;
            fired = true;
        }
        if (!fired) break;
    }
    *out = q;
    return count;
}

inline double Clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

// The table's answer kept in the flat sub-triangle (c0, c1 >= 0, c0 + c1 <=
// 1): interpolated near the cell's edge it may lie a little beyond it, and
// the net beyond the edge is empty.
inline fcomplex IntoFlatCell(fcomplex c) {
    double c0 = Clamp01(c.re), c1 = Clamp01(c.im);
    if (c0 + c1 > 1.0) {
        const double sum = c0 + c1;
        c0 /= sum, c1 /= sum;
    }
    return {c0, c1};
}

}  // namespace

bool ProjectionInvolves_3_9_tiling(int64_t m) { return m >= kModeHyperbolic3_9Disc && m <= kModeHyperbolic3_9Band; }
bool ProjectionInvolves_4_8_tiling(int64_t m) { return m >= kModeHyperbolic4_8Disc && m <= kModeHyperbolic4_8Band; }
bool ProjectionInvolves_5_4_tiling(int64_t m) { return m >= kModeHyperbolic5_4Disc && m <= kModeHyperbolic5_4Band; }
bool ProjectionInvolvesHyperbolicTiling(int64_t m) {
    return m >= kModeHyperbolic3_9Disc && m <= kModeHyperbolic5_4Band;
}
bool ProjectionInvolvesOuterSquare(int64_t m) {
    return m == kModeHyperbolic3_9Square || m == kModeHyperbolic4_8Square || m == kModeHyperbolic5_4Square;
}
bool ProjectionInvolvesOuterPentagon(int64_t m) {
    return m == kModeHyperbolic3_9Pentagon || m == kModeHyperbolic4_8Pentagon || m == kModeHyperbolic5_4Pentagon;
}
bool ProjectionInvolvesOuterBand(int64_t m) {
    return m == kModeHyperbolic3_9Band || m == kModeHyperbolic4_8Band || m == kModeHyperbolic5_4Band;
}

double dFromPandQ(double p, double q) {
    const double a = std::cos(kPi / p + kPi / q) * std::cos(kPi / q);
    return std::sqrt(a / (std::sin(2.0 * kPi / q) * std::sin(kPi / p) + a));
}

void createCirclesForSquare(hypertype* h) {
    const double R = dFromPandQ(4, 8);
    h->cellRadius = R;
    for (int k = 0; k < 4; ++k) CircleThrough(h, k, Polar(R, 45 + 90 * k), Polar(R, 135 + 90 * k));
}

void createCirclesForPentagon(hypertype* h) {
    const double R = dFromPandQ(5, 4);
    h->cellRadius = R;
    for (int k = 0; k < 5; ++k) CircleThrough(h, k, Polar(R, 72 * k), Polar(R, 72 * (k + 1)));
}

void initTrips_for_3_9(hypertype* h) {
    const double s = 0.8660254037844387;
    const fcomplex t[6] = {{1, 0}, {-0.5, s}, {-0.5, -s}, {0.25, s / 2}, {-0.5, 0}, {0.25, -s / 2}};
    for (int k = 0; k < 6; ++k) h->trips[k] = t[k];
}

namespace {
void TripsOfPolygon(hypertype* h, int p, double firstDegrees) {
    for (int k = 0; k < p; ++k) h->trips[k] = Polar(h->cellRadius, firstDegrees + 360.0 * k / p);
    for (int k = 0; k < p; ++k) h->trips[p + k] = Cmidpoint(h->trips[k], h->trips[(k + 1) % p]);
}
}  // namespace

void initTrips_for_4_8(hypertype* h) { TripsOfPolygon(h, 4, -45); }
void initTrips_for_5_4(hypertype* h) { TripsOfPolygon(h, 5, 0); }

void InitHypertypeForMode(hypertype* h, int64_t m) {
    if (ProjectionInvolves_3_9_tiling(m)) {
        *h = hypertype{};
        h->cellRadius = 0.47611090819858093;
        const fcomplex top{0, 0.47611090819858093}, left{-0.41232414151885194, -0.23805545409929035},
            right{0.4123241415188517, -0.2380554540992907};
        circleFrom3Points(&h->circleCentres[0], &h->circleRadii[0], top, left, {0, 2.1003509534860525});
        circleFrom3Points(&h->circleCentres[1], &h->circleRadii[1], left, right, {-1.81895728258179, -1.0501754767430258});
        circleFrom3Points(&h->circleCentres[2], &h->circleRadii[2], right, top, {1.818957282581789, -1.0501754767430274});
        initTrips_for_3_9(h);
    } else if (ProjectionInvolves_4_8_tiling(m)) {
        *h = hypertype{};
        createCirclesForSquare(h);
        initTrips_for_4_8(h);
    } else if (ProjectionInvolves_5_4_tiling(m)) {
        *h = hypertype{};
        createCirclesForPentagon(h);
        initTrips_for_5_4(h);
    }
}

bool outsideCenteredSquare(double x, double y) { return std::fabs(x) > 1.0 || std::fabs(y) > 1.0; }
bool outsideCenteredHorizontalBand(double, double y) { return std::fabs(y) > 1.0; }

fcomplex ReflectIntoSquare(double x, double y) {
    auto fold = [](double v) {
        if (v > 1.0) v = 2.0 - v;
        if (v < -1.0) v = -2.0 - v;
        return v;
    };
    return {fold(x), fold(y)};
}

int32_t LBIIS_for_triangle(fcomplex* out, const hypertype* h, double x, double y) {
    if (x * x + y * y > 1.0) return -1;
    return Fold(out, h, 3, true, x, y);
}
int32_t LBIIS_for_square(fcomplex* out, const hypertype* h, double x, double y) { return Fold(out, h, 4, true, x, y); }
int32_t LBIIS_for_pentagon(fcomplex* out, const hypertype* h, double x, double y) {
    if (x * x + y * y > 1.0) return -1;
    return Fold(out, h, 5, false, x, y);
}

int32_t LBIIS_for_toroidal_square_4_8(fcomplex* out, const hypertype* h, int32_t* firstCircle, int32_t* lastCircle,
                                      double x, double y) {
    *firstCircle = *lastCircle = 0;
    if (x * x + y * y > 1.0) return -1;
    fcomplex q{x, y};
    int32_t count = 0;
    for (int pass = 0; pass < kFoldPassLimit; ++pass) {
        bool fired = false;
        for (int k = 0; k < 4; ++k) {
            if (!InvertIfInside(&q, h, k)) continue;
            if (k == 0 || k == 2) q.im = -q.im;
            else q.re = -q.re;
            if (*firstCircle == 0) *firstCircle = k + 1;
            *lastCircle = k + 1;
            ++count;
            fired = true;
        }
        if (!fired) break;
    }
    *out = q;
    return count;
}

int64_t getRegion_for_triangle(fcomplex* M, fcomplex* V, const hypertype* h, double x, double y) {
    if (x * x + y * y > 1.0) return -2;
    const int64_t k = RegionOfAngle(x, y, 3);
    *M = h->trips[3 + kTriangleMid[k]];
    *V = h->trips[kTriangleVertex[k]];
    const fcomplex p{x, y};
    for (int i = 0; i < 3; ++i) {
        const fcomplex a = h->trips[i], b = h->trips[(i + 1) % 3];
        if (!(Ccross_product(Csub(b, a), Csub(p, a)) > 0.0)) return -1;
    }
    return k;
}

namespace {
int64_t RegionOfPolygon(fcomplex* M, fcomplex* V, fcomplex* C, double* r, const hypertype* h, int p, double x,
                        double y) {
    const int64_t k = RegionOfAngle(x, y, p);
    const int mid = p == 4 ? kSquareMid[k] : kPentagonMid[k];
    const int circle = p == 4 ? (mid + 3) % 4 : mid;
    *M = h->trips[p + mid];
    *V = h->trips[p == 4 ? kSquareVertex[k] : kPentagonVertex[k]];
    *C = h->circleCentres[circle];
    *r = h->circleRadii[circle];
    return k;
}
}  // namespace

int64_t getRegion_for_square(fcomplex* M, fcomplex* V, fcomplex* C, double* r, const hypertype* h, double x,
                             double y) {
    if (x * x + y * y > 1.0) return -2;
    return RegionOfPolygon(M, V, C, r, h, 4, x, y);
}
int64_t getRegion_for_pentagon(fcomplex* M, fcomplex* V, fcomplex* C, double* r, const hypertype* h, double x,
                               double y) {
    return RegionOfPolygon(M, V, C, r, h, 5, x, y);
}

int64_t getRegionAndBarys_for_triangle(fcomplex* M, fcomplex* V, double* s, double* t, double* third,
                                       const hypertype* h, double x, double y) {
    int64_t region = getRegion_for_triangle(M, V, h, x, y);
    if (region == -2) return region;
    // p - M = (V - M) s + (O - M) t by Cramer's rule.
    const fcomplex e0 = Csub(*V, *M), e1 = Cscale(*M, -1.0), g = Csub({x, y}, *M);
    const double det = Ccross_product(e0, e1);
    *s = Ccross_product(g, e1) / det;
    *t = Ccross_product(e0, g) / det;
    if (region == -1) {  // rounding or the pass limit: keep it in the cell of its angle
        *s = Clamp01(*s);
        *t = Clamp01(*t);
        if (*s + *t > 1.0) {
            const double sum = *s + *t;
            *s /= sum, *t /= sum;
        }
    }
    *third = 1.0 - *s - *t;
    return region;
}

void FlipSpinAndRecoverBarys(double* b0, double* b1, fcomplex point, fcomplex C, double r, fcomplex V) {
    if (Ccross_product(C, V) < 0.0) {
        point = ReflectInLineThrough(point, C);
        V = ReflectInLineThrough(V, C);
    }
    const double a = -std::atan2(C.im, C.re), ca = std::cos(a), sa = std::sin(a);
    point = Turn(point, ca, sa);
    V = Turn(V, ca, sa);
    C = Turn(C, ca, sa);
    // X: the line from C through the point meets the segment O-V.
    const fcomplex dir = Csub(point, C);
    const double den = Ccross_product(dir, V);
    double lenX = 0.0;
    if (den != 0.0) {
        const double tau = Ccross_product(C, V) / -den;  // C + dir tau lies on the line O-V
        lenX = Cabs(Cscale(dir, tau));
    }
    const double denom = lenX - r;
    *b0 = denom == 0.0 ? 0.0 : (Cabs(dir) - r) / denom;
    auto angle = [](fcomplex z) {
        const double g = std::atan2(z.im, z.re);
        return g < 0.0 ? g + 2.0 * kPi : g;
    };
    const double aV = angle(Csub(V, C));
    *b1 = 1.0 - (angle(dir) - aV) / (kPi - aV);
}

int64_t getRegionAndBarys_for_square(fcomplex* M, fcomplex* V, double* b0, double* b1, int64_t* extra,
                                     const hypertype* h, double x, double y) {
    fcomplex C;
    double r;
    *extra = -1;
    const int64_t region = getRegion_for_square(M, V, &C, &r, h, x, y);
    if (region >= 0) FlipSpinAndRecoverBarys(b0, b1, {x, y}, C, r, *V);
    return region;
}
int64_t getRegionAndBarys_for_pentagon(fcomplex* M, fcomplex* V, double* b0, double* b1, int64_t* extra,
                                       const hypertype* h, double x, double y) {
    fcomplex C;
    double r;
    *extra = -1;
    const int64_t region = getRegion_for_pentagon(M, V, &C, &r, h, x, y);
    FlipSpinAndRecoverBarys(b0, b1, {x, y}, C, r, *V);
    return region;
}

fcomplex more_hyperbolic_warping_for_3_9(const hypertype* h, PyramidDescriptor* cache, int64_t* region, double x,
                                         double y) {
    fcomplex q = Turn({x, y}, kCos30, -kSin30);
    if (LBIIS_for_triangle(&q, h, q.re, q.im) < 0) {
        *region = -2;
        return {0, 0};
    }
    q = Turn(Cscale(q, 1.0 / h->cellRadius), kCos30, kSin30);
    fcomplex M, V;
    double s, t, third;
    *region = getRegionAndBarys_for_triangle(&M, &V, &s, &t, &third, h, q.re, q.im);
    if (*region == -2) return {0, 0};
    const fcomplex c = IntoFlatCell(FetchFromCache_HyperbolicSextant_3_9(cache, Clamp01(s), Clamp01(t)));
    return CellPoint(M, V, c.re, c.im);
}

fcomplex more_hyperbolic_warping_for_4_8(const hypertype* h, PyramidDescriptor* cache, int64_t* region,
                                         int64_t foldKind, int32_t* inversions, int32_t* firstCircle,
                                         int32_t* lastCircle, double x, double y) {
    fcomplex q;
    *firstCircle = *lastCircle = 0;
    *inversions = foldKind == 1 ? LBIIS_for_toroidal_square_4_8(&q, h, firstCircle, lastCircle, x, y)
                                : LBIIS_for_square(&q, h, x, y);
    if (*inversions < 0) {
        *region = -2;
        return {0, 0};
    }
    fcomplex M, V;
    double b0 = 0, b1 = 0;
    int64_t extra;
    *region = getRegionAndBarys_for_square(&M, &V, &b0, &b1, &extra, h, q.re, q.im);
    if (*region < 0) return {0, 0};
    const fcomplex c = FetchFromCache_HyperbolicOctant_4_8(cache, Clamp01(b1), Clamp01(b0));
    return Cscale(CellPoint(M, V, c.re, c.im), 1.0 / h->cellRadius);
}

fcomplex more_hyperbolic_warping_for_5_4(const hypertype* h, PyramidDescriptor* cache, int64_t* region,
                                         uint8_t* flipped, double x, double y) {
    fcomplex q;
    const int32_t count = LBIIS_for_pentagon(&q, h, x, y);
    if (count < 0) {
        *region = -2;
        *flipped = 0;
        return {0, 0};
    }
    *flipped = static_cast<uint8_t>(count & 1);
    fcomplex M, V;
    double b0, b1;
    int64_t extra;
    *region = getRegionAndBarys_for_pentagon(&M, &V, &b0, &b1, &extra, h, q.re, q.im);
    const fcomplex c = IntoFlatCell(FetchFromCache_HyperbolicDecant_5_4(cache, Clamp01(b1), Clamp01(b0)));
    return Cscale(CellPoint(M, V, c.re, c.im), 1.0 / h->cellRadius);
}

bool HyperbolicDiscPoint(fcomplex* out, const FramingBox* frame, PyramidDescriptor* outline, int64_t mode, double u,
                         double v) {
    const double zoom = frame->inverseFitScale;
    double X = (u - 0.5) * zoom + frame->xCentre, Y = (v - 0.5) * frame->aspect * zoom + frame->yCentre;
    if (ProjectionInvolvesOuterSquare(mode)) {
        if (outsideCenteredSquare(X, Y)) return false;
        if (outline) {
            const fcomplex ab = PeirceInverseMagicallyCenteredInput(outline, X, Y);
            const double k = 0.7071067811865476;
            X = (ab.re + ab.im) * k;
            Y = (ab.im - ab.re) * k;
        }
    } else if (ProjectionInvolvesOuterPentagon(mode)) {
        if (!outline) return false;
        uint8_t outside = 0;
        const fcomplex w = PentagonInverseMagicallyCenteredInput(outline, &outside, X, Y);
        if (outside) return false;
        X = w.re, Y = w.im;
    } else if (ProjectionInvolvesOuterBand(mode)) {
        if (outsideCenteredHorizontalBand(X, Y)) return false;
        fcomplex w = BandInverseMagicallyCenteredInput(X, Y);
        if (ProjectionInvolves_4_8_tiling(mode)) w = Turn(w, 0.9421661926640826, 0.3351460359319005);
        X = w.re, Y = w.im;
    }
    if (X * X + Y * Y > 1.0) return false;
    *out = {X, Y};
    return true;
}

fcomplex tetimage_inscribed_in_circle(const NetBox& b, double x, double y) {
    const double h = std::fabs(b.bottom - b.top) / 1.5;
    return {(b.left + b.right) / 2 + (x * kCos30 - y * kSin30) * h,
            (b.top + b.bottom) / 2 + (x * kSin30 + y * kCos30 + 0.25) * h};
}

fcomplex pentagonimage_inscribed_in_circle(const NetBox& b, uint8_t flipped, double x, double y) {
    const double h = std::fabs(b.bottom - b.top) / 1.80901699437;
    double t = x * 0.9510565162951535 + y * 0.3090169943749474;
    if (flipped) t = -t;
    return {(b.left + b.right) / 2 + t * h,
            (b.top + b.bottom) / 2 + (-x * 0.3090169943749474 + y * 0.9510565162951535 + 0.09549150281499996) * h};
}

fcomplex squareimage_inscribed_in_circle(double x, double y) {
    return {x * 1.4142135623730951, y * 1.4142135623730951};
}

bool calc_skewed_coordinates_for_Hyperbolic_3_9(const NetBox& box, float* x, float* y, const hypertype* h,
                                                const FramingBox* frame, PyramidDescriptor* cache,
                                                PyramidDescriptor* outline, int64_t mode, double rowDivisor,
                                                double u, double v) {
    *x = *y = 0.0f;
    fcomplex d;
    if (!HyperbolicDiscPoint(&d, frame, outline, mode, u, double(float(v / rowDivisor)))) return false;
    d = Turn(d, kCos30, -kSin30);
    int64_t region;
    const fcomplex f = more_hyperbolic_warping_for_3_9(h, cache, &region, d.re, d.im);
    if (region == -2) return false;
    const fcomplex n = tetimage_inscribed_in_circle(box, f.re, f.im);
    *x = float(n.re), *y = float(n.im);
    return true;
}

bool calc_skewed_coordinates_for_Hyperbolic_5_4(const NetBox& box, float* x, float* y, const hypertype* h,
                                                const FramingBox* frame, PyramidDescriptor* cache,
                                                PyramidDescriptor* outline, int64_t mode, double rowDivisor,
                                                double u, double v) {
    *x = *y = 0.0f;
    fcomplex d;
    if (!HyperbolicDiscPoint(&d, frame, outline, mode, u, double(float(v / rowDivisor)))) return false;
    d = Turn(d, 0.9510662229104034, 0.30898711888837505);
    int64_t region;
    uint8_t flipped;
    const fcomplex f = more_hyperbolic_warping_for_5_4(h, cache, &region, &flipped, d.re, d.im);
    if (region == -2) return false;
    const fcomplex n = pentagonimage_inscribed_in_circle(box, flipped, f.re, f.im);
    *x = float(n.re), *y = float(n.im);
    return true;
}

int64_t calc_skewed_coordinates_for_Hyperbolic_4_8(double* x, double* y, const hypertype* h, const FramingBox* frame,
                                                   PyramidDescriptor* cache, PyramidDescriptor* outline,
                                                   int64_t mode, uint8_t* miss, double u, double v) {
    fcomplex d;
    int64_t region = -2;
    int32_t count, first, last;
    fcomplex f{0, 0};
    if (HyperbolicDiscPoint(&d, frame, outline, mode, u, v))
        f = more_hyperbolic_warping_for_4_8(h, cache, &region, 0, &count, &first, &last, d.re, d.im);
    if (region < 0) {
        *miss = 1;
        *x = *y = 0.0;
        return -2;
    }
    const fcomplex s = squareimage_inscribed_in_circle(f.re, f.im);
    *x = s.re, *y = s.im;
    return 0;
}

void TotalHyperbolic_4_8(uint8_t* miss, float out[3], PyramidDescriptor* peirceCache, PyramidDescriptor* tableCache,
                         const FramingBox* frame, const hypertype* h, PyramidDescriptor* outline, int64_t mode,
                         double u, double v) {
    double x, y;
    if (calc_skewed_coordinates_for_Hyperbolic_4_8(&x, &y, h, frame, tableCache, outline, mode, miss, u, v) != 0) {
        out[0] = 0.0f, out[1] = 0.0f, out[2] = 1.0f;
        return;
    }
    const fcomplex q = ReflectIntoSquare(x, y);
    TotalPeirce(miss, out, peirceCache, q.re, q.im, 1.0, 0.0);
}

// ---- the output modes these tilings serve ----

namespace {

// The {4,8} tiling inside a disc, a square, a pentagon or a band; the
// square's outline is the Peirce square and the pentagon's the decant cache.
void Hyperbolic48(ProjectionSample& s) {
    void* caches = s.context->projectionCaches;
    PyramidDescriptor* peirce = BuiltProjectionCache(caches, kCacheTagPeirce);
    PyramidDescriptor* table = BuiltProjectionCache(caches, kCacheTagHyperbolic_4_8);
    PyramidDescriptor* outline = nullptr;
    if (s.mode == kModeHyperbolic4_8Square) outline = peirce;
    if (s.mode == kModeHyperbolic4_8Pentagon) outline = BuiltProjectionCache(caches, kCacheTagDecant);
    if (!peirce || !table || (s.mode == kModeHyperbolic4_8Pentagon && !outline)) {
        s.miss = 1;
        s.point[0] = 0.0f, s.point[1] = 0.0f, s.point[2] = 1.0f;
        return;
    }
    TotalHyperbolic_4_8(&s.miss, s.point, peirce, table, &s.context->hyperbolicFraming, &s.hints->hyper, outline,
                        s.mode, double(s.u), double(s.v));
}

constexpr ProjectionEntry kServed[] = {
    {kModeHyperbolic4_8Disc, Hyperbolic48},
    {kModeHyperbolic4_8Square, Hyperbolic48},
    {kModeHyperbolic4_8Pentagon, Hyperbolic48},
    {kModeHyperbolic4_8Band, Hyperbolic48},
};

}  // namespace

ProjectionTable HyperbolicTilingProjections() { return kServed; }
