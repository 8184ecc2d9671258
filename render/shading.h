// The shading step every sample passes through: lights, marble ramps and a
// sky reflection on the lit globes, the shadings of the brick, metaball and
// Ferguson globes, the colours of artificial regions, and the graticule's
// line work over the result. Colours are red, green, blue, alpha in 0..1.
#pragma once

#include <cstdint>

struct TransformationReply;
struct vort;

// The whole shading step of the sample `reply` at pixel (x, y).
void ApplyMelFX(int64_t x, int64_t y, float colour[4], const vort* context, const TransformationReply* reply);
// Only its last step: the graticule's line work.
void ApplyLinework(int64_t x, int64_t y, float colour[4], const vort* context, const TransformationReply* reply);
// The colour of a region that takes no input sample (tabs, faces, blank and
// cleared samples, backdrops).
void GetArtificialRegionColors(const TransformationReply* reply, const vort* context, float colour[4]);

// 1 for the lit globes 139, 143, 342, 348, 350, 361, 365; 2 for 344, 363,
// 367 (lights mirrored top to bottom); 0 otherwise.
int lighting_setup_for_output_mode(long mode);

// ---- small shared pieces ----
// Fresnel reflectance of the unpolarised sky on glass (n = 1.58) seen along
// view onto a surface of the given normal; 0.3364 from behind.
float GetFresnel(const float normal[3], const float view[3]);
// A marble ramp at lighting value a in -1..1 (1 facing the light).
float Marblize(const float* table, float a);
// The sky colour (0..1) at the height y of a reflected ray, from sky8bit or
// from a table of 21 rows.
void get_enviroramp(float y, float rgb[3]);
void get_enviroramp_core(float y, const int64_t table[21][3], float rgb[3]);
extern const int64_t sky8bit[21][3];

// Lit marble shading with two lights and a highlight strength.
void MellifyGenericMarble(const vort* context, float colour[4], int64_t x, int64_t y, const TransformationReply* reply,
                          const float light1[3], const float light2[3], float strength);
void MellifyFerguson(const vort* context, float colour[4], int64_t x, int64_t y, const TransformationReply* reply);
void MellifyMetaglobe(const vort* context, float colour[4], int64_t x, int64_t y, const TransformationReply* reply);
// The normal the metaball shading uses at (x, y): smoothed over the reply
// cells (x, y)..(x + 1, y + 1) when the reply asks for it.
void fix_diffuse_for_blobs(int64_t x, int64_t y, const vort* context, const TransformationReply* reply, float normal[3]);

// Region colours of face index i.
void GetFacedexColor(int64_t index, float colour[4]);
void GetLightFacedexColor(int64_t index, float colour[4]);

// A 12-pixel dash along angle a: one pixel up, four on, one down, six off.
float dashfunction(float x, float y, float angle);
