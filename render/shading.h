// The shading step every sample passes through, and the colours of the
// artificial regions (tabs, blank samples, cleared and backdrop regions)
// that take a region colour instead of an input sample.
#pragma once

#include <cstdint>

struct TransformationReply;
struct vort;

void ApplyMelFX(int64_t x, int64_t y, float colour[4], const vort* context, const TransformationReply* reply);
void GetArtificialRegionColors(const TransformationReply* reply, const vort* context, float colour[4]);
