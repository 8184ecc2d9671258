// Stand-ins for the net code's steps that are not built yet: they leave the
// net as the growth made it. Delete each one when its step lands.
#include "polyhedra/net_steps.h"

void DetermineCorrespondence(polyhedron*) {}
void AddCreviceFightingRegionInfo(polyhedron*) {}
int AddTabsViaEdgeWalking(polyhedron*, int64_t, int64_t) { return 0; }
void ReconcileTabs(polyhedron*, int64_t) {}
void EarClip(int64_t, polyhedron*) {}
void MaybeBuildTab(polyhedron*, int64_t, int64_t, double) {}
void AddOrigamiTabs(polyhedron*) {}
void CopyTabsFromAtoB(const polyhedron*, polyhedron*) {}
void ReviseFragmentation(polyhedron*) {}
void CramPoints(polyhedron*) {}
void Fill_in_rind_precalculables(polyhedron*) {}
