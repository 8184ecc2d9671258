// One output sample's answer: where in the input picture it comes from, which
// piece of the output it belongs to, and the overlay values drawn over it.
// The projection road fills it in the first pass of a tile; the samplers and
// overlays of the second pass read it.
#pragma once

#include <cstdint>

struct TransformationReply {
    // Position in the input picture, 0..1 across each axis from the top left.
    float inputU;
    float inputV;
    float edges;        // edge-overlay intensity
    float tissotValue;  // Tissot overlay: the outline's strength drawn here
    float graticuleX;   // unit longitude of the direction (graticule overlay)
    float graticuleY;   // unit colatitude of the direction
    float tissotHeight;  // squared chord distance to the spot within reach, 0.0225 beyond
    float sampleAux;     // mode-specific extra (raw output v, blend weight...)
    float scissorHeight;
    int32_t faceTag;     // tag of the output face hit, -1 for none
    int32_t scissorWord;
    uint8_t okToDrawScissor;
    float edgeMask;
    float surfaceNormal[4];  // normal of the drawn surface, then one spare float
    float viewDirection[3];  // unit vector from the eye to the surface, (0, 0, -1) by default
    float shade;             // shading value of the ray-marched globes, 0..1
    float diffuse;           // their diffuse factor
    int32_t regionKind;      // what kind of surface the region is
    uint8_t smoothNormal;    // 1: the shading smooths the normal over neighbours
    float normalAux[2];      // defaults 0 and -1
    int32_t voxelNormal[3];
    int32_t voxelPlace[3];
    // Region numbers of a polyhedral hit; the supersampler copies both.
    int64_t regionFace;
    int64_t regionFragment;
    float netPosition[2];  // net x, y of a polyhedral sample (a gore flap: its radius, 0)
    // Which input picture to read: -1 the main input, 0..5 a cube face.
    int32_t inputFace;
    float hintFloats[2];  // copied into the vort's state hints by samplers
    // The piece of the output the sample belongs to (the "region"): a face,
    // fragment or group number, 25290 + n on the glue tab of fragment n, -5 no
    // direction, -7 a direction without a region, -10001 (- p) outside the
    // input picture; other negative codes are artificial regions.
    int32_t place;
    // Second region: the input side's piece (e.g. 3 on the right half of a map
    // with a seam), so that samples on the two sides of a seam never blend.
    int32_t inputKind;
    int32_t outsideInput;  // 1 when the input position lies outside 0..1
    int32_t flags;         // bit 0: an artificial region, coloured not sampled
    float subPixelX;       // sample position within its pixel
    float subPixelY;
};

// Place codes shared by the road, the samplers and the overlays.
constexpr int32_t kPlaceGlueTabBase = 25290;  // one past the largest face index
constexpr int32_t kPlaceNoDirection = -5;
constexpr int32_t kPlaceNoRegion = -7;
constexpr int32_t kPlaceOutsideInput = -10001;

// The defaults every sample starts from before its producer runs.
inline void SetReplyRoadDefaults(TransformationReply* r) {
    r->inputU = -1.0f;
    r->inputV = -1.0f;
    r->graticuleX = -1.0f;
    r->graticuleY = -1.0f;
    r->tissotValue = 1.0f;
    r->scissorHeight = 1.0f;
    r->surfaceNormal[0] = 0.0f;
    r->surfaceNormal[1] = 0.0f;
    r->surfaceNormal[2] = 1.0f;
    r->surfaceNormal[3] = 0.0f;
    r->viewDirection[0] = 0.0f;
    r->viewDirection[1] = 0.0f;
    r->viewDirection[2] = -1.0f;
    r->normalAux[0] = 0.0f;
    r->normalAux[1] = -1.0f;
    r->regionFace = -1;
    r->regionFragment = -1;
    r->place = kPlaceNoDirection;
}

// The reply of nothing, kept at the end of every render context and copied
// into each reply before the road runs.
inline TransformationReply MakeTemplateReply() {
    TransformationReply r{};
    r.inputU = -1.0f;
    r.inputV = -1.0f;
    r.graticuleX = -1.0f;
    r.graticuleY = -1.0f;
    r.sampleAux = -1.0f;
    r.scissorWord = -1;
    r.edgeMask = 1.0f;
    r.surfaceNormal[2] = 1.0f;
    r.viewDirection[2] = -1.0f;
    r.regionFace = -1;
    r.regionFragment = -1;
    r.inputFace = -1;
    r.hintFloats[0] = 0.0f;
    r.hintFloats[1] = 0.0f;
    r.place = kPlaceNoRegion;
    r.inputKind = 0;
    r.outsideInput = 0;
    r.flags = 0;
    return r;
}
