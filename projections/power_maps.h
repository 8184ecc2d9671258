// Output modes that square or cube the framed plane as a complex number
// before a Mercator or stereographic map, repeating the world two or three
// times around the centre. Every sample is inside.
#pragma once

// f: the lens factor 2 tan(θ/2) of the field-of-view setting. A mode other
// than 65-68 leaves the direction alone.
void DoMercAndHyper(float out[3], long outputMode, float x, float y, float f);
