// World maps in squares, rectangles and ellipses built on the Peirce core:
// Adams' world in a square (I and II), Guyou, a double Guyou, the wide
// rectangle and the ellipse; the equal-area square; and the Spilhaus world
// ocean map's oblique aspect. Plane points come from the dispatcher's
// centred plane.
#pragma once

#include "common/complex.h"
#include "common/vectors.h"
#include "pyramid/pyramid.h"

// variant 1: Adams I (the Peirce lookup's final 45° turn kept); 2 and 3: the
// turn left out. discPoint (optional) receives the disc point w.
void TotalAdams(unsigned char* miss, triplex* out, PyramidDescriptor* peirceCache, int variant, fcomplex* discPoint,
                double x, double y);
// Two squares side by side, one hemisphere each; *region receives 0 for the
// left square and 1 for the right one, so the two never blend at the seam.
void TotalGuyou(unsigned char* miss, float out[3], PyramidDescriptor* peirceCache, long* region,
                fcomplex* discPoint, double x, double y);
// Two Guyou maps, each folded onto a half of the sphere.
void DoubleGuyou(unsigned char* miss, float out[3], PyramidDescriptor* peirceCache, long* region, double X,
                 double Y);
void TotalWiderect(unsigned char* miss, triplex* out, PyramidDescriptor* peirceCache, double x, double y);
void TotalEllipse(unsigned char* miss, triplex* out, PyramidDescriptor* peirceCache, double x, double y);
void YankEquatorDownForWiderect_NiceD(double p[3]);
void YankEquatorDownForPreEllipse_NiceD(double p[3]);

// A miss (direction (0, 0, 1)) outside [-1, 1]^2.
void TotalEqualsquarea(unsigned char* miss, float out[3], PyramidDescriptor* equalAreaCache, double x, double y);

// The published aspect of the Spilhaus map: the point at 49.56371678° S,
// 66.94970198° E goes to the map's centre, and the map turns by 40.17823482°
// about it. R is applied to a map direction as a row vector.
void BuildSpilhausRotation(float R[3][3]);
