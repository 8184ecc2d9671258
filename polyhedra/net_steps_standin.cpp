// Stand-ins for the net code's steps until the net issues land: they leave
// the net as the dispatcher made it (a built-in net table, or none). Angles
// and face links are not computed yet. Delete this file when the net code
// provides these functions.
#include "polyhedra/net_steps.h"

void Calc3DAngles(polyhedron*) {}
int64_t Build3DConnectivity(polyhedron*) { return 0; }
void labelConvexPointsOf3DPolygon(polyhedron*, int64_t) {}
void Build2DConnectivity_core_new(polyhedron*, int64_t, int64_t, SkipList*) {}
void Calc2DAnglesAroundFaces(polyhedron*) {}
void DetermineCorrespondence(polyhedron*) {}
void AddCreviceFightingRegionInfo(polyhedron*) {}
int AddTabsViaEdgeWalking(polyhedron*, int64_t, int64_t) { return 0; }
void ReconcileTabs(polyhedron*, int64_t) {}
void EarClip(int64_t, polyhedron*) {}
void MaybeBuildTab(polyhedron*, int64_t, int64_t, double) {}
void AddOrigamiTabs(polyhedron*) {}
void CopyTabsFromAtoB(const polyhedron*, polyhedron*) {}
void Build2DNet(polyhedron*) {}
void ReviseFragmentation(polyhedron*) {}
void CramPoints(polyhedron*) {}
void Fill_in_rind_precalculables(polyhedron*) {}
