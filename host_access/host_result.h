// The result word the host reads after a selector call, with the internal
// diagnostic number set beside it.
#pragma once

#include <cstdint>

#include "records/plugin_globals.h"

// The host result, or noErr when no selector is running.
inline int16_t HostResult() { return gResult ? *gResult : int16_t(0); }
// Sets the host result and the diagnostic number together.
void SetHostResult(int16_t result, int16_t diagnostic);
