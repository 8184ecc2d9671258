#include "solids/poly_setup.h"

#include <cmath>
#include <cstring>
#include <mutex>

#include "common/memory.h"
#include "common/skiplist.h"
#include "nets/correspondence.h"
#include "nets/crevices.h"
#include "nets/net_layout.h"
#include "nets/net_links.h"
#include "nets/net_tabs.h"
#include "nets/net_triangles.h"
#include "nets/slicing.h"
#include "polyhedra/barycentrics.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/poly_store.h"
#include "polyhedra/polyhedron_params.h"
#include "records/warpy_basis.h"
#include "solids/shape_dispatch.h"

namespace {

int64_t FloatKey(float f) {
    int32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// The cache keys kept in the record beside the last built mode.
enum { kKeySecond = 0, kKeyFirst = 1, kKeyAngle = 2, kKeyOption = 3 };

void MarkNetFaceVerticesUsed(polyhedron* poly) {
    for (int64_t i = 0; i < kMax2DVertices; ++i) poly->netVertexUsed[i] = 0;
    int64_t highest = -1;
    for (int64_t f = 0; f < poly->netFaceCount && f < kMaxNetFaces; ++f)
        for (int64_t k = 0; k < poly->netFace[f].count; ++k) {
            const int64_t v = poly->netFace[f].vertex[k];
            if (v < 0 || v >= kMax2DVertices) continue;
            poly->netVertexUsed[v] = 1;
            if (v > highest) highest = v;
        }
    poly->freeSlotCursor = uint16_t(highest < 0 ? 0 : highest);
}

// Links all net faces through a fresh net-edge index.
void RelinkNetFaces(polyhedron* poly) {
    Kill2DConnectivity(poly, poly->netFaceCount);
    auto* edges = static_cast<SkipList*>(RobustNewPtr(sizeof(SkipList)));
    if (!edges) {
        poly->status = kPolyStatusOutOfMemory;
        return;
    }
    initialize_skiplist(edges);
    Build2DConnectivity_core_new(poly, 0, poly->netFaceCount, edges);
    RobustDisposePtr(&edges);
}

// The set-up in two steps: the solid and its net, which no turn changes,
// then the turn and what is made from the turned net (its triangles, tabs,
// cuts, fitting), so that a solid drawn under several turns (an export's
// pages) is built once. The first step answers false when the solid could
// not be built: it gets no net, and the status says why.
bool BuildSolidAndNet(polyhedron* poly, int64_t code, int64_t m, void* hostValue, uint8_t flag) {
    if (!poly || code == -1) return false;
    poly->unfittedTabs = poly->tabsPastLimit = 0;
    if (m == 7) {
        poly->fragmentCount = 0;
        WipeFaceInfo(poly);
        ReadFaceInfo(poly, code, 0, hostValue, flag, 1);
        Calc3DAngles(poly);
        LinkSolidAndApplyCuttingRule(poly);
    } else {
        for (int64_t f = 0; f < Faces3DWritten(poly); ++f)
            for (uint32_t& e : poly->face3D[f].edgeFlags) e = 0;
        WipeRenderingTriangleInfo_deep(poly);
        poly->fragmentCount = 0;
        WipeFaceInfo(poly);
        ReadFaceInfo(poly, code, 0, hostValue, flag, 0);
    }
    if (poly->unbuilt || poly->status == kPolyStatusOutOfMemory) return false;
    if (m != 7) {
        if (m == 0 || m == 1 || m == 3 || m == 6) MarkNetFaceVerticesUsed(poly);
        if (m == 1 || m == 3 || m == 6) {
            RelinkNetFaces(poly);
            Calc3DAngles(poly);
            LinkSolidAndApplyCuttingRule(poly);
            Calc2DAnglesAroundFaces(poly);
            DetermineCorrespondence(poly);
        }
        if (poly->status == kPolyStatusGood) {
            if (m == 6) AddCreviceFightingRegionInfo(poly);
            if ((m == 1 || m == 3) && poly->net.secondArgument > 0) {
                RemoveTabsFromFaces(poly);
                for (int64_t outline = 1; outline <= kMaxNetFaces &&
                                          AddTabsViaEdgeWalking(poly, outline, poly->outlineNumbering ? 0 : 1);
                     ++outline) {
                }
                ReconcileTabs(poly, m == 3 ? 0 : 1);
                PutEachSeamsTabOnOneSide(poly, m == 3);
                if (m == 3) AddCreviceFightingRegionInfo(poly);
            }
            if (m == 2) {
                RelinkNetFaces(poly);
                AddCreviceFightingRegionInfo(poly);
            }
        }
    }
    return true;
}

void TurnAndFinishNet(polyhedron* poly, int64_t code, int64_t m, int64_t second, uint8_t optionByte, void* hostValue,
                      uint8_t flag, float angle, bool fit);

// Both steps; `fit` false leaves the net unfitted (CramPoints), as the whole
// net whose tabs a selected face copies must be: they are copied into a net
// not fitted yet.
void SetUpSolidAndNet(polyhedron* poly, int64_t code, int64_t m, int64_t second, uint8_t optionByte, void* hostValue,
                      uint8_t flag, float angle, bool fit) {
    if (BuildSolidAndNet(poly, code, m, hostValue, flag))
        TurnAndFinishNet(poly, code, m, second, optionByte, hostValue, flag, angle, fit);
}

void TurnAndFinishNet(polyhedron* poly, int64_t code, int64_t m, int64_t second, uint8_t optionByte, void* hostValue,
                      uint8_t flag, float angle, bool fit) {
    // Turn the net about the origin.
    if (angle != 0.0f && poly->coords2D) {
        const double c = std::cos(angle), s = std::sin(angle);
        for (int64_t i = 0; i < kMax2DVertices; ++i) {
            if (!poly->netVertexUsed[i]) continue;
            const double x = poly->coords2D[i][0], y = poly->coords2D[i][1];
            poly->coords2D[i][0] = c * x - s * y;
            poly->coords2D[i][1] = s * x + c * y;
            poly->netVertex[i].x = float(poly->coords2D[i][0]);
            poly->netVertex[i].y = float(poly->coords2D[i][1]);
        }
        for (int64_t f = 0; f < poly->netFaceCount && f < kMaxNetFaces; ++f) FindBoundingBoxOfFace2D(poly, f);
        Rebuild2DVertexIndex(poly);
    }
    if (m != 4 && m != 7) {
        EmptyNetTriangles(poly);
        for (int64_t f = 0; f < poly->netFaceCount; ++f) EarClip(f, poly);
    }
    if ((m == 1 || m == 3) && poly->selectedFace < 0) {
        FitTabsUponTriangles(poly, m == 3);
    } else if (m == 1 || m == 3) {
        // A selected face takes its tabs from the whole net's build.
        polyhedron* whole = NewPolyhedron(poly->net.firstArgument, poly->net.secondArgument);
        if (whole) {
            SetUpSolidAndNet(whole, code, m, second, optionByte, hostValue, flag, angle, false);
            CopyTabsFromAtoB(whole, poly);
            poly->unfittedTabs = whole->unfittedTabs;
            poly->tabsPastLimit = whole->tabsPastLimit;
            FreePolyhedron(&whole);
        } else {
            poly->status = kPolyStatusOutOfMemory;
        }
    }
    // No detached corner tabs: on the maps laid out through a solid (set-up
    // mode 0) they stood at the corners of the net's box and glued nothing.
    if (m != 4 && m != 7) MarkCutsAlongOtherFaces(poly);
    if (fit) CramPoints(poly);
    for (int64_t t = 0; t < poly->netTriangleCount; ++t) barycentrics_precalc(t, poly);
    FillNetTriangleCorners(poly);
    Fill_in_rind_precalculables(poly);
    if (m == 1 || m == 3) ReconcileTabs(poly, m == 3 ? 0 : 1);
}

}  // namespace

void SetUpReallyGeneralPolyhedron(polyhedron* poly, int64_t code, int64_t m, int64_t second, uint8_t optionByte,
                                  void* hostValue, uint8_t flag, float angle) {
    std::lock_guard<std::recursive_mutex> oneBuildAtATime(SolidBuildLock());
    SetUpSolidAndNet(poly, code, m, second, optionByte, hostValue, flag, angle, true);
}

namespace {

// The plane points (before the lobe turns) that show net point (x, y) of the
// frame (its units) in the first lobe: the lobe's steps undone, the kind's
// move, the scale and the power. False when the point lies outside the
// lobe's wedge of the net.
bool FirstLobePointOfNetPoint(const WarpyBasis& b, const double offset[2], double x, double y, double* px,
                              double* py) {
    double a = x, c = y;  // the scaled, opened lobe point (a, c)
    auto power = [](double& u, double& v, double e) {
        const double r = std::pow(std::hypot(u, v), e), t = std::atan2(v, u) * e;
        u = r * std::cos(t), v = r * std::sin(t);
    };
    switch (b.kind) {
        case 17: a = x - offset[0], c = y - offset[1], power(a, c, 6.0 / 5.0); break;
        case 20: case 21: {  // turned back by -210 degrees
            const double co = std::cos(-7 * M_PI / 6), si = std::sin(-7 * M_PI / 6);
            a = co * x - si * y, c = si * x + co * y;
            break;
        }
        case 22: a = (x - y) * M_SQRT1_2, c = (x + y) * M_SQRT1_2, power(a, c, 4.0 / 3.0); break;
        case 25: a = y - offset[0], c = -x; break;
        case 28: a = x - offset[0], c = y - offset[1]; break;
        default: break;
    }
    a /= b.scale, c /= b.scale;
    const double n = double(b.lobeCount), e = b.noPower ? 1.0 : (n / 2.0) / b.powerDivisor;
    // A point on the wedge's border (a net corner the design lays on it, such
    // as a star's tip) belongs to it: the net's single-precision corners may
    // put it a hair outside.
    if (std::fabs(std::atan2(c, a)) > e * M_PI / n + 1e-6) return false;
    if (!b.noPower) power(a, c, 1.0 / e);
    *px = a, *py = c;
    return true;
}

// How far a floret's figure can grow about the plane's centre and stay
// inside its canvas (the row's centre and canvas, thousandths of the
// plane less one half): the least ratio of the canvas's reach to the
// figure's along each axis, over the net's outline as every lobe shows it.
double FloretFigureRoom(const polyhedron* poly, const WarpyBasis& b) {
    const double x0 = b.centreX * 0.001 - 0.5, x1 = b.canvasWidth * 0.001 - 0.5;
    const double y0 = b.centreY * 0.001 - 0.5, y1 = b.canvasHeight * 0.001 - 0.5;
    const double pre = std::atan2(b.preTurnSin, b.preTurnCos);
    double room = INFINITY;
    for (int64_t t = 0; t < poly->netTriangleCount; ++t) {
        const PolyNetTriangle& tri = poly->netTriangle[t];
        if (tri.isTab) continue;
        for (int s = 0; s < 3; ++s) {
            const int64_t v0 = tri.vertex[s], v1 = tri.vertex[(s + 1) % 3];
            if (v0 < 0 || v0 >= kMax2DVertices || v1 < 0 || v1 >= kMax2DVertices) continue;
            for (int i = 0; i < 8; ++i) {
                const double f = i / 8.0;
                const double nx = poly->netVertex[v0].x + f * (poly->netVertex[v1].x - poly->netVertex[v0].x);
                const double ny = poly->netVertex[v0].y + f * (poly->netVertex[v1].y - poly->netVertex[v0].y);
                double px, py;
                if (!FirstLobePointOfNetPoint(b, poly->floretOffset, (nx - poly->floretCentre[0]) / poly->floretScale,
                                              (ny - poly->floretCentre[1]) / poly->floretScale, &px, &py))
                    continue;
                for (int64_t k = 0; k < b.lobeCount; ++k) {
                    const double al = -2 * M_PI * double(k) / double(b.lobeCount) - pre;
                    const double x = px * std::cos(al) - py * std::sin(al), y = px * std::sin(al) + py * std::cos(al);
                    if (x > 0) room = std::fmin(room, x1 / x);
                    if (x < 0) room = std::fmin(room, x0 / x);
                    if (y > 0) room = std::fmin(room, y1 / y);
                    if (y < 0) room = std::fmin(room, y0 / y);
                }
            }
        }
    }
    return room;
}

}  // namespace

void SetFloretFrame(polyhedron* poly, int64_t mode) {
    if (!poly) return;
    poly->floretCentre[0] = poly->floretCentre[1] = 0.0;
    poly->floretScale = 1.0;
    poly->floretOffset[0] = poly->floretOffset[1] = 0.0;
    WarpyBasis basis;
    GetBasisOfWarpyPolyprojection(mode, &basis);
    if (basis.kind == 0 || basis.basisShape == -1 || poly->netTriangleCount <= 0) return;
    const float* box = poly->net.boundsBox;  // minimum x, maximum x, minimum y, maximum y
    if (!(box[0] < box[1] && box[2] <= box[3])) return;
    const double cx = 0.5 * (double(box[0]) + double(box[1])), cy = 0.5 * (double(box[2]) + double(box[3]));
    const double unit = 0.5 * (double(box[1]) - double(box[0]));
    poly->floretCentre[0] = cx, poly->floretCentre[1] = cy;
    poly->floretScale = unit;
    if (basis.kind == 25) poly->floretOffset[0] = (double(box[2]) - cy) / unit;
    // Kinds 17 and 28 open their lobes from a corner of the net: the net
    // vertex nearest the centre of the box.
    if (basis.kind == 17 || basis.kind == 28) {
        double best = INFINITY;
        for (int64_t t = 0; t < poly->netTriangleCount; ++t)
            for (int64_t v : poly->netTriangle[t].vertex) {
                if (v < 0 || v >= kMax2DVertices) continue;
                const double dx = double(poly->netVertex[v].x) - cx, dy = double(poly->netVertex[v].y) - cy;
                if (dx * dx + dy * dy < best) {
                    best = dx * dx + dy * dy;
                    poly->floretOffset[0] = dx / unit, poly->floretOffset[1] = dy / unit;
                }
            }
    }
    // A figure that would run past its canvas (a net laid otherwise than
    // the one the canvas was drawn for) is drawn smaller, by a larger unit,
    // to fit with the same margin as the designed florets (half a percent):
    // the part past the canvas would be a part of the sphere never shown.
    const double room = FloretFigureRoom(poly, basis);
    if (room < 1.0 && room > 0.0) {
        const double n = double(basis.lobeCount), e = basis.noPower ? 1.0 : (n / 2.0) / basis.powerDivisor;
        // The kinds that take the lobe point to a power once more.
        const double extra = basis.kind == 17 ? 5.0 / 6.0 : basis.kind == 22 ? 0.75 : 1.0;
        const double grow = std::pow(room / 1.005, -e * extra);
        poly->floretScale *= grow;
        poly->floretOffset[0] /= grow, poly->floretOffset[1] /= grow;
    }
}

namespace {

// The angle key of a build not turned yet (BuildSolidUnturned): no float's
// key, so that no set-up takes it for a finished build.
constexpr int64_t kUnturnedKey = int64_t(1) << 40;

bool PolyHoldsKeys(const polyhedron* poly, int64_t mode, int64_t second, int64_t first, uint8_t optionByte,
                   uint8_t flag, float A, float B, int64_t angleKey) {
    return poly && poly->lastOutputMode == mode && poly->net.lastSettingA == A && poly->net.lastSettingB == B &&
           poly->cachedBuildKey[kKeySecond] == second && poly->cachedBuildKey[kKeyAngle] == angleKey &&
           poly->cachedBuildKey[kKeyFirst] == first && poly->cachedBuildKey[kKeyOption] == optionByte &&
           poly->selectedFace == poly->lastSelectedFace && poly->buildKeyFlag == flag;
}

void RecordKeys(polyhedron* poly, int64_t mode, int64_t second, int64_t first, uint8_t optionByte, uint8_t flag,
                float A, float B, int64_t angleKey) {
    poly->lastOutputMode = mode;
    poly->net.lastSettingA = A;
    poly->net.lastSettingB = B;
    poly->cachedBuildKey[kKeySecond] = second;
    poly->cachedBuildKey[kKeyAngle] = angleKey;
    poly->cachedBuildKey[kKeyFirst] = first;
    poly->cachedBuildKey[kKeyOption] = optionByte;
    poly->lastSelectedFace = poly->selectedFace;
    poly->buildKeyExtra = optionByte;
    poly->buildKeyFlag = flag;
}

// What the set-up builds for a mode: the row's shape, set-up mode, second
// parameter and turn, or the caller's where the row or a selected face
// gives them the say.
struct SetUpOfMode {
    int64_t shapeCode;
    int16_t setupMode;
    int64_t secondParameter;
    float turn;
};

SetUpOfMode SetUpOf(int64_t mode, const polyhedron* poly, int64_t second, int64_t first, float angle) {
    polyhedron_params params;
    get_polyhedron_params_from_output_mode(mode, &params);
    int64_t setupMode = params.setupMode, secondParameter = params.secondParameter;
    float floatParameter = params.floatParameter;
    if (params.kind == 2) {
        setupMode = first;
        secondParameter = second;
    } else if (params.kind == 0) {
        setupMode = first;
        secondParameter = second;
        floatParameter = angle;
    }
    if (poly->selectedFace >= 0) {
        if (setupMode == 1) setupMode = first;
        secondParameter = second;
        floatParameter = angle;
    }
    return {params.shapeCode, int16_t(setupMode), secondParameter, floatParameter};
}

// The record made ready for a build of mode.
void StartBuild(polyhedron* poly, int64_t mode, float A, float B) {
    InitPoly(poly, A, B);
    poly->buildWords[0] = poly->buildWords[1] = poly->buildWords[2] = 0;
    poly->outputMode = mode;
}

}  // namespace

bool PolyHoldsSetUp(const polyhedron* poly, int64_t mode, int64_t second, int64_t first, uint8_t optionByte,
                    uint8_t flag, float A, float B, float angle) {
    return PolyHoldsKeys(poly, mode, second, first, optionByte, flag, A, B, FloatKey(angle));
}

std::recursive_mutex& SolidBuildLock() {
    static std::recursive_mutex lock;
    return lock;
}

polyhedron* HooBoyPolySetup(int64_t mode, polyhedron* poly, int64_t second, int64_t first, uint8_t optionByte,
                            void* hostValue, uint8_t flag, float A, float B, float angle) {
    if (!poly) return poly;
    std::memset(poly->setupScratch, 0, sizeof poly->setupScratch);
    if (PolyHoldsSetUp(poly, mode, second, first, optionByte, flag, A, B, angle)) return poly;
    std::lock_guard<std::recursive_mutex> oneBuildAtATime(SolidBuildLock());
    const SetUpOfMode u = SetUpOf(mode, poly, second, first, angle);
    StartBuild(poly, mode, A, B);
    SetUpReallyGeneralPolyhedron(poly, u.shapeCode, u.setupMode, u.secondParameter, optionByte, hostValue, flag,
                                 u.turn);
    SetFloretFrame(poly, mode);
    RecordKeys(poly, mode, second, first, optionByte, flag, A, B, FloatKey(angle));
    return poly;
}

bool BuildSolidUnturned(int64_t mode, polyhedron* poly, int64_t second, int64_t first, uint8_t optionByte,
                        void* hostValue, uint8_t flag, float A, float B) {
    if (!poly || poly->selectedFace >= 0) return false;
    std::memset(poly->setupScratch, 0, sizeof poly->setupScratch);
    if (PolyHoldsUnturnedSetUp(poly, mode, second, first, optionByte, flag, A, B)) return true;
    std::lock_guard<std::recursive_mutex> oneBuildAtATime(SolidBuildLock());
    const SetUpOfMode u = SetUpOf(mode, poly, second, first, 0.0f);
    StartBuild(poly, mode, A, B);
    const bool built = BuildSolidAndNet(poly, u.shapeCode, u.setupMode, hostValue, flag);
    // Nothing else is left to turn: the record is no one's build.
    RecordKeys(poly, built ? mode : -9999, second, first, optionByte, flag, A, B, kUnturnedKey);
    return built;
}

bool PolyHoldsUnturnedSetUp(const polyhedron* poly, int64_t mode, int64_t second, int64_t first, uint8_t optionByte,
                            uint8_t flag, float A, float B) {
    return PolyHoldsKeys(poly, mode, second, first, optionByte, flag, A, B, kUnturnedKey);
}

bool TurnBuiltSolid(const polyhedron* unturned, polyhedron* poly, void* hostValue, float angle) {
    if (!unturned || !poly || unturned->cachedBuildKey[kKeyAngle] != kUnturnedKey || unturned->lastOutputMode == -9999)
        return false;
    std::lock_guard<std::recursive_mutex> oneBuildAtATime(SolidBuildLock());
    if (!CopyPolyhedron(poly, unturned)) return false;
    const int64_t mode = unturned->lastOutputMode, second = unturned->cachedBuildKey[kKeySecond],
                  first = unturned->cachedBuildKey[kKeyFirst];
    const uint8_t optionByte = uint8_t(unturned->cachedBuildKey[kKeyOption]), flag = unturned->buildKeyFlag;
    const SetUpOfMode u = SetUpOf(mode, poly, second, first, angle);
    TurnAndFinishNet(poly, u.shapeCode, u.setupMode, u.secondParameter, optionByte, hostValue, flag, u.turn, true);
    SetFloretFrame(poly, mode);
    RecordKeys(poly, mode, second, first, optionByte, flag, unturned->net.lastSettingA, unturned->net.lastSettingB,
               FloatKey(angle));
    return true;
}
