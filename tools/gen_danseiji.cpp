// Writes polyhedra/generated/danseiji_iv.cpp: the Danseiji IV map (shape code
// 312) as a built-in net, converted from the published mesh kept in
// tools/data/danseiji-iv.csv (its layout and attribution are in
// tools/data/README.md). Usage: gen_danseiji [mesh.csv] > danseiji_iv.cpp
//
// The solid is the mesh's latitude-longitude grid on the unit sphere: vertex
// 0 the north pole, then the 79 inner parallels from north to south, each
// with 160 meridians from 180 W eastward, then the south pole. A point at
// latitude phi and longitude lambda is (-sin lambda cos phi, sin phi,
// cos lambda cos phi), the frame in which the equirectangular input reads
// longitude -atan2(x, z). Every net face is one triangle of the mesh, so a
// face's points are blended from its three corners on the solid and pushed
// out to the sphere; a cell's two triangles stand for its linear
// latitude-longitude patch to within a few hundredths of a degree.
//
// Net faces run cell by cell, rows from north to south and columns from
// west to east: a polar cell gives one triangle (its pole node is listed
// twice in the mesh), any other cell two. Every face winds counter-clockwise
// seen from outside the sphere; the net is written with y down (north at
// the top), so the faces turn clockwise in the net's numbers. The net keeps
// every mesh node as its own vertex: nodes on both sides of a cut share a
// position but not a face.
//
// The mesh names a split cell's six nodes by corner in one of two orders,
// and its description has been read both ways: each is tried, and the one
// under which every node lands on one sphere point and every triangle turns
// the same way is used. Anything else stops the conversion.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef VORNESK_SOURCE_DIR
#define VORNESK_SOURCE_DIR "."
#endif

namespace {

constexpr double kPi = 3.14159265358979323846;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "gen_danseiji: %s\n", what);
    std::exit(1);
}

std::string Num(double v) {
    if (std::fabs(v) < 5e-17) v = 0;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

struct Cell {
    int kind;
    int n[6];
};

enum Corner { NE, NW, SW, SE };

// The corners of n0..n5 under each reading of a split cell.
constexpr Corner kReadings[2][2][6] = {
    // reading 0: kind 1 = NE NE NW SW SW SE, kind -1 = NE NW NW SW SE SE
    {{NE, NE, NW, SW, SW, SE}, {NE, NW, NW, SW, SE, SE}},
    // reading 1: the two kinds' orders exchanged
    {{NE, NW, NW, SW, SE, SE}, {NE, NE, NW, SW, SW, SE}},
};
// The triangles of a split cell as places in n0..n5, each counter-clockwise
// seen from outside once its corners are known.
constexpr int kTriangles[2][2][3] = {{{1, 2, 3}, {0, 4, 5}},   // kind 1 under reading 0
                                     {{0, 1, 5}, {2, 3, 4}}};  // kind -1 under reading 0

struct Mesh {
    int nodes, rows, cols;
    std::vector<double> x, y;
    std::vector<Cell> cells;
};

Mesh Read(const char* path) {
    FILE* f = std::fopen(path, "r");
    if (!f) Fail("cannot open the mesh");
    Mesh m;
    int boundary, tr, tc;
    double width, height;
    if (std::fscanf(f, "%d,%d,%d,%d,%d,%d,%lf,%lf", &m.nodes, &m.rows, &m.cols, &boundary, &tr, &tc, &width,
                    &height) != 8)
        Fail("bad header");
    if (m.nodes <= 0 || m.nodes > 12845 || m.rows < 3 || m.cols < 3 || m.rows * m.cols > 20000) Fail("bad sizes");
    m.x.resize(m.nodes);
    m.y.resize(m.nodes);
    for (int i = 0; i < m.nodes; ++i)
        if (std::fscanf(f, "%lf,%lf", &m.x[i], &m.y[i]) != 2) Fail("bad node");
    char line[256];
    std::fgets(line, sizeof line, f);
    for (int c = 0; c < m.rows * m.cols; ++c) {
        if (!std::fgets(line, sizeof line, f)) Fail("missing cell");
        Cell cell{};
        int n[6];
        const int got = std::sscanf(line, "%d,%d,%d,%d,%d,%d,%d", &cell.kind, &n[0], &n[1], &n[2], &n[3], &n[4], &n[5]);
        const int want = cell.kind == 0 ? 5 : 7;
        if (got != want || (cell.kind != 0 && cell.kind != 1 && cell.kind != -1)) Fail("bad cell");
        for (int k = 0; k < got - 1; ++k) {
            if (n[k] < 0 || n[k] >= m.nodes) Fail("node out of range");
            cell.n[k] = n[k];
        }
        m.cells.push_back(cell);
    }
    std::fclose(f);
    return m;
}

struct Net {
    std::vector<int> solidOf;             // per node, the sphere vertex
    std::vector<std::vector<int>> faces;  // node triples
};

// The sphere vertex of a cell corner: parallel i (0 north pole .. rows south
// pole), meridian j.
int Vertex(const Mesh& m, int i, int j) {
    if (i == 0) return 0;
    if (i == m.rows) return 1 + (m.rows - 1) * m.cols;
    return 1 + (i - 1) * m.cols + ((j % m.cols) + m.cols) % m.cols;
}

// The net under one reading, or false when a node would land on two sphere
// points or a triangle would turn against the rest.
bool Convert(const Mesh& m, int reading, Net* net) {
    net->solidOf.assign(m.nodes, -1);
    net->faces.clear();
    auto place = [&](int node, int vertex) {
        if (net->solidOf[node] >= 0 && net->solidOf[node] != vertex) return false;
        net->solidOf[node] = vertex;
        return true;
    };
    for (int r = 0; r < m.rows; ++r)
        for (int c = 0; c < m.cols; ++c) {
            const Cell& cell = m.cells[r * m.cols + c];
            const int corner[4] = {Vertex(m, r, c + 1), Vertex(m, r, c), Vertex(m, r + 1, c), Vertex(m, r + 1, c + 1)};
            if (cell.kind == 0) {
                // NE, NW, SW, SE with the pole's node twice.
                for (int k = 0; k < 4; ++k)
                    if (!place(cell.n[k], corner[k])) return false;
                if (r == 0 && cell.n[0] == cell.n[1]) {
                    net->faces.push_back({cell.n[1], cell.n[2], cell.n[3]});
                } else if (r == m.rows - 1 && cell.n[2] == cell.n[3]) {
                    net->faces.push_back({cell.n[0], cell.n[1], cell.n[2]});
                } else {
                    return false;
                }
                continue;
            }
            if (r == 0 || r == m.rows - 1) return false;
            const int kind = cell.kind == 1 ? 0 : 1;
            for (int k = 0; k < 6; ++k)
                if (!place(cell.n[k], corner[kReadings[reading][kind][k]])) return false;
            // The triangles follow the corners: under reading 1 a kind-1 cell
            // is split as reading 0's kind -1.
            const int split = kind ^ reading;
            for (const auto& t : kTriangles[split]) net->faces.push_back({cell.n[t[0]], cell.n[t[1]], cell.n[t[2]]});
        }
    for (int v : net->solidOf)
        if (v < 0) return false;
    // One turn for every triangle in the published plane (y up).
    int positive = 0, negative = 0;
    for (const auto& f : net->faces) {
        const double a = (m.x[f[1]] - m.x[f[0]]) * (m.y[f[2]] - m.y[f[0]]) -
                         (m.y[f[1]] - m.y[f[0]]) * (m.x[f[2]] - m.x[f[0]]);
        (a > 0 ? positive : negative) += 1;
    }
    return negative == 0 && positive == int(net->faces.size());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : std::string(VORNESK_SOURCE_DIR) + "/tools/data/danseiji-iv.csv";
    const Mesh m = Read(path.c_str());
    Net nets[2];
    const bool ok[2] = {Convert(m, 0, &nets[0]), Convert(m, 1, &nets[1])};
    if (ok[0] == ok[1]) Fail(ok[0] ? "both readings of the cells fit" : "no reading of the cells fits");
    const Net& net = nets[ok[0] ? 0 : 1];
    const int vertices = 2 + (m.rows - 1) * m.cols;

    std::printf("// Generated by tools/gen_danseiji.cpp from tools/data/danseiji-iv.csv: do not\n"
                "// edit. The conventions of these tables are written at the top of the generator.\n"
                "// The split cells are read as %s.\n"
                "#include \"polyhedra/builtin_shapes.h\"\n\nnamespace {\n\n",
                ok[0] ? "kind 1 = NE NE NW SW SW SE, kind -1 = NE NW NW SW SE SE"
                      : "kind 1 = NE NW NW SW SE SE, kind -1 = NE NE NW SW SW SE");
    std::printf("const double danseiji_iv_Coords3D[] = {\n");
    for (int v = 0; v < vertices; ++v) {
        double phi, lambda;
        if (v == 0 || v == vertices - 1) {
            phi = v == 0 ? kPi / 2 : -kPi / 2;
            lambda = 0;
        } else {
            const int i = 1 + (v - 1) / m.cols, j = (v - 1) % m.cols;
            phi = kPi / 2 - kPi * i / m.rows;
            lambda = -kPi + 2 * kPi * j / m.cols;
        }
        std::printf("    %s, %s, %s,\n", Num(-std::sin(lambda) * std::cos(phi)).c_str(), Num(std::sin(phi)).c_str(),
                    Num(std::cos(lambda) * std::cos(phi)).c_str());
    }
    std::printf("};\n\nconst double danseiji_iv_Coords2D[] = {\n");
    for (int i = 0; i < m.nodes; ++i) std::printf("    %s, %s,\n", Num(m.x[i]).c_str(), Num(-m.y[i]).c_str());
    std::printf("};\n\nconst uint16_t danseiji_iv_Faces2D[] = {\n");
    for (const auto& f : net.faces) std::printf("    %d, %d, %d, 0,\n", f[0] + 1, f[1] + 1, f[2] + 1);
    std::printf("};\n\nconst uint16_t danseiji_iv_2D_to_3D[] = {\n");
    for (int i = 0; i < m.nodes; ++i) std::printf("    %d,\n", net.solidOf[i] + 1);
    std::printf("};\n\n}  // namespace\n\n");
    std::printf("const BuiltInShape kDanseijiIVShape = {312, \"danseiji_iv\", danseiji_iv_Coords3D, %d, nullptr, %zu,\n"
                "                                        danseiji_iv_Coords2D, %d, danseiji_iv_Faces2D,\n"
                "                                        danseiji_iv_2D_to_3D};\n",
                vertices, net.faces.size(), m.nodes);
    return 0;
}
