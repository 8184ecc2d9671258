#include "render/globes/ferguson.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "records/TransformationReply.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDishRadiusSquared = 0.14861025;  // 0.3855 squared
constexpr double kDishCentreZ = 0.939;
constexpr double kDishRadius = double(1.184f);
constexpr double kBallCentreZ = -0.325;
constexpr double kBallRadius = double(0.42f);
constexpr double kBlend = 0.45;
constexpr double kCutZ = -0.175;
constexpr double kMapRadius = 0.809543;
constexpr double kLight[3] = {0.0, 0.7071, 0.7071};
// Nothing lies beyond this radius from the centre (the plate's corners).
constexpr double kBoundingRadius = 1.3;

double Dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double Length(const double a[3]) { return std::sqrt(Dot(a, a)); }

}  // namespace

void CreateFergusonModel(FergStructure* m, const tumbletype* tumble) {
    if (!m) return;
    std::memset(static_cast<void*>(m), 0, sizeof *m);
    const float a = tumble->combined[2][0], b = tumble->combined[2][1], c = tumble->combined[2][2];
    MakeLegoViewCore(&m->view, a, c, -b, 1.0f);
    // The view's right and up, as the other globes take them, show a model
    // in mirror image: their sphere is the picture's seen from inside, which
    // that cancels. The dish carries its map seen from above, so its view
    // takes the right-hand side: without this the map comes out mirrored.
    for (float& r : m->view.right) r = -r;
    for (int i = 0; i < 3; ++i) {
        m->viewDirection[i] = m->view.direction[i];
        m->light[i] = kLight[i];
    }
    m->planeOffset = 2.0;
    m->secondOffset = 2.0;
}

double sdSphere(const double p[3], double r) { return Length(p) - r; }

double sdRoundBox(const double p[3], const double half[3], double r) {
    double q[3];
    for (int i = 0; i < 3; ++i) q[i] = std::max(std::fabs(p[i]) - half[i], 0.0);
    return Length(q) - r;
}

int32_t bowlRegionForPoint(double x, double y) { return x * x + y * y > kDishRadiusSquared ? kFergDishOuter : kFergDishInner; }

double getSdf_ferg(const double p[3], int32_t* region) {
    static constexpr double kHalf[3] = {0.83, 0.83, 0.05};
    const double plate = sdRoundBox(p, kHalf, 0.025);
    const double dishCentred[3] = {p[0], p[1], p[2] - kDishCentreZ};
    const double carved = opS(plate, sdSphere(dishCentred, kDishRadius));
    const double ballCentred[3] = {p[0], p[1], p[2] - kBallCentreZ};
    const double ball = sdSphere(ballCentred, kBallRadius);
    const double e = ball - carved;
    double value;
    if (e <= -kBlend) value = ball;
    else if (e >= kBlend) value = carved;
    else {
        const double h = 0.5 + e / 0.9;
        value = ball + h * (carved - ball) - kBlend * h * (1.0 - h);
    }
    const double cut = kCutZ - p[2];
    if (cut > value) {
        *region = kFergCut;
        return cut;
    }
    *region = value == plate ? kFergPlate : bowlRegionForPoint(p[0], p[1]);
    return value;
}

double getSdfWithPlaneSeparated_ferg(const double p[3], const FergStructure* m, double* solid, int32_t* region) {
    *solid = getSdf_ferg(p, region);
    return std::min(*solid, p[2] + m->planeOffset);
}

void getGradientGivenCtr_ferg(const double p[3], const FergStructure* m, double n[3]) {
    for (int i = 0; i < 3; ++i) {
        double a[3] = {p[0], p[1], p[2]}, b[3] = {p[0], p[1], p[2]};
        a[i] += 1e-5;
        b[i] -= 1e-5;
        double s;
        int32_t r;
        n[i] = getSdfWithPlaneSeparated_ferg(a, m, &s, &r) - getSdfWithPlaneSeparated_ferg(b, m, &s, &r);
    }
    const double len = Length(n);
    if (len > 0.0)
        for (int i = 0; i < 3; ++i) n[i] /= len;
    else
        n[0] = 0.0, n[1] = 0.0, n[2] = 1.0;
}

double getShadow_ferg(const double hit[3], const FergStructure* m) {
    const double len = Length(m->light);
    double t = 0.1, res = 1.0;
    for (int i = 0; i < 399; ++i) {
        const double p[3] = {hit[0] + t * m->light[0] / len, hit[1] + t * m->light[1] / len,
                             hit[2] + t * m->light[2] / len};
        double s;
        int32_t r;
        const double h = getSdfWithPlaneSeparated_ferg(p, m, &s, &r);
        if (h < kMarchHit) return 0.0;
        res = std::min(res, 8.0 * h / t);
        t += 1.6 * h;
        if (t > 3.0 || res < kMarchHit) break;
    }
    return std::clamp(res, 0.0, 1.0);
}

double fergLatitudeCorrection(double rho) {
    return rho * 6.585264525064755e-8 *
           (11107146.28502339 * rho * rho * rho - 18869189.327832986 * rho * rho + 8981861.885041555 * rho + 1.39656e7);
}

void getFergusonMapPointFromIntersection(double out[3], double y, double x, double spin) {
    const double f = (spin - std::atan2(y, x) + 3.141592653) / 6.283185307179586;
    const double rho = std::sqrt(x * x + y * y) / kMapRadius;
    const double g = fergLatitudeCorrection(rho);
    const double s = std::sin((g - 0.5) * -kPi);
    const double k = std::sqrt(std::max(0.0, 1.0 - s * s));
    out[0] = std::sin((f - 0.5) * 2.0 * kPi) * k;
    out[1] = s;
    out[2] = std::cos((f - 0.5) * 2.0 * kPi) * k;
}

void castFergusonRay(const FergStructure* m, const marchray& ray, FergusonHit* hit) {
    hit->result = 0;
    hit->region = kPlaceNoDirection;
    hit->light = 0.0;
    hit->steps = 0.0f;
    // A ray that starts beneath the floor (a view from below) sees the
    // solid without it.
    const bool floor = ray.origin[2] + m->planeOffset > 0.0;
    double t = 0.0;
    for (int steps = 0; steps < kMarchSteps; ++steps) {
        const double p[3] = {ray.origin[0] + t * ray.direction[0], ray.origin[1] + t * ray.direction[1],
                             ray.origin[2] + t * ray.direction[2]};
        double solid;
        int32_t region;
        const double withFloor = getSdfWithPlaneSeparated_ferg(p, m, &solid, &region);
        const double d = floor ? withFloor : solid;
        hit->steps = float(steps);
        if (std::fabs(d) < kMarchHit) {
            for (int i = 0; i < 3; ++i) hit->point[i] = p[i];
            if (floor && p[2] + m->planeOffset < kMarchHit) return;  // the floor
            hit->result = 1;
            hit->region = region;
            getGradientGivenCtr_ferg(p, m, hit->normal);
            const double cosine = Dot(hit->normal, m->light);
            hit->light = cosine > 0.0 ? cosine * getShadow_ferg(p, m) : cosine;
            return;
        }
        // Past the solid, moving away, the floor not ahead: a miss.
        if (Length(p) > kBoundingRadius && Dot(p, ray.direction) > 0.0 && (ray.direction[2] >= 0.0 || !floor)) return;
        t += d;
    }
}
