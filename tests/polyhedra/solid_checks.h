// Checks shared by the solid tests, computed apart from the model's own
// queries: corner points, Newell normals, signed volume, running the
// standard tools (admesh, qconvex) on temporary files.
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/matrices.h"
#include "polyhedra/poly_queries.h"
#include "polyhedra/polyhedron.h"

namespace solid_checks {

inline triplex V(const polyhedron* p, int64_t face, int64_t k) { return grab_coordinatesOf3DFace(p, face, k); }
inline double Dot(triplex a, triplex b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline triplex Cross(triplex a, triplex b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double Len(triplex a) { return std::sqrt(Dot(a, a)); }

// Newell normal, computed here apart from the model's query.
inline triplex Normal(const polyhedron* p, int64_t f) {
    triplex n{0, 0, 0};
    const int64_t c = p->face3D[f].count;
    for (int64_t k = 0; k < c; ++k) {
        const triplex a = V(p, f, k), b = V(p, f, (k + 1) % c);
        n = Tadd(n, Cross(a, b));
    }
    return Tscale(n, 1.0 / Len(n));
}

inline double SignedVolume(const polyhedron* p) {
    double vol = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 1; k + 1 < p->face3D[f].count; ++k)
            vol += Dot(V(p, f, 0), Cross(V(p, f, k), V(p, f, k + 1))) / 6;
    return vol;
}

inline std::string RunCommand(const std::string& cmd) {
    std::string out;
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
    pclose(f);
    return out;
}

inline bool Have(const char* tool) { return RunCommand(std::string("command -v ") + tool).size() > 0; }

inline double Field(const std::string& text, const std::string& key) {
    const size_t at = text.find(key);
    if (at == std::string::npos) return NAN;
    size_t i = at + key.size();
    while (i < text.size() && (text[i] == ' ' || text[i] == ':')) ++i;
    return std::atof(text.c_str() + i);
}

inline std::string TempPath(const char* name) {
    return std::string("/tmp/vornesk-poly-") + std::to_string(getpid()) + "-" + name;
}

// qconvex with the options run on 3D points; its output.
inline std::string Qconvex(const std::vector<triplex>& points, const std::string& options) {
    const std::string path = TempPath("qhull-points.txt");
    {
        std::ofstream f(path);
        f.precision(17);
        f << "3\n" << points.size() << "\n";
        for (const triplex& p : points) f << p.x << " " << p.y << " " << p.z << "\n";
    }
    std::string out = RunCommand("qconvex " + options + " < '" + path + "'");
    std::remove(path.c_str());
    return out;
}

// A closed surface whose faces all run one way: every directed edge once
// and its reverse once, V - E + F = 2 and a positive volume.
inline void ExpectClosedAndOriented(const polyhedron* p, const std::string& what) {
    std::map<std::pair<int64_t, int64_t>, int> directed;
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        const int64_t n = p->face3D[f].count;
        for (int64_t k = 0; k < n; ++k) ++directed[{p->face3D[f].vertex[k], p->face3D[f].vertex[(k + 1) % n]}];
    }
    int bad = 0;
    for (const auto& [e, count] : directed)
        if (count != 1 || directed.count({e.second, e.first}) != 1) ++bad;
    EXPECT_EQ(bad, 0) << what << ": edges not in exactly two faces running opposite ways";
    const int64_t E = int64_t(directed.size()) / 2;
    EXPECT_EQ(p->vertexCount3D - E + p->faceCount3D, 2) << what;
    EXPECT_GT(SignedVolume(p), 0) << what;
}

// admesh's report on the solid written as an ASCII STL, each face a fan of
// triangles from its first corner.
inline std::string AdmeshReport(const polyhedron* p) {
    const std::string path = TempPath("fan.stl");
    {
        std::ofstream out(path);
        out.precision(17);
        out << "solid s\n";
        for (int64_t f = 0; f < p->faceCount3D; ++f)
            for (int64_t k = 1; k + 1 < p->face3D[f].count; ++k) {
                out << "facet normal 0 0 0\nouter loop\n";
                for (const triplex& q : {V(p, f, 0), V(p, f, k), V(p, f, k + 1)})
                    out << "vertex " << q.x << " " << q.y << " " << q.z << "\n";
                out << "endloop\nendfacet\n";
            }
        out << "endsolid s\n";
    }
    const std::string report = RunCommand("admesh '" + path + "' 2>&1");
    std::remove(path.c_str());
    return report;
}

// admesh finds one part, nothing to mend, and our volume.
inline void ExpectAdmeshClosed(const polyhedron* p, const std::string& what) {
    if (!Have("admesh")) return;
    const std::string report = AdmeshReport(p);
    EXPECT_EQ(Field(report, "Number of parts"), 1) << what << "\n" << report;
    EXPECT_EQ(Field(report, "Degenerate facets"), 0) << what;
    EXPECT_EQ(Field(report, "Facets reversed"), 0) << what;
    EXPECT_EQ(Field(report, "Backwards edges"), 0) << what;
    EXPECT_EQ(Field(report, "Edges fixed"), 0) << what;
    EXPECT_EQ(Field(report, "Total disconnected facets"), 0) << what;
    EXPECT_NEAR(Field(report, "Volume"), SignedVolume(p), 1e-4 * SignedVolume(p)) << what;
}

// Worst edge distance from 1, the mean tangent point's length, the worst
// distance of a corner from its face's plane; computed here apart from the
// canonicaliser.
struct Canonicity {
    double edge = 0, centre = 0, planar = 0, nearest = 1e300;
};

inline Canonicity Measure(const polyhedron* p) {
    Canonicity c;
    triplex mean{0, 0, 0};
    int64_t edges = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        const int64_t n = p->face3D[f].count;
        const triplex nrm = Normal(p, f);
        for (int64_t k = 0; k < n; ++k) {
            const triplex a = V(p, f, k), b = V(p, f, (k + 1) % n), d = Tsub(b, a);
            const triplex q = Tsub(a, Tscale(d, Dot(a, d) / Dot(d, d)));
            c.edge = std::max(c.edge, std::fabs(Len(q) - 1));
            c.nearest = std::min(c.nearest, Len(q));
            mean = Tadd(mean, q);
            ++edges;
            c.planar = std::max(c.planar, std::fabs(Dot(Tsub(a, V(p, f, 0)), nrm)));
        }
    }
    c.centre = edges ? Len(Tscale(mean, 1.0 / double(edges))) : 1e300;
    return c;
}


// A reflection: it squares to the identity and has determinant -1.
inline void ExpectReflection(const double* M) {
    double MM[16];
    Multiply4x4by4x4(M, M, MM);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(MM[i], i % 5 == 0 ? 1 : 0, 1e-12);
    EXPECT_NEAR(det4x4(M), -1, 1e-12);
}

}  // namespace solid_checks
