#include "polyhedra/voronoi_cells.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/halfspace.h"
#include "common/memory.h"
#include "polyhedra/baby_csg.h"
#include "polyhedra/poly_store.h"

// ---- slicing records ----

bool StartOrExtendSlicingArc(SlicingArcList* list, triplex a, triplex b, bool first, bool last, bool middle) {
    if (!list) return false;
    if (list->count == list->capacity) {
        const int64_t capacity = list->capacity ? 2 * list->capacity : 64;
        auto* grown = static_cast<SlicingRecord*>(RobustNewPtr(size_t(capacity) * sizeof(SlicingRecord)));
        if (!grown) return false;
        if (list->count) std::memcpy(grown, list->records, size_t(list->count) * sizeof(SlicingRecord));
        RobustDisposePtr(reinterpret_cast<void**>(&list->records));
        list->records = grown;
        list->capacity = capacity;
    }
    list->records[list->count++] = SlicingRecord{a, b, uint8_t(first), uint8_t(last), uint8_t(middle)};
    return true;
}

void DisposeSlicingArcList(SlicingArcList* list) {
    if (!list) return;
    RobustDisposePtr(reinterpret_cast<void**>(&list->records));
    list->records = nullptr;
    list->count = list->capacity = 0;
}

// ---- options and sites ----

void GetDefaultVoronoiHandlingOptions(VoronoiHandlingOptions* o) {
    const uint8_t spare[2] = {o->spare[0], o->spare[1]};
    const int64_t base = o->baseShapecode;
    *o = VoronoiHandlingOptions{};
    o->spare[0] = spare[0];
    o->spare[1] = spare[1];
    o->baseShapecode = base;
    o->polyhedronFlag = 1;
    o->duplicateTest = 1;
    o->mergeDistance = 0.002;
    o->planeTolerance = 1e-5;
}

void CopyCertainVoronoiPrefsIntoPoly(const VoronoiHandlingOptions* o, polyhedron* poly) {
    if (!o || !poly) return;
    poly->slicingMode = o->siteNumbering;
    poly->voronoiSecondSetting = o->secondSetting;
    poly->voronoiFlag = o->polyhedronFlag;
}

HALFSPACE* AddSiteToList(HALFSPACE* list, triplex p, int64_t id, double distance) {
    const double point[3] = {p.x, p.y, p.z};
    HALFSPACE* n = AddPointToList_while_killing_redundancies(point, list->head, id, distance);
    if (!n) return nullptr;
    n->userTag = -1;
    reset_node(n);
    return n;
}

void reset_node(HALFSPACE* site) {
    site->userFlag = 0;
    for (int k = 0; k < 3; ++k) site->userLinks[k] = 0;
    const double p[3] = {site->point.x, site->point.y, site->point.z};
    BuildPlaneFromPointAndDirection(p, p, &site->plane);
}

HALFSPACE* SiteHint(const HALFSPACE* site, int k) { return reinterpret_cast<HALFSPACE*>(site->userLinks[k]); }

int GetNeighborCount(const HALFSPACE* site) {
    if (site->userLinks[2]) return 3;
    if (site->userLinks[1]) return 2;
    return site->userLinks[0] ? 1 : 0;
}

HALFSPACE* GetMostNeighborlyUnfinishedVSite(HALFSPACE* sites) {
    HALFSPACE* best = nullptr;
    int bestCount = -1;
    for (HALFSPACE* s = sites->head->next; s != sites->head; s = s->next) {
        if (s->userFlag) continue;
        const int c = GetNeighborCount(s);
        if (c > bestCount) {
            best = s;
            bestCount = c;
        }
    }
    return best;
}

namespace {

void AddOneHintToNeighbor(HALFSPACE* neighbour, HALFSPACE* site) {
    if (!neighbour || neighbour == site) return;
    for (int k = 0; k < 3; ++k) {
        if (SiteHint(neighbour, k) == site) return;
        if (!neighbour->userLinks[k]) {
            neighbour->userLinks[k] = reinterpret_cast<int64_t>(site);
            return;
        }
    }
}

triplex UnitOrZ(triplex p) {
    const double m = std::sqrt(Tdot_product(p, p));
    return m > 0.0 ? Tscale(p, 1.0 / m) : triplex{0.0, 0.0, 1.0};
}

// A corner of a cell being cut, with the site whose plane carries the edge
// from it to the next corner (null: an edge of the starting square).
struct Corner {
    triplex p;
    HALFSPACE* edgeSite;
};

// A unit vector perpendicular to the unit vector n.
triplex Perpendicular(triplex n) {
    const triplex t = std::fabs(n.x) < 0.9 ? triplex{1.0, 0.0, 0.0} : triplex{0.0, 1.0, 0.0};
    return UnitOrZ(Tcross_product(t, n));
}

// Keeps the part of the ring where n·p - offset is at most the tolerance; the
// crossings lie on the ring's edges. False when nothing was cut.
bool ClipRing(std::vector<Corner>& ring, std::vector<Corner>& scratch, triplex n, double offset, double tolerance,
              HALFSPACE* cutter) {
    const size_t m = ring.size();
    bool anyOut = false;
    for (const Corner& c : ring) anyOut = anyOut || Tdot_product(n, c.p) - offset > tolerance;
    if (!anyOut) return false;
    scratch.clear();
    for (size_t i = 0; i < m; ++i) {
        const Corner& cur = ring[i];
        const Corner& nxt = ring[(i + 1) % m];
        const double s0 = Tdot_product(n, cur.p) - offset, s1 = Tdot_product(n, nxt.p) - offset;
        const bool in0 = s0 <= tolerance, in1 = s1 <= tolerance;
        // Where the edge meets the plane, clamped to the edge.
        auto crossing = [&]() {
            const double d = s0 - s1;
            double t = d != 0.0 ? s0 / d : 0.5;
            t = std::clamp(t, 0.0, 1.0);
            return Tadd(cur.p, Tscale(Tsub(nxt.p, cur.p), t));
        };
        if (in0) scratch.push_back(cur);
        if (in0 && !in1) scratch.push_back(Corner{crossing(), cutter});
        if (!in0 && in1) scratch.push_back(Corner{crossing(), cur.edgeSite});
    }
    ring.swap(scratch);
    return true;
}

// The cell of `site` cut out of a large square in its plane.
void CutCell(HALFSPACE* site, const std::vector<HALFSPACE*>& order, double tolerance, VoronoiHandlingOptions* o,
             double reach, std::vector<Corner>& ring) {
    const triplex a = site->point;
    const double la = std::sqrt(Tdot_product(a, a));
    const triplex na = UnitOrZ(a);
    const triplex u = Perpendicular(na), v = Tcross_product(na, u);
    const double L = reach * (la > 0.0 ? la : 1.0);
    ring.clear();
    ring.push_back(Corner{Tadd(a, Tadd(Tscale(u, L), Tscale(v, L))), nullptr});
    ring.push_back(Corner{Tadd(a, Tadd(Tscale(u, -L), Tscale(v, L))), nullptr});
    ring.push_back(Corner{Tadd(a, Tadd(Tscale(u, -L), Tscale(v, -L))), nullptr});
    ring.push_back(Corner{Tadd(a, Tadd(Tscale(u, L), Tscale(v, -L))), nullptr});
    std::vector<Corner> scratch;
    scratch.reserve(16);
    // On the unit sphere a site farther than twice the cell's angular radius
    // cannot cut it; the sites come nearest first, so the rest cannot either.
    const bool unitSite = std::fabs(la - 1.0) < 1e-9;
    double reachCos = -2.0;
    for (HALFSPACE* b : order) {
        const triplex pb = b->point;
        triplex n;
        double offset;
        if (o->bisectorKind == 0) {
            const triplex d = Tsub(pb, a);
            const double ld = std::sqrt(Tdot_product(d, d));
            if (ld < o->mergeDistance) {
                // A site on top of this one: the two have no cell between them.
                ++o->counters.facesWithSiteCulls;
                ring.clear();
                return;
            }
            n = Tscale(d, 1.0 / ld);
            offset = Tdot_product(n, Tscale(Tadd(a, pb), 0.5));
        } else {
            const triplex nb = UnitOrZ(pb);
            const double db = std::sqrt(Tdot_product(pb, pb));
            const triplex w = Tsub(Tscale(na, db), Tscale(nb, la));
            const double lw = std::sqrt(Tdot_product(w, w));
            if (lw < 1e-12) {
                ++o->counters.facesWithSiteCulls;
                continue;
            }
            n = Tscale(w, 1.0 / lw);
            if (Tdot_product(n, a) > 0.0) n = Tnegative(n);
            offset = 0.0;
        }
        if (unitSite && std::fabs(std::sqrt(Tdot_product(pb, pb)) - 1.0) < 1e-9 &&
            Tdot_product(na, pb) < reachCos)
            break;
        if (!ClipRing(ring, scratch, n, offset, tolerance, b)) continue;
        o->counters.items += int64_t(ring.size());
        if (ring.size() < 3) return;
        if (unitSite) {
            double minCos = 1.0;
            bool square = false;
            for (const Corner& c : ring) {
                minCos = std::min(minCos, Tdot_product(na, UnitOrZ(c.p)));
                square = square || c.edgeSite == nullptr;
            }
            // cos(2r) = 2cos²r - 1, less a margin; a ring still touching the
            // square is not yet bounded by sites.
            reachCos = square || minCos <= 0.0 ? -2.0 : 2.0 * minCos * minCos - 1.0 - 1e-9;
        }
    }
}

// Drops corners nearer than the distance to the corner before them.
void MergeRing(std::vector<Corner>& ring, double distance) {
    bool merged = true;
    while (merged && ring.size() > 1) {
        merged = false;
        for (size_t i = 0; i < ring.size() && ring.size() > 1; ++i) {
            const size_t j = (i + 1) % ring.size();
            if (Tdistance(ring[i].p, ring[j].p) < distance) {
                ring[i].edgeSite = ring[j].edgeSite;
                ring.erase(ring.begin() + std::ptrdiff_t(j));
                merged = true;
                break;
            }
        }
    }
}

}  // namespace

int64_t Build_one_vface_using_tangent_planes(HALFSPACE* site, HALFSPACE* sites, HALFSPACE* face, double tolerance,
                                             VoronoiHandlingOptions* o) {
    ++o->counters.calls;
    const triplex na = UnitOrZ(site->point);
    // Nearest sites first, then the hinted neighbours before them.
    std::vector<std::pair<double, HALFSPACE*>> keyed;
    keyed.reserve(size_t(sites->head->count));
    for (HALFSPACE* b = sites->head->next; b != sites->head; b = b->next)
        if (b != site) keyed.emplace_back(-Tdot_product(na, UnitOrZ(b->point)), b);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<HALFSPACE*> order;
    order.reserve(keyed.size());
    HALFSPACE* hinted[3] = {nullptr, nullptr, nullptr};
    for (int k = 0; k < 3; ++k)
        if (HALFSPACE* h = SiteHint(site, k); h && h != site && h->head == sites->head) {
            hinted[k] = h;
            order.push_back(h);
        }
    for (const auto& [key, b] : keyed)
        if (b != hinted[0] && b != hinted[1] && b != hinted[2]) order.push_back(b);

    // A small square first (cells of up to 75 degrees), keeping the corners
    // exact; a cell that still touches it is cut again from a huge one.
    std::vector<Corner> ring;
    CutCell(site, order, tolerance, o, 4.0, ring);
    bool touches = false;
    for (const Corner& c : ring) touches = touches || c.edgeSite == nullptr;
    if (touches) CutCell(site, order, tolerance, o, 1e4, ring);
    MergeRing(ring, o->mergeDistance);
    if (ring.size() < 3) return int64_t(ring.size());
    for (size_t i = 0; i < ring.size(); ++i) {
        HALFSPACE* n = AddPointToEndOfList(ring[i].p, face, int64_t(i));
        if (!n) continue;
        // The two sites whose planes meet at this corner take this site as a hint.
        AddOneHintToNeighbor(ring[i].edgeSite, site);
        AddOneHintToNeighbor(ring[(i + ring.size() - 1) % ring.size()].edgeSite, site);
    }
    return int64_t(ring.size());
}

void Build_one_vface_driver(HALFSPACE* site, HALFSPACE* sites, HALFSPACE* face, VoronoiHandlingOptions* o) {
    if (!site || site->userFlag) return;
    double tolerance = o->planeTolerance;
    for (int attempt = 0; attempt < 8; ++attempt, tolerance *= 5.0) {
        DisposeListExceptForHead(face);
        if (Build_one_vface_using_tangent_planes(site, sites, face, tolerance, o) > 2) return;
    }
    DisposeListExceptForHead(face);
}

// ---- face writers ----

namespace {

int64_t VertexAt(polyhedron* poly, triplex p, double distance) {
    uint8_t added = 0;
    return AddNew3DDVertToPolyhedron_tol(poly, p, &added, distance);
}

void AddFaceOfVertices(polyhedron* poly, std::vector<int64_t> v, const HALFSPACE* owner, int64_t tag, int marker,
                       uint8_t flag) {
    for (int64_t i : v)
        if (i < 0) return;  // the vertex store is full; its status says so
    // Corners merged into one vertex leave the ring.
    for (size_t i = 0; i < v.size() && v.size() > 1;) {
        if (v[i] == v[(i + 1) % v.size()])
            v.erase(v.begin() + std::ptrdiff_t(i));
        else
            ++i;
    }
    if (v.size() < 3) return;
    FaceAddingOptions fo;
    GetDefaultFaceAddingOptions(&fo);
    fo.vertices = v.data();
    fo.count = int32_t(v.size());
    fo.deferUpdate = 1;
    fo.duplicateTest = flag;
    fo.group = tag;
    fo.longValue[0] = marker;
    if (owner) {
        fo.siteId = owner->id;
        fo.sitePoint = owner->point;
    }
    core_Add3DFaceToPolyhedron(poly, &fo);
}

std::vector<triplex> PointsOf(const HALFSPACE* list) {
    std::vector<triplex> pts;
    for (const HALFSPACE* n = list->head->next; n != list->head; n = n->next) pts.push_back(n->point);
    return pts;
}

int16_t OwnerTag(const HALFSPACE* owner) { return owner ? owner->userTag : int16_t(-1); }

void SaveTriangle(triplex a, triplex b, triplex c, polyhedron* poly, const HALFSPACE* owner, int marker,
                  double distance, uint8_t flag) {
    const triplex n = Tcross_product(Tsub(a, b), Tsub(c, b));
    if (Tdot_product(n, b) <= 0.0)
        SaveFace_core(a, b, c, poly, owner, marker, distance, flag);
    else
        SaveFace_core(c, b, a, poly, owner, marker, distance, flag);
}

void WriteFan(const std::vector<triplex>& pts, const HALFSPACE* owner, polyhedron* poly,
              const VoronoiHandlingOptions* o) {
    const size_t n = pts.size();
    if (n < 3) return;
    size_t apex = 0;
    double best = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const triplex p = pts[i];
        double score;
        if (o->fanApexRule == 0)
            score = Tdistance(p, pts[(i + 1) % n]);
        else if (o->fanApexRule == 1)
            score = std::fabs(p.y);
        else
            score = -(p.x * p.x + p.z * p.z);
        if (i == 0 || score > best) {
            best = score;
            apex = i;
        }
    }
    for (size_t k = 1; k + 1 < n; ++k)
        SaveTriangle(pts[apex], pts[(apex + k) % n], pts[(apex + k + 1) % n], poly, owner, 0, o->mergeDistance,
                     o->duplicateTest);
}

void WriteWhole(const std::vector<triplex>& pts, const HALFSPACE* owner, polyhedron* poly, uint8_t flag,
                double distance = kPointMergeTolerance) {
    std::vector<int64_t> v;
    for (const triplex& p : pts) v.push_back(VertexAt(poly, p, distance));
    AddFaceOfVertices(poly, v, owner, -1, 0, flag);
}

bool IsStraightish(triplex q, triplex p, triplex r) {
    const triplex a = UnitOrZ(Tsub(q, p)), b = UnitOrZ(Tsub(r, p));
    return Tdot_product(a, b) < -0.939692620785908;
}

bool HasShaveableProportions(triplex q, triplex p, triplex r) {
    const double a = Tdistance(p, q), b = Tdistance(p, r);
    return !(a > 15.0 * b || b > 15.0 * a);
}

void MaybeShaveSillyVerts(std::vector<triplex>& ring, const HALFSPACE* owner, polyhedron* poly,
                          const VoronoiHandlingOptions* o) {
    bool shaved = true;
    while (shaved && ring.size() >= 4) {
        shaved = false;
        const size_t n = ring.size();
        for (size_t i = 0; i < n; ++i) {
            const triplex& q = ring[(i + n - 1) % n];
            const triplex& p = ring[i];
            const triplex& r = ring[(i + 1) % n];
            const triplex& qq = ring[(i + n - 2) % n];
            const triplex& rr = ring[(i + 2) % n];
            if (!IsStraightish(q, p, r) || IsStraightish(qq, q, p) || IsStraightish(p, r, rr) ||
                !HasShaveableProportions(q, p, r))
                continue;
            SaveTriangle(q, p, r, poly, owner, 1, o->mergeDistance, 0);
            ring.erase(ring.begin() + std::ptrdiff_t(i));
            shaved = true;
            break;
        }
    }
}

void OrderRing(std::vector<triplex>& pts) {
    triplex mean{0.0, 0.0, 0.0};
    for (const triplex& p : pts) mean = Tadd(mean, p);
    const triplex c = UnitOrZ(mean);
    const triplex u = Perpendicular(c), v = Tcross_product(u, c);
    std::vector<std::pair<double, size_t>> keyed;
    for (size_t i = 0; i < pts.size(); ++i)
        keyed.emplace_back(-double(std::atan2(float(Tdot_product(pts[i], v)), float(Tdot_product(pts[i], u)))), i);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<triplex> sorted;
    for (const auto& k : keyed) sorted.push_back(pts[k.second]);
    pts.swap(sorted);
}

}  // namespace

void SaveFace_core(triplex a, triplex b, triplex c, polyhedron* poly, const HALFSPACE* owner, int marker,
                   double distance, uint8_t flag) {
    AddFaceOfVertices(poly, {VertexAt(poly, a, distance), VertexAt(poly, b, distance), VertexAt(poly, c, distance)},
                      owner, OwnerTag(owner), marker, flag);
}

void AddFanOfTriangularFacesToPoly(HALFSPACE* polygon, const HALFSPACE* owner, polyhedron* poly,
                                   const VoronoiHandlingOptions* o) {
    WriteFan(PointsOf(polygon), owner, poly, o);
}

void AddNonTriangularFaceToPoly(HALFSPACE* polygon, const HALFSPACE* owner, polyhedron* poly,
                                const VoronoiHandlingOptions* o) {
    WriteWhole(PointsOf(polygon), owner, poly, o->duplicateTest);
}

void AddOneOrderedFaceToPoly(HALFSPACE* polygon, const HALFSPACE* owner, polyhedron* poly,
                             const VoronoiHandlingOptions* o) {
    const int64_t n = GetElementCount(polygon);
    if (o->wholeFaces && n <= kMaxFaceVertices)
        AddNonTriangularFaceToPoly(polygon, owner, poly, o);
    else
        AddFanOfTriangularFacesToPoly(polygon, owner, poly, o);
}

namespace {

// Shaves and writes a ring already counter-clockwise seen from outside. The
// corners of an exact ring are a diagram's vertices: each vertex of the
// solid is one of them, however near the next.
void WriteOrderedRing(std::vector<triplex>& ring, const HALFSPACE* owner, polyhedron* poly,
                      const VoronoiHandlingOptions* o, bool exact = false) {
    if (ring.size() < 3) return;
    VoronoiHandlingOptions w = *o;
    if (exact) w.mergeDistance = kDiagramVertexDistance;
    if (o->shave) MaybeShaveSillyVerts(ring, owner, poly, &w);
    if (o->wholeFaces && ring.size() >= 4 && ring.size() <= size_t(kMaxFaceVertices))
        WriteWhole(ring, owner, poly, o->duplicateTest, exact ? kDiagramVertexDistance : kPointMergeTolerance);
    else
        WriteFan(ring, owner, poly, &w);
}

}  // namespace

void DumpPointListIntoPolyhedron(HALFSPACE* points, const HALFSPACE* owner, polyhedron* poly,
                                 const VoronoiHandlingOptions* o) {
    std::vector<triplex> ring = PointsOf(points);
    if (ring.size() < 3) return;
    OrderRing(ring);
    WriteOrderedRing(ring, owner, poly, o);
}

// ---- the whole diagram ----

bool BuildVoronoiDiagram(HALFSPACE* sites, VoronoiDiagram* d) {
    // A site's plane passes through it square to it: x·p = |p|², the plane
    // x·q = 1 of its polar point q = p / |p|², so the planes meet at the
    // polar points of the facets of the hull of the q (the sites themselves
    // when they lie on the unit sphere).
    std::vector<triplex> pts;
    for (HALFSPACE* s = sites->head->next; s != sites->head; s = s->next) {
        const double m = Tdot_product(s->point, s->point);
        if (!(m > 0.0)) return false;
        pts.push_back(Tscale(s->point, 1.0 / m));
        d->site.push_back(s);
    }
    std::vector<std::pair<triplex, double>> facets;
    std::vector<std::vector<int32_t>> through;
    if (pts.size() < 4 || !QhullFacets(pts, facets, &through)) return false;
    d->cell.assign(pts.size(), {});
    for (size_t f = 0; f < facets.size(); ++f) {
        const auto& [n, offset] = facets[f];
        if (!(offset < -1e-9)) return false;  // the sites leave a cap without bound
        d->vertex.push_back(Tscale(n, -1.0 / offset));
        for (int32_t p : through[f])
            if (p >= 0 && size_t(p) < pts.size()) d->cell[size_t(p)].push_back(int32_t(f));
    }
    // Facets that qhull keeps apart though their planes all but coincide
    // give vertices closer than single precision tells apart: one vertex
    // stands for each such cluster, the first of it.
    std::vector<size_t> order(d->vertex.size()), root(d->vertex.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = root[i] = i;
    std::sort(order.begin(), order.end(), [d](size_t a, size_t b) { return d->vertex[a].x < d->vertex[b].x; });
    auto find = [&root](size_t i) {
        while (root[i] != i) i = root[i] = root[root[i]];
        return i;
    };
    for (size_t i = 0; i < order.size(); ++i)
        for (size_t j = i + 1; j < order.size() && d->vertex[order[j]].x - d->vertex[order[i]].x < kDiagramVertexJoin; ++j)
            if (Tdistance(d->vertex[order[i]], d->vertex[order[j]]) < kDiagramVertexJoin) {
                const size_t a = find(order[i]), b = find(order[j]);
                root[std::max(a, b)] = std::min(a, b);
            }
    for (std::vector<int32_t>& cell : d->cell)
        for (int32_t& k : cell) k = int32_t(find(size_t(k)));
    // Round each site in its tangent plane, where its cell is convex about
    // it: counter-clockwise seen from outside.
    for (size_t i = 0; i < pts.size(); ++i) {
        const triplex a = d->site[i]->point, n = UnitOrZ(a), u = Perpendicular(n), v = Tcross_product(n, u);
        std::vector<std::pair<double, int32_t>> keyed;
        for (int32_t k : d->cell[i]) {
            const triplex r = Tsub(d->vertex[size_t(k)], a);
            keyed.emplace_back(std::atan2(Tdot_product(r, v), Tdot_product(r, u)), k);
        }
        std::sort(keyed.begin(), keyed.end());
        std::vector<int32_t>& cell = d->cell[i];
        cell.clear();
        for (const auto& [angle, k] : keyed)
            if (std::find(cell.begin(), cell.end(), k) == cell.end()) cell.push_back(k);
    }
    return true;
}

std::vector<triplex> DiagramCellOf(const VoronoiDiagram* d, const HALFSPACE* site, triplex start) {
    std::vector<triplex> ring;
    const auto at = std::find(d->site.begin(), d->site.end(), site);
    if (at == d->site.end()) return ring;
    const std::vector<int32_t>& cell = d->cell[size_t(at - d->site.begin())];
    size_t first = 0;
    for (size_t k = 1; k < cell.size(); ++k)
        if (Tdistance(d->vertex[size_t(cell[k])], start) < Tdistance(d->vertex[size_t(cell[first])], start)) first = k;
    for (size_t k = 0; k < cell.size(); ++k) ring.push_back(d->vertex[size_t(cell[(first + k) % cell.size()])]);
    return ring;
}

triplex SnapVoronoiCorner(const VoronoiDiagram* d, triplex c, double reach) {
    double best = reach;
    triplex at = c;
    for (const triplex& v : d->vertex)
        if (const double e = Tdistance(v, c); e < best) {
            best = e;
            at = v;
        }
    return at;
}

int64_t MergeListAIntoListB_killing_redundant_points(HALFSPACE* a, HALFSPACE* b, double distance) {
    int64_t copied = 0;
    for (HALFSPACE* n = a->head->next; n != a->head; n = n->next) {
        const double p[3] = {n->point.x, n->point.y, n->point.z};
        HALFSPACE* c = AddPointToList_while_killing_redundancies(p, b->head->prev, n->id, distance);
        n->userWords[0] = c ? 1 : 0;
        if (c) ++copied;
    }
    return copied;
}

void process_one_vsite(HALFSPACE* site, int64_t order, polyhedron* poly, int64_t mergeFlag,
                       VoronoiHandlingOptions* o, HALFSPACE* sites, HALFSPACE* mergeList) {
    if (site->userLinks[0]) ++o->counters.facesHelpedByHints;
    if (o->siteNumbering == 2) site->id = order;
    HALFSPACE face;
    InitEmptyList(&face);
    Build_one_vface_driver(site, sites, &face, o);
    // The corners, in their order round the cell (counter-clockwise seen
    // from outside): the diagram's own, from the corner the cut began at;
    // else the cut's, each moved onto the diagram's vertex it stands for.
    bool unbounded = false;
    const double far = 1000.0 * std::sqrt(Tdot_product(site->point, site->point));
    std::vector<triplex> ring;
    for (HALFSPACE* n = face.next; n != &face; n = n->next) {
        unbounded = unbounded || std::sqrt(Tdot_product(n->point, n->point)) > far;
        const triplex c = o->diagram ? SnapVoronoiCorner(o->diagram, n->point, 1e-3) : n->point;
        if (ring.empty() || Tdistance(ring.back(), c) > 0.0) ring.push_back(c);
    }
    while (ring.size() > 1 && Tdistance(ring.front(), ring.back()) == 0.0) ring.pop_back();
    bool exact = false;
    if (o->diagram && !ring.empty() && !unbounded) {
        std::vector<triplex> cell = DiagramCellOf(o->diagram, site, face.next->point);
        if (cell.size() >= 3) {
            ring.swap(cell);
            exact = true;
        }
    }
    if (mergeFlag && mergeList) {
        MergeListAIntoListB_killing_redundant_points(&face, mergeList, o->mergeDistance);
    } else if (ListIsEmpty(&face)) {
        poly->status = kPolyStatusEmptyCell;
    } else if (unbounded) {
        poly->status = kPolyStatusUnboundedCell;
    } else {
        if (o->squash > 0.0)
            for (triplex& c : ring) c = Tadd(c, Tscale(Tsub(UnitOrZ(c), c), o->squash));
        WriteOrderedRing(ring, site, poly, o, exact);
    }
    DisposeListExceptForHead(&face);
    site->userFlag = 1;
}

void make_poly_from_voronoi_sites(polyhedron* poly, int64_t mergeFlag, VoronoiHandlingOptions* o, HALFSPACE* sites,
                                  HALFSPACE* mergeList) {
    for (HALFSPACE* s = sites->head->next; s != sites->head; s = s->next) reset_node(s);
    VoronoiDiagram diagram;
    const VoronoiDiagram* before = o->diagram;
    if (BuildVoronoiDiagram(sites, &diagram)) o->diagram = &diagram;
    for (int64_t order = 1;; ++order) {
        HALFSPACE* site = GetMostNeighborlyUnfinishedVSite(sites);
        if (!site) break;
        process_one_vsite(site, order, poly, mergeFlag, o, sites, mergeList);
    }
    o->diagram = before;
}
