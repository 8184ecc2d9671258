// The globes in a render: their models built (or kept) in the work area
// before any tile runs, the march the road calls for each sample, and the
// set-up of each Hilbert square of the metaball and Ferguson globes.
#pragma once

#include <cstdint>

#include "records/output_modes.h"

struct Data;
struct Parameters;
struct TStorage1;
struct vort;

// Output modes whose samples are ray-marched globes.
inline bool IsGlobeMode(long mode) {
    return mode == kModeBrickPreview || (mode >= kModeVoxelGlobe && mode <= kModeFerguson);
}

// Builds the model of a globe mode when its build key changed (else keeps
// it) and points the context at it and at its march. False when the model
// could not be had (memory short).
bool PrepareGlobeModel(Data* data, const Parameters* params, vort* context);
// Frees every globe model of the work area.
void DisposeGlobeModels(TStorage1* storage);

// The per-task reset of the globe records (sphere history, ball caches).
void ResetGlobeTaskState(vort* context);

// A Hilbert square of the metaball (395) and Ferguson (396) globes, given
// the view-plane positions of its first and last sample corners: the
// corner rays, the cone width and, for 395, the conservative march of its
// central ray. Ended by DestroyOncePerHilbertSquareSetup.
void DoOncePerHilbertSquareSetup(vort* context, double gxFirst, double gyFirst, double gxLast, double gyLast);
void DestroyOncePerHilbertSquareSetup(vort* context);
// The metaball square's cache and the empty spheres of its central ray;
// half is the greatest distance from the central ray to a corner ray.
struct MetaballStructure;
void doAHilbertBoundingSphere(vort* context, const MetaballStructure* model, double half);

// Brute force for the metaball globe: every ball, no square history. A test
// and benchmark switch; renders never set it.
void SetMetaballBruteForce(bool on);
