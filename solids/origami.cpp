// Curved-origami solids.
//
// Band geometry. Each element is its face's regular polygon of paper
// (circumradius 1). Its creases are the edges of a flat central polygon and
// the concave sides; neighbouring elements meet along the polygon's straight
// edges (the seams). The prototype is made over a canonical face: corners P_i
// at circumradius 1 in z = 0, P_0 = (0, 1, 0), counter-clockwise seen from +z,
// and the base solid's centre O = (0, 0, -d) with d = cos(π/n)·tan(δ/2) (δ the
// dihedral angle; 0 for a polygon given twice, whose two sheets lie back to
// back).
//
// One half-piece is the paper between side A (from P_{n-1} to P_0) and corner
// P_0, from the side's middle on. At samples k = 0..15, t = 1/2 + k/30:
// crease point a = A(t), axis foot h = (A + C)/2, seam foot l = (A + B)/2; the
// flat rungs a-h (half the hat width) and a-l (half the lens width) are
// perpendicular to the corner's axis and to the seam. In 3D the solid keeps
// the base solid's mirrors: h lies on the mirror through O, the face centre
// and P_0 (normal hatNormal), l on the mirror through O and the base edge
// P_{n-1}P_0 (normal seamNormal), each rung perpendicular to its mirror at its
// flat length. So a_k lies on the line where the two planes offset from the
// mirrors by those lengths meet, a line parallel to O P_0. Its one unknown,
// its place on that line, is fixed by the flat crease step |A(t_k) - A(t_k-1)|:
// the hinge angle is the pitch of the step a_{k-1}a_k against the plane across
// that line, found by the hinge search and kept per step in the context's
// memo. Each hat quad (a_{k-1}, a_k, h_k, h_{k-1}; group g) and lens quad
// (a_{k-1}, a_k, l_k, l_{k-1}; group g + 1) is then a right trapezoid with
// both rungs normal to one mirror: planar, and congruent to its flat one.
// The halves of a piece meet on the hat mirror, neighbours' lenses on the
// seam mirror. At k = 15 both widths are 0: two triangles, and the tip on the
// line O P_0. a_0 obeys the same offsets and lies on the mirror through O and
// the side's middle; the central polygon lists each h_0 between its a_0
// corners (2n corners), so no edge is split.
//
// The prototype is scaled about O until its tip lands on P_0; each face of
// the base solid then takes it by the similarity that carries P_i onto the
// face's corners. The prototype is only measured, never emitted.
//
// Scissor marks, one per turn (π/4, 24°, -4°) per half-piece: centre a_1,
// radius half the lens width at t = 1/2 + the kind's second value, points
// a_0, a_2 and l_1 turned about the crease (through a_1 along a_2 - a_0).
#include "solids/origami.h"

#include <cmath>
#include <cstring>

#include "common/vectors.h"
#include "nets/scissor_marks.h"
#include "nets/weirdo_signals.h"
#include "polyhedra/builtin_shapes.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/origami_curves.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/poly_store.h"
#include "polyhedra/polyhedron_params.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHingeLimit = 1.5393804002589986;  // 0.49π
constexpr double kYangMergeTolerance = 2e-5;
constexpr double kMarkTurns[3] = {kPi / 4, 0.41887902047863906, -0.06981317007977318};

HingeSearch gHingeSearch = nullptr;

triplex CanonicalCorner(int i, int n) {
    const double a = (90.0 + i * 360.0 / n) * kPi / 180.0;
    return {std::cos(a), std::sin(a), 0};
}

// x with rows·x = rhs (three rows).
triplex Solve3(triplex r0, triplex r1, triplex r2, triplex rhs) {
    const triplex c12 = Tcross_product(r1, r2), c20 = Tcross_product(r2, r0), c01 = Tcross_product(r0, r1);
    const double det = Tdot_product(r0, c12);
    return Tscale(Taddthree(Tscale(c12, rhs.x), Tscale(c20, rhs.y), Tscale(c01, rhs.z)), 1 / det);
}

struct HingeStep {
    triplex foot, along, previous;
    double across, wanted;
};

triplex HingePoint(const HingeStep& s, double angle) {
    return Tadd(s.foot, Tscale(s.along, s.across * std::tan(angle)));
}

double hinge_error(void* record, double angle) {
    const HingeStep& s = *static_cast<HingeStep*>(record);
    if (angle < 0 || angle > kHingeLimit) return std::fabs(angle) + 99999999.0;
    return std::fabs(Tdistance(HingePoint(s, angle), s.previous) - s.wanted);
}

double HuntForBestHingeAngle(YangContext* ctx, int k, HingeStep* step) {
    if (k < kYangHingeSlots && ctx->hingeKnown[k]) return ctx->hinge[k];
    const double angle = gHingeSearch(hinge_error, step);
    if (k < kYangHingeSlots) {
        ctx->hinge[k] = angle;
        ctx->hingeKnown[k] = 1;
    }
    return angle;
}

// The canonical prototype turned to corner j, mirrored across its hat mirror
// for the second half.
triplex Place(triplex p, int j, int n, bool mirrored) {
    if (mirrored) p.x = -p.x;
    const double a = 2 * kPi * j / n, c = std::cos(a), s = std::sin(a);
    return {c * p.x - s * p.y, s * p.x + c * p.y, p.z};
}

struct Emitter {
    polyhedron* poly;
    const spintype* spin;
    int n;
    int16_t sheet;  // the faces' tag when not -1 (the two-sided square's sheets)

    int64_t Vertex(triplex p) const {
        return AddNew3DVertToPolyhedron_private(poly, ApplySpintypeToPoint(spin, p.x, p.y, p.z),
                                                kYangMergeTolerance, nullptr);
    }
    void Face(const triplex* pts, int count, int64_t group, bool reversed) const {
        int64_t v[kMaxFaceVertices];
        count = count > kMaxFaceVertices ? kMaxFaceVertices : count;
        for (int k = 0; k < count; ++k) {
            v[k] = Vertex(pts[reversed ? count - 1 - k : k]);
            if (v[k] < 0) return;
        }
        FaceAddingOptions o;
        GetDefaultFaceAddingOptions(&o);
        o.vertices = v;
        o.count = count;
        o.group = group;
        o.deferUpdate = 1;
        const int64_t before = poly->faceCount3D;
        core_Add3DFaceToPolyhedron(poly, &o);
        if (sheet >= 0 && poly->faceCount3D == before + 1) poly->face3D[before].faceTag = sheet;
    }
};

void AddSignalOnce(polyhedron* poly, int64_t group, int64_t v) {
    if (v >= 0 && !InSignalListforGroupN(v, group, poly)) AddGroupSignal(poly, group, v);
}

// One element: the central polygon, then per corner its two half-pieces.
void BuildOneElement(YangContext* ctx, const YangHalfPiece& hp, const spintype* spin, int n, int64_t e,
                     int64_t kind) {
    polyhedron* poly = ctx->poly;
    const int16_t sheet = kind == kYangKindTwoSidedSquare ? int16_t(e + 1) : int16_t(-1);
    const Emitter out{poly, spin, n, sheet};
    const int64_t s = (2 * n + 1) * e;
    triplex centre[2 * kMaxFaceVertices];
    for (int j = 0; j < n; ++j) {
        centre[2 * j] = Place(hp.a[0], j, n, false);
        centre[2 * j + 1] = Place(hp.h[0], j, n, false);
    }
    out.Face(centre, 2 * n, s, false);
    for (int j = 0; j < n; ++j) AddSignalOnce(poly, s, out.Vertex(centre[2 * j]));

    const double radius = WidthOfLensAt(ctx->style, 0.5 + YangSecondValue(kind)) / 2;
    for (int j = 0; j < n; ++j) {
        const int64_t g = s + 1 + 2 * j;
        for (int half = 0; half < 2; ++half) {
            const bool m = half == 1;
            auto P = [&](triplex p) { return Place(p, j, n, m); };
            for (int k = 1; k <= kYangSteps; ++k) {
                if (k < kYangSteps) {
                    const triplex hat[4] = {P(hp.a[k - 1]), P(hp.a[k]), P(hp.h[k]), P(hp.h[k - 1])};
                    const triplex lens[4] = {P(hp.l[k - 1]), P(hp.l[k]), P(hp.a[k]), P(hp.a[k - 1])};
                    out.Face(hat, 4, g, m);
                    out.Face(lens, 4, g + 1, m);
                } else {
                    const triplex hat[3] = {P(hp.a[k - 1]), P(hp.a[k]), P(hp.h[k - 1])};
                    const triplex lens[3] = {P(hp.l[k - 1]), P(hp.a[k]), P(hp.a[k - 1])};
                    out.Face(hat, 3, g, m);
                    out.Face(lens, 3, g + 1, m);
                }
            }
            const int64_t a0 = out.Vertex(P(hp.a[0]));
            AddSignalOnce(poly, g, a0);
            AddSignalOnce(poly, g, out.Vertex(P(hp.h[0])));
            AddSignalOnce(poly, g + 1, a0);
            AddSignalOnce(poly, g + 1, out.Vertex(P(hp.l[0])));
            const triplex a1 = P(hp.a[1]), a0p = P(hp.a[0]), a2 = P(hp.a[2]), l1 = P(hp.l[1]);
            const triplex crease = Tnormalize(Tsub(a2, a0p));
            for (double turn : kMarkTurns)
                AddScissorMark(poly, a1, radius, g, spin, e + 1, a0p, a2, SpinPointAroundAxis(a1, crease, turn, l1));
        }
    }
    for (int j = 0; j < n; ++j) AddFragmentSignal(poly, e + 1, out.Vertex(centre[2 * j]));
}

// The two-sided square's sheets are mapped by a quincuncial warp laid over
// three net corners of each: corner 0 and its neighbours 1 and 3 on the
// first sheet (face tag 1), the opposite corner 2 and the same neighbours on
// the second (tag 2), so that the two maps meet along the shared rim.
void ListSquareSheetCorners(polyhedron* poly, const triplex* c) {
    const int order[6] = {0, 1, 3, 2, 1, 3};
    for (int k = 0; k < 6; ++k) poly->wedgeVertex[k] = CloseMatch3D(poly, c[order[k]], kYangMergeTolerance);
}

// The similarity that carries the canonical corners (after the prototype's
// scaling by lambda about O) onto the face's corners c[0..n-1].
spintype FaceSpintype(const triplex* c, int n, double lambda, triplex O) {
    spintype sp{};
    sp.axis = {0, 0, 1};
    const triplex P0 = CanonicalCorner(0, n), P1 = CanonicalCorner(1, n);
    const triplex u = Tnormalize(Tsub(P1, P0)), w{0, 0, 1}, v = Tcross_product(w, u);
    const triplex u2 = Tnormalize(Tsub(c[1], c[0]));
    const triplex w2 = Tnormalize(Tcross_product(Tsub(c[1], c[0]), Tsub(c[2], c[1])));
    const triplex v2 = Tcross_product(w2, u2);
    const double sigma = Tdistance(c[0], c[1]) / Tdistance(P0, P1);
    auto R = [&](triplex p) {
        return Taddthree(Tscale(u2, Tdot_product(u, p)), Tscale(v2, Tdot_product(v, p)),
                         Tscale(w2, Tdot_product(w, p)));
    };
    const triplex ex = R({1, 0, 0}), ey = R({0, 1, 0}), ez = R({0, 0, 1});
    const double f = sigma * lambda;
    const triplex t = Tadd(Tsub(c[0], Tscale(R(P0), sigma)), Tscale(R(O), sigma * (1 - lambda)));
    const double m[12] = {f * ex.x, f * ey.x, f * ez.x, t.x, f * ex.y, f * ey.y, f * ez.y, t.y,
                          f * ex.z, f * ey.z, f * ez.z, t.z};
    std::memcpy(sp.matrix, m, sizeof m);
    return sp;
}

}  // namespace

void SetOrigamiHingeSearch(HingeSearch search) { gHingeSearch = search; }
HingeSearch OrigamiHingeSearch() { return gHingeSearch; }

double YangDihedral(int64_t kind) {
    switch (kind) {
        case kYangKindTetrahedron: return 1.2309594173407747;
        case kYangKindCube: return kPi / 2;
        case kYangKindOctahedron: return 1.9106332362490184;
        case kYangKindDodecahedron: return 2.0344439357957027;
        case kYangKindIcosahedron: return 2.411864997362827;
        default: return 0;
    }
}

double YangSecondValue(int64_t kind) {
    return kind == kYangKindDodecahedron ? 0.2863724086409762 : 0.28979642657037913;
}

bool BuildYangHalfPiece(YangContext* ctx, int64_t kind, int n, YangHalfPiece* hp) {
    if (!ctx || !hp || !gHingeSearch || n < 3 || n > 5) return false;
    MakeYang2DPoints();
    const int style = ctx->style;
    const double d = std::cos(kPi / n) * std::tan(YangDihedral(kind) / 2);
    const triplex O{0, 0, -d}, z{0, 0, 1};
    const triplex P0 = CanonicalCorner(0, n), Pl = CanonicalCorner(n - 1, n);
    const triplex nh = Tnormalize(Tcross_product(P0, z));
    triplex nl = Tnormalize(Tcross_product(Tsub(Pl, O), Tsub(P0, O)));
    if (nl.z < 0) nl = Tnegative(nl);
    const triplex nm = Tnormalize(Tcross_product(Tscale(Tadd(Pl, P0), 0.5), z));
    triplex e = Tnormalize(Tcross_product(nh, nl));
    if (Tdot_product(e, Tsub(P0, O)) < 0) e = Tnegative(e);
    hp->centreDepth = d;
    hp->hatNormal = nh;
    hp->seamNormal = nl;

    auto halfHat = [&](double t) { return WidthOfHatAt(style, t) / 2; };
    auto halfLens = [&](double t) { return WidthOfLensAt(style, t) / 2; };
    hp->a[0] = Tadd(O, Solve3(nh, nl, nm, {halfHat(0.5), halfLens(0.5), 0}));
    for (int k = 1; k <= kYangSteps; ++k) {
        const double t = 0.5 + k / 30.0, t0 = 0.5 + (k - 1) / 30.0;
        const triplex p = Tadd(O, Solve3(nh, nl, e, {halfHat(t), halfLens(t), 0}));
        const triplex prev = hp->a[k - 1];
        HingeStep step;
        step.along = e;
        step.foot = Tadd(p, Tscale(e, Tdot_product(Tsub(prev, p), e)));
        step.previous = prev;
        step.across = Tdistance(prev, step.foot);
        const CurvePoint A = ACurve(style, t), A0 = ACurve(style, t0);
        step.wanted = std::hypot(A.x - A0.x, A.y - A0.y);
        hp->a[k] = HingePoint(step, HuntForBestHingeAngle(ctx, k, &step));
    }
    for (int k = 0; k <= kYangSteps; ++k) {
        const double t = 0.5 + k / 30.0;
        hp->h[k] = Tsub(hp->a[k], Tscale(nh, k == kYangSteps ? 0 : halfHat(t)));
        hp->l[k] = Tsub(hp->a[k], Tscale(nl, k == kYangSteps ? 0 : halfLens(t)));
    }
    return true;
}

void Build_YangPlatonicSolid(YangContext* ctx, int64_t kind, int64_t faceCount, int64_t sides,
                             const double* coords, const uint16_t* faces, int32_t style) {
    if (!ctx || !ctx->poly || !coords || !faces || sides < 3 || sides > 5) return;
    ctx->style = style;
    const int n = int(sides);
    YangHalfPiece hp;
    if (!BuildYangHalfPiece(ctx, kind, n, &hp)) {
        ctx->poly->status = kPolyStatusUnbuilt;
        return;
    }
    // Scale about O until the tip lands on the canonical corner.
    const triplex O{0, 0, -hp.centreDepth};
    const double lambda = Tdistance(O, CanonicalCorner(0, n)) / Tdistance(O, hp.a[kYangSteps]);
    const uint16_t* list = faces;
    for (int64_t f = 0; f < faceCount; ++f) {
        triplex c[kMaxFaceVertices];
        int count = 0;
        for (; *list != 0; ++list)
            if (count < kMaxFaceVertices) {
                const double* p = coords + 3 * (*list - 1);
                c[count++] = {p[0], p[1], p[2]};
            }
        ++list;
        if (count != n) continue;
        const spintype sp = FaceSpintype(c, n, lambda, O);
        BuildOneElement(ctx, hp, &sp, n, f, kind);
        if (kind == kYangKindTwoSidedSquare && f == 0) ListSquareSheetCorners(ctx->poly, c);
    }
    AddAutomaticGroupingInfo(ctx->poly);
    AdjustScissorInfo(ctx->poly);
}

namespace {

struct YangRow {
    int64_t firstCode, lastCode, kind, faces, sides;
    const char* table;
    int32_t style;
};

constexpr YangRow kYangRows[] = {
    {171, 172, kYangKindTetrahedron, 4, 3, "YangTetra", kYangTriangle},
    {173, 174, kYangKindTetrahedron, 4, 3, "YangTetra", kYangKjarkatri},
    {175, 176, kYangKindTwoSidedTriangle, 2, 3, "two_sided_triangle", kYangTriangle},
    {177, 178, kYangKindTwoSidedPentagon, 2, 5, "two_sided_pentagon", kYangPentagon},
    {179, 180, kYangKindOctahedron, 8, 3, "YangOcto", kYangTriangle},
    {181, 182, kYangKindCube, 6, 4, "YangCube", kYangSquare},
    {183, 184, kYangKindCube, 6, 4, "YangCube", kYangSquircle},
    {185, 186, kYangKindDodecahedron, 12, 5, "plain_dodecahedron", kYangPentagon},
    {187, 188, kYangKindIcosahedron, 20, 3, "NewIco_Coords3D_2", kYangTriangle},
    {189, 192, kYangKindTwoSidedSquare, 2, 4, "two_sided_square", kYangSquare},
    {193, 196, kYangKindTwoSidedSquare, 2, 4, "two_sided_square", kYangSquircle},
};

const YangRow* RowOfCode(int64_t code) {
    for (const YangRow& r : kYangRows)
        if (code >= r.firstCode && code <= r.lastCode) return &r;
    return nullptr;
}

void BuildRow(YangContext* ctx, const YangRow& r) {
    const BuiltInShape* s = FindBuiltInShapeByName(r.table);
    if (!s) {
        ctx->poly->status = kPolyStatusUnbuilt;
        return;
    }
    std::memset(ctx->hinge, 0, sizeof ctx->hinge);
    std::memset(ctx->hingeKnown, 0, sizeof ctx->hingeKnown);
    Build_YangPlatonicSolid(ctx, r.kind, r.faces, r.sides, s->coords3D, s->faces3D, r.style);
}

// The marks' tags name the net fragment each sheet is printed in: its own
// (element + 1), or the first for the codes whose net is one piece.
void BuildCode(YangContext* ctx, int64_t code) {
    BuildRow(ctx, *RowOfCode(code));
    if (!ShapecodeIsACurvedOrigamiMonofrag(code)) return;
    polyhedron* poly = ctx->poly;
    for (int64_t m = 0; m < poly->scissorMarkCount && m < kMaxScissorMarks; ++m) poly->scissorMark[m].tag = 1;
}

}  // namespace

bool IsYangShapecode(int64_t code) { return RowOfCode(code) != nullptr; }

bool BuildYangShapecode(polyhedron* poly, int64_t code, int64_t parameter) {
    const YangRow* r = RowOfCode(code);
    if (!poly || !r) return false;
    YangContext ctx{};
    ctx.poly = poly;
    ctx.parameter = parameter;
    BuildCode(&ctx, code);
    return true;
}
