// Scissor-mark heights: how far a sample on a curved-origami net lies from
// the nearest scissor mark of its face's group, so that the colour pass can
// draw each mark as the zero level of that height.
#pragma once

struct TransformationReply;
struct vort;

// The mark heights of the sample whose hit on the output solid is (x, y, z),
// its net face in the reply's faceTag: the squared distance to the nearest
// of the marks collected under the face's group number (and tagged with the
// face's net fragment), less the mark's squared radius, with okToDrawScissor
// 1 where the point lies on or behind the plane through the three further
// points of that mark or of another about the same centre. 99999 when the
// group has no usable mark; nothing but the flag's 0 without marks or a net
// face.
void FindScissorHeight(const vort* context, TransformationReply* reply, double x, double y, double z);
