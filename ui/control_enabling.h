// Control enabling: which dialog controls apply to the output mode. A table
// of 200 entries in the work area (non-zero = enabled), indexed by fixed
// item numbers; HiliteLogic fills the mode-dependent entries, the zoom
// functions (ui/preview_zoom.h) the zoom entries.
#pragma once

#include <cstdint>

enum : int64_t {
    kItemPolyhedronA = 54,
    kItemPolyhedronB = 105,
    kItemTabsA = 58,
    kItemTabs = 59,          // the tab-size slider and its field read this one
    kItemTabsB = 92,
    kItemGlueA = 70,
    kItemGlueB = 73,
    kItemGlueC = 81,
    kItemExportFaces = 83,
    kItemFieldOfViewA = 102,
    kItemFieldOfView = 103,  // the field-of-view slider and its field read this one
    kItemFieldOfViewB = 104,
};

// What HiliteLogic decides from, for one output mode.
struct HiliteInputs {
    int64_t outputMode;
    int64_t shapeCode;     // -1: no polyhedron
    int64_t warpyBasis;    // polyhedron mode under a floret; -1: none
    bool exportable;       // the solid can be exported
};

// The inputs of a mode, from the polyhedron and floret tables.
HiliteInputs HiliteInputsForMode(int64_t outputMode);
// Fills the mode-dependent entries of table (200 entries).
void HiliteLogic_core(int64_t* table, const HiliteInputs& in);
// HiliteLogic_core on the work area's table, when there is one.
void HiliteLogic(int64_t outputMode);
