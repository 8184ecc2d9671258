// Nets grown from every solid the model builds, checked apart from the net
// code: each 3D face shows once with its own edge lengths and corner angles,
// no two net faces overlap (shapely reads a dump), glued edges pair one to
// one, fragments are connected and within the limit. An SVG of each net is
// written for a person to look at.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "net_solids.h"
#include "nets/net_grow.h"
#include "polyhedra/face_links.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

struct P2 {
    double x, y;
};

P2 NetPoint(const polyhedron* p, int64_t v) { return {p->coords2D[v][0], p->coords2D[v][1]}; }

double Angle3D(triplex a, triplex b, triplex c) {  // at b
    const triplex u = Tsub(a, b), w = Tsub(c, b);
    const double cs = Tdot_product(u, w) / (Tmagnitude(u) * Tmagnitude(w));
    return std::acos(std::fmax(-1.0, std::fmin(1.0, cs)));
}

double Angle2D(P2 a, P2 b, P2 c) {
    const double ux = a.x - b.x, uy = a.y - b.y, wx = c.x - b.x, wy = c.y - b.y;
    const double cs = (ux * wx + uy * wy) / (std::hypot(ux, uy) * std::hypot(wx, wy));
    return std::acos(std::fmax(-1.0, std::fmin(1.0, cs)));
}

void WriteSvg(const polyhedron* p, const std::string& path) {
    double minX = 1e30, maxX = -1e30, minY = 1e30, maxY = -1e30;
    for (int64_t f = 0; f < p->netFaceCount; ++f)
        for (int64_t k = 0; k < p->netFace[f].count; ++k) {
            const P2 q = NetPoint(p, p->netFace[f].vertex[k]);
            minX = std::fmin(minX, q.x), maxX = std::fmax(maxX, q.x);
            minY = std::fmin(minY, q.y), maxY = std::fmax(maxY, q.y);
        }
    const double s = 800 / std::fmax(maxX - minX, maxY - minY);
    std::ofstream out(path);
    out << "<svg xmlns='http://www.w3.org/2000/svg' width='" << int((maxX - minX) * s + 20) << "' height='"
        << int((maxY - minY) * s + 20) << "'>\n";
    for (int64_t f = 0; f < p->netFaceCount; ++f) {
        out << "<polygon fill='hsl(" << (p->netFace[f].fragment * 47) % 360
            << ",60%,80%)' stroke='black' stroke-width='0.5' points='";
        for (int64_t k = 0; k < p->netFace[f].count; ++k) {
            const P2 q = NetPoint(p, p->netFace[f].vertex[k]);
            out << 10 + (q.x - minX) * s << "," << 10 + (maxY - q.y) * s << " ";
        }
        out << "'/>\n";
    }
    out << "</svg>\n";
}

// Faces of the net whose interiors overlap, by shapely.
std::string NetFaceOverlaps(const polyhedron* p, const std::string& name) {
    std::vector<NetPiece> pieces;
    for (int64_t f = 0; f < p->netFaceCount; ++f) {
        NetPiece& piece = pieces.emplace_back(f, std::vector<std::pair<double, double>>{});
        for (int64_t k = 0; k < p->netFace[f].count; ++k) {
            const P2 q = NetPoint(p, p->netFace[f].vertex[k]);
            piece.second.push_back({q.x, q.y});
        }
    }
    return OverlapsByShapely(pieces, name);
}

class GrownNet : public ::testing::TestWithParam<NetSolid> {};

TEST_P(GrownNet, KeepsFacesSeparatesThemAndPairsGluedEdges) {
    const NetSolid c = GetParam();
    PolyPtr p = BuildSolid(c.code);
    ASSERT_TRUE(p);
    ASSERT_GT(p->faceCount3D, 0);
    Build2DNet(p.get());
    ASSERT_EQ(p->status, kPolyStatusGood);
    EXPECT_EQ(p->netBuilt, 1);
    EXPECT_GE(p->fragmentCount, 1);
    EXPECT_LE(p->fragmentCount, 24);

    // Each 3D face in exactly one net face, with its lengths and angles.
    std::vector<int> shown(size_t(p->faceCount3D), 0);
    for (int64_t n = 0; n < p->netFaceCount; ++n) {
        const PolyNetFace& N = p->netFace[n];
        ASSERT_GE(N.face3D, 0);
        ASSERT_LT(N.face3D, p->faceCount3D);
        ++shown[size_t(N.face3D)];
        const PolyFace3D& F = p->face3D[N.face3D];
        ASSERT_EQ(N.count, F.count);
        EXPECT_EQ(F.netFace, n);
        for (int64_t k = 0; k < N.count; ++k) {
            auto s3 = [&](int64_t i) { return p->coords3D[F.vertex[(i + N.vertexOffset + 2 * F.count) % F.count]]; };
            auto s2 = [&](int64_t i) { return NetPoint(p.get(), N.vertex[(i + 2 * N.count) % N.count]); };
            const double l3 = Tdistance(s3(k), s3(k + 1));
            const double l2 = std::hypot(s2(k + 1).x - s2(k).x, s2(k + 1).y - s2(k).y);
            EXPECT_NEAR(l2, l3, 1e-5 * l3) << c.name << " net face " << n << " edge " << k;
            const double a3 = Angle3D(s3(k - 1), s3(k), s3(k + 1)), a2 = Angle2D(s2(k - 1), s2(k), s2(k + 1));
            EXPECT_NEAR(a2, a3, 1e-5 * std::fmax(a3, 1.0)) << c.name << " net face " << n << " corner " << k;
        }
    }
    for (int64_t f = 0; f < p->faceCount3D; ++f) EXPECT_EQ(shown[size_t(f)], 1) << c.name << " 3D face " << f;

    // Glued edges: joined in the net, or two outline edges; never across a cut.
    int64_t linked = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        const PolyFace3D& F = p->face3D[f];
        const int64_t nf = F.netFace;
        for (int64_t e = 0; e < F.count; ++e) {
            const int64_t g = F.neighbour[e];
            if (g < 0) continue;
            ++linked;
            const PolyFace3D& G = p->face3D[g];
            const int64_t m = (F.neighbourEdge[e] + G.count - 1) % G.count;
            const int64_t ng = G.netFace;
            const bool joined = p->netFace[nf].neighbour[e] == ng && p->netFace[ng].neighbour[m] == nf;
            if (joined) {
                EXPECT_FALSE((F.edgeFlags[e] | G.edgeFlags[m]) & kEdgeCut) << c.name << " face " << f;
                EXPECT_EQ(p->netFace[nf].fragment, p->netFace[ng].fragment);
            } else {
                EXPECT_EQ(p->netFace[nf].neighbour[e], -1) << c.name << " face " << f << " edge " << e;
                EXPECT_EQ(p->netFace[ng].neighbour[m], -1) << c.name << " face " << g << " edge " << m;
            }
        }
    }
    EXPECT_GT(linked, 0);

    // Every fragment is connected through its net links.
    std::map<int, std::vector<int64_t>> byFragment;
    for (int64_t n = 0; n < p->netFaceCount; ++n) byFragment[p->netFace[n].fragment].push_back(n);
    EXPECT_EQ(int64_t(byFragment.size()), p->fragmentCount);
    for (auto& [fragment, faces] : byFragment) {
        EXPECT_GE(fragment, 1);
        std::set<int64_t> seen{faces[0]};
        std::vector<int64_t> todo{faces[0]};
        while (!todo.empty()) {
            const int64_t n = todo.back();
            todo.pop_back();
            for (int64_t k = 0; k < p->netFace[n].count; ++k) {
                const int64_t q = p->netFace[n].neighbour[k];
                if (q >= 0 && seen.insert(q).second) todo.push_back(q);
            }
        }
        EXPECT_EQ(seen.size(), faces.size()) << c.name << " fragment " << fragment;
    }

    std::string name = c.name;
    for (char& ch : name)
        if (ch == ' ') ch = '_';
    WriteSvg(p.get(), NetOutDir() + "/" + name + ".svg");
    const std::string report = NetFaceOverlaps(p.get(), name);
    EXPECT_NE(report.find("checked " + std::to_string(p->netFaceCount)), std::string::npos) << report;
    EXPECT_EQ(report.find("overlap"), std::string::npos) << c.name << ":\n" << report;
}

INSTANTIATE_TEST_SUITE_P(Solids, GrownNet, ::testing::ValuesIn(kNetSolids), [](const auto& info) {
    std::string s = info.param.name;
    for (char& ch : s)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return s;
});

}  // namespace
