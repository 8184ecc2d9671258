// The Ferguson globe (output mode 396): the picture as a round polar map in
// a shallow dish on a square plate, rendered in 3D. A fixed signed-distance
// solid is sphere-traced per sample; the hit point on the dish is turned
// back into a direction on the sphere through an azimuthal map whose radius
// follows a polynomial latitude law.
#pragma once

#include <cstdint>

#include "records/tumbletype.h"
#include "render/globes/brick_globe.h"
#include "render/globes/metaball.h"

// Regions of the solid.
enum : int32_t {
    kFergPlate = 1,
    kFergDishOuter = 2,  // the dish outside radius 0.3855
    kFergDishInner = 3,
    kFergCut = 7,        // the flat cut underneath
};

struct FergStructure {
    double viewDirection[3];
    double planeOffset;  // the floor plane z = -offset, normal (0, 0, 1)
    double light[3];
    double secondOffset;
    LegoGaze view;
};

void CreateFergusonModel(FergStructure* model, const tumbletype* tumble);

double sdSphere(const double p[3], double r);
double sdRoundBox(const double p[3], const double half[3], double r);
inline double opI(double a, double b) { return a > b ? a : b; }
inline double opS(double a, double b) { return a > -b ? a : -b; }
int32_t bowlRegionForPoint(double x, double y);
// The distance to the solid and its region there.
double getSdf_ferg(const double p[3], int32_t* region);
// With the floor plane: their minimum; *solid gets the solid alone.
double getSdfWithPlaneSeparated_ferg(const double p[3], const FergStructure* model, double* solid, int32_t* region);
void getGradientGivenCtr_ferg(const double p[3], const FergStructure* model, double n[3]);
double getShadow_ferg(const double p[3], const FergStructure* model);

// The latitude fraction of map radius rho (0 at the centre, 1 at rho = 1).
double fergLatitudeCorrection(double rho);
// The sphere direction of a dish point (x, y); spin in radians.
void getFergusonMapPointFromIntersection(double out[3], double y, double x, double spin);

struct FergusonHit {
    int result;  // 1 hit
    int32_t region;
    double point[3];
    double normal[3];
    double light;
    float steps;
};
void castFergusonRay(const FergStructure* model, const marchray& ray, FergusonHit* hit);
