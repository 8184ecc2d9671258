// Output-side helpers for printable globe templates and a few special views:
// the gore core (one gore of a strip to a sphere direction and a region
// code), the disc of radiating gores, the folding sphere with glue tabs, the
// ellipsoid profile with its arc-length table, a fisheye warp, the anamorphic
// squeeze and the 2D equirectangular step.
//
// Region codes written into the reply's place: -5 outside the template, -7
// inside a gore, -9 in the mirrored gap or fold flap of a gore, -500 - g the
// gap beside gore g (gore-core mode 1), -301 - g gore g of the disc (mode 0),
// 25290 a glue tab. The reply's face tag receives the gore-core mode.
#pragma once

struct TransformationReply;
struct PyramidDescriptor;

constexpr int kRegionOutsideTemplate = -5;
constexpr int kRegionInGore = -7;
constexpr int kRegionGoreFlap = -9;
constexpr int kRegionGoreGapBase = -500;
constexpr int kRegionDiscGoreBase = -301;
constexpr int kRegionGlueTab = 25290;

// gx: offset from the centre line of gore k of n; gy: 0..1 from top to bottom.
void gorecore(float gx, float gy, float n, float k, float out[3], unsigned char* outside, TransformationReply* reply,
              float scale, int mode);
void GetQevDiscSphere(float out[3], unsigned char* outside, TransformationReply* reply, int mode, float x, float y,
                      float n, float scale);
void GetQevFoldingSphere(float out[3], unsigned char* outside, TransformationReply* reply, float x, float y,
                         float stripCount, float k);
float GetQevFoldingSpherePoleToPoleHeight(float k);
float spheretabwidth(float w, float k);

// A cube net in a grid of cells, one cube face a cell, seen through a
// complex power (the thorn views). variant 0 and any other variant use two
// different sets of six cells; twin moves the point first. Directions come
// from the sphere-cube cache; a point off the net is outside.
void GetThornView(long columns, long rows, float out[3], unsigned char* outside, PyramidDescriptor* sphereCubeCache,
                  long variant, int twin, float x, float y);
void GetThornViewCore(long columns, long rows, float out[3], unsigned char* outside,
                      PyramidDescriptor* sphereCubeCache, long variant, float x, float y);

// Profile curves of the ellipsoid and egg templates: kind 0 the ellipse
// (cos θ·scale, sin θ), any other kind the egg.
void GrabPointOnEllipsoidProfile(float out[3], int kind, float s, float scale);
// Normalised arc length of the profile from its start to parameter s, from
// the lazily filled 401-entry table (its last slot keeps the total length).
float distance_around_ellipsoid(float table[401], int kind, float s, float scale);
// The profile parameter whose normalised arc length is d.
float binary_search_for_parameter_from_distance(float table[401], int kind, float d, float scale);
