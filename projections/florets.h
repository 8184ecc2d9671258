// Florets: n identical lobes about the centre, each one half of a basis
// projection opened out by a complex power (the WarpyBasis of the mode says
// which basis, how many lobes, and how they are scaled and turned).
#pragma once

#include <cstdint>

#include "records/warpy_basis.h"

struct polyhedron;
struct renderhinttype;
struct vort;

// The polyhedral transform on a floret's basis polyhedron: the float direction
// of net point (x, y) and the miss byte. Null where the transform is not
// available: the polyhedral bases then miss.
using FloretPolyhedralTransform = void (*)(float out[3], uint8_t* miss, const polyhedron* poly, void* handOn,
                                           double x, double y);

// The floret caches: Peirce (kind 3) and sphere-cube (kind 6), from the
// projection cache store.
struct FloretCaches {
    void* store;
};

// Lobe of a plane point, the angle measured from the y axis; the 0.5 shift
// only when half is set.
int64_t WhicCopyAmIIn(bool half, double y, double x, int64_t n);
inline int64_t WhichLobeAmIIn(bool half, double y, double x, int64_t n) { return WhicCopyAmIIn(half, y, x, n); }

// The direction of one floret plane point. hints->floretRegion receives the
// lobe index (-1 first). A miss leaves the direction the basis left.
void CopsInTroubleCore(uint8_t* miss, double out[3], void* cacheStore, uint64_t ignored, const WarpyBasis* basis,
                       const polyhedron* poly, renderhinttype* hints, void* handOn, double x, double y,
                       FloretPolyhedralTransform transform = nullptr);
void CopsInTrouble(uint8_t* miss, float out[3], void* cacheStore, uint64_t ignored, const WarpyBasis* basis,
                   const polyhedron* poly, renderhinttype* hints, void* handOn, double x, double y,
                   FloretPolyhedralTransform transform = nullptr);

// The plane box (x from box[0] to box[1], y from box[2] to box[3]) that the
// drawn points of a floret's figure fill, found along rays from the centre;
// `malta` for the Malta crosses, whose segment is repeated after the floret.
// False for a basis that reads a cache or a polyhedron: those figures are
// framed by their rows alone.
bool FloretFigureBox(const WarpyBasis& basis, bool malta, double box[4]);

// The Malta crosses (modes 130..133): the floret of the context's basis at the
// box position of (u, v), its segment repeated; the face word becomes the lobe.
void DoMalta(renderhinttype* hints, float point[3], vort* context, unsigned char* miss, float u, float v);

// ---- basis pieces: (miss, direction, ..., x, y) at the scaled lobe point ----
void PreFloret_Circle(uint8_t* miss, double out[3], double x, double y);
void PreFloret_Goggles(uint8_t* miss, double out[3], double x, double y);
void PreFloret_TallEllipse(uint8_t* miss, double out[3], void* cacheStore, double x, double y);
void PreFloret_Guyou(uint8_t* miss, double out[3], void* cacheStore, double x, double y);
void PreFloret_CenteredEllipse(uint8_t* miss, double out[3], void* cacheStore, double x, double y);
void PreFloret_Thorn(uint8_t* miss, double out[3], void* cacheStore, double x, double y);
// The thorn basis's last turn (an orthonormal matrix).
void ThornTurn(const float f[3], double out[3]);
void PreFloret_bidactyl(uint8_t* miss, double out[3], double x, double y);
void PreFloret_2_cylinders(uint8_t* miss, double out[3], double x, double y);
void PreFloret_3_cylinders(uint8_t* miss, double out[3], double x, double y);
// The centred Liege basis is left out: no floret row names it, and the octagon
// triangulation its Liege fold walks is not part of this build.
// The axis map of a polyhedral basis kind applied to the transform's float
// direction f; the point handed to the transform first goes through
// PolyhedralBasisPoint. Polyhedron record offsets (kinds 17, 25, 28) are
// passed in offset.
void PolyhedralBasisPoint(int64_t kind, double a, double b, const double offset[2], double* px, double* py);
void PolyhedralBasisDirection(int64_t kind, const float f[3], double out[3]);
