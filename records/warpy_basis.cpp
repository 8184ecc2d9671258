#include "records/warpy_basis.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// One row of the floret table; angles in degrees.
struct FloretRow {
    int64_t mode, kind, n;
    double luneOffset, scale, finalTurn, preTurn, centreX, centreY, canvasWidth, canvasHeight, powerDivisor;
    int64_t basisShape, basisShapeParameter;
    uint8_t noPower;
};

constexpr FloretRow kFloretRows[] = {
    {51, 6, 6, 0, 9, 9, -120, 39, 11, 961, 989, 1.5, -1, 0, 0},
    {108, 1, 2, 0, 1, -90, 0, -500, 0, 1500, 1000, 1, -1, 0, 0},
    {109, 1, 3, -0.12, 3, -60, -30, 57, 19, 943, 838, 1, -1, 0, 0},
    {110, 1, 4, -0.15, 4, 0, -90, 0, 0, 1000, 1000, 1, -1, 0, 0},
    {111, 1, 5, -0.165, 6, 36, -126, 28, 11, 973, 925, 1, -1, 0, 0},
    {112, 1, 6, -0.165, 6, -90, 0, 0, 0, 1000, 1000, 1, -1, 0, 0},
    {130, 1, 3, -0.12, 2, -60, -30, 68, 151, 931, 898, 1, -1, 0, 0},
    {131, 1, 4, -0.15, 4, 0, -90, 202, 202, 798, 798, 1, -1, 0, 0},
    {132, 1, 5, -0.165, 3, 36, -126, 58, 97, 941, 940, 1, -1, 0, 0},
    {133, 1, 6, -0.165, 6, -90, 0, 144, 116, 856, 884, 1, -1, 0, 0},
    {145, 11, 5, 0, 2.5, -36, 18, 41, 18, 959, 890, 2, 64, 0, 0},
    {146, 2, 3, 0.12, 4.5, -60, 30, 59, 146, 941, 972, 1, -1, 0, 0},
    {147, 2, 4, 0.06, 6, 45, -90, 5, 5, 995, 995, 1, -1, 0, 0},
    {148, 2, 5, 0, 8.5, 72, -126, 20, 5, 980, 934, 1, -1, 0, 0},
    {149, 2, 6, -0.06, 12, -60, 0, 3, 47, 997, 953, 1, -1, 0, 0},
    {151, 12, 3, 0, 1.7, 0, 150, 11, 104, 989, 993, 2, 68, 0, 0},
    {152, 14, 5, 0, 1.9, 0, 18, 59, 36, 941, 876, 3, 69, 0, 0},
    {153, 14, 7, 0, 2.3, 0, -12.8571, 22, 9, 978, 942, 3, 69, 0, 0},
    {154, 14, 8, 0, 2.6, -22.5, 0, 11, 11, 989, 989, 3, 69, 0, 0},
    {155, 15, 3, 0, 2.9, -54, -30, 96, 6, 950, 837, 1, 70, 0, 0},
    {156, 16, 3, 0, 2.9, 0, -31, 31, 6, 919, 869, 1, 71, 6, 0},
    {157, 16, 4, -0.15, 3.2, 0, -46.5, 22, 22, 978, 978, 1, 71, 6, 0},
    {158, 17, 8, -0.1, 3.3, 0, -90, 10, 10, 990, 990, 2.5, 72, 6, 0},
    {161, 7, 3, -0.12, 3, -93, -35.7296, 63, 14, 943, 816, 1, 51, 2, 0},
    {162, 18, 3, -0.1, 3, -40, -30, 40, 15, 882, 897, 1, 73, 6, 0},
    {163, 17, 5, 0, 2.2, 0, -90, 82, 51, 986, 975, 2.5, 72, 6, 0},
    {164, 4, 3, 0, 3.3, 0, -30, 24, 36, 976, 860, 1, -1, 0, 0},
    {165, 4, 4, 0, 4.6, -45, 0, 18, 18, 982, 982, 1, -1, 0, 0},
    {166, 20, 4, 0, 2.7, 180, 0, 25, 25, 975, 975, 1.5, 75, 0, 0},
    {247, 21, 4, -0.15, 2.6, -187.4, 81, 1, 1, 999, 999, 1, 159, 6, 0},
    {251, 6, 4, 0, 5, 0, -121.5, 18, 18, 982, 982, 1.5, -1, 0, 0},
    {252, 6, 5, 0, 8, -97, -18, 43, 46, 918, 915, 1.5, -1, 0, 0},
    {302, 22, 3, 0, 2.5, -111, -97, 45, 123, 846, 943, 1.5, 67, 0, 0},
    {303, 22, 5, 0, 3.8, 197, 2, 35, 7.5, 972, 910, 1.5, 67, 0, 0},
    {351, 23, 3, 0, 2, 0, 30, 41, 81, 959, 898, 2, 65, 0, 0},
    {352, 23, 5, 0, 3, -36, 18, 46, 77, 954, 939, 2, 65, 0, 0},
    {353, 24, 3, -0.15, 1, 120, 90.01, 83, 6, 917, 962, 1, -1, 0, 0},
    {383, 5, 3, 0, 2, 0, -30, 62, 21, 938, 862, 1, -1, 0, 0},
    {384, 5, 4, 0, 2, 0, -45, 31, 31, 969, 969, 1, -1, 0, 0},
    {385, 25, 3, 0, 4, 0, -90, 44, 144, 956, 938, 5.0 / 3.0, 32, 0, 0},
    {386, 25, 4, 0, 5, 0, -90, 49, 49, 951, 951, 5.0 / 3.0, 32, 0, 0},
    {387, 25, 5, 0, 6, 0, -90, 22, 61, 978, 971, 5.0 / 3.0, 32, 0, 0},
    {388, 26, 5, 0, 8, 0, -18, 49, 26, 951, 883, 2, -1, 0, 0},
    {389, 27, 3, 0, 10, 60, 149.985, 100, 182, 900, 962, 1, -1, 0, 0},
    {390, 27, 4, 0, 15, 135, 90, 42, 42, 958, 958, 1, -1, 0, 0},
    {391, 27, 5, -0.1, 20, 0, -125.9874, 46, 23, 954, 895, 1, -1, 0, 0},
    {392, 28, 5, -0.05, 3.5, 180, 38, 32, 12, 964, 912, 1.5, 166, 2, 0},
    {393, 29, 3, 0, 3.5, 0, -135, 66, 24, 966, 947, 1, 270, 2, 0},
    {411, 12, 3, 0, 1.7, 0, 150, 11, 104, 989, 993, 2, 68, 0, 0},
    {412, 12, 4, 0, 2, 0, 180, 0, 0, 1000, 1000, 2, 68, 0, 1},
    {413, 12, 5, 0, 2.5, 0, -162, 18, 65, 982, 982, 2, 68, 0, 0},
    {1040, 3, 3, -0.15, 4, 0, -90, 0, 0, 1000, 1000, 1, -1, 0, 0},
    {1043, 8, 5, 0, 1.005, 0, 0, 0, 0, 1000, 1000, 1, 52, 2, 0},
};

inline double Radians(double degrees) { return degrees * kPi / 180.0; }

}  // namespace

int64_t GetBasisOfWarpyPolyprojection(int64_t outputMode, WarpyBasis* basis) {
    if (!basis) return outputMode;
    *basis = WarpyBasis{};
    basis->scale = 1;
    basis->preTurnCos = 1;
    basis->canvasWidth = 1000;
    basis->canvasHeight = 1000;
    basis->lobeSpin = 1;
    basis->powerDivisor = 1;
    basis->basisShape = -1;
    for (const FloretRow& r : kFloretRows) {
        if (r.mode != outputMode) continue;
        basis->kind = r.kind;
        basis->lobeCount = r.n;
        basis->luneOffset = r.luneOffset;
        basis->scale = r.scale;
        basis->finalTurn = Radians(r.finalTurn);
        basis->preTurnCos = std::cos(Radians(r.preTurn));
        basis->preTurnSin = std::sin(Radians(r.preTurn));
        basis->centreX = r.centreX;
        basis->centreY = r.centreY;
        basis->canvasWidth = r.canvasWidth;
        basis->canvasHeight = r.canvasHeight;
        basis->powerDivisor = r.powerDivisor;
        basis->basisShape = r.basisShape;
        basis->basisShapeParameter = r.basisShapeParameter;
        basis->noPower = r.noPower;
        break;
    }
    return outputMode;
}

bool IsProjectionAFloret(int64_t outputMode) {
    WarpyBasis basis;
    GetBasisOfWarpyPolyprojection(outputMode, &basis);
    return basis.kind != 0;
}

bool IsFloretWithPolyhedronBasis(int64_t outputMode) {
    WarpyBasis basis;
    GetBasisOfWarpyPolyprojection(outputMode, &basis);
    return basis.basisShape != -1;
}
