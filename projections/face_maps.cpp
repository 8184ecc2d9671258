#include "projections/face_maps.h"

#include <cmath>

#include "polyhedra/barycentrics.h"
#include "polyhedra/polyhedron.h"
#include "projections/caches.h"
#include "projections/peirce.h"
#include "projections/stereographic.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;
constexpr float F(double degrees) { return static_cast<float>(degrees * kDegree); }
constexpr double D(double degrees) { return degrees * kDegree; }

constexpr double kSqrt3Half = 0.8660254037844386;
constexpr double kSqrt2Thirds = 0.816496580927726;   // sqrt(2/3)
constexpr double kInvSqrt3 = 0.5773502691896257;     // 1/sqrt 3
constexpr double kTwoSqrt2Thirds = 0.9428090415820634;  // 2 sqrt 2 / 3
constexpr double kThird = 0.33333333333333326;

}  // namespace

// ------------------------------------------------------------ spin tables

const float fivestar_disk_spin[20] = {F(0),   F(0),   F(72),  F(72),  F(144), F(144), F(216),
                                      F(216), F(288), F(288), F(0),   F(0),   F(72),  F(72),
                                      F(144), F(144), F(216), F(216), F(288), F(288)};
const float pentalene_disk_spin[20] = {F(194.4), F(194.4), F(266.4), F(266.4), F(338.4), F(338.4), F(410.4),
                                       F(410.4), F(482.4), F(482.4), F(-14.4), F(-14.4), F(57.6),  F(57.6),
                                       F(129.6), F(129.6), F(201.6), F(201.6), F(273.6), F(273.6)};
const float adamsdiamonds_disk_spin[16] = {F(90),  F(180), F(180), F(270), F(270), F(360), F(360), F(90),
                                           F(270), F(360), F(360), F(90),  F(90),  F(180), F(180), F(270)};
const double threestar_disk_spin[12] = {D(0), D(0), D(-120), D(-120), D(-240), D(-240),
                                        D(0), D(0), D(-120), D(-120), D(-240), D(-240)};
const double bipolar_rhombus_disk_spin[12] = {D(0), D(0), D(-120), D(-120), D(-240), D(-240),
                                              D(0), D(0), D(-120), D(-120), D(-240), D(-240)};
const float rhombus1_disk_spin[4] = {F(-240), F(-240), F(-120), F(-120)};
const float sixstar_disk_spin[24] = {F(0),   F(60),  F(60),  F(120), F(120), F(180), F(180), F(240),
                                     F(240), F(300), F(300), F(360), F(0),   F(60),  F(60),  F(120),
                                     F(120), F(180), F(180), F(240), F(240), F(300), F(300), F(360)};
const float pointy_disk_spin[24] = {F(0),   F(60),  F(0),   F(60),  F(60),  F(120), F(60),  F(120),
                                    F(120), F(180), F(120), F(180), F(180), F(240), F(180), F(240),
                                    F(240), F(300), F(240), F(300), F(300), F(360), F(300), F(360)};
const float naphthalene_disk_spin[24] = {F(0),   F(60),  F(60),  F(120), F(120), F(180), F(180), F(240),
                                         F(240), F(300), F(300), F(360), F(120), F(180), F(180), F(240),
                                         F(240), F(300), F(300), F(360), F(0),   F(60),  F(60),  F(120)};
const float phenalene_disk_spin[36] = {
    F(150), F(210), F(210), F(270), F(270), F(330), F(330), F(390), F(390), F(450), F(450), F(510),
    F(330), F(390), F(390), F(450), F(450), F(510), F(510), F(570), F(210), F(270), F(270), F(330),
    F(-30), F(30),  F(30),  F(90),  F(90),  F(150), F(150), F(210), F(210), F(270), F(270), F(330)};
const float anthracene_disk_spin[36] = {
    F(90),  F(150), F(150), F(210), F(210), F(270), F(270), F(330), F(330), F(390), F(390), F(450),
    F(210), F(270), F(270), F(330), F(330), F(390), F(390), F(450), F(90),  F(150), F(150), F(210),
    F(210), F(270), F(270), F(330), F(330), F(390), F(390), F(450), F(450), F(510), F(510), F(570)};
const float Reuleaux8_spin[6] = {F(0), F(240), F(240), F(120), F(120), F(0)};

double bipolar_rhombus_facing(int64_t t) { return (t & 1) ? 1.0 : -1.0; }
double rhombus1_facing(int64_t t) { return (t & 3) == 0 || (t & 3) == 3 ? -1.0 : 1.0; }

namespace {

// A tag beyond its table reads the table from the start again, so a net with
// more tags than the layout knows still reads inside it.
template <class T, size_t N>
T Spin(const T (&table)[N], int64_t t) {
    return table[static_cast<size_t>(t < 0 ? 0 : t) % N];
}

int64_t TagOf(const polyhedron* poly, int64_t face) { return poly->netTriangle[face].tag; }

struct Disc {
    double x, y;
};

// (c0, c1), c1 negated when asked, turned by the spin (sine and cosine in
// single precision).
Disc TurnedDisc(fcomplex c, bool negate, double spin) {
    const double c1 = negate ? -c.im : c.im;
    const double s = std::sin(static_cast<float>(spin)), k = std::cos(static_cast<float>(spin));
    return {c.re * k - c1 * s, c.re * s + c1 * k};
}

// The sextant lookups clamp b2 to 1 - b0 beyond the triangle's long side.
fcomplex SextantLookup(PyramidDescriptor* sextant, double b0, double b2) {
    return FetchFromCache_sextant(sextant, b0, b0 + b2 > 1.0 ? 1.0 - b0 : b2);
}

// S(w) in double precision.
void Lift(Disc w, double p[3]) {
    const double r2 = w.x * w.x + w.y * w.y, d = 1.0 + r2;
    p[0] = -2.0 * w.x / d, p[1] = -2.0 * w.y / d, p[2] = (1.0 - r2) / d;
}

// S(w) then the lune substitution of h.
void LiftIntoLune(Disc w, double h, double p[3]) {
    Lift(w, p);
    unsigned char scratch = 0;
    SubstituteSphereSegment_NiceD(p, &scratch, h, 0.0);
}

void FloatStep(Disc w, double p[3]) {
    float f[3];
    InverseStereographicStep(f, w.x, w.y);
    p[0] = f[0], p[1] = f[1], p[2] = f[2];
}

void Store(float out[3], double x, double y, double z) {
    out[0] = static_cast<float>(x), out[1] = static_cast<float>(y), out[2] = static_cast<float>(z);
}

// The chain maps whose tags from `half` on are the mirror images of the
// first half's: such a tag reflects its disc, and its lift lies on the far
// side of the plane the two halves share.
void LiftMirroredHalves(Disc w, int64_t t, int64_t half, float out[3], int64_t* region) {
    const bool far = t >= half;
    if (far) w.x = -w.x;
    double p[3];
    FloatStep(w, p);
    Store(out, far ? p[2] : -p[2], p[0], -p[1]);
    *region = t;
}

}  // namespace

// ------------------------------------------------------------ star and chain maps

void TotalFivestarToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* decant,
                           int64_t variant, int64_t* region, double b0, double, double b2) {
    const int64_t t = TagOf(poly, face);
    double spin = Spin(fivestar_disk_spin, t);
    if (variant == 0 || variant == 1) spin += 3.4557519183;  // 198 degrees
    const Disc w = TurnedDisc(FetchFromCache_decant(decant, b0, b2), t & 1, spin);
    double p[3];
    if (variant == 0) FloatStep(w, p);
    else LiftIntoLune(w, 0.5, p);
    Store(out, p[0], p[1], t > 9 ? -p[2] : p[2]);
    *region = t;
}

void TotalPentaleneToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* decant,
                            int64_t* region, double b0, double, double b2) {
    const int64_t t = TagOf(poly, face);
    const Disc w = TurnedDisc(FetchFromCache_decant(decant, b0, b2), t & 1, Spin(pentalene_disk_spin, t));
    LiftMirroredHalves(w, t, 10, out, region);
}

void TotalAdamsdiamondsToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* nuoctant,
                                int64_t* region, double b0, double, double b2) {
    const int64_t t = TagOf(poly, face);
    const Disc w = TurnedDisc(FetchFromCache_nuoctant(nuoctant, b0, b2), t & 1, Spin(adamsdiamonds_disk_spin, t));
    LiftMirroredHalves(w, t, 8, out, region);
}

void TotalThreestarToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* sextant,
                            int64_t variant, int64_t* region, double b0, double, double b2) {
    const int64_t t = TagOf(poly, face);
    fcomplex c = SextantLookup(sextant, b0, b2);
    bool negate = false;
    double spin = 0.0;
    if (variant == 0 || variant == 1) {
        negate = !(t & 1);
        spin = Spin(threestar_disk_spin, t) + (variant == 0 ? 4.188790204 : 4.712388979794897);
    } else if (variant == 2) {
        c.im *= bipolar_rhombus_facing(t);
        spin = Spin(bipolar_rhombus_disk_spin, t) - 1.5707963268333334;
    }
    const Disc w = TurnedDisc(c, negate, spin);
    double p[3];
    if (variant == 0 || variant == 2) FloatStep(w, p);
    else LiftIntoLune(w, 0.5, p);
    if (variant == 0 || variant == 1) Store(out, p[0], p[1], t > 5 ? -p[2] : p[2]);
    else if (variant == 2) Store(out, t < 6 ? -p[2] : p[2], p[1], t < 6 ? p[0] : -p[0]);
    else Store(out, p[0], p[1], p[2]);
    *region = t;
}

void TotalRhombusToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* sextant,
                          int64_t* region, double b0, double, double b2) {
    const int64_t t = TagOf(poly, face);
    fcomplex c = SextantLookup(sextant, b0, b2);
    c.im *= rhombus1_facing(t);
    const Disc w = TurnedDisc(c, false, Spin(rhombus1_disk_spin, t) - 1.5707963268333334);
    // w cubed: modulus cubed, angle tripled.
    Disc w3{0.0, 0.0};
    const double r = std::hypot(w.x, w.y);
    if (r > 0.0) {
        const double a = 3.0 * std::atan2(w.y, w.x);
        w3 = {r * r * r * std::cos(a), r * r * r * std::sin(a)};
    }
    double s[3];
    Lift(w3, s);
    Store(out, s[0], t < 2 ? -s[2] : s[2], s[1]);
    *region = t;
}

namespace {

// The six-star's lift: S(w) then the lune of 1/2 with the flag set, else the
// float step; the half-sector offset when the flag is clear.
void SixstarLift(PyramidDescriptor* dodecant, const float (&spins)[24], int64_t t, int64_t flag, double b0,
                 double b2, double p[3]) {
    double spin = Spin(spins, t);
    if (flag == 0) spin += 0.5235987755;
    const Disc w = TurnedDisc(FetchFromCache_dodecant(dodecant, b0, b2), t & 1, spin);
    if (flag) LiftIntoLune(w, 0.5, p);
    else FloatStep(w, p);
}

}  // namespace

void TotalSixstarToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* dodecant,
                          int64_t flag, int64_t* region, double b0, double, double b2) {
    const int64_t t = TagOf(poly, face);
    double p[3];
    SixstarLift(dodecant, sixstar_disk_spin, t, flag, b0, b2, p);
    Store(out, p[0], p[1], t >= 12 ? -p[2] : p[2]);
    *region = t;
}

void TotalNEWPOINTYToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* dodecant,
                            int64_t flag, int64_t* region, double b0, double, double b2) {
    const int64_t t = TagOf(poly, face);
    double p[3];
    SixstarLift(dodecant, pointy_disk_spin, t, flag, b0, b2, p);
    double q[3] = {p[0], (t & 2) ? -p[2] : p[2], -p[1]};
    unsigned char scratch = 0;
    SubstituteSphereSegment_NiceD(q, &scratch, 0.333333333, 0.0);
    Store(out, q[0], kSqrt3Half * q[1] - 0.5 * q[2], 0.5 * q[1] + kSqrt3Half * q[2]);
    *region = t;
}

void TotalNaphthaleneToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* dodecant,
                              int64_t* region, double b0, double, double b2) {
    const int64_t t = TagOf(poly, face);
    const Disc w = TurnedDisc(FetchFromCache_dodecant(dodecant, b0, b2), t & 1, Spin(naphthalene_disk_spin, t));
    LiftMirroredHalves(w, t, 12, out, region);
}

void TotalPhenaleneToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* dodecant,
                            int64_t* region, double b0, double, double b2) {
    const int64_t t = TagOf(poly, face);
    const Disc w = TurnedDisc(FetchFromCache_dodecant(dodecant, b0, b2), t & 1, Spin(phenalene_disk_spin, t));
    double p[3];
    LiftIntoLune(w, 1.5, p);
    const double rho = D(120.0) * static_cast<double>(t / 12);
    const double c = std::cos(rho), s = std::sin(rho);
    Store(out, p[0] * c + p[2] * s, p[0] * s - p[2] * c, p[1]);
    *region = t;
}

void TotalAnthraceneToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* dodecant,
                             int64_t* region, double b0, double, double b2) {
    const int64_t t = TagOf(poly, face);
    const Disc w = TurnedDisc(FetchFromCache_dodecant(dodecant, b0, b2), t & 1, Spin(anthracene_disk_spin, t));
    double p[3];
    LiftIntoLune(w, 1.5, p);
    const int64_t m = t / 12 + 2;
    if (m == 3) {
        Store(out, p[0], p[1], p[2]);
    } else {
        const double rho = D(-120.0) * static_cast<double>(m);
        const double c = std::cos(rho), s = std::sin(rho);
        Store(out, p[0] * c + p[2] * s, p[1], p[2] * c - p[0] * s);
    }
    *region = t;
}

// ------------------------------------------------------------ cube-based maps

namespace {

// The face's 3D point at the weights the conformal cube map gives (b0, b2).
void WarpedCubePoint(int64_t face, const polyhedron* poly, PyramidDescriptor* sphereCube, double b0, double b2,
                     double P[3]) {
    float scratch[3];
    const fcomplex c = FetchFromCache_spherecube(scratch, sphereCube, 1.0 - b0, b2);
    const double p0 = 1.0 - c.re, p2 = c.im;
    Get3DPointFromFaceAndBarys(face, P, poly, p0, 1.0 - p0 - p2, p2);
}

}  // namespace

void TotalWaffleToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* sphereCube,
                         int64_t* region, unsigned char* miss, double b0, double, double b2, float t1, float t2) {
    double P[3];
    WarpedCubePoint(face, poly, sphereCube, b0, b2, P);
    *region = TagOf(poly, face);
    const double m = std::sqrt(P[0] * P[0] + P[1] * P[1] + P[2] * P[2]);
    double p[3] = {0.0, 0.0, 1.0};
    if (m > 0.0) p[0] = P[0] / m, p[1] = P[1] / m, p[2] = P[2] / m;
    const double y = p[1], z = p[2];
    p[1] = 0.7071067811865476 * (y + z);
    p[2] = 0.7071067811865476 * (z - y);
    SubstituteSphereSegment_NiceD(p, miss, 2.0, 0.0);
    // The net's first vertex and the mean height of its first and 29th
    // vertices say which half of the net the output point lies in.
    const float a = poly->netVertex[0].x;
    const float mean = 0.5f * (poly->netVertex[0].y + poly->netVertex[28].y);
    if (mean < t2 && ((a >= t1 && p[0] <= 0.0) || (a < t1 && p[0] > 0.0))) {
        p[0] = -p[0];
        p[2] = -p[2];
    }
    Store(out, p[0], p[1], p[2]);
}

void ConformallyWarpUnitCube(float point[3], PyramidDescriptor* sphereCube) {
    const float ax = std::fabs(point[0]), ay = std::fabs(point[1]), az = std::fabs(point[2]);
    int axis = 0;
    if (ay > ax && ay > az) axis = 1;
    else if (az > ax && az > ay) axis = 2;
    const int first = axis == 0 ? 1 : 0, second = axis == 2 ? 1 : 2;
    float r[3];
    FetchFromCache_spherecube(r, sphereCube, point[first], point[second]);
    double p[3] = {point[0], point[1], point[2]};
    if (r[2] != 0.0f) {
        p[first] = r[0] / -static_cast<double>(r[2]);
        p[second] = r[1] / -static_cast<double>(r[2]);
    }
    const double m = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    if (m > 0.0) p[0] /= m, p[1] /= m, p[2] /= m;
    const double u = (p[0] + p[1]) / std::sqrt(2.0);
    Store(point, 0.7071067812908092 * p[0] - 0.7071067810822859 * p[1], kSqrt2Thirds * u - kInvSqrt3 * p[2],
          kInvSqrt3 * u + kSqrt2Thirds * p[2]);
}

// ------------------------------------------------------------ Reuleaux maps

namespace {

// The face point P, read as a point of the stereographic plane, and its
// direction D about (0, 0, 1).
void ReuleauxPoint(int64_t face, const polyhedron* poly, double b0, double b1, double b2, double P[3],
                   double Dir[3]) {
    Get3DPointFromFaceAndBarys(face, P, poly, b0, b1, b2);
    const double r2 = P[0] * P[0] + P[1] * P[1], d = 1.0 + r2;
    Dir[0] = 2.0 * P[0] / d, Dir[1] = -2.0 * P[1] / d, Dir[2] = (1.0 - r2) / d;
}

bool OutsideTheVertexCell(const double Dir[3]) {
    const float f[3] = {static_cast<float>(Dir[0]), static_cast<float>(Dir[1]), static_cast<float>(Dir[2])};
    return NearestTetrahedronVertex(f) != 3;
}

// Writes (A, B, C) permuted and signed: rule entry +-1, +-2, +-3 picks
// +-A, +-B, +-C.
void StoreSigned(float out[3], const int8_t (&rule)[3], double A, double B, double C) {
    const double v[3] = {A, B, C};
    for (int i = 0; i < 3; ++i) {
        const int k = rule[i] < 0 ? -rule[i] : rule[i];
        out[i] = static_cast<float>(rule[i] < 0 ? -v[k - 1] : v[k - 1]);
    }
}

void Missed(float out[3], int64_t* region, unsigned char* miss) {
    *miss = 1;
    *region = -5;
    Store(out, 0.0, 0.0, 1.0);
}

}  // namespace

int OutsideReuleaux(int64_t face, double b0, double b1, double b2, double Dir[3], const polyhedron* poly,
                    int64_t variant) {
    double P[3];
    ReuleauxPoint(face, poly, b0, b1, b2, P, Dir);
    if (variant == 2) {
        // Outside the intersection of the three discs: beyond one of them.
        static const double centres[3][2] = {
            {-1.4142135623730951, 0.0}, {0.7071067811865476, 1.224744871}, {0.7071067811865476, -1.224744871}};
        for (const auto& c : centres)
            if (std::hypot(P[0] - c[0], P[1] - c[1]) > 1.7320508075688772) return 1;
        return 0;
    }
    if (variant == 1) return OutsideTheVertexCell(Dir) ? 1 : 0;
    return 0;
}

void TotalReuleaux8ToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* toOctoface,
                            int64_t* region, unsigned char* miss, double b0, double b1, double b2) {
    double P[3], Dir[3];
    ReuleauxPoint(face, poly, b0, b1, b2, P, Dir);
    if (OutsideTheVertexCell(Dir)) return Missed(out, region, miss);
    const int64_t t = TagOf(poly, face), g = t / 6, h = g % 4;
    *region = g;
    const Disc w = TurnedDisc(FetchFromCache_ReuleauxSextantToOctoface(toOctoface, b2, b0), !(t & 1),
                              Spin(Reuleaux8_spin, t - 6 * g));
    const double r2 = w.x * w.x + w.y * w.y;
    const double k = std::sqrt(r2 < 1.0 ? 1.0 - r2 : 0.0);
    const double u = 0.5 * w.x + kSqrt3Half * w.y;
    const double A = kSqrt2Thirds * k + kInvSqrt3 * u, B = kSqrt2Thirds * u - kInvSqrt3 * k,
                 C = kSqrt3Half * w.x - 0.5 * w.y;
    static constexpr int8_t kOctants[2][4][3] = {{{1, 2, -3}, {3, 2, 1}, {-1, 2, 3}, {-3, 2, -1}},
                                                 {{3, -2, -1}, {-1, -2, -3}, {-3, -2, 1}, {1, -2, 3}}};
    StoreSigned(out, kOctants[t < 24 ? 0 : 1][h], A, B, C);
}

void TotalOctreleauxToSphere(int64_t face, float out[3], const polyhedron* poly, int64_t* region,
                             unsigned char* miss, double b0, double b1, double b2) {
    double Dir[3];
    if (OutsideReuleaux(face, b0, b1, b2, Dir, poly, 2)) return Missed(out, region, miss);
    const int64_t t = TagOf(poly, face), g = t / 6, h = g % 4;
    *region = g;
    const double A = -Dir[1], B = kSqrt2Thirds * Dir[0] - kInvSqrt3 * Dir[2],
                 C = kSqrt2Thirds * Dir[2] + kInvSqrt3 * Dir[0];
    static constexpr int8_t kOctants[2][4][3] = {{{3, 2, -1}, {1, 2, 3}, {-3, 2, 1}, {-1, 2, -3}},
                                                 {{1, -2, -3}, {-3, -2, -1}, {-1, -2, 3}, {3, -2, 1}}};
    StoreSigned(out, kOctants[t <= 23 ? 0 : 1][h], A, B, C);
}

void TotalReuleaux1Or2ToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* toCircle,
                               int64_t variant, int64_t* region, unsigned char* miss, double b0, double b1,
                               double b2) {
    double P[3], Dir[3];
    ReuleauxPoint(face, poly, b0, b1, b2, P, Dir);
    if (OutsideTheVertexCell(Dir)) return Missed(out, region, miss);
    const int64_t t = TagOf(poly, face), g = t / 6;
    *region = g;
    constexpr double kThirdTurn = 2.0943951023931957;
    double spin = Spin(Reuleaux8_spin, t - 6 * g);
    if (variant == 2) {
        spin = static_cast<float>(spin + kThirdTurn);
        if (t > 5 && t < 12) spin += kThirdTurn;
    }
    Disc w = TurnedDisc(FetchFromCache_ReuleauxSextantToCircle(toCircle, b2, b0), !(t & 1), spin);
    // A point of the cell lies in the disc, but the interpolated table may
    // step past the rim next to the cell's arcs: held on the rim.
    const double rim = w.x * w.x + w.y * w.y;
    if (rim > 1.0) w = {w.x / std::sqrt(rim), w.y / std::sqrt(rim)};
    const double r2 = w.x * w.x + w.y * w.y, d = 1.0 + r2;
    const double a = 2.0 * w.x / d, b = 2.0 * w.y / d, c = (1.0 - r2) / d;
    double E[3] = {-kSqrt3Half * a + 0.5 * b, -0.5 * a - kSqrt3Half * b, c};
    if (variant == 2) {
        if (t >= 6 && t < 12) return Store(out, -E[0], -E[2], -E[1]);
        return Store(out, E[0], E[2], -E[1]);
    }
    // E lies in the closed hemisphere the lune opens onto the sphere; on its
    // rim rounding could flag a point of the cell as outside, so the lune's
    // flag is not the map's miss (the cell test above decides that).
    unsigned char rounding = 0;
    SubstituteSphereSegment_NiceD(E, &rounding, 0.5, 0.0);
    Store(out, E[0], E[1], E[2]);
}

void TotalReuleaux4ToSphere(int64_t face, float out[3], const polyhedron* poly, int64_t* region,
                            unsigned char* miss, double b0, double b1, double b2) {
    double P[3], Dir[3];
    ReuleauxPoint(face, poly, b0, b1, b2, P, Dir);
    if (OutsideTheVertexCell(Dir)) return Missed(out, region, miss);
    const int64_t t = TagOf(poly, face);
    *region = t / 6;
    const double r2 = P[0] * P[0] + P[1] * P[1], d = 1.0 + r2;
    const double a = 2.0 * P[0] / d, b = 2.0 * P[1] / d, c = (1.0 - r2) / d;
    const double e1 = kSqrt3Half * a + 0.5 * b, e2 = 0.5 * a - kSqrt3Half * b;
    const double F = kTwoSqrt2Thirds * c - e2 / 3.0, G = c / 3.0 + kTwoSqrt2Thirds * e2;
    double E = e1, H = F, L = G;
    if (t >= 12 && t <= 17) {
        E = kSqrt3Half * F + 0.5 * e1, H = kSqrt3Half * e1 - 0.5 * F, L = G;
    } else if (t >= 6 && t <= 11) {
        E = e1, H = kThird * F - kTwoSqrt2Thirds * G, L = -kTwoSqrt2Thirds * F - kThird * G;
    } else if (t >= 18 && t <= 23) {
        E = 0.5 * e1 - kSqrt3Half * F, H = -0.5 * F - kSqrt3Half * e1, L = G;
    }
    const double m = kThird * H - kTwoSqrt2Thirds * L;
    Store(out, kSqrt3Half * m + 0.5 * E, kSqrt3Half * E - 0.5 * m, kTwoSqrt2Thirds * H + kThird * L);
}

// ------------------------------------------------------------ conformal face warps

namespace {

// (c0, c1) from the lookup at (b2, b0) become the new b2 and b0.
void WarpThroughFace(float* b0, float* b1, float* b2, fcomplex c) {
    *b2 = static_cast<float>(c.re);
    *b0 = static_cast<float>(c.im);
    *b1 = static_cast<float>(1.0 - c.re - c.im);
}

}  // namespace

void WarpBarysForTetrahedron(float* b0, float* b1, float* b2, PyramidDescriptor* tetfaceSextant) {
    WarpThroughFace(b0, b1, b2, FetchFromCache_tetfacesextant(tetfaceSextant, *b2, *b0));
}

void WarpBarysForConformalOctahedron(float* b0, float* b1, float* b2, PyramidDescriptor* octaface) {
    WarpThroughFace(b0, b1, b2, FetchFromCache_octaface(octaface, *b2, *b0));
}

void WarpBarysForConformalIcosahedron(float* b0, float* b1, float* b2, PyramidDescriptor* icoface) {
    WarpThroughFace(b0, b1, b2, FetchFromCache_icoface(icoface, *b2, *b0));
}

void WarpBarysForConformalDodecahedron(float* b0, float* b1, float* b2, PyramidDescriptor* dodecDecant) {
    const fcomplex c = FetchFromCache_ConformalDodecDecant(dodecDecant, *b1, *b2);
    *b0 = static_cast<float>(1.0 - c.re - c.im);
    *b1 = static_cast<float>(c.im);
    *b2 = static_cast<float>(c.re);
}
