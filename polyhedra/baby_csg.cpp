#include "polyhedra/baby_csg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

extern "C" {
#include <libqhull_r/qhull_ra.h>
}

#include "common/geometry.h"
#include "common/halfspace.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_queries.h"
#include "polyhedra/poly_storage.h"

namespace {

triplex Unit(triplex p) {
    const double m = std::sqrt(Tdot_product(p, p));
    return m > 0.0 ? Tscale(p, 1.0 / m) : triplex{0.0, 0.0, 1.0};
}

// Appends p unless a listed point lies nearer than the distance.
void AppendMerged(std::vector<triplex>& list, triplex p, double distance) {
    const double d2 = distance * distance;
    for (const triplex& q : list) {
        const triplex d = Tsub(p, q);
        if (Tdot_product(d, d) < d2) return;
    }
    list.push_back(p);
}

double SignedDistance(const PLANED& plane, triplex p) { return Tdot_product(plane.n, p) + plane.k; }

BabyCSGFace NewFace(BabyCSG* csg) {
    BabyCSGFace f{};
    f.number = csg->faceCounter++;
    f.siteId = -1;
    return f;
}

// Cuts one polygon: 2 gone, 0 unchanged, 1 cut (its crossings go to the cap).
int SliceOnePlaneAgainstAPolygon(const BabyCSG* csg, const PLANED& plane, std::vector<triplex>& polygon,
                                 std::vector<triplex>& cap) {
    const double tol = csg->options.planeTolerance, merge = csg->options.mergeDistance;
    const size_t n = polygon.size();
    std::vector<uint8_t> kept(n);
    size_t keptCount = 0;
    for (size_t i = 0; i < n; ++i) {
        kept[i] = SignedDistance(plane, polygon[i]) <= tol;
        keptCount += kept[i];
    }
    if (keptCount == 0) return 2;
    if (keptCount == n) return 0;
    std::vector<triplex> out;
    for (size_t i = 0; i < n; ++i) {
        const triplex a = polygon[i], b = polygon[(i + 1) % n];
        const double sa = SignedDistance(plane, a), sb = SignedDistance(plane, b);
        // Where the edge meets the plane, clamped to the edge: with both ends
        // within the tolerance the line's crossing may lie far off it.
        const double d = sa - sb;
        const double t = std::clamp(d != 0.0 ? sa / d : 0.5, 0.0, 1.0);
        const triplex x = Tadd(a, Tscale(Tsub(b, a), t));
        if (kept[i]) AppendMerged(out, a, merge);
        if (kept[i] != kept[(i + 1) % n]) {
            AppendMerged(out, x, merge);
            AppendMerged(cap, x, merge);
        }
    }
    polygon.swap(out);
    return 1;
}

void WriteFace(const BabyCSGFace& f, polyhedron* poly, const VoronoiHandlingOptions* o) {
    HALFSPACE list;
    InitEmptyList(&list);
    for (const triplex& p : f.points)
        if (!AddPointToEndOfList(p, &list, 0)) {
            poly->status = kPolyStatusOutOfMemory;
            DisposeListExceptForHead(&list);
            return;
        }
    HALFSPACE owner{};
    owner.point = f.sitePoint;
    owner.id = f.capped ? f.siteId : -1;
    owner.userTag = -1;
    AddOneOrderedFaceToPoly(&list, &owner, poly, o);
    DisposeListExceptForHead(&list);
}

}  // namespace

BabyCSG* createBabyCSG(const VoronoiHandlingOptions* options) {
    BabyCSG* csg = new (std::nothrow) BabyCSG{};
    if (!csg) return nullptr;
    csg->options = *options;
    csg->faceCounter = 0;
    return csg;
}

void destroyBabyCSG(BabyCSG** csg) {
    delete *csg;
    *csg = nullptr;
}

void OrderPolygonPointsCorrectly(std::vector<triplex>& polygon) {
    const size_t n = polygon.size();
    if (n < 3) return;
    triplex c{0, 0, 0};
    for (const triplex& p : polygon) c = Tadd(c, p);
    c = Tscale(c, 1.0 / double(n));
    // Newell's normal, turned away from the origin.
    triplex N{0, 0, 0};
    for (size_t i = 0; i < n; ++i) {
        const triplex a = polygon[i], b = polygon[(i + 1) % n];
        N = Tadd(N, triplex{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)});
    }
    if (Tdot_product(N, N) == 0.0) N = Tcross_product(Tsub(polygon[1], polygon[0]), Tsub(polygon[2], polygon[0]));
    N = Unit(N);
    if (Tdot_product(N, c) < 0.0) N = Tnegative(N);
    const triplex t = std::fabs(N.x) < 0.9 ? triplex{1, 0, 0} : triplex{0, 1, 0};
    const triplex u = Unit(Tcross_product(t, N)), v = Tcross_product(N, u);
    std::vector<std::pair<double, triplex>> keyed;
    for (const triplex& p : polygon) {
        const triplex d = Tsub(p, c);
        keyed.emplace_back(std::atan2(Tdot_product(d, v), Tdot_product(d, u)), p);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < n; ++i) polygon[i] = keyed[i].second;
}

void BuildCubeEnclosing(BabyCSG* csg) {
    if (!csg) return;
    constexpr double h = 10000.0;
    static const int kFaces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    triplex corner[8];
    for (int i = 0; i < 8; ++i) corner[i] = triplex{i & 4 ? h : -h, i & 2 ? h : -h, i & 1 ? h : -h};
    for (const auto& q : kFaces) {
        BabyCSGFace f = NewFace(csg);
        for (int k : q) f.points.push_back(corner[k]);
        OrderPolygonPointsCorrectly(f.points);
        csg->faces.push_back(std::move(f));
    }
}

void SliceOnePlaneAway(BabyCSG* csg, const HALFSPACE* node) {
    if (!csg || !node) return;
    std::vector<triplex> cap;
    std::vector<BabyCSGFace> kept;
    kept.reserve(csg->faces.size() + 1);
    for (BabyCSGFace& f : csg->faces) {
        const int r = SliceOnePlaneAgainstAPolygon(csg, node->plane, f.points, cap);
        if (r == 2 || f.points.size() < 3) continue;
        if (r == 1) OrderPolygonPointsCorrectly(f.points);
        kept.push_back(std::move(f));
    }
    csg->faces.swap(kept);
    if (cap.size() >= 3) {
        BabyCSGFace f = NewFace(csg);
        f.points = std::move(cap);
        OrderPolygonPointsCorrectly(f.points);
        f.capped = true;
        f.sitePoint = node->point;
        f.siteId = node->id;
        csg->faces.push_back(std::move(f));
    }
}

void SlicePlanesAway(BabyCSG* csg, const HALFSPACE* planes) {
    BuildCubeEnclosing(csg);
    for (const HALFSPACE* n = planes->head->next; n != planes->head; n = n->next) SliceOnePlaneAway(csg, n);
}

bool MaybeBuildCappingFace(BabyCSG* csg, std::vector<triplex> points) {
    if (!csg || points.size() < 3) return false;
    BabyCSGFace f = NewFace(csg);
    f.points = std::move(points);
    OrderPolygonPointsCorrectly(f.points);
    csg->faces.push_back(std::move(f));
    return true;
}

int64_t make_poly_fromBabyCSG(polyhedron* poly, const BabyCSG* csg) {
    ResetFacesAndVertsToEmpty(poly);
    if (!getPolyStorageEtc(poly)) {
        poly->status = kPolyStatusOutOfMemory;
        return 0;
    }
    if (csg)
        for (const BabyCSGFace& f : csg->faces) WriteFace(f, poly, &csg->options);
    Calc3DAngles(poly);
    return Build3DConnectivity(poly);
}

int64_t make_poly_from_voronoi_sites_via_CSG(polyhedron* poly, int64_t, VoronoiHandlingOptions* o, HALFSPACE* sites) {
    for (HALFSPACE* s = sites->head->next; s != sites->head; s = s->next) reset_node(s);
    BabyCSG* csg = createBabyCSG(o);
    if (!csg) {
        ResetFacesAndVertsToEmpty(poly);
        poly->status = kPolyStatusOutOfMemory;
        return 0;
    }
    // Each polygon is cut on its own: merged at the merge distance one by
    // one, faces would disagree where several corners lie that near. Cut
    // exactly, then take each site's face from the diagram: its corners are
    // where the planes meet, however near one another.
    VoronoiDiagram diagram;
    const bool exact = BuildVoronoiDiagram(sites, &diagram);
    if (exact) csg->options.mergeDistance = 1e-9;
    SlicePlanesAway(csg, sites);
    csg->options.mergeDistance = exact ? kDiagramVertexDistance : o->mergeDistance;
    if (exact)
        for (BabyCSGFace& f : csg->faces) {
            const HALFSPACE* site = nullptr;
            for (const HALFSPACE* s : diagram.site)
                if (f.capped && s->id == f.siteId && Tdistance(s->point, f.sitePoint) == 0.0) site = s;
            std::vector<triplex> ring = site && !f.points.empty() ? DiagramCellOf(&diagram, site, f.points[0])
                                                                  : std::vector<triplex>{};
            if (ring.size() >= 3) f.points.swap(ring);
        }
    const int64_t r = make_poly_fromBabyCSG(poly, csg);
    destroyBabyCSG(&csg);
    return r;
}

// qhull's facets of the points as outward planes n·x + offset = 0; false for
// a set qhull finds no hull of (flat, or too few points).
bool QhullFacets(const std::vector<triplex>& points, std::vector<std::pair<triplex, double>>& facets,
                 std::vector<std::vector<int32_t>>* facetPoints) {
    std::vector<coordT> coords;
    coords.reserve(points.size() * 3);
    for (const triplex& p : points) {
        coords.push_back(p.x);
        coords.push_back(p.y);
        coords.push_back(p.z);
    }
    char* text = nullptr;
    size_t textSize = 0;
    FILE* err = open_memstream(&text, &textSize);
    if (!err) return false;
    qhT context;
    qhT* qh = &context;
    QHULL_LIB_CHECK
    qh_zero(qh, err);
    char command[] = "qhull";
    const int exitcode =
        qh_new_qhull(qh, 3, int(points.size()), coords.data(), False, command, nullptr, err);
    if (exitcode == 0) {
        facetT* facet;
        FORALLfacets {
            facets.emplace_back(triplex{facet->normal[0], facet->normal[1], facet->normal[2]}, facet->offset);
            if (!facetPoints) continue;
            facetPoints->emplace_back();
            vertexT *vertex, **vertexp;
            FOREACHvertex_(facet->vertices) facetPoints->back().push_back(int32_t(qh_pointid(qh, vertex->point)));
        }
    }
    qh_freeqhull(qh, !qh_ALL);
    int curlong, totlong;
    qh_memfreeshort(qh, &curlong, &totlong);
    std::fclose(err);
    std::free(text);
    return exitcode == 0;
}

// ---- site sources ----

namespace {

void AddSitePoint(HALFSPACE* list, triplex p, int64_t id, triplex normal, double distance) {
    const double a[3] = {p.x, p.y, p.z};
    HALFSPACE* n = AddPointToList_while_killing_redundancies(a, list->head->prev, id, distance);
    if (!n) return;
    n->userTag = -1;
    reset_node(n);
    const double d[3] = {normal.x, normal.y, normal.z};
    BuildPlaneFromPointAndDirection(a, d, &n->plane);
}

}  // namespace

void AddVerticesToList(const polyhedron* poly, HALFSPACE* list, const VoronoiHandlingOptions* o, int64_t centroids,
                       int64_t normalise, double scale, double factor) {
    for (int64_t f = 0; f < poly->faceCount3D; ++f) {
        const PolyFace3D& face = poly->face3D[f];
        for (int64_t k = 0; k < face.count; ++k) {
            const int64_t v = face.vertex[k];
            triplex p = poly->coords3D[v];
            if (normalise) p = Unit(p);
            p = Tscale(p, poly->linkCount3D[v] < 5 ? scale * factor : scale);
            AddSitePoint(list, p, f, p, o->mergeDistance);
        }
        if (centroids == 1) {
            const triplex c = Tscale(Unit(FetchCentroidOf3DFace(poly, f)), scale);
            AddSitePoint(list, c, f, c, o->mergeDistance);
        }
    }
}
