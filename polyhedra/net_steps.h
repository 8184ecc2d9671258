// The net code's steps that the polyhedron model calls: face links, angles,
// the net and its tabs. Until the net code lands they are stand-ins
// (polyhedra/net_steps_standin.cpp) that leave the net empty.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

struct SkipList;

void Calc3DAngles(polyhedron* poly);
int64_t Build3DConnectivity(polyhedron* poly);
void labelConvexPointsOf3DPolygon(polyhedron* poly, int64_t face);
void Build2DConnectivity_core_new(polyhedron* poly, int64_t firstFace, int64_t count, SkipList* edges);
void Calc2DAnglesAroundFaces(polyhedron* poly);
void DetermineCorrespondence(polyhedron* poly);
void AddCreviceFightingRegionInfo(polyhedron* poly);
int AddTabsViaEdgeWalking(polyhedron* poly, int64_t pass, int64_t flag);
void ReconcileTabs(polyhedron* poly, int64_t mode);
void EarClip(int64_t face, polyhedron* poly);
void MaybeBuildTab(polyhedron* poly, int64_t triangle, int64_t edge, double value);
void AddOrigamiTabs(polyhedron* poly);
void CopyTabsFromAtoB(const polyhedron* a, polyhedron* b);
void Build2DNet(polyhedron* poly);
void ReviseFragmentation(polyhedron* poly);
void CramPoints(polyhedron* poly);
void Fill_in_rind_precalculables(polyhedron* poly);
