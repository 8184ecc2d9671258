// Panorama views from the sphere's centre: radial lenses (hyperbolic,
// quasar, Omnimax, goggles), lenses blended from the rectilinear view
// towards a radial one (oculus, swoop), partial stereographic lenses (unFish,
// Wetch), the stereographic pairs and the complex-exponential views (up and
// down, above and below, logarithmic, semicircle). (x, y) is the framed
// position, (u, v) the raw one; f = 2 tan(fov/2), g = 2 tan(fov/4). Each
// writes a unit direction and, where it can fail, the outside flag.
#pragma once

struct TransformationReply;
struct vort;

// The whole plane onto the sphere: the centre +z, infinity -z.
void DoHyperbolic(unsigned char* outside, float point[3], double x, double y, float f);
// Polar angle (2r)^(1/4)·π; beyond 2r = 1 it turns back from -z.
void DoQuasar(float point[3], unsigned char* outside, double x, double y);
// A dome lens whose disc is flattened below its centre.
void DoOmnimax(unsigned char* outside, float point[3], double x, double y);
// A hyperbolic lens whose longitudes are stretched by 1.4.
void DoGoggles(float point[3], unsigned char* outside, double x, double y);
// Rectilinear at the frame's centre, turning hyperbolic with the distance.
void DoOculus(unsigned char* outside, float point[3], double x, double y, float f, float a, float u, float v);
// Rectilinear on the vertical centre line, hyperbolic at the side edges.
void DoSwoop(unsigned char* outside, float point[3], double x, double y, float u, float v, float f, float a);
void TotalUnFish(float point[3], unsigned char* outside, double x, double y, float g);
void DoWetch(unsigned char* outside, float point[3], double y, float u, float f, float a);
void DoSemicircle(float point[3], unsigned char* outside, double x, double y);
// Two stereographic half views about the frame's centre: the upper half
// (raw v < 0.5, place -7) turned towards the pole below, the lower half
// (place -9) towards the pole above. Never outside.
void Do_UpAndDown(float point[3], TransformationReply* reply, double x, double y, float v, float f);
// Two stereographic views, each half of the frame about its own centre,
// turned by ±fov/2 about the x axis (lower half +, place -7; upper half -,
// place -9). Never outside.
void DoAboveAndBelow(float point[3], const vort* context, TransformationReply* reply, float u, float v);
// exp(½f²(x + iy)) through the inverse stereographic projection: horizontal
// lines become meridians, vertical lines circles of latitude. Never outside.
void DoLogarithmic(float point[3], const vort* context, float u, float v);
