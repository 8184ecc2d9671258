#include "projections/simplex.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "projections/forward_maps.h"
#include "solids/origami.h"

namespace {

constexpr long kDefaultRoundLimit = 6000;
constexpr long kBestSpinRoundLimit = 100;
constexpr long kStrebeRoundLimit = 50;
constexpr long kStrebeGiveUpFrom = 26;       // rounds before a lost search may give up
constexpr double kStrebeLostError = 0.002;
constexpr double kStrebeLostLatitude = 1.56;
constexpr double kCluelessSize = 0.1;
constexpr double kBestSpinSize = 0.0001;
constexpr double kYangTetSize = 0.07853981633974483;  // π/40
constexpr double kExpansion = 2.0;
constexpr double kReflection = -1.0;
constexpr double kContraction = 0.3333333;
constexpr double kShrink = 0.5;  // towards the best vertex

constexpr double kPi = 3.14159265358979323846;

void SetVertex(double v[3], double x, double y) {
    v[0] = x;
    v[1] = y;
    v[2] = 0.0;
}

// Start simplex about a centre, each vertex measured against the target.
void HuntSetup(SimplexState* s, long kind, SimplexContext* ctx, double cx, double cy, double tx, double ty,
               double size) {
    const double ax = cx - size / 3.0, ay = cy - size / 3.0;
    SetVertex(s->vertex[0], ax, ay);
    SetVertex(s->vertex[1], ax + size, ay);
    SetVertex(s->vertex[2], ax, ay + size);
    for (auto& v : s->vertex) FindTargetingError(v, kind, ctx, tx, ty);
}

void SwapIfGreater(double a[3], double b[3]) {
    if (a[2] > b[2]) std::swap_ranges(a, a + 3, b);
}

}  // namespace

void FindTargetingError(double vertex[3], long kind, SimplexContext* ctx, double tx, double ty) {
    switch (kind) {
        case kSimplexHingeAngle:
            if (ctx && ctx->objective) vertex[2] = ctx->objective(ctx->record, vertex[0]);
            break;
        case kSimplexBestSpin:
            if (ctx && ctx->objective) vertex[2] = ctx->objective(ctx->record, std::clamp(vertex[0], -kPi, kPi));
            break;
        case kSimplexStrebe1995: {
            double X, Y;
            strebe1995forward(vertex[0], vertex[1], &X, &Y);
            double e = (X - tx) * (X - tx) + (Y - ty) * (Y - ty);
            if (std::fabs(vertex[1]) > kPi / 2.0) e *= 10000.0;
            vertex[2] = e;
            break;
        }
        default:
            vertex[2] = 0.0;
            break;
    }
}

void CluefulSimplexHuntSetup(SimplexState* state, long kind, SimplexContext* ctx, double cx, double cy,
                             double extra, double size) {
    (void)extra;
    HuntSetup(state, kind, ctx, cx, cy, cx, cy, size);
}

void CluelessSimplexHuntSetup(SimplexState* state, long kind, SimplexContext* ctx, double cx, double cy,
                              double extra) {
    CluefulSimplexHuntSetup(state, kind, ctx, cx, cy, extra, kCluelessSize);
}

void CluefulSimplexHuntSetup_for_BestSpin(SimplexState* state, long kind, SimplexContext* ctx, double cx,
                                          double cy, double extra) {
    CluefulSimplexHuntSetup(state, kind, ctx, cx, cy, extra, kBestSpinSize);
}

void CluefulSimplexHuntSetup_for_YangTet(SimplexState* state, long kind, SimplexContext* ctx, double extra) {
    (void)extra;
    HuntSetup(state, kind, ctx, 0.05, 0.0, 0.0, 0.0, kYangTetSize);
}

void CluefulSimplexHuntSetup_for_Strebe1995(SimplexState* state, long kind, SimplexContext* ctx, double tx,
                                            double ty, double extra) {
    if (ctx && ctx->havePrevious) {
        const double size = std::clamp(std::hypot(ctx->previousX - ctx->previousTargetX,
                                                  ctx->previousY - ctx->previousTargetY),
                                       1e-6, 0.1);
        HuntSetup(state, kind, ctx, ctx->previousX, ctx->previousY, tx, ty, size);
        return;
    }
    CluelessSimplexHuntSetup(state, kind, ctx, tx, ty, extra);
}

void InitSimplexState(SimplexState* state, long kind, SimplexContext* ctx, double tx, double ty, double extra) {
    switch (kind) {
        case kSimplexSizedStart:
            if (ctx) CluefulSimplexHuntSetup(state, kind, ctx, tx, ty, extra, ctx->startSize);
            break;
        case kSimplexHingeAngle:
            if (ctx) CluefulSimplexHuntSetup_for_YangTet(state, kind, ctx, extra);
            break;
        case kSimplexBestSpin:
            if (ctx) CluefulSimplexHuntSetup_for_BestSpin(state, kind, ctx, tx, ty, extra);
            break;
        case kSimplexStrebe1995:
            CluefulSimplexHuntSetup_for_Strebe1995(state, kind, ctx, tx, ty, extra);
            break;
        default:
            CluelessSimplexHuntSetup(state, kind, ctx, tx, ty, extra);
            break;
    }
}

double amoeba_try(SimplexState* s, long kind, SimplexContext* ctx, int unused, double factor, double tx, double ty,
                  double extra) {
    (void)unused;
    (void)extra;
    const double mx = 0.5 * (s->vertex[0][0] + s->vertex[1][0]);
    const double my = 0.5 * (s->vertex[0][1] + s->vertex[1][1]);
    double p[3];
    SetVertex(p, mx - factor * (mx - s->vertex[2][0]), my - factor * (my - s->vertex[2][1]));
    FindTargetingError(p, kind, ctx, tx, ty);
    if (p[2] < s->vertex[2][2]) std::copy(p, p + 3, s->vertex[2]);
    return p[2];
}

fcomplex DownhillSimplex(SimplexState* s, long kind, SimplexContext* ctx, long* roundsOut, double tx, double ty,
                         double extra, double tolerance) {
    long limit = kDefaultRoundLimit;
    if (kind == kSimplexSizedStart || kind == kSimplexGeneric) {
        if (!ctx) {
            if (roundsOut) *roundsOut = 0;
            return {0.0, 0.0};
        }
        limit = ctx->roundLimit;
    } else if (kind == kSimplexBestSpin) {
        limit = kBestSpinRoundLimit;
    } else if (kind == kSimplexStrebe1995) {
        limit = kStrebeRoundLimit;
    }
    double* best = s->vertex[0];
    double* middle = s->vertex[1];
    double* worst = s->vertex[2];
    for (long n = 0;; ++n) {
        SwapIfGreater(best, middle);
        SwapIfGreater(middle, worst);
        SwapIfGreater(best, middle);
        if (kind == kSimplexStrebe1995 && n >= kStrebeGiveUpFrom && best[2] > kStrebeLostError &&
            std::fabs(best[1]) > kStrebeLostLatitude) {
            if (roundsOut) *roundsOut = kSimplexGaveUpRounds;
            return {0.0, 0.0};
        }
        if (best[2] < tolerance || n >= limit) {
            if (ctx && kind >= kSimplexSizedStart && kind <= kSimplexBestSpin) ctx->finalError = best[2];
            if (roundsOut) *roundsOut = n;
            return {best[0], best[1]};
        }
        const double e = amoeba_try(s, kind, ctx, 0, kReflection, tx, ty, extra);
        if (e < best[2]) {
            amoeba_try(s, kind, ctx, 0, kExpansion, tx, ty, extra);
        } else if (e >= middle[2]) {
            double remembered[3];
            std::copy(worst, worst + 3, remembered);
            const double c = amoeba_try(s, kind, ctx, 0, kContraction, tx, ty, extra);
            if (c >= remembered[2]) {
                std::copy(remembered, remembered + 3, worst);
                // Shrink the simplex towards its best vertex.
                for (double* v : {middle, worst}) {
                    v[0] = best[0] + kShrink * (v[0] - best[0]);
                    v[1] = best[1] + kShrink * (v[1] - best[1]);
                    FindTargetingError(v, kind, ctx, tx, ty);
                }
            }
        }
    }
}

fcomplex SimplexInverse_core(SimplexState* state, long kind, SimplexContext* ctx, long* roundsOut, double tx,
                             double ty, double extra, double tolerance) {
    *state = SimplexState{};
    InitSimplexState(state, kind, ctx, tx, ty, extra);
    return DownhillSimplex(state, kind, ctx, roundsOut, tx, ty, extra, tolerance);
}

double SimplexHingeSearch(double (*objective)(void*, double), void* record) {
    SimplexContext ctx{};
    ctx.objective = objective;
    ctx.record = record;
    SimplexState state;
    long rounds = 0;
    return SimplexInverse_core(&state, kSimplexHingeAngle, &ctx, &rounds, 0, 0, 0, 1e-21).re;
}

namespace {

const bool kHingeSearchHandedDown = (SetOrigamiHingeSearch(SimplexHingeSearch), true);

}  // namespace
