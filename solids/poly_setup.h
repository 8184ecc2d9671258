// Turning an output mode into a solid and its net: one call that keeps the
// last build while nothing that matters changed, and the general set-up that
// runs the shape dispatcher and the net steps for a set-up mode:
//   0 net; 1 and 3 net with glue tabs (3 with crevices);
//   2 relinked net with crevices; 4 net without triangles; 6 net with
//   crevices; 7 the solid alone, no net.
#pragma once

#include <cstdint>
#include <mutex>

#include "polyhedra/polyhedron.h"

// Whether the record holds a whole build of exactly these set-up arguments
// (the face picked for a one-face build included), which the set-up then
// keeps as it is.
bool PolyHoldsSetUp(const polyhedron* poly, int64_t mode, int64_t secondParameter, int64_t setupMode,
                    uint8_t optionByte, uint8_t flag, float netSettingA, float netSettingB, float angle);
// Held by every build: two never run at once (the curved-origami builders
// share their outline corners), whichever thread asks.
std::recursive_mutex& SolidBuildLock();
polyhedron* HooBoyPolySetup(int64_t mode, polyhedron* poly, int64_t secondParameter, int64_t setupMode,
                            uint8_t optionByte, void* hostValue, uint8_t flag, float netSettingA, float netSettingB,
                            float angle);
// The set-up in two steps, for one solid drawn under several turns (an
// export's pages): BuildSolidUnturned builds on the record what no turn
// changes (false when the solid cannot be built, or a face is picked on the
// record), and TurnBuiltSolid makes `poly` a copy of that record turned by
// angle and finished, the very build HooBoyPolySetup makes with the same
// arguments (false when no copy can be had). The unturned record is no
// finished build: no set-up takes it as one.
bool BuildSolidUnturned(int64_t mode, polyhedron* poly, int64_t secondParameter, int64_t setupMode,
                        uint8_t optionByte, void* hostValue, uint8_t flag, float netSettingA, float netSettingB);
bool PolyHoldsUnturnedSetUp(const polyhedron* poly, int64_t mode, int64_t secondParameter, int64_t setupMode,
                            uint8_t optionByte, uint8_t flag, float netSettingA, float netSettingB);
bool TurnBuiltSolid(const polyhedron* unturned, polyhedron* poly, void* hostValue, float angle);
// The frame a floret on this solid reads its net in (floretCentre,
// floretOffset): the centre of the net's bounding box, and the offsets of
// the floret kinds that move their lobe point. Cleared for other modes.
void SetFloretFrame(polyhedron* poly, int64_t mode);
void SetUpReallyGeneralPolyhedron(polyhedron* poly, int64_t shapeCode, int64_t setupMode, int64_t secondParameter,
                                  uint8_t optionByte, void* hostValue, uint8_t flag, float angle);
