// The export rig around one polyhedron, and the readers of the export files.
#pragma once

#include "tests/files/export_readers.h"
#include "tests/files/export_rig.h"

namespace polytest {

// The records around one polyhedron in the work area, the Earth as input.
struct PolyRig : exporttest::ExportRig {
    PolyRig() : ExportRig(8) {
        params->outputMode = 7;
        poly();
    }
};

}  // namespace polytest
