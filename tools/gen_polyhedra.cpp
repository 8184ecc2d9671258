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
// - Faces wind counter-clockwise seen from outside; each starts at its
//   lowest vertex number. OldIco is NewIco's vertices with the faces in
//   longitude order around each of the icosahedron's three bands.
// - NewCube's net is the horizontal cross of cube-map input: 4 x 3 square
//   cells of side 1/4 (y downward, as the input picture's rows), face F in
//   the cell the input layout gives it, each point where that layout samples
//   its direction. It shows the faces as seen from the centre.
// - The snub cube is the one whose vertices are the even permutations of
//   (+-1, +-1/t, +-t) with an even number of plus signs and the odd
//   permutations with an odd number (t the tribonacci constant); its dual
//   PentTwoFour has the same handedness.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
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
    AddCyclic(p, {0, 1 / kPhi, kPhi});
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
};

std::vector<Entry> gEntries;

void WriteShape(int code, const std::string& name, const Solid& s, const std::string& tables = "") {
    const std::string t = tables.empty() ? name : tables;
    if (tables.empty()) {
        WriteCoords3D(t, s);
        WriteFaces(t, "Faces3D", s.f);
    }
    gEntries.push_back({code, name, t, s.v.size(), s.f.size(), false, 0});
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
}

std::string FloatNum(double v) {
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
    const Solid tetra = HullSolid(Scaled(tet, 1));
    const Solid cube = HullSolid(CubeCorners(0.5), CubeFaceOrder);
    std::vector<P> oct;
    AddCyclic(oct, {1, 0, 0});
    const Solid octa = HullSolid(oct);
    const Solid dodeca = HullSolid(DodecahedronPoints());
    const Solid ico = HullSolid(IcosahedronPoints());
    const Solid oldIco = Canonical(ico.v, ico.f, IcoBands);
    WriteShape(16, "Tetranew", tetra);
    WriteShape(18, "NewCube", cube);
    WriteCubeNet(cube);
    WriteShape(80, "NewCube (no net)", cube, "NewCube");
    WriteShape(19, "NewOcto", octa);
    WriteShape(9, "NewDodec", dodeca);
    WriteShape(17, "NewIco", ico);
    WriteFaces("OldIco", "Faces3D", oldIco.f);
    gEntries.push_back({23, "OldIco", "NewIco", ico.v.size(), ico.f.size(), false, 0});
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
    const Solid threeTwo = HullSolid(EvenPermutationPoints({{0, 0, kPhi}, {0.5, kPhi / 2, kPhi * kPhi / 2}}));
    const Solid threeEight = HullSolid(SnubCubePoints());
    const Solid sixTwo = HullSolid(EvenPermutationPoints(
        {{1, 1, kPhi * kPhi * kPhi}, {kPhi * kPhi, kPhi, 2 * kPhi}, {2 + kPhi, 0, kPhi * kPhi}}));
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

    // Builder tables.
    std::printf("}  // namespace\n\n");
    std::printf("const double RhombicHexecontahedron_Coords3D[240 * 3] = {\n");
    for (const auto& face : RhombicHexecontahedronFaces(ico))
        for (const P& p : face) std::printf("    %s, %s, %s,\n", Num(p.x).c_str(), Num(p.y).c_str(), Num(p.z).c_str());
    std::printf("};\n\n");
    WriteFloatFaceTable("watermanW5", HullSolid(WatermanPoints(), HexagonsFirst));

    std::printf("\nconst BuiltInShape kBuiltInShapes[] = {\n");
    for (const Entry& e : gEntries) {
        const std::string coords = e.tables == "OldIco" ? "NewIco" : e.tables;
        std::printf("    {%d, \"%s\", %s_Coords3D, %zu, %s_Faces3D, %zu, %s, %zu, %s, %s},\n", e.code, e.name.c_str(),
                    coords.c_str(), e.vertices, e.tables.c_str(), e.faces,
                    e.net ? "NewCube_Coords2D" : "nullptr", e.netVertices, e.net ? "NewCube_Faces2D" : "nullptr",
                    e.net ? "NewCube_2D_to_3D" : "nullptr");
    }
    std::printf("};\nconst int64_t kBuiltInShapeCount = %zu;\n", gEntries.size());
    return 0;
}
