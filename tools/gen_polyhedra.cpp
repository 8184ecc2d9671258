// Writes polyhedra/generated/builtin_shapes.cpp: the built-in solids whose
// geometry mathematics fixes, computed from their definitions.
//
// Conventions of every table written here:
// - y is north; the regular solids are dual-aligned: the cube's face centres
//   lie on +-x, +-y, +-z (so the octahedron's vertices do), the tetrahedron
//   takes alternate cube corners (the one at (+,+,+)), and the icosahedral
//   solids have their 2-fold axes on x, y and z.
// - Scale: circumradius 1, except the cube (NewCube, corners at +-0.5), the
//   Catalan solids (the polar reciprocals of their Archimedean partners about
//   the partner's midsphere, so both share it) and the Waterman solid (FCC
//   points with integer coordinates). The rhombic hexecontahedron has its
//   valley vertices at distance 1.
// - Vertices are numbered from north to south (by y, then by longitude
//   atan2(x, z)); faces likewise by their centroids, except the cube (faces
//   in the cube-face numbering 0 = -z, 1 = -x, 2 = -y, 3 = +z, 4 = +x,
//   5 = +y) and the Waterman solid (its 8 hexagons first, then its squares).
// - Faces wind counter-clockwise seen from outside (the float face tables
//   too, so their builders read them unreversed); each starts at its
//   lowest vertex number. OldIco is NewIco's vertices with the faces in
//   longitude order around each of the icosahedron's three bands.
// - NewCube's net is the horizontal cross of cube-map input: 4 x 3 square
//   cells of side 1/4 (y downward, as the input picture's rows), face F in
//   the cell the input layout gives it, each point where that layout samples
//   its direction. It shows the faces as seen from the centre.
// - The cube without a net (shape 80) shares NewCube's vertices; its faces
//   are listed so that the net grown from them is the vertical cross of
//   cube-map input (+z first, from its (-x, -y) corner).
// - The snub cube is the one whose vertices are the even permutations of
//   (+-1, +-1/t, +-t) with an even number of plus signs and the odd
//   permutations with an odd number (t the tribonacci constant); its dual
//   PentTwoFour has the same handedness.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct P {
    double x, y, z;
};
P operator+(P a, P b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
P operator-(P a, P b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
P operator*(P a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(P a, P b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
P Cross(P a, P b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Len(P a) { return std::sqrt(Dot(a, a)); }
P Unit(P a) { return a * (1.0 / Len(a)); }

using Face = std::vector<int>;

struct Solid {
    std::vector<P> v;
    std::vector<Face> f;
};

const double kPhi = (1 + std::sqrt(5.0)) / 2;
const double kPi3 = 3.14159265358979323846 / 3;

// Every sign combination of the nonzero coordinates.
void AddSigns(std::vector<P>& out, P p) {
    for (int s = 0; s < 8; ++s) {
        P q{(s & 1) ? -p.x : p.x, (s & 2) ? -p.y : p.y, (s & 4) ? -p.z : p.z};
        bool dup = false;
        for (const P& o : out) dup = dup || Len(o - q) < 1e-9;
        if (!dup) out.push_back(q);
    }
}
void AddCyclic(std::vector<P>& out, P p) {
    AddSigns(out, p);
    AddSigns(out, {p.z, p.x, p.y});
    AddSigns(out, {p.y, p.z, p.x});
}
// Convex hull of a point set: faces are the maximal planes with every point
// on their inner side, their corners the extreme points of the plane's
// points, wound counter-clockwise seen from outside.
std::vector<Face> Hull(const std::vector<P>& pts) {
    const double eps = 1e-9;
    std::vector<Face> faces;
    std::map<std::vector<int>, bool> seen;
    const int n = int(pts.size());
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            for (int k = j + 1; k < n; ++k) {
                P nrm = Cross(pts[j] - pts[i], pts[k] - pts[i]);
                if (Len(nrm) < 1e-9) continue;
                nrm = Unit(nrm);
                double d = Dot(nrm, pts[i]);
                int above = 0, below = 0;
                for (const P& q : pts) {
                    const double s = Dot(nrm, q) - d;
                    if (s > eps) ++above;
                    if (s < -eps) ++below;
                }
                if (above && below) continue;
                if (above) {
                    nrm = nrm * -1.0;
                    d = -d;
                }
                std::vector<int> on;
                for (int m = 0; m < n; ++m)
                    if (std::fabs(Dot(nrm, pts[m]) - d) <= eps) on.push_back(m);
                if (seen[on]) continue;
                seen[on] = true;
                // Extreme points in the plane by gift wrapping.
                P c{0, 0, 0};
                for (int m : on) c = c + pts[m];
                c = c * (1.0 / on.size());
                const P u = Unit(pts[on[0]] - c), w = Cross(nrm, u);
                std::vector<std::pair<double, double>> q2;
                for (int m : on) q2.push_back({Dot(pts[m] - c, u), Dot(pts[m] - c, w)});
                int start = 0;
                for (int a = 1; a < int(on.size()); ++a)
                    if (q2[a] < q2[start]) start = a;
                Face face;
                int cur = start;
                do {
                    face.push_back(on[cur]);
                    int next = (cur + 1) % on.size();
                    for (int a = 0; a < int(on.size()); ++a) {
                        const double cr = (q2[next].first - q2[cur].first) * (q2[a].second - q2[cur].second) -
                                          (q2[next].second - q2[cur].second) * (q2[a].first - q2[cur].first);
                        const double da = std::hypot(q2[a].first - q2[cur].first, q2[a].second - q2[cur].second);
                        const double dn = std::hypot(q2[next].first - q2[cur].first, q2[next].second - q2[cur].second);
                        if (cr < -1e-12 || (std::fabs(cr) <= 1e-12 && da > dn)) next = a;
                    }
                    cur = next;
                } while (cur != start && face.size() <= on.size());
                faces.push_back(face);
            }
    return faces;
}

double Longitude(P p) {
    double l = std::atan2(p.x, p.z);
    if (l < -3.14159265358979 + 1e-9) l += 2 * 3.14159265358979;
    return l;
}

bool NorthToSouth(P a, P b) {
    if (std::fabs(a.y - b.y) > 1e-7) return a.y > b.y;
    return Longitude(a) < Longitude(b) - 1e-9;
}

P Centroid(const Solid& s, const Face& f) {
    P c{0, 0, 0};
    for (int i : f) c = c + s.v[i];
    return c * (1.0 / f.size());
}

// Drops unused points, numbers vertices north to south, orders faces by
// `faceLess` (north to south by default) and starts each at its lowest vertex.
Solid Canonical(const std::vector<P>& pts, std::vector<Face> faces,
                bool (*faceLess)(const Solid&, const Face&, const Face&) = nullptr) {
    std::vector<int> used;
    for (const Face& f : faces)
        for (int i : f)
            if (std::find(used.begin(), used.end(), i) == used.end()) used.push_back(i);
    std::sort(used.begin(), used.end(), [&](int a, int b) { return NorthToSouth(pts[a], pts[b]); });
    std::map<int, int> renumber;
    Solid s;
    for (int i : used) {
        renumber[i] = int(s.v.size());
        s.v.push_back(pts[i]);
    }
    for (Face& f : faces) {
        for (int& i : f) i = renumber[i];
        std::rotate(f.begin(), std::min_element(f.begin(), f.end()), f.end());
    }
    std::sort(faces.begin(), faces.end(), [&](const Face& a, const Face& b) {
        if (faceLess) return faceLess(s, a, b);
        return NorthToSouth(Centroid(s, a), Centroid(s, b));
    });
    s.f = faces;
    return s;
}

Solid HullSolid(const std::vector<P>& pts, bool (*faceLess)(const Solid&, const Face&, const Face&) = nullptr) {
    return Canonical(pts, Hull(pts), faceLess);
}

std::vector<P> Scaled(std::vector<P> pts, double radius) {
    double r = 0;
    for (const P& p : pts) r = std::max(r, Len(p));
    for (P& p : pts) p = p * (radius / r);
    return pts;
}

// The polar reciprocal about the solid's midsphere: a vertex per face, a
// face per vertex (its faces in order around it).
Solid Dual(const Solid& a) {
    const Face& f0 = a.f[0];
    const double rho = Len((a.v[f0[0]] + a.v[f0[1]]) * 0.5);
    std::vector<P> dv;
    for (const Face& f : a.f) {
        const P n = Unit(Cross(a.v[f[1]] - a.v[f[0]], a.v[f[2]] - a.v[f[0]]));
        dv.push_back(n * (rho * rho / Dot(n, a.v[f[0]])));
    }
    std::vector<Face> df;
    for (int v = 0; v < int(a.v.size()); ++v) {
        Face around;
        for (int f = 0; f < int(a.f.size()); ++f)
            if (std::find(a.f[f].begin(), a.f[f].end(), v) != a.f[f].end()) around.push_back(f);
        const P axis = Unit(a.v[v]);
        const P u = Unit(dv[around[0]] - axis * Dot(dv[around[0]], axis)), w = Cross(axis, u);
        std::sort(around.begin(), around.end(), [&](int p, int q) {
            return std::atan2(Dot(dv[p], w), Dot(dv[p], u)) < std::atan2(Dot(dv[q], w), Dot(dv[q], u));
        });
        df.push_back(around);
    }
    return Canonical(dv, df);
}

// ---- the solids ----

// The developable tetrahedron fans each face from one corner (corner 0 of
// faces 0 to 2, corner 2 of face 3) over the arc of the opposite edge. Its
// arcs close the solid only when they pair up on two opposite edges, each
// arc shared by the two faces beside it: so every face starts where its
// corner opposite one of those edges comes first (or third). Every other
// reader of the tetrahedron needs only the turning order, which stays.
void StartTetrahedronFacesAtTheirApexes(Solid& t) {
    const int a = t.f[0][1], b = t.f[0][2];  // the arc under face 0's first corner
    for (size_t i = 0; i < t.f.size(); ++i) {
        Face& f = t.f[i];
        const bool onAB = std::count(f.begin(), f.end(), a) && std::count(f.begin(), f.end(), b);
        int apex = 0;
        for (int k = 0; k < 3; ++k) {
            const bool isAOrB = f[k] == a || f[k] == b;
            if (onAB != isAOrB) apex = k;  // off the arc: {a, b}, or the edge opposite it
        }
        std::rotate(f.begin(), f.begin() + (apex + (i == 3 ? 1 : 0)) % 3, f.end());
    }
}

std::vector<P> CubeCorners(double h) {
    std::vector<P> p;
    AddSigns(p, {h, h, h});
    return p;
}

int CubeFaceNumber(P n) {
    if (n.z < -0.5) return 0;
    if (n.x < -0.5) return 1;
    if (n.y < -0.5) return 2;
    if (n.z > 0.5) return 3;
    if (n.x > 0.5) return 4;
    return 5;
}

bool CubeFaceOrder(const Solid& s, const Face& a, const Face& b) {
    return CubeFaceNumber(Unit(Centroid(s, a))) < CubeFaceNumber(Unit(Centroid(s, b)));
}

bool HexagonsFirst(const Solid& s, const Face& a, const Face& b) {
    if (a.size() != b.size()) return a.size() > b.size();
    return NorthToSouth(Centroid(s, a), Centroid(s, b));
}

bool IcoBands(const Solid& s, const Face& a, const Face& b) {
    const P ca = Centroid(s, a), cb = Centroid(s, b);
    const int ba = ca.y > 0.5 ? 0 : (ca.y < -0.5 ? 2 : 1), bb = cb.y > 0.5 ? 0 : (cb.y < -0.5 ? 2 : 1);
    if (ba != bb) return ba < bb;
    return Longitude(ca) < Longitude(cb) - 1e-9;
}

std::vector<P> IcosahedronPoints() {
    std::vector<P> p;
    AddCyclic(p, {0, 1, kPhi});
    return Scaled(p, 1);
}

std::vector<P> DodecahedronPoints() {
    std::vector<P> p;
    AddSigns(p, {1, 1, 1});
    AddCyclic(p, {0, kPhi, 1 / kPhi});
    return Scaled(p, 1);
}

std::vector<P> SnubCubePoints() {
    const double t = (1 + std::cbrt(19 + 3 * std::sqrt(33.0)) + std::cbrt(19 - 3 * std::sqrt(33.0))) / 3;
    const double c[3] = {1, 1 / t, t};
    static const int kEven[3][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}};
    static const int kOdd[3][3] = {{1, 0, 2}, {0, 2, 1}, {2, 1, 0}};
    std::vector<P> p;
    for (int parity = 0; parity < 2; ++parity)
        for (int perm = 0; perm < 3; ++perm)
            for (int s = 0; s < 8; ++s) {
                const int plus = 3 - __builtin_popcount(unsigned(s));
                if ((plus % 2) != parity) continue;
                const int* ix = parity ? kOdd[perm] : kEven[perm];
                double q[3];
                for (int k = 0; k < 3; ++k) q[k] = (s >> k & 1) ? -c[ix[k]] : c[ix[k]];
                p.push_back({q[0], q[1], q[2]});
            }
    return Scaled(p, 1);
}

std::vector<P> EvenPermutationPoints(std::initializer_list<P> seeds) {
    std::vector<P> p;
    for (const P& s : seeds) AddCyclic(p, s);
    return Scaled(p, 1);
}

// The rhombic hexecontahedron: over each face (I, J, K) of the icosahedron
// and each of its corners I, the golden rhombus from I through the mid-edge
// direction of IJ, the face centre direction, and the mid-edge direction of
// IK; the three scales make the diagonals bisect each other with the
// mid-edge (valley) vertices at distance 1.
std::vector<std::vector<P>> RhombicHexecontahedronFaces(const Solid& ico) {
    std::vector<std::vector<P>> out;
    for (const Face& f : ico.f)
        for (int c = 0; c < 3; ++c) {
            const P I = ico.v[f[c]], J = ico.v[f[(c + 1) % 3]], K = ico.v[f[(c + 2) % 3]];
            const P m1 = Unit(I + J), m2 = Unit(I + K), d = Unit(I + J + K), i = Unit(I);
            // s_i * i + s_d * d = m1 + m2, solved in the plane of i and d.
            const P target = m1 + m2;
            const double a11 = Dot(i, i), a12 = Dot(i, d), a22 = Dot(d, d);
            const double b1 = Dot(target, i), b2 = Dot(target, d), det = a11 * a22 - a12 * a12;
            const double si = (b1 * a22 - b2 * a12) / det, sd = (a11 * b2 - a12 * b1) / det;
            out.push_back({i * si, m1, d * sd, m2});
        }
    return out;
}

// The Waterman solid W5: hull of the face-centred cubic points (integers
// with an even sum) within sqrt(10) of the origin.
std::vector<P> WatermanPoints() {
    std::vector<P> p;
    for (int x = -3; x <= 3; ++x)
        for (int y = -3; y <= 3; ++y)
            for (int z = -3; z <= 3; ++z)
                if (((x + y + z) & 1) == 0 && x * x + y * y + z * z <= 10) p.push_back({double(x), double(y), double(z)});
    return p;
}

// ---- visible surfaces ----
//
// The visible surface of a set of face polygons (a compound or a star
// solid, each face possibly a star polygon, filled by the non-zero rule):
// the part reachable from afar without crossing a face. Every solid here is
// star-shaped about the centre, so a point of a face is on that surface
// exactly when the ray from the centre through it crosses no face beyond it.
// Each face plane is cut by the lines where the other planes meet it; the
// visible cells of a plane are merged into connected regions, and each
// region becomes a face. Vertices lying on another face's edge
// are inserted there, so neighbouring faces share their corners.

using Poly2 = std::vector<std::pair<double, double>>;

struct PlaneFace {
    P n;                   // outward unit normal
    double d;              // n.x = d
    P u, w;                // basis in the plane
    std::vector<Poly2> outlines;  // the faces in this plane, in that basis
};

PlaneFace MakePlaneFace(const std::vector<P>& poly) {
    PlaneFace f;
    P n{0, 0, 0};
    for (size_t k = 0; k < poly.size(); ++k) n = n + Cross(poly[k], poly[(k + 1) % poly.size()]);
    // A crossed polygon's lobes cancel in the sum: take a corner's plane then.
    for (size_t k = 2; k < poly.size() && Len(n) < 1e-9; ++k) n = Cross(poly[1] - poly[0], poly[k] - poly[0]);
    f.n = Unit(n);
    f.d = Dot(f.n, poly[0]);
    if (f.d < 0) {
        f.n = f.n * -1.0;
        f.d = -f.d;
    }
    f.u = Unit(poly[1] - poly[0]);
    f.w = Cross(f.n, f.u);
    f.outlines.emplace_back();
    for (const P& p : poly) f.outlines.back().push_back({Dot(p, f.u), Dot(p, f.w)});
    return f;
}

P Lift(const PlaneFace& f, double s, double t) { return f.n * f.d + f.u * s + f.w * t; }

// Winding number of a closed polygon about a point.
int Winding(const Poly2& poly, double x, double y) {
    int wn = 0;
    for (size_t k = 0; k < poly.size(); ++k) {
        const auto& a = poly[k];
        const auto& b = poly[(k + 1) % poly.size()];
        const double cr = (b.first - a.first) * (y - a.second) - (x - a.first) * (b.second - a.second);
        if (a.second <= y) {
            if (b.second > y && cr > 0) ++wn;
        } else if (b.second <= y && cr < 0) {
            --wn;
        }
    }
    return wn;
}

bool InsideFace(const PlaneFace& f, P p) {
    for (const Poly2& o : f.outlines)
        if (Winding(o, Dot(p, f.u), Dot(p, f.w)) != 0) return true;
    return false;
}

// Splits a convex polygon by the line a*s + b*t = c; empty halves are dropped.
void SplitConvex(const Poly2& poly, double a, double b, double c, std::vector<Poly2>& out) {
    Poly2 lo, hi;
    const double eps = 1e-10;
    int nlo = 0, nhi = 0;
    for (size_t k = 0; k < poly.size(); ++k) {
        const auto& p = poly[k];
        const auto& q = poly[(k + 1) % poly.size()];
        const double sp = a * p.first + b * p.second - c, sq = a * q.first + b * q.second - c;
        if (sp <= eps) lo.push_back(p);
        if (sp >= -eps) hi.push_back(p);
        if (sp < -eps) ++nlo;
        if (sp > eps) ++nhi;
        if ((sp < -eps && sq > eps) || (sp > eps && sq < -eps)) {
            const double t = sp / (sp - sq);
            const std::pair<double, double> x{p.first + t * (q.first - p.first), p.second + t * (q.second - p.second)};
            lo.push_back(x);
            hi.push_back(x);
        }
    }
    if (nlo && nhi) {
        out.push_back(lo);
        out.push_back(hi);
    } else {
        out.push_back(poly);
    }
}

double Cross2(std::pair<double, double> o, std::pair<double, double> a, std::pair<double, double> b) {
    return (a.first - o.first) * (b.second - o.second) - (a.second - o.second) * (b.first - o.first);
}

// Drops corners where the outline goes straight on.
Poly2 DropStraight(const Poly2& poly) {
    Poly2 out;
    for (size_t k = 0; k < poly.size(); ++k) {
        const auto& prev = poly[(k + poly.size() - 1) % poly.size()];
        const auto& next = poly[(k + 1) % poly.size()];
        if (std::fabs(Cross2(prev, poly[k], next)) > 1e-10) out.push_back(poly[k]);
    }
    return out;
}

double Area2(const Poly2& poly) {
    double a = 0;
    for (size_t k = 0; k < poly.size(); ++k) {
        const auto& p = poly[k];
        const auto& q = poly[(k + 1) % poly.size()];
        a += p.first * q.second - q.first * p.second;
    }
    return a / 2;
}

bool Near2(std::pair<double, double> a, std::pair<double, double> b) {
    return std::hypot(a.first - b.first, a.second - b.second) < 1e-7;
}

// The union of two counter-clockwise polygons sharing an edge; empty when
// they share none.
Poly2 Merge(const Poly2& A, const Poly2& B) {
    for (size_t i = 0; i < A.size(); ++i)
        for (size_t j = 0; j < B.size(); ++j) {
            const auto& p = A[i];
            const auto& q = A[(i + 1) % A.size()];
            if (!Near2(B[j], q) || !Near2(B[(j + 1) % B.size()], p)) continue;
            Poly2 u;
            for (size_t k = 0; k < A.size(); ++k) u.push_back(A[(i + 1 + k) % A.size()]);  // q ... p
            for (size_t k = 2; k < B.size(); ++k) u.push_back(B[(j + k) % B.size()]);        // after p, before q
            return u;
        }
    return {};
}

std::vector<std::vector<P>> VisibleSurface(const std::vector<std::vector<P>>& faces) {
    // Faces in one plane (of different members of a compound) share it.
    std::vector<PlaneFace> planes;
    for (const auto& f : faces) {
        PlaneFace pf = MakePlaneFace(f);
        bool joined = false;
        for (PlaneFace& q : planes)
            if (!joined && Len(q.n - pf.n) < 1e-9 && std::fabs(q.d - pf.d) < 1e-9) {
                q.outlines.emplace_back();
                for (const P& p : f) q.outlines.back().push_back({Dot(p, q.u), Dot(p, q.w)});
                joined = true;
            }
        if (!joined) planes.push_back(pf);
    }
    std::vector<std::vector<P>> out;
    for (size_t i = 0; i < planes.size(); ++i) {
        const PlaneFace& F = planes[i];
        // Start from the convex hull of the plane's faces (monotone chain).
        Poly2 hull;
        {
            Poly2 o;
            for (const Poly2& part : F.outlines) o.insert(o.end(), part.begin(), part.end());
            std::sort(o.begin(), o.end());
            Poly2 lower, upper;
            for (const auto& q : o) {
                while (lower.size() >= 2 && Cross2(lower[lower.size() - 2], lower.back(), q) <= 1e-12) lower.pop_back();
                lower.push_back(q);
            }
            for (auto it = o.rbegin(); it != o.rend(); ++it) {
                while (upper.size() >= 2 && Cross2(upper[upper.size() - 2], upper.back(), *it) <= 1e-12) upper.pop_back();
                upper.push_back(*it);
            }
            hull.assign(lower.begin(), lower.end() - 1);
            hull.insert(hull.end(), upper.begin(), upper.end() - 1);
        }
        std::vector<Poly2> cells{hull};
        for (size_t j = 0; j < planes.size(); ++j) {
            if (j == i) continue;
            const PlaneFace& G = planes[j];
            if (Len(Cross(F.n, G.n)) < 1e-9) continue;
            // G's plane within F's: (n_G.u) s + (n_G.w) t = d_G - d_F (n_G.n_F).
            const double a = Dot(G.n, F.u), b = Dot(G.n, F.w), c = G.d - F.d * Dot(G.n, F.n);
            std::vector<Poly2> next;
            for (const Poly2& cell : cells) SplitConvex(cell, a, b, c, next);
            cells.swap(next);
        }
        std::vector<Poly2> visible;
        for (Poly2& cell : cells) {
            // Corners where the outline goes straight on stay: a neighbour may
            // have a true corner there, and merging matches edges exactly.
            Poly2 kept;
            for (const auto& q : cell)
                if (kept.empty() || !Near2(kept.back(), q)) kept.push_back(q);
            while (kept.size() > 1 && Near2(kept.front(), kept.back())) kept.pop_back();
            cell = kept;
            if (cell.size() < 3 || std::fabs(Area2(cell)) < 1e-14) continue;
            // An interior point off every symmetry plane: unequal weights, so
            // the ray from the centre passes through no edge of another face.
            double cs = 0, ct = 0, wsum = 0;
            for (size_t k = 0; k < cell.size(); ++k) {
                const double wk = 1 + std::fmod((k + 1) * std::sqrt(2.0), 1.0);
                cs += wk * cell[k].first;
                ct += wk * cell[k].second;
                wsum += wk;
            }
            const P c = Lift(F, cs / wsum, ct / wsum);
            if (!InsideFace(F, c)) continue;
            bool hidden = false;
            for (size_t j = 0; j < planes.size() && !hidden; ++j) {
                if (j == i) continue;
                const double along = Dot(planes[j].n, c);
                if (along <= 1e-12) continue;
                const double t = planes[j].d / along;
                hidden = t > 1 + 1e-9 && InsideFace(planes[j], c * t);
            }
            if (!hidden) visible.push_back(cell);
        }
        // Merge neighbours: each connected visible region becomes one face.
        for (bool merged = true; merged;) {
            merged = false;
            for (size_t a = 0; a < visible.size() && !merged; ++a)
                for (size_t b = a + 1; b < visible.size() && !merged; ++b) {
                    Poly2 u = Merge(visible[a], visible[b]);
                    if (u.empty()) continue;
                    visible[a] = u;
                    visible.erase(visible.begin() + b);
                    merged = true;
                }
        }
        for (const Poly2& cell : visible) {
            std::vector<P> face;
            for (const auto& q : DropStraight(cell)) face.push_back(Lift(F, q.first, q.second));
            out.push_back(face);
        }
    }
    return out;
}

// A solid from 3D face polygons: corners merged, and every corner that lies
// on another face's edge inserted into that edge.
Solid SolidFromPolygons(const std::vector<std::vector<P>>& polys) {
    std::vector<P> pts;
    std::vector<Face> faces;
    auto index = [&](P p) {
        for (size_t k = 0; k < pts.size(); ++k)
            if (Len(pts[k] - p) < 1e-7) return int(k);
        pts.push_back(p);
        return int(pts.size() - 1);
    };
    for (const auto& poly : polys) {
        Face f;
        for (const P& p : poly) {
            const int i = index(p);
            if (f.empty() || f.back() != i) f.push_back(i);
        }
        while (f.size() > 1 && f.front() == f.back()) f.pop_back();
        faces.push_back(f);
    }
    for (Face& f : faces) {
        Face g;
        for (size_t k = 0; k < f.size(); ++k) {
            const P a = pts[f[k]], b = pts[f[(k + 1) % f.size()]];
            g.push_back(f[k]);
            std::vector<std::pair<double, int>> on;
            for (int v = 0; v < int(pts.size()); ++v) {
                if (v == f[k] || v == f[(k + 1) % f.size()]) continue;
                const double t = Dot(pts[v] - a, b - a) / Dot(b - a, b - a);
                if (t > 1e-9 && t < 1 - 1e-9 && Len(a + (b - a) * t - pts[v]) < 1e-7) on.push_back({t, v});
            }
            std::sort(on.begin(), on.end());
            for (const auto& e : on) g.push_back(e.second);
        }
        f = g;
    }
    return Canonical(pts, faces);
}

// The faces of convex solids given by their corners, each wound outward.
std::vector<std::vector<P>> FacesOfHulls(const std::vector<std::vector<P>>& solids) {
    std::vector<std::vector<P>> out;
    for (const auto& pts : solids)
        for (const Face& f : Hull(pts)) {
            std::vector<P> poly;
            for (int i : f) poly.push_back(pts[i]);
            out.push_back(poly);
        }
    return out;
}

// Five tetrahedra on the dodecahedron's corners, pairwise without a shared
// corner; the one holding (1, 1, 1), (1, -1, -1), (-1, 1, -1), (-1, -1, 1).
std::vector<std::vector<P>> FiveTetrahedra() {
    std::vector<P> d;
    AddSigns(d, {1, 1, 1});
    AddCyclic(d, {0, kPhi, 1 / kPhi});
    const double edge = 2 * std::sqrt(2.0);
    std::vector<std::vector<int>> tets;
    const int n = int(d.size());
    auto ok = [&](int a, int b) { return std::fabs(Len(d[a] - d[b]) - edge) < 1e-9; };
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
            for (int c = b + 1; c < n; ++c)
                for (int e = c + 1; e < n; ++e)
                    if (ok(a, b) && ok(a, c) && ok(a, e) && ok(b, c) && ok(b, e) && ok(c, e)) tets.push_back({a, b, c, e});
    // Five of them with no corner in common, the first among them (a search:
    // the dodecahedron's corners split so in exactly two ways).
    std::vector<std::vector<int>> chosen;
    std::function<bool(size_t)> pick = [&](size_t from) {
        if (chosen.size() == 5) return true;
        for (size_t k = from; k < tets.size(); ++k) {
            bool clash = false;
            for (const auto& c : chosen)
                for (int i : tets[k]) clash = clash || std::find(c.begin(), c.end(), i) != c.end();
            if (clash) continue;
            chosen.push_back(tets[k]);
            if (pick(k + 1)) return true;
            chosen.pop_back();
        }
        return false;
    };
    for (size_t k = 0; k < tets.size() && chosen.empty(); ++k) {
        bool first = true;
        for (P p : {P{1, 1, 1}, P{1, -1, -1}, P{-1, 1, -1}, P{-1, -1, 1}}) {
            bool has = false;
            for (int i : tets[k]) has = has || Len(d[i] - p) < 1e-9;
            first = first && has;
        }
        if (!first) continue;
        chosen.push_back(tets[k]);
        if (!pick(0)) chosen.clear();
    }
    std::vector<std::vector<P>> solids;
    for (const auto& t : chosen) solids.push_back({d[t[0]], d[t[1]], d[t[2]], d[t[3]]});
    return solids;
}

// Icosidodecahedron corners: the vertex set of the dodecadodecahedron and
// the great icosidodecahedron.
std::vector<P> IcosidodecahedronPoints() {
    std::vector<P> p;
    AddCyclic(p, {0, 0, kPhi});
    AddCyclic(p, {0.5, kPhi * kPhi / 2, kPhi / 2});
    return p;
}

// Regular polygons {n/step} of edge `edge` on rings of n corners about the
// given axes, on the axis's positive side.
void RingPolygons(const std::vector<P>& pts, const std::vector<P>& axes, int n, int step, double edge,
                  std::vector<std::vector<P>>& out) {
    for (const P& axisRaw : axes) {
        const P axis = Unit(axisRaw);
        std::map<long, std::vector<P>> rings;
        for (const P& p : pts) rings[std::lround(Dot(p, axis) * 1e6)].push_back(p);
        for (auto& [h, ring] : rings) {
            if (h <= 0 || int(ring.size()) != n) continue;
            const P u = Unit(ring[0] - axis * Dot(ring[0], axis)), w = Cross(axis, u);
            std::sort(ring.begin(), ring.end(), [&](P a, P b) {
                return std::atan2(Dot(a, w), Dot(a, u)) < std::atan2(Dot(b, w), Dot(b, u));
            });
            if (std::fabs(Len(ring[step % n] - ring[0]) - edge) > 1e-9) continue;
            std::vector<P> poly;
            for (int k = 0, at = 0; k < n; ++k, at = (at + step) % n) poly.push_back(ring[at]);
            out.push_back(poly);
        }
    }
}

// The small triambic icosahedron, the icosahedron's first stellation: on
// each face a pyramid whose sides lie in the planes of the three faces
// beside it. Its visible surface is these 60 triangles.
std::vector<std::vector<P>> SmallTriambicIcosahedron(const Solid& ico) {
    std::vector<std::vector<P>> out;
    for (size_t f = 0; f < ico.f.size(); ++f) {
        const Face& face = ico.f[f];
        // The planes beside the face, across each of its edges.
        std::vector<std::pair<P, double>> beside;
        for (size_t k = 0; k < 3; ++k) {
            const int a = face[k], b = face[(k + 1) % 3];
            for (const Face& g : ico.f) {
                bool has = false;
                for (size_t m = 0; m < 3; ++m) has = has || (g[m] == b && g[(m + 1) % 3] == a);
                if (!has) continue;
                const P n = Unit(Cross(ico.v[g[1]] - ico.v[g[0]], ico.v[g[2]] - ico.v[g[0]]));
                beside.push_back({n, Dot(n, ico.v[g[0]])});
            }
        }
        // Their common point, by Cramer's rule.
        const P &n0 = beside[0].first, &n1 = beside[1].first, &n2 = beside[2].first;
        const double det = Dot(n0, Cross(n1, n2));
        const P apex = (Cross(n1, n2) * beside[0].second + Cross(n2, n0) * beside[1].second +
                        Cross(n0, n1) * beside[2].second) *
                       (1.0 / det);
        for (size_t k = 0; k < 3; ++k) out.push_back({ico.v[face[k]], ico.v[face[(k + 1) % 3]], apex});
    }
    return out;
}

// The icosahedral group with reflections, as 3 x 3 matrices (rows).
using M3 = std::array<P, 3>;
P Apply(const M3& m, P p) { return {Dot(m[0], p), Dot(m[1], p), Dot(m[2], p)}; }

M3 Rotation(P axis, double angle) {
    const P k = Unit(axis);
    const double c = std::cos(angle), s = std::sin(angle);
    M3 m;
    const P e[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    P col[3];
    for (int i = 0; i < 3; ++i) col[i] = e[i] * c + Cross(k, e[i]) * s + k * (Dot(k, e[i]) * (1 - c));
    for (int r = 0; r < 3; ++r) m[r] = {r == 0 ? col[0].x : r == 1 ? col[0].y : col[0].z,
                                        r == 0 ? col[1].x : r == 1 ? col[1].y : col[1].z,
                                        r == 0 ? col[2].x : r == 1 ? col[2].y : col[2].z};
    return m;
}

std::vector<P> IcosahedralOrbit(P p) {
    const M3 gens[3] = {Rotation({0, 1, kPhi}, 2 * kPi3 * 0.6), Rotation({0, 0, 1}, 3 * kPi3),
                        Rotation({1, 1, 1}, 2 * kPi3)};
    std::vector<P> orbit{p};
    for (size_t at = 0; at < orbit.size(); ++at)
        for (const M3& g : gens) {
            for (P q : {Apply(g, orbit[at]), Apply(g, orbit[at]) * -1.0}) {
                bool seen = false;
                for (const P& o : orbit) seen = seen || Len(o - q) < 1e-9;
                if (!seen) orbit.push_back(q);
            }
        }
    return orbit;
}

// The faces at vertex i (faces given by their corners), chained through the
// edges they share there: the order round the vertex, as far as it goes.
std::vector<int> FacesRoundVertex(const std::vector<std::vector<int>>& faces, int i) {
    std::vector<int> at;
    for (int f = 0; f < int(faces.size()); ++f)
        if (std::find(faces[f].begin(), faces[f].end(), i) != faces[f].end()) at.push_back(f);
    auto neighbours = [&](int f) {
        const auto& r = faces[f];
        const int k = int(std::find(r.begin(), r.end(), i) - r.begin());
        return std::pair{r[(k + 1) % r.size()], r[(k + r.size() - 1) % r.size()]};
    };
    std::vector<int> order{at[0]};
    int along = neighbours(at[0]).first;
    while (order.size() < at.size()) {
        int next = -1;
        for (int f : at)
            if (std::find(order.begin(), order.end(), f) == order.end()) {
                const auto nb = neighbours(f);
                if (nb.first == along || nb.second == along) next = f;
            }
        if (next < 0) break;
        const auto nb = neighbours(next);
        along = nb.first == along ? nb.second : nb.first;
        order.push_back(next);
    }
    return order;
}

// The rhombicosacron: the polar of the uniform rhombicosahedron, whose 60
// vertices are the icosahedral images of (0, 1/(2 phi^2), phi^2/2) (edge 1)
// and whose faces are 30 squares about the 2-fold axes and 20 hexagons about
// the 3-fold axes. Each rhombicosahedron vertex gives a crossed quadrilateral
// through the poles of its four faces, in their order around the vertex.
std::vector<std::vector<P>> Rhombicosacron() {
    const std::vector<P> v = IcosahedralOrbit({0, 1 / (2 * kPhi * kPhi), kPhi * kPhi / 2});
    std::vector<std::vector<int>> faces;
    std::vector<P> poles;
    const std::vector<P> axes2 = IcosidodecahedronPoints(), axes3 = DodecahedronPoints();
    for (const auto& [axes, n] : {std::pair{axes2, 4}, std::pair{axes3, 6}}) {
        for (const P& raw : axes) {
            const P a = Unit(raw);
            std::map<long, std::vector<int>> rings;
            for (int i = 0; i < int(v.size()); ++i) rings[std::lround(Dot(v[i], a) * 1e6)].push_back(i);
            for (auto& [h, ring] : rings) {
                if (h <= 0 || int(ring.size()) != n) continue;
                const P u = Unit(v[ring[0]] - a * Dot(v[ring[0]], a)), w = Cross(a, u);
                std::sort(ring.begin(), ring.end(), [&](int p, int q) {
                    return std::atan2(Dot(v[p], w), Dot(v[p], u)) < std::atan2(Dot(v[q], w), Dot(v[q], u));
                });
                bool regular = true;
                for (int k = 0; k < n; ++k) regular = regular && std::fabs(Len(v[ring[k]] - v[ring[(k + 1) % n]]) - 1) < 1e-9;
                if (!regular) continue;
                faces.push_back(ring);
                poles.push_back(a * (1 / Dot(v[ring[0]], a)));
            }
        }
    }
    std::vector<std::vector<P>> out;
    for (int i = 0; i < int(v.size()); ++i) {
        const std::vector<int> order = FacesRoundVertex(faces, i);
        std::vector<P> quad;
        for (int f : order) quad.push_back(poles[f]);
        // Wind it counter-clockwise about the vertex direction seen from outside.
        if (Dot(Cross(quad[1] - quad[0], quad[2] - quad[0]), v[i]) < 0) std::reverse(quad.begin(), quad.end());
        out.push_back(quad);
    }
    return out;
}

std::vector<P> FiveFoldAxes() {
    std::vector<P> a;
    AddCyclic(a, {0, 1, kPhi});
    return a;
}

std::vector<P> ThreeFoldAxes() { return DodecahedronPoints(); }

// The medial hexagonal hexecontahedron: the polar of the snub
// icosidodecadodecahedron, the snub of the Schwarz triangle (5/3 3 5). Its
// corners P, Q, R are a 5-fold axis, a 3-fold axis and a 5-fold axis with
// angles 108, 60 and 36 degrees there, so sides of 37.38 (PQ), 79.19 (QR)
// and 63.43 degrees (PR, two neighbouring 5-fold axes); the snub's vertex v
// is the point that the rotations about them by twice those angles (216,
// 120 and 72 degrees) move equally far: s_a (1 - (v.a)^2) the same for the
// three axes a, s_a = 1 - cos of its angle. Its 60 images under the
// rotations (the snub is chiral) are the snub's vertices: pentagrams about
// P-like axes, pentagons about R-like axes and 80 triangles, edge L, with
// circumradius / L = 1.126898 (the check below). Each vertex gives a face of
// the polar (about the unit sphere, the vertices on it): the hexagon through
// the poles of its six faces, in their order around it. The result is the
// visible surface of the 60 hexagons, region by region.
std::vector<std::vector<P>> MedialHexagonalHexecontahedron() {
    const std::vector<P> five = FiveFoldAxes(), three = ThreeFoldAxes();
    const P Pa = Unit(five[0]);
    P Ra{0, 0, 0}, Qa{0, 0, 0};
    for (const P& r : five)
        for (const P& q : three)
            if (std::fabs(Dot(Unit(r), Pa) - 1 / std::sqrt(5.0)) < 1e-9 && std::fabs(Dot(Unit(q), Pa) - 0.79465447229) < 1e-6 &&
                std::fabs(Dot(Unit(q), Unit(r)) - 0.18759247408) < 1e-6 && Len(Ra) == 0)
                Ra = Unit(r), Qa = Unit(q);
    if (Len(Ra) == 0) {
        std::fprintf(stderr, "gen_polyhedra: no Schwarz triangle (5/3 3 5)\n");
        std::exit(1);
    }
    const double sP = 1 - std::cos(6 * kPi3 * 0.6), sQ = 1 - std::cos(2 * kPi3), sR = 1 - std::cos(2 * kPi3 * 0.6);
    auto residual = [&](double th, double ph, double out[2]) {
        const P v{std::sin(th) * std::cos(ph), std::sin(th) * std::sin(ph), std::cos(th)};
        const double p = Dot(v, Pa), q = Dot(v, Qa), r = Dot(v, Ra);
        out[0] = sP * (1 - p * p) - sQ * (1 - q * q);
        out[1] = sQ * (1 - q * q) - sR * (1 - r * r);
    };
    // Newton's method from a grid of starts; the snub's vertex is a root off
    // the 3-fold axes (which are roots too, with 20 images).
    P v{0, 0, 0};
    for (int a = 0; a < 30 && Len(v) == 0; ++a)
        for (int b = 0; b < 60 && Len(v) == 0; ++b) {
            double th = kPi3 * 3 * (a + 0.5) / 30, ph = kPi3 * 6 * b / 60;
            for (int it = 0; it < 60; ++it) {
                double f0[2], ft[2], fp[2];
                const double h = 1e-7;
                residual(th, ph, f0);
                residual(th + h, ph, ft);
                residual(th, ph + h, fp);
                const double j00 = (ft[0] - f0[0]) / h, j01 = (fp[0] - f0[0]) / h, j10 = (ft[1] - f0[1]) / h,
                             j11 = (fp[1] - f0[1]) / h, det = j00 * j11 - j01 * j10;
                if (std::fabs(det) < 1e-14) break;
                th -= (j11 * f0[0] - j01 * f0[1]) / det;
                ph -= (-j10 * f0[0] + j00 * f0[1]) / det;
            }
            double f[2];
            residual(th, ph, f);
            const P w{std::sin(th) * std::cos(ph), std::sin(th) * std::sin(ph), std::cos(th)};
            bool onAnAxis = false;
            for (const P& t : three) onAnAxis = onAnAxis || std::fabs(Dot(w, Unit(t))) > 1 - 1e-6;
            if (std::fabs(f[0]) + std::fabs(f[1]) > 1e-13 || onAnAxis) continue;
            v = w;
        }
    // The rotations: the products of the turns about a 5-fold and a 3-fold axis.
    std::vector<M3> group{M3{P{1, 0, 0}, P{0, 1, 0}, P{0, 0, 1}}};
    const M3 gens[2] = {Rotation(five[0], 2 * kPi3 * 0.6), Rotation(three[0], 2 * kPi3)};
    for (size_t at = 0; at < group.size(); ++at)
        for (const M3& g : gens) {
            M3 m;
            for (int r = 0; r < 3; ++r) m[r] = {Dot(g[r], {group[at][0].x, group[at][1].x, group[at][2].x}),
                                                Dot(g[r], {group[at][0].y, group[at][1].y, group[at][2].y}),
                                                Dot(g[r], {group[at][0].z, group[at][1].z, group[at][2].z})};
            bool seen = false;
            for (const M3& o : group) seen = seen || Len(o[0] - m[0]) + Len(o[1] - m[1]) + Len(o[2] - m[2]) < 1e-9;
            if (!seen) group.push_back(m);
        }
    std::vector<P> pts;
    for (const M3& m : group) pts.push_back(Apply(m, v));
    const double edge = std::sqrt(2 * sR * (1 - Dot(v, Ra) * Dot(v, Ra)));
    if (group.size() != 60 || std::fabs(1 / edge - 1.126898) > 5e-7) {
        std::fprintf(stderr, "gen_polyhedra: the snub icosidodecadodecahedron comes out wrong\n");
        std::exit(1);
    }
    // Its faces: the rings of 5 about the 5-fold axes joined at the edge
    // length (a pentagon, or every second corner a pentagram), and every
    // three corners an edge from each other.
    std::vector<std::vector<int>> faces;
    for (const P& raw : five) {
        const P a = Unit(raw);
        std::map<long, std::vector<int>> rings;
        for (int i = 0; i < 60; ++i) rings[std::lround(Dot(pts[i], a) * 1e6)].push_back(i);
        for (auto& [h, ring] : rings) {
            if (h <= 0 || ring.size() != 5) continue;
            const P u = Unit(pts[ring[0]] - a * Dot(pts[ring[0]], a)), w = Cross(a, u);
            std::sort(ring.begin(), ring.end(), [&](int p, int q) {
                return std::atan2(Dot(pts[p], w), Dot(pts[p], u)) < std::atan2(Dot(pts[q], w), Dot(pts[q], u));
            });
            for (int step : {1, 2}) {
                if (std::fabs(Len(pts[ring[0]] - pts[ring[step]]) - edge) > 1e-9) continue;
                std::vector<int> f;
                for (int k = 0; k < 5; ++k) f.push_back(ring[(k * step) % 5]);
                faces.push_back(f);
            }
        }
    }
    for (int i = 0; i < 60; ++i)
        for (int j = i + 1; j < 60; ++j)
            for (int k = j + 1; k < 60; ++k)
                if (std::fabs(Len(pts[i] - pts[j]) - edge) < 1e-9 && std::fabs(Len(pts[i] - pts[k]) - edge) < 1e-9 &&
                    std::fabs(Len(pts[j] - pts[k]) - edge) < 1e-9)
                    faces.push_back({i, j, k});
    if (faces.size() != 104) {
        std::fprintf(stderr, "gen_polyhedra: the snub has %zu faces, not 104\n", faces.size());
        std::exit(1);
    }
    std::vector<P> poles;
    for (const auto& f : faces) {
        P c{0, 0, 0};
        for (int i : f) c = c + pts[i];
        const P n = Unit(c);
        poles.push_back(n * (1 / Dot(n, pts[f[0]])));
    }
    std::vector<std::vector<P>> out;
    for (int i = 0; i < 60; ++i) {
        const std::vector<int> order = FacesRoundVertex(faces, i);
        if (order.size() != 6) {
            std::fprintf(stderr, "gen_polyhedra: a snub vertex has %zu faces round it\n", order.size());
            std::exit(1);
        }
        std::vector<P> hexagon;
        for (int f : order) hexagon.push_back(poles[f]);
        // Counter-clockwise about the vertex direction seen from outside, by
        // the signed area about it.
        P area{0, 0, 0};
        for (size_t k = 0; k < hexagon.size(); ++k) area = area + Cross(hexagon[k], hexagon[(k + 1) % hexagon.size()]);
        if (Dot(area, pts[i]) < 0) std::reverse(hexagon.begin(), hexagon.end());
        out.push_back(hexagon);
    }
    // The visible surface: the regions of the first face's plane (its
    // vertex the identity's image), turned onto every plane by the
    // rotation that takes the first vertex to that plane's, so that the 60
    // planes' regions are alike corner for corner (worked out plane by
    // plane, rounding keeps or drops corners on straight runs unevenly).
    std::vector<std::vector<P>> mine;
    for (const auto& region : VisibleSurface(out)) {
        P a{0, 0, 0};
        for (size_t k = 0; k < region.size(); ++k) a = a + Cross(region[k], region[(k + 1) % region.size()]);
        if (Dot(Unit(a), pts[0]) > 1 - 1e-9) mine.push_back(region);
    }
    std::vector<std::vector<P>> surface;
    for (const M3& g : group)
        for (const auto& region : mine) {
            std::vector<P> turned;
            for (const P& c : region) turned.push_back(Apply(g, c));
            surface.push_back(turned);
        }
    return surface;
}

// A face of more than `most` corners cut along its diagonals, in its plane,
// into faces of at most `most`: each cut the diagonal inside the face that
// parts it most evenly. A visible region may hold a crack, a line that
// other faces meet it along with the region going on at both sides: its
// outline runs into the crack and back (corners a, b, a). Such a face is
// cut first from the crack's end b, so that no piece keeps a crack. The
// pieces stay one region of the surface: the net keeps them joined.
Solid SplitLargeFaces(const Solid& s, size_t most) {
    Solid out{s.v, {}};
    std::vector<Face> todo = s.f;
    while (!todo.empty()) {
        Face f = todo.back();
        todo.pop_back();
        const size_t m = f.size();
        int tip = -1;
        for (size_t k = 0; k < m && tip < 0; ++k)
            if (f[(k + m - 1) % m] == f[(k + 1) % m]) tip = int(k);
        if (m <= most && tip < 0) {
            out.f.push_back(f);
            continue;
        }
        // The face in its plane, counter-clockwise.
        P n{0, 0, 0};
        for (size_t k = 0; k < m; ++k) n = n + Cross(s.v[f[k]], s.v[f[(k + 1) % m]]);
        n = Unit(n);
        const P u = Unit(s.v[f[1]] - s.v[f[0]]), w = Cross(n, u);
        Poly2 q;
        for (int i : f) q.push_back({Dot(s.v[i], u), Dot(s.v[i], w)});
        auto sign = [](double v) { return v > 1e-12 ? 1 : (v < -1e-12 ? -1 : 0); };
        auto crosses = [&](size_t a, size_t b) {  // the diagonal a-b against every side not at a or b
            for (size_t k = 0; k < m; ++k) {
                const size_t l = (k + 1) % m;
                if (f[k] == f[a] || f[k] == f[b] || f[l] == f[a] || f[l] == f[b]) continue;
                const int d1 = sign(Cross2(q[a], q[b], q[k])), d2 = sign(Cross2(q[a], q[b], q[l]));
                const int d3 = sign(Cross2(q[k], q[l], q[a])), d4 = sign(Cross2(q[k], q[l], q[b]));
                if (d1 * d2 < 0 && d3 * d4 < 0) return true;
                // A corner on the diagonal.
                const double span = (q[b].first - q[a].first) * (q[b].first - q[a].first) +
                                    (q[b].second - q[a].second) * (q[b].second - q[a].second);
                for (size_t c : {k, l}) {
                    const double along = (q[c].first - q[a].first) * (q[b].first - q[a].first) +
                                         (q[c].second - q[a].second) * (q[b].second - q[a].second);
                    if (sign(Cross2(q[a], q[b], q[c])) == 0 && along > 0 && along < span) return true;
                }
            }
            return false;
        };
        // Inside at corner a: between the sides to its neighbours, turning
        // counter-clockwise from the next side to the previous one.
        auto inside = [&](size_t a, size_t b) {
            const auto& prev = q[(a + m - 1) % m];
            const auto& next = q[(a + 1) % m];
            const double toPrev = Cross2(q[a], q[b], prev), toNext = Cross2(q[a], q[b], next);
            if (f[(a + m - 1) % m] == f[(a + 1) % m])  // the end of a crack: all round but along it
                return sign(toNext) != 0 || (q[b].first - q[a].first) * (next.first - q[a].first) +
                                                    (q[b].second - q[a].second) * (next.second - q[a].second) < 0;
            if (Cross2(prev, q[a], next) > 0) return toNext < -1e-12 && toPrev > 1e-12;
            return !(toNext >= -1e-12 && toPrev <= 1e-12);
        };
        size_t bestA = 0, bestB = 0, bestSize = m + 1;
        double bestLength = 0;
        for (size_t a = 0; a < m; ++a)
            for (size_t b = a + 2; b < m; ++b) {
                if ((a == 0 && b == m - 1) || f[a] == f[b]) continue;
                if (tip >= 0 && a != size_t(tip) && b != size_t(tip)) continue;
                if (!inside(a, b) || !inside(b, a) || crosses(a, b)) continue;
                // The most even parting, then the shortest diagonal (a choice
                // by shape alone, so that faces alike are cut alike).
                const size_t larger = std::max(b - a + 1, m - (b - a) + 1);
                const double length = Len(s.v[f[a]] - s.v[f[b]]);
                if (larger < bestSize || (larger == bestSize && length < bestLength - 1e-9))
                    bestSize = larger, bestA = a, bestB = b, bestLength = length;
            }
        if (bestSize > m) {
            std::fprintf(stderr, "gen_polyhedra: a face of %zu corners has no diagonal inside it\n", m);
            std::exit(1);
        }
        Face one(f.begin() + long(bestA), f.begin() + long(bestB) + 1), two(f.begin() + long(bestB), f.end());
        two.insert(two.end(), f.begin(), f.begin() + long(bestA) + 1);
        todo.push_back(one);
        todo.push_back(two);
    }
    return out;
}

std::vector<std::vector<P>> Dodecadodecahedron() {
    const std::vector<P> pts = IcosidodecahedronPoints();
    std::vector<std::vector<P>> faces;
    RingPolygons(pts, FiveFoldAxes(), 5, 1, kPhi, faces);  // pentagons
    RingPolygons(pts, FiveFoldAxes(), 5, 2, kPhi, faces);  // pentagrams
    return faces;
}

std::vector<std::vector<P>> GreatIcosidodecahedron() {
    const std::vector<P> pts = IcosidodecahedronPoints();
    const double edge = kPhi * kPhi;  // the pentagrams of the rings nearest the centre
    std::vector<std::vector<P>> faces;
    RingPolygons(pts, ThreeFoldAxes(), 3, 1, edge, faces);
    RingPolygons(pts, FiveFoldAxes(), 5, 2, edge, faces);
    return faces;
}

// Five octahedra on the icosidodecahedron's corners, each on three
// mutually perpendicular diameters.
std::vector<std::vector<P>> FiveOctahedra() {
    const std::vector<P> pts = IcosidodecahedronPoints();
    std::vector<P> axes;
    for (const P& p : pts)
        if (p.x > 1e-9 || (std::fabs(p.x) < 1e-9 && (p.y > 1e-9 || (std::fabs(p.y) < 1e-9 && p.z > 0)))) axes.push_back(p);
    std::vector<std::vector<P>> solids;
    for (size_t a = 0; a < axes.size(); ++a)
        for (size_t b = a + 1; b < axes.size(); ++b)
            for (size_t c = b + 1; c < axes.size(); ++c)
                if (std::fabs(Dot(axes[a], axes[b])) < 1e-9 && std::fabs(Dot(axes[a], axes[c])) < 1e-9 &&
                    std::fabs(Dot(axes[b], axes[c])) < 1e-9)
                    solids.push_back({axes[a], axes[a] * -1.0, axes[b], axes[b] * -1.0, axes[c], axes[c] * -1.0});
    return solids;
}

// Four cubes, each the cube at +-0.5 turned 60 degrees about one of its
// 3-fold axes.
std::vector<std::vector<P>> FourCubes() {
    std::vector<std::vector<P>> solids;
    std::vector<P> diag;
    for (P a : {P{1, 1, 1}, P{-1, 1, 1}, P{1, -1, 1}, P{1, 1, -1}}) diag.push_back(Unit(a));
    const double c = std::cos(kPi3), s = std::sin(kPi3);
    for (const P& k : diag) {
        std::vector<P> pts;
        for (const P& v : CubeCorners(0.5)) pts.push_back(v * c + Cross(k, v) * s + k * (Dot(k, v) * (1 - c)));
        solids.push_back(pts);
    }
    return solids;
}

// ---- writing ----

std::string Num(double v) {
    if (std::fabs(v) < 5e-17) v = 0;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

void WriteCoords3D(const std::string& name, const Solid& s) {
    std::printf("const double %s_Coords3D[] = {\n", name.c_str());
    for (const P& p : s.v) std::printf("    %s, %s, %s,\n", Num(p.x).c_str(), Num(p.y).c_str(), Num(p.z).c_str());
    std::printf("};\n");
}

void WriteFaces(const std::string& name, const char* suffix, const std::vector<Face>& faces) {
    std::printf("const uint16_t %s_%s[] = {\n", name.c_str(), suffix);
    for (const Face& f : faces) {
        std::printf("   ");
        for (int i : f) std::printf(" %d,", i + 1);
        std::printf(" 0,\n");
    }
    std::printf("};\n");
}

struct Entry {
    int code;
    std::string name;     // shape name in the registry
    std::string tables;   // prefix of its tables
    size_t vertices, faces;
    bool net;
    size_t netVertices;
    std::string netTables;  // prefix of its net tables
    bool facesFromNet;      // no 3D face table: the net's faces mapped onto the solid
};

std::vector<Entry> gEntries;

void WriteShape(int code, const std::string& name, const Solid& s, const std::string& tables = "") {
    const std::string t = tables.empty() ? name : tables;
    if (tables.empty()) {
        WriteCoords3D(t, s);
        WriteFaces(t, "Faces3D", s.f);
    }
    gEntries.push_back({code, name, t, s.v.size(), s.f.size(), false, 0, "", false});
}

// The cube's net: the horizontal cross, each corner where cube-map input
// samples its direction.
void WriteCubeNet(const Solid& cube) {
    static const int kCell[6][2] = {{3, 1}, {2, 1}, {1, 2}, {1, 1}, {0, 1}, {1, 0}};
    std::vector<std::pair<double, double>> nv;
    std::vector<Face> nf;
    std::vector<int> solidOf;
    for (const Face& f : cube.f) {
        const int F = CubeFaceNumber(Unit(Centroid(cube, f)));
        Face netFace;
        for (int i : f) {
            const P p = cube.v[i];
            double a, b;
            switch (F) {
                case 0: case 3: a = -p.x / p.z; b = -p.y / std::fabs(p.z); break;
                case 1: case 4: a = p.z / p.x; b = -p.y / std::fabs(p.x); break;
                default: a = -p.x / std::fabs(p.y); b = p.z / p.y; break;
            }
            const double x = (kCell[F][0] + 0.5 + 0.5 * a) / 4, y = (kCell[F][1] + 0.5 + 0.5 * b) / 4;
            int found = -1;
            for (int k = 0; k < int(nv.size()); ++k)
                if (std::hypot(nv[k].first - x, nv[k].second - y) < 1e-12 && solidOf[k] == i) found = k;
            if (found < 0) {
                found = int(nv.size());
                nv.push_back({x, y});
                solidOf.push_back(i);
            }
            netFace.push_back(found);
        }
        nf.push_back(netFace);
    }
    std::printf("const double NewCube_Coords2D[] = {\n");
    for (auto& q : nv) std::printf("    %s, %s,\n", Num(q.first).c_str(), Num(q.second).c_str());
    std::printf("};\n");
    WriteFaces("NewCube", "Faces2D", nf);
    std::printf("const uint16_t NewCube_2D_to_3D[] = {\n   ");
    for (int i : solidOf) std::printf(" %d,", i + 1);
    std::printf("\n};\n");
    gEntries.back().net = true;
    gEntries.back().netVertices = nv.size();
    gEntries.back().netTables = "NewCube";
}

// The tetrahedron strip's net: the plane's triangle lattice folds onto the
// tetrahedron with each lattice point going to the corner its coordinates'
// parities name, so the surface repeats on the doubled lattice. One repeat
// is 2 x 2 rhombi, 8 triangles covering each face twice. Written in the
// lattice's skewed coordinates (a point a + b/2 to the right and b*sqrt(3)/2
// up in the plane is at (a, b)/2 here), which the layout's fold reads: the
// repeat is the square [0, 1] x [0, 1] and each rhombus is cut along its
// short diagonal, from (a, b) to (a + 1, b + 1). Faces wind counter-clockwise
// with y up, as the solid's faces do seen from outside.
void WriteTilingTetrahedron() {
    static const int kCorner[2][2] = {{1, 3}, {2, 4}};  // [a parity][b parity]: Tetranew's 1-based corner
    auto at = [](int a, int b) { return 3 * b + a; };
    std::printf("const double TilingTetrahedron_Coords2D[] = {\n");
    for (int b = 0; b <= 2; ++b)
        for (int a = 0; a <= 2; ++a) std::printf("    %s, %s,\n", Num(a / 2.0).c_str(), Num(b / 2.0).c_str());
    std::printf("};\n");
    std::vector<Face> nf;
    for (int b = 0; b < 2; ++b)
        for (int a = 0; a < 2; ++a) {
            nf.push_back({at(a, b), at(a + 1, b), at(a + 1, b + 1)});
            nf.push_back({at(a, b), at(a + 1, b + 1), at(a, b + 1)});
        }
    WriteFaces("TilingTetrahedron", "Faces2D", nf);
    std::printf("const uint16_t TilingTetrahedron_2D_to_3D[] = {\n   ");
    for (int b = 0; b <= 2; ++b)
        for (int a = 0; a <= 2; ++a) std::printf(" %d,", kCorner[a % 2][b % 2]);
    std::printf("\n};\n");
    gEntries.push_back({24, "TilingTetrahedron", "Tetranew", 4, nf.size(), true, 9, "TilingTetrahedron", true});
}

// The cube without a net table (output "vertical cross") grows its net: the
// growth seeds at the first face, hinges every neighbour of the seed onto it
// and hangs the face opposite the seed on the neighbour across the seed's
// first edge. Listing +z first, starting at its (-x, -y) corner, grows the
// vertical cross of cube-map input: +z in the middle, +y above, -y below
// with -z under it, +x left and -x right.
void WriteVerticalCrossCube(const Solid& cube) {
    Solid grown = cube;
    std::stable_partition(grown.f.begin(), grown.f.end(),
                          [&](const Face& f) { return CubeFaceNumber(Unit(Centroid(cube, f))) == 3; });
    Face& seed = grown.f.front();
    while (!(cube.v[seed[0]].y < 0 && cube.v[seed[1]].y < 0)) std::rotate(seed.begin(), seed.begin() + 1, seed.end());
    WriteFaces("VerticalCrossCube", "Faces3D", grown.f);
    gEntries.push_back({80, "NewCube (no net)", "VerticalCrossCube", cube.v.size(), grown.f.size(), false, 0, "", false});
}

std::string FloatNum(double v) {
    if (std::fabs(v) < 1e-9) v = 0;  // rounding noise of a zero coordinate
    std::string s = Num(float(v));
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s + "f";
}

void WriteFloatFaceTable(const char* name, const Solid& s) {
    std::printf("const float %s[] = {\n", name);
    for (const Face& f : s.f) {
        for (int i : f)
            std::printf("    %s, %s, %s,\n", FloatNum(s.v[i].x).c_str(), FloatNum(s.v[i].y).c_str(), FloatNum(s.v[i].z).c_str());
        std::printf("    -999.0f, 0.0f, 0.0f,\n");
    }
    std::printf("    -999.0f, 0.0f, 0.0f,\n};\n");
}

}  // namespace

int main() {
    std::printf("// Generated by tools/gen_polyhedra.cpp: do not edit. The conventions of\n"
                "// these tables are written at the top of the generator.\n"
                "#include \"polyhedra/builtin_shapes.h\"\n\nnamespace {\n\n");

    // Platonic solids.
    std::vector<P> tet;
    for (const P& c : CubeCorners(1))
        if (c.x * c.y * c.z > 0) tet.push_back(c);
    Solid tetra = HullSolid(Scaled(tet, 1));
    StartTetrahedronFacesAtTheirApexes(tetra);
    const Solid cube = HullSolid(CubeCorners(0.5), CubeFaceOrder);
    std::vector<P> oct;
    AddCyclic(oct, {1, 0, 0});
    const Solid octa = HullSolid(oct);
    const Solid dodeca = HullSolid(DodecahedronPoints());
    const Solid ico = HullSolid(IcosahedronPoints());
    const Solid oldIco = Canonical(ico.v, ico.f, IcoBands);
    WriteShape(16, "Tetranew", tetra);
    WriteTilingTetrahedron();
    WriteShape(18, "NewCube", cube);
    WriteCubeNet(cube);
    WriteVerticalCrossCube(cube);
    WriteShape(19, "NewOcto", octa);
    WriteShape(9, "NewDodec", dodeca);
    WriteShape(17, "NewIco", ico);
    WriteFaces("OldIco", "Faces3D", oldIco.f);
    gEntries.push_back({23, "OldIco", "NewIco", ico.v.size(), ico.f.size(), false, 0, "", false});
    gEntries.back().tables = "OldIco";

    // Bases of the builders.
    WriteShape(-1, "plain_dodecahedron", dodeca, "NewDodec");
    WriteShape(-1, "NewIco_Coords3D_2", ico, "NewIco");
    WriteShape(-1, "YangTetra", tetra, "Tetranew");
    WriteShape(-1, "YangCube", HullSolid(CubeCorners(1 / std::sqrt(3.0))));
    WriteShape(-1, "YangOcto", octa, "NewOcto");
    for (int sides : {3, 4, 5}) {
        Solid s;
        for (int k = 0; k < sides; ++k) {
            const double a = 2 * 3.14159265358979323846 * k / sides;
            s.v.push_back({std::sin(a), std::cos(a), 0});
        }
        Face front, back;
        for (int k = 0; k < sides; ++k) {
            front.push_back((sides - k) % sides);  // counter-clockwise seen from +z
            back.push_back(k);
        }
        s.f = {front, back};
        const char* names[] = {"two_sided_triangle", "two_sided_square", "two_sided_pentagon"};
        WriteShape(-1, names[sides - 3], s);
    }

    // Archimedean solids and their Catalan duals.
    std::vector<P> cubo;
    AddCyclic(cubo, {1, 1, 0});
    const Solid oneFour = HullSolid(Scaled(cubo, 1));
    std::vector<P> rco;
    AddCyclic(rco, {1, 1, 1 + std::sqrt(2.0)});
    const Solid twoSix = HullSolid(Scaled(rco, 1));
    const Solid truncIco = HullSolid(EvenPermutationPoints(
        {{0, 1, 3 * kPhi}, {1, 2 + kPhi, 2 * kPhi}, {kPhi, 2, kPhi * kPhi * kPhi}}));
    const Solid threeTwo = HullSolid(Scaled(IcosidodecahedronPoints(), 1));
    const Solid threeEight = HullSolid(SnubCubePoints());
    const Solid sixTwo = HullSolid(EvenPermutationPoints(
        {{1, kPhi * kPhi * kPhi, 1}, {kPhi * kPhi, 2 * kPhi, kPhi}, {2 + kPhi, kPhi * kPhi, 0}}));
    WriteShape(7, "OneFour", oneFour);
    WriteShape(1, "twosix", twoSix);
    WriteShape(2, "TruncatedIcosahedron", truncIco);
    WriteShape(3, "threetwo", threeTwo);
    WriteShape(4, "threeeight", threeEight);
    WriteShape(6, "sixtwo", sixTwo);
    WriteShape(0, "twofour", Dual(twoSix));
    WriteShape(12, "PentTwoFour", Dual(threeEight));
    WriteShape(8, "ThreeZero", Dual(threeTwo));
    WriteShape(5, "sixzero", Dual(sixTwo));

    // Visible surfaces.
    WriteShape(13, "FiveTets", SolidFromPolygons(VisibleSurface(FacesOfHulls(FiveTetrahedra()))));
    WriteShape(20, "dodo", SolidFromPolygons(VisibleSurface(Dodecadodecahedron())));
    WriteShape(21, "GID", SolidFromPolygons(VisibleSurface(GreatIcosidodecahedron())));

    // Builder tables.
    std::printf("}  // namespace\n\n");
    std::printf("const double RhombicHexecontahedron_Coords3D[240 * 3] = {\n");
    for (const auto& face : RhombicHexecontahedronFaces(ico))
        for (const P& p : face) std::printf("    %s, %s, %s,\n", Num(p.x).c_str(), Num(p.y).c_str(), Num(p.z).c_str());
    std::printf("};\n\n");
    // The cutting rules read these tables' order (tests/nets/slicing_test.cpp):
    // the four-cube bands start at the triangles of least and greatest x and
    // then at the first unlabelled triangle in face order; the triambic
    // icosahedron's five links start at face 0; the Waterman chain opens
    // from face 4, a hexagon because hexagons are listed first. The walks
    // inside the bands step round each face's corners, which follow the
    // outward winding, so no order of faces changes them.
    WriteFloatFaceTable("cube4compound", SolidFromPolygons(VisibleSurface(FacesOfHulls(FourCubes()))));
    WriteFloatFaceTable("SmallTriambicIcosahedron", SolidFromPolygons(SmallTriambicIcosahedron(ico)));
    WriteFloatFaceTable("OctahedronFiveCompound", SolidFromPolygons(VisibleSurface(FacesOfHulls(FiveOctahedra()))));
    WriteFloatFaceTable("MedialHexagonalHexecontahedron",
                        SplitLargeFaces(SolidFromPolygons(MedialHexagonalHexecontahedron()), 10));
    WriteFloatFaceTable("Rhombicosacron", SolidFromPolygons(VisibleSurface(Rhombicosacron())));
    WriteFloatFaceTable("watermanW5", HullSolid(WatermanPoints(), HexagonsFirst));

    std::printf("\nconst BuiltInShape kBuiltInShapes[] = {\n");
    for (const Entry& e : gEntries) {
        const std::string coords =
            e.tables == "OldIco" ? "NewIco" : (e.tables == "VerticalCrossCube" ? "NewCube" : e.tables);
        const std::string faces3D = e.facesFromNet ? "nullptr" : e.tables + "_Faces3D";
        auto net = [&e](const char* suffix) { return e.net ? e.netTables + suffix : std::string("nullptr"); };
        std::printf("    {%d, \"%s\", %s_Coords3D, %zu, %s, %zu, %s, %zu, %s, %s},\n", e.code, e.name.c_str(),
                    coords.c_str(), e.vertices, faces3D.c_str(), e.faces, net("_Coords2D").c_str(), e.netVertices,
                    net("_Faces2D").c_str(), net("_2D_to_3D").c_str());
    }
    std::printf("};\nconst int64_t kBuiltInShapeCount = %zu;\n", gEntries.size());
    return 0;
}
