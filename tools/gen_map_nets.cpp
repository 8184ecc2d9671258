// Writes polyhedra/generated/map_nets.cpp: the built-in nets of the map
// layouts (stars, chains, diamonds, rhombi) that the face-to-sphere maps of
// projections/face_maps.cpp read. Usage: gen_map_nets > map_nets.cpp
// The design of each net is in tools/map_nets.md; gen_map_nets CODE TAGS
// [TOLERANCE] prints which tags of a map share which sides, and the
// corners' directions, for designing one.
//
// Every net face is one cell of its map: a triangle whose corners are, in
// order, the cell's centre O, the midpoint B of the polygon edge and the
// polygon vertex A, as the cell's table reads them (weights b0 at O, b1 at
// B, b2 at A). Face t carries tag t, the map's spin and facing for t.
//
// The nets are laid out by the maps themselves: each face's corners are
// sent to the sphere through the very transform a render runs (the warp of
// the shape's code, with the built caches), and a face is laid beside the
// face its design names as its parent by mirroring it across the side whose
// two corners the maps send to the same two directions. A mirrored
// neighbour continues the parent's conformal map across that side (the
// reflection principle), so the picture runs on across every fold of the
// net. Every face must then turn so that the net, seen with y down as the
// picture is, shows the sphere as seen from outside the Earth of the
// equirectangular input (east to the right of north); a design that asks
// for anything else, or for a side that no two corners share, stops the
// generator.
//
// Solid vertices are the directions of the corners (the star maps read only
// the net; the solid is for the exports and the edges), one per direction;
// net vertices are shared where corners meet in the net with one direction.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "polyhedra/poly_storage.h"
#include "polyhedra/polyhedron.h"
#include "projections/caches.h"
#include "projections/florets.h"
#include "projections/polyhedral_transform.h"
#include "records/renderhinttype.h"
#include "records/warpy_basis.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "gen_map_nets: %s\n", what.c_str());
    std::exit(1);
}

std::string Num(double v) {
    if (std::fabs(v) < 1e-15) v = 0;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

struct V3 {
    double x, y, z;
};
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 Add(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 Scale(V3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Angle(V3 a, V3 b) { return std::atan2(std::sqrt(Dot(Cross(a, b), Cross(a, b))), Dot(a, b)); }

struct P2 {
    double x, y;
};
double Cross2(P2 o, P2 a, P2 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }
double Dist(P2 a, P2 b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Directions closer than this are one point of the sphere (the maps write
// floats).
constexpr double kSameDirection = 2e-4;
constexpr double kSamePlace = 1e-9;
// Points of two sides closer than this are one point (the tables are
// interpolated).
double kSideTolerance = 1e-3;

// One net of the layouts.
struct Design {
    int64_t code;
    const char* name;   // the table family
    const char* ident;  // the tables' prefix
    int tags;
    int sides;               // the polygon of the cell's table
    std::vector<struct Step> plan;  // how the faces are laid, in order
    double turn;             // degrees the finished net is turned by
    // Reuleaux cells: the solid corners of face t (plane points the map
    // reads), null for the polygon cells, whose maps read only the net.
    std::array<V3, 3> (*corners)(int t) = nullptr;
    bool plain = false;  // plain faces: no warp
};

// One step of a design. The faces a map lays round one centre on the sphere
// (sharing the sides through their corner O) form a disc or a fan there.
struct Step {
    enum Kind { kRound, kPoints, kJoin } kind;
    int a = 0, b = 0;
    char first = 0;  // kRound: the corner the first mirror moves ('A' or 'B'), 0 any
    double dx = 0, dy = 0;  // kRound: where a face laid first goes
};
// The faces round face `start`'s centre, from `start` on, each mirrored
// across the radius it shares with the one before.
Step Round(int start, char first = 0) { return {Step::kRound, start, 0, first}; }
// The same for a face laid apart from the others, its centre at (x, y).
Step RoundAt(int start, double x, double y) { return {Step::kRound, start, 0, 0, x, y}; }
// Every face not laid yet, mirrored across its outer side (B A) from the
// laid face that shares it: the points of a star.
Step Points() { return {Step::kPoints}; }
// Face `t` mirrored across the outer side it shares with face `p`.
Step Join(int p, int t) { return {Step::kJoin, p, t}; }

// ---- the maps, as a render runs them ----

struct Maps {
    ProjectionCacheStore* store = nullptr;
    polyhedron* poly = nullptr;
    renderhinttype hints{};
    Maps() {
        store = NewProjectionCacheStore();
        poly = NewPolyhedron(1.0f, 0.5f);
        if (!store || !poly) Fail("out of memory");
        for (int64_t tag : {kCacheTagDecant, kCacheTagSextant, kCacheTagDodecant, kCacheTagNuOctant, kCacheTagSphereCube,
                            kCacheTagTetfaceSextant, kCacheTagOctaface, kCacheTagIcoface, kCacheTagDodecDecant,
                            kCacheTagReuleauxCircle, kCacheTagReuleauxOctoface})
            if (!PrepareProjectionCache(store, tag)) Fail("a cell table cannot be built");
        InitPolyHints(&hints);
        for (int64_t t = 0; t < 256; ++t) poly->netTriangle[t].tag = uint16_t(t);
        poly->netTriangleCount = 256;
        poly->warpSwitch = 1;
        poly->coordinateKind = 1;
    }
    ~Maps() {
        FreePolyhedron(&poly);
        DisposeProjectionCacheStore(&store);
    }
    // The solid corners of net triangle t, for the maps that read them.
    void SetCorners(int t, const std::array<V3, 3>& q) {
        for (int k = 0; k < 3; ++k) {
            poly->netTriangle[t].cornerPoint[k] = triplex{q[k].x, q[k].y, q[k].z};
            // The Reuleaux maps read the corners through the net vertices.
            poly->netTriangle[t].vertex[k] = 3 * t + k;
            PolyNetVertex& v = poly->netVertex[3 * t + k];
            v.X = float(q[k].x), v.Y = float(q[k].y), v.Z = float(q[k].z);
        }
    }
    // The waffle's map reads the net point too, and the first and 29th net
    // vertices (the split of its net): set them here for it.
    P2 waffleVertex0{0, 0}, waffleVertex28{0, 0};
    V3 At(int64_t code, int t, double b0, double b1, double b2, bool* missed = nullptr, P2 at = {0, 0}) {
        poly->warpCode = code;
        if (code == 63 || code == 68) {
            poly->netVertex[0].x = float(waffleVertex0.x), poly->netVertex[0].y = float(waffleVertex0.y);
            poly->netVertex[28].x = float(waffleVertex28.x), poly->netVertex[28].y = float(waffleVertex28.y);
        }
        float out[3];
        uint8_t outside = 0;
        DoPolyhedralTransformCore(poly, t, store, out, &outside, &hints, b0, b1, b2, float(at.x), float(at.y));
        if (missed) *missed = outside != 0;
        else if (outside) Fail("a map misses inside its own cell");
        return {out[0], out[1], out[2]};
    }
};

// The cell of an n-gon's table, vertex radius 1: O, B, A.
std::array<P2, 3> Cell(int n) {
    const double c = std::cos(kPi / n), s = std::sin(kPi / n);
    return {P2{0, 0}, P2{c, 0}, P2{c, s}};
}

// +1 when the map shows the cell with the turn of the sphere seen from
// outside, -1 for the other.
int SphereTurn(Maps& maps, int64_t code, int t) {
    const V3 a = maps.At(code, t, 0.5, 0.25, 0.25), b = maps.At(code, t, 0.25, 0.5, 0.25),
             c = maps.At(code, t, 0.25, 0.25, 0.5);
    const double d = Dot(a, Cross(b, c));
    if (std::fabs(d) < 1e-12) Fail("shape " + std::to_string(code) + ": the image of cell " + std::to_string(t) + " has no turn");
    return d > 0 ? 1 : -1;
}

// The net's turn (signed area with y as written) of a face the sphere shows
// turning `sphere`: the frame of the input (x, y, z) = (-sin lon cos lat,
// sin lat, cos lon cos lat) has east x north pointing inwards, so a face
// turning positively from outside reads east-west mirrored unless its net
// turns positively too.
int NetTurnFor(int sphere) { return sphere; }

// Whether side (i, j) of face p and side (a, b) of face t show the same
// points of the sphere, step for step.
bool SameSide(Maps& maps, int64_t code, int p, int i, int j, int t, int a, int b) {
    // (Short of the far end: a Reuleaux cell's radius to its arc stops
    // before the net corner on that ray.)
    for (double u : {0.3, 0.5, 0.7}) {
        double w[3] = {0, 0, 0}, v[3] = {0, 0, 0};
        w[i] = 1 - u, w[j] = u, v[a] = 1 - u, v[b] = u;
        bool m1 = false, m2 = false;
        const V3 x = maps.At(code, p, w[0], w[1], w[2], &m1), y = maps.At(code, t, v[0], v[1], v[2], &m2);
        if (m1 || m2 || Angle(x, y) > kSideTolerance) return false;
    }
    return true;
}

struct Laid {
    std::array<P2, 3> at;
    std::array<V3, 3> dir;
    bool placed = false;
};

struct Net {
    std::vector<Laid> faces;
    std::vector<P2> vertices;       // net vertices
    std::vector<int> solidOf;       // per net vertex
    std::vector<V3> solid;          // solid vertices
    std::vector<std::array<int, 3>> corners;  // per face, net vertices
};

// Turns the laid faces by `turn` degrees and numbers their vertices: a
// solid vertex per point of the solid (its direction when `unit`, else the
// point itself), a net vertex per place in the net and solid vertex.
void Finish(Net* net, const std::string& shape, double turn, bool unit) {
    const double c = std::cos(turn * kPi / 180), s = std::sin(turn * kPi / 180);
    for (Laid& f : net->faces)
        for (P2& q : f.at) q = P2{c * q.x - s * q.y, s * q.x + c * q.y};
    for (Laid& f : net->faces) {
        std::array<int, 3> ids{};
        for (int k = 0; k < 3; ++k) {
            int solid = -1;
            for (size_t i = 0; i < net->solid.size(); ++i) {
                const V3 e = Add(net->solid[i], Scale(f.dir[k], -1));
                if (unit ? Angle(net->solid[i], f.dir[k]) <= kSameDirection : Dot(e, e) < 1e-18) solid = int(i);
            }
            if (solid < 0) {
                const double m = unit ? std::sqrt(Dot(f.dir[k], f.dir[k])) : 1.0;
                net->solid.push_back({f.dir[k].x / m, f.dir[k].y / m, f.dir[k].z / m});
                solid = int(net->solid.size()) - 1;
            }
            int id = -1;
            for (size_t i = 0; i < net->vertices.size(); ++i)
                if (Dist(net->vertices[i], f.at[k]) <= kSamePlace && net->solidOf[i] == solid) id = int(i);
            if (id < 0) {
                net->vertices.push_back(f.at[k]);
                net->solidOf.push_back(solid);
                id = int(net->vertices.size()) - 1;
            }
            ids[k] = id;
        }
        if (net->solidOf[ids[0]] == net->solidOf[ids[1]] || net->solidOf[ids[1]] == net->solidOf[ids[2]] ||
            net->solidOf[ids[0]] == net->solidOf[ids[2]])
            Fail(shape + ": a face folds two corners onto one point");
        net->corners.push_back(ids);
    }
}

Net Lay(Maps& maps, const Design& d) {
    Net net;
    net.faces.resize(d.tags);
    // The cell in the net: the polygon's O B A, or the Reuleaux sixth's
    // corner V, ray point T and centre O (an equilateral triangle).
    std::array<P2, 3> cell = Cell(d.sides);
    if (d.corners)
        for (int k = 0; k < 3; ++k) cell[k] = {d.corners(0)[k].x, d.corners(0)[k].y};
    const int centre = d.corners ? 2 : 0;
    std::vector<int> turn(d.tags);
    for (int t = 0; t < d.tags; ++t) {
        if (d.corners) maps.SetCorners(t, d.corners(t));
        for (int k = 0; k < 3; ++k)
            net.faces[t].dir[k] = d.corners ? d.corners(t)[k]
                                            : maps.At(d.code, t, k == 0 ? 1 : 0, k == 1 ? 1 : 0, k == 2 ? 1 : 0);
        turn[t] = NetTurnFor(SphereTurn(maps, d.code, t));
        if (std::getenv("GEN_MAP_NETS_DEBUG")) {
            std::fprintf(stderr, "%s tag %d turn %d:", d.ident, t, turn[t]);
            for (const V3& q : net.faces[t].dir) std::fprintf(stderr, "  (%.4f %.4f %.4f)", q.x, q.y, q.z);
            std::fprintf(stderr, "\n");
        }
    }
    const std::string shape = d.ident;
    // Which faces share which side on the sphere: adj[t] holds (face, the
    // corner of t off the shared side); the sides keep their roles.
    std::vector<std::vector<std::pair<int, int>>> adj(d.tags);
    for (int p = 0; p < d.tags; ++p)
        for (int t = p + 1; t < d.tags; ++t)
            for (int k = 0; k < 3; ++k) {
                const int i = (k + 1) % 3, j = (k + 2) % 3;
                if (SameSide(maps, d.code, p, i, j, t, i, j)) {
                    adj[p].push_back({t, k});
                    adj[t].push_back({p, k});
                }
            }
    std::vector<int> parent(d.tags, -2), across(d.tags, -1), order;
    std::vector<P2> offset(d.tags, P2{0, 0});
    auto lay = [&](int t, int p, int k) {
        parent[t] = p, across[t] = k;
        order.push_back(t);
    };
    auto shared = [&](int p, int t, int k) {
        for (const auto& [q, r] : adj[t])
            if (q == p && r == k) return true;
        return false;
    };
    for (const Step& step : d.plan) {
        if (step.kind == Step::kRound) {
            if (parent[step.a] == -2) {
                lay(step.a, -1, -1);
                offset[step.a] = {step.dx, step.dy};
            }
            for (int cur = step.a, n = 0; cur >= 0; cur = n) {
                n = -1;
                for (const auto& [q, r] : adj[cur])
                    if (r != centre && parent[q] == -2 && (n < 0 || (cur == step.a && "OBA"[r] == step.first))) {
                        n = q;
                        across[q] = r;
                    }
                if (n >= 0) lay(n, cur, across[n]);
            }
        } else if (step.kind == Step::kPoints) {
            for (int t = 0; t < d.tags; ++t)
                if (parent[t] == -2)
                    for (const auto& [q, r] : adj[t])
                        if (r == centre && parent[q] != -2 && parent[t] == -2) lay(t, q, centre);
        } else {
            if (!shared(step.a, step.b, centre)) Fail(shape + ": faces " + std::to_string(step.a) + " and " + std::to_string(step.b) + " share no outer side");
            lay(step.b, step.a, centre);
        }
    }
    if (int(order.size()) != d.tags) Fail(shape + ": the plan does not lay every face once");
    for (int t : order) {
        Laid& f = net.faces[t];
        const int p = parent[t];
        if (p < 0) {
            f.at = cell;
            if ((Cross2(cell[0], cell[1], cell[2]) > 0 ? 1 : -1) != turn[t])
                for (P2& q : f.at) q.y = -q.y;
            for (P2& q : f.at) q = {q.x + offset[t].x, q.y + offset[t].y};
            f.placed = true;
            continue;
        }
        const Laid& g = net.faces[p];
        // The side of the parent whose corners the face shares; the face's
        // own corners on it keep their roles where they can.
        int best = -1, bi = 0, bj = 0, ci = 0, cj = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                if (i == j || i == across[t] || j == across[t]) continue;
                for (int a = 0; a < 3; ++a)
                    for (int b = 0; b < 3; ++b) {
                        if (a == b) continue;
                        if (!d.corners && (Angle(g.dir[i], f.dir[a]) > kSameDirection ||
                                           Angle(g.dir[j], f.dir[b]) > kSameDirection))
                            continue;
                        if (d.corners && (a != i || b != j)) continue;
                        if (std::fabs(Dist(cell[a], cell[b]) - Dist(g.at[i], g.at[j])) > 1e-12) continue;
                        // The whole side, not only its ends: a map may send
                        // all three corners of two faces to the same points.
                        if (!SameSide(maps, d.code, p, i, j, t, a, b)) continue;
                        const int score = (a == i) + (b == j);
                        if (score > best) best = score, bi = i, bj = j, ci = a, cj = b;
                    }
            }
        if (best < 0) Fail(shape + ": face " + std::to_string(t) + " shares no side with its parent");
        const int gk = 3 - bi - bj, ck = 3 - ci - cj;
        // The congruence taking the cell's side (ci, cj) onto the parent's
        // (bi, bj), the third corner on the far side of it.
        const P2 u{cell[cj].x - cell[ci].x, cell[cj].y - cell[ci].y}, v{g.at[bj].x - g.at[bi].x, g.at[bj].y - g.at[bi].y};
        const double lu = std::hypot(u.x, u.y), lv = std::hypot(v.x, v.y);
        const P2 e{u.x / lu, u.y / lu}, n{-e.y, e.x}, E{v.x / lv, v.y / lv}, N{-E.y, E.x};
        const double s = (cell[ck].x - cell[ci].x) * e.x + (cell[ck].y - cell[ci].y) * e.y;
        double h = (cell[ck].x - cell[ci].x) * n.x + (cell[ck].y - cell[ci].y) * n.y;
        const double far = Cross2(g.at[bi], g.at[bj], g.at[gk]);
        if ((h > 0) == (far > 0)) h = -h;
        f.at[ci] = g.at[bi];
        f.at[cj] = g.at[bj];
        f.at[ck] = P2{g.at[bi].x + s * E.x + h * N.x, g.at[bi].y + s * E.y + h * N.y};
        if ((Cross2(f.at[0], f.at[1], f.at[2]) > 0 ? 1 : -1) != turn[t])
            Fail(shape + ": face " + std::to_string(t) + " would be mirrored beside face " + std::to_string(p));
        f.placed = true;
    }
    Finish(&net, shape, d.turn, !d.corners);
    return net;
}

// ---- the designs (tools/map_nets.md) ----

// The Reuleaux maps read a sixth of the tetrahedron's vertex cell in the
// stereographic plane: b0 at its corner V (at -60 degrees for odd tags, +60
// for even ones), b1 at T (the corner's radius on the ray through the arc's
// midpoint), b2 at the centre O.
std::array<V3, 3> ReuleauxSixth(int t) {
    const double r = 1 / std::sqrt(2.0), h = 0.5 * std::sqrt(3.0) * r;
    return {V3{0.5 * r, t & 1 ? -h : h, 0}, V3{r, 0, 0}, V3{0, 0, 0}};
}

// The plane point p turned by `degrees` about the centre, mirrored in the
// x axis first when asked.
V3 TurnedPoint(V3 p, double degrees, bool mirror) {
    if (mirror) p.y = -p.y;
    const double c = std::cos(degrees * kPi / 180), s = std::sin(degrees * kPi / 180);
    return {c * p.x - s * p.y, s * p.x + c * p.y, 0};
}

// Where the sixth of tag t lies round its cell: the spins 0, 240, 240, 120,
// 120, 0 of t mod 6 with the even tags mirrored fill the six sectors.
const double kSixthTurn[6] = {0, 240, 240, 120, 120, 0};

// The four-cell map reads the plane points themselves: the first cell's
// sixths where they lie, the other three cells' mirrored in the x axis.
std::array<V3, 3> ReuleauxFourSixth(int t) {
    const std::array<V3, 3> base = ReuleauxSixth(1);
    std::array<V3, 3> q;
    for (int k = 0; k < 3; ++k) {
        q[k] = TurnedPoint(base[k], kSixthTurn[t % 6], !(t & 1));
        if (t >= 6) q[k].y = -q[k].y;
    }
    return q;
}

// The octahedral map's cell (inside three discs of radius sqrt 3 about
// (-sqrt 2, 0) and (sqrt 2 / 2, +-sqrt 6 / 2)): corners at radius
// (sqrt 6 - sqrt 2) / 2 at 60, 180 and 300 degrees; a sixth's T is where
// the arc's tangent at the corner meets the ray through the arc's midpoint.
std::array<V3, 3> OctreleauxSixth(int t) {
    const double rho = (std::sqrt(6.0) - std::sqrt(2.0)) / 2;
    const V3 V{0.5 * rho, -0.5 * std::sqrt(3.0) * rho, 0}, centre{-std::sqrt(2.0), 0, 0};
    // The tangent at V is perpendicular to V - centre; it meets y = 0 at T.
    const double nx = V.x - centre.x, ny = V.y - centre.y;
    const V3 T{V.x + V.y * ny / nx, 0, 0};
    std::array<V3, 3> q{V, T, V3{0, 0, 0}};
    for (V3& p : q) p = TurnedPoint(p, kSixthTurn[t % 6], !(t & 1));
    return q;
}

// Cells of the Reuleaux maps, each a cell round its centre, laid apart
// in rows of `across`.
std::vector<Step> ReuleauxCells(int cells, int across) {
    std::vector<Step> plan;
    for (int g = 0; g < cells; ++g) plan.push_back(RoundAt(6 * g, 1.8 * (g % across), 1.8 * (g / across)));
    return plan;
}

std::vector<Design> Designs() {
    return {
        {30, "fivestar", "fivestar20", 20, 5, {Round(0), Points()}, 0.0},
        {31, "fivestar", "fivestar10", 10, 5, {Round(0)}, 0.0},
        {34, "threestar", "threestar", 12, 3, {Round(0), Points()}, 60.0},
        {35, "triangle", "triangle", 6, 3, {Round(0)}, 0.0},
        {36, "rhombus", "rhombus", 4, 3, {Round(0, 'A'), Points()}, 0.0},
        {37, "bipolar_rhombus", "bipolar_rhombus", 12, 3, {Round(0), Join(0, 7), Round(7)}, 0.0},
        {38, "sixstar", "sixstar", 24, 6, {Round(0), Points()}, 0.0},
        {39, "hexagon", "hexagon", 12, 6, {Round(0)}, 0.0},
        {62, "pointy", "pointy", 8, 6, {Round(0), Join(0, 2), Round(2)}, 0.0},
        {43, "Pentalene", "Pentalene", 20, 5, {Round(0), Join(0, 11), Round(11)}, 0.0},
        {44, "Naphthalene", "Naphthalene", 24, 6, {Round(0), Join(0, 13), Round(13)}, 0.0},
        {45, "Phenalene", "Phenalene", 36, 6, {Round(0), Join(5, 20), Round(20), Join(1, 24), Round(24)}, 0.0},
        {76, "Anthracene", "Anthracene", 36, 6, {Round(0), Join(1, 18), Round(18), Join(7, 24), Round(24)}, 300.0},
        {61, "adamsdiamonds", "adamsdiamonds", 16, 4, {Round(0), Join(0, 11), Round(11)}, 0.0},
        {55, "Reuleaux1", "Reuleaux1", 6, 0, ReuleauxCells(1, 1), 0.0, ReuleauxSixth},
        {56, "Reuleaux2", "Reuleaux2", 12, 0, ReuleauxCells(2, 2), 0.0, ReuleauxSixth},
        {58, "Reuleaux8", "Reuleaux8", 48, 0, ReuleauxCells(8, 4), 0.0, ReuleauxSixth},
        {57, "ReuleauxTetrahedron", "ReuleauxTetrahedron", 24, 0, ReuleauxCells(4, 2), 0.0, ReuleauxFourSixth},
        {59, "Octreleaux", "Octreleaux", 48, 0, ReuleauxCells(8, 4), 0.0, OctreleauxSixth},
    };
}

// ---- the nets the hyperbolic tilings read ----
//
// The {5,4} tiling (modes 379-382) places a folded point in a pentagon with
// a vertex up, filling the net's box, mirrored left to right after an odd
// number of inversions: across every edge of a cell the neighbour shows the
// cell's own picture mirrored in the vertical axis. The net is the pentagon
// of decant cells whose outline the sphere glues to itself across an axis
// from a vertex (tags 7, 8) to the opposite edge's midpoint (tags 2, 3),
// turned so that this axis is vertical, its vertex up. (The map's disc move
// comes after the sphere point, so the gluing is the ten-cell pentagon's.)
Design PentagonTilingDesign(Maps& maps) {
    Design d{33, "fivestar", "fivestar_tiling", 10, 5, {Round(0)}, 0.0};
    const Net plain = Lay(maps, d);
    const P2 apex = plain.faces[7].at[2];
    if (Dist(apex, plain.faces[8].at[2]) > 1e-9) Fail("fivestar_tiling: tags 7 and 8 share no vertex");
    // Up is -y in the picture.
    d.turn = -90.0 - std::atan2(apex.y, apex.x) * 180.0 / kPi;
    return d;
}

// ---- floret bases (tools/map_nets.md, "Floret bases") ----
//
// A floret opens a wedge of its basis net about the frame's centre (the
// middle of the net's box) into each lobe and turns the lobe's picture
// about the sphere's axis that becomes the output's: the wedge must show a
// lune about that axis, its two sides meridians.

// Shape 32 (the pentagon florets 385-387): the pentagon of shape 31, its
// +y corner (the lune's pole, between tags 7 and 8) turned to the bottom;
// the 108-degree wedges open from it between the two sides of the seam.
Design PentagonsBase() { return {32, "fivestar", "pentagons", 10, 5, {Round(0)}, 18.0}; }

// Shape 69 (the astercurves 152-154): the six-pointed star of the sixstar
// map about the z pole. The astercurves open wedges of 60 degrees about
// the +x axis: two cells of the hexagon (the radii to its vertices at +-30
// degrees are meridians) and the point beyond them, a lune of 60 degrees
// from pole to pole.
Design AstercurveBase() { return {69, "sixstar", "astercurve", 24, 6, {Round(0), Points()}, 240.0}; }

std::vector<Design> FloretBaseDesigns() { return {AstercurveBase(), PentagonsBase()}; }

// Shape 73 (the shard, mode 162): whole faces of the conformal octahedron
// (the octaface map). The kind's axis is the midpoint of the edge from +x
// to +y, so that edge stands upright through the frame's centre; the
// half plane right of it (the lobe) holds the four faces round +z, the
// hemisphere the edge's great circle bounds, unfolded from the edge's face
// across its two edges through +z and on across the upper one. The left
// half is the right half turned by 180 degrees in the net, which is the
// solid's half turn about the axis ((x, y, z) to (y, x, -z)): the four
// faces round -z. The lobes meet along the central edge; beyond its ends
// the outline leaves the lobe's border (a vertex joins two faces where the
// half plane would need three): shards.
Net ShardNet(Maps& maps) {
    const V3 px{1, 0, 0}, mx{-1, 0, 0}, py{0, 1, 0}, my{0, -1, 0}, pz{0, 0, 1};
    auto mirror = [](P2 p, P2 a, P2 b) {  // p mirrored across the line a b
        const double dx = b.x - a.x, dy = b.y - a.y, t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
        const P2 f{a.x + t * dx, a.y + t * dy};
        return P2{2 * f.x - p.x, 2 * f.y - p.y};
    };
    auto half = [](V3 v) { return V3{v.y, v.x, -v.z}; };
    Net net;
    for (bool mirrored : {false, true}) {
        net = Net{};
        const double s = mirrored ? -1.0 : 1.0;
        const P2 X{0, -0.5 * s}, Y{0, 0.5 * s}, Z{std::sqrt(0.75), 0};
        const P2 MX = mirror(X, Y, Z), MY = mirror(Y, X, Z), MY2 = mirror(Y, MX, Z);
        std::vector<Laid> right(4);
        right[0].at = {X, Y, Z}, right[0].dir = {px, py, pz};
        right[1].at = {Y, MX, Z}, right[1].dir = {py, mx, pz};
        right[2].at = {MY, X, Z}, right[2].dir = {my, px, pz};
        right[3].at = {MX, MY2, Z}, right[3].dir = {mx, my, pz};
        for (Laid f : right) {
            f.placed = true;
            net.faces.push_back(f);
            for (int k = 0; k < 3; ++k) f.at[k] = P2{-f.at[k].x, -f.at[k].y}, f.dir[k] = half(f.dir[k]);
            net.faces.push_back(f);
        }
        bool right_turn = true;
        for (size_t t = 0; t < net.faces.size(); ++t) {
            maps.SetCorners(int(t), net.faces[t].dir);
            const Laid& f = net.faces[t];
            for (int k = 0; k < 3; ++k)
                if (Angle(maps.At(73, int(t), k == 0, k == 1, k == 2), f.dir[k]) > kSameDirection)
                    Fail("shard: the map moves a corner of its face");
            right_turn &= (Cross2(f.at[0], f.at[1], f.at[2]) > 0 ? 1 : -1) == NetTurnFor(SphereTurn(maps, 73, int(t)));
        }
        if (right_turn) break;
        if (mirrored) Fail("shard: no way to lay it unmirrored");
    }
    Finish(&net, "shard", 0.0, true);
    return net;
}

// A net whose solid, faces and folding are another's (the same cells laid
// the same way, only turned) shares those tables and writes its own net
// positions alone; `shared` names the tables it reads.
bool SameTables(const Net& a, const Net& b) {
    if (a.solid.size() != b.solid.size() || a.corners != b.corners || a.solidOf != b.solidOf) return false;
    for (size_t i = 0; i < a.solid.size(); ++i)
        if (a.solid[i].x != b.solid[i].x || a.solid[i].y != b.solid[i].y || a.solid[i].z != b.solid[i].z) return false;
    return true;
}

// Solid faces are wound counter-clockwise seen from outside, and a net
// face lists its solid face's corners in the same order. A cell laid
// mirrored (clockwise in the net, and so clockwise on the sphere) would
// face inwards; where the map reads only the point its weights make of the
// corners (the plain faces, the splat's cube), the cell is listed the other
// way round, which shows the same point at every net position. Cells whose
// map reads its weights by corner (b0 at the first...) keep their order:
// the count of those left facing inwards is returned.
int FaceOutwards(Maps& maps, int64_t code, Net* net) {
    int inward = 0;
    for (size_t t = 0; t < net->faces.size(); ++t) {
        Laid& f = net->faces[t];
        std::array<int, 3>& ids = net->corners[t];
        const V3 a = net->solid[net->solidOf[ids[0]]], b = net->solid[net->solidOf[ids[1]]],
                 c = net->solid[net->solidOf[ids[2]]];
        const V3 n = Cross(Add(b, Scale(a, -1)), Add(c, Scale(a, -1)));
        if (Dot(n, Add(Add(a, b), c)) >= 0) continue;
        bool samePoints = true;
        const std::array<V3, 3> turned = {f.dir[0], f.dir[2], f.dir[1]};
        for (const auto& w : {std::array<double, 3>{0.6, 0.3, 0.1}, {0.2, 0.1, 0.7}, {0.1, 0.5, 0.4}}) {
            maps.SetCorners(int(t), f.dir);
            const V3 p = maps.At(code, int(t), w[0], w[1], w[2]);
            maps.SetCorners(int(t), turned);
            const V3 q = maps.At(code, int(t), w[0], w[2], w[1]);
            samePoints = samePoints && Angle(p, q) < 1e-12;
        }
        if (!samePoints) {
            ++inward;
            continue;
        }
        std::swap(f.at[1], f.at[2]);
        std::swap(f.dir[1], f.dir[2]);
        std::swap(ids[1], ids[2]);
    }
    return inward;
}

void Write(const Design& d, const Net& net, const std::string& shared) {
    const std::string n = d.ident;
    std::printf("// %s (shape code %lld): %d faces.\n", d.name, (long long)d.code, d.tags);
    if (shared == n) {
        std::printf("const double %s_Coords3D[] = {\n", n.c_str());
        for (const V3& v : net.solid) std::printf("    %s, %s, %s,\n", Num(v.x).c_str(), Num(v.y).c_str(), Num(v.z).c_str());
        std::printf("};\n");
    }
    std::printf("const double %s_Coords2D[] = {\n", n.c_str());
    for (const P2& v : net.vertices) std::printf("    %s, %s,\n", Num(v.x).c_str(), Num(v.y).c_str());
    std::printf("};\n");
    if (shared == n) {
        std::printf("const uint16_t %s_Faces2D[] = {\n", n.c_str());
        for (const auto& f : net.corners) std::printf("    %d, %d, %d, 0,\n", f[0] + 1, f[1] + 1, f[2] + 1);
        std::printf("};\nconst uint16_t %s_2D_to_3D[] = {\n   ", n.c_str());
        for (int s : net.solidOf) std::printf(" %d,", s + 1);
        std::printf("\n};\n");
    }
    std::printf("\n");
}

// ---- nets of the conformal cube ----
//
// The sphere-cube maps read a face as an eighth of a cube face: corners C
// (the face's centre), M (the midpoint of one of its edges) and V (a vertex
// at the end of that edge), the solid vertices being those points of the
// cube [-1, 1]^3; a net face is the same eighth of a flat square of side 2,
// whose conformal image on the cube the sphere-cube table gives (weights b0
// at C, b1 at M, b2 at V). The nets are cube nets: squares laid edge to
// edge, each the cube face folded across the edge it shares with the one
// before; a square may be laid as only its quarter on that edge (two
// eighths), as the points of the shuriken are.

struct CubePiece {
    int parent;    // -1 for the first square
    int toward;    // the side of the parent it lies beyond: 0 +x, 1 +y, 2 -x, 3 -y (y down)
    enum Part { kWhole, kHalf, kQuarter, kDiagonalLeft, kDiagonalRight } part;
    // What of the square is laid: a half or a quarter keep the eighths on
    // the side it was folded across; a diagonal half the four eighths on
    // that side and the side after it turning left (or right) from the
    // fold, the square cut along the diagonal through the fold's far end
    // on the other side.
};

struct CubeDesign {
    int64_t code;
    const char* name;
    const char* ident;
    std::vector<CubePiece> pieces;
    // The first square's face and the solid directions of the net's x and y
    // steps there; zero: chosen so that north is up in the picture.
    V3 normal, xStep;
    double turn;
    // Turn the net so that north, averaged over the eighths, points up
    // (for a net whose equator runs at no angle the squares give).
    bool findTurn = false;
    // The floret modes that read this net as their basis: the orientation
    // is the one whose florets show no seam (see FloretSeams).
    std::vector<int64_t> florets = {};
};


struct Square {
    P2 centre;
    V3 normal, along[4];  // the solid step of each net direction 0..3
};

const P2 kStep[4] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};

Net LayCubeWith(const CubeDesign& d, V3 normal, V3 xStep) {
    Net net;
    std::vector<Square> squares;
    for (const CubePiece& piece : d.pieces) {
        Square q;
        if (piece.parent < 0) {
            q.centre = {0, 0};
            q.normal = normal;
            const V3 yStep = Cross(normal, xStep);
            q.along[0] = xStep, q.along[1] = yStep, q.along[2] = Scale(xStep, -1), q.along[3] = Scale(yStep, -1);
        } else {
            const Square& p = squares[piece.parent];
            const int m = piece.toward;
            q.centre = {p.centre.x + 2 * kStep[m].x, p.centre.y + 2 * kStep[m].y};
            q.normal = p.along[m];
            for (int k = 0; k < 4; ++k) q.along[k] = p.along[k];
            q.along[m] = Scale(p.normal, -1);
            q.along[(m + 2) % 4] = p.normal;
        }
        squares.push_back(q);
        for (int m = 0; m < 4; ++m)
            for (int turn : {1, 3}) {
                const int n = (m + turn) % 4;
                const int back = (piece.toward + 2) % 4;
                if (piece.part == CubePiece::kQuarter && m != back) continue;
                if (piece.part == CubePiece::kHalf && m != back && n != back) continue;
                if (piece.part == CubePiece::kDiagonalLeft && m != back && m != (back + 1) % 4) continue;
                if (piece.part == CubePiece::kDiagonalRight && m != back && m != (back + 3) % 4) continue;
                Laid f;
                f.at[0] = q.centre;
                f.at[1] = {q.centre.x + kStep[m].x, q.centre.y + kStep[m].y};
                f.at[2] = {f.at[1].x + kStep[n].x, f.at[1].y + kStep[n].y};
                f.dir[0] = q.normal;
                f.dir[1] = Add(q.normal, q.along[m]);
                f.dir[2] = Add(f.dir[1], q.along[n]);
                f.placed = true;
                net.faces.push_back(f);
            }
    }
    return net;
}

// How much the picture shows north up: latitude falling down the net.
double NorthUp(Maps& maps, const CubeDesign& d, const Net& net) {
    double my = 0, score = 0;
    // Heights in the finished net, turned by the design's turn.
    const double c = std::cos(d.turn * kPi / 180), s = std::sin(d.turn * kPi / 180);
    auto height = [&](const Laid& f) {
        double y = 0;
        for (const P2& q : f.at) y += (s * q.x + c * q.y) / 3;
        return y;
    };
    for (const Laid& f : net.faces) my += height(f) / net.faces.size();
    for (size_t t = 0; t < net.faces.size(); ++t) {
        const Laid& f = net.faces[t];
        maps.SetCorners(int(t), f.dir);
        const V3 dir = maps.At(d.code, int(t), 1.0 / 3, 1.0 / 3, 1.0 / 3);
        score -= (height(f) - my) * dir.y / std::sqrt(Dot(dir, dir));
    }
    return score;
}

// The turn (degrees) that makes north point up in the net on the whole:
// per eighth, the direction in which latitude grows at its middle, summed
// as unit vectors.
double NorthTurn(Maps& maps, const CubeDesign& d, const Net& net) {
    double sx = 0, sy = 0;
    for (size_t t = 0; t < net.faces.size(); ++t) {
        const Laid& f = net.faces[t];
        maps.SetCorners(int(t), f.dir);
        // Latitude at the weights of the net point (x, y) of the face.
        auto latitude = [&](double x, double y) {
            const P2 a = f.at[0], b = f.at[1], c = f.at[2];
            const double det = Cross2(a, b, c);
            const double w1 = Cross2(a, P2{x, y}, c) / det, w2 = Cross2(a, b, P2{x, y}) / det;
            const V3 q = maps.At(d.code, int(t), 1 - w1 - w2, w1, w2);
            return std::asin(q.y / std::sqrt(Dot(q, q)));
        };
        const double mx = (f.at[0].x + f.at[1].x + f.at[2].x) / 3, my = (f.at[0].y + f.at[1].y + f.at[2].y) / 3;
        const double h = 1e-3;
        const double gx = latitude(mx + h, my) - latitude(mx - h, my), gy = latitude(mx, my + h) - latitude(mx, my - h);
        const double g = std::hypot(gx, gy);
        if (g > 0) sx += gx / g, sy += gy / g;
    }
    // Turned by a, the mean north (sx, sy) must point to (0, -1) (y down).
    return (std::atan2(-1.0, 0.0) - std::atan2(sy, sx)) * 180 / kPi;
}

// ---- florets on a cube net ----
//
// A floret reads its basis net in a frame about the centre of the net's
// bounding box, half the box's width to the unit (lobe point (x, y) is net
// point centre + unit (x, y)); each lobe is a sector of the basis plane,
// which must show a lune of the sphere about the floret's axis whose sides
// are the images of the sector's two rays, for the lobes to meet without a
// seam. The generator runs the floret itself over a grid of plane points
// and counts the seams (neighbouring samples that both hit and jump).

struct FloretReading {
    Maps* maps;
    int64_t code;
    const Net* net;
    double cx, cy, unit;
};

// The direction the map shows at net point (x, y), false off the net.
bool NetPoint(Maps& maps, int64_t code, const Net& net, double x, double y, V3* out) {
    for (size_t t = 0; t < net.faces.size(); ++t) {
        const Laid& f = net.faces[t];
        const double det = Cross2(f.at[0], f.at[1], f.at[2]);
        const double w1 = Cross2(f.at[0], P2{x, y}, f.at[2]) / det, w2 = Cross2(f.at[0], f.at[1], P2{x, y}) / det;
        const double w0 = 1 - w1 - w2;
        if (w0 < -1e-9 || w1 < -1e-9 || w2 < -1e-9) continue;
        *out = maps.At(code, int(t), w0, w1, w2);
        return true;
    }
    return false;
}

void FloretTransform(float out[3], uint8_t* miss, const polyhedron*, void* handOn, double x, double y) {
    const FloretReading& r = *static_cast<const FloretReading*>(handOn);
    V3 d;
    *miss = 1;
    if (!NetPoint(*r.maps, r.code, *r.net, r.cx + r.unit * x, r.cy + r.unit * y, &d)) return;
    const double m = std::sqrt(Dot(d, d));
    out[0] = float(d.x / m), out[1] = float(d.y / m), out[2] = float(d.z / m);
    *miss = 0;
}

struct FloretLook {
    int hits = 0, seams = 0;
    int turn = 0;      // samples turning one way minus the other
    V3 centre{0, 0, 0};  // what the floret's centre shows
};

// The floret of output mode `mode` over a grid of its plane, reading `net`
// (or its own basis when null).
FloretLook LookAtFloret(Maps& maps, int64_t mode, int64_t code, const Net* net) {
    WarpyBasis basis;
    GetBasisOfWarpyPolyprojection(mode, &basis);
    FloretReading r{&maps, code, net, 0, 0, 1};
    if (net) {
        double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
        for (size_t t = 0; t < net->faces.size(); ++t) {
            maps.SetCorners(int(t), net->faces[t].dir);
            for (const P2& q : net->faces[t].at)
                x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
        }
        r.cx = (x0 + x1) / 2, r.cy = (y0 + y1) / 2, r.unit = (x1 - x0) / 2;
    }
    // Far enough out that a lobe leaves a net of half-width 1.
    const double e = basis.noPower ? 1.0 : double(basis.lobeCount) / 2.0 / basis.powerDivisor;
    const double R = 1.3 * std::pow(1.0 / basis.scale, 1.0 / e);
    constexpr int n = 241;
    std::vector<V3> d(n * n);
    std::vector<char> hit(n * n, 0);
    FloretLook look;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            uint8_t miss = 1;
            double o[3];
            CopsInTroubleCore(&miss, o, maps.store, 0, &basis, nullptr, nullptr, &r, R * (2.0 * i / (n - 1) - 1),
                              R * (2.0 * j / (n - 1) - 1), net ? FloretTransform : nullptr);
            hit[j * n + i] = !miss;
            d[j * n + i] = {o[0], o[1], o[2]};
            look.hits += !miss;
            if (i == n / 2 && j == n / 2) look.centre = d[j * n + i];
        }
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i) {
            const int k = j * n + i;
            if (!hit[k] || !hit[k + 1] || !hit[k + n]) continue;
            look.seams += Angle(d[k], d[k + 1]) > 0.2 || Angle(d[k], d[k + n]) > 0.2;
            const double turn = Dot(d[k], Cross(Add(d[k + 1], Scale(d[k], -1)), Add(d[k + n], Scale(d[k], -1))));
            look.turn += turn > 0 ? 1 : turn < 0 ? -1 : 0;
        }
    return look;
}

Net LayCube(Maps& maps, const CubeDesign& design) {
    CubeDesign d = design;
    V3 normal = d.normal, xStep = d.xStep;
    if (!d.florets.empty()) {
        // The circle floret of mode 110 says which way a floret turns
        // unmirrored; the orientation must show every floret reading this
        // net without a seam, turning that way, centred where the circle
        // floret is.
        const FloretLook circle = LookAtFloret(maps, 110, 0, nullptr);
        const V3 axes[6] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}, {0, -1, 0}, {-1, 0, 0}};
        bool found = false;
        for (const V3& nrm : axes)
            for (const V3& x : axes) {
                if (found || Dot(nrm, x) != 0) continue;
                const Net laid = LayCubeWith(d, nrm, x);
                bool good = true;
                for (int64_t mode : d.florets) {
                    const FloretLook look = LookAtFloret(maps, mode, d.code, &laid);
                    if (std::getenv("GEN_MAP_NETS_DEBUG"))
                        std::fprintf(stderr, "%s mode %lld normal (%g %g %g) x (%g %g %g): %d hits, %d seams, turn %d, centre (%.2f %.2f %.2f)\n",
                                     d.ident, (long long)mode, nrm.x, nrm.y, nrm.z, x.x, x.y, x.z, look.hits, look.seams,
                                     look.turn, look.centre.x, look.centre.y, look.centre.z);
                    good = good && look.hits > 0 && look.seams == 0 && (look.turn > 0) == (circle.turn > 0) &&
                           Angle(look.centre, circle.centre) < 1e-3;
                }
                if (good) found = true, normal = nrm, xStep = x;
            }
        if (!found) Fail(std::string(d.ident) + ": no way to lay it that its florets read without a seam");
    }
    if (Dot(normal, normal) == 0) {
        const V3 axes[6] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}, {0, -1, 0}, {-1, 0, 0}};
        const V3 steps[6] = {{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        double best = -1e300;
        for (const V3& n : axes)
            for (const V3& x : steps) {
                if (Dot(n, x) != 0) continue;
                const Net laid = LayCubeWith(d, n, x);
                CubeDesign turned = d;
                if (d.findTurn) turned.turn = NorthTurn(maps, d, laid);
                const double score = NorthUp(maps, turned, laid);
                if (score > best + 1e-9) best = score, normal = n, xStep = x, d.turn = turned.turn;
            }
    }
    if (d.findTurn) std::fprintf(stderr, "%s: turned by %.2f degrees\n", d.ident, d.turn);
    Net net = LayCubeWith(d, normal, xStep);
    // Every eighth must show the sphere unmirrored, as the polygon cells do.
    for (size_t t = 0; t < net.faces.size(); ++t) {
        maps.SetCorners(int(t), net.faces[t].dir);
        const Laid& f = net.faces[t];
        if ((Cross2(f.at[0], f.at[1], f.at[2]) > 0 ? 1 : -1) != NetTurnFor(SphereTurn(maps, d.code, int(t))))
            Fail(std::string(d.ident) + ": eighth " + std::to_string(t) + " would be mirrored");
    }
    Finish(&net, d.ident, d.turn, false);
    return net;
}

std::vector<CubeDesign> CubeDesigns() {
    const V3 none{0, 0, 0};
    constexpr auto kW = CubePiece::kWhole, kH = CubePiece::kHalf, kQ = CubePiece::kQuarter;
    constexpr auto kDL = CubePiece::kDiagonalLeft, kDR = CubePiece::kDiagonalRight;
    // The splat: the three faces round a vertex of the cube, and on each of
    // their two far sides the half of the face beyond cut along its
    // diagonal through the opposite vertex, which lies at all six tips.
    const std::vector<CubePiece> splat = {{-1, 0, kW}, {0, 0, kW}, {0, 1, kW}, {0, 2, kDR}, {0, 3, kDL},
                                          {1, 3, kDR}, {1, 0, kDL}, {2, 2, kDL}, {2, 1, kDR}};
    return {
        // The cross of mode 117, whose picture the lune of 1/2 opens from
        // the half x >= 0 of the sphere onto the whole: the face +x and the
        // halves of the four faces round it that lie in that half.
        {60, "cross", "cross",
         {{-1, 0, kW}, {0, 0, kH}, {0, 1, kH}, {0, 2, kH}, {0, 3, kH}},
         {1, 0, 0}, {0, 0, 1}, 0.0},
        // The north pole's face, the four round it and the south pole's
        // face as four points, Greenwich down.
        {46, "shuriken", "shuriken",
         {{-1, 0, kW}, {0, 0, kW}, {0, 1, kW}, {0, 2, kW}, {0, 3, kW},
          {1, 0, kQ}, {2, 1, kQ}, {3, 2, kQ}, {4, 3, kQ}},
         {0, 1, 0}, {-1, 0, 0}, 0.0},
        // The six faces the equator crosses once the map has turned the cube
        // (a diagonal to the pole): a staircase, turned to run across.
        {49, "zigzag", "zigzag", {{-1, 0, kW}, {0, 0, kW}, {1, 1, kW}, {2, 0, kW}, {3, 1, kW}, {4, 0, kW}},
         none, none, -45.0},
        // The monozag turns the cube 5.26 degrees short of a diagonal on the
        // pole (30 degrees about the view axis instead of 35.26): the equator
        // still crosses the same six faces, and the map reads all 48 eighths
        // (no lune opens its picture). The zigzag's staircase, turned as
        // north up as it can be.
        {50, "monozag", "monozag", {{-1, 0, kW}, {0, 0, kW}, {1, 1, kW}, {2, 0, kW}, {3, 1, kW}, {4, 0, kW}},
         none, none, -45.0, true},
        // Floret bases. The shuriken star (mode 145) reads a quarter of the
        // shuriken about its middle (a lune of 90 degrees, pole to pole).
        {64, "shuriken", "shuriken64",
         {{-1, 0, kW}, {0, 0, kW}, {0, 1, kW}, {0, 2, kW}, {0, 3, kW},
          {1, 0, kQ}, {2, 1, kQ}, {3, 2, kQ}, {4, 3, kQ}},
         none, none, 0.0, false, {145}},
        // The crosses 3 and 5 (modes 351, 352) read a quarter of the cross
        // (a sector of 90 degrees of the hemisphere it shows).
        {65, "cross", "cross65", {{-1, 0, kW}, {0, 0, kH}, {0, 1, kH}, {0, 2, kH}, {0, 3, kH}},
         none, none, 0.0, false, {351, 352}},
        // The trizag (mode 155) reads a half plane about the middle of a
        // belt of four faces (an edge's midpoint, which the zigzag's turn
        // puts on the floret's axis): the hemisphere on one side of the
        // belt, the face beyond it one arm of the cross.
        {70, "zigzag", "trizag",
         {{-1, 0, kW}, {0, 1, kW}, {1, 1, kW}, {0, 3, kW}, {0, 0, kW}, {0, 2, kW}},
         none, none, 0.0, false, {155}},
        // The splats (modes 302, 303) read a quarter plane at the corner of
        // the three faces, which the map's turn puts on the floret's axis:
        // one face and its two half faces, a lune of 120 degrees.
        {67, "pentasplat", "pentasplat", splat, none, none, 0.0, false, {302, 303}},
        // Mode 800 draws the splat itself.
        {66, "pentasplat", "splattest", splat, {0, 0, -1}, {0, 1, 0}, 0.0},
    };
}


// ---- nets of the conformal solids ----
//
// The conformal face warps read a face of a regular solid cut into the
// cells of their tables: the tetrahedron's face into sixths (corners: a
// vertex, the midpoint of an edge through it, the face's centre, as the
// table reads b0, b1, b2), the dodecahedron's into tenths (the edge
// midpoint, the centre, a vertex). Those points of the solid are the solid
// vertices the warp blends; the net face is the same cell of the flat
// regular polygon. A net is an unfolding: each face laid by folding it
// across the edge it shares with the one before (the mirror image of that
// face across the edge in the net).

struct Solid {
    std::vector<V3> v;
    std::vector<std::vector<int>> faces;  // counter-clockwise seen from outside
};

Solid Build(std::vector<V3> v, int sides) {
    Solid s{v, {}};
    // The faces: the planes through `sides` vertices with all others below.
    const int n = int(v.size());
    std::vector<std::vector<int>> found;
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
            for (int c = b + 1; c < n; ++c) {
                V3 normal = Cross(Add(v[b], Scale(v[a], -1)), Add(v[c], Scale(v[a], -1)));
                if (Dot(normal, normal) < 1e-12) continue;
                if (Dot(normal, v[a]) < 0) normal = Scale(normal, -1);
                std::vector<int> on;
                bool face = true;
                for (int k = 0; k < n && face; ++k) {
                    const double h = Dot(normal, Add(v[k], Scale(v[a], -1)));
                    if (h > 1e-9) face = false;
                    else if (h > -1e-9) on.push_back(k);
                }
                if (!face || int(on.size()) != sides || on[0] != a || on[1] != b || on[2] != c) continue;
                // Counter-clockwise about the outward normal.
                V3 centre{0, 0, 0};
                for (int k : on) centre = Add(centre, Scale(v[k], 1.0 / sides));
                const V3 e1 = Add(v[on[0]], Scale(centre, -1)), e2 = Cross(normal, e1);
                std::sort(on.begin(), on.end(), [&](int i, int j) {
                    const V3 di = Add(v[i], Scale(centre, -1)), dj = Add(v[j], Scale(centre, -1));
                    return std::atan2(Dot(di, e2), Dot(di, e1)) < std::atan2(Dot(dj, e2), Dot(dj, e1));
                });
                s.faces.push_back(on);
            }
    return s;
}

Solid Tetrahedron() { return Build({{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}}, 3); }
Solid Octahedron() { return Build({{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}}, 3); }
Solid Dodecahedron() {
    const double f = (1 + std::sqrt(5.0)) / 2, g = 1 / f;
    std::vector<V3> v;
    for (int i = 0; i < 8; ++i) v.push_back({i & 1 ? -1.0 : 1.0, i & 2 ? -1.0 : 1.0, i & 4 ? -1.0 : 1.0});
    for (int i = 0; i < 4; ++i) {
        const double a = i & 1 ? -g : g, b = i & 2 ? -f : f;
        v.push_back({0, a, b});
        v.push_back({a, b, 0});
        v.push_back({b, 0, a});
    }
    return Build(v, 5);
}

// The cell of a face as the warp's table reads it: corner k of the cell is
// the face's vertex (0), the edge's midpoint (1) or the centre (2).
struct CellOrder {
    int role[3];
};

struct SolidDesign {
    int64_t code;
    const char* name;
    const char* ident;
    Solid (*solid)();
    CellOrder order;  // roles of the cell's corners b0, b1, b2
    // The faces in the order they are laid, each beside the face of the
    // piece `parent` (-1 for the first) it shares an edge with.
    std::vector<std::function<int(const Solid&, const std::vector<int>&)>> faces;
    std::vector<int> parent;
    double turn;
    // Per piece, -1 to lay the face whole; else the piece whose face's
    // shared edge the line through the face's centre cuts in half (that
    // line runs from the opposite vertex through the edge's midpoint), and
    // only the face's cells on the side of its fold are laid.
    std::vector<int> cut = {};
    bool plain = false;  // plain faces, no warp (the cells are whole faces)
    bool wide = false;   // only first faces that leave the finished net wider than tall
};

struct Placed {
    int face;
    std::vector<int> v;   // its vertices, in the order of `at`
    std::vector<P2> at;
};

// Lays the design with its first face turned so that its vertex `first`
// comes first; mirrored when asked.
Net LaySolidWith(const SolidDesign& d, const Solid& s, int first, bool mirrored, std::vector<Placed>* out) {
    std::vector<Placed> placed;
    std::vector<int> faces;
    for (size_t i = 0; i < d.faces.size(); ++i) {
        const int f = d.faces[i](s, faces);
        faces.push_back(f);
        const std::vector<int>& fv = s.faces[f];
        const int n = int(fv.size());
        Placed q{f, {}, {}};
        if (d.parent[i] < 0) {
            for (int k = 0; k < n; ++k) {
                q.v.push_back(fv[(k + first) % n]);
                const double a = 2 * kPi * k / n;
                q.at.push_back({std::cos(a), mirrored ? -std::sin(a) : std::sin(a)});
            }
        } else {
            const Placed& p = placed[d.parent[i]];
            int k = -1;
            for (int j = 0; j < n && k < 0; ++j)
                for (int m = 0; m < n; ++m)
                    if (p.v[m] == fv[(j + 1) % n] && p.v[(m + 1) % n] == fv[j]) k = m;
            if (k < 0) Fail(std::string(d.ident) + ": a face shares no edge with its parent");
            // Child: [v(k+1), v(k), ...] round its own face; the rest the
            // mirror images of the parent's corners across the edge.
            const P2 a = p.at[k], b = p.at[(k + 1) % n];
            const double ex = b.x - a.x, ey = b.y - a.y, l2 = ex * ex + ey * ey;
            auto mirror = [&](P2 q) {
                const double t = ((q.x - a.x) * ex + (q.y - a.y) * ey) / l2;
                const P2 foot{a.x + t * ex, a.y + t * ey};
                return P2{2 * foot.x - q.x, 2 * foot.y - q.y};
            };
            int start = 0;
            while (fv[start] != p.v[(k + 1) % n]) ++start;
            for (int j = 0; j < n; ++j) {
                q.v.push_back(fv[(start + j) % n]);
                q.at.push_back(mirror(p.at[((k + 1 - j) % n + n) % n]));
            }
        }
        placed.push_back(q);
    }
    Net net;
    for (size_t i = 0; i < placed.size(); ++i) {
        const Placed& q = placed[i];
        const int n = int(q.v.size());
        // A half face: the cut line and the side of the fold (corners 0, 1).
        int cutEdge = -1;
        if (i < d.cut.size() && d.cut[i] >= 0) {
            const std::vector<int>& other = s.faces[faces[d.cut[i]]];
            for (int k = 0; k < n; ++k)
                if (std::count(other.begin(), other.end(), q.v[k]) && std::count(other.begin(), other.end(), q.v[(k + 1) % n]))
                    cutEdge = k;
            if (cutEdge < 0) Fail(std::string(d.ident) + ": a half face is cut along an edge it does not have");
        }
        V3 centre3{0, 0, 0};
        P2 centre2{0, 0};
        for (int k = 0; k < n; ++k) {
            centre3 = Add(centre3, Scale(s.v[q.v[k]], 1.0 / n));
            centre2 = {centre2.x + q.at[k].x / n, centre2.y + q.at[k].y / n};
        }
        if (d.order.role[0] < 0) {  // whole faces
            Laid f;
            for (int c = 0; c < 3; ++c) f.dir[c] = s.v[q.v[c]], f.at[c] = q.at[c];
            f.placed = true;
            net.faces.push_back(f);
            continue;
        }
        for (int k = 0; k < n; ++k)
            for (int end : {0, 1}) {
                const int corner = (k + end) % n;
                const V3 mid3 = Scale(Add(s.v[q.v[k]], s.v[q.v[(k + 1) % n]]), 0.5);
                const P2 mid2{(q.at[k].x + q.at[(k + 1) % n].x) / 2, (q.at[k].y + q.at[(k + 1) % n].y) / 2};
                const V3 points3[3] = {s.v[q.v[corner]], mid3, centre3};
                const P2 points2[3] = {q.at[corner], mid2, centre2};
                if (cutEdge >= 0) {
                    const P2 a = q.at[(cutEdge + n / 2 + 1) % n], b{(q.at[cutEdge].x + q.at[(cutEdge + 1) % n].x) / 2,
                                                                   (q.at[cutEdge].y + q.at[(cutEdge + 1) % n].y) / 2};
                    const P2 cell{(points2[0].x + points2[1].x + points2[2].x) / 3, (points2[0].y + points2[1].y + points2[2].y) / 3};
                    const P2 fold{(q.at[0].x + q.at[1].x) / 2, (q.at[0].y + q.at[1].y) / 2};
                    if ((Cross2(a, b, cell) > 0) != (Cross2(a, b, fold) > 0)) continue;
                }
                Laid f;
                for (int c = 0; c < 3; ++c) f.dir[c] = points3[d.order.role[c]], f.at[c] = points2[d.order.role[c]];
                f.placed = true;
                net.faces.push_back(f);
            }
    }
    if (out) *out = placed;
    return net;
}

Net LaySolid(Maps& maps, const SolidDesign& d) {
    const Solid s = d.solid();
    const int64_t code = d.plain ? 0 : d.code;  // the map: plain faces blend their corners
    const int n = int(s.faces[0].size());
    auto turnsRight = [&](Net& net) {
        int right = 0, wrong = 0;
        for (size_t t = 0; t < net.faces.size(); ++t) {
            maps.SetCorners(int(t), net.faces[t].dir);
            const Laid& f = net.faces[t];
            ((Cross2(f.at[0], f.at[1], f.at[2]) > 0 ? 1 : -1) == NetTurnFor(SphereTurn(maps, code, int(t))) ? right : wrong)++;
        }
        if (right && wrong) Fail(std::string(d.ident) + ": the cells turn both ways");
        return right > 0;
    };
    double best = -1e300;
    int first = 0;
    bool mirrored = false;
    for (int k = 0; k < n; ++k)
        for (bool m : {false, true}) {
            Net net = LaySolidWith(d, s, k, m, nullptr);
            if (!turnsRight(net)) continue;
            if (d.wide) {
                const double c = std::cos(d.turn * kPi / 180), sn = std::sin(d.turn * kPi / 180);
                double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
                for (const Laid& f : net.faces)
                    for (const P2& q : f.at) {
                        const double x = c * q.x - sn * q.y, y = sn * q.x + c * q.y;
                        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
                    }
                if (x1 - x0 < y1 - y0) continue;
            }
            CubeDesign c{code, d.name, d.ident, {}, {0, 0, 0}, {0, 0, 0}, d.turn};
            const double score = NorthUp(maps, c, net);
            if (score > best + 1e-9) best = score, first = k, mirrored = m;
        }
    Net net = LaySolidWith(d, s, first, mirrored, nullptr);
    if (!turnsRight(net)) Fail(std::string(d.ident) + ": no way to lay it unmirrored");
    Finish(&net, d.ident, d.turn, false);
    return net;
}

// Face choosers for the plans.
int FirstFace(const Solid&, const std::vector<int>&) { return 0; }
bool Adjacent(const Solid& s, int f, int g) {
    int shared = 0;
    for (int a : s.faces[f])
        for (int b : s.faces[g]) shared += a == b;
    return shared == 2;
}
// The k-th neighbour (in face order) of the face laid as piece `of`.
std::function<int(const Solid&, const std::vector<int>&)> Neighbour(int of, int k) {
    return [of, k](const Solid& s, const std::vector<int>& laid) {
        int seen = 0;
        for (int g = 0; g < int(s.faces.size()); ++g)
            if (Adjacent(s, laid[of], g) && seen++ == k) return g;
        Fail("no such neighbour");
    };
}
// The face opposite the face laid as piece `of`.
std::function<int(const Solid&, const std::vector<int>&)> Opposite(int of) {
    return [of](const Solid& s, const std::vector<int>& laid) {
        V3 c{0, 0, 0};
        for (int v : s.faces[laid[of]]) c = Add(c, s.v[v]);
        int best = 0;
        double low = 1e300;
        for (int g = 0; g < int(s.faces.size()); ++g) {
            V3 d{0, 0, 0};
            for (int v : s.faces[g]) d = Add(d, s.v[v]);
            if (Dot(c, d) < low) low = Dot(c, d), best = g;
        }
        return best;
    };
}
// A neighbour of piece `of` not laid yet and not next to piece `away`.
std::function<int(const Solid&, const std::vector<int>&)> Below(int of, int away) {
    return [of, away](const Solid& s, const std::vector<int>& laid) {
        for (int g = 0; g < int(s.faces.size()); ++g)
            if (Adjacent(s, laid[of], g) && g != laid[away] && !Adjacent(s, laid[away], g) &&
                std::find(laid.begin(), laid.end(), g) == laid.end())
                return g;
        Fail("no face below");
    };
}
// The next neighbour of piece `of` not laid yet.
std::function<int(const Solid&, const std::vector<int>&)> NextAround(int of) {
    return [of](const Solid& s, const std::vector<int>& laid) {
        for (int g = 0; g < int(s.faces.size()); ++g)
            if (Adjacent(s, laid[of], g) && std::find(laid.begin(), laid.end(), g) == laid.end()) return g;
        Fail("no face left round");
    };
}

std::vector<SolidDesign> SolidDesigns() {
    const CellOrder sixth{{0, 1, 2}}, tenth{{1, 2, 0}};
    return {
        // The tetrahedron as one triangle: a face and the three round it.
        {41, "conformaltetrahedron", "conformaltetrahedron", Tetrahedron, sixth,
         {FirstFace, Neighbour(0, 0), Neighbour(0, 1), Neighbour(0, 2)}, {-1, 0, 0, 0}, 90.0},
        // The dodecahedron as two flowers: a face with its five petals, and
        // the opposite face with its five, joined petal to petal.
        // The Xarax map: the tetrahedron as one triangle, the sphere turned
        // by the map's own tumble.
        {40, "Xaraxtetrahedron", "Xaraxtetrahedron", Tetrahedron, sixth,
         {FirstFace, Neighbour(0, 0), Neighbour(0, 1), Neighbour(0, 2)}, {-1, 0, 0, 0}, 90.0},
        // The tetrahedron as a rectangle: a strip of three faces and the
        // fourth cut in half along its altitude, a half at each end; lying,
        // as the triangle tiling of mode 368 repeats it.
        {42, "rectangulartetrahedron", "rectangulartetrahedron", Tetrahedron, sixth,
         {FirstFace, Neighbour(0, 0), NextAround(1), NextAround(0), [](const Solid&, const std::vector<int>& laid) { return laid[3]; }},
         {-1, 0, 1, 0, 2}, 270.0, {-1, -1, -1, 1, 1}, false, true},
        {77, "conformal_dodecahedron", "conformal_dodecahedron", Dodecahedron, tenth,
         {FirstFace, NextAround(0), NextAround(0), NextAround(0), NextAround(0), NextAround(0), Below(1, 0),
          Opposite(0), NextAround(7), NextAround(7), NextAround(7), NextAround(7)},
         {-1, 0, 0, 0, 0, 0, 1, 6, 7, 7, 7, 7}, 0.0},
    };
}


// Shape 71 (the sharks, modes 156 and 157): whole faces of the conformal
// icosahedron (the icoface map), as the shard lays the octahedron. The
// kind's axis, (-sin 18, 0, cos 18) of the solid, is the midpoint of an
// edge (the solid is the icosahedron with the edge from (0, 1, phi) to
// (0, -1, phi) turned by -18 degrees about y); the edge stands upright
// through the frame's centre and the lobe, the half plane right of it,
// holds the half of the solid on its side of the mirror plane through
// that edge: the eight faces there and one of each pair of the four faces
// the plane cuts that the solid's half turn about the axis swaps. The left
// half is the right half turned by 180 degrees. The faces are laid by
// folding outwards from the edge's face, breadth first, the first way
// (of the choices of cut faces and of the order of the folds) that keeps
// the half right of the edge and lays no face over another.
bool TrianglesOverlap(const std::array<P2, 3>& a, const std::array<P2, 3>& b) {
    // Separating axis: the sides of both triangles, shrunk by a hair so
    // that faces meeting along a side or at a corner do not count.
    for (const auto* t : {&a, &b})
        for (int k = 0; k < 3; ++k) {
            const P2 p = (*t)[k], q = (*t)[(k + 1) % 3];
            const P2 n{q.y - p.y, p.x - q.x};
            double amin = 1e30, amax = -1e30, bmin = 1e30, bmax = -1e30;
            for (const P2& v : a) amin = std::fmin(amin, n.x * v.x + n.y * v.y), amax = std::fmax(amax, n.x * v.x + n.y * v.y);
            for (const P2& v : b) bmin = std::fmin(bmin, n.x * v.x + n.y * v.y), bmax = std::fmax(bmax, n.x * v.x + n.y * v.y);
            if (amax <= bmin + 1e-9 || bmax <= amin + 1e-9) return false;
        }
    return true;
}

// The solid's spin about the axis: the sharks' rows show the Earth north up
// with the icosahedron spun by -135 degrees about the edge's midpoint.
constexpr double kSharkSpin = -135.0;

Net SharkNet(Maps& maps) {
    const double f = (1 + std::sqrt(5.0)) / 2;
    std::vector<V3> v;
    for (int i = 0; i < 4; ++i) {
        const double a = i & 1 ? -1.0 : 1.0, b = i & 2 ? -f : f;
        v.push_back({0, a, b});
        v.push_back({a, b, 0});
        v.push_back({b, 0, a});
    }
    const Solid ico = Build(v, 3);
    const double c = std::cos(-18 * kPi / 180), sn = std::sin(-18 * kPi / 180);
    const double spin = kSharkSpin * kPi / 180, cs = std::cos(spin), ss = std::sin(spin);
    auto turn = [&](V3 p) {  // about z by the spin, then about y by -18 degrees; unit length
        p = V3{cs * p.x - ss * p.y, ss * p.x + cs * p.y, p.z};
        const V3 q{c * p.x + sn * p.z, p.y, -sn * p.x + c * p.z};
        return Scale(q, 1 / std::sqrt(Dot(q, q)));
    };
    auto half = [](int k, const std::vector<V3>& w) {  // the vertex (-x, -y, z) of vertex k
        for (size_t j = 0; j < w.size(); ++j)
            if (std::fabs(w[j].x + w[k].x) + std::fabs(w[j].y + w[k].y) + std::fabs(w[j].z - w[k].z) < 1e-9) return int(j);
        Fail("shark: no half turn");
        return -1;
    };
    auto find = [&](V3 p) {
        for (size_t j = 0; j < v.size(); ++j)
            if (std::fabs(v[j].x - p.x) + std::fabs(v[j].y - p.y) + std::fabs(v[j].z - p.z) < 1e-9) return int(j);
        Fail("shark: no vertex");
        return -1;
    };
    const int top = find({0, 1, f}), bottom = find({0, -1, f});
    // Faces by side of the plane x = 0; the cut ones in half-turn pairs.
    const int F = int(ico.faces.size());
    std::vector<int> side(F);
    for (int t = 0; t < F; ++t) {
        double x = 0;
        for (int k : ico.faces[t]) x += v[k].x;
        side[t] = x > 1e-9 ? 1 : (x < -1e-9 ? -1 : 0);
    }
    auto sameFace = [&](const std::vector<int>& a, std::vector<int> b) {
        std::vector<int> s = a;
        std::sort(s.begin(), s.end());
        std::sort(b.begin(), b.end());
        return s == b;
    };
    auto faceOf = [&](const std::vector<int>& w) {
        for (int t = 0; t < F; ++t)
            if (sameFace(ico.faces[t], w)) return t;
        return -1;
    };
    std::vector<int> cut;
    for (int t = 0; t < F; ++t)
        if (side[t] == 0) cut.push_back(t);
    std::vector<std::pair<int, int>> pairs;
    for (int t : cut) {
        std::vector<int> w;
        for (int k : ico.faces[t]) w.push_back(half(k, v));
        const int u = faceOf(w);
        if (t < u) pairs.push_back({t, u});
    }
    if (pairs.size() != 2) Fail("shark: the cut faces do not pair");
    int start = -1;
    for (int t = 0; t < F; ++t)
        if (side[t] == 1 && std::count(ico.faces[t].begin(), ico.faces[t].end(), top) &&
            std::count(ico.faces[t].begin(), ico.faces[t].end(), bottom))
            start = t;
    for (int choice = 0; choice < 4; ++choice)
        for (int order = 0; order < 2; ++order)
            for (bool mirrored : {false, true}) {
                std::vector<int> keep;
                for (int t = 0; t < F; ++t)
                    if (side[t] == 1) keep.push_back(t);
                keep.push_back(choice & 1 ? pairs[0].second : pairs[0].first);
                keep.push_back(choice & 2 ? pairs[1].second : pairs[1].first);
                // Lay breadth first (order 0) or depth first (order 1).
                std::vector<std::array<P2, 3>> at(F);
                std::vector<bool> laid(F, false);
                const double s = mirrored ? -1.0 : 1.0;
                std::array<P2, 3> first;
                const std::vector<int>& sf = ico.faces[start];
                for (int k = 0; k < 3; ++k)
                    first[k] = sf[k] == top ? P2{0, -0.5 * s} : sf[k] == bottom ? P2{0, 0.5 * s} : P2{std::sqrt(0.75), 0};
                at[start] = first;
                laid[start] = true;
                std::vector<int> queue{start}, placed{start};
                bool ok = true;
                while (!queue.empty() && ok) {
                    const int p = order == 0 ? queue.front() : queue.back();
                    queue.erase(order == 0 ? queue.begin() : queue.end() - 1);
                    for (int t : keep) {
                        if (laid[t]) continue;
                        // A shared edge: two common vertices.
                        std::vector<int> common;
                        for (int a : ico.faces[p])
                            if (std::count(ico.faces[t].begin(), ico.faces[t].end(), a)) common.push_back(a);
                        if (common.size() != 2) continue;
                        auto posIn = [&](int face, int vert) {
                            for (int k = 0; k < 3; ++k)
                                if (ico.faces[face][k] == vert) return at[face][k];
                            return P2{0, 0};
                        };
                        const P2 A = posIn(p, common[0]), B = posIn(p, common[1]);
                        int far = -1;
                        for (int a : ico.faces[p])
                            if (a != common[0] && a != common[1]) far = a;
                        const P2 Q = posIn(p, far);
                        const double dx = B.x - A.x, dy = B.y - A.y, u = ((Q.x - A.x) * dx + (Q.y - A.y) * dy) / (dx * dx + dy * dy);
                        const P2 foot{A.x + u * dx, A.y + u * dy}, R{2 * foot.x - Q.x, 2 * foot.y - Q.y};
                        for (int k = 0; k < 3; ++k) {
                            const int a = ico.faces[t][k];
                            at[t][k] = a == common[0] ? A : a == common[1] ? B : R;
                        }
                        for (const P2& q : at[t]) ok &= q.x > -1e-9;
                        for (int o : placed) ok &= !TrianglesOverlap(at[t], at[o]);
                        laid[t] = true;
                        placed.push_back(t);
                        queue.push_back(t);
                    }
                }
                if (!ok || placed.size() != keep.size()) continue;
                Net net;
                for (int t : placed) {
                    Laid l;
                    l.at = at[t];
                    for (int k = 0; k < 3; ++k) l.dir[k] = turn(v[ico.faces[t][k]]);
                    l.placed = true;
                    net.faces.push_back(l);
                    for (int k = 0; k < 3; ++k) {
                        l.at[k] = P2{-at[t][k].x, -at[t][k].y};
                        l.dir[k] = turn(v[half(ico.faces[t][k], v)]);
                    }
                    net.faces.push_back(l);
                }
                bool right = true;
                for (size_t t = 0; t < net.faces.size(); ++t) {
                    maps.SetCorners(int(t), net.faces[t].dir);
                    const Laid& g = net.faces[t];
                    for (int k = 0; k < 3; ++k)
                        if (Angle(maps.At(71, int(t), k == 0, k == 1, k == 2), g.dir[k]) > kSameDirection)
                            Fail("shark: the map moves a corner of its face");
                    right &= (Cross2(g.at[0], g.at[1], g.at[2]) > 0 ? 1 : -1) == NetTurnFor(SphereTurn(maps, 71, int(t)));
                }
                if (!right) continue;
                Finish(&net, "shark", 0.0, true);
                return net;
            }
    Fail("shark: no way to lay the half");
    return {};
}

// Shape 72 (sunburst 158, starburst 163): whole faces of the conformal
// icosahedron (the icoface map, as the sharks'). Kind 17 opens each lobe
// from the net corner nearest the frame's centre into a wedge of 60 degrees
// about +x (the power of 5/6 after the lobe's own), and the lune step opens
// the solid's longitudes about its y axis, with the lune's middle at +z.
// So the corner is a vertex N of the solid on the y axis, where five faces
// make 300 degrees of net from 360 of sphere: the wedge shows a lune of 72
// degrees about y. Its two whole faces are F1 = (N, a, b), with a and b the
// upper ring's vertices on the lune's sides, and F2 = (a, b, c) across ab,
// c the lower ring's vertex in the lune's middle, on +x. The lune's sides
// run on, straight in the net, along the mirror lines of the four faces
// they halve: the side through a halves F3 = (a, w, c) and F5 = (w, c, S)
// (w the lower ring's next vertex out, S the south pole), laid as a rhombus
// on the wedge's -30 degree ray from a to S, with c on the wedge's side;
// the side through b likewise halves the faces that the next lune's wedge
// lays on its own -30 degree ray (the same faces, the same places: F4 and
// F6 are the next lune's F3 and F5). Each half face and its mirror show the
// lune's side on both sides, so the lobes meet without a seam; beyond a and
// b the wedge's half faces leave a notch of 30 degrees of net at each, and
// the rhombi's halves meet at S, so a lobe is a star's point that shows its
// lune once. The net lays the five lunes so round N, 60 degrees apart, each
// with its F1, F2 and the rhombus on its -30 degree ray (20 faces, each
// once), with the gap between the third and the fourth lune so that the
// net's box is centred on N; the floret reads only the first wedge.
Net SunburstNet(Maps& maps) {
    const double r5 = 1 / std::sqrt(5.0), rr = 2 * r5;
    auto ring = [&](double degrees, double y) {  // longitude about y, 0 at +z, atan2(-x, z)
        const double t = degrees * kPi / 180;
        return V3{-rr * std::sin(t), y, rr * std::cos(t)};
    };
    const V3 N{0, 1, 0}, S{0, -1, 0};
    // Lune k has its middle at longitude 72 k (its sign chosen below).
    for (double way : {1.0, -1.0})
        for (double mirror : {1.0, -1.0}) {
            Net net;
            // The lunes in the net: 0, 1, 2 at 0, 60, 120 degrees, 3 and 4 at
            // -120 and -60.
            const double netAngle[5] = {0, 60, 120, -120, -60};
            for (int k = 0; k < 5; ++k) {
                const double mid = way * 72.0 * k;
                const V3 a = ring(mid - way * 36, r5), b = ring(mid + way * 36, r5), c = ring(mid, -r5),
                         w = ring(mid - way * 72, -r5);
                const double phi = mirror * netAngle[k] * kPi / 180;
                auto place = [&](double x, double y) {
                    y *= mirror;
                    return P2{std::cos(phi) * x - std::sin(phi) * y, std::sin(phi) * x + std::cos(phi) * y};
                };
                const double h = std::sqrt(3.0) / 2;
                const P2 pa = place(h, -0.5), pb = place(h, 0.5), pc = place(2 * h, 0), pn = place(0, 0);
                // The rhombus on the -30 degree ray: a at 1, S at 1 + sqrt 3,
                // c and w half an edge to either side of its middle.
                const double ux = h, uy = -0.5, nx = 0.5, ny = h;  // the ray and its normal towards the wedge
                const double m = 1 + h;
                const P2 rc = place(m * ux + 0.5 * nx, m * uy + 0.5 * ny), rw = place(m * ux - 0.5 * nx, m * uy - 0.5 * ny),
                         rs = place((1 + 2 * h) * ux, (1 + 2 * h) * uy);
                const std::array<std::pair<std::array<P2, 3>, std::array<V3, 3>>, 4> faces = {{
                    {{pn, pa, pb}, {N, a, b}},
                    {{pa, pb, pc}, {a, b, c}},
                    {{pa, rw, rc}, {a, w, c}},
                    {{rw, rc, rs}, {w, c, S}},
                }};
                for (const auto& [at, dir] : faces) {
                    Laid l;
                    l.at = at;
                    l.dir = dir;
                    l.placed = true;
                    net.faces.push_back(l);
                }
            }
            bool right = true;
            for (size_t t = 0; t < net.faces.size() && right; ++t) {
                maps.SetCorners(int(t), net.faces[t].dir);
                const Laid& g = net.faces[t];
                for (int k = 0; k < 3; ++k)
                    if (Angle(maps.At(72, int(t), k == 0, k == 1, k == 2), g.dir[k]) > kSameDirection)
                        Fail("sunburst: the map moves a corner of its face");
                right = (Cross2(g.at[0], g.at[1], g.at[2]) > 0 ? 1 : -1) == NetTurnFor(SphereTurn(maps, 72, int(t)));
            }
            if (!right) continue;
            for (size_t t = 0; t < net.faces.size(); ++t)
                for (size_t u = 0; u < t; ++u)
                    if (TrianglesOverlap(net.faces[t].at, net.faces[u].at)) Fail("sunburst: two faces overlap");
            Finish(&net, "sunburst", 0.0, true);
            return net;
        }
    Fail("sunburst: no way to lay the lunes unmirrored");
    return {};
}

// ---- plain faces ----

// ---- the waffle ----
//
// The waffle's map (shape 63) takes the cube's point to the sphere, turns
// it so that the midpoint of the edge between +y and +z is the north pole,
// and halves longitude about the poles (the lune of 2), which shows the
// whole cube on the hemisphere z >= 0: the half x >= 0 of the cube on the
// quarter x >= 0, z >= 0 of the sphere (west of Greenwich), the half x <= 0
// on the quarter x <= 0, z >= 0. A point of the net below the height m of
// its first and 29th vertices is then given the half turn about the pole
// when it lies left of the first vertex and shows x <= 0, or right of it
// and shows x > 0: there the left shows the western hemisphere and the
// right the eastern. So the net holds each half of the cube twice (96
// eighths): each half, laid as the cross of shape 60 (its face and the
// halves of the four round it), shows a lune of 90 degrees from pole to
// pole. The four crosses lie in a grid of two rows and two columns with a
// narrow gap between them, in longitude order: above the split, the half
// x >= 0 (90 W to Greenwich) and the half x <= 0 (Greenwich to 90 E);
// below it the half x <= 0 turned (180 to 90 W) and the half x >= 0 turned
// (90 E to 180). The first vertex is the lower right corner of the upper
// left cross's right arm, the 29th the upper right corner of the lower
// left cross's right arm, so the split runs through the gaps. Each cross
// turns so that north is up in it.

// The turn (+1, -1) the map shows the eighth t of a laid waffle with, from
// three points inside it (the map reads where they lie in the net).
int WaffleTurn(Maps& maps, const Net& net, int t) {
    const Laid& f = net.faces[t];
    V3 q[3];
    const double w[3][3] = {{0.5, 0.25, 0.25}, {0.25, 0.5, 0.25}, {0.25, 0.25, 0.5}};
    for (int k = 0; k < 3; ++k) {
        const P2 at{w[k][0] * f.at[0].x + w[k][1] * f.at[1].x + w[k][2] * f.at[2].x,
                    w[k][0] * f.at[0].y + w[k][1] * f.at[1].y + w[k][2] * f.at[2].y};
        q[k] = maps.At(63, t, w[k][0], w[k][1], w[k][2], nullptr, at);
    }
    return Dot(q[0], Cross(q[1], q[2])) > 0 ? 1 : -1;
}

constexpr double kIntoTheHalf = 1e-7;

Net Waffle(Maps& maps) {
    const double gap = 0.25;
    const CubeDesign cross{63, "waffle", "waffle", {{-1, 0, CubePiece::kWhole}, {0, 0, CubePiece::kHalf},
                           {0, 1, CubePiece::kHalf}, {0, 2, CubePiece::kHalf}, {0, 3, CubePiece::kHalf}},
                           {0, 0, 0}, {0, 0, 0}, 0.0};
    maps.waffleVertex0 = {0, -1 - gap / 2};
    maps.waffleVertex28 = {0, 1 + gap / 2};
    struct Cell {
        double sign;  // the half of the cube: x >= 0 or x <= 0
        P2 centre;
        double longitude;  // the middle of the lune it must show, degrees east
    } cells[4] = {{1, {-2, -2 - gap / 2}, -45}, {-1, {2 + gap, -2 - gap / 2}, 45},
                  {-1, {-2, 2 + gap / 2}, -135}, {1, {2 + gap, 2 + gap / 2}, 135}};
    Net net;
    for (const Cell& c : cells) {
        const V3 normal{c.sign, 0, 0};
        const V3 steps[4] = {{0, 1, 0}, {0, 0, 1}, {0, -1, 0}, {0, 0, -1}};
        double best = -1e300;
        Net chosen;
        for (const V3& x : steps) {
            Net cell = LayCubeWith(cross, normal, x);
            for (Laid& f : cell.faces) {
                for (P2& q : f.at) q = {q.x + c.centre.x, q.y + c.centre.y};
                // The cross's rim lies on x = 0, the lune's cut and the
                // turn's meridian, where the sign of a zero would pick the
                // side: its corners are moved a hair into the cross's half.
                for (V3& d : f.dir)
                    if (d.x == 0) d.x = c.sign * kIntoTheHalf;
            }
            // North up: latitude falling down the cross, from the middles.
            double score = 0;
            for (size_t t = 0; t < cell.faces.size(); ++t) {
                const Laid& f = cell.faces[t];
                maps.SetCorners(int(t), f.dir);
                const P2 mid{(f.at[0].x + f.at[1].x + f.at[2].x) / 3, (f.at[0].y + f.at[1].y + f.at[2].y) / 3};
                const V3 d = maps.At(63, int(t), 1.0 / 3, 1.0 / 3, 1.0 / 3, nullptr, mid);
                score -= (mid.y - c.centre.y) * d.y;
            }
            if (score > best) best = score, chosen = cell;
        }
        // The lune it shows: the direction at the cross's middle.
        maps.SetCorners(0, chosen.faces[0].dir);
        const V3 d = maps.At(63, 0, 1, 0, 0, nullptr, chosen.faces[0].at[0]);
        const double longitude = std::atan2(-d.x, d.z) * 180 / kPi;
        if (std::fabs(longitude - c.longitude) > 1e-6)
            Fail("waffle: a cross shows longitude " + std::to_string(longitude) + ", not " + std::to_string(c.longitude));
        for (const Laid& f : chosen.faces) net.faces.push_back(f);
    }
    for (size_t t = 0; t < net.faces.size(); ++t) {
        maps.SetCorners(int(t), net.faces[t].dir);
        const Laid& f = net.faces[t];
        if ((Cross2(f.at[0], f.at[1], f.at[2]) > 0 ? 1 : -1) != NetTurnFor(WaffleTurn(maps, net, int(t))))
            Fail("waffle: eighth " + std::to_string(t) + " would be mirrored");
    }
    Finish(&net, "waffle", 0.0, false);
    // The split: the two corners first and 29th among the net vertices.
    auto place = [&](P2 at, int index) {
        int found = -1;
        for (size_t i = 0; i < net.vertices.size(); ++i)
            if (Dist(net.vertices[i], at) < kSamePlace && (at.y > 0 ? net.vertices[i].x <= 0 : true) && found < 0) found = int(i);
        if (found < 0) Fail("waffle: no net vertex at the split");
        std::swap(net.vertices[found], net.vertices[index]);
        std::swap(net.solidOf[found], net.solidOf[index]);
        for (auto& c : net.corners)
            for (int& v : c) v = v == found ? index : v == index ? found : v;
    };
    place(maps.waffleVertex0, 0);
    place(maps.waffleVertex28, 28);
    return net;
}

// The octahedron as a square (shape 28): the north pole at the centre, the
// four equator points at the midpoints of the square's sides (Greenwich
// down), the south pole at its four corners; each face a right triangle of
// the square, drawn flat onto its solid face (no warp).
Net SquareOctahedron(Maps& maps) {
    const V3 north{0, 1, 0}, south{0, -1, 0};
    const V3 equator[4] = {{0, 0, 1}, {-1, 0, 0}, {0, 0, -1}, {1, 0, 0}};  // Greenwich, then eastwards
    const P2 side[4] = {{0, 1}, {1, 0}, {0, -1}, {-1, 0}};                 // down, right, up, left
    Net net;
    for (bool mirrored : {false, true}) {
        net = Net{};
        for (int k = 0; k < 4; ++k) {
            const int l = (k + 1) % 4;
            const P2 a{mirrored ? -side[k].x : side[k].x, side[k].y}, b{mirrored ? -side[l].x : side[l].x, side[l].y};
            Laid up, down;
            up.at = {P2{0, 0}, a, b};
            up.dir = {north, equator[k], equator[l]};
            down.at = {P2{a.x + b.x, a.y + b.y}, b, a};
            down.dir = {south, equator[l], equator[k]};
            up.placed = down.placed = true;
            net.faces.push_back(up);
            net.faces.push_back(down);
        }
        bool right = true;
        for (size_t t = 0; t < net.faces.size(); ++t) {
            maps.SetCorners(int(t), net.faces[t].dir);
            const Laid& f = net.faces[t];
            right &= (Cross2(f.at[0], f.at[1], f.at[2]) > 0 ? 1 : -1) == NetTurnFor(SphereTurn(maps, 0, int(t)));
        }
        if (right) break;
        if (mirrored) Fail("Square: no way to lay it unmirrored");
    }
    Finish(&net, "Square", 0.0, false);
    return net;
}
}  // namespace

// The sides each pair of tags shares, for designing a net.
void PrintAdjacency(Maps& maps, int64_t code, int tags) {
    static const char* kRole = "OBA";
    for (int p = 0; p < tags; ++p)
        for (int t = p + 1; t < tags; ++t)
            for (int i = 0; i < 3; ++i)
                for (int j = i + 1; j < 3; ++j)
                    for (int a = 0; a < 3; ++a)
                        for (int b = 0; b < 3; ++b)
                            if (a != b && SameSide(maps, code, p, i, j, t, a, b))
                                std::fprintf(stderr, "%d %c%c ~ %d %c%c\n", p, kRole[i], kRole[j], t, kRole[a], kRole[b]);
}

int main(int argc, char** argv) {
    Maps maps;
    if (argc == 4) kSideTolerance = std::atof(argv[3]);
    if (argc >= 3) {
        PrintAdjacency(maps, std::atoll(argv[1]), std::atoi(argv[2]));
        for (int t = 0; t < std::atoi(argv[2]); ++t) {
            std::fprintf(stderr, "tag %d turn %d:", t, SphereTurn(maps, std::atoll(argv[1]), t));
            for (double u : {0.0, 0.5, 1.0}) {
                const V3 q = maps.At(std::atoll(argv[1]), t, 1.0 - u, 0.0, u);
                std::fprintf(stderr, "  (%.4f %.4f %.4f)", q.x, q.y, q.z);
            }
            for (double u : {0.0, 0.5, 1.0}) {
                const V3 q = maps.At(std::atoll(argv[1]), t, 0.0, 1.0 - u, u);
                std::fprintf(stderr, "  (%.4f %.4f %.4f)", q.x, q.y, q.z);
            }
            std::fprintf(stderr, "\n");
        }
        return 0;
    }
    std::vector<Design> designs = Designs();
    designs.push_back(PentagonTilingDesign(maps));
    for (const Design& d : FloretBaseDesigns()) designs.push_back(d);
    std::vector<Net> nets;
    for (const Design& d : designs) nets.push_back(Lay(maps, d));
    for (const CubeDesign& d : CubeDesigns()) {
        designs.push_back({d.code, d.name, d.ident, int(d.pieces.size()), 0, {}, d.turn});
        nets.push_back(LayCube(maps, d));
        designs.back().tags = int(nets.back().faces.size());
    }
    for (const SolidDesign& d : SolidDesigns()) {
        designs.push_back({d.code, d.name, d.ident, 0, 0, {}, d.turn});
        designs.back().plain = d.plain;
        nets.push_back(LaySolid(maps, d));
        designs.back().tags = int(nets.back().faces.size());
    }
    designs.push_back({63, "waffle", "waffle", 96, 0, {}, 0.0});
    nets.push_back(Waffle(maps));
    designs.push_back({71, "icosahedron", "shark", 20, 0, {}, 0.0});
    nets.push_back(SharkNet(maps));
    designs.push_back({72, "sunburst", "sunburst", 20, 0, {}, 0.0});
    nets.push_back(SunburstNet(maps));
    designs.push_back({73, "octahedron", "shard", 8, 0, {}, 0.0});
    nets.push_back(ShardNet(maps));
    designs.push_back({28, "Square", "Square", 8, 0, {}, 0.0});
    designs.back().plain = true;
    nets.push_back(SquareOctahedron(maps));
    std::printf("// Generated by tools/gen_map_nets.cpp: do not edit. The conventions of these\n"
                "// tables are written at the top of the generator, the designs in tools/map_nets.md.\n"
                "#include \"polyhedra/builtin_shapes.h\"\n\nnamespace {\n\n");
    for (size_t i = 0; i < designs.size(); ++i) {
        const int inward = FaceOutwards(maps, designs[i].plain ? 0 : designs[i].code, &nets[i]);
        if (inward && std::getenv("GEN_MAP_NETS_DEBUG"))
            std::fprintf(stderr, "%s: %d cells read by corner face inwards\n", designs[i].ident, inward);
    }
    std::vector<std::string> tables;
    for (size_t i = 0; i < designs.size(); ++i) {
        tables.push_back(designs[i].ident);
        for (size_t j = 0; j < i; ++j)
            if (tables[j] == designs[j].ident && SameTables(nets[i], nets[j])) {
                tables.back() = designs[j].ident;
                break;
            }
        Write(designs[i], nets[i], tables.back());
    }
    // Solids whose nets the net code grows: their faces whole.
    const Solid octahedron = Octahedron();
    std::printf("// conformal_octahedron (shape code 74): the octahedron, its net grown.\n"
                "const double conformal_octahedron_Coords3D[] = {\n");
    for (const V3& v : octahedron.v) std::printf("    %s, %s, %s,\n", Num(v.x).c_str(), Num(v.y).c_str(), Num(v.z).c_str());
    std::printf("};\nconst uint16_t conformal_octahedron_Faces3D[] = {\n");
    for (const auto& f : octahedron.faces) std::printf("    %d, %d, %d, 0,\n", f[0] + 1, f[1] + 1, f[2] + 1);
    std::printf("};\n\n");
    // The box (shape 29, "isometric"): three faces cannot enclose the
    // centre, so its solid vertices are longitude and latitude fractions
    // (u, v, 0), u = 0 at Greenwich eastwards, v = 0 at the north pole; each
    // face one lune of 120 degrees from pole to pole, Greenwich in the
    // middle of the first. The net is a cube seen along its diagonal: the
    // three rhombi of a regular hexagon (edge 1, y down) about its centre C,
    // each lune drawn affinely onto one. The left and right faces stand
    // upright, north up: the first lune (-60 to 60 degrees) on the left and
    // the second (60 to 180) on the right, sharing the 60 degree meridian
    // down the middle from C. The top face shares the left face's north
    // edge, so the third lune (180 to 300) lies with its north along that
    // edge and its south on the hexagon's upper right side. Three faces meet
    // at C, and the three edges from C cannot all continue the map: a
    // lune's pole edge lies beside one of its meridians, never opposite, so
    // going round C the faces would alternate pole and meridian edges, which
    // three cannot do. The edge from C to the upper right corner shows the
    // north pole on the right face and the 180 degree meridian on the top.
    size_t boxNetVertices = 0;
    std::printf("// Box (shape code 29): three lunes in longitude and latitude fractions,\n"
                "// the net the three rhombi of a cube seen along its diagonal.\n"
                "const double Box_Coords3D[] = {\n");
    for (int k = 0; k < 4; ++k)
        for (int v = 0; v < 2; ++v) std::printf("    %s, %d, 0,\n", Num(k / 3.0 - 1 / 6.0).c_str(), v);
    {
        const double h = std::sqrt(3.0) / 2;
        const P2 C{0, 0}, T{0, -1}, UR{h, -0.5}, LR{h, 0.5}, B{0, 1}, LL{-h, 0.5}, UL{-h, -0.5};
        // Each face's corners (u_k, 0), (u_k+1, 0), (u_k+1, 1), (u_k, 1) and
        // where they lie; the solid vertex of (u_k, v) is 2k + v (from 0).
        const P2 at[3][4] = {{UL, C, B, LL}, {C, UR, LR, B}, {C, UL, T, UR}};
        std::vector<P2> net;
        std::vector<int> solidOf;
        std::printf("};\nconst uint16_t Box_Faces2D[] = {\n");
        std::vector<std::array<int, 4>> faces;
        for (int k = 0; k < 3; ++k) {
            std::array<int, 4> ids{};
            const int corner[4] = {2 * k, 2 * k + 2, 2 * k + 3, 2 * k + 1};
            for (int c = 0; c < 4; ++c) {
                int id = -1;
                for (size_t i = 0; i < net.size(); ++i)
                    if (Dist(net[i], at[k][c]) < kSamePlace && solidOf[i] == corner[c]) id = int(i);
                if (id < 0) {
                    net.push_back(at[k][c]);
                    solidOf.push_back(corner[c]);
                    id = int(net.size()) - 1;
                }
                ids[c] = id;
            }
            std::printf("    %d, %d, %d, %d, 0,\n", ids[0] + 1, ids[1] + 1, ids[2] + 1, ids[3] + 1);
        }
        std::printf("};\nconst double Box_Coords2D[] = {\n");
        for (const P2& q : net) std::printf("    %s, %s,\n", Num(q.x).c_str(), Num(q.y).c_str());
        std::printf("};\nconst uint16_t Box_2D_to_3D[] = {");
        for (size_t i = 0; i < solidOf.size(); ++i) std::printf("%s%d", i ? ", " : "", solidOf[i] + 1);
        std::printf("};\n\n");
        boxNetVertices = net.size();
    }
    std::printf("}  // namespace\n\nconst MapNetShape kMapNetShapes[] = {\n");
    for (size_t i = 0; i < designs.size(); ++i) {
        const Design& d = designs[i];
        const std::string n = d.ident, t = tables[i];
        std::printf("    {{%lld, \"%s\", %s_Coords3D, %zu, nullptr, %d, %s_Coords2D, %zu, %s_Faces2D, %s_2D_to_3D}, %lld, 1},\n",
                    (long long)d.code, d.name, t.c_str(), nets[i].solid.size(), d.tags, n.c_str(),
                    nets[i].vertices.size(), t.c_str(), t.c_str(), (long long)(d.plain ? 0 : d.code));
    }
    std::printf("    {{74, \"conformal_octahedron\", conformal_octahedron_Coords3D, %zu, conformal_octahedron_Faces3D, %zu, nullptr, 0, nullptr, nullptr}, 74, 1},\n",
                octahedron.v.size(), octahedron.faces.size());
    std::printf("    {{29, \"Box\", Box_Coords3D, 8, nullptr, 3, Box_Coords2D, %zu, Box_Faces2D, Box_2D_to_3D}, 0, 0},\n",
                boxNetVertices);
    std::printf("};\nconst int64_t kMapNetShapeCount = %zu;\n", designs.size() + 2);
    return 0;
}
