// The families of projections, each offering from its own file the table of
// the output modes it serves (beside the projections themselves). The
// dispatcher gathers them once, in this order, into its lookup by code.
#pragma once

#include "projections/projection_sample.h"

ProjectionTable FlatWorldMapProjections();        // world_map_projections.cpp
ProjectionTable NewtonWorldMapProjections();      // world_maps.cpp
ProjectionTable InterruptedMapProjections();      // interrupted_maps.cpp
ProjectionTable SquareWorldMapProjections();      // square_world_maps.cpp
ProjectionTable PeirceProjections();              // peirce.cpp
ProjectionTable PowerMapProjections();            // power_maps.cpp
ProjectionTable GoreProjections();                // gores.cpp
ProjectionTable DiscLayoutProjections();          // disc_layouts.cpp
ProjectionTable PanelLayoutProjections();         // panel_layouts.cpp
ProjectionTable PanoramaViewProjections();        // panorama_views.cpp
ProjectionTable LensViewProjections();            // lens_views.cpp
ProjectionTable StereographicProjections();       // stereographic.cpp
ProjectionTable FloretProjections();              // florets.cpp
ProjectionTable HyperbolicTilingProjections();    // hyperbolic.cpp

// Every family's table, in the order above.
std::span<const ProjectionTable> ProjectionFamilies();
