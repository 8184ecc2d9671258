#include "nets/slicing.h"

int64_t MaybeAddSlicing(polyhedron* poly) {
    if (!poly) return 0;
    switch (poly->slicingMode) {
        default: return 0;
    }
}
