// The angle conversions that are not on the per-sample path.
#include "common/angles.h"
