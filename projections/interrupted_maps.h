// Interrupted world maps, each lobe a piece of one single map (Mollweide,
// sinusoidal or Robinson) with its own central meridian, and the
// sinusoidal-Mollweide composite joined at 40° south. Framed position in, as
// for the single maps: x to the right, y downward.
#pragma once

void TotalSinusoidalInterrupted(float out[3], unsigned char* outside, double x, double y);
// robinsonTable: the render's lazily built Robinson inverse table.
void TotalRobinsonInterrupted(float out[3], unsigned char* outside, float* robinsonTable, double x, double y);
void TotalMollweide_ocean(float out[3], unsigned char* outside, double x, double y);
void Total_ocean_data(float out[3], unsigned char* outside, double x, double y);
// flag 0: no further turn of the result (the only one the dispatcher passes).
void TotalSinuMollweide(float out[3], unsigned char* outside, int flag, double x, double y);
// The Philbrick interrupted map: the sinu-Mollweide split cut into lobes
// about a staircase-shaped central zone (the lobes are described beside it).
void TotalPhilbrick_interrupted(float out[3], unsigned char* outside, double x, double y);
// Whether a direction lies in that central zone: all north of 10° north,
// then a band about 20° west narrowing southward to nothing at 40° south.
bool inCentralZaggy(const float direction[3]);
