#include "files/poly_export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "common/byte_io.h"
#include "common/strings.h"
#include "files/file_names.h"
#include "host_access/FilterBigDocument.h"
#include "platform/host/result_codes.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/polyhedron_params.h"
#include "records/data.h"
#include "records/output_modes.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"
#include "render/render_context.h"
#include "solids/poly_setup.h"

namespace {

// Output modes whose Mathematica points are written where they stand: the
// Goldberg solids from the tetrahedron of order 3 on, and the quad solids.
constexpr int64_t kRawPointModesFirst = kModeGoldbergFirst + 2;
constexpr int64_t kRawPointModesLast = kModeQuadLast;
constexpr size_t kFlushBytes = 1 << 16;

// Text gathered in memory and written in large pieces; the first failure
// is kept and reported by Finish, which truncates and closes on every path.
struct TextSink {
    int fd;
    std::string text;
    bool failed = false;

    explicit TextSink(int descriptor) : fd(descriptor) { text.reserve(kFlushBytes + 1024); }
    void Flush() {
        if (!failed && WriteBytes(fd, text.data(), int64_t(text.size())) != 0) failed = true;
        text.clear();
    }
    void Put(const char* s) {
        text += s;
        if (text.size() >= kFlushBytes) Flush();
    }
    void Put(const std::string& s) { Put(s.c_str()); }
    [[gnu::format(printf, 2, 3)]] void Format(const char* format, ...) {
        char line[512];
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        if (n < 0) failed = true;
        else Put(line);
    }
    int Finish() {
        Flush();
        if (fd < 0) return writErr;
        const off_t end = lseek(fd, 0, SEEK_CUR);
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (end < 0 || ftruncate(fd, end) != 0)) failed = true;
        if (close(fd) != 0) failed = true;
        fd = -1;
        return failed ? writErr : 0;
    }
};

const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};

bool FaceIndexValid(const polyhedron* p, int64_t f) { return f >= 0 && f < kMax3DFaces && f < p->faceCount3D; }

// The 3D face a net face shows, -1 for none (both -1 and indices past the
// face table mean none).
int64_t FaceOfNetFace(const polyhedron* p, int64_t nf) {
    if (nf < 0 || nf >= kMaxNetFaces || nf >= p->netFaceCount) return -1;
    const int64_t f = p->netFace[nf].face3D;
    return FaceIndexValid(p, f) ? f : -1;
}

int64_t FaceCount(const polyhedron* p) { return std::clamp<int64_t>(p->faceCount3D, 0, kMax3DFaces); }

int64_t CornerCount(const PolyFace3D& f) { return std::clamp<int64_t>(f.count, 0, kMaxFaceVertices); }

bool VertexValid(const polyhedron* p, int64_t v) { return p->coords3D && v >= 0 && v < kMax3DVertices; }

// Which vertices any face lists.
std::vector<uint8_t> VerticesFacesUse(const polyhedron* p) {
    std::vector<uint8_t> used(size_t(kMax3DVertices), 0);
    for (int64_t f = 0; f < FaceCount(p); ++f)
        for (int64_t k = 0; k < CornerCount(p->face3D[f]); ++k)
            if (VertexValid(p, p->face3D[f].vertex[k])) used[size_t(p->face3D[f].vertex[k])] = 1;
    return used;
}

triplex Sub(const triplex& a, const triplex& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// The unit normal of (b - c) x (a - b); (0, 0, 1) when it has no length.
triplex FacetNormal(const triplex& c, const triplex& b, const triplex& a) {
    const triplex u = Sub(b, c), v = Sub(a, b);
    const triplex n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    const double len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (!(len > 0.0) || !std::isfinite(len)) return {0.0, 0.0, 1.0};
    return {n.x / len, n.y / len, n.z / len};
}

triplex VertexAt(const polyhedron* p, int64_t v) { return VertexValid(p, v) ? p->coords3D[v] : triplex{0, 0, 0}; }

float F32(double v) { return float(v); }

// The faces a closed solid has but its net leaves out: the flat walls
// through the centre that close a ball on a meridian. No net triangle shows
// them, yet the written solid is closed only with them. Runs after
// IdentifyExportableTriangles.
std::vector<int64_t> ClosingWalls(const polyhedron* p) {
    std::vector<int64_t> walls;
    for (int64_t f = 0; f < FaceCount(p); ++f)
        if (p->face3D[f].noSeed && p->face3D[f].exportOwner == 0 && CornerCount(p->face3D[f]) >= 3) walls.push_back(f);
    return walls;
}

// ---- the triangles the files write ----
//
// A triangle whose corners lie on one line (a face's corner on a straight
// stretch of its outline, where a neighbour's corner meets it) has no area
// and no normal: a printer's tools mend such a facet, and a facet nearly that
// flat has a normal that the rounding of its corners turns about. A face
// triangulated with one is triangulated afresh, its fan of least flatness
// chosen over its own outline in the net; its triangles then carry the same
// picture, the face being flat and its net face its true shape.

// Below this sine of its largest angle a triangle counts as flat: the
// rounding of its corners to single precision could turn its normal by a
// thousandth.
constexpr double kFlatTriangleSine = 1e-3;

// The sine of the largest angle of a triangle, 0 when two corners coincide.
double SineOfLargestAngle(const triplex& a, const triplex& b, const triplex& c) {
    const triplex e[3] = {Sub(b, a), Sub(c, b), Sub(a, c)};
    double len[3];
    for (int k = 0; k < 3; ++k) len[k] = std::sqrt(e[k].x * e[k].x + e[k].y * e[k].y + e[k].z * e[k].z);
    // The largest angle lies across the longest edge; the two others meet there.
    int longest = 0;
    for (int k = 1; k < 3; ++k)
        if (len[k] > len[longest]) longest = k;
    const double u = len[(longest + 1) % 3], v = len[(longest + 2) % 3];
    if (!(u > 0.0) || !(v > 0.0)) return 0.0;
    const triplex n{e[0].y * e[1].z - e[0].z * e[1].y, e[0].z * e[1].x - e[0].x * e[1].z,
                    e[0].x * e[1].y - e[0].y * e[1].x};
    return std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z) / (u * v);
}

bool SolidTriangleIsFlat(const polyhedron* p, const int64_t solid[3]) {
    for (int k = 0; k < 3; ++k)
        if (!VertexValid(p, solid[k])) return true;
    return SineOfLargestAngle(p->coords3D[solid[0]], p->coords3D[solid[1]], p->coords3D[solid[2]]) <
           kFlatTriangleSine;
}

// Which way the files turn the solid: the written frame is a mirror image of
// the solid's own unless the mirror flag is set, and a face's corners are
// then written backwards to keep it facing out.
bool WritesCornersBackwards(const polyhedron* p) { return !p->mirror; }

// A triangle as the files write it: solid vertices and net vertices (-1 for
// a closing wall's) in written order.
struct WrittenTriangle {
    int64_t solid[3];
    int64_t net[3];
};

WrittenTriangle Written(const polyhedron* p, const int64_t solid[3], const int64_t net[3]) {
    WrittenTriangle w{};
    const bool back = WritesCornersBackwards(p);
    for (int k = 0; k < 3; ++k) {
        w.solid[k] = solid[back ? 2 - k : k];
        w.net[k] = net[back ? 2 - k : k];
    }
    return w;
}

struct Point2 {
    double x, y;
};

double Orient(Point2 a, Point2 b, Point2 c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

// Whether the chord between corners i and j of the polygon runs inside it,
// meeting its outline nowhere else (nor passing through another corner).
bool ChordInside(const std::vector<Point2>& q, size_t i, size_t j) {
    const size_t n = q.size();
    if ((i + 1) % n == j || (j + 1) % n == i) return true;
    const Point2 a = q[i], b = q[j];
    const double span = std::hypot(b.x - a.x, b.y - a.y);
    if (!(span > 0.0)) return false;
    for (size_t k = 0; k < n; ++k) {
        const size_t l = (k + 1) % n;
        if (k != i && k != j && std::fabs(Orient(a, b, q[k])) / span < 1e-9 * span) {
            const double t = ((q[k].x - a.x) * (b.x - a.x) + (q[k].y - a.y) * (b.y - a.y)) / (span * span);
            if (t > 0.0 && t < 1.0) return false;  // through another corner
        }
        if (k == i || k == j || l == i || l == j) continue;
        const double o1 = Orient(a, b, q[k]), o2 = Orient(a, b, q[l]), o3 = Orient(q[k], q[l], a),
                     o4 = Orient(q[k], q[l], b);
        if (((o1 > 0) != (o2 > 0)) && ((o3 > 0) != (o4 > 0)) && o1 != 0 && o2 != 0 && o3 != 0 && o4 != 0)
            return false;
    }
    // Its middle inside the polygon (crossings of a ray to the right).
    const Point2 m{(a.x + b.x) / 2, (a.y + b.y) / 2};
    bool inside = false;
    for (size_t k = 0; k < n; ++k) {
        const Point2 u = q[k], v = q[(k + 1) % n];
        if ((u.y > m.y) != (v.y > m.y) && m.x < u.x + (m.y - u.y) / (v.y - u.y) * (v.x - u.x)) inside = !inside;
    }
    return inside;
}

// The triangulation of a net face's polygon whose flattest triangle is
// least flat (corner numbers in the face's own order); empty when every
// triangulation has a flat triangle or the face cannot be traced.
std::vector<std::array<int, 3>> LeastFlatTriangulation(const polyhedron* p, int64_t nf) {
    const PolyNetFace& face = p->netFace[nf];
    const int n = int(std::clamp<int64_t>(face.count, 0, kMaxFaceVertices));
    const int64_t f = FaceOfNetFace(p, nf);
    if (n < 3 || f < 0 || !p->coords2D || CornerCount(p->face3D[f]) != n) return {};
    std::vector<Point2> q(static_cast<size_t>(n));
    int64_t solid[kMaxFaceVertices];
    const int64_t offset = ((face.vertexOffset % n) + n) % n;
    for (int k = 0; k < n; ++k) {
        const int64_t v = face.vertex[k];
        if (v < 0 || v >= kMax2DVertices) return {};
        q[size_t(k)] = {p->coords2D[v][0], p->coords2D[v][1]};
        solid[k] = p->face3D[f].vertex[(offset + k) % n];
        if (!VertexValid(p, solid[k])) return {};
    }
    // best[i][j]: the least flatness of the polygon's corners i..j cut off
    // by the chord ij; choice[i][j] the corner its triangle on ij takes.
    double best[kMaxFaceVertices][kMaxFaceVertices];
    int choice[kMaxFaceVertices][kMaxFaceVertices];
    for (int gap = 1; gap < n; ++gap)
        for (int i = 0; i + gap < n; ++i) {
            const int j = i + gap;
            best[i][j] = gap == 1 ? 2.0 : -1.0;
            choice[i][j] = -1;
            if (gap == 1 || !ChordInside(q, size_t(i), size_t(j))) continue;
            for (int k = i + 1; k < j; ++k) {
                if (best[i][k] < 0 || best[k][j] < 0) continue;
                const double sine = SineOfLargestAngle(p->coords3D[solid[i]], p->coords3D[solid[k]], p->coords3D[solid[j]]);
                const double worst = std::min({sine, best[i][k], best[k][j]});
                if (worst > best[i][j]) {
                    best[i][j] = worst;
                    choice[i][j] = k;
                }
            }
        }
    if (best[0][n - 1] < kFlatTriangleSine) return {};
    std::vector<std::array<int, 3>> out;
    std::vector<std::pair<int, int>> stack{{0, n - 1}};
    while (!stack.empty()) {
        const auto [i, j] = stack.back();
        stack.pop_back();
        if (j - i < 2) continue;
        const int k = choice[i][j];
        out.push_back({i, k, j});
        stack.push_back({k, j});
        stack.push_back({i, k});
    }
    return out;
}

// Every triangle the files write, in net triangle order (a face triangulated
// afresh where its first triangle stood), then the closing walls' fans. A
// flat triangle of a face that cannot be triangulated better is left out
// when two of its corners are one vertex (its neighbours then meet across
// it), else kept. Runs after IdentifyExportableTriangles.
std::vector<WrittenTriangle> WrittenTriangles(const polyhedron* p) {
    std::vector<WrittenTriangle> out;
    const int64_t n = std::clamp<int64_t>(p->netTriangleCount, 0, kMaxNetTriangles);
    std::vector<int8_t> retriangulated(size_t(std::clamp<int64_t>(p->netFaceCount, 0, kMaxNetFaces)), -1);
    for (int64_t t = 0; t < n; ++t) {
        const PolyNetTriangle& tri = p->netTriangle[t];
        if (!tri.exportable) continue;
        int64_t solid[3], net[3];
        for (int k = 0; k < 3; ++k) solid[k] = TraceTriangleCorner(p, t, k), net[k] = tri.vertex[k];
        const int64_t nf = tri.netFace;
        const bool known = nf >= 0 && size_t(nf) < retriangulated.size();
        if (known && retriangulated[size_t(nf)] == 1) continue;
        if (known && retriangulated[size_t(nf)] < 0) {
            retriangulated[size_t(nf)] = 0;
            // A face is taken afresh only when its own triangles, all
            // exported here, show a flat one; a twisted quad keeps its fold.
            const PolyNetFace& face = p->netFace[nf];
            bool flat = false, whole = face.twistedApex < 0;
            int64_t count = 0;
            for (int64_t u = 0; u < n; ++u) {
                const PolyNetTriangle& other = p->netTriangle[u];
                if (other.netFace != nf || other.isTab) continue;
                ++count;
                whole = whole && other.exportable && !other.twisted;
                int64_t corners[3];
                for (int k = 0; k < 3; ++k) corners[k] = TraceTriangleCorner(p, u, k);
                flat = flat || SolidTriangleIsFlat(p, corners);
            }
            if (flat && whole && count == face.count - 2) {
                const std::vector<std::array<int, 3>> fresh = LeastFlatTriangulation(p, nf);
                if (!fresh.empty()) {
                    retriangulated[size_t(nf)] = 1;
                    const int64_t f = FaceOfNetFace(p, nf), m = face.count;
                    const int64_t offset = ((face.vertexOffset % m) + m) % m;
                    for (const auto& c : fresh) {
                        int64_t s3[3], n3[3];
                        for (int k = 0; k < 3; ++k) {
                            s3[k] = p->face3D[f].vertex[(offset + c[size_t(k)]) % m];
                            n3[k] = face.vertex[c[size_t(k)]];
                        }
                        out.push_back(Written(p, s3, n3));
                    }
                    continue;
                }
            }
        }
        if (SolidTriangleIsFlat(p, solid) &&
            (solid[0] == solid[1] || solid[1] == solid[2] || solid[2] == solid[0] || solid[0] < 0 || solid[1] < 0 ||
             solid[2] < 0))
            continue;
        out.push_back(Written(p, solid, net));
    }
    for (int64_t w : ClosingWalls(p)) {
        const PolyFace3D& face = p->face3D[w];
        for (int64_t j = 0; j + 2 < CornerCount(face); ++j) {
            const int64_t solid[3] = {face.vertex[0], face.vertex[j + 1], face.vertex[j + 2]}, net[3] = {-1, -1, -1};
            out.push_back(Written(p, solid, net));
        }
    }
    return out;
}

// The solid and net a final render draws: the finer build of the solids
// that have one (rind balls, geodesics), whatever the last render was, since
// the OBJ export's texture is rendered that way; the net set up as a render
// sets it up (set-up 1, no tabs at a net setting B of 0; the crevice set-up
// gives the same files). So the texture's render finds the writers' build
// in place instead of building the solid again.
void RebuildForExport(polyhedron* p, int64_t mode) {
    HooBoyPolySetup(mode, p, 0, 1, 0, GetBufferProcs(), 1, 1.0f, 0.0f, 0.0f);
    IdentifyExportableTriangles(p);
}

// The work area's polyhedron built for output mode `mode`; null, with the
// sink failed, when there is none.
polyhedron* RebuiltForWriting(TextSink* s, int64_t mode) {
    polyhedron* p = ExportPolyhedron();
    if (!p) {
        s->failed = true;
        return nullptr;
    }
    RebuildForExport(p, mode);
    return p;
}

void HeaderComment(TextSink* s, const char* open, const char* close) {
    char date[256];
    GetOnDateString(date);
    s->Format("%sExported from Vornesk 2 / %s%s\n", open, kExportWebSite, close);
    s->Format("%s%s%s\n", open, date, close);
}

}  // namespace

bool BuildSolidForExport(int64_t mode) {
    polyhedron* p = ExportPolyhedron();
    // A mode without a solid leaves the last build in place: never export that.
    if (!p || !IsExportablePolyhedron(mode)) return false;
    RebuildForExport(p, mode);
    if (p->unbuilt || p->netTriangleCount <= 0 || p->faceCount3D <= 0) return false;
    switch (p->status) {
        case kPolyStatusGood:
        case kPolyStatusRepeatedVertex:
        case kPolyStatusDuplicateFace:
        case kPolyStatusTabVertexLimit:
            break;
        default: return false;  // a build stopped at a limit holds part of the solid
    }
    for (int64_t t = 0; t < p->netTriangleCount; ++t)
        if (p->netTriangle[t].exportable) return true;
    return false;
}

polyhedron* ExportPolyhedron() {
    if (!gData || !gData->storage) return nullptr;
    // The work area frees it with the rest at shut-down.
    if (!gData->storage->polyStore) gData->storage->polyStore = NewPolyhedron(0.5f, 0.0f);
    if (gData->storage->polyStore) gData->storage->polyStore->data = gData;
    return gData->storage->polyStore;
}

int GetOnDateString(char* buffer) {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    const char* month = t.tm_mon >= 0 && t.tm_mon < 12 ? kMonths[t.tm_mon] : "";
    return std::snprintf(buffer, 256, "on %d %s %d at %02d:%02d:%02d", t.tm_mday, month, t.tm_year + 1900, t.tm_hour,
                         t.tm_min, t.tm_sec);
}

void IdentifyExportableTriangles(polyhedron* p) {
    if (!p) return;
    for (PolyFace3D& f : p->face3D) f.exportOwner = 0;
    const int64_t n = std::clamp<int64_t>(p->netTriangleCount, 0, kMaxNetTriangles);
    for (int64_t t = 0; t < kMaxNetTriangles; ++t) p->netTriangle[t].exportable = 0;
    for (int64_t t = 0; t < n; ++t) {
        PolyNetTriangle& tri = p->netTriangle[t];
        if (tri.isTab) continue;
        const int64_t f = FaceOfNetFace(p, tri.netFace);
        if (f < 0) continue;
        // A net without fragment numbers still claims each face once.
        const int32_t owner = tri.fragment != 0 ? tri.fragment : -1;
        if (p->face3D[f].exportOwner == 0) p->face3D[f].exportOwner = owner;
        tri.exportable = p->face3D[f].exportOwner == owner ? 1 : 0;
    }
}

int64_t HighestListedVertex(const polyhedron* p) {
    int64_t high = -1;
    for (int64_t f = 0; f < FaceCount(p); ++f)
        for (int64_t k = 0; k < CornerCount(p->face3D[f]); ++k)
            if (VertexValid(p, p->face3D[f].vertex[k])) high = std::max(high, p->face3D[f].vertex[k]);
    return high;
}

void get_3D_bounding_box(const polyhedron* p, triplex* lo, triplex* hi) {
    const std::vector<uint8_t> used = VerticesFacesUse(p);
    bool any = false;
    for (int64_t v = 0; v < kMax3DVertices; ++v) {
        if (!used[size_t(v)]) continue;
        const triplex& c = p->coords3D[v];
        if (!any) {
            *lo = *hi = c;
            any = true;
            continue;
        }
        lo->x = std::min(lo->x, c.x), lo->y = std::min(lo->y, c.y), lo->z = std::min(lo->z, c.z);
        hi->x = std::max(hi->x, c.x), hi->y = std::max(hi->y, c.y), hi->z = std::max(hi->z, c.z);
    }
    if (!any) *lo = *hi = VertexAt(p, 0);
}

void get_3D_center_and_scale(const polyhedron* p, triplex* centre, double* scale) {
    triplex lo{}, hi{};
    get_3D_bounding_box(p, &lo, &hi);
    *centre = {0.5 * (lo.x + hi.x), 0.5 * (lo.y + hi.y), 0.5 * (lo.z + hi.z)};
    const double side = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
    *scale = side > 0.0 && std::isfinite(side) ? 2.0 / side : 1.0;
}

triplex ExportDirection(const polyhedron* p, const triplex& d) { return p->mirror ? d : triplex{-d.x, d.y, d.z}; }

triplex ExportPosition(const polyhedron* p, const triplex& v, const triplex& centre, double scale) {
    return ExportDirection(p, {scale * (v.x - centre.x), scale * (v.y - centre.y), scale * (v.z - centre.z)});
}

int64_t TraceTriangleCorner(const polyhedron* p, int64_t t, int k) {
    if (t < 0 || t >= kMaxNetTriangles || k < 0 || k > 2) return -1;
    const PolyNetTriangle& tri = p->netTriangle[t];
    const int64_t f = FaceOfNetFace(p, tri.netFace);
    if (f < 0) return -1;
    const PolyNetFace& nf = p->netFace[tri.netFace];
    const int64_t n = tri.vertex[k];
    const int64_t count = std::clamp<int64_t>(nf.count, 0, kMaxFaceVertices);
    int64_t at = -1;
    for (int64_t i = 0; i < count; ++i)
        if (nf.vertex[i] == n) at = i;
    if (at < 0 || count == 0) return -1;
    const PolyFace3D& face = p->face3D[f];
    const int64_t offset = ((nf.vertexOffset % count) + count) % count;
    const int64_t corner = (offset + at) % count;
    return corner < CornerCount(face) ? face.vertex[corner] : -1;
}

int64_t HighestNamedNetVertex(const polyhedron* p) {
    int64_t high = -1;
    const int64_t faces = std::clamp<int64_t>(p->netFaceCount, 0, kMaxNetFaces);
    for (int64_t nf = 0; nf < faces; ++nf)
        for (int64_t i = 0; i < std::clamp<int64_t>(p->netFace[nf].count, 0, kMaxFaceVertices); ++i)
            high = std::max(high, p->netFace[nf].vertex[i]);
    const int64_t n = std::clamp<int64_t>(p->netTriangleCount, 0, kMaxNetTriangles);
    for (int64_t t = 0; t < n; ++t)
        if (p->netTriangle[t].exportable)
            for (int64_t v : p->netTriangle[t].vertex) high = std::max(high, v);
    return std::min<int64_t>(high, kMax2DVertices - 1);
}

NetTextureFrame TextureFrameOfNet(const polyhedron* p) {
    FramingBox box{};
    FrameNetOfMode(p, 1.0, &box);
    NetTextureFrame f;
    f.xCentre = box.xCentre;
    f.yCentre = box.yCentre;
    f.fitScale = std::isfinite(box.fitScale) && box.fitScale > 0 ? box.fitScale : 1.0;
    return f;
}

std::string ObjMaterialStem(const char* fileName) {
    std::string folder, stem, extension;
    SplitFileName(fileName ? fileName : "", &folder, &stem, &extension);
    return FileZerp_makeNameNonWeirdForOBJ(stem);
}

int WriteOBJFile_polyhedron_Thingie(int fd, const char* fileName, int64_t mode) {
    TextSink s(fd);
    polyhedron* p = RebuiltForWriting(&s, mode);
    if (!p) return s.Finish();
    const std::string material = ObjMaterialStem(fileName);
    HeaderComment(&s, "# ", "");
    s.Put("\n");
    s.Format("mtllib %s.mtl\n\n", material.c_str());
    s.Put("g VorneskPolyhedron\n\n");

    triplex centre{};
    double scale = 1.0;
    get_3D_center_and_scale(p, &centre, &scale);
    const int64_t high = HighestListedVertex(p);
    for (int64_t v = 0; v <= high; ++v) {
        const triplex w = ExportPosition(p, p->coords3D[v], centre, scale);
        s.Format("v %.8f %.8f %.8f\n", F32(w.x), F32(w.y), F32(w.z));
    }
    s.Put("\n");

    const std::vector<WrittenTriangle> triangles = WrittenTriangles(p);
    for (const WrittenTriangle& t : triangles) {
        triplex c[3];
        for (int k = 0; k < 3; ++k) c[k] = ExportPosition(p, VertexAt(p, t.solid[k]), centre, scale);
        const triplex nn = FacetNormal(c[0], c[1], c[2]);
        s.Format("vn %.8f %.8f %.8f\n", F32(nn.x), F32(nn.y), F32(nn.z));
    }
    s.Put("\n");

    const NetTextureFrame frame = TextureFrameOfNet(p);
    const int64_t highNet = HighestNamedNetVertex(p);
    for (int64_t v = 0; v <= highNet; ++v) {
        const float u = float((double(p->netVertex[v].x) - frame.xCentre) * frame.fitScale + 0.5);
        const float down = float((double(p->netVertex[v].y) - frame.yCentre) * frame.fitScale + 0.5);
        s.Format("vt %.8f %.8f\n", u, 1.0f - down);
    }
    s.Format("\nusemtl %s_material\n\n", material.c_str());

    for (PolyFace3D& f : p->face3D) f.exportOwner = 0;
    int64_t written = 0;
    for (const WrittenTriangle& t : triangles) {
        ++written;
        // The walls show nothing of the picture: no texture coordinates.
        if (t.net[0] < 0) {
            s.Format("f %lld//%lld %lld//%lld %lld//%lld\n", (long long)t.solid[0] + 1, (long long)written,
                     (long long)t.solid[1] + 1, (long long)written, (long long)t.solid[2] + 1, (long long)written);
            continue;
        }
        s.Format("f %lld/%lld/%lld %lld/%lld/%lld %lld/%lld/%lld\n", (long long)t.solid[0] + 1,
                 (long long)t.net[0] + 1, (long long)written, (long long)t.solid[1] + 1, (long long)t.net[1] + 1,
                 (long long)written, (long long)t.solid[2] + 1, (long long)t.net[2] + 1, (long long)written);
    }
    s.Put("\n");
    return s.Finish();
}

int WriteMTLFile_Thingie(int fd, const char* fileName) {
    TextSink s(fd);
    const std::string material = ObjMaterialStem(fileName);
    s.Format("# Exported from Vornesk 2 / %s\n#\n\n", kExportWebSite);
    s.Format("newmtl %s_material\n", material.c_str());
    s.Put("d 1.00000\nillum 2\nKd 1.0 1.0 1.0\nKa 1.0 1.0 1.0\nKs 0.5 0.5 0.9\nKe 0.0 0.0 0.0\n");
    s.Format("map_Kd %s.jpg\n", material.c_str());
    return s.Finish();
}

int WriteSTLFile_polyhedron_Thingie(int fd, const char* modeName) {
    TextSink s(fd);
    polyhedron* p = ExportPolyhedron();
    if (!p) {
        s.failed = true;
        return s.Finish();
    }
    triplex centre{};
    double scale = 1.0;
    get_3D_center_and_scale(p, &centre, &scale);
    // The least coordinate of every axis over the vertices faces use is moved to 0.
    const std::vector<uint8_t> used = VerticesFacesUse(p);
    triplex low{0, 0, 0};
    bool any = false;
    for (int64_t v = 0; v < kMax3DVertices; ++v) {
        if (!used[size_t(v)]) continue;
        const triplex w = ExportPosition(p, p->coords3D[v], centre, scale);
        if (!any) low = w;
        low = {std::min(low.x, w.x), std::min(low.y, w.y), std::min(low.z, w.z)};
        any = true;
    }
    IdentifyExportableTriangles(p);
    char name[260];
    std::snprintf(name, sizeof name, "%s", modeName ? modeName : "");
    MakeNameNonWeirdForOBJ(name);
    s.Format("solid %.240s from Vornesk\n", name);
    for (const WrittenTriangle& t : WrittenTriangles(p)) {
        // The corners as written, nine significant digits, and as a reader
        // has them: single precision, which those digits carry back
        // exactly. The normal is computed from those.
        char text[3][3][32];
        triplex c[3];
        for (int k = 0; k < 3; ++k) {
            const triplex w = Sub(ExportPosition(p, VertexAt(p, t.solid[k]), centre, scale), low);
            const double xyz[3] = {w.x, w.y, w.z};
            double read[3];
            for (int a = 0; a < 3; ++a) {
                std::snprintf(text[k][a], sizeof text[k][a], "%.8E", double(F32(xyz[a])));
                read[a] = double(std::strtof(text[k][a], nullptr));
            }
            c[k] = {read[0], read[1], read[2]};
        }
        // Started at the corner of the largest angle: a reader that takes the
        // normal from the two edges leaving the first corner finds it to
        // single precision even on a needle.
        double len[3];
        for (int k = 0; k < 3; ++k) {
            const triplex e = Sub(c[(k + 2) % 3], c[(k + 1) % 3]);
            len[k] = e.x * e.x + e.y * e.y + e.z * e.z;  // the edge across corner k
        }
        const int first = len[0] >= len[1] && len[0] >= len[2] ? 0 : len[1] >= len[2] ? 1 : 2;
        const triplex nn = FacetNormal(c[first], c[(first + 1) % 3], c[(first + 2) % 3]);
        s.Format("   facet normal %.8E %.8E %.8E\n      outer loop\n", nn.x, nn.y, nn.z);
        for (int k = 0; k < 3; ++k) {
            const auto& corner = text[(first + k) % 3];
            s.Format("         vertex %s %s %s\n", corner[0], corner[1], corner[2]);
        }
        s.Put("      endloop\n   endfacet\n");
    }
    s.Format("endsolid %.240s from Vornesk\n", modeName ? modeName : "");
    return s.Finish();
}

int WriteDXFFile_polyhedron_Thingie(int fd, const char* modeName, const char* genericWord) {
    TextSink s(fd);
    polyhedron* p = ExportPolyhedron();
    if (!p) {
        s.failed = true;
        return s.Finish();
    }
    char date[256];
    GetOnDateString(date);
    s.Format("999\nExported from Vornesk 2 / %s\n999\n%s\n999\n%.240s\n", kExportWebSite, date, modeName ? modeName : "");
    if (genericWord && *genericWord) s.Format("999\n%.240s\n", genericWord);
    s.Put("0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n0\nENDSEC\n");
    s.Put("0\nSECTION\n2\nENTITIES\n0\n");
    IdentifyExportableTriangles(p);
    // A triangle as a four-corner face whose last two corners coincide.
    for (const WrittenTriangle& t : WrittenTriangles(p)) {
        s.Put("3DFACE\n8\n0\n62\n255\n");
        const int corner[4] = {0, 1, 2, 2};
        for (int k = 0; k < 4; ++k) {
            const triplex v = ExportDirection(p, VertexAt(p, t.solid[corner[k]]));
            s.Format("%d\n%.10f\n%d\n%.10f\n%d\n%.10f\n", 10 + k, F32(v.x), 20 + k, F32(v.y), 30 + k, F32(v.z));
        }
        s.Put("0\n");
    }
    s.Put("ENDSEC\n0\nEOF\n");
    return s.Finish();
}

int WriteMathematicaTextFile_polyhedron_Thingie(int fd, int64_t mode, const char* modeName, const char* genericWord) {
    TextSink s(fd);
    polyhedron* p = RebuiltForWriting(&s, mode);
    if (!p) return s.Finish();
    HeaderComment(&s, "(* ", " *)");
    s.Format("(* %.240s *)\n", modeName ? modeName : "");
    if (genericWord && *genericWord) s.Format("(* %.240s *)\n", genericWord);
    s.Put("(* for Mathematica *)\n\n\n");

    triplex centre{0, 0, 0};
    double scale = 1.0;
    if (mode < kRawPointModesFirst || mode > kRawPointModesLast) get_3D_center_and_scale(p, &centre, &scale);
    auto point = [&s](const triplex& w) { s.Format("{%.10f,%.10f,%.10f}", F32(w.x), F32(w.y), F32(w.z)); };
    auto list = [&s](const char* name, int64_t count, const auto& item) {
        s.Format("%s = {", name);
        for (int64_t i = 0; i < count; ++i) {
            if (i) s.Put(",");
            item(i);
        }
        s.Put("};\n\n");
    };
    const int64_t faces = FaceCount(p);
    auto centroid = [p](int64_t f) {
        triplex c{0, 0, 0};
        const int64_t k = CornerCount(p->face3D[f]);
        for (int64_t i = 0; i < k; ++i) {
            const triplex v = VertexAt(p, p->face3D[f].vertex[i]);
            c = {c.x + v.x, c.y + v.y, c.z + v.z};
        }
        return k ? triplex{c.x / double(k), c.y / double(k), c.z / double(k)} : c;
    };

    list("pts", HighestListedVertex(p) + 1, [&](int64_t v) { point(ExportPosition(p, p->coords3D[v], centre, scale)); });
    list("faces", faces, [&](int64_t f) {
        s.Put("{");
        for (int64_t i = 0; i < CornerCount(p->face3D[f]); ++i) s.Format(i ? ",%lld" : "%lld", (long long)p->face3D[f].vertex[i] + 1);
        s.Put("}");
    });
    list("normals", faces, [&](int64_t f) {
        triplex nn = normalOf3DPolygon(p, f);
        const triplex c = centroid(f);
        if (nn.x * c.x + nn.y * c.y + nn.z * c.z < 0.0) nn = {-nn.x, -nn.y, -nn.z};
        point(ExportDirection(p, nn));
    });
    list("centroids", faces, [&](int64_t f) { point(ExportPosition(p, centroid(f), centre, scale)); });

    const int64_t highNet = HighestNamedNetVertex(p);
    const bool haveNet = p->coords2D != nullptr;
    list("pts2Dnet", highNet + 1, [&](int64_t v) {
        const double x = haveNet ? p->coords2D[v][0] : p->netVertex[v].x;
        const double y = haveNet ? p->coords2D[v][1] : p->netVertex[v].y;
        s.Format("{%.10f,%.10f}", F32(x), F32(1.0 - y));
    });
    const int64_t netFaces = std::clamp<int64_t>(p->netFaceCount, 0, kMaxNetFaces);
    list("sourceOf2DnetPts", highNet + 1, [&](int64_t v) {
        int64_t source = -1;
        if (p->netVertexUsed[v]) {
            if (p->netVertexSolid[v] != -1) source = p->netVertexSolid[v];
            for (int64_t nf = 0; source < 0 && nf < netFaces; ++nf) {
                const PolyNetFace& face = p->netFace[nf];
                const int64_t count = std::clamp<int64_t>(face.count, 0, kMaxFaceVertices);
                for (int64_t i = 0; i < count; ++i) {
                    if (face.vertex[i] != v) continue;
                    const int64_t f = FaceOfNetFace(p, nf);
                    if (f >= 0) {
                        const int64_t offset = ((face.vertexOffset % count) + count) % count;
                        const int64_t corner = (offset + i) % count;
                        if (corner < CornerCount(p->face3D[f])) source = p->face3D[f].vertex[corner];
                    }
                    nf = netFaces;  // the first face that lists the vertex decides
                    break;
                }
            }
        }
        s.Format("%lld", (long long)(source + 1));
    });
    list("faces2Dnet", netFaces, [&](int64_t nf) {
        s.Put("{");
        for (int64_t i = 0; i < std::clamp<int64_t>(p->netFace[nf].count, 0, kMaxFaceVertices); ++i)
            s.Format(i ? ",%lld" : "%lld", (long long)p->netFace[nf].vertex[i] + 1);
        s.Put("}");
    });

    s.Put("normalArrows = MapThread[{Red, Arrow[{  #1 , #1 + #2}]} &, {centroids, normals}];\n\n");
    s.Put("vertexDots = {pts /. {x_, y_, z_} :> {Opacity[0.3], Blue, PointSize[0.02], Point[{x, y, z}]}};\n\n");
    s.Put("centroidDots = {centroids /. {x_, y_, z_} :> {Opacity[0.3], Red, PointSize[0.02], Point[{x, y, z}]}};\n\n");
    s.Put("poly = Polyhedron[pts, faces];\n\n");
    s.Put("(* Graphics3D[{poly, vertexDots, centroidDots, normalArrows}] *)\n\n");
    s.Put("Graphics3D[poly, BoxStyle -> Directive[Dashed, Orange]]\n\n");
    s.Put("(* Graphics3D[{{Opacity[0.9], poly}, MapIndexed[Inset[Text[Style[First[#2], Red] ], #1 (1.02)] &, pts]}] "
          "*)\n\n");
    s.Put("polygOf[x_] := Polygon[Part[pts2Dnet, x]];\n");
    s.Put("net2D = Map[polygOf, faces2Dnet];\n");
    s.Put("Graphics[ {EdgeForm[Gray], Hue[0.1, 1, 1, .1], net2D } ]\n");
    s.Put("(* Graphics[{{EdgeForm[Gray], Hue[0.1, 1, 1, .1], net2D}, MapIndexed[ Text[Style[ sourceOf2DnetPts[[ "
          "#2[[1]] ]],{Opacity[.9], Red}], #1 ] &, pts2Dnet] }] *)\n");
    return s.Finish();
}
