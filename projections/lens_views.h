// Views through a lens from the sphere's centre.
#pragma once

// Rectilinear (gnomonic) view: the narrower side of the output frame spans
// the field of view, f = 2 tan(fov/2); `shift` moves the view vertically
// without tilting it. Raw output position (u, v), aspect a = height/width.
// Never outside.
void DoGnomonic(float point[3], float u, float v, float f, float shift, float a);
