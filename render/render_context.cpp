#include "render/render_context.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/memory.h"
#include "nets/net_layout.h"
#include "solids/cramming.h"
#include "platform/foundation_threads.h"
#include "platform/host/filter_record.h"
#include "polyhedra/polyhedron.h"
#include "solids/kept_solids.h"
#include "solids/poly_setup.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/polyhedron_params.h"
#include "projections/florets.h"
#include "projections/twirl.h"
#include "records/warpy_basis.h"
#include "pyramid/pyramid.h"
#include "render/hilbert.h"
#include "render/host_pixels.h"
#include "render/overlays.h"
#include "host_access/FilterBigDocument.h"
#include "records/data.h"
#include "records/output_modes.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "engine/task_records.h"
#include "records/work_area.h"

namespace {

constexpr float kColourScale = 1.5259022e-5f;  // 1 / 65535
constexpr double kLensAngleLimit = 1.5692255;   // just short of 90 degrees
constexpr float kTiltLimit = 1.5393804f;        // radians, the shift lens's tilt
constexpr float kSecondTumble[3] = {-0.8650501f, 1.1684928f, -0.7012425f};

void UnitColour(const RGBColor& c, float out[4]) {
    out[0] = float(c.red) * kColourScale;
    out[1] = float(c.green) * kColourScale;
    out[2] = float(c.blue) * kColourScale;
    out[3] = 1.0f;
}

float LensFactor(float theta, double divisor) {
    // theta / 2 (divisor 180) or theta / 4 (divisor 360), in radians.
    double angle = double(theta) * 3.14159265358979 / (2.0 * divisor);
    if (double(theta) / divisor > 0.999) angle = kLensAngleLimit;
    return float(2.0 * std::tan(angle));
}

// Symmetric and asymmetric rows of the framing table.
struct BoxRow {
    int mode;
    double xMin, xMax, yMin, yMax;
};

constexpr BoxRow kBoxRows[] = {
    {78, -5, 5, -3, 3}, {337, -3, 3, -0.5, 0.5}, {338, -1.5, 1.5, -1, 1}, {339, -1.5, 1.5, -1, 1},
    {83, -2, 2, -2, 2}, {87, -2, 2, -2, 2},
    {1, -0.5, 0.5, -0.25, 0.25}, {4, -0.5, 0.5, -0.25, 0.25}, {11, -0.5, 0.5, -0.25, 0.25},
    {13, -0.5, 0.5, -0.25, 0.25}, {20, -0.5, 0.5, -0.25, 0.25}, {40, -0.5, 0.5, -0.25, 0.25},
    {46, -0.5, 0.5, -0.25, 0.25}, {81, -0.5, 0.5, -0.25, 0.25}, {138, -0.5, 0.5, -0.25, 0.25},
    {299, -0.5, 0.5, -0.25, 0.25}, {345, -0.5, 0.5, -0.25, 0.25}, {356, -0.5, 0.5, -0.25, 0.25},
    {398, -0.5, 0.5, -0.25, 0.25},
    {416, -0.5486111111111112, 0.5486111111111112, -0.25, 0.25},
    {357, -0.5, 0.5, -0.26825, 0.26825}, {414, -0.5, 0.5, -0.26825, 0.26825},
    {399, -2.59209, 2.59209, -1.45394865, 1.5246},
    // The back sheet of the retroazimuthal map lies in the same disc as the
    // front one; framed by the default box it would show none of it.
    {400, -3.141592653589793, 3.141592653589793, -3.141592653589793, 3.141592653589793},
    {401, -3.141592653589793, 3.141592653589793, -3.141592653589793, 3.141592653589793},
    {347, -1, 1, -1, 1}, {348, -1, 1, -1, 1}, {349, -1, 1, -1, 1}, {350, -1, 1, -1, 1}, {686, -1, 1, -1, 1},
    {340, -3.064731, 3.064731, -1.783395, 1.783395}, {354, -2.92325, 2.92325, -1.70905, 1.70905},
    {355, -2.73538, 2.73538, -1.42239, 1.42239}, {358, -2.44172, 2.44172, -1.89378, 1.89378},
    {359, -3.141592653, 3.141592653, -2.5648, 2.5648}, {546, -1, 1, -1, 1},
    {547, -2.7066299836960748, 2.7066299836960748, -1.3173627591574133, 1.3173627591574133},
    {899, -6, 6, -6, 6},
    {341, -2, 2, -0.94, 1.344}, {342, -2, 2, -0.94, 1.344}, {343, -2, 2, -1.344, 0.94}, {344, -2, 2, -1.344, 0.94},
    {409, -2.004, 2.004, -0.416, 3.484}, {346, -1.068, 1.068, -0.8505, 1.179},
    // Each ellipsoid globe (361, 363, 365, 367) is its flat twin shaded: it
    // shares the twin's projection, so it shares its frame and shape factor.
    {360, -1, 1, -0.648, 0.684}, {362, -1, 1, -0.684, 0.648}, {364, -1, 1, -0.78, 1.008}, {366, -1, 1, -1.008, 0.78},
    {361, -1, 1, -0.648, 0.684}, {363, -1, 1, -0.684, 0.648}, {365, -1, 1, -0.78, 1.008}, {367, -1, 1, -1.008, 0.78},
    {171, -0.5, 0.5, -0.25, 0.25}, {69, -1, 1, -1, 1}, {89, -1, 1, -1, 1}, {92, -1, 1, -0.5, 0.5},
    {120, -1, 1, -0.5, 0.5}, {93, -1, 1, -0.944, 0.944}, {43, -0.5, 0.5, -0.5, 0.23},
    {94, -1, 1, -1, 1}, {375, -1, 1, -1, 1}, {376, -1, 1, -1, 1}, {377, -1, 1, -1, 1}, {378, -1, 1, -1, 1},
    {140, -1, 1, -1, 1}, {369, -1, 1, -1, 1}, {417, -1.5, 1.5, -1.5, 1.5}, {141, -1, 1, -1, 1}, {142, -1, 1, -1, 1},
    {35, -2.570796326312263, 2.570796326312263, -1.5707963267948966, 1.5707963267948966},
    {90, -0.5, 0.5, -0.5, 0.5}, {91, -0.5, 0.5, -0.5, 0.5}, {410, -0.5, 0.5, -0.5, 0.5},
    {95, -1, 1, -0.95, 0.95}, {96, -1, 1, -0.867, 0.867}, {99, -1, 1, -0.5, 0.5}, {118, -2, 2, -0.5, 0.5},
    {119, -0.5, 0.5, -0.25, 0.25}, {121, -0.662304544626003, 0.662304544626003, -0.4343354807430048, 0.4343354807430048},
    {128, -1.414213562373095, 1.414213562373095, -1.414213562373095, 0.7071067811865475},
    {396, -0.6052834046956846, 0.6052834046956846, -0.428, 0.428},
    {397, -2.484446397593003, 2.484446397593003, -1.564091933, 1.564091933},
};

// Rows that come after the floret rows of the table.
constexpr BoxRow kLateBoxRows[] = {
    {80, -1, 1, -0.5, 0.5}, {415, -1, 1, -0.5, 0.5}, {84, -2.416, 2.416, -1.416, 1.416},
    {85, -0.5, 0.5, -0.5, 0.5}, {88, -0.5, 0.5, -0.5, 0.5}, {22, -0.391, 0.391, -0.298, 0.298},
    {23, -0.4625, 0.4625, -0.1855, 0.1855}, {48, -0.434, 0.434, -0.5, 0.308},
};

bool IsPetalMode(long m) {
    switch (m) {
        case 36: case 37: case 38: case 53: case 61: case 63: case 73: case 74: case 288: case 300: case 301: case 1044:
            return true;
        default: return false;
    }
}

float LobeCountOf(long m, float theta) {
    switch (m) {
        case 36: case 53: case 61: case 73: case 74: return 12.0f;
        case 37: return 24.0f;
        case 63: return 8.0f;
        case 1044: return 18.0f;
        case 38: case 288: case 300: case 301: return float(std::max<int64_t>(int64_t(std::floor(theta / 5.0f)), 3));
        default: return 0.0f;
    }
}

void ApplyBasisFrame(FramingBox* box, const WarpyBasis& b) {
    // The basis frames its lobes by left, top, right and bottom in thousandths
    // of the canvas.
    SetFramingBox(box, b.centreX * 0.001 - 0.5, b.canvasWidth * 0.001 - 0.5, b.centreY * 0.001 - 0.5,
                  b.canvasHeight * 0.001 - 0.5);
}

void GrowFrameToFloretFigure(FramingBox* box, const WarpyBasis& b, bool malta) {
    double figure[4];
    if (!FloretFigureBox(b, malta, figure)) return;
    // A figure that runs past its canvas is given room about the canvas's
    // own centre, so that a picture the figure fits keeps its framing: the
    // part past the canvas would be a part of the sphere never shown. The
    // canvases are drawn close about their figures, some a hair inside
    // (a thousandth or two): only a figure past its canvas by more than a
    // percent is given room, with a margin of half a percent.
    const double size = std::max(figure[1] - figure[0], figure[3] - figure[2]);
    const double cx = 0.5 * (box->xMin + box->xMax), cy = 0.5 * (box->yMin + box->yMax);
    const double hx = 0.5 * (box->xMax - box->xMin), hy = 0.5 * (box->yMax - box->yMin);
    const double needX = std::max(cx - figure[0], figure[1] - cx), needY = std::max(cy - figure[2], figure[3] - cy);
    const double nx = needX > hx + 0.01 * size ? needX + 0.005 * size : hx;
    const double ny = needY > hy + 0.01 * size ? needY + 0.005 * size : hy;
    if (nx != hx || ny != hy) SetFramingBox(box, cx - nx, cx + nx, cy - ny, cy + ny);
}

// The grid of views of the multiview and cube-view modes and the thorns.
// One view per face of the output polyhedron: rows = floor(sqrt n), columns
// = ceil(n / rows); a solid without faces leaves no grid (0 x 0).
void SetViewGrid(vort* c, long m) {
    c->viewColumns = c->viewRows = 0;
    long columns = 0, rows = 0;
    switch (m) {
        case 78: columns = 10, rows = 6; break;
        case 337: columns = 6, rows = 1; break;
        case 338: case 339: columns = 3, rows = 2; break;
        case 83: case 87: columns = rows = 4; break;
        case 75: case 76: case 77: case 79: {
            const int64_t n = c->outputPolyhedron ? c->outputPolyhedron->faceCount3D : 0;
            if (n <= 0) break;
            rows = long(std::floor(std::sqrt(double(n))));
            columns = long((n + rows - 1) / rows);
            break;
        }
        default: return;
    }
    c->viewColumns = columns;
    c->viewRows = rows;
}

// Whether the render's pixels can be transparent: the host's layer when it
// has transparency, and an offscreen picture unless it is the host's result
// at a size of its own, which keeps what the layer keeps.
bool LayerHoldsTransparency(const Parameters* p) {
    const FilterRecord* rec = gFilterRecord;
    if (rec && (rec->filterCase & ~1) == 4) return true;
    if (p->renderDestination != kRenderToOffscreen) return false;
    return !(gData && gData->storage && gData->storage->targetPyramid && gData->storage->targetIsHostLayer);
}

int64_t FilterRectHeight() {
    if (!gFilterRecord) return 0;
    const VRect f = GetFilterRect();
    return int64_t(f.bottom) - f.top;
}

}  // namespace

void SetFramingBox(FramingBox* box, double xMin, double xMax, double yMin, double yMax) {
    box->xMin = xMin;
    box->xMax = xMax;
    box->yMin = yMin;
    box->yMax = yMax;
    box->xCentre = 0.5 * (xMin + xMax);
    box->yCentre = 0.5 * (yMin + yMax);
    box->fitScale = std::min(1.0 / (xMax - xMin), box->aspect / (yMax - yMin));
    box->inverseFitScale = 1.0 / box->fitScale;
}

void PrepBoundingBoxForNonPolyhedron(FramingBox* box, vort* c, float aspect, float theta) {
    *box = FramingBox{};
    box->unitMin = 0.0;
    box->unitMax = 1.0;
    box->kind = 0;
    box->aspect = aspect;
    box->last = 1.0;
    SetFramingBox(box, -0.5, 0.5, -0.5, 0.5);
    const long m = c->outputMode;

    for (const BoxRow& r : kBoxRows)
        if (r.mode == m) SetFramingBox(box, r.xMin, r.xMax, r.yMin, r.yMax);
    SetViewGrid(c, m);
    if (m >= 75 && m <= 79 && c->viewColumns > 0)
        SetFramingBox(box, -0.5 * double(c->viewColumns), 0.5 * double(c->viewColumns), -0.5 * double(c->viewRows),
                      0.5 * double(c->viewRows));
    if (m >= 360 && m <= 363) c->shapeFactor = 1.5151515f;
    if (m >= 364 && m <= 367) c->shapeFactor = 0.75f;

    WarpyBasis basis{};
    GetBasisOfWarpyPolyprojection(m, &basis);
    if (basis.kind != 0) {
        ApplyBasisFrame(box, basis);
        GrowFrameToFloretFigure(box, basis, m >= kMode3Malta && m <= kMode6Malta);
    }

    for (const BoxRow& r : kLateBoxRows)
        if (r.mode == m) SetFramingBox(box, r.xMin, r.xMax, r.yMin, r.yMax);

    if (IsPetalMode(m)) {
        SetFramingBox(box, -0.5, 0.5, -0.25, 0.25);
        c->shapeFactor = std::exp2(theta / 90.0f - 1.0f);
        c->framingWord = 0;
        c->lobeCount = LobeCountOf(m, theta);
        c->goreCount = c->lobeCount;
        switch (m) {
            case 53: case 63: SetFramingBox(box, -0.5, 0.5, -0.5, 0.5); break;
            case 61: SetFramingBox(box, -0.5, 0.5, -1, 1); break;
            case 300: case 301: SetFramingBox(box, -1, 1, -1, 1); break;
            case 288: {
                const double h = double(float(1.0 / (3.0 * double(c->lobeCount)))) + 0.5;
                SetFramingBox(box, -h, 0.5, -0.10183333605527878, 0.10183333605527878);
                break;
            }
            default: break;
        }
    }
    if (m == 160) SetFramingBox(box, -3.141592653, 3.92699081625, -1.5707963265, 1.5707963265);
    if (m == 49) SetFramingBox(box, -0.477, 0.477, -0.5, 0.405);
    if (m == 159) SetFramingBox(box, -2.221441468662136, 2.221441468662136, -2.221441468662136, 2.221441468662136);
}

void init_hyperbolic_modes(vort* c) {
    FramingBox* box = &c->hyperbolicFraming;
    *box = FramingBox{};
    box->unitMax = 1.0;
    box->aspect = c->aspect;
    box->last = c->aspect;
    SetFramingBox(box, -1, 1, -1, 1);
    box->fitScale = std::min(double(c->aspect) * 0.5, 0.5);
    box->inverseFitScale = 1.0 / box->fitScale;
    const long m = c->outputMode;
    if (m == 373 || m == 377 || m == 381) {
        box->xMin = -0.95105651629, box->xMax = 0.95105651629;
        box->yMin = -1.0, box->yMax = 0.8090169943700001;
        box->xCentre = 0.0, box->yCentre = -0.09549150281499996;
        box->fitScale = std::min(double(c->aspect) / 1.80901699437, 0.5257311121219824);
        box->inverseFitScale = 1.0 / box->fitScale;
    }
    // The tilings' cells are filled into each task's first hint record
    // (InitHypertypeForMode, when the task is prepared).
}

namespace {

// The multiviews draw one view per face of a solid: modes 75..79 take the
// solids of output modes 6, 9, 27, 33 and 54 (4, 12, 24, 60 and 72 faces).
int64_t MultiviewSolidMode(long m) {
    switch (m) {
        case 75: return 6;
        case 76: return 9;
        case 77: return 27;
        case 78: return 33;
        case 79: return 54;
        default: return -1;
    }
}

// Status words after which the net is not whole.
bool NetIsBroken(const polyhedron* poly) {
    switch (poly->status) {
        case kPolyStatusNetFaceTableFull: case kPolyStatus3DFaceTableFull: case kPolyStatus3DVertexTableFull:
        case kPolyStatusNetVertexTableFull: case kPolyStatusNetTrianglesExhausted: case kPolyStatusTooManyFragments:
        case kPolyStatusVertexIndexOutOfRange: case kPolyStatusGroupIndexOutOfRange: case kPolyStatusOutOfMemory:
        case kPolyStatusUnbuilt: case kPolyStatusEmptyCell: case kPolyStatusUnboundedCell:
            return true;
        default: return poly->unbuilt != 0;
    }
}

polyhedron** OutputPolyhedronSlot(Data* data) {
    polyhedron** slot = data->storage ? &data->storage->polyStore : &data->renderPolyhedron;
    if (!*slot) *slot = NewPolyhedron(0.5f, 0.0f);
    return slot;
}

}  // namespace

int64_t TabsPastNetLimit(const Data* data) {
    if (!data) return 0;
    const polyhedron* poly = data->storage ? data->storage->polyStore : data->renderPolyhedron;
    return poly ? poly->tabsPastLimit : 0;
}

std::string NetTabWarning(const vort* context, int64_t mode) {
    const polyhedron* poly = context ? context->outputPolyhedron : nullptr;
    if (!poly) return std::string();
    char text[300];
    std::string warning;
    if (poly->unfittedTabs > 0) {
        std::snprintf(text, sizeof text, "%lld %s of output mode %lld %s no glue tab: no tab fits beside %s in the net.",
                      (long long)poly->unfittedTabs, poly->unfittedTabs == 1 ? "seam" : "seams", (long long)mode,
                      poly->unfittedTabs == 1 ? "has" : "have", poly->unfittedTabs == 1 ? "it" : "them");
        warning = text;
    }
    return warning;
}

bool SetUpOutputPolyhedron(Data* data, const Parameters* p, vort* c, int16_t* diagnostic) {
    c->outputPolyhedron = nullptr;
    if (!data || !p) return true;
    const long m = p->outputMode;
    polyhedron_params shape{};
    get_polyhedron_params_from_output_mode(m == 1045 ? p->basePolyhedralMode : m, &shape);
    const int64_t solidMode = shape.shapeCode != -1 ? (m == 1045 ? p->basePolyhedralMode : m) : MultiviewSolidMode(m);
    if (solidMode == -1) return true;
    auto fail = [diagnostic] {
        if (diagnostic) *diagnostic = kDiagPolyhedron;
        return false;
    };
    polyhedron** slot = OutputPolyhedronSlot(data);
    polyhedron* poly = *slot;
    if (!poly) return fail();
    poly->data = data;
    // A face picked for a single-face build is kept within the face table.
    int64_t second = 0, first = 1;
    if (poly->selectedFace != -1) {
        poly->selectedFace = std::clamp<int64_t>(poly->selectedFace, 0, kMax3DFaces - 1);
        second = 2;
        first = 3;
    }
    float netSettingA = c->outputAspect, angle = 0.0f;
    bool page = false;
    // An export page is drawn from the net its cramming plan measured: built
    // as the plan built it, turned by the piece's angle.
    const int64_t exported = data->storage ? data->storage->exportedPage : -1;
    if (exported >= 0 && exported < kCrammingPieces && shape.shapeCode != -1) {
        int64_t pieces = 0;
        first = exportationUnitOfPoly(poly, &pieces) == kExportSingleFaces ? kExportPageFaceBuild : 1;
        netSettingA = kExportPageNetSettingA;
        angle = data->storage->crammingAngle[exported];
        poly->exportPiece = exported;
        page = true;
    }
    // A solid built before is taken from those kept; a new one may be built
    // off this thread (a preview's), and one not waited for fails the render.
    SolidSetUp setUp;
    setUp.mode = solidMode;
    setUp.secondParameter = second;
    setUp.setupMode = first;
    setUp.flag = p->renderDestination != kRenderToPreview ? 1 : 0;
    setUp.netSettingA = netSettingA;
    setUp.netSettingB = p->tabs * 0.005f;
    setUp.angle = angle;
    setUp.turnedPerPage = page;
    if (!SetUpSolidInSlot(slot, setUp)) {
        if (diagnostic) *diagnostic = kDiagAbortDuringRender;
        return false;
    }
    poly = *slot;
    if (NetIsBroken(poly)) return fail();
    // Seams the full vertex table left without a tab would print a net that
    // cannot be glued: refused, with how many (TabsPastNetLimit).
    if (poly->tabsPastLimit > 0) {
        if (diagnostic) *diagnostic = kDiagNetTabs;
        return false;
    }
    if (shape.shapeCode != -1 && poly->netTriangleCount <= 0) return fail();
    // A floret whose basis is a solid reaches the net through its lobes.
    WarpyBasis basis{};
    GetBasisOfWarpyPolyprojection(m, &basis);
    poly->floretFlag = basis.kind != 0 && basis.basisShape != -1 ? 1 : 0;
    poly->floretWord = basis.kind;
    c->outputPolyhedron = poly;
    return true;
}

void FrameTheNet(vort* c) {
    FrameNetOfMode(c->outputPolyhedron, c->outputAspect, &c->framing);
    const TStorage1* s = gData ? gData->storage : nullptr;
    if (c->exportedPage < 0 || c->exportedPage >= kCrammingPieces || !s || !(s->crammingScale > 0.0f)) return;
    // One piece centred on its page; every page spans the widest piece.
    const double w = 1.0 / s->crammingScale, h = w * c->outputAspect;
    const double x = s->crammingX[c->exportedPage], y = s->crammingY[c->exportedPage];
    const double border = NetFrameBorder(w, h);
    SetFramingBox(&c->framing, x - 0.5 * w - border, x + 0.5 * w + border, y - 0.5 * h - border, y + 0.5 * h + border);
}

void FrameNetOfMode(const polyhedron* poly, double aspect, FramingBox* box) {
    *box = FramingBox{};
    box->unitMax = 1.0;
    box->aspect = aspect;
    box->last = 1.0;
    // The set-up fitted the net with its border into its target box
    // (CramPoints): the box is what is framed.
    double b[4];
    NetTargetBox(poly, b);
    SetFramingBox(box, b[0], b[1], b[2], b[3]);
}

void FillInTwirlyMinusOne(Data* data, const Parameters* p, vort* c) {
    c->scale = p ? std::max(p->proxyScale, 1) : 1;
    c->previewOffsetX = p ? p->previewOffset.x : 0;
    c->previewOffsetY = p ? p->previewOffset.y : 0;
    c->rowBuffer = data ? data->rowBuffer : nullptr;
}

void FillInTwirlyZero(Data* data, const Parameters* p, vort* c) {
    if (data) {
        int64_t rows = FilterRectHeight();
        if (p && p->renderDestination == kRenderToOffscreen && data->storage)
            rows = OffscreenRenderTarget(data->storage)->width[0];
        data->taskCount = std::min<int64_t>(std::max<int64_t>(NSProcessInfo_activeProcessorCount(), 1), rows + 1);
    }
    FillInTwirlyMinusOne(data, p, c);
    c->replyTemplate = MakeTemplateReply();
    if (!c || !data || !p) return;

    c->basePolyhedralMode = p->basePolyhedralMode;
    c->exportedPage = data->storage ? data->storage->exportedPage : -1;
    c->graticuleDifferencing = 0;
    c->outputMode = p->outputMode;
    c->inputMode = p->inputMode;
    c->glueMode = p->glueMode >= 1 ? p->glueMode : 1;
    if (p->orientationByProgram) {
        FillInTwirlyZero_programatically(p, c);
        return;
    }

    float theta = p->FOV;
    float a1 = p->latitude, a2 = p->longitude, a3 = p->spin;
    // The percentage setting: the tabs slider.
    c->percentageWord = int32_t(p->tabs);
    if (c->outputMode == 60) {
        c->shiftTangent = std::tan(std::clamp(a1 * 3.1415927f / 180.0f, -kTiltLimit, kTiltLimit));
        a1 = 0.0f;
    } else {
        c->shiftTangent = 0.0f;
    }
    c->angles[0] = theta;
    c->angles[1] = a1;
    c->angles[2] = a2;
    c->angles[3] = a3;
    c->fieldOfView = theta;
    c->latitudeSetting = c->outputMode == 60 ? 0.0f : p->latitude;
    c->tabsSetting = p->tabs;
    c->flipOn = p->flip;

    UnitColour(p->tab_color, c->regionColour);
    UnitColour(p->tab_color, c->regionColourCopy);
    UnitColour(p->background_color, c->backdropColour);
    UnitColour(p->line_color, c->overlayColour);

    const float pi = 3.1415927f;
    InitTwirlTranformation_core(&c->tumble, a1 * pi / 180.0f, a2 * pi / 180.0f, a3 * pi / 180.0f, 0);
    InitTwirlTranformation_core(&c->secondTumble, kSecondTumble[0], kSecondTumble[1], kSecondTumble[2], 0);

    c->hintKind = 0;
    c->polyhedral = 0;
    polyhedron_params shape{};
    get_polyhedron_params_from_output_mode(c->outputMode == 1045 ? c->basePolyhedralMode : c->outputMode, &shape);
    // The polyhedron was set up for this render before the context is filled
    // (SetUpOutputPolyhedron).
    c->polyhedral = shape.shapeCode != -1 && c->outputPolyhedron ? 1 : 0;

    if (c->polyhedral) FrameTheNet(c);
    else PrepBoundingBoxForNonPolyhedron(&c->framing, c, c->outputAspect, theta);
    c->faceColourFlag = c->outputMode == 1045 ? 1 : 0;
    c->lensWidth = LensFactor(theta, 180.0);
    c->halfLensWidth = LensFactor(theta, 360.0);
    c->modeClass = 0;
    switch (c->outputMode) {
        case 45: case 394: case 395: case 396: c->modeClass = 1, c->graticuleDifferencing = 1; break;
        case 41: case 42: case 75: case 76: case 77: case 78: case 79: case 171: case 297: case 298: case 337:
        case 338: case 339: c->graticuleDifferencing = 1; break;
        case 686: c->modeClass = 3; break;
        case 1045: c->modeClass = 2; break;
        default: break;
    }
    c->renderKind = c->modeClass == 1 ? kRenderKindDrawing3D : kRenderKindProjection;

    // Either transparency setting; only a layer that can hold transparency
    // (or an offscreen layer) shows it.
    const bool layerHoldsAlpha = LayerHoldsTransparency(p);
    c->backdropTransparent = (p->transparent_gaps != 0 && layerHoldsAlpha) ? 1 : 0;
    c->secondTransparent = 0;
    c->mainTissotFlag = p->indicatrix ? 1 : 0;
    c->polyhedronTissotFlag = 0;
    c->indicatrixOn = c->mainTissotFlag;
    c->edgesOn = p->edges ? 1 : 0;
    c->graticuleOn = p->grid != 1 && p->grid != 0 ? 1 : 0;
    c->facesOn = c->polyhedral && p->faces ? 1 : 0;
    c->anamorphKind = p->anamorph ? (c->polyhedral ? kAnamorphPolyhedral : kAnamorphBeforeTwirl) : kAnamorphNone;
    c->gridSetting = p->grid;
    c->scissorOn = c->polyhedral && c->outputPolyhedron->scissorMarkCount > 0 ? 1 : 0;
    c->tissotSpotCount = 0;
    if (c->mainTissotFlag) FillInTissotSpots(c);

    GetBasisOfWarpyPolyprojection(c->outputMode, &c->floretBasis);
    // A floret on a solid frames its lobes by its basis, not by the net.
    if (c->floretBasis.kind != 0 && c->floretBasis.basisShape != -1) ApplyBasisFrame(&c->framing, c->floretBasis);
    init_hyperbolic_modes(c);
    c->viewRotationCos = std::cos(-double(a3) * 3.14159265358979 / 180.0);
    c->viewRotationSin = std::sin(-double(a3) * 3.14159265358979 / 180.0);

    // The plane the projections read.
    c->inverseScale = c->framing.inverseFitScale;
    c->planeCentreX = c->framing.xCentre;
    c->planeCentreY = c->framing.yCentre;
    c->boxHeight = c->outputAspect;
}

void FillInTwirlyZero_programatically(const Parameters* p, vort* c) {
    const float theta = 90.0f;
    c->angles[0] = theta;
    c->angles[1] = 0.0f;
    c->angles[2] = 0.0f;
    c->angles[3] = 90.0f;
    c->fieldOfView = theta;
    for (float* colour : {c->regionColour, c->regionColourCopy, c->backdropColour})
        colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
    c->inputMode = p->inputMode;
    c->outputMode = 81;
    InitTwirlTranformation_core(&c->tumble, 0.0f, 0.0f, 1.5707964f, 0);
    c->hintKind = 0;
    c->polyhedral = 0;
    const bool layerHoldsAlpha = LayerHoldsTransparency(p);
    c->backdropTransparent = layerHoldsAlpha ? 1 : 0;
    c->secondTransparent = c->backdropTransparent;
    c->settingNotOne = 0;
    c->mainTissotFlag = 0;
    c->indicatrixOn = 0;
    c->renderKind = kRenderKindProjection;
    // The framing box keeps what it held; the plane follows it.
    c->inverseScale = c->framing.inverseFitScale;
    c->planeCentreX = c->framing.xCentre;
    c->planeCentreY = c->framing.yCentre;
    c->boxHeight = c->outputAspect;
}

void AnnotateVaxWithBoundaries(PerTaskStuffType* task, vort* c) {
    if (!task || !c || !c->inputPyramids) return;
    const VRect t = task->tracker.current_tile_rect;
    const PyramidDescriptor* pyr = task->outputPyramid ? task->outputPyramid : c->inputPyramids;
    float u0, v0, u1, v1, cx, cy;
    PixelsToCorners(pyr, &u0, &v0, &cx, &cy, float(t.left - 1), float(t.top - 1), c->scale, c->previewOffsetX,
                    c->previewOffsetY);
    PixelsToCorners(pyr, &u1, &v1, &cx, &cy, float(t.right), float(t.bottom), c->scale, c->previewOffsetX,
                    c->previewOffsetY);
    c->tileBounds[0] = u0;
    c->tileBounds[1] = u1;
    c->tileBounds[2] = v0;
    c->tileBounds[3] = v1;
}

void FillHilbertWalk(vort* c) {
    for (int64_t d = 0; d < 1024; ++d) {
        int64_t x, y;
        d2xy(32, d, &x, &y);
        c->hilbertWalk[d][0] = int32_t(x);
        c->hilbertWalk[d][1] = int32_t(y);
    }
}
