// Flat world maps for the output side: a framed position of the map (x to
// the right, y downward) becomes a unit direction on the sphere, or the
// outside flag. The map longitude λ grows to the right and the map latitude φ
// upward; every map ends in U = 0.5 - λ/2π, V = 0.5 - φ/π and the
// equirectangular step. When the flag is set the direction is left alone.
//
// Several maps take a lobe window (λmin, λmax) tested on the map longitude
// and a central-meridian shift s added to it, so that the interrupted maps
// reuse them lobe by lobe. A single map passes (-π, π, 0).
#pragma once

#include <cstdint>

struct TransformationReply;

// Direction of map longitude lambda and latitude phi (north up).
void MapLongitudeLatitudeToDirection(float out[3], double lambda, double phi);

// x, y already multiplied by 4√2. latitude receives the southward latitude.
void TotalMollweide(float out[3], unsigned char* outside, float* latitude, double x, double y,
                    double lambdaMin, double lambdaMax, double shift);
void TotalSinusoidal(float out[3], unsigned char* outside, double x, double y, double lambdaMin,
                     double lambdaMax, double shift);
// robinsonTable: the render's lazily built Robinson inverse table.
void TotalRobinson(float out[3], unsigned char* outside, float* robinsonTable, double x, double y,
                   double lambdaMin, double lambdaMax, double shift);
void TotalEckert4(float out[3], unsigned char* outside, double x, double y);
void TotalHillEucyclic(float out[3], unsigned char* outside, double x, double y);
void TotalBonne(float out[3], unsigned char* outside, double x, double y);
void TotalCardioid(float out[3], unsigned char* outside, double x, double y);
// x, y already multiplied by 4√2.
void DoHammer(unsigned char* outside, float out[3], double x, double y);
void DoWerner(unsigned char* outside, float out[3], double x, double y);

// Ray-traced maps: they also write the surface normal and viewing direction
// into the reply (see SetReplyShading) and its place: -7 on the surface, -21
// for a ray that found no valid point.
void TotalVerticalPerspective(float out[3], unsigned char* outside, TransformationReply* reply, double x,
                              double y, double fieldOfView);
void TotalTangent(float out[3], unsigned char* outside, TransformationReply* reply, double x, double y,
                  double fieldOfView);

// The surface normal goes as three floats into the reply's voxel-normal
// words; the viewing direction as two floats after a zero word into its
// voxel-place words.
void SetReplyShading(TransformationReply* reply, const float normal[3], float viewX, float viewY);
void GetReplyShading(const TransformationReply* reply, float normal[3], float* viewX, float* viewY);
