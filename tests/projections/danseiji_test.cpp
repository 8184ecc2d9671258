// The Danseiji IV map (output mode 419): the published mesh loaded as a net,
// checked against the mesh file itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../polyhedra/poly_fixture.h"
#include "polyhedra/poly_storage.h"
#include "projections/polyhedral_transform.h"
#include "projections/sphere_to_input.h"
#include "records/renderhinttype.h"
#include "shell/renderable.h"
#include "tests/generated_source.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

struct V3 {
    double x, y, z;
};
V3 Unit(V3 a) {
    const double m = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return {a.x / m, a.y / m, a.z / m};
}
// The sphere point of a latitude and longitude, in the frame the
// equirectangular input reads.
V3 FromLatLon(double phi, double lambda) {
    return {-std::sin(lambda) * std::cos(phi), std::sin(phi), std::cos(lambda) * std::cos(phi)};
}
double AngleBetween(V3 a, V3 b) {
    const V3 c{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    return std::atan2(std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z), a.x * b.x + a.y * b.y + a.z * b.z);
}

// The published mesh, read independently of the converter.
struct Mesh {
    int nodes = 0, rows = 0, cols = 0, boundary = 0, tr = 0, tc = 0;
    double width = 0, height = 0;
    std::vector<double> x, y;
    std::vector<std::vector<int>> cells;  // kind, then nodes
    std::vector<int> outline;
    std::vector<double> lat, lon;         // the inverse table
};

const Mesh& Published() {
    static Mesh m = [] {
        Mesh m;
        std::ifstream in(std::string(VORNESK_SOURCE_DIR) + "/tools/data/danseiji-iv.csv");
        std::string line;
        auto fields = [&line] {
            std::vector<double> v;
            std::stringstream s(line);
            std::string f;
            while (std::getline(s, f, ',')) v.push_back(std::stod(f));
            return v;
        };
        if (!std::getline(in, line)) return m;
        const std::vector<double> h = fields();
        m.nodes = int(h[0]), m.rows = int(h[1]), m.cols = int(h[2]), m.boundary = int(h[3]);
        m.tr = int(h[4]), m.tc = int(h[5]), m.width = h[6], m.height = h[7];
        for (int i = 0; i < m.nodes && std::getline(in, line); ++i) {
            const auto v = fields();
            m.x.push_back(v[0]);
            m.y.push_back(v[1]);
        }
        for (int i = 0; i < m.rows * m.cols && std::getline(in, line); ++i) {
            std::vector<int> c;
            for (double d : fields()) c.push_back(int(d));
            m.cells.push_back(c);
        }
        for (int i = 0; i < m.boundary && std::getline(in, line); ++i) m.outline.push_back(int(fields()[0]));
        for (int i = 0; i < m.tr * m.tc && std::getline(in, line); ++i) {
            const auto v = fields();
            m.lat.push_back(v[0]);
            m.lon.push_back(v[1]);
        }
        return m;
    }();
    return m;
}

// Latitude and longitude of each node from the cells (corner order NE NE NW
// SW SW SE for kind 1, NE NW NW SW SE SE for kind -1, NE NW SW SE for the
// polar kind 0); -1000 for a node no cell names.
struct NodePlaces {
    std::vector<double> lat, lon;
    int conflicts = 0;
};
NodePlaces PlaceNodes(const Mesh& m, bool swapped) {
    NodePlaces p;
    p.lat.assign(m.nodes, -1000);
    p.lon.assign(m.nodes, -1000);
    enum { NE, NW, SW, SE };
    static const int kOne[6] = {NE, NE, NW, SW, SW, SE}, kMinus[6] = {NE, NW, NW, SW, SE, SE}, kPolar[4] = {NE, NW, SW, SE};
    for (int r = 0; r < m.rows; ++r)
        for (int c = 0; c < m.cols; ++c) {
            const std::vector<int>& cell = m.cells[r * m.cols + c];
            const int kind = cell[0];
            const int* order = kind == 0 ? kPolar : ((kind == 1) != swapped ? kOne : kMinus);
            for (size_t k = 1; k < cell.size(); ++k) {
                const int corner = order[k - 1];
                double la = 90.0 - 180.0 * (r + (corner == SW || corner == SE)) / m.rows;
                double lo = -180.0 + 360.0 * (c + (corner == NE || corner == SE)) / m.cols;
                if (lo >= 180.0) lo -= 360.0;
                if (std::fabs(la) == 90.0) lo = 0;
                const int n = cell[k];
                if (p.lat[n] != -1000 && (p.lat[n] != la || p.lon[n] != lo)) ++p.conflicts;
                p.lat[n] = la;
                p.lon[n] = lo;
            }
        }
    return p;
}

struct Hints {
    renderhinttype h[2];
    Hints() {
        for (renderhinttype& r : h) {
            r = renderhinttype{};
            InitPolyHints(&r);
        }
    }
    ~Hints() { DumpShortTriangleLists(h); }
};

// Mode 419's solid and net, built as the render builds it, with a span list
// over the whole net and the map from the mesh's plane to the fitted net.
struct Danseiji {
    PolyPtr poly;
    Hints hints;
    double scale = 0, ox = 0, oy = 0;  // net = (ox + scale x, oy - scale y)
    bool ready = false;
    Danseiji() : poly(MakePoly()) {
        if (!poly) return;
        HooBoyPolySetup(419, poly.get(), 0, 1, 0, nullptr, 1, 0.5f, 33 * 0.005f, 0.0f);  // the default tabs
        const Mesh& m = Published();
        if (m.nodes == 0 || poly->netFaceCount == 0) return;
        int far = 0;
        for (int i = 0; i < m.nodes; ++i)
            if (std::fabs(m.x[i] - m.x[0]) > std::fabs(m.x[far] - m.x[0])) far = i;
        scale = (poly->coords2D[far][0] - poly->coords2D[0][0]) / (m.x[far] - m.x[0]);
        ox = poly->coords2D[0][0] - scale * m.x[0];
        oy = poly->coords2D[0][1] + scale * m.y[0];
        ready = AllocateSpanStorage(&hints.h[0], SpanNodesForNet(poly.get())) &&
                PrepareShortTriList(poly.get(), -1, &hints.h[0], false, 0, 0, 0, 0, 0);
    }
    // The direction shown at a point of the mesh's plane; false when it misses.
    bool Look(double x, double y, V3* d) {
        float out[3];
        uint8_t outside = 1;
        DoPolyhedralTransforms(out, poly.get(), nullptr, &outside, &hints.h[0], float(ox + scale * x),
                               float(oy - scale * y));
        *d = {out[0], out[1], out[2]};
        return !outside;
    }
};

Danseiji& Map() {
    static Danseiji d;
    return d;
}

TEST(Danseiji, ConverterReadsTheCellsOneWayOnly) {
    const Mesh& m = Published();
    ASSERT_EQ(m.nodes, 12835);
    ASSERT_EQ(m.cells.size(), 12800u);
    const NodePlaces asNamed = PlaceNodes(m, false), swapped = PlaceNodes(m, true);
    EXPECT_EQ(asNamed.conflicts, 0);
    EXPECT_GT(swapped.conflicts, 1000);
    for (int i = 0; i < m.nodes; ++i) ASSERT_NE(asNamed.lat[i], -1000) << "node " << i << " in no cell";
}

TEST(Danseiji, NetIsTheMeshAsPublished) {
    Danseiji& d = Map();
    ASSERT_TRUE(d.ready);
    const polyhedron* p = d.poly.get();
    const Mesh& m = Published();
    EXPECT_EQ(p->vertexCount3D, 12642);
    EXPECT_EQ(p->faceCount3D, 25280);
    EXPECT_EQ(p->netFaceCount, 25280);
    // Every node stays its own vertex (close pairs across the cuts are not
    // fused) and folds onto its own latitude and longitude.
    const NodePlaces places = PlaceNodes(m, false);
    for (int i = 0; i < m.nodes; ++i) {
        ASSERT_TRUE(p->netVertexUsed[i]) << i;
        EXPECT_NEAR(p->coords2D[i][0], d.ox + d.scale * m.x[i], 1e-9) << i;
        EXPECT_NEAR(p->coords2D[i][1], d.oy - d.scale * m.y[i], 1e-9) << i;
        const int16_t s = p->netVertexSolid[i];
        ASSERT_TRUE(s >= 0 && s < p->vertexCount3D) << i;
        const triplex q = p->coords3D[s];
        ASSERT_LT(AngleBetween({q.x, q.y, q.z}, FromLatLon(places.lat[i] * kDeg, places.lon[i] * kDeg)), 1e-12) << i;
    }
    // Polar cells are single triangles: no face repeats a solid vertex.
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        const PolyFace3D& face = p->face3D[f];
        ASSERT_EQ(face.count, 3);
        ASSERT_TRUE(face.vertex[0] != face.vertex[1] && face.vertex[1] != face.vertex[2] &&
                    face.vertex[0] != face.vertex[2])
            << f;
    }
    // A map with no glued seams gets no tab, whatever the tab size: no
    // corner tab is drawn or found missing, and the tables hold the mesh.
    EXPECT_EQ(p->status, kPolyStatusGood);
    EXPECT_EQ(p->netVertexCount, 12835);
    EXPECT_EQ(p->netTriangleCount, 25280);
    for (int64_t t = 0; t < p->netTriangleCount; ++t) ASSERT_FALSE(p->netTriangle[t].isTab) << t;
    EXPECT_TRUE(OutputModeIsRenderable(419));
}

// Each node, approached from inside each of its triangles, shows its own
// latitude and longitude, and the equirectangular input samples the Earth
// there.
TEST(Danseiji, NodesShowTheirOwnPlaces) {
    Danseiji& d = Map();
    ASSERT_TRUE(d.ready);
    const Mesh& m = Published();
    const NodePlaces places = PlaceNodes(m, false);
    const polyhedron* p = d.poly.get();
    double worst = 0, worstUV = 0;
    int looked = 0;
    for (int64_t f = 0; f < p->netFaceCount; f += 3) {
        const PolyNetFace& nf = p->netFace[f];
        double cx = 0, cy = 0;
        for (int k = 0; k < 3; ++k) cx += m.x[nf.vertex[k]] / 3, cy += m.y[nf.vertex[k]] / 3;
        for (int k = 0; k < 3; ++k) {
            const int n = int(nf.vertex[k]);
            const double x = m.x[n] + 1e-4 * (cx - m.x[n]), y = m.y[n] + 1e-4 * (cy - m.y[n]);
            V3 dir;
            ASSERT_TRUE(d.Look(x, y, &dir)) << "node " << n;
            const V3 want = FromLatLon(places.lat[n] * kDeg, places.lon[n] * kDeg);
            worst = std::max(worst, AngleBetween(dir, want));
            float u, v, aux;
            uint8_t outside = 1;
            int face = -1, region = 0;
            const float pt[3] = {float(dir.x), float(dir.y), float(dir.z)};
            TransformSphereToInput(1, 0, pt, &u, &v, &outside, nullptr, &face, &region, &aux, nullptr, nullptr, 0.5f);
            ASSERT_EQ(outside, 0);
            const double wantV = (90.0 - places.lat[n]) / 180.0;
            double du = std::fabs(u - (places.lon[n] + 180.0) / 360.0);
            du = std::min(du, 1.0 - du);  // the seam
            if (std::fabs(places.lat[n]) < 89.0) worstUV = std::max(worstUV, std::max(du, std::fabs(v - wantV)));
            else worstUV = std::max(worstUV, std::fabs(v - wantV));
            ++looked;
        }
    }
    EXPECT_GT(looked, 25000);
    EXPECT_LT(worst, 0.01 * kDeg);
    EXPECT_LT(worstUV, 1e-4);
}

// Points just outside the outline, and the corners of the map's box, miss.
TEST(Danseiji, OutsideTheOutlineMisses) {
    Danseiji& d = Map();
    ASSERT_TRUE(d.ready);
    const Mesh& m = Published();
    const std::vector<int>& o = m.outline;
    ASSERT_EQ(int(o.size()), 388);
    double area = 0;
    for (size_t i = 0; i < o.size(); ++i) {
        const int a = o[i], b = o[(i + 1) % o.size()];
        area += m.x[a] * m.y[b] - m.x[b] * m.y[a];
    }
    auto inside = [&](double x, double y) {
        bool in = false;
        for (size_t i = 0, j = o.size() - 1; i < o.size(); j = i++) {
            const double xi = m.x[o[i]], yi = m.y[o[i]], xj = m.x[o[j]], yj = m.y[o[j]];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
        }
        return in;
    };
    int tried = 0, inPolygon = 0;
    V3 dir;
    for (size_t i = 0; i < o.size(); ++i) {
        const int a = o[i], b = o[(i + 1) % o.size()];
        const double ex = m.x[b] - m.x[a], ey = m.y[b] - m.y[a], len = std::hypot(ex, ey);
        if (len == 0) continue;
        // Outward normal, a small step off the edge's middle and off its far third.
        const double nx = (area > 0 ? ey : -ey) / len, ny = (area > 0 ? -ex : ex) / len;
        for (double t : {0.5, 0.33}) {
            const double px = m.x[a] + t * ex + 0.002 * nx, py = m.y[a] + t * ey + 0.002 * ny;
            const double qx = m.x[a] + t * ex - 0.002 * nx, qy = m.y[a] + t * ey - 0.002 * ny;
            if (inside(px, py)) continue;  // a narrow cut: both sides are map
            ++tried;
            EXPECT_FALSE(d.Look(px, py, &dir)) << "outline edge " << i;
            inPolygon += d.Look(qx, qy, &dir);
        }
    }
    EXPECT_GT(tried, 600);
    EXPECT_GT(inPolygon, tried * 9 / 10);
    for (double sx : {-0.5, 0.5})
        for (double sy : {-0.5, 0.5}) EXPECT_FALSE(d.Look(sx * m.width, sy * m.height, &dir));
}

// The published inverse table, sampled over the map's box: its grid (rows
// from the top or from the bottom, corners or cell centres) is found by
// which reading agrees with the net, and then it agrees almost everywhere
// inside the map.
TEST(Danseiji, PublishedInverseTableAgrees) {
    Danseiji& d = Map();
    ASSERT_TRUE(d.ready);
    const Mesh& m = Published();
    ASSERT_EQ(int(m.lat.size()), m.tr * m.tc);
    struct Reading {
        bool fromTop, centres;
        int looked = 0, agree = 0;
    };
    std::vector<Reading> readings = {{true, false}, {false, false}, {true, true}, {false, true}};
    for (Reading& r : readings) {
        for (int i = 0; i < m.tr; i += 3)
            for (int j = 0; j < m.tc; j += 3) {
                const double fx = r.centres ? (j + 0.5) / m.tc : double(j) / (m.tc - 1);
                const double fy = r.centres ? (i + 0.5) / m.tr : double(i) / (m.tr - 1);
                const double x = (fx - 0.5) * m.width, y = (r.fromTop ? 0.5 - fy : fy - 0.5) * m.height;
                V3 dir;
                if (!d.Look(x, y, &dir)) continue;
                ++r.looked;
                const size_t k = size_t(i) * m.tc + j;
                r.agree += AngleBetween(dir, FromLatLon(m.lat[k], m.lon[k])) < 0.25 * kDeg;
            }
    }
    const auto best = std::max_element(readings.begin(), readings.end(),
                                       [](const Reading& a, const Reading& b) { return a.agree < b.agree; });
    for (const Reading& r : readings) std::printf("reading top %d centres %d: %d of %d\n", r.fromTop, r.centres, r.agree, r.looked);
    ASSERT_GT(best->looked, 1000);
    EXPECT_GT(best->agree, best->looked * 98 / 100);
    for (const Reading& r : readings)
        if (&r != &*best) EXPECT_LT(r.agree, r.looked / 2);
}

// A face blends its corners on the solid and pushes the point out to the
// sphere; the published map blends latitude and longitude. The two differ
// by at most 0.022 degrees anywhere in a face (0.011 in the polar cells).
TEST(Danseiji, FacesDepartFromLinearCellsByLittle) {
    Danseiji& d = Map();
    ASSERT_TRUE(d.ready);
    const Mesh& m = Published();
    const NodePlaces places = PlaceNodes(m, false);
    const polyhedron* p = d.poly.get();
    double worst = 0, worstPolar = 0;
    for (int64_t f = 0; f < p->netFaceCount; ++f) {
        const PolyNetFace& nf = p->netFace[f];
        double la[3], lo[3];
        V3 q[3];
        for (int k = 0; k < 3; ++k) {
            const int n = int(nf.vertex[k]);
            la[k] = places.lat[n], lo[k] = places.lon[n];
            q[k] = FromLatLon(la[k] * kDeg, lo[k] * kDeg);
        }
        // Longitudes of one face on one side of the seam; a pole takes the
        // longitude of the meridian midway between the face's other corners.
        int ref = 0;
        while (std::fabs(la[ref]) == 90.0) ++ref;
        for (int k = 0; k < 3; ++k) {
            if (lo[k] - lo[ref] > 180) lo[k] -= 360;
            else if (lo[k] - lo[ref] < -180) lo[k] += 360;
        }
        bool polar = false;
        for (int k = 0; k < 3; ++k)
            if (std::fabs(la[k]) == 90.0) {
                lo[k] = 0.5 * (lo[(k + 1) % 3] + lo[(k + 2) % 3]);
                polar = true;
            }
        for (int i = 0; i <= 8; ++i)
            for (int j = 0; i + j <= 8; ++j) {
                const double w[3] = {i / 8.0, j / 8.0, (8 - i - j) / 8.0};
                const V3 chord = Unit({w[0] * q[0].x + w[1] * q[1].x + w[2] * q[2].x,
                                       w[0] * q[0].y + w[1] * q[1].y + w[2] * q[2].y,
                                       w[0] * q[0].z + w[1] * q[1].z + w[2] * q[2].z});
                const double pla = w[0] * la[0] + w[1] * la[1] + w[2] * la[2];
                const double plo = w[0] * lo[0] + w[1] * lo[1] + w[2] * lo[2];
                const double a = AngleBetween(chord, FromLatLon(pla * kDeg, plo * kDeg));
                (polar ? worstPolar : worst) = std::max(polar ? worstPolar : worst, a);
            }
    }
    std::printf("worst departure %.5f degrees, polar %.5f\n", worst / kDeg, worstPolar / kDeg);
    EXPECT_LE(worst, 0.0221 * kDeg);
    EXPECT_LE(worstPolar, 0.0221 * kDeg);
}

TEST(Danseiji, TablesAreCurrent) {
    ExpectGeneratedSourceIsCurrent("gen_danseiji", "polyhedra/generated/danseiji_iv.cpp");
}

}  // namespace
