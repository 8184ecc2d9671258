// The net code's steps that the polyhedron model calls: face links, angles,
// the net and its tabs. Those not built yet are stand-ins
// (polyhedra/net_steps_standin.cpp) that leave the net as it is.
#pragma once

#include <cstdint>

#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/polyhedron.h"

struct SkipList;

// Built by the net code (nets/).
int64_t MaybeAddSlicing(polyhedron* poly);
void Build2DNet(polyhedron* poly);
void ReviseFragmentation(polyhedron* poly);
void Build2DConnectivity_core_new(polyhedron* poly, int64_t first, int64_t count, SkipList* list);
int AddTabsViaEdgeWalking(polyhedron* poly, int64_t outline, int64_t numberFaces);
void ReconcileTabs(polyhedron* poly, int64_t cutEdgesOnly);
void EarClip(int64_t face, polyhedron* poly);
void MaybeBuildTab(polyhedron* poly, int64_t triangle, int64_t edge, double glueUnder);
void AddOrigamiTabs(polyhedron* poly);
void RemoveTabsFromFaces(polyhedron* poly);
void FitTabsUponTriangles(polyhedron* poly, bool pagePerFace);
void CopyTabsFromAtoB(const polyhedron* a, polyhedron* b);

void AddCreviceFightingRegionInfo(polyhedron* poly);

int64_t DetermineCorrespondence(polyhedron* poly);

// Built by the polyhedral transform (projections/polyhedral_transform.cpp):
// what the renderer reads per net triangle, once the triangles exist.
void Fill_in_rind_precalculables(polyhedron* poly);

// Not built yet: stand-ins.
void CramPoints(polyhedron* poly);
