// Output modes that cut the sphere into printable gores or lay it out in
// stars, discs, rings and other flat shapes. (x, y) is the framed position,
// (u, v) the raw one, (X, Y) the box position. Each writes a unit direction
// and the outside flag (1 outside, 0 inside).
#pragma once

#include <cstdint>

struct PyramidDescriptor;
struct vort;

// Polyconic gores side by side (modes 36-38, 53, 61, 63, 73, 74, 1044), the
// gore count from the context. place and panel receive the gore number,
// counted from 1, of an inside sample; panel is -1 outside.
void DoGores(const vort* context, unsigned char* outside, float point[3], int32_t* place, long* panel, double X,
             double Y);
// The inverse polyconic projection's latitude of the plane point (x, y),
// Newton's iteration from y: NaN when it finds none.
double PolyconicLatitude(double x, double y);

// Polar stars of 3 (mode 48) or 5 (49) arms narrowing to points.
void DoStar_3_5(const vort* context, unsigned char* outside, float point[3], double x, double y);
// The azimuthal discs: "polar" (3) equidistant, "magnipolar" (50), "annulus"
// (59) with its hole from the field of view (degrees).
void DoRingThings(unsigned char* outside, float point[3], long mode, double x, double y, float fieldOfView);
void DoHalfpolar(float point[3], const vort* context, unsigned char* outside, float u, float v);
void DoPinwheel(float point[3], unsigned char* outside, double x, double y);
void DoDiamond(float point[3], unsigned char* outside, double x, double y);
void DoCurvy(float point[3], const vort* context, unsigned char* outside, float u, float v);
// (X, Y) the doubled framed position. place -21 (a region colour, no
// direction) beyond the loop's inner circle, -7 inside, -5 outside.
void DoLoop(unsigned char* outside, float point[3], int32_t* place, double X, double Y);
void DoTwoCircles(unsigned char* outside, float point[3], double x, double y);
// Adams' square mapped conformally onto the disc, lifted as the mirror ball
// (1) or orthographically (2).
void Do_squarefish1(unsigned char* outside, float point[3], PyramidDescriptor* peirceCache, double x, double y);
void Do_squarefish2(unsigned char* outside, float point[3], PyramidDescriptor* peirceCache, double x, double y);
