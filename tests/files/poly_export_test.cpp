// Polyhedron exports read back by readers of our own (an OBJ parser, a
// Mathematica tokenizer) and by standard tools (admesh for the STL, ezdxf
// for the DXF, djpeg for the texture), checked against the solid itself:
// areas, volumes, normals and the net's similarity to the faces.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "files/export_entry.h"
#include "files/file_names.h"
#include "files/poly_export.h"
#include "host_access/FilterBigDocument.h"
#include "polyhedra/goldberg.h"
#include "polyhedra/poly_store.h"
#include "polyhedra/polyhedron_params.h"
#include "platform/host/result_codes.h"
#include "solids/poly_setup.h"
#include "tests/files/poly_export_support.h"
#include "tests/projections/earth_fixture.h"

namespace {

using namespace polytest;

ExportHooks Hooks() {
    ExportHooks h;
    h.modeWords.name = [](int64_t mode) { return mode == 7 ? "cube" : mode == 10 ? "icosahedron" : "some solid"; };
    h.genericWord = [](int64_t mode) { return mode == 7 ? "hexahedron" : ""; };
    return h;
}

// Builds the mode's solid as the OBJ writer will (so it keeps the build).
void BuildAsTheWriter(PolyRig& rig, int32_t mode) {
    rig.params->outputMode = mode;
    BuildSolidForExport(mode);
}

// One file of the current output mode's solid as the polyhedron export
// writes it, with its writer, the file's name and the mode's words: 0, or
// the writer's error.
enum class PolyFile { kOBJ, kSTL, kDXF, kText };
int WritePolyFile(const std::string& path, PolyFile kind) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return writErr;
    const ExportHooks hooks = Hooks();
    const int64_t mode = gParams->outputMode;
    char fileName[1024];
    FileZerp_MacPath_toCString(path.c_str(), fileName, sizeof fileName);
    switch (kind) {  // each writer closes the descriptor
        case PolyFile::kOBJ: return WriteOBJFile_polyhedron_Thingie(fd, fileName, mode);
        case PolyFile::kSTL: return WriteSTLFile_polyhedron_Thingie(fd, hooks.modeWords.name(mode));
        case PolyFile::kDXF:
            return WriteDXFFile_polyhedron_Thingie(fd, hooks.modeWords.name(mode), hooks.genericWord(mode));
        case PolyFile::kText:
            return WriteMathematicaTextFile_polyhedron_Thingie(fd, mode, hooks.modeWords.name(mode),
                                                               hooks.genericWord(mode));
    }
    return paramErr;
}

// Shows 3D face 0 a second time, in a fragment of its own after the others:
// new net vertices beside the net and copies of its triangles.
void AddSecondCopyOfFaceZero(polyhedron* p) {
    int64_t nf = -1;
    for (int64_t i = 0; i < p->netFaceCount; ++i)
        if (p->netFace[i].face3D == 0) nf = i;
    ASSERT_GE(nf, 0);
    const PolyNetFace original = p->netFace[nf];
    PolyNetFace copy = original;
    int64_t next = 0;
    for (int64_t v = 0; v < kMax2DVertices; ++v)
        if (p->netVertexUsed[v]) next = v + 1;
    std::map<int64_t, int64_t> moved;
    for (int64_t k = 0; k < original.count; ++k) {
        const int64_t v = original.vertex[k], w = next++;
        moved[v] = w;
        p->netVertex[w] = p->netVertex[v];
        p->netVertex[w].x += 5.0f;
        p->coords2D[w][0] = p->coords2D[v][0] + 5.0;
        p->coords2D[w][1] = p->coords2D[v][1];
        p->netVertexUsed[w] = 1;
        p->netVertexSolid[w] = p->netVertexSolid[v];
        copy.vertex[k] = w;
    }
    const int64_t newFace = p->netFaceCount++;
    copy.fragment = int16_t(p->fragmentCount + 1);
    p->netFace[newFace] = copy;
    const int64_t triangles = p->netTriangleCount;
    for (int64_t t = 0; t < triangles; ++t) {
        if (p->netTriangle[t].netFace != nf || p->netTriangle[t].isTab) continue;
        PolyNetTriangle tri = p->netTriangle[t];
        for (int64_t& v : tri.vertex) v = moved[v];
        tri.netFace = int16_t(newFace);
        tri.fragment = copy.fragment;
        p->netTriangle[p->netTriangleCount++] = tri;
    }
}

// The 3D face whose corners include all three vertices, -1 when none.
int64_t FaceHolding(const polyhedron* p, const std::array<ObjCorner, 3>& f) {
    for (int64_t face = 0; face < p->faceCount3D; ++face) {
        int found = 0;
        for (const ObjCorner& c : f)
            for (int64_t k = 0; k < p->face3D[face].count; ++k)
                if (p->face3D[face].vertex[k] == c.v - 1) {
                    ++found;
                    break;
                }
        if (found == 3) return face;
    }
    return -1;
}

double TriangleArea(const Vec& a, const Vec& b, const Vec& c) { return 0.5 * Length(Cross(Minus(b, a), Minus(c, a))); }

// The solid's own measures from its raw vertices: the scale that makes the
// largest side of the used vertices' box 2, the area of each face and the volume.
struct SolidMeasures {
    double scale = 0, volume = 0;
    std::vector<double> area;
    std::vector<Vec> raw;
};

SolidMeasures Measure(const polyhedron* p) {
    SolidMeasures m;
    Vec lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300};
    for (int64_t v = 0; v < kMax3DVertices; ++v) m.raw.push_back({p->coords3D[v].x, p->coords3D[v].y, p->coords3D[v].z});
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 0; k < p->face3D[f].count; ++k)
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], m.raw[p->face3D[f].vertex[k]][a]);
                hi[a] = std::max(hi[a], m.raw[p->face3D[f].vertex[k]][a]);
            }
    m.scale = 2.0 / std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        const PolyFace3D& face = p->face3D[f];
        double area = 0;
        const Vec& a = m.raw[face.vertex[0]];
        for (int64_t k = 1; k + 1 < face.count; ++k) {
            const Vec& b = m.raw[face.vertex[k]];
            const Vec& c = m.raw[face.vertex[k + 1]];
            area += TriangleArea(a, b, c);
            m.volume += Dot(a, Cross(b, c)) / 6.0;
        }
        m.area.push_back(area);
    }
    m.volume = std::fabs(m.volume);
    return m;
}

struct Case {
    const char* what;
    int32_t mode;
    bool mirror;
    bool secondCopy;
};

const Case kSolids[] = {
    {"tetrahedron", 6, false, false},  {"cube", 7, false, false},
    {"octahedron", 8, false, false},   {"dodecahedron", 9, false, false},
    {"icosahedron", 10, false, false}, {"mirrored octahedron", 8, true, false},
    {"cube with face 0 twice", 7, false, true},
};

void CheckObj(const polyhedron* p, const SolidMeasures& m, const ObjFile& o, bool mirror) {
    ASSERT_TRUE(o.wellFormed) << o.problem;
    // Every index within the lines written.
    for (const auto& f : o.f)
        for (const ObjCorner& c : f) {
            ASSERT_GE(c.v, 1);
            ASSERT_LE(c.v, long(o.v.size()));
            ASSERT_GE(c.vt, 1);
            ASSERT_LE(c.vt, long(o.vt.size()));
            ASSERT_GE(c.vn, 1);
            ASSERT_LE(c.vn, long(o.vn.size()));
        }
    EXPECT_EQ(o.vn.size(), o.f.size());
    // Centred, the largest side exactly 2.
    Vec lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const Vec& v : o.v)
        for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], v[a]), hi[a] = std::max(hi[a], v[a]);
    EXPECT_NEAR(std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]}), 2.0, 1e-6);
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(lo[a] + hi[a], 0.0, 1e-6) << "axis " << a;
    // The frame: a written vertex is the raw one centred, scaled and, with
    // the mirror flag clear, with x negated (north stays +y; the face lines
    // then run backwards, which the normals below check).
    {
        Vec rlo{1e9, 1e9, 1e9}, rhi{-1e9, -1e9, -1e9};
        for (size_t v = 0; v < o.v.size(); ++v)
            for (int a = 0; a < 3; ++a) rlo[a] = std::min(rlo[a], m.raw[v][a]), rhi[a] = std::max(rhi[a], m.raw[v][a]);
        for (size_t v = 0; v < o.v.size(); ++v) {
            Vec q;
            for (int a = 0; a < 3; ++a) q[a] = m.scale * (m.raw[v][a] - 0.5 * (rlo[a] + rhi[a]));
            if (!mirror) q[0] = -q[0];
            for (int a = 0; a < 3; ++a) EXPECT_NEAR(o.v[v][a], q[a], 1e-6) << "vertex " << v;
        }
    }
    // Each face covered once: its triangles add up to its scaled area.
    std::vector<double> covered(size_t(p->faceCount3D), 0.0);
    double netScale = -1;
    for (size_t i = 0; i < o.f.size(); ++i) {
        const auto& f = o.f[i];
        const Vec a = o.v[f[0].v - 1], b = o.v[f[1].v - 1], c = o.v[f[2].v - 1];
        const int64_t face = FaceHolding(p, f);
        ASSERT_GE(face, 0) << "face line " << i;
        covered[size_t(face)] += TriangleArea(a, b, c);
        // The normal: unit, (b - a) x (c - b) recomputed, outward.
        const Vec& n = o.vn[f[0].vn - 1];
        EXPECT_EQ(f[0].vn, long(i) + 1);
        EXPECT_NEAR(Length(n), 1.0, 1e-6);
        Vec r = Cross(Minus(b, a), Minus(c, b));
        const double len = Length(r);
        for (double& x : r) x /= len;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(n[k], r[k], 1e-6) << "normal of face line " << i;
        Vec centroid{(a[0] + b[0] + c[0]) / 3, (a[1] + b[1] + c[1]) / 3, (a[2] + b[2] + c[2]) / 3};
        EXPECT_GT(Dot(n, centroid), 0.0) << "face line " << i << " faces inwards";
        // The net triangle is similar to the face triangle, one scale for all.
        const auto& ta = o.vt[f[0].vt - 1];
        const auto& tb = o.vt[f[1].vt - 1];
        const auto& tc = o.vt[f[2].vt - 1];
        for (const auto* t : {&ta, &tb, &tc})
            for (double u : *t) {
                EXPECT_GE(u, 0.0);
                EXPECT_LE(u, 1.0);
            }
        const double e3[3] = {Length(Minus(b, a)), Length(Minus(c, b)), Length(Minus(a, c))};
        const double e2[3] = {std::hypot(tb[0] - ta[0], tb[1] - ta[1]), std::hypot(tc[0] - tb[0], tc[1] - tb[1]),
                              std::hypot(ta[0] - tc[0], ta[1] - tc[1])};
        for (int k = 0; k < 3; ++k) {
            const double s = e2[k] / e3[k];
            if (netScale < 0) netScale = s;
            EXPECT_NEAR(s / netScale, 1.0, 2e-4) << "edge " << k << " of face line " << i;
        }
    }
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        EXPECT_NEAR(covered[size_t(f)], m.area[size_t(f)] * m.scale * m.scale, 1e-5) << "face " << f;
}

TEST(PolyhedronExport, SolidsReadBackByParsersAndTools) {
    const TempFolder folder;
    for (const Case& c : kSolids) {
        SCOPED_TRACE(c.what);
        PolyRig rig;
        BuildAsTheWriter(rig, c.mode);
        polyhedron* p = rig.poly();
        ASSERT_GT(p->netTriangleCount, 0);
        if (c.mirror) p->mirror = 1;
        if (c.secondCopy) AddSecondCopyOfFaceZero(p);
        const std::string stem = folder / (std::string(c.what) + " " + std::to_string(c.mode));
        ASSERT_EQ(WritePolyFile(stem + ".obj", PolyFile::kOBJ), 0);
        ASSERT_EQ(WritePolyFile(stem + ".stl", PolyFile::kSTL), 0);
        ASSERT_EQ(WritePolyFile(stem + ".dxf", PolyFile::kDXF), 0);
        ASSERT_EQ(WritePolyFile(stem + ".txt", PolyFile::kText), 0);
        ASSERT_EQ(p->mirror, c.mirror ? 1 : 0) << "the writers rebuilt the solid";
        const SolidMeasures m = Measure(p);

        const ObjFile o = ParseObj(stem + ".obj");
        CheckObj(p, m, o, c.mirror);
        int64_t triangles = 0;
        for (int64_t f = 0; f < p->faceCount3D; ++f) triangles += p->face3D[f].count - 2;
        EXPECT_EQ(int64_t(o.f.size()), triangles) << "one face line per triangle of each face";

        // admesh: one closed part, nothing to mend, the volume of the solid.
        const std::string report = Shell("admesh '" + stem + ".stl'");
        auto figure = [&report](const std::string& label) {
            const std::regex re(label + R"(\s*:\s*(-?[0-9.eE+-]+))");
            std::smatch match;
            return std::regex_search(report, match, re) ? std::stod(match[1]) : -1.0;
        };
        EXPECT_EQ(figure("Number of facets"), double(o.f.size())) << report;
        EXPECT_EQ(figure("Number of parts"), 1.0) << report;
        for (const char* label : {"Degenerate facets", "Edges fixed", "Facets removed", "Facets added",
                                  "Facets reversed", "Backwards edges"})
            EXPECT_EQ(figure(label), 0.0) << label << "\n" << report;
        EXPECT_NEAR(figure("Volume"), m.volume * m.scale * m.scale * m.scale, 1e-3) << report;
        Vec low{1e9, 1e9, 1e9};
        for (const Vec& v : StlVertices(stem + ".stl"))
            for (int a = 0; a < 3; ++a) low[a] = std::min(low[a], v[a]);
        for (int a = 0; a < 3; ++a) EXPECT_EQ(low[a], 0.0) << "axis " << a;

        // ezdxf: version, no audit error, one 3DFACE per face line, corners
        // the raw vertices of the face line in the OBJ's frame.
        const std::string dxf = Shell("/usr/bin/python3 -c \""
                                      "import sys, ezdxf\n"
                                      "doc = ezdxf.readfile(sys.argv[1])\n"
                                      "a = doc.audit()\n"
                                      "print('version', doc.dxfversion, 'errors', len(a.errors))\n"
                                      "for e in doc.modelspace().query('3DFACE'):\n"
                                      "    print('face', *[c for i in range(4) for c in e.dxf.get('vtx%d' % i)])\n"
                                      "\" '" + stem + ".dxf'");
        EXPECT_NE(dxf.find("version AC1009 errors 0"), std::string::npos) << dxf;
        std::istringstream lines(dxf);
        std::string word;
        size_t faces = 0;
        while (lines >> word) {
            if (word != "face") continue;
            ASSERT_LT(faces, o.f.size());
            const auto& f = o.f[faces++];
            for (int k = 0; k < 4; ++k) {
                Vec q;
                lines >> q[0] >> q[1] >> q[2];
                const Vec& r = m.raw[f[std::min(k, 2)].v - 1];
                EXPECT_NEAR(q[0], c.mirror ? r[0] : -r[0], 1e-6);
                EXPECT_NEAR(q[1], r[1], 1e-6);
                EXPECT_NEAR(q[2], r[2], 1e-6);
            }
        }
        EXPECT_EQ(faces, o.f.size()) << dxf;

        // Mathematica: the lists parse; pts are the OBJ's points; the net
        // lists agree in length and every net face index is in range.
        const MathematicaFile mm = ParseMathematica(ReadText(stem + ".txt"));
        ASSERT_TRUE(mm.ok) << mm.problem;
        EXPECT_EQ(mm.order, (std::vector<std::string>{"pts", "faces", "normals", "centroids", "pts2Dnet",
                                                      "sourceOf2DnetPts", "faces2Dnet"}));
        const MValue& pts = mm.definitions.at("pts");
        ASSERT_EQ(pts.items.size(), o.v.size());
        for (size_t v = 0; v < o.v.size(); ++v)
            for (int a = 0; a < 3; ++a) EXPECT_NEAR(pts.items[v].items[a].number, o.v[v][a], 1e-6);
        EXPECT_EQ(mm.definitions.at("faces").items.size(), size_t(p->faceCount3D));
        const size_t netPoints = mm.definitions.at("pts2Dnet").items.size();
        EXPECT_EQ(netPoints, mm.definitions.at("sourceOf2DnetPts").items.size());
        for (const MValue& face : mm.definitions.at("faces2Dnet").items)
            for (const MValue& i : face.items) {
                EXPECT_GE(i.number, 1.0);
                EXPECT_LE(i.number, double(netPoints));
            }
        // The normals are unit vectors.
        for (const MValue& n : mm.definitions.at("normals").items) {
            const double len = std::sqrt(n.items[0].number * n.items[0].number +
                                         n.items[1].number * n.items[1].number + n.items[2].number * n.items[2].number);
            EXPECT_NEAR(len, 1.0, 1e-5);
        }
    }
}

// A vertex no face uses (a scissor mark's centre, say) keeps its "v" line,
// so face indices keep their meaning, but moves neither the box, the scale
// nor the STL's corner; a net face naming no solid face (-1 or an index past
// the face table) exports nothing.
TEST(PolyhedronExport, VerticesNoFaceUsesAndFacesOfNoSolidFaceMoveNothing) {
    const TempFolder folder;
    PolyRig rig;
    BuildAsTheWriter(rig, 7);
    polyhedron* p = rig.poly();
    ASSERT_EQ(p->storageFlag, 1);
    int64_t high = -1;
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 0; k < p->face3D[f].count; ++k) high = std::max(high, p->face3D[f].vertex[k]);
    // Vertex `high` moves far away and out of use; its faces take a copy at high + 1.
    p->coords3D[high + 1] = p->coords3D[high];
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 0; k < p->face3D[f].count; ++k)
            if (p->face3D[f].vertex[k] == high) p->face3D[f].vertex[k] = high + 1;
    p->coords3D[high] = triplex{100.0, -50.0, 30.0};
    ASSERT_EQ(WritePolyFile(folder / "a.obj", PolyFile::kOBJ), 0);
    ObjFile o = ParseObj(folder / "a.obj");
    ASSERT_TRUE(o.wellFormed) << o.problem;
    EXPECT_EQ(o.v.size(), size_t(high + 2));
    EXPECT_EQ(o.f.size(), 12u);
    Vec lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const auto& f : o.f)
        for (const ObjCorner& c : f)
            for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], o.v[c.v - 1][a]), hi[a] = std::max(hi[a], o.v[c.v - 1][a]);
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(hi[a] - lo[a], 2.0, 1e-6) << "axis " << a;
        EXPECT_NEAR(hi[a] + lo[a], 0.0, 1e-6) << "axis " << a;
    }
    ASSERT_EQ(WritePolyFile(folder / "a.stl", PolyFile::kSTL), 0);
    for (const Vec& v : StlVertices(folder / "a.stl"))
        for (int a = 0; a < 3; ++a) {
            EXPECT_GE(v[a], 0.0);
            EXPECT_LE(v[a], 2.0 + 1e-9);
        }

    // The net faces of solid face 0 name no face: its triangles go.
    for (int64_t none : {int64_t(-1), int64_t(30000)}) {
        for (int64_t nf = 0; nf < p->netFaceCount; ++nf)
            if (p->netFace[nf].face3D == 0 || p->netFace[nf].face3D == -1 || p->netFace[nf].face3D == 30000)
                p->netFace[nf].face3D = none;
        ASSERT_EQ(WritePolyFile(folder / "b.obj", PolyFile::kOBJ), 0);
        o = ParseObj(folder / "b.obj");
        ASSERT_TRUE(o.wellFormed) << o.problem;
        EXPECT_EQ(o.f.size(), 10u) << none;
    }
}

// The Goldberg and quad solids (modes 420-545) are many, and the larger
// take seconds to finish: the sweep takes the second solid of each family's
// run on each base (the first of a run can be the base solid itself), which
// shows every family and base; every code is built in bench_goldberg.
int64_t ShapecodeOfMode(int32_t mode) {
    polyhedron_params pp{};
    get_polyhedron_params_from_output_mode(mode, &pp);
    return pp.shapeCode;
}
bool SweepTakes(int32_t mode) {
    GoldbergForm form{};
    return !GoldbergFormOfShapecode(ShapecodeOfMode(mode), &form) || form.order == 2;
}

using GoldbergFamilyAndBase = std::set<std::pair<int32_t, int64_t>>;

// The Goldberg and quad family and base of a mode's solid, from its code.
void AddFamilyAndBase(int64_t shapeCode, GoldbergFamilyAndBase* forms) {
    GoldbergForm form{};
    if (GoldbergFormOfShapecode(shapeCode, &form)) forms->insert({form.family, form.base});
}

// The sweep runs in shards, the modes m with m % kExportShards == shard
// each, side by side. Each shard builds at least its share of the 100
// solids the whole sweep must build, so that together they build them all.
constexpr int32_t kExportShards = 4;

class ExportShard : public ::testing::TestWithParam<int32_t> {};

// Every solid this build makes for an exportable mode: the face lines name
// written lines only, the texture coordinates lie in the picture, the face
// lines cover the solid's faces exactly (by area), each net triangle of a
// flat face is similar to its face triangle within 1%, and convex solids
// face outwards. A face the net leaves out (a flat wall through the centre
// that closes a ball) would be written without texture coordinates. The STL
// passes admesh with nothing to mend and has no flat facet. The Goldberg
// and quad solids built show every family and base their modes name.
TEST_P(ExportShard, EverySolidThisBuildMakesExportsWhole) {
    const TempFolder folder;
    PolyRig rig;
    rig.params->renderDestination = kRenderToHost;  // as the command line builds them
    int built = 0, walls = 0;
    GoldbergFamilyAndBase goldbergs, named;
    for (int32_t mode = 1; mode <= 1050; ++mode) {
        if (mode % kExportShards != GetParam() || !IsExportablePolyhedron(mode) || !SweepTakes(mode)) continue;
        AddFamilyAndBase(ShapecodeOfMode(mode), &named);
        rig.params->outputMode = mode;
        if (!BuildSolidForExport(gParams->outputMode)) continue;
        ++built;
        SCOPED_TRACE(::testing::Message() << "mode " << mode);
        const polyhedron* p = rig.poly();
        AddFamilyAndBase(p->shapeCode, &goldbergs);
        ASSERT_FALSE(p->coords2D == nullptr);
        ASSERT_EQ(WritePolyFile(folder / "s.obj", PolyFile::kOBJ), 0);
        const ObjFile o = ParseObj(folder / "s.obj");
        ASSERT_TRUE(o.wellFormed) << o.problem;
        const double merge = NetMergeToleranceForShapecode(p->shapeCode);
        double covered = 0, worstSpread = 1, worstSliverError = 0;
        int inward = 0;
        for (const auto& f : o.f) {
            const bool textured = f[0].vt > 0;
            for (const ObjCorner& c : f) {
                ASSERT_TRUE(c.v >= 1 && c.v <= long(o.v.size()) && c.vt >= 0 && c.vt <= long(o.vt.size()) &&
                            c.vn >= 1 && c.vn <= long(o.vn.size()));
                ASSERT_EQ(c.vt > 0, textured);
                if (textured) {
                    for (double u : o.vt[c.vt - 1]) ASSERT_TRUE(u >= 0.0 && u <= 1.0) << u;
                }
            }
            const Vec a = o.v[f[0].v - 1], b = o.v[f[1].v - 1], c = o.v[f[2].v - 1];
            covered += TriangleArea(a, b, c);
            const Vec centre{(a[0] + b[0] + c[0]) / 3, (a[1] + b[1] + c[1]) / 3, (a[2] + b[2] + c[2]) / 3};
            if (!textured) {
                // Only a closing wall goes untextured.
                const int64_t face = FaceHolding(p, f);
                ASSERT_GE(face, 0);
                EXPECT_TRUE(p->face3D[face].noSeed);
                ++walls;
                continue;
            }
            inward += Dot(o.vn[f[0].vn - 1], centre) < 0.0;
            // Net edges in net units, the face's edges scaled by the
            // triangle's longest edge.
            double net[3], edge[3];
            int longest = 0;
            for (int k = 0; k < 3; ++k) {
                const int64_t n0 = f[k].vt - 1, n1 = f[(k + 1) % 3].vt - 1;
                net[k] = std::hypot(p->coords2D[n1][0] - p->coords2D[n0][0], p->coords2D[n1][1] - p->coords2D[n0][1]);
                edge[k] = Length(Minus(o.v[f[(k + 1) % 3].v - 1], o.v[f[k].v - 1]));
                if (edge[k] > edge[longest]) longest = k;
            }
            double lo = 1e300, hi = 0, shortest = 1e300, error = 0;
            for (int k = 0; k < 3; ++k) {
                shortest = std::min(shortest, net[k]);
                if (edge[longest] > 0) error = std::max(error, std::fabs(net[k] - net[longest] / edge[longest] * edge[k]));
            }
            for (int k = 0; k < 3; ++k) {
                const auto& p2 = o.vt[f[k].vt - 1];
                const auto& q2 = o.vt[f[(k + 1) % 3].vt - 1];
                if (edge[k] < 1e-6) continue;
                const double ratio = std::hypot(q2[0] - p2[0], q2[1] - p2[1]) / edge[k];
                lo = std::min(lo, ratio);
                hi = std::max(hi, ratio);
            }
            // The net lays a triangle's corners onto net points within its
            // merging distance, so a sliver a few such distances across
            // cannot keep its shape to 1%: its edges keep their lengths to
            // that distance at each end instead.
            if (shortest < 10 * merge) {
                worstSliverError = std::max(worstSliverError, error / merge);
            } else if (hi > 0) {
                worstSpread = std::max(worstSpread, hi / lo);
            }
        }
        // Each face's area from its own corners (Newell's normal of the
        // polygon), and how far its corners leave its plane.
        double faces = 0, offPlane = 0;
        for (int64_t f = 0; f < p->faceCount3D; ++f) {
            const PolyFace3D& F = p->face3D[f];
            Vec n{0, 0, 0};
            for (int64_t k = 0; k < F.count; ++k) {
                const Vec& a = o.v[F.vertex[k]];
                const Vec& b = o.v[F.vertex[(k + 1) % F.count]];
                n = {n[0] + (a[1] - b[1]) * (a[2] + b[2]), n[1] + (a[2] - b[2]) * (a[0] + b[0]),
                     n[2] + (a[0] - b[0]) * (a[1] + b[1])};
            }
            faces += 0.5 * Length(n);
            const double len = Length(n);
            for (int64_t k = 0; len > 0 && k < F.count; ++k)
                offPlane = std::max(offPlane, std::fabs(Dot(Minus(o.v[F.vertex[k]], o.v[F.vertex[0]]), n)) / len);
        }
        EXPECT_NEAR(covered, faces, 1e-3 * std::max(1.0, faces));
        // The STL as a printer's tools read it: admesh finds nothing to
        // mend (its normals from the corners as written agree with ours),
        // and no facet is flat: none has its corners on one line.
        ASSERT_EQ(WritePolyFile(folder / "s.stl", PolyFile::kSTL), 0);
        const std::string report = Shell("admesh '" + (folder / "s.stl") + "'");
        for (const char* label : {"Degenerate facets", "Edges fixed", "Facets removed", "Facets added",
                                  "Facets reversed", "Backwards edges", "Normals fixed"}) {
            const std::regex re(std::string(label) + R"(\s*:\s*(-?[0-9]+))");
            std::smatch match;
            ASSERT_TRUE(std::regex_search(report, match, re)) << label << "\n" << report;
            EXPECT_EQ(match[1], "0") << label;
        }
        const std::vector<Vec> stl = StlVertices(folder / "s.stl");
        double flattest = 1;
        for (size_t i = 0; i + 2 < stl.size(); i += 3) {
            const Vec e[3] = {Minus(stl[i + 1], stl[i]), Minus(stl[i + 2], stl[i + 1]), Minus(stl[i], stl[i + 2])};
            const double len[3] = {Length(e[0]), Length(e[1]), Length(e[2])};
            const int longest = len[0] >= len[1] && len[0] >= len[2] ? 0 : len[1] >= len[2] ? 1 : 2;
            const double u = len[(longest + 1) % 3], v = len[(longest + 2) % 3];
            flattest = std::min(flattest, u > 0 && v > 0 ? Length(Cross(e[0], e[1])) / (u * v) : 0.0);
        }
        EXPECT_GT(flattest, 1e-4) << "sine of the largest angle of the flattest facet";
        // Each net triangle is its face's triangle to some scale (a face that
        // is not flat cannot lie in the net unbent).
        if (offPlane < 1e-4) {
            EXPECT_LT(worstSpread, 1.01);
            EXPECT_LE(worstSliverError, 2.0);
        }
        if (p->allConvex && !p->hasConcaveEdge) {
            EXPECT_EQ(inward, 0);
        }
    }
    EXPECT_GE(built * kExportShards, 100) << "solids built";
    // No solid this build exports is closed by a wall any more (the tattoo
    // balls' pieces meet edge to edge).
    EXPECT_EQ(walls, 0) << "balls closed by a wall";
    EXPECT_EQ(goldbergs, named) << "Goldberg and quad families and bases";
}

INSTANTIATE_TEST_SUITE_P(PolyhedronExport, ExportShard, ::testing::Range<int32_t>(0, kExportShards));

// The modes the shards sweep name 18 Goldberg and quad families and bases.
TEST(PolyhedronExport, TheSweepNamesEveryGoldbergFamilyAndBase) {
    GoldbergFamilyAndBase named;
    for (int32_t mode = 1; mode <= 1050; ++mode) {
        if (IsExportablePolyhedron(mode) && SweepTakes(mode)) AddFamilyAndBase(ShapecodeOfMode(mode), &named);
    }
    EXPECT_EQ(named.size(), 18u);
}

// The work area's solid does not depend on the one built before it: the
// Waterman and rhombic hexecontahedron tables set slicing and spin modes
// that once carried over into a Goldberg solid (its net then had too many
// fragments to export) and into the Voronoi and Truchet nets.
TEST(PolyhedronExport, ASolidBuiltAfterAnotherIsTheSolidBuiltFresh) {
    for (const auto& [before, mode] : {std::pair{408, 437}, std::pair{408, 541}, std::pair{292, 177}, std::pair{292, 200}}) {
        PolyRig fresh;
        fresh.params->outputMode = mode;
        ASSERT_TRUE(BuildSolidForExport(gParams->outputMode)) << mode;
        const polyhedron* f = fresh.poly();
        const std::array<int64_t, 4> expected{f->status, f->fragmentCount, f->netTriangleCount, f->allConvex};
        PolyRig rig;
        rig.params->outputMode = before;
        ASSERT_TRUE(BuildSolidForExport(gParams->outputMode)) << before;
        rig.params->outputMode = mode;
        EXPECT_TRUE(BuildSolidForExport(gParams->outputMode)) << mode << " after " << before;
        const polyhedron* p = rig.poly();
        EXPECT_EQ((std::array<int64_t, 4>{p->status, p->fragmentCount, p->netTriangleCount, p->allConvex}), expected)
            << mode << " after " << before;
    }
}

TEST(PolyhedronExport, EmptySolidWritesOnlyTheFrames) {
    const TempFolder folder;
    PolyRig rig;
    rig.params->outputMode = 1;  // no solid
    ASSERT_EQ(WritePolyFile(folder / "e.stl", PolyFile::kSTL), 0);
    EXPECT_EQ(ReadText(folder / "e.stl"), "solid some_solid from Vornesk\nendsolid some solid from Vornesk\n");
    ASSERT_EQ(WritePolyFile(folder / "e.dxf", PolyFile::kDXF), 0);
    const std::string dxf = ReadText(folder / "e.dxf");
    EXPECT_NE(dxf.find("ENTITIES\n0\nENDSEC\n0\nEOF\n"), std::string::npos) << dxf;
    // Three comment pairs without a generic word, four with one.
    auto pairs = [](const std::string& text) {
        size_t n = 0;
        for (size_t at = 0; (at = text.find("999\n", at)) != std::string::npos; ++at) ++n;
        return n;
    };
    EXPECT_EQ(pairs(dxf), 3u);
    rig.params->outputMode = 7;
    ASSERT_EQ(WritePolyFile(folder / "c.dxf", PolyFile::kDXF), 0);
    EXPECT_EQ(pairs(ReadText(folder / "c.dxf")), 4u);
    ASSERT_EQ(WritePolyFile(folder / "e.txt", PolyFile::kText), 0);
    const MathematicaFile m = ParseMathematica(ReadText(folder / "e.txt"));
    ASSERT_TRUE(m.ok) << m.problem;
}

TEST(PolyhedronExport, WritersReportAFullDisk) {
    PolyRig rig;
    BuildAsTheWriter(rig, 10);
    for (int which = 0; which < 5; ++which) {
        const int fd = open("/dev/full", O_WRONLY);
        ASSERT_GE(fd, 0);
        const int r = which == 0   ? WriteOBJFile_polyhedron_Thingie(fd, "a.obj", gParams->outputMode)
                      : which == 1 ? WriteMTLFile_Thingie(fd, "a.mtl")
                      : which == 2 ? WriteSTLFile_polyhedron_Thingie(fd, "x")
                      : which == 3 ? WriteDXFFile_polyhedron_Thingie(fd, "x", "")
                                   : WriteMathematicaTextFile_polyhedron_Thingie(fd, gParams->outputMode, "x", "");
        EXPECT_EQ(r, writErr) << "writer " << which;
        EXPECT_EQ(fcntl(fd, F_GETFD), -1) << "writer " << which << " left its descriptor open";
    }
}

TEST(PolyhedronExport, DateLineInEnglishOnTheTwentyFourHourClock) {
    char line[256];
    const int n = GetOnDateString(line);
    EXPECT_EQ(n, int(std::strlen(line)));
    EXPECT_TRUE(std::regex_match(line, std::regex("on [0-9]{1,2} (January|February|March|April|May|June|July|August|"
                                                  "September|October|November|December) [0-9]{4} at "
                                                  "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]")))
        << line;
}

}  // namespace
