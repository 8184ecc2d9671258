#include "projections/twirl.h"

#include <cmath>
#include <cstring>

#include "projections/stereographic.h"

namespace {

// Rotation by `a` about the unit axis u, from the unit quaternion of the half
// angle; the 4x4 matrix has the usual homogeneous last row and column.
void QuaternionTurn(float m[4][4], double a, const float u[3]) {
    const double s = std::sin(a * 0.5), c = std::cos(a * 0.5);
    const double x = s * u[0], y = s * u[1], z = s * u[2], w = c;
    const double r[3][3] = {
        {1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
        {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
        {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)},
    };
    std::memset(m, 0, sizeof(float) * 16);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = static_cast<float>(r[i][j]);
    m[3][3] = 1.0f;
}

}  // namespace

void InitTwirlTranformation_core(tumbletype* t, float a1, float a2, float a3, int) {
    t->angles[0] = a1;
    t->angles[1] = a2;
    t->angles[2] = a3;
    const float id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::memcpy(t->identity, id, sizeof id);
    const float ex[3] = {1, 0, 0}, ey[3] = {0, 1, 0};
    QuaternionTurn(t->turn_x, a1, ex);
    QuaternionTurn(t->turn_y, a2, ey);
    // e_z carried by the first two turns as a row vector: e_z * turn_x * turn_y.
    float ax = -std::cos(a1) * std::sin(a2), ay = std::sin(a1), az = std::cos(a1) * std::cos(a2);
    const float inv = 1.0f / std::sqrt(ax * ax + ay * ay + az * az);
    t->axis[0] = ax * inv;
    t->axis[1] = ay * inv;
    t->axis[2] = az * inv;
    QuaternionTurn(t->turn_axis, a3, t->axis);
    float xy[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 3; ++k) s = std::fma(t->turn_x[i][k], t->turn_y[k][j], s);
            xy[i][j] = s;
        }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 3; ++k) s = std::fma(xy[i][k], t->turn_axis[k][j], s);
            t->combined[i][j] = s;
        }
        t->combined[i][3] = 0.0f;
    }
    bool identity = true;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) identity = identity && t->combined[i][j] == t->identity[3 * i + j];
    t->turnsNothing = identity ? 1 : 0;
}

void InitTwirlTranformation_WEIRD_core(tumbletype* t, float a1, float a2, float a3, int unused,
                                       float) {
    InitTwirlTranformation_core(t, a1, a2, a3, unused);
}

void PerformFreakyTransformationsOfSource(float point[3], long outputMode) {
    switch (outputMode) {
        case 117:
        case 134:
        case 142:
        case 143:
        case 351:
        case 352: {
            // Opens a half of the sphere onto the whole of it.
            double p[3] = {point[0], point[1], point[2]};
            unsigned char outside = 0;
            SubstituteSphereSegment_NiceD(p, &outside, 0.5, 0.0);
            point[0] = static_cast<float>(p[0]);
            point[1] = static_cast<float>(p[1]);
            point[2] = static_cast<float>(p[2]);
            break;
        }
        case 408: {
            const double c = 0.9396926207859084, s = 0.3420201433256687;  // 20 degrees
            const double x = point[0], z = point[2];
            point[0] = static_cast<float>(x * c + z * s);
            point[2] = static_cast<float>(z * c - x * s);
            break;
        }
        default:
            break;
    }
}
