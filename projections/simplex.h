// A small two-parameter Nelder-Mead search: finds (x, y) minimising an error
// chosen by a kind number. It serves as a numerical inverse where no closed
// form exists (a Strebe 1995 inverse, a hinge angle of the curved-origami
// builders, a best spin scale).
#pragma once

#include "common/complex.h"

// Kinds of error.
enum : long {
    kSimplexSizedStart = 11,   // generic, start size and round limit from the context
    kSimplexGeneric = 12,      // generic, round limit from the context
    kSimplexHingeAngle = 13,   // the context's objective at the trial angle x
    kSimplexBestSpin = 14,     // the context's objective at x clamped to [-π, π]
    kSimplexStrebe1995 = 17,   // squared distance of strebe1995forward(x, y) to the target
};

// Rounds reported when a Strebe 1995 search wanders off the map: its result
// is no answer, and the caller treats the sample as outside.
constexpr long kSimplexGaveUpRounds = 60000;

// Three vertices (x, y, error), ordered best, middle, worst after each sort.
struct SimplexState {
    double vertex[3][3];
};

// What the caller supplies and receives, by kind.
struct SimplexContext {
    long roundLimit;    // kinds 11 and 12
    double startSize;   // kind 11
    double finalError;  // kinds 11-14: the best error at the end
    // Kinds 13 and 14: the objective of the caller's search at a trial angle
    // (the hinge error of a crease, the net scale of a spin).
    double (*objective)(void* record, double angle);
    void* record;
    // Kind 17: the previous solution and target, to start next to them.
    double previousX, previousY;
    bool havePrevious;
    double previousTargetX, previousTargetY;
};

void FindTargetingError(double vertex[3], long kind, SimplexContext* ctx, double tx, double ty);
void CluefulSimplexHuntSetup(SimplexState* state, long kind, SimplexContext* ctx, double cx, double cy,
                             double extra, double size);
void CluelessSimplexHuntSetup(SimplexState* state, long kind, SimplexContext* ctx, double cx, double cy,
                              double extra);
void CluefulSimplexHuntSetup_for_BestSpin(SimplexState* state, long kind, SimplexContext* ctx, double cx,
                                          double cy, double extra);
void CluefulSimplexHuntSetup_for_YangTet(SimplexState* state, long kind, SimplexContext* ctx, double extra);
void CluefulSimplexHuntSetup_for_Strebe1995(SimplexState* state, long kind, SimplexContext* ctx, double tx,
                                            double ty, double extra);
void InitSimplexState(SimplexState* state, long kind, SimplexContext* ctx, double tx, double ty, double extra);
// P = m - factor (m - worst), m the midpoint of the best and middle vertices;
// P replaces the worst vertex when its error is lower. Returns P's error.
double amoeba_try(SimplexState* state, long kind, SimplexContext* ctx, int unused, double factor, double tx,
                  double ty, double extra);
fcomplex DownhillSimplex(SimplexState* state, long kind, SimplexContext* ctx, long* roundsOut, double tx, double ty,
                         double extra, double tolerance);
fcomplex SimplexInverse_core(SimplexState* state, long kind, SimplexContext* ctx, long* roundsOut, double tx,
                             double ty, double extra, double tolerance);

// The curved-origami hinge search: this kind over the builder's objective,
// from 0 to the tolerance 1e-21. The solids sit below: they are handed it.
double SimplexHingeSearch(double (*objective)(void* record, double angle), void* record);
