// The host's result at a size of its own. A host that asks for the result at
// another size than the filter rectangle's (Parameters::resultWidth and
// resultHeight, from its descriptor) gets it rendered from the whole picture,
// as the PSD at a size of the user's choosing is, and handed over through
// output rectangles that address it: no detail of the picture is lost to a
// resize before the render, and every output mode keeps the framing it has
// at that size.
#pragma once

struct Data;
struct Parameters;

// Whether the host asked for the result at a size other than the filter
// rectangle's.
bool HostWantsResultAtItsOwnSize(const Parameters& params, const Data& data);

// Renders the result at that size and hands it to the host. False, with the
// host result set, when it could not.
bool RenderResultAtHostSize(Data* data);
